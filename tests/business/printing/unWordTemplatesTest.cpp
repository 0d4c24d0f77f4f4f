#include "business/printing/unWordTemplates.h"

#include "business/printing/unFirmData.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "framework/export/Docx.h"
#include "framework/printing/PagePrinter.h"
#include "tests/support/FakeOfficePrinter.h"
#include "tests/support/PdfPrinter.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString SourceDir = QStringLiteral(LENDORA_SOURCE_DIR) + u'/';

// Every placeholder word of the contract template.
const QStringList ContractPlaceholders = {u"dog_nomer"_s,       u"VA(1)"_s,          u"VA(2)"_s,
                                          u"VA(3)"_s,           u"VA(4)"_s,          u"VA(5)"_s,
                                          u"date_c"_s,          u"sum_c"_s,          u"M_IR"_s,
                                          u"Duration"_s,        u"Notes"_s,          u"EGN"_s,
                                          u"slovom_contract"_s, u"Dylzhimi_lihvi"_s, u"Slovom_Dylzh_lihvi"_s,
                                          u"Padezh"_s,          u"marka"_s,          u"model"_s,
                                          u"godina"_s,          u"serien_nomer"_s,   u"reg_nomer"_s,
                                          u"shasi_nomer"_s,     u"motor_nomer"_s,    u"polezen_tovar"_s,
                                          u"rez_gumi"_s,        u"kilometrazh"_s,    u"drugi_belezi"_s,
                                          u"Three_names"_s,     u"Fixed_address"_s,  u"lk_nomer"_s,
                                          u"lk_izdadena_na"_s,  u"lk_ot_MVR"_s,      u"Current_address"_s,
                                          u"Ednokratni_taxi"_s, u"Dnevni_taxi"_s,    u"suma_za_vry6tane"_s,
                                          u"item_name"_s,       u"item_SN"_s};

bool Exec(const QString& Sql) {
    return ExecSQL(nullptr, AdoConnection, Sql);
}

// A shop with one borrower, one item, a one-time and a daily fee, contract 17 without a vehicle
// and contract 18 with one, both of 150.00 for 30 days from 01.03.2024.
class WordTemplates : public ::testing::Test {
protected:
    void SetUp() override {
        const QStringList settings = {u"Лендора ООД"_s, u"София, ул. Граф Игнатиев 5"_s, u"201234567"_s,
                                      u"София, ул. Шипка 3, тел. 02 123 456"_s, u"Мария Георгиева"_s};
        for (int code = 1; code <= 5; ++code)
            ASSERT_TRUE(Exec(Format("Update VA Set value_VA = \"%s\" Where code_VA = %d",
                                    {SqlText(settings[code - 1]), code})));
        ASSERT_TRUE(Exec(u"Insert into Item_types values ( 1, \"Пръстен злато\" )"_s));
        ASSERT_TRUE(Exec(u"Insert into Items values ( 10, \"14 карата, 3.5 г\", 1 )"_s));
        ASSERT_TRUE(Exec(u"Insert into Items values ( 11, \"Опел Астра\", 1 )"_s));
        ASSERT_TRUE(Exec(u"Insert into Owners values ( 8001011234, \"Иван Петров Иванов\", \"София\", "
                         "\"ул. Витоша 1\", \"\", \"\", True, False, 1, \"123456789\", \"01.02.2020\", "
                         "\"МВР София\", \"\" )"_s));
        ASSERT_TRUE(Exec(u"Insert into Owners values ( 7502023344, \"Петя Стоянова\", \"Варна\", "
                         "\"ул. Морска 2\", \"\", \"\", False, False, 1, \"987654321\", \"05.06.2019\", "
                         "\"МВР Варна\", \"Варна, ул. Лилия 8\" )"_s));
        ASSERT_TRUE(Exec(u"Insert into Taxes values ( 1, \"Оценка\", 1 )"_s));
        ASSERT_TRUE(Exec(u"Insert into Taxes values ( 2, \"Съхранение\", 0 )"_s));
        ASSERT_TRUE(Exec(u"Insert into Taxes_rates values ( 1, 1, 0, 10000, 0.02, 1 )"_s));
        ASSERT_TRUE(Exec(u"Insert into Taxes_rates values ( 2, 2, 0, 10000, 0.003, 1 )"_s));
        ASSERT_TRUE(
            Exec(u"Insert into MPS values ( 5, \"Opel\", \"Astra\", \"2008\", \"S123\", \"CA1234AB\", "
                 "\"W0L000\", \"Z16XEP\", \"500 кг\", \"1\", \"180000\", \"драскотина на вратата\" )"_s));
        AddContract(17, 10, 8001011234LL, 0);
        AddContract(18, 11, 7502023344LL, 5);
    }

