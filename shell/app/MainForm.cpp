#include "shell/app/MainForm.h"

#include "business/documents/DocumentForm.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Incomes.h"
#include "business/documents/un_Items_purchases.h"
#include "business/documents/un_Items_sales.h"
#include "business/documents/un_Outcomes.h"
#include "business/documents/un_Pogasitelen_plan.h"
#include "business/documents/un_Vry6tane_na_ve6ti.h"
#include "business/engine/unAdminPassword.h"
#include "business/registers/un_Interest_rates.h"
#include "business/registers/un_Items.h"
#include "business/registers/un_MPS.h"
#include "business/registers/un_Owners.h"
#include "business/registers/un_Simple_Nomenklatura.h"
#include "business/registers/un_Taxes.h"
#include "business/registers/un_Taxes_rates.h"
#include "business/registers/un_Users_passwords.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "framework/forms/MAccountForm.h"
#include "framework/forms/MAccountReadForm.h"
#include "shell/app/About.h"
#include "shell/app/Settings.h"
#include "shell/app/SignIn.h"
#include "shell/archive/Archive.h"
#include "shell/reports/un_Contracts_Spravka.h"
#include "shell/reports/un_Incomes_spravka.h"
#include "shell/reports/un_Items_sales_Spravka.h"
#include "shell/reports/un_Kasa.h"
#include "shell/reports/un_Nali4ni_zalozi.h"
#include "shell/reports/un_Operacii.h"
#include "shell/reports/un_Outcomes_spravka.h"
#include "shell/reports/un_Prosro4eni_zadyljenia.h"
#include "shell/reports/un_Registyr_prodazhbi.h"
#include "shell/reports/un_Registyr_sdelki.h"
#include "shell/reports/un_Zlato.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <functional>

namespace {

const QString DatabaseInUseText =
    QStringLiteral("Базата данни се използва от друго работно място. Моля опитайте отново по-късно.");

QString ForeignFileText(const QString& Path, const QString& Reason) {
    return Format("Файлът %s не е база данни на програмата (%s).\n\rФайлът не е променен.", {Path, Reason});
}

} // namespace

QString DatabaseFileProblem(const QString& Path) {
    const QFileInfo info(Path);
    if (!info.exists())
        return Format("Не е намерен файлът с базата данни:\n\r%s\n\rСъздайте нова база данни с "
                      "\"lendora --create-database\".",
                      {Path});
    QString notReadWrite =
        Format("Файлът с базата данни не може да бъде отворен за четене и запис:\n\r%s", {Path});
    QFile file(Path);
    if (!info.isFile() || !info.isWritable() || !file.open(QIODevice::ReadOnly)) return notReadWrite;
    // SQLite writes its journal beside the file: a folder that takes no new file refuses every Save.
    if (!QFileInfo(info.absolutePath()).isWritable())
        return notReadWrite + Format("\n\rПапката %s не позволява запис.", {info.absolutePath()});
    static const QByteArray Header("SQLite format 3", 16); // with its closing zero byte
    if (file.read(Header.size()) != Header)
        return ForeignFileText(Path, QStringLiteral("очаква се база данни SQLite"));
    return QString();
}

namespace {

template <class F> TMAccountForm* MakeForm(QWidget* Owner, int Style) {
    return CreateForm<F>(Owner, Style);
}

// The settlement window serves two commands; the mode is set before it is shown.
template <bool Payment> TMAccountForm* MakeSettlementForm(QWidget* Owner, int Style) {
    auto* Form = CreateForm<TfrmVry6tane_na_ve6ti>(Owner, Style);
    Form->SetPaymentMode(Payment);
    return Form;
}

// The operators register opens only to whoever knows the manager's password, when one is set.
bool OperatorsAllowed(QWidget* Owner) {
    if (!EnsureAdminPassword(Owner)) return false;
    return AdminPassword.isEmpty() || AskAdminPassword(Owner);
}

} // namespace

