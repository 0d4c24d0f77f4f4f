#pragma once
// The table sorter: sorts an index range of a list by a key per item on a thread of its own,
// with the start and end events run on the thread that made the sorter. The key comparison and
// the three sorts are plain functions, usable without a thread.

#include "core/unStringList.h"
#include "core/unitTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class QObject;
class TDelimitedStrings;

// One field of a sort key. Fields fall into four kinds, ordered blanks, numbers, "d.m.yyyy"
// dates, other texts; within a kind numbers and dates compare by value, texts as texts. That is
// one total order, so a sort gives the same rows in the same order however they arrived.
struct TSortKeyField {
    QString Text;
    double Number = 0; // the number, or a date as yyyymmdd
    bool IsNumber = false;
    bool IsDate = false;
};

// A key field from its text; UpperCase folds the text's case as the database's text collation
// does, so that a case-blind sort gives the database's order.
TSortKeyField MakeSortKeyField(const QString& Text, bool UpperCase);
// -1, 0 or 1.
int CompareKeyFields(const TSortKeyField& A, const TSortKeyField& B);
// Field by field in priority order; the first difference decides. -1, 0 or 1.
int CompareKeys(const TSortKeyField* A, const TSortKeyField* B, int FieldCount);

// 0 keeps its old name; it runs MergeSortOrder.
enum TSortAlgorithm { saQuickSort = 0, saBubbleSort = 1, saSelectionSort = 2 };

// The sorts work on Order[Low..High], the items' keys or stand-ins for them; Compare(A, B) gives
// -1, 0 or 1 with the direction already applied.

// The default sort: a merge sort, so O(n log n) whatever order the items arrive in, and stable,
// so items of equal keys keep the order they had.
template <class T, class TCompare>
void MergeSortOrder(std::vector<T>& Order, int Low, int High, TCompare Compare) {
    if (High <= Low) return;
    std::stable_sort(Order.begin() + Low, Order.begin() + High + 1,
                     [&](const T& A, const T& B) { return Compare(A, B) < 0; });
}

template <class T, class TCompare>
void BubbleSortOrder(std::vector<T>& Order, int Low, int High, TCompare Compare) {
    for (int Pass = 0; Pass < High - Low; ++Pass) {
        bool Exchanged = false;
        for (int J = High; J > Low; --J) {
            if (Compare(Order[size_t(J)], Order[size_t(J - 1)]) < 0) {
                std::swap(Order[size_t(J)], Order[size_t(J - 1)]);
                Exchanged = true;
            }
        }
        if (!Exchanged) break;
    }
}

// Exchange selection: every smaller key met is exchanged into place at once.
template <class T, class TCompare>
void SelectionSortOrder(std::vector<T>& Order, int Low, int High, TCompare Compare) {
    for (int I = Low; I < High; ++I)
        for (int J = I + 1; J <= High; ++J)
            if (Compare(Order[size_t(J)], Order[size_t(I)]) < 0)
                std::swap(Order[size_t(I)], Order[size_t(J)]);
}

// Sorts an index range of some list on a thread of its own. OnStartSorting and OnEndSorting run
// on the thread that created the sorter (the GUI thread), through the sorter's own queue; that
// thread serves them from its event loop or while it waits for the sorter.
class TBaseSorter : public TObject {
public:
    TBaseSorter();
    // Waits for a running sort; concrete sorters must call WaitForSorting in their own destructor.
    ~TBaseSorter() override;
    TBaseSorter(const TBaseSorter&) = delete;
    TBaseSorter& operator=(const TBaseSorter&) = delete;

    TNotifyEvent OnStartSorting;
    TNotifyEvent OnEndSorting;
    // Only with TypedKeys: texts are compared as they are instead of case-folded.
    bool CaseSensitive = false;
    bool Descending = false;
    bool TypedKeys = false;
    // Per key field, in priority order: true sorts that field descending. Fields it does not
    // name follow Descending.
    QList<bool> FieldDescending;
    int Algorithm = saQuickSort;
    int LowIndex = 0;
    int HighIndex = -1;

    // ESorterError when High is below Low; otherwise sets the range and starts the sort.
    void SortRange(int Low, int High);
    // Starts the sort thread when CanStartSorting allows it (after a previous run has ended).
    void StartSorting();
    // Serves the event queue until the sort has ended, then rethrows what the sort raised.
    void WaitFor();

protected:
    virtual void Execute();
    // The key fields of item Index in priority order, into Fields. Called once for each item of
    // the range, in order, before MoveItems; the texts must stay valid until MoveItems has run.
    virtual void GetKey(int Index, std::vector<QStringView>& Fields) = 0;
    virtual void ExchangeItems(int I, int J) = 0;
    virtual bool CanStartSorting() = 0;
    // Puts the items of LowIndex.. into the sorted order: position LowIndex + P receives the item
    // that stood at LowIndex + Order[P]. By default through ExchangeItems.
    virtual void MoveItems(const std::vector<int>& Order);
    virtual QString ClassName() const { return QStringLiteral("TBaseSorter"); }
    // Runs Call on the creating thread and returns when it has run.
    void Synchronize(const std::function<void()>& Call);
    // Waits for the thread without rethrowing; safe in destructors.
    void WaitForSorting();
    [[noreturn]] void RaiseError(const QString& Message, const QString& Method, const QString& Detail) const;

private:
    struct TQueuedCall {
        std::function<void()> Call;
        bool Done = false;
        std::exception_ptr Error;
    };
    void Run();
    void DrainQueue();

    std::thread FThread;
    bool FFinished = true;
    std::exception_ptr FError;
    std::mutex FLock;
    std::condition_variable FSignal;
    std::deque<TQueuedCall*> FQueue;
    std::unique_ptr<QObject> FWaker;

    friend class TSorterWaker;
};

// Sorts the records of a delimited table by a list of key columns.
class TDelimitedStringsSorter : public TBaseSorter {
public:
    explicit TDelimitedStringsSorter(TDelimitedStrings* List);
    ~TDelimitedStringsSorter() override;

    TDelimitedStrings* List() const { return FList; }
    void SetList(TDelimitedStrings* List) { FList = List; }
    // The key columns in priority order.
    void SetKeyColumns(const QList<int>& Columns) { FKeyColumns = Columns; }

protected:
    void Execute() override;
    void GetKey(int Index, std::vector<QStringView>& Fields) override;
    void ExchangeItems(int I, int J) override;
    bool CanStartSorting() override;
    // Rewrites the records in one pass instead of exchanging them pair by pair.
    void MoveItems(const std::vector<int>& Order) override;
    QString ClassName() const override { return QStringLiteral("TDelimitedStringsSorter"); }

private:
    TDelimitedStrings* FList;
    std::optional<QList<int>> FKeyColumns;
    // The records of the range, read once by GetKey: the key fields point into them and
    // MoveItems writes them back in their new order.
    std::vector<QString> FRecords;
    int FLastColumn = 0;
    std::vector<qsizetype> FPieceEnds;
};

// True for the first field of a totals row: "Сума за филтъра" or a text starting with "¤".
bool IsTotalsRecord(const QString& FirstField);

// Sorts the records of List by KeyColumns on a sorter and returns when they are sorted: numbers
// as numbers, "d.m.yyyy" dates as dates, texts case-blind in the database's order. A last record
// that is a totals row stays last. Nothing happens without key columns or with fewer than two
// records.
void SortTableRows(TDelimitedStrings& List, const QList<int>& KeyColumns, bool Descending);
// The same with a direction per key column, all keys in one pass.
void SortTableRows(TDelimitedStrings& List, const QList<int>& KeyColumns, const QList<bool>& Descending);
