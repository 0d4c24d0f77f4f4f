#include "business/registers/un_Taxes_rates.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/registers/unPickLists.h"
#include "business/registers/unQueuedChanges.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QString TaxRatesSelectSql(qint64 TaxCode) {
    const QString Sql = uR"sql(
        SELECT code_MIR, from_value, to_value, [MIR]*100 AS Lihva, pref_code
        FROM Taxes_rates
        Where code_t = %d
        ORDER BY code_MIR
    )sql"_s;
    return Format(Sql, {TaxCode});
}

QString TaxRatesMaxKeySql(const QString& KeyField, const QString& TableName, qint64 TaxCode) {
    return Format(uR"sql(Select max( %s ) from %s Where code_t = %d)sql"_s, {KeyField, TableName, TaxCode});
}

QString TaxRateInsertSql(const QString& TableName, const TRateBand& Band, qint64 TaxCode) {
    return Format(uR"sql(Insert into %s values ( %d, %d, %f, %f, %.4f, %d ))sql"_s,
                  {TableName, Whole(Band.Code), TaxCode, RoundToDigits(2, Band.From),
                   RoundToDigits(2, Band.To), RoundToDigits(4, Band.Percent / 100), Band.PrefCode});
}

QString TaxRateUpdateSql(const QString& TableName, const TRateBand& Band, const QString& KeyField,
                         qint64 Code, qint64 TaxCode) {
    const QString Sql = uR"sql(
        Update %s Set from_value = %f, to_value = %f, MIR = %.4f, pref_code = %d
        Where ( %s = %d AND code_t = %d )
    )sql"_s;
    return Format(Sql, {TableName, RoundToDigits(2, Band.From), RoundToDigits(2, Band.To),
                        RoundToDigits(4, Band.Percent / 100), Band.PrefCode, KeyField, Code, TaxCode});
}

QString TaxRateDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code, qint64 TaxCode) {
    return Format(uR"sql(Delete From %s Where %s = %d and code_t = %d)sql"_s,
                  {TableName, KeyField, Code, TaxCode});
}

QString ValidateTaxRateInput(const TRateBand& Band, qint64 TaxCode, const TGridRows& Rows) {
    QString Result = ValidateBandInput(Band, Rows);
    if (TaxCode == 0) Result += u"Въведете такса\n\r"_s;
    return Result;
}

// ---- the window

TfrmTaxes_rates::TfrmTaxes_rates(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmTaxes_rates"_s);
    // The fee on the first line, its rate on the second.
    pnlParams->setFixedHeight(70);
    auto* Lines = new QVBoxLayout(pnlParams);
    Lines->setContentsMargins(8, 4, 8, 4);
    Lines->setSpacing(3);
    auto* TaxLine = new QHBoxLayout;
    auto* BandLine = new QHBoxLayout;
    Lines->addLayout(TaxLine);
    Lines->addLayout(BandLine);
    pnl_Tax = NewInfoPanel(pnlParams, u"pnl_Tax"_s, 240);
    code_t = NewListEdit(pnlParams, u"code_t"_s, pnl_Tax, 60);
    code_t->OnChange = [this](QWidget*) { TaxChanged(); };
    TaxLine->addWidget(new QLabel(u"Такса:"_s, pnlParams));
    TaxLine->addWidget(code_t);
    TaxLine->addWidget(pnl_Tax);
    TaxLine->addStretch();
    const TBandEdits E = MakeBandEdits(pnlParams, BandLine, u"code_MIR"_s, u"Месечен размер, %:"_s);
    BandLine->addStretch();
    code_MIR = E.Code;
    feFrom_value = E.From;
    feTo_value = E.To;
    feMIR = E.Percent;
    sePref_code = E.PrefCode;

    SetGridColumns({u"Шифър"_s, u"От сума"_s, u"До сума"_s, u"Такса, %"_s, u"Преф. код"_s},
                   {60, 110, 110, 80, 70});
}

TBandEdits TfrmTaxes_rates::Edits() const {
    return {code_MIR, feFrom_value, feTo_value, feMIR, sePref_code};
}

