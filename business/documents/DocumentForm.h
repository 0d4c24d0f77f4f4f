#pragma once
// What every document window shares (pledge contracts, cash receipts and payments, purchases,
// sales): the document typed into the parameter panel, New (F4) validates it, queues its
// statements (with its linked orders) and shows its row; Edit (F3) and Delete (F5) of a saved
// document ask the manager's password first, the caption turning red while a row is edited; Save
// (F2) writes the queue in one transaction and reads again the rows of the documents it wrote
// (what other windows saved meanwhile shows after F8); Ctrl+F9 prints the selected document.
// Nothing reaches the database before Save.
//
// The queue holds documents: each new, edited or deleted document with its number and every
// statement it queued. A new document stays the window's own until Save: Delete takes it back out
// of the queue, and Save gives it the lowest free number, after the one typed before it, when
// another window has saved one under its number meanwhile. When Save refuses because of one
// document, that document leaves the queue and the rest can be saved. Closing, F8 or a filter
// with anything queued or a document lifted asks whether to save it. The operator signed in when
// Save writes signs every queued document; once the operators register holds anyone, nothing is
// written unsigned.
//
// A window makes its number, date and amount edits with the builders, in the order its tab
// order wants, and fills in the protected hooks; its validation, statements and list queries are
// free functions of its own unit, tested without a window.

#include "business/printing/unWordTemplates.h"
#include "business/registers/unQueuedChanges.h"
#include "framework/forms/MAccountReadForm.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QGridLayout;
class QLabel;
class QPushButton;
class TDelimitedStringList;
class TDocumentDateEdit;
class TFloatEdit;
class TLimitedEdit;
class TListEdit;
class TRichGrid;

// The messages about a document's number, each after "\n\r": one for every grid row that shows
// the number already, and "Въведете номер на документ" when it is 0.
QString DocNoValidationText(double DocNo, const QStringList& GridNumbers);
// Appends a row of Cells to Grid (into the blank row of an empty list); the row.
int AppendGridRow(TRichGrid* Grid, const QStringList& Cells);
// The statements of a new document of Table moved from number From to To: its own row (the first
// value of its INSERT into Table) and the orders queued beside it (an INSERT whose number is a
// query names its document third). Other statements and values stay as they are.
QStringList RenumberedDocumentSql(const QStringList& Statements, const QString& Table, qint64 From,
                                  qint64 To);
// The DELETE of the document whose KeyField is Number.
QString DocumentDeleteSql(const QString& Table, const QString& KeyField, qint64 Number);
// Asks for the sign-in when a document window is to save while nobody is signed in and the
// operators register holds someone; the windows then carry the name. The main window sets it;
// without it, or when the operator does not sign in, Save refuses and says why.
extern std::function<bool()> SignInBeforeSave;
// Before a Save of queued work: asks SignInBeforeSave when nobody is signed in (UserName empty)
// and the operators register holds someone.
void SignInIfUnsigned(QObject* Owner, const QString& UserName);

// A record a document was typed against: Table's row whose KeyField is Key, and the values of its
// Columns the window took from it (as a query reads them). Save refuses the document when the row
// is gone or holds other values. Name says which record ("Вещ с шифър 5"), Ending makes the words
// after it agree ("а" for a feminine one); a document's gone row "е изтрит междувременно", a
// register's "не съществува".
struct TDocumentReference {
    QString Name;
    QString Ending;
    bool Document = false;
    QString Table;
    QString KeyField;
    qint64 Key = 0;
    QStringList Columns = {};
    QStringList Values = {};
};
// The references every window shares: an owner (Role: "Заемополучател", "Продавач", "Купувач")
// with the values of Columns given as Values, an item, a vehicle, a purchase, a sale.
TDocumentReference OwnerReference(const QString& Role, const QString& OwnerCode,
                                  const QStringList& Columns = {}, const QStringList& Values = {});
TDocumentReference ItemReference(qint64 Item);
TDocumentReference VehicleReference(qint64 Vehicle);
TDocumentReference PurchaseReference(qint64 Purchase);
TDocumentReference SaleReference(qint64 Sale);

