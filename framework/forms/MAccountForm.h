#pragma once
// The base of every register, document and report window: the standard actions with their keys,
// toolbar and pop-up menu, the action -> Do... -> template operation layering with its re-entry
// guards, the window-opening protocol, Enter-key navigation, copy and paste of a control's text,
// the unsaved-changes question, the close rules and the notices to the main window.

#include "core/unitTypes.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QEventLoop;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class TFloatFormatter;

// Decimals of the number formatters besides AmountDecimals.
inline constexpr int QuantityDecimals = 3;
inline constexpr int PriceDecimals = 4;
inline constexpr int CurrencyRateDecimals = 6;

// The saved mark, then the enabled states of the ten actions that EnableControls switches off.
struct TActionStates {
    bool Saved = false;
    bool Save = false;
    bool Edit = false;
    bool New = false;
    bool Delete = false;
    bool Filter = false;
    bool Search = false;
    bool Execute = false;
    bool Print = false;
    bool File = false;
    bool Exit = false;
};

// The application's help by keyword: ProgramDir + "help/" + Keyword + ".html" when it exists.
void ShowHelpKeyword(const QString& Keyword);

class TMAccountForm : public QWidget {
    Q_OBJECT
public:
    enum TFormStateItem { Creating, Preparing, Initializing, Busy, Stopping };
    using TFormState = TSet<TFormStateItem, 5>;
    enum TFormStyle { fsNormal = 0, fsMDIChild = 1 };

    // Builds the controls only; CreateForm<T> then runs the creation steps, whose virtual calls
    // reach the descendant.
    explicit TMAccountForm(QWidget* Owner = nullptr);
    ~TMAccountForm() override;

    QLabel* pnlCaption;
    QWidget* pnlToolBar;
    QToolBar* ToolBar;
    QToolButton* sbtnHelp;
    QToolButton* sbtnSave;
    QToolButton* sbtnEdit;
    QToolButton* sbtnNew;
    QToolButton* sbtnDelete;
    QToolButton* sbtnFilter;
    QToolButton* sbtnSearch;
    QToolButton* sbtnExecute;
    QToolButton* sbtnPrint;
    QToolButton* sbtnFile;
    QToolButton* sbtnExit;
    QMenu* PopupMenu;
    QAction* actExecute;
    QAction* actNew;
    QAction* actEdit;
    QAction* actSave;
    QAction* actDelete;
    QAction* actPrint;
    QAction* actFile;
    QAction* actSearch;
    QAction* actFilter;
    QAction* actHelp;
    QAction* actExit;
    QAction* actCopy;
    QAction* actPaste;
    QAction* actStop;
    // Number formatters for grid columns; negative numbers in red.
    TFloatFormatter* ValueFormatter;
    TFloatFormatter* AmountFormatter;
    TFloatFormatter* PriceFormatter;
    TFloatFormatter* CurrencyFormatter;

    TFormState FormState;
    bool Modified = false;
    bool CloseAfterSave = false;
    bool ShowDeniedText = true;
    bool FilterActive = false;
    bool FreeOnClose = false;
    TActionStates ActionStates;
    QString PrintSettingsName;
    QString HelpKeyword;
    int UserValue = 0;

    QWidget* Owner() const { return FOwner; }
    int FormStyle() const { return FFormStyle; }
    // The window the form lives in: its MDI sub-window, or the form itself.
    QWidget* Container() const;
    QMdiSubWindow* SubWindow() const;
    // Where descendants put their controls, between the toolbar and the bottom of the window.
    QVBoxLayout* ClientLayout() const { return FClientLayout; }

    virtual int GetUserValue();
    virtual QString GetPrintSettingsName();
    virtual QString GetHelpKeyword();
    virtual QString GetExecuteDeniedText();
    virtual QString GetSaveDeniedText();
    virtual bool DoExecute();
    virtual bool DoSave();
    virtual bool DoEdit();
    virtual bool DoAdd();
    virtual bool DoDelete();
    virtual bool DoFilter();
    virtual bool DoSearch();
    virtual bool DoPrint();
    virtual bool DoExport();
    virtual bool DoStop();
    virtual bool ExecuteEnabled();
    virtual bool SaveEnabled();
    virtual bool EditEnabled();
    virtual bool NewEnabled();
    virtual bool DeleteEnabled();
    virtual bool FilterEnabled();
    virtual bool SearchEnabled();
    virtual bool PrintEnabled();
    virtual bool FileEnabled();
    virtual bool ExitEnabled();
    virtual bool CopyEnabled();
    virtual bool PasteEnabled();
    virtual void DisableActions();
    virtual void SaveActionStates(TActionStates& States);
    virtual void RestoreActionStates(TActionStates& States);
    // The creation steps after construction: placement, InitDefaults, style, Init.
    virtual void CreateForm(QWidget* Owner, int Style);
    // 6 go on (nothing unsaved, or saved now), 7 discard, 2 cancel.
    virtual int QuerySaveChanges();
    virtual QString GetCaptionText();
    virtual QString GetReportTitle();
    virtual bool Init();
    virtual bool Done();
    virtual bool Stop();
    virtual void CopyControlText(QPoint Point);
    virtual void PasteControlText(QPoint Point);
    virtual void GetControlText(QWidget* Control, QPoint Point, QString& Text);
    virtual void SetControlText(QWidget* Control, QPoint Point, const QString& Text);
    virtual bool Reset();
    virtual bool CanExecute();
    virtual bool CanSave();
    virtual bool Execute();
    virtual bool Save();
    virtual bool Edit();
    virtual bool Add();
    virtual bool Delete();
    virtual bool Filter();
    virtual bool Search();
    virtual bool Print();
    virtual bool Export();
    virtual bool CanExit();
    virtual void InitDefaults();
    virtual void EnableControls(bool Enable);
    // The form class's close query: no window closes while a wait runs anywhere.
    virtual bool CloseQuery();

