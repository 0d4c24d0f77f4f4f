#include "core/unStringFuncs.h"
#include "core/unStringList.h"

#include <gtest/gtest.h>

namespace {
const QChar At('@');
}

TEST(Pieces, CountReadAndJoinPiecesIncludingEmptyAndMissingOnes) {
    EXPECT_EQ(PieceCount("", At), 1);
    EXPECT_EQ(PieceCount("a@@", At), 3);
    struct Case {
        QString text;
        int n;
        QString expected;
    };
    const Case pieces[] = {
        {"a@b", 2, ""},    {"@b", 0, ""},
        {"@b", 1, "b"},    {"a@b@c", 1, "b"},
        {"a@b@c", 2, "c"}, {"a@b", -1, ""},
        {"", 0, ""},       {QString::fromUtf8("Иван@Петров"), 1, QString::fromUtf8("Петров")},
    };
    for (const Case& c : pieces)
        EXPECT_EQ(GetPiece(c.text, At, c.n), c.expected) << c.text.toStdString();

    struct Range {
        QString text;
        int from, to;
        QString expected;
    };
    const Range ranges[] = {
        {"a@b@c", -5, 1, "a@b"}, {"a@b", 1, 3, "b@@"}, {"a@b@c", 1, 2, "b@c"},
        {"a@b@c", 2, 1, ""},     {"a@b@c", 0, -1, ""}, {"a", 2, 3, "@"},
    };
    for (const Range& r : ranges)
        EXPECT_EQ(GetPieces(r.text, At, r.from, r.to), r.expected) << r.text.toStdString() << r.from << r.to;
}

TEST(Pieces, SetPieceAndPieceCountPadOrCutTheText) {
    struct Case {
        QString text;
        int n;
        QString expected;
    };
    const Case setPiece[] = {
        {"a", 3, "a@@@x"},     {"a", 1, "a@x"}, {"a@b", 0, "x@b"},
        {"a@b@c", 1, "a@x@c"}, {"", 0, "x"},    {"a", -1, "a"},
    };
    for (const Case& c : setPiece) {
        QString t = c.text;
        SetPiece(t, At, c.n, "x");
        EXPECT_EQ(t, c.expected) << c.text.toStdString() << " " << c.n;
    }
    const Case setCount[] = {
        {"a@b@c", 2, "a@b"}, {"a", 3, "a@@"}, {"", 2, "@"}, {"a@b", 0, "a@b"}, {"a@b", 2, "a@b"},
    };
    for (const Case& c : setCount) {
        QString t = c.text;
        SetPieceCount(t, At, c.n);
        EXPECT_EQ(t, c.expected) << c.text.toStdString() << " " << c.n;
    }
}

TEST(Tokens, SplitAtADelimiterStringWithoutTrimmingUnlessAsked) {
    EXPECT_EQ(GetTokenCount("", "@"), 0);
    EXPECT_EQ(GetTokenCount("a@b@", "@"), 3);
    EXPECT_EQ(GetTokenCount("a@@@b", "@@"), 2);
    EXPECT_EQ(GetToken(" a @ b ", "@", 0), " a ");
    EXPECT_EQ(GetTokenTrimmed(" a @\tb ", "@", 1), "b");
    EXPECT_EQ(GetToken("a@@b@c", "@@", 1), "b@c");
    EXPECT_EQ(GetToken("a@b", "@", 2), "");
    EXPECT_EQ(GetToken("abc", "", 0), "abc");
}

TEST(Tokens, SplitToKeyedListsKeysEachNonEmptyRecordByItsFirstField) {
    TStringList list;
    EXPECT_TRUE(SplitToKeyedLists(" 1 , a ; ;2,b,c", list, ";", ","));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "1");
    EXPECT_EQ(list[1], "2");
    auto* second = dynamic_cast<TLineConv*>(list.GetObject(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetLine(), "2,b,c");
    EXPECT_EQ(dynamic_cast<TLineConv*>(list.GetObject(0))->GetLine(), "1,a");
    for (int i = 0; i < list.Count(); ++i)
        delete list.GetObject(i);
}

TEST(TextFunctions, ReplaceRemovePadAndFold) {
    EXPECT_EQ(ReplaceChar("1,5,0", ',', '.'), "1.5.0");
    EXPECT_EQ(RemoveChar("1 234 567", ' '), "1234567");
    EXPECT_EQ(ReplaceStr("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceStr("ab", "", "x"), "ab");
    EXPECT_EQ(ReplaceStr("ab", "abc", "x"), "ab");
    EXPECT_EQ(ReplaceStr("AbAB", "ab", "x"), "AbAB");
    EXPECT_EQ(EnsureTrailing("C:\\Shop", "\\"), "C:\\Shop\\");
    EXPECT_EQ(EnsureTrailing("C:\\Shop\\", "\\"), "C:\\Shop\\");
    EXPECT_EQ(EnsureTrailing("", "\\"), "");
    EXPECT_EQ(UpperCaseAscii(QString::fromUtf8("abz-ая")), QString::fromUtf8("ABZ-ая"));
    EXPECT_EQ(PadLeft("7", '0', 3), "007");
    EXPECT_EQ(PadLeft("1234", '0', 3), "1234");
    EXPECT_EQ(PadLeftBlanks("ab", 4), "  ab");
    EXPECT_EQ(Trim(QString::fromUtf8("\t a\u00A0 \r\n")), QString::fromUtf8("a\u00A0"));
}

TEST(TextFunctions, WinToMikShiftsCyrillicLettersToTheDosCodePage) {
    const QByteArray mik = WinToMik(QString::fromUtf8("Аяa1€"));
    ASSERT_EQ(mik.size(), 5);
    EXPECT_EQ(uchar(mik[0]), 128);
    EXPECT_EQ(uchar(mik[1]), 191);
    EXPECT_EQ(mik.mid(2, 2), "a1");
    EXPECT_EQ(uchar(mik[4]), 0x88); // "€" is 0x88 in code page 1251, below the shifted range
    EXPECT_EQ(WinToMik(QString::fromUtf8("中")), "?");
}

TEST(TextFunctions, ComparePrefixAndSuffix) {
    struct Case {
        QString a, b;
        bool ignoreCase;
        int prefix, suffix;
    };
    const Case cases[] = {
        {"ab", "abc", false, 0, -1}, {"AB", "abc", true, 0, -1}, {"AB", "abc", false, -1, -1},
        {"bc", "abc", false, 1, 0},  {"abc", "c", false, -1, 1}, {"  c", "c", false, -1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComparePrefix(c.a, c.b, c.ignoreCase), c.prefix)
            << c.a.toStdString() << "|" << c.b.toStdString();
        EXPECT_EQ(CompareSuffix(c.a, c.b, c.ignoreCase), c.suffix)
            << c.a.toStdString() << "|" << c.b.toStdString();
    }
}
