#include "business/un_Items.h"

#include "core/unDatabase.h"
#include "core/unNumbers.h"

using namespace Qt::StringLiterals;

const QString ItemsSelectSql =
    u"SELECT Items.code_i,        Items.SN,        Item_types.Name_i_t FROM Item_types INNER JOIN Items ON "
    u"Item_types.code_i_t = Items.code_i_t ORDER BY Items.SN "_s;
const QString ItemTypesListSql = u"SELECT code_i_t, name_i_t FROM Item_types ORDER BY name_i_t"_s;
const QString ItemTypesListHeader = u"Шифър@Наименование"_s;

QString ItemInsertSql(const QString& TableName, qint64 Code, const QString& Description, qint64 TypeCode) {
    return Format(u"Insert into %s values ( %d, \"%s\", %d )"_s,
                  {TableName, Code, SqlText(Description.trimmed()), TypeCode});
}

QString ItemUpdateSql(const QString& TableName, const QString& NameField, const QString& Description,
                      qint64 TypeCode, const QString& KeyField, qint64 Code) {
    return Format(
        u"Update %s Set %s = \"%s\", %s = %f Where ( %s = %d )"_s,
        {TableName, NameField, SqlText(Description), u"code_i_t"_s, double(TypeCode), KeyField, Code});
}

QString ValidateItemInput(double Code, const QString& Description, qint64 TypeCode, const QString& TypeName,
                          const TGridRows& Rows) {
    QString Result;
    if (Code != 0 && !Description.isEmpty()) {
        const QString CodeText = FloatToStrDot(-1, Code);
        for (const QStringList& Row : Rows) {
            if (Row.value(0) == CodeText) Result += CodeTakenMessage(CodeText);
            if (Row.value(1) == Description && Row.value(2) == TypeName)
                Result += NameTakenMessage(Description);
        }
    }
    if (Code == 0) Result += u"Въведете шифър.\n\r"_s;
    if (Description.isEmpty()) Result += u"Въведете наименование!\n\r"_s;
    if (TypeCode == 0) Result += u"Въведете тип на вещ\n\r"_s;
    return Result;
}
