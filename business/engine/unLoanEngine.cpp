#include "business/engine/unLoanEngine.h"

#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QDate>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Amounts are held in whole cents and rates in units of 10^-7, so every rounding the engine makes
// is exact decimal arithmetic.
constexpr int RateDigits = 7;
constexpr qint64 DaysPerMonth = 30;

const QString Yes = QStringLiteral("да");
const QString No = QStringLiteral("не");

// A date column as RunQuery renders it ("dd.mm.yyyy"), as a day number.
bool DayOf(const QString& Text, qint64& Day) {
    TDateTime d = 0;
    if (!TryStrToDate(Text, d)) return false;
    Day = qint64(std::floor(d));
    return true;
}

// The same for an order's date; a text of another form keeps only the characters of a number
// first.
bool OrderDayOf(QStringView Text, qint64& Day) {
    TDateTime d = 0;
    if (!ReadDotDate(Text, TDotDateRules(), d)) return DayOf(FilterNumberChars(Text.toString()), Day);
    Day = qint64(std::floor(d));
    return true;
}

// A contract number given as text: only a whole number reaches the statements.
bool ContractNumber(const QString& DocNo, qint64& Number) {
    bool ok = false;
    Number = DocNo.trimmed().toLongLong(&ok);
    return ok;
}

// A rate row of a fee: the fee's code and name, the rate, its daily part and its band. A limit
// that is not a number holds no amount, as NULL compares with nothing.
struct TFeeRate {
    int CodeT = 0;
    QString Name;
    TDecimal Mir;
    TDecimal DailyRate;
    TDecimal From;
    TDecimal To;
    bool Limited = false;
};

struct TInterestBand {
    TDecimal From;
    TDecimal To;
    TDecimal DailyRate;
};

// Every fee of one kind, ordered by code_t: its code (field 0) and name (field 1).
struct TFeeList {
    QList<int> Codes;
    QStringList CodeTexts;
    QStringList Names;
};

// The tariffs of the shop: fees, fee rates and interest bands, by preferential code. The rate
// rows of each code and kind keep the order that decides which of two matching rows counts.
struct TTariffs {
    TFeeList OnceFees;
    TFeeList DailyFees;
    QHash<int, std::vector<TFeeRate>> OnceRates;
    QHash<int, std::vector<TFeeRate>> DailyRates;
    QHash<int, std::vector<TInterestBand>> Bands;
};

TFeeList ReadFeeList(QObject* Owner, bool IsOnce) {
    TDelimitedStringList rows;
    RunQuery(Owner, AdoConnection,
             IsOnce ? QStringLiteral(
                          R"sql(SELECT code_t, name_t From Taxes Where is_once = True ORDER BY code_t)sql")
                    : QStringLiteral(
                          R"sql(SELECT code_t, name_t From Taxes Where is_once = False ORDER BY code_t)sql"),
             &rows);
    TFeeList list;
    for (int r = 0; r < rows.Count(); ++r) {
        list.CodeTexts << rows.GetField(r, 0);
        list.Codes << int(StrToIntOrZero(list.CodeTexts.last()));
        list.Names << rows.GetField(r, 1);
    }
    return list;
}

// The rate rows of both kinds of fee, by preferential code.
void ReadFeeRates(QObject* Owner, TTariffs& Tariffs) {
    TDelimitedStringList rows;
    RunQuery(Owner, AdoConnection, QStringLiteral(R"sql(
        SELECT Taxes_rates.pref_code, Taxes.is_once, Taxes.code_t, Taxes.name_t, Taxes_rates.MIR,
               Taxes_rates.from_value, Taxes_rates.to_value
        FROM Taxes INNER JOIN Taxes_rates ON Taxes.code_t = Taxes_rates.code_t
        ORDER BY Taxes.code_t, Taxes_rates.code_MIR
    )sql"),
             &rows);
    for (int r = 0; r < rows.Count(); ++r) {
        // A row of no preferential code applies to none, as "pref_code = n" never holds for NULL.
        if (rows.GetField(r, 0).isEmpty()) continue;
        TFeeRate rate;
        rate.CodeT = int(StrToIntOrZero(rows.GetField(r, 2)));
        rate.Name = rows.GetField(r, 3);
        rate.Mir = DecimalOrZero(rows.GetField(r, 4));
        rate.DailyRate = {RoundQuotient(rate.Mir, DaysPerMonth, RateDigits), RateDigits};
        rate.Limited =
            ParseDecimal(rows.GetField(r, 5), rate.From) && ParseDecimal(rows.GetField(r, 6), rate.To);
        const int prefCode = int(StrToIntOrZero(rows.GetField(r, 0)));
        auto& rates = rows.GetField(r, 1) == QLatin1String("True") ? Tariffs.OnceRates : Tariffs.DailyRates;
        rates[prefCode].push_back(std::move(rate));
    }
}

