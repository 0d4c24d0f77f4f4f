#include "core/unPeriods.h"

#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unStringList.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

QDateTime FixedNow() {
    return QDateTime(QDate(2024, 6, 10), QTime(9, 0));
}

// Answers M calls from a table keyed by the code run.
class TFakeMControl : public TMControl {
public:
    int Run(const QString& Code, TMVariables& Variables) override {
        Ran << Code;
        SeenP0 << Variables.P[0];
        if (!Answers.contains(Code)) return 1;
        const TMVariables& Answer = Answers[Code];
        for (int I = 0; I < 10; ++I)
            if (!Answer.P[I].isEmpty()) Variables.P[I] = Answer.P[I];
        if (!Answer.VALUE.isEmpty()) Variables.VALUE = Answer.VALUE;
        return Status;
    }
    QMap<QString, TMVariables> Answers;
    QStringList Ran, SeenP0;
    int Status = 0;
};

const QString WorkDateCode = "S P1=$P(^VA,\"@\",4)";
const QString MonthCode = "S P1=$P($P(^VA,\"@\",4),\".\",1)";
const QString YearCode = "S P0=$P($P(^VA,\"@\",4),\".\",2)";
const QString BwCode = "s P0=$$ISBWPRINT^NASMAN()";
const QString PrintCode = "D GetPrintSettings^ReportSettings(P0,.P1)";

class Periods : public ::testing::Test {
protected:
    void SetUp() override { SetClock(FixedNow); }
    void TearDown() override {
        SetClock(nullptr);
        MControl = nullptr;
        MConnected = false;
        MPrintSettingsName.clear();
    }
    // Connects a server whose accounting period is Month.Year.
    void Connect(const QString& Month, const QString& Year) {
        Server.Answers[WorkDateCode].P[1] = Month + "." + Year;
        Server.Answers[MonthCode].P[1] = Month;
        Server.Answers[YearCode].P[0] = Year;
        MControl = &Server;
        MConnected = true;
    }
    TFakeMControl Server;
};

TDateTime Day(int Y, int M, int D) {
    return QDateToDateTime(QDate(Y, M, D));
}

QStringList Records(const TDelimitedStrings& List) {
    QStringList Result;
    for (int I = 0; I < List.Count(); ++I)
        Result << List.Get(I);
    return Result;
}

} // namespace

