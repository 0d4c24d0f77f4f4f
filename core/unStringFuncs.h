#pragma once
// Text helpers: pieces of a text cut at one delimiter character, tokens cut at a delimiter
// string, and the small character and comparison functions every unit uses.

#include <QByteArray>
#include <QChar>
#include <QString>

class TStringList;

// Pieces: a text is 1 + (number of D) pieces, counted from 0; an empty text has one empty piece.
int PieceCount(const QString& T, QChar D);
// Piece N; "" when T is empty or N is out of range.
QString GetPiece(const QString& T, QChar D, int N);
// Pieces From..To joined with D; From below 0 counts as 0; "" when To < 0 or From > To.
// Pieces past the end count as empty, so a range beyond the end yields trailing delimiters.
QString GetPieces(const QString& T, QChar D, int From, int To);
// Replaces piece N (N >= 0), padding T with D first when N lies beyond the last piece.
void SetPiece(QString& T, QChar D, int N, const QString& Value);
// Cuts T to N pieces or pads it with D up to N pieces (N >= 1; smaller N changes nothing).
void SetPieceCount(QString& T, QChar D, int N);

// Tokens: T split at every occurrence of DelimStr; an empty text has no tokens.
QString GetToken(const QString& T, const QString& DelimStr, int N);
QString GetTokenTrimmed(const QString& T, const QString& DelimStr, int N);
int GetTokenCount(const QString& T, const QString& DelimStr);
// Splits T into records and each non-empty record into trimmed fields; each record becomes an
// item of List whose text is the first field and whose object is a new TLineConv of all fields.
// The caller owns the added objects. Always true.
bool SplitToKeyedLists(const QString& T, TStringList& List, const QString& RecordDelimStr,
                       const QString& FieldDelimStr);

// Removes blanks and control characters (everything up to U+0020) from both ends.
QString Trim(const QString& Text);
// Case-insensitive comparison of two texts (Cyrillic folded too): <0, 0 or >0.
int AnsiCompareText(const QString& A, const QString& B);

QString ReplaceChar(const QString& Text, QChar From, QChar To);
QString RemoveChar(const QString& Text, QChar C);
// Every occurrence of Old replaced by New, left to right, without overlap, case-sensitive.
QString ReplaceStr(const QString& Text, const QString& Old, const QString& New);
// Text + Suffix unless Text is empty or already ends with it (used with "\" or "/" on folders).
QString EnsureTrailing(const QString& Text, const QString& Suffix);
QString UpperCaseAscii(const QString& Text);
QString PadLeft(const QString& Text, QChar C, int Width);
QString PadLeftBlanks(const QString& Text, int Width);
// The length of the longest line of Text, lines split at "\n".
qsizetype LongestLineLength(QStringView Text);
// The text in the Cyrillic DOS code page of text-mode printers: code page 1251 bytes with
// every byte above 191 lowered by 64. Characters outside code page 1251 become "?".
QByteArray WinToMik(const QString& Text);
// A against the first (last) Length(A) characters of B, ordinal: -1, 0 or 1. With IgnoreCase
// only "a".."z" are folded. CompareSuffix pads a shorter B with blanks on the left.
int ComparePrefix(const QString& A, const QString& B, bool IgnoreCase);
int CompareSuffix(const QString& A, const QString& B, bool IgnoreCase);
