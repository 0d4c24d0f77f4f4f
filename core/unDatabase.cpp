#include "core/unDatabase.h"

#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unSchema.h"
#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

QString ProgramDir;
QString DatabaseDir;
const QString DatabaseFileName = QStringLiteral("Lendora.mdb");
QString AdminPassword;
TAdoConnection* AdoConnection = nullptr;

namespace {

// ---------------------------------------------------------------------------------------------
// Tokens of a statement. Literals and bracketed names are single tokens, so nothing inside a
// value is ever rewritten. Tokens view the statement's text; a rewritten token carries its own.

enum class TTokKind { Space, Word, Number, Text, Quoted, Bracket, Punct };

struct TToken {
    TTokKind Kind;
    QStringView Source;
    bool Closed = true; // a literal or bracket that reached its closing character
    bool Replaced = false;
    QString Replacement{};

    QStringView Text() const { return Replaced ? QStringView(Replacement) : Source; }
    void Replace(QString S) {
        Replacement = std::move(S);
        Replaced = true;
    }
    bool Is(QLatin1StringView S) const { return Text().compare(S, Qt::CaseInsensitive) == 0; }
    bool IsPunct(QLatin1StringView S) const { return Kind == TTokKind::Punct && Text() == S; }
};

using TTokens = QList<TToken>;

bool IsBlank(QChar C) {
    return C.unicode() <= 32 || C.isSpace();
}
bool IsDigit(QChar C) {
    return C >= u'0' && C <= u'9';
}
bool IsWordStart(QChar C) {
    return C.isLetter() || C == u'_';
}
bool IsWordChar(QChar C) {
    return C.isLetterOrNumber() || C == u'_' || C == u'$';
}

// The tokens of S, which must outlive them.
TTokens Tokenize(const QString& S) {
    TTokens T;
    T.reserve(S.size() / 3 + 1);
    const qsizetype N = S.size();
    qsizetype I = 0;
    while (I < N) {
        const QChar C = S[I];
        qsizetype J = I + 1;
        TTokKind Kind;
        bool Closed = true;
        if (IsBlank(C)) {
            Kind = TTokKind::Space;
            while (J < N && IsBlank(S[J]))
                ++J;
        } else if (C == u'\'' || C == u'"') {
            Kind = C == u'"' ? TTokKind::Quoted : TTokKind::Text;
            Closed = false;
            while (J < N) {
                if (S[J] == C) {
                    if (J + 1 < N && S[J + 1] == C) {
                        J += 2;
                        continue;
                    }
                    ++J;
                    Closed = true;
                    break;
                }
                ++J;
            }
        } else if (C == u'[') {
            Kind = TTokKind::Bracket;
            const qsizetype E = S.indexOf(u']', I + 1);
            Closed = E >= 0;
            J = Closed ? E + 1 : N;
        } else if (IsDigit(C) || (C == u'.' && I + 1 < N && IsDigit(S[I + 1]))) {
            Kind = TTokKind::Number;
            while (J < N && IsDigit(S[J]))
                ++J;
            if (C != u'.' && J < N && S[J] == u'.') {
                ++J;
                while (J < N && IsDigit(S[J]))
                    ++J;
            }
            if (J < N && (S[J] == u'e' || S[J] == u'E')) {
                qsizetype K = J + 1;
                if (K < N && (S[K] == u'+' || S[K] == u'-')) ++K;
                if (K < N && IsDigit(S[K])) {
                    J = K;
                    while (J < N && IsDigit(S[J]))
                        ++J;
                }
            }
        } else if (IsWordStart(C)) {
            Kind = TTokKind::Word;
            while (J < N && IsWordChar(S[J]))
                ++J;
        } else {
            Kind = TTokKind::Punct;
            if (I + 1 < N) {
                const QChar D = S[I + 1];
                if ((D == u'=' && (C == u'<' || C == u'>' || C == u'!' || C == u'=')) ||
                    (C == u'<' && D == u'>') || (C == u'|' && D == u'|'))
                    J = I + 2;
            }
        }
        T.append({Kind, QStringView(S).mid(I, J - I), Closed});
        I = J;
    }
    return T;
}

int NextSig(const TTokens& T, int I) {
    for (++I; I < T.size(); ++I)
        if (T[I].Kind != TTokKind::Space) return I;
    return int(T.size());
}

int PrevSig(const TTokens& T, int I) {
    for (--I; I >= 0; --I)
        if (T[I].Kind != TTokKind::Space) return I;
    return -1;
}

template <size_t N> bool IsKeyword(const TToken& T, const QLatin1StringView (&Words)[N]) {
    if (T.Kind != TTokKind::Word) return false;
    const QStringView W = T.Text();
    for (const QLatin1StringView K : Words)
        if (K.size() == W.size() && W.compare(K, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Words that end a table reference, so they are never taken for an alias.
constexpr QLatin1StringView ClauseWords[] = {
    "WHERE"_L1, "ON"_L1,      "INNER"_L1,     "LEFT"_L1,  "RIGHT"_L1,  "OUTER"_L1, "FULL"_L1,   "CROSS"_L1,
    "JOIN"_L1,  "NATURAL"_L1, "ORDER"_L1,     "GROUP"_L1, "HAVING"_L1, "SET"_L1,   "VALUES"_L1, "SELECT"_L1,
    "UNION"_L1, "EXCEPT"_L1,  "INTERSECT"_L1, "LIMIT"_L1, "AS"_L1,     "USING"_L1, "WINDOW"_L1, "DEFAULT"_L1};

// Words that end an operand of "&".
constexpr QLatin1StringView BoundaryWords[] = {
    "SELECT"_L1, "DISTINCT"_L1, "AS"_L1,     "FROM"_L1,  "WHERE"_L1, "AND"_L1,   "OR"_L1,   "NOT"_L1,
    "ON"_L1,     "SET"_L1,      "HAVING"_L1, "ORDER"_L1, "GROUP"_L1, "BY"_L1,    "LIKE"_L1, "IS"_L1,
    "IN"_L1,     "BETWEEN"_L1,  "WHEN"_L1,   "THEN"_L1,  "ELSE"_L1,  "END"_L1,   "CASE"_L1, "VALUES"_L1,
    "UNION"_L1,  "JOIN"_L1,     "INNER"_L1,  "LEFT"_L1,  "RIGHT"_L1, "OUTER"_L1, "ASC"_L1,  "DESC"_L1,
    "INTO"_L1,   "UPDATE"_L1,   "DELETE"_L1, "INSERT"_L1};

// Words that end the outermost select list.
constexpr QLatin1StringView SelectListEnd[] = {"FROM"_L1,  "WHERE"_L1,  "GROUP"_L1,
                                               "ORDER"_L1, "HAVING"_L1, "UNION"_L1,
                                               "LIMIT"_L1, "EXCEPT"_L1, "INTERSECT"_L1};

bool IsName(const TToken& T) {
    return T.Kind == TTokKind::Bracket || (T.Kind == TTokKind::Word && !IsKeyword(T, ClauseWords));
}

QStringView NameOf(const TToken& T) {
    const QStringView Text = T.Text();
    if (T.Kind == TTokKind::Bracket) return Text.mid(1, Text.size() - (T.Closed ? 2 : 1));
    return Text;
}

// Tables and aliases of a statement: lower-case alias (or table) -> lower-case table.
using TTableMap = QHash<QString, QString>;

TTableMap CollectTables(const TTokens& T) {
    TTableMap Map;
    for (int I = 0; I < T.size(); ++I) {
        if (T[I].Kind != TTokKind::Word) continue;
        const bool List = T[I].Is("FROM"_L1);
        if (!List && !T[I].Is("JOIN"_L1) && !T[I].Is("UPDATE"_L1) && !T[I].Is("INTO"_L1)) continue;
        int J = NextSig(T, I);
        for (;;) {
            while (J < T.size() && T[J].IsPunct("("_L1))
                J = NextSig(T, J);
            if (J >= T.size() || !IsName(T[J])) break;
            const QString Table = NameOf(T[J]).toString().toLower();
            Map.insert(Table, Table);
            J = NextSig(T, J);
            if (J < T.size() && T[J].Is("AS"_L1)) J = NextSig(T, J);
            if (J < T.size() && IsName(T[J])) {
                Map.insert(NameOf(T[J]).toString().toLower(), Table);
                J = NextSig(T, J);
            }
            if (!List || J >= T.size() || !T[J].IsPunct(","_L1)) break;
            J = NextSig(T, J);
        }
    }
    return Map;
}

// "…" with "" inside becomes '…' with '' inside.
QString SingleQuoted(const TToken& T) {
    const QStringView Text = T.Text();
    if (!T.Closed) return Text.toString(); // fails at prepare, as it should
    QString Value = Text.mid(1, Text.size() - 2).toString();
    Value.replace(u"\"\""_s, u"\""_s);
    Value.replace(u"'"_s, u"''"_s);
    return u'\'' + Value + u'\'';
}

// ---------------------------------------------------------------------------------------------
// "&" chains become jet_concat(…). An operand runs up to the next "&" or boundary of its level.

struct TItem {
    int From; // first token
    int To;   // one past the last token
    bool Group;
    bool Matched; // a group that found its ")"
};

void EmitRange(const TTokens& T, int B, int E, QString& Out);

void EmitItem(const TTokens& T, const TItem& It, QString& Out) {
    Out += T[It.From].Text();
    if (!It.Group) return;
    EmitRange(T, It.From + 1, It.Matched ? It.To - 1 : It.To, Out);
    if (It.Matched) Out += T[It.To - 1].Text();
}

bool IsBoundary(const TTokens& T, const TItem& It) {
    if (It.Group) return false;
    const TToken& K = T[It.From];
    if (K.Kind == TTokKind::Punct) {
        static constexpr QLatin1StringView Ops[] = {","_L1,  "="_L1,  "<"_L1,  ">"_L1, "<="_L1, ">="_L1,
                                                    "<>"_L1, "!="_L1, "=="_L1, ";"_L1, ")"_L1};
        return std::find(std::begin(Ops), std::end(Ops), K.Text()) != std::end(Ops);
    }
    return IsKeyword(K, BoundaryWords);
}

bool IsSpaceItem(const TTokens& T, const TItem& It) {
    return !It.Group && T[It.From].Kind == TTokKind::Space;
}

void EmitSegment(const TTokens& T, const QList<TItem>& Items, int S, int F, QString& Out) {
    QList<QPair<int, int>> Operands;
    int Start = S;
    for (int I = S; I < F; ++I) {
        if (!Items[I].Group && T[Items[I].From].IsPunct("&"_L1)) {
            Operands.append({Start, I});
            Start = I + 1;
        }
    }
    if (Operands.isEmpty()) {
        for (int I = S; I < F; ++I)
            EmitItem(T, Items[I], Out);
        return;
    }
    Operands.append({Start, F});
    QString Trail;
    for (int O = 0; O < Operands.size(); ++O) {
        int A = Operands[O].first, Z = Operands[O].second;
        while (A < Z && IsSpaceItem(T, Items[A])) {
            if (O == 0) Out += T[Items[A].From].Text();
            ++A;
        }
        while (Z > A && IsSpaceItem(T, Items[Z - 1])) {
            --Z;
            if (O == Operands.size() - 1) Trail.prepend(T[Items[Z].From].Text());
        }
        Out += O == 0 ? u"jet_concat("_s : u", "_s;
        for (int I = A; I < Z; ++I)
            EmitItem(T, Items[I], Out);
    }
    Out += u')';
    Out += Trail;
}

void EmitRange(const TTokens& T, int B, int E, QString& Out) {
    QList<TItem> Items;
    for (int I = B; I < E;) {
        if (T[I].IsPunct("("_L1)) {
            int Depth = 0, J = I;
            for (; J < E; ++J) {
                if (T[J].IsPunct("("_L1))
                    ++Depth;
                else if (T[J].IsPunct(")"_L1) && --Depth == 0)
                    break;
            }
            const bool Matched = J < E;
            Items.append({I, Matched ? J + 1 : E, true, Matched});
            I = Matched ? J + 1 : E;
        } else {
            Items.append({I, I + 1, false, false});
            ++I;
        }
    }
    for (int S = 0; S < Items.size();) {
        if (IsBoundary(T, Items[S])) {
            EmitItem(T, Items[S++], Out);
            continue;
        }
        int F = S;
        while (F < Items.size() && !IsBoundary(T, Items[F]))
            ++F;
        EmitSegment(T, Items, S, F, Out);
        S = F;
    }
}

// The token-level rewrites; true when any token changed.
bool RewriteTokens(TTokens& T) {
    bool Changed = false;
    std::optional<TTableMap> Tables; // built only for a bracket that holds a dot
    for (int I = 0; I < T.size(); ++I) {
        TToken& K = T[I];
        if (K.Kind == TTokKind::Quoted) {
            K.Replace(SingleQuoted(K));
            K.Kind = TTokKind::Text;
            Changed = true;
        } else if (K.IsPunct("!"_L1)) {
            // [Contracts]![date_c]: Jet's qualifier between two names.
            const int P = PrevSig(T, I), N = NextSig(T, I);
            auto Ident = [&](int X) {
                return X >= 0 && X < T.size() &&
                       (T[X].Kind == TTokKind::Bracket || T[X].Kind == TTokKind::Word);
            };
            if (Ident(P) && Ident(N)) {
                K.Replace(u"."_s);
                Changed = true;
            }
        } else if (K.Kind == TTokKind::Bracket && K.Closed) {
            // [Contracts.date_c]: table and column in one bracket.
            const QStringView Inner = NameOf(K);
            const qsizetype Dot = Inner.indexOf(u'.');
            if (Dot <= 0) continue;
            if (!Tables) Tables = CollectTables(T);
            if (Tables->contains(Inner.left(Dot).toString().toLower())) {
                K.Replace(u'[' + Inner.left(Dot).toString() + u"].["_s + Inner.mid(Dot + 1).toString() +
                          u']');
                Changed = true;
            }
        }
    }
    const int First = NextSig(T, -1);
    if (First >= T.size()) return Changed;
    if (T[First].Is("DELETE"_L1)) {
        // Delete * from T: SQLite takes no column list here.
        const int Star = NextSig(T, First);
        if (Star < T.size() && T[Star].IsPunct("*"_L1)) {
            T[Star].Replace(QString());
            Changed = true;
        }
    } else if (T[First].Is("ALTER"_L1)) {
        // ADD column x BIT: existing rows get 0 instead of NULL.
        int Last = PrevSig(T, int(T.size()));
        while (Last >= 0 && T[Last].IsPunct(";"_L1))
            Last = PrevSig(T, Last);
        if (Last < 0 || !T[Last].Is("BIT"_L1)) return Changed;
        const int Column = PrevSig(T, Last);
        int Add = PrevSig(T, Column);
        if (Add >= 0 && T[Add].Is("COLUMN"_L1)) Add = PrevSig(T, Add);
        if (Column >= 0 && IsName(T[Column]) && Add >= 0 && T[Add].Is("ADD"_L1)) {
            T[Last].Replace(T[Last].Text().toString() + u" NOT NULL DEFAULT 0 CHECK ("_s +
                            T[Column].Text().toString() + u" IN (0,1))"_s);
            Changed = true;
        }
    }
    return Changed;
}

// ---------------------------------------------------------------------------------------------
// Number literals as parameters. The statements carry their values as literals, so almost every
// text is new and SQLite would parse and plan each one afresh; a lifted literal lets the text
// repeat and its prepared statement be reused.

// A number lifted out of a statement. SQLite reads digits that fit in 64 bits as an INTEGER and
// any other number as a REAL; the bound value is of the same class, and a REAL is the one SQLite
// itself reads from the literal's text.
struct TLiteral {
    QStringView Text;
    bool Integer;
    qint64 Whole;
};

// In a SELECT, the number literals that stand right after a comparison ("contract_n = 5",
// "date_d <= 45658") become "?" and their values go to Literals, in order. Only there: a number
// elsewhere may be a column position (ORDER BY 1) or decide the type of a select-list item, while
// an item that holds a comparison is typed by its stored values either way. A comparison with a
// bound value of the same storage class means the same as with the literal (neither has an
// affinity or a collation). A statement that holds parameters of its own keeps its literals.
bool LiftLiterals(TTokens& T, QList<TLiteral>& Literals) {
    const int First = NextSig(T, -1);
    if (First >= T.size() || !T[First].Is("SELECT"_L1)) return false;
    for (const TToken& K : T)
        if (K.IsPunct("?"_L1) || K.IsPunct(":"_L1) || K.IsPunct("@"_L1)) return false;
    static constexpr QLatin1StringView Comparisons[] = {"="_L1,  "=="_L1, "<"_L1,  ">"_L1,
                                                        "<="_L1, ">="_L1, "<>"_L1, "!="_L1};
    bool Changed = false;
    for (int I = 0; I < T.size(); ++I) {
        TToken& K = T[I];
        if (K.Kind != TTokKind::Number) continue;
        // A number glued to a name or another number ("0x1F") is left alone.
        if (I + 1 < T.size() && (T[I + 1].Kind == TTokKind::Word || T[I + 1].Kind == TTokKind::Number))
            continue;
        const int P = PrevSig(T, I);
        if (P < 0 || T[P].Kind != TTokKind::Punct ||
            std::find(std::begin(Comparisons), std::end(Comparisons), T[P].Text()) == std::end(Comparisons))
            continue;
        bool Integer = false;
        const qint64 Whole = K.Text().toLongLong(&Integer);
        Literals.append({K.Text(), Integer, Whole});
        K.Replace(u"?"_s);
        Changed = true;
    }
    return Changed;
}

// The statement as it runs on SQLite. With Literals, the literals LiftLiterals takes out are
// "?" in the text and their values are in Literals.
QString RewriteStatement(const QString& SQL, QList<TLiteral>* Literals) {
    TTokens T = Tokenize(SQL);
    bool Changed = RewriteTokens(T);
    if (Literals) Changed |= LiftLiterals(T, *Literals);
    const bool Joins = std::any_of(T.cbegin(), T.cend(), [](const TToken& K) { return K.IsPunct("&"_L1); });
    if (!Changed && !Joins) return SQL;
    QString Out;
    Out.reserve(SQL.size() + 16);
    if (Joins) {
        EmitRange(T, 0, int(T.size()), Out);
        return Out;
    }
    // Untouched tokens lie side by side in SQL: each run of them goes in as one piece.
    qsizetype Run = 0;
    for (const TToken& K : T) {
        if (!K.Replaced) continue;
        const qsizetype At = K.Source.data() - SQL.constData();
        Out += QStringView(SQL).mid(Run, At - Run);
        Out += K.Replacement;
        Run = At + K.Source.size();
    }
    Out += QStringView(SQL).mid(Run);
    return Out;
}

// ---------------------------------------------------------------------------------------------
// Jet types of result columns.

enum class TJetType { Unknown, Date, Boolean, Long, Double, Text };

// Lower-case table -> lower-case column -> declared type.
using TCatalog = QHash<QString, QHash<QString, QString>>;

TJetType TypeOfDeclared(const QString& Declared) {
    QString Name = Declared.trimmed().toUpper();
    const qsizetype Paren = Name.indexOf(u'(');
    if (Paren >= 0) Name = Name.left(Paren).trimmed();
    if (Name == "DATETIME"_L1 || Name == "DATE"_L1) return TJetType::Date;
    if (Name == "BIT"_L1 || Name == "BOOLEAN"_L1 || Name == "YESNO"_L1) return TJetType::Boolean;
    if (Name.contains("INT"_L1) || Name == "COUNTER"_L1 || Name == "LONG"_L1 || Name == "BYTE"_L1)
        return TJetType::Long;
    static const QStringList Doubles = {"DOUBLE",   "REAL",    "FLOAT",  "SINGLE",
                                        "CURRENCY", "NUMERIC", "DECIMAL"};
    if (Doubles.contains(Name)) return TJetType::Double;
    return TJetType::Text;
}

bool IsNumber(TJetType T) {
    return T == TJetType::Long || T == TJetType::Double;
}

// Types one select-list item bottom-up; Ok turns false on anything it does not follow.
class TTypeParser {
public:
    // Tables is built from All on the first column reference and kept for the next items.
    TTypeParser(const QList<const TToken*>& T, const TCatalog& Catalog, const TTokens& All,
                std::optional<TTableMap>& Tables)
        : FT(T), FCatalog(Catalog), FAll(All), FTables(Tables) {}

    TJetType Item() {
        const TJetType Result = Expr();
        return FOk && FPos == FT.size() ? Result : TJetType::Unknown;
    }

private:
    const TToken* Peek(int Ahead = 0) const { return FPos + Ahead < FT.size() ? FT[FPos + Ahead] : nullptr; }
    bool Accept(QLatin1StringView S) {
        const TToken* K = Peek();
        if (!K || K->Kind == TTokKind::Text || K->Kind == TTokKind::Bracket || !K->Is(S)) return false;
        ++FPos;
        return true;
    }

    TJetType Expr() {
        TJetType A = Term();
        for (;;) {
            if (Accept("+"_L1)) {
                const TJetType B = Term();
                if ((A == TJetType::Date && IsNumber(B)) || (IsNumber(A) && B == TJetType::Date))
                    A = TJetType::Date;
                else
                    A = Arithmetic(A, B);
            } else if (Accept("-"_L1)) {
                const TJetType B = Term();
                if (A == TJetType::Date && IsNumber(B))
                    A = TJetType::Date;
                else if (A == TJetType::Date && B == TJetType::Date)
                    A = TJetType::Long;
                else
                    A = Arithmetic(A, B);
            } else {
                return A;
            }
        }
    }

    static TJetType Arithmetic(TJetType A, TJetType B) {
        return A == TJetType::Long && B == TJetType::Long ? TJetType::Long : TJetType::Double;
    }

    TJetType Term() {
        TJetType A = Unary();
        for (;;) {
            if (Accept("*"_L1))
                A = Arithmetic(A, Unary());
            else if (Accept("/"_L1)) {
                Unary();
                A = TJetType::Double;
            } else {
                return A;
            }
        }
    }

    TJetType Unary() {
        if (Accept("-"_L1) || Accept("+"_L1)) return Unary();
        return Primary();
    }

    TJetType Primary() {
        const TToken* K = Peek();
        if (!K) return Fail();
        switch (K->Kind) {
        case TTokKind::Number:
            ++FPos;
            return K->Text().contains(u'.') || K->Text().contains(u'e', Qt::CaseInsensitive)
                       ? TJetType::Double
                       : TJetType::Long;
        case TTokKind::Text:
            ++FPos;
            return TJetType::Text;
        case TTokKind::Punct:
            if (Accept("("_L1)) {
                const TJetType Inner = Expr();
                if (!Accept(")"_L1)) return Fail();
                return Inner;
            }
            return Fail();
        case TTokKind::Word:
            if (Peek(1) && Peek(1)->IsPunct("("_L1)) return Function();
            if (IsKeyword(*K, ClauseWords)) return Fail();
            [[fallthrough]];
        case TTokKind::Bracket: {
            ++FPos;
            if (K->Kind == TTokKind::Word && (K->Is("NULL"_L1) || K->Is("TRUE"_L1) || K->Is("FALSE"_L1)))
                return TJetType::Unknown;
            if (Accept("."_L1)) {
                const TToken* Column = Peek();
                if (!Column || !IsName(*Column)) return Fail();
                ++FPos;
                return ColumnType(NameOf(*K), NameOf(*Column));
            }
            return ColumnType(QStringView(), NameOf(*K));
        }
        default:
            return Fail();
        }
    }

    TJetType Function() {
        const TToken& Name = *FT[FPos];
        FPos += 2;
        TJetType First = TJetType::Unknown;
        if (!Accept(")"_L1)) {
            Accept("DISTINCT"_L1);
            if (!Accept("*"_L1)) First = Expr();
            while (FOk && Accept(","_L1))
                Expr();
            if (!Accept(")"_L1)) return Fail();
        }
        if (Name.Is("max"_L1) || Name.Is("min"_L1)) return First;
        if (Name.Is("sum"_L1)) return First == TJetType::Long ? TJetType::Long : TJetType::Double;
        if (Name.Is("count"_L1)) return TJetType::Long;
        if (Name.Is("jet_concat"_L1)) return TJetType::Text;
        return TJetType::Unknown;
    }

    TJetType ColumnType(QStringView Qualifier, QStringView Column) {
        if (!FTables) FTables = CollectTables(FAll);
        const QString Col = Column.toString().toLower();
        if (!Qualifier.isEmpty()) {
            const QString Q = Qualifier.toString().toLower();
            const auto Table = FCatalog.constFind(FTables->value(Q, Q));
            if (Table == FCatalog.constEnd() || !Table->contains(Col)) return TJetType::Unknown;
            return TypeOfDeclared(Table->value(Col));
        }
        for (const QString& Name : *FTables) {
            const auto Table = FCatalog.constFind(Name);
            if (Table != FCatalog.constEnd() && Table->contains(Col))
                return TypeOfDeclared(Table->value(Col));
        }
        return TJetType::Unknown;
    }

    TJetType Fail() {
        FOk = false;
        return TJetType::Unknown;
    }

    const QList<const TToken*>& FT;
    const TCatalog& FCatalog;
    const TTokens& FAll;
    std::optional<TTableMap>& FTables;
    int FPos = 0;
    bool FOk = true;
};

// The types of the items of the outermost select list; empty when the list holds a "*".
QList<TJetType> SelectListTypes(const QString& Sql, const TCatalog& Catalog) {
    const TTokens T = Tokenize(Sql);
    std::optional<TTableMap> Tables;
    int Depth = 0, I = 0;
    for (; I < T.size(); ++I) {
        if (T[I].IsPunct("("_L1))
            ++Depth;
        else if (T[I].IsPunct(")"_L1))
            --Depth;
        else if (Depth == 0 && T[I].Is("SELECT"_L1))
            break;
    }
    I = NextSig(T, I);
    if (I < T.size() && (T[I].Is("DISTINCT"_L1) || T[I].Is("ALL"_L1))) I = NextSig(T, I);

    QList<QList<const TToken*>> Items(1);
    for (Depth = 0; I < T.size(); ++I) {
        const TToken& K = T[I];
        if (K.Kind == TTokKind::Space) continue;
        if (Depth == 0 && (IsKeyword(K, SelectListEnd) || K.IsPunct(";"_L1))) break;
        if (K.IsPunct("("_L1))
            ++Depth;
        else if (K.IsPunct(")"_L1))
            --Depth;
        if (Depth == 0 && K.IsPunct(","_L1))
            Items.append(QList<const TToken*>());
        else
            Items.last().append(&K);
    }
    QList<TJetType> Types;
    for (auto& Item : Items) {
        if (Item.size() >= 2 && Item[Item.size() - 2]->Is("AS"_L1)) Item.resize(Item.size() - 2);
        if (!Item.isEmpty() && Item.last()->IsPunct("*"_L1) &&
            (Item.size() == 1 || (Item.size() == 3 && Item[1]->IsPunct("."_L1))))
            return {};
        Types.append(TTypeParser(Item, Catalog, T, Tables).Item());
    }
    return Types;
}

// ---------------------------------------------------------------------------------------------
// Values as text.

// 15 significant digits, always as plain decimals: 0.1 + 0.2 -> "0.3", 1e-05 -> "0.00001".
void AppendDouble(QString& Row, double V) {
    if (V == 0) { // also -0
        Row += u'0';
        return;
    }
    if (!std::isfinite(V)) {
        Row += QString::number(V);
        return;
    }
    char Buf[32];
    const auto R = std::to_chars(Buf, Buf + sizeof Buf, V, std::chars_format::scientific, 14);
    const char* E = std::find(Buf, R.ptr, 'e'); // [-]d.dddddddddddddde[+-]xx
    const bool Negative = Buf[0] == '-';
    char Digits[20];
    int Count = 0;
    for (const char* C = Buf + (Negative ? 1 : 0); C < E; ++C)
        if (*C != '.') Digits[Count++] = *C;
    while (Count > 1 && Digits[Count - 1] == '0')
        --Count;
    // The exponent ends at R.ptr: the buffer holds no terminating zero, so atoi would read on
    // into whatever lies behind it.
    int Exponent = 0;
    std::from_chars(E + 1 + (E[1] == '+' ? 1 : 0), R.ptr, Exponent);
    const int Point = Exponent + 1; // digits before the decimal point
    char Out[400];
    int N = 0;
    if (Negative) Out[N++] = '-';
    if (Point <= 0) {
        Out[N++] = '0';
        Out[N++] = '.';
        for (int I = 0; I < -Point; ++I)
            Out[N++] = '0';
        for (int I = 0; I < Count; ++I)
            Out[N++] = Digits[I];
    } else {
        for (int I = 0; I < std::max(Point, Count); ++I) {
            if (I == Point) Out[N++] = '.';
            Out[N++] = I < Count ? Digits[I] : '0';
        }
    }
    Row.append(QLatin1StringView(Out, N));
}

void AppendInteger(QString& Row, qint64 V) {
    char Buf[24];
    const auto R = std::to_chars(Buf, Buf + sizeof Buf, V);
    Row.append(QLatin1StringView(Buf, R.ptr - Buf));
}

// Whether a day number is shown as a date: one in the years 1..9999.
bool DayInRange(double Days) {
    // 01.01.0001 and 31.12.9999 as day numbers.
    return std::isfinite(Days) && std::floor(Days) >= -693593 && std::floor(Days) <= 2958465;
}

// Day number -> "dd.mm.yyyy"; false for a day outside the years 1..9999.
bool AppendDate(QString& Row, double Days) {
    if (!DayInRange(Days)) return false;
    int Year = 0, Month = 0, Day = 0;
    QDate(1899, 12, 30).addDays(qint64(std::floor(Days))).getDate(&Year, &Month, &Day);
    const char Text[10] = {char('0' + Day / 10),    char('0' + Day % 10),        '.',
                           char('0' + Month / 10),  char('0' + Month % 10),      '.',
                           char('0' + Year / 1000), char('0' + Year / 100 % 10), char('0' + Year / 10 % 10),
                           char('0' + Year % 10)};
    Row.append(QLatin1StringView(Text, 10));
    return true;
}

// True when a text value needs cleaning: a double quote, a delimiter, or a blank or control
// character at either end.
bool NeedsCleaning(const char* Text, int Bytes) {
    if (Bytes == 0) return false;
    if (static_cast<unsigned char>(Text[0]) <= 32 || static_cast<unsigned char>(Text[Bytes - 1]) <= 32)
        return true;
    if (std::memchr(Text, '"', Bytes) || std::memchr(Text, '@', Bytes)) return true;
    // "°" is C2 B0 in UTF-8
    for (const char* P = Text; (P = static_cast<const char*>(std::memchr(P, '\xC2', Text + Bytes - P)));)
        if (++P < Text + Bytes && *P == '\xB0') return true;
    return false;
}

// Appends the value's text; true when it still needs cleaning.
bool AppendValue(QString& Row, QStringDecoder& Utf8, sqlite3_stmt* S, int Col, TJetType Type) {
    const int Storage = sqlite3_column_type(S, Col);
    switch (Storage) {
    case SQLITE_NULL:
        return false;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const char* Text = reinterpret_cast<const char*>(sqlite3_column_text(S, Col));
        const int Bytes = sqlite3_column_bytes(S, Col);
        // Decoded straight into the row: UTF-8 never takes more UTF-16 units than bytes.
        const qsizetype Old = Row.size();
        Row.resize(Old + Bytes);
        const QChar* End = Utf8.appendToBuffer(Row.data() + Old, QByteArrayView(Text, Bytes));
        Row.resize(End - Row.constData());
        return NeedsCleaning(Text, Bytes);
    }
    default:
        break;
    }
    const bool Integer = Storage == SQLITE_INTEGER;
    if (Type == TJetType::Boolean) {
        const bool On = Integer ? sqlite3_column_int64(S, Col) != 0 : sqlite3_column_double(S, Col) != 0;
        Row.append(On ? "True"_L1 : "False"_L1);
        return false;
    }
    if (Type == TJetType::Date &&
        AppendDate(Row, Integer ? double(sqlite3_column_int64(S, Col)) : sqlite3_column_double(S, Col)))
        return false;
    if (Integer)
        AppendInteger(Row, sqlite3_column_int64(S, Col));
    else
        AppendDouble(Row, sqlite3_column_double(S, Col));
    return false;
}

// Each field (and each piece a value splits into at "@" or "°") loses its double quotes and its
// blanks and control characters at both ends.
QString CleanRow(const QString& Raw) {
    QString Out;
    Out.reserve(Raw.size());
    const qsizetype N = Raw.size();
    qsizetype Start = 0;
    auto Strip = [](QChar C) { return C == u'"' || C.unicode() <= 32; };
    for (qsizetype I = 0; I <= N; ++I) {
        if (I < N && Raw[I] != u'@' && Raw[I] != u'\u00B0') continue;
        qsizetype A = Start, Z = I;
        while (A < Z && Strip(Raw[A]))
            ++A;
        while (Z > A && Strip(Raw[Z - 1]))
            --Z;
        for (qsizetype K = A; K < Z; ++K)
            if (Raw[K] != u'"') Out += Raw[K];
        if (I < N) Out += Raw[I];
        Start = I + 1;
    }
    return Out;
}

// ---------------------------------------------------------------------------------------------
// Connection-level SQL functions.

// Case-blind, on the UTF-8 text as stored: a collation asking for UTF-16 makes SQLite convert and
// allocate both texts at every comparison of a sort. Equal leading bytes are equal characters and
// ASCII letters fold by themselves; only the rest, from the first other character that differs,
// is decoded.
int CompareJetText(void*, int LengthA, const void* A, int LengthB, const void* B) {
    const auto* TextA = static_cast<const uchar*>(A);
    const auto* TextB = static_cast<const uchar*>(B);
    const int Shorter = std::min(LengthA, LengthB);
    int At = 0;
    while (At < Shorter && TextA[At] == TextB[At])
        ++At;
    const auto InsideCharacter = [](const uchar* Text, int Length, int I) {
        return I < Length && (Text[I] & 0xC0) == 0x80;
    };
    while (At > 0 && (InsideCharacter(TextA, LengthA, At) || InsideCharacter(TextB, LengthB, At)))
        --At;
    for (; At < Shorter && TextA[At] < 0x80 && TextB[At] < 0x80; ++At) {
        const int Difference = QChar::toLower(TextA[At]) - QChar::toLower(TextB[At]);
        if (Difference != 0) return Difference;
    }
    if (At == LengthA || At == LengthB) return LengthA - LengthB;
    // A UTF-8 byte never gives more than one UTF-16 unit.
    QVarLengthArray<QChar, 128> RestA(LengthA - At), RestB(LengthB - At);
    const auto Decode = [At](const uchar* Text, int Length, QChar* Out) {
        QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return QStringView(Out,
                           Decoder.appendToBuffer(
                               Out, QByteArrayView(reinterpret_cast<const char*>(Text) + At, Length - At)));
    };
    return Decode(TextA, LengthA, RestA.data())
        .compare(Decode(TextB, LengthB, RestB.data()), Qt::CaseInsensitive);
}

// Jet's "&": NULL counts as "", the result is NULL only when every operand is.
void JetConcat(sqlite3_context* Context, int Count, sqlite3_value** Values) {
    QString Result;
    bool Any = false;
    for (int I = 0; I < Count; ++I) {
        switch (sqlite3_value_type(Values[I])) {
        case SQLITE_NULL:
            continue;
        case SQLITE_INTEGER:
            AppendInteger(Result, sqlite3_value_int64(Values[I]));
            break;
        case SQLITE_FLOAT:
            AppendDouble(Result, sqlite3_value_double(Values[I]));
            break;
        default:
            Result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(Values[I])),
                                        sqlite3_value_bytes(Values[I]));
        }
        Any = true;
    }
    if (!Any) {
        sqlite3_result_null(Context);
        return;
    }
    const QByteArray Utf8 = Result.toUtf8();
    sqlite3_result_text(Context, Utf8.constData(), int(Utf8.size()), SQLITE_TRANSIENT);
}

QString ErrorText(sqlite3* Db) {
    return QString::fromUtf8(sqlite3_errmsg(Db));
}

// A restore holds a lock on this file beside the database while it copies and replaces it.
QByteArray RestoreMarkOf(const char* Database) {
    return QByteArray(Database) + "-restore";
}

// Whether a restore holds the mark of the database file Database.
bool RestoreUnderWay(const char* Database) {
    if (!Database || !*Database) return false;
    const int Mark = ::open(RestoreMarkOf(Database).constData(), O_RDONLY | O_CLOEXEC);
    if (Mark < 0) return false;
    const bool Held = ::flock(Mark, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(Mark);
    return Held;
}

constexpr int BusyWaitMs = 5000;

[[noreturn]] void ThrowError(sqlite3* Db, const QString& Written) {
    // A reader kept out by a restore is told why, in the operator's words.
    if ((sqlite3_errcode(Db) & 0xff) == SQLITE_BUSY)
        throw EDatabaseBusy(RestoreUnderWay(sqlite3_db_filename(Db, "main"))
                                ? u"На друго работно място се възстановяват данните от архивно копие. Моля "
                                  u"опитайте отново след малко."_s
                                : ErrorText(Db),
                            Written);
    throw EDatabaseError(ErrorText(Db), Written);
}

void Configure(sqlite3* Db) {
    // Double quotes are never identifiers here: a literal the rewriter missed fails loudly
    // instead of silently reading a column of the same name.
    sqlite3_db_config(Db, SQLITE_DBCONFIG_DQS_DML, 0, static_cast<int*>(nullptr));
    sqlite3_db_config(Db, SQLITE_DBCONFIG_DQS_DDL, 0, static_cast<int*>(nullptr));
    sqlite3_create_collation_v2(Db, "JETTEXT", SQLITE_UTF8, nullptr, &CompareJetText, nullptr);
    sqlite3_create_function_v2(Db, "jet_concat", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &JetConcat,
                               nullptr, nullptr, nullptr);
    // A second running copy may hold the write lock for a moment.
    sqlite3_busy_timeout(Db, BusyWaitMs);
}

// Finalises the statement on every way out.
class TStatement {
public:
    TStatement() = default;
    ~TStatement() { sqlite3_finalize(FHandle); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;
    sqlite3_stmt** Out() { return &FHandle; }
    sqlite3_stmt* Get() const { return FHandle; }

private:
    sqlite3_stmt* FHandle = nullptr;
};

bool OnlyBlanksAndSemicolons(const char* Tail) {
    for (; Tail && *Tail; ++Tail)
        if (*Tail != ';' && !(static_cast<unsigned char>(*Tail) <= 32)) return false;
    return true;
}

// Prepares the rewritten Sql on Db. Throws EDatabaseError with Written as the statement.
void Prepare(sqlite3* Db, const QString& Sql, const QString& Written, TStatement& Statement) {
    const QByteArray Utf8 = Sql.toUtf8();
    const char* Tail = nullptr;
    if (sqlite3_prepare_v2(Db, Utf8.constData(), int(Utf8.size()), Statement.Out(), &Tail) != SQLITE_OK)
        ThrowError(Db, Written);
    // A ";" that escaped its quotes must not smuggle in a second statement.
    if (!OnlyBlanksAndSemicolons(Tail))
        throw EDatabaseError(u"Unable to execute multiple statements at a time"_s, Written);
}

// Steps to the end; OnRow is called on each row.
template <class F> void StepAll(sqlite3* Db, sqlite3_stmt* S, const QString& Written, F&& OnRow) {
    if (!S) return; // only blanks
    for (;;) {
        const int Rc = sqlite3_step(S);
        if (Rc == SQLITE_ROW)
            OnRow();
        else if (Rc == SQLITE_DONE)
            return;
        else
            ThrowError(Db, Written);
    }
}

bool StartsWithWord(const QString& Sql, QLatin1StringView Word) {
    const QStringView First = QStringView(Sql).trimmed();
    return First.startsWith(Word, Qt::CaseInsensitive) &&
           (First.size() == Word.size() || !IsWordChar(First[Word.size()]));
}

bool ChangesSchema(const QString& Sql) {
    return StartsWithWord(Sql, "ALTER"_L1) || StartsWithWord(Sql, "CREATE"_L1) ||
           StartsWithWord(Sql, "DROP"_L1);
}

// A prepared SELECT kept for reuse, with the Jet types of its result columns once known.
struct TCachedStatement {
    QString Sql; // as prepared: rewritten, lifted literals as "?"
    sqlite3_stmt* Handle = nullptr;
    QList<TJetType> Types;
    int Reprepares = 0; // SQLite's count of its own new preparations, when Types was made
};

// Puts a used statement back in its first state, whichever way its run ended.
class TResetOnExit {
public:
    explicit TResetOnExit(sqlite3_stmt* S) : FHandle(S) {}
    ~TResetOnExit() { sqlite3_reset(FHandle); }
    TResetOnExit(const TResetOnExit&) = delete;
    TResetOnExit& operator=(const TResetOnExit&) = delete;

private:
    sqlite3_stmt* FHandle;
};

} // namespace

// ---------------------------------------------------------------------------------------------

struct TAdoConnection::TState {
    QString FileName;
    sqlite3* Db = nullptr;
    TCatalog Catalog;
    TTransaction* Transaction = nullptr;

    // Prepared SELECTs, the most recently used first. They are planned for the schema and typed
    // by the catalog they were made with, so a new catalog drops them.
    QList<TCachedStatement> Statements;
    static constexpr int MaxStatements = 32;

    void Open();
    void LoadCatalog();
    void CloseDb();
    void ForgetStatements();
    // The prepared statement for the rewritten Sql, made on first use; it is Statements.first().
    TCachedStatement& CachedStatement(const QString& Sql, const QString& Written);
    // The REAL that SQLite reads from the number literal Text.
    double RealOf(QStringView Text, const QString& Written);
    // Runs SQL as written by the caller; OnRow(statement, rewritten text, column types) per row.
    // The column types start empty for each statement and are kept with a reused one.
    template <class F> void Run(const QString& SQL, F&& OnRow);
};

void TAdoConnection::TState::Open() {
    if (Db) return;
    sqlite3* Handle = nullptr;
    // Without SQLITE_OPEN_CREATE: a missing file is an error, never a new empty database.
    const int Rc =
        sqlite3_open_v2(QFile::encodeName(FileName).constData(), &Handle, SQLITE_OPEN_READWRITE, nullptr);
    if (Rc != SQLITE_OK) {
        const QString Message = Handle ? ErrorText(Handle) : QString::fromUtf8(sqlite3_errstr(Rc));
        sqlite3_close(Handle);
        throw EDatabaseError(Message);
    }
    Configure(Handle);
    Db = Handle;
    try {
        LoadCatalog(); // also the first read: a file that is no database fails here
    } catch (...) {
        CloseDb();
        throw;
    }
}

void TAdoConnection::TState::LoadCatalog() {
    ForgetStatements();
    TCatalog Fresh;
    TStatement S;
    const QString Sql =
        uR"sql(SELECT m.name, p.name, p.type FROM sqlite_schema AS m, pragma_table_info(m.name) AS p WHERE m.type IN ('table', 'view'))sql"_s;
    Prepare(Db, Sql, Sql, S);
    StepAll(Db, S.Get(), Sql, [&] {
        auto Text = [&](int Col) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(S.Get(), Col)));
        };
        Fresh[Text(0).toLower()].insert(Text(1).toLower(), Text(2));
    });
    Catalog = std::move(Fresh);
}

