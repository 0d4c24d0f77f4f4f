#include "Components/dfsStatusBar/dfsStatusBar.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A bar with a gauge panel whose inner width is 96 pixels, followed by a text panel.
struct GaugeBar {
    TdfsStatusBar bar;
    TdfsStatusPanel* gauge;
    GaugeBar() {
        bar.resize(300, 19);
        gauge = bar.Panels()->Add();
        gauge->SetPanelType(sptGauge);
        gauge->SetWidth(100);
        gauge->SetBorderWidth(1);
        bar.Panels()->Add()->SetText("rest");
    }
};

} // namespace

TEST(dfsStatusBar, GaugeTextFollowsPositionTextAndBlankOnZero) {
    GaugeBar b;
    struct Case {
        int position;
        bool blankOnZero;
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {0, true, "", ""},        {0, false, "", "0%"},
        {37, true, "", "37%"},    {37, true, "Чакайте", "Чакайте"},
        {150, false, "", "100%"}, {-5, false, "", "0%"},
    };
    for (const Case& c : cases) {
        b.gauge->GaugeAttrs()->SetBlankOnZero(c.blankOnZero);
        b.gauge->GaugeAttrs()->SetPosition(c.position);
        b.gauge->SetText(c.text);
        EXPECT_EQ(b.gauge->GaugeText(), c.expected) << c.position;
    }
}

TEST(dfsStatusBar, GaugeFillsItsShareOfTheInnerWidthRoundedToAPixel) {
    GaugeBar b;
    ASSERT_EQ(b.bar.InnerRect(0).width(), 96);
    EXPECT_EQ(b.gauge->Alignment(), Qt::AlignHCenter);
    b.gauge->GaugeAttrs()->SetPosition(37);
    EXPECT_EQ(TdfsStatusBar::GaugeFillWidth(96, 37), 36);
    EXPECT_EQ(TdfsStatusBar::GaugeFillWidth(96, 100), 96);

    const QImage image = b.bar.grab().toImage();
    const QRect inner = b.bar.InnerRect(0);
    const QColor highlight = b.bar.palette().color(QPalette::Highlight);
    const QColor window = b.bar.palette().color(QPalette::Window);
    const int y = inner.top();
    EXPECT_EQ(image.pixelColor(inner.left(), y), highlight);
    EXPECT_EQ(image.pixelColor(inner.left() + 35, y), highlight);
    EXPECT_EQ(image.pixelColor(inner.left() + 36, y), window);
}

TEST(dfsStatusBar, ADisabledPanelIsOnlyFilled) {
    // Whatever its type: a lock key, a text and a gauge.
    for (TdfsStatusPanelType type : {sptCapsLock, sptNormal, sptGauge}) {
        TdfsStatusBar bar;
        bar.resize(300, 19);
        TdfsStatusPanel* panel = bar.Panels()->Add();
        panel->SetPanelType(type);
        panel->SetAutoFit(false);
        panel->SetWidth(100);
        panel->SetText("WWWWWWWW");
        panel->GaugeAttrs()->SetPosition(50);
        panel->SetEnabled(false);
        const QImage image = bar.grab().toImage();
        const QRect inner = bar.InnerRect(0);
        const QColor window = bar.palette().color(QPalette::Window);
        int others = 0;
        for (int x = inner.left(); x <= inner.right(); ++x)
            for (int y = inner.top(); y <= inner.bottom(); ++y)
                others += image.pixelColor(x, y) != window;
        EXPECT_EQ(others, 0) << type;
    }
}

TEST(dfsStatusBar, SpeedBelowOneKeepsThePreviousSpeed) {
    GaugeBar b;
    b.gauge->GaugeAttrs()->SetSpeed(7);
    b.gauge->GaugeAttrs()->SetSpeed(0);
    EXPECT_EQ(b.gauge->GaugeAttrs()->Speed(), 7);
}

TEST(dfsStatusBar, TimerRunsAsFastAsItsQuickestPanelNeeds) {
    TdfsStatusBar bar;
    TdfsStatusPanels* panels = bar.Panels();
    EXPECT_FALSE(panels->TimerActive());
    TdfsStatusPanel* date = panels->Add();
    date->SetPanelType(sptDate);
    EXPECT_EQ(panels->TimerInterval(), 60000);
    TdfsStatusPanel* time = panels->Add();
    time->SetPanelType(sptTime);
    EXPECT_EQ(panels->TimerInterval(), 1000);

    TdfsStatusPanel* gauge = panels->Add();
    gauge->GaugeAttrs()->SetStyle(gsIndeterminate);
    gauge->SetPanelType(sptGauge);
    EXPECT_FALSE(gauge->Enabled()) << "an animated gauge starts disabled";
    EXPECT_EQ(panels->TimerInterval(), 1000);
    gauge->SetEnabled(true);
    EXPECT_EQ(panels->TimerInterval(), 50);

    panels->Delete(2);
    panels->Delete(1);
    EXPECT_EQ(panels->TimerInterval(), 60000);
    date->SetPanelType(sptNormal);
    EXPECT_FALSE(panels->TimerActive());
}

