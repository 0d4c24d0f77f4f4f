#include "business/documents/CashOrderForm.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

TCashOrderForm::TCashOrderForm(QWidget* Owner, bool Receipt, const TCashOrderColumns& Columns)
    : TDocumentForm(Owner), Columns(Columns), FReceipt(Receipt) {
    ctrl_F9->setText(u"Печат на ордер"_s);
}

void TCashOrderForm::MakeOrderEdits() {
    QWidget* P = pnlParams;
    MakeNumberAndDate();
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewOwnerEdit(P, pnlOwner);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leContract = NewListEdit(P, u"leContract"_s, pnlItem, 80);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 160);
    feSum_c = NewNumberEdit(u"feSum_c"_s, AmountDecimals, 110);
    edCustomer_name = NewNameEdit(u"edCustomer_name"_s);
    edSupplier_name = NewNameEdit(u"edSupplier_name"_s);
    btnPrintOrder = NewPrintButton(u"btnPrintOrder"_s, u"Печат на ордер"_s);

    connect(btnPrintOrder, &QPushButton::clicked, ctrl_F9, &QAction::trigger);
    leOwner->OnChange = [this](QWidget*) { BuildContractList(); };
    leOwner->OnFormOk = [this](QWidget*) { BuildContractList(); };
}

void TCashOrderForm::LayOutOrderEdits(QGridLayout* L) {
    QWidget* P = pnlParams;
    auto Caption = [P](const QString& Text) { return new QLabel(Text, P); };
    LayOutNumberAndDate(L, 4);
    L->addWidget(Caption(u"Заемополучател (ЕГН):"_s), 1, 0);
    L->addWidget(leOwner, 1, 1);
    L->addWidget(Caption(u"Заемополучател (имена):"_s), 1, 2);
    L->addWidget(pnlOwner, 1, 3, 1, 5);
    L->addWidget(Caption(u"Договор:"_s), 2, 0);
    L->addWidget(leContract, 2, 1);
    L->addWidget(pnlItem, 2, 2);
    L->addWidget(Caption(u"Сериен номер (спецификация):"_s), 2, 3);
    L->addWidget(pnlSN, 2, 4, 1, 4);
    L->addWidget(Caption(u"Сума:"_s), 3, 0);
    L->addWidget(feSum_c, 3, 1);
    L->addWidget(Caption(u"Клиент:"_s), 3, 2);
    L->addWidget(edCustomer_name, 3, 3, 1, 5);
    L->addWidget(Caption(u"Служител в заложна къща:"_s), 4, 2);
    L->addWidget(edSupplier_name, 4, 3, 1, 5);
    L->addWidget(btnPrintOrder, 4, 0, 1, 2);
    L->setColumnStretch(3, 1);
    P->setFixedHeight(L->sizeHint().height());
}

TCashOrderEntry TCashOrderForm::CurrentEntry() const {
    TCashOrderEntry E;
    E.DocNo = feDocNo->Value();
    E.Date = QDateToDateTime(dtDate_c->date());
    E.Owner = leOwner->text().trimmed();
    E.Contract = leContract->text().trimmed();
    E.PaymentType = PaymentType();
    E.Sum = feSum_c->Value();
    E.Customer = edCustomer_name->text();
    E.Supplier = edSupplier_name->text();
    return E;
}

bool TCashOrderForm::Add() {
    // The questions are about an order that may be queued.
    if (ValidateEntry().isEmpty()) {
        const TCashOrderEntry Entry = CurrentEntry();
        if (Entry.Sum < 0 &&
            ConfirmYesNoFmt(u"Сумата на ордера е отрицателна (%s). Желаете ли да запишете корекция?"_s,
                            {FloatToFixedStr(AmountDecimals, Entry.Sum)}) != mrYes)
            return false;
        // A sale is taken in, a purchase paid, by one order as a rule.
        const bool ForDocument =
            FReceipt ? Entry.PaymentType == 4 || Entry.PaymentType == 5 : Entry.PaymentType == 4;
        if (ForDocument && !SameDocument(Entry)) {
            const QString Document = Entry.Contract.trimmed();
            QStringList Orders =
                LinkedOrderNumbers(this, OrdersTable(), StrToIntOrZero(Document), Entry.PaymentType) +
                QueuedNumbers(Entry.PaymentType, Document);
            if (EditingRow) Orders.removeAll(EditingKey.trimmed());
            if (!Orders.isEmpty() &&
                ConfirmYesNoFmt(FReceipt
                                    ? u"Продажба номер %s вече има приходен касов ордер (%s). Желаете ли "
                                      "да запишете още един?"_s
                                    : u"Покупка номер %s вече има разходен касов ордер (%s). Желаете ли "
                                      "да запишете още един?"_s,
                                {Document, Orders.join(u", "_s)}) != mrYes)
                return false;
        }
    }
    return TDocumentForm::Add();
}

