#include "core/unRegistry.h"

#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

QString StoreFile;

std::unique_ptr<QSettings> OpenStore() {
    if (!StoreFile.isEmpty()) return std::make_unique<QSettings>(StoreFile, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, u"Brivo-Tek"_s,
                                       u"Kovo_Lab"_s);
}

// Finds Name among Names whatever its case; the stored spelling, or Name itself when absent.
QString Matching(const QStringList& names, const QString& name) {
    if (names.contains(name)) return name;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return n;
    return name;
}

QStringList SplitKey(const QString& key) {
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

} // namespace

void SetRegistryFile(const QString& Path) {
    StoreFile = Path;
}

QString RegistryFile() {
    return StoreFile;
}

TRegistry::TRegistry() : FSettings(OpenStore()) {}

TRegistry::~TRegistry() = default;

// The stored spelling of Key below the open key, or nullopt when some part of it does not exist.
std::optional<QString> TRegistry::ResolveKey(const QString& Key) const {
    QString path = FGroup;
    for (const QString& part : SplitKey(Key)) {
        FSettings->beginGroup(path);
        const QStringList children = FSettings->childGroups();
        FSettings->endGroup();
        const QString found = Matching(children, part);
        if (!children.contains(found)) return std::nullopt;
        path = path.isEmpty() ? found : path + u'/' + found;
    }
    return path;
}

QString TRegistry::ResolveName(const QString& Name) const {
    FSettings->beginGroup(FGroup);
    const QString found = Matching(FSettings->childKeys(), Name);
    FSettings->endGroup();
    return FGroup.isEmpty() ? found : FGroup + u'/' + found;
}

bool TRegistry::OpenKey(const QString& Key, bool CanCreate) {
    if (std::optional<QString> existing = ResolveKey(Key)) {
        FGroup = *existing;
    } else {
        if (!CanCreate) return false;
        // The parts that exist keep their spelling; the new ones are written as given.
        QString path = FGroup;
        for (const QString& part : SplitKey(Key)) {
            FSettings->beginGroup(path);
            const QString found = Matching(FSettings->childGroups(), part);
            FSettings->endGroup();
            path = path.isEmpty() ? found : path + u'/' + found;
        }
        FGroup = path;
    }
    FOpen = true;
    FWritable = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& Key) {
    // The product key itself always opens: missing values simply read as missing.
    std::optional<QString> existing = ResolveKey(Key);
    if (!existing) return false;
    FGroup = *existing;
    FOpen = true;
    FWritable = false;
    return true;
}

bool TRegistry::KeyExists(const QString& Key) const {
    return ResolveKey(Key).has_value();
}

bool TRegistry::ValueExists(const QString& Name) const {
    return FSettings->contains(ResolveName(Name));
}

QStringList TRegistry::GetValueNames() const {
    FSettings->beginGroup(FGroup);
    QStringList names = FSettings->childKeys();
    FSettings->endGroup();
    return names;
}

QStringList TRegistry::GetKeyNames() const {
    FSettings->beginGroup(FGroup);
    QStringList names = FSettings->childGroups();
    FSettings->endGroup();
    return names;
}

std::optional<QString> TRegistry::ReadString(const QString& Name) const {
    if (!FOpen) return std::nullopt;
    const QVariant v = FSettings->value(ResolveName(Name));
    if (!v.isValid()) return std::nullopt;
    // A hand-edited value with commas and no quotes comes back as a list.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(u',');
    return v.toString();
}

std::optional<int> TRegistry::ReadInteger(const QString& Name) const {
    const std::optional<QString> text = ReadString(Name);
    if (!text) return std::nullopt;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

bool TRegistry::WriteString(const QString& Name, const QString& Value) {
    if (!FOpen || !FWritable) return false;
    FSettings->setValue(ResolveName(Name), Value);
    return true;
}

bool TRegistry::WriteInteger(const QString& Name, int Value) {
    if (!FOpen || !FWritable) return false;
    FSettings->setValue(ResolveName(Name), Value);
    return true;
}

bool TRegistry::DeleteValue(const QString& Name) {
    if (!FOpen || !FWritable || !ValueExists(Name)) return false;
    FSettings->remove(ResolveName(Name));
    return true;
}

bool TRegistry::DeleteKey(const QString& Key) {
    std::optional<QString> existing = ResolveKey(Key);
    if (!FOpen || !FWritable || !existing) return false;
    FSettings->remove(*existing);
    return true;
}

bool TRegistry::Flush() {
    FSettings->sync();
    return FSettings->status() == QSettings::NoError;
}

QString ReadRegString(const QString& Name) {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(QString())) return QString();
    return reg.ReadString(Name).value_or(QString());
}

void WriteRegString(const QString& Name, const QString& Value) {
    TRegistry reg;
    if (reg.OpenKey(QString(), true)) reg.WriteString(Name, Value);
    reg.Flush();
}

bool SaveFormPlacement(const QString& FormName, const TFormPlacement& Placement) {
    TRegistry reg;
    if (!reg.OpenKey(u"Forms/"_s + FormName, true)) return false;
    reg.WriteInteger(u"PositionX"_s, Placement.Left);
    reg.WriteInteger(u"PositionY"_s, Placement.Top);
    reg.WriteInteger(u"SizeX"_s, Placement.Width);
    reg.WriteInteger(u"SizeY"_s, Placement.Height);
    return reg.Flush();
}

bool LoadFormPlacement(const QString& FormName, TFormPlacement& Placement) {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(u"Forms/"_s + FormName)) return false;
    Placement.Left = ReadRegIntDef(reg, u"PositionX"_s, -1);
    Placement.Top = ReadRegIntDef(reg, u"PositionY"_s, -1);
    Placement.Width = ReadRegIntDef(reg, u"SizeX"_s, -1);
    Placement.Height = ReadRegIntDef(reg, u"SizeY"_s, -1);
    return true;
}

int ReadRegIntDef(const TRegistry& Registry, const QString& Name, int Default) {
    return Registry.ReadInteger(Name).value_or(Default);
}

QString ReadRegStrDef(const TRegistry& Registry, const QString& Name, const QString& Default) {
    return Registry.ReadString(Name).value_or(Default);
}
