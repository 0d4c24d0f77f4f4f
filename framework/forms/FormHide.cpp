#include "framework/forms/FormHide.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/ImageList.h"
#include "Components/Grids/RichGrid.h"
#include "Components/PeriodEdit/PeriodEdit.h"
#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "core/uDelimitedStrings.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unSorter.h"
#include "core/unStringFuncs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <cmath>

namespace {

constexpr TColor HeaderColor = 15852465;
constexpr int MaxCriteriaRows = 3;
const QChar ImageSeparator = QChar(0x00B7); // "·"
// A period's "@" inside an "@"-separated criteria record.
const QChar PeriodSeparator = QLatin1Char('|');
const QStringList SortTypes = {QStringLiteral("Възходящ"), QStringLiteral("Низходящ"),
                               QStringLiteral("(не се сортира)")};

double ReadNumber(QString Text) {
    Text.replace(QLatin1Char(','), QLatin1Char('.')).remove(QLatin1Char(' '));
    return Text.isEmpty() ? NAN : StrToFloatDot(Text, NAN);
}

bool ReadDate(const QString& Text, TDateTime& Value) {
    return TryStrToDate(Text.trimmed(), Value);
}

// A value of the column against a bound: -1, 0 or 1; false when either side cannot be read as
// the column's kind, in which case both are compared as texts.
int CompareByKind(const QString& Field, const QString& Bound, QChar Kind) {
    if (Kind == hkNumber) {
        const double A = ReadNumber(Field), B = ReadNumber(Bound);
        if (!std::isnan(A) && !std::isnan(B)) return A < B ? -1 : A > B ? 1 : 0;
    } else if (Kind == hkDate || Kind == hkDateFormatted) {
        TDateTime A = 0, B = 0;
        if (ReadDate(Field, A) && ReadDate(Bound, B)) return A < B ? -1 : A > B ? 1 : 0;
    }
    const int C = QString::compare(Field.trimmed(), Bound.trimmed(), Qt::CaseInsensitive);
    return C < 0 ? -1 : C > 0 ? 1 : 0;
}

// The eye of a shown column, and the same eye struck through for a hidden one.
QPixmap EyeImage(bool Shown) {
    QPixmap Image(16, 16);
    Image.fill(Qt::transparent);
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    const QColor Ink = Shown ? QColor(0x20, 0x40, 0x80) : QColor(0x90, 0x90, 0x90);
    QPainterPath Lid;
    Lid.moveTo(1, 8);
    Lid.quadTo(8, 1, 15, 8);
    Lid.quadTo(8, 15, 1, 8);
    P.setPen(QPen(Ink, 1.2));
    P.setBrush(Qt::white);
    P.drawPath(Lid);
    P.setBrush(Ink);
    P.drawEllipse(QPointF(8, 8), 2.5, 2.5);
    if (!Shown) {
        P.setPen(QPen(QColor(0xC0, 0x20, 0x20), 1.6));
        P.drawLine(2, 14, 14, 2);
    }
    P.end();
    return Image;
}

} // namespace

bool HideCriterionMatches(const QString& Criterion, const QString& Field, QChar Kind) {
    QString C = Criterion.trimmed();
    if (C.isEmpty()) return true;
    if ((Kind == hkDate || Kind == hkDateFormatted) && IsWellFormedPeriod(C)) {
        const QString Range = PeriodToDateCriterion(C);
        if (!Range.isEmpty()) C = Range;
    }
    const int Colon = int(C.indexOf(QLatin1Char(':')));
    if (Colon < 0) {
        if (Kind == hkText || Kind == hkImage) return Field.contains(C, Qt::CaseInsensitive);
        return CompareByKind(Field, C, Kind) == 0;
    }
    const QString From = C.left(Colon).trimmed(), To = C.mid(Colon + 1).trimmed();
    if (!From.isEmpty() && CompareByKind(Field, From, Kind) < 0) return false;
    if (!To.isEmpty() && CompareByKind(Field, To, Kind) > 0) return false;
    return true;
}

void SortRecordsByKeys(TDelimitedStrings& List, const QList<std::pair<int, bool>>& Keys) {
    QList<int> Columns;
    QList<bool> Descending;
    for (const auto& [Column, Ascending] : Keys) {
        Columns << Column;
        Descending << !Ascending;
    }
    SortTableRows(List, Columns, Descending);
}

