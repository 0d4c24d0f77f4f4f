#include "business/un_Owners.h"

#include "business/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

using namespace Qt::StringLiterals;

namespace {

QString Bool(bool Value) {
    return Value ? u"True"_s : u"False"_s;
}

} // namespace

QString OwnerKeyText(double EGN) {
    QString Result;
    FormatEGN(QString::number(WholeKey(EGN)), Result);
    return Result;
}

QString OwnersSelectSql(const QString& NameField) {
    return u"SELECT * FROM Owners ORDER BY "_s + NameField;
}

void FormatOwnerRows(TDelimitedStringList& List) {
    for (int i = 0; i < List.Count(); ++i) {
        QString EGN;
        FormatEGN(List.GetField(i, 0), EGN);
        List.SetField(i, 0, EGN);
        List.SetField(i, 6, List.GetField(i, 6) == u"True"_s ? u"Мъж"_s : u"Жена"_s);
        List.SetField(i, 7, List.GetField(i, 7) == u"True"_s ? u"да"_s : u"не"_s);
    }
}

QStringList OwnerDisplayRow(const TOwnerEntry& Entry) {
    return {OwnerKeyText(Entry.EGN),
            Entry.Three_names,
            Entry.town,
            Entry.address,
            Entry.telephone,
            Entry.GSM,
            Entry.is_male ? u"Мъж"_s : u"Жена"_s,
            Entry.is_married ? u"да"_s : u"не"_s,
            QString::number(Entry.pref_code),
            Entry.lk_nomer,
            Entry.lk_izdadena_na,
            Entry.lk_ot_MVR,
            Entry.current_address};
}

QString OwnerInsertSql(const QString& TableName, const TOwnerEntry& Entry) {
    return Format(u"Insert into %s values ( %d, \"%s\", \"%s\", \"%s\", \"%s\", \"%s\", %s, %s, %d, \"%s\", "
                  u"\"%s\", \"%s\", \"%s\")"_s,
                  {TableName, WholeKey(Entry.EGN), SqlText(Entry.Three_names.trimmed()),
                   SqlText(Entry.town.trimmed()), SqlText(Entry.address.trimmed()),
                   SqlText(Entry.telephone.trimmed()), SqlText(Entry.GSM.trimmed()), Bool(Entry.is_male),
                   Bool(Entry.is_married), Entry.pref_code, SqlText(Entry.lk_nomer.trimmed()),
                   SqlText(Entry.lk_izdadena_na.trimmed()), SqlText(Entry.lk_ot_MVR.trimmed()),
                   SqlText(Entry.current_address.trimmed())});
}

QString OwnerUpdateSql(const QString& TableName, const QString& NameField, const QString& KeyField,
                       const TOwnerEntry& Entry, qint64 Key) {
    return Format(
        u"Update %s Set %s = \"%s\", %s = \"%s\",     %s = \"%s\", %s = \"%s\",     %s = \"%s\", "
        u"%s = %s,     %s =  %s,  %s = %d,     %s = \"%s\", %s = \"%s\",     %s = \"%s\", %s = \"%s\"  "
        u"Where ( %s = %d )"_s,
        {TableName,
         NameField,
         SqlText(Entry.Three_names),
         u"town"_s,
         SqlText(Entry.town),
         u"address"_s,
         SqlText(Entry.address),
         u"telephone"_s,
         SqlText(Entry.telephone),
         u"GSM"_s,
         SqlText(Entry.GSM),
         u"is_male"_s,
         Bool(Entry.is_male),
         u"is_married"_s,
         Bool(Entry.is_married),
         u"pref_code"_s,
         Entry.pref_code,
         u"lk_nomer"_s,
         SqlText(Entry.lk_nomer.trimmed()),
         u"lk_izdadena_na"_s,
         SqlText(Entry.lk_izdadena_na.trimmed()),
         u"lk_ot_MVR"_s,
         SqlText(Entry.lk_ot_MVR.trimmed()),
         u"current_address"_s,
         SqlText(Entry.current_address.trimmed()),
         KeyField,
         Key});
}

QString OwnerDeleteSql(const QString& TableName, const QString& KeyField, double EGN) {
    return Format(u"Delete * from %s Where %s = %f"_s, {TableName, KeyField, EGN});
}

QString ValidateOwnerInput(const TOwnerEntry& Entry, const TGridRows& Rows) {
    QString Result;
    if (Entry.EGN != 0 && !Entry.Three_names.isEmpty()) {
        const QString KeyText = OwnerKeyText(Entry.EGN);
        for (const QStringList& Row : Rows) {
            if (Row.value(0) == KeyText) Result += CodeTakenMessage(KeyText);
            if (Row.value(1) == Entry.Three_names) Result += NameTakenMessage(Entry.Three_names);
        }
    }
    if (Entry.EGN == 0) Result += u"Въведете ЕГН\n\r"_s;
    if (Entry.Three_names.isEmpty()) Result += u"Въведете наименование!\n\r"_s;
    if (Entry.lk_nomer.trimmed().isEmpty() || Entry.lk_izdadena_na.trimmed().isEmpty() ||
        Entry.lk_ot_MVR.trimmed().isEmpty())
        Result += u"Въведете данни за лична карта\n\r"_s;
    return Result;
}
