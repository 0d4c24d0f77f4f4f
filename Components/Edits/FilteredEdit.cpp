#include "Components/Edits/FilteredEdit.h"

#include "Components/Grids/Graphics.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"

#include <QContextMenuEvent>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <utility>

// ---------------------------------------------------------------------------------------------
// TCustomValidator

TCustomValidator::TCustomValidator(QObject* Parent) : QObject(Parent) {}

bool TCustomValidator::CheckValidChars(const QString& Text) const {
    if (ValidChars.isEmpty()) return true;
    return std::all_of(Text.begin(), Text.end(), [this](QChar C) { return ValidChars.contains(C); });
}

bool TCustomValidator::CheckInvalidChars(const QString& Text) const {
    if (InvalidChars.isEmpty()) return true;
    return std::none_of(Text.begin(), Text.end(), [this](QChar C) { return InvalidChars.contains(C); });
}

TValidateState TCustomValidator::CheckMask(const QString& Text) const {
    if (!UseMask || Text.isEmpty()) return vsValid;
    switch (MatchAltMask(Text, Mask)) {
    case -1:
        return vsStillValid;
    case 1:
        return vsValid;
    default:
        return vsInvalid;
    }
}

TValidateState TCustomValidator::CheckFormat(const QString& Text) const {
    return CheckMask(Text);
}

bool TCustomValidator::IsValid(const QString& Text) const {
    const TValidateState State = Validate(Text);
    return State == vsNone || State == vsValid;
}

bool TCustomValidator::IsStillValid(const QString& Text) const {
    const TValidateState State = Validate(Text);
    return State == vsNone || State == vsValid || State == vsStillValid;
}

TValidateState TCustomValidator::Validate(const QString& Text) const {
    if (Text.isEmpty()) return vsNone;
    if (MaxLength > 0 && Text.size() > MaxLength) return vsInvalid;
    if (!CheckValidChars(Text) || !CheckInvalidChars(Text)) return vsInvalidChars;
    return CheckFormat(Text);
}

QString TCustomValidator::GetStateMessage(const QString&) const {
    return QString();
}

// ---------------------------------------------------------------------------------------------
// TDateValidator

namespace {

// A part of a typed date: 1 to MaxLength digits.
bool ReadPart(const QString& Text, int MaxLength, int& Value) {
    if (Text.isEmpty() || Text.size() > MaxLength) return false;
    bool Ok = false;
    Value = Text.toInt(&Ok);
    return Ok;
}

// Whether Day can be a day of Month in some year (29 February counts).
bool DayFitsMonth(int Day, int Month) {
    return Month >= 1 && Month <= 12 && Day >= 1 && Day <= QDate(2000, Month, 1).daysInMonth();
}

} // namespace

TDateValidator::TDateValidator(QObject* Parent) : TCustomValidator(Parent) {
    ValidChars = QStringLiteral("0123456789.,");
    MinDate = QDateToDateTime(QDate(1900, 1, 1));
    MaxDate = QDateToDateTime(QDate(DateTimeToQDate(::Date()).year(), 12, 31));
}

TValidateState TDateValidator::CheckFormat(const QString& Text) const {
    const QString T = QString(Text).replace(QLatin1Char(','), QLatin1Char('.'));
    const QStringList Parts = T.split(QLatin1Char('.'));
    const int Dots = int(Parts.size()) - 1;
    int Day = 0, Month = 0, Year = 0;
    const int MiddleYear = (DateTimeToQDate(MinDate).year() + DateTimeToQDate(MaxDate).year()) / 2;
    // A day and month in the middle year, the day lowered to that month's length.
    const auto InRangeInMiddleYear = [&] {
        const QDate First(MiddleYear, Month, 1);
        const TDateTime D = QDateToDateTime(QDate(MiddleYear, Month, std::min(Day, First.daysInMonth())));
        return D >= MinDate && D <= MaxDate;
    };
    switch (Dots) {
    case 0:
        return T.size() < 3 && ReadPart(T, 2, Day) && Day < 32 ? vsStillValid : vsInvalid;
    case 1:
        if (Parts[1].isEmpty()) return ReadPart(Parts[0], 2, Day) && Day <= 31 ? vsStillValid : vsInvalid;
        if (!ReadPart(Parts[0], 2, Day) || !ReadPart(Parts[1], 2, Month) || Day < 1 || Day > 31)
            return vsInvalid;
        // A single "0" is the start of a month typed with a leading zero.
        if (Parts[1] == u"0") return vsStillValid;
        return DayFitsMonth(Day, Month) ? vsStillValid : vsInvalid;
    case 2: {
        if (!ReadPart(Parts[0], 2, Day) || !ReadPart(Parts[1], 2, Month) || !DayFitsMonth(Day, Month))
            return vsInvalid;
        if (Parts[2].isEmpty()) return InRangeInMiddleYear() ? vsStillValid : vsInvalid;
        if (!ReadPart(Parts[2], 4, Year)) return vsInvalid;
        if (Parts[2].size() < 4) return InRangeInMiddleYear() ? vsStillValid : vsInvalid;
        const QDate D(Year, Month, Day);
        if (!D.isValid()) return vsInvalid;
        const TDateTime Value = QDateToDateTime(D);
        return Value >= MinDate && Value <= MaxDate ? vsValid : vsInvalid;
    }
    default:
        return vsInvalid;
    }
}

