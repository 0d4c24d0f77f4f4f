#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/StringGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "Components/PeriodEdit/PeriodEdit.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "core/unWait.h"
#include "tests/framework/forms/FormHost.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFrame>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

struct KeyCase {
    QKeySequence key;
    const char* operation;
};
const KeyCase WorkKeys[] = {{Qt::Key_F8, "Execute"}, {Qt::Key_F2, "Save"},   {Qt::Key_F3, "Edit"},
                            {Qt::Key_F4, "Add"},     {Qt::Key_F5, "Delete"}, {Qt::Key_F6, "Filter"},
                            {Qt::Key_F7, "Search"},  {Qt::Key_F9, "Print"},  {Qt::Key_F10, "Export"}};

void DeleteLater() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(MAccountForm, ActionsCarryTheirCaptionsKeysAndInitialStates) {
    TFormHost host;
    auto* form = CreateForm<TMAccountForm>(&host, TMAccountForm::fsMDIChild);
    struct Case {
        const char* name;
        QString caption;
        QKeySequence key;
        bool enabled;
        const char* button;
    };
    const Case cases[] = {
        {"actExecute", "&Изпълнение", Qt::Key_F8, true, "sbtnExecute"},
        {"actNew", "Добавяне", Qt::Key_F4, false, "sbtnNew"},
        {"actEdit", "Редакция", Qt::Key_F3, false, "sbtnEdit"},
        {"actSave", "Запис", Qt::Key_F2, false, "sbtnSave"},
        {"actDelete", "Изтриване", Qt::Key_F5, false, "sbtnDelete"},
        {"actPrint", "Печат", Qt::Key_F9, false, "sbtnPrint"},
        {"actFile", "Файл...", Qt::Key_F10, false, "sbtnFile"},
        {"actSearch", "Търсене", Qt::Key_F7, false, "sbtnSearch"},
        {"actFilter", "Филтър", Qt::Key_F6, false, "sbtnFilter"},
        {"actHelp", "Помощ", QKeySequence(), true, "sbtnHelp"},
        {"actExit", "Изход", Qt::Key_Escape, true, "sbtnExit"},
        {"actCopy", "Копиране", QKeySequence::Copy, true, nullptr},
        {"actPaste", "Залепване", QKeySequence::Paste, true, nullptr},
        {"actStop", "", Qt::Key_Escape, false, nullptr},
    };
    // Shown, so that actExit is back; the resource states are what the update handlers keep.
    form->ShowForm();
    form->UpdateActions();
    for (const Case& c : cases) {
        auto* action = form->findChild<QAction*>(c.name);
        ASSERT_TRUE(action) << c.name;
        EXPECT_EQ(action->text(), c.caption) << c.name;
        EXPECT_EQ(action->shortcut(), c.key) << c.name;
        EXPECT_EQ(action->isEnabled(), c.enabled) << c.name;
        if (c.button) {
            auto* button = form->findChild<QToolButton*>(c.button);
            ASSERT_TRUE(button) << c.button;
            EXPECT_EQ(button->defaultAction(), action) << c.button;
            EXPECT_EQ(button->isEnabled(), c.enabled) << c.button;
        }
    }
    EXPECT_EQ(form->sbtnSave->text(), "F2");
    EXPECT_EQ(form->sbtnExit->text(), "Esc");
    EXPECT_EQ(form->GetCaptionText(), "ЗАГЛАВИЕ");
    EXPECT_EQ(form->actSave->toolTip(), "Запис на въведените данни");
}

