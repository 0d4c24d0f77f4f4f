// The cash order windows: their validation and statements, and each window driven as the
// operator drives it, on a small shop.

#include "business/documents/un_Incomes.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/engine/unLoanEngine.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Outcomes.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "framework/printing/ReportLayout.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateEdit>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

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

namespace {

class CashOrderWindow : public ::testing::Test {
public:
    CashOrderWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
        SetReportPreviewHook([this](TReportLayout& Report) {
            Previewed.append(Report.Caption(u"QRLabel2"_s));
            Previewed.append(Report.Caption(u"QRLabel3"_s));
            Previewed.append(Report.Caption(u"QRLabel4"_s));
            Previewed.append(Report.Caption(u"QRLabel5"_s));
            return false;
        });
    }
    ~CashOrderWindow() override {
        if (Form) {
            Form->RunDone();
            delete Form->Container();
        }
        SetReportPreviewHook(nullptr);
    }
    template <class T> T* Open(const QString& Caption, const QString& Table, const QString& Noun) {
        auto* form = CreateForm<T>(&Host, TMAccountForm::fsMDIChild);
        form->SetFormCaption(Caption);
        form->SetTableName(Table);
        form->SetKeyField(u"docno"_s);
        form->SetRecordNoun(Noun);
        form->SetUserName(u"maria"_s);
        form->ShowForm();
        QApplication::processEvents();
        Form = form;
        return form;
    }
    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        if (auto* line = qobject_cast<QLineEdit*>(Field)) line->selectAll();
        TypeText(Field, Text);
    }
    void Press(QKeyCombination Key) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }
    // Contract 1 of Ivan's for 1000.00 on item 5, dated DaysAgo days before today, paid out.
    void SeedContract(int DaysAgo) {
        TContractEntry e;
        e.DocNo = 1;
        e.DateC = TContractShop::Today - DaysAgo;
        e.ItemCode = u"5"_s;
        e.OwnerCode = u"8001011234"_s;
        e.OwnerName = u"Иван Петров Иванов"_s;
        e.Sum = 1000;
        e.MIR = 3;
        e.Duration = 30;
        Exec(ContractInsertSql(u"Contracts"_s, e));
        Exec(PayoutOrderSql(e, u"Мария Колева"_s, u"maria"_s));
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    TMAccountReadForm* Form = nullptr;
    QStringList Previewed;
};

} // namespace

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
