// The queue of every document window as operators meet it: a number another window took before
// F2, a row deleted before it was saved, Esc with documents waiting.

#include "business/documents/DocumentForm.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Filter/SimpleFilterDialog.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/unCashOrders.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Incomes.h"
#include "business/documents/un_Items_purchases.h"
#include "business/documents/un_Items_sales.h"
#include "business/documents/un_Outcomes.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "tests/support/Books.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/WriteLock.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TContractEntry ContractNo(double DocNo) {
    TContractEntry E;
    E.DocNo = DocNo;
    E.DateC = TContractShop::Today;
    E.ItemCode = u"5"_s;
    E.OwnerCode = u"8001011234"_s;
    E.OwnerName = u"Иван Петров Иванов"_s;
    E.Sum = 1000;
    E.MIR = 3;
    E.Duration = 30;
    return E;
}

// An order whose own number and contract are both 5: only the number may move.
TCashOrderEntry OrderNo(double DocNo) {
    TCashOrderEntry E;
    E.DocNo = DocNo;
    E.Date = TContractShop::Today;
    E.Owner = u"8001011234"_s;
    E.Contract = u"5"_s;
    E.PaymentType = 2;
    E.Sum = 30;
    E.Customer = u"Иван ( 5, \"5\" )"_s;
    E.Supplier = u"Мария"_s;
    return E;
}

TPurchaseEntry PurchaseNo(double DocNo) {
    TPurchaseEntry E;
    E.DocNo = DocNo;
    E.Date = TContractShop::Today;
    E.ItemCode = u"5"_s;
    E.OwnerCode = u"5"_s;
    E.Sum = 5;
    E.Customer = u"Петър"_s;
    E.Supplier = u"Мария"_s;
    return E;
}

} // namespace

