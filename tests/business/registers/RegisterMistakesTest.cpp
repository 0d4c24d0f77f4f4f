// What operators mistype, through the real register windows: a minus sign, a number too long to
// be a code, a name of blanks, a code that no list holds, a record used or changed meanwhile by
// another window, F8 with work queued or a row lifted.

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unPickLists.h"
#include "business/registers/un_Interest_rates.h"
#include "business/registers/un_Items.h"
#include "business/registers/un_MPS.h"
#include "business/registers/un_Owners.h"
#include "business/registers/un_Simple_Nomenklatura.h"
#include "business/registers/un_Taxes.h"
#include "business/registers/un_Taxes_rates.h"
#include "business/registers/un_Users_passwords.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ContractShop.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/WriteLock.h"

#include <QLabel>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

// One register: how it opens, and how its entry is typed with a given code and name; every other
// field gets a sound value.
struct TRegisterCase {
    const char* Name;
    std::function<TRegisterForm*(TRegisterHost&)> Open;
    std::function<void(TRegisterForm*, const QString& Code, const QString& Name)> Fill;
    QString CodeMessage; // empty: the register has no numeric code
    QString NameMessage; // empty: the register has no name
};

template <class F>
std::function<TRegisterForm*(TRegisterHost&)> Opener(const QString& Caption, const QString& Table,
                                                     const QString& Key, const QString& Name,
                                                     const QString& Noun) {
    return [=](TRegisterHost& Host) { return OpenRegister<F>(Host, Caption, Table, Key, Name, Noun); };
}

void TypeBand(TFloatEdit* From, TFloatEdit* To, TFloatEdit* Percent) {
    Type(From, u"0"_s);
    Type(To, u"100"_s);
    Type(Percent, u"1"_s);
}

QList<TRegisterCase> Registers() {
    return {
        {"item types",
         Opener<TfrmSimple_Nomenklatura>(u"Типове вещи"_s, u"Item_types"_s, u"code_i_t"_s, u"name_i_t"_s,
                                         u"тип вещ"_s),
         [](TRegisterForm* F, const QString& Code, const QString& Name) {
             auto* Form = static_cast<TfrmSimple_Nomenklatura*>(F);
             Type(Form->feShifyr, Code);
             Type(Form->edNaimenovanie, Name);
         },
         u"Въведете шифър.\n\r"_s, u"Въведете наименование!\n\r"_s},
        {"items", Opener<TfrmItems>(u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s),
         [](TRegisterForm* F, const QString& Code, const QString& Name) {
             auto* Form = static_cast<TfrmItems*>(F);
             Type(Form->feShifyr, Code);
             Type(Form->edNaimenovanie, Name);
             Form->leType->setText(u"7"_s);
         },
         u"Въведете шифър.\n\r"_s, u"Въведете наименование!\n\r"_s},
        {"owners",
         Opener<TfrmOwners>(u"Заемополучатели"_s, u"Owners"_s, u"EGN"_s, u"Three_names"_s,
                            u"заемополучател"_s),
         [](TRegisterForm* F, const QString& Code, const QString& Name) {
             auto* Form = static_cast<TfrmOwners*>(F);
             Type(Form->feEGN, Code);
             Type(Form->edThree_names, Name);
             Type(Form->lk_nomer, u"640012345"_s);
             Type(Form->lk_izdadena_na, u"01.02.2020"_s);
             Type(Form->lk_ot_MVR, u"МВР София"_s);
         },
         u"Въведете ЕГН\n\r"_s, u"Въведете наименование!\n\r"_s},
        {"interest bands",
         Opener<TfrmInterest_rates>(u"Лихвени схеми"_s, u"Interest_rates"_s, u"code_mir"_s, u""_s,
                                    u"лихвена схема"_s),
         [](TRegisterForm* F, const QString& Code, const QString&) {
             auto* Form = static_cast<TfrmInterest_rates*>(F);
             Type(Form->feShifyr, Code);
             TypeBand(Form->feFrom_value, Form->feTo_value, Form->feMIR);
         },
         u"Въведете шифър.\n\r"_s, u""_s},
        {"fees", Opener<TfrmTaxes>(u"Такси"_s, u"Taxes"_s, u"code_t"_s, u"name_t"_s, u"такса"_s),
         [](TRegisterForm* F, const QString& Code, const QString& Name) {
             auto* Form = static_cast<TfrmTaxes*>(F);
             Type(Form->code_t, Code);
             Type(Form->name_t, Name);
         },
         u"Въведете шифър.\n\r"_s, u"Въведете наименование!\n\r"_s},
        {"fee rates",
         Opener<TfrmTaxes_rates>(u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s, u""_s, u"такса"_s),
         [](TRegisterForm* F, const QString& Code, const QString&) {
             auto* Form = static_cast<TfrmTaxes_rates*>(F);
             // Chosen from the list once; choosing it again would reload the rows.
             if (Form->code_t->text() != u"7"_s) Form->code_t->setText(u"7"_s);
             Type(Form->code_MIR, Code);
             TypeBand(Form->feFrom_value, Form->feTo_value, Form->feMIR);
         },
         u"Въведете шифър.\n\r"_s, u""_s},
        {"vehicles", Opener<Tfrm_MPS>(u"МПС"_s, u"MPS"_s, u"code_MPS"_s, u""_s, u"МПС"_s),
         [](TRegisterForm* F, const QString& Code, const QString& Name) {
             auto* Form = static_cast<Tfrm_MPS*>(F);
             Type(Form->code_mps, Code);
             for (TLimitedEdit* Edit : Form->findChildren<TLimitedEdit*>())
                 Type(Edit, Name.isNull() ? u"x"_s : Name);
         },
         u"Въведете шифър.\n\r"_s, u"Моля въведете всички полета\n\r"_s},
        {"operators",
         Opener<TfrmUsers_passwords>(u"Оператори"_s, u"Users_passwords"_s, u"user_name"_s, u"user_password"_s,
                                     u"оператор"_s),
         [](TRegisterForm* F, const QString&, const QString& Name) {
             auto* Form = static_cast<TfrmUsers_passwords*>(F);
             Type(Form->ed_user_name, u"ivan"_s);
             Type(Form->ed_user_password, u"p1"_s);
             Type(Form->ed_three_names, Name);
         },
         u""_s, u"Въведете имена на оператор\n\r"_s},
    };
}

