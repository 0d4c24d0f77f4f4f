#include "business/documents/un_Items_purchases.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/registers/RegisterForm.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "business/printing/unWordTemplates.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Incomes.h"
#include "business/printing/un_Print_contract_4_purchase_or_sale.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unWait.h"

#include <QDateEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <cmath>
#include <functional>

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

qint64 Whole(double Value) {
    return qint64(std::llround(RoundToDigits(0, Value)));
}

TLimitedEdit* NameEdit(QWidget* Parent, const QString& Name) {
    auto* Edit = new TLimitedEdit(Parent);
    Edit->setObjectName(Name);
    Edit->setMaxLength(60);
    return Edit;
}

// Printing runs from a button as well as from the action: what stops it is shown here.
void ShowPrintFailure(const std::function<void()>& Print) {
    try {
        TWaitGuard Wait;
        Print();
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
    } catch (const Exception& E) {
        ShowErrorBox(E.Message());
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Validation and statements

QString PurchaseValidationText(const TPurchaseEntry& Entry, const TPurchaseCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text;
    if (Entry.DocNo != 0) {
        const QString Number = FloatToStrDot(-1, Entry.DocNo);
        for (const QString& Cell : Check.GridNumbers)
            if (Cell.trimmed() == Number)
                Text += Sep + Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {Number});
    }
    if (Entry.DocNo == 0) Text += Sep + u"Въведете номер на документ"_s;
    // A seller or an item in no register would be saved as a purchase that the list never shows.
    if (StrToFloatDot(Entry.OwnerCode, 0) == 0 || !Check.OwnerKnown) Text += Sep + u"Въведете собственик"_s;
    if (Entry.Sum == 0) Text += Sep + u"Общата сума на документа е нула!"_s;
    if (Entry.Customer.trimmed().isEmpty()) Text += Sep + u"Въведете клиент!"_s;
    if (Entry.Supplier.trimmed().isEmpty()) Text += Sep + u"Въведете служител"_s;
    if (Entry.ItemCode.trimmed().isEmpty() || !Check.ItemKnown) Text += Sep + u"Въведете вещ"_s;
    if (!Check.EditingRow && std::floor(Entry.Date) != std::floor(Check.Today))
        Text += u"Нов договор може да бъде направен само на днешна дата"_s;
    return Text;
}

QString PurchaseInsertSql(const QString& Table, const TPurchaseEntry& Entry, const QString& UserName) {
    return Format(u"Insert into %s values ( %d, %d, %d, %f, \"%s\", \"%s\", \"%s\", %d, %.3f, False, 0 )"_s,
                  {Table, Whole(Entry.DocNo), Whole(std::floor(Entry.Date)),
                   StrToIntOrZero(Entry.ItemCode.trimmed()), RoundToDigits(AmountDecimals, Entry.Sum),
                   SqlText(Entry.Customer), SqlText(Entry.Supplier), SqlText(UserName),
                   Whole(StrToFloatDot(Entry.OwnerCode.trimmed(), 0)), Entry.Gramaj});
}

QString PurchaseUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TPurchaseEntry& Entry, const QString& UserName) {
    return Format(
        u"Update %s Set date_d        = %d,       code_i        = %d,       sum_s         = %f,       "
        "Customer_name = \"%s\",     Supplier_name = \"%s\",     user_name     = \"%s\",     EGN           = "
        "%d,       gramaj        = %.3f Where ( %s = %d )"_s,
        {Table, Whole(std::floor(Entry.Date)), StrToIntOrZero(Entry.ItemCode.trimmed()),
         RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
         SqlText(UserName), Whole(StrToFloatDot(Entry.OwnerCode.trimmed(), 0)), Entry.Gramaj, KeyField, Key});
}

QString PurchaseOrderSql(const TPurchaseEntry& Entry, const QString& UserName) {
    return Format(u"Insert into Outcomes values ( %s, %d, %d, %d, %f, \"%s\", \"%s\", \"%s\" )"_s,
                  {NextDocNoSql(u"Outcomes"_s), Whole(std::floor(Entry.Date)), Whole(Entry.DocNo), 4,
                   RoundToDigits(AmountDecimals, Entry.Sum), SqlText(Entry.Customer), SqlText(Entry.Supplier),
                   SqlText(UserName)});
}

