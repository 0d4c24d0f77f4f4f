// The sales window: its validation, statements and list, and the window driven as the operator
// drives it, on a small shop.

#include "business/documents/un_Items_sales.h"
#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/un_Contracts.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "framework/printing/ReportLayout.h"
#include "tests/support/Books.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TSaleEntry Sale(int Type) {
    TSaleEntry E;
    E.DocNo = 3;
    E.Date = 45352;
    E.Owner = u"8001011234"_s;
    E.Contract = u"4"_s;
    E.SaleType = Type;
    E.Sum = 150;
    E.Customer = u"Иван"_s;
    E.Supplier = u"Мария"_s;
    return E;
}

} // namespace

TEST(ItemSales, Validation) {
    struct Case {
        const char* Name;
        std::function<void(TSaleEntry&, TSaleCheck&)> Change;
        QString Expected;
    };
    const Case Cases[] = {
        {"valid", [](TSaleEntry&, TSaleCheck&) {}, QString()},
        {"number in grid",
         [](TSaleEntry&, TSaleCheck& C) {
             C.GridNumbers = {u"1"_s, u" 3"_s};
         },
         u"\n\rШифър \"3\" съществува в таблицата с данни!"_s},
        {"no number", [](TSaleEntry& E, TSaleCheck&) { E.DocNo = 0; }, u"\n\rВъведете номер на документ"_s},
        {"no buyer", [](TSaleEntry& E, TSaleCheck&) { E.Owner = u"0000000000"_s; },
         u"\n\rВъведете собственик"_s},
        {"no origin", [](TSaleEntry& E, TSaleCheck&) { E.Contract = u" "_s; }, u"\n\rВъведете договор"_s},
        {"buyer in no register", [](TSaleEntry&, TSaleCheck& C) { C.OwnerKnown = false; },
         u"\n\rВъведете собственик"_s},
        {"origin not offered", [](TSaleEntry&, TSaleCheck& C) { C.OriginKnown = false; },
         u"\n\rДоговор номер \"4\" не се предлага за продажба."_s},
        {"edit keeps its sold origin",
         [](TSaleEntry&, TSaleCheck& C) {
             C.OriginKnown = false;
             C.EditingRow = true;
         },
         QString()},
        {"no amount", [](TSaleEntry& E, TSaleCheck&) { E.Sum = 0; },
         u"\n\rОбщата сума на документа е нула!"_s},
        {"negative amount", [](TSaleEntry& E, TSaleCheck&) { E.Sum = -0.01; },
         u"\n\rСумата на документа не може да бъде отрицателна!"_s},
        {"no employee", [](TSaleEntry& E, TSaleCheck&) { E.Supplier = u"  "_s; }, u"\n\rВъведете служител"_s},
        {"new not today", [](TSaleEntry& E, TSaleCheck&) { E.Date = 45351; },
         u"Нов договор може да бъде направен само на днешна дата"_s},
        {"edited not today",
         [](TSaleEntry& E, TSaleCheck& C) {
             E.Date = 45351;
             C.EditingRow = true;
         },
         QString()},
    };
    for (const Case& C : Cases) {
        TSaleEntry E = Sale(stPledged);
        TSaleCheck Check;
        Check.OwnerKnown = Check.OriginKnown = true;
        Check.Today = 45352.4;
        C.Change(E, Check);
        EXPECT_EQ(SaleValidationText(E, Check), C.Expected) << C.Name;
    }
}