class RegisterMistakes : public ::testing::Test {
protected:
    void SetUp() override {
        // Codes 1 stay free, so that the lowest code can be entered in every register.
        Exec(uR"sql(Insert into Item_types values ( 7, "Злато" ))sql"_s);
        Exec(uR"sql(Insert into Taxes values ( 7, "Оценка", 1 ))sql"_s);
    }
    // Types the entry of Register and presses F4; the messages shown, and what was queued.
    QStringList Enter(TRegisterForm* Form, const TRegisterCase& Register, const QString& Code,
                      const QString& Name) {
        Presenter.Clear();
        Register.Fill(Form, Code, Name);
        Press(Form->Grid, Qt::Key_F4);
        return Presenter.Texts();
    }

    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
};

TEST_F(RegisterMistakes, CodesBelowOneOrTooLongAreRefused) {
    for (const TRegisterCase& Register : Registers()) {
        if (Register.CodeMessage.isEmpty()) continue;
        SCOPED_TRACE(Register.Name);
        TRegisterForm* Form = Register.Open(Host);
        const bool Personal = Register.CodeMessage == u"Въведете ЕГН\n\r"_s;
        // The longest number each code edit still takes as one.
        const QString Longest = Personal ? u"9999999999"_s : u"999999999"_s;
        const QString TooLong = Personal ? u"10000000000"_s : u"1000000000"_s;
        for (const QString& Code : {u"-3"_s, u"0"_s, TooLong, u"12345678901234"_s}) {
            EXPECT_EQ(Enter(Form, Register, Code, u"Проба"_s), QStringList{Register.CodeMessage})
                << Code.toStdString();
            EXPECT_TRUE(Form->PendingSql.isEmpty()) << Code.toStdString();
        }
        for (const QString& Code : {u"1"_s, Longest}) {
            EXPECT_TRUE(Enter(Form, Register, Code, u"Проба "_s + Code).isEmpty()) << Code.toStdString();
        }
        EXPECT_EQ(Form->PendingSql.size(), 2);
        Press(Form->Grid, Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        Form->Close();
        QApplication::processEvents();
    }
}

TEST_F(RegisterMistakes, NamesOfBlanksAreRefused) {
    for (const TRegisterCase& Register : Registers()) {
        if (Register.NameMessage.isEmpty()) continue;
        SCOPED_TRACE(Register.Name);
        TRegisterForm* Form = Register.Open(Host);
        EXPECT_EQ(Enter(Form, Register, u"5"_s, u"   "_s), QStringList{Register.NameMessage});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        Form->Close();
        QApplication::processEvents();
    }
}

// A fee of code -3 would take payment type 2, the interest instalment's: the payment types would
// list type 2 twice and an interest instalment would count again as a payment of that fee. The
// attempt is refused, and the debt of a contract with an interest instalment stays as it was.
TEST(FeeCodeBelowOne, LeavesTheDebtOfAContractWithAnInterestInstalment) {
    TContractShop Shop(QStringLiteral(LENDORA_SOURCE_DIR));
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    const int Lent = TContractShop::Today - 20;
    const QString ContractSql = uR"sql(
        Insert into Contracts values ( 1, %d, 5, 400, 6, 30, "", False, 0, False, 0, 8001011234,
                                       False, 0, 0, False, 24, 4, 12, 0 )
    )sql"_s;
    Exec(Format(ContractSql, {Lent}));
    Exec(Format(uR"sql(Insert into Outcomes values ( 11, %d, 1, 1, 400, "", "", "maria" ))sql"_s, {Lent}));
    Exec(Format(uR"sql(Insert into Incomes values ( 12, %d, 1, 2, 16, "", "", "maria" ))sql"_s, {Lent + 10}));
    const auto Debt = [] {
        QString Row;
        TDelimitedStringList OneTime, Daily;
        EXPECT_TRUE(CalculateContractDebt(nullptr, u"1"_s, Row, TContractShop::Today, OneTime, Daily));
        return Row.split(u'@').value(dfTotalDebt);
    };
    const QString Before = Debt();

    auto* Fees = OpenRegister<TfrmTaxes>(Host, u"Такси"_s, u"Taxes"_s, u"code_t"_s, u"name_t"_s, u"такса"_s);
    Type(Fees->code_t, u"-3"_s);
    Type(Fees->name_t, u"Пазене"_s);
    Press(Fees->name_t, Qt::Key_F4);
    Press(Fees->Grid, Qt::Key_F2);
    auto* Rates = OpenRegister<TfrmTaxes_rates>(Host, u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s,
                                                u""_s, u"такса"_s);
    Type(Rates->code_t, u"-3"_s);
    Type(Rates->feFrom_value, u"0"_s);
    Type(Rates->feTo_value, u"5000"_s);
    Type(Rates->feMIR, u"3"_s);
    Press(Rates->feMIR, Qt::Key_F4);
    Press(Rates->Grid, Qt::Key_F2);

    EXPECT_EQ(Presenter.Texts(), QStringList({u"Въведете шифър.\n\r"_s, u"Въведете такса\n\r"_s}));
    TListEdit Types;
    ASSERT_TRUE(GetPaymentTypesList(nullptr, &Types));
    QStringList TypeTwo;
    for (int R = 1; R < Types.Form()->Grid()->RowCount(); ++R)
        if (Types.Form()->Grid()->Cells(0, R) == u"2"_s) TypeTwo << Types.Form()->Grid()->Cells(1, R);
    EXPECT_EQ(TypeTwo, QStringList{u"вноска по лихва"_s});
    EXPECT_EQ(QueryText(uR"sql(Select Count(*) From Taxes Where code_t + 5 <= 5)sql"_s), u"0"_s);
    EXPECT_EQ(Debt(), Before);
}

