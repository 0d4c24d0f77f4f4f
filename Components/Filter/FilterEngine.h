#pragma once
// The filter engine: a criterion typed for one column becomes a set of alternatives, each a
// test object, and a value passes when any alternative lets it through. Criterion syntax, one
// alternative between ";": "a:b" between, "a:" at least, ":b" at most, "~x" begins with,
// "x~" ends with, "x" equal (or matching the mask x), "'x" not equal. TFieldProps describes
// the filterable fields of a window for the filter dialog.

#include "core/unStringList.h"
#include "core/unitTypes.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Kinds of an alternative.
enum TFilterKind {
    fkNone = 0,
    fkBetween = 1,
    fkFrom = 2,
    fkTo = 3,
    fkBegins = 4,
    fkEnds = 5,
    fkEqual = 6,
    fkNotEqual = 7
};

// One alternative cut into its kind and bound texts, before any conversion.
struct TCriterionParts {
    int Kind = fkNone;
    QString From, To, Pattern, Value;
};
// Reads one trimmed, upper-cased alternative.
TCriterionParts ParseCriterion(const QString& Alternative);

// One alternative of a criterion; the base sets no criterion and lets every value pass.
class TSimpleFilter : public TObject {
public:
    TSimpleFilter(const QString& Text, bool Wildcard);

    int Kind() const { return FKind; }
    bool Wildcard() const { return FWildcard; }
    const QString& Name() const { return FName; }
    void SetName(const QString& Value) { FName = Value; }

    // The criterion text rebuilt from the kind and bounds; "" for kind 0.
    virtual QString GetText() const { return QString(); }
    virtual void Parse(const QString& Text);
    // Name, " : " and the criterion text in double quotes; "" without a name.
    QString GetDescription() const;
    virtual void Clear();
    // Value arrives upper-cased.
    virtual bool Matches(const QString& Value) const;

protected:
    // For descendants, which clear and parse in their own constructors.
    explicit TSimpleFilter(bool Wildcard);
    // The criterion text of the current kind from already written bounds.
    QString ComposeText(const QString& From, const QString& To, const QString& Pattern,
                        const QString& Value) const;
    int FKind = fkNone;

private:
    bool FWildcard;
    QString FName;
};

// Texts compared by character codes; plain values are masks when the wildcard flag is set.
class TStringFilter : public TSimpleFilter {
public:
    TStringFilter(const QString& Text, bool Wildcard);
    QString GetText() const override;
    void Parse(const QString& Text) override;
    void Clear() override;
    bool Matches(const QString& Value) const override;

protected:
    explicit TStringFilter(bool Wildcard) : TSimpleFilter(Wildcard) {}
    // Kinds 6 and 7, shared by the number filters.
    bool MatchesValue(const QString& Value) const;
    QString FFrom, FTo, FPattern, FValue;
};

// Bounds and values read with "." as the decimal point; prefix, suffix and plain values are texts.
class TFloatFilter : public TStringFilter {
public:
    TFloatFilter(const QString& Text, bool Wildcard);
    QString GetText() const override;
    void Parse(const QString& Text) override;
    void Clear() override;
    bool Matches(const QString& Value) const override;

private:
    double FFromNumber = 0, FToNumber = 0;
};

// As TFloatFilter with whole numbers; a text that is no whole number counts as 0.
class TIntegerFilter : public TStringFilter {
public:
    TIntegerFilter(const QString& Text, bool Wildcard);
    QString GetText() const override;
    void Parse(const QString& Text) override;
    void Clear() override;
    bool Matches(const QString& Value) const override;

private:
    qint64 FFromNumber = 0, FToNumber = 0;
};

// Criteria typed "d", "d.m" or "d.m.y" against values written "yyyymmdd". The missing parts of
// a typed date come from the moment the filter is made (the clock of unNumbers).
class TDateFilter : public TSimpleFilter {
public:
    TDateFilter(const QString& Text, bool Wildcard);
    QString GetText() const override;
    void Parse(const QString& Text) override;
    void Clear() override;
    bool Matches(const QString& Value) const override;
    TDateTime Reference() const { return FReference; }

private:
    TDateTime ReadDate(const QString& Text) const;
    TDateTime FReference;
    TDateTime FFrom, FTo, FPatternDate, FValueDate;
};

enum TFilterManKind { fmkText = 1, fmkNumber = 2, fmkInteger = 3, fmkDate = 4 };

// The filter of one column: its criterion's alternatives. Making it raises EConvertError for a
// number bound that is no number or a date that is no date.
class TFilterMan : public TObject {
public:
    TFilterMan(const QString& Text, int Kind);
    ~TFilterMan() override;

    // True when there are no alternatives or any of them passes Value.
    bool Matches(const QString& Value) const;
    // The alternatives' descriptions joined by "; ".
    QString GetDescription() const;
    int Count() const { return FParts.Count(); }
    TSimpleFilter* Part(int Index) const;

private:
    TLineConv FParts;
};

// The tree of a window's filterable fields; the root is named after the window.
class TFieldProps : public TObject {
public:
    enum { ftText = 0, ftNumber = 1, ftDate = 2, ftInteger = 3 };

    TFieldProps();
    // Removes the node from its parent and frees its children.
    ~TFieldProps() override;
    TFieldProps(const TFieldProps&) = delete;
    TFieldProps& operator=(const TFieldProps&) = delete;

    // A new last child of this node.
    TFieldProps* Add();
    int Count() const { return int(FChildren.size()); }
    TFieldProps* Children(int Index) const;
    TFieldProps* Parent() const { return FParent; }
    // Frees the children.
    void Clear();

    QString Name;
    int ColIndex = -1;
    quint8 FieldType = ftText;
    quint8 Precision;
    QStringList PickList;
    bool UsePickList = false;
    QString Criterion;

private:
    TFieldProps* FParent = nullptr;
    std::vector<TFieldProps*> FChildren;
};

// The TFilterMan kind of a field type: text 1, number 2, date 4, integer 3; 0 for others.
int FilterKindOfFieldType(int FieldType);
// The names from the root down to Node joined by Separator.
QString FieldPropsFullName(const TFieldProps* Node, const QString& Separator);
// Appends every leaf under Node, depth first, as (full name joined by " - ", leaf).
void CollectFieldLeaves(const TFieldProps* Node, TStringList& List);
