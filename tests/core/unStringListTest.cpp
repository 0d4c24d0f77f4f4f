#include "core/unStringList.h"
#include "core/unitTypes.h"

#include <gtest/gtest.h>

namespace {

// Counts its live instances so the tests see which objects a list frees.
class TCounted : public TPersistent {
public:
    explicit TCounted(int value = 0) : Value(value) { ++Alive; }
    ~TCounted() override { --Alive; }
    std::unique_ptr<TPersistent> Clone() const override { return std::make_unique<TCounted>(Value); }
    int Value;
    static inline int Alive = 0;
};

class TPlain : public TObject {};

QStringList Items(const TStringList& list) {
    return list.ToQStringList();
}

} // namespace

TEST(LineConv, SetLineSplitsAtTheDelimiterAndTrims) {
    struct Case {
        QString delimiter, line;
        bool autoTrim;
        QStringList expected;
    };
    const Case cases[] = {
        {"@", "a@b@", true, {"a", "b", ""}},
        {"@", "a@@b", true, {"a", "", "b"}},
        {"@", "@", true, {"", ""}},
        {"@", " a @ b ", true, {"a", "b"}},
        {"@", " a @ b ", false, {" a ", " b "}},
        {"@@", "a@@b@c", true, {"a", "b@c"}},
        {"", " a@b ", true, {" a@b "}},
        {"@", "", true, {}},
    };
    for (const Case& c : cases) {
        TLineConv list;
        list.SetDelimiter(c.delimiter);
        list.SetAutoTrim(c.autoTrim);
        list.SetLine(c.line);
        EXPECT_EQ(Items(list), c.expected) << c.line.toStdString();
    }
}

TEST(LineConv, JoinsItemsRangesAndNestedLists) {
    TLineConv list;
    list.SetLine("a@b@c");
    EXPECT_EQ(list.GetLine(), "a@b@c");
    EXPECT_EQ(list.GetLineRange(-3, 1), "a@b");
    EXPECT_EQ(list.GetLineRange(1, 9), "b@c");
    EXPECT_EQ(list.GetLineRange(2, 1), "");
    auto* nested = new TLineConv;
    nested->SetDelimiter(";");
    nested->SetLine("x;y");
    list.PutObject(1, nested);
    EXPECT_EQ(list.GetNestedLine(), "a@x;y@c");
    list.ClearValues();
    EXPECT_EQ(list.GetLine(), "@@");
    EXPECT_EQ(nested->GetLine(), ";");
}

TEST(LineConv, SwitchingTrimOrUpperOnChangesThePresentItems) {
    TLineConv list;
    list.SetAutoTrim(false);
    list.SetLine(QString::fromUtf8(" ab @ вг "));
    list.SetAutoUpper(true);
    EXPECT_EQ(Items(list), QStringList({QString::fromUtf8(" AB "), QString::fromUtf8(" ВГ ")}));
    list.SetAutoTrim(true);
    EXPECT_EQ(Items(list), QStringList({"AB", QString::fromUtf8("ВГ")}));
    list.SetLine("x@y");
    EXPECT_EQ(list.GetLine(), "x@y"); // SetLine itself does not upper-case
}

TEST(LineConv, FreesOwnedObjectsOnDeleteClearShrinkAndDestruction) {
    TCounted::Alive = 0;
    {
        TLineConv list;
        list.SetLine("a@b@c@d");
        for (int i = 0; i < 4; ++i)
            list.PutObject(i, new TCounted(i));
        list.Delete(0);
        EXPECT_EQ(TCounted::Alive, 3);
        list.SetItemCount(1);
        EXPECT_EQ(TCounted::Alive, 1);
        list.SetItemCount(3);
        EXPECT_EQ(Items(list), QStringList({"b", "", ""}));
    }
    EXPECT_EQ(TCounted::Alive, 0);

    // Objects of a list that does not own them survive Clear.
    TCounted kept;
    TLineConv borrowing;
    borrowing.SetFreeObjects(false);
    borrowing.AddObject("k", &kept);
    borrowing.Clear();
    EXPECT_EQ(TCounted::Alive, 1);
}

TEST(LineConv, AssignCopiesPersistentObjectsDeeplyAndDropsOthers) {
    TCounted::Alive = 0;
    TPlain plain;
    TLineConv source;
    source.SetDelimiter(";");
    source.SetAutoTrim(false);
    source.SetAutoUpper(true);
    source.AddObject("a", new TCounted(7));
    source.AddObject("b", &plain);
    source.SetFreeObjects(false);
    {
        TLineConv copy;
        copy.Assign(source);
        EXPECT_EQ(copy.Delimiter(), ";");
        EXPECT_FALSE(copy.AutoTrim());
        EXPECT_FALSE(copy.AutoUpper());
        EXPECT_FALSE(copy.FreeObjects());
        ASSERT_EQ(copy.Count(), 2);
        auto* object = dynamic_cast<TCounted*>(copy.GetObject(0));
        ASSERT_NE(object, nullptr);
        EXPECT_NE(object, source.GetObject(0));
        EXPECT_EQ(object->Value, 7);
        EXPECT_EQ(copy.GetObject(1), nullptr);
        delete object;
    }
    delete source.GetObject(0);
    EXPECT_EQ(TCounted::Alive, 0);
}

TEST(StringList, SortedListFindsIgnoresOrRefusesDuplicatesCaseInsensitively) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig"})
        list.Add(s);
    EXPECT_EQ(Items(list), QStringList({"Apple", "fig", "pear"}));
    EXPECT_EQ(list.Add("APPLE"), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf("FIG"), 1);
    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add("pear"), EStringListError);
    EXPECT_THROW(list.Put(0, "x"), EStringListError);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
    EXPECT_THROW(list.Get(3), EStringListError);
}

TEST(StringList, TextJoinsLinesWithCrLfAndSplitsAnyLineBreak) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd\r\n");
    EXPECT_EQ(Items(list), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    list.Move(0, 3);
    EXPECT_EQ(Items(list), QStringList({"b", "c", "d", "a"}));
}
