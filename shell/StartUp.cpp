#include "shell/StartUp.h"

#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "shell/MainForm.h"
#include "shell/SignIn.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
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

int RunProgram(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--create-database") return CreateDatabase(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Лендора"));
    RegisterEventTypes();

    TMainForm* MainForm = nullptr;
    try {
        MainForm = new TMainForm;
    } catch (const Exception& E) {
        ShowErrorBox(E.Message());
        return 1;
    }
    std::unique_ptr<TMainForm> Owner(MainForm);
    if (!MainForm->StartError().isEmpty()) {
        ShowErrorFmt(MainForm->StartError());
        return 1;
    }
    QString UserName;
    try {
        if (!SignIn(MainForm, UserName)) return 1;
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return 1;
    }
    MainForm->SetUserName(UserName);
    MainForm->showMaximized();
    return app.exec();
}
