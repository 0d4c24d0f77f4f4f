#include "business/registers/unPickLists.h"

#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"
#include "framework/forms/MAccountStatusForm.h"
#include "tests/support/DbQuery.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int D = 45292; // 01.01.2024

QDateTime TenDaysOn() {
    return QDateTime(QDate(2024, 1, 11), QTime(12, 0));
}

// The list's data rows, fields joined with "@".
QStringList Rows(TCustomListEdit& Edit) {
    QStringList Result;
    TRichGrid* Grid = Edit.Form()->Grid();
    for (int r = 1; r < Grid->RowCount(); ++r) {
        QStringList Cells;
        for (int c = 0; c < Grid->ColCount(); ++c)
            Cells << Grid->Cells(c, r);
        Result << Cells.join(u'@');
    }
    return Result;
}

QString Header(TCustomListEdit& Edit) {
    TRichGrid* Grid = Edit.Form()->Grid();
    QStringList Titles;
    for (int c = 0; c < Grid->ColCount(); ++c)
        Titles << Grid->Cells(c, 0);
    return Titles.join(u'@');
}

bool RightAligned(TCustomListEdit& Edit, int Col) {
    return Edit.Form()->Grid()->ColAttributes(Col)->Alignment().Contains(caRight);
}

// Records the progress that a pick list posts to its window, and the status text meanwhile.
class TProgressRecorder : public QObject {
public:
    explicit TProgressRecorder(TMAccountStatusForm* Form) : FForm(Form) { Form->installEventFilter(this); }
    QList<int> Done;
    QStringList StatusTexts;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == evProgress) {
            Done << static_cast<TProgressEvent*>(Event)->Done;
            EXPECT_EQ(static_cast<TProgressEvent*>(Event)->Total, 100);
            StatusTexts << FForm->StatusBar->Panels()->Items(0)->Text();
        }
        return false;
    }

private:
    TMAccountStatusForm* FForm;
};

class PickLists : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(&TenDaysOn);
        Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
        Exec(u"Insert into Item_types values ( 2, \"Часовник\" )"_s);
        Exec(u"Insert into Items values ( 1, \"Пръстен 585\", 1 )"_s);
        Exec(u"Insert into Items values ( 2, \"Верижка\", 1 )"_s);
        Exec(u"Insert into Items values ( 3, \"Омега\", 2 )"_s);
        Exec(u"Insert into Items values ( 4, \"4711\", 1 )"_s);
        Owner(12345, u"Иван Петров"_s, 1);
        Owner(8001011234, u"Мария Иванова"_s, 1);
        Owner(222, u"Андрей Без Код"_s, 0);
        Exec(u"Insert into Interest_rates values ( 1, 0, 100000, 0.03, 1 )"_s);
        Exec(u"Insert into Taxes values ( 2, \"Съхранение\", False )"_s);
        Exec(u"Insert into Taxes values ( 1, \"Оценка\", True )"_s);
    }
    void TearDown() override { SetClock(nullptr); }

    void Owner(qint64 EGN, const QString& Name, int PrefCode) {
        Exec(Format(
            "Insert into Owners values ( %d, \"%s\", \"София\", \"\", \"\", \"\", True, False, %d, \"\", "
            "\"\", \"\", \"\" )",
            {EGN, SqlText(Name), PrefCode}));
    }
    void Contract(int DocNo, int Item, qint64 EGN, bool ForSale, bool Sold, double PaidOut) {
        Exec(Format(
            "Insert into Contracts values ( %d, %d, %d, %f, 3, 30, \"\", False, 0, %s, 0, %d, %s, 0, 0, "
            "0, 0, 0, 0, 0 )",
            {DocNo, D, Item, PaidOut, ForSale ? "True" : "False", EGN, Sold ? "True" : "False"}));
        Exec(Format("Insert into Outcomes values ( %d, %d, %d, 1, %f, \"\", \"\", \"\" )",
                    {DocNo, D, DocNo, PaidOut}));
    }
    void Purchase(int DocNo, int Item, double Sum, bool Sold) {
        Exec(
            Format("Insert into Items_purchases values ( %d, %d, %d, %f, \"\", \"\", \"\", 12345, 0, %s, 0 )",
                   {DocNo, D + DocNo, Item, Sum, Sold ? "True" : "False"}));
    }
    // Contracts 1 to 3 are on sale; 2 belongs to a borrower without a preferential code, whose
    // debt cannot be computed. 4 is sold and 5 not on sale.
    void SeedSale() {
        Contract(1, 1, 12345, true, false, 1000);
        Exec(Format("Insert into Incomes values ( 1, %d, 1, 1, 200, \"\", \"\", \"\" )", {D + 5}));
        Contract(2, 2, 222, true, false, 300);
        Contract(3, 3, 8001011234, true, false, 500);
        Contract(4, 4, 12345, true, true, 100);
        Contract(5, 4, 12345, false, false, 100);
    }

    TTempProgramDir FDir;
    TTempRegistry FRegistry;
    TScriptedPresenter FPresenter;
};

