#include "shell/reports/ReportForm.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

int RegistryDay(const QString& Text, int Default) {
    bool Ok = false;
    const int Day = Text.trimmed().toInt(&Ok);
    return Ok ? Day : Default;
}

qint64 QuerySum(QObject* Owner, const QString& Sql, int Digits) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, Sql, &List);
    qint64 Sum = 0;
    for (int R = 0; R < List.Count(); ++R) {
        const QString Times = List.GetField(R, 1);
        Sum += RoundDecimal(DecimalOrZero(List.GetField(R, 0)), Digits) *
               (Times.isEmpty() ? 1 : StrToIntOrZero(Times));
    }
    return Sum;
}

QString RoundedText(const QString& Text, int Digits) {
    return ScaledToFixedStr(RoundDecimal(DecimalOrZero(Text), Digits), Digits);
}

void AppendTotalsRow(TDelimitedStringList& Rows, int Count, std::initializer_list<TTotalColumn> Columns) {
    std::vector<qint64> Sums(Columns.size(), 0);
    for (int R = 0; R < Rows.Count(); ++R) {
        int K = 0;
        for (const TTotalColumn& T : Columns)
            Sums[K++] += RoundDecimal(DecimalOrZero(Rows.GetField(R, T.Col)), T.Digits);
    }
    QStringList Total(Count);
    Total[0] = MarkerChar + u"Общо:"_s;
    int K = 0;
    for (const TTotalColumn& T : Columns)
        Total[T.Col] = ScaledToFixedStr(Sums[K++], T.Digits);
    Rows.Add(Total.join(FieldDelimiterChar));
}

TReportForm::TReportForm(QWidget* Owner, const TReportSetup& Setup)
    : TMAccountReadForm(Owner), FSetup(Setup) {
    setObjectName(Setup.Name);
    ValueOrTextFormatter = new TFloatFormatter(this, AmountDecimals);
    ValueOrTextFormatter->SetMarkNegative(true);
    ValueOrTextFormatter->NegativeAttr()->SetForeColor(clRed);
    ValueOrTextFormatter->SetZeroOnNoValue(false);
    ParamsLayout = new QGridLayout(pnlParams);
    ParamsLayout->setContentsMargins(6, 4, 6, 4);
    ParamsLayout->setHorizontalSpacing(6);
    // A report writes every zero it means; a field it leaves empty (a rate where there is no
    // contract, a totals cell under a column that is not summed) stays blank.
    for (TFloatFormatter* Formatter : {ValueFormatter, AmountFormatter, PriceFormatter, CurrencyFormatter})
        Formatter->SetZeroOnNoValue(false);
    if (!Setup.Period) return;
    dtp_From = new TMADateEdit(pnlParams);
    dtp_From->setObjectName(u"dtp_From"_s);
    dtp_To = new TMADateEdit(pnlParams);
    dtp_To->setObjectName(u"dtp_To"_s);
    int Col = 0;
    for (auto [Label, Edit] : {std::pair{u"От дата:"_s, dtp_From}, std::pair{u"До дата:"_s, dtp_To}}) {
        Edit->setFixedWidth(100);
        ParamsLayout->addWidget(new QLabel(Label, pnlParams), 0, Col++);
        ParamsLayout->addWidget(Edit, 0, Col++);
        // Rows of another period must not pass for this one's.
        connect(Edit, &QLineEdit::textChanged, this, [this] { ClearRows(); });
    }
    ParamsLayout->setColumnStretch(4, 1);
    FitParams();
}

void TReportForm::SetupColumns(const QList<QStringList>& Headers, const QString& Merged) {
    const int HeaderRows = int(Headers.value(0).size());
    Grid->SetColCount(int(Headers.size()));
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(HeaderRows);
    Grid->SetRowCount(HeaderRows + 1);
    for (int C = 0; C < Headers.size(); ++C)
        for (int R = 0; R < HeaderRows; ++R)
            Grid->SetCells(C, R, Headers[C].value(R));
    if (!Merged.isEmpty()) Grid->SetMergeCellsStr(Merged);
    Grid->SetAutoResizeCols(true);
    for (int C = 0; C < Headers.size(); ++C)
        Grid->ColAttributes(C)->SetAutoResize(true);
    Grid->SetCol(0);
    Grid->Loaded();
}

void TReportForm::FitColumns() {
    Grid->AutoResizeColumns();
    // A header over several columns is measured against them only once they have their widths.
    QSize Size;
    for (int R = 0; R < Grid->FixedRows(); ++R)
        for (int C = 0; C < Grid->ColCount(); ++C)
            if (Grid->GetMergedCells(C, R).Left == C) Grid->MeasureCell(C, R, Size, false);
}

void TReportForm::FitWindow() {
    TFormPlacement Stored;
    if (LoadFormPlacement(QString::fromLatin1(metaObject()->className()), Stored)) return;
    QWidget* Frame = Container();
    int Columns = 0;
    for (int C = 0; C < Grid->ColCount(); ++C)
        if (Grid->ColWidths(C) > 0) Columns += Grid->ColWidths(C) + Grid->GridLineWidth();
    const int ScrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int Chrome = Frame->width() - width() + 2 * Grid->frameWidth() + ScrollBar;
    const int Rows = (Grid->FixedRows() + 20) * (Grid->DefaultRowHeight() + Grid->GridLineWidth());
    const int Height = Frame->height() - height() + pnlCaption->sizeHint().height() +
                       (pnlParams->isHidden() ? 0 : pnlParams->height()) + Rows + 2 * ScrollBar;
    QSize Room = screen() ? screen()->availableGeometry().size() : QSize(Columns + Chrome, Height);
    if (QMdiSubWindow* Sub = SubWindow(); Sub && Sub->mdiArea()) Room = Sub->mdiArea()->viewport()->size();
    Frame->resize(std::min(std::max(Frame->width(), Columns + Chrome), Room.width()),
                  std::min(std::max(Frame->height(), Height), Room.height()));
}