void TAdoConnection::TState::CloseDb() {
    if (!Db) return;
    ForgetStatements();
    while (sqlite3_stmt* S = sqlite3_next_stmt(Db, nullptr))
        sqlite3_finalize(S);
    sqlite3_close(Db);
    Db = nullptr;
    Catalog.clear();
}

void TAdoConnection::TState::ForgetStatements() {
    for (const TCachedStatement& C : Statements)
        sqlite3_finalize(C.Handle);
    Statements.clear();
}

TCachedStatement& TAdoConnection::TState::CachedStatement(const QString& Sql, const QString& Written) {
    for (int I = 0; I < Statements.size(); ++I) {
        if (Statements[I].Sql == Sql) {
            Statements.move(I, 0);
            return Statements.first();
        }
    }
    TStatement S;
    Prepare(Db, Sql, Written, S);
    if (Statements.size() == MaxStatements) {
        sqlite3_finalize(Statements.last().Handle);
        Statements.removeLast();
    }
    Statements.prepend({Sql, S.Get(), {}});
    *S.Out() = nullptr; // the cache owns it now
    return Statements.first();
}

double TAdoConnection::TState::RealOf(QStringView Text, const QString& Written) {
    // The same conversion as SQLite's parser makes of a literal, bit for bit.
    TCachedStatement& C = CachedStatement(u"SELECT CAST(? AS REAL)"_s, Written);
    TResetOnExit Reset(C.Handle);
    const QByteArray Utf8 = Text.toUtf8();
    sqlite3_bind_text(C.Handle, 1, Utf8.constData(), int(Utf8.size()), SQLITE_STATIC);
    double Value = 0;
    StepAll(Db, C.Handle, Written, [&] { Value = sqlite3_column_double(C.Handle, 0); });
    return Value;
}

