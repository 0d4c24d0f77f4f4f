#include "Components/Edits/DocumentDateEdit.h"

#include "Components/Edits/FilteredEdit.h"
#include "core/unNumbers.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QToolButton>

TDocumentDateEdit::TDocumentDateEdit(QWidget* Parent)
    : QWidget(Parent), FEdit(new TMADateEdit(this)), FButton(new QToolButton(this)) {
    auto* Row = new QHBoxLayout(this);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(0);
    Row->addWidget(FEdit);
    Row->addWidget(FButton);
    setFocusProxy(FEdit);
    FButton->setArrowType(Qt::DownArrow);
    FButton->setFocusPolicy(Qt::NoFocus);
    FButton->setFixedWidth(FEdit->sizeHint().height());
    connect(FButton, &QToolButton::clicked, this, [this] { DropDown(); });
    // Leaving the edit completes a date it can; a text that makes no date is refused there.
    connect(FEdit, &QLineEdit::editingFinished, this, [this] {
        if (const TDateTime Value = FEdit->Date(); Value != 0) Accept(DateTimeToQDate(Value));
    });
}

void TDocumentDateEdit::setDate(const QDate& Value) {
    FEdit->SetDate(QDateToDateTime(Value));
    Accept(Value);
}

QString TDocumentDateEdit::text() const {
    return FEdit->text();
}

bool TDocumentDateEdit::isReadOnly() const {
    return FEdit->isReadOnly();
}

void TDocumentDateEdit::setReadOnly(bool On) {
    FEdit->setReadOnly(On);
    FButton->setEnabled(!On);
}

QDate TDocumentDateEdit::CheckedDate() {
    const TDateTime Value = FEdit->CheckedDate();
    if (Value == 0) return QDate();
    FEdit->SetDate(Value);
    Accept(DateTimeToQDate(Value));
    return FDate;
}

void TDocumentDateEdit::Accept(const QDate& Value) {
    if (Value == FDate) return;
    FDate = Value;
    emit dateChanged(FDate);
}

void TDocumentDateEdit::DropDown() {
    auto* Popup = new QWidget(this, Qt::Popup);
    Popup->setAttribute(Qt::WA_DeleteOnClose);
    auto* Calendar = new QCalendarWidget(Popup);
    auto* Layout = new QHBoxLayout(Popup);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Calendar);
    Calendar->setGridVisible(true);
    Calendar->setDateRange(DateTimeToQDate(FEdit->FromDate()), DateTimeToQDate(FEdit->ToDate()));
    const TDateTime Typed = FEdit->Date();
    Calendar->setSelectedDate(Typed != 0 ? DateTimeToQDate(Typed) : FDate);
    // The focus comes back before the date is taken, so that a window refusing the new date can
    // send the focus where the fault is.
    const auto Pick = [this, Popup](QDate Day) {
        Popup->close();
        FEdit->setFocus(Qt::PopupFocusReason);
        setDate(Day);
        if (FEdit->hasFocus()) FEdit->selectAll();
    };
    connect(Calendar, &QCalendarWidget::clicked, Popup, Pick);
    connect(Calendar, &QCalendarWidget::activated, Popup, Pick);
    Popup->move(mapToGlobal(QPoint(0, height())));
    Popup->show();
    Calendar->setFocus(Qt::PopupFocusReason);
}
