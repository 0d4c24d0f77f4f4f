#include "shell/app/MainForm.h"
#include "Components/Edits/DocumentDateEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/DocumentForm.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Vry6tane_na_ve6ti.h"
#include "business/engine/unAdminPassword.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "framework/forms/MAccountEditForm.h"
#include "framework/forms/MAccountReadForm.h"
#include "shell/archive/Archive.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/WriteLock.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

QByteArray ReadAll(const QString& Path) {
    QFile f(Path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void WriteAll(const QString& Path, const QByteArray& Bytes) {
    QFile f(Path);
    f.open(QIODevice::WriteOnly);
    f.write(Bytes);
}

// A payment of 70.00 to the owner typed into the payment window, ready for F4.
void TypeOwnerPayment(QWidget* Payment) {
    Payment->findChild<QLineEdit*>("leOwner")->clear();
    for (const auto& [Field, Text] :
         {std::pair{"edCustomer_name", u"Собственик"_s}, std::pair{"edSupplier_name", u"Мария Колева"_s},
          std::pair{"feSum_c", u"70"_s}}) {
        auto* Edit = Payment->findChild<QLineEdit*>(Field);
        Edit->setFocus();
        Edit->selectAll();
        TypeText(Edit, Text);
    }
}

} // namespace

TEST(DatabaseFileProblem, NamesAMissingFileAnEmptyFileAndAForeignFileWithoutTouchingThem) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("Lendora.mdb");
    EXPECT_TRUE(DatabaseFileProblem(missing).contains(missing));
    EXPECT_FALSE(QFile::exists(missing));

    const QString empty = dir.filePath("empty.mdb");
    WriteAll(empty, QByteArray());
    EXPECT_TRUE(DatabaseFileProblem(empty).contains(QStringLiteral("не е база данни")));

    // An Access file copied from a Windows machine.
    const QString access = dir.filePath("access.mdb");
    const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2000, 'x');
    WriteAll(access, jet);
    EXPECT_TRUE(DatabaseFileProblem(access).contains(QStringLiteral("не е база данни")));
    EXPECT_EQ(ReadAll(access), jet);
}

TEST(MainForm, OpensTheDatabaseAndReadsTheTrimmedManagersPassword) {
    TTempProgramDir Dir;
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection, R"sql(UPDATE VA set value_va = "  tajna " WHERE code_va = 12)sql"));
    FreeAdoConnection();

    TMainForm Form(nullptr, Dir.Path());
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Заложна къща - Лендора"));
    EXPECT_TRUE(Form.StartError().isEmpty());
    EXPECT_NE(Form.MdiArea(), nullptr);
    EXPECT_TRUE(Form.UserName().isEmpty());
    EXPECT_EQ(AdminPassword, QStringLiteral("tajna"));
    EXPECT_TRUE(AdminPasswordKnown());
}

TEST(MainForm, APasswordOfBlanksCountsAsNone) {
    TTempProgramDir Dir;
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection, R"sql(UPDATE VA set value_va = "   " WHERE code_va = 12)sql"));
    FreeAdoConnection();
    AdminPassword = QStringLiteral("old");
    TMainForm Form(nullptr, Dir.Path());
    EXPECT_TRUE(AdminPassword.isEmpty());
    EXPECT_TRUE(AdminPasswordKnown());
}

TEST(MainForm, AMissingDatabaseIsReportedAndNotCreated) {
    QTemporaryDir Dir;
    TScriptedPresenter Presenter;
    TMainForm Form(nullptr, Dir.path() + "/");
    EXPECT_TRUE(Form.StartError().contains(QStringLiteral("Lendora.mdb")));
    EXPECT_TRUE(Presenter.Messages().isEmpty()); // the caller shows the start error, once
    EXPECT_FALSE(QFile::exists(Dir.path() + "/db/Lendora.mdb"));
}

TEST(MainForm, AFailedPasswordReadKeepsGuardedOperationsClosedUntilARereadSucceeds) {
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    // Another workstation keeps every reader out while this one starts (a restore's install), and
    // the operator does not wait for it.
    auto Restoring = std::make_unique<TOtherWorkstationLock>(true);
    FreeAdoConnection();
    Presenter.PlanAnswer(mrCancel);
    TMainForm Form(nullptr, Dir.Path());
    Restoring.reset();
    EXPECT_TRUE(Form.StartCancelled());
    EXPECT_EQ(Presenter.Messages().size(), 1); // asked once
    EXPECT_FALSE(AdminPasswordKnown());

    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(ALTER TABLE VA RENAME TO VA_away)sql"));
    EXPECT_FALSE(EnsureAdminPassword(&Form));
    EXPECT_EQ(Presenter.Messages().size(), 2);

    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(ALTER TABLE VA_away RENAME TO VA)sql"));
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(UPDATE VA set value_va = "x" WHERE code_va = 12)sql"));
    EXPECT_TRUE(EnsureAdminPassword(&Form));
    EXPECT_EQ(AdminPassword, QStringLiteral("x"));
}

