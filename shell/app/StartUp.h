#pragma once
// The program's entry: the database creation option, then start-up and the message loop.

// "--create-database" creates the database of the program folder when it is missing and ends
// with 0 (also when it existed). Otherwise: the main window, the sign-in and the message loop.
int RunProgram(int argc, char** argv);
