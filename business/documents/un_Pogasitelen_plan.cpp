#include "business/documents/un_Pogasitelen_plan.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/DocumentForm.h"
#include "business/engine/unConsts.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString TotalsCaption = u"¤Общо:"_s;
// The daily rate is taken to 9 decimals and shown, and multiplied, with 7.
constexpr int PlanRateDigits = 9;
constexpr int ShownRateDigits = 7;
constexpr int DecimalsOfMir = 5;

// The day rows of the schedule: every row but the totals row at the end.
int DayCount(const TDelimitedStringList& Rows) {
    return Rows.Count() > 0 && Rows.GetField(Rows.Count() - 1, pcDate) == TotalsCaption ? Rows.Count() - 1
                                                                                        : Rows.Count();
}

QString SumReceivedSql(qint64 DocNo, int PaymentType) {
    return Format(uR"sql(
        SELECT Sum( sum_o ) AS SumOfsum_o
          FROM Incomes
         WHERE ( contract_n = %d ) AND ( payment_type = %d ))sql"_s,
                  {DocNo, PaymentType});
}

} // namespace

QString PlanContractListSql(qint64 EGN) {
    return Format(uR"sql(
        SELECT Contracts.docno, Item_types.Name_i_t, Items.SN, Contracts.duration
          FROM Owners
               INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                           INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
               ON Owners.EGN = Contracts.EGN
         WHERE (Owners.EGN = %f )
         ORDER BY Contracts.docno)sql"_s,
                  {double(EGN)});
}

void PlanDayRows(TDateTime DateC, int Days, TDelimitedStringList& Rows) {
    Rows.Clear();
    const qint64 First = qint64(std::floor(DateC));
    for (int D = 0; D < Days; ++D)
        Rows.AddWithFieldCount(DateToStr(TDateTime(First + D)), PlanColumns);
    Rows.AddWithFieldCount(TotalsCaption, PlanColumns);
}

QStringList AddPlanPayments(TDelimitedStringList& Rows, const TDelimitedStringList& Payments, int Col,
                            const QString& Message) {
    QStringList Unplaced;
    const int Days = DayCount(Rows);
    for (int P = 0; P < Payments.Count(); ++P) {
        TDateTime Day = 0;
        const QString DateText = TryStrToDate(FilterNumberChars(Payments.GetField(P, 0)), Day)
                                     ? DateToStr(Day)
                                     : Payments.GetField(P, 0);
        const qint64 Amount = CentsOf(Payments.GetField(P, 1));
        int Row = -1;
        for (int R = 0; R < Days && Row < 0; ++R)
            if (Rows.GetField(R, pcDate) == DateText) Row = R;
        if (Row < 0) {
            Unplaced += Format(Message, {DateText, Money(Amount)});
            continue;
        }
        Rows.SetField(Row, Col, Money(CentsOf(Rows.GetField(Row, Col)) + Amount));
    }
    return Unplaced;
}

void PlanBalances(TDelimitedStringList& Rows) {
    qint64 Balance = 0;
    qint64 PrincipalBefore = 0;
    for (int R = 0; R < DayCount(Rows); ++R) {
        Balance += CentsOf(Rows.GetField(R, pcPayout)) - PrincipalBefore;
        PrincipalBefore = CentsOf(Rows.GetField(R, pcPrincipal));
        Rows.SetField(R, pcBalance, Money(Balance));
    }
}

