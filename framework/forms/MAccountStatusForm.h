#pragma once
// The base form with a status bar: status text, progress gauge, stop button and the time of the
// last load.

#include "framework/forms/MAccountForm.h"

#include <QTime>

class QTimer;
class TdfsStatusBar;

class TMAccountStatusForm : public TMAccountForm {
    Q_OBJECT
public:
    explicit TMAccountStatusForm(QWidget* Owner = nullptr);

    TdfsStatusBar* StatusBar;
    QToolButton* buttonStop;
    QTimer* Timer;

    bool ShowElapsed = false;
    bool ShowProgress = false;
    bool ShowTimePanel = true;
    QTime StartTime;

    void SetShowProgress(bool Show);
    void SetStatusText(const QString& Text);
    void SetTimeText(const QString& Text);
    void SetProgress(int Percent);
    void LayoutStatusBar();

    void InitDefaults() override;
    bool Init() override;
    bool DoExecute() override;

    // Progress as message 1064 shows it: Done of Total in percent, halves to the even neighbour.
    static int ProgressPercent(int Done, int Total);
    // " Изминало време: 1:15 мин." and the like.
    static QString ElapsedText(int Seconds);
    // " Към: 05.03.2024, 9:07".
    static QString EndTimeText(const QDateTime& Moment);

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void TimerTick();
};