template <class F> void TAdoConnection::TState::Run(const QString& SQL, F&& OnRow) {
    try {
        Open();
    } catch (const EDatabaseBusy& E) {
        throw EDatabaseBusy(E.Message(), SQL);
    } catch (const EDatabaseError& E) {
        throw EDatabaseError(E.Message(), SQL);
    }
    QList<TLiteral> Literals;
    const QString Sql = RewriteStatement(SQL, &Literals);
    if (StartsWithWord(Sql, "SELECT"_L1)) {
        QList<double> Reals(Literals.size());
        for (int I = 0; I < Literals.size(); ++I)
            if (!Literals[I].Integer) Reals[I] = RealOf(Literals[I].Text, SQL);
        TCachedStatement& C = CachedStatement(Sql, SQL);
        TResetOnExit Reset(C.Handle);
        for (int I = 0; I < Literals.size(); ++I) {
            if (Literals[I].Integer)
                sqlite3_bind_int64(C.Handle, I + 1, Literals[I].Whole);
            else
                sqlite3_bind_double(C.Handle, I + 1, Reals[I]);
        }
        StepAll(Db, C.Handle, SQL, [&] {
            // Another connection changed the schema and SQLite prepared the statement again: its
            // columns may have changed.
            const int Reprepares = sqlite3_stmt_status(C.Handle, SQLITE_STMTSTATUS_REPREPARE, 0);
            if (Reprepares != C.Reprepares) {
                C.Types.clear();
                C.Reprepares = Reprepares;
            }
            OnRow(C.Handle, C.Sql, C.Types);
        });
        return;
    }
    TStatement S;
    Prepare(Db, Sql, SQL, S);
    QList<TJetType> Types;
    StepAll(Db, S.Get(), SQL, [&] { OnRow(S.Get(), Sql, Types); });
    if (ChangesSchema(Sql)) LoadCatalog();
}

