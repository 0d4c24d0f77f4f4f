#include "core/unAmountWords.h"

#include "core/unNumbers.h"
#include "core/unStringFuncs.h"
#include "core/unitTypes.h"

#include <cmath>

namespace {

const char* const UnitsMasculine[] = {"нула", "един",  "два",  "три",   "четири", "пет",
                                      "шест", "седем", "осем", "девет", "десет"};
const char* const UnitsFeminine[] = {"нула", "една",  "две",  "три",   "четири", "пет",
                                     "шест", "седем", "осем", "девет", "десет"};
const char* const Hundreds[] = {"",          "сто",        "двеста",      "триста",     "четиристотин",
                                "петстотин", "шестстотин", "седемстотин", "осемстотин", "деветстотин"};
// Singular and plural scale word of each group; the thousands' singular starts with a Latin "x",
// as the printed documents have always shown it.
const char* const ScaleWords[][2] = {{"", ""},
                                     {"", ""},
                                     {"xиляда", "хиляди"},
                                     {"милион", "милиона"},
                                     {"милиард", "милиарда"},
                                     {"билион", "билиона"},
                                     {"билиард", "билиарда"}};
constexpr int MaxScaleIndex = 6;

QString U8(const char* Text) {
    return QString::fromUtf8(Text);
}
QString Masc(int N) {
    return U8(UnitsMasculine[N]);
}
QString Fem(int N) {
    return U8(UnitsFeminine[N]);
}

const QString And = QStringLiteral(" и ");

QString JoinWithAnd(const QString& Hund, const QString& Word) {
    return Hund.isEmpty() ? Word : Hund + And + Word;
}

} // namespace

QString GroupToWords(int Group, int ScaleIndex, bool& RoundHundreds) {
    const int H = Group / 100 % 10, T = Group / 10 % 10, U = Group % 10, TU = 10 * T + U;
    const QString Hund = U8(Hundreds[H]);
    RoundHundreds = false;
    QString Words;
    if (TU == 0) {
        RoundHundreds = true;
        if (Hund.isEmpty()) return QString();
        Words = Hund;
    } else if (TU <= 10) {
        QString Unit = Masc(TU);
        if (ScaleIndex >= 2) {
            // One thousand is "xиляда", not "един xиляда"; thousands are feminine.
            if (TU == 1 && Hund.isEmpty()) Unit.clear();
            if (TU == 2) Unit = ScaleIndex == 2 ? Fem(2) : Masc(2);
        }
        Words = JoinWithAnd(Hund, Unit);
    } else if (TU <= 19) {
        QString Teen = Masc(TU - 10);
        if (TU == 11) Teen.chop(1);
        Words = JoinWithAnd(Hund, Teen + U8("на") + U8("десет"));
    } else {
        const QString Tens = Masc(T) + U8("десет");
        if (U == 0) {
            Words = JoinWithAnd(Hund, Tens);
        } else {
            const QString Unit = U == 2 && ScaleIndex == 2 ? Fem(2) : Masc(U);
            Words = (Hund.isEmpty() ? QString() : Hund + QLatin1Char(' ')) + Tens + And + Unit;
        }
    }
    return Words + QLatin1Char(' ') + U8(ScaleWords[ScaleIndex][Group < 2 ? 0 : 1]);
}

QString IntToWords(qint64 N) {
    if (N == 0) return Masc(0);
    const quint64 Magnitude = N < 0 ? quint64(0) - quint64(N) : quint64(N);
    QString Digits = QString::number(Magnitude);
    Digits = PadLeft(Digits, QLatin1Char('0'), int((Digits.size() + 2) / 3 * 3));
    const int G = int(Digits.size() / 3);
    if (G > MaxScaleIndex) throw EConvertError(QStringLiteral("Number too large to write in words"));

    QString Result;
    for (int I = 0; I < G; ++I) {
        const int ScaleIndex = G - I;
        bool RoundHundreds;
        QString Words = GroupToWords(Digits.mid(I * 3, 3).toInt(), ScaleIndex, RoundHundreds);
        if (ScaleIndex == 1 && G >= 2 && !Words.contains(And) &&
            !RemoveAllChars(QLatin1Char('"'), RemoveAllChars(QLatin1Char(' '), Words)).isEmpty())
            Words = And + Words;
        Result += Words + QLatin1Char(' ');
    }
    Result = Result.trimmed();
    return N < 0 ? U8("минус ") + Result : Result;
}

QString StotinkiToText(int N, bool AsDigits) {
    if (AsDigits) return QString::number(N);
    if (N < 0 || N > 99) throw EConvertError(QStringLiteral("Stotinki out of range: %1").arg(N));
    const int T = N / 10, U = N % 10;
    if (N <= 10) return Fem(N);
    if (N == 11) return U8("единадесет");
    if (N == 12) return U8("дванадесет");
    if (N <= 19) return Fem(N - 10) + U8("на") + U8("десет");
    if (N == 20) return U8("двадесет");
    if (N <= 29) return U8("двадесет и ") + Fem(U);
    if (U == 0) return Fem(T) + U8("десет");
    return Fem(T) + U8("десет") + And + Fem(U);
}

QString AmountToWords(bool StotinkiAsDigits, double Amount) {
    if (Amount == 0) return U8("нула лева и нула стотинки");
    const double V = RoundAmount(2, Amount);
    if (!(std::fabs(V) < 1e18)) throw EConvertError(QStringLiteral("Number too large to write in words"));
    const qint64 Leva = qint64(V);

    // The stotinki are read from the amount's text, so 0.5 gives 50.
    const QString Text = FloatToStrDot(-1, V);
    const int Dot = Text.indexOf(QLatin1Char('.'));
    QString Fraction = Dot < 0 ? QString() : Text.mid(Dot + 1);
    if (Fraction.trimmed().isEmpty()) Fraction = QStringLiteral("0");
    Fraction = Fraction.left(2).leftJustified(2, QLatin1Char('0'));
    const int Stotinki = Fraction.toInt();

    return IntToWords(Leva) + QLatin1Char(' ') + (Leva == 1 ? U8("лев") : U8("лева")) + And +
           StotinkiToText(Stotinki, StotinkiAsDigits) + QLatin1Char(' ') +
           (Stotinki == 1 ? U8("стотинка") : U8("стотинки"));
}

double RoundAmount(int Digits, double Value) {
    return RoundToDigits(Digits, Value);
}

QString PadText(const QString& Text, int Align, int Width, QChar PadChar) {
    const qsizetype Missing = Width - Text.size();
    if (Missing <= 0 || PadChar.isNull()) return Text;
    const QString Padding(Missing, PadChar);
    switch (Align) {
    case 0:
        return Padding + Text;
    case 1:
        return Padding.left(Missing / 2) + Text + Padding.mid(Missing / 2);
    case 2:
        return Text + Padding;
    default:
        return Text;
    }
}

QString PadLeftChar(const QString& Text, int Width, QChar PadChar) {
    return PadText(Text, 0, Width, PadChar);
}

QString PadRightChar(const QString& Text, int Width, QChar PadChar) {
    return PadText(Text, 2, Width, PadChar);
}

QString RemoveAllChars(QChar C, const QString& Text) {
    return RemoveChar(Text, C);
}
