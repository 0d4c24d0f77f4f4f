// What both cash order windows share: the orders that documents wrote beside themselves stay theirs,
// a purchase's payment names a purchase, and a kind of order that takes no borrower has none.

#include "business/documents/CashOrderForm.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Incomes.h"
#include "business/documents/un_Outcomes.h"
#include "core/unRegistry.h"
#include "tests/support/Books.h"
#include "tests/support/CashOrderWindow.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QMainWindow>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

const QString Ivan = u"8001011234"_s;

class CashOrderBooks : public CashOrderWindow {
public:
    ~CashOrderBooks() override { Close(); }

    // One window at a time: the one open before is closed first.
    template <class T> T* Open(const QString& Table, const QString& Noun) {
        Close();
        return CashOrderWindow::Open<T>(Noun, Table, Noun);
    }
    TfrmOutcomes* Payments() { return Open<TfrmOutcomes>(u"Outcomes"_s, u"разходен касов ордер"_s); }
    TfrmIncomes* Receipts() { return Open<TfrmIncomes>(u"Incomes"_s, u"приходен касов ордер"_s); }
    void Close() {
        if (!Form) return;
        Form->RunDone();
        delete Form->Container();
        Form = nullptr;
    }

    // Contract 1 (payout 8) sold by sale 4 for 150.00, its receipt 3. Purchase 1 of 150.00 on
    // 28.02 paid by order 11, and order 10 of the payment window on it at the same price a day
    // later; purchase 2 of 80.00 (order 12) sold on 28.02 by sale 5 for 120.00, its receipt 2, and
    // receipt 1 of the receipt window at the same price a day later.
    void Stock() {
        TContractEntry e;
        e.DocNo = 1;
        e.DateC = TContractShop::Today - 20;
        e.ItemCode = u"5"_s;
        e.OwnerCode = Ivan;
        e.OwnerName = u"Иван Петров Иванов"_s;
        e.Sum = 1000;
        e.MIR = 3;
        e.Duration = 30;
        Exec(ContractInsertSql(u"Contracts"_s, e));
        Exec(PayoutOrderSql(e, u"Мария Колева"_s, u"maria"_s));
        for (
            const QString& Sql :
            {uR"sql(Update Contracts Set for_sale = True, sold = True, sold_at_date = 45352 Where docno = 1)sql"_s,
             uR"sql(Insert into Items_purchases values ( 1, 45350, 6, 150, "Иван", "Мария Колева", "maria", 8001011234, 2.5, False, 0 ))sql"_s,
             uR"sql(Insert into Items_purchases values ( 2, 45340, 6, 80, "Иван", "Мария Колева", "maria", 8001011234, 1, True, 45350 ))sql"_s,
             uR"sql(Insert into Outcomes values ( 10, 45351, 1, 4, 150, "Иван", "Мария Колева", "maria" ))sql"_s,
             uR"sql(Insert into Outcomes values ( 11, 45350, 1, 4, 150, "Иван", "Мария Колева", "maria" ))sql"_s,
             uR"sql(Insert into Outcomes values ( 12, 45340, 2, 4, 80, "Иван", "Мария Колева", "maria" ))sql"_s,
             uR"sql(Insert into Items_sales values ( 4, 45352, 1, 1, 150, "Мария", "Мария Колева", "maria", 12345, False ))sql"_s,
             uR"sql(Insert into Items_sales values ( 5, 45350, 2, 2, 120, "Мария", "Мария Колева", "maria", 12345, False ))sql"_s,
             uR"sql(Insert into Incomes values ( 1, 45351, 5, 5, 120, "Мария", "Мария Колева", "maria" ))sql"_s,
             uR"sql(Insert into Incomes values ( 2, 45350, 5, 5, 120, "Мария", "Мария Колева", "maria" ))sql"_s,
             uR"sql(Insert into Incomes values ( 3, 45352, 4, 4, 150, "Мария", "Мария Колева", "maria" ))sql"_s})
            Exec(Sql);
    }
};

QString OwnPayment(int Order, int Purchase) {
    return Format(
        u"Разходен касов ордер номер %d е плащането на покупка номер %d. То се записва и променя само "
        "от покупката."_s,
        {Order, Purchase});
}

