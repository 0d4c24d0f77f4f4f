#pragma once
// The invariants of the shop's books that every document scenario ends with, read from the test
// database.

#include <QString>

// The broken contracts and sales, "what: numbers" joined by "; ", or "" when all hold: each
// contract has exactly one payout, for its amount; its principal repaid lies between 0 and the
// loan, and is all of it on a redeemed contract; each sale with receipts received exactly its price.
// A scenario whose shop has redeemed contracts written without their receipts leaves out that rule.
QString ContractBooksFaults(bool RedeemedRepaid = true);
// The same rules, failing the running test with the faults named.
void ExpectBooksHold();

// The books of purchases and sales: each purchase paid by its own payment order for its price on
// its day, each sale with receipts taken in by one for its price on its day, every purchase payment
// and sale receipt naming its document, each sale dated no earlier than its origin and marked on
// it, nothing after Today. Fails the running test, naming each broken rule and its documents.
void ExpectTradeBooksHold(int Today);
