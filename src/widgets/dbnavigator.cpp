#include "widgets/dbnavigator.h"

#include "platform/exceptiondoor.h"
#include "widgets/dbgrideh.h"
#include "widgets/icons.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace tirelon {

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent) {
    constexpr int kHeight = 18;
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const struct {
        Button which;
        QIcon icon;
        const char* tip;
    } buttons[] = {
        {First, icons::navigatorFirst(), "Primero"},
        {Prior, icons::navigatorPrior(), "Anterior"},
        {Next, icons::navigatorNext(), "Siguiente"},
        {Last, icons::navigatorLast(), "Último"},
    };
    for (const auto& spec : buttons) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setIcon(spec.icon);
        button->setIconSize(icons::kNavigatorIconSize);
        button->setToolTip(QString::fromUtf8(spec.tip));
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedHeight(kHeight);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        const Button which = spec.which;
        connect(button, &QToolButton::clicked, this,
                [this, which] { guarded(this, [&] { move(which); }); });
        layout->addWidget(button);
        buttons_[which] = button;
    }
    updateButtons();
}

void DBNavigator::setGrid(DBGridEh* grid) {
    if (grid_)
        disconnect(grid_, nullptr, this, nullptr);
    grid_ = grid;
    if (grid) {
        const auto update = [this] { guarded(this, [&] { updateButtons(); }); };
        connect(grid, &DBGridEh::currentRowChanged, this, update);
        connect(grid, &DBGridEh::rowsChanged, this, update);
        connect(grid, &QObject::destroyed, this, [this] {
            guarded(this, [&] {
                grid_ = nullptr;
                updateButtons();
            });
        });
    }
    updateButtons();
}

void DBNavigator::move(Button which) {
    if (!grid_ || grid_->rowCount() == 0)
        return;
    const int last = grid_->rowCount() - 1;
    const int current = grid_->currentRow();
    switch (which) {
    case First:
        grid_->setCurrentRow(0);
        break;
    case Prior:
        grid_->setCurrentRow(qMax(0, current - 1));
        break;
    case Next:
        grid_->setCurrentRow(current < 0 ? 0 : qMin(last, current + 1));
        break;
    case Last:
        grid_->setCurrentRow(last);
        break;
    }
}

void DBNavigator::updateButtons() {
    const int rows = grid_ ? grid_->rowCount() : 0;
    const int current = grid_ ? grid_->currentRow() : -1;
    // Without a current row the grid stands before its first row.
    const bool atFirst = current <= 0;
    const bool atLast = current == rows - 1;
    buttons_[First]->setEnabled(rows > 0 && current != 0);
    buttons_[Prior]->setEnabled(rows > 0 && !atFirst);
    buttons_[Next]->setEnabled(rows > 0 && !atLast);
    buttons_[Last]->setEnabled(rows > 0 && !atLast);
}

} // namespace tirelon
