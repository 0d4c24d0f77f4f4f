#include "framework/forms/MAccountReadForm.h"

#include <QApplication>

#include "Components/Edits/FilteredEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Filter/FilterEngine.h"
#include "Components/Filter/SimpleFilterDialog.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/ImageList.h"
#include "Components/Grids/RichGrid.h"
#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unSorter.h"
#include "core/unStringFuncs.h"
#include "framework/export/Export.h"
#include "framework/forms/Application.h"
#include "framework/forms/FormHide.h"
#include "framework/forms/GridSearch.h"
#include "framework/printing/GridPreview.h"

#include <QAction>
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopeGuard>
#include <QSet>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

namespace {

// A "yyyymmdd" reading of the number's first eight characters, the day lowered to the month's
// length; false when they make no such date.
bool ReadDigitsDate(const QString& Number, TDateTime& Date) {
    if (Number.size() < 8) return false;
    for (int i = 0; i < 8; ++i)
        if (!Number[i].isDigit()) return false;
    const int year = Number.left(4).toInt();
    const int month = Number.mid(4, 2).toInt();
    const int day = Number.mid(6, 2).toInt();
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const QDate first(year, month, 1);
    Date = QDateToDateTime(QDate(year, month, std::min(day, first.daysInMonth())));
    return true;
}

} // namespace

QString FilterColumnTotal(const TDelimitedStrings& List, int Col) {
    const QChar delimiter = List.FieldDelimiter();
    double sum = 0;
    int decimals = 0;
    bool any = false;
    QString unit;
    for (int r = 0; r < List.Count() - 1; ++r) {
        QString field = GetPiece(List.Get(r), delimiter, Col);
        if (field.isEmpty()) continue;
        field.replace(QLatin1Char(','), QLatin1Char('.')).replace(QLatin1Char('~'), QLatin1Char(' '));
        const QStringList pieces = field.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (pieces.isEmpty()) continue;
        const QString& number = pieces[0];
        if (pieces.size() > 1) {
            if (!unit.isEmpty() && unit != pieces[1]) return QString();
            unit = pieces[1];
        }
        any = true;
        decimals = std::max(decimals, CountDecimals(number));
        TDateTime date = 0;
        if (ReadDigitsDate(number, date)) {
            sum += date;
        } else {
            // A text column has no total.
            const double value = StrToFloatDot(number, NAN);
            if (std::isnan(value)) return QString();
            sum += value;
        }
    }
    if (!any) return QStringLiteral(" ");
    return decimals > 0 ? FloatToFixedStr(decimals, sum) : FloatToStrDot(-1, sum);
}

void AppendFilterTotals(TDelimitedStrings& List, const QString& TotalsColumns) {
    const QChar delimiter = List.FieldDelimiter();
    int fields = 0;
    for (int r = 0; r < List.Count(); ++r)
        fields = std::max(fields, List.GetRowFieldCount(r));
    for (int r = 0; r < List.Count(); ++r)
        if (List.GetRowFieldCount(r) < fields) List.SetRowFieldCount(r, fields);
    QSet<int> columns;
    for (const QString& piece : TotalsColumns.split(QLatin1Char(','), Qt::SkipEmptyParts))
        columns.insert(StrToIntOrZero(piece.trimmed()));
    QString totals = FilterTotalsText;
    SetPieceCount(totals, delimiter, std::max(fields, 1));
    List.Add(totals);
    const int last = List.Count() - 1;
    for (int c = 1; c < fields; ++c) {
        if (!columns.isEmpty() && !columns.contains(c)) continue;
        List.SetField(last, c, FilterColumnTotal(List, c));
    }
}

