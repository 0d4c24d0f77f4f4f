#include "framework/forms/MAccountEditForm.h"

#include "core/unMessages.h"

#include <QScopeGuard>

TMAccountEditForm::TMAccountEditForm(QWidget* Owner) : TMAccountStatusForm(Owner) {
    setObjectName(QStringLiteral("MAccountEditForm"));
}

void TMAccountEditForm::SetEditMode(bool On) {
    FEditMode = On;
    EditModeChanged();
}

void TMAccountEditForm::EditModeChanged() {}

bool TMAccountEditForm::Init() {
    const bool result = TMAccountStatusForm::Init();
    if (result) SetEditMode(true);
    return result;
}

bool TMAccountEditForm::CloseQuery() {
    if (!TMAccountStatusForm::CloseQuery()) return false;
    return QuerySaveChanges() != mrCancel;
}

bool TMAccountEditForm::DoExecute() {
    const bool result = TMAccountStatusForm::DoExecute();
    if (result) Modified = false;
    return result;
}

bool TMAccountEditForm::DoSave() {
    const bool saved = TMAccountStatusForm::DoSave();
    Modified = !saved;
    if (EditMode() && LeaveEditModeAfterSave) SetEditMode(!saved);
    return saved;
}

bool TMAccountEditForm::DoAdd() {
    if (QuerySaveChanges() != mrYes) return false;
    const bool wasEditing = EditMode();
    SetEditMode(true);
    bool added = false;
    // A failed or failing add leaves the edit mode as it was.
    auto restore = qScopeGuard([&] {
        if (!added) SetEditMode(wasEditing);
    });
    added = TMAccountStatusForm::DoAdd();
    if (added) Modified = false;
    return added;
}
