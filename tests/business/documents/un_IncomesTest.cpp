// The cash order windows: their validation and statements, and each window driven as the
// operator drives it, on a small shop.

#include "business/documents/un_Incomes.h"
#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Outcomes.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "framework/printing/ReportLayout.h"
#include "tests/support/Books.h"
#include "tests/support/CashOrderWindow.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/WriteLock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

TCashOrderEntry Order(int Type, const QString& Owner, const QString& Contract) {
    TCashOrderEntry E;
    E.DocNo = 8;
    E.Date = 45352;
    E.Owner = Owner;
    E.Contract = Contract;
    E.PaymentType = Type;
    E.Sum = 100;
    E.Customer = u"Иван"_s;
    E.Supplier = u"Мария"_s;
    return E;
}

} // namespace

TEST(CashOrders, ValidationOfAReceipt) {
    TCashOrderCheck check;
    check.Today = 45352;
    const struct {
        TCashOrderEntry Entry;
        const char16_t* Message; // "" when the order may be queued
    } cases[] = {
        {Order(1, u"8001011234"_s, u"1"_s), u""},
        {Order(3, QString(), QString()), u""},
        {Order(3, u"8001011234"_s, u"1"_s), u"Избрали сте вноска на собственик"},
        {Order(1, QString(), QString()), u"приход от клиент, а не сте поплълнили"},
        {Order(2, QString(), u"1"_s), u"приход от клиент, а не сте поплълнили"},
        {Order(2, u"8001011234"_s, QString()),
         u"Избрали сте заемоплоучател, но не сте попълнили номер на договор."},
        {[] {
             auto e = Order(3, {}, {});
             e.Sum = 0;
             return e;
         }(),
         u"Общата сума на документа е нула!"},
        {[] {
             auto e = Order(3, {}, {});
             e.Supplier = u"  "_s;
             return e;
         }(),
         u"Въведете служител"},
        {[] {
             auto e = Order(3, {}, {});
             e.Date = 45351;
             return e;
         }(),
         u"само на днешна дата"},
    };
    for (const auto& c : cases) {
        const QString text = IncomeValidationText(c.Entry, check);
        const QString expected = QString::fromUtf16(c.Message);
        if (expected.isEmpty())
            EXPECT_EQ(text, QString()) << c.Entry.PaymentType;
        else
            EXPECT_TRUE(text.contains(expected)) << text.toStdString();
    }
    TCashOrderCheck stored = check;
    stored.DocNoStored = true;
    stored.GridNumbers = {u"8"_s};
    // A correction of nothing is refused as nothing, whatever was received.
    EXPECT_EQ(ReceiptAmountRefusal(2, 0, 0, -5), QString());
    const QString text = IncomeValidationText(Order(3, {}, {}), stored);
    EXPECT_TRUE(text.contains(u"Шифър \"8\" съществува в таблицата с данни!"_s));
    EXPECT_TRUE(text.endsWith(u"ПКО номер \"8\" съществува в базата данни. Изберете друг номер на ПКО."_s));
    // An edited order keeps its number and date.
    stored.EditingRow = true;
    stored.GridNumbers.clear();
    EXPECT_EQ(IncomeValidationText(
                  [] {
                      auto e = Order(3, {}, {});
                      e.Date = 45000;
                      return e;
                  }(),
                  stored),
              QString());
}

TEST(CashOrders, ValidationOfAPayment) {
    TCashOrderCheck check;
    check.Today = 45352;
    auto noCustomer = Order(3, {}, {});
    noCustomer.Customer = u" "_s;
    EXPECT_TRUE(OutcomeValidationText(noCustomer, check).contains(u"Въведете клиент!"_s));
    EXPECT_EQ(OutcomeValidationText(Order(3, {}, {}), check), QString());
    check.DocNoStored = true;
    EXPECT_TRUE(OutcomeValidationText(Order(3, {}, {}), check).contains(u"РКО номер \"8\""_s));
}

TEST(CashOrders, Statements) {
    const TCashOrderEntry e = Order(2, u"8001011234"_s, u"4"_s);
    EXPECT_EQ(IncomeInsertSql(u"Incomes"_s, e, u"maria"_s),
              u"Insert into Incomes values ( 8, 45352, 4, 2, 100.00, \"Иван\", \"Мария\", \"maria\" )"_s);
    EXPECT_TRUE(IncomeUpdateSql(u"Incomes"_s, u"docno"_s, 8, e).endsWith(u"Where ( docno = 8 )"_s));
    EXPECT_EQ(
        OutcomeInsertSql(u"Outcomes"_s, Order(3, {}, {}), u"maria"_s),
        u"Insert into Outcomes values ( 8, 45352, 0, 3, 100.000000, \"Иван\", \"Мария\", \"maria\" )"_s);
    // Only today's orders, each query with its own type condition after the date.
    for (const QString& sql : IncomeListSql(true, 45352))
        EXPECT_TRUE(sql.contains(u"WHERE ( Incomes.date_d = 45352 ) AND ("_s)) << sql.toStdString();
    for (const QString& sql : OutcomeListSql(false, 45352))
        EXPECT_TRUE(sql.contains(u"Outcomes.contract_n WHERE ((("_s) ||
                    sql.contains(u"FROM Outcomes WHERE ((("_s))
            << sql.toStdString();
}

TEST_F(CashOrderWindow, ReceiptProposesTheInterestAtTheNextFifteenDayStep) {
    WriteRegString(u"rg_Registry_6"_s, u"1"_s);
    SeedContract(20);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    Type(form->lePayment_type, u"2"_s);
    Type(form->leOwner, u"8001011234"_s);
    Type(form->leContract, u"1"_s);
    form->leContract->OnFormOk(form->leContract);

    QString debt;
    TDelimitedStringList oneTime, daily;
    ASSERT_TRUE(CalculateContractDebt(form, u"1"_s, debt, TContractShop::Today + 10, oneTime, daily));
    TDelimitedStringList row;
    row.SetTextStr(debt);
    const double atDay30 = StrToFloatDot(row.GetField(0, dfInterestDue), -1);
    ASSERT_TRUE(CalculateContractDebt(form, u"1"_s, debt, TContractShop::Today, oneTime, daily));
    row.SetTextStr(debt);
    ASSERT_NE(atDay30, StrToFloatDot(row.GetField(0, dfInterestDue), -1));
    EXPECT_DOUBLE_EQ(form->feSum_c->Value(), atDay30);
    EXPECT_EQ(form->edCustomer_name->text(), u"Иван Петров Иванов"_s);

    Type(form->edSupplier_name, u"Мария Колева"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    Press(Qt::Key_F2);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, customer_name FROM Incomes WHERE docno = 1"_s),
              u"1@2@Иван Петров Иванов"_s);

    form->Grid->SetRow(1);
    form->ctrl_F9->trigger();
    ASSERT_EQ(Previewed.size(), 4) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(Previewed[0], u"ПРИХОДЕН КАСОВ ОРДЕР № 1 / 01.03.2024"_s);
    EXPECT_EQ(Previewed[1], u"Днес г-н Иван Петров Иванов ЕГН № 8001011234 внесе в касата"_s);
    EXPECT_TRUE(Previewed[3].endsWith(u" (вноска по лихвите)"_s)) << Previewed[3].toStdString();
}

TEST_F(CashOrderWindow, ReceiptOfTheOwnerWithABorrowerIsRefusedAndWithoutOneSaved) {
    WriteRegString(u"rg_Registry_2"_s, u"1"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    Type(form->lePayment_type, u"1"_s);
    Type(form->leOwner, u"8001011234"_s);
    Type(form->feSum_c, u"50"_s);
    Type(form->edSupplier_name, u"Мария Колева"_s);
    Press(Qt::Key_F4);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    ASSERT_FALSE(Presenter.Texts().isEmpty());
    EXPECT_TRUE(Presenter.Texts().last().contains(u"номер на договор"_s));

    Type(form->lePayment_type, u"3"_s);
    EXPECT_EQ(form->leOwner->text(), QString());
    Type(form->edCustomer_name, u"Собственик"_s);
    Type(form->feSum_c, u"50"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT docno, date_d, contract_n, payment_type, sum_o FROM Incomes"_s),
              u"1@01.03.2024@0@3@50"_s);
    // Today's list holds it, without an owner.
    EXPECT_EQ(form->Grid->Cells(0, 1), u"1"_s);
    EXPECT_EQ(form->Grid->Cells(4, 1), QString());

    form->Grid->SetRow(1);
    form->ctrl_F9->trigger();
    ASSERT_EQ(Previewed.size(), 4);
    EXPECT_EQ(Previewed[1], u"Днес Собственик внесе в касата"_s);
    EXPECT_EQ(Previewed[2], u"(захранване на касата)"_s);
}

// A date typed with its dots, as written on paper, is the date the order holds.
TEST_F(CashOrderWindow, ADateTypedWithItsDotsIsTheDateTyped) {
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    for (const QString& Typed : {u"15.02.2024"_s, u"1.3.2024"_s, u"29.02.2024"_s, u"3.01.2024"_s}) {
        form->feDocNo->setFocus();
        Press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), form->dtDate_c->Edit());
        QTest::keyClicks(form->dtDate_c->Edit(), Typed);
        Press(Qt::Key_Tab);
        EXPECT_EQ(form->dtDate_c->date(), QDate::fromString(Typed, u"d.M.yyyy"_s)) << Typed.toStdString();
    }
}

