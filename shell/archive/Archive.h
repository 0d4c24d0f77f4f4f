#pragma once
// The archive and restore wizard: the database file copied into a set of cabinet volumes on the
// server's "Archive" folder, a folder of the operator's choice or a series of floppy disks, and
// restored from such a set.

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QWidget;
class TCabinet;
class TFileCopyNew;

// The base name of an archive made at When: "yyyymmdd-hhnnss".
QString ArchiveBaseName(const QDateTime& When);
// Volume Number (from 1) of the archive BaseName: "<base>.<n>.ldr".
QString ArchiveVolumeName(const QString& BaseName, int Number);
// The label of the floppy carrying volume Number of Count: "LDR#n-c".
QString FloppyVolumeLabel(int Number, int Count);
// The volume count a floppy label gives: the part after "-", 1 when it is not a number.
int VolumeCountFromLabel(const QString& Label);

// One archive found in a folder: its date "dd.mm.yyyy" and time "hh:nn:ss".
struct TArchiveRow {
    QString Date;
    QString Time;
    bool operator==(const TArchiveRow&) const = default;
};
// The archives whose first volume lies in Folder, in name order; names that do not hold a date
// and a time are left out.
QList<TArchiveRow> FindArchives(const QString& Folder);
// The base name an archive row stands for.
QString ArchiveBaseNameOf(const TArchiveRow& Row);

// Deletes Folder with everything in it; true when it is gone.
bool DeleteDirectoryTree(const QString& Folder);
// The size of the file Path, 0 when there is none.
qint64 FileSizeByName(const QString& Path);

// The largest database an archive may hold: the file limit of the format the data began in.
constexpr qint64 MaxArchivedDatabaseSize = 2147483647;
// Whether a restore of Declared bytes fits: the extraction folder's disk takes the extracted
// files; the database's disk a kept copy of the live database (LiveSize), the journal of its
// replaced pages and its growth; on one disk all of it.
bool ExtractionFits(qint64 Declared, qint64 LiveSize, qint64 FreeForExtraction, qint64 FreeForDatabase,
                    bool OneDisk);

// The work folder of one wizard run inside the shared temporary folder Root. Several workstations
// run the program from one folder: each run holds a lock on a file of its own beside its folder
// for as long as it lives, and only folders whose lock nobody holds are removed as left over.
class TRunFolder {
public:
    // Makes a folder of its own under Root; Path() is "" when it cannot.
    explicit TRunFolder(const QString& Root);
    // Removes the folder, then lets go of its lock.
    ~TRunFolder();
    TRunFolder(const TRunFolder&) = delete;
    TRunFolder& operator=(const TRunFolder&) = delete;
    // The folder, with a trailing "/".
    QString Path() const { return FPath; }

    // Removes what runs that no longer hold their lock left under Root, and the loose files of
    // the single shared folder earlier versions worked in.
    static void RemoveLeftOver(const QString& Root);
    // Whether some run under Root still holds its lock.
    static bool AnyRunning(const QString& Root);

private:
    QString FPath;
    QString FLockPath;
    int FLock = -1;
};

// The path with its links resolved as far as it exists, the part that does not exist appended.
QString CanonicalPath(const QString& Path);

// The size and checksum of a file: what the restore checked must be what it installs. OnProgress
// gets the bytes read and the file's size after each block.
QByteArray FileFingerprint(const QString& Path, const std::function<void(qint64, qint64)>& OnProgress = {});

// FAT volume labels of a device or image file, through dosfstools' fatlabel.
std::optional<QString> ReadFatLabel(const QString& Device);
bool WriteFatLabel(const QString& Device, const QString& Label);

// The floppy drive "A:": a mounted medium with free space, a label and a root folder.
class TFloppyMedium {
public:
    virtual ~TFloppyMedium() = default;
    // The root folder, with a trailing "/".
    virtual QString Root() const = 0;
    // Free bytes; -1 when they cannot be read.
    virtual qint64 FreeSpace() const = 0;
    virtual std::optional<QString> Label() const = 0;
    virtual bool SetLabel(const QString& Label) = 0;
    // Deletes every file and folder of the root; false when something stays.
    virtual bool Erase() = 0;
};

// The floppy mounted at a folder (the workstation value "Floppy_Dir", default "/media/floppy").
class TMountedFloppy : public TFloppyMedium {
public:
    explicit TMountedFloppy(const QString& MountPoint);
    QString Root() const override;
    qint64 FreeSpace() const override;
    std::optional<QString> Label() const override;
    bool SetLabel(const QString& Label) override;
    // Refused unless the root is the mount point of a FAT file system other than "/", so that a
    // wrong setting can never wipe a real folder.
    bool Erase() override;

private:
    QString FRoot;
};

