#include "business/engine/unLoanEngine.h"

#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Amounts are held in whole cents and rates in units of 10^-7, so every rounding the engine makes
// is exact decimal arithmetic.
constexpr int RateDigits = 7;
constexpr qint64 DaysPerMonth = 30;

const QString Yes = QStringLiteral("да");
const QString No = QStringLiteral("не");

QString Cents(qint64 Value) {
    return ScaledToFixedStr(Value, AmountDecimals);
}

qint64 CentsOf(const QString& Text) {
    return RoundDecimal(DecimalOrZero(Text), AmountDecimals);
}

// The band limit of a fee query: the amount as it will be compared, with two decimals.
double BandAmount(const TDecimal& Amount) {
    return double(RoundDecimal(Amount, 2)) / 100.0;
}

// A date column as RunQuery renders it ("dd.mm.yyyy"), as a day number.
bool DayOf(const QString& Text, qint64& Day) {
    TDateTime d = 0;
    if (!TryStrToDate(Text, d)) return false;
    Day = qint64(std::floor(d));
    return true;
}

// A contract number given as text: only a whole number reaches the statements.
bool ContractNumber(const QString& DocNo, qint64& Number) {
    bool ok = false;
    Number = DocNo.trimmed().toLongLong(&ok);
    return ok;
}

struct TFeeRate {
    int CodeT = 0;
    QString Name;
    TDecimal Mir;
};

// The rate rows of the fees of one kind whose band strictly holds Amount, in the order that
// decides which of two matching rows of a fee is kept.
std::vector<TFeeRate> MatchingFeeRates(QObject* Owner, int PrefCode, bool IsOnce, const TDecimal& Amount) {
    const double band = BandAmount(Amount);
    TDelimitedStringList rows;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Taxes.code_t, Taxes.name_t, Taxes_rates.MIR
          FROM Taxes INNER JOIN Taxes_rates ON Taxes.code_t = Taxes_rates.code_t
         WHERE (((Taxes_rates.pref_code) = %d ) AND ((Taxes.is_once) = %s )
                AND ((Taxes_rates.from_value) < %.2f ) AND ((Taxes_rates.to_value) > %.2f ))
         ORDER BY Taxes.code_t, Taxes_rates.code_MIR)sql"_s,
                    {PrefCode, IsOnce ? u"True"_s : u"False"_s, band, band}),
             &rows);
    std::vector<TFeeRate> rates;
    rates.reserve(rows.Count());
    for (int r = 0; r < rows.Count(); ++r)
        rates.push_back({int(StrToIntOrZero(rows.GetField(r, 0))), rows.GetField(r, 1),
                         DecimalOrZero(rows.GetField(r, 2))});
    return rates;
}

// Fees gets every fee of one kind, ordered by code_t, with an empty third field.
void LoadFeeList(QObject* Owner, bool IsOnce, TDelimitedStringList& Fees) {
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT code_t, name_t From Taxes Where is_once = %s ORDER BY code_t)sql"_s,
                    {IsOnce ? u"True"_s : u"False"_s}),
             &Fees);
    Fees.SetFieldCount(3);
}

void AppendFeeText(QString& Text, const QString& Item) {
    if (!Text.isEmpty()) Text += QStringLiteral(", ");
    Text += Item;
}

void WrapFeeText(QString& Text, qint64 TotalCents) {
    if (!Text.isEmpty()) Text = Cents(TotalCents) + QStringLiteral(" лв. (в т.ч. ") + Text + u')';
}

// One day of a daily fee: the monthly rate over 30 days to 7 decimals, times Amount.
qint64 OneDayFee(const TFeeRate& Rate, const TDecimal& Amount) {
    const TDecimal dailyRate{RoundQuotient(Rate.Mir, DaysPerMonth, RateDigits), RateDigits};
    return RoundProduct(dailyRate, Amount, AmountDecimals);
}

