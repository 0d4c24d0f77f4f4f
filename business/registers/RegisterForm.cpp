#include "business/registers/RegisterForm.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"

#include <QAction>
#include <QLabel>

using namespace Qt::StringLiterals;

const QString RegisterValidChars = u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s;

bool IsRegisterCode(double Value) {
    return Value >= 1 && Value <= double(MaxRegisterCode);
}

QString MaxKeySql(const QString& KeyField, const QString& TableName) {
    return Format(uR"sql(Select max( %s ) from %s)sql"_s, {KeyField, TableName});
}

qint64 NextKey(const QString& MaxKeyText) {
    return Whole(StrToFloatDot(MaxKeyText, 0)) + 1;
}

QString CodeTakenMessage(const QString& CodeText) {
    return Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {CodeText}) + u"\n\r"_s;
}

QString NameTakenMessage(const QString& Name) {
    return Format(u"Наименование \"%s\" съществува в таблицата с данни!"_s, {Name}) + u"\n\r"_s;
}

QString DeleteQuestion(const QString& RecordNoun, const QString& Key, const QString& Name) {
    return Format(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s, {RecordNoun, Key, Name});
}

namespace {

// One kind of document or record that refers to a master-data table.
struct TReference {
    const char16_t* Table;  // the master-data table
    const char16_t* Sql;    // the referring numbers, "%d" the key
    const char16_t* Plural; // what they are, in the message
};

// clang-format off
const TReference References[] = {
    {u"Item_types", uR"sql(Select code_i From Items Where code_i_t = %d Order By code_i)sql", u"вещи"},
    {u"Items", uR"sql(Select docno From Contracts Where code_i = %d Order By docno)sql", u"договори"},
    {u"Items", uR"sql(Select docno From Items_purchases Where code_i = %d Order By docno)sql", u"покупки"},
    {u"Owners", uR"sql(Select docno From Contracts Where EGN = %d Order By docno)sql", u"договори"},
    {u"Owners", uR"sql(Select docno From Items_purchases Where EGN = %d Order By docno)sql", u"покупки"},
    {u"Owners", uR"sql(Select docno From Items_sales Where EGN = %d Order By docno)sql", u"продажби"},
    // A contract prints its vehicle's data from the register.
    {u"MPS", uR"sql(Select docno From Contracts Where code_mps = %d Order By docno)sql", u"договори"},
    // A fee's rates are read through the fee; its payments carry the fee's code plus 5.
    {u"Taxes", uR"sql(Select code_MIR From Taxes_rates Where code_t = %d Order By code_MIR)sql",
     u"размери на такси"},
    {u"Taxes", uR"sql(Select docno From Incomes Where payment_type = %d + 5 Order By docno)sql",
     u"приходни касови ордери"},
};
// clang-format on

// At most this many numbers are listed per kind.
constexpr int ListedNumbers = 10;

} // namespace

QString RecordUseText(QObject* Owner, const QString& TableName, qint64 Key) {
    QStringList Uses;
    for (const TReference& Ref : References) {
        if (TableName.compare(QString::fromUtf16(Ref.Table), Qt::CaseInsensitive) != 0) continue;
        TDelimitedStringList List;
        RunQuery(Owner, AdoConnection, Format(QString::fromUtf16(Ref.Sql), {Key}), &List);
        if (List.Count() > 0) Uses << NumbersUseText(QString::fromUtf16(Ref.Plural), List);
    }
    return Uses.join(u"; "_s);
}

QString NumbersUseText(const QString& Plural, const TDelimitedStringList& List) {
    QStringList Numbers;
    for (int i = 0; i < List.Count() && i < ListedNumbers; ++i)
        Numbers << List.GetField(i, 0);
    QString Use = Plural + u" № "_s + Numbers.join(u", "_s);
    if (List.Count() > ListedNumbers) Use += Format(u" и още %d"_s, {List.Count() - ListedNumbers});
    return Use;
}

QString RecordInUseMessage(const QString& RecordNoun, const QString& Key, const QString& Name,
                           const QString& Uses) {
    return Format(u"Записът не може да бъде изтрит: %s \"%s\" - \"%s\" се използва в %s."_s,
                  {RecordNoun, Key, Name, Uses});
}

QString NameCountSql(const QString& TableName, const QString& NameField, const TNameClaim& Claim) {
    QString Sql = Format(uR"sql(Select count(*) From %s Where trim(%s) = "%s")sql"_s,
                         {TableName, NameField, SqlText(Claim.Name)});
    if (!Claim.Scope.isEmpty()) Sql += u" And "_s + Claim.Scope;
    return Sql;
}

QString LookupGoneMessage(const TLookupReference& Reference) {
    return Format(u"Записът не може да бъде съхранен: %s \"%d\" вече не съществува."_s,
                  {Reference.Noun, Reference.Code});
}

// ---- the window

TRegisterForm::TRegisterForm(QWidget* Owner) : TMAccountReadForm(Owner) {
    for (QAction* Action : {actNew, actEdit, actSave, actDelete})
        Action->setEnabled(true);
}

