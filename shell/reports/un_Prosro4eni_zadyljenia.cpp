#include "shell/reports/un_Prosro4eni_zadyljenia.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/DocumentForm.h"
#include "business/documents/unCashOrders.h"
#include "business/documents/un_Contracts.h"
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

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString KindRegistryName = u"frmProsro4eni_zadyljenia_rgType_of_Obligation"_s;
const QString Yes = u"да"_s;
const QString No = u"не"_s;
const QString TotalsText = u"Общо:"_s;
const QString BaseMergeCells =
    u"0,0,0,1|1,0,1,1|2,0,3,0|4,0,6,0|7,0,9,0|10,0,10,1|12,0,14,0|15,0,15,1|16,0,17,0|18,0,19,0|20,0,21,0|"
    "22,0,24,0|"_s;
const QString KindItems[4] = {u"Всички"_s, u"Просрочени"_s, u"Закрити"_s, u"Налични"_s};

qint64 DayNumber(TDateTime Value) {
    return qint64(std::floor(Value));
}

// The columns summed in the totals row: the money of the debt and every fee column.
bool IsSummed(int Col) {
    return (Col >= dfPaidOut && Col <= dfTotalDebt) || Col >= DebtFieldCount;
}

} // namespace

QString ObligationContractsSql(int Kind, const QString& OwnerText, TDateTime AtDate) {
    QStringList Parts;
    const qint64 AtDay = DayNumber(AtDate);
    // Open at the at-date: not redeemed or sold, or only after it. Closed ones are told by their
    // rows, which say the same of every date.
    if (Kind == okOverdue || Kind == okOnHand)
        Parts << Format(uR"sql(
            ( ( Contracts.Finished = False ) OR ( Contracts.at_date >= %d ) )
            AND ( ( Contracts.Sold = False ) OR ( Contracts.sold_at_date >= %d ) )
        )sql"_s,
                        {AtDay + 1, AtDay + 1})
                     .trimmed();
    if (!OwnerText.trimmed().isEmpty())
        Parts << Format(u"( Contracts.EGN = %d )"_s,
                        {qint64(std::llround(StrToFloatDot(OwnerText.trimmed(), 0)))});
    Parts << Format(u"Contracts.date_c <= %d"_s, {AtDay});
    return Format(uR"sql(
        SELECT Contracts.docno
        FROM Contracts
        WHERE %s
        ORDER BY Contracts.docno
    )sql"_s,
                  {Parts.join(u" AND "_s)});
}

bool KeepObligationRow(int Kind, const TDelimitedStringList& Rows, int Row) {
    const bool Open = Rows.GetField(Row, dfFinished) == No && Rows.GetField(Row, dfSold) == No;
    switch (Kind) {
    case okOverdue:
        return Open && Rows.GetField(Row, dfOverdue) == Yes;
    case okOnHand:
        return Open;
    case okClosed:
        return !Open;
    default:
        return true;
    }
}

void BuildObligationRows(QObject* Owner, const QStringList& DocNos, TDateTime AtDate, int Kind,
                         TDelimitedStringList& Rows, QStringList& Skipped) {
    Rows.Clear();
    Skipped.clear();
    QPointer<QObject> Receiver(Owner);
    const int Count = int(DocNos.size());
    std::vector<QString> Figured(Count);
    std::vector<QString> Failures(Count);
    int Done = 0, ShownPercent = 0;
    CalculateContractDebts(Owner, DocNos, AtDate, [&](int Index, const QString& Row, const QString& Failure) {
        Figured[Index] = Row;
        Failures[Index] = Failure;
        const int Percent = int(std::lround(++Done * 100.0 / (Count + 1)));
        if (Percent > ShownPercent) {
            ShownPercent = Percent;
            PostEventTo(Receiver, new TProgressEvent(Percent, 100));
            QCoreApplication::processEvents();
        }
    });
    Rows.SetCapacity(Count);
    for (int I = 0; I < Count; ++I) {
        if (!Failures[I].isEmpty()) {
            Skipped << Format(u"договор %s: %s"_s, {DocNos[I], Failures[I]});
            continue;
        }
        const int At = Rows.Add(Figured[I]);
        if (!KeepObligationRow(Kind, Rows, At)) Rows.Delete(At);
    }
}

