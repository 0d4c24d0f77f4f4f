#include "framework/forms/MAccountStatusForm.h"

#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "core/unEvents.h"

#include <QAction>
#include <QDateTime>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

TMAccountStatusForm::TMAccountStatusForm(QWidget* Owner) : TMAccountForm(Owner) {
    setObjectName(QStringLiteral("MAccountStatusForm"));

    StatusBar = new TdfsStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(19);
    TdfsStatusPanels* panels = StatusBar->Panels();
    panels->Add()->SetBorderWidth(2);
    TdfsStatusPanel* gauge = panels->Add();
    gauge->SetPanelType(sptGauge);
    gauge->GaugeAttrs()->SetBlankOnZero(true);
    panels->Add();
    panels->Add()->SetBorderWidth(2);
    StatusBar->installEventFilter(this);
    qobject_cast<QVBoxLayout*>(layout())->addWidget(StatusBar);
    StatusBar->hide();

    buttonStop = new QToolButton(StatusBar);
    buttonStop->setObjectName(QStringLiteral("buttonStop"));
    buttonStop->setDefaultAction(actStop);
    buttonStop->setAutoRaise(true);
    buttonStop->setToolButtonStyle(Qt::ToolButtonIconOnly);
    buttonStop->setIconSize(QSize(12, 12));
    buttonStop->setFocusPolicy(Qt::NoFocus);
    buttonStop->setGeometry(0, 2, 16, 15);
    buttonStop->hide();

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TMAccountStatusForm::TimerTick);
}

void TMAccountStatusForm::LayoutStatusBar() {
    if (FormState.Contains(Creating)) return;
    TdfsStatusPanels* panels = StatusBar->Panels();
    panels->Items(3)->SetWidth(ShowTimePanel ? 150 : 0);
    panels->Items(1)->SetWidth(ShowProgress ? 100 : 0);
    buttonStop->setVisible(ShowElapsed);
    panels->Items(2)->SetWidth(ShowElapsed ? 20 : 0);
    panels->Items(0)->SetWidth(StatusBar->width() - panels->Items(3)->Width() - panels->Items(2)->Width() -
                               panels->Items(1)->Width());
    buttonStop->move(panels->Items(0)->Width() + panels->Items(1)->Width() + 3, buttonStop->y());
}

void TMAccountStatusForm::SetShowProgress(bool Show) {
    ShowProgress = Show;
    LayoutStatusBar();
}

void TMAccountStatusForm::SetStatusText(const QString& Text) {
    StatusBar->Panels()->Items(0)->SetText(Text);
}

void TMAccountStatusForm::SetTimeText(const QString& Text) {
    StatusBar->Panels()->Items(3)->SetText(Text);
}

void TMAccountStatusForm::SetProgress(int Percent) {
    TdfsGaugeAttrs* gauge = StatusBar->Panels()->Items(1)->GaugeAttrs();
    if (gauge->Position() != Percent) gauge->SetPosition(Percent);
}

void TMAccountStatusForm::InitDefaults() {
    ShowElapsed = false;
    ShowProgress = false;
    ShowTimePanel = true;
    TMAccountForm::InitDefaults();
    SetTimeText(QString());
    LayoutStatusBar();
}

bool TMAccountStatusForm::Init() {
    actStop->setEnabled(false);
    LayoutStatusBar();
    StatusBar->repaint();
    return TMAccountForm::Init();
}

bool TMAccountStatusForm::DoExecute() {
    if (ShowElapsed) {
        StartTime = QTime::currentTime();
        Timer->start();
        actStop->setEnabled(true);
    }
    // A failed load still stops the clock and writes the end time.
    auto finish = qScopeGuard([this] {
        actStop->setEnabled(false);
        Timer->stop();
        SetTimeText(EndTimeText(QDateTime::currentDateTime()));
        SetProgress(0);
    });
    return TMAccountForm::DoExecute();
}

void TMAccountStatusForm::TimerTick() {
    int seconds = StartTime.secsTo(QTime::currentTime());
    if (seconds < 0) seconds += 24 * 60 * 60; // the load ran past midnight
    SetTimeText(ElapsedText(seconds));
}

int TMAccountStatusForm::ProgressPercent(int Done, int Total) {
    return int(std::nearbyint(double(Done) / double(Total) * 100.0));
}

QString TMAccountStatusForm::ElapsedText(int Seconds) {
    const int h = Seconds / 3600;
    const int m = Seconds / 60 % 60;
    const int s = Seconds % 60;
    QString text;
    if (h != 0)
        text =
            QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    else if (m != 0)
        text = QStringLiteral("%1:%2 мин.").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    else
        text = QStringLiteral("%1 сек.").arg(s);
    return QStringLiteral(" Изминало време: ") + text;
}

QString TMAccountStatusForm::EndTimeText(const QDateTime& Moment) {
    return QStringLiteral(" Към: ") + Moment.toString(QStringLiteral("dd.MM.yyyy, h:mm"));
}

bool TMAccountStatusForm::event(QEvent* Event) {
    if (Event->type() == evProgress) {
        const auto* progress = static_cast<TProgressEvent*>(Event);
        if (progress->Total != 0) SetProgress(ProgressPercent(progress->Done, progress->Total));
        return true;
    }
    return TMAccountForm::event(Event);
}

bool TMAccountStatusForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == StatusBar && Event->type() == QEvent::Resize) LayoutStatusBar();
    return TMAccountForm::eventFilter(Watched, Event);
}