void ReadInterestBands(QObject* Owner, TTariffs& Tariffs) {
    TDelimitedStringList rows;
    RunQuery(Owner, AdoConnection, QStringLiteral(R"sql(
        SELECT pref_code, from_value, to_value, mir
        FROM Interest_rates
        ORDER BY pref_code, code_mir
    )sql"),
             &rows);
    for (int r = 0; r < rows.Count(); ++r)
        if (!rows.GetField(r, 0).isEmpty())
            Tariffs.Bands[int(StrToIntOrZero(rows.GetField(r, 0)))].push_back(
                {DecimalOrZero(rows.GetField(r, 1)),
                 DecimalOrZero(rows.GetField(r, 2)),
                 {RoundQuotient(DecimalOrZero(rows.GetField(r, 3)), DaysPerMonth, RateDigits), RateDigits}});
}

TTariffs ReadTariffs(QObject* Owner) {
    TTariffs tariffs;
    tariffs.OnceFees = ReadFeeList(Owner, true);
    tariffs.DailyFees = ReadFeeList(Owner, false);
    ReadFeeRates(Owner, tariffs);
    ReadInterestBands(Owner, tariffs);
    return tariffs;
}

// Whether the band of a fee rate holds Amount: both limits excluded, the amount taken with two
// decimals.
bool HoldsAmount(const TFeeRate& Rate, const TDecimal& Amount) {
    const TDecimal band{RoundDecimal(Amount, 2), 2};
    return Rate.Limited && CompareDecimal(Rate.From, band) < 0 && CompareDecimal(Rate.To, band) > 0;
}

const std::vector<TFeeRate>& RatesOf(const TTariffs& Tariffs, bool IsOnce, int PrefCode) {
    static const std::vector<TFeeRate> none;
    const auto& byCode = IsOnce ? Tariffs.OnceRates : Tariffs.DailyRates;
    const auto rates = byCode.constFind(PrefCode);
    return rates == byCode.constEnd() ? none : *rates;
}

// One day of a daily fee: the monthly rate over 30 days to 7 decimals, times Amount.
qint64 OneDayFee(const TFeeRate& Rate, const TDecimal& Amount) {
    return RoundProduct(Rate.DailyRate, Amount, AmountDecimals);
}

// A fee list as the calculators give it: code_t, name_t and an empty amount.
void FillFeeList(const TFeeList& List, TDelimitedStringList& Fees) {
    Fees.Clear();
    for (int r = 0; r < List.Codes.size(); ++r)
        Fees.Add(List.CodeTexts[r] + FieldDelimiterChar + List.Names[r] + FieldDelimiterChar);
}

void AppendFeeText(QString& Text, const QString& Item) {
    if (!Text.isEmpty()) Text += QStringLiteral(", ");
    Text += Item;
}

void WrapFeeText(QString& Text, qint64 TotalCents) {
    if (!Text.isEmpty()) Text = Money(TotalCents) + QStringLiteral(" лв. (в т.ч. ") + Text + u')';
}

// ---------------------------------------------------------------------------------------------
// The debt of a contract, computed in memory from what is read about it.

struct TDayAmount {
    qint64 Day;
    qint64 Cents;
};

// What is read about one contract: the columns of its facts, its orders and fee payments.
struct TContractInputs {
    // The texts of the facts one after another, and where each begins: one string per contract
    // rather than one per column.
    QString FactTexts;
    std::array<qsizetype, 16> FactStarts{};
    QStringView Fact(int Col) const {
        return QStringView(FactTexts).mid(FactStarts[Col], FactStarts[Col + 1] - FactStarts[Col]);
    }
    int PrefCode = 0;
    // The latest interest payment up to the at-date, a day's receipts taken together: a debt at a
    // past date knows nothing of what was paid after it.
    QString LastInterestDate;
    QString LastInterestAmount;
    // The orders whose date can be read.
    std::vector<TDayAmount> PaidOut;
    std::vector<TDayAmount> Repaid;
    std::vector<TDayAmount> InterestPaid;
    // The fee payments up to the at-date, summed by payment type, in cents.
    std::vector<std::pair<int, qint64>> FeesPaid;
};

// Columns of the facts query.
enum {
    fcDocNo,
    fcDateC,
    fcEGN,
    fcThreeNames,
    fcDuration,
    fcFinished,
    fcAtDate,
    fcForSale,
    fcForSaleDate,
    fcSold,
    fcSoldDate,
    fcCodeI,
    fcItemTypeName,
    fcItemSN,
    fcPrefCode,
    FactCount
};
static_assert(std::tuple_size_v<decltype(TContractInputs::FactStarts)> == FactCount + 1);

enum class TDebtFailure { None, NoPrefCode, NoBands };

// One fee of the result: what accrued (none for a one-time fee no band of which matches), what
// was paid and what remains.
struct TFeeResult {
    std::optional<qint64> Accrued;
    qint64 Paid = 0;
    qint64 Remaining = 0;
};

struct TDebtResult {
    QString Row;
    std::vector<TFeeResult> OnceFees;
    std::vector<TFeeResult> DailyFees;
    int PrefCode = 0;
};

// A run of days on which the borrower holds one principal.
struct TBalanceRun {
    qint64 Days;
    qint64 Balance;
};

