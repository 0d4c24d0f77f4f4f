#include "Components/Edits/ButtonEdit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

std::function<void()>& BeepHandler() {
    static std::function<void()> Handler;
    return Handler;
}

constexpr int ButtonWidth = 15;
constexpr int ButtonHeight = 17;

// The character a key press types, as the edit's key-press handling sees it (Backspace and
// Delete included); none for keys that type nothing.
QChar KeyPressChar(const QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Backspace) return QChar('\b');
    if (Event->key() == Qt::Key_Delete) return QChar(0x7F);
    if (Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return QChar();
    const QString Text = Event->text();
    if (Text.isEmpty() || !Text.at(0).isPrint()) return QChar();
    return Text.at(0);
}

bool IsEditingShortcut(QKeyEvent* Event) {
    return Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Cut) ||
           Event->matches(QKeySequence::Undo) || Event->matches(QKeySequence::Redo);
}

} // namespace

QChar TypedChar(const QKeyEvent* Event) {
    if (Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return QChar();
    const QString Text = Event->text();
    if (Text.size() != 1 || !Text.at(0).isPrint()) return QChar();
    return Text.at(0);
}

void ErrorBeep() {
    if (BeepHandler())
        BeepHandler()();
    else
        QApplication::beep();
}

std::function<void()> SetBeepHandler(std::function<void()> Handler) {
    std::function<void()> Previous = std::move(BeepHandler());
    BeepHandler() = std::move(Handler);
    return Previous;
}

QString KeepAllowedChars(const QString& Text, int& Caret, const std::function<bool(QChar)>& Allowed) {
    QString Kept;
    const int Before = Caret;
    for (qsizetype I = 0; I < Text.size(); ++I) {
        if (Allowed(Text[I]))
            Kept += Text[I];
        else if (I < Before)
            --Caret;
    }
    return Kept;
}

// ---------------------------------------------------------------------------------------------
// TSpinButton

TSpinButton::TSpinButton(QWidget* Parent) : QWidget(Parent) {
    FUp = new QToolButton(this);
    FUp->setObjectName(QStringLiteral("UpButton"));
    FUp->setArrowType(Qt::UpArrow);
    FDown = new QToolButton(this);
    FDown->setObjectName(QStringLiteral("DownButton"));
    FDown->setArrowType(Qt::DownArrow);
    for (QToolButton* Button : {FUp, FDown}) {
        Button->setFocusPolicy(Qt::NoFocus);
        Button->setAutoRepeat(true);
        Button->setIconSize(QSize(6, 6));
    }
    connect(FUp, &QToolButton::clicked, this, &TSpinButton::upClick);
    connect(FDown, &QToolButton::clicked, this, &TSpinButton::downClick);
}

void TSpinButton::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    const int Half = height() / 2;
    FUp->setGeometry(0, 0, width(), Half);
    FDown->setGeometry(0, Half, width(), height() - Half);
}

// ---------------------------------------------------------------------------------------------
// TCustomButtonEdit

TCustomButtonEdit::TCustomButtonEdit(QWidget* Parent) : QLineEdit(Parent) {
    FSpin = new TSpinButton(this);
    FSpin->setObjectName(QStringLiteral("SpinButton"));
    FSpin->resize(ButtonWidth, ButtonHeight);
    FSpin->setCursor(Qt::ArrowCursor);
    connect(FSpin, &TSpinButton::upClick, this, [this] { UpClick(); });
    connect(FSpin, &TSpinButton::downClick, this, [this] { DownClick(); });

    FButton = new QToolButton(this);
    FButton->setObjectName(QStringLiteral("BitButton"));
    FButton->resize(ButtonWidth, ButtonHeight);
    FButton->setFocusPolicy(Qt::NoFocus);
    FButton->setCursor(Qt::ArrowCursor);
    connect(FButton, &QToolButton::clicked, this, [this] { BitButtonClick(); });

    UpdateMinimumHeight();
    UpdateButtons();
}

void TCustomButtonEdit::SetEditorEnabled(bool Value) {
    FEditorEnabled = Value;
    setAcceptDrops(Value);
}

void TCustomButtonEdit::SetSpinButtonVisible(bool Value) {
    FSpinButtonVisible = Value;
    FSpin->setVisible(Value);
    UpdateButtons();
}

