#include "shell/reports/un_Contracts_Spravka.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "business/printing/unWordTemplates.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unWait.h"
#include "shell/reports/un_Kasa.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int ContractColumns = 17;

QString Fixed(const QString& Text, int Digits) {
    return ScaledToFixedStr(RoundDecimal(DecimalOrZero(Text), Digits), Digits);
}

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
    RunQuery(
        Owner, AdoConnection,
        u"SELECT Contracts.docno,        Contracts.date_c,        Contracts.code_i,        "
        "Item_types.Name_i_t,        Items.SN,        Contracts.Sum_c,        Contracts.M_IR,        "
        "Contracts.Duration,        Contracts.date_c + Contracts.Duration - 1,        Contracts.EGN,        "
        "Owners.Three_names,        Contracts.Notes,        Contracts.Finished,        Contracts.At_Date,   "
        "     Contracts.At_Date,        Contracts.gramaj,        Contracts.short_term,        "
        "Contracts.Ednokratni_taxi,        Contracts.Dnevni_taxi FROM Owners INNER JOIN ((Item_types INNER "
        "JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER JOIN Contracts ON Items.code_i = "
        "Contracts.code_i) ON Owners.EGN = Contracts.EGN "_s +
            Format(u"WHERE ( Contracts.date_c >= %d AND Contracts.date_c <= %d )"_s, {From, To}) +
            u" ORDER BY Contracts.docno"_s,
        &List);
    qint64 Sums = 0, Returns = 0, Grams = 0;
    for (int R = 0; R < List.Count(); ++R) {
        auto F = [&](int C) { return List.GetField(R, C); };
        QStringList Row(ContractColumns);
        for (int C : {0, 1, 2, 3, 4, 6, 7, 8, 10, 11, 15})
            Row[C] = F(C);
        Row[5] = Fixed(F(5), AmountDecimals);
        FormatEGN(F(9), Row[9]);
        const bool Redeemed = F(12) == u"True"_s;
        Row[12] = Redeemed ? u"да"_s : u"не"_s;
        Row[13] = Redeemed ? F(13) : QString();
        Row[14] = FloatToStrDot(-1, ContractReturnAmount(F(5), F(6), F(7), F(17), F(18)));
        Row[16] = F(16) == u"True"_s ? u"да"_s : u"не"_s;
        Sums += RoundDecimal(DecimalOrZero(Row[5]), AmountDecimals);
        Returns += RoundDecimal(DecimalOrZero(Row[14]), AmountDecimals);
        Grams += RoundDecimal(DecimalOrZero(Row[15]), QuantityDecimals);
        Rows.Add(Row.join(u'@'));
    }
    QStringList Total(ContractColumns);
    Total[0] = u"¤Общо:"_s;
    Total[5] = ScaledToFixedStr(Sums, AmountDecimals);
    Total[14] = ScaledToFixedStr(Returns, AmountDecimals);
    Total[15] = ScaledToFixedStr(Grams, QuantityDecimals);
    Rows.Add(Total.join(u'@'));
}

// ---- the shape the chronological lists share

TSpravkaForm::TSpravkaForm(QWidget* Owner, const QString& Prefix, const QString& PrintCaption)
    : TMAccountReadForm(Owner), FPrefix(Prefix) {
    setObjectName(Prefix);
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    AddReportDates(pnlParams, L, 0, dtp_From, dtp_To);
    btnPrint = new QPushButton(PrintCaption, pnlParams);
    btnPrint->setObjectName(u"btnPrint"_s);
    L->addWidget(btnPrint, 0, 5);
    L->setColumnStretch(4, 1);
    pnlParams->setFixedHeight(L->sizeHint().height());
    for (TMADateEdit* E : {dtp_From, dtp_To})
        connect(E, &QLineEdit::textChanged, this, [this] { ClearGrid(Grid, 0); });

    ctrl_F9 = new QAction(PrintCaption, this);
    ctrl_F9->setObjectName(u"ctrl_F9"_s);
    ctrl_F9->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F9));
    ctrl_F9->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ctrl_F9);
    connect(ctrl_F9, &QAction::triggered, this, [this] { PrintDocument(); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { PrintDocument(); });
}

