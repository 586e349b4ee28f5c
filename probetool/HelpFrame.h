#pragma once
// The help window's content: a fixed page of help on the main window's controls.
#include <QFrame>

class QPlainTextEdit;
class QPushButton;

class TFrame1 : public QFrame {
    Q_OBJECT
public:
    explicit TFrame1(QWidget* parent = nullptr);
    QFrame* Panel1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;
    static const QStringList& HelpLines();
};
