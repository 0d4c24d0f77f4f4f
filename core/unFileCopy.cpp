#include "core/unFileCopy.h"

#include "core/unStringFuncs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Closes a descriptor on every way out of the copy.
class TFileHandle {
public:
    explicit TFileHandle(int Fd = -1) : FFd(Fd) {}
    ~TFileHandle() {
        if (FFd >= 0) ::close(FFd);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    TFileHandle(TFileHandle&& Other) noexcept : FFd(std::exchange(Other.FFd, -1)) {}
    TFileHandle& operator=(TFileHandle&& Other) noexcept {
        if (this != &Other) {
            Close();
            FFd = std::exchange(Other.FFd, -1);
        }
        return *this;
    }
    int Fd() const { return FFd; }
    // Closes now and returns the close's own result, which can carry a late write error.
    int Close() {
        const int Result = FFd >= 0 ? ::close(FFd) : 0;
        FFd = -1;
        return Result;
    }

private:
    int FFd;
};

QByteArray NativePath(const QString& Path) {
    return QFile::encodeName(Path);
}

QString WithErrorCode(const QString& Text, int Code) {
    return Text + QStringLiteral("\rErrorCode: ") + QString::number(Code);
}

QString FolderPart(const QString& Path) {
    return Path.left(Path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString NamePart(const QString& Path) {
    return Path.mid(Path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Windows masks know only "*" and "?"; "*.*" means every name, also one without a dot.
QRegularExpression MaskExpression(QString Mask) {
    if (Mask == QLatin1String("*.*")) Mask = QStringLiteral("*");
    Mask.replace(QLatin1Char('['), QLatin1String("[[]"));
    return QRegularExpression::fromWildcard(Mask, Qt::CaseInsensitive);
}

// The file a link points to (through every link), or Target itself; the copy replaces that file
// and leaves the link.
QString ResolvedTarget(const QString& Target) {
    QString Path = Target;
    for (int Depth = 0; Depth < 40; ++Depth) {
        const QFileInfo Info(Path);
        if (!Info.isSymLink()) break;
        Path = Info.symLinkTarget();
    }
    return Path;
}

// A new file beside Final with a name of its own, with Mode when one is given (else what the
// umask allows); Temporary gets its name.
TFileHandle CreateBeside(const QString& Final, int Mode, QString& Temporary) {
    const QString Folder = FolderPart(Final);
    const QString Name = NamePart(Final);
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        const QString Candidate = Folder + QLatin1Char('.') + Name + QLatin1Char('.') +
                                  QString::number(QRandomGenerator::global()->generate(), 36) +
                                  QStringLiteral(".part");
        const int Fd =
            ::open(NativePath(Candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd < 0 && errno == EEXIST) continue;
        if (Fd < 0) return TFileHandle();
        if (Mode >= 0) ::fchmod(Fd, mode_t(Mode));
        Temporary = Candidate;
        return TFileHandle(Fd);
    }
    errno = EEXIST;
    return TFileHandle();
}

// The errors of creating a file where the folder itself takes no new one.
bool FolderRefusesNewFiles(int Error) {
    return Error == EACCES || Error == EPERM || Error == EROFS;
}

// Reads the open file Fd to its end; false (errno set) when a read fails.
bool ReadableWhole(int Fd) {
    std::vector<char> Buffer(1 << 16);
    for (;;) {
        const ssize_t Got = ::read(Fd, Buffer.data(), Buffer.size());
        if (Got == 0) return true;
        if (Got < 0 && errno != EINTR) return false;
    }
}

int Percent(qint64 Done, qint64 Size) {
    return Size > 0 ? int(qMin<qint64>(Done * 100 / Size, 100)) : 100;
}

} // namespace

bool FolderWithin(const QString& Inner, const QString& Outer) {
    const QString In = QDir::cleanPath(QDir(Inner).absolutePath()) + QLatin1Char('/');
    const QString Out = QDir::cleanPath(QDir(Outer).absolutePath()) + QLatin1Char('/');
    return In.startsWith(Out);
}

TFileCopyNew::TFileCopyNew(QObject* Owner) : QObject(Owner) {}

bool TFileCopyNew::Execute() {
    FCanceled = false;
    FErrorCode = 0;
    FBusy = true;
    bool Result = false;
    if (FSourceFile.isEmpty())
        ReportError(QStringLiteral("I can't copy\rSource File name missing"));
    else if (FTargetFile.isEmpty())
        ReportError(QStringLiteral("I can't copy\rTarget File name missing"));
    else
        Result = CopyPath(FSourceFile, FTargetFile);
    FBusy = false;
    return Result;
}

bool TFileCopyNew::CopyPath(const QString& Source, const QString& Target) {
    if (NamePart(Source).contains(QLatin1Char('*'))) return CopyMatches(Source, Target);
    const bool Ok = CopyOneFile(Source, Target);
    if (FMemo) FMemo->append((Ok ? QStringLiteral("Ok - ") : QStringLiteral("failed - ")) + Source);
    return Ok;
}

bool TFileCopyNew::CopyMatches(const QString& Source, const QString& Target) {
    const QString SourceFolder = FolderPart(Source);
    const QString TargetFolder = EnsureTrailing(FolderPart(Target), QStringLiteral("/"));
    const QString Mask = NamePart(Source);
    const QRegularExpression Matcher = MaskExpression(Mask);

    const QDir Folder(SourceFolder.isEmpty() ? QStringLiteral(".") : SourceFolder);
    const QFileInfoList Entries = Folder.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& Entry : Entries) {
        const QString Name = Entry.fileName();
        if (!Matcher.match(Name).hasMatch()) continue;
        QDir().mkpath(TargetFolder);
        const QString SourceName = SourceFolder + Name;
        const QString TargetName = TargetFolder + Name;
        if (Entry.isDir() && !Entry.isSymLink()) {
            if (!FIncludeSubFolders) continue;
            if (FolderWithin(TargetFolder, Folder.path())) {
                ReportError(QStringLiteral("ERROR : folder recursion\r\rCan't copy !"));
                return false;
            }
            QDir().mkpath(TargetName);
            if (!CopyMatches(SourceName + QLatin1Char('/') + Mask, TargetName + QLatin1Char('/')))
                return false;
            continue;
        }
        if (!CopyOneFile(SourceName, TargetName)) {
            AddProgressLine(QStringLiteral("failed - ") + SourceName);
            return false;
        }
        AddProgressLine(QStringLiteral("Ok - ") + SourceName);
    }
    return true;
}

bool TFileCopyNew::CopyOneFile(const QString& Source, const QString& Target) {
    const QString OntoItself = QStringLiteral("Cannot copy ") + Source + QStringLiteral(" onto itself");
    if (Source == Target) {
        ReportError(OntoItself);
        return false;
    }
    const qint64 Block = IsOnFloppy(Target) ? FloppyBlockSize : BlockSize;

    struct stat SourceInfo;
    {
        TFileHandle Probe(::open(NativePath(Source).constData(), O_RDONLY | O_CLOEXEC));
        if (Probe.Fd() < 0 || ::fstat(Probe.Fd(), &SourceInfo) != 0) {
            ReportError(Source + QStringLiteral(" missing or corrupted or opened for exclusive use"));
            return false;
        }
    }
    const qint64 Size = SourceInfo.st_size;

    // "dir//file", "dir/./file" or a link are the source under another name: writing would
    // destroy what is being read.
    struct stat TargetInfo;
    const bool TargetExists = ::stat(NativePath(Target).constData(), &TargetInfo) == 0;
    if (TargetExists && TargetInfo.st_dev == SourceInfo.st_dev && TargetInfo.st_ino == SourceInfo.st_ino) {
        ReportError(OntoItself);
        return false;
    }

    // Opening a pipe for writing waits for a reader that may never come.
    if (TargetExists && (S_ISFIFO(TargetInfo.st_mode) || S_ISSOCK(TargetInfo.st_mode))) {
        ReportError(QStringLiteral("Cannot copy onto ") + Target + QStringLiteral(", it is not a file"));
        return false;
    }

    if (QFileInfo::exists(Target)) {
        bool Overwrite = false;
        if (OnOverriding) OnOverriding(this, Overwrite);
        if (!Overwrite) return false;
    }

    TFileHandle In(::open(NativePath(Source).constData(), O_RDONLY | O_CLOEXEC));
    if (In.Fd() < 0) {
        ReportError(QStringLiteral("Error opening ") + Source, errno);
        return false;
    }
    // A regular file is written beside itself and renamed over the old one only when all of it
    // is out, so a failure or a cancel leaves the old file as it was. A device is written in place.
    bool InPlace = TargetExists && !S_ISREG(TargetInfo.st_mode);
    const QString Final = InPlace ? Target : ResolvedTarget(Target);
    QString Temporary;
    TFileHandle Out;
    if (InPlace)
        Out = TFileHandle(::open(NativePath(Target).constData(), O_WRONLY | O_CLOEXEC));
    else
        Out = CreateBeside(Final, TargetExists ? int(TargetInfo.st_mode & 07777) : -1, Temporary);
    // A folder that takes no new file may still let its file be rewritten: in place, once the
    // source has been read whole, so that a source that cannot be read leaves the target alone.
    // Only there: any other failure (a name too long, no inode, a full disk) would leave the
    // target cut short by the same cause, so it keeps the target as it was.
    if (Out.Fd() < 0 && !InPlace && FolderRefusesNewFiles(errno)) {
        if (!ReadableWhole(In.Fd()) || ::lseek(In.Fd(), 0, SEEK_SET) != 0) {
            ReportError(QStringLiteral("Error reading ") + Source, errno);
            return false;
        }
        InPlace = true;
        Out = TFileHandle(
            ::open(NativePath(Final).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    }
    if (Out.Fd() < 0) {
        ReportError(QStringLiteral("Error creating ") + Target, errno);
        return false;
    }
    auto Discard = qScopeGuard([&] {
        if (!Temporary.isEmpty()) ::unlink(NativePath(Temporary).constData());
    });

    std::vector<char> Buffer(static_cast<size_t>(Block));
    qint64 BytesRead = 0;
    qint64 BytesWritten = 0;
    for (;;) {
        if (FCanceled) {
            ReportError(QStringLiteral("Canceled"));
            return false;
        }
        ssize_t Got;
        do
            Got = ::read(In.Fd(), Buffer.data(), Buffer.size());
        while (Got < 0 && errno == EINTR);
        if (Got < 0) {
            ReportError(QStringLiteral("Error reading ") + Source, errno);
            return false;
        }
        if (Got == 0) break;
        BytesRead += Got;
        // A write may take only part of the block; the rest follows until all of it is out.
        for (ssize_t Done = 0; Done < Got;) {
            const ssize_t Put = ::write(Out.Fd(), Buffer.data() + Done, size_t(Got - Done));
            if (Put < 0 && errno == EINTR) continue;
            if (Put <= 0) {
                ReportError(QStringLiteral("Error writing ") + Target, Put < 0 ? errno : EIO);
                return false;
            }
            Done += Put;
            BytesWritten += Put;
        }
        // The file may grow while it is read; progress never passes 100.
        Progress(Percent(BytesRead, Size), Percent(BytesWritten, Size));
    }
    In.Close();
    // On disk before the rename, so a power cut cannot leave the new name on missing data.
    if ((!InPlace && ::fsync(Out.Fd()) != 0) || Out.Close() != 0 ||
        (!InPlace && ::rename(NativePath(Temporary).constData(), NativePath(Final).constData()) != 0)) {
        ReportError(QStringLiteral("Error writing ") + Target, errno);
        return false;
    }
    Temporary.clear();
    Progress(100, 100);
    return true;
}

bool TFileCopyNew::IsOnFloppy(const QString& Path) const {
    if (FFloppyDir.isEmpty()) return false;
    return FolderWithin(FolderPart(Path), FFloppyDir);
}

void TFileCopyNew::ReportError(const QString& Text, int Code) {
    FErrorCode = Code;
    if (OnError) OnError(this, Code != 0 ? WithErrorCode(Text, Code) : Text);
}

void TFileCopyNew::AddProgressLine(const QString& Line) {
    if (!FShowProgressOnMemo) return;
    if (FMemo)
        FMemo->append(Line);
    else
        ReportError(QStringLiteral("Error : you must assign an exsisting TMemo to memo property,\r"
                                   "before setting ShowProgressOnMemo = True"));
}

void TFileCopyNew::Progress(int ReadPercent, int WritePercent) {
    if (OnCopyProgress) OnCopyProgress(this, ReadPercent, WritePercent);
}
