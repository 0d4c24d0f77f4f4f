#include "tests/support/Books.h"

#include "tests/support/DbQuery.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QString ContractBooksFaults() {
    QStringList Faults;
    const QString Payouts = QueryText(uR"sql(
        SELECT docno FROM Contracts
         WHERE ( ( SELECT count(*) FROM Outcomes
                    WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ) <> 1 )
            OR ( Abs( IfNull( ( SELECT Sum( sum_o ) FROM Outcomes
                                 WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ), 0 )
                      - Sum_c ) >= 0.005 )
         ORDER BY docno)sql"_s);
    if (!Payouts.isEmpty()) Faults << u"не едно изплащане: "_s + Payouts;
    const QString Principal = QueryText(uR"sql(
        SELECT docno FROM Contracts
         WHERE IfNull( ( SELECT Sum( sum_o ) FROM Incomes
                          WHERE ( contract_n = Contracts.docno ) AND ( payment_type = 1 ) ), 0 )
               NOT BETWEEN -0.005 AND Sum_c + 0.005
         ORDER BY docno)sql"_s);
    if (!Principal.isEmpty()) Faults << u"главница извън заема: "_s + Principal;
    return Faults.join(u"; "_s);
}