// A date the calendar has no day for is refused as typed, on leaving the field and at F4; the
// text stays as the operator typed it and nothing is queued.
TEST_F(CashOrderWindow, AnImpossibleDateTypedIsRefusedAsTypedAndNothingIsQueued) {
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    form->leOwner->setText(QString());
    Type(form->edCustomer_name, u"Собственик"_s);
    Type(form->edSupplier_name, u"Мария Колева"_s);
    Type(form->feSum_c, u"70"_s);
    const auto InDate = [form] { return form->dtDate_c->isAncestorOf(QApplication::focusWidget()); };
    const auto TypeDate = [&](const QString& Typed) {
        form->feDocNo->setFocus();
        Press(Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), Typed);
    };
    for (const QString& Typed : {u"31.04.2026"_s, u"29.02.2025"_s, u"1.1.202"_s, u"32.13.2026"_s}) {
        const QString Refusal = u"Невалидна дата \"%1\" !"_s.arg(Typed);
        Presenter.Clear();
        TypeDate(Typed);
        Press(Qt::Key_Tab);
        QApplication::processEvents();
        EXPECT_EQ(Told(), Refusal) << Told().toStdString();
        EXPECT_TRUE(InDate()) << Typed.toStdString();
        EXPECT_EQ(form->dtDate_c->text(), Typed);
        Presenter.Clear();
        Press(Qt::Key_F4);
        EXPECT_EQ(Told(), Refusal) << Told().toStdString();
        EXPECT_TRUE(InDate()) << Typed.toStdString();
        EXPECT_EQ(form->dtDate_c->text(), Typed);
        EXPECT_TRUE(form->PendingSql.isEmpty()) << Typed.toStdString();
        EXPECT_EQ(form->dtDate_c->date(), QDate(2024, 3, 1));
        form->dtDate_c->setDate(QDate(2024, 3, 1));
    }
    // A key that can be part of no date is refused with a beep.
    {
        TBeepCounter Beeps;
        TypeDate(u"15x"_s);
        EXPECT_EQ(Beeps.Count(), 1);
        EXPECT_EQ(form->dtDate_c->text(), u"15"_s);
    }
    // A real date typed is the order's date.
    Presenter.Clear();
    TypeDate(u"1.3.2024"_s);
    Press(Qt::Key_F4);
    EXPECT_EQ(Told(), QString());
    EXPECT_EQ(form->dtDate_c->date(), QDate(2024, 3, 1));
    EXPECT_FALSE(form->PendingSql.isEmpty());
    // The calendar writes the day picked into the field.
    form->dtDate_c->findChild<QToolButton*>()->click();
    auto* Calendar = QApplication::activePopupWidget()->findChild<QCalendarWidget*>();
    ASSERT_NE(Calendar, nullptr);
    Calendar->setSelectedDate(QDate(2024, 2, 28));
    QTest::keyClick(Calendar->findChild<QTableView*>(), Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(form->dtDate_c->text(), u"28.02.2024"_s);
    EXPECT_EQ(form->dtDate_c->date(), QDate(2024, 2, 28));
}

TEST_F(CashOrderWindow, PaymentToTheOwnerIsSavedEditedAndDeleted) {
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    EXPECT_EQ(form->PaymentItem(), 1);
    EXPECT_EQ(form->feDocNo->Value(), 8);
    form->leOwner->setText(QString());
    Type(form->edCustomer_name, u"Собственик"_s);
    Type(form->edSupplier_name, u"Мария Колева"_s);
    Type(form->feSum_c, u"70"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(
        QueryText(u"SELECT contract_n, payment_type, sum_o, customer_name FROM Outcomes WHERE docno = 8"_s),
        u"0@3@70@Собственик"_s);
    ASSERT_EQ(form->Grid->RowCount(), 3);
    EXPECT_EQ(form->Grid->Cells(8, 2), u"на собственик"_s);

    form->Grid->SetRow(2);
    form->ctrl_F9->trigger();
    ASSERT_EQ(Previewed.size(), 4);
    EXPECT_EQ(Previewed[0], u"РАЗХОДЕН КАСОВ ОРДЕР № 8 / 01.03.2024"_s);
    EXPECT_EQ(Previewed[2], u"(инкасо на оборот от касата)"_s);
    EXPECT_EQ(Previewed[3], u"сумата от 70.00 лв. (изплатена сума на собственик)"_s);

    // A wrong password edits nothing; the right one lifts the row, and F4 queues its update.
    Presenter.PlanPassword(u"nope"_s);
    Press(Qt::Key_F3);
    EXPECT_FALSE(form->EditingRow);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    ASSERT_TRUE(form->EditingRow);
    EXPECT_EQ(form->Grid->RowCount(), 2);
    Type(form->feSum_c, u"75"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT sum_o FROM Outcomes WHERE docno = 8"_s), u"75"_s);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes"_s), u"2"_s);

    form->Grid->SetRow(2);
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F5);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE docno = 8"_s), u"0"_s);
}

namespace {

const QString Ivan = u"8001011234"_s;
const QString Maria = u"0000012345"_s;

// A receipt typed as the operator types it: type, borrower, contract (confirmed, so the amount
// due is proposed), then the amount when one is given and the employee.
void TypeReceipt(CashOrderWindow& W, TfrmIncomes* Form, const QString& PaymentType, const QString& Owner,
                 const QString& Contract, const QString& Sum = QString()) {
    W.Type(Form->lePayment_type, PaymentType);
    if (!Owner.isEmpty()) W.Type(Form->leOwner, Owner);
    if (!Contract.isEmpty()) {
        W.Type(Form->leContract, Contract);
        Form->leContract->OnFormOk(Form->leContract);
    }
    if (!Sum.isEmpty()) W.Type(Form->feSum_c, Sum);
    W.Type(Form->edSupplier_name, u"Мария Колева"_s);
}

} // namespace

