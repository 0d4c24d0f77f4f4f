#include "Components/PeriodEdit/PeriodEdit.h"

#include "Components/Edits/FilteredEdit.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"

#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

const QChar At = QLatin1Char('@');

int Field(const QString& Period, int N) {
    return StrToIntOrZero(GetPiece(Period, At, N));
}

QString Yyyymmdd(const QDate& Date) {
    return Date.toString(QStringLiteral("yyyyMMdd"));
}

QDate LastDay(int Year, int Month) {
    const QDate First(Year, Month, 1);
    return First.addDays(First.daysInMonth() - 1);
}

QDate Today() {
    return DateTimeToQDate(Date());
}

// The year of the accounting period; today's while no back end answers.
bool PeriodYear(int& Year) {
    QString Text;
    GetPeriodYearStr(Text);
    bool Ok = false;
    Year = Text.trimmed().toInt(&Ok);
    return Ok && Year > 0;
}

// A calendar leaf in two glyphs: enabled and greyed.
QIcon CalendarIcon() {
    QIcon Icon;
    for (const bool Enabled : {true, false}) {
        QPixmap Image(12, 12);
        Image.fill(Qt::transparent);
        QPainter P(&Image);
        const QColor Ink = Enabled ? QColor(0x20, 0x20, 0x20) : QColor(0xA0, 0xA0, 0xA0);
        P.setPen(Ink);
        P.setBrush(Enabled ? Qt::white : QColor(0xE0, 0xE0, 0xE0));
        P.drawRect(0, 1, 11, 10);
        P.fillRect(1, 2, 10, 2, Enabled ? QColor(0xC0, 0x20, 0x20) : Ink);
        for (int Y = 5; Y <= 9; Y += 2)
            for (int X = 2; X <= 9; X += 2)
                P.drawPoint(X, Y);
        P.end();
        Icon.addPixmap(Image, Enabled ? QIcon::Normal : QIcon::Disabled);
    }
    return Icon;
}

} // namespace

bool IsWellFormedPeriod(const QString& Period) {
    if (Period.size() < 3 || Period[0] < QLatin1Char('1') || Period[0] > QLatin1Char('6') || Period[1] != At)
        return false;
    // A range's dates must exist: read otherwise, they would turn into today.
    TDateTime D = 0;
    return Period[0] != QLatin1Char('5') ||
           (TryDigitsToDate(GetPiece(Period, At, 1), 2, D) && TryDigitsToDate(GetPiece(Period, At, 2), 2, D));
}

QString DefaultPeriodText(TPeriodType Type) {
    switch (Type) {
    case ptMonth:
        return QStringLiteral("1@1");
    case ptQuarter:
        return QStringLiteral("2@1");
    case ptHalfYear:
        return QStringLiteral("3@1");
    case ptMonthWAccumulate:
        return QStringLiteral("4@1");
    case ptRange: {
        const QDate Now = Today();
        return QStringLiteral("5@") + Yyyymmdd(QDate(Now.year(), Now.month(), 1)) + At +
               Yyyymmdd(LastDay(Now.year(), Now.month()));
    }
    case ptMonthRange:
        return QStringLiteral("6@1@1");
    }
    return QString();
}

QString PeriodToDateCriterion(const QString& Period) {
    QString WorkDate;
    GetPeriodWorkDate(WorkDate);
    const int Year = DateTimeToQDate(StrToDateOr(WorkDate, Date())).year();
    const auto Range = [](const QDate& From, const QDate& To) {
        if (!From.isValid() || !To.isValid()) return QString();
        return DateToStr(QDateToDateTime(From)) + QLatin1Char(':') + DateToStr(QDateToDateTime(To));
    };
    const auto Month = [](int M) { return M >= 1 && M <= 12; };
    switch (Field(Period, 0)) {
    case pkDateRange:
        return Range(DateTimeToQDate(DateFromYyyymmdd(GetPiece(Period, At, 1))),
                     DateTimeToQDate(DateFromYyyymmdd(GetPiece(Period, At, 2))));
    case pkMonth: {
        const int M = Field(Period, 1);
        return Month(M) ? Range(QDate(Year, M, 1), LastDay(Year, M)) : QString();
    }
    case pkMonthRange: {
        const int M1 = Field(Period, 1), M2 = Field(Period, 2);
        return Month(M1) && Month(M2) ? Range(QDate(Year, M1, 1), LastDay(Year, M2)) : QString();
    }
    default:
        return QString();
    }
}

// ---------------------------------------------------------------------------------------------
// TPeriodDropForm

