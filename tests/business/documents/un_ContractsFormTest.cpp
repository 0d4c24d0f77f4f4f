// The contract window driven as the operator drives it, on a small shop.

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Items_purchases.h"
#include "business/registers/un_Items.h"
#include "business/registers/un_Owners.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "tests/support/Books.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/FakeOfficePrinter.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/WriteLock.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

class ContractWindow : public ::testing::Test {
public:
    ContractWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
        Open();
    }
    ~ContractWindow() override { Close(); }

    void Open() { Form = OpenWindow(); }
    TfrmContracts* OpenWindow() {
        auto* Window = CreateForm<TfrmContracts>(&Host, TMAccountForm::fsMDIChild);
        Window->SetFormCaption(u"Договор за залог"_s);
        Window->SetTableName(u"Contracts"_s);
        Window->SetKeyField(u"docno"_s);
        Window->SetRecordNoun(u"договор за злог"_s);
        Window->SetUserName(u"maria"_s);
        Window->ShowForm();
        QApplication::processEvents();
        return Window;
    }
    void Close() {
        CloseWindow(Form);
        Form = nullptr;
    }
    static void CloseWindow(TfrmContracts* Window) {
        if (!Window) return;
        Window->RunDone();
        delete Window->Container();
    }

    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        if (auto* Line = qobject_cast<QLineEdit*>(Field)) Line->selectAll();
        TypeText(Field, Text);
    }
    // The key goes to the focused field, F2 leaves the focus where it was.
    void Press(QKeyCombination Key) {
        QWidget* Focus = QApplication::focusWidget();
        if (!Focus) ADD_FAILURE() << "no focus";
        QTest::keyClick(Focus ? Focus : Form->edNotes, Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }
    // A contract of Owner's on item 5: amount, 30 days; in Window, the test's window by default.
    void Enter(const QString& Owner, const QString& Amount, TfrmContracts* Window = nullptr) {
        if (!Window) Window = Form;
        Type(Window->leOwner, Owner);
        Type(Window->leItem, u"5"_s);
        Type(Window->feSum_c, Amount);
        Type(Window->feDuration, u"30"_s);
        Window->edNotes->setFocus();
    }
    // A saved contract of 1000.00 in row 2.
    void SaveOne() {
        Enter(u"8001011234"_s, u"1000"_s);
        Press(Qt::Key_F4);
        Press(Qt::Key_F2);
        ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        Form->Grid->SetRow(2);
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    TFakeOfficePrinter Printer;
    QMainWindow Host;
    TfrmContracts* Form = nullptr;
};

TEST_F(ContractWindow, OwnerChangedAfterTheAmountTakesTheNewOwnersRateAndFees) {
    Enter(u"8001011234"_s, u"1000"_s);
    EXPECT_EQ(Form->labTotal->text(), u"  1 070.00 лв."_s);
    // Maria's code 2: 4 % a month (0.0013333 a day: 1.33 on 1000.00), no fees.
    Type(Form->leOwner, u"0000012345"_s);
    EXPECT_EQ(Form->feM_IR->text(), u"4.00"_s);
    EXPECT_EQ(Form->lab_Dylzhimi_lihvi->text(), u"Дължими лихви: 39.90 лв. (1.33 лв./ден) "_s);
    EXPECT_EQ(Form->lab_Ednokratni_taxi->text(), u"Еднократни такси: "_s);
    EXPECT_EQ(Form->labTotal->text(), u"  1 039.90 лв."_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 2);
    EXPECT_TRUE(Form->PendingSql[0].contains(u"1000.000000, 4.000000, 30"_s))
        << Form->PendingSql[0].toStdString();
    EXPECT_TRUE(Form->PendingSql[0].endsWith(u"39.900000, 0.000000, 0.000000, 0 )"_s))
        << Form->PendingSql[0].toStdString();
    EXPECT_TRUE(Form->PendingSql[1].contains(u"\"Мария Георгиева\", \"Мария Колева\", \"maria\""_s));
}

// The borrower's band is the register's when the contract is typed, changed there after the list
// was filled, and must still be when it is saved.
TEST_F(ContractWindow, AContractTakesTheBorrowersBandAsTheRegisterHoldsIt) {
    const QString Band = u"UPDATE Owners SET pref_code = %1 WHERE EGN = 8001011234"_s;
    Exec(Band.arg(2));
    Form->edNotes->setFocus();
    Press(Qt::Key_F8);
    Enter(u"8001011234"_s, u"1000"_s);
    EXPECT_EQ(Form->labPref_code->text(), u"2"_s);
    EXPECT_EQ(Form->feM_IR->text(), u"4.00"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 2) << Presenter.Texts().join(u'|').toStdString();
    Exec(Band.arg(1));
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Заемополучател с ЕГН 8001011234 е променен междувременно.\n"
                                             "Договор номер 1 не е записан."_s});
    EXPECT_EQ(QueryText(u"Select count(*) From Contracts"_s), u"0"_s);
    Enter(u"8001011234"_s, u"1000"_s);
    EXPECT_EQ(Form->feM_IR->text(), u"3.00"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select docno, M_IR From Contracts"_s), u"2@3"_s);
    ExpectBooksHold();
}

