#include "sim/scriptedprompts.h"

#include <QStringList>

#include "platform/wait.h"

PromptAnswer ScriptedPrompts::next(const PromptRecord& r, PromptAnswer fallback) {
    shown.append(r);
    PromptAnswer a = std::move(fallback);
    if (responder) {
        a = responder(r);
    } else if (!answers_.empty()) {
        a = std::move(answers_.front());
        answers_.pop_front();
    } else if (!anyAccepted_) {
        unexpected.append(r);
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
        if (buttons & b) { first = b; break; }
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
    for (;;) {
        PromptAnswer a = next(r, PromptAnswer::cancel());
        if (!a.accept) return false;
        // As the real dialog: a choice its settings do not allow is refused and the dialog stays
        // open; the next answer is the user's next try (recorded as a prompt of its own).
        const QString refusal = FileChoiceRefusal(spec, a.fileName);
        if (refusal.isEmpty()) {
            spec.fileName = a.fileName;
            return true;
        }
        shown.last().refused = refusal;
    }
}

bool ScriptedPrompts::openFile(FileDialogSpec& spec) { return fileDialog(PromptRecord::Open, spec); }
bool ScriptedPrompts::saveFile(FileDialogSpec& spec) { return fileDialog(PromptRecord::Save, spec); }

QString ScriptedPrompts::strictnessProblem() const {
    QStringList out;
    for (const auto& r : unexpected)
        out << QStringLiteral("unexpected prompt \"%1\": \"%2\"").arg(r.caption, r.text);
    if (!answers_.empty() && !unusedAllowed_)
        out << QStringLiteral("%1 queued answer(s) never used").arg(answers_.size());
    return out.join(QStringLiteral("; "));
}

QStringList ScriptedPrompts::texts() const {
    QStringList out;
    for (const auto& r : shown) out << r.text;
    return out;
}
