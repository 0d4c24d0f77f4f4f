// The purchase window: its plain functions and the window driven as the operator drives it.

#include "business/documents/un_Items_purchases.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "tests/support/Books.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/FakeOfficePrinter.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TPurchaseEntry SampleEntry() {
    TPurchaseEntry E;
    E.DocNo = 3;
    E.Date = TContractShop::Today;
    E.ItemCode = u"5"_s;
    E.OwnerCode = u"8001011234"_s;
    E.Sum = 250.005;
    E.Customer = u"Иван \"Ванката\""_s;
    E.Supplier = u"Мария Колева"_s;
    E.Gramaj = 4.5;
    return E;
}

TEST(PurchaseValidation, GathersEveryMessage) {
    TPurchaseCheck Known;
    Known.OwnerKnown = Known.ItemKnown = true;
    Known.Today = TContractShop::Today;
    struct Case {
        const char* Name;
        std::function<void(TPurchaseEntry&, TPurchaseCheck&)> Change;
        QString Expected;
    };
    const QString Sep = u"\n\r"_s;
    const Case Cases[] = {
        {"valid", [](TPurchaseEntry&, TPurchaseCheck&) {}, QString()},
        {"number in grid",
         [](TPurchaseEntry&, TPurchaseCheck& C) {
             C.GridNumbers = {u"1"_s, u"3"_s};
         },
         Sep + u"Шифър \"3\" съществува в таблицата с данни!"_s},
        {"no number", [](TPurchaseEntry& E, TPurchaseCheck&) { E.DocNo = 0; },
         Sep + u"Въведете номер на документ"_s},
        {"unknown seller", [](TPurchaseEntry&, TPurchaseCheck& C) { C.OwnerKnown = false; },
         Sep + u"Въведете собственик"_s},
        {"no amount", [](TPurchaseEntry& E, TPurchaseCheck&) { E.Sum = 0; },
         Sep + u"Общата сума на документа е нула!"_s},
        {"blank names",
         [](TPurchaseEntry& E, TPurchaseCheck&) {
             E.Customer = u"  "_s;
             E.Supplier.clear();
         },
         Sep + u"Въведете клиент!"_s + Sep + u"Въведете служител"_s},
        {"no item", [](TPurchaseEntry& E, TPurchaseCheck&) { E.ItemCode.clear(); }, Sep + u"Въведете вещ"_s},
        {"unknown item", [](TPurchaseEntry&, TPurchaseCheck& C) { C.ItemKnown = false; },
         Sep + u"Въведете вещ"_s},
        {"new on another day", [](TPurchaseEntry& E, TPurchaseCheck&) { E.Date -= 1; },
         u"Нов договор може да бъде направен само на днешна дата"_s},
        {"edited on another day",
         [](TPurchaseEntry& E, TPurchaseCheck& C) {
             E.Date -= 1;
             C.EditingRow = true;
         },
         QString()},
    };
    for (const Case& C : Cases) {
        TPurchaseEntry Entry = SampleEntry();
        TPurchaseCheck Check = Known;
        C.Change(Entry, Check);
        EXPECT_EQ(PurchaseValidationText(Entry, Check), C.Expected) << C.Name;
    }
}

TEST(PurchaseStatements, QuoteTextsAndRoundTheAmount) {
    const TPurchaseEntry E = SampleEntry();
    EXPECT_EQ(PurchaseInsertSql(u"Items_purchases"_s, E, u"maria"_s),
              u"Insert into Items_purchases values ( 3, 45352, 5, 250.010000, \"Иван \"\"Ванката\"\"\", "
              "\"Мария Колева\", \"maria\", 8001011234, 4.500, False, 0 )"_s);
    EXPECT_EQ(
        PurchaseUpdateSql(u"Items_purchases"_s, u"docno"_s, 2, E, u"maria"_s),
        u"Update Items_purchases Set date_d        = 45352,       code_i        = 5,       sum_s         "
        "= 250.010000,       Customer_name = \"Иван \"\"Ванката\"\"\",     Supplier_name = \"Мария "
        "Колева\",     user_name     = \"maria\",     EGN           = 8001011234,       gramaj        = "
        "4.500 Where ( docno = 2 )"_s);
    // The order's number is settled when Save runs it, so two queued purchases never share one.
    EXPECT_EQ(
        PurchaseOrderSql(E, u"maria"_s),
        u"Insert into Outcomes values ( ( Select IfNull( max( docno ), 0 ) + 1 From Outcomes ), 45352, 3, "
        "4, 250.010000, \"Иван \"\"Ванката\"\"\", \"Мария Колева\", \"maria\" )"_s);
}

