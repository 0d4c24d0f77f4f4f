#include "business/registers/un_Owners.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/WriteLock.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TOwnerEntry Maria() {
    TOwnerEntry E;
    E.EGN = 501011234;
    E.Three_names = u" Мария Иванова "_s;
    E.town = u"София "_s;
    E.address = u"ул. Шипка 1"_s;
    E.telephone = u"02/123"_s;
    E.GSM = u"0888"_s;
    E.is_male = false;
    E.is_married = true;
    E.pref_code = 2;
    E.lk_nomer = u" 123 "_s;
    E.lk_izdadena_na = u"01.02.2020"_s;
    E.lk_ot_MVR = u"МВР София"_s;
    E.current_address = u"същия"_s;
    return E;
}

TEST(OwnersRegister, StatementsWriteThePersonalNumberWholeAndTheFlagsAsWords) {
    EXPECT_EQ(OwnersSelectSql(u"Three_names"_s), u"SELECT * FROM Owners ORDER BY Three_names"_s);
    EXPECT_EQ(OwnerInsertSql(u"Owners"_s, Maria()), uR"sql(
        Insert into Owners values ( 501011234, "Мария Иванова", "София", "ул. Шипка 1", "02/123", "0888", False, True, 2, "123", "01.02.2020", "МВР София", "същия")
    )sql"_s);
    EXPECT_EQ(OwnerUpdateSql(u"Owners"_s, u"Three_names"_s, u"EGN"_s, Maria(), 501011234), uR"sql(
        Update Owners Set Three_names = "Мария Иванова", town = "София",     address = "ул. Шипка 1", telephone = "02/123",     GSM = "0888", is_male = False,
                      is_married =  True,  pref_code = 2,     lk_nomer = "123", lk_izdadena_na = "01.02.2020",     lk_ot_MVR = "МВР София", current_address = "същия"
        Where ( EGN = 501011234 )
    )sql"_s);
    EXPECT_EQ(OwnerDeleteSql(u"Owners"_s, u"EGN"_s, 501011234),
              u"Delete * from Owners Where EGN = 501011234.000000"_s);
}

TEST(OwnersRegister, GridShowsTenDigitNumbersAndWords) {
    TDelimitedStringList List;
    List.SetTextStr(u"501011234@Мария@@@@@False@True@2@@@@°8001011234@Иван@@@@@True@False@1@@@@"_s);
    FormatOwnerRows(List);
    EXPECT_EQ(List.GetTextStr(), u"0501011234@Мария@@@@@Жена@да@2@@@@°8001011234@Иван@@@@@Мъж@не@1@@@@"_s);
    const QStringList Row = OwnerDisplayRow(Maria());
    EXPECT_EQ(Row.size(), 13);
    EXPECT_EQ(Row[0], u"0501011234"_s);
    EXPECT_EQ(Row.mid(6, 3), QStringList({u"Жена"_s, u"да"_s, u"2"_s}));
}

TEST(OwnersRegister, ValidationFindsAPaddedDuplicateAndWantsTheIdentityCard) {
    const TGridRows Rows = {{u"0501011234"_s, u"Петър"_s}};
    TOwnerEntry Dup = Maria();
    Dup.Three_names = u"Петър"_s;
    TOwnerEntry NoCard = Maria();
    NoCard.EGN = 7;
    NoCard.lk_ot_MVR = u"  "_s;
    TOwnerEntry Empty;
    struct Case {
        TOwnerEntry Entry;
        QString Expected;
    };
    const Case Cases[] = {
        {Dup, u"Шифър \"0501011234\" съществува в таблицата с данни!\n\rНаименование \"Петър\" съществува в "
              u"таблицата "
              u"с данни!\n\r"_s},
        {NoCard, u"Въведете данни за лична карта\n\r"_s},
        {Empty, u"Въведете ЕГН\n\rВъведете наименование!\n\rВъведете данни за лична карта\n\r"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateOwnerInput(C.Entry, Rows), C.Expected);
}

class OwnersWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Form = OpenRegister<TfrmOwners>(Host, u"Заемополучатели"_s, u"Owners"_s, u"EGN"_s, u"Three_names"_s,
                                        u"заемополучател"_s);
    }
    // Types a borrower with an identity card.
    void TypeOwner(const QString& EGN, const QString& Name) {
        Type(Form->feEGN, EGN);
        Type(Form->edThree_names, Name);
        Type(Form->edTown, u"София"_s);
        Type(Form->lk_nomer, u"640012345"_s);
        Type(Form->lk_izdadena_na, u"01.02.2020"_s);
        Type(Form->lk_ot_MVR, u"МВР София"_s);
    }

    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmOwners* Form = nullptr;
};

