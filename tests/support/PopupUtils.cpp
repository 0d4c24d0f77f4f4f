#include "tests/support/PopupUtils.h"

#include "Components/Edits/ButtonEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

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

void WhenModalShown(const char* ClassName, std::function<void(QWidget*)> Action, int TimeoutMs) {
    auto* timer = new QTimer();
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found =
            modal && modal->isVisible() && modal->isActiveWindow() && modal->inherits(ClassName);
        if (!found && started->elapsed() < TimeoutMs) return;
        timer->stop();
        timer->deleteLater();
        if (found) Action(modal);
    });
    timer->start(1);
}

bool AnswerModal(const char* ClassName, const std::function<void(QWidget*)>& Answer,
                 const std::function<void()>& Action) {
    bool shown = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (shown || !modal || !modal->isVisible() || !modal->inherits(ClassName)) return;
        shown = true;
        Answer(modal);
    });
    timer.start(1);
    Action();
    return shown;
}