void TCustomButtonEdit::SetReadOnly(bool Value) {
    FSpin->setEnabled(!Value);
    FButton->setEnabled(!Value);
    setReadOnly(Value);
}

QIcon TCustomButtonEdit::Glyph() const {
    return FButton->icon();
}

void TCustomButtonEdit::SetGlyph(const QIcon& Value) {
    FButton->setArrowType(Qt::NoArrow);
    FButton->setIcon(Value);
}

void TCustomButtonEdit::SetBitButtonWidth(int Value) {
    FButton->resize(Value, FButton->height());
    UpdateButtons();
}

bool TCustomButtonEdit::IsValidChar(QChar Key) {
    return Key != QChar('*');
}

void TCustomButtonEdit::UpClick() {
    if (isReadOnly())
        ErrorBeep();
    else if (OnUpClick)
        OnUpClick(this);
}

void TCustomButtonEdit::DownClick() {
    if (isReadOnly())
        ErrorBeep();
    else if (OnDownClick)
        OnDownClick(this);
}

void TCustomButtonEdit::BitButtonClick() {
    if (OnBitButtonClick) OnBitButtonClick(this);
}

void TCustomButtonEdit::KeyPress(QChar& Key) {
    if (!(FEditorEnabled && IsValidChar(Key))) {
        Key = QChar();
        ErrorBeep();
    }
}

