#pragma once
// The small dialogs of grid printing: the progress of composing and printing, which for hand
// fed paper also waits for the operator before each page.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

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
