#include "core/uDelimitedStrings.h"

#include "core/unStringFuncs.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>

namespace {

const QString IndexError = QStringLiteral("List index out of bounds");
const QString DuplicateError = QStringLiteral("String list does not allow duplicates");
const QString SortedError = QStringLiteral("Operation not allowed on sorted string list");

[[noreturn]] void RaiseIndexError() {
    throw EStringListError(IndexError);
}

// Start and length of field Col of Record in one pass; false when Col is beyond the field count
// (Col equal to the count is the empty field just past the end).
bool LocateField(const QString& Record, QChar D, int Col, qsizetype& Start, qsizetype& Length) {
    if (Col < 0) return false;
    const QChar* data = Record.constData();
    const qsizetype size = Record.size();
    qsizetype start = 0;
    int field = 0;
    while (field < Col) {
        const QChar* p = std::find(data + start, data + size, D);
        if (p == data + size) {
            // Col equal to the field count reads as an empty field.
            if (field + 1 == Col) {
                Start = size;
                Length = 0;
                return true;
            }
            return false;
        }
        start = (p - data) + 1;
        ++field;
    }
    const QChar* end = std::find(data + start, data + size, D);
    Start = start;
    Length = (end - data) - start;
    return true;
}

} // namespace

// ---- TDelimitedStrings

TDelimitedStrings::TDelimitedStrings(QChar RecordDelimiter, QChar FieldDelimiter)
    : FRecordDelimiter(RecordDelimiter), FFieldDelimiter(FieldDelimiter) {}

TDelimitedStrings::~TDelimitedStrings() = default;

void TDelimitedStrings::CheckNotAttached() const {
    if (FGrid)
        throw ECannotCallThisMethodOnAttachedGrid(QStringLiteral("Cannot call this method on attached grid"));
}

void TDelimitedStrings::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TDelimitedStrings::Changing() {
    if (FUpdateCount == 0 && OnChanging) OnChanging(this);
}

void TDelimitedStrings::InUpdate(const std::function<void()>& Work) {
    BeginUpdate();
    try {
        Work();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TDelimitedStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TDelimitedStrings::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) SetUpdateState(false);
}

QString TDelimitedStrings::ReadRecord(const QString& Record, int Index) const {
    if (!OnReadRecord) return Record;
    QString record = Record;
    bool separated = false;
    OnReadRecord(const_cast<TDelimitedStrings*>(this), GetCount(), FAbort, separated, record, Index + 1);
    return record;
}

void TDelimitedStrings::CopySettings(const TDelimitedStrings& Source) {
    FRecordDelimiter = Source.FRecordDelimiter;
    FFieldDelimiter = Source.FFieldDelimiter;
    FMarker = Source.FMarker;
}

int TDelimitedStrings::AddObject(const QString& S, TObject* Obj) {
    CheckNotAttached();
    const int index = Add(S);
    PutObject(index, Obj);
    return index;
}

int TDelimitedStrings::AddWithFieldCount(const QString& S, int N) {
    QString record = S;
    SetPieceCount(record, FFieldDelimiter, N);
    return Add(record);
}

void TDelimitedStrings::AddText(const QString& Text) {
    FAppendMode = true;
    SetTextStr(Text);
}

void TDelimitedStrings::AddStrings(const TPersistent& Source) {
    if (const auto* table = dynamic_cast<const TDelimitedStrings*>(&Source)) {
        if (table->FRecordDelimiter != FRecordDelimiter)
            throw EDifferentDelimiters(
                QStringLiteral("Adding objects with different delimiters is not supported"));
        InUpdate([&] {
            for (int i = 0; i < table->Count(); ++i) {
                if (FGrid)
                    Add(table->Get(i));
                else
                    AddObject(table->Get(i), table->GetObject(i));
            }
        });
    } else if (const auto* list = dynamic_cast<const TStringList*>(&Source)) {
        InUpdate([&] {
            for (int i = 0; i < list->Count(); ++i)
                AddObject(list->Get(i), list->GetObject(i));
        });
    } else {
        throw EAddStringsFailed(QStringLiteral("AddStrings method failed"));
    }
}

void TDelimitedStrings::InsertObject(int Index, const QString& S, TObject* Obj) {
    CheckNotAttached();
    Insert(Index, S);
    PutObject(Index, Obj);
}

void TDelimitedStrings::Move(int CurIndex, int NewIndex) {
    CheckNotAttached();
    if (CurIndex == NewIndex) return;
    // Checked before the record leaves its place, so a refusal changes nothing.
    if (CurIndex < 0 || CurIndex >= Count() || NewIndex < 0 || NewIndex >= Count()) RaiseIndexError();
    if (const auto* list = dynamic_cast<const TDelimitedStringList*>(this); list && list->Sorted())
        throw EStringListError(SortedError);
    BeginUpdate();
    const QString text = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, text, object);
    EndUpdate();
}

QString TDelimitedStrings::GetField(int Row, int Col) const {
    if (Row < 0 || Row >= GetCount()) RaiseIndexError();
    const QString record = Get(Row);
    qsizetype start = 0, length = 0;
    if (!LocateField(record, FFieldDelimiter, Col, start, length)) RaiseIndexError();
    return record.mid(start, length);
}

