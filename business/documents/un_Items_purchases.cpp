#include "business/documents/un_Items_purchases.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/un_Print_contract_4_purchase_or_sale.h"
#include "business/registers/RegisterForm.h"
#include "business/registers/unPickLists.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

enum {
    pcDocNo,
    pcDate,
    pcItem,
    pcItemName,
    pcSN,
    pcSum,
    pcCustomer,
    pcSupplier,
    pcUser,
    pcEGN,
    pcOwnerName,
    pcGramaj,
    pcSold,
    pcSoldAt,
    PurchaseColumns
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Validation and statements

QString PurchaseValidationText(const TPurchaseEntry& Entry, const TPurchaseCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text = DocNoValidationText(Entry.DocNo, Check.GridNumbers);
    // A seller or an item in no register would be saved as a purchase that the list never shows.
    if (StrToFloatDot(Entry.OwnerCode, 0) == 0 || !Check.OwnerKnown) Text += Sep + u"Въведете собственик"_s;
    if (Entry.Sum == 0) Text += Sep + u"Общата сума на документа е нула!"_s;
    if (Entry.Sum < 0) Text += Sep + u"Сумата на документа не може да бъде отрицателна!"_s;
    if (Entry.Customer.trimmed().isEmpty()) Text += Sep + u"Въведете клиент!"_s;
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    if (Entry.ItemCode.trimmed().isEmpty() || !Check.ItemKnown) Text += Sep + u"Въведете вещ"_s;
    if (!Check.EditingRow && std::floor(Entry.Date) != std::floor(Check.Today))
        Text += u"Нов договор може да бъде направен само на днешна дата"_s;
    // An edit moves the payment order along: neither may be dated in the future, nor the item
    // bought after it was sold.
    if (Check.EditingRow && std::floor(Entry.Date) > std::floor(Check.Today))
        Text += Sep + u"Датата на покупката е след днешната."_s;
    if (Check.EditingRow && Check.FirstSale != 0 && std::floor(Entry.Date) > std::floor(Check.FirstSale))
        Text += Sep + Format(u"Датата на покупката е след продажбата на вещта (%s)."_s,
                             {DateToStr(Check.FirstSale)});
    return Text;
}

QString PurchaseInsertSql(const QString& Table, const TPurchaseEntry& Entry, const QString& UserName) {
    return Format(
        uR"sql(Insert into %s values ( %d, %d, %d, %f, "%s", "%s", "%s", %d, %.3f, False, 0 ))sql"_s,
        {Table, Whole(Entry.DocNo), Whole(std::floor(Entry.Date)), StrToIntOrZero(Entry.ItemCode.trimmed()),
         RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
         SqlText(UserName), Whole(StrToFloatDot(Entry.OwnerCode.trimmed(), 0)), Entry.Gramaj});
}

QString PurchaseUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TPurchaseEntry& Entry, const QString& UserName) {
    return Format(
        uR"sql(Update %s Set date_d        = %d,       code_i        = %d,       sum_s         = %f,       Customer_name = "%s",     Supplier_name = "%s",     user_name     = "%s",     EGN           = %d,       gramaj        = %.3f Where ( %s = %d ))sql"_s,
        {Table, Whole(std::floor(Entry.Date)), StrToIntOrZero(Entry.ItemCode.trimmed()),
         RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
         SqlText(UserName), Whole(StrToFloatDot(Entry.OwnerCode.trimmed(), 0)), Entry.Gramaj, KeyField, Key});
}

QString PurchaseOrderSql(const TPurchaseEntry& Entry, const QString& UserName) {
    return LinkedOrderSql(u"Outcomes"_s, Entry.Date, Whole(Entry.DocNo), 4, Entry.Sum, Entry.Customer,
                          Entry.Supplier, UserName);
}

QString PurchaseOrderUpdateSql(qint64 Key, qint64 OrderNo, const TPurchaseEntry& Entry) {
    return LinkedOrderUpdateSql(u"Outcomes"_s, OrderNo, Key, 4, Entry.Date, Entry.Sum, Entry.Customer,
                                Entry.Supplier);
}

QStringList PurchaseDeleteStatements(qint64 Purchase) {
    return {Format(uR"sql(
        DELETE FROM Items_purchases
         WHERE ( docno = %d ) AND ( sold = False )
           AND NOT EXISTS ( SELECT docno FROM Items_sales WHERE ( contract_n = %d ) AND ( payment_type = 2 ) ))sql"_s,
                   {Purchase, Purchase}),
            Format(uR"sql(DELETE FROM Outcomes WHERE ( contract_n = %d ) AND ( payment_type = 4 ))sql"_s,
                   {Purchase})};
}