TAdoConnection::TAdoConnection(const QString& FileName) : FState(std::make_unique<TState>()) {
    FState->FileName = FileName;
}

TAdoConnection::~TAdoConnection() {
    if (FState->Transaction) FState->Transaction->FConnection = nullptr;
    FState->CloseDb();
}

const QString& TAdoConnection::FileName() const {
    return FState->FileName;
}
bool TAdoConnection::Connected() const {
    return FState->Db != nullptr;
}
void TAdoConnection::Close() {
    FState->CloseDb();
}

// ---------------------------------------------------------------------------------------------

QString ParentFolder(const QString& Folder) {
    const int N = PieceCount(Folder, u'/') - 3;
    return GetPieces(Folder, u'/', 0, N) + u'/';
}

void CreateAdoConnection(QObject* Owner) {
    const QFileInfo Exe(QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    CreateAdoConnection(Owner, ParentFolder(Exe.absolutePath() + u'/'));
}

void CreateAdoConnection(QObject* Owner, const QString& ProgramFolder) {
    // RIGHT JOIN and HAVING without GROUP BY need 3.39.
    if (sqlite3_libversion_number() < 3039000)
        throw EDatabaseError(u"SQLite 3.39.0 or later is required; found "_s +
                             QString::fromUtf8(sqlite3_libversion()));
    FreeAdoConnection();
    ProgramDir = EnsureTrailing(ProgramFolder, u"/"_s);
    DatabaseDir = ProgramDir + u"db/"_s;
    AdoConnection = new TAdoConnection(DatabaseDir + DatabaseFileName);
}

void FreeAdoConnection() {
    delete AdoConnection;
    AdoConnection = nullptr;
}

namespace {

// Opens Path to read it. Read-write (SQLite falls back to reading a write-protected file), so that
// a journal left hot by a writer that died is rolled back at the first read; a read-only open
// would fail on it until someone opened the file for writing.
int OpenToRead(const QString& Path, sqlite3** Db) {
    return sqlite3_open_v2(QFile::encodeName(Path).constData(), Db, SQLITE_OPEN_READWRITE, nullptr);
}

enum class TCheck { Sound, Unsound, Busy };

TCheck QuickCheck(const QString& Path) {
    sqlite3* Db = nullptr;
    TCheck Result = TCheck::Unsound;
    if (OpenToRead(Path, &Db) == SQLITE_OK) {
        Configure(Db);
        sqlite3_stmt* Statement = nullptr;
        int Rc = sqlite3_prepare_v2(Db, "PRAGMA quick_check", -1, &Statement, nullptr);
        if (Rc == SQLITE_OK) Rc = sqlite3_step(Statement);
        if (Rc == SQLITE_ROW) {
            const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Statement, 0));
            if (Text && qstrcmp(Text, "ok") == 0) Result = TCheck::Sound;
        } else if ((Rc & 0xFF) == SQLITE_BUSY || (Rc & 0xFF) == SQLITE_LOCKED)
            Result = TCheck::Busy;
        sqlite3_finalize(Statement);
    }
    sqlite3_close(Db);
    return Result;
}