// The daily fees of Amount over Days days, amounts in cents.
qint64 DailyFeesCents(QObject* Owner, int PrefCode, int Days, const TDecimal& Amount,
                      TDelimitedStringList& Fees, QString& Text) {
    Fees.Clear();
    Text.clear();
    LoadFeeList(Owner, false, Fees);
    qint64 total = 0;
    for (const TFeeRate& rate : MatchingFeeRates(Owner, PrefCode, false, Amount)) {
        const qint64 daily = OneDayFee(rate, Amount);
        const qint64 fee = Days * daily;
        const int row = FindRowByIntKey(rate.CodeT, &Fees, 0);
        if (row >= 0) Fees.SetField(row, 2, Cents(fee));
        if (daily != 0) {
            AppendFeeText(Text, rate.Name + u' ' + Cents(fee) + QStringLiteral(" лв. (") + Cents(daily) +
                                    QStringLiteral("лв./ден)"));
            total += fee;
        }
    }
    WrapFeeText(Text, total);
    return total;
}

// Field 3 and 4 of each fee record: paid up to the at-date and what remains; returns the sum
// of what remains, in cents.
qint64 AddFeePayments(QObject* Owner, qint64 Contract, qint64 AtDay, TDelimitedStringList& Fees,
                      bool IsOnce) {
    const QString sql = uR"sql(
        SELECT Sum( sum_o ) AS SumOfsum_o
          FROM Incomes
         WHERE ( contract_n = %d ) AND ( payment_type = %d ) AND ( date_d <= %d ))sql"_s;
    qint64 remaining = 0;
    TDelimitedStringList paid;
    Fees.SetFieldCount(5);
    for (int r = 0; r < Fees.Count(); ++r) {
        const int codeT = int(StrToIntOrZero(Fees.GetField(r, 0)));
        RunQuery(Owner, AdoConnection, Format(sql, {Contract, FeePaymentType(codeT), AtDay}), &paid);
        const qint64 paidCents = CentsOf(paid.GetTextStr());
        const qint64 rest = CentsOf(Fees.GetField(r, 2)) - paidCents;
        Fees.SetField(r, 3, Cents(paidCents));
        Fees.SetField(r, 4, Cents(rest));
        remaining += rest;
    }
    return remaining;
}

struct TInterestBand {
    TDecimal From;
    TDecimal To;
    TDecimal DailyRate;
};

} // namespace

bool CalcOneTimeFees(QObject* Owner, int PrefCode, TDelimitedStringList& Fees, double Amount, QString& Text,
                     double& Total) {
    Fees.Clear();
    Text.clear();
    Total = 0;
    LoadFeeList(Owner, true, Fees);
    const TDecimal amount = DecimalOf(Amount);
    qint64 total = 0;
    for (const TFeeRate& rate : MatchingFeeRates(Owner, PrefCode, true, amount)) {
        const qint64 fee = RoundProduct(rate.Mir, amount, AmountDecimals);
        const int row = FindRowByIntKey(rate.CodeT, &Fees, 0);
        if (row >= 0) Fees.SetField(row, 2, Cents(fee));
        if (fee != 0) {
            AppendFeeText(Text, rate.Name + u' ' + Cents(fee) + QStringLiteral(" лв."));
            total += fee;
        }
    }
    WrapFeeText(Text, total);
    Total = double(total) / 100.0;
    return true;
}

bool CalcDailyFees(QObject* Owner, int PrefCode, int Days, double Amount, TDelimitedStringList& Fees,
                   QString& Text, double& Total) {
    Total = double(DailyFeesCents(Owner, PrefCode, Days, DecimalOf(Amount), Fees, Text)) / 100.0;
    return true;
}

void FormatEGN(const QString& EGN, QString& Result) {
    Result = PadLeft(EGN, u'0', 10);
}

bool ReadSettingVA1(QObject* Owner, QString& Value) {
    Value.clear();
    TDelimitedStringList list;
    const bool ran =
        RunQuery(Owner, AdoConnection, uR"sql(Select value_va From va where code_va = 1)sql"_s, &list);
    if (ran) Value = list.GetTextStr();
    return ran;
}

