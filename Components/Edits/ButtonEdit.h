#pragma once
// Edits with buttons at their right end. TCustomButtonEdit carries a spin button (up and down
// arrows) and a bitmap button; TCustomFormEdit opens a drop-down form with the bitmap button and
// reports its OK or cancel; TDropDownForm is that drop-down, a popup placed under its edit
// within the screen's work area.

#include "core/unMessages.h"

#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QPointer>
#include <functional>

class QAction;
class QKeyEvent;
class QMenu;
class QToolBar;
class QToolButton;
class TDropDownForm;

// An event of a control; Sender is the control that fires it.
using TControlEvent = std::function<void(QWidget* Sender)>;

// The error beep of the edits and their drop-downs. SetBeepHandler replaces it (tests count
// beeps that way) and returns the handler it replaced; an empty handler restores the platform's.
void ErrorBeep();
std::function<void()> SetBeepHandler(std::function<void()> Handler);

// Text without the characters Allowed refuses; Caret, a place in Text, moves left by those
// dropped before it.
QString KeepAllowedChars(const QString& Text, int& Caret, const std::function<bool(QChar)>& Allowed);

// The one printable character a key press types; none for keys that type nothing (arrows,
// Ctrl+V, ...). The edits that filter what is typed test this character.
QChar TypedChar(const QKeyEvent* Event);

// Up and down arrows stacked in one narrow button; holding an arrow repeats it.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* Parent = nullptr);
    QToolButton* UpButton() const { return FUp; }
    QToolButton* DownButton() const { return FDown; }

Q_SIGNALS:
    void upClick();
    void downClick();

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    QToolButton* FUp;
    QToolButton* FDown;
};

class TCustomButtonEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomButtonEdit(QWidget* Parent = nullptr);

    // Typing, pasting and cutting are allowed only while this is on.
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool Value);
    bool SpinButtonVisible() const { return FSpinButtonVisible; }
    void SetSpinButtonVisible(bool Value);
    // The buttons work exactly when the edit is not read-only.
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool Value);
    // Entering the edit by keyboard selects its whole text.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    QIcon Glyph() const;
    void SetGlyph(const QIcon& Value);
    void SetBitButtonWidth(int Value);

    TSpinButton* SpinButton() const { return FSpin; }
    QToolButton* BitButton() const { return FButton; }

    TControlEvent OnUpClick;
    TControlEvent OnDownClick;
    TControlEvent OnBitButtonClick;

    virtual bool IsValidChar(QChar Key);
    virtual void UpClick();
    virtual void DownClick();
    virtual void BitButtonClick();

protected:
    // A character typed into the edit (Backspace as '\b', Delete as 0x7F) before the edit takes
    // it; setting Key to 0 swallows it.
    virtual void KeyPress(QChar& Key);
    // Free typing, pasting and cutting are possible now.
    bool CanEditText() const { return FEditorEnabled && !isReadOnly(); }

    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void UpdateButtons();
    void UpdateMinimumHeight();

    TSpinButton* FSpin;
    QToolButton* FButton;
    bool FEditorEnabled = true;
    bool FSpinButtonVisible = true;
    bool FAutoSelect = true;
};

class TCustomFormEdit : public TCustomButtonEdit {
    Q_OBJECT
public:
    explicit TCustomFormEdit(QWidget* Parent = nullptr);

    // Not owned. Reading it wires the form's OK and cancel to this edit first, since one form
    // may serve several edits.
    TDropDownForm* DropDownForm();
    void SetDropDownForm(TDropDownForm* Value);

    TControlEvent OnFormOk;
    TControlEvent OnFormCancel;

    void BitButtonClick() override;
    virtual void FormOk();
    virtual void FormCancel();
    virtual void DropDown();

private:
    void WireForm();
    QPointer<TDropDownForm> FDropDownForm;
};

// Where a drop-down of Size goes, within WorkArea. With an edit, EditRect is the edit's rectangle
// on screen and the form goes under it (or above it, or on the roomier side, shortened); without
// one, Anchor is the form's own top-left corner. The gaps are kept from the anchor.
QRect PlaceUnderControl(const QRect* EditRect, QPoint Anchor, QSize Size, int HorzGap, int VertGap,
                        const QRect& WorkArea);

// Make it without a parent and let its edit free it: as a child of a window it would share that
// window's shortcuts (F8, Esc: ambiguous, so neither fires) and its key preview of Enter.
class TDropDownForm : public QFrame {
    Q_OBJECT
public:
    explicit TDropDownForm(QWidget* Parent = nullptr);

    bool ClosingByOk() const { return FClosingByOk; }
    // The edit the form drops from; none when it stands free.
    QWidget* EditControl() const { return FEditControl; }
    void SetEditControl(QWidget* Value) { FEditControl = Value; }
    int HorzGap() const { return FHorzGap; }
    int VertGap() const { return FVertGap; }
    TModalResult ModalResult() const { return FModalResult; }

    // Holds the form's contents above the tool bar (a vertical box layout).
    QFrame* BasePanel() const { return FBasePanel; }
    QToolBar* ToolBar() const { return FToolBar; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    QAction* actOk() const { return FactOk; }
    QAction* actCancel() const { return FactCancel; }
    QAction* actHelp() const { return FactHelp; }

    TControlEvent OnOk;
    TControlEvent OnCancel;

    // Sizes and places the form under its edit.
    virtual void PlaceUnderControl();
    virtual void DoOk();
    virtual void DoCancel();
    // Shows the form (not modal) when CanDrop allows it.
    virtual void DropDown();
    // Places the form; subclasses fill their contents here and may refuse.
    virtual bool CanDrop();
    // Whether OK may close the form; a subclass that finds its contents wrong says so and keeps
    // the form open.
    virtual bool CanOk() { return true; }

protected:
    void SetHorzGap(int Value) { FHorzGap = Value; }
    void SetVertGap(int Value) { FVertGap = Value; }
    // The screen's work area the form is kept in.
    QRect WorkArea() const;

    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    void OkExecute();
    void CancelExecute();

    QFrame* FBasePanel;
    QToolBar* FToolBar;
    QMenu* FPopupMenu;
    QAction* FactOk;
    QAction* FactCancel;
    QAction* FactHelp;
    QPointer<QWidget> FEditControl;
    int FHorzGap = 0;
    int FVertGap = 0;
    bool FClosingByOk = false;
    bool FClosingByCancel = false;
    TModalResult FModalResult = mrNone;
};
