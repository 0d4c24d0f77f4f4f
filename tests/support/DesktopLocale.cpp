#include "tests/support/DesktopLocale.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>

namespace {

// Compiled locales live as long as the test program: compiling one takes a second or two.
QTemporaryDir& LocaleDir() {
    static QTemporaryDir dir;
    return dir;
}

} // namespace

TDesktopLocale::TDesktopLocale(const QString& Name) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    FPrevious = previous ? previous : "C";
    const QByteArray full = (Name + QStringLiteral(".UTF-8")).toLatin1();
    if (std::setlocale(LC_ALL, full.constData())) return;
    if (!LocaleDir().isValid()) {
        FMissing = QStringLiteral("no temporary folder for the locale");
        return;
    }
    // glibc reads LOCPATH at every setlocale: a locale compiled there needs no change to the machine.
    const QString target = LocaleDir().filePath(QString::fromLatin1(full));
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-i"), Name, QStringLiteral("-f"), QStringLiteral("UTF-8"), target});
    if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0) {
        FMissing = QStringLiteral("locale %1 is not installed and localedef could not compile it").arg(Name);
        return;
    }
    qputenv("LOCPATH", QFile::encodeName(LocaleDir().path()));
    FSetPath = true;
    if (!std::setlocale(LC_ALL, full.constData()))
        FMissing = QStringLiteral("locale %1 compiled but not accepted").arg(Name);
}

TDesktopLocale::~TDesktopLocale() {
    std::setlocale(LC_ALL, FPrevious.c_str());
    if (FSetPath) qunsetenv("LOCPATH");
}
