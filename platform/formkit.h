#pragma once
// Widget helpers both programs lay out their windows with. Every control gets its control
// name as objectName, and its visible caption or label as accessible name, so screen readers
// and tests find it the way a technician sees it.
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <initializer_list>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QWidget;
class TLogList;

namespace FormKit {

template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

template <class W>
W* Named(W* w, const char* name, const QString& caption) {
    Named(w, name);
    if (!caption.isEmpty()) w->setAccessibleName(caption.trimmed());
    return w;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption);
// A label in front of its control; the label's text is the control's accessible name.
QLabel* LabelFor(QWidget* parent, const QString& text, QWidget* control);
// A group box's caption is its accessible name.
QGroupBox* Group(QWidget* parent, const QString& title, const char* name = nullptr);
QComboBox* List(QWidget* parent, const char* name, const QStringList& items);
// A read-only text showing a value; fixed pitch right-aligns it for columns of figures.
QLabel* ValueText(QWidget* parent, const char* name, const QString& text, const QString& caption, bool fixedPitch = false);
// A grid of rows without headers, one row selected at a time, not editable in place. Widths
// are in the console's small dialog font and scaled to the font in use.
QTableWidget* Grid(QWidget* parent, const char* name, std::initializer_list<int> widths);
// No header text is cut: a column is at least as wide as its header row's cell.
void FitHeaderRow(QTableWidget* g);
// A log list: one line per row, every line the same cost however long the log grows.
TLogList* LogList(QWidget* parent, const char* name, const QString& accessibleName);
// "from".."to" as decimal texts.
QStringList Numbers(int from, int to);
// Typing stops at `limit` characters, while a longer text put in by the program is shown
// whole and can still be shortened.
void LimitTyping(QLineEdit* edit, int limit);

}  // namespace FormKit

// A spin edit moved by its arrows and the arrow keys only: typed characters are not taken,
// so a count goes one step at a time.
class TArrowSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TArrowSpinEdit(QWidget* parent = nullptr);
};

namespace FormKit {
TArrowSpinEdit* ArrowSpin(QWidget* parent, const char* name, int lo, int hi);
}
