#pragma once
// The register of fees: code, name and whether the fee is taken once or per day. A fee is paid
// with the receipt payment type of its code plus 5.

#include "business/registers/RegisterForm.h"

class TDelimitedStringList;

QString TaxesSelectSql(const QString& KeyField, const QString& NameField, const QString& TableName);
// Column 2 (one-time) in words: "да" for "True", "не" otherwise.
void FormatTaxRows(TDelimitedStringList& List);
// Code, name, "да"/"не" and the receipt payment type.
QStringList TaxDisplayRow(qint64 Code, const QString& Name, bool IsOnce);
// The name is stored trimmed.
QString TaxInsertSql(const QString& TableName, qint64 Code, const QString& Name, bool IsOnce);
QString TaxUpdateSql(const QString& TableName, const QString& NameField, const QString& Name, bool IsOnce,
                     const QString& KeyField, qint64 Code);
QString TaxDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code);

class QCheckBox;
class TFloatEdit;
class TLimitedEdit;

class TfrmTaxes : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmTaxes(QWidget* Owner = nullptr);

    TFloatEdit* code_t;
    TLimitedEdit* name_t;
    // Checked: a one-time fee; otherwise a daily fee.
    QCheckBox* is_once;

    bool Init() override;
    bool Reset() override;
    bool Execute() override;

protected:
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    std::optional<TNameClaim> EntryName() override;
    void EntryAdded(bool WasEditing) override;
    void RowToEdits(const QStringList& Cells) override;
    QWidget* KeyEdit() override;
    QString DeleteStatement(const QString& KeyCell) override;
};
