#include "business/printing/un_Print_contract_4_purchase_or_sale.h"

#include "business/engine/unLoanEngine.h"
#include "business/printing/unFirmData.h"
#include "core/uDelimitedStrings.h"
#include "core/unAmountWords.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"

#include <QDateTime>
#include <QWidget>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

enum {
    cfDocNo = 0,
    cfDate = 1,
    cfItemName = 3,
    cfSN = 4,
    cfAmount = 5,
    cfEmployee = 7,
    cfShopName = 8,
    cfEGN = 9,
    cfNames = 10,
    ContractFieldCount = 11
};

} // namespace

TReportLayout PurchaseSaleContractLayout() {
    TReportLayout layout;
    layout.Title = u"Договор за покупко-продажба"_s;
    double top = 15;
    auto add = [&layout, &top](const QString& Name, const QString& Caption, double Step, bool Bold = false,
                               Qt::Alignment Align = Qt::AlignLeft | Qt::AlignVCenter, double Pt = 12) {
        TReportLabel label;
        label.Name = Name;
        label.Caption = Caption;
        label.RectMm = QRectF(20, top, 175, 7);
        label.FontPt = Pt;
        label.Bold = Bold;
        label.Align = Align;
        layout.AddLabel(label);
        top += Step;
    };
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    add(u"QRLabel1"_s, QString(), 12, true, centred, 14);
    add(u"QRLabel2"_s, QString(), 16, true, centred, 14);
    add(u"QRLabel3"_s, u"Днес %s се сключи настоящият договор за продажба "_s, 8);
    add(u"QRLabel4"_s, u"между %s, наричан накратко ПРОДАВАЧ и"_s, 8);
    add(u"QRLabel5"_s, u"%s, наричан накратко КУПУВАЧ. "_s, 8);
    add(u"QRLabel6"_s, u"ПРОДАВАЧЪТ прехвърля на КУПУВАЧА правото на собственост върху СТОКА:"_s, 8);
    add(u"QRLabel10"_s, u"%s срещу цена, която КУПУВАЧЪТ се задължава да му "_s, 8);
    add(u"QRLabel11"_s, u"заплати в размера и при условията, уговорени по-долу в настоящия договор. "_s, 8);
    add(u"QRLabel12"_s, u"ПРОДАВАЧЪТ се задължава да предаде на КУПУВАЧА СТОКАТА."_s, 8);
    add(u"QRLabel13"_s, u"За СТОКАТА КУПУВАЧЪТ се задължава да заплати сумата %s лева."_s, 8);
    add(u"QRLabel14"_s, u"Словом: %s."_s, 8);
    add(u"QRLabel20"_s, u"За клаузи, невключени в настоящия договор, важат разпоредбите на "_s, 8);
    add(u"QRLabel21"_s, u"Закона за задълженията и договорите."_s, 14);
    add(u"QRLabel22"_s, u"ДЕКЛАРАЦИЯ"_s, 10, true, centred);
    add(u"QRLabel23"_s, u"Декларирам, че веща не е крадена, не е обект на престъпление и че"_s, 8);
    add(u"QRLabel24"_s, u"нося отговорност по реда на ЗАКОНА за деклариране на неверни данни."_s, 18);
    add(u"QRLabel7"_s, u"КЛИЕНТ: ...................                  ЗАЛОЖНА КЪЩА: ....................."_s,
        8);
    TReportLabel client;
    client.Name = u"QRLabel8"_s;
    client.Caption = u"/%s/"_s;
    // Centred under the dotted lines of the signature line.
    client.RectMm = QRectF(10, top, 60, 7);
    client.Align = centred;
    layout.AddLabel(client);
    TReportLabel employee = client;
    employee.Name = u"QRLabel9"_s;
    employee.RectMm = QRectF(78, top, 60, 7);
    layout.AddLabel(employee);
    top += 16;
    add(u"QRLabel28"_s, QString(), 8, false, Qt::AlignRight | Qt::AlignVCenter, 9);
    return layout;
}