// Table name to its column names, all in lower case.
using TColumns = QHash<QString, QSet<QString>>;

TColumns ColumnsOf(sqlite3* Db) {
    TColumns Columns;
    sqlite3_stmt* Statement = nullptr;
    if (sqlite3_prepare_v2(Db,
                           R"sql(SELECT m.name, p.name FROM sqlite_schema AS m, pragma_table_info(m.name) AS p
                                 WHERE m.type = 'table')sql",
                           -1, &Statement, nullptr) == SQLITE_OK)
        while (sqlite3_step(Statement) == SQLITE_ROW) {
            auto Text = [&](int Col) {
                return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(Statement, Col)))
                    .toLower();
            };
            Columns[Text(0)].insert(Text(1));
        }
    sqlite3_finalize(Statement);
    return Columns;
}

} // namespace

bool DatabaseFileIsSound(const QString& Path) {
    return QuickCheck(Path) == TCheck::Sound;
}

bool IsProgramDatabase(const QString& Path) {
    sqlite3* Schema = nullptr;
    sqlite3_open_v2(":memory:", &Schema, SQLITE_OPEN_READWRITE, nullptr);
    Configure(Schema);
    sqlite3_exec(Schema, SchemaScript().toUtf8().constData(), nullptr, nullptr, nullptr);
    const TColumns Wanted = ColumnsOf(Schema);
    sqlite3_close(Schema);

    sqlite3* Db = nullptr;
    TColumns Found;
    if (OpenToRead(Path, &Db) == SQLITE_OK) {
        Configure(Db);
        Found = ColumnsOf(Db);
    }
    sqlite3_close(Db);

    QStringList Upgrades;
    GetSchemaUpgradeStatements(Upgrades);
    QSet<QString> Repairable;
    for (const QString& Sql : Upgrades) {
        QString Table, Column;
        if (AddedColumn(Sql, Table, Column)) Repairable.insert(Table.toLower() + u'.' + Column.toLower());
    }
    if (Wanted.isEmpty()) return false;
    for (auto It = Wanted.cbegin(); It != Wanted.cend(); ++It) {
        if (!Found.contains(It.key())) return false;
        for (const QString& Column : It.value())
            if (!Found[It.key()].contains(Column) && !Repairable.contains(It.key() + u'.' + Column))
                return false;
    }
    return true;
}

