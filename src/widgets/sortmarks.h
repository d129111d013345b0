#pragma once

#include <QList>
#include <QPair>
#include <Qt>

#include <optional>

namespace tirelon {

// A sort key: model columns, each ascending or descending, most significant first.
using SortKeys = QList<QPair<int, Qt::SortOrder>>;

// The sort marks of a grid's column titles and how a click on a title moves them.
//
// A click without Ctrl clears the marks of the other columns and moves the clicked
// column's mark none -> ascending -> descending -> ascending. A click with Ctrl keeps
// the other marks and moves the clicked column's mark none -> ascending -> descending
// -> none. The sort key lists the marked columns in the order in which they were
// marked; a column whose mark is cleared and set again goes to the end.
class SortMarks {
public:
    void click(int column, bool ctrl);

    const SortKeys& keys() const { return keys_; }
    std::optional<Qt::SortOrder> mark(int column) const;
    // 1 for the column marked first, 2 for the next one...; 0 for an unmarked column.
    int position(int column) const;
    bool isEmpty() const { return keys_.isEmpty(); }

    void clear() { keys_.clear(); }
    // Forgets the marks of columns at or beyond columnCount (columns that no longer exist).
    void dropColumnsFrom(int columnCount);

private:
    qsizetype indexOf(int column) const;

    SortKeys keys_;
};

} // namespace tirelon