bool PurchaseStored(QObject* Owner, qint64 DocNo) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, Format(u"SELECT docno FROM Items_purchases WHERE docno = %d"_s, {DocNo}),
             &List);
    return List.Count() > 0;
}

// ---------------------------------------------------------------------------------------------
// The list

QString PurchaseListSql() {
    return u"SELECT Items_purchases.docno,        Items_purchases.date_d,        Items_purchases.code_i,     "
           u"   "
           "Items.SN,         Item_types.Name_i_t,        Items_purchases.sum_s,        "
           "Items_purchases.customer_name,        Items_purchases.supplier_name,        "
           "Items_purchases.user_name,        Items_purchases.EGN,        Owners.Three_names,        "
           "Items_purchases.gramaj,        Items_purchases.sold,        Items_purchases.sold_at_date FROM "
           "Owners "
           "INNER JOIN (     (Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)     INNER "
           "JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)     ON Owners.EGN = "
           "Items_purchases.EGN Order By Items_purchases.docno"_s;
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

QStringList PurchaseContractRecord(const QStringList& Cells, const QString& PawnshopName) {
    QStringList Record;
    for (int C = 0; C < PurchaseColumns; ++C) {
        const QString Cell = Cells.value(C);
        Record += Cell.isEmpty() ? u" "_s : Cell;
    }
    Record[pcUser] = PawnshopName;
    return Record;
}

// ---------------------------------------------------------------------------------------------
// The window

TfrmItems_purchases::TfrmItems_purchases(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmItems_purchases"_s);
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
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leItem = NewListEdit(P, u"leItem"_s, pnlItem, 80);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 200);
    feSum_c = new TFloatEdit(P);
    feSum_c->setObjectName(u"feSum_c"_s);
    feSum_c->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    feSum_c->setFixedWidth(110);
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewListEdit(P, u"leOwner"_s, pnlOwner, 120);
    edCustomer_name = NameEdit(P, u"edCustomer_name"_s);
    edSupplier_name = NameEdit(P, u"edSupplier_name"_s);
    feGramaj = new TFloatEdit(P);
    feGramaj->setObjectName(u"feGramaj"_s);
    feGramaj->SetPrecision(3);
    feGramaj->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    feGramaj->setFixedWidth(110);
    btnPrintOrder = new QPushButton(u"Печат на договор"_s, P);
    btnPrintOrder->setObjectName(u"btnPrintOrder"_s);
    btnPrintOrder->setFocusPolicy(Qt::NoFocus);
    btnPrintLabel = new QPushButton(u"Печат на етикет"_s, P);
    btnPrintLabel->setObjectName(u"btnPrintLabel"_s);
    btnPrintLabel->setFocusPolicy(Qt::NoFocus);

    L->addWidget(new QLabel(u"Номер:"_s, P), 0, 0);
    L->addWidget(feDocNo, 0, 1);
    L->addWidget(new QLabel(u"Дата:"_s, P), 0, 2);
    L->addWidget(dtDate_c, 0, 3);
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

    for (QAction* A : {actNew, actEdit, actSave, actDelete})
        A->setEnabled(true);
    ctrl_F9 = new QAction(u"Натиснете <CTRL> + <F9> за отпечатване на договор за покупка."_s, this);
    ctrl_F9->setObjectName(u"ctrl_F9"_s);
    ctrl_F9->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
    ctrl_F9->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ctrl_F9);
    connect(ctrl_F9, &QAction::triggered, this, [this] { PrintContract(); });
    connect(btnPrintOrder, &QPushButton::clicked, this, [this] { PrintContract(); });
    connect(btnPrintLabel, &QPushButton::clicked, this, [this] { PrintLabel(); });
    leOwner->OnChange = [this](QWidget*) { OwnerChanged(); };
    leOwner->OnFormOk = [this](QWidget*) { OwnerChanged(); };
    leOwner->OnBitButtonClick = [this](QWidget*) { GetOwnersList(this, leOwner); };
    leItem->OnChange = [this](QWidget*) { ItemChanged(); };
    leItem->OnFormOk = [this](QWidget*) { ItemChanged(); };
    leItem->OnBitButtonClick = [this](QWidget*) { GetItemsList(this, leItem); };

    Grid->SetColCount(PurchaseColumns);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    Grid->SetFixedCols(0);
    const char* Headers[PurchaseColumns][2] = {
        {"Документ", "номер"},
        {"", "дата"},
        {"Вещ", "шифър"},
        {"", "наименование"},
        {"", "спецификация"},
        {"Сума", ""},
        {"Предал стоката", ""},
        {"Служител в ЗК", ""},
        {"Оператор", ""},
        {"Продавач", "ЕГН"},
        {"", "Имена"},
        {"Грамаж", ""},
        {"Вещта е продадена", "да/не"},
        {"", "дата"},
    };
    const char* Samples[PurchaseColumns] = {"000000",
                                            "00.00.0000",
                                            "00000",
                                            "Наименование",
                                            "Спецификация 00",
                                            "000 000.00",
                                            "Предал стоката 0000",
                                            "Служител 0000",
                                            "Оператор",
                                            "0000000000",
                                            "Собствено, бащино и фамилно",
                                            "0000.000",
                                            "да/не",
                                            "00.00.0000"};
    const QFontMetrics Metrics(Grid->font());
    for (int C = 0; C < PurchaseColumns; ++C) {
        Grid->SetCells(C, 0, QString::fromUtf8(Headers[C][0]));
        Grid->SetCells(C, 1, QString::fromUtf8(Headers[C][1]));
        const int Width = std::max(Metrics.horizontalAdvance(QString::fromUtf8(Headers[C][1])),
                                   Metrics.horizontalAdvance(QString::fromUtf8(Samples[C])));
        Grid->SetColWidths(C, Width + 12);
    }
    Grid->SetMergeCellsStr(
        u"0,0,1,0|2,0,4,0|5,0,5,1|6,0,6,1|7,0,7,1|8,0,8,1|9,0,10,0|11,0,11,1|12,0,13,0|"_s);
    Grid->SetLeftCol(0);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TfrmItems_purchases::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    StopEditing();
    dtDate_c->setDate(DateTimeToQDate(Date()));
    Grid->ColAttributes(pcSum)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(pcGramaj)->SetFormatter(AmountFormatter);
    Grid->ColAttributes(pcItem)->SetAlignment({caCenter});
    for (TLimitedEdit* Edit : {edCustomer_name, edSupplier_name})
        Edit->SetValidChars(u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s);
    // The purchase and the receipt windows share the names typed last.
    edSupplier_name->setText(ReadRegString(u"frmIncomes_edSupplier_name"_s));
    edCustomer_name->setText(ReadRegString(u"frmIncomes_edCustomer_name"_s));
    feSum_c->SetPrecision(AmountDecimals);
    try {
        GetOwnersList(this, leOwner);
        GetItemsList(this, leItem);
    } catch (const EDatabaseError& E) {
        // The window still opens; it cannot offer what it could not read.
        ShowDatabaseError(E.Message(), E.Sql());
        return Result;
    }
    const QString LastEGN = ReadRegString(u"Last_EGN"_s).trimmed();
    if (!LastEGN.isEmpty()) {
        QString Padded;
        FormatEGN(LastEGN, Padded);
        leOwner->setText(Padded);
    }
    leItem->setText(ReadRegString(u"Last_Item"_s));
    PrintSettingsName = u"frmItems_purchases_print_settings"_s;
    return Result;
}

