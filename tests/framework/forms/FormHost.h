#pragma once
// A main window with an MDI area for form tests, recording the notices the forms send it, and a
// small descendant form that counts its template operations.

#include "core/unEvents.h"
#include "framework/forms/MAccountEditForm.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMdiArea>
#include <functional>

class TFormHost : public QMainWindow {
public:
    TFormHost();
    ~TFormHost() override;

    QMdiArea* Area;
    struct TNotice {
        int Type;
        int Flag;
        QObject* Form;
        QString Caption;
    };
    QList<TNotice> Notices;

    bool event(QEvent* Event) override;
};

// A register-like window: an edit to hold the focus, its work counted by name.
class TCountingForm : public TMAccountEditForm {
    Q_OBJECT
public:
    explicit TCountingForm(QWidget* Owner = nullptr);

    QLineEdit* edName;
    QLineEdit* edNote;
    QMap<QString, int> Calls;
    // Runs inside the named operation, in place of its result (true by default).
    QMap<QString, std::function<bool()>> Work;

    // Like a register with data: its actions are on whenever the controls are.
    bool SaveEnabled() override { return !ActionStates.Saved; }
    bool EditEnabled() override { return !ActionStates.Saved; }
    bool NewEnabled() override { return !ActionStates.Saved; }
    bool DeleteEnabled() override { return !ActionStates.Saved; }
    bool FilterEnabled() override { return !ActionStates.Saved; }
    bool SearchEnabled() override { return !ActionStates.Saved; }
    bool PrintEnabled() override { return !ActionStates.Saved; }
    bool FileEnabled() override { return !ActionStates.Saved; }

    bool AllowExecute = true;
    QString ExecuteDeniedText;
    bool CanExecute() override { return AllowExecute; }
    QString GetExecuteDeniedText() override { return ExecuteDeniedText; }

    bool Execute() override;
    bool Save() override;
    bool Edit() override;
    bool Add() override;
    bool Delete() override;
    bool Filter() override;
    bool Search() override;
    bool Print() override;
    bool Export() override;
    bool Stop() override;

private:
    bool Run(const QString& Name);
};

// Opens a counting form as a sub-window of Host, shows it and puts the focus into its edit.
TCountingForm* OpenCountingForm(TFormHost& Host);
// Presses a key on the focused widget, as the operator would.
void PressKey(QKeySequence Key);
