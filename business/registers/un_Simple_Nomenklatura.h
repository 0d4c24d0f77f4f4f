#pragma once
// The code-and-name register (item types), and what every master-data register shares: the
// statements and checks below are free functions, the window only moves values between its
// edits, its grid and them.

#include "business/registers/RegisterForm.h"

QString SimpleSelectSql(const QString& KeyField, const QString& NameField, const QString& TableName);
// The name is stored trimmed.
QString SimpleInsertSql(const QString& TableName, qint64 Code, const QString& Name);
QString SimpleUpdateSql(const QString& TableName, const QString& NameField, const QString& Name,
                        const QString& KeyField, qint64 Code);
QString SimpleDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code);
// The messages for a new or edited entry, each followed by "\n\r"; empty when it may be queued.
QString ValidateSimpleInput(double Code, const QString& Name, const TGridRows& Rows);

class TFloatEdit;
class TLimitedEdit;

// The code-and-name register; the main window opens it for the item types.
class TfrmSimple_Nomenklatura : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmSimple_Nomenklatura(QWidget* Owner = nullptr);

    TFloatEdit* feShifyr;
    TLimitedEdit* edNaimenovanie;

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