bool TCashOrderForm::Edit() {
    if (!EditingRow) {
        const qint64 Number = SelectedDocNo();
        const QString Refusal = Number == 0 ? QString() : OwnOrderRefusal(this, OrdersTable(), Number);
        if (!Refusal.isEmpty()) {
            ShowErrorFmt(Refusal);
            return false;
        }
    }
    return TDocumentForm::Edit();
}

QString TCashOrderForm::OrdersTable() const {
    return FReceipt ? u"Incomes"_s : u"Outcomes"_s;
}

bool TCashOrderForm::Delete() {
    const qint64 Number = SelectedDocNo();
    const bool Queued = Number != 0 && QueuedAsNew(Number);
    if (Queued && FReceipt)
        for (const TQueuedOrder& Order : QueuedOrders())
            if (!Order.Edit && !Order.Delete && Whole(Order.Entry.DocNo) == Number)
                if (const QString Refusal = CorrectionsRefusal(StrToIntOrZero(Order.Entry.Contract.trimmed()),
                                                               Order.Entry.PaymentType, -Order.Entry.Sum);
                    !Refusal.isEmpty()) {
                    ShowErrorFmt(Refusal);
                    return false;
                }
    if (!TDocumentForm::Delete()) return false;
    if (Queued && !EditingRow && !QueuedAsNew(Number) && Number < std::llround(feDocNo->Value()))
        feDocNo->SetValue(double(Number));
    return true;
}

bool TCashOrderForm::PaymentTypeListed() const {
    return true;
}

QString TCashOrderForm::ContractOfCell(const QString& Cell) {
    const QString Contract = Cell.trimmed();
    return StrToIntOrZero(Contract) == 0 ? QString() : Contract;
}

bool TCashOrderForm::SameDocument(const TCashOrderEntry& Entry) const {
    return EditingRow && !OtherDocument(Entry, Lifted);
}

namespace {

// A contract's receipts of one type.
using TReceiptKind = std::pair<qint64, int>;

TReceiptKind KindOf(const TCashOrderEntry& Entry) {
    return {StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType};
}

// What a queued order adds to what the receipts of Kind took: a new receipt its amount, a deleted
// one less its amount, an edit the new amount less the lifted one.
double AmountOf(const TCashOrderEntry& Entry, bool Edit, const TCashOrderEntry& Lifted, bool Delete,
                const TReceiptKind& Kind) {
    if (Delete) return KindOf(Entry) == Kind ? -Entry.Sum : 0;
    double Sum = KindOf(Entry) == Kind ? Entry.Sum : 0;
    if (Edit && KindOf(Lifted) == Kind) Sum -= Lifted.Sum;
    return Sum;
}

// The day the debt of a contract of Date is taken at for a receipt: as its list takes it.
TDateTime ReceiptAtDate(TDateTime ContractDate) {
    return SettlementAtDate(Date(), ContractDate, WorkstationOptionOn(rg_Registry_6));
}

} // namespace

QList<TCashOrderForm::TQueuedOrder> TCashOrderForm::QueuedOrders() const {
    QList<TQueuedOrder> Orders;
    for (int Key : QueuedKeys())
        if (const auto Order = FQueued.constFind(Key); Order != FQueued.cend()) Orders << *Order;
    return Orders;
}

void TCashOrderForm::NoteQueuing(TQueuedOrder Order) {
    const QList<int> Keys = QueuedKeys();
    FQueued.removeIf([&Keys](const auto& Queued) { return !Keys.contains(Queued.key()); });
    Order.Key = QueuingKey();
    FQueued.insert(Order.Key, Order);
}

QStringList TCashOrderForm::QueuedNumbers(int PaymentType, const QString& Contract) const {
    QStringList Numbers;
    for (const TQueuedOrder& Order : QueuedOrders())
        if (!Order.Delete && Order.Entry.PaymentType == PaymentType &&
            Order.Entry.Contract.trimmed() == Contract &&
            (!Order.Edit || OtherDocument(Order.Entry, Order.Lifted)))
            Numbers << FloatToStrDot(-1, Order.Entry.DocNo);
    return Numbers;
}