    void ShowForm();
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    // Ends a modal show with Result.
    void SetModalResult(int Result);
    // Closes the window the way the close box does; the window's own running action may close it.
    void Close();
    // Runs Done once; the close path and the main window's shutdown call it.
    void RunDone();

    void ShowWait(bool On);
    bool CheckCanSave();
    void SetFilterActive(bool Active);
    void EnableChildControls(QWidget* Panel, bool Enable);
    static bool IsAppBusy();
    // A modal window other than this window is up over it. A key typed ahead of a dialog can still
    // reach the window before the dialog has the keyboard; its actions wait until the dialog is gone.
    bool BlockedByModal() const;

    void NotifyMainForm(int Closing);
    // F8 with all its guards, its denied text kept silent.
    bool ExecuteQuiet();
    // Applies the ...Enabled operations to the actions, as the class library does at idle.
    void UpdateActions();
    // The form's preview of Enter pressed in Control: moves the focus to the next tab stop. True
    // when the control must not see the key.
    virtual bool KeyPreviewEnter(QWidget* Control);

protected:
    void closeEvent(QCloseEvent* Event) override;
    // An action may start: the window is made, none of its actions runs (one that waits in a
    // dialog or lets the event loop run would find its window changed under it) and no modal
    // window is up over it.
    bool MayStartAction() const;
    // The common frame of the work actions: refused unless MayStartAction; the action (when given)
    // is off and, with SetBusy, the form busy while Work runs, and a failure is shown once
    // afterwards. While it runs, the window closes only by its own Close.
    void RunAction(QAction* Action, bool SetBusy, const std::function<void()>& Work);
    void contextMenuEvent(QContextMenuEvent* Event) override;

    void SetFormStyle(int Style);
    // The window's title and, in capitals, the caption panel's text.
    void ShowCaption(const QString& Caption);
    // The caption's text red while a row is edited, in its usual colour otherwise.
    void ShowEditing(bool On);
    // The control that copy and paste work on: at Point, or the focused one when Point is negative.
    QWidget* ControlAt(QPoint Point) const;
    // An action of this window on Key, which fires only while the window has the focus.
    QAction* MakeAction(const char* Name, const QString& Caption, const QString& Hint,
                        const QKeySequence& Key, bool Enabled);

private:
    QToolButton* MakeSpeedButton(const char* Name, QAction* Action, const QString& Key);
    void actExecuteExecute();
    void actStopExecute();
    void actExitExecute();
    void actHelpExecute();
    void KeepEscapeUnambiguous();

    QWidget* FOwner;
    int FFormStyle = fsNormal;
    QVBoxLayout* FClientLayout;
    QRect FStoredPlacement;
    bool FDoneRun = false;
    bool FExitHeldByStop = false;
    class TRunningAction;
    // The actions of this window that run now, and whether the window is closing by its own Close.
    int FRunningActions = 0;
    bool FClosingItself = false;
    int FModalResult = 0;
    QEventLoop* FModalLoop = nullptr;
};

// Finds the MDI area of an owner: the owner itself, its central widget or any child area.
QMdiArea* FindMdiArea(QWidget* Owner);

// Constructs F, then runs its creation steps; style 1 opens it as a sub-window of the owner's MDI
// area, style 0 as a window of its own. A failing step takes the half-made window away again.
template <class F> F* CreateForm(QWidget* Owner, int Style) {
    auto form = std::make_unique<F>(Owner);
    try {
        form->CreateForm(Owner, Style);
    } catch (...) {
        if (QWidget* container = form->Container(); container != form.get()) {
            form.release();
            delete container;
        }
        throw;
    }
    return form.release();
}
