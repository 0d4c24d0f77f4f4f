#include "tests/support/DbQuery.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"

#include <gtest/gtest.h>

QString QueryText(const QString& Sql) {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, Sql, &List);
    return List.GetTextStr();
}

void Exec(const QString& Sql) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, Sql)) << Sql.toStdString();
}
