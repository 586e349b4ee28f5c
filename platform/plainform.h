#pragma once
// The programs' windows as they stand at start: their form name and caption. A window is read
// by its title as it reads now, and a screen reader is told each time the title changes.
#include <QDialog>
#include <QEvent>
#include <QWidget>

namespace FormKit {
// Tells a screen reader that the window's name, which is its title, has changed, if the window
// is on screen.
void AnnounceNameChange(QWidget* window);
}  // namespace FormKit

// A window the program shows and hides, never freed before the end.
class PlainForm : public QWidget {
    Q_OBJECT
public:
    PlainForm(const char* formName, const char* caption, QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QString::fromLatin1(formName));
        setWindowTitle(QString::fromUtf8(caption));
    }

protected:
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange) FormKit::AnnounceNameChange(this);
        QWidget::changeEvent(e);
    }
};

// A window the program shows modally and whose result code the caller reads: exec() runs
// until done(code), and a close by the window frame gives Rejected (0).
class PlainDialog : public QDialog {
    Q_OBJECT
public:
    PlainDialog(const char* formName, const char* caption, QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QString::fromLatin1(formName));
        setWindowTitle(QString::fromUtf8(caption));
    }

protected:
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange) FormKit::AnnounceNameChange(this);
        QDialog::changeEvent(e);
    }
};
