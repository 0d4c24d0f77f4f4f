#pragma once
// Basic types shared by every unit: exceptions, sets, colours and Format.

#include <QByteArray>
#include <QList>
#include <QString>
#include <bitset>
#include <exception>
#include <initializer_list>

// The one exception base; low-level classes keep English texts.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

#define LENDORA_EXCEPTION(Name)                                                                              \
    class Name : public Exception {                                                                          \
    public:                                                                                                  \
        using Exception::Exception;                                                                          \
    };

LENDORA_EXCEPTION(EConvertError)
LENDORA_EXCEPTION(EStringListError)
LENDORA_EXCEPTION(EDifferentDelimiters)
LENDORA_EXCEPTION(ESorterError)
LENDORA_EXCEPTION(EApiError)
LENDORA_EXCEPTION(ECabinetError)
LENDORA_EXCEPTION(EDupColRowIndex)
LENDORA_EXCEPTION(EWriteInAttachedAttr)
LENDORA_EXCEPTION(EPagePrinter)
LENDORA_EXCEPTION(ECancelPrinting)

#undef LENDORA_EXCEPTION

// A failed statement: the database's message plus the statement as the caller wrote it.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(QString message, QString sql = QString())
        : Exception(std::move(message)), FSql(std::move(sql)) {}
    const QString& Sql() const { return FSql; }

private:
    QString FSql;
};

// The class library's date-time: days since 30 December 1899, the time of day as the fraction.
using TDateTime = double;

// A set of enumeration values, as the class library's set types.
template <class E, int N> class TSet {
public:
    TSet() = default;
    TSet(std::initializer_list<E> items) {
        for (E e : items)
            Include(e);
    }
    void Include(E e) { FBits.set(static_cast<size_t>(e)); }
    void Exclude(E e) { FBits.reset(static_cast<size_t>(e)); }
    bool Contains(E e) const { return FBits.test(static_cast<size_t>(e)); }
    bool Empty() const { return FBits.none(); }
    TSet operator+(const TSet& o) const { return FromBits(FBits | o.FBits); }
    TSet operator*(const TSet& o) const { return FromBits(FBits & o.FBits); }
    TSet operator-(const TSet& o) const { return FromBits(FBits & ~o.FBits); }
    bool operator==(const TSet& o) const = default;
    unsigned long long ToInt() const { return FBits.to_ullong(); }

private:
    static TSet FromBits(std::bitset<N> b) {
        TSet s;
        s.FBits = b;
        return s;
    }
    std::bitset<N> FBits;
};

// Colours stay numbers in BGR order (0x00BBGGRR); system colours carry the high byte 0xFF.
using TColor = qint32;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clScrollBar = qint32(0xFF000000);
constexpr TColor clBtnFace = qint32(0xFF00000F);
constexpr TColor clWindow = qint32(0xFF000005);
constexpr TColor clWindowText = qint32(0xFF000008);
constexpr TColor clHighlight = qint32(0xFF00000D);
constexpr TColor clHighlightText = qint32(0xFF00000E);
constexpr TColor clBtnShadow = qint32(0xFF000010);
constexpr TColor clGrayText = qint32(0xFF000011);
constexpr TColor clBtnText = qint32(0xFF000012);
constexpr TColor clBtnHighlight = qint32(0xFF000014);
constexpr TColor clInfoBk = qint32(0xFF000018);
constexpr TColor clInfoText = qint32(0xFF000017);

// One argument of Format: an integer, a floating-point number or a text.
class TVarRec {
public:
    enum Kind { vtInteger, vtExtended, vtString };
    TVarRec(int v) : FKind(vtInteger), FInt(v) {}
    TVarRec(unsigned v) : FKind(vtInteger), FInt(v) {}
    TVarRec(long v) : FKind(vtInteger), FInt(v) {}
    TVarRec(long long v) : FKind(vtInteger), FInt(v) {}
    TVarRec(double v) : FKind(vtExtended), FFloat(v) {}
    TVarRec(long double v) : FKind(vtExtended), FFloat(double(v)) {}
    TVarRec(const QString& v) : FKind(vtString), FText(v) {}
    TVarRec(const char* v) : FKind(vtString), FText(QString::fromUtf8(v)) {}
    TVarRec(QChar v) : FKind(vtString), FText(v) {}
    Kind kind() const { return FKind; }
    qint64 toInt() const { return FInt; }
    double toFloat() const { return FFloat; }
    const QString& toText() const { return FText; }

private:
    Kind FKind;
    qint64 FInt = 0;
    double FFloat = 0;
    QString FText;
};

// The class library's Format in the C locale: %s %d %u %x %f %e %g %n %m %% with
// [-][width][.precision], either of which may be "*". "%f" gives six decimals by default;
// "%n" is "%f" with thousands grouped by a blank. A placeholder that does not fit its
// argument, or a missing argument, throws EConvertError.
QString Format(const QString& Fmt, std::initializer_list<TVarRec> Args);
QString Format(const QString& Fmt, const QList<TVarRec>& Args);
