#include "business/registers/unQueuedChanges.h"

#include "core/unDatabase.h"
#include "core/unMessages.h"

#include <QAbstractSpinBox>
#include <QLineEdit>

TQueuedChanges::~TQueuedChanges() = default;

void TQueuedChanges::Queue(const QStringList& Statements) {
    PendingSql += Statements;
}

void TQueuedChanges::StartEditing(const QString& Key, QWidget* KeyEdit) {
    if (FKeyEdit && FKeyEdit != KeyEdit) SetKeyEditReadOnly(FKeyEdit, false);
    EditingRow = true;
    EditingKey = Key;
    FKeyEdit = KeyEdit;
    if (KeyEdit) SetKeyEditReadOnly(KeyEdit, true);
}

void TQueuedChanges::StopEditing() {
    EditingRow = false;
    EditingKey.clear();
    if (FKeyEdit) SetKeyEditReadOnly(FKeyEdit, false);
    FKeyEdit.clear();
}

bool TQueuedChanges::RefuseSecondEdit() const {
    if (!EditingRow) return false;
    ShowErrorFmt(QStringLiteral("Не можете да редактирате два реда едновремнно!"));
    return true;
}

bool TQueuedChanges::SaveQueued(QObject* Owner, const std::function<QString()>& Check,
                                const std::function<QString()>& CheckAfter) {
    return RunPendingSql(Owner, PendingSql, Check, CheckAfter);
}

bool TQueuedChanges::MayClose(const std::function<bool()>& Save) const {
    if (PendingSql.isEmpty()) return true;
    switch (ConfirmYesNoCancelFmt(LoadStr(65194))) {
    case mrYes:
        return Save();
    case mrNo:
        return true;
    default:
        return false;
    }
}

std::optional<bool> TQueuedChanges::AskBeforeReload(const std::function<bool()>& Save,
                                                    const std::function<void()>& Drop) {
    if (PendingSql.isEmpty()) return std::nullopt;
    const TModalResult Answer = ConfirmYesNoCancelFmt(LoadStr(65194));
    if (Answer == mrYes) return Save();
    if (Answer != mrNo) return false;
    Drop();
    return std::nullopt;
}

void SetKeyEditReadOnly(QWidget* KeyEdit, bool ReadOnly) {
    if (auto* edit = qobject_cast<QLineEdit*>(KeyEdit))
        edit->setReadOnly(ReadOnly);
    else if (auto* spin = qobject_cast<QAbstractSpinBox*>(KeyEdit))
        spin->setReadOnly(ReadOnly);
    else if (KeyEdit)
        KeyEdit->setEnabled(!ReadOnly);
}

QString RestMayBeSavedText() {
    return QStringLiteral(" Останалото може да бъде записано с F2.");
}