namespace {

// What sold purchase Purchase: its sales ("продажби № 3"), or only its mark; "" while unsold.
QString PurchaseSoldText(QObject* Owner, qint64 Purchase) {
    TDelimitedStringList Sold, Sales;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT docno FROM Items_purchases WHERE ( docno = %d ) AND ( sold = True ))sql"_s,
                    {Purchase}),
             &Sold);
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno FROM Items_sales
         WHERE ( contract_n = %d ) AND ( payment_type = 2 )
         ORDER BY docno)sql"_s,
                    {Purchase}),
             &Sales);
    if (Sales.Count() > 0) return NumbersUseText(u"продажби"_s, Sales);
    if (Sold.Count() > 0) return u"вещта е продадена"_s;
    return QString();
}

} // namespace

QString PurchaseDeleteRefusal(QObject* Owner, qint64 Purchase) {
    const QString Sold = PurchaseSoldText(Owner, Purchase);
    if (Sold.isEmpty()) return QString();
    return Format(u"Покупка номер %d не може да бъде изтрита: %s."_s, {Purchase, Sold});
}

QString PurchaseEditRefusal(QObject* Owner, qint64 Purchase, const TPurchaseEntry& Entry) {
    TDelimitedStringList Stored;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT code_i, sum_s FROM Items_purchases WHERE ( docno = %d ))sql"_s, {Purchase}),
             &Stored);
    if (Stored.Count() == 0) return QString();
    if (StrToIntOrZero(Stored.GetField(0, 0).trimmed()) == StrToIntOrZero(Entry.ItemCode.trimmed()) &&
        RoundDecimal(DecimalOrZero(Stored.GetField(0, 1)), AmountDecimals) ==
            RoundDecimal(DecimalOf(Entry.Sum), AmountDecimals))
        return QString();
    const QString Sold = PurchaseSoldText(Owner, Purchase);
    if (Sold.isEmpty()) return QString();
    return Format(u"Вещта и цената на покупка номер %d не могат да бъдат променени: %s."_s, {Purchase, Sold});
}

TDateTime PurchaseFirstSale(QObject* Owner, qint64 Purchase) {
    TDelimitedStringList First;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Min( date_d ) FROM Items_sales
         WHERE ( contract_n = %d ) AND ( payment_type = 2 ))sql"_s,
                    {Purchase}),
             &First);
    TDateTime Day = 0;
    if (First.Count() == 0 || !TryStrToDate(First.GetField(0, 0), Day)) return 0;
    return Day;
}

// ---------------------------------------------------------------------------------------------
// The list

QString PurchaseListSql() {
    return uR"sql(
        SELECT Items_purchases.docno, Items_purchases.date_d, Items_purchases.code_i, Items.SN,
               Item_types.Name_i_t, Items_purchases.sum_s, Items_purchases.customer_name,
               Items_purchases.supplier_name, Items_purchases.user_name, Items_purchases.EGN,
               Owners.Three_names, Items_purchases.gramaj, Items_purchases.sold,
               Items_purchases.sold_at_date
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
               ON Owners.EGN = Items_purchases.EGN
         Order By Items_purchases.docno)sql"_s;
}

void PreparePurchaseListRows(TDelimitedStringList& List, int Columns) {
    // Totals in whole cents and whole milligrams, so that no binary error creeps into them.
    qint64 Cents = 0;
    qint64 Milligrams = 0;
    for (int I = 0; I < List.Count(); ++I) {
        const QString SN = List.GetField(I, pcItemName);
        List.SetField(I, pcItemName, List.GetField(I, pcSN));
        List.SetField(I, pcSN, SN);
        if (!List.GetField(I, pcEGN).isEmpty()) {
            QString EGN;
            FormatEGN(List.GetField(I, pcEGN), EGN);
            List.SetField(I, pcEGN, EGN);
        }
        const double Sum = RoundToDigits(AmountDecimals, StrToFloatDot(List.GetField(I, pcSum), 0));
        const double Grams = RoundToDigits(3, StrToFloatDot(List.GetField(I, pcGramaj), 0));
        Cents += std::llround(Sum * 100.0);
        Milligrams += std::llround(Grams * 1000.0);
        List.SetField(I, pcSum, FloatToFixedStr(AmountDecimals, Sum));
        List.SetField(I, pcGramaj, FloatToFixedStr(3, Grams));
        const bool Sold = List.GetField(I, pcSold) == u"True"_s;
        List.SetField(I, pcSold, Sold ? u"да"_s : u"не"_s);
        if (!Sold) List.SetField(I, pcSoldAt, QString());
    }
    const int Totals = List.AddWithFieldCount(u"¤Общо:"_s, Columns);
    List.SetField(Totals, pcSum, FloatToFixedStr(AmountDecimals, double(Cents) / 100.0));
    List.SetField(Totals, pcGramaj, FloatToFixedStr(3, double(Milligrams) / 1000.0));
}

