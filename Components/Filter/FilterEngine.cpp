#include "Components/Filter/FilterEngine.h"

#include "core/unNumbers.h"
#include "core/unStringFuncs.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double ReadNumber(const QString& Text) {
    const double Value = StrToFloatDot(Text.trimmed(), std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(Value)) throw EConvertError(Format("'%s' is not a valid floating point value", {Text}));
    return Value;
}

// Compares by character codes: -1, 0 or 1.
int Ordinal(const QString& A, const QString& B) {
    const int C = A.compare(B);
    return C < 0 ? -1 : C > 0 ? 1 : 0;
}

template <class T> bool InRange(int Kind, T V, T From, T To) {
    switch (Kind) {
    case fkBetween:
        return From <= V && V <= To;
    case fkFrom:
        return V >= From;
    default:
        return V <= To;
    }
}

std::unique_ptr<TSimpleFilter> MakePart(int Kind, const QString& Text) {
    switch (Kind) {
    case fmkText:
        return std::make_unique<TStringFilter>(Text, true);
    case fmkNumber:
        return std::make_unique<TFloatFilter>(Text, true);
    case fmkInteger:
        return std::make_unique<TIntegerFilter>(Text, true);
    case fmkDate:
        return std::make_unique<TDateFilter>(Text, true);
    default:
        return std::make_unique<TSimpleFilter>(Text, true);
    }
}

} // namespace

TCriterionParts ParseCriterion(const QString& Alternative) {
    TCriterionParts P;
    const qsizetype L = Alternative.size();
    if (L == 0) return P;
    if (Alternative.front() == QLatin1Char('~')) {
        if (L > 1) {
            P.Kind = fkBegins;
            P.Pattern = Alternative.mid(1);
        }
        return P;
    }
    if (Alternative.back() == QLatin1Char('~')) {
        P.Kind = fkEnds;
        P.Pattern = Alternative.left(L - 1);
        return P;
    }
    if (Alternative.front() == QLatin1Char('\'')) {
        if (L > 1) {
            P.Kind = fkNotEqual;
            P.Value = Alternative.mid(1);
        }
        return P;
    }
    const qsizetype Colon = Alternative.indexOf(QLatin1Char(':'));
    if (Colon < 0) {
        P.Kind = fkEqual;
        P.Value = Alternative;
    } else if (L == 1) {
        // ":" alone sets no criterion.
    } else if (Colon == 0) {
        P.Kind = fkTo;
        P.To = Alternative.mid(1);
    } else if (Colon == L - 1) {
        P.Kind = fkFrom;
        P.From = Alternative.left(L - 1);
    } else {
        P.Kind = fkBetween;
        P.From = Alternative.left(Colon);
        P.To = Alternative.mid(Colon + 1);
    }
    return P;
}

// TSimpleFilter

TSimpleFilter::TSimpleFilter(bool Wildcard) : FWildcard(Wildcard), FName(QStringLiteral("None")) {}

TSimpleFilter::TSimpleFilter(const QString& Text, bool Wildcard) : TSimpleFilter(Wildcard) {
    TSimpleFilter::Clear();
    TSimpleFilter::Parse(Text);
}

void TSimpleFilter::Parse(const QString&) {
    Clear();
}

void TSimpleFilter::Clear() {
    FKind = fkNone;
}

bool TSimpleFilter::Matches(const QString&) const {
    return true;
}

QString TSimpleFilter::GetDescription() const {
    if (FName.isEmpty()) return QString();
    return FName + QStringLiteral(" : \"") + GetText() + QLatin1Char('"');
}

QString TSimpleFilter::ComposeText(const QString& From, const QString& To, const QString& Pattern,
                                   const QString& Value) const {
    switch (FKind) {
    case fkBetween:
        return From + QLatin1Char(':') + To;
    case fkFrom:
        return From + QLatin1Char(':');
    case fkTo:
        return QLatin1Char(':') + To;
    case fkBegins:
        return QLatin1Char('~') + Pattern;
    case fkEnds:
        return Pattern + QLatin1Char('~');
    case fkEqual:
        return Value;
    case fkNotEqual:
        return QLatin1Char('\'') + Value;
    default:
        return QString();
    }
}

// TStringFilter

TStringFilter::TStringFilter(const QString& Text, bool Wildcard) : TSimpleFilter(Wildcard) {
    TStringFilter::Clear();
    TStringFilter::Parse(Text);
}

QString TStringFilter::GetText() const {
    return ComposeText(FFrom, FTo, FPattern, FValue);
}

