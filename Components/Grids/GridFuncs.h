#pragma once
// The functions every window fills, clears, searches and queries its grid with. They take any
// string grid; on a TRichGrid they work through attribute sets and formatted texts, on a
// TAdvStringGrid through its per-cell colours, alignments and hidden columns.

#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/StringGrid.h"

#include <QList>

class TRichGrid;
class TDelimitedStrings;
class TDelimitedStringList;

// The colour of a totals row: one whose first cell is FilterTotalsText or starts with MarkerChar
// (core/uDelimitedStrings).
constexpr TColor TotalsRowColor = 0xF8F0D8;

// Filling.
// FillGridFromList, then sizes the auto-resizing columns to the new rows (a sample of them on a
// big list; painting widens a column for a longer cell). False, with nothing thrown, when
// anything fails.
bool LoadGridFromList(TRichGrid* Grid, TDelimitedStringList* List, bool HideWhileFilling);
// One grid row per record, field j into column j; an empty list leaves one empty data row.
// True when the list has records.
bool FillGridFromList(TStringGrid* Grid, TDelimitedStringList* List, bool HideWhileFilling);
// The reverse of filling: one record per data row whose first cell is not blank, the stored
// texts of columns 0.. as its fields. List is emptied first.
void GridToDelimitedList(TStringGrid* Grid, TDelimitedStrings* List);
// Totals rows get the totals colour (losing the marker), every other data row clWindow.
void ColorTotalsRows(TRichGrid* Grid);

// Clearing. Mode 0: one empty data row; mode 1: the data cells emptied.
void ClearGrid(TStringGrid* Grid, int Mode);
// Moves the rows below ARow up (their texts and row attributes); keeps one data row. Nothing of
// ARow's colours stays behind.
void DeleteGridRow(TStringGrid* Grid, int ARow);

// Searching.
// The first data row whose cell in ACol is Text; Row ends there, or on the last row.
bool FindGridRow(const QString& Text, int ACol, TStringGrid* Grid, int& Row);
// Case-insensitive substring search from StartRow + Step (the first data row for -1); -1 when none.
int FindGridText(TStringGrid* Grid, const QString& Text, int ACol, int StartRow, int Step);
// Incremental search on the displayed texts: the row sharing the longest prefix with Text,
// which is cut to that prefix; -1 when nothing matches.
int FindGridPrefix(TStringGrid* Grid, QString& Text, int ACol, int StartRow, int Step);
// Leading characters A and B share, without regard to case; negative when A sorts first.
int PrefixMatchLength(const QString& A, const QString& B);

// Texts.
// The selection: cells joined by TAB, rows by CR.
void GridSelectionToText(TStringGrid* Grid, QString& Text);
// The displayed text on a TRichGrid, the stored one otherwise.
void GetGridCellText(TStringGrid* Grid, int ACol, int ARow, QString& Text);

// Per-cell looks; cells outside the grid are ignored.
void SetGridCellColor(TStringGrid* Grid, int ACol, int ARow, TColor Color);
TColor GetGridCellColor(TStringGrid* Grid, int ACol, int ARow);
void SetGridCellBitmap(TStringGrid* Grid, int ACol, int ARow, int ImageIndex);
TCellAlignment GetGridCellAlignment(TStringGrid* Grid, int ACol, int ARow);
void GetGridMergedCells(TStringGrid* Grid, int ACol, int ARow, TGridRect& Rect);
// The number formatters in effect on the data cells of Grid.
QList<TNumberFormatter*> GridNumberFormatters(TRichGrid* Grid);
void SetGridMarkNegative(TRichGrid* Grid, bool Value);
void HideGridSelection(TStringGrid* Grid);

// Columns.
void HideGridColumn(TStringGrid* Grid, int ACol);
void ShowGridColumn(TStringGrid* Grid, int ACol);
void SetGridColumnFillClient(TStringGrid* Grid, int ACol, bool Value);
bool GetGridColumnFillClient(TStringGrid* Grid, int ACol);
// The columns from LeftCol on fit the grid's width.
bool GridColumnsFitWidth(TStringGrid* Grid);
int GetFixedRowsHeight(TStringGrid* Grid);
// Kind 0 horizontal, 1 vertical.
bool GridHasScrollBar(TStringGrid* Grid, int Kind);
// A copy of a TRichGrid or TAdvStringGrid on Parent (the source's parent when none); null
// for other grids.
TStringGrid* CloneGrid(TStringGrid* Source, bool Visible, QWidget* Parent = nullptr);