TEST(ItemSales, Statements) {
    TSaleEntry E = Sale(stPurchased);
    E.ShortTerm = true;
    const QStringList New = SaleStatements(u"Items_sales"_s, u"docno"_s, false, 0, 0, E, u"maria"_s);
    ASSERT_EQ(New.size(), 3);
    EXPECT_EQ(New[0], u"Insert into Items_sales values ( 3, 45352, 4, 2, 150.000000, \"Иван\", \"Мария\", "
                      "\"maria\", 8001011234, 1 )"_s);
    // The mark holds only while the item is still offered.
    EXPECT_EQ(New[1].simplified(),
              u"UPDATE Items_purchases SET sold = True, sold_at_date = 45352 WHERE ( docno = 4 ) "
              "AND ( sold = False )"_s);
    // The receipt takes its number when Save runs.
    EXPECT_EQ(New[2], u"Insert into Incomes values ( ( Select IfNull( max( docno ), 0 ) + 1 From Incomes ), "
                      "45352, 3, 5, 150.000000, \"Иван\", \"Мария\", \"maria\" )"_s);

    E = Sale(stPledged);
    E.WithoutReceipt = true;
    E.Customer = u"O\"Brien"_s;
    const QStringList Pledged = SaleStatements(u"Items_sales"_s, u"docno"_s, false, 0, 0, E, u"maria"_s);
    ASSERT_EQ(Pledged.size(), 2);
    EXPECT_TRUE(Pledged[0].contains(u"\"O\"\"Brien\""_s)) << Pledged[0].toStdString();
    EXPECT_EQ(Pledged[1].simplified(),
              u"UPDATE Contracts SET sold = True, sold_at_date = 45352 WHERE ( docno = 4 ) "
              "AND ( sold = False ) AND ( for_sale = True ) AND ( Finished = False )"_s);

    // An edit updates the lifted row, whatever the number edit holds, and its own receipt; origin
    // and kind are not written.
    E.DocNo = 9;
    const QStringList Edited = SaleStatements(u"Items_sales"_s, u"docno"_s, true, 3, 7, E, u"maria"_s);
    ASSERT_EQ(Edited.size(), 3);
    EXPECT_TRUE(Edited[0].simplified().startsWith(u"Update Items_sales Set date_d = 45352,"_s));
    EXPECT_FALSE(Edited[0].contains(u"contract_n"_s) || Edited[0].contains(u"payment_type"_s));
    EXPECT_TRUE(Edited[0].endsWith(u"Where ( docno = 3 )"_s)) << Edited[0].toStdString();
    EXPECT_TRUE(Edited[1].endsWith(u"WHERE ( docno = 7 ) AND ( contract_n = 3 ) AND ( payment_type = 4 )"_s))
        << Edited[1].toStdString();
    EXPECT_EQ(SaleStatements(u"Items_sales"_s, u"docno"_s, true, 3, 0, E, u"maria"_s).size(), 2);

    EXPECT_TRUE(
        SaleListSql(true, 45352.7)[0].contains(u"WHERE  ( Items_sales.date_d = 45352 ) ORDER BY docno"_s));
    EXPECT_TRUE(SaleListSql(false, 45352)[0].endsWith(u"Items_sales.EGN ORDER BY docno"_s));
}

TEST(ItemSales, ListRowsCompareEachSaleWithItsOriginAndReceipts) {
    auto Row = [](QStringList Fields) { return Fields.join(FieldDelimiterChar); };
    TDelimitedStringList Sales, Contracts, Receipts, Purchases;
    // Sale 1 of contract 4 paid by one receipt, sale 2 of purchase 6 without one.
    Sales.Add(Row({u"1"_s,     u"01.03.2024"_s, u"4"_s,     u"4"_s,    u"4"_s, u"150"_s, u"Иван"_s,
                   u"Мария"_s, u"maria"_s,      u"12345"_s, u"Иван"_s, u"1"_s, u"1"_s,   u"1"_s,
                   u"4"_s,     u"4"_s,          u"4"_s,     u"4"_s,    u"4"_s, u"True"_s}));
    Sales.Add(Row({u"2"_s,     u"01.03.2024"_s, u"6"_s,          u"6"_s,     u"6"_s, u"80.5"_s, u"Петър"_s,
                   u"Мария"_s, u"maria"_s,      u"8001011234"_s, u"Петър"_s, u"2"_s, u"2"_s,    u"2"_s,
                   u"6"_s,     u"6"_s,          u"6"_s,          u"6"_s,     u"6"_s, u"False"_s}));
    Contracts.Add(Row({u"4"_s, u"01.02.2024"_s, u"5"_s, u"Злато"_s, u"Пръстен 585"_s, u"2.5"_s, u"200"_s}));
    Receipts.Add(Row({u"1"_s, u"150"_s}));
    Purchases.Add(Row({u"6"_s, u"15.02.2024"_s, u"6"_s, u"Верижка"_s, u"Злато"_s, u"1.25"_s, u"60"_s}));
    QStringList Asked;
    const bool Complete =
        ComposeSaleRows(Sales, Contracts, Receipts, Purchases, [&Asked](const QString& DocNo, double& Value) {
            Asked += DocNo;
            Value = 100;
            return true;
        });
    EXPECT_TRUE(Complete);
    EXPECT_EQ(Asked, QStringList{u"4"_s});
    ASSERT_EQ(Sales.Count(), 3);
    EXPECT_EQ(Sales.Get(0),
              Row({u"1"_s,          u"01.03.2024"_s, u"5"_s,      u"Злато"_s,        u"Пръстен 585"_s,
                   u"150.00"_s,     u"Иван"_s,       u"Мария"_s,  u"maria"_s,        u"0000012345"_s,
                   u"Иван"_s,       u"2.500"_s,      u"1"_s,      u"заложена вещ"_s, u"4"_s,
                   u"01.02.2024"_s, u"100.00"_s,     u"150.00"_s, u"50.00"_s,        u"да"_s}));
    EXPECT_EQ(Sales.Get(1),
              Row({u"2"_s,          u"01.03.2024"_s, u"6"_s,     u"Злато"_s,        u"Верижка"_s,
                   u"80.50"_s,      u"Петър"_s,      u"Мария"_s, u"maria"_s,        u"8001011234"_s,
                   u"Петър"_s,      u"1.250"_s,      u"2"_s,     u"закупена вещ"_s, u"6"_s,
                   u"15.02.2024"_s, u"60.00"_s,      u"0.00"_s,  u"-60.00"_s,       u"не"_s}));
    EXPECT_EQ(Sales.GetField(2, 0), u"¤Общо:"_s);
    for (auto [Col, Text] :
         {std::pair{5, "230.50"}, {11, "3.750"}, {16, "160.00"}, {17, "150.00"}, {18, "-10.00"}})
        EXPECT_EQ(Sales.GetField(2, Col), QString::fromUtf8(Text)) << Col;

    // A principal that cannot be computed stops the completion; the row is still shown.
    TDelimitedStringList Again;
    Again.Add(Sales.Get(0));
    EXPECT_FALSE(ComposeSaleRows(Again, Contracts, Receipts, Purchases,
                                 [](const QString&, double&) { return false; }));
    EXPECT_EQ(Again.Count(), 2);
}

