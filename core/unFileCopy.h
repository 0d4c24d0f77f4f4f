#pragma once
// Block-wise file copy with progress and error events; never raises.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// True when the folder Inner is Outer itself or a folder below it.
bool FolderWithin(const QString& Inner, const QString& Outer);

class TFileCopyNew : public QObject {
    Q_OBJECT
public:
    using TCopyProgressEvent = std::function<void(TFileCopyNew* Sender, int ReadPercent, int WritePercent)>;
    using TOverridingEvent = std::function<void(TFileCopyNew* Sender, bool& Overwrite)>;
    using TErrorEvent = std::function<void(TFileCopyNew* Sender, const QString& Text)>;

    explicit TFileCopyNew(QObject* Owner = nullptr);

    // A file path, or a path whose name part holds "*" (then every match is copied).
    const QString& SourceFile() const { return FSourceFile; }
    void SetSourceFile(const QString& Value) { FSourceFile = Value; }
    // The target file, or with a mask a path whose folder part is the target folder.
    const QString& TargetFile() const { return FTargetFile; }
    void SetTargetFile(const QString& Value) { FTargetFile = Value; }
    bool IncludeSubFolders() const { return FIncludeSubFolders; }
    void SetIncludeSubFolders(bool Value) { FIncludeSubFolders = Value; }
    // The lines of the memo that shows progress, or none.
    QStringList* Memo() const { return FMemo; }
    void SetMemo(QStringList* Value) { FMemo = Value; }
    bool ShowProgressOnMemo() const { return FShowProgressOnMemo; }
    void SetShowProgressOnMemo(bool Value) { FShowProgressOnMemo = Value; }
    // Targets under this folder are written in the larger floppy blocks.
    const QString& FloppyDir() const { return FFloppyDir; }
    void SetFloppyDir(const QString& Value) { FFloppyDir = Value; }
    bool Busy() const { return FBusy; }

    // Copies SourceFile to TargetFile; false when anything was not copied. An existing file is
    // replaced whole (written beside it, then renamed over it); only where its folder takes no new
    // file is it rewritten in place. Any other failure leaves it as it was.
    bool Execute();
    // The system's error number of the last failure; 0 when it had none (a name missing, a cancel).
    int ErrorCode() const { return FErrorCode; }
    // Stops a running copy at the next block with the error "Canceled".
    void Cancel() { FCanceled = true; }

    TCopyProgressEvent OnCopyProgress;
    TOverridingEvent OnOverriding;
    TErrorEvent OnError;

    static constexpr qint64 BlockSize = 51200;
    static constexpr qint64 FloppyBlockSize = 256000;

private:
    bool CopyPath(const QString& Source, const QString& Target);
    bool CopyMatches(const QString& Source, const QString& Target);
    bool CopyOneFile(const QString& Source, const QString& Target);
    bool IsOnFloppy(const QString& Path) const;
    // Text, followed by the system error number Code when there is one.
    void ReportError(const QString& Text, int Code = 0);
    void AddProgressLine(const QString& Line);
    void Progress(int ReadPercent, int WritePercent);

    QString FSourceFile;
    QString FTargetFile;
    bool FIncludeSubFolders = false;
    QStringList* FMemo = nullptr;
    bool FShowProgressOnMemo = true;
    QString FFloppyDir = QStringLiteral("/media/floppy");
    bool FBusy = false;
    bool FCanceled = false;
    int FErrorCode = 0;
};
