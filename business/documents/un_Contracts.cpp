#include "business/documents/un_Contracts.h"

#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unAdminPassword.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/unWordTemplates.h"
#include "business/registers/RegisterForm.h"
#include "business/registers/unPickLists.h"
#include "business/registers/un_Items.h"
#include "business/registers/un_Owners.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Money in whole cents, from a value already meant to be a cent amount.
qint64 Cents(double Value) {
    return qint64(std::llround(RoundToDigits(2, Value) * 100.0));
}

QString YesNo(bool Value) {
    return Value ? u"да"_s : u"не"_s;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Amounts

void CalcContractInterest(double Sum, double MIR, double Duration, TContractAmounts& Amounts) {
    Amounts.DailyRate = RoundToDigits(7, MIR / 100 / 30);
    Amounts.DailyInterest = RoundToDigits(AmountDecimals, Sum * Amounts.DailyRate);
    // Days times a cent amount, counted in cents so that no binary error creeps in.
    Amounts.Dylzhimi_lihvi = double(Whole(Duration) * Cents(Amounts.DailyInterest)) / 100.0;
    Amounts.InterestText = u"Дължими лихви: "_s + FloatToFixedStr(AmountDecimals, Amounts.Dylzhimi_lihvi) +
                           u" лв. ("_s + FloatToFixedStr(AmountDecimals, Amounts.DailyInterest) +
                           u" лв./ден) "_s;
}

void CalcContractTotal(double Sum, TContractAmounts& Amounts) {
    const qint64 Total = Cents(Sum) + Cents(Amounts.Dylzhimi_lihvi) + Cents(Amounts.Ednokratni_taxi) +
                         Cents(Amounts.Dnevni_taxi);
    Amounts.Total = double(Total) / 100.0;
    Amounts.TotalText = Format(u"%10.*n лв."_s, {AmountDecimals, Amounts.Total});
}

void CalcContractAmountsDue(QObject* Owner, int PrefCode, double Sum, double MIR, double Duration,
                            TContractAmounts& Amounts) {
    CalcContractInterest(Sum, MIR, Duration, Amounts);
    TDelimitedStringList Fees;
    QString Text;
    double Total = 0;
    CalcOneTimeFees(Owner, PrefCode, Fees, Sum, Text, Total);
    Amounts.Ednokratni_taxi = Total;
    Amounts.OneTimeText = u"Еднократни такси: "_s + Text;
    CalcDailyFees(Owner, PrefCode, int(Whole(Duration)), Sum, Fees, Text, Total);
    Amounts.Dnevni_taxi = Total;
    Amounts.DailyText = u"Дневни такси: "_s + Text;
    CalcContractTotal(Sum, Amounts);
}

TDateTime TermEnd(TDateTime DateC, double Duration) {
    return std::floor(DateC) + double(Whole(Duration)) - 1;
}

double TermDays(TDateTime DateC, TDateTime DateTo) {
    return std::floor(DateTo) - std::floor(DateC) + 1;
}

// ---------------------------------------------------------------------------------------------
// Validation

QString ContractValidationText(const TContractEntry& Entry, const TContractCheck& Check) {
    const QString Sep = u"\n\r"_s;
    QString Text = DocNoValidationText(Entry.DocNo, Check.GridNumbers);
    // A code that is in no register would be saved as a contract that no list can show.
    if (StrToFloatDot(Entry.OwnerCode, 0) == 0 || !Check.OwnerKnown) Text += Sep + u"Въведете собственик"_s;
    if (Entry.ItemCode.isEmpty() || !Check.ItemKnown) Text += Sep + u"Въведете вещ"_s;
    if (Entry.Sum <= 0) Text += Sep + u"Общата сума на документа е нула!"_s;
    if (Entry.MIR <= 0) Text += Sep + u"Въведете месечен лихвен процент"_s;
    if (Entry.Duration <= 0) Text += Sep + u"Въведете срoк на договора"_s;
    // A vehicle in no register could not be printed, and one registered later would become the pledge.
    if (!Entry.VehicleCode.trimmed().isEmpty() && !Check.VehicleKnown)
        Text += Sep + Format(u"МПС номер %s не съществува."_s, {Entry.VehicleCode.trimmed()});
    if (!Check.EditingRow) {
        if (Check.DocNoStored)
            Text +=
                Format(u"Договор номер \"%d\" съществува в базата данни. Изберете друг номер на договор."_s,
                       {Whole(Entry.DocNo)});
        else if (Check.DocNoPayout != 0)
            Text +=
                Format(u"Договор номер \"%d\" е изтрит, но разходен касов ордер номер %d за изплащането по "
                       u"него остава. Изберете друг номер на договор."_s,
                       {Whole(Entry.DocNo), Check.DocNoPayout});
        if (std::floor(Entry.DateC) != std::floor(Check.Today))
            Text += u"Нов залог може да бъде направен само на днешна дата"_s;
    }
    return Text;
}

bool ContractNumberStored(QObject* Owner, double DocNo) {
    return DocumentNumberStored(Owner, u"Contracts"_s, DocNo);
}

qint64 ContractPayoutOrder(QObject* Owner, qint64 DocNo) {
    TDelimitedStringList Orders;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno FROM Outcomes
         WHERE ( contract_n = %d ) AND ( payment_type = 1 )
         ORDER BY docno)sql"_s,
                    {DocNo}),
             &Orders);
    return Orders.Count() > 0 ? StrToIntOrZero(Orders.GetField(0, 0)) : 0;
}

QString OwnerPrefCode(QObject* Owner, const QString& OwnerCode) {
    QString EGN;
    FormatEGN(OwnerCode.trimmed(), EGN);
    const qint64 Key = StrToIntOrZero(EGN);
    if (Key <= 0) return QString();
    TDelimitedStringList Code;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT pref_code FROM Owners WHERE ( EGN = %d ))sql"_s, {Key}), &Code);
    return Code.GetTextStr();
}

