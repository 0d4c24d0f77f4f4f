#include "tests/support/ScriptedPresenter.h"

TScriptedPresenter::TScriptedPresenter() : FPrevious(SetMessagePresenter(this)) {}

TScriptedPresenter::~TScriptedPresenter() {
    SetMessagePresenter(FPrevious);
}

void TScriptedPresenter::PlanAnswer(TModalResult Result) {
    FAnswers.enqueue(Result);
}

void TScriptedPresenter::PlanPassword(std::optional<QString> Value) {
    FPasswordAnswers.enqueue(std::move(Value));
}

QStringList TScriptedPresenter::Texts() const {
    QStringList texts;
    for (const TMessageRequest& m : FMessages)
        texts.append(m.Text);
    return texts;
}

void TScriptedPresenter::Clear() {
    FMessages.clear();
    FPasswords.clear();
    FAnswers.clear();
    FPasswordAnswers.clear();
}

TModalResult TScriptedPresenter::Present(const TMessageRequest& Request) {
    FMessages.append(Request);
    if (!FAnswers.isEmpty()) return FAnswers.dequeue();
    return ModalResultOf(Request.DefaultButton);
}

bool TScriptedPresenter::AskPassword(const TPasswordRequest& Request, QString& Value) {
    FPasswords.append(Request);
    if (FPasswordAnswers.isEmpty()) return false;
    const std::optional<QString> answer = FPasswordAnswers.dequeue();
    if (!answer) return false;
    Value = *answer;
    return true;
}
