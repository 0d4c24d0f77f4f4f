#pragma once
// .docx documents: a small writer for the documents the program makes itself, and the filler that
// puts a contract's values into the placeholder words of a template.

#include "core/unitTypes.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

class TDelimitedStrings;

// A .docx that cannot be read, is not a Word document or cannot be written.
class EDocxError : public Exception {
public:
    using Exception::Exception;
};

enum TDocxAlign { daLeft, daCenter, daRight, daJustify };

// One run of text; "\t" in Text becomes a tab and "\n" a line break.
struct TDocxRun {
    QString Text;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    double FontSize = 0; // points; 0 keeps the document's size
    bool Strike = false;
    QString FontName{}; // empty keeps the document's font
    QString Color{};    // "RRGGBB"; empty keeps the automatic colour
};

struct TDocxParagraph {
    QList<TDocxRun> Runs;
    TDocxAlign Align = daLeft;
    double SpaceAfter = 0; // points
    double IndentLeft = 0; // millimetres
};

enum TDocxVAlign { dvTop, dvCenter, dvBottom };
// A cell of a vertically merged block: the first row's cell starts it, the ones below continue it.
enum TDocxVMerge { dmNone, dmRestart, dmContinue };

struct TDocxCell {
    TDocxParagraph Paragraph;
    int GridSpan = 1; // grid columns the cell covers
    TDocxVMerge VMerge = dmNone;
    TDocxVAlign VAlign = dvTop;
    QString Fill;        // background "RRGGBB"; empty: none
    bool NoWrap = false; // the text stays on one line, the column widening for it
};

// A table on a grid of columns; a row lists its cells from the left, a cell spanning several
// columns standing for all of them.
struct TDocxTable {
    QList<double> ColumnWidths; // millimetres
    QList<QList<TDocxCell>> Rows;
    int HeaderRows = 0;     // the first rows, repeated at the top of every page the table reaches
    bool RowsWhole = false; // no row is split between two pages
    bool Borders = false;   // a single line around every cell
};

// Where a paragraph or table goes: the body, or the page header of every page.
enum TDocxPart { dpBody, dpHeader };

// Writes a document of paragraphs and tables on one page size, in one font. A body table may be
// streamed: its rows go to a file of the writer's as they are added, so that a table of any
// length holds one row in memory.
class TDocxWriter {
public:
    TDocxWriter();
    ~TDocxWriter();
    TDocxWriter(const TDocxWriter&) = delete;
    TDocxWriter& operator=(const TDocxWriter&) = delete;

    // Page size and margins in millimetres; A4 portrait with 20 mm margins until set.
    void SetPage(double WidthMm, double HeightMm, double MarginMm);
    // The document's font; Color "RRGGBB", empty for the automatic colour. A run that asks for
    // what the document already has carries no properties of its own, which keeps a long table
    // small.
    void SetFont(const QString& Family, double SizePt, const QString& Color = QString());
    // A new paragraph with the given runs; the reference stays valid until the next Add.
    TDocxParagraph& AddParagraph(const QList<TDocxRun>& Runs = {}, TDocxAlign Align = daLeft,
                                 TDocxPart Part = dpBody);
    void AddTable(const TDocxTable& Table, TDocxPart Part = dpBody);
    // A streamed body table: BeginTable with the table's header rows, row and border properties,
    // its rows from the top, then EndTable with the column widths, which may depend on every
    // row. EDocxError when the rows cannot be stored.
    void BeginTable(const TDocxTable& Properties = {});
    void AddTableRow(const QList<TDocxCell>& Row);
    void EndTable(const QList<double>& ColumnWidths);
    // Writes the file, replacing one that exists; EDocxError on failure.
    void SaveToFile(const QString& Path) const;

private:
    struct TBlock {
        bool IsTable = false;
        TDocxParagraph Paragraph;
        TDocxTable Table;
        // A streamed table: its rows are this range of FRows, Table holds only the widths.
        bool Streamed = false;
        qint64 RowsFrom = 0;
        qint64 RowsTo = 0;
        int RowCount = 0;
    };
    struct TRowStore;
    QList<TBlock>& Blocks(TDocxPart Part) { return Part == dpHeader ? FHeader : FBody; }
    QList<TBlock> FBody;
    QList<TBlock> FHeader;
    double FPageWidth = 210;
    double FPageHeight = 297;
    double FMargin = 20;
    QString FFont = QStringLiteral("Times New Roman");
    double FFontSize = 12;
    QString FColor;
    std::unique_ptr<TRowStore> FRows;
};

// Fills the placeholders of one .docx in place. Only the document body is searched; within each
// paragraph (also those in table cells) the texts of all runs are read as one text, so a
// placeholder that Word has split over several runs is still found.
class DocxTemplateFiller {
public:
    // Reads the document; EDocxError when it is no .docx.
    explicit DocxTemplateFiller(const QString& Path);
    ~DocxTemplateFiller();
    DocxTemplateFiller(const DocxTemplateFiller&) = delete;
    DocxTemplateFiller& operator=(const DocxTemplateFiller&) = delete;

    // Replaces every occurrence of Name by Value and returns how many there were. The search goes
    // on after each inserted value, so a value that holds Name is not replaced again.
    // "\n" in Value becomes a line break. A paragraph left without text is removed (a line
    // replaced by nothing leaves no blank line), but not the last one of a table cell.
    int ReplaceAll(const QString& Name, const QString& Value, Qt::CaseSensitivity Cs);
    // Each record "name@value" (split at its first "@") replaced in one pass over each paragraph:
    // the placeholder found first is replaced and the search goes on after its value, so no
    // inserted value is searched again. Of two placeholders at the same place, the record listed
    // first wins.
    void ReplaceRecords(const TDelimitedStrings& Records, Qt::CaseSensitivity Cs);
    // The text of every paragraph of the body in document order; tabs "\t", breaks "\n".
    QStringList ParagraphTexts() const;
    // Writes the changed document back into the file; EDocxError on failure.
    void Save();

private:
    int ReplaceInOnePass(const QList<QPair<QString, QString>>& Pairs, Qt::CaseSensitivity Cs);
    struct TData;
    std::unique_ptr<TData> D;
};
