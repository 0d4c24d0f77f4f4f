#pragma once
// The about box: the program's name and version, the workstation's address, and the repair that
// brings an older database schema up to date.

#include <QDialog>
#include <QStringList>

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

// The schema upgrade statements whose column the database lacks: what FIX would run.
QStringList MissingSchemaUpgrades(QObject* Owner);
// Runs Statements until the first that fails (which ExecSQL reports).
void RunSchemaUpgrades(QObject* Owner, const QStringList& Statements);
