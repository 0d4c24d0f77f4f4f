#pragma once
// The filter dialog of the list windows: one input per filterable field, laid out in columns of
// labelled cells. Apply turns every input into a criterion and its filter and hands them to the
// window in field order.

#include "core/unStringList.h"

#include <QDialog>
#include <QList>

class QAction;
class QFrame;
class QPushButton;
class QScrollArea;
class TFieldProps;

class TfrmSimpleFilter : public QDialog {
    Q_OBJECT
public:
    // Lays the dialog out over the leaves of Root. It stands as a window of its own: inside the
    // list window it would share that window's keys.
    explicit TfrmSimpleFilter(TFieldProps* Root, QWidget* Parent = nullptr);
    ~TfrmSimpleFilter() override;

    QScrollArea* ScrollBox;
    QFrame* pnlButtons;
    QPushButton* btnOk;
    QPushButton* btnClear;
    QPushButton* btnCancel;
    QAction* actOk;
    QAction* actClear;
    QAction* actCancel;

    // Owned by the opener, and it owns the filters; Apply fills it with one entry per field (criterion text,
    // TFilterMan or none), or leaves it empty when no field has a criterion.
    TLineConv* Criteria() const { return FCriteria; }
    void SetCriteria(TLineConv* Value) { FCriteria = Value; }

    // The fields as (label text, leaf) and their inputs, in the same order.
    const TStringList& Fields() const { return FFields; }
    QWidget* Input(int Index) const { return FInputs.value(Index); }
    int ColumnCount() const { return FColumns; }
    int RowCount() const { return FRows; }

    // Fills Criteria and closes with OK. A criterion that its field cannot read is reported, the
    // dialog stays open and Criteria keeps what it held.
    void Apply();
    // Empties every input and Criteria; the dialog stays open.
    void ClearInputs();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Layout();

    TLineConv* FCriteria = nullptr;
    TStringList FFields;
    QList<QWidget*> FInputs;
    int FColumns = 2;
    int FRows = 0;
};
