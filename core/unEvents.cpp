#include "core/unEvents.h"

#include "core/unitTypes.h"

#include <QCoreApplication>

namespace {
QPointer<QObject> MainWindowObject;
}

void RegisterEventTypes() {
    static bool registered = false;
    if (registered) return;
    for (QEvent::Type t :
         {evRefreshOpener, evStatusText, evArchiveClosed, evProgress, evFormState, evFormActivated}) {
        const int got = QEvent::registerEventType(t);
        if (got != t) throw Exception(QStringLiteral("Event type %1 is already in use").arg(int(t)));
    }
    registered = true;
}

void SetApplicationMainWindow(QObject* Window) {
    MainWindowObject = Window;
}

QObject* ApplicationMainWindow() {
    return MainWindowObject.data();
}

void SendToMainWindow(QEvent& Event) {
    if (MainWindowObject) QCoreApplication::sendEvent(MainWindowObject.data(), &Event);
}

void PostEventTo(const QPointer<QObject>& Receiver, QEvent* Event) {
    if (Receiver)
        QCoreApplication::postEvent(Receiver.data(), Event);
    else
        delete Event;
}
