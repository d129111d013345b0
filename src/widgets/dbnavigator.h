#pragma once

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace tirelon {

class DBGridEh;

// A flat record navigator bar, 18 pixels high, whose buttons first, prior, next and last
// move the current row of the grid it is attached to. A button is disabled when the grid
// has no rows or its current row is already at that button's end.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last };

    explicit DBNavigator(QWidget* parent = nullptr);

    // The navigator does not own the grid; without one every button is disabled.
    void setGrid(DBGridEh* grid);
    DBGridEh* grid() const { return grid_; }

    QToolButton* button(Button which) const { return buttons_[which]; }

private:
    void move(Button which);
    void updateButtons();

    QPointer<DBGridEh> grid_;
    QToolButton* buttons_[4] = {};
};

} // namespace tirelon