// Each entry gives its message in one box and queues nothing.
TEST_F(ContractWindow, BadEntriesAreRefusedWithTheirMessageAndQueueNothing) {
    struct Case {
        const char* Name;
        std::function<void(ContractWindow&)> Setup;
        QString Message;
    } Cases[] = {
        {"unknown owner and item",
         [](ContractWindow& T) {
             T.Enter(u"999"_s, u"1000"_s);
             T.Type(T.Form->leItem, u"77"_s);
         },
         u"\n\rВъведете собственик\n\rВъведете вещ\n\rВъведете месечен лихвен процент"_s},
        {"zero amount", [](ContractWindow& T) { T.Enter(u"8001011234"_s, u"0"_s); },
         u"\n\rОбщата сума на документа е нула!\n\rВъведете месечен лихвен процент"_s},
        {"no term",
         [](ContractWindow& T) {
             T.Enter(u"8001011234"_s, u"1000"_s);
             T.Type(T.Form->feDuration, u"0"_s);
         },
         u"\n\rВъведете срoк на договора"_s},
        // Code 1 has no band above 5000: the rate stays unset.
        {"no band for the amount", [](ContractWindow& T) { T.Enter(u"8001011234"_s, u"6000"_s); },
         u"\n\rВъведете месечен лихвен процент"_s},
        {"number in the database",
         [](ContractWindow& T) {
             ASSERT_TRUE(
                 ExecSQL(nullptr, AdoConnection,
                         u"Insert into Contracts values ( 4, 45300, 5, 10, 3, 30, \"\", 0, 0, False, 0, "
                         "8001011234, False, 0, 0, 0, 0, 0, 0, 0 )"_s));
             T.Enter(u"8001011234"_s, u"1000"_s);
             T.Type(T.Form->feDocNo, u"4"_s);
         },
         u"Договор номер \"4\" съществува в базата данни. Изберете друг номер на договор."_s},
        {"yesterday",
         [](ContractWindow& T) {
             T.Enter(u"8001011234"_s, u"1000"_s);
             T.Form->dtDate_c->setDate(QDate(2024, 2, 29));
         },
         u"Нов залог може да бъде направен само на днешна дата"_s},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Close();
        Open();
        Presenter.Clear();
        C.Setup(*this);
        Press(Qt::Key_F4);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(Presenter.Texts().join(u'|'), C.Message);
    }
}

TEST_F(ContractWindow, NumberAlreadyInTheGridIsRefused) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    Type(Form->feDocNo, u"1"_s);
    Enter(u"8001011234"_s, u"200"_s);
    Press(Qt::Key_F4);
    EXPECT_EQ(Form->PendingSql.size(), 2);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"\n\rШифър \"1\" съществува в таблицата с данни!"_s});
}

// Each payout order is numbered when Save runs, so both contracts save. The second pledge of the
// item queued first is asked about.
TEST_F(ContractWindow, TwoContractsAddedBeforeOneSaveBothSave) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    Enter(u"0000012345"_s, u"200"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 4);
    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Вещ 5 е в залог по неприключен договор № 1. Желаете ли да я заложите отново?"_s});
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"Select docno, EGN, Sum_c, M_IR From Contracts Order By docno"_s),
              u"1@8001011234@1000@3°2@12345@200@4"_s);
    EXPECT_EQ(QueryText(u"Select docno, contract_n, payment_type, sum_o From Outcomes Order By docno"_s),
              u"7@0@3@5°8@1@1@1000°9@2@1@200"_s);
    EXPECT_EQ(Form->Grid->RowCount(), 4);
}

TEST_F(ContractWindow, DeleteAsksAboutTheRebookingOnlyAfterAConfirmedDelete) {
    SaveOne();
    Presenter.Clear();
    // A wrong password: refused, nothing asked.
    Presenter.PlanPassword(u"nope"_s);
    Press(Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Въведената парола е грешна!"_s});
    // The delete declined: no second question, nothing queued.
    Presenter.Clear();
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrNo);
    Press(Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Желаете ли да изтриете договор: \"1\" - \"01.03.2024\"?"_s});
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Form->Grid->Cells(0, 2), u"1"_s);
    // Confirmed, and the loan booked back to the owner's expenses.
    Presenter.Clear();
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F5);
    ASSERT_EQ(Presenter.Texts().size(), 2);
    EXPECT_EQ(
        Presenter.Texts()[1],
        u"Желаете ли да се прхвърлят 1000.00 лв от разход \"по договор\" към разход \"на собственик\"?"_s);
    EXPECT_EQ(Form->PendingSql.size(), 3);
    EXPECT_TRUE(Form->Grid->Cells(0, 2).isEmpty());
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select count(*) From Contracts"_s), u"0"_s);
    EXPECT_EQ(
        QueryText(
            u"Select docno, contract_n, payment_type, sum_o, customer_name From Outcomes Where docno > 8 "
            "Order By docno"_s),
        u"9@1@1@-1000@Иван Петров Иванов°10@0@3@1000@Собственик"_s);
}

// Whatever a contract has been paid, redeemed or sold with is in the books: its delete is
// refused, naming what holds it, before the manager is asked for anything.
TEST_F(ContractWindow, DeleteOfAContractInTheBooksIsRefusedNamingWhatHoldsIt) {
    const struct {
        const char* Name;
        QStringList Seed;
        QString Refusal; // empty: the delete goes on to the password and the question
    } Cases[] = {
        {"principal and interest paid",
         {u"Insert into Incomes values ( 4, 45352, 1, 1, 100, \"\", \"\", \"\" )"_s,
          u"Insert into Incomes values ( 5, 45352, 1, 2, 30, \"\", \"\", \"\" )"_s},
         u"приходни касови ордери № 4, 5"_s},
        {"a fee paid",
         {u"Insert into Incomes values ( 6, 45352, 1, 7, 10, \"\", \"\", \"\" )"_s},
         u"приходни касови ордери № 6"_s},
        {"sold",
         {u"Insert into Items_sales values ( 2, 45352, 1, 1, 1500, \"\", \"\", \"\", 12345, 0 )"_s,
          u"Update Contracts Set Sold = True, sold_at_date = 45352 Where docno = 1"_s},
         u"продажби № 2"_s},
        {"redeemed",
         {u"Update Contracts Set Finished = True, At_Date = 45352 Where docno = 1"_s},
         u"вещта е откупена"_s},
        {"marked sold without its sale",
         {u"Update Contracts Set Sold = True Where docno = 1"_s},
         u"вещта е продадена"_s},
        // Receipts of a sale carry the sale's number, and an owner's deposit none: neither is the
        // contract's.
        {"a sale's receipt numbered like the contract",
         {u"Insert into Incomes values ( 4, 45352, 1, 4, 1500, \"\", \"\", \"\" )"_s,
          u"Insert into Incomes values ( 5, 45352, 0, 3, 50, \"\", \"\", \"\" )"_s},
         QString()},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Close();
        for (const QString& Table : {u"Contracts"_s, u"Incomes"_s, u"Items_sales"_s})
            Exec(u"Delete from %1"_s.arg(Table));
        Exec(u"Delete from Outcomes Where docno > 7"_s);
        Open();
        SaveOne();
        for (const QString& Sql : C.Seed)
            Exec(Sql);
        Presenter.Clear();
        Form->Grid->setFocus();
        if (C.Refusal.isEmpty()) {
            Presenter.PlanPassword(u"shef"_s);
            Presenter.PlanAnswer(mrNo);
        }
        Press(Qt::Key_F5);
        if (C.Refusal.isEmpty()) {
            EXPECT_EQ(Presenter.Texts(),
                      QStringList{u"Желаете ли да изтриете договор: \"1\" - \"01.03.2024\"?"_s});
        } else {
            EXPECT_EQ(Presenter.Texts(),
                      QStringList{u"Договор номер 1 не може да бъде изтрит: "_s + C.Refusal + u"."_s});
            EXPECT_TRUE(Presenter.Passwords().isEmpty());
        }
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(Form->Grid->Cells(0, 2), u"1"_s);
    }
}

