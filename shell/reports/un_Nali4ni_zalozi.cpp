#include "shell/reports/un_Nali4ni_zalozi.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSet>
#include <cmath>

using namespace Qt::StringLiterals;

void PledgesOnHandRows(QObject* Owner, TDelimitedStringList& Rows) {
    Rows.Clear();
    RunQuery(
        Owner, AdoConnection,
        u"SELECT Contracts.EGN,        Owners.Three_names,        Contracts.code_i,        Items.SN,        "
        "Item_types.Name_i_t,        Contracts.docno,        Contracts.date_c,        Contracts.Sum_c,       "
        " "
        "Contracts.Sum_c,        [Contracts.date_c]+[Contracts.Duration]-1 AS Padej FROM Owners INNER JOIN "
        "((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t) INNER JOIN Contracts ON "
        "Items.code_i = Contracts.code_i) ON Owners.EGN = Contracts.EGN WHERE ( Contracts.Finished = False) "
        "AND ( Contracts.sold = False ) "_s,
        &Rows);
    for (int R = 0; R < Rows.Count(); ++R)
        Rows.SetField(R, 8, u"заложена"_s);

    TDelimitedStringList Sold;
    RunQuery(Owner, AdoConnection,
             u"SELECT Items_sales.contract_n FROM Items_sales WHERE (((Items_sales.payment_type)=2))"_s,
             &Sold);
    QSet<QString> SoldNumbers;
    for (int R = 0; R < Sold.Count(); ++R)
        SoldNumbers.insert(Sold.GetField(R, 0));

    TDelimitedStringList Bought;
    RunQuery(
        Owner, AdoConnection,
        u"SELECT Items_purchases.EGN,        Owners.Three_names,        Items_purchases.code_i,        "
        "Items.SN,        Item_types.Name_i_t,        Items_purchases.docno,        Items_purchases.date_d,"
        "        Items_purchases.sum_s FROM Item_types INNER JOIN     (Items INNER JOIN     (Owners INNER "
        "JOIN Items_purchases     ON Owners.EGN = Items_purchases.EGN)     ON Items.code_i = "
        "Items_purchases.code_i)     ON Item_types.code_i_t = Items.code_i_t"_s,
        &Bought);
    for (int R = 0; R < Bought.Count(); ++R) {
        if (!SoldNumbers.contains(Bought.GetField(R, 5))) Rows.Add(Bought.Get(R) + u"@закупена"_s);
        if (Owner) {
            PostEventTo(Owner, new TProgressEvent(int(std::lround(R * 100.0 / Bought.Count())), 100));
            QCoreApplication::processEvents();
        }
    }
    for (int R = 0; R < Rows.Count(); ++R) {
        QString EGN;
        FormatEGN(Rows.GetField(R, 0), EGN);
        Rows.SetField(R, 0, EGN);
    }
}

TfrmNali4ni_zalozi::TfrmNali4ni_zalozi(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmNali4ni_zalozi"_s);
    pnlParams->hide();
    Grid->SetColCount(10);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    const QStringList Top{u"Заемополучател"_s, QString(), u"Вещ"_s,     QString(),    QString(),
                          u"Договор"_s,        QString(), u"Сума по"_s, u"Вещта е"_s, u"Дата на"_s};
    const QStringList Bottom{u"ЕГН"_s,   u"Имена"_s, u"Шифър"_s,   u"Наименование"_s, u"Спецификация"_s,
                             u"Номер"_s, u"Дата"_s,  u"договор"_s, QString(),         u"падеж"_s};
    const int Widths[10] = {100, 50, 55, 92, 91, 52, 42, 71, 64, 64};
    for (int C = 0; C < 10; ++C) {
        Grid->SetCells(C, 0, Top[C]);
        Grid->SetCells(C, 1, Bottom[C]);
        Grid->SetColWidths(C, Widths[C]);
    }
    Grid->SetMergeCellsStr(u"0,0,1,0|2,0,4,0|5,0,6,0|8,0,8,1"_s);
    Grid->SetAutoResizeCols(true);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TfrmNali4ni_zalozi::Init() {
    const bool Result = TMAccountReadForm::Init();
    const QString Caption = u"Налични залози"_s;
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
    SetHeaderSorting(true);
    PrintSettingsName = u"frmNali4ni_zalozi_print_settings"_s;
    Grid->ColAttributes(7)->SetFormatter(ValueFormatter);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    return Result;
}

bool TfrmNali4ni_zalozi::Execute() {
    TMAccountReadForm::Execute();
    TDelimitedStringList Rows;
    try {
        PledgesOnHandRows(this, Rows);
    } catch (const EDatabaseError& E) {
        PostEventTo(this, new TProgressEvent(0, 100));
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    PostEventTo(this, new TProgressEvent(0, 100));
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    return true;
}

QString TfrmNali4ni_zalozi::GetReportTitle() {
    return QString();
}
