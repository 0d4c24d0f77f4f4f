#include "business/documents/un_Items_sales.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unAdminPassword.h"
#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/un_Print_contract_4_purchase_or_sale.h"
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
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

enum {
    scDocNo,
    scDate,
    scItemCode,
    scItemName,
    scSN,
    scSum,
    scCustomer,
    scSupplier,
    scUser,
    scEGN,
    scNames,
    scGrams,
    scType,
    scTypeText,
    scOrigin,
    scOriginDate,
    scOriginSum,
    scReceipts,
    scDifference,
    scShortTerm,
    SaleColumns
};

const QString TotalsCaption = u"¤Общо:"_s;

// Row index by the first field, for lists read in number order.
QHash<QString, int> IndexByNumber(const TDelimitedStringList& List) {
    QHash<QString, int> Index;
    for (int R = 0; R < List.Count(); ++R)
        Index.insert(List.GetField(R, 0).trimmed(), R);
    return Index;
}

} // namespace

QString SaleTypeText(int SaleType) {
    switch (SaleType) {
    case stPledged:
        return u"заложена вещ"_s;
    case stPurchased:
        return u"закупена вещ"_s;
    default:
        return QString();
    }
}

QString SaleValidationText(const TSaleEntry& Entry, const TSaleCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text = DocNoValidationText(Entry.DocNo, Check.GridNumbers);
    // A buyer in no register would hide the sale from the list while its receipt stays.
    if (StrToIntOrZero(Entry.Owner.trimmed()) == 0 || !Check.OwnerKnown)
        Text += Sep + u"Въведете собственик"_s;
    if (Entry.Contract.trimmed().isEmpty())
        Text += Sep + u"Въведете договор"_s;
    else if (!Check.EditingRow && !Check.OriginKnown)
        Text +=
            Sep + Format(Entry.SaleType == stPledged ? u"Договор номер \"%s\" не се предлага за продажба."_s
                                                     : u"Покупка номер \"%s\" не се предлага за продажба."_s,
                         {Entry.Contract.trimmed()});
    if (Entry.Sum == 0) Text += Sep + u"Общата сума на документа е нула!"_s;
    if (Entry.Sum < 0) Text += Sep + u"Сумата на документа не може да бъде отрицателна!"_s;
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    if (!Check.EditingRow && std::floor(Entry.Date) != std::floor(Check.Today))
        Text += u"Нов договор може да бъде направен само на днешна дата"_s;
    // An edit moves the receipt and the origin's sold date along: none of them may be dated in the
    // future, nor an item sold before it was pawned or bought.
    if (Check.EditingRow && std::floor(Entry.Date) > std::floor(Check.Today))
        Text += Sep + u"Датата на продажбата е след днешната."_s;
    if (Check.OriginDate != 0 && std::floor(Entry.Date) < std::floor(Check.OriginDate))
        Text += Sep + Format(u"Датата на продажбата е преди датата на %s номер %s (%s)."_s,
                             {Entry.SaleType == stPledged ? u"договор"_s : u"покупка"_s,
                              Entry.Contract.trimmed(), DateToStr(Check.OriginDate)});
    return Text;
}

QString SaleAfterOriginSql(qint64 Sale, const TSaleEntry& Entry) {
    return Format(uR"sql(
        UPDATE Items_sales
           SET docno = docno
         WHERE ( docno = %d ) AND ( %d >= ( SELECT %s FROM %s WHERE docno = %d ) ))sql"_s,
                  {Sale, Whole(std::floor(Entry.Date)),
                   Entry.SaleType == stPledged ? u"date_c"_s : u"date_d"_s,
                   Entry.SaleType == stPledged ? u"Contracts"_s : u"Items_purchases"_s,
                   StrToIntOrZero(Entry.Contract.trimmed())});
}