TEST_F(CashOrderWindow, ReceiptProposesWhatTheContractOwesForEachType) {
    SeedContract(20);
    // A sale of a bought item, as the sales list of type 5 offers it.
    Exec(
        uR"sql(Insert into Items_purchases values ( 2, 45340, 6, 80, "Иван", "Мария", "maria", 8001011234, 0, True, 45352 ))sql"_s);
    Exec(
        uR"sql(Insert into Items_sales values ( 4, 45352, 2, 2, 120, "Мария", "Мария", "maria", 12345, False ))sql"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const struct {
        const char16_t* Type;
        const char16_t* Contract;
        double Proposed; // the amount the window proposes; -1 when it proposes none
        const char16_t* Item;
    } cases[] = {
        {u"1", u"1", 1000.00, u"Злато"}, // the outstanding principal
        {u"2", u"1", 21.00, u"Злато"},   // the interest for 21 days (both ends) at 3 % a month
        {u"6", u"1", 10.00, u"Злато"},   // the one-time fee: 1 % of the loan
        {u"7", u"1", 21.00, u"Злато"},   // the daily fee: 3 % a month for 21 days
        {u"5", u"4", -1, u"Злато"},      // a sale: its amount is typed, not proposed
    };
    for (const auto& c : cases) {
        const QString type = QString::fromUtf16(c.Type);
        form->feSum_c->SetValue(-1);
        TypeReceipt(*this, form, type, type == u"5"_s ? QString() : Ivan, QString::fromUtf16(c.Contract));
        EXPECT_NEAR(form->feSum_c->Value(), c.Proposed, 0.005) << "type " << type.toStdString();
        EXPECT_EQ(form->pnlItem->text(), QString::fromUtf16(c.Item)) << "type " << type.toStdString();
    }
    EXPECT_EQ(form->pnlSN->text(), u"Верижка"_s);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

// A contract the borrower's list leaves out is refused naming why; with both fields filled the
// operator is never told to fill them.
TEST_F(CashOrderWindow, ReceiptAgainstAContractOutsideTheBorrowersOpenListIsRefused) {
    SeedContract(1, Ivan, 20);
    SeedContract(2, Maria, 20);
    SeedContract(3, Ivan, 40);
    SeedContract(4, Ivan, 30);
    SeedContract(5, Ivan, 25);
    Exec(u"Update Contracts Set Finished = True, At_Date = 45350 Where docno = 3"_s);
    Exec(u"Insert into Incomes values ( 40, 45350, 3, 1, 1000, \"Иван\", \"Мария Колева\", \"maria\" )"_s);
    Exec(u"Update Contracts Set Sold = True, sold_at_date = 45351 Where docno = 4"_s);
    Exec(u"Update Contracts Set for_sale = True, for_sale_date = 45351 Where docno = 5"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const struct {
        const char16_t* Type;
        const char16_t* Contract;
        const char16_t* Sum;
        QString Message; // empty when the receipt is queued
    } cases[] = {
        {u"2", u"2", u"10", u"Договор номер 2 е на друг заемополучател."_s},
        {u"2", u"3", u"10", u"Договор номер 3 е откупен."_s},
        {u"7", u"4", u"10", u"Договор номер 4 е продаден."_s},
        {u"1", u"5", u"10", u"Договор номер 5 е обявен за продажба."_s},
        {u"6", u"99", u"10", u"Няма договор с номер \"99\"."_s},
        {u"1", u"1", u"1000.01", u"Вноската по главницата надвишава остатъка по договора (1000.00)."_s},
        {u"1", u"1", u"1000", QString()},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        TypeReceipt(*this, form, QString::fromUtf16(c.Type), Ivan, QString::fromUtf16(c.Contract),
                    QString::fromUtf16(c.Sum));
        ASSERT_EQ(form->leContract->text(), QString::fromUtf16(c.Contract));
        Press(Qt::Key_F4);
        if (c.Message.isEmpty()) {
            EXPECT_EQ(form->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();
        } else {
            EXPECT_TRUE(form->PendingSql.isEmpty()) << QString::fromUtf16(c.Contract).toStdString();
            EXPECT_EQ(Told().trimmed(), c.Message);
        }
    }
    // Where the workstation takes payments on contracts declared for sale, contract 5 takes one.
    WriteRegString(u"rg_Registry_5"_s, u"1"_s);
    Presenter.Clear();
    TypeReceipt(*this, form, u"1"_s, Ivan, u"5"_s, u"10"_s);
    Press(Qt::Key_F4);
    EXPECT_EQ(form->PendingSql.size(), 2) << Told().toStdString();
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT contract_n, sum(sum_o) FROM Incomes GROUP BY contract_n"_s),
              u"1@1000°3@1000°5@10"_s);
    ExpectBooksHold();
}

TEST_F(CashOrderWindow, ReceiptOnAContractSettledMeanwhileLeavesTheQueue) {
    SeedContract(20);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    TypeReceipt(*this, form, u"2"_s, Ivan, u"1"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    // The return window settles the contract before this one saves.
    Exec(
        u"Update Contracts Set Finished = True, At_Date = 45352 Where ( docno = 1 ) AND ( Finished = False )"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"0"_s);
    EXPECT_EQ(Told(), u"Договорът е променен междувременно. Изберете договора отново.\nПриходен касов ордер "
                      "номер 1 не е записан."_s);
    // Nothing is left to save: the window closes without a question.
    EXPECT_TRUE(form->CloseQuery());
}

// A receipt queued before another workstation declared its contract for sale is refused at F2,
// as F4 would refuse it now, unless the workstation takes receipts on contracts declared for sale.
TEST_F(CashOrderWindow, AReceiptOnAContractDeclaredForSaleMeanwhileIsSavedOnlyWithTheOption) {
    SeedContract(20);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    for (const bool Allowed : {false, true})
        for (const auto& [Type, Sum] : {std::pair{u"2"_s, u"10"_s}, std::pair{u"1"_s, u"100"_s}}) {
            SCOPED_TRACE(testing::Message() << "type " << Type.toStdString() << ", allowed " << Allowed);
            Exec(u"Update Contracts Set for_sale = False, for_sale_date = 0 Where docno = 1"_s);
            WriteRegString(u"rg_Registry_5"_s, Allowed ? u"1"_s : u"0"_s);
            const int Before = QueryText(u"SELECT count(*) FROM Incomes"_s).toInt();
            TypeReceipt(*this, form, Type, Ivan, u"1"_s, Sum);
            Press(Qt::Key_F4);
            ASSERT_EQ(form->PendingSql.size(), 1) << Told().toStdString();
            ASSERT_TRUE(OtherWorkstationSaves(
                "Update Contracts Set for_sale = True, for_sale_date = 45352 Where docno = 1"));
            Presenter.Clear();
            Press(Qt::Key_F2);
            EXPECT_TRUE(form->PendingSql.isEmpty());
            EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s).toInt(), Before + (Allowed ? 1 : 0));
            EXPECT_EQ(
                Told().startsWith(u"Договор номер 1 е обявен за продажба.\nПриходен касов ордер номер"_s),
                !Allowed)
                << Told().toStdString();
        }
    ExpectBooksHold();
}

TEST_F(CashOrderWindow, RememberedBorrowerHasHisContractsOfferedOnOpening) {
    SeedContract(20);
    WriteRegString(u"Last_EGN"_s, Ivan);
    WriteRegString(u"Last_Payment_type"_s, u"2"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    EXPECT_EQ(form->leOwner->text(), Ivan);
    EXPECT_EQ(ListEditLookup(form->leContract, 0, 0, u"1"_s), u"1"_s);
    EXPECT_EQ(ListEditLookup(form->leContract, 0, 3, u"1"_s), u"21.00"_s);
    // Amounts stand right-aligned, the others as they are.
    TRichGrid* List = form->leContract->Form()->Grid();
    EXPECT_TRUE(List->ColAttributes(3)->Alignment().Contains(caRight));
    EXPECT_FALSE(List->ColAttributes(1)->Alignment().Contains(caRight));
    EXPECT_EQ(form->pnlOwner->text(), u"Иван Петров Иванов"_s);
    EXPECT_EQ(form->edCustomer_name->text(), u"Иван Петров Иванов"_s);
    // Confirming the contract proposes the interest due without Enter in the borrower.
    Type(form->leContract, u"1"_s);
    form->leContract->OnFormOk(form->leContract);
    EXPECT_DOUBLE_EQ(form->feSum_c->Value(), 21.00);
}

TEST_F(CashOrderWindow, NegativeReceiptIsACorrectionTheOperatorConfirms) {
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    TypeReceipt(*this, form, u"3"_s, QString(), QString(), u"-20"_s);
    Type(form->edCustomer_name, u"Собственик"_s);
    for (TModalResult answer : {mrNo, mrYes}) {
        Presenter.Clear();
        Presenter.PlanAnswer(answer);
        Press(Qt::Key_F4);
        ASSERT_EQ(Presenter.Messages().size(), 1);
        EXPECT_EQ(Presenter.Messages()[0].Buttons, TMsgDlgButtons({mbYes, mbNo}));
        EXPECT_EQ(Presenter.Messages()[0].Text,
                  u"Сумата на ордера е отрицателна (-20.00). Желаете ли да запишете корекция?"_s);
        EXPECT_EQ(form->PendingSql.size(), answer == mrYes ? 1 : 0);
    }
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT payment_type, sum_o FROM Incomes"_s), u"3@-20"_s);
}

TEST_F(CashOrderWindow, NegativePaymentIsACorrectionTheOperatorConfirms) {
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    form->leOwner->setText(QString());
    Type(form->edCustomer_name, u"Собственик"_s);
    Type(form->edSupplier_name, u"Мария Колева"_s);
    Type(form->feSum_c, u"-5"_s);
    for (TModalResult answer : {mrNo, mrYes}) {
        Presenter.Clear();
        Presenter.PlanAnswer(answer);
        Press(Qt::Key_F4);
        ASSERT_EQ(Presenter.Messages().size(), 1);
        EXPECT_TRUE(Presenter.Messages()[0].Text.startsWith(u"Сумата на ордера е отрицателна (-5.00)."_s));
        EXPECT_EQ(form->PendingSql.size(), answer == mrYes ? 1 : 0);
    }
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT payment_type, sum_o FROM Outcomes WHERE docno = 8"_s), u"3@-5"_s);
}

TEST_F(CashOrderWindow, EditedReceiptKeepsItsOwnerTypeAndContract) {
    SeedContract(20);
    Exec(
        uR"sql(Insert into Incomes values ( 1, 45352, 1, 1, 1000, "Иван Петров Иванов", "Мария Колева", "maria" ))sql"_s);
    Exec(
        uR"sql(Insert into Incomes values ( 2, 45352, 0, 3, 50, "Собственик", "Мария Колева", "maria" ))sql"_s);
    Exec(
        uR"sql(Insert into Incomes values ( 3, 45352, 1, 7, 20, "Иван Петров Иванов", "Мария Колева", "maria" ))sql"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const struct {
        int Row;
        const char16_t* Type;
        const char16_t* Owner;
        const char16_t* Contract;
        const char16_t* Sum; // the new amount
        const char16_t* Stored;
    } cases[] = {
        // The whole principal is paid already: its own receipt may still be corrected up to it.
        {1, u"1", u"8001011234", u"1", u"1000", u"1@1@1000"},
        {2, u"3", u"", u"", u"55", u"0@3@55"},
        {3, u"7", u"8001011234", u"1", u"15", u"1@7@15"},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        form->Grid->SetRow(c.Row);
        const QString docNo = form->Grid->Cells(0, c.Row);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(form->EditingRow);
        EXPECT_EQ(form->lePayment_type->text(), QString::fromUtf16(c.Type));
        EXPECT_EQ(form->leOwner->text(), QString::fromUtf16(c.Owner));
        EXPECT_EQ(form->leContract->text(), QString::fromUtf16(c.Contract));
        Type(form->feSum_c, QString::fromUtf16(c.Sum));
        Press(Qt::Key_F4);
        ASSERT_FALSE(form->EditingRow) << Presenter.Texts().join(u'|').toStdString();
        Press(Qt::Key_F2);
        EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, sum_o FROM Incomes WHERE docno = "_s + docNo),
                  QString::fromUtf16(c.Stored));
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    }
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"3"_s);
}

TEST_F(CashOrderWindow, EditedPaymentKeepsItsKindOwnerAndContract) {
    SeedContract(20); // its payout is payment 8, of type 1
    // Deleted since, its payout is an order of no contract's, open to correction.
    Exec(ContractDeleteSql(1));
    Exec(
        uR"sql(Insert into Items_purchases values ( 2, 45352, 6, 80, "Иван", "Мария", "maria", 8001011234, 0, False, 0 ))sql"_s);
    // A payment of this window on purchase 2, beside the purchase's own order 10.
    Exec(
        uR"sql(Insert into Outcomes values ( 9, 45352, 2, 4, 50, "Иван Петров Иванов", "Мария Колева", "maria" ))sql"_s);
    Exec(
        uR"sql(Insert into Outcomes values ( 10, 45352, 2, 4, 80, "Иван Петров Иванов", "Мария Колева", "maria" ))sql"_s);
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    const struct {
        const char16_t* DocNo;
        int Item;
        const char16_t* Owner;
        const char16_t* Contract;
        const char16_t* Stored;
    } cases[] = {
        {u"7", 1, u"", u"", u"0@3@6"},
        {u"8", 0, u"", u"1", u"1@1@6"},
        {u"9", 2, u"8001011234", u"2", u"2@4@6"},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        const QString docNo = QString::fromUtf16(c.DocNo);
        int row = -1;
        for (int r = form->Grid->FixedRows(); r < form->Grid->RowCount(); ++r)
            if (form->Grid->Cells(0, r) == docNo) row = r;
        ASSERT_GE(row, 0) << docNo.toStdString();
        form->Grid->SetRow(row);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(form->EditingRow);
        EXPECT_EQ(form->PaymentItem(), c.Item);
        EXPECT_EQ(form->leOwner->text(), QString::fromUtf16(c.Owner));
        EXPECT_EQ(form->leContract->text(), QString::fromUtf16(c.Contract));
        Type(form->feSum_c, u"6"_s);
        Type(form->edSupplier_name, u"Мария Колева"_s);
        Press(Qt::Key_F4);
        Press(Qt::Key_F2);
        EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, sum_o FROM Outcomes WHERE docno = "_s + docNo),
                  QString::fromUtf16(c.Stored));
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    }
}

TEST_F(CashOrderWindow, PaymentForANewPledgeOffersOnlyOpenContracts) {
    SeedContract(1, Ivan, 20);
    SeedContract(2, Maria, 20);
    SeedContract(3, Ivan, 40);
    Exec(u"Update Contracts Set Finished = True, At_Date = 45350 Where docno = 3"_s);
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    form->PaymentTypeItems->button(0)->click();
    Type(form->leOwner, Ivan);
    EXPECT_EQ(ListEditLookup(form->leContract, 0, 0, u"1"_s), u"1"_s);
    EXPECT_EQ(ListEditLookup(form->leContract, 0, 0, u"2"_s), QString());
    EXPECT_EQ(ListEditLookup(form->leContract, 0, 0, u"3"_s), QString());
}

TEST_F(CashOrderWindow, ReceiptOfEachTypePrintsWhatItWasFor) {
    SeedContract(20);
    Exec(
        uR"sql(Insert into Items_purchases values ( 2, 45340, 6, 80, "Иван", "Мария", "maria", 8001011234, 0, True, 45352 ))sql"_s);
    Exec(
        uR"sql(Insert into Items_sales values ( 4, 45352, 1, 1, 150, "Мария", "Мария", "maria", 12345, False ))sql"_s);
    Exec(
        uR"sql(Insert into Items_sales values ( 5, 45352, 2, 2, 120, "Мария", "Мария", "maria", 12345, False ))sql"_s);
    const char* receipts[] = {
        R"sql(Insert into Incomes values ( 1, 45352, 1, 1, 100, "Иван Петров Иванов", "Мария Колева", "maria" ))sql",
        R"sql(Insert into Incomes values ( 2, 45352, 1, 2, 20, "Иван Петров Иванов", "Мария Колева", "maria" ))sql",
        R"sql(Insert into Incomes values ( 3, 45352, 0, 3, 50, "Собственик", "Мария Колева", "maria" ))sql",
        R"sql(Insert into Incomes values ( 4, 45352, 4, 4, 150, "Мария Георгиева", "Мария Колева", "maria" ))sql",
        R"sql(Insert into Incomes values ( 5, 45352, 5, 5, 120, "Мария Георгиева", "Мария Колева", "maria" ))sql",
        R"sql(Insert into Incomes values ( 6, 45352, 1, 6, 10, "Иван Петров Иванов", "Мария Колева", "maria" ))sql",
        R"sql(Insert into Incomes values ( 7, 45352, 1, 7, 20, "Иван Петров Иванов", "Мария Колева", "maria" ))sql",
    };
    for (const char* sql : receipts)
        Exec(QString::fromUtf8(sql));
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const struct {
        const char16_t* Document; // what the order was made out against
        const char16_t* Amount;
    } lines[] = {
        {u"по договор N: 1 / 10.02.2024, вещ: Злато - Пръстен 585",
         u"сумата от 100.00 лв. (вноска по главницата)"},
        {u"по договор N: 1 / 10.02.2024, вещ: Злато - Пръстен 585",
         u"сумата от 20.00 лв. (вноска по лихвите)"},
        {u"(захранване на касата)", u"сумата от 50.00 лв."},
        {u"по договор N: 4 / 01.03.2024, вещ: Злато - Пръстен 585",
         u"сумата от 150.00 лв. (приход от продажба на заложена вещ)"},
        {u"по договор N: 5 / 01.03.2024, вещ: Злато - Верижка",
         u"сумата от 120.00 лв. (приход от продажба на закупена вещ)"},
        {u"по договор N: 1 / 10.02.2024, вещ: Злато - Пръстен 585", u"сумата от 10.00 лв. (такса Оценка)"},
        {u"по договор N: 1 / 10.02.2024, вещ: Злато - Пръстен 585",
         u"сумата от 20.00 лв. (такса Съхранение)"},
    };
    ASSERT_EQ(form->Grid->RowCount(), 8);
    for (int i = 0; i < 7; ++i) {
        Previewed.clear();
        form->Grid->SetRow(i + 1);
        form->ctrl_F9->trigger();
        ASSERT_EQ(Previewed.size(), 4) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(Previewed[0], Format(u"ПРИХОДЕН КАСОВ ОРДЕР № %d / 01.03.2024"_s, {i + 1}));
        EXPECT_EQ(Previewed[2], QString::fromUtf16(lines[i].Document)) << i + 1;
        EXPECT_EQ(Previewed[3], QString::fromUtf16(lines[i].Amount)) << i + 1;
    }
}

TEST_F(CashOrderWindow, PrincipalTakenMeanwhileByAnotherWindowDropsTheReceiptThatNoLongerFits) {
    SeedContract(20);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    TypeReceipt(*this, form, u"1"_s, Ivan, u"1"_s, u"600"_s);
    Press(Qt::Key_F4);
    TypeReceipt(*this, form, u"1"_s, Ivan, u"1"_s, u"300"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 2) << Presenter.Texts().join(u'|').toStdString();
    // Another receipt window saves 200.00 of the principal first: 900.00 no longer fits.
    Exec(
        uR"sql(Insert into Incomes values ( 50, 45352, 1, 1, 200, "Иван Петров Иванов", "Мария Колева", "maria" ))sql"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"1"_s);
    EXPECT_EQ(Told(), u"Договорът е променен междувременно. Изберете договора отново.\nПриходен касов ордер "
                      "номер 2 не е записан. Останалото може да бъде записано с F2."_s);
    EXPECT_EQ(form->PendingSql.size(), 1);
    EXPECT_FALSE(SelectOrder(u"2"_s));
    Press(Qt::Key_F2);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT docno, sum_o FROM Incomes WHERE payment_type = 1 ORDER BY docno"_s),
              u"1@600°50@200"_s);
}