TformHide::TformHide(QWidget* Owner) : TMAccountEditForm(Owner) {
    setObjectName(QStringLiteral("formHide"));
    setWindowTitle(QStringLiteral("Скриване и сортиране"));
    FCriteria = std::make_unique<TDelimitedStringList>(RecordDelimiterChar, FieldDelimiterChar);

    imagesEyes = new TImageList(this, 16, 16);
    imagesEyes->setObjectName(QStringLiteral("imagesEyes"));
    imagesEyes->Add(EyeImage(true));
    imagesEyes->Add(EyeImage(false));

    auto* Tools = new QWidget(this);
    auto* ToolsLayout = new QHBoxLayout(Tools);
    ToolsLayout->setContentsMargins(4, 2, 4, 2);
    const auto MakeButton = [Tools](const char* Name, const QString& Text, const QString& Hint) {
        auto* Button = new QToolButton(Tools);
        Button->setObjectName(QString::fromLatin1(Name));
        Button->setText(Text);
        Button->setToolTip(Hint);
        Button->setFocusPolicy(Qt::NoFocus);
        return Button;
    };
    sbtnAdd = MakeButton("sbtnAdd", QStringLiteral("+"), QStringLiteral("Добавяне на критерии"));
    sbtnDel = MakeButton("sbtnDel", QStringLiteral("-"), QStringLiteral("Изтриване на критерии"));
    UpDownLeft = MakeButton("UpDownLeft", QString(), QString());
    UpDownLeft->setArrowType(Qt::LeftArrow);
    UpDownRight = MakeButton("UpDownRight", QString(), QString());
    UpDownRight->setArrowType(Qt::RightArrow);
    cbNullCol = new QCheckBox(QStringLiteral("Скрива празни колони"), Tools);
    cbNullCol->setObjectName(QStringLiteral("cbNullCol"));
    ToolsLayout->addWidget(sbtnAdd);
    ToolsLayout->addWidget(sbtnDel);
    ToolsLayout->addSpacing(12);
    ToolsLayout->addWidget(cbNullCol);
    ToolsLayout->addStretch();
    ToolsLayout->addWidget(UpDownLeft);
    ToolsLayout->addWidget(UpDownRight);
    ClientLayout()->addWidget(Tools);
    connect(sbtnAdd, &QToolButton::clicked, this, &TformHide::AddCriteriaRow);
    connect(sbtnDel, &QToolButton::clicked, this, &TformHide::DeleteCriteriaRow);
    connect(UpDownLeft, &QToolButton::clicked, this, [this] { ScrollColumns(-1); });
    connect(UpDownRight, &QToolButton::clicked, this, [this] { ScrollColumns(1); });

    RichGrid1 = new TRichGrid(this);
    RichGrid1->setObjectName(QStringLiteral("RichGrid1"));
    RichGrid1->SetDefaultRowHeight(24);
    RichGrid1->SetScrollBars(ssVertical);
    RichGrid1->SetImages(imagesEyes);
    RichGrid1->DefAttributes()->SetAlignment({caLeft, caCenter});
    RichGrid1->viewport()->installEventFilter(this);
    ClientLayout()->addWidget(RichGrid1, 1);

    cbSortType = new QComboBox(RichGrid1->viewport());
    cbSortType->setObjectName(QStringLiteral("cbSortType"));
    cbSortType->addItems(SortTypes);
    cbSortType->hide();
    connect(cbSortType, &QComboBox::activated, this, [this] { CommitEditors(); });

    PeriodEdit = new TPeriodEdit(RichGrid1->viewport());
    PeriodEdit->setObjectName(QStringLiteral("PeriodEdit"));
    PeriodEdit->SetShowYear(true);
    PeriodEdit->hide();
    PeriodEdit->OnChange = [this](QWidget*) {
        if (FEditCol >= 0 && PeriodEdit->isVisible())
            RichGrid1->SetCells(FEditCol, FEditRow, PeriodEdit->Period());
    };

    DateFormatter = new TCellFormatter(this);
    DateFormatter->setObjectName(QStringLiteral("DateFormatter"));
    DateFormatter->OnCellFormat = [this](TCellFormatter*, TRichGrid*, int, int ARow, QString& Text,
                                         TCellAttributes*) {
        if (ARow >= FirstCriteriaRow() && IsWellFormedPeriod(Text)) Text = PeriodToText(Text, 0, true);
    };
}