void ReadObligationRows(QObject* Owner, int Kind, const QString& OwnerText, TDateTime AtDate,
                        TDelimitedStringList& Rows, QStringList& Skipped) {
    TDelimitedStringList Contracts;
    RunQuery(Owner, AdoConnection, ObligationContractsSql(Kind, OwnerText, AtDate), &Contracts);
    QStringList DocNos;
    DocNos.reserve(Contracts.Count());
    for (int R = 0; R < Contracts.Count(); ++R)
        DocNos << Contracts.GetField(R, 0);
    Contracts.Clear();
    BuildObligationRows(Owner, DocNos, AtDate, Kind, Rows, Skipped);
}

QString SkippedContractsMessage(const QStringList& Skipped) {
    return DebtFailuresMessage(u"Справката не включва %s, чието задължение не може да се изчисли:"_s,
                               Skipped);
}

void AppendObligationTotals(TDelimitedStringList& Rows, int ColCount) {
    std::vector<qint64> Sums(ColCount, 0);
    for (int R = 0; R < Rows.Count(); ++R) {
        const QString Record = Rows.Get(R);
        const QStringView View(Record);
        qsizetype Start = 0;
        for (int C = 0; C < ColCount; ++C) {
            qsizetype End = View.indexOf(FieldDelimiterChar, Start);
            if (End < 0) End = View.size();
            if (IsSummed(C)) Sums[C] += CentsOf(View.mid(Start, End - Start));
            if (End == View.size()) break;
            Start = End + 1;
        }
    }
    QStringList Fields(ColCount);
    Fields[0] = MarkerChar + TotalsText;
    for (int C = 1; C < ColCount; ++C)
        if (IsSummed(C)) Fields[C] = ScaledToFixedStr(Sums[C], AmountDecimals);
    Rows.Add(Fields.join(FieldDelimiterChar));
}

QString ForSaleSql(qint64 DocNo, TDateTime Today) {
    return Format(uR"sql(
        UPDATE Contracts
        SET for_sale = True, for_sale_date = %d
        WHERE ( docno = %d )
    )sql"_s,
                  {DayNumber(Today), DocNo});
}

QString FeeColumnCaption(const QString& CodeT, const QString& NameT, bool Once) {
    return CodeT + u" - "_s + NameT + (Once ? u" (еднократна такса)"_s : u" (дневна такса)"_s);
}

bool ContractAsShown(QObject* Owner, const QStringList& Cells) {
    TDateTime DateC = 0;
    TryStrToDate(Cells.value(dfDateC), DateC);
    TDelimitedStringList Stored;
    RunQuery(
        Owner, AdoConnection,
        Format(uR"sql(
        SELECT docno FROM Contracts
         WHERE ( docno = %d ) AND ( date_c = %d ) AND ( EGN = %d ) AND ( code_i = %d )
           AND ( Abs( IfNull( ( SELECT Sum( sum_o ) FROM Outcomes
                                 WHERE ( contract_n = %d ) AND ( payment_type = 1 ) ), 0 ) - %f ) < 0.005 )
    )sql"_s,
               {StrToIntOrZero(Cells.value(dfDocNo).trimmed()), DayNumber(DateC),
                Whole(StrToFloatDot(Cells.value(dfEGN), 0)), StrToIntOrZero(Cells.value(dfCodeI).trimmed()),
                StrToIntOrZero(Cells.value(dfDocNo).trimmed()), StrToFloatDot(Cells.value(dfPaidOut), 0)}),
        &Stored);
    return Stored.Count() > 0;
}

