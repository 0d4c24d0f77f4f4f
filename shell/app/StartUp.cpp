#include "shell/app/StartUp.h"

#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "framework/forms/Application.h"
#include "framework/forms/MAccountEditForm.h"
#include "framework/forms/MAccountStatusForm.h"
#include "framework/printing/PagePrinter.h"
#include "shell/app/About.h"
#include "shell/app/MainForm.h"
#include "shell/app/SignIn.h"
#include "shell/archive/Archive.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QStringList>
#include <QTranslator>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

int CreateDatabase(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        CreateAdoConnection(nullptr);
        const QString path = DatabaseDir + DatabaseFileName;
        const bool created = CreateDatabaseFile(path);
        std::printf("%s: %s\n", qPrintable(path), created ? "created" : "already exists");
        FreeAdoConnection();
        return 0;
    } catch (const Exception& E) {
        std::fprintf(stderr, "Cannot create the database: %s\n", E.what());
        return 1;
    }
}

// Qt's texts that its Bulgarian translation leaves in English: the print dialog's page range and
// duplex options and the printer properties' tabs.
class TMissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char*, const char* SourceText, const char*, int) const override {
        static const QHash<QByteArray, QString> Texts = {
            {"Pages", QStringLiteral("Страници")},
            {"Double Sided Printing", QStringLiteral("Двустранен печат")},
            {"Off", QStringLiteral("Изключен")},
            {"Long side binding", QStringLiteral("Подвързване по дългата страна")},
            {"Short side binding", QStringLiteral("Подвързване по късата страна")},
            {"Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by "
             "a "
             "hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
             QStringLiteral("Страници или обхвати, разделени със запетаи; обхватът е два номера с тире между "
                            "тях. Например 3,5-7,9 отпечатва страници 3, 5, 6, 7 и 9.")},
            {"Advanced", QStringLiteral("Допълнителни")},
            {"Page", QStringLiteral("Страница")},
            {"Job Options", QStringLiteral("Настройки на заданието")},
        };
        return Texts.value(QByteArray(SourceText));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

void SetUpApplication(QApplication& App) {
    App.setApplicationName(QStringLiteral("Лендора"));
    // Month and day names, in calendars and wherever Qt writes a date, in Bulgarian. Numbers are
    // unaffected: the program writes them itself, always with ".".
    QLocale::setDefault(QLocale(QLocale::Bulgarian, QLocale::Bulgaria));
    // Without the translation installed Qt's texts stay English; the program works all the same.
    auto* translator = new QTranslator(&App);
    if (translator->load(QLocale(QLocale::Bulgarian, QLocale::Bulgaria), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    // Installed last, so asked first.
    QCoreApplication::installTranslator(new TMissingQtTexts(&App));
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/lendora-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

std::unique_ptr<TRunFolder> OpenPrintJobFolder() {
    // Per user: one user's folder would refuse another's runs.
    const QString root = QDir::temp().filePath(QStringLiteral("lendora-print-%1").arg(::getuid()));
    TRunFolder::RemoveLeftOver(root);
    auto run = std::make_unique<TRunFolder>(root);
    TPrinterProvider::Instance().SetJobFolder(run->Path());
    return run;
}

int RunProgram(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--create-database") return CreateDatabase(argc, argv);

    TApplication app(argc, argv);
    SetUpApplication(app);
    RegisterEventTypes();
    const std::unique_ptr<TRunFolder> printJobs = OpenPrintJobFolder();

    std::unique_ptr<TMainForm> MainForm;
    try {
        MainForm = std::make_unique<TMainForm>();
        if (!MainForm->StartError().isEmpty()) {
            if (!MainForm->StartCancelled()) ShowErrorFmt(MainForm->StartError());
            return 1;
        }
        QString UserName;
        if (!SignIn(MainForm.get(), UserName)) return 1;
        MainForm->SetUserName(UserName);
        // The about box and the two hidden framework windows, in this order; the main window
        // owns them.
        MainForm->SetAboutBox(new TAboutBox(MainForm.get()));
        CreateForm<TMAccountStatusForm>(MainForm.get(), 0)->hide();
        CreateForm<TMAccountEditForm>(MainForm.get(), 0)->hide();
    } catch (...) {
        HandleCurrentException();
        return 1;
    }
    // The full work area also where no window manager maximises.
    MainForm->setGeometry(MainForm->screen()->availableGeometry());
    MainForm->showMaximized();
    return app.exec();
}