const QList<TMenuCommand>& MenuCommands() {
    static const QList<TMenuCommand> Commands{
        {QStringLiteral("&Номенклатури"), QStringLiteral("N10"), QStringLiteral("Заемополучатели"),
         QKeySequence(Qt::CTRL | Qt::Key_Z), &MakeForm<TfrmOwners>, QStringLiteral("Заемополучатели"),
         QStringLiteral("Owners"), QStringLiteral("EGN"), QStringLiteral("Three_names"),
         QStringLiteral("заемополучател"), false, false},
        {QStringLiteral("&Номенклатури"), QStringLiteral("FileNewItem"), QStringLiteral("&Типове вещи"),
         QKeySequence(Qt::CTRL | Qt::Key_T), &MakeForm<TfrmSimple_Nomenklatura>,
         QStringLiteral("Типове вещи"), QStringLiteral("Item_types"), QStringLiteral("code_i_t"),
         QStringLiteral("name_i_t"), QStringLiteral("тип вещ"), false, false},
        {QStringLiteral("&Номенклатури"), QStringLiteral("FileOpenItem"), QStringLiteral("&Вещи"),
         QKeySequence(Qt::CTRL | Qt::Key_W), &MakeForm<TfrmItems>, QStringLiteral("Вещи"),
         QStringLiteral("Items"), QStringLiteral("code_i"), QStringLiteral("SN"), QStringLiteral("вещ"),
         false, false},
        {QStringLiteral("&Номенклатури"), QStringLiteral("N9"), QStringLiteral("Лихвени схеми"),
         QKeySequence(Qt::CTRL | Qt::Key_L), &MakeForm<TfrmInterest_rates>, QStringLiteral("Лихвени схеми"),
         QStringLiteral("Interest_rates"), QStringLiteral("code_mir"), QString(),
         QStringLiteral("лихвена схема"), false, false},
        {QStringLiteral("&Номенклатури"), QStringLiteral("Users_passwords"), QStringLiteral("Оператори"),
         QKeySequence(), &MakeForm<TfrmUsers_passwords>, QStringLiteral("Оператори"),
         QStringLiteral("Users_passwords"), QStringLiteral("user_name"), QStringLiteral("user_password"),
         QStringLiteral("оператор"), false, false, &OperatorsAllowed},
        {QStringLiteral("&Номенклатури"), QStringLiteral("N_Taxes"), QStringLiteral("Такси"),
         QKeySequence(Qt::CTRL | Qt::Key_K), &MakeForm<TfrmTaxes>, QStringLiteral("Такси"),
         QStringLiteral("Taxes"), QStringLiteral("code_t"), QStringLiteral("name_t"), QStringLiteral("такса"),
         false, false},
        {QStringLiteral("&Номенклатури"), QStringLiteral("N_Taxes_rates"), QStringLiteral("Размер на такси"),
         QKeySequence(), &MakeForm<TfrmTaxes_rates>, QStringLiteral("Размер на такси"),
         QStringLiteral("Taxes_rates"), QStringLiteral("code_MIR"), QString(), QStringLiteral("такса"), false,
         false},
        {QStringLiteral("&Номенклатури"), QStringLiteral("N_MPS"), QStringLiteral("МПС"),
         QKeySequence(Qt::CTRL | Qt::Key_M), &MakeForm<Tfrm_MPS>,
         QStringLiteral("МПС (Моторни превозни средства)"), QStringLiteral("MPS"), QStringLiteral("code_MPS"),
         QString(), QStringLiteral("МПС"), false, false},
        {QStringLiteral("&Документи"), QStringLiteral("CutItem"), QStringLiteral("&Договор за залог"),
         QKeySequence(Qt::CTRL | Qt::Key_D), &MakeForm<TfrmContracts>, QStringLiteral("Договор за залог"),
         QStringLiteral("Contracts"), QStringLiteral("docno"), QString(), QStringLiteral("договор за злог"),
         true, true},
        {QStringLiteral("&Документи"), QStringLiteral("Incomes"), QStringLiteral("&Приходен касов ордер"),
         QKeySequence(Qt::CTRL | Qt::Key_P), &MakeForm<TfrmIncomes>, QStringLiteral("Приходен касов ордер"),
         QStringLiteral("Incomes"), QStringLiteral("docno"), QString(),
         QStringLiteral("приходен касов ордер"), true, true},
        {QStringLiteral("&Документи"), QStringLiteral("Outcomes"), QStringLiteral("&Разходен касов ордер"),
         QKeySequence(Qt::CTRL | Qt::Key_R), &MakeForm<TfrmOutcomes>, QStringLiteral("Разходен касов ордер"),
         QStringLiteral("Outcomes"), QStringLiteral("docno"), QString(),
         QStringLiteral("разходен касов ордер"), true, true},
        // These windows set their own captions and tables.
        {QStringLiteral("&Документи"), QStringLiteral("N_Otkup"), QStringLiteral("Връщане на вещи"),
         QKeySequence(), &MakeSettlementForm<false>, QString(), QString(), QString(), QString(), QString(),
         false, true},
        {QStringLiteral("&Документи"), QStringLiteral("N4"),
         QStringLiteral("Плащане на дължими лихви и такси"), QKeySequence(), &MakeSettlementForm<true>,
         QString(), QString(), QString(), QString(), QString(), false, true},
        {QStringLiteral("&Документи"), QStringLiteral("Items_purchases"), QStringLiteral("Покупка на вещи"),
         QKeySequence(), &MakeForm<TfrmItems_purchases>, QStringLiteral("Покупка на вещи"),
         QStringLiteral("Items_purchases"), QStringLiteral("docno"), QString(),
         QStringLiteral("покупка на вещ"), true, true},
        {QStringLiteral("&Документи"), QStringLiteral("Items_sales"), QStringLiteral("Продажба на вещи"),
         QKeySequence(), &MakeForm<TfrmItems_sales>, QStringLiteral("Продажба на вещи"),
         QStringLiteral("Items_sales"), QStringLiteral("docno"), QString(), QStringLiteral("продажба на вещ"),
         true, true},
        {QStringLiteral("&Справки"), QStringLiteral("Pogasitelen_plan"), QStringLiteral("Погасителен план"),
         QKeySequence(), &MakeForm<TfrmPogasitelen_plan>, QString(), QString(), QString(), QString(),
         QString(), true, false},
        {QStringLiteral("&Справки"), QStringLiteral("Kasa"), QStringLiteral("&Каса"), QKeySequence(),
         &MakeForm<TfrmKasa>, QString(), QString(), QString(), QString(), QString(), false, false},
        {QStringLiteral("&Справки"), QStringLiteral("Zadyljenia"), QStringLiteral("Задължения"),
         QKeySequence(), &MakeForm<TfrmProsro4eni_zadyljenia>, QString(), QString(), QString(), QString(),
         QString(), true, true},
        {QStringLiteral("&Справки"), QStringLiteral("Nali4ni_zalozi"), QStringLiteral("Налични залози"),
         QKeySequence(), &MakeForm<TfrmNali4ni_zalozi>, QString(), QString(), QString(), QString(), QString(),
         false, true},
        {QStringLiteral("&Справки"), QStringLiteral("Operacii"), QStringLiteral("Операции"), QKeySequence(),
         &MakeForm<TfrmOperacii>, QString(), QString(), QString(), QString(), QString(), true, false},
        {QStringLiteral("&Справки"), QStringLiteral("Kasa_detailed"), QStringLiteral("Каса - детайлна"),
         QKeySequence(), &MakeForm<TfrmKasa_detailed>, QString(), QString(), QString(), QString(), QString(),
         false, false},
        {QStringLiteral("&Справки"), QStringLiteral("Zlato"), QStringLiteral("Злато"), QKeySequence(),
         &MakeForm<TfrmZlato>, QString(), QString(), QString(), QString(), QString(), false, false},
        {QStringLiteral("&Справки/Хронологични"), QStringLiteral("Contracts_spravka"),
         QStringLiteral("Договори за залог"), QKeySequence(), &MakeForm<TfrmContracts_Spravka>,
         QStringLiteral("Справка - договори за залог"), QStringLiteral("Contracts"), QStringLiteral("docno"),
         QString(), QStringLiteral("договор за злог"), true, true},
        {QStringLiteral("&Справки/Хронологични"), QStringLiteral("Items_sales_spravka"),
         QStringLiteral("Договори за продажба на вещи"), QKeySequence(), &MakeForm<TfrmItems_sales_Spravka>,
         QStringLiteral("Справка - договори за продажба на вещи"), QStringLiteral("Items_sales"),
         QStringLiteral("docno"), QString(), QStringLiteral("продажба на вещ"), true, true},
        {QStringLiteral("&Справки/Хронологични"), QStringLiteral("Incomes_spravka"),
         QStringLiteral("Приходни касови ордери"), QKeySequence(), &MakeForm<TfrmIncomes_spravka>,
         QStringLiteral("Справка - приходни касови ордери"), QStringLiteral("Incomes"),
         QStringLiteral("docno"), QString(), QStringLiteral("приходен касов ордер"), true, true},
        {QStringLiteral("&Справки/Хронологични"), QStringLiteral("Outcomes_spravka"),
         QStringLiteral("Разходни касови ордери"), QKeySequence(), &MakeForm<TfrmOutcomes_spravka>,
         QStringLiteral("Справка - разходни касови ордери"), QStringLiteral("Outcomes"),
         QStringLiteral("docno"), QString(), QStringLiteral("разходен касов ордер"), true, true},
        {QStringLiteral("&Справки/Наредба за дейността на заложните къщи"),
         QStringLiteral("N_Registyr_sdelki"), QStringLiteral("Регистър на сключените сделки"), QKeySequence(),
         &MakeForm<Tfrm_Registyr_sdelki>, QString(), QString(), QString(), QString(), QString(), true, false},
        {QStringLiteral("&Справки/Наредба за дейността на заложните къщи"),
         QStringLiteral("N_Registyr_prodazhbi"), QStringLiteral("Регистър на извършените продажби"),
         QKeySequence(), &MakeForm<Tfrm_Registyr_prodazhbi>, QString(), QString(), QString(), QString(),
         QString(), true, false},
        {QStringLiteral("С&ервиз"), QStringLiteral("N7"), QStringLiteral("Архивиране"), QKeySequence(),
         nullptr, QString(), QString(), QString(), QString(), QString(), false, false, nullptr,
         [](QWidget* Owner) { TformArchive::Execute(Owner, TformArchive::amArchive); }},
        {QStringLiteral("С&ервиз"), QStringLiteral("N11"), QStringLiteral("Възстановяване"), QKeySequence(),
         nullptr, QString(), QString(), QString(), QString(), QString(), false, false, nullptr,
         [](QWidget* Owner) {
             // The windows show rows of the database being replaced: they close first.
             auto* Main = qobject_cast<TMainForm*>(Owner);
             TformArchive::Execute(Owner, TformArchive::amRestore,
                                   [Main] { return !Main || Main->CloseChildWindows(); });
         }},
        {QStringLiteral("С&ервиз"), QStringLiteral("NAS"), QStringLiteral("Настройки"), QKeySequence(),
         &MakeForm<TfrmNAS>, QString(), QString(), QString(), QString(), QString(), false, false},
    };
    return Commands;
}

