#include "business/printing/unWordTemplates.h"

#include "business/engine/unLoanEngine.h"
#include "business/printing/unFirmData.h"
#include "core/uDelimitedStrings.h"
#include "core/unAmountWords.h"
#include "core/unDatabase.h"
#include "core/unFileCopy.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "framework/export/Docx.h"
#include "framework/printing/OfficePrinter.h"
#include "framework/printing/PagePrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString NotFoundText = QStringLiteral("Документ с име \"%s\" не е намерен.");

// Without a vehicle these whole lines of the template are replaced by nothing.
const char* const VehicleLines[] = {
    "Марка: marka Модел: model Година на производство: godina Сериен номер: serien_nomer",
    "Държ. рег. № reg_nomer, № на шасито: shasi_nomer,  № на мотора: motor_nomer",
    "Полезен товар: polezen_tovar, Брой резервни гуми: rez_gumi Показания на километража: kilometrazh",
    "drugi_belezi",
};

// The vehicle placeholders in the order of the MPS query's columns.
const char* const VehiclePlaceholders[] = {"marka",     "model",       "godina",      "serien_nomer",
                                           "reg_nomer", "shasi_nomer", "motor_nomer", "polezen_tovar",
                                           "rez_gumi",  "kilometrazh", "drugi_belezi"};

void AddRecord(TDelimitedStringList& Records, const QString& Name, const QString& Value) {
    Records.Add(Name + Records.FieldDelimiter() + Value);
}

QString Amount(double Value) {
    return FloatToFixedStr(AmountDecimals, RoundToDigits(AmountDecimals, Value));
}

// The text of a fee total stored with the contract: the calculator's breakdown while today's rates
// give the same total, else the stored total alone; nothing for no fee.
QString FeeText(double Stored, double Computed, const QString& Breakdown) {
    if (Amount(Stored) == Amount(Computed)) return Breakdown;
    if (RoundToDigits(AmountDecimals, Stored) == 0) return QString();
    return Amount(Stored) + QStringLiteral(" лв.");
}

// Fills the template copy at Path with Records and prints it; false after telling the operator
// when the document cannot be read or printed. Only a missing converter leaves as an exception.
bool FillAndPrint(const QString& Path, const TDelimitedStringList& Records, Qt::CaseSensitivity Cs,
                  const QString& Printer) {
    std::unique_ptr<DocxTemplateFiller> filler;
    try {
        filler = std::make_unique<DocxTemplateFiller>(Path);
    } catch (const EDocxError&) {
        ShowErrorFmt(QStringLiteral("Документ с име \"%s\" не може да бъде отворен."), {Path});
        return false;
    }
    filler->ReplaceRecords(Records, Cs);
    try {
        filler->Save();
    } catch (const EDocxError&) {
        // The writer's texts are English and for the log: the system's error says why.
        ShowPrintNotWritten(Path, WriteFailureReason(errno));
        return false;
    }
    try {
        CurrentOfficePrinter().PrintDocument(Path, Printer);
    } catch (const EOfficeError& e) {
        if (e.Message() == OfficeMissingText()) throw;
        ShowErrorFmt(e.Message());
        return false;
    }
    return true;
}

// Copies Source onto Target with the file-copy component, replacing what is there; false when
// the copy reported an error, whose system error number Error then holds.
bool CopyReplacing(const QString& Source, const QString& Target, int* Error = nullptr) {
    TFileCopyNew copy;
    copy.OnOverriding = [](TFileCopyNew*, bool& Overwrite) { Overwrite = true; };
    copy.SetSourceFile(Source);
    copy.SetTargetFile(Target);
    const bool copied = copy.Execute();
    if (Error) *Error = copy.ErrorCode();
    return copied;
}

// A folder of this print's own among the print jobs: the filled document holds the borrower's
// name and personal number.
QString WorkFolderTemplate() {
    return QDir(TPrinterProvider::Instance().JobFolder()).filePath(QStringLiteral("document-XXXXXX"));
}

