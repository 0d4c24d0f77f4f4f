#include "business/printing/un_Print_Order.h"

#include "business/engine/unLoanEngine.h"
#include "business/printing/unFirmData.h"
#include "core/uDelimitedStrings.h"
#include "core/unAmountWords.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unitTypes.h"

#include <QWidget>

using namespace Qt::StringLiterals;

QString OrderSalutation(const QString& IsMale, const QString& IsMarried) {
    if (IsMale == u"True"_s) return u"г-н"_s;
    if (IsMale == u"False"_s && IsMarried == u"False"_s) return u"г-ца"_s;
    if (IsMale == u"False"_s && IsMarried == u"True"_s) return u"г-жа"_s;
    return QString();
}

TReportLayout OrderLayout() {
    TReportLayout layout;
    layout.Title = u"Касов ордер"_s;
    auto add = [&layout](const QString& Name, const QString& Caption, double Top, double Pt, bool Bold,
                         Qt::Alignment Align = Qt::AlignLeft | Qt::AlignVCenter) {
        TReportLabel label;
        label.Name = Name;
        label.Caption = Caption;
        label.RectMm = QRectF(20, Top, 175, Pt * 0.6);
        label.FontPt = Pt;
        label.Bold = Bold;
        label.Align = Align;
        layout.AddLabel(label);
    };
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    add(u"QRLabel1"_s, QString(), 15, 14, true, centred);
    add(u"QRLabel2"_s, QString(), 30, 14, true, centred);
    add(u"QRLabel3"_s, u"Да се изплати на %s %s ЕГН № %s"_s, 48, 12, false);
    add(u"QRLabel4"_s, u"по договор N: %s / %s, вещ: %s - %s"_s, 58, 12, false);
    add(u"QRLabel5"_s, u"сумата от %s лв."_s, 68, 12, false);
    add(u"QRLabel6"_s, u"словом: %s"_s, 78, 12, false);
    add(u"QRLabel7"_s, u"КЛИЕНТ: ...................                  ЗАЛОЖНА КЪЩА: ....................."_s,
        100, 12, false);
    TReportLabel client;
    client.Name = u"QRLabel8"_s;
    client.Caption = u"/%s/"_s;
    // Centred under the dotted lines of the signature line.
    client.RectMm = QRectF(10, 108, 60, 7);
    client.Align = centred;
    layout.AddLabel(client);
    TReportLabel employee = client;
    employee.Name = u"QRLabel9"_s;
    employee.RectMm = QRectF(78, 108, 60, 7);
    layout.AddLabel(employee);
    return layout;
}

namespace {

QString AmountKind(const QString& Direction, const QString& Type, const QMap<int, QString>& FeeNames) {
    const QString t = Type.trimmed();
    if (Direction == u"out"_s) {
        if (t == u"1"_s) return u" (изплатена сума на заемополучател)"_s;
        if (t == u"3"_s) return u" (изплатена сума на собственик)"_s;
        if (t == u"4"_s) return u" (покупка на вещ)"_s;
        return QString();
    }
    if (t == u"1"_s) return u" (вноска по главницата)"_s;
    if (t == u"2"_s) return u" (вноска по лихвите)"_s;
    if (t == u"4"_s) return u" (приход от продажба на заложена вещ)"_s;
    if (t == u"5"_s) return u" (приход от продажба на закупена вещ)"_s;
    bool ok = false;
    const int code = t.toInt(&ok);
    if (ok && code > 5 && FeeNames.contains(code - 5))
        return Format(u" (такса %s)"_s, {FeeNames.value(code - 5)});
    return QString();
}

} // namespace

void FillOrderLayout(TReportLayout& Layout, QStringList Record, const QMap<int, QString>& FeeNames) {
    while (Record.size() < OrderFieldCount)
        Record.append(u" "_s);
    const double amount = StrToFloatDot(QString(Record[ofAmount]).replace(u',', u'.').trimmed(), 0);
    Record[ofAmount] = FloatToFixedStr(2, amount);
    const bool out = Record[ofDirection] == u"out"_s;
    const bool hasEGN = !Record[ofEGN].trimmed().isEmpty();
    if (hasEGN) FormatEGN(Record[ofEGN].trimmed(), Record[ofEGN]);
    const QString salutation = OrderSalutation(Record[ofIsMale], Record[ofIsMarried]);

    Layout.SetCaption(u"QRLabel1"_s, Record[ofShopName].toUpper());
    Layout.SetCaption(u"QRLabel2"_s,
                      Format(out ? u"РАЗХОДЕН КАСОВ ОРДЕР № %s / %s"_s : u"ПРИХОДЕН КАСОВ ОРДЕР № %s / %s"_s,
                             {Record[ofDocNo], Record[ofDate]}));
    QString payer;
    if (out)
        payer = hasEGN ? Format(Layout.Caption(u"QRLabel3"_s), {salutation, Record[ofNames], Record[ofEGN]})
                       : Format(u"Да се изплати на %s"_s, {Record[ofNames]});
    else
        payer = hasEGN ? Format(u"Днес %s %s ЕГН № %s внесе в касата"_s,
                                {salutation, Record[ofNames], Record[ofEGN]})
                       : Format(u"Днес %s внесе в касата"_s, {Record[ofNames]});
    Layout.SetCaption(u"QRLabel3"_s, payer);

    if (StrToIntOrZero(Record[ofContract].trimmed()) == 0)
        Layout.SetCaption(u"QRLabel4"_s,
                          out ? u"(инкасо на оборот от касата)"_s : u"(захранване на касата)"_s);
    else
        Layout.SetCaption(u"QRLabel4"_s,
                          Format(Layout.Caption(u"QRLabel4"_s),
                                 {Record[ofContract], Record[ofDocDate], Record[ofItemName], Record[ofSN]}));
    Layout.SetCaption(u"QRLabel5"_s, Format(Layout.Caption(u"QRLabel5"_s), {Record[ofAmount]}) +
                                         AmountKind(Record[ofDirection], Record[ofPaymentType], FeeNames));
    Layout.SetCaption(u"QRLabel6"_s, Format(Layout.Caption(u"QRLabel6"_s), {AmountToWords(false, amount)}));
    Layout.SetCaption(u"QRLabel8"_s, Format(u"/%s/"_s, {Record[ofNames]}));
    Layout.SetCaption(u"QRLabel9"_s, Format(u"/%s/"_s, {Record[ofEmployee]}));
}

bool FillPrintOrder(QWidget* Owner, const QStringList& Record) {
    TDelimitedStringList fees;
    try {
        if (!ConfirmFirmDataForPrinting(Owner)) return false;
        RunQuery(Owner, AdoConnection, uR"sql(Select code_t, name_t from taxes order by code_t)sql"_s, &fees);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    QMap<int, QString> names;
    for (int i = 0; i < fees.Count(); ++i)
        names.insert(int(StrToIntOrZero(fees.GetField(i, 0))), fees.GetField(i, 1));
    TReportLayout layout = OrderLayout();
    FillOrderLayout(layout, Record, names);
    PreviewReport(layout, Owner);
    return true;
}
