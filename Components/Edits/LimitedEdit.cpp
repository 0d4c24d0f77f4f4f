#include "Components/Edits/LimitedEdit.h"

#include <QKeyEvent>

namespace {

// Code page 1251 from 0x80 to 0xBF; 0xC0..0xFF are U+0410..U+044F in order. 0x98 is unused.
constexpr char16_t Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFF, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

void AddRange(std::bitset<256>& Set, int From, int To) {
    if (From < 0 || To < 0) return;
    for (int c = From; c <= To; ++c)
        Set.set(c);
}

} // namespace

int CharToCp1251(QChar Ch) {
    const char16_t u = Ch.unicode();
    if (u < 0x80) return u;
    if (u >= 0x0410 && u <= 0x044F) return 0xC0 + (u - 0x0410);
    for (int i = 0; i < 64; ++i)
        if (Cp1251High[i] == u) return 0x80 + i;
    return -1;
}

std::bitset<256> ParseValidChars(const QString& ValidChars) {
    std::bitset<256> Set;
    const int n = ValidChars.size();
    int i = 0;
    while (i < n) {
        if (ValidChars[i] != u'-') {
            const int c = CharToCp1251(ValidChars[i]);
            if (c >= 0) Set.set(c);
            ++i;
        } else if (i == n - 1) {
            if (i == 0)
                Set.set();
            else
                AddRange(Set, CharToCp1251(ValidChars[i - 1]), 255);
            ++i;
        } else if (ValidChars[i + 1] == u'-') {
            Set.set('-');
            i += 2;
        } else if (i == 0) {
            AddRange(Set, 0, CharToCp1251(ValidChars[1]));
            i += 2;
        } else {
            AddRange(Set, CharToCp1251(ValidChars[i - 1]), CharToCp1251(ValidChars[i + 1]));
            i += 2;
        }
    }
    return Set;
}

TLimitedEdit::TLimitedEdit(QWidget* Parent) : QLineEdit(Parent) {
    // Qt emits textEdited just before textChanged for changes the operator makes; a text set
    // from code comes without it and is cleaned instead of refused.
    connect(this, &QLineEdit::textEdited, this, [this] { FEdited = true; });
    connect(this, &QLineEdit::textChanged, this, &TLimitedEdit::TextChanged);
}

void TLimitedEdit::SetValidChars(const QString& Value) {
    FValidChars = Value;
    FCharSet = ParseValidChars(Value);
    FLastGoodText.clear();
    if (IsValidText(text())) {
        FLastGoodText = text();
        if (OnChange) OnChange(this);
    } else {
        PutText(FLastGoodText, 0);
    }
}

bool TLimitedEdit::IsValidChar(QChar Key) const {
    const int c = CharToCp1251(Key);
    return c >= 0 && FCharSet.test(c);
}

bool TLimitedEdit::IsValidText(const QString& Text) const {
    for (QChar Ch : Text)
        if (!IsValidChar(Ch)) return false;
    return true;
}

void TLimitedEdit::keyPressEvent(QKeyEvent* Event) {
    QChar Key = TypedChar(Event);
    if (Key.isNull()) {
        QLineEdit::keyPressEvent(Event);
        return;
    }
    if (FCharCase == ecUpperCase && Key.isLower()) {
        const int c = CharToCp1251(Key);
        if ((c >= 'a' && c <= 'z') || c >= 224) Key = Key.toUpper();
    }
    if (!IsValidChar(Key)) {
        ErrorBeep();
        Event->accept();
        return;
    }
    if (Key == Event->text().at(0)) {
        QLineEdit::keyPressEvent(Event);
    } else {
        QKeyEvent Upper(Event->type(), Event->key(), Event->modifiers(), QString(Key), Event->isAutoRepeat(),
                        Event->count());
        QLineEdit::keyPressEvent(&Upper);
    }
}

void TLimitedEdit::setMaxLength(int Value) {
    FMaxLength = qMax(0, Value);
    if (text().size() > FMaxLength) setText(text().left(FMaxLength));
}

void TLimitedEdit::TextChanged(const QString& Text) {
    const bool Edited = FEdited;
    FEdited = false;
    if (FUpdating) return;
    if (IsValidText(Text) && Text.size() <= FMaxLength) {
        FLastGoodText = Text;
        if (OnChange) OnChange(this);
        return;
    }
    // The characters of the set stay: those of a paste as if typed, the others refused with a
    // beep; a text set from code is only cleaned. Then what does not fit goes: the last
    // characters entered before the caret, or the end of a text set from code.
    int Caret = cursorPosition();
    QString Clean = KeepAllowedChars(Text, Caret, [this](QChar Char) { return IsValidChar(Char); });
    if (const int Excess = int(Clean.size()) - FMaxLength; Excess > 0) {
        if (Edited && Caret >= Excess) {
            Clean.remove(Caret - Excess, Excess);
            Caret -= Excess;
        } else {
            Clean.truncate(FMaxLength);
            Caret = qMin(Caret, FMaxLength);
        }
    }
    if (Edited) ErrorBeep();
    const bool Changed = Clean != FLastGoodText;
    FLastGoodText = Clean;
    PutText(Clean, Edited ? Caret : int(Clean.size()));
    if (OnChange && (Changed || !Edited)) OnChange(this);
}

void TLimitedEdit::PutText(const QString& Text, int Caret) {
    FUpdating = true;
    const bool WasModified = isModified();
    setText(Text);
    setModified(WasModified);
    setCursorPosition(Caret);
    FUpdating = false;
}
