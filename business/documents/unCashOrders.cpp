#include "business/documents/unCashOrders.h"

#include "Components/Grids/GridFuncs.h"
#include "business/documents/DocumentForm.h"
#include "business/documents/un_Items_sales.h"
#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/un_Print_Order.h"
#include "business/registers/RegisterForm.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unStringFuncs.h"
#include "framework/forms/MAccountReadForm.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

qint64 Day(TDateTime Date) {
    return Whole(std::floor(Date));
}

// The order checks both windows make first: the number and the amount.
void NumberAndSumCheck(const TCashOrderEntry& Entry, const TCashOrderCheck& Check, QString& Text) {
    Text += DocNoValidationText(Entry.DocNo, Check.GridNumbers);
    if (Entry.Sum == 0) Text += u"\n\r"_s + u"Общата сума на документа е нула!"_s;
}

// The checks of a new order both windows make last: today's date, and a number no saved order has
// (Stored names the number).
void NewOrderCheck(const TCashOrderEntry& Entry, const TCashOrderCheck& Check, const QString& Stored,
                   QString& Text) {
    if (Check.EditingRow) return;
    if (std::floor(Entry.Date) != std::floor(Check.Today))
        Text += u"Нов ордер може да бъде направен само на днешна дата"_s;
    if (Check.DocNoStored) Text += Format(Stored, {Whole(Entry.DocNo)});
}

// The dates an edited order may not take: after today, before its contract, after the
// contract's redemption.
void EditedOrderDateCheck(const TCashOrderEntry& Entry, const TCashOrderCheck& Check, QString& Text) {
    if (!Check.EditingRow) return;
    const QString Sep = u"\n\r"_s;
    const qint64 Date = Day(Entry.Date);
    if (Date > Day(Check.Today)) Text += Sep + u"Датата на ордера е след днешната."_s;
    const TContractState& Contract = Check.Contract;
    if (!Contract.Stored) return;
    const QString Number = Entry.Contract.trimmed();
    if (Date < Day(Contract.Date))
        Text += Sep + Format(u"Датата на ордера е преди датата на договор номер %s (%s)."_s,
                             {Number, DateToStr(Contract.Date)});
    if (Contract.Finished && Date > Day(Contract.RedeemedAt))
        Text += Sep + Format(u"Датата на ордера е след откупуването на договор номер %s (%s)."_s,
                             {Number, DateToStr(Contract.RedeemedAt)});
}

// Only the orders dated Today, ahead of each query's own condition.
QString TodayCondition(const QString& Table, bool TodayOnly, TDateTime Today) {
    return TodayOnly ? Format(u"( %s.date_d = %d ) AND "_s, {Table, Day(Today)}) : QString();
}

// An order with its number given as SQL: a literal, or the next number taken at Save.
QString OrderInsertSql(const QString& Table, const QString& Number, TDateTime Date, qint64 Document,
                       int PaymentType, double Amount, const QString& Customer, const QString& Supplier,
                       const QString& UserName) {
    return Format(uR"sql(Insert into %s values ( %s, %d, %d, %d, %f, "%s", "%s", "%s" ))sql"_s,
                  {Table, Number, Day(Date), Document, PaymentType, RoundToDigits(AmountDecimals, Amount),
                   SqlText(Customer), SqlText(Supplier), SqlText(UserName)});
}

} // namespace

bool OtherDocument(const TCashOrderEntry& Entry, const TCashOrderEntry& Lifted) {
    return Entry.PaymentType != Lifted.PaymentType || Entry.Owner.trimmed() != Lifted.Owner.trimmed() ||
           Entry.Contract.trimmed() != Lifted.Contract.trimmed();
}

bool OrderMoneyChanged(const TCashOrderEntry& Entry, const TCashOrderEntry& Lifted) {
    return OtherDocument(Entry, Lifted) || Whole(Entry.Sum * 100) != Whole(Lifted.Sum * 100) ||
           Day(Entry.Date) != Day(Lifted.Date);
}

