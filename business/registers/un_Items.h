#pragma once
// The items register: code, description and item type; the contract window opens it too, to add
// a missing item, and is told when it has saved.

#include "business/registers/RegisterForm.h"

#include <QHash>

// Code, description, type name and type code.
extern const QString ItemsSelectSql;
extern const QString ItemTypesListSql;
// The item-type lookup's header.
extern const QString ItemTypesListHeader;

// The description is stored without leading and trailing blanks, by both statements.
QString ItemInsertSql(const QString& TableName, qint64 Code, const QString& Description, qint64 TypeCode);
QString ItemUpdateSql(const QString& TableName, const QString& NameField, const QString& Description,
                      qint64 TypeCode, const QString& KeyField, qint64 Code);
// Rows hold code, description and type name; a description is taken only under the same type.
QString ValidateItemInput(double Code, const QString& Description, qint64 TypeCode, const QString& TypeName,
                          const TGridRows& Rows);

class QLabel;
class TFloatEdit;
class TLimitedEdit;
class TListEdit;

class TfrmItems : public TRegisterForm {
    Q_OBJECT
public:
    explicit TfrmItems(QWidget* Owner = nullptr);

    TFloatEdit* feShifyr;
    TLimitedEdit* edNaimenovanie;
    TListEdit* leType;
    // The chosen type's name.
    QLabel* pnlType;

    bool Init() override;
    bool Reset() override;
    bool Execute() override;

    // The chosen type's code; 0 when none is chosen or the typed code is no type's.
    qint64 TypeCode() const;

protected:
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    std::optional<TNameClaim> EntryName() override;
    void EntryAdded(bool WasEditing) override;
    void RowToEdits(const QStringList& Cells) override;
    QList<TLookupReference> EntryReferences() override;
    QWidget* KeyEdit() override;
    QString DeleteStatement(const QString& KeyCell) override;
    int RefreshKind() const override { return 1; }

private:
    // The type code of each listed item by its code, so that Edit keeps the row's own type.
    QHash<qint64, qint64> FRowTypes;
};
