#include "core/unPeriods.h"

#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unSorter.h"
#include "core/unStringFuncs.h"
#include "core/unStringList.h"

#include <QDate>
#include <QStringList>
#include <algorithm>
#include <vector>

TMControl* MControl = nullptr;
bool MConnected = false;
QString MPrintSettingsName;

namespace {

const char* const MonthsBg[] = {"Януари", "Февруари", "Март",      "Април",    "Май",     "Юни",
                                "Юли",    "Август",   "Септември", "Октомври", "Ноември", "Декември"};
const char* const QuartersBg[] = {"Първо тримесечие", "Второ тримесечие", "Трето тримесечие",
                                  "Четвърто тримесечие"};
const char* const HalvesBg[] = {"Първо полугодие", "Второ полугодие"};
const char* const MonthsEn[] = {"January", "February", "March",     "April",   "May",      "June",
                                "July",    "August",   "September", "October", "November", "December"};
const char* const QuartersEn[] = {"First quarter", "Second quarter", "Third quarter", "Fourth quarter"};
const char* const HalvesEn[] = {"First half-year", "Second half-year"};

// Entry N (from 1) of a name table; "" outside it.
template <size_t Size> QString NameOf(const char* const (&Table)[Size], int N) {
    return N >= 1 && N <= int(Size) ? QString::fromUtf8(Table[N - 1]) : QString();
}

int PeriodField(const QString& Period, int N) {
    bool Ok = false;
    const int Value = GetPiece(Period, QLatin1Char('@'), N).toInt(&Ok);
    return Ok ? Value : -1;
}

bool IsMonth(int N) {
    return N >= 1 && N <= 12;
}

// Runs one M call with emptied variables; false without a connected server or on a failed run.
bool RunM(const QString& Code, TMVariables& Variables, bool NeedConnection = true) {
    if (!MControl || (NeedConnection && !MConnected)) return false;
    Variables = TMVariables();
    return MControl->Run(Code, Variables) == 0;
}

QDate Today() {
    return DateTimeToQDate(Date());
}

} // namespace

QString PeriodToText(const QString& Period, int Language, bool WithYear) {
    if (Period.isEmpty()) return QString();
    const int Kind = PeriodField(Period, 0), A = PeriodField(Period, 1), B = PeriodField(Period, 2);
    if ((Kind == pkMonth || Kind == pkAccumulatedMonth) && !IsMonth(A)) return QString();
    if (Kind == pkMonthRange && (!IsMonth(A) || !IsMonth(B))) return QString();
    QString Year;
    GetPeriodYearStr(Year);

    if (Language != 0 && Language != 1) return QString();
    QString Text;
    if (Kind == pkDateRange) {
        return Format("%s - %s", {DateToStr(DateFromYyyymmdd(GetPiece(Period, QLatin1Char('@'), 1))),
                                  DateToStr(DateFromYyyymmdd(GetPiece(Period, QLatin1Char('@'), 2)))});
    }
    if (Language == 0) {
        switch (Kind) {
        case pkMonth:
            Text = NameOf(MonthsBg, A);
            break;
        case pkQuarter:
            Text = NameOf(QuartersBg, A);
            break;
        case pkHalfYear:
            Text = NameOf(HalvesBg, A);
            break;
        case pkAccumulatedMonth:
            Text = NameOf(MonthsBg, A) + QString::fromUtf8(" с натрупване");
            break;
        case pkMonthRange:
            Text = Format("%s - %s", {NameOf(MonthsBg, A), NameOf(MonthsBg, B)});
            break;
        default:
            return QString::fromUtf8("Грешка");
        }
    } else if (Language == 1) {
        // The English texts carry their year already.
        switch (Kind) {
        case pkMonth:
            Text = NameOf(MonthsEn, A);
            break;
        case pkQuarter:
            Text = NameOf(QuartersEn, A);
            break;
        case pkHalfYear:
            Text = NameOf(HalvesEn, A);
            break;
        case pkAccumulatedMonth:
            Text = NameOf(MonthsEn, A) + QStringLiteral(" with accumulations");
            break;
        case pkMonthRange:
            Text = Format("%s - %s", {NameOf(MonthsEn, A), NameOf(MonthsEn, B)});
            break;
        default:
            return QString::fromUtf8("Грешка");
        }
        return Text.isEmpty() ? Text : Text + QLatin1Char(' ') + Year;
    }
    if (Text.isEmpty()) return Text;
    return WithYear ? Text + QLatin1Char(' ') + Year : Text;
}

void SortDelimitedList(TDelimitedStrings& List, int Col) {
    if (List.Count() < 2) return;
    TDelimitedStringsSorter Sorter(&List);
    Sorter.SetKeyColumns({Col});
    Sorter.TypedKeys = true;
    Sorter.SortRange(0, List.Count() - 1);
    Sorter.WaitFor();
}

