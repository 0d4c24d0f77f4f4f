#include "shell/archive/Archive.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unFileCopy.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"
#include "framework/forms/MAccountForm.h"
#include "shell/archive/Cabinet.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <QCryptographicHash>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString ArchiveFolderName = QStringLiteral("Archive");
const QString TemporaryFolderName = QStringLiteral("Temporary archive files");
const QString NameInCabinet = QStringLiteral("lendora.mdb");
const QString NextFloppyPrompt = QStringLiteral("Моля поставете следващата дискета и натиснете ОК.");
// The names of archive volumes: a date, "-", a time; split where "??-" would read as a trigraph.
const QString ArchiveNameMask = QStringLiteral("????????"
                                               "-??????.*");

constexpr qint64 ServerVolumeSize = 100000000;
constexpr qint64 LaterServerVolumeSize = 1000000000;

QString ErrorMessage(int Code) {
    switch (Code) {
    case 1:
        return QStringLiteral("На указаното устройство/път няма намерени валидни архивни копия.");
    case 2:
        return QStringLiteral("Грешка при копиране на файловете.");
    case 3:
    case 4:
        return QStringLiteral(
            "Грешка при създаване на временните файлове. Моля проверете дали имате права за "
            "запис в директорията от която стартирате счетоводната програма.");
    case 5:
        return QStringLiteral("Създаването/възстановяването на архивното копие не е извършено успешно.\r"
                              "Прекъсване от потребителя.");
    case 6:
        return QStringLiteral(
            "Възстановяването не е извършено успешно.\rГрешка при разархивиране на файловете.");
    case 7:
        return QStringLiteral("Архивното копие не е създадено успешно.\rГрешка при архивиране на файловете.");
    case 8:
        return QStringLiteral("Не е намерена директорията на програмата.");
    case 9:
        return QStringLiteral("Грешка при затварянето на базата!");
    case 10:
        return QStringLiteral("Грешка при отварянето на базата!");
    case 11:
        return QStringLiteral(
            "Грешка при създаване на архивното копие. Моля проверете дали имате права за запис "
            "в директорията от която стартирате счетоводната програма.");
    case 12:
        return QStringLiteral("Грешка при определяне на директорията на базата.");
    case 13:
        return QStringLiteral("Грешка при установяване поредния номер на дискетата.");
    case 14:
        return QStringLiteral("Грешка при четене поредния номер на дискетата.");
    case 15:
        return QStringLiteral("Възстановяването не е извършено успешно.\rФайловете в архива са по-големи от "
                              "свободното място на диска или от допустимия размер на базата данни.");
    case 16:
        return QStringLiteral("Архивното копие не може да бъде създадено във временната директория на "
                              "помощника. Моля изберете друга директория.");
    case 17:
        return QStringLiteral("Възстановяването не е извършено успешно.\rРазархивираният файл на базата е "
                              "променен след проверката му.\rТекущите данни не са променени.");
    case 18:
        return QStringLiteral("Архивното копие не може да бъде прехвърлено на дискети.");
    default:
        return QString();
    }
}

} // namespace

QString ArchiveBaseName(const QDateTime& When) {
    return When.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString ArchiveVolumeName(const QString& BaseName, int Number) {
    return BaseName + Format(".%d", {Number}) + QStringLiteral(".ldr");
}

QString FloppyVolumeLabel(int Number, int Count) {
    return QStringLiteral("LDR#%1-%2").arg(Number).arg(Count);
}

int VolumeCountFromLabel(const QString& Label) {
    const int Dash = Label.indexOf(QLatin1Char('-'));
    bool Ok = false;
    const int Count = Dash < 0 ? 0 : Label.mid(Dash + 1).trimmed().toInt(&Ok);
    return Ok && Count > 0 ? Count : 1;
}

QList<TArchiveRow> FindArchives(const QString& Folder) {
    QList<TArchiveRow> Rows;
    const QStringList Names =
        QDir(Folder).entryList({ArchiveNameMask}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& Name : Names) {
        const QStringList Parts = Name.split(QLatin1Char('.'));
        if (Parts.size() < 2 || Parts[1] != QLatin1String("1")) continue;
        const QString& Base = Parts[0];
        const QDate Date = QDate::fromString(Base.left(8), QStringLiteral("yyyyMMdd"));
        const QTime Time = QTime::fromString(Base.mid(9), QStringLiteral("HHmmss"));
        if (!Date.isValid() || !Time.isValid()) continue;
        Rows << TArchiveRow{Date.toString(QStringLiteral("dd.MM.yyyy")),
                            Time.toString(QStringLiteral("HH:mm:ss"))};
    }
    return Rows;
}

QString ArchiveBaseNameOf(const TArchiveRow& Row) {
    const QDate Date = QDate::fromString(Row.Date, QStringLiteral("dd.MM.yyyy"));
    const QTime Time = QTime::fromString(Row.Time, QStringLiteral("HH:mm:ss"));
    return ArchiveBaseName(QDateTime(Date, Time));
}

bool DeleteDirectoryTree(const QString& Folder) {
    QDir Dir(Folder);
    if (!Dir.exists()) return true;
    // Write permission first, as read-only entries would otherwise stay.
    const QFileInfoList Entries =
        Dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& Entry : Entries) {
        QFile::setPermissions(Entry.filePath(), Entry.permissions() | QFileDevice::WriteUser);
        if (Entry.isDir() && !Entry.isSymLink()) {
            if (!DeleteDirectoryTree(Entry.filePath())) return false;
        } else if (!QFile::remove(Entry.filePath()))
            return false;
    }
    return Dir.rmdir(Dir.absolutePath());
}

qint64 FileSizeByName(const QString& Path) {
    const QFileInfo Info(Path);
    return Info.isFile() ? Info.size() : 0;
}

bool ExtractionFits(qint64 Declared, qint64 LiveSize, qint64 FreeForExtraction, qint64 FreeForDatabase,
                    bool OneDisk) {
    if (Declared < 0 || Declared > MaxArchivedDatabaseSize) return false;
    const qint64 BesideDatabase = 2 * LiveSize + qMax<qint64>(0, Declared - LiveSize);
    if (OneDisk) return Declared + BesideDatabase <= FreeForExtraction;
    return Declared <= FreeForExtraction && BesideDatabase <= FreeForDatabase;
}