// The edit of an owner's (borrower's, seller's or buyer's) personal number, its names shown in
// Names; its button reloads the owners.
TListEdit* NewOwnerEdit(QWidget* Parent, QLabel* Names);
// The owner typed last in any document window: shown when a window opens, remembered when it
// closes.
void ShowLastOwner(TListEdit* Owner);
void RememberOwner(const TListEdit* Owner);

// A grid column under two header rows: its upper and lower caption, and how wide it is: Width
// pixels, or without one as wide as a typical value (Sample) or its caption, whichever is wider.
struct TDocumentColumn {
    const char* Upper;
    const char* Lower;
    const char* Sample = "";
    int Width = 0;
};

class TDocumentForm : public TMAccountReadForm, public TQueuedChanges {
    Q_OBJECT
public:
    explicit TDocumentForm(QWidget* Owner = nullptr);
    // Drops every queued document unwritten, as No to the close question does.
    void DropQueue();

    // The document's number, date and amount; the window makes them with the builders.
    TFloatEdit* feDocNo = nullptr;
    TDocumentDateEdit* dtDate_c = nullptr;
    TFloatEdit* feSum_c = nullptr;
    // Ctrl+F9: PrintDocument. The window gives it its text.
    QAction* ctrl_F9;

    bool Init() override;
    bool Done() override;
    // Caption, list, and the table's next number proposed.
    bool Reset() override;
    // New: a code typed that a lookup does not list is read from its register first, so that a
    // record registered since the list was filled is not refused.
    bool DoAdd() override;
    // A new document refused because its number is taken proposes the next free one.
    bool Add() override;
    bool Save() override;
    bool Edit() override;
    bool Delete() override;
    // With statements queued or a document lifted by F3: message 65194; Yes saves (a lifted
    // document queued first; a failed Save keeps the window open), No drops them, Cancel stays.
    bool CloseQuery() override;
    // F8 and the filter: with statements queued or a document lifted, the same question first; Yes
    // saves (the lifted document queued first; a saved queue reloads the list), No ends the edit,
    // drops the queue and reloads, Cancel keeps all as it is. With nothing queued or lifted then,
    // the number edit proposes the next free number: another workstation may have taken its own.
    bool DoExecute() override;

    // Before the window's load: the restore mark the list is read under, so that a Save after a
    // restore (another workstation's) reads the whole list again instead of only its own rows.
    bool Execute() override;

    // True while document Number is queued as new: typed, not yet saved.
    bool QueuedAsNew(qint64 Number) const;

    // The number of the selected row's document; 0 when the row holds none.
    qint64 SelectedDocNo() const;
    // Column 0 of every data row, and the numbers of queued documents no row shows, as validation
    // compares a new number with them.
    QStringList GridNumbers() const;
    // The item label of the selected document: its number and the item's name in column 3.
    void PrintLabel(TLabelDocument Document = TLabelDocument::Contract);

protected:
    // feDocNo and dtDate_c, made where the window's tab order wants them, and laid out with
    // their captions in row 0 from Column on.
    void MakeNumberAndDate();
    void LayOutNumberAndDate(QGridLayout* L, int Column);
    // A print button on the parameter panel; it takes no focus from the edits.
    QPushButton* NewPrintButton(const QString& Name, const QString& Text);
    // Edits on the parameter panel beside the read form's number edit: a day, a name of up to 60
    // characters without double quotes.
    TDocumentDateEdit* NewDateEdit(const QString& Name);
    TLimitedEdit* NewNameEdit(const QString& Name);

    // New: the validation messages gathered into one text, empty when the entry may be queued.
    virtual QString ValidateEntry() = 0;
    // New: every statement of the entry and its linked orders, built in full before any is
    // queued; an UPDATE of EditingKey while EditingRow is on.
    virtual QStringList EntryStatements() = 0;
    // New: the grid cells of the entry, after its statements are queued.
    virtual QStringList EntryRow() = 0;
    // Edit: the cells of the lifted row into the edits (the number is in feDocNo already).
    virtual void RowToEdits(const QStringList& Cells) = 0;
    // New: the records the entry was typed against, with the values the window took from them.
    // Save refuses the document when any of them is gone or changed since.
    virtual QList<TDocumentReference> EntryReferences();
    // After an edit ends, queued or given up: the window frees what it held fixed for the lifted
    // document. The base then puts back what the edits held before the lift, the number proposed
    // then, today and no amount.
    virtual void EditEnded();
    // New found the record of Lookup's code in its register: the window takes from it what it
    // takes when the code is typed, as far as that overwrites nothing the operator typed.
    virtual void CodeTaken(TListEdit* Lookup);
    // Ctrl+F9 and the window's print button.
    virtual void PrintDocument() = 0;