TEST_F(PickLists, RegisterListsCarryTheirColumns) {
    Exec(u"Insert into MPS values ( 2, \"Лада\", \"Нива\", \"1990\", \"\", \"СА 1234 ВВ\", \"\", \"\", \"\", "
         u"\"\", "
         u"\"\", \"\" )"_s);
    Exec(u"Insert into MPS values ( 1, \"Опел\", \"Астра\", \"2001\", \"\", \"В 7777 АА\", \"\", \"\", \"\", "
         u"\"\", "
         u"\"\", \"\" )"_s);
    struct TCase {
        const char* Name;
        bool (*Fill)(QObject*, TCustomListEdit*);
        QString Header;
        QStringList Rows;
    };
    const TCase Cases[] = {
        {"items",
         GetItemsList,
         u"Шифър@Наименование@сериен номер"_s,
         {u"4@Злато@4711"_s, u"2@Злато@Верижка"_s, u"1@Злато@Пръстен 585"_s, u"3@Часовник@Омега"_s}},
        {"owners",
         GetOwnersList,
         u"ЕГН@Собствено, бащино и фамилно име@Преференция"_s,
         {u"0000000222@Андрей Без Код@0"_s, u"0000012345@Иван Петров@1"_s, u"8001011234@Мария Иванова@1"_s}},
        {"fees", GetTaxesList, u"Шифър@Наименование@Еднократна"_s, {u"1@Оценка@да"_s, u"2@Съхранение@не"_s}},
        {"vehicles",
         GetVehiclesList,
         u"Шифър@марка@модел@държ. рег. N:"_s,
         {u"1@Опел@Астра@В 7777 АА"_s, u"2@Лада@Нива@СА 1234 ВВ"_s}},
        {"payment types",
         GetPaymentTypesList,
         u"Шифър@Наименование"_s,
         {u"1@вноска по главница"_s, u"2@вноска по лихва"_s, u"3@вноска на собственик"_s,
          u"4@приход от продажба на заложена вещ"_s, u"5@приход от продажба на закупена вещ"_s,
          u"6@еднократна такса Оценка"_s, u"7@дневна такса Съхранение"_s}},
    };
    for (const TCase& c : Cases) {
        TListEdit Edit;
        EXPECT_TRUE(c.Fill(nullptr, &Edit)) << c.Name;
        EXPECT_EQ(Header(Edit), c.Header) << c.Name;
        EXPECT_EQ(Rows(Edit), c.Rows) << c.Name;
        EXPECT_EQ(Edit.DropColumn(), 0) << c.Name;
    }
}

TEST_F(PickLists, PurchasesListsGiveTheirPrices) {
    Purchase(1, 4, 150.5, false);
    Purchase(2, 1, 99, true);
    TListEdit Edit;
    Edit.setText(u"7"_s);
    EXPECT_TRUE(ExtractContractsForSale(nullptr, false, &Edit));
    EXPECT_EQ(Edit.text(), u""_s);
    EXPECT_EQ(Header(Edit), u"Договор@Дата@Шифър@Вещ@Тип@Сума"_s);
    EXPECT_EQ(Rows(Edit), QStringList{u"1@02.01.2024@4@4711@Злато@150.50"_s});
    EXPECT_TRUE(RightAligned(Edit, 5));
    EXPECT_FALSE(RightAligned(Edit, 3));

    // Despite its name, the purchases list holds the sold purchases too.
    Edit.setText(u"7"_s);
    EXPECT_TRUE(GetUnsoldPurchasesList(nullptr, &Edit));
    EXPECT_EQ(Edit.text(), u""_s);
    QStringList Got = Rows(Edit);
    Got.sort();
    EXPECT_EQ(Got, (QStringList{u"1@02.01.2024@4@4711@Злато@150.50"_s,
                                u"2@03.01.2024@1@Пръстен 585@Злато@99.00"_s}));
}

