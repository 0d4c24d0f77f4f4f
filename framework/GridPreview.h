#pragma once
// Printing a list window's grid. The grid is laid out on the page printer either as a picture
// (graphic mode: the grid painted under a heading block on each page) or as fixed-width text
// lines for dot-matrix printers (text mode), which are also kept in the printer's code page
// for sending raw to the printer.

#include "framework/PrintSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class RawPrinterSink;
class TPagePrinter;
class TStringGrid;
class TfmPrintProgress;

// A grid row whose first cell reads this ends its page; its second cell holds the caption and
// the report title of the pages after it, joined by "@".
extern const QString PageBreakMarker;

// Text-mode line widths and page length for a sheet of W x H millimetres; FixedChars, when not
// 0, is both line widths and FixedLines, when not 0, the page length.
struct TTextModeLayout {
    int NormalWidth = 80;
    int CondensedWidth = 136;
    int LinesPerPage = 62;
};
TTextModeLayout TextModeLayout(int WidthMm, int HeightMm, int FixedChars, int FixedLines);

// Everything one composition works from.
struct TGridPrintJob {
    TStringGrid* Grid = nullptr;
    TReportSettings* Setting = nullptr;
    TPagePrinter* Printer = nullptr;
    TfmPrintProgress* Progress = nullptr; // may be null

    QString Caption;
    QString ReportTitle;
    QString SecondHeading;
    QString ClosingText;
    QString PageLineOverride;
    QString FirmBlockOverride;
    // The firm's name, number and registration code of the text-mode heading.
    QString FirmName;
    QString FirmNumber;
    QString FirmCode;

    bool TitlesOnFirstPageOnly = false;
    bool SignatureBlock = false;
    bool ColorPrinting = true;
    bool MarkNegative = false;
    int HeaderShading = 0;

    TTextModeLayout TextLayout;
    bool VerticalSeparators = true;
    bool ContinuousPaper = false;
    // Text mode: the lines as the printer gets them, printer codes included, without line ends.
    QList<QByteArray> TextLines;

    // The clock of the date lines.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
};

// Fits rows from FirstRow under HeightLimit pixels, header rows included; FirstRow moves past
// them. PageBreak tells whether the page ended at a marker row (FirstRow is then that row).
// False when no rows remain; a row that fits on no page ends the document.
bool FitGridRows(TStringGrid* Grid, int& FirstRow, int HeightLimit, bool SetHeight, bool& PageBreak);

// Sets a grid up to be painted in the printer's pixels with the table font.
void PrepareGridForPrint(TGridPrintJob& Job, int TableWidth);
// Graphic mode.
void ComposeGridPages(TGridPrintJob& Job);
// Text mode.
void ComposeTextPages(TGridPrintJob& Job);
// Sends pages From..To of the text lines, Copies times each, to Sink; true when all were sent.
bool PrintTextPages(TGridPrintJob& Job, RawPrinterSink& Sink, int From, int To, int Copies);
