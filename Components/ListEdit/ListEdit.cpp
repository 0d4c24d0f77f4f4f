#include "Components/ListEdit/ListEdit.h"

#include "Components/Filter/FilterEngine.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"
#include "core/unWait.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr TColor ListFixedColor = 0xF1E3B1;
constexpr TColor DropColumnColor = 0xF8F0D8;

// Labels, edits and buttons all take their text through the "text" property.
void SetControlText(QWidget* Control, const QString& Text) {
    if (Control) Control->setProperty("text", Text);
}

bool IsDataRow(const TStringGrid* Grid, int Row) {
    return Row >= Grid->FixedRows() && Row < Grid->RowCount();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCustomListEdit

TCustomListEdit::TCustomListEdit(QWidget* Parent) : TCustomFormEdit(Parent) {
    BitButton()->setArrowType(Qt::DownArrow);
    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

TCustomListEdit::~TCustomListEdit() {
    if (FOwnsForm) delete FForm.data();
}

void TCustomListEdit::SetForm(TListForm* Value) {
    if (FOwnsForm && FForm != Value) {
        delete FForm.data();
        FOwnsForm = false;
    }
    FForm = Value;
    SetDropDownForm(Value);
    if (Value) Value->SetListEdit(this);
}

void TCustomListEdit::HandOver() {
    if (!FForm) return;
    FForm->SetDropColumn(FDropColumn);
    FForm->SetDescrControl(FDescrControl);
    FForm->SetDescrColumn(FDescrColumn);
    FForm->SetListEdit(this);
}

bool TCustomListEdit::EnsureFilled() {
    if (!FForm) return false;
    if (!FForm->Filled()) FForm->FillGrid();
    return FForm->Filled();
}

int TCustomListEdit::LocateText(QString& Text, QString& CellText) {
    if (!FForm) return -1;
    TRichGrid* Grid = FForm->Grid();
    int Row = Grid->Row();
    if (IsDataRow(Grid, Row) && Grid->Cells(FDropColumn, Row) == Text) {
        CellText = Grid->Cells(FDropColumn, Row);
        return Row;
    }
    Row = FindGridPrefix(Grid, Text, FDropColumn, -1, 1);
    if (Row < 0) return -1;
    Grid->SetRow(Row);
    CellText = Grid->Cells(FDropColumn, Row);
    return Row;
}

void TCustomListEdit::Change() {
    if (FUpdating) return;
    if (!text().isEmpty() && FForm && !FForm->Filled()) FForm->FillGrid();
    TakeMissingCode();
    if (FSuggestText) Suggest();
    if (FDescrControl && FDescrOnChanging) {
        if (!EnsureFilled()) return;
        UpdateDescription();
    }
    if (OnChange) OnChange(this);
}

bool TCustomListEdit::TakeMissingCode() {
    const QString Code = text().trimmed();
    if (!OnMissingCode || !FForm || Code.isEmpty() ||
        !ListEditLookup(this, FDropColumn, FDropColumn, Code).isEmpty())
        return false;
    const QStringList Cells = OnMissingCode(Code);
    // A code typed in another form of its key (a personal number without its leading zeros) finds
    // the row listed already.
    const QString Key = Cells.value(FDropColumn);
    if (Key.isEmpty() || !ListEditLookup(this, FDropColumn, FDropColumn, Key).isEmpty()) return false;
    TRichGrid* Grid = FForm->Grid();
    int Row = Grid->FixedRows();
    // An empty list keeps one blank row.
    if (Grid->RowCount() != Row + 1 || !Grid->Cells(FDropColumn, Row).isEmpty()) {
        Row = Grid->RowCount();
        Grid->SetRowCount(Row + 1);
    }
    for (int C = 0; C < Grid->ColCount(); ++C)
        Grid->SetCells(C, Row, Cells.value(C));
    Grid->SetRow(Row);
    FForm->SetFilled(true);
    if (FDescrControl) UpdateDescription();
    return true;
}

// The row the text stands for: the current row when its drop cell is the text, else the
// nearest row below, then above, that begins with the whole text; -1 when none.
int TCustomListEdit::FindTextRow(const QString& Text) {
    TRichGrid* Grid = FForm->Grid();
    const int Row = Grid->Row();
    if (IsDataRow(Grid, Row) && Grid->Cells(FDropColumn, Row) == Text) return Row;
    if (Text.isEmpty()) return -1;
    for (int Step : {1, -1}) {
        QString Search = Text;
        const int Found = FindGridPrefix(Grid, Search, FDropColumn, Row, Step);
        if (Found >= 0 && Search.size() == Text.size()) return Found;
    }
    return -1;
}

void TCustomListEdit::UpdateDescription() {
    const int Found = FindTextRow(text());
    SetControlText(FDescrControl, Found >= 0 ? FForm->Grid()->Cells(FDescrColumn, Found) : QString());
}

void TCustomListEdit::Suggest() {
    if (!FSuggest) {
        FSuggest = true;
        return;
    }
    if (text().isEmpty()) return;
    if (!EditorEnabled()) setCursorPosition(text().size());
    FUpdating = true;
    QString Prefix = text().left(cursorPosition());
    const int Typed = Prefix.size();
    QString CellText;
    if (LocateText(Prefix, CellText) >= 0) {
        if (!EditorEnabled()) {
            // Typed characters that match no row drop out.
            setText(CellText);
            setSelection(Prefix.size(), CellText.size() - Prefix.size());
        } else if (Prefix.size() == Typed) {
            setText(CellText);
            setSelection(Typed, CellText.size() - Typed);
        }
    } else if (!EditorEnabled())
        clear();
    FUpdating = false;
}

void TCustomListEdit::KeyPress(QChar& Key) {
    // Completion takes typed characters even where free typing is off.
    if (FSuggestText && !EditorEnabled()) {
        if (!IsValidChar(Key)) {
            Key = QChar();
            ErrorBeep();
        }
        return;
    }
    TCustomFormEdit::KeyPress(Key);
}

void TCustomListEdit::keyPressEvent(QKeyEvent* Event) {
    if (FSuggestText) {
        const int Key = Event->key();
        if (Key == Qt::Key_Backspace) {
            // The completed tail and the last typed character go together.
            const int Start = hasSelectedText() ? selectionStart() : cursorPosition();
            const int End = hasSelectedText() ? selectionEnd() : cursorPosition();
            if (Start > 0) setSelection(Start - 1, End - Start + 1);
            if (!EditorEnabled()) {
                Event->accept();
                return;
            }
        }
        if ((Key == Qt::Key_Return || Key == Qt::Key_Enter) && !EditorEnabled() && !text().isEmpty()) {
            FormOk();
            Event->accept();
            return;
        }
        if (EditorEnabled() && (Key == Qt::Key_Backspace || Key == Qt::Key_Delete)) FSuggest = false;
    }
    TCustomFormEdit::keyPressEvent(Event);
}

void TCustomListEdit::keyReleaseEvent(QKeyEvent* Event) {
    if (FSuggestText && EditorEnabled() &&
        (Event->key() == Qt::Key_Backspace || Event->key() == Qt::Key_Delete))
        FSuggest = true;
    TCustomFormEdit::keyReleaseEvent(Event);
}

// Up goes to the next row and down to the previous one, as a spin button counts. The step
// starts from the row the text stands for, even when typing has not made it current.
void TCustomListEdit::Step(int Delta) {
    // A read-only edit keeps its value.
    if (!FTrackList || isReadOnly() || !EnsureFilled()) return;
    TRichGrid* Grid = FForm->Grid();
    int Found = FindTextRow(text());
    if (Found < 0) {
        QString Text = text();
        Found = FindGridPrefix(Grid, Text, FDropColumn, Grid->Row(), -Delta);
    }
    if (Found >= 0) Grid->SetRow(Found);
    const int Row = Grid->Row();
    if (Delta > 0 ? Row >= Grid->RowCount() - 1 : Row <= Grid->FixedRows()) return;
    Grid->SetRow(Row + Delta);
    HandOver();
    FForm->DoOk();
}

void TCustomListEdit::UpClick() {
    Step(1);
    TCustomFormEdit::UpClick();
}

void TCustomListEdit::DownClick() {
    Step(-1);
    TCustomFormEdit::DownClick();
}

void TCustomListEdit::DropDown() {
    HandOver();
    TCustomFormEdit::DropDown();
}

// ---------------------------------------------------------------------------------------------
// TListForm

TListForm::TListForm(QWidget* Parent) : TDropDownForm(Parent) {
    setObjectName(QStringLiteral("ListForm"));
    FDropAttributes = std::make_unique<TColRowAttributes>();
    FDropAttributes->SetBackColor(DropColumnColor);
    FSavedDropAttributes = std::make_unique<TColRowAttributes>();

    auto* Layout = static_cast<QVBoxLayout*>(BasePanel()->layout());
    FtoolsSearch = new QToolBar(BasePanel());
    FtoolsSearch->setObjectName(QStringLiteral("toolsSearch"));
    FtoolsSearch->setIconSize(QSize(16, 16));
    FtoolsSearch->hide();
    FeditSearch = new QLineEdit(FtoolsSearch);
    FeditSearch->setObjectName(QStringLiteral("editSearch"));
    FeditSearch->setToolTip(QStringLiteral("Текст за търсене"));
    FtoolsSearch->addWidget(FeditSearch);

    FGrid = new TRichGrid(BasePanel());
    FGrid->setObjectName(QStringLiteral("Grid"));
    FGrid->setFrameShape(QFrame::NoFrame);
    FGrid->SetFixedCols(0);
    FGrid->SetDefaultRowHeight(18);
    FGrid->SetScrollBars(ssVertical);
    FGrid->SetOptions({goColSizing, goThumbTracking, goDrawFocusSelected});
    Layout->insertWidget(0, FtoolsSearch);
    Layout->insertWidget(1, FGrid, 1);

    auto MakeAction = [this](const char* Name, const QString& Caption, const QString& Hint,
                             const QKeySequence& Key) {
        auto* Action = new QAction(Caption, this);
        Action->setObjectName(QString::fromLatin1(Name));
        Action->setToolTip(Hint.isEmpty() ? Caption : Hint);
        Action->setStatusTip(Hint);
        Action->setShortcut(Key);
        Action->setShortcutContext(Qt::WindowShortcut);
        addAction(Action);
        return Action;
    };
    FactSearch = MakeAction("actSearch", QStringLiteral("Търсене..."),
                            QStringLiteral("Включване/изключване на търсенето"), QKeySequence(Qt::Key_F7));
    FactSearchUp = MakeAction("actSearchUp", QStringLiteral("Търсене нагоре"),
                              QStringLiteral("Търси предходната сметка, която съдържа текста"),
                              QKeySequence(Qt::CTRL | Qt::Key_Up));
    FactSearchDown = MakeAction("actSearchDown", QStringLiteral("Търсене надолу"),
                                QStringLiteral("Търси следващата сметка, която съдържа текста"),
                                QKeySequence(Qt::CTRL | Qt::Key_Down));
    FactRefresh =
        MakeAction("actRefresh", QStringLiteral("Опресняване"), QString(), QKeySequence(Qt::Key_F8));
    FactFilter = MakeAction("actFilter", QStringLiteral("Филтър"),
                            QStringLiteral("Включване/изключване на филтъра"), QKeySequence(Qt::Key_F6));
    FactSearch->setCheckable(true);
    FactFilter->setCheckable(true);
    FactSearch->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    FactSearchUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    FactSearchDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    FactFilter->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    FtoolsSearch->addAction(FactSearchUp);
    FtoolsSearch->addAction(FactSearchDown);
    FtoolsSearch->addAction(FactFilter);

    // Ctrl+Enter in the search field applies the filter row.
    FactDoFilter = new QAction(this);
    FactDoFilter->setObjectName(QStringLiteral("actDoFilter"));
    FactDoFilter->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    FactDoFilter->setShortcutContext(Qt::WidgetShortcut);
    FeditSearch->addAction(FactDoFilter);

    connect(FactSearch, &QAction::triggered, this, [this](bool Checked) { SetSearchMode(Checked); });
    connect(FactSearchUp, &QAction::triggered, this, [this] { SearchPrevious(); });
    connect(FactSearchDown, &QAction::triggered, this, [this] { SearchNext(); });
    connect(FactRefresh, &QAction::triggered, this, [this] { RefreshExecute(); });
    connect(FactFilter, &QAction::triggered, this, [this](bool Checked) { SetFilterMode(Checked); });
    connect(FactDoFilter, &QAction::triggered, this, [this] { Search(); });

    FTimer = new QTimer(this);
    FTimer->setObjectName(QStringLiteral("Timer"));
    FTimer->setInterval(1000);
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] { FTypedPrefix.clear(); });

    connect(FGrid, &TStringGrid::currentCellChanged, this, [this](int ACol, int) {
        if (FilterMode()) FSearchColumn = ACol;
    });
    connect(FGrid, &TStringGrid::cellClicked, this, [this](int, int ARow) {
        if (IsDataRow(FGrid, ARow)) actOk()->trigger();
    });
    FGrid->installEventFilter(this);
    FGrid->viewport()->installEventFilter(this);
    UpdateActions();
}

