#include "tests/business/registers/RegisterHost.h"

#include "core/unEvents.h"
#include "tests/support/PopupUtils.h"

#include <QLineEdit>
#include <gtest/gtest.h>

TRegisterHost::TRegisterHost() {
    Area = new QMdiArea(this);
    setCentralWidget(Area);
    resize(1000, 700);
    show();
    activateWindow();
    (void)QTest::qWaitForWindowActive(this);
}

bool TRegisterHost::event(QEvent* Event) {
    if (Event->type() == evRefreshOpener) {
        Refreshes << static_cast<TRefreshEvent*>(Event)->LParam;
        return true;
    }
    return QMainWindow::event(Event);
}

void Press(QWidget* Target, int Key) {
    Target->setFocus();
    QTest::keyClick(Target, Qt::Key(Key));
    QApplication::processEvents();
}

void Type(QWidget* Edit, const QString& Text) {
    Edit->setFocus();
    if (auto* Line = qobject_cast<QLineEdit*>(Edit)) {
        Line->selectAll();
        QTest::keyClick(Line, Qt::Key_Delete);
    }
    TypeText(Edit, Text);
}