TEST_F(CashOrderWindow, OrdersRefusedAtSaveLeaveTheQueueOneByOneAndTheRestGoesIn) {
    SeedContract(1, Ivan, 20);
    SeedContract(2, Maria, 40);
    Exec(u"Insert into Incomes values ( 1, 45350, 2, 2, 48, \"Клиент\", \"Мария Колева\", \"maria\" )"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    Lift(u"1"_s);
    Type(form->feSum_c, u"50"_s);
    Press(Qt::Key_F4);
    // New orders from here on, today.
    Type(form->feDocNo, u"2"_s);
    form->dtDate_c->setDate(DateTimeToQDate(TContractShop::Today));
    TypeReceipt(*this, form, u"2"_s, Ivan, u"1"_s, u"21"_s);
    Press(Qt::Key_F4);
    TypeReceipt(*this, form, u"3"_s, QString(), QString(), u"70"_s);
    Type(form->edCustomer_name, u"Собственик"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 3) << Told().toStdString();
    // Another workstation redeems contract 2, then settles contract 1, each before a Save here.
    const QString rest = u" Останалото може да бъде записано с F2."_s;
    Exec(u"Update Contracts Set Finished = True, At_Date = 45352 Where docno = 2"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), u"Договор номер 2 е откупен: сумата, видът и датата на ордерите по него не се "
                      "променят.\nРедакцията на приходен касов ордер номер 1 е отменена."_s +
                          rest);
    ASSERT_EQ(form->PendingSql.size(), 2);
    // The edited receipt shows again as it is in the books.
    ASSERT_TRUE(SelectOrder(u"1"_s));
    EXPECT_EQ(form->Grid->Cells(3, form->Grid->Row()), u"48.00"_s);
    Exec(u"Update Contracts Set Finished = True, At_Date = 45352 Where docno = 1"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), u"Договорът е променен междувременно. Изберете договора отново.\nПриходен касов ордер "
                      "номер 2 не е записан."_s +
                          rest);
    EXPECT_FALSE(SelectOrder(u"2"_s));
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_TRUE(Told().isEmpty()) << Told().toStdString();
    EXPECT_TRUE(form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT docno, payment_type, sum_o FROM Incomes ORDER BY docno"_s),
              u"1@2@48°3@3@70"_s);
}

