#pragma once
// An edit that takes only the characters of a set given as a short text ("0-9", "A-Z;а-я;--").
// Characters outside the set are dropped, typed or pasted, with a beep (the rest of a paste
// stays); a text set from code loses them silently.
// The windows use it so that no double quote ever reaches a statement.

#include "Components/Edits/ButtonEdit.h"

#include <QLineEdit>
#include <bitset>

enum TEditCharCase { ecNormal, ecUpperCase };

// The code-page-1251 code of Ch, -1 when that code page has no such character. The set is kept
// by these codes, so ranges such as "а-я" or "c-" mean what they meant in that code page.
int CharToCp1251(QChar Ch);

// The set that ValidChars describes: single characters and ranges "x-y"; "-x" is everything up
// to x, "x-" everything from x, "-" alone everything, "--" the "-" itself.
std::bitset<256> ParseValidChars(const QString& ValidChars);

class TLimitedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TLimitedEdit(QWidget* Parent = nullptr);

    const QString& ValidChars() const { return FValidChars; }
    // Takes the new set and checks the present text again: a text with other characters is
    // emptied.
    void SetValidChars(const QString& Value);
    // The edit's own length limit: QLineEdit would cut a paste to the room left before the
    // characters outside the set are dropped, losing allowed ones without a word.
    int maxLength() const { return FMaxLength; }
    void setMaxLength(int Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value) { FCharCase = Value; }

    // After each accepted change of the text; refused changes do not fire it.
    TControlEvent OnChange;

    virtual bool IsValidChar(QChar Key) const;
    // Every character of Text is in the set.
    bool IsValidText(const QString& Text) const;

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void TextChanged(const QString& Text);
    // Puts Text into the edit without checking it again.
    void PutText(const QString& Text, int Caret);

    QString FValidChars;
    std::bitset<256> FCharSet;
    QString FLastGoodText;
    int FMaxLength = 32767;
    TEditCharCase FCharCase = ecNormal;
    bool FUpdating = false;
    bool FEdited = false;
};