TEST_F(RegisterMistakes, CodesThatNoListHoldsAreRefused) {
    auto* Items = OpenRegister<TfrmItems>(Host, u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s);
    Type(Items->edNaimenovanie, u"Пръстен"_s);
    Items->leType->setText(u"8"_s);
    Press(Items->Grid, Qt::Key_F4);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Въведете тип на вещ\n\r"_s});
    EXPECT_TRUE(Items->PendingSql.isEmpty());

    Presenter.Clear();
    auto* Rates = OpenRegister<TfrmTaxes_rates>(Host, u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s,
                                                u""_s, u"такса"_s);
    Type(Rates->code_t, u"42"_s);
    TypeBand(Rates->feFrom_value, Rates->feTo_value, Rates->feMIR);
    Press(Rates->Grid, Qt::Key_F4);
    Press(Rates->Grid, Qt::Key_F3);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Въведете такса\n\r"_s, u"Въведете такса"_s}));
    EXPECT_TRUE(Rates->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(uR"sql(Select Count(*) From Taxes_rates)sql"_s), u"0"_s);
}

// Another window saves a document on the record between F5 and F2: the Save is refused whole and
// the queue stays, so that no document loses what it refers to.
TEST_F(RegisterMistakes, ARecordUsedAfterItsDeleteWasQueuedIsKept) {
    struct Case {
        const char* Name;
        std::function<TRegisterForm*(TRegisterHost&)> Open;
        QString Seed;
        QString Use;
        QString Message;
        QString Remaining;
    };
    const Case Cases[] = {
        {"item", Opener<TfrmItems>(u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s),
         uR"sql(Insert into Items values ( 3, "Гривна", 7 ))sql"_s,
         uR"sql(Insert into Contracts (docno, code_i, EGN) values ( 5, 3, 1 ))sql"_s,
         u"Записът не може да бъде изтрит: вещ \"3\" - \"Гривна\" се използва в договори № 5."_s,
         uR"sql(Select Count(*) From Items)sql"_s},
        {"item type",
         Opener<TfrmSimple_Nomenklatura>(u"Типове вещи"_s, u"Item_types"_s, u"code_i_t"_s, u"name_i_t"_s,
                                         u"тип вещ"_s),
         uR"sql(Insert into Item_types values ( 9, "Сребро" ))sql"_s,
         uR"sql(Insert into Items values ( 4, "Лъжица", 9 ))sql"_s,
         u"Записът не може да бъде изтрит: тип вещ \"9\" - \"Сребро\" се използва в вещи № 4."_s,
         uR"sql(Select Count(*) From Item_types Where code_i_t = 9)sql"_s},
        {"owner",
         Opener<TfrmOwners>(u"Заемополучатели"_s, u"Owners"_s, u"EGN"_s, u"Three_names"_s,
                            u"заемополучател"_s),
         uR"sql(Insert into Owners (EGN, Three_names) values ( 141150013, "Ана" ))sql"_s,
         uR"sql(Insert into Items_sales (docno, EGN) values ( 4, 141150013 ))sql"_s,
         u"Записът не може да бъде изтрит: заемополучател \"0141150013\" - \"Ана\" се използва в продажби № "
         u"4."_s,
         uR"sql(Select Count(*) From Owners)sql"_s},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Presenter.Clear();
        Exec(C.Seed);
        TRegisterForm* Form = C.Open(Host);
        // The row to delete is the last one the grid lists.
        Form->Grid->SetRow(Form->Grid->RowCount() - 1);
        Presenter.PlanAnswer(mrYes);
        Press(Form->Grid, Qt::Key_F5);
        ASSERT_EQ(Form->PendingSql.size(), 1);
        const QStringList Queued = Form->PendingSql;
        Exec(C.Use);
        Presenter.Clear();
        Press(Form->Grid, Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{C.Message});
        EXPECT_EQ(Form->PendingSql, Queued);
        EXPECT_EQ(QueryText(C.Remaining), u"1"_s);
        Form->PendingSql.clear();
        Form->Close();
        QApplication::processEvents();
    }
}