TEST_F(CashOrderWindow, PaymentWindowLeavesTheLoanPayoutsToTheContractWindow) {
    SeedContract(1, Ivan, 20); // payout 8
    SeedContract(2, Ivan, 10); // payout 9
    SeedContract(3, Ivan, 5, false);
    SeedContract(4, Ivan, 5); // payout 10; deleted, its loan booked back by 11 (-1000.00) and 12
    Exec(ContractDeleteSql(4));
    for (const QString& Sql :
         RebookingSql(4, TContractShop::Today, 1000, Ivan, u"Мария Колева"_s, u"maria"_s))
        Exec(Sql);
    auto* form = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    form->PaymentTypeItems->button(0)->click();
    Type(form->edSupplier_name, u"Мария Колева"_s);
    const struct {
        QString Owner, Contract, Told; // Told: empty when queued
    } cases[] = {
        {Ivan, u"1"_s, u"По договор номер 1 вече е изплатен заем (разходен касов ордер номер 8)."_s},
        {Ivan, u"77"_s, u"Няма договор с номер \"77\"."_s},
        {Ivan, u"4"_s, u"Няма договор с номер \"4\"."_s},
        {QString(), QString(), u"Въведете номер на договор"_s},
        {Ivan, u"3"_s, QString()},
        {Ivan, u"3"_s, u"По договор номер 3 вече е изплатен заем (разходен касов ордер номер 13)."_s},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        form->leOwner->setText(c.Owner);
        form->BuildContractList();
        form->leContract->setText(c.Contract);
        form->edCustomer_name->setText(u"Иван"_s);
        Type(form->feSum_c, u"1000"_s);
        Press(Qt::Key_F4);
        EXPECT_EQ(Told().trimmed(), c.Told);
    }
    ASSERT_EQ(form->PendingSql.size(), 1);
    // A contract's payout is neither lifted nor deleted here, and no password is asked for it.
    Presenter.Clear();
    ASSERT_TRUE(SelectOrder(u"8"_s));
    Press(Qt::Key_F3);
    ASSERT_TRUE(SelectOrder(u"9"_s));
    Press(Qt::Key_F5);
    EXPECT_EQ(Told(),
              u"Разходен касов ордер номер 8 е изплащането по договор номер 1. То се записва и променя "
              "само от договора.|Разходен касов ордер номер 9 е изплащането по договор номер 2. То се "
              "записва и променя само от договора."_s);
    EXPECT_TRUE(Presenter.Passwords().isEmpty());
    // The booking back of a deleted contract stays correctable.
    Lift(u"11"_s);
    Type(form->edCustomer_name, u"Иван П. Иванов"_s);
    Presenter.PlanAnswer(mrYes); // the negative amount is a correction
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 2) << Told().toStdString();
    // Another workstation pays contract 3 out before the Save.
    Exec(u"Insert into Outcomes values ( 50, 45352, 3, 1, 1000, \"Иван\", \"Мария\", \"maria\" )"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), u"По договор номер 3 вече е изплатен заем (разходен касов ордер номер 50).\nРазходен "
                      "касов ордер номер 13 не е записан. Останалото може да бъде записано с F2."_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT contract_n, sum(sum_o) FROM Outcomes WHERE payment_type = 1 "
                        "GROUP BY contract_n ORDER BY contract_n"_s),
              u"1@1000°2@1000°3@1000°4@0"_s);
    EXPECT_EQ(QueryText(u"SELECT customer_name FROM Outcomes WHERE docno = 11"_s), u"Иван П. Иванов"_s);
}

TEST_F(CashOrderWindow, EditedReceiptIsCheckedAsANewOneAndARedeemedContractKeepsItsReceipts) {
    SeedContract(1, Ivan, 20);
    SeedContract(2, Maria, 40);
    Exec(u"Update Contracts Set Finished = True, At_Date = 45347 Where docno = 2"_s);
    for (const char* Order :
         {"1, 45347, 2, 1, 1000", "2, 45347, 2, 2, 48", "3, 45352, 1, 2, 21", "4, 45351, 1, 1, 100"})
        Exec(u"Insert into Incomes values ( %1, \"Клиент\", \"Мария Колева\", \"maria\" )"_s.arg(Order));
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    auto date = [form](int Day) { form->dtDate_c->setDate(DateTimeToQDate(Day)); };
    const QString redeemed =
        u"Договор номер 2 е откупен: сумата, видът и датата на ордерите по него не се променят."_s;
    // Each step changes the receipt lifted (by the last number given) and presses F4.
    const struct {
        const char* Lift;
        std::function<void()> Change;
        QString Told; // empty when queued
    } steps[] = {
        {"1", [&] { Type(form->feSum_c, u"9999"_s); }, redeemed},
        {nullptr,
         [&] {
             Type(form->feSum_c, u"1000"_s);
             date(45346);
         },
         redeemed},
        {nullptr,
         [&] {
             date(45347);
             Type(form->edCustomer_name, u"Мария Г."_s);
         },
         QString()},
        // Interest on Ivan's contract 1 turned into principal: 100.00 of it is paid already.
        {"3",
         [&] {
             Type(form->lePayment_type, u"1"_s);
             Type(form->leContract, u"1"_s);
             Type(form->feSum_c, u"900.01"_s);
         },
         u"Вноската по главницата надвишава остатъка по договора (900.00)."_s},
        {nullptr,
         [&] {
             Type(form->feSum_c, u"500"_s);
             date(47000);
         },
         u"Датата на ордера е след днешната."_s},
        {nullptr, [&] { date(45331); },
         u"Датата на ордера е преди датата на договор номер 1 (10.02.2024)."_s},
        {nullptr, [&] { date(45332); }, QString()},
    };
    for (const auto& s : steps) {
        if (s.Lift) Lift(QString::fromUtf8(s.Lift));
        Presenter.Clear();
        s.Change();
        Press(Qt::Key_F4);
        EXPECT_EQ(Told().trimmed(), s.Told) << Told().toStdString();
    }
    ASSERT_TRUE(SelectOrder(u"2"_s));
    Press(Qt::Key_F5);
    EXPECT_EQ(Told(), u"Договор номер 2 е откупен: ордерите по него не могат да бъдат изтрити."_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT date_d, contract_n, payment_type, sum_o, customer_name FROM Incomes"_s),
              u"25.02.2024@2@1@1000@Мария Г.°25.02.2024@2@2@48@Клиент°10.02.2024@1@1@500@Иван Петров Иванов°"
              "29.02.2024@1@1@100@Клиент"_s);
    // Principal 4 raised, then receipt 3 deleted; each time another window redeems or sells
    // contract 1 before the Save.
    for (const auto& [Column, Word] :
         {std::pair{"Finished", u"откупен"_s}, std::pair{"Sold", u"продаден"_s}}) {
        auto closeAndSave = [&](const QString& Refusal) {
            Exec(u"Update Contracts Set %1 = True, At_Date = 45352 Where docno = 1"_s.arg(
                QLatin1String(Column)));
            Presenter.Clear();
            Press(Qt::Key_F2);
            EXPECT_EQ(Told(), u"Договор номер 1 е "_s + Word + u": "_s + Refusal);
            Exec(u"Update Contracts Set %1 = False Where docno = 1"_s.arg(QLatin1String(Column)));
            EXPECT_TRUE(form->PendingSql.isEmpty());
        };
        Lift(u"4"_s);
        Type(form->feSum_c, u"150"_s);
        Press(Qt::Key_F4);
        closeAndSave(u"сумата, видът и датата на ордерите по него не се променят.\nРедакцията на приходен "
                     "касов ордер номер 4 е отменена."_s);
        ASSERT_TRUE(SelectOrder(u"3"_s));
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
        closeAndSave(u"ордерите по него не могат да бъдат изтрити.\nИзтриването на приходен касов ордер "
                     "номер 3 е отменено."_s);
        EXPECT_TRUE(SelectOrder(u"3"_s));
    }
    EXPECT_EQ(QueryText(u"SELECT sum(sum_o) FROM Incomes WHERE contract_n = 1"_s), u"600"_s);
    ExpectBooksHold();
}

