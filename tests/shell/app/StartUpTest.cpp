#include "shell/app/StartUp.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

// What SetUpApplication changes, put back when the test ends: the other tests read Qt's own
// texts in English and windows without an icon.
class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        FName = QApplication::applicationName();
        FIcon = QApplication::windowIcon();
        FTranslators = qApp->findChildren<QTranslator*>();
        FLocale = QLocale();
    }
    void TearDown() override {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>())
            if (!FTranslators.contains(translator)) delete translator;
        QApplication::setWindowIcon(FIcon);
        QApplication::setApplicationName(FName);
        QLocale::setDefault(FLocale);
    }

private:
    QLocale FLocale;
    QString FName;
    QIcon FIcon;
    QList<QTranslator*> FTranslators;
};

// Every text a person reads on Widget and its children: its title, buttons, labels, group boxes.
QStringList VisibleTexts(QWidget* Widget) {
    QStringList texts{Widget->windowTitle()};
    for (QAbstractButton* button : Widget->findChildren<QAbstractButton*>())
        texts.append(button->text().remove(u'&'));
    for (QLabel* label : Widget->findChildren<QLabel*>())
        texts.append(label->text().remove(u'&'));
    for (QGroupBox* group : Widget->findChildren<QGroupBox*>())
        texts.append(group->title().remove(u'&'));
    texts.removeAll(QString());
    return texts;
}

} // namespace

TEST_F(StartUpTest, QtsOwnPrintDialogSpeaksBulgarian) {
    SetUpApplication(*qApp);
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Лендора"));
    // A printer that writes a file: the dialog is only built and read, never accepted.
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    QPrintDialog dialog(&printer);
    const QStringList texts = VisibleTexts(&dialog);
    for (const char* english : {"Print", "Printer", "Properties", "Cancel", "Options >>", "Copies"})
        EXPECT_FALSE(texts.contains(QLatin1String(english))) << english << "\n"
                                                             << texts.join(u'|').toStdString();
    for (const QString& bulgarian : {QStringLiteral("Печат"), QStringLiteral("Отказ")})
        EXPECT_TRUE(texts.contains(bulgarian)) << bulgarian.toStdString() << "\n"
                                               << texts.join(u'|').toStdString();
}

TEST_F(StartUpTest, EveryWindowCarriesTheProgramsIcon) {
    SetUpApplication(*qApp);
    QWidget window;
    const QIcon icon = window.windowIcon();
    ASSERT_FALSE(icon.isNull());
    // The program's own mark in each size a desktop asks for, not Qt's logo.
    for (const int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size).toImage();
        const QImage shipped(QStringLiteral(":/icons/lendora-%1.png").arg(size));
        ASSERT_FALSE(shipped.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32),
                  QPixmap::fromImage(shipped).toImage().convertToFormat(QImage::Format_ARGB32))
            << size;
    }
}
