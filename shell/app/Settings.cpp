#include "shell/app/Settings.h"

#include "Components/Edits/LimitedEdit.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "shell/app/HostAddress.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString ShopTextChars = u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s;

const char* const OptionCaptions[WorkstationOptionCount] = {
    " 1. Показване само на договори за залог с днешна дата: ",
    " 2. Показване само на ПКО с днешна дата: ",
    " 3. Показване само на РКО с днешна дата: ",
    " 4. Изчисляване на дължими лихви по договори за залог при продажба на вещи: ",
    " 5. Връщане на вещи, обявени за продажба. Плащане на лихва по тях: ",
    " 6. Изчисляване на 15-дневна лихва при връщане на вещи или плащане на лихви: ",
    " 7. Показване само на договори за продажба на вещи с днешна дата: ",
};

const struct {
    const char* Label;
    int MaxLength;
} ShopFields[ShopSettingCount] = {
    {"1. Заложна къща (ЗК) - наименование:", 50},
    {"2. ЗК - седалище и адрес на управление:", 50},
    {"3. Булстат", 9},
    {"4. Населено място (град/село), адрес и телефон:", 50},
    {"5. Представляващ (МОЛ)", 50},
    {"6. ................................", 50},
    {"7. ................................", 50},
    {"8. Работно време", 50},
    {"9. Работно време - почивни дни", 50},
};

QString OptionName(int Option) {
    return u"rg_Registry_%1"_s.arg(Option + 1);
}

} // namespace

QStringList ShopSettingsSql(const TDelimitedStringList& Stored, const QStringList& Texts) {
    QStringList Statements;
    for (int Code = 1; Code <= ShopSettingCount && Code <= Texts.size(); ++Code) {
        const QString& Text = Texts[Code - 1];
        const int Row = FindRowByIntKey(Code, &Stored, 0);
        if (Row < 0)
            Statements << Format(uR"sql(Insert into VA values ( %d, "%s" ))sql"_s, {Code, SqlText(Text)});
        else if (Stored.GetField(Row, 1) != Text)
            Statements << Format(uR"sql(Update va set value_va = "%s" where code_va = %d)sql"_s,
                                 {SqlText(Text), Code});
    }
    return Statements;
}

int OptionItemIndex(const QString& Stored) {
    return StrToIntOrZero(Stored.trimmed()) == 1 ? 1 : 0;
}

TfrmNAS::TfrmNAS(QWidget* Owner) : TMAccountForm(Owner), FSettings(new TDelimitedStringList) {
    setObjectName(u"frmNAS"_s);
    pcMain = new QTabWidget(this);
    pcMain->setObjectName(u"pcMain"_s);
    ClientLayout()->addWidget(pcMain, 1);

    tab_NAS = new QWidget;
    tab_NAS->setObjectName(u"tab_NAS"_s);
    auto* Options = new QVBoxLayout(tab_NAS);
    for (int I = 0; I < WorkstationOptionCount; ++I) {
        auto* Box = new QGroupBox(QString::fromUtf8(OptionCaptions[I]), tab_NAS);
        Box->setObjectName(OptionName(I));
        auto* Row = new QHBoxLayout(Box);
        FGroups[I] = new QButtonGroup(Box);
        const QString Items[2] = {u"не"_s, u"да"_s};
        for (int Index = 0; Index < 2; ++Index) {
            auto* Button = new QRadioButton(Items[Index], Box);
            FGroups[I]->addButton(Button, Index);
            Row->addWidget(Button);
        }
        Row->addStretch(1);
        connect(FGroups[I], &QButtonGroup::idClicked, this, [this] { Modified = true; });
        rgRegistry[I] = Box;
        Options->addWidget(Box);
    }
    Options->addStretch(1);
    pcMain->addTab(tab_NAS, u"За станцията"_s);

    tab_VA = new QWidget;
    tab_VA->setObjectName(u"tab_VA"_s);
    auto* Fields = new QGridLayout(tab_VA);
    int Line = 0;
    for (int I = 0; I < ShopSettingCount; ++I) {
        edVA[I] = new TLimitedEdit(tab_VA);
        edVA[I]->setObjectName(u"ed_VA_%1"_s.arg(I + 1));
        connect(edVA[I], &QLineEdit::textEdited, this, [this] { Modified = true; });
        auto* Label = new QLabel(QString::fromUtf8(ShopFields[I].Label), tab_VA);
        Label->setBuddy(edVA[I]);
        if (I == 3) {
            // The premises' address stands in a group of its own.
            auto* Group = new QGroupBox(u" Точен адрес (и тел.) на търговско помещение: "_s, tab_VA);
            auto* G = new QVBoxLayout(Group);
            G->addWidget(Label);
            G->addWidget(edVA[I]);
            Fields->addWidget(Group, Line++, 0, 1, 2);
            continue;
        }
        Fields->addWidget(Label, Line, 0);
        Fields->addWidget(edVA[I], Line++, 1);
    }
    Fields->addWidget(new QLabel(u"12. Парола на шефа"_s, tab_VA), Line, 0);
    auto* Stars = new QLabel(u"**********"_s, tab_VA);
    Stars->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Fields->addWidget(Stars, Line++, 1);
    Fields->setRowStretch(Line, 1);
    Fields->setColumnStretch(1, 1);
    pcMain->addTab(tab_VA, u"За фирмата"_s);
    actSave->setEnabled(true);
}

