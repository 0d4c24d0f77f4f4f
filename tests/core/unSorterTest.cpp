#include "core/unSorter.h"

#include "core/uDelimitedStrings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <random>

namespace {

std::unique_ptr<TDelimitedStringList> Table(const QStringList& Records) {
    auto List = std::make_unique<TDelimitedStringList>();
    for (const QString& R : Records)
        List->Add(R);
    return List;
}

QStringList Records(const TDelimitedStrings& List) {
    QStringList Result;
    for (int I = 0; I < List.Count(); ++I)
        Result << List.Get(I);
    return Result;
}

int CompareTexts(const QStringList& A, const QStringList& B) {
    std::vector<TSortKeyField> KA, KB;
    for (const QString& T : A)
        KA.push_back(MakeSortKeyField(T, false));
    for (const QString& T : B)
        KB.push_back(MakeSortKeyField(T, false));
    return CompareKeys(KA.data(), KB.data(), int(KA.size()));
}

} // namespace

TEST(Sorter, ComparesKeyFieldsAsNumbersWhenBothReadAsNumbers) {
    struct Case {
        QStringList A, B;
        int Expected;
    };
    const Case Cases[] = {
        {{"10"}, {"9"}, 1},    // numbers, also in a single key column
        {{"2.5"}, {"10"}, -1}, // "." is the decimal point
        {{"-3"}, {"2"}, -1},
        {{"abc"}, {"abd"}, -1},
        {{"a"}, {"1"}, 1}, // blanks, numbers, dates, texts: the kinds in that order
        {{""}, {"0"}, -1}, // an empty field is a blank, not zero
        {{""}, {"a"}, -1},
        {{"01.01.2000"}, {"99999999"}, 1},
        {{"Б"}, {"А"}, 1},
        {{"1", "b"}, {"1", "a"}, 1},   // the last key column decides when the others tie
        {{"", "2"}, {"", "10"}, -1},   // an empty leading field shifts nothing
        {{"9", "z"}, {"10", "a"}, -1}, // the first difference decides
        {{"x", "1"}, {"x", "1"}, 0},
        {{"1e3"}, {"999"}, 1}, // any form the number conversion reads
        {{"3-1"}, {"10"}, 1},  // a text after any number, whatever its characters
        {{"12.5.1"}, {"2"}, 1},
        {{"-"}, {"-1"}, 1},
        {{"01.02.2024"}, {"15.01.2023"}, 1}, // dates as dates
        {{"31.12.2022"}, {"1.1.2023"}, -1},
        {{"01.02.2024"}, {"1.2.2024"}, 0},
        {{"31.01.2024"}, {"05.02.2024"}, -1}, // the month outweighs the day, the year the month
        {{"05.02.2024"}, {"04.03.2024"}, -1},
        {{"10.03.2024"}, {"02.03.2024"}, 1},
        {{"01.12.2023"}, {"30.11.2024"}, -1},
        {{"31.02.2024"}, {"15.01.2023"}, 1}, // no such day: compared as text
    };
    for (const Case& C : Cases)
        EXPECT_EQ(CompareTexts(C.A, C.B), C.Expected)
            << C.A.join('|').toStdString() << " vs " << C.B.join('|').toStdString();
    // Case folding is asked for by the caller.
    EXPECT_EQ(CompareKeyFields(MakeSortKeyField("abc", true), MakeSortKeyField("ABC", true)), 0);
    EXPECT_EQ(CompareKeyFields(MakeSortKeyField("ябълка", false), MakeSortKeyField("ЯБЪЛКА", true)), 0);
    // Folded as the database folds: "_" sorts before letters of either case.
    EXPECT_EQ(CompareKeyFields(MakeSortKeyField("_x", true), MakeSortKeyField("a", true)), -1);
}

