#include "Components/PeriodEdit/PeriodEdit.h"

#include "Components/Edits/FilteredEdit.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unRegistry.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempRegistry.h"

#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

QDateTime FixedNow() {
    return QDateTime(QDate(2024, 6, 10), QTime(9, 0));
}

// A back end that answers nothing but its name.
class TNamedMControl : public TMControl {
public:
    int Run(const QString&, TMVariables&) override { return 1; }
    QString Name() const override { return u"Kasa"_s; }
};

class PeriodEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(FixedNow);
        Window.setObjectName(u"frmReport"_s);
        auto* Layout = new QVBoxLayout(&Window);
        Edit = new TPeriodEdit(&Window);
        Edit->setObjectName(u"PeriodEdit"_s);
        Layout->addWidget(Edit);
        Window.resize(220, 60);
    }
    void TearDown() override {
        SetClock(nullptr);
        MControl = nullptr;
    }
    // Opens the drop-down with the edit's period on it.
    TPeriodDropForm* Drop() {
        if (!Window.isVisible()) EXPECT_TRUE(ShowAndActivate(&Window));
        Edit->BitButton()->click();
        EXPECT_TRUE(Edit->PeriodForm()->isVisible());
        return Edit->PeriodForm();
    }
    void ClickMonth(int Row, Qt::KeyboardModifiers Modifiers = {}) {
        QListWidget* List = Edit->PeriodForm()->lbMonths;
        QTest::mouseClick(List->viewport(), Qt::LeftButton, Modifiers,
                          List->visualItemRect(List->item(Row)).center());
    }

    TScriptedPresenter Presenter;
    QWidget Window;
    TPeriodEdit* Edit = nullptr;
};

} // namespace

TEST_F(PeriodEditTest, AssigningAPeriodKeepsOnlyWhatTheEditCanShow) {
    struct Case {
        QString Value, Period, Text;
    };
    const Case Cases[] = {
        {u"1@3"_s, u"1@3"_s, u"Март 2024"_s},
        {u"7@1"_s, u""_s, u""_s},
        {u"1@3"_s, u"1@3"_s, u"Март 2024"_s},
        {u"1-1"_s, u""_s, u""_s},
        {u"2@3"_s, u"1@1"_s, u"Януари 2024"_s},
        {u"6@@"_s, u"6@1@1"_s, u"Януари - Януари 2024"_s},
        {u"6@2@4"_s, u"6@2@4"_s, u"Февруари - Април 2024"_s},
        {u"5@20240105@20240110"_s, u"5@20240105@20240110"_s, u"05.01.2024 - 10.01.2024"_s},
    };
    int Changes = 0;
    Edit->OnChange = [&](QWidget*) { ++Changes; };
    for (const Case& C : Cases) {
        Edit->SetPeriod(C.Value);
        EXPECT_EQ(Edit->Period(), C.Period) << C.Value.toStdString();
        EXPECT_EQ(Edit->text(), C.Text) << C.Value.toStdString();
    }
    EXPECT_EQ(Changes, 8);
    Edit->SetShowYear(false);
    Edit->SetPeriod(u"1@3"_s);
    EXPECT_EQ(Edit->text(), u"Март"_s);

    // With only ranges offered, another kind becomes the current month as a range.
    Edit->SetVisiblePeriodTypes({ptRange});
    Edit->SetPeriod(u"1@5"_s);
    EXPECT_EQ(Edit->Period(), u"5@20240601@20240630"_s);
    Edit->SetVisiblePeriodTypes({});
    Edit->SetPeriod(u"1@5"_s);
    EXPECT_EQ(Edit->Period(), u""_s);
}