QString RowChangedRefusal(QObject* Owner, qint64 Number, const QStringList& Cells, TDateTime AtDate) {
    QString Row, Failure;
    TDelimitedStringList OneTimeFees, DailyFees;
    // Quietly: it runs inside Save's write.
    if (!ContractDebtQuietly(Owner, QString::number(Number), Row, AtDate, OneTimeFees, DailyFees, Failure))
        return Failure.isEmpty() ? Format(u"Договор номер %d е изтрит междувременно."_s, {Number}) : Failure;
    const QStringList Now = Row.split(FieldDelimiterChar);
    if (Now == Cells) return QString();
    for (int Field = 0; Field < std::max(Now.size(), Cells.size()); ++Field)
        if ((IsSummed(Field) || Field == dfLastInterestDate || Field == dfLastInterestAmount) &&
            Now.value(Field) != Cells.value(Field))
            return Format(u"Плащанията по договор номер %d са променени междувременно."_s, {Number});
    return Format(u"Договор номер %d е променен междувременно."_s, {Number});
}

TDateTime PaidAfter(QObject* Owner, qint64 Number, TDateTime After) {
    TDelimitedStringList Receipts;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT date_d FROM Incomes
         WHERE ( contract_n = %d ) AND ( date_d > %d )
           AND ( payment_type = 1 OR payment_type = 2 OR payment_type > 5 )
         ORDER BY date_d DESC
    )sql"_s,
                    {Number, DayNumber(After)}),
             &Receipts);
    return Receipts.Count() > 0 ? StrToDateOr(Receipts.GetField(0, 0), 0) : 0;
}

QString PaidSinceRefusal(qint64 Number, TDateTime Paid) {
    return Format(u"По договор номер %d е направено плащане на %s."_s, {Number, DateToStr(Paid)});
}

QString DeclarationRefusal(qint64 Number, const TContractState& State) {
    if (State.Finished)
        return Format(u"Договор номер %d е откупен на %s."_s, {Number, DateToStr(State.RedeemedAt)});
    if (State.Sold) return Format(u"Договор номер %d е продаден на %s."_s, {Number, DateToStr(State.SoldAt)});
    if (State.ForSale)
        return Format(u"Договор номер %d е обявен за продажба на %s."_s,
                      {Number, DateToStr(State.ForSaleAt)});
    return QString();
}

// ---------------------------------------------------------------------------------------------
// The window