QString TCashOrderForm::CorrectionsRefusal(qint64 Contract, int Type, double Change) {
    const qint64 Taken = std::llround(Change * 100);
    if (Taken >= 0 || Contract == 0 || !IsContractPaymentType(Type)) return QString();
    const qint64 Total =
        std::llround((ReceivedOnContract(this, Contract, Type) + QueuedAmount(Contract, Type)) * 100) + Taken;
    return Total < 0 ? CorrectionsExceedText(Contract, Type, Total) : QString();
}

double TCashOrderForm::QueuedAmount(qint64 Contract, int PaymentType) const {
    double Sum = 0;
    for (const TQueuedOrder& Order : QueuedOrders())
        Sum += AmountOf(Order.Entry, Order.Edit, Order.Lifted, Order.Delete, {Contract, PaymentType});
    return Sum;
}

QString TCashOrderForm::ValidateEntry() {
    const TCashOrderEntry Entry = CurrentEntry();
    TCashOrderCheck Check;
    Check.GridNumbers = GridNumbers();
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    Check.SameDocument = SameDocument(Entry);
    if (EditingRow) Check.Lifted = Lifted;
    if (!EditingRow && Entry.DocNo != 0)
        Check.DocNoStored = DocumentNumberStored(this, FReceipt ? u"Incomes"_s : u"Outcomes"_s, Entry.DocNo);
    const QString Contract = Entry.Contract.trimmed();
    const qint64 ContractNo = StrToIntOrZero(Contract);
    if (IsOrderOnContract(FReceipt, Entry.PaymentType) && ContractNo != 0)
        Check.Contract = ReadContractState(this, ContractNo);
    if (!FReceipt) {
        if (Entry.PaymentType == 1 && ContractNo != 0 && !Check.SameDocument)
            Check.Payouts =
                LinkedOrderNumbers(this, u"Outcomes"_s, ContractNo, 1) + QueuedNumbers(1, Contract);
        // The list holds every purchase; an edit that keeps its purchase may find it gone by now.
        if (Entry.PaymentType == 4)
            Check.PurchaseListed =
                Check.SameDocument ||
                (!Contract.isEmpty() && !ListEditLookup(leContract, 0, 0, Contract).isEmpty());
        return OutcomeValidationText(Entry, Check);
    }
    if (EditingRow && IsContractPaymentType(Lifted.PaymentType)) {
        const TReceiptKind Old = KindOf(Lifted);
        Check.LiftedContract = ReadContractState(this, Old.first);
        // A correction of the same receipts is checked as a correction.
        if (!(KindOf(Entry) == Old && Entry.Sum < 0))
            Check.CorrectionsRefusal =
                CorrectionsRefusal(Old.first, Old.second, AmountOf(Entry, true, Lifted, false, Old));
    }
    Check.TypeListed = PaymentTypeListed();
    // An edit that keeps its order's contract may find it closed by now: what it may change of it
    // is the closed contract's rule.
    const TContractState& State = Check.Contract;
    if (IsContractPaymentType(Entry.PaymentType) && !Contract.isEmpty()) {
        if (!Check.SameDocument)
            Check.ContractRefusal =
                ReceiptContractRefusal(Contract, Entry.Owner, State, WorkstationOptionOn(rg_Registry_5));
        double Owed = 0;
        if (Check.ContractRefusal.isEmpty() && State.Stored && !State.Finished && !State.Sold &&
            OwedOnContract(this, ContractNo, Entry.PaymentType, ReceiptAtDate(State.Date), Owed,
                           Check.DebtFailure)) {
            // What the queue holds of the type counts as received already; the lifted receipt is
            // counted in the books, and its edit replaces it: it may always stay as it was.
            const TReceiptKind Kind{ContractNo, Entry.PaymentType};
            const bool Replaces = EditingRow && KindOf(Lifted) == Kind;
            double Queued = QueuedAmount(ContractNo, Entry.PaymentType);
            if (Replaces) Queued -= Lifted.Sum;
            Check.AmountsKnown = true;
            Check.Owed = Owed - Queued;
            Check.Received = ReceivedOnContract(this, ContractNo, Entry.PaymentType) + Queued;
            if (Replaces) {
                Check.Owed = std::max(Check.Owed, Lifted.Sum);
                Check.Received = std::max(Check.Received, -Lifted.Sum);
            }
        }
    }
    // The sales list holds the sales of the chosen kind; an edit that keeps its sale may find it
    // gone by now.
    const bool Listed = !Contract.isEmpty() && !ListEditLookup(leContract, 0, 0, Contract).isEmpty();
    if (Entry.PaymentType == 4 || Entry.PaymentType == 5) Check.SaleListed = Listed || Check.SameDocument;
    return IncomeValidationText(Entry, Check);
}

