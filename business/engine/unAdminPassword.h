#pragma once
// The manager's password (settings code 12), guarding the operators register and the editing or
// deleting of saved documents.

class QObject;

// Reads the password into AdminPassword: the trimmed value, empty when the row is missing or
// empty. Throws EDatabaseError when the read fails; the password is then not known.
void LoadAdminPassword(QObject* Owner);
// True once a read has succeeded.
bool AdminPasswordKnown();
// For an operation the password guards: reads it again, every time, so that a password changed
// by another workstation or brought back by a restore is the one in force. A failed read is
// shown and returns false, so the operation is refused rather than unguarded.
bool EnsureAdminPassword(QObject* Owner);
// Asks for the manager's password: true when it was typed right; a wrong one is told, a cancel is
// silent. The password is read again first when its start-up read failed.
bool AskAdminPassword(QObject* Owner);