TfrmProsro4eni_zadyljenia::TfrmProsro4eni_zadyljenia(QWidget* Owner)
    : TReportForm(Owner, {.Name = u"frmProsro4eni_zadyljenia"_s,
                          .Caption = u"Задължения"_s,
                          .Period = false,
                          .Progress = true,
                          .PrintSettings = u"frmPogasitelen_plan_print_settings"_s}) {
    QWidget* P = pnlParams;
    QGridLayout* L = ParamsLayout;
    L->setVerticalSpacing(3);

    rgType_of_Obligation = new QGroupBox(u" Видове задължения "_s, P);
    rgType_of_Obligation->setObjectName(u"rgType_of_Obligation"_s);
    auto* Kinds = new QHBoxLayout(rgType_of_Obligation);
    FKinds = new QButtonGroup(rgType_of_Obligation);
    for (int K = 0; K < 4; ++K) {
        auto* Button = new QRadioButton(KindItems[K], rgType_of_Obligation);
        FKinds->addButton(Button, K);
        Kinds->addWidget(Button);
    }
    FKinds->button(okAll)->setChecked(true);

    // Typed as the report periods are: what is typed stays, a text that makes no date is refused.
    dtp_To = new TMADateEdit(P);
    dtp_To->setObjectName(u"dtp_To"_s);
    dtp_To->setFixedWidth(100);

    pnlOwner = new QLabel(P);
    pnlOwner->setObjectName(u"pnlOwner"_s);
    pnlOwner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlOwner->setMinimumWidth(260);
    leOwner = new TListEdit(P);
    leOwner->setObjectName(u"leOwner"_s);
    leOwner->SetDescrControl(pnlOwner);
    leOwner->SetDescrColumn(1);
    leOwner->setMaxLength(30);
    leOwner->setFixedWidth(120);

    btnForSale = new QPushButton(u"За продажба"_s, P);
    btnForSale->setObjectName(u"btnForSale"_s);

    L->addWidget(rgType_of_Obligation, 0, 0, 1, 4);
    L->addWidget(new QLabel(u"Към дата:"_s, P), 0, 4);
    L->addWidget(dtp_To, 0, 5);
    L->addWidget(btnForSale, 0, 6);
    L->addWidget(new QLabel(u"Заемополучател:"_s, P), 1, 0);
    L->addWidget(leOwner, 1, 1);
    L->addWidget(pnlOwner, 1, 2);
    L->addWidget(
        new QLabel(u"Ако не е избран заемополучател, извеждат\nсе данни за всички заемополучатели."_s, P), 1,
        3, 1, 4);
    L->setColumnStretch(7, 1);
    FitParams();

    connect(FKinds, &QButtonGroup::idClicked, this, [this](int) { ParametersChanged(); });
    connect(dtp_To, &QLineEdit::textChanged, this, [this] { ParametersChanged(); });
    leOwner->OnChange = [this](QWidget*) { ParametersChanged(); };
    leOwner->OnBitButtonClick = [this](QWidget*) { GetOwnersList(this, leOwner); };
    connect(btnForSale, &QPushButton::clicked, this,
            [this] { RunAction(nullptr, false, [this] { DeclareForSale(); }); });

    actDelete->setEnabled(true);
    actSave->setEnabled(true);

    SetupColumns({{u"Договор"_s, QString()},
                  {u"Дата"_s, QString()},
                  {u"Заемполучател"_s, u"ЕГН"_s},
                  {QString(), u"Имена"_s},
                  {u"Суми по главницата"_s, u"изплатени"_s},
                  {QString(), u"получени"_s},
                  {QString(), u"дължими"_s},
                  {u"Лихви"_s, u"начислени"_s},
                  {QString(), u"получени"_s},
                  {QString(), u"дължими"_s},
                  {u"Салдо"_s, QString()},
                  {u"Срок на"_s, u"договора"_s},
                  {u"Последно плащане на лихви"_s, u"дата"_s},
                  {QString(), u"сума"_s},
                  {QString(), u"брой дни"_s},
                  {u"Просрочен"_s, QString()},
                  {u"Откуп"_s, u"да/не"_s},
                  {QString(), u"дата"_s},
                  {u"За продажба"_s, u"да/не"_s},
                  {QString(), u"дата"_s},
                  {u"Продадена вещ"_s, u"да/не"_s},
                  {QString(), u"дата"_s},
                  {u"Вещ"_s, u"шифър"_s},
                  {QString(), u"наименование"_s},
                  {QString(), u"спецификация"_s},
                  {u"Следващ"_s, u"падеж"_s}},
                 BaseMergeCells);
}

int TfrmProsro4eni_zadyljenia::ObligationKind() const {
    return std::max(FKinds->checkedId(), 0);
}

void TfrmProsro4eni_zadyljenia::SetObligationKind(int Kind) {
    if (QAbstractButton* Button = FKinds->button(Kind)) Button->setChecked(true);
}

bool TfrmProsro4eni_zadyljenia::Init() {
    const bool Result = TReportForm::Init();
    for (int C = dfPaidOut; C <= dfTotalDebt; ++C)
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(dfLastInterestAmount)->SetFormatter(ValueFormatter);
    for (int C : {int(dfDuration), 14, 15, 16, 17, 18, 19, 20, 21})
        Grid->ColAttributes(C)->SetAlignment({caCenter});
    dtp_To->SetDate(Date());
    // "Налични" is not brought back: the window reopens on all contracts then.
    const QString Stored = ReadRegString(KindRegistryName).trimmed();
    bool IsNumber = false;
    const int Kind = Stored.toInt(&IsNumber);
    SetObligationKind(IsNumber && Kind >= okAll && Kind <= okClosed ? Kind : okAll);
    try {
        if (GetOwnersList(this, leOwner)) leOwner->setText(ReadRegString(u"Last_EGN"_s));
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
    }
    return Result;
}