qint64 NextContractNumber(QObject* Owner) {
    TDelimitedStringList Max;
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT max( n ) FROM (
            SELECT max( docno ) AS n FROM Contracts
            UNION ALL
            SELECT max( contract_n ) AS n FROM Outcomes WHERE ( payment_type = 1 ) ))sql"_s,
             &Max);
    return NextKey(Max.Count() > 0 ? Max.GetField(0, 0) : QString());
}

// ---------------------------------------------------------------------------------------------
// Statements

QString ContractInsertSql(const QString& Table, const TContractEntry& Entry) {
    return Format(
        uR"sql(Insert into %s values ( %d, %d, %d, %f, %f, %d, "%s", %d, %d, False, 0, %d, False, 0, %.3f, %d, %f, %f, %f, %d ))sql"_s,
        {Table, Whole(Entry.DocNo), Whole(std::floor(Entry.DateC)), StrToIntOrZero(Entry.ItemCode),
         RoundToDigits(AmountDecimals, Entry.Sum), RoundToDigits(2, Entry.MIR), Whole(Entry.Duration),
         SqlText(Entry.Notes.trimmed()), 0, 0, Whole(StrToFloatDot(Entry.OwnerCode, 0)), Entry.Gramaj,
         Entry.ShortTerm ? 1 : 0, Entry.Dylzhimi_lihvi, Entry.Ednokratni_taxi, Entry.Dnevni_taxi,
         StrToIntOrZero(Entry.VehicleCode)});
}

QString ContractUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TContractEntry& Entry) {
    return Format(
        uR"sql(Update %s Set date_c   = %d,  code_i   = %f,  Sum_c    = %f,  M_IR     = %f,  Duration = %d,  Notes    = "%s",  EGN      = %d,    gramaj   = %.3f,  short_term      = %d,  Dylzhimi_lihvi  = %f,  Ednokratni_taxi = %f,  Dnevni_taxi     = %f,  code_mps        = %d Where ( %s = %d ))sql"_s,
        {Table, Whole(std::floor(Entry.DateC)), double(StrToIntOrZero(Entry.ItemCode)),
         RoundToDigits(AmountDecimals, Entry.Sum), RoundToDigits(2, Entry.MIR), Whole(Entry.Duration),
         SqlText(Entry.Notes.trimmed()), Whole(StrToFloatDot(Entry.OwnerCode, 0)), Entry.Gramaj,
         Entry.ShortTerm ? 1 : 0, Entry.Dylzhimi_lihvi, Entry.Ednokratni_taxi, Entry.Dnevni_taxi,
         StrToIntOrZero(Entry.VehicleCode), KeyField, Key});
}

QString PayoutOrderSql(const TContractEntry& Entry, const QString& OperatorName, const QString& UserName) {
    return LinkedOrderSql(u"Outcomes"_s, Entry.DateC, Whole(Entry.DocNo), 1, Entry.Sum, Entry.OwnerName,
                          OperatorName, UserName);
}

QString ContractDeleteSql(qint64 DocNo) {
    return DocumentDeleteSql(u"Contracts"_s, u"docno"_s, DocNo);
}

QStringList RebookingSql(qint64 DocNo, TDateTime Today, double Amount, const QString& OwnerName,
                         const QString& OperatorName, const QString& UserName) {
    return {LinkedOrderSql(u"Outcomes"_s, Today, DocNo, 1, -Amount, OwnerName, OperatorName, UserName),
            LinkedOrderSql(u"Outcomes"_s, Today, 0, 3, Amount, u"Собственик"_s, OperatorName, UserName)};
}

// ---------------------------------------------------------------------------------------------
// The list

QString ContractListSql(bool TodayOnly, TDateTime Today, const QList<qint64>& Only) {
    QString Filter = DocumentNumbersCondition(u"Contracts.docno"_s, Only);
    if (TodayOnly)
        Filter += Format(u" ( Contracts.date_c = %d )"_s, {Whole(std::floor(Today))});
    else if (!Filter.isEmpty())
        Filter.chop(5); // the last " AND "
    if (!Filter.isEmpty()) Filter.prepend(u"WHERE "_s);
    return uR"sql(
        SELECT Contracts.docno, Contracts.date_c, Contracts.code_i, Item_types.Name_i_t, Items.SN,
               Contracts.Sum_c, Contracts.M_IR, Contracts.Duration,
               Contracts.date_c + Contracts.Duration - 1, Contracts.EGN, Owners.Three_names,
               Contracts.Notes, Contracts.Finished, Contracts.At_Date, Contracts.At_Date,
               Contracts.gramaj, Contracts.short_term, Contracts.Dylzhimi_lihvi,
               Contracts.Ednokratni_taxi, Contracts.Dnevni_taxi, Contracts.code_MPS
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
               ON Owners.EGN = Contracts.EGN %1 ORDER BY Contracts.docno)sql"_s.arg(Filter);
}

void PrepareContractListRows(TDelimitedStringList& List) {
    for (int I = 0; I < List.Count(); ++I) {
        List.SetField(I, 5, NumStrToFixedStr(List.GetField(I, 5), AmountDecimals));
        QString EGN;
        FormatEGN(List.GetField(I, 9), EGN);
        List.SetField(I, 9, EGN);
        const bool Finished = List.GetField(I, 12) == u"True"_s;
        List.SetField(I, 12, YesNo(Finished));
        if (!Finished) List.SetField(I, 13, QString());
        const qint64 Total =
            Cents(StrToFloatDot(List.GetField(I, 5), 0)) + Cents(StrToFloatDot(List.GetField(I, 17), 0)) +
            Cents(StrToFloatDot(List.GetField(I, 18), 0)) + Cents(StrToFloatDot(List.GetField(I, 19), 0));
        List.SetField(I, 14, FloatToStrDot(-1, double(Total) / 100.0));
        List.SetField(I, 16, YesNo(List.GetField(I, 16) == u"True"_s));
        if (List.GetField(I, 20) == u"0"_s) List.SetField(I, 20, QString());
    }
}

