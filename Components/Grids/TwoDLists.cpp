#include "Components/Grids/TwoDLists.h"

#include <algorithm>

void TBitsList::SetRange(int From, int To, bool Value) {
    From = std::max(From, 0);
    To = std::min(To, Size() - 1);
    for (int i = From; i <= To; ++i)
        FBits[size_t(i)] = Value;
}

// ---- T2dList

void T2dList::SetRowCount(int Value) {
    if (Value < 0 || Value == RowCount()) return;
    FRows.resize(size_t(Value), std::vector<int>(size_t(FColCount), 0));
}

void T2dList::SetColCount(int Value) {
    if (Value < 0) return;
    FColCount = Value;
    for (auto& row : FRows)
        row.resize(size_t(Value), 0);
}

void T2dList::SetSize(int ACols, int ARows) {
    SetColCount(ACols);
    SetRowCount(ARows);
}

int T2dList::Items(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= RowCount()) return 0;
    return FRows[size_t(ARow)][size_t(ACol)];
}

void T2dList::SetItems(int ACol, int ARow, int Value) {
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= RowCount()) return;
    FRows[size_t(ARow)][size_t(ACol)] = Value;
}

void T2dList::FillRow(int ARow, int Value) {
    if (ARow < 0 || ARow >= RowCount()) return;
    for (int& v : FRows[size_t(ARow)])
        if (!FKeepExisting || v == 0) v = Value;
}

void T2dList::FillAll(int Value) {
    for (auto& row : FRows)
        std::fill(row.begin(), row.end(), Value);
}

void T2dList::Assign(const T2dList& Source) {
    FKeepExisting = Source.FKeepExisting;
    FColCount = Source.FColCount;
    FRows = Source.FRows;
}

// ---- T2dBitsList

TBitsList T2dBitsList::NewRow() const {
    TBitsList row;
    row.SetSize(FColCount);
    row.SetAll(FDefaultValue);
    return row;
}

void T2dBitsList::SetRowCount(int Value) {
    if (Value < 0 || Value == RowCount()) return;
    FRows.resize(size_t(Value), NewRow());
}

void T2dBitsList::SetColCount(int Value) {
    if (Value < 0) return;
    const int old = FColCount;
    FColCount = Value;
    for (TBitsList& row : FRows) {
        row.SetSize(Value);
        row.SetRange(old, Value - 1, FDefaultValue);
    }
}

void T2dBitsList::SetSize(int ACols, int ARows) {
    SetColCount(ACols);
    SetRowCount(ARows);
}

bool T2dBitsList::Items(int ACol, int ARow) const {
    if (ARow < 0 || ARow >= RowCount()) return false;
    return FRows[size_t(ARow)].Bits(ACol);
}

void T2dBitsList::SetItems(int ACol, int ARow, bool Value) {
    if (ARow < 0 || ARow >= RowCount()) return;
    FRows[size_t(ARow)].SetBits(ACol, Value);
}

void T2dBitsList::FillRow(int ARow, bool Value) {
    if (ARow >= 0 && ARow < RowCount()) FRows[size_t(ARow)].SetAll(Value);
}

void T2dBitsList::FillAll(bool Value) {
    for (TBitsList& row : FRows)
        row.SetAll(Value);
}

void T2dBitsList::Assign(const T2dBitsList& Source) {
    FDefaultValue = Source.FDefaultValue;
    FColCount = Source.FColCount;
    FRows = Source.FRows;
}
