#include "business/registers/un_Users_passwords.h"

#include "Components/Edits/LimitedEdit.h"
#include "business/engine/unAdminPassword.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

const QString UsersSelectSql = uR"sql(
    SELECT Users_passwords.user_name, Users_passwords.user_password, Users_passwords.three_names
    FROM Users_passwords
    ORDER BY Users_passwords.user_name
)sql"_s;

bool HasOperators(QObject* Owner) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, uR"sql(Select count(*) from Users_passwords)sql"_s, &List);
    return List.Count() > 0 && List.GetField(0, 0).toLongLong() > 0;
}

QString UnsignedWriteRefusal(QObject* Owner, const QString& UserName) {
    if (!UserName.isEmpty() || !HasOperators(Owner)) return QString();
    return u"Документите се записват от оператор, а в програмата не е влязъл никой. Влезте в "
           "програмата и натиснете бутон \"F2\" (за запис) отново."_s;
}

QString UserInsertSql(const QString& TableName, const QString& UserName, const QString& Password,
                      const QString& ThreeNames) {
    return Format(uR"sql(Insert into %s values ( "%s", "%s", "%s" ))sql"_s,
                  {TableName, SqlText(UserName), SqlText(Password), SqlText(ThreeNames)});
}

QString UserUpdateSql(const QString& TableName, const QString& NameField, const QString& Password,
                      const QString& ThreeNames, const QString& KeyField, const QString& UserName) {
    return Format(uR"sql(Update %s Set %s = "%s", %s = "%s" Where ( %s = "%s" ))sql"_s,
                  {TableName, NameField, SqlText(Password), u"three_names"_s, SqlText(ThreeNames), KeyField,
                   SqlText(UserName)});
}

QString UserDeleteSql(const QString& TableName, const QString& KeyField, const QString& UserName) {
    return Format(uR"sql(Delete * from %s Where %s = "%s")sql"_s, {TableName, KeyField, SqlText(UserName)});
}

QString PasswordTakenMessage(const QString& Password) {
    return Format(u"Парола %s съществува в базата данни\n\r"_s, {Password});
}

QString ValidateUserInput(const QString& UserName, const QString& Password, const QString& ThreeNames,
                          const TGridRows& Rows) {
    QString Result;
    if (!UserName.isEmpty() && !Password.isEmpty()) {
        // Each message once, however many rows share the name or the password.
        const auto Taken = [&Rows](auto Matches) { return std::any_of(Rows.begin(), Rows.end(), Matches); };
        if (Taken([&](const QStringList& Row) {
                return Row.value(0).compare(UserName, Qt::CaseInsensitive) == 0;
            }))
            Result += Format(u"Потребител %s съществува в базата данни\n\r"_s, {UserName});
        if (Taken([&](const QStringList& Row) { return Row.value(1) == Password; }))
            Result += PasswordTakenMessage(Password);
    }
    if (UserName.trimmed().isEmpty()) Result += u"Въведете потребител\n\r"_s;
    if (Password.trimmed().isEmpty()) Result += u"Въведете парола\n\r"_s;
    if (ThreeNames.trimmed().isEmpty()) Result += u"Въведете имена на оператор\n\r"_s;
    return Result;
}

QString ManagerPasswordSql(const QString& Password, bool RowExists) {
    if (RowExists)
        return Format(uR"sql(UPDATE VA set value_va = "%s" WHERE code_va = 12)sql"_s, {SqlText(Password)});
    return Format(uR"sql(Insert into VA values ( 12, "%s" ))sql"_s, {SqlText(Password)});
}

// ---- the window

TfrmUsers_passwords::TfrmUsers_passwords(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmUsers_passwords"_s);
    auto* Layout = new QHBoxLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    const auto Add = [&](const QString& Name, const QString& Label, int MaxLength, int Width) {
        auto* Edit = new TLimitedEdit(pnlParams);
        Edit->setObjectName(Name);
        Edit->setMaxLength(MaxLength);
        Edit->setMinimumWidth(Width);
        Layout->addWidget(new QLabel(Label, pnlParams));
        Layout->addWidget(Edit, Width);
        Layout->addSpacing(12);
        return Edit;
    };
    ed_user_name = Add(u"ed_user_name"_s, u"Потребител:"_s, 20, 100);
    ed_user_password = Add(u"ed_user_password"_s, u"Парола:"_s, 20, 100);
    ed_three_names = Add(u"ed_three_names"_s, u"Имена:"_s, 60, 220);
    auto* Line = new QFrame(pnlParams);
    Line->setFrameShape(QFrame::VLine);
    Line->setFrameShadow(QFrame::Sunken);
    Layout->addWidget(Line);
    Layout->addSpacing(8);
    // The settings column holds at most 50 characters.
    ed_VA_12 = Add(u"ed_VA_12"_s, u"Парола на шефа:"_s, 50, 100);
    // Operators may stand beside the manager while the register is open.
    ed_VA_12->setEchoMode(QLineEdit::Password);

    SetGridColumns({u"Потребител"_s, u"Парола"_s, u"Имена"_s}, {120, 120, 300});
}