TEST_F(RegisterMistakes, ReloadingWithWorkQueuedAsksFirst) {
    auto* Form = OpenRegister<TfrmSimple_Nomenklatura>(Host, u"Типове вещи"_s, u"Item_types"_s, u"code_i_t"_s,
                                                       u"name_i_t"_s, u"тип вещ"_s);
    EXPECT_EQ(Form->feShifyr->Value(), 8);
    Type(Form->edNaimenovanie, u"Сребро"_s);
    Press(Form->edNaimenovanie, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);

    // Cancel: the queued row stays in view and the next code proposed stays past it.
    Presenter.PlanAnswer(mrCancel);
    Press(Form->Grid, Qt::Key_F8);
    EXPECT_EQ(Presenter.Texts(), QStringList{LoadStr(65194)});
    EXPECT_EQ(Form->GridRows(), TGridRows({{u"7"_s, u"Злато"_s}, {u"8"_s, u"Сребро"_s}}));
    EXPECT_EQ(Form->feShifyr->Value(), 9);
    Type(Form->edNaimenovanie, u"Платина"_s);
    Press(Form->edNaimenovanie, Qt::Key_F4);
    EXPECT_EQ(Form->PendingSql.size(), 2);

    // Yes: saved, then listed again.
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F8);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(uR"sql(Select * From Item_types Order By code_i_t)sql"_s),
              u"7@Злато°8@Сребро°9@Платина"_s);
    EXPECT_EQ(Form->GridRows().size(), 3);

    // No: the queue is dropped and the stored rows are listed.
    Type(Form->edNaimenovanie, u"Мед"_s);
    Press(Form->edNaimenovanie, Qt::Key_F4);
    Presenter.PlanAnswer(mrNo);
    Press(Form->Grid, Qt::Key_F8);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Form->GridRows().size(), 3);
    EXPECT_EQ(Presenter.PendingAnswers(), 0);
}

TEST_F(RegisterMistakes, SwitchingTheFeeWithRatesQueuedAsksFirst) {
    Exec(uR"sql(Insert into Taxes values ( 8, "Пазене", 0 ))sql"_s);
    auto* Form = OpenRegister<TfrmTaxes_rates>(Host, u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s,
                                               u""_s, u"такса"_s);
    Type(Form->code_t, u"7"_s);
    TypeBand(Form->feFrom_value, Form->feTo_value, Form->feMIR);
    Press(Form->feMIR, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_EQ(Form->code_MIR->Value(), 2);

    // Cancel: the fee goes back, its queued rate stays listed and numbered. The fee is chosen from
    // the lookup's list, which changes its text once.
    Presenter.PlanAnswer(mrCancel);
    Form->code_t->setText(u"8"_s);
    EXPECT_EQ(Presenter.Texts(), QStringList{LoadStr(65194)});
    EXPECT_EQ(Form->code_t->text(), u"7"_s);
    EXPECT_EQ(Form->GridRows().size(), 1);
    EXPECT_EQ(Form->code_MIR->Value(), 2);
    Type(Form->feFrom_value, u"100"_s);
    Type(Form->feTo_value, u"200"_s);
    Press(Form->feMIR, Qt::Key_F4);
    EXPECT_EQ(Form->PendingSql.size(), 2);

    // Yes: both rates are saved under the first fee, then the second fee is listed.
    Presenter.PlanAnswer(mrYes);
    Form->code_t->setText(u"8"_s);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(uR"sql(Select code_MIR, code_t From Taxes_rates Order By code_MIR)sql"_s),
              u"1@7°2@7"_s);
    EXPECT_EQ(Form->code_t->text(), u"8"_s);
    EXPECT_TRUE(Form->GridRows().isEmpty());
    EXPECT_EQ(Form->code_MIR->Value(), 1);
    EXPECT_EQ(Presenter.PendingAnswers(), 0);
}