TMAccountReadForm::TMAccountReadForm(QWidget* Owner) : TMAccountStatusForm(Owner) {
    setObjectName(QStringLiteral("MAccountReadForm"));
    resize(545, 304);
    setMinimumWidth(545);

    actHide = MakeAction("actHide", QStringLiteral("Скриване и сортиране"), QString(), Qt::Key_F11, false);
    // Its dialog is one of the window's own: it runs in the frame of the other actions.
    connect(actHide, &QAction::triggered, this,
            [this] { RunAction(nullptr, false, [this] { HideColumns(); }); });

    pnlParams = new QFrame(this);
    pnlParams->setObjectName(QStringLiteral("pnlParams"));
    pnlParams->setFixedHeight(41);
    pnlParams->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ClientLayout()->addWidget(pnlParams);

    Images = new TImageList(this, 10, 10);
    Images->setObjectName(QStringLiteral("Images"));
    MakeSortImages();

    Grid = new TRichGrid(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->SetDefaultRowHeight(18);
    Grid->SetOptions({goRangeSelect, goThumbTracking});
    Grid->DefAttributes()->SetAlignment({caLeft, caCenter});
    Grid->DefAttributes()->SetLeftMargin(2);
    Grid->DefAttributes()->SetRightMargin(2);
    Grid->FixedAttributes()->SetAlignment({caCenter});
    Grid->FixedAttributes()->SetCell3DEffect(bvRaised);
    Grid->FixedAttributes()->SetBackColor(clBtnFace);
    Grid->SetImages(Images);
    Grid->viewport()->installEventFilter(this);
    connect(Grid, &TStringGrid::doubleClicked, actEdit, &QAction::trigger);
    ClientLayout()->addWidget(Grid, 1);

    StatusBar->show();

    actSearch->setEnabled(true);
    actFilter->setEnabled(true);
    actFile->setEnabled(true);
    actPrint->setEnabled(true);

    // Numbers of a list are stored beside the text; a cell without one shows zero.
    for (TFloatFormatter* formatter : {ValueFormatter, AmountFormatter, PriceFormatter, CurrencyFormatter}) {
        formatter->SetZeroOnNoValue(true);
        formatter->SetSetGridValue(true);
    }
}

TMAccountReadForm::~TMAccountReadForm() = default;

QGridLayout* TMAccountReadForm::NewParamsLayout() {
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    L->setVerticalSpacing(3);
    return L;
}

TFloatEdit* TMAccountReadForm::NewNumberEdit(const QString& Name, int Precision, int Width) {
    auto* Edit = new TFloatEdit(pnlParams);
    Edit->setObjectName(Name);
    Edit->SetPrecision(Precision);
    Edit->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit->setFixedWidth(Width);
    return Edit;
}

void TMAccountReadForm::MakeSortImages() {
    const QColor mark(0x40, 0x40, 0x40);
    for (int rank = 0; rank < 9; ++rank) {
        QPixmap image(Images->Width(), Images->Height());
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (rank == 0) {
            QPainterPath triangle;
            triangle.moveTo(1, 8);
            triangle.lineTo(9, 8);
            triangle.lineTo(5, 2);
            triangle.closeSubpath();
            painter.fillPath(triangle, mark);
        } else {
            QFont font = painter.font();
            font.setPixelSize(10);
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(mark);
            painter.drawText(image.rect(), Qt::AlignCenter, QString::number(rank + 1));
        }
        painter.end();
        Images->Add(image);
    }
}

// ---- the opening protocol

void TMAccountReadForm::SetFormCaption(const QString& Value) {
    FormCaption = Value;
}
void TMAccountReadForm::SetTableName(const QString& Value) {
    TableName = Value;
}
void TMAccountReadForm::SetKeyField(const QString& Value) {
    KeyField = Value;
}
void TMAccountReadForm::SetNameField(const QString& Value) {
    NameField = Value;
}
void TMAccountReadForm::SetRecordNoun(const QString& Value) {
    RecordNoun = Value;
}
void TMAccountReadForm::SetUserName(const QString& Value) {
    UserName = Value;
}

// ---- creation and the template operations

void TMAccountReadForm::CreateForm(QWidget* Owner, int Style) {
    TMAccountStatusForm::CreateForm(Owner, Style);
    FreeOnClose = true;
    MouseDownCell = QPoint(-1, -1);
}

void TMAccountReadForm::InitDefaults() {
    TMAccountStatusForm::InitDefaults();
    HeaderSorting = true;
}

bool TMAccountReadForm::Init() {
    const bool result = TMAccountStatusForm::Init();
    if (!result) return result;
    // The last tab stop of the panel, in tab order.
    LastParamControl = nullptr;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (w->parentWidget() == pnlParams && !w->isHidden() &&
            ((w->focusPolicy() & Qt::TabFocus) || w->focusProxy()))
            LastParamControl = w;
    }
    TGridOptions options = Grid->Options();
    options.Include(goRangeSelect);
    Grid->SetOptions(options);
    // Only a connected M back end can allow the hide-and-sort dialog.
    QString allowed;
    if (ReadNasValue(QStringLiteral("\"83\""), allowed)) {
        actHide->setEnabled(allowed == QLatin1String("1"));
    } else if (MConnected) {
        ShowErrorFmt(LoadStr(65191), {QString()});
        return result;
    }
    HideEnabled = actHide->isEnabled();
    return result;
}