void TReportForm::FormatColumns(std::initializer_list<int> Cols, TCellFormatter* Formatter) {
    for (int C : Cols)
        Grid->ColAttributes(C)->SetFormatter(Formatter);
}

void TReportForm::AlignColumns(std::initializer_list<int> Cols, TCellAlignment Alignment) {
    for (int C : Cols)
        Grid->ColAttributes(C)->SetAlignment(Alignment);
}

void TReportForm::AddNote(const QString& Text, int Row, int Col, int Span) {
    ParamsLayout->addWidget(new QLabel(Text, pnlParams), Row, Col, 1, Span);
}

void TReportForm::AddRegisterNotes(const QString& Appendix) {
    AddNote(Appendix, 0, 5, 1);
    AddNote(u"В края на работния ден, разпечатайте настоящия регистър,"_s, 1);
    AddNote(u"като в полетата \"от дата\" и \"до дата\" задайте днешна дата."_s, 2);
    FitParams();
}

void TReportForm::FitParams() {
    pnlParams->setFixedHeight(ParamsLayout->sizeHint().height());
}

void TReportForm::ClearRows() {
    ClearGrid(Grid, 0);
    SetStatusText(QString());
}

bool TReportForm::Init() {
    const bool Result = TMAccountReadForm::Init();
    SetHeaderSorting(true);
    PrintSettingsName = FSetup.PrintSettings;
    if (dtp_From) {
        const int Today = int(std::floor(Date()));
        const auto Stored = [&](const QString& Suffix) {
            return FSetup.DatesKey.isEmpty() ? Today
                                             : RegistryDay(ReadRegString(FSetup.DatesKey + Suffix), Today);
        };
        dtp_From->SetDate(Stored(u"_dtp_From"_s));
        dtp_To->SetDate(Stored(u"_dtp_To"_s));
    }
    if (FSetup.Progress) {
        SetShowProgress(true);
        PostEventTo(this, new TProgressEvent(0, 100));
    }
    return Result;
}

bool TReportForm::Done() {
    // An emptied edit would come back as 30.12.1899; the last real date stays instead. A period
    // that ends before it starts never ran, so the last one stays as well.
    const bool Reversed = dtp_From && dtp_From->Date() > 0 && dtp_To->Date() > 0 &&
                          std::floor(dtp_To->Date()) < std::floor(dtp_From->Date());
    if (dtp_From && !FSetup.DatesKey.isEmpty() && !Reversed)
        for (auto [Suffix, Edit] : {std::pair{u"_dtp_From"_s, dtp_From}, std::pair{u"_dtp_To"_s, dtp_To}})
            if (const TDateTime D = Edit->Date(); D > 0)
                WriteRegString(FSetup.DatesKey + Suffix, QString::number(qint64(std::floor(D))));
    return TMAccountReadForm::Done();
}

bool TReportForm::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    ShowCaption(FSetup.Caption.isEmpty() ? FormCaption : FSetup.Caption);
    FitColumns();
    if (FSetup.RunOnOpen) DoExecute();
    FitWindow();
    return Result;
}

bool TReportForm::DoExecute() {
    // A period that ends before it starts is refused before anything is cleared or run, as the
    // period drop-down refuses it.
    if (dtp_From) {
        const TDateTime F = dtp_From->Date(), T = dtp_To->Date();
        if (F > 0 && T > 0 && std::floor(T) < std::floor(F)) {
            ShowErrorFmt(u"Началната дата (%s) не може да е по-голяма от крайната (%s) !"_s,
                         {dtp_From->text(), dtp_To->text()});
            dtp_From->setFocus();
            return false;
        }
    }
    return TMAccountReadForm::DoExecute();
}

bool TReportForm::Execute() {
    TMAccountReadForm::Execute();
    int From = 0, To = 0;
    if (dtp_From) {
        const TDateTime F = dtp_From->Date(), T = dtp_To->Date();
        if (F <= 0 || T <= 0) return false;
        From = int(std::floor(F));
        To = int(std::floor(T));
    }
    TDelimitedStringList Rows;
    try {
        LoadRows(From, To, Rows);
    } catch (const EDatabaseError& E) {
        if (FSetup.Progress) PostEventTo(this, new TProgressEvent(0, 100));
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    if (FSetup.Progress) PostEventTo(this, new TProgressEvent(0, 100));
    ApplyFilterToRows(&Rows);
    // Sized once, by FitColumns, after the report has given its rows their formats.
    FillGridFromList(Grid, &Rows, true);
    RowsLoaded();
    FitColumns();
    return true;
}

void TReportForm::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    if (FSetup.Rows) FSetup.Rows(this, From, To, Rows);
}

QString TReportForm::GetReportTitle() {
    if (!FSetup.PeriodTitle || !dtp_From) return FSetup.Title;
    return Format(u"от дата %s до дата %s"_s, {DateToStr(dtp_From->Date()), DateToStr(dtp_To->Date())});
}
