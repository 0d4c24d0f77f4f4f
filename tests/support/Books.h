#pragma once
// The books' invariants every contract scenario ends with.

#include <QString>

// The contracts whose books are wrong, "docno: what" joined by "; ": a contract without exactly one
// payout for its amount, or with principal repaid below 0 or above the loan. "" when all are right.
QString ContractBooksFaults();
