#include "business/documents/un_Vry6tane_na_ve6ti.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/DocumentForm.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "business/registers/un_Users_passwords.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Columns of the breakdown.
constexpr int colType = 0;
constexpr int colName = 1;
constexpr int colAccrued = 2;
constexpr int colReceived = 3;
constexpr int colDue = 4;
constexpr int BreakdownColumns = 5;

const QString TotalsCaption = u"¤Общо:"_s;

// A short payment is accepted up to this many cents.
constexpr qint64 ShortfallAllowed = 200;

qint64 CentsOf(double Value) {
    return RoundDecimal(DecimalOf(Value), AmountDecimals);
}

QString Row5(const QString& Type, const QString& Name, const QString& Accrued, const QString& Received,
             const QString& Due) {
    return QStringList{Type, Name, Accrued, Received, Due}.join(FieldDelimiterChar);
}

bool IsTotalsRow(const TDelimitedStringList& Rows, int R) {
    return Rows.GetField(R, colType) == TotalsCaption;
}

int TotalsRowIndex(const TDelimitedStringList& Rows) {
    for (int R = Rows.Count() - 1; R >= 0; --R)
        if (IsTotalsRow(Rows, R)) return R;
    return -1;
}

} // namespace

void BuildSettlementRows(const QString& DebtRow, const TDelimitedStringList& OneTimeFees,
                         const TDelimitedStringList& DailyFees, bool PaymentMode,
                         TDelimitedStringList& Rows) {
    Rows.Clear();
    const auto Field = [&](int N) { return GetPiece(DebtRow, FieldDelimiterChar, N); };
    // Interest or a fee paid over owes nothing: its excess stays with it, never taken off another
    // row, so a returned item has its whole principal repaid.
    const auto Owed = [](const QString& Due) { return CentsOf(Due) < 0 ? Money(0) : Due; };
    if (!PaymentMode)
        Rows.Add(Row5(QString::number(ptInPrincipal), u"главница"_s, Field(dfPaidOut),
                      Field(dfPrincipalRepaid), Field(dfPrincipalOutstanding)));
    Rows.Add(Row5(QString::number(ptInInterest), u"лихва"_s, Field(dfInterestAccrued), Field(dfInterestPaid),
                  Owed(Field(dfInterestDue))));

    // The fees by their payment type, as numbers: type 10 comes after type 6.
    struct TFeeRow {
        qint64 Type;
        QString Text;
    };
    QList<TFeeRow> Fees;
    for (const TDelimitedStringList* List : {&OneTimeFees, &DailyFees})
        for (int R = 0; R < List->Count(); ++R) {
            const int Type = FeePaymentType(int(StrToIntOrZero(List->GetField(R, 0))));
            Fees.append({Type, Row5(QString::number(Type), List->GetField(R, 1), List->GetField(R, 2),
                                    List->GetField(R, 3), Owed(List->GetField(R, 4)))});
        }
    std::stable_sort(Fees.begin(), Fees.end(),
                     [](const TFeeRow& A, const TFeeRow& B) { return A.Type < B.Type; });
    for (const TFeeRow& Fee : Fees)
        Rows.Add(Fee.Text);

    qint64 Sums[3] = {0, 0, 0};
    for (int R = 0; R < Rows.Count(); ++R)
        for (int C = colAccrued; C <= colDue; ++C)
            Sums[C - colAccrued] += CentsOf(Rows.GetField(R, C));
    Rows.Add(Row5(TotalsCaption, QString(), Format(u"%f"_s, {double(Sums[0]) / 100.0}),
                  Format(u"%f"_s, {double(Sums[1]) / 100.0}), Format(u"%f"_s, {double(Sums[2]) / 100.0})));
}

qint64 SettlementDueCents(const TDelimitedStringList& Rows) {
    const int Totals = TotalsRowIndex(Rows);
    return Totals < 0 ? 0 : CentsOf(Rows.GetField(Totals, colDue));
}