    void AddContract(int DocNo, int CodeI, qint64 Egn, int CodeMps) {
        const int day = int(QDateToDateTime(QDate(2024, 3, 1)));
        ASSERT_TRUE(
            Exec(Format("Insert into Contracts values ( %d, %d, %d, 150, 5, 30, \"без забележки\", False, 0, "
                        "False, 0, %d, False, 0, 3.5, False, 7.5, 3, 0.6, %d )",
                        {DocNo, day, CodeI, Egn, CodeMps})));
    }

    // The shipped templates in the temporary program folder.
    void InstallTemplates() {
        QDir(Program.Path()).mkpath(u"Programs"_s);
        for (const QString name : {u"Dogovor_2009.docx"_s, u"17x54.docx"_s})
            ASSERT_TRUE(
                QFile::copy(SourceDir + u"Programs/"_s + name, Program.Path() + u"Programs/"_s + name));
    }

    static QString Joined(const QStringList& Paragraphs) { return Paragraphs.join(u'\n'); }

    TTempProgramDir Program;
    TScriptedPresenter Presenter;
    TFakeOfficePrinter Printer;
};

TEST_F(WordTemplates, ContractRecordsInTheirOrder) {
    TDelimitedStringList records;
    ASSERT_TRUE(BuildContractRecords(nullptr, 17, records));
    const QStringList expected = {
        u"dog_nomer@17"_s,
        u"VA(1)@Лендора ООД"_s,
        u"VA(2)@София, ул. Граф Игнатиев 5"_s,
        u"VA(3)@201234567"_s,
        u"VA(4)@София, ул. Шипка 3, тел. 02 123 456"_s,
        u"VA(5)@Мария Георгиева"_s,
        u"date_c@01.03.2024"_s,
        u"sum_c@150.00"_s,
        u"M_IR@5.00"_s,
        u"Duration@30"_s,
        u"Notes@без забележки"_s,
        u"EGN@8001011234"_s,
        u"slovom_contract@сто и петдесет лева и нула стотинки"_s,
        u"Dylzhimi_lihvi@7.50"_s,
        u"Slovom_Dylzh_lihvi@седем лева и петдесет стотинки"_s,
        u"Padezh@30.03.2024"_s,
        u"Марка: marka Модел: model Година на производство: godina Сериен номер: serien_nomer@"_s,
        u"Държ. рег. № reg_nomer, № на шасито: shasi_nomer,  № на мотора: motor_nomer@"_s,
        u"Полезен товар: polezen_tovar, Брой резервни гуми: rez_gumi Показания на километража: kilometrazh@"_s,
        u"drugi_belezi@"_s,
        u"Three_names@Иван Петров Иванов"_s,
        u"Fixed_address@София, ул. Витоша 1"_s,
        u"lk_nomer@123456789"_s,
        u"lk_izdadena_na@01.02.2020"_s,
        u"lk_ot_MVR@МВР София"_s,
        u"Current_address@София, ул. Витоша 1"_s,
        u"Ednokratni_taxi@"_s, // fee texts checked below
        u"Dnevni_taxi@"_s,
        u"suma_za_vry6tane@161.10"_s, // 150 + 7.50 interest + 3.00 one-time + 30 × 0.02 daily
        u"item_name@Пръстен злато"_s,
        u"item_SN@14 карата, 3.5 г"_s,
    };
    ASSERT_EQ(records.Count(), expected.size());
    for (int i = 0; i < records.Count(); ++i) {
        if (expected[i].endsWith(u"taxi@"_s))
            EXPECT_TRUE(records[i].startsWith(expected[i])) << records[i].toStdString();
        else
            EXPECT_EQ(records[i], expected[i]) << i;
    }
    EXPECT_TRUE(records[26].contains(u"3.00"_s)) << records[26].toStdString();
    EXPECT_TRUE(records[27].contains(u"0.60"_s)) << records[27].toStdString();
}