void PlanInterest(TDelimitedStringList& Rows, const TDelimitedStringList& Bands) {
    for (int R = 0; R < DayCount(Rows); ++R) {
        const TDecimal Balance = DecimalOrZero(Rows.GetField(R, pcBalance));
        if (CompareDecimal(Balance, TDecimal{}) <= 0) continue;
        for (int B = 0; B < Bands.Count(); ++B) {
            if (CompareDecimal(DecimalOrZero(Bands.GetField(B, 1)), Balance) > 0 ||
                CompareDecimal(DecimalOrZero(Bands.GetField(B, 2)), Balance) < 0)
                continue;
            const TDecimal Mir{RoundDecimal(DecimalOrZero(Bands.GetField(B, 3)), DecimalsOfMir),
                               DecimalsOfMir};
            const TDecimal Daily{RoundQuotient(Mir, 30, PlanRateDigits), PlanRateDigits};
            const TDecimal Shown{RoundDecimal(Daily, ShownRateDigits), ShownRateDigits};
            Rows.SetField(R, pcRate, ScaledToFixedStr(Shown.Mantissa, ShownRateDigits));
            Rows.SetField(R, pcInterest, Money(RoundProduct(Shown, Balance, AmountDecimals)));
        }
    }
}

void PlanTotals(TDelimitedStringList& Rows) {
    const int Days = DayCount(Rows);
    if (Days == Rows.Count()) return;
    const int Totals = Days;
    qint64 Sums[PlanColumns] = {};
    for (int R = 0; R < Days; ++R)
        for (int C = pcInterest; C <= pcInterestPaid; ++C)
            Sums[C] += CentsOf(Rows.GetField(R, C));
    Rows.SetField(Totals, pcBalance, Days > 0 ? Rows.GetField(Days - 1, pcBalance) : QString());
    Rows.SetField(Totals, pcRate, QString());
    for (int C = pcInterest; C <= pcInterestPaid; ++C)
        Rows.SetField(Totals, C, Money(Sums[C]));
}

void PlanOneTimeFeeRows(QObject* Owner, qint64 DocNo, const TDelimitedStringList& Fees,
                        TDelimitedStringList& Rows) {
    Rows.Clear();
    qint64 Sums[3] = {};
    TDelimitedStringList Received;
    for (int F = 0; F < Fees.Count(); ++F) {
        const int CodeT = int(StrToIntOrZero(Fees.GetField(F, 0)));
        RunQuery(Owner, AdoConnection, SumReceivedSql(DocNo, FeePaymentType(CodeT)), &Received);
        const QString Accrued = Fees.GetField(F, 2);
        const qint64 Paid = CentsOf(Received.GetTextStr());
        const qint64 Due = CentsOf(Accrued) - Paid;
        Rows.Add(QStringList{Fees.GetField(F, 0), Fees.GetField(F, 1), Accrued, Money(Paid), Money(Due)}.join(
            FieldDelimiterChar));
        Sums[0] += CentsOf(Accrued);
        Sums[1] += Paid;
        Sums[2] += Due;
    }
    Rows.Add(QStringList{TotalsCaption, QString(), Money(Sums[0]), Money(Sums[1]), Money(Sums[2])}.join(
        FieldDelimiterChar));
}

