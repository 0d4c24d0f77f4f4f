#include "business/documents/DocumentForm.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unAdminPassword.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/unWordTemplates.h"
#include "business/registers/RegisterForm.h"
#include "business/registers/unPickLists.h"
#include "business/registers/un_Users_passwords.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unSorter.h"
#include "core/unWait.h"

#include <QAbstractButton>
#include <QAction>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <algorithm>

using namespace Qt::StringLiterals;

std::function<bool()> SignInBeforeSave;

void SignInIfUnsigned(QObject* Owner, const QString& UserName) {
    if (SignInBeforeSave && !UnsignedWriteRefusal(Owner, UserName).isEmpty()) SignInBeforeSave();
}

QString DocNoValidationText(double DocNo, const QStringList& GridNumbers) {
    const QString Sep = u"\n\r"_s;
    const QString Number = FloatToStrDot(-1, DocNo);
    QString Text;
    if (DocNo != 0)
        for (const QString& Cell : GridNumbers)
            if (Cell.trimmed() == Number)
                Text += Sep + Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {Number});
    if (DocNo == 0) Text += Sep + u"Въведете номер на документ"_s;
    // Wider numbers would not survive every way a number travels.
    if (DocNo != 0 && !IsRegisterCode(DocNo)) Text += Sep + u"Номерът на документа е от 1 до 999 999 999."_s;
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

