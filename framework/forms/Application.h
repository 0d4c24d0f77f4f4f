#pragma once
// The application object: no exception crosses the event loop. What an event handler lets out is
// shown in the application's error display and the program carries on.

#include <QApplication>
#include <exception>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* Receiver, QEvent* Event) override;
};

// Numbers written into files (a workbook's values and widths) and printed through the C library
// keep "." as the decimal point whatever the desktop's locale: the numeric locale of the whole
// process goes back to "C" after the application object has taken the desktop's.
void KeepNumbersInCLocale();

// The application's error display: a database error in the database error box, any other
// failure in the plain error box.
void ShowException(const std::exception& E);
// Shows the exception being handled; call it from a catch block.
void HandleCurrentException();
