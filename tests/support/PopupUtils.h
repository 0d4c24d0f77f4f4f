#pragma once
// Key and popup helpers for widget tests.

#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

// Counts the edits' error beeps while it lives, instead of sounding them.
class TBeepCounter {
public:
    TBeepCounter();
    ~TBeepCounter();
    TBeepCounter(const TBeepCounter&) = delete;
    TBeepCounter& operator=(const TBeepCounter&) = delete;
    int Count() const { return FCount; }

private:
    int FCount = 0;
    std::function<void()> FPrevious;
};

// Closes an open popup as a click elsewhere does. Offscreen there is no pointer grab, so the
// press goes to the popup itself at a point outside its rectangle.
void ClickOutsidePopup(QWidget* Popup);

// Types Text into Widget one character at a time, as a keyboard does (QTest::keyClicks takes
// Latin-1 only).
void TypeText(QWidget* Widget, const QString& Text);

// Shows a top-level window and waits until it is exposed and active.
bool ShowAndActivate(QWidget* Window);

// Runs Action once the application's modal widget is a visible, active window of class T (checked on
// every pass of the event loop); the timer gives up after TimeoutMs.
void WhenModalShown(const char* ClassName, std::function<void(QWidget*)> Action, int TimeoutMs = 20000);

// Runs Action and answers with Answer the first visible modal widget of class ClassName that opens
// meanwhile; false when none opened.
bool AnswerModal(const char* ClassName, const std::function<void(QWidget*)>& Answer,
                 const std::function<void()>& Action);