namespace {

class SaleWindow : public ::testing::Test {
public:
    SaleWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
        SetReportPreviewHook([this](TReportLayout& Report) {
            Previewed.append(Report.Caption(u"QRLabel2"_s));
            Previewed.append(Report.Caption(u"QRLabel5"_s) + u'|' + Report.Caption(u"QRLabel1"_s));
            return false;
        });
    }
    ~SaleWindow() override {
        for (TfrmItems_sales* Each : Forms) {
            Each->RunDone();
            delete Each->Container();
        }
        SetReportPreviewHook(nullptr);
    }
    TfrmItems_sales* Open() {
        auto* form = CreateForm<TfrmItems_sales>(&Host, TMAccountForm::fsMDIChild);
        form->SetFormCaption(u"Продажба на вещи"_s);
        form->SetTableName(u"Items_sales"_s);
        form->SetKeyField(u"docno"_s);
        form->SetRecordNoun(u"продажба на вещ"_s);
        form->SetUserName(u"maria"_s);
        form->ShowForm();
        QApplication::processEvents();
        Forms += form;
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

    // Contract 4 of 100.00 on item 5, declared for sale; purchase 6 of item 6 for 60.00, unsold.
    // With Others: contract 8 on item 6, open but not for sale, and purchase 9, sold already.
    void Stock(bool Others = false) {
        TContractEntry e;
        e.DocNo = 4;
        e.DateC = TContractShop::Today - 40;
        e.ItemCode = u"5"_s;
        e.OwnerCode = u"0000012345"_s;
        e.Sum = 100;
        e.MIR = 4;
        e.Duration = 30;
        e.Gramaj = 2.5;
        Exec(ContractInsertSql(u"Contracts"_s, e));
        Exec(PayoutOrderSql(e, u"Мария Колева"_s, u"maria"_s));
        Exec(u"UPDATE Contracts SET for_sale = 1 WHERE docno = 4"_s);
        Exec(u"INSERT INTO Items_purchases VALUES (6, 45340, 6, 60, 'Петър', 'Мария', 'maria', 8001011234, "
             "1.25, 0, NULL)"_s);
        if (!Others) return;
        e.DocNo = 8;
        e.ItemCode = u"6"_s;
        Exec(ContractInsertSql(u"Contracts"_s, e));
        Exec(u"INSERT INTO Items_purchases VALUES (9, 45340, 5, 70, 'Петър', 'Мария', 'maria', 8001011234, "
             "1, 1, 45345)"_s);
    }
    // Types a sale of Origin for Price to buyer 8001011234 and presses F4.
    void Queue(TfrmItems_sales* F, int Kind, const QString& Origin, const QString& Price,
               const QString& Buyer = u"8001011234"_s) {
        if ((Kind == stPurchased) != F->rbPurchased->isChecked())
            (Kind == stPurchased ? F->rbPurchased : F->rbPledged)->click();
        Type(F->leOwner, Buyer);
        Type(F->leContract, Origin);
        F->leContract->OnFormOk(F->leContract);
        Type(F->feSum_c, Price);
        Type(F->edSupplier_name, u"Мария Колева"_s);
        Press(Qt::Key_F4);
    }
    QString Told() const { return Presenter.Texts().join(u'|'); }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    QList<TfrmItems_sales*> Forms;
    QStringList Previewed;
};

} // namespace

