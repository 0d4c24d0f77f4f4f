#pragma once
// The register of borrowers, keyed by the personal number; the contract window opens it too, to
// add a missing borrower, and is told when it has saved.

#include "business/un_Simple_Nomenklatura.h"

class TDelimitedStringList;

// One borrower as typed, in the order of the table's columns.
struct TOwnerEntry {
    double EGN = 0;
    QString Three_names;
    QString town;
    QString address;
    QString telephone;
    QString GSM;
    bool is_male = true;
    bool is_married = false;
    int pref_code = 1;
    QString lk_nomer;
    QString lk_izdadena_na;
    QString lk_ot_MVR;
    QString current_address;
};

// The personal number as the grid shows it: the whole number left-padded with "0" to 10 digits.
QString OwnerKeyText(double EGN);

QString OwnersSelectSql(const QString& NameField);
// Column 0 padded to 10 digits, the sex and marital columns in words.
void FormatOwnerRows(TDelimitedStringList& List);
// The thirteen grid cells of an entry.
QStringList OwnerDisplayRow(const TOwnerEntry& Entry);
// Every text trimmed.
QString OwnerInsertSql(const QString& TableName, const TOwnerEntry& Entry);
// The row with personal number Key; the first five texts as typed, the last four trimmed.
QString OwnerUpdateSql(const QString& TableName, const QString& NameField, const QString& KeyField,
                       const TOwnerEntry& Entry, qint64 Key);
QString OwnerDeleteSql(const QString& TableName, const QString& KeyField, double EGN);
QString ValidateOwnerInput(const TOwnerEntry& Entry, const TGridRows& Rows);
