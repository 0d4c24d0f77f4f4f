#pragma once
// The main window: the MDI parent of every register, document and report window.

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QMap>

class QMdiArea;
class QMdiSubWindow;
class QLabel;
class TAboutBox;
class QMenu;
class TMAccountForm;

// One command of the main menu: where it stands, the window it opens and the texts that window
// is handed.
struct TMenuCommand {
    QString Menu;    // the menu bar entry it stands under
    QString Name;    // the action's object name
    QString Caption; // the menu item
    QKeySequence Shortcut;
    TMAccountForm* (*Create)(QWidget* Owner, int Style);
    QString FormCaption;
    QString TableName;
    QString KeyField;
    QString NameField;
    QString RecordNoun;
    bool Maximised;
    bool PassUserName;
    // Asked before the window opens; false keeps it closed. None: the window opens at once.
    bool (*Allowed)(QWidget* Owner) = nullptr;
    // A command that opens no child window but runs a modal one itself (Create is then null).
    void (*Run)(QWidget* Owner) = nullptr;
};

// The commands of the main menu, in menu order.
const QList<TMenuCommand>& MenuCommands();

// What keeps the file at Path from being opened as the program's database, in words for the
// operator: missing, not readable and writable (its folder too), not an SQLite file; empty when
// nothing does. Only reads the file's first bytes.
QString DatabaseFileProblem(const QString& Path);

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Opens the database connection of the program folder ProgramFolder (the executable's when
    // empty) and reads the manager's password; a failed read is shown and leaves it unknown. A
    // database that another workstation holds is offered a retry; a damaged one, or one without
    // the program's tables, is a start error; one that lacks what the about box's repair adds is
    // offered the repair.
    explicit TMainForm(QWidget* Parent = nullptr, const QString& ProgramFolder = QString());
    ~TMainForm() override;

    // Why the database cannot be used at all (missing, unreadable, read-only, damaged, not the
    // program's database, in use by another workstation); empty when it can. The program shows it
    // and ends.
    const QString& StartError() const { return FStartError; }
    // The database was in use by another workstation and the operator, asked, did not try again:
    // the program ends without another word.
    bool StartCancelled() const { return FStartCancelled; }

    QMdiArea* MdiArea() const { return FMdiArea; }
    // The signed-in operator, handed to the document and report windows and shown in the status
    // bar; setting it hands it to the open windows that take it too.
    const QString& UserName() const { return FUserName; }
    void SetUserName(const QString& Value);
    // Once the operators register holds an operator, nobody works in a document or report window
    // unsigned: asks for the sign-in when no operator is signed in. False when it was refused.
    bool EnsureSignedIn();
    // The one about box, shown by the menu command "&За програмата".
    TAboutBox* AboutBox() const { return FAboutBox; }
    void SetAboutBox(TAboutBox* Box) { FAboutBox = Box; }
    // Runs a modal command and returns null; otherwise creates the window of Command as a child, hands it its
    // texts and shows it; null when the command's guard keeps it closed.
    TMAccountForm* OpenCommand(const TMenuCommand& Command);

    // Closes every child window, each with its own close rules; false when one stays open.
    bool CloseChildWindows();

protected:
    // Closes the child windows first, each with its own close rules; one that refuses keeps the
    // program running. Windows still alive then finish their work (placement, last inputs).
    void closeEvent(QCloseEvent* Event) override;

private:
    void BuildMenu();
    QMenu* MenuAt(const QString& Path);
    void TileSubWindows(Qt::Orientation Orientation);
    void FillWindowMenu();
    void SubWindowActivated(QMdiSubWindow* Window);

    QString FUserName;
    QLabel* labOperator;
    bool FSigningIn = false;
    QString FStartError;
    bool FStartCancelled = false;
    TAboutBox* FAboutBox = nullptr;
    QMdiArea* FMdiArea;
    QMenu* menuWindows = nullptr;
    QMap<QString, QMenu*> FMenus;
};
