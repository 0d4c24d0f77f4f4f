#include "business/documents/un_Incomes.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/registers/RegisterForm.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "business/documents/un_Contracts.h"
#include "business/printing/un_Print_Order.h"
#include "business/documents/un_Vry6tane_na_ve6ti.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unRegistry.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

qint64 Whole(double Value) {
    return qint64(std::llround(Value));
}

QString DocNoText(double DocNo) {
    return FloatToStrDot(-1, DocNo);
}

void GridNumberCheck(const TCashOrderEntry& Entry, const TCashOrderCheck& Check, QString& Text) {
    const QString Sep = u"\n\r"_s;
    if (Entry.DocNo != 0)
        for (const QString& Cell : Check.GridNumbers)
            if (Cell.trimmed() == DocNoText(Entry.DocNo))
                Text +=
                    Sep + Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {DocNoText(Entry.DocNo)});
    if (Entry.DocNo == 0) Text += Sep + u"Въведете номер на документ"_s;
    if (Entry.Sum == 0) Text += Sep + u"Общата сума на документа е нула!"_s;
}

QString TodayFilter(const QString& Table, bool TodayOnly, TDateTime Today) {
    return TodayOnly
               ? u"WHERE "_s + Format(u"( %s.date_d = %d )"_s, {Table, Whole(std::floor(Today))}) + u" AND "_s
               : u"WHERE "_s;
}

} // namespace

QString IncomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text;
    GridNumberCheck(Entry, Check, Text);
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    const bool hasOwner = !Entry.Owner.trimmed().isEmpty();
    const bool hasContract = !Entry.Contract.trimmed().isEmpty();
    if (hasOwner && !hasContract)
        Text += Sep + u"Избрали сте заемоплоучател, но не сте попълнили номер на договор."_s;
    if (IsContractPaymentType(Entry.PaymentType) && (!hasOwner || !hasContract))
        Text +=
            Sep +
            u"Избрали сте избрали сте приход от клиент, а не сте поплълнили данни за клиента и договора."_s;
    if (Entry.PaymentType == 3 && (hasOwner || hasContract))
        Text += Sep + u"Избрали сте вноска на собственик, а сте поплълнили данни за клиента и договора."_s;
    if (!Check.EditingRow) {
        if (std::floor(Entry.Date) != std::floor(Check.Today))
            Text += u"Нов ордер може да бъде направен само на днешна дата"_s;
        if (Check.DocNoStored)
            Text += Format(u"ПКО номер \"%d\" съществува в базата данни. Изберете друг номер на ПКО."_s,
                           {Whole(Entry.DocNo)});
    }
    return Text;
}

QString OutcomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text;
    GridNumberCheck(Entry, Check, Text);
    if (Entry.Customer.trimmed().isEmpty()) Text += Sep + u"Въведете клиент!"_s;
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    if (!Entry.Owner.trimmed().isEmpty() && Entry.Contract.trimmed().isEmpty())
        Text += Sep + u"Избрали сте заемоплоучател, но не сте попълнили номер на договор."_s;
    if (!Check.EditingRow) {
        if (std::floor(Entry.Date) != std::floor(Check.Today))
            Text += u"Нов ордер може да бъде направен само на днешна дата"_s;
        if (Check.DocNoStored)
            Text += Format(u"РКО номер \"%d\" съществува в базата данни. Изберете друг номер на РКО."_s,
                           {Whole(Entry.DocNo)});
    }
    return Text;
}

QString IncomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName) {
    return Format(u"Insert into %s values ( %d, %d, %d, %d, %.*f, \"%s\", \"%s\", \"%s\" )"_s,
                  {Table, Whole(Entry.DocNo), Whole(std::floor(Entry.Date)),
                   StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType, AmountDecimals,
                   RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
                   SqlText(UserName)});
}

QString IncomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                        const TCashOrderEntry& Entry) {
    return Format(
        u"Update %s Set date_d        = %d,       contract_n    = %d,       payment_type  = %d,       "
        "sum_o         = %.*f,       Customer_name = \"%s\",     Supplier_name = \"%s\" Where ( %s = %d )"_s,
        {Table, Whole(std::floor(Entry.Date)), StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType,
         AmountDecimals, RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer),
         SqlText(Entry.Supplier), KeyField, Key});
}

