#include "framework/forms/Application.h"
#include "tests/support/ScriptedPresenter.h"

#include <QEvent>
#include <gtest/gtest.h>

namespace {

// An object whose event handler fails the way a query or a conversion does.
class TFailingReceiver : public QObject {
public:
    std::function<void()> Fail;
    bool event(QEvent* Event) override {
        if (Event->type() == QEvent::User) Fail();
        return QObject::event(Event);
    }
};

} // namespace

TEST(TApplication, ShowsWhatAnEventHandlerLetsOutAndCarriesOn) {
    ASSERT_TRUE(qobject_cast<TApplication*>(qApp));
    struct Case {
        const char* name;
        std::function<void()> fail;
        QStringList texts;
        TMsgDlgType type;
    };
    const Case cases[] = {
        {"database",
         [] { throw EDatabaseError("no such column: x", "Select x From VA"); },
         {"Грешка при работа с базата данни !\n\rno such column: x\n\rSelect x From VA"},
         mtError},
        {"program",
         [] { throw EConvertError("'abc' is not a valid floating point value"); },
         {"'abc' is not a valid floating point value"},
         mtCustom},
        {"library", [] { throw std::runtime_error("bad"); }, {"bad"}, mtCustom},
        {"unknown", [] { throw 42; }, {"Неочаквана грешка в програмата."}, mtCustom},
    };
    for (const Case& c : cases) {
        TScriptedPresenter presenter;
        TFailingReceiver receiver;
        receiver.Fail = c.fail;
        QEvent sent(QEvent::User);
        QCoreApplication::sendEvent(&receiver, &sent);
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents(&receiver, QEvent::User);
        EXPECT_EQ(presenter.Texts(), c.texts + c.texts) << c.name;
        if (!presenter.Messages().isEmpty()) {
            EXPECT_EQ(presenter.Messages()[0].DlgType, c.type) << c.name;
        }
    }
}
