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

QList<TPdfWord> PdfWords(const QString& File) {
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">(.*)</word>"));
    QList<TPdfWord> words;
    int page = 0;
    for (const QString& line :
         Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), File, QStringLiteral("-")})
             .split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QStringLiteral("<page"))) ++page;
        const QRegularExpressionMatch m = word.match(line);
        if (!m.hasMatch()) continue;
        const double x1 = m.captured(1).toDouble(), y1 = m.captured(2).toDouble();
        words.append({page, m.captured(5).replace(QStringLiteral("&amp;"), QStringLiteral("&")),
                      QRectF(QPointF(x1, y1), QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}