void TCustomButtonEdit::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Up)
        UpClick();
    else if (Event->key() == Qt::Key_Down)
        DownClick();
    else if (Event->key() == Qt::Key_Asterisk && (Event->modifiers() & Qt::KeypadModifier)) {
        BitButtonClick();
        Event->accept();
        return;
    }
    if (IsEditingShortcut(Event) && !CanEditText()) {
        Event->accept();
        return;
    }
    QChar Key = KeyPressChar(Event);
    if (!Key.isNull()) {
        KeyPress(Key);
        if (Key.isNull()) {
            Event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(Event);
}

void TCustomButtonEdit::focusInEvent(QFocusEvent* Event) {
    QLineEdit::focusInEvent(Event);
    if (FAutoSelect && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TCustomButtonEdit::resizeEvent(QResizeEvent* Event) {
    QLineEdit::resizeEvent(Event);
    UpdateButtons();
}

void TCustomButtonEdit::changeEvent(QEvent* Event) {
    QLineEdit::changeEvent(Event);
    if (Event->type() == QEvent::FontChange) UpdateMinimumHeight();
    if (Event->type() == QEvent::FontChange || Event->type() == QEvent::StyleChange) UpdateButtons();
}

void TCustomButtonEdit::contextMenuEvent(QContextMenuEvent* Event) {
    QMenu* Menu = createStandardContextMenu();
    if (!CanEditText()) {
        for (QAction* Action : Menu->actions()) {
            const QString Name = Action->objectName();
            if (Name == u"edit-undo" || Name == u"edit-redo" || Name == u"edit-cut" ||
                Name == u"edit-paste" || Name == u"edit-delete")
                Action->setEnabled(false);
        }
    }
    Menu->setAttribute(Qt::WA_DeleteOnClose);
    Menu->popup(Event->globalPos());
}

void TCustomButtonEdit::mouseReleaseEvent(QMouseEvent* Event) {
    // The middle button pastes the selection clipboard.
    if (Event->button() == Qt::MiddleButton && !CanEditText()) {
        Event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(Event);
}

// The buttons sit inside the edit's frame at its right end, spin button first, and the text
// never runs under them.
void TCustomButtonEdit::UpdateButtons() {
    const int Frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    int Total = FButton->isHidden() ? 0 : FButton->width();
    if (FSpinButtonVisible) Total += FSpin->width();
    int X = width() - Frame - Total;
    const int H = qMax(0, height() - 2 * Frame);
    if (FSpinButtonVisible) {
        FSpin->setGeometry(X, Frame, FSpin->width(), H);
        X += FSpin->width();
    }
    if (!FButton->isHidden()) FButton->setGeometry(X, Frame, FButton->width(), H);
    setTextMargins(0, 0, Total, 0);
}

void TCustomButtonEdit::UpdateMinimumHeight() {
    const int FontHeight = QFontMetrics(font()).height();
    const int SystemHeight = QFontMetrics(QApplication::font()).height();
    setMinimumHeight(4 + qMin(SystemHeight, FontHeight) / 4 + FontHeight + 1);
}

// ---------------------------------------------------------------------------------------------
// TCustomFormEdit

TCustomFormEdit::TCustomFormEdit(QWidget* Parent) : TCustomButtonEdit(Parent) {}

TDropDownForm* TCustomFormEdit::DropDownForm() {
    WireForm();
    return FDropDownForm;
}

void TCustomFormEdit::SetDropDownForm(TDropDownForm* Value) {
    FDropDownForm = Value;
    if (!Value) return;
    Value->SetEditControl(this);
    WireForm();
}

void TCustomFormEdit::WireForm() {
    if (!FDropDownForm) return;
    FDropDownForm->OnOk = [this](QWidget*) { FormOk(); };
    FDropDownForm->OnCancel = [this](QWidget*) { FormCancel(); };
}

void TCustomFormEdit::BitButtonClick() {
    TCustomButtonEdit::BitButtonClick();
    DropDown();
}

void TCustomFormEdit::DropDown() {
    TDropDownForm* Form = DropDownForm();
    if (Form && BitButton()->isEnabled()) Form->DropDown();
}

void TCustomFormEdit::FormOk() {
    if (OnFormOk) OnFormOk(this);
}

void TCustomFormEdit::FormCancel() {
    if (OnFormCancel) OnFormCancel(this);
}

// ---------------------------------------------------------------------------------------------
// Placement

QRect PlaceUnderControl(const QRect* EditRect, QPoint Anchor, QSize Size, int HorzGap, int VertGap,
                        const QRect& WorkArea) {
    // Right and bottom are exclusive here, as the work area's edges are.
    const int L = WorkArea.x(), T = WorkArea.y();
    const int R = WorkArea.x() + WorkArea.width(), B = WorkArea.y() + WorkArea.height();
    int W = Size.width(), H = Size.height();
    int X, Y;
    if (EditRect) {
        const QPoint P = EditRect->topLeft();
        const int E = EditRect->height();
        X = P.x() + HorzGap;
        if (P.y() + E + VertGap + H <= B)
            Y = P.y() + E + VertGap;
        else if (P.y() - VertGap - H >= T)
            Y = P.y() - VertGap - H;
        else if (B - (P.y() + E) <= P.y() - T) {
            Y = T;
            H = P.y() - (T + VertGap);
        } else {
            Y = P.y() + E + VertGap;
            H = B - Y;
        }
        if (X + W > R) {
            if (W <= R - L)
                X = R - W;
            else {
                X = L;
                W = R - L;
            }
        }
    } else {
        if (Anchor.y() + VertGap + H <= B)
            Y = Anchor.y();
        else if (Anchor.y() - VertGap - H >= T)
            Y = Anchor.y() - VertGap - H;
        else if (H <= B - T)
            Y = B - H;
        else {
            Y = T;
            H = B - T;
        }
        if (Anchor.x() + W + HorzGap <= R)
            X = Anchor.x();
        else if (Anchor.x() - HorzGap - W >= L)
            X = Anchor.x() - HorzGap - W;
        else if (W <= R - L)
            X = R - W;
        else {
            X = L;
            W = R - L;
        }
    }
    // Never off the work area's left or top edge (a negative gap can push it there).
    return QRect(qMax(X, L), qMax(Y, T), W, H);
}

// ---------------------------------------------------------------------------------------------
// TDropDownForm

TDropDownForm::TDropDownForm(QWidget* Parent) : QFrame(Parent, Qt::Popup) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    resize(315, 167);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    FBasePanel = new QFrame(this);
    FBasePanel->setObjectName(QStringLiteral("BasePanel"));
    FBasePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FBasePanel->setLineWidth(2);
    Layout->addWidget(FBasePanel);
    auto* PanelLayout = new QVBoxLayout(FBasePanel);
    PanelLayout->setContentsMargins(0, 0, 0, 0);
    PanelLayout->setSpacing(0);
    FToolBar = new QToolBar(FBasePanel);
    FToolBar->setObjectName(QStringLiteral("ToolBar"));
    FToolBar->hide();
    PanelLayout->addWidget(FToolBar);

    // The form is a window of its own while it is open, so its keys belong to that window.
    auto MakeAction = [this](const char* Name, const QString& Caption, const QList<QKeySequence>& Keys) {
        auto* Action = new QAction(Caption, this);
        Action->setObjectName(QString::fromLatin1(Name));
        Action->setShortcuts(Keys);
        Action->setShortcutContext(Qt::WindowShortcut);
        addAction(Action);
        return Action;
    };
    FactOk = MakeAction("actOk", QStringLiteral("Ok"),
                        {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    FactCancel = MakeAction("actCancel", QStringLiteral("Отказ"), {QKeySequence(Qt::Key_Escape)});
    FactHelp = MakeAction("actHelp", QStringLiteral("Помощ"), {QKeySequence(Qt::Key_F1)});
    FactHelp->setToolTip(QStringLiteral("Стартира системата за помощ"));
    FactHelp->setStatusTip(FactHelp->toolTip());
    connect(FactOk, &QAction::triggered, this, [this] { OkExecute(); });
    connect(FactCancel, &QAction::triggered, this, [this] { CancelExecute(); });

    FToolBar->addAction(FactOk);
    FToolBar->addAction(FactCancel);

    FPopupMenu = new QMenu(this);
    FPopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    FPopupMenu->addAction(FactOk);
    FPopupMenu->addAction(FactCancel);
    FPopupMenu->addAction(FactHelp);
}

QRect TDropDownForm::WorkArea() const {
    QScreen* Screen = FEditControl ? FEditControl->screen() : screen();
    if (!Screen) Screen = QGuiApplication::primaryScreen();
    return Screen ? Screen->availableGeometry() : QRect();
}

void TDropDownForm::PlaceUnderControl() {
    QRect Place;
    if (FEditControl) {
        const QRect Edit(FEditControl->mapToGlobal(QPoint(0, 0)), FEditControl->size());
        Place = ::PlaceUnderControl(&Edit, QPoint(), size(), FHorzGap, FVertGap, WorkArea());
    } else
        Place = ::PlaceUnderControl(nullptr, pos(), size(), FHorzGap, FVertGap, WorkArea());
    setGeometry(Place);
}

void TDropDownForm::DoOk() {
    if (OnOk) OnOk(this);
    FModalResult = mrOk;
}

void TDropDownForm::DoCancel() {
    if (OnCancel) OnCancel(this);
    FModalResult = mrCancel;
}

void TDropDownForm::DropDown() {
    if (CanDrop()) show();
}

bool TDropDownForm::CanDrop() {
    PlaceUnderControl();
    return true;
}

void TDropDownForm::OkExecute() {
    if (!CanOk()) return;
    // The flag stays up until the form is hidden, so that closing does not cancel as well.
    FClosingByOk = true;
    DoOk();
    close();
    FClosingByOk = false;
}

void TDropDownForm::CancelExecute() {
    FClosingByCancel = true;
    DoCancel();
    close();
    FClosingByCancel = false;
}

void TDropDownForm::showEvent(QShowEvent* Event) {
    QFrame::showEvent(Event);
    setAttribute(Qt::WA_NoMouseReplay, false);
    FModalResult = mrNone;
    // A popup without a focused child would leave the keys with the edit.
    if (!focusWidget()) setFocus(Qt::PopupFocusReason);
}

void TDropDownForm::hideEvent(QHideEvent* Event) {
    QFrame::hideEvent(Event);
    // Hidden by anything but OK or cancel (a click elsewhere): that is a cancel.
    if (!FClosingByOk && !FClosingByCancel) {
        FClosingByCancel = true;
        DoCancel();
        FClosingByCancel = false;
    }
    if (FEditControl && FEditControl->isVisible()) FEditControl->setFocus(Qt::PopupFocusReason);
}

void TDropDownForm::mousePressEvent(QMouseEvent* Event) {
    // A click on the edit's own buttons only closes the form; replayed, it would open it again.
    if (!rect().contains(Event->position().toPoint()) && FEditControl) {
        QWidget* Under = QApplication::widgetAt(Event->globalPosition().toPoint());
        if (Under && Under != FEditControl && FEditControl->isAncestorOf(Under))
            setAttribute(Qt::WA_NoMouseReplay, true);
    }
    QFrame::mousePressEvent(Event);
}

void TDropDownForm::contextMenuEvent(QContextMenuEvent* Event) {
    FPopupMenu->popup(Event->globalPos());
}