TEST(MAccountForm, EachKeyRunsItsOperationOnceAndOnlyInTheActiveWindow) {
    TFormHost host;
    TScriptedPresenter presenter;
    TCountingForm* other = OpenCountingForm(host);
    TCountingForm* form = OpenCountingForm(host);
    ASSERT_EQ(host.Area->activeSubWindow(), form->SubWindow());
    for (const KeyCase& c : WorkKeys) {
        PressKey(c.key);
        EXPECT_EQ(form->Calls.value(c.operation), 1) << c.operation;
        EXPECT_EQ(other->Calls.value(c.operation), 0) << c.operation;
        EXPECT_TRUE(form->FormState.Empty()) << c.operation;
    }
    EXPECT_TRUE(form->FilterActive);
    EXPECT_TRUE(form->sbtnFilter->isChecked()) << "the filter button stays down while a filter is on";
    EXPECT_TRUE(presenter.Messages().isEmpty());

    // Esc closes the idle window.
    QPointer<TCountingForm> closing = form;
    form->FreeOnClose = true;
    PressKey(Qt::Key_Escape);
    DeleteLater();
    EXPECT_TRUE(closing.isNull());
    EXPECT_EQ(other->Calls.value("Stop"), 0);
    EXPECT_TRUE(other->isVisible());
}

TEST(MAccountForm, AFailingOperationLeavesTheWindowUsableAndShowsOneErrorBox) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    for (const KeyCase& c : WorkKeys) {
        TScriptedPresenter presenter;
        form->Work[c.operation] = []() -> bool {
            throw EDatabaseError("no such table: Owners", R"sql(Select * from Owners)sql");
        };
        PressKey(c.key);
        EXPECT_EQ(form->Calls.value(c.operation), 1) << c.operation;
        EXPECT_EQ(WaitCount(), 0) << c.operation;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << c.operation;
        EXPECT_TRUE(form->FormState.Empty()) << c.operation;
        for (QAction* a : {form->actExecute, form->actSave, form->actNew, form->actExit, form->actFilter})
            EXPECT_TRUE(a->isEnabled()) << c.operation << " " << a->objectName().toStdString();
        ASSERT_EQ(presenter.Messages().size(), 1) << c.operation;
        EXPECT_TRUE(presenter.Messages()[0].Text.contains("no such table: Owners")) << c.operation;
        EXPECT_TRUE(presenter.Messages()[0].Text.contains(R"sql(Select * from Owners)sql")) << c.operation;

        // The window works again.
        form->Work.remove(c.operation);
        PressKey(c.key);
        EXPECT_EQ(form->Calls.value(c.operation), 2) << c.operation;
    }
}

TEST(MAccountForm, KeysDuringALoadAreRefusedAndEscStopsItWithoutClosing) {
    for (const bool stoppable : {true, false}) {
        TFormHost host;
        TScriptedPresenter presenter;
        TCountingForm* form = OpenCountingForm(host);
        form->ShowElapsed = stoppable;
        bool escapeShared = false;
        form->Work["Execute"] = [&] {
            escapeShared = form->actExit->isEnabled() && form->actStop->isEnabled();
            EXPECT_EQ(form->actStop->isEnabled(), stoppable);
            PressKey(Qt::Key_F8);
            PressKey(Qt::Key_F2);
            PressKey(Qt::Key_Escape);
            return true;
        };
        PressKey(Qt::Key_F8);
        EXPECT_EQ(form->Calls.value("Execute"), 1);
        EXPECT_EQ(form->Calls.value("Save"), 0);
        EXPECT_EQ(form->Calls.value("Stop"), stoppable ? 1 : 0);
        EXPECT_FALSE(escapeShared);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(form->actExit->isEnabled());
        EXPECT_FALSE(form->actStop->isEnabled());
        EXPECT_TRUE(presenter.Messages().isEmpty());
    }
}

TEST(MAccountForm, EscapeBelongsToOneActionAtATime) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    auto exclusive = [&] { return !(form->actExit->isEnabled() && form->actStop->isEnabled()); };
    form->actStop->setEnabled(true);
    EXPECT_TRUE(exclusive());
    form->actExit->setEnabled(true);
    EXPECT_TRUE(exclusive()) << "actExit waits while actStop holds Esc";
    form->actStop->setEnabled(false);
    EXPECT_TRUE(form->actExit->isEnabled()) << "and comes back after it";
}