QStringList ContractGridCells(const TContractEntry& Entry, const QString& ItemName, const QString& ItemSN,
                              double Total) {
    const QString Vehicle = StrToIntOrZero(Entry.VehicleCode) == 0 ? QString() : Entry.VehicleCode.trimmed();
    return {QString::number(Whole(Entry.DocNo)),
            DateToStr(Entry.DateC),
            Entry.ItemCode,
            ItemName,
            ItemSN,
            FormatAmount(Entry.Sum),
            FloatToFixedStr(2, Entry.MIR),
            QString::number(Whole(Entry.Duration)),
            DateToStr(TermEnd(Entry.DateC, Entry.Duration)),
            Entry.OwnerCode,
            Entry.OwnerName,
            Entry.Notes.trimmed(),
            QString(),
            QString(),
            FormatAmount(Total),
            FloatToFixedStr(3, Entry.Gramaj),
            YesNo(Entry.ShortTerm),
            FormatAmount(Entry.Dylzhimi_lihvi),
            FormatAmount(Entry.Ednokratni_taxi),
            FormatAmount(Entry.Dnevni_taxi),
            Vehicle};
}

// ---------------------------------------------------------------------------------------------
// Delete

QString ContractUseText(QObject* Owner, qint64 DocNo) {
    TDelimitedStringList State;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT Finished, Sold FROM Contracts WHERE docno = %d)sql"_s, {DocNo}), &State);
    // A sale of a pledged item names the contract; the receipt of a sale names the sale.
    TDelimitedStringList Sales;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno
          FROM Items_sales
         WHERE ( contract_n = %d ) AND ( payment_type = 1 )
         ORDER BY docno)sql"_s,
                    {DocNo}),
             &Sales);
    TDelimitedStringList Receipts;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT docno
          FROM Incomes
         WHERE ( contract_n = %d ) AND ( payment_type = 1 OR payment_type = 2 OR payment_type > 5 )
         ORDER BY docno)sql"_s,
                    {DocNo}),
             &Receipts);
    QStringList Uses;
    if (State.GetField(0, 0) == u"True"_s) Uses << u"вещта е откупена"_s;
    if (Sales.Count() > 0)
        Uses << NumbersUseText(u"продажби"_s, Sales);
    else if (State.GetField(0, 1) == u"True"_s)
        Uses << u"вещта е продадена"_s;
    if (Receipts.Count() > 0) Uses << NumbersUseText(u"приходни касови ордери"_s, Receipts);
    return Uses.join(u"; "_s);
}

QString ContractInUseMessage(qint64 DocNo, const QString& Uses) {
    return Format(u"Договор номер %d не може да бъде изтрит: %s."_s, {DocNo, Uses});
}

bool ContractMoved(QObject* Owner, qint64 DocNo, const TContractEntry& Entry) {
    TDelimitedStringList Stored;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT EGN, code_i FROM Contracts WHERE ( docno = %d ))sql"_s, {DocNo}), &Stored);
    return Stored.Count() > 0 &&
           (Whole(StrToFloatDot(Stored.GetField(0, 0), 0)) != Whole(StrToFloatDot(Entry.OwnerCode, 0)) ||
            StrToIntOrZero(Stored.GetField(0, 1).trimmed()) != StrToIntOrZero(Entry.ItemCode));
}

QString ContractMoveMessage(qint64 DocNo, const QString& Uses) {
    return Format(u"Заемополучателят и вещта на договор номер %d не могат да бъдат променени: %s."_s,
                  {DocNo, Uses});
}

QString ContractStillMovableSql(qint64 DocNo, const TContractEntry& Entry) {
    // Held as ContractUseText finds it held: redeemed, sold, or paid on.
    return Format(
        uR"sql(
        UPDATE Contracts
           SET docno = docno
         WHERE ( docno = %d )
           AND ( ( ( EGN = %d ) AND ( code_i = %d ) )
              OR ( ( Finished = False ) AND ( Sold = False )
                   AND NOT EXISTS ( SELECT docno FROM Items_sales
                                     WHERE ( contract_n = %d ) AND ( payment_type = 1 ) )
                   AND NOT EXISTS ( SELECT docno FROM Incomes
                                     WHERE ( contract_n = %d )
                                       AND ( payment_type = 1 OR payment_type = 2 OR payment_type > 5 ) ) ) ))sql"_s,
        {DocNo, Whole(StrToFloatDot(Entry.OwnerCode, 0)), StrToIntOrZero(Entry.ItemCode), DocNo, DocNo});
}

QStringList ContractDeleteStatements(QWidget* Owner, const QString& UserName, qint64 DocNo) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(SELECT sum_c FROM Contracts WHERE ( docno = %d ))sql"_s, {DocNo}), &List);
    const QString OperatorName = OperatorFullName(Owner, UserName);
    const QString OwnerName = ContractOwnerName(Owner, DocNo);
    const double Amount = RoundToDigits(AmountDecimals, StrToFloatDot(List.GetTextStr(), 0));
    QStringList Statements{ContractDeleteSql(DocNo)};
    // The loan stays paid out unless it is booked back; there is nothing to book for a contract
    // that is kept.
    if (ConfirmYesNoFmt(u"Желаете ли да се прхвърлят %.2f лв от разход \"по договор\" към разход \"на "
                        "собственик\"?"_s,
                        {Amount}) == mrYes)
        Statements += RebookingSql(DocNo, Date(), Amount, OwnerName, OperatorName, UserName);
    return Statements;
}