TEST_F(RegisterMistakes, ReloadingEndsTheEdit) {
    Exec(uR"sql(Insert into Taxes_rates values ( 1, 7, 0, 500, 0.02, 1 ))sql"_s);
    auto* Types = OpenRegister<TfrmSimple_Nomenklatura>(Host, u"Типове вещи"_s, u"Item_types"_s,
                                                        u"code_i_t"_s, u"name_i_t"_s, u"тип вещ"_s);
    Types->Grid->SetRow(1);
    Press(Types->Grid, Qt::Key_F3);
    ASSERT_TRUE(Types->EditingRow);
    Press(Types->Grid, Qt::Key_F8);
    EXPECT_FALSE(Types->EditingRow);
    EXPECT_FALSE(Types->feShifyr->isReadOnly());
    EXPECT_EQ(Types->GridRows(), TGridRows({{u"7"_s, u"Злато"_s}}));
    Types->Grid->SetRow(1);
    Press(Types->Grid, Qt::Key_F3);
    EXPECT_TRUE(Types->EditingRow);

    auto* Rates = OpenRegister<TfrmTaxes_rates>(Host, u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s,
                                                u""_s, u"такса"_s);
    Type(Rates->code_t, u"7"_s);
    Rates->Grid->SetRow(1);
    Press(Rates->Grid, Qt::Key_F3);
    ASSERT_TRUE(Rates->code_t->isReadOnly());
    Press(Rates->Grid, Qt::Key_F8);
    EXPECT_FALSE(Rates->EditingRow);
    EXPECT_FALSE(Rates->code_t->isReadOnly());
    EXPECT_FALSE(Rates->code_MIR->isReadOnly());
    EXPECT_EQ(Rates->GridRows().size(), 1);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
}

} // namespace

// Another window deletes the type (the fee) between F4 and F2: the Save is refused whole and the
// queue stays, so that no item (no rate) is stored under a code that no list shows.
TEST_F(RegisterMistakes, AnEntryWhoseLookupWasDeletedMeanwhileIsNotStored) {
    Exec(uR"sql(Insert into Item_types values ( 9, "Сребро" ))sql"_s);
    Exec(uR"sql(Insert into Taxes values ( 9, "Пазене", 0 ))sql"_s);
    auto* Items = OpenRegister<TfrmItems>(Host, u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s);
    Type(Items->edNaimenovanie, u"Лъжица"_s);
    Items->leType->setText(u"9"_s);
    Press(Items->Grid, Qt::Key_F4);
    auto* Rates = OpenRegister<TfrmTaxes_rates>(Host, u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s,
                                                u""_s, u"такса"_s);
    Rates->code_t->setText(u"9"_s);
    TypeBand(Rates->feFrom_value, Rates->feTo_value, Rates->feMIR);
    Press(Rates->Grid, Qt::Key_F4);
    ASSERT_EQ(Items->PendingSql.size(), 1);
    ASSERT_EQ(Rates->PendingSql.size(), 1);
    ASSERT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();

    Exec(uR"sql(Delete from Item_types Where code_i_t = 9)sql"_s);
    Exec(uR"sql(Delete from Taxes Where code_t = 9)sql"_s);
    Press(Items->Grid, Qt::Key_F2);
    Press(Rates->Grid, Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(),
              QStringList({u"Записът не може да бъде съхранен: тип вещ \"9\" вече не съществува."_s,
                           u"Записът не може да бъде съхранен: такса \"9\" вече не съществува."_s}));
    EXPECT_EQ(Items->PendingSql.size(), 1);
    EXPECT_EQ(Rates->PendingSql.size(), 1);
    EXPECT_EQ(QueryText(uR"sql(Select Count(*) From Items)sql"_s), u"0"_s);
    EXPECT_EQ(QueryText(uR"sql(Select Count(*) From Taxes_rates)sql"_s), u"0"_s);
    Items->PendingSql.clear();
    Rates->PendingSql.clear();
}

// Names are stored without their outer blanks, so a name that differs only by them is the same.
TEST_F(RegisterMistakes, NamesDifferingOnlyByOuterBlanksAreDuplicates) {
    for (const TRegisterCase& Register : Registers()) {
        if (Register.NameMessage != u"Въведете наименование!\n\r"_s) continue;
        SCOPED_TRACE(Register.Name);
        TRegisterForm* Form = Register.Open(Host);
        EXPECT_TRUE(Enter(Form, Register, u"5"_s, u"Проба "_s).isEmpty());
        EXPECT_EQ(Enter(Form, Register, u"6"_s, u"Проба  "_s), QStringList{NameTakenMessage(u"Проба"_s)});
        EXPECT_EQ(Form->PendingSql.size(), 1);
        Form->PendingSql.clear();
        Form->Close();
        QApplication::processEvents();
    }
}

