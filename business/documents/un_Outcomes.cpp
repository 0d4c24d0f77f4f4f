#include "business/documents/un_Outcomes.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QAction>
#include <QButtonGroup>
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

} // namespace

TfrmOutcomes::TfrmOutcomes(QWidget* Owner)
    : TCashOrderForm(Owner, false,
                     {ocDocNo, ocDate, ocContract, ocSum, ocEGN, ocType, ocCustomer, ocSupplier, ocKind}) {
    setObjectName(u"frmOutcomes"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();
    MakeOrderEdits();
    rgPayment_type = new QGroupBox(u" Вид: "_s, P);
    rgPayment_type->setObjectName(u"rgPayment_type"_s);
    PaymentTypeItems = new QButtonGroup(this);
    auto* box = new QHBoxLayout(rgPayment_type);
    box->setContentsMargins(6, 2, 6, 2);
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(OutcomeKindText(ItemTypes[i]), rgPayment_type);
        PaymentTypeItems->addButton(radio, i);
        box->addWidget(radio);
    }
    PaymentTypeItems->button(1)->setChecked(true);
    L->addWidget(rgPayment_type, 0, 0, 1, 4);
    LayOutOrderEdits(L);

    connect(PaymentTypeItems, &QButtonGroup::idClicked, this, [this] {
        // A borrower left from another kind would refuse a payment that takes none.
        if (PaymentItem() == 1 && !leOwner->text().isEmpty())
            leOwner->clear();
        else
            BuildContractList();
    });
    leContract->OnChange = [this](QWidget*) { ContractChanged(); };
    leContract->OnFormOk = [this](QWidget*) { ContractChanged(); };

    SetGridColumns({u"Номер"_s, u"Дата"_s, u"Договор"_s, u"Сума"_s, u"ЕГН"_s, u"Клиент"_s, u"Служител"_s,
                    u"Вид"_s, u"Направление"_s, u"Оператор"_s},
                   {70, 80, 70, 100, 100, 180, 180, 40, 120, 100});
}

bool TfrmOutcomes::Init() {
    const bool Result = TCashOrderForm::Init();
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
    // The window opens on a payment to the owner, which takes no borrower: the one remembered is
    // not shown.
    PrintSettingsName = u"frmOutcomes_print_settings"_s;
    return Result;
}

bool TfrmOutcomes::Done() {
    RememberOwner(leOwner);
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmOutcomes_edSupplier_name"_s, edSupplier_name->text());
    if (leOwner->text().trimmed().isEmpty())
        WriteRegString(u"frmOutcomes_edCustomer_name"_s, edCustomer_name->text());
    return TCashOrderForm::Done();
}

bool TfrmOutcomes::Execute() {
    TCashOrderForm::Execute();
    return LoadCashOrderList(this, OutcomeListSql(WorkstationOptionOn(rg_Registry_3), Date()), true);
}

bool TfrmOutcomes::ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows) {
    return ReadCashOrderRows(this, OutcomeListSql(WorkstationOptionOn(rg_Registry_3), Date(), Numbers), true,
                             Rows);
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
            RunQuery(this, AdoConnection,
                     Format(uR"sql(
                SELECT Contracts.docno, Item_types.Name_i_t, Items.SN
                  FROM Owners
                       INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                                   INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
                       ON Owners.EGN = Contracts.EGN
                 WHERE (((Contracts.Finished)=False) and (Owners.EGN = %f ))
                 ORDER BY Contracts.docno)sql"_s,
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

int TfrmOutcomes::PaymentType() const {
    return PaymentItem() >= 0 ? ItemTypes[PaymentItem()] : 0;
}

void TfrmOutcomes::RowToEdits(const QStringList& Cells) {
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
    leContract->setText(ContractOfCell(Cells.value(ocContract)));
    Lifted = CurrentEntry();
}