// A document renumbered at Save carries its new number wherever it carried the old one as its own:
// its row and the orders it wrote beside itself, and nowhere else.
TEST(DocumentRenumbering, MovesTheOwnNumberAndTheLinkedOrdersOnly) {
    const struct {
        const char* Name;
        QString Table;
        QStringList At5;
        QStringList At9;
    } Cases[] = {
        {"contract and its payout",
         u"Contracts"_s,
         {ContractInsertSql(u"Contracts"_s, ContractNo(5)), PayoutOrderSql(ContractNo(5), u"М"_s, u"m"_s)},
         {ContractInsertSql(u"Contracts"_s, ContractNo(9)), PayoutOrderSql(ContractNo(9), u"М"_s, u"m"_s)}},
        {"receipt on contract 5",
         u"Incomes"_s,
         {IncomeInsertSql(u"Incomes"_s, OrderNo(5), u"m"_s)},
         {IncomeInsertSql(u"Incomes"_s, OrderNo(9), u"m"_s)}},
        {"payment on contract 5",
         u"Outcomes"_s,
         {OutcomeInsertSql(u"Outcomes"_s, OrderNo(5), u"m"_s)},
         {OutcomeInsertSql(u"Outcomes"_s, OrderNo(9), u"m"_s)}},
        {"purchase from owner 5 and its payment",
         u"Items_purchases"_s,
         {PurchaseInsertSql(u"Items_purchases"_s, PurchaseNo(5), u"m"_s),
          PurchaseOrderSql(PurchaseNo(5), u"m"_s)},
         {PurchaseInsertSql(u"Items_purchases"_s, PurchaseNo(9), u"m"_s),
          PurchaseOrderSql(PurchaseNo(9), u"m"_s)}},
        // Statements about other records keep their 5s.
        {"a mark on contract 5",
         u"Items_sales"_s,
         {u"UPDATE Contracts SET sold = True, sold_at_date = 5 WHERE docno = 5"_s,
          u"Insert into Outcomes values ( 5, 45352, 5, 3, 5.000000, \"\", \"\", \"\" )"_s},
         {u"UPDATE Contracts SET sold = True, sold_at_date = 5 WHERE docno = 5"_s,
          u"Insert into Outcomes values ( 5, 45352, 5, 3, 5.000000, \"\", \"\", \"\" )"_s}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(RenumberedDocumentSql(C.At5, C.Table, 5, 9), C.At9);
    }
}

namespace {

// One kind of document window, how a new document is typed into it and how its saved documents
// and their linked orders read back.
struct TQueueCase {
    const char* Name;
    std::function<TDocumentForm*(QWidget*)> Make;
    QString Caption;
    QString Table;
    QString Noun;
    // Types a valid new document; the focus stays in the window.
    std::function<void(TDocumentForm*)> Enter;
    // Saves document Number as another workstation would.
    std::function<void(qint64 Number)> TakeNumber;
    // The window's own saved documents, with their linked orders' document numbers where they
    // have one.
    QString SavedSql;
    // Deleting a queued document takes it out of the queue (else the window asks for Save first).
    bool DropsUnsaved;
};

// The document's name as the window's messages give it.
// The contract window names its documents shorter than its menu does.
QString NounOf(const TQueueCase& C) {
    return C.Table == u"Contracts"_s ? u"договор"_s : C.Noun;
}
QString Named(const TQueueCase& C, qint64 Number) {
    return NounOf(C).left(1).toUpper() + NounOf(C).mid(1) + u" номер "_s + QString::number(Number);
}
QString Ending(const TQueueCase& C) {
    return NounOf(C).section(u' ', 0, 0).endsWith(u'а') ? u"а"_s : QString();
}

// Another workstation saves Sql.
void SaveElsewhere(const QString& Sql) {
    EXPECT_TRUE(OtherWorkstationSaves(Sql)) << Sql.toStdString();
}

template <class F> std::function<TDocumentForm*(QWidget*)> Maker() {
    return [](QWidget* Host) { return CreateForm<F>(Host, TMAccountForm::fsMDIChild); };
}

void Type(QWidget* Field, const QString& Text) {
    Field->setFocus();
    QApplication::processEvents();
    if (auto* Line = qobject_cast<QLineEdit*>(Field)) Line->selectAll();
    TypeText(Field, Text);
}

QList<TQueueCase> QueueCases() {
    return {
        {"contract", Maker<TfrmContracts>(), u"Договор за залог"_s, u"Contracts"_s, u"договор за злог"_s,
         [](TDocumentForm* Form) {
             auto* F = static_cast<TfrmContracts*>(Form);
             // An item of its own: a second pledge of one item asks first.
             const QString Item = QueryText(u"SELECT max( code_i ) + 1 FROM Items"_s);
             Exec(u"Insert into Items values ( %1, \"Гривна\", 1 )"_s.arg(Item));
             Type(F->leOwner, u"8001011234"_s);
             Type(F->leItem, Item);
             Type(F->feSum_c, u"1000"_s);
             Type(F->feDuration, u"30"_s);
             F->edNotes->setFocus();
         },
         [](qint64 Number) {
             TContractEntry Other = ContractNo(double(Number));
             Other.Sum = 999;
             SaveElsewhere(ContractInsertSql(u"Contracts"_s, Other));
         },
         u"SELECT docno, ( SELECT max( contract_n ) FROM Outcomes WHERE contract_n = Contracts.docno ) "
         "FROM Contracts WHERE Sum_c = 1000 ORDER BY docno"_s,
         true},
        {"receipt", Maker<TfrmIncomes>(), u"Приходен касов ордер"_s, u"Incomes"_s, u"приходен касов ордер"_s,
         [](TDocumentForm* Form) {
             auto* F = static_cast<TfrmIncomes*>(Form);
             Type(F->lePayment_type, u"3"_s);
             Type(F->edCustomer_name, u"Собственик"_s);
             Type(F->edSupplier_name, u"Мария Колева"_s);
             Type(F->feSum_c, u"50"_s);
         },
         [](qint64 Number) {
             SaveElsewhere(
                 u"Insert into Incomes values ( %1, 45352, 0, 3, 1, \"другият\", \"\", \"\" )"_s.arg(Number));
         },
         u"SELECT docno FROM Incomes WHERE customer_name = \"Собственик\" ORDER BY docno"_s, true},
        {"payment", Maker<TfrmOutcomes>(), u"Разходен касов ордер"_s, u"Outcomes"_s,
         u"разходен касов ордер"_s,
         [](TDocumentForm* Form) {
             auto* F = static_cast<TfrmOutcomes*>(Form);
             F->leOwner->setText(QString());
             F->SetPaymentItem(1);
             Type(F->edCustomer_name, u"Собственик"_s);
             Type(F->edSupplier_name, u"Мария Колева"_s);
             Type(F->feSum_c, u"70"_s);
         },
         [](qint64 Number) {
             SaveElsewhere(
                 u"Insert into Outcomes values ( %1, 45352, 0, 3, 1, \"другият\", \"\", \"\" )"_s.arg(
                     Number));
         },
         u"SELECT docno FROM Outcomes WHERE customer_name = \"Собственик\" AND sum_o = 70 ORDER BY docno"_s,
         true},
        {"purchase", Maker<TfrmItems_purchases>(), u"Покупка на вещи"_s, u"Items_purchases"_s,
         u"покупка на вещ"_s,
         [](TDocumentForm* Form) {
             auto* F = static_cast<TfrmItems_purchases*>(Form);
             Type(F->leOwner, u"8001011234"_s);
             // Not item 5, which the contract cases pledge.
             Type(F->leItem, u"6"_s);
             Type(F->feSum_c, u"120"_s);
             Type(F->feGramaj, u"2.5"_s);
             Type(F->edSupplier_name, u"Мария Колева"_s);
         },
         [](qint64 Number) {
             SaveElsewhere(PurchaseInsertSql(u"Items_purchases"_s, PurchaseNo(double(Number)), u"m"_s));
         },
         u"SELECT docno, ( SELECT max( contract_n ) FROM Outcomes WHERE payment_type = 4 AND contract_n = "
         "Items_purchases.docno ) FROM Items_purchases WHERE sum_s = 120 ORDER BY docno"_s,
         false},
    };
}

// A sale of a purchase bought today for the occasion, to the buyer Ivan.
TQueueCase SaleCase() {
    return {"sale",
            Maker<TfrmItems_sales>(),
            u"Продажби"_s,
            u"Items_sales"_s,
            u"продажба"_s,
            [](TDocumentForm* Form) {
                auto* F = static_cast<TfrmItems_sales*>(Form);
                TPurchaseEntry Bought = PurchaseNo(QueryText(u"SELECT IfNull( max( docno ), 0 ) + 1 FROM "
                                                             "Items_purchases"_s)
                                                       .toDouble());
                Bought.OwnerCode = u"8001011234"_s;
                Bought.ItemCode = u"6"_s;
                Exec(PurchaseInsertSql(u"Items_purchases"_s, Bought, u"maria"_s));
                Exec(PurchaseOrderSql(Bought, u"maria"_s));
                if (!F->rbPurchased->isChecked()) F->rbPurchased->click();
                F->BuildOriginList();
                Type(F->leOwner, u"8001011234"_s);
                Type(F->leContract, QString::number(Whole(Bought.DocNo)));
                F->leContract->OnFormOk(F->leContract);
                Type(F->feSum_c, u"150"_s);
                Type(F->edSupplier_name, u"Мария Колева"_s);
            },
            {},
            u"SELECT docno FROM Items_sales ORDER BY docno"_s,
            false};
}

class DocumentQueue : public ::testing::Test {
public:
    DocumentQueue() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
    }
    ~DocumentQueue() override { Close(); }

    void Open(const TQueueCase& C) {
        Close();
        Form = Make(C);
    }
    TDocumentForm* Make(const TQueueCase& C) {
        TDocumentForm* Window = C.Make(&Host);
        Window->SetFormCaption(C.Caption);
        Window->SetTableName(C.Table);
        Window->SetKeyField(u"docno"_s);
        Window->SetRecordNoun(C.Noun);
        Window->SetUserName(u"maria"_s);
        Window->ShowForm();
        QApplication::processEvents();
        return Window;
    }
    // The keys go to Window, as they go to the window the operator works in.
    void Use(TDocumentForm* Window) {
        Form = Window;
        Host.findChild<QMdiArea*>()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(Window->Container()));
        QApplication::processEvents();
    }
    // A window that closed itself is gone once deferred deletes run.
    void Close() {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!Form) return;
        Form->RunDone();
        delete Form->Container();
        Form = nullptr;
    }
    bool Closed() {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return Form.isNull();
    }
    // Types a document and queues it with F4; its number.
    qint64 Add(const TQueueCase& C) {
        const auto Number = qint64(Form->feDocNo->Value());
        C.Enter(Form);
        Press(Qt::Key_F4);
        return Number;
    }
    void Press(QKeyCombination Key) {
        QWidget* Focus = QApplication::focusWidget();
        if (!Focus) ADD_FAILURE() << "no focus";
        QTest::keyClick(Focus ? Focus : Form.data(), Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }
    int RowOf(qint64 Number) const {
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
            if (Form->Grid->Cells(0, R).trimmed() == QString::number(Number)) return R;
        return -1;
    }
    void SelectRow(qint64 Number) {
        const int Row = RowOf(Number);
        ASSERT_GE(Row, 0);
        Form->Grid->SetRow(Row);
        Form->Grid->setFocus();
    }
    // F3 on a saved document, with the manager's password.
    void Lift(qint64 Number) {
        SelectRow(Number);
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(Form->EditingRow) << Presenter.Texts().join(u'|').toStdString();
    }
    // The window's saved documents, each with its linked order's document number.
    static QString Saved(const TQueueCase& C) { return QueryText(C.SavedSql); }
    static QString Numbers(const TQueueCase& C, std::initializer_list<qint64> Docs) {
        QStringList Rows;
        const bool Linked = C.SavedSql.contains(u"contract_n"_s);
        for (qint64 N : Docs)
            Rows << (Linked ? u"%1@%1"_s.arg(N) : QString::number(N));
        return Rows.join(u"°"_s);
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    QPointer<TDocumentForm> Form;
};

} // namespace