namespace {
// Marks the windows that take the signed-in operator's name.
constexpr char PassUserNameProperty[] = "lendoraPassUserName";
} // namespace

TMainForm::TMainForm(QWidget* Parent, const QString& ProgramFolder) : QMainWindow(Parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Заложна къща - Лендора"));
    // A document window about to save unsigned asks for the sign-in here.
    SignInBeforeSave = [this] { return !FSigningIn && EnsureSignedIn(); };
    FMdiArea = new QMdiArea(this);
    FMdiArea->setObjectName(QStringLiteral("MdiArea"));
    FMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(FMdiArea);

    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    BuildMenu();

    // One simple panel that shows the menu hints, and the signed-in operator at the right.
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);
    labOperator = new QLabel(statusBar());
    labOperator->setObjectName(QStringLiteral("labOperator"));
    statusBar()->addPermanentWidget(labOperator);
    connect(FMdiArea, &QMdiArea::subWindowActivated, this, &TMainForm::SubWindowActivated);

    SetApplicationMainWindow(this);

    FUserName.clear();
    if (ProgramFolder.isEmpty())
        CreateAdoConnection(this);
    else
        CreateAdoConnection(this, ProgramFolder);
    const QString File = DatabaseDir + DatabaseFileName;
    FStartError = DatabaseFileProblem(File);
    if (!FStartError.isEmpty()) return;
    QString Failure, FailedSql;
    for (;;) {
        try {
            LoadAdminPassword(this);
        } catch (const EDatabaseBusy&) {
            // Another workstation holds the file (a restore): the operator waits for it or ends.
            if (MessageDlgEx(DatabaseInUseText, mtWarning, {mbRetry, mbCancel}, mbRetry, mbCancel) == mrRetry)
                continue;
            FStartError = DatabaseInUseText;
            FStartCancelled = true;
            return;
        } catch (const EDatabaseError& E) {
            Failure = E.Message();
            FailedSql = E.Sql();
        }
        break;
    }
    // Another program's database would fail table after table in the database's own English; a
    // damaged one is no other program's, and only an archive brings its data back.
    const bool Ours = IsProgramDatabase(File);
    if ((!Ours || !Failure.isEmpty()) && !DatabaseFileIsSound(File)) {
        FStartError = Format("Файлът %s с базата данни е повреден.\n\rВъзстановете данните от архивно копие: "
                             "\"Сервиз\" - \"Възстановяване\".",
                             {File});
        return;
    }
    if (!Ours) {
        FStartError =
            ForeignFileText(File, QStringLiteral("в него липсват таблици или полета на програмата"));
        return;
    }
    if (!Failure.isEmpty()) {
        ShowDatabaseError(Failure, FailedSql);
        return;
    }
    // An older database lacks what the about box's repair adds; without it some windows fail.
    OfferSchemaRepair(this);
}

