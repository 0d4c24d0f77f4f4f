#include "framework/PrintDialogs.h"

#include "core/unitTypes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

// ---- progress

TfmPrintProgress::TfmPrintProgress(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("fmPrintProgress"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(336, 118);
    labelStatus = new QLabel(QStringLiteral("Подготовка на печата, моля изчакайте ..."), this);
    labelStatus->setObjectName(QStringLiteral("labelStatus"));
    labelStatus->setGeometry(8, 8, 320, 20);
    labelPages = new QLabel(this);
    labelPages->setObjectName(QStringLiteral("labelPages"));
    labelPages->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labelPages->setGeometry(8, 30, 320, 18);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 32);
    ProgressBar->setValue(0);
    ProgressBar->setGeometry(8, 52, 320, 18);
    buttonCancel = new QPushButton(QStringLiteral("Отказ"), this);
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel->setGeometry(144, 80, 75, 28);
    buttonCancel->setDefault(true);
    buttonOK = new QPushButton(QStringLiteral("OK"), this);
    buttonOK->setObjectName(QStringLiteral("buttonOK"));
    buttonOK->setGeometry(96, 80, 75, 28);
    buttonOK->hide();
    connect(buttonCancel, &QPushButton::clicked, this, [this] { Answer = 1; });
    connect(buttonOK, &QPushButton::clicked, this, [this] { Answer = 2; });
}

void TfmPrintProgress::showEvent(QShowEvent* Event) {
    Showing = true;
    Answer = 0;
    ProgressBar->setValue(0);
    QDialog::showEvent(Event);
}

void TfmPrintProgress::HideProgress() {
    Showing = false;
    hide();
}

void TfmPrintProgress::closeEvent(QCloseEvent* Event) {
    if (Showing) {
        Event->ignore();
        return;
    }
    QDialog::closeEvent(Event);
}

void TfmPrintProgress::reject() {
    // Esc is the cancel button; the dialog itself stays until it is hidden.
    Answer = 1;
    if (!Showing) QDialog::reject();
}

void TfmPrintProgress::SetStatus(const QString& Text) {
    labelStatus->setText(Text);
    labelStatus->repaint();
}

void TfmPrintProgress::SetPages(int Page, int Total) {
    labelPages->setText(Page == 0 && Total == 0 ? QString()
                                                : Format(QStringLiteral("стр.: %d / %d"), {Page, Total}));
    labelPages->repaint();
}

void TfmPrintProgress::SetMaximum(int N) {
    ProgressBar->setMaximum(N);
}

void TfmPrintProgress::ShowOKButton() {
    buttonOK->move(96, buttonOK->y());
    buttonOK->show();
    buttonOK->setDefault(true);
    buttonCancel->move(192, buttonCancel->y());
    buttonCancel->setDefault(false);
}

void TfmPrintProgress::HideOKButton() {
    buttonOK->hide();
    buttonOK->setDefault(false);
    buttonCancel->setDefault(true);
    buttonCancel->move(144, buttonCancel->y());
}

int TfmPrintProgress::WaitForOperator(int Page) {
    SetStatus(Format(QStringLiteral("Моля, подгответе печата за стр. %d и натиснете OK ..."), {Page}));
    while (Answer == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return Answer;
}
