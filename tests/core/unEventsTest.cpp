#include "core/unEvents.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TRecorder : public QObject {
public:
    QList<int> Types;
    QList<int> Params;

protected:
    bool event(QEvent* e) override {
        Types.append(e->type());
        if (e->type() == evRefreshOpener) Params.append(static_cast<TRefreshEvent*>(e)->LParam);
        if (e->type() == evProgress) Params.append(static_cast<TProgressEvent*>(e)->Done);
        return true;
    }
};

} // namespace

TEST(Events, TheMessageNumbersAreReservedForTheProgram) {
    EXPECT_NO_THROW(RegisterEventTypes());
    EXPECT_NO_THROW(RegisterEventTypes());
    // Qt hands out other numbers from now on.
    const int other = QEvent::registerEventType(evStatusText);
    EXPECT_NE(other, int(evStatusText));
}

TEST(Events, PostedEventsReachALiveReceiverAndAreDroppedForADeadOne) {
    auto receiver = std::make_unique<TRecorder>();
    QPointer<QObject> handle(receiver.get());
    PostEventTo(handle, new TRefreshEvent(0, 2));
    PostEventTo(handle, new TProgressEvent(3, 10));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(receiver->Types, (QList<int>{1024, 1064}));
    EXPECT_EQ(receiver->Params, (QList<int>{2, 3}));

    receiver.reset();
    PostEventTo(handle, new TRefreshEvent(0, 1)); // no crash, no leak
    QCoreApplication::sendPostedEvents();
}

TEST(Events, TheMainWindowGetsItsNoticesWhileItLives) {
    auto main = std::make_unique<TRecorder>();
    SetApplicationMainWindow(main.get());
    TMenuDataEvent closing(evFormState, {main.get(), QStringLiteral("Договори")}, 1);
    SendToMainWindow(closing);
    EXPECT_EQ(main->Types, QList<int>{1074});
    main.reset();
    EXPECT_EQ(ApplicationMainWindow(), nullptr);
    TMenuDataEvent activated(evFormActivated, {});
    SendToMainWindow(activated);
}
