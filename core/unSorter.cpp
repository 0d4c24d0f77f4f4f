#include "core/unSorter.h"

#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QObject>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

// A "d.m.y" date as yyyymmdd; 0 when the text is no such date.
int DotDateNumber(QStringView Text) {
    TDateTime Day = 0;
    if (!ReadDotDate(Text, TDotDateRules(), Day)) return 0;
    const QDate Date = DateTimeToQDate(Day);
    return Date.year() * 10000 + Date.month() * 100 + Date.day();
}

} // namespace

TSortKeyField MakeSortKeyField(const QString& Text, bool UpperCase) {
    TSortKeyField Field;
    Field.Text = UpperCase ? Text.toCaseFolded() : Text;
    // Only a text that starts like a number is worth converting.
    const QChar First = Text.isEmpty() ? QChar() : Text.front();
    if (First.isDigit() || First == QLatin1Char('-') || First == QLatin1Char('+') ||
        First == QLatin1Char('.') || First.isSpace()) {
        const double Value = StrToFloatDot(Text, std::numeric_limits<double>::quiet_NaN());
        Field.IsNumber = !std::isnan(Value);
        Field.Number = Field.IsNumber ? Value : 0;
        if (!Field.IsNumber && First.isDigit()) {
            const int Date = DotDateNumber(Text);
            Field.IsDate = Date > 0;
            Field.Number = Date;
        }
    }
    return Field;
}

namespace {

// Blanks, numbers, dates, texts: the kinds in their order.
int KindRank(const TSortKeyField& F) {
    if (F.IsNumber) return 1;
    if (F.IsDate) return 2;
    return F.Text.isEmpty() ? 0 : 3;
}

int CompareFields(const TSortKeyField& A, const TSortKeyField& B, int RankA, int RankB) {
    if (RankA != RankB) return RankA < RankB ? -1 : 1;
    if (RankA == 1 || RankA == 2) return A.Number < B.Number ? -1 : A.Number > B.Number ? 1 : 0;
    const int C = A.Text.compare(B.Text);
    return C < 0 ? -1 : C > 0 ? 1 : 0;
}

} // namespace

int CompareKeyFields(const TSortKeyField& A, const TSortKeyField& B) {
    return CompareFields(A, B, KindRank(A), KindRank(B));
}

int CompareKeys(const TSortKeyField* A, const TSortKeyField* B, int FieldCount) {
    for (int I = 0; I < FieldCount; ++I)
        if (const int C = CompareKeyFields(A[I], B[I])) return C;
    return 0;
}

// Lives on the creating thread; a posted wake-up makes it run the sorter's queued calls there.
class TSorterWaker : public QObject {
public:
    explicit TSorterWaker(TBaseSorter* Sorter) : FSorter(Sorter) {}
    static QEvent::Type WakeType() {
        static const auto Type = QEvent::Type(QEvent::registerEventType());
        return Type;
    }
    bool event(QEvent* Event) override {
        if (Event->type() != WakeType()) return QObject::event(Event);
        FSorter->DrainQueue();
        return true;
    }

private:
    TBaseSorter* FSorter;
};

TBaseSorter::TBaseSorter() : FWaker(std::make_unique<TSorterWaker>(this)) {}

TBaseSorter::~TBaseSorter() {
    WaitForSorting();
}

void TBaseSorter::SortRange(int Low, int High) {
    if (High < Low)
        RaiseError(QStringLiteral("Invalid index range"), QStringLiteral("SortRange"),
                   Format("low index [%d], high index [%d]", {Low, High}));
    LowIndex = Low;
    HighIndex = High;
    StartSorting();
}

void TBaseSorter::StartSorting() {
    if (!CanStartSorting()) return;
    WaitForSorting();
    {
        std::lock_guard Guard(FLock);
        FFinished = false;
        FError = nullptr;
    }
    FThread = std::thread([this] { Run(); });
}

void TBaseSorter::Run() {
    std::exception_ptr Error;
    try {
        Execute();
    } catch (...) {
        Error = std::current_exception();
    }
    std::lock_guard Guard(FLock);
    FError = Error;
    FFinished = true;
    FSignal.notify_all();
}

void TBaseSorter::WaitForSorting() {
    if (!FThread.joinable()) return;
    // Not QThread::wait: the worker may be blocked in Synchronize, waiting for this very thread.
    std::unique_lock Guard(FLock);
    while (!FFinished) {
        Guard.unlock();
        DrainQueue();
        Guard.lock();
        if (!FFinished && FQueue.empty()) FSignal.wait_for(Guard, std::chrono::milliseconds(5));
    }
    Guard.unlock();
    FThread.join();
}

void TBaseSorter::WaitFor() {
    WaitForSorting();
    std::exception_ptr Error;
    {
        std::lock_guard Guard(FLock);
        std::swap(Error, FError);
    }
    if (Error) std::rethrow_exception(Error);
}

