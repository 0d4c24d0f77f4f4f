#pragma once
// Reading back what the PDF pseudo-printer wrote, through poppler's tools.

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

// The page count pdfinfo reports; -1 when it cannot read File.
int PdfPageCount(const QString& File);
// The text of page Page (from 1), or of every page when Page is 0, as pdftotext lays it out.
QString PdfPageText(const QString& File, int Page = 0);
// The texts of the pages, one entry per page.
QStringList PdfPageTexts(const QString& File);
// The word boxes of every page as pdftotext -bbox writes them, one "<word ...>" line each.
QStringList PdfWordBoxes(const QString& File);

// One word of a page with its box in points from the page's top left corner.
struct TPdfWord {
    int Page = 0; // from 1
    QString Text;
    QRectF Box;
};
QList<TPdfWord> PdfWords(const QString& File);