QString TfrmUsers_passwords::TypedUserName() const {
    return ed_user_name->text().trimmed();
}

QList<TLimitedEdit*> TfrmUsers_passwords::TextEdits() const {
    return {ed_user_name, ed_user_password, ed_three_names, ed_VA_12};
}

bool TfrmUsers_passwords::Init() {
    const bool Result = TRegisterForm::Init();
    for (TLimitedEdit* Edit : TextEdits())
        Edit->SetValidChars(RegisterValidChars);
    return Result;
}

bool TfrmUsers_passwords::Reset() {
    const bool Result = TRegisterForm::Reset();
    const QString Held = AdminPassword;
    try {
        LoadAdminPassword(this);
    } catch (const EDatabaseError& E) {
        // The edit keeps showing the password in force, so that a Save cannot clear it unseen.
        AdminPassword = Held;
        ShowDatabaseError(E.Message(), E.Sql());
    }
    ed_VA_12->setText(AdminPassword);
    return Result;
}

bool TfrmUsers_passwords::Execute() {
    const bool Result = TRegisterForm::Execute();
    LoadRows(UsersSelectSql);
    return Result;
}

bool TfrmUsers_passwords::Save() {
    const QString Password = ed_VA_12->text().trimmed();
    TDelimitedStringList List;
    RunQuery(this, AdoConnection, uR"sql(SELECT Count(*) FROM VA WHERE code_va = 12)sql"_s, &List);
    const QString Statement = ManagerPasswordSql(Password, StrToIntOrZero(List.GetField(0, 0)) > 0);
    Queue({Statement});
    // Saved: the queue is empty and the new password is the one in force. Not saved: the queue is
    // left as the operator built it and the password in force stays.
    const auto Finish = qScopeGuard([&] {
        if (PendingSql.isEmpty()) {
            AdminPassword = Password;
            ed_VA_12->setText(Password);
        } else if (PendingSql.last() == Statement) {
            PendingSql.removeLast();
        }
    });
    return TRegisterForm::Save();
}

QString TfrmUsers_passwords::ValidateInput() {
    return ValidateUserInput(TypedUserName(), ed_user_password->text(), ed_three_names->text(), GridRows());
}

QStringList TfrmUsers_passwords::EntryStatements() {
    if (EditingRow)
        return {UserUpdateSql(TableName, NameField, ed_user_password->text(), ed_three_names->text(),
                              KeyField, EditingKey)};
    return {UserInsertSql(TableName, TypedUserName(), ed_user_password->text(), ed_three_names->text())};
}

QStringList TfrmUsers_passwords::EntryRow() {
    return {TypedUserName(), ed_user_password->text(), ed_three_names->text()};
}

// Two operators may not share a password, also when two windows store them at once.
std::optional<TNameClaim> TfrmUsers_passwords::EntryName() {
    const QString Password = ed_user_password->text();
    return TNameClaim{Password.trimmed(), {}, PasswordTakenMessage(Password)};
}

void TfrmUsers_passwords::RowToEdits(const QStringList& Cells) {
    ed_user_name->setText(Cells.value(0));
    ed_user_password->setText(Cells.value(1));
    ed_three_names->setText(Cells.value(2));
}

QWidget* TfrmUsers_passwords::KeyEdit() {
    return ed_user_name;
}

QString TfrmUsers_passwords::RecordCondition(const QString& KeyCell) const {
    return Format(uR"sql(%s = "%s")sql"_s, {KeyField, SqlText(KeyCell)});
}

QString TfrmUsers_passwords::DeleteStatement(const QString& KeyCell) {
    return UserDeleteSql(TableName, KeyField, KeyCell);
}
