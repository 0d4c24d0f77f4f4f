#include "business/documents/un_Outcomes.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/registers/RegisterForm.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "business/documents/un_Incomes.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

enum {
    ocDocNo,
    ocDate,
    ocContract,
    ocSum,
    ocEGN,
    ocCustomer,
    ocSupplier,
    ocType,
    ocKind,
    ocUser,
    OutcomeColumns
};

const int ItemTypes[3] = {1, 3, 4};

TLimitedEdit* NameEdit(QWidget* Parent, const QString& Name) {
    auto* edit = new TLimitedEdit(Parent);
    edit->setObjectName(Name);
    edit->setMaxLength(60);
    edit->SetValidChars(u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s);
    return edit;
}

} // namespace

TfrmOutcomes::TfrmOutcomes(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmOutcomes"_s);
    QWidget* P = pnlParams;
    auto* L = new QGridLayout(P);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    L->setVerticalSpacing(3);
    feDocNo = new TFloatEdit(P);
    feDocNo->setObjectName(u"feDocNo"_s);
    feDocNo->SetPrecision(0);
    feDocNo->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    feDocNo->setFixedWidth(80);
    dtDate_c = new QDateEdit(P);
    dtDate_c->setObjectName(u"dtDate_c"_s);
    dtDate_c->setDisplayFormat(u"dd.MM.yyyy"_s);
    dtDate_c->setCalendarPopup(true);
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewListEdit(P, u"leOwner"_s, pnlOwner, 120);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leContract = NewListEdit(P, u"leContract"_s, pnlItem, 80);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 160);
    feSum_c = new TFloatEdit(P);
    feSum_c->setObjectName(u"feSum_c"_s);
    feSum_c->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    feSum_c->setFixedWidth(110);
    edCustomer_name = NameEdit(P, u"edCustomer_name"_s);
    edSupplier_name = NameEdit(P, u"edSupplier_name"_s);
    rgPayment_type = new QGroupBox(u" Вид: "_s, P);
    rgPayment_type->setObjectName(u"rgPayment_type"_s);
    PaymentTypeItems = new QButtonGroup(this);
    auto* box = new QHBoxLayout(rgPayment_type);
    box->setContentsMargins(6, 2, 6, 2);
    const QString items[3] = {u"за нов залог"_s, u"на собственик"_s, u"при покупка"_s};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(items[i], rgPayment_type);
        PaymentTypeItems->addButton(radio, i);
        box->addWidget(radio);
    }
    PaymentTypeItems->button(1)->setChecked(true);
    btnPrintOrder = new QPushButton(u"Печат на ордер"_s, P);
    btnPrintOrder->setObjectName(u"btnPrintOrder"_s);
    btnPrintOrder->setFocusPolicy(Qt::NoFocus);

    L->addWidget(rgPayment_type, 0, 0, 1, 4);
    L->addWidget(new QLabel(u"Номер:"_s, P), 0, 4);
    L->addWidget(feDocNo, 0, 5);
    L->addWidget(new QLabel(u"Дата:"_s, P), 0, 6);
    L->addWidget(dtDate_c, 0, 7);
    L->addWidget(new QLabel(u"Заемополучател (ЕГН):"_s, P), 1, 0);
    L->addWidget(leOwner, 1, 1);
    L->addWidget(new QLabel(u"Заемополучател (имена):"_s, P), 1, 2);
    L->addWidget(pnlOwner, 1, 3, 1, 5);
    L->addWidget(new QLabel(u"Договор:"_s, P), 2, 0);
    L->addWidget(leContract, 2, 1);
    L->addWidget(pnlItem, 2, 2);
    L->addWidget(new QLabel(u"Сериен номер (спецификация):"_s, P), 2, 3);
    L->addWidget(pnlSN, 2, 4, 1, 4);
    L->addWidget(new QLabel(u"Сума:"_s, P), 3, 0);
    L->addWidget(feSum_c, 3, 1);
    L->addWidget(new QLabel(u"Клиент:"_s, P), 3, 2);
    L->addWidget(edCustomer_name, 3, 3, 1, 5);
    L->addWidget(new QLabel(u"Служител в заложна къща:"_s, P), 4, 2);
    L->addWidget(edSupplier_name, 4, 3, 1, 5);
    L->addWidget(btnPrintOrder, 4, 0, 1, 2);
    L->setColumnStretch(3, 1);
    P->setFixedHeight(L->sizeHint().height());

    for (QAction* A : {actNew, actEdit, actSave, actDelete})
        A->setEnabled(true);
    ctrl_F9 = new QAction(u"Печат на ордер"_s, this);
    ctrl_F9->setObjectName(u"ctrl_F9"_s);
    ctrl_F9->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
    ctrl_F9->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ctrl_F9);
    connect(ctrl_F9, &QAction::triggered, this, [this] { PrintOrder(); });
    connect(btnPrintOrder, &QPushButton::clicked, this, [this] { PrintOrder(); });
    connect(PaymentTypeItems, &QButtonGroup::idClicked, this, [this] { BuildContractList(); });
    leOwner->OnChange = [this](QWidget*) { BuildContractList(); };
    leOwner->OnFormOk = [this](QWidget*) { BuildContractList(); };
    leOwner->OnBitButtonClick = [this](QWidget*) { GetOwnersList(this, leOwner); };
    leContract->OnChange = [this](QWidget*) { ContractChanged(); };
    leContract->OnFormOk = [this](QWidget*) { ContractChanged(); };

    const QStringList headers{u"Номер"_s,  u"Дата"_s,     u"Договор"_s, u"Сума"_s,        u"ЕГН"_s,
                              u"Клиент"_s, u"Служител"_s, u"Вид"_s,     u"Направление"_s, u"Оператор"_s};
    Grid->SetColCount(OutcomeColumns);
    Grid->SetFixedRows(1);
    Grid->SetRowCount(2);
    Grid->SetFixedCols(0);
    const int widths[OutcomeColumns] = {70, 80, 70, 100, 100, 180, 180, 40, 120, 100};
    for (int c = 0; c < OutcomeColumns; ++c) {
        Grid->SetCells(c, 0, headers[c]);
        Grid->SetColWidths(c, widths[c]);
    }
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TfrmOutcomes::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    StopEditing();
    try {
        GetOwnersList(this, leOwner);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    dtDate_c->setDate(DateTimeToQDate(Date()));
    Grid->ColAttributes(ocSum)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(ocContract)->SetAlignment({caCenter});
    Grid->ColAttributes(ocType)->SetAlignment({caCenter});
    edCustomer_name->setText(ReadRegString(u"frmOutcomes_edCustomer_name"_s));
    edSupplier_name->setText(ReadRegString(u"frmOutcomes_edSupplier_name"_s));
    const QString lastEGN = ReadRegString(u"Last_EGN"_s).trimmed();
    if (!lastEGN.isEmpty()) {
        QString padded;
        FormatEGN(lastEGN, padded);
        leOwner->setText(padded);
    }
    feSum_c->SetPrecision(AmountDecimals);
    PrintSettingsName = u"frmOutcomes_print_settings"_s;
    return Result;
}

