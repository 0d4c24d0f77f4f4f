#include "Components/Grids/CellFormatters.h"

#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/RichGrid.h"
#include "core/unNumbers.h"

QMetaType VarTypeToMetaType(int TypeIndex) {
    switch (TypeIndex) {
    case vtiSmallint:
        return QMetaType::fromType<short>();
    case vtiInteger:
        return QMetaType::fromType<int>();
    case vtiSingle:
        return QMetaType::fromType<float>();
    case vtiDouble:
    case vtiCurrency:
    case vtiDate:
        return QMetaType::fromType<double>();
    case vtiOleStr:
    case vtiString:
        return QMetaType::fromType<QString>();
    case vtiBoolean:
        return QMetaType::fromType<bool>();
    case vtiByte:
        return QMetaType::fromType<uchar>();
    case vtiNull:
        return QMetaType::fromType<std::nullptr_t>();
    default:
        return QMetaType();
    }
}

namespace {
// Numbers as the class library's variants print them: 15 significant digits, "." as the point.
QString VariantToText(const QVariant& Value) {
    if (Value.metaType() == QMetaType::fromType<double>() || Value.metaType() == QMetaType::fromType<float>())
        return FloatToStrDot(-1, Value.toDouble());
    return Value.toString();
}
} // namespace

// ---- TCellFormatter

TCellFormatter::TCellFormatter(QObject* Owner) : QObject(Owner) {}

TCellFormatter::~TCellFormatter() {
    const QSet<TCellAttributes*> users = FAttributesList;
    FAttributesList.clear();
    for (TCellAttributes* a : users)
        a->FormatterDestroyed();
}

void TCellFormatter::FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                                TCellAttributes* Attributes) {
    FCellText = Text;
    FCellAttributes = Attributes;
    if (OnCellFormat) OnCellFormat(this, AGrid, ACol, ARow, Text, Attributes);
}

void TCellFormatter::Changed() {
    const QSet<TCellAttributes*> users = FAttributesList;
    for (TCellAttributes* a : users)
        if (a->OnChange) a->OnChange(a, a->Col(), a->Row());
    if (OnChange) OnChange(this);
}

// ---- TCustomValueFormatter

TCustomValueFormatter::TCustomValueFormatter(QObject* Owner) : TCellFormatter(Owner) {}

QVariant TCustomValueFormatter::GetDefaultValue() const {
    QVariant v = FDefaultValue;
    const QMetaType type = VarTypeToMetaType(FValueType);
    if (type.isValid() && v.isValid()) v.convert(type);
    return v;
}

void TCustomValueFormatter::SetDefaultValue(const QVariant& Value) {
    if (FDefaultValue == Value && FDefaultValue.metaType() == Value.metaType()) return;
    FDefaultValue = Value;
    Changed();
}

void TCustomValueFormatter::SetNoChangeOnNoValue(bool Value) {
    if (FNoChangeOnNoValue == Value) return;
    FNoChangeOnNoValue = Value;
    Changed();
}

void TCustomValueFormatter::GetValue() {
    if (OnGetValue) OnGetValue(this, FCellText, FValue, FHaveValue);
}

void TCustomValueFormatter::FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                                       TCellAttributes* Attributes) {
    TCellFormatter::FormatCell(AGrid, ACol, ARow, Text, Attributes);
    const QMetaType type = VarTypeToMetaType(FValueType);
    if (FUseGridValue && AGrid) {
        const QVariant v = AGrid->Values(ACol, ARow);
        if (v.isValid() && v.metaType() == type) {
            FValue = v;
            FHaveValue = true;
            Text = VariantToText(FValue);
            if (FSetGridValue) AGrid->SetValues(ACol, ARow, FValue);
            return;
        }
    }
    FValue = QVariant();
    FHaveValue = false;
    GetValue();
    if (FHaveValue) FHaveValue = FValue.metaType() == type;
    if (!FHaveValue) {
        if (!FNoChangeOnNoValue) {
            FValue = GetDefaultValue();
            FHaveValue = true;
        } else {
            FValue = QVariant();
            return;
        }
    }
    Text = VariantToText(FValue);
    if (FSetGridValue && AGrid) AGrid->SetValues(ACol, ARow, FValue);
}

// ---- TNumberFormatter

TNumberFormatter::TNumberFormatter(QObject* Owner)
    : TCustomValueFormatter(Owner), FNegativeAttr(std::make_unique<TCellAttributes>()) {
    FValueType = vtiDouble;
    FDefaultValue = 0.0;
    SetNoChangeOnNoValue(false);
    // The pale red is offered, not applied: the set still inherits the background.
    FNegativeAttr->SetBackColor(0xCFCDF5);
    FNegativeAttr->SetDefaultAttributes(AllDefaultAttributes());
}

TNumberFormatter::~TNumberFormatter() = default;

void TNumberFormatter::SetMarkNegative(bool Value) {
    if (FMarkNegative == Value) return;
    FMarkNegative = Value;
    Changed();
}

void TNumberFormatter::SetNegativeAttr(const TCellAttributes* Value) {
    FNegativeAttr->CopyAttributes(Value);
}

void TNumberFormatter::GetValue() {
    const QString digits = FilterNumberChars(FCellText);
    FValue = QVariant();
    FHaveValue = false;
    if (!digits.isEmpty()) {
        bool ok = false;
        const double v = digits.toDouble(&ok);
        if (ok) {
            FValue = v;
            FHaveValue = true;
        }
    }
    TCustomValueFormatter::GetValue();
}

void TNumberFormatter::FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                                  TCellAttributes* Attributes) {
    TCustomValueFormatter::FormatCell(AGrid, ACol, ARow, Text, Attributes);
    if (FHaveValue || ZeroOnNoValue()) Attributes->SetAlignment({caRight, caCenter});
    if (FMarkNegative && FHaveValue && FValue.toDouble() < 0) FNegativeAttr->ApplyTo(Attributes);
}

// ---- TFloatFormatter

TFloatFormatter::TFloatFormatter(QObject* Owner, int Precision)
    : TNumberFormatter(Owner), FPrecision(Precision) {}

void TFloatFormatter::SetPrecision(int Value) {
    if (FPrecision == Value) return;
    FPrecision = Value;
    Changed();
}

void TFloatFormatter::FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                                 TCellAttributes* Attributes) {
    TNumberFormatter::FormatCell(AGrid, ACol, ARow, Text, Attributes);
    if (!FHaveValue && !ZeroOnNoValue()) return;
    Text = FloatToFixedStr(FPrecision, FValue.toDouble());
}