// Answers as planned; the other workstation lets go of the file when the operator is asked.
class TReleasingPresenter : public TScriptedPresenter {
public:
    TModalResult Present(const TMessageRequest& Request) override {
        Lock.reset();
        return TScriptedPresenter::Present(Request);
    }
    std::unique_ptr<TOtherWorkstationLock> Lock;
};

// A database the program cannot work with ends the start in Bulgarian, before any English of the
// database's: another program's SQLite file, one that lacks a table of the program, a damaged one
// (named with the restore that brings the data back), one another workstation holds (retried or
// ended by the operator, asked once), and a folder that takes no journal beside a writable file
// (the first Save would fail).
TEST(MainForm, StartUpRefusesInBulgarianADatabaseItCannotWorkWith) {
    const QString InUse =
        u"Базата данни се използва от друго работно място. Моля опитайте отново по-късно."_s;
    const QString NotOurs = u"не е база данни на програмата"_s;
    struct TCase {
        const char* Name;
        std::function<void(const QString& File)> Damage; // on the program's database; none: another program's
        bool Locked;         // another workstation holds the file until the operator is asked
        TModalResult Answer; // to that question
        QString Error;       // what the start error holds; empty: the program starts
        bool Cancelled;
    };
    const TCase Cases[] = {
        {"another program's file", nullptr, false, mrNone, NotOurs, false},
        {"no settings table",
         [](const QString&) { ExecSQL(nullptr, AdoConnection, R"sql(ALTER TABLE VA RENAME TO VA_away)sql"); },
         false, mrNone, NotOurs, false},
        {"settings kept, owners missing",
         [](const QString&) { ExecSQL(nullptr, AdoConnection, R"sql(DROP TABLE Owners)sql"); }, false, mrNone,
         NotOurs, false},
        {"damaged",
         [](const QString& File) {
             FreeAdoConnection();
             QFile Db(File);
             ASSERT_TRUE(Db.open(QIODevice::ReadWrite));
             Db.seek(100); // the first page's tree, past the file header
             Db.write(QByteArray(16, '\xff'));
         },
         false, mrNone,
         u"е повреден.\n\rВъзстановете данните от архивно копие: \"Сервиз\" - \"Възстановяване\"."_s, false},
        {"in use, not retried", [](const QString&) {}, true, mrCancel, InUse, true},
        {"in use, retried once free", [](const QString&) {}, true, mrRetry, QString(), false},
    };
    for (const TCase& Case : Cases) {
        TTempProgramDir Dir(bool(Case.Damage));
        if (Case.Damage) {
            Case.Damage(Dir.DatabaseFile());
        } else {
            sqlite3* Other = nullptr;
            ASSERT_EQ(sqlite3_open(QFile::encodeName(Dir.DatabaseFile()).constData(), &Other), SQLITE_OK);
            sqlite3_exec(Other, "CREATE TABLE Notes (id INTEGER, text TEXT)", nullptr, nullptr, nullptr);
            sqlite3_close(Other);
        }
        TReleasingPresenter Presenter;
        if (Case.Locked) Presenter.Lock = std::make_unique<TOtherWorkstationLock>(true);
        Presenter.PlanAnswer(Case.Answer);
        FreeAdoConnection();
        TMainForm Form(nullptr, Dir.Path());
        EXPECT_EQ(Form.StartError().isEmpty(), Case.Error.isEmpty()) << Case.Name;
        EXPECT_TRUE(Form.StartError().contains(Case.Error))
            << Case.Name << ": " << Form.StartError().toStdString();
        EXPECT_EQ(Form.StartCancelled(), Case.Cancelled) << Case.Name;
        // Asked once, in Bulgarian, whether to try again; nothing else is shown.
        EXPECT_EQ(Presenter.Texts(), Case.Locked ? QStringList{InUse} : QStringList())
            << Case.Name << ": " << Presenter.Texts().join(u'|').toStdString();
        if (Case.Locked)
            EXPECT_EQ(Presenter.Messages()[0].Buttons, (TMsgDlgButtons{mbRetry, mbCancel})) << Case.Name;
    }
    const auto StartError = [](const TTempProgramDir& Dir) {
        TScriptedPresenter Presenter;
        FreeAdoConnection();
        TMainForm Form(nullptr, Dir.Path());
        EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        return Form.StartError();
    };
    {
        TTempProgramDir Dir;
        const QString Folder = Dir.Path() + u"db"_s;
        ASSERT_EQ(::chmod(QFile::encodeName(Folder).constData(), 0555), 0);
        const int Refused = RunInChild(WithoutOverride, [&] {
            const QString Error = StartError(Dir);
            return Error.startsWith(u"Файлът с базата данни не може да бъде отворен за четене и запис"_s) &&
                           Error.contains(Folder)
                       ? 0
                       : 1;
        });
        ::chmod(QFile::encodeName(Folder).constData(), 0755);
        if (Refused == 125) GTEST_SKIP() << "no user namespace for a folder that refuses root";
        EXPECT_EQ(Refused, 0);
    }
}