QString OutcomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName) {
    return Format(u"Insert into %s values ( %d, %d, %d, %d, %f, \"%s\", \"%s\", \"%s\" )"_s,
                  {Table, Whole(Entry.DocNo), Whole(std::floor(Entry.Date)),
                   StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType,
                   RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
                   SqlText(UserName)});
}

QString OutcomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                         const TCashOrderEntry& Entry) {
    return Format(
        u"Update %s Set date_d        = %d,     contract_n    = %d,     payment_type  = %d,     "
        "sum_o         = %f,     Customer_name = \"%s\",     Supplier_name = \"%s\" Where ( %s = %d )"_s,
        {Table, Whole(std::floor(Entry.Date)), StrToIntOrZero(Entry.Contract.trimmed()), Entry.PaymentType,
         RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier), KeyField,
         Key});
}

QStringList IncomeListSql(bool TodayOnly, TDateTime Today) {
    const QString Filter = TodayFilter(u"Incomes"_s, TodayOnly, Today);
    return {
        u"SELECT Incomes.docno,        Incomes.date_d,        Incomes.contract_n,        Incomes.sum_o,      "
        u"  "
        "Contracts.EGN,        Incomes.payment_type,        Incomes.customer_name,        "
        "Incomes.supplier_name,    "
        "    Incomes.user_name FROM Contracts RIGHT JOIN Incomes ON Contracts.docno = Incomes.contract_n "_s +
            Filter +
            u"( Incomes.payment_type = 1 OR Incomes.payment_type = 2 OR Incomes.payment_type > 5 )"_s,
        u"SELECT docno,             date_d,            contract_n,        sum_o,             sum_o,        "
        "payment_type,        customer_name,        supplier_name,        user_name FROM Incomes "_s +
            Filter + u"(((Incomes.payment_type)=3))"_s,
        u"SELECT Incomes.docno,        Incomes.date_d,        Incomes.contract_n,        Incomes.sum_o,      "
        u"  "
        "Items_sales.EGN,        Incomes.payment_type,        Incomes.customer_name,        "
        "Incomes.supplier_name,  "
        "      Incomes.user_name FROM Items_sales RIGHT JOIN Incomes ON Items_sales.docno = Incomes.contract_n "_s +
            Filter + u"( ((Incomes.payment_type)=4) OR ((Incomes.payment_type)=5) )"_s};
}

QStringList OutcomeListSql(bool TodayOnly, TDateTime Today) {
    const QString Filter = TodayFilter(u"Outcomes"_s, TodayOnly, Today);
    return {
        u"SELECT Outcomes.docno,        Outcomes.date_d,        Outcomes.contract_n,        Outcomes.sum_o,  "
        u"      "
        "Contracts.EGN,        Outcomes.customer_name,        Outcomes.supplier_name,        "
        "Outcomes.payment_type, "
        "       Outcomes.payment_type,        Outcomes.user_name FROM Contracts RIGHT JOIN Outcomes ON "
        "Contracts.docno = Outcomes.contract_n "_s +
            Filter + u"(((Outcomes.payment_type)=1))"_s,
        u"SELECT docno,             date_d,            contract_n,        sum_o,             sum_o,        "
        "customer_name,        supplier_name,        payment_type,        payment_type,        user_name "
        "FROM "
        "Outcomes "_s +
            Filter + u"(((Outcomes.payment_type)=3))"_s,
        u"SELECT Outcomes.docno,        Outcomes.date_d,        Outcomes.contract_n,        Outcomes.sum_o,  "
        u"      "
        "Items_purchases.EGN,        Outcomes.customer_name,        Outcomes.supplier_name,        "
        "Outcomes.payment_type,        Outcomes.payment_type,        Outcomes.user_name FROM Items_purchases "
        "RIGHT "
        "JOIN Outcomes ON Items_purchases.docno = Outcomes.contract_n "_s +
            Filter + u"(((Outcomes.payment_type)=4))"_s};
}

namespace {

const QString DocColumns =
    u"docno,        %1.date_d,        Item_types.Name_i_t,        Owners.EGN,        Items.SN,        "
    "Owners.Three_names,        Owners.Is_Male,        Owners.Is_Married"_s;

} // namespace