QString IncomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text;
    NumberAndSumCheck(Entry, Check, Text);
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    const bool hasOwner = !Entry.Owner.trimmed().isEmpty();
    const bool hasContract = !Entry.Contract.trimmed().isEmpty();
    if (hasOwner && !hasContract)
        Text += Sep + u"Избрали сте заемоплоучател, но не сте попълнили номер на договор."_s;
    if (IsContractPaymentType(Entry.PaymentType)) {
        // Both filled: the contract itself says why it takes nothing.
        if (!hasOwner || !hasContract)
            Text += Sep + u"Избрали сте избрали сте приход от клиент, а не сте поплълнили данни за клиента и "
                          "договора."_s;
        else if (!Check.ContractRefusal.isEmpty())
            Text += Sep + Check.ContractRefusal;
        if (!Check.DebtFailure.isEmpty()) Text += Sep + Check.DebtFailure;
        if (Check.AmountsKnown) {
            const QString Refusal =
                ReceiptAmountRefusal(Entry.PaymentType, Entry.Sum, Check.Owed, Check.Received);
            if (!Refusal.isEmpty()) Text += Sep + Refusal;
        }
    }
    if (!Check.CorrectionsRefusal.isEmpty()) Text += Sep + Check.CorrectionsRefusal;
    if (Entry.PaymentType == 3 && (hasOwner || hasContract))
        Text += Sep + u"Избрали сте вноска на собственик, а сте поплълнили данни за клиента и договора."_s;
    if (!Check.TypeListed) Text += Sep + u"Въведете вид на ПКО"_s;
    if ((Entry.PaymentType == 4 || Entry.PaymentType == 5) && !Check.SaleListed)
        Text += Sep + (hasContract ? Format(u"Няма продажба на %s с номер \"%s\"."_s,
                                            {SaleTypeText(Entry.PaymentType == 4 ? stPledged : stPurchased),
                                             Entry.Contract.trimmed()})
                                   : u"Въведете номер на продажба"_s);
    // What a redeemed or sold contract was paid stays as it was booked.
    const TContractState& Closed = Check.LiftedContract;
    if (Check.EditingRow && IsContractPaymentType(Check.Lifted.PaymentType) &&
        (Closed.Finished || Closed.Sold) && OrderMoneyChanged(Entry, Check.Lifted))
        Text += Sep + ClosedContractText(StrToIntOrZero(Check.Lifted.Contract.trimmed()), Closed, false);
    EditedOrderDateCheck(Entry, Check, Text);
    NewOrderCheck(Entry, Check, u"ПКО номер \"%d\" съществува в базата данни. Изберете друг номер на ПКО."_s,
                  Text);
    return Text;
}

QString OutcomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text;
    NumberAndSumCheck(Entry, Check, Text);
    if (Entry.Customer.trimmed().isEmpty()) Text += Sep + u"Въведете клиент!"_s;
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    const bool hasOwner = !Entry.Owner.trimmed().isEmpty();
    const QString Contract = Entry.Contract.trimmed();
    if (hasOwner && Contract.isEmpty())
        Text += Sep + u"Избрали сте заемоплоучател, но не сте попълнили номер на договор."_s;
    // A loan is paid out by its contract alone; the edit of an order that keeps its contract (the
    // booking back of a deleted one) is the operator's.
    if (Entry.PaymentType == 1 && !Check.SameDocument) {
        if (Contract.isEmpty()) {
            if (!hasOwner) Text += Sep + u"Въведете номер на договор"_s;
        } else if (!Check.Contract.Stored) {
            Text += Sep + NoContractText(Contract);
        } else if (!Check.Payouts.isEmpty()) {
            Text += Sep + PayoutTakenText(Contract, Check.Payouts);
        }
    }
    // A purchase's payment names a purchase in the books.
    if (Entry.PaymentType == 4 && !Check.PurchaseListed)
        Text += Sep + (Contract.isEmpty() ? u"Въведете номер на покупка"_s
                                          : Format(u"Няма покупка с номер \"%s\"."_s, {Contract}));
    EditedOrderDateCheck(Entry, Check, Text);
    NewOrderCheck(Entry, Check, u"РКО номер \"%d\" съществува в базата данни. Изберете друг номер на РКО."_s,
                  Text);
    return Text;
}

QString IncomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName) {
    return Format(uR"sql(Insert into %s values ( %d, %d, %d, %d, %.*f, "%s", "%s", "%s" ))sql"_s,
                  {Table, Whole(Entry.DocNo), Day(Entry.Date), StrToIntOrZero(Entry.Contract.trimmed()),
                   Entry.PaymentType, AmountDecimals, RoundToDigits(AmountDecimals, Entry.Sum),
                   SqlText(Entry.Customer), SqlText(Entry.Supplier), SqlText(UserName)});
}

QString IncomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                        const TCashOrderEntry& Entry) {
    return Format(uR"sql(
        Update %s
           Set date_d        = %d,
               contract_n    = %d,
               payment_type  = %d,
               sum_o         = %.*f,
               Customer_name = "%s",
               Supplier_name = "%s"
         Where ( %s = %d ))sql"_s,
                  {Table, Day(Entry.Date), StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType,
                   AmountDecimals, RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer),
                   SqlText(Entry.Supplier), KeyField, Key});
}