TEST(PurchaseList, SwapsNameAndSerialAndTotalsExactly) {
    TDelimitedStringList List;
    List.Add(u"1@45352@5@SN-1@Злато@100.005@a@b@maria@12345@Мария@1.005@True@45353"_s);
    List.Add(u"2@45352@6@SN-2@Злато@0.1@a@b@maria@@Петър@1.005@False@0"_s);
    List.Add(u"3@45352@6@SN-3@Злато@0.2@a@b@maria@8001011234@Иван@0@False@0"_s);
    PreparePurchaseListRows(List, 14);
    ASSERT_EQ(List.Count(), 4);
    EXPECT_EQ(List.Get(0), u"1@45352@5@Злато@SN-1@100.01@a@b@maria@0000012345@Мария@1.005@да@45353"_s);
    EXPECT_EQ(List.Get(1), u"2@45352@6@Злато@SN-2@0.10@a@b@maria@@Петър@1.005@не@"_s);
    EXPECT_EQ(List.GetField(2, 9), u"8001011234"_s);
    // The grams total is the sum of the grams shown, not of grams cut to cents.
    EXPECT_EQ(List.Get(3), u"¤Общо:@@@@@100.31@@@@@@2.010@@"_s);
}

class PurchaseWindow : public ::testing::Test {
public:
    PurchaseWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
        Form = CreateForm<TfrmItems_purchases>(&Host, TMAccountForm::fsMDIChild);
        Form->SetFormCaption(u"Покупка на вещи"_s);
        Form->SetTableName(u"Items_purchases"_s);
        Form->SetKeyField(u"docno"_s);
        Form->SetRecordNoun(u"покупка на вещ"_s);
        Form->SetUserName(u"maria"_s);
        Form->ShowForm();
        QApplication::processEvents();
    }
    ~PurchaseWindow() override {
        Form->RunDone();
        delete Form->Container();
    }

    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        if (auto* Line = qobject_cast<QLineEdit*>(Field)) Line->selectAll();
        TypeText(Field, Text);
    }
    void Press(QKeyCombination Key) {
        QWidget* Focus = QApplication::focusWidget();
        if (!Focus) ADD_FAILURE() << "no focus";
        QTest::keyClick(Focus ? Focus : Form->edSupplier_name, Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }
    void Enter(const QString& Item, const QString& Amount) {
        Type(Form->leOwner, u"8001011234"_s);
        Type(Form->leItem, Item);
        Type(Form->feSum_c, Amount);
        Type(Form->feGramaj, u"2.5"_s);
        Type(Form->edSupplier_name, u"Мария Колева"_s);
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    TfrmItems_purchases* Form = nullptr;
};

TEST_F(PurchaseWindow, TwoPurchasesAndTheirOrdersAreSavedTogether) {
    Enter(u"5"_s, u"120"_s);
    EXPECT_EQ(Form->edCustomer_name->text(), u"Иван Петров Иванов"_s);
    Press(Qt::Key_F4);
    Enter(u"6"_s, u"80.5"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 4) << Presenter.Texts().join(u'|').toStdString();
    Press(Qt::Key_F2);
    ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT docno, code_i, sum_s, gramaj, sold FROM Items_purchases ORDER BY docno"_s),
              u"1@5@120@2.5@False°2@6@80.5@2.5@False"_s);
    // Order 7 of another window stands already; each purchase gets its own next number.
    EXPECT_EQ(QueryText(u"SELECT docno, contract_n, payment_type, sum_o FROM Outcomes WHERE payment_type = 4 "
                        "ORDER BY docno"_s),
              u"8@1@4@120°9@2@4@80.5"_s);
    const int Last = Form->Grid->RowCount() - 1;
    EXPECT_EQ(Form->Grid->Cells(0, Last), u"Общо:"_s);
    EXPECT_EQ(Form->Grid->Cells(5, Last), u"200.50"_s);
    EXPECT_EQ(Form->Grid->Cells(11, Last), u"5.000"_s);
    EXPECT_EQ(Form->feDocNo->Value(), 3);
}

TEST_F(PurchaseWindow, AnUnsavedPurchaseIsNeitherEditedNorDeleted) {
    Enter(u"5"_s, u"120"_s);
    Press(Qt::Key_F4);
    Form->Grid->SetRow(2);
    Press(Qt::Key_F5);
    Press(Qt::Key_F3);
    EXPECT_EQ(Form->PendingSql.size(), 2);
    EXPECT_EQ(Presenter.Texts().count(
                  u"Покупка на вещ номер 1 още не е записана. Натиснете бутон \"F2\" (за запис)."_s),
              2)
        << Presenter.Texts().join(u'|').toStdString();
}

