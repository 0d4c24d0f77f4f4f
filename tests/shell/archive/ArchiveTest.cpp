#include "shell/archive/Archive.h"

#include "shell/archive/Cabinet.h"

#include "business/engine/unAdminPassword.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unRegistry.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/WriteLock.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QtEndian>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace {

void Touch(const QString& Path, const QByteArray& Data = "x") {
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Data);
}

QByteArray ReadFile(const QString& Path) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<missing>");
}

int OwnerCount() {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, R"sql(Select count(*) from Owners)sql", &List);
    return List.Get(0).toInt();
}

void AddOwner(int Egn) {
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection,
                Format(R"sql(INSERT INTO Owners (EGN, Three_names) VALUES (%d, "Иван Петров"))sql", {Egn})));
}

// Floppy disks as folders, one in the drive at a time (*Drive names its folder): the capacity
// bounds the free space; each disk's label is kept in memory, by folder.
using TLabels = QMap<QString, QString>;
class TFakeFloppy : public TFloppyMedium {
public:
    TFakeFloppy(const QString* Drive, qint64 Capacity, TLabels* Labels)
        : Capacity(Capacity), FDrive(Drive), FLabels(Labels) {}
    QString Root() const override { return *FDrive; }
    qint64 FreeSpace() const override {
        qint64 Used = 0;
        for (const QFileInfo& F : QDir(*FDrive).entryInfoList(QDir::Files))
            Used += F.size();
        return Capacity - Used;
    }
    std::optional<QString> Label() const override {
        if (!FLabels->contains(*FDrive)) return std::nullopt;
        return FLabels->value(*FDrive);
    }
    bool SetLabel(const QString& Label) override {
        (*FLabels)[*FDrive] = Label;
        return true;
    }
    bool Erase() override {
        for (const QString& Name : QDir(*FDrive).entryList(QDir::Files))
            QFile::remove(*FDrive + Name);
        return true;
    }

    qint64 Capacity;

private:
    const QString* FDrive;
    TLabels* FLabels;
};

// Runs a statement on the file at Path through a connection of its own (the test's tables only).
void ExecOn(const QString& Path, const char* Sql) {
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(Path).constData(), &Db), SQLITE_OK);
    sqlite3_busy_timeout(Db, 5000);
    char* Error = nullptr;
    const int Rc = sqlite3_exec(Db, Sql, nullptr, nullptr, &Error);
    EXPECT_EQ(Rc, SQLITE_OK) << (Error ? Error : "");
    sqlite3_free(Error);
    sqlite3_close(Db);
}

// The answer of "PRAGMA integrity_check" and the row count of Churn in the database at Path.
QString IntegrityOf(const QString& Path) {
    TAdoConnection Connection(Path);
    TDelimitedStringList List;
    try {
        RunQuery(nullptr, &Connection, R"sql(PRAGMA integrity_check)sql", &List);
        const QString Check = List.Get(0);
        RunQuery(nullptr, &Connection, R"sql(SELECT count(*) FROM Churn)sql", &List);
        return Check + " " + List.Get(0);
    } catch (const EDatabaseError& E) {
        return E.Message();
    }
}

// Extracts the archive whose first volume is FirstVolume into Folder; the database file or "".
QString ExtractArchive(const QString& FirstVolume, const QString& Folder) {
    TCabinet Cabinet;
    Cabinet.CABFileName = FirstVolume;
    Cabinet.SetDestinationPath(Folder);
    if (!Cabinet.ExtractAll()) return QString();
    return Folder + "/lendora.mdb";
}

void SetPassword(const QString& Password) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        Format(R"sql(UPDATE VA SET value_va = "%s" WHERE code_va = 12)sql", {Password})));
}

void ArchiveToServer() {
    TformArchive Form(nullptr, TformArchive::amArchive);
    QTest::mouseClick(Form.btnNext, Qt::LeftButton);
    ASSERT_EQ(Form.Step(), 99) << Form.labelInfo->text().toStdString();
}

// Restores the first archive of the server folder; the wizard's error code, 0 when it succeeded.
// Info gets the text the wizard ends with.
int RestoreFirstArchive(std::function<bool()> OnReplacing = nullptr, QString* Info = nullptr) {
    TformArchive Form(nullptr, TformArchive::amRestore);
    if (OnReplacing) Form.OnReplacing = std::move(OnReplacing);
    if (Form.listArchives->topLevelItemCount() == 0) return -1;
    Form.listArchives->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(Form.btnNext, Qt::LeftButton);
    if (Info) *Info = Form.labelInfo->text();
    return Form.Step() == 98 ? 0 : Form.ErrorCode();
}

// Packs the file Source as "lendora.mdb" into the one-volume archive FirstVolume.
void ArchiveFileAs(const QString& Source, const QString& FirstVolume) {
    QDir().mkpath(QFileInfo(FirstVolume).path());
    TCabinet Cabinet;
    Cabinet.CABFileName = FirstVolume;
    ASSERT_TRUE(Cabinet.StartCompression());
    ASSERT_TRUE(Cabinet.AddFile(Source, "lendora.mdb"));
    ASSERT_TRUE(Cabinet.FlushCabinet(false));
    Cabinet.EndCompression();
}

QString TemporaryFolder() {
    return ProgramDir + "Temporary archive files";
}

// The folders of the runs now working in the temporary folder, with a trailing "/".
QStringList RunFolders() {
    QStringList Folders;
    for (const QString& Name : QDir(TemporaryFolder()).entryList({"run-*"}, QDir::Dirs))
        Folders << TemporaryFolder() + "/" + Name + "/";
    return Folders;
}

// Every file below Folder, at any depth.
QStringList FilesUnder(const QString& Folder) {
    QStringList Files;
    for (QDirIterator It(Folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); It.hasNext();)
        Files << It.next();
    return Files;
}

// Answers every message with the planned answers; before answering the first, plays what
// another workstation (or the operator at the drive) does at that moment.
class TActOnMessage : public TScriptedPresenter {
public:
    QList<std::function<void()>> Acts;
    TModalResult Present(const TMessageRequest& Request) override {
        const int Index = FAsked++;
        if (Index < Acts.size() && Acts[Index]) Acts[Index]();
        return TScriptedPresenter::Present(Request);
    }

private:
    int FAsked = 0;
};

// A shop of one borrower archiving onto floppies: Disks empty disks, the first in the drive.
struct TFloppyShop {
    explicit TFloppyShop(int Disks) {
        AddOwner(1);
        for (int N = 1; N <= Disks; ++N)
            QDir().mkpath(Disk(N));
        Drive = Disk(1);
        WriteRegString("formArchive_radioFloppy", "1");
    }
    QString Disk(int N) const { return Floppies.filePath(QString::number(N)) + "/"; }

    TTempProgramDir Dir;
    TTempRegistry Registry;
    TActOnMessage Presenter;
    QTemporaryDir Floppies;
    QString Drive;
    TLabels Labels;
};

// Another workstation holding an exclusive lock on the database at Path for HoldMs or until
// Release, from a connection and thread of its own; returns once the lock is held.
std::thread LockFor(const QString& Path, int HoldMs, std::shared_future<void> Release) {
    std::promise<void> Held;
    std::future<void> Ready = Held.get_future();
    std::thread Other([File = QFile::encodeName(Path), HoldMs, Release, Held = std::move(Held)]() mutable {
        sqlite3* Db = nullptr;
        sqlite3_open(File.constData(), &Db);
        EXPECT_EQ(sqlite3_exec(Db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        Held.set_value();
        Release.wait_for(std::chrono::milliseconds(HoldMs));
        sqlite3_close(Db);
    });
    Ready.wait();
    return Other;
}

// The copies of replaced databases kept in the database folder.
QStringList KeptDatabases() {
    return QDir(DatabaseDir).entryList({"Lendora-*.mdb"}, QDir::Files, QDir::Name);
}

// Answers the restore's question with Yes and fills the disk at that moment.
class TDiskFullOnYes : public TScriptedPresenter {
public:
    explicit TDiskFullOnYes(rlim_t Room) : FRoom(Room) {}
    TModalResult Present(const TMessageRequest& Request) override {
        TScriptedPresenter::Present(Request);
        Limit.emplace(FRoom);
        return mrYes;
    }
    std::optional<TFileSizeLimit> Limit;

private:
    rlim_t FRoom;
};

constexpr const char* CommitLoopVariable = "LENDORA_COMMIT_LOOP_DB";

} // namespace

// Not a test of its own: the child process of the next test, which commits until it is killed.
TEST(ArchiveChildProcess, CommitsInALoop) {
    const QByteArray File = qgetenv(CommitLoopVariable);
    if (File.isEmpty()) GTEST_SKIP() << "runs only as the child of an archive test";
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(File.constData(), &Db), SQLITE_OK);
    sqlite3_busy_timeout(Db, 5000);
    for (int I = 0;; ++I) {
        const QByteArray Sql = QStringLiteral(R"sql(
            BEGIN IMMEDIATE;
            DELETE FROM Churn WHERE id % 5 = %1;
            WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 5 FROM n WHERE i + 5 <= 20000)
            INSERT INTO Churn SELECT i, hex(randomblob(abs(random()) % 300)) FROM n WHERE i > 0;
            COMMIT;
        )sql")
                                   .arg(I % 5)
                                   .toUtf8();
        if (sqlite3_exec(Db, Sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            sqlite3_exec(Db, "ROLLBACK", nullptr, nullptr, nullptr);
        QThread::msleep(2); // a busy workstation, not a lock that is never let go
    }
}

TEST(ArchiveWizard, AnArchiveTakenWhileAnotherProcessCommitsIsSoundOrRefused) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    ExecOn(Dir.DatabaseFile(), R"sql(
        CREATE TABLE Churn (id INTEGER PRIMARY KEY, data TEXT);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)
        INSERT INTO Churn SELECT i, hex(randomblob(150)) FROM n;
    )sql");
    QProcess Child;
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert(CommitLoopVariable, Dir.DatabaseFile());
    Child.setProcessEnvironment(Environment);
    Child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ArchiveChildProcess.CommitsInALoop"});
    ASSERT_TRUE(Child.waitForStarted());
    QTest::qWait(300);

    int Sound = 0;
    for (int Run = 0; Run < 4; ++Run) {
        TformArchive Form(nullptr, TformArchive::amArchive);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        if (Form.Step() != 99) {
            EXPECT_EQ(Form.Step(), -1);
            continue;
        }
        const QStringList Volumes = QDir(DatabaseDir + "Archive").entryList({"*.1.ldr"}, QDir::Files);
        ASSERT_EQ(Volumes.size(), 1);
        QTemporaryDir Out;
        const QString Extracted = ExtractArchive(DatabaseDir + "Archive/" + Volumes[0], Out.path());
        ASSERT_FALSE(Extracted.isEmpty());
        EXPECT_EQ(IntegrityOf(Extracted).toStdString(), "ok 20000") << "archive " << Run;
        ++Sound;
        DeleteDirectoryTree(DatabaseDir + "Archive"); // the next one may get the same name
    }
    Child.kill();
    Child.waitForFinished();
    EXPECT_GE(Sound, 1);
}