TMainForm::~TMainForm() {
    // The area outlives this part of the window; its last activation signal must not reach it.
    disconnect(FMdiArea, &QMdiArea::subWindowActivated, this, &TMainForm::SubWindowActivated);
    SignInBeforeSave = nullptr;
    if (ApplicationMainWindow() == this) SetApplicationMainWindow(nullptr);
    FreeAdoConnection();
}

bool TMainForm::CloseChildWindows() {
    FMdiArea->closeAllSubWindows();
    for (const QMdiSubWindow* Window : FMdiArea->subWindowList())
        if (!Window->isHidden()) return false;
    return true;
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    // Under a message no window closes: "Изход" typed ahead would take all the others with it.
    if (MessageRuns() || !CloseChildWindows()) {
        Event->ignore();
        return;
    }
    for (TMAccountForm* Form : findChildren<TMAccountForm*>())
        Form->RunDone();
    QMainWindow::closeEvent(Event);
}

void TMainForm::SetUserName(const QString& Value) {
    FUserName = Value;
    labOperator->setText(Value.isEmpty() ? QString() : QStringLiteral("Оператор: ") + Value);
    for (QMdiSubWindow* Window : FMdiArea->subWindowList())
        if (auto* List = qobject_cast<TMAccountReadForm*>(Window->widget());
            List && List->property(PassUserNameProperty).toBool())
            List->SetUserName(Value);
}