// A database from before the sale's short-term mark: the start names the repair and offers it;
// refused, the program starts as it is, accepted, the column is there and the next start is quiet.
TEST(MainForm, AnOlderDatabaseIsOfferedTheAboutBoxsRepairAtStartUp) {
    TTempProgramDir Dir;
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(ALTER TABLE Items_sales DROP COLUMN short_term)sql"));
    const auto HasColumn = [] {
        TDelimitedStringList List;
        try {
            RunQuery(nullptr, AdoConnection, R"sql(SELECT short_term FROM Items_sales)sql", &List);
            return true;
        } catch (const EDatabaseError&) {
            return false;
        }
    };
    for (const TModalResult Answer : {mrNo, mrYes}) {
        TScriptedPresenter Presenter;
        Presenter.PlanAnswer(Answer);
        FreeAdoConnection();
        TMainForm Form(nullptr, Dir.Path());
        EXPECT_TRUE(Form.StartError().isEmpty());
        ASSERT_EQ(Presenter.Messages().size(), 1);
        EXPECT_TRUE(Presenter.Texts()[0].contains(u"FIX"_s) &&
                    Presenter.Texts()[0].contains(u"За програмата"_s))
            << Presenter.Texts()[0].toStdString();
        EXPECT_EQ(HasColumn(), Answer == mrYes);
    }
    TScriptedPresenter Presenter;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

TEST(MainForm, ClosingAsksEachChildWindowAndStaysOpenWhenOneRefuses) {
    TTempProgramDir Dir;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    auto* Child = CreateForm<TMAccountEditForm>(&Form, 1);
    Child->ShowForm();
    Child->Modified = true;

    Presenter.PlanAnswer(mrCancel); // the unsaved-changes question
    EXPECT_FALSE(Form.close());
    EXPECT_EQ(Presenter.Messages().size(), 1);
    EXPECT_FALSE(Child->SubWindow()->isHidden());

    Presenter.PlanAnswer(mrNo);
    EXPECT_TRUE(Form.close());
    EXPECT_EQ(Presenter.Messages().size(), 2);
}

TEST(MainForm, ARestoreClosesTheOpenWindowsFirstAndStopsWhenOneStaysOpen) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    {
        TformArchive Archive(nullptr, TformArchive::amArchive);
        QTest::mouseClick(Archive.btnNext, Qt::LeftButton);
        ASSERT_EQ(Archive.Step(), 99);
    }
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection, R"sql(INSERT INTO Owners (EGN, Three_names) VALUES (1, "Иван"))sql"));
    auto OwnerCount = [] {
        TDelimitedStringList List;
        RunQuery(nullptr, AdoConnection, R"sql(SELECT count(*) FROM Owners)sql", &List);
        return List.Get(0).toInt();
    };
    // Runs the menu's restore of the one archive; the wizard's error code.
    auto RestoreFromMenu = [&] {
        int Error = -2;
        QTimer::singleShot(0, [&] {
            auto* Wizard = qobject_cast<TformArchive*>(QApplication::activeModalWidget());
            ASSERT_NE(Wizard, nullptr);
            Wizard->listArchives->topLevelItem(0)->setSelected(true);
            QTest::mouseClick(Wizard->btnNext, Qt::LeftButton);
            Error = Wizard->Step() == 98 ? 0 : Wizard->ErrorCode();
            Wizard->close();
        });
        Form.findChild<QAction*>("N11")->trigger();
        return Error;
    };
    auto* Child = CreateForm<TMAccountEditForm>(&Form, 1);
    Child->ShowForm();
    Child->Modified = true;

    Presenter.PlanAnswer(mrYes);    // replace the current data
    Presenter.PlanAnswer(mrCancel); // the child's unsaved-changes question
    // The operator cancelled: nothing was changed.
    EXPECT_EQ(RestoreFromMenu(), 5);
    EXPECT_FALSE(Child->SubWindow()->isHidden());
    EXPECT_EQ(OwnerCount(), 1);

    Presenter.PlanAnswer(mrYes);
    Presenter.PlanAnswer(mrNo);
    EXPECT_EQ(RestoreFromMenu(), 0);
    for (const QMdiSubWindow* Window : Form.MdiArea()->subWindowList())
        EXPECT_TRUE(Window->isHidden());
    EXPECT_EQ(OwnerCount(), 0);
}