std::optional<QString> ReadFatLabel(const QString& Device) {
    QProcess Process;
    Process.start(QStringLiteral("fatlabel"), {Device});
    if (!Process.waitForFinished(30000) || Process.exitStatus() != QProcess::NormalExit ||
        Process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(Process.readAllStandardOutput()).trimmed();
}

bool WriteFatLabel(const QString& Device, const QString& Label) {
    QProcess Process;
    Process.start(QStringLiteral("fatlabel"), {Device, Label});
    return Process.waitForFinished(30000) && Process.exitStatus() == QProcess::NormalExit &&
           Process.exitCode() == 0;
}

TMountedFloppy::TMountedFloppy(const QString& MountPoint)
    : FRoot(EnsureTrailing(MountPoint, QStringLiteral("/"))) {}

QString TMountedFloppy::Root() const {
    return FRoot;
}

qint64 TMountedFloppy::FreeSpace() const {
    const QStorageInfo Storage(FRoot);
    return Storage.isValid() && Storage.isReady() ? Storage.bytesAvailable() : -1;
}

std::optional<QString> TMountedFloppy::Label() const {
    const QStorageInfo Storage(FRoot);
    if (!Storage.isValid() || !Storage.isReady()) return std::nullopt;
    return ReadFatLabel(QString::fromLocal8Bit(Storage.device()));
}

bool TMountedFloppy::SetLabel(const QString& Label) {
    const QStorageInfo Storage(FRoot);
    return Storage.isValid() && WriteFatLabel(QString::fromLocal8Bit(Storage.device()), Label);
}

bool TMountedFloppy::Erase() {
    const QStorageInfo Storage(FRoot);
    const QByteArray Type = Storage.fileSystemType().toLower();
    if (!Storage.isValid() || Storage.isRoot() ||
        EnsureTrailing(Storage.rootPath(), QStringLiteral("/")) != FRoot ||
        (Type != "vfat" && Type != "msdos"))
        return false;
    const QFileInfoList Entries =
        QDir(FRoot).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& Entry : Entries) {
        const bool Gone = Entry.isDir() && !Entry.isSymLink() ? DeleteDirectoryTree(Entry.filePath())
                                                              : QFile::remove(Entry.filePath());
        if (!Gone) return false;
    }
    return true;
}

QString FloppyMountPoint() {
    const QString Value = ReadRegString(QStringLiteral("Floppy_Dir"));
    return Value.isEmpty() ? QStringLiteral("/media/floppy") : Value;
}

namespace {

const QString RunPrefix = QStringLiteral("run-");
const QString LockSuffix = QStringLiteral(".lock");

// Whether the open file Handle is still the file at Path: a run that finds its lock file
// replaced or removed by then must not work beside it.
bool IsFileAt(int Handle, const QString& Path) {
    struct stat Open, Named;
    return ::fstat(Handle, &Open) == 0 && ::stat(QFile::encodeName(Path).constData(), &Named) == 0 &&
           Open.st_dev == Named.st_dev && Open.st_ino == Named.st_ino;
}

// Opens the lock file at Path and takes its lock when nobody holds it: the handle, -1 otherwise.
int TakeFreeLock(const QString& Path) {
    const int Handle = ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_CLOEXEC);
    if (Handle < 0) return -1;
    if (::flock(Handle, LOCK_EX | LOCK_NB) == 0 && IsFileAt(Handle, Path)) return Handle;
    ::close(Handle);
    return -1;
}

QString FolderOfLock(const QString& LockPath) {
    return LockPath.left(LockPath.size() - LockSuffix.size());
}

} // namespace

TRunFolder::TRunFolder(const QString& Root) {
    const QString Folder = EnsureTrailing(Root, QStringLiteral("/"));
    for (int Attempt = 0; Attempt < 10 && FLock < 0; ++Attempt) {
        if (!QDir().mkpath(Folder)) return;
        QByteArray Name = QFile::encodeName(Folder + RunPrefix + QStringLiteral("XXXXXX") + LockSuffix);
        const int Handle = ::mkstemps(Name.data(), int(LockSuffix.size()));
        if (Handle < 0) continue;
        const QString LockPath = QFile::decodeName(Name);
        // Workstations signed in as other users must be able to take the lock of a run that ended.
        ::fchmod(Handle, 0644);
        // Another run that took this new file for a left-over one removes it: a new name is tried.
        // A file system without locks leaves the folder to its owner alone.
        const bool Taken = ::flock(Handle, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (Taken || !IsFileAt(Handle, LockPath)) {
            ::close(Handle);
            continue;
        }
        if (!QDir().mkdir(FolderOfLock(LockPath))) {
            QFile::remove(LockPath);
            ::close(Handle);
            continue;
        }
        FLock = Handle;
        FLockPath = LockPath;
        FPath = FolderOfLock(LockPath) + QLatin1Char('/');
    }
}

TRunFolder::~TRunFolder() {
    if (FLock < 0) return;
    DeleteDirectoryTree(FPath);
    QFile::remove(FLockPath);
    ::close(FLock);
}

void TRunFolder::RemoveLeftOver(const QString& Root) {
    const QDir Dir(Root);
    if (!Dir.exists()) return;
    // A lock file comes before its folder and goes after it: a folder without one is left over.
    for (const QFileInfo& Lock :
         Dir.entryInfoList({RunPrefix + QLatin1Char('*') + LockSuffix}, QDir::Files)) {
        const int Handle = TakeFreeLock(Lock.filePath());
        if (Handle < 0) continue;
        DeleteDirectoryTree(FolderOfLock(Lock.filePath()));
        QFile::remove(Lock.filePath());
        ::close(Handle);
    }
    const QFileInfoList Entries =
        Dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& Entry : Entries) {
        if (Entry.fileName().endsWith(LockSuffix)) continue;
        if (Entry.fileName().startsWith(RunPrefix) && QFileInfo::exists(Entry.filePath() + LockSuffix))
            continue;
        if (Entry.isDir() && !Entry.isSymLink())
            DeleteDirectoryTree(Entry.filePath());
        else
            QFile::remove(Entry.filePath());
    }
}

bool TRunFolder::AnyRunning(const QString& Root) {
    for (const QFileInfo& Lock :
         QDir(Root).entryInfoList({RunPrefix + QLatin1Char('*') + LockSuffix}, QDir::Files)) {
        const int Handle = TakeFreeLock(Lock.filePath());
        if (Handle < 0) return true;
        ::close(Handle);
    }
    return false;
}

