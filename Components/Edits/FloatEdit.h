#pragma once
// The numeric edit of every amount, rate, number of days and weight. Value follows the text as
// it is typed (a text that is no number is put back to the last value), and setting Value
// writes the text with Precision decimals. Limits, when switched on, hold Value between
// MinValue and MaxValue; negative values can be shown in another colour.

#include "Components/Edits/ButtonEdit.h"
#include "core/unitTypes.h"

#include <QLineEdit>

class TFloatEdit;

enum TValueConstraint { vcMinValue, vcMaxValue };
using TValueConstraints = TSet<TValueConstraint, 2>;

// The edit's longest text.
constexpr int FloatEditMaxLength = 14;

class TFloatEditNegativeAttrs {
public:
    explicit TFloatEditNegativeAttrs(TFloatEdit* Owner) : FOwner(Owner) {}
    bool MarkNegative() const { return FMarkNegative; }
    void SetMarkNegative(bool Value);
    TColor NegativeColor() const { return FNegativeColor; }
    void SetNegativeColor(TColor Value);
    void Assign(const TFloatEditNegativeAttrs& Source);

private:
    TFloatEdit* FOwner;
    bool FMarkNegative = true;
    TColor FNegativeColor = clRed;
};

// Text is a number as a whole: an optional sign, digits with at most one ".", an optional
// exponent. Blanks, "," and a lone "." are not.
bool TryStrictStrToFloat(const QString& Text, double& Value);

class TFloatEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget* Parent = nullptr);

    // The stored value rounded to Precision decimals.
    double Value() const;
    void SetValue(double New);
    double MinValue() const { return FMinValue; }
    void SetMinValue(double Value);
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double Value);
    TValueConstraints ValueConstraints() const { return FValueConstraints; }
    void SetValueConstraints(TValueConstraints Value);
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);
    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment Value);
    TFloatEditNegativeAttrs* NegativeAttrs() { return &FNegativeAttrs; }
    void SetNegativeAttrs(const TFloatEditNegativeAttrs& Value) { FNegativeAttrs.Assign(Value); }
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    // A value above 0 with fewer digits is shown with leading zeros (a personal number); 0 pads
    // nothing.
    void SetLeadingZeros(int Digits);

    // After each change of Value.
    TControlEvent OnChange;

    // Paints the text in the negative colour when the value is below 0.
    void UpdateColor();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    void TextChanged(const QString& Text);
    // Whether the operator's change may stand: a number (or the start of one) of at most
    // FloatEditMaxLength characters, without an exponent. A refused change beeps.
    bool IsAcceptableEdit(const QString& Text) const;

    TValueConstraints FValueConstraints;
    TFloatEditNegativeAttrs FNegativeAttrs;
    double FValue = 0;
    double FMinValue = 0;
    double FMaxValue = 0;
    int FPrecision = 2;
    bool FAutoSelect = true;
    int FLeadingZeros = 0;
    bool FSettingValue = false;
    bool FParsing = false;
    bool FRejecting = false;
    bool FEdited = false;
    bool FRestoring = false;
    QString FLastGoodText;
};

// The edit's value with exactly the edit's decimals.
QString FloatEditToFixedStr(const TFloatEdit* Edit);