bool TfrmOutcomes::Done() {
    PendingSql.clear();
    if (!leOwner->text().trimmed().isEmpty()) WriteRegString(u"Last_EGN"_s, leOwner->text().trimmed());
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmOutcomes_edSupplier_name"_s, edSupplier_name->text());
    if (leOwner->text().trimmed().isEmpty())
        WriteRegString(u"frmOutcomes_edCustomer_name"_s, edCustomer_name->text());
    return TMAccountReadForm::Done();
}

bool TfrmOutcomes::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    Container()->setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    DoExecute();
    ProposeNextKey(this, TableName, KeyField, feDocNo);
    return Result;
}

bool TfrmOutcomes::Execute() {
    TMAccountReadForm::Execute();
    LoadCashOrderList(this, OutcomeListSql(WorkstationOptionOn(rg_Registry_3), Date()), true);
    return true;
}

int TfrmOutcomes::PaymentItem() const {
    return PaymentTypeItems->checkedId();
}

void TfrmOutcomes::SetPaymentItem(int Item) {
    if (QAbstractButton* button = PaymentTypeItems->button(Item)) button->setChecked(true);
}

bool TfrmOutcomes::BuildContractList() {
    edCustomer_name->setText(pnlOwner->text());
    leContract->clear();
    TDelimitedStringList List;
    try {
        switch (PaymentItem()) {
        case 0: {
            QString egn;
            FormatEGN(leOwner->text().trimmed(), egn);
            RunQuery(
                this, AdoConnection,
                Format(
                    u"SELECT Contracts.docno,         Item_types.Name_i_t,        Items.SN FROM Owners INNER "
                    "JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER JOIN "
                    "Contracts ON Items.code_i = Contracts.code_i) ON Owners.EGN = Contracts.EGN WHERE "
                    "(((Contracts.Finished)=False) and (Owners.EGN = %f )) ORDER BY Contracts.docno"_s,
                    {double(StrToIntOrZero(egn))}),
                &List);
            FillListEdit(leContract, u"Договор@Вещ@Сериен номер"_s, List, 0);
            break;
        }
        case 1:
            FillListEdit(leContract, u"Договор@Вещ@Сериен номер"_s, List, 0);
            break;
        case 2:
            GetUnsoldPurchasesList(this, leContract);
            break;
        default:
            break;
        }
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    return true;
}

void TfrmOutcomes::ContractChanged() {
    const QString key = leContract->text().trimmed();
    if (PaymentItem() == 2) {
        pnlSN->setText(ListEditLookup(leContract, 0, 3, key));
        pnlItem->setText(ListEditLookup(leContract, 0, 4, key));
    } else {
        pnlSN->setText(ListEditLookup(leContract, 0, 2, key));
    }
}

TCashOrderEntry TfrmOutcomes::CurrentEntry() const {
    TCashOrderEntry E;
    E.DocNo = feDocNo->Value();
    E.Date = QDateToDateTime(dtDate_c->date());
    E.Owner = leOwner->text().trimmed();
    E.Contract = leContract->text().trimmed();
    E.PaymentType = PaymentItem() >= 0 ? ItemTypes[PaymentItem()] : 0;
    E.Sum = feSum_c->Value();
    E.Customer = edCustomer_name->text();
    E.Supplier = edSupplier_name->text();
    return E;
}

bool TfrmOutcomes::Add() {
    if (!TMAccountReadForm::Add()) return false;
    const TCashOrderEntry Entry = CurrentEntry();
    TCashOrderCheck Check;
    for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
        Check.GridNumbers += Grid->Cells(0, R);
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    if (!EditingRow && Entry.DocNo != 0)
        Check.DocNoStored = CashOrderNumberStored(this, u"Outcomes"_s, Entry.DocNo);
    const QString Messages = OutcomeValidationText(Entry, Check);
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        return false;
    }
    Queue({EditingRow ? OutcomeUpdateSql(TableName, KeyField, StrToIntOrZero(EditingKey), Entry)
                      : OutcomeInsertSql(TableName, Entry, UserName)});
    AppendGridRow(Grid,
                  {FloatToStrDot(-1, Entry.DocNo), DateToStr(Entry.Date), Entry.Contract,
                   FloatToFixedStr(AmountDecimals, Entry.Sum), Entry.Owner, Entry.Customer, Entry.Supplier,
                   QString::number(Entry.PaymentType), OutcomeKindText(Entry.PaymentType)});
    feSum_c->SetValue(0);
    if (!EditingRow) feDocNo->SetValue(feDocNo->Value() + 1);
    StopEditing();
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, palette().color(QPalette::Button));
    pnlCaption->setPalette(Palette);
    return true;
}

