#include "framework/export/Export.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"
#include "core/unWait.h"
#include "core/unitTypes.h"
#include "framework/export/Docx.h"
#include "framework/printing/GridPreview.h"
#include "framework/printing/PrintDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetricsF>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numeric>
#include <optional>
#include <sys/stat.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

const char* const ProgramNames[] = {"", "MS Excel", "MS Word", "MS Wordpad", "MS Wordpad"};
const char* const Extensions[] = {"", ".xlsx", ".docx", ".txt", ".txt"};
// Past this many rows the wizard advises a workbook instead of a document.
constexpr int WordRowsAdvised = 5000;

// The two light blues of the grids' shaded rows; the workbook and the document shade them.
constexpr TColor LightBlue1 = 15852465;
constexpr TColor LightBlue2 = 16314584;

TExportOpener& Opener() {
    static TExportOpener opener;
    return opener;
}

void OpenExported(const QString& File) {
    if (Opener())
        Opener()(File);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(File));
}

void ShowExportFailure(const QString& File, const QString& Reason) {
    ShowErrorFmt(LoadStr(65180), {File, Reason});
}

// A file written under a name of its own beside Target. Commit moves it over Target with an
// existing target's permissions; otherwise it is removed, so the target stays as it was. Only a
// regular file can be replaced: renaming over a link, a pipe, a device or a folder would put the
// export in its place instead of writing through it.
class TFileBeside {
public:
    explicit TFileBeside(const QString& Target) : FTarget(Target) {
        const QFileInfo info(Target);
        FPath =
            info.dir().filePath(QStringLiteral(".%1.%2.tmp")
                                    .arg(info.fileName())
                                    .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    }
    ~TFileBeside() {
        if (!FCommitted) QFile::remove(FPath);
    }
    TFileBeside(const TFileBeside&) = delete;
    TFileBeside& operator=(const TFileBeside&) = delete;

    const QString& Path() const { return FPath; }
    // Why the target cannot be written or replaced, for the operator; empty when it can.
    QString Refusal() const {
        const QString folder = QFileInfo(FTarget).absolutePath();
        if (!QFileInfo(folder).isDir())
            return Format(QStringLiteral("Папката \"%s\" не съществува."), {folder});
        struct stat target;
        if (lstat(QFile::encodeName(FTarget).constData(), &target) != 0 || S_ISREG(target.st_mode))
            return QString();
        return Format(QStringLiteral("\"%s\" не е обикновен файл и не може да бъде заменен."), {FTarget});
    }
    // False with Error set when the file cannot take the target's place.
    bool Commit(QString& Error) {
        Error = Refusal();
        if (!Error.isEmpty()) return false;
        const QByteArray path = QFile::encodeName(FPath);
        const QByteArray target = QFile::encodeName(FTarget);
        struct stat old;
        if (stat(target.constData(), &old) == 0 && chmod(path.constData(), old.st_mode & 07777) != 0) {
            Error = WriteFailureReason(errno);
            return false;
        }
        if (std::rename(path.constData(), target.constData()) != 0) {
            Error = WriteFailureReason(errno);
            return false;
        }
        FCommitted = true;
        return true;
    }

private:
    QString FTarget;
    QString FPath;
    bool FCommitted = false;
};

// What the export takes from a grid cell.
struct TCellData {
    QString Text;
    TColor BackColor = clWindow;
    TCellAlignment Alignment;
    bool WordWrap = false;
    bool Amount = false; // a data cell under a number formatter
};

TCellData ReadCell(TRichGrid* Grid, int Col, int Row) {
    TCellAttributes attributes;
    TCellData data;
    Grid->ComposeCellAttributes(Col, Row, &attributes, data.Text);
    data.BackColor = attributes.BackColor();
    data.Alignment = attributes.Alignment();
    data.WordWrap = attributes.WordWrap();
    data.Amount = Col >= Grid->FixedCols() && Row >= Grid->FixedRows() &&
                  qobject_cast<const TNumberFormatter*>(attributes.Formatter());
    return data;
}

// Whether a number carries the money format: amounts are what a number formatter shows or what
// has decimals; row numbers and personal numbers are neither.
bool IsMoney(const TCellData& Cell) {
    return IsExportNumber(Cell.Text) && (Cell.Amount || Cell.Text.contains(QLatin1Char('.')));
}

// Which merged block each cell is written with. The grid lets merges overlap; a file cannot,
// so a block that reaches into an earlier one is written as its first cell alone.
class TMergePlan {
public:
    explicit TMergePlan(TRichGrid* Grid)
        : FGrid(Grid), FCols(Grid->ColCount()),
          FOwner(size_t(Grid->ColCount()) * size_t(Grid->RowCount()), -1) {}

    // The block that cell (Col, Row) starts, or nothing when an earlier block covers the cell.
    std::optional<TGridRect> Take(int Col, int Row) {
        if (Owner(Col, Row) >= 0) return std::nullopt;
        TGridRect block = FGrid->GetMergedCells(Col, Row);
        block.Right = std::min(block.Right, FGrid->ColCount() - 1);
        block.Bottom = std::min(block.Bottom, FGrid->RowCount() - 1);
        bool free = block.Left == Col && block.Top == Row;
        for (int r = block.Top; free && r <= block.Bottom; ++r)
            for (int c = block.Left; free && c <= block.Right; ++c)
                free = Owner(c, r) < 0;
        if (!free) block = TGridRect{Col, Row, Col, Row};
        const int index = int(FBlocks.size());
        FBlocks.push_back(block);
        for (int r = block.Top; r <= block.Bottom; ++r)
            for (int c = block.Left; c <= block.Right; ++c)
                FOwner[Index(c, r)] = index;
        return block;
    }
    // The block written over the cell, once Take has met it.
    std::optional<TGridRect> BlockOf(int Col, int Row) const {
        const int owner = Owner(Col, Row);
        if (owner < 0) return std::nullopt;
        return FBlocks[size_t(owner)];
    }

private:
    size_t Index(int Col, int Row) const { return size_t(Row) * size_t(FCols) + size_t(Col); }
    int Owner(int Col, int Row) const { return FOwner[Index(Col, Row)]; }
    TRichGrid* FGrid;
    int FCols;
    std::vector<int> FOwner;
    std::vector<TGridRect> FBlocks;
};

bool IsSingle(const TGridRect& Block) {
    return Block.Left == Block.Right && Block.Top == Block.Bottom;
}

bool IsHiddenColumn(TRichGrid* Grid, int Col) {
    return Grid->ColWidths(Col) <= 0;
}

// The longest text of each column by its longest line: lengths are cheap, so a column's width is
// measured once, from that text, instead of from every cell.
class TLongestTexts {
public:
    explicit TLongestTexts(int Count) : FTexts(size_t(Count)), FLengths(size_t(Count), -1) {}
    int Count() const { return int(FTexts.size()); }
    void Offer(int Col, const QString& Text) {
        const qsizetype length = LongestLineLength(Text);
        if (length <= FLengths[size_t(Col)]) return;
        FLengths[size_t(Col)] = length;
        FTexts[size_t(Col)] = Text;
    }
    // Empty for a column that has no text of its own.
    const QString& Text(int Col) const { return FTexts[size_t(Col)]; }
    bool Has(int Col) const { return FLengths[size_t(Col)] >= 0; }

private:
    std::vector<QString> FTexts;
    std::vector<qsizetype> FLengths;
};

// A text's width in points in Font, as any page would set it.
double TextWidthPt(const QFont& Font, const QString& Text) {
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(2835); // 72 dots per inch: one pixel per point
        image.setDotsPerMeterY(2835);
        return image;
    }();
    const QFontMetricsF metrics(Font, &device);
    double width = 0;
    for (const QString& line : Text.split(QLatin1Char('\n')))
        width = std::max(width, metrics.horizontalAdvance(line));
    return width;
}