QString OutcomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName) {
    return OrderInsertSql(Table, QString::number(Whole(Entry.DocNo)), Entry.Date,
                          StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType, Entry.Sum,
                          Entry.Customer, Entry.Supplier, UserName);
}

QString OutcomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                         const TCashOrderEntry& Entry) {
    return Format(uR"sql(
        Update %s
           Set date_d        = %d,
               contract_n    = %d,
               payment_type  = %d,
               sum_o         = %f,
               Customer_name = "%s",
               Supplier_name = "%s"
         Where ( %s = %d ))sql"_s,
                  {Table, Day(Entry.Date), StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType,
                   RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
                   KeyField, Key});
}

QString ReceiptContractRefusal(const QString& Contract, const QString& Owner, const TContractState& State,
                               bool IncludeForSale) {
    if (!State.Stored) return NoContractText(Contract);
    QString EGN;
    FormatEGN(Owner.trimmed(), EGN);
    if (State.EGN != StrToIntOrZero(EGN))
        return Format(u"Договор номер %s е на друг заемополучател."_s, {Contract});
    if (State.Finished) return Format(u"Договор номер %s е откупен."_s, {Contract});
    if (State.Sold) return Format(u"Договор номер %s е продаден."_s, {Contract});
    return ForSaleRefusal(Contract, State, IncludeForSale);
}

QString ForSaleRefusal(const QString& Contract, const TContractState& State, bool IncludeForSale) {
    if (!State.ForSale || IncludeForSale) return QString();
    return Format(u"Договор номер %s е обявен за продажба."_s, {Contract});
}

double OwedOfType(const QString& DebtRow, const TDelimitedStringList& OneTimeFees,
                  const TDelimitedStringList& DailyFees, int Type) {
    if (Type == ptInPrincipal || Type == ptInInterest)
        return StrToFloatDot(GetPiece(DebtRow, FieldDelimiterChar,
                                      Type == ptInPrincipal ? dfPrincipalOutstanding : dfInterestDue),
                             0);
    // A fee's payment type is its code plus 5; the daily fees are looked up first.
    const QString Code = QString::number(Type - FeePaymentType(0));
    for (const TDelimitedStringList* Fees : {&DailyFees, &OneTimeFees})
        if (const int Row = FindRowByField(Code, Fees, 0); Row >= 0)
            return StrToFloatDot(Fees->GetField(Row, 4), 0);
    return 0;
}

bool OwedOnContract(QObject* Owner, qint64 Contract, int Type, TDateTime AtDate, double& Owed,
                    QString& Failure) {
    Owed = 0;
    QString Row;
    TDelimitedStringList OneTime, Daily;
    if (!ContractDebtQuietly(Owner, QString::number(Contract), Row, AtDate, OneTime, Daily, Failure))
        return false;
    Owed = OwedOfType(Row, OneTime, Daily, Type);
    return true;
}

double ReceivedOnContract(QObject* Owner, qint64 Contract, int Type) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Sum( sum_o ) FROM Incomes
         WHERE ( contract_n = %d ) AND ( payment_type = %d ))sql"_s,
                    {Contract, Type}),
             &List);
    return RoundToDigits(AmountDecimals, StrToFloatDot(List.GetTextStr(), 0));
}

QString ReceiptAmountRefusal(int Type, double Sum, double Owed, double Received) {
    const qint64 Cents = std::llround(Sum * 100);
    if (Cents > 0 && Cents > std::llround(Owed * 100)) {
        const QString Left = FloatToFixedStr(AmountDecimals, std::max(Owed, 0.0));
        if (Type == ptInPrincipal)
            return Format(u"Вноската по главницата надвишава остатъка по договора (%s)."_s, {Left});
        if (Type == ptInInterest)
            return Format(u"Вноската по лихвата надвишава дължимата лихва по договора (%s)."_s, {Left});
        return Format(u"Вноската по таксата надвишава дължимата такса по договора (%s)."_s, {Left});
    }
    // A correction takes back at most what was received, so that it never raises the debt.
    if (Cents < 0 && -Cents > std::llround(Received * 100))
        return Format(u"Корекцията надвишава полученото по договора с този вид ПКО (%s)."_s,
                      {FloatToFixedStr(AmountDecimals, std::max(Received, 0.0))});
    return QString();
}