TEST(Sorter, EveryAlgorithmSortsCompoundKeysBothWays) {
    const QStringList Unsorted = {"10@b@r1", "9@b@r2", "10@a@r3", "@z@r4", "9@a@r5", "x@a@r6"};
    const QStringList Ascending = {"@z@r4", "9@a@r5", "9@b@r2", "10@a@r3", "10@b@r1", "x@a@r6"};
    QStringList DescendingOrder = Ascending;
    std::reverse(DescendingOrder.begin(), DescendingOrder.end());
    for (int Algorithm : {saQuickSort, saBubbleSort, saSelectionSort}) {
        for (bool Descending : {false, true}) {
            auto List = Table(Unsorted);
            {
                TDelimitedStringsSorter Sorter(List.get());
                Sorter.Algorithm = Algorithm;
                Sorter.Descending = Descending;
                Sorter.SetKeyColumns({0, 1});
                Sorter.SortRange(0, List->Count() - 1);
            }
            EXPECT_EQ(Records(*List), Descending ? DescendingOrder : Ascending)
                << "algorithm " << Algorithm << (Descending ? " descending" : " ascending");
        }
    }
}

TEST(Sorter, SortsOnlyTheGivenRangeAndKeepsObjectsInPlace) {
    auto List = Table({"c", "b", "a", "0"});
    TObject Marker;
    List->PutObject(0, &Marker);
    {
        TDelimitedStringsSorter Sorter(List.get());
        Sorter.SetKeyColumns({0});
        Sorter.SortRange(0, 2);
    }
    EXPECT_EQ(Records(*List), QStringList({"a", "b", "c", "0"}));
    EXPECT_EQ(List->GetObject(0), &Marker);

    TDelimitedStringsSorter One(List.get());
    One.SetKeyColumns({0});
    EXPECT_NO_THROW(One.SortRange(3, 3));
    One.WaitFor();
    EXPECT_EQ(Records(*List), QStringList({"a", "b", "c", "0"}));
}

TEST(Sorter, RaisesItsErrorsWithWhereAndData) {
    auto List = Table({"a", "b"});
    TDelimitedStringsSorter Sorter(List.get());
    const auto Message = [&](const std::function<void()>& Call) {
        try {
            Call();
        } catch (const ESorterError& E) {
            return E.Message();
        }
        return QStringLiteral("<nothing raised>");
    };
    EXPECT_EQ(Message([&] { Sorter.SortRange(0, 1); }),
              "Structure not Initialized \n\rIn TDelimitedStringsSorter::CanStartSorting,\n\r"
              "With Data [Structure Type Name : [PIntegerArray]]");
    Sorter.SetKeyColumns({});
    EXPECT_EQ(Message([&] { Sorter.SortRange(0, 1); }),
              "No key columns specified \n\rIn TDelimitedStringsSorter::CanStartSorting,\n\rWith Data ");
    Sorter.SetKeyColumns({0});
    EXPECT_EQ(Message([&] { Sorter.SortRange(1, 0); }),
              "Invalid index range \n\rIn TDelimitedStringsSorter::SortRange,\n\r"
              "With Data [low index [1], high index [0]]");
    TDelimitedStringsSorter Unset(nullptr);
    Unset.SetKeyColumns({0});
    EXPECT_EQ(Message([&] { Unset.SortRange(0, 0); }),
              "Object not initalized \n\rIn TDelimitedStringsSorter::CanStartSorting,\n\r"
              "With Data [Object Class Name [TDelimitedStrings]]");
}

TEST(Sorter, RunsTheEventsOnTheCreatingThreadAndTheSortOnAnother) {
    auto List = Table({"3", "1", "2"});
    QStringList Seen;
    QThread* const Gui = QThread::currentThread();
    {
        TDelimitedStringsSorter Sorter(List.get());
        Sorter.SetKeyColumns({0});
        Sorter.OnStartSorting = [&](TObject*) {
            Seen << (QThread::currentThread() == Gui ? "start on GUI" : "start elsewhere");
            Seen << Records(*List).join(',');
        };
        Sorter.OnEndSorting = [&](TObject*) {
            Seen << (QThread::currentThread() == Gui ? "end on GUI" : "end elsewhere");
            Seen << Records(*List).join(',');
        };
        Sorter.SortRange(0, 2);
    } // the destructor serves both events while it waits
    EXPECT_EQ(Seen, QStringList({"start on GUI", "3,1,2", "end on GUI", "1,2,3"}));
}

