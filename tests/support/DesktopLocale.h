#pragma once
// A desktop locale such as bg_BG in force (LC_ALL) for the life of the object, as the desktop
// hands it to the program. Compiled into a folder of the test's own when the machine has only its
// source; the previous locale comes back afterwards.

#include <QString>
#include <string>

class TDesktopLocale {
public:
    explicit TDesktopLocale(const QString& Name);
    ~TDesktopLocale();
    TDesktopLocale(const TDesktopLocale&) = delete;
    TDesktopLocale& operator=(const TDesktopLocale&) = delete;
    // Empty when the locale is in force; otherwise why it could not be had.
    const QString& Missing() const { return FMissing; }

private:
    std::string FPrevious;
    QString FMissing;
};