// Another workstation saved documents under numbers this window queued: Save gives each the
// lowest number free by then, moves its linked orders with it and tells the numbers used; the
// documents typed after a moved one follow it, so that the numbers keep the typing order.
TEST_F(DocumentQueue, ANumberTakenMeanwhileIsReplacedInsideTheSave) {
    const QString Taken = u"Номер %1 е бил зает междувременно. Записан е с номер %2."_s;
    const QString After = u"Номер %1 е записан с номер %2, след въведения преди него."_s;
    const auto SaveTells = [&](const QStringList& Moves) {
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(Presenter.Texts(), QStringList(Moves.join(u'\n')));
    };
    for (const TQueueCase& C : QueueCases()) {
        SCOPED_TRACE(C.Name);
        Open(C);
        // The first two taken: the third number, free, goes to the first document.
        const qint64 A = Add(C);
        ASSERT_EQ(Add(C), A + 1) << Presenter.Texts().join(u'|').toStdString();
        ASSERT_EQ(Add(C), A + 2);
        C.TakeNumber(A);
        C.TakeNumber(A + 1);
        SaveTells({Taken.arg(A).arg(A + 2), Taken.arg(A + 1).arg(A + 3), After.arg(A + 2).arg(A + 4)});
        EXPECT_EQ(Saved(C), Numbers(C, {A + 2, A + 3, A + 4}));
        EXPECT_GE(RowOf(A + 4), 0);
        EXPECT_EQ(qint64(Form->feDocNo->Value()), A + 5);

        // The first and the third taken: the second number, free, goes to the first document, and
        // the others past the taken one.
        const qint64 B = A + 5;
        for (int I = 0; I < 3; ++I)
            ASSERT_EQ(Add(C), B + I);
        C.TakeNumber(B);
        C.TakeNumber(B + 2);
        SaveTells({Taken.arg(B).arg(B + 1), After.arg(B + 1).arg(B + 3), Taken.arg(B + 2).arg(B + 4)});
        EXPECT_EQ(Saved(C), Numbers(C, {A + 2, A + 3, A + 4, B + 1, B + 3, B + 4}));

        // Numbers still free are kept, though typed out of order; a document moved after them
        // passes over the ones they keep.
        const qint64 N = B + 6;
        for (const qint64 Number : {N + 2, N, N + 1}) {
            Form->feDocNo->SetValue(double(Number));
            ASSERT_EQ(Add(C), Number);
        }
        C.TakeNumber(N + 1);
        SaveTells({Taken.arg(N + 1).arg(N + 3)});
        EXPECT_EQ(Saved(C), Numbers(C, {A + 2, A + 3, A + 4, B + 1, B + 3, B + 4, N, N + 2, N + 3}));
    }
}