QStringList TCashOrderForm::EntryStatements() {
    const TCashOrderEntry Entry = CurrentEntry();
    const qint64 Key = StrToIntOrZero(EditingKey);
    QString Sql;
    if (FReceipt)
        Sql = EditingRow ? IncomeUpdateSql(TableName, KeyField, Key, Entry)
                         : IncomeInsertSql(TableName, Entry, UserName);
    else
        Sql = EditingRow ? OutcomeUpdateSql(TableName, KeyField, Key, Entry)
                         : OutcomeInsertSql(TableName, Entry, UserName);
    NoteQueuing({0, Entry, EditingRow, EditingRow ? Lifted : TCashOrderEntry(), false});
    return {Sql};
}

QList<TDocumentReference> TCashOrderForm::EntryReferences() {
    const TCashOrderEntry Entry = CurrentEntry();
    if (SameDocument(Entry)) return {};
    const qint64 Document = StrToIntOrZero(Entry.Contract.trimmed());
    if (FReceipt && (Entry.PaymentType == 4 || Entry.PaymentType == 5)) return {SaleReference(Document)};
    if (!FReceipt && Entry.PaymentType == 4) return {PurchaseReference(Document)};
    return {};
}

QStringList TCashOrderForm::EntryRow() {
    const TCashOrderEntry Entry = CurrentEntry();
    const int Last = std::max({Columns.DocNo, Columns.Date, Columns.Contract, Columns.Sum, Columns.EGN,
                               Columns.Type, Columns.Customer, Columns.Supplier, Columns.Kind});
    QStringList Cells(Last + 1);
    Cells[Columns.DocNo] = FloatToStrDot(-1, Entry.DocNo);
    Cells[Columns.Date] = DateToStr(Entry.Date);
    Cells[Columns.Contract] = Entry.Contract;
    Cells[Columns.Sum] = FloatToFixedStr(AmountDecimals, Entry.Sum);
    Cells[Columns.EGN] = Entry.Owner;
    Cells[Columns.Type] = QString::number(Entry.PaymentType);
    Cells[Columns.Customer] = Entry.Customer;
    Cells[Columns.Supplier] = Entry.Supplier;
    if (Columns.Kind >= 0) Cells[Columns.Kind] = OutcomeKindText(Entry.PaymentType);
    return Cells;
}

void TCashOrderForm::PrintDocument() {
    const QStringList Cells = SelectedCells({Columns.DocNo, Columns.Date, Columns.Contract, Columns.Sum,
                                             Columns.Customer, Columns.Type, Columns.Supplier});
    if (!Cells.isEmpty()) PrintCashOrder(this, FReceipt, Cells);
}

QString TCashOrderForm::RecheckQueued(const TQueuedOrder& Order) {
    const TCashOrderEntry& Entry = Order.Entry;
    const QString Contract = Entry.Contract.trimmed();
    const qint64 ContractNo = StrToIntOrZero(Contract);
    const bool New = !Order.Delete && (!Order.Edit || OtherDocument(Entry, Order.Lifted));
    if (FReceipt) {
        // Another window may have redeemed or sold the contract of a receipt changed or deleted here.
        const TCashOrderEntry& Old = Order.Delete ? Entry : Order.Lifted;
        if ((Order.Delete || (Order.Edit && OrderMoneyChanged(Entry, Old))) &&
            IsContractPaymentType(Old.PaymentType)) {
            const qint64 OldContract = StrToIntOrZero(Old.Contract.trimmed());
            const TContractState State = ReadContractState(this, OldContract);
            if (State.Finished || State.Sold) return ClosedContractText(OldContract, State, Order.Delete);
        }
        // Or settled, sold, deleted or declared for sale the contract a receipt pays.
        if (New && IsContractPaymentType(Entry.PaymentType)) {
            const TContractState State = ReadContractState(this, ContractNo);
            if (!State.Open()) return ContractChangedText();
            if (QString Refusal = ForSaleRefusal(Contract, State, WorkstationOptionOn(rg_Registry_5));
                !Refusal.isEmpty())
                return Refusal;
        }
        return QString();
    }
    // Or saved the contract a payment pays out, with its payout.
    if (!New || Entry.PaymentType != 1) return QString();
    if (!ReadContractState(this, ContractNo).Stored) return NoContractText(Contract);
    const QStringList Payouts = LinkedOrderNumbers(this, u"Outcomes"_s, ContractNo, 1);
    return Payouts.isEmpty() ? QString() : PayoutTakenText(Contract, Payouts);
}

