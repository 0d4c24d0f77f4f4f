#include "shell/reports/un_Items_sales_Spravka.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/un_Print_contract_4_purchase_or_sale.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"

#include <QCoreApplication>
#include <QHash>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int SaleColumns = 20;

QString Fixed2(const QString& Text) {
    return RoundedText(Text, 2);
}

// The rows of List by the number in their first field; the first row of a number wins.
QHash<qint64, int> ByNumber(const TDelimitedStringList& List) {
    QHash<qint64, int> First;
    for (int R = List.Count() - 1; R >= 0; --R)
        First.insert(StrToIntOrZero(List.GetField(R, 0)), R);
    return First;
}

} // namespace

void ItemsSalesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows,
                           const std::function<void()>& Step) {
    Rows.Clear();
    TDelimitedStringList Sales, Pledged, Receipts, Bought;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno, date_d, contract_n, contract_n, contract_n, sum_s, customer_name, supplier_name,
               user_name, user_name, Items_sales.EGN, Owners.three_names, payment_type, payment_type,
               payment_type, contract_n, contract_n, contract_n, contract_n, contract_n
        FROM Owners INNER JOIN Items_sales ON Owners.EGN = Items_sales.EGN
        WHERE ( Items_sales.date_d >= %d AND Items_sales.date_d <= %d )
        ORDER BY docno
    )sql"_s,
                    {From, To}),
             &Sales);
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT Contracts.docno, Contracts.date_c, Contracts.code_i, Item_types.Name_i_t, Items.SN,
               Contracts.gramaj, Contracts.sum_c
        FROM Owners
             INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                         INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
             ON Owners.EGN = Contracts.EGN
        WHERE Contracts.Sold = True
        ORDER BY Contracts.docno
    )sql"_s,
             &Pledged);
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT Items_sales.docno, Incomes.sum_o
        FROM Items_sales INNER JOIN Incomes ON Items_sales.docno = Incomes.contract_n
        WHERE ( ((Incomes.payment_type)=4) OR ((Incomes.payment_type)=5) )
        GROUP BY Items_sales.docno, Incomes.sum_o
        ORDER BY Items_sales.docno
    )sql"_s,
             &Receipts);
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT Items_purchases.docno, Items_purchases.date_d, Items_purchases.code_i, Item_types.Name_i_t,
               Items.SN, Items_purchases.gramaj, Items_purchases.sum_s
        FROM Owners
             INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                         INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
             ON Owners.EGN = Items_purchases.EGN
        WHERE Items_purchases.Sold = True
    )sql"_s,
             &Bought);
    const QHash<qint64, int> PledgedAt = ByNumber(Pledged), ReceiptAt = ByNumber(Receipts),
                             BoughtAt = ByNumber(Bought);

    for (int R = 0; R < Sales.Count(); ++R) {
        if (Step) Step();
        QStringList Row(SaleColumns);
        for (int C = 0; C < SaleColumns; ++C)
            Row[C] = Sales.GetField(R, C);
        Row[5] = Fixed2(Row[5]);
        FormatEGN(Sales.GetField(R, 10), Row[10]);
        const qint64 DocNo = StrToIntOrZero(Row[0]), Origin = StrToIntOrZero(Row[15]);
        Row[18] = ReceiptAt.contains(DocNo) ? Fixed2(Receipts.GetField(ReceiptAt[DocNo], 1)) : u"0"_s;
        // What the query repeats in the origin's fields is only a placeholder; an origin that is not
        // found leaves them empty rather than showing a number as a weight or an amount.
        for (int C : {2, 3, 4, 12, 16, 17})
            Row[C].clear();
        // The item's code, its kind and its own name, weight and date, as the origin's query gives
        // them: the same columns for a pledged and a bought item.
        const auto FromOrigin = [&Row](const TDelimitedStringList& List, int P) {
            static constexpr std::pair<int, int> Fields[] = {{2, 2}, {3, 3}, {4, 4}, {12, 5}, {16, 1}};
            for (auto [To, From] : Fields)
                Row[To] = List.GetField(P, From);
        };
        const qint64 Type = StrToIntOrZero(Row[13]);
        if (Type == 1) {
            Row[14] = u"заложена вещ"_s;
            if (PledgedAt.contains(Origin)) {
                FromOrigin(Pledged, PledgedAt[Origin]);
                double Principal = 0;
                GetOutstandingPrincipal(Owner, Row[15], Principal);
                Row[17] = FloatToStrDot(-1, Principal);
            }
        } else if (Type == 2) {
            Row[14] = u"закупена вещ"_s;
            if (BoughtAt.contains(Origin)) {
                FromOrigin(Bought, BoughtAt[Origin]);
                Row[17] = Bought.GetField(BoughtAt[Origin], 6);
            }
        }
        if (!Row[12].isEmpty()) Row[12] = ScaledToFixedStr(RoundDecimal(DecimalOrZero(Row[12]), 3), 3);
        if (!Row[17].isEmpty()) Row[17] = Fixed2(Row[17]);
        Row[19] = Fixed2(SubNumStr(Row[18], Row[17].isEmpty() ? u"0"_s : Row[17]));
        Rows.Add(Row.join(u'@'));
    }
    AppendTotalsRow(Rows, SaleColumns, {{5, 2}, {12, 3}, {17, 2}, {18, 2}, {19, 2}});
}

