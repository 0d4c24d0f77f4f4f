#include "core/unMessages.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// What the operator saw in the dialog that was answered.
struct TSeen {
    QString Title;
    QStringList Buttons; // object names, left to right
    QStringList Captions;
    QString Default;
    bool HasIcon = false;
    bool HasAnimation = false;
};

// Runs Act on the modal dialog as soon as Show has opened it, and records what it showed.
template <class Show> auto Answer(std::function<void(QWidget*)> Act, TSeen& Seen, Show show) {
    QTimer::singleShot(0, [&Seen, Act] {
        QWidget* dlg = QApplication::activeModalWidget();
        ASSERT_NE(dlg, nullptr);
        Seen.Title = dlg->windowTitle();
        QList<QPushButton*> buttons = dlg->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
        for (QPushButton* b : buttons) {
            Seen.Buttons.append(b->objectName());
            Seen.Captions.append(b->text());
            if (b->isDefault()) Seen.Default = b->objectName();
        }
        Seen.HasIcon = dlg->findChild<QLabel*>(u"Image"_s) != nullptr;
        Seen.HasAnimation = dlg->findChild<QLabel*>(u"Animate"_s) != nullptr;
        Act(dlg);
    });
    return show();
}

std::function<void(QWidget*)> Key(Qt::Key key) {
    return [key](QWidget* dlg) {
        QWidget* target = dlg->focusWidget() ? dlg->focusWidget() : dlg;
        QTest::keyClick(target, key);
    };
}

std::function<void(QWidget*)> Click(const QString& name) {
    return [name](QWidget* dlg) {
        QPushButton* b = dlg->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        b->click();
    };
}

} // namespace

TEST(MessageDialogs, ConfirmationsKeepTheirButtonsDefaultAndCancelKeys) {
    struct Case {
        const char* name;
        std::function<TModalResult()> show;
        QStringList buttons;
        QStringList captions;
        QString defaultButton;
        TModalResult onEnter;
        TModalResult onEsc;
    };
    const Case cases[] = {
        {"YesNoCancel",
         [] { return ConfirmYesNoCancelFmt(u"Запис?"_s, {}); },
         {"Yes", "No", "Cancel"},
         {u"&Да"_s, u"&Не"_s, u"Отказ"_s},
         "No",
         mrNo,
         mrCancel},
        {"YesNo",
         [] { return ConfirmYesNoFmt(u"Изтриване?"_s); },
         {"Yes", "No"},
         {u"&Да"_s, u"&Не"_s},
         "No",
         mrNo,
         mrNo},
        {"OkCancel",
         [] { return ConfirmOkCancelFmt(u"Печат?"_s); },
         {"OK", "Cancel"},
         {u"OK"_s, u"Отказ"_s},
         "Cancel",
         mrCancel,
         mrCancel},
    };
    for (const Case& c : cases) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            TSeen seen;
            const TModalResult result = Answer(Key(key), seen, c.show);
            EXPECT_EQ(result, key == Qt::Key_Return ? c.onEnter : c.onEsc) << c.name;
            EXPECT_EQ(seen.Title, u"Потвърждение!"_s) << c.name;
            EXPECT_EQ(seen.Buttons, c.buttons) << c.name;
            EXPECT_EQ(seen.Captions, c.captions) << c.name;
            EXPECT_EQ(seen.Default, c.defaultButton) << c.name;
            EXPECT_TRUE(seen.HasIcon) << c.name;
        }
    }
}

TEST(MessageDialogs, EachButtonAnswersWithItsOwnResultInTheCallersOrder) {
    // Not the desktop's order: exactly the order asked for.
    const TMsgDlgButtons all = {mbHelp,  mbYesToAll, mbNoToAll, mbAll, mbIgnore, mbRetry,
                                mbAbort, mbCancel,   mbOK,      mbNo,  mbYes};
    const TModalResult expected[] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10};
    for (TMsgDlgBtn b :
         {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll}) {
        TSeen seen;
        const TModalResult result = Answer(Click(ButtonName(b)), seen, [&] {
            return MessageDlgEx(u"?"_s, mtInformation, all, mbAll, mbIgnore);
        });
        EXPECT_EQ(result, expected[b]) << ButtonName(b).toStdString();
        EXPECT_EQ(seen.Buttons, QStringList({"Help", "YesToAll", "NoToAll", "All", "Ignore", "Retry", "Abort",
                                             "Cancel", "OK", "No", "Yes"}));
        EXPECT_EQ(seen.Title, u"Информация!"_s);
        EXPECT_EQ(seen.Default, u"All"_s);
    }
}

