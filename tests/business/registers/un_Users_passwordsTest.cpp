#include "business/registers/un_Users_passwords.h"

#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unAdminPassword.h"
#include "core/unMessages.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(OperatorsRegister, StatementsQuoteEveryTextAndTheKey) {
    struct Case {
        QString Actual;
        QString Expected;
    };
    const Case Cases[] = {
        {UserInsertSql(u"Users_passwords"_s, u"ivan"_s, u"p\"1"_s, u"Иван Петров"_s),
         u"Insert into Users_passwords values ( \"ivan\", \"p\"\"1\", \"Иван Петров\" )"_s},
        {UserUpdateSql(u"Users_passwords"_s, u"user_password"_s, u"p2"_s, u"Иван"_s, u"user_name"_s,
                       u"a\"b"_s),
         u"Update Users_passwords Set user_password = \"p2\", three_names = \"Иван\" Where ( user_name = "
         u"\"a\"\"b\" )"_s},
        {UserDeleteSql(u"Users_passwords"_s, u"user_name"_s, u"ivan"_s),
         u"Delete * from Users_passwords Where user_name = \"ivan\""_s},
        {ManagerPasswordSql(u"x\"y"_s, true), u"UPDATE VA set value_va = \"x\"\"y\" WHERE code_va = 12"_s},
        {ManagerPasswordSql(u""_s, false), u"Insert into VA values ( 12, \"\" )"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.Actual, C.Expected);
}

TEST(OperatorsRegister, ValidationRefusesTakenNamesSharedPasswordsAndBlanks) {
    const TGridRows Rows = {{u"ivan"_s, u"p1"_s, u"Иван"_s}};
    struct Case {
        QString User, Password, Names, Expected;
    };
    const Case Cases[] = {
        {u"maria"_s, u"p2"_s, u"Мария"_s, u""_s},
        {u"ivan"_s, u"p2"_s, u"Иван"_s, u"Потребител ivan съществува в базата данни\n\r"_s},
        // The database's key would refuse it at Save.
        {u"IVAN"_s, u"p2"_s, u"Иван"_s, u"Потребител IVAN съществува в базата данни\n\r"_s},
        {u"maria"_s, u"p1"_s, u"Мария"_s, u"Парола p1 съществува в базата данни\n\r"_s},
        // Passwords are told apart by case.
        {u"maria"_s, u"P1"_s, u"Мария"_s, u""_s},
        {u" "_s, u" "_s, u""_s,
         u"Въведете потребител\n\rВъведете парола\n\rВъведете имена на оператор\n\r"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateUserInput(C.User, C.Password, C.Names, Rows), C.Expected)
            << C.User.toStdString() << " " << C.Password.toStdString();
}

class OperatorsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Exec(u"UPDATE VA set value_va = \"tajna\" WHERE code_va = 12"_s);
        Exec(u"Insert into Users_passwords values ( \"ivan\", \"p1\", \"Иван Петров\" )"_s);
        AdminPassword.clear();
        Form = OpenRegister<TfrmUsers_passwords>(Host, u"Оператори"_s, u"Users_passwords"_s, u"user_name"_s,
                                                 u"user_password"_s, u"оператор"_s);
    }
    void TearDown() override { AdminPassword.clear(); }
    void AddOperator(const QString& User, const QString& Password, const QString& Names) {
        Type(Form->ed_user_name, User);
        Type(Form->ed_user_password, Password);
        Type(Form->ed_three_names, Names);
        Press(Form->ed_three_names, Qt::Key_F4);
    }
    QString StoredPassword() { return QueryText(u"Select value_va From VA Where code_va = 12"_s); }

    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmUsers_passwords* Form = nullptr;
};

