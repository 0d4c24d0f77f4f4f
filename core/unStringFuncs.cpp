#include "core/unStringFuncs.h"

#include "core/unStringList.h"

#include <QStringEncoder>

int PieceCount(const QString& T, QChar D) {
    return int(T.count(D)) + 1;
}

QString GetPiece(const QString& T, QChar D, int N) {
    if (T.isEmpty() || N < 0) return QString();
    qsizetype start = 0;
    for (int i = 0; i < N; ++i) {
        const qsizetype p = T.indexOf(D, start);
        if (p < 0) return QString();
        start = p + 1;
    }
    const qsizetype end = T.indexOf(D, start);
    return T.mid(start, end < 0 ? -1 : end - start);
}

QString GetPieces(const QString& T, QChar D, int From, int To) {
    if (From < 0) From = 0;
    if (To < 0 || From > To) return QString();
    // Find the start of piece From; pieces past the end are empty.
    qsizetype start = 0;
    int piece = 0;
    while (piece < From) {
        const qsizetype p = T.indexOf(D, start);
        if (p < 0) break;
        start = p + 1;
        ++piece;
    }
    if (piece < From) return QString(To - From, D);
    qsizetype end = start;
    while (piece < To) {
        const qsizetype p = T.indexOf(D, end);
        if (p < 0) break;
        end = p + 1;
        ++piece;
    }
    const qsizetype stop = T.indexOf(D, end);
    QString result = T.mid(start, (stop < 0 ? T.size() : stop) - start);
    if (piece < To) result += QString(To - piece, D);
    return result;
}

void SetPieceCount(QString& T, QChar D, int N) {
    if (N < 1) return;
    int found = 0;
    for (qsizetype i = 0; i < T.size(); ++i) {
        if (T.at(i) == D && ++found == N) {
            T.truncate(i);
            return;
        }
    }
    T += QString(N - 1 - found, D);
}

void SetPiece(QString& T, QChar D, int N, const QString& Value) {
    if (N < 0) return;
    if (N >= PieceCount(T, D)) SetPieceCount(T, D, N + 1);
    qsizetype start = 0;
    for (int i = 0; i < N; ++i)
        start = T.indexOf(D, start) + 1;
    const qsizetype end = T.indexOf(D, start);
    T.replace(start, (end < 0 ? T.size() : end) - start, Value);
}

namespace {

// Start and length of token N of T, or false when there is no such token.
bool FindToken(const QString& T, const QString& DelimStr, int N, qsizetype& Start, qsizetype& Length) {
    if (T.isEmpty() || N < 0) return false;
    if (DelimStr.isEmpty()) {
        Start = 0;
        Length = T.size();
        return N == 0;
    }
    qsizetype start = 0;
    for (int i = 0; i < N; ++i) {
        const qsizetype p = T.indexOf(DelimStr, start);
        if (p < 0) return false;
        start = p + DelimStr.size();
    }
    const qsizetype end = T.indexOf(DelimStr, start);
    Start = start;
    Length = (end < 0 ? T.size() : end) - start;
    return true;
}

} // namespace

QString GetToken(const QString& T, const QString& DelimStr, int N) {
    qsizetype start = 0, length = 0;
    return FindToken(T, DelimStr, N, start, length) ? T.mid(start, length) : QString();
}

QString GetTokenTrimmed(const QString& T, const QString& DelimStr, int N) {
    return Trim(GetToken(T, DelimStr, N));
}

int GetTokenCount(const QString& T, const QString& DelimStr) {
    if (T.isEmpty()) return 0;
    if (DelimStr.isEmpty()) return 1;
    int count = 1;
    for (qsizetype p = T.indexOf(DelimStr); p >= 0; p = T.indexOf(DelimStr, p + DelimStr.size()))
        ++count;
    return count;
}

bool SplitToKeyedLists(const QString& T, TStringList& List, const QString& RecordDelimStr,
                       const QString& FieldDelimStr) {
    TLineConv records;
    records.SetDelimiter(RecordDelimStr);
    records.SetLine(T);
    for (int i = 0; i < records.Count(); ++i) {
        const QString record = records.Get(i);
        if (record.isEmpty()) continue;
        auto fields = std::make_unique<TLineConv>();
        fields->SetDelimiter(FieldDelimStr);
        fields->SetLine(record);
        const QString key = fields->Get(0);
        List.AddObject(key, fields.release());
    }
    return true;
}

QString Trim(const QString& Text) {
    qsizetype start = 0, end = Text.size();
    while (start < end && Text.at(start).unicode() <= ' ')
        ++start;
    while (end > start && Text.at(end - 1).unicode() <= ' ')
        --end;
    return Text.mid(start, end - start);
}

int AnsiCompareText(const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive);
}

QString ReplaceChar(const QString& Text, QChar From, QChar To) {
    QString result = Text;
    return result.replace(From, To);
}

QString RemoveChar(const QString& Text, QChar C) {
    QString result = Text;
    return result.remove(C);
}

QString ReplaceStr(const QString& Text, const QString& Old, const QString& New) {
    if (Old.isEmpty() || Old.size() > Text.size()) return Text;
    QString result = Text;
    return result.replace(Old, New, Qt::CaseSensitive);
}

QString EnsureTrailing(const QString& Text, const QString& Suffix) {
    if (Text.isEmpty() || QString(Text.back()) == Suffix) return Text;
    return Text + Suffix;
}

QString UpperCaseAscii(const QString& Text) {
    QString result = Text;
    for (QChar& c : result)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return result;
}

QString PadLeft(const QString& Text, QChar C, int Width) {
    if (Text.size() >= Width) return Text;
    return QString(Width - Text.size(), C) + Text;
}

QString PadLeftBlanks(const QString& Text, int Width) {
    return PadLeft(Text, QLatin1Char(' '), Width);
}

QByteArray WinToMik(const QString& Text) {
    // Encoded one character at a time so that a character outside the code page becomes "?"
    // instead of whatever the encoder substitutes.
    QStringEncoder encoder("windows-1251");
    QByteArray result;
    result.reserve(Text.size());
    for (const QChar c : Text) {
        const QByteArray b = encoder.encode(QStringView(&c, 1));
        if (encoder.hasError() || b.size() != 1) {
            encoder.resetState();
            result += '?';
            continue;
        }
        const auto byte = static_cast<unsigned char>(b.at(0));
        result += char(byte > 191 ? byte - 64 : byte);
    }
    return result;
}

namespace {

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int CompareOrdinal(QString A, QString B, bool IgnoreCase) {
    if (IgnoreCase) {
        A = UpperCaseAscii(A);
        B = UpperCaseAscii(B);
    }
    return Sign(A.compare(B, Qt::CaseSensitive));
}

} // namespace

int ComparePrefix(const QString& A, const QString& B, bool IgnoreCase) {
    return CompareOrdinal(A, B.left(A.size()), IgnoreCase);
}

int CompareSuffix(const QString& A, const QString& B, bool IgnoreCase) {
    return CompareOrdinal(A, PadLeftBlanks(B, int(A.size())).right(A.size()), IgnoreCase);
}

qsizetype LongestLineLength(QStringView Text) {
    // A plain loop: the grid asks this of every cell, most of them a few characters long.
    qsizetype longest = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < Text.size(); ++i)
        if (Text[i] == u'\n') {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    return std::max(longest, Text.size() - start);
}