// What another window saves between F5 and F2 still stops the delete at F2: a receipt on the
// contract, or the same delete with its loan booked back. Nothing is written, the delete leaves
// the queue and the row comes back while the contract is in the books.
TEST_F(ContractWindow, WhatAnotherWindowSavedAfterTheDeleteStopsItAtSave) {
    const struct {
        const char* Name;
        std::function<void(ContractWindow&)> Meanwhile;
        QString Refusal;
        QString Orders; // the numbers of Outcomes afterwards
    } Cases[] = {
        {"a receipt",
         [](ContractWindow&) {
             Exec(u"Insert into Incomes values ( 4, 45352, 1, 2, 30, \"\", \"\", \"\" )"_s);
         },
         u"Договор номер 1 не може да бъде изтрит: приходни касови ордери № 4.\nИзтриването на договор номер "
         "1 е отменено."_s,
         u"7°8"_s},
        {"the same delete",
         [](ContractWindow& T) {
             TfrmContracts* Second = T.OpenWindow();
             const auto CloseSecond = qScopeGuard([Second] { CloseWindow(Second); });
             Second->Grid->SetRow(2);
             Second->Grid->setFocus();
             T.Presenter.PlanPassword(u"shef"_s);
             T.Presenter.PlanAnswer(mrYes);
             T.Presenter.PlanAnswer(mrYes);
             T.Press(Qt::Key_F5);
             T.Press(Qt::Key_F2);
             ASSERT_TRUE(Second->PendingSql.isEmpty());
         },
         u"Договор номер 1 е изтрит междувременно.\nИзтриването на договор номер 1 е отменено."_s,
         u"7°8°9°10"_s},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Close();
        Exec(u"Delete from Contracts"_s);
        Exec(u"Delete from Incomes"_s);
        Exec(u"Delete from Outcomes Where docno > 7"_s);
        Open();
        SaveOne();
        Presenter.Clear();
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
        ASSERT_EQ(Form->PendingSql.size(), 3);
        C.Meanwhile(*this);
        Form->Grid->setFocus();
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{C.Refusal});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(Form->Grid->Cells(0, 2), C.Orders == u"7°8"_s ? u"1"_s : QString());
        EXPECT_EQ(QueryText(u"Select docno From Outcomes Order By docno"_s), C.Orders);
    }
}