// The principal day by day, as runs: a payout counts from its own day, a principal instalment
// lowers the balance from the next. Index 0 is the contract's day.
std::vector<TBalanceRun> BalanceRuns(qint64 Days, std::vector<std::pair<qint64, qint64>>& Changes) {
    std::sort(Changes.begin(), Changes.end());
    std::vector<TBalanceRun> runs;
    qint64 balance = 0;
    size_t k = 0;
    for (qint64 at = 0; at < Days;) {
        while (k < Changes.size() && Changes[k].first == at)
            balance += Changes[k++].second;
        const qint64 next = k < Changes.size() ? Changes[k].first : Days;
        runs.push_back({next - at, balance});
        at = next;
    }
    return runs;
}

TFeeResult FeeResult(std::optional<qint64> Accrued, const TContractInputs& Inputs, int CodeT) {
    TFeeResult fee;
    fee.Accrued = Accrued;
    const int type = FeePaymentType(CodeT);
    for (const auto& [paidType, cents] : Inputs.FeesPaid)
        if (paidType == type) fee.Paid = cents;
    fee.Remaining = Accrued.value_or(0) - fee.Paid;
    return fee;
}

// A fee's accrued amount as the fee lists show it: "" when none accrued.
QString AccruedText(const TFeeResult& Fee) {
    return Fee.Accrued ? Money(*Fee.Accrued) : QString();
}

void AppendNumber(QString& To, qint64 Value) {
    char text[24];
    To.append(QLatin1StringView(text, std::to_chars(text, text + sizeof text, Value).ptr));
}

