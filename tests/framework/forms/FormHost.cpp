#include "tests/framework/forms/FormHost.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QTest>
#include <QVBoxLayout>

TFormHost::TFormHost() {
    Area = new QMdiArea(this);
    setCentralWidget(Area);
    resize(1000, 700);
    SetApplicationMainWindow(this);
    show();
    activateWindow();
    (void)QTest::qWaitForWindowActive(this);
}

TFormHost::~TFormHost() {
    SetApplicationMainWindow(nullptr);
}

bool TFormHost::event(QEvent* Event) {
    if (Event->type() == evFormState || Event->type() == evFormActivated) {
        const auto* e = static_cast<TMenuDataEvent*>(Event);
        Notices.append({int(Event->type()), e->Flag, e->Data.Form.data(), e->Data.Caption});
        return true;
    }
    return QMainWindow::event(Event);
}

TCountingForm::TCountingForm(QWidget* Owner) : TMAccountEditForm(Owner) {
    setObjectName(QStringLiteral("frmCounting"));
    edName = new QLineEdit(this);
    edName->setObjectName(QStringLiteral("edName"));
    edNote = new QLineEdit(this);
    edNote->setObjectName(QStringLiteral("edNote"));
    ClientLayout()->addWidget(edName);
    ClientLayout()->addWidget(edNote);
    ClientLayout()->addStretch();
}

bool TCountingForm::Run(const QString& Name) {
    ++Calls[Name];
    return Work.contains(Name) ? Work[Name]() : true;
}

bool TCountingForm::Execute() {
    return Run("Execute");
}
bool TCountingForm::Save() {
    return Run("Save");
}
bool TCountingForm::Edit() {
    return Run("Edit");
}
bool TCountingForm::Add() {
    return Run("Add");
}
bool TCountingForm::Delete() {
    return Run("Delete");
}
bool TCountingForm::Filter() {
    return Run("Filter");
}
bool TCountingForm::Search() {
    return Run("Search");
}
bool TCountingForm::Print() {
    return Run("Print");
}
bool TCountingForm::Export() {
    return Run("Export");
}
bool TCountingForm::Stop() {
    return Run("Stop");
}

TCountingForm* OpenCountingForm(TFormHost& Host) {
    auto* form = CreateForm<TCountingForm>(&Host, TMAccountForm::fsMDIChild);
    form->ShowForm();
    form->UpdateActions(); // what the main window does when the event loop goes idle
    Host.Area->setActiveSubWindow(form->SubWindow());
    form->edName->setFocus();
    QApplication::processEvents();
    return form;
}

void PressKey(QKeySequence Key) {
    QWidget* target = QApplication::focusWidget();
    const QKeyCombination k = Key[0];
    QTest::keyClick(target, k.key(), k.keyboardModifiers());
}
