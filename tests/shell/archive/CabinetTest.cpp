#include "shell/archive/Cabinet.h"

#include "tests/support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& Path) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& Path, const QByteArray& Data) {
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Data);
}

QByteArray Compressible(int Size) {
    QByteArray Data;
    for (int I = 0; Data.size() < Size; ++I)
        Data += "row " + QByteArray::number(I) + "@Ivan Petrov@" + QByteArray::number(I % 97) + "\n";
    Data.truncate(Size);
    return Data;
}

QByteArray Random(int Size) {
    QByteArray Data(Size, '\0');
    QRandomGenerator Generator(Size);
    for (char& C : Data)
        C = char(Generator.generate());
    return Data;
}

// Volume n of a set: "set.n.ldr" on disk "Diskn", named as the archive wizard names them.
struct TSetWriter {
    TCabinet Cabinet;
    QStringList Volumes;
    QList<int> Placed; // volumes counted by the placed-file event
    QStringList Errors;

    TSetWriter(const QString& Folder, qint64 VolumeSize) {
        Cabinet.CABFileName = Folder + "/set.1.ldr";
        Cabinet.VolumeName = "Disk1";
        Cabinet.VolumeSize = VolumeSize;
        Cabinet.OnGetNextCabinet = [Folder](TCabinet*, TCabParameters& P, QString& Name, qint64, bool&) {
            P.DiskName = QStringLiteral("Disk%1").arg(P.CabinetNumber + 1);
            Name = Folder + QStringLiteral("/set.%1.ldr").arg(P.CabinetNumber + 1);
        };
        Cabinet.OnFilePlacedEvent = [this](TCabinet*, TCabParameters& P, const QString&, qint64, bool,
                                           bool&) {
            if (Placed.isEmpty() || Placed.last() != P.CabinetNumber) Placed << P.CabinetNumber;
        };
        Cabinet.OnError = [this](TCabinet*, int Code, int) { Errors << QString::number(Code); };
    }

    bool Write(const QList<QPair<QString, QString>>& Files) {
        if (!Cabinet.StartCompression()) return false;
        for (const auto& [Source, Name] : Files)
            if (!Cabinet.AddFile(Source, Name)) {
                Cabinet.FlushCabinet(false);
                Cabinet.EndCompression();
                return false;
            }
        const bool Ok = Cabinet.FlushCabinet(false);
        Cabinet.EndCompression();
        return Ok;
    }
};

QStringList VolumesIn(const QString& Folder) {
    return QDir(Folder).entryList({"*.ldr"}, QDir::Files, QDir::Name);
}

// The previous and next cabinet and disk names of a volume's header.
struct THeaderNames {
    QString PrevName, PrevDisk, NextName, NextDisk;
    int Number = -1;
};

THeaderNames NamesOf(const QString& Path) {
    const QByteArray Data = ReadFile(Path);
    THeaderNames Result;
    const int Flags = quint8(Data[30]) | quint8(Data[31]) << 8;
    Result.Number = quint8(Data[34]) | quint8(Data[35]) << 8;
    int At = 36;
    auto Next = [&] {
        const int End = Data.indexOf('\0', At);
        const QString Text = QString::fromUtf8(Data.mid(At, End - At));
        At = End + 1;
        return Text;
    };
    if (Flags & 1) {
        Result.PrevName = Next();
        Result.PrevDisk = Next();
    }
    if (Flags & 2) {
        Result.NextName = Next();
        Result.NextDisk = Next();
    }
    return Result;
}

int RunTool(const QString& Program, const QStringList& Arguments, QString* Output = nullptr) {
    QProcess P;
    P.start(Program, Arguments);
    if (!P.waitForFinished(120000)) return -1;
    if (Output) *Output = QString::fromLocal8Bit(P.readAllStandardOutput() + P.readAllStandardError());
    return P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
}

bool Have(const QString& Program) {
    return !QStandardPaths::findExecutable(Program).isEmpty();
}

} // namespace