TEST_F(SaleWindow, PledgedItemIsSoldWithItsReceiptAndPurchasedOneWithout) {
    Stock();
    auto* form = Open();
    EXPECT_EQ(form->feDocNo->Value(), 1);
    Type(form->leOwner, u"8001011234"_s);
    EXPECT_EQ(form->edCustomer_name->text(), u"Иван Петров Иванов"_s);
    Type(form->leContract, u"4"_s);
    form->leContract->OnFormOk(form->leContract);
    EXPECT_EQ(form->feSum_c->Value(), 100);
    Type(form->feSum_c, u"150"_s);
    Type(form->edSupplier_name, u"Мария Колева"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(form->PendingSql.size(), 3) << Presenter.Texts().join(u'|').toStdString();
    // Printing waits for Save.
    form->ctrl_F9->trigger();
    EXPECT_TRUE(Previewed.isEmpty());
    Press(Qt::Key_F2);
    EXPECT_TRUE(form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT sold, sold_at_date FROM Contracts WHERE docno = 4"_s), u"True@01.03.2024"_s);
    EXPECT_EQ(QueryText(u"SELECT docno, contract_n, payment_type, sum_o FROM Incomes"_s), u"1@1@4@150"_s);

    ASSERT_EQ(form->Grid->RowCount(), 4);
    EXPECT_EQ(form->Grid->Cells(16, 2), u"100.00"_s);
    EXPECT_EQ(form->Grid->Cells(17, 2), u"150.00"_s);
    EXPECT_EQ(form->Grid->Cells(18, 2), u"50.00"_s);

    form->Grid->SetRow(2);
    form->ctrl_F9->trigger();
    ASSERT_EQ(Previewed.size(), 2) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_TRUE(Previewed[1].contains(u"Иван Петров Иванов"_s)) << Previewed[1].toStdString();
    EXPECT_TRUE(Previewed[1].endsWith(u"|ЛЕНДОРА ООД"_s)) << Previewed[1].toStdString();

    // The bought item, without a receipt.
    form->rbPurchased->click();
    Type(form->leContract, u"6"_s);
    form->leContract->OnFormOk(form->leContract);
    EXPECT_EQ(form->pnlItem->text(), u"Злато"_s);
    Type(form->feSum_c, u"80"_s);
    form->cb_Without_PKO->setChecked(true);
    form->leOwner->setFocus();
    Press(Qt::Key_F4);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT sold FROM Items_purchases WHERE docno = 6"_s), u"True"_s);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"1"_s);
    ASSERT_EQ(form->Grid->RowCount(), 5);
    EXPECT_EQ(form->Grid->Cells(17, 3), u"0.00"_s);
    EXPECT_EQ(form->Grid->Cells(18, 3), u"-60.00"_s);

    // Deleting asks the manager's password first.
    form->Grid->SetRow(3);
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F5);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Items_sales"_s), u"1"_s);
}

TEST_F(SaleWindow, NewRefusesWhatIsNotOfferedAndPricesOfZeroOrLess) {
    Stock(true);
    auto* form = Open();
    struct Case {
        const char* Name;
        int Kind;
        const char* Origin;
        const char* Price;
        const char* Buyer;
        const char* Expected;
    };
    const Case Cases[] = {
        {"open loan not for sale", stPledged, "8", "150", "8001011234", "не се предлага за продажба."},
        {"no such contract", stPledged, "99", "150", "8001011234", "не се предлага за продажба."},
        {"purchase sold already", stPurchased, "9", "150", "8001011234", "не се предлага за продажба."},
        {"purchase number as contract", stPledged, "6", "150", "8001011234", "не се предлага за продажба."},
        {"buyer in no register", stPledged, "4", "150", "1234567890", "Въведете собственик"},
        {"zero price", stPledged, "4", "0", "8001011234", "Общата сума на документа е нула!"},
        {"negative price", stPurchased, "6", "-5", "8001011234",
         "Сумата на документа не може да бъде отрицателна!"},
    };
    for (const Case& C : Cases) {
        Presenter.Clear();
        Queue(form, C.Kind, QString::fromUtf8(C.Origin), QString::fromUtf8(C.Price),
              QString::fromUtf8(C.Buyer));
        EXPECT_TRUE(form->PendingSql.isEmpty()) << C.Name;
        EXPECT_TRUE(Told().contains(QString::fromUtf8(C.Expected))) << C.Name << ": " << Told().toStdString();
    }
    // The same item twice in one window: the second is no longer offered.
    Queue(form, stPledged, u"4"_s, u"150"_s);
    ASSERT_EQ(form->PendingSql.size(), 3) << Told().toStdString();
    Presenter.Clear();
    Queue(form, stPledged, u"4"_s, u"160"_s);
    EXPECT_EQ(form->PendingSql.size(), 3);
    EXPECT_TRUE(Told().contains(u"Договор номер \"4\" не се предлага за продажба."_s))
        << Told().toStdString();
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Items_sales"_s), u"0"_s);
}

TEST_F(SaleWindow, AnItemSoldOrChangedMeanwhileFailsTheWholeSave) {
    struct Case {
        const char* Name;
        int Kind;
        const char* Origin;
        const char* Meanwhile; // what another window writes between F4 and F2
        const char* Expected;
    };
    const Case Cases[] = {
        {"contract returned", stPledged, "4", "UPDATE Contracts SET finished = 1 WHERE docno = 4",
         "Договор 4 вече не се предлага за продажба."},
        {"no longer for sale", stPledged, "4", "UPDATE Contracts SET for_sale = 0 WHERE docno = 4",
         "Договор 4 вече не се предлага за продажба."},
        {"purchase sold", stPurchased, "6", "UPDATE Items_purchases SET sold = 1 WHERE docno = 6",
         "Покупка 6 вече не се предлага за продажба."},
    };
    Stock();
    auto* form = Open();
    for (const Case& C : Cases) {
        Presenter.Clear();
        const auto Number = qint64(form->feDocNo->Value());
        Queue(form, C.Kind, QString::fromUtf8(C.Origin), u"150"_s);
        ASSERT_EQ(form->PendingSql.size(), 3) << C.Name << ": " << Told().toStdString();
        Exec(QString::fromUtf8(C.Meanwhile));
        Press(Qt::Key_F2);
        // The refused sale leaves the queue and the grid: it blocks nothing typed after it.
        EXPECT_TRUE(form->PendingSql.isEmpty()) << C.Name;
        EXPECT_EQ(form->Grid->Cells(0, form->Grid->FixedRows()).trimmed(), QString()) << C.Name;
        EXPECT_EQ(Told(), QString::fromUtf8(C.Expected) +
                              u" Изберете отново.\nПродажба на вещ номер %1 не е записана."_s.arg(Number))
            << C.Name << ": " << Told().toStdString();
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM Items_sales"_s), u"0"_s) << C.Name;
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"0"_s) << C.Name;
    }
}