TListForm::~TListForm() = default;

bool TListForm::SearchMode() const {
    return FactSearch->isChecked();
}

bool TListForm::FilterMode() const {
    return FactFilter->isChecked();
}

bool TListForm::IsPlainListForm() const {
    return metaObject() == &TListForm::staticMetaObject;
}

void TListForm::SetFilled(bool Value) {
    FFilled = Value;
    FColumnsMeasured = false;
    auto* Edit = qobject_cast<TListEdit*>(FListEdit.data());
    if (!Value && Edit && !Edit->EditorEnabled()) Edit->clear();
    UpdateActions();
}

// The search bar and the filter row need rows to work on.
void TListForm::UpdateActions() {
    FactSearch->setEnabled(FFilled);
    FactFilter->setEnabled(FFilled);
    FactSearchUp->setEnabled(FFilled && SearchMode());
    FactSearchDown->setEnabled(FFilled && SearchMode());
    FactDoFilter->setEnabled(FilterMode());
}

void TListForm::SetDropColumn(int Value) {
    const int Cols = FGrid->ColCount();
    if (FDropColumn >= 0 && FDropColumn < Cols)
        FGrid->ColAttributes(FDropColumn)->CopyAttributes(FSavedDropAttributes.get());
    FDropColumn = Value;
    if (Value < 0 || Value >= Cols) return;
    TColRowAttributes* Column = FGrid->ColAttributes(Value);
    FSavedDropAttributes->CopyAttributes(Column);
    FDropAttributes->ApplyTo(Column);
}