// The debt of one contract at AtDay: the record of TDebtField and the three amounts of each fee.
// Both the one-contract and the batch computation come here, so they cannot differ.
TDebtFailure ComputeDebt(const TContractInputs& Inputs, const TTariffs& Tariffs, qint64 AtDay,
                         TDebtResult& Result) {
    const auto q = [&](int Col) { return Inputs.Fact(Col); };
    // A redemption, sale or declaration for sale dated after the at-date had not happened then; one
    // of no readable date counts as it is stored. The date is shown only beside a "да".
    struct TFlag {
        bool On = false;
        QStringView Date;
    };
    const auto flag = [&](int Col, bool ByDate) {
        qint64 day = 0;
        if (q(Col) != QLatin1String("True") || (ByDate && DayOf(q(Col + 1).toString(), day) && day > AtDay))
            return TFlag();
        return TFlag{true, q(Col + 1)};
    };
    const TFlag finished = flag(fcFinished, true), forSale = flag(fcForSale, true), sold = flag(fcSold, true);

    qint64 contractDay = 0;
    const bool hasContractDay = DayOf(q(fcDateC).toString(), contractDay);
    qint64 lastInterestDay = 0;
    const bool hasLastInterest =
        !Inputs.LastInterestDate.isEmpty() && DayOf(Inputs.LastInterestDate, lastInterestDay);
    const qint64 baseDay = hasLastInterest ? lastInterestDay : contractDay;

    // A contract not yet signed at the at-date owes nothing and has no fees.
    const bool hasDays = hasContractDay && contractDay <= AtDay;
    const qint64 days = hasDays ? AtDay - contractDay + 1 : 0;
    qint64 sumPay = 0, sumPrin = 0, sumInt = 0, sumIntPaid = 0;
    std::vector<TBalanceRun> runs;
    Result.PrefCode = 0;

    if (hasDays) {
        // Orders dated outside the contract's days are left out.
        std::vector<std::pair<qint64, qint64>> changes;
        const auto byDay = [&](const std::vector<TDayAmount>& Orders, int Shift, int Sign, qint64& Sum) {
            for (const TDayAmount& order : Orders) {
                const qint64 i = order.Day - contractDay;
                if (i < 0 || i >= days) continue;
                Sum += order.Cents;
                if (Sign != 0 && i + Shift < days) changes.emplace_back(i + Shift, Sign * order.Cents);
            }
        };
        byDay(Inputs.PaidOut, 0, 1, sumPay);
        byDay(Inputs.Repaid, 1, -1, sumPrin);
        byDay(Inputs.InterestPaid, 0, 0, sumIntPaid);
        runs = BalanceRuns(days, changes);

        Result.PrefCode = Inputs.PrefCode;
        if (Result.PrefCode == 0) return TDebtFailure::NoPrefCode;
        const auto bands = Tariffs.Bands.constFind(Result.PrefCode);
        if (bands == Tariffs.Bands.constEnd() || bands->empty()) return TDebtFailure::NoBands;

        // Both band limits belong to the band; of several matching bands the last one counts.
        for (const TBalanceRun& run : runs) {
            if (run.Balance <= 0) continue;
            const TDecimal balance{run.Balance, AmountDecimals};
            for (auto band = bands->rbegin(); band != bands->rend(); ++band) {
                if (CompareDecimal(band->From, balance) <= 0 && CompareDecimal(band->To, balance) >= 0) {
                    sumInt += run.Days * RoundProduct(balance, band->DailyRate, AmountDecimals);
                    break;
                }
            }
        }
    }

    const qint64 principal = sumPay - sumPrin;
    const qint64 interestDue = sumInt - sumIntPaid;
    const qint64 debt = principal + interestDue;
    // Overdue once the at-date has reached the base date plus the term.
    const qint64 duration = StrToIntOrZero(q(fcDuration).toString());
    const bool overdue = debt != 0 && (AtDay - baseDay) - duration > -1;

    Result.OnceFees.clear();
    Result.DailyFees.clear();
    qint64 feesRemaining = 0;
    if (hasDays) {
        // The one-time fees of the first day's principal; of two matching rows of a fee the later
        // one counts.
        const TDecimal firstPrincipal{runs.front().Balance, AmountDecimals};
        const QList<int>& onceCodes = Tariffs.OnceFees.Codes;
        std::vector<std::optional<qint64>> onceAccrued(onceCodes.size());
        for (const TFeeRate& rate : RatesOf(Tariffs, true, Result.PrefCode)) {
            if (!HoldsAmount(rate, firstPrincipal)) continue;
            const int r = int(onceCodes.indexOf(rate.CodeT));
            if (r >= 0) onceAccrued[r] = RoundProduct(rate.Mir, firstPrincipal, AmountDecimals);
        }
        for (int r = 0; r < onceCodes.size(); ++r)
            Result.OnceFees.push_back(FeeResult(onceAccrued[r], Inputs, onceCodes[r]));

        // Each day's one-day fee on that day's principal, a run of days at a time.
        const QList<int>& dailyCodes = Tariffs.DailyFees.Codes;
        const std::vector<TFeeRate>& dailyRates = RatesOf(Tariffs, false, Result.PrefCode);
        std::vector<qint64> accrued(dailyCodes.size(), 0), oneDay(dailyCodes.size());
        for (const TBalanceRun& run : runs) {
            const TDecimal balance{run.Balance, AmountDecimals};
            std::fill(oneDay.begin(), oneDay.end(), 0);
            for (const TFeeRate& rate : dailyRates) {
                if (!HoldsAmount(rate, balance)) continue;
                const int r = int(dailyCodes.indexOf(rate.CodeT));
                if (r >= 0) oneDay[r] = OneDayFee(rate, balance);
            }
            for (size_t r = 0; r < oneDay.size(); ++r)
                accrued[r] += run.Days * oneDay[r];
        }
        for (int r = 0; r < dailyCodes.size(); ++r)
            Result.DailyFees.push_back(FeeResult(accrued[r], Inputs, dailyCodes[r]));
        for (const auto* fees : {&Result.OnceFees, &Result.DailyFees})
            for (const TFeeResult& fee : *fees)
                feesRemaining += fee.Remaining;
    }
    // The record, written field by field into one text.
    QString& row = Result.Row;
    row.clear();
    row.reserve(Inputs.FactTexts.size() + Inputs.LastInterestDate.size() + Inputs.LastInterestAmount.size() +
                120 + 45 * qsizetype(Result.OnceFees.size() + Result.DailyFees.size()));
    const auto next = [&] { row += FieldDelimiterChar; };
    row += q(fcDocNo);
    next();
    row += q(fcDateC);
    next();
    QString egn;
    FormatEGN(q(fcEGN).toString(), egn);
    row += egn;
    next();
    row += q(fcThreeNames);
    for (const qint64 cents : {sumPay, sumPrin, principal, sumInt, sumIntPaid, interestDue}) {
        next();
        AppendMoney(row, cents);
    }
    next();
    // The total with the remaining fees, written without trailing zeros.
    AppendMoney(row, debt + feesRemaining);
    while (row.endsWith(u'0'))
        row.chop(1);
    if (row.endsWith(u'.')) row.chop(1);
    next();
    row += q(fcDuration);
    next();
    row += Inputs.LastInterestDate;
    next();
    row += Inputs.LastInterestAmount;
    next();
    AppendNumber(row, AtDay - baseDay);
    next();
    row += overdue ? Yes : No;
    for (const TFlag& one : {finished, forSale, sold}) {
        next();
        row += one.On ? Yes : No;
        next();
        row += one.Date;
    }
    for (const int col : {fcCodeI, fcItemTypeName, fcItemSN}) {
        next();
        row += q(col);
    }
    next();
    if (!finished.On && !sold.On && (hasLastInterest || hasContractDay))
        row += DateToStr(TDateTime(ContractDueDay(baseDay, duration)));
    for (const auto* fees : {&Result.OnceFees, &Result.DailyFees})
        for (const TFeeResult& fee : *fees) {
            next();
            if (fee.Accrued) AppendMoney(row, *fee.Accrued);
            next();
            AppendMoney(row, fee.Paid);
            next();
            AppendMoney(row, fee.Remaining);
        }
    // A report keeps a hundred thousand of these: no spare room.
    Result.Row.squeeze();
    return TDebtFailure::None;
}

// ---------------------------------------------------------------------------------------------
// Reading the contracts First to Last at once.

// The contracts of a block, in the order of their numbers.
class TBlock {
public:
    // Contracts are added in ascending order.
    TContractInputs& Add(qint64 Contract) {
        FNumbers.push_back(Contract);
        return FInputs.emplace_back();
    }
    const TContractInputs* Find(qint64 Contract) const { return const_cast<TBlock*>(this)->Find(Contract); }
    TContractInputs* Find(qint64 Contract) {
        const auto at = std::lower_bound(FNumbers.begin(), FNumbers.end(), Contract);
        return at != FNumbers.end() && *at == Contract ? &FInputs[size_t(at - FNumbers.begin())] : nullptr;
    }
    bool Empty() const { return FNumbers.empty(); }

private:
    std::vector<qint64> FNumbers;
    std::vector<TContractInputs> FInputs;
};