TEST_F(WordTemplates, VehicleAndCurrentAddress) {
    TDelimitedStringList records;
    ASSERT_TRUE(BuildContractRecords(nullptr, 18, records));
    const QStringList text = QStringList(records.GetTextStr().split(RecordDelimiterChar));
    for (const QString& record :
         {u"marka@Opel"_s, u"model@Astra"_s, u"godina@2008"_s, u"serien_nomer@S123"_s,
          u"reg_nomer@CA1234AB"_s, u"shasi_nomer@W0L000"_s, u"motor_nomer@Z16XEP"_s,
          u"polezen_tovar@500 кг"_s, u"rez_gumi@1"_s, u"kilometrazh@180000"_s,
          u"drugi_belezi@драскотина на вратата"_s, u"Fixed_address@Варна, ул. Морска 2"_s,
          u"Current_address@Варна, ул. Лилия 8"_s})
        EXPECT_TRUE(text.contains(record)) << record.toStdString();
    EXPECT_EQ(text.indexOf(u"marka@Opel"_s), text.indexOf(u"Padezh@30.03.2024"_s) + 1);
}

// A borrower born in 2000 or later has a personal number that starts with 0.
TEST_F(WordTemplates, ThePersonalNumberKeepsItsLeadingZero) {
    ASSERT_TRUE(Exec(uR"sql(
        Insert into Owners values ( 141150013, "Ана Петрова", "София", "ул. Роза 3", "", "", False, False, 1,
                                    "111", "01.02.2022", "МВР София", "" )
    )sql"_s));
    AddContract(21, 10, 141150013LL, 0);
    TDelimitedStringList records;
    ASSERT_TRUE(BuildContractRecords(nullptr, 21, records));
    EXPECT_TRUE(records.GetTextStr().split(RecordDelimiterChar).contains(u"EGN@0141150013"_s));
    EXPECT_TRUE(records.GetTextStr().split(RecordDelimiterChar).contains(u"Three_names@Ана Петрова"_s));
}

// The contract states what was agreed: a reprint after the fee rates changed shows the stored
// totals; the breakdown by fee appears only while today's rates still give the same total.
TEST_F(WordTemplates, AReprintShowsTheTotalsAgreed) {
    ASSERT_TRUE(Exec(uR"sql(Update Taxes_rates Set MIR = 0.05 Where code_MIR = 1 and code_t = 1)sql"_s));
    TDelimitedStringList records;
    ASSERT_TRUE(BuildContractRecords(nullptr, 17, records));
    const QStringList text = QStringList(records.GetTextStr().split(RecordDelimiterChar));
    EXPECT_TRUE(text.contains(u"suma_za_vry6tane@161.10"_s)) << text.join(u'|').toStdString();
    EXPECT_TRUE(text.contains(u"Ednokratni_taxi@3.00 лв."_s)) << text.join(u'|').toStdString();
    const QStringList daily = text.filter(QRegularExpression(u"^Dnevni_taxi@"_s));
    ASSERT_EQ(daily.size(), 1);
    EXPECT_TRUE(daily[0].startsWith(u"Dnevni_taxi@0.60 лв. (в т.ч. Съхранение"_s)) << daily[0].toStdString();
}

// The contract of a woman speaks of her as of one; the shop's own words and a man's contract stay.
TEST_F(WordTemplates, TheContractFollowsTheBorrowersGender) {
    InstallTemplates();
    PrintContractDocument(nullptr, 17);
    PrintContractDocument(nullptr, 18);
    ASSERT_EQ(Printer.Jobs.size(), 2);
    const QString man = Joined(Printer.Jobs[0].Paragraphs), woman = Joined(Printer.Jobs[1].Paragraphs);
    for (const QString& text : {man, woman})
        EXPECT_TRUE(text.contains(u"наричано по-долу ЗАЕМОДАТЕЛ"_s)) << text.toStdString();
    EXPECT_TRUE(man.contains(u"наричан по-долу ЗАЕМОПОЛУЧАТЕЛ"_s)) << man.toStdString();
    EXPECT_TRUE(man.contains(u"вещта е негова собственост"_s));
    EXPECT_TRUE(woman.contains(u"наричана по-долу ЗАЕМОПОЛУЧАТЕЛ"_s)) << woman.toStdString();
    EXPECT_TRUE(woman.contains(u"вещта е нейна собственост"_s));
    EXPECT_FALSE(woman.contains(u"негова"_s));
}

TEST_F(WordTemplates, NotesHoldingPlaceholderWordsArePrintedAsTyped) {
    InstallTemplates();
    ASSERT_TRUE(Exec(uR"sql(Update Contracts Set Notes = "model и EGN, sum_c" Where docno = 18)sql"_s));
    PrintContractDocument(nullptr, 18);
    ASSERT_EQ(Printer.Jobs.size(), 1);
    const QString text = Joined(Printer.Jobs[0].Paragraphs);
    EXPECT_TRUE(text.contains(u"model и EGN, sum_c"_s)) << text.toStdString();
    // The template's own placeholder words are still replaced.
    EXPECT_TRUE(text.contains(u"Astra"_s));
    EXPECT_TRUE(text.contains(u"7502023344"_s));
}

TEST_F(WordTemplates, PrintingWithoutTheShopsBulstatAsksFirst) {
    InstallTemplates();
    ASSERT_TRUE(Exec(uR"sql(Update VA Set value_VA = "" Where code_VA = 3)sql"_s));
    Presenter.PlanAnswer(mrNo);
    PrintContractDocument(nullptr, 17);
    EXPECT_TRUE(Printer.Jobs.isEmpty());
    EXPECT_EQ(Presenter.Texts(), QStringList{FirmDataMissingQuestion()});
    Presenter.PlanAnswer(mrYes);
    PrintContractDocument(nullptr, 17);
    EXPECT_EQ(Printer.Jobs.size(), 1);
    EXPECT_EQ(Presenter.Texts().size(), 2);
}

TEST_F(WordTemplates, MissingRowsStopWithTheirMessage) {
    ASSERT_TRUE(Exec(u"Update Contracts Set code_mps = 6 Where docno = 18"_s));
    ASSERT_TRUE(
        Exec(u"Insert into Contracts Select 19, date_c, code_i, Sum_c, M_IR, Duration, Notes, Finished, "
             "At_Date, for_sale, for_sale_date, 1, Sold, sold_at_date, gramaj, short_term, Dylzhimi_lihvi, "
             "Ednokratni_taxi, Dnevni_taxi, 0 From Contracts Where docno = 17"_s));
    ASSERT_TRUE(
        Exec(u"Insert into Contracts Select 20, date_c, 12, Sum_c, M_IR, Duration, Notes, Finished, "
             "At_Date, for_sale, for_sale_date, EGN, Sold, sold_at_date, gramaj, short_term, Dylzhimi_lihvi, "
             "Ednokratni_taxi, Dnevni_taxi, 0 From Contracts Where docno = 17"_s));
    const QList<QPair<int, QString>> cases = {
        {99, u"Договор номер 99 не съществува."_s},
        {18, u"МПС номер 6 не съществува."_s},
        {19, u"Не са намерени данни за заемополучател с ЕГН 1."_s},
        {20, u"Не са намерени данни за вещ с шифър 12."_s},
    };
    for (const auto& c : cases) {
        Presenter.Clear();
        TDelimitedStringList records;
        EXPECT_FALSE(BuildContractRecords(nullptr, c.first, records));
        EXPECT_EQ(Presenter.Texts(), QStringList{c.second});
    }
}

TEST_F(WordTemplates, ShippedContractIsFilledEverywhere) {
    InstallTemplates();
    const QString templateBefore = Joined(DocxTemplateFiller(ContractTemplatePath()).ParagraphTexts());
    for (const QString& name : ContractPlaceholders)
        EXPECT_TRUE(templateBefore.contains(name)) << "template lacks " << name.toStdString();

    for (int docNo : {17, 18}) {
        PrintContractDocument(nullptr, docNo);
        ASSERT_EQ(Printer.Jobs.size(), 1);
        const TFakeOfficePrinter::TJob job = Printer.Jobs.takeFirst();
        // Filled in a folder of this print's own, under the working copy's name.
        EXPECT_FALSE(job.File.startsWith(Program.Path()));
        EXPECT_EQ(QFileInfo(job.File).fileName(), QFileInfo(ContractWorkingCopyPath()).fileName());
        EXPECT_EQ(job.Printer, QString());
        const QString text = Joined(job.Paragraphs);
        for (const QString& name : ContractPlaceholders)
            EXPECT_FALSE(text.contains(name, Qt::CaseInsensitive))
                << docNo << " keeps " << name.toStdString();
        EXPECT_TRUE(text.contains(Format("№ %d", {docNo})));
        EXPECT_TRUE(text.contains(u"сто и петдесет лева и нула стотинки"_s));
        EXPECT_TRUE(text.contains(u"Лендора ООД"_s));
        EXPECT_EQ(text.contains(u"Марка:"_s), docNo == 18);
        if (docNo == 18)
            EXPECT_TRUE(text.contains(u"Държ. рег. № CA1234AB, № на шасито: W0L000,  № на мотора: Z16XEP"_s));
        // The working copy keeps the contract last printed; the template keeps its placeholders.
        EXPECT_EQ(DocxTemplateFiller(ContractWorkingCopyPath()).ParagraphTexts(), job.Paragraphs);
        EXPECT_EQ(Joined(DocxTemplateFiller(ContractTemplatePath()).ParagraphTexts()), templateBefore);
    }
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

// Another workstation prints contract 18 from the same program folder just as this one's
// converter is about to read contract 17: each prints its own, and the copy kept in the program
// folder is the contract finished last.
TEST_F(WordTemplates, TwoWorkstationsPrintingTogetherEachPrintTheirOwnContract) {
    InstallTemplates();
    bool otherPrinted = false;
    Printer.BeforeReading = [&](const QString&) {
        if (std::exchange(otherPrinted, true)) return;
        PrintContractDocument(nullptr, 18);
    };
    PrintContractDocument(nullptr, 17);
    ASSERT_EQ(Printer.Jobs.size(), 2);
    const QString other = Joined(Printer.Jobs[0].Paragraphs), own = Joined(Printer.Jobs[1].Paragraphs);
    EXPECT_TRUE(other.contains(u"Петя Стоянова"_s));
    EXPECT_TRUE(own.contains(u"Иван Петров Иванов"_s));
    EXPECT_FALSE(own.contains(u"Петя Стоянова"_s));
    EXPECT_FALSE(own.contains(u"987654321"_s));
    EXPECT_NE(Printer.Jobs[0].File, Printer.Jobs[1].File);
    EXPECT_EQ(DocxTemplateFiller(ContractWorkingCopyPath()).ParagraphTexts(), Printer.Jobs[1].Paragraphs);
    // Nothing but the templates and the kept copy is left in the program folder.
    EXPECT_EQ(QDir(Program.Path() + u"Programs"_s).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({u"17x54.docx"_s, u"Dogovor_2009.docx"_s, u"Dogovor_2009_4_print.docx"_s}));
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

TEST_F(WordTemplates, ContractFailuresPrintNothing) {
    // No template: the copy fails.
    PrintContractDocument(nullptr, 17);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Грешка при копиране на файловете."_s});

    // No converter: the operation fails with the system's text.
    InstallTemplates();
    Presenter.Clear();
    Printer.Installed = false;
    try {
        PrintContractDocument(nullptr, 17);
        ADD_FAILURE() << "no exception";
    } catch (const EOfficeError& e) {
        EXPECT_EQ(e.Message(), u"MS Word не е инсталиран."_s);
    }

    // A contract that does not exist.
    Printer.Installed = true;
    PrintContractDocument(nullptr, 99);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Договор номер 99 не съществува."_s});
    EXPECT_TRUE(Printer.Jobs.isEmpty());
}

TEST_F(WordTemplates, TemplateRemovedAfterAPrintStopsTheNext) {
    InstallTemplates();
    PrintContractDocument(nullptr, 17);
    // The template goes; the kept working copy must not be printed in its place.
    QFile::remove(ContractTemplatePath());
    Printer.Jobs.clear();
    PrintContractDocument(nullptr, 18);
    EXPECT_TRUE(Printer.Jobs.isEmpty());
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Грешка при копиране на файловете."_s});
}

// The contract goes where the program prints, never to the desktop's default: to the PDF output
// when that is chosen, else to the queue chosen in the program.
TEST_F(WordTemplates, TheContractGoesToThePrinterChosenInTheProgram) {
    InstallTemplates();
    {
        TPdfPrinterScope pdf;
        PrintContractDocument(nullptr, 17);
        ASSERT_EQ(Printer.Jobs.size(), 1);
        EXPECT_EQ(Printer.Jobs.takeFirst().Printer, PdfPrinterName);
    }
    TPrivateCups cups({u"Laser"_s, u"Other"_s}, u"Laser"_s);
    if (!cups.Running()) GTEST_SKIP() << "cupsd is not installed";
    TPrinterProvider& provider = TPrinterProvider::Instance();
    provider.SetPrinterIndex(int(provider.Names().indexOf(u"Other"_s)));
    PrintContractDocument(nullptr, 18);
    ASSERT_EQ(Printer.Jobs.size(), 1);
    EXPECT_EQ(Printer.Jobs[0].Printer, u"Other"_s);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

TEST_F(WordTemplates, LabelGoesToTheLabelPrinter) {
    InstallTemplates();
    PrintItemLabel(LabelTemplatePath(), u"17"_s, u"Пръстен злато"_s);
    ASSERT_EQ(Printer.Jobs.size(), 1);
    EXPECT_EQ(Printer.Jobs[0].Printer, u"Brother QL-500"_s);
    EXPECT_EQ(Printer.Jobs[0].Paragraphs, (QStringList{u"Договор № 17"_s, u"Пръстен злато"_s}));
    EXPECT_NE(Printer.Jobs[0].File, LabelTemplatePath());
    EXPECT_EQ(DocxTemplateFiller(LabelTemplatePath()).ParagraphTexts(),
              (QStringList{u"Договор № dogovor"_s, u"item_name"_s}));

    WriteRegString(u"Label_Printer"_s, u"QL500"_s);
    PrintItemLabel(LabelTemplatePath(), u"18"_s, u"Опел"_s);
    WriteRegString(u"Label_Printer"_s, QString());
    ASSERT_EQ(Printer.Jobs.size(), 2);
    EXPECT_EQ(Printer.Jobs[1].Printer, u"QL500"_s);
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

TEST_F(WordTemplates, LabelMatchesCaseAndRefusesWhatIsMissing) {
    QTemporaryDir dir;
    const QString label = dir.filePath(u"label.docx"_s);
    TDocxWriter writer;
    writer.AddParagraph({{u"Dogovor "_s}, {u"dogo"_s}, {u"vor"_s}});
    writer.SaveToFile(label);
    PrintItemLabel(label, u"5"_s, u"x"_s);
    ASSERT_EQ(Printer.Jobs.size(), 1);
    EXPECT_EQ(Printer.Jobs[0].Paragraphs, QStringList{u"Dogovor 5"_s});

    Printer.Queues = {{u"Office"_s, u"HP LaserJet"_s}};
    PrintItemLabel(label, u"5"_s, u"x"_s);
    PrintItemLabel(dir.filePath(u"none.docx"_s), u"5"_s, u"x"_s);
    EXPECT_EQ(Presenter.Texts(),
              (QStringList{u"Принтер с име \"Brother QL-500\" не е намерен."_s,
                           Format("Документ с име \"%s\" не е намерен.", {dir.filePath(u"none.docx"_s)})}));
    Printer.Installed = false;
    EXPECT_THROW(PrintItemLabel(label, u"5"_s, u"x"_s), EOfficeError);
    EXPECT_EQ(Printer.Jobs.size(), 1);
}

// Labelled "office" in CTest: the shipped contract as it comes out of LibreOffice, with its number,
// the borrower and the amounts in words.
class OfficeConversion : public WordTemplates {};

QString PdfText(const QString& Pdf) {
    QProcess process;
    process.start(u"pdftotext"_s, {u"-layout"_s, Pdf, u"-"_s});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

TEST_F(OfficeConversion, ShippedContractReadsRight) {
    if (QStandardPaths::findExecutable(u"soffice"_s).isEmpty()) GTEST_SKIP() << "soffice is absent";
    InstallTemplates();
    QTemporaryDir out;
    Printer.PdfFolder = out.path();
    PrintContractDocument(nullptr, 17);
    PrintItemLabel(LabelTemplatePath(), u"17"_s, u"Пръстен злато"_s);
    ASSERT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();

    const QString contract = PdfText(QDir(out.path()).filePath(u"Dogovor_2009_4_print.pdf"_s));
    for (const QString& expected :
         {u"№ 17"_s, u"Иван Петров Иванов, ЕГН 8001011234"_s,
          u"150.00 лв. (словом: сто и петдесет лева и нула стотинки)"_s, u"с падеж 30.03.2024"_s,
          u"Пръстен злато, 14 карата, 3.5 г"_s, u"161.10 лв."_s})
        EXPECT_TRUE(contract.contains(expected)) << expected.toStdString() << "\n" << contract.toStdString();
    const QString label = PdfText(QDir(out.path()).filePath(u"17x54.pdf"_s));
    EXPECT_EQ(label, u"Договор № 17 Пръстен злато"_s);
}

// The real converter's way to the PDF output: the contract lands in the file the PDF printer
// writes, with its text.
TEST_F(OfficeConversion, TheContractPrintsIntoThePdfOutput) {
    if (QStandardPaths::findExecutable(u"soffice"_s).isEmpty()) GTEST_SKIP() << "soffice is absent";
    InstallTemplates();
    TPdfPrinterScope pdf;
    LibreOfficePrinter office;
    const OfficePrinter* fake = SetOfficePrinter(&office);
    const auto restore = qScopeGuard([fake] { SetOfficePrinter(const_cast<OfficePrinter*>(fake)); });
    PrintContractDocument(nullptr, 17);
    ASSERT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_TRUE(PdfText(pdf.FileName()).contains(u"Иван Петров Иванов, ЕГН 8001011234"_s));
}

} // namespace
