// The register of concluded deals: the lines of a period on a small shop, then the window via F8.

#include "shell/reports/un_Registyr_sdelki.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unRegistry.h"
#include "framework/printing/GridPreview.h"
#include "shell/app/MainForm.h"
#include "tests/support/ContractShop.h"
#include "tests/support/GridFit.h"
#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

// The period 23.02.2024 (45345) to 28.02.2024 (45350). Contract 1 (Мария, item 5, 30 days, due
// 23.03.2024) is open; contract 2 (Иван, item 6, 10 days, due 04.03.2024) is finished. A due date
// is the last day before the contract is overdue.
class DealsRegister : public ::testing::Test {
public:
    static constexpr int From = 45345, To = 45350;
    DealsRegister() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Exec(u"Insert into Contracts ( docno, date_c, code_i, Sum_c, M_IR, Duration, Finished, EGN, "
             "Dylzhimi_lihvi, Ednokratni_taxi, Dnevni_taxi ) values ( 1, 45345, 5, 500, 4, 30, False, 12345, "
             "20, 5, "
             "15 )"_s);
        Exec(u"Insert into Contracts ( docno, date_c, code_i, Sum_c, M_IR, Duration, Finished, EGN, "
             "Dylzhimi_lihvi, Ednokratni_taxi, Dnevni_taxi ) values ( 2, 45346, 6, 300, 6, 10, True, "
             "8001011234, "
             "12.5, 3, 9 )"_s);
        const struct {
            const char* Table;
            int DocNo, Day, Contract, Type;
            const char* Sum;
        } Orders[] = {
            {"Outcomes", 9, 45345, 1, 1, "500"},  {"Incomes", 9, 45345, 1, 6, "5"},
            {"Outcomes", 10, 45346, 2, 1, "300"}, {"Outcomes", 11, 45346, 2, 4, "40"},
            {"Incomes", 10, 45347, 2, 2, "12.5"}, {"Incomes", 8, 45347, 1, 2, "20"},
            {"Incomes", 11, 45348, 1, 1, "100"},  {"Incomes", 12, 45348, 1, 3, "7"},
            {"Incomes", 13, 45360, 1, 2, "20"},   {"Outcomes", 12, 45344, 1, 1, "1"},
        };
        for (const auto& O : Orders)
            Exec(Format(u"Insert into %s values ( %d, %d, %d, %d, %s, \"\", \"\", \"maria\" )"_s,
                        {QString::fromLatin1(O.Table), O.DocNo, O.Day, O.Contract, O.Type,
                         QString::fromLatin1(O.Sum)}));
    }
    TContractShop Shop;
};

const QString Maria = u"1@0000012345@Мария Георгиева@Пловдив ул. Главна 2"_s;
const QString MariasLoan = u"500.00@20.00@5.00@15.00@30@23.03.2024@Злато - Пръстен 585"_s;
const QString Ivan = u"2@8001011234@Иван Петров Иванов@София ул. Витоша 1"_s;
const QString IvansLoan = u"300.00@12.50@3.00@9.00@10@04.03.2024@Злато - Верижка"_s;

QStringList Records(const TDelimitedStringList& List) {
    QStringList Texts;
    for (int R = 0; R < List.Count(); ++R)
        Texts += List.Get(R);
    return Texts;
}

} // namespace

TEST_F(DealsRegister, LinesComeInDateKindAndOrderNumberOrder) {
    TDelimitedStringList Rows;
    DealsRegisterRows(nullptr, From, To, Rows);
    EXPECT_EQ(Records(Rows),
              (QStringList{
                  // The payout and the fee receipt share the day and the number: the payout first.
                  Maria + u"@23.02.2024@9@"_s + MariasLoan + u"@@@@@@@@"_s,
                  Maria + u"@23.02.2024@@"_s + MariasLoan + u"@23.02.2024@9@6@Оценка@5.00@@@"_s,
                  Ivan + u"@24.02.2024@10@"_s + IvansLoan + u"@@@@@@@@"_s,
                  // Receipt 8 before receipt 10 of the same day; only the open contract's interest
                  // extends its term.
                  Maria + u"@23.02.2024@@"_s + MariasLoan +
                      u"@25.02.2024@8@2@лихва@20.00@платена лихва@25.03.2024@"_s,
                  Ivan + u"@24.02.2024@@"_s + IvansLoan + u"@25.02.2024@10@2@лихва@12.50@@@"_s,
                  Maria + u"@23.02.2024@@"_s + MariasLoan + u"@26.02.2024@11@1@главница@100.00@@@"_s,
              }));
}

TEST_F(DealsRegister, FailingStatementGivesNoLines) {
    Exec(u"Drop table Taxes"_s);
    TDelimitedStringList Rows;
    EXPECT_THROW(DealsRegisterRows(nullptr, From, To, Rows), EDatabaseError);
    EXPECT_EQ(Rows.Count(), 0);
}