int TListForm::GetToolbarsHeight() {
    int Height = 0;
    for (QToolBar* Bar : {FtoolsSearch, ToolBar()})
        if (!Bar->isHidden()) Height += Bar->sizeHint().height();
    return Height;
}

void TListForm::PlaceUnderControl() {
    // Measured once per fill: the longest text of a big list takes a scan of every row.
    if (IsPlainListForm() && !FColumnsMeasured) {
        FColumnsMeasured = true;
        const bool Visible = !FGrid->isHidden();
        FGrid->hide();
        FGrid->AutoResizeColumns();
        FGrid->setVisible(Visible);
    }
    const QRect Work = WorkArea();
    const int Border = BasePanel()->frameWidth();
    int Height = GetToolbarsHeight();
    for (int r = 0; r < FGrid->RowCount() && Height < Work.height(); ++r)
        Height += FGrid->RowHeights(r);
    Height += 2 * Border + 5;
    int Width = 0, LeftOfDrop = 0;
    for (int c = 0; c < FGrid->ColCount(); ++c) {
        if (FGrid->ColWidths(c) <= 0) continue;
        const int Required = FGrid->ReadColAttributes(c)->RequiredSize();
        Width += Required;
        if (c < FDropColumn) LeftOfDrop += Required;
    }
    Width += 2 * Border + 5 + GetExtraWidth();
    const int ScrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, FGrid);
    if (FGrid->ScrollBars() == ssVertical || FGrid->ScrollBars() == ssBoth) Width += ScrollBar;
    if (FGrid->ScrollBars() == ssHorizontal || FGrid->ScrollBars() == ssBoth) Height += ScrollBar;

    int MinHeight = GetToolbarsHeight() + 2 * Border;
    if (FGrid->RowCount() > FGrid->FixedRows()) MinHeight += FGrid->RowHeights(0);
    int MinWidth = 0;
    if (!FtoolsSearch->isHidden())
        MinWidth = FtoolsSearch->sizeHint().width() - FeditSearch->sizeHint().width();
    setMinimumSize(MinWidth, MinHeight);
    resize(qMax(Width, MinWidth), qMax(Height, MinHeight));

    // The drop column lines up under the edit.
    SetHorzGap(-(Border + LeftOfDrop));
    SetVertGap(0);
    TDropDownForm::PlaceUnderControl();
}

