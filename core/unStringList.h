#pragma once
// The class library's object and string-list types, and TLineConv, the list that splits one
// line at a delimiter string into items and joins them back.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The root of the objects that lists carry beside their texts.
class TObject {
public:
    virtual ~TObject();
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object that can copy another object's contents into itself.
class TPersistent : public TObject {
public:
    // A new object of the same class holding a copy of this one; null when the class cannot be
    // copied that way.
    virtual std::unique_ptr<TPersistent> Clone() const;
    // Copies Source into this object; throws EConvertError when the classes do not fit.
    virtual void Assign(const TPersistent& Source);
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// One entry of the string lists: a text with the object carried beside it.
struct TStringItem {
    QString Text;
    TObject* Object = nullptr;
};

// Binary search of Items sorted by AnsiCompareText: true when S is there; Index is the match
// (with dupAccept the leftmost one) or the insertion point.
bool FindSortedText(const std::vector<TStringItem>& Items, const QString& S, TDuplicates Duplicates,
                    int& Index);
// Quicksort of Items[L..R] by AnsiCompareText.
void QuickSortText(std::vector<TStringItem>& Items, int L, int R);

// A list of texts, each with an object pointer beside it. The list does not own the objects.
// Index errors throw EStringListError ("List index out of bounds").
class TStringList : public TPersistent {
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const { return int(FItems.size()); }
    QString Get(int Index) const;
    QString operator[](int Index) const { return Get(Index); }
    void Put(int Index, const QString& S);
    TObject* GetObject(int Index) const;
    void PutObject(int Index, TObject* Obj);

    // Unsorted: appends. Sorted: the insertion point by AnsiCompareText; an equal text is
    // ignored (its index returned), accepted or refused as Duplicates says.
    virtual int Add(const QString& S);
    int AddObject(const QString& S, TObject* Obj);
    void Append(const QString& S) { Add(S); }
    virtual void Insert(int Index, const QString& S);
    void InsertObject(int Index, const QString& S, TObject* Obj);
    virtual void Delete(int Index);
    virtual void Clear();
    void Exchange(int I, int J);
    void Move(int CurIndex, int NewIndex);
    // Case-insensitive search; -1 when absent.
    int IndexOf(const QString& S) const;
    int IndexOfObject(const TObject* Obj) const;
    virtual void AddStrings(const TStringList& Source);

    // Every line followed by CR LF; SetText splits at CR LF, CR or LF.
    QString Text() const;
    void SetText(const QString& Text);
    QStringList ToQStringList() const;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    // Binary search of a sorted list: true when found; Index is the match or the insertion point.
    bool Find(const QString& S, int& Index) const;
    void Sort();

    std::unique_ptr<TPersistent> Clone() const override;
    // From another TStringList: its texts and object pointers (the objects are shared).
    void Assign(const TPersistent& Source) override;

protected:
    using TItem = TStringItem;
    void CheckIndex(int Index, int Last) const;
    void InsertItem(int Index, const QString& S, TObject* Obj);
    std::vector<TItem> FItems;

private:
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
};

// Splits one line at Delimiter into items and joins them back; items may carry objects, which
// the list owns while FreeObjects is set. An item's object may be another TLineConv.
class TLineConv : public TStringList {
public:
    TLineConv() = default;
    ~TLineConv() override;

    const QString& Delimiter() const { return FDelimiter; }
    void SetDelimiter(const QString& Value) { FDelimiter = Value; }
    bool FreeObjects() const { return FFreeObjects; }
    void SetFreeObjects(bool Value) { FFreeObjects = Value; }
    bool AutoTrim() const { return FAutoTrim; }
    // Switching it on trims the present items.
    void SetAutoTrim(bool Value);
    bool AutoUpper() const { return FAutoUpper; }
    // Switching it on upper-cases the present items.
    void SetAutoUpper(bool Value);

    // Clears the list and adds the items of Line; ‘a@b@’ gives "a", "b", "".
    void SetLine(const QString& Line);
    QString GetLine() const;
    // Items From..To joined with Delimiter, both clamped to the list.
    QString GetLineRange(int From, int To) const;
    // As GetLine, but an item with a TLineConv object contributes that list's own nested line.
    QString GetNestedLine() const;
    void SetItemCount(int N);
    // Empties every item's text, and those of nested lists, keeping the count.
    virtual void ClearValues();

    void Delete(int Index) override;
    void Clear() override;
    // Copies items; an item's persistent object is copied deeply, other objects are left out.
    void AddStrings(const TStringList& Source) override;
    // From another TLineConv: Delimiter, AutoTrim and FreeObjects too, then its items as AddStrings.
    void Assign(const TPersistent& Source) override;
    std::unique_ptr<TPersistent> Clone() const override;

private:
    void FreeItemObject(int Index);
    QString FDelimiter = QStringLiteral("@");
    bool FFreeObjects = true;
    bool FAutoTrim = true;
    bool FAutoUpper = false;
};