TDateTime SaleOriginDate(QObject* Owner, int SaleType, qint64 Origin) {
    TDelimitedStringList Found;
    RunQuery(Owner, AdoConnection,
             Format(SaleType == stPledged
                        ? uR"sql(SELECT date_c FROM Contracts WHERE ( docno = %d ))sql"_s
                        : uR"sql(SELECT date_d FROM Items_purchases WHERE ( docno = %d ))sql"_s,
                    {Origin}),
             &Found);
    TDateTime Day = 0;
    if (Found.Count() == 0 || !TryStrToDate(Found.GetField(0, 0), Day)) return 0;
    return Day;
}

QString SaleMarkSql(int SaleType, qint64 Origin, TDateTime Date) {
    const qint64 Day = Whole(std::floor(Date));
    if (SaleType == stPledged)
        return Format(uR"sql(
        UPDATE Contracts
           SET sold = True, sold_at_date = %d
         WHERE ( docno = %d ) AND ( sold = False ) AND ( for_sale = True ) AND ( Finished = False ))sql"_s,
                      {Day, Origin});
    return Format(uR"sql(
        UPDATE Items_purchases
           SET sold = True, sold_at_date = %d
         WHERE ( docno = %d ) AND ( sold = False ))sql"_s,
                  {Day, Origin});
}

QString OriginGoneText(int SaleType, qint64 Origin) {
    return Format(SaleType == stPledged ? u"Договор %d вече не се предлага за продажба. Изберете отново."_s
                                        : u"Покупка %d вече не се предлага за продажба. Изберете отново."_s,
                  {Origin});
}

QStringList SaleStatements(const QString& Table, const QString& KeyField, bool EditingRow, qint64 EditingKey,
                           qint64 OwnReceipt, const TSaleEntry& Entry, const QString& UserName) {
    const qint64 Day = Whole(std::floor(Entry.Date));
    const qint64 Origin = StrToIntOrZero(Entry.Contract.trimmed());
    const qint64 Buyer = StrToIntOrZero(Entry.Owner.trimmed());
    const double Price = RoundToDigits(AmountDecimals, Entry.Sum);
    const int ReceiptType = Entry.SaleType == stPledged ? 4 : 5;
    if (EditingRow) {
        QStringList Statements{Format(uR"sql(
        Update %s
           Set date_d        = %d,
               sum_s         = %f,
               Customer_name = "%s",
               Supplier_name = "%s",
               EGN           = %d,
               short_term    = %d
         Where ( %s = %d ))sql"_s,
                                      {Table, Day, Price, SqlText(Entry.Customer), SqlText(Entry.Supplier),
                                       Buyer, Entry.ShortTerm ? 1 : 0, KeyField, EditingKey})};
        if (OwnReceipt != 0)
            Statements += LinkedOrderUpdateSql(u"Incomes"_s, OwnReceipt, EditingKey, ReceiptType, Entry.Date,
                                               Price, Entry.Customer, Entry.Supplier);
        Statements +=
            Format(uR"sql(UPDATE %s SET sold_at_date = %d WHERE ( docno = %d ) AND ( sold = True ))sql"_s,
                   {Entry.SaleType == stPledged ? u"Contracts"_s : u"Items_purchases"_s, Day, Origin});
        return Statements;
    }
    QStringList Statements;
    Statements +=
        Format(uR"sql(Insert into %s values ( %d, %d, %d, %d, %f, "%s", "%s", "%s", %d, %d ))sql"_s,
               {Table, Whole(Entry.DocNo), Day, Origin, Entry.SaleType, Price, SqlText(Entry.Customer),
                SqlText(Entry.Supplier), SqlText(UserName), Buyer, Entry.ShortTerm ? 1 : 0});
    Statements += SaleMarkSql(Entry.SaleType, Origin, Entry.Date);
    // The receipt's number is taken when Save runs, so two windows never hand out the same one.
    if (!Entry.WithoutReceipt)
        Statements += LinkedOrderSql(u"Incomes"_s, Entry.Date, Whole(Entry.DocNo), ReceiptType, Price,
                                     Entry.Customer, Entry.Supplier, UserName);
    return Statements;
}