// Another workstation saving every few milliseconds throughout the restore of tens of megabytes
// loses no save reported done: each is in the kept copy or in the live file afterwards.
TEST(ArchiveRestore, AsksFirstKeepsTheReplacedDatabaseAndPutsTheArchivedPasswordInForce) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    SetPassword("old");
    AddOwner(1);
    ExecOn(Dir.DatabaseFile(), R"sql(
        CREATE TABLE Ballast (data BLOB);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
        INSERT INTO Ballast SELECT zeroblob(1000000) FROM n;
    )sql");
    ArchiveToServer();
    ASSERT_GT(QFileInfo(Dir.DatabaseFile()).size(), 40000000);
    SetPassword("new");
    AddOwner(2);
    LoadAdminPassword(nullptr); // as the main window does at start
    const QString Archived = QDir(DatabaseDir + "Archive").entryList(QDir::Files).value(0);
    const QString When =
        QDateTime::fromString(Archived.left(15), "yyyyMMdd-HHmmss").toString("dd.MM.yyyy HH:mm:ss");

    Presenter.PlanAnswer(mrNo);
    EXPECT_EQ(RestoreFirstArchive(), 5);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Presenter.Messages()[0].Buttons, (TMsgDlgButtons{mbYes, mbNo}));
    EXPECT_TRUE(Presenter.Texts()[0].contains(When) &&
                Presenter.Texts()[0].contains("записани след тази дата на всички работни места"))
        << Presenter.Texts()[0].toStdString();
    EXPECT_EQ(OwnerCount(), 2);
    EXPECT_TRUE(KeptDatabases().isEmpty());

    std::atomic<bool> Stop = false;
    std::atomic<int> Count = 0;
    QSet<int> Saved;
    std::thread Writer([&, File = QFile::encodeName(Dir.DatabaseFile())] {
        sqlite3* Db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(File.constData(), &Db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_busy_timeout(Db, 5000);
        for (int Code = 1000; !Stop; QThread::msleep(2)) {
            const QByteArray Sql =
                "INSERT INTO Item_types (code_i_t) VALUES (" + QByteArray::number(Code) + ")";
            if (sqlite3_exec(Db, Sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK) Saved << Code++;
            Count = int(Saved.size());
        }
        sqlite3_close(Db);
    });
    const auto SavesMore = [&](int More) {
        for (const int Until = Count + More; Count < Until;)
            QThread::msleep(1);
    };
    SavesMore(20);
    Presenter.PlanAnswer(mrYes);
    QString Info;
    EXPECT_EQ(RestoreFirstArchive(nullptr, &Info), 0) << Info.toStdString();
    SavesMore(20);
    Stop = true;
    Writer.join();
    EXPECT_EQ(OwnerCount(), 1);
    ASSERT_TRUE(EnsureAdminPassword(nullptr));
    EXPECT_EQ(AdminPassword, "old");
    // The replaced database stays beside the live one, whole.
    const QStringList Kept = KeptDatabases();
    ASSERT_EQ(Kept.size(), 1);
    EXPECT_TRUE(DatabaseFileIsSound(DatabaseDir + Kept[0]));
    const auto Column = [](const QString& File, const QString& Sql) {
        TAdoConnection Connection(File);
        TDelimitedStringList List;
        RunQuery(nullptr, &Connection, Sql, &List);
        QSet<int> Values;
        for (int I = 0; I < List.Count(); ++I)
            Values.insert(List.Get(I).toInt());
        return Values;
    };
    EXPECT_EQ(Column(DatabaseDir + Kept[0], R"sql(SELECT count(*) FROM Owners)sql"), QSet<int>{2});
    const QString Codes = R"sql(SELECT code_i_t FROM Item_types)sql";
    const QSet<int> InKept = Column(DatabaseDir + Kept[0], Codes), InLive = Column(Dir.DatabaseFile(), Codes);
    EXPECT_FALSE(InKept.isEmpty() || InLive.isEmpty());
    const QSet<int> Lost = Saved - InKept - InLive;
    EXPECT_TRUE(Lost.isEmpty()) << Lost.size() << " of " << Saved.size() << " saves lost";
}

// While a restore holds the database, the wizard goes on painting, and a reader kept out past its
// busy wait is told in Bulgarian why.
TEST(ArchiveRestore, WhileTheDatabaseIsReplacedTheWizardPaintsAndReadersAreToldWhy) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    ExecOn(Dir.DatabaseFile(), R"sql(
        CREATE TABLE Ballast (data BLOB);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)
        INSERT INTO Ballast SELECT randomblob(500) FROM n;
    )sql");
    ArchiveToServer();
    AddOwner(5);
    AdoConnection->Close();
    TformArchive Form(nullptr, TformArchive::amRestore);
    Form.show();
    Form.listArchives->topLevelItem(0)->setSelected(true);
    int PaintsUnderLock = 0;
    QString Told;
    struct TOnPaint : QObject {
        std::function<void()> Act;
        bool eventFilter(QObject*, QEvent* E) override {
            if (E->type() == QEvent::Paint) Act();
            return false;
        }
    } OnPaint;
    OnPaint.Act = [&] {
        if (!WriteLockHeld()) return;
        ++PaintsUnderLock;
        if (!Told.isEmpty()) return;
        TAdoConnection Reader(Dir.DatabaseFile());
        TDelimitedStringList List;
        try {
            RunQuery(nullptr, &Reader, R"sql(Select count(*) from Owners)sql", &List);
        } catch (const EDatabaseError& E) {
            Told = E.Message();
        }
    };
    Form.progressBar->installEventFilter(&OnPaint);
    Presenter.PlanAnswer(mrYes);
    QTest::mouseClick(Form.btnNext, Qt::LeftButton);
    Form.progressBar->removeEventFilter(&OnPaint);
    EXPECT_EQ(Form.Step(), 98) << Form.labelInfo->text().toStdString();
    EXPECT_GE(PaintsUnderLock, 1);
    EXPECT_EQ(Told, "На друго работно място се възстановяват данните от архивно копие. Моля опитайте отново "
                    "след малко.");
}

TEST(ArchiveRestore, AnArchivedDatabaseThatFailsTheCheckNeverReachesTheLiveOne) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    AddOwner(1);
    // An archive made properly of a damaged database file.
    QTemporaryDir Work;
    const QString Damaged = Work.filePath("lendora.mdb");
    ASSERT_TRUE(QFile::copy(Dir.DatabaseFile(), Damaged));
    {
        QFile F(Damaged);
        ASSERT_TRUE(F.open(QIODevice::ReadWrite));
        ASSERT_GT(F.size(), 5 * 4096);
        F.seek(2 * 4096);
        F.write(QByteArray(3 * 4096, char(0x5A)));
    }
    QDir().mkpath(DatabaseDir + "Archive");
    TCabinet Cabinet;
    Cabinet.CABFileName = DatabaseDir + "Archive/20240101-120000.1.ldr";
    ASSERT_TRUE(Cabinet.StartCompression());
    ASSERT_TRUE(Cabinet.AddFile(Damaged, "lendora.mdb"));
    ASSERT_TRUE(Cabinet.FlushCabinet(false));
    Cabinet.EndCompression();
    AdoConnection->Close();
    const QByteArray Live = ReadFile(Dir.DatabaseFile());

    Presenter.PlanAnswer(mrYes);
    EXPECT_EQ(RestoreFirstArchive(), 6);
    EXPECT_EQ(ReadFile(Dir.DatabaseFile()), Live);
    EXPECT_EQ(OwnerCount(), 1);
}

