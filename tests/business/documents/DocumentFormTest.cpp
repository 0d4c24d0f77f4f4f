// What every document window shares: the number checks, Edit and Delete behind the manager's
// password with the caption red while a row is edited, and Save in one transaction with the
// window's own check inside it.

#include "business/documents/DocumentForm.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/unCashOrders.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Incomes.h"
#include "business/documents/un_Items_purchases.h"
#include "business/documents/un_Items_sales.h"
#include "business/documents/un_Outcomes.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QScopeGuard>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(DocumentNumber, ATakenOrMissingNumberIsToldOncePerGridRow) {
    const struct {
        double DocNo;
        QStringList GridNumbers;
        QString Expected;
    } Cases[] = {
        {0, {u"0"_s, QString()}, u"\n\rВъведете номер на документ"_s},
        // Numbers are kept to the codes' range, so none is cut to 32 bits on its way.
        {999999999, {}, QString()},
        {1000000000, {}, u"\n\rНомерът на документа е от 1 до 999 999 999."_s},
        {4294967297, {u"1"_s}, u"\n\rНомерът на документа е от 1 до 999 999 999."_s},
        {-1, {}, u"\n\rНомерът на документа е от 1 до 999 999 999."_s},
        {5, {u"6"_s, u"15"_s, u"Сума за филтъра"_s}, QString()},
        // Cells come padded from some lists.
        {5, {u" 5 "_s}, u"\n\rШифър \"5\" съществува в таблицата с данни!"_s},
        {5,
         {u"5"_s, u"5"_s},
         u"\n\rШифър \"5\" съществува в таблицата с данни!\n\rШифър \"5\" съществува в таблицата с данни!"_s},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(DocNoValidationText(C.DocNo, C.GridNumbers), C.Expected) << C.DocNo;
}

namespace {

// Each window with its saved document number 3, dated today.
struct TWindowCase {
    const char* Name;
    std::function<TDocumentForm*(QWidget*)> Make;
    QString Caption;
    QString Table;
    QString Noun;
    // The contract's delete asks a second question, about booking its loan back.
    bool AsksToRebook;
};

template <class F> std::function<TDocumentForm*(QWidget*)> Maker() {
    return [](QWidget* Host) { return CreateForm<F>(Host, TMAccountForm::fsMDIChild); };
}

void SeedDocuments() {
    TContractEntry Contract;
    Contract.DocNo = 3;
    Contract.DateC = TContractShop::Today;
    Contract.ItemCode = u"5"_s;
    Contract.OwnerCode = u"8001011234"_s;
    Contract.Sum = 1000;
    Contract.MIR = 3;
    Contract.Duration = 30;
    Exec(ContractInsertSql(u"Contracts"_s, Contract));

    TCashOrderEntry Order;
    Order.DocNo = 3;
    Order.Date = TContractShop::Today;
    Order.PaymentType = 3;
    Order.Sum = 50;
    Order.Customer = u"Собственик"_s;
    Order.Supplier = u"Мария Колева"_s;
    Exec(OutcomeInsertSql(u"Outcomes"_s, Order, u"maria"_s));
    // The receipt: interest on the contract.
    Order.PaymentType = 2;
    Order.Owner = Contract.OwnerCode;
    Order.Contract = u"3"_s;
    Exec(IncomeInsertSql(u"Incomes"_s, Order, u"maria"_s));

    TPurchaseEntry Purchase;
    Purchase.DocNo = 3;
    Purchase.Date = TContractShop::Today;
    Purchase.ItemCode = u"6"_s;
    Purchase.OwnerCode = u"8001011234"_s;
    Purchase.Sum = 60;
    Purchase.Customer = u"Петър"_s;
    Purchase.Supplier = u"Мария Колева"_s;
    Exec(PurchaseInsertSql(u"Items_purchases"_s, Purchase, u"maria"_s));

    TSaleEntry Sale;
    Sale.DocNo = 3;
    Sale.Date = TContractShop::Today;
    Sale.Owner = u"8001011234"_s;
    Sale.Contract = u"3"_s;
    Sale.SaleType = stPurchased;
    Sale.Sum = 90;
    Sale.Customer = u"Петър"_s;
    Sale.Supplier = u"Мария Колева"_s;
    Sale.WithoutReceipt = true;
    for (const QString& Sql : SaleStatements(u"Items_sales"_s, u"docno"_s, false, 0, 0, Sale, u"maria"_s))
        Exec(Sql);
}

class DocumentWindows : public ::testing::Test {
public:
    DocumentWindows() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
    }
    ~DocumentWindows() override { Close(); }