bool TMAccountReadForm::Done() {
    HideList.reset();
    FilterDialog.reset();
    FilterCriteria.reset();
    FieldPropsRoot.reset();
    SortColumns.clear();
    return TMAccountStatusForm::Done();
}

int TMAccountReadForm::DataRowCount() {
    // Rows of data only: not the blank row an empty load leaves, nor a totals row.
    const int first = Grid->FixedRows();
    if (Grid->RowCount() - first == 1) {
        const QStringList cells = Grid->Rows(first);
        if (std::all_of(cells.begin(), cells.end(), [](const QString& c) { return c.trimmed().isEmpty(); }))
            return 0;
    }
    int count = 0;
    for (int r = first; r < Grid->RowCount(); ++r)
        if (!Grid->HasRowAttributes(r) || Grid->RowAttributes(r)->BackColor() != TotalsRowColor) ++count;
    return count;
}

namespace {

// "Общо: 1 ред", "Общо: 2 реда": a count of one takes the singular.
QString RowCountText(int Count) {
    return Format(Count == 1 ? QStringLiteral("Общо: %d ред") : QStringLiteral("Общо: %d реда"), {Count});
}

} // namespace

void TMAccountReadForm::ShowRowCount(bool Loaded) {
    SetStatusText(RowCountText(Loaded ? DataRowCount() : 0));
}

bool TMAccountReadForm::Reload() {
    bool loaded = false;
    auto count = qScopeGuard([&] { ShowRowCount(loaded); });
    loaded = Execute();
    return loaded;
}

bool TMAccountReadForm::DoExecute() {
    // A list must not run for a date the operator did not give: an empty date parameter, or one
    // that makes no date, is refused with a message and gets the focus.
    for (TMADateEdit* date : pnlParams->findChildren<TMADateEdit*>())
        if (date->isVisibleTo(pnlParams) && date->isEnabled() && date->CheckedDate() == 0) return false;
    Modified = false;
    const int row = Grid->Row();
    if (Grid->RowCount() > Grid->FixedRows())
        Grid->ClearRowsAttributes(Grid->FixedRows(), Grid->RowCount() - 1,
                                  caRowAttributes | caCellAttributes);
    ClearGrid(Grid, 0);
    Grid->ClearValues();
    bool loaded = false;
    // A load that fails, or raises, still ends with a consistent grid and a row count of 0.
    auto finish = qScopeGuard([&] {
        Grid->ClearValues();
        Grid->SetRow(std::min(row, Grid->RowCount() - 1));
        Grid->viewport()->update();
        ShowRowCount(loaded);
    });
    loaded = TMAccountStatusForm::DoExecute();
    Modified = loaded;
    return loaded;
}

void TMAccountReadForm::DisableActions() {
    TMAccountStatusForm::DisableActions();
    actHide->setEnabled(false);
}