void PlanDailyFeeRows(QObject* Owner, qint64 DocNo, int PrefCode, const TDelimitedStringList& Schedule,
                      const TDelimitedStringList& Fees, TDelimitedStringList& Rows) {
    Rows.Clear();
    const int FeeCount = Fees.Count();
    const int Fields = 2 + 3 * FeeCount;
    const int Days = DayCount(Schedule);
    for (int R = 0; R < Schedule.Count(); ++R) {
        QStringList Row(Fields, u"0"_s);
        Row[0] = Schedule.GetField(R, pcDate);
        Row[1] = Schedule.GetField(R, pcBalance);
        Rows.Add(Row.join(FieldDelimiterChar));
    }
    if (Rows.Count() == 0) return;
    const int Last = Rows.Count() - 1;
    if (!Rows.GetField(Last, 0).startsWith(TotalsCaption.front()))
        Rows.SetField(Last, 0, TotalsCaption.front() + Rows.GetField(Last, 0));

    QPointer<QObject> Receiver(Owner);
    // The one-day fees of a balance; the balance changes seldom.
    QHash<qint64, std::vector<qint64>> FeesOfBalance;
    std::vector<qint64> Sums(3 * FeeCount, 0);
    TDelimitedStringList Scratch, Received;
    int ShownPercent = -1;
    for (int D = 0; D < Days && D < Last; ++D) {
        const int Percent = (D + 1) * 100 / (Days + 1);
        if (Percent > ShownPercent) {
            ShownPercent = Percent;
            PostEventTo(Receiver, new TProgressEvent(Percent, 100));
            QCoreApplication::processEvents();
        }
        const qint64 Balance = CentsOf(Rows.GetField(D, 1));
        auto Found = FeesOfBalance.constFind(Balance);
        if (Found == FeesOfBalance.constEnd()) {
            QString Text;
            double Total = 0;
            CalcDailyFees(Owner, PrefCode, 1, double(Balance) / 100.0, Scratch, Text, Total);
            std::vector<qint64> Amounts(FeeCount, 0);
            for (int F = 0; F < FeeCount; ++F) {
                const int Row = FindRowByIntKey(int(StrToIntOrZero(Fees.GetField(F, 0))), &Scratch, 0);
                if (Row >= 0) Amounts[F] = CentsOf(Scratch.GetField(Row, 2));
            }
            Found = FeesOfBalance.insert(Balance, Amounts);
        }
        TDateTime Day = 0;
        TryStrToDate(Rows.GetField(D, 0), Day);
        for (int F = 0; F < FeeCount; ++F) {
            const int CodeT = int(StrToIntOrZero(Fees.GetField(F, 0)));
            RunQuery(Owner, AdoConnection,
                     SumReceivedSql(DocNo, FeePaymentType(CodeT)) +
                         Format(u" and ( date_d = %d )"_s, {qint64(std::floor(Day))}),
                     &Received);
            const qint64 Accrued = (*Found)[F];
            const qint64 Paid = CentsOf(Received.GetTextStr());
            const qint64 Values[3] = {Accrued, Paid, Accrued - Paid};
            for (int K = 0; K < 3; ++K) {
                Rows.SetField(D, 2 + 3 * F + K, Money(Values[K]));
                Sums[3 * F + K] += Values[K];
            }
        }
    }
    for (int K = 0; K < 3 * FeeCount; ++K)
        Rows.SetField(Last, 2 + K, Money(Sums[K]));
    PostEventTo(Receiver, new TProgressEvent(0, 100));
}

// ---------------------------------------------------------------------------------------------
// The window

namespace {

// A grid that looks like the window's main one.
TRichGrid* MakeGrid(QWidget* Parent, const char* Name) {
    auto* G = new TRichGrid(Parent);
    G->setObjectName(QString::fromLatin1(Name));
    G->SetDefaultRowHeight(18);
    G->SetOptions({goRangeSelect, goThumbTracking});
    G->DefAttributes()->SetAlignment({caLeft, caCenter});
    G->DefAttributes()->SetLeftMargin(2);
    G->DefAttributes()->SetRightMargin(2);
    G->FixedAttributes()->SetAlignment({caCenter});
    G->FixedAttributes()->SetCell3DEffect(bvRaised);
    G->FixedAttributes()->SetBackColor(clBtnFace);
    G->SetFixedCols(0);
    return G;
}

void SetHeaderRow(TRichGrid* G, int Row, const QStringList& Texts) {
    for (int C = 0; C < Texts.size(); ++C)
        G->SetCells(C, Row, Texts[C]);
}

} // namespace

