#include "core/unFileCopy.h"

#include "tests/support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TCopyRun {
    QStringList Errors;
    QList<QPair<int, int>> Progress;

    explicit TCopyRun(TFileCopyNew& Copy) {
        Copy.OnError = [this](TFileCopyNew*, const QString& Text) { Errors << Text; };
        Copy.OnCopyProgress = [this](TFileCopyNew*, int R, int W) { Progress << qMakePair(R, W); };
    }
};

void WriteFile(const QString& Path, const QByteArray& Data) {
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Data);
}

QByteArray ReadFile(const QString& Path) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<missing>");
}

QByteArray Pattern(qint64 Size) {
    QByteArray Data(Size, '\0');
    for (qint64 I = 0; I < Size; ++I)
        Data[I] = char(I * 7 % 251);
    return Data;
}

void AllowOverwrite(TFileCopyNew& Copy) {
    Copy.OnOverriding = [](TFileCopyNew*, bool& Overwrite) { Overwrite = true; };
}

// The files of Folder, to see that no temporary copy is left behind.
QStringList FilesIn(const QString& Folder) {
    return QDir(Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool IsCharacterDevice(const char* Path) {
    struct stat Info;
    return ::stat(Path, &Info) == 0 && S_ISCHR(Info.st_mode);
}

} // namespace

TEST(FileCopy, ReportsMissingNamesAndIsNotBusyAfterwards) {
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    EXPECT_FALSE(Copy.Execute());
    Copy.SetSourceFile("/tmp/x");
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(Run.Errors, QStringList({"I can't copy\rSource File name missing",
                                       "I can't copy\rTarget File name missing"}));
    EXPECT_FALSE(Copy.Busy());
}

TEST(FileCopy, CopiesFilesOfEverySizeWithProgressWithinBounds) {
    QTemporaryDir Dir;
    const qint64 Block = TFileCopyNew::BlockSize;
    struct Case {
        qint64 Size;
        int ProgressCalls; // one per block plus the final 100/100
    };
    for (const Case& C : {Case{0, 1}, Case{10, 2}, Case{Block, 2}, Case{2 * Block + 1, 4}}) {
        const QString Source = Dir.filePath("src.bin"), Target = Dir.filePath("sub-less-target.bin");
        WriteFile(Source, Pattern(C.Size));
        QFile::remove(Target);
        TFileCopyNew Copy;
        TCopyRun Run(Copy);
        Copy.SetSourceFile(Source);
        Copy.SetTargetFile(Target);
        ASSERT_TRUE(Copy.Execute()) << C.Size;
        EXPECT_EQ(ReadFile(Target), Pattern(C.Size)) << C.Size;
        EXPECT_TRUE(Run.Errors.isEmpty());
        ASSERT_EQ(Run.Progress.size(), C.ProgressCalls) << C.Size;
        EXPECT_EQ(Run.Progress.last(), qMakePair(100, 100));
        for (const auto& P : Run.Progress) {
            EXPECT_GE(P.first, 0);
            EXPECT_LE(P.first, 100);
            EXPECT_EQ(P.first, P.second);
        }
    }
}

TEST(FileCopy, UsesFloppyBlocksForTargetsUnderTheFloppyFolder) {
    QTemporaryDir Dir, Floppy;
    WriteFile(Dir.filePath("v.1"), Pattern(TFileCopyNew::FloppyBlockSize));
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    Copy.SetFloppyDir(Floppy.path());
    Copy.SetSourceFile(Dir.filePath("v.1"));
    Copy.SetTargetFile(Floppy.filePath("v.1"));
    ASSERT_TRUE(Copy.Execute());
    EXPECT_EQ(Run.Progress, (QList<QPair<int, int>>{{100, 100}, {100, 100}}));
}

TEST(FileCopy, LeavesAnExistingTargetAloneUnlessTheHandlerAllowsIt) {
    QTemporaryDir Dir;
    const QString Source = Dir.filePath("a"), Target = Dir.filePath("b");
    WriteFile(Source, "new");
    WriteFile(Target, "old");
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    Copy.SetSourceFile(Source);
    Copy.SetTargetFile(Target);
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(ReadFile(Target), "old");
    Copy.OnOverriding = [](TFileCopyNew*, bool&) {};
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(ReadFile(Target), "old");
    EXPECT_TRUE(Run.Errors.isEmpty());
    AllowOverwrite(Copy);
    EXPECT_TRUE(Copy.Execute());
    EXPECT_EQ(ReadFile(Target), "new");
}

TEST(FileCopy, ReportsEveryFailureWithItsSystemErrorNumber) {
    QTemporaryDir Dir;
    const QString Plain = Dir.filePath("plain");
    WriteFile(Plain, "data");
    struct Case {
        QString Source, Target, Error;
    };
    const Case Cases[] = {
        {Plain, Plain, "Cannot copy " + Plain + " onto itself"},
        {Dir.filePath("none"), Dir.filePath("t"),
         Dir.filePath("none") + " missing or corrupted or opened for exclusive use"},
        {Dir.path(), Dir.filePath("t2"), "Error reading " + Dir.path() + "\rErrorCode: 21"},
        {Plain, Plain + "/under", "Error creating " + Plain + "/under\rErrorCode: 20"},
    };
    for (const Case& C : Cases) {
        TFileCopyNew Copy;
        TCopyRun Run(Copy);
        AllowOverwrite(Copy);
        QStringList Memo;
        Copy.SetMemo(&Memo);
        Copy.SetSourceFile(C.Source);
        Copy.SetTargetFile(C.Target);
        EXPECT_FALSE(Copy.Execute()) << C.Error.toStdString();
        EXPECT_EQ(Run.Errors, QStringList{C.Error});
        EXPECT_EQ(Memo, QStringList{"failed - " + C.Source});
        for (const auto& P : Run.Progress)
            EXPECT_NE(P, qMakePair(100, 100)) << C.Error.toStdString();
    }
}

TEST(FileCopy, RefusesTheSameFileReachedByAnotherName) {
    QTemporaryDir Dir;
    const QString Plain = Dir.filePath("plain");
    WriteFile(Plain, "data");
    ASSERT_TRUE(QFile::link(Plain, Dir.filePath("link")));
    QDir().mkpath(Dir.filePath("sub"));
    for (const QString& Other : {Dir.path() + "//plain", Dir.path() + "/./plain",
                                 Dir.filePath("sub/../plain"), Dir.filePath("link")}) {
        TFileCopyNew Copy;
        TCopyRun Run(Copy);
        AllowOverwrite(Copy);
        Copy.SetSourceFile(Plain);
        Copy.SetTargetFile(Other);
        EXPECT_FALSE(Copy.Execute()) << Other.toStdString();
        EXPECT_EQ(Run.Errors, QStringList{"Cannot copy " + Plain + " onto itself"}) << Other.toStdString();
        EXPECT_EQ(ReadFile(Plain), "data") << Other.toStdString();
    }
}

TEST(FileCopy, AFailedOrCanceledCopyLeavesTheOldTargetAsItWas) {
    QTemporaryDir Dir;
    const QString Source = Dir.filePath("big"), Target = Dir.filePath("copy");
    WriteFile(Source, Pattern(3 * TFileCopyNew::BlockSize));
    struct Case {
        const char* Name;
        bool Cancel;
        QString Error;
    };
    const Case Cases[] = {
        {"canceled", true, "Canceled"},
        {"disk full", false, "Error writing " + Target + "\rErrorCode: " + QString::number(EFBIG)},
    };
    for (const Case& C : Cases) {
        WriteFile(Target, "old contents");
        TFileCopyNew Copy;
        TCopyRun Run(Copy);
        AllowOverwrite(Copy);
        if (C.Cancel) Copy.OnCopyProgress = [](TFileCopyNew* Sender, int, int) { Sender->Cancel(); };
        Copy.SetSourceFile(Source);
        Copy.SetTargetFile(Target);
        {
            std::optional<TFileSizeLimit> Full;
            if (!C.Cancel) Full.emplace(TFileCopyNew::BlockSize + 100);
            EXPECT_FALSE(Copy.Execute()) << C.Name;
        }
        EXPECT_EQ(Run.Errors, QStringList{C.Error}) << C.Name;
        EXPECT_EQ(ReadFile(Target), "old contents") << C.Name;
        EXPECT_EQ(FilesIn(Dir.path()), QStringList({"big", "copy"})) << C.Name;
    }
    // A copy that is not replacing anything leaves nothing either; a new run starts uncanceled.
    QFile::remove(Target);
    TFileCopyNew Copy;
    Copy.OnCopyProgress = [](TFileCopyNew* Sender, int, int) { Sender->Cancel(); };
    Copy.SetSourceFile(Source);
    Copy.SetTargetFile(Target);
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(FilesIn(Dir.path()), QStringList{"big"});
    Copy.OnCopyProgress = nullptr;
    EXPECT_TRUE(Copy.Execute());
    EXPECT_EQ(ReadFile(Target), ReadFile(Source));
}

TEST(FileCopy, ReplacesTheFileALinkPointsToAndKeepsItsPermissions) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("new"), "new");
    WriteFile(Dir.filePath("real"), "old");
    QFile::setPermissions(Dir.filePath("real"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::link(Dir.filePath("real"), Dir.filePath("link")));
    TFileCopyNew Copy;
    AllowOverwrite(Copy);
    Copy.SetSourceFile(Dir.filePath("new"));
    Copy.SetTargetFile(Dir.filePath("link"));
    ASSERT_TRUE(Copy.Execute());
    EXPECT_TRUE(QFileInfo(Dir.filePath("link")).isSymLink());
    EXPECT_EQ(ReadFile(Dir.filePath("real")), "new");
    const QFileDevice::Permissions OwnerGroupOther(0x7077);
    EXPECT_EQ(QFile::permissions(Dir.filePath("real")) & OwnerGroupOther,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(FileCopy, WritesIntoADeviceInPlace) {
    if (!IsCharacterDevice("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("plain"), "data");
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    AllowOverwrite(Copy);
    Copy.SetSourceFile(Dir.filePath("plain"));
    Copy.SetTargetFile("/dev/full");
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(Run.Errors, QStringList{"Error writing /dev/full\rErrorCode: 28"});
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
}

TEST(FileCopy, CopiesTheMatchesOfAMaskWithProgressLines) {
    QTemporaryDir Dir;
    const QString From = Dir.filePath("from"), To = Dir.filePath("to/deep");
    QDir().mkpath(From + "/sub");
    WriteFile(From + "/a.txt", "A");
    WriteFile(From + "/B.TXT", "B");
    WriteFile(From + "/c.dat", "C");
    WriteFile(From + "/sub/d.txt", "D");

    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    QStringList Memo;
    Copy.SetMemo(&Memo);
    Copy.SetSourceFile(From + "/*.txt");
    Copy.SetTargetFile(To + "/");
    EXPECT_TRUE(Copy.Execute());
    EXPECT_EQ(QDir(To).entryList(QDir::Files), QStringList({"a.txt", "B.TXT"}));
    EXPECT_EQ(Memo, QStringList({"Ok - " + From + "/a.txt", "Ok - " + From + "/B.TXT"}));

    // Sub-folders are entered only when asked and when their name fits the mask.
    Copy.SetSourceFile(From + "/*");
    Copy.SetIncludeSubFolders(true);
    AllowOverwrite(Copy);
    EXPECT_TRUE(Copy.Execute());
    EXPECT_EQ(ReadFile(To + "/sub/d.txt"), "D");
    EXPECT_EQ(ReadFile(To + "/c.dat"), "C");

    Copy.SetSourceFile(From + "/*.none");
    Memo.clear();
    EXPECT_TRUE(Copy.Execute());
    EXPECT_TRUE(Memo.isEmpty());
    EXPECT_TRUE(Run.Errors.isEmpty());
}

TEST(FileCopy, RefusesToCopyAFolderIntoItself) {
    QTemporaryDir Dir;
    QDir().mkpath(Dir.filePath("sub"));
    WriteFile(Dir.filePath("a"), "A");
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    QStringList Memo;
    Copy.SetMemo(&Memo);
    Copy.SetIncludeSubFolders(true);
    Copy.SetSourceFile(Dir.filePath("*"));
    Copy.SetTargetFile(Dir.filePath("sub/copy/"));
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(Run.Errors, QStringList{"ERROR : folder recursion\r\rCan't copy !"});

    // A sibling whose name merely begins like the source folder is no recursion.
    QTemporaryDir Other;
    QDir().mkpath(Other.filePath("src/sub"));
    Copy.SetSourceFile(Other.filePath("src/*"));
    Copy.SetTargetFile(Other.filePath("src2/"));
    Run.Errors.clear();
    EXPECT_TRUE(Copy.Execute());
    EXPECT_TRUE(Run.Errors.isEmpty());
}

TEST(FileCopy, ReportsProgressLinesWithoutAMemoAsErrors) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("a"), "A");
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    Copy.SetSourceFile(Dir.filePath("*"));
    Copy.SetTargetFile(Dir.filePath("out/"));
    EXPECT_TRUE(Copy.Execute());
    EXPECT_EQ(Run.Errors, QStringList{"Error : you must assign an exsisting TMemo to memo property,\r"
                                      "before setting ShowProgressOnMemo = True"});
    Copy.SetShowProgressOnMemo(false);
    AllowOverwrite(Copy);
    Run.Errors.clear();
    EXPECT_TRUE(Copy.Execute());
    EXPECT_TRUE(Run.Errors.isEmpty());
}

// A pipe or socket would block the copy (or swallow it); a target whose folder takes no new file
// (here: a name too long for a temporary one beside it) is written in place.
TEST(FileCopy, RefusesAPipeTargetAndWritesInPlaceWhenNoTemporaryFileCanBeMade) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("small"), "data");
    WriteFile(Dir.filePath("plain"), Pattern(70000));
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    AllowOverwrite(Copy);
    Copy.SetSourceFile(Dir.filePath("small"));

    const QString Fifo = Dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Fifo).constData(), 0600), 0);
    // A reader, so that writing could not block whatever the copy does.
    const int Reader = ::open(QFile::encodeName(Fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(Reader, 0);
    Copy.SetTargetFile(Fifo);
    EXPECT_FALSE(Copy.Execute());
    ::close(Reader);
    EXPECT_EQ(Run.Errors, QStringList{"Cannot copy onto " + Fifo + ", it is not a file"});

    Run.Errors.clear();
    Copy.SetSourceFile(Dir.filePath("plain"));
    const QString Long = Dir.filePath(QString(250, 'n'));
    WriteFile(Long, "old");
    Copy.SetTargetFile(Long);
    EXPECT_TRUE(Copy.Execute()) << Run.Errors.join('|').toStdString();
    EXPECT_EQ(ReadFile(Long), Pattern(70000));
    EXPECT_TRUE(Run.Errors.isEmpty());
    EXPECT_EQ(FilesIn(Dir.path()).size(), 3); // no temporary file left beside
}
