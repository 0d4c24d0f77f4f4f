#include "framework/printing/GridPreview.h"

#include "Components/Grids/AdvStringGrid.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unStringFuncs.h"
#include "framework/printing/PagePrinter.h"
#include "framework/printing/PrintDialogs.h"
#include "framework/printing/RawPrinter.h"

#include "Components/Grids/ImageList.h"
#include "core/unPeriods.h"
#include "core/unRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <numeric>

const QString PageBreakMarker = QStringLiteral("-=: PaGe BrEaK :=-");
const QString IncompleteMark = QStringLiteral(" (непълен)");

TTextModeLayout TextModeLayout(int WidthMm, int HeightMm, int FixedChars, int FixedLines) {
    TTextModeLayout layout;
    if (FixedChars != 0) {
        layout.NormalWidth = layout.CondensedWidth = FixedChars;
    } else {
        if (WidthMm + HeightMm == 717) {
            layout.NormalWidth = 136;
            layout.CondensedWidth = 233;
        }
        layout.CondensedWidth = int(std::lround(WidthMm / (381.0 / 233)));
    }
    layout.LinesPerPage = FixedLines != 0 ? FixedLines : int(std::lround(HeightMm / (297.0 / 62)));
    return layout;
}

namespace {

bool IsMarkerRow(TStringGrid* Grid, int Row) {
    return Row < Grid->RowCount() && Grid->Cells(0, Row) == PageBreakMarker;
}

void LetEventsRun() {
    QCoreApplication::processEvents();
}

bool Cancelled(const TGridPrintJob& Job) {
    return Job.Progress && Job.Progress->Answer == 1;
}

void SetStatus(const TGridPrintJob& Job, const QString& Text) {
    if (Job.Progress) Job.Progress->SetStatus(Text);
}

void StepProgress(const TGridPrintJob& Job, int Page, int Total) {
    if (!Job.Progress) return;
    QProgressBar* bar = Job.Progress->ProgressBar;
    if (bar->value() >= bar->maximum()) bar->setMaximum(bar->value() + 1);
    bar->setValue(bar->value() + 1);
    Job.Progress->SetPages(Page, Total);
}

QString DateTimeText(const QDateTime& When) {
    return When.toString(QStringLiteral("dd.MM.yyyy' г. / 'HH:mm:ss"));
}

QString DateTimeText(const TGridPrintJob& Job) {
    return DateTimeText(Job.Now());
}

} // namespace

// ---- graphic mode

QList<int> HeaderBlockEnds(TStringGrid* Grid, const QList<int>& Printed) {
    QList<int> ends;
    for (int k = 0; k < Printed.size(); ++k) {
        ends << k;
        for (int r = 0; r < Grid->FixedRows() && r < Grid->RowCount(); ++r) {
            TGridRect block;
            GetGridMergedCells(Grid, Printed[k], r, block);
            while (ends[k] + 1 < Printed.size() && Printed[ends[k] + 1] <= block.Right)
                ++ends[k];
        }
    }
    return ends;
}

QList<QList<int>> ColumnBands(QList<int>& Widths, int Room, int Lead, const QList<int>& BlockEnd) {
    const int n = int(Widths.size());
    QList<int> all(n);
    std::iota(all.begin(), all.end(), 0);
    if (Lead + std::accumulate(Widths.begin(), Widths.end(), 0) <= Room) return {all};
    QList<int> keys;
    int keyWidth = Lead;
    for (int k = 0; k < std::min(3, n - 1); ++k) {
        if (keyWidth + Widths[k] > Room / 3) break;
        keys << k;
        keyWidth += Widths[k];
    }
    if (!keys.isEmpty() && BlockEnd[keys.last()] < n - 1) {
        int rest = 0;
        for (int k = keys.last() + 1; k <= BlockEnd[keys.last()]; ++k)
            rest += Widths[k];
        if (keyWidth + rest <= Room / 3) {
            for (int k = keys.last() + 1, end = BlockEnd[keys.last()]; k <= end; ++k)
                keys << k;
            keyWidth += rest;
        }
    }
    QList<QList<int>> bands;
    QList<int> band = keys;
    int used = keyWidth;
    for (int k = int(keys.size()); k < n; ++k) {
        Widths[k] = std::min(Widths[k], Room - keyWidth);
        if (used + Widths[k] > Room && band.size() > keys.size()) {
            bands << band;
            band = keys;
            used = keyWidth;
        }
        band << k;
        used += Widths[k];
    }
    bands << band;
    return bands;
}

namespace {

// No text of a printed grid is set smaller than this, however wide the grid.
constexpr double ReadablePoints = 6;
// A text column wider than this many characters wraps its texts and grows its rows instead.
constexpr int WrapChars = 30;

// A totals row is coloured as one; the filter's totals row is known by its text.
bool IsTotalsRow(TStringGrid* Grid, int Row) {
    if (Grid->Cells(0, Row) == FilterTotalsText) return true;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        return rich->EffectiveCellAttributes(0, Row)->BackColor() == TotalsRowColor;
    return GetGridCellColor(Grid, 0, Row) == TotalsRowColor;
}

// The widths of the characters of one font, each measured once: a text's width is then a sum,
// cheap enough for every cell of a big report.
class TCharWidths {
public:
    explicit TCharWidths(const QFont& Font) : FMetrics(Font) { FTable.fill(-1); }
    double Of(QChar C) const {
        const char16_t u = C.unicode();
        if (u >= FTable.size()) return FMetrics.horizontalAdvance(C);
        float& width = FTable[u];
        if (width < 0) width = float(FMetrics.horizontalAdvance(C));
        return width;
    }
    double Of(QStringView Text) const {
        double width = 0;
        for (const QChar c : Text)
            width += Of(c);
        return width;
    }
    // The widest line of a text of several lines.
    double Widest(const QString& Text) const {
        double widest = 0;
        for (const QStringView line : QStringView(Text).split(QLatin1Char('\n')))
            widest = std::max(widest, Of(line));
        return widest;
    }
    // The widest word: what a wrapped text cannot go below.
    double WidestWord(const QString& Text) const {
        double widest = 0;
        for (const QStringView word : QStringView(Text).split(QRegularExpression(QStringLiteral("\\s+"))))
            widest = std::max(widest, Of(word));
        return widest;
    }

private:
    QFontMetricsF FMetrics;
    mutable std::array<float, 0x500> FTable;
};

// Calls Line for each line of Text broken to Width: at its line ends, then at blanks, and a word
// wider than the line at any character.
template <typename F> void ForEachLine(const QString& Text, double Width, const TCharWidths& W, F&& Line) {
    for (QStringView part : QStringView(Text).split(QLatin1Char('\n'))) {
        if (part.endsWith(QLatin1Char('\r'))) part.chop(1);
        if (part.isEmpty()) {
            Line(part);
            continue;
        }
        qsizetype start = 0;
        const qsizetype n = part.size();
        while (start < n) {
            double used = 0;
            qsizetype i = start;
            qsizetype blank = -1;
            while (i < n) {
                const double w = W.Of(part[i]);
                if (used + w > Width && i > start) break;
                if (part[i] == QLatin1Char(' ')) blank = i;
                used += w;
                ++i;
            }
            // Back to the last blank, unless the line ends just before one.
            const qsizetype end = i < n && part[i] != QLatin1Char(' ') && blank > start ? blank : i;
            Line(part.mid(start, end - start));
            start = end;
            while (start < n && part[start] == QLatin1Char(' '))
                ++start;
        }
    }
}

int LineCount(const QString& Text, double Width, const TCharWidths& W) {
    int lines = 0;
    ForEachLine(Text, Width, W, [&lines](QStringView) { ++lines; });
    return std::max(1, lines);
}

// A grid laid out on pages: its printed columns measured once and split into bands that fit
// the page's width, each led by the key columns; its rows cut into ranges that fit the page's
// height. A page is a band of a row range, drawn from the grid's cells when it is wanted.
class TGridPages {
public:
    explicit TGridPages(TGridPrintJob& Job);
    // False when the operator cancelled; the pages mapped so far stay, their page line marked
    // incomplete.
    bool Build(TGridPrintJob& Job);
    int Count() const { return int(Pages.size()); }
    void Draw(QPainter& C, int Number) const;

private:
    struct TColumn {
        int Col = 0;
        int Width = 0; // in printer pixels, the cell's margins included
        bool Wrap = false;
    };
    struct TPage {
        int Band = -1; // -1: no table on the page
        int Top = 0;   // where the table, or the closing text, starts
        int First = -1, Skip = 0;
        int Last = -1, UpTo = -1; // UpTo: the lines shown of the last row, -1 all of them
        int Titles = -1;          // the marker row whose caption and title the page carries
        bool Heading = true;
        int ClosingTop = -1;
        int SignatureTop = -1;
    };

    int X(double Mm) const { return int(std::lround(Mm / 25.4 * DpiX)); }
    int Y(double Mm) const { return int(std::lround(Mm / 25.4 * DpiY)); }
    QFont Font(int Object) const { return DeviceFont(po[size_t(Object)].Font, DpiY); }
    bool IsPrinted(const TGridPrintJob& Job, int Col) const;
    void MeasureColumns(TGridPrintJob& Job);
    void MeasureRows();
    // The columns' cells in the band at Row: (first column index, how many band columns, text
    // cell) for each block of merged cells or single cell.
    struct TSpan {
        int From = 0;
        int Count = 1;
        int Col = 0;
        int Row = 0;
        bool Covered = false; // the top of the block is an earlier row
    };
    QList<TSpan> Spans(const QList<int>& Band, int Row) const;
    int SpanWidth(const QList<int>& Band, const TSpan& Span) const;
    // The header rows' height in the band that needs most.
    int HeaderHeight() const;
    int RowHeight(int Lines) const { return Lines * LineHeight + 2 * PadY; }
    std::pair<QString, QString> TitlesOf(int Marker) const;
    QString PageLine(int Page) const;
    QRect PageLineArea() const {
        return {QPoint(Body.left(), Y(po[poPageLine].Top)), QPoint(X(po[poPageLine].Right), Body.bottom())};
    }
    int PlainTop() const;
    // Draws the heading of a page of Band (-1 none) on C, or only measures it without one; the
    // table starts below it.
    int Heading(QPainter* C, int Page, int Titles, int Band) const;
    void DrawTable(QPainter& C, const TPage& Page) const;
    void DrawCell(QPainter& C, const QRect& Cell, int Col, int Row, bool Bold, bool Wrap, int Skip) const;
    int TitleLineHeight() const { return QFontMetrics(Font(poTitle)).height(); }
    int ClosingHeight() const;