TEST(MAccountForm, ADeniedExecuteSaysWhyOnlyWhenThereIsAText) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->AllowExecute = false;
    struct Case {
        QString text;
        bool quiet;
        int messages;
    };
    const Case cases[] = {{"", false, 0}, {"Изберете период!", false, 1}, {"Изберете период!", true, 0}};
    for (const Case& c : cases) {
        TScriptedPresenter presenter;
        form->ExecuteDeniedText = c.text;
        if (c.quiet)
            form->ExecuteQuiet();
        else
            PressKey(Qt::Key_F8);
        EXPECT_EQ(presenter.Messages().size(), c.messages) << c.text.toStdString();
        if (c.messages) {
            EXPECT_EQ(presenter.Messages()[0].DlgType, mtError);
        }
        EXPECT_EQ(form->Calls.value("Execute"), 0);
        EXPECT_TRUE(form->ShowDeniedText);
    }
}

TEST(MAccountForm, QuerySaveChangesAsksOnlyWhenModified) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    struct Case {
        const char* name;
        bool modified;
        std::optional<TModalResult> answer;
        bool saveSucceeds;
        int expected;
        int saves;
    };
    const Case cases[] = {
        {"unmodified", false, std::nullopt, true, mrYes, 0},   {"yes, saved", true, mrYes, true, mrYes, 1},
        {"yes, save failed", true, mrYes, false, mrCancel, 1}, {"no", true, mrNo, true, mrNo, 0},
        {"cancel", true, mrCancel, true, mrCancel, 0},
    };
    for (const Case& c : cases) {
        TScriptedPresenter presenter;
        form->Calls.clear();
        form->Modified = c.modified;
        form->Work["Save"] = [&] { return c.saveSucceeds; };
        if (c.answer) presenter.PlanAnswer(*c.answer);
        EXPECT_EQ(form->QuerySaveChanges(), c.expected) << c.name;
        EXPECT_EQ(form->Calls.value("Save"), c.saves) << c.name;
        ASSERT_EQ(presenter.Messages().size(), c.answer ? 1 : 0) << c.name;
        if (c.answer) {
            EXPECT_EQ(presenter.Messages()[0].Text, "Данните не са записани!\rЖелаете ли да ги запишете?");
            EXPECT_EQ(presenter.Messages()[0].Buttons, TMsgDlgButtons({mbYes, mbNo, mbCancel}));
        }
    }
}

TEST(MAccountForm, EnableControlsRestoresTheStatesOfItsFirstSave) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->actSave->setEnabled(false);
    form->EnableControls(false);
    form->actSave->setEnabled(true); // changed meanwhile: the second save must not record it
    form->EnableControls(false);
    EXPECT_FALSE(form->actNew->isEnabled());
    form->EnableControls(true);
    EXPECT_FALSE(form->actSave->isEnabled());
    EXPECT_TRUE(form->actNew->isEnabled());
    EXPECT_TRUE(form->actExit->isEnabled());
}

TEST(MAccountForm, EnterMovesOnButNeverReachesAComboBox) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    auto* combo = new QComboBox(form);
    combo->setEditable(true);
    form->ClientLayout()->insertWidget(1, combo);
    QWidget::setTabOrder(form->edName, combo);
    QWidget::setTabOrder(combo, form->edNote);
    QApplication::processEvents();

    PressKey(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), combo);
    combo->lineEdit()->setText("злато");
    PressKey(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form->edNote);
    EXPECT_EQ(combo->count(), 0) << "the combo box would have taken the text as a new entry";
}

