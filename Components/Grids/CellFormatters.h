#pragma once
// Cell formatters: non-visual components that attribute sets point to. When a grid composes a
// cell it hands the stored text and the composed attributes to the formatter in effect, which
// may rewrite the text (a number with fixed decimals) and the attributes (red negatives).

#include <QObject>
#include <QSet>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class TRichGrid;
class TCellAttributes;
class TCellFormatter;
class TCustomValueFormatter;

using TCellFormatEvent = std::function<void(TCellFormatter* Sender, TRichGrid* AGrid, int ACol, int ARow,
                                            QString& ACellText, TCellAttributes* ACellAttributes)>;
using TGetValueEvent = std::function<void(TCustomValueFormatter* Sender, const QString& ACellText,
                                          QVariant& Value, bool& HaveValue)>;
using TFormatterChangeEvent = std::function<void(TCellFormatter* Sender)>;

// Variant type indices a value formatter holds its value as.
enum TVarTypeIndex {
    vtiEmpty = 0,
    vtiNull = 1,
    vtiSmallint = 2,
    vtiInteger = 3,
    vtiSingle = 4,
    vtiDouble = 5,
    vtiCurrency = 6,
    vtiDate = 7,
    vtiOleStr = 8,
    vtiBoolean = 11,
    vtiByte = 14,
    vtiString = 15
};
// The QVariant type that stands for a type index (invalid for the types Qt has no match for).
QMetaType VarTypeToMetaType(int TypeIndex);

class TCellFormatter : public QObject {
    Q_OBJECT
public:
    explicit TCellFormatter(QObject* Owner = nullptr);
    ~TCellFormatter() override;

    // Remembers the cell, then lets OnCellFormat rewrite the text and the attributes.
    virtual void FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text, TCellAttributes* Attributes);
    // Every attribute set using this formatter signals its change (so grids repaint), then OnChange.
    void Changed();

    const QString& CellText() const { return FCellText; }
    TCellAttributes* CellAttributes() const { return FCellAttributes; }
    int AttributesCount() const { return int(FAttributesList.size()); }

    TCellFormatEvent OnCellFormat;
    TFormatterChangeEvent OnChange;

protected:
    QString FCellText;

private:
    friend class TCellAttributes;
    void RegisterAttributes(TCellAttributes* Attributes) { FAttributesList.insert(Attributes); }
    void UnregisterAttributes(TCellAttributes* Attributes) { FAttributesList.remove(Attributes); }
    TCellAttributes* FCellAttributes = nullptr;
    QSet<TCellAttributes*> FAttributesList;
};

// Turns the text into a typed value (from the text, from OnGetValue or from the grid's cell
// value) and prints the value back.
class TCustomValueFormatter : public TCellFormatter {
    Q_OBJECT
public:
    explicit TCustomValueFormatter(QObject* Owner = nullptr);

    void FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                    TCellAttributes* Attributes) override;
    // The stored default converted to the value type.
    virtual QVariant GetDefaultValue() const;
    virtual void SetDefaultValue(const QVariant& Value);
    // Fills Value and HaveValue for CellText; here only through OnGetValue.
    virtual void GetValue();

    int ValueType() const { return FValueType; }
    const QVariant& Value() const { return FValue; }
    bool HaveValue() const { return FHaveValue; }
    bool UseGridValue() const { return FUseGridValue; }
    void SetUseGridValue(bool Value) { FUseGridValue = Value; }
    bool SetGridValue() const { return FSetGridValue; }
    void SetSetGridValue(bool Value) { FSetGridValue = Value; }
    bool NoChangeOnNoValue() const { return FNoChangeOnNoValue; }
    void SetNoChangeOnNoValue(bool Value);

    TGetValueEvent OnGetValue;

protected:
    QVariant FValue;
    bool FHaveValue = false;
    int FValueType = vtiString;
    QVariant FDefaultValue;

private:
    bool FUseGridValue = false;
    bool FSetGridValue = false;
    bool FNoChangeOnNoValue = true;
};

// Reads numbers ("1 234.5" is 1234.5), right-aligns them and can mark negative ones.
class TNumberFormatter : public TCustomValueFormatter {
    Q_OBJECT
public:
    explicit TNumberFormatter(QObject* Owner = nullptr);
    ~TNumberFormatter() override;

    void FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                    TCellAttributes* Attributes) override;
    void GetValue() override;

    bool MarkNegative() const { return FMarkNegative; }
    void SetMarkNegative(bool Value);
    // Applied to a negative number's cell; only what it does not inherit takes effect.
    TCellAttributes* NegativeAttr() const { return FNegativeAttr.get(); }
    void SetNegativeAttr(const TCellAttributes* Value);
    bool ZeroOnNoValue() const { return !NoChangeOnNoValue(); }
    void SetZeroOnNoValue(bool Value) { SetNoChangeOnNoValue(!Value); }

private:
    bool FMarkNegative = false;
    std::unique_ptr<TCellAttributes> FNegativeAttr;
};

// Prints the number with exactly Precision decimals and "." as the decimal point.
class TFloatFormatter : public TNumberFormatter {
    Q_OBJECT
public:
    explicit TFloatFormatter(QObject* Owner = nullptr, int Precision = 2);

    void FormatCell(TRichGrid* AGrid, int ACol, int ARow, QString& Text,
                    TCellAttributes* Attributes) override;

    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);

private:
    int FPrecision;
};
