#include "business/registers/un_Owners.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

QString Bool(bool Value) {
    return Value ? u"True"_s : u"False"_s;
}

} // namespace

bool IsPersonalNumber(double EGN) {
    return EGN >= 1 && EGN <= double(MaxPersonalNumber);
}

QString OwnerKeyText(double EGN) {
    QString Result;
    FormatEGN(QString::number(Whole(EGN)), Result);
    return Result;
}

QString OwnersSelectSql(const QString& NameField) {
    return uR"sql(SELECT * FROM Owners ORDER BY )sql"_s + NameField;
}

void FormatOwnerRows(TDelimitedStringList& List) {
    for (int i = 0; i < List.Count(); ++i) {
        QString EGN;
        FormatEGN(List.GetField(i, 0), EGN);
        List.SetField(i, 0, EGN);
        List.SetField(i, 6, List.GetField(i, 6) == u"True"_s ? u"Мъж"_s : u"Жена"_s);
        List.SetField(i, 7, List.GetField(i, 7) == u"True"_s ? u"да"_s : u"не"_s);
    }
}

QStringList OwnerDisplayRow(const TOwnerEntry& Entry) {
    return {OwnerKeyText(Entry.EGN),
            Entry.Three_names,
            Entry.town,
            Entry.address,
            Entry.telephone,
            Entry.GSM,
            Entry.is_male ? u"Мъж"_s : u"Жена"_s,
            Entry.is_married ? u"да"_s : u"не"_s,
            QString::number(Entry.pref_code),
            Entry.lk_nomer,
            Entry.lk_izdadena_na,
            Entry.lk_ot_MVR,
            Entry.current_address};
}

QString OwnerInsertSql(const QString& TableName, const TOwnerEntry& Entry) {
    const QString Sql = uR"sql(
        Insert into %s values ( %d, "%s", "%s", "%s", "%s", "%s", %s, %s, %d, "%s", "%s", "%s", "%s")
    )sql"_s;
    return Format(Sql, {TableName, Whole(Entry.EGN), SqlText(Entry.Three_names.trimmed()),
                        SqlText(Entry.town.trimmed()), SqlText(Entry.address.trimmed()),
                        SqlText(Entry.telephone.trimmed()), SqlText(Entry.GSM.trimmed()), Bool(Entry.is_male),
                        Bool(Entry.is_married), Entry.pref_code, SqlText(Entry.lk_nomer.trimmed()),
                        SqlText(Entry.lk_izdadena_na.trimmed()), SqlText(Entry.lk_ot_MVR.trimmed()),
                        SqlText(Entry.current_address.trimmed())});
}

QString OwnerUpdateSql(const QString& TableName, const QString& NameField, const QString& KeyField,
                       const TOwnerEntry& Entry, qint64 Key) {
    const QString Sql = uR"sql(
        Update %s Set %s = "%s", %s = "%s",     %s = "%s", %s = "%s",     %s = "%s", %s = %s,
                      %s =  %s,  %s = %d,     %s = "%s", %s = "%s",     %s = "%s", %s = "%s"
        Where ( %s = %d )
    )sql"_s;
    return Format(Sql, {TableName,
                        NameField,
                        SqlText(Entry.Three_names.trimmed()),
                        u"town"_s,
                        SqlText(Entry.town.trimmed()),
                        u"address"_s,
                        SqlText(Entry.address.trimmed()),
                        u"telephone"_s,
                        SqlText(Entry.telephone.trimmed()),
                        u"GSM"_s,
                        SqlText(Entry.GSM.trimmed()),
                        u"is_male"_s,
                        Bool(Entry.is_male),
                        u"is_married"_s,
                        Bool(Entry.is_married),
                        u"pref_code"_s,
                        Entry.pref_code,
                        u"lk_nomer"_s,
                        SqlText(Entry.lk_nomer.trimmed()),
                        u"lk_izdadena_na"_s,
                        SqlText(Entry.lk_izdadena_na.trimmed()),
                        u"lk_ot_MVR"_s,
                        SqlText(Entry.lk_ot_MVR.trimmed()),
                        u"current_address"_s,
                        SqlText(Entry.current_address.trimmed()),
                        KeyField,
                        Key});
}

QString OwnerDeleteSql(const QString& TableName, const QString& KeyField, double EGN) {
    return Format(uR"sql(Delete * from %s Where %s = %f)sql"_s, {TableName, KeyField, EGN});
}

QString ValidateOwnerInput(const TOwnerEntry& Entry, const TGridRows& Rows) {
    QString Result;
    const bool NumberGiven = IsPersonalNumber(Entry.EGN);
    const bool NameGiven = !Entry.Three_names.trimmed().isEmpty();
    if (NumberGiven && NameGiven) {
        const QString KeyText = OwnerKeyText(Entry.EGN);
        // Each message once, however many namesakes the register holds.
        const auto Taken = [&Rows](auto Matches) { return std::any_of(Rows.begin(), Rows.end(), Matches); };
        if (Taken([&](const QStringList& Row) { return Row.value(0) == KeyText; }))
            Result += CodeTakenMessage(KeyText);
        if (Taken([&](const QStringList& Row) {
                return Row.value(1).trimmed() == Entry.Three_names.trimmed();
            }))
            Result += NameTakenMessage(Entry.Three_names.trimmed());
    }
    if (!NumberGiven) Result += u"Въведете ЕГН\n\r"_s;
    if (!NameGiven) Result += u"Въведете наименование!\n\r"_s;
    if (Entry.lk_nomer.trimmed().isEmpty() || Entry.lk_izdadena_na.trimmed().isEmpty() ||
        Entry.lk_ot_MVR.trimmed().isEmpty())
        Result += u"Въведете данни за лична карта\n\r"_s;
    return Result;
}

