#pragma once
// Answers the program's messages in tests: records each request and returns the answers planned
// for it, in order. Installed for its lifetime; the previous presenter comes back afterwards.

#include "core/unMessages.h"

#include <QList>
#include <QQueue>
#include <optional>

class TScriptedPresenter : public TMessagePresenter {
public:
    TScriptedPresenter();
    ~TScriptedPresenter() override;
    TScriptedPresenter(const TScriptedPresenter&) = delete;
    TScriptedPresenter& operator=(const TScriptedPresenter&) = delete;

    // The next message is answered with Result; unplanned messages take their default button.
    void PlanAnswer(TModalResult Result);
    // The next password dialog is confirmed with Value, or cancelled with nullopt; an unplanned
    // password dialog is cancelled.
    void PlanPassword(std::optional<QString> Value);

    const QList<TMessageRequest>& Messages() const { return FMessages; }
    const QList<TPasswordRequest>& Passwords() const { return FPasswords; }
    // The texts of the messages shown so far.
    QStringList Texts() const;
    // The answers planned but never asked for.
    int PendingAnswers() const { return FAnswers.size() + FPasswordAnswers.size(); }
    void Clear();

    TModalResult Present(const TMessageRequest& Request) override;
    bool AskPassword(const TPasswordRequest& Request, QString& Value) override;

private:
    TMessagePresenter* FPrevious;
    QList<TMessageRequest> FMessages;
    QList<TPasswordRequest> FPasswords;
    QQueue<TModalResult> FAnswers;
    QQueue<std::optional<QString>> FPasswordAnswers;
};