QList<TSettlementReceipt> SettlementReceipts(double Paid, const TDelimitedStringList& Rows) {
    QList<TSettlementReceipt> Receipts;
    for (int R = 0; R < Rows.Count(); ++R)
        if (!IsTotalsRow(Rows, R))
            Receipts.append({StrToIntOrZero(Rows.GetField(R, colType)), CentsOf(Rows.GetField(R, colDue))});
    const auto Interest =
        std::find_if(Receipts.begin(), Receipts.end(), [](const auto& E) { return E.Type == ptInInterest; });
    // What was paid over or under the total is booked as interest; a shortfall only as far as the
    // interest due goes.
    const qint64 Difference = CentsOf(Paid) - SettlementDueCents(Rows);
    if (Interest == Receipts.end() || Interest->Cents + Difference < 0) return {};
    Interest->Cents += Difference;

    // A row paid over before (its due below zero) is set against the interest and then the fees
    // of the same settlement, so that no receipt is below zero; never against the principal, which
    // a return repays in full.
    qint64 Credit = 0;
    for (TSettlementReceipt& E : Receipts)
        if (E.Cents < 0) {
            Credit -= E.Cents;
            E.Cents = 0;
        }
    QList<TSettlementReceipt*> Order{&*Interest};
    for (TSettlementReceipt& E : Receipts)
        if (E.Type != ptInPrincipal && E.Type != ptInInterest) Order.append(&E);
    for (TSettlementReceipt* E : Order) {
        const qint64 Taken = std::min(Credit, E->Cents);
        E->Cents -= Taken;
        Credit -= Taken;
    }
    if (Credit > 0) return {};
    Receipts.removeIf([](const TSettlementReceipt& E) { return E.Cents == 0; });
    return Receipts;
}

QString SettlementRefusal(qint64 DocNo, bool PaymentMode, double Paid, const TDelimitedStringList& Rows) {
    if (DocNo == 0) return u"Изберете договор"_s;
    const qint64 PaidCents = CentsOf(Paid);
    if (PaidCents <= 0) return u"Попълнете сума"_s;
    const qint64 Due = SettlementDueCents(Rows);
    if (Due <= 0) return u"Няма сума за връщане. Изберете друг договор"_s;
    if (!PaymentMode && Rows.Count() < 3)
        return u"За избрания договор не се показват суми по главница и лихви"_s;
    if (PaymentMode && Rows.Count() < 2) return u"За избрания договор не се показват суми по лихви"_s;
    // Interest and fees are taken up to what is owed: an excess would stay on the open contract as
    // a credit.
    if (PaymentMode && PaidCents > Due)
        return Format(u"Платената сума надвишава дължимите лихви и такси по договора (%s)."_s, {Money(Due)});
    if (Due > PaidCents + ShortfallAllowed || SettlementReceipts(Paid, Rows).isEmpty())
        return u"Върнатата сума е по-малка от главницата плюс лихвите и таксите по договора. Не може да се "
               "осществи връщане на вещ"_s;
    return QString();
}

QStringList SettlementSql(qint64 DocNo, bool PaymentMode, double Paid, const TDelimitedStringList& Rows,
                          TDateTime Today, const TSettlementParties& Parties) {
    const qint64 Day = qint64(std::floor(Today));
    QStringList Statements;
    for (const TSettlementReceipt& E : SettlementReceipts(Paid, Rows))
        Statements += Format(uR"sql(Insert into %s values ( %s, %d, %d, %d, %.*f, "%s", "%s", "%s" ))sql"_s,
                             {u"Incomes"_s, NextDocNoSql(u"Incomes"_s), Day, DocNo, E.Type, AmountDecimals,
                              double(E.Cents) / 100.0, SqlText(Parties.OwnerName),
                              SqlText(Parties.OperatorName), SqlText(Parties.UserName)});
    // The condition on Finished keeps the date of a contract another window closed first.
    if (!PaymentMode)
        Statements += Format(
            uR"sql(Update Contracts   Set Finished = True,     At_Date  = %d  Where ( docno = %d ) AND ( Finished = False ))sql"_s,
            {Day, DocNo});
    return Statements;
}