// Our writer read back by cabextract (which proves the writer against libmspack's checks), by
// 7-Zip (independent of libmspack) and by our own reader.
TEST(Cabinet, SetsOfEverySizeAndVolumeLimitAreReadBackByThreeReaders) {
    ASSERT_TRUE(Have("cabextract") && Have("7zz")) << "cabextract and 7zz are needed";
    struct Case {
        QByteArray Data;
        qint64 VolumeSize;
    };
    const QList<Case> Cases{
        {QByteArray(), 100000000},         {QByteArray("x"), 100000000},  {Compressible(32768), 100000000},
        {Compressible(32769), 100000000},  {Compressible(300000), 20000}, {Compressible(300000), 200000},
        {Random(2000000), 200000},         {Random(2000000), 20000},      {Random(32769), 20000},
        {Compressible(300000), 100000000},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(QStringLiteral("size %1, volume %2").arg(C.Data.size()).arg(C.VolumeSize).toStdString());
        QTemporaryDir Dir;
        QDir().mkpath(Dir.filePath("set"));
        WriteFile(Dir.filePath("lendora.mdb"), C.Data);
        TSetWriter Set(Dir.filePath("set"), C.VolumeSize);
        ASSERT_TRUE(Set.Write({{Dir.filePath("lendora.mdb"), "lendora.mdb"}}))
            << Set.Errors.join(',').toStdString();

        const QStringList Volumes = VolumesIn(Dir.filePath("set"));
        ASSERT_FALSE(Volumes.isEmpty());
        EXPECT_EQ(Set.Placed.size(), Volumes.size());
        for (int N = 1; N <= Volumes.size(); ++N) {
            const QString Path = Dir.filePath(QStringLiteral("set/set.%1.ldr").arg(N));
            ASSERT_TRUE(QFile::exists(Path)) << N;
            EXPECT_LE(QFileInfo(Path).size(), C.VolumeSize);
            const THeaderNames Names = NamesOf(Path);
            EXPECT_EQ(Names.Number, N - 1);
            EXPECT_EQ(Names.PrevName, N > 1 ? QStringLiteral("set.%1.ldr").arg(N - 1) : QString());
            EXPECT_EQ(Names.PrevDisk, N > 1 ? QStringLiteral("Disk%1").arg(N - 1) : QString());
            EXPECT_EQ(Names.NextName,
                      N < Volumes.size() ? QStringLiteral("set.%1.ldr").arg(N + 1) : QString());
            EXPECT_EQ(Names.NextDisk, N < Volumes.size() ? QStringLiteral("Disk%1").arg(N + 1) : QString());
        }
        if (C.VolumeSize == 100000000) EXPECT_EQ(Volumes.size(), 1);

        const QString First = Dir.filePath("set/set.1.ldr");
        QString Output;
        EXPECT_EQ(RunTool("cabextract", {"-t", First}, &Output), 0) << Output.toStdString();
        EXPECT_EQ(RunTool("cabextract", {"-q", "-d", Dir.filePath("cabextract"), First}, &Output), 0)
            << Output.toStdString();
        EXPECT_EQ(ReadFile(Dir.filePath("cabextract/lendora.mdb")), C.Data);
        EXPECT_EQ(RunTool("7zz", {"t", First}, &Output), 0) << Output.toStdString();
        EXPECT_EQ(RunTool("7zz", {"x", "-y", "-o" + Dir.filePath("7zz"), First}, &Output), 0)
            << Output.toStdString();
        EXPECT_EQ(ReadFile(Dir.filePath("7zz/lendora.mdb")), C.Data);

        TCabinet Reader;
        Reader.CABFileName = First;
        Reader.SetDestinationPath(Dir.filePath("ours"));
        EXPECT_EQ(Reader.DestinationPath(), Dir.filePath("ours") + "/");
        EXPECT_TRUE(Reader.ExtractAll()) << Reader.LastErrorCode();
        EXPECT_EQ(ReadFile(Dir.filePath("ours/lendora.mdb")), C.Data);
    }
}

TEST(Cabinet, SeveralFilesAcrossVolumesComeBackWhole) {
    QTemporaryDir Dir;
    QDir().mkpath(Dir.filePath("set"));
    const QList<QByteArray> Contents{Random(50000), QByteArray(), Compressible(70000), Random(100),
                                     Random(40000)};
    QList<QPair<QString, QString>> Files;
    for (int I = 0; I < Contents.size(); ++I) {
        WriteFile(Dir.filePath(QStringLiteral("f%1").arg(I)), Contents[I]);
        Files << qMakePair(Dir.filePath(QStringLiteral("f%1").arg(I)), QStringLiteral("sub\\f%1.bin").arg(I));
    }
    TSetWriter Set(Dir.filePath("set"), 30000);
    ASSERT_TRUE(Set.Write(Files));
    ASSERT_GT(VolumesIn(Dir.filePath("set")).size(), 3);
    QString Output;
    EXPECT_EQ(RunTool("cabextract", {"-q", "-d", Dir.filePath("cx"), Dir.filePath("set/set.1.ldr")}, &Output),
              0)
        << Output.toStdString();
    EXPECT_EQ(RunTool("7zz", {"x", "-y", "-o" + Dir.filePath("7z"), Dir.filePath("set/set.1.ldr")}, &Output),
              0)
        << Output.toStdString();
    TCabinet Reader;
    Reader.CABFileName = Dir.filePath("set/SET.1.LDR"); // names are found whatever their case
    Reader.SetDestinationPath(Dir.filePath("ours"));
    ASSERT_TRUE(Reader.ExtractAll()) << Reader.LastErrorCode();
    for (int I = 0; I < Contents.size(); ++I) {
        const QString Name = QStringLiteral("/sub/f%1.bin").arg(I);
        EXPECT_EQ(ReadFile(Dir.filePath("cx") + Name), Contents[I]) << I;
        EXPECT_EQ(ReadFile(Dir.filePath("7z") + Name), Contents[I]) << I;
        EXPECT_EQ(ReadFile(Dir.filePath("ours") + Name), Contents[I]) << I;
    }
}