// The number proposed goes stale when another workstation saves under it: F8 proposes the next
// free one, and so does F4 refused for a number saved or listed already, but not for one still
// free nor while an edit keeps its own.
TEST_F(DocumentQueue, F8AndANumberRefusedProposeTheNextFreeNumber) {
    for (const TQueueCase& C : QueueCases()) {
        SCOPED_TRACE(C.Name);
        Open(C);
        const qint64 First = qint64(Form->feDocNo->Value());
        C.TakeNumber(First);
        Press(Qt::Key_F8);
        EXPECT_EQ(qint64(Form->feDocNo->Value()), First + 1);

        // A purchase takes the next free number at Save instead.
        const bool RefusesSaved = C.Table != u"Items_purchases"_s;
        C.TakeNumber(First + 1);
        Presenter.Clear();
        EXPECT_EQ(Add(C), First + 1);
        EXPECT_EQ(Form->PendingSql.isEmpty(), RefusesSaved);
        EXPECT_EQ(Presenter.Texts().size(), RefusesSaved ? 1 : 0);
        ASSERT_EQ(qint64(Form->feDocNo->Value()), First + 2);
        ASSERT_EQ(Add(C), First + 2);
        ASSERT_EQ(Form->PendingSql.isEmpty(), false);

        // A number the list shows already, queued here.
        Form->feDocNo->SetValue(double(First + 2));
        Presenter.Clear();
        Add(C);
        EXPECT_EQ(Presenter.Texts().size(), 1);
        EXPECT_EQ(qint64(Form->feDocNo->Value()), First + 3);

        // Refused for another reason, a free number stays as typed.
        Form->feDocNo->SetValue(double(First + 10));
        const auto RefuseNoSum = [&] {
            Form->feSum_c->SetValue(0);
            Form->feSum_c->setFocus();
            Presenter.Clear();
            Press(Qt::Key_F4);
            EXPECT_EQ(Presenter.Texts().size(), 1);
        };
        RefuseNoSum();
        EXPECT_EQ(qint64(Form->feDocNo->Value()), First + 10);
        Press(Qt::Key_F2);
        ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();

        // An edit refused keeps the number of the document it lifted.
        Lift(First + 2);
        RefuseNoSum();
        EXPECT_EQ(qint64(Form->feDocNo->Value()), First + 2);
        EXPECT_TRUE(Form->EditingRow);
    }
}

// A document deleted before Save leaves the queue with everything it queued: nothing of it is
// written and its number stays free. Edit would queue an update of a row not yet written.
TEST_F(DocumentQueue, DeletingAnUnsavedDocumentDropsItFromTheQueue) {
    for (const TQueueCase& C : QueueCases()) {
        if (!C.DropsUnsaved) continue;
        SCOPED_TRACE(C.Name);
        Open(C);
        const qint64 First = Add(C);
        const int QueuedPerDocument = int(Form->PendingSql.size());
        const qint64 Second = Add(C);
        const QStringList SecondsStatements = Form->PendingSql.mid(QueuedPerDocument);

        SelectRow(First);
        Presenter.Clear();
        Press(Qt::Key_F3);
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{u"%1 още не е записан%2. Натиснете бутон \"F2\" (за запис)."_s.arg(
                      Named(C, First), Ending(C))});
        EXPECT_FALSE(Form->EditingRow);

        // Declined: all stays.
        Presenter.Clear();
        Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_F5);
        EXPECT_EQ(
            Presenter.Texts(),
            QStringList{u"Желаете ли да изтриете %1: \"%2\" - \"01.03.2024\"?"_s.arg(NounOf(C)).arg(First)});
        EXPECT_EQ(Form->PendingSql.size(), 2 * QueuedPerDocument);

        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F5);
        EXPECT_TRUE(Presenter.Passwords().isEmpty());
        EXPECT_EQ(Form->PendingSql, SecondsStatements);
        EXPECT_EQ(RowOf(First), -1);
        Press(Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(Saved(C), Numbers(C, {Second}));
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM %1 WHERE docno = %2"_s.arg(C.Table).arg(First)), u"0"_s);
    }
}

// Esc with documents queued asks as every register does: Cancel stays, No drops them, Yes saves
// them and closes. Nothing queued, nothing asked.
TEST_F(DocumentQueue, EscWithQueuedDocumentsAsksWhetherToSave) {
    const QString Question = LoadStr(65194);
    for (const TQueueCase& C : QueueCases()) {
        SCOPED_TRACE(C.Name);
        Open(C);
        const QString Before = Saved(C);
        Add(C);
        ASSERT_FALSE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        Presenter.Clear();
        Presenter.PlanAnswer(mrCancel);
        Press(Qt::Key_Escape);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        ASSERT_FALSE(Closed());
        EXPECT_FALSE(Form->PendingSql.isEmpty());

        Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_Escape);
        EXPECT_TRUE(Closed());
        EXPECT_EQ(Saved(C), Before);

        Open(C);
        const qint64 Number = Add(C);
        Presenter.Clear();
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_Escape);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        EXPECT_TRUE(Closed());
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM %1 WHERE docno = %2"_s.arg(C.Table).arg(Number)), u"1"_s);

        Open(C);
        Presenter.Clear();
        Form->feDocNo->setFocus();
        Press(Qt::Key_Escape);
        EXPECT_TRUE(Presenter.Texts().isEmpty());
        EXPECT_TRUE(Closed());
    }
}

