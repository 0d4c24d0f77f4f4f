#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "core/unEvents.h"
#include "tests/framework/forms/FormHost.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(MAccountStatusForm, ProgressMessageMovesTheGaugeToTheNearestPercent) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    TdfsGaugeAttrs* gauge = form->StatusBar->Panels()->Items(1)->GaugeAttrs();
    struct Case {
        int done;
        int total;
        int expected;
    };
    const Case cases[] = {{2, 3, 67}, {1, 3, 33}, {1, 8, 12}, {3, 8, 38}, {5, 0, 38}, {4, 4, 100}};
    for (const Case& c : cases) {
        QCoreApplication::postEvent(form, new TProgressEvent(c.done, c.total));
        QCoreApplication::sendPostedEvents(form, evProgress);
        EXPECT_EQ(gauge->Position(), c.expected) << c.done << "/" << c.total;
    }
}

TEST(MAccountStatusForm, TimeTexts) {
    const std::pair<int, QString> elapsed[] = {{75, " Изминало време: 1:15 мин."},
                                               {9, " Изминало време: 9 сек."},
                                               {3725, " Изминало време: 1:02:05"},
                                               {600, " Изминало време: 10:00 мин."}};
    for (const auto& [seconds, text] : elapsed)
        EXPECT_EQ(TMAccountStatusForm::ElapsedText(seconds), text);
    EXPECT_EQ(TMAccountStatusForm::EndTimeText(QDateTime(QDate(2024, 3, 5), QTime(9, 7))),
              " Към: 05.03.2024, 9:07");
}

TEST(MAccountStatusForm, StatusBarLayoutFollowsTheShowFlags) {
    TFormHost host;
    TCountingForm* form = OpenCountingForm(host);
    form->StatusBar->show();
    form->SubWindow()->resize(700, 400);
    QApplication::processEvents();
    TdfsStatusPanels* panels = form->StatusBar->Panels();
    const int width = form->StatusBar->width();
    struct Case {
        bool time, progress, elapsed;
        int w1, w2, w3;
    };
    const Case cases[] = {{false, false, false, 0, 0, 0},
                          {true, false, false, 0, 0, 150},
                          {true, true, true, 100, 20, 150},
                          {false, true, false, 100, 0, 0}};
    for (const Case& c : cases) {
        form->ShowTimePanel = c.time;
        form->ShowElapsed = c.elapsed;
        form->SetShowProgress(c.progress);
        EXPECT_EQ(panels->Items(1)->Width(), c.w1);
        EXPECT_EQ(panels->Items(2)->Width(), c.w2);
        EXPECT_EQ(panels->Items(3)->Width(), c.w3);
        EXPECT_EQ(panels->Items(0)->Width(), width - c.w1 - c.w2 - c.w3);
        EXPECT_EQ(form->buttonStop->isVisible(), c.elapsed);
        if (c.elapsed) {
            EXPECT_EQ(form->buttonStop->x(), panels->Items(0)->Width() + c.w1 + 3);
        }
    }
}

TEST(MAccountStatusForm, ATimedLoadRunsTheClockAndAFailedOneStillStopsIt) {
    TFormHost host;
    TScriptedPresenter presenter;
    TCountingForm* form = OpenCountingForm(host);
    form->ShowElapsed = true;
    for (const bool fails : {false, true}) {
        form->SetTimeText("");
        bool clockRan = false;
        form->Work["Execute"] = [&]() -> bool {
            clockRan = form->Timer->isActive() && form->actStop->isEnabled();
            QCoreApplication::postEvent(form, new TProgressEvent(1, 2));
            QCoreApplication::sendPostedEvents(form, evProgress);
            if (fails) throw Exception("disk full");
            return true;
        };
        form->actExecute->trigger();
        EXPECT_TRUE(clockRan);
        EXPECT_FALSE(form->Timer->isActive());
        EXPECT_FALSE(form->actStop->isEnabled());
        EXPECT_TRUE(form->StatusBar->Panels()->Items(3)->Text().startsWith(" Към: "));
        EXPECT_EQ(form->StatusBar->Panels()->Items(1)->GaugeAttrs()->Position(), 0);
    }
    EXPECT_EQ(presenter.Texts(), QStringList{"disk full"});
}
