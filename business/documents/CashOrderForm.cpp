#include "business/documents/CashOrderForm.h"

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
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
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

    connect(btnPrintOrder, &QPushButton::clicked, this, [this] { PrintDocument(); });
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
    const double Sum = feSum_c->Value();
    if (Sum < 0 && ValidateEntry().isEmpty() &&
        ConfirmYesNoFmt(u"Сумата на ордера е отрицателна (%s). Желаете ли да запишете корекция?"_s,
                        {FloatToFixedStr(AmountDecimals, Sum)}) != mrYes)
        return false;
    return TDocumentForm::Add();
}

QString TCashOrderForm::ContractOfCell(const QString& Cell) {
    const QString Contract = Cell.trimmed();
    return StrToIntOrZero(Contract) == 0 ? QString() : Contract;
}

bool TCashOrderForm::KeepsLiftedContract(const TCashOrderEntry& Entry) const {
    return EditingRow && Entry.Contract == Lifted.Contract && Entry.Owner == Lifted.Owner;
}

QString TCashOrderForm::ValidateEntry() {
    const TCashOrderEntry Entry = CurrentEntry();
    TCashOrderCheck Check;
    Check.GridNumbers = GridNumbers();
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    if (!EditingRow && Entry.DocNo != 0)
        Check.DocNoStored = DocumentNumberStored(this, FReceipt ? u"Incomes"_s : u"Outcomes"_s, Entry.DocNo);
    if (FReceipt && IsContractPaymentType(Entry.PaymentType) && !Entry.Contract.isEmpty()) {
        // The contract list holds the borrower's open contracts, column 3 what each still owes of
        // the chosen type; an edited receipt may keep its own contract, which may be closed by now.
        const bool Listed = !ListEditLookup(leContract, 0, 0, Entry.Contract).isEmpty();
        Check.ContractListed = Listed || KeepsLiftedContract(Entry);
        if (Listed && Entry.PaymentType == 1) {
            Check.PrincipalLimit = StrToFloatDot(ListEditLookup(leContract, 0, 3, Entry.Contract), 0);
            if (KeepsLiftedContract(Entry) && Lifted.PaymentType == 1) Check.PrincipalLimit += Lifted.Sum;
        }
    }
    return FReceipt ? IncomeValidationText(Entry, Check) : OutcomeValidationText(Entry, Check);
}

QStringList TCashOrderForm::EntryStatements() {
    const TCashOrderEntry Entry = CurrentEntry();
    const qint64 Key = StrToIntOrZero(EditingKey);
    if (FReceipt) {
        const QString Sql = EditingRow ? IncomeUpdateSql(TableName, KeyField, Key, Entry)
                                       : IncomeInsertSql(TableName, Entry, UserName);
        if (IsContractPaymentType(Entry.PaymentType) && !KeepsLiftedContract(Entry))
            FContractReceipts.insert(Sql, Entry);
        return {Sql};
    }
    return {EditingRow ? OutcomeUpdateSql(TableName, KeyField, Key, Entry)
                       : OutcomeInsertSql(TableName, Entry, UserName)};
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

QString TCashOrderForm::CheckInsideSave() {
    // Another window may have settled, sold or deleted the contract since the receipt was queued,
    // or taken principal it owed.
    QHash<qint64, double> Principal;
    for (const QString& Sql : PendingSql) {
        const auto Receipt = FContractReceipts.constFind(Sql);
        if (Receipt == FContractReceipts.cend()) continue;
        const qint64 Contract = StrToIntOrZero(Receipt->Contract);
        if (!ContractOpen(this, Contract)) return ContractChangedText();
        if (Receipt->PaymentType == 1) Principal[Contract] += Receipt->Sum;
    }
    for (auto Paid = Principal.cbegin(); Paid != Principal.cend(); ++Paid) {
        QString Debt, Failure;
        TDelimitedStringList OneTime, Daily, Row;
        // Quietly: a message box here would hold the write lock until the operator answers it.
        if (!ContractDebtQuietly(this, QString::number(Paid.key()), Debt, Date(), OneTime, Daily, Failure))
            return Failure.isEmpty() ? ContractChangedText() : Failure;
        Row.SetTextStr(Debt);
        const double Owed = StrToFloatDot(Row.GetField(0, dfPrincipalOutstanding), 0);
        if (std::llround(Paid.value() * 100) > std::llround(Owed * 100)) return ContractChangedText();
    }
    return QString();
}

void TCashOrderForm::Saved() {
    FContractReceipts.clear();
}