TfrmNAS::~TfrmNAS() {
    delete FSettings;
}

int TfrmNAS::OptionIndex(int Option) const {
    return FGroups[Option]->checkedId();
}

void TfrmNAS::SetOptionIndex(int Option, int Index) {
    if (QAbstractButton* Button = FGroups[Option]->button(Index)) Button->setChecked(true);
}

bool TfrmNAS::Init() {
    const bool Result = TMAccountForm::Init();
    // The address is looked up once: a slow name service should not hold up every Save.
    const QString Caption = u"Настройки за "_s + GetLocalIPAddress();
    ShowCaption(Caption);
    CloseAfterSave = true;
    pcMain->setCurrentIndex(0);
    for (int I = 0; I < ShopSettingCount; ++I) {
        edVA[I]->setMaxLength(ShopFields[I].MaxLength);
        edVA[I]->SetValidChars(ShopTextChars);
    }
    Execute();
    // A smaller size kept from an earlier run would squeeze the rows and cut off the last ones.
    Container()->resize(Container()->size().expandedTo(Container()->sizeHint()));
    return Result;
}

bool TfrmNAS::Reset() {
    const bool Result = TMAccountForm::Reset();
    for (QGroupBox* Box : rgRegistry)
        Box->setEnabled(true);
    return Result;
}

bool TfrmNAS::Execute() {
    TMAccountForm::Execute();
    for (int I = 0; I < WorkstationOptionCount; ++I)
        SetOptionIndex(I, OptionItemIndex(ReadRegString(OptionName(I))));
    try {
        RunQuery(this, AdoConnection, uR"sql(SELECT code_VA, value_VA FROM VA Order By code_VA)sql"_s,
                 FSettings);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    for (int I = 0; I < ShopSettingCount; ++I) {
        const int Row = FindRowByIntKey(I + 1, FSettings, 0);
        edVA[I]->setText(Row < 0 ? QString() : FSettings->GetField(Row, 1));
    }
    Modified = false;
    return true;
}

bool TfrmNAS::Save() {
    TMAccountForm::Save();
    QStringList Texts;
    for (const TLimitedEdit* Edit : edVA)
        Texts << Edit->text();
    const QStringList Statements = ShopSettingsSql(*FSettings, Texts);
    // One transaction: a statement that fails is named by its position and none of the others stays.
    bool Ok = true;
    try {
        TTransaction Transaction;
        for (int I = 0; I < Statements.size() && Ok; ++I)
            if (!ExecSQL(this, AdoConnection, Statements[I])) {
                ShowErrorFmt(LoadStr(65090), {u"VA"_s, I + 1});
                Ok = false;
            }
        if (Ok) Transaction.Commit();
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        Ok = false;
    }
    // The options belong to this workstation, not to the database: written whatever happened above.
    for (int I = 0; I < WorkstationOptionCount; ++I)
        WriteRegString(OptionName(I), QString::number(std::max(OptionIndex(I), 0)));
    if (Ok) Modified = false;
    // A failed Save keeps the window open with what was typed, so it can be saved again. While
    // the close question saves, the closing itself is already under way.
    CloseAfterSave = Ok && !FClosing;
    return Ok;
}

bool TfrmNAS::CloseQuery() {
    if (!TMAccountForm::CloseQuery()) return false;
    if (!Modified) return true;
    FClosing = true;
    const int Answer = QuerySaveChanges();
    FClosing = false;
    return Answer != mrCancel;
}
