#include "framework/forms/FormHide.h"

#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/PeriodEdit/PeriodEdit.h"
#include "core/uDelimitedStrings.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"
#include "tests/framework/forms/FormHost.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

QDateTime FixedNow() {
    return QDateTime(QDate(2024, 6, 10), QTime(9, 0));
}

// A list window's grid: number, date, customer, amount, a status image and an empty column;
// the last row is a totals row.
void FillList(TRichGrid& Grid) {
    Grid.SetColCount(6);
    Grid.SetFixedCols(0);
    Grid.SetFixedRows(1);
    Grid.SetRowCount(7);
    Grid.SetRows(0, {u"Номер"_s, u"Дата"_s, u"Клиент"_s, u"Сума"_s, u"Статус"_s, u"Бележка"_s});
    const QStringList Rows[] = {{u"1"_s, u"05.03.2024"_s, u"Иван Петров"_s, u"120.00"_s},
                                {u"2"_s, u"02.02.2024"_s, u"Мария Илиева"_s, u"9.50"_s},
                                {u"3"_s, u"04.03.2024"_s, u"Георги Иванов"_s, u"10.00"_s},
                                {u"4"_s, u"01.03.2024"_s, u"Иван Стоянов"_s, u"250.25"_s},
                                {u"5"_s, u"04.03.2024"_s, u"Анна Колева"_s, u"75.00"_s}};
    for (int R = 0; R < 5; ++R) {
        Grid.SetRows(R + 1, Rows[R]);
        Grid.CellAttributes(4, R + 1)->SetBitmap(R % 2);
    }
    Grid.ColAttributes(4)->SetBitmapDrawMode(bmCenter);
    Grid.SetRows(6, {FilterTotalsText, u""_s, u""_s, u"464.75"_s});
    Grid.RowAttributes(6)->SetBackColor(TotalsRowColor);
    for (int C = 0; C < 6; ++C)
        Grid.SetColWidths(C, 80);
}

QStringList Column(TRichGrid& Grid, int Col) {
    QStringList Texts;
    for (int R = Grid.FixedRows(); R < Grid.RowCount(); ++R)
        Texts << Grid.Cells(Col, R);
    return Texts;
}

// The progress steps a window is sent, as (done, total).
class TProgressRecorder : public QObject {
public:
    QList<std::pair<int, int>> Steps;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == evProgress) {
            const auto* Progress = static_cast<TProgressEvent*>(Event);
            Steps.append({Progress->Done, Progress->Total});
        }
        return false;
    }
};

class FormHideTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(FixedNow);
        FillList(List);
        Dialog.reset(CreateForm<TformHide>(&Host, TMAccountForm::fsNormal));
        Dialog->SetGrid(&List);
    }
    void TearDown() override {
        Dialog->RunDone();
        SetClock(nullptr);
    }
    QPoint CellCenter(int Col, int Row) { return Dialog->RichGrid1->CellRect(Col, Row).center(); }

    TScriptedPresenter Presenter;
    TFormHost Host;
    TRichGrid List;
    std::unique_ptr<TformHide> Dialog;
};

} // namespace

