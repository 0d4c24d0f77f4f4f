#include "framework/GridPreview.h"

#include "Components/Grids/AdvStringGrid.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unStringFuncs.h"
#include "framework/PagePrinter.h"
#include "framework/PrintDialogs.h"
#include "framework/RawPrinter.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QProgressBar>
#include <QResizeEvent>
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

bool FitGridRows(TStringGrid* Grid, int& FirstRow, int HeightLimit, bool SetHeight, bool& PageBreak) {
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
    if (SetHeight) ResizeGrid(Grid, Grid->width(), sum);
    if (taken == 0 && !PageBreak) {
        // Nothing fits: the document ends rather than giving empty pages without end.
        FirstRow = Grid->RowCount();
        return false;
    }
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
            if (a->Visible() && !a->ResizeToFillClient()) a->SetAutoResize(true);
        }
        for (int r = 0; r < rich->RowCount(); ++r)
            rich->RowAttributes(r)->SetAutoResize(true);
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
    // Pages from Row on, by fitting alone.
    int CountPages(int Row, int Limit);
    // Draws the heading; the table starts below it.
    int Heading(int Page);
    void DrawPageLine(int Page);
    void PaintGrid(int Top);

    TGridPrintJob& J;
    TPagePrinter& P;
    const std::array<TPrintObjectData, PrintObjectCount>& po;
    int DpiX = 300;
    int DpiY = 300;
    QRect Body;
    int PageCount = 1;
};

QString TGraphicComposer::PageLine(int Page) const {
    if (!J.PageLineOverride.isEmpty()) return J.PageLineOverride;
    return DateTimeText(J) + QLatin1Char('\n') + Format(po[poPageLine].Text, {Page, PageCount});
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
    const QRect lineArea(QPoint(Body.left(), Y(po[poPageLine].Top)), QPoint(X(po[poPageLine].Right), bottom));
    const int lineWidth =
        c.fontMetrics().boundingRect(lineArea, Qt::AlignRight | Qt::AlignTop, PageLine(Page)).width();
    const int left = pageDrawn.right() + 1;
    const int right = X(po[poPageLine].Right) - (Body.left() + lineWidth);
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
    return std::max(top, pageDrawn.bottom() + 1);
}

void TGraphicComposer::DrawPageLine(int Page) {
    QPainter& c = *P.Canvas();
    c.setPen(Qt::black);
    c.setFont(Font(poPageLine));
    c.drawText(
        QRect(QPoint(Body.left(), Y(po[poPageLine].Top)), QPoint(X(po[poPageLine].Right), Body.bottom())),
        Qt::AlignRight | Qt::AlignTop, PageLine(Page));
}

int TGraphicComposer::CountPages(int Row, int Limit) {
    int count = 0;
    bool more = true;
    while (more) {
        TakeMarkerRows(J, Row, false);
        ++count;
        bool pageBreak = false;
        more = FitGridRows(J.Grid, Row, Limit, false, pageBreak);
    }
    return count;
}

void TGraphicComposer::PaintGrid(int Top) {
    QWidget* view = J.Grid->viewport();
    view->render(P.Canvas(), QPoint(Body.left(), Top), QRegion(0, 0, J.Grid->width(), J.Grid->height()),
                 QWidget::DrawChildren);
}

void TGraphicComposer::Run() {
    TStringGrid* grid = J.Grid;
    SetStatus(J, QStringLiteral("Подготовка на данните, моля изчакайте ..."));
    if (J.Progress) J.Progress->ProgressBar->setValue(0);
    P.BeginDoc();
    PrepareGridForPrint(J, Body.width());
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
        const int top = heading ? Heading(page) : Y(po[poFirmBlock].Top);
        if (page == 1) PageCount = CountPages(first, Body.bottom() - top);
        const int pageFirst = first;
        bool pageBreak = false;
        remain = FitGridRows(grid, first, Body.bottom() - top, true, pageBreak);
        DrawPageLine(page);
        grid->SetTopRow(std::min(pageFirst, std::max(grid->FixedRows(), grid->RowCount() - 1)));
        PaintGrid(top);
        tableBottom = top + grid->height();
        StepProgress(J, page, PageCount);
        LetEventsRun();
        if (Cancelled(J)) {
            P.EndDoc();
            return;
        }
    }

    QPainter* c = P.Canvas();
    if (!J.ClosingText.isEmpty()) {
        const QFont font = Font(poTitle);
        const int lineHeight = QFontMetrics(font).height();
        const QStringList lines = J.ClosingText.split(QStringLiteral("\r\n"));
        if ((lines.size() + 1) * lineHeight > Body.bottom() - tableBottom) {
            P.NewPage();
            ++page;
            c = P.Canvas();
            tableBottom = J.TitlesOnFirstPageOnly ? Y(po[poFirmBlock].Top) : Heading(page);
            DrawPageLine(page);
        }
        c->setFont(font);
        c->setPen(Qt::black);
        int y = tableBottom + lineHeight;
        for (const QString& line : lines) {
            c->drawText(QRect(Body.left(), y, Body.width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                        line);
            y += lineHeight;
        }
        tableBottom = y;
    }
    if (J.SignatureBlock) {
        const QFont font = Font(poTitle);
        const QFontMetrics metrics(font);
        const int lineHeight = metrics.height();
        if (Body.bottom() - tableBottom < 4 * lineHeight) {
            P.NewPage();
            c = P.Canvas();
            tableBottom = Body.top();
        }
        c->setFont(font);
        c->setPen(Qt::black);
        const int y = tableBottom + 2 * lineHeight + metrics.ascent();
        const QString chief = QStringLiteral("Гл. счетоводител:");
        c->drawText(Body.left(), y,
                    QStringLiteral("Дата: ") + J.Now().toString(QStringLiteral("dd.MM.yyyy")));
        c->drawText(Body.left() + Body.width() / 2, y, QStringLiteral("Ръководител:"));
        c->drawText(Body.right() - 2 * metrics.horizontalAdvance(chief), y, chief);
    }
    P.EndDoc();
    if (auto* rich = qobject_cast<TRichGrid*>(grid)) SetGridMarkNegative(rich, true);
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
    TGraphicComposer(Job).Run();
}

void ComposeTextPages(TGridPrintJob& Job) {
    TTextComposer(Job).Run();
}

bool PrintTextPages(TGridPrintJob& Job, RawPrinterSink& Sink, int From, int To, int Copies) {
    if (!Sink.Open(Job.Printer->Title())) {
        ShowErrorFmt(Sink.ErrorText());
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
                ShowErrorFmt(Sink.ErrorText());
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
