// The contract window driven as the operator drives it, on a small shop.

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/un_Contracts.h"
#include "business/registers/un_Items.h"
#include "business/registers/un_Owners.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unRegistry.h"
#include "tests/support/ContractShop.h"
#include "tests/support/FakeOfficePrinter.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
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

    void Open() {
        Form = CreateForm<TfrmContracts>(&Host, TMAccountForm::fsMDIChild);
        Form->SetFormCaption(u"Договор за залог"_s);
        Form->SetTableName(u"Contracts"_s);
        Form->SetKeyField(u"docno"_s);
        Form->SetRecordNoun(u"договор за злог"_s);
        Form->SetUserName(u"maria"_s);
        Form->ShowForm();
        QApplication::processEvents();
    }
    void Close() {
        if (!Form) return;
        Form->RunDone();
        delete Form->Container();
        Form = nullptr;
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
    // A contract of Ivan's on item 5: amount, 30 days.
    void Enter(const QString& Owner, const QString& Amount) {
        Type(Form->leOwner, Owner);
        Type(Form->leItem, u"5"_s);
        Type(Form->feSum_c, Amount);
        Type(Form->feDuration, u"30"_s);
        Form->edNotes->setFocus();
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

// Each payout order is numbered when Save runs, so both contracts save.
TEST_F(ContractWindow, TwoContractsAddedBeforeOneSaveBothSave) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    Enter(u"0000012345"_s, u"200"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 4);
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

TEST_F(ContractWindow, AContractWaitingForSaveIsNotDeleted) {
    Enter(u"8001011234"_s, u"1000"_s);
    Press(Qt::Key_F4);
    Form->Grid->SetRow(2);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts().join(u'|'),
              u"Договор номер 1 още не е записан. Натиснете бутон \"F2\" (за запис)."_s);
    EXPECT_EQ(Form->PendingSql.size(), 2);
    EXPECT_EQ(Form->Grid->Cells(0, 2), u"1"_s);
}

TEST_F(ContractWindow, EditLiftsTheSavedContractAndNewUpdatesItWithoutAPayout) {
    SaveOne();
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    EXPECT_TRUE(Form->EditingRow);
    EXPECT_TRUE(Form->feDocNo->isReadOnly());
    EXPECT_EQ(Form->feSum_c->text(), u"1000.00"_s);
    EXPECT_EQ(Form->leOwner->text(), u"8001011234"_s);
    EXPECT_EQ(Form->feM_IR->text(), u"3.00"_s);
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));
    EXPECT_TRUE(Form->Grid->Cells(0, 2).isEmpty());

    // A second edit while one is open is refused.
    Presenter.Clear();
    Press(Qt::Key_F3);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Не можете да редактирате два реда едновремнно!"_s});

    Type(Form->feSum_c, u"1200"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_TRUE(Form->PendingSql[0].startsWith(u"Update Contracts Set"_s));
    EXPECT_TRUE(Form->PendingSql[0].endsWith(u"Where ( docno = 1 )"_s));
    EXPECT_FALSE(Form->EditingRow);
    EXPECT_FALSE(Form->feDocNo->isReadOnly());
    EXPECT_EQ(Form->feDocNo->text(), u"1"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select docno, Sum_c, Dylzhimi_lihvi, Ednokratni_taxi From Contracts"_s),
              u"1@1200@36@12"_s);
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
    SaveOne();
    EXPECT_EQ(Form->Grid->RowCount(), 4);
    WriteRegString(u"rg_Registry_1"_s, u"1"_s);
    Form->ExecuteQuiet();
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    EXPECT_EQ(Form->Grid->Cells(0, 2), u"1"_s);
}

TEST_F(ContractWindow, RegistersThatSavedRefreshTheLookupsAndTheLastInputsComeBack) {
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

TEST_F(ContractWindow, TermFollowsWhicheverDateOrDurationChangedLast) {
    Type(Form->feDuration, u"30"_s);
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));
    Form->dtDate_to->setDate(QDate(2024, 3, 10));
    EXPECT_EQ(Form->feDuration->text(), u"10"_s);
    Form->dtDate_c->setDate(QDate(2024, 3, 5));
    EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 14));
}

} // namespace
