#pragma once
// What both programs, and the tests' main, set up on the application before any window.
// Ignores SIGXFSZ, so a write past the file-size limit fails with EFBIG (shown as "Disk full.")
// instead of killing the program with the configuration in memory. Sets no application
// display name: Qt would append it to every window and box title.
void PrepareApplication();

// The Linux side of a program's start: its command line, its icon and, for a start from the
// desktop menu, its working folder. The windows themselves read no command line; a start
// without options works in the current directory, as from a terminal.
#include <QString>
#include <QStringList>
#include <optional>

struct ProgramIdentity {
    // Command and application name: "marvane".
    const char* command;
    // Desktop entry, icon and AppStream id: "org.tankcfg.Marvane".
    const char* desktopId;
    // The user's working folder under the documents folder: "Marvane".
    const char* folderName;
    // One line for --help.
    const char* summary;
};

// What the command line asks for. Options: -h/--help, -v/--version, --ports, --user-folder.
struct CommandLine {
    enum class Action { Run, Help, Version, Ports, Error };
    Action action = Action::Run;
    bool userFolder = false;
    // For Error: what was wrong.
    QString error;
};
// args as QCoreApplication::arguments() gives them, the command first. Options of the toolkit
// (-platform, -style, ...) are left to it: before it has taken them, pass strict = false and
// only the answers that end the program count.
CommandLine ReadCommandLine(const QStringList& args, const ProgramIdentity& program, bool strict);

// The texts printed for --help and --version.
QString HelpText(const ProgramIdentity& program);
QString VersionText(const ProgramIdentity& program);

// Answers --help, --version and --ports (and a command line it cannot read) on standard output
// or error, before any window exists, so they work without a display. Returns the exit code
// then; nothing when the program is to run. Call first in main().
std::optional<int> AnswerCommandLine(int argc, char** argv, const ProgramIdentity& program);

// The per-user working folder: <documents>/<folderName>, or ~/Documents/<folderName> where
// the documents folder is the home folder itself.
QString UserFolderPath(const ProgramIdentity& program);
// Creates the folder with its data and log subfolders and makes it the current directory.
// Returns what went wrong, empty on success.
QString EnterUserFolder(const ProgramIdentity& program);

// After the application object exists: name, version, desktop entry and window icon. Then, when
// the command line (QCoreApplication::arguments(), the toolkit's options taken) says
// --user-folder, moves into the user's folder. Returns the exit code for a command line it
// cannot read, or what went wrong with the folder.
struct StartOutcome {
    std::optional<int> exitCode;
    QString folderError;
};
StartOutcome DressApplication(const ProgramIdentity& program, const QStringList& args);