TEST_F(ContractWindow, DeleteOfAContractDeletedElsewhereSaysSo) {
    SaveOne();
    Exec(u"Delete from Contracts"_s);
    Form->Grid->setFocus();
    Presenter.Clear();
    Press(Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Договор номер 1 е изтрит междувременно."_s});
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

// A contract's date and amount are those its payout was made with: an edit keeps both, so the
// loan stays in the debt and in the cash desk at the amount handed over.
TEST_F(ContractWindow, EditKeepsTheDateAndAmountThePayoutWasMadeWith) {
    SaveOne();
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    ASSERT_TRUE(Form->EditingRow);
    Type(Form->feSum_c, u"1200"_s);
    Type(Form->dtDate_c->Edit(), u"2"_s);
    Type(Form->feDuration, u"45"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"Select date_c, Sum_c, Duration From Contracts"_s), u"01.03.2024@1000@45"_s);
    EXPECT_EQ(QueryText(u"Select date_d, contract_n, sum_o From Outcomes Where payment_type = 1"_s),
              u"01.03.2024@1@1000"_s);
    // The next contract is typed freely again.
    Type(Form->feSum_c, u"300"_s);
    EXPECT_EQ(Form->feSum_c->Value(), 300);
    Type(Form->dtDate_c->Edit(), u"2.3.2024"_s);
    Press(Qt::Key_Tab);
    EXPECT_EQ(Form->dtDate_c->date(), QDate(2024, 3, 2));
}

// A contract in the books keeps its borrower and item, naming what holds it; its notes may be
// mended. A receipt booked by another window between F4 and F2 stops the move at Save.
TEST_F(ContractWindow, AContractInTheBooksKeepsItsBorrowerAndItem) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    Presenter.PlanAnswer(mrYes); // item 5 again
    SaveOne();
    Exec(u"Insert into Incomes values ( 4, 45352, 1, 2, 30, \"\", \"\", \"\" )"_s);
    Exec(u"Insert into Incomes values ( 5, 45352, 1, 7, 10, \"\", \"\", \"\" )"_s);
    Exec(u"Update Contracts Set Finished = True, At_Date = 45352 Where docno = 1"_s);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    for (auto [Owner, Item] : {std::pair{u"0000012345"_s, u"5"_s}, std::pair{u"8001011234"_s, u"6"_s}}) {
        Type(Form->leOwner, Owner);
        Type(Form->leItem, Item);
        Press(Qt::Key_F4);
    }
    EXPECT_EQ(Presenter.Texts()
                  .filter(u"Заемополучателят и вещта на договор номер 1 не могат да бъдат променени: вещта е "
                          "откупена; приходни касови ордери № 4, 5."_s)
                  .size(),
              2);
    Type(Form->leItem, u"5"_s);
    Type(Form->edNotes, u"Поправка"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    Form->Grid->SetRow(3);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    Type(Form->leOwner, u"0000012345"_s);
    Press(Qt::Key_F4);
    Exec(u"Insert into Incomes values ( 6, 45352, 2, 2, 30, \"\", \"\", \"\" )"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_TRUE(Presenter.Texts()[0].startsWith(
        u"Договор номер 2 е платен, откупен, продаден или изтрит междувременно.\n"_s))
        << Presenter.Texts()[0].toStdString();
    EXPECT_EQ(QueryText(u"Select EGN, code_i, Notes From Contracts Order By docno"_s),
              u"8001011234@5@Поправка°8001011234@5@"_s);
}

// Esc while a lifted contract is edited asks as with work queued: Cancel stays, No drops the edit,
// Yes writes it and closes.
TEST_F(ContractWindow, EscWhileAContractIsEditedAsksWhetherToSave) {
    SaveOne();
    for (TModalResult Answer : {mrNo, mrYes}) {
        if (!Form) Open();
        Form->Grid->SetRow(2);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        Type(Form->feDuration, u"45"_s);
        Presenter.Clear();
        Presenter.PlanAnswer(mrCancel);
        Presenter.PlanAnswer(Answer);
        const QPointer<TfrmContracts> Window = Form;
        for (bool Closes : {false, true}) {
            Press(Qt::Key_Escape);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_EQ(Window.isNull(), Closes);
        }
        Form = nullptr;
        EXPECT_EQ(Presenter.Texts(), QStringList(2, LoadStr(65194)));
        EXPECT_EQ(QueryText(u"Select Duration From Contracts"_s), Answer == mrYes ? u"45"_s : u"30"_s);
    }
}

// The operator types a contract in the order of the form: who, what, how much, at what rate, for
// how long; the rest after.
TEST_F(ContractWindow, TabFollowsNumberDateBorrowerItemAmountRateTermThenTheRest) {
    const QStringList Expected{u"feDocNo"_s,  u"dtDate_c"_s, u"leOwner"_s,       u"leItem"_s,
                               u"feSum_c"_s,  u"feM_IR"_s,   u"feDuration"_s,    u"dtDate_to"_s,
                               u"code_MPS"_s, u"feGramaj"_s, u"cb_Short_term"_s, u"edNotes"_s};
    // The field that holds the focus: a date edit moves through its sections before it lets go.
    auto Field = [this] {
        QWidget* W = QApplication::focusWidget();
        while (W && W->parentWidget() != Form->pnlParams)
            W = W->parentWidget();
        return W ? W->objectName() : QString();
    };
    Form->feDocNo->setFocus();
    QApplication::processEvents();
    QStringList Seen{Field()};
    for (int I = 0; I < 60 && Seen.size() < Expected.size(); ++I) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QApplication::processEvents();
        if (Field() != Seen.last()) Seen << Field();
    }
    EXPECT_EQ(Seen, Expected);
}

// Two windows propose the same next number; the one saved second takes the next free one, its
// payout with it, and says so.
TEST_F(ContractWindow, ANumberTakenByASecondWindowIsReplacedAtSave) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    TfrmContracts* Second = OpenWindow();
    const auto CloseSecond = qScopeGuard([Second] { CloseWindow(Second); });
    EXPECT_EQ(Second->feDocNo->Value(), 1);
    Enter(u"0000012345"_s, u"200"_s, Second);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    ASSERT_TRUE(Second->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();

    Form->edNotes->setFocus();
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Номер 1 е бил зает междувременно. Записан е с номер 2."_s});
    EXPECT_EQ(QueryText(u"Select docno, EGN, Sum_c From Contracts Order By docno"_s),
              u"1@12345@200°2@8001011234@1000"_s);
    EXPECT_EQ(QueryText(u"Select docno, contract_n, sum_o From Outcomes Where payment_type = 1 "
                        "Order By docno"_s),
              u"8@1@200°9@2@1000"_s);
    EXPECT_EQ(Form->feDocNo->Value(), 3);
}

TEST_F(ContractWindow, EditLiftsTheSavedContractAndNewUpdatesItWithoutAPayout) {
    SaveOne();
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    EXPECT_TRUE(Form->EditingRow);
    EXPECT_TRUE(Form->feDocNo->isReadOnly());
    EXPECT_EQ(Form->feSum_c->text(), u"1000.00"_s);
    // The locked loan figures look locked and say why.
    const QColor Normal = Form->feDuration->palette().color(QPalette::Base);
    for (QWidget* Locked : {static_cast<QWidget*>(Form->feSum_c), static_cast<QWidget*>(Form->dtDate_c)}) {
        EXPECT_NE(Locked->palette().color(QPalette::Base), Normal) << Locked->objectName().toStdString();
        EXPECT_FALSE(Locked->toolTip().isEmpty()) << Locked->objectName().toStdString();
    }
    EXPECT_EQ(Form->leOwner->text(), u"8001011234"_s);
    EXPECT_EQ(Form->feM_IR->text(), u"3.00"_s);
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));
    EXPECT_TRUE(Form->Grid->Cells(0, 2).isEmpty());

    // A second edit while one is open is refused.
    Presenter.Clear();
    Press(Qt::Key_F3);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Не можете да редактирате два реда едновремнно!"_s});

    Type(Form->feDuration, u"40"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_TRUE(Form->PendingSql[0].startsWith(u"Update Contracts Set"_s));
    EXPECT_TRUE(Form->PendingSql[0].endsWith(u"Where ( docno = 1 )"_s));
    EXPECT_FALSE(Form->EditingRow);
    EXPECT_FALSE(Form->feDocNo->isReadOnly());
    EXPECT_EQ(Form->feSum_c->palette().color(QPalette::Base), Normal);
    EXPECT_TRUE(Form->feSum_c->toolTip().isEmpty());
    // The number edit proposes the next new contract again, not the edited one.
    EXPECT_EQ(Form->feDocNo->text(), u"2"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select docno, Duration, Dylzhimi_lihvi, Dnevni_taxi From Contracts"_s),
              u"1@40@40@40"_s);
    EXPECT_EQ(QueryText(u"Select count(*) From Outcomes"_s), u"2"_s);
}