TEST(MainForm, EveryMenuCommandOpensItsWindowWithItsTexts) {
    TTempProgramDir Dir;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    Form.resize(1000, 700);
    for (const TMenuCommand& Command : MenuCommands()) {
        auto* Action = Form.findChild<QAction*>(Command.Name);
        ASSERT_NE(Action, nullptr) << Command.Name.toStdString();
        EXPECT_EQ(Action->shortcut(), Command.Shortcut);
        if (Command.Run) continue; // modal windows, tested on their own
        Action->trigger();
        auto* Window = qobject_cast<TMAccountForm*>(Form.MdiArea()->subWindowList().last()->widget());
        ASSERT_NE(Window, nullptr) << Command.Name.toStdString();
        EXPECT_EQ(Window->Container()->isMaximized(), Command.Maximised);
        // The settings window is no list window and takes no names.
        if (auto* List = qobject_cast<TMAccountReadForm*>(Window)) {
            EXPECT_EQ(List->FormCaption, Command.FormCaption);
            EXPECT_EQ(List->TableName, Command.TableName);
            EXPECT_EQ(List->KeyField, Command.KeyField);
            EXPECT_EQ(List->NameField, Command.NameField);
            EXPECT_EQ(List->RecordNoun, Command.RecordNoun);
        }
        Window->Close();
        QApplication::processEvents();
    }
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

// One window class serves the return of items and the payment of interest; the command decides.
TEST(MainForm, SettlementCommandsOpenTheirMode) {
    TTempProgramDir Dir;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    Form.SetUserName(QStringLiteral("maria"));
    const struct {
        const char* Name;
        bool PaymentMode;
        QString Title;
    } Cases[] = {{"N_Otkup", false, QStringLiteral("Връщане на вещи")},
                 {"N4", true, QStringLiteral("Плащане на дължими лихви и такси")}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Form.findChild<QAction*>(QString::fromLatin1(C.Name))->trigger();
        auto* Window = qobject_cast<TfrmVry6tane_na_ve6ti*>(Form.MdiArea()->subWindowList().last()->widget());
        ASSERT_NE(Window, nullptr);
        EXPECT_EQ(Window->PaymentMode, C.PaymentMode);
        EXPECT_EQ(Window->Container()->windowTitle(), C.Title);
        EXPECT_EQ(Window->UserName, QStringLiteral("maria"));
        Window->Close();
        QApplication::processEvents();
    }
}

TEST(MainForm, TheOperatorsRegisterOpensOnlyToTheManagersPassword) {
    TTempProgramDir Dir;
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection, R"sql(UPDATE VA set value_va = "Tajna" WHERE code_va = 12)sql"));
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    auto* Action = Form.findChild<QAction*>(QStringLiteral("Users_passwords"));
    ASSERT_NE(Action, nullptr);

    Presenter.PlanPassword(std::nullopt); // cancelled
    Action->trigger();
    Presenter.PlanPassword(QStringLiteral("tajna")); // the case differs
    Action->trigger();
    EXPECT_TRUE(Form.MdiArea()->subWindowList().isEmpty());
    ASSERT_EQ(Presenter.Passwords().size(), 2);
    EXPECT_EQ(Presenter.Passwords()[0].Caption, QStringLiteral("Въвеждане на парола"));
    EXPECT_EQ(Presenter.Passwords()[0].Prompt, QStringLiteral("Въведете парола"));
    EXPECT_EQ(Presenter.Passwords()[0].PasswordChar, QChar(u'*'));
    EXPECT_EQ(Presenter.Texts(), QStringList({QStringLiteral("Въведената парола е грешна!")}));

    Presenter.PlanPassword(QStringLiteral("Tajna"));
    Action->trigger();
    ASSERT_EQ(Form.MdiArea()->subWindowList().size(), 1);
    auto* Window = qobject_cast<TMAccountReadForm*>(Form.MdiArea()->subWindowList()[0]->widget());
    ASSERT_NE(Window, nullptr);
    EXPECT_EQ(Window->TableName, QStringLiteral("Users_passwords"));
    Window->Close();
    QApplication::processEvents();

    // Without a manager's password the register opens at once.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, R"sql(UPDATE VA SET value_va = "" WHERE code_va = 12)sql"));
    Action->trigger();
    EXPECT_EQ(Presenter.Passwords().size(), 3);
    EXPECT_EQ(Form.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(Presenter.PendingAnswers(), 0);
}

