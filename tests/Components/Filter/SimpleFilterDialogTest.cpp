#include "Components/Filter/SimpleFilterDialog.h"

#include "Components/Filter/FilterEngine.h"
#include "Components/PeriodEdit/PeriodEdit.h"
#include "core/unNumbers.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

QDateTime FixedNow() {
    return QDateTime(QDate(2024, 6, 10), QTime(9, 0));
}

// A window's fields: a number, a text, a pick list, a date, and a group with a text under it.
struct TFields {
    TFields() {
        Root.Name = u"Договори"_s;
        Add(&Root, u"Сума"_s, TFieldProps::ftNumber, 3);
        Add(&Root, u"Клиент"_s, TFieldProps::ftText, 1);
        TFieldProps* Kind = Add(&Root, u"Вид"_s, TFieldProps::ftNumber, 4);
        Kind->PickList = QStringList{u"Злато"_s, u"Техника"_s};
        Kind->UsePickList = true;
        Add(&Root, u"Дата"_s, TFieldProps::ftDate, 2);
        TFieldProps* Group = Root.Add();
        Group->Name = u"Вещ"_s;
        Add(Group, u"Описание"_s, TFieldProps::ftText, 5);
    }
    static TFieldProps* Add(TFieldProps* Parent, const QString& Name, int Type, int Col) {
        TFieldProps* Field = Parent->Add();
        Field->Name = Name;
        Field->FieldType = quint8(Type);
        Field->ColIndex = Col;
        return Field;
    }
    TFieldProps Root;
};

class SimpleFilterDialogTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock(FixedNow); }
    void TearDown() override { SetClock(nullptr); }
    TScriptedPresenter Presenter;
};

QLineEdit* Edit(TfrmSimpleFilter& Dialog, int Index) {
    return qobject_cast<QLineEdit*>(Dialog.Input(Index));
}

QStringList Texts(const TLineConv& Criteria) {
    QStringList Result;
    for (int I = 0; I < Criteria.Count(); ++I)
        Result << Criteria.Get(I) + (Criteria.GetObject(I) ? u""_s : u"(none)"_s);
    return Result;
}

} // namespace

TEST_F(SimpleFilterDialogTest, EachFieldGetsTheInputOfItsType) {
    TFields Fields;
    TfrmSimpleFilter Dialog(&Fields.Root);
    ASSERT_EQ(Dialog.Fields().Count(), 5);
    EXPECT_EQ(Dialog.Fields().Get(4), u"Договори - Вещ - Описание"_s);
    EXPECT_NE(Edit(Dialog, 0), nullptr);
    EXPECT_NE(Edit(Dialog, 1), nullptr);
    auto* Combo = qobject_cast<QComboBox*>(Dialog.Input(2));
    ASSERT_NE(Combo, nullptr);
    EXPECT_EQ(Combo->count(), 2);
    EXPECT_EQ(Combo->currentIndex(), -1);
    EXPECT_NE(qobject_cast<TPeriodEdit*>(Dialog.Input(3)), nullptr);
    // The labels leave out the window's caption.
    QStringList Labels;
    for (QLabel* Label : Dialog.ScrollBox->widget()->findChildren<QLabel*>())
        Labels << Label->text();
    EXPECT_TRUE(Labels.contains(u"Вещ - Описание"_s));
    EXPECT_TRUE(Labels.contains(u"Сума"_s));
    // Fields fill the rows of two columns; each input sits under its label.
    EXPECT_EQ(Dialog.ColumnCount(), 2);
    EXPECT_EQ(Dialog.RowCount(), 3);
    EXPECT_EQ(Dialog.Input(2)->x(), Dialog.Input(0)->x());
    EXPECT_GT(Dialog.Input(1)->x(), Dialog.Input(0)->x());
    EXPECT_GT(Dialog.Input(2)->y(), Dialog.Input(1)->y());
    EXPECT_EQ(Dialog.windowTitle(), u"Филтър"_s);
    EXPECT_EQ(Dialog.btnOk->text(), u"F2-Филтриране"_s);
}

TEST_F(SimpleFilterDialogTest, ManyFieldsTakeMoreColumnsSoThatTheDialogStaysLow) {
    for (const int Count : {1, 12, 20, 40, 90}) {
        TFieldProps Root;
        Root.Name = u"Списък"_s;
        for (int I = 0; I < Count; ++I)
            TFields::Add(&Root, QString::number(I), TFieldProps::ftText, I);
        TfrmSimpleFilter Dialog(&Root);
        const int RowHeight = 3 * QFontMetrics(Dialog.font()).height();
        const int Room = 480 - 34;
        EXPECT_LE(Dialog.RowCount() * RowHeight, Room) << Count;
        if (Dialog.ColumnCount() > 2) {
            const int Fewer = Dialog.ColumnCount() - 1;
            EXPECT_GT((Count + Fewer - 1) / Fewer * RowHeight, Room) << Count;
        }
        EXPECT_EQ(Dialog.RowCount(), (Count + Dialog.ColumnCount() - 1) / Dialog.ColumnCount());
        // Field i: column i mod columns, row i div columns.
        const int Last = Count - 1;
        EXPECT_EQ(Dialog.Input(Last)->x(), Dialog.Input(Last % Dialog.ColumnCount())->x());
    }
}

