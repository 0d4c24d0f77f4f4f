#pragma once
// The register of operators (user name, password, full name) and, on the same window, the
// manager's password that guards this register and the changing of saved documents.

#include "business/registers/RegisterForm.h"

extern const QString UsersSelectSql;

// True when the operators register holds at least one operator.
bool HasOperators(QObject* Owner);
// Why a document may not be written by UserName: "" when an operator is signed in, or when the
// register holds none yet.
QString UnsignedWriteRefusal(QObject* Owner, const QString& UserName);

QString UserInsertSql(const QString& TableName, const QString& UserName, const QString& Password,
                      const QString& ThreeNames);
QString UserUpdateSql(const QString& TableName, const QString& NameField, const QString& Password,
                      const QString& ThreeNames, const QString& KeyField, const QString& UserName);
QString UserDeleteSql(const QString& TableName, const QString& KeyField, const QString& UserName);
// Rows hold user name, password and full name. User names are compared without regard to case,
// as the database's key compares them; passwords exactly.
QString ValidateUserInput(const QString& UserName, const QString& Password, const QString& ThreeNames,
                          const TGridRows& Rows);
// "Парола ... съществува в базата данни", followed by "\n\r".
QString PasswordTakenMessage(const QString& Password);
// Writes the manager's password into settings row 12; RowExists false adds the row.
QString ManagerPasswordSql(const QString& Password, bool RowExists);

class TLimitedEdit;

class TfrmUsers_passwords : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmUsers_passwords(QWidget* Owner = nullptr);

    TLimitedEdit* ed_user_name;
    TLimitedEdit* ed_user_password;
    TLimitedEdit* ed_three_names;
    // The manager's password.
    TLimitedEdit* ed_VA_12;

    bool Init() override;
    bool Reset() override;
    bool Execute() override;
    // Writes the manager's password with the queued changes, in the same transaction.
    bool Save() override;

protected:
    bool IsRecordKey(const QString& KeyCell) const override { return !KeyCell.trimmed().isEmpty(); }
    QString RecordCondition(const QString& KeyCell) const override;
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    std::optional<TNameClaim> EntryName() override;
    void RowToEdits(const QStringList& Cells) override;
    QWidget* KeyEdit() override;
    QString DeleteStatement(const QString& KeyCell) override;

private:
    QList<TLimitedEdit*> TextEdits() const;
    // The key without surrounding blanks, which no list shows and no statement could find again.
    QString TypedUserName() const;
};
