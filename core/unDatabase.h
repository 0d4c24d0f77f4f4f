#pragma once
// The one database connection and the SQL helpers every window uses.
//
// Callers build Jet-dialect SQL as literal text (double-quoted text values, "Delete * from",
// [T]![c], [T.c], "&" joins). Each statement is rewritten to SQLite's dialect before it runs, and
// every result value comes back in the text form the callers parse: dates "dd.mm.yyyy", booleans
// "True"/"False", whole numbers without ".0", other numbers with 15 significant digits, NULL "".

#include "core/unitTypes.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;
class TDelimitedStringList;
class TTransaction;

// The folder above the program's own folder, with a trailing "/".
extern QString ProgramDir;
// ProgramDir + "db/".
extern QString DatabaseDir;
// The live database file inside DatabaseDir.
extern const QString DatabaseFileName;
// The manager's password; the main window fills it from the settings table.
extern QString AdminPassword;

// Another workstation held a lock on the file past the busy timeout: the statement could not run.
class EDatabaseBusy : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The connection: opens its file on the first statement, never creates it, and stays open.
class TAdoConnection {
public:
    explicit TAdoConnection(const QString& FileName);
    ~TAdoConnection();
    TAdoConnection(const TAdoConnection&) = delete;
    TAdoConnection& operator=(const TAdoConnection&) = delete;

    const QString& FileName() const;
    bool Connected() const;
    // Finalises every statement and closes the file; the next statement opens it again.
    void Close();

    struct TState;
    TState& State() { return *FState; }

private:
    std::unique_ptr<TState> FState;
};

extern TAdoConnection* AdoConnection;

// The folder above Folder (a folder path with a trailing "/"), with a trailing "/".
QString ParentFolder(const QString& Folder);
// Sets ProgramDir and DatabaseDir from the executable's real path and creates AdoConnection.
// Throws EDatabaseError when the SQLite library is older than 3.39.0.
void CreateAdoConnection(QObject* Owner);
// The same for the program folder ProgramFolder (tests point it at a temporary tree).
void CreateAdoConnection(QObject* Owner, const QString& ProgramFolder);
// Closes and frees AdoConnection.
void FreeAdoConnection();

// Creates a new database file at Path with the schema and the settings rows. False when the
// file exists already (it is left alone); throws EDatabaseError, leaving no file, on failure.
bool CreateDatabaseFile(const QString& Path);
// True when the file at Path passes "PRAGMA quick_check" on a read-only connection configured as
// the program's own (the schema's collation included).
bool DatabaseFileIsSound(const QString& Path);
// True when the database at Path has every table of the schema with all its columns, looked for
// as the repair of the about box looks for them: a column that an upgrade statement adds may be
// missing, since the repair adds it.
bool IsProgramDatabase(const QString& Path);

// Copies the database at Source into the new file Target with SQLite's online backup, inside a
// read transaction on Source, so that another process's commit waits for the copy instead of
// tearing it. True when Target holds the copy and passed "PRAGMA quick_check" (tried again a few
// times while another connection's lock keeps it from running); otherwise Target is removed.
bool CopyDatabaseFile(const QString& Source, const QString& Target);

// A copy that ReplaceDatabaseFile keeps bears this after its name until it is whole.
extern const QString PartialCopySuffix;

// What a replacement of a database achieved.
enum TReplaceOutcome {
    roBusy,               // another connection's lock outlasted the busy wait: Live as it was, no Kept
    roNotReplaced,        // Kept or the new data could not be written: Live as it was, no Kept
    roReplacedUnverified, // Live holds the new data, Kept the former; Live's check failed or could not run
    roReplacedSound,      // Live holds the new data and passed the check, Kept the former
};
// Replaces every table, index and view of the database at Live, rows included, with those of the
// database at Replacement, and keeps Live's data as they were in Kept: an empty file the caller
// created to claim the name, removed again when Live is not replaced. One write lock on
// Live, taken before the copy and let go when the replacement has committed, spans both: another
// connection's commit is either in Kept or waits and goes into the new data, never between them.
// OnReplaced, when given, runs after the commit, before Live's "PRAGMA quick_check". OnWorking runs
// now and then while the copy and the replacement run, with the lock held: it may show that the
// caller is working, never touch the database. Meanwhile a reader that the lock keeps waiting past
// its busy wait is told in Bulgarian that a restore is under way.
TReplaceOutcome ReplaceDatabaseFile(const QString& Replacement, const QString& Live, const QString& Kept,
                                    const std::function<void()>& OnReplaced = {},
                                    const std::function<void()>& OnWorking = {});