// The window's own check inside Save sees its documents as they were queued: a receipt whose
// number was taken and whose contract was redeemed meanwhile is still refused and dropped, not
// renumbered and written.
TEST_F(DocumentQueue, TheWindowsOwnCheckStillStopsARenumberedDocument) {
    Exec(ContractInsertSql(u"Contracts"_s, ContractNo(1)));
    Exec(PayoutOrderSql(ContractNo(1), u"Мария Колева"_s, u"maria"_s));
    const TQueueCase C = QueueCases()[1];
    Open(C);
    auto* Receipts = static_cast<TfrmIncomes*>(Form.data());
    Type(Receipts->lePayment_type, u"2"_s);
    Type(Receipts->leOwner, u"8001011234"_s);
    Type(Receipts->leContract, u"1"_s);
    Receipts->leContract->OnFormOk(Receipts->leContract);
    Type(Receipts->edSupplier_name, u"Мария Колева"_s);
    const auto Number = qint64(Form->feDocNo->Value());
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    C.TakeNumber(Number);
    Exec(u"Update Contracts Set Finished = True, At_Date = 45352 Where docno = 1"_s);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Presenter.Texts().size(), 1);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes WHERE contract_n = 1"_s), u"0"_s);
}

// F8 with documents queued asks as Esc does: Cancel keeps them shown and queued, Yes saves them
// (a Save that cannot run keeps them), No drops them before the list is reloaded, so that typed
// again they are written once.
TEST_F(DocumentQueue, F8WithDocumentsQueuedAsksBeforeReloading) {
    const QString Question = LoadStr(65194);
    for (const TQueueCase& C : QueueCases()) {
        SCOPED_TRACE(C.Name);
        Open(C);
        const QString Before = Saved(C);
        const qint64 First = Add(C);
        const qint64 Second = Add(C);
        const QStringList Queued = Form->PendingSql;
        ASSERT_FALSE(Queued.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        Presenter.Clear();
        Presenter.PlanAnswer(mrCancel);
        Press(Qt::Key_F8);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        EXPECT_EQ(Form->PendingSql, Queued);
        EXPECT_GE(RowOf(First), 0);

        {
            // Another window of this program is in the middle of its Save.
            TTransaction Running;
            Presenter.Clear();
            Presenter.PlanAnswer(mrYes);
            Press(Qt::Key_F8);
        }
        EXPECT_EQ(
            Presenter.Texts(),
            (QStringList{Question, u"Друг прозорец на програмата записва в момента. Опитайте отново."_s}));
        EXPECT_EQ(Form->PendingSql, Queued);
        EXPECT_GE(RowOf(Second), 0);
        EXPECT_EQ(Saved(C), Before);

        Presenter.Clear();
        Presenter.PlanAnswer(mrNo);
        Press(Qt::Key_F8);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(RowOf(First), -1);
        EXPECT_EQ(RowOf(Second), -1);
        EXPECT_EQ(Saved(C), Before);

        const qint64 Again = Add(C);
        Presenter.Clear();
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F8);
        EXPECT_EQ(Presenter.Texts(), QStringList{Question});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_GE(RowOf(Again), 0);
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM %1 WHERE docno = %2"_s.arg(C.Table).arg(Again)), u"1"_s);
        Presenter.Clear();
        Press(Qt::Key_F8);
        EXPECT_TRUE(Presenter.Texts().isEmpty());
    }
}

// An edit of a document that another window deleted meanwhile writes nothing: Save names it,
// takes the edit out and the documents queued beside it are saved with the next F2.
TEST_F(DocumentQueue, AnEditOfADocumentDeletedMeanwhileIsTakenOutOfTheQueue) {
    for (const TQueueCase& C : QueueCases()) {
        SCOPED_TRACE(C.Name);
        Open(C);
        const qint64 Edited = Add(C);
        Press(Qt::Key_F2);
        ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        SelectRow(Edited);
        Presenter.Clear();
        Presenter.PlanPassword(u"shef"_s);
        Press(Qt::Key_F3);
        ASSERT_TRUE(Form->EditingRow) << Presenter.Texts().join(u'|').toStdString();
        Form->feDocNo->setFocus();
        Press(Qt::Key_F4);
        ASSERT_FALSE(Form->EditingRow) << Presenter.Texts().join(u'|').toStdString();
        const QStringList EditQueued = Form->PendingSql;
        Form->feDocNo->SetValue(double(Edited + 1));
        const qint64 New = Add(C);
        const QStringList NewQueued = Form->PendingSql.mid(EditQueued.size());
        Exec(u"Delete from %1 Where docno = %2"_s.arg(C.Table).arg(Edited));

        Presenter.Clear();
        Press(Qt::Key_F2);
        const QString Gone = u"%1 е изтрит%2 междувременно."_s.arg(Named(C, Edited), Ending(C));
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{Gone + u"\nРедакцията на %1 номер %2 е отменена. "
                                     "Останалото може да бъде записано с F2."_s.arg(NounOf(C))
                                         .arg(Edited)});
        EXPECT_EQ(Form->PendingSql, NewQueued);
        EXPECT_EQ(RowOf(Edited), -1);
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_EQ(
            QueryText(u"SELECT docno FROM %1 WHERE docno IN ( %2, %3 )"_s.arg(C.Table).arg(Edited).arg(New)),
            QString::number(New));
    }
}

