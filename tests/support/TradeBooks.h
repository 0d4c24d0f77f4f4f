#pragma once
// The books of purchases and sales as every scenario must leave them, read from the test database:
// each purchase paid by its own payment order for its price on its day, each sale with receipts
// taken in by one for its price on its day, every purchase payment and sale receipt naming its
// document, each sale dated no earlier than its origin and marked on it, nothing after Today.

// Fails the running test, naming each broken rule and the documents that break it.
void ExpectTradeBooksHold(int Today);
