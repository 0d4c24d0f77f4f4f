#include "core/unWait.h"
#include "core/unEvents.h"

#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the main window: keeps the status texts it is sent ("<clear>" for a clear).
class TStatusSink : public QObject {
public:
    TStatusSink() { SetApplicationMainWindow(this); }
    ~TStatusSink() override { SetApplicationMainWindow(nullptr); }
    QStringList Received;

protected:
    bool event(QEvent* e) override {
        if (e->type() != evStatusText) return QObject::event(e);
        auto* s = static_cast<TStatusTextEvent*>(e);
        Received.append(s->IsClear ? u"<clear>"_s : s->Text);
        return true;
    }
};

bool Hourglass() {
    const QCursor* c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

} // namespace

TEST(Wait, NestedWaitsKeepTheHourglassUntilTheOutermostEnds) {
    TStatusSink sink;
    ASSERT_EQ(WaitCount(), 0);
    StartWait(u"Изтегляне на данните ..."_s);
    StartWait(u"Печат ..."_s);
    EXPECT_EQ(WaitCount(), 2);
    EndWait();
    EXPECT_TRUE(Hourglass());
    EXPECT_EQ(WaitCount(), 1);
    EndWait();
    EXPECT_FALSE(Hourglass());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "exactly one cursor was pushed";
    EXPECT_EQ(sink.Received, QStringList({u"Изтегляне на данните ..."_s, u"Печат ..."_s, u"<clear>"_s}));

    EndWait(); // an end without a start changes nothing
    EXPECT_EQ(WaitCount(), 0);
    EXPECT_EQ(sink.Received.size(), 3);
}

TEST(Wait, AGuardEndsTheWaitWhenAnOperationFails) {
    TStatusSink sink;
    try {
        TWaitGuard wait(u"x"_s);
        EXPECT_TRUE(Hourglass());
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(WaitCount(), 0);
    EXPECT_FALSE(Hourglass());
    EXPECT_EQ(sink.Received.last(), u"<clear>"_s);
}

TEST(Wait, RunsWithoutAMainWindow) {
    ASSERT_EQ(ApplicationMainWindow(), nullptr);
    {
        TWaitGuard wait;
        EXPECT_EQ(WaitCount(), 1);
    }
    EXPECT_EQ(WaitCount(), 0);
}
