#include "Components/Filter/FilterEngine.h"

#include "core/unNumbers.h"

#include <gtest/gtest.h>

namespace {

// 10 June 2024, a 30-day month.
QDateTime FixedNow() {
    return QDateTime(QDate(2024, 6, 10), QTime(12, 30));
}

class FilterEngine : public ::testing::Test {
protected:
    void SetUp() override { SetClock(FixedNow); }
    void TearDown() override { SetClock(nullptr); }
};

struct MatchCase {
    const char* Criterion;
    const char* Value;
    bool Expected;
};

void ExpectMatches(int Kind, std::initializer_list<MatchCase> Cases) {
    for (const MatchCase& C : Cases) {
        const TFilterMan Filter(QString::fromUtf8(C.Criterion), Kind);
        EXPECT_EQ(Filter.Matches(QString::fromUtf8(C.Value)), C.Expected)
            << "kind " << Kind << ": \"" << C.Criterion << "\" on \"" << C.Value << "\"";
    }
}

} // namespace

TEST_F(FilterEngine, ReadsEveryFormOfAnAlternative) {
    struct Case {
        QString Text;
        int Kind;
        QString From, To, Pattern, Value;
    };
    const Case Cases[] = {
        {"", fkNone, "", "", "", ""},         {"~", fkNone, "", "", "", ""},
        {"'", fkNone, "", "", "", ""},        {":", fkNone, "", "", "", ""},
        {"A:B", fkBetween, "A", "B", "", ""}, {"A:B:C", fkBetween, "A", "B:C", "", ""},
        {"A:", fkFrom, "A", "", "", ""},      {":B", fkTo, "", "B", "", ""},
        {"~X", fkBegins, "", "", "X", ""},    {"X~", fkEnds, "", "", "X", ""},
        {"~X~", fkBegins, "", "", "X~", ""},  {"X", fkEqual, "", "", "", "X"},
        {"'X", fkNotEqual, "", "", "", "X"},  {"'A:B", fkNotEqual, "", "", "", "A:B"},
    };
    for (const Case& C : Cases) {
        const TCriterionParts P = ParseCriterion(C.Text);
        EXPECT_EQ(P.Kind, C.Kind) << C.Text.toStdString();
        EXPECT_EQ(QStringList({P.From, P.To, P.Pattern, P.Value}),
                  QStringList({C.From, C.To, C.Pattern, C.Value}))
            << C.Text.toStdString();
    }
}

TEST_F(FilterEngine, MatchesTextColumns) {
    ExpectMatches(fmkText, {
                               {"", "anything", true}, {"abc;", "zzz", true},  {"~;';:", "zzz", true},
                               {"ab", "Ab", true},     {"иван", "ИВАН", true}, {"10:20", "100", true},
                               {"10:20", "3", false},  {"b:", "c", true},      {"b:", "a", false},
                               {":b", "b", true},      {"~ab", "abc", true},   {"~ab", "xab", false},
                               {"ab~", "cab", true},   {"a*", "ABC", true},    {"a?c", "abc", true},
                               {"a?c", "ab", false},   {"'x", "y", true},      {"'x", "x", false},
                               {"'a*", "abc", false},  {"x; y", "Y", true},    {"x;y", "z", false},
                           });
}

TEST_F(FilterEngine, MatchesNumberAndIntegerColumns) {
    ExpectMatches(fmkNumber, {
                                 {"~12", "123.5", true},
                                 {"~12", "12", true},
                                 {"~12", "312", false},
                                 {"5~", "125", true},
                                 {"5~", "5", true},
                                 {"10:20", "15", true},
                                 {"10:20", "100", false},
                                 {"10:20", "9.5", false},
                                 {"10:", "10", true},
                                 {":2.5", "2.50", true},
                                 {":1", "", true},
                                 {"12.5", "12.5", true},
                                 {"'12.5", "12.5", false},
                             });
    ExpectMatches(fmkInteger, {
                                  {"1:3", "2", true},
                                  {"1:3", "4", false},
                                  {"abc:", "0", true},
                                  {":0", "x", true},
                                  {"~4", "42", true},
                              });
}

