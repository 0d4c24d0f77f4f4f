#include "framework/forms/MAccountForm.h"

#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/StringGrid.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unWait.h"
#include "framework/forms/Application.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// One flag of FormState for the lifetime of the guard.
class TFormStateGuard {
public:
    TFormStateGuard(TMAccountForm::TFormState& State, TMAccountForm::TFormStateItem Item, bool Active = true)
        : FState(State), FItem(Item), FActive(Active) {
        if (FActive) FState.Include(FItem);
    }
    ~TFormStateGuard() {
        if (FActive) FState.Exclude(FItem);
    }
    TFormStateGuard(const TFormStateGuard&) = delete;
    TFormStateGuard& operator=(const TFormStateGuard&) = delete;

private:
    TMAccountForm::TFormState& FState;
    TMAccountForm::TFormStateItem FItem;
    bool FActive;
};

// Disables an action while its work runs and enables it again whatever the work did.
class TActionDisabler {
public:
    explicit TActionDisabler(QAction* Action) : FAction(Action) {
        if (FAction) FAction->setEnabled(false);
    }
    ~TActionDisabler() {
        if (FAction) FAction->setEnabled(true);
    }
    TActionDisabler(const TActionDisabler&) = delete;
    TActionDisabler& operator=(const TActionDisabler&) = delete;

private:
    QPointer<QAction> FAction;
};

TMAccountForm* FormOf(QObject* Object) {
    for (QObject* o = Object; o; o = o->parent())
        if (auto* form = qobject_cast<TMAccountForm*>(o)) return form;
    return nullptr;
}

bool HasEnabledAction(const QList<QAction*>& Actions, const QKeySequence& Key) {
    for (QAction* action : Actions) {
        if (action->menu() && HasEnabledAction(action->menu()->actions(), Key)) return true;
        if (action->isEnabled() && action->shortcuts().contains(Key)) return true;
    }
    return false;
}

// Shortcuts of the active form and of the main menu win over the keys a focused control would
// keep for itself (a line edit keeps Ctrl+C, Ctrl+V and Ctrl+Z). The filter also gives the forms
// their key preview of Enter.
class TFormKeyFilter : public QObject {
public:
    static void Install() {
        static TFormKeyFilter* filter = nullptr;
        if (filter) return;
        filter = new TFormKeyFilter(qApp);
        qApp->installEventFilter(filter);
        // The class library updates the actions of the active window whenever the program goes
        // idle; the ...Enabled operations of the descendants rely on it.
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, filter, [] {
            if (TMAccountForm* form = FormOf(QApplication::focusWidget())) form->UpdateActions();
        });
    }

protected:
    using QObject::QObject;

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::ShortcutOverride) return ShortcutOverride(Watched, Event);
        if (Event->type() == QEvent::KeyPress) return EnterKey(Watched, static_cast<QKeyEvent*>(Event));
        return false;
    }

private:
    static bool ShortcutOverride(QObject* Watched, QEvent* Event) {
        auto* widget = qobject_cast<QWidget*>(Watched);
        if (!widget) return false;
        const QKeySequence key(static_cast<QKeyEvent*>(Event)->keyCombination());
        if (widget->window()->windowType() == Qt::Popup) {
            if (TMAccountForm* form = FormOf(widget->window())) SuspendShortcut(form, key);
            return false;
        }
        bool wanted = false;
        if (TMAccountForm* form = FormOf(widget)) wanted = HasEnabledAction(form->actions(), key);
        if (!wanted) {
            if (auto* main = qobject_cast<QMainWindow*>(widget->window())) {
                wanted = HasEnabledAction(main->actions(), key) ||
                         (main->menuBar() && HasEnabledAction(main->menuBar()->actions(), key));
            }
        }
        if (!wanted) return false;
        Event->ignore();
        return true;
    }

    // A drop-down of a form is a window of its own, but Qt lets the form's shortcuts reach into
    // it: Esc would be the popup's and the form's at once and fire neither, and F8 would run the
    // form's load. The form's actions give up the key until this key press has been handled.
    static void SuspendShortcut(TMAccountForm* Form, const QKeySequence& Key) {
        for (QAction* action : Form->actions()) {
            const QList<QKeySequence> keys = action->shortcuts();
            if (!keys.contains(Key)) continue;
            action->setShortcuts({});
            QTimer::singleShot(0, action, [action, keys] { action->setShortcuts(keys); });
        }
    }

    static bool EnterKey(QObject* Watched, QKeyEvent* Key) {
        if (Key->key() != Qt::Key_Return && Key->key() != Qt::Key_Enter) return false;
        auto* widget = qobject_cast<QWidget*>(Watched);
        if (!widget || widget != QApplication::focusWidget()) return false;
        TMAccountForm* form = FormOf(widget);
        return form && form->KeyPreviewEnter(widget);
    }
};

} // namespace