TEST(Cabinet, AnAbortedOrFailedWriteLeavesNoVolumeBehind) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("db"), Random(300000));
    {
        // Aborted from an event, as the cancel button does through the event loop.
        TSetWriter Set(Dir.filePath(""), 20000);
        int Pieces = 0;
        Set.Cabinet.OnFolderStatus = [&Pieces](TCabinet* Sender, qint64, qint64, int&) {
            if (++Pieces == 5) Sender->Abort();
        };
        EXPECT_FALSE(Set.Write({{Dir.filePath("db"), "lendora.mdb"}}));
        EXPECT_EQ(Set.Cabinet.LastErrorCode(), ceUserAbort);
        EXPECT_FALSE(Set.Cabinet.Busy());
        EXPECT_TRUE(VolumesIn(Dir.path()).isEmpty());
    }
    {
        TSetWriter Set(Dir.filePath(""), 20000);
        Set.Cabinet.OnProgress = [](TCabinet* Sender, qint64 Done, qint64) {
            if (Done > 50000) Sender->Abort();
        };
        EXPECT_FALSE(Set.Write({{Dir.filePath("db"), "lendora.mdb"}}));
        EXPECT_EQ(Set.Cabinet.LastErrorCode(), ceUserAbort);
        EXPECT_TRUE(VolumesIn(Dir.path()).isEmpty());
    }
    {
        // A volume too small for the headers and one byte of data.
        TSetWriter Set(Dir.filePath(""), 60);
        EXPECT_FALSE(Set.Write({{Dir.filePath("db"), "lendora.mdb"}}));
        EXPECT_EQ(Set.Cabinet.LastErrorCode(), ceCabinetFile);
        EXPECT_TRUE(VolumesIn(Dir.path()).isEmpty());
    }
    {
        TSetWriter Set(Dir.filePath(""), 20000);
        EXPECT_FALSE(Set.Write({{Dir.filePath("missing"), "lendora.mdb"}}));
        EXPECT_EQ(Set.Cabinet.LastErrorCode(), ceOpenSource);
        EXPECT_TRUE(VolumesIn(Dir.path()).isEmpty());
    }
}

