#pragma once
// Message dialogs of the program and its numbered message texts.
//
// Every message goes through one presenter. The dialog presenter is installed by default;
// tests install a scripted one (tests/support/ScriptedPresenter.h) that records the request and
// answers as planned, so no test ever waits for a real dialog.

#include "core/unitTypes.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <initializer_list>

class QLabel;
class QPushButton;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};

// The buttons of a dialog, left to right in this order.
using TMsgDlgButtons = QList<TMsgDlgBtn>;

// Modal results; each button kind returns its own.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// The numbered message text Ident, "" for a number that has no text.
QString LoadStr(int Ident);
// Why a file could not be written, for the operator, from the system's error number; 0: the write
// did not end.
QString WriteFailureReason(int Error);

TModalResult ModalResultOf(TMsgDlgBtn Button);
// The button's component name ("Yes", "NoToAll", ...), also its objectName.
QString ButtonName(TMsgDlgBtn Button);
QString ButtonCaption(TMsgDlgBtn Button);
// "Грешка!" and the like; the custom type takes the application's title.
QString DialogCaption(TMsgDlgType DlgType);

// One message as the presenter receives it.
struct TMessageRequest {
    TMsgDlgType DlgType = mtCustom;
    QString Caption;
    QString Text;
    TMsgDlgButtons Buttons;
    TMsgDlgBtn DefaultButton = mbOK;
    TMsgDlgBtn CancelButton = mbOK;
    bool ShowIcon = true;
    int X = -1; // screen position; both negative = centred on the screen
    int Y = -1;
};

struct TPasswordRequest {
    QString Caption;
    QString Prompt;
    QChar PasswordChar;
    QString Value; // the text the edit starts with
};

class TMessagePresenter {
public:
    virtual ~TMessagePresenter() = default;
    virtual TModalResult Present(const TMessageRequest& Request) = 0;
    // True and Value set when the operator confirmed; false leaves Value alone.
    virtual bool AskPassword(const TPasswordRequest& Request, QString& Value) = 0;
};

// Moves Window to X, Y; centred on the screen when both are negative, as every message is.
void PlaceOnScreen(QWidget* Window, int X, int Y);

// The presenter in use: the installed one, else the dialog presenter.
TMessagePresenter& MessagePresenter();
// A message or password dialog is up. Code waits under it for the answer (a field's check, a
// lookup, an action), so the windows close only by their own doing meanwhile: a close typed
// ahead of the message would free the window under that code.
bool MessageRuns();
// Installs Presenter (nullptr = the dialogs again); returns the one it replaces.
TMessagePresenter* SetMessagePresenter(TMessagePresenter* Presenter);

// The message dialog, built in code: icon at the left, word-wrapped text (a lone "\r" breaks the
// line as "\n" does), one centred row of buttons in the caller's order. Esc and the close box answer with the
// cancel button's result.
class TMessageForm : public QDialog {
    Q_OBJECT
public:
    TMessageForm(const QString& Msg, TMsgDlgType DlgType, const TMsgDlgButtons& Buttons,
                 TMsgDlgBtn DefaultButton, TMsgDlgBtn CancelButton, bool ShowIcon, QWidget* Parent = nullptr);

    QLabel* Image = nullptr;   // null when the icon is not shown
    QLabel* Animate = nullptr; // in the icon's place when the icon is not shown
    QLabel* lbMessage = nullptr;
    QPushButton* Button(TMsgDlgBtn Kind) const;

    void reject() override;

private:
    TMsgDlgBtn FCancelButton;
    QList<QPair<TMsgDlgBtn, QPushButton*>> FButtons;
};

TModalResult MessageDlgEx(const QString& Msg, TMsgDlgType DlgType, const TMsgDlgButtons& Buttons,
                          TMsgDlgBtn DefaultButton, TMsgDlgBtn CancelButton, bool ShowIcon = true);
// As MessageDlgEx, placed at X, Y when they are not negative.
TModalResult MessageDlgPosEx(const QString& Msg, TMsgDlgType DlgType, const TMsgDlgButtons& Buttons,
                             TMsgDlgBtn DefaultButton, TMsgDlgBtn CancelButton, bool ShowIcon, int X, int Y);

// The plain message: custom type, one OK button, no icon.
void ShowMessageEx(const QString& Msg);
void ShowMessagePosEx(const QString& Msg, int X, int Y);

// Format(Msg, Args) in an error box with one OK button. A format that does not fit its
// arguments throws EConvertError before anything is shown.
void ShowErrorFmt(const QString& Msg, std::initializer_list<TVarRec> Args);
// The text shown as it stands, not formatted.
void ShowErrorFmt(const QString& Msg);
void ShowWarningFmt(const QString& Msg, std::initializer_list<TVarRec> Args);
void ShowWarningFmt(const QString& Msg);
// [Yes, No, Cancel], default No, Esc Cancel.
TModalResult ConfirmYesNoCancelFmt(const QString& Msg, std::initializer_list<TVarRec> Args);
TModalResult ConfirmYesNoCancelFmt(const QString& Msg);
// [Yes, No], default No, Esc No.
TModalResult ConfirmYesNoFmt(const QString& Msg, std::initializer_list<TVarRec> Args);
TModalResult ConfirmYesNoFmt(const QString& Msg);
// [OK, Cancel], default Cancel, Esc Cancel.
TModalResult ConfirmOkCancelFmt(const QString& Msg, std::initializer_list<TVarRec> Args);
TModalResult ConfirmOkCancelFmt(const QString& Msg);

// The bare error box: caption "Грешка", one OK button, no icon.
void ShowErrorBox(const QString& Msg);

// Asks for a password; true and Value set on "Продължи", false and Value unchanged otherwise.
// A null PasswordChar shows the text as typed.
bool PasswordDialog(const QString& Caption, const QString& Prompt, QChar PasswordChar, QString& Value);