TEST(ArchiveRestore, ARestoreThatCannotFinishWritingLeavesTheLiveDatabaseAsItWas) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    ExecOn(Dir.DatabaseFile(), R"sql(
        CREATE TABLE Churn (id INTEGER PRIMARY KEY, data TEXT);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
        INSERT INTO Churn SELECT i, hex(randomblob(200)) FROM n;
    )sql");
    ArchiveToServer();
    ExecOn(Dir.DatabaseFile(), R"sql(DROP TABLE Churn)sql");
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(VACUUM)sql"));
    AddOwner(3);
    AdoConnection->Close();
    const QByteArray Live = ReadFile(Dir.DatabaseFile());
    QString Info;
    {
        TDiskFullOnYes Presenter(Live.size() + 4096);
        EXPECT_EQ(RestoreFirstArchive(nullptr, &Info), 2);
    }
    // The install is rolled back whole, so no copy of the unchanged data is kept.
    EXPECT_TRUE(KeptDatabases().isEmpty());
    EXPECT_TRUE(Info.endsWith("Грешка при копиране на файловете.\nТекущите данни не са променени."))
        << Info.toStdString();
    EXPECT_EQ(ReadFile(Dir.DatabaseFile()), Live);
    EXPECT_TRUE(DatabaseFileIsSound(Dir.DatabaseFile()));
    EXPECT_EQ(OwnerCount(), 1);
}

// A window kept open, or "Отказ" pressed while the archive is checked again, stops the restore
// before the live database is touched.
TEST(ArchiveRestore, WindowsThatWillNotCloseOrACancelDuringTheCheckStopTheRestoreBeforeAnythingIsReplaced) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    ArchiveToServer();
    AddOwner(4);
    struct Case {
        const char* Name;
        bool Closed;
        bool Cancel;
        int Error;
    };
    for (const Case& C : {Case{"a window stays open", false, false, 5}, Case{"Отказ", true, true, 5},
                          Case{"restored", true, false, 0}}) {
        int Asked = 0;
        const auto Closing = [&] {
            ++Asked;
            if (C.Cancel)
                QTimer::singleShot(0, [] {
                    for (QWidget* Top : QApplication::topLevelWidgets())
                        if (auto* Wizard = qobject_cast<TformArchive*>(Top))
                            QTest::mouseClick(Wizard->btnCancel, Qt::LeftButton);
                });
            return C.Closed;
        };
        Presenter.PlanAnswer(mrYes);
        QString Info;
        EXPECT_EQ(RestoreFirstArchive(Closing, &Info), C.Error) << C.Name;
        EXPECT_EQ(Asked, 1) << C.Name;
        if (C.Error == 0) {
            EXPECT_EQ(OwnerCount(), 0);
            continue;
        }
        EXPECT_TRUE(Info.endsWith("Прекъсване от потребителя.\nТекущите данни не са променени."))
            << Info.toStdString();
        EXPECT_EQ(OwnerCount(), 1) << C.Name;
        EXPECT_TRUE(KeptDatabases().isEmpty()) << C.Name;
    }
}

// Another workstation restoring in the same seconds is still writing its kept copy: that name is
// taken, and its work file is left alone.
TEST(ArchiveRestore, AKeptCopyBeingWrittenByAnotherWorkstationKeepsItsName) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    ArchiveToServer();
    AddOwner(7);
    QStringList Others;
    const auto OtherIsWriting = [&] {
        const QDateTime Now = QDateTime::currentDateTime();
        for (int Second = 0; Second < 3; ++Second) {
            Others << DatabaseDir + "Lendora-" + ArchiveBaseName(Now.addSecs(Second)) + ".mdb.part";
            Touch(Others.last(), "other");
        }
        return true;
    };
    Presenter.PlanAnswer(mrYes);
    EXPECT_EQ(RestoreFirstArchive(OtherIsWriting), 0);
    EXPECT_EQ(OwnerCount(), 0);
    for (const QString& Other : Others)
        EXPECT_EQ(ReadFile(Other), "other") << Other.toStdString();
    const QStringList Kept = KeptDatabases();
    ASSERT_EQ(Kept.size(), 1);
    EXPECT_TRUE(DatabaseFileIsSound(DatabaseDir + Kept[0]));
}

// Two workstations restore at once and take their kept copies' names in the same second: each
// success names a file that is there, and the data from before the restores are in one of them.
TEST(ArchiveRestore, TwoRestoresInTheSameSecondEachKeepWhatTheyReplaced) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    ArchiveToServer();
    AddOwner(7);
    AdoConnection->Close();
    const QDateTime Soon = QDateTime::currentDateTime().addSecs(2);
    const QDateTime Second(Soon.date(),
                           QTime(Soon.time().hour(), Soon.time().minute(), Soon.time().second()));
    const auto InThatSecond = [Second] {
        QThread::msleep(qMax<qint64>(0, QDateTime::currentDateTime().msecsTo(Second) + 20));
        return true;
    };
    const QString ChildInfo = Dir.Path() + "child-info.txt";
    Presenter.PlanAnswer(mrYes); // answered in both processes
    const pid_t Child = StartInChild([&] {
        QString Info;
        const int Code = RestoreFirstArchive(InThatSecond, &Info);
        QFile F(ChildInfo);
        return F.open(QIODevice::WriteOnly) && F.write(Info.toUtf8()) > 0 ? Code : 99;
    });
    QString Info;
    EXPECT_EQ(RestoreFirstArchive(InThatSecond, &Info), 0) << Info.toStdString();
    EXPECT_EQ(WaitForChild(Child), 0) << ReadFile(ChildInfo).toStdString();
    int WithTheFormerData = 0;
    for (const QString& Shown : {Info, QString::fromUtf8(ReadFile(ChildInfo))}) {
        const QString Kept = Shown.section("във файл ", 1).chopped(1);
        ASSERT_TRUE(QFileInfo::exists(Kept)) << Shown.toStdString();
        TAdoConnection Connection(Kept);
        TDelimitedStringList List;
        RunQuery(nullptr, &Connection, R"sql(Select count(*) from Owners Where EGN = 7)sql", &List);
        WithTheFormerData += List.Get(0).toInt();
    }
    EXPECT_EQ(WithTheFormerData, 1);
}

TEST(ArchiveNames, BaseNamesVolumesAndFloppyLabels) {
    EXPECT_EQ(ArchiveBaseName(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))), "20240305-070809");
    EXPECT_EQ(ArchiveVolumeName("20240305-070809", 1), "20240305-070809.1.ldr");
    EXPECT_EQ(ArchiveVolumeName("20240305-070809", 12), "20240305-070809.12.ldr");
    EXPECT_EQ(FloppyVolumeLabel(2, 3), "LDR#2-3");
    EXPECT_EQ(ArchiveBaseNameOf({"05.03.2024", "07:08:09"}), "20240305-070809");
    struct Case {
        QString Label;
        int Count;
    };
    for (const Case& C : QList<Case>{{"LDR#1-3", 3}, {"LDR#2-12", 12}, {"LDR#1", 1}, {"LDR#1-x", 1}, {"", 1}})
        EXPECT_EQ(VolumeCountFromLabel(C.Label), C.Count) << C.Label.toStdString();
}

TEST(ArchiveNames, TheListShowsEachArchiveOnceByItsFirstVolume) {
    QTemporaryDir Dir;
    for (const char* Name :
         {"20240305-070809.1.ldr", "20240305-070809.2.ldr", "20240305-070809.3.ldr", "20231231-235959.1.LDR",
          "20240101-120000.2.ldr", "abcdefgh-ijklmn.1.ldr", "20241399-120000.1.ldr", "notes.txt"})
        Touch(Dir.filePath(Name));
    EXPECT_EQ(FindArchives(Dir.path()),
              (QList<TArchiveRow>{{"31.12.2023", "23:59:59"}, {"05.03.2024", "07:08:09"}}));
    EXPECT_TRUE(FindArchives(Dir.filePath("missing")).isEmpty());
}

TEST(ArchiveFiles, DeleteDirectoryTreeRemovesReadOnlyContentAndFileSizeByNameIsZeroWhenMissing) {
    QTemporaryDir Dir;
    const QString Tree = Dir.filePath("t");
    QDir().mkpath(Tree + "/a/b");
    Touch(Tree + "/a/b/f", "12345");
    QFile::setPermissions(Tree + "/a/b/f", QFileDevice::ReadOwner);
    EXPECT_EQ(FileSizeByName(Tree + "/a/b/f"), 5);
    EXPECT_EQ(FileSizeByName(Tree + "/none"), 0);
    EXPECT_EQ(FileSizeByName(Tree), 0);
    EXPECT_TRUE(DeleteDirectoryTree(Tree));
    EXPECT_FALSE(QFileInfo::exists(Tree));
    EXPECT_TRUE(DeleteDirectoryTree(Tree));
}