    template <class F>
    F* Open(const std::function<TDocumentForm*(QWidget*)>& Make, const QString& Caption, const QString& Table,
            const QString& Noun) {
        Close();
        Form = Make(&Host);
        Form->SetFormCaption(Caption);
        Form->SetTableName(Table);
        Form->SetKeyField(u"docno"_s);
        Form->SetRecordNoun(Noun);
        Form->SetUserName(u"maria"_s);
        Form->ShowForm();
        QApplication::processEvents();
        return static_cast<F*>(Form);
    }
    void Close() {
        if (!Form) return;
        Form->RunDone();
        delete Form->Container();
        Form = nullptr;
    }
    // The grid row of document Number; -1 when the grid shows none.
    int RowOf(const QString& Number) const {
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
            if (Form->Grid->Cells(0, R).trimmed() == Number) return R;
        return -1;
    }
    void Press(QKeyCombination Key) {
        QWidget* Focus = QApplication::focusWidget();
        ASSERT_NE(Focus, nullptr);
        QTest::keyClick(Focus, Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }
    bool CaptionRed() const {
        return Form->pnlCaption->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    TDocumentForm* Form = nullptr;
};

const QString WrongPassword = u"Въведената парола е грешна!"_s;

} // namespace

TEST_F(DocumentWindows, SavedDocumentsAreEditedAndDeletedOnlyBehindTheManagersPassword) {
    SeedDocuments();
    // The receipt and the sale refer to contract 3 and purchase 3: they go before those are deleted.
    const TWindowCase Cases[] = {
        {"receipt", Maker<TfrmIncomes>(), u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s,
         false},
        {"sale", Maker<TfrmItems_sales>(), u"Продажба на вещи"_s, u"Items_sales"_s, u"продажба на вещ"_s,
         false},
        {"contract", Maker<TfrmContracts>(), u"Договор за залог"_s, u"Contracts"_s, u"договор за злог"_s,
         true},
        {"payment", Maker<TfrmOutcomes>(), u"Разходен касов ордер"_s, u"Outcomes"_s,
         u"разходен касов ордер"_s, false},
        {"purchase", Maker<TfrmItems_purchases>(), u"Покупка на вещи"_s, u"Items_purchases"_s,
         u"покупка на вещ"_s, false},
    };
    for (const TWindowCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Open<TDocumentForm>(C.Make, C.Caption, C.Table, C.Noun);
        const int Row = RowOf(u"3"_s);
        ASSERT_GE(Row, 0);
        Form->Grid->SetRow(Row);
        Form->Grid->setFocus();

        // A wrong or cancelled password lifts nothing.
        Presenter.Clear();
        Presenter.PlanPassword(u"nope"_s);
        Press(Qt::Key_F3);
        Presenter.PlanPassword(std::nullopt);
        Press(Qt::Key_F3);
        EXPECT_EQ(Presenter.Texts(), QStringList{WrongPassword});
        EXPECT_FALSE(Form->EditingRow);
        EXPECT_EQ(RowOf(u"3"_s), Row);

        // The right one lifts the row into the edits, the number locked and the caption red.
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(Form->EditingRow);
        EXPECT_EQ(Form->feDocNo->Value(), 3);
        EXPECT_TRUE(Form->feDocNo->isReadOnly());
        EXPECT_TRUE(CaptionRed());
        EXPECT_EQ(RowOf(u"3"_s), -1);
        Presenter.Clear();
        Press(Qt::Key_F3);
        EXPECT_EQ(Presenter.Texts(), QStringList{u"Не можете да редактирате два реда едновремнно!"_s});
        EXPECT_TRUE(Presenter.Passwords().isEmpty());

        // New updates the lifted document only, and gives the number back.
        Presenter.Clear();
        Form->feDocNo->setFocus();
        Press(Qt::Key_F4);
        // A purchase or sale moves its linked order along.
        const qsizetype Edited = Form->PendingSql.size();
        ASSERT_GE(Edited, 1) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_TRUE(Form->PendingSql[0].trimmed().startsWith(u"Update "_s, Qt::CaseInsensitive));
        EXPECT_TRUE(Form->PendingSql[0].endsWith(u"Where ( docno = 3 )"_s))
            << Form->PendingSql[0].toStdString();
        EXPECT_FALSE(Form->EditingRow);
        EXPECT_FALSE(Form->feDocNo->isReadOnly());
        EXPECT_FALSE(CaptionRed());

        // Delete: a wrong password or a No queues nothing; the right one and Yes queue the DELETE.
        Form->Grid->SetRow(RowOf(u"3"_s));
        Form->Grid->setFocus();
        Presenter.Clear();
        Presenter.PlanPassword(u"nope"_s);
        Press(Qt::Key_F5);
        EXPECT_EQ(Presenter.Texts(), QStringList{WrongPassword});
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_F5);
        EXPECT_EQ(Form->PendingSql.size(), Edited);
        ASSERT_GE(RowOf(u"3"_s), 0);
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        if (C.AsksToRebook) Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_F5);
        EXPECT_EQ(Presenter.PendingAnswers(), 0);
        EXPECT_GT(Form->PendingSql.size(), Edited);
        EXPECT_EQ(RowOf(u"3"_s), -1);
        Press(Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM %1 WHERE docno = 3"_s.arg(C.Table)), u"0"_s);
    }
}

