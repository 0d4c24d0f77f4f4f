#include "business/un_Simple_Nomenklatura.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <cmath>

using namespace Qt::StringLiterals;

qint64 WholeKey(double Value) {
    return std::llround(Value);
}

QString SimpleSelectSql(const QString& KeyField, const QString& NameField, const QString& TableName) {
    return Format(u"SELECT %s, %s FROM %s ORDER BY %s"_s, {KeyField, NameField, TableName, KeyField});
}

QString MaxKeySql(const QString& KeyField, const QString& TableName) {
    return Format(u"Select max( %s ) from %s"_s, {KeyField, TableName});
}

qint64 NextKey(const QString& MaxKeyText) {
    return WholeKey(StrToFloatDot(MaxKeyText, 0)) + 1;
}

QString SimpleInsertSql(const QString& TableName, qint64 Code, const QString& Name) {
    return Format(u"Insert into %s values ( %d, \"%s\" )"_s, {TableName, Code, SqlText(Name)});
}

QString SimpleUpdateSql(const QString& TableName, const QString& NameField, const QString& Name,
                        const QString& KeyField, qint64 Code) {
    return Format(u"Update %s Set %s = \"%s\" Where ( %s = %d )"_s,
                  {TableName, NameField, SqlText(Name), KeyField, Code});
}

QString SimpleDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code) {
    return Format(u"Delete * from %s Where %s = %d"_s, {TableName, KeyField, Code});
}

QString CodeTakenMessage(const QString& CodeText) {
    return Format(u"Шифър \"%s\" съществува в таблицата с данни!"_s, {CodeText}) + u"\n\r"_s;
}

QString NameTakenMessage(const QString& Name) {
    return Format(u"Наименование \"%s\" съществува в таблицата с данни!"_s, {Name}) + u"\n\r"_s;
}

QString ValidateSimpleInput(double Code, const QString& Name, const TGridRows& Rows) {
    QString Result;
    if (Code != 0 && !Name.isEmpty()) {
        const QString CodeText = FloatToStrDot(-1, Code);
        for (const QStringList& Row : Rows) {
            if (Row.value(0) == CodeText) Result += CodeTakenMessage(CodeText);
            if (Row.value(1) == Name) Result += NameTakenMessage(Name);
        }
    }
    if (Code == 0) Result += u"Въведете шифър.\n\r"_s;
    if (Name.isEmpty()) Result += u"Въведете наименование!\n\r"_s;
    return Result;
}

QString DeleteQuestion(const QString& RecordNoun, const QString& Key, const QString& Name) {
    return Format(u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s, {RecordNoun, Key, Name});
}

namespace {

// One kind of document or record that refers to a master-data table.
struct TReference {
    const char16_t* Table;  // the master-data table
    const char16_t* Sql;    // the referring numbers, "%d" the key
    const char16_t* Plural; // what they are, in the message
};

const TReference References[] = {
    {u"Item_types", u"Select code_i From Items Where code_i_t = %d Order By code_i", u"вещи"},
    {u"Items", u"Select docno From Contracts Where code_i = %d Order By docno", u"договори"},
    {u"Items", u"Select docno From Items_purchases Where code_i = %d Order By docno", u"покупки"},
    {u"Owners", u"Select docno From Contracts Where EGN = %d Order By docno", u"договори"},
    {u"Owners", u"Select docno From Items_purchases Where EGN = %d Order By docno", u"покупки"},
    {u"Owners", u"Select docno From Items_sales Where EGN = %d Order By docno", u"продажби"},
};

// At most this many numbers are listed per kind.
constexpr int ListedNumbers = 10;

} // namespace

QString RecordUseText(QObject* Owner, const QString& TableName, qint64 Key) {
    QStringList Uses;
    for (const TReference& Ref : References) {
        if (TableName.compare(QString::fromUtf16(Ref.Table), Qt::CaseInsensitive) != 0) continue;
        TDelimitedStringList List;
        RunQuery(Owner, AdoConnection, Format(QString::fromUtf16(Ref.Sql), {Key}), &List);
        if (List.Count() == 0) continue;
        QStringList Numbers;
        for (int i = 0; i < List.Count() && i < ListedNumbers; ++i)
            Numbers << List.GetField(i, 0);
        QString Use = QString::fromUtf16(Ref.Plural) + u" № "_s + Numbers.join(u", "_s);
        if (List.Count() > ListedNumbers) Use += Format(u" и още %d"_s, {List.Count() - ListedNumbers});
        Uses << Use;
    }
    return Uses.join(u"; "_s);
}

QString RecordInUseMessage(const QString& RecordNoun, const QString& Key, const QString& Name,
                           const QString& Uses) {
    return Format(u"Записът не може да бъде изтрит: %s \"%s\" - \"%s\" се използва в %s."_s,
                  {RecordNoun, Key, Name, Uses});
}