// The number as the workbook's money format shows it, for measuring.
QString ShownNumber(const QString& Text) {
    const bool negative = Text.startsWith(QLatin1Char('-'));
    QString digits = Text.mid(negative ? 1 : 0);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? digits : digits.left(point);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    return (negative ? QStringLiteral("-") : QString()) + whole +
           (point < 0 ? QString() : digits.mid(point)) + QStringLiteral(" лв");
}

std::string Utf8(const QString& Text) {
    return Text.toStdString();
}

// ---- workbook

// Excel's colour index of a cell background: 8 for the light blues, 2 for any other.
int ExcelColorIndex(TColor Color) {
    return Color == LightBlue1 || Color == LightBlue2 ? 8 : 2;
}

enum TExcelFont { efFirm, efTitle, efSubtitle, efTable };

// A cell's format is fixed when the cell is written; equal formats are made once.
class TXlsxFormats {
public:
    TXlsxFormats(lxw_workbook* Workbook, const TExportJob& Job) : FWorkbook(Workbook), FJob(Job) {}

    lxw_format* Get(TExcelFont Font, uint8_t HAlign, uint8_t VAlign, bool Wrap, int ColorIndex,
                    uint8_t Border, const QString& NumberFormat) {
        const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                                .arg(int(Font))
                                .arg(HAlign)
                                .arg(VAlign)
                                .arg(Wrap)
                                .arg(ColorIndex)
                                .arg(Border)
                                .arg(NumberFormat);
        if (lxw_format* found = FCache.value(key)) return found;
        lxw_format* format = workbook_add_format(FWorkbook);
        const QFont& font = FontOf(Font);
        format_set_font_name(format, Utf8(font.family()).c_str());
        format_set_font_size(format, font.pointSizeF());
        if (font.bold()) format_set_bold(format);
        if (font.italic()) format_set_italic(format);
        if (font.underline()) format_set_underline(format, LXW_UNDERLINE_SINGLE);
        if (font.strikeOut()) format_set_font_strikeout(format);
        if (HAlign != LXW_ALIGN_NONE) format_set_align(format, HAlign);
        if (VAlign != LXW_ALIGN_NONE) format_set_align(format, VAlign);
        if (Wrap) format_set_text_wrap(format);
        if (ColorIndex != 0) {
            format_set_pattern(format, LXW_PATTERN_SOLID);
            format_set_bg_color(format, ColorIndex == 8 ? 0x00FFFF : 0xFFFFFF);
        }
        if (Border != LXW_BORDER_NONE) format_set_border(format, Border);
        if (!NumberFormat.isEmpty()) format_set_num_format(format, Utf8(NumberFormat).c_str());
        FCache.insert(key, format);
        return format;
    }
    const QFont& FontOf(TExcelFont Font) const {
        switch (Font) {
        case efFirm:
            return FJob.FirmFont;
        case efTitle:
            return FJob.TitleFont;
        case efSubtitle:
            return FJob.SubtitleFont;
        case efTable:
            break;
        }
        return FJob.TableFont;
    }

private:
    lxw_workbook* FWorkbook;
    const TExportJob& FJob;
    QHash<QString, lxw_format*> FCache;
};

uint8_t ExcelHAlign(TCellAlignment Alignment) {
    if (Alignment.Contains(caRight)) return LXW_ALIGN_RIGHT;
    if (Alignment.Contains(caLeft)) return LXW_ALIGN_LEFT;
    if (Alignment.Contains(caCenter)) return LXW_ALIGN_CENTER;
    return LXW_ALIGN_NONE;
}

uint8_t ExcelVAlign(TCellAlignment Alignment) {
    if (Alignment.Contains(caTop)) return LXW_ALIGN_VERTICAL_TOP;
    if (Alignment.Contains(caBottom)) return LXW_ALIGN_VERTICAL_BOTTOM;
    if (Alignment.Contains(caCenter)) return LXW_ALIGN_VERTICAL_CENTER;
    return LXW_ALIGN_NONE;
}

// Frees a workbook that was never closed; closing is what writes the file.
struct TWorkbookDiscard {
    void operator()(lxw_workbook* Workbook) const { lxw_workbook_free(Workbook); }
};

class TExcelFailure {
public:
    explicit TExcelFailure(const QString& Reason) : Reason(Reason) {}
    QString Reason;
};

// The library's own texts are English: the operator gets the reason in Bulgarian.
QString ExcelReason(lxw_error Error) {
    switch (Error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return WriteFailureReason(ENOMEM);
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("Клетка съдържа повече от 32 767 знака.");
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("Списъкът има повече редове или колони, отколкото побира работен лист.");
    default:
        return WriteFailureReason(errno);
    }
}

void Check(lxw_error Error) {
    if (Error != LXW_NO_ERROR) throw TExcelFailure(ExcelReason(Error));
}

// ---- document

// Word's colour index of a cell background.
int WordColorIndex(TColor Color) {
    switch (Color) {
    case clBlack:
        return 1;
    case 16711680:
        return 2;
    case LightBlue1:
    case LightBlue2:
        return 3;
    case 8421376:
        return 10;
    case 32768:
        return 11;
    case 255:
        return 6;
    default:
        return 0; // the window colour and any other: automatic
    }
}

QString WordFill(int ColorIndex) {
    switch (ColorIndex) {
    case 1:
        return QStringLiteral("000000");
    case 2:
        return QStringLiteral("0000FF");
    case 3:
        return QStringLiteral("00FFFF");
    case 6:
        return QStringLiteral("FF0000");
    case 10:
        return QStringLiteral("008080");
    case 11:
        return QStringLiteral("008000");
    default:
        return QString();
    }
}