QString TDateValidator::GetStateMessage(const QString& Text) const {
    switch (Validate(Text)) {
    case vsNone:
        return QStringLiteral("Въведете дата (") + DateToStr(MinDate) + QLatin1Char('-') +
               DateToStr(MaxDate) + QStringLiteral(").");
    case vsValid:
        return QStringLiteral("Датата е валидна.");
    case vsStillValid:
        return QStringLiteral("Датата е все още валидна.");
    case vsInvalid:
        return QStringLiteral("Невалидна дата.");
    case vsInvalidChars:
        return QStringLiteral("Невалидни символи.");
    }
    return QStringLiteral("Няма информация.");
}

// ---------------------------------------------------------------------------------------------
// TCustomFilteredEdit

TCustomFilteredEdit::TCustomFilteredEdit(QWidget* Parent) : QLineEdit(Parent) {
    FValidator = new TCustomValidator(this);
    connect(this, &QLineEdit::textEdited, this, [this] { CheckEdit(); });
    connect(this, &QLineEdit::textChanged, this, [this] { TextChanged(); });
    UpdateColors();
}

void TCustomFilteredEdit::SetValidator(TCustomValidator* Value) {
    if (Value == FValidator) return;
    delete FValidator;
    FValidator = Value;
    if (FValidator) FValidator->setParent(this);
    FValidatorOff = false;
    TextChanged();
}

void TCustomFilteredEdit::SetValidatorOff(bool Value) {
    FValidatorOff = Value;
    UpdateColors();
}

void TCustomFilteredEdit::SetInfoPanel(QLabel* Value) {
    FInfoPanel = Value;
    UpdateColors();
}

void TCustomFilteredEdit::CharHook(QChar&) {}

TValidateState TCustomFilteredEdit::Validate(const QString& Text) {
    return FValidator ? FValidator->Validate(Text) : vsValid;
}

bool TCustomFilteredEdit::CanInsert(const QString& Text, const QString& Addition) {
    if (!FValidator || FValidatorOff) return true;
    return FValidator->IsStillValid(Text + Addition);
}

bool TCustomFilteredEdit::IsDataValid() {
    FDataState = Validate(text());
    return FValidatorOff || (FDataState != vsInvalid && FDataState != vsInvalidChars);
}

void TCustomFilteredEdit::TakeSnapshot() {
    FSnapshot.Text = text();
    FSnapshot.Cursor = cursorPosition();
    FSnapshot.SelStart = selectionStart();
    FSnapshot.SelLength = selectedText().size();
}

void TCustomFilteredEdit::CheckEdit() {
    if (FRestoring || IsDataValid()) return;
    FRestoring = true;
    setText(FSnapshot.Text);
    if (FSnapshot.SelStart >= 0) {
        // The selection comes back with the caret at the end it had.
        if (FSnapshot.Cursor == FSnapshot.SelStart)
            setSelection(FSnapshot.SelStart + FSnapshot.SelLength, -FSnapshot.SelLength);
        else
            setSelection(FSnapshot.SelStart, FSnapshot.SelLength);
    } else {
        setCursorPosition(FSnapshot.Cursor);
    }
    FRestoring = false;
    IsDataValid();
    UpdateColors();
}

void TCustomFilteredEdit::TextChanged() {
    FDataState = Validate(text());
    setModified(true);
    UpdateColors();
}

void TCustomFilteredEdit::UpdateColors() {
    TColor Color = OtherColor;
    switch (FDataState) {
    case vsNone:
    case vsValid:
        Color = ValidColor;
        break;
    case vsStillValid:
        Color = StillValidColor;
        break;
    case vsInvalid:
    case vsInvalidChars:
        Color = InvalidColor;
        break;
    }
    QPalette P = palette();
    P.setColor(QPalette::Text, ToQColor(Color, P));
    setPalette(P);
    if (FInfoPanel) {
        QPalette IP = FInfoPanel->palette();
        IP.setColor(QPalette::WindowText, ToQColor(Color, IP));
        FInfoPanel->setPalette(IP);
        FInfoPanel->setText(FValidator ? FValidator->GetStateMessage(text()) : QString());
    }
}

void TCustomFilteredEdit::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Up || Event->key() == Qt::Key_Down) {
        Event->accept();
        return;
    }
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
        IsDataValid();
        UpdateColors();
        QLineEdit::keyPressEvent(Event);
        return;
    }
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(Event);
        return;
    }
    TakeSnapshot();
    const QString Typed = Event->text();
    const bool Plain = !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (Plain && Typed.size() == 1 && Typed[0].isPrint()) {
        QChar Key = Typed[0];
        CharHook(Key);
        const QString One(Key);
        if (Key.isNull() || (!FValidatorOff && FValidator &&
                             (!FValidator->CheckValidChars(One) || !FValidator->CheckInvalidChars(One)))) {
            Event->accept();
            return;
        }
        insert(One);
        CheckEdit();
        Event->accept();
        return;
    }
    QLineEdit::keyPressEvent(Event);
}

