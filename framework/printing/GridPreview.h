#pragma once
// Printing a list window's grid. The grid is laid out on the page printer either as a picture
// (graphic mode: the grid painted under a heading block on each page) or as fixed-width text
// lines for dot-matrix printers (text mode), which are also kept in the printer's code page
// for sending raw to the printer.

#include "framework/printing/PrintDialogs.h"
#include "framework/printing/PrintSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class RawPrinterSink;
class TPagePrinter;
class TStringGrid;
class TfmPrintProgress;

// A grid row whose first cell reads this ends its page; its second cell holds the caption and
// the report title of the pages after it, joined by "@".
extern const QString PageBreakMarker;
// Follows the page line of a document whose composition was cancelled.
extern const QString IncompleteMark;

// Text-mode line widths and page length for a sheet of W x H millimetres; FixedChars, when not
// 0, is both line widths and FixedLines, when not 0, the page length.
struct TTextModeLayout {
    int NormalWidth = 80;
    int CondensedWidth = 136;
    int LinesPerPage = 62;
};
TTextModeLayout TextModeLayout(int WidthMm, int HeightMm, int FixedChars, int FixedLines);

// For each of the Printed columns of Grid, the index in Printed of the last one under the same
// header block.
QList<int> HeaderBlockEnds(TStringGrid* Grid, const QList<int>& Printed);
// Splits columns 0..n-1 of Widths (in any unit, each with its separator) into bands no wider than
// Room, Lead being what a line takes before its first column. Every band is led by the key
// columns: the leading ones, a report's number, date and name, at most three and the rest of a
// header block they start (BlockEnd: the last column of each one's block), within a third of
// Room. A column wider than a band can hold is given that width. One band when all fit.
QList<QList<int>> ColumnBands(QList<int>& Widths, int Room, int Lead, const QList<int>& BlockEnd);

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

// Graphic mode: the grid's printed columns in bands that fit the page at a readable size, each
// band led by the key columns, its rows in ranges that fit the page; the pages are drawn when
// shown or printed. False when the operator cancelled: the pages so far stay, their page line
// marked incomplete.
bool ComposeGridPages(TGridPrintJob& Job);
// Text mode: the same bands in characters; every page is mapped first, so a cancelled document's
// pages count the whole one's. False when the operator cancelled.
bool ComposeTextPages(TGridPrintJob& Job);
// Sends pages From..To of the text lines, Copies times each, to Sink; true when all were sent.
bool PrintTextPages(TGridPrintJob& Job, RawPrinterSink& Sink, int From, int To, int Copies);

// ---- the preview window

class QAction;
class QCheckBox;
class QEventLoop;
class QLabel;
class QListWidget;
class QSpinBox;
class QToolBar;
class TImageList;
class TRichGrid;

// Answers the print dialog for PageCount pages instead of showing it (tests); false on Cancel.
using TPrintDialogHook = std::function<bool(TPrintRequest& Request, int PageCount)>;
TPrintDialogHook SetPrintDialogHook(TPrintDialogHook Hook);

class TfmPrintPreview : public QWidget {
    Q_OBJECT
public:
    // Builds the window for Grid and composes its pages (arguments as PrintGrid takes them).
    TfmPrintPreview(int Orientation, TStringGrid* Grid, const QString& Caption, const QString& ReportTitle,
                    const QString& SettingsName, int HeaderShading, const QString& PageLine,
                    const QString& FirmBlock, bool SignatureBlock, bool TitlesOnFirstPageOnly,
                    bool ShowProgress, const QString& SecondHeading, const QString& ClosingText);
    ~TfmPrintPreview() override;

    TPagePrinter* PagePrinter;
    QToolBar* ToolBar;
    QWidget* ColumnsBar;
    TRichGrid* ColumnGrid;
    QSpinBox* udColumns;
    QWidget* SettingsBar;
    QListWidget* lbSettings;
    QCheckBox* cbDefault;
    QCheckBox* cbSave;
    QLabel* StatusPanels[4];
    TImageList* EyeImages;
    TfmPrintProgress* Progress;

    QAction* acExit;
    QAction* acPrint;
    QAction* acPrintSetup;
    QAction* acFirstPage;
    QAction* acLastPage;
    QAction* acPrevPage;
    QAction* acNextPage;
    QAction* acZoomPage;
    QAction* acZoom100;
    QAction* acZoomPageWidth;
    QAction* acPortrait;
    QAction* acLandscape;
    QAction* acZoomIn;
    QAction* acZoomOut;
    QAction* acPanLeft;
    QAction* acPanRight;
    QAction* acPanUp;
    QAction* acPanDown;
    QAction* acSelectColumns;
    QAction* acNewSetting;
    QAction* acEditSetting;
    QAction* acDeleteSetting;
    QAction* acApplySetting;
    QAction* acPrepareDocument;

    TSettings Settings;
    int CurrentSetting = -1;
    QString SettingsName;
    bool TextMode = false;
    TGridPrintJob Job;
    // What the last print returned.
    bool Result = false;

    // Runs the window modally; the print result.
    bool ShowModalPreview();
    void SetOrientation(int Orientation);
    void ApplySetting(int Index, bool Rebuild);
    void Rebuild(int Orientation);
    void GoToPage(int Page);
    // 0..3: 100, 75, 50, 25 per cent; 4 the whole page; 5 the page width.
    void Zoom(int Mode);
    void ZoomIn();
    void ZoomOut();
    // Prints pages From..To, Copies times, or writes them into the PDF file FileName; Queue, when
    // given, takes the job instead of the printer the pages were laid out for; a queue is told
    // Options. The print result.
    bool PrintPages(int From, int To, int Copies, bool Collate, const QString& FileName = QString(),
                    const QString& Queue = QString(), const TJobOptions& Options = {});
    // The column chooser's image of column Col: 0 printed, 1 not printed, 2 printed and stretching.
    int ColumnImage(int Col) const;
    // A click on the chooser's cell (Col, Row); Right for the right button.
    void ChooserClick(int Col, int Row, bool Right);
    // The setting chosen in the list as the current one.
    int SelectedSetting() const;
    void SelectSetting(int Index);
    void NewSetting(const QString& Name);
    void RenameSetting(const QString& Name);
    void DeleteSetting();

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QAction* MakeAction(const char* Name, const QString& Caption, const QKeySequence& Key);
    void BuildWindow();
    void BuildChooser();
    void UpdateChooserImages();
    void ShowSettingColumns(const TReportSettings& Setting);
    void Compose();
    void UpdateStatus();
    void DefaultClicked(bool Checked);
    void SettingChosen(int Row);
    void PrintAction();
    void PrintSetupAction();
    void Pan(int DX, int DY);

    TStringGrid* FSource;
    std::unique_ptr<TStringGrid> FWorkingGrid;
    QEventLoop* FModalLoop = nullptr;
    bool FDragging = false;
    QPoint FLastMouse;
    bool FUpdatingList = false;
    // The Zoom mode last chosen; -1 after a step in or out.
    int FZoomMode = -1;
    // The composition was cancelled: the pages shown are not the whole document.
    bool FIncomplete = false;
};

// Prints Grid through the preview window; true when the document was printed.
bool PrintGrid(int Orientation, TStringGrid* Grid, const QString& Caption, const QString& ReportTitle,
               const QString& SettingsName, int HeaderShading, const QString& PageLine,
               const QString& FirmBlock, bool SignatureBlock, bool TitlesOnFirstPageOnly, bool ShowProgress,
               bool ShowPreview, const QString& SecondHeading, const QString& ClosingText);
