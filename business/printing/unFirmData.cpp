#include "business/printing/unFirmData.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"

using namespace Qt::StringLiterals;

namespace {

// The settings codes of the shop's name and of its БУЛСТАТ.
constexpr int ShopNameCode = 1;
constexpr int BulstatCode = 3;

} // namespace

QString FirmDataMissingQuestion() {
    return u"Наименованието или БУЛСТАТ на заложната къща не са въведени "
           u"(меню \"Сервиз\", прозорец \"Настройки\").\rЖелаете ли да отпечатате документа без тях?"_s;
}

bool ConfirmFirmDataForPrinting(QObject* Owner) {
    TDelimitedStringList Settings;
    RunQuery(Owner, AdoConnection, uR"sql(Select code_VA, value_VA From VA Order By code_VA)sql"_s,
             &Settings);
    QString Name, Bulstat;
    LookupByIntKey(ShopNameCode, &Settings, 0, Name, 1);
    LookupByIntKey(BulstatCode, &Settings, 0, Bulstat, 1);
    if (!Name.trimmed().isEmpty() && !Bulstat.trimmed().isEmpty()) return true;
    return ConfirmYesNoFmt(FirmDataMissingQuestion()) == mrYes;
}
