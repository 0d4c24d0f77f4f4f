#pragma once
// The program's entry: the database creation option, then start-up and the message loop.

#include <memory>

class QApplication;
class TRunFolder;

// "--create-database" creates the database of the program folder when it is missing and ends
// with 0 (also when it existed). Otherwise: the main window, the sign-in and the message loop.
int RunProgram(int argc, char** argv);

// Clears what runs that died left among the print jobs of this user's temporary folder and gives
// this run a folder of its own there, which the printers write their jobs into until it goes.
std::unique_ptr<TRunFolder> OpenPrintJobFolder();

// The program's name, Qt's own texts (standard dialogs and buttons) in Bulgarian, and the
// program's icon on every window. The translator is a child of App.
void SetUpApplication(QApplication& App);
