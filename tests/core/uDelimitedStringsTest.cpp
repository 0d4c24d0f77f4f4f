#include "core/uDelimitedStrings.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Deg(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char('~'), RecordDelimiterChar);
}

QStringList Records(const TDelimitedStrings& table) {
    QStringList result;
    for (int i = 0; i < table.Count(); ++i)
        result.append(table.Get(i));
    return result;
}

} // namespace

TEST(DelimitedStrings, TextLoadsOneRecordPerPieceAndJoinsBack) {
    struct Case {
        QString text;
        QStringList records;
    };
    const Case cases[] = {
        {"", {}},
        {Deg("a~~b"), {"a", "", "b"}},
        {Deg("a~"), {"a", ""}},
        {Deg("~"), {"", ""}},
        {Deg("~a~~"), {"", "a", "", ""}},
        {Deg("1@Иван@~2@Мария@x"), {QString::fromUtf8("1@Иван@"), QString::fromUtf8("2@Мария@x")}},
    };
    for (const Case& c : cases) {
        TDelimitedStringList table;
        table.SetTextStr(c.text);
        EXPECT_EQ(Records(table), c.records) << c.text.toStdString();
        EXPECT_EQ(table.GetTextStr(), c.text);
        EXPECT_EQ(table.HasData(), !c.text.isEmpty());
    }
}

TEST(DelimitedStrings, AddTextAppendsRecordsWhileAddKeepsOneRecord) {
    TDelimitedStringList table;
    table.AddText(Deg("a~b"));
    table.AddText(Deg("c"));
    table.Add(Deg("d~e"));
    EXPECT_EQ(table.Count(), 4);
    EXPECT_EQ(table.Get(3), Deg("d~e"));
    table.SetTextStr("x");
    EXPECT_EQ(Records(table), QStringList({"x"}));
}

TEST(DelimitedStrings, FieldsReadUpToOnePastTheLastAndWritePadding) {
    TDelimitedStringList table;
    table.SetTextStr(Deg("1@x@~a"));
    EXPECT_EQ(table.GetRowFieldCount(0), 3);
    EXPECT_EQ(table.GetField(0, 1), "x");
    EXPECT_EQ(table.GetField(0, 2), "");
    EXPECT_EQ(table.GetField(0, 3), "");
    EXPECT_THROW(table.GetField(0, 4), EStringListError);
    EXPECT_THROW(table.GetField(0, -1), EStringListError);
    EXPECT_THROW(table.GetField(2, 0), EStringListError);

    table.SetField(1, 5, "v");
    EXPECT_EQ(table.Get(1), "a@@@@@v");
    table.SetField(0, 0, QString::fromUtf8("Ж"));
    EXPECT_EQ(table.Get(0), QString::fromUtf8("Ж@x@"));
    table.SetRowFieldCount(1, 2);
    EXPECT_EQ(table.Get(1), "a@");
    table.SetFieldCount(4);
    EXPECT_EQ(table.GetTextStr(), Deg("Ж@x@@~a@@@"));
    EXPECT_THROW(table.SetFieldCount(-1), EStringListError);

    TDelimitedStringList empty;
    EXPECT_EQ(empty.GetTextStr(), "");
    EXPECT_THROW(empty.GetField(0, 0), EStringListError);
}

TEST(DelimitedStrings, SortedListIgnoresRefusesOrAcceptsDuplicates) {
    TDelimitedStringList table;
    table.SetTextStr(Deg("b@2~A@1~c@3"));
    table.SetSorted(true);
    EXPECT_EQ(Records(table), QStringList({"A@1", "b@2", "c@3"}));
    EXPECT_EQ(table.Add("a@1"), 0);
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table.IndexOf("C@3"), 2);
    EXPECT_THROW(table.Put(0, "x"), EStringListError);
    EXPECT_THROW(table.Insert(0, "x"), EStringListError);
    EXPECT_THROW(table.Move(0, 1), EStringListError);
    table.SetDuplicates(dupError);
    EXPECT_THROW(table.Add("B@2"), EStringListError);
    table.SetDuplicates(dupAccept);
    EXPECT_EQ(table.Add("B@2"), 1); // leftmost of the equal records
    EXPECT_EQ(table.Count(), 4);
    EXPECT_EQ(table.Get(2), "b@2");
}

TEST(DelimitedStrings, RefusalsLeaveTheTableUnchanged) {
    TDelimitedStringList table;
    table.SetTextStr(Deg("a~b"));
    EXPECT_THROW(table.Delete(2), EStringListError);
    EXPECT_THROW(table.Exchange(0, 2), EStringListError);
    EXPECT_THROW(table.Insert(3, "x"), EStringListError);
    EXPECT_THROW(table.Move(0, 2), EStringListError);
    EXPECT_EQ(table.GetTextStr(), Deg("a~b"));

    TDelimitedStringList other(QChar('|'), QChar('@'));
    other.Add("z");
    EXPECT_THROW(table.AddStrings(other), EDifferentDelimiters);
    EXPECT_THROW(table.AddStrings(TPersistent()), EAddStringsFailed);
    EXPECT_EQ(table.Count(), 2);
}