TContractState ReadContractState(QObject* Owner, qint64 DocNo) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Finished, Sold, date_c, At_Date, for_sale, EGN, sold_at_date, for_sale_date
          FROM Contracts
         WHERE docno = %d)sql"_s,
                    {DocNo}),
             &List);
    TContractState State;
    if (List.Count() == 0) return State;
    State.Stored = true;
    State.Finished = List.GetField(0, 0) == u"True"_s;
    State.Sold = List.GetField(0, 1) == u"True"_s;
    TryStrToDate(List.GetField(0, 2), State.Date);
    TryStrToDate(List.GetField(0, 3), State.RedeemedAt);
    State.ForSale = List.GetField(0, 4) == u"True"_s;
    State.EGN = StrToIntOrZero(List.GetField(0, 5));
    TryStrToDate(List.GetField(0, 6), State.SoldAt);
    TryStrToDate(List.GetField(0, 7), State.ForSaleAt);
    return State;
}

QString PledgedItemQuestion(QObject* Owner, const QString& ItemCode, const QString& Question,
                            const QList<qint64>& Queued) {
    TDelimitedStringList Pledges;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno FROM Contracts
         WHERE ( code_i = %d ) AND ( Finished = False ) AND ( Sold = False )
         ORDER BY docno)sql"_s,
                    {StrToIntOrZero(ItemCode.trimmed())}),
             &Pledges);
    QList<qint64> Numbers = Queued;
    for (int R = 0; R < Pledges.Count(); ++R)
        Numbers << StrToIntOrZero(Pledges.GetField(R, 0));
    std::sort(Numbers.begin(), Numbers.end());
    Numbers.erase(std::unique(Numbers.begin(), Numbers.end()), Numbers.end());
    if (Numbers.isEmpty()) return QString();
    TDelimitedStringList Named;
    for (const qint64 Number : Numbers)
        Named.Add(QString::number(Number));
    return Format(
        u"Вещ %s е в залог по %s. %s"_s,
        {ItemCode.trimmed(),
         NumbersUseText(Numbers.size() == 1 ? u"неприключен договор"_s : u"неприключени договори"_s, Named),
         Question});
}

QString ContractChangedText() {
    return u"Договорът е променен междувременно. Изберете договора отново."_s;
}

QString CorrectionsExceedText(qint64 DocNo, int Type, qint64 TotalCents) {
    return Format(u"Приходите по договор номер %d с вид ПКО %d биха станали с %s по-малко от направените по "
                  "тях корекции."_s,
                  {DocNo, Type, Money(-TotalCents)});
}

QString ClosedContractText(qint64 DocNo, const TContractState& State, bool Delete) {
    const QString Closed = State.Finished ? u"откупен"_s : u"продаден"_s;
    return Format(
        Delete ? u"Договор номер %d е %s: ордерите по него не могат да бъдат изтрити."_s
               : u"Договор номер %d е %s: сумата, видът и датата на ордерите по него не се променят."_s,
        {DocNo, Closed});
}

QString PayoutTakenText(const QString& DocNo, const QStringList& Payouts) {
    return Format(u"По договор номер %s вече е изплатен заем (разходен касов ордер номер %s)."_s,
                  {DocNo, Payouts.join(u", "_s)});
}

QString NoContractText(const QString& DocNo) {
    return Format(u"Няма договор с номер \"%s\"."_s, {DocNo});
}

QString PayoutContract(QObject* Owner, qint64 OrderNo) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Outcomes.contract_n
          FROM Outcomes INNER JOIN Contracts ON Contracts.docno = Outcomes.contract_n
         WHERE ( Outcomes.docno = %d ) AND ( Outcomes.payment_type = 1 ))sql"_s,
                    {OrderNo}),
             &List);
    return List.Count() > 0 ? List.GetField(0, 0).trimmed() : QString();
}

QString PayoutRefusal(qint64 OrderNo, const QString& Contract) {
    return Format(u"Разходен касов ордер номер %d е изплащането по договор номер %s. То се записва и променя "
                  "само от договора."_s,
                  {OrderNo, Contract});
}

QString OwnOrderRefusal(QObject* Owner, const QString& Table, qint64 OrderNo) {
    const bool Receipt = Table == u"Incomes"_s;
    if (!Receipt)
        if (const QString Contract = PayoutContract(Owner, OrderNo); !Contract.isEmpty())
            return PayoutRefusal(OrderNo, Contract);
    TCashOrderEntry Order;
    if (!ReadStoredOrder(Owner, Table, OrderNo, Order)) return QString();
    const int Type = Order.PaymentType;
    if (Receipt ? Type != 4 && Type != 5 : Type != 4) return QString();
    const qint64 Document = StrToIntOrZero(Order.Contract);
    if (OwnOrderNumber(Owner, Table, Receipt ? u"Items_sales"_s : u"Items_purchases"_s, Document, Type) !=
        OrderNo)
        return QString();
    return Format(
        Receipt ? u"Приходен касов ордер номер %d е постъплението от продажба номер %d. То се записва и "
                  "променя само от продажбата."_s
                : u"Разходен касов ордер номер %d е плащането на покупка номер %d. То се записва и "
                  "променя само от покупката."_s,
        {OrderNo, Document});
}