void TSpravkaForm::SetupGrid(const QList<QStringList>& Headers, const QList<int>& Widths,
                             const QString& Merged) {
    Grid->SetColCount(int(Widths.size()));
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(int(Headers.size()));
    Grid->SetRowCount(int(Headers.size()) + 1);
    for (int R = 0; R < Headers.size(); ++R)
        for (int C = 0; C < Headers[R].size(); ++C)
            Grid->SetCells(C, R, Headers[R][C]);
    for (int C = 0; C < Widths.size(); ++C)
        Grid->SetColWidths(C, Widths[C]);
    if (!Merged.isEmpty()) Grid->SetMergeCellsStr(Merged);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TSpravkaForm::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    ReadReportDates(FPrefix, dtp_From, dtp_To);
    return Result;
}

bool TSpravkaForm::Done() {
    WriteReportDates(FPrefix, dtp_From, dtp_To);
    return TMAccountReadForm::Done();
}

bool TSpravkaForm::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    Container()->setWindowTitle(FormCaption);
    pnlCaption->setText(FormCaption.toUpper());
    return Result;
}

bool TSpravkaForm::Execute() {
    TMAccountReadForm::Execute();
    const TDateTime From = dtp_From->Date(), To = dtp_To->Date();
    if (From <= 0 || To <= 0) return false;
    TDelimitedStringList Rows;
    try {
        LoadRows(int(std::floor(From)), int(std::floor(To)), Rows);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    return true;
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
    : TSpravkaForm(Owner, u"frmContracts_Spravka"_s, u"Печат на договор"_s) {
    SetupGrid({{u"Договор"_s, QString(), u"Вещ"_s, QString(), QString(), u"Сума"_s, u"Месечен"_s, u"Срок"_s,
                QString(), u"Заемополучател"_s, QString(), u"Пояснения"_s, u"Вещта"_s, QString(),
                u"Сума за"_s, u"Грамаж"_s, u"Краткосрочен"_s},
               {u"номер"_s, u"дата"_s, u"шифър"_s, u"наименование"_s, u"спецификация"_s, QString(),
                u"лихвен процент"_s, u"дни"_s, u"до дата"_s, u"ЕГН"_s, u"Собствено, бащино и фамилно име"_s,
                QString(), u"е откупена"_s, u"на дата"_s, u"връщане"_s, QString(), QString()}},
              {64, 49, 64, 90, 90, 42, 95, 41, 54, 37, 196, 72, 71, 54, 64, 64, 87},
              u"0,0,1,0|2,0,4,0|5,0,5,1|7,0,8,0|9,0,10,0|11,0,11,1|12,0,13,0|15,0,15,1|16,0,16,1|"_s);
    auto* Note =
        new QLabel(u"Сумата за връщане е изчислена към датата на сключване на договора."_s, pnlParams);
    static_cast<QGridLayout*>(pnlParams->layout())->addWidget(Note, 1, 0, 1, 6);
    pnlParams->setFixedHeight(pnlParams->layout()->sizeHint().height());
}

bool TfrmContracts_Spravka::Init() {
    const bool Result = TSpravkaForm::Init();
    for (int C : {5, 6, 14})
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(15)->SetFormatter(AmountFormatter);
    for (int C : {2, 7, 12, 16})
        Grid->ColAttributes(C)->SetAlignment({caCenter, caCenter});
    PrintSettingsName = u"frmContracts_print_settings"_s;
    return Result;
}

void TfrmContracts_Spravka::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    ContractsSpravkaRows(this, From, To, Rows);
}

void TfrmContracts_Spravka::PrintDocument() {
    if (!SelectedIsDocument()) return;
    const QStringList Cells = SelectedCells();
    TDelimitedStringList Owner, Operator, Premises;
    QString Shop;
    try {
        RunQuery(this, AdoConnection,
                 Format(u"Select * From Owners Where EGN = %f"_s, {StrToFloatDot(Cells[9], 0)}), &Owner);
        RunQuery(this, AdoConnection,
                 Format(u"Select three_names from users_passwords Where ( user_name = \"%s\" )"_s,
                        {SqlText(UserName)}),
                 &Operator);
        if (!ReadSettingVA1(this, Shop)) return;
        RunQuery(this, AdoConnection, u"Select value_va From va where code_va = 4"_s, &Premises);
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
