#pragma once
// The pick lists behind the lookup fields of the register and document windows: items, owners,
// vehicles, fees, payment types, purchases and the items on sale. Each fills its lookup edit from
// one query and writes nothing. A failing query leaves the routine with its EDatabaseError and
// the lookup as it was. Every function is true once its query has run. The item, owner and
// vehicle lookups read a code they do not list from its register, so that what another window
// or workstation registered since is found.

class QObject;
class TCustomListEdit;

// The item list of the sale window. Pledged: the pledge contracts declared for sale and not sold
// or finished, with what is owed on each (the total debt with fees when the workstation option
// rg_Registry_4 is on, else the outstanding principal). A contract whose amount cannot be computed
// shows none; with the total debt, those contracts are named in one warning at the end. Not
// pledged: the unsold purchases with their price. The edit's text is cleared first.
bool ExtractContractsForSale(QObject* Owner, bool Pledged, TCustomListEdit* ListEdit);

// Items by type name and serial number: code, type, serial number.
bool GetItemsList(QObject* Owner, TCustomListEdit* ListEdit);
// The item lookup with no rows yet: each code typed is read from the register on its own, and
// GetItemsList fills all of them when the list is to be shown. A shop holds as many items as
// contracts, too many to read when a window opens.
void StartItemsList(QObject* Owner, TCustomListEdit* ListEdit);
// Every purchase, sold or not, with its price; the edit's text is cleared first.
bool GetUnsoldPurchasesList(QObject* Owner, TCustomListEdit* ListEdit);
// Owners by name: the personal number padded to 10 digits, names, preferential code.
bool GetOwnersList(QObject* Owner, TCustomListEdit* ListEdit);
// Fees by code: code, name, "да"/"не" for a one-time fee.
bool GetTaxesList(QObject* Owner, TCustomListEdit* ListEdit);
// Vehicles by code: code, make, model, registration number.
bool GetVehiclesList(QObject* Owner, TCustomListEdit* ListEdit);
// The payment types of cash receipts: the five fixed ones, then one per fee (code_t + 5).
bool GetPaymentTypesList(QObject* Owner, TCustomListEdit* ListEdit);
