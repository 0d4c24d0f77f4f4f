#pragma once
// The settings window: the options of this workstation (kept in the registry) and the
// pawnshop's own data (settings codes 1 to 9 of the database).

#include "framework/forms/MAccountForm.h"

#include <QString>
#include <QStringList>

class QButtonGroup;
class QGroupBox;
class QTabWidget;
class TDelimitedStringList;
class TLimitedEdit;

inline constexpr int WorkstationOptionCount = 7;
inline constexpr int ShopSettingCount = 9; // codes 1 to 9

// The statements that bring codes 1 to 9 of Stored (rows "code@value" as read from VA) to Texts
// (the text of code N at N - 1): an INSERT for a code without a row, an UPDATE for one whose
// value differs, nothing for one that is the same.
QStringList ShopSettingsSql(const TDelimitedStringList& Stored, const QStringList& Texts);

// The radio item a stored option stands for: "1" is "да", anything else "не".
int OptionItemIndex(const QString& Stored);

class TfrmNAS : public TMAccountForm {
    Q_OBJECT
public:
    explicit TfrmNAS(QWidget* Owner = nullptr);
    ~TfrmNAS() override;

    QTabWidget* pcMain;
    QWidget* tab_NAS;
    QWidget* tab_VA;
    // rg_Registry_1 .. rg_Registry_7, each with the items "не" (0) and "да" (1).
    QGroupBox* rgRegistry[WorkstationOptionCount];
    // ed_VA_1 .. ed_VA_9.
    TLimitedEdit* edVA[ShopSettingCount];

    int OptionIndex(int Option) const;
    void SetOptionIndex(int Option, int Index);

    bool Init() override;
    bool Reset() override;
    bool Execute() override;
    bool Save() override;
    bool CloseQuery() override;

private:
    bool FClosing = false;
    QButtonGroup* FGroups[WorkstationOptionCount];
    TDelimitedStringList* FSettings;
};
