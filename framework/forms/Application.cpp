#include "framework/forms/Application.h"

#include "core/unDatabase.h"
#include "core/unMessages.h"

#include <clocale>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    KeepNumbersInCLocale();
}

void KeepNumbersInCLocale() {
    std::setlocale(LC_NUMERIC, "C");
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (...) {
        HandleCurrentException();
        return false;
    }
}

void ShowException(const std::exception& E) {
    if (const auto* db = dynamic_cast<const EDatabaseError*>(&E))
        ShowDatabaseError(db->Message(), db->Sql());
    else if (const auto* e = dynamic_cast<const Exception*>(&E))
        ShowErrorBox(e->Message());
    else
        ShowErrorBox(QString::fromUtf8(E.what()));
}

void HandleCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowErrorBox(QStringLiteral("Неочаквана грешка в програмата."));
    }
}
