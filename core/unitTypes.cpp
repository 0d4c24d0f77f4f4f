#include "core/unitTypes.h"

#include <QList>
#include <cmath>
#include <cstdio>

namespace {

QString ConvertError(const QString& fmt) {
    return QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt);
}

// printf in the C locale: snprintf's decimal point follows LC_NUMERIC, which the program never
// changes from "C"; a desktop locale set through setlocale would still be replaced here.
QString CFormatDouble(char conv, int prec, double v) {
    char spec[16];
    std::snprintf(spec, sizeof spec, "%%.%d%c", prec, conv);
    char buf[512];
    std::snprintf(buf, sizeof buf, spec, v);
    QString s = QString::fromLatin1(buf);
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    return s;
}

QString GroupThousands(const QString& fixed) {
    int start = fixed.startsWith(QLatin1Char('-')) ? 1 : 0;
    int dot = fixed.indexOf(QLatin1Char('.'));
    int intEnd = dot < 0 ? fixed.size() : dot;
    QString out = fixed.left(start);
    const int digits = intEnd - start;
    for (int i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0) out += QLatin1Char(' ');
        out += fixed[start + i];
    }
    return out + fixed.mid(intEnd);
}

} // namespace

QString Format(const QString& Fmt, std::initializer_list<TVarRec> Args) {
    return Format(Fmt, QList<TVarRec>(Args));
}

QString Format(const QString& Fmt, const QList<TVarRec>& Args) {
    QString out;
    out.reserve(Fmt.size() + 16 * Args.size());
    qsizetype argIndex = 0;
    const qsizetype n = Fmt.size();
    auto nextArg = [&]() -> const TVarRec& {
        if (argIndex >= Args.size()) throw EConvertError(ConvertError(Fmt));
        return Args[argIndex++];
    };
    auto readNumber = [&](qsizetype& i) -> int {
        if (i < n && Fmt[i] == QLatin1Char('*')) {
            ++i;
            const TVarRec& a = nextArg();
            if (a.kind() != TVarRec::vtInteger) throw EConvertError(ConvertError(Fmt));
            return int(a.toInt());
        }
        int v = -1;
        while (i < n && Fmt[i].isDigit()) {
            v = (v < 0 ? 0 : v * 10) + Fmt[i].digitValue();
            ++i;
        }
        return v;
    };

    for (qsizetype i = 0; i < n; ++i) {
        if (Fmt[i] != QLatin1Char('%')) {
            // The text up to the next conversion goes in at once.
            qsizetype end = Fmt.indexOf(QLatin1Char('%'), i);
            if (end < 0) end = n;
            out += QStringView(Fmt).mid(i, end - i);
            i = end - 1;
            continue;
        }
        ++i;
        if (i >= n) throw EConvertError(ConvertError(Fmt));
        if (Fmt[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        bool left = false;
        if (Fmt[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int width = readNumber(i);
        int prec = -1;
        if (i < n && Fmt[i] == QLatin1Char('.')) {
            ++i;
            prec = readNumber(i);
            if (prec < 0) prec = 0;
        }
        if (i >= n) throw EConvertError(ConvertError(Fmt));
        const char conv = Fmt[i].toLower().toLatin1();
        const TVarRec& a = nextArg();
        QString piece;
        switch (conv) {
        case 'd':
        case 'u': {
            if (a.kind() != TVarRec::vtInteger) throw EConvertError(ConvertError(Fmt));
            qint64 v = a.toInt();
            piece = QString::number(v < 0 ? -v : v);
            if (prec > piece.size()) piece = QString(prec - piece.size(), QLatin1Char('0')) + piece;
            if (v < 0) piece.prepend(QLatin1Char('-'));
            break;
        }
        case 'x': {
            if (a.kind() != TVarRec::vtInteger) throw EConvertError(ConvertError(Fmt));
            piece = QString::number(quint64(a.toInt()), 16).toUpper();
            if (prec > piece.size()) piece = QString(prec - piece.size(), QLatin1Char('0')) + piece;
            break;
        }
        case 'f':
        case 'n':
        case 'm':
        case 'e':
        case 'g': {
            double v;
            if (a.kind() == TVarRec::vtExtended)
                v = a.toFloat();
            else
                throw EConvertError(ConvertError(Fmt));
            if (conv == 'g') {
                piece = CFormatDouble('g', prec < 0 ? 15 : prec, v);
            } else if (conv == 'e') {
                piece = CFormatDouble('e', prec < 0 ? 15 : prec, v);
            } else {
                piece = CFormatDouble('f', prec < 0 ? (conv == 'f' ? 6 : 2) : prec, v);
                if (conv != 'f') piece = GroupThousands(piece);
            }
            break;
        }
        case 's': {
            if (a.kind() != TVarRec::vtString) throw EConvertError(ConvertError(Fmt));
            piece = prec >= 0 ? a.toText().left(prec) : a.toText();
            break;
        }
        default:
            throw EConvertError(ConvertError(Fmt));
        }
        if (width > piece.size()) {
            const QString pad(width - piece.size(), QLatin1Char(' '));
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
    }
    return out;
}