bool GetOutstandingPrincipal(QObject* Owner, const QString& DocNo, double& Principal) {
    Principal = 0;
    qint64 contract = 0;
    if (!ContractNumber(DocNo, contract)) return false;
    TDelimitedStringList list;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Sum(Outcomes.sum_o) AS SumOfsum_o
          FROM Outcomes
         GROUP BY Outcomes.contract_n, Outcomes.payment_type
        HAVING ( ( Outcomes.contract_n = %d ) AND ( Outcomes.payment_type = 1 ) ))sql"_s,
                    {contract}),
             &list);
    qint64 cents = CentsOf(list.GetTextStr());
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Sum( sum_o ) AS SumOfsum_o
          FROM Incomes
         GROUP BY contract_n, payment_type
        HAVING ( ( contract_n = %d ) AND ( payment_type = 1 ) ))sql"_s,
                    {contract}),
             &list);
    cents -= CentsOf(list.GetTextStr());
    Principal = double(cents) / 100.0;
    return true;
}

bool CalculateContractDebt(QObject* Owner, const QString& DocNo, QString& Row, TDateTime AtDate,
                           TDelimitedStringList& OneTimeFees, TDelimitedStringList& DailyFees) {
    if (DocNo.isEmpty()) return false;
    Row.clear();
    OneTimeFees.Clear();
    DailyFees.Clear();
    qint64 contract = 0;
    if (!ContractNumber(DocNo, contract)) return false;
    const qint64 atDay = qint64(std::floor(AtDate));
    const double contractAsFloat = double(contract);

    // The contract's facts.
    TDelimitedStringList q;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Contracts.docno, Contracts.date_c, Contracts.EGN, Owners.Three_names, Contracts.duration,
               Contracts.finished, Contracts.at_date, Contracts.for_sale, Contracts.for_sale_date,
               Contracts.sold, Contracts.sold_at_date, Contracts.code_i, Item_types.Name_i_t, Items.SN
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
               ON Owners.EGN = Contracts.EGN
         Where Contracts.docno = %d)sql"_s,
                    {contract}),
             &q);
    if (q.Count() == 0) return false;

    QStringList f(DebtFieldCount);
    f[dfDocNo] = q.GetField(0, 0);
    f[dfDateC] = q.GetField(0, 1);
    const QString egn = q.GetField(0, 2);
    FormatEGN(egn, f[dfEGN]);
    f[dfThreeNames] = q.GetField(0, 3);
    f[dfDuration] = q.GetField(0, 4);
    const auto flag = [&](int Col, int Field) {
        f[Field] = No;
        if (q.GetField(0, Col) == QLatin1String("True")) {
            f[Field] = Yes;
            f[Field + 1] = q.GetField(0, Col + 1);
        }
    };
    flag(5, dfFinished);
    flag(7, dfForSale);
    flag(9, dfSold);
    f[dfCodeI] = q.GetField(0, 11);
    f[dfItemTypeName] = q.GetField(0, 12);
    f[dfItemSN] = q.GetField(0, 13);

    // The interest instalments: the latest one, whatever its date, and below the interest paid
    // by day. The order number breaks ties on one day.
    TDelimitedStringList interestPaid;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Incomes.date_d, Incomes.sum_o
          FROM Incomes
         WHERE (((Incomes.contract_n)= %f ) AND ((Incomes.payment_type)=2))
         ORDER BY Incomes.date_d DESC, Incomes.docno DESC)sql"_s,
                    {contractAsFloat}),
             &interestPaid);
    if (interestPaid.Count() > 0) {
        f[dfLastInterestDate] = interestPaid.GetField(0, 0);
        f[dfLastInterestAmount] = interestPaid.GetField(0, 1);
    }
    qint64 contractDay = 0;
    const bool hasContractDay = DayOf(f[dfDateC], contractDay);
    qint64 lastInterestDay = 0;
    const bool hasLastInterest =
        !f[dfLastInterestDate].isEmpty() && DayOf(f[dfLastInterestDate], lastInterestDay);
    const qint64 baseDay = hasLastInterest ? lastInterestDay : contractDay;
    f[dfDaysFromBase] = QString::number(atDay - baseDay);

    QCoreApplication::processEvents();

    // A contract not yet signed at the at-date owes nothing and has no fees.
    const bool hasDays = hasContractDay && contractDay <= atDay;
    const qint64 days = hasDays ? atDay - contractDay + 1 : 0;
    std::vector<qint64> pay(days), prin(days), bal(days);
    qint64 sumPay = 0, sumPrin = 0, sumInt = 0, sumIntPaid = 0;
    int prefCode = 0;

    if (hasDays) {
        // Orders dated outside the contract's days are left out.
        const auto byDay = [&](const TDelimitedStringList& Rows, std::vector<qint64>* Days, qint64& Sum) {
            for (int r = 0; r < Rows.Count(); ++r) {
                qint64 day = 0;
                if (!DayOf(FilterNumberChars(Rows.GetField(r, 0)), day)) continue;
                const qint64 i = day - contractDay;
                if (i < 0 || i >= days) continue;
                const qint64 amount = CentsOf(Rows.GetField(r, 1));
                if (Days) (*Days)[i] += amount;
                Sum += amount;
            }
        };
        RunQuery(
            Owner, AdoConnection,
            Format(
                uR"sql(Select date_d, sum_o From Outcomes Where ( contract_n = %f and payment_type = 1 ))sql"_s,
                {contractAsFloat}),
            &q);
        byDay(q, &pay, sumPay);
        RunQuery(
            Owner, AdoConnection,
            Format(
                uR"sql(Select date_d, sum_o From Incomes Where ( contract_n = %f and payment_type = 1 ))sql"_s,
                {contractAsFloat}),
            &q);
        byDay(q, &prin, sumPrin);
        byDay(interestPaid, nullptr, sumIntPaid);

        // A payout counts from its own day; a principal instalment lowers the balance from the next.
        bal[0] = pay[0];
        for (qint64 i = 1; i < days; ++i)
            bal[i] = bal[i - 1] + pay[i] - prin[i - 1];

        RunQuery(
            Owner, AdoConnection,
            Format(uR"sql(Select pref_code from Owners where egn = %f)sql"_s, {StrToFloatDot(f[dfEGN], 0)}),
            &q);
        prefCode = int(StrToIntOrZero(q.GetTextStr()));
        if (prefCode == 0) {
            ShowErrorFmt(QStringLiteral("За клиент с ЕГН: %s (%s) не е указан префернциялен код."),
                         {f[dfEGN], f[dfThreeNames]});
            return false;
        }
        RunQuery(Owner, AdoConnection, InterestBandsSql(prefCode), &q);
        if (q.Count() == 0) {
            ShowErrorFmt(QStringLiteral("Не е зададена лихвена схема за клиент %s с префернциялен код %d."),
                         {f[dfThreeNames], prefCode});
            return false;
        }
        std::vector<TInterestBand> bands;
        bands.reserve(q.Count());
        for (int r = 0; r < q.Count(); ++r)
            bands.push_back(
                {DecimalOrZero(q.GetField(r, 1)),
                 DecimalOrZero(q.GetField(r, 2)),
                 {RoundQuotient(DecimalOrZero(q.GetField(r, 3)), DaysPerMonth, RateDigits), RateDigits}});

        // Both band limits belong to the band; of several matching bands the last one counts.
        for (qint64 i = 0; i < days; ++i) {
            if (bal[i] <= 0) continue;
            const TDecimal balance{bal[i], AmountDecimals};
            for (auto band = bands.rbegin(); band != bands.rend(); ++band) {
                if (CompareDecimal(band->From, balance) <= 0 && CompareDecimal(band->To, balance) >= 0) {
                    sumInt += RoundProduct(balance, band->DailyRate, AmountDecimals);
                    break;
                }
            }
        }
    }

    const qint64 principal = sumPay - sumPrin;
    const qint64 interestDue = sumInt - sumIntPaid;
    const qint64 debt = principal + interestDue;
    f[dfPaidOut] = Cents(sumPay);
    f[dfPrincipalRepaid] = Cents(sumPrin);
    f[dfPrincipalOutstanding] = Cents(principal);
    f[dfInterestAccrued] = Cents(sumInt);
    f[dfInterestPaid] = Cents(sumIntPaid);
    f[dfInterestDue] = Cents(interestDue);
    f[dfTotalDebt] = Cents(debt);

    // Overdue once the at-date has reached the base date plus the term.
    const qint64 duration = StrToIntOrZero(f[dfDuration]);
    f[dfOverdue] = debt != 0 && (atDay - baseDay) - duration > -1 ? Yes : No;
    // Due on the last day that is not yet overdue, counted from the same base day.
    if (f[dfFinished] == No && f[dfSold] == No && (hasLastInterest || hasContractDay))
        f[dfDueDate] = DateToStr(TDateTime(baseDay + duration - 1));

    qint64 feesRemaining = 0;
    if (hasDays) {
        const TDecimal firstPrincipal{bal[0], AmountDecimals};
        double total = 0;
        QString text;
        if (!CalcOneTimeFees(Owner, prefCode, OneTimeFees, double(bal[0]) / 100.0, text, total)) return false;
        feesRemaining += AddFeePayments(Owner, contract, atDay, OneTimeFees, true);

        // Each day's one-day fee on that day's principal. The principal changes seldom, so the
        // fees are looked up once per principal; the fee list itself stays as it was read first.
        DailyFeesCents(Owner, prefCode, 1, firstPrincipal, DailyFees, text);
        const int feeCount = DailyFees.Count();
        std::vector<int> codes(feeCount);
        std::vector<qint64> firstDayFees(feeCount);
        for (int r = 0; r < feeCount; ++r) {
            codes[r] = int(StrToIntOrZero(DailyFees.GetField(r, 0)));
            firstDayFees[r] = CentsOf(DailyFees.GetField(r, 2));
        }
        QHash<qint64, std::vector<qint64>> oneDayFees{{bal[0], firstDayFees}};
        std::vector<qint64> accrued(feeCount, 0);
        for (qint64 d = 0; d < days; ++d) {
            auto fees = oneDayFees.constFind(bal[d]);
            if (fees == oneDayFees.constEnd()) {
                const TDecimal principal{bal[d], AmountDecimals};
                std::vector<qint64> amounts(feeCount, 0);
                for (const TFeeRate& rate : MatchingFeeRates(Owner, prefCode, false, principal)) {
                    const auto code = std::find(codes.begin(), codes.end(), rate.CodeT);
                    if (code != codes.end()) amounts[code - codes.begin()] = OneDayFee(rate, principal);
                }
                fees = oneDayFees.insert(bal[d], amounts);
            }
            for (int r = 0; r < feeCount; ++r)
                accrued[r] += (*fees)[r];
        }
        for (int r = 0; r < DailyFees.Count(); ++r)
            DailyFees.SetField(r, 2, Cents(accrued[r]));
        feesRemaining += AddFeePayments(Owner, contract, atDay, DailyFees, false);
    }

    Row = f.join(FieldDelimiterChar);
    for (const TDelimitedStringList* fees : {&OneTimeFees, &DailyFees})
        for (int r = 0; r < fees->Count(); ++r)
            for (int c = 2; c <= 4; ++c)
                Row += FieldDelimiterChar + fees->GetField(r, c);
    // The total with the remaining fees, written without trailing zeros.
    SetPiece(Row, FieldDelimiterChar, dfTotalDebt, ScaledToStr(debt + feesRemaining, AmountDecimals));
    return true;
}

QString InterestBandsSql(int PrefCode) {
    return Format(
        uR"sql(Select code_mir, from_value, to_value, mir From Interest_rates Where pref_code = %d Order By code_mir)sql"_s,
        {PrefCode});
}

bool InterestBandPercent(const TDelimitedStringList& Bands, double Sum, double& MIR) {
    bool Found = false;
    for (int I = 0; I < Bands.Count(); ++I) {
        const double From = StrToFloatDot(Bands.GetField(I, 1), 0);
        const double To = StrToFloatDot(Bands.GetField(I, 2), 0);
        if (Sum > 0 && From <= Sum && To >= Sum) {
            MIR = RoundToDigits(AmountDecimals, StrToFloatDot(Bands.GetField(I, 3), 0) * 100);
            Found = true;
        }
    }
    return Found;
}

TDateTime SettlementAtDate(TDateTime Today, TDateTime ContractDate, bool FifteenDaySteps) {
    const qint64 Day = qint64(std::floor(Today));
    const qint64 Signed = qint64(std::floor(ContractDate));
    if (!FifteenDaySteps || Signed >= Day) return TDateTime(Day);
    const qint64 Rest = (Day - Signed) % 15;
    return TDateTime(Rest == 0 ? Day : Day + 15 - Rest);
}