TEST(MAccountForm, CopyAndPasteWorkOnTheFocusedControl) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->edName->setText("Иван Петров");
    form->edName->setSelection(5, 6);
    PressKey(QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "Петров");

    form->edNote->setFocus();
    PressKey(QKeySequence::Paste);
    EXPECT_EQ(form->edNote->text(), "Петров");
    form->edNote->setReadOnly(true);
    PressKey(QKeySequence::Paste);
    EXPECT_EQ(form->edNote->text(), "Петров");

    auto* list = new QListWidget(form);
    list->addItems({"едно", "две"});
    form->ClientLayout()->addWidget(list);
    QApplication::processEvents();
    list->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), list);
    PressKey(QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "");
    list->setCurrentRow(1);
    PressKey(QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "две");
}

TEST(MAccountForm, ThePasteActionObeysTheEditsTypingRules) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    auto* lookup = new TListEdit(form);
    lookup->SetEditorEnabled(false);
    auto* period = new TPeriodEdit(form);
    auto* amount = new TFloatEdit(form);
    amount->SetValue(5);
    for (QWidget* edit : std::initializer_list<QWidget*>{lookup, period, amount})
        form->ClientLayout()->addWidget(edit);
    QApplication::processEvents();
    QApplication::clipboard()->setText("1234567890123456");
    struct Case {
        QLineEdit* Edit;
        QString Text; // after the paste
    };
    // Typing is off in the lookup and the period; the amount takes 14 characters at most.
    const Case cases[] = {{lookup, ""}, {period, ""}, {amount, "5.00"}, {form->edNote, "1234567890123456"}};
    for (const Case& c : cases) {
        c.Edit->setFocus();
        c.Edit->selectAll();
        ASSERT_EQ(QApplication::focusWidget(), c.Edit);
        form->actPaste->trigger();
        EXPECT_EQ(c.Edit->text(), c.Text) << c.Edit->metaObject()->className();
    }
    QApplication::clipboard()->setText("12.5");
    amount->setFocus();
    amount->selectAll();
    form->actPaste->trigger();
    EXPECT_EQ(amount->text(), "12.5");
}

TEST(MAccountForm, CopyTakesAGridsSelectionAndEnterLeavesItsEditorAlone) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    auto* grid = new TStringGrid(form);
    form->ClientLayout()->addWidget(grid);
    grid->SetFixedCols(0);
    grid->SetFixedRows(0);
    grid->SetColCount(2);
    grid->SetRowCount(2);
    grid->SetCells(0, 0, "a");
    grid->SetCells(1, 0, "b");
    grid->SetCells(0, 1, "c");
    grid->SetCells(1, 1, "d");
    QApplication::processEvents();
    grid->setFocus();
    TGridOptions options = grid->Options();
    options.Include(goRangeSelect);
    grid->SetOptions(options);
    grid->SetSelection({0, 0, 1, 1});
    PressKey(QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "a\tb\rc\td");

    options.Include(goEditing);
    grid->SetOptions(options);
    grid->SetEditorMode(true);
    ASSERT_TRUE(grid->EditorMode());
    PressKey(Qt::Key_Return);
    EXPECT_TRUE(QApplication::focusWidget() == grid || grid->isAncestorOf(QApplication::focusWidget()));
}

TEST(MAccountForm, MainMenuKeysWinOverTheFocusedEditAndTheSubWindow) {
    TFormHost host;
    int items = 0;
    int owners = 0;
    QMenu* menu = host.menuBar()->addMenu("&Регистри");
    QAction* actItems = menu->addAction("&Вещи", [&] { ++items; });
    actItems->setShortcut(Qt::CTRL | Qt::Key_W);
    QAction* actOwners = menu->addAction("Заемополучатели", [&] { ++owners; });
    actOwners->setShortcut(Qt::CTRL | Qt::Key_Z);
    TCountingForm* form = OpenCountingForm(host);
    form->edName->setText("abc");
    PressKey(Qt::CTRL | Qt::Key_W);
    PressKey(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(items, 1);
    EXPECT_EQ(owners, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->edName->text(), "abc") << "the edit's undo did not run";
}

TEST(MAccountForm, NoWindowClosesWhileAWaitRuns) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    {
        TWaitGuard wait;
        form->Close();
        EXPECT_TRUE(form->SubWindow()->isVisible());
    }
    form->Close();
    EXPECT_FALSE(form->SubWindow()->isVisible());
}

