#pragma once
// The operator's sign-in at start-up, against the operators register.

#include "business/registers/un_Users_passwords.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QLabel;

// The stored spelling of UserName when its password matches exactly, else an empty text.
// User names compare without regard to case, passwords exactly.
QString CheckOperator(QObject* Owner, const QString& UserName, const QString& Password);

class TSignInDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxTries = 3;
    // AtStart: failing it ends the program, and the last refusal says so.
    explicit TSignInDialog(QWidget* Parent = nullptr, bool AtStart = true);
    // The signed-in operator's user name, once accepted.
    QString UserName() const { return FUserName; }
    int FailedTries() const { return FFailedTries; }
    void accept() override;

private:
    QLineEdit* edUserName;
    QLineEdit* edPassword;
    QLabel* labError;
    QString FUserName;
    int FFailedTries = 0;
    bool FAtStart;
};

// Runs the sign-in, centred on the screen. True with UserName set (empty while there are no
// operators); false when the operator cancelled or failed three times: at start the program then
// ends, later the window that asked stays closed.
bool SignIn(QWidget* Parent, QString& UserName, bool AtStart = true);