bool TfrmProsro4eni_zadyljenia::Done() {
    WriteRegString(KindRegistryName, QString::number(ObligationKind()));
    RememberOwner(leOwner);
    return TReportForm::Done();
}

bool TfrmProsro4eni_zadyljenia::Reset() {
    const bool Result = TReportForm::Reset();
    TDelimitedStringList Once, Daily;
    for (auto [Fees, IsOnce] : {std::pair{&Once, u"True"_s}, std::pair{&Daily, u"False"_s}})
        RunQuery(this, AdoConnection,
                 Format(uR"sql(
            SELECT code_t, name_t
            FROM Taxes
            WHERE is_once = %s
            ORDER BY code_t
        )sql"_s,
                        {IsOnce}),
                 Fees);
    QString Merged = BaseMergeCells;
    Grid->SetMergeCellsStr(QString());
    Grid->SetColCount(DebtFieldCount + 3 * (Once.Count() + Daily.Count()));
    int First = DebtFieldCount;
    for (const auto* Fees : {&Once, &Daily})
        for (int F = 0; F < Fees->Count(); ++F, First += 3) {
            Grid->SetCells(First, 0,
                           FeeColumnCaption(Fees->GetField(F, 0), Fees->GetField(F, 1), Fees == &Once));
            Grid->SetCells(First + 1, 0, QString());
            Grid->SetCells(First + 2, 0, QString());
            Grid->SetCells(First, 1, u"начислени"_s);
            Grid->SetCells(First + 1, 1, u"получени"_s);
            Grid->SetCells(First + 2, 1, u"дължими"_s);
            for (int K = 0; K < 3; ++K) {
                Grid->SetColWidths(First + K, 90);
                Grid->ColAttributes(First + K)->SetFormatter(ValueFormatter);
            }
            Merged += Format(u"%d,0,%d,0|"_s, {First, First + 2});
        }
    Grid->SetMergeCellsStr(Merged);
    // The columns take the width of their texts when the report is loaded.
    for (int C = 0; C < Grid->ColCount(); ++C)
        Grid->ColAttributes(C)->SetAutoResize(true);
    Grid->Loaded();
    return Result;
}

void TfrmProsro4eni_zadyljenia::LoadRows(int, int, TDelimitedStringList& Rows) {
    FRowsAt = dtp_To->Date();
    ReadObligationRows(this, ObligationKind(), leOwner->text(), FRowsAt, Rows, FSkipped);
    AppendObligationTotals(Rows, Grid->ColCount());
}

bool TfrmProsro4eni_zadyljenia::Execute() {
    FSkipped.clear();
    const bool Loaded = TReportForm::Execute();
    // Told after the rows are shown, so the operator sees what the report does hold.
    if (!FSkipped.isEmpty()) ShowWarningFmt(SkippedContractsMessage(FSkipped));
    return Loaded;
}

bool TfrmProsro4eni_zadyljenia::DoExecute() {
    const auto Drop = [this] {
        PendingSql.clear();
        FQueued.clear();
    };
    if (const auto Answered = AskBeforeReload([this] { return DoSave(); }, Drop)) return *Answered;
    return TReportForm::DoExecute();
}

bool TfrmProsro4eni_zadyljenia::DoSave() {
    // Before the controls are disabled, whose leaving the edit would tell the operator twice.
    if (dtp_To->CheckedDate() == 0) return false;
    return TReportForm::DoSave();
}