bool MatchAccountMask(const QString& Mask, const QString& Account) {
    const QString M = Mask.toUpper(), A = Account.toUpper();
    if (A.contains(M)) return true;
    const QChar Star = QLatin1Char('*');
    // Every "*"-part of Rest occurs in A; an empty part never does.
    const auto AllParts = [&](const QString& Rest) {
        if (!Rest.contains(Star)) return false;
        const QStringList Parts = Rest.split(Star);
        return std::all_of(Parts.begin(), Parts.end(),
                           [&](const QString& P) { return !P.isEmpty() && A.contains(P); });
    };
    const bool Begins = M.startsWith(Star), Ends = M.endsWith(Star);
    if (!Begins && !Ends) return AllParts(M);
    if (Ends && !Begins) {
        const QString Rest = M.chopped(1);
        if (!A.startsWith(Rest.section(Star, 0, 0))) return false;
        return A.startsWith(Rest) || AllParts(Rest);
    }
    if (Begins && !Ends) {
        const QString Rest = M.mid(1);
        if (!A.endsWith(Rest.section(Star, -1))) return false;
        return A.endsWith(Rest) || AllParts(Rest);
    }
    const QString Rest = M.size() >= 2 ? M.mid(1, M.size() - 2) : QString();
    return A.contains(Rest) || AllParts(Rest);
}

bool GetPeriodWorkDate(QString& Text) {
    TMVariables V;
    if (!RunM(QStringLiteral("S P1=$P(^VA,\"@\",4)"), V)) {
        Text = DateToStr(Date());
        return false;
    }
    const QDate First(GetPiece(V.P[1], QLatin1Char('.'), 1).toInt(),
                      GetPiece(V.P[1], QLatin1Char('.'), 0).toInt(), 1);
    const QDate Now = Today();
    const QDate Work = First.isValid() ? std::min(Now, First.addDays(First.daysInMonth() - 1)) : Now;
    Text = DateToStr(QDateToDateTime(Work));
    return true;
}

bool GetPeriodMonthStr(QString& Text) {
    TMVariables V;
    if (!RunM(QStringLiteral("S P1=$P($P(^VA,\"@\",4),\".\",1)"), V)) {
        Text = QString::number(Today().month());
        return false;
    }
    Text = V.P[1];
    return true;
}

bool GetPeriodYearStr(QString& Text) {
    TMVariables V;
    if (!RunM(QStringLiteral("S P0=$P($P(^VA,\"@\",4),\".\",2)"), V)) {
        Text = QString::number(Today().year());
        return false;
    }
    Text = V.P[0];
    return true;
}

bool IsBwPrint(bool& Flag) {
    TMVariables V;
    Flag = false;
    if (!RunM(QStringLiteral("s P0=$$ISBWPRINT^NASMAN()"), V)) return false;
    Flag = V.P[0] == QLatin1String("1");
    return true;
}

bool ReadNasValue(const QString& Subscript, QString& Value) {
    TMVariables V;
    Value.clear();
    if (!RunM(QStringLiteral("s VALUE=$g(^NAS(") + Subscript + QStringLiteral("))"), V)) return false;
    Value = V.VALUE;
    return true;
}

bool ReadFkoRecord(TLineConv& List) {
    TMVariables V;
    if (!RunM(QStringLiteral(
                  R"m(S P2=^FKO S P3=$O(^FKO(P2,"")) S P1=^FKO(P2,P3) S $P(P1,"@",3)=P3 S P1=P2_"@"_P1)m"),
              V))
        return false;
    List.SetDelimiter(QStringLiteral("@"));
    List.SetLine(V.P[1]);
    List.SetItemCount(31);
    return true;
}

bool ReadPrintSettings(TLineConv& List) {
    // Its one caller asks only when the control exists; the connected flag is not consulted.
    if (!MControl) return false;
    TMVariables V;
    V.P[0] = MPrintSettingsName;
    if (MControl->Run(QStringLiteral("D GetPrintSettings^ReportSettings(P0,.P1)"), V) != 0) return false;
    List.SetDelimiter(QStringLiteral("@"));
    List.SetLine(V.P[1]);
    List.SetItemCount(8);
    return true;
}

TDateTime LimitDateToPeriod(bool UseLastDay, TDateTime Date) {
    QString MonthText, YearText;
    if (!GetPeriodMonthStr(MonthText) || !GetPeriodYearStr(YearText)) return Date;
    bool MonthOk = false, YearOk = false;
    const int Month = MonthText.trimmed().toInt(&MonthOk), Year = YearText.trimmed().toInt(&YearOk);
    const QDate First(Year, Month, 1);
    if (!MonthOk || !YearOk || !First.isValid()) return Date;
    const QDate Given = DateTimeToQDate(Date);
    if (Given.year() * 12 + Given.month() <= Year * 12 + Month) return Date;
    const int Day = UseLastDay ? First.daysInMonth() : std::min(Given.day(), First.daysInMonth());
    return QDateToDateTime(QDate(Year, Month, Day));
}