    TStringGrid* Grid;
    std::array<TPrintObjectData, PrintObjectCount> po;
    QString Caption, ReportTitle, SecondHeading, ClosingText, PageLineOverride;
    bool TitlesOnFirstPageOnly = false, SignatureBlock = false, MarkNegative = false;
    QDateTime Stamp;
    int DpiX = 300, DpiY = 300;
    QRect Body;
    QFont Table, TableBold;
    std::unique_ptr<TCharWidths> Widths, BoldWidths;
    int LineHeight = 1, PadX = 1, PadY = 1;
    bool HasMerges = true;
    QList<TColumn> Columns;
    QList<QList<int>> Bands;       // indexes into Columns, key columns first
    std::vector<int> RowLines;     // per data row
    QList<QList<int>> HeaderLines; // per band, per header row
    std::vector<TPage> Pages;
    bool Incomplete = false;
};

TGridPages::TGridPages(TGridPrintJob& Job)
    : Grid(Job.Grid), po(Job.Setting->PrintObjects), Caption(Job.Caption), ReportTitle(Job.ReportTitle),
      SecondHeading(Job.SecondHeading), ClosingText(Job.ClosingText), PageLineOverride(Job.PageLineOverride),
      TitlesOnFirstPageOnly(Job.TitlesOnFirstPageOnly), SignatureBlock(Job.SignatureBlock),
      MarkNegative(Job.MarkNegative), Stamp(Job.Now()) {
    const TDeviceCaps& caps = Job.Printer->Caps();
    DpiX = caps.DpiX;
    DpiY = caps.DpiY;
    Body = QRect(X(po[poBody].Left), Y(po[poBody].Top), X(po[poBody].Right) - X(po[poBody].Left),
                 Y(po[poBody].Bottom) - Y(po[poBody].Top));
    if (auto* rich = qobject_cast<TRichGrid*>(Grid)) HasMerges = !rich->MergeCellsStr().isEmpty();
}

bool TGridPages::IsPrinted(const TGridPrintJob& Job, int Col) const {
    if (!Job.Setting->VisibleCols.value(Col, true)) return false;
    if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid)) return !adv->ColumnHidden(Col);
    return Grid->ColWidths(Col) > 0;
}

QList<TGridPages::TSpan> TGridPages::Spans(const QList<int>& Band, int Row) const {
    QList<TSpan> spans;
    for (int i = 0; i < Band.size(); ++i) {
        const int col = Columns[Band[i]].Col;
        TGridRect block{col, Row, col, Row};
        if (HasMerges) GetGridMergedCells(Grid, col, Row, block);
        TSpan span{i, 1, block.Left, block.Top, block.Top < Row};
        if (block.Right > block.Left)
            while (span.From + span.Count < Band.size() &&
                   Columns[Band[span.From + span.Count]].Col <= block.Right &&
                   Columns[Band[span.From + span.Count]].Col > col)
                ++span.Count;
        i += span.Count - 1;
        spans << span;
    }
    return spans;
}

int TGridPages::SpanWidth(const QList<int>& Band, const TSpan& Span) const {
    int width = 0;
    for (int k = Span.From; k < Span.From + Span.Count; ++k)
        width += Columns[Band[k]].Width;
    return width;
}

void TGridPages::MeasureColumns(TGridPrintJob& Job) {
    const TFont& tableFont = po[poTable].Font;
    const double points = tableFont.Font().pointSizeF() > 0 ? tableFont.Font().pointSizeF() : 8;
    const QFont base = DeviceFont(tableFont, DpiY);
    QFont baseBold = base;
    baseBold.setBold(true);
    const TCharWidths w(base), wb(baseBold);
    const int fixed = Grid->FixedRows();
    const int rows = Grid->RowCount();

    // Each printed column's widest data text and header word, in the table font as chosen.
    struct TMeasure {
        double Data = 0, HeaderWord = 0, Header = 0;
        bool Blanks = false;
    };
    QList<int> printed;
    for (int c = 0; c < Grid->ColCount(); ++c)
        if (IsPrinted(Job, c)) printed << c;
    QList<TMeasure> m(printed.size());
    QList<TGridRect> blocks;
    QString text;
    for (int r = 0; r < rows; ++r) {
        // The progress dialog stays live through a big grid.
        if (r % 4096 == 4095) LetEventsRun();
        if (IsMarkerRow(Grid, r)) continue;
        const bool header = r < fixed;
        const TCharWidths& cw = !header && IsTotalsRow(Grid, r) ? wb : w;
        for (int k = 0; k < printed.size(); ++k) {
            const int c = printed[k];
            if (HasMerges) {
                TGridRect block{c, r, c, r};
                GetGridMergedCells(Grid, c, r, block);
                if (block.Right > block.Left) {
                    // A merged text spreads over its whole block, below.
                    if (block.Left == c && block.Top == r) blocks << block;
                    continue;
                }
            }
            GetGridCellText(Grid, c, r, text);
            if (header) {
                m[k].HeaderWord = std::max(m[k].HeaderWord, w.WidestWord(text));
                m[k].Header = std::max(m[k].Header, w.Widest(text));
            } else {
                m[k].Data = std::max(m[k].Data, cw.Widest(text));
                m[k].Blanks = m[k].Blanks || text.contains(QLatin1Char(' '));
            }
        }
    }
    const double wrapWidth = WrapChars * w.Of(QChar(0x043E)); // Cyrillic "о", an average letter
    QList<double> natural(printed.size()), comfortable(printed.size());
    for (int k = 0; k < printed.size(); ++k) {
        const TCellAlignment align = GetGridCellAlignment(Grid, printed[k], std::min(fixed, rows - 1));
        // caCenter beside caLeft centres vertically only: such a column is a text column still.
        const bool textColumn =
            !align.Contains(caRight) && !(align.Contains(caCenter) && !align.Contains(caLeft));
        Columns << TColumn{printed[k], 0, textColumn && m[k].Blanks && m[k].Data > wrapWidth};
        const double data = Columns[k].Wrap ? std::max(wrapWidth, m[k].HeaderWord) : m[k].Data;
        natural[k] = std::max(data, m[k].HeaderWord);
        comfortable[k] = std::max(data, m[k].Header);
    }
    for (const TGridRect& block : blocks) {
        QString blockText;
        GetGridCellText(Grid, block.Left, block.Top, blockText);
        QList<int> inside;
        double have = 0;
        for (int k = 0; k < printed.size(); ++k)
            if (printed[k] >= block.Left && printed[k] <= block.Right) {
                inside << k;
                have += natural[k];
            }
        const double need = (block.Top < fixed ? w.WidestWord(blockText) : w.Widest(blockText)) -
                            2.0 * (inside.size() - 1) * DpiX / 72;
        for (const int k : inside)
            if (need > have) natural[k] += (need - have) / inside.size();
    }
    double totalNatural = 0, totalComfortable = 0;
    for (int k = 0; k < printed.size(); ++k) {
        comfortable[k] = std::max(comfortable[k], natural[k]);
        totalNatural += natural[k];
        totalComfortable += comfortable[k];
    }
    // Headers keep to one line when the page has room for it.
    const int padX = std::max(1, int(std::lround(DpiX / 72.0)));
    const int room = Body.width();
    const double pads = 2.0 * padX * printed.size();
    const QList<double>& chosen = totalComfortable + pads <= room ? comfortable : natural;
    const double total = totalComfortable + pads <= room ? totalComfortable : totalNatural;

    const QList<int> blockEnd = HeaderBlockEnds(Grid, printed);
    // The pixel size of the type at Scale, and the columns' widths in it.
    const auto sizeAt = [&](double Scale) { return std::max(1, int(std::lround(base.pixelSize() * Scale))); };
    const auto widthsAt = [&](double Scale) {
        const double exact = double(sizeAt(Scale)) / base.pixelSize();
        const int padX = std::max(1, int(std::lround(DpiX / 72.0 * exact)));
        QList<int> widths;
        for (const double w : chosen)
            // A little over the sum of the characters, for what kerning adds.
            widths << int(std::ceil(w * exact * 1.02)) + 2 * padX + 1;
        return widths;
    };

    // Smaller type while the table is too wide, never below the readable size; what still does
    // not fit goes on further pages, in the largest type that needs no more of them.
    const double smallest = ReadablePoints / points;
    double scale = total + pads > room ? std::max(0.0, (room - pads) / std::max(1.0, total)) : 1.0;
    scale = std::max(std::min(scale, 1.0), smallest);
    QList<int> widths = widthsAt(scale);
    Bands = ColumnBands(widths, room, 0, blockEnd);
    // The estimate leaves out what rounding and kerning add to each column: smaller still while
    // that spills columns onto further pages.
    while (Bands.size() > 1 && scale > smallest) {
        scale = std::max(smallest, scale - 0.02);
        widths = widthsAt(scale);
        Bands = ColumnBands(widths, room, 0, blockEnd);
    }
    for (double larger = 1.0; Bands.size() > 1 && larger > scale; larger -= 0.05) {
        QList<int> tried = widthsAt(larger);
        const QList<QList<int>> bands = ColumnBands(tried, room, 0, blockEnd);
        if (bands.size() <= Bands.size()) {
            scale = larger;
            widths = tried;
            Bands = bands;
            break;
        }
    }
    Table = base;
    Table.setPixelSize(sizeAt(scale));
    TableBold = Table;
    TableBold.setBold(true);
    scale = double(Table.pixelSize()) / base.pixelSize();
    Widths = std::make_unique<TCharWidths>(Table);
    BoldWidths = std::make_unique<TCharWidths>(TableBold);
    LineHeight = QFontMetrics(Table).height();
    PadX = std::max(1, int(std::lround(DpiX / 72.0 * scale)));
    PadY = std::max(1, int(std::lround(DpiY / 144.0 * scale)));
    const QList<int> full = widthsAt(scale);
    int width = 0;
    for (int k = 0; k < printed.size(); ++k) {
        Columns[k].Width = widths[k];
        // Wider than a band can be: it wraps instead.
        if (widths[k] < full[k]) Columns[k].Wrap = true;
        width += widths[k];
    }
    if (Bands.size() == 1) {
        // One band: the filling columns share what the others leave of the page.
        QList<int> filling;
        for (int k = 0; k < printed.size(); ++k)
            if (GetGridColumnFillClient(Grid, printed[k])) filling << k;
        int left = std::max(0, room - width);
        for (int i = 0; i < filling.size(); ++i) {
            const int share = left / int(filling.size() - i);
            Columns[filling[i]].Width += share;
            left -= share;
        }
    }
}

