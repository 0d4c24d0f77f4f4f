#pragma once
// A fresh, empty settings store in a folder of its own for the life of the object.

#include <QString>
#include <QTemporaryDir>

class TTempRegistry {
public:
    TTempRegistry();
    ~TTempRegistry();
    TTempRegistry(const TTempRegistry&) = delete;
    TTempRegistry& operator=(const TTempRegistry&) = delete;
    QString FileName() const;

private:
    QTemporaryDir FDir;
    QString FPrevious;
};