bool ReadStoredOrder(QObject* Owner, const QString& Table, qint64 DocNo, TCashOrderEntry& Order) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT contract_n, payment_type, sum_o, date_d FROM %s WHERE docno = %d)sql"_s,
                    {Table, DocNo}),
             &List);
    if (List.Count() == 0) return false;
    Order.DocNo = double(DocNo);
    Order.Contract = List.GetField(0, 0).trimmed();
    Order.PaymentType = int(StrToIntOrZero(List.GetField(0, 1)));
    Order.Sum = StrToFloatDot(List.GetField(0, 2), 0);
    TryStrToDate(List.GetField(0, 3), Order.Date);
    return true;
}

bool RecordStored(QObject* Owner, const QString& Table, const QString& KeyField, qint64 Key) {
    TDelimitedStringList Found;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT %s FROM %s WHERE ( %s = %d ))sql"_s, {KeyField, Table, KeyField, Key}),
             &Found);
    return Found.Count() > 0;
}

bool DocumentNumberStored(QObject* Owner, const QString& Table, double DocNo) {
    return RecordStored(Owner, Table, u"docno"_s, Whole(DocNo));
}

QString NextDocNoSql(const QString& Table) {
    return Format(uR"sql(( Select IfNull( max( docno ), 0 ) + 1 From %s ))sql"_s, {Table});
}

QString LinkedOrderSql(const QString& Table, TDateTime Date, qint64 Document, int PaymentType, double Amount,
                       const QString& Customer, const QString& Supplier, const QString& UserName) {
    return OrderInsertSql(Table, NextDocNoSql(Table), Date, Document, PaymentType, Amount, Customer, Supplier,
                          UserName);
}

QString LinkedOrderUpdateSql(const QString& Table, qint64 OrderNo, qint64 Document, int PaymentType,
                             TDateTime Date, double Amount, const QString& Customer,
                             const QString& Supplier) {
    return Format(uR"sql(
        UPDATE %s
           SET date_d        = %d,
               sum_o         = %f,
               Customer_name = "%s",
               Supplier_name = "%s"
         WHERE ( docno = %d ) AND ( contract_n = %d ) AND ( payment_type = %d ))sql"_s,
                  {Table, Day(Date), RoundToDigits(AmountDecimals, Amount), SqlText(Customer),
                   SqlText(Supplier), OrderNo, Document, PaymentType});
}

qint64 OwnOrderNumber(QObject* Owner, const QString& Table, const QString& DocumentTable, qint64 Document,
                      int PaymentType) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Orders.docno
          FROM %s AS Orders INNER JOIN %s AS Documents ON Orders.contract_n = Documents.docno
         WHERE ( Documents.docno = %d ) AND ( Orders.payment_type = %d )
           AND ( Orders.date_d = Documents.date_d ) AND ( Abs( Orders.sum_o - Documents.sum_s ) < 0.005 )
         ORDER BY Orders.docno)sql"_s,
                    {Table, DocumentTable, Document, PaymentType}),
             &List);
    return List.Count() > 0 ? StrToIntOrZero(List.GetField(0, 0).trimmed()) : 0;
}

QStringList LinkedOrderNumbers(QObject* Owner, const QString& Table, qint64 Document, int PaymentType) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno FROM %s
         WHERE ( contract_n = %d ) AND ( payment_type = %d )
         ORDER BY docno)sql"_s,
                    {Table, Document, PaymentType}),
             &List);
    QStringList Numbers;
    for (int R = 0; R < List.Count(); ++R)
        Numbers += List.GetField(R, 0).trimmed();
    return Numbers;
}

QString OrdersToCorrectText(QObject* Owner, const QString& Table, int PaymentType, qint64 Document,
                            qint64 OwnOrder, const QString& Noun) {
    QStringList Numbers = LinkedOrderNumbers(Owner, Table, Document, PaymentType);
    Numbers.removeAll(QString::number(OwnOrder));
    if (Numbers.isEmpty()) return QString();
    const QString Orders = Table == u"Incomes"_s ? u"приходни касови ордери"_s : u"разходни касови ордери"_s;
    return Format(u"Цената на %s номер %d е променена. Коригирайте и %s № %s, които също са към нея."_s,
                  {Noun, Document, Orders, Numbers.join(u", "_s)});
}

