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

bool ShowAndActivate(QWidget* Window) {
    Window->show();
    Window->activateWindow();
    return QTest::qWaitForWindowExposed(Window) && QTest::qWaitForWindowActive(Window);
}
