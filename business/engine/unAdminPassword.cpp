#include "business/engine/unAdminPassword.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"

using namespace Qt::StringLiterals;

namespace {
bool PasswordKnown = false;
}

void LoadAdminPassword(QObject* Owner) {
    PasswordKnown = false;
    AdminPassword.clear();
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, QStringLiteral(R"sql(SELECT value_VA FROM VA WHERE code_va = 12)sql"),
             &List);
    // code_va is the key, so there is at most one record.
    AdminPassword = List.Count() > 0 ? List.Get(0).trimmed() : QString();
    PasswordKnown = true;
}

bool AdminPasswordKnown() {
    return PasswordKnown;
}

bool EnsureAdminPassword(QObject* Owner) {
    try {
        LoadAdminPassword(Owner);
        return true;
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
}

bool AskAdminPassword(QObject* Owner) {
    if (!EnsureAdminPassword(Owner)) return false;
    QString Typed;
    if (!PasswordDialog(u"Въвеждане на парола"_s, u"Въведете парола"_s, u'*', Typed)) return false;
    if (Typed == AdminPassword) return true;
    ShowErrorFmt(u"Въведената парола е грешна!"_s);
    return false;
}
