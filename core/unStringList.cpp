#include "core/unStringList.h"

#include "core/unStringFuncs.h"
#include "core/unitTypes.h"

#include <algorithm>

namespace {

const QString IndexError = QStringLiteral("List index out of bounds");
const QString DuplicateError = QStringLiteral("String list does not allow duplicates");
const QString SortedError = QStringLiteral("Operation not allowed on sorted string list");

} // namespace

TObject::~TObject() = default;

std::unique_ptr<TPersistent> TPersistent::Clone() const {
    return nullptr;
}

void TPersistent::Assign(const TPersistent&) {
    throw EConvertError(QStringLiteral("Cannot assign"));
}

// ---- sorted lists of texts

bool FindSortedText(const std::vector<TStringItem>& Items, const QString& S, TDuplicates Duplicates,
                    int& Index) {
    bool found = false;
    int low = 0, high = int(Items.size()) - 1;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int c = AnsiCompareText(Items[mid].Text, S);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept) low = mid;
            }
        }
    }
    Index = low;
    return found;
}

void QuickSortText(std::vector<TStringItem>& Items, int L, int R) {
    do {
        int i = L, j = R;
        const QString pivot = Items[(L + R) / 2].Text;
        do {
            while (AnsiCompareText(Items[i].Text, pivot) < 0)
                ++i;
            while (AnsiCompareText(Items[j].Text, pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(Items[i], Items[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSortText(Items, L, j);
        L = i;
    } while (L < R);
}

// ---- TStringList

TStringList::~TStringList() = default;

void TStringList::CheckIndex(int Index, int Last) const {
    if (Index < 0 || Index > Last) throw EStringListError(IndexError);
}

QString TStringList::Get(int Index) const {
    CheckIndex(Index, Count() - 1);
    return FItems[Index].Text;
}

void TStringList::Put(int Index, const QString& S) {
    if (FSorted) throw EStringListError(SortedError);
    CheckIndex(Index, Count() - 1);
    FItems[Index].Text = S;
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index, Count() - 1);
    return FItems[Index].Object;
}

void TStringList::PutObject(int Index, TObject* Obj) {
    CheckIndex(Index, Count() - 1);
    FItems[Index].Object = Obj;
}

int TStringList::Add(const QString& S) {
    int index = Count();
    if (FSorted && Find(S, index)) {
        if (FDuplicates == dupIgnore) return index;
        if (FDuplicates == dupError) throw EStringListError(DuplicateError);
    }
    InsertItem(index, S, nullptr);
    return index;
}

int TStringList::AddObject(const QString& S, TObject* Obj) {
    const int index = Add(S);
    PutObject(index, Obj);
    return index;
}

void TStringList::Insert(int Index, const QString& S) {
    if (FSorted) throw EStringListError(SortedError);
    CheckIndex(Index, Count());
    InsertItem(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const QString& S, TObject* Obj) {
    Insert(Index, S);
    PutObject(Index, Obj);
}

void TStringList::InsertItem(int Index, const QString& S, TObject* Obj) {
    FItems.insert(FItems.begin() + Index, TItem{S, Obj});
}

void TStringList::Delete(int Index) {
    CheckIndex(Index, Count() - 1);
    FItems.erase(FItems.begin() + Index);
}

void TStringList::Clear() {
    FItems.clear();
}

void TStringList::Exchange(int I, int J) {
    CheckIndex(I, Count() - 1);
    CheckIndex(J, Count() - 1);
    std::swap(FItems[I], FItems[J]);
}

void TStringList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    if (FSorted) throw EStringListError(SortedError);
    CheckIndex(CurIndex, Count() - 1);
    CheckIndex(NewIndex, Count() - 1);
    // Moved in place: deleting and re-inserting would free an owned object on the way.
    TItem item = std::move(FItems[CurIndex]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, std::move(item));
}

int TStringList::IndexOf(const QString& S) const {
    if (FSorted) {
        int index = 0;
        return Find(S, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(FItems[i].Text, S) == 0) return i;
    return -1;
}

int TStringList::IndexOfObject(const TObject* Obj) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Object == Obj) return i;
    return -1;
}

void TStringList::AddStrings(const TStringList& Source) {
    for (int i = 0; i < Source.Count(); ++i)
        AddObject(Source.FItems[i].Text, Source.FItems[i].Object);
}

QString TStringList::Text() const {
    QString result;
    for (const TItem& item : FItems)
        result += item.Text + QStringLiteral("\r\n");
    return result;
}

void TStringList::SetText(const QString& Text) {
    Clear();
    qsizetype start = 0;
    while (start < Text.size()) {
        qsizetype end = start;
        while (end < Text.size() && Text.at(end) != QLatin1Char('\r') && Text.at(end) != QLatin1Char('\n'))
            ++end;
        Add(Text.mid(start, end - start));
        if (end < Text.size() && Text.at(end) == QLatin1Char('\r')) ++end;
        if (end < Text.size() && Text.at(end) == QLatin1Char('\n')) ++end;
        start = end;
    }
}

QStringList TStringList::ToQStringList() const {
    QStringList result;
    result.reserve(Count());
    for (const TItem& item : FItems)
        result.append(item.Text);
    return result;
}

void TStringList::SetSorted(bool Value) {
    if (Value == FSorted) return;
    if (Value) Sort();
    FSorted = Value;
}

bool TStringList::Find(const QString& S, int& Index) const {
    return FindSortedText(FItems, S, FDuplicates, Index);
}

void TStringList::Sort() {
    if (!FSorted && Count() > 1) QuickSortText(FItems, 0, Count() - 1);
}

std::unique_ptr<TPersistent> TStringList::Clone() const {
    auto copy = std::make_unique<TStringList>();
    copy->Assign(*this);
    return copy;
}

void TStringList::Assign(const TPersistent& Source) {
    const auto* source = dynamic_cast<const TStringList*>(&Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    Clear();
    AddStrings(*source);
}

// ---- TLineConv

TLineConv::~TLineConv() {
    if (FFreeObjects)
        for (TItem& item : FItems)
            delete item.Object;
}

void TLineConv::SetAutoTrim(bool Value) {
    if (Value && !FAutoTrim)
        for (TItem& item : FItems)
            item.Text = Trim(item.Text);
    FAutoTrim = Value;
}

void TLineConv::SetAutoUpper(bool Value) {
    if (Value && !FAutoUpper)
        for (TItem& item : FItems)
            item.Text = item.Text.toUpper();
    FAutoUpper = Value;
}

void TLineConv::SetLine(const QString& Line) {
    Clear();
    if (Line.isEmpty()) return;
    if (FDelimiter.isEmpty()) {
        Add(Line);
        return;
    }
    // Split keeps empty items, so a trailing delimiter gives a final empty item.
    for (const QString& item : Line.split(FDelimiter, Qt::KeepEmptyParts, Qt::CaseSensitive))
        Add(FAutoTrim ? Trim(item) : item);
}

QString TLineConv::GetLine() const {
    return GetLineRange(0, Count() - 1);
}

QString TLineConv::GetLineRange(int From, int To) const {
    From = std::max(From, 0);
    To = std::min(To, Count() - 1);
    QString result;
    for (int i = From; i <= To; ++i) {
        if (i > From) result += FDelimiter;
        result += FItems[i].Text;
    }
    return result;
}

QString TLineConv::GetNestedLine() const {
    QString result;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) result += FDelimiter;
        const auto* nested = dynamic_cast<const TLineConv*>(FItems[i].Object);
        result += nested ? nested->GetNestedLine() : FItems[i].Text;
    }
    return result;
}

void TLineConv::SetItemCount(int N) {
    if (N < 0) return;
    while (Count() > N)
        Delete(Count() - 1);
    while (Count() < N)
        InsertItem(Count(), QString(), nullptr);
}

void TLineConv::ClearValues() {
    for (TItem& item : FItems) {
        item.Text.clear();
        if (auto* nested = dynamic_cast<TLineConv*>(item.Object)) nested->ClearValues();
    }
}

void TLineConv::FreeItemObject(int Index) {
    delete FItems[Index].Object;
    FItems[Index].Object = nullptr;
}

void TLineConv::Delete(int Index) {
    CheckIndex(Index, Count() - 1);
    if (FFreeObjects) FreeItemObject(Index);
    TStringList::Delete(Index);
}

void TLineConv::Clear() {
    // Objects the list does not own belong to someone else and stay alive.
    if (FFreeObjects)
        for (int i = 0; i < Count(); ++i)
            FreeItemObject(i);
    TStringList::Clear();
}

void TLineConv::AddStrings(const TStringList& Source) {
    for (int i = 0; i < Source.Count(); ++i) {
        std::unique_ptr<TPersistent> copy;
        if (const auto* object = dynamic_cast<const TPersistent*>(Source.GetObject(i)))
            copy = object->Clone();
        AddObject(Source.Get(i), copy.release());
    }
}

void TLineConv::Assign(const TPersistent& Source) {
    const auto* source = dynamic_cast<const TLineConv*>(&Source);
    if (!source) {
        TStringList::Assign(Source);
        return;
    }
    if (source == this) return;
    Clear();
    FDelimiter = source->FDelimiter;
    SetAutoTrim(source->FAutoTrim);
    FFreeObjects = source->FFreeObjects;
    AddStrings(*source);
}

std::unique_ptr<TPersistent> TLineConv::Clone() const {
    auto copy = std::make_unique<TLineConv>();
    copy->Assign(*this);
    return copy;
}
