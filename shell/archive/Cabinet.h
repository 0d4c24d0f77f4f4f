#pragma once
// Multi-volume cabinet files: our own MSZIP writer (zlib) and the libmspack reader, behind one
// component that reports progress, errors and volume changes through its events.
//
// Everything runs on the calling thread. Reads, writes and flushes let the event loop run, so a
// cancel button can call Abort() in the middle of an operation.

#include "core/unitTypes.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

enum TAddFileOption { afoExecuteOnExtract };
using TAddFileOptions = TSet<TAddFileOption, 1>;

enum TCompressionType { ctNone, ctMSZIP };

// The processor the reader was once told to assume; kept for callers that set it, without
// meaning here.
enum TCpuType { cptAuto, cpt80286, cpt80386 };

// What happens to one file of the cabinet on extraction.
enum TFileCopyAction { fcaAbort, fcaSkip, fcaCopy, fcaDefaultCopy };

// The parameters of the cabinet being written; the events may change them for the next one.
struct TCabParameters {
    qint64 MaxCabinetSize = 0;
    int CabinetNumber = 0; // 0 for the first cabinet of the set
    int DiskNumber = 0;
    bool FailOnIncompressible = false;
    int SetID = 0;
    QString DiskName;
    QString CabinetName;
    QString CabinetPath; // with a trailing "/"
};

// Operation codes of the error record, the writer's and the reader's.
enum TCabinetErrorCode {
    ceNone = 0,
    ceOpenSource = 1, // a file to add cannot be opened
    ceReadSource = 2, // a file to add cannot be read
    ceTempFile = 4,   // the temporary data file cannot be written
    ceBadCompressionType = 5,
    ceCabinetFile = 6, // a cabinet cannot be written, or the volume size is too small
    ceUserAbort = 7,
    ceIncompressible = 8,    // data did not compress while FailOnIncompressible is set
    ceCabinetNotFound = 101, // extraction: a volume is missing
    ceNotACabinet = 102,
    ceCorruptCabinet = 104, // bad checksum, truncated or inconsistent set
    ceTargetFile = 108,     // an extracted file cannot be written, or its name is unsafe
    ceWrongCabinet = 110,   // the next volume does not belong to the set
};

class TCabinet : public QObject {
    Q_OBJECT
public:
    // Compression events.
    using TFileStatusEvent = std::function<void(TCabinet* Sender, qint64 CompressedSize,
                                                qint64 UncompressedSize, int& ResultCode)>;
    using TFolderStatusEvent =
        std::function<void(TCabinet* Sender, qint64 SizeCopied, qint64 TotalSize, int& ResultCode)>;
    using TCabinetStatusEvent =
        std::function<void(TCabinet* Sender, qint64 PreEstimatedSize, qint64 ActualSize)>;
    using TGetNextCabinetEvent =
        std::function<void(TCabinet* Sender, TCabParameters& CabParameters, QString& NewCabFileName,
                           qint64 PreviousCabEstimatedSize, bool& AbortCreation)>;
    using TFilePlacedEvent =
        std::function<void(TCabinet* Sender, TCabParameters& CabParameters, const QString& FileName,
                           qint64 FileLength, bool Continuation, bool& AbortProcessing)>;
    using TGetOpenInfoEvent = std::function<void(TCabinet* Sender, const QString& FileName, quint16& Date,
                                                 quint16& Time, quint16& Attributes, int& ResultCode)>;
    using TGetTempFileEvent = std::function<void(TCabinet* Sender, QString& TempFileName, bool& Success)>;
    // Extraction events.
    using TCabinetInfoEvent =
        std::function<void(TCabinet* Sender, const QString& CabinetName, const QString& CabinetDisk,
                           const QString& CabinetPath, int SetId, int CabinetNumber, bool& Abort)>;
    using TPartialFileEvent =
        std::function<void(TCabinet* Sender, const QString& FileName, const QString& FirstCabinetName,
                           const QString& FirstCabinetDisk, bool& Abort)>;
    using TCopyFileEvent =
        std::function<void(TCabinet* Sender, const QString& FileName, qint64 UncompressedSize, quint16 Date,
                           quint16 Time, quint16 Attribs, TFileCopyAction& Action, QString& DestFileName)>;
    using TCloseCopiedFileEvent = std::function<void(
        TCabinet* Sender, const QString& FileName, const QString& DestFileName, quint16 Date, quint16 Time,
        quint16 Attribs, int FolderIndex, bool Execute, bool& Abort)>;
    using TNextCabinetEvent =
        std::function<void(TCabinet* Sender, const QString& NextCabinetName, const QString& NextCabinetDisk,
                           QString& CabinetPath, int ErrorIndication, bool& Abort)>;
    // Both.
    using TErrorEvent = std::function<void(TCabinet* Sender, int ErrorCode, int ErrorType)>;
    using TProgressEvent = std::function<void(TCabinet* Sender, qint64 BytesRead, qint64 BytesTotal)>;