QString PayableContractListSql(qint64 EGN, bool IncludeForSale) {
    // Contracts declared for sale are paid only where the workstation allows it.
    const QString ForSale = IncludeForSale ? QString() : u"AND ( Contracts.for_sale = False )"_s;
    return Format(uR"sql(
        SELECT Contracts.docno, Item_types.Name_i_t, Items.SN, Contracts.date_c
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
               ON Owners.EGN = Contracts.EGN
         WHERE ( Contracts.Finished = False) and ( Owners.EGN = %f ) AND ( Contracts.sold = False ) %s
         ORDER BY Contracts.docno)sql"_s,
                  {double(EGN), ForSale});
}

QString ContractOwnerName(QObject* Owner, qint64 DocNo) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Owners.Three_names
          FROM Owners INNER JOIN Contracts ON Owners.EGN = Contracts.EGN
         WHERE (((Contracts.docno)= %d )))sql"_s,
                    {DocNo}),
             &List);
    return List.GetTextStr();
}

// Control characters, which no edit lets an operator type.
const QString OperatorMark = u"\u0001operator\u0001"_s;
const QString OperatorNameMark = u"\u0001operator name\u0001"_s;

QString SignedSql(QString Sql, const QString& UserName, const QString& FullName) {
    return Sql.replace(OperatorMark, SqlText(UserName)).replace(OperatorNameMark, SqlText(FullName));
}

QStringList SignedStatements(QObject* Owner, const QStringList& Statements, const QString& UserName) {
    QString FullName;
    bool FullNameRead = false;
    QStringList Signed;
    for (const QString& Sql : Statements) {
        if (!FullNameRead && Sql.contains(OperatorNameMark)) {
            FullName = OperatorFullName(Owner, UserName);
            FullNameRead = true;
        }
        Signed << SignedSql(Sql, UserName, FullName);
    }
    return Signed;
}

QString OperatorFullName(QObject* Owner, const QString& UserName) {
    if (UserName == OperatorMark) return OperatorNameMark;
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(Select three_names from users_passwords Where ( user_name = "%s" ))sql"_s,
                    {SqlText(UserName)}),
             &List);
    return List.GetTextStr();
}

// ---------------------------------------------------------------------------------------------
// The lists

QString DocumentNumbersCondition(const QString& Field, const QList<qint64>& Numbers) {
    if (Numbers.isEmpty()) return QString();
    QStringList Listed;
    for (const qint64 Number : Numbers)
        Listed << QString::number(Number);
    return Format(u"( %s IN ( %s ) ) AND "_s, {Field, Listed.join(u", "_s)});
}

QStringList IncomeListSql(bool TodayOnly, TDateTime Today, const QList<qint64>& Only) {
    const QString Filter =
        TodayCondition(u"Incomes"_s, TodayOnly, Today) + DocumentNumbersCondition(u"Incomes.docno"_s, Only);
    return {uR"sql(
        SELECT Incomes.docno, Incomes.date_d, Incomes.contract_n, Incomes.sum_o, Contracts.EGN,
               Incomes.payment_type, Incomes.customer_name, Incomes.supplier_name, Incomes.user_name
          FROM Incomes LEFT JOIN Contracts ON Contracts.docno = Incomes.contract_n
         WHERE %1( Incomes.payment_type = 1 OR Incomes.payment_type = 2 OR Incomes.payment_type > 5 ))sql"_s
                .arg(Filter),
            uR"sql(
        SELECT docno, date_d, contract_n, sum_o, sum_o,
               payment_type, customer_name, supplier_name, user_name
          FROM Incomes
         WHERE %1(((Incomes.payment_type)=3)))sql"_s.arg(Filter),
            uR"sql(
        SELECT Incomes.docno, Incomes.date_d, Incomes.contract_n, Incomes.sum_o, Items_sales.EGN,
               Incomes.payment_type, Incomes.customer_name, Incomes.supplier_name, Incomes.user_name
          FROM Incomes LEFT JOIN Items_sales ON Items_sales.docno = Incomes.contract_n
         WHERE %1( ((Incomes.payment_type)=4) OR ((Incomes.payment_type)=5) ))sql"_s.arg(Filter)};
}