TEST_F(PurchaseWindow, EditOfASavedPurchaseMovesItsPaymentOrderAlong) {
    Enter(u"5"_s, u"120"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    Form->Grid->SetRow(2);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    ASSERT_TRUE(Form->EditingRow) << Presenter.Texts().join(u'|').toStdString();
    Type(Form->feSum_c, u"150"_s);
    Form->dtDate_c->setDate(Form->dtDate_c->date().addDays(-1));
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT sum_s, date_d FROM Items_purchases"_s), u"150@29.02.2024"_s);
    EXPECT_EQ(QueryText(u"SELECT docno, sum_o, date_d FROM Outcomes WHERE payment_type = 4"_s),
              u"8@150@29.02.2024"_s);
    // Another window's order stays as it was.
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes"_s), u"2"_s);
}

// A purchase goes with the payment order that paid for it; a sold one stays, even when it is sold
// between F5 and F2.
TEST_F(PurchaseWindow, DeletingAPurchaseTakesItsPaymentOrderAndNeverASoldOne) {
    Enter(u"5"_s, u"120"_s);
    Press(Qt::Key_F4);
    Enter(u"6"_s, u"80.5"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    const auto Select = [&](const QString& Number) {
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
            if (Form->Grid->Cells(0, R).trimmed() == Number) {
                Form->Grid->SetRow(R);
                Form->Grid->setFocus();
                return;
            }
        ADD_FAILURE() << "no row " << Number.toStdString();
    };
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection,
                uR"sql(Update Items_purchases Set sold = True, sold_at_date = 45352 Where docno = 2)sql"_s));
    Select(u"2"_s);
    Press(Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Покупка номер 2 не може да бъде изтрита: вещта е продадена."_s});
    EXPECT_TRUE(Form->PendingSql.isEmpty());

    Presenter.Clear();
    Select(u"1"_s);
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F5);
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_TRUE(Presenter.Texts()[0].contains(u"разходен касов ордер номер 8"_s))
        << Presenter.Texts()[0].toStdString();
    // Another window sells it meanwhile: nothing is deleted, the delete leaves the queue and the
    // row comes back.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        uR"sql(Update Items_purchases Set sold = True Where docno = 1)sql"_s));
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Покупка номер 1 не може да бъде изтрита: вещта е продадена.\n"
                                             "Изтриването на покупка на вещ номер 1 е отменено."_s});
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Items_purchases WHERE docno = 1"_s), u"1"_s);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE docno = 8"_s), u"1"_s);

    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        uR"sql(Update Items_purchases Set sold = False Where docno = 1)sql"_s));
    Select(u"1"_s);
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F5);
    Press(Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT docno FROM Items_purchases"_s), u"2"_s);
    EXPECT_EQ(QueryText(u"SELECT docno FROM Outcomes ORDER BY docno"_s), u"7°9"_s);
}

TEST_F(PurchaseWindow, APriceOfZeroOrLessIsRefused) {
    const std::pair<const char*, const char*> Cases[] = {
        {"0", "Общата сума на документа е нула!"},
        {"-150", "Сумата на документа не може да бъде отрицателна!"},
    };
    for (auto [Price, Expected] : Cases) {
        Presenter.Clear();
        Enter(u"5"_s, QString::fromUtf8(Price));
        Press(Qt::Key_F4);
        EXPECT_TRUE(Form->PendingSql.isEmpty()) << Price;
        EXPECT_TRUE(Presenter.Texts().join(u'|').contains(QString::fromUtf8(Expected)))
            << Price << ": " << Presenter.Texts().join(u'|').toStdString();
    }
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE payment_type = 4"_s), u"0"_s);
}

} // namespace

// Every title of the two header rows is shown whole, also one written over several columns: the
// cell's margins and lines take 8 pixels beside the text.
TEST_F(PurchaseWindow, HeaderTitlesFitTheirColumns) {
    const QFontMetrics Metrics(Form->Grid->font());
    for (int Row = 0; Row < 2; ++Row)
        for (int C = 0; C < Form->Grid->ColCount(); ++C) {
            const QString Title = Form->Grid->Cells(C, Row);
            if (Title.isEmpty()) continue;
            EXPECT_GE(Form->Grid->GetMergedCellRect(C, Row).width(), Metrics.horizontalAdvance(Title) + 8)
                << Title.toStdString();
        }
}

