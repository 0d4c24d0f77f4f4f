#include "business/documents/un_Contracts.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/registers/RegisterForm.h"
#include "business/engine/unAdminPassword.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "business/printing/unWordTemplates.h"
#include "business/registers/un_Items.h"
#include "business/registers/un_Owners.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unWait.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Money in whole cents, from a value already meant to be a cent amount.
qint64 Cents(double Value) {
    return qint64(std::llround(RoundToDigits(2, Value) * 100.0));
}

qint64 Whole(double Value) {
    return qint64(std::llround(RoundToDigits(0, Value)));
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

QString InterestBandsSql(int PrefCode) {
    return Format(u"Select code_mir, from_value, to_value, mir From Interest_rates Where pref_code = %d "
                  "Order By code_mir"_s,
                  {PrefCode});
}

bool InterestBandPercent(const TDelimitedStringList& Bands, double Sum, double& MIR) {
    bool Found = false;
    for (int I = 0; I < Bands.Count(); ++I) {
        const double From = StrToFloatDot(Bands.GetField(I, 1), 0);
        const double To = StrToFloatDot(Bands.GetField(I, 2), 0);
        if (Sum > 0 && From <= Sum && To >= Sum) {
            MIR = RoundToDigits(AmountDecimals, StrToFloatDot(Bands.GetField(I, 3), 0) * 100);
            Found = true;
        }
    }
    return Found;
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
    QString Text;
    if (Entry.DocNo != 0) {
        const QString Number = FloatToStrDot(-1, Entry.DocNo);
        for (const QString& Cell : Check.GridNumbers)
            if (Cell == Number)
                Text += Sep + Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {Number});
    }
    if (Entry.DocNo == 0) Text += Sep + u"Въведете номер на документ"_s;
    // A code that is in no register would be saved as a contract that no list can show.
    if (StrToFloatDot(Entry.OwnerCode, 0) == 0 || !Check.OwnerKnown) Text += Sep + u"Въведете собственик"_s;
    if (Entry.ItemCode.isEmpty() || !Check.ItemKnown) Text += Sep + u"Въведете вещ"_s;
    if (Entry.Sum <= 0) Text += Sep + u"Общата сума на документа е нула!"_s;
    if (Entry.MIR <= 0) Text += Sep + u"Въведете месечен лихвен процент"_s;
    if (Entry.Duration <= 0) Text += Sep + u"Въведете срoк на договора"_s;
    if (!Check.EditingRow) {
        if (Check.DocNoStored)
            Text +=
                Format(u"Договор номер \"%d\" съществува в базата данни. Изберете друг номер на договор."_s,
                       {Whole(Entry.DocNo)});
        if (std::floor(Entry.DateC) != std::floor(Check.Today))
            Text += u"Нов залог може да бъде направен само на днешна дата"_s;
    }
    return Text;
}

bool ContractNumberStored(QObject* Owner, double DocNo) {
    const qint64 Number = Whole(DocNo);
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, Format(u"SELECT docno FROM Contracts WHERE docno = %d"_s, {Number}),
             &List);
    for (int I = 0; I < List.Count(); ++I)
        if (StrToIntOrZero(List.GetField(I, 0)) == Number) return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Statements

QString ContractInsertSql(const QString& Table, const TContractEntry& Entry) {
    return Format(u"Insert into %s values ( %d, %d, %d, %f, %f, %d, \"%s\", %d, %d, False, 0, %d, False, 0, "
                  "%.3f, %d, %f, %f, %f, %d )"_s,
                  {Table, Whole(Entry.DocNo), Whole(std::floor(Entry.DateC)), StrToIntOrZero(Entry.ItemCode),
                   RoundToDigits(AmountDecimals, Entry.Sum), RoundToDigits(2, Entry.MIR),
                   Whole(Entry.Duration), SqlText(Entry.Notes.trimmed()), 0, 0,
                   Whole(StrToFloatDot(Entry.OwnerCode, 0)), Entry.Gramaj, Entry.ShortTerm ? 1 : 0,
                   Entry.Dylzhimi_lihvi, Entry.Ednokratni_taxi, Entry.Dnevni_taxi,
                   StrToIntOrZero(Entry.VehicleCode)});
}