TEST_F(DocumentWindows, EditAndDeleteOfARowWithoutADocumentAskNothing) {
    const TWindowCase Cases[] = {
        {"contract", Maker<TfrmContracts>(), u"Договор за залог"_s, u"Contracts"_s, u"договор за злог"_s,
         true},
        {"receipt", Maker<TfrmIncomes>(), u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s,
         false},
        {"purchase", Maker<TfrmItems_purchases>(), u"Покупка на вещи"_s, u"Items_purchases"_s,
         u"покупка на вещ"_s, false},
    };
    for (const TWindowCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Open<TDocumentForm>(C.Make, C.Caption, C.Table, C.Noun);
        Form->Grid->SetRow(Form->Grid->FixedRows());
        Form->Grid->setFocus();
        Presenter.Clear();
        Press(Qt::Key_F3);
        Press(Qt::Key_F5);
        EXPECT_TRUE(Presenter.Passwords().isEmpty());
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_FALSE(Form->EditingRow);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
    }
}

namespace {

// A payment window with a check of its own inside Save's transaction: it writes a row there and
// refuses while Refusal holds a text.
class TCheckedPayments : public TfrmOutcomes {
public:
    using TfrmOutcomes::TfrmOutcomes;
    QString Refusal;
    int Checks = 0;

protected:
    QString CheckInsideSave(int&) override {
        ++Checks;
        Exec(u"Insert into Outcomes values ( 99, 45352, 0, 3, 1, \"\", \"\", \"\" )"_s);
        return Refusal;
    }
};

} // namespace