bool TfrmProsro4eni_zadyljenia::Save() {
    if (!TReportForm::Save()) return false;
    if (!PendingSql.isEmpty()) SignInIfUnsigned(this, UserName);
    // The queue keeps its statements unsigned; a failed Save leaves them so.
    const QStringList Unsigned = PendingSql;
    int Refused = -1;
    const bool Written = SaveQueued(this, [this, &Refused] {
        if (QString Refusal = UnsignedWriteRefusal(this, UserName); !Refusal.isEmpty()) return Refusal;
        for (int I = 0; I < FQueued.size(); ++I)
            if (const QString Refusal = RecheckQueued(FQueued[I]); !Refusal.isEmpty()) {
                Refused = I;
                QString Text = Format(FQueued[I].Delete
                                          ? u"%s\nИзтриването на договор номер %d е отменено."_s
                                          : u"%s\nОбявяването за продажба на договор номер %d е отменено."_s,
                                      {Refusal, FQueued[I].Number});
                if (PendingSql.size() > FQueued[I].Statements.size())
                    Text += u" Останалото може да бъде записано с F2."_s;
                return Text;
            }
        // A declaration is dated the day it is written, which may be after the day it was clicked.
        const TDateTime SaveDay = Date();
        for (const TQueuedContract& Contract : FQueued)
            if (!Contract.Delete)
                if (const qsizetype At = PendingSql.indexOf(Contract.Statements.value(0)); At >= 0)
                    PendingSql[At] = ForSaleSql(Contract.Number, SaveDay);
        // The re-booking orders are signed by whoever is signed in as they are written.
        PendingSql = SignedStatements(this, PendingSql, UserName);
        return QString();
    });
    if (!Written) {
        PendingSql = Unsigned;
        if (Refused >= 0) {
            const TQueuedContract Contract = FQueued.takeAt(Refused);
            for (const QString& Sql : Contract.Statements)
                PendingSql.removeOne(Sql);
            ShowUnqueued(Contract);
        }
        return false;
    }
    FQueued.clear();
    Reload();
    return true;
}

bool TfrmProsro4eni_zadyljenia::Delete() {
    if (!TReportForm::Delete()) return false;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return false;
    const qint64 Before = PendingSql.size();
    const qint64 Number = StrToIntOrZero(Grid->Cells(0, Row).trimmed());
    const QStringList Shown = Grid->Rows(Row);
    DeleteContract(this, OperatorMark, Grid->Cells(0, Row), Grid->Cells(1, Row), *this, Grid, Row);
    if (PendingSql.size() > Before) {
        FQueued.append(
            {.Number = Number, .Statements = PendingSql.mid(Before), .Delete = true, .Row = Shown});
        ShowTotals();
    }
    return true;
}

QString TfrmProsro4eni_zadyljenia::RecheckQueued(const TQueuedContract& Contract) {
    const TContractState State = ReadContractState(this, Contract.Number);
    if (!State.Stored) return Format(u"Договор номер %d е изтрит междувременно."_s, {Contract.Number});
    // Another window may have edited it, or deleted it and let a new contract take its number.
    if (!ContractAsShown(this, Contract.Row))
        return Format(u"Договор номер %d е променен междувременно."_s, {Contract.Number});
    if (Contract.Delete) {
        const QString Uses = ContractUseText(this, Contract.Number);
        return Uses.isEmpty() ? QString() : ContractInUseMessage(Contract.Number, Uses);
    }
    // Another window may have redeemed, sold or declared it since it was shown, or taken a payment
    // on it that renews it.
    if (QString Refusal = DeclarationRefusal(Contract.Number, State); !Refusal.isEmpty()) return Refusal;
    // A day may have begun since the click: what was paid on it is not in the row figured then.
    if (const TDateTime Paid = PaidAfter(this, Contract.Number, Contract.TodayAt); Paid != 0)
        return PaidSinceRefusal(Contract.Number, Paid);
    if (QString Refusal = RowChangedRefusal(this, Contract.Number, Contract.Row, Contract.AtDate);
        !Refusal.isEmpty())
        return Refusal;
    return RowChangedRefusal(this, Contract.Number, Contract.Today, Contract.TodayAt);
}

