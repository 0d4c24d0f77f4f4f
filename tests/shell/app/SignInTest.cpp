#include "shell/app/SignIn.h"
#include "core/unDatabase.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class SignInTest : public ::testing::Test {
protected:
    void AddOperator(const QString& User, const QString& Password, const QString& Names) {
        ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                            Format("Insert into Users_passwords values ( \"%s\", \"%s\", \"%s\" )",
                                   {SqlText(User), SqlText(Password), SqlText(Names)})));
    }
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
};

TEST_F(SignInTest, WithoutOperatorsTheProgramStartsWithAnEmptyUserName) {
    EXPECT_FALSE(HasOperators(nullptr));
    QString User = "x";
    EXPECT_TRUE(SignIn(nullptr, User));
    EXPECT_TRUE(User.isEmpty());
}

TEST_F(SignInTest, AcceptsAStoredOperatorAndRefusesAWrongPassword) {
    AddOperator(QStringLiteral("Иван"), QStringLiteral("Tajna1"), QStringLiteral("Иван Петров"));
    AddOperator("maria", "a\"b", "Maria");
    EXPECT_TRUE(HasOperators(nullptr));
    struct Case {
        QString user, password, expected;
    } cases[] = {
        {QStringLiteral("Иван"), "Tajna1", QStringLiteral("Иван")},
        {QStringLiteral("иван"), "Tajna1", QStringLiteral("Иван")}, // the name ignores case
        {QStringLiteral("Иван"), "tajna1", ""},                     // the password does not
        {QStringLiteral("Иван"), "", ""},
        {"", "Tajna1", ""},
        {"nobody", "Tajna1", ""},
        {"maria", "a\"b", "maria"},
        {"\" OR 1=1 OR \"", "x", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckOperator(nullptr, c.user, c.password), c.expected) << c.user.toStdString();
}

TEST_F(SignInTest, ThreeWrongTriesEndTheSignIn) {
    AddOperator("ivan", "pass", "Ivan");
    TSignInDialog Dialog;
    auto* user = Dialog.findChild<QLineEdit*>("edUserName");
    auto* password = Dialog.findChild<QLineEdit*>("edPassword");
    ASSERT_TRUE(user && password);
    user->setText("ivan");
    for (int i = 0; i < 2; ++i) {
        password->setText("wrong");
        Dialog.accept();
        EXPECT_EQ(Dialog.result(), 0);
        EXPECT_TRUE(password->text().isEmpty());
    }
    password->setText("wrong");
    Dialog.accept();
    EXPECT_EQ(Dialog.FailedTries(), 3);
    EXPECT_EQ(Dialog.result(), int(QDialog::Rejected));
    EXPECT_EQ(Presenter.Messages().size(), 1);
}

TEST_F(SignInTest, TheRightPasswordSignsIn) {
    AddOperator("ivan", "pass", "Ivan");
    TSignInDialog Dialog;
    Dialog.findChild<QLineEdit*>("edUserName")->setText("IVAN");
    Dialog.findChild<QLineEdit*>("edPassword")->setText("wrong");
    Dialog.accept();
    Dialog.findChild<QLineEdit*>("edPassword")->setText("pass");
    Dialog.accept();
    EXPECT_EQ(Dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(Dialog.UserName(), "ivan");
}

// The dialog stands in the middle of the screen and a refusal shows whole ("… Остават 2 опита.").
TEST_F(SignInTest, TheDialogIsCentredAndItsRefusalShowsWhole) {
    AddOperator("ivan", "pass", "Ivan");
    QPoint Centre, ScreenCentre;
    bool Whole = false;
    WhenModalShown("TSignInDialog", [&](QWidget* Dialog) {
        Centre = Dialog->frameGeometry().center();
        ScreenCentre = Dialog->screen()->availableGeometry().center();
        Dialog->findChild<QLineEdit*>("edUserName")->setText("ivan");
        Dialog->findChild<QLineEdit*>("edPassword")->setText("wrong");
        Dialog->findChild<QPushButton*>("OK")->click();
        QApplication::processEvents();
        auto* Error = Dialog->findChild<QLabel*>("labError");
        const int Needed =
            Error->wordWrap()
                ? Error->heightForWidth(Error->width())
                : Error->fontMetrics().height() *
                      (Error->fontMetrics().horizontalAdvance(Error->text()) > Error->width() ? 2 : 1);
        Whole =
            Error->text().endsWith(u"Остават 2 опита."_s) && Error->height() >= Needed &&
            (Error->wordWrap() || Error->fontMetrics().horizontalAdvance(Error->text()) <= Error->width());
        Dialog->findChild<QPushButton*>("Cancel")->click();
    });
    QString User;
    EXPECT_FALSE(SignIn(nullptr, User));
    EXPECT_TRUE(Whole);
    EXPECT_LE((Centre - ScreenCentre).manhattanLength(), 4);
}