TPeriodDropForm::TPeriodDropForm(QWidget* Parent) : TDropDownForm(Parent) {
    setObjectName(QStringLiteral("PeriodDropForm"));
    pgPeriodType = new QTabWidget(BasePanel());
    pgPeriodType->setObjectName(QStringLiteral("pgPeriodType"));
    pgPeriodType->setDocumentMode(true);
    pgPeriodType->tabBar()->setElideMode(Qt::ElideNone);
    BasePanel()->layout()->addWidget(pgPeriodType);
    // The tool bar stays last.
    BasePanel()->layout()->removeWidget(ToolBar());
    BasePanel()->layout()->addWidget(ToolBar());

    const auto AddPage = [this](const char* Name, const QString& Caption, const QString& Hint) {
        auto* Page = new QWidget(pgPeriodType);
        Page->setObjectName(QString::fromLatin1(Name));
        const int Index = pgPeriodType->addTab(Page, Caption);
        pgPeriodType->setTabToolTip(Index, Hint);
        return Page;
    };
    tabMonth = AddPage("tabMonth", QStringLiteral("&Месец(и)"), QStringLiteral("Месец"));
    tabQuarter = AddPage("tabQuarter", QStringLiteral("1/4"), QStringLiteral("Тримесечие"));
    tabHalfYear = AddPage("tabHalfYear", QStringLiteral("1/2"), QStringLiteral("Полугодие"));
    tabMonthWAccum = AddPage("tabMonthWAccum", QStringLiteral("1/12+"), QStringLiteral("Месец с натрупване"));
    tabRange = AddPage("tabRange", QStringLiteral("&Период"), QString());

    lbMonths = new QListWidget(tabMonth);
    lbMonths->setObjectName(QStringLiteral("lbMonths"));
    for (int M = 1; M <= 12; ++M)
        lbMonths->addItem(QLatin1Char(' ') + PeriodToText(QStringLiteral("1@%1").arg(M), 0, false));
    lbMonths->viewport()->installEventFilter(this);
    connect(lbMonths, &QListWidget::itemDoubleClicked, actOk(), &QAction::trigger);
    auto* MonthLayout = new QVBoxLayout(tabMonth);
    MonthLayout->setContentsMargins(2, 2, 2, 2);
    MonthLayout->addWidget(lbMonths);

    labFrom = new QLabel(QStringLiteral("От:"), tabRange);
    labTo = new QLabel(QStringLiteral("До:"), tabRange);
    dateFrom = new TMADateEdit(tabRange);
    dateFrom->setObjectName(QStringLiteral("dateFrom"));
    dateTo = new TMADateEdit(tabRange);
    dateTo->setObjectName(QStringLiteral("dateTo"));
    for (TMADateEdit* Edit : {dateFrom, dateTo}) {
        Edit->ValidColor = clBlue;
        Edit->ValidateOnExit = false;
        Edit->SetValidatorOff(false); // paints the text blue
    }
    labFrom->setBuddy(dateFrom);
    labTo->setBuddy(dateTo);
    auto* RangeLayout = new QGridLayout(tabRange);
    RangeLayout->setContentsMargins(6, 6, 6, 6);
    RangeLayout->addWidget(labFrom, 0, 0);
    RangeLayout->addWidget(dateFrom, 0, 1);
    RangeLayout->addWidget(labTo, 1, 0);
    RangeLayout->addWidget(dateTo, 1, 1);
    RangeLayout->setRowStretch(2, 1);

    SetVisibleTypes({ptMonth, ptRange, ptMonthRange});
}

void TPeriodDropForm::SetVisibleTypes(TPeriodTypes Types) {
    const QWidget* Pages[] = {tabMonth, tabQuarter, tabHalfYear, tabMonthWAccum, tabRange};
    for (int T = ptMonth; T <= ptRange; ++T)
        pgPeriodType->setTabVisible(pgPeriodType->indexOf(const_cast<QWidget*>(Pages[T])),
                                    Types.Contains(TPeriodType(T)));
    lbMonths->setSelectionMode(Types.Contains(ptMonthRange) ? QAbstractItemView::ExtendedSelection
                                                            : QAbstractItemView::SingleSelection);
}

