#include "shell/reports/un_Kasa.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

using namespace Qt::StringLiterals;

namespace {

struct TKasaLine {
    const char* Label;
    int Type;
};

const TKasaLine Receipts[] = {{"Приходи - главници", 1},
                              {"Приходи - лихви", 2},
                              {"Приходи - собственик", 3},
                              {"Приходи - продажба на заложени вещи", 4},
                              {"Приходи - продажба на закупени вещи", 5}};
const TKasaLine Payments[] = {
    {"Разходи - по договори за злог", 1}, {"Разходи - собственик", 3}, {"Разходи - за покупка на вещи", 4}};

} // namespace

QString OpeningSumSql(const QString& Table, int From) {
    return Format(uR"sql(
        SELECT sum_o, Count(*)
        FROM %s
        WHERE date_d < %d
        GROUP BY sum_o
    )sql"_s,
                  {Table, From});
}

QString PeriodSumSql(const QString& Table, int From, int To, std::optional<int> PaymentType) {
    const QString Type = PaymentType ? Format(u"AND payment_type = %d"_s, {*PaymentType}) : QString();
    return Format(uR"sql(
        SELECT sum_o, Count(*)
        FROM %s
        WHERE ( date_d >= %d AND date_d <= %d %s )
        GROUP BY sum_o
    )sql"_s,
                  {Table, From, To, Type});
}

namespace {

// What the drawer held before From and what came in and went out from From to To, every kind of
// order counted, so that a period closes with what the next one opens with.
struct TKasaBalance {
    qint64 Opening, In, Out;
    qint64 Closing() const { return Opening + In - Out; }
};

TKasaBalance KasaBalance(QObject* Owner, int From, int To) {
    const auto Sum = [Owner](const QString& Sql) { return QuerySum(Owner, Sql, AmountDecimals); };
    const QString In = u"Incomes"_s, Out = u"Outcomes"_s;
    return {Sum(OpeningSumSql(In, From)) - Sum(OpeningSumSql(Out, From)), Sum(PeriodSumSql(In, From, To)),
            Sum(PeriodSumSql(Out, From, To))};
}

} // namespace

QString KasaRow(QObject* Owner, int From, int To) {
    const auto Sum = [Owner](const QString& Sql) { return QuerySum(Owner, Sql, AmountDecimals); };
    const QString In = u"Incomes"_s, Out = u"Outcomes"_s;
    const TKasaBalance Balance = KasaBalance(Owner, From, To);
    const qint64 InOwner = Sum(PeriodSumSql(In, From, To, 3));
    const qint64 InPrincipal = Sum(PeriodSumSql(In, From, To, 1));
    const qint64 InInterest = Sum(PeriodSumSql(In, From, To, 2));
    const qint64 OutOwner = Sum(PeriodSumSql(Out, From, To, 3));
    const qint64 OutLoans = Sum(PeriodSumSql(Out, From, To, 1));
    // Fees, sales and purchases count in the balance: their own columns make each side add up.
    const qint64 InOther = Balance.In - InOwner - InPrincipal - InInterest;
    const qint64 OutOther = Balance.Out - OutOwner - OutLoans;
    QStringList Fields;
    for (qint64 V : {Balance.Opening, InOwner, InPrincipal, InInterest, InOther, Balance.In, OutOwner,
                     OutLoans, OutOther, Balance.Out, InInterest - OutOwner, Balance.Closing()})
        Fields += ScaledToFixedStr(V, AmountDecimals);
    return Fields.join(u'@');
}

void KasaDetailedRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    const auto Sum = [Owner](const QString& Sql) { return QuerySum(Owner, Sql, AmountDecimals); };
    // What the lines since the last total have shown.
    qint64 Shown = 0;
    const auto Add = [&Rows, &Shown](const QString& Label, qint64 Cents) {
        Rows.Add(Label + u'@' + ScaledToFixedStr(Cents, AmountDecimals));
        Shown += Cents;
    };
    const auto AddLines = [&](const QString& Table, const QList<TKasaLine>& Lines) {
        for (const TKasaLine& L : Lines)
            Add(QString::fromUtf8(L.Label), Sum(PeriodSumSql(Table, From, To, L.Type)));
    };
    // The totals count every order, also one of a kind no line names: those get a line of their
    // own, so that the lines add up to the total.
    const auto AddTotal = [&](const QString& Other, const QString& Label, qint64 Cents) {
        if (Cents != Shown) Add(Other, Cents - Shown);
        Add(Label, Cents);
        Shown = 0;
    };
    const QString In = u"Incomes"_s, Out = u"Outcomes"_s;
    const TKasaBalance Balance = KasaBalance(Owner, From, To);
    Rows.Clear();
    Add(u"¤Начално салдо"_s, Balance.Opening);
    Shown = 0;
    AddLines(In, QList<TKasaLine>(std::begin(Receipts), std::end(Receipts)));
    TDelimitedStringList Fees;
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT code_t, name_t, is_once
        FROM Taxes
        ORDER BY code_t
    )sql"_s,
             &Fees);
    for (int F = 0; F < Fees.Count(); ++F)
        Add(u"Приходи - такса "_s + Fees.GetField(F, 1),
            Sum(PeriodSumSql(In, From, To, int(StrToIntOrZero(Fees.GetField(F, 0))) + 5)));
    AddTotal(u"Приходи - други"_s, u"¤Общо приходи"_s, Balance.In);
    AddLines(Out, QList<TKasaLine>(std::begin(Payments), std::end(Payments)));
    AddTotal(u"Разходи - други"_s, u"¤Общо разходи"_s, Balance.Out);
    Add(u"¤Остатък"_s, Balance.Closing());
}

TfrmKasa::TfrmKasa(QWidget* Owner) : TfrmKasa(Owner, false) {}

TfrmKasa::TfrmKasa(QWidget* Owner, bool Detailed)
    : TReportForm(Owner, {.Name = Detailed ? u"frmKasa_detailed"_s : u"frmKasa"_s,
                          .Caption = Detailed ? u"Каса - детайлна"_s : u"Каса"_s,
                          .DatesKey = u"frmKasa"_s,
                          .RunOnOpen = true,
                          .PeriodTitle = true}),
      FDetailed(Detailed) {
    if (Detailed) {
        SetupColumns({{u"Вид"_s}, {u"Сума"_s}}, QString());
        return;
    }
    SetupColumns({{u"Начално"_s, QString()},
                  {u"Приходи"_s, u"от собственик"_s},
                  {QString(), u"по главници"_s},
                  {QString(), u"по лихви"_s},
                  {QString(), u"други"_s},
                  {QString(), u"общо"_s},
                  {u"Разходи"_s, u"инкасо"_s},
                  {QString(), u"по договори"_s},
                  {QString(), u"други"_s},
                  {QString(), u"общо"_s},
                  {u"Печалба"_s, u"(лихви-инкасо)"_s},
                  {u"Остатък"_s, QString()}},
                 u"0,0,0,1|1,0,5,0|6,0,9,0|11,0,11,1|"_s);
}

bool TfrmKasa::Init() {
    const bool Result = TReportForm::Init();
    if (FDetailed) {
        AlignColumns({0}, {caLeft, caCenter});
        FormatColumns({1}, ValueFormatter);
    } else {
        FormatColumns({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, ValueFormatter);
    }
    return Result;
}

void TfrmKasa::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    Rows.Add(KasaRow(this, From, To));
}

TfrmKasa_detailed::TfrmKasa_detailed(QWidget* Owner) : TfrmKasa(Owner, true) {}

void TfrmKasa_detailed::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    KasaDetailedRows(this, From, To, Rows);
}