TfrmPogasitelen_plan::TfrmPogasitelen_plan(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmPogasitelen_plan"_s);
    QWidget* P = pnlParams;
    auto* L = NewParamsLayout();

    pnlOwner = NewInfoPanel(P, u"pnlOwner"_s, 260);
    leOwner = NewOwnerEdit(P, pnlOwner);
    labPref_code = new QLabel(P);
    labPref_code->setObjectName(u"labPref_code"_s);
    pnlItem = NewInfoPanel(P, u"pnlItem"_s, 160);
    leContract = NewListEdit(P, u"leContract"_s, pnlItem, 120);
    pnlSN = NewInfoPanel(P, u"pnlSN"_s, 200);
    feDuration = NewNumberEdit(u"feDuration"_s, 0, 80);

    L->addWidget(new QLabel(u"Заемополучател:"_s, P), 0, 0);
    L->addWidget(leOwner, 0, 1);
    L->addWidget(pnlOwner, 0, 2);
    L->addWidget(new QLabel(u"Преференция:"_s, P), 0, 3);
    L->addWidget(labPref_code, 0, 4);
    L->addWidget(new QLabel(u"Договор:"_s, P), 1, 0);
    L->addWidget(leContract, 1, 1);
    auto* ItemBox = new QHBoxLayout;
    ItemBox->setSpacing(2);
    ItemBox->addWidget(pnlItem);
    ItemBox->addWidget(pnlSN, 1);
    L->addLayout(ItemBox, 1, 2, 1, 3);
    L->addWidget(new QLabel(u"Брой дни:"_s, P), 2, 0);
    L->addWidget(feDuration, 2, 1);
    L->setColumnStretch(5, 1);
    P->setFixedHeight(L->sizeHint().height());

    leOwner->OnChange = [this](QWidget*) { OwnerChanged(); };
    leOwner->OnFormOk = [this](QWidget*) { BuildContractList(); };
    leContract->OnChange = [this](QWidget*) { ContractChanged(false); };
    leContract->OnFormOk = [this](QWidget*) { ContractChanged(true); };
    feDuration->OnChange = [this](QWidget*) { ClearGrids(); };

    // The schedule over the two fee tables, each resizable.
    Grid_Ednokratni_taxi = MakeGrid(this, "Grid_Ednokratni_taxi");
    Grid_Dnevni_taxi = MakeGrid(this, "Grid_Dnevni_taxi");
    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(u"Splitter"_s);
    const int At = ClientLayout()->indexOf(Grid);
    ClientLayout()->removeWidget(Grid);
    Splitter->addWidget(Grid);
    Splitter->addWidget(Grid_Ednokratni_taxi);
    Splitter->addWidget(Grid_Dnevni_taxi);
    Splitter->setStretchFactor(0, 3);
    Splitter->setStretchFactor(1, 1);
    Splitter->setStretchFactor(2, 2);
    ClientLayout()->insertWidget(At, Splitter, 1);

    Grid->SetColCount(PlanColumns);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    Grid->SetFixedCols(0);
    SetHeaderRow(Grid, 0,
                 {u"Дата"_s, u"Салдо"_s, u"Дневна лихва"_s, QString(), u"Изплатени"_s, u"Вноски по"_s});
    SetHeaderRow(Grid, 1, {QString(), QString(), u"%"_s, u"сума"_s, u"суми"_s, u"главницата"_s, u"лихви"_s});
    const int Widths[PlanColumns] = {90, 100, 90, 90, 100, 100, 100};
    for (int C = 0; C < PlanColumns; ++C)
        Grid->SetColWidths(C, Widths[C]);
    Grid->SetMergeCellsStr(u"0,0,0,1|1,0,1,1|2,0,3,0|5,0,6,0|"_s);
    Grid->SetCol(0);
    Grid->Loaded();

    auto* G1 = Grid_Ednokratni_taxi;
    G1->SetColCount(5);
    G1->SetFixedRows(2);
    G1->SetRowCount(3);
    SetHeaderRow(G1, 0, {u"Такса"_s, QString(), u"Еднократни такси"_s});
    SetHeaderRow(G1, 1, {u"шифър"_s, u"наименование"_s, u"начислени"_s, u"получени"_s, u"дължими"_s});
    const int FeeWidths[5] = {90, 200, 100, 100, 100};
    for (int C = 0; C < 5; ++C)
        G1->SetColWidths(C, FeeWidths[C]);
    G1->SetMergeCellsStr(u"0,0,1,0|2,0,4,0|"_s);
    G1->SetCol(0);
    G1->Loaded();

    SetDailyFeeLayout(nullptr);
}

