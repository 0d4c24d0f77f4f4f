#pragma once
// A main window with an MDI area for the register windows' tests, recording the refresh
// messages that a register posts to its opener.

#include "business/registers/RegisterForm.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "tests/support/DbQuery.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

class TRegisterHost : public QMainWindow {
public:
    TRegisterHost();
    QMdiArea* Area;
    // lParam of each refresh message received.
    QList<int> Refreshes;
    bool event(QEvent* Event) override;
};

// Opens a register as the main window does and hands it its five texts.
template <class F>
F* OpenRegister(TRegisterHost& Host, const QString& Caption, const QString& Table, const QString& Key,
                const QString& Name, const QString& Noun) {
    F* Form = CreateForm<F>(&Host, TMAccountForm::fsMDIChild);
    Form->SetFormCaption(Caption);
    Form->SetTableName(Table);
    Form->SetKeyField(Key);
    Form->SetNameField(Name);
    Form->SetRecordNoun(Noun);
    Form->SubWindow()->resize(900, 500);
    Form->ShowForm();
    Form->UpdateActions();
    Host.Area->setActiveSubWindow(Form->SubWindow());
    QApplication::processEvents();
    return Form;
}

// Presses Key in Target, as the operator would.
void Press(QWidget* Target, int Key);
// Replaces the text of an edit by typing.
void Type(QWidget* Edit, const QString& Text);
