#include "core/unFileCopy.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// A pipe or socket would block the copy (or swallow it).
TEST(FileCopy, RefusesAPipeTarget) {
    QTemporaryDir Dir;
    WriteFile(Dir.filePath("small"), "data");
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
}

namespace {

bool WriteProcFile(const char* Path, const QByteArray& Text) {
    const int Fd = ::open(Path, O_WRONLY);
    const bool Ok = Fd >= 0 && ::write(Fd, Text.constData(), size_t(Text.size())) == Text.size();
    if (Fd >= 0) ::close(Fd);
    return Ok;
}

// A small disk of its own at Folder: 16 KiB and two inodes (the folder and one file).
int WithSmallDisk(const QString& Folder) {
    const QByteArray Uid = QByteArray::number(::geteuid()), Gid = QByteArray::number(::getegid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return -1;
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + Uid + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + Gid + " 1"))
        return -1;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return -1;
    return ::mount("none", QFile::encodeName(Folder).constData(), "tmpfs", 0, "size=16k,nr_inodes=2");
}

} // namespace

// Where the temporary file beside the target cannot be made, the target is rewritten in place
// only when its folder takes no new file (then all of it: a shorter source leaves no old tail);
// any other cause leaves the target as it was and says why.
TEST(FileCopy, RewritesInPlaceOnlyWhereTheFolderTakesNoNewFile) {
    QTemporaryDir Dir;
    const QByteArray Old = Pattern(70000);
    const QString Big = Dir.filePath("big"), Short = Dir.filePath("short");
    WriteFile(Big, Pattern(3 * TFileCopyNew::BlockSize));
    WriteFile(Short, "new contents");

    // A name too long for its temporary twin.
    const QString Long = Dir.filePath(QString(250, 'n'));
    WriteFile(Long, Old);
    TFileCopyNew Copy;
    TCopyRun Run(Copy);
    AllowOverwrite(Copy);
    Copy.SetSourceFile(Short);
    Copy.SetTargetFile(Long);
    EXPECT_FALSE(Copy.Execute());
    EXPECT_EQ(Run.Errors,
              QStringList{"Error creating " + Long + "\rErrorCode: " + QString::number(ENAMETOOLONG)});
    EXPECT_EQ(ReadFile(Long), Old);

    // A folder that refuses new files: the target is rewritten, and nothing is left beside it.
    const QString Locked = Dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(Locked));
    const QString Target = Locked + "/target";
    WriteFile(Target, Old);
    ASSERT_EQ(::chmod(QFile::encodeName(Locked).constData(), 0555), 0);
    const int Rewritten = RunInChild(WithoutRootOverride, [&] {
        TFileCopyNew Copy;
        AllowOverwrite(Copy);
        Copy.SetSourceFile(Short);
        Copy.SetTargetFile(Target);
        return Copy.Execute() ? 0 : 1;
    });
    ::chmod(QFile::encodeName(Locked).constData(), 0755);
    if (Rewritten == 125) GTEST_SKIP() << "no user namespace for a folder that refuses root";
    EXPECT_EQ(Rewritten, 0);
    EXPECT_EQ(ReadFile(Target), "new contents");
    EXPECT_EQ(FilesIn(Locked), QStringList{"target"});

    // No inode left, and too little room for the source: the target keeps every byte.
    const QString Disk = Dir.filePath("disk");
    ASSERT_TRUE(QDir().mkdir(Disk));
    const int Kept = RunInChild(
        [&] { return WithSmallDisk(Disk); },
        [&] {
            const QString OnDisk = Disk + "/target";
            QFile Out(OnDisk);
            if (!Out.open(QIODevice::WriteOnly) || Out.write(Old.left(8000)) != 8000) return 2;
            Out.close();
            TFileCopyNew Copy;
            QStringList Errors;
            Copy.OnError = [&Errors](TFileCopyNew*, const QString& Text) { Errors << Text; };
            AllowOverwrite(Copy);
            Copy.SetSourceFile(Big);
            Copy.SetTargetFile(OnDisk);
            if (Copy.Execute()) return 3;
            if (Errors != QStringList{"Error creating " + OnDisk + "\rErrorCode: " + QString::number(ENOSPC)})
                return 4;
            return ReadFile(OnDisk) == Old.left(8000) ? 0 : 5;
        });
    if (Kept == 125) GTEST_SKIP() << "no small disk can be mounted here";
    EXPECT_EQ(Kept, 0);
}