TEST_F(DocumentWindows, ARefusalFromTheCheckInsideSaveWritesNothingAndKeepsTheQueue) {
    auto* Payments = Open<TCheckedPayments>(Maker<TCheckedPayments>(), u"Разходен касов ордер"_s,
                                            u"Outcomes"_s, u"разходен касов ордер"_s);
    Payments->leOwner->setText(QString());
    Payments->SetPaymentItem(1);
    Payments->edCustomer_name->setText(u"Собственик"_s);
    Payments->edSupplier_name->setText(u"Мария Колева"_s);
    Payments->feSum_c->SetValue(70);
    Payments->feSum_c->setFocus();
    Press(Qt::Key_F4);
    ASSERT_EQ(Payments->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();

    Payments->Refusal = u"Изберете договора отново."_s;
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Payments->Checks, 1);
    EXPECT_EQ(Presenter.Texts(), QStringList{Payments->Refusal});
    EXPECT_EQ(Payments->PendingSql.size(), 1);
    // The check's own write went with the refused Save.
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE docno IN ( 8, 99 )"_s), u"0"_s);

    Payments->Refusal.clear();
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_TRUE(Payments->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT docno FROM Outcomes WHERE docno IN ( 8, 99 ) ORDER BY docno"_s), u"8°99"_s);
    // An empty queue has nothing to check.
    Press(Qt::Key_F2);
    EXPECT_EQ(Payments->Checks, 2);
}

TEST_F(DocumentWindows, AListThatCannotBeReadIsShownAsTheDatabasesErrorAndCountsAsNotLoaded) {
    SeedDocuments();
    const TWindowCase Cases[] = {
        {"contract", Maker<TfrmContracts>(), u"Договор за залог"_s, u"Contracts"_s, u"договор за злог"_s,
         true},
        {"receipt", Maker<TfrmIncomes>(), u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s,
         false},
        {"payment", Maker<TfrmOutcomes>(), u"Разходен касов ордер"_s, u"Outcomes"_s,
         u"разходен касов ордер"_s, false},
        {"purchase", Maker<TfrmItems_purchases>(), u"Покупка на вещи"_s, u"Items_purchases"_s,
         u"покупка на вещ"_s, false},
        {"sale", Maker<TfrmItems_sales>(), u"Продажба на вещи"_s, u"Items_sales"_s, u"продажба на вещ"_s,
         false},
    };
    for (const TWindowCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Open<TDocumentForm>(C.Make, C.Caption, C.Table, C.Noun);
        ASSERT_GE(RowOf(u"3"_s), 0);
        // The window's table is out of reach while it reloads.
        Exec(u"ALTER TABLE %1 RENAME TO Hidden"_s.arg(C.Table));
        Presenter.Clear();
        EXPECT_FALSE(Form->DoExecute());
        EXPECT_TRUE(Presenter.Texts().join(u'|').contains(C.Table))
            << Presenter.Texts().join(u'|').toStdString();
        Exec(u"ALTER TABLE Hidden RENAME TO %1"_s.arg(C.Table));
        EXPECT_TRUE(Form->DoExecute());
        EXPECT_GE(RowOf(u"3"_s), 0);
    }
}

// A document lifted by F3 is work as much as a queued one: F8 and the filter ask as closing does,
// and whatever the answer the window is never left in an edit it cannot finish.
TEST_F(DocumentWindows, AReloadWithALiftedDocumentAsksFirstAndLeavesNoEditBehind) {
    SeedDocuments();
    const TWindowCase Cases[] = {
        {"contract", Maker<TfrmContracts>(), u"Договор за залог"_s, u"Contracts"_s, u"договор за злог"_s,
         true},
        {"receipt", Maker<TfrmIncomes>(), u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s,
         false},
        {"payment", Maker<TfrmOutcomes>(), u"Разходен касов ордер"_s, u"Outcomes"_s,
         u"разходен касов ордер"_s, false},
        {"purchase", Maker<TfrmItems_purchases>(), u"Покупка на вещи"_s, u"Items_purchases"_s,
         u"покупка на вещ"_s, false},
        {"sale", Maker<TfrmItems_sales>(), u"Продажба на вещи"_s, u"Items_sales"_s, u"продажба на вещ"_s,
         false},
    };
    const QString Question = LoadStr(65194);
    for (const TWindowCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Open<TDocumentForm>(C.Make, C.Caption, C.Table, C.Noun);
        const auto Lift = [&] {
            Form->Grid->SetRow(RowOf(u"3"_s));
            Form->Grid->setFocus();
            Presenter.PlanPassword(u"shef"_s);
            Press(Qt::Key_F3);
            ASSERT_TRUE(Form->EditingRow);
            Presenter.Clear();
        };
        ASSERT_GE(RowOf(u"3"_s), 0);
        const double Proposed = Form->feDocNo->Value();
        Lift();

        // Cancel keeps the edit and the list as they are.
        Presenter.PlanAnswer(mrCancel);
        Press(Qt::Key_F8);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        EXPECT_TRUE(Form->EditingRow);
        EXPECT_EQ(RowOf(u"3"_s), -1);

        // No gives the edit up: the row is back and can be lifted again.
        Presenter.Clear();
        Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_F8);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        EXPECT_FALSE(Form->EditingRow);
        EXPECT_FALSE(Form->feDocNo->isReadOnly());
        EXPECT_EQ(Form->feDocNo->Value(), Proposed);
        EXPECT_FALSE(CaptionRed());
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_GE(RowOf(u"3"_s), 0);
        Lift();

        // Yes queues the edit and saves it.
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F8);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question}) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_FALSE(Form->EditingRow);
        // The number edit proposes again what it did before the lift.
        EXPECT_EQ(Form->feDocNo->Value(), Proposed);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_GE(RowOf(u"3"_s), 0);
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM %1 WHERE docno = 3"_s.arg(C.Table)), u"1"_s);

        // F2 with nothing else queued keeps the lifted row out of the reloaded list, still lifted.
        Lift();
        Press(Qt::Key_F2);
        EXPECT_TRUE(Form->EditingRow);
        EXPECT_EQ(RowOf(u"3"_s), -1);
        Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_F8);
        EXPECT_FALSE(Form->EditingRow);
        EXPECT_GE(RowOf(u"3"_s), 0);
        // Nothing is asked once nothing is lifted or queued.
        Presenter.Clear();
        Press(Qt::Key_F8);
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    }
}

