#include "business/printing/un_Print_Order.h"

#include "business/printing/unFirmData.h"
#include "business/printing/un_Print_contract_4_purchase_or_sale.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "framework/printing/PagePrinter.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QDateTime>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QStringList Order(const QString& Direction, const QString& Type, const QString& Contract, const QString& EGN,
                  const QString& IsMale, const QString& IsMarried) {
    return {u"12"_s,          u"01.03.2024"_s,  Contract, u"150"_s,  u"15.02.2024"_s,  u"Пръстен 585"_s, EGN,
            u"SN-7"_s,        u"Иван Петров"_s, IsMale,   IsMarried, u"Лендора ООД"_s, Direction,        Type,
            u"Мария Колева"_s};
}

const QMap<int, QString> Fees{{1, u"Оценка"_s}, {2, u"Съхранение"_s}};

QString Filled(const QStringList& Record, const QString& Label) {
    TReportLayout layout = OrderLayout();
    FillOrderLayout(layout, Record, Fees);
    return layout.Caption(Label);
}

} // namespace

TEST(PrintOrder, Salutation) {
    const struct {
        const char16_t* Male;
        const char16_t* Married;
        const char16_t* Expected;
    } cases[] = {{u"True", u"False", u"г-н"},  {u"True", u"True", u"г-н"}, {u"False", u"False", u"г-ца"},
                 {u"False", u"True", u"г-жа"}, {u" ", u" ", u""},          {u"False", u" ", u""}};
    for (const auto& c : cases)
        EXPECT_EQ(OrderSalutation(QString::fromUtf16(c.Male), QString::fromUtf16(c.Married)),
                  QString::fromUtf16(c.Expected))
            << QString::fromUtf16(c.Male).toStdString();
}