TDocxRun WordRun(const QString& Text, const QFont& Font) {
    TDocxRun run;
    run.Text = Text;
    run.FontName = Font.family();
    run.FontSize = Font.pointSizeF();
    run.Bold = Font.bold();
    run.Italic = Font.italic();
    run.Underline = Font.underline();
    run.Strike = Font.strikeOut();
    run.Color = QStringLiteral("000000");
    return run;
}

TDocxCell WordHeadingCell(const QString& Text, const QFont& Font, TDocxAlign Align) {
    TDocxCell cell;
    if (!Text.isEmpty()) cell.Paragraph.Runs.append(WordRun(Text, Font));
    cell.Paragraph.Align = Align;
    cell.VAlign = dvCenter;
    return cell;
}

TDocxAlign WordAlign(TCellAlignment Alignment) {
    if (Alignment.Contains(caRight)) return daRight;
    if (Alignment.Contains(caLeft)) return daLeft;
    if (Alignment.Contains(caCenter)) return daCenter;
    return daLeft;
}

TDocxVAlign WordVAlign(TCellAlignment Alignment) {
    if (Alignment.Contains(caTop)) return dvTop;
    if (Alignment.Contains(caBottom)) return dvBottom;
    if (Alignment.Contains(caCenter)) return dvCenter;
    return dvTop;
}

// A4 with the writer's 20 mm margins: the text's width across a portrait and a landscape page.
constexpr double WordMargin = 20;
constexpr double WordPortraitWidth = 210 - 2 * WordMargin;
constexpr double WordLandscapeWidth = 297 - 2 * WordMargin;

// Numbers, personal numbers, dates and times: broken across lines they read as two values.
bool IsNumberText(const QString& Text) {
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9][0-9 .,:/-]*$"));
    return number.match(Text).hasMatch();
}

// The width in millimetres of a document's table column for Text in Font, with the cell's
// margins; never narrower than a few characters.
double WordCellWidth(const QFont& Font, const QString& Text) {
    return std::max(TextWidthPt(Font, Text) * 25.4 / 72 + 4, 6.0);
}

// The longest word of Text: a wrapped text cannot go below it without breaking it.
QString LongestWord(const QString& Text) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QString longest;
    for (const QString& word : Text.split(blanks))
        if (word.size() > longest.size()) longest = word;
    return longest;
}

// A column of a document's table: the width its longest text takes on one line, and the least
// it can be given: its numbers and dates whole and no word of its texts broken.
struct TWordColumn {
    double Natural = 0;
    double Least = 0;
};

// The widths of Columns within Room: each its natural width when all fit; otherwise the columns
// with room to give up give it in proportion, none below its least.
QList<double> FitWordColumns(const QList<TWordColumn>& Columns, double Room) {
    double natural = 0, spare = 0;
    for (const TWordColumn& column : Columns) {
        natural += column.Natural;
        spare += column.Natural - column.Least;
    }
    const double excess = natural - Room;
    QList<double> widths;
    for (const TWordColumn& column : Columns)
        widths.append(excess <= 0       ? column.Natural
                      : excess >= spare ? column.Least
                                        : column.Natural - (column.Natural - column.Least) * excess / spare);
    return widths;
}

// A text merged over several columns: the grid columns it covers and the width its longest word
// needs (a number's: its whole text).
struct TWordBlock {
    int Left = 0;
    int Right = 0;
    double Need = 0;
};

// Widens the columns Part of Columns by equal shares until together they hold Need, taking at
// most Spare, which goes down by what is taken; returns the width they still lack.
double WidenPart(QList<TWordColumn>& Columns, const QList<int>& Part, double Need, double& Spare) {
    if (Part.isEmpty()) return 0;
    double have = 0;
    for (const int k : Part)
        have += Columns[k].Least;
    const double add = std::clamp(Need - have, 0.0, Spare);
    for (const int k : Part) {
        Columns[k].Least += add / double(Part.size());
        Columns[k].Natural = std::max(Columns[k].Natural, Columns[k].Least);
    }
    Spare -= add;
    return std::max(0.0, Need - have - add);
}

// A merged text's part of a band that the band has no room to widen: its first column and the
// width its columns lack.
struct TShortPart {
    int Column = -1;
    double By = 0;
};

// The columns of Band (indexes into Shown and Columns), each merged text's part widened to hold
// its longest word as far as Room allows; Short, when given, learns the first part it did not.
QList<TWordColumn> BandColumns(const QList<int>& Band, const QList<int>& Shown,
                               const QList<TWordColumn>& Columns, const QList<TWordBlock>& Blocks,
                               double Room, TShortPart* Short = nullptr) {
    QList<TWordColumn> columns;
    double used = 0;
    for (const int k : Band) {
        columns.append(Columns[k]);
        used += Columns[k].Least;
    }
    double spare = Room - used;
    for (const TWordBlock& block : Blocks) {
        QList<int> part;
        for (int i = 0; i < Band.size(); ++i)
            if (Shown[Band[i]] >= block.Left && Shown[Band[i]] <= block.Right) part.append(i);
        const double before = spare;
        const double lacking = WidenPart(columns, part, block.Need, spare);
        // The bands are asked for all the part needs: what the band had spare is not left over
        // once a column is moved.
        if (Short && Short->Column < 0 && lacking > 1e-6)
            *Short = {Band[part.first()], lacking + before - spare};
    }
    return columns;
}

} // namespace

// ---- the writers

bool IsExportNumber(const QString& Text) {
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?$"));
    if (!number.match(Text).hasMatch()) return false;
    // A double holds 15 digits exactly; a longer number is an identifier, not an amount.
    int digits = 0;
    for (QChar c : Text)
        if (c.isDigit()) ++digits;
    return digits <= 15;
}

QString ExportNumberFormat(const QString& Text) {
    const qsizetype point = Text.indexOf(QLatin1Char('.'));
    const QString decimals =
        point < 0 ? QString() : QStringLiteral(".") + QString(Text.size() - point - 1, QLatin1Char('0'));
    const QString positive = QStringLiteral("#,##0") + decimals + QStringLiteral("\\ _л_в");
    return positive + QStringLiteral(";[Red]-") + positive;
}

QString ExportFileName(const QString& FileName, int Kind) {
    // Only the file's own name is cut: a point in a folder name is no extension.
    const qsizetype slash = FileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype point = FileName.indexOf(QLatin1Char('.'), slash + 1);
    const QString stem = point < 0 ? FileName : FileName.left(point);
    return stem + QLatin1String(Extensions[Kind]);
}

QString ExportDateText(const QDate& Date) {
    return Date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" г.");
}

TExportOpener SetExportOpener(TExportOpener Opener) {
    TExportOpener previous = std::move(::Opener());
    ::Opener() = std::move(Opener);
    return previous;
}