void DeleteContract(QWidget* Owner, const QString& UserName, const QString& DocNo, const QString& DateText,
                    TQueuedChanges& Changes, TRichGrid* Grid, int Row) {
    const qint64 Number = StrToIntOrZero(DocNo.trimmed());
    if (Number == 0) return;
    // The grid shows only saved contracts here: a row without its contract is another window's loss.
    if (!ContractNumberStored(Owner, double(Number))) {
        ShowErrorFmt(u"Договор номер %d е изтрит междувременно."_s, {Number});
        return;
    }
    // Only a contract made by mistake, with nothing but its payout, may go: receipts, a sale or a
    // redemption would be left pointing at nothing, and the loan of a sold item booked back.
    const QString Uses = ContractUseText(Owner, Number);
    if (!Uses.isEmpty()) {
        ShowErrorFmt(ContractInUseMessage(Number, Uses));
        return;
    }
    if (!AskAdminPassword(Owner)) return;
    if (ConfirmYesNoFmt(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s, {u"договор"_s, DocNo, DateText}) !=
        mrYes)
        return;
    Changes.Queue(ContractDeleteStatements(Owner, UserName, Number));
    if (Grid && Row >= Grid->FixedRows() && Row < Grid->RowCount()) DeleteGridRow(Grid, Row);
}

// ---------------------------------------------------------------------------------------------
// The window

namespace {

QLabel* MakeLabel(QWidget* Parent, const QString& Text, const char* Name = nullptr) {
    auto* Label = new QLabel(Text, Parent);
    if (Name) Label->setObjectName(QString::fromLatin1(Name));
    return Label;
}

TDateTime DateOf(const TDocumentDateEdit* Edit) {
    return QDateToDateTime(Edit->date());
}

} // namespace