TEST(PrintOrder, Captions) {
    const struct {
        QStringList Record;
        const char16_t* Label;
        const char16_t* Expected;
    } cases[] = {
        {Order(u"in"_s, u"2"_s, u"5"_s, u"8001011234"_s, u"True"_s, u"False"_s), u"QRLabel3",
         u"Днес г-н Иван Петров ЕГН № 8001011234 внесе в касата"},
        {Order(u"in"_s, u"2"_s, u"5"_s, u"8001011234"_s, u"True"_s, u"False"_s), u"QRLabel5",
         u"сумата от 150.00 лв. (вноска по лихвите)"},
        {Order(u"in"_s, u"2"_s, u"5"_s, u"8001011234"_s, u"True"_s, u"False"_s), u"QRLabel2",
         u"ПРИХОДЕН КАСОВ ОРДЕР № 12 / 01.03.2024"},
        {Order(u"in"_s, u"2"_s, u"5"_s, u"8001011234"_s, u"True"_s, u"False"_s), u"QRLabel4",
         u"по договор N: 5 / 15.02.2024, вещ: Пръстен 585 - SN-7"},
        {Order(u"in"_s, u"3"_s, u"0"_s, u" "_s, u" "_s, u" "_s), u"QRLabel3",
         u"Днес Иван Петров внесе в касата"},
        {Order(u"in"_s, u"3"_s, u"0"_s, u" "_s, u" "_s, u" "_s), u"QRLabel4", u"(захранване на касата)"},
        {Order(u"out"_s, u"3"_s, u"0"_s, u" "_s, u" "_s, u" "_s), u"QRLabel4",
         u"(инкасо на оборот от касата)"},
        {Order(u"out"_s, u"3"_s, u"0"_s, u" "_s, u" "_s, u" "_s), u"QRLabel3",
         u"Да се изплати на Иван Петров"},
        {Order(u"out"_s, u"1"_s, u"5"_s, u"8001011234"_s, u"False"_s, u"False"_s), u"QRLabel3",
         u"Да се изплати на г-ца Иван Петров ЕГН № 8001011234"},
        {Order(u"out"_s, u"1"_s, u"5"_s, u"8001011234"_s, u"False"_s, u"True"_s), u"QRLabel2",
         u"РАЗХОДЕН КАСОВ ОРДЕР № 12 / 01.03.2024"},
        {Order(u"out"_s, u"4"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel5",
         u"сумата от 150.00 лв. (покупка на вещ)"},
        {Order(u"in"_s, u"7"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel5",
         u"сумата от 150.00 лв. (такса Съхранение)"},
        {Order(u"in"_s, u"9"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel5", u"сумата от 150.00 лв."},
        {Order(u"out"_s, u"2"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel5", u"сумата от 150.00 лв."},
        {Order(u"in"_s, u"1"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel6",
         u"словом: сто и петдесет лева и нула стотинки"},
        {Order(u"in"_s, u"1"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel1", u"ЛЕНДОРА ООД"},
        {Order(u"in"_s, u"1"_s, u"5"_s, u" "_s, u" "_s, u" "_s), u"QRLabel9", u"/Мария Колева/"},
        // A short record is read as blanks, not past its end.
        {QStringList{u"3"_s, u"01.03.2024"_s, u"0"_s, u"20"_s}, u"QRLabel3", u"Днес   внесе в касата"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Filled(c.Record, QString::fromUtf16(c.Label)), QString::fromUtf16(c.Expected))
            << QString::fromUtf16(c.Label).toStdString() << " " << c.Record.join(u'|').toStdString();
}

TEST(PrintOrder, PageReadsBackFromThePrinter) {
    TPdfPrinterScope pdf;
    TReportLayout layout = OrderLayout();
    FillOrderLayout(layout, Order(u"in"_s, u"2"_s, u"5"_s, u"8001011234"_s, u"True"_s, u"False"_s), Fees);
    TPrinterProvider::Instance().PrepareJob(layout.Title);
    ASSERT_TRUE(layout.Print(*TPrinterProvider::Instance().Printer()));
    const QString text = PdfPageText(pdf.FileName(), 1).simplified();
    EXPECT_EQ(PdfPageCount(pdf.FileName()), 1);
    EXPECT_TRUE(text.contains(u"ПРИХОДЕН КАСОВ ОРДЕР № 12 / 01.03.2024"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"словом: сто и петдесет лева"_s)) << text.toStdString();
    EXPECT_LT(text.indexOf(u"ЛЕНДОРА ООД"_s), text.indexOf(u"ПРИХОДЕН"_s));
    EXPECT_LT(text.indexOf(u"внесе в касата"_s), text.indexOf(u"сумата от"_s));
}

namespace {

QStringList Deal() {
    return {u"31"_s, u"01.03.2024"_s,   u"x"_s,           u"Пръстен 585"_s, u"SN-7"_s,       u"1250.5"_s,
            u"x"_s,  u"Мария Колева"_s, u"Лендора ООД"_s, u"8001011234"_s,  u"Иван Петров"_s};
}

TDateTime Stamp() {
    return QDateToDateTime(QDate(2024, 3, 1)) + (14 * 3600 + 5 * 60 + 9) / 86400.0;
}

} // namespace

TEST(PrintPurchaseSaleContract, PartiesFollowTheDirection) {
    const struct {
        bool Purchase;
        const char16_t* Seller;
        const char16_t* Buyer;
    } cases[] = {{true, u"между Иван Петров ЕГН:8001011234, наричан накратко ПРОДАВАЧ и",
                  u"Лендора ООД, наричан накратко КУПУВАЧ. "},
                 {false, u"между Лендора ООД, наричан накратко ПРОДАВАЧ и",
                  u"Иван Петров ЕГН:8001011234, наричан накратко КУПУВАЧ. "}};
    for (const auto& c : cases) {
        TReportLayout layout = PurchaseSaleContractLayout();
        FillPurchaseSaleContractLayout(layout, Deal(), c.Purchase, Stamp());
        EXPECT_EQ(layout.Caption(u"QRLabel4"_s), QString::fromUtf16(c.Seller));
        EXPECT_EQ(layout.Caption(u"QRLabel5"_s), QString::fromUtf16(c.Buyer));
        EXPECT_EQ(layout.Caption(u"QRLabel2"_s), u"ДОГОВОР ЗА ПОКУПКО-ПРОДАЖБА  № 31 / 01.03.2024"_s);
        EXPECT_EQ(layout.Caption(u"QRLabel10"_s),
                  u"Пръстен 585 SN-7 срещу цена, която КУПУВАЧЪТ се задължава да му "_s);
        EXPECT_EQ(layout.Caption(u"QRLabel13"_s),
                  u"За СТОКАТА КУПУВАЧЪТ се задължава да заплати сумата 1250.50 лева."_s);
        EXPECT_EQ(layout.Caption(u"QRLabel8"_s), u"/Иван Петров/"_s);
        EXPECT_EQ(layout.Caption(u"QRLabel9"_s), u"/Мария Колева/"_s);
        // A woman is "наричана"; the shop's wording stays.
        TReportLayout female = PurchaseSaleContractLayout();
        FillPurchaseSaleContractLayout(female, Deal(), c.Purchase, Stamp(), true);
        const QString Person = female.Caption(c.Purchase ? u"QRLabel4"_s : u"QRLabel5"_s);
        const QString Shop = female.Caption(c.Purchase ? u"QRLabel5"_s : u"QRLabel4"_s);
        EXPECT_TRUE(Person.contains(u"ЕГН:8001011234, наричана накратко"_s)) << Person.toStdString();
        EXPECT_TRUE(Shop.contains(u"Лендора ООД, наричан накратко"_s)) << Shop.toStdString();
        // The shop pays a woman who sells to it; a buyer pays the shop.
        EXPECT_EQ(female.Caption(u"QRLabel10"_s),
                  c.Purchase ? u"Пръстен 585 SN-7 срещу цена, която КУПУВАЧЪТ се задължава да ѝ "_s
                             : u"Пръстен 585 SN-7 срещу цена, която КУПУВАЧЪТ се задължава да му "_s);
    }
}

namespace {
QDateTime FixedNow() {
    return QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9));
}
} // namespace

TEST(PrintPurchaseSaleContract, PageCarriesTheStampOfTheClock) {
    SetClock(&FixedNow);
    TPdfPrinterScope pdf;
    TReportLayout layout = PurchaseSaleContractLayout();
    FillPurchaseSaleContractLayout(layout, Deal(), true, Now());
    SetClock(nullptr);
    TPrinterProvider::Instance().PrepareJob(layout.Title);
    ASSERT_TRUE(layout.Print(*TPrinterProvider::Instance().Printer()));
    const QString text = PdfPageText(pdf.FileName(), 1).simplified();
    EXPECT_TRUE(text.contains(u"Отпечатано на 01.03.2024 г. 14:05:09 ч."_s)) << text.toStdString();
    // The words begin with "х", whose glyph the PDF shares with the Latin "x".
    EXPECT_TRUE(text.contains(u"двеста и петдесет лева и петдесет стотинки."_s)) << text.toStdString();
    EXPECT_LT(text.indexOf(u"ДЕКЛАРАЦИЯ"_s), text.indexOf(u"Отпечатано"_s));
}

// A personal number of a borrower born in 2000 or later starts with 0; the printed documents must
// carry all ten digits, as the screens do.
TEST(PrintedDocuments, PersonalNumbersKeepTheirLeadingZero) {
    const auto OrderLabel = [](const QString& Direction, const QString& Label) {
        return Filled(Order(Direction, u"1"_s, u"5"_s, u"141150013"_s, u"True"_s, u"False"_s), Label);
    };
    const auto DealLabel = [](bool Purchase, const QString& Label) {
        QStringList Record = Deal();
        Record[9] = u"141150013"_s;
        TReportLayout layout = PurchaseSaleContractLayout();
        FillPurchaseSaleContractLayout(layout, Record, Purchase, Stamp());
        return layout.Caption(Label);
    };
    const struct {
        QString Printed;
        QString Expected;
    } Cases[] = {
        {OrderLabel(u"in"_s, u"QRLabel3"_s), u"Днес г-н Иван Петров ЕГН № 0141150013 внесе в касата"_s},
        {OrderLabel(u"out"_s, u"QRLabel3"_s), u"Да се изплати на г-н Иван Петров ЕГН № 0141150013"_s},
        {DealLabel(true, u"QRLabel4"_s), u"между Иван Петров ЕГН:0141150013, наричан накратко ПРОДАВАЧ и"_s},
        {DealLabel(false, u"QRLabel5"_s), u"Иван Петров ЕГН:0141150013, наричан накратко КУПУВАЧ. "_s},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(C.Printed, C.Expected);
}

namespace {

// The orders and contracts shown for printing, by title.
class FirmDataQuestion : public ::testing::Test {
protected:
    void SetUp() override {
        SetReportPreviewHook([this](TReportLayout& Report) {
            Previewed << Report.Title;
            return false;
        });
    }
    void TearDown() override { SetReportPreviewHook(nullptr); }

    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    QStringList Previewed;
};

} // namespace

TEST_F(FirmDataQuestion, PrintingWithoutTheShopsNameOrBulstatAsksFirst) {
    const struct {
        const char* Name;
        QString ShopName, Bulstat;
        std::optional<TModalResult> Answer; // none: no question is expected
        bool Printed;
    } Cases[] = {
        {"nothing entered, not printed", u""_s, u""_s, mrNo, false},
        {"nothing entered, printed all the same", u""_s, u""_s, mrYes, true},
        {"no bulstat", u"Лендора ООД"_s, u"  "_s, mrNo, false},
        {"no name", u""_s, u"123456789"_s, mrNo, false},
        {"both entered", u"Лендора ООД"_s, u"123456789"_s, std::nullopt, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Exec(Format(uR"sql(Update VA Set value_va = "%s" Where code_va = 1)sql"_s, {C.ShopName}));
        Exec(Format(uR"sql(Update VA Set value_va = "%s" Where code_va = 3)sql"_s, {C.Bulstat}));
        for (const bool IsOrder : {true, false}) {
            Presenter.Clear();
            Previewed.clear();
            if (C.Answer) Presenter.PlanAnswer(*C.Answer);
            if (IsOrder)
                EXPECT_EQ(FillPrintOrder(nullptr, Order(u"in"_s, u"2"_s, u"5"_s, u" "_s, u" "_s, u" "_s)),
                          C.Printed);
            else
                FillPrintPurchaseSaleContract(nullptr, Deal(), true);
            EXPECT_EQ(Previewed.size(), C.Printed ? 1 : 0);
            ASSERT_EQ(Presenter.Messages().size(), C.Answer ? 1 : 0);
            if (C.Answer) {
                EXPECT_EQ(Presenter.Messages()[0].Text, FirmDataMissingQuestion());
                EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"\"Настройки\""_s));
            }
        }
    }
}

namespace {

struct TWord {
    QString Text;
    QRectF Mm; // from the sheet's corner
};

// The words of Layout as a page shows them, read back from a PDF of the sheet.
QList<TWord> PrintedWords(const TReportLayout& Layout) {
    QTemporaryDir dir;
    const QString file = dir.filePath(u"page.pdf"_s);
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        QPainter painter(&writer);
        Layout.Render(painter, writer.resolution(), writer.resolution());
    }
    static const QRegularExpression box(
        uR"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*)</word>)re"_s);
    QList<TWord> words;
    for (const QString& line : PdfWordBoxes(file)) {
        const QRegularExpressionMatch m = box.match(line);
        if (!m.hasMatch()) continue;
        const double mm = 25.4 / 72;
        words.append(
            {m.captured(5), QRectF(QPointF(m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm),
                                   QPointF(m.captured(3).toDouble() * mm, m.captured(4).toDouble() * mm))});
    }
    return words;
}

QString Joined(const QList<TWord>& Words) {
    QStringList texts;
    for (const TWord& word : Words)
        texts.append(word.Text);
    return texts.join(u' ');
}

const QString LongItem = u"Гривна жълто злато 585 с дванадесет брилянта и кутия"_s;
const QString LongName = u"Христо Константинов Александров-Попхристодуловски"_s;

} // namespace

TEST(PrintedLayouts, LongTextsWrapInsideTheMarginsAndPushTheLinesBelowDown) {
    ASSERT_EQ(LongItem.size(), 52);
    QStringList deal = Deal();
    deal[3] = LongItem;
    deal[5] = u"1234567.89"_s;
    deal[7] = LongName;
    deal[10] = LongName;
    QStringList order = Order(u"out"_s, u"4"_s, u"5"_s, u"8001011234"_s, u"True"_s, u"False"_s);
    order[ofItemName] = LongItem;
    order[ofAmount] = u"1234567.89"_s;
    order[ofNames] = LongName;
    order[ofEmployee] = LongName;
    struct Case {
        const char* Name;
        TReportLayout Layout;
        QStringList Phrases; // each read whole, in this order
    };
    Case cases[] = {{"purchase",
                     PurchaseSaleContractLayout(),
                     {LongItem + u" SN-7 срещу цена"_s, u"осемдесет и девет стотинки."_s,
                      u"/"_s + LongName + u"/"_s, u"Отпечатано на"_s}},
                    {"sale", PurchaseSaleContractLayout(), {u"ЕГН:8001011234, наричан накратко КУПУВАЧ."_s}},
                    {"order",
                     OrderLayout(),
                     {u"вещ: "_s + LongItem + u" - SN-7"_s, u"осемдесет и девет стотинки"_s,
                      u"/"_s + LongName + u"/"_s}}};
    FillPurchaseSaleContractLayout(cases[0].Layout, deal, true, Stamp());
    FillPurchaseSaleContractLayout(cases[1].Layout, deal, false, Stamp());
    FillOrderLayout(cases[2].Layout, order, Fees);
    for (const Case& c : cases) {
        const QList<TWord> words = PrintedWords(c.Layout);
        ASSERT_FALSE(words.isEmpty()) << c.Name;
        const QRectF body(TReportLayout::MarginMm, TReportLayout::MarginMm,
                          TReportLayout::PageMm.width() - 2 * TReportLayout::MarginMm,
                          TReportLayout::PageMm.height() - 2 * TReportLayout::MarginMm);
        for (const TWord& word : words)
            EXPECT_TRUE(body.adjusted(-0.2, -0.2, 0.2, 0.2).contains(word.Mm))
                << c.Name << " " << word.Text.toStdString() << " at " << word.Mm.left() << ".."
                << word.Mm.right() << " mm";
        // A line that grows moves the next ones down instead of printing over them.
        for (int i = 0; i < words.size(); ++i)
            for (int j = i + 1; j < words.size(); ++j) {
                const QRectF common = words[i].Mm.intersected(words[j].Mm);
                EXPECT_TRUE(common.width() < 0.3 || common.height() < 0.3)
                    << c.Name << " " << words[i].Text.toStdString() << " / " << words[j].Text.toStdString();
            }
        // Read without the spaces, as a line may break after a hyphen.
        const QString text = Joined(words).remove(u' ');
        qsizetype at = 0;
        for (const QString& phrase : c.Phrases) {
            const qsizetype found = text.indexOf(QString(phrase).remove(u' '), at);
            EXPECT_GE(found, at) << c.Name << " " << phrase.toStdString() << "\n" << text.toStdString();
            at = std::max(at, found);
        }
    }
}

TEST(PrintedLayouts, EveryBoxLiesInsideTheMargins) {
    for (const TReportLayout& layout : {OrderLayout(), PurchaseSaleContractLayout()})
        for (const TReportLabel& label : layout.Labels) {
            EXPECT_GE(label.RectMm.left(), TReportLayout::MarginMm) << label.Name.toStdString();
            EXPECT_GE(label.RectMm.top(), TReportLayout::MarginMm) << label.Name.toStdString();
            EXPECT_LE(label.RectMm.right(), TReportLayout::PageMm.width() - TReportLayout::MarginMm)
                << label.Name.toStdString();
            EXPECT_LE(label.RectMm.bottom(), TReportLayout::PageMm.height() - TReportLayout::MarginMm)
                << label.Name.toStdString();
        }
}