QStringList SaleDeleteStatements(const QString& Table, const QString& KeyField, qint64 Sale, int SaleType,
                                 qint64 Origin) {
    return {Format(uR"sql(
        UPDATE %s
           SET sold = False, sold_at_date = 0
         WHERE ( docno = %d ) AND ( sold = True )
           AND EXISTS ( SELECT docno FROM %s
                         WHERE ( %s = %d ) AND ( contract_n = %d ) AND ( payment_type = %d ) ))sql"_s,
                   {SaleType == stPledged ? u"Contracts"_s : u"Items_purchases"_s, Origin, Table, KeyField,
                    Sale, Origin, SaleType}),
            Format(uR"sql(DELETE FROM Incomes WHERE ( contract_n = %d ) AND ( payment_type = %d ))sql"_s,
                   {Sale, SaleType == stPledged ? 4 : 5}),
            DocumentDeleteSql(Table, KeyField, Sale)};
}

// The contracts whose pledged items were sold: their principals are read in one pass.
static const QString SoldPledgesSql = uR"sql(SELECT contract_n FROM Items_sales WHERE payment_type = 1)sql"_s;

QStringList SaleListSql(bool TodayOnly, TDateTime Today) {
    const QString Filter =
        TodayOnly ? Format(u"WHERE  ( Items_sales.date_d = %d ) "_s, {Whole(std::floor(Today))}) : QString();
    return {uR"sql(
        SELECT docno, date_d, contract_n, contract_n, contract_n, sum_s, customer_name, supplier_name,
               user_name, Items_sales.EGN, Owners.three_names, payment_type, payment_type, payment_type,
               contract_n, contract_n, contract_n, contract_n, contract_n, Items_sales.Short_term
          FROM Owners INNER JOIN Items_sales ON Owners.EGN = Items_sales.EGN %1ORDER BY docno)sql"_s.arg(
                Filter),
            uR"sql(
        SELECT Contracts.docno, Contracts.date_c, Contracts.code_i, Item_types.Name_i_t, Items.SN,
               Contracts.gramaj, Contracts.sum_c
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
               ON Owners.EGN = Contracts.EGN
         WHERE Contracts.Sold = True
         ORDER BY Contracts.docno)sql"_s,
            uR"sql(
        SELECT Items_sales.docno, Sum( Incomes.sum_o ) AS SumOfsum_o
          FROM Items_sales INNER JOIN Incomes ON Items_sales.docno = Incomes.contract_n
         WHERE ( ((Incomes.payment_type)=4) OR ((Incomes.payment_type)=5) )
         GROUP BY Items_sales.docno
         ORDER BY Items_sales.docno)sql"_s,
            uR"sql(
        SELECT Items_purchases.docno, Items_purchases.date_d, Items_purchases.code_i, Items.SN,
               Item_types.Name_i_t, Items_purchases.gramaj, Items_purchases.sum_s
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
               ON Owners.EGN = Items_purchases.EGN
         WHERE Items_purchases.Sold = True
         ORDER BY Items_purchases.docno)sql"_s};
}