QStringList OutcomeListSql(bool TodayOnly, TDateTime Today, const QList<qint64>& Only) {
    const QString Filter =
        TodayCondition(u"Outcomes"_s, TodayOnly, Today) + DocumentNumbersCondition(u"Outcomes.docno"_s, Only);
    return {uR"sql(
        SELECT Outcomes.docno, Outcomes.date_d, Outcomes.contract_n, Outcomes.sum_o, Contracts.EGN,
               Outcomes.customer_name, Outcomes.supplier_name, Outcomes.payment_type,
               Outcomes.payment_type, Outcomes.user_name
          FROM Outcomes LEFT JOIN Contracts ON Contracts.docno = Outcomes.contract_n WHERE %1(((Outcomes.payment_type)=1)))sql"_s
                .arg(Filter),
            uR"sql(
        SELECT docno, date_d, contract_n, sum_o, sum_o,
               customer_name, supplier_name, payment_type, payment_type, user_name
          FROM Outcomes WHERE %1(((Outcomes.payment_type)=3)))sql"_s.arg(Filter),
            uR"sql(
        SELECT Outcomes.docno, Outcomes.date_d, Outcomes.contract_n, Outcomes.sum_o, Items_purchases.EGN,
               Outcomes.customer_name, Outcomes.supplier_name, Outcomes.payment_type,
               Outcomes.payment_type, Outcomes.user_name
          FROM Outcomes LEFT JOIN Items_purchases ON Items_purchases.docno = Outcomes.contract_n WHERE %1(((Outcomes.payment_type)=4)))sql"_s
                .arg(Filter)};
}

QString OutcomeKindText(int Type) {
    switch (Type) {
    case 1:
        return u"за нов залог"_s;
    case 3:
        return u"на собственик"_s;
    case 4:
        return u"при покупка"_s;
    default:
        return QString();
    }
}

bool LoadCashOrderList(TMAccountReadForm* Form, const QStringList& Sqls, bool Payments) {
    TDelimitedStringList List;
    if (!ReadCashOrderRows(Form, Sqls, Payments, List)) return false;
    Form->ApplyFilterToRows(&List);
    LoadGridFromList(Form->Grid, &List, true);
    return true;
}

namespace {

// Where field Field of Record starts and ends; Start is past the record's end when it has fewer.
void FieldBounds(const QString& Record, int Field, qsizetype& Start, qsizetype& End) {
    Start = 0;
    for (int f = 0; f < Field && Start <= Record.size(); ++f) {
        const qsizetype At = Record.indexOf(FieldDelimiterChar, Start);
        Start = At < 0 ? Record.size() + 1 : At + 1;
    }
    End = Start > Record.size() ? Start : Record.indexOf(FieldDelimiterChar, Start);
    if (End < 0) End = Record.size();
}

} // namespace