bool TMainForm::EnsureSignedIn() {
    if (!FUserName.isEmpty() || !HasOperators(this)) return true;
    FSigningIn = true;
    QString Name;
    const bool Signed = SignIn(this, Name, false);
    FSigningIn = false;
    if (Signed) SetUserName(Name);
    return Signed && !Name.isEmpty();
}

// A window opened before the first operator was saved asks for the sign-in when it is next used.
void TMainForm::SubWindowActivated(QMdiSubWindow* Window) {
    if (!Window || FSigningIn || !FUserName.isEmpty()) return;
    auto* List = qobject_cast<TMAccountReadForm*>(Window->widget());
    if (!List || !List->property(PassUserNameProperty).toBool()) return;
    if (EnsureSignedIn()) return;
    // Not signed in: the window may not be used and nothing it queued is written without an
    // operator; it closes (after this signal has been served).
    auto* Documents = qobject_cast<TDocumentForm*>(List);
    auto* Queue = dynamic_cast<TQueuedChanges*>(List);
    if (Queue && Queue->QueuedCount() > 0) {
        ShowErrorFmt(QStringLiteral(
            "Без вход в програмата документите не се записват: незаписаните документи отпадат."));
        if (Documents)
            Documents->DropQueue();
        else
            Queue->PendingSql.clear();
    }
    QTimer::singleShot(0, Window, [Window] { Window->close(); });
}