bool TListForm::CanOk() {
    if (IsDataRow(FGrid, FGrid->Row()) && FGrid->RowHeights(FGrid->Row()) > 0) return true;
    ErrorBeep();
    return false;
}

void TListForm::RowsRefilled() {
    if (IsPlainListForm() && FilterMode()) SetFilterMode(false);
}

void TListForm::DoOk() {
    const int Row = FGrid->Row();
    if (FListEdit) {
        FListEdit->FSelectedRow = Row;
        FListEdit->setText(FGrid->Cells(FDropColumn, Row));
    }
    SetControlText(FDescrControl, FGrid->Cells(FDescrColumn, Row));
    TDropDownForm::DoOk();
}

void TListForm::DoCancel() {
    if (FListEdit) FListEdit->FSelectedRow = -1;
    TDropDownForm::DoCancel();
}

bool TListForm::CanDrop() {
    if (FFillOnDrop || (!FFilled && FFillOnDropIfEmpty)) FillGrid();
    if (!FFilled) return false;
    const QString Text = FListEdit ? FListEdit->text() : QString();
    if (!IsDataRow(FGrid, FGrid->Row()) || FGrid->Cells(FDropColumn, FGrid->Row()) != Text) {
        QString Search = Text;
        const int Row = FindGridPrefix(FGrid, Search, FDropColumn, -1, 1);
        if (Row >= 0) FGrid->SetRow(Row);
    }
    // Through column 0 first, so that the view starts at its left edge.
    FGrid->SetCol(0);
    FGrid->SetCol(FDropColumn);
    FGrid->FixedAttributes()->SetBackColor(clBtnFace);
    if (FGrid->ColCount() > 0) FGrid->ColAttributes(0)->SetBackColor(clBtnFace);
    FGrid->setFocus();
    return TDropDownForm::CanDrop();
}