QStringList PurchaseGridCells(const TPurchaseEntry& Entry, const QString& ItemName, const QString& ItemSN,
                              const QString& OwnerName, const QString& UserName) {
    return {QString::number(Whole(Entry.DocNo)),
            DateToStr(Entry.Date),
            Entry.ItemCode.trimmed(),
            ItemName,
            ItemSN,
            FloatToFixedStr(AmountDecimals, Entry.Sum),
            Entry.Customer,
            Entry.Supplier,
            UserName,
            Entry.OwnerCode.trimmed(),
            OwnerName,
            FloatToFixedStr(3, Entry.Gramaj),
            QString(),
            QString()};
}

// ---------------------------------------------------------------------------------------------
// The window

TfrmItems_purchases::TfrmItems_purchases(QWidget* Owner) : TDocumentForm(Owner) {
    // Save would write a queued purchase all the same, with its payment order.
    RefusesUnsavedDocuments = true;
    setObjectName(u"frmItems_purchases"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();
    MakeNumberAndDate();
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leItem = NewListEdit(P, u"leItem"_s, pnlItem, 80);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 200);
    feSum_c = NewNumberEdit(u"feSum_c"_s, AmountDecimals, 110);
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewOwnerEdit(P, pnlOwner);
    edCustomer_name = NewNameEdit(u"edCustomer_name"_s);
    edSupplier_name = NewNameEdit(u"edSupplier_name"_s);
    feGramaj = NewNumberEdit(u"feGramaj"_s, 3, 110);
    btnPrintOrder = NewPrintButton(u"btnPrintOrder"_s, u"Печат на договор"_s);
    btnPrintLabel = NewPrintButton(u"btnPrintLabel"_s, u"Печат на етикет"_s);

    LayOutNumberAndDate(L, 0);
    L->addWidget(new QLabel(u"Вещ:"_s, P), 1, 0);
    L->addWidget(leItem, 1, 1);
    L->addWidget(pnlItem, 1, 2, 1, 2);
    L->addWidget(pnlSN, 1, 4, 1, 2);
    L->addWidget(new QLabel(u"Сума:"_s, P), 2, 0);
    L->addWidget(feSum_c, 2, 1);
    L->addWidget(new QLabel(u"Грамаж:"_s, P), 2, 2);
    L->addWidget(feGramaj, 2, 3);
    L->addWidget(new QLabel(u"Продавач:"_s, P), 3, 0);
    L->addWidget(leOwner, 3, 1);
    L->addWidget(pnlOwner, 3, 2, 1, 4);
    L->addWidget(new QLabel(u"Предал стоката:"_s, P), 4, 0);
    L->addWidget(edCustomer_name, 4, 1, 1, 3);
    L->addWidget(btnPrintOrder, 4, 4);
    L->addWidget(new QLabel(u"Служител в заложна къща:"_s, P), 5, 0);
    L->addWidget(edSupplier_name, 5, 1, 1, 3);
    L->addWidget(btnPrintLabel, 5, 4);
    L->setColumnStretch(5, 1);
    P->setFixedHeight(L->sizeHint().height());

    ctrl_F9->setText(u"Натиснете <CTRL> + <F9> за отпечатване на договор за покупка."_s);
    connect(btnPrintOrder, &QPushButton::clicked, ctrl_F9, &QAction::trigger);
    connect(btnPrintLabel, &QPushButton::clicked, this,
            [this] { RunAction(nullptr, true, [this] { PrintLabel(TLabelDocument::Purchase); }); });
    leOwner->OnChange = [this](QWidget*) { OwnerChanged(); };
    leOwner->OnFormOk = [this](QWidget*) { OwnerChanged(); };
    leItem->OnChange = [this](QWidget*) { ItemChanged(); };
    leItem->OnFormOk = [this](QWidget*) { ItemChanged(); };
    leItem->OnBitButtonClick = [this](QWidget*) { GetItemsList(this, leItem); };

    SetGridColumns({{"Документ", "номер", "000000"},
                    {"", "дата", "00.00.0000"},
                    {"Вещ", "шифър", "00000"},
                    {"", "наименование", "Наименование"},
                    {"", "спецификация", "Спецификация 00"},
                    {"Сума", "", "000 000.00"},
                    {"Предал стоката", "", "Предал стоката 0000"},
                    {"Служител в ЗК", "", "Служител 0000"},
                    {"Оператор", "", "Оператор"},
                    {"Продавач", "ЕГН", "0000000000"},
                    {"", "Имена", "Собствено, бащино и фамилно"},
                    {"Грамаж", "", "0000.000"},
                    {"Вещта е продадена", "да/не", "да/не"},
                    {"", "дата", "00.00.0000"}},
                   u"0,0,1,0|2,0,4,0|5,0,5,1|6,0,6,1|7,0,7,1|8,0,8,1|9,0,10,0|11,0,11,1|12,0,13,0|"_s);
}