// The re-check of a receipt inside Save computes without a word: what stops it is told after
// the rollback, never while this program holds the write lock.
TEST_F(DocumentQueue, NoMessageIsShownWhileTheWriteLockIsHeld) {
    Exec(ContractInsertSql(u"Contracts"_s, ContractNo(1)));
    Exec(PayoutOrderSql(ContractNo(1), u"Мария Колева"_s, u"maria"_s));
    Open(QueueCases()[1]);
    auto* Receipts = static_cast<TfrmIncomes*>(Form.data());
    Type(Receipts->lePayment_type, u"1"_s);
    Type(Receipts->leOwner, u"8001011234"_s);
    Type(Receipts->leContract, u"1"_s);
    Receipts->leContract->OnFormOk(Receipts->leContract);
    Type(Receipts->feSum_c, u"100"_s);
    Type(Receipts->edSupplier_name, u"Мария Колева"_s);
    Press(Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1) << Presenter.Texts().join(u'|').toStdString();
    Exec(u"Delete from Interest_rates Where pref_code = 1"_s);

    TLockWatchingPresenter Watch;
    Press(Qt::Key_F2);
    EXPECT_EQ(Watch.ShownUnderLock, 0);
    EXPECT_EQ(Watch.Texts().size(), 1) << Watch.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Incomes"_s), u"0"_s);
}

namespace {

// The grid's rows below the header, cell by cell.
QStringList GridRows(const TRichGrid* Grid) {
    QStringList Rows;
    for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
        Rows << Grid->Rows(R).join(u'|');
    return Rows;
}

// F6 with Criterion for the number, the first field of every window's filter.
void FilterNumbers(TDocumentForm* Form, const QString& Criterion) {
    QTimer::singleShot(0, [Criterion] {
        auto* Dialog = qobject_cast<TfrmSimpleFilter*>(QApplication::activeModalWidget());
        ASSERT_NE(Dialog, nullptr);
        auto Leave = qScopeGuard([Dialog] { Dialog->done(99); });
        Dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Dialog));
        Leave.dismiss();
        qobject_cast<QLineEdit*>(Dialog->Input(0))->setText(Criterion);
        QTest::keyClick(Dialog->Input(0), Qt::Key_F2);
    });
    Form->actFilter->trigger();
}

} // namespace

// A Save reads again only the rows of the documents it wrote, yet they read as F8 shows them, the
// header's sort and a filter on: an edited one, a deleted one, new ones, one under the number Save
// moved it to and the other window's document under the number it took. What another window
// saved besides shows after F8. The purchase list's own totals row sums every row: it is read
// whole.
TEST_F(DocumentQueue, ASaveShowsItsDocumentsAsAFullReloadWould) {
    for (const TQueueCase& C : QueueCases()) {
        for (const bool Filtered : {false, true}) {
            SCOPED_TRACE(std::string(C.Name) + (Filtered ? " filtered" : ""));
            Open(C);
            const qint64 Edited = Add(C);
            Add(C);
            const qint64 Deleted = Add(C);
            // The first round saves into an empty list: its blank row goes.
            Press(Qt::Key_F2);
            const QStringList FirstSaved = GridRows(Form->Grid);
            Form->actExecute->trigger();
            EXPECT_EQ(FirstSaved.join(u"\n"_s).toStdString(),
                      GridRows(Form->Grid).join(u"\n"_s).toStdString());
            Form->SortColumns = {3};
            Form->SortDescending = true;
            // The number filter compares texts: the last new document passes it.
            if (Filtered) {
                FilterNumbers(Form, u":"_s + QString::number(Deleted + 2));
                Host.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&Host));
            } else
                Form->actExecute->trigger();
            ASSERT_EQ(Form->Grid->Cells(0, Form->Grid->RowCount() - 1) == FilterTotalsText, Filtered);

            SelectRow(Edited);
            Presenter.PlanPassword(u"shef"_s);
            Press(Qt::Key_F3);
            ASSERT_TRUE(Form->EditingRow);
            Form->feDocNo->setFocus();
            Press(Qt::Key_F4);
            SelectRow(Deleted);
            Presenter.PlanPassword(u"shef"_s);
            Presenter.PlanAnswer(mrYes);
            Presenter.PlanAnswer(mrYes);
            Press(Qt::Key_F5);
            ASSERT_EQ(RowOf(Deleted), -1) << Presenter.Texts().join(u'|').toStdString();
            Presenter.Clear();
            Form->feDocNo->SetValue(double(Deleted + 1));
            const qint64 Moved = Add(C);
            const qint64 Last = Add(C);
            C.TakeNumber(Moved);
            // Unfiltered: what another window saves besides shows after F8 only.
            const qint64 Elsewhere = Last + 900;
            if (!Filtered) C.TakeNumber(Elsewhere);
            Press(Qt::Key_F2);
            ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
            QStringList Refreshed = GridRows(Form->Grid);
            EXPECT_EQ(RowOf(Deleted), -1);
            EXPECT_EQ(RowOf(Elsewhere), -1);
            // The moved document takes the lowest free number, its follower's, which moves on.
            if (!Filtered) {
                EXPECT_GE(RowOf(Last), 0);
                EXPECT_GE(RowOf(Last + 1), 0);
            }
            Form->actExecute->trigger();
            QStringList Reloaded = GridRows(Form->Grid);
            if (const int Other = RowOf(Elsewhere); Other >= 0)
                Reloaded.removeAt(Other - Form->Grid->FixedRows());
            EXPECT_EQ(Refreshed.join(u"\n"_s).toStdString(), Reloaded.join(u"\n"_s).toStdString());
        }
    }
}