TEST(MainForm, TheMenuBarHoldsTheMenusWithTheirSeparatorsExtraKeysAndWindowCommands) {
    TTempProgramDir Dir;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    QStringList Titles;
    for (QAction* Menu : Form.menuBar()->actions())
        Titles << Menu->text();
    EXPECT_EQ(Titles.first(), QStringLiteral("&Номенклатури"));
    EXPECT_EQ(Titles.mid(Titles.size() - 2),
              QStringList({QStringLiteral("&Прозорци"), QStringLiteral("&Помощ")}));

    QMenu* Master = Form.menuBar()->actions().first()->menu();
    QStringList Items;
    for (QAction* Item : Master->actions())
        Items << (Item->isSeparator() ? QStringLiteral("-") : Item->objectName());
    EXPECT_EQ(Items, QStringList({"N10", "FileNewItem", "FileOpenItem", "N9", "Users_passwords", "-",
                                  "N_Taxes", "N_Taxes_rates", "N_MPS", "-", "FileExitItem"}));
    EXPECT_TRUE(
        Form.findChild<QAction*>("FileNewItem")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_N)));
    EXPECT_TRUE(
        Form.findChild<QAction*>("FileOpenItem")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_O)));

    // The same command twice opens two windows; tiling lays them side by side.
    Form.resize(1000, 700);
    Form.show();
    Form.findChild<QAction*>("FileNewItem")->trigger();
    Form.findChild<QAction*>("FileNewItem")->trigger();
    QApplication::processEvents();
    const QList<QMdiSubWindow*> Windows = Form.MdiArea()->subWindowList();
    ASSERT_EQ(Windows.size(), 2);
    Form.findChild<QMenu*>("menuWindows")->aboutToShow();
    Form.findChild<QAction*>("WindowTileVertical")->trigger();
    EXPECT_EQ(Windows[0]->geometry().top(), Windows[1]->geometry().top());
    EXPECT_LE(Windows[0]->geometry().right(), Windows[1]->geometry().left());
    Form.findChild<QAction*>("WindowTileHorizontal")->trigger();
    EXPECT_EQ(Windows[0]->geometry().left(), Windows[1]->geometry().left());
    EXPECT_LE(Windows[0]->geometry().bottom(), Windows[1]->geometry().top());
    EXPECT_TRUE(Presenter.Messages().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

// The first operator is saved while the program runs unsigned: the windows opened before then
// ask for the sign-in when they are used again, later ones before they open; a refused sign-in
// keeps the window closed, and the signed-in operator stands in the status bar.
TEST(MainForm, OnceAnOperatorExistsNoDocumentWindowWorksUnsigned) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    Form.resize(1000, 700);
    ASSERT_TRUE(ShowAndActivate(&Form));
    const auto Open = [&](const char* Name) {
        const int Before = int(Form.MdiArea()->subWindowList().size());
        Form.findChild<QAction*>(Name)->trigger();
        QApplication::processEvents();
        return int(Form.MdiArea()->subWindowList().size()) > Before ? Form.MdiArea()->subWindowList().last()
                                                                    : nullptr;
    };
    const auto SignInAs = [](const QString& User, const QString& Password) {
        WhenModalShown("TSignInDialog", [=](QWidget* Dialog) {
            Dialog->findChild<QLineEdit*>("edUserName")->setText(User);
            Dialog->findChild<QLineEdit*>("edPassword")->setText(Password);
            Dialog->findChild<QPushButton*>("OK")->click();
        });
    };
    auto* Operator = Form.findChild<QLabel*>("labOperator");
    ASSERT_NE(Operator, nullptr);

    // No operator yet: the payment window opens unsigned and a payment to the owner is queued.
    QMdiSubWindow* Contracts = Open("Outcomes");
    ASSERT_NE(Contracts, nullptr);
    auto* ContractList = qobject_cast<TMAccountReadForm*>(Contracts->widget());
    EXPECT_TRUE(ContractList->UserName.isEmpty());
    TypeOwnerPayment(ContractList);
    for (QAction* Action : ContractList->findChildren<QAction*>())
        if (Action->shortcut() == QKeySequence(Qt::Key_F4)) Action->trigger();
    ASSERT_EQ(qobject_cast<TDocumentForm*>(ContractList)->QueuedCount(), 1)
        << Presenter.Texts().join(u'|').toStdString();
    QMdiSubWindow* Receipts = Open("Incomes");
    ASSERT_NE(Receipts, nullptr);
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        uR"sql(Insert into Users_passwords values ( "ivan", "pass", "Иван Петров" ))sql"_s));
    Presenter.Clear();

    // Back to the contract window: the sign-in comes first; a cancel closes the window, and the
    // receipt window, active next, asks in its turn.
    WhenModalShown("TSignInDialog", [&](QWidget* Dialog) {
        Dialog->findChild<QPushButton*>("Cancel")->click();
        SignInAs("IVAN", "pass");
    });
    Form.MdiArea()->setActiveSubWindow(Contracts);
    for (int I = 0; I < 200 && Form.UserName().isEmpty(); ++I)
        QTest::qWait(10);
    QApplication::processEvents();
    EXPECT_FALSE(Form.MdiArea()->subWindowList().contains(Contracts));
    // Its payment is not written without an operator, and the operator is told so.
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE payment_type = 3"_s), u"0"_s);
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList{u"Без вход в програмата документите не се записват: незаписаните документи отпадат."_s});
    ASSERT_TRUE(Form.MdiArea()->subWindowList().contains(Receipts));
    EXPECT_EQ(Form.UserName(), "ivan");
    EXPECT_EQ(qobject_cast<TMAccountReadForm*>(Receipts->widget())->UserName, "ivan");
    EXPECT_TRUE(Operator->text().contains("ivan")) << Operator->text().toStdString();

    // Signed in once is enough: later windows open with the name.
    QMdiSubWindow* Outcomes = Open("Outcomes");
    ASSERT_NE(Outcomes, nullptr);
    EXPECT_EQ(qobject_cast<TMAccountReadForm*>(Outcomes->widget())->UserName, "ivan");

    // Refused before opening: nothing opens and nobody is signed in.
    Form.CloseChildWindows();
    Form.SetUserName(QString());
    WhenModalShown("TSignInDialog",
                   [](QWidget* Dialog) { Dialog->findChild<QPushButton*>("Cancel")->click(); });
    EXPECT_EQ(Open("N_Otkup"), nullptr);
    EXPECT_TRUE(Form.UserName().isEmpty());
    Form.CloseChildWindows();
}