namespace {

// Where each value of "Insert into Table values ( ... )" stands in Sql, texts and bracketed
// queries kept whole; none for any other statement.
struct TInsertValues {
    QString Table;
    QList<std::pair<qsizetype, qsizetype>> Spans; // start, end
};

TInsertValues InsertValues(const QString& Sql) {
    static const QRegularExpression Head(uR"(^\s*insert\s+into\s+(\w+)\s+values\s*\()"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch Match = Head.match(Sql);
    if (!Match.hasMatch()) return {};
    TInsertValues Values{Match.captured(1), {}};
    qsizetype Start = Match.capturedEnd();
    int Depth = 0;
    bool Quoted = false; // a doubled quote inside a text turns it off and on again
    for (qsizetype I = Start; I < Sql.size(); ++I) {
        const QChar C = Sql[I];
        if (C == u'"') Quoted = !Quoted;
        if (Quoted || C == u'"') continue;
        if (C == u'(') ++Depth;
        if (C == u')' && Depth > 0) {
            --Depth;
            continue;
        }
        if (Depth == 0 && (C == u',' || C == u')')) {
            Values.Spans.append({Start, I});
            Start = I + 1;
            if (C == u')') break;
        }
    }
    return Values;
}

} // namespace

QStringList RenumberedDocumentSql(const QStringList& Statements, const QString& Table, qint64 From,
                                  qint64 To) {
    const QString Old = QString::number(From);
    QStringList Result;
    for (QString Sql : Statements) {
        const TInsertValues Values = InsertValues(Sql);
        auto Value = [&](int I) {
            const auto [Start, End] = Values.Spans[I];
            return QStringView(Sql).mid(Start, End - Start).trimmed();
        };
        int At = -1;
        if (!Values.Spans.isEmpty() && Values.Table.compare(Table, Qt::CaseInsensitive) == 0)
            At = 0;
        else if (Values.Spans.size() > 2 && Value(0).startsWith(u'('))
            At = 2;
        if (At >= 0 && Value(At) == Old) {
            const qsizetype Start = Sql.indexOf(Old, Values.Spans[At].first);
            Sql.replace(Start, Old.size(), QString::number(To));
        }
        Result << Sql;
    }
    return Result;
}

QString DocumentDeleteSql(const QString& Table, const QString& KeyField, qint64 Number) {
    return Format(uR"sql(Delete * from %s Where %s = %d)sql"_s, {Table, KeyField, Number});
}

TDocumentReference OwnerReference(const QString& Role, const QString& OwnerCode, const QStringList& Columns,
                                  const QStringList& Values) {
    QString EGN;
    FormatEGN(OwnerCode.trimmed(), EGN);
    return {Role + u" с ЕГН "_s + EGN, QString(), false, u"Owners"_s, u"EGN"_s,
            StrToIntOrZero(EGN),       Columns,   Values};
}

TDocumentReference ItemReference(qint64 Item) {
    return {u"Вещ с шифър "_s + QString::number(Item), u"а"_s, false, u"Items"_s, u"code_i"_s, Item};
}

TDocumentReference VehicleReference(qint64 Vehicle) {
    return {u"МПС номер "_s + QString::number(Vehicle), u"о"_s, false, u"MPS"_s, u"code_MPS"_s, Vehicle};
}

TDocumentReference PurchaseReference(qint64 Purchase) {
    return {
        u"Покупка "_s + QString::number(Purchase), u"а"_s, true, u"Items_purchases"_s, u"docno"_s, Purchase};
}

TDocumentReference SaleReference(qint64 Sale) {
    return {u"Продажба "_s + QString::number(Sale), u"а"_s, true, u"Items_sales"_s, u"docno"_s, Sale};
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
    ctrl_F9 = MakeAction("ctrl_F9", QString(), QString(), QKeySequence(Qt::CTRL | Qt::Key_F9), true);
    connect(ctrl_F9, &QAction::triggered, this,
            [this] { RunAction(ctrl_F9, true, [this] { PrintDocument(); }); });
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

TDocumentDateEdit* TDocumentForm::NewDateEdit(const QString& Name) {
    auto* Edit = new TDocumentDateEdit(pnlParams);
    Edit->setObjectName(Name);
    Edit->setDate(DateTimeToQDate(Date()));
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
    DropQueue();
    return TMAccountReadForm::Done();
}

bool TDocumentForm::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    ShowCaption(FormCaption);
    DoExecute();
    return Result;
}

bool TDocumentForm::Execute() {
    FLoadedRestoreMark = RestoreMark();
    return TMAccountReadForm::Execute();
}

bool TDocumentForm::DoExecute() {
    const bool Result = [this] {
        if (!EditingRow) {
            if (const auto Answered = AskBeforeReload([this] { return DoSave(); }, [this] { DropQueue(); }))
                return *Answered;
            return TMAccountReadForm::DoExecute();
        }
        // The reload would show the lifted row again under an edit that could no longer be
        // queued: the edit is finished or given up first, as on closing.
        if (IsAppBusy()) return false;
        switch (ConfirmYesNoCancelFmt(LoadStr(65194))) {
        case mrYes:
            return DoAdd() && DoSave();
        case mrNo:
            EndEditing();
            DropQueue();
            return TMAccountReadForm::DoExecute();
        default:
            return false;
        }
    }();
    // A reload that ran leaves nothing queued or lifted.
    if (Result) ProposeNextNumber();
    return Result;
}

void TDocumentForm::ProposeNextNumber() {
    qint64 Next = NextFreeNumber();
    for (const TQueuedDocument& Document : FDocuments)
        Next = std::max(Next, Document.Number + 1);
    feDocNo->SetValue(double(Next));
}

void TDocumentForm::EndEditing() {
    StopEditing();
    ShowEditing(false);
    FLiftedRow.clear();
    FLiftedStored.clear();
    EditEnded();
    // Nothing of the lifted document goes into the next one: the edits hold what they held before
    // the lift, buttons first, as their handlers clear what follows them.
    for (const auto& [Widget, Value] : std::as_const(FCarried)) {
        if (!Widget) continue;
        if (auto* Button = qobject_cast<QAbstractButton*>(Widget)) {
            if (Button->isChecked() != Value.toBool()) Button->click();
        } else if (auto* Number = qobject_cast<TFloatEdit*>(Widget)) {
            Number->SetValue(Value.toDouble());
        } else if (auto* Line = qobject_cast<QLineEdit*>(Widget)) {
            Line->setText(Value.toString());
        }
    }
    FCarried.clear();
    // The lifted document's day and amount would go into the next one, which must be today's.
    feDocNo->SetValue(FNumberBeforeEdit);
    feSum_c->SetValue(0);
    dtDate_c->setDate(DateTimeToQDate(Date()));
}

void TDocumentForm::EditEnded() {}

QList<TDocumentReference> TDocumentForm::EntryReferences() {
    return {};
}

bool TDocumentForm::DoAdd() {
    for (TListEdit* Lookup : pnlParams->findChildren<TListEdit*>())
        if (Lookup->TakeMissingCode()) CodeTaken(Lookup);
    return TMAccountReadForm::DoAdd();
}

void TDocumentForm::CodeTaken(TListEdit*) {}

void TDocumentForm::DropQueue() {
    FDocuments.clear();
    FGuarded.clear();
    PendingSql.clear();
}

void TDocumentForm::QueueDocument(TQueuedDocument Document) {
    for (int I = 0; I < Document.Statements.size(); ++I)
        if (const auto Refusal = FGuarded.constFind(Document.Statements[I]); Refusal != FGuarded.cend())
            Document.Guards.insert(I, Refusal.value());
    FGuarded.clear();
    // Another window may delete the edited document before Save: its update would then change
    // nothing, without a word.
    if (Document.Change == TChange::Edited && !Document.Statements.isEmpty() && !Document.Guards.contains(0))
        Document.Guards.insert(0, GoneText(Document.Number));
    Document.Key = FNextKey++;
    Queue(SignedStatements(this, Document.Statements, UserName));
    FDocuments.append(Document);
}

int TDocumentForm::QueuingKey() const {
    return FNextKey;
}

QList<int> TDocumentForm::QueuedKeys() const {
    QList<int> Keys;
    for (const TQueuedDocument& Document : FDocuments)
        Keys << Document.Key;
    return Keys;
}

void TDocumentForm::RequeueDocuments() {
    PendingSql.clear();
    for (const TQueuedDocument& Document : FDocuments)
        Queue(SignedStatements(this, Document.Statements, UserName));
}

QStringList TDocumentForm::UnsignedStatements(const std::function<QStringList()>& Build) {
    const QString Signed = UserName;
    UserName = OperatorMark;
    const auto Back = qScopeGuard([&] { UserName = Signed; });
    return Build();
}

bool TDocumentForm::Add() {
    if (!TMAccountReadForm::Add()) return false;
    // A typed date is taken only once it is read: one that makes no date queues nothing.
    for (TDocumentDateEdit* Day : pnlParams->findChildren<TDocumentDateEdit*>())
        if (Day->isVisibleTo(pnlParams) && !Day->CheckedDate().isValid()) return false;
    const QString Messages = ValidateEntry();
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        // Another workstation saved under the number proposed: the next free one is offered.
        const qint64 Number = Whole(feDocNo->Value());
        if (!EditingRow && (NumberTaken(Number) || QueuedAsNew(Number))) ProposeNextNumber();
        return false;
    }
    FGuarded.clear();
    TQueuedDocument Document;
    Document.Statements = UnsignedStatements([this] { return EntryStatements(); });
    Document.References = EntryReferences();
    if (EditingRow) {
        Document.Change = TChange::Edited;
        Document.Number = StrToIntOrZero(EditingKey);
        Document.Row = FLiftedRow;
        Document.Stored = FLiftedStored;
    } else {
        Document.Number = Whole(feDocNo->Value());
    }
    QueueDocument(Document);
    AppendGridRow(Grid, EntryRow());
    if (EditingRow) {
        EndEditing();
        return true;
    }
    feSum_c->SetValue(0);
    feDocNo->SetValue(feDocNo->Value() + 1);
    return true;
}

