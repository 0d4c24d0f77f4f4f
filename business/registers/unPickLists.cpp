#include "business/registers/unPickLists.h"

#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/engine/unConsts.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"
#include "framework/forms/MAccountStatusForm.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScopeGuard>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString PledgedForSaleSql = uR"sql(
    SELECT Contracts.docno, Item_types.Name_i_t, Items.SN, Items.SN, Items.SN, Items.SN
      FROM Owners
           INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                       INNER JOIN Contracts ON Items.code_i = Contracts.code_i)
           ON Owners.EGN = Contracts.EGN
     WHERE ( Contracts.for_sale = True ) and ( Contracts.sold = False ) and ( Contracts.finished = False )
     ORDER BY Contracts.docno)sql"_s;
const QString UnsoldPurchasesSql = uR"sql(
    SELECT Items_purchases.docno, Items_purchases.date_d, Items_purchases.code_i, Items.SN,
           Item_types.Name_i_t, Items_purchases.sum_s
      FROM Owners
           INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                       INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
           ON Owners.EGN = Items_purchases.EGN
     WHERE ( Items_purchases.sold = False )
     ORDER BY Items_purchases.docno)sql"_s;
const QString ItemsSql = uR"sql(
    SELECT Items.code_i, Item_types.Name_i_t, Items.SN
      FROM Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t
     ORDER BY Item_types.Name_i_t, Items.SN)sql"_s;
const QString ItemSql = uR"sql(
    SELECT Items.code_i, Item_types.Name_i_t, Items.SN
      FROM Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t
     WHERE ( Items.code_i = %d ))sql"_s;
const QString ItemsHeader = u"Шифър@Наименование@сериен номер"_s;
const QString AllPurchasesSql = uR"sql(
    SELECT Items_purchases.docno, Items_purchases.date_d, Items_purchases.code_i, Items.SN,
           Item_types.Name_i_t, Items_purchases.sum_s
      FROM Owners
           INNER JOIN ((Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t)
                       INNER JOIN Items_purchases ON Items.code_i = Items_purchases.code_i)
           ON Owners.EGN = Items_purchases.EGN)sql"_s;
const QString OwnersSql = uR"sql(Select EGN, Three_names, pref_code FROM Owners ORDER BY Three_names)sql"_s;
const QString OwnerSql = uR"sql(Select EGN, Three_names, pref_code FROM Owners WHERE ( EGN = %d ))sql"_s;
const QString TaxesSql = uR"sql(SELECT code_t, name_t, is_once FROM Taxes ORDER BY code_t)sql"_s;
const QString VehiclesSql = uR"sql(SELECT code_MPS, marka, model, reg_nomer FROM MPS ORDER BY code_MPS)sql"_s;
const QString VehicleSql =
    uR"sql(SELECT code_MPS, marka, model, reg_nomer FROM MPS WHERE ( code_MPS = %d ))sql"_s;

const QString PurchasesHeader = u"Договор@Дата@Шифър@Вещ@Тип@Сума"_s;

// Fields of the pledged rows: contract, item type, serial number and the amount owed.
constexpr int SaleAmountField = 3;
constexpr int SaleFieldCount = 4;
// The price of a purchase row.
constexpr int PurchaseSumField = 5;

// Owners are listed by their personal number padded to 10 digits.
void PadOwnerCodes(TDelimitedStringList& List) {
    for (int r = 0; r < List.Count(); ++r) {
        QString EGN;
        FormatEGN(List.GetField(r, 0), EGN);
        List.SetField(r, 0, EGN);
    }
}

