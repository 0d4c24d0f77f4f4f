// The road of a new pledge contract, as the operator walks it: sign in, open the contract window
// from the main menu, pick the borrower and the item, type the amount and the term, F4, F2, and
// print the contract.

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/un_Contracts.h"
#include "core/unAmountWords.h"
#include "core/unDatabase.h"
#include "shell/app/MainForm.h"
#include "shell/app/SignIn.h"
#include "tests/support/ContractShop.h"
#include "tests/support/FakeOfficePrinter.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

class ContractRoad : public ::testing::Test {
protected:
    ContractRoad() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        FreeAdoConnection();
        Main = std::make_unique<TMainForm>(nullptr, Shop.Path());
        Main->resize(1280, 860);
        Main->show();
        Main->activateWindow();
        (void)QTest::qWaitForWindowActive(Main.get());
    }

    // Into the focused field, as the operator types: a number field selects its text on entry.
    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        TypeText(Field, Text);
    }

    void Press(QWidget* Target, QKeyCombination Key) {
        QTest::keyClick(Target, Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }

    // Everything up to the saved contract; the steps check as they go.
    void IssueContract() {
        TSignInDialog SignIn(Main.get());
        SignIn.findChild<QLineEdit*>(u"edUserName"_s)->setText(u"MARIA"_s);
        SignIn.findChild<QLineEdit*>(u"edPassword"_s)->setText(u"tajna1"_s);
        SignIn.accept();
        ASSERT_EQ(SignIn.UserName(), u"maria"_s);
        Main->SetUserName(SignIn.UserName());

        Main->findChild<QAction*>(u"CutItem"_s)->trigger();
        ASSERT_EQ(Main->MdiArea()->subWindowList().size(), 1);
        QMdiSubWindow* Sub = Main->MdiArea()->subWindowList()[0];
        Form = qobject_cast<TfrmContracts*>(Sub->widget());
        ASSERT_NE(Form, nullptr);
        EXPECT_TRUE(Sub->isMaximized());
        EXPECT_EQ(Sub->windowTitle(), u"Договор за залог"_s);
        EXPECT_EQ(Form->pnlCaption->text(), u"ДОГОВОР ЗА ЗАЛОГ"_s);
        EXPECT_EQ(Form->TableName, u"Contracts"_s);
        EXPECT_EQ(Form->KeyField, u"docno"_s);
        EXPECT_EQ(Form->UserName, u"maria"_s);
        EXPECT_EQ(Form->feDocNo->text(), u"1"_s);
        EXPECT_EQ(Form->dtDate_c->date(), QDate(2024, 3, 1));

        Type(Form->leOwner, u"8001011234"_s);
        Type(Form->leItem, u"5"_s);
        Type(Form->feSum_c, u"1000"_s);
        Type(Form->feDuration, u"30"_s);
        Type(Form->edNotes, u"златен пръстен"_s);

        EXPECT_EQ(Form->pnlOwner->text(), u"Иван Петров Иванов"_s);
        EXPECT_EQ(Form->labPref_code->text(), u"1"_s);
        EXPECT_EQ(Form->pnlSN->text(), u"Пръстен 585"_s);
        // 3 % a month: 0.001 a day, 1.00 лв. a day on 1000.00, 30.00 for the term.
        EXPECT_EQ(Form->feM_IR->text(), u"3.00"_s);
        EXPECT_EQ(Form->dtDate_to->date(), QDate(2024, 3, 30));
        EXPECT_EQ(Form->lab_Dylzhimi_lihvi->text(), u"Дължими лихви: 30.00 лв. (1.00 лв./ден) "_s);
        EXPECT_EQ(Form->lab_Ednokratni_taxi->text(),
                  u"Еднократни такси: 10.00 лв. (в т.ч. Оценка 10.00 лв.)"_s);
        EXPECT_EQ(Form->Lab_Dnevni_taksi->text(),
                  u"Дневни такси: 30.00 лв. (в т.ч. Съхранение 30.00 лв. (1.00лв./ден))"_s);
        EXPECT_EQ(Form->labTotal->text(), u"  1 070.00 лв."_s);

        Press(Form->edNotes, Qt::Key_F4);
        ASSERT_EQ(Form->PendingSql.size(), 2) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(Form->feDocNo->text(), u"2"_s);
        EXPECT_EQ(Form->Grid->Cells(0, 2), u"1"_s);
        EXPECT_EQ(Form->Grid->Cells(14, 2), u"1070.00"_s);
        // Nothing is written before Save.
        EXPECT_EQ(QueryText(u"Select count(*) From Contracts"_s), u"0"_s);

        Press(Form->edNotes, Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(
            QueryText(u"Select * From Contracts"_s),
            u"1@01.03.2024@5@1000@3@30@златен пръстен@False@30.12.1899@False@30.12.1899@8001011234@False@"
            "30.12.1899@0@False@30@10@30@0"_s);
        EXPECT_EQ(QueryText(u"Select * From Outcomes Order By docno"_s),
                  u"7@29.02.2024@0@3@5@Собственик@@maria°"
                  "8@01.03.2024@1@1@1000@Иван Петров Иванов@Мария Колева@maria"_s);
        // The saved list shows the contract.
        ASSERT_EQ(Form->Grid->RowCount(), 3);
        EXPECT_EQ(Form->Grid->Cells(10, 2), u"Иван Петров Иванов"_s);
        Form->Grid->SetRow(2);
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    TFakeOfficePrinter Printer;
    std::unique_ptr<TMainForm> Main;
    TfrmContracts* Form = nullptr;
};

TEST_F(ContractRoad, SignInIssueSaveAndPrintAPledgeContract) {
    IssueContract();
    if (HasFailure()) return;
    Press(Form->Grid, QKeyCombination(Qt::CTRL, Qt::Key_F9));
    ASSERT_EQ(Printer.Jobs.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    const QString Contract = Printer.Jobs[0].Paragraphs.join(u'\n');
    for (const QString& Expected :
         {u"№ 1\n"_s, u"Иван Петров Иванов, ЕГН 8001011234"_s,
          u"1000.00 лв. (словом: "_s + AmountToWords(false, 1000), u"общо 1070.00 лв."_s})
        EXPECT_TRUE(Contract.contains(Expected)) << Expected.toStdString() << "\n" << Contract.toStdString();
    EXPECT_TRUE(Printer.Jobs[0].Printer.isEmpty());
}

// Labelled "office" in CTest: the same road, the printed contract read back from its PDF.
class OfficeConversion : public ContractRoad {};

QString PdfText(const QString& Pdf) {
    QProcess Process;
    Process.start(u"pdftotext"_s, {u"-layout"_s, Pdf, u"-"_s});
    Process.waitForFinished(60000);
    return QString::fromUtf8(Process.readAllStandardOutput()).simplified();
}

TEST_F(OfficeConversion, ContractIssuedOnTheRoadPrintsToPdf) {
    if (QStandardPaths::findExecutable(u"soffice"_s).isEmpty()) GTEST_SKIP() << "soffice is absent";
    IssueContract();
    if (HasFailure()) return;
    QTemporaryDir Out;
    Printer.PdfFolder = Out.path();
    Press(Form->Grid, QKeyCombination(Qt::CTRL, Qt::Key_F9));
    ASSERT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    // The layout may set the number close to its sign.
    const QString Text =
        PdfText(QDir(Out.path()).filePath(u"Dogovor_2009_4_print.pdf"_s)).replace(u"№ "_s, u"№"_s);
    for (const QString& Expected : {u"№1 Днес, 01.03.2024"_s, u"Иван Петров Иванов, ЕГН 8001011234"_s,
                                    u"(словом: "_s + AmountToWords(false, 1000)})
        EXPECT_TRUE(Text.contains(Expected)) << Expected.toStdString() << "\n" << Text.toStdString();
}

} // namespace