int ExportToExcel(const TExportJob& Job, TExportProgress& Progress) {
    TWaitGuard wait;
    const QString pleaseWait = LoadStr(65138);
    Progress.Start(LoadStr(65165) + pleaseWait, 0);
    TRichGrid* grid = Job.Grid;
    const int cols = grid->ColCount();
    const int rows = grid->RowCount();
    TFileBeside file(Job.FileName);
    try {
        if (const QString refusal = file.Refusal(); !refusal.isEmpty()) throw TExcelFailure(refusal);
        std::unique_ptr<lxw_workbook, TWorkbookDiscard> workbook(
            workbook_new(QFile::encodeName(file.Path()).constData()));
        if (!workbook) throw TExcelFailure(WriteFailureReason(errno));
        lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
        if (!sheet) throw TExcelFailure(WriteFailureReason(ENOMEM));
        TXlsxFormats formats(workbook.get(), Job);
        // Column widths as Excel's AutoFit finds them: the widest cell of its own in each
        // column, in widths of "0" of the sheet's standard font. The table's cells are measured
        // once per column, by their longest text.
        std::vector<double> widths(size_t(std::max(cols, 3)), 0);
        auto measure = [&](int Col, const QFont& Font, const QString& Text) {
            widths[size_t(Col)] = std::max(widths[size_t(Col)], TextWidthPt(Font, Text));
        };
        TLongestTexts longest(cols);

        // Heading: the firm block's first two lines, the title and subtitle centred over the
        // middle columns, the date at the right; one empty row below.
        const int dateCol = std::max(cols, 3) - 1;
        const QStringList firm = Job.FirmText.split(QLatin1Char('\r'));
        for (int line = 0; line < 2 && line < firm.size(); ++line) {
            if (firm[line].isEmpty()) continue;
            Check(worksheet_write_string(
                sheet, lxw_row_t(line), 0, Utf8(firm[line]).c_str(),
                formats.Get(efFirm, LXW_ALIGN_LEFT, LXW_ALIGN_NONE, false, 0, LXW_BORDER_NONE, QString())));
            measure(0, Job.FirmFont, firm[line]);
        }
        const QString date = ExportDateText(Job.Date);
        Check(worksheet_write_string(
            sheet, 0, lxw_col_t(dateCol), Utf8(date).c_str(),
            formats.Get(efFirm, LXW_ALIGN_RIGHT, LXW_ALIGN_NONE, false, 0, LXW_BORDER_NONE, QString())));
        measure(dateCol, Job.FirmFont, date);
        const int titleLast = dateCol - 1;
        const std::pair<QString, TExcelFont> headings[] = {{Job.Title, efTitle}, {Job.Subtitle, efSubtitle}};
        for (int line = 0; line < 2; ++line) {
            lxw_format* format = formats.Get(headings[line].second, LXW_ALIGN_CENTER,
                                             LXW_ALIGN_VERTICAL_CENTER, true, 0, LXW_BORDER_NONE, QString());
            const std::string text = Utf8(headings[line].first);
            if (titleLast > 1)
                Check(worksheet_merge_range(sheet, lxw_row_t(line), 1, lxw_row_t(line), lxw_col_t(titleLast),
                                            text.c_str(), format));
            else
                Check(worksheet_write_string(sheet, lxw_row_t(line), 1, text.c_str(), format));
        }

        Progress.Start(LoadStr(65166) + pleaseWait, cols * rows);
        TMergePlan plan(grid);
        constexpr int TopRow = 3;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                if (const std::optional<TGridRect> block = plan.Take(c, r)) {
                    const TCellData cell = ReadCell(grid, block->Left, block->Top);
                    const bool number = IsExportNumber(cell.Text);
                    const bool money = IsMoney(cell);
                    const bool fixed = block->Top < grid->FixedRows() || block->Left < grid->FixedCols();
                    lxw_format* format = formats.Get(
                        efTable, ExcelHAlign(cell.Alignment), ExcelVAlign(cell.Alignment), cell.WordWrap,
                        ExcelColorIndex(cell.BackColor), fixed ? LXW_BORDER_MEDIUM : LXW_BORDER_THIN,
                        money ? ExportNumberFormat(cell.Text) : QString());
                    const lxw_row_t row = lxw_row_t(block->Top + TopRow);
                    const lxw_col_t col = lxw_col_t(block->Left);
                    if (!IsSingle(*block))
                        Check(worksheet_merge_range(sheet, row, col, lxw_row_t(block->Bottom + TopRow),
                                                    lxw_col_t(block->Right), "", format));
                    if (number)
                        Check(worksheet_write_number(sheet, row, col, cell.Text.toDouble(), format));
                    else if (!cell.Text.isEmpty())
                        Check(worksheet_write_string(sheet, row, col, Utf8(cell.Text).c_str(), format));
                    else if (IsSingle(*block))
                        Check(worksheet_write_blank(sheet, row, col, format));
                    if (block->Left == block->Right)
                        longest.Offer(block->Left, money ? ShownNumber(cell.Text) : cell.Text);
                }
                if (!Progress.Step()) return erCancelled;
            }
        }
        for (int c = 0; c < cols; ++c)
            if (longest.Has(c)) measure(c, Job.TableFont, longest.Text(c));
        const double zero = TextWidthPt(QFont(QStringLiteral("Calibri"), 11), QStringLiteral("0"));
        // A column the list hides stays hidden, with the width it would have when shown.
        lxw_row_col_options hidden{};
        hidden.hidden = 1;
        for (size_t c = 0; c < widths.size(); ++c) {
            const bool hide = int(c) < cols && IsHiddenColumn(grid, int(c));
            if (widths[c] > 0 || hide)
                Check(worksheet_set_column_opt(sheet, lxw_col_t(c), lxw_col_t(c),
                                               widths[c] > 0 ? widths[c] / zero + 1.5 : LXW_DEF_COL_WIDTH,
                                               nullptr, hide ? &hidden : nullptr));
        }
        Check(workbook_close(workbook.release()));
        QString error;
        if (!file.Commit(error)) throw TExcelFailure(error);
        return erDone;
    } catch (const TExcelFailure& failure) {
        ShowExportFailure(Job.FileName, failure.Reason);
        return erFailed;
    }
}