    explicit TCabinet(QObject* Owner = nullptr);
    ~TCabinet() override;

    TAddFileOptions Options;
    // The current cabinet file: its folder is the cabinet path, its name the cabinet name.
    QString CABFileName;
    QString VolumeName = QStringLiteral("Disk1");
    qint64 VolumeSize = 0x7FFFFFFF;
    // A file added once the current folder holds this many bytes starts a new folder.
    qint64 FolderThreshold = 0x7FFFFFFF;
    TCpuType CpuType = cptAuto;
    int SetID = 0;
    bool FailOnIncompressible = false;
    // Attributes and DOS date and time are read when adding and restored when extracting.
    bool FileSupport = false;
    TCompressionType CompressionType = ctMSZIP;

    const QString& DestinationPath() const { return FDestinationPath; }
    // Ends the folder with "/" when it does not end with one.
    void SetDestinationPath(const QString& Value);

    // Starts a new set, ending one that was being written (its unflushed data is dropped).
    bool StartCompression();
    // Compresses Source into the set under the name NameInCabinet, in the current folder (see
    // FolderThreshold and FlushFolder). Throws ECabinetError while another operation runs or
    // before StartCompression.
    bool AddFile(const QString& Source, const QString& NameInCabinet);
    // Ends the current folder; the next file added starts a new one.
    bool FlushFolder();
    // Writes the cabinets of what was added. GetNextCab: the set goes on in a new cabinet.
    bool FlushCabinet(bool GetNextCab);
    bool EndCompression();
    // Extracts every file of the set whose first volume is CABFileName into DestinationPath.
    // Throws ECabinetError while another operation runs; EApiError when a restored file time or
    // attribute cannot be set.
    bool ExtractAll();
    // Stops the running operation at its next read or write; it then fails with ceUserAbort.
    void Abort() { FAbort = true; }
    bool Busy() const { return FBusy; }
    // The error record of the last failure.
    int LastErrorCode() const { return FErrorCode; }
    int LastErrorType() const { return FErrorType; }
    // The file the last failure concerns, "" when it concerns none; the type is then its system
    // error number.
    const QString& LastErrorFile() const { return FErrorFile; }

    TFileStatusEvent OnFileStatus;
    TFolderStatusEvent OnFolderStatus;
    TCabinetStatusEvent OnCabinetStatus;
    TGetNextCabinetEvent OnGetNextCabinet;
    TFilePlacedEvent OnFilePlacedEvent;
    TGetOpenInfoEvent OnGetOpenInfo;
    TGetTempFileEvent OnGetTempFile;
    TCabinetInfoEvent OnCabinetInfo;
    TPartialFileEvent OnPartialFile;
    TCopyFileEvent OnCopyFile;
    TCloseCopiedFileEvent OnCloseCopiedFile;
    TNextCabinetEvent OnNextCabinet;
    TErrorEvent OnError;
    TProgressEvent OnProgress;

    class TWriter;
    class TReader;

private:
    friend class TWriter;
    friend class TReader;
    bool Fail(int Code, int Type, const QString& File = QString());
    // Lets the event loop run; true when the operation should stop.
    bool KeepResponsive();

    QString FDestinationPath;
    std::unique_ptr<TWriter> FWriter;
    bool FBusy = false;
    bool FAbort = false;
    int FErrorCode = ceNone;
    int FErrorType = 0;
    QString FErrorFile;
};

// The file Name in Folder whatever the case of its letters (names on a floppy may come in
// capitals); "" when there is none.
QString FindFileNoCase(const QString& Folder, const QString& Name);

// DOS date and time of a local date-time, and back; 0 for dates before 1980.
quint16 DosDate(const QDateTime& Value);
quint16 DosTime(const QDateTime& Value);
QDateTime FromDosDateTime(quint16 Date, quint16 Time);
