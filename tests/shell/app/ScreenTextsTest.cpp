// The program's windows and Qt's own dialogs, walked offscreen after the start-up's language
// set-up: no Latin-script word is left for the operator to read but names and codes.

#include "Components/Edits/FilteredEdit.h"
#include "framework/forms/MAccountForm.h"
#include "shell/app/About.h"
#include "shell/app/MainForm.h"
#include "shell/app/StartUp.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

// Every text a person can read on Widget and its children.
QStringList ScreenTexts(QWidget* Widget) {
    QStringList Texts{Widget->windowTitle()};
    QList<QWidget*> Widgets = Widget->findChildren<QWidget*>();
    Widgets.prepend(Widget);
    for (QWidget* W : Widgets) {
        Texts << W->toolTip();
        if (auto* Button = qobject_cast<QAbstractButton*>(W)) Texts << Button->text();
        if (auto* Label = qobject_cast<QLabel*>(W)) Texts << Label->text();
        if (auto* Group = qobject_cast<QGroupBox*>(W)) Texts << Group->title();
        if (auto* Edit = qobject_cast<QLineEdit*>(W)) Texts << Edit->placeholderText();
        if (auto* Tabs = qobject_cast<QTabBar*>(W))
            for (int I = 0; I < Tabs->count(); ++I)
                Texts << Tabs->tabText(I);
        if (auto* Combo = qobject_cast<QComboBox*>(W))
            for (int I = 0; I < Combo->count(); ++I)
                Texts << Combo->itemText(I);
        if (auto* View = qobject_cast<QAbstractItemView*>(W); View && View->model())
            for (int C = 0; C < View->model()->columnCount(); ++C)
                Texts << View->model()->headerData(C, Qt::Horizontal).toString();
        for (QAction* Action : W->actions())
            Texts << Action->text() << Action->toolTip();
    }
    for (QAction* Action : Widget->findChildren<QAction*>())
        Texts << Action->text();
    return Texts;
}

// The Latin-script words of Texts, each with the text it stands in.
QStringList LatinWords(const QStringList& Texts) {
    // Names and codes an operator reads as they are.
    static const QStringList Allowed = {"OK",   "FIX", "PDF", "Ctrl",    "Shift", "Alt", "Esc",  "Enter",
                                        "Del",  "Ins", "Tab", "Excel",   "Word",  "MS",  "CAPS", "NUM",
                                        "SCRL", "INS", "OVR", "Lendora", "CTRL",  "GSM", "IP"};
    static const QRegularExpression Word(QStringLiteral("(?<![\\w.])[A-Za-z]{2,}(?![\\w.])"));
    QStringList Found;
    for (const QString& Raw : Texts) {
        const QString Text = QString(Raw).remove(QLatin1Char('&'));
        if (Text.contains(QLatin1String("<html")) || Text.contains(QLatin1String("<qt"))) continue;
        for (auto M = Word.globalMatch(Text); M.hasNext();) {
            const QString W = M.next().captured();
            if (Allowed.contains(W) || QRegularExpression(QStringLiteral("^F\\d+$")).match(W).hasMatch())
                continue;
            Found << W + QStringLiteral(" in \"") + Text + QLatin1Char('"');
        }
    }
    Found.removeDuplicates();
    return Found;
}

class ScreenLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        FName = QApplication::applicationName();
        FTranslators = qApp->findChildren<QTranslator*>();
        FLocale = QLocale();
        SetUpApplication(*qApp);
    }
    void TearDown() override {
        for (QTranslator* Translator : qApp->findChildren<QTranslator*>())
            if (!FTranslators.contains(Translator)) delete Translator;
        QLocale::setDefault(FLocale);
        QApplication::setApplicationName(FName);
    }

private:
    QString FName;
    QList<QTranslator*> FTranslators;
    QLocale FLocale;
};

} // namespace

TEST_F(ScreenLanguage, NoEnglishIsLeftOnTheProgramsWindowsAndQtsDialogs) {
    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    QStringList Found;
    {
        TMainForm Form(nullptr, Dir.Path());
        Form.resize(1000, 700);
        const auto Walk = [&](QWidget* W, const QString& Where) {
            for (const QString& F : LatinWords(ScreenTexts(W)))
                Found << Where + QStringLiteral(": ") + F;
        };
        for (const TMenuCommand& Command : MenuCommands()) {
            if (Command.Run) continue;
            Form.findChild<QAction*>(Command.Name)->trigger();
            // The window menu lists the arrangements only while a window is open.
            for (QMenu* Menu : Form.menuBar()->findChildren<QMenu*>())
                emit Menu->aboutToShow();
            Walk(&Form, Command.Name);
            if (QMdiSubWindow* Sub = Form.MdiArea()->activeSubWindow()) {
                Walk(Sub, Command.Name);
                if (auto* Window = qobject_cast<TMAccountForm*>(Sub->widget())) Window->Close();
            }
            QApplication::processEvents();
        }
        TAboutBox About(&Form);
        Walk(&About, QStringLiteral("about"));
    }
    // A date edit's calendar names its months and days.
    QCalendarWidget Calendar;
    Calendar.setSelectedDate(QDate(2026, 12, 7));
    const QStringList CalendarTexts = ScreenTexts(&Calendar);
    EXPECT_TRUE(CalendarTexts.contains(QStringLiteral("декември"))) << CalendarTexts.join(u'|').toStdString();
    for (const QString& F : LatinWords(CalendarTexts))
        Found << QStringLiteral("calendar: ") + F;
    for (const QString& Day : {QStringLiteral("Mon"), QStringLiteral("Sun")})
        EXPECT_NE(Calendar.locale().dayName(1, QLocale::ShortFormat), Day);
    // The print dialog with its options and the printer's properties.
    QTemporaryDir Out;
    QPrinter Printer;
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setOutputFileName(Out.filePath(QStringLiteral("out.pdf")));
    QPrintDialog Dialog(&Printer);
    for (const QString& F : LatinWords(ScreenTexts(&Dialog)))
        Found << QStringLiteral("print dialog: ") + F;
    EXPECT_TRUE(Found.isEmpty()) << Found.join(u'\n').toStdString();
}