TEST(ArchiveFiles, FloppyLabelsAreWrittenAndReadOnAFatImage) {
    if (QStandardPaths::findExecutable("mkfs.fat").isEmpty() && !QFileInfo::exists("/usr/sbin/mkfs.fat") &&
        !QFileInfo::exists("/sbin/mkfs.fat"))
        GTEST_SKIP() << "dosfstools is not installed";
    QTemporaryDir Dir;
    const QString Image = Dir.filePath("floppy.img");
    QProcess Make;
    const QString MkFs = QFileInfo::exists("/usr/sbin/mkfs.fat") ? "/usr/sbin/mkfs.fat" : "mkfs.fat";
    Make.start(MkFs, {"-C", Image, "1440"});
    ASSERT_TRUE(Make.waitForFinished(30000));
    ASSERT_EQ(Make.exitCode(), 0) << Make.readAllStandardError().toStdString();
    ASSERT_TRUE(WriteFatLabel(Image, FloppyVolumeLabel(2, 3)));
    EXPECT_EQ(ReadFatLabel(Image), std::optional<QString>("LDR#2-3"));
    EXPECT_FALSE(ReadFatLabel(Dir.filePath("none.img")).has_value());
    EXPECT_FALSE(WriteFatLabel(Dir.filePath("none.img"), "X"));
}

TEST(ArchiveFiles, AMountedFloppyRefusesToEraseAFolderThatIsNotAFatMountPoint) {
    QTemporaryDir Dir;
    Touch(Dir.filePath("keep"));
    TMountedFloppy Floppy(Dir.path());
    EXPECT_EQ(Floppy.Root(), Dir.path() + "/");
    EXPECT_FALSE(Floppy.Erase());
    EXPECT_TRUE(QFile::exists(Dir.filePath("keep")));
    EXPECT_FALSE(TMountedFloppy("/").Erase());
}

TEST(ArchiveWizard, ArchivesToTheServerAndRestoresTheChosenArchive) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    AddOwner(1);
    {
        TformArchive Form(nullptr, TformArchive::amArchive);
        EXPECT_EQ(Form.Step(), 20);
        EXPECT_TRUE(Form.radioServer->isChecked());
        EXPECT_EQ(Form.groupMedium->title(), " Създаване на архивно копие на ");
        EXPECT_FALSE(Form.btnBack->isEnabled());
        EXPECT_EQ(Form.btnCancel->text(), "О&тказ");
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.Step(), 99) << Form.labelInfo->text().toStdString();
        EXPECT_FALSE(Form.btnNext->isEnabled());
        EXPECT_EQ(Form.btnCancel->text(), "&Изход");
        const QStringList Volumes = QDir(DatabaseDir + "Archive").entryList(QDir::Files);
        ASSERT_EQ(Volumes.size(), 1);
        EXPECT_EQ(Form.labelInfo->text(), "Архивирането на данните е извършено успешно.\nАрхивното копие е "
                                          "записано в папка " +
                                              DatabaseDir + "Archive: " + Volumes[0] + ".");
    }
    const QStringList Volumes = QDir(DatabaseDir + "Archive").entryList(QDir::Files);
    ASSERT_EQ(Volumes.size(), 1);
    EXPECT_TRUE(Volumes[0].endsWith(".1.ldr"));
    EXPECT_EQ(OwnerCount(), 1); // the connection works again after the archive

    AddOwner(2);
    ASSERT_EQ(OwnerCount(), 2);
    auto* Form = new TformArchive(nullptr, TformArchive::amRestore);
    EXPECT_EQ(Form->Step(), 0);
    EXPECT_FALSE(Form->btnNext->isEnabled());
    ASSERT_EQ(Form->listArchives->topLevelItemCount(), 1);
    Form->listArchives->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(Form->btnNext->isEnabled());
    Presenter.PlanAnswer(mrYes); // replace the current data
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->Step(), 98) << Form->labelInfo->text().toStdString();
    ASSERT_EQ(KeptDatabases().size(), 1);
    EXPECT_EQ(Form->labelInfo->text(), "Възстановяването на данните е извършено успешно.\nПредишните данни "
                                       "са запазени във файл " +
                                           DatabaseDir + KeptDatabases()[0] + ".");
    EXPECT_EQ(OwnerCount(), 1);
    EXPECT_FALSE(QFile::exists(DatabaseDir + DatabaseFileName + ".restore"));
    delete Form;
    EXPECT_EQ(Presenter.Messages().size(), 1) << Presenter.Texts().join('|').toStdString();
}