// An order's day from its date column: by number when it is one, else from its text.
bool OrderDay(const TQueryRow& Row, int Col, qint64& Day) {
    return Row.Day(Col, Day) || OrderDayOf(Row.Text(Col), Day);
}

// An amount column in cents, as its text from RunQuery rounds. Far from a half cent the number
// rounds as its 15 shown digits do; nearer, and for anything but a number, the text decides.
qint64 AmountCents(const TQueryRow& Row, int Col) {
    qint64 whole = 0;
    if (Row.Integer(Col, whole) && std::abs(whole) < 1'000'000'000'000) return whole * 100;
    double value = 0;
    if (Row.Real(Col, value) && std::fabs(value) < 1e9) {
        const double cents = value * 100;
        if (std::fabs(cents - std::floor(cents) - 0.5) > 1e-3) return std::llround(cents);
    }
    return RoundDecimal(DecimalOrZero(Row.Text(Col)), AmountDecimals);
}

// The contract of an order row's first column.
TContractInputs* OrderContract(const TQueryRow& Row, TBlock& Block) {
    qint64 contract = 0;
    if (!Row.Integer(0, contract)) contract = StrToIntOrZero(Row.Text(0));
    return Block.Find(contract);
}

// The datable orders of the statement's rows (contract_n, date_d, sum_o), by contract.
void ReadOrders(QObject* Owner, const QString& Sql, TBlock& Block,
                std::vector<TDayAmount> TContractInputs::*Orders) {
    ReadRows(Owner, AdoConnection, Sql, [&](const TQueryRow& Row) {
        TContractInputs* inputs = OrderContract(Row, Block);
        qint64 day = 0;
        if (inputs && OrderDay(Row, 1, day)) (inputs->*Orders).push_back({day, AmountCents(Row, 2)});
    });
}

// The fee payment types of the shop, as a list for "IN ( … )".
QString FeePaymentTypes(const TTariffs& Tariffs) {
    QStringList types;
    for (const TFeeList* list : {&Tariffs.OnceFees, &Tariffs.DailyFees})
        for (int code : list->Codes)
            types << QString::number(FeePaymentType(code));
    return types.join(QStringLiteral(", "));
}