void TGridPages::MeasureRows() {
    const int rows = Grid->RowCount();
    const int fixed = Grid->FixedRows();
    RowLines.assign(size_t(rows), 1);
    QString text;
    for (int r = fixed; r < rows; ++r) {
        if (r % 4096 == 4095) LetEventsRun();
        if (IsMarkerRow(Grid, r)) continue;
        const TCharWidths& cw = IsTotalsRow(Grid, r) ? *BoldWidths : *Widths;
        int lines = 1;
        for (const TColumn& column : Columns) {
            if (HasMerges) {
                TGridRect block{column.Col, r, column.Col, r};
                GetGridMergedCells(Grid, column.Col, r, block);
                if (block.Right > block.Left) continue; // one line across its block
            }
            GetGridCellText(Grid, column.Col, r, text);
            if (column.Wrap)
                lines = std::max(lines, LineCount(text, column.Width - 2 * PadX - 1, cw));
            else if (text.contains(QLatin1Char('\n')))
                lines = std::max(lines, int(text.count(QLatin1Char('\n'))) + 1);
        }
        RowLines[size_t(r)] = lines;
    }
    // Header rows, band by band: a block split between bands is narrower in each.
    HeaderLines.clear();
    for (const QList<int>& band : Bands) {
        QList<int> bandLines;
        for (int r = 0; r < fixed && r < rows; ++r) {
            int lines = 1;
            for (const TSpan& span : Spans(band, r)) {
                if (span.Covered) continue;
                GetGridCellText(Grid, span.Col, span.Row, text);
                lines = std::max(lines, LineCount(text, SpanWidth(band, span) - 2 * PadX - 1, *Widths));
            }
            bandLines << lines;
        }
        HeaderLines << bandLines;
    }
}

int TGridPages::HeaderHeight() const {
    int highest = 0;
    for (const QList<int>& lines : HeaderLines) {
        int height = 0;
        for (const int l : lines)
            height += RowHeight(l);
        highest = std::max(highest, height);
    }
    return highest;
}

std::pair<QString, QString> TGridPages::TitlesOf(int Marker) const {
    if (Marker < 0) return {Caption, ReportTitle};
    const QString texts = Grid->Cells(1, Marker);
    return {GetPiece(texts, QLatin1Char('@'), 0),
            texts.contains(QLatin1Char('@')) ? GetPiece(texts, QLatin1Char('@'), 1) : QString()};
}

QString TGridPages::PageLine(int Page) const {
    // A document cut short by Cancel must not pass for the whole one.
    const QString cut = Incomplete ? IncompleteMark : QString();
    if (!PageLineOverride.isEmpty()) return PageLineOverride + cut;
    return DateTimeText(Stamp) + QLatin1Char('\n') +
           Format(po[poPageLine].Text, {Page, std::max(Page, Count())}) + cut;
}

int TGridPages::PlainTop() const {
    const QFontMetrics metrics(Font(poPageLine));
    const QRect line = metrics.boundingRect(PageLineArea(), Qt::AlignRight | Qt::AlignTop, PageLine(1));
    return std::max(Y(po[poFirmBlock].Top), line.bottom() + 1);
}

int TGridPages::Heading(QPainter* C, int Page, int Titles, int Band) const {
    const int bottom = Body.bottom();
    const QFontMetrics lineMetrics(Font(poPageLine));
    QString pageText = Format(QStringLiteral("Стр. %d"), {Page});
    // Pages of one row range follow each other, one per band.
    if (Bands.size() > 1 && Band >= 0)
        pageText += Format(QStringLiteral(", колони %d от %d"), {Band + 1, int(Bands.size())});
    const QRect pageArea(QPoint(X(po[poFirmBlock].Left), Y(po[poFirmBlock].Top)),
                         QPoint(Body.right(), bottom));
    const QRect pageDrawn =
        lineMetrics.boundingRect(pageArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, pageText);
    const QRect lineDrawn =
        lineMetrics.boundingRect(PageLineArea(), Qt::AlignRight | Qt::AlignTop, PageLine(Page));
    if (C) {
        C->setPen(Qt::black);
        C->setFont(Font(poPageLine));
        C->drawText(pageArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, pageText);
    }
    const int left = pageDrawn.right() + 1;
    const int right = X(po[poPageLine].Right) - (Body.left() + lineDrawn.width());
    int top = Y(po[poCaption].Top);
    auto centred = [&](const QString& Text, int Object) {
        if (Text.isEmpty()) return;
        const QRect area(QPoint(left, top), QPoint(std::max(left, right), bottom));
        const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
        const QFont font = Font(Object);
        if (C) {
            C->setFont(font);
            C->drawText(area, flags, Text);
        }
        top = QFontMetrics(font).boundingRect(area, flags, Text).bottom() + 1;
    };
    const auto [caption, title] = TitlesOf(Titles);
    centred(caption, poCaption);
    centred(title, poTitle);
    centred(SecondHeading, poSecondHeading);
    // Without a title the page line would be the lowest text of the heading.
    return std::max({top, pageDrawn.bottom() + 1, lineDrawn.bottom() + 1});
}

int TGridPages::ClosingHeight() const {
    if (ClosingText.isEmpty()) return 0;
    // A blank line above its lines.
    const qsizetype lines = ClosingText.count(QStringLiteral("\r\n")) + 1;
    return int(lines + 1) * TitleLineHeight();
}

bool TGridPages::Build(TGridPrintJob& Job) {
    SetStatus(Job, QStringLiteral("Подготовка на данните, моля изчакайте ..."));
    if (Job.Progress) Job.Progress->ProgressBar->setValue(0);
    MeasureColumns(Job);
    MeasureRows();
    SetStatus(Job, QStringLiteral("Подготовка на страниците, моля изчакайте ..."));

    const int rows = Grid->RowCount();
    const int header = HeaderHeight();
    int row = Grid->FixedRows();
    int skip = 0;
    int titles = -1;
    int bottom = Body.top();
    bool more = true;
    while (more) {
        while (skip == 0 && IsMarkerRow(Grid, row))
            titles = row++;
        const int number = Count() + 1;
        TPage page;
        page.Titles = titles;
        page.Heading = !(TitlesOnFirstPageOnly && number > 1);
        page.Top = page.Heading ? Heading(nullptr, number, titles, 0) : PlainTop();
        const int room = Body.bottom() - page.Top - header;
        int used = 0;
        while (row < rows && !IsMarkerRow(Grid, row)) {
            const int lines = RowLines[size_t(row)] - skip;
            if (used + RowHeight(lines) <= room) {
                if (page.First < 0) page = {page.Band, page.Top, row, skip, row, -1, titles, page.Heading};
                page.Last = row;
                used += RowHeight(lines);
                ++row;
                skip = 0;
                continue;
            }
            // A row taller than what is left of the page starts here when it is taller than a
            // whole page, and goes on on the next one.
            const int fits = (room - used - 2 * PadY) / LineHeight;
            const bool tall = RowHeight(lines) > Body.bottom() - PlainTop() - header;
            if (used > 0 && (!tall || fits < 1)) break;
            const int take = std::max(1, fits);
            if (page.First < 0) page = {page.Band, page.Top, row, skip, row, -1, titles, page.Heading};
            page.Last = row;
            page.UpTo = skip + take;
            used += RowHeight(take);
            skip += take;
            break;
        }
        for (int b = 0; b < Bands.size(); ++b) {
            page.Band = b;
            Pages.push_back(page);
        }
        bottom = page.Top + header + used;
        more = row < rows;
        StepProgress(Job, Count(), Count());
        LetEventsRun();
        if (Cancelled(Job)) {
            Incomplete = true;
            return false;
        }
    }

    // The closing text and the signature block, on pages of their own when the last one is full.
    if (!ClosingText.isEmpty()) {
        if (ClosingHeight() > Body.bottom() - bottom) {
            TPage page;
            page.Titles = titles;
            page.Heading = !TitlesOnFirstPageOnly;
            page.Top = page.Heading ? Heading(nullptr, Count() + 1, titles, -1) : PlainTop();
            Pages.push_back(page);
            bottom = page.Top;
        }
        Pages.back().ClosingTop = bottom;
        bottom += ClosingHeight();
    }
    if (SignatureBlock) {
        if (Body.bottom() - bottom < 4 * TitleLineHeight()) {
            TPage page;
            page.Titles = titles;
            page.Heading = false;
            page.Top = PlainTop();
            Pages.push_back(page);
            bottom = page.Top;
        }
        Pages.back().SignatureTop = bottom;
    }
    return true;
}

void TGridPages::DrawCell(QPainter& C, const QRect& Cell, int Col, int Row, bool Bold, bool Wrap,
                          int Skip) const {
    C.setPen(QPen(Qt::black, 0));
    C.drawRect(Cell);
    QString text;
    GetGridCellText(Grid, Col, Row, text);
    if (text.isEmpty()) return;
    const TCellAlignment align = GetGridCellAlignment(Grid, Col, Row);
    const Qt::Alignment flags = align.Contains(caRight)                               ? Qt::AlignRight
                                : align.Contains(caCenter) && !align.Contains(caLeft) ? Qt::AlignHCenter
                                                                                      : Qt::AlignLeft;
    if (MarkNegative && text.startsWith(QLatin1Char('-'))) C.setPen(Qt::red);
    C.setFont(Bold ? TableBold : Table);
    C.save();
    C.setClipRect(Cell.adjusted(1, 1, 0, 0), Qt::IntersectClip);
    const int width = Cell.width() - 2 * PadX;
    int y = Cell.top() + PadY - Skip * LineHeight;
    const auto line = [&](QStringView Line) {
        if (y >= Cell.top() && y + LineHeight <= Cell.bottom() + 1)
            C.drawText(QRect(Cell.left() + PadX, y, width, LineHeight), int(flags | Qt::AlignTop),
                       Line.toString());
        y += LineHeight;
    };
    ForEachLine(text, Wrap ? width - 1 : 1e9, Bold ? *BoldWidths : *Widths, line);
    C.restore();
}

void TGridPages::DrawTable(QPainter& C, const TPage& Page) const {
    const QList<int>& band = Bands[Page.Band];
    QList<int> lefts;
    int x = Body.left();
    for (const int k : band) {
        lefts << x;
        x += Columns[k].Width;
    }
    int y = Page.Top;
    const int fixed = std::min(Grid->FixedRows(), Grid->RowCount());
    QList<int> tops;
    for (int r = 0; r < fixed; ++r) {
        tops << y;
        y += RowHeight(HeaderLines[Page.Band][r]);
    }
    tops << y;
    for (int r = 0; r < fixed; ++r)
        for (const TSpan& span : Spans(band, r)) {
            if (span.Covered) continue;
            // A block merged down the header rows takes their height.
            TGridRect block{span.Col, r, span.Col, r};
            if (HasMerges) GetGridMergedCells(Grid, span.Col, r, block);
            const int down = std::min(fixed, std::max(r, block.Bottom) + 1);
            const QRect cell(lefts[span.From], tops[r], SpanWidth(band, span), tops[down] - tops[r]);
            DrawCell(C, cell, span.Col, span.Row, false, true, 0);
        }
    for (int r = Page.First; Page.First >= 0 && r <= Page.Last; ++r) {
        const int skip = r == Page.First ? Page.Skip : 0;
        const int upTo = r == Page.Last && Page.UpTo >= 0 ? Page.UpTo : RowLines[size_t(r)];
        const int height = RowHeight(upTo - skip);
        const bool bold = IsTotalsRow(Grid, r);
        for (const TSpan& span : Spans(band, r)) {
            const bool wrap = span.Count > 1 || Columns[band[span.From]].Wrap;
            DrawCell(C, QRect(lefts[span.From], y, SpanWidth(band, span), height), span.Col,
                     span.Covered ? r : span.Row, bold, wrap, skip);
        }
        y += height;
    }
}

