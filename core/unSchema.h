#pragma once
// The database schema: the one place that holds DDL. The column order is part of the contract
// with the program, because every INSERT is positional.

#include <QString>
#include <QStringList>

// Every table and index of a new database, tables first; statements separated by ";".
QString SchemaScript();
// The settings rows of a new database: each code of VA with an empty value. No operators.
QStringList InitialSettingsRows();
// The statements that bring an older database up to date: clears Lines first.
void GetSchemaUpgradeStatements(QStringList& Lines);
// Table and Column of an "ALTER TABLE t ADD COLUMN c" statement; false for any other statement.
bool AddedColumn(const QString& Sql, QString& Table, QString& Column);
