#pragma once
// The register of fee rates: the bands of one fee at a time, numbered within their fee. The fee
// chosen last is remembered for the next opening.

#include "business/registers/un_Interest_rates.h"

QString TaxRatesSelectSql(qint64 TaxCode);
// The highest rate number of one fee.
QString TaxRatesMaxKeySql(const QString& KeyField, const QString& TableName, qint64 TaxCode);
// The limits are rounded to 2 decimals and the fraction to 4 before they are written.
QString TaxRateInsertSql(const QString& TableName, const TRateBand& Band, qint64 TaxCode);
QString TaxRateUpdateSql(const QString& TableName, const TRateBand& Band, const QString& KeyField,
                         qint64 Code, qint64 TaxCode);
QString TaxRateDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code, qint64 TaxCode);
// The band's messages, then "Въведете такса" when no fee is chosen.
QString ValidateTaxRateInput(const TRateBand& Band, qint64 TaxCode, const TGridRows& Rows);

class QLabel;
class QSpinBox;
class TFloatEdit;
class TListEdit;

class TfrmTaxes_rates : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmTaxes_rates(QWidget* Owner = nullptr);

    TFloatEdit* code_MIR;
    TFloatEdit* feFrom_value;
    TFloatEdit* feTo_value;
    TFloatEdit* feMIR;
    QSpinBox* sePref_code;
    // The fee whose rates the grid lists.
    TListEdit* code_t;
    // The chosen fee's name.
    QLabel* pnl_Tax;

    // The code of the chosen fee; 0 when none is chosen or the typed code is no fee's.
    qint64 TaxCode() const;

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool Execute() override;
    bool Edit() override;

protected:
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    void EntryAdded(bool WasEditing) override;
    void RowToEdits(const QStringList& Cells) override;
    QList<TLookupReference> EntryReferences() override;
    QWidget* KeyEdit() override;
    // A rate's number is its fee's own.
    QString RecordCondition(const QString& KeyCell) const override;
    QString DeleteStatement(const QString& KeyCell) override;

private:
    TBandEdits Edits() const;
    void TaxChanged();
    // Set while the lookup's text is put back or restored, which must not reload the rows.
    bool FSettingTax = false;
    // The lookup's text when the rows were last loaded.
    QString FListedTax;
};
