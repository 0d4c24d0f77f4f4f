#pragma once
// Another workstation on the test database (AdoConnection's file), and a look at whether anyone
// holds its write lock.

#include "tests/support/ScriptedPresenter.h"

#include <QString>

struct sqlite3;

// A connection of its own holding the write lock from construction to destruction, as another
// workstation's Save would; Exclusive keeps readers out too, as a restore's install does.
class TOtherWorkstationLock {
public:
    explicit TOtherWorkstationLock(bool Exclusive = false);
    ~TOtherWorkstationLock();
    TOtherWorkstationLock(const TOtherWorkstationLock&) = delete;
    TOtherWorkstationLock& operator=(const TOtherWorkstationLock&) = delete;

private:
    sqlite3* FDb = nullptr;
};

// True when some connection holds the write lock: asked on a connection that does not wait.
bool WriteLockHeld();

// Another workstation's Save of Sql on a connection of its own that does not wait for a lock: true
// when it was committed.
bool OtherWorkstationSaves(const char* Sql);
// The same with a statement as the program writes it.
bool OtherWorkstationSaves(const QString& Sql);

// Answers as the scripted presenter and counts the messages shown while the write lock is held.
class TLockWatchingPresenter : public TScriptedPresenter {
public:
    TModalResult Present(const TMessageRequest& Request) override;
    int ShownUnderLock = 0;
};