TEST_F(SaleWindow, TwoWindowsSellingOneItemWriteOneSale) {
    Stock();
    auto* first = Open();
    auto* second = Open();
    Queue(first, stPledged, u"4"_s, u"150"_s);
    // Its own number, so that only the item is shared.
    Type(second->feDocNo, u"2"_s);
    Queue(second, stPledged, u"4"_s, u"170"_s);
    ASSERT_EQ(second->PendingSql.size(), 3) << Told().toStdString();
    first->Grid->setFocus();
    Press(Qt::Key_F2);
    ASSERT_TRUE(first->PendingSql.isEmpty()) << Told().toStdString();
    second->Grid->setFocus();
    Press(Qt::Key_F2);
    EXPECT_TRUE(second->PendingSql.isEmpty());
    EXPECT_TRUE(Told().contains(u"Договор 4 вече не се предлага за продажба."_s)) << Told().toStdString();
    EXPECT_EQ(QueryText(u"SELECT docno, sum_s FROM Items_sales"_s), u"1@150"_s);
    EXPECT_EQ(QueryText(u"SELECT contract_n, sum_o FROM Incomes"_s), u"1@150"_s);
}

// Another workstation restores an archive from before this window's first sale: the next F2
// here shows the list as F8 would, without the sale the restore took away and with its total.
TEST_F(SaleWindow, TheFirstSaveAfterAnotherWorkstationsRestoreReadsTheWholeList) {
    Stock();
    const QString Archive = Shop.Path() + u"archive.mdb"_s;
    ASSERT_TRUE(CopyDatabaseFile(AdoConnection->FileName(), Archive));
    auto* form = Open();
    Queue(form, stPledged, u"4"_s, u"150"_s);
    Press(Qt::Key_F2);
    ASSERT_EQ(QueryText(u"SELECT docno FROM Items_sales"_s), u"1"_s) << Told().toStdString();
    ASSERT_EQ(ReplaceDatabaseFile(Archive, AdoConnection->FileName(), Shop.Path() + u"kept.mdb"_s),
              roReplacedSound);
    Queue(form, stPurchased, u"6"_s, u"60"_s);
    Press(Qt::Key_F2);
    ASSERT_EQ(QueryText(u"SELECT docno, sum_s FROM Items_sales"_s), u"2@60"_s) << Told().toStdString();
    const auto Shown = [form] {
        QStringList Rows;
        for (int R = form->Grid->FixedRows(); R < form->Grid->RowCount(); ++R)
            Rows << form->Grid->Rows(R).join(u'|');
        return Rows;
    };
    const QStringList AfterSave = Shown();
    Press(Qt::Key_F8);
    EXPECT_EQ(AfterSave, Shown());
}