void TfrmProsro4eni_zadyljenia::ShowUnqueued(const TQueuedContract& Contract) {
    const int Totals = TotalsRow();
    if (Totals < 0) return;
    if (!Contract.Delete) {
        for (int R = Grid->FixedRows(); R < Totals; ++R)
            if (StrToIntOrZero(Grid->Cells(dfDocNo, R).trimmed()) == Contract.Number)
                Grid->SetRows(R, Contract.Row);
        return;
    }
    if (!ContractAsShown(this, Contract.Row)) return;
    // Back in its place by number, above the totals row, which moves down with its colour.
    int At = Grid->FixedRows();
    while (At < Totals && StrToIntOrZero(Grid->Cells(dfDocNo, At).trimmed()) < Contract.Number)
        ++At;
    Grid->SetRowCount(Grid->RowCount() + 1);
    for (int R = Grid->RowCount() - 1; R > At; --R)
        Grid->SetRows(R, Grid->Rows(R - 1));
    Grid->SetRows(At, Contract.Row);
    Grid->SetCells(0, Totals + 1, MarkerChar + Grid->Cells(0, Totals + 1));
    ColorTotalsRows(Grid);
    ShowTotals();
}

int TfrmProsro4eni_zadyljenia::TotalsRow() const {
    for (int R = Grid->RowCount() - 1; R >= Grid->FixedRows(); --R)
        if (Grid->Cells(dfDocNo, R) == TotalsText) return R;
    return -1;
}

void TfrmProsro4eni_zadyljenia::ShowTotals() {
    const int Totals = TotalsRow();
    if (Totals < 0) return;
    TDelimitedStringList Rows;
    for (int R = Grid->FixedRows(); R < Totals; ++R)
        if (!Grid->Cells(dfDocNo, R).trimmed().isEmpty()) Rows.Add(Grid->Rows(R).join(FieldDelimiterChar));
    AppendObligationTotals(Rows, Grid->ColCount());
    const QStringList Sums = Rows.Get(Rows.Count() - 1).split(FieldDelimiterChar);
    for (int C = 1; C < Sums.size(); ++C)
        Grid->SetCells(C, Totals, Sums[C]);
}

bool TfrmProsro4eni_zadyljenia::CloseQuery() {
    if (!TReportForm::CloseQuery()) return false;
    return MayClose([this] { return DoSave(); });
}

QString TfrmProsro4eni_zadyljenia::GetReportTitle() {
    return Format(u"видове задължения: \"%s\", към дата %s"_s,
                  {KindItems[ObligationKind()], DateToStr(dtp_To->Date())});
}

void TfrmProsro4eni_zadyljenia::DeclareForSale() {
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return;
    if (Grid->Cells(dfFinished, Row) != No || Grid->Cells(dfForSale, Row) != No ||
        Grid->Cells(dfSold, Row) != No)
        return;
    const QString DocNo = Grid->Cells(dfDocNo, Row);
    const qint64 Number = StrToIntOrZero(DocNo.trimmed());
    // A row of a past at-date shows the contract as it stood then.
    const TDateTime Today = Date();
    TContractState State;
    TDateTime Paid = 0;
    QString Now, Failure;
    TDelimitedStringList OneTimeFees, DailyFees;
    try {
        State = ReadContractState(this, Number);
        Paid = PaidAfter(this, Number, FRowsAt);
        ContractDebtQuietly(this, DocNo.trimmed(), Now, Today, OneTimeFees, DailyFees, Failure);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return;
    }
    // Paid since the row was figured, the contract may be renewed: the row no longer tells.
    QString Refusal = DeclarationRefusal(Number, State);
    if (Refusal.isEmpty() && Paid != 0) Refusal = PaidSinceRefusal(Number, Paid);
    if (!Refusal.isEmpty()) {
        ShowErrorFmt(Refusal);
        return;
    }
    if (ConfirmYesNoCancelFmt(u"Желаете ли да обявите за продажба вещ по договор %s/%s"_s,
                              {DocNo, Grid->Cells(dfDateC, Row)}) != mrYes)
        return;
    Queue({ForSaleSql(Number, Today)});
    FQueued.append({.Number = Number,
                    .Statements = {ForSaleSql(Number, Today)},
                    .Row = Grid->Rows(Row),
                    .AtDate = FRowsAt,
                    .Today = Now.split(FieldDelimiterChar),
                    .TodayAt = Today});
    Grid->SetCells(dfForSale, Row, Yes);
    Grid->SetCells(dfForSaleDate, Row, DateToStr(Today));
}

void TfrmProsro4eni_zadyljenia::ParametersChanged() {
    ClearRows();
}