bool TRegisterForm::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    DropQueue();
    StopEditing();
    return Result;
}

bool TRegisterForm::Done() {
    DropQueue();
    return TMAccountReadForm::Done();
}

void TRegisterForm::DropQueue() {
    PendingSql.clear();
    FQueuedDeletes.clear();
    FQueuedEntries.clear();
}

bool TRegisterForm::DoExecute() {
    if (const auto Answered = AskBeforeReload([this] { return DoSave(); }, [this] { DropQueue(); }))
        return *Answered;
    StopEditing();
    ShowEditing(false);
    return TMAccountReadForm::DoExecute();
}

QString TRegisterForm::QueuedDeletesInUse() {
    for (const QStringList& Cells : FQueuedDeletes) {
        const QString Uses = RecordUseText(this, TableName, KeyOfCell(Cells.value(0)));
        if (!Uses.isEmpty()) return RecordInUseMessage(RecordNoun, Cells.value(0), Cells.value(1), Uses);
    }
    return QString();
}

QString TRegisterForm::QueuedReferencesGone() {
    for (const TQueuedEntry& Entry : FQueuedEntries)
        for (const TLookupReference& Reference : Entry.References) {
            TDelimitedStringList List;
            RunQuery(this, AdoConnection,
                     Format(uR"sql(Select count(*) from %s Where %s = %d)sql"_s,
                            {Reference.Table, Reference.KeyField, Reference.Code}),
                     &List);
            if (List.Get(0).toInt() == 0) return LookupGoneMessage(Reference);
        }
    return QString();
}

QString TRegisterForm::QueuedNamesTaken() {
    for (const TQueuedEntry& Entry : FQueuedEntries) {
        if (!Entry.Name) continue;
        const TNameClaim& Claim = *Entry.Name;
        TDelimitedStringList List;
        RunQuery(this, AdoConnection, NameCountSql(TableName, NameField, Claim), &List);
        if (List.Get(0).toInt() > 1)
            return Claim.Message.isEmpty() ? NameTakenMessage(Claim.Name) : Claim.Message;
    }
    return QString();
}

QString TRegisterForm::QueuedNewRecordsRefused(std::optional<qint64>& Refused) {
    for (int I = 0; I < FQueuedEntries.size(); ++I) {
        const TQueuedEntry& Entry = FQueuedEntries[I];
        // A record whose delete or edit is queued before it was stored when they were queued.
        if (!Entry.New ||
            std::any_of(FQueuedEntries.cbegin(), FQueuedEntries.cbegin() + I,
                        [&Entry](const TQueuedEntry& E) { return E.Key == Entry.Key && !E.New; }))
            continue;
        QString Refusal = NewRecordRefusal(Entry.Key);
        if (Refusal.isEmpty()) continue;
        Refused = Entry.Key;
        const bool OthersRemain = std::any_of(FQueuedEntries.cbegin(), FQueuedEntries.cend(),
                                              [&Entry](const TQueuedEntry& E) { return E.Key != Entry.Key; });
        if (OthersRemain) Refusal += RestMayBeSavedText();
        return Refusal;
    }
    return QString();
}

void TRegisterForm::DropNewRecord(qint64 Key) {
    // A new record refused is the first entry of its key in the queue: whatever has the key is
    // queued on it.
    for (int I = int(FQueuedEntries.size()) - 1; I >= 0; --I) {
        const TQueuedEntry& Entry = FQueuedEntries[I];
        if (Entry.Key != Key) continue;
        for (const QString& Statement : Entry.Statements)
            PendingSql.removeOne(Statement);
        FQueuedEntries.removeAt(I);
    }
    FQueuedDeletes.removeIf([Key](const QStringList& Cells) { return KeyOfCell(Cells.value(0)) == Key; });
    for (int Row = Grid->RowCount() - 1; Row >= Grid->FixedRows(); --Row)
        if (KeyOfCell(Grid->Cells(0, Row)) == Key) DeleteGridRow(Grid, Row);
}

bool TRegisterForm::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    DoExecute();
    return Result;
}

bool TRegisterForm::Save() {
    if (!TMAccountReadForm::Save()) return false;
    std::optional<qint64> Refused;
    const auto Check = [this, &Refused] {
        if (QString InUse = QueuedDeletesInUse(); !InUse.isEmpty()) return InUse;
        if (QString Stored = QueuedNewRecordsRefused(Refused); !Stored.isEmpty()) return Stored;
        return QueuedReferencesGone();
    };
    if (!SaveQueued(this, Check, [this] { return QueuedNamesTaken(); })) {
        if (Refused) DropNewRecord(*Refused);
        return false;
    }
    FQueuedDeletes.clear();
    FQueuedEntries.clear();
    DoExecute();
    if (RefreshKind() != 0) PostEventTo(OpenerHandle, new TRefreshEvent(0, RefreshKind()));
    return true;
}