QMdiArea* FindMdiArea(QWidget* Owner) {
    if (!Owner) return nullptr;
    if (auto* area = qobject_cast<QMdiArea*>(Owner)) return area;
    if (auto* main = qobject_cast<QMainWindow*>(Owner))
        if (auto* area = qobject_cast<QMdiArea*>(main->centralWidget())) return area;
    return Owner->findChild<QMdiArea*>();
}

TMAccountForm::TMAccountForm(QWidget* Owner) : QWidget(nullptr), FOwner(Owner) {
    TFormKeyFilter::Install();
    FormState = TFormState{Creating};
    setObjectName(QStringLiteral("MAccountForm"));
    resize(550, 393);
    setMinimumWidth(550);

    actExecute = MakeAction("actExecute", QStringLiteral("&Изпълнение"), QStringLiteral("Изпълнение"),
                            Qt::Key_F8, true);
    actNew = MakeAction("actNew", QStringLiteral("Добавяне"), QStringLiteral("Добавяне"), Qt::Key_F4, false);
    actEdit =
        MakeAction("actEdit", QStringLiteral("Редакция"), QStringLiteral("Редакция"), Qt::Key_F3, false);
    actSave = MakeAction("actSave", QStringLiteral("Запис"), QStringLiteral("Запис на въведените данни"),
                         Qt::Key_F2, false);
    actDelete =
        MakeAction("actDelete", QStringLiteral("Изтриване"), QStringLiteral("Изтриване"), Qt::Key_F5, false);
    actPrint =
        MakeAction("actPrint", QStringLiteral("Печат"), QStringLiteral("Отпечатване"), Qt::Key_F9, false);
    actFile = MakeAction("actFile", QStringLiteral("Файл..."), QStringLiteral("Запис във файл"), Qt::Key_F10,
                         false);
    actSearch = MakeAction("actSearch", QStringLiteral("Търсене"), QStringLiteral("Търсене по поле"),
                           Qt::Key_F7, false);
    actFilter = MakeAction("actFilter", QStringLiteral("Филтър"),
                           QStringLiteral("Филтриране на данните по признак"), Qt::Key_F6, false);
    actFilter->setCheckable(true);
    actHelp = MakeAction("actHelp", QStringLiteral("Помощ"),
                         QStringLiteral("Стартиране на системата за помощ"), QKeySequence(), true);
    actExit = MakeAction("actExit", QStringLiteral("Изход"), QStringLiteral("Затваряне на прозореца"),
                         Qt::Key_Escape, true);
    actCopy = MakeAction("actCopy", QStringLiteral("Копиране"), QString(), QKeySequence::Copy, true);
    actPaste = MakeAction("actPaste", QStringLiteral("Залепване"), QString(), QKeySequence::Paste, true);
    actStop = MakeAction("actStop", QString(), QString(), Qt::Key_Escape, false);

    const QStyle* st = style();
    actHelp->setIcon(st->standardIcon(QStyle::SP_DialogHelpButton));
    actSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    actEdit->setIcon(st->standardIcon(QStyle::SP_FileDialogDetailedView));
    actNew->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    actDelete->setIcon(st->standardIcon(QStyle::SP_TrashIcon));
    actFilter->setIcon(st->standardIcon(QStyle::SP_FileDialogListView));
    actSearch->setIcon(st->standardIcon(QStyle::SP_FileDialogContentsView));
    actExecute->setIcon(st->standardIcon(QStyle::SP_BrowserReload));
    actPrint->setIcon(st->standardIcon(QStyle::SP_ComputerIcon));
    actFile->setIcon(st->standardIcon(QStyle::SP_DriveHDIcon));
    actExit->setIcon(st->standardIcon(QStyle::SP_DialogCloseButton));
    actStop->setIcon(st->standardIcon(QStyle::SP_BrowserStop));

    connect(actExecute, &QAction::triggered, this, &TMAccountForm::actExecuteExecute);
    connect(actNew, &QAction::triggered, this, [this] { RunAction(actNew, true, [this] { DoAdd(); }); });
    connect(actEdit, &QAction::triggered, this, [this] { RunAction(actEdit, true, [this] { DoEdit(); }); });
    connect(actSave, &QAction::triggered, this, [this] { RunAction(actSave, true, [this] { DoSave(); }); });
    connect(actDelete, &QAction::triggered, this,
            [this] { RunAction(actDelete, true, [this] { DoDelete(); }); });
    connect(actPrint, &QAction::triggered, this,
            [this] { RunAction(actPrint, true, [this] { DoPrint(); }); });
    connect(actFile, &QAction::triggered, this, [this] { RunAction(actFile, true, [this] { DoExport(); }); });
    connect(actSearch, &QAction::triggered, this,
            [this] { RunAction(actSearch, true, [this] { Search(); }); });
    connect(actFilter, &QAction::triggered, this, [this] {
        // The check mark shows whether a filter is active, not that the button was pressed.
        actFilter->setChecked(FilterActive);
        RunAction(actFilter, false, [this] { DoFilter(); });
    });
    connect(actStop, &QAction::triggered, this, &TMAccountForm::actStopExecute);
    connect(actExit, &QAction::triggered, this, &TMAccountForm::actExitExecute);
    connect(actHelp, &QAction::triggered, this, &TMAccountForm::actHelpExecute);
    connect(actCopy, &QAction::triggered, this, [this] { CopyControlText(QPoint(-1, -1)); });
    connect(actPaste, &QAction::triggered, this, [this] { PasteControlText(QPoint(-1, -1)); });
    connect(actStop, &QAction::enabledChanged, this, &TMAccountForm::KeepEscapeUnambiguous);
    connect(actExit, &QAction::enabledChanged, this, &TMAccountForm::KeepEscapeUnambiguous);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnlCaption = new QLabel(QStringLiteral("ЗАГЛАВИЕ"), this);
    pnlCaption->setObjectName(QStringLiteral("pnlCaption"));
    pnlCaption->setFixedHeight(21);
    pnlCaption->setAlignment(Qt::AlignCenter);
    pnlCaption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlCaption->setAutoFillBackground(true);
    QFont captionFont = pnlCaption->font();
    captionFont.setBold(true);
    captionFont.setPixelSize(13);
    pnlCaption->setFont(captionFont);
    QPalette captionPalette = pnlCaption->palette();
    captionPalette.setColor(QPalette::Window, QColor(0x62, 0x62, 0x62));
    captionPalette.setColor(QPalette::WindowText, palette().color(QPalette::Button));
    pnlCaption->setPalette(captionPalette);
    layout->addWidget(pnlCaption);

    pnlToolBar = new QWidget(this);
    pnlToolBar->setObjectName(QStringLiteral("pnlToolBar"));
    pnlToolBar->setFixedHeight(30);
    auto* toolLayout = new QHBoxLayout(pnlToolBar);
    toolLayout->setContentsMargins(4, 0, 0, 0);
    ToolBar = new QToolBar(pnlToolBar);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar->setIconSize(QSize(14, 14));
    // Compact buttons, so that all eleven fit the window's minimum width.
    ToolBar->setStyleSheet(
        QStringLiteral("QToolBar { border: 0px; spacing: 0px; } QToolButton { padding: 0px; }"));
    toolLayout->addWidget(ToolBar);
    layout->addWidget(pnlToolBar);

    sbtnHelp = MakeSpeedButton("sbtnHelp", actHelp, QStringLiteral("F1"));
    sbtnSave = MakeSpeedButton("sbtnSave", actSave, QStringLiteral("F2"));
    sbtnEdit = MakeSpeedButton("sbtnEdit", actEdit, QStringLiteral("F3"));
    sbtnNew = MakeSpeedButton("sbtnNew", actNew, QStringLiteral("F4"));
    sbtnDelete = MakeSpeedButton("sbtnDelete", actDelete, QStringLiteral("F5"));
    sbtnFilter = MakeSpeedButton("sbtnFilter", actFilter, QStringLiteral("F6"));
    sbtnSearch = MakeSpeedButton("sbtnSearch", actSearch, QStringLiteral("F7"));
    sbtnExecute = MakeSpeedButton("sbtnExecute", actExecute, QStringLiteral("F8"));
    sbtnPrint = MakeSpeedButton("sbtnPrint", actPrint, QStringLiteral("F9"));
    sbtnFile = MakeSpeedButton("sbtnFile", actFile, QStringLiteral("F10"));
    sbtnExit = MakeSpeedButton("sbtnExit", actExit, QStringLiteral("Esc"));

    FClientLayout = new QVBoxLayout();
    FClientLayout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(FClientLayout, 1);
    // Takes up the height while a window has nothing in its client area.
    layout->addStretch(0);

    auto makeFormatter = [this](const char* Name) {
        auto* formatter = new TFloatFormatter(this);
        formatter->setObjectName(QString::fromLatin1(Name));
        formatter->SetMarkNegative(true);
        formatter->NegativeAttr()->SetForeColor(clRed);
        return formatter;
    };
    ValueFormatter = makeFormatter("ValueFormatter");
    AmountFormatter = makeFormatter("AmountFormatter");
    PriceFormatter = makeFormatter("PriceFormatter");
    CurrencyFormatter = makeFormatter("CurrencyFormatter");

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->addActions({actCopy, actPaste});
    PopupMenu->addSeparator();
    PopupMenu->addActions({actSave, actEdit, actNew, actDelete});
    PopupMenu->addSeparator();
    PopupMenu->addActions({actFilter, actSearch, actExecute, actPrint, actFile});
    PopupMenu->addSeparator();
    PopupMenu->addActions({actHelp, actExit});
}