TEST_F(ContractWindow, PrintingIsRefusedForQueuedChangesAndRowsWithoutAContract) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    Press(QKeyCombination(Qt::CTRL, Qt::Key_F9));
    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Натиснете бутон \"F2\" (за запис), след това разпечатайте договора."_s});
    Press(Qt::Key_F2);
    Presenter.Clear();

    // A list without a contract: neither contract nor label.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Delete * from Contracts"_s));
    Form->ExecuteQuiet();
    Press(QKeyCombination(Qt::CTRL, Qt::Key_F9));
    Form->btnPrintLabel->click();
    EXPECT_EQ(Presenter.Texts(),
              (QStringList{u"Избраният ред не е за документ !"_s, u"Избраният ред не е за документ !"_s}));
    EXPECT_TRUE(Printer.Jobs.isEmpty());
}

TEST_F(ContractWindow, LabelGoesToTheLabelPrinterAndAMissingConverterIsTold) {
    SaveOne();
    Form->btnPrintLabel->click();
    ASSERT_EQ(Printer.Jobs.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(Printer.Jobs[0].Printer, u"Brother QL-500"_s);
    EXPECT_TRUE(Printer.Jobs[0].Paragraphs.join(u' ').contains(u"Злато"_s));

    Printer.Installed = false;
    Form->btnPrintContract->click();
    EXPECT_EQ(Presenter.Texts(), QStringList{u"MS Word не е инсталиран."_s});
    EXPECT_EQ(Printer.Jobs.size(), 1);
    EXPECT_EQ(QueryText(u"Select count(*) From Contracts"_s), u"1"_s);
}

TEST_F(ContractWindow, TodayOnlyOptionHidesEarlierContracts) {
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection,
                u"Insert into Contracts values ( 4, 45300, 5, 10, 3, 30, \"\", 0, 0, False, 0, 8001011234, "
                "False, 0, 0, 0, 0, 0, 0, 0 )"_s));
    Presenter.PlanAnswer(mrYes); // item 5 of contract 4
    SaveOne();
    // A Save reads again only its own contracts: the other one shows after F8.
    Form->ExecuteQuiet();
    EXPECT_EQ(Form->Grid->RowCount(), 4);
    WriteRegString(u"rg_Registry_1"_s, u"1"_s);
    Form->ExecuteQuiet();
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    EXPECT_EQ(Form->Grid->Cells(0, 2), u"1"_s);
}

TEST_F(ContractWindow, RegistersThatSavedRefreshTheLookupsAndTheLastInputsComeBack) {
    // The code is typed first, found in no register, and then registered.
    Type(Form->leItem, u"9"_s);
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Insert into Items values ( 9, \"Гривна\", 1 )"_s));
    WriteRegString(u"Last_Item"_s, u"9"_s);
    TRefreshEvent ItemSaved(0, 1);
    QApplication::sendEvent(Form, &ItemSaved);
    EXPECT_EQ(Form->leItem->text(), u"9"_s);
    EXPECT_EQ(Form->pnlSN->text(), u"Гривна"_s);

    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection,
                u"Insert into Owners values ( 777, \"Нов Клиент\", \"\", \"\", \"\", \"\", True, False, 2, "
                "\"1\", \"1\", \"1\", \"\" )"_s));
    WriteRegString(u"Last_EGN"_s, u"777"_s);
    TRefreshEvent OwnerSaved(0, 2);
    QApplication::sendEvent(Form, &OwnerSaved);
    EXPECT_EQ(Form->leOwner->text(), u"0000000777"_s);
    EXPECT_EQ(Form->pnlOwner->text(), u"Нов Клиент"_s);
    EXPECT_EQ(Form->labPref_code->text(), u"2"_s);

    Type(Form->feDuration, u"45"_s);
    Close();
    Open();
    EXPECT_EQ(Form->leOwner->text(), u"0000000777"_s);
    EXPECT_EQ(Form->leItem->text(), u"9"_s);
    EXPECT_EQ(Form->feDuration->text(), u"45"_s);
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 4, 14));
}