void TDelimitedStrings::SetField(int Row, int Col, const QString& Value) {
    if (Row < 0 || Row >= GetCount() || Col < 0) RaiseIndexError();
    QString record = Get(Row);
    SetPiece(record, FFieldDelimiter, Col, Value);
    Put(Row, record);
}

int TDelimitedStrings::GetRowFieldCount(int Row) const {
    if (Row < 0 || Row >= GetCount()) RaiseIndexError();
    return PieceCount(Get(Row), FFieldDelimiter);
}

void TDelimitedStrings::SetRowFieldCount(int Row, int N) {
    if (Row < 0 || Row >= GetCount() || N < 0) RaiseIndexError();
    if (FGrid)
        throw ECannotChangeGridColumnsForSingleRow(
            QStringLiteral("Cannot Change Grid Columns For Single Row"));
    QString record = Get(Row);
    SetPieceCount(record, FFieldDelimiter, N);
    Put(Row, record);
}

void TDelimitedStrings::SetFieldCount(int N) {
    if (N < 0) RaiseIndexError();
    CheckNotAttached();
    InUpdate([&] {
        for (int i = 0; i < GetCount(); ++i) {
            QString record = Get(i);
            SetPieceCount(record, FFieldDelimiter, N);
            Put(i, record);
        }
    });
}

QString TDelimitedStrings::GetTextStr() const {
    FAbort = false;
    const int count = GetCount();
    QString result;
    for (int i = 0; i < count; ++i) {
        const QString record = Get(i);
        if (FAbort) break;
        if (i > 0) result += FRecordDelimiter;
        result += record;
    }
    return result;
}

void TDelimitedStrings::AddParsedRecord(QString Record, int RecordCount, int RecordNo, bool Extra) {
    if (OnParseRecord) {
        bool separated = false;
        OnParseRecord(this, RecordCount, FAbort, separated, Record, RecordNo);
        if (FAbort) return;
        if (separated && Record.contains(FRecordDelimiter)) {
            if (Extra)
                throw EExtraRecordDelimiterFoundInAlreadySeparatedString(
                    QStringLiteral("Extra Record Delimiter Found In Already Separated String"));
            throw ERecordDelimiterFoundInAlreadySeparatedString(
                QStringLiteral("Record Delimiter Found In Already Separated String"));
        }
    }
    if (FTrimRecords) Record = Trim(Record);
    Add(Record);
}

void TDelimitedStrings::SetTextStr(const QString& Text) {
    BeginUpdate();
    FAbort = false;
    try {
        const int recordCount = PieceCount(Text, FRecordDelimiter);
        if (!FAppendMode) Clear();
        // A non-empty text holds exactly recordCount records, the pieces between delimiters;
        // a record that follows a delimiter at once is one of the "extra" empty ones.
        qsizetype start = 0;
        int recordNo = 0;
        while (!Text.isEmpty() && !FAbort) {
            const qsizetype end = Text.indexOf(FRecordDelimiter, start);
            const bool extra = start > 0 && start == end;
            AddParsedRecord(Text.mid(start, (end < 0 ? Text.size() : end) - start), recordCount, ++recordNo,
                            extra);
            if (end < 0) break;
            start = end + 1;
        }
    } catch (...) {
        FAppendMode = false;
        EndUpdate();
        throw;
    }
    FAppendMode = false;
    EndUpdate();
}

void TDelimitedStrings::SetText(const QString& Text) {
    // One update bracket: a single OnChanging before and a single OnChange after the load.
    BeginUpdate();
    FInSetText = true;
    try {
        SetTextStr(Text);
    } catch (...) {
        FInSetText = false;
        EndUpdate();
        throw;
    }
    FInSetText = false;
    EndUpdate();
}

void TDelimitedStrings::LoadFromStream(QIODevice& Stream) {
    CheckNotAttached();
    const QString text = QString::fromUtf8(Stream.readAll());
    InUpdate([&] { SetTextStr(text); });
}

void TDelimitedStrings::SaveToStream(QIODevice& Stream) const {
    CheckNotAttached();
    Stream.write(GetTextStr().toUtf8());
}

void TDelimitedStrings::LoadFromFile(const QString& FileName) {
    CheckNotAttached();
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EStringListError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
    LoadFromStream(file);
}

void TDelimitedStrings::SaveToFile(const QString& FileName) const {
    CheckNotAttached();
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EStringListError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
    SaveToStream(file);
}

void TDelimitedStrings::AssignTo(TStringList& Dest) const {
    if (GetCount() == 0) return;
    Dest.Clear();
    for (int i = 0; i < GetCount(); ++i)
        Dest.Add(Get(i));
}

// ---- TDelimitedStringList

TDelimitedStringList::TDelimitedStringList(QChar RecordDelimiter, QChar FieldDelimiter)
    : TDelimitedStrings(RecordDelimiter, FieldDelimiter) {}

TDelimitedStringList::~TDelimitedStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TDelimitedStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