QString SettlementReceiptsText(const QStringList& Numbers) {
    return Numbers.size() == 1
               ? Format(u"Записан е приходен касов ордер № %s."_s, {Numbers.first()})
               : Format(u"Записани са приходни касови ордери № %s."_s, {Numbers.join(u", "_s)});
}

// ---------------------------------------------------------------------------------------------
// The window

TfrmVry6tane_na_ve6ti::TfrmVry6tane_na_ve6ti(QWidget* Owner)
    : TMAccountReadForm(Owner), FRows(std::make_unique<TDelimitedStringList>()) {
    setObjectName(u"frmVry6tane_na_ve6ti"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();

    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewOwnerEdit(P, pnlOwner);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leContract = NewListEdit(P, u"leContract"_s, pnlItem, 120);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 260);
    feSum_c = NewNumberEdit(u"feSum_c"_s, AmountDecimals, 120);

    L->addWidget(new QLabel(u"Заемополучател:"_s, P), 0, 0);
    L->addWidget(leOwner, 0, 1);
    L->addWidget(pnlOwner, 0, 2, 1, 2);
    L->addWidget(new QLabel(u"Договор:"_s, P), 1, 0);
    L->addWidget(leContract, 1, 1);
    L->addWidget(pnlItem, 1, 2, 1, 2);
    L->addWidget(new QLabel(u"Сериен номер (спецификация):"_s, P), 2, 0, 1, 2);
    L->addWidget(pnlSN, 2, 2, 1, 2);
    L->addWidget(new QLabel(u"Сума:"_s, P), 3, 0);
    L->addWidget(feSum_c, 3, 1);
    L->setColumnStretch(4, 1);
    P->setFixedHeight(L->sizeHint().height());

    actSave->setEnabled(true);
    actSearch->setEnabled(false);
    actFilter->setEnabled(false);

    leOwner->OnChange = [this](QWidget*) { OwnerChanged(); };
    leOwner->OnFormOk = [this](QWidget*) { BuildContractList(); };
    leOwner->installEventFilter(this);
    leContract->OnChange = [this](QWidget*) { ContractChosen(); };
    leContract->OnFormOk = [this](QWidget*) { ContractChosen(); };

    Grid->SetColCount(BreakdownColumns);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    Grid->SetFixedCols(0);
    const char* Headers[BreakdownColumns][2] = {{"Вид на сума", "шифър"},
                                                {"", "наименование"},
                                                {"Суми", "начислени"},
                                                {"", "получени"},
                                                {"", "дължими"}};
    for (int C = 0; C < BreakdownColumns; ++C) {
        Grid->SetCells(C, 0, QString::fromUtf8(Headers[C][0]));
        Grid->SetCells(C, 1, QString::fromUtf8(Headers[C][1]));
    }
    const int Widths[BreakdownColumns] = {70, 260, 110, 110, 110};
    for (int C = 0; C < BreakdownColumns; ++C)
        Grid->SetColWidths(C, Widths[C]);
    Grid->ColAttributes(colType)->SetAlignment({caCenter});
    Grid->SetMergeCellsStr(u"0,0,1,0|2,0,4,0|"_s);
    Grid->SetCol(0);
    Grid->Loaded();
}

TfrmVry6tane_na_ve6ti::~TfrmVry6tane_na_ve6ti() = default;

void TfrmVry6tane_na_ve6ti::SetPaymentMode(bool Value) {
    PaymentMode = Value;
}

bool TfrmVry6tane_na_ve6ti::Init() {
    const bool Result = TMAccountReadForm::Init();
    for (int C = colAccrued; C <= colDue; ++C)
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    feSum_c->SetPrecision(AmountDecimals);
    return Result;
}

bool TfrmVry6tane_na_ve6ti::Done() {
    RememberOwner(leOwner);
    return TMAccountReadForm::Done();
}