void TMAccountReadForm::RestoreActionStates(TActionStates& States) {
    TMAccountStatusForm::RestoreActionStates(States);
    actHide->setEnabled(HideEnabled);
}

void TMAccountReadForm::HideColumns() {
    actHide->setEnabled(false);
    auto enable = qScopeGuard([this] { actHide->setEnabled(HideEnabled); });
    try {
        if (!HideList) {
            // Columns hidden by their attributes start hidden in the dialog too.
            for (int c = 0; c < Grid->ColCount(); ++c) {
                if (Grid->HasColAttributes(c) && !Grid->ColAttributes(c)->Visible()) {
                    Grid->ColAttributes(c)->SetAutoResize(false);
                    Grid->SetColWidths(c, 0);
                }
            }
            HideList = std::make_unique<TDelimitedStringList>(RecordDelimiterChar, FieldDelimiterChar);
        }
        std::unique_ptr<TformHide> dialog(::CreateForm<TformHide>(this, fsNormal));
        auto done = qScopeGuard([&] { dialog->RunDone(); });
        dialog->SetGrid(Grid);
        dialog->SetSettings(HideSettings);
        dialog->SetCriteria(HideList.get());
        dialog->move(window()->geometry().center() - dialog->rect().center());
        dialog->ShowModal();
        if (dialog->Accepted()) {
            HideSettings = dialog->GetSettings();
            HideList->Clear();
            for (int i = 0; i < dialog->Criteria().Count(); ++i)
                HideList->Add(dialog->Criteria().Get(i));
        }
    } catch (...) {
        HandleCurrentException();
    }
    SetStatusText(RowCountText(DataRowCount()));
    SpareCheck();
}

void TMAccountReadForm::EnableControls(bool Enable) {
    if (!Enable) {
        if (!ActionStates.Saved) {
            // Switching the parameter panel off takes the focus out of the window, and with it
            // the window's keys; it comes back when the panel does.
            QWidget* focus = QApplication::focusWidget();
            FocusBeforeDisable = focus && isAncestorOf(focus) ? focus : nullptr;
            GridEditingSaved = Grid->Options().Contains(goEditing);
            TGridOptions options = Grid->Options();
            options.Exclude(goEditing);
            Grid->SetOptions(options);
        }
    } else if (ActionStates.Saved && GridEditingSaved) {
        TGridOptions options = Grid->Options();
        options.Include(goEditing);
        Grid->SetOptions(options);
    }
    const bool outermost = ActionStates.Saved;
    TMAccountStatusForm::EnableControls(Enable);
    EnableChildControls(pnlParams, Enable);
    if (Enable && outermost && FocusBeforeDisable && FocusBeforeDisable->isEnabled() &&
        QApplication::focusWidget() != FocusBeforeDisable)
        FocusBeforeDisable->setFocus();
}

bool TMAccountReadForm::KeyPreviewEnter(QWidget* Control) {
    if (LastParamControl && (Control == LastParamControl || LastParamControl->isAncestorOf(Control))) {
        QPointer<QWidget> control(Control);
        ExecuteQuiet();
        if (!control) return true;
    }
    return TMAccountStatusForm::KeyPreviewEnter(Control);
}

// ---- header sorting

bool TMAccountReadForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Grid->viewport() && HeaderSorting &&
        (Event->type() == QEvent::MouseButtonPress || Event->type() == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<QMouseEvent*>(Event);
        if (mouse->button() == Qt::LeftButton) {
            const QPoint pos = mouse->position().toPoint();
            if (Event->type() == QEvent::MouseButtonPress) {
                MouseDownCell = HeaderCellAtPos(pos.x(), pos.y());
            } else {
                const QPoint cell = HeaderCellAtPos(pos.x(), pos.y());
                const bool click = cell == MouseDownCell;
                MouseDownCell = QPoint(-1, -1);
                if (click) HeaderClick(cell);
            }
        }
    }
    return TMAccountStatusForm::eventFilter(Watched, Event);
}