TEST(HideCriteria, FieldsAreComparedByTheKindOfTheirColumn) {
    SetClock(FixedNow);
    struct Case {
        const char* Criterion;
        const char* Field;
        QChar Kind;
        bool Passes;
    };
    const Case Cases[] = {
        {"", "anything", hkText, true},
        {"иван", "Иван Петров", hkText, true},
        {"петров", "Иван Стоянов", hkText, false},
        {"б:г", "Вера", hkText, true},
        {"б:г", "Анна", hkText, false},
        {"10:100", "9.50", hkNumber, false},
        {"10:100", "75", hkNumber, true},
        {"10:", "9,5", hkNumber, false},
        {":10", "1 000", hkNumber, false},
        {"75", "75.00", hkNumber, true},
        {"01.03.2024:04.03.2024", "04.03.2024", hkDate, true},
        {"01.03.2024:04.03.2024", "05.03.2024", hkDate, false},
        {"1@2", "29.02.2024", hkDate, true},
        {"1@2", "01.03.2024", hkDate, false},
        {"6@1@3", "31.03.2024", hkDate, true},
        {"5@20240301@20240302", "02.03.2024", hkDate, true},
        {"2@1", "01.01.2024", hkDate, false},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(HideCriterionMatches(QString::fromUtf8(C.Criterion), QString::fromUtf8(C.Field), C.Kind),
                  C.Passes)
            << C.Criterion << " on " << C.Field;
    SetClock(nullptr);
}

TEST(HideCriteria, LaterKeysOrderOnlyTheRecordsEarlierKeysCannotTellApart) {
    TDelimitedStringList List;
    for (const char* Record : {"a@2@x", "b@1@y", "a@10@z", "b@1@w", "a@2@v"})
        List.Add(QString::fromUtf8(Record));
    SortRecordsByKeys(List, {{0, true}, {1, false}, {2, true}});
    QStringList Records;
    for (int I = 0; I < List.Count(); ++I)
        Records << List.Get(I);
    EXPECT_EQ(Records, QStringList({u"a@10@z"_s, u"a@2@v"_s, u"a@2@x"_s, u"b@1@w"_s, u"b@1@y"_s}));
}

TEST(HideCriteria, DatesSortAsDatesAndTextsFoldTheirCase) {
    TDelimitedStringList List;
    for (const char* Record : {"01.02.2024@Петров", "15.01.2023@иванов", "31.12.2022@Борисов"})
        List.Add(QString::fromUtf8(Record));
    auto Sorted = [&](int Col) {
        SortRecordsByKeys(List, {{Col, true}});
        QStringList Fields;
        for (int I = 0; I < List.Count(); ++I)
            Fields << List.GetField(I, Col);
        return Fields;
    };
    EXPECT_EQ(Sorted(0), QStringList({u"31.12.2022"_s, u"15.01.2023"_s, u"01.02.2024"_s}));
    EXPECT_EQ(Sorted(1), QStringList({u"Борисов"_s, u"иванов"_s, u"Петров"_s}));
}

TEST_F(FormHideTest, CopiesTheHeaderAndKnowsTheKindOfEveryColumn) {
    TRichGrid* Grid = Dialog->RichGrid1;
    EXPECT_EQ(Dialog->ColumnKinds(), u"430420"_s);
    EXPECT_EQ(Grid->Cells(2, 0), u"Клиент"_s);
    EXPECT_EQ(Grid->FixedRows(), 2);
    EXPECT_EQ(Grid->RowCount(), 3);
    EXPECT_EQ(Dialog->EyeRow(), 1);
    EXPECT_EQ(Dialog->SortRow(), 2);
    for (int C = 0; C < 6; ++C)
        EXPECT_TRUE(Dialog->ColumnShown(C));

    Dialog->SetSettings(u"312"_s);
    EXPECT_EQ(Grid->Cells(1, 2), u"Възходящ"_s);
    EXPECT_EQ(Grid->Cells(2, 2), u"Низходящ"_s);
    EXPECT_EQ(Dialog->GetSettings(), u"312333"_s);
}

TEST_F(FormHideTest, ClicksToggleTheEyeChooseTheSortAndOpenThePeriod) {
    TRichGrid* Grid = Dialog->RichGrid1;
    Dialog->show();
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, CellCenter(2, 1));
    EXPECT_FALSE(Dialog->ColumnShown(2));
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, CellCenter(2, 1));
    EXPECT_TRUE(Dialog->ColumnShown(2));

    Dialog->ClickCell(3, Dialog->SortRow());
    ASSERT_TRUE(Dialog->cbSortType->isVisible());
    EXPECT_EQ(Dialog->cbSortType->currentIndex(), 2);
    Dialog->cbSortType->setCurrentIndex(1);
    Dialog->ClickCell(0, 0);
    EXPECT_FALSE(Dialog->cbSortType->isVisible());
    EXPECT_EQ(Grid->Cells(3, Dialog->SortRow()), u"Низходящ"_s);
    // The third item empties the cell; an image column takes no choice at all.
    Dialog->ClickCell(3, Dialog->SortRow());
    Dialog->cbSortType->setCurrentIndex(2);
    Dialog->ClickCell(4, Dialog->SortRow());
    EXPECT_EQ(Grid->Cells(3, Dialog->SortRow()), u""_s);
    EXPECT_FALSE(Dialog->cbSortType->isVisible());
    EXPECT_EQ(Dialog->GetSettings(), u"333333"_s);

    // Criteria rows: at most three; a date cell gets the period edit, others are typed in.
    for (int I = 0; I < 4; ++I)
        Dialog->sbtnAdd->click();
    EXPECT_EQ(Dialog->CriteriaRowCount(), 3);
    Dialog->ClickCell(1, Dialog->FirstCriteriaRow());
    ASSERT_TRUE(Dialog->PeriodEdit->isVisible());
    EXPECT_EQ(Dialog->PeriodEdit->Period(), u"6@1@12"_s);
    Dialog->PeriodEdit->SetPeriod(u"1@3"_s);
    Dialog->ClickCell(2, Dialog->FirstCriteriaRow());
    EXPECT_FALSE(Dialog->PeriodEdit->isVisible());
    EXPECT_EQ(Grid->Cells(1, Dialog->FirstCriteriaRow()), u"1@3"_s);
    EXPECT_EQ(Grid->GetDisplayText(1, Dialog->FirstCriteriaRow()), u"Март 2024"_s);
    EXPECT_TRUE(Grid->Options().Contains(goEditing));
    Dialog->sbtnDel->click();
    EXPECT_EQ(Dialog->CriteriaRowCount(), 2);
}

