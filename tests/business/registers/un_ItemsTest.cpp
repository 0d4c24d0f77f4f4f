#include "business/registers/un_Items.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(ItemsRegister, BothStatementsTrimTheDescription) {
    EXPECT_EQ(ItemInsertSql(u"Items"_s, 4, u"  Пръстен \"Б\" "_s, 2),
              u"Insert into Items values ( 4, \"Пръстен \"\"Б\"\"\", 2 )"_s);
    EXPECT_EQ(ItemUpdateSql(u"Items"_s, u"SN"_s, u" Гривна "_s, 3, u"code_i"_s, 4),
              u"Update Items Set SN = \"Гривна\", code_i_t = 3.000000 Where ( code_i = 4 )"_s);
}

TEST(ItemsRegister, ADescriptionIsTakenOnlyUnderTheSameType) {
    const TGridRows Rows = {{u"1"_s, u"Пръстен"_s, u"Злато"_s}, {u"2"_s, u"Гривна"_s, u"Сребро"_s}};
    struct Case {
        double Code;
        QString Description;
        qint64 TypeCode;
        QString TypeName;
        QString Expected;
    };
    const Case Cases[] = {
        {3, u"Пръстен"_s, 2, u"Сребро"_s, u""_s},
        {3, u"Пръстен"_s, 1, u"Злато"_s, u"Наименование \"Пръстен\" съществува в таблицата с данни!\n\r"_s},
        {2, u"Верижка"_s, 1, u"Злато"_s, u"Шифър \"2\" съществува в таблицата с данни!\n\r"_s},
        {0, u""_s, 0, u""_s, u"Въведете шифър.\n\rВъведете наименование!\n\rВъведете тип на вещ\n\r"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateItemInput(C.Code, C.Description, C.TypeCode, C.TypeName, Rows), C.Expected)
            << C.Description.toStdString();
}

class ItemsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
        Exec(u"Insert into Item_types values ( 2, \"Сребро\" )"_s);
        Form = OpenRegister<TfrmItems>(Host, u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s);
    }
    void AddEntry(const QString& Description, const QString& Type) {
        ::Type(Form->edNaimenovanie, Description);
        Form->leType->setText(Type);
        Press(Form->edNaimenovanie, Qt::Key_F4);
    }

    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmItems* Form = nullptr;
};

TEST_F(ItemsWindow, AddedItemIsRememberedSavedAndReportedToTheOpener) {
    Form->SetOpenerHandle(&Host);
    EXPECT_EQ(Form->feShifyr->Value(), 1);
    AddEntry(u" Пръстен "_s, u"1"_s);
    EXPECT_EQ(Form->PendingSql, QStringList({u"Insert into Items values ( 1, \"Пръстен\", 1 )"_s}));
    EXPECT_EQ(ReadRegString(u"Last_Item"_s), u"1"_s);
    EXPECT_EQ(Form->feShifyr->Value(), 2);
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"Пръстен"_s, u"Злато"_s}));

    Press(Form->Grid, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(QueryText(u"Select * From Items"_s), u"1@Пръстен@1"_s);
    EXPECT_EQ(Host.Refreshes, QList<int>({1}));
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"Пръстен"_s, u"Злато"_s}));

    // Edit takes the row's type; the update trims the description too.
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_EQ(Form->leType->text(), u"1"_s);
    EXPECT_EQ(Form->pnlType->text(), u"Злато"_s);
    AddEntry(u"Пръстен "_s, u"2"_s);
    EXPECT_EQ(
        Form->PendingSql,
        QStringList({u"Update Items Set SN = \"Пръстен\", code_i_t = 2.000000 Where ( code_i = 1 )"_s}));
    EXPECT_EQ(ReadRegString(u"Last_Item"_s), u"1"_s);
    Press(Form->Grid, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(QueryText(u"Select SN & \"|\", code_i_t From Items"_s), u"Пръстен|@2"_s);
    EXPECT_EQ(Host.Refreshes, QList<int>({1, 1}));
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

TEST_F(ItemsWindow, AnItemOnAContractOrPurchaseIsNotDeleted) {
    Exec(u"Insert into Items values ( 3, \"Гривна\", 1 )"_s);
    Exec(u"Insert into Items values ( 4, \"Лъжица\", 2 )"_s);
    Exec(u"Insert into Contracts (docno, code_i, EGN) values ( 5, 3, 1 )"_s);
    Press(Form->Grid, Qt::Key_F8);
    ASSERT_EQ(Form->Grid->Rows(1), QStringList({u"3"_s, u"Гривна"_s, u"Злато"_s}));
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(),
              QStringList(
                  {u"Записът не може да бъде изтрит: вещ \"3\" - \"Гривна\" се използва в договори № 5."_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());

    Form->Grid->SetRow(2);
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Form->PendingSql, QStringList({u"Delete * from Items Where code_i = 4"_s}));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select code_i From Items"_s), u"3"_s);
}

TEST_F(ItemsWindow, AnItemNeedsAType) {
    AddEntry(u"Гривна"_s, u""_s);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Въведете тип на вещ\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_TRUE(ReadRegString(u"Last_Item"_s).isEmpty());
}

} // namespace