void TPeriodDropForm::SetPeriod(const QString& Text) {
    const QString P = Text.isEmpty() ? QStringLiteral("1@1") : Text;
    const int Kind = Field(P, 0), A = Field(P, 1), B = Field(P, 2);
    const auto IsMonth = [](int M) { return M >= 1 && M <= 12; };
    if (Kind == pkMonth && IsMonth(A)) {
        pgPeriodType->setCurrentWidget(tabMonth);
        lbMonths->clearSelection();
        lbMonths->setCurrentRow(A - 1, QItemSelectionModel::ClearAndSelect);
        lbMonths->setFocus();
        UpdateMonthsInfo();
    } else if (Kind == pkDateRange) {
        dateFrom->SetDate(DateFromYyyymmdd(GetPiece(P, At, 1)));
        dateTo->SetDate(DateFromYyyymmdd(GetPiece(P, At, 2)));
        pgPeriodType->setCurrentWidget(tabRange);
    } else if (Kind == pkMonthRange && IsMonth(A) && IsMonth(B)) {
        pgPeriodType->setCurrentWidget(tabMonth);
        lbMonths->clearSelection();
        lbMonths->setCurrentRow(A - 1, QItemSelectionModel::NoUpdate);
        for (int M = std::min(A, B); M <= std::max(A, B); ++M)
            lbMonths->item(M - 1)->setSelected(true);
        lbMonths->setFocus();
        UpdateMonthsInfo();
    } else {
        SetPeriod(QStringLiteral("1@1"));
        return;
    }
    FPeriod = Text;
}

void TPeriodDropForm::UpdateMonthsInfo() {
    int Year = 0;
    if (!PeriodYear(Year)) {
        ShowErrorFmt(LoadStr(65190));
        return;
    }
    QList<int> Rows;
    for (int R = 0; R < lbMonths->count(); ++R)
        if (lbMonths->item(R)->isSelected()) Rows.append(R);
    if (Rows.size() > 1) {
        // A choice with gaps becomes one run.
        for (int R = Rows.first(); R <= Rows.last(); ++R)
            lbMonths->item(R)->setSelected(true);
        const QDate Today = ::Today();
        QDate To = LastDay(Year, Rows.last() + 1);
        if (Year == Today.year() && Rows.last() + 1 == Today.month()) To = std::min(To, Today);
        dateFrom->SetDate(QDateToDateTime(QDate(Year, Rows.first() + 1, 1)));
        dateTo->SetDate(QDateToDateTime(To));
    } else {
        const int Month = (Rows.isEmpty() ? std::max(lbMonths->currentRow(), 0) : Rows.first()) + 1;
        dateFrom->SetDate(QDateToDateTime(QDate(Year, Month, 1)));
        dateTo->SetDate(QDateToDateTime(LastDay(Year, Month)));
    }
}

bool TPeriodDropForm::CanDrop() {
    // As wide as the edit, but never narrower than the page tabs need.
    int TabsWidth = 2 * BasePanel()->frameWidth() + 8;
    for (int I = 0; I < pgPeriodType->count(); ++I)
        if (pgPeriodType->isTabVisible(I))
            TabsWidth += pgPeriodType->tabBar()->fontMetrics().horizontalAdvance(
                             QString(pgPeriodType->tabText(I)).remove(QLatin1Char('&'))) +
                         24;
    if (EditControl()) resize(std::max(EditControl()->width(), TabsWidth), height());
    return TDropDownForm::CanDrop();
}

// A range needs two real dates: an empty or impossible one is refused, never replaced.
bool TPeriodDropForm::CanOk() {
    if (pgPeriodType->currentWidget() != tabRange) return true;
    const TDateTime From = dateFrom->CheckedDate();
    if (From == 0) return false;
    const TDateTime To = dateTo->CheckedDate();
    if (To == 0) return false;
    if (To < From) {
        ShowErrorFmt(QStringLiteral("Началната дата (%s) не може да е по-голяма от крайната (%s) !"),
                     {dateFrom->text(), dateTo->text()});
        return false;
    }
    return true;
}

void TPeriodDropForm::DoOk() {
    pgPeriodType->setFocus();
    if (pgPeriodType->currentWidget() == tabMonth) {
        QList<int> Rows;
        for (int R = 0; R < lbMonths->count(); ++R)
            if (lbMonths->item(R)->isSelected()) Rows.append(R);
        if (Rows.size() < 2)
            FPeriod = QStringLiteral("1@%1").arg(
                (Rows.isEmpty() ? std::max(lbMonths->currentRow(), 0) : Rows.first()) + 1);
        else
            FPeriod = QStringLiteral("6@%1@%2").arg(Rows.first() + 1).arg(Rows.last() + 1);
    } else if (pgPeriodType->currentWidget() == tabRange) {
        FPeriod =
            QStringLiteral("5@") + DateToYyyymmdd(dateFrom->Date()) + At + DateToYyyymmdd(dateTo->Date());
    }
    TDropDownForm::DoOk();
}

