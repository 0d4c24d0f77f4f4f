#pragma once
// F10 of the list windows: a three-page wizard that writes the window's grid into a workbook
// (.xlsx), a Word document (.docx) or a text file with a delimiter after every cell. The grid's
// merged cells, alignment and background colours are carried over, under a heading of title,
// subtitle and date; numbers become numbers in the workbook.

#include <QDate>
#include <QDialog>
#include <QFont>
#include <functional>

class QAction;
class QCheckBox;
class QFileDialog;
class QFontDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class TExportAnimation;
class TRichGrid;

enum TExportKind { ekExcel = 1, ekWord = 2, ekText = 3, ekTextDelimited = 4 };
enum TExportResult { erDone = 1, erCancelled = 2, erFailed = 3 };

// What an export writes: the grid into the file, under the heading.
struct TExportJob {
    TRichGrid* Grid = nullptr;
    QString FileName;
    QString FirmText; // lines separated by "\r"
    QString Title;
    QString Subtitle;
    QFont FirmFont;
    QFont TitleFont;
    QFont SubtitleFont;
    QFont TableFont;
    QDate Date; // the day the heading shows
};

// Where an export shows how far it is, and learns that the operator wants it stopped.
class TExportProgress {
public:
    virtual ~TExportProgress() = default;
    // A new stage: its status text and the number of cells it goes through.
    virtual void Start(const QString& Status, int Total) = 0;
    // One cell done; false when the operator asked to stop.
    virtual bool Step() = 0;
};

// Each writes the whole grid, cell by cell from (0, 0), fixed cells included, into a file of
// its own beside Job.FileName that replaces Job.FileName only when complete, with the old
// file's permissions; a cancelled or failed export leaves the folder as it was, and a target
// that is no regular file (a link, a pipe, a device, a folder) fails. They return a
// TExportResult. A failure is shown to the operator with the file's name and the reason.
// The workbook gives the money format to amounts only (under a number formatter, or with
// decimals) and hides the columns the grid hides.
int ExportToExcel(const TExportJob& Job, TExportProgress& Progress);
// The document's table is written row by row, so a long list takes little memory. It leaves the
// columns the grid hides out and turns the page to landscape when the table is wider than a
// portrait page. Numbers and dates keep the width they need on one line and no word is broken:
// only wrapping texts give up room, and a table that still does not fit continues in bands,
// each led by the key columns.
int ExportToWord(const TExportJob& Job, TExportProgress& Progress);
// Each cell's stored text followed by Delimiter, each row ended by CR LF, in UTF-8. An empty
// Delimiter fails.
int ExportToText(const TExportJob& Job, const QString& Delimiter, TExportProgress& Progress);

// Whether a cell's text goes into the workbook as a number: "." as the decimal point, no
// leading zero before another digit (a personal number keeps its zeros), at most 15 digits.
bool IsExportNumber(const QString& Text);
// The money format of such a number, with as many decimals as the text has.
QString ExportNumberFormat(const QString& Text);
// FileName with the extension of Kind: cut before the first "." of its file name.
QString ExportFileName(const QString& FileName, int Kind);
// "dd.mm.yyyy г."
QString ExportDateText(const QDate& Date);

// Shows an exported file to the operator. Empty: the desktop's default program.
using TExportOpener = std::function<void(const QString& File)>;
// Installs Opener and returns the one it replaces.
TExportOpener SetExportOpener(TExportOpener Opener);

class TfmExport : public QDialog {
    Q_OBJECT
public:
    TfmExport(QWidget* Owner, TRichGrid* Grid, const QString& Title, const QString& Subtitle,
              const QString& FileName);
    ~TfmExport() override;

    QGroupBox* groupProgram;
    QRadioButton* radioExcel;
    QRadioButton* radioWord;
    QRadioButton* radioWordpad;
    QRadioButton* radioWordpadDelim;
    QLineEdit* editDelim;
    QGroupBox* groupDetails;
    QLabel* Label2;
    QLineEdit* editTitle;
    QLabel* Label3;
    QLineEdit* editSubTitle;
    QLabel* Label4;
    QLineEdit* editFileName;
    QAction* actChooseFontTitle;
    QAction* actChooseFontSubTitle;
    QAction* actChooseFileName;
    QLabel* labelInfo;
    QCheckBox* checkLoadWordpad;
    QProgressBar* ProgressBar;
    QLabel* lbStatus;
    TExportAnimation* Animation;
    QAction* actPrev;
    QAction* actNext;
    QAction* actHelp;
    QPushButton* btnPrev;
    QPushButton* btnNext;
    QPushButton* btnCancel;
    QPushButton* BitBtn1;
    QFileDialog* OpenDialog;
    QFontDialog* FontDialog;

    QFont FirmFont;
    QFont TitleFont;
    QFont SubtitleFont;
    QFont TableFont;
    QString FirmText;

    int Page() const { return FPage; }
    int Kind() const { return FKind; }
    bool Running() const { return FRunning; }
    // The result of the last export; 0 before the first.
    int LastResult() const { return FLastResult; }
    void ChooseKind(int Kind);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    class TWizardProgress;
    void ShowPage(int Page);
    void RunExport();
    void ChooseFont(QFont& Font);
    void ChooseFileName();

    TRichGrid* FGrid;
    int FPage = 1;
    int FKind = ekExcel;
    bool FRunning = false;
    bool FCancelRequest = false;
    int FLastResult = 0;
};

// Shows the export wizard for Grid modally. True.
bool ExportGrid(QWidget* Owner, TRichGrid* Grid, const QString& Title, const QString& Subtitle,
                const QString& FileName);