bool TDocumentForm::Save() {
    if (!TMAccountReadForm::Save()) return false;
    if (QueuedCount() > 0) SignInIfUnsigned(this, UserName);
    // A refused or failed Save leaves the queue as it was queued, whatever the check rewrote.
    const QList<TQueuedDocument> Queued = FDocuments;
    QStringList Moved;
    int Refused = -1;
    // The window's check finds its statements by their text: it sees them before any is renumbered.
    const bool Written = SaveQueued(this, [&] {
        // Asked again here: another workstation may have saved the first operator meanwhile.
        if (QString Refusal = UnsignedWriteRefusal(this, UserName); !Refusal.isEmpty()) return Refusal;
        QString Refusal = RecheckTypedAgainst(Refused);
        if (Refusal.isEmpty()) {
            int Key = -1;
            Refusal = CheckInsideSave(Key);
            if (!Refusal.isEmpty()) {
                Refused = int(QueuedKeys().indexOf(Key));
                if (Refused >= 0) Refusal += u'\n' + DroppedText(FDocuments[Refused], FDocuments.size() > 1);
            }
        }
        if (Refusal.isEmpty()) Refusal = RecheckDocuments(Refused);
        if (Refusal.isEmpty()) Refusal = RenumberTakenNumbers(Moved, Refused);
        return Refusal;
    });
    if (!Written) {
        FDocuments = Queued;
        RequeueDocuments();
        // The document refused goes, so that it blocks nothing typed beside it.
        if (Refused >= 0) DropDocument(Refused);
        return false;
    }
    const QList<TQueuedDocument> Stored = FDocuments;
    FDocuments.clear();
    FGuarded.clear();
    // Rows a restore took away are in no saved document's place: only a whole load drops them.
    if (RestoreMark() != FLoadedRestoreMark || !RefreshSavedRows(Queued, Stored)) Reload();
    // A document still lifted stays out of the list until its edit is queued.
    if (EditingRow)
        if (const int Row = GridRowOf(StrToIntOrZero(EditingKey)); Row >= 0) DeleteGridRow(Grid, Row);
    if (!Moved.isEmpty()) {
        if (!EditingRow) feDocNo->SetValue(double(NextFreeNumber()));
        ShowMessageEx(Moved.join(u'\n'));
    }
    Saved();
    return true;
}

