#pragma once
// Whether what a grid shows fits in its columns.

#include <QStringList>

class TRichGrid;

// The cells (headers included) whose shown text is wider than the room their column, or their
// block of merged cells, leaves it, measured with the grid's font: "column,row: text". Hidden
// columns are passed over.
QStringList CutCells(TRichGrid* Grid);