QString OrderDocumentSql(bool Receipt, int PaymentType, qint64 Contract) {
    const QString contractSql =
        u"SELECT Contracts.docno,        Contracts.date_c,        Item_types.Name_i_t,        Owners.EGN,    "
        u"    "
        "Items.SN,        Owners.Three_names,        Owners.Is_Male,        Owners.Is_Married FROM Owners "
        "INNER JOIN "
        "((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER JOIN Contracts ON "
        "Items.code_i "
        "= Contracts.code_i) ON Owners.EGN = Contracts.EGN WHERE (((Contracts.docno)= %f ))"_s;
    const double key = double(Contract);
    if (Receipt) {
        if (IsContractPaymentType(PaymentType)) return Format(contractSql, {key});
        if (PaymentType == 5)
            return Format(
                u"SELECT Items_sales."_s + DocColumns.arg(u"Items_sales"_s) +
                    u" FROM Owners INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = "
                    "Items.code_i_t) INNER JOIN (Items_purchases INNER JOIN Items_sales ON "
                    "Items_purchases.docno = Items_sales.contract_n) ON Items.code_i = "
                    "Items_purchases.code_i) ON Owners.EGN = Items_sales.EGN WHERE ( "
                    "((Items_sales.docno)= %f ) AND ((Items_sales.payment_type)=2) )"_s,
                {key});
        if (PaymentType == 4)
            return Format(
                u"SELECT Items_sales."_s + DocColumns.arg(u"Items_sales"_s) +
                    u" FROM Owners INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = "
                    "Items.code_i_t) INNER JOIN ( Contracts INNER JOIN Items_sales ON Contracts.docno = "
                    "Items_sales.contract_n) ON Items.code_i = Contracts.code_i) ON Owners.EGN = "
                    "Items_sales.EGN WHERE ( ((Items_sales.docno)= %f ) AND ((Items_sales.payment_type)=1) )"_s,
                {key});
        return QString();
    }
    if (PaymentType == 1) return Format(contractSql, {key});
    if (PaymentType == 4)
        return Format(
            u"SELECT Items_purchases."_s + DocColumns.arg(u"Items_purchases"_s) +
                u" FROM Owners INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = "
                "Items.code_i_t) INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i) ON "
                "Owners.EGN = Items_purchases.EGN WHERE (((Items_purchases.docno)= %f ))"_s,
            {key});
    return QString();
}