QString OwnReceipt(int Order, int Sale) {
    return Format(u"Приходен касов ордер номер %d е постъплението от продажба номер %d. То се записва и "
                  "променя само от продажбата."_s,
                  {Order, Sale});
}

} // namespace

// A purchase's payment is checked against the list only when the window says the purchase is not in
// it; the check of any other kind of payment leaves it alone.
TEST(CashOrderChecks, APurchasePaymentIsRefusedOnlyOffTheList) {
    TCashOrderEntry Entry;
    Entry.DocNo = 8;
    Entry.Date = TContractShop::Today;
    Entry.Contract = u"2"_s;
    Entry.PaymentType = 4;
    Entry.Sum = 15;
    Entry.Customer = u"Иван"_s;
    Entry.Supplier = u"Мария"_s;
    TCashOrderCheck Check;
    Check.Today = TContractShop::Today;
    EXPECT_EQ(OutcomeValidationText(Entry, Check), QString());
    Check.PurchaseListed = false;
    EXPECT_EQ(OutcomeValidationText(Entry, Check).trimmed(), u"Няма покупка с номер \"2\"."_s);
    Entry.PaymentType = 3;
    Entry.Contract.clear();
    EXPECT_EQ(OutcomeValidationText(Entry, Check), QString());
}

// The order a purchase or a sale wrote beside itself is neither lifted nor deleted in a cash window,
// and no password is asked for it; another order on the same document at the same price on another
// day is the operator's to correct and to delete.
TEST_F(CashOrderBooks, ADocumentsOwnOrderGoesOnlyWithTheDocument) {
    Stock();
    const struct {
        bool Receipt;
        QString Own[2], Refused, Other;
    } windows[] = {
        {false,
         {u"11"_s, u"12"_s},
         OwnPayment(11, 1) + u'|' + OwnPayment(12, 2) + u'|' + OwnPayment(11, 1),
         u"10"_s},
        {true,
         {u"2"_s, u"3"_s},
         OwnReceipt(2, 5) + u'|' + OwnReceipt(3, 4) + u'|' + OwnReceipt(2, 5),
         u"1"_s},
    };
    for (const auto& w : windows) {
        const QString Table = w.Receipt ? u"Incomes"_s : u"Outcomes"_s;
        TCashOrderForm* form = w.Receipt ? static_cast<TCashOrderForm*>(Receipts()) : Payments();
        Presenter.Clear();
        for (const QString& Own : w.Own) {
            ASSERT_TRUE(SelectOrder(Own));
            Press(Qt::Key_F3);
        }
        ASSERT_TRUE(SelectOrder(w.Own[0]));
        Press(Qt::Key_F5);
        EXPECT_EQ(Told(), w.Refused);
        EXPECT_TRUE(Presenter.Passwords().isEmpty());
        EXPECT_FALSE(form->EditingRow);
        EXPECT_TRUE(form->PendingSql.isEmpty());

        Presenter.Clear();
        ASSERT_TRUE(SelectOrder(w.Other));
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(form->EditingRow) << Told().toStdString();
        Type(form->edCustomer_name, u"Петър"_s);
        Press(Qt::Key_F4);
        Press(Qt::Key_F2);
        EXPECT_EQ(QueryText(Format(u"SELECT customer_name FROM %s WHERE docno = %s"_s, {Table, w.Other})),
                  u"Петър"_s)
            << Told().toStdString();
        ASSERT_TRUE(SelectOrder(w.Other));
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
        Press(Qt::Key_F2);
        EXPECT_EQ(QueryText(Format(u"SELECT count(*) FROM %s WHERE docno = %s"_s, {Table, w.Other})), u"0"_s);
        EXPECT_TRUE(Told().startsWith(u"Желаете ли да изтриете"_s)) << Told().toStdString();
        EXPECT_FALSE(Told().contains(u'|')) << Told().toStdString();
    }
    ExpectTradeBooksHold(TContractShop::Today);
}