TEST(ArchiveWizard, ABadArchiveOrALockedDatabaseFailsTheRestoreAndLeavesTheLiveDatabaseUntouched) {
    enum TBreak { Garbage, Foreign, Truncated, MissingVolume, Reading, Saving };
    struct Case {
        const char* Name;
        TBreak Break;
        int Error;
    };
    const Case Cases[] = {
        {"damaged", Garbage, 6},
        {"foreign", Foreign, 6},
        {"truncated", Truncated, 6},
        {"missing volume", MissingVolume, 6},
        {"another workstation reads", Reading, 2},
        {"another workstation saves", Saving, 2},
    };
    for (const Case& C : Cases) {
        TTempProgramDir Dir;
        TTempRegistry Registry;
        TScriptedPresenter Presenter;
        const QString Archive = DatabaseDir + "Archive/";
        QDir().mkpath(Archive);
        if (C.Break == Garbage || C.Break == Foreign) {
            Touch(Archive + "20240101-120000.1.ldr",
                  C.Break == Garbage ? QByteArray("MSCF but not really a cabinet")
                                     : QByteArray("PK\x03\x04", 4) + QByteArray(5000, 'z'));
        } else {
            // A set of several volumes.
            ExecOn(Dir.DatabaseFile(), R"sql(
                CREATE TABLE Churn (id INTEGER PRIMARY KEY, data TEXT);
                WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200)
                INSERT INTO Churn SELECT i, hex(randomblob(100)) FROM n;
            )sql");
            TCabinet Cabinet;
            Cabinet.VolumeSize = C.Break == MissingVolume ? 3000 : 100000000;
            Cabinet.CABFileName = Archive + ArchiveVolumeName("20240101-120000", 1);
            Cabinet.OnGetNextCabinet = [&](TCabinet*, TCabParameters& Next, QString& Name, qint64, bool&) {
                Name = Archive + ArchiveVolumeName("20240101-120000", Next.CabinetNumber + 1);
            };
            ASSERT_TRUE(Cabinet.StartCompression());
            ASSERT_TRUE(Cabinet.AddFile(Dir.DatabaseFile(), "lendora.mdb"));
            ASSERT_TRUE(Cabinet.FlushCabinet(false));
            Cabinet.EndCompression();
            const QStringList Volumes = QDir(Archive).entryList(QDir::Files, QDir::Name);
            if (C.Break == MissingVolume) {
                ASSERT_GE(Volumes.size(), 3) << C.Name;
                QFile::remove(Archive + Volumes[1]);
            } else if (C.Break == Truncated) {
                QFile::resize(Archive + Volumes[0], QFileInfo(Archive + Volumes[0]).size() / 2);
            }
        }
        AddOwner(7);
        AdoConnection->Close();
        const QByteArray Live = ReadFile(Dir.DatabaseFile());
        sqlite3* Other = nullptr;
        const bool Locked = C.Break == Reading || C.Break == Saving;
        if (Locked) {
            ASSERT_EQ(sqlite3_open(QFile::encodeName(Dir.DatabaseFile()).constData(), &Other), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(Other,
                                   C.Break == Reading ? R"sql(BEGIN; SELECT count(*) FROM sqlite_schema;)sql"
                                                      : R"sql(BEGIN IMMEDIATE)sql",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
        }
        {
            TformArchive Form(nullptr, TformArchive::amRestore);
            Form.radioPath->setChecked(C.Break != Garbage && C.Break != Foreign);
            Form.editDirectory->setText(Archive);
            Form.FillArchiveList();
            ASSERT_EQ(Form.listArchives->topLevelItemCount(), 1) << C.Name;
            Form.listArchives->topLevelItem(0)->setSelected(true);
            Presenter.PlanAnswer(mrYes);
            QTest::mouseClick(Form.btnNext, Qt::LeftButton);
            EXPECT_EQ(Form.Step(), -1) << C.Name;
            EXPECT_EQ(Form.ErrorCode(), C.Error) << C.Name;
            EXPECT_EQ(Form.btnCancel->text(), "&Изход");
            const QString Busy =
                "Грешка при копиране на файловете.\nБазата данни се използва от друго работно "
                "място. Моля опитайте отново по-късно.\nТекущите данни не са променени.";
            EXPECT_TRUE(!Locked || Form.labelInfo->text().endsWith(Busy))
                << C.Name << ": " << Form.labelInfo->text().toStdString();
        }
        EXPECT_TRUE(KeptDatabases().isEmpty()) << C.Name;
        sqlite3_close(Other);
        EXPECT_EQ(ReadFile(Dir.DatabaseFile()), Live) << C.Name;
        EXPECT_EQ(OwnerCount(), 1) << C.Name;
    }
}

// A disk that fills while the database is copied or while the cabinet is written fails the
// archive and leaves no volume; a failed cabinet names the file and the reason.
TEST(ArchiveWizard, AFullDiskFailsTheArchiveAndLeavesNoVolume) {
    struct Case {
        const char* Name;
        QString FullAt;
        int Error;
    };
    for (const Case& C : {Case{"copy", "Изтегляне на данните ...", 2},
                          Case{"cabinet", "Компресиране на архивното копие ...", 7}}) {
        TTempProgramDir Dir;
        TTempRegistry Registry;
        TScriptedPresenter Presenter;
        AddOwner(1);
        ExecOn(Dir.DatabaseFile(), R"sql(
            CREATE TABLE Ballast (data BLOB);
            WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
            INSERT INTO Ballast SELECT randomblob(1000) FROM n;
        )sql");
        TformArchive Form(nullptr, TformArchive::amArchive);
        std::optional<TFileSizeLimit> Full;
        auto* Watch = new QTimer(&Form);
        QObject::connect(Watch, &QTimer::timeout, [&] {
            if (!Full && Form.labelStatus->text() == C.FullAt) Full.emplace(100000);
        });
        Watch->start(0);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        Full.reset();
        EXPECT_EQ(Form.ErrorCode(), C.Error) << C.Name;
        const QString Info = Form.labelInfo->text();
        EXPECT_TRUE(C.Error != 7 || (Info.contains("\nФайлът /") &&
                                     Info.endsWith(" не можа да бъде записан. Файлът е по-голям, отколкото "
                                                   "носителят позволява.")))
            << Info.toStdString();
        EXPECT_TRUE(FilesUnder(DatabaseDir + "Archive").isEmpty()) << C.Name;
        EXPECT_EQ(OwnerCount(), 1) << C.Name;
    }
}

// The operator swaps the disks at each prompt, but once presses OK with the disk just written
// still in, and once puts an earlier disk of the set back: neither is erased, the prompt comes
// again, and each disk ends with its own volume and label.
TEST(ArchiveWizard, ArchivesOntoSeveralFloppiesAndRestoresFromThem) {
    TFloppyShop Shop(20);
    const qint64 Capacity = 1200;

    auto* Form = new TformArchive(nullptr, TformArchive::amArchive,
                                  std::make_unique<TFakeFloppy>(&Shop.Drive, Capacity, &Shop.Labels));
    EXPECT_EQ(Form->Medium(), 1);
    Form->editVolumeSize->setText("800");
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    ASSERT_EQ(Form->Step(), 24) << Form->labelInfo->text().toStdString();
    EXPECT_TRUE(Form->checkDeleteDisk->isVisibleTo(Form));
    EXPECT_FALSE(Form->groupMedium->isEnabled());
    Touch(Shop.Disk(1) + "old.txt");
    Form->checkDeleteDisk->setChecked(true);
    int Next = 2;
    Shop.Presenter.Acts = {[] {}, [&] { Shop.Drive = Shop.Disk(Next++); },
                           [&] { Shop.Drive = Shop.Disk(1); }};
    for (int I = 0; I < 20; ++I)
        Shop.Presenter.Acts << [&] { Shop.Drive = Shop.Disk(Next++); };
    for (int I = 0; I < 23; ++I)
        Shop.Presenter.PlanAnswer(mrOk);
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    ASSERT_EQ(Form->Step(), 99) << Form->labelInfo->text().toStdString();
    const int Count = Next - 1;
    ASSERT_GE(Count, 3);
    ASSERT_EQ(RunFolders().size(), 1);
    const QString TempFolder = RunFolders()[0];
    QStringList Volumes = QDir(TempFolder).entryList({"*.ldr"}, QDir::Files, QDir::Name);
    ASSERT_EQ(Volumes.size(), Count);
    const QString Base = Volumes[0].section('.', 0, 0);
    EXPECT_EQ(Form->labelInfo->text(), "Архивирането на данните е извършено успешно.\nАрхивното копие " +
                                           Base + " е записано на " + QString::number(Count) + " дискети.");
    for (int N = 1; N <= Count; ++N) {
        EXPECT_EQ(QDir(Shop.Disk(N)).entryList(QDir::Files), QStringList{ArchiveVolumeName(Base, N)}) << N;
        EXPECT_EQ(Shop.Labels.value(Shop.Disk(N)), QStringLiteral("LDR#%1-%2").arg(N).arg(Count));
        EXPECT_EQ(ReadFile(Shop.Disk(N) + ArchiveVolumeName(Base, N)),
                  ReadFile(TempFolder + ArchiveVolumeName(Base, N)));
        EXPECT_LE(QFileInfo(TempFolder + ArchiveVolumeName(Base, N)).size(), 800);
    }
    const QString Next1 = "Моля поставете следващата дискета и натиснете ОК.";
    const QString Again = "Дискетата в устройството съдържа част 1 от това архивно копие.\r" + Next1;
    QStringList Asked = {Next1, Again, Next1, Again};
    while (Asked.size() < Count + 1)
        Asked << Next1;
    EXPECT_EQ(Shop.Presenter.Texts(), Asked);
    Shop.Presenter.Acts.clear();
    // All volumes on one fake disk for the restore, with the first disk's label.
    QTemporaryDir Floppy;
    for (const QString& Volume : Volumes)
        QFile::copy(TempFolder + Volume, Floppy.filePath(Volume));
    delete Form;
    // Closing removes the run's temporary files.
    EXPECT_TRUE(QDir(TemporaryFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(ReadRegString("formArchive_radioFloppy"), "1");
    EXPECT_EQ(ReadRegString("formArchive_radioServer"), "0");
    Shop.Drive = Floppy.path() + "/";

    AddOwner(5);
    const int Before = OwnerCount();
    Shop.Presenter.Clear();
    Shop.Labels = {{Shop.Drive, QStringLiteral("LDR#1-%1").arg(Count)}};
    Form = new TformArchive(nullptr, TformArchive::amRestore,
                            std::make_unique<TFakeFloppy>(&Shop.Drive, Capacity, &Shop.Labels));
    ASSERT_EQ(Form->listArchives->topLevelItemCount(), 1);
    Form->listArchives->topLevelItem(0)->setSelected(true);
    Shop.Presenter.PlanAnswer(mrYes);
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->Step(), 98) << Form->labelInfo->text().toStdString();
    EXPECT_EQ(OwnerCount(), Before - 1);
    delete Form;

    // A first disk whose label cannot be read.
    Shop.Labels.clear();
    Form = new TformArchive(nullptr, TformArchive::amRestore,
                            std::make_unique<TFakeFloppy>(&Shop.Drive, Capacity, &Shop.Labels));
    Form->listArchives->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->ErrorCode(), 14);
    delete Form;
    EXPECT_EQ(OwnerCount(), Before - 1);

    // The operator has no second disk and cancels: nothing was changed, and the wizard says so.
    Shop.Labels = {{Shop.Drive, QStringLiteral("LDR#1-%1").arg(Count)}};
    QFile::remove(Floppy.filePath(Volumes[1]));
    Shop.Presenter.Clear();
    Shop.Presenter.PlanAnswer(mrCancel);
    Form = new TformArchive(nullptr, TformArchive::amRestore,
                            std::make_unique<TFakeFloppy>(&Shop.Drive, Capacity, &Shop.Labels));
    Form->listArchives->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->ErrorCode(), 5);
    EXPECT_TRUE(Form->labelInfo->text().endsWith("Текущите данни не са променени."))
        << Form->labelInfo->text().toStdString();
    EXPECT_TRUE(FilesUnder(TemporaryFolder()).filter(".ldr").isEmpty());
    delete Form;
    EXPECT_EQ(OwnerCount(), Before - 1);
}