TEST_F(CashOrderWindow, ReceiptTypeAndSaleComeFromTheirListsAndASecondSaleReceiptIsAsked) {
    SeedContract(20);
    Exec(
        uR"sql(Insert into Items_purchases values ( 2, 45340, 6, 80, "Иван", "Мария", "maria", 8001011234, 0, True, 45352 ))sql"_s);
    Exec(u"Insert into Items_sales values ( 4, 45352, 1, 1, 150, \"М\", \"М\", \"maria\", 12345, False )"_s);
    Exec(u"Insert into Items_sales values ( 5, 45352, 2, 2, 120, \"М\", \"М\", \"maria\", 12345, False )"_s);
    Exec(u"Insert into Incomes values ( 1, 45352, 5, 5, 120, \"М\", \"Мария Колева\", \"maria\" )"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const QString second =
        u"Продажба номер %1 вече има приходен касов ордер (%2). Желаете ли да запишете още един?"_s;
    const struct {
        QString Type, Sale;
        std::optional<TModalResult> Answer; // to the question about a second receipt
        QString Told;
        int Queued; // the queue's length afterwards
    } cases[] = {
        {QString(), QString(), {}, u"Въведете вид на ПКО"_s, 0},
        {u"0"_s, QString(), {}, u"Въведете вид на ПКО"_s, 0},
        {u"99"_s, QString(), {}, u"Въведете вид на ПКО"_s, 0},
        {u"258"_s, QString(), {}, u"Въведете вид на ПКО"_s, 0},
        {u"4"_s, u"5"_s, {}, u"Няма продажба на заложена вещ с номер \"5\"."_s, 0},
        {u"5"_s, u"77"_s, {}, u"Няма продажба на закупена вещ с номер \"77\"."_s, 0},
        {u"4"_s, QString(), {}, u"Въведете номер на продажба"_s, 0},
        {u"5"_s, u"5"_s, mrNo, second.arg(5).arg(1), 0},
        {u"5"_s, u"5"_s, mrYes, second.arg(5).arg(1), 1},
        {u"4"_s, u"4"_s, {}, QString(), 2},
        {u"4"_s, u"4"_s, mrNo, second.arg(4).arg(3), 2},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        if (c.Answer) Presenter.PlanAnswer(*c.Answer);
        TypeReceipt(*this, form, c.Type, QString(), c.Sale, u"100"_s);
        Type(form->edCustomer_name, u"М"_s);
        Press(Qt::Key_F4);
        EXPECT_EQ(form->PendingSql.size(), c.Queued) << c.Type.toStdString() << " " << c.Sale.toStdString();
        EXPECT_TRUE(c.Told.isEmpty() ? Told().isEmpty() : Told().contains(c.Told)) << Told().toStdString();
    }
}

TEST_F(CashOrderWindow, DroppedReceiptGivesItsNumberBackAndNumbersStayInTheRegisterRange) {
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    auto queue = [&](const QString& Number) {
        TypeReceipt(*this, form, u"3"_s, QString(), QString(), u"50"_s);
        Type(form->edCustomer_name, u"Собственик"_s);
        if (!Number.isEmpty()) Type(form->feDocNo, Number);
        Press(Qt::Key_F4);
    };
    queue({});
    queue({});
    for (const QString& Drop : {u"2"_s, u"1"_s}) {
        ASSERT_TRUE(SelectOrder(Drop));
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
        EXPECT_EQ(form->feDocNo->Value(), Drop.toDouble());
    }
    queue(u"4294967297"_s);
    EXPECT_TRUE(Told().contains(u"Номерът на документа е от 1 до 999 999 999."_s)) << Told().toStdString();
    queue(u"999999999"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT docno FROM Incomes"_s), u"999999999"_s);
}

TEST_F(CashOrderWindow, PrincipalQueuedEarlierCountsAgainstTheDebtAtNew) {
    SeedContract(20);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    for (const QString& Sum : {u"600"_s, u"400.01"_s, u"400"_s}) {
        TypeReceipt(*this, form, u"1"_s, Ivan, u"1"_s, Sum);
        Press(Qt::Key_F4);
    }
    EXPECT_TRUE(Told().contains(u"Вноската по главницата надвишава остатъка по договора (400.00)."_s))
        << Told().toStdString();
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT sum(sum_o) FROM Incomes WHERE contract_n = 1"_s), u"1000"_s);
}

// The sale window deletes a sale, and its receipts with it, before a receipt queued here for it is
// saved: that receipt stays out of the drawer, the owner's beside it goes in.
TEST_F(CashOrderWindow, ReceiptForASaleDeletedMeanwhileLeavesTheQueue) {
    SeedContract(20);
    Exec(u"Insert into Items_sales values ( 4, 45352, 1, 1, 150, \"М\", \"М\", \"maria\", 12345, False )"_s);
    // A bought item's sale beside it.
    Exec(
        uR"sql(Insert into Items_purchases values ( 2, 45340, 6, 80, "Иван", "Мария", "maria", 8001011234, 0, True, 45352 ))sql"_s);
    Exec(u"Insert into Items_sales values ( 5, 45352, 2, 2, 120, \"М\", \"М\", \"maria\", 12345, False )"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    TypeReceipt(*this, form, u"4"_s, QString(), u"4"_s, u"150"_s);
    Type(form->edCustomer_name, u"М"_s);
    Press(Qt::Key_F4);
    TypeReceipt(*this, form, u"5"_s, QString(), u"5"_s, u"120"_s);
    Type(form->edCustomer_name, u"М"_s);
    Press(Qt::Key_F4);
    TypeReceipt(*this, form, u"3"_s, QString(), QString(), u"70"_s);
    Type(form->edCustomer_name, u"Собственик"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 3) << Told().toStdString();
    Exec(u"Delete from Items_sales where docno = 4 OR docno = 5"_s);
    for (const QString& Refused : {u"Продажба 4 е изтрита междувременно.\nПриходен касов ордер номер 1"_s,
                                   u"Продажба 5 е изтрита междувременно.\nПриходен касов ордер номер 2"_s}) {
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Told(), Refused + u" не е записан. Останалото може да бъде записано с F2."_s);
    }
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT docno, payment_type, sum_o FROM Incomes"_s), u"3@3@70"_s);
    ExpectBooksHold();
}

// Another workstation changes the borrower's preferential code to one without an interest
// scheme: the receipts whose debt can no longer be computed leave the queue one by one, each with
// the engine's own reason, and the rest is saved.
TEST_F(CashOrderWindow, AReceiptWhoseDebtCannotBeComputedAtSaveLeavesTheQueueWithTheReason) {
    SeedContract(20);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    TypeReceipt(*this, form, u"1"_s, Ivan, u"1"_s, u"100"_s);
    Press(Qt::Key_F4);
    TypeReceipt(*this, form, u"2"_s, Ivan, u"1"_s, u"21"_s);
    Press(Qt::Key_F4);
    TypeReceipt(*this, form, u"3"_s, QString(), QString(), u"70"_s);
    Type(form->edCustomer_name, u"Собственик"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 3) << Told().toStdString();
    Exec(u"Update Owners Set pref_code = 3 Where EGN = 8001011234"_s);
    const QString Reason =
        u"Не е зададена лихвена схема за клиент Иван Петров Иванов с префернциялен код 3.\n"_s;
    for (const QString& Number : {u"1"_s, u"2"_s}) {
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Told(), Reason + u"Приходен касов ордер номер "_s + Number +
                              u" не е записан. Останалото може да бъде записано с F2."_s);
    }
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), QString());
    EXPECT_EQ(QueryText(u"SELECT docno, payment_type, sum_o FROM Incomes"_s), u"3@3@70"_s);
    ExpectBooksHold();
}