TEST_F(PickLists, PledgedItemsShowTheOutstandingPrincipalUnlessTheOptionIsOn) {
    SeedSale();
    for (const QString& Option : {u""_s, u"0"_s, u"yes"_s}) {
        if (!Option.isEmpty()) WriteRegString(rg_Registry_4, Option);
        TListEdit Edit;
        EXPECT_TRUE(ExtractContractsForSale(nullptr, true, &Edit));
        EXPECT_EQ(Header(Edit), u"Договор@Вещ@Сериен номер@Сума"_s);
        EXPECT_EQ(Rows(Edit), (QStringList{u"1@Злато@Пръстен 585@800.00"_s, u"2@Злато@Верижка@300.00"_s,
                                           u"3@Часовник@Омега@500.00"_s}))
            << Option.toStdString();
        EXPECT_TRUE(RightAligned(Edit, 3));
    }
    EXPECT_TRUE(FPresenter.Messages().isEmpty());
}

TEST_F(PickLists, FinishedContractsAreNotOnSale) {
    SeedSale();
    Exec(uR"sql(Update Contracts Set Finished = True Where docno = 3)sql"_s);
    TListEdit Edit;
    EXPECT_TRUE(ExtractContractsForSale(nullptr, true, &Edit));
    EXPECT_EQ(Rows(Edit), (QStringList{u"1@Злато@Пръстен 585@800.00"_s, u"2@Злато@Верижка@300.00"_s}));
}

// Contract 2's borrower has no preferential code: its row stays without an amount, the rows after
// it get theirs, and one message says which contract and why.
TEST_F(PickLists, AFailedDebtLeavesOnlyThatRowWithoutAnAmountAndIsNamed) {
    SeedSale();
    WriteRegString(rg_Registry_4, u"1"_s);
    QStringList Totals;
    for (const QString& DocNo : {u"1"_s, u"3"_s}) {
        QString Row;
        TDelimitedStringList OneTime, Daily;
        ASSERT_TRUE(CalculateContractDebt(nullptr, DocNo, Row, Now(), OneTime, Daily));
        Totals << FormatAmount(StrToFloatDot(GetPiece(Row, FieldDelimiterChar, dfTotalDebt), 0));
    }
    ASSERT_NE(Totals[0], u"800.00"_s);
    ASSERT_NE(Totals[1], u"500.00"_s);

    TMAccountStatusForm Form;
    TProgressRecorder Recorder(&Form);
    TListEdit Edit;
    EXPECT_TRUE(ExtractContractsForSale(&Form, true, &Edit));
    QCoreApplication::sendPostedEvents(&Form);

    // No serial number stands in for a missing amount.
    EXPECT_EQ(Rows(Edit), (QStringList{u"1@Злато@Пръстен 585@"_s + Totals[0], u"2@Злато@Верижка@"_s,
                                       u"3@Часовник@Омега@"_s + Totals[1]}));
    EXPECT_EQ(FPresenter.Texts(),
              QStringList{u"Сумата не е показана за 1 договор, чието задължение не може да се изчисли:\n"
                          "договор 2: заемополучателят с ЕГН 0000000222 няма преференциален код."_s});
    EXPECT_EQ(Recorder.Done, (QList<int>{0, 25, 50, 75, 0}));
    EXPECT_EQ(Recorder.StatusTexts.value(1),
              u" Извличане на договори за залог, за които вещите са обявени за продажба"_s);
    EXPECT_EQ(Form.StatusBar->Panels()->Items(0)->Text(), u""_s);
}

TEST_F(PickLists, AFailingQueryLeavesTheLookupAsItWas) {
    TListEdit Edit;
    ASSERT_TRUE(GetTaxesList(nullptr, &Edit));
    Edit.setText(u"1"_s);
    Exec(u"Drop table Taxes"_s);
    EXPECT_THROW(GetTaxesList(nullptr, &Edit), EDatabaseError);
    EXPECT_THROW(GetPaymentTypesList(nullptr, &Edit), EDatabaseError);
    EXPECT_EQ(Edit.text(), u"1"_s);
    EXPECT_EQ(Rows(Edit), (QStringList{u"1@Оценка@да"_s, u"2@Съхранение@не"_s}));
}

} // namespace