bool TfrmItems_purchases::Init() {
    const bool Result = TDocumentForm::Init();
    dtDate_c->setDate(DateTimeToQDate(Date()));
    Grid->ColAttributes(pcSum)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(pcGramaj)->SetFormatter(AmountFormatter);
    Grid->ColAttributes(pcItem)->SetAlignment({caCenter});
    // The purchase and the receipt windows share the names typed last.
    edSupplier_name->setText(ReadRegString(u"frmIncomes_edSupplier_name"_s));
    edCustomer_name->setText(ReadRegString(u"frmIncomes_edCustomer_name"_s));
    try {
        GetOwnersList(this, leOwner);
        GetItemsList(this, leItem);
    } catch (const EDatabaseError& E) {
        // The window still opens; it cannot offer what it could not read.
        ShowDatabaseError(E.Message(), E.Sql());
        return Result;
    }
    ShowLastOwner(leOwner);
    leItem->setText(ReadRegString(u"Last_Item"_s));
    PrintSettingsName = u"frmItems_purchases_print_settings"_s;
    return Result;
}

bool TfrmItems_purchases::Done() {
    RememberOwner(leOwner);
    if (!leItem->text().trimmed().isEmpty()) WriteRegString(u"Last_Item"_s, leItem->text().trimmed());
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmIncomes_edSupplier_name"_s, edSupplier_name->text());
    return TDocumentForm::Done();
}