// Template copied into Work, the run's own folder, as the file Name, to be filled there and leave
// the template as it is; "" when the copy failed, which is told, with the file and why when it
// could not be written. The copy is the run's to write, whatever the template allows.
QString WorkingCopy(const QTemporaryDir& Work, const QString& Template, const QString& Name) {
    const int folderError = Work.isValid() ? 0 : errno;
    QString Copy = QDir(Work.path()).filePath(Name);
    int error = folderError;
    if (folderError == 0 && CopyReplacing(Template, Copy, &error)) {
        QFile::setPermissions(Copy, QFile::ReadOwner | QFile::WriteOwner);
        return Copy;
    }
    if (error == 0)
        ShowErrorFmt(LoadStr(65078));
    else
        ShowErrorFmt(
            LoadStr(65078) + u'\r' + LoadStr(65180),
            {folderError != 0 ? TPrinterProvider::Instance().JobFolder() : Copy, WriteFailureReason(error)});
    return QString();
}

} // namespace

QString ContractTemplatePath() {
    return ProgramDir + QStringLiteral("Programs/Dogovor_2009.docx");
}

QString ContractWorkingCopyPath() {
    return ProgramDir + QStringLiteral("Programs/Dogovor_2009_4_print.docx");
}

QString LabelTemplatePath() {
    return ProgramDir + QStringLiteral("Programs/17x54.docx");
}

QString LabelPrinterName() {
    const QString chosen = ReadRegString(QStringLiteral("Label_Printer"));
    return chosen.isEmpty() ? QStringLiteral("Brother QL-500") : chosen;
}