// The mount point of the floppy drive from the workstation settings.
QString FloppyMountPoint();

class TformArchive : public QDialog {
    Q_OBJECT
public:
    enum TMode { amArchive = 0, amRestore = 1 };

    // Floppy: the drive "A:"; null uses the mounted floppy of the workstation settings.
    TformArchive(QWidget* Owner, int Mode, std::unique_ptr<TFloppyMedium> Floppy = nullptr);
    ~TformArchive() override;

    int Mode() const { return FMode; }
    int Step() const { return FStep; }
    int ErrorCode() const { return FErrorCode; }
    // 0 server, 1 floppies, 2 another folder.
    int Medium() const;

    // Runs the wizard modally until it closes. OnReplacing: see below.
    static void Execute(QWidget* Owner, int Mode, std::function<bool()> OnReplacing = nullptr);

    // Asked once the operator has agreed to a restore, before the live database is touched:
    // closes the windows that show its rows; false (a window stayed open) stops the restore.
    std::function<bool()> OnReplacing;

    QLabel* labelInfo;
    QGroupBox* groupMedium;
    QRadioButton* radioServer;
    QRadioButton* radioFloppy;
    QRadioButton* radioPath;
    QComboBox* comboDrive;
    QLineEdit* editDirectory;
    QPushButton* btnDirectory;
    QLabel* labelVolumeSize;
    QLineEdit* editVolumeSize;
    QGroupBox* panelArchives;
    QTreeWidget* listArchives;
    QPushButton* btnRefresh;
    QCheckBox* checkDeleteDisk;
    QWidget* panelProgress;
    QLabel* labelStatus;
    QProgressBar* progressBar;
    QPushButton* btnHelp;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnCancel;

    void FillArchiveList();

protected:
    void closeEvent(QCloseEvent* Event) override;
    void reject() override;

private:
    void MoveToStep(int Step, int BackStep);
    void RunStep();
    void Failure(int Code);
    void ApplyMedium();
    void UpdateNextForSelection();
    void UpdateCancelCaption();
    void SetBusy(bool Busy);
    void SetStatus(const QString& Text);
    void ShowInfo(const QString& Text);
    QString MediumFolder() const;
    QString TemporaryRoot() const;
    // The archive's place on the server or the operator's folder: "" for floppies.
    QString ArchiveTargetFolder() const;
    QString ArchivePlace() const;
    void RemoveStaleWorkFiles();
    bool PrepareTemporaryFolder();
    int ArchiveRun();
    int TransferToFloppies();
    int RestoreRun();
    int CopyFromFloppies(const QString& BaseName);
    // The earlier volume of this set that the disk in the drive holds, 0 when it holds none.
    int EarlierVolumeOnDisk(int Number) const;
    // The base name of another archive with a volume on the disk in the drive, "" when none.
    QString OtherArchiveOnDisk() const;
    bool FloppyIsEmpty() const;
    int InstallDatabase(const QString& Extracted, const QString& ArchiveWhen);
    QByteArray CheckedFingerprint(const QString& Extracted);
    bool CopyFile(const QString& Source, const QString& Target);
    bool ReopenDatabase();
    void CancelClick();
    void ChooseDirectory();
    void ReadSettings();
    void WriteSettings();

    int FMode;
    int FStep = -2;
    int FPrevStep = 0;
    int FErrorCode = 0;
    bool FBusy = false;
    bool FCancelRequest = false;
    bool FCabinetFailed = false;
    bool FClosed = false;
    QString FBaseName;
    int FVolumeCount = 0;
    // The disks the last transfer wrote on.
    int FDiskCount = 0;
    qint64 FVolumeSize = 0;
    // This run's own folder inside the shared temporary folder.
    std::unique_ptr<TRunFolder> FRun;
    QString FTempFolder;
    // The kept copy of the replaced database once one has been made.
    QString FKept;
    // What the restore could not do once the archive was in the live file.
    bool FInstalledChecked = true;
    bool FReopened = true;
    // A line that names the cause or the data kept, added to the message of a failure.
    QString FFailureDetail;
    std::unique_ptr<TFloppyMedium> FFloppy;
    TCabinet* FCabinet;
    TFileCopyNew* FFileCopy;
};
