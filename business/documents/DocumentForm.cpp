#include "business/documents/DocumentForm.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/engine/unAdminPassword.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/unWordTemplates.h"
#include "business/registers/RegisterForm.h"
#include "business/registers/unPickLists.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unWait.h"

#include <QAction>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

using namespace Qt::StringLiterals;

QString DocNoValidationText(double DocNo, const QStringList& GridNumbers) {
    const QString Sep = u"\n\r"_s;
    const QString Number = FloatToStrDot(-1, DocNo);
    QString Text;
    if (DocNo != 0)
        for (const QString& Cell : GridNumbers)
            if (Cell.trimmed() == Number)
                Text += Sep + Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {Number});
    if (DocNo == 0) Text += Sep + u"Въведете номер на документ"_s;
    return Text;
}

int AppendGridRow(TRichGrid* Grid, const QStringList& Cells) {
    int Row = Grid->RowCount() - 1;
    if (!(Row == Grid->FixedRows() && Grid->Cells(1, Row).trimmed().isEmpty())) {
        Grid->SetRowCount(Grid->RowCount() + 1);
        Row = Grid->RowCount() - 1;
    }
    Grid->SetRow(Row);
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    for (int C = 0; C < Cells.size(); ++C)
        Grid->SetCells(C, Row, Cells[C]);
    return Row;
}

QString DocumentDeleteSql(const QString& Table, const QString& KeyField, qint64 Number) {
    return Format(uR"sql(Delete * from %s Where %s = %d)sql"_s, {Table, KeyField, Number});
}

TListEdit* NewOwnerEdit(QWidget* Parent, QLabel* Names) {
    TListEdit* Edit = NewListEdit(Parent, u"leOwner"_s, Names, 120);
    Edit->OnBitButtonClick = [Edit](QWidget*) { GetOwnersList(Edit, Edit); };
    return Edit;
}

void ShowLastOwner(TListEdit* Owner) {
    const QString Last = ReadRegString(u"Last_EGN"_s).trimmed();
    if (Last.isEmpty()) return;
    QString Padded;
    FormatEGN(Last, Padded);
    Owner->setText(Padded);
}

void RememberOwner(const TListEdit* Owner) {
    if (!Owner->text().trimmed().isEmpty()) WriteRegString(u"Last_EGN"_s, Owner->text().trimmed());
}

TDocumentForm::TDocumentForm(QWidget* Owner) : TMAccountReadForm(Owner) {
    for (QAction* A : {actNew, actEdit, actSave, actDelete})
        A->setEnabled(true);
    ctrl_F9 = new QAction(this);
    ctrl_F9->setObjectName(u"ctrl_F9"_s);
    ctrl_F9->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
    ctrl_F9->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ctrl_F9);
    connect(ctrl_F9, &QAction::triggered, this, [this] { PrintDocument(); });
}

QGridLayout* TDocumentForm::NewParamsLayout() {
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    L->setVerticalSpacing(3);
    return L;
}

void TDocumentForm::MakeNumberAndDate() {
    feDocNo = NewNumberEdit(u"feDocNo"_s, 0, 80);
    dtDate_c = NewDateEdit(u"dtDate_c"_s);
}

void TDocumentForm::LayOutNumberAndDate(QGridLayout* L, int Column) {
    L->addWidget(new QLabel(u"Номер:"_s, pnlParams), 0, Column);
    L->addWidget(feDocNo, 0, Column + 1);
    L->addWidget(new QLabel(u"Дата:"_s, pnlParams), 0, Column + 2);
    L->addWidget(dtDate_c, 0, Column + 3);
}

QPushButton* TDocumentForm::NewPrintButton(const QString& Name, const QString& Text) {
    auto* Button = new QPushButton(Text, pnlParams);
    Button->setObjectName(Name);
    Button->setFocusPolicy(Qt::NoFocus);
    return Button;
}

TFloatEdit* TDocumentForm::NewNumberEdit(const QString& Name, int Precision, int Width) {
    auto* Edit = new TFloatEdit(pnlParams);
    Edit->setObjectName(Name);
    Edit->SetPrecision(Precision);
    Edit->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit->setFixedWidth(Width);
    return Edit;
}

QDateEdit* TDocumentForm::NewDateEdit(const QString& Name) {
    auto* Edit = new QDateEdit(pnlParams);
    Edit->setObjectName(Name);
    Edit->setDisplayFormat(u"dd.MM.yyyy"_s);
    Edit->setCalendarPopup(true);
    return Edit;
}

TLimitedEdit* TDocumentForm::NewNameEdit(const QString& Name) {
    auto* Edit = new TLimitedEdit(pnlParams);
    Edit->setObjectName(Name);
    Edit->setMaxLength(60);
    Edit->SetValidChars(RegisterValidChars);
    return Edit;
}

bool TDocumentForm::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    StopEditing();
    return Result;
}

bool TDocumentForm::Done() {
    PendingSql.clear();
    return TMAccountReadForm::Done();
}

bool TDocumentForm::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    Container()->setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    DoExecute();
    ProposeNextKey(this, TableName, KeyField, feDocNo);
    return Result;
}

bool TDocumentForm::Add() {
    if (!TMAccountReadForm::Add()) return false;
    const QString Messages = ValidateEntry();
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        return false;
    }
    Queue(EntryStatements());
    AppendGridRow(Grid, EntryRow());
    feSum_c->SetValue(0);
    if (!EditingRow) feDocNo->SetValue(feDocNo->Value() + 1);
    StopEditing();
    ShowEditing(false);
    return true;
}