QString TCashOrderForm::CheckInsideSave(int& Refused) {
    // Of each contract's receipts of a type that the queue changes, the last order that adds to
    // them and the last that takes from them: the one to drop when the contract no longer owes
    // what the queue pays, or no longer holds what a correction takes back.
    QMap<TReceiptKind, std::pair<int, int>> Changed;
    for (const TQueuedOrder& Order : QueuedOrders()) {
        if (QString Refusal = RecheckQueued(Order); !Refusal.isEmpty()) {
            Refused = Order.Key;
            return Refusal;
        }
        if (!FReceipt) continue;
        for (const TCashOrderEntry* Entry : {&Order.Entry, &Order.Lifted}) {
            const TReceiptKind Kind = KindOf(*Entry);
            if (!IsContractPaymentType(Kind.second) || Kind.first == 0) continue;
            const double Amount = AmountOf(Order.Entry, Order.Edit, Order.Lifted, Order.Delete, Kind);
            auto& Last = Changed[Kind];
            if (Amount > 0) Last.first = Order.Key;
            if (Amount < 0) Last.second = Order.Key;
        }
    }
    for (auto Kind = Changed.cbegin(); Kind != Changed.cend(); ++Kind) {
        const auto [Contract, Type] = Kind.key();
        const qint64 Queued = std::llround(QueuedAmount(Contract, Type) * 100);
        if (Queued < 0) {
            const qint64 Total = std::llround(ReceivedOnContract(this, Contract, Type) * 100) + Queued;
            if (Total >= 0) continue;
            Refused = Kind.value().second;
            return CorrectionsExceedText(Contract, Type, Total);
        }
        if (Queued == 0) continue;
        double Owed = 0;
        QString Failure;
        // Quietly: a message box here would hold the write lock until the operator answers it.
        const bool Computed = OwedOnContract(
            this, Contract, Type, ReceiptAtDate(ReadContractState(this, Contract).Date), Owed, Failure);
        if (Computed && Queued <= std::llround(Owed * 100)) continue;
        Refused = Kind.value().first;
        return Computed || Failure.isEmpty() ? ContractChangedText() : Failure;
    }
    return QString();
}

void TCashOrderForm::Saved() {
    FQueued.clear();
}

QString TCashOrderForm::DeleteRefusal(qint64 Number) {
    if (QString Own = OwnOrderRefusal(this, OrdersTable(), Number); !Own.isEmpty() || !FReceipt) return Own;
    TCashOrderEntry Stored;
    if (!ReadStoredOrder(this, TableName, Number, Stored) || !IsContractPaymentType(Stored.PaymentType))
        return QString();
    const qint64 Contract = StrToIntOrZero(Stored.Contract);
    const TContractState State = ReadContractState(this, Contract);
    if (State.Finished || State.Sold) return ClosedContractText(Contract, State, true);
    // Inside Save the delete is queued, and what the queue leaves of each type is checked already.
    const QList<TQueuedOrder> Queued = QueuedOrders();
    if (std::any_of(Queued.begin(), Queued.end(), [Number](const TQueuedOrder& Order) {
            return Order.Delete && Whole(Order.Entry.DocNo) == Number;
        }))
        return QString();
    return CorrectionsRefusal(Contract, Stored.PaymentType, -Stored.Sum);
}

QStringList TCashOrderForm::DeleteStatements(int Row, qint64 Number) {
    QStringList Statements = TDocumentForm::DeleteStatements(Row, Number);
    TQueuedOrder Order;
    Order.Delete = true;
    if (ReadStoredOrder(this, TableName, Number, Order.Entry)) NoteQueuing(Order);
    return Statements;
}