TEST_F(Periods, NamesEveryKindOfPeriod) {
    struct Case {
        const char* Period;
        int Language;
        bool WithYear;
        const char* Expected;
    };
    const Case Cases[] = {
        {"1@3", 0, true, "Март 2024"},
        {"1@3", 0, false, "Март"},
        {"2@2", 0, false, "Второ тримесечие"},
        {"3@1", 0, true, "Първо полугодие 2024"},
        {"4@12", 0, false, "Декември с натрупване"},
        {"6@1@3", 0, false, "Януари - Март"},
        {"5@20240101@20240131", 0, true, "01.01.2024 - 31.01.2024"},
        {"1@13", 0, false, ""},
        {"6@1@x", 0, false, ""},
        {"2@5", 0, false, ""},
        {"3@3", 1, false, ""},
        {"9@1", 0, true, "Грешка"},
        {"x", 1, true, "Грешка"},
        {"", 0, true, ""},
        {"1@3", 1, true, "March 2024"},
        {"1@3", 1, false, "March 2024"},
        {"2@4", 1, false, "Fourth quarter 2024"},
        {"3@2", 1, false, "Second half-year 2024"},
        {"4@1", 1, false, "January with accumulations 2024"},
        {"6@1@2", 1, false, "January - February 2024"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(PeriodToText(C.Period, C.Language, C.WithYear), QString::fromUtf8(C.Expected))
            << C.Period << " language " << C.Language;
    Connect("03", "2023");
    EXPECT_EQ(PeriodToText("1@3", 0, true), QString::fromUtf8("Март 2023"));
}

TEST_F(Periods, SortsATableByOneColumnWithNonZeroNumbersAsNumbers) {
    struct Case {
        QStringList Values, Expected;
    };
    const Case Cases[] = {
        {{"10", "9", "5"}, {"5", "9", "10"}},
        {{"10", "0"}, {"0", "10"}},
        {{"b", "A", "c"}, {"A", "b", "c"}},
        {{"2.5", "-1", "12"}, {"-1", "2.5", "12"}},
        {{"x"}, {"x"}},
    };
    for (const Case& C : Cases) {
        TDelimitedStringList List;
        for (const QString& V : C.Values)
            List.Add("k@" + V);
        SortDelimitedList(List, 1);
        QStringList Sorted;
        for (const QString& R : Records(List))
            Sorted << R.mid(2);
        EXPECT_EQ(Sorted, C.Expected);
    }
    // Texts that differ only in case are equal; the objects stay where they were.
    TDelimitedStringList List;
    TObject First;
    List.Add("abc@2");
    List.Add("ABC@1");
    List.Add("0@3");
    List.PutObject(0, &First);
    SortDelimitedList(List, 0);
    EXPECT_EQ(Records(List).first(), "0@3");
    EXPECT_EQ(List.GetObject(0), &First);
}

TEST_F(Periods, MatchesAccountMasks) {
    struct Case {
        const char* Mask;
        const char* Account;
        bool Expected;
    };
    const Case Cases[] = {
        {"41*", "4110", true},   {"*10", "4110", true},   {"5*", "4110", false},   {"411", "4110", true},
        {"4*1", "4110", true},   {"4**1", "4110", false}, {"*11*", "4110", true},  {"*5*", "4110", false},
        {"4*2*", "4110", false}, {"*1*0", "4110", true},  {"*2*0", "4110", false}, {"a*", "ABC", true},
        {"", "4110", true},      {"*", "4110", true},     {"1*", "4110", false},   {"*4", "4110", false},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(MatchAccountMask(C.Mask, C.Account), C.Expected) << C.Mask << " on " << C.Account;
}

TEST_F(Periods, FallsBackOnTodayWithoutAServer) {
    QString Text = "x";
    EXPECT_FALSE(GetPeriodWorkDate(Text));
    EXPECT_EQ(Text, "10.06.2024");
    EXPECT_FALSE(GetPeriodMonthStr(Text));
    EXPECT_EQ(Text, "6");
    EXPECT_FALSE(GetPeriodYearStr(Text));
    EXPECT_EQ(Text, "2024");
    bool Flag = true;
    EXPECT_FALSE(IsBwPrint(Flag));
    EXPECT_FALSE(Flag);
    TLineConv Settings;
    Settings.SetLine("keep");
    EXPECT_FALSE(ReadPrintSettings(Settings));
    EXPECT_EQ(Settings.GetLine(), "keep");
    for (TDateTime D : {Day(2024, 6, 10), Day(2030, 1, 31), Day(2024, 7, 1) + 0.5})
        EXPECT_EQ(LimitDateToPeriod(false, D), D);
}

TEST_F(Periods, AsksAConnectedServerForTheAccountingPeriod) {
    Connect("02", "2024");
    QString Text;
    EXPECT_TRUE(GetPeriodWorkDate(Text));
    EXPECT_EQ(Text, "29.02.2024");
    EXPECT_TRUE(GetPeriodMonthStr(Text));
    EXPECT_EQ(Text, "02");
    struct Case {
        bool UseLastDay;
        TDateTime Date, Expected;
    };
    const Case Cases[] = {
        {false, Day(2024, 2, 10), Day(2024, 2, 10)}, {false, Day(2023, 12, 31), Day(2023, 12, 31)},
        {false, Day(2024, 5, 15), Day(2024, 2, 15)}, {false, Day(2024, 5, 31), Day(2024, 2, 29)},
        {true, Day(2024, 3, 1), Day(2024, 2, 29)},   {true, Day(2024, 1, 5), Day(2024, 1, 5)},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(LimitDateToPeriod(C.UseLastDay, C.Date), C.Expected) << DateToStr(C.Date).toStdString();

    // The work date is never later than today.
    Connect("12", "2024");
    EXPECT_TRUE(GetPeriodWorkDate(Text));
    EXPECT_EQ(Text, "10.06.2024");
    // A period the server gives in a form that is no month leaves the date alone.
    Connect("ab", "2024");
    EXPECT_EQ(LimitDateToPeriod(false, Day(2025, 1, 1)), Day(2025, 1, 1));
}

TEST_F(Periods, ReadsPrintOptionsAndTheBlackAndWhiteFlag) {
    Server.Answers[BwCode].P[0] = "1";
    Server.Answers[PrintCode].P[1] = "0@1@0@60";
    MControl = &Server;
    MPrintSettingsName = "GRID";
    bool Flag = false;
    EXPECT_FALSE(IsBwPrint(Flag)); // not connected
    TLineConv Settings;
    EXPECT_TRUE(ReadPrintSettings(Settings)); // asked whenever the control exists
    EXPECT_EQ(Settings.GetLine(), "0@1@0@60@@@@");
    EXPECT_EQ(Server.SeenP0.last(), "GRID");
    MConnected = true;
    EXPECT_TRUE(IsBwPrint(Flag));
    EXPECT_TRUE(Flag);
    Server.Status = 3;
    EXPECT_FALSE(IsBwPrint(Flag));
    EXPECT_FALSE(Flag);
    EXPECT_EQ(Server.Ran, QStringList({PrintCode, BwCode, BwCode}));
}

TEST_F(Periods, ReadsAServerSettingOnlyWhenConnected) {
    const QString Code = "s VALUE=$g(^NAS(\"83\"))";
    QString Value = "x";
    EXPECT_FALSE(ReadNasValue("\"83\"", Value));
    EXPECT_EQ(Value, "");
    Server.Answers[Code].VALUE = "1";
    MControl = &Server;
    EXPECT_FALSE(ReadNasValue("\"83\"", Value)) << "not connected";
    MConnected = true;
    EXPECT_TRUE(ReadNasValue("\"83\"", Value));
    EXPECT_EQ(Value, "1");
    EXPECT_EQ(Server.Ran.last(), Code);
    Server.Status = 5;
    EXPECT_FALSE(ReadNasValue("\"83\"", Value));
    EXPECT_EQ(Value, "");
}

TEST_F(Periods, ReadsTheFkoRecordIntoThirtyOneItems) {
    const QString Code =
        "S P2=^FKO S P3=$O(^FKO(P2,\"\")) S P1=^FKO(P2,P3) S $P(P1,\"@\",3)=P3 S P1=P2_\"@\"_P1";
    TLineConv Record;
    Record.SetLine("keep");
    EXPECT_FALSE(ReadFkoRecord(Record));
    EXPECT_EQ(Record.GetLine(), "keep");
    Server.Answers[Code].P[1] = "2024@Фирма@@3";
    MControl = &Server;
    EXPECT_FALSE(ReadFkoRecord(Record)) << "not connected";
    MConnected = true;
    ASSERT_TRUE(ReadFkoRecord(Record));
    EXPECT_EQ(Server.Ran.last(), Code);
    EXPECT_EQ(Record.Count(), 31);
    EXPECT_EQ(Record.Get(0), "2024");
    EXPECT_EQ(Record.Get(1), "Фирма");
    EXPECT_EQ(Record.Get(3), "3");
    EXPECT_EQ(Record.Get(30), "");
    Server.Answers[Code].P[1] = QStringList(40, "x").join('@');
    ASSERT_TRUE(ReadFkoRecord(Record));
    EXPECT_EQ(Record.Count(), 31);
    Server.Status = 2;
    Record.SetLine("keep");
    EXPECT_FALSE(ReadFkoRecord(Record));
    EXPECT_EQ(Record.GetLine(), "keep");
}