void TStringFilter::Parse(const QString& Text) {
    Clear();
    const TCriterionParts P = ParseCriterion(Text);
    FKind = P.Kind;
    FFrom = P.From;
    FTo = P.To;
    FPattern = P.Pattern;
    FValue = P.Value;
}

void TStringFilter::Clear() {
    TSimpleFilter::Clear();
    FFrom.clear();
    FTo.clear();
    FPattern.clear();
    FValue.clear();
}

bool TStringFilter::MatchesValue(const QString& Value) const {
    const bool Equal = Wildcard() ? MatchMask(Value, FValue) == 1 : Value == FValue;
    return FKind == fkEqual ? Equal : !Equal;
}

bool TStringFilter::Matches(const QString& Value) const {
    switch (FKind) {
    case fkNone:
        return true;
    case fkBetween:
        return Ordinal(FFrom, Value) <= 0 && Ordinal(Value, FTo) <= 0;
    case fkFrom:
        return Ordinal(Value, FFrom) >= 0;
    case fkTo:
        return Ordinal(Value, FTo) <= 0;
    case fkBegins:
        return Value.startsWith(FPattern);
    case fkEnds:
        return Value.endsWith(FPattern);
    default:
        return MatchesValue(Value);
    }
}

// TFloatFilter

TFloatFilter::TFloatFilter(const QString& Text, bool Wildcard) : TStringFilter(Wildcard) {
    TFloatFilter::Clear();
    TFloatFilter::Parse(Text);
}

QString TFloatFilter::GetText() const {
    return ComposeText(FormatAmount(FFromNumber), FormatAmount(FToNumber), FPattern, FValue);
}

void TFloatFilter::Parse(const QString& Text) {
    TStringFilter::Parse(Text);
    FFromNumber = FKind == fkBetween || FKind == fkFrom ? ReadNumber(FFrom) : 0;
    FToNumber = FKind == fkBetween || FKind == fkTo ? ReadNumber(FTo) : 0;
}

void TFloatFilter::Clear() {
    TStringFilter::Clear();
    FFromNumber = FToNumber = 0;
}

bool TFloatFilter::Matches(const QString& Value) const {
    switch (FKind) {
    case fkNone:
        return true;
    case fkBetween:
    case fkFrom:
    case fkTo:
        return InRange(FKind, Value.isEmpty() ? 0.0 : ReadNumber(Value), FFromNumber, FToNumber);
    case fkBegins:
        return ComparePrefix(FPattern, Value, false) == 0;
    case fkEnds:
        return CompareSuffix(FPattern, Value, false) == 0;
    default:
        return MatchesValue(Value);
    }
}

// TIntegerFilter

TIntegerFilter::TIntegerFilter(const QString& Text, bool Wildcard) : TStringFilter(Wildcard) {
    TIntegerFilter::Clear();
    TIntegerFilter::Parse(Text);
}

QString TIntegerFilter::GetText() const {
    return ComposeText(QString::number(FFromNumber), QString::number(FToNumber), FPattern, FValue);
}

void TIntegerFilter::Parse(const QString& Text) {
    TStringFilter::Parse(Text);
    FFromNumber = StrToIntOrZero(FFrom);
    FToNumber = StrToIntOrZero(FTo);
}

void TIntegerFilter::Clear() {
    TStringFilter::Clear();
    FFromNumber = FToNumber = 0;
}

bool TIntegerFilter::Matches(const QString& Value) const {
    switch (FKind) {
    case fkNone:
        return true;
    case fkBetween:
    case fkFrom:
    case fkTo:
        return InRange(FKind, StrToIntOrZero(Value), FFromNumber, FToNumber);
    case fkBegins:
        return ComparePrefix(FPattern, Value, false) == 0;
    case fkEnds:
        return CompareSuffix(FPattern, Value, false) == 0;
    default:
        return MatchesValue(Value);
    }
}

// TDateFilter

TDateFilter::TDateFilter(const QString& Text, bool Wildcard) : TSimpleFilter(Wildcard), FReference(Now()) {
    TDateFilter::Clear();
    TDateFilter::Parse(Text);
}

QString TDateFilter::GetText() const {
    return ComposeText(DateToStr(FFrom), DateToStr(FTo), DateToStr(FPatternDate), DateToStr(FValueDate));
}

