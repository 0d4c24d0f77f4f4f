#include "tests/support/Books.h"

#include "core/unitTypes.h"
#include "tests/support/DbQuery.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

QString ContractBooksFaults(bool RedeemedRepaid) {
    const struct {
        QString What;
        QString Sql; // the numbers that break it
    } Rules[] = {
        {u"не едно изплащане"_s, uR"sql(
            SELECT docno FROM Contracts
             WHERE ( ( SELECT count(*) FROM Outcomes
                        WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ) <> 1 )
                OR ( Abs( IfNull( ( SELECT Sum( sum_o ) FROM Outcomes
                                     WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ), 0 )
                          - Sum_c ) >= 0.005 )
             ORDER BY docno)sql"_s},
        {u"главница извън заема"_s, uR"sql(
            SELECT docno FROM Contracts
             WHERE IfNull( ( SELECT Sum( sum_o ) FROM Incomes
                              WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ), 0 )
                   NOT BETWEEN -0.005 AND Sum_c + 0.005
             ORDER BY docno)sql"_s},
        {u"откупен с неизплатена главница"_s, uR"sql(
            SELECT docno FROM Contracts
             WHERE ( Finished = True )
               AND ( Abs( IfNull( ( SELECT Sum( sum_o ) FROM Incomes
                                     WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ), 0 )
                          - Sum_c ) >= 0.005 )
             ORDER BY docno)sql"_s},
        // A pledged item's sale (1) is received as type 4, a bought one's (2) as type 5.
        {u"продажба, платена не по цената си"_s, uR"sql(
            SELECT docno FROM Items_sales
             WHERE Abs( IfNull( ( SELECT Sum( sum_o ) FROM Incomes
                                   WHERE ( Incomes.contract_n = Items_sales.docno )
                                     AND ( Incomes.payment_type = Items_sales.payment_type + 3 ) ),
                                sum_s ) - sum_s ) >= 0.005
             ORDER BY docno)sql"_s},
    };
    QStringList Faults;
    for (const auto& Rule : Rules) {
        if (!RedeemedRepaid && Rule.What == u"откупен с неизплатена главница"_s) continue;
        if (const QString Numbers = QueryText(Rule.Sql); !Numbers.isEmpty())
            Faults << Rule.What + u": "_s + Numbers;
    }
    return Faults.join(u"; "_s);
}

void ExpectBooksHold() {
    EXPECT_EQ(ContractBooksFaults().toStdString(), "");
}

void ExpectTradeBooksHold(int Today) {
    const struct {
        const char* Rule;
        QString Sql; // the documents that break it
    } Rules[] = {
        {"a purchase paid by its own order", uR"sql(
            SELECT P.docno FROM Items_purchases AS P
             WHERE NOT EXISTS ( SELECT O.docno FROM Outcomes AS O
                                 WHERE ( O.contract_n = P.docno ) AND ( O.payment_type = 4 )
                                   AND ( O.date_d = P.date_d ) AND ( Abs( O.sum_o - P.sum_s ) < 0.005 ) ))sql"_s},
        {"a purchase payment naming a purchase", uR"sql(
            SELECT O.docno FROM Outcomes AS O
             WHERE ( O.payment_type = 4 )
               AND NOT EXISTS ( SELECT P.docno FROM Items_purchases AS P WHERE P.docno = O.contract_n ))sql"_s},
        {"a sale's receipt equal to its price", uR"sql(
            SELECT S.docno FROM Items_sales AS S
             WHERE EXISTS ( SELECT I.docno FROM Incomes AS I
                             WHERE ( I.contract_n = S.docno ) AND ( I.payment_type = S.payment_type + 3 ) )
               AND NOT EXISTS ( SELECT I.docno FROM Incomes AS I
                                 WHERE ( I.contract_n = S.docno ) AND ( I.payment_type = S.payment_type + 3 )
                                   AND ( I.date_d = S.date_d ) AND ( Abs( I.sum_o - S.sum_s ) < 0.005 ) ))sql"_s},
        {"a sale receipt naming a sale of its kind", uR"sql(
            SELECT I.docno FROM Incomes AS I
             WHERE ( ( I.payment_type = 4 ) OR ( I.payment_type = 5 ) )
               AND NOT EXISTS ( SELECT S.docno FROM Items_sales AS S
                                 WHERE ( S.docno = I.contract_n ) AND ( S.payment_type + 3 = I.payment_type ) ))sql"_s},
        {"a pledged item sold after its contract, on the day marked", uR"sql(
            SELECT S.docno FROM Items_sales AS S INNER JOIN Contracts AS C ON C.docno = S.contract_n
             WHERE ( S.payment_type = 1 )
               AND ( ( S.date_d < C.date_c ) OR ( C.sold = False ) OR ( C.sold_at_date <> S.date_d ) ))sql"_s},
        {"a bought item sold after its purchase, on the day marked", uR"sql(
            SELECT S.docno FROM Items_sales AS S INNER JOIN Items_purchases AS P ON P.docno = S.contract_n
             WHERE ( S.payment_type = 2 )
               AND ( ( S.date_d < P.date_d ) OR ( P.sold = False ) OR ( P.sold_at_date <> S.date_d ) ))sql"_s},
        {"no purchase after today",
         Format(u"SELECT docno FROM Items_purchases WHERE date_d > %d"_s, {Today})},
        {"no sale after today", Format(u"SELECT docno FROM Items_sales WHERE date_d > %d"_s, {Today})},
        {"no payment after today", Format(u"SELECT docno FROM Outcomes WHERE date_d > %d"_s, {Today})},
        {"no receipt after today", Format(u"SELECT docno FROM Incomes WHERE date_d > %d"_s, {Today})},
    };
    for (const auto& Rule : Rules)
        EXPECT_EQ(QueryText(Rule.Sql), QString()) << "broken: " << Rule.Rule;
}