TEST_F(SimpleFilterDialogTest, ApplyGivesOneCriterionAndFilterPerField) {
    TFields Fields;
    TfrmSimpleFilter Dialog(&Fields.Root);
    TLineConv Criteria;
    Dialog.SetCriteria(&Criteria);

    // Nothing chosen: no filter at all.
    Dialog.Apply();
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Criteria.Count(), 0);

    // An unchosen pick list next to a filled edit has an entry without a filter.
    Edit(Dialog, 1)->setText(u"~иван"_s);
    Dialog.Apply();
    EXPECT_EQ(Texts(Criteria), QStringList({u""_s, u"~иван"_s, u"(none)"_s, u""_s, u""_s}));
    EXPECT_EQ(Fields.Root.Children(1)->Criterion, u"~иван"_s);
    EXPECT_TRUE(static_cast<TFilterMan*>(Criteria.GetObject(1))->Matches(u"Иван Петров"_s));

    // A pick list filters by the index of the chosen text; a period by its dates.
    qobject_cast<QComboBox*>(Dialog.Input(2))->setCurrentIndex(1);
    qobject_cast<TPeriodEdit*>(Dialog.Input(3))->SetPeriod(u"1@2"_s);
    Dialog.Apply();
    EXPECT_EQ(Criteria.Get(2), u"1"_s);
    EXPECT_EQ(Criteria.Get(3), u"01.02.2024:29.02.2024"_s);
    const auto* Date = static_cast<TFilterMan*>(Criteria.GetObject(3));
    EXPECT_TRUE(Date->Matches(u"20240229"_s));
    EXPECT_FALSE(Date->Matches(u"20240301"_s));

    // Clear empties the inputs and the criteria at once.
    Dialog.ClearInputs();
    EXPECT_EQ(Criteria.Count(), 0);
    EXPECT_EQ(Edit(Dialog, 1)->text(), u""_s);
    EXPECT_EQ(qobject_cast<QComboBox*>(Dialog.Input(2))->currentIndex(), -1);
    EXPECT_EQ(qobject_cast<TPeriodEdit*>(Dialog.Input(3))->Period(), u""_s);
}

TEST_F(SimpleFilterDialogTest, AnUnreadableCriterionIsReportedAndTheCriteriaStay) {
    TFields Fields;
    TfrmSimpleFilter Dialog(&Fields.Root);
    TLineConv Criteria;
    Dialog.SetCriteria(&Criteria);
    Edit(Dialog, 0)->setText(u"100:"_s);
    Dialog.Apply();
    ASSERT_EQ(Criteria.Count(), 5);
    Dialog.setResult(0);
    Edit(Dialog, 0)->setText(u"abc:"_s);
    Edit(Dialog, 1)->setText(u"x"_s);
    Dialog.Apply();
    // In the operator's language, naming the criterion and its field.
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Критерият \"abc:\" за \"Сума\" не може да бъде разчетен!"_s});
    EXPECT_EQ(Dialog.result(), 0);
    EXPECT_EQ(Criteria.Get(0), u"100:"_s);
    EXPECT_EQ(Criteria.Get(1), u""_s);
}

TEST_F(SimpleFilterDialogTest, KeysApplyClearLeaveAndWalkTheInputs) {
    TFields Fields;
    TfrmSimpleFilter Dialog(&Fields.Root);
    TLineConv Criteria;
    Dialog.SetCriteria(&Criteria);
    QTimer::singleShot(0, [&] {
        auto leave = qScopeGuard([&] { Dialog.reject(); });
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
        EXPECT_EQ(QApplication::focusWidget(), Dialog.Input(0));
        // Enter moves on; on the pick list it does nothing else.
        QTest::keyClick(Dialog.Input(0), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), Dialog.Input(1));
        QTest::keyClick(Dialog.Input(1), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), Dialog.Input(2));
        QTest::keyClick(Dialog.Input(2), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), Dialog.Input(3));
        EXPECT_TRUE(Dialog.isVisible());
        Edit(Dialog, 1)->setText(u"а"_s);
        QTest::keyClick(Dialog.Input(3), Qt::Key_F5);
        EXPECT_EQ(Edit(Dialog, 1)->text(), u""_s);
        EXPECT_TRUE(Dialog.isVisible());
        Edit(Dialog, 0)->setText(u"5"_s);
        QTest::keyClick(Dialog.Input(3), Qt::Key_F2);
        leave.dismiss();
    });
    EXPECT_EQ(Dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Criteria.Get(0), u"5"_s);

    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Dialog));
        QTest::keyClick(Dialog.Input(0), Qt::Key_Escape);
        if (Dialog.isVisible()) Dialog.done(99);
    });
    Edit(Dialog, 0)->setText(u"7"_s);
    EXPECT_EQ(Dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(Criteria.Get(0), u"5"_s);
}