void TListForm::BuildFilter() {
    FFilter.clear();
    const QString Text = FeditSearch->text();
    if (FilterMode() && !Text.isEmpty()) {
        SetPiece(FFilter, QChar('@'), FSearchColumn, Text);
        FGrid->SetCol(FSearchColumn);
    }
}

void TListForm::FillGrid() {
    TWaitGuard Wait(FStatusMessage);
    BuildFilter();
    SetFilled(true);
    if (OnFillGrid) {
        bool Filled = FFilled;
        OnFillGrid(this, Filled);
        SetFilled(Filled);
    }
}

void TListForm::RefreshExecute() {
    if (IsPlainListForm())
        Search();
    else
        FillGrid();
}

// An empty text shows every row again: a cleared filter must not leave rows out of reach.
void TListForm::Search() {
    const QString Text = FeditSearch->text();
    TWaitGuard Wait(QStringLiteral("Филтриране на данните ..."));
    const TFilterMan Filter(Text, fmkText);
    const int Col = FGrid->Col();
    FGrid->hide();
    {
        TGridSizing Sizing(FGrid);
        for (int r = 1; r < FGrid->RowCount(); ++r) {
            const bool Passes = Text.isEmpty() || Filter.Matches(FGrid->Cells(Col, r));
            FGrid->SetRowHeights(r, Passes ? FGrid->DefaultRowHeight() : 0);
            if (r % 100 == 0) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    ShowRowIfHidden();
    PlaceUnderControl();
    FGrid->show();
    FGrid->setFocus();
}

// A hidden row must not stay current: OK would pick a row the operator cannot see.
void TListForm::ShowRowIfHidden() {
    if (FGrid->RowHeights(FGrid->Row()) > 0) return;
    for (int r = FGrid->FixedRows(); r < FGrid->RowCount(); ++r)
        if (FGrid->RowHeights(r) > 0) {
            FGrid->SetRow(r);
            return;
        }
}

void TListForm::SetSearchMode(bool Value) {
    if (Value) {
        if (FilterMode()) SetFilterMode(false);
        FactSearch->setChecked(true);
        FeditSearch->setText(FSavedSearchText);
        FtoolsSearch->show();
        FeditSearch->setFocus();
    } else {
        FactSearch->setChecked(false);
        FSavedSearchText = FeditSearch->text();
        FtoolsSearch->setVisible(FilterMode());
        FGrid->setFocus();
    }
    UpdateActions();
}

void TListForm::SetFilterMode(bool Value) {
    if (Value) {
        if (SearchMode()) SetSearchMode(false);
        FactFilter->setChecked(true);
        FeditSearch->setText(FSavedFilterText);
        FtoolsSearch->show();
        FeditSearch->setFocus();
        FSearchColumn = FGrid->Col();
    } else {
        FeditSearch->clear();
        Search();
        FSavedFilterText = FeditSearch->text();
        FactFilter->setChecked(false);
        FtoolsSearch->setVisible(SearchMode());
        FGrid->setFocus();
    }
    UpdateActions();
}

void TListForm::SearchUp() {
    SearchPrevious();
}

void TListForm::SearchDown() {
    SearchNext();
}

void TListForm::SearchPrevious() {
    const int Row = FindGridText(FGrid, FeditSearch->text(), FGrid->Col(), FGrid->Row(), -1);
    if (Row >= 0) FGrid->SetRow(Row);
}

void TListForm::SearchNext() {
    const int Row = FindGridText(FGrid, FeditSearch->text(), FGrid->Col(), FGrid->Row(), 1);
    if (Row >= 0) FGrid->SetRow(Row);
}

void TListForm::IncrementalSearch(const QString& Typed) {
    FTimer->start();
    FTypedPrefix += Typed;
    BeforeIncrementalSearch();
    QString Text = FTypedPrefix;
    const int Row = FindGridPrefix(FGrid, Text, FDropColumn, -1, 1);
    if (Row >= 0)
        FGrid->SetRow(Row);
    else
        ErrorBeep();
}

bool TListForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FGrid->viewport() && Event->type() == QEvent::MouseButtonPress) {
        auto* Mouse = static_cast<QMouseEvent*>(Event);
        if (Mouse->button() == Qt::RightButton) {
            int Col = -1, Row = -1;
            const QPoint At = Mouse->position().toPoint();
            FGrid->MouseToCell(At.x(), At.y(), Col, Row);
            if (IsDataRow(FGrid, Row)) FGrid->SetRow(Row);
        }
        return false;
    }
    if (Watched != FGrid || Event->type() != QEvent::KeyPress)
        return TDropDownForm::eventFilter(Watched, Event);
    auto* Key = static_cast<QKeyEvent*>(Event);
    const bool Plain = !(Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    switch (Key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (Plain && SearchMode() && !FeditSearch->text().isEmpty()) {
            if (Key->key() == Qt::Key_Up)
                SearchUp();
            else
                SearchDown();
            return true;
        }
        return false;
    case Qt::Key_End:
        FGrid->SetRow(FGrid->RowCount() - 1);
        return true;
    case Qt::Key_Home:
        // The header row cannot be current: the first data row is.
        FGrid->SetRow(FGrid->FixedRows());
        return true;
    default:
        break;
    }
    const QString Text = Key->text();
    if (Plain && !Text.isEmpty() && Text.at(0).isPrint()) {
        IncrementalSearch(Text);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Filling and lookups

bool FillListEdit(TCustomListEdit* Edit, const QString& HeaderText, const TDelimitedStringList& List,
                  int DropColumn) {
    if (!Edit->Form()) {
        // No parent: the list is a window of its own, and the keys of the window under it (its
        // F6, F7, F8, Enter and Esc) must not reach it. The edit frees it.
        Edit->SetForm(new TListForm());
        Edit->FOwnsForm = true;
    }
    const bool Result = FillListForm(Edit->Form(), HeaderText, List);
    Edit->SetDropColumn(DropColumn);
    return Result;
}

QLabel* NewInfoPanel(QWidget* Parent, const QString& Name, int MinWidth) {
    auto* Panel = new QLabel(Parent);
    Panel->setObjectName(Name);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setMinimumWidth(MinWidth);
    return Panel;
}

TListEdit* NewListEdit(QWidget* Parent, const QString& Name, QLabel* Descr, int Width) {
    auto* Edit = new TListEdit(Parent);
    Edit->setObjectName(Name);
    Edit->SetDescrControl(Descr);
    Edit->SetDescrColumn(1);
    Edit->setFixedWidth(Width);
    return Edit;
}

bool FillListForm(TListForm* Form, const QString& HeaderText, const TDelimitedStringList& List) {
    const QStringList Titles = HeaderText.split(QChar('@'));
    const int Cols = int(Titles.size());
    TRichGrid* Grid = Form->Grid();
    Grid->SetRowCount(2);
    Grid->SetFixedRows(1);
    Grid->SetFixedCols(0);
    Grid->SetFixedColor(ListFixedColor);
    Grid->FixedAttributes()->SetBackColor(ListFixedColor);
    Grid->SetColCount(Cols);
    Grid->ClearRow(1);
    // New rows show, whatever the filter row hid before.
    Grid->SetDefaultRowHeight(Grid->DefaultRowHeight());
    for (int c = 0; c < Cols; ++c) {
        Grid->SetCells(c, 0, Titles[c]);
        Grid->ColAttributes(c)->SetAutoResize(true);
    }
    bool Result = false;
    if (List.Count() > 0) {
        ClearGrid(Grid, 0);
        Grid->SetRowCount(List.Count() + 1);
        const QChar Delimiter = List.FieldDelimiter();
        for (int r = 0; r < List.Count(); ++r) {
            QString Record = List.Get(r);
            if (Cols > 1) {
                // Fields past the titles are not shown.
                if (PieceCount(Record, Delimiter) > Cols) SetPieceCount(Record, Delimiter, Cols);
                Grid->SetRowRecord(r + 1, Record, Delimiter);
            } else
                Grid->SetCells(0, r + 1, Record);
        }
        Result = true;
    }
    Form->SetFilled(Result);
    Form->RowsRefilled();
    return Result;
}

QString ListEditLookup(TCustomListEdit* Edit, int KeyCol, int ResultCol, const QString& Key) {
    if (!Edit->Form()) return QString();
    TRichGrid* Grid = Edit->Form()->Grid();
    for (int r = Grid->FixedRows(); r < Grid->RowCount(); ++r)
        if (Grid->Cells(KeyCol, r) == Key) return Grid->Cells(ResultCol, r);
    return QString();
}

qint64 ListedCode(TCustomListEdit* Edit) {
    const QString Code = Edit->text().trimmed();
    return ListEditLookup(Edit, 0, 0, Code).isEmpty() ? 0 : StrToIntOrZero(Code);
}

QString ListEditFindValue(TCustomListEdit* Edit, int KeyCol, int ResultCol, const QString& Key) {
    if (!Edit->Form()) return QString();
    TRichGrid* Grid = Edit->Form()->Grid();
    QString Text = Key;
    const int Row = FindGridPrefix(Grid, Text, KeyCol, -1, 1);
    if (Row < 0 || Text.size() != Key.size()) return QString();
    return Grid->Cells(ResultCol, Row);
}