TMAccountForm* TMainForm::OpenCommand(const TMenuCommand& Command) {
    if (Command.Allowed && !Command.Allowed(this)) return nullptr;
    if (Command.PassUserName && !EnsureSignedIn()) return nullptr;
    if (Command.Run) {
        Command.Run(this);
        return nullptr;
    }
    TMAccountForm* form = Command.Create(this, TMAccountForm::fsMDIChild);
    // Only the list windows take the names, and only where the command has them: the others
    // set their own.
    auto* list = qobject_cast<TMAccountReadForm*>(form);
    if (list && !Command.FormCaption.isEmpty()) {
        list->SetFormCaption(Command.FormCaption);
        list->SetTableName(Command.TableName);
        list->SetKeyField(Command.KeyField);
        list->SetNameField(Command.NameField);
        list->SetRecordNoun(Command.RecordNoun);
    }
    if (list && Command.PassUserName) {
        list->SetUserName(FUserName);
        list->setProperty(PassUserNameProperty, true);
    }
    if (Command.Maximised) form->Container()->setWindowState(Qt::WindowMaximized);
    form->ShowForm();
    return form;
}

QMenu* TMainForm::MenuAt(const QString& Path) {
    // "&Справки/Хронологични" is a submenu of "&Справки".
    QMenu* menu = nullptr;
    QString sofar;
    for (const QString& part : Path.split(QLatin1Char('/'))) {
        sofar = sofar.isEmpty() ? part : sofar + QLatin1Char('/') + part;
        QMenu*& found = FMenus[sofar];
        if (!found) found = menu ? menu->addMenu(part) : menuBar()->addMenu(part);
        menu = found;
    }
    return menu;
}