int ExportToWord(const TExportJob& Job, TExportProgress& Progress) {
    TWaitGuard wait;
    const QString pleaseWait = LoadStr(65138);
    Progress.Start(LoadStr(65167) + pleaseWait, 0);
    TRichGrid* grid = Job.Grid;
    const int cols = grid->ColCount();
    const int rows = grid->RowCount();
    TFileBeside file(Job.FileName);
    try {
        if (const QString refusal = file.Refusal(); !refusal.isEmpty()) {
            ShowExportFailure(Job.FileName, refusal);
            return erFailed;
        }
        TDocxWriter writer;
        writer.SetFont(Job.TableFont.family(), Job.TableFont.pointSizeF(), QStringLiteral("000000"));

        // The columns the list hides stay out.
        QList<int> shown;
        for (int c = 0; c < cols; ++c)
            if (!IsHiddenColumn(grid, c)) shown << c;

        // First each shown column is measured by its own cells, as the widths depend on every row.
        Progress.Start(LoadStr(65136) + pleaseWait, cols * rows);
        TLongestTexts whole(cols), wrapped(cols), words(cols);
        // The longest word of the texts merged over each range of columns.
        QHash<QPair<int, int>, QString> blockWords;
        {
            TMergePlan plan(grid);
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < cols; ++c) {
                    const std::optional<TGridRect> block = plan.Take(c, r);
                    if (block && block->Left == block->Right && !IsHiddenColumn(grid, c)) {
                        const QString text = ReadCell(grid, block->Left, block->Top).Text;
                        if (IsNumberText(text)) {
                            whole.Offer(c, text);
                        } else {
                            wrapped.Offer(c, text);
                            words.Offer(c, LongestWord(text));
                        }
                    } else if (block && block->Left < block->Right) {
                        const QString text = ReadCell(grid, block->Left, block->Top).Text;
                        const QString word = IsNumberText(text) ? text : LongestWord(text);
                        QString& longest = blockWords[{block->Left, block->Right}];
                        if (word.size() > longest.size()) longest = word;
                    }
                    if (!Progress.Step()) return erCancelled;
                }
        }
        QList<TWordColumn> measured;
        for (const int c : shown) {
            const double least = std::max(WordCellWidth(Job.TableFont, whole.Text(c)),
                                          WordCellWidth(Job.TableFont, words.Text(c)));
            measured.append({std::max(least, WordCellWidth(Job.TableFont, wrapped.Text(c))), least});
        }
        // A merged text's columns together hold its longest word.
        QList<TWordBlock> blocks;
        for (auto it = blockWords.cbegin(); it != blockWords.cend(); ++it)
            blocks.append({it.key().first, it.key().second, WordCellWidth(Job.TableFont, it.value())});
        QList<int> everyColumn(shown.size());
        std::iota(everyColumn.begin(), everyColumn.end(), 0);
        measured = BandColumns(everyColumn, shown, measured, blocks, std::numeric_limits<double>::infinity());
        // A table wider than a portrait page turns the page. When even what the columns cannot
        // give up is wider than that, the table continues in bands, each led by the key columns.
        double natural = 0;
        for (const TWordColumn& column : measured)
            natural += column.Natural;
        const bool landscape = natural > WordPortraitWidth;
        const double textWidth = landscape ? WordLandscapeWidth : WordPortraitWidth;
        if (landscape) writer.SetPage(297, 210, WordMargin);
        QList<int> tenths;
        for (const TWordColumn& column : measured)
            tenths.append(int(std::ceil(column.Least * 10)));
        const QList<int> blockEnds = HeaderBlockEnds(grid, shown);
        QList<QList<int>> bands;
        QList<TWordColumn> fitted;
        // A merged text cut by a band's end keeps its longest word whole in each part: a part its
        // band has no room to widen asks the bands again for that room, or moves on to the next.
        for (int tries = 0; tries <= shown.size(); ++tries) {
            QList<int> widths = tenths;
            bands = ColumnBands(widths, int(textWidth * 10), 0, blockEnds);
            fitted = measured;
            for (int k = 0; k < fitted.size(); ++k)
                fitted[k].Least = std::min(fitted[k].Least, widths[k] / 10.0);
            TShortPart shortPart;
            for (const QList<int>& band : bands)
                if (shortPart.Column < 0) BandColumns(band, shown, fitted, blocks, textWidth, &shortPart);
            if (shortPart.Column < 0) break;
            tenths[shortPart.Column] += int(std::ceil(shortPart.By * 10));
        }
        measured = fitted;

        Progress.Start(LoadStr(65136) + pleaseWait, cols * rows * int(bands.size()));
        for (const QList<int>& band : bands) {
            // A block over columns of several bands spans only this band's in each.
            std::vector<int> inBefore(size_t(cols) + 1, 0);
            std::vector<bool> inBand(size_t(cols), false);
            for (const int k : band)
                inBand[size_t(shown[k])] = true;
            const QList<TWordColumn> columns = BandColumns(band, shown, measured, blocks, textWidth);
            for (int c = 0; c < cols; ++c)
                inBefore[size_t(c) + 1] = inBefore[size_t(c)] + (inBand[size_t(c)] ? 1 : 0);
            const auto spanIn = [&](const TGridRect& Block) {
                return inBefore[size_t(Block.Right) + 1] - inBefore[size_t(Block.Left)];
            };
            // The rows go out one by one; the widths are known, but the writer takes them last.
            // The header rows head every page the band reaches, and no row is cut by a page end.
            TDocxTable properties;
            properties.HeaderRows = grid->FixedRows();
            properties.RowsWhole = true;
            properties.Borders = true;
            writer.BeginTable(properties);
            TMergePlan plan(grid);
            QList<TDocxCell> row;
            for (int r = 0; r < rows; ++r) {
                row.clear();
                for (int c = 0; c < cols; ++c) {
                    if (const std::optional<TGridRect> block = plan.Take(c, r)) {
                        if (spanIn(*block) > 0) {
                            const TCellData data = ReadCell(grid, block->Left, block->Top);
                            TDocxCell cell;
                            if (!data.Text.isEmpty())
                                cell.Paragraph.Runs.append(WordRun(data.Text, Job.TableFont));
                            cell.Paragraph.Align = WordAlign(data.Alignment);
                            cell.VAlign = WordVAlign(data.Alignment);
                            cell.Fill = WordFill(WordColorIndex(data.BackColor));
                            cell.NoWrap = IsNumberText(data.Text);
                            cell.GridSpan = spanIn(*block);
                            if (block->Bottom > block->Top) cell.VMerge = dmRestart;
                            row.append(cell);
                        }
                    } else if (const std::optional<TGridRect> over = plan.BlockOf(c, r);
                               over && over->Left == c && over->Top < r && spanIn(*over) > 0) {
                        // The row's part of a block that began above: an empty cell continuing it.
                        TDocxCell cell;
                        const TCellData data = ReadCell(grid, over->Left, over->Top);
                        cell.Fill = WordFill(WordColorIndex(data.BackColor));
                        cell.GridSpan = spanIn(*over);
                        cell.VMerge = dmContinue;
                        row.append(cell);
                    }
                    if (!Progress.Step()) return erCancelled;
                }
                writer.AddTableRow(row);
            }
            writer.EndTable(FitWordColumns(columns, textWidth));
            // An empty paragraph keeps two bands apart.
            if (&band != &bands.last()) writer.AddParagraph();
        }

        // The page header across the page: firm, title and date on the first row, the subtitle
        // under the title.
        TDocxTable heading;
        heading.ColumnWidths = {textWidth / 4, textWidth / 2, textWidth / 4};
        heading.Rows = {{WordHeadingCell(Job.FirmText.section(QLatin1Char('\r'), 0, 0), Job.FirmFont, daLeft),
                         WordHeadingCell(Job.Title, Job.TitleFont, daCenter),
                         WordHeadingCell(ExportDateText(Job.Date), Job.FirmFont, daRight)},
                        {WordHeadingCell(QString(), Job.FirmFont, daLeft),
                         WordHeadingCell(Job.Subtitle, Job.SubtitleFont, daCenter),
                         WordHeadingCell(QString(), Job.FirmFont, daRight)}};
        writer.AddTable(heading, dpHeader);

        writer.SaveToFile(file.Path());
        QString error;
        if (!file.Commit(error)) {
            ShowExportFailure(Job.FileName, error);
            return erFailed;
        }
    } catch (const Exception&) {
        // The writer's texts are English and for the log: the system's error says why.
        ShowExportFailure(Job.FileName, WriteFailureReason(errno));
        return erFailed;
    }
    return erDone;
}