bool ReadCashOrderRows(QObject* Owner, const QStringList& Sqls, bool Payments, TDelimitedStringList& List) {
    // Each row becomes the record the grid shows in one go, straight from the row reader: a big
    // shop's list holds half a million of them. The same amounts and borrowers come back again and
    // again, so each is formatted once, keyed by the text the database gives for it.
    List.Clear();
    std::vector<std::pair<qint64, QString>> Rows;
    QHash<QString, QString> Amounts, Owners;
    QString Value;
    qsizetype LastLength = 0;
    try {
        for (int i = 0; i < Sqls.size(); ++i) {
            // The owner's payments have no owner.
            const bool NoOwner = i == 1;
            ReadRows(Owner, AdoConnection, Sqls[i], [&](const TQueryRow& Row) {
                QString Record;
                Record.reserve(LastLength + 16);
                for (int c = 0; c < Row.Count(); ++c) {
                    if (c > 0) Record += FieldDelimiterChar;
                    if (c != 3 && c != 4) {
                        Row.AppendText(c, Record);
                        continue;
                    }
                    if (c == 4 && NoOwner) continue;
                    Value.clear();
                    Row.AppendText(c, Value);
                    if (c == 4 && Value.isEmpty()) continue;
                    QHash<QString, QString>& Known = c == 3 ? Amounts : Owners;
                    auto Found = Known.constFind(Value);
                    if (Found == Known.cend()) {
                        QString Shown;
                        if (c == 3)
                            Shown = FloatToFixedStr(AmountDecimals, StrToFloatDot(Value, 0));
                        else
                            FormatEGN(Value, Shown);
                        Found = Known.insert(Value, Shown);
                    }
                    Record += Found.value();
                }
                // The kind stands in field 8, after the type in field 7, wherever a text holding
                // the field delimiter has moved them.
                if (Payments) {
                    qsizetype TypeStart = 0, TypeEnd = 0, KindStart = 0, KindEnd = 0;
                    FieldBounds(Record, 7, TypeStart, TypeEnd);
                    FieldBounds(Record, 8, KindStart, KindEnd);
                    const QString Kind =
                        OutcomeKindText(int(StrToIntOrZero(Record.mid(TypeStart, TypeEnd - TypeStart))));
                    Record.replace(KindStart, KindEnd - KindStart, Kind);
                }
                LastLength = Record.size();
                qint64 DocNo = 0;
                Row.Integer(0, DocNo);
                Rows.emplace_back(DocNo, std::move(Record));
            });
        }
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    // The numbers are the table's keys, whole and distinct.
    std::stable_sort(Rows.begin(), Rows.end(),
                     [](const auto& A, const auto& B) { return A.first < B.first; });
    List.SetCapacity(int(Rows.size()));
    for (auto& [DocNo, Record] : Rows)
        List.Add(Record);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The printed order

QString OrderDocumentSql(bool Receipt, int PaymentType, qint64 Contract) {
    const double key = double(Contract);
    if ((Receipt && IsContractPaymentType(PaymentType)) || (!Receipt && PaymentType == 1))
        return Format(uR"sql(
            SELECT Contracts.docno, Contracts.date_c, Item_types.Name_i_t, Owners.EGN, Items.SN,
                   Owners.Three_names, Owners.Is_Male, Owners.Is_Married
              FROM Owners
                   INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                               INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
                   ON Owners.EGN = Contracts.EGN
             WHERE (((Contracts.docno)= %f )))sql"_s,
                      {key});
    if (Receipt && PaymentType == 5)
        return Format(uR"sql(
            SELECT Items_sales.docno, Items_sales.date_d, Item_types.Name_i_t, Owners.EGN, Items.SN,
                   Owners.Three_names, Owners.Is_Male, Owners.Is_Married
              FROM Owners
                   INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                               INNER JOIN (Items_purchases INNER JOIN Items_sales
                                           ON Items_purchases.docno = Items_sales.contract_n)
                               ON Items.code_i = Items_purchases.code_i)
                   ON Owners.EGN = Items_sales.EGN
             WHERE ( ((Items_sales.docno)= %f ) AND ((Items_sales.payment_type)=2) ))sql"_s,
                      {key});
    if (Receipt && PaymentType == 4)
        return Format(uR"sql(
            SELECT Items_sales.docno, Items_sales.date_d, Item_types.Name_i_t, Owners.EGN, Items.SN,
                   Owners.Three_names, Owners.Is_Male, Owners.Is_Married
              FROM Owners
                   INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                               INNER JOIN (Contracts INNER JOIN Items_sales
                                           ON Contracts.docno = Items_sales.contract_n)
                               ON Items.code_i = Contracts.code_i)
                   ON Owners.EGN = Items_sales.EGN
             WHERE ( ((Items_sales.docno)= %f ) AND ((Items_sales.payment_type)=1) ))sql"_s,
                      {key});
    if (!Receipt && PaymentType == 4)
        return Format(uR"sql(
            SELECT Items_purchases.docno, Items_purchases.date_d, Item_types.Name_i_t, Owners.EGN, Items.SN,
                   Owners.Three_names, Owners.Is_Male, Owners.Is_Married
              FROM Owners
                   INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                               INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
                   ON Owners.EGN = Items_purchases.EGN
             WHERE (((Items_purchases.docno)= %f )))sql"_s,
                      {key});
    return QString();
}

bool PrintCashOrder(QWidget* Owner, bool Receipt, const QStringList& Cells) {
    auto cell = [&Cells](int C) {
        const QString text = C < Cells.size() ? Cells[C] : QString();
        return text.isEmpty() ? u" "_s : text;
    };
    QStringList record;
    for (int i = 0; i < OrderFieldCount; ++i)
        record.append(u" "_s);
    for (int i = 0; i < 4; ++i)
        record[i] = cell(i);
    const int type = int(StrToIntOrZero(cell(5).trimmed()));
    const qint64 contract = StrToIntOrZero(record[ofContract].trimmed());
    try {
        if (contract != 0) {
            const QString sql = OrderDocumentSql(Receipt, type, contract);
            if (!sql.isEmpty()) {
                TDelimitedStringList list;
                RunQuery(Owner, AdoConnection, sql, &list);
                if (list.Count() == 1)
                    for (int i = 0; i < 7; ++i) {
                        const QString value = list.GetField(0, i + 1);
                        record[ofDocDate + i] = value.isEmpty() ? u" "_s : value;
                    }
            }
        }
        // Payments name only whom the order was made out to.
        if (!cell(4).trimmed().isEmpty() || !Receipt) record[ofNames] = cell(4);
        QString shop;
        if (!ReadSettingVA1(Owner, shop)) return false;
        record[ofShopName] = shop;
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    record[ofDirection] = Receipt ? u"in"_s : u"out"_s;
    record[ofPaymentType] = cell(5);
    record[ofEmployee] = cell(6);
    return FillPrintOrder(Owner, record);
}