// Another workstation restores an archive from before the sale's short-term mark: this window's
// next load names the older database in Bulgarian and offers the about box's repair, as the start
// does; refused, nothing changes; taken, the mark is added and the list loads.
TEST_F(SaleWindow, AnOlderDatabaseMetWhileRunningIsNamedAndOfferedTheRepair) {
    Stock();
    auto* form = Open();
    Queue(form, stPledged, u"4"_s, u"150"_s);
    Press(Qt::Key_F2);
    {
        TAdoConnection Other(AdoConnection->FileName());
        ASSERT_TRUE(ExecSQL(nullptr, &Other, u"ALTER TABLE Items_sales DROP COLUMN short_term"_s));
    }
    const QString HasMark =
        u"SELECT count(*) FROM pragma_table_info(\"Items_sales\") WHERE name = \"short_term\""_s;
    for (const TModalResult Answer : {mrNo, mrYes}) {
        Presenter.Clear();
        Presenter.PlanAnswer(Answer);
        Press(Qt::Key_F8);
        ASSERT_EQ(Presenter.Messages().size(), 1) << Told().toStdString();
        EXPECT_TRUE(Told().startsWith(u"Базата данни е от по-стара версия на програмата"_s) &&
                    Told().contains(u"FIX"_s))
            << Told().toStdString();
        EXPECT_EQ(QueryText(HasMark), Answer == mrYes ? u"1"_s : u"0"_s);
    }
    Presenter.Clear();
    Press(Qt::Key_F8);
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Told().toStdString();
    EXPECT_EQ(form->Grid->Cells(0, form->Grid->FixedRows()).trimmed(), u"1"_s);
}

TEST_F(SaleWindow, DeletingASaleOffersItsItemAgainAndRemovesItsReceipt) {
    Stock();
    auto* form = Open();
    Queue(form, stPledged, u"4"_s, u"150"_s);
    Queue(form, stPurchased, u"6"_s, u"80"_s);
    // Not saved yet: nothing to delete.
    form->Grid->SetRow(2);
    Press(Qt::Key_F5);
    EXPECT_EQ(form->PendingSql.size(), 6);
    EXPECT_TRUE(
        Told().contains(u"Продажба на вещ номер 1 още не е записана. Натиснете бутон \"F2\" (за запис)."_s))
        << Told().toStdString();
    Press(Qt::Key_F2);
    ASSERT_TRUE(form->PendingSql.isEmpty()) << Told().toStdString();
    ASSERT_EQ(QueryText(u"SELECT docno, contract_n FROM Incomes ORDER BY docno"_s), u"1@1°2@2"_s);

    for (int Sale : {1, 2}) {
        form->Grid->SetRow(2);
        ASSERT_EQ(form->Grid->Cells(0, 2).trimmed(), QString::number(Sale));
        Presenter.Clear();
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
        EXPECT_TRUE(Told().contains(Format(u"приходен касов ордер номер %d"_s, {Sale})))
            << Told().toStdString();
        Press(Qt::Key_F2);
        ASSERT_TRUE(form->PendingSql.isEmpty()) << Told().toStdString();
    }
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Items_sales"_s), u"0"_s);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"0"_s);
    for (const char* Origin : {"Contracts WHERE docno = 4", "Items_purchases WHERE docno = 6"})
        EXPECT_EQ(QueryText(u"SELECT sold, sold_at_date = 0 FROM "_s + QString::fromUtf8(Origin)),
                  u"False@1"_s)
            << Origin;
    // Both are offered again.
    Queue(form, stPledged, u"4"_s, u"150"_s);
    Queue(form, stPurchased, u"6"_s, u"80"_s);
    EXPECT_EQ(form->PendingSql.size(), 6) << Told().toStdString();
}

