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

#include <QAbstractPrintDialog>
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
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

const QString PageBreakMarker = QStringLiteral("-=: PaGe BrEaK :=-");

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

QString DateTimeText(const TGridPrintJob& Job) {
    return Job.Now().toString(QStringLiteral("dd.MM.yyyy' г. / 'HH:mm:ss"));
}

// Marker rows at the start of a page give the pages from here on their caption and title.
void TakeMarkerRows(TGridPrintJob& Job, int& Row, bool Apply) {
    while (IsMarkerRow(Job.Grid, Row)) {
        if (Apply) {
            const QString texts = Job.Grid->Cells(1, Row);
            Job.Caption = GetPiece(texts, QLatin1Char('@'), 0);
            Job.ReportTitle =
                texts.contains(QLatin1Char('@')) ? GetPiece(texts, QLatin1Char('@'), 1) : QString();
        }
        ++Row;
    }
}

void ResizeGrid(TStringGrid* Grid, int Width, int Height) {
    const QSize old = Grid->size();
    Grid->resize(Width, Height);
    // A hidden grid gets its resize only when shown; its viewport must follow now.
    if (!Grid->isVisible()) {
        QResizeEvent event(Grid->size(), old);
        QCoreApplication::sendEvent(Grid, &event);
    }
}

} // namespace

bool FitGridRows(TStringGrid* Grid, int& FirstRow, int HeightLimit, bool SetHeight, bool& PageBreak,
                 int* Used) {
    PageBreak = false;
    int sum = 0;
    for (int r = 0; r < Grid->FixedRows() && r < Grid->RowCount(); ++r)
        sum += Grid->RowHeights(r);
    int row = std::max(FirstRow, Grid->FixedRows());
    int taken = 0;
    while (row < Grid->RowCount()) {
        if (IsMarkerRow(Grid, row)) {
            PageBreak = true;
            break;
        }
        if (sum + Grid->RowHeights(row) >= HeightLimit) break;
        sum += Grid->RowHeights(row);
        ++row;
        ++taken;
    }
    if (taken == 0 && !PageBreak && row < Grid->RowCount()) {
        // A row taller than the page gets a page of its own, cut at the page's foot; the rows
        // after it still print.
        sum += Grid->RowHeights(row);
        ++row;
    }
    sum = std::min(sum, HeightLimit);
    if (SetHeight) ResizeGrid(Grid, Grid->width(), sum);
    if (Used) *Used = sum;
    FirstRow = row;
    return FirstRow < Grid->RowCount();
}

// ---- graphic mode