bool TfrmItems_purchases::Execute() {
    TDocumentForm::Execute();
    TDelimitedStringList List;
    try {
        RunQuery(this, AdoConnection, PurchaseListSql(), &List);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    PreparePurchaseListRows(List, Grid->ColCount());
    SortRows(&List);
    ApplyFilterToRows(&List);
    LoadGridFromList(Grid, &List, true);
    return true;
}

void TfrmItems_purchases::OwnerChanged() {
    edCustomer_name->setText(pnlOwner->text());
}

void TfrmItems_purchases::ItemChanged() {
    pnlSN->setText(ListEditLookup(leItem, 0, 2, leItem->text().trimmed()));
}

// The seller's names go where the deliverer is still to be typed.
void TfrmItems_purchases::CodeTaken(TListEdit* Lookup) {
    if (Lookup == leItem)
        ItemChanged();
    else if (Lookup == leOwner && edCustomer_name->text().trimmed().isEmpty())
        OwnerChanged();
}

TPurchaseEntry TfrmItems_purchases::CurrentEntry() const {
    TPurchaseEntry E;
    E.DocNo = feDocNo->Value();
    E.Date = QDateToDateTime(dtDate_c->date());
    E.ItemCode = leItem->text().trimmed();
    E.OwnerCode = leOwner->text().trimmed();
    E.Sum = feSum_c->Value();
    E.Customer = edCustomer_name->text();
    E.Supplier = edSupplier_name->text();
    E.Gramaj = feGramaj->Value();
    return E;
}

bool TfrmItems_purchases::Add() {
    const TPurchaseEntry Entry = CurrentEntry();
    // Asked only of an entry that may be queued, and of an edit only when it buys another item.
    if ((!EditingRow || Entry.ItemCode != FLifted.value(pcItem).trimmed()) && ValidateEntry().isEmpty()) {
        const QString Question = PledgedItemQuestion(this, Entry.ItemCode, u"Желаете ли да я закупите?"_s);
        if (!Question.isEmpty() && ConfirmYesNoFmt(Question) != mrYes) return false;
    }
    QString Correct;
    if (EditingRow && RoundDecimal(DecimalOf(Entry.Sum), AmountDecimals) !=
                          RoundDecimal(DecimalOrZero(FLifted.value(pcSum)), AmountDecimals))
        Correct =
            OrdersToCorrectText(this, u"Outcomes"_s, 4, StrToIntOrZero(EditingKey), FOwnOrder, u"покупка"_s);
    if (!TDocumentForm::Add()) return false;
    if (!Correct.isEmpty()) ShowMessageEx(Correct);
    return true;
}

QString TfrmItems_purchases::ValidateEntry() {
    const TPurchaseEntry Entry = CurrentEntry();
    QString OwnerCode;
    FormatEGN(Entry.OwnerCode, OwnerCode);
    TPurchaseCheck Check;
    Check.GridNumbers = GridNumbers();
    Check.OwnerKnown = !ListEditLookup(leOwner, 0, 1, OwnerCode).isEmpty();
    Check.ItemKnown = !ListEditLookup(leItem, 0, 0, Entry.ItemCode).isEmpty();
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    if (EditingRow) Check.FirstSale = PurchaseFirstSale(this, StrToIntOrZero(EditingKey));
    QString Text = PurchaseValidationText(Entry, Check);
    if (EditingRow)
        if (const QString Refusal = PurchaseEditRefusal(this, StrToIntOrZero(EditingKey), Entry);
            !Refusal.isEmpty())
            Text += u"\n\r"_s + Refusal;
    return Text;
}

QStringList TfrmItems_purchases::EntryStatements() {
    const TPurchaseEntry Entry = CurrentEntry();
    // The purchase and the order that pays for it are queued together: Save writes both or neither.
    if (EditingRow) {
        const qint64 Key = StrToIntOrZero(EditingKey);
        // A sale saved or moved meanwhile marks the purchase: the base finds it changed.
        QStringList Statements{PurchaseUpdateSql(TableName, KeyField, Key, Entry, UserName)};
        if (FOwnOrder != 0) Statements += PurchaseOrderUpdateSql(Key, FOwnOrder, Entry);
        return Statements;
    }
    return {PurchaseInsertSql(TableName, Entry, UserName), PurchaseOrderSql(Entry, UserName)};
}

QList<TDocumentReference> TfrmItems_purchases::EntryReferences() {
    const TPurchaseEntry Entry = CurrentEntry();
    return {OwnerReference(u"Продавач"_s, Entry.OwnerCode), ItemReference(StrToIntOrZero(Entry.ItemCode))};
}

QStringList TfrmItems_purchases::EntryRow() {
    const TPurchaseEntry Entry = CurrentEntry();
    QString OwnerCode;
    FormatEGN(Entry.OwnerCode, OwnerCode);
    return PurchaseGridCells(Entry, ListEditLookup(leItem, 0, 1, Entry.ItemCode), pnlSN->text(),
                             ListEditLookup(leOwner, 0, 1, OwnerCode), UserName);
}

QString TfrmItems_purchases::DeleteRefusal(qint64 Number) {
    return PurchaseDeleteRefusal(this, Number);
}

QString TfrmItems_purchases::DeleteNote(int, qint64 Number) {
    const QStringList Orders = LinkedOrderNumbers(this, u"Outcomes"_s, Number, 4);
    if (Orders.isEmpty()) return QString();
    return Format(u"\nЗаедно с нея се изтрива разходен касов ордер номер %s."_s, {Orders.join(u", "_s)});
}

QStringList TfrmItems_purchases::DeleteStatements(int, qint64 Number) {
    QStringList Statements = PurchaseDeleteStatements(Number);
    Guard(Statements[0], Format(u"Покупка номер %d е продадена или изтрита междувременно."_s, {Number}));
    return Statements;
}

void TfrmItems_purchases::RowToEdits(const QStringList& Cells) {
    FLifted = Cells;
    FOwnOrder =
        OwnOrderNumber(this, u"Outcomes"_s, TableName, StrToIntOrZero(Cells.value(pcDocNo).trimmed()), 4);
    TDateTime Day = 0;
    if (TryStrToDate(Cells.value(pcDate), Day)) dtDate_c->setDate(DateTimeToQDate(Day));
    leItem->setText(Cells.value(pcItem).trimmed());
    feSum_c->SetValue(StrToFloatDot(Cells.value(pcSum), 0));
    leOwner->setText(Cells.value(pcEGN).trimmed());
    // The seller's names fill the deliverer on the way; the purchase's own deliverer stays.
    edCustomer_name->setText(Cells.value(pcCustomer));
    edSupplier_name->setText(Cells.value(pcSupplier));
    feGramaj->SetValue(StrToFloatDot(Cells.value(pcGramaj), 0));
}

void TfrmItems_purchases::PrintDocument() {
    if (RefusePrintBeforeSave() || DocumentToPrint() == 0) return;
    const QStringList Cells = Grid->Rows(Grid->Row());
    RunPrint([&] { FillPrintPurchaseSaleContract(this, Cells, true); });
}