TfrmContracts::TfrmContracts(QWidget* Owner) : TDocumentForm(Owner) {
    ListSortedByHeader = true;
    setObjectName(u"frmContracts"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();

    MakeNumberAndDate();
    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 220);
    leOwner = NewOwnerEdit(P, pnlOwner);
    labPref_code = MakeLabel(P, QString(), "labPref_code");
    btnNewOwner = new QToolButton(P);
    btnNewOwner->setObjectName(u"btnNewOwner"_s);
    btnNewOwner->setText(u"+"_s);
    btnNewOwner->setToolTip(u"Нов заемополучател"_s);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 120);
    leItem = NewListEdit(P, u"leItem"_s, pnlItem, 120);
    btnNewItem = new QToolButton(P);
    btnNewItem->setObjectName(u"btnNewItem"_s);
    btnNewItem->setText(u"+"_s);
    btnNewItem->setToolTip(u"Нова вещ"_s);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 160);
    feGramaj = NewNumberEdit(u"feGramaj"_s, 3, 80);
    cb_Short_term = new QCheckBox(u"Краткосрочен"_s, P);
    cb_Short_term->setObjectName(u"cb_Short_term"_s);
    feSum_c = NewNumberEdit(u"feSum_c"_s, AmountDecimals, 100);
    feM_IR = NewNumberEdit(u"feM_IR"_s, 2, 60);
    feM_IR->setReadOnly(true);
    feDuration = NewNumberEdit(u"feDuration"_s, 0, 60);
    dtDate_to = NewDateEdit(u"dtDate_to"_s);
    pnl_Marka = NewInfoPanel(P, u"pnl_Marka"_s, 120);
    code_MPS = NewListEdit(P, u"code_MPS"_s, pnl_Marka, 80);
    pnl_Model = NewInfoPanel(P, u"pnl_Model"_s, 120);
    pnl_Reg_nomer = NewInfoPanel(P, u"pnl_Reg_nomer"_s, 100);
    edNotes = NewNameEdit(u"edNotes"_s);
    edNotes->setMaxLength(80);
    lab_Dylzhimi_lihvi = MakeLabel(P, QString(), "lab_Dylzhimi_lihvi");
    lab_Ednokratni_taxi = MakeLabel(P, QString(), "lab_Ednokratni_taxi");
    Lab_Dnevni_taksi = MakeLabel(P, QString(), "Lab_Dnevni_taksi");
    labTotal = MakeLabel(P, QString(), "labTotal");
    QFont Bold = labTotal->font();
    Bold.setBold(true);
    labTotal->setFont(Bold);
    btnPrintContract = NewPrintButton(u"btnPrintContract"_s, u"Печат на договор"_s);
    btnPrintLabel = NewPrintButton(u"btnPrintLabel"_s, u"Печат на етикет"_s);
    for (QWidget* W : std::initializer_list<QWidget*>{btnNewOwner, btnNewItem})
        W->setFocusPolicy(Qt::NoFocus);
    // A contract is typed in the order it is read out: who, what, how much, at what rate, for how
    // long; the rest after.
    const QList<QWidget*> TabOrder{feDocNo,    dtDate_c,  leOwner,  leItem,   feSum_c,       feM_IR,
                                   feDuration, dtDate_to, code_MPS, feGramaj, cb_Short_term, edNotes};
    for (qsizetype I = 1; I < TabOrder.size(); ++I)
        setTabOrder(TabOrder[I - 1], TabOrder[I]);

    auto Row = [&](int R, std::initializer_list<std::pair<QWidget*, int>> Cells) {
        int C = 0;
        for (const auto& [W, Span] : Cells) {
            if (W) L->addWidget(W, R, C, 1, Span);
            C += Span;
        }
    };
    auto* OwnerBox = new QHBoxLayout;
    OwnerBox->setSpacing(2);
    OwnerBox->addWidget(leOwner);
    OwnerBox->addWidget(btnNewOwner);
    OwnerBox->addWidget(pnlOwner, 1);
    OwnerBox->addWidget(MakeLabel(P, u"Преференция:"_s));
    OwnerBox->addWidget(labPref_code);
    auto* ItemBox = new QHBoxLayout;
    ItemBox->setSpacing(2);
    ItemBox->addWidget(leItem);
    ItemBox->addWidget(btnNewItem);
    ItemBox->addWidget(pnlItem);
    ItemBox->addWidget(pnlSN, 1);
    auto* VehicleBox = new QHBoxLayout;
    VehicleBox->setSpacing(2);
    VehicleBox->addWidget(code_MPS);
    VehicleBox->addWidget(pnl_Marka);
    VehicleBox->addWidget(pnl_Model);
    VehicleBox->addWidget(pnl_Reg_nomer, 1);
    auto* TotalBox = new QHBoxLayout;
    TotalBox->addWidget(MakeLabel(P, u"Сума за връщане:"_s));
    TotalBox->addWidget(labTotal);
    TotalBox->addStretch(1);
    TotalBox->addWidget(btnPrintContract);
    TotalBox->addWidget(btnPrintLabel);

    Row(0, {{MakeLabel(P, u"Договор №:"_s), 1}, {feDocNo, 1}, {MakeLabel(P, u"Дата:"_s), 1}, {dtDate_c, 1}});
    L->addWidget(MakeLabel(P, u"Заемополучател:"_s), 0, 4);
    L->addLayout(OwnerBox, 0, 5, 1, 3);
    Row(1, {{MakeLabel(P, u"Сума:"_s), 1}, {feSum_c, 1}, {MakeLabel(P, u"Лихва %:"_s), 1}, {feM_IR, 1}});
    L->addWidget(MakeLabel(P, u"Вещ:"_s), 1, 4);
    L->addLayout(ItemBox, 1, 5, 1, 3);
    Row(2, {{MakeLabel(P, u"Срок (дни):"_s), 1},
            {feDuration, 1},
            {MakeLabel(P, u"До дата:"_s), 1},
            {dtDate_to, 1}});
    L->addWidget(MakeLabel(P, u"МПС:"_s), 2, 4);
    L->addLayout(VehicleBox, 2, 5, 1, 3);
    Row(3, {{MakeLabel(P, u"Грамаж:"_s), 1}, {feGramaj, 1}, {nullptr, 1}, {cb_Short_term, 1}});
    L->addWidget(MakeLabel(P, u"Пояснения:"_s), 3, 4);
    L->addWidget(edNotes, 3, 5, 1, 3);
    L->addWidget(lab_Dylzhimi_lihvi, 4, 0, 1, 4);
    L->addWidget(lab_Ednokratni_taxi, 4, 4, 1, 4);
    L->addWidget(Lab_Dnevni_taksi, 5, 0, 1, 8);
    L->addLayout(TotalBox, 6, 0, 1, 8);
    L->addWidget(MakeLabel(P, u"Натиснете <CTRL> + <F9> за отпечатване на договор."_s), 7, 0, 1, 8);
    L->setColumnStretch(7, 1);
    P->setFixedHeight(L->sizeHint().height());

    ctrl_F9->setText(u"Печат на договор"_s);
    connect(btnPrintContract, &QPushButton::clicked, ctrl_F9, &QAction::trigger);
    connect(btnPrintLabel, &QPushButton::clicked, this,
            [this] { RunAction(nullptr, true, [this] { PrintLabel(); }); });
    connect(btnNewOwner, &QToolButton::clicked, this,
            [this] { RunAction(nullptr, false, [this] { NewOwner(); }); });
    connect(btnNewItem, &QToolButton::clicked, this,
            [this] { RunAction(nullptr, false, [this] { NewItem(); }); });

    leOwner->OnChange = [this](QWidget*) { OwnerChanged(); };
    leItem->OnChange = [this](QWidget*) { ItemChanged(); };
    code_MPS->OnChange = [this](QWidget*) { VehicleChanged(); };
    leItem->OnBitButtonClick = [this](QWidget*) { GetItemsList(this, leItem); };
    code_MPS->OnBitButtonClick = [this](QWidget*) { GetVehiclesList(this, code_MPS); };
    feSum_c->OnChange = [this](QWidget*) { SumChanged(); };
    feM_IR->OnChange = [this](QWidget*) { CalcContractAmountsDue(); };
    feDuration->OnChange = [this](QWidget*) { DurationChanged(); };
    connect(dtDate_to, &TDocumentDateEdit::dateChanged, this, [this] { DateToChanged(); });
    connect(dtDate_c, &TDocumentDateEdit::dateChanged, this, [this] { DateCChanged(); });

    // Each column as wide as its header or a typical value, whichever is wider.
    SetGridColumns({{"Договор", "номер", "000000"},
                    {"", "дата", "00.00.0000"},
                    {"Вещ", "шифър", "00000"},
                    {"", "наименование", "Наименование"},
                    {"", "спецификация", "Спецификация 00"},
                    {"Сума", "", "000 000.00"},
                    {"Месечен", "лихвен процент"},
                    {"Срок", "дни", "000"},
                    {"", "до дата", "00.00.0000"},
                    {"Заемополучател", "ЕГН", "0000000000"},
                    {"", "Собствено, бащино и фамилно име", "Собствено, бащино и фамилно име"},
                    {"Пояснения", "", "Пояснения 0000"},
                    {"Вещта е", "откупена"},
                    {"", "на дата", "00.00.0000"},
                    {"Сума за", "връщане", "000 000.00"},
                    {"Грамаж", "", "0000.000"},
                    {"Краткосрочен", ""},
                    {"Дължими", "лихви", "00 000.00"},
                    {"Еднократни", "такси", "00 000.00"},
                    {"Дневни", "такси", "00 000.00"},
                    {"Шифър", "на МПС"}},
                   u"0,0,1,0|2,0,4,0|5,0,5,1|7,0,8,0|9,0,10,0|11,0,11,1|12,0,13,0|15,0,15,1|16,0,16,1|"_s);
}

bool TfrmContracts::Init() {
    const bool Result = TDocumentForm::Init();
    try {
        GetOwnersList(this, leOwner);
        StartItemsList(this, leItem);
        GetVehiclesList(this, code_MPS);
    } catch (const EDatabaseError& E) {
        // The window still opens; it cannot offer what it could not read.
        ShowDatabaseError(E.Message(), E.Sql());
        return Result;
    }
    Recalculating = true;
    dtDate_c->setDate(DateTimeToQDate(Date()));
    dtDate_to->setDate(DateTimeToQDate(Date()));
    Recalculating = false;
    for (int C : {5, 6, 14, 17, 18, 19})
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(15)->SetFormatter(AmountFormatter);
    for (int C : {2, 7, 12, 16, 20})
        Grid->ColAttributes(C)->SetAlignment({caCenter});
    labPref_code->clear();
    ShowLastOwner(leOwner);
    leItem->setText(ReadRegString(u"Last_Item"_s));
    feDuration->SetValue(double(StrToIntOrZero(ReadRegString(u"feDuration_Value"_s).trimmed())));
    PrintSettingsName = u"frmContracts_print_settings"_s;
    return Result;
}