namespace {

// Purchases 1 (item 5, 150.00) and 2 (item 6, 90.00) with their orders 8 and 9; the payment window
// wrote orders 10 (20.00) and 11 (5.50) on purchase 1.
class PurchaseBooks : public PurchaseWindow {
public:
    PurchaseBooks() {
        for (auto [Item, Price] : {std::pair{u"5"_s, u"150"_s}, std::pair{u"6"_s, u"90"_s}}) {
            Enter(Item, Price);
            Press(Qt::Key_F4);
        }
        Press(Qt::Key_F2);
        Exec(u"Insert into Outcomes values ( 10, 45352, 1, 4, 20, \"Петър\", \"\", \"\" )"_s);
        Exec(u"Insert into Outcomes values ( 11, 45351, 1, 4, 5.5, \"Петър\", \"\", \"\" )"_s);
    }
    void Lift(int Row) {
        Form->Grid->SetRow(Row);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(Form->EditingRow) << Presenter.Texts().join(u'|').toStdString();
    }
};

// An edit moves only the purchase's own order; a new price names the others to correct.
TEST_F(PurchaseBooks, EditMovesOnlyThePurchasesOwnOrder) {
    for (auto [Field, Text] : {std::pair<QWidget*, QString>{Form->edCustomer_name, u"Иван Иванов"_s},
                               std::pair<QWidget*, QString>{Form->feSum_c, u"160"_s}}) {
        Lift(2);
        Type(Field, Text);
        Press(Qt::Key_F4);
        Press(Qt::Key_F2);
    }
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Цената на покупка номер 1 е променена. Коригирайте и разходни "
                                             "касови ордери № 10, 11, които също са към нея."_s});
    EXPECT_EQ(
        QueryText(
            u"SELECT docno, sum_o, customer_name FROM Outcomes WHERE payment_type = 4 ORDER BY docno"_s),
        u"8@160@Иван Иванов°9@90@Иван Петров Иванов°10@20@Петър°11@5.5@Петър"_s);
}

// A sold purchase keeps its item and price, naming its sale; its names may be mended. Sold by
// another window between F4 and F2, a re-priced purchase is refused at Save.
TEST_F(PurchaseBooks, ASoldPurchaseKeepsItsItemAndPrice) {
    Exec(u"Insert into Items_sales values ( 3, 45352, 1, 2, 200, \"\", \"\", \"\", 12345, 0 )"_s);
    Lift(2);
    for (auto [Item, Price] : {std::pair{u"5"_s, u"170"_s}, std::pair{u"6"_s, u"150"_s}}) {
        Type(Form->leItem, Item);
        Type(Form->feSum_c, Price);
        Press(Qt::Key_F4);
    }
    EXPECT_EQ(Presenter.Texts()
                  .filter(u"Вещта и цената на покупка номер 1 не могат да бъдат променени: продажби № 3."_s)
                  .size(),
              2);
    Type(Form->leItem, u"5"_s);
    Type(Form->edSupplier_name, u"Петя Колева"_s);
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    Lift(3);
    Type(Form->feSum_c, u"95"_s);
    Press(Qt::Key_F4);
    Exec(u"Update Items_purchases Set sold = True Where docno = 2"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_TRUE(Presenter.Texts()[0].startsWith(u"Покупка на вещ номер 2 е променена междувременно.\n"_s))
        << Presenter.Texts()[0].toStdString();
    EXPECT_EQ(QueryText(u"SELECT code_i, sum_s, supplier_name FROM Items_purchases ORDER BY docno"_s),
              u"5@150@Петя Колева°6@90@Мария Колева"_s);
}

// Buying an item held by open pledges asks first, naming them; No queues nothing. A redeemed pledge
// asks nothing.
TEST_F(PurchaseWindow, BuyingAnItemUnderAnOpenPledgeAsksFirst) {
    const int Pledges[][3] = {{4, 5, 0}, {9, 5, 0}, {12, 6, 1}};
    for (const auto& P : Pledges)
        Exec(
            Format(u"Insert into Contracts values ( %d, 45340, %d, 100, 3, 30, \"\", %d, 0, False, 0, 12345, "
                   "False, 0, 0, False, 0, 0, 0, 0 )"_s,
                   {P[0], P[1], P[2]}));
    for (TModalResult Answer : {mrNo, mrYes}) {
        Enter(u"5"_s, u"120"_s);
        Presenter.PlanAnswer(Answer);
        Press(Qt::Key_F4);
        EXPECT_EQ(Form->PendingSql.size(), Answer == mrYes ? 2 : 0);
    }
    Enter(u"6"_s, u"80"_s);
    Press(Qt::Key_F4);
    EXPECT_EQ(Form->PendingSql.size(), 4);
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList(2, u"Вещ 5 е в залог по неприключени договори № 4, 9. Желаете ли да я закупите?"_s));
}

} // namespace