TEST_F(SaleWindow, EditKeepsOriginAndKindAndMovesTheReceipt) {
    Stock();
    auto* form = Open();
    Queue(form, stPledged, u"4"_s, u"150"_s);
    Press(Qt::Key_F2);
    // Lifted while bought items are offered: the pledged sale brings the contracts back.
    form->rbPurchased->click();
    form->Grid->SetRow(2);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    ASSERT_TRUE(form->EditingRow) << Told().toStdString();
    EXPECT_TRUE(form->rbPledged->isChecked());
    EXPECT_FALSE(form->leContract->isEnabled());
    EXPECT_FALSE(form->rbPurchased->isEnabled());
    // A negative price is refused while editing too.
    Type(form->feSum_c, u"-1"_s);
    Press(Qt::Key_F4);
    EXPECT_TRUE(form->PendingSql.isEmpty());
    Type(form->feSum_c, u"175"_s);
    Press(Qt::Key_F4);
    const qsizetype Edited = form->PendingSql.size();
    ASSERT_GT(Edited, 0) << Told().toStdString();
    EXPECT_TRUE(form->leContract->isEnabled());
    // Purchase 6 is no contract.
    Presenter.Clear();
    Type(form->feDocNo, u"2"_s);
    Queue(form, stPledged, u"6"_s, u"80"_s);
    EXPECT_EQ(form->PendingSql.size(), Edited);
    EXPECT_TRUE(Told().contains(u"Договор номер \"6\" не се предлага за продажба."_s))
        << Told().toStdString();
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, sum_s FROM Items_sales"_s), u"4@1@175"_s);
    EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, sum_o FROM Incomes"_s), u"1@4@175"_s);
}

// F8 with a sale queued asks first: Cancel keeps it, No drops it and its item is still offered,
// so that typed again it is sold once.
TEST_F(SaleWindow, F8WithASaleQueuedAsksBeforeReloading) {
    Stock();
    auto* form = Open();
    Queue(form, stPurchased, u"6"_s, u"80"_s);
    ASSERT_EQ(form->PendingSql.size(), 3) << Told().toStdString();
    Presenter.Clear();
    Presenter.PlanAnswer(mrCancel);
    Press(Qt::Key_F8);
    EXPECT_EQ(form->PendingSql.size(), 3);
    Presenter.PlanAnswer(mrNo);
    Press(Qt::Key_F8);
    EXPECT_EQ(Presenter.Texts(), (QStringList{LoadStr(65194), LoadStr(65194)}));
    EXPECT_TRUE(form->PendingSql.isEmpty());
    Queue(form, stPurchased, u"6"_s, u"80"_s);
    ASSERT_EQ(form->PendingSql.size(), 3) << Told().toStdString();
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F8);
    EXPECT_TRUE(form->PendingSql.isEmpty()) << Told().toStdString();
    EXPECT_EQ(QueryText(u"SELECT count(*), min( contract_n ) FROM Items_sales"_s), u"1@6"_s);
}

// An edit moves only the sale's own receipt. A sale taken "без ПКО" and paid by two receipts of the
// receipt window keeps both as typed, and a new price names them.
TEST_F(SaleWindow, EditMovesOnlyTheSalesOwnReceipt) {
    Stock();
    auto* form = Open();
    Queue(form, stPurchased, u"6"_s, u"80"_s);
    form->cb_Without_PKO->setChecked(true);
    Queue(form, stPledged, u"4"_s, u"500"_s);
    Press(Qt::Key_F2);
    Exec(u"Insert into Incomes values ( 2, 45352, 1, 5, 20, \"Петър\", \"\", \"\" )"_s);
    Exec(u"Insert into Incomes values ( 3, 45352, 2, 4, 300, \"Петър\", \"\", \"\" )"_s);
    Exec(u"Insert into Incomes values ( 4, 45351, 2, 4, 200, \"Петър\", \"\", \"\" )"_s);
    for (auto [Row, Price] : {std::pair{2, u"80"_s}, std::pair{3, u"550"_s}}) {
        form->Grid->SetRow(Row);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        Type(form->edCustomer_name, u"Иван Иванов"_s);
        Type(form->feSum_c, Price);
        Press(Qt::Key_F4);
        Press(Qt::Key_F2);
    }
    EXPECT_EQ(Told(), u"Цената на продажба номер 2 е променена. Коригирайте и приходни касови ордери № 3, 4, "
                      "които също са към нея."_s);
    EXPECT_EQ(QueryText(u"SELECT docno, contract_n, sum_o, customer_name FROM Incomes ORDER BY docno"_s),
              u"1@1@80@Иван Иванов°2@1@20@Петър°3@2@300@Петър°4@2@200@Петър"_s);
    EXPECT_EQ(QueryText(u"SELECT sum_s, customer_name FROM Items_sales ORDER BY docno"_s),
              u"80@Иван Иванов°550@Иван Иванов"_s);
}