void TGridPages::Draw(QPainter& C, int Number) const {
    const TPage& page = Pages[size_t(Number - 1)];
    if (page.Heading) Heading(&C, Number, page.Titles, page.Band);
    C.setPen(Qt::black);
    C.setFont(Font(poPageLine));
    C.drawText(PageLineArea(), Qt::AlignRight | Qt::AlignTop, PageLine(Number));
    if (page.Band >= 0) DrawTable(C, page);
    const int lineHeight = TitleLineHeight();
    C.setPen(Qt::black);
    C.setFont(Font(poTitle));
    if (page.ClosingTop >= 0) {
        int y = page.ClosingTop + lineHeight;
        for (const QString& line : ClosingText.split(QStringLiteral("\r\n"))) {
            C.drawText(QRect(Body.left(), y, Body.width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                       line);
            y += lineHeight;
        }
    }
    if (page.SignatureTop >= 0) {
        const QFontMetrics metrics(Font(poTitle));
        const int y = page.SignatureTop + 2 * lineHeight + metrics.ascent();
        const QString chief = QStringLiteral("Гл. счетоводител:");
        C.drawText(Body.left(), y, QStringLiteral("Дата: ") + Stamp.toString(QStringLiteral("dd.MM.yyyy")));
        C.drawText(Body.left() + Body.width() / 2, y, QStringLiteral("Ръководител:"));
        C.drawText(Body.right() - 2 * metrics.horizontalAdvance(chief), y, chief);
    }
}

// ---- text mode

QString Centred(const QString& Text, int Width) {
    if (Width <= 0) return QString();
    if (Text.size() >= Width) return Text.left(Width);
    const int before = Width / 2 - int(Text.size()) / 2;
    return (QString(before, QLatin1Char(' ')) + Text).leftJustified(Width, QLatin1Char(' '), true);
}

QString Aligned(const QString& Text, int Width, TCellAlignment Alignment) {
    if (Width <= 0) return QString();
    if (Alignment.Contains(caRight)) return Text.rightJustified(Width, QLatin1Char(' '), true);
    if (Alignment.Contains(caCenter) && !Alignment.Contains(caLeft)) return Centred(Text, Width);
    return Text.leftJustified(Width, QLatin1Char(' '), true);
}

class TTextComposer {
public:
    explicit TTextComposer(TGridPrintJob& Job) : J(Job), P(*Job.Printer), Grid(Job.Grid) {}
    // False when the operator cancelled: the pages written so far stay, each counting the
    // whole document's pages.
    bool Run();

private:
    // One line of a page: a heading line, a rule, a header or data row of a band, a closing line.
    enum TKind { tkHeading, tkEquals, tkDashes, tkRow, tkClosing };
    struct TItem {
        TKind Kind;
        int Index = 0; // heading line, grid row or closing line
        int Band = 0;
        int Line = 0; // of a header row's lines
    };
    bool Printed(int Col) const { return Col < J.Setting->VisibleCols.size() && J.Setting->VisibleCols[Col]; }
    void ColumnWidths();
    int BandWidth(int Band) const;
    // A cell's text as the printer can hold it, on one line.
    QString Text(int Col, int Row) const;
    // The lines of grid row Row in band Band. A header row's texts wrap at blanks within their
    // columns, so a caption over columns of two bands reads whole in each; a data row is one
    // line, its texts cut at their columns' widths.
    QStringList RowLines(int Row, int Band) const;
    // The lines the header rows take in Band.
    int HeaderLines(int Band) const;
    void Line(const QString& Shown, const QByteArray& Before = {}, const QByteArray& After = {});
    // Line Index (0..2) of the heading of page Page.
    void PageHeading(int Index, int Page);
    QList<QList<TItem>> Layout();

    TGridPrintJob& J;
    TPagePrinter& P;
    TStringGrid* Grid;
    QList<int> Widths;
    QList<QList<int>> Bands; // printed columns, key columns first
    int PageCount = 1;
    QFont Normal;
    QFont Bold;
};

void TTextComposer::ColumnWidths() {
    const int L = J.TextLayout.CondensedWidth;
    const int bar = J.VerticalSeparators ? 1 : 0;
    Widths = QList<int>(Grid->ColCount(), 0);
    QList<int> printed;
    for (int c = 0; c < Grid->ColCount(); ++c)
        if (Printed(c)) printed << c;
    // A merged text is spread over its whole block, not charged to its first column.
    QList<std::pair<TGridRect, int>> blocks;
    for (int r = 0; r < Grid->RowCount(); ++r)
        for (const int c : printed) {
            TGridRect block;
            GetGridMergedCells(Grid, c, r, block);
            const QString text = Text(c, r);
            if (block.Right > block.Left) {
                if (block.Left == c && block.Top == r) blocks.append({block, int(text.size())});
                continue;
            }
            Widths[c] = std::max(Widths[c], int(text.size()));
        }
    for (const auto& [block, length] : blocks) {
        QList<int> inside;
        for (const int c : printed)
            if (c >= block.Left && c <= block.Right) inside << c;
        int have = int(inside.size() - 1) * bar;
        for (const int c : inside)
            have += Widths[c];
        for (int i = 0; i < inside.size() && length > have; ++i) {
            const int share = (length - have + int(inside.size()) - i - 1) / (int(inside.size()) - i);
            Widths[inside[i]] += share;
            have += share;
        }
    }
    int total = bar;
    for (const int c : printed)
        total += Widths[c] + bar;
    Bands.clear();
    if (total <= L) {
        // One band: the stretching columns share what the others leave of the line.
        QList<int> stretching;
        for (int c = 0; c < Grid->ColCount() && c < J.Setting->AutoResizeCols.size(); ++c)
            if (J.Setting->AutoResizeCols[c]) stretching << c;
        int running = total;
        for (const int c : stretching) {
            const int share = (L - running) / int(stretching.size());
            Widths[c] += share;
            running += share;
        }
        Bands << printed;
        return;
    }
    // Further bands, each led by the key columns; what no band can hold is cut at the line's end.
    QList<int> widths;
    for (const int c : printed)
        widths << Widths[c] + bar;
    for (const QList<int>& band : ColumnBands(widths, L, bar, HeaderBlockEnds(Grid, printed))) {
        QList<int> columns;
        for (const int k : band) {
            columns << printed[k];
            Widths[printed[k]] = widths[k] - bar;
        }
        Bands << columns;
    }
}

int TTextComposer::BandWidth(int Band) const {
    const int bar = J.VerticalSeparators ? 1 : 0;
    int width = bar;
    for (const int c : Bands[Band])
        width += Widths[c] + bar;
    return std::min(width, J.TextLayout.CondensedWidth);
}

QString TTextComposer::Text(int Col, int Row) const {
    QString text;
    GetGridCellText(Grid, Col, Row, text);
    return DotMatrixText(text.remove(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char(' ')));
}

namespace {

// Text in pieces of at most Width characters, broken at blanks, a word longer than that at any
// character.
QStringList Wrapped(const QString& Text, int Width) {
    if (Width <= 0 || Text.size() <= Width) return {Text};
    QStringList pieces;
    QStringView rest(Text);
    while (rest.size() > Width) {
        qsizetype end = rest.left(Width + 1).lastIndexOf(QLatin1Char(' '));
        if (end <= 0) end = Width;
        pieces << rest.left(end).trimmed().toString();
        rest = rest.mid(end).trimmed();
    }
    if (!rest.isEmpty()) pieces << rest.toString();
    return pieces;
}

} // namespace

QStringList TTextComposer::RowLines(int Row, int Band) const {
    const bool wrap = Row < Grid->FixedRows();
    const QString bar = J.VerticalSeparators ? QStringLiteral("|") : QString();
    const QList<int>& columns = Bands[Band];
    struct TCell {
        QStringList Pieces;
        int Width;
        TCellAlignment Alignment;
    };
    QList<TCell> cells;
    qsizetype count = 1;
    for (int i = 0; i < columns.size(); ++i) {
        const int c = columns[i];
        TGridRect block;
        GetGridMergedCells(Grid, c, Row, block);
        // A merged block is written once, across its columns in the band.
        if (i > 0 && block.Right > block.Left && columns[i - 1] >= block.Left && columns[i - 1] < c) continue;
        int width = Widths[c];
        for (int next = i + 1; next < columns.size() && columns[next] > c && columns[next] <= block.Right;
             ++next)
            width += Widths[columns[next]] + int(bar.size());
        const QString text = Text(block.Left, block.Top);
        cells << TCell{wrap ? Wrapped(text, width) : QStringList{text}, width,
                       GetGridCellAlignment(Grid, block.Left, block.Top)};
        count = std::max(count, cells.last().Pieces.size());
    }
    QStringList lines;
    for (qsizetype k = 0; k < count; ++k) {
        QString line = bar;
        for (const TCell& cell : cells)
            line += Aligned(cell.Pieces.value(k), cell.Width, cell.Alignment) + bar;
        lines << line;
    }
    return lines;
}

int TTextComposer::HeaderLines(int Band) const {
    int lines = 0;
    for (int r = 0; r < Grid->FixedRows() && r < Grid->RowCount(); ++r)
        lines += int(RowLines(r, Band).size());
    return lines;
}

void TTextComposer::Line(const QString& Shown, const QByteArray& Before, const QByteArray& After) {
    P.Write(Shown);
    J.TextLines << Before + OemEncoder::Encode(Shown) + After;
}

void TTextComposer::PageHeading(int Index, int Page) {
    const int L = J.TextLayout.CondensedWidth;
    const QString now = DateTimeText(J);
    const int S = int(std::max(J.FirmName.size(), now.size()));
    const int middle = L - 2 * S;
    if (Index == 0) {
        Line((DotMatrixText(J.FirmName).leftJustified(S) + Centred(DotMatrixText(J.Caption), middle) +
              now.rightJustified(S))
                 .left(L),
             EscCondensed);
    } else if (Index == 1) {
        const QString pages =
            J.ContinuousPaper ? QString() : Format(QStringLiteral("Стр.: %d / %d"), {Page, PageCount});
        Line((DotMatrixText(Format(QStringLiteral("No по НДР: %s"), {J.FirmNumber})).leftJustified(S) +
              Centred(DotMatrixText(J.ReportTitle), middle) + pages.rightJustified(S))
                 .left(L),
             EscCondensed);
    } else {
        Line(DotMatrixText(Format(QStringLiteral("Булстат: %s"), {J.FirmCode})));
    }
}

// Every page's lines, worked out before any is written, so that the page count is exact: the
// closing rule and the closing text count too.
QList<QList<TTextComposer::TItem>> TTextComposer::Layout() {
    const int lines = std::max(1, J.TextLayout.LinesPerPage);
    const int headerRows = Grid->FixedRows();
    const int firstRow = headerRows;
    const int rows = Grid->RowCount() - firstRow;
    const QStringList closing =
        J.ClosingText.isEmpty() ? QStringList() : J.ClosingText.split(QStringLiteral("\r\n"));
    QList<QList<TItem>> pages;
    auto header = [&](QList<TItem>& Page, int Band) {
        for (int r = 0; r < headerRows; ++r)
            for (int k = 0, n = int(RowLines(r, Band).size()); k < n; ++k)
                Page << TItem{tkRow, r, Band, k};
    };
    auto top = [&](QList<TItem>& Page, int Band) {
        for (int k = 0; k < 3; ++k)
            Page << TItem{tkHeading, k, Band};
        Page << TItem{tkEquals, 0, Band};
        header(Page, Band);
        Page << TItem{tkDashes, 0, Band};
    };
    if (J.ContinuousPaper) {
        // One stream: the heading once, the bands one after the other, cut into pages.
        QList<TItem> stream;
        for (int b = 0; b < Bands.size(); ++b) {
            if (b == 0) {
                top(stream, b);
            } else {
                stream << TItem{tkEquals, 0, b};
                header(stream, b);
                stream << TItem{tkDashes, 0, b};
            }
            for (int r = 0; r < rows; ++r)
                stream << TItem{tkRow, firstRow + r, b};
            stream << TItem{tkEquals, 0, b};
        }
        for (int k = 0; k < closing.size(); ++k)
            stream << TItem{tkClosing, k, 0};
        for (qsizetype i = 0; i < stream.size(); i += lines)
            pages << stream.mid(i, lines);
        return pages;
    }
    // Every band of a page holds the same rows: the one whose header takes most lines decides.
    int headerLines = 0;
    for (int b = 0; b < Bands.size(); ++b)
        headerLines = std::max(headerLines, HeaderLines(b));
    const int perPage = std::max(1, lines - 5 - headerLines);
    int from = 0;
    for (bool last = false; !last;) {
        const int take = std::min(perPage, rows - from);
        // The closing rule goes with the last rows, on a page of its own when they fill theirs.
        last = from + take >= rows && take < perPage;
        for (int b = 0; b < Bands.size(); ++b) {
            QList<TItem> page;
            top(page, b);
            for (int r = 0; r < take; ++r)
                page << TItem{tkRow, firstRow + from + r, b};
            if (last) page << TItem{tkEquals, 0, b};
            pages << page;
        }
        from += take;
    }
    for (int k = 0; k < closing.size(); ++k) {
        if (pages.last().size() >= lines) {
            QList<TItem> page;
            for (int h = 0; h < 3; ++h)
                page << TItem{tkHeading, h, 0};
            page << TItem{tkEquals, 0, 0};
            pages << page;
        }
        pages.last() << TItem{tkClosing, k, 0};
    }
    return pages;
}

bool TTextComposer::Run() {
    J.TextLines.clear();
    P.BeginDoc();
    P.SetWordWrap(false);
    const int lines = std::max(1, J.TextLayout.LinesPerPage);
    const QRect area = P.PrintableRect();
    const int cellHeight = std::max(1, area.height() / lines);
    const int cellWidth = std::max(1, area.width() / std::max(1, J.TextLayout.CondensedWidth));
    Normal.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    Normal.setStyleHint(QFont::Monospace);
    Normal.setPixelSize(cellHeight);
    const int natural = QFontMetrics(Normal).horizontalAdvance(QLatin1Char('M'));
    if (natural > 0) Normal.setStretch(std::clamp(int(std::lround(100.0 * cellWidth / natural)), 1, 4000));
    Bold = Normal;
    Bold.setWeight(QFont::Bold);
    if (QFontMetrics(Normal).horizontalAdvance(QString(233, QLatin1Char('='))) == 0)
        ShowErrorFmt(QStringLiteral("Шрифтът \"%s\" не може да се използва за печат."), {Normal.family()});
    P.SetPageFont(Normal);

    ColumnWidths();
    const QList<QList<TItem>> pages = Layout();
    PageCount = int(pages.size());
    const int L = J.TextLayout.CondensedWidth;
    const QStringList closing = J.ClosingText.split(QStringLiteral("\r\n"));
    bool complete = true;
    for (int p = 0; p < pages.size(); ++p) {
        StepProgress(J, p + 1, PageCount);
        LetEventsRun();
        if (Cancelled(J)) {
            complete = false;
            break;
        }
        if (p > 0) {
            // Raw printing cuts the lines into pages by their count: a short page is filled up.
            while (J.TextLines.size() % lines != 0)
                J.TextLines << QByteArray();
            P.NewPage();
        }
        const QList<TItem>& page = pages[p];
        for (int i = 0; i < page.size(); ++i) {
            const TItem& item = page[i];
            switch (item.Kind) {
            case tkHeading:
                PageHeading(item.Index, p + 1);
                break;
            case tkEquals:
                Line(QString(BandWidth(item.Band), QLatin1Char('=')));
                break;
            case tkDashes:
                Line(QString(BandWidth(item.Band), QLatin1Char('-')));
                break;
            case tkRow:
                if (item.Index >= Grid->FixedRows() && IsTotalsRow(Grid, item.Index)) {
                    P.SetPageFont(Bold);
                    Line(RowLines(item.Index, item.Band)[0].left(L), EscDoubleStrikeOn, EscDoubleStrikeOff);
                    P.SetPageFont(Normal);
                } else {
                    Line(RowLines(item.Index, item.Band).value(item.Line).left(L));
                }
                break;
            case tkClosing:
                Line(Centred(DotMatrixText(closing[item.Index]), L));
                break;
            }
            // The page's last line leaves the cursor on the page: the next page starts above.
            if (i + 1 < page.size()) P.NewLine();
        }
    }
    P.EndDoc();
    return complete;
}

} // namespace

