#pragma once
// The workstation's settings store: options, last inputs and window placements.
//
// The store is an INI file (organisation "Brivo-Tek", application "Kovo_Lab") under the user's
// configuration folder. Names ignore case, as they always have: a name is looked up among the
// existing ones whatever its case and keeps the spelling it was first written with. Keys are
// paths below the product key with "/" between the parts, e.g. "Forms/TfrmItems".

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

// Points the store at Path; an empty Path returns it to the user's file. Tests use this so they
// never touch the user's settings.
void SetRegistryFile(const QString& Path);
// The file set above; "" while the store is the user's file.
QString RegistryFile();

// One key of the store, opened for the life of the object.
class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens Key (relative to the product key, "" = the product key). A key that does not exist
    // opens only with CanCreate.
    bool OpenKey(const QString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString& Key);
    bool KeyExists(const QString& Key) const;
    bool ValueExists(const QString& Name) const;
    QStringList GetValueNames() const;
    QStringList GetKeyNames() const;

    // nullopt when the value is missing (or not a whole number).
    std::optional<QString> ReadString(const QString& Name) const;
    std::optional<int> ReadInteger(const QString& Name) const;
    // Writing needs a key opened for writing; false otherwise.
    bool WriteString(const QString& Name, const QString& Value);
    bool WriteInteger(const QString& Name, int Value);
    bool DeleteValue(const QString& Name);
    // Deletes the subkey Key of the open key with all it holds.
    bool DeleteKey(const QString& Key);
    // Writes pending changes; false when the file could not be written.
    bool Flush();

private:
    QString ResolveName(const QString& Name) const;
    std::optional<QString> ResolveKey(const QString& Key) const;
    std::unique_ptr<QSettings> FSettings;
    QString FGroup; // the open key as stored, "" = the product key
    bool FOpen = false;
    bool FWritable = false;
};

// A window's placement in pixels; -1 for a value that is missing.
struct TFormPlacement {
    int Left = -1;
    int Top = -1;
    int Width = -1;
    int Height = -1;
};

// The string value Name of the product key; "" when missing.
QString ReadRegString(const QString& Name);
// Writes Name under the product key; failures are silent.
void WriteRegString(const QString& Name, const QString& Value);
// Writes PositionX, PositionY, SizeX, SizeY under "Forms/" + FormName; false when it cannot.
bool SaveFormPlacement(const QString& FormName, const TFormPlacement& Placement);
// True when the window has a placement key; each missing value reads -1. False leaves
// Placement untouched.
bool LoadFormPlacement(const QString& FormName, TFormPlacement& Placement);
int ReadRegIntDef(const TRegistry& Registry, const QString& Name, int Default);
QString ReadRegStrDef(const TRegistry& Registry, const QString& Name, const QString& Default);