TEST(Cabinet, ExtractionFailsOnAMissingOrDamagedVolumeAndOnAnUnsafeName) {
    QTemporaryDir Dir;
    QDir().mkpath(Dir.filePath("set"));
    WriteFile(Dir.filePath("db"), Random(100000));
    TSetWriter Set(Dir.filePath("set"), 40000);
    ASSERT_TRUE(Set.Write({{Dir.filePath("db"), "lendora.mdb"}}));
    ASSERT_EQ(VolumesIn(Dir.filePath("set")).size(), 3);

    auto Extract = [&](const QString& First, int ExpectedError) {
        TCabinet Reader;
        Reader.CABFileName = First;
        Reader.SetDestinationPath(Dir.filePath("out"));
        EXPECT_FALSE(Reader.ExtractAll());
        EXPECT_EQ(Reader.LastErrorCode(), ExpectedError);
        EXPECT_FALSE(QFile::exists(Dir.filePath("out/lendora.mdb")));
    };
    const QByteArray Second = ReadFile(Dir.filePath("set/set.2.ldr"));
    QFile::remove(Dir.filePath("set/set.2.ldr"));
    Extract(Dir.filePath("set/set.1.ldr"), ceCabinetNotFound);
    WriteFile(Dir.filePath("set/set.2.ldr"), Second.left(Second.size() / 2));
    Extract(Dir.filePath("set/set.1.ldr"), ceCorruptCabinet);
    QByteArray Damaged = Second;
    Damaged[Damaged.size() - 100] = char(Damaged[Damaged.size() - 100] ^ 0x55);
    WriteFile(Dir.filePath("set/set.2.ldr"), Damaged);
    Extract(Dir.filePath("set/set.1.ldr"), ceCorruptCabinet);
    Extract(Dir.filePath("set/none.1.ldr"), ceCabinetNotFound);

    // The next volume found in another folder, as a handler asking for the next disk gives it.
    WriteFile(Dir.filePath("set/set.2.ldr"), Second);
    QDir().mkpath(Dir.filePath("disk3"));
    QFile::rename(Dir.filePath("set/set.3.ldr"), Dir.filePath("disk3/set.3.ldr"));
    TCabinet Reader;
    QStringList Asked;
    Reader.CABFileName = Dir.filePath("set/set.1.ldr");
    Reader.SetDestinationPath(Dir.filePath("out"));
    Reader.OnNextCabinet = [&](TCabinet*, const QString& Name, const QString& Disk, QString& Path, int,
                               bool&) {
        Asked << Name + "@" + Disk;
        Path = Dir.filePath("disk3");
    };
    EXPECT_TRUE(Reader.ExtractAll());
    EXPECT_EQ(Asked, QStringList{"set.3.ldr@Disk3"});
    EXPECT_EQ(ReadFile(Dir.filePath("out/lendora.mdb")), ReadFile(Dir.filePath("db")));

    // Started at a later volume: the file that began before it is reported as partial and skipped.
    TCabinet Later;
    QStringList Partial;
    Later.CABFileName = Dir.filePath("set/set.2.ldr");
    Later.SetDestinationPath(Dir.filePath("later"));
    Later.OnNextCabinet = Reader.OnNextCabinet;
    Later.OnPartialFile = [&](TCabinet*, const QString& Name, const QString& First, const QString& Disk,
                              bool&) { Partial << Name + "@" + First + "@" + Disk; };
    EXPECT_TRUE(Later.ExtractAll());
    EXPECT_EQ(Partial, QStringList{"lendora.mdb@set.1.ldr@Disk1"});
    EXPECT_FALSE(QFile::exists(Dir.filePath("later/lendora.mdb")));

    // A name that would climb out of the destination is refused.
    QDir().mkpath(Dir.filePath("evil"));
    TSetWriter Evil(Dir.filePath("evil"), 100000000);
    ASSERT_TRUE(Evil.Write({{Dir.filePath("db"), "..\\x"}}));
    TCabinet EvilReader;
    EvilReader.CABFileName = Dir.filePath("evil/set.1.ldr");
    EvilReader.SetDestinationPath(Dir.filePath("evil/out"));
    EXPECT_FALSE(EvilReader.ExtractAll());
    EXPECT_EQ(EvilReader.LastErrorCode(), ceTargetFile);
    EXPECT_FALSE(QFile::exists(Dir.filePath("evil/x")));
}

TEST(Cabinet, FileSupportCarriesTheFileDateAndTime) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("db"), "data");
    const QDateTime When(QDate(2023, 5, 17), QTime(14, 30, 42));
    QFile F(Dir.filePath("db"));
    ASSERT_TRUE(F.open(QIODevice::ReadWrite));
    ASSERT_TRUE(F.setFileTime(When, QFileDevice::FileModificationTime));
    F.close();
    TSetWriter Set(Dir.path(), 100000000);
    Set.Cabinet.FileSupport = true;
    ASSERT_TRUE(Set.Write({{Dir.filePath("db"), "lendora.mdb"}}));

    TCabinet Reader;
    Reader.FileSupport = true;
    Reader.CABFileName = Dir.filePath("set.1.ldr");
    Reader.SetDestinationPath(Dir.filePath("out"));
    QList<int> Seen;
    Reader.OnCopyFile = [&](TCabinet*, const QString&, qint64 Size, quint16 Date, quint16 Time, quint16,
                            TFileCopyAction&, QString&) { Seen << int(Size) << Date << Time; };
    ASSERT_TRUE(Reader.ExtractAll());
    EXPECT_EQ(Seen, QList<int>({4, DosDate(When), DosTime(When)}));
    EXPECT_EQ(QFileInfo(Dir.filePath("out/lendora.mdb")).lastModified(), When);
}