// An action that waits, in a dialog of its own or in the event loop, lets keys typed ahead reach
// its window. Nothing else of the window runs then, and nothing but the window itself closes it:
// a close from outside would free what the action is still in.
TEST(MAccountForm, WhileAnActionWaitsNoOtherRunsAndOnlyTheWindowItselfClosesIt) {
    TFormHost host;
    TScriptedPresenter presenter;
    TCountingForm* form = OpenCountingForm(host);
    {
        // A close refused for another reason leaves no leave to close behind.
        TWaitGuard wait;
        form->Close();
    }
    struct Case {
        QAction* TMAccountForm::*action;
        const char* operation;
        bool dialog;
    };
    // The filter runs without the busy mark, every other action with it.
    for (const Case& c :
         {Case{&TMAccountForm::actFilter, "Filter", true}, Case{&TMAccountForm::actFilter, "Filter", false},
          Case{&TMAccountForm::actPrint, "Print", true}, Case{&TMAccountForm::actPrint, "Print", false},
          Case{&TMAccountForm::actEdit, "Edit", true}, Case{&TMAccountForm::actNew, "Add", true},
          Case{&TMAccountForm::actDelete, "Delete", true}, Case{&TMAccountForm::actSearch, "Search", true},
          Case{&TMAccountForm::actFile, "Export", true}}) {
        SCOPED_TRACE(c.operation + std::string(c.dialog ? " in a dialog" : ""));
        bool closed = true;
        bool offWhileRunning = false;
        bool busyWhileRunning = false;
        form->Work[c.operation] = [&] {
            offWhileRunning = !(form->*c.action)->isEnabled();
            busyWhileRunning = form->FormState.Contains(TMAccountForm::Busy);
            const auto typedAhead = [&] {
                for (QAction* action : {form->actExecute, form->actSave, form->actExit})
                    action->trigger();
                form->SubWindow()->close();
                closed = !form->SubWindow()->isVisible();
            };
            if (c.dialog) {
                QDialog dialog(form);
                QTimer::singleShot(0, &dialog, [&] {
                    typedAhead();
                    dialog.reject();
                });
                dialog.exec();
            } else {
                typedAhead();
            }
            return true;
        };
        (form->*c.action)->setEnabled(true);
        (form->*c.action)->trigger();
        EXPECT_EQ(form->Calls.value(c.operation), 1);
        EXPECT_EQ(form->Calls.value("Execute"), 0);
        EXPECT_EQ(form->Calls.value("Save"), 0);
        EXPECT_FALSE(closed);
        EXPECT_TRUE(offWhileRunning);
        EXPECT_EQ(busyWhileRunning, c.action != &TMAccountForm::actFilter);
        form->Calls.clear();
    }

    // A dialog that is not the window's own keeps its actions waiting but not its closing (a
    // restore closes every window first).
    QDialog other(&host);
    QTimer::singleShot(0, &other, [&] {
        form->actExecute->trigger();
        form->SubWindow()->close();
        other.reject();
    });
    other.exec();
    EXPECT_EQ(form->Calls.value("Execute"), 0);
    EXPECT_FALSE(form->SubWindow()->isVisible());

    // The window's own action still closes it: a save that closes the window afterwards.
    TCountingForm* saving = OpenCountingForm(host);
    saving->CloseAfterSave = true;
    bool savedBusy = false;
    saving->Work["Save"] = [&] { return savedBusy = saving->FormState.Contains(TMAccountForm::Busy); };
    saving->actSave->setEnabled(true);
    saving->actSave->trigger();
    EXPECT_EQ(saving->Calls.value("Save"), 1);
    EXPECT_TRUE(savedBusy);
    EXPECT_FALSE(saving->SubWindow()->isVisible());
    EXPECT_TRUE(presenter.Messages().isEmpty());
}