bool BuildContractRecords(QObject* Owner, int DocNo, TDelimitedStringList& Records) {
    Records.Clear();
    TDelimitedStringList settings;
    RunQuery(Owner, AdoConnection, uR"sql(Select code_VA, value_VA From VA Order By code_VA)sql"_s,
             &settings);

    TDelimitedStringList contract;
    const QString contractSql = uR"sql(
        SELECT date_c, code_i, Sum_c, M_IR, Duration, Notes, EGN, gramaj,
               Dylzhimi_lihvi, Ednokratni_taxi, Dnevni_taxi, code_mps
        FROM Contracts
        WHERE ( docno = %d )
    )sql"_s;
    RunQuery(Owner, AdoConnection, Format(contractSql, {DocNo}), &contract);
    if (contract.Count() == 0) {
        ShowErrorFmt(QStringLiteral("Договор номер %d не съществува."), {DocNo});
        return false;
    }
    const QString dateText = contract.GetField(0, 0);
    const QString codeI = contract.GetField(0, 1);
    const double sum = StrToFloatDot(contract.GetField(0, 2), 0);
    const double monthlyRate = StrToFloatDot(contract.GetField(0, 3), 0);
    const int duration = int(StrToIntOrZero(contract.GetField(0, 4)));
    const QString egn = contract.GetField(0, 6);
    const double interest = StrToFloatDot(contract.GetField(0, 8), 0);
    // The fees agreed when the contract was made; the rates may have changed since.
    const double storedOneTime = StrToFloatDot(contract.GetField(0, 9), 0);
    const double storedDaily = StrToFloatDot(contract.GetField(0, 10), 0);
    const int codeMps = int(StrToIntOrZero(contract.GetField(0, 11)));

    TDelimitedStringList vehicle;
    if (codeMps != 0) {
        const QString vehicleSql = uR"sql(
            SELECT marka, model, godina, serien_nomer, reg_nomer, shasi_nomer, motor_nomer,
                   polezen_tovar, rezervni_gumi, kilometrazh, drugi_belezi
            FROM MPS
            WHERE ( code_mps = %d )
        )sql"_s;
        RunQuery(Owner, AdoConnection, Format(vehicleSql, {codeMps}), &vehicle);
        if (vehicle.Count() == 0) {
            ShowErrorFmt(QStringLiteral("МПС номер %d не съществува."), {codeMps});
            return false;
        }
    }

    TDelimitedStringList owner;
    const QString ownerSql = uR"sql(
        SELECT Three_names, Town, Address, pref_code, lk_nomer, lk_izdadena_na, lk_ot_MVR, Current_address,
               is_male
        FROM Owners
        WHERE ( EGN = %d )
    )sql"_s;
    RunQuery(Owner, AdoConnection, Format(ownerSql, {StrToIntOrZero(egn)}), &owner);
    if (owner.Count() == 0) {
        ShowErrorFmt(QStringLiteral("Не са намерени данни за заемополучател с ЕГН %s."), {egn});
        return false;
    }
    const int prefCode = int(StrToIntOrZero(owner.GetField(0, 3)));

    TDelimitedStringList fees;
    QString oneTimeText, dailyText;
    double oneTimeTotal = 0, dailyTotal = 0;
    if (!CalcOneTimeFees(Owner, prefCode, fees, sum, oneTimeText, oneTimeTotal)) return false;
    if (!CalcDailyFees(Owner, prefCode, duration, sum, fees, dailyText, dailyTotal)) return false;

    TDelimitedStringList item;
    const QString itemSql = uR"sql(
        SELECT Item_types.Name_i_t, Items.SN
        FROM Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t
        WHERE ( Items.code_i = %d )
    )sql"_s;
    RunQuery(Owner, AdoConnection, Format(itemSql, {StrToIntOrZero(codeI)}), &item);
    if (item.Count() == 0) {
        ShowErrorFmt(QStringLiteral("Не са намерени данни за вещ с шифър %s."), {codeI});
        return false;
    }

    AddRecord(Records, QStringLiteral("dog_nomer"), QString::number(DocNo));
    for (int code = 1; code <= 5; ++code) {
        const int row = FindRowByIntKey(code, &settings, 0);
        AddRecord(Records, Format(QStringLiteral("VA(%d)"), {code}),
                  row >= 0 ? settings.GetField(row, 1) : QString());
    }
    AddRecord(Records, QStringLiteral("date_c"), dateText);
    AddRecord(Records, QStringLiteral("sum_c"), Amount(sum));
    AddRecord(Records, QStringLiteral("M_IR"), Amount(monthlyRate));
    AddRecord(Records, QStringLiteral("Duration"), QString::number(duration));
    AddRecord(Records, QStringLiteral("Notes"), contract.GetField(0, 5));
    QString printedEgn;
    FormatEGN(egn, printedEgn);
    AddRecord(Records, QStringLiteral("EGN"), printedEgn);
    AddRecord(Records, QStringLiteral("slovom_contract"), AmountToWords(false, sum));
    AddRecord(Records, QStringLiteral("Dylzhimi_lihvi"), Amount(interest));
    AddRecord(Records, QStringLiteral("Slovom_Dylzh_lihvi"), AmountToWords(false, interest));
    TDateTime date = 0;
    AddRecord(Records, QStringLiteral("Padezh"),
              TryStrToDate(dateText, date) ? DateToStr(date + duration - 1) : QString());
    if (codeMps == 0) {
        for (const char* line : VehicleLines)
            AddRecord(Records, QString::fromUtf8(line), QString());
    } else {
        int col = 0;
        for (const char* name : VehiclePlaceholders)
            AddRecord(Records, QString::fromLatin1(name), vehicle.GetField(0, col++));
    }
    const QString fixedAddress = owner.GetField(0, 1) + QStringLiteral(", ") + owner.GetField(0, 2);
    const QString currentAddress = owner.GetField(0, 7);
    AddRecord(Records, QStringLiteral("Three_names"), owner.GetField(0, 0));
    AddRecord(Records, QStringLiteral("Fixed_address"), fixedAddress);
    AddRecord(Records, QStringLiteral("lk_nomer"), owner.GetField(0, 4));
    AddRecord(Records, QStringLiteral("lk_izdadena_na"), owner.GetField(0, 5));
    AddRecord(Records, QStringLiteral("lk_ot_MVR"), owner.GetField(0, 6));
    AddRecord(Records, QStringLiteral("Current_address"),
              currentAddress.isEmpty() ? fixedAddress : currentAddress);
    AddRecord(Records, QStringLiteral("Ednokratni_taxi"), FeeText(storedOneTime, oneTimeTotal, oneTimeText));
    AddRecord(Records, QStringLiteral("Dnevni_taxi"), FeeText(storedDaily, dailyTotal, dailyText));
    // Summed in whole stotinki, so that the parts add up to the total shown.
    const double toReturn = RoundToDigits(AmountDecimals, sum) + RoundToDigits(AmountDecimals, interest) +
                            RoundToDigits(AmountDecimals, storedOneTime) +
                            RoundToDigits(AmountDecimals, storedDaily);
    AddRecord(Records, QStringLiteral("suma_za_vry6tane"), Amount(toReturn));
    AddRecord(Records, QStringLiteral("item_name"), item.GetField(0, 0));
    AddRecord(Records, QStringLiteral("item_SN"), item.GetField(0, 1));
    // The template speaks of the borrower as of a man; a woman is spoken of as one.
    if (owner.GetField(0, 8) == QStringLiteral("False")) {
        AddRecord(Records, QStringLiteral("наричан по-долу"), QStringLiteral("наричана по-долу"));
        AddRecord(Records, QStringLiteral("вещта е негова собственост"),
                  QStringLiteral("вещта е нейна собственост"));
    }
    return true;
}