// Runs a SELECT into List (rows "°"-separated, fields "@"-separated, double quotes removed,
// values trimmed). An empty SQL gives an empty list. A failure clears List and throws
// EDatabaseError with the database's message and SQL as written.
bool RunQuery(QObject* Owner, TAdoConnection* Connection, const QString& SQL, TDelimitedStringList* List);
// One row of a SELECT as ReadRows hands it, valid only inside the call: each value by number as
// stored, or as the text RunQuery gives for it. A value holding "@" or "°" stays one value.
class TQueryRow {
public:
    struct TCursor;
    explicit TQueryRow(TCursor& Cursor) : FCursor(&Cursor) {}
    int Count() const;
    // The value stored as a whole number; false for any other storage.
    bool Integer(int Col, qint64& Value) const;
    // The value stored as a number of either kind; false for text, blob or NULL.
    bool Real(int Col, double& Value) const;
    // The day of a date column's number in the years 1900 to 9999; false otherwise (its text then
    // says what it holds).
    bool Day(int Col, qint64& Value) const;
    QString Text(int Col) const;
    // The same text appended to To.
    void AppendText(int Col, QString& To) const;

private:
    TCursor* FCursor;
};

// Runs a SELECT and hands each row to OnRow, for readers of many rows that want numbers rather
// than text. A failure throws EDatabaseError, as RunQuery does.
void ReadRows(QObject* Owner, TAdoConnection* Connection, const QString& SQL,
              const std::function<void(const TQueryRow&)>& OnRow);

// Runs any other statement; on failure shows the database error box and returns false.
bool ExecSQL(QObject* Owner, TAdoConnection* Connection, const QString& SQL);

// Runs any other statement and returns how many rows it changed, so that a conditional UPDATE
// can tell whether its condition still held. Throws EDatabaseError on failure.
int ExecCounted(TAdoConnection* Connection, const QString& SQL);

// The database error box: message 65191 with the database's message and the statement below it.
// A database that lacks what the schema repair adds (another workstation restored an older
// archive) is named older in Bulgarian instead, and the repair offered (OfferSchemaRepair).
void ShowDatabaseError(const QString& Message, const QString& SQL);

// The schema upgrade statements whose column the database lacks, in a table it has: what the repair
// runs. None when the columns cannot be read.
QStringList MissingSchemaUpgrades(QObject* Owner);
// Runs Statements until the first that fails (which ExecSQL reports).
void RunSchemaUpgrades(QObject* Owner, const QStringList& Statements);
// When the database lacks what the repair adds: says so, offers the repair and runs it when the
// operator takes it; true. False, with nothing shown, when nothing is missing, while a
// transaction is open (no question waits under a lock), while a repair runs, or when the connection
// is not open (the error was the opening's own) or the columns cannot be read at once.
bool OfferSchemaRepair(QObject* Owner);

// How many restores the database has had (SQLite's user_version, which the restore counts up):
// a list read before a restore shows documents that are gone. -1 when it cannot be read.
qint64 RestoreMark();

// Runs the batch in one transaction on AdoConnection. All ran: the list is cleared, true. The
// first failure rolls everything back, shows the error box for that statement and leaves the
// list as it was: false. Check, when given, runs inside the transaction before the batch, so
// what it reads cannot change until the batch is written; a text from it writes nothing, is
// shown after the rollback and leaves the list: false. CheckAfter runs the same way after the
// batch, before the commit: it sees what the batch wrote beside what others wrote before. Any
// other exception writes nothing either: after the rollback the operator is told in Bulgarian
// that the write was interrupted.
bool RunPendingSql(QObject* Owner, QStringList& List, const std::function<QString()>& Check = {},
                   const std::function<QString()>& CheckAfter = {});

// A transaction on Connection: rolls back when destroyed uncommitted. Transactions do not nest;
// opening a second one throws EDatabaseError. A read transaction takes no write lock: its
// statements see one state of the file and take SQLite's shared lock once; destroyed, it commits,
// so that nothing another window wrote on the connection meanwhile is lost.
enum class TTransactionKind { Write, Read };

class TTransaction {
public:
    explicit TTransaction(TAdoConnection* Connection = AdoConnection,
                          TTransactionKind Kind = TTransactionKind::Write);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    // Throws EDatabaseError when the commit fails; the transaction is then rolled back.
    void Commit();
    TTransactionKind Kind() const { return FKind; }

private:
    friend class TAdoConnection;
    TAdoConnection* FConnection;
    TTransactionKind FKind;
};

// The transaction open on Connection, null when none is.
const TTransaction* OpenTransaction(TAdoConnection* Connection = AdoConnection);

// A text value for a "%s" position of a statement: each double quote doubled.
QString SqlText(const QString& Value);
// The statement as it runs on SQLite (exposed for tests).
QString JetToSqlite(const QString& SQL);

// Index of the first record whose field Col equals Value, -1 when none or List is null.
int FindRowByField(const QString& Value, const TDelimitedStringList* List, int Col);
int FindRowByTwoFields(const QString& ValueA, const QString& ValueB, const TDelimitedStringList* List,
                       int ColA, int ColB);
// Binary search on a list sorted ascending by the integer value of field Col; -1 when absent.
int FindRowByIntKey(qint64 Key, const TDelimitedStringList* List, int Col);
// Result := field ResultCol of the record whose KeyCol holds Key, "" when there is none.
void LookupByIntKey(qint64 Key, const TDelimitedStringList* List, int KeyCol, QString& Result, int ResultCol);
