#include "tests/support/WriteLock.h"

#include "core/unDatabase.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

sqlite3* OpenOwn() {
    sqlite3* Db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(AdoConnection->FileName()).constData(), &Db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK)
        ADD_FAILURE() << "cannot open " << AdoConnection->FileName().toStdString();
    return Db;
}

} // namespace

TOtherWorkstationLock::TOtherWorkstationLock(bool Exclusive) : FDb(OpenOwn()) {
    EXPECT_EQ(sqlite3_exec(FDb, Exclusive ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE", nullptr, nullptr, nullptr),
              SQLITE_OK);
}

TOtherWorkstationLock::~TOtherWorkstationLock() {
    sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(FDb);
}

bool WriteLockHeld() {
    sqlite3* Db = OpenOwn();
    const bool Held = sqlite3_exec(Db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_BUSY;
    sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(Db);
    return Held;
}

bool OtherWorkstationSaves(const char* Sql) {
    sqlite3* Db = OpenOwn();
    bool Saved = sqlite3_exec(Db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK &&
                 sqlite3_exec(Db, Sql, nullptr, nullptr, nullptr) == SQLITE_OK &&
                 sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!Saved) sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(Db);
    return Saved;
}

bool OtherWorkstationSaves(const QString& Sql) {
    return OtherWorkstationSaves(JetToSqlite(Sql).toUtf8().constData());
}

TModalResult TLockWatchingPresenter::Present(const TMessageRequest& Request) {
    if (WriteLockHeld()) ++ShownUnderLock;
    return TScriptedPresenter::Present(Request);
}
