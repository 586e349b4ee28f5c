// What the form kit's widgets tell a screen reader, and how accessibility actions reach them.
// Qt's own interfaces for these widgets fall short in four ways: a checkable button's action
// toggles it without a click (so a handler bound to clicked never runs), a spin box's
// increase and decrease move by a tenth of the range rather than one step, a label with an
// accessible name hides the value it shows, and a top-level window that is a plain widget is
// no window to a screen reader. The factory below gives those widgets interfaces of their own.
#include <algorithm>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScopedValueRollback>

#include "platform/formkit.h"

// ---------------------------------------------------------------------------
// Widgets

TValueText::TValueText(const QString& text, const QString& caption, QWidget* parent)
    : QLabel(text, parent), caption_(caption.trimmed()) {}

QString TValueText::spokenText() const {
    const QString value = text().trimmed();
    if (caption_.isEmpty()) return value;
    QString caption = caption_;
    // "Status :" reads "Status: 00000000", not "Status :: 00000000".
    if (caption.endsWith(QLatin1Char(':'))) caption = caption.chopped(1).trimmed();
    return value.isEmpty() ? caption : caption + QStringLiteral(": ") + value;
}

TGrid::TGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
    // A click on a row already selected changes no selection, and is still a choice.
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row >= HeaderRows) emit rowChosen(row);
    });
}

QModelIndex TGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex to = QTableWidget::moveCursor(action, modifiers);
    if (!to.isValid() || to.row() >= HeaderRows) return to;
    if (rowCount() <= HeaderRows) return currentIndex();
    return model()->index(HeaderRows, std::max(to.column(), 0));
}

QItemSelectionModel::SelectionFlags TGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    if (index.isValid() && index.row() < HeaderRows) return QItemSelectionModel::NoUpdate;
    return QTableWidget::selectionCommand(index, event);
}

void TGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTableWidget::selectionChanged(selected, deselected);
    if (quiet_) return;
    bool header = false;
    int chosen = -1;
    for (const QModelIndex& i : selected.indexes()) {
        if (i.row() < HeaderRows) header = true;
        else chosen = i.row();
    }
    if (header) {
        // Selected from outside the view (an accessibility tool): the earlier selection stays.
        quiet_ = true;
        selectionModel()->select(selected, QItemSelectionModel::Deselect);
        if (lastRow_ >= HeaderRows && lastRow_ < rowCount())
            selectionModel()->select(model()->index(lastRow_, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        quiet_ = false;
        return;
    }
    if (chosen < 0) return;
    lastRow_ = chosen;
    emit rowChosen(chosen);
}

void TGrid::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    // The view moves the selection off the rows that go: nobody chose that row.
    const QScopedValueRollback quiet(quiet_, true);
    QTableWidget::rowsAboutToBeRemoved(parent, start, end);
}

TArrowSpinEdit::TArrowSpinEdit(QWidget* parent) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }

void TArrowSpinEdit::stepBy(int steps) {
    const int dir = steps > 0 ? 1 : -1;
    for (int i = 0; i != steps; i += dir) {
        const int before = value();
        QSpinBox::stepBy(dir);
        if (value() == before) break;
    }
}

// ---------------------------------------------------------------------------
// Accessible interfaces

namespace {

// The caption as shown: "&&" is an ampersand, a single "&" marks the shortcut letter.
QString withoutMnemonic(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    return out.trimmed();
}

class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

    QAccessible::Role role() const override {
        return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        s.defaultButton = button()->isDefault();
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name) return QAccessibleWidget::text(t);
        // A name the program gave stands; otherwise the caption, as it reads now.
        const QString given = widget()->accessibleName();
        return given.isEmpty() ? withoutMnemonic(button()->text()) : given;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled()) names << (button()->isCheckable() ? toggleAction() : pressAction());
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction()) {
            // Clicked from the event loop, as a mouse click comes: a handler that opens a modal
            // window or a message box must not hold up the call that asked for the click.
            QPushButton* b = button();
            if (b->isEnabled())
                QMetaObject::invokeMethod(b, [b] { if (b->isEnabled()) b->click(); }, Qt::QueuedConnection);
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

class AccessibleValueText : public QAccessibleWidget {
public:
    explicit AccessibleValueText(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* l = static_cast<const TValueText*>(widget());
        if (t == QAccessible::Name) return widget()->accessibleName().isEmpty() ? l->spokenText() : widget()->accessibleName();
        if (t == QAccessible::Value) return l->text().trimmed();
        return QAccessibleWidget::text(t);
    }
};

// Value and actions step by step; the shown text is offered read-only, as the edit takes no typing.
class AccessibleArrowSpin : public QAccessibleWidget, public QAccessibleValueInterface, public QAccessibleTextInterface {
public:
    explicit AccessibleArrowSpin(QWidget* w) : QAccessibleWidget(w, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(int start, int end) const override { return spin()->text().mid(start, end - start); }
    int characterCount() const override { return int(spin()->text().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return spin()->text();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return spin()->value(); }
    // A value set from outside is reached one step at a time, as the arrows go.
    void setCurrentValue(const QVariant& value) override {
        const int to = std::clamp(value.toInt(), spin()->minimum(), spin()->maximum());
        while (spin()->value() != to) {
            const int before = spin()->value();
            spin()->stepBy(to > before ? 1 : -1);
            if (spin()->value() == before) break;
        }
    }
    QVariant maximumValue() const override { return spin()->maximum(); }
    QVariant minimumValue() const override { return spin()->minimum(); }
    QVariant minimumStepSize() const override { return spin()->singleStep(); }
    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled()) names << increaseAction() << decreaseAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == increaseAction() || name == decreaseAction()) {
            if (widget()->isEnabled()) spin()->stepBy(name == increaseAction() ? 1 : -1);
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    QSpinBox* spin() const { return static_cast<QSpinBox*>(widget()); }
};

// The programs' windows that are plain widgets: a window to a screen reader while top-level.
class AccessibleForm : public QAccessibleWidget {
public:
    explicit AccessibleForm(QWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}
    QAccessible::Role role() const override { return widget()->isWindow() ? QAccessible::Window : QAccessible::Client; }
};

// Derived from QWidget itself, through the programs' own classes only (Qt's classes are named
// with a Q, the programs' never are).
bool isPlainWidget(const QMetaObject* mo) {
    for (; mo; mo = mo->superClass()) {
        if (mo == &QWidget::staticMetaObject) return true;
        if (mo->className()[0] == 'Q') return false;
    }
    return false;
}

QAccessibleInterface* formKitAccessible(const QString& className, QObject* object) {
    // Decided once, on the object's own class; Qt's factory answers for its classes further up.
    if (!object || !object->isWidgetType() || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (qobject_cast<TButton*>(object)) return new AccessibleButton(w);
    if (qobject_cast<TValueText*>(object)) return new AccessibleValueText(w);
    if (qobject_cast<TArrowSpinEdit*>(object)) return new AccessibleArrowSpin(w);
    if (isPlainWidget(object->metaObject())) return new AccessibleForm(w);
    return nullptr;
}

void installFormKitAccessible() { QAccessible::installFactory(formKitAccessible); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installFormKitAccessible)
