#pragma once
// The register of motor vehicles: a code and eleven texts.

#include "business/registers/RegisterForm.h"

// The eleven text columns of MPS after the code, in table order.
extern const QStringList MpsTextFields;

QString MpsSelectSql(const QString& TableName, const QString& KeyField);
// Texts: the eleven values in column order; each is trimmed.
QString MpsInsertSql(const QString& TableName, qint64 Code, const QStringList& Texts);
QString MpsUpdateSql(const QString& TableName, const QStringList& Texts, const QString& KeyField,
                     qint64 Code);
QString MpsDeleteSql(const QString& TableName, const QString& KeyField, qint64 Code);
QString ValidateMpsInput(double Code, const QStringList& Texts, const TGridRows& Rows);

class TFloatEdit;
class TLimitedEdit;

class Tfrm_MPS : public TRegisterForm {
    Q_OBJECT
public:
    explicit Tfrm_MPS(QWidget* Owner = nullptr);

    TFloatEdit* code_mps;
    TLimitedEdit* marka;
    TLimitedEdit* model;
    TLimitedEdit* godina;
    TLimitedEdit* serien_nomer;
    TLimitedEdit* reg_nomer;
    TLimitedEdit* shasi_nomer;
    TLimitedEdit* motor_nomer;
    TLimitedEdit* polezen_tovar;
    TLimitedEdit* rezervni_gumi;
    TLimitedEdit* kilometrazh;
    TLimitedEdit* drugi_belezi;

    // The eleven texts in column order.
    QStringList Texts() const;

    bool Init() override;
    bool Reset() override;
    bool Execute() override;

protected:
    QString ValidateInput() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    void EntryAdded(bool WasEditing) override;
    void RowToEdits(const QStringList& Cells) override;
    QWidget* KeyEdit() override;
    QString DeleteStatement(const QString& KeyCell) override;

private:
    QList<TLimitedEdit*> TextEdits() const;
};
