#pragma once
// The items register: code, description and item type; the contract window opens it too, to add
// a missing item, and is told when it has saved.

#include "business/un_Simple_Nomenklatura.h"

extern const QString ItemsSelectSql;
extern const QString ItemTypesListSql;
// The item-type lookup's header.
extern const QString ItemTypesListHeader;

// The description is stored without leading and trailing blanks.
QString ItemInsertSql(const QString& TableName, qint64 Code, const QString& Description, qint64 TypeCode);
QString ItemUpdateSql(const QString& TableName, const QString& NameField, const QString& Description,
                      qint64 TypeCode, const QString& KeyField, qint64 Code);
// Rows hold code, description and type name; a description is taken only under the same type.
QString ValidateItemInput(double Code, const QString& Description, qint64 TypeCode, const QString& TypeName,
                          const TGridRows& Rows);
