#pragma once
// Reading and writing the test database (AdoConnection) from the tests.

#include <QString>

// The text of a query's result, records "°"- and fields "@"-separated.
QString QueryText(const QString& Sql);
// Runs one statement; a failure fails the running test.
void Exec(const QString& Sql);
