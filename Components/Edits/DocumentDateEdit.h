#pragma once
// The date field of a document: a TMADateEdit, which keeps what the operator typed and refuses a
// text that makes no date, with a button that drops down a calendar. It answers as a QDateEdit
// does, with the last date it accepted.

#include <QDate>
#include <QWidget>

class QToolButton;
class TMADateEdit;

class TDocumentDateEdit : public QWidget {
    Q_OBJECT
public:
    explicit TDocumentDateEdit(QWidget* Parent = nullptr);

    TMADateEdit* Edit() const { return FEdit; }
    // The last date accepted: set, picked, or typed and left or read checked.
    QDate date() const { return FDate; }
    void setDate(const QDate& Value);
    QString text() const;
    bool isReadOnly() const;
    // Read-only, the calendar does not drop down either.
    void setReadOnly(bool On);
    // The typed date, accepted; an invalid date after the message that says why, the focus in the
    // edit.
    QDate CheckedDate();

signals:
    void dateChanged(QDate Date);

private:
    void Accept(const QDate& Value);
    void DropDown();

    TMADateEdit* FEdit;
    QToolButton* FButton;
    QDate FDate;
};