bool TfrmVry6tane_na_ve6ti::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    try {
        if (GetOwnersList(this, leOwner)) {
            QString Code;
            const QString Last = ReadRegString(u"Last_EGN"_s).trimmed();
            if (!Last.isEmpty()) FormatEGN(Last, Code);
            leOwner->setText(Code);
            // The remembered borrower's contracts are offered at once, not only after Enter.
            if (!Code.isEmpty()) BuildContractList();
        }
    } catch (const EDatabaseError& E) {
        // The window still opens; it cannot offer borrowers it could not read.
        ShowDatabaseError(E.Message(), E.Sql());
    }
    ShowCaption(PaymentMode ? u"Плащане на дължими лихви и такси"_s : u"Връщане на вещи"_s);
    return Result;
}

QString TfrmVry6tane_na_ve6ti::GetReportTitle() {
    return QString();
}

bool TfrmVry6tane_na_ve6ti::Execute() {
    TMAccountReadForm::Execute();
    pnlSN->setText(ListEditLookup(leContract, 0, 2, leContract->text().trimmed()));
    return BuildBreakdown();
}

void TfrmVry6tane_na_ve6ti::ClearBreakdown() {
    BreakdownDocNo = 0;
    FRows->Clear();
    ClearGrid(Grid, 0);
}

void TfrmVry6tane_na_ve6ti::OwnerChanged() {
    ClearBreakdown();
}

void TfrmVry6tane_na_ve6ti::ContractChosen() {
    pnlSN->setText(ListEditLookup(leContract, 0, 2, leContract->text().trimmed()));
    try {
        BuildBreakdown();
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
    }
}

void TfrmVry6tane_na_ve6ti::BuildContractList() {
    leContract->clear();
    ClearBreakdown();
    QString Code;
    FormatEGN(leOwner->text().trimmed(), Code);
    const qint64 EGN = StrToIntOrZero(Code);
    TDelimitedStringList List;
    try {
        RunQuery(this, AdoConnection, PayableContractListSql(EGN, WorkstationOptionOn(rg_Registry_5)), &List);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return;
    }
    FillListEdit(leContract, u"Договор@Вещ@Сериен номер"_s + u"@Дата на сключване"_s, List, 0);
}

bool TfrmVry6tane_na_ve6ti::BuildBreakdown() {
    ClearBreakdown();
    const QString Text = leContract->text().trimmed();
    const qint64 DocNo = StrToIntOrZero(Text);
    if (DocNo == 0) return false;
    // Only a contract of the list may be settled: a number typed past it could name a contract
    // that is finished, sold or another borrower's.
    const QString DateText = ListEditLookup(leContract, 0, 3, Text);
    if (ListEditLookup(leContract, 0, 0, Text).isEmpty()) return false;

    TDateTime ContractDate = 0;
    if (!TryStrToDate(DateText, ContractDate)) ContractDate = Date();
    const TDateTime AtDate = SettlementAtDate(Date(), ContractDate, WorkstationOptionOn(rg_Registry_6));
    QString DebtRow;
    TDelimitedStringList OneTimeFees, DailyFees;
    if (!CalculateContractDebt(this, QString::number(DocNo), DebtRow, AtDate, OneTimeFees, DailyFees))
        return false;
    BuildSettlementRows(DebtRow, OneTimeFees, DailyFees, PaymentMode, *FRows);
    BreakdownDocNo = DocNo;
    FAtDate = AtDate;
    TDelimitedStringList Shown;
    Shown.SetTextStr(FRows->GetTextStr());
    LoadGridFromList(Grid, &Shown, true);
    feSum_c->SetValue(double(SettlementDueCents(*FRows)) / 100.0);
    return true;
}