// A payment "при покупка" names a purchase of the list, and a second one for a purchase is asked
// first; a purchase another workstation deletes before Save takes its queued payment out of the
// queue, and the rest is written.
TEST_F(CashOrderBooks, APurchasePaymentNamesAPurchaseAndASecondOneIsAsked) {
    Stock();
    auto* form = Payments();
    const QString second =
        u"Покупка номер %1 вече има разходен касов ордер (%2). Желаете ли да запишете още един?"_s;
    const struct {
        QString Purchase;
        std::optional<TModalResult> Answer;
        QString Told;
        int Queued;
    } cases[] = {
        {u"99"_s, {}, u"Няма покупка с номер \"99\"."_s, 0},
        {QString(), {}, u"Въведете номер на покупка"_s, 0},
        {u"1"_s, mrNo, second.arg(1).arg(u"10, 11"_s), 0},
        {u"1"_s, mrYes, second.arg(1).arg(u"10, 11"_s), 1},
        {u"1"_s, mrNo, second.arg(1).arg(u"10, 11, 13"_s), 1},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        if (c.Answer) Presenter.PlanAnswer(*c.Answer);
        form->PaymentTypeItems->button(2)->click();
        form->leContract->setText(c.Purchase);
        Type(form->edCustomer_name, u"Иван"_s);
        Type(form->edSupplier_name, u"Мария Колева"_s);
        Type(form->feSum_c, u"15"_s);
        Press(Qt::Key_F4);
        EXPECT_EQ(form->PendingSql.size(), c.Queued) << c.Purchase.toStdString();
        EXPECT_TRUE(Told().contains(c.Told)) << Told().toStdString();
    }
    form->PaymentTypeItems->button(1)->click();
    Type(form->edCustomer_name, u"Собственик"_s);
    Type(form->feSum_c, u"70"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 2) << Told().toStdString();
    // The purchase window deletes purchase 1 with its payments.
    Exec(u"Delete from Items_purchases where docno = 1"_s);
    Exec(u"Delete from Outcomes where contract_n = 1 and payment_type = 4"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), u"Покупка 1 е изтрита междувременно.\nРазходен касов ордер номер 13 не е записан. "
                      "Останалото може да бъде записано с F2."_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT docno, contract_n, payment_type, sum_o FROM Outcomes WHERE docno > 12"_s),
              u"14@0@3@70"_s);
    ExpectTradeBooksHold(TContractShop::Today);
}

// A new shop's first cash payment and an owner's deposit go through: a kind of order that takes no
// borrower opens without the one remembered, and drops a borrower chosen for another kind.
TEST_F(CashOrderBooks, AKindWithoutABorrowerHasNone) {
    WriteRegString(u"Last_EGN"_s, Ivan);
    WriteRegString(u"frmOutcomes_edCustomer_name"_s, u"Собственик"_s);
    auto* payments = Payments();
    ASSERT_EQ(payments->PaymentItem(), 1);
    EXPECT_EQ(payments->leOwner->text(), QString());
    EXPECT_EQ(payments->edCustomer_name->text(), u"Собственик"_s);
    Type(payments->edSupplier_name, u"Мария Колева"_s);
    Type(payments->feSum_c, u"70"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(
        QueryText(u"SELECT contract_n, payment_type, sum_o, customer_name FROM Outcomes WHERE docno = 8"_s),
        u"0@3@70@Собственик"_s)
        << Told().toStdString();
    // A purchase's payment keeps the borrower typed; a payment to the owner drops him.
    payments->PaymentTypeItems->button(0)->click();
    payments->leOwner->setText(Ivan);
    for (int Item : {2, 1}) {
        payments->PaymentTypeItems->button(Item)->click();
        EXPECT_EQ(payments->leOwner->text(), Item == 2 ? Ivan : QString()) << Item;
    }
    for (const QString& Kind : {u"2"_s, u"3"_s}) {
        Close(); // its Done remembers its own kind
        WriteRegString(u"Last_Payment_type"_s, Kind);
        auto* receipts = Receipts();
        EXPECT_EQ(receipts->leOwner->text(), Kind == u"3"_s ? QString() : Ivan) << Kind.toStdString();
    }
    Close();
    WriteRegString(u"Last_Payment_type"_s, u"3"_s);
    auto* receipts = Receipts();
    Type(receipts->edSupplier_name, u"Мария Колева"_s);
    Type(receipts->feSum_c, u"40"_s);
    Presenter.Clear();
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, sum_o FROM Incomes"_s), u"0@3@40"_s)
        << Told().toStdString();
    ExpectTradeBooksHold(TContractShop::Today);
}
