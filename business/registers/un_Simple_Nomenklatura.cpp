#include "business/registers/un_Simple_Nomenklatura.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

QString SimpleSelectSql(const QString& KeyField, const QString& NameField, const QString& TableName) {
    return Format(uR"sql(SELECT %s, %s FROM %s ORDER BY %s)sql"_s,
                  {KeyField, NameField, TableName, KeyField});
}

QString SimpleInsertSql(const QString& TableName, qint64 Code, const QString& Name) {
    return Format(uR"sql(Insert into %s values ( %d, "%s" ))sql"_s,
                  {TableName, Code, SqlText(Name.trimmed())});
}

QString SimpleUpdateSql(const QString& TableName, const QString& NameField, const QString& Name,
                        const QString& KeyField, qint64 Code) {
    return Format(uR"sql(Update %s Set %s = "%s" Where ( %s = %d ))sql"_s,
                  {TableName, NameField, SqlText(Name.trimmed()), KeyField, Code});
}

QString SimpleDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code) {
    return Format(uR"sql(Delete * from %s Where %s = %d)sql"_s, {TableName, KeyField, Code});
}

QString ValidateSimpleInput(double Code, const QString& Name, const TGridRows& Rows) {
    QString Result;
    const bool CodeGiven = IsRegisterCode(Code);
    const bool NameGiven = !Name.trimmed().isEmpty();
    if (CodeGiven && NameGiven) {
        const QString CodeText = FloatToStrDot(-1, Code);
        // Each message once, however many rows share the code or the name.
        const auto Taken = [&Rows](auto Matches) { return std::any_of(Rows.begin(), Rows.end(), Matches); };
        if (Taken([&](const QStringList& Row) { return Row.value(0) == CodeText; }))
            Result += CodeTakenMessage(CodeText);
        if (Taken([&](const QStringList& Row) { return Row.value(1).trimmed() == Name.trimmed(); }))
            Result += NameTakenMessage(Name.trimmed());
    }
    if (!CodeGiven) Result += u"Въведете шифър.\n\r"_s;
    if (!NameGiven) Result += u"Въведете наименование!\n\r"_s;
    return Result;
}

// ---- the window

TfrmSimple_Nomenklatura::TfrmSimple_Nomenklatura(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmSimple_Nomenklatura"_s);
    auto* Layout = new QHBoxLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    feShifyr = NewCodeEdit(u"feShifyr"_s, 80);
    edNaimenovanie = new TLimitedEdit(pnlParams);
    edNaimenovanie->setObjectName(u"edNaimenovanie"_s);
    edNaimenovanie->setMaxLength(60);
    edNaimenovanie->setMinimumWidth(300);
    Layout->addWidget(new QLabel(u"Шифър:"_s, pnlParams));
    Layout->addWidget(feShifyr);
    Layout->addSpacing(12);
    Layout->addWidget(new QLabel(u"Наименование:"_s, pnlParams));
    Layout->addWidget(edNaimenovanie, 1);
    Layout->addStretch();

    SetGridColumns({u"Шифър"_s, u"Наименование"_s}, {80, 400});
}

bool TfrmSimple_Nomenklatura::Init() {
    const bool Result = TRegisterForm::Init();
    edNaimenovanie->SetValidChars(RegisterValidChars);
    return Result;
}

bool TfrmSimple_Nomenklatura::Reset() {
    const bool Result = TRegisterForm::Reset();
    ProposeNextKey(feShifyr);
    return Result;
}

bool TfrmSimple_Nomenklatura::Execute() {
    const bool Result = TRegisterForm::Execute();
    LoadRows(SimpleSelectSql(KeyField, NameField, TableName));
    return Result;
}

QString TfrmSimple_Nomenklatura::ValidateInput() {
    return ValidateSimpleInput(feShifyr->Value(), edNaimenovanie->text(), GridRows());
}

QStringList TfrmSimple_Nomenklatura::EntryStatements() {
    if (EditingRow)
        return {
            SimpleUpdateSql(TableName, NameField, edNaimenovanie->text(), KeyField, KeyOfCell(EditingKey))};
    return {SimpleInsertSql(TableName, Whole(feShifyr->Value()), edNaimenovanie->text())};
}

QStringList TfrmSimple_Nomenklatura::EntryRow() {
    return {FloatToStrDot(-1, feShifyr->Value()), edNaimenovanie->text().trimmed()};
}

std::optional<TNameClaim> TfrmSimple_Nomenklatura::EntryName() {
    return TNameClaim{edNaimenovanie->text().trimmed(), {}};
}

void TfrmSimple_Nomenklatura::EntryAdded(bool WasEditing) {
    if (!WasEditing) feShifyr->SetValue(feShifyr->Value() + 1);
}

void TfrmSimple_Nomenklatura::RowToEdits(const QStringList& Cells) {
    feShifyr->SetValue(StrToFloatDot(Cells.value(0), 0));
    edNaimenovanie->setText(Cells.value(1));
}

QWidget* TfrmSimple_Nomenklatura::KeyEdit() {
    return feShifyr;
}

QString TfrmSimple_Nomenklatura::DeleteStatement(const QString& KeyCell) {
    return SimpleDeleteSql(TableName, KeyField, KeyOfCell(KeyCell));
}