    // Edit and Delete refuse a document not saved yet (Save would write it all the same) when set;
    // otherwise an unsaved row can be changed.
    bool RefusesUnsavedDocuments = false;
    // The noun messages name the documents with; RecordNoun unless the window has a shorter one.
    virtual QString DocumentNoun() const;
    // "Покупка на вещ номер 5": document Number as messages name it.
    QString DocumentName(qint64 Number) const;
    // "а" when the noun is feminine, so that the words after it agree; else "".
    QString NounEnding() const;
    // Document Number is queued, not written: save it first.
    QString NotSavedText(qint64 Number) const;
    // Document Number is no longer in the books.
    QString GoneText(qint64 Number) const;
    // Delete on grid row Row, a data row: unless DeleteRefusal has a text, after the password and
    // the question (with DeleteNote below it), queues DeleteStatements and removes the row. True
    // when it queued.
    bool DeleteDocument(int Row);
    // The statements that delete document Number, shown on grid row Row, after the question.
    virtual QStringList DeleteStatements(int Row, qint64 Number);
    // Why saved document Number may not be deleted; "" when it may. Asked again inside Save, so
    // it must show nothing.
    virtual QString DeleteRefusal(qint64 Number);
    // What the delete question adds about document Number on grid row Row: what goes with it.
    virtual QString DeleteNote(int Row, qint64 Number);
    // Document Number was changed by another window since it was lifted.
    QString ChangedText(qint64 Number) const;
    // Marks Statement of the document being queued as one whose condition must still hold when
    // Save runs: Save runs it first inside its transaction, and when it changes no row, Refusal
    // refuses the document. The queue runs it again afterwards, so it must change nothing the
    // second time. The base guards every edit itself: its row must still be as F3 read it
    // (ChangedText, GoneText), and every document's references as the window took them.
    void Guard(const QString& Statement, const QString& Refusal);
    // Every queued document carries a key of its own while the window is open, so that a window
    // keeps what it knows of a document beside the queue: the key of the document being queued
    // now (in EntryStatements and DeleteStatements), and the keys of the queue in its order.
    int QueuingKey() const;
    QList<int> QueuedKeys() const;
    // Save: runs inside the transaction before the queue, so what it reads no other window can
    // change until the queue is written; it must show nothing. A text refuses the Save: nothing
    // is written and the text is shown. When one document is to blame, Refused is set to its key:
    // that document leaves the queue and the rest can be saved; otherwise the queue is kept. It
    // sees the statements as queued; taken numbers are replaced after it.
    virtual QString CheckInsideSave(int& Refused);
    // After a Save that wrote the queue and reloaded the list.
    virtual void Saved();
    // After a Save: the records the list's load makes of documents Numbers, before its filter and
    // sort, and whatever else the load refreshes beside the list. False when the list cannot be
    // read by number: Save then reloads all of it.
    virtual bool ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows);
    // The load orders its rows by the header's sort columns, then by number; otherwise by number.
    bool ListSortedByHeader = false;
    // The number proposed for the next new document: past every saved one. A window whose numbers
    // stay taken after their document is deleted looks further.
    virtual qint64 NextFreeNumber();
    // The query of the lowest number from From on that a new document may be saved as: no saved
    // document has it. A window whose numbers stay taken after their document is deleted skips
    // those too.
    virtual QString FreeNumberSql(qint64 From);

    // One header row of Titles over columns of Widths pixels, no fixed column.
    void SetGridColumns(const QStringList& Titles, const QList<int>& Widths);
    // Two header rows over Columns, no fixed column; Merges joins header cells as
    // SetMergeCellsStr takes them.
    void SetGridColumns(const QList<TDocumentColumn>& Columns, const QString& Merges);
    // Printing a contract of a queued document is refused with the hint to save first: true then.
    bool RefusePrintBeforeSave();
    // The selected document's number; 0, told, when the row holds none.
    qint64 DocumentToPrint();
    // The cells Columns of the selected row; none when the row has no number cell.
    QStringList SelectedCells(const QList<int>& Columns) const;
    // Runs Print under the wait cursor and shows what stops it: printing runs from buttons as
    // well as from the action.
    void RunPrint(const std::function<void()>& Print);