TEST(DelimitedStrings, RecordOperationsKeepObjectsAndNotifyOnce) {
    TObject one, two;
    TDelimitedStringList table;
    int changing = 0, changed = 0;
    table.OnChanging = [&](TObject*) { ++changing; };
    table.OnChange = [&](TObject*) { ++changed; };
    table.AddObject("a", &one);
    table.AddObject("b", &two);
    table.Exchange(0, 1);
    EXPECT_EQ(table.GetObject(0), &two);
    table.Move(0, 1);
    EXPECT_EQ(Records(table), QStringList({"a", "b"}));
    EXPECT_EQ(table.GetObject(1), &two);
    EXPECT_EQ(changing, changed);

    // KeepRecords sees the records as Get reads them and keeps the accepted in order with their objects.
    TObject three;
    table.Add("c");
    table.AddObject("d", &three);
    table.Add("e");
    changing = changed = 0;
    table.OnReadRecord = [](TDelimitedStrings*, int, bool&, bool&, QString& record, int) {
        record = record.toUpper();
    };
    table.KeepRecords([](const QString& record) { return record == "B" || record == "D"; });
    table.OnReadRecord = nullptr;
    EXPECT_EQ(Records(table), QStringList({"b", "d"}));
    EXPECT_EQ(table.GetObject(0), &two);
    EXPECT_EQ(table.GetObject(1), &three);
    EXPECT_EQ(std::pair(changing, changed), std::pair(1, 1));
    table.KeepRecords([](const QString&) { return false; });
    EXPECT_EQ(table.Count(), 0);

    changing = changed = 0;
    table.SetText(Deg("x~y~z"));
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    table.Clear();
    EXPECT_FALSE(table.HasData());
    EXPECT_EQ(table.GetCapacity(), 0);
}

TEST(DelimitedStrings, AssignAndAddStringsCopyRecordsWithObjects) {
    TObject marker;
    TDelimitedStringList source(QChar('|'), QChar(';'));
    source.AddObject("a;1", &marker);
    source.Add("b;2");

    TDelimitedStringList copy;
    copy.Assign(source);
    EXPECT_EQ(copy.RecordDelimiter(), QChar('|'));
    EXPECT_EQ(copy.FieldDelimiter(), QChar(';'));
    EXPECT_EQ(copy.GetField(1, 1), "2");
    EXPECT_EQ(copy.GetObject(0), &marker);

    copy.AddStrings(source);
    EXPECT_EQ(copy.GetTextStr(), "a;1|b;2|a;1|b;2");

    TStringList lines;
    copy.AssignTo(lines);
    EXPECT_EQ(lines.Count(), 4);
    TDelimitedStringList fromLines;
    fromLines.Assign(lines);
    EXPECT_EQ(fromLines.Count(), 4);
}

TEST(DelimitedStrings, ParseCallbackCanReplaceRecordsOrStopTheLoad) {
    TDelimitedStringList table;
    table.OnParseRecord = [](TDelimitedStrings*, int count, bool& abort, bool&, QString& record, int no) {
        EXPECT_EQ(count, 4);
        record = record.toUpper();
        abort = no == 3;
    };
    table.SetTextStr(Deg("a~b~c~d"));
    EXPECT_EQ(Records(table), QStringList({"A", "B"}));

    // A callback that says a record is separated must not leave a record delimiter in it.
    table.OnParseRecord = [](TDelimitedStrings*, int, bool&, bool& separated, QString& record, int) {
        separated = true;
        if (record != "b") record += RecordDelimiterChar;
    };
    EXPECT_THROW(table.SetTextStr("a"), ERecordDelimiterFoundInAlreadySeparatedString);
    table.OnParseRecord = [](TDelimitedStrings*, int, bool&, bool& separated, QString& record, int) {
        separated = true;
        if (record.isEmpty()) record += RecordDelimiterChar;
    };
    EXPECT_THROW(table.SetTextStr(Deg("a~~b")), EExtraRecordDelimiterFoundInAlreadySeparatedString);
}

TEST(DelimitedStrings, TrimRecordsAndTheAttachedGridRefusals) {
    TDelimitedStringList table;
    table.SetTrimRecords(true);
    table.SetTextStr(Deg(" a ~\tb"));
    EXPECT_EQ(Records(table), QStringList({"a", "b"}));

    table.SetGrid(reinterpret_cast<TStringGrid*>(&table)); // only the pointer is looked at
    EXPECT_THROW(table.Delete(0), ECannotCallThisMethodOnAttachedGrid);
    EXPECT_THROW(table.KeepRecords([](const QString&) { return false; }),
                 ECannotCallThisMethodOnAttachedGrid);
    EXPECT_THROW(table.IndexOf("a"), ECannotCallThisMethodOnAttachedGrid);
    EXPECT_THROW(table.SetRowFieldCount(0, 2), ECannotChangeGridColumnsForSingleRow);
    EXPECT_EQ(table.Count(), 2);
    table.SetGrid(nullptr);
}

TEST(DelimitedStrings, SavesAndLoadsFilesAsUtf8Text) {
    QTemporaryDir dir;
    const QString name = dir.filePath("table.txt");
    TDelimitedStringList table;
    table.SetTextStr(Deg("1@Иван~2@Мария"));
    table.SaveToFile(name);
    TDelimitedStringList loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.GetTextStr(), table.GetTextStr());
    EXPECT_THROW(loaded.LoadFromFile(dir.filePath("missing.txt")), EStringListError);
}
