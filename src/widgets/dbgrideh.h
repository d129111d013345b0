#pragma once

#include "widgets/sortmarks.h"

#include <QFrame>
#include <QHash>
#include <QPointer>

class QAbstractItemModel;
class QKeyEvent;
class QTableView;

namespace tirelon {

class FindDialog;

namespace gridparts {
class GridView;
class TitleHeader;
class RowIndicator;
class FooterRow;
class SearchBar;
} // namespace gridparts

// A read-only data grid over any item model.
//
// The grid never edits, inserts or deletes rows. It shows a row indicator at the left
// (a triangle at the current row), lines between cells and one empty footer row under
// the rows. Its columns share the grid's width so that together they fill it; the user
// can resize and reorder them by dragging the titles, and Tab moves from cell to cell.
//
// The column titles act as buttons that set sort marks (see SortMarks): a click without
// Ctrl applies the sort at once; with Ctrl held the marks change and the sort is applied
// when Ctrl is released or the grid loses the focus. Applying emits sortRequested() with
// the marked columns (an empty list: back to the model's own order); the model's owner
// sorts the rows in a direct connection, and once the signal returns the grid makes the
// first row current.
//
// Ctrl+F starts an incremental search in the current column: typed text moves to the
// first row, from the current one on and wrapping around, whose text in that column
// begins with it, ignoring case; a letter that would match no row beeps and is dropped.
// Esc or Enter ends it, any other key ends it and does its usual work, and Ctrl+F while
// it runs ends it and opens the find dialog (FindDialog), whose "Buscar" moves to the
// next match in the chosen column or says "No se encontró "<text>"." through dialogs().
// Typing without Ctrl+F neither edits nor searches.
class DBGridEh : public QFrame {
    Q_OBJECT
public:
    explicit DBGridEh(QWidget* parent = nullptr);
    ~DBGridEh() override;

    // The grid does not own the model; sort marks are cleared when it changes.
    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const;
    // The table inside the grid, for column widths, hidden columns and the like.
    QTableView* view() const;

    int rowCount() const;
    // The row of the current cell; -1 when there is none.
    int currentRow() const;
    // Moves to the row, keeping the current column; a row outside the model is ignored.
    void setCurrentRow(int row);
    // The model column of the current cell; -1 when there is none.
    int currentColumn() const;

    const SortMarks& sortMarks() const { return marks_; }
    // Whether marks set with Ctrl wait for the Ctrl release or the focus loss.
    bool isSortPending() const { return sortPending_; }

    bool isSearching() const;
    QString searchText() const;
    void startSearch();
    void endSearch();
    void openFindDialog();

    // Shares the grid's width out among the visible columns in proportion to their
    // widths. Runs by itself when the grid is shown or resized and when columns change.
    void fitColumns();

signals:
    void sortRequested(QList<QPair<int, Qt::SortOrder>> keys);
    void currentRowChanged(int row);
    // Rows were inserted, removed, moved or reordered, or the model was reset or replaced.
    void rowsChanged();

protected:
    void changeEvent(QEvent* event) override;

private:
    friend class gridparts::GridView;
    friend class gridparts::TitleHeader;
    friend class gridparts::RowIndicator;
    friend class gridparts::FooterRow;

    void titleClicked(int column, bool ctrl);
    void applySort();
    void applyPendingSort();
    void fitColumns(int pinnedColumn);
    void sectionResized(int column);
    void focusLeft();
    bool handleKey(QKeyEvent* event);
    void searchFor(const QString& text);
    void findNext();
    void noteCurrentRow();
    void modelRowsChanged();
    void modelColumnsChanged();
    void setCurrentCell(int row, int column);
    QString cellText(int row, int column) const;
    void updateRowHeight();
    int firstVisibleColumn() const;
    QList<int> visibleColumns() const;
    int rowHeight() const;

    gridparts::GridView* view_ = nullptr;
    gridparts::TitleHeader* titles_ = nullptr;
    gridparts::RowIndicator* indicator_ = nullptr;
    gridparts::FooterRow* footer_ = nullptr;
    gridparts::SearchBar* searchBar_ = nullptr;
    QPointer<FindDialog> findDialog_;
    QList<int> findColumns_;

    SortMarks marks_;
    bool sortPending_ = false;
    bool ready_ = false;
    bool fitting_ = false;
    int draggedColumn_ = -1;
    QHash<int, double> widthShares_;
    int searchColumn_ = -1;
    QString searchAccepted_;
    int lastRow_ = -1;
};

} // namespace tirelon
