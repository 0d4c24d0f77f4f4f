#include "framework/printing/PrintDialogs.h"

#include "Components/Edits/FloatEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(PrintDialogs, ObjectsWithoutMarginsShowDisabledZeros) {
    TReportSettings setting;
    NewPrintObjects(setting);
    setting.PrintObjects[poCaption].Top = 12.5;
    TfmPrintSetup dialog;
    dialog.SetupData(setting, "", "Заглавие", "", "", "", -1, false);
    dialog.show();
    ASSERT_EQ(dialog.listObjects->count(), 6);
    EXPECT_EQ(dialog.listObjects->currentRow(), 0);
    // "Таблица" has no margins at all.
    for (TFloatEdit* edit :
         {dialog.editMarginTop, dialog.editMarginBottom, dialog.editMarginLeft, dialog.editMarginRight}) {
        EXPECT_FALSE(edit->isEnabled());
        EXPECT_EQ(edit->Value(), 0);
    }
    EXPECT_EQ(dialog.panelSample->text(), QStringLiteral("Пример"));
    // "Заглавие" has its top.
    dialog.listObjects->setCurrentRow(1);
    EXPECT_TRUE(dialog.editMarginTop->isEnabled());
    EXPECT_EQ(dialog.editMarginTop->Value(), 12.5);
    EXPECT_FALSE(dialog.editMarginLeft->isEnabled());
    EXPECT_EQ(dialog.panelSample->text(), QStringLiteral("Заглавие"));
}

TEST(PrintDialogs, SetupWritesMarginsAndFontsBackOnlyWhenAsked) {
    TReportSettings setting;
    NewPrintObjects(setting);
    setting.PrintObjects[poPageLine].Right = 200;
    TfmPrintSetup dialog;
    dialog.SetupData(setting, "", "", "", "", "", 0, false);
    dialog.show();
    dialog.listObjects->setCurrentRow(4); // "Системна информация": the page line
    dialog.editMarginRight->SetValue(190);
    dialog.ChooseFont = [](QFont& Font) {
        Font.setFamily("Liberation Sans");
        Font.setPointSize(13);
        return true;
    };
    dialog.btnFont->click();
    EXPECT_EQ(setting.PrintObjects[poPageLine].Right, 200);
    int printer = -1;
    dialog.GetSetupData(setting, printer);
    EXPECT_EQ(printer, 0);
    EXPECT_EQ(setting.PrintObjects[poPageLine].Right, 190);
    EXPECT_EQ(setting.PrintObjects[poPageLine].Font.Size(), 13);
    EXPECT_EQ(setting.PrintObjects[poPageLine].Font.Name(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(setting.PrintObjects[poTable].Font.Size(), 8);
}

TEST(PrintDialogs, ReadOnlySetupLeavesOnlyThePrinter) {
    TReportSettings setting;
    NewPrintObjects(setting);
    TfmPrintSetup dialog;
    dialog.SetupData(setting, "", "", "", "", "", -1, true);
    EXPECT_FALSE(dialog.btnFont->isEnabled());
    EXPECT_FALSE(dialog.listObjects->isEnabled());
    EXPECT_TRUE(dialog.btnPrinter->isEnabled());
}

TEST(PrintDialogs, SettingNamesRefuseTheSeparatorsAndCancelGivesNothing) {
    struct Case {
        QString Typed;
        Qt::Key Close;
        QString Name;
    };
    const QList<Case> cases = {
        {"a@b", Qt::Key_Return, "ab"},
        {QStringLiteral("x,y|z~w°v"), Qt::Key_Return, "xyzwv"},
        {"typed", Qt::Key_Escape, ""},
    };
    for (const Case& c : cases) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TfmPrintSelectName*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::keyClicks(dialog->editName, c.Typed);
            QTest::keyClick(dialog, c.Close);
        });
        QString name = "old";
        SelectSettingName(name);
        EXPECT_EQ(name, c.Name) << c.Typed.toStdString();
    }
}