TEST_F(FilterEngine, RefusesNumberBoundsAndValuesThatAreNoNumbers) {
    EXPECT_THROW(TFilterMan("abc:", fmkNumber), EConvertError);
    EXPECT_THROW(TFilterMan("1:x", fmkNumber), EConvertError);
    EXPECT_NO_THROW(TFilterMan("abc", fmkNumber)); // a plain value stays a text
    const TFilterMan Filter("1:5", fmkNumber);
    EXPECT_THROW(Filter.Matches("n/a"), EConvertError);
}

TEST_F(FilterEngine, MatchesDateColumnsAgainstTheClock) {
    ExpectMatches(fmkDate, {
                               {"01.02:15.02", "20240205", true},
                               {"01.02:15.02", "20240216", false},
                               {"15.02", "20240215", true},
                               {"31.02", "20240229", true},
                               {"1.2.24", "20240201", true},
                               {"1.2.40", "19400201", true},
                               {"10", "20240610", true},
                               {"'10", "20240610", false},
                               {"'10", "20240611", true},
                               {"1.1.2023:", "20230101", true},
                               {":1.1.2023", "20230102", false},
                               {"~5.3", "20240305", true},
                               {"", "garbage", true},
                               {"~", "garbage", false},
                               {"1.1:31.12", "2024xx01", false},
                           });
}

TEST_F(FilterEngine, RefusesDatesThatDoNotExist) {
    for (const char* Bad : {"31", "0.5", "5.13", "31.04.0", "1.1.0", "1.1.202", "x"})
        EXPECT_THROW(TFilterMan(Bad, fmkDate), EConvertError) << Bad;
    // Four pieces or more stand for the moment the filter was made.
    const TDateFilter Many("1.2.3.4", true);
    EXPECT_EQ(Many.GetText(), "10.06.2024");
}

TEST_F(FilterEngine, RebuildsTheCriterionTextAndDescriptions) {
    struct Case {
        int Kind;
        QString Text, Expected;
    };
    const Case Cases[] = {
        {fmkText, "a:b;~c;d~;'e", "None : \"A:B\"; None : \"~C\"; None : \"D~\"; None : \"'E\""},
        {fmkNumber, "1:2.5;7", "None : \"1.00:2.50\"; None : \"7\""},
        {fmkInteger, "3:", "None : \"3:\""},
        {fmkDate, "1.2:3.4", "None : \"01.02.2024:03.04.2024\""},
        {fmkText, "x;", "None : \"X\"; None : \"\""},
        {0, "x", "None : \"\""},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(TFilterMan(C.Text, C.Kind).GetDescription(), C.Expected) << C.Text.toStdString();
}

TEST_F(FilterEngine, DescribesTheFieldTree) {
    auto Root = std::make_unique<TFieldProps>();
    Root->Name = QString::fromUtf8("Договори");
    TFieldProps* Date = Root->Add();
    Date->Name = QString::fromUtf8("Дата");
    Date->ColIndex = 1;
    TFieldProps* Sum = Root->Add();
    Sum->Name = QString::fromUtf8("Сума");
    Sum->Add()->Name = QString::fromUtf8("главница");
    Sum->Add()->Name = QString::fromUtf8("лихва");
    EXPECT_EQ(Date->Precision, AmountDecimals);

    TStringList Leaves;
    CollectFieldLeaves(Root.get(), Leaves);
    EXPECT_EQ(Leaves.ToQStringList(), QStringList({QString::fromUtf8("Договори - Дата"),
                                                   QString::fromUtf8("Договори - Сума - главница"),
                                                   QString::fromUtf8("Договори - Сума - лихва")}));
    EXPECT_EQ(Leaves.GetObject(0), Date);

    delete Sum->Children(0);
    EXPECT_EQ(Sum->Count(), 1);
    EXPECT_EQ(FieldPropsFullName(Sum->Children(0), "/"), QString::fromUtf8("Договори/Сума/лихва"));
    Root->Clear();
    EXPECT_EQ(Root->Count(), 0);

    const int Kinds[] = {FilterKindOfFieldType(0), FilterKindOfFieldType(1), FilterKindOfFieldType(2),
                         FilterKindOfFieldType(3), FilterKindOfFieldType(4)};
    EXPECT_EQ(std::vector<int>(std::begin(Kinds), std::end(Kinds)), std::vector<int>({1, 2, 4, 3, 0}));
}
