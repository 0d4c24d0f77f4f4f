#pragma once
// Payment types of the cash orders, codes of the settings table VA and the names of the
// workstation options: the numbers every statement of the business windows relies on.

#include <QString>

// Outcomes.payment_type
constexpr int ptOutLoanPayout = 1;   // "за нов залог"
constexpr int ptOutOwnerPayment = 3; // "на собственик"
constexpr int ptOutItemPurchase = 4; // "при покупка"

// Incomes.payment_type
constexpr int ptInPrincipal = 1;         // "вноска по главница"
constexpr int ptInInterest = 2;          // "вноска по лихва"
constexpr int ptInOwnerContribution = 3; // "вноска на собственик"
constexpr int ptInSalePledgedItem = 4;   // "приход от продажба на заложена вещ"
constexpr int ptInSalePurchasedItem = 5; // "приход от продажба на закупена вещ"
// A fee is paid in with its own payment type: the fee's code_t above this base.
constexpr int ptInFeeBase = 5;
constexpr int FeePaymentType(int CodeT) {
    return ptInFeeBase + CodeT;
}

// Items_sales.payment_type
constexpr int ptSalePledgedItem = 1;   // "заложена вещ"
constexpr int ptSalePurchasedItem = 2; // "закупена вещ"

// VA.code_VA
constexpr int vaShopName = 1;
constexpr int vaShopSeatAddress = 2;
constexpr int vaBulstat = 3;
constexpr int vaPremisesAddressPhone = 4;
constexpr int vaRepresentative = 5;
constexpr int vaUnlabelled6 = 6;
constexpr int vaUnlabelled7 = 7;
constexpr int vaWorkingHours = 8;
constexpr int vaWorkingHoursDaysOff = 9;
constexpr int vaManagerPassword = 12;

// Workstation options: registry values named after the settings window's radio groups.
inline const QString rg_Registry_1 = QStringLiteral("rg_Registry_1"); // only today's pledge contracts
inline const QString rg_Registry_2 = QStringLiteral("rg_Registry_2"); // only today's cash receipt orders
inline const QString rg_Registry_3 = QStringLiteral("rg_Registry_3"); // only today's cash payment orders
inline const QString rg_Registry_4 = QStringLiteral("rg_Registry_4"); // total debt in the sale window's list
inline const QString rg_Registry_5 = QStringLiteral("rg_Registry_5"); // return of items declared for sale
inline const QString rg_Registry_6 = QStringLiteral("rg_Registry_6"); // interest in steps of 15 days
inline const QString rg_Registry_7 = QStringLiteral("rg_Registry_7"); // only today's sale contracts

// A workstation option is on only when its value is exactly "1"; anything else, or no value, is off.
bool WorkstationOptionOn(const QString& Name);
