#include "tests/support/PopupUtils.h"

#include "Components/Edits/ButtonEdit.h"

#include <QTest>
#include <QWidget>

TBeepCounter::TBeepCounter() {
    FPrevious = SetBeepHandler([this] { ++FCount; });
}

TBeepCounter::~TBeepCounter() {
    SetBeepHandler(std::move(FPrevious));
}

void ClickOutsidePopup(QWidget* Popup) {
    QTest::mousePress(Popup, Qt::LeftButton, {}, QPoint(-5, -5));
}

void TypeText(QWidget* Widget, const QString& Text) {
    for (QChar c : Text) {
        const auto Key = Qt::Key(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, Widget, Key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, Widget, Key, QString(c), Qt::NoModifier);
    }
}

bool ShowAndActivate(QWidget* Window) {
    Window->show();
    Window->activateWindow();
    return QTest::qWaitForWindowExposed(Window) && QTest::qWaitForWindowActive(Window);
}
