#pragma once
// A cash order window on a small shop, driven as the operator drives it: the fixture both cash
// order test files share. Printed orders are caught, not shown.

#include "Components/Grids/RichGrid.h"
#include "business/documents/un_Contracts.h"
#include "framework/forms/MAccountReadForm.h"
#include "framework/printing/ReportLayout.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

class CashOrderWindow : public ::testing::Test {
public:
    CashOrderWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1280, 860);
        ShowAndActivate(&Host);
        SetReportPreviewHook([this](TReportLayout& Report) {
            Previewed.append(Report.Caption(QStringLiteral("QRLabel2")));
            Previewed.append(Report.Caption(QStringLiteral("QRLabel3")));
            Previewed.append(Report.Caption(QStringLiteral("QRLabel4")));
            Previewed.append(Report.Caption(QStringLiteral("QRLabel5")));
            return false;
        });
    }
    ~CashOrderWindow() override {
        if (Form) {
            Form->RunDone();
            delete Form->Container();
        }
        SetReportPreviewHook(nullptr);
    }
    template <class T> T* Open(const QString& Caption, const QString& Table, const QString& Noun) {
        auto* form = CreateForm<T>(&Host, TMAccountForm::fsMDIChild);
        form->SetFormCaption(Caption);
        form->SetTableName(Table);
        form->SetKeyField(QStringLiteral("docno"));
        form->SetRecordNoun(Noun);
        form->SetUserName(QStringLiteral("maria"));
        form->ShowForm();
        QApplication::processEvents();
        Form = form;
        return form;
    }
    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        if (auto* line = qobject_cast<QLineEdit*>(Field)) line->selectAll();
        TypeText(Field, Text);
    }
    void Press(QKeyCombination Key) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Key.key(), Key.keyboardModifiers());
        QApplication::processEvents();
    }
    // Contract 1 of Ivan's for 1000.00 on item 5, dated DaysAgo days before today, paid out.
    void SeedContract(int DaysAgo) { SeedContract(1, QStringLiteral("8001011234"), DaysAgo); }
    void SeedContract(int DocNo, const QString& Owner, int DaysAgo, bool PaidOut = true) {
        TContractEntry e;
        e.DocNo = DocNo;
        e.DateC = TContractShop::Today - DaysAgo;
        e.ItemCode = QStringLiteral("5");
        e.OwnerCode = Owner;
        e.OwnerName = Owner == QStringLiteral("8001011234") ? QStringLiteral("Иван Петров Иванов")
                                                            : QStringLiteral("Мария Георгиева");
        e.Sum = 1000;
        e.MIR = 3;
        e.Duration = 30;
        Exec(ContractInsertSql(QStringLiteral("Contracts"), e));
        if (PaidOut) Exec(PayoutOrderSql(e, QStringLiteral("Мария Колева"), QStringLiteral("maria")));
    }
    QString Told() const { return Presenter.Texts().join(u'|'); }
    // Lifts order DocNo for editing, with the manager's password.
    void Lift(const QString& DocNo) {
        ASSERT_TRUE(SelectOrder(DocNo));
        Presenter.PlanPassword(QStringLiteral("shef"));
        Press(Qt::Key_F3);
        ASSERT_TRUE(static_cast<TCashOrderForm*>(Form)->EditingRow) << Told().toStdString();
    }
    // Selects the grid row of order DocNo; false when the grid has none.
    bool SelectOrder(const QString& DocNo) {
        for (int r = Form->Grid->FixedRows(); r < Form->Grid->RowCount(); ++r)
            if (Form->Grid->Cells(0, r).trimmed() == DocNo) {
                Form->Grid->SetRow(r);
                Form->Grid->setFocus();
                return true;
            }
        return false;
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    TMAccountReadForm* Form = nullptr;
    QStringList Previewed;
};
