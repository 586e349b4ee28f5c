#include "sim/scriptedprompts.h"

#include <QDir>
#include <QStringList>

#include "platform/wait.h"

PromptAnswer ScriptedPrompts::next(const PromptRecord& r, PromptAnswer fallback) {
    shown.append(r);
    PromptAnswer a = std::move(fallback);
    if (responder) {
        a = responder(r);
        unanswered_ = 0;
    } else if (!answers_.empty()) {
        a = std::move(answers_.front());
        answers_.pop_front();
        unanswered_ = 0;
    } else {
        if (!anyAccepted_) unexpected.append(r);
        // A question the program repeats until it gets an answer (an input box asked again on
        // Cancel) must not hold a test for ever: after many unanswered prompts in a row the
        // program is ended, which ends its waits and loops, and the test fails.
        if (++unanswered_ >= kMaxUnanswered) {
            endless_ = true;
            SetAppQuitting(true);
        }
    }
    // A real prompt runs a modal loop: events go on while it is open.
    if (a.whileOpen) a.whileOpen();
    if (a.afterMs > 0) WaitFor(a.afterMs);
    return a;
}

int ScriptedPrompts::messageBox(const QString& caption, const QString& text, MsgIcon icon, int buttons) {
    PromptRecord r;
    r.kind = PromptRecord::Message;
    r.caption = caption;
    r.text = text;
    r.icon = icon;
    r.buttons = buttons;
    int first = MbOk;
    for (int b : {MbOk, MbYes, MbNo, MbCancel, MbHelp})
        if (buttons & b) {
            first = b;
            break;
        }
    PromptAnswer a = next(r, PromptAnswer::pressed(first));
    return a.button;
}

QString ScriptedPrompts::inputBox(const QString& caption, const QString& prompt, const QString& preset) {
    PromptRecord r;
    r.kind = PromptRecord::Input;
    r.caption = caption;
    r.text = prompt;
    r.preset = preset;
    PromptAnswer a = next(r, PromptAnswer::cancel());
    return a.accept ? a.text : preset;
}

bool ScriptedPrompts::fileDialog(PromptRecord::Kind kind, FileDialogSpec& spec) {
    PromptRecord r;
    r.kind = kind;
    r.spec = spec;
    // A responder that keeps giving a refused name cannot hold the test.
    for (int tries = 0; tries < 100; ++tries) {
        PromptAnswer a = next(r, PromptAnswer::cancel());
        if (!a.accept) return false;
        // As the real dialog: a choice its settings do not allow is refused and the dialog stays
        // open; the next answer is the user's next try (recorded as a prompt of its own). A real
        // dialog always gives a full path: a bare name is a file of a store the test simulates,
        // which the disk knows nothing of.
        const QString refusal = QDir::isAbsolutePath(a.fileName) ? FileChoiceRefusal(spec, a.fileName) : QString();
        if (refusal.isEmpty()) {
            spec.fileName = a.fileName;
            return true;
        }
        shown.last().refused = refusal;
    }
    return false;
}

bool ScriptedPrompts::openFile(FileDialogSpec& spec) { return fileDialog(PromptRecord::Open, spec); }
bool ScriptedPrompts::saveFile(FileDialogSpec& spec) { return fileDialog(PromptRecord::Save, spec); }

QString ScriptedPrompts::strictnessProblem() const {
    QStringList out;
    for (const auto& r : unexpected) out << QStringLiteral("unexpected prompt \"%1\": \"%2\"").arg(r.caption, r.text);
    if (endless_)
        out << QStringLiteral("%1 prompts in a row came without an answer; the program was ended").arg(kMaxUnanswered);
    if (!answers_.empty() && !unusedAllowed_)
        out << QStringLiteral("%1 queued answer(s) never used").arg(answers_.size());
    return out.join(QStringLiteral("; "));
}

QStringList ScriptedPrompts::texts() const {
    QStringList out;
    for (const auto& r : shown) out << r.text;
    return out;
}
