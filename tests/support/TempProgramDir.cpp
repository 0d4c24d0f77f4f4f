#include "tests/support/TempProgramDir.h"

#include "core/unDatabase.h"

#include <QDir>

TTempProgramDir::TTempProgramDir(bool WithDatabase) {
    if (!FDir.isValid()) throw Exception(QStringLiteral("Cannot create a temporary folder"));
    QDir(FDir.path()).mkpath(QStringLiteral("db"));
    if (WithDatabase) CreateDatabaseFile(DatabaseFile());
    CreateAdoConnection(nullptr, Path());
}

TTempProgramDir::~TTempProgramDir() {
    FreeAdoConnection();
}

QString TTempProgramDir::Path() const {
    return FDir.path() + QLatin1Char('/');
}

QString TTempProgramDir::DatabaseFile() const {
    return Path() + QStringLiteral("db/") + DatabaseFileName;
}
