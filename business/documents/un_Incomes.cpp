#include "business/documents/un_Incomes.h"

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
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unRegistry.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

enum { icDocNo, icDate, icContract, icSum, icEGN, icType, icCustomer, icSupplier, icUser, IncomeColumns };

} // namespace

TfrmIncomes::TfrmIncomes(QWidget* Owner)
    : TCashOrderForm(Owner, true,
                     {icDocNo, icDate, icContract, icSum, icEGN, icType, icCustomer, icSupplier, -1}) {
    setObjectName(u"frmIncomes"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();
    Pnl_Payment_type = NewInfoPanel(P, u"Pnl_Payment_type"_s, 220);
    lePayment_type = NewListEdit(P, u"lePayment_type"_s, Pnl_Payment_type, 60);
    MakeOrderEdits();
    L->addWidget(new QLabel(u"Вид на ПКО:"_s, P), 0, 0);
    L->addWidget(lePayment_type, 0, 1);
    L->addWidget(Pnl_Payment_type, 0, 2, 1, 2);
    LayOutOrderEdits(L);

    ctrl_F9->setStatusTip(u"Натиснете <CTRL> + <F9> за отпечатване на приходен касов ордер."_s);
    auto typeChanged = [this](QWidget*) {
        if (PaymentTypeText() == u"3"_s) {
            leOwner->clear();
            leContract->clear();
            leContract->SetForm(nullptr);
        } else {
            BuildContractList();
        }
    };
    lePayment_type->OnChange = typeChanged;
    lePayment_type->OnFormOk = typeChanged;
    leContract->OnChange = [this](QWidget*) { ContractChanged(false); };
    leContract->OnFormOk = [this](QWidget*) { ContractChanged(true); };

    SetGridColumns({u"Номер"_s, u"Дата"_s, u"Договор"_s, u"Сума"_s, u"ЕГН"_s, u"Вид"_s, u"Клиент"_s,
                    u"Служител"_s, u"Оператор"_s},
                   {70, 80, 70, 100, 100, 40, 180, 180, 100});
}

bool TfrmIncomes::Init() {
    const bool Result = TCashOrderForm::Init();
    try {
        GetOwnersList(this, leOwner);
        GetPaymentTypesList(this, lePayment_type);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    lePayment_type->setText(ReadRegString(u"Last_Payment_type"_s));
    dtDate_c->setDate(DateTimeToQDate(Date()));
    Grid->ColAttributes(icSum)->SetFormatter(ValueFormatter);
    edCustomer_name->setText(ReadRegString(u"frmIncomes_edCustomer_name"_s));
    edSupplier_name->setText(ReadRegString(u"frmIncomes_edSupplier_name"_s));
    // An owner's deposit takes no borrower.
    if (PaymentTypeText() != u"3"_s) ShowLastOwner(leOwner);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    PrintSettingsName = u"frmIncomes_print_settings"_s;
    return Result;
}

bool TfrmIncomes::Done() {
    RememberOwner(leOwner);
    if (!PaymentTypeText().isEmpty()) WriteRegString(u"Last_Payment_type"_s, PaymentTypeText());
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmIncomes_edSupplier_name"_s, edSupplier_name->text());
    if (PaymentTypeText() == u"3"_s) WriteRegString(u"frmIncomes_edCustomer_name"_s, edCustomer_name->text());
    return TCashOrderForm::Done();
}

bool TfrmIncomes::Execute() {
    TCashOrderForm::Execute();
    const bool Loaded =
        LoadCashOrderList(this, IncomeListSql(WorkstationOptionOn(rg_Registry_2), Date()), false);
    BuildContractList();
    return Loaded;
}

bool TfrmIncomes::ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows) {
    if (!ReadCashOrderRows(this, IncomeListSql(WorkstationOptionOn(rg_Registry_2), Date(), Numbers), false,
                           Rows))
        return false;
    // A saved receipt changes what the borrower's contracts still owe.
    BuildContractList();
    return true;
}

QString TfrmIncomes::PaymentTypeText() const {
    return lePayment_type->text().trimmed();
}

void TfrmIncomes::AlignAmountColumn(int Column) {
    if (TListForm* Form = leContract->Form()) Form->Grid()->ColAttributes(Column)->SetAlignment({caRight});
}

bool TfrmIncomes::BuildContractList() {
    edCustomer_name->setText(pnlOwner->text());
    leContract->clear();
    const int type = int(StrToIntOrZero(PaymentTypeText()));
    const bool steps15 = WorkstationOptionOn(rg_Registry_6);
    TDelimitedStringList List;
    try {
        if (IsContractPaymentType(type)) {
            QString egn;
            FormatEGN(leOwner->text().trimmed(), egn);
            RunQuery(this, AdoConnection,
                     PayableContractListSql(StrToIntOrZero(egn), WorkstationOptionOn(rg_Registry_5)), &List);
            const int rows = List.Count();
            for (int r = 0; r < rows; ++r) {
                PostEventTo(this, new TProgressEvent((r + 1) * 100 / (rows + 1), 100));
                QApplication::processEvents();
                TDateTime dateC = Date();
                TryStrToDate(List.GetField(r, 3), dateC);
                const TDateTime at = SettlementAtDate(Date(), dateC, steps15);
                QString debt;
                TDelimitedStringList oneTime, daily;
                if (!CalculateContractDebt(this, List.GetField(r, 0), debt, at, oneTime, daily)) break;
                List.SetField(r, 3, FloatToFixedStr(AmountDecimals, OwedOfType(debt, oneTime, daily, type)));
            }
            PostEventTo(this, new TProgressEvent(0, 100));
            FillListEdit(leContract, u"Договор@Вещ@Сериен номер@"_s + Pnl_Payment_type->text(), List, 0);
            AlignAmountColumn(3);
        } else if (type == 4 || type == 5) {
            // The sales of pledged items (4) or of bought ones (5).
            RunQuery(this, AdoConnection,
                     type == 4 ? uR"sql(
                SELECT Items_sales.docno, Items_sales.date_d, Items.code_i, Items.SN, Item_types.Name_i_t,
                       Items_sales.sum_s
                  FROM (Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                       INNER JOIN (Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n)
                       ON Items.code_i = Contracts.code_i
                 WHERE (((Items_sales.payment_type)=1)))sql"_s
                               : uR"sql(
                SELECT Items_sales.docno, Items_sales.date_d, Items.code_i, Items.SN, Item_types.Name_i_t,
                       Items_sales.sum_s
                  FROM ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                        INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
                       INNER JOIN Items_sales ON Items_purchases.docno = Items_sales.contract_n
                 WHERE (((Items_sales.payment_type)=2)))sql"_s,
                     &List);
            for (int r = 0; r < List.Count(); ++r)
                List.SetField(r, 5, FloatToFixedStr(AmountDecimals, StrToFloatDot(List.GetField(r, 5), 0)));
            FillListEdit(leContract, u"Договор@Дата@Шифър@Вещ@Тип@Сума"_s, List, 0);
            AlignAmountColumn(5);
        }
    } catch (const EDatabaseError& E) {
        PostEventTo(this, new TProgressEvent(0, 100));
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    return true;
}

void TfrmIncomes::ContractChanged(bool Confirmed) {
    const QString key = leContract->text().trimmed();
    const int type = int(StrToIntOrZero(PaymentTypeText()));
    // The sales lists carry the serial number in column 3 and the item in column 4.
    if (type == 4 || type == 5) {
        pnlSN->setText(ListEditLookup(leContract, 0, 3, key));
        pnlItem->setText(ListEditLookup(leContract, 0, 4, key));
    } else {
        pnlSN->setText(ListEditLookup(leContract, 0, 2, key));
    }
    if (Confirmed && IsContractPaymentType(type))
        feSum_c->SetValue(StrToFloatDot(ListEditLookup(leContract, 0, 3, key), 0));
}

int TfrmIncomes::PaymentType() const {
    return int(StrToIntOrZero(PaymentTypeText())) & 0xFF;
}

bool TfrmIncomes::PaymentTypeListed() const {
    const QString Type = PaymentTypeText();
    return !Type.isEmpty() && !ListEditLookup(lePayment_type, 0, 0, Type).isEmpty();
}

void TfrmIncomes::RowToEdits(const QStringList& Cells) {
    TDateTime day = 0;
    if (TryStrToDate(Cells.value(icDate), day)) dtDate_c->setDate(DateTimeToQDate(day));
    lePayment_type->setText(Cells.value(icType).trimmed());
    leOwner->setText(Cells.value(icEGN).trimmed());
    leContract->setText(ContractOfCell(Cells.value(icContract)));
    feSum_c->SetValue(StrToFloatDot(Cells.value(icSum), 0));
    edCustomer_name->setText(Cells.value(icCustomer));
    edSupplier_name->setText(Cells.value(icSupplier));
    Lifted = CurrentEntry();
}
