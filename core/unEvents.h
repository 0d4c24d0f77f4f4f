#pragma once
// The program's own window messages, as QEvent types with the message numbers.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>

// A register opened from the contract window has saved (posted to its opener).
constexpr QEvent::Type evRefreshOpener = QEvent::Type(1024);
// Status text for the main window (sent).
constexpr QEvent::Type evStatusText = QEvent::Type(1025);
// The archive wizard has closed (sent to its owner); carries nothing, a plain QEvent.
constexpr QEvent::Type evArchiveClosed = QEvent::Type(1034);
// Progress of a long load (posted to the window itself).
constexpr QEvent::Type evProgress = QEvent::Type(1064);
// A window was reset or is closing (sent to the main window).
constexpr QEvent::Type evFormState = QEvent::Type(1074);
// A window was activated (sent to the main window).
constexpr QEvent::Type evFormActivated = QEvent::Type(1084);

// Reserves the numbers above with Qt so that nothing else is given them. Throws Exception when
// one is already taken. Safe to call more than once.
void RegisterEventTypes();

// The window that receives status texts and window notices; the main window sets itself here.
void SetApplicationMainWindow(QObject* Window);
QObject* ApplicationMainWindow();

// Sends Event to the main window at once; nothing happens while there is none.
void SendToMainWindow(QEvent& Event);
// Posts Event to Receiver, taking ownership; a dead receiver drops it.
void PostEventTo(const QPointer<QObject>& Receiver, QEvent* Event);

class TRefreshEvent : public QEvent {
public:
    TRefreshEvent(int WParam, int LParam) : QEvent(evRefreshOpener), WParam(WParam), LParam(LParam) {}
    int WParam;
    int LParam; // 1 an item, 2 an owner
};

class TStatusTextEvent : public QEvent {
public:
    explicit TStatusTextEvent(QString Text) : QEvent(evStatusText), Text(std::move(Text)), IsClear(false) {}
    static TStatusTextEvent Clear() { return TStatusTextEvent(); }
    QString Text;
    bool IsClear; // true: remove the status text
private:
    TStatusTextEvent() : QEvent(evStatusText), IsClear(true) {}
};

class TProgressEvent : public QEvent {
public:
    TProgressEvent(int Done, int Total) : QEvent(evProgress), Done(Done), Total(Total) {}
    int Done;
    int Total;
};

struct TMenuData {
    QPointer<QObject> Form;
    QString Caption;
};

// 1074 (Flag 0 reset, 1 closing) and 1084 (Flag unused).
class TMenuDataEvent : public QEvent {
public:
    TMenuDataEvent(QEvent::Type Type, TMenuData Data, int Flag = 0)
        : QEvent(Type), Data(std::move(Data)), Flag(Flag) {}
    TMenuData Data;
    int Flag;
};