TfrmItems_sales_Spravka::TfrmItems_sales_Spravka(QWidget* Owner)
    : TSpravkaForm(Owner,
                   {.Name = u"frmItems_sales_Spravka"_s,
                    .DatesKey = u"frmItems_sales_Spravka"_s,
                    .Progress = true,
                    .PrintSettings = u"frmItems_sales_print_settings"_s},
                   u"Печат на договор за продажба"_s) {
    SetupColumns({{u"Документ"_s, u"номер"_s},     {QString(), u"дата"_s},
                  {u"Вещ"_s, u"шифър"_s},          {QString(), u"наименование"_s},
                  {QString(), u"спецификация"_s},  {u"Сума"_s, QString()},
                  {u"Получил вещта"_s, QString()}, {u"Служител в ЗК"_s, QString()},
                  {u"Заложна къща"_s, QString()},  {u"Оператор"_s, QString()},
                  {u"Купувач"_s, u"ЕГН"_s},        {QString(), u"Имена"_s},
                  {u"Грамаж"_s, QString()},        {u"Продажба на"_s, u"шифър"_s},
                  {QString(), u"наименование"_s},  {u"Документ за произход"_s, u"номер"_s},
                  {QString(), u"дата"_s},          {QString(), u"сума"_s},
                  {u"Сума по"_s, u"ПКО"_s},        {u"Разлика"_s, QString()}},
                 u"0,0,1,0|2,0,4,0|5,0,5,1|6,0,6,1|7,0,7,1|8,0,8,1|9,0,9,1|10,0,11,0|12,0,12,1|13,0,14,0|"
                 "15,0,17,0|19,0,19,1|"_s);
}

bool TfrmItems_sales_Spravka::Init() {
    const bool Result = TSpravkaForm::Init();
    FormatColumns({5, 17, 18, 19}, ValueFormatter);
    FormatColumns({12}, AmountFormatter);
    AlignColumns({2, 13, 15}, {caCenter, caCenter});
    Grid->ColAttributes(8)->SetVisible(false);
    return Result;
}

void TfrmItems_sales_Spravka::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    SetStatusText(u" Извличане на данни от договори за залог и покупка на вещи"_s);
    ItemsSalesSpravkaRows(this, From, To, Rows, [] { QCoreApplication::processEvents(); });
    SetStatusText(QString());
}

void TfrmItems_sales_Spravka::PrintDocument() {
    if (!SelectedIsDocument()) return;
    FillPrintPurchaseSaleContract(this, SelectedCells(), false);
}