void TfrmPogasitelen_plan::SetDailyFeeLayout(const TDelimitedStringList* Fees) {
    auto* G = Grid_Dnevni_taxi;
    const int FeeCount = Fees ? std::max(Fees->Count(), 1) : 1;
    const int Last = 1 + 3 * FeeCount;
    G->SetMergeCellsStr(QString());
    G->SetColCount(Last + 1);
    G->SetFixedRows(3);
    G->SetRowCount(4);
    for (int R = 0; R < 3; ++R)
        for (int C = 0; C <= Last; ++C)
            G->SetCells(C, R, QString());
    G->SetCells(0, 0, u"Дата"_s);
    G->SetCells(1, 0, u"Салдо"_s);
    G->SetCells(2, 0, u"Дневни такси"_s);
    QString Merged = Format(u"0,0,0,2|1,0,1,2|2,0,%d,0|"_s, {Last});
    G->SetColWidths(0, 90);
    G->SetColWidths(1, 100);
    for (int F = 0; F < FeeCount; ++F) {
        const int First = 2 + 3 * F;
        if (Fees && F < Fees->Count())
            G->SetCells(First, 1, Fees->GetField(F, 0) + u" - "_s + Fees->GetField(F, 1));
        G->SetCells(First, 2, u"начислени"_s);
        G->SetCells(First + 1, 2, u"получени"_s);
        G->SetCells(First + 2, 2, u"дължими"_s);
        for (int K = 0; K < 3; ++K)
            G->SetColWidths(First + K, 100);
        Merged += Format(u"%d,1,%d,1|"_s, {First, First + 2});
    }
    for (int C = 1; C <= Last; ++C)
        G->ColAttributes(C)->SetFormatter(ValueFormatter);
    G->SetMergeCellsStr(Merged);
    G->SetCol(0);
    G->Loaded();
}

bool TfrmPogasitelen_plan::Init() {
    const bool Result = TMAccountReadForm::Init();
    ShowCaption(u"Погасителен план"_s);
    for (int C = pcBalance; C < PlanColumns; ++C)
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    // The daily rate keeps its seven decimals.
    AmountFormatter->SetPrecision(ShownRateDigits);
    Grid->ColAttributes(pcRate)->SetFormatter(AmountFormatter);
    labPref_code->clear();
    try {
        if (!GetOwnersList(this, leOwner)) return Result;
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return Result;
    }
    ShowLastOwner(leOwner);
    PrintSettingsName = u"frmPogasitelen_plan_print_settings"_s;
    for (int C = 2; C <= 4; ++C)
        Grid_Ednokratni_taxi->ColAttributes(C)->SetFormatter(ValueFormatter);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    return Result;
}

bool TfrmPogasitelen_plan::Done() {
    RememberOwner(leOwner);
    return TMAccountReadForm::Done();
}

QString TfrmPogasitelen_plan::GetReportTitle() {
    return QString();
}

void TfrmPogasitelen_plan::ClearGrids() {
    ClearGrid(Grid, 0);
    ClearGrid(Grid_Ednokratni_taxi, 0);
    SetDailyFeeLayout(nullptr);
    ClearGrid(Grid_Dnevni_taxi, 0);
}

void TfrmPogasitelen_plan::OwnerChanged() {
    ClearGrids();
    BuildContractList();
}

void TfrmPogasitelen_plan::BuildContractList() {
    leContract->clear();
    QString Code;
    FormatEGN(leOwner->text().trimmed(), Code);
    TDelimitedStringList List;
    try {
        RunQuery(this, AdoConnection, PlanContractListSql(StrToIntOrZero(Code)), &List);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return;
    }
    FillListEdit(leContract, u"Договор@Вещ@Сериен номер@Срок"_s, List, 0);
    labPref_code->setText(ListEditLookup(leOwner, 0, 2, Code));
}

void TfrmPogasitelen_plan::ContractChanged(bool Confirmed) {
    const QString Text = leContract->text().trimmed();
    pnlSN->setText(ListEditLookup(leContract, 0, 2, Text));
    feDuration->SetValue(StrToFloatDot(ListEditLookup(leContract, 0, 3, Text), 0));
    if (!Confirmed) ClearGrids();
}

