#pragma once
// The register of borrowers, keyed by the personal number; the contract window opens it too, to
// add a missing borrower, and is told when it has saved.

#include "business/registers/RegisterForm.h"

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

// A personal number has ten digits at most; 0 and below are none.
constexpr qint64 MaxPersonalNumber = 9999999999;
bool IsPersonalNumber(double EGN);

// The personal number as the grid shows it: the whole number left-padded with "0" to 10 digits.
QString OwnerKeyText(double EGN);

QString OwnersSelectSql(const QString& NameField);
// Column 0 padded to 10 digits, the sex and marital columns in words.
void FormatOwnerRows(TDelimitedStringList& List);
// The thirteen grid cells of an entry.
QStringList OwnerDisplayRow(const TOwnerEntry& Entry);
// Every text trimmed.
QString OwnerInsertSql(const QString& TableName, const TOwnerEntry& Entry);
// The row with personal number Key; every text trimmed.
QString OwnerUpdateSql(const QString& TableName, const QString& NameField, const QString& KeyField,
                       const TOwnerEntry& Entry, qint64 Key);
QString OwnerDeleteSql(const QString& TableName, const QString& KeyField, double EGN);
QString ValidateOwnerInput(const TOwnerEntry& Entry, const TGridRows& Rows);
// The entry as its statements store it: every text trimmed.
TOwnerEntry OwnerAsStored(const TOwnerEntry& Entry);
// The refusal of a new borrower whose personal number EGN another workstation registered
// meanwhile, under the name Name.
QString OwnerRegisteredMeanwhileText(const QString& EGN, const QString& Name);

class QGroupBox;
class QRadioButton;
class QSpinBox;
class TFloatEdit;
class TLimitedEdit;

class TfrmOwners : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmOwners(QWidget* Owner = nullptr);

    TFloatEdit* feEGN;
    TLimitedEdit* edThree_names;
    TLimitedEdit* edTown;
    TLimitedEdit* edAddress;
    TLimitedEdit* edTelephone;
    TLimitedEdit* edGSM;
    QGroupBox* rgIs_Male;
    QRadioButton* rbMale;
    QRadioButton* rbFemale;
    QGroupBox* rgIs_Married;
    QRadioButton* rbMarried;
    QRadioButton* rbNotMarried;
    QSpinBox* sePref_code;
    TLimitedEdit* lk_nomer;
    TLimitedEdit* lk_izdadena_na;
    TLimitedEdit* lk_ot_MVR;
    TLimitedEdit* Current_address;

    // The borrower typed into the edits.
    TOwnerEntry Entry() const;

    bool Init() override;
    bool Execute() override;

protected:
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    std::optional<TNameClaim> EntryName() override;
    // The same person queued at two workstations is registered by the first Save.
    QString NewRecordRefusal(qint64 Key) override;
    void EntryAdded(bool WasEditing) override;
    void RowToEdits(const QStringList& Cells) override;
    QWidget* KeyEdit() override;
    QString DeleteStatement(const QString& KeyCell) override;
    int RefreshKind() const override { return 2; }

private:
    QList<TLimitedEdit*> TextEdits() const;
};