void PrepareGridForPrint(TGridPrintJob& Job, int TableWidth) {
    TStringGrid* grid = Job.Grid;
    const TDeviceCaps& caps = Job.Printer->Caps();
    const TFont& tableFont = Job.Setting->PrintObjects[poTable].Font;
    const QFont font = DeviceFont(tableFont, caps.DpiY);
    grid->setFrameShape(QFrame::NoFrame);
    grid->SetScrollBars(ssNone);
    grid->setFont(font);
    grid->SetFixedCols(0);
    grid->SetColor(clWhite);
    TGridOptions options = grid->Options();
    options.Exclude(goRangeSelect);
    grid->SetOptions(options);
    HideGridSelection(grid);
    const double points = std::max(1, tableFont.Size());
    const int marginX = int(std::lround(caps.DpiX / points / 5));
    const int marginY = int(std::lround(marginX / (double(caps.DpiX) / caps.DpiY)));
    if (auto* rich = qobject_cast<TRichGrid*>(grid)) {
        for (TCellAttributes* a : {rich->DefAttributes(), rich->FixedAttributes()}) {
            a->SetLeftMargin(marginX);
            a->SetRightMargin(marginX);
            a->SetTopMargin(marginY);
            a->SetBottomMargin(marginY);
            a->SetBackColor(clWhite);
            a->SetBorderColor(clBlack);
            a->SetCell3DEffect(bvNone);
            a->SetHideSelection(true);
        }
        // Both shadings print white; the header text is black.
        rich->FixedAttributes()->SetForeColor(clBlack);
        rich->DefAttributes()->SetForeColor(clBlack);
        SetGridMarkNegative(rich, Job.MarkNegative);
        if (Job.ColorPrinting) {
            for (int r = 0; r < rich->RowCount(); ++r) {
                if (rich->HasRowAttributes(r)) rich->RowAttributes(r)->SetBackColor(clWhite);
                for (int c = 0; c < rich->ColCount(); ++c)
                    if (rich->HasCellAttributes(c, r)) rich->CellAttributes(c, r)->SetBackColor(clWhite);
            }
        }
    } else if (auto* adv = qobject_cast<TAdvStringGrid*>(grid)) {
        adv->SetCell3DEffect(0);
        adv->SetGridLineColor(clBlack);
        adv->SetDefaultColor(false, clWhite);
        adv->SetDefaultColor(true, clWhite);
        adv->SetDefaultFontColor(true, clBlack);
        adv->SetDefaultFontColor(false, clBlack);
        adv->SetOverwriteCellColors(true);
        for (int c = 0; c < adv->ColCount(); ++c)
            adv->SetColColor(c, clWhite);
    }

    grid->SetTopRow(grid->FixedRows());
    ResizeGrid(grid, TableWidth, std::max(1, grid->height()));
    if (auto* rich = qobject_cast<TRichGrid*>(grid)) {
        for (int c = 0; c < rich->ColCount(); ++c) {
            TColRowAttributes* a = rich->ColAttributes(c);
            if (a->Visible()) a->SetAutoResize(!a->ResizeToFillClient());
        }
        for (int r = 0; r < rich->RowCount(); ++r)
            rich->RowAttributes(r)->SetAutoResize(true);
        // Cell by cell the grid would refit every row after each change: it does so once, at the end.
        const bool dynamic = rich->DynamicResize();
        rich->SetDynamicResize(false);
        const auto refit = qScopeGuard([rich, dynamic] {
            rich->SetDynamicResize(dynamic);
            if (!dynamic) return;
            rich->FillClientHeight();
            rich->ClampRows();
            rich->ClampColumns();
        });
        rich->AutoResizeColumns();
        rich->FillClientWidth();
        // Rows take the height of their tallest cell in the printer's pixels.
        for (int r = 0; r < rich->RowCount(); ++r) {
            if (rich->RowHeights(r) <= 0) continue;
            rich->SetRowHeights(r, 1);
            for (int c = 0; c < rich->ColCount(); ++c) {
                QSize size;
                rich->MeasureCell(c, r, size, false);
            }
        }
    } else if (auto* adv = qobject_cast<TAdvStringGrid*>(grid)) {
        adv->SetDefaultRowHeight();
        adv->AutoSize();
        adv->FillClientWidth();
    }
}

namespace {

class TGraphicComposer {
public:
    explicit TGraphicComposer(TGridPrintJob& Job) : J(Job), P(*Job.Printer), po(Job.Setting->PrintObjects) {
        const TDeviceCaps& caps = P.Caps();
        DpiX = caps.DpiX;
        DpiY = caps.DpiY;
        Body = QRect(X(po[poBody].Left), Y(po[poBody].Top), X(po[poBody].Right) - X(po[poBody].Left),
                     Y(po[poBody].Bottom) - Y(po[poBody].Top));
    }
    void Run();

private:
    int X(double Mm) const { return int(std::lround(Mm / 25.4 * DpiX)); }
    int Y(double Mm) const { return int(std::lround(Mm / 25.4 * DpiY)); }
    QFont Font(int Object) const { return DeviceFont(po[size_t(Object)].Font, DpiY); }
    QString PageLine(int Page) const;
    // Where the date/page line is drawn, right-aligned from its top.
    QRect PageLineArea() const {
        return {QPoint(Body.left(), Y(po[poPageLine].Top)), QPoint(X(po[poPageLine].Right), Body.bottom())};
    }
    // Where the table starts on a page without the heading.
    int PlainTop() const;
    // Pages from Row on, by fitting alone, with a page of their own for the closing text and
    // the signature block when they need one.
    int CountPages(int Row, int FirstTop, int LaterTop);
    // The room the table has below Top, in the grid's own pixels.
    int Limit(int Top) const { return int((Body.bottom() - Top) / Scale); }
    // Draws the heading; the table starts below it.
    int Heading(int Page);
    // Draws the date/page line; its bottom.
    int DrawPageLine(int Page);
    void PaintGrid(int Top);
    // Whether the closing text and the signature block each need a new page after a table
    // ending at TableBottom.
    bool ClosingNeedsPage(int TableBottom) const;
    // The closing text's height with its blank line above; 0 without one.
    int ClosingHeight() const;
    int ClosingBottom(int Top) const;
    bool SignatureNeedsPage(int Bottom) const;
    int LineHeight() const { return QFontMetrics(Font(poTitle)).height(); }