TEST(dfsStatusBar, DateAndTimePanelsShowTheMomentInTheirFormats) {
    TdfsStatusBar bar;
    TdfsStatusPanel* panel = bar.Panels()->Add();
    panel->SetDateFormat("dd.MM.yyyy");
    panel->SetTimeFormat("hh:mm");
    const QDateTime moment(QDate(2024, 3, 5), QTime(9, 7));
    const std::pair<TdfsStatusPanelType, QString> cases[] = {{sptDate, "05.03.2024"},
                                                             {sptTime, "09:07"},
                                                             {sptDateTime, "05.03.2024 09:07"},
                                                             {sptTimeDate, "09:07 05.03.2024"}};
    for (const auto& [type, expected] : cases) {
        panel->SetPanelType(type);
        EXPECT_EQ(panel->DateTimeText(moment), expected);
    }
}

TEST(dfsStatusBar, MonitorLibraryIsAbsentSoTheFlagStaysOff) {
    TdfsStatusBar bar;
    bar.SetUseMonitorDLL(true);
    EXPECT_FALSE(bar.UseMonitorDLL());
}

TEST(dfsStatusBar, LockKeyPanelsFollowTheKeyPressesTheProgramSees) {
    TdfsStatusBar bar;
    TdfsStatusPanel* caps = bar.Panels()->Add();
    caps->SetPanelType(sptCapsLock);
    TdfsStatusPanel* num = bar.Panels()->Add();
    num->SetPanelType(sptNumLock);
    EXPECT_EQ(caps->Text(), " CAPS ");
    EXPECT_TRUE(caps->AutoFit());
    EXPECT_EQ(caps->Width(), bar.fontMetrics().horizontalAdvance(" CAPS ") + 6);
    EXPECT_EQ(caps->LockKeyState(), TLockKeyState::Unknown);

    auto press = [&](Qt::Key key, bool repeat) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(&bar, &event);
    };
    press(Qt::Key_CapsLock, false);
    EXPECT_EQ(caps->LockKeyState(), TLockKeyState::On);
    EXPECT_EQ(num->LockKeyState(), TLockKeyState::Unknown);
    press(Qt::Key_CapsLock, true);
    EXPECT_EQ(caps->LockKeyState(), TLockKeyState::On) << "a repeat is not a new press";
    press(Qt::Key_CapsLock, false);
    EXPECT_EQ(caps->LockKeyState(), TLockKeyState::Off);
    press(Qt::Key_NumLock, false);
    EXPECT_EQ(num->LockKeyState(), TLockKeyState::On);

    // A press ignored by a child goes on to its parent and still counts once.
    QWidget child(&bar);
    QKeyEvent event(QEvent::KeyPress, Qt::Key_NumLock, Qt::NoModifier);
    QApplication::sendEvent(&child, &event);
    EXPECT_EQ(num->LockKeyState(), TLockKeyState::Off);
}

TEST(dfsStatusBar, ClickRunsThePanelUnderTheMouseThenTheBar) {
    TdfsStatusBar bar;
    bar.resize(200, 19);
    QStringList calls;
    for (int i = 0; i < 2; ++i) {
        TdfsStatusPanel* panel = bar.Panels()->Add();
        panel->SetWidth(60);
        panel->OnClick = [&calls, i](TdfsStatusPanel*) { calls << QString::number(i); };
    }
    QObject::connect(&bar, &TdfsStatusBar::Click, [&] { calls << "bar"; });
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(70, 9));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(180, 9)); // the last panel reaches the edge
    EXPECT_EQ(calls, QStringList({"1", "bar", "1", "bar"}));
}

TEST(dfsStatusBar, EllipsisPanelsHintTheirFullText) {
    TdfsStatusBar bar;
    TdfsStatusPanel* panel = bar.Panels()->Add();
    panel->SetPanelType(sptEllipsisPath);
    panel->SetText("/home/till/a/very/long/path");
    EXPECT_EQ(panel->HintText(), "/home/till/a/very/long/path");
    panel->OnHintText = [](TdfsStatusPanel*, QString& hint) { hint = "път: " + hint; };
    EXPECT_EQ(panel->HintText(), "път: /home/till/a/very/long/path");
}