bool PrintCashOrder(QWidget* Owner, bool Receipt, const QStringList& Cells) {
    auto cell = [&Cells](int C) {
        const QString text = C < Cells.size() ? Cells[C] : QString();
        return text.isEmpty() ? u" "_s : text;
    };
    QStringList record;
    for (int i = 0; i < OrderFieldCount; ++i)
        record.append(u" "_s);
    for (int i = 0; i < 4; ++i)
        record[i] = cell(i);
    const int type = int(StrToIntOrZero(cell(5).trimmed()));
    const qint64 contract = StrToIntOrZero(record[ofContract].trimmed());
    try {
        if (contract != 0) {
            const QString sql = OrderDocumentSql(Receipt, type, contract);
            if (!sql.isEmpty()) {
                TDelimitedStringList list;
                RunQuery(Owner, AdoConnection, sql, &list);
                if (list.Count() == 1)
                    for (int i = 0; i < 7; ++i) {
                        const QString value = list.GetField(0, i + 1);
                        record[ofDocDate + i] = value.isEmpty() ? u" "_s : value;
                    }
            }
        }
        // Payments name only whom the order was made out to.
        if (!cell(4).trimmed().isEmpty() || !Receipt) record[ofNames] = cell(4);
        QString shop;
        if (!ReadSettingVA1(Owner, shop)) return false;
        record[ofShopName] = shop;
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    record[ofDirection] = Receipt ? u"in"_s : u"out"_s;
    record[ofPaymentType] = cell(5);
    record[ofEmployee] = cell(6);
    return FillPrintOrder(Owner, record);
}

// ---------------------------------------------------------------------------------------------
// The receipt window

namespace {

enum { icDocNo, icDate, icContract, icSum, icEGN, icType, icCustomer, icSupplier, icUser, IncomeColumns };

const QString OrderValidChars = u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s;

QLabel* Caption(QWidget* Parent, const QString& Text) {
    return new QLabel(Text, Parent);
}

TLimitedEdit* NameEdit(QWidget* Parent, const QString& Name) {
    auto* edit = new TLimitedEdit(Parent);
    edit->setObjectName(Name);
    edit->setMaxLength(60);
    edit->SetValidChars(OrderValidChars);
    return edit;
}

TFloatEdit* NumberEdit(QWidget* Parent, const QString& Name, int Precision, int Width) {
    auto* edit = new TFloatEdit(Parent);
    edit->setObjectName(Name);
    edit->SetPrecision(Precision);
    edit->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setFixedWidth(Width);
    return edit;
}

QDateEdit* DayEdit(QWidget* Parent) {
    auto* edit = new QDateEdit(Parent);
    edit->setObjectName(u"dtDate_c"_s);
    edit->setDisplayFormat(u"dd.MM.yyyy"_s);
    edit->setCalendarPopup(true);
    return edit;
}

void SetupGrid(TRichGrid* Grid, const QStringList& Headers, const QList<int>& Widths) {
    Grid->SetColCount(int(Headers.size()));
    Grid->SetFixedRows(1);
    Grid->SetRowCount(2);
    Grid->SetFixedCols(0);
    for (int c = 0; c < Headers.size(); ++c) {
        Grid->SetCells(c, 0, Headers[c]);
        Grid->SetColWidths(c, Widths.value(c, 90));
    }
    Grid->SetCol(0);
    Grid->Loaded();
}

} // namespace

TfrmIncomes::TfrmIncomes(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmIncomes"_s);
    QWidget* P = pnlParams;
    auto* L = new QGridLayout(P);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    L->setVerticalSpacing(3);
    Pnl_Payment_type = NewInfoPanel(P, u"Pnl_Payment_type"_s, 220);
    lePayment_type = NewListEdit(P, u"lePayment_type"_s, Pnl_Payment_type, 60);
    feDocNo = NumberEdit(P, u"feDocNo"_s, 0, 80);
    dtDate_c = DayEdit(P);
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewListEdit(P, u"leOwner"_s, pnlOwner, 120);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leContract = NewListEdit(P, u"leContract"_s, pnlItem, 80);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 160);
    feSum_c = NumberEdit(P, u"feSum_c"_s, AmountDecimals, 110);
    edCustomer_name = NameEdit(P, u"edCustomer_name"_s);
    edSupplier_name = NameEdit(P, u"edSupplier_name"_s);
    btnPrintOrder = new QPushButton(u"Печат на ордер"_s, P);
    btnPrintOrder->setObjectName(u"btnPrintOrder"_s);
    btnPrintOrder->setFocusPolicy(Qt::NoFocus);

    L->addWidget(Caption(P, u"Вид на ПКО:"_s), 0, 0);
    L->addWidget(lePayment_type, 0, 1);
    L->addWidget(Pnl_Payment_type, 0, 2, 1, 2);
    L->addWidget(Caption(P, u"Номер:"_s), 0, 4);
    L->addWidget(feDocNo, 0, 5);
    L->addWidget(Caption(P, u"Дата:"_s), 0, 6);
    L->addWidget(dtDate_c, 0, 7);
    L->addWidget(Caption(P, u"Заемополучател (ЕГН):"_s), 1, 0);
    L->addWidget(leOwner, 1, 1);
    L->addWidget(Caption(P, u"Заемополучател (имена):"_s), 1, 2);
    L->addWidget(pnlOwner, 1, 3, 1, 5);
    L->addWidget(Caption(P, u"Договор:"_s), 2, 0);
    L->addWidget(leContract, 2, 1);
    L->addWidget(pnlItem, 2, 2);
    L->addWidget(Caption(P, u"Сериен номер (спецификация):"_s), 2, 3);
    L->addWidget(pnlSN, 2, 4, 1, 4);
    L->addWidget(Caption(P, u"Сума:"_s), 3, 0);
    L->addWidget(feSum_c, 3, 1);
    L->addWidget(Caption(P, u"Клиент:"_s), 3, 2);
    L->addWidget(edCustomer_name, 3, 3, 1, 5);
    L->addWidget(Caption(P, u"Служител в заложна къща:"_s), 4, 2);
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
    ctrl_F9->setStatusTip(u"Натиснете <CTRL> + <F9> за отпечатване на приходен касов ордер."_s);
    addAction(ctrl_F9);
    connect(ctrl_F9, &QAction::triggered, this, [this] { PrintOrder(); });
    connect(btnPrintOrder, &QPushButton::clicked, this, [this] { PrintOrder(); });

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
    leOwner->OnChange = [this](QWidget*) { BuildContractList(); };
    leOwner->OnFormOk = [this](QWidget*) { BuildContractList(); };
    leOwner->OnBitButtonClick = [this](QWidget*) { GetOwnersList(this, leOwner); };
    leContract->OnChange = [this](QWidget*) { ContractChanged(false); };
    leContract->OnFormOk = [this](QWidget*) { ContractChanged(true); };

    SetupGrid(Grid,
              {u"Номер"_s, u"Дата"_s, u"Договор"_s, u"Сума"_s, u"ЕГН"_s, u"Вид"_s, u"Клиент"_s, u"Служител"_s,
               u"Оператор"_s},
              {70, 80, 70, 100, 100, 40, 180, 180, 100});
}

