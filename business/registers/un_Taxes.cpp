#include "business/registers/un_Taxes.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/RichGrid.h"
#include "business/registers/un_Simple_Nomenklatura.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

QString YesNo(bool Value) {
    return Value ? u"да"_s : u"не"_s;
}

} // namespace

QString TaxesSelectSql(const QString& KeyField, const QString& NameField, const QString& TableName) {
    return Format(uR"sql(Select %s, %s, is_once, %s + 5 AS code_4_PKO From %s Order By %s)sql"_s,
                  {KeyField, NameField, KeyField, TableName, KeyField});
}

void FormatTaxRows(TDelimitedStringList& List) {
    for (int r = 0; r < List.Count(); ++r)
        List.SetField(r, 2, YesNo(List.GetField(r, 2) == u"True"_s));
}

QStringList TaxDisplayRow(qint64 Code, const QString& Name, bool IsOnce) {
    return {QString::number(Code), Name, YesNo(IsOnce), QString::number(Code + 5)};
}

QString TaxInsertSql(const QString& TableName, qint64 Code, const QString& Name, bool IsOnce) {
    return Format(uR"sql(Insert into %s values ( %d, "%s", %d ))sql"_s,
                  {TableName, Code, SqlText(Name.trimmed()), IsOnce ? 1 : 0});
}

QString TaxUpdateSql(const QString& TableName, const QString& NameField, const QString& Name, bool IsOnce,
                     const QString& KeyField, qint64 Code) {
    return Format(
        uR"sql(Update %s Set %s = "%s", %s = %d Where ( %s = %d ))sql"_s,
        {TableName, NameField, SqlText(Name.trimmed()), u"is_once"_s, IsOnce ? 1 : 0, KeyField, Code});
}

QString TaxDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code) {
    return Format(uR"sql(Delete From %s Where %s = %d)sql"_s, {TableName, KeyField, Code});
}

// ---- the window

TfrmTaxes::TfrmTaxes(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmTaxes"_s);
    auto* Layout = new QHBoxLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    code_t = NewCodeEdit(u"code_t"_s, 60);
    name_t = new TLimitedEdit(pnlParams);
    name_t->setObjectName(u"name_t"_s);
    name_t->setMaxLength(60);
    name_t->setMinimumWidth(260);
    is_once = new QCheckBox(u"Еднократна"_s, pnlParams);
    is_once->setObjectName(u"is_once"_s);
    Layout->addWidget(new QLabel(u"Шифър:"_s, pnlParams));
    Layout->addWidget(code_t);
    Layout->addSpacing(12);
    Layout->addWidget(new QLabel(u"Наименование:"_s, pnlParams));
    Layout->addWidget(name_t, 1);
    Layout->addSpacing(12);
    Layout->addWidget(is_once);
    Layout->addStretch();

    SetGridColumns({u"Шифър"_s, u"Наименование"_s, u"Еднократна"_s, u"Вид плащане в ПКО"_s},
                   {60, 300, 90, 130});
}

bool TfrmTaxes::Init() {
    const bool Result = TRegisterForm::Init();
    name_t->SetValidChars(RegisterValidChars);
    for (int c : {2, 3})
        Grid->ColAttributes(c)->SetAlignment({caCenter});
    return Result;
}

bool TfrmTaxes::Reset() {
    const bool Result = TRegisterForm::Reset();
    ProposeNextKey(code_t);
    return Result;
}

bool TfrmTaxes::Execute() {
    const bool Result = TRegisterForm::Execute();
    LoadRows(TaxesSelectSql(KeyField, NameField, TableName), FormatTaxRows);
    return Result;
}

QString TfrmTaxes::ValidateInput() {
    return ValidateSimpleInput(code_t->Value(), name_t->text(), GridRows());
}

QStringList TfrmTaxes::EntryStatements() {
    if (EditingRow)
        return {TaxUpdateSql(TableName, NameField, name_t->text(), is_once->isChecked(), KeyField,
                             KeyOfCell(EditingKey))};
    return {TaxInsertSql(TableName, Whole(code_t->Value()), name_t->text(), is_once->isChecked())};
}

QStringList TfrmTaxes::EntryRow() {
    return TaxDisplayRow(Whole(code_t->Value()), name_t->text().trimmed(), is_once->isChecked());
}

std::optional<TNameClaim> TfrmTaxes::EntryName() {
    return TNameClaim{name_t->text().trimmed(), {}};
}

void TfrmTaxes::EntryAdded(bool WasEditing) {
    if (!WasEditing) code_t->SetValue(code_t->Value() + 1);
}

void TfrmTaxes::RowToEdits(const QStringList& Cells) {
    code_t->SetValue(StrToFloatDot(Cells.value(0), 0));
    name_t->setText(Cells.value(1));
    is_once->setChecked(Cells.value(2) == u"да"_s);
}

QWidget* TfrmTaxes::KeyEdit() {
    return code_t;
}

QString TfrmTaxes::DeleteStatement(const QString& KeyCell) {
    return TaxDeleteSql(TableName, KeyField, KeyOfCell(KeyCell));
}