// A correction takes back at most what the contract's receipts of its type took, counting what
// the queue holds; another workstation's correction saved meanwhile, or a delete queued beside
// one, cannot take it below nothing either.
TEST_F(CashOrderWindow, ACorrectionTakesBackAtMostWhatWasReceived) {
    SeedContract(20);
    Exec(u"Insert into Incomes values ( 1, 45350, 1, 1, 300, \"Иван\", \"Мария Колева\", \"maria\" )"_s);
    Exec(u"Insert into Incomes values ( 2, 45350, 1, 2, 15, \"Иван\", \"Мария Колева\", \"maria\" )"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const QString TooMuch = u"Корекцията надвишава полученото по договора с този вид ПКО (%1)."_s;
    const struct {
        const char16_t* Type;
        const char16_t* Sum;
        QString Told; // the refusal; empty when the correction is asked and confirmed
        int Queued;
    } cases[] = {
        {u"1", u"-500", TooMuch.arg(u"300.00"_s), 0},
        {u"1", u"-300", QString(), 1},
        {u"1", u"-0.01", TooMuch.arg(u"0.00"_s), 1},
        {u"2", u"-40", TooMuch.arg(u"15.00"_s), 1},
        {u"2", u"-15", QString(), 2},
        {u"6", u"-5", TooMuch.arg(u"0.00"_s), 2},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        if (c.Told.isEmpty()) Presenter.PlanAnswer(mrYes);
        TypeReceipt(*this, form, QString::fromUtf16(c.Type), Ivan, u"1"_s, QString::fromUtf16(c.Sum));
        Press(Qt::Key_F4);
        EXPECT_EQ(form->PendingSql.size(), c.Queued) << Told().toStdString();
        if (!c.Told.isEmpty()) EXPECT_EQ(Told().trimmed(), c.Told);
    }
    // Another workstation takes 1.00 of the principal back first: 300.00 no longer can be.
    ASSERT_TRUE(OtherWorkstationSaves(
        u"Insert into Incomes values ( 50, 45352, 1, 1, -1, \"Иван\", \"Мария Колева\", \"maria\" )"_s));
    const QString Exceeds =
        u"Приходите по договор номер 1 с вид ПКО 1 биха станали с 1.00 по-малко от направените по тях корекции."_s;
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), Exceeds + u"\nПриходен касов ордер номер 3 не е записан. Останалото може да бъде "
                                "записано с F2."_s);
    Press(Qt::Key_F2);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    // Deleting the 300.00 received would leave the other workstation's correction taking back
    // what nothing paid.
    ASSERT_TRUE(SelectOrder(u"1"_s));
    Presenter.Clear();
    Press(Qt::Key_F5);
    EXPECT_EQ(Told(), Exceeds);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT payment_type, sum(sum_o) FROM Incomes GROUP BY payment_type"_s),
              u"1@299°2@0"_s);
    ExpectBooksHold();
}

// A receipt that corrections took back from is not deleted or lowered below them, saved or queued,
// whether at F5, at F4 or inside Save after another workstation's correction: the receipts of its
// type may total nothing, never less.
TEST_F(CashOrderWindow, AReceiptIsNotTakenBelowTheCorrectionsMadeOnIt) {
    SeedContract(20); // owes 21.00 interest and 10.00 "Оценка" (6)
    const auto Receipt = [](const char* Values) {
        return u"Insert into Incomes values ( %1, \"Иван\", \"Мария Колева\", \"maria\" )"_s.arg(
            QLatin1StringView(Values));
    };
    Exec(Receipt("1, 45350, 1, 1, 300"));
    Exec(Receipt("2, 45351, 1, 1, -100"));
    Exec(Receipt("3, 45350, 1, 2, 15"));
    Exec(Receipt("4, 45351, 1, 2, -5"));
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const QString Exceeds =
        u"Приходите по договор номер 1 с вид ПКО %1 биха станали с %2 по-малко от направените по тях корекции."_s;
    const auto Refused = [&](const QString& Type, const QString& By) {
        EXPECT_EQ(Told().trimmed(), Exceeds.arg(Type, By));
    };
    // The lifted receipt's sum, or a new receipt of Type, queued; a correction confirmed.
    const auto Queue = [&](const QString& Sum, const QString& Type = QString()) {
        Presenter.Clear();
        if (Sum.startsWith(u'-')) Presenter.PlanAnswer(mrYes);
        if (Type.isEmpty())
            this->Type(form->feSum_c, Sum);
        else
            TypeReceipt(*this, form, Type, Ivan, u"1"_s, Sum);
        const QString Number = QString::number(qint64(form->feDocNo->Value()));
        Press(Qt::Key_F4);
        return Number;
    };
    const auto Delete = [&](const QString& DocNo, bool Password = false) {
        ASSERT_TRUE(SelectOrder(DocNo));
        Presenter.Clear();
        if (Password) Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
    };

    // Deleting the 300.00 would leave 100.00 taken back of nothing: refused before the password.
    Delete(u"1"_s);
    Refused(u"1"_s, u"100.00"_s);
    EXPECT_TRUE(Presenter.Passwords().isEmpty());
    // Lowered to one cent under the corrections, refused; to exactly them, queued.
    Lift(u"1"_s);
    Queue(u"99.99"_s);
    Refused(u"1"_s, u"0.01"_s);
    Queue(u"100"_s);
    EXPECT_EQ(form->PendingSql.size(), 1) << Told().toStdString();
    // The interest receipt turned into a correction of its own type is refused as a correction;
    // moved to a fee, the interest receipts lose it all.
    Lift(u"3"_s);
    Queue(u"-1"_s);
    EXPECT_EQ(Told().trimmed(), u"Корекцията надвишава полученото по договора с този вид ПКО (0.00)."_s);
    Queue(u"0.99"_s);
    Refused(u"2"_s, u"4.01"_s);
    Queue(u"10"_s, u"6"_s);
    Refused(u"2"_s, u"5.00"_s);
    Queue(u"5"_s, u"2"_s);
    ASSERT_EQ(form->PendingSql.size(), 2) << Told().toStdString();
    Press(Qt::Key_F2);
    ASSERT_TRUE(form->PendingSql.isEmpty()) << Told().toStdString();

    // A queued receipt that a queued correction takes back from stays while the correction does.
    form->dtDate_c->setDate(DateTimeToQDate(TContractShop::Today));
    const QString Paid = Queue(u"50"_s, u"1"_s);
    const QString Correction = Queue(u"-50"_s, u"1"_s);
    ASSERT_EQ(form->PendingSql.size(), 2) << Told().toStdString();
    Delete(Paid);
    Refused(u"1"_s, u"50.00"_s);
    Delete(Correction);
    Delete(Paid);
    EXPECT_TRUE(form->PendingSql.isEmpty()) << Told().toStdString();

    // A delete that leaves exactly nothing passes F5; another workstation's correction of one cent
    // saved before F2 refuses it there, and taken back, lets it through.
    Exec(Receipt("9, 45351, 1, 1, 30"));
    Press(Qt::Key_F8);
    const auto DeleteNine = [&] {
        Delete(u"9"_s, true);
        ASSERT_EQ(form->PendingSql.size(), 1) << Told().toStdString();
        Presenter.Clear();
    };
    DeleteNine();
    ASSERT_TRUE(OtherWorkstationSaves(Receipt("60, 45352, 1, 1, -0.01")));
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), Exceeds.arg(u"1"_s, u"0.01"_s) +
                          u"\nИзтриването на приходен касов ордер номер 9 е отменено."_s);
    ASSERT_TRUE(OtherWorkstationSaves(u"Delete from Incomes Where docno = 60"_s));
    DeleteNine();
    Press(Qt::Key_F2);
    EXPECT_TRUE(form->PendingSql.isEmpty()) << Told().toStdString();
    // Receipts already below their corrections still take an edit that takes nothing from them.
    ASSERT_TRUE(OtherWorkstationSaves(Receipt("61, 45352, 1, 2, -1")));
    Lift(u"3"_s);
    Type(form->edCustomer_name, u"Иван И."_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT customer_name FROM Incomes WHERE docno = 3"_s), u"Иван И."_s)
        << Told().toStdString();
    EXPECT_EQ(QueryText(u"SELECT payment_type, sum(sum_o) FROM Incomes GROUP BY payment_type"_s),
              u"1@0°2@-1"_s);
    ExpectBooksHold();

    // A payment window's payout dropped from its queue is no receipt.
    SeedContract(2, Ivan, 0, false);
    Form->RunDone();
    delete Form->Container();
    auto* payments = Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    payments->SetPaymentItem(0);
    Type(payments->leOwner, Ivan);
    Type(payments->leContract, u"2"_s);
    payments->leContract->OnFormOk(payments->leContract);
    Type(payments->feSum_c, u"1000"_s);
    Type(payments->edCustomer_name, u"Иван"_s);
    Type(payments->edSupplier_name, u"Мария Колева"_s);
    const QString Payout = QString::number(qint64(payments->feDocNo->Value()));
    Press(Qt::Key_F4);
    ASSERT_EQ(payments->PendingSql.size(), 1) << Told().toStdString();
    Delete(Payout);
    EXPECT_TRUE(payments->PendingSql.isEmpty()) << Told().toStdString();
}