    TGridPrintJob& J;
    TPagePrinter& P;
    const std::array<TPrintObjectData, PrintObjectCount>& po;
    int DpiX = 300;
    int DpiY = 300;
    QRect Body;
    int PageCount = 1;
    // A table wider than the body is drawn smaller, so that no column is lost.
    double Scale = 1;
};

QString TGraphicComposer::PageLine(int Page) const {
    if (!J.PageLineOverride.isEmpty()) return J.PageLineOverride;
    return DateTimeText(J) + QLatin1Char('\n') + Format(po[poPageLine].Text, {Page, PageCount});
}

int TGraphicComposer::PlainTop() const {
    const QFontMetrics metrics(Font(poPageLine));
    const QRect line = metrics.boundingRect(PageLineArea(), Qt::AlignRight | Qt::AlignTop, PageLine(1));
    return std::max(Y(po[poFirmBlock].Top), line.bottom() + 1);
}

int TGraphicComposer::Heading(int Page) {
    QPainter& c = *P.Canvas();
    const int bottom = Body.bottom();
    c.setPen(Qt::black);
    c.setFont(Font(poPageLine));
    const QString pageText = Format(QStringLiteral("Стр. %d"), {Page});
    const QRect pageArea(QPoint(X(po[poFirmBlock].Left), Y(po[poFirmBlock].Top)),
                         QPoint(Body.right(), bottom));
    QRect pageDrawn;
    c.drawText(pageArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, pageText, &pageDrawn);
    const QRect lineDrawn =
        c.fontMetrics().boundingRect(PageLineArea(), Qt::AlignRight | Qt::AlignTop, PageLine(Page));
    const int left = pageDrawn.right() + 1;
    const int right = X(po[poPageLine].Right) - (Body.left() + lineDrawn.width());
    int top = Y(po[poCaption].Top);
    auto centred = [&](const QString& Text, int Object) {
        c.setFont(Font(Object));
        QRect drawn;
        c.drawText(QRect(QPoint(left, top), QPoint(std::max(left, right), bottom)),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, Text, &drawn);
        top = Text.isEmpty() ? top : drawn.bottom() + 1;
    };
    centred(J.Caption, poCaption);
    centred(J.ReportTitle, poTitle);
    if (!J.SecondHeading.isEmpty()) centred(J.SecondHeading, poSecondHeading);
    // Without a title the page line would be the lowest text of the heading.
    return std::max({top, pageDrawn.bottom() + 1, lineDrawn.bottom() + 1});
}

int TGraphicComposer::DrawPageLine(int Page) {
    QPainter& c = *P.Canvas();
    c.setPen(Qt::black);
    c.setFont(Font(poPageLine));
    QRect drawn;
    c.drawText(PageLineArea(), Qt::AlignRight | Qt::AlignTop, PageLine(Page), &drawn);
    return drawn.bottom() + 1;
}

int TGraphicComposer::ClosingHeight() const {
    if (J.ClosingText.isEmpty()) return 0;
    // A blank line above its lines.
    const qsizetype lines = J.ClosingText.count(QStringLiteral("\r\n")) + 1;
    return int(lines + 1) * LineHeight();
}

bool TGraphicComposer::ClosingNeedsPage(int TableBottom) const {
    return !J.ClosingText.isEmpty() && ClosingHeight() > Body.bottom() - TableBottom;
}

int TGraphicComposer::ClosingBottom(int Top) const {
    return Top + ClosingHeight();
}

bool TGraphicComposer::SignatureNeedsPage(int Bottom) const {
    return J.SignatureBlock && Body.bottom() - Bottom < 4 * LineHeight();
}

int TGraphicComposer::CountPages(int Row, int FirstTop, int LaterTop) {
    int count = 0;
    bool more = true;
    int bottom = FirstTop;
    while (more) {
        TakeMarkerRows(J, Row, false);
        const int top = count == 0 ? FirstTop : LaterTop;
        ++count;
        bool pageBreak = false;
        int used = 0;
        more = FitGridRows(J.Grid, Row, Limit(top), false, pageBreak, &used);
        bottom = top + int(std::ceil(used * Scale));
    }
    if (ClosingNeedsPage(bottom)) {
        ++count;
        bottom = J.TitlesOnFirstPageOnly ? PlainTop() : FirstTop;
    }
    if (SignatureNeedsPage(ClosingBottom(bottom))) ++count;
    return count;
}

void TGraphicComposer::PaintGrid(int Top) {
    QPainter& c = *P.Canvas();
    c.save();
    c.translate(Body.left(), Top);
    c.scale(Scale, Scale);
    J.Grid->viewport()->render(&c, QPoint(0, 0), QRegion(0, 0, J.Grid->width(), J.Grid->height()),
                               QWidget::DrawChildren);
    c.restore();
}

void TGraphicComposer::Run() {
    TStringGrid* grid = J.Grid;
    SetStatus(J, QStringLiteral("Подготовка на данните, моля изчакайте ..."));
    if (J.Progress) J.Progress->ProgressBar->setValue(0);
    P.BeginDoc();
    PrepareGridForPrint(J, Body.width());
    int width = 0;
    for (int c = 0; c < grid->ColCount(); ++c)
        width += std::max(0, grid->ColWidths(c));
    if (width > Body.width()) {
        Scale = double(Body.width()) / width;
        ResizeGrid(grid, width, grid->height());
    }
    SetStatus(J, QStringLiteral("Подготовка на страниците, моля изчакайте ..."));

    int first = grid->FixedRows();
    int page = 0;
    bool remain = true;
    int tableBottom = Body.top();
    while (remain) {
        ++page;
        if (page > 1) P.NewPage();
        TakeMarkerRows(J, first, true);
        const bool heading = !(J.TitlesOnFirstPageOnly && page > 1);
        const int top = heading ? Heading(page) : PlainTop();
        if (page == 1) PageCount = CountPages(first, top, J.TitlesOnFirstPageOnly ? PlainTop() : top);
        const int pageFirst = first;
        bool pageBreak = false;
        remain = FitGridRows(grid, first, Limit(top), true, pageBreak);
        DrawPageLine(page);
        grid->SetTopRow(std::min(pageFirst, std::max(grid->FixedRows(), grid->RowCount() - 1)));
        PaintGrid(top);
        tableBottom = top + int(std::ceil(grid->height() * Scale));
        StepProgress(J, page, PageCount);
        LetEventsRun();
        if (Cancelled(J)) {
            P.EndDoc();
            return;
        }
    }

    QPainter* c = P.Canvas();
    const int lineHeight = LineHeight();
    if (!J.ClosingText.isEmpty()) {
        if (ClosingNeedsPage(tableBottom)) {
            P.NewPage();
            ++page;
            c = P.Canvas();
            tableBottom = J.TitlesOnFirstPageOnly ? PlainTop() : Heading(page);
            DrawPageLine(page);
        }
        c->setFont(Font(poTitle));
        c->setPen(Qt::black);
        int y = tableBottom + lineHeight;
        for (const QString& line : J.ClosingText.split(QStringLiteral("\r\n"))) {
            c->drawText(QRect(Body.left(), y, Body.width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                        line);
            y += lineHeight;
        }
        tableBottom = y;
    }
    if (J.SignatureBlock) {
        const QFontMetrics metrics(Font(poTitle));
        if (SignatureNeedsPage(tableBottom)) {
            P.NewPage();
            ++page;
            c = P.Canvas();
            tableBottom = PlainTop();
            DrawPageLine(page);
        }
        c->setFont(Font(poTitle));
        c->setPen(Qt::black);
        const int y = tableBottom + 2 * lineHeight + metrics.ascent();
        const QString chief = QStringLiteral("Гл. счетоводител:");
        c->drawText(Body.left(), y,
                    QStringLiteral("Дата: ") + J.Now().toString(QStringLiteral("dd.MM.yyyy")));
        c->drawText(Body.left() + Body.width() / 2, y, QStringLiteral("Ръководител:"));
        c->drawText(Body.right() - 2 * metrics.horizontalAdvance(chief), y, chief);
    }
    P.EndDoc();
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

// A totals row is coloured as one; the filter's totals row is known by its text.
bool IsTotalsRow(TStringGrid* Grid, int Row) {
    if (Grid->Cells(0, Row) == FilterTotalsText) return true;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        return rich->EffectiveCellAttributes(0, Row)->BackColor() == TotalsRowColor;
    return GetGridCellColor(Grid, 0, Row) == TotalsRowColor;
}

class TTextComposer {
public:
    explicit TTextComposer(TGridPrintJob& Job) : J(Job), P(*Job.Printer), Grid(Job.Grid) {}
    void Run();

private:
    bool Printed(int Col) const { return Col < J.Setting->VisibleCols.size() && J.Setting->VisibleCols[Col]; }
    void ColumnWidths();
    QString RowLine(int Row);
    void Line(const QString& Shown, const QByteArray& Before = {}, const QByteArray& After = {});
    void PageHeading();

    TGridPrintJob& J;
    TPagePrinter& P;
    TStringGrid* Grid;
    QList<int> Widths;
    int TableWidth = 0;
    int PageCount = 1;
    QFont Normal;
    QFont Bold;
};

void TTextComposer::ColumnWidths() {
    const int L = J.TextLayout.CondensedWidth;
    Widths = QList<int>(Grid->ColCount(), 0);
    int total = 0;
    int printed = 0;
    for (int c = 0; c < Grid->ColCount(); ++c) {
        if (!Printed(c)) continue;
        ++printed;
        for (int r = 0; r < Grid->RowCount(); ++r) {
            QString text;
            GetGridCellText(Grid, c, r, text);
            Widths[c] = std::max(Widths[c], int(text.size()));
        }
        total += Widths[c];
    }
    if (J.VerticalSeparators) total += printed + 1;
    total = std::min(total, L);
    QList<int> stretching;
    for (int c = 0; c < Grid->ColCount() && c < J.Setting->AutoResizeCols.size(); ++c)
        if (J.Setting->AutoResizeCols[c]) stretching << c;
    int running = total;
    for (const int c : stretching) {
        const int share = (L - running) / int(stretching.size());
        Widths[c] += share;
        running += share;
    }
    TableWidth = 0;
    for (int c = 0; c < Grid->ColCount(); ++c)
        if (Printed(c)) TableWidth += Widths[c];
    if (J.VerticalSeparators) TableWidth += printed + 1;
    TableWidth = std::min(TableWidth, L);
}

QString TTextComposer::RowLine(int Row) {
    const QString bar = J.VerticalSeparators ? QStringLiteral("|") : QString();
    QString line = bar;
    for (int c = 0; c < Grid->ColCount(); ++c) {
        if (!Printed(c)) continue;
        TGridRect block;
        GetGridMergedCells(Grid, c, Row, block);
        bool written = false;
        for (int k = block.Left; k < c; ++k)
            written = written || Printed(k);
        if (written) continue;
        int width = 0;
        int columns = 0;
        for (int k = c; k <= std::max(c, block.Right) && k < Grid->ColCount(); ++k) {
            if (!Printed(k)) continue;
            width += Widths[k];
            ++columns;
        }
        if (J.VerticalSeparators) width += columns - 1;
        QString text;
        GetGridCellText(Grid, block.Left, block.Top, text);
        text.remove(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        line += Aligned(text, width, GetGridCellAlignment(Grid, block.Left, block.Top)) + bar;
    }
    return line;
}

void TTextComposer::Line(const QString& Shown, const QByteArray& Before, const QByteArray& After) {
    P.WriteLine(Shown);
    J.TextLines << Before + OemEncoder::Encode(Shown) + After;
}

void TTextComposer::PageHeading() {
    const int L = J.TextLayout.CondensedWidth;
    const QString now = DateTimeText(J);
    const int S = int(std::max(J.FirmName.size(), now.size()));
    const int middle = L - 2 * S;
    const QString line1 = J.FirmName.leftJustified(S) + Centred(J.Caption, middle) + now.rightJustified(S);
    const QString pages =
        J.ContinuousPaper ? QString() : Format(QStringLiteral("Стр.: %d / %d"), {P.PageNumber(), PageCount});
    const QString line2 = Format(QStringLiteral("No по НДР: %s"), {J.FirmNumber}).leftJustified(S) +
                          Centred(J.ReportTitle, middle) + pages.rightJustified(S);
    Line(line1.left(L), EscCondensed);
    Line(line2.left(L), EscCondensed);
    Line(Format(QStringLiteral("Булстат: %s"), {J.FirmCode}));
}

void TTextComposer::Run() {
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
    const int headerRows = Grid->FixedRows();
    const int rows = Grid->RowCount();
    if (J.ContinuousPaper)
        PageCount = (rows + 5 + lines - 1) / lines;
    else {
        const int perPage = std::max(1, lines - 3 - headerRows - 2);
        PageCount = std::max(1, (rows - headerRows + perPage - 1) / perPage);
    }
    const QString equals(TableWidth, QLatin1Char('='));
    const QString dashes(TableWidth, QLatin1Char('-'));
    const int L = J.TextLayout.CondensedWidth;
    int lastPage = 0;
    int counter = 0;
    auto pageStart = [&] {
        if (P.PageNumber() == lastPage) return true;
        lastPage = P.PageNumber();
        StepProgress(J, lastPage, PageCount);
        LetEventsRun();
        if (Cancelled(J)) return false;
        counter = 0;
        if (lastPage == 1 || !J.ContinuousPaper) {
            PageHeading();
            Line(equals);
            for (int r = 0; r < headerRows; ++r)
                Line(RowLine(r).left(L));
            Line(dashes);
            counter = headerRows + 5;
        }
        return true;
    };
    for (int r = headerRows; r < rows; ++r) {
        if (!pageStart()) {
            P.EndDoc();
            return;
        }
        const QString line = RowLine(r).left(L);
        const int page = P.PageNumber();
        if (IsTotalsRow(Grid, r)) {
            P.SetPageFont(Bold);
            Line(line, EscDoubleStrikeOn, EscDoubleStrikeOff);
            P.SetPageFont(Normal);
        } else {
            Line(line);
        }
        // The page printer may have started the next page by itself as the line filled this one.
        if (++counter >= lines && P.PageNumber() == page) P.NewPage();
    }
    if (!pageStart()) {
        P.EndDoc();
        return;
    }
    Line(equals);
    if (!J.ClosingText.isEmpty()) {
        // A closing text that begins a page of its own gets the page's heading first.
        if (P.PageNumber() != lastPage && !J.ContinuousPaper) {
            lastPage = P.PageNumber();
            PageHeading();
            Line(equals);
        }
        for (const QString& text : J.ClosingText.split(QStringLiteral("\r\n")))
            Line(Centred(text, L));
    }
    P.EndDoc();
}

} // namespace

void ComposeGridPages(TGridPrintJob& Job) {
    // The working copy shares its number formatters with the list window: whatever ends the
    // composition, they go back to how the window had them.
    QList<std::pair<QPointer<TNumberFormatter>, bool>> marks;
    if (auto* rich = qobject_cast<TRichGrid*>(Job.Grid))
        for (TNumberFormatter* f : GridNumberFormatters(rich))
            marks.append({f, f->MarkNegative()});
    const auto restore = qScopeGuard([&marks] {
        for (const auto& [formatter, mark] : marks)
            if (formatter) formatter->SetMarkNegative(mark);
    });
    TGraphicComposer(Job).Run();
}

void ComposeTextPages(TGridPrintJob& Job) {
    TTextComposer(Job).Run();
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

bool ShowPrintDialog(TPrintRequest& Request, int PageCount) {
    QPrinter* printer = TPrinterProvider::Instance().Printer();
    if (!printer) return false;
    printer->setCopyCount(Request.Copies);
    printer->setCollateCopies(Request.Collate);
    printer->setFromTo(Request.FromPage, Request.ToPage);
    QPrintDialog dialog(printer);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies);
    dialog.setMinMax(1, PageCount);
    if (dialog.exec() != QDialog::Accepted) return false;
    Request.Copies = std::max(1, printer->copyCount());
    Request.Collate = printer->collateCopies();
    Request.AllPages = dialog.printRange() != QAbstractPrintDialog::PageRange;
    Request.FromPage = printer->fromPage();
    Request.ToPage = printer->toPage();
    // The copies are made by the program; the printer must not repeat them.
    printer->setCopyCount(1);
    printer->setCollateCopies(false);
    return true;
}

TPrintDialogHook PrintDialog = ShowPrintDialog;

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
    TPrintDialogHook previous = PrintDialog;
    PrintDialog = Hook ? std::move(Hook) : TPrintDialogHook(ShowPrintDialog);
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
    if (TextMode)
        ComposeTextPages(Job);
    else
        ComposeGridPages(Job);
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
    Zoom(4);
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
    PagePrinter->SetZoomLocation(zlSame);
    PagePrinter->SetZoomPercent(zoom);
    PagePrinter->SetZoomLocation(zlTopCenter);
    UpdateStatus();
}

void TfmPrintPreview::ZoomOut() {
    const int zoom = std::max(10, (PagePrinter->ZoomPercent() - 10 + 9) / 10 * 10);
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
        Format(QStringLiteral("%d / %d"), {PagePrinter->PageNumber(), PagePrinter->PageCount()}));
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
    } else if (Watched == PagePrinter->widget()) {
        auto* mouse = static_cast<QMouseEvent*>(Event);
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
            FDragging = true;
            FLastMouse = mouse->globalPosition().toPoint();
            break;
        case QEvent::MouseMove:
            if (FDragging) {
                const QPoint now = mouse->globalPosition().toPoint();
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
    Zoom(4);
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

bool TfmPrintPreview::PrintPages(int From, int To, int Copies, bool Collate) {
    if (TextMode) {
        // The lines go to the printer the pages were laid out for, never to one that took its place.
        const QPrinter& printer = *PagePrinter->Printer();
        if (!TPrinterProvider::Instance().Available(printer)) {
            ShowPrinterMissing(printer);
            return false;
        }
        const std::unique_ptr<RawPrinterSink> sink = CreateRawPrinterSink(TPrinterProvider::NameOf(printer));
        return PrintTextPages(Job, *sink, From, To, Copies);
    }
    PagePrinter->SetCopies(Copies);
    PagePrinter->SetCollate(Collate);
    PagePrinter->SetFromPage(From);
    PagePrinter->SetToPage(To);
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
    if (!PrintDialog(request, count)) return;
    const int from = request.AllPages ? 1 : std::clamp(request.FromPage, 1, std::max(1, count));
    const int to = request.AllPages ? count : std::clamp(request.ToPage, from, std::max(1, count));
    Result = PrintPages(from, to, request.Copies, request.Collate);
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
    provider.SetPrinterIndex(printer);
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