// The missing borrower is added from the contract window; the owners register's save brings him
// into the owner field.
TEST_F(ContractWindow, NewOwnerButtonOpensTheOwnersRegisterWhoseSaveFillsTheOwnerField) {
    Form->btnNewOwner->click();
    QApplication::processEvents();
    auto* Owners = Host.findChild<TfrmOwners*>();
    ASSERT_NE(Owners, nullptr);
    EXPECT_EQ(Owners->TableName, u"Owners"_s);
    EXPECT_EQ(Owners->OpenerHandle, Form);
    Type(Owners->feEGN, u"777"_s);
    Type(Owners->edThree_names, u"Нов Клиент"_s);
    Type(Owners->lk_nomer, u"1"_s);
    Type(Owners->lk_izdadena_na, u"1"_s);
    Type(Owners->lk_ot_MVR, u"1"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    ASSERT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    QApplication::processEvents();
    EXPECT_EQ(Form->leOwner->text(), u"0000000777"_s);
    EXPECT_EQ(Form->pnlOwner->text(), u"Нов Клиент"_s);

    Form->btnNewItem->click();
    QApplication::processEvents();
    auto* Items = Host.findChild<TfrmItems*>();
    ASSERT_NE(Items, nullptr);
    EXPECT_EQ(Items->KeyField, u"code_i"_s);
    EXPECT_EQ(Items->OpenerHandle, Form);
}

// "Падеж" picked from its calendar while "Дата" holds what makes no date: the date is refused with
// the focus on it, and the term is not worked out from the last date that field showed. A date
// typed and not yet left is the one the term counts from.
TEST_F(ContractWindow, TheDueDatePickedBesideAnImpossibleDateLeavesTheFocusOnTheDate) {
    Type(Form->feDuration, u"30"_s);
    ASSERT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));
    const auto Pick = [this](QDate Day) {
        Form->dtDate_to->findChild<QToolButton*>()->click();
        QApplication::processEvents();
        auto* Calendar = qobject_cast<QCalendarWidget*>(
            QApplication::activePopupWidget()
                ? QApplication::activePopupWidget()->findChild<QCalendarWidget*>()
                : nullptr);
        ASSERT_NE(Calendar, nullptr);
        Calendar->setSelectedDate(Day);
        emit Calendar->activated(Day);
        QApplication::processEvents();
    };
    Type(Form->dtDate_c->Edit(), u"31.02.2024"_s);
    Pick(QDate(2024, 3, 20));
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Невалидна дата \"31.02.2024\" !"_s});
    EXPECT_EQ(QApplication::focusWidget(), Form->dtDate_c->Edit());
    EXPECT_EQ(Form->dtDate_c->text(), u"31.02.2024"_s);
    EXPECT_EQ(Form->feDuration->text(), u"30"_s);
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));

    Presenter.Clear();
    Type(Form->dtDate_c->Edit(), u"5.3.2024"_s);
    Pick(QDate(2024, 3, 20));
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(Form->dtDate_c->date(), QDate(2024, 3, 5));
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 20));
    EXPECT_EQ(Form->feDuration->text(), u"16"_s);
    EXPECT_EQ(QApplication::focusWidget(), Form->dtDate_to->Edit());
}

TEST_F(ContractWindow, TermFollowsWhicheverDateOrDurationChangedLast) {
    Type(Form->feDuration, u"30"_s);
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));
    Form->dtDate_to->setDate(QDate(2024, 3, 10));
    EXPECT_EQ(Form->feDuration->text(), u"10"_s);
    Form->dtDate_c->setDate(QDate(2024, 3, 5));
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 14));
}

// A deleted contract's payout stays in the cash desk under its number, booked back or not: the
// number is not offered again, is refused at New, and a number that another workstation's deleted
// contract left to a payout while this window waited is moved on at Save.
TEST_F(ContractWindow, ANumberAPayoutStillNamesIsNotGivenToANewContract) {
    SaveOne();
    Enter(u"0000012345"_s, u"300"_s);
    Type(Form->leItem, u"6"_s);
    Form->edNotes->setFocus();
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    // Contract 2 goes with its payout as it was, contract 1 with its payout booked back.
    for (const auto& [Row, Rebook] : {std::pair{3, mrNo}, std::pair{2, mrYes}}) {
        Form->Grid->SetRow(Row);
        Form->Grid->setFocus();
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Presenter.PlanAnswer(Rebook);
        Press(Qt::Key_F5);
    }
    Press(Qt::Key_F2);
    ASSERT_EQ(QueryText(u"Select count(*) From Contracts"_s), u"0"_s);
    Close();
    Open();
    EXPECT_EQ(Form->feDocNo->Value(), 3);
    for (const auto& [Number, Payout] : {std::pair{1, 8}, std::pair{2, 9}}) {
        Presenter.Clear();
        Type(Form->feDocNo, QString::number(Number));
        Enter(u"8001011234"_s, u"1000"_s);
        Press(Qt::Key_F4);
        EXPECT_EQ(
            Presenter.Texts(),
            QStringList{u"Договор номер \"%1\" е изтрит, но разходен касов ордер номер %2 за изплащането по "
                        "него остава. Изберете друг номер на договор."_s.arg(Number)
                            .arg(Payout)});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
    }
    Type(Form->feDocNo, u"3"_s);
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 2);
    Exec(u"Insert into Outcomes values ( 20, 45352, 3, 1, 700, \"Мария Георгиева\", \"\", \"maria\" )"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Номер 3 е бил зает междувременно. Записан е с номер 4."_s});
    EXPECT_EQ(QueryText(u"Select docno, Sum_c From Contracts"_s), u"4@1000"_s);
    EXPECT_EQ(Form->feDocNo->Value(), 5);
    EXPECT_EQ(ContractBooksFaults(), QString());
}

