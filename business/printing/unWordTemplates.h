#pragma once
// Printing of the pledge contract and the item label from their Word templates in Programs/:
// the contract's values replace the template's placeholder words and the filled document goes to
// the printer. A computer without the document converter fails with OfficeMissingText().

#include <QString>

class QObject;
class TDelimitedStringList;

// The contract template, the copy of the contract last printed on any workstation (never the
// file a print fills) and the label template, under ProgramDir.
QString ContractTemplatePath();
QString ContractWorkingCopyPath();
QString LabelTemplatePath();

// The label printer's name; the workstation value "Label_Printer" names another queue.
QString LabelPrinterName();

// The placeholder records "name@value" of contract DocNo in the order they are applied. False
// after the message when the contract, its vehicle, borrower or item is missing or a fee
// calculator fails; a failing query raises its EDatabaseError.
bool BuildContractRecords(QObject* Owner, int DocNo, TDelimitedStringList& Records);

// Copies the contract template into a folder of this print's own, fills it with contract DocNo,
// prints it on the printer chosen in the program and then keeps it as ContractWorkingCopyPath().
void PrintContractDocument(QObject* Owner, int DocNo);

// The document a label is stuck on the item for: a pledge contract, or a purchase.
enum class TLabelDocument { Contract, Purchase };

// Prints the label of document DocNo's item from TemplatePath on the label printer; the template
// itself is left unchanged. The template names a contract; a purchase's label names the purchase.
void PrintItemLabel(const QString& TemplatePath, const QString& DocNo, const QString& ItemName,
                    TLabelDocument Document = TLabelDocument::Contract);