bool ComposeSaleRows(TDelimitedStringList& Sales, const TDelimitedStringList& Contracts,
                     const TDelimitedStringList& Receipts, const TDelimitedStringList& Purchases,
                     const std::function<bool(const QString&, double&)>& Principal) {
    const QHash<QString, int> ContractRow = IndexByNumber(Contracts);
    const QHash<QString, int> PurchaseRow = IndexByNumber(Purchases);
    const QHash<QString, int> ReceiptRow = IndexByNumber(Receipts);
    bool Complete = true;
    for (int R = 0; R < Sales.Count() && Complete; ++R) {
        const int Receipt = ReceiptRow.value(Sales.GetField(R, scDocNo).trimmed(), -1);
        Sales.SetField(R, scReceipts, Receipt >= 0 ? Money(CentsOf(Receipts.GetField(Receipt, 1))) : u"0"_s);
        const QString Origin = Sales.GetField(R, scOrigin).trimmed();
        const int Type = int(StrToIntOrZero(Sales.GetField(R, scType).trimmed()));
        Sales.SetField(R, scTypeText, SaleTypeText(Type));
        // The pledged item's origin is the contract (its date from the sold contracts), the
        // bought item's the purchase; columns 2-4 and 11 carry the item and its grams either way.
        const TDelimitedStringList& Source = Type == stPledged ? Contracts : Purchases;
        const int Found = (Type == stPledged ? ContractRow : PurchaseRow).value(Origin, -1);
        for (int C : {scItemCode, scItemName, scSN, scGrams, scOriginDate, scOriginSum, scDifference})
            Sales.SetField(R, C, QString());
        if (Type != stPledged && Type != stPurchased) continue;
        if (Found >= 0) {
            Sales.SetField(R, scItemCode, Source.GetField(Found, 2));
            Sales.SetField(R, scItemName, Source.GetField(Found, Type == stPledged ? 3 : 4));
            Sales.SetField(R, scSN, Source.GetField(Found, Type == stPledged ? 4 : 3));
            Sales.SetField(R, scGrams, Source.GetField(Found, 5));
            Sales.SetField(R, scOriginDate, Source.GetField(Found, 1));
        }
        qint64 OriginCents = 0;
        if (Type == stPledged) {
            double Value = 0;
            if (!Principal(Origin, Value)) {
                Complete = false;
                break;
            }
            OriginCents = RoundDecimal(DecimalOf(Value), AmountDecimals);
        } else if (Found >= 0) {
            OriginCents = CentsOf(Purchases.GetField(Found, 6));
        }
        Sales.SetField(R, scOriginSum, Money(OriginCents));
        Sales.SetField(R, scDifference, Money(CentsOf(Sales.GetField(R, scReceipts)) - OriginCents));
    }

    qint64 Sums[4] = {0, 0, 0, 0};
    double Grams = 0;
    for (int R = 0; R < Sales.Count(); ++R) {
        if (!Sales.GetField(R, scEGN).trimmed().isEmpty()) {
            QString EGN;
            FormatEGN(Sales.GetField(R, scEGN).trimmed(), EGN);
            Sales.SetField(R, scEGN, EGN);
        }
        int I = 0;
        for (int C : {scSum, scOriginSum, scReceipts, scDifference}) {
            const qint64 Cents = CentsOf(Sales.GetField(R, C));
            Sales.SetField(R, C, Money(Cents));
            Sums[I++] += Cents;
        }
        const double G = StrToFloatDot(Sales.GetField(R, scGrams), 0);
        Grams += G;
        Sales.SetField(R, scGrams, FloatToFixedStr(3, G));
        Sales.SetField(R, scShortTerm,
                       Sales.GetField(R, scShortTerm).trimmed() == u"True"_s ? u"да"_s : u"не"_s);
    }
    QStringList Totals(SaleColumns);
    Totals[scDocNo] = TotalsCaption;
    Totals[scSum] = Money(Sums[0]);
    Totals[scGrams] = FloatToFixedStr(3, Grams);
    Totals[scOriginSum] = Money(Sums[1]);
    Totals[scReceipts] = Money(Sums[2]);
    Totals[scDifference] = Money(Sums[3]);
    Sales.Add(Totals.join(FieldDelimiterChar));
    return Complete;
}

// ---------------------------------------------------------------------------------------------
// The window

