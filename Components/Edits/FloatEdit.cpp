#include "Components/Edits/FloatEdit.h"

#include "Components/Grids/Graphics.h"
#include "core/unNumbers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

void TFloatEditNegativeAttrs::SetMarkNegative(bool Value) {
    if (FMarkNegative == Value) return;
    FMarkNegative = Value;
    FOwner->UpdateColor();
}

void TFloatEditNegativeAttrs::SetNegativeColor(TColor Value) {
    if (FNegativeColor == Value) return;
    FNegativeColor = Value;
    FOwner->UpdateColor();
}

void TFloatEditNegativeAttrs::Assign(const TFloatEditNegativeAttrs& Source) {
    FMarkNegative = Source.FMarkNegative;
    FNegativeColor = Source.FNegativeColor;
    FOwner->UpdateColor();
}

bool TryStrictStrToFloat(const QString& Text, double& Value) {
    static const QRegularExpression Number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!Number.match(Text).hasMatch()) return false;
    bool Ok = false;
    const double Parsed = QLocale::c().toDouble(Text, &Ok);
    if (Ok) Value = Parsed;
    return Ok;
}

// No maxLength: the line edit would cut a pasted number to another number; the edit refuses
// an overlong change whole instead and cuts only texts set from code.
TFloatEdit::TFloatEdit(QWidget* Parent) : QLineEdit(Parent), FNegativeAttrs(this) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Emitted before textChanged, for the operator's changes only (typing, paste, cut, insert).
    connect(this, &QLineEdit::textEdited, this, [this] { FEdited = true; });
    connect(this, &QLineEdit::textChanged, this, &TFloatEdit::TextChanged);
}

double TFloatEdit::Value() const {
    return RoundToDigits(FPrecision, FValue);
}

void TFloatEdit::SetValue(double New) {
    if (FValueConstraints.Contains(vcMinValue) && FMinValue > New) New = FMinValue;
    if (FValueConstraints.Contains(vcMaxValue) && FMaxValue < New) New = FMaxValue;
    const double Old = Value();
    {
        FSettingValue = true;
        const auto Reset = qScopeGuard([this] { FSettingValue = false; });
        const bool WasModified = isModified();
        FValue = New;
        if (!FParsing) {
            QString Text = RoundToStr(FPrecision, New);
            if (New > 0) Text = Text.rightJustified(FLeadingZeros, u'0');
            setText(Text.left(FloatEditMaxLength));
        }
        if (FRejecting) setText(FloatToStrDot(-1, New).left(FloatEditMaxLength));
        setModified(WasModified);
        FLastGoodText = text();
    }
    UpdateColor();
    if (Value() != Old && OnChange) OnChange(this);
}

void TFloatEdit::SetMinValue(double Value) {
    FMinValue = Value;
    if (FValueConstraints.Contains(vcMinValue) && Value > this->Value()) SetValue(Value);
}

void TFloatEdit::SetMaxValue(double Value) {
    FMaxValue = Value;
    if (FValueConstraints.Contains(vcMaxValue) && Value < this->Value()) SetValue(Value);
}

void TFloatEdit::SetValueConstraints(TValueConstraints Value) {
    if (FValueConstraints == Value) return;
    FValueConstraints = Value;
    SetValue(this->Value());
}

void TFloatEdit::SetLeadingZeros(int Digits) {
    FLeadingZeros = Digits;
    SetValue(Value());
}

void TFloatEdit::SetPrecision(int Value) {
    FPrecision = qMax(0, Value);
    SetValue(this->Value());
}

void TFloatEdit::SetAlignment(Qt::Alignment Value) {
    if (alignment() == Value) return;
    setAlignment(Value);
    SetValue(this->Value());
}

void TFloatEdit::UpdateColor() {
    QPalette Palette = palette();
    const QColor Color = FNegativeAttrs.MarkNegative() && Value() < 0
                             ? ToQColor(FNegativeAttrs.NegativeColor(), Palette)
                             : QApplication::palette(this).color(QPalette::Text);
    if (Palette.color(QPalette::Text) == Color) return;
    Palette.setColor(QPalette::Text, Color);
    setPalette(Palette);
}

void TFloatEdit::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
        Event->accept();
        return;
    }
    const QChar Key = TypedChar(Event);
    if (!Key.isNull()) {
        if (text().size() >= FloatEditMaxLength || Key == u' ') {
            Event->accept();
            return;
        }
        if (Key == u',') {
            QKeyEvent Period(Event->type(), Qt::Key_Period, Event->modifiers(), QStringLiteral("."),
                             Event->isAutoRepeat(), Event->count());
            QLineEdit::keyPressEvent(&Period);
            Event->setAccepted(Period.isAccepted());
            return;
        }
    }
    QLineEdit::keyPressEvent(Event);
}

void TFloatEdit::focusInEvent(QFocusEvent* Event) {
    QLineEdit::focusInEvent(Event);
    if (FAutoSelect && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TFloatEdit::focusOutEvent(QFocusEvent* Event) {
    QLineEdit::focusOutEvent(Event);
    // A context menu takes the focus only for a moment; the text is reprinted on leaving.
    if (Event->reason() != Qt::PopupFocusReason) SetValue(Value());
}

void TFloatEdit::TextChanged(const QString& Text) {
    const bool Edited = std::exchange(FEdited, false);
    if (FSettingValue || FRestoring) return;
    if (Edited && !IsAcceptableEdit(Text)) {
        // The text as it was, the caret where the change began.
        const int Caret = std::max(0, cursorPosition() - int(Text.size() - FLastGoodText.size()));
        FRestoring = true;
        setText(FLastGoodText);
        FRestoring = false;
        setCursorPosition(std::min(Caret, int(FLastGoodText.size())));
        ErrorBeep();
        return;
    }
    if (Text.size() > FloatEditMaxLength) {
        setText(Text.left(FloatEditMaxLength));
        return;
    }
    FLastGoodText = Text;
    if (Text.isEmpty()) {
        // An emptied edit holds 0; whoever follows the value hears of it.
        const double Old = Value();
        FValue = 0;
        UpdateColor();
        if (Value() != Old && OnChange) OnChange(this);
        return;
    }
    QString Number = Text;
    Number.remove(u'\r').remove(u'\n').replace(u',', u'.');
    FParsing = true;
    const auto Reset = qScopeGuard([this] {
        FParsing = false;
        FRejecting = false;
    });
    const int Caret = cursorPosition();
    Number = Number.trimmed();
    if (Number == u"-" || Number == u"+") Number += u'0';
    double Parsed = 0;
    if (TryStrictStrToFloat(Number, Parsed)) {
        SetValue(Parsed);
    } else {
        FRejecting = true;
        SetValue(Value());
    }
    setCursorPosition(Caret);
}

bool TFloatEdit::IsAcceptableEdit(const QString& Text) const {
    if (Text.size() > FloatEditMaxLength) return false;
    QString Number = Text;
    Number.remove(u'\r').remove(u'\n').replace(u',', u'.');
    Number = Number.trimmed();
    if (Number.isEmpty() || Number == u"-" || Number == u"+") return true;
    // "1e20" is a number of 21 digits, too long for the edit like any other.
    if (Number.contains(u'e', Qt::CaseInsensitive)) return false;
    double Parsed = 0;
    return TryStrictStrToFloat(Number, Parsed);
}

QString FloatEditToFixedStr(const TFloatEdit* Edit) {
    return FloatToFixedStr(Edit->Precision(), Edit->Value());
}
