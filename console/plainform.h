#pragma once
// A secondary window as it stands at start: its form name and caption, hidden until a
// part of the program shows it.
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