QPoint TMAccountReadForm::HeaderCellAtPos(int X, int Y) {
    const QPoint none(-1, -1);
    int col = -1, row = -1;
    Grid->MouseToCell(X, Y, col, row);
    if (col < 0 || row < 0 || row >= Grid->FixedRows()) return none;
    // No click while a wait runs: the cursor is not the normal one.
    if (IsAppBusy()) return none;
    const TGridRect merged = Grid->GetMergedCells(col, row);
    if (merged.Left != merged.Right) return none;
    const QRect cell = Grid->CellRect(col, row);
    if (cell.isEmpty()) return none;
    const int left = cell.left();
    const int right = left + Grid->ColWidths(col);
    // A press next to a column border resizes the column; it is no click.
    if (X < left + 2 * Grid->FixedAttributes()->LeftMargin() ||
        X > right - 2 * Grid->FixedAttributes()->RightMargin())
        return none;
    return QPoint(col, row);
}

void TMAccountReadForm::HeaderClick(QPoint Cell) {
    if (Cell.x() < 0 || Cell.y() < 0) return;
    const int col = Cell.x();
    bool removedLast = false;
    if (SortColumns.isEmpty()) {
        SortColumns = {col};
    } else if (const int index = int(SortColumns.indexOf(col)); index >= 0) {
        removedLast = index == SortColumns.size() - 1;
        SortColumns.removeAt(index);
    } else {
        SortColumns.append(col);
    }
    UpdateSortIndicators(Cell.y());
    if (!SortColumns.isEmpty() && !removedLast) SortGrid(Grid);
}

void TMAccountReadForm::UpdateSortIndicators(int HeaderRow) {
    if (HeaderRow < 0 || HeaderRow >= Grid->RowCount()) return;
    for (int c = 0; c < Grid->ColCount(); ++c) {
        const int mark = HeaderSorting ? int(SortColumns.indexOf(c)) : -1;
        const TGridRect block = Grid->GetMergedCells(c, HeaderRow);
        for (int y = block.Top; y <= block.Bottom; ++y) {
            for (int x = block.Left; x <= block.Right; ++x) {
                TCellAttributes* a = Grid->CellAttributes(x, y);
                a->SetBitmapAlignment(caRight);
                a->SetBitmapDrawMode(bmCenter);
                a->SetBitmap(mark);
            }
        }
    }
}

void TMAccountReadForm::SetHeaderSorting(bool On) {
    HeaderSorting = On;
    UpdateSortIndicators(Grid->FixedRows() - 1);
}

void TMAccountReadForm::SortGrid(TRichGrid* AGrid) {
    if (SortColumns.isEmpty()) return;
    TDelimitedStringList list(RecordDelimiterChar, FieldDelimiterChar);
    GridToDelimitedList(AGrid, &list);
    // A report's totals row has lost its marker to the colouring; it gets it back so that it
    // stays last and is coloured again.
    const int last = AGrid->RowCount() - 1;
    if (list.Count() > 0 && last >= AGrid->FixedRows() && !AGrid->Cells(0, last).trimmed().isEmpty() &&
        AGrid->HasRowAttributes(last) && AGrid->RowAttributes(last)->BackColor() == TotalsRowColor &&
        !IsTotalsRecord(list.GetField(list.Count() - 1, 0)))
        list.Put(list.Count() - 1, MarkerChar + list.Get(list.Count() - 1));
    SortTableRows(list, {SortColumns[0]}, SortDescending);
    // The stored numbers belonged to the rows' old places.
    AGrid->ClearValues();
    LoadGridFromList(AGrid, &list, true);
}

void TMAccountReadForm::SortRows(TDelimitedStringList* List) {
    if (SortColumns.isEmpty() || !List || List->Count() < 2) return;
    SortTableRows(*List, SortColumns, SortDescending);
}

// ---- the filter