// However an edit of yesterday's document ends, given up at F8 or at F6 or queued with F4, the
// window is as it was before F3: its fields editable and holding what they held then, the amount
// cleared and today's date for the next document, which is written as typed. The sale window gives
// its choice of what is sold back.
TEST_F(DocumentQueue, AnEditThatEndsLeavesTheWindowReadyForANewDocument) {
    enum class TEnd { Reload, Filter, Queue };
    const QDate Today = QDate(2024, 3, 1);
    auto End = [&](TEnd How) {
        ASSERT_NE(Form->dtDate_c->date(), Today);
        Presenter.Clear();
        if (How == TEnd::Queue) {
            Form->feDocNo->setFocus();
            Press(Qt::Key_F4);
        } else {
            Presenter.PlanAnswer(mrNo);
            if (How == TEnd::Reload)
                Press(Qt::Key_F8);
            else {
                FilterNumbers(Form, u":999"_s);
                Host.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&Host));
            }
        }
        EXPECT_EQ(Presenter.Texts(), How == TEnd::Queue ? QStringList() : QStringList{LoadStr(65194)});
        EXPECT_FALSE(Form->EditingRow || Form->feSum_c->isReadOnly() || Form->dtDate_c->isReadOnly());
        EXPECT_EQ(Form->feSum_c->Value(), 0);
        EXPECT_EQ(Form->dtDate_c->date(), Today);
    };
    // What the window holds before F3, none of it the lifted document's.
    const auto Held = [&] {
        QStringList Values;
        for (const char* Name : {"leOwner", "leItem", "feGramaj"})
            if (auto* Line = Form->findChild<QLineEdit*>(QString::fromLatin1(Name))) {
                const auto* Number = qobject_cast<TFloatEdit*>(Line);
                Values << (Number ? QString::number(Number->Value()) : Line->text());
            }
        return Values;
    };
    const auto Carry = [&] {
        for (const auto& [Name, Value] : {std::pair{"leOwner", u"0000012345"_s}, std::pair{"leItem", u"5"_s},
                                          std::pair{"feGramaj", u"7"_s}})
            if (auto* Line = Form->findChild<QLineEdit*>(QString::fromLatin1(Name))) Type(Line, Value);
        return Held();
    };
    qint64 Lifted = 0;
    for (const TQueueCase& C : QueueCases()) {
        Open(C);
        Lifted = Add(C);
        Press(Qt::Key_F2);
        // Yesterday's, with the order a purchase paid it with.
        Exec(u"UPDATE %1 SET %2 = %2 - 1"_s.arg(C.Table,
                                                C.Table == u"Contracts"_s ? u"date_c"_s : u"date_d"_s));
        Exec(u"UPDATE Outcomes SET date_d = date_d - 1 WHERE payment_type = 4"_s);
        for (const TEnd How : {TEnd::Reload, TEnd::Filter, TEnd::Queue}) {
            SCOPED_TRACE(std::string(C.Name) + " " + std::to_string(int(How)));
            Open(C);
            const QStringList Before = Carry();
            Lift(Lifted);
            End(How);
            EXPECT_EQ(Held(), Before);
            const qint64 Number = Add(C);
            Press(Qt::Key_F2);
            EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
            EXPECT_TRUE(Saved(C).split(u"°"_s).contains(Numbers(C, {Number}))) << Saved(C).toStdString();
        }
    }
    // The contracts typed after the edits are lent and paid out today.
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts INNER JOIN Outcomes ON contract_n = Contracts.docno "
                        "WHERE payment_type = 1 AND date_c = 45352 AND sum_o = Sum_c"_s),
              u"3"_s);

    // A sale of the last purchase lifted, yesterday's.
    Exec(
        u"Insert into Items_sales values ( 1, 45351, %1, 2, 90, \"\", \"Мария\", \"maria\", 8001011234, 0 )"_s
            .arg(Lifted));
    Exec(u"UPDATE Items_purchases SET sold = True, sold_at_date = 45351 WHERE docno = %1"_s.arg(Lifted));
    const TQueueCase Sales{
        "sale", Maker<TfrmItems_sales>(), u"Продажби"_s, u"Items_sales"_s, u"продажба"_s, {}, {}, {}, {}};
    for (const TEnd How : {TEnd::Reload, TEnd::Filter, TEnd::Queue}) {
        SCOPED_TRACE("sale " + std::to_string(int(How)));
        Open(Sales);
        auto* Window = static_cast<TfrmItems_sales*>(Form.data());
        Lift(1);
        ASSERT_FALSE(Window->rbPledged->isEnabled());
        End(How);
        EXPECT_TRUE(Window->rbPledged->isEnabled() && Window->rbPurchased->isEnabled() &&
                    Window->leContract->isEnabled());
        // The lifted sale's origin is sold: no new sale takes it.
        EXPECT_TRUE(Window->leContract->text().isEmpty());
    }
    ExpectBooksHold();
    ExpectTradeBooksHold(TContractShop::Today);
}