bool TfrmItems_purchases::Done() {
    PendingSql.clear();
    if (!leOwner->text().trimmed().isEmpty()) WriteRegString(u"Last_EGN"_s, leOwner->text().trimmed());
    if (!leItem->text().trimmed().isEmpty()) WriteRegString(u"Last_Item"_s, leItem->text().trimmed());
    if (!edSupplier_name->text().trimmed().isEmpty())
        WriteRegString(u"frmIncomes_edSupplier_name"_s, edSupplier_name->text());
    return TMAccountReadForm::Done();
}

bool TfrmItems_purchases::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    Container()->setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    DoExecute();
    ProposeNextKey(this, TableName, KeyField, feDocNo);
    return Result;
}

bool TfrmItems_purchases::Execute() {
    TMAccountReadForm::Execute();
    TDelimitedStringList List;
    RunQuery(this, AdoConnection, PurchaseListSql(), &List);
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
    if (!TMAccountReadForm::Add()) return false;
    const TPurchaseEntry Entry = CurrentEntry();
    QString OwnerCode;
    FormatEGN(Entry.OwnerCode, OwnerCode);
    const QString OwnerName = ListEditLookup(leOwner, 0, 1, OwnerCode);
    TPurchaseCheck Check;
    for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
        Check.GridNumbers += Grid->Cells(0, R);
    Check.OwnerKnown = !OwnerName.isEmpty();
    Check.ItemKnown = !ListEditLookup(leItem, 0, 0, Entry.ItemCode).isEmpty();
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    const QString Messages = PurchaseValidationText(Entry, Check);
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        return false;
    }
    // The purchase and the order that pays for it are queued together: Save writes both or neither.
    if (EditingRow)
        Queue({PurchaseUpdateSql(TableName, KeyField, StrToIntOrZero(EditingKey), Entry, UserName)});
    else
        Queue({PurchaseInsertSql(TableName, Entry, UserName), PurchaseOrderSql(Entry, UserName)});
    AppendGridRow(Grid, PurchaseGridCells(Entry, ListEditLookup(leItem, 0, 1, Entry.ItemCode), pnlSN->text(),
                                          OwnerName, UserName));
    feSum_c->SetValue(0);
    if (!EditingRow) feDocNo->SetValue(feDocNo->Value() + 1);
    StopEditing();
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, palette().color(QPalette::Button));
    pnlCaption->setPalette(Palette);
    return true;
}