// Files share a folder until it is flushed or its data passes the threshold; the sets, in one
// volume or in several, are read back whole by cabextract, 7-Zip and our own reader.
TEST(Cabinet, FilesShareFoldersByTheThresholdAndTheFlushAndEveryReaderTakesTheSet) {
    ASSERT_TRUE(Have("cabextract") && Have("7zz")) << "cabextract and 7zz are needed";
    struct Case {
        const char* Name;
        qint64 Threshold;
        int FlushAfter; // the index of the file after which the folder is flushed, -1 none
        int Folders;    // in a set of one volume
    };
    const Case Cases[] = {
        {"one folder", 0x7FFFFFFF, -1, 1},
        {"flushed after the second file", 0x7FFFFFFF, 1, 2},
        {"threshold passed after the second file", 1000, -1, 2},
        {"flushed before the threshold", 1000, 0, 3},
        {"a folder per file", 0, -1, 5},
    };
    for (const qint64 VolumeSize : {qint64(100000000), qint64(15000)}) {
        for (const Case& C : Cases) {
            SCOPED_TRACE(QStringLiteral("%1, volume %2").arg(C.Name).arg(VolumeSize).toStdString());
            QTemporaryDir Dir;
            QDir().mkpath(Dir.filePath("set"));
            const int FileSize = VolumeSize > 15000 ? 600 : 9000;
            QList<QByteArray> Contents;
            TSetWriter Set(Dir.filePath("set"), VolumeSize);
            Set.Cabinet.FolderThreshold = C.Threshold;
            ASSERT_TRUE(Set.Cabinet.StartCompression());
            for (int I = 0; I < 5; ++I) {
                Contents << (I == 3 ? QByteArray() : Random(FileSize + I));
                WriteFile(Dir.filePath(QStringLiteral("f%1").arg(I)), Contents.last());
                ASSERT_TRUE(Set.Cabinet.AddFile(Dir.filePath(QStringLiteral("f%1").arg(I)),
                                                QStringLiteral("f%1.bin").arg(I)));
                if (I == C.FlushAfter) ASSERT_TRUE(Set.Cabinet.FlushFolder());
            }
            ASSERT_TRUE(Set.Cabinet.FlushCabinet(false));
            Set.Cabinet.EndCompression();

            const QString First = Dir.filePath("set/set.1.ldr");
            const QByteArray Head = ReadFile(First);
            if (VolumeSize > 15000)
                EXPECT_EQ(quint8(Head[26]) | quint8(Head[27]) << 8, C.Folders);
            else
                EXPECT_GT(VolumesIn(Dir.filePath("set")).size(), 2);
            QString Output;
            EXPECT_EQ(RunTool("cabextract", {"-t", First}, &Output), 0) << Output.toStdString();
            EXPECT_FALSE(Output.contains("WARNING")) << Output.toStdString();
            EXPECT_EQ(RunTool("cabextract", {"-q", "-d", Dir.filePath("cx"), First}, &Output), 0);
            EXPECT_EQ(RunTool("7zz", {"t", First}, &Output), 0) << Output.toStdString();
            EXPECT_EQ(RunTool("7zz", {"x", "-y", "-o" + Dir.filePath("7z"), First}, &Output), 0);
            TCabinet Reader;
            Reader.CpuType = cpt80386; // kept, without meaning here
            Reader.CABFileName = First;
            Reader.SetDestinationPath(Dir.filePath("ours"));
            EXPECT_TRUE(Reader.ExtractAll()) << Reader.LastErrorCode();
            EXPECT_EQ(Reader.CpuType, cpt80386);
            for (int I = 0; I < Contents.size(); ++I) {
                const QString Name = QStringLiteral("/f%1.bin").arg(I);
                EXPECT_EQ(ReadFile(Dir.filePath("cx") + Name), Contents[I]) << I;
                EXPECT_EQ(ReadFile(Dir.filePath("7z") + Name), Contents[I]) << I;
                EXPECT_EQ(ReadFile(Dir.filePath("ours") + Name), Contents[I]) << I;
            }
        }
    }
}

// The bytes of a small file sit in the stream's buffer until it is closed: a full disk shows only
// then, and the extraction must fail instead of leaving a cut file as done.
TEST(Cabinet, AWriteThatFailsOnlyAtCloseFailsTheExtraction) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("db"), Random(3000));
    TSetWriter Set(Dir.path(), 100000000);
    ASSERT_TRUE(Set.Write({{Dir.filePath("db"), "lendora.mdb"}}));
    TCabinet Reader;
    Reader.CABFileName = Dir.filePath("set.1.ldr");
    Reader.SetDestinationPath(Dir.filePath("out"));
    {
        TFileSizeLimit Full(1000);
        EXPECT_FALSE(Reader.ExtractAll());
    }
    EXPECT_EQ(Reader.LastErrorCode(), ceTargetFile);
    EXPECT_FALSE(QFile::exists(Dir.filePath("out/lendora.mdb")));
}
