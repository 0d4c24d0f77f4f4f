#include "shell/reports/un_Zlato.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int GramDecimals = 3;
constexpr int ShownPriceDecimals = 4;

// Stock is valued at cost: the loan of a pledge, the price paid for a bought item. What the
// items sold in the period cost is kept apart from what they sold for, which the sold columns show.
constexpr int SoldPledgedCost = 9, SoldBoughtCost = 10, GoldSumCount = 11;

// One statement of the report: the column (0-based among the nine after the label, or one of the
// two sold-at-cost sums) it adds to (Sign 1) or takes from (Sign -1), in grams or in money; money
// counts each document's amount as it shows it. A sale falls in a period by its own date, pledged
// or bought alike: by the contract's date a pledge sold in the period would vanish from both the
// stock at the start and the sales.
struct TGoldSum {
    const char* Sql;
    int Column;
    int Sign;
    bool Grams;
};

const TGoldSum GoldSums[] = {
    {R"sql(
        SELECT Sum(Contracts.gramaj) AS SumOfgramaj
        FROM Contracts
        WHERE ( date_c < %d ) and ( gramaj > 0 )
    )sql",
     0, 1, true},
    {R"sql(
        SELECT Contracts.sum_c, Count(*)
        FROM Contracts
        WHERE ( date_c < %d ) and ( gramaj > 0 )
        GROUP BY Contracts.sum_c
    )sql",
     0, 1, false},
    {R"sql(
        SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj
        FROM Items_purchases
        WHERE ( date_d < %d ) and ( gramaj > 0 )
    )sql",
     1, 1, true},
    {R"sql(
        SELECT Items_purchases.sum_s, Count(*)
        FROM Items_purchases
        WHERE ( date_d < %d ) and ( gramaj > 0 )
        GROUP BY Items_purchases.sum_s
    )sql",
     1, 1, false},
    {R"sql(
        SELECT Sum(Contracts.gramaj) AS SumOfgramaj
        FROM Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n
        WHERE (((Items_sales.payment_type)=1) AND ((Items_sales.date_d)<%d))
        HAVING (((Sum(Contracts.gramaj))>0))
    )sql",
     0, -1, true},
    {R"sql(
        SELECT Contracts.sum_c, Count(*)
        FROM Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n
        WHERE (((Items_sales.payment_type)=1) AND ((Items_sales.date_d)<%d) AND ((Contracts.gramaj)>0))
        GROUP BY Contracts.sum_c
    )sql",
     0, -1, false},
    {R"sql(
        SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj
        FROM Items_purchases INNER JOIN Items_sales ON Items_purchases.docno = Items_sales.contract_n
        WHERE ( Items_sales.payment_type = 2 ) AND ( Items_sales.date_d < %d )
        HAVING (((Sum(Items_purchases.gramaj))>0))
    )sql",
     1, -1, true},
    {R"sql(
        SELECT Items_purchases.sum_s, Count(*)
        FROM Items_purchases INNER JOIN Items_sales ON Items_purchases.docno = Items_sales.contract_n
        WHERE (((Items_sales.payment_type)=2) AND ((Items_sales.date_d)<%d) AND ((Items_purchases.gramaj)>0))
        GROUP BY Items_purchases.sum_s
    )sql",
     1, -1, false},
    {R"sql(
        SELECT Sum(Contracts.gramaj) AS SumOfgramaj
        FROM Contracts
        WHERE ( finished = true ) and ( at_date < %d ) and( gramaj > 0 )
    )sql",
     0, -1, true},
    {R"sql(
        SELECT Contracts.sum_c, Count(*)
        FROM Contracts
        WHERE ( finished = true ) and ( at_date < %d ) and( gramaj > 0 )
        GROUP BY Contracts.sum_c
    )sql",
     0, -1, false},
    {R"sql(
        SELECT Sum(Contracts.gramaj) AS SumOfgramaj
        FROM Contracts
        WHERE ( date_c >= %d ) and ( date_c <= %d ) and( gramaj > 0 )
    )sql",
     2, 1, true},
    {R"sql(
        SELECT Contracts.sum_c, Count(*)
        FROM Contracts
        WHERE ( date_c >= %d ) and ( date_c <= %d ) and( gramaj > 0 )
        GROUP BY Contracts.sum_c
    )sql",
     2, 1, false},
    {R"sql(
        SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj
        FROM Items_purchases
        WHERE ( date_d >= %d ) and ( date_d <= %d ) and( gramaj > 0 )
    )sql",
     3, 1, true},
    {R"sql(
        SELECT Items_purchases.sum_s, Count(*)
        FROM Items_purchases
        WHERE ( date_d >= %d ) and ( date_d <= %d ) and( gramaj > 0 )
        GROUP BY Items_purchases.sum_s
    )sql",
     3, 1, false},
    {R"sql(
        SELECT Sum(Contracts.gramaj) AS SumOfgramaj
        FROM Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n
        WHERE (((Items_sales.payment_type)=1) AND ( Items_sales.date_d >= %d ) AND ( (Items_sales.date_d) <= %d ) )
        HAVING (((Sum(Contracts.gramaj))>0))
    )sql",
     4, 1, true},
    {R"sql(
        SELECT Items_sales.sum_s, Count(*)
        FROM Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n
        WHERE ( Items_sales.payment_type = 1 ) AND ( Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d )
          AND ( Contracts.gramaj > 0 )
        GROUP BY Items_sales.sum_s
    )sql",
     4, 1, false},
    {R"sql(
        SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj
        FROM Items_purchases INNER JOIN Items_sales ON Items_purchases.docno = Items_sales.contract_n
        WHERE (((Items_sales.payment_type)=2) AND ( Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d ) )
        HAVING (((Sum(Items_purchases.gramaj))>0))
    )sql",
     5, 1, true},
    {R"sql(
        SELECT Items_sales.sum_s, Count(*)
        FROM Items_purchases INNER JOIN Items_sales ON Items_purchases.docno = Items_sales.contract_n
        WHERE (((Items_sales.payment_type)=2) AND ( Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d )
          AND ((Items_purchases.gramaj)>0))
        GROUP BY Items_sales.sum_s
    )sql",
     5, 1, false},
    {R"sql(
        SELECT Sum(Contracts.gramaj) AS SumOfgramaj
        FROM Contracts
        WHERE ( finished = true ) and ( at_date >= %d ) and ( at_date <= %d ) and( gramaj > 0 )
    )sql",
     6, 1, true},
    {R"sql(
        SELECT Contracts.sum_c, Count(*)
        FROM Contracts
        WHERE ( finished = true ) and ( at_date >= %d ) and ( at_date <= %d ) and( gramaj > 0 )
        GROUP BY Contracts.sum_c
    )sql",
     6, 1, false},
    // What the items sold in the period cost, which leaves the stock.
    {R"sql(
        SELECT Contracts.sum_c, Count(*)
        FROM Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n
        WHERE ( Items_sales.payment_type = 1 ) AND ( Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d )
          AND ( Contracts.gramaj > 0 )
        GROUP BY Contracts.sum_c
    )sql",
     SoldPledgedCost, 1, false},
    {R"sql(
        SELECT Items_purchases.sum_s, Count(*)
        FROM Items_purchases INNER JOIN Items_sales ON Items_purchases.docno = Items_sales.contract_n
        WHERE ( Items_sales.payment_type = 2 ) AND ( Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d )
          AND ( Items_purchases.gramaj > 0 )
        GROUP BY Items_purchases.sum_s
    )sql",
     SoldBoughtCost, 1, false},
};

} // namespace

void GoldRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    // Grams in thousandths, money in the money decimals; columns as shown, 0-based.
    qint64 Grams[GoldSumCount] = {}, Money[GoldSumCount] = {};
    for (const TGoldSum& S : GoldSums) {
        const QString Sql = QString::fromUtf8(S.Sql);
        const QString Bound = Sql.count(u"%d"_s) == 2 ? Format(Sql, {From, To}) : Format(Sql, {From});
        const qint64 V = QuerySum(Owner, Bound, S.Grams ? GramDecimals : AmountDecimals);
        (S.Grams ? Grams : Money)[S.Column] += S.Sign * V;
    }
    Grams[7] = Grams[0] + Grams[2] - Grams[4] - Grams[6];
    Grams[8] = Grams[1] + Grams[3] - Grams[5];
    Money[7] = Money[0] + Money[2] - Money[SoldPledgedCost] - Money[6];
    Money[8] = Money[1] + Money[3] - Money[SoldBoughtCost];
    QStringList Amount{u"Количество"_s}, Price{u"Цена"_s}, Value{u"Стойност"_s};
    for (int C = 0; C < 9; ++C) {
        Amount += ScaledToFixedStr(Grams[C], GramDecimals);
        Value += ScaledToFixedStr(Money[C], AmountDecimals);
        const double G = Grams[C] / 1000.0, M = Money[C] / std::pow(10.0, AmountDecimals);
        Price +=
            FloatToFixedStr(ShownPriceDecimals, Grams[C] == 0 ? 0 : RoundToDigits(ShownPriceDecimals, M / G));
    }
    Rows.Add(Amount.join(u'@'));
    Rows.Add(Price.join(u'@'));
    Rows.Add(Value.join(u'@'));
}

TfrmZlato::TfrmZlato(QWidget* Owner)
    : TReportForm(Owner, {.Name = u"frmZlato"_s,
                          .Caption = u"Справка - злато"_s,
                          .DatesKey = u"frmKasa"_s,
                          .RunOnOpen = true,
                          .PrintSettings = u"frmZlato_print_settings"_s,
                          .PeriodTitle = true,
                          .Rows = GoldRows}) {
    SetupColumns({{u"Вид"_s, QString()},
                  {u"Налично"_s, u"заложено"_s},
                  {QString(), u"закупено"_s},
                  {u"Заприходено"_s, u"заложено"_s},
                  {QString(), u"закупено"_s},
                  {u"Продадено"_s, u"заложено"_s},
                  {QString(), u"закупено"_s},
                  {u"Откупено"_s, QString()},
                  {u"Остатък"_s, u"заложено"_s},
                  {QString(), u"закупено"_s}},
                 u"0,0,0,1|1,0,2,0|3,0,4,0|5,0,6,0|7,0,7,1|8,0,9,0|"_s);
    AlignColumns({0}, {caLeft, caCenter});
}

void TfrmZlato::RowsLoaded() {
    TFloatFormatter* Formatters[3] = {AmountFormatter, PriceFormatter, ValueFormatter};
    // The label column keeps its text.
    for (int R = 0; R < 3 && 2 + R < Grid->RowCount(); ++R)
        for (int C = 1; C < Grid->ColCount(); ++C)
            Grid->CellAttributes(C, 2 + R)->SetFormatter(Formatters[R]);
}