void TDateFilter::Parse(const QString& Text) {
    Clear();
    const TCriterionParts P = ParseCriterion(Text);
    FKind = P.Kind;
    switch (FKind) {
    case fkBetween:
        FFrom = ReadDate(P.From);
        FTo = ReadDate(P.To);
        break;
    case fkFrom:
        FFrom = ReadDate(P.From);
        break;
    case fkTo:
        FTo = ReadDate(P.To);
        break;
    case fkBegins:
    case fkEnds:
        FPatternDate = ReadDate(P.Pattern);
        break;
    case fkEqual:
    case fkNotEqual:
        FValueDate = ReadDate(P.Value);
        break;
    default:
        break;
    }
}

void TDateFilter::Clear() {
    TSimpleFilter::Clear();
    FFrom = FTo = FPatternDate = FValueDate = FReference;
}

TDateTime TDateFilter::ReadDate(const QString& Text) const {
    // Four parts or more stand for the reference moment itself.
    if (Text.count(QLatin1Char('.')) > 2) return FReference;
    // Parts left out come from the reference day; a typed month takes the day down to its last.
    TDotDateRules Rules{mdFromDefault, FReference};
    Rules.LowerDayToMonthEnd = true;
    TDateTime Value = 0;
    if (!ReadDotDate(Text, Rules, Value)) throw EConvertError(Format("'%s' is not a valid date", {Text}));
    return Value;
}

bool TDateFilter::Matches(const QString& Value) const {
    TDateTime D;
    if (!TryDigitsToDate(Value, 2, D)) return false;
    switch (FKind) {
    case fkNone:
        return true;
    case fkBetween:
    case fkFrom:
    case fkTo:
        return InRange(FKind, D, FFrom, FTo);
    case fkBegins:
    case fkEnds:
        return D == FPatternDate;
    case fkEqual:
        return D == FValueDate;
    default:
        return D != FValueDate;
    }
}

// TFilterMan

TFilterMan::TFilterMan(const QString& Text, int Kind) {
    FParts.SetDelimiter(QStringLiteral(";"));
    FParts.SetLine(Text.toUpper());
    for (int I = FParts.Count() - 1; I >= 0; --I)
        FParts.PutObject(I, MakePart(Kind, FParts.Get(I)).release());
}

TFilterMan::~TFilterMan() = default;

TSimpleFilter* TFilterMan::Part(int Index) const {
    return static_cast<TSimpleFilter*>(FParts.GetObject(Index));
}

bool TFilterMan::Matches(const QString& Value) const {
    if (FParts.Count() == 0) return true;
    const QString Upper = Value.toUpper();
    for (int I = 0; I < FParts.Count(); ++I)
        if (Part(I)->Matches(Upper)) return true;
    return false;
}

QString TFilterMan::GetDescription() const {
    QStringList Descriptions;
    for (int I = 0; I < FParts.Count(); ++I)
        Descriptions << Part(I)->GetDescription();
    return Descriptions.join(QStringLiteral("; "));
}

// TFieldProps

TFieldProps::TFieldProps() : Precision(quint8(AmountDecimals)) {}

TFieldProps::~TFieldProps() {
    Clear();
    if (FParent) {
        auto& Siblings = FParent->FChildren;
        Siblings.erase(std::remove(Siblings.begin(), Siblings.end(), this), Siblings.end());
    }
}

TFieldProps* TFieldProps::Add() {
    auto* Child = new TFieldProps;
    Child->FParent = this;
    FChildren.push_back(Child);
    return Child;
}

TFieldProps* TFieldProps::Children(int Index) const {
    if (Index < 0 || Index >= Count()) throw EStringListError(QStringLiteral("List index out of bounds"));
    return FChildren[size_t(Index)];
}

void TFieldProps::Clear() {
    while (!FChildren.empty())
        delete FChildren.back();
}

int FilterKindOfFieldType(int FieldType) {
    static const int Kinds[] = {fmkText, fmkNumber, fmkDate, fmkInteger};
    return FieldType >= 0 && FieldType < 4 ? Kinds[FieldType] : 0;
}

QString FieldPropsFullName(const TFieldProps* Node, const QString& Separator) {
    QStringList Names;
    for (; Node; Node = Node->Parent())
        Names.prepend(Node->Name);
    return Names.join(Separator);
}

void CollectFieldLeaves(const TFieldProps* Node, TStringList& List) {
    for (int I = 0; I < Node->Count(); ++I) {
        TFieldProps* Child = Node->Children(I);
        if (Child->Count() > 0)
            CollectFieldLeaves(Child, List);
        else
            List.AddObject(FieldPropsFullName(Child, QStringLiteral(" - ")), Child);
    }
}
