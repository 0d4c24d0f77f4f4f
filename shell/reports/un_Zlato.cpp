#include "shell/reports/un_Zlato.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "shell/reports/un_Kasa.h"

#include <QGridLayout>
#include <QLabel>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int GramDecimals = 3;
constexpr int ShownPriceDecimals = 4;

// One statement of the report: the column (0-based among the nine after the label) it adds to
// (Sign 1) or takes from (Sign -1), in grams or in money. A sale falls in a period by its own
// date, pledged or bought alike: by the contract's date a pledge sold in the period would vanish
// from both the stock at the start and the sales.
struct TGoldSum {
    const char* Sql;
    int Column; // 0-based among the nine columns
    int Sign;
    bool Grams;
};

const TGoldSum GoldSums[] = {
    {"SELECT Sum(Contracts.gramaj) AS SumOfgramaj FROM Contracts WHERE ( date_c < %d ) and ( gramaj > 0 )", 0,
     1, true},
    {"SELECT Sum(Contracts.sum_c) AS SumOfsum_c FROM Contracts WHERE ( date_c < %d ) and ( gramaj > 0 )", 0,
     1, false},
    {"SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj FROM Items_purchases WHERE ( date_d < %d ) and ( "
     "gramaj "
     "> 0 )",
     1, 1, true},
    {"SELECT Sum(Items_purchases.sum_s) AS SumOfsum_s FROM Items_purchases WHERE ( date_d < %d ) and ( "
     "gramaj > "
     "0 )",
     1, 1, false},
    {"SELECT Sum(Contracts.gramaj) AS SumOfgramaj FROM Contracts INNER JOIN Items_sales ON Contracts.docno = "
     "Items_sales.contract_n WHERE (((Items_sales.payment_type)=1) AND ((Items_sales.date_d)<%d)) HAVING "
     "(((Sum(Contracts.gramaj))>0))",
     0, -1, true},
    {"SELECT Sum(Items_sales.sum_s) AS SumOfsum_s FROM Contracts INNER JOIN Items_sales ON Contracts.docno = "
     "Items_sales.contract_n WHERE (((Items_sales.payment_type)=1) AND ((Items_sales.date_d)<%d) AND "
     "((Contracts.gramaj)>0))",
     0, -1, false},
    {"SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj FROM Items_purchases INNER JOIN Items_sales ON "
     "Items_purchases.docno = Items_sales.contract_n WHERE ( Items_sales.payment_type = 2 ) AND ( "
     "Items_sales.date_d < %d ) HAVING (((Sum(Items_purchases.gramaj))>0))",
     1, -1, true},
    {"SELECT Sum(Items_sales.sum_s) AS SumOfsum_s FROM Items_purchases INNER JOIN Items_sales ON "
     "Items_purchases.docno = Items_sales.contract_n WHERE (((Items_sales.payment_type)=2) AND "
     "((Items_sales.date_d)<%d) AND ((Items_purchases.gramaj)>0))",
     1, -1, false},
    {"SELECT Sum(Contracts.gramaj) AS SumOfgramaj FROM Contracts WHERE ( finished = true ) and ( at_date < "
     "%d ) "
     "and( gramaj > 0 )",
     0, -1, true},
    {"SELECT Sum(Contracts.sum_c) AS SumOfsum_c FROM Contracts WHERE ( finished = true ) and ( at_date < %d "
     ") "
     "and( gramaj > 0 )",
     0, -1, false},
    {"SELECT Sum(Contracts.gramaj) AS SumOfgramaj FROM Contracts WHERE ( date_c >= %d ) and ( date_c <= %d ) "
     "and( gramaj > 0 )",
     2, 1, true},
    {"SELECT Sum(Contracts.sum_c) AS SumOfsum_c FROM Contracts WHERE ( date_c >= %d ) and ( date_c <= %d ) "
     "and( "
     "gramaj > 0 )",
     2, 1, false},
    {"SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj FROM Items_purchases WHERE ( date_d >= %d ) and ( "
     "date_d <= %d ) and( gramaj > 0 )",
     3, 1, true},
    {"SELECT Sum(Items_purchases.sum_s) AS SumOfsum_s FROM Items_purchases WHERE ( date_d >= %d ) and ( "
     "date_d "
     "<= %d ) and( gramaj > 0 )",
     3, 1, false},
    {"SELECT Sum(Contracts.gramaj) AS SumOfgramaj FROM Contracts INNER JOIN Items_sales ON Contracts.docno = "
     "Items_sales.contract_n WHERE (((Items_sales.payment_type)=1) AND ( Items_sales.date_d >= %d ) AND ( "
     "(Items_sales.date_d) <= %d ) ) HAVING (((Sum(Contracts.gramaj))>0))",
     4, 1, true},
    {"SELECT Sum(Items_sales.sum_s) AS SumOfsum_s FROM Contracts INNER JOIN Items_sales ON Contracts.docno = "
     "Items_sales.contract_n WHERE ( Items_sales.payment_type = 1 ) AND ( Items_sales.date_d >= %d ) AND ( "
     "Items_sales.date_d <= %d ) AND ( Contracts.gramaj > 0 )",
     4, 1, false},
    {"SELECT Sum(Items_purchases.gramaj) AS SumOfgramaj FROM Items_purchases INNER JOIN Items_sales ON "
     "Items_purchases.docno = Items_sales.contract_n WHERE (((Items_sales.payment_type)=2) AND ( "
     "Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d ) )HAVING "
     "(((Sum(Items_purchases.gramaj))>0))",
     5, 1, true},
    {"SELECT Sum(Items_sales.sum_s) AS SumOfsum_s FROM Items_purchases INNER JOIN Items_sales ON "
     "Items_purchases.docno = Items_sales.contract_n WHERE (((Items_sales.payment_type)=2) AND ( "
     "Items_sales.date_d >= %d ) AND ( Items_sales.date_d <= %d ) AND ((Items_purchases.gramaj)>0))",
     5, 1, false},
    {"SELECT Sum(Contracts.gramaj) AS SumOfgramaj FROM Contracts WHERE ( finished = true ) and ( at_date >= "
     "%d ) "
     "and ( at_date <= %d ) and( gramaj > 0 )",
     6, 1, true},
    {"SELECT Sum(Contracts.sum_c) AS SumOfsum_c FROM Contracts WHERE ( finished = true ) and ( at_date >= %d "
     ") "
     "and ( at_date <= %d ) and( gramaj > 0 )",
     6, 1, false},
};

} // namespace

void GoldRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    // Grams in thousandths, money in the money decimals; columns as shown, 0-based.
    qint64 Grams[9] = {}, Money[9] = {};
    for (const TGoldSum& S : GoldSums) {
        const QString Sql = QString::fromUtf8(S.Sql);
        const QString Bound = Sql.count(u"%d"_s) == 2 ? Format(Sql, {From, To}) : Format(Sql, {From});
        const qint64 V = QuerySum(Owner, Bound, S.Grams ? GramDecimals : AmountDecimals);
        (S.Grams ? Grams : Money)[S.Column] += S.Sign * V;
    }
    for (qint64* A : {Grams, Money}) {
        A[7] = A[0] + A[2] - A[4] - A[6];
        A[8] = A[1] + A[3] - A[5];
    }
    QStringList Amount{u"Количество"_s}, Price{u"Цена"_s}, Value{u"Стойност"_s};
    for (int C = 0; C < 9; ++C) {
        Amount += ScaledToFixedStr(Grams[C], GramDecimals);
        Value += ScaledToFixedStr(Money[C], AmountDecimals);
        const double G = Grams[C] / 1000.0, M = Money[C] / std::pow(10.0, AmountDecimals);
        Price +=
            FloatToFixedStr(ShownPriceDecimals, Grams[C] == 0 ? 0 : RoundToDigits(ShownPriceDecimals, M / G));
    }
    Rows.Add(Amount.join(u'@'));
    Rows.Add(Price.join(u'@'));
    Rows.Add(Value.join(u'@'));
}

TfrmZlato::TfrmZlato(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmZlato"_s);
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    AddReportDates(pnlParams, L, 0, dtp_From, dtp_To);
    L->setColumnStretch(4, 1);
    pnlParams->setFixedHeight(L->sizeHint().height());
    for (TMADateEdit* E : {dtp_From, dtp_To})
        connect(E, &QLineEdit::textChanged, this, [this] { ClearGrid(Grid, 0); });

    Grid->SetColCount(10);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    const QStringList Top{u"Вид"_s,       u"Налично"_s, QString(),     u"Заприходено"_s, QString(),
                          u"Продадено"_s, QString(),    u"Откупено"_s, u"Остатък"_s,     QString()};
    const int Widths[10] = {59, 66, 63, 82, 63, 72, 63, 66, 66, 64};
    for (int C = 0; C < 10; ++C) {
        Grid->SetCells(C, 0, Top[C]);
        Grid->SetCells(C, 1, C == 0 || C == 7 ? QString() : (C % 2 == 1 ? u"заложено"_s : u"закупено"_s));
        Grid->SetColWidths(C, Widths[C]);
    }
    Grid->SetMergeCellsStr(u"0,0,0,1|1,0,2,0|3,0,4,0|5,0,6,0|7,0,7,1|8,0,9,0|"_s);
    Grid->ColAttributes(0)->SetAlignment({caLeft, caCenter});
    Grid->SetAutoResizeCols(true);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TfrmZlato::Init() {
    const bool Result = TMAccountReadForm::Init();
    const QString Caption = u"Справка - злато"_s;
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
    SetHeaderSorting(true);
    PrintSettingsName = u"frmZlato_print_settings"_s;
    ReadReportDates(u"frmKasa"_s, dtp_From, dtp_To);
    return Result;
}

bool TfrmZlato::Done() {
    WriteReportDates(u"frmKasa"_s, dtp_From, dtp_To);
    return TMAccountReadForm::Done();
}

bool TfrmZlato::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    DoExecute();
    return Result;
}

bool TfrmZlato::Execute() {
    TMAccountReadForm::Execute();
    const TDateTime From = dtp_From->Date(), To = dtp_To->Date();
    if (From <= 0 || To <= 0) return false;
    TDelimitedStringList Rows;
    try {
        GoldRows(this, int(std::floor(From)), int(std::floor(To)), Rows);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    TFloatFormatter* Formatters[3] = {AmountFormatter, PriceFormatter, ValueFormatter};
    // The label column keeps its text.
    for (int R = 0; R < 3 && 2 + R < Grid->RowCount(); ++R)
        for (int C = 1; C < Grid->ColCount(); ++C)
            Grid->CellAttributes(C, 2 + R)->SetFormatter(Formatters[R]);
    return true;
}

QString TfrmZlato::GetReportTitle() {
    return Format(u"от дата %s до дата %s"_s, {DateToStr(dtp_From->Date()), DateToStr(dtp_To->Date())});
}