// Another workstation saves the first operator while a window stays active here: its F2 asks for
// the sign-in and writes the payment signed. The obligations window, refused the sign-in when it
// is used again, writes nothing it queued.
TEST(MainForm, AWindowLeftActiveAsksForTheSignInAtSaveAndNothingIsWrittenUnsigned) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    Form.resize(1000, 700);
    ASSERT_TRUE(ShowAndActivate(&Form));
    const auto Open = [&](const char* Name) {
        Form.findChild<QAction*>(Name)->trigger();
        QApplication::processEvents();
        return Form.MdiArea()->subWindowList().last();
    };
    const auto Press = [](QWidget* Window, Qt::Key Key) {
        for (QAction* Action : Window->findChildren<QAction*>())
            if (Action->shortcut() == QKeySequence(Key)) Action->trigger();
        QApplication::processEvents();
    };
    QMdiSubWindow* Obligations = Open("Zadyljenia");
    auto* Queue = dynamic_cast<TQueuedChanges*>(Obligations->widget());
    ASSERT_NE(Queue, nullptr);
    Queue->Queue({uR"sql(Insert into Outcomes values ( 50, 45351, 0, 3, 5, "Собственик", "", "" ))sql"_s});
    QMdiSubWindow* Payments = Open("Outcomes");
    auto* Payment = Payments->widget();
    TypeOwnerPayment(Payment);
    Press(Payment, Qt::Key_F4);
    ASSERT_EQ(qobject_cast<TDocumentForm*>(Payment)->QueuedCount(), 1)
        << Presenter.Texts().join(u'|').toStdString();
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        uR"sql(Insert into Users_passwords values ( "ivan", "pass", "Иван Петров" ))sql"_s));

    WhenModalShown("TSignInDialog", [](QWidget* Dialog) {
        Dialog->findChild<QLineEdit*>("edUserName")->setText(u"ivan"_s);
        Dialog->findChild<QLineEdit*>("edPassword")->setText(u"pass"_s);
        Dialog->findChild<QPushButton*>("OK")->click();
    });
    Press(Payment, Qt::Key_F2);
    EXPECT_EQ(Form.UserName(), u"ivan"_s);
    EXPECT_EQ(QueryText(u"SELECT user_name FROM Outcomes WHERE sum_o = 70"_s), u"ivan"_s)
        << Presenter.Texts().join(u'|').toStdString();

    // Signed out again (as after a refused sign-in), the obligations window drops its queue.
    QMdiSubWindow* Receipts = Open("Incomes");
    Form.SetUserName(QString());
    Presenter.Clear();
    const auto SignInAsIvan = [](QWidget* Dialog) {
        Dialog->findChild<QLineEdit*>("edUserName")->setText(u"ivan"_s);
        Dialog->findChild<QLineEdit*>("edPassword")->setText(u"pass"_s);
        Dialog->findChild<QPushButton*>("OK")->click();
    };
    // The window active next, with nothing queued, asks in its turn and closes unsigned without a
    // word; the last one signs in.
    WhenModalShown("TSignInDialog", [&](QWidget* Dialog) {
        Dialog->findChild<QPushButton*>("Cancel")->click();
        WhenModalShown("TSignInDialog", [&](QWidget* Dialog) {
            Dialog->findChild<QPushButton*>("Cancel")->click();
            WhenModalShown("TSignInDialog", SignInAsIvan);
        });
    });
    Form.MdiArea()->setActiveSubWindow(Obligations);
    for (int I = 0; I < 300 && Form.UserName().isEmpty(); ++I)
        QTest::qWait(10);
    QApplication::processEvents();
    EXPECT_FALSE(Form.MdiArea()->subWindowList().contains(Obligations));
    EXPECT_EQ(Form.MdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(Form.MdiArea()->subWindowList().contains(Receipts) ||
                Form.MdiArea()->subWindowList().contains(Payments));
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList{u"Без вход в програмата документите не се записват: незаписаните документи отпадат."_s});
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE docno = 50"_s), u"0"_s);
    Form.CloseChildWindows();
}