// A volume exactly as large as the empty disk fits; the success page counts the disks written,
// however many volumes share one; a disk kept as it is that holds another archive gets this set's
// label only when the operator agrees, or is swapped for another disk.
TEST(ArchiveWizard, FloppySetsCountTheirDisksAndRelabelAnotherSetsDiskOnlyWhenAsked) {
    enum TDisk { ExactlyTheVolume, RoomForTwo, OtherSetSwapped, OtherSetKeptIn, OtherSetOverwritten };
    const QString Question = "Дискетата в устройството съдържа архивно копие 20240101-120000, което няма да "
                             "може да бъде възстановено, ако на нея се запише и това.\rДа се запише ли "
                             "архивното копие на тази дискета?";
    const QString NextDisk = "Моля поставете следващата дискета и натиснете ОК.";
    const QString StillKept =
        "Дискетата в устройството съдържа архивно копие 20240101-120000, което избрахте да запазите.\r" +
        NextDisk;
    for (const TDisk C :
         {ExactlyTheVolume, RoomForTwo, OtherSetSwapped, OtherSetKeptIn, OtherSetOverwritten}) {
        SCOPED_TRACE(int(C));
        TFloppyShop Shop(9);
        const bool OtherSet = C == OtherSetSwapped || C == OtherSetKeptIn || C == OtherSetOverwritten;
        if (OtherSet) {
            Touch(Shop.Disk(1) + "20240101-120000.1.ldr", "older set");
            Shop.Labels[Shop.Disk(1)] = "LDR#1-1";
        }
        auto Floppy = std::make_unique<TFakeFloppy>(&Shop.Drive, 100000, &Shop.Labels);
        TFakeFloppy* Medium = Floppy.get();
        TformArchive Form(nullptr, TformArchive::amArchive, std::move(Floppy));
        Form.editVolumeSize->setText(C == ExactlyTheVolume ? "1400000" : "800");
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        ASSERT_EQ(Form.Step(), 24);
        const QString Run = RunFolders().value(0);
        const QStringList Volumes = QDir(Run).entryList({"*.ldr"}, QDir::Files, QDir::Name);
        const QString Base = Volumes.value(0).section('.', 0, 0);
        ASSERT_TRUE(C == ExactlyTheVolume ? Volumes.size() == 1 : Volumes.size() >= 3) << Volumes.size();
        const auto Size = [&](int I) { return QFileInfo(Run + Volumes[I]).size(); };
        if (C == ExactlyTheVolume) Medium->Capacity = Size(0);
        if (C == RoomForTwo) Medium->Capacity = Size(0) + Size(1);
        int Next = 2;
        if (OtherSet) {
            Shop.Presenter.Acts << [] {};
            Shop.Presenter.PlanAnswer(C == OtherSetOverwritten ? mrYes : mrNo);
        }
        if (C == OtherSetKeptIn) { // OK with that disk still in the drive
            Shop.Presenter.Acts << [] {};
            Shop.Presenter.PlanAnswer(mrOk);
        }
        for (int I = 0; I < 9; ++I) {
            Shop.Presenter.Acts << [&] { Shop.Drive = Shop.Disk(Next++); };
            Shop.Presenter.PlanAnswer(mrOk);
        }
        Form.checkDeleteDisk->setChecked(!OtherSet);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        ASSERT_EQ(Form.Step(), 99) << Form.labelInfo->text().toStdString();

        int Disks = 0;
        for (int N = 1; N <= 9; ++N)
            Disks += QDir(Shop.Disk(N)).entryList({Base + ".*"}, QDir::Files).isEmpty() ? 0 : 1;
        EXPECT_EQ(Disks, C == RoomForTwo ? (Volumes.size() + 1) / 2 : 1);
        EXPECT_EQ(Form.labelInfo->text(), "Архивирането на данните е извършено успешно.\nАрхивното копие " +
                                              Base + " е записано на " + QString::number(Disks) +
                                              (Disks == 1 ? " дискета." : " дискети."));
        const QStringList Asked = C == OtherSetSwapped       ? QStringList{Question, NextDisk}
                                  : C == OtherSetKeptIn      ? QStringList{Question, NextDisk, StillKept}
                                  : C == OtherSetOverwritten ? QStringList{Question}
                                  : C == RoomForTwo          ? QStringList(Disks - 1, NextDisk)
                                                             : QStringList();
        EXPECT_EQ(Shop.Presenter.Texts(), Asked);
        if (C == OtherSetSwapped || C == OtherSetKeptIn) {
            EXPECT_EQ(QDir(Shop.Disk(1)).entryList(QDir::Files), QStringList{"20240101-120000.1.ldr"});
            EXPECT_EQ(Shop.Labels.value(Shop.Disk(1)), "LDR#1-1");
        }
        if (C == OtherSetOverwritten) {
            EXPECT_EQ(QDir(Shop.Disk(1)).entryList(QDir::Files).size(), Volumes.size() + 1);
        }
    }
}

TEST(ArchiveWizard, AMissingDatabaseFailsTheArchiveWithACopyError) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    AdoConnection->Close();
    QFile::rename(Dir.DatabaseFile(), Dir.DatabaseFile() + ".away");
    TformArchive Form(nullptr, TformArchive::amArchive);
    QTest::mouseClick(Form.btnNext, Qt::LeftButton);
    EXPECT_EQ(Form.ErrorCode(), 2);
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_EQ(Presenter.Texts()[0], "Файл " + Dir.DatabaseFile() + " не същесвува");
    EXPECT_TRUE(QDir(DatabaseDir + "Archive").entryList(QDir::Files).isEmpty());
}

// A workstation killed in the middle of a save (a restore's replacement) leaves a hot journal:
// the next archive rolls it back and holds the data from before that save.
TEST(ArchiveWizard, AnArchiveAfterAWriterWasKilledMidSaveHoldsTheDataFromBeforeIt) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    ExecOn(Dir.DatabaseFile(), R"sql(
        CREATE TABLE Churn (id INTEGER PRIMARY KEY, data TEXT);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
        INSERT INTO Churn SELECT i, hex(randomblob(200)) FROM n;
    )sql");
    AdoConnection->Close();
    const QByteArray File = QFile::encodeName(Dir.DatabaseFile());
    ASSERT_EQ(RunInChild([] { return 0; },
                         [&] {
                             sqlite3* Db = nullptr;
                             sqlite3_open(File.constData(), &Db);
                             // A small cache: changed pages reach the file before the commit.
                             sqlite3_exec(Db,
                                          "PRAGMA cache_size = 10; BEGIN; DELETE FROM Churn WHERE id > 1000;",
                                          nullptr, nullptr, nullptr);
                             return QFileInfo::exists(File + "-journal") ? 0 : 1;
                         }),
              0);
    ArchiveToServer();
    const QStringList Volumes = QDir(DatabaseDir + "Archive").entryList({"*.1.ldr"}, QDir::Files);
    ASSERT_EQ(Volumes.size(), 1);
    QTemporaryDir Out;
    EXPECT_EQ(IntegrityOf(ExtractArchive(DatabaseDir + "Archive/" + Volumes[0], Out.path())).toStdString(),
              "ok 3000");
}

TEST(ArchiveWizard, ClosingWritesTheChoicesAndTellsTheOwner) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    QWidget Owner;
    int Closed = 0;
    struct TFilter : QObject {
        int* Count;
        explicit TFilter(int* C) : Count(C) {}
        bool eventFilter(QObject*, QEvent* E) override {
            if (E->type() == evArchiveClosed) ++*Count;
            return false;
        }
    } Filter(&Closed);
    Owner.installEventFilter(&Filter);
    auto* Form = new TformArchive(&Owner, TformArchive::amArchive);
    Form->radioPath->setChecked(true);
    Form->editDirectory->setText("/srv/backup");
    Form->show();
    QTest::mouseClick(Form->btnCancel, Qt::LeftButton);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Closed, 1);
    EXPECT_EQ(ReadRegString("formArchive_radioPath"), "1");
    EXPECT_EQ(ReadRegString("formArchive_radioServer"), "0");
    EXPECT_EQ(ReadRegString("formArchive_editDirectory"), "/srv/backup");
    delete Form;
    EXPECT_EQ(Closed, 1);

    TformArchive Again(nullptr, TformArchive::amRestore);
    EXPECT_TRUE(Again.radioPath->isChecked());
    EXPECT_EQ(Again.editDirectory->text(), "/srv/backup");
    EXPECT_EQ(Again.groupMedium->title(), " Възстановяване на архивно копие от ");
}

// The install has committed when another workstation locks the database: the check after the
// copy and the reopen wait and try again; what still could not run is said as it happened, with
// where the previous data are, and never as a plain success. The previous data are kept whatever
// happens.
TEST(ArchiveRestore, ALockRightAfterTheInstallNeverCostsThePreviousDataAndIsReportedAsItHappened) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    AddOwner(1);
    ArchiveToServer();
    const QString Check = "Проверка на базата ...";
    const QString Reopen = "Активиране на базата ...";
    struct Case {
        int Egn;
        QString LockAt;
        QString ReleaseAt; // "": at HoldMs
        int HoldMs;
        QString Info; // "": a plain success
    };
    const QString Unchecked = "Данните от архива са възстановени, но базата не можа да бъде ";
    for (const Case& C :
         {Case{10, Reopen, "", 6500, ""},
          Case{11, Check, Reopen, 60000,
               Unchecked + "проверена след копирането; отварянето ѝ отново е успешно."},
          Case{12, Reopen, "", 60000, Unchecked + "отворена отново; проверката ѝ след копирането е успешна."},
          Case{13, Check, "", 60000, Unchecked + "проверена и отворена отново."}}) {
        AddOwner(C.Egn);
        const int Before = OwnerCount();
        const QStringList KeptBefore = KeptDatabases();
        std::thread Other;
        std::promise<void> Release;
        bool Released = false;
        TformArchive Form(nullptr, TformArchive::amRestore);
        Form.listArchives->topLevelItem(0)->setSelected(true);
        // The statuses the wizard shows once the archive is in the live file.
        auto* Watch = new QTimer(&Form);
        QObject::connect(Watch, &QTimer::timeout, [&] {
            const QString Status = Form.labelStatus->text();
            if (!Other.joinable() && Status == C.LockAt)
                Other = LockFor(Dir.DatabaseFile(), C.HoldMs, Release.get_future().share());
            else if (Other.joinable() && !Released && Status == C.ReleaseAt) {
                Released = true;
                Release.set_value();
            }
        });
        Watch->start(0);
        Presenter.PlanAnswer(mrYes);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        if (!Released) Release.set_value();
        ASSERT_TRUE(Other.joinable());
        Other.join();
        QStringList Kept = KeptDatabases();
        for (const QString& Name : KeptBefore)
            Kept.removeAll(Name);
        ASSERT_EQ(Kept.size(), 1);
        TAdoConnection KeptConnection(DatabaseDir + Kept[0]);
        TDelimitedStringList List;
        RunQuery(nullptr, &KeptConnection, R"sql(SELECT count(*) FROM Owners)sql", &List);
        EXPECT_EQ(List.Get(0).toInt(), Before);
        EXPECT_EQ(Form.Step(), 98);
        EXPECT_EQ(Form.labelInfo->text(),
                  (C.Info.isEmpty() ? QString("Възстановяването на данните е извършено успешно.") : C.Info) +
                      "\nПредишните данни са запазени във файл " + DatabaseDir + Kept[0] + ".")
            << C.Egn;
        EXPECT_EQ(OwnerCount(), 1);
        EXPECT_TRUE(QDir(DatabaseDir).entryList({"*.part*"}, QDir::Files).isEmpty());
    }
}

