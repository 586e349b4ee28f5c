#pragma once
// Every message box, input box and file dialog goes through Prompts, so tests can answer
// them by script and see what was shown.
#include <QString>

enum class MsgIcon { None, Information, Warning, Error, Question };

enum MsgButton : int {
    MbOk = 1,
    MbCancel = 2,
    MbYes = 4,
    MbNo = 8,
    MbHelp = 16,
};

// The lasting state of one file dialog component: a window keeps it, so the dialog
// proposes the name last chosen in it next time.
struct FileDialogSpec {
    QString title;          // empty: the system's default title
    QString filter;         // "Description|*.ext" pairs, '|' separated
    QString defaultSuffix;  // without the dot
    QString fileName;       // proposed name; the chosen full path after OK
    QString initialDir;
    bool overwritePrompt = false;
    bool createPrompt = false;
    bool pathMustExist = false;
    bool fileMustExist = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // Text lines break at '\r' (and '\n'). Returns the MsgButton pressed.
    virtual int messageBox(const QString& caption, const QString& text, MsgIcon icon, int buttons = MbOk) = 0;
    // Cancel gives back the preset text.
    virtual QString inputBox(const QString& caption, const QString& prompt, const QString& preset) = 0;
    // On OK, spec.fileName becomes the chosen path and true is returned.
    virtual bool openFile(FileDialogSpec& spec) = 0;
    virtual bool saveFile(FileDialogSpec& spec) = 0;
};

class QtPrompts : public Prompts {
public:
    int messageBox(const QString& caption, const QString& text, MsgIcon icon, int buttons) override;
    QString inputBox(const QString& caption, const QString& prompt, const QString& preset) override;
    bool openFile(FileDialogSpec& spec) override;
    bool saveFile(FileDialogSpec& spec) override;
};

// Why a file dialog with spec's settings does not take the chosen path (the text it shows,
// and it stays open), or an empty text when it takes it: a file that must exist must exist, a
// folder that must exist must be there.
QString FileChoiceRefusal(const FileDialogSpec& spec, const QString& chosen);

// "Log files|*.log|All|*" -> "Log files (*.log);;All (*)"
QString QtFilterFromPairs(const QString& pairs);
// Message box text with '\r' line breaks as Qt shows it.
QString DisplayText(const QString& text);