void TMAccountReadForm::CreateFilterDialog() {
    if (!FieldPropsRoot) {
        FieldPropsRoot = std::make_unique<TFieldProps>();
        FieldPropsRoot->Name = GetCaptionText();
        BuildFieldProps(FieldPropsRoot.get(), 0, INT_MAX, 0);
    }
    if (!FilterCriteria) FilterCriteria = std::make_unique<TLineConv>();
    if (!FilterDialog) {
        FilterDialog = std::make_unique<TfrmSimpleFilter>(FieldPropsRoot.get());
        FilterDialog->SetCriteria(FilterCriteria.get());
    }
}

void TMAccountReadForm::BuildFieldProps(TFieldProps* Parent, int FromCol, int ToCol, int Row) {
    int col = FromCol;
    while (col <= ToCol && col < Grid->ColCount()) {
        const TGridRect range = Grid->GetMergedCells(col, Row);
        if (IsFilterColumn(col, Row)) {
            TFieldProps* child = Parent->Add();
            child->Name = Grid->Cells(range.Left, range.Top);
            // A group heading becomes a node with the sub-headings below it as its fields.
            if (range.Right > range.Left && range.Bottom + 1 < Grid->FixedRows())
                BuildFieldProps(child, range.Left, range.Right, range.Bottom + 1);
            else
                GetColumnKind(child, col);
        }
        col = std::max(col, range.Right) + 1;
    }
}

bool TMAccountReadForm::IsFilterColumn(int, int) {
    return true;
}

void TMAccountReadForm::GetColumnKind(TFieldProps* Node, int Col) {
    Node->ColIndex = Col;
    Node->FieldType = qobject_cast<TNumberFormatter*>(Grid->ReadColAttributes(Col)->Formatter())
                          ? TFieldProps::ftNumber
                          : TFieldProps::ftText;
}

bool TMAccountReadForm::Filter() {
    CreateFilterDialog();
    const bool wasActive = FilterCriteria->Count() > 0;
    const bool applied = FilterDialog->exec() == QDialog::Accepted;
    // A filter cleared and then left with Esc must not stay on the grid either.
    if (applied || (wasActive && FilterCriteria->Count() == 0)) DoExecute();
    return FilterCriteria->Count() > 0;
}

bool TMAccountReadForm::ApplyFilterToRows(TDelimitedStringList* List, const QString& TotalsColumns) {
    if (!FilterCriteria || FilterCriteria->Count() == 0 || !FieldPropsRoot) return true;
    // Entry i belongs to the i-th field of the tree, whose column is its ColIndex.
    TStringList leaves;
    CollectFieldLeaves(FieldPropsRoot.get(), leaves);
    QList<std::pair<int, const TFilterMan*>> tests;
    for (int i = 0; i < FilterCriteria->Count() && i < leaves.Count(); ++i) {
        if (const auto* filter = dynamic_cast<const TFilterMan*>(FilterCriteria->GetObject(i)))
            tests.append({static_cast<TFieldProps*>(leaves.GetObject(i))->ColIndex, filter});
    }
    const QChar delimiter = List->FieldDelimiter();
    List->KeepRecords([&](const QString& Record) {
        for (const auto& [col, filter] : tests)
            if (!filter->Matches(GetPiece(Record, delimiter, col))) return false;
        return true;
    });
    AppendFilterTotals(*List, TotalsColumns);
    return true;
}

// ---- search

bool TMAccountReadForm::Search() {
    return SearchGrid(Grid);
}

// ---- export

bool TMAccountReadForm::Export() {
    return ExportGrid(this, Grid, GetCaptionText(), GetReportTitle(), GetCaptionText());
}

// ---- print

QString TMAccountReadForm::GetReportExtra() {
    return QString();
}

int TMAccountReadForm::GetPrintOrientation() {
    return 1;
}

bool TMAccountReadForm::Print() {
    return PrintGrid(GetPrintOrientation(), Grid, GetCaptionText(), GetReportTitle(), GetPrintSettingsName(),
                     0, QString(), QString(), false, false, true, true, QString(), GetReportExtra());
}