// A code the list lacks is read from the register with RowSql (the code in place of its %d), as
// Prepare makes the list's rows; a failing query is shown, and the code stays missing.
void TakeMissingCodes(QObject* Owner, TCustomListEdit* ListEdit, const QString& RowSql,
                      void (*Prepare)(TDelimitedStringList&) = nullptr) {
    ListEdit->OnMissingCode = [Receiver = QPointer<QObject>(Owner), RowSql, Prepare](const QString& Code) {
        bool IsNumber = false;
        const qint64 Key = Code.toLongLong(&IsNumber);
        if (!IsNumber || Key <= 0) return QStringList();
        TDelimitedStringList Rows;
        try {
            RunQuery(Receiver, AdoConnection, Format(RowSql, {Key}), &Rows);
        } catch (const EDatabaseError& E) {
            ShowDatabaseError(E.Message(), E.Sql());
            return QStringList();
        }
        if (Prepare) Prepare(Rows);
        return Rows.Count() > 0 ? Rows.Get(0).split(Rows.FieldDelimiter()) : QStringList();
    };
}

void FormatAmountField(TDelimitedStringList& List, int Field) {
    for (int r = 0; r < List.Count(); ++r)
        List.SetField(r, Field, FormatAmount(StrToFloatDot(List.GetField(r, Field), 0)));
}

void AlignColumn(TCustomListEdit* ListEdit, int Col, TCellAlign Align) {
    ListEdit->Form()->Grid()->ColAttributes(Col)->SetAlignment({Align, caCenter});
}

bool FillPurchases(TCustomListEdit* ListEdit, TDelimitedStringList& List) {
    FormatAmountField(List, PurchaseSumField);
    FillListEdit(ListEdit, PurchasesHeader, List, 0);
    AlignColumn(ListEdit, 3, caLeft);
    AlignColumn(ListEdit, 4, caLeft);
    AlignColumn(ListEdit, PurchaseSumField, caRight);
    return true;
}

// Fills in the amounts of the pledged rows, reporting progress to the owner window: the
// outstanding principal, or with the workstation option the whole debt. A contract whose debt
// cannot be computed keeps an empty amount and is named in one message at the end.
void ComputeSaleAmounts(QObject* Owner, TDelimitedStringList& List) {
    const bool TotalDebt = WorkstationOptionOn(rg_Registry_4);
    QPointer<QObject> Receiver(Owner);
    QPointer<TMAccountStatusForm> StatusForm(qobject_cast<TMAccountStatusForm*>(Owner));
    if (StatusForm)
        StatusForm->SetStatusText(
            u" Извличане на договори за залог, за които вещите са обявени за продажба"_s);
    const auto Done = qScopeGuard([&] {
        PostEventTo(Receiver, new TProgressEvent(0, 100));
        if (StatusForm) StatusForm->SetStatusText(QString());
    });
    PostEventTo(Receiver, new TProgressEvent(0, 100));
    const int Count = List.Count();
    int Figured = 0;
    const auto Progress = [&] {
        PostEventTo(Receiver, new TProgressEvent(int(std::nearbyint(++Figured * 100.0 / (Count + 1))), 100));
        QCoreApplication::processEvents();
    };
    if (!TotalDebt) {
        // Two grouped statements for the whole list, not two for each of its contracts.
        const QHash<qint64, qint64> Principals = OutstandingPrincipals(Owner, uR"sql(
            SELECT docno FROM Contracts
            WHERE ( for_sale = True ) and ( sold = False ) and ( finished = False )
        )sql"_s);
        for (int r = 0; r < Count; ++r) {
            bool IsNumber = false;
            const qint64 Contract = List.GetField(r, 0).trimmed().toLongLong(&IsNumber);
            if (IsNumber)
                List.SetField(r, SaleAmountField, FormatAmount(double(Principals.value(Contract)) / 100.0));
        }
        return;
    }
    QStringList DocNos;
    for (int r = 0; r < Count; ++r)
        DocNos << List.GetField(r, 0);
    QStringList Failures;
    CalculateContractDebts(Owner, DocNos, Now(), [&](int Index, const QString& Row, const QString& Failure) {
        Progress();
        if (Failure.isEmpty())
            List.SetField(Index, SaleAmountField,
                          FormatAmount(StrToFloatDot(GetPiece(Row, FieldDelimiterChar, dfTotalDebt), 0)));
        else
            Failures << Format(u"договор %s: %s"_s, {DocNos[Index], Failure});
    });
    if (!Failures.isEmpty())
        ShowWarningFmt(DebtFailuresMessage(
            u"Сумата не е показана за %s, чието задължение не може да се изчисли:"_s, Failures));
}

} // namespace