TMAccountForm::~TMAccountForm() = default;

QAction* TMAccountForm::MakeAction(const char* Name, const QString& Caption, const QString& Hint,
                                   const QKeySequence& Key, bool Enabled) {
    auto* action = new QAction(Caption, this);
    action->setObjectName(QString::fromLatin1(Name));
    action->setToolTip(Hint.isEmpty() ? Caption : Hint);
    action->setStatusTip(Hint);
    action->setShortcut(Key);
    // Several windows share the keys: each fires only in the window that has the focus.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setEnabled(Enabled);
    addAction(action);
    return action;
}

QToolButton* TMAccountForm::MakeSpeedButton(const char* Name, QAction* Action, const QString& Key) {
    auto* button = new QToolButton(ToolBar);
    button->setObjectName(QString::fromLatin1(Name));
    // The button is captioned by its key; it mirrors the action's enabled and checked state.
    Action->setIconText(Key);
    button->setDefaultAction(Action);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFocusPolicy(Qt::NoFocus);
    ToolBar->addWidget(button);
    return button;
}

QWidget* TMAccountForm::Container() const {
    if (QMdiSubWindow* sub = SubWindow()) return sub;
    return const_cast<TMAccountForm*>(this);
}

QMdiSubWindow* TMAccountForm::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