void TBaseSorter::Synchronize(const std::function<void()>& Call) {
    TQueuedCall Queued;
    Queued.Call = Call;
    std::unique_lock Guard(FLock);
    FQueue.push_back(&Queued);
    QCoreApplication::postEvent(FWaker.get(), new QEvent(TSorterWaker::WakeType()));
    FSignal.notify_all();
    FSignal.wait(Guard, [&] { return Queued.Done; });
    if (Queued.Error) std::rethrow_exception(Queued.Error);
}

void TBaseSorter::DrainQueue() {
    std::unique_lock Guard(FLock);
    while (!FQueue.empty()) {
        TQueuedCall* Queued = FQueue.front();
        FQueue.pop_front();
        Guard.unlock();
        try {
            Queued->Call();
        } catch (...) {
            Queued->Error = std::current_exception();
        }
        Guard.lock();
        Queued->Done = true;
        FSignal.notify_all();
    }
}

namespace {

// What the sort moves: the item's place in the key table and its first field's kind and
// number, cached so that most comparisons need not look at the key fields at all.
struct TSortEntry {
    double First;
    int Key;
    int FirstRank;
};

} // namespace

void TBaseSorter::Execute() {
    if (OnStartSorting) Synchronize([this] { OnStartSorting(this); });

    // The keys are read once, every key with as many fields as the first.
    const int Count = HighIndex - LowIndex + 1;
    const bool UpperCase = TypedKeys && !CaseSensitive;
    std::vector<TSortKeyField> Keys;
    std::vector<QStringView> Fields;
    int FieldCount = 0;
    for (int I = 0; I < Count; ++I) {
        Fields.clear();
        GetKey(LowIndex + I, Fields);
        if (I == 0) {
            FieldCount = int(Fields.size());
            Keys.reserve(size_t(Count) * size_t(FieldCount));
        }
        // Raw data: the fields are not copied, they stay in the item they come from.
        for (int F = 0; F < FieldCount; ++F) {
            const QStringView Field = F < int(Fields.size()) ? Fields[size_t(F)] : QStringView();
            Keys.push_back(MakeSortKeyField(QString::fromRawData(Field.data(), Field.size()), UpperCase));
        }
    }

    std::vector<TSortEntry> Order(size_t(std::max(Count, 0)));
    for (int I = 0; I < Count; ++I) {
        const TSortKeyField* First = Keys.data() + size_t(I) * FieldCount;
        Order[size_t(I)] = {FieldCount > 0 ? First->Number : 0, I, FieldCount > 0 ? KindRank(*First) : 0};
    }
    std::vector<int> Directions(size_t(std::max(FieldCount, 1)), Descending ? -1 : 1);
    for (int F = 0; F < FieldCount && F < FieldDescending.size(); ++F)
        Directions[size_t(F)] = FieldDescending[F] ? -1 : 1;
    const auto Compare = [&](const TSortEntry& A, const TSortEntry& B) {
        if (FieldCount == 0 || A.Key == B.Key) return 0;
        const TSortKeyField* KA = Keys.data() + size_t(A.Key) * FieldCount;
        const TSortKeyField* KB = Keys.data() + size_t(B.Key) * FieldCount;
        int F = 0;
        // Two numbers or two dates in the first field are told apart by the cached values.
        if (A.FirstRank == B.FirstRank && (A.FirstRank == 1 || A.FirstRank == 2)) {
            if (A.First != B.First) return A.First < B.First ? -Directions[0] : Directions[0];
            F = 1;
        }
        for (; F < FieldCount; ++F)
            if (const int C = CompareKeyFields(KA[F], KB[F])) return C * Directions[size_t(F)];
        return 0;
    };
    switch (Algorithm) {
    case saBubbleSort:
        BubbleSortOrder(Order, 0, Count - 1, Compare);
        break;
    case saSelectionSort:
        SelectionSortOrder(Order, 0, Count - 1, Compare);
        break;
    default:
        MergeSortOrder(Order, 0, Count - 1, Compare);
        break;
    }
    Keys.clear();
    std::vector<int> Moves(Order.size());
    for (size_t I = 0; I < Order.size(); ++I)
        Moves[I] = Order[I].Key;
    MoveItems(Moves);

    if (OnEndSorting) Synchronize([this] { OnEndSorting(this); });
}

void TBaseSorter::MoveItems(const std::vector<int>& Order) {
    // At most one exchange per position: Where tracks each item, Holds each position.
    const int Count = int(Order.size());
    std::vector<int> Where(Order.size()), Holds(Order.size());
    for (int I = 0; I < Count; ++I)
        Where[size_t(I)] = Holds[size_t(I)] = I;
    for (int P = 0; P < Count; ++P) {
        const int Wanted = Order[size_t(P)];
        const int Q = Where[size_t(Wanted)];
        if (Q == P) continue;
        ExchangeItems(LowIndex + P, LowIndex + Q);
        const int Displaced = Holds[size_t(P)];
        Holds[size_t(Q)] = Displaced;
        Where[size_t(Displaced)] = Q;
        Holds[size_t(P)] = Wanted;
        Where[size_t(Wanted)] = P;
    }
}

