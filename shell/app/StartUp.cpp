#include "shell/app/StartUp.h"

#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "framework/forms/Application.h"
#include "framework/forms/MAccountEditForm.h"
#include "framework/forms/MAccountStatusForm.h"
#include "shell/app/About.h"
#include "shell/app/MainForm.h"
#include "shell/app/SignIn.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QStringList>
#include <QTranslator>
#include <cstdio>
#include <memory>

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

} // namespace

void SetUpApplication(QApplication& App) {
    App.setApplicationName(QStringLiteral("Лендора"));
    // Without the translation installed Qt's texts stay English; the program works all the same.
    auto* translator = new QTranslator(&App);
    if (translator->load(QLocale(QLocale::Bulgarian, QLocale::Bulgaria), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/lendora-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

int RunProgram(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--create-database") return CreateDatabase(argc, argv);

    TApplication app(argc, argv);
    SetUpApplication(app);
    RegisterEventTypes();

    std::unique_ptr<TMainForm> MainForm;
    try {
        MainForm = std::make_unique<TMainForm>();
        if (!MainForm->StartError().isEmpty()) {
            ShowErrorFmt(MainForm->StartError());
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
