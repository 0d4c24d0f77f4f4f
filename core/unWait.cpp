#include "core/unWait.h"

#include "core/unEvents.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
int Waits = 0;
}

void StartWait(const QString& Text) {
    if (++Waits == 1) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    TStatusTextEvent e(Text);
    SendToMainWindow(e);
}

void EndWait() {
    if (Waits == 0) return;
    if (--Waits > 0) return;
    QGuiApplication::restoreOverrideCursor();
    TStatusTextEvent e = TStatusTextEvent::Clear();
    SendToMainWindow(e);
}

int WaitCount() {
    return Waits;
}