QString TDocumentForm::StoredRow(qint64 Number) {
    TDelimitedStringList Row;
    RunQuery(this, AdoConnection,
             Format(uR"sql(SELECT * FROM %s WHERE %s = %d)sql"_s, {TableName, KeyField, Number}), &Row);
    return Row.GetTextStr();
}

// Every document is checked before any statement runs: an edit lifted twice before one Save
// compares the same stored row, which the first edit's update would change.
QString TDocumentForm::RecheckTypedAgainst(int& Refused) {
    for (int I = 0; I < FDocuments.size(); ++I) {
        const TQueuedDocument& Document = FDocuments[I];
        QString Refusal;
        if (Document.Change == TChange::Edited) {
            const QString Now = StoredRow(Document.Number);
            if (Now.isEmpty())
                Refusal = GoneText(Document.Number);
            else if (Now != Document.Stored)
                Refusal = ChangedText(Document.Number);
        }
        for (const TDocumentReference& Reference : Document.References) {
            if (!Refusal.isEmpty()) break;
            TDelimitedStringList Row;
            RunQuery(this, AdoConnection,
                     Format(uR"sql(SELECT %s FROM %s WHERE %s = %d)sql"_s,
                            {(QStringList{Reference.KeyField} + Reference.Columns).join(u", "_s),
                             Reference.Table, Reference.KeyField, Reference.Key}),
                     &Row);
            if (Row.Count() == 0)
                Refusal = Reference.Document
                              ? Reference.Name + u" е изтрит"_s + Reference.Ending + u" междувременно."_s
                              : Reference.Name + u" не съществува."_s;
            for (int C = 0; C < Reference.Columns.size() && Refusal.isEmpty(); ++C)
                if (Row.GetField(0, C + 1) != Reference.Values.value(C))
                    Refusal = Reference.Name + u" е променен"_s + Reference.Ending + u" междувременно."_s;
        }
        if (Refusal.isEmpty()) continue;
        Refused = I;
        return Refusal + u'\n' + DroppedText(Document, FDocuments.size() > 1);
    }
    return QString();
}

QString TDocumentForm::RecheckDocuments(int& Refused) {
    for (int I = 0; I < FDocuments.size(); ++I) {
        const TQueuedDocument& Document = FDocuments[I];
        QString Refusal;
        // What let F5 queue the delete must still hold.
        if (Document.Change == TChange::Deleted) Refusal = DeleteRefusal(Document.Number);
        // The window's own guards see the document as it stood before the change; the edit's own
        // update, guarded against a document deleted meanwhile, runs last.
        QList<int> Order = Document.Guards.keys();
        if (Order.removeOne(0)) Order.append(0);
        for (const int Statement : Order) {
            if (!Refusal.isEmpty()) break;
            if (ExecCounted(AdoConnection,
                            SignedStatements(this, {Document.Statements[Statement]}, UserName).value(0)) == 0)
                Refusal = Document.Guards.value(Statement);
        }
        if (Refusal.isEmpty()) continue;
        Refused = I;
        return Refusal + u'\n' + DroppedText(Document, FDocuments.size() > 1);
    }
    return QString();
}