// A second pledge of an item still pledged asks first, naming the open contracts saved or queued in
// the window; No keeps it out. Redeemed and sold contracts on the item are not named, and an edit
// is asked only when it pledges another item.
TEST_F(ContractWindow, ASecondPledgeOfAPledgedItemAsksFirst) {
    for (const char* Seed : {"4, False, False", "8, False, True", "9, True, False"}) {
        const QStringList F = QString::fromLatin1(Seed).split(u", "_s);
        Exec(u"Insert into Contracts values ( %1, 45300, 5, 100, 3, 30, \"\", %2, 0, False, 0, 8001011234, "
             "%3, 0, 0, 0, 0, 0, 0, 0 )"_s.arg(F[0], F[1], F[2]));
        Exec(u"Insert into Outcomes values ( 1%1, 45300, %1, 1, 100, \"\", \"\", \"maria\" )"_s.arg(F[0]));
    }
    Close();
    Open();
    ASSERT_EQ(Form->feDocNo->Value(), 10);
    const auto Question = [](const QString& Contracts) {
        return QStringList{u"Вещ 5 е в залог по %1. Желаете ли да я заложите отново?"_s.arg(Contracts)};
    };
    const auto AddAnswering = [this](TModalResult Answer) {
        Presenter.Clear();
        Presenter.PlanAnswer(Answer);
        Press(Qt::Key_F4);
    };
    Enter(u"8001011234"_s, u"1000"_s);
    AddAnswering(mrNo);
    EXPECT_EQ(Presenter.Texts(), Question(u"неприключен договор № 4"_s));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Form->feDocNo->Value(), 10);
    AddAnswering(mrYes);
    EXPECT_EQ(Form->PendingSql.size(), 2);
    Enter(u"0000012345"_s, u"200"_s);
    AddAnswering(mrNo);
    EXPECT_EQ(Presenter.Texts(), Question(u"неприключени договори № 4, 10"_s));
    EXPECT_EQ(Form->PendingSql.size(), 2);
    Type(Form->leItem, u"6"_s);
    Presenter.Clear();
    Press(Qt::Key_F4);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    Press(Qt::Key_F2);
    ASSERT_TRUE(Form->PendingSql.isEmpty());

    // Contract 11 moved onto item 5 is asked about; redeemed contract 9 mended on its own item is
    // not, nor named after.
    Form->Grid->SetRow(6);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    ASSERT_EQ(Form->EditingKey, u"11"_s);
    Type(Form->leItem, u"5"_s);
    AddAnswering(mrNo);
    EXPECT_EQ(Presenter.Texts(), Question(u"неприключени договори № 4, 10"_s));
    EXPECT_TRUE(Form->EditingRow);
    Type(Form->leItem, u"6"_s);
    Type(Form->edNotes, u"Верижка"_s);
    Presenter.Clear();
    Press(Qt::Key_F4);
    Form->Grid->SetRow(4);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    ASSERT_EQ(Form->EditingKey, u"9"_s);
    Type(Form->edNotes, u"Пръстен"_s);
    Press(Qt::Key_F4);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    Type(Form->feDocNo, u"12"_s);
    Form->dtDate_c->setDate(QDate(2024, 3, 1));
    Enter(u"8001011234"_s, u"1000"_s);
    AddAnswering(mrNo);
    EXPECT_EQ(Presenter.Texts(), Question(u"неприключени договори № 4, 10"_s));
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select docno, code_i, Notes From Contracts Where docno > 8 Order By docno"_s),
              u"9@5@Пръстен°10@5@°11@6@Верижка"_s);
    // The shop's redeemed contracts are written without the receipts that redeemed them.
    EXPECT_EQ(ContractBooksFaults(false), QString());
}

// A borrower, item or vehicle must be in its register: a vehicle in none is refused at New, and
// one deleted by another window before Save refuses the contract there.
TEST_F(ContractWindow, AContractsBorrowerItemAndVehicleMustBeRegistered) {
    Enter(u"8001011234"_s, u"1000"_s);
    Type(Form->code_MPS, u"999"_s);
    Form->edNotes->setFocus();
    Press(Qt::Key_F4);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"\n\rМПС номер 999 не съществува."_s});
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    const struct {
        const char* Name;
        QString Delete;
        QString Restore;
        QString Refusal;
    } Cases[] = {
        {"vehicle", u"Delete from MPS"_s,
         u"Insert into MPS values ( 3, \"Лада\", \"Нива\", \"1990\", \"S1\", \"CA1234AB\", \"SH1\", \"M1\", "
         "\"400\", \"1\", \"120000\", \"няма\" )"_s,
         u"МПС номер 3 не съществува."_s},
        {"item", u"Delete from Items Where code_i = 5"_s,
         u"Insert into Items values ( 5, \"Пръстен 585\", 1 )"_s, u"Вещ с шифър 5 не съществува."_s},
        {"borrower", u"Delete from Owners Where EGN = 12345"_s,
         u"Insert into Owners values ( 12345, \"Мария Георгиева\", \"Пловдив\", \"ул. Главна 2\", \"\", "
         u"\"\", "
         "False, True, 2, \"111222333\", \"05.05.2021\", \"МВР Пловдив\", \"\" )"_s,
         u"Заемополучател с ЕГН 0000012345 не съществува."_s},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Enter(u"0000012345"_s, u"1000"_s);
        Type(Form->code_MPS, u"3"_s);
        Form->edNotes->setFocus();
        Press(Qt::Key_F4);
        ASSERT_EQ(Form->PendingSql.size(), 2);
        Exec(C.Delete);
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{C.Refusal + u"\nДоговор номер 1 не е записан."_s});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(QueryText(u"Select count(*) From Contracts"_s), u"0"_s);
        Exec(C.Restore);
        Type(Form->feDocNo, u"1"_s);
    }
    Enter(u"0000012345"_s, u"1000"_s);
    Type(Form->code_MPS, u"3"_s);
    Form->edNotes->setFocus();
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select docno, code_mps From Contracts"_s), u"1@3"_s);
    EXPECT_EQ(ContractBooksFaults(), QString());
}

// Both limits of a band hold its amounts, and of two bands sharing a limit the later one counts: a
// loan on the last band's upper limit is lent at its rate, a cent more has none.
TEST_F(ContractWindow, ALoanOnABandsLimitTakesThatBandsRate) {
    Type(Form->leOwner, u"8001011234"_s);
    const struct {
        const char* Amount;
        const char* Rate;
    } Cases[] = {{"499.99", "6.00"}, {"500", "3.00"}, {"5000", "3.00"}, {"5000.01", "0.00"}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Amount);
        Type(Form->feSum_c, QString::fromLatin1(C.Amount));
        EXPECT_EQ(Form->feM_IR->text(), QString::fromLatin1(C.Rate));
    }
    Enter(u"8001011234"_s, u"5000"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select Sum_c, M_IR From Contracts"_s), u"5000@3"_s);
    EXPECT_EQ(ContractBooksFaults(), QString());
}

