#include "sim/scriptedprompts.h"

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

bool ScriptedPrompts::openFile(FileDialogSpec& spec) {
    PromptRecord r;
    r.kind = PromptRecord::Open;
    r.spec = spec;
    PromptAnswer a = next(r, PromptAnswer::cancel());
    if (!a.accept) return false;
    spec.fileName = a.fileName;
    return true;
}

bool ScriptedPrompts::saveFile(FileDialogSpec& spec) {
    PromptRecord r;
    r.kind = PromptRecord::Save;
    r.spec = spec;
    PromptAnswer a = next(r, PromptAnswer::cancel());
    if (!a.accept) return false;
    spec.fileName = a.fileName;
    return true;
}

QString ScriptedPrompts::strictnessProblem() const {
    QStringList out;
    for (const auto& r : unexpected)
        out << QStringLiteral("unexpected prompt \"%1\": \"%2\"").arg(r.caption, r.text);
    if (endless_) out << QStringLiteral("%1 prompts in a row came without an answer; the program was ended").arg(kMaxUnanswered);
    if (!answers_.empty() && !unusedAllowed_)
        out << QStringLiteral("%1 queued answer(s) never used").arg(answers_.size());
    return out.join(QStringLiteral("; "));
}

QStringList ScriptedPrompts::texts() const {
    QStringList out;
    for (const auto& r : shown) out << r.text;
    return out;
}