QString CanonicalPath(const QString& Path) {
    QFileInfo Info(QDir::cleanPath(QDir(Path).absolutePath()));
    QString Rest;
    while (!Info.exists() && !Info.isRoot()) {
        Rest = QLatin1Char('/') + Info.fileName() + Rest;
        Info = QFileInfo(Info.path());
    }
    return QDir::cleanPath(Info.canonicalFilePath() + Rest);
}

QByteArray FileFingerprint(const QString& Path, const std::function<void(qint64, qint64)>& OnProgress) {
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly)) return QByteArray();
    QCryptographicHash Hash(QCryptographicHash::Sha256);
    QByteArray Block(1 << 20, Qt::Uninitialized);
    for (qint64 Done = 0;;) {
        const qint64 Read = File.read(Block.data(), Block.size());
        if (Read < 0) return QByteArray();
        if (Read == 0) break;
        Hash.addData(QByteArrayView(Block.constData(), Read));
        Done += Read;
        if (OnProgress) OnProgress(Done, File.size());
    }
    return QByteArray::number(File.size()) + ':' + Hash.result().toHex();
}

// ---------------------------------------------------------------------------------------------

TformArchive::TformArchive(QWidget* Owner, int Mode, std::unique_ptr<TFloppyMedium> Floppy)
    : QDialog(Owner), FMode(Mode), FFloppy(std::move(Floppy)) {
    setObjectName(QStringLiteral("formArchive"));
    setWindowTitle(QStringLiteral("Архивно копие"));
    if (!FFloppy) FFloppy = std::make_unique<TMountedFloppy>(FloppyMountPoint());
    FCabinet = new TCabinet(this);
    FFileCopy = new TFileCopyNew(this);
    FFileCopy->SetFloppyDir(FFloppy->Root());
    FFileCopy->SetShowProgressOnMemo(false);

    labelInfo = new QLabel(this);
    labelInfo->setObjectName(QStringLiteral("labelInfo"));
    labelInfo->setWordWrap(true);
    labelInfo->setMinimumHeight(64);
    labelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    groupMedium = new QGroupBox(this);
    groupMedium->setObjectName(QStringLiteral("groupMedium"));
    radioServer = new QRadioButton(QStringLiteral("Сървър"), groupMedium);
    radioServer->setObjectName(QStringLiteral("radioServer"));
    radioFloppy = new QRadioButton(QStringLiteral("Дискети"), groupMedium);
    radioFloppy->setObjectName(QStringLiteral("radioFloppy"));
    radioPath = new QRadioButton(QStringLiteral("Друг носител:"), groupMedium);
    radioPath->setObjectName(QStringLiteral("radioPath"));
    comboDrive = new QComboBox(groupMedium);
    comboDrive->setObjectName(QStringLiteral("comboDrive"));
    comboDrive->addItem(QStringLiteral("A:"));
    editDirectory = new QLineEdit(QStringLiteral("/tmp"), groupMedium);
    editDirectory->setObjectName(QStringLiteral("editDirectory"));
    btnDirectory = new QPushButton(QStringLiteral("..."), groupMedium);
    btnDirectory->setObjectName(QStringLiteral("btnDirectory"));
    btnDirectory->setFixedWidth(btnDirectory->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    labelVolumeSize = new QLabel(QStringLiteral("Макс. размер (байта)"), groupMedium);
    editVolumeSize = new QLineEdit(QStringLiteral("1400000"), groupMedium);
    editVolumeSize->setObjectName(QStringLiteral("editVolumeSize"));
    editVolumeSize->setValidator(new QIntValidator(1, 2000000000, editVolumeSize));
    editVolumeSize->setAlignment(Qt::AlignRight);
    labelVolumeSize->setBuddy(editVolumeSize);
    auto* MediumLayout = new QGridLayout(groupMedium);
    MediumLayout->addWidget(radioServer, 0, 0);
    MediumLayout->addWidget(radioFloppy, 1, 0);
    MediumLayout->addWidget(comboDrive, 1, 1);
    MediumLayout->addWidget(radioPath, 2, 0);
    auto* PathRow = new QHBoxLayout;
    PathRow->addWidget(editDirectory, 1);
    PathRow->addWidget(btnDirectory);
    MediumLayout->addLayout(PathRow, 2, 1, 1, 2);
    MediumLayout->addWidget(labelVolumeSize, 3, 0);
    MediumLayout->addWidget(editVolumeSize, 3, 1);
    MediumLayout->setColumnStretch(2, 1);

    panelArchives = new QGroupBox(QStringLiteral("Създадени архиви"), this);
    panelArchives->setObjectName(QStringLiteral("panelArchives"));
    listArchives = new QTreeWidget(panelArchives);
    listArchives->setObjectName(QStringLiteral("listArchives"));
    listArchives->setHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Час")});
    listArchives->setColumnWidth(0, 150);
    listArchives->setColumnWidth(1, 127);
    listArchives->setRootIsDecorated(false);
    listArchives->setSelectionMode(QAbstractItemView::SingleSelection);
    btnRefresh = new QPushButton(QStringLiteral("Опресняване"), panelArchives);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->setShortcut(QKeySequence(Qt::Key_F5));
    auto* ArchivesLayout = new QVBoxLayout(panelArchives);
    ArchivesLayout->addWidget(listArchives);
    ArchivesLayout->addWidget(btnRefresh, 0, Qt::AlignRight);

    checkDeleteDisk = new QCheckBox(QStringLiteral("Предварително изтриване на дискетата"), this);
    checkDeleteDisk->setObjectName(QStringLiteral("checkDeleteDisk"));
    checkDeleteDisk->hide();

    panelProgress = new QWidget(this);
    panelProgress->setObjectName(QStringLiteral("panelProgress"));
    labelStatus = new QLabel(panelProgress);
    labelStatus->setObjectName(QStringLiteral("labelStatus"));
    progressBar = new QProgressBar(panelProgress);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    auto* ProgressLayout = new QVBoxLayout(panelProgress);
    ProgressLayout->setContentsMargins(0, 0, 0, 0);
    ProgressLayout->addWidget(labelStatus);
    ProgressLayout->addWidget(progressBar);
    panelProgress->hide();

    btnHelp = new QPushButton(QStringLiteral("П&омощ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnBack = new QPushButton(QStringLiteral("&Назад"), this);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnNext = new QPushButton(QStringLiteral("&Продължение"), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnCancel = new QPushButton(QStringLiteral("О&тказ"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* Button : {btnHelp, btnBack, btnNext, btnCancel})
        Button->setAutoDefault(false);
    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(btnHelp);
    Buttons->addStretch(1);
    Buttons->addWidget(btnBack);
    Buttons->addWidget(btnNext);
    Buttons->addSpacing(12);
    Buttons->addWidget(btnCancel);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(labelInfo);
    Layout->addWidget(groupMedium);
    Layout->addWidget(panelArchives, 1);
    Layout->addWidget(checkDeleteDisk);
    Layout->addWidget(panelProgress);
    Layout->addStretch(0);
    Layout->addLayout(Buttons);
    resize(520, 480);

    connect(btnNext, &QPushButton::clicked, this, [this] { MoveToStep(FStep + 1, FStep); });
    connect(btnBack, &QPushButton::clicked, this, [this] { MoveToStep(FPrevStep, FPrevStep); });
    connect(btnCancel, &QPushButton::clicked, this, &TformArchive::CancelClick);
    connect(btnHelp, &QPushButton::clicked, this, [] { ShowHelpKeyword(QStringLiteral("formArchive")); });
    connect(btnDirectory, &QPushButton::clicked, this, &TformArchive::ChooseDirectory);
    connect(btnRefresh, &QPushButton::clicked, this, &TformArchive::FillArchiveList);
    connect(listArchives, &QTreeWidget::itemSelectionChanged, this, &TformArchive::UpdateNextForSelection);
    for (QRadioButton* Radio : {radioServer, radioFloppy, radioPath})
        connect(Radio, &QRadioButton::toggled, this, [this](bool On) {
            if (On) ApplyMedium();
        });

    FCabinet->OnGetNextCabinet = [this](TCabinet*, TCabParameters& Params, QString& NewCabFileName, qint64,
                                        bool&) {
        const int Number = Params.CabinetNumber;
        Params.DiskName = Format("Disk%d", {Number + 1});
        const QFileInfo Current(FCabinet->CABFileName);
        NewCabFileName = Current.path() + QLatin1Char('/') +
                         Current.fileName().section(QLatin1Char('.'), 0, 0) + Format(".%d", {Number + 1}) +
                         QStringLiteral(".ldr");
        Params.MaxCabinetSize = Medium() == 1 ? FVolumeSize : LaterServerVolumeSize;
        FCabinet->CABFileName = NewCabFileName;
    };
    FCabinet->OnFilePlacedEvent = [this](TCabinet*, TCabParameters&, const QString&, qint64, bool, bool&) {
        ++FVolumeCount;
    };
    FCabinet->OnProgress = [this](TCabinet*, qint64 Done, qint64 Total) {
        progressBar->setMaximum(int(Total / 1024) + 1);
        progressBar->setValue(int(Done / 1024));
    };
    FCabinet->OnError = [this](TCabinet*, int, int) { FCabinetFailed = true; };
    FFileCopy->OnCopyProgress = [this](TFileCopyNew*, int ReadPercent, int WritePercent) {
        const int Position = (ReadPercent + WritePercent) / 2;
        progressBar->setMaximum(100);
        if (Position > progressBar->value()) {
            progressBar->setValue(Position);
            QCoreApplication::processEvents();
        }
    };
    FFileCopy->OnOverriding = [](TFileCopyNew*, bool& Overwrite) { Overwrite = true; };
    FFileCopy->OnError = [](TFileCopyNew*, const QString&) {};

    if (!ProgramDir.isEmpty()) {
        RemoveStaleWorkFiles();
        FRun = std::make_unique<TRunFolder>(TemporaryRoot());
        FTempFolder = FRun->Path();
    }
    ReadSettings();
    if (!ProgramDir.isEmpty() && QDir(ProgramDir).exists())
        MoveToStep(FMode == amRestore ? 0 : 20, 0);
    else {
        FStep = 0;
        Failure(8);
    }
}

// A window freed without closing (its owner going) still leaves its choices and no temporary files.
TformArchive::~TformArchive() {
    if (FClosed) return;
    WriteSettings();
}

void TformArchive::Execute(QWidget* Owner, int Mode, std::function<bool()> OnReplacing) {
    TformArchive Form(Owner, Mode);
    Form.OnReplacing = std::move(OnReplacing);
    Form.exec();
}

int TformArchive::Medium() const {
    if (radioFloppy->isChecked()) return 1;
    if (radioPath->isChecked()) return 2;
    return 0;
}

void TformArchive::ReadSettings() {
    const bool Floppy = ReadRegString(QStringLiteral("formArchive_radioFloppy")) == QLatin1String("1");
    const bool Path = ReadRegString(QStringLiteral("formArchive_radioPath")) == QLatin1String("1");
    const QString Directory = ReadRegString(QStringLiteral("formArchive_editDirectory"));
    if (!Directory.isEmpty()) editDirectory->setText(Directory);
    if (ReadRegString(QStringLiteral("formArchive_radioServer")) == QLatin1String("1") || (!Floppy && !Path))
        radioServer->setChecked(true);
    else if (Floppy)
        radioFloppy->setChecked(true);
    else
        radioPath->setChecked(true);
    ApplyMedium();
}

void TformArchive::WriteSettings() {
    auto Flag = [](bool On) { return On ? QStringLiteral("1") : QStringLiteral("0"); };
    WriteRegString(QStringLiteral("formArchive_radioServer"), Flag(radioServer->isChecked()));
    WriteRegString(QStringLiteral("formArchive_radioFloppy"), Flag(radioFloppy->isChecked()));
    WriteRegString(QStringLiteral("formArchive_radioPath"), Flag(radioPath->isChecked()));
    WriteRegString(QStringLiteral("formArchive_editDirectory"), editDirectory->text());
}

void TformArchive::ApplyMedium() {
    const int M = Medium();
    editVolumeSize->setEnabled(M == 1 || M == 2);
    labelVolumeSize->setEnabled(M == 1 || M == 2);
    comboDrive->setEnabled(M == 1);
    editDirectory->setEnabled(M == 2);
    btnDirectory->setEnabled(M == 2);
    if (FMode == amRestore && FStep == 0) FillArchiveList();
}

QString TformArchive::MediumFolder() const {
    switch (Medium()) {
    case 1:
        return FFloppy->Root();
    case 2:
        return EnsureTrailing(editDirectory->text(), QStringLiteral("/"));
    default:
        return DatabaseDir + ArchiveFolderName + QLatin1Char('/');
    }
}

void TformArchive::FillArchiveList() {
    listArchives->clear();
    for (const TArchiveRow& Row : FindArchives(MediumFolder()))
        new QTreeWidgetItem(listArchives, {Row.Date, Row.Time});
    UpdateNextForSelection();
}

void TformArchive::UpdateNextForSelection() {
    if (FStep != 0) return;
    btnNext->setEnabled(!listArchives->selectedItems().isEmpty());
    UpdateCancelCaption();
}

void TformArchive::UpdateCancelCaption() {
    btnCancel->setText(btnNext->isEnabled() ? QStringLiteral("О&тказ") : QStringLiteral("&Изход"));
}

void TformArchive::ShowInfo(const QString& Text) {
    QString Shown = Text;
    Shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    labelInfo->setText(Shown);
}

void TformArchive::SetStatus(const QString& Text) {
    labelStatus->setText(Text);
    QCoreApplication::processEvents();
}

void TformArchive::SetBusy(bool Busy) {
    FBusy = Busy;
    if (Busy) {
        btnNext->setEnabled(false);
        btnBack->setEnabled(false);
        progressBar->setValue(0);
        panelProgress->show();
        UpdateCancelCaption();
        btnCancel->setText(QStringLiteral("О&тказ"));
    }
}

void TformArchive::MoveToStep(int Step, int BackStep) {
    const int Leaving = FStep;
    FStep = Step;
    FPrevStep = BackStep;
    btnBack->setEnabled(!(Leaving < 1 || Leaving == 20));
    btnNext->setEnabled(Step < 98 && Step != -1);
    // The medium is chosen on the first page only; later steps work with that choice.
    groupMedium->setEnabled(Step == 0 || Step == 20);
    UpdateCancelCaption();
    if (btnNext->isEnabled())
        btnNext->setFocus();
    else if (btnBack->isEnabled())
        btnBack->setFocus();
    else
        btnCancel->setFocus();
    RunStep();
}

void TformArchive::RunStep() {
    const bool Restore = FMode == amRestore;
    switch (FStep) {
    case 0:
        ShowInfo(
            QStringLiteral("Този помощник ще ви помогне да възстановите данните от архивно копие. Изберете "
                           "архива, който желаете за възстановите от списъка."));
        groupMedium->setTitle(QStringLiteral(" Възстановяване на архивно копие от "));
        groupMedium->show();
        panelArchives->show();
        panelProgress->hide();
        FillArchiveList();
        break;
    case 1:
    case 21:
        // The temporary folder goes when the wizard closes, and an archive in it with it; a link
        // leads there as well as the folder's own name.
        if (!Restore && Medium() != 1 &&
            FolderWithin(CanonicalPath(ArchiveTargetFolder()), CanonicalPath(TemporaryRoot())))
            return Failure(16);
        if (!PrepareTemporaryFolder()) return Failure(3);
        MoveToStep(Restore ? 2 : 23, Restore ? 0 : 20);
        break;
    case 2: {
        ShowInfo(
            QStringLiteral("Извършва се четене на данните за архивното копие и възстановяване на данните."));
        const int Code = RestoreRun();
        // The extracted database (with the operators' passwords) goes at once, whatever happened.
        DeleteDirectoryTree(FTempFolder);
        if (Code != 0) return Failure(Code);
        MoveToStep(98, 0);
        break;
    }
    case 20:
        groupMedium->setTitle(QStringLiteral(" Създаване на архивно копие на "));
        ShowInfo(QStringLiteral("Този помощник ще ви помогле да създадете архивно копие на данните."));
        groupMedium->show();
        panelArchives->hide();
        panelProgress->hide();
        checkDeleteDisk->hide();
        break;
    case 23: {
        ShowInfo(
            QStringLiteral("Извършва се изтегляне на данните, архивиране и прехвърляне на архивното копие. "
                           "Моля изчакайте."));
        const int Code = ArchiveRun();
        if (Code != 0) return Failure(Code);
        MoveToStep(Medium() == 1 ? 24 : 99, 20);
        break;
    }
    case 24:
        ShowInfo(
            QStringLiteral("Ще се извърши прехвърляне на архивното копие на дискети. Моля, поставете първата "
                           "дискета и натиснете Продължение.\r\rВНИМАНИЕ: Всички съществуващи файлове на "
                           "дискетите ще бъдат изтрити!"));
        panelProgress->hide();
        checkDeleteDisk->show();
        break;
    case 25: {
        SetStatus(QStringLiteral("Прехвърляне на архивното копие ..."));
        const int Code = TransferToFloppies();
        if (Code != 0) return Failure(Code);
        MoveToStep(99, 20);
        break;
    }
    case 98:
    case 99:
        FBusy = false;
        panelProgress->hide();
        groupMedium->hide();
        panelArchives->hide();
        checkDeleteDisk->hide();
        if (FStep == 99)
            ShowInfo(QStringLiteral("Архивирането на данните е извършено успешно.\r") + ArchivePlace());
        else if (FInstalledChecked && FReopened)
            ShowInfo(Format(QStringLiteral("Възстановяването на данните е извършено успешно.\r"
                                           "Предишните данни са запазени във файл %s."),
                            {FKept}));
        else
            ShowInfo(
                Format(QStringLiteral("Данните от архива са възстановени, но базата не можа да бъде %s.\r"
                                      "Предишните данни са запазени във файл %s."),
                       {!FReopened && !FInstalledChecked ? QStringLiteral("проверена и отворена отново")
                        : FReopened ? QStringLiteral("проверена след копирането; отварянето ѝ отново "
                                                     "е успешно")
                                    : QStringLiteral("отворена отново; проверката ѝ след копирането е "
                                                     "успешна"),
                        FKept}));
        btnNext->setEnabled(false);
        btnBack->setEnabled(false);
        btnCancel->setEnabled(true);
        UpdateCancelCaption();
        btnCancel->setFocus();
        break;
    default:
        break;
    }
}

void TformArchive::Failure(int Code) {
    FErrorCode = Code;
    const QString Before = labelInfo->text();
    FStep = -1;
    btnNext->setEnabled(false);
    btnBack->setEnabled(false);
    FBusy = false;
    FCancelRequest = false;
    panelProgress->hide();
    panelArchives->hide();
    groupMedium->hide();
    checkDeleteDisk->hide();
    QString Message = ErrorMessage(Code);
    // Every way a restore is cancelled comes before the live database is touched.
    if (Code == 5 && FMode == amRestore) Message += QStringLiteral("\rТекущите данни не са променени.");
    if (!FFailureDetail.isEmpty()) Message += QLatin1Char('\r') + FFailureDetail;
    FFailureDetail.clear();
    ShowInfo(Before + QStringLiteral("\r\r") + Message);
    btnCancel->setEnabled(true);
    UpdateCancelCaption();
    btnCancel->setFocus();
}

// What a run that was killed left behind: the temporary folder with its clear copy of the
// database and half-written volumes, a kept copy still under its temporary name, and an empty
// file under a kept name from before kept copies were renamed into place.
void TformArchive::RemoveStaleWorkFiles() {
    TRunFolder::RemoveLeftOver(TemporaryRoot());
    // A kept copy under its temporary name may be one that another workstation's run is writing.
    if (TRunFolder::AnyRunning(TemporaryRoot())) return;
    const QFileInfo Live(DatabaseFileName);
    const QString Kept = Live.completeBaseName() + QStringLiteral("-*.") + Live.suffix();
    const QFileInfoList Files =
        QDir(DatabaseDir).entryInfoList({Kept, Kept + PartialCopySuffix + QLatin1Char('*')}, QDir::Files);
    for (const QFileInfo& File : Files)
        if (File.size() == 0 || !File.fileName().endsWith(QLatin1Char('.') + Live.suffix()))
            QFile::remove(File.filePath());
}

bool TformArchive::PrepareTemporaryFolder() {
    return !FTempFolder.isEmpty() && DeleteDirectoryTree(FTempFolder) && QDir().mkpath(FTempFolder);
}

QString TformArchive::TemporaryRoot() const {
    return ProgramDir + TemporaryFolderName + QLatin1Char('/');
}

QString TformArchive::ArchiveTargetFolder() const {
    switch (Medium()) {
    case 0:
        return DatabaseDir + ArchiveFolderName + QLatin1Char('/');
    case 2:
        return EnsureTrailing(editDirectory->text(), QStringLiteral("/"));
    default:
        return QString();
    }
}

// Where the archive just made went: the folder and its volumes, or the disks.
QString TformArchive::ArchivePlace() const {
    const QString First = ArchiveVolumeName(FBaseName, 1);
    if (Medium() == 1)
        return Format(
            QStringLiteral("Архивното копие %s е записано на %d %s."),
            {FBaseName, FDiskCount, FDiskCount == 1 ? QStringLiteral("дискета") : QStringLiteral("дискети")});
    const QString Files =
        FVolumeCount > 1 ? First + QStringLiteral(" … ") + ArchiveVolumeName(FBaseName, FVolumeCount) : First;
    return Format(QStringLiteral("Архивното копие е записано в папка %s: %s."),
                  {QDir::toNativeSeparators(QDir::cleanPath(ArchiveTargetFolder())), Files});
}

bool TformArchive::CopyFile(const QString& Source, const QString& Target) {
    FFileCopy->SetSourceFile(Source);
    FFileCopy->SetTargetFile(Target);
    progressBar->setMaximum(100);
    progressBar->setValue(0);
    return FFileCopy->Execute();
}

// Another workstation may hold its write lock longer than one busy wait: a few are tried.
bool TformArchive::ReopenDatabase() {
    for (int Attempt = 0; Attempt < 3; ++Attempt) {
        TDelimitedStringList List;
        try {
            RunQuery(this, AdoConnection, QStringLiteral(R"sql(Select code_va from VA)sql"), &List);
            return true;
        } catch (const EDatabaseError&) {
        }
    }
    return false;
}

int TformArchive::ArchiveRun() {
    SetBusy(true);
    const int M = Medium();
    const QString Target = M == 1 ? FTempFolder : ArchiveTargetFolder();
    if (M == 0 && !QDir().mkpath(Target)) return 11;
    FVolumeSize = M == 1 ? editVolumeSize->text().toLongLong() : ServerVolumeSize;
    if (FVolumeSize <= 0) FVolumeSize = ServerVolumeSize;

    // The online backup reads a consistent state while other workstations (and this program's
    // own connection) stay open; their commits wait for it.
    const QString Live = DatabaseDir + DatabaseFileName;
    const QString Copy = FTempFolder + NameInCabinet;
    if (!QFileInfo::exists(Live)) {
        ShowErrorFmt(QStringLiteral("Файл %s не същесвува"), {Live});
        return 2;
    }
    SetStatus(QStringLiteral("Изтегляне на данните ..."));
    if (!CopyDatabaseFile(Live, Copy)) return 2;

    SetStatus(QStringLiteral("Компресиране на архивното копие ..."));
    FVolumeCount = 0;
    FCabinetFailed = false;
    FBaseName = ArchiveBaseName(QDateTime::currentDateTime());
    FCabinet->VolumeName = QStringLiteral("Disk1");
    FCabinet->VolumeSize = FVolumeSize;
    FCabinet->FolderThreshold = 10000000;
    FCabinet->CompressionType = ctMSZIP;
    FCabinet->CABFileName = Target + ArchiveVolumeName(FBaseName, 1);
    FCabinet->SetDestinationPath(Target);
    bool Ok = FCabinet->StartCompression();
    const bool Added = Ok && FCabinet->AddFile(Copy, NameInCabinet);
    // A failed add still flushes and ends, which removes what was written of the set.
    Ok = FCabinet->FlushCabinet(false) && Added && !FCabinetFailed;
    FCabinet->EndCompression();
    QFile::remove(Copy); // a clear copy of the database, passwords included
    if (Ok) return 0;
    if (FCabinet->LastErrorCode() == ceUserAbort) return 5;
    // Nothing of the set is left; the operator is told which file failed and why.
    if (const QString& File = FCabinet->LastErrorFile(); !File.isEmpty()) {
        const int Code = FCabinet->LastErrorCode();
        FFailureDetail = Format(QStringLiteral("Файлът %s не можа да бъде %s. %s"),
                                {QDir::toNativeSeparators(File),
                                 Code == ceOpenSource || Code == ceReadSource ? QStringLiteral("прочетен")
                                                                              : QStringLiteral("записан"),
                                 WriteFailureReason(FCabinet->LastErrorType())});
    }
    return 7;
}

int TformArchive::TransferToFloppies() {
    SetBusy(true);
    FCancelRequest = false;
    FDiskCount = 0;
    bool NewDisk = true;
    // The sets the operator chose to keep: a disk that still holds one is not erased.
    QStringList Kept;
    for (int N = 1; N <= FVolumeCount; ++N) {
        const QString Volume = FTempFolder + ArchiveVolumeName(FBaseName, N);
        const qint64 Size = FileSizeByName(Volume);
        bool Erase = N == 1 && checkDeleteDisk->isChecked();
        for (;;) {
            // A disk kept as it is takes this set's label: a set already on it could no longer be
            // restored. Later volumes go on this disk or on an erased one.
            if (!Erase && N == 1) {
                const QString Other = OtherArchiveOnDisk();
                if (!Other.isEmpty() &&
                    ConfirmYesNoFmt(
                        QStringLiteral("Дискетата в устройството съдържа архивно копие %s, което "
                                       "няма да може да бъде възстановено, ако на нея се запише "
                                       "и това.\rДа се запише ли архивното копие на тази дискета?"),
                        {Other}) != mrYes) {
                    Kept << Other;
                    if (ConfirmOkCancelFmt(NextFloppyPrompt) != mrOk) return 2;
                    Erase = true;
                    continue;
                }
            }
            if (Erase) {
                // OK with the disk just written still in the drive must not wipe it.
                if (const int Earlier = EarlierVolumeOnDisk(N)) {
                    if (ConfirmOkCancelFmt(QStringLiteral("Дискетата в устройството съдържа част %d от това "
                                                          "архивно копие.\r") +
                                               NextFloppyPrompt,
                                           {Earlier}) != mrOk)
                        return 2;
                    continue;
                }
                if (const QString Other = OtherArchiveOnDisk(); Kept.contains(Other)) {
                    if (ConfirmOkCancelFmt(
                            QStringLiteral("Дискетата в устройството съдържа архивно копие %s, "
                                           "което избрахте да запазите.\r") +
                                NextFloppyPrompt,
                            {Other}) != mrOk)
                        return 2;
                    continue;
                }
                SetStatus(QStringLiteral("Изтриване на дискетата ..."));
                FFloppy->Erase();
            }
            const qint64 Free = FFloppy->FreeSpace();
            if (Free < 0) return 2;
            if (Free >= Size) break;
            // No other disk of this kind would take it either.
            if (FloppyIsEmpty()) {
                FFailureDetail = Format(QStringLiteral("Част %d от архивното копие е %d байта, а празната "
                                                       "дискета побира %d байта. Моля задайте по-малък "
                                                       "максимален размер."),
                                        {N, Size, Free});
                return 18;
            }
            if (ConfirmOkCancelFmt(NextFloppyPrompt) != mrOk) return 2;
            Erase = true;
            NewDisk = true;
        }
        if (NewDisk) ++FDiskCount;
        NewDisk = false;
        SetStatus(QStringLiteral("Прехвърляне на архивното копие ..."));
        if (!CopyFile(Volume, FFloppy->Root() + ArchiveVolumeName(FBaseName, N))) return 2;
        if (!FFloppy->SetLabel(FloppyVolumeLabel(N, FVolumeCount))) return 13;
        if (FCancelRequest) return 5;
    }
    return 0;
}

int TformArchive::EarlierVolumeOnDisk(int Number) const {
    for (int Earlier = Number - 1; Earlier >= 1; --Earlier)
        if (!FindFileNoCase(FFloppy->Root(), ArchiveVolumeName(FBaseName, Earlier)).isEmpty()) return Earlier;
    return 0;
}

QString TformArchive::OtherArchiveOnDisk() const {
    for (const QString& Name :
         QDir(FFloppy->Root())
             .entryList({ArchiveNameMask + QStringLiteral(".ldr")}, QDir::Files, QDir::Name)) {
        QString Base = Name.section(QLatin1Char('.'), 0, 0);
        if (Base != FBaseName) return Base;
    }
    return QString();
}

bool TformArchive::FloppyIsEmpty() const {
    return QDir(FFloppy->Root())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .isEmpty();
}

int TformArchive::CopyFromFloppies(const QString& BaseName) {
    SetStatus(QStringLiteral("Прехвърляне на архивното копие ..."));
    FCancelRequest = false;
    int Count = 1;
    for (int N = 1; N <= Count; ++N) {
        const QString Name = ArchiveVolumeName(BaseName, N);
        QString Path = FindFileNoCase(FFloppy->Root(), Name);
        while (Path.isEmpty()) {
            // The operator's cancel: nothing has been touched yet.
            if (ConfirmOkCancelFmt(NextFloppyPrompt) != mrOk) return 5;
            Path = FindFileNoCase(FFloppy->Root(), Name);
        }
        const std::optional<QString> Label = FFloppy->Label();
        if (!Label) return 14;
        Count = VolumeCountFromLabel(*Label);
        if (!CopyFile(Path, FTempFolder + Name)) return 2;
        if (FCancelRequest) return 5;
    }
    return 0;
}

// Claims the name under which the live database is kept when a restore replaces it: the
// database's name with the time of the restore, in the database folder. The name is created empty
// here, so that another workstation restoring in the same second takes the next one; a name whose
// copy another workstation is still writing is passed over too. "" when no file can be created.
namespace {
QString ClaimKeptDatabaseName(const QDateTime& When) {
    const QFileInfo Live(DatabaseFileName);
    for (int N = 1; N < 1000; ++N) {
        QString Name = DatabaseDir + Live.completeBaseName() + QLatin1Char('-') + ArchiveBaseName(When) +
                       (N > 1 ? QStringLiteral("-%1").arg(N) : QString()) + QLatin1Char('.') + Live.suffix();
        if (QFileInfo::exists(Name + PartialCopySuffix)) continue;
        QFile Claim(Name);
        if (Claim.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return Name;
        if (!Claim.exists()) break;
    }
    return QString();
}
} // namespace

// Nothing is replaced unless the archived database passes the check, is this program's, the
// operator agrees and the windows showing the current rows are closed. The current data are kept
// and the archived ones put in under one write lock, so that no save another workstation makes
// meanwhile falls between them. The extracted file is checksummed before that lock, as it may take
// seconds.
int TformArchive::InstallDatabase(const QString& Extracted, const QString& ArchiveWhen) {
    const QByteArray Checked = CheckedFingerprint(Extracted);
    if (FCancelRequest) return 5;
    if (Checked.isEmpty() || !DatabaseFileIsSound(Extracted) || !IsProgramDatabase(Extracted)) return 6;
    if (ConfirmYesNoFmt(QStringLiteral("Текущите данни ще бъдат заменени с данните от архива от %s.\rВсички "
                                       "документи, записани след тази дата на всички работни места, ще "
                                       "бъдат заменени.\rЖелаете ли да продължите?"),
                        {ArchiveWhen}) != mrYes)
        return 5;
    // A window kept open by the operator (work not saved) is a cancel.
    if (OnReplacing && !OnReplacing()) return 5;
    // The question and the windows let other work run: what goes in must be what was checked.
    if (CheckedFingerprint(Extracted) != Checked) return 17;
    // "Отказ" during the checks is honoured while nothing is touched; from here on the replacement
    // runs to its end.
    if (FCancelRequest) return 5;
    btnCancel->setEnabled(false);
    SetStatus(QStringLiteral("Възстановяване на данните ..."));
    const QString Kept = ClaimKeptDatabaseName(QDateTime::currentDateTime());
    // The database is locked meanwhile: the wizard only repaints, so that no other work of this
    // program runs against it.
    QElapsedTimer SinceShown;
    SinceShown.start();
    progressBar->setMaximum(0);
    const auto Working = [this, &SinceShown] {
        if (SinceShown.elapsed() < 100) return;
        SinceShown.restart();
        repaint();
    };
    const TReplaceOutcome Outcome =
        Kept.isEmpty() ? roNotReplaced
                       : ReplaceDatabaseFile(
                             Extracted, DatabaseDir + DatabaseFileName, Kept,
                             [this] { SetStatus(QStringLiteral("Проверка на базата ...")); }, Working);
    if (Outcome == roBusy || Outcome == roNotReplaced) {
        FFailureDetail = Outcome == roBusy
                             ? QStringLiteral("Базата данни се използва от друго работно място. "
                                              "Моля опитайте отново по-късно.\r")
                             : QString();
        FFailureDetail += QStringLiteral("Текущите данни не са променени.");
        return 2;
    }
    FKept = Kept;
    FInstalledChecked = Outcome == roReplacedSound;
    // Statements and the catalog of the replaced database go; what was read from it is read again.
    SetStatus(QStringLiteral("Активиране на базата ..."));
    if (AdoConnection) AdoConnection->Close();
    FReopened = ReopenDatabase();
    return 0;
}

// The checksum of the extracted database, with the progress shown: it may take seconds.
QByteArray TformArchive::CheckedFingerprint(const QString& Extracted) {
    SetStatus(QStringLiteral("Проверка на архивното копие ..."));
    return FileFingerprint(Extracted, [this](qint64 Done, qint64 Total) {
        progressBar->setMaximum(int(Total / 1024) + 1);
        progressBar->setValue(int(Done / 1024));
        QCoreApplication::processEvents();
    });
}

int TformArchive::RestoreRun() {
    const QList<QTreeWidgetItem*> Selected = listArchives->selectedItems();
    if (Selected.isEmpty()) return 1;
    SetBusy(true);
    FCancelRequest = false;
    const QString BaseName = ArchiveBaseNameOf({Selected.first()->text(0), Selected.first()->text(1)});
    QString Source;
    if (Medium() == 1) {
        const int Code = CopyFromFloppies(BaseName);
        if (Code != 0) return Code;
        Source = FTempFolder;
    } else
        Source = MediumFolder();

    SetStatus(QStringLiteral("Възстановяване на данните ..."));
    SetStatus(QStringLiteral("Декомпресиране на архивното копие ..."));
    FCabinet->CABFileName = Source + ArchiveVolumeName(BaseName, 1);
    FCabinet->SetDestinationPath(FTempFolder);
    FCabinetFailed = false;
    // The sizes the cabinet declares are weighed before anything is written: a cabinet of a few
    // kilobytes can unpack into gigabytes and fill the disk the live database needs.
    const QStorageInfo ExtractionDisk(FTempFolder);
    const QStorageInfo DatabaseDisk(DatabaseDir);
    const qint64 LiveSize = FileSizeByName(DatabaseDir + DatabaseFileName);
    qint64 Declared = 0;
    bool TooLarge = false;
    int DatabaseEntries = 0;
    FCabinet->OnCopyFile = [&](TCabinet*, const QString& Name, qint64 Size, quint16, quint16, quint16,
                               TFileCopyAction& Action, QString&) {
        // Only the database is written: an archive of this program holds nothing else, and many
        // small entries in folders of their own would fill the disk the live database needs.
        if (Name.compare(NameInCabinet, Qt::CaseInsensitive) != 0) {
            Action = fcaSkip;
            return;
        }
        if (++DatabaseEntries > 1) {
            Action = fcaAbort;
            return;
        }
        Declared += Size;
        if (ExtractionFits(Declared, LiveSize, ExtractionDisk.bytesAvailable(), DatabaseDisk.bytesAvailable(),
                           ExtractionDisk.device() == DatabaseDisk.device()))
            return;
        TooLarge = true;
        Action = fcaAbort;
    };
    bool Extracted = false;
    try {
        Extracted = FCabinet->ExtractAll();
    } catch (const Exception&) {
        Extracted = false;
    }
    FCabinet->OnCopyFile = nullptr;
    if (TooLarge) return 15;
    if (DatabaseEntries != 1 && (Extracted || DatabaseEntries > 1)) {
        FFailureDetail =
            DatabaseEntries == 0
                ? Format(QStringLiteral("Архивът не съдържа файла на базата %s."), {NameInCabinet})
                : Format(QStringLiteral("Архивът съдържа повече от един файл %s."), {NameInCabinet});
        return 6;
    }
    if (!Extracted) return FCabinet->LastErrorCode() == ceUserAbort ? 5 : 6;
    const QString Database = FindFileNoCase(FTempFolder, NameInCabinet);
    if (Database.isEmpty()) return 6;
    return InstallDatabase(Database,
                           Selected.first()->text(0) + QLatin1Char(' ') + Selected.first()->text(1));
}

void TformArchive::CancelClick() {
    if (!FBusy) {
        close();
        return;
    }
    if (FCabinet->Busy())
        FCabinet->Abort();
    else
        FCancelRequest = true;
}

void TformArchive::ChooseDirectory() {
    const QString Folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Изберете директория ..."),
                                                             editDirectory->text());
    if (!Folder.isEmpty()) editDirectory->setText(Folder);
}

void TformArchive::reject() {
    CancelClick();
}

void TformArchive::closeEvent(QCloseEvent* Event) {
    if (FBusy) {
        Event->ignore();
        return;
    }
    if (!FClosed) {
        FClosed = true;
        WriteSettings();
        FRun.reset();
        FTempFolder.clear();
        if (QObject* Owner = parent()) {
            QEvent Closed(evArchiveClosed);
            QCoreApplication::sendEvent(Owner, &Closed);
        }
    }
    Event->accept();
    done(QDialog::Rejected);
}
