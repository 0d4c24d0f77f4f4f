#include "tests/support/PdfTools.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

QString Run(const QString& Program, const QStringList& Arguments) {
    QProcess process;
    process.start(Program, Arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

int PdfPageCount(const QString& File) {
    const QString info = Run(QStringLiteral("pdfinfo"), {File});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PdfPageText(const QString& File, int Page) {
    QStringList arguments{QStringLiteral("-layout")};
    if (Page > 0)
        arguments << QStringLiteral("-f") << QString::number(Page) << QStringLiteral("-l")
                  << QString::number(Page);
    arguments << File << QStringLiteral("-");
    return Run(QStringLiteral("pdftotext"), arguments);
}

QStringList PdfPageTexts(const QString& File) {
    QStringList pages = PdfPageText(File).split(QLatin1Char('\f'));
    // pdftotext ends the last page with a form feed too.
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

QStringList PdfWordBoxes(const QString& File) {
    QStringList words;
    for (const QString& line :
         Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), File, QStringLiteral("-")})
             .split(QLatin1Char('\n')))
        if (line.trimmed().startsWith(QStringLiteral("<word"))) words << line.trimmed();
    return words;
}
