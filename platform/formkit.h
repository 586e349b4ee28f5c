#pragma once
// Widget helpers both programs lay out their windows with. Every control gets its control
// name as objectName, and its visible caption or label as accessible name, so screen readers
// and tests find it the way a technician sees it. The kit's own widgets also tell a screen
// reader what they show (a value beside its caption, a button's current caption) and make
// every accessibility action do what the mouse or the keyboard does.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <functional>
#include <initializer_list>

class QAccessibleEvent;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QWidget;
class TLogList;

// A push button whose accessible name follows its caption, and whose accessibility action is
// a click, so the handler bound to clicked runs (for a checkable button too). Enter on the
// focused button clicks it, as the space bar does, in every window; it becomes a dialog's
// default button (pressed by Enter anywhere in it) only when made so.
class TButton : public QPushButton {
    Q_OBJECT
public:
    explicit TButton(const QString& caption, QWidget* parent = nullptr) : QPushButton(caption, parent) {
        setAutoDefault(false);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// A read-only text showing a value. A screen reader reads it as "caption: value", so the value
// is heard with what it is; with no caption, as the value alone.
class TValueText : public QLabel {
    Q_OBJECT
public:
    TValueText(const QString& text, const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption) { caption_ = caption.trimmed(); }
    QString spokenText() const;

private:
    QString caption_;
};

// A gauge with a position and a maximum that may be 0 (a Qt bar with an empty range would
// show a busy animation instead). A position outside 0..maximum is held at the nearer end: a
// Qt bar ignores a value outside its range and would keep showing the old one.
class TGauge : public QProgressBar {
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;
    void setPosition(int p);
    int position() const { return position_; }
    void setMax(int m);
    int max() const { return max_; }

private:
    int position_ = 0;
    int max_ = 100;
};

// A grid whose first row is a fixed header: it cannot be selected, by mouse, keyboard or an
// accessibility tool. rowChosen reports every row below it that the user chooses, whichever
// way, so a keyboard selection acts as a click.
class TGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int HeaderRows = 1;
    TGrid(int rows, int columns, QWidget* parent = nullptr);

signals:
    void rowChosen(int row);

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    bool quiet_ = false;  // the selection moves because of the view or the program, not the user
    int lastRow_ = -1;    // the last row chosen, which a try to select the header leaves selected
};

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

// The button's caption, as it stands, is its accessible name.
TButton* Button(QWidget* parent, const char* name, const QString& caption);
// A label in front of its control; the label's text is the control's accessible name (a value
// text's caption, read with its value).
QLabel* LabelFor(QWidget* parent, const QString& text, QWidget* control);
// A group box's caption is its accessible name.
QGroupBox* Group(QWidget* parent, const QString& title, const char* name = nullptr);
QComboBox* List(QWidget* parent, const char* name, const QStringList& items);
// A read-only text showing a value; fixed pitch right-aligns it for columns of figures.
TValueText* ValueText(QWidget* parent, const char* name, const QString& text, const QString& caption,
                      bool fixedPitch = false);
// A connection's status text, shown on green (connected) or red (not); its accessible name
// says the state in words, so it is not told by colour alone.
void ShowConnectionState(QLabel* status, bool connected);
// A grid with a fixed header row, one row selected at a time, not editable in place. Widths
// are in the console's small dialog font and scaled to the font in use.
TGrid* Grid(QWidget* parent, const char* name, std::initializer_list<int> widths);
// No header text is cut: a column is at least as wide as its header row's cell.
void FitHeaderRow(QTableWidget* g);
// A log list: one line per row, every line the same cost however long the log grows.
TLogList* LogList(QWidget* parent, const char* name, const QString& accessibleName);
// Work a window created at start needs only once it is seen (a chart's layout): done once, as
// the window is first shown, before it is drawn. Prepare does it at once, for code that draws a
// window never shown.
void OnFirstShow(QWidget* window, std::function<void()> work);
void Prepare(QWidget* window);
// "from".."to" as decimal texts.
QStringList Numbers(int from, int to);
// Received bytes in a log view: a NUL byte would end the text a screen reader gets, so it is
// shown as the symbol for NUL; LoggedText gives the bytes back as they came, for the log file.
QString ShownLogText(QString text);
QString LoggedText(QString text);
// Typing stops at `limit` characters, while a longer text put in by the program is shown
// whole and can still be shortened.
void LimitTyping(QLineEdit* edit, int limit);

}  // namespace FormKit

// A spin edit that takes typing. An accessibility tool's increase and decrease move it one
// step, as the arrow keys do (a plain spin box jumps a tenth of its range), and its text is
// read and typed through the edit inside it.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
    QLineEdit* editor() const { return lineEdit(); }
};

// A spin edit moved by its arrows and the arrow keys only: typed characters are not taken,
// so a count goes one step at a time. A value an accessibility tool sets is also reached one
// step at a time.
class TArrowSpinEdit : public TSpinEdit {
    Q_OBJECT
public:
    explicit TArrowSpinEdit(QWidget* parent = nullptr);
    // A page key or a page step of the wheel walks the steps one by one, so that whoever
    // follows the value sees every value in between.
    void stepBy(int steps) override;
};

// The tabs of a page control. To a screen reader the bar holds its tabs and, only while they
// are shown, the buttons that scroll them.
class TTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;
};

// A page control whose pages are named by their tabs' captions.
class TTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit TTabWidget(QWidget* parent = nullptr);

protected:
    void tabInserted(int index) override;
};

namespace FormKit {
TArrowSpinEdit* ArrowSpin(QWidget* parent, const char* name, int lo, int hi);
TSpinEdit* Spin(QWidget* parent, const char* name, int lo, int hi, int value);
// The caption as shown: "&&" is an ampersand, a single "&" marks the shortcut letter.
QString WithoutMnemonic(const QString& caption);
// Every accessibility event the kit raises goes to the accessibility bus, and to the watcher
// while one is set: a test that watches what a screen reader is told (with no screen reader
// listening, the bus drops the events unseen). Returns the watcher set before.
using AccessibleEventWatcher = void (*)(QAccessibleEvent*);
AccessibleEventWatcher WatchAccessibleEvents(AccessibleEventWatcher watcher);
// Tab and Shift+Tab go through the window's controls in reading order: the layouts' order,
// a grid row by row, a group's controls together, a page control's tabs before its pages.
void TabInReadingOrder(QWidget* window);
}  // namespace FormKit

// Room for what a control shows (formkit_layout.cpp). Every width comes from the control's own
// font and style, so a text fits whatever font the display gives.
class QTableView;
namespace FormKit {
// A status text on a plate of its own colour (red or green): filled, centred, and padded as a
// button pads its caption, so the text does not touch the plate's edges.
void Plate(QLabel* label);
// The control (a line edit or a drop-down list, editable or not) is at least wide enough to
// show `widest` whole in its font.
void FitText(QWidget* control, const QString& widest);
// A grid column as wide as its widest text needs, never narrower than `minWidth`. The texts
// come from `text(row)` for each model row, straight from where the caller keeps them: a
// column of tens of thousands of rows is then measured without a QVariant per cell.
void FitColumn(QTableView* view, int column, int minWidth, const std::function<const QString&(int row)>& text);
// A grid of a fixed number of rows shows all of them, one line of text high, without scrolling.
void ShowAllRows(QTableView* view);
// A grid keeps room for all of its columns side by side, beside its vertical scroll bar.
void ShowAllColumns(QTableView* view);
}  // namespace FormKit
