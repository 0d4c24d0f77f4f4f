#pragma once
// The base of a window that edits data: it asks before unsaved changes are lost and carries an
// edit mode.

#include "framework/forms/MAccountStatusForm.h"

class TMAccountEditForm : public TMAccountStatusForm {
    Q_OBJECT
public:
    explicit TMAccountEditForm(QWidget* Owner = nullptr);

    bool EditMode() const { return FEditMode; }
    void SetEditMode(bool On);
    bool LeaveEditModeAfterSave = false;

    virtual void EditModeChanged();

    bool CloseQuery() override;
    bool DoExecute() override;
    bool DoSave() override;
    bool DoAdd() override;
    bool Init() override;

private:
    bool FEditMode = false;
};