int ExportToText(const TExportJob& Job, const QString& Delimiter, TExportProgress& Progress) {
    // Without a delimiter the cells would run together.
    if (Delimiter.isEmpty()) return erFailed;
    TWaitGuard wait;
    TRichGrid* grid = Job.Grid;
    const int cols = grid->ColCount();
    const int rows = grid->RowCount();
    Progress.Start(LoadStr(65137) + LoadStr(65138), cols * rows);
    // Written aside and put in place only when complete: a stopped export leaves the old file.
    TFileBeside beside(Job.FileName);
    auto fail = [&](const QString& Reason) {
        ShowExportFailure(Job.FileName, Reason);
        return erFailed;
    };
    if (const QString refusal = beside.Refusal(); !refusal.isEmpty()) return fail(refusal);
    QFile file(beside.Path());
    if (!file.open(QIODevice::WriteOnly)) return fail(WriteFailureReason(errno));
    const QByteArray delimiter = Delimiter.toUtf8();
    QByteArray line;
    for (int r = 0; r < rows; ++r) {
        line.clear();
        for (int c = 0; c < cols; ++c) {
            line += grid->Cells(c, r).toUtf8();
            line += delimiter;
            if (!Progress.Step()) return erCancelled;
        }
        line += "\r\n";
        if (file.write(line) != line.size()) return fail(WriteFailureReason(errno));
    }
    if (!file.flush()) return fail(WriteFailureReason(errno));
    file.close();
    if (file.error() != QFile::NoError) return fail(WriteFailureReason(errno));
    QString error;
    if (!beside.Commit(error)) return fail(error);
    return erDone;
}

// ---- the wizard

namespace {

// The wizard's side picture: a sheet of a table on the way out.
QPixmap WizardPicture() {
    QPixmap picture(84, 280);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, 0, picture.height());
    shade.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    shade.setColorAt(1, QColor(0x9d, 0xc3, 0xe6));
    painter.fillRect(picture.rect(), shade);
    const QRect sheet(14, 24, 48, 62);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    painter.setPen(QColor(0x9d, 0xc3, 0xe6));
    for (int y = sheet.top() + 12; y < sheet.bottom(); y += 10)
        painter.drawLine(sheet.left() + 4, y, sheet.right() - 4, y);
    for (int x = sheet.left() + 16; x < sheet.right(); x += 16)
        painter.drawLine(x, sheet.top() + 6, x, sheet.bottom() - 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf0, 0xa0, 0x30));
    const QPointF arrow[] = {{48, 92}, {66, 92}, {66, 84}, {78, 100}, {66, 116}, {66, 108}, {48, 108}};
    painter.drawPolygon(arrow, 7);
    return picture;
}

// The registry value of the folder the last export went to.
const QString LastFolderValue = QStringLiteral("Last_Export_Folder");

// Where a new export is proposed: the folder of the last one, else the user's documents, else the
// home folder; never a folder that is gone.
QString ProposedFolder() {
    for (const QString& folder : {ReadRegString(LastFolderValue),
                                  QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)})
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    return QDir::homePath();
}

// A bold "A" for the font buttons.
QIcon FontIcon() {
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x1f, 0x4e, 0x79));
    painter.drawText(icon.rect(), Qt::AlignCenter, QStringLiteral("A"));
    return QIcon(icon);
}

} // namespace

// Paper flying from one folder to another while an export runs.
class TExportAnimation : public QWidget {
public:
    explicit TExportAnimation(QWidget* Parent) : QWidget(Parent) {
        setFixedSize(220, 40);
        FTimer.setInterval(60);
        QObject::connect(&FTimer, &QTimer::timeout, this, [this] {
            FFrame = (FFrame + 1) % 16;
            update();
        });
    }
    void SetActive(bool On) {
        if (On)
            FTimer.start();
        else
            FTimer.stop();
        FFrame = 0;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
        const QIcon paper = style()->standardIcon(QStyle::SP_FileIcon);
        painter.drawPixmap(0, 4, folder.pixmap(32, 32));
        painter.drawPixmap(width() - 32, 4, folder.pixmap(32, 32));
        if (FTimer.isActive()) {
            const int span = width() - 64 - 20;
            const int x = 32 + span * FFrame / 15;
            const int lift = 12 - std::abs(FFrame - 8) * 3 / 2;
            painter.drawPixmap(x, 10 - lift, paper.pixmap(20, 20));
        }
    }

private:
    QTimer FTimer;
    int FFrame = 0;
};

// Moves the wizard's bar and lets the message loop run, so that the cancel button and the
// animation work while the export runs. The loop runs at most every 30 ms: a list of a
// hundred thousand rows would otherwise spend its time there.
class TfmExport::TWizardProgress : public TExportProgress {
public:
    explicit TWizardProgress(TfmExport* Wizard) : FWizard(Wizard) {}

    void Start(const QString& Status, int Total) override {
        FWizard->lbStatus->setText(Status);
        FWizard->ProgressBar->setRange(0, std::max(Total, 1));
        FWizard->ProgressBar->setValue(0);
        FDone = 0;
        FClock.start();
        QCoreApplication::processEvents();
    }
    bool Step() override {
        ++FDone;
        if (FClock.elapsed() >= 30) {
            FWizard->ProgressBar->setValue(FDone);
            QCoreApplication::processEvents();
            FClock.restart();
        }
        if (!FWizard->FCancelRequest) return true;
        FWizard->FCancelRequest = false;
        return false;
    }

private:
    TfmExport* FWizard;
    int FDone = 0;
    QElapsedTimer FClock;
};

