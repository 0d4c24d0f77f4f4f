#pragma once
// Validated edits. A validator judges a text (empty, valid, still valid while typing, invalid,
// invalid characters) and knows nothing of edits; TCustomFilteredEdit asks its validator at every
// change, refuses a change that would make its text invalid and colours the text by its state.
// TMADateEdit is the date edit: "d.m.yyyy" typed with dots, completed from today on leaving.

#include "core/unitTypes.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>

#include <QLabel>

enum TValidateState { vsNone, vsValid, vsStillValid, vsInvalid, vsInvalidChars };

class TCustomValidator : public QObject {
    Q_OBJECT
public:
    explicit TCustomValidator(QObject* Parent = nullptr);

    // Characters a text may hold (empty: any) and characters it may not hold (empty: none).
    QString ValidChars;
    QString InvalidChars;
    QString Mask;
    bool UseMask = false;
    // 0: no limit.
    int MaxLength = 0;

    virtual bool CheckValidChars(const QString& Text) const;
    virtual bool CheckInvalidChars(const QString& Text) const;
    // With UseMask and a text: still valid while the mask can still match, valid when it does.
    virtual TValidateState CheckMask(const QString& Text) const;
    virtual TValidateState CheckFormat(const QString& Text) const;
    virtual QString FormatText(const QString& Text) const { return Text; }
    virtual QString UnformatText(const QString& Text) const { return Text; }
    bool IsValid(const QString& Text) const;
    bool IsStillValid(const QString& Text) const;
    // Whether an edit keeps Text as the operator typed it; a change to a text it cannot keep is
    // refused. Here: a text that is still valid.
    virtual bool CanBeTyped(const QString& Text) const;
    virtual TValidateState Validate(const QString& Text) const;
    // What the state of Text means, for an info panel.
    virtual QString GetStateMessage(const QString& Text) const;
};

// Dates "d.m.yyyy" ("," counts as ".") between MinDate and MaxDate. A text that can still grow
// into such a date is still valid. Any text of date shape (up to three parts, of at most two,
// two and four digits) can be typed, an impossible one too: it shows as invalid.
class TDateValidator : public TCustomValidator {
    Q_OBJECT
public:
    // The range runs from 1 January 1900 to 31 December of the current year.
    explicit TDateValidator(QObject* Parent = nullptr);

    TDateTime MinDate;
    TDateTime MaxDate;

    TValidateState CheckFormat(const QString& Text) const override;
    QString GetStateMessage(const QString& Text) const override;
    bool CanBeTyped(const QString& Text) const override;
};

class TCustomFilteredEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomFilteredEdit(QWidget* Parent = nullptr);

    TCustomValidator* Validator() const { return FValidator; }
    // Owned; the old one is freed and the validator switched on.
    void SetValidator(TCustomValidator* Value);
    bool ValidatorOff() const { return FValidatorOff; }
    void SetValidatorOff(bool Value);
    TValidateState DataState() const { return FDataState; }

    TColor InvalidColor = clRed;
    TColor StillValidColor = clBlue;
    TColor ValidColor = clBlack;
    TColor OtherColor = clBlack;
    QLabel* InfoPanel() const { return FInfoPanel; }
    void SetInfoPanel(QLabel* Value);

    // Applied to every typed character before it is checked; setting it to 0 drops it.
    virtual void CharHook(QChar& Key);
    virtual TValidateState Validate(const QString& Text);
    // Whether Text followed by Addition can still become valid.
    virtual bool CanInsert(const QString& Text, const QString& Addition);
    // Judges the present text; false only when the validator is on and finds it invalid.
    virtual bool IsDataValid();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    struct TSnapshot {
        QString Text;
        int Cursor = 0;
        int SelStart = -1;
        int SelLength = 0;
    };
    void TakeSnapshot();
    // A change by the operator: characters the validator never takes are dropped; a text the
    // validator cannot keep brings the text before it back. Either refusal beeps.
    void CheckEdit();
    void Restore();
    void TextChanged();
    void UpdateColors();

    TCustomValidator* FValidator;
    bool FValidatorOff = true;
    TValidateState FDataState = vsValid;
    QPointer<QLabel> FInfoPanel;
    TSnapshot FSnapshot;
    bool FRestoring = false;
};

class TFilteredEdit : public TCustomFilteredEdit {
    Q_OBJECT
public:
    explicit TFilteredEdit(QWidget* Parent = nullptr) : TCustomFilteredEdit(Parent) {}
};

class TMADateEdit : public TFilteredEdit {
    Q_OBJECT
public:
    // Takes dates from 1 January 1900 to 1 January 3000.
    explicit TMADateEdit(QWidget* Parent = nullptr);

    TDateValidator* DateValidator() const;
    // The typed date, its missing parts taken from today (moved into the accounting period);
    // 0 when the text is empty, makes no date or lies outside FromDate..ToDate.
    TDateTime Date();
    // Date(), or 0 after an error message that says the text is empty or makes no date; the
    // edit then has the focus. For windows that need a date before they run.
    TDateTime CheckedDate();
    // Writes "dd.mm.yyyy".
    void SetDate(TDateTime Value);
    TDateTime FromDate() const;
    void SetFromDate(TDateTime Value);
    TDateTime ToDate() const;
    void SetToDate(TDateTime Value);
    // Leaving the edit completes a partial date.
    bool ValidateOnExit = true;

    void CharHook(QChar& Key) override;

protected:
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    bool FClickedIn = false;
};