// Interest and fees are taken up to what the contract owes of them, as principal is: at F4,
// counting the queue and the edited receipt, and again at Save.
TEST_F(CashOrderWindow, AFeeOrInterestReceiptAboveWhatIsOwedIsRefused) {
    SeedContract(20); // owes 21.00 interest, 10.00 "Оценка" (6) and 21.00 "Съхранение" (7)
    // A fee with no rate for the borrower's code: the contract owes none of it.
    Exec(u"Insert into Taxes values ( 3, \"Охрана\", True )"_s);
    auto* form = Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    const QString Interest = u"Вноската по лихвата надвишава дължимата лихва по договора (%1)."_s;
    const QString Fee = u"Вноската по таксата надвишава дължимата такса по договора (%1)."_s;
    const struct {
        const char16_t* Type;
        const char16_t* Sum;
        QString Told; // empty when queued
    } cases[] = {
        {u"2", u"21.01", Interest.arg(u"21.00"_s)},
        {u"2", u"21", QString()},
        {u"2", u"0.01", Interest.arg(u"0.00"_s)},
        {u"6", u"10.01", Fee.arg(u"10.00"_s)},
        {u"6", u"6", QString()},
        {u"6", u"4.01", Fee.arg(u"4.00"_s)},
        {u"7", u"21.01", Fee.arg(u"21.00"_s)},
        {u"8", u"0.5", Fee.arg(u"0.00"_s)},
        {u"6", u"4", QString()},
    };
    int Queued = 0;
    for (const auto& c : cases) {
        Presenter.Clear();
        TypeReceipt(*this, form, QString::fromUtf16(c.Type), Ivan, u"1"_s, QString::fromUtf16(c.Sum));
        Press(Qt::Key_F4);
        if (c.Told.isEmpty()) ++Queued;
        EXPECT_EQ(form->PendingSql.size(), Queued) << Told().toStdString();
        EXPECT_EQ(Told().trimmed(), c.Told);
    }
    // Another workstation takes 0.01 of the valuation fee first: the last fee receipt goes.
    Exec(u"Insert into Incomes values ( 50, 45352, 1, 6, 0.01, \"Иван\", \"Мария Колева\", \"maria\" )"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), u"Договорът е променен междувременно. Изберете договора отново.\nПриходен касов ордер "
                      "номер 3 не е записан. Останалото може да бъде записано с F2."_s);
    Press(Qt::Key_F2);
    // 3.99 of the fee is left: a new receipt takes it, and beside it receipt 2 may keep its 6.00
    // but not rise. Another 0.01 taken meanwhile drops the receipt that pays over, not the edit.
    TypeReceipt(*this, form, u"6"_s, Ivan, u"1"_s, u"3.99"_s);
    Press(Qt::Key_F4);
    Lift(u"2"_s);
    Presenter.Clear();
    Type(form->feSum_c, u"6.01"_s);
    Press(Qt::Key_F4);
    EXPECT_EQ(Told().trimmed(), Fee.arg(u"6.00"_s));
    Type(form->feSum_c, u"6"_s);
    Type(form->edCustomer_name, u"Иван И."_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 2);
    Exec(u"Insert into Incomes values ( 60, 45352, 1, 6, 0.01, \"Иван\", \"Мария Колева\", \"maria\" )"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Told(), u"Договорът е променен междувременно. Изберете договора отново.\nПриходен касов ордер "
                      "номер 4 не е записан. Останалото може да бъде записано с F2."_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT payment_type, sum(sum_o) FROM Incomes GROUP BY payment_type"_s),
              u"2@21°6@6.02"_s);
    EXPECT_EQ(QueryText(u"SELECT customer_name FROM Incomes WHERE docno = 2"_s), u"Иван И."_s);
    ExpectBooksHold();
}

// The lists take every order of their types, each with the personal number of its contract, sale
// or purchase, and keep an order whose document is gone, without one.
TEST_F(CashOrderWindow, EachListShowsItsOrdersWithTheirDocumentsOwners) {
    SeedContract(1, u"8001011234"_s, 20); // payout 8
    const int T = TContractShop::Today;
    for (
        const QString& Sql : {
            u"Insert into Items_purchases values ( 1, %1, 6, 150, \"\", \"\", \"maria\", 12345, 0, False, 0 )"_s,
            u"Insert into Items_sales values ( 5, %1, 1, 2, 90, \"\", \"\", \"maria\", 12345, False )"_s,
            u"Insert into Outcomes values ( 20, %1, 1, 4, 150, \"\", \"\", \"maria\" )"_s,
            u"Insert into Outcomes values ( 21, %1, 99, 4, 10, \"\", \"\", \"maria\" )"_s,
            u"Insert into Outcomes values ( 22, %1, 1, 2, 10, \"\", \"\", \"maria\" )"_s,
            u"Insert into Outcomes values ( 23, %1, 77, 1, 10, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 30, %1, 1, 1, 100, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 31, %1, 1, 2, 20.5, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 32, %1, 1, 6, 3, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 33, %1, 1, 3, 40, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 34, %1, 5, 5, 90, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 35, %1, 77, 4, 50, \"\", \"\", \"maria\" )"_s,
            u"Insert into Incomes values ( 36, %1, 88, 2, 5, \"\", \"\", \"maria\" )"_s,
        })
        Exec(Sql.arg(T));
    const auto Listed = [this](int Col) {
        QStringList Rows;
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
            Rows << Form->Grid->Cells(0, R).trimmed() + u'@' + Form->Grid->Cells(4, R) + u'@' +
                        Form->Grid->Cells(Col, R);
        return Rows;
    };
    Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    EXPECT_EQ(Listed(3),
              (QStringList{u"30@8001011234@100.00"_s, u"31@8001011234@20.50"_s, u"32@8001011234@3.00"_s,
                           u"33@@40.00"_s, u"34@0000012345@90.00"_s, u"35@@50.00"_s, u"36@@5.00"_s}));
    Form->RunDone();
    delete Form->Container();
    Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    EXPECT_EQ(Listed(8),
              (QStringList{u"7@@на собственик"_s, u"8@8001011234@за нов залог"_s,
                           u"20@0000012345@при покупка"_s, u"21@@при покупка"_s, u"23@@за нов залог"_s}));
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Told().toStdString();
}

// Each list's record is written straight from the database row: blanks, a missing date, negative
// amounts, quoted texts and a text holding the field delimiter show as they always have, the
// delimiter moving the texts after it one column on, the payment's kind included.
TEST_F(CashOrderWindow, ListCellsOfUnusualValuesShowAsStored) {
    const int T = TContractShop::Today;
    Exec(u"Insert into Incomes values ( 40, %1, 0, 3, -12.5, \" \"\"Иван\"\" \", \"\", \"\" )"_s.arg(T));
    Exec(u"Insert into Incomes values ( 41, Null, 0, 3, 7.5, \"Иван@Петров\", \"Касиер\", \"maria\" )"_s);
    Exec(u"Insert into Outcomes values ( 50, %1, 0, 3, 70, \"А@Б\", \"Касиер\", \"maria\" )"_s.arg(T));
    const auto Row = [this](const QString& DocNo) {
        int R = 0;
        if (!FindGridRow(DocNo, 0, Form->Grid, R)) return QStringList();
        return Form->Grid->Rows(R);
    };
    Open<TfrmIncomes>(u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s);
    EXPECT_EQ(Row(u"40"_s), (QStringList{u"40"_s, u"01.03.2024"_s, u"0"_s, u"-12.50"_s, u""_s, u"3"_s,
                                         u"Иван"_s, u""_s, u""_s}));
    EXPECT_EQ(Row(u"41"_s), (QStringList{u"41"_s, u""_s, u"0"_s, u"7.50"_s, u""_s, u"3"_s, u"Иван"_s,
                                         u"Петров"_s, u"Касиер"_s}));
    Form->RunDone();
    delete Form->Container();
    Open<TfrmOutcomes>(u"Разходен касов ордер"_s, u"Outcomes"_s, u"разходен касов ордер"_s);
    EXPECT_EQ(Row(u"50"_s), (QStringList{u"50"_s, u"01.03.2024"_s, u"0"_s, u"70.00"_s, u""_s, u"А"_s, u"Б"_s,
                                         u"Касиер"_s, u""_s, u"3"_s}));
}
