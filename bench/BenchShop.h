#pragma once
// The shop the debt benchmarks run on: N contracts, each about a year old at AtDay, with their
// borrowers, items, two interest bands, a one-time fee and a daily fee of two bands.

#include "business/engine/unConsts.h"
#include "core/unDatabase.h"

#include <QString>
#include <cstdlib>

namespace bench {

constexpr int AtDay = 45658; // 01.01.2025
constexpr int Items = 1000;

inline void Exec(const QString& Sql) {
    if (!ExecSQL(nullptr, AdoConnection, Sql)) std::abort();
}

// N contracts, each about a year old: the payout, two interest instalments, a principal
// instalment that moves most balances into the other band, and a daily-fee payment. Two interest
// bands; one one-time fee and one daily fee with two bands. The contracts share ItemCount items.
inline void MakeShop(int N, int ItemCount = Items) {
    TTransaction transaction;
    Exec(QStringLiteral("Insert into Item_types values ( 1, \"Злато\" )"));
    for (int i = 1; i <= ItemCount; ++i)
        Exec(Format("Insert into Items values ( %d, \"Пръстен %d\", 1 )", {i, i}));
    const int owners = N / 2;
    for (int i = 1; i <= owners; ++i)
        Exec(Format(
            "Insert into Owners values ( %d, \"Собственик %d\", \"София\", \"\", \"\", \"\", True, False, "
            "1, \"\", \"\", \"\", \"\" )",
            {7000000000LL + i, i}));
    Exec(QStringLiteral("Insert into Interest_rates values ( 1, 0, 1000, 0.0600, 1 )"));
    Exec(QStringLiteral("Insert into Interest_rates values ( 2, 1000, 1000000, 0.0400, 1 )"));
    Exec(QStringLiteral("Insert into Taxes values ( 1, \"Оценка\", 1 )"));
    Exec(QStringLiteral("Insert into Taxes values ( 2, \"Съхранение\", 0 )"));
    Exec(QStringLiteral("Insert into Taxes_rates values ( 1, 1, 0, 1000000, 0.0100, 1 )"));
    Exec(QStringLiteral("Insert into Taxes_rates values ( 1, 2, 0, 800, 0.0300, 1 )"));
    Exec(QStringLiteral("Insert into Taxes_rates values ( 2, 2, 800, 1000000, 0.0150, 1 )"));
    int incomeNo = 0;
    for (int c = 1; c <= N; ++c) {
        const int date = AtDay - 360 + c % 30;
        const double amount = 500 + (c * 37) % 1500;
        Exec(Format(
            "Insert into Contracts values ( %d, %d, %d, %f, %f, 30, \"\", 0, 0, False, 0, %d, False, 0, "
            "%.3f, 0, %f, %f, %f, 0 )",
            {c, date, 1 + c % ItemCount, amount, 4.0, 7000000000LL + 1 + c % owners, 0.0, 0.0, 0.0, 0.0}));
        Exec(Format("Insert into Outcomes values ( %d, %d, %d, 1, %f, \"\", \"\", \"\" )",
                    {c, date, c, amount}));
        const auto receive = [&](int Day, int Type, double Sum) {
            Exec(Format("Insert into Incomes values ( %d, %d, %d, %d, %.*f, \"\", \"\", \"\" )",
                        {++incomeNo, Day, c, Type, 2, Sum}));
        };
        receive(date + 90, ptInInterest, amount * 0.12);
        receive(date + 120, ptInPrincipal, amount * 0.4);
        receive(date + 200, ptInInterest, amount * 0.1);
        receive(date + 250, FeePaymentType(2), 15);
    }
    transaction.Commit();
}

} // namespace bench