QString TDocumentForm::DroppedText(const TQueuedDocument& Document, bool OthersRemain) const {
    QString Text;
    switch (Document.Change) {
    case TChange::New:
        Text = Format(u"%s не е записан%s."_s, {DocumentName(Document.Number), NounEnding()});
        break;
    case TChange::Edited:
        Text = Format(u"Редакцията на %s номер %d е отменена."_s, {DocumentNoun(), Document.Number});
        break;
    case TChange::Deleted:
        Text = Format(u"Изтриването на %s номер %d е отменено."_s, {DocumentNoun(), Document.Number});
        break;
    }
    if (OthersRemain) Text += RestMayBeSavedText();
    return Text;
}

void TDocumentForm::DropDocument(int Index) {
    const TQueuedDocument Document = FDocuments.takeAt(Index);
    RequeueDocuments();
    if (Document.Change != TChange::Deleted)
        if (const int Row = GridRowOf(Document.Number); Row >= 0) DeleteGridRow(Grid, Row);
    if (Document.Change != TChange::New && !Document.Row.isEmpty() &&
        DocumentNumberStored(this, TableName, double(Document.Number)))
        AppendGridRow(Grid, Document.Row);
}

int TDocumentForm::GridRowOf(qint64 Number) const {
    const QString Cell = QString::number(Number);
    for (int R = Grid->RowCount() - 1; R >= Grid->FixedRows(); --R)
        if (Grid->Cells(0, R).trimmed() == Cell) return R;
    return -1;
}

QString TDocumentForm::RenumberTakenNumbers(QStringList& Moved, int& Refused) {
    // Once one document has moved, the ones typed after it follow it, so that the numbers keep
    // the order they were typed in; each takes the lowest number free by then.
    bool Moving = false;
    qint64 Last = 0;
    QSet<qint64> Used;
    for (int I = 0; I < FDocuments.size(); ++I) {
        TQueuedDocument& Document = FDocuments[I];
        if (Document.Change != TChange::New) continue;
        const bool Taken = NumberTaken(Document.Number);
        if (!Taken && (!Moving || Document.Number > Last)) {
            Last = Document.Number;
            Used.insert(Last);
            continue;
        }
        qint64 Next = FirstFreeNumber(std::max(Document.Number, Last + 1));
        while (Used.contains(Next))
            Next = FirstFreeNumber(Next + 1);
        // F4 takes no number past the range: one saved there would refuse every document after it.
        if (!IsRegisterCode(double(Next))) {
            Refused = I;
            return Format(u"Номер %d е зает, а след него няма свободен номер до 999 999 999."_s,
                          {Document.Number}) +
                   u'\n' + DroppedText(Document, FDocuments.size() > 1);
        }
        const QStringList Statements =
            RenumberedDocumentSql(Document.Statements, TableName, Document.Number, Next);
        // A statement that does not carry the number its way keeps the clash, which Save reports.
        if (Statements == Document.Statements) continue;
        Moved << Format(Taken ? u"Номер %d е бил зает междувременно. Записан е с номер %d."_s
                              : u"Номер %d е записан с номер %d, след въведения преди него."_s,
                        {Document.Number, Next});
        Document.Statements = Statements;
        Document.Number = Next;
        Last = Next;
        Used.insert(Next);
        Moving = true;
    }
    RequeueDocuments();
    return QString();
}

bool TDocumentForm::QueuedAsNew(qint64 Number) const {
    return std::any_of(FDocuments.begin(), FDocuments.end(), [Number](const TQueuedDocument& Document) {
        return Document.Change == TChange::New && Document.Number == Number;
    });
}

bool TDocumentForm::CloseQuery() {
    if (!TMAccountReadForm::CloseQuery()) return false;
    if (!EditingRow) return MayClose([this] { return DoSave(); });
    // A lifted document is work as much as a queued one: Yes queues it and saves.
    if (IsAppBusy()) return false;
    switch (ConfirmYesNoCancelFmt(LoadStr(65194))) {
    case mrYes:
        return DoAdd() && DoSave();
    case mrNo:
        return true;
    default:
        return false;
    }
}

QString TDocumentForm::CheckInsideSave(int&) {
    return QString();
}

void TDocumentForm::Saved() {}

bool TDocumentForm::ReadSavedRows(const QList<qint64>&, TDelimitedStringList&) {
    return false;
}

int TDocumentForm::CompareListRecords(const QStringList& A, const QStringList& B) const {
    auto Compare = [&](int Column) {
        return CompareKeyFields(MakeSortKeyField(A.value(Column), true),
                                MakeSortKeyField(B.value(Column), true));
    };
    if (ListSortedByHeader)
        for (const int Column : SortColumns)
            if (const int C = Compare(Column)) return SortDescending ? -C : C;
    return Compare(0);
}