bool ComposeGridPages(TGridPrintJob& Job) {
    auto pages = std::make_shared<TGridPages>(Job);
    const bool complete = pages->Build(Job);
    // Pages are drawn from the grid when shown or printed; only their map is kept.
    Job.Printer->SetDrawnPages(pages->Count(),
                               [pages](QPainter& Canvas, int Number) { pages->Draw(Canvas, Number); });
    return complete;
}

bool ComposeTextPages(TGridPrintJob& Job) {
    return TTextComposer(Job).Run();
}

bool PrintTextPages(TGridPrintJob& Job, RawPrinterSink& Sink, int From, int To, int Copies) {
    auto report = [&Sink] { ShowErrorFmt(QStringLiteral("Грешка при печат: %s"), {Sink.ErrorText()}); };
    if (!Sink.Open(Job.Printer->Title())) {
        report();
        return false;
    }
    const int lines = std::max(1, Job.TextLayout.LinesPerPage);
    TfmPrintProgress* progress = Job.Progress;
    if (progress) {
        progress->SetMaximum(std::max(1, (To - From + 1) * Copies));
        progress->show();
        progress->SetPages(From, To);
    }
    bool sent = true;
    for (int page = From; page <= To && sent; ++page) {
        for (int copy = 1; copy <= Copies && sent; ++copy) {
            for (qsizetype i = qsizetype(page - 1) * lines;
                 i < qsizetype(page) * lines && i < Job.TextLines.size(); ++i)
                Sink.Write(Job.TextLines[i] + "\r\n");
            if (!Sink.Flush()) {
                report();
                sent = false;
                break;
            }
            if (progress) {
                progress->ProgressBar->setValue(progress->ProgressBar->value() + 1);
                progress->SetPages(page, To);
            }
            LetEventsRun();
            const bool last = page == To && copy == Copies;
            if (progress && !last && !Job.ContinuousPaper) {
                // Hand-fed paper: the operator puts the next sheet in first.
                progress->Answer = 0;
                progress->ShowOKButton();
                const int answer = progress->WaitForOperator(copy < Copies ? page : page + 1);
                progress->HideOKButton();
                if (answer != 2) sent = false;
            } else if (Cancelled(Job)) {
                sent = false;
            }
        }
    }
    Sink.Close();
    if (progress) progress->HideProgress();
    return sent;
}

// ---- the preview window

namespace {

TPrintDialogHook PrintDialog;

QPixmap EyeImage(int Kind) {
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    QPainterPath eye;
    eye.moveTo(1, 8);
    eye.quadTo(8, 1, 15, 8);
    eye.quadTo(8, 15, 1, 8);
    p.drawPath(eye);
    p.setBrush(Kind == 1 ? Qt::gray : Qt::black);
    p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
    if (Kind == 1) {
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(2, 14, 14, 2);
    } else if (Kind == 2) {
        p.setPen(QPen(Qt::blue, 1.5));
        p.drawLine(0, 15, 5, 15);
        p.drawLine(11, 15, 16, 15);
    }
    return image;
}

} // namespace

TPrintDialogHook SetPrintDialogHook(TPrintDialogHook Hook) {
    TPrintDialogHook previous = std::move(PrintDialog);
    PrintDialog = std::move(Hook);
    return previous;
}