bool ExtractContractsForSale(QObject* Owner, bool Pledged, TCustomListEdit* ListEdit) {
    ListEdit->clear();
    TDelimitedStringList List;
    if (!Pledged) {
        RunQuery(Owner, AdoConnection, UnsoldPurchasesSql, &List);
        return FillPurchases(ListEdit, List);
    }
    RunQuery(Owner, AdoConnection, PledgedForSaleSql, &List);
    // The query repeats the serial number where the amount goes; a row whose amount is not
    // computed must show none rather than the serial number as a price.
    for (int r = 0; r < List.Count(); ++r) {
        List.SetRowFieldCount(r, SaleFieldCount);
        List.SetField(r, SaleAmountField, QString());
    }
    ComputeSaleAmounts(Owner, List);
    FillListEdit(ListEdit, u"Договор@Вещ@Сериен номер@Сума"_s, List, 0);
    AlignColumn(ListEdit, SaleAmountField, caRight);
    return true;
}

bool GetItemsList(QObject* Owner, TCustomListEdit* ListEdit) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, ItemsSql, &List);
    FillListEdit(ListEdit, ItemsHeader, List, 0);
    TakeMissingCodes(Owner, ListEdit, ItemSql);
    return true;
}

void StartItemsList(QObject* Owner, TCustomListEdit* ListEdit) {
    FillListEdit(ListEdit, ItemsHeader, TDelimitedStringList(), 0);
    TakeMissingCodes(Owner, ListEdit, ItemSql);
}

bool GetUnsoldPurchasesList(QObject* Owner, TCustomListEdit* ListEdit) {
    ListEdit->clear();
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, AllPurchasesSql, &List);
    return FillPurchases(ListEdit, List);
}

bool GetOwnersList(QObject* Owner, TCustomListEdit* ListEdit) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, OwnersSql, &List);
    PadOwnerCodes(List);
    FillListEdit(ListEdit, u"ЕГН@Собствено, бащино и фамилно име@Преференция"_s, List, 0);
    TakeMissingCodes(Owner, ListEdit, OwnerSql, PadOwnerCodes);
    return true;
}

bool GetTaxesList(QObject* Owner, TCustomListEdit* ListEdit) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, TaxesSql, &List);
    for (int r = 0; r < List.Count(); ++r)
        List.SetField(r, 2, List.GetField(r, 2) == u"True" ? u"да"_s : u"не"_s);
    FillListEdit(ListEdit, u"Шифър@Наименование@Еднократна"_s, List, 0);
    return true;
}

bool GetVehiclesList(QObject* Owner, TCustomListEdit* ListEdit) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, VehiclesSql, &List);
    FillListEdit(ListEdit, u"Шифър@марка@модел@държ. рег. N:"_s, List, 0);
    TakeMissingCodes(Owner, ListEdit, VehicleSql);
    return true;
}

bool GetPaymentTypesList(QObject* Owner, TCustomListEdit* ListEdit) {
    TDelimitedStringList List;
    for (const QString& Row :
         {u"1@вноска по главница"_s, u"2@вноска по лихва"_s, u"3@вноска на собственик"_s,
          u"4@приход от продажба на заложена вещ"_s, u"5@приход от продажба на закупена вещ"_s})
        List.Add(Row);
    TDelimitedStringList Taxes;
    RunQuery(Owner, AdoConnection, TaxesSql, &Taxes);
    for (int r = 0; r < Taxes.Count(); ++r) {
        const QString Kind = Taxes.GetField(r, 2) == u"True" ? u"еднократна такса "_s : u"дневна такса "_s;
        List.Add(Format("%d@%s", {FeePaymentType(int(StrToIntOrZero(Taxes.GetField(r, 0)))),
                                  Kind + Taxes.GetField(r, 1)}));
    }
    FillListEdit(ListEdit, u"Шифър@Наименование"_s, List, 0);
    return true;
}