QString ContractUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TContractEntry& Entry) {
    return Format(
        u"Update %s Set date_c   = %d,  code_i   = %f,  Sum_c    = %f,  M_IR     = %f,  Duration = %d,  "
        "Notes    = \"%s\",  EGN      = %d,    gramaj   = %.3f,  short_term      = %d,  "
        "Dylzhimi_lihvi  = %f,  Ednokratni_taxi = %f,  Dnevni_taxi     = %f,  code_mps        = %d "
        "Where ( %s = %d )"_s,
        {Table, Whole(std::floor(Entry.DateC)), double(StrToIntOrZero(Entry.ItemCode)),
         RoundToDigits(AmountDecimals, Entry.Sum), RoundToDigits(2, Entry.MIR), Whole(Entry.Duration),
         SqlText(Entry.Notes.trimmed()), Whole(StrToFloatDot(Entry.OwnerCode, 0)), Entry.Gramaj,
         Entry.ShortTerm ? 1 : 0, Entry.Dylzhimi_lihvi, Entry.Ednokratni_taxi, Entry.Dnevni_taxi,
         StrToIntOrZero(Entry.VehicleCode), KeyField, Key});
}

QString NextDocNoSql(const QString& Table) {
    return Format(u"( Select IfNull( max( docno ), 0 ) + 1 From %s )"_s, {Table});
}

namespace {

QString OutcomeSql(const QString& Number, TDateTime Date, qint64 ContractNo, int PaymentType, double Amount,
                   const QString& Customer, const QString& Supplier, const QString& UserName) {
    return Format(u"Insert into %s values ( %s, %d, %d, %d, %f, \"%s\", \"%s\", \"%s\" )"_s,
                  {u"Outcomes"_s, Number, Whole(std::floor(Date)), ContractNo, PaymentType,
                   RoundToDigits(AmountDecimals, Amount), SqlText(Customer), SqlText(Supplier),
                   SqlText(UserName)});
}

} // namespace

QString PayoutOrderSql(const TContractEntry& Entry, const QString& OperatorName, const QString& UserName) {
    return OutcomeSql(NextDocNoSql(u"Outcomes"_s), Entry.DateC, Whole(Entry.DocNo), 1, Entry.Sum,
                      Entry.OwnerName, OperatorName, UserName);
}

QString OperatorFullName(QObject* Owner, const QString& UserName) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(u"Select three_names from users_passwords Where ( user_name = \"%s\" )"_s,
                    {SqlText(UserName)}),
             &List);
    return List.GetTextStr();
}

QString ContractDeleteSql(qint64 DocNo) {
    return Format(u"Delete * from %s Where %s = %d"_s, {u"Contracts"_s, u"docno"_s, DocNo});
}

QStringList RebookingSql(qint64 DocNo, TDateTime Today, double Amount, const QString& OwnerName,
                         const QString& OperatorName, const QString& UserName) {
    const QString Next = NextDocNoSql(u"Outcomes"_s);
    return {OutcomeSql(Next, Today, DocNo, 1, -Amount, OwnerName, OperatorName, UserName),
            OutcomeSql(Next, Today, 0, 3, Amount, u"Собственик"_s, OperatorName, UserName)};
}

// ---------------------------------------------------------------------------------------------
// The list