// Two windows of one register each queue the same name, one of them with outer blanks (or the
// stored one has them from an older version): the second Save is refused whole and keeps its
// queue, and the name is stored once, trimmed.
TEST_F(RegisterMistakes, TwoWindowsDoNotStoreOneName) {
    const QList<TRegisterCase> All = Registers();
    const TRegisterCase* OwnersCase = nullptr;
    for (const TRegisterCase& Register : All) {
        if (Register.NameMessage != u"Въведете наименование!\n\r"_s) continue;
        if (Register.CodeMessage == u"Въведете ЕГН\n\r"_s) OwnersCase = &Register;
        SCOPED_TRACE(Register.Name);
        Presenter.Clear();
        TRegisterForm* First = Register.Open(Host);
        TRegisterForm* Second = Register.Open(Host);
        EXPECT_TRUE(Enter(First, Register, u"5"_s, u" Сребро "_s).isEmpty());
        EXPECT_TRUE(Enter(Second, Register, u"6"_s, u"Сребро"_s).isEmpty());
        Press(First->Grid, Qt::Key_F2);
        EXPECT_TRUE(First->PendingSql.isEmpty());
        Press(Second->Grid, Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{NameTakenMessage(u"Сребро"_s)});
        EXPECT_EQ(Second->PendingSql.size(), 1);
        const QString Table = First->TableName, Name = First->NameField, Key = First->KeyField;
        EXPECT_EQ(QueryText(Format(u"Select %s & \"|\" From %s Where %s = 5"_s, {Name, Table, Key})),
                  u"Сребро|"_s);
        EXPECT_EQ(QueryText(Format(u"Select Count(*) From %s Where trim(%s) = \"Сребро\""_s, {Table, Name})),
                  u"1"_s);
        Second->PendingSql.clear();
        for (TRegisterForm* Form : {First, Second})
            Form->Close();
        QApplication::processEvents();
    }
    // A borrower stored with outer blanks: the same name typed is refused at F4 in a window that
    // lists it, and at Save in one opened before it was stored.
    ASSERT_NE(OwnersCase, nullptr);
    Presenter.Clear();
    TRegisterForm* Before = OwnersCase->Open(Host);
    Exec(uR"sql(Insert into Owners (EGN, Three_names) values ( 7, "  Иван Петров " ))sql"_s);
    TRegisterForm* After = OwnersCase->Open(Host);
    EXPECT_EQ(Enter(After, *OwnersCase, u"8"_s, u"Иван Петров"_s),
              QStringList{NameTakenMessage(u"Иван Петров"_s)});
    EXPECT_TRUE(Enter(Before, *OwnersCase, u"9"_s, u"Иван Петров"_s).isEmpty());
    Press(Before->Grid, Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{NameTakenMessage(u"Иван Петров"_s)});
    EXPECT_EQ(QueryText(uR"sql(Select Count(*) From Owners Where trim(Three_names) = "Иван Петров")sql"_s),
              u"1"_s);
    Before->PendingSql.clear();

    // Two operators may not share a password either.
    Presenter.Clear();
    QList<TfrmUsers_passwords*> Users;
    for (const QString& User : {u"ivan"_s, u"maria"_s}) {
        Users << OpenRegister<TfrmUsers_passwords>(Host, u"Оператори"_s, u"Users_passwords"_s, u"user_name"_s,
                                                   u"user_password"_s, u"оператор"_s);
        Type(Users.last()->ed_user_name, User);
        Type(Users.last()->ed_user_password, u"p1"_s);
        Type(Users.last()->ed_three_names, User);
        Press(Users.last()->Grid, Qt::Key_F4);
    }
    for (TfrmUsers_passwords* Form : Users)
        Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{PasswordTakenMessage(u"p1"_s)});
    EXPECT_EQ(QueryText(uR"sql(Select user_name From Users_passwords)sql"_s), u"ivan"_s);
    Users.last()->PendingSql.clear();
}