bool TfrmIncomes::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    StopEditing();
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
    const QString lastEGN = ReadRegString(u"Last_EGN"_s).trimmed();
    if (!lastEGN.isEmpty()) {
        QString padded;
        FormatEGN(lastEGN, padded);
        leOwner->setText(padded);
    }
    feSum_c->SetPrecision(AmountDecimals);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    PrintSettingsName = u"frmIncomes_print_settings"_s;
    return Result;
}

bool TfrmIncomes::Done() {
    PendingSql.clear();
    if (!leOwner->text().trimmed().isEmpty()) WriteRegString(u"Last_EGN"_s, leOwner->text().trimmed());
    if (!PaymentTypeText().isEmpty()) WriteRegString(u"Last_Payment_type"_s, PaymentTypeText());
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmIncomes_edSupplier_name"_s, edSupplier_name->text());
    if (PaymentTypeText() == u"3"_s) WriteRegString(u"frmIncomes_edCustomer_name"_s, edCustomer_name->text());
    return TMAccountReadForm::Done();
}

bool TfrmIncomes::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    Container()->setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    DoExecute();
    ProposeNextKey(this, TableName, KeyField, feDocNo);
    return Result;
}

bool TfrmIncomes::Execute() {
    TMAccountReadForm::Execute();
    LoadCashOrderList(this, IncomeListSql(WorkstationOptionOn(rg_Registry_2), Date()), false);
    BuildContractList();
    return true;
}

