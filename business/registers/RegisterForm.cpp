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

namespace {

// The ending that makes the words after RecordNoun agree with it: "а" feminine, "о" neuter.
QString NounEnding(const QString& RecordNoun) {
    const QString Head = RecordNoun.section(u' ', 0, 0);
    if (Head == u"МПС"_s) return u"о"_s;
    return Head == u"вещ"_s || Head.endsWith(u'а') ? u"а"_s : QString();
}

} // namespace

QString RecordChangedMeanwhileText(const QString& RecordNoun, const QString& Key, bool Deleted) {
    const QString Noun = RecordNoun.left(1).toUpper() + RecordNoun.mid(1);
    return Format(u"%s %s е %s%s междувременно."_s,
                  {Noun, Key, Deleted ? u"изтрит"_s : u"променен"_s, NounEnding(RecordNoun)});
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
    FQueuedEntries.clear();
}

bool TRegisterForm::DoExecute() {
    if (const auto Answered = AskBeforeReload([this] { return DoSave(); }, [this] { DropQueue(); }))
        return *Answered;
    StopEditing();
    ShowEditing(false);
    return TMAccountReadForm::DoExecute();
}

std::optional<QString> TRegisterForm::StoredRecord(const QString& Table, const QString& Condition) {
    TDelimitedStringList List;
    RunQuery(this, AdoConnection, Format(uR"sql(Select * From %s Where %s)sql"_s, {Table, Condition}), &List);
    if (List.Count() == 0) return std::nullopt;
    return List.Get(0);
}

QString TRegisterForm::EntryRefusal(int Index, bool& Drop) {
    const TQueuedEntry& Entry = FQueuedEntries[Index];
    // Refused alone: a new record stored meanwhile, an edit whose record is no longer as lifted.
    QString Alone;
    switch (Entry.Kind) {
    case TEntryKind::Deleted:
        if (const QString Uses = RecordUseText(this, TableName, KeyOfCell(Entry.KeyCell)); !Uses.isEmpty())
            return RecordInUseMessage(RecordNoun, Entry.KeyCell, Entry.NameCell, Uses);
        break;
    case TEntryKind::New:
        // A record whose delete or edit is queued before it was stored when they were queued.
        if (std::none_of(FQueuedEntries.cbegin(), FQueuedEntries.cbegin() + Index,
                         [&Entry](const TQueuedEntry& E) { return E.Record == Entry.Record; }))
            Alone = NewRecordRefusal(KeyOfCell(Entry.KeyCell));
        break;
    case TEntryKind::Edited:
        if (Entry.Lifted) {
            const std::optional<QString> Now = StoredRecord(TableName, Entry.Record);
            if (Now != Entry.Lifted) Alone = RecordChangedMeanwhileText(RecordNoun, Entry.KeyCell, !Now);
        }
        break;
    }
    Drop = !Alone.isEmpty();
    if (Drop) return Alone;
    for (const TLookupReference& Reference : Entry.References)
        if (!StoredRecord(Reference.Table, Format(u"%s = %d"_s, {Reference.KeyField, Reference.Code})))
            return LookupGoneMessage(Reference);
    return QString();
}

QString TRegisterForm::QueuedEntriesRefused(std::optional<int>& Dropped) {
    for (int I = 0; I < FQueuedEntries.size(); ++I) {
        bool Drop = false;
        QString Refusal = EntryRefusal(I, Drop);
        if (Refusal.isEmpty()) continue;
        if (!Drop) return Refusal;
        Dropped = I;
        const QString& Record = FQueuedEntries[I].Record;
        const bool OthersRemain =
            std::any_of(FQueuedEntries.cbegin(), FQueuedEntries.cend(),
                        [&Record](const TQueuedEntry& E) { return E.Record != Record; });
        if (OthersRemain) Refusal += RestMayBeSavedText();
        return Refusal;
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

void TRegisterForm::DropEntry(int Index) {
    const QString Record = FQueuedEntries[Index].Record;
    for (int I = int(FQueuedEntries.size()) - 1; I >= Index; --I) {
        const TQueuedEntry& Entry = FQueuedEntries[I];
        if (Entry.Record != Record) continue;
        for (const QString& Statement : Entry.Statements)
            PendingSql.removeOne(Statement);
        FQueuedEntries.removeAt(I);
    }
    for (int Row = Grid->RowCount() - 1; Row >= Grid->FixedRows(); --Row)
        if (RecordCondition(Grid->Cells(0, Row)) == Record) DeleteGridRow(Grid, Row);
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
    std::optional<int> Dropped;
    if (!SaveQueued(
            this, [this, &Dropped] { return QueuedEntriesRefused(Dropped); },
            [this] { return QueuedNamesTaken(); })) {
        if (Dropped) DropEntry(*Dropped);
        return false;
    }
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
    Entry.Kind = EditingRow ? TEntryKind::Edited : TEntryKind::New;
    Entry.KeyCell = EditingRow ? EditingKey : Row.value(0);
    Entry.Record = RecordCondition(Entry.KeyCell);
    if (EditingRow) Entry.Lifted = FLifted;
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
    // The edit is typed against the record as stored now, not as the list showed it; a record new
    // in this queue is not stored yet.
    const QString Record = RecordCondition(Cells.value(0));
    FLifted.reset();
    if (std::none_of(FQueuedEntries.cbegin(), FQueuedEntries.cend(), [&Record](const TQueuedEntry& E) {
            return E.Kind == TEntryKind::New && E.Record == Record;
        })) {
        FLifted = StoredRecord(TableName, Record);
        if (!FLifted) {
            DeleteGridRow(Grid, Row);
            ShowErrorFmt(RecordChangedMeanwhileText(RecordNoun, Cells.value(0), true));
            return false;
        }
    }
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
    Entry.Kind = TEntryKind::Deleted;
    Entry.KeyCell = Cells.value(0);
    Entry.Record = RecordCondition(Entry.KeyCell);
    Entry.NameCell = Cells.value(1);
    Entry.Statements = {DeleteStatement(Cells.value(0))};
    Queue(Entry.Statements);
    FQueuedEntries << Entry;
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

QString TRegisterForm::RecordCondition(const QString& KeyCell) const {
    return Format(u"%s = %d"_s, {KeyField, KeyOfCell(KeyCell)});
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