bool TfrmPogasitelen_plan::Execute() {
    TMAccountReadForm::Execute();
    ClearGrids();
    const QString Text = leContract->text().trimmed();
    // Only a contract of the borrower's list: its plan is figured on the borrower's bands and fees.
    if (ListEditLookup(leContract, 0, 0, Text).isEmpty()) return false;
    const qint64 DocNo = StrToIntOrZero(Text);
    TDelimitedStringList List;
    RunQuery(this, AdoConnection,
             Format(uR"sql(SELECT date_c FROM Contracts WHERE docno = %f)sql"_s, {double(DocNo)}), &List);
    if (List.Count() != 1) return false;
    TDateTime DateC = 0;
    if (!TryStrToDate(List.GetField(0, 0), DateC)) return false;
    const int Days = int(std::max(0.0, RoundToDigits(0, feDuration->Value())));

    TDelimitedStringList Rows;
    PlanDayRows(DateC, Days, Rows);
    const struct {
        const char16_t* Sql;
        int Col;
        const char* Message;
    } Payments[] = {
        {uR"sql(Select date_d, sum_o From Outcomes Where ( contract_n = %f and payment_type = 1 ))sql",
         pcPayout, "Плащане на дата %s, сума %s не може да бъде отразено в погасителния план."},
        {uR"sql(Select date_d, sum_o From Incomes Where ( contract_n = %f and payment_type = 1 ))sql",
         pcPrincipal,
         "Вноска по главницата на дата %s, сума %s не може да бъде отразено в погасителния план."},
        {uR"sql(Select date_d, sum_o From Incomes Where ( contract_n = %f and payment_type = 2 ))sql",
         pcInterestPaid,
         "Вноска по лихвите на дата %s, сума %s не може да бъде отразено в погасителния план."},
    };
    for (const auto& Payment : Payments) {
        RunQuery(this, AdoConnection, Format(QString::fromUtf16(Payment.Sql), {double(DocNo)}), &List);
        for (const QString& Message :
             AddPlanPayments(Rows, List, Payment.Col, QString::fromUtf8(Payment.Message)))
            ShowErrorFmt(Message);
    }
    PlanBalances(Rows);

    // The rows are figured on every day; the filter only narrows what is shown.
    const auto Show = [this](TDelimitedStringList& Figured) {
        TDelimitedStringList Shown;
        Shown.SetTextStr(Figured.GetTextStr());
        ApplyFilterToRows(&Shown);
        LoadGridFromList(Grid, &Shown, true);
    };
    const int PrefCode = int(StrToIntOrZero(labPref_code->text().trimmed()));
    TDelimitedStringList Bands;
    RunQuery(this, AdoConnection, InterestBandsSql(PrefCode), &Bands);
    if (Bands.Count() == 0) {
        Show(Rows);
        ShowErrorFmt(u"Не е зададена лихвена схема за клиент с префернциялен код %d."_s, {PrefCode});
        return false;
    }
    PlanInterest(Rows, Bands);
    PlanTotals(Rows);
    Show(Rows);

    const double FirstBalance = Days > 0 ? StrToFloatDot(Rows.GetField(0, pcBalance), 0) : 0;
    TDelimitedStringList Fees, FeeRows;
    QString FeeText;
    double Total = 0;
    CalcOneTimeFees(this, PrefCode, Fees, RoundToDigits(AmountDecimals, FirstBalance), FeeText, Total);
    PlanOneTimeFeeRows(this, DocNo, Fees, FeeRows);
    LoadGridFromList(Grid_Ednokratni_taxi, &FeeRows, true);

    CalcDailyFees(this, PrefCode, Days, FirstBalance, Fees, FeeText, Total);
    if (Fees.Count() > 0) {
        SetDailyFeeLayout(&Fees);
        PlanDailyFeeRows(this, DocNo, PrefCode, Rows, Fees, FeeRows);
        LoadGridFromList(Grid_Dnevni_taxi, &FeeRows, true);
    }
    return true;
}