TfmExport::TfmExport(QWidget* Owner, TRichGrid* Grid, const QString& Title, const QString& Subtitle,
                     const QString& FileName)
    : QDialog(Owner), FGrid(Grid) {
    setObjectName(QStringLiteral("fmExport"));
    setWindowTitle(QStringLiteral("Помощник за връзка с външни програми"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(WizardPicture());
    picture->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    picture->setFixedWidth(WizardPicture().width());

    groupProgram = new QGroupBox(QStringLiteral(" Изход към: "), this);
    groupProgram->setObjectName(QStringLiteral("groupProgram"));
    radioExcel = new QRadioButton(QStringLiteral("MS Excel"), groupProgram);
    radioWord = new QRadioButton(QStringLiteral("MS Word"), groupProgram);
    radioWordpad = new QRadioButton(QStringLiteral("Tекст, разделен с табулатор <TAB>"), groupProgram);
    radioWordpadDelim = new QRadioButton(QStringLiteral("или със символа"), groupProgram);
    editDelim = new QLineEdit(groupProgram);
    editDelim->setObjectName(QStringLiteral("editDelim"));
    editDelim->setFixedWidth(40);
    auto* programLayout = new QVBoxLayout(groupProgram);
    const std::pair<QRadioButton*, const char*> radios[] = {
        {radioExcel, "radioExcel"}, {radioWord, "radioWord"}, {radioWordpad, "radioWordpad"}};
    for (const auto& [radio, name] : radios) {
        radio->setObjectName(QLatin1String(name));
        programLayout->addWidget(radio);
    }
    radioWordpadDelim->setObjectName(QStringLiteral("radioWordpadDelim"));
    auto* delimRow = new QHBoxLayout;
    delimRow->addWidget(radioWordpadDelim);
    delimRow->addWidget(editDelim);
    delimRow->addStretch();
    programLayout->addLayout(delimRow);
    const QRadioButton* kinds[] = {radioExcel, radioWord, radioWordpad, radioWordpadDelim};
    for (int kind = ekExcel; kind <= ekTextDelimited; ++kind)
        connect(kinds[kind - 1], &QRadioButton::clicked, this, [this, kind] { ChooseKind(kind); });

    groupDetails = new QGroupBox(QStringLiteral(" Детайли: "), this);
    groupDetails->setObjectName(QStringLiteral("groupDetails"));
    Label2 = new QLabel(QStringLiteral("Заглавие:"), groupDetails);
    editTitle = new QLineEdit(groupDetails);
    editTitle->setObjectName(QStringLiteral("editTitle"));
    Label3 = new QLabel(QStringLiteral("Подзаглавие:"), groupDetails);
    editSubTitle = new QLineEdit(groupDetails);
    editSubTitle->setObjectName(QStringLiteral("editSubTitle"));
    Label4 = new QLabel(QStringLiteral("Име на файла:"), groupDetails);
    editFileName = new QLineEdit(groupDetails);
    editFileName->setObjectName(QStringLiteral("editFileName"));
    actChooseFontTitle = new QAction(FontIcon(), QStringLiteral("Избор на шрифт за заглавие"), this);
    actChooseFontTitle->setObjectName(QStringLiteral("actChooseFontTitle"));
    actChooseFontSubTitle = new QAction(FontIcon(), QStringLiteral("Избор на шрифт за подзаглавие"), this);
    actChooseFontSubTitle->setObjectName(QStringLiteral("actChooseFontSubTitle"));
    actChooseFileName =
        new QAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Избор на файл"), this);
    actChooseFileName->setObjectName(QStringLiteral("actChooseFileName"));
    auto* details = new QGridLayout(groupDetails);
    const std::tuple<QLabel*, QLineEdit*, QAction*> detailRows[] = {
        {Label2, editTitle, actChooseFontTitle},
        {Label3, editSubTitle, actChooseFontSubTitle},
        {Label4, editFileName, actChooseFileName}};
    int line = 0;
    for (const auto& [label, edit, action] : detailRows) {
        auto* button = new QToolButton(groupDetails);
        button->setDefaultAction(action);
        details->addWidget(label, line, 0);
        details->addWidget(edit, line, 1);
        details->addWidget(button, line, 2);
        ++line;
    }
    connect(actChooseFontTitle, &QAction::triggered, this, [this] { ChooseFont(TitleFont); });
    connect(actChooseFontSubTitle, &QAction::triggered, this, [this] { ChooseFont(SubtitleFont); });
    connect(actChooseFileName, &QAction::triggered, this, &TfmExport::ChooseFileName);

    labelInfo = new QLabel(this);
    labelInfo->setObjectName(QStringLiteral("labelInfo"));
    labelInfo->setWordWrap(true);
    labelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    checkLoadWordpad = new QCheckBox(QStringLiteral("Автоматично зареждане в Wordpad"), this);
    checkLoadWordpad->setObjectName(QStringLiteral("checkLoadWordpad"));
    lbStatus = new QLabel(this);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    Animation = new TExportAnimation(this);
    Animation->setObjectName(QStringLiteral("Animation"));

    auto* content = new QVBoxLayout;
    content->addWidget(groupProgram);
    content->addWidget(groupDetails);
    content->addWidget(labelInfo, 1);
    content->addWidget(checkLoadWordpad);
    content->addWidget(Animation, 0, Qt::AlignHCenter);
    content->addWidget(lbStatus);
    content->addWidget(ProgressBar);
    content->addStretch();

    actPrev = new QAction(QStringLiteral("Назад"), this);
    actPrev->setObjectName(QStringLiteral("actPrev"));
    actNext = new QAction(QStringLiteral("Продължение"), this);
    actNext->setObjectName(QStringLiteral("actNext"));
    actHelp = new QAction(QStringLiteral("Помощ"), this);
    actHelp->setObjectName(QStringLiteral("actHelp"));
    btnPrev = new QPushButton(this);
    btnPrev->setObjectName(QStringLiteral("btnPrev"));
    btnNext = new QPushButton(this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отказ"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    BitBtn1 = new QPushButton(this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    // A push button that follows its action, as the class library's buttons do.
    const std::pair<QPushButton*, QAction*> bound[] = {
        {btnPrev, actPrev}, {btnNext, actNext}, {BitBtn1, actHelp}};
    for (const auto& pair : bound) {
        QPushButton* button = pair.first;
        QAction* action = pair.second;
        button->setText(action->text());
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
    }
    connect(actPrev, &QAction::triggered, this, [this] { ShowPage(FPage - 1); });
    connect(actNext, &QAction::triggered, this, [this] {
        // Without a delimiter the cells of the text would run together.
        if (FPage == 1 && FKind == ekTextDelimited && editDelim->text().isEmpty()) {
            ShowWarningFmt(QStringLiteral("Въведете символ за разделител!"));
            editDelim->setFocus();
            return;
        }
        ShowPage(FPage + 1);
    });
    connect(actHelp, &QAction::triggered, this, [this] {
        const QString file = ProgramDir + QStringLiteral("help/") + objectName() + QStringLiteral(".html");
        if (QFileInfo::exists(file)) QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    });
    connect(btnCancel, &QPushButton::clicked, this, &TfmExport::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    buttons->addWidget(btnPrev);
    buttons->addWidget(btnNext);
    buttons->addSpacing(8);
    buttons->addWidget(btnCancel);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(content, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog->setOption(QFileDialog::DontConfirmOverwrite);
    OpenDialog->setAcceptMode(QFileDialog::AcceptSave);
    OpenDialog->setFileMode(QFileDialog::AnyFile);
    OpenDialog->setNameFilters({QStringLiteral("MS Excel документи (*.xlsx)"),
                                QStringLiteral("MS Word документи (*.docx)"),
                                QStringLiteral("Текстови файлове (*.txt)")});
    FontDialog = new QFontDialog(this);
    FontDialog->setObjectName(QStringLiteral("FontDialog"));
    FontDialog->setOption(QFontDialog::DontUseNativeDialog);
    UseBulgarianFontStyles(FontDialog);

    for (QFont* font : {&FirmFont, &TitleFont, &SubtitleFont, &TableFont})
        *font = QFont(QStringLiteral("Times New Roman"));
    FirmFont.setPointSize(10);
    TitleFont.setPointSize(14);
    SubtitleFont.setPointSize(12);
    TableFont.setPointSize(8);
    // The firm block comes from a back end that this program never connects.
    FirmText = QString();
    editTitle->setText(Title);
    editSubTitle->setText(Subtitle);
    // A caption is no path: a slash in it would name a folder.
    QString name = FileName;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    editFileName->setText(QDir(ProposedFolder()).filePath(name));

    setFixedSize(520, 360);
    ShowPage(1);
    radioExcel->setChecked(true);
    ChooseKind(ekExcel);
}

TfmExport::~TfmExport() = default;

void TfmExport::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (FPage == 1) radioExcel->setFocus();
}

void TfmExport::ChooseKind(int Kind) {
    QRadioButton* radios[] = {radioExcel, radioWord, radioWordpad, radioWordpadDelim};
    radios[Kind - 1]->setChecked(true);
    FKind = Kind;
    actNext->setEnabled(true);
    editFileName->setText(ExportFileName(editFileName->text(), Kind));
}

void TfmExport::ShowPage(int Page) {
    FPage = Page;
    groupProgram->setVisible(Page == 1);
    groupDetails->setVisible(Page == 1);
    labelInfo->setVisible(Page != 1);
    checkLoadWordpad->setVisible(Page == 2 && FKind >= ekText);
    const bool running = Page == 3;
    ProgressBar->setVisible(running);
    lbStatus->setVisible(running);
    Animation->setVisible(running);
    if (Page == 2) {
        QString info = Format(LoadStr(65154), {QString::fromLatin1(ProgramNames[FKind])});
        // A document of so many rows is slow to write and to open; a workbook takes it easily.
        if (const int rows = FGrid->RowCount() - FGrid->FixedRows();
            FKind == ekWord && rows > WordRowsAdvised)
            info +=
                Format(QStringLiteral("\r\r  Списъкът има %.0n реда: за толкова дълъг списък по-подходяща е "
                                      "работната книга (MS Excel)."),
                       {double(rows)});
        labelInfo->setText(info.replace(u'\r', u'\n'));
        if (checkLoadWordpad->isVisible()) checkLoadWordpad->setFocus();
    }
    if (Page == 3) RunExport();
    actPrev->setEnabled(FPage >= 2);
    actNext->setEnabled(FPage < 3);
}

void TfmExport::RunExport() {
    actPrev->setEnabled(false);
    actNext->setEnabled(false);
    labelInfo->clear();
    FRunning = true;
    FCancelRequest = false;
    Animation->SetActive(true);
    auto stopped = qScopeGuard([this] {
        FRunning = false;
        Animation->SetActive(false);
        ProgressBar->hide();
        lbStatus->hide();
        Animation->hide();
    });
    TExportJob job;
    job.Grid = FGrid;
    job.FileName = editFileName->text();
    job.FirmText = FirmText;
    job.Title = editTitle->text();
    job.Subtitle = editSubTitle->text();
    job.FirmFont = FirmFont;
    job.TitleFont = TitleFont;
    job.SubtitleFont = SubtitleFont;
    job.TableFont = TableFont;
    job.Date = QDate::currentDate();
    TWizardProgress progress(this);
    switch (FKind) {
    case ekExcel:
        FLastResult = ExportToExcel(job, progress);
        break;
    case ekWord:
        FLastResult = ExportToWord(job, progress);
        break;
    case ekText:
        FLastResult = ExportToText(job, QStringLiteral("\t"), progress);
        break;
    default:
        FLastResult = ExportToText(job, editDelim->text(), progress);
        break;
    }
    const int texts[] = {0, 65153, 65152, 65183};
    const QString outcome = FLastResult == erCancelled ? LoadStr(texts[FLastResult])
                                                       : Format(LoadStr(texts[FLastResult]), {job.FileName});
    labelInfo->setText(QString(outcome).replace(u'\r', u'\n'));
    if (FLastResult == erDone) WriteRegString(LastFolderValue, QFileInfo(job.FileName).absolutePath());
    if (FLastResult == erDone && (FKind <= ekWord || checkLoadWordpad->isChecked()))
        OpenExported(job.FileName);
}

void TfmExport::ChooseFont(QFont& Font) {
    FontDialog->setCurrentFont(Font);
    if (FontDialog->exec() == QDialog::Accepted) Font = FontDialog->selectedFont();
}

void TfmExport::ChooseFileName() {
    OpenDialog->selectNameFilter(OpenDialog->nameFilters().value(std::min(FKind, int(ekText)) - 1));
    OpenDialog->selectFile(editFileName->text());
    if (OpenDialog->exec() == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty())
        editFileName->setText(OpenDialog->selectedFiles().first());
}

void TfmExport::reject() {
    // While an export runs, Cancel and Esc only ask it to stop.
    if (FRunning)
        FCancelRequest = true;
    else
        QDialog::reject();
}

void TfmExport::closeEvent(QCloseEvent* Event) {
    if (FRunning)
        Event->ignore();
    else
        QDialog::closeEvent(Event);
}

bool ExportGrid(QWidget* Owner, TRichGrid* Grid, const QString& Title, const QString& Subtitle,
                const QString& FileName) {
    TfmExport wizard(Owner, Grid, Title, Subtitle, FileName);
    wizard.exec();
    return true;
}