TBlock ReadBlock(QObject* Owner, const TTariffs& Tariffs, qint64 First, qint64 Last, qint64 AtDay) {
    TBlock block;
    ReadRows(Owner, AdoConnection,
             Format(QStringLiteral(R"sql(
        SELECT Contracts.docno, Contracts.date_c, Contracts.EGN, Owners.Three_names, Contracts.duration,
               Contracts.finished, Contracts.at_date, Contracts.for_sale, Contracts.for_sale_date,
               Contracts.sold, Contracts.sold_at_date, Contracts.code_i, Item_types.Name_i_t, Items.SN,
               Owners.pref_code
        FROM Owners INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                                INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
                    ON Owners.EGN = Contracts.EGN
        WHERE Contracts.docno >= %d AND Contracts.docno <= %d
        ORDER BY Contracts.docno
    )sql"),
                    {First, Last}),
             [&](const TQueryRow& Row) {
                 qint64 contract = 0;
                 if (!Row.Integer(fcDocNo, contract)) contract = StrToIntOrZero(Row.Text(fcDocNo));
                 TContractInputs& inputs = block.Add(contract);
                 inputs.FactTexts.reserve(160);
                 for (int c = 0; c < FactCount; ++c) {
                     inputs.FactStarts[c] = inputs.FactTexts.size();
                     // The preferential code is only looked up, never shown.
                     if (c != fcPrefCode) Row.AppendText(c, inputs.FactTexts);
                 }
                 inputs.FactStarts[FactCount] = inputs.FactTexts.size();
                 qint64 prefCode = 0;
                 inputs.PrefCode =
                     int(Row.Integer(fcPrefCode, prefCode) ? prefCode : StrToIntOrZero(Row.Text(fcPrefCode)));
             });
    if (block.Empty()) return block;

    // The interest instalments, the latest first; the order number breaks ties on one day. The
    // latest day up to the at-date whose receipts net above zero renews the contract: a correction
    // takes money back, it is no payment.
    struct TInterestReceipt {
        TContractInputs* Inputs;
        qint64 Day;
        qint64 Cents;
        QString Date;
        QString Amount;
    };
    std::vector<TInterestReceipt> upToAtDay;
    ReadRows(Owner, AdoConnection,
             Format(QStringLiteral(R"sql(
        SELECT contract_n, date_d, sum_o
        FROM Incomes
        WHERE contract_n >= %d AND contract_n <= %d AND payment_type = 2
        ORDER BY contract_n, date_d DESC, docno DESC
    )sql"),
                    {First, Last}),
             [&](const TQueryRow& Row) {
                 TContractInputs* inputs = OrderContract(Row, block);
                 qint64 day = 0;
                 if (!inputs || !OrderDay(Row, 1, day)) return;
                 const qint64 cents = AmountCents(Row, 2);
                 if (day <= AtDay) upToAtDay.push_back({inputs, day, cents, Row.Text(1), Row.Text(2)});
                 inputs->InterestPaid.push_back({day, cents});
             });
    // A date stored as text may sort apart from its day: the receipts are grouped by day here.
    std::stable_sort(upToAtDay.begin(), upToAtDay.end(), [](const auto& A, const auto& B) {
        return A.Inputs != B.Inputs ? A.Inputs < B.Inputs : A.Day > B.Day;
    });
    for (size_t first = 0, end = 0; first < upToAtDay.size(); first = end) {
        const TInterestReceipt& latest = upToAtDay[first];
        qint64 net = 0;
        for (end = first; end < upToAtDay.size() && upToAtDay[end].Inputs == latest.Inputs &&
                          upToAtDay[end].Day == latest.Day;
             ++end)
            net += upToAtDay[end].Cents;
        if (!latest.Inputs->LastInterestDate.isEmpty() || net <= 0) continue;
        latest.Inputs->LastInterestDate = latest.Date;
        // A day of one receipt shows it as stored, a day of several what they come to.
        latest.Inputs->LastInterestAmount = end - first == 1 ? latest.Amount : Money(net);
    }

    ReadOrders(Owner,
               Format(QStringLiteral(R"sql(
        SELECT contract_n, date_d, sum_o
        FROM Outcomes
        WHERE contract_n >= %d AND contract_n <= %d AND payment_type = 1
    )sql"),
                      {First, Last}),
               block, &TContractInputs::PaidOut);
    ReadOrders(Owner,
               Format(QStringLiteral(R"sql(
        SELECT contract_n, date_d, sum_o
        FROM Incomes
        WHERE contract_n >= %d AND contract_n <= %d AND payment_type = 1
    )sql"),
                      {First, Last}),
               block, &TContractInputs::Repaid);

    const QString feeTypes = FeePaymentTypes(Tariffs);
    if (!feeTypes.isEmpty()) {
        // Summed by the database, as each contract's own sum would be.
        ReadRows(Owner, AdoConnection,
                 Format(QStringLiteral(R"sql(
            SELECT contract_n, payment_type, Sum( sum_o )
            FROM Incomes
            WHERE contract_n >= %d AND contract_n <= %d AND payment_type IN ( %s ) AND date_d <= %d
            GROUP BY contract_n, payment_type
        )sql"),
                        {First, Last, feeTypes, AtDay}),
                 [&](const TQueryRow& Row) {
                     TContractInputs* inputs = OrderContract(Row, block);
                     if (!inputs) return;
                     const int type = int(StrToIntOrZero(Row.Text(1)));
                     const qint64 cents = AmountCents(Row, 2);
                     auto paid = std::find_if(inputs->FeesPaid.begin(), inputs->FeesPaid.end(),
                                              [&](const auto& Fee) { return Fee.first == type; });
                     if (paid == inputs->FeesPaid.end())
                         inputs->FeesPaid.emplace_back(type, cents);
                     else
                         paid->second = cents;
                 });
    }
    return block;
}

// Why the contracts of First to Last that the facts query left out are left out, by contract.
QHash<qint64, QString> MissingFacts(QObject* Owner, qint64 First, qint64 Last) {
    TDelimitedStringList rows;
    RunQuery(Owner, AdoConnection,
             Format(QStringLiteral(R"sql(
        SELECT Contracts.docno, Contracts.code_i, Items.code_i, Items.code_i_t, Item_types.code_i_t,
               Contracts.EGN, Owners.EGN
        FROM ((Contracts LEFT JOIN Items ON Items.code_i = Contracts.code_i)
              LEFT JOIN Item_types ON Item_types.code_i_t = Items.code_i_t)
             LEFT JOIN Owners ON Owners.EGN = Contracts.EGN
        WHERE Contracts.docno >= %d AND Contracts.docno <= %d
    )sql"),
                    {First, Last}),
             &rows);
    QHash<qint64, QString> reasons;
    for (int r = 0; r < rows.Count(); ++r) {
        const QStringList row = rows.Get(r).split(FieldDelimiterChar);
        QStringList missing;
        if (row.value(2).isEmpty())
            missing << Format(QStringLiteral("липсва вещ с шифър %s"), {row.value(1)});
        else if (row.value(4).isEmpty())
            missing << Format(QStringLiteral("липсва вид на вещ с шифър %s"), {row.value(3)});
        if (row.value(6).isEmpty()) {
            QString egn;
            FormatEGN(row.value(5), egn);
            missing << Format(QStringLiteral("липсва заемополучател с ЕГН %s"), {egn});
        }
        reasons.insert(StrToIntOrZero(row.value(0)), missing.join(QStringLiteral(", ")));
    }
    return reasons;
}

// A block holds at most this many contracts, whose numbers lie within this span.
constexpr size_t BlockContracts = 2000;
constexpr qint64 BlockSpan = 4000;

} // namespace

