// What the form kit's widgets tell a screen reader, and how accessibility actions reach them.
// Qt's own interfaces for these widgets fall short in five ways: a checkable button's action
// toggles it without a click (so a handler bound to clicked never runs), a spin box's
// increase and decrease move by a tenth of the range rather than one step, a label with an
// accessible name hides the value it shows, a top-level window that is a plain widget is
// no window to a screen reader, and a tab bar lists its scroll buttons while they are hidden.
// The factory below gives those widgets interfaces of their own.
#include <algorithm>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScopedValueRollback>
#include <QToolButton>

#include "platform/formkit.h"
#include "platform/plainform.h"

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
        if (i.row() < HeaderRows)
            header = true;
        else
            chosen = i.row();
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

void TButton::keyPressEvent(QKeyEvent* e) {
    // Qt clicks a focused button on Enter only in a dialog, and only when it may become the
    // default; elsewhere only the space bar would.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        if (isEnabled()) click();
        return;
    }
    QPushButton::keyPressEvent(e);
}

TTabWidget::TTabWidget(QWidget* parent) : QTabWidget(parent) { setTabBar(new TTabBar(this)); }

void TTabWidget::tabInserted(int index) {
    QTabWidget::tabInserted(index);
    QWidget* page = widget(index);
    if (page && page->accessibleName().isEmpty()) page->setAccessibleName(FormKit::WithoutMnemonic(tabText(index)));
}

namespace {
FormKit::AccessibleEventWatcher g_watcher = nullptr;
}

FormKit::AccessibleEventWatcher FormKit::WatchAccessibleEvents(AccessibleEventWatcher watcher) {
    std::swap(g_watcher, watcher);
    return watcher;
}

void FormKit::AnnounceNameChange(QWidget* w) {
    // A name the program gave stands whatever the title reads; a window not on screen is read
    // afresh when it is shown.
    if (!w->accessibleName().isEmpty() || !w->isVisible()) return;
    QAccessibleEvent event(w, QAccessible::NameChanged);
    if (g_watcher) g_watcher(&event);
    QAccessible::updateAccessibility(&event);
}

TArrowSpinEdit::TArrowSpinEdit(QWidget* parent) : TSpinEdit(parent) { lineEdit()->setReadOnly(true); }

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
        return given.isEmpty() ? FormKit::WithoutMnemonic(button()->text()) : given;
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
                QMetaObject::invokeMethod(
                    b,
                    [b] {
                        if (b->isEnabled()) b->click();
                    },
                    Qt::QueuedConnection);
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
        if (t == QAccessible::Name)
            return widget()->accessibleName().isEmpty() ? l->spokenText() : widget()->accessibleName();
        if (t == QAccessible::Value) return l->text().trimmed();
        return QAccessibleWidget::text(t);
    }
};

// Value and actions one step at a time. The text is the edit's inside the spin edit (Qt gives
// that edit no interface of its own): read, and where the spin edit takes typing, typed.
class AccessibleSpin : public QAccessibleWidget,
                       public QAccessibleValueInterface,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
