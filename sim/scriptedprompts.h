#pragma once
// The prompts' twin for tests: answers come from a script, and every prompt shown is recorded.
#include <QList>
#include <QString>
#include <deque>
#include <functional>

#include "platform/prompts.h"

struct PromptRecord {
    enum Kind { Message, Input, Open, Save };
    Kind kind = Message;
    QString caption;
    QString text;  // message text, or the input box's prompt
    MsgIcon icon = MsgIcon::None;
    int buttons = 0;
    QString preset;       // input box preset
    FileDialogSpec spec;  // file dialogs: the spec as the program passed it
    QString refused;      // file dialogs: why the dialog did not take this answer and stayed open
};

struct PromptAnswer {
    int button = MbOk;                // message boxes
    bool accept = true;               // input box OK / file dialog OK
    QString text;                     // input box text
    QString fileName;                 // file dialogs: the chosen path (a relative name is not checked)
    int afterMs = 0;                  // the prompt stays open this long (virtual time passes meanwhile)
    std::function<void()> whileOpen;  // runs while the prompt is open, before it is answered

    static PromptAnswer ok() { return {}; }
    static PromptAnswer pressed(int b) {
        PromptAnswer a;
        a.button = b;
        return a;
    }
    static PromptAnswer input(const QString& t) {
        PromptAnswer a;
        a.text = t;
        return a;
    }
    static PromptAnswer cancel() {
        PromptAnswer a;
        a.accept = false;
        a.button = MbCancel;
        return a;
    }
    static PromptAnswer file(const QString& path) {
        PromptAnswer a;
        a.fileName = path;
        return a;
    }
};

class ScriptedPrompts : public Prompts {
public:
    int messageBox(const QString& caption, const QString& text, MsgIcon icon, int buttons) override;
    QString inputBox(const QString& caption, const QString& prompt, const QString& preset) override;
    bool openFile(FileDialogSpec& spec) override;
    bool saveFile(FileDialogSpec& spec) override;

    // Answers in order. A prompt with none queued gets a message box's first button (OK), or a
    // cancelled input box or file dialog, and counts as unexpected unless acceptAny() was said.
    void queue(PromptAnswer a) { answers_.push_back(std::move(a)); }
    // When set, decides every answer (the queue is then not used).
    std::function<PromptAnswer(const PromptRecord&)> responder;

    QList<PromptRecord> shown;
    int pendingAnswers() const { return int(answers_.size()); }
    void clear() {
        shown.clear();
        answers_.clear();
        unexpected.clear();
        unanswered_ = 0;
        endless_ = false;
    }
    // The test means to take whatever boxes come, with their default answers.
    void acceptAny(bool on = true) { anyAccepted_ = on; }
    // The test queues answers that may not all be asked for.
    void allowUnused(bool on = true) { unusedAllowed_ = on; }
    // Prompts nobody queued an answer for.
    QList<PromptRecord> unexpected;
    // Empty when every prompt was expected and every queued answer used.
    QString strictnessProblem() const;
    QStringList texts() const;  // the texts of every prompt shown, in order

private:
    PromptAnswer next(const PromptRecord& r, PromptAnswer fallback);
    bool fileDialog(PromptRecord::Kind kind, FileDialogSpec& spec);
    std::deque<PromptAnswer> answers_;
    static constexpr int kMaxUnanswered = 100;
    int unanswered_ = 0;  // prompts in a row that got the fallback answer
    bool endless_ = false;
    bool anyAccepted_ = false;
    bool unusedAllowed_ = false;
};
