#include "core/unSorter.h"

#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <chrono>
#include <cmath>
#include <limits>

TSortKeyField MakeSortKeyField(const QString& Text, bool UpperCase) {
    TSortKeyField Field;
    Field.Text = UpperCase ? Text.toUpper() : Text;
    if (!Text.isEmpty()) {
        const double Value = StrToFloatDot(Text, std::numeric_limits<double>::quiet_NaN());
        Field.IsNumber = !std::isnan(Value);
        if (Field.IsNumber) Field.Number = Value;
    }
    return Field;
}

int CompareKeyFields(const TSortKeyField& A, const TSortKeyField& B) {
    if (A.IsNumber && B.IsNumber) return A.Number < B.Number ? -1 : A.Number > B.Number ? 1 : 0;
    const int C = A.Text.compare(B.Text);
    return C < 0 ? -1 : C > 0 ? 1 : 0;
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

void TBaseSorter::Execute() {
    if (OnStartSorting) Synchronize([this] { OnStartSorting(this); });

    // The keys are read once; the sort then moves key numbers, and the items follow at the end.
    const int Count = HighIndex - LowIndex + 1;
    const bool UpperCase = TypedKeys && !CaseSensitive;
    std::vector<QStringList> Texts(size_t(std::max(Count, 0)));
    int FieldCount = 0;
    for (int I = 0; I < Count; ++I) {
        Texts[size_t(I)] = GetKey(LowIndex + I);
        FieldCount = std::max(FieldCount, int(Texts[size_t(I)].size()));
    }
    std::vector<TSortKeyField> Keys(size_t(std::max(Count, 0)) * size_t(FieldCount));
    for (int I = 0; I < Count; ++I)
        for (int F = 0; F < FieldCount; ++F)
            Keys[size_t(I) * FieldCount + F] = MakeSortKeyField(Texts[size_t(I)].value(F), UpperCase);
    Texts.clear();

    const int Direction = Descending ? -1 : 1;
    const auto Compare = [&](int A, int B) {
        return Direction * CompareKeys(Keys.data() + size_t(A) * FieldCount,
                                       Keys.data() + size_t(B) * FieldCount, FieldCount);
    };
    std::vector<int> Order(size_t(std::max(Count, 0)));
    for (int I = 0; I < Count; ++I)
        Order[size_t(I)] = I;
    switch (Algorithm) {
    case saBubbleSort:
        BubbleSortOrder(Order, 0, Count - 1, Compare);
        break;
    case saSelectionSort:
        SelectionSortOrder(Order, 0, Count - 1, Compare);
        break;
    default:
        QuickSortOrder(Order, 0, Count - 1, Compare);
        break;
    }

    // Move every item into its place with at most one exchange per position.
    std::vector<int> Where(size_t(std::max(Count, 0))), Holds(size_t(std::max(Count, 0)));
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

    if (OnEndSorting) Synchronize([this] { OnEndSorting(this); });
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

QStringList TDelimitedStringsSorter::GetKey(int Index) {
    const QString Record = FList->Get(Index);
    const QChar Delimiter = FList->FieldDelimiter();
    QStringList Key;
    Key.reserve(FKeyColumns->size());
    for (int Column : *FKeyColumns)
        Key << GetPiece(Record, Delimiter, Column);
    return Key;
}

void TDelimitedStringsSorter::ExchangeItems(int I, int J) {
    const QString Swap = FList->Get(I);
    FList->Put(I, FList->Get(J));
    FList->Put(J, Swap);
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
    return FirstField == QStringLiteral("Сума за филтъра") || FirstField.startsWith(MarkerChar);
}

void SortTableRows(TDelimitedStrings& List, const QList<int>& KeyColumns, bool Descending) {
    if (KeyColumns.isEmpty() || List.Count() < 2) return;
    int High = List.Count() - 1;
    if (IsTotalsRecord(GetPiece(List.Get(High), List.FieldDelimiter(), 0))) --High;
    TDelimitedStringsSorter Sorter(&List);
    Sorter.SetKeyColumns(KeyColumns);
    Sorter.Descending = Descending;
    Sorter.SortRange(0, High);
    Sorter.WaitFor();
}
