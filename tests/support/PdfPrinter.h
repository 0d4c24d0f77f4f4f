#pragma once
// Makes the PDF pseudo-printer the current printer for the life of the object, writing its
// jobs into a file of a temporary folder.

#include <QString>
#include <QTemporaryDir>

class TPdfPrinterScope {
public:
    TPdfPrinterScope();
    ~TPdfPrinterScope();
    TPdfPrinterScope(const TPdfPrinterScope&) = delete;
    TPdfPrinterScope& operator=(const TPdfPrinterScope&) = delete;
    QString FileName() const;
    QString Dir() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};
