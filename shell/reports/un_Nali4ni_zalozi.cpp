#include "shell/reports/un_Nali4ni_zalozi.h"

#include "Components/Grids/CellFormatters.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"

#include <QCoreApplication>
#include <QFrame>
#include <QSet>
#include <cmath>

using namespace Qt::StringLiterals;

void PledgesOnHandRows(QObject* Owner, TDelimitedStringList& Rows) {
    Rows.Clear();
    // The term runs from the latest interest payment made by today, else from the contract's date.
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Contracts.EGN, Owners.Three_names, Contracts.code_i, Items.SN, Item_types.Name_i_t,
               Contracts.docno, Contracts.date_c, Contracts.Sum_c, Contracts.Duration,
               Coalesce(%s, Contracts.date_c) AS Base_day
        FROM Owners
             INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                         INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
             ON Owners.EGN = Contracts.EGN
        WHERE ( Contracts.Finished = False) AND ( Contracts.sold = False )
    )sql"_s,
                    {RenewalDaySql(u"Contracts.docno"_s, QString::number(qint64(std::floor(Date()))))}),
             &Rows);
    for (int R = 0; R < Rows.Count(); ++R) {
        const QString Base = Rows.GetField(R, 9);
        Rows.SetField(R, 9,
                      Base.isEmpty() ? QString()
                                     : DateToStr(TDateTime(ContractDueDay(
                                           StrToIntOrZero(Base), StrToIntOrZero(Rows.GetField(R, 8))))));
        Rows.SetField(R, 8, u"заложена"_s);
    }

    TDelimitedStringList Sold;
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT Items_sales.contract_n
        FROM Items_sales
        WHERE (((Items_sales.payment_type)=2))
    )sql"_s,
             &Sold);
    QSet<QString> SoldNumbers;
    for (int R = 0; R < Sold.Count(); ++R)
        SoldNumbers.insert(Sold.GetField(R, 0));

    TDelimitedStringList Bought;
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT Items_purchases.EGN, Owners.Three_names, Items_purchases.code_i, Items.SN,
               Item_types.Name_i_t, Items_purchases.docno, Items_purchases.date_d, Items_purchases.sum_s
        FROM Item_types
             INNER JOIN (Items
                         INNER JOIN (Owners INNER JOIN Items_purchases ON Owners.EGN = Items_purchases.EGN)
                         ON Items.code_i = Items_purchases.code_i)
             ON Item_types.code_i_t = Items.code_i_t
    )sql"_s,
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

TfrmNali4ni_zalozi::TfrmNali4ni_zalozi(QWidget* Owner)
    : TReportForm(Owner, {.Name = u"frmNali4ni_zalozi"_s,
                          .Caption = u"Налични залози"_s,
                          .Period = false,
                          .Progress = true,
                          .PrintSettings = u"frmNali4ni_zalozi_print_settings"_s}) {
    pnlParams->hide();
    SetupColumns({{u"Заемополучател"_s, u"ЕГН"_s},
                  {QString(), u"Имена"_s},
                  {u"Вещ"_s, u"Шифър"_s},
                  {QString(), u"Наименование"_s},
                  {QString(), u"Спецификация"_s},
                  {u"Договор"_s, u"Номер"_s},
                  {QString(), u"Дата"_s},
                  {u"Сума по"_s, u"договор"_s},
                  {u"Вещта е"_s, QString()},
                  {u"Дата на"_s, u"падеж"_s}},
                 u"0,0,1,0|2,0,4,0|5,0,6,0|8,0,8,1"_s);
}

bool TfrmNali4ni_zalozi::Init() {
    const bool Result = TReportForm::Init();
    FormatColumns({7}, ValueFormatter);
    return Result;
}

void TfrmNali4ni_zalozi::LoadRows(int, int, TDelimitedStringList& Rows) {
    PledgesOnHandRows(this, Rows);
}