bool TDocumentForm::Save() {
    if (!TMAccountReadForm::Save()) return false;
    if (!SaveQueued(this, [this] { return CheckInsideSave(); })) return false;
    Reload();
    Saved();
    return true;
}

QString TDocumentForm::CheckInsideSave() {
    return QString();
}

void TDocumentForm::Saved() {}

bool TDocumentForm::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    if (EditingRow) {
        ShowErrorFmt(u"Не можете да редактирате два реда едновремнно!"_s);
        return false;
    }
    const qint64 Number = SelectedDocNo();
    if (Number == 0 || RefuseUnsaved(Number) || !AskAdminPassword(this)) return false;
    const int Row = Grid->Row();
    const QStringList Cells = Grid->Rows(Row);
    StartEditing(Cells.value(0).trimmed(), feDocNo);
    ShowEditing(true);
    feDocNo->SetValue(StrToFloatDot(Cells.value(0), 0));
    RowToEdits(Cells);
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    DeleteGridRow(Grid, Row);
    return true;
}

bool TDocumentForm::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return false;
    return DeleteDocument(Row);
}

bool TDocumentForm::DeleteDocument(int Row) {
    const qint64 Number = StrToIntOrZero(Grid->Cells(0, Row).trimmed());
    if (Number == 0 || RefuseUnsaved(Number) || !AskAdminPassword(this)) return false;
    if (ConfirmYesNoFmt(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s,
                        {RecordNoun, Grid->Cells(0, Row), Grid->Cells(1, Row)}) != mrYes)
        return false;
    Queue(DeleteStatements(Number));
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    DeleteGridRow(Grid, Row);
    return true;
}

QStringList TDocumentForm::DeleteStatements(qint64 Number) {
    return {DocumentDeleteSql(TableName, KeyField, Number)};
}

QString TDocumentForm::UnsavedDocumentText(qint64) {
    return QString();
}

bool TDocumentForm::RefuseUnsaved(qint64 Number) {
    const QString Text = UnsavedDocumentText(Number);
    if (Text.isEmpty()) return false;
    ShowErrorFmt(Text);
    return true;
}

qint64 TDocumentForm::SelectedDocNo() const {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return 0;
    return StrToIntOrZero(Grid->Cells(0, Row).trimmed());
}

QStringList TDocumentForm::GridNumbers() const {
    QStringList Numbers;
    for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
        Numbers += Grid->Cells(0, R);
    return Numbers;
}

void TDocumentForm::SetGridColumns(const QStringList& Titles, const QList<int>& Widths) {
    Grid->SetColCount(int(Titles.size()));
    Grid->SetFixedRows(1);
    Grid->SetRowCount(2);
    Grid->SetFixedCols(0);
    for (int C = 0; C < Titles.size(); ++C) {
        Grid->SetCells(C, 0, Titles[C]);
        Grid->SetColWidths(C, Widths.value(C, 90));
    }
    Grid->SetCol(0);
    Grid->Loaded();
}

void TDocumentForm::SetGridColumns(const QList<TDocumentColumn>& Columns, const QString& Merges) {
    Grid->SetColCount(int(Columns.size()));
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    Grid->SetFixedCols(0);
    const QFontMetrics Metrics(Grid->font());
    for (int C = 0; C < Columns.size(); ++C) {
        const QString Upper = QString::fromUtf8(Columns[C].Upper);
        const QString Lower = QString::fromUtf8(Columns[C].Lower);
        Grid->SetCells(C, 0, Upper);
        Grid->SetCells(C, 1, Lower);
        int Width = Columns[C].Width;
        if (Width == 0) {
            Width = std::max(Metrics.horizontalAdvance(Lower),
                             Metrics.horizontalAdvance(QString::fromUtf8(Columns[C].Sample)));
            if (Lower.isEmpty()) Width = std::max(Width, Metrics.horizontalAdvance(Upper));
            Width += 12;
        }
        Grid->SetColWidths(C, Width);
    }
    Grid->SetMergeCellsStr(Merges);
    Grid->SetLeftCol(0);
    Grid->SetCol(0);
    Grid->Loaded();
}

void TDocumentForm::ShowEditing(bool On) {
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, On ? QColor(255, 0, 0) : palette().color(QPalette::Button));
    pnlCaption->setPalette(Palette);
}

bool TDocumentForm::RefusePrintBeforeSave() {
    if (QueuedCount() == 0) return false;
    ShowErrorFmt(u"Натиснете бутон \"F2\" (за запис), след това разпечатайте договора."_s);
    return true;
}

qint64 TDocumentForm::DocumentToPrint() {
    const qint64 Number = SelectedDocNo();
    if (Number == 0) ShowErrorFmt(u"Избраният ред не е за документ !"_s);
    return Number;
}

QStringList TDocumentForm::SelectedCells(const QList<int>& Columns) const {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount() || Grid->Cells(0, Row).trimmed().isEmpty())
        return {};
    QStringList Cells;
    for (int C : Columns)
        Cells += Grid->Cells(C, Row);
    return Cells;
}

void TDocumentForm::RunPrint(const std::function<void()>& Print) {
    try {
        TWaitGuard Wait;
        Print();
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
    } catch (const Exception& E) {
        ShowErrorBox(E.Message());
    }
}

void TDocumentForm::PrintLabel() {
    // A label of an empty row would carry no document number.
    if (DocumentToPrint() == 0) return;
    const int Row = Grid->Row();
    RunPrint(
        [&] { PrintItemLabel(LabelTemplatePath(), Grid->Cells(0, Row).trimmed(), Grid->Cells(3, Row)); });
}
