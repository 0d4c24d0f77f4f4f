#pragma once
// The register of motor vehicles: a code and eleven texts.

#include "business/un_Simple_Nomenklatura.h"

// The eleven text columns of MPS after the code, in table order.
extern const QStringList MpsTextFields;

QString MpsSelectSql(const QString& TableName, const QString& KeyField);
// Texts: the eleven values in column order; each is trimmed.
QString MpsInsertSql(const QString& TableName, qint64 Code, const QStringList& Texts);
QString MpsUpdateSql(const QString& TableName, const QStringList& Texts, const QString& KeyField,
                     qint64 Code);
QString MpsDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code);
QString ValidateMpsInput(double Code, const QStringList& Texts, const TGridRows& Rows);