TEST(MessageDialogs, HelpDoesNotCloseTheDialog) {
    TSeen seen;
    const TModalResult result = Answer(
        [](QWidget* dlg) {
            dlg->findChild<QPushButton*>(u"Help"_s)->click();
            EXPECT_TRUE(dlg->isVisible());
            QTest::keyClick(dlg, Qt::Key_Escape);
        },
        seen,
        [] {
            return MessageDlgEx(u"?"_s, mtWarning, {mbOK, mbHelp}, mbOK, mbOK);
        });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(seen.Title, u"Предупреждение!"_s);
}

TEST(MessageDialogs, ErrorsAndTheBareBoxShowOneOkButton) {
    struct Case {
        const char* name;
        std::function<void()> show;
        QString title;
        bool icon;
    };
    const Case cases[] = {
        {"ShowErrorFmt", [] { ShowErrorFmt(u"Грешка %d"_s, {1}); }, u"Грешка!"_s, true},
        {"ShowWarningFmt", [] { ShowWarningFmt(u"Внимание"_s); }, u"Предупреждение!"_s, true},
        {"ShowErrorBox", [] { ShowErrorBox(u"x"_s); }, u"Грешка"_s, false},
        {"ShowMessageEx", [] { ShowMessageEx(u"x"_s); }, QGuiApplication::applicationDisplayName(), false},
    };
    for (const Case& c : cases) {
        TSeen seen;
        Answer(Key(Qt::Key_Escape), seen, [&] {
            c.show();
            return 0;
        });
        EXPECT_EQ(seen.Title, c.title) << c.name;
        EXPECT_EQ(seen.Buttons, QStringList{"OK"}) << c.name;
        EXPECT_EQ(seen.Default, u"OK"_s) << c.name;
        EXPECT_EQ(seen.HasIcon, c.icon) << c.name;
        // The searching animation belongs to callers that ask for it, never to these.
        EXPECT_FALSE(seen.HasAnimation) << c.name;
    }
}

TEST(MessageDialogs, LongTextWrapsWithinHalfTheScreen) {
    const QString text = QString(u"дълъг текст "_s).repeated(200);
    TMessageForm form(text, mtError, {mbOK}, mbOK, mbOK, true);
    const int screen = QGuiApplication::primaryScreen()->geometry().width();
    EXPECT_LE(form.lbMessage->width(), screen / 2 + 1);
    EXPECT_GT(form.lbMessage->height(), form.fontMetrics().height() * 2);
    EXPECT_GE(form.width(), form.lbMessage->geometry().right());
    EXPECT_GT(form.Button(mbOK)->y(), form.lbMessage->geometry().bottom());
}

TEST(MessageDialogs, ACarriageReturnBreaksTheLineAsALineFeedDoes) {
    struct Case {
        QString Text;
        QString Shown;
    };
    const Case Cases[] = {
        {LoadStr(65194), u"Данните не са записани!\nЖелаете ли да ги запишете?"_s},
        {u"a\r\rВНИМАНИЕ: b"_s, u"a\n\nВНИМАНИЕ: b"_s},
        {u"a\r\nb"_s, u"a\nb"_s},
        {u"a\n\rb"_s, u"a\nb"_s},
        {u"a\nb\r"_s, u"a\nb\n"_s},
    };
    for (const Case& C : Cases) {
        TMessageForm Form(C.Text, mtConfirmation, {mbYes, mbNo}, mbNo, mbNo, true);
        EXPECT_EQ(Form.lbMessage->text(), C.Shown);
        const int Lines = int(C.Shown.count(u'\n')) + 1;
        EXPECT_GE(Form.lbMessage->height(), Form.fontMetrics().lineSpacing() * Lines)
            << C.Shown.toStdString();
        EXPECT_GT(Form.Button(mbYes)->y(), Form.lbMessage->geometry().bottom());
    }
}

TEST(MessageDialogs, WithoutTheIconTheAnimationStandsInItsPlace) {
    TMessageForm WithIcon(u"x"_s, mtInformation, {mbOK}, mbOK, mbOK, true);
    EXPECT_NE(WithIcon.Image, nullptr);
    EXPECT_EQ(WithIcon.Animate, nullptr);
    TMessageForm WithoutIcon(u"x"_s, mtInformation, {mbOK}, mbOK, mbOK, false);
    EXPECT_EQ(WithoutIcon.Image, nullptr);
    ASSERT_NE(WithoutIcon.Animate, nullptr);
    EXPECT_LT(WithoutIcon.Animate->geometry().right(), WithoutIcon.lbMessage->x());
}