bool TfrmOutcomes::Save() {
    if (!TMAccountReadForm::Save()) return false;
    if (!SaveQueued(this)) return false;
    Reload();
    return true;
}

bool TfrmOutcomes::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    QStringList Cells;
    if (!BeginOrderEdit(this, *this, feDocNo, Cells)) return false;
    TDateTime day = 0;
    if (TryStrToDate(Cells.value(ocDate), day)) dtDate_c->setDate(DateTimeToQDate(day));
    leOwner->setText(Cells.value(ocEGN).trimmed());
    feSum_c->SetValue(StrToFloatDot(Cells.value(ocSum), 0));
    edCustomer_name->setText(Cells.value(ocCustomer));
    edSupplier_name->setText(Cells.value(ocSupplier));
    const int type = int(StrToIntOrZero(Cells.value(ocType).trimmed()));
    SetPaymentItem(type == 1 ? 0 : type == 3 ? 1 : type == 4 ? 2 : PaymentItem());
    BuildContractList();
    // The owner's names fill the customer on the way; the order's own customer stays.
    edCustomer_name->setText(Cells.value(ocCustomer));
    leContract->setText(Cells.value(ocContract).trimmed());
    EndOrderEdit(Grid);
    return true;
}

bool TfrmOutcomes::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    return DeleteCashOrder(this, *this);
}

void TfrmOutcomes::PrintOrder() {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount() || Grid->Cells(0, Row).trimmed().isEmpty()) return;
    PrintCashOrder(this, false,
                   {Grid->Cells(ocDocNo, Row), Grid->Cells(ocDate, Row), Grid->Cells(ocContract, Row),
                    Grid->Cells(ocSum, Row), Grid->Cells(ocCustomer, Row), Grid->Cells(ocType, Row),
                    Grid->Cells(ocSupplier, Row)});
}