TOwnerEntry OwnerAsStored(const TOwnerEntry& Entry) {
    TOwnerEntry Result = Entry;
    for (QString* Text :
         {&Result.Three_names, &Result.town, &Result.address, &Result.telephone, &Result.GSM,
          &Result.lk_nomer, &Result.lk_izdadena_na, &Result.lk_ot_MVR, &Result.current_address})
        *Text = Text->trimmed();
    return Result;
}

QString OwnerRegisteredMeanwhileText(const QString& EGN, const QString& Name) {
    return Format(u"Заемополучател с ЕГН %s (%s) е регистриран междувременно от друго работно място. "
                  "Въведеният заемополучател не е записан."_s,
                  {EGN, Name});
}

// ---- the window

namespace {

QGroupBox* MakeRadioGroup(QWidget* Parent, const char* Name, const QString& Title, QRadioButton*& First,
                          const QString& FirstText, QRadioButton*& Second, const QString& SecondText) {
    auto* Group = new QGroupBox(Title, Parent);
    Group->setObjectName(QString::fromLatin1(Name));
    auto* Layout = new QHBoxLayout(Group);
    Layout->setContentsMargins(6, 0, 6, 2);
    First = new QRadioButton(FirstText, Group);
    Second = new QRadioButton(SecondText, Group);
    Layout->addWidget(First);
    Layout->addWidget(Second);
    return Group;
}

TLimitedEdit* MakeEdit(QWidget* Parent, const char* Name) {
    auto* Edit = new TLimitedEdit(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    return Edit;
}

} // namespace

TfrmOwners::TfrmOwners(QWidget* Owner) : TRegisterForm(Owner) {
    setObjectName(u"frmOwners"_s);
    pnlParams->setFixedHeight(118);
    auto* Layout = new QGridLayout(pnlParams);
    Layout->setContentsMargins(8, 4, 8, 4);
    Layout->setVerticalSpacing(3);
    feEGN = NewCodeEdit(u"feEGN"_s, 100);
    // As every list shows it: ten digits, a leading zero kept.
    feEGN->SetLeadingZeros(10);
    edThree_names = MakeEdit(pnlParams, "edThree_names");
    edTown = MakeEdit(pnlParams, "edTown");
    edAddress = MakeEdit(pnlParams, "edAddress");
    edTelephone = MakeEdit(pnlParams, "edTelephone");
    edGSM = MakeEdit(pnlParams, "edGSM");
    rgIs_Male = MakeRadioGroup(pnlParams, "rgIs_Male", u"Пол"_s, rbMale, u"Мъж"_s, rbFemale, u"Жена"_s);
    rgIs_Married =
        MakeRadioGroup(pnlParams, "rgIs_Married", u"Женен"_s, rbMarried, u"да"_s, rbNotMarried, u"не"_s);
    rbMale->setChecked(true);
    rbNotMarried->setChecked(true);
    connect(rbMale, &QRadioButton::toggled, this,
            [this](bool Male) { rgIs_Married->setTitle(Male ? u"Женен"_s : u"Омъжена"_s); });
    sePref_code = new QSpinBox(pnlParams);
    sePref_code->setObjectName(u"sePref_code"_s);
    sePref_code->setRange(1, 5);
    sePref_code->setValue(1);
    sePref_code->setFixedWidth(60);
    lk_nomer = MakeEdit(pnlParams, "lk_nomer");
    lk_izdadena_na = MakeEdit(pnlParams, "lk_izdadena_na");
    lk_ot_MVR = MakeEdit(pnlParams, "lk_ot_MVR");
    Current_address = MakeEdit(pnlParams, "Current_address");

    const auto Put = [&](int Row, int Col, const QString& Label, QWidget* Edit) {
        Layout->addWidget(new QLabel(Label, pnlParams), Row, Col * 2, Qt::AlignRight);
        Layout->addWidget(Edit, Row, Col * 2 + 1);
    };
    Put(0, 0, u"ЕГН:"_s, feEGN);
    Put(0, 1, u"Име:"_s, edThree_names);
    Put(0, 2, u"Град:"_s, edTown);
    Put(0, 3, u"Адрес:"_s, edAddress);
    Put(1, 0, u"Телефон:"_s, edTelephone);
    Put(1, 1, u"GSM:"_s, edGSM);
    Layout->addWidget(new QLabel(u"Преференция:"_s, pnlParams), 1, 4, Qt::AlignRight);
    Layout->addWidget(sePref_code, 1, 5, Qt::AlignLeft);
    auto* Groups = new QHBoxLayout;
    Groups->addWidget(rgIs_Male);
    Groups->addWidget(rgIs_Married);
    Layout->addLayout(Groups, 1, 6, 1, 2);
    Put(2, 0, u"Л.к. №:"_s, lk_nomer);
    Put(2, 1, u"Издадена на:"_s, lk_izdadena_na);
    Put(2, 2, u"От МВР:"_s, lk_ot_MVR);
    Put(2, 3, u"Настоящ адрес:"_s, Current_address);
    for (int Col : {1, 3, 5, 7})
        Layout->setColumnStretch(Col, Col == 1 ? 1 : 2);

    const QStringList Titles = {u"ЕГН"_s,         u"Име"_s,    u"Град"_s,         u"Адрес"_s, u"Телефон"_s,
                                u"GSM"_s,         u"Пол"_s,    u"Семеен"_s,       u"Преф."_s, u"Л.к. №"_s,
                                u"Издадена на"_s, u"От МВР"_s, u"Настоящ адрес"_s};
    SetGridColumns(Titles, {90, 190, 90, 160, 85, 85, 40, 55, 40, 80, 85, 100, 160});
}

QList<TLimitedEdit*> TfrmOwners::TextEdits() const {
    return {edThree_names, edTown,         edAddress, edTelephone,    edGSM,
            lk_nomer,      lk_izdadena_na, lk_ot_MVR, Current_address};
}

TOwnerEntry TfrmOwners::Entry() const {
    TOwnerEntry E;
    E.EGN = feEGN->Value();
    E.Three_names = edThree_names->text();
    E.town = edTown->text();
    E.address = edAddress->text();
    E.telephone = edTelephone->text();
    E.GSM = edGSM->text();
    E.is_male = rbMale->isChecked();
    E.is_married = rbMarried->isChecked();
    E.pref_code = sePref_code->value();
    E.lk_nomer = lk_nomer->text();
    E.lk_izdadena_na = lk_izdadena_na->text();
    E.lk_ot_MVR = lk_ot_MVR->text();
    E.current_address = Current_address->text();
    return E;
}

bool TfrmOwners::Init() {
    const bool Result = TRegisterForm::Init();
    for (TLimitedEdit* Edit : TextEdits())
        Edit->SetValidChars(RegisterValidChars);
    return Result;
}

bool TfrmOwners::Execute() {
    const bool Result = TRegisterForm::Execute();
    LoadRows(OwnersSelectSql(NameField), FormatOwnerRows);
    return Result;
}

QString TfrmOwners::ValidateInput() {
    return ValidateOwnerInput(Entry(), GridRows());
}

QStringList TfrmOwners::EntryStatements() {
    if (EditingRow) return {OwnerUpdateSql(TableName, NameField, KeyField, Entry(), KeyOfCell(EditingKey))};
    return {OwnerInsertSql(TableName, Entry())};
}

QStringList TfrmOwners::EntryRow() {
    return OwnerDisplayRow(OwnerAsStored(Entry()));
}

std::optional<TNameClaim> TfrmOwners::EntryName() {
    return TNameClaim{edThree_names->text().trimmed(), {}};
}

QString TfrmOwners::NewRecordRefusal(qint64 Key) {
    TDelimitedStringList Stored;
    RunQuery(this, AdoConnection,
             Format(uR"sql(SELECT %s FROM %s WHERE %s = %d)sql"_s, {NameField, TableName, KeyField, Key}),
             &Stored);
    return Stored.Count() == 0
               ? QString()
               : OwnerRegisteredMeanwhileText(OwnerKeyText(double(Key)), Stored.GetField(0, 0));
}

void TfrmOwners::EntryAdded(bool WasEditing) {
    // The contract window selects the borrower just added.
    if (!WasEditing) WriteRegString(u"Last_EGN"_s, QString::number(Whole(feEGN->Value())));
}

void TfrmOwners::RowToEdits(const QStringList& Cells) {
    feEGN->SetValue(StrToFloatDot(Cells.value(0), 0));
    edThree_names->setText(Cells.value(1));
    edTown->setText(Cells.value(2));
    edAddress->setText(Cells.value(3));
    edTelephone->setText(Cells.value(4));
    edGSM->setText(Cells.value(5));
    (Cells.value(6) == u"Мъж"_s ? rbMale : rbFemale)->setChecked(true);
    (Cells.value(7) == u"да"_s ? rbMarried : rbNotMarried)->setChecked(true);
    sePref_code->setValue(int(StrToIntOrZero(Cells.value(8))));
    lk_nomer->setText(Cells.value(9));
    lk_izdadena_na->setText(Cells.value(10));
    lk_ot_MVR->setText(Cells.value(11));
    Current_address->setText(Cells.value(12));
}

QWidget* TfrmOwners::KeyEdit() {
    return feEGN;
}

QString TfrmOwners::DeleteStatement(const QString& KeyCell) {
    return OwnerDeleteSql(TableName, KeyField, StrToFloatDot(KeyCell, 0));
}