TfrmItems_sales::TfrmItems_sales(QWidget* Owner) : TDocumentForm(Owner) {
    // Save would write a queued sale all the same, with its receipt.
    RefusesUnsavedDocuments = true;
    setObjectName(u"frmItems_sales"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();
    MakeNumberAndDate();
    auto* Kind = new QGroupBox(u" Продажба на: "_s, P);
    Kind->setObjectName(u"rgPayment_type"_s);
    auto* KindLayout = new QHBoxLayout(Kind);
    KindLayout->setContentsMargins(6, 2, 6, 2);
    rbPledged = new QRadioButton(SaleTypeText(stPledged), Kind);
    rbPurchased = new QRadioButton(SaleTypeText(stPurchased), Kind);
    rbPledged->setChecked(true);
    KindLayout->addWidget(rbPledged);
    KindLayout->addWidget(rbPurchased);
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewOwnerEdit(P, pnlOwner);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leContract = NewListEdit(P, u"leContract"_s, pnlItem, 80);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 160);
    feSum_c = NewNumberEdit(u"feSum_c"_s, AmountDecimals, 110);
    edCustomer_name = NewNameEdit(u"edCustomer_name"_s);
    edSupplier_name = NewNameEdit(u"edSupplier_name"_s);
    for (TLimitedEdit* Edit : {edCustomer_name, edSupplier_name})
        Edit->setMinimumWidth(260);
    cb_Without_PKO = new QCheckBox(u"без ПКО"_s, P);
    cb_Without_PKO->setObjectName(u"cb_Without_PKO"_s);
    cb_Short_term = new QCheckBox(u"Краткосрочен"_s, P);
    cb_Short_term->setObjectName(u"cb_Short_term"_s);
    btnPrintOrder = NewPrintButton(u"btnPrintOrder"_s, u"Печат на договор за продажба"_s);

    LayOutNumberAndDate(L, 0);
    L->addWidget(Kind, 0, 4, 2, 2);
    L->addWidget(new QLabel(u"Купувач:"_s, P), 1, 0);
    L->addWidget(leOwner, 1, 1);
    L->addWidget(pnlOwner, 1, 2, 1, 2);
    L->addWidget(new QLabel(u"Договор:"_s, P), 2, 0);
    L->addWidget(leContract, 2, 1);
    L->addWidget(pnlItem, 2, 2, 1, 2);
    L->addWidget(new QLabel(u"Сериен номер (спецификация):"_s, P), 2, 4);
    L->addWidget(pnlSN, 2, 5);
    L->addWidget(new QLabel(u"Сума:"_s, P), 3, 0);
    L->addWidget(feSum_c, 3, 1);
    L->addWidget(new QLabel(u"Получил вещта:"_s, P), 3, 2);
    L->addWidget(edCustomer_name, 3, 3);
    L->addWidget(cb_Without_PKO, 3, 4);
    L->addWidget(cb_Short_term, 3, 5);
    L->addWidget(new QLabel(u"Служител в заложна къща:"_s, P), 4, 2);
    L->addWidget(edSupplier_name, 4, 3);
    L->addWidget(btnPrintOrder, 4, 4, 1, 2);
    L->setColumnStretch(3, 1);
    L->setColumnStretch(5, 1);
    P->setFixedHeight(L->sizeHint().height());

    ctrl_F9->setText(u"Печат на договор за продажба"_s);
    ctrl_F9->setStatusTip(u"Натиснете <CTRL> + <F9> за отпечатване на договор за продажба."_s);
    connect(btnPrintOrder, &QPushButton::clicked, ctrl_F9, &QAction::trigger);
    connect(rbPledged, &QRadioButton::clicked, this, [this] { BuildOriginList(); });
    connect(rbPurchased, &QRadioButton::clicked, this, [this] { BuildOriginList(); });

    auto ownerChanged = [this](QWidget*) { edCustomer_name->setText(pnlOwner->text()); };
    leOwner->OnChange = ownerChanged;
    leOwner->OnFormOk = ownerChanged;
    leContract->OnChange = [this](QWidget*) { OriginChanged(false); };
    leContract->OnFormOk = [this](QWidget*) { OriginChanged(true); };
    leContract->OnBitButtonClick = [this](QWidget*) { BuildOriginList(); };

    SetGridColumns(
        {{"Документ", "номер", "", 60},
         {"", "дата", "", 80},
         {"Вещ", "шифър", "", 60},
         {"", "наименование", "", 140},
         {"", "спецификация", "", 140},
         {"Сума", "", "", 90},
         {"Получил вещта", "", "", 160},
         {"Служител в ЗК", "", "", 160},
         {"Оператор", "", "", 90},
         {"Купувач", "ЕГН", "", 100},
         {"", "Имена", "", 200},
         {"Грамаж", "", "", 80},
         {"Продажба на", "шифър", "", 60},
         {"", "наименование", "", 110},
         {"Документ за произход", "номер", "", 70},
         {"", "дата", "", 80},
         {"", "сума", "", 90},
         {"Сума по", "ПКО", "", 90},
         {"Разлика", "", "", 90},
         {"Кратко-", "срочен", "", 60}},
        u"0,0,1,0|2,0,4,0|5,0,5,1|6,0,6,1|7,0,7,1|8,0,8,1|9,0,10,0|11,0,11,1|12,0,13,0|14,0,16,0|18,0,18,1|"_s);
}