qint64 TfrmTaxes_rates::TaxCode() const {
    // Rates saved under a code no fee has would lie hidden until a fee of that code is made.
    return ListedCode(code_t);
}

bool TfrmTaxes_rates::Init() {
    const bool Result = TRegisterForm::Init();
    try {
        GetTaxesList(this, code_t);
    } catch (const EDatabaseError& E) {
        // The window opens without fees to choose from.
        ShowDatabaseError(E.Message(), E.Sql());
        return Result;
    }
    SetBandColumns(this);
    return Result;
}

bool TfrmTaxes_rates::Done() {
    if (!code_t->text().isEmpty()) WriteRegString(u"code_t"_s, code_t->text());
    return TRegisterForm::Done();
}

bool TfrmTaxes_rates::Reset() {
    FSettingTax = true;
    code_t->setText(ReadRegString(u"code_t"_s));
    FSettingTax = false;
    return TRegisterForm::Reset();
}

bool TfrmTaxes_rates::Execute() {
    const bool Result = TRegisterForm::Execute();
    // No rate is lifted any more: the fee may be chosen again.
    SetKeyEditReadOnly(code_t, false);
    FListedTax = code_t->text();
    const qint64 Tax = TaxCode();
    LoadRows(TaxRatesSelectSql(Tax), FormatBandRows);
    TDelimitedStringList List;
    RunQuery(this, AdoConnection, TaxRatesMaxKeySql(KeyField, TableName, Tax), &List);
    code_MIR->SetValue(double(NextKey(List.Count() > 0 ? List.GetField(0, 0) : QString())));
    return Result;
}

void TfrmTaxes_rates::TaxChanged() {
    if (FSettingTax) return;
    DoExecute();
    // The operator kept the queued rates (or their Save failed): they belong to the fee listed,
    // which comes back into the lookup.
    if (!PendingSql.isEmpty() && code_t->text() != FListedTax) {
        FSettingTax = true;
        code_t->setText(FListedTax);
        FSettingTax = false;
    }
}

bool TfrmTaxes_rates::Edit() {
    if (TaxCode() == 0) {
        ShowErrorFmt(u"Въведете такса"_s);
        return false;
    }
    if (!TRegisterForm::Edit()) return false;
    // The lifted rate belongs to the chosen fee: the fee stays as it is until the rate is queued.
    SetKeyEditReadOnly(code_t, true);
    return true;
}

QString TfrmTaxes_rates::ValidateInput() {
    return ValidateTaxRateInput(Edits().Band(), TaxCode(), GridRows());
}

QStringList TfrmTaxes_rates::EntryStatements() {
    if (EditingRow)
        return {TaxRateUpdateSql(TableName, Edits().Band(), KeyField, KeyOfCell(EditingKey), TaxCode())};
    return {TaxRateInsertSql(TableName, Edits().Band(), TaxCode())};
}

QStringList TfrmTaxes_rates::EntryRow() {
    return BandDisplayRow(Edits().Band());
}

void TfrmTaxes_rates::EntryAdded(bool WasEditing) {
    if (WasEditing)
        SetKeyEditReadOnly(code_t, false);
    else
        code_MIR->SetValue(code_MIR->Value() + 1);
}

void TfrmTaxes_rates::RowToEdits(const QStringList& Cells) {
    Edits().SetBand(Cells);
}

QList<TLookupReference> TfrmTaxes_rates::EntryReferences() {
    return {{u"Taxes"_s, u"code_t"_s, TaxCode(), u"такса"_s}};
}

QWidget* TfrmTaxes_rates::KeyEdit() {
    return code_MIR;
}

QString TfrmTaxes_rates::RecordCondition(const QString& KeyCell) const {
    return Format(uR"sql(%s = %d And code_t = %d)sql"_s, {KeyField, KeyOfCell(KeyCell), TaxCode()});
}

QString TfrmTaxes_rates::DeleteStatement(const QString& KeyCell) {
    return TaxRateDeleteSql(TableName, KeyField, KeyOfCell(KeyCell), TaxCode());
}
