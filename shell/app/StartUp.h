#pragma once
// The program's entry: the database creation option, then start-up and the message loop.

// "--create-database" creates the database of the program folder when it is missing and ends
// with 0 (also when it existed). Otherwise: the main window, the sign-in and the message loop.
int RunProgram(int argc, char** argv);

class QApplication;

// The program's name, Qt's own texts (standard dialogs and buttons) in Bulgarian, and the
// program's icon on every window. The translator is a child of App.
void SetUpApplication(QApplication& App);