bool TfrmItems_sales::Init() {
    const bool Result = TDocumentForm::Init();
    dtDate_c->setDate(DateTimeToQDate(Date()));
    for (int C : {scSum, scOriginSum, scReceipts, scDifference})
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(scGrams)->SetFormatter(AmountFormatter);
    for (int C : {scItemCode, scType, scOrigin})
        Grid->ColAttributes(C)->SetAlignment({caCenter});
    edCustomer_name->setText(ReadRegString(u"frmIncomes_edCustomer_name"_s));
    edSupplier_name->setText(ReadRegString(u"frmIncomes_edSupplier_name"_s));
    SetShowProgress(true);
    try {
        if (GetOwnersList(this, leOwner)) ShowLastOwner(leOwner);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
    }
    BuildOriginList();
    PostEventTo(this, new TProgressEvent(0, 100));
    PrintSettingsName = u"frmItems_sales_print_settings"_s;
    return Result;
}

bool TfrmItems_sales::Done() {
    RememberOwner(leOwner);
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmIncomes_edSupplier_name"_s, edSupplier_name->text());
    return TDocumentForm::Done();
}

bool TfrmItems_sales::Execute() {
    TDocumentForm::Execute();
    const QStringList Sqls = SaleListSql(WorkstationOptionOn(rg_Registry_7), Date());
    TDelimitedStringList Lists[4];
    QHash<qint64, qint64> Principals;
    try {
        for (int I = 0; I < 4; ++I)
            RunQuery(this, AdoConnection, Sqls[I], &Lists[I]);
        Principals = OutstandingPrincipals(this, SoldPledgesSql);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    SetStatusText(u" Извличане на данни от договори за залог и покупка на вещи"_s);
    ComposeSaleRows(Lists[0], Lists[1], Lists[2], Lists[3],
                    [&Principals](const QString& DocNo, double& Value) {
                        bool IsNumber = false;
                        const qint64 Contract = DocNo.trimmed().toLongLong(&IsNumber);
                        Value = IsNumber ? double(Principals.value(Contract)) / 100.0 : 0;
                        return IsNumber;
                    });
    PostEventTo(this, new TProgressEvent(0, 100));
    SetStatusText(QString());
    ApplyFilterToRows(&Lists[0]);
    LoadGridFromList(Grid, &Lists[0], true);
    return true;
}

int TfrmItems_sales::SaleType() const {
    return rbPurchased->isChecked() ? stPurchased : stPledged;
}

bool TfrmItems_sales::BuildOriginList() {
    edCustomer_name->setText(pnlOwner->text());
    try {
        return ExtractContractsForSale(this, SaleType() == stPledged, leContract);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
}

void TfrmItems_sales::OriginChanged(bool Confirmed) {
    const QString Key = leContract->text().trimmed();
    if (SaleType() == stPurchased) {
        pnlSN->setText(ListEditLookup(leContract, 0, 3, Key));
        pnlItem->setText(ListEditLookup(leContract, 0, 4, Key));
        return;
    }
    pnlSN->setText(ListEditLookup(leContract, 0, 2, Key));
    if (Confirmed) feSum_c->SetValue(StrToFloatDot(ListEditLookup(leContract, 0, 3, Key), 0));
}

TSaleEntry TfrmItems_sales::CurrentEntry() const {
    TSaleEntry E;
    E.DocNo = feDocNo->Value();
    E.Date = QDateToDateTime(dtDate_c->date());
    E.Owner = leOwner->text().trimmed();
    E.Contract = leContract->text().trimmed();
    E.SaleType = SaleType();
    E.Sum = feSum_c->Value();
    E.Customer = edCustomer_name->text();
    E.Supplier = edSupplier_name->text();
    E.ShortTerm = cb_Short_term->isChecked();
    E.WithoutReceipt = cb_Without_PKO->isChecked();
    return E;
}

QString TfrmItems_sales::ValidateEntry() {
    const TSaleEntry Entry = CurrentEntry();
    QString Buyer;
    FormatEGN(Entry.Owner, Buyer);
    TSaleCheck Check;
    Check.GridNumbers = GridNumbers();
    Check.OwnerKnown = !ListEditLookup(leOwner, 0, 1, Buyer).isEmpty();
    // Offered, and not queued in this window already: the list shows it until Save.
    Check.OriginKnown = !ListEditLookup(leContract, 0, 0, Entry.Contract).isEmpty();
    for (int R = Grid->FixedRows(); R < Grid->RowCount() && Check.OriginKnown; ++R)
        if (Grid->Cells(scOrigin, R).trimmed() == Entry.Contract &&
            StrToIntOrZero(Grid->Cells(scType, R).trimmed()) == Entry.SaleType)
            Check.OriginKnown = false;
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    const qint64 Origin = StrToIntOrZero(Entry.Contract.trimmed());
    if (Origin != 0) Check.OriginDate = SaleOriginDate(this, Entry.SaleType, Origin);
    return SaleValidationText(Entry, Check);
}

QStringList TfrmItems_sales::EntryStatements() {
    const TSaleEntry Entry = CurrentEntry();
    const qint64 Key = StrToIntOrZero(EditingKey);
    QStringList Statements =
        SaleStatements(TableName, KeyField, EditingRow, Key, FOwnReceipt, Entry, UserName);
    if (EditingRow) {
        // Another window may have moved the origin past the sale's new date meanwhile.
        Statements += SaleAfterOriginSql(Key, Entry);
        Guard(Statements.last(),
              Format(u"Датата на продажбата е преди датата на %s номер %s."_s,
                     {Entry.SaleType == stPledged ? u"договор"_s : u"покупка"_s, Entry.Contract.trimmed()}));
    } else
        Guard(Statements[1], OriginGoneText(Entry.SaleType, StrToIntOrZero(Entry.Contract)));
    return Statements;
}

QList<TDocumentReference> TfrmItems_sales::EntryReferences() {
    return {OwnerReference(u"Купувач"_s, CurrentEntry().Owner)};
}

bool TfrmItems_sales::Add() {
    const TSaleEntry Entry = CurrentEntry();
    QString Correct;
    if (EditingRow && RoundToDigits(AmountDecimals, Entry.Sum) != RoundToDigits(AmountDecimals, FLiftedPrice))
        Correct = OrdersToCorrectText(this, u"Incomes"_s, Entry.SaleType == stPledged ? 4 : 5,
                                      StrToIntOrZero(EditingKey), FOwnReceipt, u"продажба"_s);
    if (!TDocumentForm::Add()) return false;
    if (!Correct.isEmpty()) ShowMessageEx(Correct);
    return true;
}

QString TfrmItems_sales::DeleteNote(int Row, qint64 Number) {
    const int Type = int(StrToIntOrZero(Grid->Cells(scType, Row).trimmed()));
    const QStringList Receipts = LinkedOrderNumbers(this, u"Incomes"_s, Number, Type == stPledged ? 4 : 5);
    const QString Receipt =
        Receipts.isEmpty()
            ? QString()
            : Format(u"\nЗаедно с нея се изтрива приходен касов ордер номер %s."_s, {Receipts.join(u", "_s)});
    return Receipt + u"\nВещта отново ще се предлага за продажба."_s;
}

QStringList TfrmItems_sales::DeleteStatements(int Row, qint64 Number) {
    const int Type = int(StrToIntOrZero(Grid->Cells(scType, Row).trimmed()));
    const qint64 Origin = StrToIntOrZero(Grid->Cells(scOrigin, Row).trimmed());
    QStringList Statements = SaleDeleteStatements(TableName, KeyField, Number, Type, Origin);
    Guard(Statements[0], Format(u"Продажба %d е изтрита или променена междувременно."_s, {Number}));
    return Statements;
}

// The base puts back the origin chosen before the lift: the lifted sale's is sold.
void TfrmItems_sales::EditEnded() {
    LockOrigin(false);
}

void TfrmItems_sales::LockOrigin(bool Locked) {
    for (QWidget* Edit : std::initializer_list<QWidget*>{leContract, rbPledged, rbPurchased})
        Edit->setEnabled(!Locked);
}

QStringList TfrmItems_sales::EntryRow() {
    const TSaleEntry Entry = CurrentEntry();
    return {FloatToStrDot(-1, Entry.DocNo),
            DateToStr(Entry.Date),
            QString(),
            pnlItem->text(),
            pnlSN->text(),
            FloatToFixedStr(AmountDecimals, Entry.Sum),
            Entry.Customer,
            Entry.Supplier,
            UserName,
            Entry.Owner,
            pnlOwner->text(),
            QString(),
            QString::number(Entry.SaleType),
            SaleTypeText(Entry.SaleType),
            Entry.Contract,
            QString(),
            QString(),
            QString(),
            QString(),
            Entry.ShortTerm ? u"да"_s : u"не"_s};
}

void TfrmItems_sales::Saved() {
    BuildOriginList();
}

void TfrmItems_sales::RowToEdits(const QStringList& Cells) {
    TDateTime Day = 0;
    if (TryStrToDate(Cells.value(scDate), Day)) dtDate_c->setDate(DateTimeToQDate(Day));
    const int Kind = StrToIntOrZero(Cells.value(scType).trimmed()) == stPurchased ? stPurchased : stPledged;
    // The offered list follows the kind, for the sales typed after this edit.
    if (Kind != SaleType()) {
        (Kind == stPurchased ? rbPurchased : rbPledged)->setChecked(true);
        BuildOriginList();
    }
    leOwner->setText(Cells.value(scEGN).trimmed());
    leContract->setText(Cells.value(scOrigin).trimmed());
    // Sold already, the origin is in no list: its item comes from the row.
    pnlItem->setText(Cells.value(scItemName));
    pnlSN->setText(Cells.value(scSN));
    feSum_c->SetValue(StrToFloatDot(Cells.value(scSum), 0));
    edCustomer_name->setText(Cells.value(scCustomer));
    edSupplier_name->setText(Cells.value(scSupplier));
    cb_Short_term->setChecked(Cells.value(scShortTerm).trimmed() == u"да"_s);
    FLiftedPrice = StrToFloatDot(Cells.value(scSum), 0);
    FOwnReceipt = OwnOrderNumber(this, u"Incomes"_s, TableName,
                                 StrToIntOrZero(Cells.value(scDocNo).trimmed()), Kind == stPledged ? 4 : 5);
    LockOrigin(true);
}

void TfrmItems_sales::PrintDocument() {
    if (RefusePrintBeforeSave() || DocumentToPrint() == 0) return;
    const QStringList Cells = Grid->Rows(Grid->Row());
    RunPrint([&] { FillPrintPurchaseSaleContract(this, Cells, false); });
}