// ---- creation, showing, closing ----

void TMAccountForm::CreateForm(QWidget* Owner, int Style) {
    FOwner = Owner;
    FormState = TFormState{Creating};
    FreeOnClose = false;
    CloseAfterSave = false;
    ShowDeniedText = true;
    ActionStates.Saved = false;
    {
        TWaitGuard wait(LoadStr(65193));
        auto leaveCreating = qScopeGuard([this] { FormState.Exclude(Creating); });
        actExit->setEnabled(false);
        if (!objectName().isEmpty()) {
            TFormPlacement placement;
            if (LoadFormPlacement(QString::fromLatin1(metaObject()->className()), placement) &&
                placement.Left >= 0 && placement.Top >= 0 && placement.Width >= 0 && placement.Height >= 0)
                FStoredPlacement = QRect(placement.Left, placement.Top, placement.Width, placement.Height);
        }
    }
    InitDefaults();
    EnableControls(false);
    SetFormStyle(Style);
    QCoreApplication::processEvents();

    FormState = TFormState{};
    Modified = false;
    FilterActive = false;
    PrintSettingsName.clear();
    ValueFormatter->SetPrecision(AmountDecimals);
    AmountFormatter->SetPrecision(QuantityDecimals);
    PriceFormatter->SetPrecision(PriceDecimals);
    CurrencyFormatter->SetPrecision(CurrencyRateDecimals);

    TFormStateGuard initializing(FormState, Initializing);
    Init();
}

void TMAccountForm::ShowCaption(const QString& Caption) {
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
}

void TMAccountForm::ShowEditing(bool On) {
    QPalette Palette = pnlCaption->palette();
    Palette.setColor(QPalette::WindowText, On ? QColor(255, 0, 0) : palette().color(QPalette::Button));
    pnlCaption->setPalette(Palette);
}

