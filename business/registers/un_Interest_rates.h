#pragma once
// The register of interest bands: from which principal to which, at what monthly percent, for
// which preferential code. The fee-rate register shares its band checks and display. Rates are
// typed and shown as percents and stored as fractions with four decimals.

#include "business/registers/RegisterForm.h"

class TDelimitedStringList;

// One band as typed; Percent is the monthly percent.
struct TRateBand {
    double Code = 0;
    double From = 0;
    double To = 0;
    double Percent = 0;
    int PrefCode = 1;
};

extern const QString InterestRatesSelectSql;

// Columns 1 to 3 (from, to, percent) with two decimals.
void FormatBandRows(TDelimitedStringList& List);
// The grid cells of a band: code, from, to, percent, preferential code.
QStringList BandDisplayRow(const TRateBand& Band);
// "Въведете коректни данни." unless 0 <= from < to and the percent is above 0; empty otherwise.
QString BandLimitsMessage(const TRateBand& Band);
// The code taken in the grid's column 0, the code missing, the band's limits.
QString ValidateBandInput(const TRateBand& Band, const TGridRows& Rows);

QString InterestRateInsertSql(const QString& TableName, const TRateBand& Band);
QString InterestRateUpdateSql(const QString& TableName, const TRateBand& Band, const QString& KeyField,
                              qint64 Code);
QString InterestRateDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code);

class QHBoxLayout;
class QSpinBox;
class TFloatEdit;

// The band edits of both rate registers, laid out in one row on the parameter panel.
struct TBandEdits {
    TFloatEdit* Code;
    TFloatEdit* From;
    TFloatEdit* To;
    TFloatEdit* Percent;
    QSpinBox* PrefCode;

    TRateBand Band() const;
    void SetBand(const QStringList& Cells) const;
};

// Builds the band edits on Panel, named CodeName, "feFrom_value", "feTo_value", "feMIR",
// "sePref_code", and lays them out in Row after what it already holds; PercentLabel names the rate.
TBandEdits MakeBandEdits(QWidget* Panel, QHBoxLayout* Row, const QString& CodeName,
                         const QString& PercentLabel);
// The grid of a rate register: the band columns, amounts through the window's value formatter,
// the preferential code centred.
void SetBandColumns(TRegisterForm* Form);

class TfrmInterest_rates : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmInterest_rates(QWidget* Owner = nullptr);

    TFloatEdit* feShifyr;
    TFloatEdit* feFrom_value;
    TFloatEdit* feTo_value;
    TFloatEdit* feMIR;
    QSpinBox* sePref_code;

    bool Init() override;
    bool Reset() override;
    bool Execute() override;

protected:
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    void EntryAdded(bool WasEditing) override;
    void RowToEdits(const QStringList& Cells) override;
    QWidget* KeyEdit() override;
    QString DeleteStatement(const QString& KeyCell) override;

private:
    TBandEdits Edits() const;
};