// Another SQLite file, or sizes beyond any database of this program: refused before the question,
// with nothing extracted left behind.
TEST(ArchiveRestore, ArchivesThatCannotBeThisProgramsDatabaseAreRefusedBeforeTheQuestion) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    QTemporaryDir Work;
    const QString Foreign = Work.filePath("lendora.mdb");
    ExecOn(Foreign, R"sql(CREATE TABLE Owners (EGN INTEGER); CREATE TABLE Notes (x TEXT);)sql");
    ArchiveFileAs(Foreign, DatabaseDir + "Archive/20240101-120000.1.ldr");
    const QString Oversized = DatabaseDir + "Archive/20240102-120000.1.ldr";
    ArchiveFileAs(Dir.DatabaseFile(), Oversized);
    QByteArray Cabinet = ReadFile(Oversized);
    qToLittleEndian<quint32>(0xC0000000u,
                             Cabinet.data() + qFromLittleEndian<quint32>(Cabinet.constData() + 16));
    Touch(Oversized, Cabinet);
    AddOwner(1);
    AdoConnection->Close();
    const QByteArray Live = ReadFile(Dir.DatabaseFile());
    for (const int Error : {6, 15}) {
        TformArchive Form(nullptr, TformArchive::amRestore);
        Form.listArchives->topLevelItem(Error == 6 ? 0 : 1)->setSelected(true);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.ErrorCode(), Error);
        EXPECT_TRUE(Presenter.Messages().isEmpty());
        EXPECT_TRUE(FilesUnder(TemporaryFolder()).filter(".mdb").isEmpty());
        EXPECT_EQ(ReadFile(Dir.DatabaseFile()), Live);
    }
}

TEST(ArchiveRestore, TheRoomNeededCountsTheExtractionTheKeptCopyTheJournalAndTheGrowth) {
    // Declared, live size, free for the extraction, free beside the database, one disk.
    EXPECT_TRUE(ExtractionFits(10, 8, 10, 18, false));
    EXPECT_FALSE(ExtractionFits(10, 8, 9, 18, false) || ExtractionFits(10, 8, 10, 17, false));
    EXPECT_TRUE(ExtractionFits(10, 8, 28, 28, true) && ExtractionFits(2, 8, 18, 18, true));
    EXPECT_FALSE(ExtractionFits(10, 8, 27, 27, true));
    EXPECT_FALSE(ExtractionFits(MaxArchivedDatabaseSize + 1, 0, 1LL << 50, 1LL << 50, true));
}

// The temporary folder goes when the wizard closes, so no archive goes there, by its name or by a
// link; what a killed run left there, and beside the database, goes when the wizard starts, while
// what a running workstation works on stays.
TEST(ArchiveWizard, TheTemporaryFolderTakesNoArchiveAndOnlyWorkFilesOfRunsThatEndedGo) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    QDir().mkpath(TemporaryFolder());
    QTemporaryDir Links;
    ASSERT_TRUE(QFile::link(TemporaryFolder(), Links.filePath("temp")));
    ASSERT_TRUE(QFile::link(TemporaryFolder(), DatabaseDir + "Archive"));
    for (const QString& Folder : {TemporaryFolder(), TemporaryFolder() + "/inner/", Links.filePath("temp"),
                                  Links.filePath("temp") + "/new/", QString()}) {
        TformArchive Form(nullptr, TformArchive::amArchive);
        // "": the server's folder, a link here.
        (Folder.isEmpty() ? Form.radioServer : Form.radioPath)->setChecked(true);
        Form.editDirectory->setText(Folder);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.ErrorCode(), 16) << Folder.toStdString();
    }
    QFile::remove(DatabaseDir + "Archive");
    {
        TformArchive Form(nullptr, TformArchive::amArchive);
        Form.radioPath->setChecked(true);
        Form.editDirectory->setText(Links.path());
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.Step(), 99) << Form.labelInfo->text().toStdString();
    }

    const QString Temp = TemporaryFolder() + "/";
    Touch(Temp + "lendora.mdb"); // the one shared folder of earlier versions
    QDir().mkpath(Temp + "run-killed");
    Touch(Temp + "run-killed/lendora.mdb");
    Touch(Temp + "run-killed.lock");
    QDir().mkpath(Temp + "run-ending"); // its lock already gone
    Touch(DatabaseDir + "Lendora-20240101-120000.mdb", "");
    Touch(DatabaseDir + "Lendora-20240101-120001.mdb.part");
    Touch(DatabaseDir + "Lendora-20240101-120001.mdb.part-journal");
    Touch(DatabaseDir + "Lendora-20231231-235959.mdb", "kept");
    const QStringList AllKept = {"Lendora-20231231-235959.mdb", "Lendora-20240101-120000.mdb",
                                 "Lendora-20240101-120001.mdb.part",
                                 "Lendora-20240101-120001.mdb.part-journal", "Lendora.mdb"};
    auto Other = std::make_unique<TRunFolder>(TemporaryFolder());
    ASSERT_FALSE(Other->Path().isEmpty());
    // Another user's workstation can take the lock once the run has ended.
    EXPECT_TRUE(QFileInfo(Other->Path().chopped(1) + ".lock").permissions() & QFileDevice::ReadOther);
    Touch(Other->Path() + "lendora.mdb", "other");
    {
        TformArchive Form(nullptr, TformArchive::amRestore);
        EXPECT_TRUE(RunFolders().contains(Other->Path()));
        EXPECT_EQ(RunFolders().size(), 2);
        EXPECT_EQ(ReadFile(Other->Path() + "lendora.mdb"), "other");
        EXPECT_FALSE(QFileInfo::exists(Temp + "lendora.mdb"));
        EXPECT_FALSE(QFileInfo::exists(Temp + "run-killed"));
        EXPECT_FALSE(QFileInfo::exists(Temp + "run-killed.lock"));
        EXPECT_FALSE(QFileInfo::exists(Temp + "run-ending"));
        // The other run may be writing a kept copy.
        EXPECT_EQ(QDir(DatabaseDir).entryList(QDir::Files, QDir::Name), AllKept);
    }
    Other.reset();
    TformArchive Form(nullptr, TformArchive::amRestore);
    EXPECT_EQ(RunFolders().size(), 1);
    EXPECT_EQ(QDir(DatabaseDir).entryList(QDir::Files, QDir::Name),
              QStringList({"Lendora-20231231-235959.mdb", "Lendora.mdb"}));
}

