#pragma once
// What every master-data register shares: the entry typed into the parameter panel, New (F4)
// checks it and queues an INSERT (an UPDATE while a row is edited) and shows the row, Edit (F3)
// lifts the current row into the edits, Delete (F5) asks and queues a DELETE, Save (F2) writes
// the queue in one transaction and reloads. Nothing reaches the database before Save.
//
// A register supplies its edits and statements through the protected virtuals; its statement
// building and checks are free functions of its own unit, tested without a window.

#include "business/registers/unQueuedChanges.h"
#include "framework/forms/MAccountReadForm.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TDelimitedStringList;
class TFloatEdit;

// The data rows of a register's grid, cell texts by column.
using TGridRows = QList<QStringList>;

// The codes a register accepts: 1 to nine digits. Codes travel through the documents as 32-bit
// numbers, and a fee's code + 5 (its payment type) must stay one; 0 and below mean "none".
constexpr qint64 MaxRegisterCode = 999999999;
bool IsRegisterCode(double Value);
// "Select max( key ) from table".
QString MaxKeySql(const QString& KeyField, const QString& TableName);
// The highest key of the query result plus 1; an empty table gives 1.
qint64 NextKey(const QString& MaxKeyText);
// Puts the table's highest key plus one into Edit: the number proposed for a new record or
// document.
void ProposeNextKey(QObject* Owner, const QString& TableName, const QString& KeyField, TFloatEdit* Edit);

// "Шифър ... съществува" and "Наименование ... съществува", each followed by "\n\r".
QString CodeTakenMessage(const QString& CodeText);
QString NameTakenMessage(const QString& Name);

// The delete question: noun, key and name of the row.
QString DeleteQuestion(const QString& RecordNoun, const QString& Key, const QString& Name);

// "Plural № 3, 8": the numbers in column 0 of List, at most ten of them, then "и още N".
QString NumbersUseText(const QString& Plural, const TDelimitedStringList& List);
// What still refers to the record Key of TableName: "вещи № 3, 8", "договори № 12; покупки № 4"
// and so on; empty when nothing does or the table is not one that documents refer to. Deleting
// such a record would make those documents vanish from every list joined through it.
QString RecordUseText(QObject* Owner, const QString& TableName, qint64 Key);
// The refusal shown instead of the delete question.
QString RecordInUseMessage(const QString& RecordNoun, const QString& Key, const QString& Name,
                           const QString& Uses);

// A record of another register that an entry refers to, named by Noun in messages.
struct TLookupReference {
    QString Table;
    QString KeyField;
    qint64 Code;
    QString Noun;
};
// The refusal of a Save whose entry refers to a record deleted since it was queued.
QString LookupGoneMessage(const TLookupReference& Reference);

// "Заемополучател 8001011234 е променен междувременно." (Deleted: "... е изтрит ..."), the words
// agreeing with the noun: the record Key that an edit was typed against is no longer as it was.
QString RecordChangedMeanwhileText(const QString& RecordNoun, const QString& Key, bool Deleted);

// A name an entry gives its record: no other record of the table may hold it, once both are
// trimmed; Scope, when given, is a condition that narrows "other" (an item's type).
struct TNameClaim {
    QString Name;
    QString Scope;
    // The refusal; empty: NameTakenMessage(Name).
    QString Message{};
};
// "Select count(*)" of the records of TableName whose trimmed NameField is Claim's name.
QString NameCountSql(const QString& TableName, const QString& NameField, const TNameClaim& Claim);

// The accepted characters of every text edit of the registers: no double quote can be typed.
extern const QString RegisterValidChars;

class TRegisterForm : public TMAccountReadForm, public TQueuedChanges {
    Q_OBJECT
public:
    explicit TRegisterForm(QWidget* Owner = nullptr);

    // The window that opened the register to add a missing record (the contract window), told
    // after every successful Save; null otherwise.
    QPointer<QObject> OpenerHandle;
    void SetOpenerHandle(QObject* Handle) { OpenerHandle = Handle; }

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    // F8, and every reload: with statements queued it asks first, since the reloaded grid would no
    // longer show them (Yes saves, No drops them, Cancel keeps everything as it is). A row being
    // edited comes back from the database and is no longer edited.
    bool DoExecute() override;
    // Refused whole, keeping the queue, when a record whose delete is queued has come into use
    // since (another window saved a document on it), or a record that a queued entry refers to
    // has gone since (another window deleted it). A new record that another workstation stored
    // meanwhile (NewRecordRefusal), and an edit whose stored record another window or workstation
    // changed or deleted since F3 lifted it, are refused alone: the entry leaves the queue and the
    // list, with what was queued on its record after it, and the rest can be saved.
    bool Save() override;
    bool Add() override;
    // Lifts the current row, keeping its record as stored now: Save refuses the edit when the
    // record is no longer so. A record deleted meanwhile is not lifted; its row leaves the list.
    bool Edit() override;
    bool Delete() override;
    // Queued statements are not dropped silently: the operator may save them, drop them or stay.
    bool CloseQuery() override;
    QString GetReportTitle() override;

