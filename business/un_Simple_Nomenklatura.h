#pragma once
// The code-and-name register (item types), and what every master-data register shares: the
// statements and checks below are free functions, the window only moves values between its
// edits, its grid and them.

#include <QList>
#include <QString>
#include <QStringList>

class QObject;

// The data rows of a register's grid, cell texts by column.
using TGridRows = QList<QStringList>;

// A typed code as the whole number the statements carry.
qint64 WholeKey(double Value);

QString SimpleSelectSql(const QString& KeyField, const QString& NameField, const QString& TableName);
// "Select max( key ) from table".
QString MaxKeySql(const QString& KeyField, const QString& TableName);
// The highest key of the query result plus 1; an empty table gives 1.
qint64 NextKey(const QString& MaxKeyText);
QString SimpleInsertSql(const QString& TableName, qint64 Code, const QString& Name);
QString SimpleUpdateSql(const QString& TableName, const QString& NameField, const QString& Name,
                        const QString& KeyField, qint64 Code);
QString SimpleDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code);

// "Шифър ... съществува" when a row's column 0 holds CodeText (and so on for the name), each
// message followed by "\n\r".
QString CodeTakenMessage(const QString& CodeText);
QString NameTakenMessage(const QString& Name);
// The messages for a new or edited entry, each followed by "\n\r"; empty when it may be queued.
QString ValidateSimpleInput(double Code, const QString& Name, const TGridRows& Rows);

// The delete question: noun, key and name of the row.
QString DeleteQuestion(const QString& RecordNoun, const QString& Key, const QString& Name);

// What still refers to the record Key of TableName: "вещи № 3, 8", "договори № 12; покупки № 4"
// and so on; empty when nothing does or the table is not one that documents refer to. Deleting
// such a record would make those documents vanish from every list joined through it.
QString RecordUseText(QObject* Owner, const QString& TableName, qint64 Key);
// The refusal shown instead of the delete question.
QString RecordInUseMessage(const QString& RecordNoun, const QString& Key, const QString& Name,
                           const QString& Uses);