void TCustomFilteredEdit::contextMenuEvent(QContextMenuEvent* Event) {
    TakeSnapshot();
    QLineEdit::contextMenuEvent(Event);
}

void TCustomFilteredEdit::mouseReleaseEvent(QMouseEvent* Event) {
    // The middle button pastes the selection clipboard.
    if (Event->button() == Qt::MiddleButton) TakeSnapshot();
    QLineEdit::mouseReleaseEvent(Event);
}

void TCustomFilteredEdit::dropEvent(QDropEvent* Event) {
    TakeSnapshot();
    QLineEdit::dropEvent(Event);
}

// ---------------------------------------------------------------------------------------------
// TMADateEdit

TMADateEdit::TMADateEdit(QWidget* Parent) : TFilteredEdit(Parent) {
    auto* Validator = new TDateValidator(this);
    Validator->MinDate = QDateToDateTime(QDate(1900, 1, 1));
    Validator->MaxDate = QDateToDateTime(QDate(3000, 1, 1));
    SetValidator(Validator);
}

TDateValidator* TMADateEdit::DateValidator() const {
    return static_cast<TDateValidator*>(Validator());
}

TDateTime TMADateEdit::Date() {
    const TValidateState State = Validate(text());
    if (State != vsValid && State != vsStillValid) return 0;
    const QStringList Parts =
        QString(text()).replace(QLatin1Char(','), QLatin1Char('.')).split(QLatin1Char('.'));
    const QDate Default = DateTimeToQDate(LimitDateToPeriod(false, ::Date()));
    const auto Part = [&Parts](int N) { return N < Parts.size() ? int(StrToIntOrZero(Parts[N])) : 0; };
    const int Day = Part(0) ? Part(0) : Default.day();
    const int Month = Part(1) ? Part(1) : Default.month();
    int Year = Part(2) ? Part(2) : Default.year();
    // A two-digit year is one of this or the last century, not a year of the first.
    if (Part(2) && Parts[2].size() <= 2) Year += Year < 40 ? 2000 : 1900;
    // A day the month does not have ("31" in June) makes no date rather than another one.
    const QDate Result(Year, Month, Day);
    return Result.isValid() ? QDateToDateTime(Result) : 0;
}

TDateTime TMADateEdit::CheckedDate() {
    if (const TDateTime Value = Date(); Value != 0) return Value;
    if (text().trimmed().isEmpty())
        ShowErrorFmt(QStringLiteral("Въведете дата!"));
    else
        ShowErrorFmt(QStringLiteral("Невалидна дата \"%s\" !"), {text()});
    setFocus();
    selectAll();
    return 0;
}

void TMADateEdit::SetDate(TDateTime Value) {
    setText(DateToStr(Value));
}

TDateTime TMADateEdit::FromDate() const {
    return DateValidator()->MinDate;
}

void TMADateEdit::SetFromDate(TDateTime Value) {
    DateValidator()->MinDate = Value;
}

TDateTime TMADateEdit::ToDate() const {
    return DateValidator()->MaxDate;
}

void TMADateEdit::SetToDate(TDateTime Value) {
    DateValidator()->MaxDate = Value;
}

void TMADateEdit::CharHook(QChar& Key) {
    if (Key == QLatin1Char(',')) Key = QLatin1Char('.');
}

void TMADateEdit::focusOutEvent(QFocusEvent* Event) {
    if (text().contains(QLatin1Char(',')))
        setText(QString(text()).replace(QLatin1Char(','), QLatin1Char('.')));
    if (ValidateOnExit) {
        // Only a date can be completed. A text that makes no date stays as it is, and the
        // operator is told and brought back, unless the whole window lost the focus.
        if (const TDateTime Value = Date(); Value != 0)
            SetDate(Value);
        else if (!text().trimmed().isEmpty() && Event->reason() != Qt::ActiveWindowFocusReason &&
                 Event->reason() != Qt::PopupFocusReason && isVisible())
            QTimer::singleShot(0, this, [this] {
                if (isVisible() && !text().trimmed().isEmpty() && Date() == 0) CheckedDate();
            });
    }
    TFilteredEdit::focusOutEvent(Event);
}

void TMADateEdit::focusInEvent(QFocusEvent* Event) {
    FClickedIn = Event->reason() == Qt::MouseFocusReason;
    TFilteredEdit::focusInEvent(Event);
}

void TMADateEdit::mouseReleaseEvent(QMouseEvent* Event) {
    TFilteredEdit::mouseReleaseEvent(Event);
    // Clicked into, the edit takes typed digits as a new date, as when tabbed into; a drag
    // keeps the part it selected.
    if (std::exchange(FClickedIn, false) && !hasSelectedText()) selectAll();
}
