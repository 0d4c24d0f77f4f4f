#pragma once
// Per-cell tables of integers and of bits, one entry per row, that the advanced string grid
// keeps its alignments, colours and border lines in.

#include <cstddef>
#include <vector>

class TBitsList {
public:
    int Size() const { return int(FBits.size()); }
    // New bits are false.
    void SetSize(int Value) { FBits.resize(size_t(Value < 0 ? 0 : Value), false); }
    bool Bits(int Index) const { return Index >= 0 && Index < Size() && FBits[size_t(Index)]; }
    void SetBits(int Index, bool Value) {
        if (Index >= 0 && Index < Size()) FBits[size_t(Index)] = Value;
    }
    // Bits From..To, clipped to the list.
    void SetRange(int From, int To, bool Value);
    void SetAll(bool Value) { SetRange(0, Size() - 1, Value); }

private:
    std::vector<bool> FBits;
};

class T2dList {
public:
    int RowCount() const { return int(FRows.size()); }
    // New rows hold ColCount zeros.
    void SetRowCount(int Value);
    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    // Columns first, then rows.
    void SetSize(int ACols, int ARows);
    bool KeepExisting() const { return FKeepExisting; }
    void SetKeepExisting(bool Value) { FKeepExisting = Value; }

    // 0 outside the list; writes outside it are ignored.
    int Items(int ACol, int ARow) const;
    void SetItems(int ACol, int ARow, int Value);
    // With KeepExisting only the entries that are 0 take Value.
    void FillRow(int ARow, int Value);
    // Every entry, whatever KeepExisting says.
    void FillAll(int Value);
    void Assign(const T2dList& Source);

private:
    std::vector<std::vector<int>> FRows;
    int FColCount = 0;
    bool FKeepExisting = true;
};

class T2dBitsList {
public:
    int RowCount() const { return int(FRows.size()); }
    // New rows and new columns start with DefaultValue.
    void SetRowCount(int Value);
    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    void SetSize(int ACols, int ARows);
    bool DefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(bool Value) { FDefaultValue = Value; }

    // False outside the list; writes outside it are ignored.
    bool Items(int ACol, int ARow) const;
    void SetItems(int ACol, int ARow, bool Value);
    void FillRow(int ARow, bool Value);
    void FillAll(bool Value);
    void Assign(const T2dBitsList& Source);

private:
    TBitsList NewRow() const;
    std::vector<TBitsList> FRows;
    int FColCount = 0;
    bool FDefaultValue = true;
};
