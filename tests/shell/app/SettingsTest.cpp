#include "shell/app/Settings.h"

#include "Components/Edits/LimitedEdit.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unRegistry.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ShopSettings, StatementsBringTheRowsToTheTexts) {
    TDelimitedStringList Stored;
    Stored.SetTextStr(u"1@Лендора°2@София°3@°12@shef"_s);
    QStringList Texts(ShopSettingCount);
    Texts[0] = u"Лендора"_s;            // the same: nothing
    Texts[1] = u"Пловдив \"Център\""_s; // changed, its quotes doubled
    Texts[2] = QString();               // empty as stored: nothing
    Texts[8] = u"събота 9-13"_s;
    const QStringList Expected{
        uR"sql(Update va set value_va = "Пловдив ""Център""" where code_va = 2)sql"_s,
        uR"sql(Insert into VA values ( 4, "" ))sql"_s,
        uR"sql(Insert into VA values ( 5, "" ))sql"_s,
        uR"sql(Insert into VA values ( 6, "" ))sql"_s,
        uR"sql(Insert into VA values ( 7, "" ))sql"_s,
        uR"sql(Insert into VA values ( 8, "" ))sql"_s,
        uR"sql(Insert into VA values ( 9, "събота 9-13" ))sql"_s,
    };
    EXPECT_EQ(ShopSettingsSql(Stored, Texts), Expected);
    EXPECT_EQ(ShopSettingsSql(TDelimitedStringList(), Texts).size(), ShopSettingCount);
}

TEST(ShopSettings, OnlyOneIsTheYesItem) {
    const struct {
        const char* Stored;
        int Index;
    } Cases[] = {{"1", 1}, {" 1 ", 1}, {"0", 0}, {"", 0}, {"да", 0}, {"2", 0}, {"-1", 0}};
    for (const auto& C : Cases)
        EXPECT_EQ(OptionItemIndex(QString::fromUtf8(C.Stored)), C.Index) << C.Stored;
}

namespace {

class SettingsWindow : public ::testing::Test {
public:
    SettingsWindow() {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(900, 700);
        ShowAndActivate(&Host);
    }
    TfrmNAS* Open() {
        auto* Form = CreateForm<TfrmNAS>(&Host, TMAccountForm::fsMDIChild);
        Form->ShowForm();
        QApplication::processEvents();
        return Form;
    }

    TTempRegistry Registry;
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    QMainWindow Host;
};

} // namespace

TEST_F(SettingsWindow, SavesTheShopDataAndTheOptionsThenCloses) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, uR"sql(Delete from VA where code_va < 10)sql"_s));
    WriteRegString(u"rg_Registry_3"_s, u"1"_s);
    auto* Form = Open();
    EXPECT_TRUE(Form->Container()->windowTitle().startsWith(u"Настройки за "_s));
    EXPECT_EQ(Form->OptionIndex(2), 1);
    EXPECT_EQ(Form->OptionIndex(0), 0);
    Form->findChild<QGroupBox*>(u"rg_Registry_7"_s)->findChildren<QRadioButton*>()[1]->click();
    Form->pcMain->setCurrentIndex(1);
    QApplication::processEvents();
    Form->edVA[0]->setFocus();
    TypeText(Form->edVA[0], u"Лендора \"ООД\""_s); // the quotes are refused
    TypeText(Form->edVA[2], u"1234567890"_s);      // nine characters at most
    QTest::keyClick(Form->edVA[0], Qt::Key_F2);
    QApplication::processEvents();

    EXPECT_EQ(QueryText(uR"sql(SELECT code_VA, value_VA FROM VA Order By code_VA)sql"_s),
              u"1@Лендора ООД°2@°3@123456789°4@°5@°6@°7@°8@°9@°12@"_s);
    EXPECT_EQ(ReadRegString(u"rg_Registry_7"_s), u"1"_s);
    EXPECT_EQ(ReadRegString(u"rg_Registry_3"_s), u"1"_s);
    EXPECT_EQ(ReadRegString(u"rg_Registry_1"_s), u"0"_s);
    EXPECT_TRUE(Host.findChild<QMdiArea*>()->subWindowList().isEmpty());
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join(u'|').toStdString();

    // Nothing changed: the second Save writes nothing, so even a table gone unreadable since the
    // window opened goes unnoticed.
    Form = Open();
    EXPECT_EQ(Form->edVA[0]->text(), u"Лендора ООД"_s);
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, uR"sql(Drop table VA)sql"_s));
    QTest::keyClick(Form->edVA[0], Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_TRUE(Host.findChild<QMdiArea*>()->subWindowList().isEmpty());
}

TEST_F(SettingsWindow, AFailedSaveKeepsTheWindowAndStillWritesTheOptions) {
    auto* Form = Open();
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, uR"sql(Drop table VA)sql"_s));
    Form->findChild<QGroupBox*>(u"rg_Registry_1"_s)->findChildren<QRadioButton*>()[1]->click();
    Form->edVA[4]->setText(u"Петър Петров"_s);
    QTest::keyClick(Form->edVA[4], Qt::Key_F2);
    QApplication::processEvents();
    ASSERT_EQ(Presenter.Messages().size(), 2);
    EXPECT_EQ(Presenter.Texts()[1], u"Грешка при актуализиране на VA на ред 1."_s);
    EXPECT_EQ(ReadRegString(u"rg_Registry_1"_s), u"1"_s);
    ASSERT_EQ(Host.findChild<QMdiArea*>()->subWindowList().size(), 1);
    EXPECT_EQ(Form->edVA[4]->text(), u"Петър Петров"_s);
    Form->RunDone();
    delete Form->Container();
}

TEST_F(SettingsWindow, AFailedStatementIsNamedByItsRowAndNothingOfTheSaveStays) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, uR"sql(Delete from VA where code_va < 10)sql"_s));
    auto* Form = Open();
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, uR"sql(
        CREATE TRIGGER NoThirdCode BEFORE INSERT ON VA WHEN NEW.code_VA = 3
        BEGIN SELECT RAISE(ABORT, 'refused'); END
    )sql"_s));
    Form->edVA[0]->setText(u"Лендора"_s);
    QTest::keyClick(Form->edVA[0], Qt::Key_F2);
    QApplication::processEvents();
    ASSERT_EQ(Presenter.Messages().size(), 2) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_TRUE(Presenter.Texts()[0].contains(u"refused"_s));
    EXPECT_EQ(Presenter.Texts()[1], u"Грешка при актуализиране на VA на ред 3."_s);
    EXPECT_EQ(QueryText(uR"sql(SELECT count(*) FROM VA WHERE code_va < 10)sql"_s), u"0"_s);
    EXPECT_EQ(Host.findChild<QMdiArea*>()->subWindowList().size(), 1);
    Form->RunDone();
    delete Form->Container();
}

TEST_F(SettingsWindow, ClosingWithUnsavedChangesAsksFirst) {
    struct Case {
        const char* Name;
        TModalResult Answer;
        bool StaysOpen;
        QString Stored;
    };
    const Case Cases[] = {
        {"cancel", mrCancel, true, u""_s},
        {"no", mrNo, false, u""_s},
        {"yes", mrYes, false, u"Лендора"_s},
    };
    for (const Case& C : Cases) {
        ASSERT_TRUE(
            ExecSQL(nullptr, AdoConnection, uR"sql(UPDATE VA SET value_va = "" WHERE code_va = 1)sql"_s));
        Presenter.Clear();
        auto* Form = Open();
        Form->pcMain->setCurrentIndex(1);
        Form->edVA[0]->setFocus();
        TypeText(Form->edVA[0], u"Лендора"_s);
        Presenter.PlanAnswer(C.Answer);
        QTest::keyClick(Form->edVA[0], Qt::Key_Escape);
        QApplication::processEvents();
        ASSERT_EQ(Presenter.Messages().size(), 1) << C.Name;
        EXPECT_EQ(Presenter.Texts()[0], u"Данните не са записани!\rЖелаете ли да ги запишете?"_s) << C.Name;
        EXPECT_EQ(Host.findChild<QMdiArea*>()->subWindowList().size(), C.StaysOpen ? 1 : 0) << C.Name;
        EXPECT_EQ(QueryText(uR"sql(SELECT value_VA FROM VA WHERE code_va = 1)sql"_s), C.Stored) << C.Name;
        if (C.StaysOpen) {
            Form->RunDone();
            delete Form->Container();
        }
    }
    // Nothing typed: no question.
    Presenter.Clear();
    auto* Form = Open();
    QTest::keyClick(Form->edVA[0], Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(Presenter.Messages().isEmpty());
    EXPECT_TRUE(Host.findChild<QMdiArea*>()->subWindowList().isEmpty());
}

TEST_F(SettingsWindow, IsSizedToItsContentAlsoWhenASmallerSizeWasKept) {
    SaveFormPlacement(u"TfrmNAS"_s, TFormPlacement{10, 10, 420, 300});
    auto* Form = Open();
    Form->pcMain->setCurrentIndex(1);
    QApplication::processEvents();
    const QSize Size = Form->Container()->size(), Wanted = Form->Container()->sizeHint();
    EXPECT_GE(Size.width(), Wanted.width());
    EXPECT_GE(Size.height(), Wanted.height());
    for (QLabel* Label : Form->tab_VA->findChildren<QLabel*>())
        if (Label->text() == u"12. Парола на шефа"_s) {
            EXPECT_GE(Label->height(), Label->sizeHint().height());
            EXPECT_LE(Label->geometry().bottom(), Form->tab_VA->height());
        }
    Form->RunDone();
    delete Form->Container();
}