private:
    // Statements are queued as parts of documents only, so that dropping and renumbering a
    // document takes all of it.
    using TQueuedChanges::Queue;

    enum class TChange { New, Edited, Deleted };
    // A document queued since the last Save.
    struct TQueuedDocument {
        TChange Change = TChange::New;
        int Key = 0;
        qint64 Number = 0;
        QStringList Statements;
        // The statements, by place, whose condition must still hold at Save, and their refusals.
        QMap<int, QString> Guards;
        // The row Edit lifted or Delete removed, as it was.
        QStringList Row;
        // An edit: the document's stored row as F3 read it from its table.
        QString Stored;
        QList<TDocumentReference> References;
    };
    QList<TQueuedDocument> FDocuments;
    // What Guard marked, until the document it belongs to is queued.
    QHash<QString, QString> FGuarded;
    // The row the running edit lifted, its stored row as F3 read it, and the number the number
    // edit proposed before it.
    QStringList FLiftedRow;
    QString FLiftedStored;
    double FNumberBeforeEdit = 0;
    // What the parameter panel's edits and check boxes held before the lift, put back when the
    // edit ends.
    QList<std::pair<QPointer<QWidget>, QVariant>> FCarried;
    int FNextKey = 1;
    qint64 FLoadedRestoreMark = -1;

    // Appends Document, with what Guard marked of its statements, to the queue.
    void QueueDocument(TQueuedDocument Document);
    // PendingSql := the statements of the queued documents, in their order, signed by the
    // operator signed in now.
    void RequeueDocuments();
    // The statements Build makes, with the operator's marks in place of the user name: the
    // operator signs them when Save writes them.
    QStringList UnsignedStatements(const std::function<QStringList()>& Build);
    bool RefuseUnsaved(qint64 Number);
    // The lowest number from From on that a new document may be saved as (FreeNumberSql), and
    // whether Number is not.
    qint64 FirstFreeNumber(qint64 From);
    bool NumberTaken(qint64 Number);
    // Ends the running edit, queued or given up: the window as it was before the lift, ready for a
    // new document.
    void EndEditing();
    // Document Number's stored row, as a query reads it; "" when it is gone.
    QString StoredRow(qint64 Number);
    // Inside Save's transaction, before any statement runs: each edit's row still as F3 read it,
    // each document's references as the window took them; the refusal of the first document that
    // fails, Refused its place.
    QString RecheckTypedAgainst(int& Refused);
    // Inside Save's transaction: the queued deletes asked again, the guarded statements run; the
    // refusal of the first document that fails, Refused its place.
    QString RecheckDocuments(int& Refused);
    // What the operator is told of a document taken out of the queue.
    QString DroppedText(const TQueuedDocument& Document, bool OthersRemain) const;
    // Takes document Index out of the queue: its row goes, and the row it lifted or removed comes
    // back while the document is still in the books.
    void DropDocument(int Index);
    // The last data row showing document Number; -1 when none does.
    int GridRowOf(qint64 Number) const;
    bool ConfirmDelete(int Row, const QString& Note = QString());
    // Delete of a queued new document on grid row Row: its statements leave the queue.
    bool DropQueuedDocument(int Row, qint64 Number);
    // After a Save that wrote Saved (their numbers as queued in Queued): the rows of those
    // documents taken out of the list and read again into their sorted places, as a full reload
    // would show them. False when the list is not in its load's order or cannot be read by number.
    bool RefreshSavedRows(const QList<TQueuedDocument>& Queued, const QList<TQueuedDocument>& Saved);
    // -1, 0 or 1: how the load orders two records of the list.
    int CompareListRecords(const QStringList& A, const QStringList& B) const;
    // Inside Save's transaction: each queued new document whose number is saved by now, or is not
    // above the one typed before it once that one has moved, gets the lowest free number above
    // it; what was moved, one line each, into Moved. A document with no number left for it is
    // refused: the refusal, Refused its place.
    QString RenumberTakenNumbers(QStringList& Moved, int& Refused);
    // The number edit proposes the next free number: past every saved document and every one
    // queued here.
    void ProposeNextNumber();
};