// Closing while a purchase is lifted by F3 asks as with work queued: Cancel stays in the edit, Yes
// queues the edit and saves it.
TEST_F(PurchaseBooks, ClosingWithALiftedPurchaseAsksWhetherToSave) {
    Lift(3);
    Type(Form->edSupplier_name, u"Петя Колева"_s);
    Presenter.Clear();
    Presenter.PlanAnswer(mrCancel);
    EXPECT_FALSE(Form->CloseQuery());
    EXPECT_TRUE(Form->EditingRow);
    Presenter.PlanAnswer(mrYes);
    EXPECT_TRUE(Form->CloseQuery());
    EXPECT_EQ(Presenter.Texts(), QStringList(2, LoadStr(65194)));
    EXPECT_EQ(QueryText(u"SELECT supplier_name FROM Items_purchases ORDER BY docno"_s),
              u"Мария Колева°Петя Колева"_s);
}

// A bought item's label names its purchase, not the pledge contract of the same number.
TEST_F(PurchaseBooks, TheLabelNamesThePurchase) {
    TFakeOfficePrinter Printer;
    Form->Grid->SetRow(2);
    Form->btnPrintLabel->click();
    ASSERT_EQ(Printer.Jobs.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(Printer.Jobs[0].Paragraphs, (QStringList{u"Покупка № 1"_s, u"Злато"_s}));
}

// An edited purchase, and the order it moves, are dated no later than today, and a sold one no
// later than its sale, also when another workstation moves the sale before Save. Order 5 of the
// payment window on purchase 1, at its price a day earlier, is not its own.
TEST_F(PurchaseBooks, AnEditedPurchaseIsDatedNeitherInTheFutureNorAfterItsSale) {
    Exec(u"Insert into Outcomes values ( 5, 45351, 1, 4, 150, \"Петър\", \"\", \"\" )"_s);
    Lift(2);
    Form->dtDate_c->setDate(DateTimeToQDate(TContractShop::Today + 1));
    Press(Qt::Key_F4);
    EXPECT_TRUE(Presenter.Texts().join(u'|').contains(u"Датата на покупката е след днешната."_s));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    Form->dtDate_c->setDate(DateTimeToQDate(TContractShop::Today - 1));
    Type(Form->feSum_c, u"160"_s);
    Presenter.Clear();
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Цената на покупка номер 1 е променена. Коригирайте и разходни "
                                             "касови ордери № 5, 10, 11, които също са към нея."_s});
    EXPECT_EQ(QueryText(u"SELECT docno, date_d, sum_o FROM Outcomes WHERE contract_n = 1 AND docno < 10 "
                        "ORDER BY docno"_s),
              u"5@29.02.2024@150°8@29.02.2024@160"_s);

    // Purchase 2, bought on 10.02, is sold on 15.02.
    Exec(u"Update Items_purchases Set date_d = 45332, sold = True, sold_at_date = 45337 Where docno = 2"_s);
    Exec(u"Update Outcomes Set date_d = 45332 Where docno = 9"_s);
    Exec(u"Insert into Items_sales values ( 3, 45337, 2, 2, 200, \"\", \"\", \"\", 12345, 0 )"_s);
    Press(Qt::Key_F8);
    Lift(3);
    for (int Day : {45338, 45337}) {
        Presenter.Clear();
        Form->dtDate_c->setDate(DateTimeToQDate(Day));
        Press(Qt::Key_F4);
        EXPECT_EQ(Form->PendingSql.isEmpty(), Day == 45338) << Day;
        EXPECT_EQ(Presenter.Texts().join(u'|').contains(
                      u"Датата на покупката е след продажбата на вещта (15.02.2024)."_s),
                  Day == 45338)
            << Presenter.Texts().join(u'|').toStdString();
    }
    // The sale window moves the sale a day earlier meanwhile.
    Exec(u"Update Items_sales Set date_d = 45336 Where docno = 3"_s);
    Exec(u"Update Items_purchases Set sold_at_date = 45336 Where docno = 2"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_TRUE(Presenter.Texts()[0].startsWith(u"Покупка на вещ номер 2 е променена междувременно.\n"_s))
        << Presenter.Texts()[0].toStdString();
    EXPECT_EQ(QueryText(u"SELECT date_d FROM Items_purchases WHERE docno = 2"_s), u"10.02.2024"_s);
    ExpectTradeBooksHold(TContractShop::Today);
}
