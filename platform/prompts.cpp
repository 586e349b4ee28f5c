#include "platform/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
QWidget* activeParent() { return QApplication::activeWindow(); }

struct ButtonMap {
    int ours;
    QMessageBox::StandardButton qt;
};
constexpr ButtonMap kButtons[] = {
    {MbOk, QMessageBox::Ok}, {MbCancel, QMessageBox::Cancel}, {MbYes, QMessageBox::Yes},
    {MbNo, QMessageBox::No}, {MbHelp, QMessageBox::Help},
};
}  // namespace

QString DisplayText(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QString QtFilterFromPairs(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i],
                                             QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
    return out.join(QLatin1String(";;"));
}

int QtPrompts::messageBox(const QString& caption, const QString& text, MsgIcon icon, int buttons) {
    QMessageBox box(activeParent());
    box.setWindowTitle(caption);
    box.setText(DisplayText(text));
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons sb;
    for (const auto& b : kButtons)
        if (buttons & b.ours) sb |= b.qt;
    if (!sb) sb = QMessageBox::Ok;
    box.setStandardButtons(sb);
    const int r = box.exec();
    for (const auto& b : kButtons)
        if (r == b.qt) return b.ours;
    return (buttons & MbCancel) ? MbCancel : MbOk;
}

QString QtPrompts::inputBox(const QString& caption, const QString& prompt, const QString& preset) {
    bool ok = false;
    const QString s = QInputDialog::getText(activeParent(), caption, prompt, QLineEdit::Normal, preset, &ok);
    return ok ? s : preset;
}

QString FileChoiceRefusal(const FileDialogSpec& spec, const QString& chosen) {
    const QFileInfo info(chosen);
    if ((spec.pathMustExist || spec.fileMustExist) && !info.absoluteDir().exists())
        return QStringLiteral("%1\nThe folder does not exist.\nCheck the path and try again.").arg(chosen);
    if (spec.fileMustExist && !info.exists())
        return QStringLiteral("%1\nFile not found.\nCheck the file name and try again.").arg(chosen);
    return {};
}

static bool runFileDialog(FileDialogSpec& spec, bool save) {
    QFileDialog dlg(activeParent(), spec.title);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(spec.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg.setNameFilter(QtFilterFromPairs(spec.filter));
    dlg.setDefaultSuffix(spec.defaultSuffix);
    QFileInfo proposed(spec.fileName);
    if (!spec.initialDir.isEmpty() && QFileInfo(spec.initialDir).isDir())
        dlg.setDirectory(spec.initialDir);
    else if (proposed.isAbsolute())
        dlg.setDirectory(proposed.absolutePath());
    dlg.selectFile(proposed.fileName());
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !spec.overwritePrompt);
    QString chosen;
    for (;;) {
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
        chosen = dlg.selectedFiles().constFirst();
        // Qt's dialog does not check the folder of a name typed in: refuse it and stay open.
        const QString refusal = FileChoiceRefusal(spec, chosen);
        if (refusal.isEmpty()) break;
        QMessageBox::warning(&dlg, dlg.windowTitle(), refusal);
        dlg.selectFile(chosen);
    }
    if (save && spec.createPrompt && !QFileInfo::exists(chosen)) {
        const auto r =
            QMessageBox::question(activeParent(), dlg.windowTitle(),
                                  QStringLiteral("%1\nThis file does not exist.\nCreate the file?").arg(chosen));
        if (r != QMessageBox::Yes) return false;
    }
    spec.fileName = chosen;
    return true;
}

bool QtPrompts::openFile(FileDialogSpec& spec) { return runFileDialog(spec, false); }
bool QtPrompts::saveFile(FileDialogSpec& spec) { return runFileDialog(spec, true); }