QString ContractListSql(bool TodayOnly, TDateTime Today) {
    const QString Filter =
        TodayOnly ? u"WHERE "_s + Format(u" ( Contracts.date_c = %d )"_s, {Whole(std::floor(Today))})
                  : QString();
    return u"SELECT Contracts.docno,        Contracts.date_c,        Contracts.code_i,        "
           u"Item_types.Name_i_t,"
           "        Items.SN,        Contracts.Sum_c,        Contracts.M_IR,        Contracts.Duration,      "
           "  "
           "Contracts.date_c + Contracts.Duration - 1,        Contracts.EGN,        Owners.Three_names,      "
           "  "
           "Contracts.Notes,        Contracts.Finished,        Contracts.At_Date,        Contracts.At_Date,  "
           "      "
           "Contracts.gramaj,        Contracts.short_term,        Contracts.Dylzhimi_lihvi,        "
           "Contracts.Ednokratni_taxi,        Contracts.Dnevni_taxi,        Contracts.code_MPS FROM Owners "
           "INNER "
           "JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER JOIN Contracts "
           "ON "
           "Items.code_i = Contracts.code_i) ON Owners.EGN = Contracts.EGN "_s +
           Filter + u" "_s + u"ORDER BY Contracts.docno"_s;
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
// Password and delete

bool AskAdminPassword(QObject* Owner) {
    if (!EnsureAdminPassword(Owner)) return false;
    QString Typed;
    if (!PasswordDialog(u"Въвеждане на парола"_s, u"Въведете парола"_s, u'*', Typed)) return false;
    if (Typed == AdminPassword) return true;
    ShowErrorFmt(u"Въведената парола е грешна!"_s);
    return false;
}

void DeleteContract(QWidget* Owner, const QString& UserName, const QString& DocNo, const QString& DateText,
                    TQueuedChanges& Changes, TRichGrid* Grid, int Row) {
    const qint64 Number = StrToIntOrZero(DocNo.trimmed());
    if (Number == 0) return;
    if (!AskAdminPassword(Owner)) return;
    const QString OperatorName = OperatorFullName(Owner, UserName);
    TDelimitedStringList List;
    RunQuery(
        Owner, AdoConnection,
        Format(
            u"SELECT Owners.Three_names FROM Owners INNER JOIN Contracts ON Owners.EGN = Contracts.EGN WHERE "
            "(((Contracts.docno)= %d ))"_s,
            {Number}),
        &List);
    const QString OwnerName = List.GetTextStr();
    RunQuery(Owner, AdoConnection, Format(u"SELECT sum_c FROM Contracts WHERE ( docno = %d )"_s, {Number}),
             &List);
    // A contract still waiting for Save is not deleted from the grid only: Save would write it
    // all the same, with its payout.
    if (List.Count() == 0) {
        ShowErrorFmt(u"Договор номер %d още не е записан. Натиснете бутон \"F2\" (за запис)."_s, {Number});
        return;
    }
    const double Amount = RoundToDigits(AmountDecimals, StrToFloatDot(List.GetTextStr(), 0));

    if (ConfirmYesNoFmt(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s, {u"договор"_s, DocNo, DateText}) !=
        mrYes)
        return;
    QStringList Statements{ContractDeleteSql(Number)};
    // The loan stays paid out unless it is booked back; there is nothing to book for a contract
    // that is kept.
    if (ConfirmYesNoFmt(u"Желаете ли да се прхвърлят %.2f лв от разход \"по договор\" към разход \"на "
                        "собственик\"?"_s,
                        {Amount}) == mrYes)
        Statements += RebookingSql(Number, Date(), Amount, OwnerName, OperatorName, UserName);
    Changes.Queue(Statements);
    if (Grid && Row >= Grid->FixedRows() && Row < Grid->RowCount()) {
        Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
        DeleteGridRow(Grid, Row);
    }
}

// ---------------------------------------------------------------------------------------------
// The window

namespace {

QLabel* MakeLabel(QWidget* Parent, const QString& Text, const char* Name = nullptr) {
    auto* Label = new QLabel(Text, Parent);
    if (Name) Label->setObjectName(QString::fromLatin1(Name));
    return Label;
}

// A panel that shows a looked-up text.
QLabel* MakePanel(QWidget* Parent, const char* Name, int MinWidth) {
    auto* Panel = new QLabel(Parent);
    Panel->setObjectName(QString::fromLatin1(Name));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setMinimumWidth(MinWidth);
    return Panel;
}

TFloatEdit* MakeFloatEdit(QWidget* Parent, const char* Name, int Precision, int Width) {
    auto* Edit = new TFloatEdit(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    Edit->SetPrecision(Precision);
    Edit->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit->setFixedWidth(Width);
    return Edit;
}

TListEdit* MakeListEdit(QWidget* Parent, const char* Name, QLabel* Descr, int Width) {
    auto* Edit = new TListEdit(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    Edit->SetDescrControl(Descr);
    Edit->SetDescrColumn(1);
    Edit->setFixedWidth(Width);
    return Edit;
}

QDateEdit* MakeDateEdit(QWidget* Parent, const char* Name) {
    auto* Edit = new QDateEdit(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    Edit->setDisplayFormat(u"dd.MM.yyyy"_s);
    Edit->setCalendarPopup(true);
    return Edit;
}

TDateTime DateOf(const QDateEdit* Edit) {
    return QDateToDateTime(Edit->date());
}

// Printing runs from buttons as well as from the action: what stops it is shown here, the way
// the window shows the failure of any operation.
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

TfrmContracts::TfrmContracts(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmContracts"_s);
    QWidget* P = pnlParams;
    auto* L = new QGridLayout(P);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    L->setVerticalSpacing(3);

    feDocNo = MakeFloatEdit(P, "feDocNo", 0, 80);
    dtDate_c = MakeDateEdit(P, "dtDate_c");
    pnlOwner = MakePanel(P, "pnlOwner", 220);
    leOwner = MakeListEdit(P, "leOwner", pnlOwner, 120);
    labPref_code = MakeLabel(P, QString(), "labPref_code");
    btnNewOwner = new QToolButton(P);
    btnNewOwner->setObjectName(u"btnNewOwner"_s);
    btnNewOwner->setText(u"+"_s);
    btnNewOwner->setToolTip(u"Нов заемополучател"_s);
    pnlItem = MakePanel(P, "pnlItem", 120);
    leItem = MakeListEdit(P, "leItem", pnlItem, 120);
    btnNewItem = new QToolButton(P);
    btnNewItem->setObjectName(u"btnNewItem"_s);
    btnNewItem->setText(u"+"_s);
    btnNewItem->setToolTip(u"Нова вещ"_s);
    pnlSN = MakePanel(P, "pnlSN", 160);
    feGramaj = MakeFloatEdit(P, "feGramaj", 3, 80);
    cb_Short_term = new QCheckBox(u"Краткосрочен"_s, P);
    cb_Short_term->setObjectName(u"cb_Short_term"_s);
    feSum_c = MakeFloatEdit(P, "feSum_c", AmountDecimals, 100);
    feM_IR = MakeFloatEdit(P, "feM_IR", 2, 60);
    feM_IR->setReadOnly(true);
    feDuration = MakeFloatEdit(P, "feDuration", 0, 60);
    dtDate_to = MakeDateEdit(P, "dtDate_to");
    pnl_Marka = MakePanel(P, "pnl_Marka", 120);
    code_MPS = MakeListEdit(P, "code_MPS", pnl_Marka, 80);
    pnl_Model = MakePanel(P, "pnl_Model", 120);
    pnl_Reg_nomer = MakePanel(P, "pnl_Reg_nomer", 100);
    edNotes = new TLimitedEdit(P);
    edNotes->setObjectName(u"edNotes"_s);
    edNotes->setMaxLength(80);
    lab_Dylzhimi_lihvi = MakeLabel(P, QString(), "lab_Dylzhimi_lihvi");
    lab_Ednokratni_taxi = MakeLabel(P, QString(), "lab_Ednokratni_taxi");
    Lab_Dnevni_taksi = MakeLabel(P, QString(), "Lab_Dnevni_taksi");
    labTotal = MakeLabel(P, QString(), "labTotal");
    QFont Bold = labTotal->font();
    Bold.setBold(true);
    labTotal->setFont(Bold);
    btnPrintContract = new QPushButton(u"Печат на договор"_s, P);
    btnPrintContract->setObjectName(u"btnPrintContract"_s);
    btnPrintLabel = new QPushButton(u"Печат на етикет"_s, P);
    btnPrintLabel->setObjectName(u"btnPrintLabel"_s);
    for (QWidget* W :
         std::initializer_list<QWidget*>{btnNewOwner, btnNewItem, btnPrintContract, btnPrintLabel})
        W->setFocusPolicy(Qt::NoFocus);

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

    for (QAction* A : {actNew, actEdit, actSave, actDelete})
        A->setEnabled(true);

    ctrl_F9 = new QAction(u"Печат на договор"_s, this);
    ctrl_F9->setObjectName(u"ctrl_F9"_s);
    ctrl_F9->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
    ctrl_F9->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ctrl_F9);
    connect(ctrl_F9, &QAction::triggered, this, [this] { PrintContract(); });
    connect(btnPrintContract, &QPushButton::clicked, this, [this] { PrintContract(); });
    connect(btnPrintLabel, &QPushButton::clicked, this, [this] { PrintLabel(); });
    connect(btnNewOwner, &QToolButton::clicked, this, [this] { NewOwner(); });
    connect(btnNewItem, &QToolButton::clicked, this, [this] { NewItem(); });

    leOwner->OnChange = [this](QWidget*) { OwnerChanged(); };
    leItem->OnChange = [this](QWidget*) { ItemChanged(); };
    code_MPS->OnChange = [this](QWidget*) { VehicleChanged(); };
    leOwner->OnBitButtonClick = [this](QWidget*) { GetOwnersList(this, leOwner); };
    leItem->OnBitButtonClick = [this](QWidget*) { GetItemsList(this, leItem); };
    code_MPS->OnBitButtonClick = [this](QWidget*) { GetVehiclesList(this, code_MPS); };
    feSum_c->OnChange = [this](QWidget*) { SumChanged(); };
    feM_IR->OnChange = [this](QWidget*) { CalcContractAmountsDue(); };
    feDuration->OnChange = [this](QWidget*) { DurationChanged(); };
    connect(dtDate_to, &QDateEdit::dateChanged, this, [this] { DateToChanged(); });
    connect(dtDate_c, &QDateEdit::dateChanged, this, [this] { DateCChanged(); });

    Grid->SetColCount(21);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    Grid->SetFixedCols(0);
    const char* Headers[21][2] = {
        {"Договор", "номер"},
        {"", "дата"},
        {"Вещ", "шифър"},
        {"", "наименование"},
        {"", "спецификация"},
        {"Сума", ""},
        {"Месечен", "лихвен процент"},
        {"Срок", "дни"},
        {"", "до дата"},
        {"Заемополучател", "ЕГН"},
        {"", "Собствено, бащино и фамилно име"},
        {"Пояснения", ""},
        {"Вещта е", "откупена"},
        {"", "на дата"},
        {"Сума за", "връщане"},
        {"Грамаж", ""},
        {"Краткосрочен", ""},
        {"Дължими", "лихви"},
        {"Еднократни", "такси"},
        {"Дневни", "такси"},
        {"Шифър", "на МПС"},
    };
    for (int C = 0; C < 21; ++C) {
        Grid->SetCells(C, 0, QString::fromUtf8(Headers[C][0]));
        Grid->SetCells(C, 1, QString::fromUtf8(Headers[C][1]));
    }
    // Each column as wide as its header or a typical value, whichever is wider.
    const char* Samples[21] = {"000000",
                               "00.00.0000",
                               "00000",
                               "Наименование",
                               "Спецификация 00",
                               "000 000.00",
                               "",
                               "000",
                               "00.00.0000",
                               "0000000000",
                               "Собствено, бащино и фамилно име",
                               "Пояснения 0000",
                               "",
                               "00.00.0000",
                               "000 000.00",
                               "0000.000",
                               "",
                               "00 000.00",
                               "00 000.00",
                               "00 000.00",
                               ""};
    const QFontMetrics Metrics(Grid->font());
    for (int C = 0; C < 21; ++C) {
        int Width = std::max(Metrics.horizontalAdvance(QString::fromUtf8(Headers[C][1])),
                             Metrics.horizontalAdvance(QString::fromUtf8(Samples[C])));
        if (QString::fromUtf8(Headers[C][1]).isEmpty())
            Width = std::max(Width, Metrics.horizontalAdvance(QString::fromUtf8(Headers[C][0])));
        Grid->SetColWidths(C, Width + 12);
    }
    Grid->SetMergeCellsStr(
        u"0,0,1,0|2,0,4,0|5,0,5,1|7,0,8,0|9,0,10,0|11,0,11,1|12,0,13,0|15,0,15,1|16,0,16,1|"_s);
    Grid->SetLeftCol(0);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TfrmContracts::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    edNotes->SetValidChars(u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s);
    StopEditing();
    try {
        GetOwnersList(this, leOwner);
        GetItemsList(this, leItem);
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
    const QString LastEGN = ReadRegString(u"Last_EGN"_s).trimmed();
    if (!LastEGN.isEmpty()) {
        QString Padded;
        FormatEGN(LastEGN, Padded);
        leOwner->setText(Padded);
    }
    leItem->setText(ReadRegString(u"Last_Item"_s));
    feDuration->SetValue(double(StrToIntOrZero(ReadRegString(u"feDuration_Value"_s).trimmed())));
    feSum_c->SetPrecision(AmountDecimals);
    PrintSettingsName = u"frmContracts_print_settings"_s;
    return Result;
}

bool TfrmContracts::Done() {
    if (!leOwner->text().trimmed().isEmpty()) WriteRegString(u"Last_EGN"_s, leOwner->text().trimmed());
    if (!leItem->text().trimmed().isEmpty()) WriteRegString(u"Last_Item"_s, leItem->text().trimmed());
    WriteRegString(u"feDuration_Value"_s, QString::number(qint64(std::trunc(feDuration->Value()))));
    PendingSql.clear();
    return TMAccountReadForm::Done();
}

bool TfrmContracts::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    Container()->setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    DoExecute();
    ProposeNextKey(this, TableName, KeyField, feDocNo);
    return Result;
}

bool TfrmContracts::Execute() {
    TMAccountReadForm::Execute();
    TDelimitedStringList List;
    RunQuery(this, AdoConnection, ContractListSql(WorkstationOptionOn(rg_Registry_1), Date()), &List);
    PrepareContractListRows(List);
    SortRows(&List);
    ApplyFilterToRows(&List);
    LoadGridFromList(Grid, &List, true);
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
    QString Code;
    FormatEGN(leOwner->text().trimmed(), Code);
    labPref_code->setText(ListEditLookup(leOwner, 0, 2, Code));
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

bool TfrmContracts::Add() {
    if (!TMAccountReadForm::Add()) return false;
    const TContractEntry Entry = CurrentEntry();
    TContractCheck Check;
    for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
        Check.GridNumbers += Grid->Cells(0, R);
    Check.OwnerKnown = !Entry.OwnerName.isEmpty();
    Check.ItemKnown = !ListEditLookup(leItem, 0, 0, Entry.ItemCode).isEmpty();
    Check.EditingRow = EditingRow;
    Check.Today = Date();
    if (!EditingRow && Entry.DocNo != 0) Check.DocNoStored = ContractNumberStored(this, Entry.DocNo);
    const QString Messages = ContractValidationText(Entry, Check);
    if (!Messages.isEmpty()) {
        ShowErrorFmt(Messages);
        return false;
    }

    // Every statement is built before any is queued: a failing query queues nothing.
    QStringList Statements;
    if (EditingRow)
        Statements += ContractUpdateSql(TableName, KeyField, StrToIntOrZero(EditingKey), Entry);
    else
        Statements += ContractInsertSql(TableName, Entry);
    const QString OperatorName = OperatorFullName(this, UserName);
    if (!EditingRow) Statements += PayoutOrderSql(Entry, OperatorName, UserName);
    Queue(Statements);

    int Row = Grid->RowCount() - 1;
    if (!(Row == Grid->FixedRows() && Grid->Cells(1, Row).trimmed().isEmpty())) {
        Grid->SetRowCount(Grid->RowCount() + 1);
        Row = Grid->RowCount() - 1;
    }
    Grid->SetRow(Row);
    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    const double Total = CalcContractAmountsDue();
    const QStringList Cells =
        ContractGridCells(Entry, ListEditLookup(leItem, 0, 1, Entry.ItemCode), pnlSN->text(), Total);
    for (int C = 0; C < Cells.size(); ++C)
        Grid->SetCells(C, Row, Cells[C]);

    feSum_c->SetValue(0);
    if (!EditingRow) feDocNo->SetValue(feDocNo->Value() + 1);
    StopEditing();
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, palette().color(QPalette::Button));
    pnlCaption->setPalette(Palette);
    return true;
}

bool TfrmContracts::Save() {
    if (!TMAccountReadForm::Save()) return false;
    if (!SaveQueued(this)) return false;
    Reload();
    return true;
}

qint64 TfrmContracts::SelectedDocNo() const {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return 0;
    return StrToIntOrZero(Grid->Cells(0, Row).trimmed());
}

bool TfrmContracts::Edit() {
    if (!TMAccountReadForm::Edit()) return false;
    if (EditingRow) {
        ShowErrorFmt(u"Не можете да редактирате два реда едновремнно!"_s);
        return false;
    }
    if (!AskAdminPassword(this)) return false;
    if (SelectedDocNo() == 0) return false;
    const int Row = Grid->Row();
    const QStringList Cells = Grid->Rows(Row);
    auto Cell = [&](int C) { return C < Cells.size() ? Cells[C] : QString(); };
    StartEditing(Cell(0).trimmed(), feDocNo);
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    pnlCaption->setPalette(Palette);

    feDocNo->SetValue(StrToFloatDot(Cell(0), 0));
    TDateTime DateC = 0;
    if (TryStrToDate(Cell(1), DateC)) {
        Recalculating = true;
        dtDate_c->setDate(DateTimeToQDate(DateC));
        Recalculating = false;
    }
    leOwner->setText(Cell(9));
    leItem->setText(Cell(2));
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

    Grid->ClearRowsAttributes(Row, Row, caRowAttributes | caCellAttributes);
    DeleteGridRow(Grid, Row);
    return true;
}

bool TfrmContracts::Delete() {
    if (!TMAccountReadForm::Delete()) return false;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return false;
    DeleteContract(this, UserName, Grid->Cells(0, Row), Grid->Cells(1, Row), *this, Grid, Row);
    return true;
}

// ---- printing and the registers

void TfrmContracts::PrintContract() {
    if (!PendingSql.isEmpty()) {
        ShowErrorFmt(u"Натиснете бутон \"F2\" (за запис), след това разпечатайте договора."_s);
        return;
    }
    const qint64 DocNo = SelectedDocNo();
    if (DocNo == 0) {
        ShowErrorFmt(u"Избраният ред не е за документ !"_s);
        return;
    }
    SetStatusText(u" М о м е н т . . ."_s);
    const auto Clear = qScopeGuard([this] { SetStatusText(QString()); });
    ShowPrintFailure([&] { PrintContractDocument(this, int(DocNo)); });
}

void TfrmContracts::PrintLabel() {
    // A label of an empty row would carry no contract number.
    if (SelectedDocNo() == 0) {
        ShowErrorFmt(u"Избраният ред не е за документ !"_s);
        return;
    }
    const int Row = Grid->Row();
    ShowPrintFailure(
        [&] { PrintItemLabel(LabelTemplatePath(), Grid->Cells(0, Row).trimmed(), Grid->Cells(3, Row)); });
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
                GetItemsList(this, leItem);
                leItem->setText(ReadRegString(u"Last_Item"_s));
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