// Namesakes from older data: the name message is said once, not once per namesake row; an item
// whose type shares its name with another type keeps its own type through an edit, also when it
// is edited again before Save.
TEST_F(RegisterMistakes, NamesakesAreNamedOnceAndAnEditKeepsTheRowsType) {
    Exec(uR"sql(Insert into Item_types values ( 8, "Злато" ))sql"_s);
    for (int Code : {1, 2, 3})
        Exec(Format(uR"sql(Insert into Items values ( %d, "Пръстен", 8 ))sql"_s, {Code}));
    for (int Code : {11, 12, 13})
        Exec(Format(uR"sql(Insert into Owners (EGN, Three_names, lk_nomer, lk_izdadena_na, lk_ot_MVR)
                           values ( %d, "Иван Петров", "1", "1", "МВР" ))sql"_s,
                    {Code}));
    auto* Owners = OpenRegister<TfrmOwners>(Host, u"Заемополучатели"_s, u"Owners"_s, u"EGN"_s,
                                            u"Three_names"_s, u"заемополучател"_s);
    Owners->Grid->SetRow(1);
    Press(Owners->Grid, Qt::Key_F3);
    Press(Owners->Grid, Qt::Key_F4);
    EXPECT_EQ(Presenter.Texts(), QStringList{NameTakenMessage(u"Иван Петров"_s)});

    Presenter.Clear();
    auto* Items = OpenRegister<TfrmItems>(Host, u"Вещи"_s, u"Items"_s, u"code_i"_s, u"SN"_s, u"вещ"_s);
    Items->Grid->SetRow(1);
    Press(Items->Grid, Qt::Key_F3);
    Press(Items->Grid, Qt::Key_F4);
    EXPECT_EQ(Presenter.Texts(), QStringList{NameTakenMessage(u"Пръстен"_s)});

    // Only one item of type 8 left under that description, and one of another type; the first is
    // edited twice with nothing changed.
    Presenter.Clear();
    Exec(uR"sql(Delete from Items Where code_i <> 1)sql"_s);
    Exec(uR"sql(Insert into Item_types values ( 9, "Сребро" ))sql"_s);
    Exec(uR"sql(Insert into Items values ( 4, "Пръстен", 9 ))sql"_s);
    Press(Items->Grid, Qt::Key_F8);
    for (int Round = 0; Round < 2; ++Round) {
        for (int Row = 1; Row < Items->Grid->RowCount(); ++Row)
            if (Items->Grid->Cells(0, Row) == u"1"_s) Items->Grid->SetRow(Row);
        Press(Items->Grid, Qt::Key_F3);
        EXPECT_EQ(Items->leType->text(), u"8"_s) << Round;
        Press(Items->Grid, Qt::Key_F4);
    }
    Press(Items->Grid, Qt::Key_F2);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(uR"sql(Select code_i_t From Items Order By code_i)sql"_s), u"8°9"_s);
}