void PrintContractDocument(QObject* Owner, int DocNo) {
    if (!ConfirmFirmDataForPrinting(Owner)) return;
    // Each print fills a copy of its own: workstations share the program folder, and one that
    // prints meanwhile would fill the very file this one's converter is about to read.
    QTemporaryDir work(WorkFolderTemplate());
    const QString workingCopy =
        WorkingCopy(work, ContractTemplatePath(), QFileInfo(ContractWorkingCopyPath()).fileName());
    if (workingCopy.isEmpty()) return;
    if (!CurrentOfficePrinter().Available()) throw EOfficeError(OfficeMissingText());

    TDelimitedStringList records;
    if (!BuildContractRecords(Owner, DocNo, records)) return;
    // The printer chosen in the program, the PDF output among them; not the desktop's default.
    if (!FillAndPrint(workingCopy, records, Qt::CaseInsensitive, TPrinterProvider::Instance().PrinterName()))
        return;
    // The contract last printed stays in the program folder for the operator, written last and
    // whole (the copy replaces it by a rename). The print itself is done, so a copy that cannot
    // be kept is not worth a message.
    CopyReplacing(workingCopy, ContractWorkingCopyPath());
}

void PrintItemLabel(const QString& TemplatePath, const QString& DocNo, const QString& ItemName,
                    TLabelDocument Document) {
    if (!QFileInfo::exists(TemplatePath)) {
        ShowErrorFmt(NotFoundText, {TemplatePath});
        return;
    }
    if (!CurrentOfficePrinter().Available()) throw EOfficeError(OfficeMissingText());
    // The label is filled in a copy of its own, so the template keeps its placeholders.
    QTemporaryDir work(WorkFolderTemplate());
    const QString copy = WorkingCopy(work, TemplatePath, QFileInfo(TemplatePath).fileName());
    if (copy.isEmpty()) return;
    TDelimitedStringList records;
    // A bought item is no pledge: its label must not read as another customer's contract. Replaced
    // first, so that an item name with the word keeps it.
    if (Document == TLabelDocument::Purchase) AddRecord(records, u"Договор"_s, u"Покупка"_s);
    AddRecord(records, QStringLiteral("dogovor"), DocNo);
    AddRecord(records, QStringLiteral("item_name"), ItemName);
    FillAndPrint(copy, records, Qt::CaseSensitive, LabelPrinterName());
}