TEST_F(OperatorsWindow, OperatorsAndTheManagersPasswordAreSavedTogether) {
    EXPECT_EQ(Form->ed_VA_12->text(), u"tajna"_s);
    EXPECT_EQ(AdminPassword, u"tajna"_s);
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"ivan"_s, u"p1"_s, u"Иван Петров"_s}));

    AddOperator(u" maria "_s, u"p2"_s, u"Мария Иванова"_s);
    EXPECT_EQ(
        Form->PendingSql,
        QStringList({u"Insert into Users_passwords values ( \"maria\", \"p2\", \"Мария Иванова\" )"_s}));
    EXPECT_EQ(Form->ed_user_name->text(), u" maria "_s); // no next key is proposed
    Type(Form->ed_VA_12, u" nova "_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"Select * From Users_passwords Order By user_name"_s),
              u"ivan@p1@Иван Петров°maria@p2@Мария Иванова"_s);
    EXPECT_EQ(StoredPassword(), u"nova"_s);
    EXPECT_EQ(AdminPassword, u"nova"_s);

    // The key stays as lifted; the update targets it.
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_TRUE(Form->ed_user_name->isReadOnly());
    EXPECT_EQ(Form->ed_three_names->text(), u"Иван Петров"_s);
    Type(Form->ed_user_password, u"p3"_s);
    Press(Form->ed_user_password, Qt::Key_F4);
    EXPECT_EQ(Form->PendingSql,
              QStringList({u"Update Users_passwords Set user_password = \"p3\", three_names = "
                           u"\"Иван Петров\" Where ( user_name = \"ivan\" )"_s}));

    Presenter.PlanAnswer(mrYes);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F5);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Presenter.Messages()[0].Text, u"Желаете ли да изтриете оператор: \"maria\" - \"p2\"?"_s);
    EXPECT_EQ(Form->PendingSql.last(), u"Delete * from Users_passwords Where user_name = \"maria\""_s);
    // Saving an empty manager's password clears it.
    Type(Form->ed_VA_12, u""_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Users_passwords"_s), u"ivan@p3@Иван Петров"_s);
    EXPECT_EQ(StoredPassword(), u""_s);
    EXPECT_TRUE(AdminPassword.isEmpty());
}

TEST_F(OperatorsWindow, AFailedSaveKeepsTheQueueAndThePasswordInForce) {
    AddOperator(u"maria"_s, u"p2"_s, u"Мария"_s);
    const QStringList Queued = Form->PendingSql;
    // Someone else takes the name meanwhile; the key does not tell case apart.
    Exec(u"Insert into Users_passwords values ( \"MARIA\", \"x\", \"Друга\" )"_s);
    Type(Form->ed_VA_12, u"nova"_s);
    Press(Form->Grid, Qt::Key_F2);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"UNIQUE constraint failed"_s));
    EXPECT_EQ(Form->PendingSql, Queued);
    EXPECT_EQ(StoredPassword(), u"tajna"_s);
    EXPECT_EQ(AdminPassword, u"tajna"_s);

    Exec(u"Delete * from Users_passwords Where user_name = \"MARIA\""_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(StoredPassword(), u"nova"_s);
    EXPECT_EQ(AdminPassword, u"nova"_s);
}

TEST_F(OperatorsWindow, AMissingSettingsRowIsAddedSoThePasswordLastsBeyondTheRun) {
    Exec(u"Delete * from VA Where code_va = 12"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(StoredPassword(), u"tajna"_s);
    Type(Form->ed_VA_12, u"nova"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(StoredPassword(), u"nova"_s);
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

} // namespace

namespace {

TEST_F(OperatorsWindow, TheManagersPasswordIsNotShown) {
    EXPECT_EQ(Form->ed_VA_12->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Form->ed_VA_12->text(), u"tajna"_s);
    // The operators' own passwords stay readable in the grid.
    EXPECT_EQ(Form->Grid->Rows(1).value(1), u"p1"_s);
}

// The settings row is always written on Save, so an empty stored password is one the manager
// saved: reopening the register takes it, and the one held in memory goes.
TEST_F(OperatorsWindow, ReopeningAfterAnEmptyPasswordWasSavedClearsTheOneInMemory) {
    Exec(uR"sql(UPDATE VA set value_va = "" WHERE code_va = 12)sql"_s);
    ASSERT_EQ(AdminPassword, u"tajna"_s);
    Form->Close();
    QApplication::processEvents();
    Form = OpenRegister<TfrmUsers_passwords>(Host, u"Оператори"_s, u"Users_passwords"_s, u"user_name"_s,
                                             u"user_password"_s, u"оператор"_s);
    EXPECT_TRUE(AdminPassword.isEmpty());
    EXPECT_TRUE(Form->ed_VA_12->text().isEmpty());
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

} // namespace