// A big shop's list holds half a million rows: a Save changes a few of them, so only those are
// read again, and the rest stays where the load put it.
bool TDocumentForm::RefreshSavedRows(const QList<TQueuedDocument>& Queued,
                                     const QList<TQueuedDocument>& Saved) {
    // Every number the queue touched is read again: a number Save moved a document from may show
    // the other window's document that took it.
    QSet<QString> Gone;
    QList<qint64> Fresh;
    for (const QList<TQueuedDocument>* List : {&Queued, &Saved})
        for (const TQueuedDocument& Document : *List)
            if (!Gone.contains(QString::number(Document.Number))) {
                Gone.insert(QString::number(Document.Number));
                Fresh << Document.Number;
            }
    const int First = Grid->FixedRows();
    const bool Empty = DataRowCount() == 0 && Grid->RowCount() == First + 1;
    const int Last = Grid->RowCount() - 1;
    const bool Filtered = FilterCriteria && FilterCriteria->Count() > 0 && FieldPropsRoot;
    // The filter's totals row is summed again; rows queued after it stand below it.
    if (Filtered) Gone.insert(FilterTotalsText);
    // The rows that stay must be in the load's order, or no place found for a new one is right.
    // Only the cells the order reads: the list may hold half a million rows.
    auto KeyCells = [this](int Row) {
        QStringList Cells(Grid->ColCount());
        Cells[0] = Grid->Cells(0, Row);
        if (ListSortedByHeader)
            for (const int Column : SortColumns)
                Cells[Column] = Grid->Cells(Column, Row);
        return Cells;
    };
    QList<int> Stale;
    QStringList Previous;
    for (int R = First; R <= Last && !Empty; ++R) {
        const QStringList Cells = KeyCells(R);
        if (Gone.contains(Cells.value(0).trimmed())) {
            Stale << R;
            continue;
        }
        if (!Previous.isEmpty() && CompareListRecords(Previous, Cells) > 0) return false;
        Previous = Cells;
    }
    TDelimitedStringList Rows(RecordDelimiterChar, FieldDelimiterChar);
    if (!Fresh.isEmpty() && !ReadSavedRows(Fresh, Rows)) return false;
    if (Filtered && Rows.Count() > 0) {
        ApplyFilterToRows(&Rows);
        Rows.Delete(Rows.Count() - 1);
    }
    // The totals row and the stale rows go to the end and are cut off.
    int Count = Empty ? 0 : Last - First + 1;
    for (int I = int(Stale.size()) - 1; I >= 0; --I) {
        Grid->MoveRow(Stale[I], First + Count - 1);
        --Count;
    }
    Grid->ClearRowsAttributes(First, Grid->RowCount() - 1, caRowAttributes | caCellAttributes);
    Grid->SetRowCount(First + std::max(Count, 1));
    if (Count == 0) Grid->ClearRow(First);
    for (int I = 0; I < Rows.Count(); ++I) {
        const QStringList Cells = Rows.Get(I).split(FieldDelimiterChar);
        // The first row after every row the load puts before this one.
        int Low = First, High = First + Count;
        while (Low < High) {
            const int Middle = (Low + High) / 2;
            if (CompareListRecords(KeyCells(Middle), Cells) <= 0)
                Low = Middle + 1;
            else
                High = Middle;
        }
        if (Count > 0) Grid->SetRowCount(First + Count + 1);
        Grid->SetRowRecord(First + Count, Rows.Get(I), FieldDelimiterChar);
        Grid->MoveRow(First + Count, Low);
        ++Count;
    }
    if (Filtered) {
        TDelimitedStringList All(RecordDelimiterChar, FieldDelimiterChar);
        GridToDelimitedList(Grid, &All);
        AppendFilterTotals(All, QString());
        const int Totals = Count > 0 ? First + Count : First;
        Grid->SetRowCount(Totals + 1);
        Grid->SetRowRecord(Totals, All.Get(All.Count() - 1), FieldDelimiterChar);
        ColorTotalsRows(Grid);
    }
    Grid->ClearValues();
    Grid->AutoResizeColumns();
    Grid->SetRow(std::min(Grid->Row(), Grid->RowCount() - 1));
    Grid->viewport()->update();
    ShowRowCount(true);
    return true;
}

