#pragma once
// A table held as text: records separated by a record delimiter, fields inside a record by a
// field delimiter, fields counted from 0. Every query result travels in a TDelimitedStringList
// made with "°" between records and "@" between fields.

#include "core/unStringList.h"
#include "core/unitTypes.h"

#include <QChar>
#include <QString>
#include <functional>
#include <vector>

class QIODevice;
class TStringGrid;

#define LENDORA_TABLE_EXCEPTION(Name)                                                                        \
    class Name : public Exception {                                                                          \
    public:                                                                                                  \
        using Exception::Exception;                                                                          \
    };
LENDORA_TABLE_EXCEPTION(ECannotChangeGridColumnsForSingleRow)
LENDORA_TABLE_EXCEPTION(ECannotCallThisMethodOnAttachedGrid)
LENDORA_TABLE_EXCEPTION(ECannotCallThisMethodWithoutAttachedGrid)
LENDORA_TABLE_EXCEPTION(ERecordDelimiterFoundInAlreadySeparatedString)
LENDORA_TABLE_EXCEPTION(EExtraRecordDelimiterFoundInAlreadySeparatedString)
LENDORA_TABLE_EXCEPTION(EExtraFieldDelimiterFoundInAlreadySeparatedString)
LENDORA_TABLE_EXCEPTION(EAddStringsFailed)
#undef LENDORA_TABLE_EXCEPTION

inline const QChar RecordDelimiterChar = QChar(0x00B0); // "°"
inline const QChar FieldDelimiterChar = QChar('@');
inline const QChar MarkerChar = QChar(0x00A4); // "¤", the first character of a totals row
// The first field of the totals row that a filtered list gets; a record whose first field is
// this text or starts with MarkerChar is a totals row.
inline const QString FilterTotalsText = QStringLiteral("Сума за филтъра");

class TDelimitedStrings;

// Called for each record that SetTextStr loads (parse) or that Get and GetTextStr read (read).
// The callback may replace Record, set Abort to stop the load or read at once, or set Separated
// to say that it has replaced the record or that the record is already separated.
// RecordNo counts from 1.
using TDelimitedRecordEvent = std::function<void(TDelimitedStrings* Sender, int RecordCount, bool& Abort,
                                                 bool& Separated, QString& Record, int RecordNo)>;

class TDelimitedStrings : public TPersistent {
public:
    TDelimitedStrings(QChar RecordDelimiter, QChar FieldDelimiter);
    ~TDelimitedStrings() override;

    QChar RecordDelimiter() const { return FRecordDelimiter; }
    void SetRecordDelimiter(QChar C) { FRecordDelimiter = C; }
    QChar FieldDelimiter() const { return FFieldDelimiter; }
    void SetFieldDelimiter(QChar C) { FFieldDelimiter = C; }
    QChar Marker() const { return FMarker; }
    void SetMarker(QChar C) { FMarker = C; }
    bool TrimRecords() const { return FTrimRecords; }
    void SetTrimRecords(bool Value) { FTrimRecords = Value; }
    // Set when a non-empty text is loaded or a record is inserted; cleared by Clear.
    bool HasData() const { return FHasData; }
    bool Aborted() const { return FAbort; }

    // The grid the table may be attached to. While a grid is attached the operations that
    // only make sense on the record array throw ECannotCallThisMethodOnAttachedGrid.
    TStringGrid* Grid() const { return FGrid; }
    void SetGrid(TStringGrid* Grid) { FGrid = Grid; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;
    TDelimitedRecordEvent OnParseRecord;
    TDelimitedRecordEvent OnReadRecord;

    // Records.
    int Count() const { return GetCount(); }
    virtual int GetCount() const = 0;
    virtual QString Get(int Index) const = 0;
    QString operator[](int Index) const { return Get(Index); }
    // Takes S by value so that a caller done with its text can move it in.
    virtual void Put(int Index, QString S) = 0;
    virtual TObject* GetObject(int Index) const = 0;
    virtual void PutObject(int Index, TObject* Obj) = 0;
    virtual int GetCapacity() const = 0;
    virtual void SetCapacity(int N) = 0;
    // Adds exactly one record, even when S holds record delimiters.
    virtual int Add(const QString& S) = 0;
    void Append(const QString& S) { Add(S); }
    int AddObject(const QString& S, TObject* Obj);
    // S cut or padded to N fields first.
    int AddWithFieldCount(const QString& S, int N);
    // Appends the records of Text (split as SetTextStr does).
    void AddText(const QString& Text);
    // From a TDelimitedStrings with the same record delimiter or from a TStringList;
    // EDifferentDelimiters or EAddStringsFailed otherwise.
    void AddStrings(const TPersistent& Source);
    virtual void Insert(int Index, const QString& S) = 0;
    void InsertObject(int Index, const QString& S, TObject* Obj);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int I, int J) = 0;
    void Move(int CurIndex, int NewIndex);
    // Case-insensitive; -1 when absent.
    virtual int IndexOf(const QString& S) const = 0;