void FillPurchaseSaleContractLayout(TReportLayout& Layout, QStringList Record, bool IsPurchase,
                                    TDateTime Printed, bool PersonIsFemale) {
    while (Record.size() < ContractFieldCount)
        Record.append(u" "_s);
    const double amount = StrToFloatDot(QString(Record[cfAmount]).replace(u',', u'.').trimmed(), 0);
    Layout.SetCaption(u"QRLabel1"_s, Record[cfShopName].toUpper());
    Layout.SetCaption(u"QRLabel2"_s,
                      Format(u"ДОГОВОР ЗА ПОКУПКО-ПРОДАЖБА  № %s / %s"_s, {Record[cfDocNo], Record[cfDate]}));
    Layout.SetCaption(u"QRLabel3"_s, Format(Layout.Caption(u"QRLabel3"_s), {Record[cfDate]}));
    // The buyer pays the seller: "му" for a man or the shop, "ѝ" for a woman who sells to the shop.
    if (PersonIsFemale && IsPurchase)
        Layout.SetCaption(u"QRLabel10"_s, Layout.Caption(u"QRLabel10"_s).replace(u"да му "_s, u"да ѝ "_s));
    Layout.SetCaption(u"QRLabel10"_s,
                      Format(Layout.Caption(u"QRLabel10"_s), {Record[cfItemName] + u' ' + Record[cfSN]}));
    Layout.SetCaption(u"QRLabel13"_s, Format(Layout.Caption(u"QRLabel13"_s), {FloatToFixedStr(2, amount)}));
    Layout.SetCaption(u"QRLabel14"_s, Format(Layout.Caption(u"QRLabel14"_s), {AmountToWords(false, amount)}));
    QString egn = Record[cfEGN].trimmed();
    if (!egn.isEmpty()) FormatEGN(egn, egn);
    const QString person = Record[cfNames] + u" ЕГН:"_s + egn;
    const QString personLabel = IsPurchase ? u"QRLabel4"_s : u"QRLabel5"_s;
    if (PersonIsFemale)
        Layout.SetCaption(personLabel, Layout.Caption(personLabel).replace(u"наричан "_s, u"наричана "_s));
    Layout.SetCaption(u"QRLabel4"_s,
                      Format(Layout.Caption(u"QRLabel4"_s), {IsPurchase ? person : Record[cfShopName]}));
    Layout.SetCaption(u"QRLabel5"_s,
                      Format(Layout.Caption(u"QRLabel5"_s), {IsPurchase ? Record[cfShopName] : person}));
    Layout.SetCaption(u"QRLabel8"_s, Format(u"/%s/"_s, {Record[cfNames]}));
    Layout.SetCaption(u"QRLabel9"_s, Format(u"/%s/"_s, {Record[cfEmployee]}));
    const QDateTime stamp = DateTimeToQDate(Printed).startOfDay().addMSecs(
        qint64(std::llround((Printed - std::floor(Printed)) * 86400.0) * 1000));
    Layout.SetCaption(u"QRLabel28"_s, u"Отпечатано на "_s + stamp.toString(u"dd.MM.yyyy г. hh:mm:ss ч."_s));
}

void FillPrintPurchaseSaleContract(QWidget* Owner, const QStringList& Cells, bool IsPurchase) {
    QString Shop;
    bool female = false;
    try {
        if (!ReadSettingVA1(Owner, Shop) || !ConfirmFirmDataForPrinting(Owner)) return;
        if (const qint64 egn = Cells.value(cfEGN).trimmed().toLongLong(); egn > 0) {
            TDelimitedStringList owner;
            RunQuery(Owner, AdoConnection,
                     Format(uR"sql(Select is_male From Owners Where EGN = %s)sql"_s, {QString::number(egn)}),
                     &owner);
            female = owner.Count() > 0 && owner.GetField(0, 0) == u"False"_s;
        }
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return;
    }
    // The row's blanks print as a blank, and the pawnshop stands in place of the operator.
    QStringList Record = Cells;
    for (QString& Cell : Record)
        if (Cell.isEmpty()) Cell = u" "_s;
    while (Record.size() <= cfShopName)
        Record.append(u" "_s);
    Record[cfShopName] = Shop;
    TReportLayout layout = PurchaseSaleContractLayout();
    FillPurchaseSaleContractLayout(layout, Record, IsPurchase, Now(), female);
    PreviewReport(layout, Owner);
}