TEST_F(FormHideTest, SaveHidesFiltersSortsAndWritesTheRowsBack) {
    Dialog->SetSettings(u"333233"_s);
    Dialog->ClickCell(0, Dialog->EyeRow());
    Dialog->cbNullCol->setChecked(true);
    Dialog->AddCriteriaRow();
    Dialog->AddCriteriaRow();
    TRichGrid* Grid = Dialog->RichGrid1;
    // Either row lets a record through: a March amount above 10, or a customer with "мария".
    Grid->SetCells(3, Dialog->FirstCriteriaRow(), u"11:"_s);
    Grid->SetCells(1, Dialog->FirstCriteriaRow(), u"1@3"_s);
    Grid->SetCells(2, Dialog->FirstCriteriaRow() + 1, u"мария"_s);
    TProgressRecorder Progress;
    Dialog->installEventFilter(&Progress);
    ASSERT_TRUE(Dialog->Save());
    Dialog->removeEventFilter(&Progress);
    EXPECT_TRUE(Dialog->Accepted());
    // The filter counts the five records from the first to the last.
    EXPECT_EQ(Progress.Steps, (QList<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));

    EXPECT_EQ(Column(List, 3), QStringList({u"250.25"_s, u"120.00"_s, u"75.00"_s, u"9.50"_s}));
    EXPECT_EQ(Column(List, 0), QStringList({u"4"_s, u"1"_s, u"5"_s, u"2"_s}));
    // Images travel with their rows.
    EXPECT_EQ(List.ReadCellAttributes(4, 1)->Bitmap(), 1);
    EXPECT_EQ(List.ReadCellAttributes(4, 2)->Bitmap(), 0);
    EXPECT_EQ(List.Cells(4, 1), u""_s);
    EXPECT_EQ(List.ColWidths(0), 0);
    EXPECT_EQ(List.ColWidths(5), 0) << "no value in any row";
    EXPECT_GT(List.ColWidths(2), 0);
    EXPECT_EQ(Dialog->Criteria().Count(), 2);
    // The period keeps its parts inside the "@"-separated record.
    EXPECT_EQ(Dialog->Criteria().GetField(0, 1), u"1|3"_s);
    Dialog->SetCriteria(&Dialog->Criteria());
    EXPECT_EQ(Dialog->RichGrid1->Cells(1, Dialog->FirstCriteriaRow()), u"1@3"_s);
    EXPECT_EQ(Dialog->Criteria().GetField(1, 2), u"мария"_s);
}

TEST_F(FormHideTest, AnEmptyResultLeavesOneBlankRow) {
    Dialog->AddCriteriaRow();
    Dialog->RichGrid1->SetCells(2, Dialog->FirstCriteriaRow(), u"Няма такъв"_s);
    ASSERT_TRUE(Dialog->Save());
    EXPECT_EQ(List.RowCount(), 2);
    EXPECT_EQ(List.Cells(0, 1), u""_s);
}