// Principal and fee receipts saved by another window between F4 and F2 keep the borrower the
// contract was paid for, as interest does; a sale's receipt numbered like the contract does not.
TEST_F(ContractWindow, AReceiptOnTheContractSavedMeanwhileStopsItsMove) {
    SaveOne();
    const struct {
        int Type;
        bool Refused;
    } Cases[] = {{1, true}, {6, true}, {4, false}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Type);
        Form->Grid->SetRow(2);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        Type(Form->leOwner, u"0000012345"_s);
        Form->edNotes->setFocus();
        Press(Qt::Key_F4);
        ASSERT_EQ(Form->PendingSql.size(), 2);
        Exec(u"Insert into Incomes values ( 4, 45352, 1, %1, 30, \"\", \"\", \"\" )"_s.arg(C.Type));
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts().size(), C.Refused ? 1 : 0);
        EXPECT_EQ(QueryText(u"Select EGN From Contracts"_s), C.Refused ? u"8001011234"_s : u"12345"_s);
        EXPECT_EQ(ContractBooksFaults(), QString());
        Exec(u"Delete from Incomes"_s);
        Exec(u"Update Contracts Set EGN = 8001011234"_s);
        Form->ExecuteQuiet();
    }
}

} // namespace

namespace {

// Another workstation's registration of a borrower of band 3, an item and, unless empty, a vehicle.
void RegisterElsewhere(const QString& Owner, const QString& Item, const QString& Vehicle = QString()) {
    QStringList Sqls{u"Insert into Owners values ( %1, \"Петър Стоянов\", \"София\", \"ул. Рила 3\", \"\", "
                     "\"\", 1, 0, 3, \"555\", \"01.01.2020\", \"МВР София\", \"\" )"_s.arg(Owner),
                     u"Insert into Items values ( %1, \"Гривна\", 1 )"_s.arg(Item)};
    if (!Vehicle.isEmpty())
        Sqls << u"Insert into MPS values ( %1, \"Шкода\", \"Октавия\", \"2010\", \"S2\", \"CB5678BA\", "
                "\"SH2\", \"M2\", \"500\", \"1\", \"90000\", \"няма\" )"_s.arg(Vehicle);
    for (const QString& Sql : Sqls)
        ASSERT_TRUE(OtherWorkstationSaves(Sql.toUtf8().constData()));
}

} // namespace

// Another workstation registers a borrower of a new band, an item and a vehicle while the window is
// open: typed after that, or before it and queued after it, they are taken from the registers,
// the borrower with the rate of its band, and the contract is written. The purchase window takes
// its seller and item the same way.
TEST_F(ContractWindow, WhatAnotherWorkstationRegisteredMeanwhileIsTaken) {
    ASSERT_TRUE(OtherWorkstationSaves("Insert into Interest_rates values ( 4, 0, 100000, 0.05, 3 )"));
    for (const auto& [TypedFirst, Owner, Item, Vehicle] :
         {std::tuple{false, u"7001011111"_s, u"40"_s, u"8"_s},
          std::tuple{true, u"7002022222"_s, u"41"_s, u"9"_s}}) {
        SCOPED_TRACE(TypedFirst ? "typed first" : "registered first");
        if (!TypedFirst) RegisterElsewhere(Owner, Item, Vehicle);
        Type(Form->leOwner, Owner);
        Type(Form->leItem, Item);
        Type(Form->feSum_c, u"200"_s);
        Type(Form->feDuration, u"30"_s);
        Type(Form->code_MPS, Vehicle);
        Form->edNotes->setFocus();
        if (TypedFirst) RegisterElsewhere(Owner, Item, Vehicle);
        Presenter.Clear();
        const auto Number = qint64(Form->feDocNo->Value());
        Press(Qt::Key_F4);
        ASSERT_EQ(Form->PendingSql.size(), 2) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(QStringList({Form->pnlOwner->text(), Form->pnlSN->text(), Form->pnl_Reg_nomer->text()}),
                  QStringList({u"Петър Стоянов"_s, u"Гривна"_s, u"CB5678BA"_s}));
        Press(Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(
            QueryText(
                u"Select EGN, code_i, Sum_c, M_IR, code_MPS From Contracts Where docno = %1"_s.arg(Number)),
            QStringList({Owner, Item, u"200"_s, u"5"_s, Vehicle}).join(u'@'));
    }
    ExpectBooksHold();

    Close();
    auto* Purchases = CreateForm<TfrmItems_purchases>(&Host, TMAccountForm::fsMDIChild);
    const auto Leave = qScopeGuard([Purchases] {
        Purchases->RunDone();
        delete Purchases->Container();
    });
    Purchases->SetFormCaption(u"Покупка на вещи"_s);
    Purchases->SetTableName(u"Items_purchases"_s);
    Purchases->SetKeyField(u"docno"_s);
    Purchases->SetRecordNoun(u"покупка на вещ"_s);
    Purchases->SetUserName(u"maria"_s);
    Purchases->ShowForm();
    QApplication::processEvents();
    // The deliverer typed stays; one still to be typed takes the seller's names.
    for (const auto& [Deliverer, Seller, Item] : {std::tuple{QString(), u"7003033333"_s, u"42"_s},
                                                  std::tuple{u"Иван Колев"_s, u"7004044444"_s, u"43"_s}}) {
        Type(Purchases->leOwner, Seller);
        Type(Purchases->leItem, Item);
        Type(Purchases->feSum_c, u"120"_s);
        Type(Purchases->edCustomer_name, Deliverer);
        Type(Purchases->edSupplier_name, u"Мария Колева"_s);
        RegisterElsewhere(Seller, Item);
        Presenter.Clear();
        const int Row = Purchases->Grid->RowCount() - (Deliverer.isEmpty() ? 1 : 0);
        Press(Qt::Key_F4);
        EXPECT_EQ(Purchases->Grid->Cells(4, Row), u"Гривна"_s);
        Press(Qt::Key_F2);
        EXPECT_TRUE(Purchases->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(QueryText(u"Select customer_name From Items_purchases Where EGN = %1"_s.arg(Seller)),
                  Deliverer.isEmpty() ? u"Петър Стоянов"_s : Deliverer);
    }
    ExpectTradeBooksHold(TContractShop::Today);
}