TEST(MessageFunctions, FormatTheirTextBeforeShowingIt) {
    TScriptedPresenter presenter;
    ShowErrorFmt(LoadStr(65115), {u"А1"_s});
    ShowErrorFmt(u"Въведете шифър."_s, {});
    ShowErrorFmt(u"100% готово"_s);
    EXPECT_EQ(presenter.Texts(), QStringList({u"Шифър \"А1\" съществува в таблицата с данни!"_s,
                                              u"Въведете шифър."_s, u"100% готово"_s}));
    const TMessageRequest& r = presenter.Messages().first();
    EXPECT_EQ(r.DlgType, mtError);
    EXPECT_EQ(r.Caption, u"Грешка!"_s);
    EXPECT_EQ(r.Buttons, TMsgDlgButtons{mbOK});

    // A text whose placeholders do not fit fails before anything is shown.
    EXPECT_THROW(ShowErrorFmt(LoadStr(65090), {u"x"_s}), EConvertError);
    EXPECT_EQ(presenter.Messages().size(), 3);
}

TEST(MessageFunctions, ScriptedAnswersComeBackInOrderAndDefaultsFillTheRest) {
    TScriptedPresenter presenter;
    presenter.PlanAnswer(mrYes);
    EXPECT_EQ(ConfirmYesNoFmt(LoadStr(65117), {u"вещ"_s, u"1"_s, u"Пръстен"_s}), mrYes);
    EXPECT_EQ(ConfirmYesNoCancelFmt(LoadStr(65194)), mrNo);
    ASSERT_EQ(presenter.Messages().size(), 2);
    const TMessageRequest& r = presenter.Messages()[1];
    EXPECT_EQ(r.Buttons, TMsgDlgButtons({mbYes, mbNo, mbCancel}));
    EXPECT_EQ(r.DefaultButton, mbNo);
    EXPECT_EQ(r.CancelButton, mbCancel);
    EXPECT_EQ(presenter.Messages()[0].Text, u"Желаете ли да изтриете вещ: \"1\" - \"Пръстен\"?"_s);
}

TEST(MessageFunctions, ScriptedPresenterPutsTheDialogsBackWhenDone) {
    TMessagePresenter* before = &MessagePresenter();
    {
        TScriptedPresenter outer;
        {
            TScriptedPresenter inner;
            EXPECT_EQ(&MessagePresenter(), &inner);
        }
        EXPECT_EQ(&MessagePresenter(), &outer);
    }
    EXPECT_EQ(&MessagePresenter(), before);
}

TEST(MessageTexts, AreKeptExactlyAsWritten) {
    struct Case {
        int id;
        QString text;
    };
    const Case cases[] = {
        {65081, u"\r\n"_s},
        {65098, u"Въведете ср"_s + QChar(u'o') + u"к на договора"_s}, // a Latin "o"
        {65105, u" Възстановяване на архивно копие от "_s},
        {65151, u"Този помощник ще ви помогле да създадете архивно копие на данните."_s},
        {65173, u"dd\".\"mm\".\"yyyy\" г. / \"hh\":\"nn\":\"ss"_s},
        {65191, u"Грешка при работа с базата данни !\n\r%s"_s},
        {65079, u"Файлът \"%s\" съществува!\n\rЖелаете ли да го припокриете?"_s},
        {65184, u"Отказ"_s},
        {65000, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadStr(c.id), c.text) << c.id;
}

TEST(PasswordDialog, GivesTheTypedTextOnlyWhenConfirmed) {
    struct Case {
        const char* name;
        std::function<void(QWidget*)> finish;
        bool result;
        QString value;
    };
    const auto press = [](const char* button) {
        return [button](QWidget* dlg) { dlg->findChild<QPushButton*>(QString::fromLatin1(button))->click(); };
    };
    const Case cases[] = {
        {"Продължи", press("OK"), true, u"secret"_s},
        {"Enter", [](QWidget* dlg) { QTest::keyClick(dlg->findChild<QLineEdit*>(), Qt::Key_Return); }, true,
         u"secret"_s},
        {"Отказ", press("Cancel"), false, u"старо"_s},
        {"close box", [](QWidget* dlg) { dlg->close(); }, false, u"старо"_s},
    };
    for (const Case& c : cases) {
        QString value = u"старо"_s;
        TSeen seen;
        const bool ok = Answer(
            [&](QWidget* dlg) {
                auto* edit = dlg->findChild<QLineEdit*>();
                EXPECT_EQ(edit->text(), u"старо"_s);
                EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
                edit->clear();
                QTest::keyClicks(edit, u"secret"_s);
                c.finish(dlg);
            },
            seen,
            [&] { return PasswordDialog(u"Въвеждане на парола"_s, u"Въведете парола"_s, u'*', value); });
        EXPECT_EQ(ok, c.result) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
        EXPECT_EQ(seen.Title, u"Въвеждане на парола"_s);
        EXPECT_EQ(seen.Captions, QStringList({u"Продължи"_s, u"Отказ"_s}));
    }
}
