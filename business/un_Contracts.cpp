#include "business/un_Contracts.h"

#include "business/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <cmath>

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
        if (From <= Sum && To >= Sum) {
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
