#include "tests/support/Books.h"

#include "tests/support/DbQuery.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

qint64 Cents(const QString& Amount) {
    return qRound64(Amount.toDouble() * 100);
}

QList<QStringList> Rows(const QString& Sql) {
    QList<QStringList> Result;
    const QString Text = QueryText(Sql);
    if (!Text.isEmpty())
        for (const QString& Row : Text.split(u'°'))
            Result << Row.split(u'@');
    return Result;
}

} // namespace

void ExpectBooksHold() {
    for (const QStringList& C : Rows(uR"sql(
        SELECT Contracts.docno, Contracts.Finished,
               ( SELECT IfNull( Sum( sum_o ), 0 ) FROM Outcomes
                  WHERE Outcomes.contract_n = Contracts.docno AND Outcomes.payment_type = 1 ),
               ( SELECT IfNull( Sum( sum_o ), 0 ) FROM Incomes
                  WHERE Incomes.contract_n = Contracts.docno AND Incomes.payment_type = 1 )
          FROM Contracts)sql"_s)) {
        const qint64 Loan = Cents(C.value(2)), Repaid = Cents(C.value(3));
        EXPECT_GE(Repaid, 0) << "contract " << C.value(0).toStdString();
        EXPECT_LE(Repaid, Loan) << "contract " << C.value(0).toStdString();
        if (C.value(1) == u"True"_s)
            EXPECT_EQ(Repaid, Loan) << "redeemed contract " << C.value(0).toStdString();
    }
    // A pledged item's sale (1) is received as type 4, a bought one's (2) as type 5.
    for (const QStringList& S : Rows(uR"sql(
        SELECT Items_sales.docno, Items_sales.sum_s,
               ( SELECT Sum( sum_o ) FROM Incomes
                  WHERE Incomes.contract_n = Items_sales.docno
                    AND Incomes.payment_type = Items_sales.payment_type + 3 )
          FROM Items_sales)sql"_s))
        if (!S.value(2).isEmpty())
            EXPECT_EQ(Cents(S.value(2)), Cents(S.value(1))) << "sale " << S.value(0).toStdString();
}