QString TfrmIncomes::PaymentTypeText() const {
    return lePayment_type->text().trimmed();
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
                     Format(u"SELECT Contracts.docno,         Item_types.Name_i_t,        Items.SN,        "
                            "Contracts.date_c FROM Owners INNER JOIN ((Item_types INNER JOIN Items ON "
                            "Item_types.code_i_t = Items.code_i_t) INNER JOIN Contracts ON Items.code_i = "
                            "Contracts.code_i) ON Owners.EGN = Contracts.EGN WHERE ( Contracts.Finished = "
                            "False ) and "
                            "( Contracts.Sold = False ) and ( Owners.EGN = %f ) "_s,
                            {double(StrToIntOrZero(egn))}) +
                         (WorkstationOptionOn(rg_Registry_5) ? QString()
                                                             : u"AND ( Contracts.for_sale = False ) "_s) +
                         u"ORDER BY Contracts.docno"_s,
                     &List);
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
                TDelimitedStringList row;
                row.SetTextStr(debt);
                double value = 0;
                if (type == 1)
                    value = StrToFloatDot(row.GetField(0, dfPrincipalOutstanding), 0);
                else if (type == 2)
                    value = StrToFloatDot(row.GetField(0, dfInterestDue), 0);
                else {
                    const QString code = QString::number(type - 5);
                    int found = FindRowByField(code, &daily, 0);
                    const TDelimitedStringList& fees = found >= 0 ? daily : oneTime;
                    if (found < 0) found = FindRowByField(code, &oneTime, 0);
                    value = found >= 0 ? StrToFloatDot(fees.GetField(found, 4), 0) : 0;
                }
                List.SetField(r, 3, FloatToFixedStr(AmountDecimals, value));
            }
            PostEventTo(this, new TProgressEvent(0, 100));
            FillListEdit(leContract, u"Договор@Вещ@Сериен номер@"_s + Pnl_Payment_type->text(), List, 0);
        } else if (type == 4 || type == 5) {
            const QString joins =
                type == 4
                    ? u"FROM (Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER "
                      u"JOIN "
                      "(Contracts INNER JOIN Items_sales ON Contracts.docno = Items_sales.contract_n) ON "
                      "Items.code_i = Contracts.code_i WHERE (((Items_sales.payment_type)=1))"_s
                    : u"FROM ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER "
                      u"JOIN "
                      "Items_purchases ON Items.code_i = Items_purchases.code_i) INNER JOIN Items_sales ON "
                      "Items_purchases.docno = Items_sales.contract_n WHERE (((Items_sales.payment_type)=2))"_s;
            RunQuery(this, AdoConnection,
                     u"SELECT Items_sales.docno,        Items_sales.date_d,        Items.code_i,        "
                     u"Items.SN,    "
                     "    Item_types.Name_i_t,        Items_sales.sum_s "_s +
                         joins,
                     &List);
            for (int r = 0; r < List.Count(); ++r)
                List.SetField(r, 5, FloatToFixedStr(AmountDecimals, StrToFloatDot(List.GetField(r, 5), 0)));
            FillListEdit(leContract, u"Договор@Дата@Шифър@Вещ@Тип@Сума"_s, List, 0);
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

TCashOrderEntry TfrmIncomes::CurrentEntry() const {
    TCashOrderEntry E;
    E.DocNo = feDocNo->Value();
    E.Date = QDateToDateTime(dtDate_c->date());
    E.Owner = leOwner->text().trimmed();
    E.Contract = leContract->text().trimmed();
    E.PaymentType = int(StrToIntOrZero(PaymentTypeText())) & 0xFF;
    E.Sum = feSum_c->Value();
    E.Customer = edCustomer_name->text();
    E.Supplier = edSupplier_name->text();
    return E;
}

bool CashOrderNumberStored(QObject* Owner, const QString& Table, double DocNo) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, Format(u"SELECT docno FROM %s WHERE docno = %d"_s, {Table, Whole(DocNo)}),
             &List);
    return List.Count() > 0;
}

int AppendGridRow(TRichGrid* Grid, const QStringList& Cells) {
    int Row = Grid->RowCount() - 1;
    if (!(Row == Grid->FixedRows() && Grid->Cells(1, Row).trimmed().isEmpty())) {
        Grid->SetRowCount(Grid->RowCount() + 1);
        Row = Grid->RowCount() - 1;
    }
    Grid->SetRow(Row);
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    for (int C = 0; C < Cells.size(); ++C)
        Grid->SetCells(C, Row, Cells[C]);
    return Row;
}

bool TfrmIncomes::Add() {
    if (!TMAccountReadForm::Add()) return false;
    const TCashOrderEntry Entry = CurrentEntry();
    TCashOrderCheck Check;
    for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
        Check.GridNumbers += Grid->Cells(0, R);
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    if (!EditingRow && Entry.DocNo != 0)
        Check.DocNoStored = CashOrderNumberStored(this, u"Incomes"_s, Entry.DocNo);
    const QString Messages = IncomeValidationText(Entry, Check);
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        return false;
    }
    Queue({EditingRow ? IncomeUpdateSql(TableName, KeyField, StrToIntOrZero(EditingKey), Entry)
                      : IncomeInsertSql(TableName, Entry, UserName)});
    AppendGridRow(Grid, {DocNoText(Entry.DocNo), DateToStr(Entry.Date), Entry.Contract,
                         FloatToFixedStr(AmountDecimals, Entry.Sum), Entry.Owner,
                         QString::number(Entry.PaymentType), Entry.Customer, Entry.Supplier});
    feSum_c->SetValue(0);
    if (!EditingRow) feDocNo->SetValue(feDocNo->Value() + 1);
    StopEditing();
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, palette().color(QPalette::Button));
    pnlCaption->setPalette(Palette);
    return true;
}

bool TfrmIncomes::Save() {
    if (!TMAccountReadForm::Save()) return false;
    if (!SaveQueued(this)) return false;
    Reload();
    return true;
}