TEST(DealsRegisterMenu, BothRegistersStandInTheOrdinanceSubmenu) {
    const QStringList Names{u"N_Registyr_sdelki"_s, u"N_Registyr_prodazhbi"_s};
    for (const TMenuCommand& Command : MenuCommands())
        if (Names.contains(Command.Name))
            EXPECT_EQ(Command.Menu, u"&Справки/Наредба за дейността на заложните къщи"_s);
    TContractShop Shop(QStringLiteral(LENDORA_SOURCE_DIR));
    FreeAdoConnection();
    TMainForm Form(nullptr, Shop.Path());
    for (const QString& Name : Names) {
        auto* Action = Form.findChild<QAction*>(Name);
        ASSERT_NE(Action, nullptr);
        auto* Submenu = qobject_cast<QMenu*>(Action->parent());
        ASSERT_NE(Submenu, nullptr);
        EXPECT_EQ(Submenu->title(), u"Наредба за дейността на заложните къщи"_s);
        QMenu* Reports = nullptr;
        for (QAction* Entry : Form.menuBar()->actions())
            if (Entry->text() == u"&Справки"_s) Reports = Entry->menu();
        ASSERT_NE(Reports, nullptr);
        EXPECT_TRUE(Reports->actions().contains(Submenu->menuAction()));
    }
}

TEST_F(DealsRegister, WindowRunsOnF8WithTheJournalsDates) {
    WriteRegString(u"frmOperacii_dtp_From"_s, QString::number(From));
    WriteRegString(u"frmOperacii_dtp_To"_s, QString::number(To));
    TScriptedPresenter Presenter;
    QMainWindow Host;
    Host.setCentralWidget(new QMdiArea(&Host));
    Host.resize(1200, 600);
    ShowAndActivate(&Host);
    auto* Form = CreateForm<Tfrm_Registyr_sdelki>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    QApplication::processEvents();
    EXPECT_EQ(Form->pnlCaption->text(), u"РЕГИСТЪР НА СКЛЮЧЕНИТЕ СДЕЛКИ"_s);
    EXPECT_EQ(Form->GetReportTitle(), u"Приложение N: 2 към чл. 10, ал. 1"_s);
    QTest::keyClick(Form->dtp_From, Qt::Key_F8);
    QApplication::processEvents();
    TRichGrid* G = Form->Grid;
    ASSERT_EQ(G->RowCount(), 3 + 6);
    EXPECT_EQ(G->Rows(3).join(u'@'), Maria + u"@23.02.2024@9@"_s + MariasLoan + u"@@@@@@@@"_s);
    // A payout line has nothing under the execution of the obligation, not even 0.00; a receipt
    // line shows its amount.
    QString Shown;
    GetGridCellText(G, 17, 3, Shown);
    EXPECT_EQ(Shown, QString());
    for (int R = 4; R < G->RowCount(); ++R)
        if (!G->Cells(13, R).isEmpty()) {
            GetGridCellText(G, 17, R, Shown);
            EXPECT_EQ(Shown, RoundedText(G->Cells(17, R), 2)) << R;
            EXPECT_FALSE(Shown.isEmpty()) << R;
        }
    EXPECT_EQ(CutCells(G), QStringList());
    Form->dtp_To->setFocus();
    Form->dtp_To->SetDate(From);
    Form->RunDone();
    delete Form->Container();
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_To"_s), QString::number(From));
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

// A long address is wrapped within its column on paper: the register keeps a type above the
// smallest readable one, on one page, every column printed.
TEST_F(DealsRegister, F9WrapsALongAddressRatherThanShrinkingTheRegister) {
    Exec(u"Update Owners Set Address = \"ул. Дълга улица с номер, вход, етаж и апартамент 12345 в самия край "
         u"на града\" "
         "Where EGN = 12345"_s);
    WriteRegString(u"frmOperacii_dtp_From"_s, QString::number(From));
    WriteRegString(u"frmOperacii_dtp_To"_s, QString::number(To));
    TScriptedPresenter Presenter;
    TPdfPrinterScope Pdf;
    QMainWindow Host;
    Host.setCentralWidget(new QMdiArea(&Host));
    Host.resize(1200, 600);
    ShowAndActivate(&Host);
    auto* Form = CreateForm<Tfrm_Registyr_sdelki>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    QApplication::processEvents();
    QTest::keyClick(Form->dtp_From, Qt::Key_F8);
    QApplication::processEvents();
    const TPrintDialogHook Previous = SetPrintDialogHook([](TPrintRequest&, int) { return true; });
    WhenModalShown("TfmPrintPreview", [](QWidget* Preview) {
        QTest::keyClick(Preview, Qt::Key_F9);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Preview->isActiveWindow(); }));
        QTest::keyClick(Preview, Qt::Key_Escape);
    });
    QTest::keyClick(Form->Grid, Qt::Key_F9);
    SetPrintDialogHook(Previous);
    Form->RunDone();
    delete Form->Container();

    const QStringList Pages = PdfPageTexts(Pdf.FileName());
    EXPECT_EQ(Pages.size(), 1);
    for (int P = 0; P < Pages.size(); ++P)
        EXPECT_TRUE(Pages[P].contains(u"Стр.: %1 / %2"_s.arg(P + 1).arg(Pages.size()))) << P;
    EXPECT_TRUE(Pages.join(u'\n').contains(u"Удължаване срока на"_s));
    double PageLine = 0, Smallest = 1000, Street = -1, Town = -1;
    for (const TPdfWord& W : PdfWords(Pdf.FileName())) {
        if (W.Text == u"Стр.:"_s) PageLine = W.Box.height();
        Smallest = std::min(Smallest, W.Box.height());
        if (W.Text == u"Дълга"_s && Street < 0) Street = W.Box.top();
        if (W.Text == u"града"_s && Town < 0) Town = W.Box.top();
    }
    ASSERT_GT(PageLine, 0);
    ASSERT_GE(Street, 0);
    // The address goes on below its first line; the page line is set at 10 points.
    EXPECT_GT(Town, Street + 0.5 * Smallest);
    EXPECT_GT(Smallest, 0.65 * PageLine);
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}