bool TfrmContracts::Done() {
    RememberOwner(leOwner);
    if (!leItem->text().trimmed().isEmpty()) WriteRegString(u"Last_Item"_s, leItem->text().trimmed());
    WriteRegString(u"feDuration_Value"_s, QString::number(qint64(std::trunc(feDuration->Value()))));
    return TDocumentForm::Done();
}

bool TfrmContracts::Execute() {
    TDocumentForm::Execute();
    TDelimitedStringList List;
    try {
        RunQuery(this, AdoConnection, ContractListSql(WorkstationOptionOn(rg_Registry_1), Date()), &List);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    PrepareContractListRows(List);
    SortRows(&List);
    ApplyFilterToRows(&List);
    LoadGridFromList(Grid, &List, true);
    return true;
}

bool TfrmContracts::ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows) {
    try {
        RunQuery(this, AdoConnection, ContractListSql(WorkstationOptionOn(rg_Registry_1), Date(), Numbers),
                 &Rows);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    PrepareContractListRows(Rows);
    return true;
}

// ---- amounts, bands and the term

int TfrmContracts::PrefCode() const {
    return int(StrToIntOrZero(labPref_code->text().trimmed()));
}

double TfrmContracts::CalcContractAmountsDue() {
    TContractAmounts A;
    bool Complete = true;
    try {
        ::CalcContractAmountsDue(this, PrefCode(), feSum_c->Value(), feM_IR->Value(), feDuration->Value(), A);
    } catch (const EDatabaseError& E) {
        Complete = false;
        ShowDatabaseError(E.Message(), E.Sql());
    }
    Dylzhimi_lihvi = A.Dylzhimi_lihvi;
    lab_Dylzhimi_lihvi->setText(A.InterestText);
    if (!Complete) return 0;
    Ednokratni_taxi = A.Ednokratni_taxi;
    lab_Ednokratni_taxi->setText(A.OneTimeText);
    Dnevni_taxi = A.Dnevni_taxi;
    Lab_Dnevni_taksi->setText(A.DailyText);
    labTotal->setText(A.TotalText);
    return A.Total;
}

void TfrmContracts::LookupInterestBand() {
    if (Recalculating) return;
    // Without a borrower there is no band to look for; validation asks for one.
    if (labPref_code->text().trimmed().isEmpty()) return;
    const int Code = PrefCode();
    TDelimitedStringList Bands;
    {
        Recalculating = true;
        const auto Done = qScopeGuard([this] { Recalculating = false; });
        try {
            RunQuery(this, AdoConnection, InterestBandsSql(Code), &Bands);
        } catch (const EDatabaseError& E) {
            ShowDatabaseError(E.Message(), E.Sql());
            return;
        }
    }
    if (Bands.Count() == 0)
        ShowErrorFmt(u"Не е зададена лихвена схема за клиент с префернциялен код %d."_s, {Code});
    // An amount outside every band has no rate: the rate of another amount or borrower must not
    // stay behind, so validation asks for one.
    double MIR = 0;
    if (!InterestBandPercent(Bands, feSum_c->Value(), MIR)) MIR = 0;
    feM_IR->SetValue(MIR);
}

void TfrmContracts::SumChanged() {
    CalcContractAmountsDue();
    LookupInterestBand();
}

void TfrmContracts::OwnerChanged() {
    // From the register, not the list: the band may have changed since the list was filled.
    try {
        labPref_code->setText(OwnerPrefCode(this, leOwner->text()));
    } catch (const EDatabaseError& E) {
        labPref_code->clear();
        ShowDatabaseError(E.Message(), E.Sql());
    }
    // The figures belong to the borrower: another one may have another band and other fees.
    if (feSum_c->Value() > 0) LookupInterestBand();
    CalcContractAmountsDue();
}

void TfrmContracts::ItemChanged() {
    pnlSN->setText(ListEditLookup(leItem, 0, 2, leItem->text()));
}

void TfrmContracts::VehicleChanged() {
    pnl_Model->setText(ListEditLookup(code_MPS, 0, 2, code_MPS->text()));
    pnl_Reg_nomer->setText(ListEditLookup(code_MPS, 0, 3, code_MPS->text()));
}

void TfrmContracts::SetDateTo(TDateTime Value) {
    Recalculating = true;
    const auto Done = qScopeGuard([this] { Recalculating = false; });
    dtDate_to->setDate(DateTimeToQDate(Value));
}

void TfrmContracts::DurationChanged() {
    if (Recalculating) return;
    CalcContractAmountsDue();
    SetDateTo(TermEnd(DateOf(dtDate_c), feDuration->Value()));
}

void TfrmContracts::DateToChanged() {
    if (Recalculating) return;
    {
        Recalculating = true;
        const auto Done = qScopeGuard([this] { Recalculating = false; });
        // The term counts from the date the operator sees: one that makes no date is refused,
        // the focus on it, and the due date goes back to the term it had.
        if (!dtDate_c->CheckedDate().isValid()) {
            dtDate_to->setDate(DateTimeToQDate(TermEnd(DateOf(dtDate_c), feDuration->Value())));
            return;
        }
        feDuration->SetValue(TermDays(DateOf(dtDate_c), DateOf(dtDate_to)));
    }
    CalcContractAmountsDue();
}

void TfrmContracts::DateCChanged() {
    if (Recalculating) return;
    SetDateTo(TermEnd(DateOf(dtDate_c), feDuration->Value()));
    CalcContractAmountsDue();
}

// ---- New, Save, Edit, Delete

TContractEntry TfrmContracts::CurrentEntry() const {
    TContractEntry E;
    E.DocNo = feDocNo->Value();
    E.DateC = DateOf(dtDate_c);
    E.ItemCode = leItem->text().trimmed();
    E.OwnerCode = leOwner->text().trimmed();
    QString Code;
    FormatEGN(E.OwnerCode, Code);
    E.OwnerName = ListEditLookup(leOwner, 0, 1, Code);
    E.Sum = feSum_c->Value();
    E.MIR = feM_IR->Value();
    E.Duration = feDuration->Value();
    E.Notes = edNotes->text();
    E.Gramaj = feGramaj->Value();
    E.ShortTerm = cb_Short_term->isChecked();
    E.VehicleCode = code_MPS->text().trimmed();
    E.Dylzhimi_lihvi = Dylzhimi_lihvi;
    E.Ednokratni_taxi = Ednokratni_taxi;
    E.Dnevni_taxi = Dnevni_taxi;
    return E;
}

QString TfrmContracts::ValidateEntry() {
    const TContractEntry Entry = CurrentEntry();
    TContractCheck Check;
    Check.GridNumbers = GridNumbers();
    Check.OwnerKnown = !Entry.OwnerName.isEmpty();
    Check.ItemKnown = !ListEditLookup(leItem, 0, 0, Entry.ItemCode).isEmpty();
    Check.VehicleKnown = !ListEditLookup(code_MPS, 0, 0, Entry.VehicleCode).isEmpty();
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    if (!EditingRow && Entry.DocNo != 0) {
        Check.DocNoStored = ContractNumberStored(this, Entry.DocNo);
        if (!Check.DocNoStored) Check.DocNoPayout = ContractPayoutOrder(this, Whole(Entry.DocNo));
    }
    QString Text = ContractValidationText(Entry, Check);
    // Its receipts, redemption or sale stay with the borrower and item they were made for.
    if (const qint64 Key = StrToIntOrZero(EditingKey); EditingRow && ContractMoved(this, Key, Entry))
        if (const QString Uses = ContractUseText(this, Key); !Uses.isEmpty())
            Text += u"\n\r"_s + ContractMoveMessage(Key, Uses);
    return Text;
}

QStringList TfrmContracts::EntryStatements() {
    const TContractEntry Entry = CurrentEntry();
    FQueuedContracts.insert(QueuingKey(),
                            {!EditingRow, EditingRow ? StrToIntOrZero(EditingKey) : Whole(Entry.DocNo),
                             StrToIntOrZero(Entry.ItemCode)});
    if (EditingRow) {
        const qint64 Key = StrToIntOrZero(EditingKey);
        if (!ContractMoved(this, Key, Entry)) return {ContractUpdateSql(TableName, KeyField, Key, Entry)};
        // A receipt saved meanwhile by another window keeps the borrower and item it was paid for.
        // Checked before the queue runs; run again after the update, it still finds the row.
        QStringList Statements{ContractUpdateSql(TableName, KeyField, Key, Entry),
                               ContractStillMovableSql(Key, Entry)};
        Guard(Statements[1],
              Format(u"Договор номер %d е платен, откупен, продаден или изтрит междувременно."_s, {Key}));
        return Statements;
    }
    // The loan is paid out by an order queued with the contract.
    return {ContractInsertSql(TableName, Entry),
            PayoutOrderSql(Entry, OperatorFullName(this, UserName), UserName)};
}

QStringList TfrmContracts::EntryRow() {
    const TContractEntry Entry = CurrentEntry();
    const double Total = CalcContractAmountsDue();
    return ContractGridCells(Entry, ListEditLookup(leItem, 0, 1, Entry.ItemCode), pnlSN->text(), Total);
}

void TfrmContracts::RowToEdits(const QStringList& Cells) {
    auto Cell = [&](int C) { return Cells.value(C); };
    TDateTime DateC = 0;
    if (TryStrToDate(Cell(1), DateC)) {
        Recalculating = true;
        dtDate_c->setDate(DateTimeToQDate(DateC));
        Recalculating = false;
    }
    leOwner->setText(Cell(9));
    leItem->setText(Cell(2));
    FLiftedItem = Cell(2).trimmed();
    feSum_c->SetValue(StrToFloatDot(Cell(5), 0));
    feM_IR->SetValue(StrToFloatDot(Cell(6), 0));
    {
        Recalculating = true;
        const auto Done = qScopeGuard([this] { Recalculating = false; });
        feDuration->SetValue(StrToFloatDot(Cell(7), 0));
        TDateTime DateTo = 0;
        if (TryStrToDate(Cell(8), DateTo)) dtDate_to->setDate(DateTimeToQDate(DateTo));
    }
    edNotes->setText(Cell(11));
    CalcContractAmountsDue();
    feGramaj->SetValue(StrToFloatDot(Cell(15), 0));
    cb_Short_term->setChecked(Cell(16) == u"да"_s);
    code_MPS->setText(Cell(20));
    LockLoanFigures(true);
}

QString TfrmContracts::DocumentNoun() const {
    return u"договор"_s;
}

// Only a contract made by mistake, with nothing but its payout, may go: receipts, a sale or a
// redemption would be left pointing at nothing, and the loan of a sold item booked back.
QString TfrmContracts::DeleteRefusal(qint64 Number) {
    // Deleted by another window: its loan must not be booked back twice.
    if (!ContractNumberStored(this, double(Number))) return GoneText(Number);
    const QString Uses = ContractUseText(this, Number);
    return Uses.isEmpty() ? QString() : ContractInUseMessage(Number, Uses);
}

QStringList TfrmContracts::DeleteStatements(int, qint64 Number) {
    return ContractDeleteStatements(this, UserName, Number);
}

// The borrower's band decides the rate and the fees: the contract stands on the one shown.
QList<TDocumentReference> TfrmContracts::EntryReferences() {
    const TContractEntry Entry = CurrentEntry();
    QList<TDocumentReference> References{
        OwnerReference(u"Заемополучател"_s, Entry.OwnerCode, {u"pref_code"_s}, {labPref_code->text()}),
        ItemReference(StrToIntOrZero(Entry.ItemCode))};
    if (const qint64 Vehicle = StrToIntOrZero(Entry.VehicleCode); Vehicle != 0)
        References << VehicleReference(Vehicle);
    return References;
}

qint64 TfrmContracts::NextFreeNumber() {
    return NextContractNumber(this);
}

QString TfrmContracts::FreeNumberSql(qint64 From) {
    return Format(uR"sql(
        SELECT min( n ) FROM (
            SELECT %d AS n
            UNION ALL
            SELECT docno + 1 FROM Contracts WHERE docno >= %d
            UNION ALL
            SELECT contract_n + 1 FROM Outcomes
             WHERE ( payment_type = 1 ) AND ( contract_n >= %d ) ) AS Candidates
         WHERE NOT EXISTS ( SELECT docno FROM Contracts WHERE docno = Candidates.n )
           AND NOT EXISTS ( SELECT docno FROM Outcomes
                             WHERE ( contract_n = Candidates.n ) AND ( payment_type = 1 ) ))sql"_s,
                  {From, From, From});
}

