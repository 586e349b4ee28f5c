#pragma once
// Secondary windows as they stand at start: their form name and caption, hidden until a
// part of the program shows them.
#include <QDialog>
#include <QWidget>

class PlainForm : public QWidget {
    Q_OBJECT
public:
    PlainForm(const char* formName, const char* caption, QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QString::fromLatin1(formName));
        setWindowTitle(QString::fromUtf8(caption));
        setAccessibleName(windowTitle());
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
        setAccessibleName(windowTitle());
    }
};