void TDelimitedStringList::SetSorted(bool Value) {
    if (Value == FSorted) return;
    if (Value) Sort();
    FSorted = Value;
}

QString TDelimitedStringList::Get(int Index) const {
    if (Index < 0 || Index >= GetCount()) RaiseIndexError();
    return ReadRecord(FRecords[Index].Text, Index);
}

void TDelimitedStringList::Put(int Index, QString S) {
    if (FSorted) throw EStringListError(SortedError);
    if (Index < 0 || Index >= GetCount()) RaiseIndexError();
    Changing();
    FRecords[Index].Text = std::move(S);
    Changed();
}

TObject* TDelimitedStringList::GetObject(int Index) const {
    if (Index < 0 || Index >= GetCount()) RaiseIndexError();
    return FRecords[Index].Object;
}

void TDelimitedStringList::PutObject(int Index, TObject* Obj) {
    CheckNotAttached();
    if (Index < 0 || Index >= GetCount()) RaiseIndexError();
    Changing();
    FRecords[Index].Object = Obj;
    Changed();
}

void TDelimitedStringList::SetCapacity(int N) {
    if (N < GetCount()) RaiseIndexError();
    std::vector<TRecord> records;
    records.reserve(N);
    std::move(FRecords.begin(), FRecords.end(), std::back_inserter(records));
    FRecords.swap(records);
}

int TDelimitedStringList::Add(const QString& S) {
    int index = GetCount();
    if (FSorted && Find(S, index)) {
        if (FDuplicates == dupIgnore) return index;
        if (FDuplicates == dupError) throw EStringListError(DuplicateError);
    }
    InsertRecord(index, S);
    return index;
}

void TDelimitedStringList::Insert(int Index, const QString& S) {
    if (FSorted) throw EStringListError(SortedError);
    if (Index < 0 || Index > GetCount()) RaiseIndexError();
    InsertRecord(Index, S);
}

void TDelimitedStringList::InsertRecord(int Index, const QString& S) {
    if (!InSetText()) Changing();
    const auto capacity = qsizetype(FRecords.capacity());
    if (qsizetype(FRecords.size()) == capacity)
        FRecords.reserve(capacity + (capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4));
    FRecords.insert(FRecords.begin() + Index, TRecord{S, nullptr});
    SetHasData(true);
    if (!InSetText()) Changed();
}

void TDelimitedStringList::Delete(int Index) {
    CheckNotAttached();
    if (Index < 0 || Index >= GetCount()) RaiseIndexError();
    Changing();
    FRecords.erase(FRecords.begin() + Index);
    Changed();
}

void TDelimitedStringList::KeepRecords(const std::function<bool(const QString& Record)>& Keep) {
    CheckNotAttached();
    Changing();
    size_t kept = 0;
    for (size_t i = 0; i < FRecords.size(); ++i) {
        if (!Keep(ReadRecord(FRecords[i].Text, int(i)))) continue;
        if (kept != i) FRecords[kept] = std::move(FRecords[i]);
        ++kept;
    }
    FRecords.erase(FRecords.begin() + qsizetype(kept), FRecords.end());
    Changed();
}

void TDelimitedStringList::Clear() {
    if (!FRecords.empty()) {
        Changing();
        std::vector<TRecord>().swap(FRecords);
        Changed();
    }
    SetHasData(false);
}

void TDelimitedStringList::Exchange(int I, int J) {
    if (I < 0 || I >= GetCount() || J < 0 || J >= GetCount()) RaiseIndexError();
    Changing();
    std::swap(FRecords[I], FRecords[J]);
    Changed();
}

int TDelimitedStringList::IndexOf(const QString& S) const {
    CheckNotAttached();
    if (FSorted) {
        int index = 0;
        return Find(S, index) ? index : -1;
    }
    for (int i = 0; i < GetCount(); ++i)
        if (AnsiCompareText(FRecords[i].Text, S) == 0) return i;
    return -1;
}

bool TDelimitedStringList::Find(const QString& S, int& Index) const {
    CheckNotAttached();
    return FindSortedText(FRecords, S, FDuplicates, Index);
}

void TDelimitedStringList::Sort() {
    CheckNotAttached();
    if (FSorted || GetCount() < 2) return;
    Changing();
    QuickSortText(FRecords, 0, GetCount() - 1);
    Changed();
}

void TDelimitedStringList::Assign(const TPersistent& Source) {
    if (&Source == this) return;
    if (const auto* table = dynamic_cast<const TDelimitedStrings*>(&Source)) {
        InUpdate([&] {
            Clear();
            CopySettings(*table);
            for (int i = 0; i < table->Count(); ++i)
                AddObject(table->Get(i), table->GetObject(i));
        });
    } else if (const auto* list = dynamic_cast<const TStringList*>(&Source)) {
        InUpdate([&] {
            Clear();
            for (int i = 0; i < list->Count(); ++i)
                AddObject(list->Get(i), list->GetObject(i));
        });
    }
}

std::unique_ptr<TPersistent> TDelimitedStringList::Clone() const {
    auto copy = std::make_unique<TDelimitedStringList>(RecordDelimiter(), FieldDelimiter());
    copy->Assign(*this);
    return copy;
}
