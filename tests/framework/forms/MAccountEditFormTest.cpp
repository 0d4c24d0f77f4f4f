#include "core/unMessages.h"
#include "tests/framework/forms/FormHost.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAction>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

TEST(MAccountEditForm, ClosingWithUnsavedChangesAsksFirst) {
    struct Case {
        const char* name;
        bool modified;
        std::optional<TModalResult> answer;
        bool saveSucceeds;
        bool closed;
        int saves;
    };
    const Case cases[] = {
        {"unmodified", false, std::nullopt, true, true, 0}, {"no: discard", true, mrNo, true, true, 0},
        {"cancel", true, mrCancel, true, false, 0},         {"yes: saved", true, mrYes, true, true, 1},
        {"yes: save failed", true, mrYes, false, false, 1},
    };
    for (const Case& c : cases) {
        TFormHost host;
        TScriptedPresenter presenter;
        TCountingForm* form = OpenCountingForm(host);
        form->Modified = c.modified;
        form->Work["Save"] = [&] { return c.saveSucceeds; };
        if (c.answer) presenter.PlanAnswer(*c.answer);
        PressKey(Qt::Key_Escape);
        EXPECT_EQ(!form->SubWindow()->isVisible(), c.closed) << c.name;
        EXPECT_EQ(form->Calls.value("Save"), c.saves) << c.name;
        EXPECT_EQ(presenter.Messages().size(), c.answer ? 1 : 0) << c.name;
    }
}

TEST(MAccountEditForm, NewEntryOnlyAfterUnsavedChangesAreDealtWith) {
    struct Case {
        const char* name;
        TModalResult answer;
        int adds;
        int saves;
    };
    const Case cases[] = {{"no: discard", mrNo, 0, 0}, {"cancel", mrCancel, 0, 0}, {"yes", mrYes, 1, 1}};
    for (const Case& c : cases) {
        TFormHost host;
        TScriptedPresenter presenter;
        TCountingForm* form = OpenCountingForm(host);
        form->Modified = true;
        presenter.PlanAnswer(c.answer);
        PressKey(Qt::Key_F4);
        EXPECT_EQ(form->Calls.value("Add"), c.adds) << c.name;
        EXPECT_EQ(form->Calls.value("Save"), c.saves) << c.name;
        EXPECT_EQ(form->Modified, c.adds == 0) << c.name;
    }
}

TEST(MAccountEditForm, SaveKeepsTheUnsavedMarkAndEditModeWhenItFails) {
    for (const bool succeeds : {true, false}) {
        TFormHost host;
        TScriptedPresenter presenter;
        TCountingForm* form = OpenCountingForm(host);
        EXPECT_TRUE(form->EditMode()) << "edit mode is on from Init";
        form->LeaveEditModeAfterSave = true;
        form->Modified = true;
        form->Work["Save"] = [&] { return succeeds; };
        PressKey(Qt::Key_F2);
        EXPECT_EQ(form->Modified, !succeeds);
        EXPECT_EQ(form->EditMode(), !succeeds);
    }
}

TEST(MAccountEditForm, AFailingAddRestoresTheEditMode) {
    TFormHost host;
    TScriptedPresenter presenter;
    TCountingForm* form = OpenCountingForm(host);
    form->SetEditMode(false);
    bool editingDuringAdd = false;
    form->Work["Add"] = [&]() -> bool {
        editingDuringAdd = form->EditMode();
        throw Exception("no");
    };
    PressKey(Qt::Key_F4);
    EXPECT_TRUE(editingDuringAdd);
    EXPECT_FALSE(form->EditMode());
    EXPECT_EQ(presenter.Texts(), QStringList{"no"});
}