// Another workstation changes or deletes the record this window lifted with F3, before its Save:
// the edit leaves the queue, the other's change stays, and the rest is saved with the next F2.
TEST_F(RegisterMistakes, AnEditOfARecordChangedMeanwhileIsRefused) {
    struct Case {
        const char* Register; // a row of Registers()
        QString Seed;
        QString Key;       // the key cell of the lifted row
        QString Where;     // the record in its table
        QString OtherSets; // what the other workstation changes; empty: it deletes the record
        const char* Field; // the edit this window changes
        QString Typed;
        QString Message;
        QString ReadBack; // the columns read back once both Saves are done
        QString Expected;
    };
    // clang-format off
    const Case Cases[] = {
        {"owners", uR"sql(Insert into Owners values ( 8001011234, "Иван", "", "ул. Стара 1", "", "", True, False, 1, "1", "2", "3", "" ))sql"_s,
         u"8001011234"_s, u"EGN = 8001011234"_s, u"pref_code = 3"_s, "edAddress", u"ул. Нова 2"_s,
         u"Заемополучател 8001011234 е променен междувременно."_s, u"address, pref_code"_s, u"ул. Стара 1@3"_s},
        {"owners", uR"sql(Insert into Owners values ( 7001011234, "Петър", "", "", "", "", True, False, 1, "1", "2", "3", "" ))sql"_s,
         u"7001011234"_s, u"EGN = 7001011234"_s, u""_s, "edTown", u"Варна"_s,
         u"Заемополучател 7001011234 е изтрит междувременно."_s, u"Count(*)"_s, u"0"_s},
        {"item types", uR"sql(Insert into Item_types values ( 9, "Сребро" ))sql"_s,
         u"9"_s, u"code_i_t = 9"_s, u"name_i_t = \"Сребро 925\""_s, "edNaimenovanie", u"Платина"_s,
         u"Тип вещ 9 е променен междувременно."_s, u"name_i_t"_s, u"Сребро 925"_s},
        {"items", uR"sql(Insert into Items values ( 3, "Гривна", 7 ))sql"_s,
         u"3"_s, u"code_i = 3"_s, u"code_i_t = 9"_s, "edNaimenovanie", u"Гривна 18к"_s,
         u"Вещ 3 е променена междувременно."_s, u"SN, code_i_t"_s, u"Гривна@9"_s},
        {"interest bands", uR"sql(Insert into Interest_rates values ( 2, 0, 500, 0.03, 1 ))sql"_s,
         u"2"_s, u"code_MIR = 2"_s, u"MIR = 0.04"_s, "feTo_value", u"600"_s,
         u"Лихвена схема 2 е променена междувременно."_s, u"to_value, MIR"_s, u"500@0.04"_s},
        {"fees", uR"sql(Insert into Taxes values ( 3, "Пазене", 0 ))sql"_s,
         u"3"_s, u"code_t = 3"_s, u"is_once = 1"_s, "name_t", u"Съхранение"_s,
         u"Такса 3 е променена междувременно."_s, u"name_t, is_once"_s, u"Пазене@True"_s},
        {"fee rates", uR"sql(Insert into Taxes_rates values ( 2, 7, 0, 500, 0.02, 1 ))sql"_s,
         u"2"_s, u"code_MIR = 2 And code_t = 7"_s, u"pref_code = 4"_s, "feTo_value", u"700"_s,
         u"Такса 2 е променена междувременно."_s, u"to_value, pref_code"_s, u"500@4"_s},
        {"vehicles", uR"sql(Insert into MPS values ( 4, "Опел", "Астра", "2010", "С1", "СА1234", "Ш1", "М1", "500", "1", "120000", "-" ))sql"_s,
         u"4"_s, u"code_MPS = 4"_s, u"reg_nomer = \"СА9999\""_s, "kilometrazh", u"130000"_s,
         u"МПС 4 е променено междувременно."_s, u"reg_nomer, kilometrazh"_s, u"СА9999@120000"_s},
        {"vehicles", uR"sql(Insert into MPS values ( 6, "Лада", "Нива", "1990", "С2", "СА5678", "Ш2", "М2", "400", "1", "90000", "-" ))sql"_s,
         u"6"_s, u"code_MPS = 6"_s, u""_s, "marka", u"ВАЗ"_s,
         u"МПС 6 е изтрито междувременно."_s, u"Count(*)"_s, u"0"_s},
        // By rowid: the other connection has no collation to compare names with.
        {"operators", uR"sql(Insert into Users_passwords values ( "maria", "p2", "Мария" ))sql"_s,
         u"maria"_s, u"rowid = 1"_s, u"user_password = \"p3\""_s, "ed_three_names", u"Мария Петрова"_s,
         u"Оператор maria е променен междувременно."_s, u"user_password, three_names"_s, u"p3@Мария"_s},
    };
    // clang-format on
    // The fee rates window lists the rates of fee 7.
    WriteRegString(u"code_t"_s, u"7"_s);
    const QList<TRegisterCase> All = Registers();
    int NewCode = 20;
    for (const Case& C : Cases) {
        const auto Register = std::find_if(All.begin(), All.end(), [&C](const TRegisterCase& R) {
            return qstrcmp(R.Name, C.Register) == 0;
        });
        ASSERT_NE(Register, All.end());
        SCOPED_TRACE(C.Message.toStdString());
        Exec(C.Seed);
        TRegisterForm* Form = Register->Open(Host);
        // A new record queued first: the edit after it is still checked.
        ++NewCode;
        ASSERT_TRUE(Enter(Form, *Register, QString::number(NewCode), u"Проба %1"_s.arg(NewCode)).isEmpty())
            << Presenter.Texts().join(u'|').toStdString();
        for (int Row = 1; Row < Form->Grid->RowCount(); ++Row)
            if (Form->Grid->Cells(0, Row) == C.Key) Form->Grid->SetRow(Row);
        Press(Form->Grid, Qt::Key_F3);
        ASSERT_TRUE(Form->EditingRow);
        Type(Form->findChild<QWidget*>(QString::fromLatin1(C.Field)), C.Typed);
        Press(Form->Grid, Qt::Key_F4);
        ASSERT_EQ(Form->PendingSql.size(), 2);
        const QString Table = Form->TableName;
        ASSERT_TRUE(OtherWorkstationSaves(
            C.OtherSets.isEmpty() ? Format(u"Delete From %s Where %s"_s, {Table, C.Where})
                                  : Format(u"Update %s Set %s Where %s"_s, {Table, C.OtherSets, C.Where})));

        Press(Form->Grid, Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{C.Message + u" Останалото може да бъде записано с F2."_s});
        EXPECT_EQ(Form->PendingSql.size(), 1);
        Presenter.Clear();
        Press(Form->Grid, Qt::Key_F2);
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(QueryText(Format(u"Select %s From %s Where %s"_s, {C.ReadBack, Table, C.Where})),
                  C.Expected);
        Form->Close();
        QApplication::processEvents();
    }

    // A row deleted elsewhere before F3 is not lifted.
    Presenter.Clear();
    Exec(uR"sql(Insert into Item_types values ( 99, "Мед" ))sql"_s);
    auto* Types = OpenRegister<TfrmSimple_Nomenklatura>(Host, u"Типове вещи"_s, u"Item_types"_s,
                                                        u"code_i_t"_s, u"name_i_t"_s, u"тип вещ"_s);
    ASSERT_TRUE(OtherWorkstationSaves(uR"sql(Delete from Item_types Where code_i_t = 99)sql"_s));
    Types->Grid->SetRow(Types->Grid->RowCount() - 1);
    ASSERT_EQ(Types->Grid->Cells(0, Types->Grid->Row()), u"99"_s);
    Press(Types->Grid, Qt::Key_F3);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Тип вещ 99 е изтрит междувременно."_s});
    EXPECT_FALSE(Types->EditingRow);
    EXPECT_NE(Types->GridRows().constLast().value(0), u"99"_s);
}