QAction* TfmPrintPreview::MakeAction(const char* Name, const QString& Caption, const QKeySequence& Key) {
    auto* action = new QAction(Caption, this);
    action->setObjectName(QLatin1String(Name));
    if (!Key.isEmpty()) action->setShortcut(Key);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

TfmPrintPreview::TfmPrintPreview(int Orientation, TStringGrid* Grid, const QString& Caption,
                                 const QString& ReportTitle, const QString& SettingsNameArg,
                                 int HeaderShading, const QString& PageLine, const QString& FirmBlock,
                                 bool SignatureBlock, bool TitlesOnFirstPageOnly, bool ShowProgress,
                                 const QString& SecondHeading, const QString& ClosingText)
    : QWidget(nullptr, Qt::Window), FSource(Grid) {
    setObjectName(QStringLiteral("fmPrintPreview"));
    // 1. The progress of opening, sized by a guess at the page count.
    Progress = new TfmPrintProgress();
    Progress->setWindowTitle(QStringLiteral("Печат ..."));
    Progress->SetStatus(QStringLiteral("Подготовка на печата, моля изчакайте ..."));
    QPrinter* printer = TPrinterProvider::Instance().Printer();
    const bool landscape = printer && printer->pageLayout().orientation() == QPageLayout::Landscape;
    const int rows = Grid->RowCount();
    Progress->SetMaximum((landscape ? rows / 30 : rows / 40) + 1 + 3);
    if (ShowProgress) Progress->show();
    QCoreApplication::processEvents();

    // 2. The window, hidden until shown.
    BuildWindow();
    setWindowTitle(Caption);
    PagePrinter->SetTitle(QStringLiteral("Печат ..."));
    Result = false;

    // 3.-5. Colour, mode, texts and flags.
    bool blackAndWhite = false;
    Job.ColorPrinting = !(IsBwPrint(blackAndWhite) && blackAndWhite);
    TextMode = ReadRegString(QStringLiteral("Print_Laser")) == QLatin1String("0");
    Job.Caption = Caption;
    Job.ReportTitle = ReportTitle;
    Job.SecondHeading = SecondHeading;
    Job.ClosingText = ClosingText;
    Job.HeaderShading = HeaderShading;
    Job.PageLineOverride = PageLine;
    Job.FirmBlockOverride = FirmBlock;
    Job.SignatureBlock = SignatureBlock;
    Job.TitlesOnFirstPageOnly = TitlesOnFirstPageOnly;
    Job.Printer = PagePrinter;
    Job.Progress = Progress;

    // 6. The grid that is printed.
    if (TextMode) {
        Job.Grid = Grid;
    } else {
        FWorkingGrid.reset(CloneGrid(Grid, false, this));
        Job.Grid = FWorkingGrid.get();
    }

    // 7. Settings are kept only under a name.
    SettingsName = SettingsNameArg;
    if (SettingsName.isEmpty()) {
        cbSave->setChecked(false);
        cbSave->setEnabled(false);
    }

    // 9.-10. Bars hidden; the chooser and the settings.
    ColumnsBar->hide();
    SettingsBar->hide();
    BuildChooser();
    Settings = ReadSettings(Grid, SettingsName, PagePrinter->Orientation());
    FUpdatingList = true;
    lbSettings->clear();
    for (const TReportSettings& s : Settings)
        lbSettings->addItem(s.Name);
    FUpdatingList = false;
    const int chosen = std::max(0, DefaultSettingIndex(Settings));
    ApplySetting(chosen, false);
    SelectSetting(chosen);
    udColumns->setMaximum(std::max(0, ColumnGrid->ColCount() - 1));

    // 11.-12. The page: 5 mm inside the printer's edges, in the orientation asked for.
    PagePrinter->SetMarginTop(PagePrinter->MarginTop() + 5);
    PagePrinter->SetMarginBottom(PagePrinter->MarginBottom() + 5);
    PagePrinter->SetMarginLeft(PagePrinter->MarginLeft() + 5);
    PagePrinter->SetMarginRight(PagePrinter->MarginRight() + 5);
    // A named default setting brings its own orientation.
    SetOrientation(CurrentSetting > 0 ? Settings[CurrentSetting].Orientation : Orientation);
    Progress->ProgressBar->setValue(Progress->ProgressBar->value() + 1);
    QCoreApplication::processEvents();

    // 13. The pages.
    if (Progress->Answer != 1) {
        if (!TextMode && CurrentSetting >= 0) ShowSettingColumns(Settings[CurrentSetting]);
        Compose();
    }
    Progress->HideProgress();
    UpdateStatus();
}

TfmPrintPreview::~TfmPrintPreview() {
    delete Progress;
}

void TfmPrintPreview::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(ToolBar);

    acExit = MakeAction("acExit", QStringLiteral("Изход"), Qt::Key_Escape);
    acPrint = MakeAction("acPrint", QStringLiteral("Печат"), Qt::Key_F9);
    acPrintSetup = MakeAction("acPrintSetup", QStringLiteral("Шрифт"), Qt::Key_F10);
    acFirstPage = MakeAction("acFirstPage", QStringLiteral("|<"), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    acPrevPage = MakeAction("acPrevPage", QStringLiteral("<"), Qt::Key_PageUp);
    acNextPage = MakeAction("acNextPage", QStringLiteral(">"), Qt::Key_PageDown);
    acLastPage = MakeAction("acLastPage", QStringLiteral(">|"), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    acZoomPage =
        MakeAction("acZoomPage", QStringLiteral("Цяла страница"), QKeySequence(Qt::CTRL | Qt::Key_Right));
    acZoom100 = MakeAction("acZoom100", QStringLiteral("100%"), QKeySequence(Qt::CTRL | Qt::Key_Left));
    acZoomPageWidth =
        MakeAction("acZoomPageWidth", QStringLiteral("По ширина"), QKeySequence(Qt::CTRL | Qt::Key_Down));
    acZoomIn = MakeAction("acZoomIn", QStringLiteral("+"), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    acZoomOut =
        MakeAction("acZoomOut", QStringLiteral("-"), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus));
    acPortrait = MakeAction("acPortrait", QStringLiteral("Портрет"), {});
    acLandscape = MakeAction("acLandscape", QStringLiteral("Пейзаж"), {});
    acPanLeft = MakeAction("acPanLeft", QString(), Qt::Key_Left);
    acPanRight = MakeAction("acPanRight", QString(), Qt::Key_Right);
    acPanUp = MakeAction("acPanUp", QString(), Qt::Key_Up);
    acPanDown = MakeAction("acPanDown", QString(), Qt::Key_Down);
    acSelectColumns = MakeAction("acSelectColumns", QStringLiteral("Настройки"), {});
    acNewSetting = MakeAction("acNewSetting", QStringLiteral("Нова"), {});
    acEditSetting = MakeAction("acEditSetting", QStringLiteral("Преименуване"), {});
    acDeleteSetting = MakeAction("acDeleteSetting", QStringLiteral("Изтриване"), {});
    acApplySetting = MakeAction("acApplySetting", QStringLiteral("ОК"), {});
    acPrepareDocument = MakeAction("acPrepareDocument", QString(), {});
    acPortrait->setCheckable(true);
    acLandscape->setCheckable(true);
    acSelectColumns->setCheckable(true);
    ToolBar->addActions({acPrint, acPrintSetup});
    ToolBar->addSeparator();
    ToolBar->addActions({acFirstPage, acPrevPage, acNextPage, acLastPage});
    ToolBar->addSeparator();
    ToolBar->addActions({acZoomPage, acZoomPageWidth, acZoom100, acZoomIn, acZoomOut});
    ToolBar->addSeparator();
    ToolBar->addActions({acPortrait, acLandscape, acSelectColumns});
    ToolBar->addSeparator();
    ToolBar->addAction(acExit);

    connect(acExit, &QAction::triggered, this, &QWidget::close);
    connect(acPrint, &QAction::triggered, this, [this] { PrintAction(); });
    connect(acPrintSetup, &QAction::triggered, this, [this] { PrintSetupAction(); });
    connect(acFirstPage, &QAction::triggered, this, [this] { GoToPage(1); });
    connect(acLastPage, &QAction::triggered, this, [this] { GoToPage(PagePrinter->PageCount()); });
    connect(acPrevPage, &QAction::triggered, this, [this] { GoToPage(PagePrinter->PageNumber() - 1); });
    connect(acNextPage, &QAction::triggered, this, [this] { GoToPage(PagePrinter->PageNumber() + 1); });
    connect(acZoomPage, &QAction::triggered, this, [this] { Zoom(4); });
    connect(acZoom100, &QAction::triggered, this, [this] { Zoom(0); });
    connect(acZoomPageWidth, &QAction::triggered, this, [this] { Zoom(5); });
    connect(acZoomIn, &QAction::triggered, this, [this] { ZoomIn(); });
    connect(acZoomOut, &QAction::triggered, this, [this] { ZoomOut(); });
    connect(acPortrait, &QAction::triggered, this, [this] { Rebuild(0); });
    connect(acLandscape, &QAction::triggered, this, [this] { Rebuild(1); });
    connect(acPanLeft, &QAction::triggered, this, [this] { Pan(-1, 0); });
    connect(acPanRight, &QAction::triggered, this, [this] { Pan(1, 0); });
    connect(acPanUp, &QAction::triggered, this, [this] { Pan(0, -1); });
    connect(acPanDown, &QAction::triggered, this, [this] { Pan(0, 1); });
    connect(acSelectColumns, &QAction::triggered, this, [this](bool On) {
        ColumnsBar->setVisible(On);
        SettingsBar->setVisible(On);
    });
    connect(acNewSetting, &QAction::triggered, this, [this] {
        QString name;
        SelectSettingName(name, this);
        if (!name.isEmpty()) NewSetting(name);
    });
    connect(acEditSetting, &QAction::triggered, this, [this] {
        QString name;
        SelectSettingName(name, this);
        if (!name.isEmpty()) RenameSetting(name);
    });
    connect(acDeleteSetting, &QAction::triggered, this, [this] { DeleteSetting(); });
    connect(acApplySetting, &QAction::triggered, this, [this] { ApplySetting(SelectedSetting(), true); });

    // The settings bar: the list of settings with their default mark and the save switch.
    SettingsBar = new QWidget(this);
    SettingsBar->setObjectName(QStringLiteral("SettingsBar"));
    auto* settingsLayout = new QHBoxLayout(SettingsBar);
    settingsLayout->setContentsMargins(4, 2, 4, 2);
    lbSettings = new QListWidget(SettingsBar);
    lbSettings->setObjectName(QStringLiteral("lbSettings"));
    lbSettings->setFlow(QListView::LeftToRight);
    lbSettings->setFixedHeight(28);
    cbDefault = new QCheckBox(QStringLiteral("По подразбиране"), SettingsBar);
    cbDefault->setObjectName(QStringLiteral("cbDefault"));
    cbSave = new QCheckBox(QStringLiteral("Запазване"), SettingsBar);
    cbSave->setObjectName(QStringLiteral("cbSave"));
    cbSave->setChecked(true);
    settingsLayout->addWidget(lbSettings, 1);
    settingsLayout->addWidget(cbDefault);
    for (QAction* a : {acNewSetting, acEditSetting, acDeleteSetting, acApplySetting}) {
        auto* button = new QToolButton(SettingsBar);
        button->setDefaultAction(a);
        settingsLayout->addWidget(button);
    }
    settingsLayout->addWidget(cbSave);
    layout->addWidget(SettingsBar);
    connect(lbSettings, &QListWidget::currentRowChanged, this, [this](int Row) { SettingChosen(Row); });
    connect(cbDefault, &QCheckBox::clicked, this, [this](bool Checked) { DefaultClicked(Checked); });

    // The columns bar: the chooser grid and its scroller.
    ColumnsBar = new QWidget(this);
    ColumnsBar->setObjectName(QStringLiteral("ColumnsBar"));
    auto* columnsLayout = new QHBoxLayout(ColumnsBar);
    columnsLayout->setContentsMargins(2, 2, 2, 2);
    ColumnGrid = new TRichGrid(ColumnsBar);
    ColumnGrid->setObjectName(QStringLiteral("ColumnGrid"));
    ColumnGrid->viewport()->installEventFilter(this);
    udColumns = new QSpinBox(ColumnsBar);
    udColumns->setObjectName(QStringLiteral("udColumns"));
    columnsLayout->addWidget(ColumnGrid, 1);
    columnsLayout->addWidget(udColumns);
    layout->addWidget(ColumnsBar);
    connect(udColumns, &QSpinBox::valueChanged, this, [this](int Col) {
        ColumnGrid->SetLeftCol(
            std::clamp(Col, ColumnGrid->FixedCols(), std::max(0, ColumnGrid->ColCount() - 1)));
    });
    EyeImages = new TImageList(this, 16, 16);
    for (int kind = 0; kind < 3; ++kind)
        EyeImages->Add(EyeImage(kind));

    PagePrinter = new TPagePrinter(this);
    PagePrinter->SetMeasureUnit(muMillimeters);
    PagePrinter->SetShowGutter(true);
    PagePrinter->SetGradientBackground(false);
    PagePrinter->SetZoomLocation(zlTopCenter);
    PagePrinter->SetShowProgress(true);
    PagePrinter->widget()->installEventFilter(this);
    PagePrinter->installEventFilter(this);
    layout->addWidget(PagePrinter, 1);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new QLabel(status);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanels[i]->setAlignment(i == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        StatusPanels[i]->setMinimumWidth(i == 0 ? 120 : 110);
        status->addWidget(StatusPanels[i], i == 0 ? 1 : 0);
    }
    layout->addWidget(status);
}

void TfmPrintPreview::BuildChooser() {
    TStringGrid* source = FSource;
    const int fixed = source->FixedRows();
    ColumnGrid->SetColCount(source->ColCount());
    ColumnGrid->SetRowCount(fixed + 1);
    ColumnGrid->SetFixedCols(0);
    ColumnGrid->SetFixedRows(fixed + 1);
    ColumnGrid->SetDefaultRowHeight(source->DefaultRowHeight());
    ColumnGrid->SetScrollBars(ssVertical);
    ColumnGrid->SetImages(EyeImages);
    ColumnGrid->FixedAttributes()->SetBackColor(0xF1E3B1);
    ColumnGrid->FixedAttributes()->SetAlignment({caCenter});
    ColumnGrid->DefAttributes()->SetBackColor(clBtnFace);
    // The chooser shows states, not a current cell.
    ColumnGrid->DefAttributes()->SetHideSelection(true);
    ColumnGrid->FixedAttributes()->SetHideSelection(true);
    auto* rich = qobject_cast<TRichGrid*>(source);
    for (int r = 0; r < fixed; ++r)
        for (int c = 0; c < source->ColCount(); ++c) {
            ColumnGrid->SetCells(c, r, source->Cells(c, r));
            if (rich) {
                const TGridRect block = rich->GetMergedCells(c, r);
                if (block.Left == c && block.Top == r && (block.Right > c || block.Bottom > r))
                    ColumnGrid->MergeCells(block);
                ColumnGrid->CellAttributes(c, r)->SetAlignment(GetGridCellAlignment(source, c, r));
            }
        }
    for (int c = 0; c < source->ColCount(); ++c) {
        TColRowAttributes* col = ColumnGrid->ColAttributes(c);
        col->SetAutoResize(true);
        if (source->ColWidths(c) <= 0) col->SetVisible(false);
        TCellAttributes* eye = ColumnGrid->CellAttributes(c, fixed);
        eye->SetBitmapAlignment(caCenter);
        eye->SetBitmapDrawMode(bmCenter);
    }
    for (int r = 0; r <= fixed; ++r)
        ColumnGrid->RowAttributes(r)->SetAutoResize(true);
    ColumnGrid->AutoResizeColumns();
    int height = 4;
    for (int r = 0; r <= fixed; ++r) {
        for (int c = 0; c < ColumnGrid->ColCount(); ++c) {
            QSize size;
            ColumnGrid->MeasureCell(c, r, size, false);
        }
        height += ColumnGrid->RowHeights(r);
    }
    ColumnsBar->setFixedHeight(height + 4);
}

int TfmPrintPreview::ColumnImage(int Col) const {
    const int index = SelectedSetting() >= 0 ? SelectedSetting() : CurrentSetting;
    if (index < 0 || index >= Settings.size()) return 0;
    const TReportSettings& s = Settings[index];
    if (!s.VisibleCols.value(Col, true)) return 1;
    return s.AutoResizeCols.value(Col, false) ? 2 : 0;
}

void TfmPrintPreview::UpdateChooserImages() {
    const int row = ColumnGrid->RowCount() - 1;
    for (int c = 0; c < ColumnGrid->ColCount(); ++c)
        ColumnGrid->CellAttributes(c, row)->SetBitmap(ColumnImage(c));
    ColumnGrid->viewport()->update();
}

void TfmPrintPreview::ShowSettingColumns(const TReportSettings& Setting) {
    TStringGrid* grid = Job.Grid;
    for (int c = 0; c < grid->ColCount(); ++c) {
        if (Setting.VisibleCols.value(c, true))
            ShowGridColumn(grid, c);
        else
            HideGridColumn(grid, c);
        SetGridColumnFillClient(grid, c, Setting.AutoResizeCols.value(c, false));
    }
}

void TfmPrintPreview::Compose() {
    acPrepareDocument->setEnabled(false);
    if (CurrentSetting >= 0) Job.Setting = &Settings[CurrentSetting];
    FIncomplete = !(TextMode ? ComposeTextPages(Job) : ComposeGridPages(Job));
    acPrepareDocument->setEnabled(true);
}

void TfmPrintPreview::SetOrientation(int Orientation) {
    PagePrinter->SetOrientation(Orientation);
    if (TextMode) {
        const QSize mm = PaperSizeMm(*PagePrinter->Printer());
        Job.TextLayout = TextModeLayout(mm.width(), mm.height(), 0, 0);
    }
    for (TReportSettings& s : Settings)
        SetPrintObjectPositions(s, *PagePrinter);
    acPortrait->setChecked(Orientation == 0);
    acPortrait->setEnabled(Orientation != 0);
    acLandscape->setChecked(Orientation == 1);
    acLandscape->setEnabled(Orientation != 1);
}

void TfmPrintPreview::ApplySetting(int Index, bool DoRebuild) {
    if (Index < 0 || Index >= Settings.size()) return;
    TReportSettings& s = Settings[Index];
    // A column the list window hides is never printed.
    for (int c = 0; c < ColumnGrid->ColCount() && c < s.VisibleCols.size(); ++c)
        if (ColumnGrid->ColWidths(c) <= 0) s.VisibleCols[c] = false;
    CurrentSetting = Index;
    UpdateChooserImages();
    if (DoRebuild) Rebuild(s.Orientation);
}

void TfmPrintPreview::Rebuild(int Orientation) {
    if (!Progress->Showing) {
        Progress->setWindowTitle(QStringLiteral("Подготовка на печата"));
        Progress->SetStatus(QStringLiteral("Преформатиране на страниците, моля изчакайте ..."));
        Progress->show();
        QCoreApplication::processEvents();
    }
    const int page = PagePrinter->PageNumber();
    SetOrientation(Orientation);
    if (!TextMode) {
        if (CurrentSetting >= 0) {
            ShowSettingColumns(Settings[CurrentSetting]);
        } else {
            for (int c = 0; c < Job.Grid->ColCount(); ++c)
                ShowGridColumn(Job.Grid, c);
        }
    }
    Compose();
    if (page >= 1 && page <= PagePrinter->PageCount()) PagePrinter->SetPageNumber(page);
    Zoom(5);
    Progress->HideProgress();
    if (CurrentSetting >= 0) Settings[CurrentSetting].Orientation = PagePrinter->Orientation();
    GoToPage(PagePrinter->PageNumber());
}

void TfmPrintPreview::GoToPage(int Page) {
    const int count = PagePrinter->PageCount();
    if (Page < 1 || Page > count) {
        UpdateStatus();
        return;
    }
    PagePrinter->SetPageNumber(Page);
    acFirstPage->setEnabled(Page != 1);
    acPrevPage->setEnabled(Page != 1);
    acNextPage->setEnabled(Page != count);
    acLastPage->setEnabled(Page != count);
    UpdateStatus();
}

void TfmPrintPreview::Zoom(int Mode) {
    FZoomMode = Mode;
    switch (Mode) {
    case 0:
    case 1:
    case 2:
    case 3:
        PagePrinter->SetZoomPercent(100 - 25 * Mode);
        break;
    case 4:
        PagePrinter->ZoomToPage();
        break;
    case 5:
        PagePrinter->ZoomToPageWidth();
        break;
    }
    UpdateStatus();
}

void TfmPrintPreview::ZoomIn() {
    const int zoom = std::min(1000, (PagePrinter->ZoomPercent() + 10) / 10 * 10);
    FZoomMode = -1;
    PagePrinter->SetZoomLocation(zlSame);
    PagePrinter->SetZoomPercent(zoom);
    PagePrinter->SetZoomLocation(zlTopCenter);
    UpdateStatus();
}

void TfmPrintPreview::ZoomOut() {
    const int zoom = std::max(10, (PagePrinter->ZoomPercent() - 10 + 9) / 10 * 10);
    FZoomMode = -1;
    PagePrinter->SetZoomLocation(zlSame);
    PagePrinter->SetZoomPercent(zoom);
    PagePrinter->SetZoomLocation(zlTopCenter);
    UpdateStatus();
}

void TfmPrintPreview::Pan(int DX, int DY) {
    QScrollBar* bar = DX != 0 ? PagePrinter->horizontalScrollBar() : PagePrinter->verticalScrollBar();
    const int step = DX + DY;
    if ((step < 0 && bar->value() > bar->minimum()) || (step > 0 && bar->value() < bar->maximum()))
        bar->setValue(bar->value() + step * bar->singleStep());
}

void TfmPrintPreview::UpdateStatus() {
    // The printer the pages were laid out for, which is the one Print uses.
    const QPrinter* printer = PagePrinter->Printer();
    StatusPanels[0]->setText(printer ? TPrinterProvider::NameOf(*printer) : QString());
    StatusPanels[1]->setText(
        Format(QStringLiteral("%d mm x %d mm"),
               {int(std::lround(PagePrinter->PageWidth())), int(std::lround(PagePrinter->PageHeight()))}));
    StatusPanels[2]->setText(Format(QStringLiteral("%d %%"), {PagePrinter->ZoomPercent()}));
    StatusPanels[3]->setText(
        Format(QStringLiteral("%d / %d"), {PagePrinter->PageNumber(), PagePrinter->PageCount()}) +
        (FIncomplete ? IncompleteMark : QString()));
}

// ---- settings

int TfmPrintPreview::SelectedSetting() const {
    return lbSettings->currentRow();
}

void TfmPrintPreview::SelectSetting(int Index) {
    lbSettings->setCurrentRow(Index);
    SettingChosen(Index);
}

void TfmPrintPreview::SettingChosen(int Row) {
    if (FUpdatingList || Row < 0 || Row >= Settings.size()) return;
    {
        const QSignalBlocker block(cbDefault);
        cbDefault->setChecked(Settings[Row].IsDefault);
    }
    UpdateChooserImages();
    acEditSetting->setEnabled(Row != 0);
    acDeleteSetting->setEnabled(Row != 0);
    cbDefault->setEnabled(Settings.size() > 1);
}

void TfmPrintPreview::DefaultClicked(bool Checked) {
    const int index = SelectedSetting();
    if (index < 0) return;
    if (index == 0 && !Checked) {
        // The basic setting keeps its mark unless another one takes it.
        cbDefault->setChecked(true);
        return;
    }
    SetDefault(Settings, index, Checked);
}

void TfmPrintPreview::NewSetting(const QString& Name) {
    const int from = std::max(0, SelectedSetting());
    TReportSettings s;
    s.Name = CleanSettingName(Name);
    const TReportSettings& chosen = Settings[from];
    s.VisibleCols = chosen.VisibleCols;
    s.AutoResizeCols = chosen.AutoResizeCols;
    NewPrintObjects(s);
    s.PrintObjects[poTable].Font = chosen.PrintObjects[poTable].Font;
    s.Orientation = chosen.Orientation;
    SetPrintObjectPositions(s, *PagePrinter);
    Settings.append(s);
    lbSettings->addItem(s.Name);
    SelectSetting(int(Settings.size()) - 1);
}

void TfmPrintPreview::RenameSetting(const QString& Name) {
    const int index = SelectedSetting();
    if (index <= 0) return;
    Settings[index].Name = CleanSettingName(Name);
    lbSettings->item(index)->setText(Settings[index].Name);
}

void TfmPrintPreview::DeleteSetting() {
    const int index = SelectedSetting();
    if (index <= 0) return;
    if (ConfirmOkCancelFmt(QStringLiteral("Желаете ли да изтриете настройка:\r%s"), {Settings[index].Name}) !=
        mrOk)
        return;
    const bool wasDefault = Settings[index].IsDefault;
    Settings.removeAt(index);
    if (wasDefault) SetDefault(Settings, 0, true);
    if (CurrentSetting == index)
        CurrentSetting = 0;
    else if (CurrentSetting > index)
        --CurrentSetting;
    FUpdatingList = true;
    delete lbSettings->takeItem(index);
    FUpdatingList = false;
    SelectSetting(std::min(index, int(Settings.size()) - 1));
}

void TfmPrintPreview::ChooserClick(int Col, int Row, bool Right) {
    const int index = SelectedSetting();
    if (index <= 0 || Col < 0 || Row < 0) return;
    TReportSettings& s = Settings[index];
    if (!Right) {
        if (Row >= ColumnGrid->RowCount() - 1) return;
        const TGridRect block = ColumnGrid->GetMergedCells(Col, Row);
        for (int c = block.Left; c <= block.Right && c < s.VisibleCols.size(); ++c)
            s.VisibleCols[c] = !s.VisibleCols[c];
    } else {
        if (!s.VisibleCols.value(Col, false)) return;
        while (s.AutoResizeCols.size() <= Col)
            s.AutoResizeCols.append(false);
        s.AutoResizeCols[Col] = !s.AutoResizeCols[Col];
    }
    SettingChosen(index);
}

// ---- the window

bool TfmPrintPreview::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == ColumnGrid->viewport() && Event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(Event);
        int col = -1, row = -1;
        ColumnGrid->MouseToCell(mouse->position().toPoint().x(), mouse->position().toPoint().y(), col, row);
        ChooserClick(col, row, mouse->button() == Qt::RightButton);
    } else if (Watched == PagePrinter && Event->type() == QEvent::Resize) {
        // The whole page or its width stays so when the window is maximized or resized.
        if (FZoomMode == 4 || FZoomMode == 5) Zoom(FZoomMode);
    } else if (Watched == PagePrinter->widget()) {
        // Cast only once the type says it is a mouse event.
        const auto mouse = [Event] { return static_cast<QMouseEvent*>(Event); };
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
            FDragging = true;
            FLastMouse = mouse()->globalPosition().toPoint();
            break;
        case QEvent::MouseMove:
            if (FDragging) {
                const QPoint now = mouse()->globalPosition().toPoint();
                const QPoint delta = now - FLastMouse;
                FLastMouse = now;
                PagePrinter->horizontalScrollBar()->setValue(PagePrinter->horizontalScrollBar()->value() -
                                                             delta.x());
                PagePrinter->verticalScrollBar()->setValue(PagePrinter->verticalScrollBar()->value() -
                                                           delta.y());
            }
            break;
        case QEvent::MouseButtonRelease:
            FDragging = false;
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TfmPrintPreview::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    QCoreApplication::processEvents();
    if (PagePrinter->PageCount() > 0) GoToPage(1);
    Zoom(5);
    FDragging = false;
}

void TfmPrintPreview::closeEvent(QCloseEvent* Event) {
    if (cbSave->isChecked() && !SettingsName.isEmpty()) WriteSettings(Settings, SettingsName);
    QWidget::closeEvent(Event);
    if (FModalLoop) FModalLoop->quit();
}

bool TfmPrintPreview::ShowModalPreview() {
    setWindowModality(Qt::ApplicationModal);
    showMaximized();
    raise();
    activateWindow();
    QEventLoop loop;
    FModalLoop = &loop;
    loop.exec();
    FModalLoop = nullptr;
    return Result;
}

bool TfmPrintPreview::PrintPages(int From, int To, int Copies, bool Collate, const QString& FileName,
                                 const QString& Queue, const TJobOptions& Options) {
    // A file takes the pages as shown, in either mode.
    if (TextMode && FileName.isEmpty()) {
        // The lines go to the printer the pages were laid out for, never to one that took its place.
        const QPrinter& printer = *PagePrinter->Printer();
        if (!TPrinterProvider::Instance().Available(printer)) {
            ShowPrinterMissing(printer);
            return false;
        }
        const std::unique_ptr<RawPrinterSink> sink =
            CreateRawPrinterSink(Queue.isEmpty() ? TPrinterProvider::NameOf(printer) : Queue);
        return PrintTextPages(Job, *sink, From, To, Copies);
    }
    PagePrinter->SetCopies(Copies);
    PagePrinter->SetCollate(Collate);
    PagePrinter->SetFromPage(From);
    PagePrinter->SetToPage(To);
    PagePrinter->SetOutputPdf(FileName);
    PagePrinter->SetOutputQueue(Queue);
    PagePrinter->SetOutputOptions(Options);
    const auto toPrinter = qScopeGuard([this] {
        PagePrinter->SetOutputPdf(QString());
        PagePrinter->SetOutputQueue(QString());
        PagePrinter->SetOutputOptions({});
    });
    try {
        return PagePrinter->Print();
    } catch (const ECancelPrinting&) {
        return false;
    }
}

void TfmPrintPreview::PrintAction() {
    // Told before the dialog, which would offer whatever printer took this one's place.
    const QPrinter* printer = PagePrinter->Printer();
    if (!printer || !TPrinterProvider::Instance().Available(*printer)) {
        if (printer)
            ShowPrinterMissing(*printer);
        else
            ShowErrorFmt(NoPrinterText);
        return;
    }
    const int count = PagePrinter->PageCount();
    TPrintRequest request;
    request.Copies = PagePrinter->Copies();
    request.Collate = PagePrinter->Collate();
    auto inside = [count](int Page) { return Page >= 1 && Page <= count ? Page : 1; };
    request.FromPage = inside(PagePrinter->FromPage());
    request.ToPage = inside(PagePrinter->ToPage());
    TPrinterProvider& provider = TPrinterProvider::Instance();
    // The dialog's file entry starts on the file the PDF printer would write.
    if (printer == provider.Printer()) provider.PrepareJob(PagePrinter->Title());
    const bool chosen =
        PrintDialog ? PrintDialog(request, count) : ShowPrintDialog(*printer, request, count, this);
    if (!chosen) return;
    const int from = request.AllPages ? 1 : std::clamp(request.FromPage, 1, std::max(1, count));
    const int to = request.AllPages ? count : std::clamp(request.ToPage, from, std::max(1, count));
    Result = PrintPages(from, to, request.Copies, request.Collate, request.FileName, request.Queue,
                        request.Options);
}

void TfmPrintPreview::PrintSetupAction() {
    if (CurrentSetting < 0) return;
    TfmPrintSetup dialog(this);
    const QString pageLine = Job.PageLineOverride.isEmpty()
                                 ? DateTimeText(Job) + QLatin1Char(' ') +
                                       Format(Settings[CurrentSetting].PrintObjects[poPageLine].Text, {1, 1})
                                 : Job.PageLineOverride;
    dialog.SetupData(Settings[CurrentSetting], QString(), Job.Caption, Job.ReportTitle, Job.SecondHeading,
                     pageLine, TPrinterProvider::Instance().PrinterIndex(), TextMode);
    if (dialog.exec() != 1) return;
    int printer = -1;
    dialog.GetSetupData(Settings[CurrentSetting], printer);
    TPrinterProvider& provider = TPrinterProvider::Instance();
    // A printer chosen again is made afresh, whatever became of its object meanwhile.
    if (dialog.PrinterChosen()) provider.SetPrinterIndex(printer);
    const auto chosen = provider.SharedPrinter();
    if (chosen && chosen.get() != PagePrinter->Printer()) {
        // Another printer: its own edges, 5 mm inside them.
        PagePrinter->SetPrinter(chosen);
        PagePrinter->SetMarginTop(PagePrinter->MarginTop() + 5);
        PagePrinter->SetMarginBottom(PagePrinter->MarginBottom() + 5);
        PagePrinter->SetMarginLeft(PagePrinter->MarginLeft() + 5);
        PagePrinter->SetMarginRight(PagePrinter->MarginRight() + 5);
    }
    // The page takes the margins typed for its body; a body with no room leaves them as they were.
    ApplyBodyMargins(*PagePrinter, Settings[CurrentSetting].PrintObjects[poBody]);
    Rebuild(PagePrinter->Orientation());
}

bool PrintGrid(int Orientation, TStringGrid* Grid, const QString& Caption, const QString& ReportTitle,
               const QString& SettingsName, int HeaderShading, const QString& PageLine,
               const QString& FirmBlock, bool SignatureBlock, bool TitlesOnFirstPageOnly, bool ShowProgress,
               bool ShowPreview, const QString& SecondHeading, const QString& ClosingText) {
    if (!TPrinterProvider::Instance().Printer()) {
        ShowErrorFmt(NoPrinterText);
        return false;
    }
    TfmPrintPreview preview(Orientation, Grid, Caption, ReportTitle, SettingsName, HeaderShading, PageLine,
                            FirmBlock, SignatureBlock, TitlesOnFirstPageOnly, ShowProgress, SecondHeading,
                            ClosingText);
    if (ShowPreview) return preview.ShowModalPreview();
    preview.PagePrinter->SetShowProgress(false);
    return preview.PrintPages(1, preview.PagePrinter->PageCount(), 1, true);
}
