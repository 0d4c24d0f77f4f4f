#include "business/registers/un_MPS.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <QGridLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

const QStringList MpsTextFields = {u"marka"_s,         u"model"_s,       u"godina"_s,      u"serien_nomer"_s,
                                   u"reg_nomer"_s,     u"shasi_nomer"_s, u"motor_nomer"_s, u"polezen_tovar"_s,
                                   u"rezervni_gumi"_s, u"kilometrazh"_s, u"drugi_belezi"_s};

QString MpsSelectSql(const QString& TableName, const QString& KeyField) {
    return Format(uR"sql(Select * From %s Order By %s)sql"_s, {TableName, KeyField});
}

QString MpsInsertSql(const QString& TableName, qint64 Code, const QStringList& Texts) {
    QList<TVarRec> Args = {TableName, Code};
    for (int i = 0; i < MpsTextFields.size(); ++i)
        Args << SqlText(Texts.value(i).trimmed());
    const QString Sql = uR"sql(
        Insert into %s values ( %d, "%s", "%s", "%s", "%s", "%s", "%s", "%s", "%s", "%s", "%s", "%s" )
    )sql"_s;
    return Format(Sql, Args);
}

QString MpsUpdateSql(const QString& TableName, const QStringList& Texts, const QString& KeyField,
                     qint64 Code) {
    QList<TVarRec> Args = {TableName};
    for (int i = 0; i < MpsTextFields.size(); ++i)
        Args << MpsTextFields[i] << SqlText(Texts.value(i).trimmed());
    Args << KeyField << Code;
    const QString Sql = uR"sql(
        Update %s Set %s = "%s",  %s = "%s",     %s = "%s",  %s = "%s", %s = "%s",
                      %s = "%s",  %s = "%s", %s = "%s",    %s = "%s",  %s = "%s", %s = "%s"
        Where ( %s = %d )
    )sql"_s;
    return Format(Sql, Args);
}

QString MpsDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code) {
    return Format(uR"sql(Delete From %s Where %s = %d)sql"_s, {TableName, KeyField, Code});
}

QString ValidateMpsInput(double Code, const QStringList& Texts, const TGridRows& Rows) {
    QString Result;
    const bool CodeGiven = IsRegisterCode(Code);
    if (CodeGiven) {
        const QString CodeText = FloatToStrDot(-1, Code);
        for (const QStringList& Row : Rows)
            if (Row.value(0) == CodeText) Result += CodeTakenMessage(CodeText);
    }
    if (!CodeGiven) Result += u"Въведете шифър.\n\r"_s;
    for (int i = 0; i < MpsTextFields.size(); ++i)
        if (Texts.value(i).trimmed().isEmpty()) {
            Result += u"Моля въведете всички полета\n\r"_s;
            break;
        }
    return Result;
}

// ---- the window

Tfrm_MPS::Tfrm_MPS(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frm_MPS"_s);
    pnlParams->setFixedHeight(92);
    auto* Layout = new QGridLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    Layout->setVerticalSpacing(3);
    code_mps = NewCodeEdit(u"code_mps"_s, 80);
    TLimitedEdit** Edits[] = {&marka,         &model,       &godina,      &serien_nomer,
                              &reg_nomer,     &shasi_nomer, &motor_nomer, &polezen_tovar,
                              &rezervni_gumi, &kilometrazh, &drugi_belezi};
    for (int i = 0; i < MpsTextFields.size(); ++i) {
        *Edits[i] = new TLimitedEdit(pnlParams);
        (*Edits[i])->setObjectName(MpsTextFields[i]);
    }
    const QStringList Titles = {
        u"Шифър"_s,          u"Марка"_s,         u"Модел"_s,         u"Година"_s,
        u"Сериен номер"_s,   u"Рег. номер"_s,    u"Номер на шаси"_s, u"Номер на двигател"_s,
        u"Товароносимост"_s, u"Резервни гуми"_s, u"Километраж"_s,    u"Други белези"_s};
    const QList<QWidget*> Controls = {code_mps,      marka,         model,       godina,
                                      serien_nomer,  reg_nomer,     shasi_nomer, motor_nomer,
                                      polezen_tovar, rezervni_gumi, kilometrazh, drugi_belezi};
    for (int i = 0; i < Controls.size(); ++i) {
        const int Row = i / 4;
        const int Col = i % 4;
        Layout->addWidget(new QLabel(Titles[i] + u":"_s, pnlParams), Row, Col * 2, Qt::AlignRight);
        Layout->addWidget(Controls[i], Row, Col * 2 + 1);
        Layout->setColumnStretch(Col * 2 + 1, 1);
    }

    QList<int> Widths(Titles.size(), 110);
    Widths[0] = 60;
    SetGridColumns(Titles, Widths);
}

QList<TLimitedEdit*> Tfrm_MPS::TextEdits() const {
    return {marka,       model,         godina,        serien_nomer, reg_nomer,   shasi_nomer,
            motor_nomer, polezen_tovar, rezervni_gumi, kilometrazh,  drugi_belezi};
}

QStringList Tfrm_MPS::Texts() const {
    QStringList Result;
    for (TLimitedEdit* Edit : TextEdits())
        Result << Edit->text();
    return Result;
}

bool Tfrm_MPS::Init() {
    const bool Result = TRegisterForm::Init();
    for (TLimitedEdit* Edit : TextEdits())
        Edit->SetValidChars(RegisterValidChars);
    return Result;
}

bool Tfrm_MPS::Reset() {
    const bool Result = TRegisterForm::Reset();
    ProposeNextKey(code_mps);
    return Result;
}

bool Tfrm_MPS::Execute() {
    const bool Result = TRegisterForm::Execute();
    LoadRows(MpsSelectSql(TableName, KeyField));
    return Result;
}

QString Tfrm_MPS::ValidateInput() {
    return ValidateMpsInput(code_mps->Value(), Texts(), GridRows());
}

QStringList Tfrm_MPS::EntryStatements() {
    if (EditingRow) return {MpsUpdateSql(TableName, Texts(), KeyField, KeyOfCell(EditingKey))};
    return {MpsInsertSql(TableName, Whole(code_mps->Value()), Texts())};
}

QStringList Tfrm_MPS::EntryRow() {
    QStringList Row = {FloatToStrDot(-1, code_mps->Value())};
    for (const QString& Text : Texts())
        Row << Text.trimmed();
    return Row;
}

void Tfrm_MPS::EntryAdded(bool WasEditing) {
    if (!WasEditing) code_mps->SetValue(code_mps->Value() + 1);
}

void Tfrm_MPS::RowToEdits(const QStringList& Cells) {
    code_mps->SetValue(StrToFloatDot(Cells.value(0), 0));
    const QList<TLimitedEdit*> Edits = TextEdits();
    for (int i = 0; i < Edits.size(); ++i)
        Edits[i]->setText(Cells.value(i + 1));
}

QWidget* Tfrm_MPS::KeyEdit() {
    return code_mps;
}

QString Tfrm_MPS::DeleteStatement(const QString& KeyCell) {
    return MpsDeleteSql(TableName, KeyField, KeyOfCell(KeyCell));
}