    void BeginUpdate();
    void EndUpdate();

    // Fields; Col may equal the record's field count (reads as "", writes one more field).
    QString GetField(int Row, int Col) const;
    void SetField(int Row, int Col, const QString& Value);
    int GetRowFieldCount(int Row) const;
    void SetRowFieldCount(int Row, int N);
    void SetFieldCount(int N);

    // Whole text: records joined with the record delimiter, none after the last.
    QString GetTextStr() const;
    QString GetText() const { return GetTextStr(); }
    // A non-empty text yields PieceCount(Text, RecordDelimiter) records; "" yields none.
    void SetTextStr(const QString& Text);
    // SetTextStr with one OnChanging and one OnChange around it.
    void SetText(const QString& Text);
    // UTF-8 text, no terminator.
    void LoadFromStream(QIODevice& Stream);
    void SaveToStream(QIODevice& Stream) const;
    // Throw EStringListError when the file cannot be opened.
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;
    // Copies the records into Dest (cleared first) when the table has records.
    void AssignTo(TStringList& Dest) const;

protected:
    virtual void Changed();
    virtual void Changing();
    virtual void SetUpdateState(bool Updating) = 0;
    void CheckNotAttached() const;
    void SetHasData(bool Value) { FHasData = Value; }
    bool InSetText() const { return FInSetText; }
    QString ReadRecord(const QString& Record, int Index) const;
    void CopySettings(const TDelimitedStrings& Source);
    // Runs Work inside one BeginUpdate/EndUpdate bracket, which is closed when Work throws too.
    void InUpdate(const std::function<void()>& Work);

private:
    void AddParsedRecord(QString Record, int RecordCount, int RecordNo, bool Extra);
    int FUpdateCount = 0;
    QChar FRecordDelimiter;
    QChar FFieldDelimiter;
    TStringGrid* FGrid = nullptr;
    bool FAppendMode = false;
    bool FHasData = false;
    mutable bool FAbort = false;
    QChar FMarker = MarkerChar;
    bool FTrimRecords = false;
    bool FInSetText = false;
};

class TDelimitedStringList : public TDelimitedStrings {
public:
    explicit TDelimitedStringList(QChar RecordDelimiter = RecordDelimiterChar,
                                  QChar FieldDelimiter = FieldDelimiterChar);
    ~TDelimitedStringList() override;

    bool Sorted() const { return FSorted; }
    // Switching it on sorts the records.
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

    int GetCount() const override { return int(FRecords.size()); }
    QString Get(int Index) const override;
    void Put(int Index, QString S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* Obj) override;
    int GetCapacity() const override { return int(FRecords.capacity()); }
    void SetCapacity(int N) override;
    int Add(const QString& S) override;
    void Insert(int Index, const QString& S) override;
    void Delete(int Index) override;
    // Keeps, in their order and with their objects, the records (as Get reads them) that Keep
    // accepts, in one pass: deleting rejected records one by one costs the square of the count.
    void KeepRecords(const std::function<bool(const QString& Record)>& Keep);
    void Clear() override;
    void Exchange(int I, int J) override;
    int IndexOf(const QString& S) const override;
    // Binary search by AnsiCompareText: true when found; Index is the match (with dupAccept
    // the leftmost one) or the insertion point.
    virtual bool Find(const QString& S, int& Index) const;
    // Quicksort by AnsiCompareText; does not set Sorted.
    virtual void Sort();

    // From another TDelimitedStrings (delimiters, marker and records with their objects) or
    // from a TStringList; other sources are ignored.
    void Assign(const TPersistent& Source) override;
    std::unique_ptr<TPersistent> Clone() const override;

protected:
    void SetUpdateState(bool Updating) override;

private:
    using TRecord = TStringItem;
    void InsertRecord(int Index, const QString& S);
    std::vector<TRecord> FRecords;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
};