    // The grid's data rows; an empty grid's single blank row is none.
    TGridRows GridRows() const;
    // Shows an entry: reuses the grid's only row when it is blank, else appends a row; the row
    // becomes current with its attributes reset.
    void PutGridRow(const QStringList& Cells);
    // Runs Sql into the grid through the filter; Transform rewrites the rows first.
    bool LoadRows(const QString& Sql, const std::function<void(TDelimitedStringList&)>& Transform = {});
    // Puts the table's highest key + 1 into KeyEdit.
    void ProposeNextKey(TFloatEdit* KeyEdit);
    // A whole-number edit for the record's code on the parameter panel.
    TFloatEdit* NewCodeEdit(const QString& Name, int Width);

protected:
    // Validation messages, each followed by "\n\r"; empty when the entry may be queued.
    virtual QString ValidateInput() = 0;
    // Every statement of the entry, built in full before any is queued; EditingKey holds the key
    // of the lifted row while EditingRow is on.
    virtual QStringList EntryStatements() = 0;
    // The grid cells of the entry.
    virtual QStringList EntryRow() = 0;
    // After the entry is queued and shown: propose the next key, remember the new record.
    virtual void EntryAdded(bool WasEditing) {}
    // The cells of a lifted row into the edits.
    virtual void RowToEdits(const QStringList& Cells) = 0;
    // The edit that holds the key; read-only while a row is edited.
    virtual QWidget* KeyEdit() = 0;
    virtual QString DeleteStatement(const QString& KeyCell) = 0;
    // lParam of the refresh message to the opener: 1 an item, 2 an owner, 0 none is sent.
    virtual int RefreshKind() const { return 0; }
    // The records of other registers the entry refers to; Save checks they still exist.
    virtual QList<TLookupReference> EntryReferences() { return {}; }
    // The trimmed name the entry stores in NameField; Save refuses it when another window or
    // workstation stored it meanwhile. None for registers without names.
    virtual std::optional<TNameClaim> EntryName() { return std::nullopt; }
    // Inside Save: why the new record with key Key may not be added, stored meanwhile by another
    // workstation; "" when it may. Registers whose keys are not checked give "".
    virtual QString NewRecordRefusal(qint64 Key) { return {}; }

    // Whether a key cell names a stored record, so that Edit and Delete may act on its row: a
    // non-zero whole number here; registers with a text key say otherwise.
    virtual bool IsRecordKey(const QString& KeyCell) const { return KeyOfCell(KeyCell) != 0; }
    // The condition that picks the record of a key cell out of TableName: "KeyField = key" here;
    // registers with a text key or a key of two columns say otherwise.
    virtual QString RecordCondition(const QString& KeyCell) const;

    // The key of a key cell; 0 when it is no whole number (an empty row).
    static qint64 KeyOfCell(const QString& KeyCell);
    // One header row of Titles over columns of Widths pixels, no fixed column, the first column in
    // view and current.
    void SetGridColumns(const QStringList& Titles, const QList<int>& Widths);
    // Empties the queue without saving it.
    void DropQueue();

private:
    // What each New, Edit and Delete queued, in the queue's order: the record (its key cell and
    // RecordCondition), its statements, what a New or Edit refers to and the name it stores, the
    // name cell of a Delete's row, and the record as stored when Edit lifted it (none when it was a
    // new record of this queue).
    enum class TEntryKind { New, Edited, Deleted };
    struct TQueuedEntry {
        TEntryKind Kind = TEntryKind::New;
        QString KeyCell;
        QString Record;
        QStringList Statements;
        QList<TLookupReference> References;
        std::optional<TNameClaim> Name;
        QString NameCell;
        std::optional<QString> Lifted;
    };
    QList<TQueuedEntry> FQueuedEntries;
    // The record of the row being edited as Edit read it.
    std::optional<QString> FLifted;
    // The record of Condition as stored now, its fields joined; none when it is not stored.
    std::optional<QString> StoredRecord(const QString& Table, const QString& Condition);
    // Inside Save, before the queue runs: the refusal for the first queued entry that may not be
    // written now, empty when all may. Dropped is set to that entry's index when it alone is
    // refused, so that it leaves the queue.
    QString QueuedEntriesRefused(std::optional<int>& Dropped);
    // The refusal of entry Index, Drop set when it alone is refused.
    QString EntryRefusal(int Index, bool& Drop);
    // After the queue ran: the refusal for the first name of the queued entries that two records
    // now hold.
    QString QueuedNamesTaken();
    // Takes entry Index out of the queue and the list, with what was queued on its record after it.
    void DropEntry(int Index);
};