TEST_F(PeriodEditTest, ArrowsStepMonthsQuartersAndHalfYearsWithinTheirRange) {
    Edit->SetVisiblePeriodTypes({ptMonth, ptQuarter, ptHalfYear, ptRange, ptMonthRange});
    struct Case {
        QString Period;
        Qt::Key Key;
        QString Result;
    };
    const Case Cases[] = {{u"1@12"_s, Qt::Key_Up, u"1@12"_s},   {u"1@11"_s, Qt::Key_Up, u"1@12"_s},
                          {u"1@2"_s, Qt::Key_Down, u"1@1"_s},   {u"2@1"_s, Qt::Key_Down, u"2@1"_s},
                          {u"2@3"_s, Qt::Key_Up, u"2@4"_s},     {u"2@4"_s, Qt::Key_Up, u"2@4"_s},
                          {u"3@1"_s, Qt::Key_Up, u"3@2"_s},     {u"3@2"_s, Qt::Key_Up, u"3@2"_s},
                          {u"6@1@3"_s, Qt::Key_Up, u"6@1@3"_s}, {u"1@5"_s, Qt::Key_Delete, u""_s}};
    for (const Case& C : Cases) {
        Edit->SetPeriod(C.Period);
        QTest::keyClick(Edit, C.Key);
        EXPECT_EQ(Edit->Period(), C.Result) << C.Period.toStdString();
    }
    // Typing is off; a read-only edit beeps on the arrows and keeps its period.
    TBeepCounter Beeps;
    Edit->SetPeriod(u"1@5"_s);
    QTest::keyClicks(Edit, "7");
    EXPECT_EQ(Edit->text(), u"Май 2024"_s);
    Edit->SetReadOnly(true);
    QTest::keyClick(Edit, Qt::Key_Up);
    QTest::keyClick(Edit, Qt::Key_Delete);
    EXPECT_EQ(Edit->Period(), u"1@5"_s);
    EXPECT_FALSE(Edit->BitButton()->isEnabled());
    EXPECT_EQ(Beeps.Count(), 3);
}

TEST_F(PeriodEditTest, ClickingAMonthChoosesItAndCtrlClicksMakeARunOfMonths) {
    Edit->SetPeriod(u"1@3"_s);
    TPeriodDropForm* Form = Drop();
    EXPECT_EQ(Form->pgPeriodType->currentWidget(), Form->tabMonth);
    EXPECT_EQ(Form->lbMonths->currentRow(), 2);
    EXPECT_EQ(Form->lbMonths->item(0)->text(), u" Януари"_s);
    EXPECT_EQ(Form->dateFrom->text(), u"01.03.2024"_s);
    EXPECT_EQ(Form->dateTo->text(), u"31.03.2024"_s);
    EXPECT_TRUE(Form->pgPeriodType->isTabVisible(Form->pgPeriodType->indexOf(Form->tabRange)));
    EXPECT_FALSE(Form->pgPeriodType->isTabVisible(Form->pgPeriodType->indexOf(Form->tabQuarter)));

    ClickMonth(5, Qt::ControlModifier);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Edit->Period(), u"6@3@6"_s);

    // Up to the current month, the run ends today.
    Edit->SetPeriod(u"1@4"_s);
    Drop();
    ClickMonth(5, Qt::ControlModifier);
    EXPECT_EQ(Edit->Period(), u"6@4@6"_s);
    Drop();
    EXPECT_EQ(Form->dateFrom->text(), u"01.04.2024"_s);
    EXPECT_EQ(Form->dateTo->text(), u"10.06.2024"_s);
    ClickMonth(1);
    EXPECT_EQ(Edit->Period(), u"1@2"_s);
    EXPECT_EQ(Edit->text(), u"Февруари 2024"_s);
}

TEST_F(PeriodEditTest, ARangeEndingBeforeItStartsIsRefusedAndTheFormStaysOpen) {
    int Oks = 0, Cancels = 0;
    Edit->OnFormOk = [&](QWidget*) { ++Oks; };
    Edit->OnFormCancel = [&](QWidget*) { ++Cancels; };
    Edit->SetPeriod(u"5@20240110@20240120"_s);
    TPeriodDropForm* Form = Drop();
    EXPECT_EQ(Form->pgPeriodType->currentWidget(), Form->tabRange);
    EXPECT_EQ(Form->dateFrom->text(), u"10.01.2024"_s);
    Form->dateTo->setText(u"09.01.2024"_s);
    Form->actOk()->trigger();
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_EQ(Presenter.Texts()[0],
              u"Началната дата (10.01.2024) не може да е по-голяма от крайната (09.01.2024) !"_s);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Oks, 0);

    Form->dateTo->setText(u"15.02.2024"_s);
    Form->actOk()->trigger();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Edit->Period(), u"5@20240110@20240215"_s);
    EXPECT_EQ(Oks, 1);

    // Esc leaves the period alone.
    Drop();
    Form->dateTo->setText(u"16.02.2024"_s);
    Form->actCancel()->trigger();
    EXPECT_EQ(Edit->Period(), u"5@20240110@20240215"_s);
    EXPECT_EQ(Cancels, 1);
}

