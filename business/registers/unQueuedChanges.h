#pragma once
// The queued changes of every register and document window. New, Edit and Delete only queue
// statements; Save writes the whole queue in one transaction or nothing of it, so a failed Save
// keeps the queue and can simply be repeated.
//
// A window inherits it beside its form class:
//     class TfrmItems : public TMAccountReadForm, public TQueuedChanges { Q_OBJECT ... };
// and follows these rules:
//  - New: build every statement of the record first, then Queue() them in one call, so that a
//    failure while building (a query that throws, a format that does not fit) leaves nothing
//    queued; only then touch the grid and the registry.
//  - Edit: StartEditing(the key of the lifted row, the key edit). The key edit turns read-only and
//    the UPDATE targets EditingKey, never what the key edit holds, so no other record can be
//    overwritten.
//  - A successful New: StopEditing().
//  - Save: the inherited Save, then SaveQueued(this); reload the list (and notify an opener) only
//    when it returned true.
//  - Closing: CloseQuery returns MayClose(the window's save).

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QObject;
class QWidget;

class TQueuedChanges {
public:
    virtual ~TQueuedChanges();

    // The statements waiting for Save, in the order they run.
    QStringList PendingSql;
    // True from a successful Edit to the next successful New.
    bool EditingRow = false;
    // The key of the row that Edit lifted, as its key cell showed it; empty when not editing.
    QString EditingKey;

    // Appends Statements together, after every one of them has been built.
    void Queue(const QStringList& Statements);
    int QueuedCount() const { return PendingSql.size(); }

    // Marks the row with Key as being edited; KeyEdit (a line edit or spin box; may be null)
    // becomes read-only until StopEditing.
    void StartEditing(const QString& Key, QWidget* KeyEdit);
    // Ends editing and gives the key edit back to the operator.
    void StopEditing();
    // Edit while a row is edited already: tells the operator so and is true.
    bool RefuseSecondEdit() const;

    // Runs the queue in one transaction on the shared connection. All ran: the queue is empty,
    // true. The first failure rolls everything back, shows the database error once and leaves the
    // queue as it was: false. Check runs inside the transaction first; a text from it refuses
    // the Save, as RunPendingSql says; so does CheckAfter, run after the queue before the commit.
    bool SaveQueued(QObject* Owner, const std::function<QString()>& Check = {},
                    const std::function<QString()>& CheckAfter = {});

    // Closing the window: with statements queued, asks message 65194; Yes runs Save and lets the
    // window close only when it saved, No lets it close (the queue goes with it), Cancel keeps it
    // open. Nothing queued: true, nothing asked.
    bool MayClose(const std::function<bool()>& Save) const;
    // F8 or a filter with statements queued: the same question. Yes runs Save (a saved queue
    // reloads the list itself), No runs Drop, Cancel keeps everything. Empty when the caller
    // goes on to reload; otherwise what its reload returns.
    std::optional<bool> AskBeforeReload(const std::function<bool()>& Save, const std::function<void()>& Drop);

private:
    QPointer<QWidget> FKeyEdit;
};

// Sets a line edit or spin box read-only; other widgets are enabled or disabled instead.
void SetKeyEditReadOnly(QWidget* KeyEdit, bool ReadOnly);

// Added to what a refused Save says of the entry it took out of the queue, while others stay.
QString RestMayBeSavedText();