namespace {

// The check of a copy just written; another workstation may hold its lock longer than one busy wait.
bool CheckedSound(const QString& Path) {
    TCheck Check = QuickCheck(Path);
    for (int Retry = 0; Retry < 2 && Check == TCheck::Busy; ++Retry)
        Check = QuickCheck(Path);
    return Check == TCheck::Sound;
}

// Copies the database at Source into the new file Target with the online backup, inside a read
// transaction on Source, so that another connection's commit waits for the copy instead of tearing
// it; false, with Target removed, when it could not. OnWorking runs between batches of pages.
bool BackupFile(const QString& Source, const QString& Target, const std::function<void()>& OnWorking = {}) {
    sqlite3* From = nullptr;
    sqlite3* To = nullptr;
    bool Copied = false;
    if (OpenToRead(Source, &From) == SQLITE_OK &&
        sqlite3_open_v2(QFile::encodeName(Target).constData(), &To,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK) {
        Configure(From);
        Configure(To);
        // The first read of the transaction takes the shared lock that the copy then holds.
        if (sqlite3_exec(From, R"sql(BEGIN; SELECT count(*) FROM sqlite_schema;)sql", nullptr, nullptr,
                         nullptr) == SQLITE_OK) {
            if (sqlite3_backup* Backup = sqlite3_backup_init(To, "main", From, "main")) {
                int Rc = SQLITE_OK;
                while ((Rc = sqlite3_backup_step(Backup, 4096)) == SQLITE_OK)
                    if (OnWorking) OnWorking();
                Copied = sqlite3_backup_finish(Backup) == SQLITE_OK && Rc == SQLITE_DONE;
            }
            sqlite3_exec(From, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    sqlite3_close(From);
    sqlite3_close(To);
    if (!Copied) {
        QFile::remove(Target);
        QFile::remove(Target + u"-journal"_s);
    }
    return Copied;
}

int Exec(sqlite3* Db, const QString& Sql) {
    return sqlite3_exec(Db, Sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

QString QuotedName(const QString& Name) {
    return u'"' + QString(Name).replace(u'"', u"\"\""_s) + u'"';
}

// The rows of a query of text columns, read whole before anything changes what it reads.
QList<QStringList> TextRows(sqlite3* Db, const char* Sql) {
    QList<QStringList> Rows;
    sqlite3_stmt* Statement = nullptr;
    if (sqlite3_prepare_v2(Db, Sql, -1, &Statement, nullptr) == SQLITE_OK)
        while (sqlite3_step(Statement) == SQLITE_ROW) {
            QStringList Row;
            for (int Col = 0; Col < sqlite3_column_count(Statement); ++Col)
                Row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(Statement, Col)));
            Rows << Row;
        }
    sqlite3_finalize(Statement);
    return Rows;
}

// Inside the open transaction on Db: every table and view of main goes, and those of the attached
// database "archived" come in, each table with its rows before the indexes and views built on it.
// The result code of the first failure.
int ReplaceObjects(sqlite3* Db) {
    for (const QStringList& Old : TextRows(Db, R"sql(
            SELECT type, name FROM main.sqlite_schema
            WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\_%' ESCAPE '\')sql"))
        if (const int Rc = Exec(Db, u"DROP "_s + Old[0] + u' ' + QuotedName(Old[1])); Rc != SQLITE_OK)
            return Rc;
    for (const QStringList& New : TextRows(Db, R"sql(
            SELECT type, name, sql FROM archived.sqlite_schema
            WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite\_%' ESCAPE '\'
            ORDER BY type <> 'table', rowid)sql")) {
        int Rc = Exec(Db, New[2]);
        if (Rc == SQLITE_OK && New[0] == u"table"_s)
            Rc = Exec(Db, u"INSERT INTO main."_s + QuotedName(New[1]) + u" SELECT * FROM archived."_s +
                              QuotedName(New[1]));
        if (Rc != SQLITE_OK) return Rc;
    }
    return SQLITE_OK;
}

// The restore mark goes one up in the same transaction as the replaced tables, which do not carry
// it: the header stays the live file's.
int CountRestore(sqlite3* Db) {
    const QList<QStringList> Mark = TextRows(Db, "PRAGMA main.user_version");
    const qint64 Count = Mark.isEmpty() ? 0 : Mark.first().value(0).toLongLong();
    return Exec(Db, u"PRAGMA main.user_version = "_s + QString::number(Count + 1));
}

// Attaches the database file Path to Db as "archived".
bool AttachArchived(sqlite3* Db, const QString& Path) {
    sqlite3_stmt* Attach = nullptr;
    const QByteArray Utf8 = Path.toUtf8();
    const bool Attached =
        sqlite3_prepare_v2(Db, "ATTACH ?1 AS archived", -1, &Attach, nullptr) == SQLITE_OK &&
        sqlite3_bind_text(Attach, 1, Utf8.constData(), int(Utf8.size()), SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_step(Attach) == SQLITE_DONE;
    sqlite3_finalize(Attach);
    return Attached;
}

bool IsBusy(int Rc) {
    return (Rc & 0xFF) == SQLITE_BUSY;
}

int CallWorking(void* OnWorking) {
    (*static_cast<const std::function<void()>*>(OnWorking))();
    return 0;
}

// The lock a restore holds on the mark of its database for as long as it lives.
class TRestoreMark {
public:
    explicit TRestoreMark(const QString& Live)
        : FMark(::open(RestoreMarkOf(QFile::encodeName(Live).constData()).constData(),
                       O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
        if (FMark >= 0) ::flock(FMark, LOCK_EX | LOCK_NB);
    }
    ~TRestoreMark() {
        if (FMark >= 0) ::close(FMark);
    }
    TRestoreMark(const TRestoreMark&) = delete;
    TRestoreMark& operator=(const TRestoreMark&) = delete;

private:
    int FMark;
};

} // namespace

bool CopyDatabaseFile(const QString& Source, const QString& Target) {
    if (!BackupFile(Source, Target)) return false;
    if (CheckedSound(Target)) return true;
    QFile::remove(Target);
    QFile::remove(Target + u"-journal"_s);
    return false;
}

const QString PartialCopySuffix = u".part"_s;

TReplaceOutcome ReplaceDatabaseFile(const QString& Replacement, const QString& Live, const QString& Kept,
                                    const std::function<void()>& OnReplaced,
                                    const std::function<void()>& OnWorking) {
    const TRestoreMark Mark(Live);
    TReplaceOutcome Outcome = roNotReplaced;
    sqlite3* Db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(Live).constData(), &Db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        Configure(Db);
        if (OnWorking)
            sqlite3_progress_handler(Db, 10000, &CallWorking,
                                     const_cast<void*>(static_cast<const void*>(&OnWorking)));
        // Attaching is refused inside a transaction.
        const int Begun = AttachArchived(Db, Replacement) ? Exec(Db, u"BEGIN IMMEDIATE"_s) : SQLITE_ERROR;
        if (IsBusy(Begun))
            Outcome = roBusy;
        else if (Begun == SQLITE_OK) {
            // The copy reads on a connection of its own: the backup refuses a source that is writing.
            const QString Part = Kept + PartialCopySuffix;
            int Rc = SQLITE_CANTOPEN;
            if (BackupFile(Live, Part, OnWorking)) {
                // Over the empty file that claims the name.
                if (::rename(QFile::encodeName(Part).constData(), QFile::encodeName(Kept).constData()) == 0)
                    Rc = ReplaceObjects(Db);
                else
                    QFile::remove(Part);
            }
            if (Rc == SQLITE_OK) Rc = CountRestore(Db);
            if (Rc == SQLITE_OK) Rc = Exec(Db, u"COMMIT"_s);
            if (Rc == SQLITE_OK)
                Outcome = roReplacedUnverified;
            else {
                Exec(Db, u"ROLLBACK"_s);
                Outcome = IsBusy(Rc) ? roBusy : roNotReplaced;
            }
        }
    }
    sqlite3_close(Db);
    if (Outcome != roReplacedUnverified) {
        QFile::remove(Kept); // the caller's claim, or the copy of data that stay live
        return Outcome;
    }
    if (OnReplaced) OnReplaced();
    return CheckedSound(Live) ? roReplacedSound : roReplacedUnverified;
}

bool CreateDatabaseFile(const QString& Path) {
    if (QFileInfo::exists(Path)) return false;
    QDir().mkpath(QFileInfo(Path).absolutePath());
    sqlite3* Db = nullptr;
    const int Rc = sqlite3_open_v2(QFile::encodeName(Path).constData(), &Db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString Failed;
    QString Message;
    if (Rc != SQLITE_OK) {
        Message = Db ? ErrorText(Db) : QString::fromUtf8(sqlite3_errstr(Rc));
    } else {
        Configure(Db);
        QStringList Statements = {u"BEGIN"_s};
        for (const QString& S : SchemaScript().split(u';'))
            if (!S.trimmed().isEmpty()) Statements << S.trimmed();
        Statements << InitialSettingsRows() << u"COMMIT"_s;
        for (const QString& S : Statements) {
            try {
                TStatement Statement;
                Prepare(Db, JetToSqlite(S), S, Statement);
                StepAll(Db, Statement.Get(), S, [] {});
            } catch (const EDatabaseError& E) {
                Message = E.Message();
                Failed = S;
                break;
            }
        }
    }
    sqlite3_close(Db);
    if (Message.isEmpty()) return true;
    QFile::remove(Path);
    QFile::remove(Path + u"-journal"_s);
    throw EDatabaseError(Message, Failed);
}

// ---------------------------------------------------------------------------------------------

QString SqlText(const QString& Value) {
    QString Result = Value;
    Result.replace(u"\""_s, u"\"\""_s);
    return Result;
}

QString JetToSqlite(const QString& SQL) {
    return RewriteStatement(SQL, nullptr);
}

namespace {

TAdoConnection::TState& StateOf(TAdoConnection* Connection, const QString& SQL) {
    if (!Connection) throw EDatabaseError(u"No database connection"_s, SQL);
    return Connection->State();
}

} // namespace

namespace {

// The Jet types of a statement's result columns, found once per prepared statement.
void ResolveTypes(sqlite3_stmt* S, const QString& Sql, const TCatalog& Catalog, QList<TJetType>& Types) {
    if (!Types.isEmpty()) return;
    const int Count = sqlite3_column_count(S);
    const QList<TJetType> Items = SelectListTypes(Sql, Catalog);
    for (int I = 0; I < Count; ++I) {
        if (sqlite3_column_table_name(S, I) && sqlite3_column_origin_name(S, I)) {
            const char* Declared = sqlite3_column_decltype(S, I);
            Types << TypeOfDeclared(QString::fromUtf8(Declared ? Declared : ""));
        } else {
            Types << (I < Items.size() ? Items[I] : TJetType::Unknown);
        }
    }
}

} // namespace

struct TQueryRow::TCursor {
    sqlite3_stmt* S = nullptr;
    const QList<TJetType>* Types = nullptr;
    QStringDecoder Utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
};

int TQueryRow::Count() const {
    return sqlite3_column_count(FCursor->S);
}

bool TQueryRow::Integer(int Col, qint64& Value) const {
    if (sqlite3_column_type(FCursor->S, Col) != SQLITE_INTEGER) return false;
    Value = sqlite3_column_int64(FCursor->S, Col);
    return true;
}

bool TQueryRow::Real(int Col, double& Value) const {
    const int Storage = sqlite3_column_type(FCursor->S, Col);
    if (Storage == SQLITE_INTEGER)
        Value = double(sqlite3_column_int64(FCursor->S, Col));
    else if (Storage == SQLITE_FLOAT)
        Value = sqlite3_column_double(FCursor->S, Col);
    else
        return false;
    return true;
}

bool TQueryRow::Day(int Col, qint64& Value) const {
    double Days = 0;
    // Days of 01.01.1900 to 31.12.9999: their text has four digits of year that every reader takes
    // as they stand.
    if (FCursor->Types->value(Col) != TJetType::Date || !Real(Col, Days) || !(Days >= 2 && Days < 2958466))
        return false;
    Value = qint64(std::floor(Days));
    return true;
}

QString TQueryRow::Text(int Col) const {
    static const QString True = u"True"_s, False = u"False"_s;
    const TJetType Type = FCursor->Types->value(Col);
    const int Storage = sqlite3_column_type(FCursor->S, Col);
    if (Storage == SQLITE_NULL) return QString();
    // Shared rather than written out for every row.
    if (Type == TJetType::Boolean && (Storage == SQLITE_INTEGER || Storage == SQLITE_FLOAT))
        return sqlite3_column_double(FCursor->S, Col) != 0 ? True : False;
    QString Value;
    if (Storage != SQLITE_TEXT && Storage != SQLITE_BLOB) Value.reserve(24);
    AppendText(Col, Value);
    return Value;
}

void TQueryRow::AppendText(int Col, QString& To) const {
    const qsizetype At = To.size();
    if (AppendValue(To, FCursor->Utf8, FCursor->S, Col, FCursor->Types->value(Col))) {
        const QString Clean = CleanRow(To.sliced(At));
        To.truncate(At);
        To += Clean;
    }
}

void ReadRows(QObject*, TAdoConnection* Connection, const QString& SQL,
              const std::function<void(const TQueryRow&)>& OnRow) {
    if (SQL.isEmpty()) return;
    TAdoConnection::TState& State = StateOf(Connection, SQL);
    TQueryRow::TCursor Cursor;
    const TQueryRow Row(Cursor);
    State.Run(SQL, [&](sqlite3_stmt* S, const QString& Sql, QList<TJetType>& Types) {
        ResolveTypes(S, Sql, State.Catalog, Types);
        Cursor.S = S;
        Cursor.Types = &Types;
        OnRow(Row);
    });
}

bool RunQuery(QObject* Owner, TAdoConnection* Connection, const QString& SQL, TDelimitedStringList* List) {
    List->Clear();
    if (SQL.isEmpty()) return true;
    try {
        TAdoConnection::TState& State = StateOf(Connection, SQL);
        QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        qsizetype LastLength = 0;
        State.Run(SQL, [&](sqlite3_stmt* S, const QString& Sql, QList<TJetType>& Types) {
            const int Count = sqlite3_column_count(S);
            ResolveTypes(S, Sql, State.Catalog, Types);
            QString Row;
            Row.reserve(LastLength + 16);
            bool Dirty = false;
            for (int I = 0; I < Count; ++I) {
                if (I > 0) Row += u'@';
                Dirty |= AppendValue(Row, Utf8, S, I, Types[I]);
            }
            LastLength = Row.size();
            if (Dirty) Row = CleanRow(Row);
            // One record per row, even a row of one empty field; a value holding "°" splits
            // its row, as a text load would.
            if (Dirty && Row.contains(RecordDelimiterChar))
                List->AddText(Row);
            else
                List->Add(Row);
        });
    } catch (...) {
        List->Clear();
        throw;
    }
    return true;
}

void ShowDatabaseError(const QString& Message, const QString& SQL) {
    if (OfferSchemaRepair(nullptr)) return;
    ShowErrorFmt(LoadStr(65191) + u"\n\r%s"_s, {Message, SQL});
}

QStringList MissingSchemaUpgrades(QObject* Owner) {
    QStringList Upgrades;
    GetSchemaUpgradeStatements(Upgrades);
    QStringList Missing;
    try {
        for (const QString& Sql : Upgrades) {
            QString Table, Column;
            if (!AddedColumn(Sql, Table, Column)) continue;
            // Read afresh: another workstation may have replaced the schema since the catalog was made.
            // A table that is not there at all is no older schema: the repair cannot add to it.
            TDelimitedStringList Columns;
            RunQuery(Owner, AdoConnection,
                     Format(uR"sql(SELECT count(*), count(CASE WHEN name = "%s" THEN 1 END)
                                     FROM pragma_table_info("%s"))sql"_s,
                            {SqlText(Column), SqlText(Table)}),
                     &Columns);
            if (Columns.GetField(0, 0) != u"0"_s && Columns.GetField(0, 1) == u"0"_s) Missing << Sql;
        }
    } catch (const EDatabaseError&) {
        return {};
    }
    return Missing;
}

void RunSchemaUpgrades(QObject* Owner, const QStringList& Statements) {
    for (const QString& Sql : Statements)
        if (!ExecSQL(Owner, AdoConnection, Sql)) break;
}

bool OfferSchemaRepair(QObject* Owner) {
    // A failing upgrade is reported through ShowDatabaseError again: that report is the plain box.
    static bool Offering = false;
    if (Offering || OpenTransaction()) return false;
    // The failed statement opened the file, or the error was the opening's own.
    sqlite3* const Db = AdoConnection ? AdoConnection->State().Db : nullptr;
    if (!Db) return false;
    Offering = true;
    const auto Done = qScopeGuard([] { Offering = false; });
    // Asked beside every error box: a file another workstation holds keeps nobody waiting twice.
    sqlite3_busy_timeout(Db, 0);
    const QStringList Missing = MissingSchemaUpgrades(Owner);
    if (AdoConnection && AdoConnection->State().Db == Db) sqlite3_busy_timeout(Db, BusyWaitMs);
    if (Missing.isEmpty()) return false;
    if (ConfirmYesNoFmt(
            u"Базата данни е от по-стара версия на програмата: в нея липсват полета, които добавя "
            u"бутонът FIX в \"Помощ\" - \"За програмата\".\n\rЖелаете ли да бъдат добавени сега?"_s) == mrYes)
        RunSchemaUpgrades(Owner, Missing);
    return true;
}

qint64 RestoreMark() {
    TDelimitedStringList Mark;
    try {
        RunQuery(nullptr, AdoConnection, uR"sql(SELECT user_version FROM pragma_user_version)sql"_s, &Mark);
    } catch (const EDatabaseError&) {
        return -1;
    }
    return Mark.Count() > 0 ? Mark.Get(0).toLongLong() : -1;
}

bool ExecSQL(QObject* Owner, TAdoConnection* Connection, const QString& SQL) {
    try {
        StateOf(Connection, SQL).Run(SQL, [](auto&&...) {});
        return true;
    } catch (const Exception& E) {
        ShowDatabaseError(E.Message(), SQL);
        return false;
    }
}

int ExecCounted(TAdoConnection* Connection, const QString& SQL) {
    TAdoConnection::TState& State = StateOf(Connection, SQL);
    State.Run(SQL, [](auto&&...) {});
    return sqlite3_changes(State.Db);
}

bool RunPendingSql(QObject* Owner, QStringList& List, const std::function<QString()>& Check,
                   const std::function<QString()>& CheckAfter) {
    if (List.isEmpty()) return true;
    QString Refusal;
    try {
        // Another window of this program is inside its own Save or read: its transaction is not
        // this one.
        if (const TTransaction* Open = OpenTransaction()) {
            ShowErrorFmt(Open->Kind() == TTransactionKind::Read
                             ? u"Друг прозорец на програмата чете данни в момента. Опитайте отново."_s
                             : u"Друг прозорец на програмата записва в момента. Опитайте отново."_s);
            return false;
        }
        TTransaction Transaction(AdoConnection);
        if (Check) Refusal = Check();
        if (Refusal.isEmpty()) {
            for (const QString& SQL : List)
                StateOf(AdoConnection, SQL).Run(SQL, [](auto&&...) {});
            if (CheckAfter) Refusal = CheckAfter();
            if (Refusal.isEmpty()) Transaction.Commit();
        }
    } catch (const EDatabaseBusy&) {
        ShowErrorFmt(u"Базата данни е заета от друго работно място. Опитайте отново."_s);
        return false;
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    } catch (...) {
        // Whatever else stopped the check or the batch, the operator is told in his words; the
        // transaction is rolled back by now.
        ShowErrorFmt(u"Записът е прекъснат от неочаквана грешка. Нищо не е записано."_s);
        return false;
    }
    // Told only after the rollback: no dialog waits while the database is locked.
    if (!Refusal.isEmpty()) {
        ShowErrorFmt(Refusal);
        return false;
    }
    List.clear();
    return true;
}

const TTransaction* OpenTransaction(TAdoConnection* Connection) {
    return Connection ? Connection->State().Transaction : nullptr;
}

TTransaction::TTransaction(TAdoConnection* Connection, TTransactionKind Kind)
    : FConnection(nullptr), FKind(Kind) {
    const QString Begin = Kind == TTransactionKind::Read ? u"BEGIN"_s : u"BEGIN IMMEDIATE"_s;
    TAdoConnection::TState& State = StateOf(Connection, Begin);
    if (State.Transaction) throw EDatabaseError(u"A transaction is already open"_s, Begin);
    State.Run(Begin, [](auto&&...) {});
    State.Transaction = this;
    FConnection = Connection;
}

TTransaction::~TTransaction() {
    if (!FConnection) return;
    TAdoConnection::TState& State = FConnection->State();
    State.Transaction = nullptr;
    if (!State.Db || sqlite3_get_autocommit(State.Db)) return;
    if (FKind == TTransactionKind::Read) sqlite3_exec(State.Db, "COMMIT", nullptr, nullptr, nullptr);
    if (sqlite3_get_autocommit(State.Db)) return;
    sqlite3_exec(State.Db, "ROLLBACK", nullptr, nullptr, nullptr);
    // A rolled-back ALTER or CREATE must not linger in the catalog.
    try {
        State.LoadCatalog();
    } catch (const EDatabaseError&) {
        State.CloseDb(); // reopened, and the catalog rebuilt, by the next statement
    }
}

void TTransaction::Commit() {
    const QString Statement = u"COMMIT"_s;
    if (!FConnection) throw EDatabaseError(u"The transaction has ended"_s, Statement);
    TAdoConnection::TState& State = FConnection->State();
    State.Run(Statement, [](auto&&...) {});
    State.Transaction = nullptr;
    FConnection = nullptr;
}

// ---------------------------------------------------------------------------------------------

int FindRowByField(const QString& Value, const TDelimitedStringList* List, int Col) {
    if (!List) return -1;
    for (int I = 0; I < List->Count(); ++I)
        if (List->GetField(I, Col) == Value) return I;
    return -1;
}

int FindRowByTwoFields(const QString& ValueA, const QString& ValueB, const TDelimitedStringList* List,
                       int ColA, int ColB) {
    if (!List) return -1;
    for (int I = 0; I < List->Count(); ++I)
        if (List->GetField(I, ColA) == ValueA && List->GetField(I, ColB) == ValueB) return I;
    return -1;
}

int FindRowByIntKey(qint64 Key, const TDelimitedStringList* List, int Col) {
    if (!List) return -1;
    int Low = 0, High = List->Count() - 1;
    while (Low <= High) {
        const int Mid = (Low + High) / 2;
        const qint64 V = StrToIntOrZero(List->GetField(Mid, Col));
        if (V == Key) return Mid;
        if (V > Key)
            High = Mid - 1;
        else
            Low = Mid + 1;
    }
    return -1;
}

void LookupByIntKey(qint64 Key, const TDelimitedStringList* List, int KeyCol, QString& Result,
                    int ResultCol) {
    Result.clear();
    if (!List || List->Count() == 0) return;
    const int Fields = List->GetRowFieldCount(0);
    if (KeyCol < 0 || ResultCol < 0 || KeyCol >= Fields || ResultCol >= Fields) return;
    const int Row = FindRowByIntKey(Key, List, KeyCol);
    if (Row >= 0) Result = List->GetField(Row, ResultCol);
}