qint64 TDocumentForm::NextFreeNumber() {
    TDelimitedStringList Max;
    RunQuery(this, AdoConnection, MaxKeySql(KeyField, TableName), &Max);
    return NextKey(Max.Count() > 0 ? Max.GetField(0, 0) : QString());
}

QString TDocumentForm::FreeNumberSql(qint64 From) {
    return Format(uR"sql(
        SELECT min( n ) FROM (
            SELECT %d AS n
            UNION ALL
            SELECT %s + 1 FROM %s WHERE %s >= %d ) AS Candidates
         WHERE NOT EXISTS ( SELECT %s FROM %s WHERE %s = Candidates.n ))sql"_s,
                  {From, KeyField, TableName, KeyField, From, KeyField, TableName, KeyField});
}

qint64 TDocumentForm::FirstFreeNumber(qint64 From) {
    TDelimitedStringList Free;
    RunQuery(this, AdoConnection, FreeNumberSql(From), &Free);
    return StrToIntOrZero(Free.GetTextStr());
}

bool TDocumentForm::NumberTaken(qint64 Number) {
    return FirstFreeNumber(Number) != Number;
}

bool TDocumentForm::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    if (RefuseSecondEdit()) return false;
    const qint64 Number = SelectedDocNo();
    if (Number == 0 || RefuseUnsaved(Number)) return false;
    // Its update would go to a row that is not written yet, and miss it once Save renumbers it.
    if (QueuedAsNew(Number)) {
        ShowErrorFmt(NotSavedText(Number));
        return false;
    }
    if (!AskAdminPassword(this)) return false;
    const int Row = Grid->Row();
    const QStringList Cells = Grid->Rows(Row);
    // The row as stored, not as the list shows it: the list may be older than another window's
    // Save. An edit queued already keeps the row its own lift read.
    FLiftedStored = StoredRow(Number);
    for (const TQueuedDocument& Document : std::as_const(FDocuments))
        if (Document.Change == TChange::Edited && Document.Number == Number) FLiftedStored = Document.Stored;
    FCarried.clear();
    for (QAbstractButton* Button : pnlParams->findChildren<QAbstractButton*>())
        if (Button->isCheckable() && !(qobject_cast<QRadioButton*>(Button) && !Button->isChecked()))
            FCarried.append({Button, Button->isChecked()});
    for (QLineEdit* Line : pnlParams->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (Line != feDocNo && !Line->isReadOnly()) {
            auto* Value = qobject_cast<TFloatEdit*>(Line);
            FCarried.append({Line, Value ? QVariant(Value->Value()) : QVariant(Line->text())});
        }
    StartEditing(Cells.value(0).trimmed(), feDocNo);
    ShowEditing(true);
    FLiftedRow = Cells;
    FNumberBeforeEdit = feDocNo->Value();
    feDocNo->SetValue(StrToFloatDot(Cells.value(0), 0));
    RowToEdits(Cells);
    DeleteGridRow(Grid, Row);
    return true;
}

bool TDocumentForm::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return false;
    const qint64 Number = StrToIntOrZero(Grid->Cells(0, Row).trimmed());
    if (Number != 0 && QueuedAsNew(Number)) return DropQueuedDocument(Row, Number);
    return DeleteDocument(Row);
}

bool TDocumentForm::ConfirmDelete(int Row, const QString& Note) {
    return ConfirmYesNoFmt(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?%s"_s,
                           {DocumentNoun(), Grid->Cells(0, Row), Grid->Cells(1, Row), Note}) == mrYes;
}

bool TDocumentForm::DeleteDocument(int Row) {
    const qint64 Number = StrToIntOrZero(Grid->Cells(0, Row).trimmed());
    if (Number == 0 || RefuseUnsaved(Number)) return false;
    if (const QString Refusal = DeleteRefusal(Number); !Refusal.isEmpty()) {
        ShowErrorFmt(Refusal);
        return false;
    }
    if (!AskAdminPassword(this) || !ConfirmDelete(Row, DeleteNote(Row, Number))) return false;
    TQueuedDocument Document;
    Document.Change = TChange::Deleted;
    Document.Number = Number;
    Document.Row = Grid->Rows(Row);
    FGuarded.clear();
    Document.Statements = UnsignedStatements([&] { return DeleteStatements(Row, Number); });
    if (Document.Statements.isEmpty()) return false;
    QueueDocument(Document);
    DeleteGridRow(Grid, Row);
    return true;
}

