#include "shell/reports/un_Contracts_Spravka.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/unWordTemplates.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unWait.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

constexpr int ContractColumns = 17;

} // namespace

double ContractReturnAmount(const QString& SumC, const QString& MIR, const QString& Duration,
                            const QString& OneTimeFees, const QString& DailyFees) {
    const double Sum = RoundToDigits(AmountDecimals, StrToFloatDot(SumC, 0));
    const double Rate = RoundToDigits(AmountDecimals, StrToFloatDot(MIR, 0));
    const double Days = RoundToDigits(0, StrToFloatDot(Duration, 0));
    const double DailyRate = RoundToDigits(7, Rate / 100 / 30);
    const double DailyInterest = RoundToDigits(2, DailyRate * Sum);
    return DailyInterest * Days + Sum + RoundToDigits(AmountDecimals, StrToFloatDot(OneTimeFees, 0)) +
           RoundToDigits(AmountDecimals, StrToFloatDot(DailyFees, 0));
}

void ContractsSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Contracts.docno, Contracts.date_c, Contracts.code_i, Item_types.Name_i_t, Items.SN,
               Contracts.Sum_c, Contracts.M_IR, Contracts.Duration, Contracts.date_c + Contracts.Duration - 1,
               Contracts.EGN, Owners.Three_names, Contracts.Notes, Contracts.Finished, Contracts.At_Date,
               Contracts.At_Date, Contracts.gramaj, Contracts.short_term, Contracts.Ednokratni_taxi,
               Contracts.Dnevni_taxi
        FROM Owners
             INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                         INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
             ON Owners.EGN = Contracts.EGN
        WHERE ( Contracts.date_c >= %d AND Contracts.date_c <= %d )
        ORDER BY Contracts.docno
    )sql"_s,
                    {From, To}),
             &List);
    for (int R = 0; R < List.Count(); ++R) {
        auto F = [&](int C) { return List.GetField(R, C); };
        QStringList Row(ContractColumns);
        for (int C : {0, 1, 2, 3, 4, 6, 7, 8, 10, 11, 15})
            Row[C] = F(C);
        Row[5] = RoundedText(F(5), AmountDecimals);
        FormatEGN(F(9), Row[9]);
        const bool Redeemed = F(12) == u"True"_s;
        Row[12] = Redeemed ? u"да"_s : u"не"_s;
        Row[13] = Redeemed ? F(13) : QString();
        Row[14] = FloatToStrDot(-1, ContractReturnAmount(F(5), F(6), F(7), F(17), F(18)));
        Row[16] = F(16) == u"True"_s ? u"да"_s : u"не"_s;
        Rows.Add(Row.join(u'@'));
    }
    AppendTotalsRow(Rows, ContractColumns,
                    {{5, AmountDecimals}, {14, AmountDecimals}, {15, QuantityDecimals}});
}

// ---- the shape the chronological lists share

TSpravkaForm::TSpravkaForm(QWidget* Owner, const TReportSetup& Setup, const QString& PrintCaption)
    : TReportForm(Owner, Setup) {
    btnPrint = new QPushButton(PrintCaption, pnlParams);
    btnPrint->setObjectName(u"btnPrint"_s);
    ParamsLayout->addWidget(btnPrint, 0, 5);
    FitParams();

    ctrl_F9 = MakeAction("ctrl_F9", PrintCaption, QString(), QKeySequence(Qt::CTRL | Qt::Key_F9), true);
    connect(ctrl_F9, &QAction::triggered, this,
            [this] { RunAction(ctrl_F9, true, [this] { PrintDocument(); }); });
    connect(btnPrint, &QPushButton::clicked, ctrl_F9, &QAction::trigger);
}

QStringList TSpravkaForm::SelectedCells() const {
    QStringList Cells;
    const int Row = Grid->Row();
    if (Row < Grid->FixedRows() || Row >= Grid->RowCount()) return Cells;
    for (int C = 0; C < Grid->ColCount(); ++C)
        Cells += Grid->Cells(C, Row);
    return Cells;
}

bool TSpravkaForm::SelectedIsDocument() const {
    const QStringList Cells = SelectedCells();
    if (Cells.isEmpty() || StrToIntOrZero(Cells[0].trimmed()) == 0) {
        ShowErrorFmt(u"Избраният ред не е за документ !"_s);
        return false;
    }
    return true;
}

// ---- pledge contracts

TfrmContracts_Spravka::TfrmContracts_Spravka(QWidget* Owner)
    : TSpravkaForm(Owner,
                   {.Name = u"frmContracts_Spravka"_s,
                    .DatesKey = u"frmContracts_Spravka"_s,
                    .PrintSettings = u"frmContracts_print_settings"_s,
                    .Rows = ContractsSpravkaRows},
                   u"Печат на договор"_s) {
    SetupColumns({{u"Договор"_s, u"номер"_s},
                  {QString(), u"дата"_s},
                  {u"Вещ"_s, u"шифър"_s},
                  {QString(), u"наименование"_s},
                  {QString(), u"спецификация"_s},
                  {u"Сума"_s, QString()},
                  {u"Месечен"_s, u"лихвен процент"_s},
                  {u"Срок"_s, u"дни"_s},
                  {QString(), u"до дата"_s},
                  {u"Заемополучател"_s, u"ЕГН"_s},
                  {QString(), u"Собствено, бащино и фамилно име"_s},
                  {u"Пояснения"_s, QString()},
                  {u"Вещта"_s, u"е откупена"_s},
                  {QString(), u"на дата"_s},
                  {u"Сума за"_s, u"връщане"_s},
                  {u"Грамаж"_s, QString()},
                  {u"Краткосрочен"_s, QString()}},
                 u"0,0,1,0|2,0,4,0|5,0,5,1|7,0,8,0|9,0,10,0|11,0,11,1|12,0,13,0|15,0,15,1|16,0,16,1|"_s);
    AddNote(u"Сумата за връщане е изчислена към датата на сключване на договора."_s, 1);
    FitParams();
}

bool TfrmContracts_Spravka::Init() {
    const bool Result = TSpravkaForm::Init();
    FormatColumns({5, 6, 14}, ValueFormatter);
    FormatColumns({15}, AmountFormatter);
    AlignColumns({2, 7, 12, 16}, {caCenter, caCenter});
    return Result;
}

void TfrmContracts_Spravka::PrintDocument() {
    if (!SelectedIsDocument()) return;
    const QStringList Cells = SelectedCells();
    try {
        SetStatusText(u" М о м е н т . . ."_s);
        const auto Clear = qScopeGuard([this] { SetStatusText(QString()); });
        TWaitGuard Wait;
        PrintContractDocument(this, int(StrToIntOrZero(Cells[0].trimmed())));
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
    } catch (const Exception& E) {
        ShowErrorBox(E.Message());
    }
}
