#include "tests/support/DesktopLocale.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>

TDesktopLocale::TDesktopLocale(const QString& Name) : FPrevious(std::setlocale(LC_ALL, nullptr)) {
    const QByteArray full = (Name + QStringLiteral(".UTF-8")).toLatin1();
    if (std::setlocale(LC_ALL, full.constData())) return;
    // glibc reads LOCPATH at every setlocale: a locale compiled there leaves the machine alone.
    static QTemporaryDir compiled;
    const QString target = compiled.filePath(QString::fromLatin1(full));
    if (!QFile::exists(target) &&
        QProcess::execute(QStringLiteral("localedef"), {QStringLiteral("-i"), Name, QStringLiteral("-f"),
                                                        QStringLiteral("UTF-8"), target}) != 0)
        FMissing = QStringLiteral("locale %1 is not installed and localedef could not compile it").arg(Name);
    qputenv("LOCPATH", QFile::encodeName(compiled.path()));
    if (FMissing.isEmpty() && !std::setlocale(LC_ALL, full.constData()))
        FMissing = QStringLiteral("locale %1 could not be set").arg(Name);
}

TDesktopLocale::~TDesktopLocale() {
    std::setlocale(LC_ALL, FPrevious.c_str());
    qunsetenv("LOCPATH");
}