TEST(MAccountForm, TellsTheMainWindowWhenOpenedActivatedAndClosing) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->setWindowTitle("Вещи");
    form->FreeOnClose = true;
    auto count = [&](int type, int flag) {
        int n = 0;
        for (const auto& notice : host.Notices)
            if (notice.Type == type && notice.Flag == flag && notice.Form == form) ++n;
        return n;
    };
    EXPECT_EQ(count(evFormState, 0), 1);
    EXPECT_GE(count(evFormActivated, 0), 1);
    form->Close();
    EXPECT_EQ(count(evFormState, 1), 1);
    EXPECT_EQ(host.Notices.last().Caption, "Вещи");
    DeleteLater();
    EXPECT_TRUE(host.Area->subWindowList().isEmpty());
}

TEST(MAccountForm, ATopLevelWindowIsNotAnnounced) {
    TFormHost host;
    auto* form = CreateForm<TCountingForm>(&host, TMAccountForm::fsNormal);
    form->ShowForm();
    EXPECT_EQ(form->SubWindow(), nullptr);
    EXPECT_TRUE(form->isWindow());
    EXPECT_TRUE(host.Notices.isEmpty());
    delete form;
}

TEST(MAccountForm, AClosedWindowOpensAgainWhereItWasLeft) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->FreeOnClose = true;
    const QRect placed(30, 40, 620, 380);
    form->SubWindow()->setGeometry(placed);
    form->Close();
    DeleteLater();
    TFormPlacement stored;
    ASSERT_TRUE(LoadFormPlacement("TCountingForm", stored));
    EXPECT_EQ(QRect(stored.Left, stored.Top, stored.Width, stored.Height), placed);

    TCountingForm* again = OpenCountingForm(host);
    EXPECT_EQ(again->SubWindow()->geometry(), placed);
}

TEST(MAccountForm, ShowModalReturnsTheResultItEndsWith) {
    TFormHost host;
    auto* form = CreateForm<TCountingForm>(&host, TMAccountForm::fsMDIChild);
    EXPECT_NE(form->SubWindow(), nullptr);
    QTimer::singleShot(0, form, [form] { form->SetModalResult(mrOk); });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(form->SubWindow(), nullptr) << "a modal window is a window of its own";
    EXPECT_FALSE(form->isVisible());

    QTimer::singleShot(0, form, [form] { form->Close(); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    delete form;
}

TEST(MAccountForm, ADropDownKeepsItsKeysFromTheForm) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    auto* popup = new QFrame(form->edName, Qt::Popup);
    auto* edit = new QLineEdit(popup);
    int cancels = 0;
    auto* actCancel = new QAction(popup);
    actCancel->setShortcut(Qt::Key_Escape);
    actCancel->setShortcutContext(Qt::WindowShortcut);
    popup->addAction(actCancel);
    QObject::connect(actCancel, &QAction::triggered, [&] { ++cancels; });
    popup->resize(100, 50);
    popup->show();
    edit->setFocus();
    QApplication::processEvents();

    PressKey(Qt::Key_Escape);
    PressKey(Qt::Key_F8);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Calls.value("Execute"), 0);

    popup->close();
    QApplication::processEvents();
    form->edName->setFocus();
    PressKey(Qt::Key_F8);
    EXPECT_EQ(form->Calls.value("Execute"), 1) << "the form has its keys back";
}

TEST(MAccountForm, ActionsFollowTheirEnabledOperationsWhenTheProgramGoesIdle) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->EnableControls(false);
    EXPECT_FALSE(form->actSave->isEnabled());
    form->EnableControls(true);
    form->actSave->setEnabled(false);
    QEventLoop idle;
    QTimer::singleShot(20, &idle, &QEventLoop::quit);
    idle.exec();
    EXPECT_TRUE(form->actSave->isEnabled());
}
