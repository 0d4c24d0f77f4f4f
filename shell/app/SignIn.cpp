#include "shell/app/SignIn.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QString CheckOperator(QObject* Owner, const QString& UserName, const QString& Password) {
    if (UserName.trimmed().isEmpty()) return QString();
    TDelimitedStringList List;
    RunQuery(
        Owner, AdoConnection,
        Format(uR"sql(Select user_name, user_password from Users_passwords Where ( user_name = "%s" ))sql"_s,
               {SqlText(UserName.trimmed())}),
        &List);
    // The query trims and drops double quotes from what it returns; compare the typed password
    // the same way.
    QString typed = Password;
    typed.remove(QLatin1Char('"'));
    for (int i = 0; i < List.Count(); ++i)
        if (List.GetField(i, 1) == typed.trimmed()) return List.GetField(i, 0);
    return QString();
}

TSignInDialog::TSignInDialog(QWidget* Parent, bool AtStart) : QDialog(Parent), FAtStart(AtStart) {
    setObjectName(QStringLiteral("TSignInDialog"));
    setWindowTitle(QStringLiteral("Вход в програмата"));
    edUserName = new QLineEdit(this);
    edUserName->setObjectName(QStringLiteral("edUserName"));
    edPassword = new QLineEdit(this);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    labError = new QLabel(this);
    labError->setObjectName(QStringLiteral("labError"));
    labError->setStyleSheet(QStringLiteral("color: #b00000"));
    labError->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Потребител:"), edUserName);
    form->addRow(QStringLiteral("Парола:"), edPassword);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Отказ"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TSignInDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TSignInDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(labError);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 45);
}

void TSignInDialog::accept() {
    FUserName = CheckOperator(this, edUserName->text(), edPassword->text());
    if (!FUserName.isEmpty()) {
        QDialog::accept();
        return;
    }
    ++FFailedTries;
    if (FFailedTries >= MaxTries) {
        ShowErrorFmt(FAtStart
                         ? QStringLiteral("Грешен потребител или парола.\n\rПрограмата ще бъде затворена.")
                         : QStringLiteral("Грешен потребител или парола."));
        QDialog::reject();
        return;
    }
    const int left = MaxTries - FFailedTries;
    labError->setText(left == 1
                          ? QStringLiteral("Грешен потребител или парола. Остава 1 опит.")
                          : QStringLiteral("Грешен потребител или парола. Остават %1 опита.").arg(left));
    edPassword->clear();
    edPassword->setFocus();
}

bool SignIn(QWidget* Parent, QString& UserName, bool AtStart) {
    UserName.clear();
    if (!HasOperators(Parent)) return true;
    TSignInDialog Dialog(Parent, AtStart);
    Dialog.adjustSize();
    PlaceOnScreen(&Dialog, -1, -1);
    if (Dialog.exec() != QDialog::Accepted) return false;
    UserName = Dialog.UserName();
    return true;
}
