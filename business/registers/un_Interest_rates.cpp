#include "business/registers/un_Interest_rates.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

using namespace Qt::StringLiterals;

const QString InterestRatesSelectSql = uR"sql(
    SELECT Interest_rates.code_MIR, Interest_rates.from_value, Interest_rates.to_value,
           [MIR]*100 AS Lihva, Interest_rates.pref_code
    FROM Interest_rates
    ORDER BY Interest_rates.code_MIR
)sql"_s;

void FormatBandRows(TDelimitedStringList& List) {
    for (int r = 0; r < List.Count(); ++r)
        for (int c = 1; c <= 3; ++c)
            List.SetField(r, c, NumStrToFixedStr(List.GetField(r, c), 2));
}

QStringList BandDisplayRow(const TRateBand& Band) {
    return {FloatToStrDot(-1, Band.Code), FloatToFixedStr(2, Band.From), FloatToFixedStr(2, Band.To),
            FloatToFixedStr(2, Band.Percent), QString::number(Band.PrefCode)};
}

QString BandLimitsMessage(const TRateBand& Band) {
    if (Band.From >= 0 && Band.To > 0 && Band.Percent > 0 && Band.From < Band.To) return QString();
    return u"Въведете коректни данни.\n\r"_s;
}

QString ValidateBandInput(const TRateBand& Band, const TGridRows& Rows) {
    QString Result;
    const bool CodeGiven = IsRegisterCode(Band.Code);
    if (CodeGiven) {
        const QString CodeText = FloatToStrDot(-1, Band.Code);
        for (const QStringList& Row : Rows)
            if (Row.value(0) == CodeText) Result += CodeTakenMessage(CodeText);
    }
    if (!CodeGiven) Result += u"Въведете шифър.\n\r"_s;
    return Result + BandLimitsMessage(Band);
}

QString InterestRateInsertSql(const QString& TableName, const TRateBand& Band) {
    return Format(uR"sql(Insert into %s values ( %d, %f, %f, %.4f, %d ))sql"_s,
                  {TableName, Whole(Band.Code), Band.From, Band.To, Band.Percent / 100, Band.PrefCode});
}

QString InterestRateUpdateSql(const QString& TableName, const TRateBand& Band, const QString& KeyField,
                              qint64 Code) {
    const QString Sql = uR"sql(
        Update %s Set from_value = %f, to_value = %f, MIR = %.4f, pref_code = %d
        Where ( %s = %d )
    )sql"_s;
    return Format(Sql, {TableName, Band.From, Band.To, Band.Percent / 100, Band.PrefCode, KeyField, Code});
}

QString InterestRateDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code) {
    return Format(uR"sql(Delete * from %s Where %s = %d)sql"_s, {TableName, KeyField, Code});
}

// ---- the edits and grid of both rate registers

TRateBand TBandEdits::Band() const {
    TRateBand B;
    B.Code = Code->Value();
    B.From = From->Value();
    B.To = To->Value();
    B.Percent = Percent->Value();
    B.PrefCode = PrefCode->value();
    return B;
}

void TBandEdits::SetBand(const QStringList& Cells) const {
    Code->SetValue(StrToFloatDot(Cells.value(0), 0));
    From->SetValue(StrToFloatDot(Cells.value(1), 0));
    To->SetValue(StrToFloatDot(Cells.value(2), 0));
    Percent->SetValue(StrToFloatDot(Cells.value(3), 0));
    PrefCode->setValue(int(StrToIntOrZero(Cells.value(4))));
}

TBandEdits MakeBandEdits(QWidget* Panel, QHBoxLayout* Layout, const QString& CodeName,
                         const QString& PercentLabel) {
    const auto Number = [&](const QString& Name, const QString& Label, int Precision, int Width) {
        auto* Edit = new TFloatEdit(Panel);
        Edit->setObjectName(Name);
        Edit->SetPrecision(Precision);
        Edit->setFixedWidth(Width);
        Layout->addWidget(new QLabel(Label, Panel));
        Layout->addWidget(Edit);
        Layout->addSpacing(12);
        return Edit;
    };
    TBandEdits E;
    E.Code = Number(CodeName, u"Шифър:"_s, 0, 60);
    E.From = Number(u"feFrom_value"_s, u"От сума:"_s, 2, 100);
    E.To = Number(u"feTo_value"_s, u"До сума:"_s, 2, 100);
    E.Percent = Number(u"feMIR"_s, PercentLabel, 2, 70);
    E.PrefCode = new QSpinBox(Panel);
    E.PrefCode->setObjectName(u"sePref_code"_s);
    E.PrefCode->setRange(1, 5);
    E.PrefCode->setValue(1);
    E.PrefCode->setFixedWidth(50);
    Layout->addWidget(new QLabel(u"Преф. код:"_s, Panel));
    Layout->addWidget(E.PrefCode);
    return E;
}

void SetBandColumns(TRegisterForm* Form) {
    for (int c = 1; c <= 3; ++c)
        Form->Grid->ColAttributes(c)->SetFormatter(Form->ValueFormatter);
    Form->Grid->ColAttributes(4)->SetAlignment({caCenter});
}

// ---- the window

TfrmInterest_rates::TfrmInterest_rates(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmInterest_rates"_s);
    auto* Layout = new QHBoxLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    const TBandEdits E = MakeBandEdits(pnlParams, Layout, u"feShifyr"_s, u"Месечна лихва, %:"_s);
    Layout->addStretch();
    feShifyr = E.Code;
    feFrom_value = E.From;
    feTo_value = E.To;
    feMIR = E.Percent;
    sePref_code = E.PrefCode;

    SetGridColumns({u"Шифър"_s, u"От сума"_s, u"До сума"_s, u"Лихва, %"_s, u"Преф. код"_s},
                   {60, 110, 110, 80, 70});
}

TBandEdits TfrmInterest_rates::Edits() const {
    return {feShifyr, feFrom_value, feTo_value, feMIR, sePref_code};
}

bool TfrmInterest_rates::Init() {
    const bool Result = TRegisterForm::Init();
    SetBandColumns(this);
    return Result;
}

bool TfrmInterest_rates::Reset() {
    const bool Result = TRegisterForm::Reset();
    ProposeNextKey(feShifyr);
    return Result;
}

bool TfrmInterest_rates::Execute() {
    const bool Result = TRegisterForm::Execute();
    LoadRows(InterestRatesSelectSql, FormatBandRows);
    return Result;
}

QString TfrmInterest_rates::ValidateInput() {
    return ValidateBandInput(Edits().Band(), GridRows());
}

QStringList TfrmInterest_rates::EntryStatements() {
    if (EditingRow)
        return {InterestRateUpdateSql(TableName, Edits().Band(), KeyField, KeyOfCell(EditingKey))};
    return {InterestRateInsertSql(TableName, Edits().Band())};
}

QStringList TfrmInterest_rates::EntryRow() {
    return BandDisplayRow(Edits().Band());
}

void TfrmInterest_rates::EntryAdded(bool WasEditing) {
    if (!WasEditing) feShifyr->SetValue(feShifyr->Value() + 1);
}

void TfrmInterest_rates::RowToEdits(const QStringList& Cells) {
    Edits().SetBand(Cells);
}

QWidget* TfrmInterest_rates::KeyEdit() {
    return feShifyr;
}

QString TfrmInterest_rates::DeleteStatement(const QString& KeyCell) {
    return InterestRateDeleteSql(TableName, KeyField, KeyOfCell(KeyCell));
}