TEST(Sorter, ServesItsEventsFromTheEventLoopToo) {
    auto List = Table({"b", "a"});
    TDelimitedStringsSorter Sorter(List.get());
    Sorter.SetKeyColumns({0});
    QEventLoop Loop;
    bool Ended = false;
    Sorter.OnEndSorting = [&](TObject*) {
        Ended = true;
        Loop.quit();
    };
    QTimer::singleShot(5000, &Loop, &QEventLoop::quit);
    Sorter.SortRange(0, 1);
    Loop.exec();
    EXPECT_TRUE(Ended);
    Sorter.WaitFor();
    EXPECT_EQ(Records(*List), QStringList({"a", "b"}));
}

TEST(Sorter, HandsAnEventsExceptionToTheWaitingCaller) {
    auto List = Table({"b", "a"});
    TDelimitedStringsSorter Sorter(List.get());
    Sorter.SetKeyColumns({0});
    Sorter.OnStartSorting = [](TObject*) { throw EConvertError("stop"); };
    Sorter.SortRange(0, 1);
    EXPECT_THROW(Sorter.WaitFor(), EConvertError);
    EXPECT_EQ(Records(*List), QStringList({"b", "a"}));
    // The sorter can run again afterwards.
    Sorter.OnStartSorting = nullptr;
    Sorter.SortRange(0, 1);
    Sorter.WaitFor();
    EXPECT_EQ(Records(*List), QStringList({"a", "b"}));
}

TEST(Sorter, SortTableRowsKeepsOnlyATotalsRowLast) {
    struct Case {
        QStringList Records, Expected;
    };
    const Case Cases[] = {
        {{"3@x", "1@y", "2@z"}, {"1@y", "2@z", "3@x"}},
        {{"3@x", "1@y", "Сума за филтъра@6"}, {"1@y", "3@x", "Сума за филтъра@6"}},
        {{"3@x", "1@y", "¤Общо:@6"}, {"1@y", "3@x", "¤Общо:@6"}},
        {{"1@y", "¤Общо:@6"}, {"1@y", "¤Общо:@6"}},
        {{"b"}, {"b"}},
    };
    for (const Case& C : Cases) {
        auto List = Table(C.Records);
        SortTableRows(*List, {0}, false);
        EXPECT_EQ(Records(*List), C.Expected);
    }
    auto List = Table({"1@b", "2@a"});
    SortTableRows(*List, {}, false);
    EXPECT_EQ(Records(*List), QStringList({"1@b", "2@a"}));
    SortTableRows(*List, {1, 0}, true);
    EXPECT_EQ(Records(*List), QStringList({"1@b", "2@a"}));
    SortTableRows(*List, {1, 0}, false);
    EXPECT_EQ(Records(*List), QStringList({"2@a", "1@b"}));
}