void TBaseSorter::RaiseError(const QString& Message, const QString& Method, const QString& Detail) const {
    const QString Where = Format("%s::%s", {ClassName(), Method});
    const QString Data = Detail.isEmpty() ? QString() : Format("[%s]", {Detail});
    throw ESorterError(
        Format("%s \n\rIn %s,\n\rWith Data %s",
               {Message.isEmpty() ? QStringLiteral("Unspecified Error") : Message, Where, Data}));
}

TDelimitedStringsSorter::TDelimitedStringsSorter(TDelimitedStrings* List) : FList(List) {
    LowIndex = 0;
    HighIndex = List ? List->Count() - 1 : -1;
}

TDelimitedStringsSorter::~TDelimitedStringsSorter() {
    WaitForSorting();
}

void TDelimitedStringsSorter::Execute() {
    FRecords.clear();
    FRecords.reserve(size_t(std::max(HighIndex - LowIndex + 1, 0)));
    FLastColumn = *std::max_element(FKeyColumns->begin(), FKeyColumns->end());
    TBaseSorter::Execute();
}

void TDelimitedStringsSorter::GetKey(int Index, std::vector<QStringView>& Fields) {
    const QStringView Record = FRecords.emplace_back(FList->Get(Index));
    // Where the pieces up to the last key column end, found in one pass; a piece past the
    // record's last one is empty, as GetPiece gives it.
    const QChar Delimiter = FList->FieldDelimiter();
    FPieceEnds.clear();
    for (qsizetype I = 0; I < Record.size() && int(FPieceEnds.size()) <= FLastColumn; ++I)
        if (Record[I] == Delimiter) FPieceEnds.push_back(I);
    if (int(FPieceEnds.size()) <= FLastColumn) FPieceEnds.push_back(Record.size());
    for (int Column : *FKeyColumns) {
        if (Column < 0 || Column >= int(FPieceEnds.size())) {
            Fields.emplace_back();
            continue;
        }
        const qsizetype Start = Column == 0 ? 0 : FPieceEnds[size_t(Column - 1)] + 1;
        Fields.push_back(Record.sliced(Start, FPieceEnds[size_t(Column)] - Start));
    }
}

void TDelimitedStringsSorter::ExchangeItems(int I, int J) {
    const QString Swap = FList->Get(I);
    FList->Put(I, FList->Get(J));
    FList->Put(J, Swap);
}

void TDelimitedStringsSorter::MoveItems(const std::vector<int>& Order) {
    FList->BeginUpdate();
    for (size_t I = 0; I < Order.size(); ++I)
        if (Order[I] != int(I)) FList->Put(LowIndex + int(I), std::move(FRecords[size_t(Order[I])]));
    FList->EndUpdate();
    std::vector<QString>().swap(FRecords);
}

bool TDelimitedStringsSorter::CanStartSorting() {
    if (!FList)
        RaiseError(QStringLiteral("Object not initalized"), QStringLiteral("CanStartSorting"),
                   Format("Object Class Name [%s]", {"TDelimitedStrings"}));
    if (!FKeyColumns)
        RaiseError(QStringLiteral("Structure not Initialized"), QStringLiteral("CanStartSorting"),
                   Format("Structure Type Name : [%s]", {"PIntegerArray"}));
    if (FKeyColumns->isEmpty())
        RaiseError(QStringLiteral("No key columns specified"), QStringLiteral("CanStartSorting"), QString());
    return true;
}

bool IsTotalsRecord(const QString& FirstField) {
    return FirstField == FilterTotalsText || FirstField.startsWith(MarkerChar);
}

void SortTableRows(TDelimitedStrings& List, const QList<int>& KeyColumns, bool Descending) {
    SortTableRows(List, KeyColumns, QList<bool>(KeyColumns.size(), Descending));
}

void SortTableRows(TDelimitedStrings& List, const QList<int>& KeyColumns, const QList<bool>& Descending) {
    if (KeyColumns.isEmpty() || List.Count() < 2) return;
    int High = List.Count() - 1;
    if (IsTotalsRecord(GetPiece(List.Get(High), List.FieldDelimiter(), 0))) --High;
    if (High < 1) return;
    TDelimitedStringsSorter Sorter(&List);
    Sorter.SetKeyColumns(KeyColumns);
    Sorter.FieldDescending = Descending;
    // The operator's sort: numbers as numbers, dates as dates, texts in the database's order.
    Sorter.TypedKeys = true;
    Sorter.SortRange(0, High);
    Sorter.WaitFor();
}