QList<qint64> TfrmContracts::QueuedContractsOn(const QString& ItemCode) const {
    QList<qint64> Numbers;
    for (const int Key : QueuedKeys())
        if (const auto Contract = FQueuedContracts.constFind(Key); Contract != FQueuedContracts.cend() &&
                                                                   Contract->New &&
                                                                   Contract->Item == StrToIntOrZero(ItemCode))
            Numbers << Contract->Number;
    return Numbers;
}

bool TfrmContracts::Add() {
    const TContractEntry Entry = CurrentEntry();
    // Asked only of an entry that may be queued, and of an edit only when it pledges another item.
    if ((!EditingRow || Entry.ItemCode != FLiftedItem) && ValidateEntry().isEmpty()) {
        const QString Question = PledgedItemQuestion(
            this, Entry.ItemCode, u"Желаете ли да я заложите отново?"_s, QueuedContractsOn(Entry.ItemCode));
        if (!Question.isEmpty() && ConfirmYesNoFmt(Question) != mrYes) return false;
    }
    return TDocumentForm::Add();
}

void TfrmContracts::EditEnded() {
    LockLoanFigures(false);
}

// The borrower's band and fees, the item's and the vehicle's panels: all shown, none typed.
void TfrmContracts::CodeTaken(TListEdit* Lookup) {
    if (Lookup == leOwner)
        OwnerChanged();
    else if (Lookup == leItem)
        ItemChanged();
    else if (Lookup == code_MPS)
        VehicleChanged();
}