// Workstations A and B run the wizard from one program folder. While A's operator reads the
// restore question, B opens its wizard, makes an archive, or restores another one; or something
// replaces the file A checked. A installs the archive it checked, or nothing.
TEST(ArchiveRestore, EachWorkstationRestoresTheArchiveItCheckedWhateverTheOtherDoesMeanwhile) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    AddOwner(1);
    ArchiveToServer(); // A's archive: one owner
    AddOwner(2);
    AddOwner(3);
    QTemporaryDir Work;
    const QString Other = Work.filePath("other.mdb");
    ASSERT_TRUE(CopyDatabaseFile(Dir.DatabaseFile(), Other)); // three owners
    const QString OtherFolder = Work.filePath("c/");
    ArchiveFileAs(Other, OtherFolder + "20240101-120000.1.ldr");

    enum TAct { Opens, Archives, Restores, ReplacesTheCheckedFile };
    struct Case {
        const char* Name;
        TAct Act;
        int Error;
    };
    for (const Case& C : {Case{"B opens its wizard", Opens, 0}, Case{"B makes an archive", Archives, 0},
                          Case{"B restores another archive", Restores, 0},
                          Case{"the checked file is replaced", ReplacesTheCheckedFile, 17}}) {
        AddOwner(10 + C.Act);
        const int Before = OwnerCount();
        const QStringList KeptBefore = KeptDatabases();
        TActOnMessage Presenter;
        int OtherStep = 0;
        Presenter.Acts << [&] {
            ASSERT_EQ(RunFolders().size(), 1);
            if (C.Act == ReplacesTheCheckedFile) {
                const QString Checked = RunFolders()[0] + "lendora.mdb";
                ASSERT_TRUE(QFile::remove(Checked));
                ASSERT_TRUE(QFile::copy(Other, Checked));
                return;
            }
            TformArchive B(nullptr, C.Act == Restores ? TformArchive::amRestore : TformArchive::amArchive);
            if (C.Act == Archives) {
                B.radioPath->setChecked(true);
                B.editDirectory->setText(Work.path());
                QTest::mouseClick(B.btnNext, Qt::LeftButton);
            } else if (C.Act == Restores) {
                B.radioPath->setChecked(true);
                B.editDirectory->setText(OtherFolder);
                B.FillArchiveList();
                ASSERT_EQ(B.listArchives->topLevelItemCount(), 1);
                B.listArchives->topLevelItem(0)->setSelected(true);
                QTest::mouseClick(B.btnNext, Qt::LeftButton);
            }
            OtherStep = B.Step();
        };
        Presenter.PlanAnswer(mrYes);
        Presenter.PlanAnswer(mrYes);
        QString Info;
        EXPECT_EQ(RestoreFirstArchive(nullptr, &Info), C.Error) << C.Name << ": " << Info.toStdString();
        EXPECT_EQ(OtherStep, C.Act == Opens      ? 20
                             : C.Act == Archives ? 99
                             : C.Act == Restores ? 98
                                                 : 0)
            << C.Name;
        QStringList Kept = KeptDatabases();
        for (const QString& Name : KeptBefore)
            Kept.removeAll(Name);
        if (C.Error == 0) {
            EXPECT_EQ(OwnerCount(), 1) << C.Name;
            // B's restore keeps a copy too.
            ASSERT_EQ(Kept.size(), C.Act == Restores ? 2 : 1) << C.Name;
            const QString Named = "Възстановяването на данните е извършено успешно.\nПредишните данни са "
                                  "запазени във файл " +
                                  DatabaseDir;
            EXPECT_TRUE(Info.startsWith(Named) && Kept.contains(Info.mid(Named.size()).chopped(1)))
                << C.Name << ": " << Info.toStdString();
        } else {
            EXPECT_EQ(OwnerCount(), Before) << C.Name;
            EXPECT_TRUE(Kept.isEmpty()) << C.Name;
            EXPECT_TRUE(Info.endsWith("Разархивираният файл на базата е променен след проверката му.\n"
                                      "Текущите данни не са променени."))
                << Info.toStdString();
        }
        EXPECT_TRUE(QDir(TemporaryFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
            << C.Name;
    }
}

// A volume that no empty disk takes is said with both sizes, before any disk is erased or a
// second one asked for in vain; a disk with files on it is asked to be swapped first.
TEST(ArchiveWizard, AVolumeLargerThanAnEmptyDiskStopsTheTransferAndSaysBothSizes) {
    for (const bool OldFiles : {false, true}) {
        TTempProgramDir Dir;
        TTempRegistry Registry;
        TScriptedPresenter Presenter;
        for (int I = 0; I < 5; ++I)
            Presenter.PlanAnswer(mrOk);
        Presenter.PlanAnswer(mrCancel);
        QTemporaryDir Floppy;
        const QString Drive = Floppy.path() + "/";
        if (OldFiles) Touch(Drive + "old.txt", QByteArray(100, 'o'));
        TLabels Labels;
        WriteRegString("formArchive_radioFloppy", "1");
        TformArchive Form(nullptr, TformArchive::amArchive,
                          std::make_unique<TFakeFloppy>(&Drive, 500, &Labels));
        Form.editVolumeSize->setText("800");
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        ASSERT_EQ(Form.Step(), 24);
        const QString First = QDir(RunFolders().value(0)).entryList({"*.1.ldr"}, QDir::Files).value(0);
        const qint64 Size = QFileInfo(RunFolders().value(0) + First).size();
        ASSERT_GT(Size, 500);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.ErrorCode(), 18);
        EXPECT_TRUE(Form.labelInfo->text().endsWith(
            "Архивното копие не може да бъде прехвърлено на дискети.\nЧаст 1 от архивното копие е " +
            QString::number(Size) +
            " байта, а празната дискета побира 500 байта. Моля задайте по-малък "
            "максимален размер."))
            << Form.labelInfo->text().toStdString();
        EXPECT_EQ(Presenter.Messages().size(), OldFiles ? 1 : 0);
        EXPECT_TRUE(Labels.isEmpty());
        EXPECT_TRUE(QDir(Drive).entryList(QDir::Files).isEmpty());
    }
}

// A cabinet of many one-byte entries, each in a folder of its own, would fill the disk the live
// database needs with files and folders: only the database entry is written, and a cabinet
// without one, or with two, is refused with the reason.
TEST(ArchiveRestore, OnlyTheDatabaseEntryOfACabinetIsWrittenAndTheReasonOfARefusalIsNamed) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    QTemporaryDir Work;
    const QString Tiny = Work.filePath("tiny");
    Touch(Tiny, "x");
    struct Case {
        int DatabaseEntries;
        int Error;
        QString Reason;
    };
    for (const Case& C : {Case{1, 0, ""}, Case{0, 6, "Архивът не съдържа файла на базата lendora.mdb."},
                          Case{2, 6, "Архивът съдържа повече от един файл lendora.mdb."}}) {
        const QString Archive = DatabaseDir + "Archive/";
        DeleteDirectoryTree(Archive);
        QDir().mkpath(Archive);
        TCabinet Cabinet;
        Cabinet.CABFileName = Archive + "20240101-120000.1.ldr";
        ASSERT_TRUE(Cabinet.StartCompression());
        for (int I = 0; I < 2000; ++I) {
            ASSERT_TRUE(Cabinet.AddFile(Tiny, QStringLiteral("f%1\\x").arg(I)));
            ASSERT_TRUE(Cabinet.FlushFolder());
        }
        for (int I = 0; I < C.DatabaseEntries; ++I)
            ASSERT_TRUE(Cabinet.AddFile(Dir.DatabaseFile(), "lendora.mdb"));
        ASSERT_TRUE(Cabinet.FlushCabinet(false));
        Cabinet.EndCompression();
        if (C.DatabaseEntries == 2) {
            // The second database entry declares more than any disk holds: refused before it is weighed.
            QByteArray Bytes = ReadFile(Cabinet.CABFileName);
            qint64 At = qFromLittleEndian<quint32>(Bytes.constData() + 16), Last = 0;
            for (int I = qFromLittleEndian<quint16>(Bytes.constData() + 28); I > 0; --I) {
                const qint64 NameEnd = Bytes.indexOf('\0', At + 16);
                if (Bytes.mid(At + 16, NameEnd - At - 16) == "lendora.mdb") Last = At;
                At = NameEnd + 1;
            }
            qToLittleEndian<quint32>(0xC0000000u, Bytes.data() + Last);
            Touch(Cabinet.CABFileName, Bytes);
        }
        AddOwner(20 + C.DatabaseEntries);
        const int Before = OwnerCount();

        TActOnMessage Presenter;
        QStringList Extracted;
        Presenter.Acts << [&] { Extracted = FilesUnder(RunFolders().value(0)); };
        Presenter.PlanAnswer(mrYes);
        QString Info;
        EXPECT_EQ(RestoreFirstArchive(nullptr, &Info), C.Error) << Info.toStdString();
        if (C.Error == 0) {
            ASSERT_EQ(Extracted.size(), 1);
            EXPECT_TRUE(Extracted[0].endsWith("/lendora.mdb"));
            EXPECT_EQ(OwnerCount(), Before - 1);
        } else {
            EXPECT_TRUE(Info.endsWith("Грешка при разархивиране на файловете.\n" + C.Reason))
                << Info.toStdString();
            EXPECT_TRUE(Presenter.Messages().isEmpty());
            EXPECT_EQ(OwnerCount(), Before);
        }
        EXPECT_TRUE(QDir(TemporaryFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
}

// Each run starts in an empty folder of its own; when none can be made (a file stands where the
// temporary folder goes) the run fails with error 3 and no other folder is emptied instead.
TEST(ArchiveWizard, EachRunStartsInAnEmptyFolderOfItsOwnOrFailsWithoutTouchingAnotherFolder) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    {
        TformArchive Form(nullptr, TformArchive::amArchive);
        ASSERT_EQ(RunFolders().size(), 1);
        const QString Stale = RunFolders()[0] + "stale.txt";
        Touch(Stale);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.Step(), 99);
        EXPECT_FALSE(QFileInfo::exists(Stale));
    }
    ASSERT_TRUE(QDir(TemporaryFolder()).removeRecursively());
    Touch(TemporaryFolder());
    QTemporaryDir Current;
    Touch(Current.filePath("keep"));
    const QString Before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Current.path()));
    {
        TformArchive Form(nullptr, TformArchive::amArchive);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.ErrorCode(), 3);
    }
    QDir::setCurrent(Before);
    EXPECT_TRUE(QFileInfo::exists(Current.filePath("keep")));
    EXPECT_EQ(QDir(DatabaseDir + "Archive").entryList(QDir::Files).size(), 1);
}