// Keys typed ahead reach the main window's queue before the dialog they open has the keyboard.
// None of them may close the window under its dialog: the window, and the payment it queued,
// outlive every dialog, and Esc closes it once the dialogs are gone.
TEST(MainForm, KeysTypedAheadOfAWindowsDialogNeverCloseTheWindowUnderIt) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    FreeAdoConnection();
    TMainForm Form(nullptr, Dir.Path());
    TScriptedPresenter Presenter;
    Form.resize(1000, 700);
    ASSERT_TRUE(ShowAndActivate(&Form));
    Form.findChild<QAction*>("Outcomes")->trigger();
    QApplication::processEvents();
    QPointer<QMdiSubWindow> Payments = Form.MdiArea()->subWindowList().last();
    auto* Payment = qobject_cast<TDocumentForm*>(Payments->widget());
    TypeOwnerPayment(Payment);
    Payment->actNew->trigger();
    ASSERT_EQ(Payment->QueuedCount(), 1) << Presenter.Texts().join(u'|').toStdString();

    const auto Post = [&](QKeyCombination Key) {
        // Offscreen, nothing gives the main window the keyboard back after a dialog.
        if (!Form.isActiveWindow()) {
            ASSERT_TRUE(ShowAndActivate(&Form));
            Payment->Grid->setFocus();
        }
        QCoreApplication::postEvent(&Form,
                                    new QKeyEvent(QEvent::KeyPress, Key.key(), Key.keyboardModifiers()));
        QCoreApplication::postEvent(&Form,
                                    new QKeyEvent(QEvent::KeyRelease, Key.key(), Key.keyboardModifiers()));
    };
    struct TCase {
        QKeyCombination Opens;
        const char* Dialog;
        QKeyCombination Then;
    };
    const auto Survives = [&](const TCase& Case) {
        bool Shown = false;
        WhenModalShown(Case.Dialog, [&](QWidget* Dialog) {
            Shown = true;
            Dialog->close();
        });
        Post(Case.Opens);
        Post(Case.Then);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Shown && !QApplication::activeModalWidget(); }));
        QApplication::processEvents();
        return !Payments.isNull() && Payments->isVisible();
    };
    for (const TCase& Case : {TCase{Qt::Key_F6, "TfrmSimpleFilter", Qt::Key_Escape},
                              TCase{Qt::Key_F7, "TfrmGridSearch", Qt::Key_Escape},
                              TCase{Qt::Key_F10, "TfmExport", Qt::Key_Escape},
                              // The sub-window's own close key.
                              TCase{Qt::Key_F6, "TfrmSimpleFilter", Qt::CTRL | Qt::Key_F4}})
        ASSERT_TRUE(Survives(Case)) << Case.Dialog;
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();

    // The queued payment is saved, and the document's own print is a dialog of the window too.
    Post(Qt::Key_F2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Payment->QueuedCount() == 0; }));
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE sum_o = 70"_s), u"1"_s)
        << Presenter.Texts().join(u'|').toStdString();
    Payment->Grid->SetRow(1);
    for (const TCase& Case : {TCase{Qt::CTRL | Qt::Key_F9, "TfmPrint", Qt::Key_Escape},
                              TCase{Qt::CTRL | Qt::Key_F9, "TfmPrint", Qt::CTRL | Qt::Key_F4}}) {
        Presenter.PlanAnswer(mrYes); // print without the shop's name
        ASSERT_TRUE(Survives(Case)) << Case.Dialog;
    }

    // The keys are the window's again.
    Post(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Payments.isNull(); }));
}