public:
    explicit AccessibleSpin(QWidget* w) : QAccessibleWidget(w, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface && !edit()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return spin()->text();
        return QAccessibleWidget::text(t);
    }

    QString text(int start, int end) const override { return edit()->text().mid(start, end - start); }
    int characterCount() const override { return int(edit()->text().size()); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !edit()->hasSelectedText()) return;
        *start = edit()->selectionStart();
        *end = *start + edit()->selectionLength();
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { edit()->deselect(); }
    void setSelection(int, int start, int end) override { edit()->setSelection(start, end - start); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
    // Typed as the keyboard types: the spin edit checks what it is given.
    void deleteText(int start, int end) override {
        edit()->setSelection(start, end - start);
        edit()->del();
    }
    void insertText(int offset, const QString& text) override {
        edit()->setCursorPosition(offset);
        edit()->insert(text);
    }
    void replaceText(int start, int end, const QString& text) override {
        edit()->setSelection(start, end - start);
        edit()->insert(text);
    }

    QVariant currentValue() const override { return spin()->value(); }
    void setCurrentValue(const QVariant& value) override {
        const int to = std::clamp(value.toInt(), spin()->minimum(), spin()->maximum());
        if (!qobject_cast<TArrowSpinEdit*>(spin())) {
            spin()->setValue(to);  // as if typed
            return;
        }
        // A count is reached one step at a time, as the arrows go.
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
    TSpinEdit* spin() const { return static_cast<TSpinEdit*>(widget()); }
    QLineEdit* edit() const { return spin()->editor(); }
};

// One tab of a tab bar: its caption, selected while its page is shown, pressed to show it.
class AccessibleTab : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessibleTab(QTabBar* bar, int index) : bar_(bar), index_(index) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    bool isValid() const override { return bar_ && index_ < bar_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return bar_ ? bar_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return FormKit::WithoutMnemonic(bar_->tabText(index_));
        if (t == QAccessible::Description) return bar_->tabToolTip(index_);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid() || !bar_->isTabVisible(index_)) return {};
        const QRect r = bar_->tabRect(index_);
        return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = index_ == bar_->currentIndex();
        s.focused = s.selected && bar_->hasFocus();
        s.invisible = !bar_->isVisible() || !bar_->isTabVisible(index_);
        s.disabled = !bar_->isEnabled() || !bar_->isTabEnabled(index_);
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid() && bar_->isTabEnabled(index_)) bar_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTabBar> bar_;
    int index_;
};

// The bar: its tabs, then the scroll buttons that are shown now. Qt's own interface lists both
// scroll buttons always, so a screen reader met two buttons it could not see.
class AccessibleTabBar : public QAccessibleWidget {
public:
    explicit AccessibleTabBar(QWidget* w) : QAccessibleWidget(w, QAccessible::PageTabList) {}
    ~AccessibleTabBar() override {
        for (QAccessible::Id id : std::as_const(tabs_)) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return int(bar()->count() + scrollButtons().size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0) return nullptr;
        if (index < bar()->count()) return tab(index);
        const QList<QToolButton*> buttons = scrollButtons();
        index -= bar()->count();
        return index < buttons.size() ? QAccessible::queryAccessibleInterface(buttons[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        for (auto it = tabs_.cbegin(); it != tabs_.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child) return it.key() < bar()->count() ? it.key() : -1;
        const int at = int(scrollButtons().indexOf(qobject_cast<QToolButton*>(child->object())));
        return at < 0 ? -1 : bar()->count() + at;
    }
    QAccessibleInterface* focusChild() const override {
        return bar()->hasFocus() && bar()->currentIndex() >= 0 ? tab(bar()->currentIndex()) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        // Read as the page it shows, as Qt's own bar does.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty() && bar()->currentIndex() >= 0)
            return FormKit::WithoutMnemonic(bar()->tabText(bar()->currentIndex()));
        return QAccessibleWidget::text(t);
    }

private:
    QTabBar* bar() const { return static_cast<QTabBar*>(widget()); }
    QAccessibleInterface* tab(int index) const {
        auto it = tabs_.constFind(index);
        if (it != tabs_.cend()) return QAccessible::accessibleInterface(it.value());
        auto* iface = new AccessibleTab(bar(), index);
        tabs_.insert(index, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }
    QList<QToolButton*> scrollButtons() const {
        QList<QToolButton*> shown;
        for (QToolButton* b : bar()->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
            if (b->isVisible()) shown << b;
        return shown;
    }

    mutable QHash<int, QAccessible::Id> tabs_;
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
    if (qobject_cast<TSpinEdit*>(object)) return new AccessibleSpin(w);
    if (qobject_cast<TTabBar*>(object)) return new AccessibleTabBar(w);
    if (isPlainWidget(object->metaObject())) return new AccessibleForm(w);
    return nullptr;
}

void installFormKitAccessible() { QAccessible::installFactory(formKitAccessible); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installFormKitAccessible)
