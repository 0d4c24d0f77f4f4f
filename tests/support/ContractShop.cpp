#include "tests/support/ContractShop.h"

#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

QDateTime ShopNow() {
    return QDateTime(QDate(2024, 3, 1), QTime(10, 15));
}

} // namespace

TContractShop::TContractShop(const QString& SourceDir) {
    SetClock(&ShopNow);
    for (const QString& Sql : {
             u"Insert into Item_types values ( 1, \"Злато\" )"_s,
             u"Insert into Items values ( 5, \"Пръстен 585\", 1 )"_s,
             u"Insert into Items values ( 6, \"Верижка\", 1 )"_s,
             u"Insert into Owners values ( 8001011234, \"Иван Петров Иванов\", \"София\", \"ул. Витоша 1\", "
             u"\"\", "
             "\"\", True, False, 1, \"645123789\", \"01.02.2020\", \"МВР София\", \"\" )"_s,
             u"Insert into Owners values ( 12345, \"Мария Георгиева\", \"Пловдив\", \"ул. Главна 2\", \"\", "
             u"\"\", "
             "False, True, 2, \"111222333\", \"05.05.2021\", \"МВР Пловдив\", \"\" )"_s,
             u"Insert into Interest_rates values ( 1, 0, 500, 0.06, 1 )"_s,
             u"Insert into Interest_rates values ( 2, 500, 5000, 0.03, 1 )"_s,
             u"Insert into Interest_rates values ( 3, 0, 100000, 0.04, 2 )"_s,
             u"Insert into Taxes values ( 1, \"Оценка\", True )"_s,
             u"Insert into Taxes values ( 2, \"Съхранение\", False )"_s,
             u"Insert into Taxes_rates values ( 1, 1, 0, 5000, 0.01, 1 )"_s,
             u"Insert into Taxes_rates values ( 2, 2, 0, 5000, 0.03, 1 )"_s,
             u"Insert into MPS values ( 3, \"Лада\", \"Нива\", \"1990\", \"S1\", \"CA1234AB\", \"SH1\", "
             u"\"M1\", "
             "\"400\", \"1\", \"120000\", \"няма\" )"_s,
             u"Insert into Users_passwords values ( \"maria\", \"tajna1\", \"Мария Колева\" )"_s,
             u"Insert into Outcomes values ( 7, 45351, 0, 3, 5, \"Собственик\", \"\", \"maria\" )"_s,
             u"UPDATE VA set value_va = \"Лендора ООД\" WHERE code_va = 1"_s,
             u"UPDATE VA set value_va = \"гр. София, ул. Раковски 10\" WHERE code_va = 2"_s,
             u"UPDATE VA set value_va = \"123456789\" WHERE code_va = 3"_s,
             u"UPDATE VA set value_va = \"гр. София, ул. Раковски 10, тел. 02 123456\" WHERE code_va = 4"_s,
             u"UPDATE VA set value_va = \"Петър Петров\" WHERE code_va = 5"_s,
             u"UPDATE VA set value_va = \"shef\" WHERE code_va = 12"_s,
         })
        Exec(Sql);
    QDir(Path()).mkpath(u"Programs"_s);
    const QString Source = SourceDir + u"/Programs/"_s;
    for (const QString& Name : {u"Dogovor_2009.docx"_s, u"17x54.docx"_s})
        QFile::copy(Source + Name, Path() + u"Programs/"_s + Name);
}

TContractShop::~TContractShop() {
    SetClock(nullptr);
}