bool CalcOneTimeFees(QObject* Owner, int PrefCode, TDelimitedStringList& Fees, double Amount, QString& Text,
                     double& Total) {
    Text.clear();
    TTariffs tariffs;
    tariffs.OnceFees = ReadFeeList(Owner, true);
    ReadFeeRates(Owner, tariffs);
    FillFeeList(tariffs.OnceFees, Fees);
    const TDecimal amount = DecimalOf(Amount);
    qint64 total = 0;
    for (const TFeeRate& rate : RatesOf(tariffs, true, PrefCode)) {
        if (!HoldsAmount(rate, amount)) continue;
        const qint64 fee = RoundProduct(rate.Mir, amount, AmountDecimals);
        const int row = int(tariffs.OnceFees.Codes.indexOf(rate.CodeT));
        if (row >= 0) Fees.SetField(row, 2, Money(fee));
        if (fee != 0) {
            AppendFeeText(Text, rate.Name + u' ' + Money(fee) + QStringLiteral(" лв."));
            total += fee;
        }
    }
    WrapFeeText(Text, total);
    Total = double(total) / 100.0;
    return true;
}

bool CalcDailyFees(QObject* Owner, int PrefCode, int Days, double Amount, TDelimitedStringList& Fees,
                   QString& Text, double& Total) {
    Text.clear();
    TTariffs tariffs;
    tariffs.DailyFees = ReadFeeList(Owner, false);
    ReadFeeRates(Owner, tariffs);
    FillFeeList(tariffs.DailyFees, Fees);
    const TDecimal amount = DecimalOf(Amount);
    qint64 total = 0;
    for (const TFeeRate& rate : RatesOf(tariffs, false, PrefCode)) {
        if (!HoldsAmount(rate, amount)) continue;
        const qint64 daily = OneDayFee(rate, amount);
        const qint64 fee = Days * daily;
        const int row = int(tariffs.DailyFees.Codes.indexOf(rate.CodeT));
        if (row >= 0) Fees.SetField(row, 2, Money(fee));
        if (daily != 0) {
            AppendFeeText(Text, rate.Name + u' ' + Money(fee) + QStringLiteral(" лв. (") + Money(daily) +
                                    QStringLiteral("лв./ден)"));
            total += fee;
        }
    }
    WrapFeeText(Text, total);
    Total = double(total) / 100.0;
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

QHash<qint64, qint64> OutstandingPrincipals(QObject* Owner, const QString& ContractsSql) {
    QHash<qint64, qint64> principals;
    TDelimitedStringList sums;
    for (const auto& [table, sign] :
         {std::pair{QStringLiteral("Outcomes"), 1}, std::pair{QStringLiteral("Incomes"), -1}}) {
        // Each contract's sum is rounded by itself, as the one-contract statement rounds it.
        RunQuery(Owner, AdoConnection,
                 Format(QStringLiteral(R"sql(
            SELECT contract_n, Sum( sum_o )
            FROM %s
            WHERE payment_type = 1 AND contract_n IN ( %s )
            GROUP BY contract_n
        )sql"),
                        {table, ContractsSql}),
                 &sums);
        for (int r = 0; r < sums.Count(); ++r)
            principals[StrToIntOrZero(sums.GetField(r, 0))] += sign * CentsOf(sums.GetField(r, 1));
    }
    return principals;
}

bool ContractDebtQuietly(QObject* Owner, const QString& DocNo, QString& Row, TDateTime AtDate,
                         TDelimitedStringList& OneTimeFees, TDelimitedStringList& DailyFees,
                         QString& Failure) {
    Failure.clear();
    if (DocNo.isEmpty()) return false;
    Row.clear();
    OneTimeFees.Clear();
    DailyFees.Clear();
    qint64 contract = 0;
    if (!ContractNumber(DocNo, contract)) return false;
    const qint64 atDay = qint64(std::floor(AtDate));
    const TTariffs tariffs = ReadTariffs(Owner);
    const TBlock block = ReadBlock(Owner, tariffs, contract, contract, atDay);
    const TContractInputs* inputs = block.Find(contract);
    if (!inputs) return false;

    TDebtResult debt;
    const QString names = inputs->Fact(fcThreeNames).toString();
    switch (ComputeDebt(*inputs, tariffs, atDay, debt)) {
    case TDebtFailure::NoPrefCode: {
        QString egn;
        FormatEGN(inputs->Fact(fcEGN).toString(), egn);
        Failure =
            Format(QStringLiteral("За клиент с ЕГН: %s (%s) не е указан префернциялен код."), {egn, names});
        return false;
    }
    case TDebtFailure::NoBands:
        Failure = Format(QStringLiteral("Не е зададена лихвена схема за клиент %s с префернциялен код %d."),
                         {names, debt.PrefCode});
        return false;
    case TDebtFailure::None:
        break;
    }
    const auto fill = [](const TFeeList& List, const std::vector<TFeeResult>& Fees,
                         TDelimitedStringList& Out) {
        for (size_t r = 0; r < Fees.size(); ++r)
            Out.Add(QStringList{List.CodeTexts[r], List.Names[r], AccruedText(Fees[r]), Money(Fees[r].Paid),
                                Money(Fees[r].Remaining)}
                        .join(FieldDelimiterChar));
    };
    fill(tariffs.OnceFees, debt.OnceFees, OneTimeFees);
    fill(tariffs.DailyFees, debt.DailyFees, DailyFees);
    Row = std::move(debt.Row);
    return true;
}

bool CalculateContractDebt(QObject* Owner, const QString& DocNo, QString& Row, TDateTime AtDate,
                           TDelimitedStringList& OneTimeFees, TDelimitedStringList& DailyFees) {
    QString Failure;
    const bool Computed = ContractDebtQuietly(Owner, DocNo, Row, AtDate, OneTimeFees, DailyFees, Failure);
    QCoreApplication::processEvents();
    if (!Failure.isEmpty()) ShowErrorFmt(Failure);
    return Computed;
}

void CalculateContractDebts(QObject* Owner, const QStringList& DocNos, TDateTime AtDate,
                            const TDebtReceiver& OnDebt) {
    const qint64 atDay = qint64(std::floor(AtDate));
    const QString noContract = QStringLiteral("договорът не съществува");
    std::vector<std::pair<qint64, int>> contracts;
    contracts.reserve(DocNos.size());
    for (int i = 0; i < DocNos.size(); ++i) {
        qint64 contract = 0;
        if (ContractNumber(DocNos[i], contract))
            contracts.emplace_back(contract, i);
        else
            OnDebt(i, QString(), noContract);
    }
    if (contracts.empty()) return;
    std::sort(contracts.begin(), contracts.end());
    std::optional<TTariffs> tariffs;
    // What one block gives, handed to the receiver once the block's transaction has ended.
    struct TFigured {
        int Index;
        QString Row;
        QString Failure;
    };
    std::vector<TFigured> figured;
    for (size_t k = 0; k < contracts.size();) {
        const qint64 first = contracts[k].first;
        size_t end = k;
        while (end < contracts.size() && end - k < BlockContracts && contracts[end].first - first < BlockSpan)
            ++end;
        const qint64 last = contracts[end - 1].first;
        figured.clear();
        {
            // Each block is read in a short transaction of its own and nothing in it lets the event
            // loop run: another window or workstation waits for one block at most.
            std::optional<TTransaction> read;
            if (!OpenTransaction()) read.emplace(AdoConnection, TTransactionKind::Read);
            if (!tariffs) tariffs = ReadTariffs(Owner);
            const TBlock block = ReadBlock(Owner, *tariffs, first, last, atDay);
            std::optional<QHash<qint64, QString>> missing;
            for (size_t c = k; c < end; ++c) {
                const auto [contract, index] = contracts[c];
                const TContractInputs* inputs = block.Find(contract);
                if (!inputs) {
                    if (!missing) missing = MissingFacts(Owner, first, last);
                    const auto reason = missing->constFind(contract);
                    // The last case is a contract the facts query cannot read for a reason of its own.
                    figured.push_back({index, QString(),
                                       reason == missing->constEnd() ? noContract
                                       : reason->isEmpty()
                                           ? QStringLiteral("данните на договора не могат да се прочетат")
                                           : *reason});
                    continue;
                }
                TDebtResult debt;
                switch (ComputeDebt(*inputs, *tariffs, atDay, debt)) {
                case TDebtFailure::None:
                    figured.push_back({index, std::move(debt.Row), QString()});
                    break;
                case TDebtFailure::NoPrefCode: {
                    QString egn;
                    FormatEGN(inputs->Fact(fcEGN).toString(), egn);
                    figured.push_back(
                        {index, QString(),
                         Format(QStringLiteral("заемополучателят с ЕГН %s няма преференциален код"), {egn})});
                    break;
                }
                case TDebtFailure::NoBands:
                    figured.push_back({index, QString(),
                                       Format(QStringLiteral("няма лихвена схема за преференциален код %d"),
                                              {debt.PrefCode})});
                    break;
                }
            }
        }
        k = end;
        for (const TFigured& one : figured)
            OnDebt(one.Index, one.Row, one.Failure);
    }
}

QString DebtFailuresMessage(const QString& Lead, const QStringList& Failures) {
    if (Failures.isEmpty()) return QString();
    const auto contracts = [](qsizetype N) {
        return QString::number(N) + (N == 1 ? QStringLiteral(" договор") : QStringLiteral(" договора"));
    };
    QString text = Format(Lead, {contracts(Failures.size())}) + u'\n' +
                   Failures.mid(0, MaxNamedFailures).join(QStringLiteral(";\n"));
    if (Failures.size() > MaxNamedFailures)
        text += QStringLiteral(";\nи още ") + contracts(Failures.size() - MaxNamedFailures);
    return text + u'.';
}

QString RenewalDaySql(const QString& ContractNo, const QString& UpToDay) {
    // Half a cent: the debt nets the receipts in whole cents.
    return Format(uR"sql(( SELECT Max( Paid.date_d ) FROM Incomes AS Paid
        WHERE Paid.contract_n = %s AND Paid.payment_type = 2 AND Paid.date_d <= %s
          AND ( SELECT Sum( Same.sum_o ) FROM Incomes AS Same
                 WHERE Same.contract_n = Paid.contract_n AND Same.payment_type = 2
                   AND Same.date_d = Paid.date_d ) >= 0.005 ))sql"_s,
                  {ContractNo, UpToDay});
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
