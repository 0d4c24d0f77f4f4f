#include "Components/Edits/FilteredEdit.h"

#include "Components/Edits/ButtonEdit.h"
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

bool TCustomValidator::CanBeTyped(const QString& Text) const {
    return IsStillValid(Text);
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

// The parts of a typed date, "," read as ".".
QStringList DateParts(const QString& Text) {
    return QString(Text).replace(QLatin1Char(','), QLatin1Char('.')).split(QLatin1Char('.'));
}

// The values a part of a typed date can still take, as ranges: its own and, while it is the
// part being typed, every value it grows into within Width digits. A part not typed yet can be
// anything of Width digits.
QList<std::pair<int, int>> PartValues(const QStringList& Parts, int N, int Width) {
    if (N >= Parts.size()) return {{0, Width == 4 ? 9999 : 99}};
    const QString& Part = Parts[N];
    const int Typed = Part.toInt();
    QList<std::pair<int, int>> Values{{Typed, Typed}};
    if (N == Parts.size() - 1)
        for (int Extra = 1, Scale = 10; Extra <= Width - Part.size(); ++Extra, Scale *= 10)
            Values.append({Typed * Scale, Typed * Scale + Scale - 1});
    return Values;
}

} // namespace

TDateValidator::TDateValidator(QObject* Parent) : TCustomValidator(Parent) {
    ValidChars = QStringLiteral("0123456789.,");
    MinDate = QDateToDateTime(QDate(1900, 1, 1));
    MaxDate = QDateToDateTime(QDate(DateTimeToQDate(::Date()).year(), 12, 31));
}

bool TDateValidator::CanBeTyped(const QString& Text) const {
    if (!CheckValidChars(Text) || !CheckInvalidChars(Text)) return false;
    const QStringList Parts = DateParts(Text);
    if (Parts.size() > 3) return false;
    const int Widths[] = {2, 2, 4};
    for (int N = 0; N < Parts.size(); ++N)
        if (Parts[N].size() > Widths[N] || (Parts[N].isEmpty() && N < Parts.size() - 1)) return false;
    return true;
}

TValidateState TDateValidator::CheckFormat(const QString& Text) const {
    if (!CanBeTyped(Text)) return vsInvalid;
    const QStringList Parts = DateParts(Text);
    const QDate Min = DateTimeToQDate(MinDate), Max = DateTimeToQDate(MaxDate);
    auto Years = PartValues(Parts, 2, 4);
    // Two digits are a year already, as every date reader takes them.
    if (Parts.size() == 3 && Parts[2].size() == 2) {
        const int Year = TwoDigitYearToFull(Parts[2].toInt());
        Years.append({Year, Year});
    }
    // Whether some date the text can still become lies within the range.
    const auto Reachable = [&] {
        for (const auto& [DayFrom, DayTo] : PartValues(Parts, 0, 2))
            for (int Day = std::max(DayFrom, 1); Day <= std::min(DayTo, 31); ++Day)
                for (const auto& [MonthFrom, MonthTo] : PartValues(Parts, 1, 2))
                    for (int Month = std::max(MonthFrom, 1); Month <= std::min(MonthTo, 12); ++Month)
                        for (const auto& [YearFrom, YearTo] : Years)
                            for (int Year = std::max(YearFrom, Min.year());
                                 Year <= std::min(YearTo, Max.year()); ++Year)
                                if (QDate::isValid(Year, Month, Day) && QDate(Year, Month, Day) >= Min &&
                                    QDate(Year, Month, Day) <= Max)
                                    return true;
        return false;
    };
    if (!Reachable()) return vsInvalid;
    return Parts.size() == 3 && Parts[2].size() == 4 ? vsValid : vsStillValid;
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
    if (FRestoring) return;
    if (!FValidatorOff && FValidator) {
        const QString Text = text();
        int Caret = cursorPosition();
        const QString Kept = KeepAllowedChars(Text, Caret, [this](QChar Char) {
            const QString One(Char);
            return FValidator->CheckValidChars(One) && FValidator->CheckInvalidChars(One);
        });
        if (!FValidator->CanBeTyped(Kept)) {
            Restore();
            ErrorBeep();
            return;
        }
        if (Kept != Text) {
            FRestoring = true;
            setText(Kept);
            setCursorPosition(Caret);
            FRestoring = false;
            ErrorBeep();
        }
    }
    IsDataValid();
    UpdateColors();
}

void TCustomFilteredEdit::Restore() {
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
            ErrorBeep();
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
    const QString Text = QString(text()).replace(QLatin1Char(','), QLatin1Char('.'));
    const TDotDateRules Rules{mdFromDefault, LimitDateToPeriod(false, ::Date())};
    TDateTime Value = 0;
    if (Text.trimmed().isEmpty() || !ReadDotDate(Text, Rules, Value)) return 0;
    return Value >= FromDate() && Value <= ToDate() ? Value : 0;
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
