#include "business/un_MPS.h"

#include "core/unDatabase.h"
#include "core/unNumbers.h"

using namespace Qt::StringLiterals;

const QStringList MpsTextFields = {u"marka"_s,         u"model"_s,       u"godina"_s,      u"serien_nomer"_s,
                                   u"reg_nomer"_s,     u"shasi_nomer"_s, u"motor_nomer"_s, u"polezen_tovar"_s,
                                   u"rezervni_gumi"_s, u"kilometrazh"_s, u"drugi_belezi"_s};

QString MpsSelectSql(const QString& TableName, const QString& KeyField) {
    return Format(u"Select * From %s Order By %s"_s, {TableName, KeyField});
}

QString MpsInsertSql(const QString& TableName, qint64 Code, const QStringList& Texts) {
    QList<TVarRec> Args = {TableName, Code};
    for (int i = 0; i < MpsTextFields.size(); ++i)
        Args << SqlText(Texts.value(i).trimmed());
    return Format(
        u"Insert into %s values ( %d, \"%s\", \"%s\", \"%s\", \"%s\", \"%s\", \"%s\", \"%s\", \"%s\", "
        u"\"%s\", \"%s\", \"%s\" )"_s,
        Args);
}

QString MpsUpdateSql(const QString& TableName, const QStringList& Texts, const QString& KeyField,
                     qint64 Code) {
    QList<TVarRec> Args = {TableName};
    for (int i = 0; i < MpsTextFields.size(); ++i)
        Args << MpsTextFields[i] << SqlText(Texts.value(i).trimmed());
    Args << KeyField << Code;
    return Format(
        u"Update %s Set %s = \"%s\",  %s = \"%s\",     %s = \"%s\",  %s = \"%s\", %s = \"%s\",    "
        u"%s = \"%s\",  %s = \"%s\", %s = \"%s\",    %s = \"%s\",  %s = \"%s\", %s = \"%s\" Where ( "
        u"%s = %d )"_s,
        Args);
}

QString MpsDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code) {
    return Format(u"Delete From %s Where %s = %d"_s, {TableName, KeyField, Code});
}

QString ValidateMpsInput(double Code, const QStringList& Texts, const TGridRows& Rows) {
    QString Result;
    if (Code != 0) {
        const QString CodeText = FloatToStrDot(-1, Code);
        for (const QStringList& Row : Rows)
            if (Row.value(0) == CodeText) Result += CodeTakenMessage(CodeText);
    }
    if (Code == 0) Result += u"Въведете шифър.\n\r"_s;
    for (int i = 0; i < MpsTextFields.size(); ++i)
        if (Texts.value(i).trimmed().isEmpty()) {
            Result += u"Моля въведете всички полета\n\r"_s;
            break;
        }
    return Result;
}
