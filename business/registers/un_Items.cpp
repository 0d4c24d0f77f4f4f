#include "business/registers/un_Items.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/registers/un_Simple_Nomenklatura.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

const QString ItemsSelectSql = uR"sql(
    SELECT Items.code_i, Items.SN, Item_types.Name_i_t, Items.code_i_t
    FROM Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t
    ORDER BY Items.SN
)sql"_s;
const QString ItemTypesListSql = uR"sql(SELECT code_i_t, name_i_t FROM Item_types ORDER BY name_i_t)sql"_s;
const QString ItemTypesListHeader = u"Шифър@Наименование"_s;

QString ItemInsertSql(const QString& TableName, qint64 Code, const QString& Description, qint64 TypeCode) {
    return Format(uR"sql(Insert into %s values ( %d, "%s", %d ))sql"_s,
                  {TableName, Code, SqlText(Description.trimmed()), TypeCode});
}

QString ItemUpdateSql(const QString& TableName, const QString& NameField, const QString& Description,
                      qint64 TypeCode, const QString& KeyField, qint64 Code) {
    return Format(uR"sql(Update %s Set %s = "%s", %s = %f Where ( %s = %d ))sql"_s,
                  {TableName, NameField, SqlText(Description.trimmed()), u"code_i_t"_s, double(TypeCode),
                   KeyField, Code});
}

QString ValidateItemInput(double Code, const QString& Description, qint64 TypeCode, const QString& TypeName,
                          const TGridRows& Rows) {
    QString Result;
    const bool CodeGiven = IsRegisterCode(Code);
    const bool DescriptionGiven = !Description.trimmed().isEmpty();
    if (CodeGiven && DescriptionGiven) {
        const QString CodeText = FloatToStrDot(-1, Code);
        // Each message once, however many rows share the code or the description.
        const auto Taken = [&Rows](auto Matches) { return std::any_of(Rows.begin(), Rows.end(), Matches); };
        if (Taken([&](const QStringList& Row) { return Row.value(0) == CodeText; }))
            Result += CodeTakenMessage(CodeText);
        if (Taken([&](const QStringList& Row) {
                return Row.value(1).trimmed() == Description.trimmed() && Row.value(2) == TypeName;
            }))
            Result += NameTakenMessage(Description.trimmed());
    }
    if (!CodeGiven) Result += u"Въведете шифър.\n\r"_s;
    if (!DescriptionGiven) Result += u"Въведете наименование!\n\r"_s;
    if (TypeCode == 0) Result += u"Въведете тип на вещ\n\r"_s;
    return Result;
}

// ---- the window

TfrmItems::TfrmItems(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmItems"_s);
    auto* Layout = new QHBoxLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    feShifyr = NewCodeEdit(u"feShifyr"_s, 80);
    edNaimenovanie = new TLimitedEdit(pnlParams);
    edNaimenovanie->setObjectName(u"edNaimenovanie"_s);
    edNaimenovanie->setMaxLength(60);
    edNaimenovanie->setMinimumWidth(260);
    pnlType = NewInfoPanel(pnlParams, u"pnlType"_s, 180);
    leType = NewListEdit(pnlParams, u"leType"_s, pnlType, 70);
    Layout->addWidget(new QLabel(u"Шифър:"_s, pnlParams));
    Layout->addWidget(feShifyr);
    Layout->addSpacing(12);
    Layout->addWidget(new QLabel(u"Наименование:"_s, pnlParams));
    Layout->addWidget(edNaimenovanie, 1);
    Layout->addSpacing(12);
    Layout->addWidget(new QLabel(u"Тип:"_s, pnlParams));
    Layout->addWidget(leType);
    Layout->addWidget(pnlType);
    Layout->addStretch();

    SetGridColumns({u"Шифър"_s, u"Наименование"_s, u"Тип"_s}, {80, 360, 200});
}

bool TfrmItems::Init() {
    const bool Result = TRegisterForm::Init();
    edNaimenovanie->SetValidChars(RegisterValidChars);
    TDelimitedStringList Types;
    RunQuery(this, AdoConnection, ItemTypesListSql, &Types);
    FillListEdit(leType, ItemTypesListHeader, Types, 0);
    return Result;
}

bool TfrmItems::Reset() {
    const bool Result = TRegisterForm::Reset();
    ProposeNextKey(feShifyr);
    return Result;
}

bool TfrmItems::Execute() {
    const bool Result = TRegisterForm::Execute();
    FRowTypes.clear();
    LoadRows(ItemsSelectSql, [this](TDelimitedStringList& List) {
        for (int Row = 0; Row < List.Count(); ++Row) {
            FRowTypes.insert(StrToIntOrZero(List.GetField(Row, 0)), StrToIntOrZero(List.GetField(Row, 3)));
            List.SetRowFieldCount(Row, 3);
        }
    });
    return Result;
}

qint64 TfrmItems::TypeCode() const {
    // A code no type has would store an item that no list shows.
    return ListedCode(leType);
}

QString TfrmItems::ValidateInput() {
    return ValidateItemInput(feShifyr->Value(), edNaimenovanie->text(), TypeCode(), pnlType->text(),
                             GridRows());
}

QStringList TfrmItems::EntryStatements() {
    const qint64 TypeCode = this->TypeCode();
    if (EditingRow)
        return {ItemUpdateSql(TableName, NameField, edNaimenovanie->text(), TypeCode, KeyField,
                              KeyOfCell(EditingKey))};
    return {ItemInsertSql(TableName, Whole(feShifyr->Value()), edNaimenovanie->text(), TypeCode)};
}

QStringList TfrmItems::EntryRow() {
    return {FloatToStrDot(-1, feShifyr->Value()), edNaimenovanie->text().trimmed(), pnlType->text()};
}

std::optional<TNameClaim> TfrmItems::EntryName() {
    return TNameClaim{edNaimenovanie->text().trimmed(), Format(u"code_i_t = %d"_s, {TypeCode()})};
}

void TfrmItems::EntryAdded(bool WasEditing) {
    FRowTypes.insert(Whole(feShifyr->Value()), TypeCode());
    if (WasEditing) return;
    // The contract window selects the item just added.
    WriteRegString(u"Last_Item"_s, FloatToStrDot(-1, feShifyr->Value()));
    feShifyr->SetValue(feShifyr->Value() + 1);
}

void TfrmItems::RowToEdits(const QStringList& Cells) {
    feShifyr->SetValue(StrToFloatDot(Cells.value(0), 0));
    edNaimenovanie->setText(Cells.value(1));
    // By the row's own type code: two types may share a name, and the first would win.
    const auto Type = FRowTypes.constFind(KeyOfCell(Cells.value(0)));
    leType->setText(Type != FRowTypes.constEnd() ? QString::number(*Type)
                                                 : ListEditLookup(leType, 1, 0, Cells.value(2)));
}

QList<TLookupReference> TfrmItems::EntryReferences() {
    return {{u"Item_types"_s, u"code_i_t"_s, TypeCode(), u"тип вещ"_s}};
}

QWidget* TfrmItems::KeyEdit() {
    return feShifyr;
}

QString TfrmItems::DeleteStatement(const QString& KeyCell) {
    return SimpleDeleteSql(TableName, KeyField, KeyOfCell(KeyCell));
}