// Nothing of it is in the books yet, so no password guards it: what the operator typed leaves the
// queue, and its number is free again.
bool TDocumentForm::DropQueuedDocument(int Row, qint64 Number) {
    if (RefuseUnsaved(Number) || !ConfirmDelete(Row)) return false;
    const auto Document =
        std::find_if(FDocuments.begin(), FDocuments.end(), [Number](const TQueuedDocument& D) {
            return D.Change == TChange::New && D.Number == Number;
        });
    if (Document == FDocuments.end()) return false;
    FDocuments.erase(Document);
    RequeueDocuments();
    DeleteGridRow(Grid, Row);
    return true;
}

QStringList TDocumentForm::DeleteStatements(int, qint64 Number) {
    return {DocumentDeleteSql(TableName, KeyField, Number)};
}

QString TDocumentForm::DeleteRefusal(qint64) {
    return QString();
}

QString TDocumentForm::DeleteNote(int, qint64) {
    return QString();
}

void TDocumentForm::Guard(const QString& Statement, const QString& Refusal) {
    FGuarded.insert(Statement, Refusal);
}

QString TDocumentForm::DocumentNoun() const {
    return RecordNoun;
}

QString TDocumentForm::DocumentName(qint64 Number) const {
    const QString Noun = DocumentNoun();
    return Noun.left(1).toUpper() + Noun.mid(1) + u" номер "_s + QString::number(Number);
}

// The nouns of these windows are feminine exactly when their first word ends in "а" ("покупка на
// вещ", "продажба на вещ"; "договор", "приходен касов ордер" are not).
QString TDocumentForm::NounEnding() const {
    return DocumentNoun().section(u' ', 0, 0).endsWith(u'а') ? u"а"_s : QString();
}

QString TDocumentForm::NotSavedText(qint64 Number) const {
    return Format(u"%s още не е записан%s. Натиснете бутон \"F2\" (за запис)."_s,
                  {DocumentName(Number), NounEnding()});
}

QString TDocumentForm::ChangedText(qint64 Number) const {
    return Format(u"%s е променен%s междувременно."_s, {DocumentName(Number), NounEnding()});
}

QString TDocumentForm::GoneText(qint64 Number) const {
    return Format(u"%s е изтрит%s междувременно."_s, {DocumentName(Number), NounEnding()});
}

bool TDocumentForm::RefuseUnsaved(qint64 Number) {
    if (!RefusesUnsavedDocuments || DocumentNumberStored(this, TableName, double(Number))) return false;
    ShowErrorFmt(NotSavedText(Number));
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
    for (const TQueuedDocument& Document : FDocuments)
        if (Document.Change != TChange::Deleted && GridRowOf(Document.Number) < 0)
            Numbers += QString::number(Document.Number);
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
    // An upper title over several columns must fit them all; the block's last column makes room.
    for (const QString& Block : Merges.split(u'|', Qt::SkipEmptyParts)) {
        const QStringList Corners = Block.split(u',');
        if (Corners.size() != 4 || Corners[1].toInt() != 0) continue;
        const int First = Corners[0].toInt(), Last = Corners[2].toInt();
        if (First < 0 || Last >= Columns.size() || Last < First) continue;
        int Width = 0;
        for (int C = First; C <= Last; ++C)
            Width += Grid->ColWidths(C);
        const int Needed = Metrics.horizontalAdvance(QString::fromUtf8(Columns[First].Upper)) + 12;
        if (Needed > Width) Grid->SetColWidths(Last, Grid->ColWidths(Last) + Needed - Width);
    }
    Grid->SetMergeCellsStr(Merges);
    Grid->SetLeftCol(0);
    Grid->SetCol(0);
    Grid->Loaded();
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

void TDocumentForm::PrintLabel(TLabelDocument Document) {
    // A label of an empty row would carry no document number.
    if (DocumentToPrint() == 0) return;
    const int Row = Grid->Row();
    RunPrint([&] {
        PrintItemLabel(LabelTemplatePath(), Grid->Cells(0, Row).trimmed(), Grid->Cells(3, Row), Document);
    });
}