// A message a field shows by its own check keeps its window: a close that comes in right behind the
// key bringing the message (the sub-window's close key, the menu's "Изход") finds the message up
// and is refused, the field's code goes on in a live window, and what the window queued is saved.
TEST(MainForm, ACloseTypedAheadOfAFieldsMessageNeverFreesTheWindowUnderIt) {
    TContractShop Shop(QStringLiteral(LENDORA_SOURCE_DIR));
    FreeAdoConnection();
    TMainForm Form(nullptr, Shop.Path());
    Form.resize(1280, 860);
    ASSERT_TRUE(ShowAndActivate(&Form));
    Form.SetUserName(u"maria"_s);
    std::optional<TScriptedPresenter> Presenter(std::in_place);
    const auto Type = [](QWidget* Field, const QString& Text) {
        Field->setFocus();
        if (auto* Edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) Edit->selectAll();
        TypeText(QApplication::focusWidget(), Text);
    };
    Form.findChild<QAction*>("CutItem")->trigger();
    QPointer<QMdiSubWindow> Contracts = Form.MdiArea()->subWindowList().last();
    auto* Contract = qobject_cast<TfrmContracts*>(Contracts->widget());
    ASSERT_NE(Contract, nullptr);
    Type(Contract->leOwner, u"8001011234"_s);
    Type(Contract->leItem, u"5"_s);
    Type(Contract->feSum_c, u"1000"_s);
    Type(Contract->feDuration, u"30"_s);
    Contract->actNew->trigger();
    ASSERT_EQ(Contract->PendingSql.size(), 2) << Presenter->Texts().join(u'|').toStdString();
    // The next borrower's band is gone: any amount typed for him brings the missing-band message.
    Type(Contract->leOwner, u"0000012345"_s);
    Exec(u"DELETE FROM Interest_rates WHERE pref_code = 2"_s);
    Form.findChild<QAction*>("Outcomes")->trigger();
    QPointer<QMdiSubWindow> Payments = Form.MdiArea()->subWindowList().last();
    auto* Payment = qobject_cast<TDocumentForm*>(Payments->widget());
    ASSERT_TRUE(Presenter->Texts().isEmpty()) << Presenter->Texts().join(u'|').toStdString();
    Presenter.reset();

    const auto Post = [](QKeyCombination Key, const QString& Text = QString()) {
        QWidget* Target = QApplication::focusWidget();
        for (const QEvent::Type Type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(Target,
                                        new QKeyEvent(Type, Key.key(), Key.keyboardModifiers(), Text));
    };
    // Tab is handled at once; the date's check follows on the next turn of the event loop.
    const auto Tab = [] {
        QKeyEvent Press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &Press);
    };
    const auto CloseKey = [&] { Post(Qt::CTRL | Qt::Key_F4); };
    const auto MenuExit = [&] {
        QMetaObject::invokeMethod(Form.findChild<QAction*>("FileExitItem"), &QAction::trigger,
                                  Qt::QueuedConnection);
    };
    const QString BadDate = u"Невалидна дата \"31.02.2026\" !"_s;
    struct TCase {
        const char* Name;
        QMdiSubWindow* Window;
        TDocumentDateEdit* Date; // typed wrong and left with Tab; else a digit typed into the amount
        std::function<void()> Then;
        QString Message;
    };
    for (const TCase& Case : {TCase{"Дата", Contracts, Contract->dtDate_c, CloseKey, BadDate},
                              TCase{"Падеж", Contracts, Contract->dtDate_to, CloseKey, BadDate},
                              TCase{"band", Contracts, nullptr, CloseKey,
                                    u"Не е зададена лихвена схема за клиент с префернциялен код 2."_s},
                              TCase{"payment's date", Payments, Payment->dtDate_c, CloseKey, BadDate},
                              TCase{"Изход", Contracts, Contract->dtDate_c, MenuExit, BadDate}}) {
        SCOPED_TRACE(Case.Name);
        // Offscreen, nothing gives the main window the keyboard back after a dialog.
        ASSERT_TRUE(ShowAndActivate(&Form));
        Form.MdiArea()->setActiveSubWindow(Case.Window);
        const QDate Before = Case.Date ? Case.Date->date() : QDate();
        QStringList Shown;
        QTimer Answer;
        QObject::connect(&Answer, &QTimer::timeout, [&] {
            if (auto* Message = qobject_cast<TMessageForm*>(QApplication::activeModalWidget())) {
                Shown << Message->lbMessage->text();
                Message->reject();
            }
        });
        Answer.start(20);
        if (Case.Date) {
            Type(Case.Date, u"31.02.2026"_s);
            Tab();
        } else {
            Contract->feSum_c->setFocus();
            Contract->feSum_c->clear();
            Post(Qt::Key_5, u"5"_s);
        }
        Case.Then();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Shown.isEmpty() && !QApplication::activeModalWidget(); }));
        QApplication::processEvents();
        EXPECT_EQ(Shown, QStringList{Case.Message});
        ASSERT_TRUE(Form.isVisible());
        ASSERT_FALSE(Contracts.isNull());
        ASSERT_FALSE(Payments.isNull());
        EXPECT_TRUE(Case.Window->isVisible());
        if (Case.Date) Case.Date->setDate(Before);
    }

    Presenter.emplace();
    Contract->feSum_c->clear();
    Contract->actSave->trigger();
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 1"_s), u"1"_s)
        << Presenter->Texts().join(u'|').toStdString();
}