// An edited sale, with the receipt and the sold date it moves, stays between its origin's date and
// today: a pledged item's sale after its contract's date, a bought one's after its purchase's, each
// landing on its own origin where a contract and a purchase share the number 4.
TEST_F(SaleWindow, AnEditedSaleStaysBetweenItsOriginAndToday) {
    Stock();
    Exec(u"INSERT INTO Items_purchases VALUES (4, 45330, 5, 70, 'Петър', 'Мария', 'maria', 8001011234, "
         "1, 0, NULL)"_s);
    Exec(u"INSERT INTO Outcomes VALUES (20, 45330, 4, 4, 70, 'Петър', 'Мария', 'maria')"_s);
    Exec(u"INSERT INTO Outcomes VALUES (21, 45340, 6, 4, 60, 'Петър', 'Мария', 'maria')"_s);
    auto* form = Open();
    Queue(form, stPledged, u"4"_s, u"150"_s);
    Queue(form, stPurchased, u"4"_s, u"90"_s);
    Press(Qt::Key_F2);
    ASSERT_EQ(QueryText(u"SELECT count(*) FROM Items_sales"_s), u"2"_s) << Told().toStdString();
    const QString Future = u"Датата на продажбата е след днешната."_s;
    const QString BeforeContract = u"Датата на продажбата е преди датата на договор номер 4 (21.01.2024)."_s;
    const QString BeforePurchase = u"Датата на продажбата е преди датата на покупка номер 4 (08.02.2024)."_s;
    const struct {
        int Row, Day;
        QString Told; // empty when the edit is queued
    } cases[] = {
        {2, TContractShop::Today + 1, Future},
        {2, 45311, BeforeContract},
        {2, 45312, QString()},
        {3, 45329, BeforePurchase},
        {3, 45330, QString()},
        {3, 45340, QString()},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        if (!form->EditingRow) {
            form->Grid->SetRow(c.Row);
            Presenter.PlanPassword(u"shef"_s);
            Press(Qt::Key_F3);
            ASSERT_TRUE(form->EditingRow) << Told().toStdString();
        }
        form->dtDate_c->setDate(DateTimeToQDate(c.Day));
        Press(Qt::Key_F4);
        EXPECT_EQ(form->EditingRow, !c.Told.isEmpty()) << c.Day;
        EXPECT_EQ(Told().trimmed(), c.Told) << c.Day;
        if (c.Told.isEmpty()) Press(Qt::Key_F2);
    }
    // The purchase window moves purchase 4 to 14.02, before its sale of 18.02, while the sale is
    // queued for 11.02.
    form->Grid->SetRow(3);
    Presenter.PlanPassword(u"shef"_s);
    Press(Qt::Key_F3);
    form->dtDate_c->setDate(DateTimeToQDate(45333));
    Press(Qt::Key_F4);
    ASSERT_EQ(Told(), QString());
    Exec(u"UPDATE Items_purchases SET date_d = 45336 WHERE docno = 4"_s);
    Exec(u"UPDATE Outcomes SET date_d = 45336 WHERE docno = 20"_s);
    Press(Qt::Key_F2);
    EXPECT_TRUE(Told().startsWith(u"Датата на продажбата е преди датата на покупка номер 4.\n"_s))
        << Told().toStdString();
    EXPECT_EQ(QueryText(u"SELECT docno, date_d FROM Items_sales ORDER BY docno"_s),
              u"1@21.01.2024°2@18.02.2024"_s);
    EXPECT_EQ(QueryText(u"SELECT sold_at_date FROM Contracts WHERE docno = 4"_s), u"21.01.2024"_s);
    EXPECT_EQ(QueryText(u"SELECT sold_at_date FROM Items_purchases WHERE docno = 4"_s), u"18.02.2024"_s);
    EXPECT_EQ(QueryText(u"SELECT contract_n, payment_type, date_d FROM Incomes ORDER BY docno"_s),
              u"1@4@21.01.2024°2@5@18.02.2024"_s);
    ExpectTradeBooksHold(TContractShop::Today);
}