void TfrmContracts::LockLoanFigures(bool On) {
    // The payout of a saved contract is a cash order already handed over: its amount and date
    // stay, and the fields show it.
    const QString Why = On ? u"Сумата и датата на записан договор не се променят: разходният ордер за "
                             u"изплащането му вече е издаден."_s
                           : QString();
    for (QWidget* Edit : {static_cast<QWidget*>(feSum_c), static_cast<QWidget*>(dtDate_c)}) {
        QPalette Colours = Edit->palette();
        Colours.setColor(QPalette::Base, On ? Colours.color(QPalette::Window)
                                            : QApplication::palette(Edit).color(QPalette::Base));
        Edit->setPalette(Colours);
        Edit->setToolTip(Why);
    }
    feSum_c->setReadOnly(On);
    dtDate_c->setReadOnly(On);
}

// ---- printing and the registers

void TfrmContracts::PrintDocument() {
    if (RefusePrintBeforeSave()) return;
    const qint64 DocNo = DocumentToPrint();
    if (DocNo == 0) return;
    SetStatusText(u" М о м е н т . . ."_s);
    const auto Clear = qScopeGuard([this] { SetStatusText(QString()); });
    RunPrint([&] { PrintContractDocument(this, int(DocNo)); });
}

namespace {

// A register opened to add what the contract lacks: beside this window in the main window's
// area, telling this window when it has saved.
template <class F>
void OpenRegister(TfrmContracts* Opener, const QString& Caption, const QString& Table, const QString& Key,
                  const QString& Name, const QString& Noun) {
    F* Form = CreateForm<F>(Opener->Owner() ? Opener->Owner() : Opener, TMAccountForm::fsMDIChild);
    Form->SetFormCaption(Caption);
    Form->SetTableName(Table);
    Form->SetKeyField(Key);
    Form->SetNameField(Name);
    Form->SetRecordNoun(Noun);
    Form->SetOpenerHandle(Opener);
    Form->ShowForm();
}

} // namespace

void TfrmContracts::NewOwner() {
    OpenRegister<TfrmOwners>(this, u"Заемополучатели"_s, u"Owners"_s, u"EGN"_s, u"Three_names"_s,
                             u"заемополучател"_s);
}

void TfrmContracts::NewItem() {
    OpenRegister<TfrmItems>(this, u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s);
}

bool TfrmContracts::event(QEvent* Event) {
    if (Event->type() == evRefreshOpener) {
        const auto* Refresh = static_cast<TRefreshEvent*>(Event);
        try {
            if (Refresh->LParam == 1) {
                // The items are read again one code at a time, the one saved first.
                StartItemsList(this, leItem);
                leItem->setText(ReadRegString(u"Last_Item"_s));
                if (leItem->TakeMissingCode()) CodeTaken(leItem);
            } else if (Refresh->LParam == 2) {
                GetOwnersList(this, leOwner);
                QString Code;
                FormatEGN(ReadRegString(u"Last_EGN"_s).trimmed(), Code);
                leOwner->setText(Code);
            }
        } catch (const EDatabaseError& E) {
            ShowDatabaseError(E.Message(), E.Sql());
        }
        return true;
    }
    return TMAccountReadForm::event(Event);
}
