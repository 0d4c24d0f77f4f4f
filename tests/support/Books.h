#pragma once
// The invariants of the shop's books that every document scenario ends with.

// Each contract's principal repaid lies between 0 and what was paid out on it, and is all of it
// on a redeemed contract; each sale with receipts received exactly its price. A broken one fails
// the running test, naming the contract or sale.
void ExpectBooksHold();