TEST_F(OwnersWindow, BorrowerIsAddedSavedEditedAndReportedToTheOpener) {
    Form->SetOpenerHandle(&Host);
    EXPECT_EQ(Form->feEGN->Value(), 0); // the personal number is typed, never proposed
    EXPECT_EQ(Form->feEGN->text(), u"0"_s);
    TypeOwner(u"501011234"_s, u"Мария Иванова"_s);
    // Left, the number shows its ten digits, as the lists do.
    EXPECT_EQ(Form->feEGN->text(), u"0501011234"_s);
    Form->rbFemale->setChecked(true);
    Form->rbMarried->setChecked(true);
    Form->sePref_code->setValue(3);
    Press(Form->edThree_names, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_EQ(Form->PendingSql[0].trimmed(),
              u"Insert into Owners values ( 501011234, \"Мария Иванова\", \"София\", \"\", \"\", \"\", "
              u"False, True, 3, \"640012345\", \"01.02.2020\", \"МВР София\", \"\")"_s);
    EXPECT_EQ(ReadRegString(u"Last_EGN"_s), u"501011234"_s);
    EXPECT_EQ(Form->Grid->Rows(1).mid(0, 2), QStringList({u"0501011234"_s, u"Мария Иванова"_s}));

    Press(Form->Grid, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(Host.Refreshes, QList<int>({2}));
    EXPECT_EQ(QueryText(u"Select * From Owners"_s),
              u"501011234@Мария Иванова@София@@@@False@True@3@640012345@01.02.2020@МВР София@"_s);
    EXPECT_EQ(Form->Grid->Rows(1),
              QStringList({u"0501011234"_s, u"Мария Иванова"_s, u"София"_s, u""_s, u""_s, u""_s, u"Жена"_s,
                           u"да"_s, u"3"_s, u"640012345"_s, u"01.02.2020"_s, u"МВР София"_s, u""_s}));

    // The stored row goes back into the edits, and the update targets the lifted number.
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_TRUE(Form->feEGN->isReadOnly());
    EXPECT_EQ(Form->feEGN->Value(), 501011234);
    EXPECT_EQ(Form->feEGN->text(), u"0501011234"_s);
    EXPECT_TRUE(Form->rbFemale->isChecked());
    EXPECT_EQ(Form->rgIs_Married->title(), u"Омъжена"_s);
    EXPECT_EQ(Form->sePref_code->value(), 3);
    Type(Form->edTown, u"Пловдив"_s);
    Press(Form->edTown, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_TRUE(
        Form->PendingSql[0].trimmed().startsWith(u"Update Owners Set Three_names = \"Мария Иванова\", town = "
                                                 u"\"Пловдив\","_s));
    EXPECT_TRUE(Form->PendingSql[0].trimmed().endsWith(u"Where ( EGN = 501011234 )"_s));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select town From Owners"_s), u"Пловдив"_s);
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

TEST_F(OwnersWindow, DuplicatesAndMissingIdentityCardAreRefused) {
    Exec(u"Insert into Owners values ( 501011234, \"Мария\", \"\", \"\", \"\", \"\", False, True, 1, \"1\", "
         u"\"2\", \"3\", \"\")"_s);
    Press(Form->Grid, Qt::Key_F8);
    TypeOwner(u"501011234"_s, u"Иван"_s);
    Press(Form->edThree_names, Qt::Key_F4);
    Type(Form->feEGN, u"7"_s);
    Type(Form->lk_ot_MVR, u" "_s);
    Press(Form->edThree_names, Qt::Key_F4);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Шифър \"0501011234\" съществува в таблицата с данни!\n\r"_s,
                                              u"Въведете данни за лична карта\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

TEST_F(OwnersWindow, ABorrowerWithDocumentsIsNotDeleted) {
    Exec(u"Insert into Owners (EGN, Three_names) values ( 8001011234, \"Иван\" )"_s);
    Exec(u"Insert into Owners (EGN, Three_names) values ( 7001011234, \"Петър\" )"_s);
    Exec(u"Insert into Items_sales (docno, EGN) values ( 3, 8001011234 )"_s);
    Press(Form->Grid, Qt::Key_F8);
    ASSERT_EQ(Form->Grid->Cells(0, 1), u"8001011234"_s);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(),
              QStringList({u"Записът не може да бъде изтрит: заемополучател \"8001011234\" - "
                           u"\"Иван\" се използва в продажби № 3."_s}));
    Form->Grid->SetRow(2);
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Form->PendingSql, QStringList({u"Delete * from Owners Where EGN = 7001011234.000000"_s}));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select EGN From Owners"_s), u"8001011234"_s);
}

TEST_F(OwnersWindow, MaritalStatusIsCaptionedBySex) {
    EXPECT_EQ(Form->rgIs_Married->title(), u"Женен"_s);
    Form->rbFemale->setChecked(true);
    EXPECT_EQ(Form->rgIs_Married->title(), u"Омъжена"_s);
    Form->rbMale->setChecked(true);
    EXPECT_EQ(Form->rgIs_Married->title(), u"Женен"_s);
}

} // namespace

// The same borrower typed at two workstations: the second Save refuses him, naming the one
// registered meanwhile, and he leaves the queue and the list with what was queued on him; the rest
// is saved with the next F2. A borrower deleted and typed again in one queue is no such clash.
TEST_F(OwnersWindow, ABorrowerRegisteredMeanwhileElsewhereLeavesTheQueue) {
    const QString Insert = u"Insert into Owners values ( %1, \"%2\", \"\", \"\", \"\", \"\", True, False, 1, "
                           "\"1\", \"2\", \"3\", \"\")"_s;
    const QString Refused = u"Заемополучател с ЕГН %1 (%2) е регистриран междувременно от друго работно "
                            "място. Въведеният заемополучател не е записан."_s;
    const auto Queue = [&](const QString& EGN, const QString& Name) {
        TypeOwner(EGN, Name);
        Press(Form->edThree_names, Qt::Key_F4);
    };
    Exec(Insert.arg(u"6001011234"_s, u"Георги"_s));
    Press(Form->Grid, Qt::Key_F8);
    Form->Grid->SetRow(1);
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F5);
    Queue(u"501011234"_s, u"Мария Иванова"_s);
    // Edited before it was saved: the update goes with it.
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    Type(Form->edTown, u"Пловдив"_s);
    Press(Form->edTown, Qt::Key_F4);
    Queue(u"6001011234"_s, u"Георги Георгиев"_s);
    Queue(u"7001011234"_s, u"Петър Петров"_s);
    ASSERT_EQ(Form->PendingSql.size(), 5) << Presenter.Texts().join(u'|').toStdString();
    ASSERT_TRUE(OtherWorkstationSaves(Insert.arg(u"501011234"_s, u"Мария Петрова"_s)));
    Presenter.Clear();
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{Refused.arg(u"0501011234"_s, u"Мария Петрова"_s) +
                                             u" Останалото може да бъде записано с F2."_s});
    EXPECT_EQ(Form->PendingSql.size(), 3);
    EXPECT_EQ(Form->Grid->Cells(0, 1), u"6001011234"_s);
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    Presenter.Clear();
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"Select EGN, Three_names, town From Owners Order By EGN"_s),
              u"501011234@Мария Петрова@°6001011234@Георги Георгиев@София°7001011234@Петър Петров@София"_s);

    // Alone in the queue, he leaves it empty.
    Queue(u"9001011234"_s, u"Стоян"_s);
    ASSERT_TRUE(OtherWorkstationSaves(Insert.arg(u"9001011234"_s, u"Стоян Стоянов"_s)));
    Presenter.Clear();
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{Refused.arg(u"9001011234"_s, u"Стоян Стоянов"_s)});
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}