bool TPeriodDropForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == lbMonths->viewport() && Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        UpdateMonthsInfo();
        actOk()->trigger();
        return true;
    }
    return TDropDownForm::eventFilter(Watched, Event);
}

// ---------------------------------------------------------------------------------------------
// TPeriodEdit

TPeriodEdit::TPeriodEdit(QWidget* Parent) : TCustomFormEdit(Parent) {
    SetEditorEnabled(false);
    SetSpinButtonVisible(false);
    SetGlyph(CalendarIcon());
    SetBitButtonWidth(18);
    // Without a parent: a drop-down inside a window would share the window's shortcuts.
    FForm = new TPeriodDropForm();
    SetDropDownForm(FForm);
}

TPeriodEdit::~TPeriodEdit() {
    delete FForm;
}

void TPeriodEdit::SetPeriod(const QString& Value) {
    if (Value == FPeriod) return;
    QString P = IsWellFormedPeriod(Value) ? Value : QString();
    if (!P.isEmpty() && !FVisiblePeriodTypes.Contains(TPeriodType(Field(P, 0) - 1))) {
        P.clear();
        for (int T = ptMonth; T <= ptMonthRange; ++T) {
            if (FVisiblePeriodTypes.Contains(TPeriodType(T))) {
                P = DefaultPeriodText(TPeriodType(T));
                break;
            }
        }
    }
    if (Field(P, 0) == pkMonthRange && (GetPiece(P, At, 1).isEmpty() || GetPiece(P, At, 2).isEmpty()))
        P = QStringLiteral("6@1@1");
    const bool Changed = P != FPeriod;
    FPeriod = P;
    ShowText();
    if (SaveLastPeriod && MControl) WriteRegString(RegistryName(), FPeriod);
    if (Changed && OnChange) OnChange(this);
}

void TPeriodEdit::SetShowYear(bool Value) {
    FShowYear = Value;
    ShowText();
}

void TPeriodEdit::ShowText() {
    setText(PeriodToText(FPeriod, 0, FShowYear));
    setCursorPosition(0);
}

QString TPeriodEdit::RegistryName() const {
    // The window the edit lives on: the widget under its sub-window, or its top-level window.
    const QWidget* Owner = this;
    while (Owner->parentWidget() && !Owner->isWindow() &&
           !qobject_cast<QMdiSubWindow*>(Owner->parentWidget()))
        Owner = Owner->parentWidget();
    return QStringLiteral("PERIOD_") + (MControl ? MControl->Name() : QString()) + QLatin1Char('_') +
           Owner->objectName() + QLatin1Char('_') + objectName();
}

void TPeriodEdit::Loaded() {
    if (!MControl) return;
    if (LoadLastPeriod) {
        SetPeriod(ReadRegString(RegistryName()));
    } else {
        QString Month;
        GetPeriodMonthStr(Month);
        SetPeriod(QStringLiteral("1@") + Month);
    }
}

void TPeriodEdit::Step(int Delta) {
    const int Kind = Field(FPeriod, 0);
    if (Kind < pkMonth || Kind > pkAccumulatedMonth) return;
    const int Max = Kind == pkQuarter ? 4 : Kind == pkHalfYear ? 2 : 12;
    const int N = Field(FPeriod, 1);
    if ((Delta > 0 && N < Max) || (Delta < 0 && N >= 2))
        SetPeriod(QStringLiteral("%1@%2").arg(Kind).arg(N + Delta));
}

void TPeriodEdit::UpClick() {
    if (!isReadOnly()) Step(1);
    TCustomFormEdit::UpClick();
}

void TPeriodEdit::DownClick() {
    if (!isReadOnly()) Step(-1);
    TCustomFormEdit::DownClick();
}

void TPeriodEdit::KeyPress(QChar& Key) {
    if (Key == QChar(0x7F) && !isReadOnly()) {
        SetPeriod(QString());
        Key = QChar();
        return;
    }
    TCustomFormEdit::KeyPress(Key);
}

void TPeriodEdit::mouseDoubleClickEvent(QMouseEvent* Event) {
    Event->accept();
    DropDown();
}

void TPeriodEdit::DropDown() {
    FForm->SetVisibleTypes(FVisiblePeriodTypes);
    FForm->SetPeriod(FPeriod);
    TCustomFormEdit::DropDown();
}

void TPeriodEdit::FormOk() {
    SetPeriod(FForm->Period());
    TCustomFormEdit::FormOk();
}
