#include "shell/archive/Archive.h"

#include "shell/archive/Cabinet.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unRegistry.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sqlite3.h>

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
    RunQuery(nullptr, AdoConnection, "Select count(*) from Owners", &List);
    return List.Get(0).toInt();
}

void AddOwner(int Egn) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        Format("INSERT INTO Owners (EGN, Three_names) VALUES (%d, \"Иван Петров\")", {Egn})));
}

// A floppy drive in a folder: the capacity bounds the free space, the label is kept in memory.
class TFakeFloppy : public TFloppyMedium {
public:
    TFakeFloppy(QString Root, qint64 Capacity, QStringList* Labels)
        : FRoot(std::move(Root)), FCapacity(Capacity), FLabels(Labels) {}
    QString Root() const override { return FRoot; }
    qint64 FreeSpace() const override {
        qint64 Used = 0;
        for (const QFileInfo& F : QDir(FRoot).entryInfoList(QDir::Files))
            Used += F.size();
        return FCapacity - Used;
    }
    std::optional<QString> Label() const override {
        if (FLabels->isEmpty()) return std::nullopt;
        return FLabels->last();
    }
    bool SetLabel(const QString& Label) override {
        *FLabels << Label;
        return true;
    }
    bool Erase() override {
        for (const QString& Name : QDir(FRoot).entryList(QDir::Files))
            QFile::remove(FRoot + Name);
        return true;
    }

private:
    QString FRoot;
    qint64 FCapacity;
    QStringList* FLabels;
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
        RunQuery(nullptr, &Connection, "PRAGMA integrity_check", &List);
        const QString Check = List.Get(0);
        RunQuery(nullptr, &Connection, "SELECT count(*) FROM Churn", &List);
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
        EXPECT_EQ(Form.labelInfo->text(), "Архивирането на данните е извършено успешно.");
        EXPECT_FALSE(Form.btnNext->isEnabled());
        EXPECT_EQ(Form.btnCancel->text(), "&Изход");
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
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->Step(), 98) << Form->labelInfo->text().toStdString();
    EXPECT_EQ(Form->labelInfo->text(), "Възстановяването на данните е извършено успешно.");
    EXPECT_EQ(OwnerCount(), 1);
    EXPECT_FALSE(QFile::exists(DatabaseDir + DatabaseFileName + ".restore"));
    delete Form;
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join('|').toStdString();
}

TEST(ArchiveWizard, ADamagedArchiveFailsTheRestoreAndLeavesTheLiveDatabaseUntouched) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    AddOwner(7);
    AdoConnection->Close();
    const QByteArray Live = ReadFile(Dir.DatabaseFile());
    QDir().mkpath(DatabaseDir + "Archive");
    Touch(DatabaseDir + "Archive/20240101-120000.1.ldr", "MSCF but not really a cabinet");

    {
        TformArchive Form(nullptr, TformArchive::amRestore);
        Form.listArchives->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(Form.btnNext, Qt::LeftButton);
        EXPECT_EQ(Form.Step(), -1);
        EXPECT_EQ(Form.ErrorCode(), 6);
        EXPECT_TRUE(Form.labelInfo->text().endsWith("Грешка при разархивиране на файловете."));
        EXPECT_EQ(Form.btnCancel->text(), "&Изход");
    }
    EXPECT_EQ(ReadFile(Dir.DatabaseFile()), Live);
    EXPECT_EQ(OwnerCount(), 1);
}

TEST(ArchiveWizard, ArchivesOntoSeveralFloppiesAndRestoresFromThem) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    AddOwner(1);
    QTemporaryDir Floppy;
    QStringList Labels;
    const qint64 Capacity = 1200;
    WriteRegString("formArchive_radioFloppy", "1");

    auto* Form = new TformArchive(nullptr, TformArchive::amArchive,
                                  std::make_unique<TFakeFloppy>(Floppy.path() + "/", Capacity, &Labels));
    EXPECT_EQ(Form->Medium(), 1);
    Form->editVolumeSize->setText("800");
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    ASSERT_EQ(Form->Step(), 24) << Form->labelInfo->text().toStdString();
    EXPECT_TRUE(Form->checkDeleteDisk->isVisibleTo(Form));
    EXPECT_FALSE(Form->groupMedium->isEnabled());
    Touch(Floppy.filePath("old.txt"));
    Form->checkDeleteDisk->setChecked(true);
    for (int I = 0; I < 50; ++I)
        Presenter.PlanAnswer(mrOk); // the next disk is in
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    ASSERT_EQ(Form->Step(), 99) << Form->labelInfo->text().toStdString();
    const int Count = Labels.size();
    ASSERT_GE(Count, 2);
    EXPECT_EQ(Labels.first(), QStringLiteral("LDR#1-%1").arg(Count));
    EXPECT_EQ(Labels.last(), QStringLiteral("LDR#%1-%1").arg(Count));
    ASSERT_EQ(Presenter.Messages().size(), Count - 1);
    EXPECT_EQ(Presenter.Texts().first(), "Моля поставете следващата дискета и натиснете ОК.");
    EXPECT_FALSE(QFile::exists(Floppy.filePath("old.txt")));
    const QString TempFolder = ProgramDir + "Temporary archive files";
    QStringList Volumes = QDir(TempFolder).entryList({"*.ldr"}, QDir::Files, QDir::Name);
    ASSERT_EQ(Volumes.size(), Count);
    for (const QString& Volume : Volumes)
        EXPECT_LE(QFileInfo(TempFolder + "/" + Volume).size(), 800);
    // All volumes on one fake disk for the restore, with the first disk's label.
    for (const QString& Volume : Volumes)
        QFile::copy(TempFolder + "/" + Volume, Floppy.filePath(Volume));
    delete Form;
    EXPECT_FALSE(QFileInfo::exists(TempFolder)); // closing removes the temporary files
    EXPECT_EQ(ReadRegString("formArchive_radioFloppy"), "1");
    EXPECT_EQ(ReadRegString("formArchive_radioServer"), "0");

    AddOwner(5);
    const int Before = OwnerCount();
    Presenter.Clear();
    Labels = QStringList{QStringLiteral("LDR#1-%1").arg(Count)};
    Form = new TformArchive(nullptr, TformArchive::amRestore,
                            std::make_unique<TFakeFloppy>(Floppy.path() + "/", Capacity, &Labels));
    ASSERT_EQ(Form->listArchives->topLevelItemCount(), 1);
    Form->listArchives->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->Step(), 98) << Form->labelInfo->text().toStdString();
    EXPECT_EQ(OwnerCount(), Before - 1);
    delete Form;

    // A first disk whose label cannot be read.
    Labels.clear();
    Form = new TformArchive(nullptr, TformArchive::amRestore,
                            std::make_unique<TFakeFloppy>(Floppy.path() + "/", Capacity, &Labels));
    Form->listArchives->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(Form->btnNext, Qt::LeftButton);
    EXPECT_EQ(Form->ErrorCode(), 14);
    delete Form;
    EXPECT_EQ(OwnerCount(), Before - 1);
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