void TMAccountForm::SetFormStyle(int Style) {
    QMdiArea* area = Style == fsMDIChild ? FindMdiArea(FOwner) : nullptr;
    QMdiSubWindow* current = SubWindow();
    if (area && current && current->mdiArea() == area) return;
    if (current) {
        current->setWidget(nullptr);
        current->deleteLater();
    }
    if (area) {
        FFormStyle = fsMDIChild;
        QMdiSubWindow* sub = area->addSubWindow(this);
        sub->setObjectName(objectName() + QStringLiteral("_SubWindow"));
        // Qt gives the sub-window's Close both Ctrl+F4 and Ctrl+W; Ctrl+W belongs to the main menu.
        for (QAction* action : sub->systemMenu() ? sub->systemMenu()->actions() : QList<QAction*>())
            if (action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_W)))
                action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
        connect(sub, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates Old, Qt::WindowStates New) {
                    if (!(Old & Qt::WindowActive) && (New & Qt::WindowActive)) {
                        TMenuDataEvent event(evFormActivated, TMenuData{this, QString()}, 0);
                        SendToMainWindow(event);
                    }
                });
        if (FStoredPlacement.isValid()) sub->setGeometry(FStoredPlacement);
    } else {
        FFormStyle = fsNormal;
        setParent(FOwner, Qt::Window);
        if (FStoredPlacement.isValid()) setGeometry(FStoredPlacement);
    }
}

void TMAccountForm::ShowForm() {
    {
        TWaitGuard wait;
        TFormStateGuard preparing(FormState, Preparing);
        Reset();
    }
    EnableControls(true);
    actExit->setEnabled(true);
    if (QMdiSubWindow* sub = SubWindow()) {
        show();
        sub->show();
    } else {
        show();
    }
}

int TMAccountForm::ShowModal() {
    SetFormStyle(fsNormal);
    {
        TWaitGuard wait;
        TFormStateGuard preparing(FormState, Preparing);
        Reset();
    }
    EnableControls(true);
    actExit->setEnabled(true);
    FModalResult = 0;
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    FModalLoop = &loop;
    if (isVisible()) loop.exec();
    FModalLoop = nullptr;
    setWindowModality(Qt::NonModal);
    return FModalResult;
}

void TMAccountForm::SetModalResult(int Result) {
    FModalResult = Result;
    if (Result != 0 && FModalLoop) Close();
}

void TMAccountForm::Close() {
    const QPointer<TMAccountForm> self(this);
    FClosingItself = true;
    Container()->close();
    if (self) FClosingItself = false;
}

void TMAccountForm::RunDone() {
    if (FDoneRun) return;
    FDoneRun = true;
    Done();
}

bool TMAccountForm::CloseQuery() {
    return !IsAppBusy();
}

// Counts one running action of the form for its lifetime.
class TMAccountForm::TRunningAction {
public:
    explicit TRunningAction(TMAccountForm* Form) : FForm(Form) { ++FForm->FRunningActions; }
    ~TRunningAction() {
        if (FForm) --FForm->FRunningActions;
    }
    TRunningAction(const TRunningAction&) = delete;
    TRunningAction& operator=(const TRunningAction&) = delete;

private:
    QPointer<TMAccountForm> FForm;
};

bool TMAccountForm::BlockedByModal() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != window();
}

void TMAccountForm::closeEvent(QCloseEvent* Event) {
    // Closed from outside (the sub-window's close key typed ahead, the main window) while one of
    // its actions runs or a message is up (a field's check waits under it), the window would free
    // the dialog and the data that code is still in.
    if ((FRunningActions > 0 || MessageRuns()) && !FClosingItself) {
        Event->ignore();
        return;
    }
    bool canClose = false;
    try {
        canClose = CloseQuery();
    } catch (...) {
        HandleCurrentException();
    }
    if (!canClose) {
        Event->ignore();
        return;
    }
    Event->accept();
    if (FModalLoop) {
        if (FModalResult == 0) FModalResult = mrCancel;
        FModalLoop->quit();
    }
    QWidget* container = Container();
    if (FreeOnClose) {
        try {
            RunDone();
        } catch (...) {
            HandleCurrentException();
        }
        container->setAttribute(Qt::WA_DeleteOnClose);
    }
    // Closing the form alone would leave its sub-window behind.
    if (container != this) container->close();
}

void TMAccountForm::contextMenuEvent(QContextMenuEvent* Event) {
    PopupMenu->popup(Event->globalPos());
}

// ---- actions ----

void TMAccountForm::RunAction(QAction* Action, bool SetBusy, const std::function<void()>& Work) {
    if (!MayStartAction()) return;
    try {
        TRunningAction running(this);
        TFormStateGuard busy(FormState, Busy, SetBusy);
        TActionDisabler disabled(Action);
        Work();
    } catch (...) {
        HandleCurrentException();
    }
}