TformHide::~TformHide() = default;

void TformHide::InitDefaults() {
    TMAccountEditForm::InitDefaults();
    StatusBar->show();
    SetShowProgress(true);
    CloseAfterSave = true;
    actSave->setEnabled(true);
}

bool TformHide::Init() {
    const bool Result = TMAccountEditForm::Init();
    pnlCaption->setText(QStringLiteral("СКРИВАНЕ И СОРТИРАНЕ"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    return Result;
}

bool TformHide::CloseQuery() {
    // Closing is never held back by a wait elsewhere; only unsaved changes ask first.
    return !Modified || QuerySaveChanges() != mrCancel;
}

int TformHide::CriteriaRowCount() const {
    return RichGrid1->RowCount() - FirstCriteriaRow();
}

bool TformHide::ColumnShown(int Col) const {
    return RichGrid1->ReadCellAttributes(Col, EyeRow())->Bitmap() != 1;
}

void TformHide::SetGrid(TRichGrid* Grid) {
    FGrid = Grid;
    FHeaderRows = Grid->FixedRows();
    RichGrid1->SetFixedCols(0);
    RichGrid1->SetFixedRows(0);
    RichGrid1->SetColCount(Grid->ColCount());
    RichGrid1->SetRowCount(FHeaderRows + 2 + std::min(FCriteria->Count(), MaxCriteriaRows));
    RichGrid1->SetDefaultRowHeight(Grid->DefaultRowHeight() > 24 ? Grid->DefaultRowHeight() : 24);
    RichGrid1->DefAttributes()->SetBackColor(HeaderColor);
    RichGrid1->FixedAttributes()->SetBackColor(HeaderColor);
    RichGrid1->FixedAttributes()->SetCell3DEffect(bvRaised);

    // Only the header's merges come along.
    QString Merges;
    for (const QString& Group : Grid->MergeCellsStr().split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QStringList Parts = Group.split(QLatin1Char(','));
        if (Parts.size() == 4 && Parts[3].toInt() < FHeaderRows) Merges += Group + QLatin1Char('|');
    }
    RichGrid1->SetMergeCellsStr(Merges);

    FKinds.clear();
    for (int C = 0; C < Grid->ColCount(); ++C) {
        for (int R = 0; R < FHeaderRows; ++R) {
            RichGrid1->SetCells(C, R, Grid->Cells(C, R));
            RichGrid1->CellAttributes(C, R)->SetAlignment(Grid->EffectiveCellAttributes(C, R)->Alignment());
        }
        const int Width = Grid->ColWidths(C);
        RichGrid1->ColAttributes(C)->SetAutoResize(Width > 0);
        RichGrid1->SetColWidths(C, Width);

        // The kind of the column: images, dates "dd.mm.yyyy", numbers, texts.
        QChar Kind = hkText;
        if (Grid->ReadColAttributes(C)->BitmapDrawMode() != bmDontDraw) {
            Kind = hkImage;
        } else {
            bool AnyValue = false, AllDates = true, AllNumbers = true;
            for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R) {
                if (Grid->HasRowAttributes(R) && Grid->RowAttributes(R)->BackColor() == TotalsRowColor)
                    continue;
                const QString Text = Grid->Cells(C, R).trimmed();
                if (Text.isEmpty()) continue;
                AnyValue = true;
                TDateTime Date = 0;
                const QStringList Parts = Text.split(QLatin1Char('.'));
                if (Parts.size() != 3 || Parts[2].size() != 4 || !ReadDate(Text, Date)) AllDates = false;
                if (std::isnan(ReadNumber(Text))) AllNumbers = false;
            }
            if (AnyValue && AllDates)
                Kind = hkDate;
            else if (AnyValue && AllNumbers)
                Kind = hkNumber;
        }
        FKinds += Kind;

        TCellAttributes* Eye = RichGrid1->CellAttributes(C, EyeRow());
        Eye->SetBitmap(Width > 0 ? 0 : 1);
        Eye->SetBitmapDrawMode(bmCenter);
        Eye->SetBitmapAlignment(caCenter);
        Eye->SetAlignment({caCenter});
        Eye->SetCanEdit(false);
        if (Kind == hkDate) RichGrid1->ColAttributes(C)->SetFormatter(DateFormatter);
    }
    RichGrid1->SetFixedRows(FHeaderRows + 1);
    SetCriteria(FCriteria.get());
    FitHeight();
}

void TformHide::SetSettings(const QString& Text) {
    for (int C = 0; C < RichGrid1->ColCount(); ++C) {
        const int Item = C < Text.size() ? Text[C].digitValue() : 3;
        RichGrid1->SetCells(C, SortRow(), Item == 1 || Item == 2 ? SortTypes[Item - 1] : QString());
    }
}

QString TformHide::GetSettings() const {
    QString Text;
    for (int C = 0; C < RichGrid1->ColCount(); ++C) {
        const QString Cell = RichGrid1->Cells(C, SortRow());
        Text += Cell == SortTypes[0] ? u'1' : Cell == SortTypes[1] ? u'2' : u'3';
    }
    return Text;
}

void TformHide::SetCriteria(const TDelimitedStringList* List) {
    if (List != FCriteria.get()) {
        FCriteria->Clear();
        for (int I = 0; List && I < List->Count() && I < MaxCriteriaRows; ++I)
            FCriteria->Add(List->Get(I));
    }
    if (!FGrid) return;
    RichGrid1->SetRowCount(FirstCriteriaRow() + FCriteria->Count());
    for (int I = 0; I < FCriteria->Count(); ++I)
        for (int C = 0; C < RichGrid1->ColCount(); ++C)
            RichGrid1->SetCells(
                C, FirstCriteriaRow() + I,
                QString(FCriteria->GetField(I, C)).replace(PeriodSeparator, QLatin1Char('@')));
    FitHeight();
}

void TformHide::FitHeight() {
    int Height = 2 * RichGrid1->frameWidth();
    for (int R = 0; R < RichGrid1->RowCount(); ++R)
        Height += RichGrid1->RowHeights(R) + 1;
    RichGrid1->setFixedHeight(Height);
    adjustSize();
}

void TformHide::PlaceOver(QWidget* Editor, int Col, int Row) {
    FEditCol = Col;
    FEditRow = Row;
    Editor->setGeometry(RichGrid1->CellRect(Col, Row));
    Editor->show();
    Editor->setFocus();
}

void TformHide::SetGridEditing(bool On) {
    TGridOptions Options = RichGrid1->Options();
    if (On) {
        Options.Include(goEditing);
    } else {
        if (RichGrid1->EditorMode()) RichGrid1->SetEditorMode(false);
        Options.Exclude(goEditing);
    }
    RichGrid1->SetOptions(Options);
}

void TformHide::CommitEditors() {
    if (cbSortType->isVisible() && FEditCol >= 0) {
        const int Item = cbSortType->currentIndex();
        RichGrid1->SetCells(FEditCol, FEditRow, Item >= 0 && Item < 2 ? SortTypes[Item] : QString());
    }
    if (PeriodEdit->isVisible() && FEditCol >= 0)
        RichGrid1->SetCells(FEditCol, FEditRow, PeriodEdit->Period());
    cbSortType->hide();
    PeriodEdit->hide();
    FEditCol = FEditRow = -1;
    if (RichGrid1->EditorMode()) RichGrid1->SetEditorMode(false);
}

void TformHide::ClickCell(int Col, int Row) {
    if (Col < 0 || Row < 0 || Col >= RichGrid1->ColCount()) return;
    CommitEditors();
    if (KindOf(Col) == hkImage) {
        SetGridEditing(false);
        return;
    }
    if (Row == EyeRow()) {
        SetGridEditing(false);
        TCellAttributes* Eye = RichGrid1->CellAttributes(Col, Row);
        Eye->SetBitmap(Eye->Bitmap() == 1 ? 0 : 1);
    } else if (Row == SortRow()) {
        SetGridEditing(false);
        const int Item = int(SortTypes.indexOf(RichGrid1->Cells(Col, Row)));
        cbSortType->setCurrentIndex(Item < 0 ? 2 : Item);
        PlaceOver(cbSortType, Col, Row);
    } else if (Row >= FirstCriteriaRow()) {
        const QChar Kind = KindOf(Col);
        if (Kind == hkDate || Kind == hkDateFormatted) {
            SetGridEditing(false);
            const QString Period = RichGrid1->Cells(Col, Row);
            PeriodEdit->SetPeriod(Period.isEmpty() ? QStringLiteral("6@1@12") : Period);
            PlaceOver(PeriodEdit, Col, Row);
            RichGrid1->SetCells(Col, Row, PeriodEdit->Period());
        } else {
            SetGridEditing(true);
        }
    } else {
        SetGridEditing(false);
    }
}

void TformHide::AddCriteriaRow() {
    if (CriteriaRowCount() >= MaxCriteriaRows) return;
    CommitEditors();
    RichGrid1->SetRowCount(RichGrid1->RowCount() + 1);
    // Date columns make room for the period.
    for (int C = 0; C < RichGrid1->ColCount(); ++C) {
        const QChar Kind = KindOf(C);
        if ((Kind == hkDate || Kind == hkDateFormatted) && RichGrid1->ColWidths(C) > 0 &&
            RichGrid1->ColWidths(C) < PeriodEdit->sizeHint().width() + 40) {
            RichGrid1->ColAttributes(C)->SetAutoResize(false);
            RichGrid1->SetColWidths(C, PeriodEdit->sizeHint().width() + 40);
        }
    }
    FitHeight();
}

void TformHide::DeleteCriteriaRow() {
    if (CriteriaRowCount() <= 0) return;
    CommitEditors();
    RichGrid1->SetRowCount(RichGrid1->RowCount() - 1);
    FitHeight();
}

void TformHide::ScrollColumns(int Delta) {
    CommitEditors();
    RichGrid1->SetLeftCol(std::max(0, RichGrid1->LeftCol() + Delta));
}

bool TformHide::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == RichGrid1->viewport() && Event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        const QPoint Pos = static_cast<QMouseEvent*>(Event)->position().toPoint();
        int Col = -1, Row = -1;
        RichGrid1->MouseToCell(Pos.x(), Pos.y(), Col, Row);
        ClickCell(Col, Row);
    } else if (Watched == RichGrid1->viewport() && Event->type() == QEvent::Wheel) {
        CommitEditors();
    }
    return TMAccountEditForm::eventFilter(Watched, Event);
}

