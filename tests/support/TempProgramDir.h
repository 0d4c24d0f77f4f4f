#pragma once
// A throwaway program folder for database tests: <tmp>/db/Lendora.mdb made by the program's own
// schema code, with AdoConnection pointed at it. The connection is freed and the folder removed
// when the object goes.

#include <QString>
#include <QTemporaryDir>

class TTempProgramDir {
public:
    // WithDatabase false leaves the db folder without a database file.
    explicit TTempProgramDir(bool WithDatabase = true);
    ~TTempProgramDir();
    TTempProgramDir(const TTempProgramDir&) = delete;
    TTempProgramDir& operator=(const TTempProgramDir&) = delete;

    // The program folder, with a trailing "/".
    QString Path() const;
    QString DatabaseFile() const;

private:
    QTemporaryDir FDir;
};
