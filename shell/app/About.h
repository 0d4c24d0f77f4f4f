#pragma once
// The about box: the program's name and version, the workstation's address, and the repair that
// brings an older database schema up to date.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* Parent = nullptr);

    QLabel* labIPAddress;
    QPlainTextEdit* Memo;
    QPushButton* btnOK;
    QPushButton* btnFix;

    // Runs the schema upgrade statements the database lacks.
    void btnFixClick();

protected:
    void showEvent(QShowEvent* Event) override;
};