bool TformHide::RecordPasses(const QString& Record) const {
    const QChar Delimiter = FCriteria->FieldDelimiter();
    for (int I = 0; I < FCriteria->Count(); ++I) {
        bool Matches = true;
        for (int C = 0; C < RichGrid1->ColCount() && Matches; ++C) {
            const QString Criterion =
                QString(FCriteria->GetField(I, C)).replace(PeriodSeparator, QLatin1Char('@'));
            if (Criterion.trimmed().isEmpty()) continue;
            const QString Field = GetPiece(Record, Delimiter, C).section(ImageSeparator, 0, 0);
            Matches = HideCriterionMatches(Criterion, Field, KindOf(C));
        }
        if (Matches) return true;
    }
    return false;
}

bool TformHide::Save() {
    CommitEditors();
    if (!FGrid) return false;
    TRichGrid* Grid = FGrid;
    const int Cols = Grid->ColCount();

    for (int C = 0; C < Cols; ++C) {
        TColRowAttributes* Column = Grid->ColAttributes(C);
        if (!ColumnShown(C)) {
            Column->SetAutoResize(false);
            Column->SetVisible(false);
        } else if (!Column->Visible() || Grid->ColWidths(C) == 0) {
            Column->SetVisible(true);
            if (Grid->ColWidths(C) == 0) Column->SetAutoResize(true);
        }
    }

    // The criteria rows are kept for the next opening.
    FCriteria->Clear();
    for (int R = FirstCriteriaRow(); R < RichGrid1->RowCount(); ++R) {
        QString Record;
        SetPieceCount(Record, FCriteria->FieldDelimiter(), Cols);
        for (int C = 0; C < Cols; ++C)
            SetPiece(Record, FCriteria->FieldDelimiter(), C,
                     QString(RichGrid1->Cells(C, R)).replace(QLatin1Char('@'), PeriodSeparator));
        FCriteria->Add(Record);
    }

    // 1. The data rows, without totals rows; image columns carry their image after "·".
    SetStatusText(QStringLiteral("Изтегля данните..."));
    TDelimitedStringList Rows(RecordDelimiterChar, FieldDelimiterChar);
    const int First = Grid->FixedRows(), Total = std::max(1, Grid->RowCount() - First);
    for (int R = First; R < Grid->RowCount(); ++R) {
        if (Grid->HasRowAttributes(R) && Grid->RowAttributes(R)->BackColor() == TotalsRowColor) continue;
        QString Record;
        SetPieceCount(Record, Rows.FieldDelimiter(), Cols);
        for (int C = 0; C < Cols; ++C) {
            QString Text = Grid->Cells(C, R);
            if (KindOf(C) == hkImage)
                Text += ImageSeparator + QString::number(Grid->ReadCellAttributes(C, R)->Bitmap());
            SetPiece(Record, Rows.FieldDelimiter(), C, Text);
        }
        Rows.Add(Record);
        SetProgress(ProgressPercent(R - First + 1, Total));
        QCoreApplication::processEvents();
    }

    // 2. A record stays when any criteria row lets it through.
    if (FCriteria->Count() > 0) {
        SetStatusText(QStringLiteral("Филтрира..."));
        const int Count = Rows.Count();
        int Done = 0;
        Rows.KeepRecords([&](const QString& Record) {
            TProgressEvent Progress(++Done, Count);
            QCoreApplication::sendEvent(this, &Progress);
            QCoreApplication::processEvents();
            return RecordPasses(Record);
        });
    }

    // 3. Sorted by the columns that have a direction, from left to right.
    QList<std::pair<int, bool>> Keys;
    for (int C = 0; C < Cols; ++C) {
        const QString Cell = RichGrid1->Cells(C, SortRow());
        if (Cell == SortTypes[0] || Cell == SortTypes[1]) Keys.append({C, Cell == SortTypes[0]});
    }
    if (!Keys.isEmpty()) {
        SetStatusText(QStringLiteral("Сортира..."));
        SortRecordsByKeys(Rows, Keys);
    }

    // 4. Back into the list window's grid.
    SetStatusText(QStringLiteral("Записва данните..."));
    Grid->setUpdatesEnabled(false);
    if (Grid->RowCount() > First)
        Grid->ClearRowsAttributes(First, Grid->RowCount() - 1, caRowAttributes | caCellAttributes);
    Grid->ClearValues();
    Grid->SetRowCount(First + std::max(1, Rows.Count()));
    for (int C = 0; C < Cols; ++C)
        Grid->SetCells(C, First, QString());
    for (int I = 0; I < Rows.Count(); ++I) {
        const QString Record = Rows.Get(I);
        for (int C = 0; C < Cols; ++C) {
            const QString Field = GetPiece(Record, Rows.FieldDelimiter(), C);
            const int Dot = int(Field.indexOf(ImageSeparator));
            Grid->SetCells(C, First + I, Dot < 0 ? Field : Field.left(Dot));
            if (Dot >= 0) Grid->CellAttributes(C, First + I)->SetBitmap(Field.mid(Dot + 1).toInt());
        }
        SetProgress(ProgressPercent(I + 1, Rows.Count()));
    }
    Grid->setUpdatesEnabled(true);
    Grid->viewport()->update();
    SetStatusText(QString());
    SetProgress(0);

    // 5. Columns without any value go out of sight.
    if (cbNullCol->isChecked()) {
        for (int C = 0; C < Cols; ++C) {
            bool Empty = true;
            for (int R = First; R < Grid->RowCount() && Empty; ++R)
                Empty = Grid->Cells(C, R).trimmed().isEmpty();
            if (Empty) {
                Grid->ColAttributes(C)->SetAutoResize(false);
                Grid->ColAttributes(C)->SetVisible(false);
            }
        }
    }
    FAccepted = true;
    return true;
}
