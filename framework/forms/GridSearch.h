#pragma once
// F7 of the list windows: a small dialog that steps to the next or the previous grid row whose
// cell in a chosen column contains a piece of text. It stays open between searches.

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TStringGrid;

class TfrmGridSearch : public QDialog {
    Q_OBJECT
public:
    TfrmGridSearch(TStringGrid* Grid, QWidget* Parent = nullptr);

    QLabel* Label1;
    QSpinBox* edColumn;
    QLabel* Label2;
    QLineEdit* edSearchText;
    QPushButton* bbtnForward;
    QPushButton* bbtnBackward;
    QPushButton* bbtnCancel;
    // Down arrow and Up arrow.
    QAction* actForward;
    QAction* actBackward;

    // Makes the next (Step 1) or previous (Step -1) matching row current; nothing when none.
    void SearchStep(int Step);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void ColumnChanged(int Value);
    TStringGrid* FGrid;
};

// Shows the search dialog over Grid, opened on the grid's current column. True.
bool SearchGrid(TStringGrid* Grid);