TEST(PrintDialogs, PastedSeparatorsNeverReachASettingName) {
    QClipboard* clipboard = QApplication::clipboard();
    const QString kept = clipboard->text();
    const auto restore = qScopeGuard([&] { clipboard->setText(kept); });
    struct Case {
        QString Typed;
        QString Pasted;
        QString Name;
    };
    const QList<Case> cases = {
        {"", QStringLiteral("Месечен@отчет|x"), QStringLiteral("Месеченотчетx")},
        {"ab", QStringLiteral("°,~"), "ab"},
        {"a", QStringLiteral("1@2"), "a12"},
    };
    for (const Case& c : cases) {
        TfmPrintSelectName dialog;
        QTest::keyClicks(dialog.editName, c.Typed);
        clipboard->setText(c.Pasted);
        QTest::keySequence(dialog.editName, QKeySequence::Paste);
        EXPECT_EQ(dialog.editName->text(), c.Name) << c.Pasted.toStdString();
        EXPECT_EQ(dialog.editName->cursorPosition(), c.Name.size());
    }
}

TEST(PrintDialogs, WaitingForTheOperatorEndsOnlyOnAButton) {
    TfmPrintProgress progress;
    progress.show();
    progress.ShowOKButton();
    EXPECT_TRUE(progress.buttonOK->isVisible());
    EXPECT_EQ(progress.buttonCancel->x(), 192);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3) progress.buttonOK->click();
    });
    timer.start(1);
    EXPECT_EQ(progress.WaitForOperator(4), 2);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(progress.labelStatus->text(),
              QStringLiteral("Моля, подгответе печата за стр. 4 и натиснете OK ..."));
    timer.stop();

    progress.Answer = 0;
    QTimer::singleShot(0, [&] { QTest::keyClick(&progress, Qt::Key_Escape); });
    EXPECT_EQ(progress.WaitForOperator(5), 1);
    // It stays until the printing hides it.
    progress.close();
    EXPECT_TRUE(progress.isVisible());
    progress.HideOKButton();
    EXPECT_EQ(progress.buttonCancel->x(), 144);
    progress.HideProgress();
    EXPECT_FALSE(progress.isVisible());
    progress.SetPages(0, 0);
    EXPECT_EQ(progress.labelPages->text(), QString());
    progress.SetPages(2, 7);
    EXPECT_EQ(progress.labelPages->text(), QStringLiteral("стр.: 2 / 7"));
}

// The font dialog of the print setup names its styles in Bulgarian, and the style picked by its
// Bulgarian name is the font chosen.
TEST(PrintDialogs, TheFontDialogNamesItsStylesInBulgarian) {
    const struct {
        const char16_t* Style;
        const char16_t* Shown;
    } Cases[] = {{u"Bold", u"Получер"},
                 {u"Italic", u"Курсив"},
                 {u"Roman", u"Обикновен"},
                 {u"Condensed Bold Oblique", u"Сбит получер наклонен"},
                 {u"ExtraLight", u"Много светъл"},
                 {u"Retina", u"Retina"},
                 {u"", u""}};
    for (const auto& C : Cases)
        EXPECT_EQ(FontStyleText(QString::fromUtf16(C.Style)), QString::fromUtf16(C.Shown));

    TReportSettings setting;
    NewPrintObjects(setting);
    TfmPrintSetup dialog;
    dialog.SetupData(setting, "", "", "", "", "", 0, false);
    dialog.show();
    QStringList Shown;
    QString Edit;
    QTimer::singleShot(0, [&] {
        auto* Fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(Fonts, nullptr);
        Fonts->setCurrentFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        QListView* Styles = Fonts->findChildren<QListView*>().value(1);
        ASSERT_NE(Styles, nullptr);
        for (int Row = 0; Row < Styles->model()->rowCount(); ++Row) {
            const QModelIndex Index = Styles->model()->index(Row, 0);
            Shown << static_cast<QStyledItemDelegate*>(Styles->itemDelegate())
                         ->displayText(Index.data(), QLocale());
            if (Shown.last() == QStringLiteral("Получер")) Styles->setCurrentIndex(Index);
        }
        for (QLineEdit* Line : Fonts->findChildren<QLineEdit*>())
            if (Line->isReadOnly() && Line->text() != QStringLiteral("DejaVu Sans")) Edit = Line->text();
        Fonts->accept();
    });
    dialog.btnFont->click();
    EXPECT_TRUE(Shown.contains(QStringLiteral("Получер"))) << Shown.join(u',').toStdString();
    for (const QString& Style : Shown)
        EXPECT_FALSE(Style.contains(QRegularExpression(QStringLiteral("[A-Za-z]")))) << Style.toStdString();
    EXPECT_EQ(Edit, QStringLiteral("Получер"));
    int printer = -1;
    dialog.GetSetupData(setting, printer);
    EXPECT_TRUE(setting.PrintObjects[poTable].Font.Font().bold());
}