bool TfrmVry6tane_na_ve6ti::Save() {
    if (!TMAccountReadForm::Save()) return false;
    const double Paid = feSum_c->Value();
    const QString Refusal = SettlementRefusal(BreakdownDocNo, PaymentMode, Paid, *FRows);
    if (!Refusal.isEmpty()) {
        ShowErrorFmt(Refusal);
        return false;
    }
    const QString Question = PaymentMode
                                 ? u"Желаете ли да извършите операция \"плащане на дължими лихви и такси\"?"_s
                                 : u"Желаете ли да извършите операция \"връщане на вещ\"?"_s;
    if (ConfirmYesNoFmt(Question) != mrYes) return false;

    // The receipts are signed by the operator: once the register holds one, nobody signed in
    // writes nothing.
    SignInIfUnsigned(this, UserName);
    TSettlementParties Parties;
    Parties.UserName = UserName;
    Parties.OperatorName = OperatorFullName(this, UserName);
    Parties.OwnerName = ContractOwnerName(this, BreakdownDocNo);

    QStringList Statements = SettlementSql(BreakdownDocNo, PaymentMode, Paid, *FRows, Date(), Parties);
    // The receipts and the contract's mark go in together or not at all, and only while the
    // contract still owes what the window shows: another window may have settled it meanwhile.
    // The last receipt number before them is read inside the same write, so that every receipt
    // above it on this contract is one of ours.
    QString LastBefore;
    const qint64 DocNo = BreakdownDocNo;
    bool Refused = false;
    const bool Saved = RunPendingSql(this, Statements, [&] {
        // Asked again here: another workstation may have saved the first operator meanwhile.
        if (QString Unsigned = UnsignedWriteRefusal(this, UserName); !Unsigned.isEmpty()) return Unsigned;
        QString Refusal = BreakdownRefusal();
        Refused = !Refusal.isEmpty();
        if (Refused) return Refusal;
        TDelimitedStringList Last;
        RunQuery(this, AdoConnection, uR"sql(SELECT Max(docno) FROM Incomes)sql"_s, &Last);
        LastBefore = Last.GetTextStr();
        return QString();
    });
    // A Save that could not write (another workstation writing) keeps the contract and the amount
    // for the next F2; a contract changed meanwhile must be chosen again.
    if (!Saved && !Refused) return false;
    BuildContractList();
    feSum_c->SetValue(0);
    if (Saved) {
        TDelimitedStringList Written;
        try {
            RunQuery(
                this, AdoConnection,
                Format(
                    uR"sql(SELECT docno FROM Incomes WHERE docno > %d AND contract_n = %d ORDER BY docno)sql"_s,
                    {StrToIntOrZero(LastBefore), DocNo}),
                &Written);
        } catch (const EDatabaseError& E) {
            ShowDatabaseError(E.Message(), E.Sql());
            return Saved;
        }
        QStringList Numbers;
        for (int R = 0; R < Written.Count(); ++R)
            Numbers << Written.GetField(R, 0);
        ShowMessageEx(SettlementReceiptsText(Numbers));
    }
    return Saved;
}

QString TfrmVry6tane_na_ve6ti::BreakdownRefusal() {
    const TContractState State = ReadContractState(this, BreakdownDocNo);
    // A restore elsewhere may take the contract away altogether.
    if (!State.Stored) return Format(u"Договор номер %d е изтрит междувременно."_s, {BreakdownDocNo});
    if (!State.Open()) return ContractChangedText();
    // Declared for sale by another window since it was chosen: as the list would leave it out.
    if (QString Refusal =
            ForSaleRefusal(QString::number(BreakdownDocNo), State, WorkstationOptionOn(rg_Registry_5));
        !Refusal.isEmpty())
        return Refusal;
    QString DebtRow, Failure;
    TDelimitedStringList OneTimeFees, DailyFees, Now;
    // Quietly: a message box here would hold the write lock until the operator answers it.
    if (!ContractDebtQuietly(this, QString::number(BreakdownDocNo), DebtRow, FAtDate, OneTimeFees, DailyFees,
                             Failure))
        return Failure.isEmpty() ? ContractChangedText() : Failure;
    BuildSettlementRows(DebtRow, OneTimeFees, DailyFees, PaymentMode, Now);
    return Now.GetTextStr() == FRows->GetTextStr() ? QString() : ContractChangedText();
}

bool TfrmVry6tane_na_ve6ti::eventFilter(QObject* Watched, QEvent* Event) {
    // Leaving the borrower lists the contracts; not when an operation takes the focus away for
    // a while, which would drop the chosen contract under it.
    if (Watched == leOwner && Event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason && !FormState.Contains(Busy) &&
        !FormState.Contains(Preparing))
        BuildContractList();
    return TMAccountReadForm::eventFilter(Watched, Event);
}