TEST(Sorter, GivesOneStableOrderHoweverTheRowsArrive) {
    // Six keys of every kind, two of them equal: every arrival order gives the same keys in the
    // same order, and the two equal rows keep the order they arrived in, both ways.
    const QStringList Keys = {"10", "9", "ябълка", "", "01.02.2024", "9"};
    const QStringList Ascending = {"", "9", "9", "10", "01.02.2024", "ябълка"};
    std::vector<int> Arrival = {0, 1, 2, 3, 4, 5};
    int Orders = 0;
    do {
        for (bool Descending : {false, true}) {
            TDelimitedStringList List;
            for (int I : Arrival)
                List.Add(Keys[I] + "@" + QString::number(I));
            SortTableRows(List, {0}, Descending);
            QStringList Sorted, Nines;
            for (int I = 0; I < List.Count(); ++I) {
                Sorted << List.GetField(I, 0);
                if (List.GetField(I, 0) == "9") Nines << List.GetField(I, 1);
            }
            QStringList Expected = Ascending;
            if (Descending) std::reverse(Expected.begin(), Expected.end());
            ASSERT_EQ(Sorted, Expected);
            const bool OneFirst =
                std::find(Arrival.begin(), Arrival.end(), 1) < std::find(Arrival.begin(), Arrival.end(), 5);
            ASSERT_EQ(Nines, OneFirst ? QStringList({"1", "5"}) : QStringList({"5", "1"}));
        }
        ++Orders;
    } while (std::next_permutation(Arrival.begin(), Arrival.end()));
    EXPECT_EQ(Orders, 720);

    // Contracts of a few dates, numbered in two yearly runs: sorted by date, every date's
    // contracts keep their numbering.
    TDelimitedStringList List;
    std::mt19937 Random(11);
    for (int Run = 0; Run < 2; ++Run)
        for (int Number = 1; Number <= 1500; ++Number)
            List.Add(QStringLiteral("%1.0%2.2026@%3@%4")
                         .arg(10 + int(Random() % 5))
                         .arg(Run + 1)
                         .arg(Number)
                         .arg(Run));
    SortTableRows(List, {0}, true);
    for (int I = 1; I < List.Count(); ++I) {
        if (List.GetField(I, 0) != List.GetField(I - 1, 0)) continue;
        ASSERT_LT(List.GetField(I - 1, 1).toInt(), List.GetField(I, 1).toInt()) << "row " << I;
    }
}

TEST(Sorter, ReadsKeyColumnsFromRecordsOfAnyShape) {
    struct Case {
        QStringList Records;
        QList<int> Columns;
        QStringList Expected;
    };
    const Case Cases[] = {
        // Columns out of order; a missing or empty field is an empty text, before any number.
        {{"b@x@2", "a@y@10", "c@z@2", "e@@", "d"}, {2, 0}, {"d", "e@@", "b@x@2", "c@z@2", "a@y@10"}},
        {{"2@b", "1@b", "3@a"}, {1, 1, 0}, {"3@a", "1@b", "2@b"}},
        {{"b", "a@1"}, {5, 0}, {"a@1", "b"}},
        {{"a@", "@b"}, {0}, {"@b", "a@"}},
        {{"@b", "a@"}, {1}, {"a@", "@b"}},
    };
    for (const Case& C : Cases) {
        auto List = Table(C.Records);
        {
            TDelimitedStringsSorter Sorter(List.get());
            Sorter.SetKeyColumns(C.Columns);
            Sorter.SortRange(0, List->Count() - 1);
        }
        EXPECT_EQ(Records(*List), C.Expected) << C.Records.join('|').toStdString();
    }
    // A range inside the list leaves the records around it alone.
    auto List = Table({"z", "c", "a", "b", "0"});
    {
        TDelimitedStringsSorter Sorter(List.get());
        Sorter.SetKeyColumns({0});
        Sorter.SortRange(1, 3);
    }
    EXPECT_EQ(Records(*List), QStringList({"z", "a", "b", "c", "0"}));
}

TEST(Sorter, TypedKeysFoldCyrillicCaseUnlessCaseSensitive) {
    const QStringList Unsorted = {"бета", "ВЯРА", "Алфа", "гама"};
    const QStringList Ordinal = {"Алфа", "ВЯРА", "бета", "гама"};
    const QStringList Folded = {"Алфа", "бета", "ВЯРА", "гама"};
    struct Case {
        bool TypedKeys, CaseSensitive;
        const QStringList& Expected;
    };
    const Case Cases[] = {{false, false, Ordinal}, {true, false, Folded}, {true, true, Ordinal}};
    for (const Case& C : Cases) {
        auto List = Table(Unsorted);
        {
            TDelimitedStringsSorter Sorter(List.get());
            Sorter.TypedKeys = C.TypedKeys;
            Sorter.CaseSensitive = C.CaseSensitive;
            Sorter.SetKeyColumns({0});
            Sorter.SortRange(0, List->Count() - 1);
        }
        EXPECT_EQ(Records(*List), C.Expected) << C.TypedKeys << C.CaseSensitive;
    }
}