bool TRegisterForm::Add() {
    if (!TMAccountReadForm::Add()) return false;
    const QString Messages = ValidateInput();
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        return false;
    }
    TQueuedEntry Entry;
    Entry.References = EntryReferences();
    Entry.Name = EntryName();
    Entry.Statements = EntryStatements();
    const QStringList Row = EntryRow();
    Entry.New = !EditingRow;
    Entry.Key = KeyOfCell(EditingRow ? EditingKey : Row.value(0));
    Queue(Entry.Statements);
    FQueuedEntries << Entry;
    PutGridRow(Row);
    const bool WasEditing = EditingRow;
    StopEditing();
    ShowEditing(false);
    EntryAdded(WasEditing);
    return true;
}

bool TRegisterForm::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    if (RefuseSecondEdit()) return false;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows()) return false;
    const QStringList Cells = Grid->Rows(Row);
    if (!IsRecordKey(Cells.value(0))) return false;
    StartEditing(Cells.value(0), KeyEdit());
    ShowEditing(true);
    RowToEdits(Cells);
    DeleteGridRow(Grid, Row);
    return true;
}

bool TRegisterForm::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows()) return false;
    const QStringList Cells = Grid->Rows(Row);
    if (!IsRecordKey(Cells.value(0))) return false;
    const QString Uses = RecordUseText(this, TableName, KeyOfCell(Cells.value(0)));
    if (!Uses.isEmpty()) {
        ShowErrorFmt(RecordInUseMessage(RecordNoun, Cells.value(0), Cells.value(1), Uses));
        return false;
    }
    if (ConfirmYesNoCancelFmt(DeleteQuestion(RecordNoun, Cells.value(0), Cells.value(1))) != mrYes)
        return false;
    TQueuedEntry Entry;
    Entry.Key = KeyOfCell(Cells.value(0));
    Entry.Statements = {DeleteStatement(Cells.value(0))};
    Queue(Entry.Statements);
    FQueuedEntries << Entry;
    FQueuedDeletes << Cells.mid(0, 2);
    DeleteGridRow(Grid, Row);
    return true;
}

bool TRegisterForm::CloseQuery() {
    if (!TMAccountReadForm::CloseQuery()) return false;
    return MayClose([this] { return DoSave(); });
}

QString TRegisterForm::GetReportTitle() {
    TMAccountReadForm::GetReportTitle();
    return FormCaption;
}

TGridRows TRegisterForm::GridRows() const {
    TGridRows Rows;
    for (int r = Grid->FixedRows(); r < Grid->RowCount(); ++r) {
        const QStringList Cells = Grid->Rows(r);
        if (std::all_of(Cells.begin(), Cells.end(), [](const QString& C) { return C.trimmed().isEmpty(); }))
            continue;
        Rows << Cells;
    }
    return Rows;
}

void TRegisterForm::PutGridRow(const QStringList& Cells) {
    const int First = Grid->FixedRows();
    int Row = First;
    if (!(Grid->RowCount() - First == 1 && Grid->Cells(1, First).trimmed().isEmpty())) {
        Row = Grid->RowCount();
        Grid->SetRowCount(Row + 1);
    }
    Grid->SetRow(Row);
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    Grid->SetRows(Row, Cells);
}

bool TRegisterForm::LoadRows(const QString& Sql,
                             const std::function<void(TDelimitedStringList&)>& Transform) {
    TDelimitedStringList List;
    if (!RunQuery(this, AdoConnection, Sql, &List)) return false;
    if (Transform) Transform(List);
    ApplyFilterToRows(&List);
    SortRows(&List);
    LoadGridFromList(Grid, &List, true);
    return true;
}

void ProposeNextKey(QObject* Owner, const QString& TableName, const QString& KeyField, TFloatEdit* Edit) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, MaxKeySql(KeyField, TableName), &List);
    Edit->SetValue(double(NextKey(List.Count() > 0 ? List.GetField(0, 0) : QString())));
}

void TRegisterForm::ProposeNextKey(TFloatEdit* Edit) {
    ::ProposeNextKey(this, TableName, KeyField, Edit);
}

TFloatEdit* TRegisterForm::NewCodeEdit(const QString& Name, int Width) {
    auto* Edit = new TFloatEdit(pnlParams);
    Edit->setObjectName(Name);
    Edit->SetPrecision(0);
    Edit->setFixedWidth(Width);
    return Edit;
}

qint64 TRegisterForm::KeyOfCell(const QString& KeyCell) {
    return StrToIntOrZero(KeyCell.trimmed());
}

void TRegisterForm::SetGridColumns(const QStringList& Titles, const QList<int>& Widths) {
    Grid->SetColCount(int(Titles.size()));
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(1);
    Grid->SetRows(0, Titles);
    for (int c = 0; c < Titles.size(); ++c)
        Grid->SetColWidths(c, Widths.value(c, 100));
    Grid->SetLeftCol(0);
    Grid->SetCol(0);
    Grid->Loaded();
}