// Two workstations lift one saved document with F3, one after the other: the first saves its
// change, and the second's Save, though it changed something else, finds the document changed
// and writes nothing over it.
TEST_F(DocumentQueue, AnEditOfADocumentChangedSinceItsLiftIsRefused) {
    const auto Sum = [](const QString& Value) {
        return [Value](TDocumentForm* F) { Type(F->feSum_c, Value); };
    };
    const auto Field = [](const char* Name, const QString& Value) {
        return [Name, Value](TDocumentForm* F) {
            Type(F->findChild<QLineEdit*>(QString::fromLatin1(Name)), Value);
        };
    };
    const struct {
        TQueueCase Case;
        std::function<void(TDocumentForm*)> First, Second;
    } Cases[] = {
        {QueueCases()[0],
         [&](TDocumentForm* F) {
             Field("feDuration", u"45"_s)(F);
             Field("feGramaj", u"19"_s)(F);
         },
         Field("edNotes", u"Пояснения"_s)},
        {QueueCases()[1], Sum(u"60"_s), Field("edCustomer_name", u"Друг"_s)},
        {QueueCases()[2], Sum(u"80"_s), Field("edCustomer_name", u"Друг"_s)},
        {QueueCases()[3], Sum(u"130"_s), Field("edCustomer_name", u"Друг"_s)},
        {SaleCase(), Sum(u"160"_s), Field("edCustomer_name", u"Друг"_s)},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Case.Name);
        Open(C.Case);
        const qint64 Number = Add(C.Case);
        Press(Qt::Key_F2);
        ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        TDocumentForm* First = Form;
        TDocumentForm* Second = Make(C.Case);
        Use(Second);
        Lift(Number);
        Use(First);
        Lift(Number);
        C.First(Form);
        Form->feDocNo->setFocus();
        Press(Qt::Key_F4);
        Press(Qt::Key_F2);
        ASSERT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        const QString Row = u"SELECT * FROM %1 WHERE docno = %2"_s.arg(C.Case.Table).arg(Number);
        const QString Stored = QueryText(Row);

        Use(Second);
        C.Second(Form);
        Form->feDocNo->setFocus();
        Press(Qt::Key_F4);
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{u"%1 е променен%2 междувременно.\nРедакцията на %3 номер %4 е "
                              "отменена."_s.arg(Named(C.Case, Number), Ending(C.Case), NounOf(C.Case))
                                  .arg(Number)});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(QueryText(Row), Stored);
        Close();
        Use(First);
    }
    ExpectBooksHold();
    ExpectTradeBooksHold(TContractShop::Today);
}

// A record a new purchase or sale names is deleted by another workstation between F4 and F2: Save
// names it and writes nothing of the document.
TEST_F(DocumentQueue, ADocumentWhoseRecordWasDeletedMeanwhileIsNotWritten) {
    const QString Maria = u"Insert into Owners values ( 12345, \"Мария Георгиева\", \"Пловдив\", \"\", \"\", "
                          "\"\", False, True, 2, \"\", \"\", \"\", \"\" )"_s;
    const struct {
        TQueueCase Case;
        const char* Field;
        QString Code;
        QString Delete;
        QString Restore;
        QString Refusal;
    } Cases[] = {
        {QueueCases()[3], "leOwner", u"0000012345"_s, u"Delete from Owners Where EGN = 12345"_s, Maria,
         u"Продавач с ЕГН 0000012345 не съществува."_s},
        {QueueCases()[3], "leItem", u"5"_s, u"Delete from Items Where code_i = 5"_s,
         u"Insert into Items values ( 5, \"Пръстен 585\", 1 )"_s, u"Вещ с шифър 5 не съществува."_s},
        {SaleCase(), "leOwner", u"0000012345"_s, u"Delete from Owners Where EGN = 12345"_s, Maria,
         u"Купувач с ЕГН 0000012345 не съществува."_s},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Refusal.toStdString());
        Open(C.Case);
        const auto Number = qint64(Form->feDocNo->Value());
        C.Case.Enter(Form);
        Type(Form->findChild<QLineEdit*>(QString::fromLatin1(C.Field)), C.Code);
        Form->feDocNo->setFocus();
        Press(Qt::Key_F4);
        ASSERT_FALSE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        SaveElsewhere(C.Delete);
        Presenter.Clear();
        Press(Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{C.Refusal + u"\n%1 не е записан%2."_s.arg(
                                                                 Named(C.Case, Number), Ending(C.Case))});
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM %1 WHERE docno = %2"_s.arg(C.Case.Table).arg(Number)),
                  u"0"_s);
        Exec(C.Restore);
    }
    ExpectBooksHold();
    ExpectTradeBooksHold(TContractShop::Today);
}

// The last numbers F4 takes: a document moved at Save onto the last one is written there, the one
// after it finds no number left and is refused alone, never written past the range.
TEST_F(DocumentQueue, SaveRenumbersNoDocumentPastTheLastNumber) {
    const TQueueCase C = QueueCases()[1];
    Open(C);
    Form->feDocNo->SetValue(999999998);
    ASSERT_EQ(Add(C), 999999998);
    ASSERT_EQ(Add(C), 999999999);
    C.TakeNumber(999999998);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList{
            u"Номер 999999999 е зает, а след него няма свободен номер до 999 999 999.\n"
            "Приходен касов ордер номер 999999999 не е записан. Останалото може да бъде записано с F2."_s});
    EXPECT_EQ(Form->PendingSql.size(), 1);
    Presenter.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Номер 999999998 е бил зает междувременно. Записан е с номер 999999999."_s});
    EXPECT_EQ(QueryText(u"SELECT docno FROM Incomes ORDER BY docno"_s), u"999999998°999999999"_s);
}