void TMainForm::BuildMenu() {
    // Further keys of two commands, and the items a separator follows.
    const QMap<QString, QKeySequence> extraKeys{
        {QStringLiteral("FileNewItem"), QKeySequence(Qt::CTRL | Qt::Key_N)},
        {QStringLiteral("FileOpenItem"), QKeySequence(Qt::CTRL | Qt::Key_O)}};
    const QStringList separatorAfter{QStringLiteral("Users_passwords"), QStringLiteral("N_MPS"),
                                     QStringLiteral("N4")};
    const QString masterData = MenuCommands().isEmpty() ? QString() : MenuCommands().first().Menu;
    for (const TMenuCommand& command : MenuCommands()) {
        QMenu* menu = MenuAt(command.Menu);
        QAction* action = menu->addAction(command.Caption);
        action->setObjectName(command.Name);
        QList<QKeySequence> keys;
        if (!command.Shortcut.isEmpty()) keys << command.Shortcut;
        if (extraKeys.contains(command.Name)) keys << extraKeys[command.Name];
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, &command] { OpenCommand(command); });
        if (separatorAfter.contains(command.Name)) menu->addSeparator();
        if (command.Name == QLatin1String("N_MPS")) {
            QAction* exit = menu->addAction(QStringLiteral("Изход"));
            exit->setObjectName(QStringLiteral("FileExitItem"));
            connect(exit, &QAction::triggered, this, &QWidget::close);
        }
    }

    menuWindows = menuBar()->addMenu(QStringLiteral("&Прозорци"));
    menuWindows->setObjectName(QStringLiteral("menuWindows"));
    connect(menuWindows, &QMenu::aboutToShow, this, &TMainForm::FillWindowMenu);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Помощ"));
    QAction* about = help->addAction(QStringLiteral("&За програмата"));
    about->setObjectName(QStringLiteral("HelpAboutItem"));
    connect(about, &QAction::triggered, this, [this] {
        if (FAboutBox) FAboutBox->exec();
    });
}

void TMainForm::TileSubWindows(Qt::Orientation Orientation) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : FMdiArea->subWindowList())
        if (!window->isHidden() && !window->isMinimized()) windows << window;
    if (windows.isEmpty()) return;
    const QRect area = FMdiArea->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        windows[i]->showNormal();
        if (Orientation == Qt::Horizontal) {
            // One above the other, each the full width.
            const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
            windows[i]->setGeometry(0, top, area.width(), bottom - top);
        } else {
            const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
            windows[i]->setGeometry(left, 0, right - left, area.height());
        }
    }
}

void TMainForm::FillWindowMenu() {
    menuWindows->clear();
    struct TArrangement {
        const char* Name;
        QString Caption;
        std::function<void()> Run;
    };
    const TArrangement arrangements[] = {
        {"WindowCascade", QStringLiteral("&Каскадно"), [this] { FMdiArea->cascadeSubWindows(); }},
        {"WindowTileHorizontal", QStringLiteral("Един под &друг"),
         [this] { TileSubWindows(Qt::Horizontal); }},
        {"WindowTileVertical", QStringLiteral("Един до д&руг"), [this] { TileSubWindows(Qt::Vertical); }},
        {"WindowMinimizeAll", QStringLiteral("&Минимизиране на всички"),
         [this] {
             for (QMdiSubWindow* window : FMdiArea->subWindowList())
                 if (!window->isHidden()) window->showMinimized();
         }},
        {"WindowArrangeAll", QStringLiteral("&Подреждане на иконите"),
         [this] {
             // Minimised windows line up along the bottom again.
             for (QMdiSubWindow* window : FMdiArea->subWindowList())
                 if (window->isMinimized()) window->showMinimized();
         }},
    };
    const bool any = !FMdiArea->subWindowList().isEmpty();
    for (const TArrangement& a : arrangements) {
        QAction* action = menuWindows->addAction(a.Caption);
        action->setObjectName(QString::fromLatin1(a.Name));
        action->setEnabled(any);
        connect(action, &QAction::triggered, FMdiArea, a.Run);
    }
    menuWindows->addSeparator();
    const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList();
    if (windows.isEmpty()) {
        menuWindows->addAction(QStringLiteral("(няма отворени прозорци)"))->setEnabled(false);
        return;
    }
    auto* group = new QActionGroup(menuWindows);
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        const QString caption = window->windowTitle();
        QAction* action =
            menuWindows->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(caption) : caption);
        action->setCheckable(true);
        action->setChecked(window == FMdiArea->activeSubWindow());
        group->addAction(action);
        connect(action, &QAction::triggered, FMdiArea,
                [this, window] { FMdiArea->setActiveSubWindow(window); });
        ++number;
    }
}
