#include "business/registers/unQueuedChanges.h"

#include "core/unDatabase.h"
#include "tests/support/DbQuery.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QLineEdit>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(QueuedChanges, AFailedSaveWritesNothingKeepsTheQueueAndCanBeRepeated) {
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Insert into Item_types values ( 2, \"Сребро\" )"_s));

    TQueuedChanges Changes;
    // The second statement collides with the stored key.
    Changes.Queue({u"Insert into Item_types values ( 1, \"Злато\" )"_s,
                   u"Insert into Item_types values ( 2, \"Платина\" )"_s});
    const QStringList Queued = Changes.PendingSql;

    EXPECT_FALSE(Changes.SaveQueued(nullptr));
    EXPECT_EQ(Changes.PendingSql, Queued);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(Queued[1]));
    EXPECT_EQ(QueryText(u"Select code_i_t, name_i_t From Item_types Order By code_i_t"_s), u"2@Сребро"_s);

    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Delete * from Item_types Where code_i_t = 2"_s));
    EXPECT_TRUE(Changes.SaveQueued(nullptr));
    EXPECT_EQ(Changes.QueuedCount(), 0);
    EXPECT_EQ(QueryText(u"Select code_i_t, name_i_t From Item_types Order By code_i_t"_s),
              u"1@Злато°2@Платина"_s);
    EXPECT_EQ(Presenter.Messages().size(), 1);
}

TEST(QueuedChanges, EditingHoldsTheLiftedKeyAndLocksTheKeyEdit) {
    QLineEdit Line;
    QSpinBox Spin;
    TQueuedChanges Changes;

    Changes.StartEditing(u"17"_s, &Line);
    EXPECT_TRUE(Changes.EditingRow);
    EXPECT_EQ(Changes.EditingKey, u"17"_s);
    EXPECT_TRUE(Line.isReadOnly());

    // Editing another row with another key control gives the first one back.
    Changes.StartEditing(u"18"_s, &Spin);
    EXPECT_FALSE(Line.isReadOnly());
    EXPECT_TRUE(Spin.isReadOnly());

    Changes.StopEditing();
    EXPECT_FALSE(Changes.EditingRow);
    EXPECT_TRUE(Changes.EditingKey.isEmpty());
    EXPECT_FALSE(Spin.isReadOnly());
}

} // namespace
