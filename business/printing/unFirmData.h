#pragma once
// The shop's own data on the legal documents it prints (contracts, cash orders): its name and
// БУЛСТАТ, entered in the settings window.

#include <QString>

class QObject;

// The question asked before a legal document is printed while the name or БУЛСТАТ is empty.
QString FirmDataMissingQuestion();

// True when the shop's name and БУЛСТАТ are both entered, or the operator chose to print without
// them; a failing query raises its EDatabaseError.
bool ConfirmFirmDataForPrinting(QObject* Owner);
