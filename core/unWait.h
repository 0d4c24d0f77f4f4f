#pragma once
// The wait cursor and the status text that goes with it.

#include <QString>

// Starts (or nests) a wait: the hourglass on the outermost start, Text to the main window's
// status on every start.
void StartWait(const QString& Text = QString());
// Ends one wait; the outermost end restores the cursor and clears the status text.
// An end without a start does nothing.
void EndWait();
// How many waits are running; 0 when none.
int WaitCount();

// A wait for the lifetime of the guard, so that a failure still ends it.
class TWaitGuard {
public:
    explicit TWaitGuard(const QString& Text = QString()) { StartWait(Text); }
    ~TWaitGuard() { EndWait(); }
    TWaitGuard(const TWaitGuard&) = delete;
    TWaitGuard& operator=(const TWaitGuard&) = delete;
};