bool TfrmItems_purchases::Save() {
    if (!TMAccountReadForm::Save()) return false;
    if (!SaveQueued(this)) return false;
    Reload();
    return true;
}

qint64 TfrmItems_purchases::SelectedDocNo() const {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return 0;
    return StrToIntOrZero(Grid->Cells(pcDocNo, Row).trimmed());
}

bool TfrmItems_purchases::RefuseUnsaved() {
    const qint64 Number = SelectedDocNo();
    if (Number == 0 || PurchaseStored(this, Number)) return false;
    ShowErrorFmt(u"Покупка номер %d още не е записана. Натиснете бутон \"F2\" (за запис)."_s, {Number});
    return true;
}

bool TfrmItems_purchases::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    if (!EditingRow && RefuseUnsaved()) return false;
    QStringList Cells;
    if (!BeginOrderEdit(this, *this, feDocNo, Cells)) return false;
    TDateTime Day = 0;
    if (TryStrToDate(Cells.value(pcDate), Day)) dtDate_c->setDate(DateTimeToQDate(Day));
    leItem->setText(Cells.value(pcItem).trimmed());
    feSum_c->SetValue(StrToFloatDot(Cells.value(pcSum), 0));
    leOwner->setText(Cells.value(pcEGN).trimmed());
    // The seller's names fill the deliverer on the way; the purchase's own deliverer stays.
    edCustomer_name->setText(Cells.value(pcCustomer));
    edSupplier_name->setText(Cells.value(pcSupplier));
    feGramaj->SetValue(StrToFloatDot(Cells.value(pcGramaj), 0));
    EndOrderEdit(Grid);
    return true;
}

bool TfrmItems_purchases::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    if (RefuseUnsaved()) return false;
    return DeleteCashOrder(this, *this);
}

void TfrmItems_purchases::PrintContract() {
    if (!PendingSql.isEmpty()) {
        ShowErrorFmt(u"Натиснете бутон \"F2\" (за запис), след това разпечатайте договора."_s);
        return;
    }
    if (SelectedDocNo() == 0) {
        ShowErrorFmt(u"Избраният ред не е за документ !"_s);
        return;
    }
    const QStringList Cells = Grid->Rows(Grid->Row());
    ShowPrintFailure([&] {
        QString Pawnshop;
        if (!ReadSettingVA1(this, Pawnshop)) return;
        FillPrintPurchaseSaleContract(this, PurchaseContractRecord(Cells, Pawnshop), true);
    });
}

void TfrmItems_purchases::PrintLabel() {
    // A label of an empty row would carry no document number.
    if (SelectedDocNo() == 0) {
        ShowErrorFmt(u"Избраният ред не е за документ !"_s);
        return;
    }
    const int Row = Grid->Row();
    ShowPrintFailure([&] {
        PrintItemLabel(LabelTemplatePath(), Grid->Cells(pcDocNo, Row).trimmed(),
                       Grid->Cells(pcItemName, Row));
    });
}