TEST_F(PeriodEditTest, ARangeWithAnEmptyOrImpossibleDateIsRefusedAndNeverReplaced) {
    int Oks = 0;
    Edit->OnFormOk = [&](QWidget*) { ++Oks; };
    Edit->SetPeriod(u"5@20240110@20240120"_s);
    struct Case {
        QString From, To, Message;
    };
    const Case Cases[] = {
        {u""_s, u""_s, u"Въведете дата!"_s},
        {u"10.01.2024"_s, u""_s, u"Въведете дата!"_s},
        {u"32.13.2026"_s, u"15.01.2026"_s, u"Невалидна дата \"32.13.2026\" !"_s},
        {u"10.01.2024"_s, u"31.04.2024"_s, u"Невалидна дата \"31.04.2024\" !"_s},
        {u"1.1.202"_s, u"15.01.2024"_s, u"Невалидна дата \"1.1.202\" !"_s},
    };
    TPeriodDropForm* Form = Drop();
    for (const Case& C : Cases) {
        Presenter.Clear();
        for (auto [Edit, Text] : {std::pair{Form->dateFrom, C.From}, std::pair{Form->dateTo, C.To}}) {
            Edit->clear();
            QTest::keyClicks(Edit, Text);
        }
        Form->actOk()->trigger();
        EXPECT_EQ(Presenter.Texts(), QStringList{C.Message}) << C.From.toStdString() << C.To.toStdString();
        EXPECT_TRUE(Form->isVisible());
        EXPECT_EQ(Form->dateFrom->text(), C.From);
        EXPECT_EQ(Form->dateTo->text(), C.To);
        EXPECT_EQ(Edit->Period(), u"5@20240110@20240120"_s);
    }
    EXPECT_EQ(Oks, 0);
    // A stored range whose dates cannot exist is no period.
    Form->actCancel()->trigger();
    Edit->SetPeriod(u"5@20261332@20260115"_s);
    EXPECT_EQ(Edit->Period(), u""_s);
    EXPECT_EQ(Edit->text(), u""_s);
}

TEST_F(PeriodEditTest, PeriodsBecomeDateCriteria) {
    struct Case {
        QString Period, Criterion;
    };
    const Case Cases[] = {{u"1@2"_s, u"01.02.2024:29.02.2024"_s},
                          {u"6@1@3"_s, u"01.01.2024:31.03.2024"_s},
                          {u"5@20230105@20230110"_s, u"05.01.2023:10.01.2023"_s},
                          {u"1@13"_s, u""_s},
                          {u"2@1"_s, u""_s},
                          {u""_s, u""_s}};
    for (const Case& C : Cases)
        EXPECT_EQ(PeriodToDateCriterion(C.Period), C.Criterion) << C.Period.toStdString();
}

TEST_F(PeriodEditTest, TheLastPeriodIsKeptPerConnectionWindowAndEdit) {
    TTempRegistry Registry;
    // Without a back end nothing is saved or loaded.
    Edit->SetPeriod(u"1@4"_s);
    EXPECT_EQ(ReadRegString(u"PERIOD_Kasa_frmReport_PeriodEdit"_s), u""_s);

    TNamedMControl Server;
    MControl = &Server;
    Edit->SetPeriod(u"1@5"_s);
    EXPECT_EQ(ReadRegString(u"PERIOD_Kasa_frmReport_PeriodEdit"_s), u"1@5"_s);

    TPeriodEdit Other(&Window);
    Other.setObjectName(u"PeriodEdit"_s);
    Other.Loaded();
    EXPECT_EQ(Other.Period(), u"1@5"_s);
    Other.LoadLastPeriod = false;
    Other.Loaded();
    EXPECT_EQ(Other.Period(), u"1@6"_s) << "the month of the accounting period";
}
