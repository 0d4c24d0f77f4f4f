#pragma once
// The small dialogs of printing: the fonts and margins of a print setting with the choice of
// printer, the name of a setting, the progress of composing and printing, which for hand fed
// paper also waits for the operator before each page, and the platform's print dialog.

#include "framework/printing/PagePrinter.h"
#include "framework/printing/PrintSettings.h"

#include <QDialog>
#include <QLineEdit>

class QGroupBox;
class QLabel;
class QListWidget;
class QPrinter;
class QProgressBar;
class QPushButton;
class TFloatEdit;

// What the print dialog hands back.
struct TPrintRequest {
    int Copies = 1;
    bool Collate = true;
    bool AllPages = true;
    int FromPage = 1;
    int ToPage = 1;
    // Print to file: the PDF file to write instead of printing.
    QString FileName;
    // The queue chosen for this job. With no file and no queue the job goes to the printer the
    // pages were laid out for.
    QString Queue;
    // The sides and the paper chosen for a queue; one-sided until chosen.
    TJobOptions Options;
};

// The platform's print dialog for PageCount pages laid out for Printer, starting from Request;
// false on Cancel. It works on a copy: the dialog turns its printer into a file or another queue
// as soon as the entry is picked, and Cancel would leave the program's printer so.
bool ShowPrintDialog(const QPrinter& Printer, TPrintRequest& Request, int PageCount, QWidget* Parent);

class TfmPrintSetup : public QDialog {
    Q_OBJECT
public:
    explicit TfmPrintSetup(QWidget* Parent = nullptr);

    QGroupBox* GroupBox1;
    QLabel* labelObjects;
    QListWidget* listObjects;
    QLabel* panelSample;
    QPushButton* btnFont;
    QLabel* labelMargins;
    TFloatEdit* editMarginTop;
    TFloatEdit* editMarginBottom;
    TFloatEdit* editMarginLeft;
    TFloatEdit* editMarginRight;
    QGroupBox* GroupBox2;
    QLabel* panelPrinter;
    QPushButton* btnPrinter;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // Loads working copies of the five editable print objects of Setting; ReadOnly leaves
    // only the printer to choose.
    void SetupData(const TReportSettings& Setting, const QString& Sample0, const QString& Sample1,
                   const QString& Sample2, const QString& Sample3, const QString& Sample4, int PrinterIndex,
                   bool ReadOnly);
    // Writes the working copies back into Setting; PrinterIndex is the printer chosen.
    void GetSetupData(TReportSettings& Setting, int& PrinterIndex) const;
    // Whether a printer was chosen with btnPrinter, the one shown before included.
    bool PrinterChosen() const { return FPrinterChosen; }

    // The print object each entry of listObjects edits; the last one is the page body, whose
    // margins become the page's.
    static constexpr int EntryCount = 6;
    static constexpr int EntryObjects[EntryCount] = {poTable,         poCaption,  poTitle,
                                                     poSecondHeading, poPageLine, poBody};
    // Tests answer the font and printer dialogs through these; they return false on Cancel.
    std::function<bool(QFont& Font)> ChooseFont;
    std::function<bool(int& PrinterIndex)> ChoosePrinter;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void ShowObject(int Entry);
    void MarginChanged(int Tag, double Value);
    void FontClicked();
    void PrinterClicked();

    TPrintObjectData FObjects[EntryCount];
    QString FSamples[EntryCount];
    int FPrinterIndex = -1;
    bool FPrinterChosen = false;
    bool FLoading = false;
};

// The name of a new setting, or a setting's new name.
class TfmPrintSelectName : public QDialog {
    Q_OBJECT
public:
    explicit TfmPrintSelectName(QWidget* Parent = nullptr);
    QLabel* Label1;
    QLineEdit* editName;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

// Asks for a setting's name; empty when the operator cancelled.
void SelectSettingName(QString& Name, QWidget* Parent = nullptr);

class TfmPrintProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfmPrintProgress(QWidget* Parent = nullptr);

    QLabel* labelStatus;
    QLabel* labelPages;
    QProgressBar* ProgressBar;
    QPushButton* buttonCancel;
    QPushButton* buttonOK;

    bool Showing = false;
    // 0 none yet, 1 cancel, 2 OK.
    int Answer = 0;

    void SetStatus(const QString& Text);
    // Both 0 empties the page label.
    void SetPages(int Page, int Total);
    void SetMaximum(int N);
    void ShowOKButton();
    void HideOKButton();
    // Asks for the paper of page Page and lets the events run until a button is pressed;
    // the answer (1 cancel, 2 OK).
    int WaitForOperator(int Page);
    // Hides the dialog; only then may it close.
    void HideProgress();
    void reject() override;

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
};

class QFontDialog;

// A font's style name ("Bold", "Condensed Bold Oblique") as the operator reads it in Bulgarian;
// the names come from the font files, in English. A word it does not know stays as it is.
QString FontStyleText(const QString& Style);
// Shows Dialog's list of styles, and the style chosen above it, in Bulgarian.
void UseBulgarianFontStyles(QFontDialog* Dialog);