void TMAccountForm::actExecuteExecute() {
    if (!MayStartAction()) return;
    try {
        TRunningAction running(this);
        TFormStateGuard busy(FormState, Busy);
        TActionDisabler disabled(actExecute);
        if (CanExecute()) {
            DoExecute();
        } else if (!FormState.Contains(Preparing)) {
            const QString text = GetExecuteDeniedText();
            if (!text.isEmpty() && ShowDeniedText) ShowErrorFmt(text);
        }
    } catch (...) {
        HandleCurrentException();
    }
}

void TMAccountForm::actStopExecute() {
    if (FormState.Contains(Creating) || FormState.Contains(Initializing) || FormState.Contains(Stopping))
        return;
    try {
        TFormStateGuard stopping(FormState, Stopping);
        TActionDisabler disabled(actStop);
        DoStop();
    } catch (...) {
        HandleCurrentException();
    }
}

void TMAccountForm::actExitExecute() {
    if (!MayStartAction()) return;
    try {
        TRunningAction running(this);
        if (CanExit()) Close();
    } catch (...) {
        HandleCurrentException();
    }
}

void ShowHelpKeyword(const QString& Keyword) {
    const QString file = ProgramDir + QStringLiteral("help/") + Keyword + QStringLiteral(".html");
    if (QFileInfo::exists(file)) QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void TMAccountForm::actHelpExecute() {
    ShowHelpKeyword(GetHelpKeyword());
}

// Esc belongs to actExit and actStop; with both on, Qt would fire neither. While actStop is on,
// actExit waits, and comes back when actStop goes off.
void TMAccountForm::KeepEscapeUnambiguous() {
    if (actStop->isEnabled()) {
        if (actExit->isEnabled()) {
            FExitHeldByStop = true;
            actExit->setEnabled(false);
        }
    } else if (FExitHeldByStop) {
        FExitHeldByStop = false;
        actExit->setEnabled(true);
    }
}

bool TMAccountForm::ExecuteQuiet() {
    const bool saved = ShowDeniedText;
    ShowDeniedText = false;
    auto restore = qScopeGuard([&] { ShowDeniedText = saved; });
    actExecuteExecute();
    return true;
}

bool TMAccountForm::KeyPreviewEnter(QWidget* Control) {
    QComboBox* combo = nullptr;
    for (QWidget* w = Control; w && w != this; w = w->parentWidget()) {
        if (auto* grid = qobject_cast<TStringGrid*>(w); grid && grid->EditorMode()) return false;
        if (auto* c = qobject_cast<QComboBox*>(w)) combo = c;
    }
    for (QWidget* next = Control->nextInFocusChain(); next && next != Control;
         next = next->nextInFocusChain()) {
        if (isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
            next->isVisible() && !next->focusProxy()) {
            next->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    // A combo box never sees the Enter; every other control gets it after focus has moved.
    return combo != nullptr;
}

void TMAccountForm::UpdateActions() {
    actExecute->setEnabled(ExecuteEnabled());
    actNew->setEnabled(NewEnabled());
    actEdit->setEnabled(EditEnabled());
    actSave->setEnabled(SaveEnabled());
    actDelete->setEnabled(DeleteEnabled());
    actPrint->setEnabled(PrintEnabled());
    actFile->setEnabled(FileEnabled());
    actSearch->setEnabled(SearchEnabled());
    actFilter->setEnabled(FilterEnabled());
    actExit->setEnabled(ExitEnabled());
    actCopy->setEnabled(CopyEnabled());
    actPaste->setEnabled(PasteEnabled());
}

// ---- the Do... layer ----

bool TMAccountForm::DoExecute() {
    if (FormState.Contains(Creating)) return false;
    const bool preparing = FormState.Contains(Preparing);
    ShowWait(true);
    auto restore = qScopeGuard([&] {
        ShowWait(false);
        if (!preparing) EnableControls(true);
        UpdateActions();
    });
    if (!preparing) EnableControls(false);
    return Execute();
}

bool TMAccountForm::DoSave() {
    if (!CheckCanSave()) return false;
    ShowWait(true);
    auto restore = qScopeGuard([&] {
        ShowWait(false);
        EnableControls(true);
        if (CloseAfterSave) Close();
    });
    EnableControls(false);
    return Save();
}

bool TMAccountForm::DoEdit() {
    return Edit();
}
bool TMAccountForm::DoAdd() {
    return Add();
}

bool TMAccountForm::DoDelete() {
    const bool result = Delete();
    UpdateActions();
    return result;
}

bool TMAccountForm::DoFilter() {
    const bool result = Filter();
    SetFilterActive(result);
    return result;
}

bool TMAccountForm::DoSearch() {
    return Search();
}
bool TMAccountForm::DoPrint() {
    return Print();
}
bool TMAccountForm::DoExport() {
    return Export();
}
bool TMAccountForm::DoStop() {
    return Stop();
}

bool TMAccountForm::CheckCanSave() {
    const bool result = CanSave();
    if (!result && !FormState.Contains(Preparing)) {
        const QString text = GetSaveDeniedText();
        if (!text.isEmpty() && ShowDeniedText) ShowErrorFmt(text);
    }
    return result;
}

int TMAccountForm::QuerySaveChanges() {
    if (!Modified) return mrYes;
    switch (ConfirmYesNoCancelFmt(LoadStr(65194))) {
    case mrYes:
        return DoSave() ? mrYes : mrCancel;
    case mrNo:
        return mrNo;
    default:
        return mrCancel;
    }
}

// ---- states ----

int TMAccountForm::GetUserValue() {
    return UserValue;
}
QString TMAccountForm::GetPrintSettingsName() {
    return PrintSettingsName;
}
QString TMAccountForm::GetHelpKeyword() {
    return HelpKeyword.isEmpty() ? objectName() : HelpKeyword;
}
QString TMAccountForm::GetExecuteDeniedText() {
    return QString();
}
QString TMAccountForm::GetSaveDeniedText() {
    return QString();
}

bool TMAccountForm::ExecuteEnabled() {
    return actExecute->isEnabled();
}
bool TMAccountForm::SaveEnabled() {
    return actSave->isEnabled();
}
bool TMAccountForm::EditEnabled() {
    return actEdit->isEnabled();
}
bool TMAccountForm::NewEnabled() {
    return actNew->isEnabled();
}
bool TMAccountForm::DeleteEnabled() {
    return actDelete->isEnabled();
}
bool TMAccountForm::FilterEnabled() {
    return actFilter->isEnabled();
}
bool TMAccountForm::SearchEnabled() {
    return actSearch->isEnabled();
}
bool TMAccountForm::PrintEnabled() {
    return actPrint->isEnabled();
}
bool TMAccountForm::FileEnabled() {
    return actFile->isEnabled();
}
bool TMAccountForm::ExitEnabled() {
    return actExit->isEnabled();
}
bool TMAccountForm::CopyEnabled() {
    return true;
}
bool TMAccountForm::PasteEnabled() {
    return true;
}

void TMAccountForm::DisableActions() {
    for (QAction* action :
         {actSave, actEdit, actNew, actDelete, actFilter, actSearch, actExecute, actPrint, actFile, actExit})
        action->setEnabled(false);
}

void TMAccountForm::SaveActionStates(TActionStates& States) {
    if (States.Saved) return;
    States.Save = actSave->isEnabled();
    States.Edit = actEdit->isEnabled();
    States.New = actNew->isEnabled();
    States.Delete = actDelete->isEnabled();
    States.Filter = actFilter->isEnabled();
    States.Search = actSearch->isEnabled();
    States.Execute = actExecute->isEnabled();
    States.Print = actPrint->isEnabled();
    States.File = actFile->isEnabled();
    // While actStop holds Esc, actExit only waits for it.
    States.Exit = actExit->isEnabled() || FExitHeldByStop;
    States.Saved = true;
}

void TMAccountForm::RestoreActionStates(TActionStates& States) {
    if (!States.Saved) return;
    actSave->setEnabled(States.Save);
    actEdit->setEnabled(States.Edit);
    actNew->setEnabled(States.New);
    actDelete->setEnabled(States.Delete);
    actFilter->setEnabled(States.Filter);
    actSearch->setEnabled(States.Search);
    actExecute->setEnabled(States.Execute);
    actPrint->setEnabled(States.Print);
    actFile->setEnabled(States.File);
    actExit->setEnabled(States.Exit);
    States.Saved = false;
}

void TMAccountForm::EnableControls(bool Enable) {
    if (Enable) {
        RestoreActionStates(ActionStates);
    } else {
        SaveActionStates(ActionStates);
        DisableActions();
    }
}

void TMAccountForm::InitDefaults() {}

QString TMAccountForm::GetCaptionText() {
    return pnlCaption->text();
}
QString TMAccountForm::GetReportTitle() {
    return QString();
}

bool TMAccountForm::Init() {
    Modified = false;
    UpdateActions();
    QCoreApplication::processEvents();
    return true;
}

bool TMAccountForm::Done() {
    NotifyMainForm(1);
    if (!objectName().isEmpty()) {
        const QRect r = Container()->geometry();
        SaveFormPlacement(QString::fromLatin1(metaObject()->className()),
                          TFormPlacement{r.left(), r.top(), r.width(), r.height()});
    }
    return true;
}

bool TMAccountForm::Reset() {
    NotifyMainForm(0);
    return true;
}

bool TMAccountForm::Stop() {
    return true;
}
bool TMAccountForm::CanExecute() {
    return true;
}
bool TMAccountForm::CanSave() {
    return true;
}
bool TMAccountForm::Execute() {
    return true;
}
bool TMAccountForm::Save() {
    return true;
}
bool TMAccountForm::Edit() {
    return true;
}
bool TMAccountForm::Add() {
    return true;
}
bool TMAccountForm::Delete() {
    return true;
}
bool TMAccountForm::Filter() {
    return true;
}
bool TMAccountForm::Search() {
    return true;
}
bool TMAccountForm::Print() {
    return true;
}
bool TMAccountForm::Export() {
    return true;
}
bool TMAccountForm::CanExit() {
    return true;
}

// ---- helpers for descendants ----

void TMAccountForm::ShowWait(bool On) {
    if (On)
        StartWait(QString());
    else
        EndWait();
}

void TMAccountForm::SetFilterActive(bool Active) {
    FilterActive = Active;
    actFilter->setChecked(Active);
}

void TMAccountForm::EnableChildControls(QWidget* Panel, bool Enable) {
    if (!Panel) return;
    for (QWidget* child : Panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(Enable);
    Panel->setEnabled(Enable);
    Panel->update();
}

bool TMAccountForm::MayStartAction() const {
    // The busy mark is set only inside an action, which FRunningActions counts.
    return !FormState.Contains(Creating) && !FormState.Contains(Initializing) && FRunningActions == 0 &&
           !BlockedByModal();
}

bool TMAccountForm::IsAppBusy() {
    return WaitCount() > 0;
}

void TMAccountForm::NotifyMainForm(int Closing) {
    if (!ApplicationMainWindow() || FFormStyle != fsMDIChild) return;
    TMenuDataEvent event(evFormState, TMenuData{this, windowTitle()}, Closing);
    SendToMainWindow(event);
}

// ---- copy and paste ----

QWidget* TMAccountForm::ControlAt(QPoint Point) const {
    if (Point.x() < 0 || Point.y() < 0) {
        QWidget* focus = QApplication::focusWidget();
        return focus && isAncestorOf(focus) ? focus : nullptr;
    }
    return childAt(Point);
}

void TMAccountForm::CopyControlText(QPoint Point) {
    QWidget* control = ControlAt(Point);
    if (!control) return;
    QString text;
    GetControlText(control, Point, text);
    QApplication::clipboard()->setText(text);
}

void TMAccountForm::PasteControlText(QPoint Point) {
    QWidget* control = ControlAt(Point);
    if (!control) return;
    // An edit pastes as its own Ctrl+V does, so that its rules for typing hold (a lookup that
    // takes no typing, a number that would grow too long).
    if (qobject_cast<QLineEdit*>(control)) {
        // Straight to the edit: sent through the application, the key would come back to this
        // action as its shortcut.
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
        static_cast<QObject*>(control)->event(&paste);
        return;
    }
    SetControlText(control, Point, QApplication::clipboard()->text());
}

void TMAccountForm::GetControlText(QWidget* Control, QPoint Point, QString& Text) {
    if (auto* edit = qobject_cast<QLineEdit*>(Control)) {
        Text = edit->selectedText();
    } else if (auto* combo = qobject_cast<QComboBox*>(Control)) {
        Text = combo->lineEdit() ? combo->lineEdit()->selectedText() : combo->currentText();
    } else if (auto* list = qobject_cast<QListWidget*>(Control)) {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        Text = selected.isEmpty() ? QString() : selected.first()->text();
    } else if (auto* grid = qobject_cast<TStringGrid*>(Control)) {
        if (Point.x() < 0 || Point.y() < 0) GridSelectionToText(grid, Text);
    }
}

void TMAccountForm::SetControlText(QWidget* Control, QPoint, const QString& Text) {
    if (auto* edit = qobject_cast<QLineEdit*>(Control)) {
        if (!edit->isReadOnly()) edit->insert(Text);
    } else if (auto* combo = qobject_cast<QComboBox*>(Control)) {
        if (combo->isEditable() && combo->lineEdit()) combo->lineEdit()->insert(Text);
    }
}
