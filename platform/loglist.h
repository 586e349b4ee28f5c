#pragma once
// A log shown as a list of one-line rows. A log may grow without limit, and lines keep coming
// while it is shown, so each line must cost the same whatever the log holds: every row has one
// height (nothing is measured per row), the lines are kept as plain strings rather than item
// objects, and a line is inserted without touching the others.
#include <QAbstractListModel>
#include <QStringList>
#include <QTableView>
#include <deque>

class TLogLines final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void insertLine(int row, const QString& text);
    void setLines(const QStringList& lines);
    void clear();
    int count() const { return int(lines_.size()); }
    const QString& text(int row) const { return lines_[std::size_t(row)]; }

private:
    std::deque<QString> lines_;
};

class TLogList : public QTableView {
    Q_OBJECT
public:
    explicit TLogList(QWidget* parent = nullptr);
    int count() const { return lines_.count(); }
    QString text(int row) const { return row >= 0 && row < count() ? lines_.text(row) : QString(); }
    QStringList lines() const;
    // Row 0 is the top; a log that shows the newest line first inserts at 0.
    void insertLine(int row, const QString& text);
    void addLine(const QString& text) { insertLine(count(), text); }
    void setLines(const QStringList& lines);
    void clear();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void fitColumn();
    TLogLines lines_;
    int widest_ = 0;  // the widest line so far, so long lines can be scrolled to
};