// The operator is taken when Save writes, not when F4 queued: a payment queued before anyone was
// signed in is signed by whoever signs in; once an operator exists, nothing is written unsigned.
TEST_F(DocumentWindows, ADocumentIsSignedByTheOperatorSignedInWhenSaveWritesIt) {
    auto* Payments = Open<TfrmOutcomes>(Maker<TfrmOutcomes>(), u"Разходен касов ордер"_s, u"Outcomes"_s,
                                        u"разходен касов ордер"_s);
    Payments->SetUserName(QString());
    const auto QueuePayment = [&](double Sum) {
        Payments->leOwner->setText(QString());
        Payments->SetPaymentItem(1);
        Payments->edCustomer_name->setText(u"Собственик"_s);
        Payments->edSupplier_name->setText(u"Мария Колева"_s);
        Payments->feSum_c->SetValue(Sum);
        Payments->feSum_c->setFocus();
        Press(Qt::Key_F4);
    };
    int SignIns = 0;
    QString SignsInAs;
    SignInBeforeSave = [&] {
        ++SignIns;
        Payments->SetUserName(SignsInAs);
        return !SignsInAs.isEmpty();
    };
    const auto Back = qScopeGuard([] { SignInBeforeSave = nullptr; });
    QueuePayment(70);
    ASSERT_EQ(Payments->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();

    // The register holds an operator and none signs in: refused, saying why, the queue kept.
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(SignIns, 1);
    ASSERT_EQ(Presenter.Texts().size(), 1);
    EXPECT_TRUE(Presenter.Texts()[0].startsWith(u"Документите се записват от оператор"_s))
        << Presenter.Texts()[0].toStdString();
    EXPECT_EQ(Payments->PendingSql.size(), 1);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE sum_o = 70"_s), u"0"_s);
    // Without the main window to ask, the refusal alone.
    SignInBeforeSave = nullptr;
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE sum_o = 70"_s), u"0"_s);

    // Signing in at Save signs what was queued unsigned.
    SignInBeforeSave = [&] {
        ++SignIns;
        Payments->SetUserName(u"maria"_s);
        return true;
    };
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(SignIns, 2);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT user_name FROM Outcomes WHERE sum_o = 70"_s), u"maria"_s);

    // Queued under one operator, saved under the next: the one signed in at Save signs it, and no
    // sign-in is asked of a signed window.
    QueuePayment(80);
    Exec(u"Insert into Users_passwords values ( \"ivan\", \"pass\", \"Иван Петров\" )"_s);
    Payments->SetUserName(u"ivan"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(SignIns, 2);
    EXPECT_EQ(QueryText(u"SELECT user_name FROM Outcomes WHERE sum_o = 80"_s), u"ivan"_s);

    // With no operator in the register, an unsigned window still writes.
    Exec(u"DELETE FROM Users_passwords"_s);
    Payments->SetUserName(QString());
    QueuePayment(90);
    Press(Qt::Key_F2);
    EXPECT_EQ(SignIns, 2);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE sum_o = 90"_s), u"1"_s);
}

TEST(OperatorMarks, AreReplacedByTheOperatorQuotedAsTextsAre) {
    EXPECT_EQ(OperatorFullName(nullptr, OperatorMark), OperatorNameMark);
    const QString Sql =
        u"Insert into Outcomes values ( 1, \"%1\", \"%2\", \"%1\" )"_s.arg(OperatorNameMark, OperatorMark);
    EXPECT_EQ(SignedSql(Sql, u"o\"k"_s, u"Иван Петров"_s),
              u"Insert into Outcomes values ( 1, \"Иван Петров\", \"o\"\"k\", \"Иван Петров\" )"_s);
}