bool BeginOrderEdit(TMAccountReadForm* Form, TQueuedChanges& Changes, TFloatEdit* DocNo, QStringList& Cells) {
    if (Changes.EditingRow) {
        ShowErrorFmt(u"Не можете да редактирате два реда едновремнно!"_s);
        return false;
    }
    TRichGrid* Grid = Form->Grid;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount() ||
        StrToIntOrZero(Grid->Cells(0, Row).trimmed()) == 0)
        return false;
    if (!AskAdminPassword(Form)) return false;
    Cells = Grid->Rows(Row);
    Changes.StartEditing(Cells.value(0).trimmed(), DocNo);
    QPalette Palette = Form->pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Form->pnlCaption->setPalette(Palette);
    DocNo->SetValue(StrToFloatDot(Cells.value(0), 0));
    return true;
}

void EndOrderEdit(TRichGrid* Grid) {
    const int Row = Grid->Row();
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    DeleteGridRow(Grid, Row);
}

bool TfrmIncomes::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    QStringList Cells;
    if (!BeginOrderEdit(this, *this, feDocNo, Cells)) return false;
    TDateTime day = 0;
    if (TryStrToDate(Cells.value(icDate), day)) dtDate_c->setDate(DateTimeToQDate(day));
    lePayment_type->setText(Cells.value(icType).trimmed());
    leOwner->setText(Cells.value(icEGN).trimmed());
    leContract->setText(Cells.value(icContract).trimmed());
    feSum_c->SetValue(StrToFloatDot(Cells.value(icSum), 0));
    edCustomer_name->setText(Cells.value(icCustomer));
    edSupplier_name->setText(Cells.value(icSupplier));
    EndOrderEdit(Grid);
    return true;
}

bool DeleteCashOrder(TMAccountReadForm* Form, TQueuedChanges& Changes) {
    TRichGrid* Grid = Form->Grid;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return false;
    const qint64 Number = StrToIntOrZero(Grid->Cells(0, Row).trimmed());
    if (Number == 0) return false;
    if (!AskAdminPassword(Form)) return false;
    if (ConfirmYesNoFmt(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s,
                        {Form->RecordNoun, Grid->Cells(0, Row), Grid->Cells(1, Row)}) != mrYes)
        return false;
    Changes.Queue({Format(u"Delete * from %s Where %s = %d"_s, {Form->TableName, Form->KeyField, Number})});
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    DeleteGridRow(Grid, Row);
    return true;
}

bool TfrmIncomes::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    return DeleteCashOrder(this, *this);
}

void TfrmIncomes::PrintOrder() {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount() || Grid->Cells(0, Row).trimmed().isEmpty()) return;
    PrintCashOrder(this, true,
                   {Grid->Cells(icDocNo, Row), Grid->Cells(icDate, Row), Grid->Cells(icContract, Row),
                    Grid->Cells(icSum, Row), Grid->Cells(icCustomer, Row), Grid->Cells(icType, Row),
                    Grid->Cells(icSupplier, Row)});
}

QString OutcomeKindText(int Type) {
    switch (Type) {
    case 1:
        return u"за нов залог"_s;
    case 3:
        return u"на собственик"_s;
    case 4:
        return u"при покупка"_s;
    default:
        return QString();
    }
}

void LoadCashOrderList(TMAccountReadForm* Form, const QStringList& Sqls, bool Payments) {
    TDelimitedStringList List;
    try {
        for (int i = 0; i < Sqls.size(); ++i) {
            TDelimitedStringList Part;
            RunQuery(Form, AdoConnection, Sqls[i], &Part);
            // The owner's payments have no owner.
            if (i == 1)
                for (int r = 0; r < Part.Count(); ++r)
                    Part.SetField(r, 4, QString());
            for (int r = 0; r < Part.Count(); ++r)
                List.Add(Part.Get(r));
        }
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return;
    }
    SortDelimitedList(List, 0);
    for (int r = 0; r < List.Count(); ++r) {
        List.SetField(r, 3, FloatToFixedStr(AmountDecimals, StrToFloatDot(List.GetField(r, 3), 0)));
        if (!List.GetField(r, 4).isEmpty()) {
            QString egn;
            FormatEGN(List.GetField(r, 4), egn);
            List.SetField(r, 4, egn);
        }
        if (Payments) List.SetField(r, 8, OutcomeKindText(int(StrToIntOrZero(List.GetField(r, 7)))));
    }
    Form->ApplyFilterToRows(&List);
    LoadGridFromList(Form->Grid, &List, true);
}
