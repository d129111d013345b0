#include "widgets/dbgrideh.h"

#include "platform/dialogs.h"
#include "platform/exceptiondoor.h"
#include "widgets/finddialog.h"
#include "widgets/search.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tirelon {

namespace gridparts {

namespace {
constexpr int kIndicatorWidth = 12;

// Paints a header section's background without its text.
void paintSectionBackground(const QHeaderView* header, QPainter* painter, QStyleOptionHeader& opt) {
    opt.text.clear();
    opt.icon = QIcon();
    opt.sortIndicator = QStyleOptionHeader::None;
    header->style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, header);
}
} // namespace

// The table inside the grid. It refuses every editor and routes the keys, focus and
// geometry changes that the grid acts on.
class GridView : public QTableView {
public:
    explicit GridView(DBGridEh* grid) : QTableView(grid), grid_(grid) {}
    using QTableView::edit;

protected:
    bool edit(const QModelIndex&, EditTrigger, QEvent*) override { return false; }
    // Typing without Ctrl+F searches nothing: the incremental search is started explicitly.
    void keyboardSearch(const QString&) override {}

    void keyPressEvent(QKeyEvent* event) override {
        guarded(this, [&] {
            if (!gridReady() || !grid_->handleKey(event))
                QTableView::keyPressEvent(event);
        });
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        guarded(this, [&] {
            QTableView::keyReleaseEvent(event);
            if (event->key() == Qt::Key_Control && !event->isAutoRepeat() && gridReady())
                grid_->applyPendingSort();
        });
    }
    void focusOutEvent(QFocusEvent* event) override {
        guarded(this, [&] {
            QTableView::focusOutEvent(event);
            if (gridReady())
                grid_->focusLeft();
        });
    }
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        guarded(this, [&] {
            QTableView::currentChanged(current, previous);
            if (gridReady())
                grid_->noteCurrentRow();
        });
    }
    void reset() override {
        guarded(this, [&] {
            QTableView::reset();
            if (gridReady())
                grid_->noteCurrentRow();
        });
    }
    void updateGeometries() override;

    // The grid's hooks run only once the grid has put all its parts together.
    bool gridReady() const { return grid_->ready_; }
    void showEvent(QShowEvent* event) override {
        guarded(this, [&] {
            QTableView::showEvent(event);
            if (gridReady())
                grid_->fitColumns();
        });
    }

private:
    DBGridEh* grid_;
};

// Column titles that act as buttons and show the grid's sort marks.
class TitleHeader : public QHeaderView {
public:
    TitleHeader(DBGridEh* grid, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), grid_(grid) {
        setSectionsClickable(true);
        setSectionsMovable(true);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Interactive);
        setStretchLastSection(false);
        setSortIndicatorShown(false);
    }

    // The keyboard modifiers of the latest press or release on the titles.
    Qt::KeyboardModifiers clickModifiers() const { return modifiers_; }
    // Whether a mouse button went down on the titles and is not released yet.
    bool isButtonDown() const { return buttonDown_; }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        guarded(this, [&] {
            modifiers_ = event->modifiers();
            buttonDown_ = true;
            grid_->draggedColumn_ = -1;
            grid_->view_->setFocus(Qt::MouseFocusReason);
            QHeaderView::mousePressEvent(event);
        });
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        guarded(this, [&] {
            buttonDown_ = true;
            grid_->draggedColumn_ = -1;
            QHeaderView::mouseDoubleClickEvent(event);
        });
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        guarded(this, [&] {
            modifiers_ = event->modifiers();
            QHeaderView::mouseReleaseEvent(event);
            buttonDown_ = false;
        });
    }

    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid())
            return;
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        QStyleOptionHeader background = opt;
        paintSectionBackground(this, painter, background);

        QRect label = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
        if (const auto mark = grid_->marks_.mark(logicalIndex)) {
            const QRect markArea = paintMark(painter, rect, *mark, logicalIndex);
            label.setRight(qMin(label.right(), markArea.left() - 3));
        }
        opt.rect = label;
        opt.sortIndicator = QStyleOptionHeader::None;
        style()->drawControl(QStyle::CE_HeaderLabel, &opt, painter, this);
    }

private:
    // Draws the mark at the right end of the title: a triangle pointing up (ascending) or
    // down (descending), followed by the marking order when several columns are marked.
    QRect paintMark(QPainter* painter, const QRect& rect, Qt::SortOrder order,
                    int logicalIndex) const {
        const SortMarks& marks = grid_->marks_;
        const QString number =
            marks.keys().size() > 1 ? QString::number(marks.position(logicalIndex)) : QString();
        QFont small = font();
        small.setPointSizeF(qMax(6.0, font().pointSizeF() * 0.8));
        const QFontMetrics smallMetrics(small);
        const int triangleWidth = 8;
        const int numberWidth = number.isEmpty() ? 0 : smallMetrics.horizontalAdvance(number) + 1;
        const int width = triangleWidth + numberWidth;
        const QRect area(rect.right() - 4 - width + 1, rect.top(), width, rect.height());

        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::ButtonText));
        const qreal left = area.left();
        const qreal middle = rect.top() + rect.height() / 2.0;
        QPolygonF triangle;
        if (order == Qt::AscendingOrder)
            triangle << QPointF(left, middle + 2.5) << QPointF(left + triangleWidth, middle + 2.5)
                     << QPointF(left + triangleWidth / 2.0, middle - 2.5);
        else
            triangle << QPointF(left, middle - 2.5) << QPointF(left + triangleWidth, middle - 2.5)
                     << QPointF(left + triangleWidth / 2.0, middle + 2.5);
        painter->drawPolygon(triangle);
        if (!number.isEmpty()) {
            painter->setFont(small);
            painter->setPen(palette().color(QPalette::ButtonText));
            painter->drawText(
                QRect(area.left() + triangleWidth + 1, rect.top(), numberWidth, rect.height()),
                Qt::AlignLeft | Qt::AlignVCenter, number);
        }
        painter->restore();
        return area;
    }

    DBGridEh* grid_;
    Qt::KeyboardModifiers modifiers_;
    bool buttonDown_ = false;
};

// The row indicator column: a small triangle at the current row, no numbers.
class RowIndicator : public QHeaderView {
public:
    RowIndicator(DBGridEh* grid, QWidget* parent) : QHeaderView(Qt::Vertical, parent), grid_(grid) {
        setSectionResizeMode(QHeaderView::Fixed);
        setHighlightSections(false);
        setSectionsClickable(true);
    }

    QSize sizeHint() const override { return {kIndicatorWidth, kIndicatorWidth}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid())
            return;
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        paintSectionBackground(this, painter, opt);
        if (logicalIndex != grid_->currentRow())
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::WindowText));
        const qreal x = rect.left() + (rect.width() - 5) / 2.0;
        const qreal y = rect.top() + rect.height() / 2.0;
        painter->drawPolygon(QPolygonF{{x, y - 4.5}, {x + 5, y}, {x, y + 4.5}});
        painter->restore();
    }

private:
    DBGridEh* grid_;
};

// One empty footer row under the rows, its cells lined up with the columns above.
class FooterRow : public QWidget {
public:
    explicit FooterRow(DBGridEh* grid) : QWidget(grid), grid_(grid) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        guarded(this, [&] {
            QPainter painter(this);
            painter.fillRect(rect(), palette().color(QPalette::Window));
            const QTableView* view = grid_->view_;
            const QWidget* viewport = view->viewport();
            const int left = viewport->mapTo(grid_, QPoint(0, 0)).x() - x();

            const QHeaderView* indicator = view->verticalHeader();
            QStyleOptionHeader opt;
            opt.initFrom(indicator);
            opt.orientation = Qt::Vertical;
            opt.rect = QRect(left - indicator->width(), 0, indicator->width(), height());
            paintSectionBackground(indicator, &painter, opt);

            QStyleOption gridOption;
            gridOption.initFrom(view);
            const QColor lines = QColor::fromRgba(static_cast<QRgb>(
                view->style()->styleHint(QStyle::SH_Table_GridLineColor, &gridOption, view)));
            painter.setClipRect(QRect(left, 0, viewport->width(), height()));
            painter.setPen(lines);
            const QHeaderView* titles = view->horizontalHeader();
            for (const int column : grid_->visibleColumns()) {
                const QRect cell(left + titles->sectionViewportPosition(column), 0,
                                 titles->sectionSize(column), height());
                painter.fillRect(cell, palette().color(QPalette::Base));
                painter.drawLine(cell.topLeft(), cell.topRight());
                painter.drawLine(cell.bottomLeft(), cell.bottomRight());
                painter.drawLine(cell.topRight(), cell.bottomRight());
            }
        });
    }

private:
    DBGridEh* grid_;
};

void GridView::updateGeometries() {
    guarded(this, [&] {
        if (!gridReady())
            return QTableView::updateGeometries();
        grid_->fitColumns();
        QTableView::updateGeometries();
        grid_->footer_->update();
    });
}

// The small edit at the bottom of the grid that shows the incremental search's text.
class SearchBar : public QWidget {
public:
    explicit SearchBar(QWidget* parent) : QWidget(parent) {
        label_ = new QLabel(this);
        edit_ = new QLineEdit(this);
        edit_->setObjectName(QStringLiteral("searchText"));
        edit_->setReadOnly(true);
        edit_->setFocusPolicy(Qt::NoFocus);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 2, 4, 2);
        layout->addWidget(label_);
        layout->addWidget(edit_, 1);
    }

    void start(const QString& columnTitle) {
        label_->setText(QStringLiteral("Buscar en %1:").arg(columnTitle));
        edit_->clear();
        show();
    }
    void setText(const QString& text) { edit_->setText(text); }

private:
    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

} // namespace gridparts

DBGridEh::DBGridEh(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    view_ = new gridparts::GridView(this);
    view_->setFrameShape(QFrame::NoFrame);
    titles_ = new gridparts::TitleHeader(this, view_);
    view_->setHorizontalHeader(titles_);
    indicator_ = new gridparts::RowIndicator(this, view_);
    view_->setVerticalHeader(indicator_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setShowGrid(true);
    view_->setGridStyle(Qt::SolidLine);
    view_->setTabKeyNavigation(true);
    view_->setSortingEnabled(false);
    view_->setWordWrap(false);
    view_->setCornerButtonEnabled(false);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    footer_ = new gridparts::FooterRow(this);
    searchBar_ = new gridparts::SearchBar(this);
    searchBar_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 1);
    layout->addWidget(footer_);
    layout->addWidget(searchBar_);

    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(view_);
    ready_ = true;
    updateRowHeight();

    connect(titles_, &QHeaderView::sectionClicked, this, [this](int column) {
        guarded(this, [&] {
            titleClicked(column, titles_->clickModifiers().testFlag(Qt::ControlModifier));
        });
    });
    connect(titles_, &QHeaderView::sectionResized, this,
            [this](int column) { guarded(this, [&] { sectionResized(column); }); });
    connect(titles_, &QHeaderView::sectionMoved, footer_, qOverload<>(&QWidget::update));
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, footer_,
            qOverload<>(&QWidget::update));
    connect(indicator_, &QHeaderView::sectionClicked, this,
            [this](int row) { guarded(this, [&] { setCurrentRow(row); }); });
}

DBGridEh::~DBGridEh() {
    // The parts die after this body, with the QWidget base; from here on nothing they
    // report may reach the grid's members.
    ready_ = false;
    // Let the focus go now, while the grid is whole: the QWidget base would otherwise
    // send the view its focus-out from within its own destructor.
    if (view_->hasFocus() || isAncestorOf(QApplication::focusWidget()))
        view_->clearFocus();
    if (QAbstractItemModel* current = view_->model())
        disconnect(current, nullptr, this, nullptr);
    disconnect(titles_, nullptr, this, nullptr);
    disconnect(indicator_, nullptr, this, nullptr);
}

void DBGridEh::setModel(QAbstractItemModel* model) {
    if (QAbstractItemModel* old = view_->model())
        disconnect(old, nullptr, this, nullptr);
    endSearch();
    marks_.clear();
    sortPending_ = false;
    widthShares_.clear();
    view_->setModel(model);
    if (model) {
        const auto rows = [this] { guarded(this, [&] { modelRowsChanged(); }); };
        const auto columns = [this] { guarded(this, [&] { modelColumnsChanged(); }); };
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            guarded(this, [&] {
                marks_.dropColumnsFrom(this->model()->columnCount(view_->rootIndex()));
                if (searchColumn_ >= this->model()->columnCount(view_->rootIndex()))
                    endSearch();
                titles_->viewport()->update();
                modelRowsChanged();
            });
        });
        connect(model, &QAbstractItemModel::rowsInserted, this, rows);
        connect(model, &QAbstractItemModel::rowsRemoved, this, rows);
        connect(model, &QAbstractItemModel::rowsMoved, this, rows);
        connect(model, &QAbstractItemModel::layoutChanged, this, rows);
        connect(model, &QAbstractItemModel::columnsInserted, this, columns);
        connect(model, &QAbstractItemModel::columnsRemoved, this, columns);
        connect(model, &QAbstractItemModel::columnsMoved, this, columns);
    }
    titles_->viewport()->update();
    modelRowsChanged();
    fitColumns();
}

QAbstractItemModel* DBGridEh::model() const {
    return view_->model();
}

QTableView* DBGridEh::view() const {
    return view_;
}

int DBGridEh::rowCount() const {
    return model() ? model()->rowCount(view_->rootIndex()) : 0;
}

int DBGridEh::currentRow() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int DBGridEh::currentColumn() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.column() : -1;
}

void DBGridEh::setCurrentRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    int column = currentColumn();
    if (column < 0 || view_->isColumnHidden(column))
        column = firstVisibleColumn();
    if (column >= 0)
        setCurrentCell(row, column);
}

void DBGridEh::setCurrentCell(int row, int column) {
    const QModelIndex index = model()->index(row, column, view_->rootIndex());
    view_->setCurrentIndex(index);
    view_->scrollTo(index);
}

QString DBGridEh::cellText(int row, int column) const {
    return model()->index(row, column, view_->rootIndex()).data(Qt::DisplayRole).toString();
}

QList<int> DBGridEh::visibleColumns() const {
    QList<int> columns;
    for (int visual = 0; visual < titles_->count(); ++visual) {
        const int logical = titles_->logicalIndex(visual);
        if (!titles_->isSectionHidden(logical))
            columns.append(logical);
    }
    return columns;
}

int DBGridEh::firstVisibleColumn() const {
    return visibleColumns().value(0, -1);
}

int DBGridEh::rowHeight() const {
    return indicator_->defaultSectionSize();
}

void DBGridEh::updateRowHeight() {
    const int height = view_->fontMetrics().height() + 4;
    indicator_->setMinimumSectionSize(qMin(indicator_->minimumSectionSize(), height));
    indicator_->setDefaultSectionSize(height);
    footer_->setFixedHeight(height);
}

void DBGridEh::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange && ready_)
        guarded(this, [&] { updateRowHeight(); });
}

void DBGridEh::noteCurrentRow() {
    indicator_->viewport()->update();
    const int row = currentRow();
    if (row == lastRow_)
        return;
    lastRow_ = row;
    emit currentRowChanged(row);
}

void DBGridEh::modelRowsChanged() {
    noteCurrentRow();
    footer_->update();
    emit rowsChanged();
}

void DBGridEh::modelColumnsChanged() {
    // Marks and widths name columns by position; once columns come or go they would
    // name others.
    marks_.clear();
    widthShares_.clear();
    sortPending_ = false;
    endSearch();
    titles_->viewport()->update();
    footer_->update();
}

// Sorting

void DBGridEh::titleClicked(int column, bool ctrl) {
    endSearch();
    marks_.click(column, ctrl);
    titles_->viewport()->update();
    if (ctrl)
        sortPending_ = true;
    else
        applySort();
}

void DBGridEh::applySort() {
    sortPending_ = false;
    titles_->viewport()->update();
    emit sortRequested(marks_.keys());
    if (rowCount() > 0)
        setCurrentRow(0);
}

void DBGridEh::applyPendingSort() {
    if (sortPending_)
        applySort();
}

void DBGridEh::focusLeft() {
    applyPendingSort();
    endSearch();
}

// Column widths

void DBGridEh::fitColumns() {
    fitColumns(titles_->isButtonDown() ? draggedColumn_ : -1);
}

void DBGridEh::sectionResized(int column) {
    footer_->update();
    if (fitting_)
        return;
    if (titles_->isButtonDown()) {
        // While the user drags a border the dragged column keeps its new width and the
        // others take up the difference; the result is the new proportion.
        draggedColumn_ = column;
        fitColumns(column);
        for (const int visible : visibleColumns())
            widthShares_[visible] = titles_->sectionSize(visible);
    } else if (const int width = titles_->sectionSize(column); width > 0) {
        // A width set by code states the column's share of the grid.
        widthShares_[column] = width;
    }
}

void DBGridEh::fitColumns(int pinnedColumn) {
    if (fitting_ || !view_->isVisible())
        return;
    const QList<int> columns = visibleColumns();
    if (columns.isEmpty())
        return;
    const int available = view_->viewport()->width();
    const int minimum = titles_->minimumSectionSize();
    if (pinnedColumn < 0 && titles_->length() == available)
        return;
    const QScopedValueRollback<bool> guard(fitting_, true);

    QList<int> flexible = columns;
    int room = available;
    if (pinnedColumn >= 0 && columns.size() > 1 && flexible.removeOne(pinnedColumn)) {
        const int most = qMax(minimum, available - minimum * int(flexible.size()));
        const int pinned = qBound(minimum, titles_->sectionSize(pinnedColumn), most);
        if (titles_->sectionSize(pinnedColumn) != pinned)
            titles_->resizeSection(pinnedColumn, pinned);
        room = available - pinned;
    }

    // The shares come from the widths last set by code or by the user, not from the
    // widths of earlier fits, so rounding never drifts the proportions.
    QList<double> shares;
    double total = 0;
    for (const int column : flexible) {
        auto share = widthShares_.find(column);
        if (share == widthShares_.end())
            share = widthShares_.insert(column, qMax(1, titles_->sectionSize(column)));
        shares.append(*share);
        total += *share;
    }
    // Cumulative rounding keeps the sum exact: each column ends where its share ends.
    double before = 0;
    int placed = 0;
    for (qsizetype i = 0; i < flexible.size(); ++i) {
        before += shares[i];
        const int end = int(std::lround(before / total * room));
        const int width = qMax(minimum, end - placed);
        placed += width;
        if (titles_->sectionSize(flexible[i]) != width)
            titles_->resizeSection(flexible[i], width);
    }
}

// Searching

bool DBGridEh::isSearching() const {
    return searchColumn_ >= 0;
}

QString DBGridEh::searchText() const {
    return searchAccepted_;
}

void DBGridEh::startSearch() {
    if (!model())
        return;
    int column = currentColumn();
    if (column < 0 || view_->isColumnHidden(column))
        column = firstVisibleColumn();
    if (column < 0)
        return;
    searchColumn_ = column;
    searchAccepted_.clear();
    searchBar_->start(model()->headerData(column, Qt::Horizontal).toString());
}

void DBGridEh::endSearch() {
    if (!isSearching())
        return;
    searchColumn_ = -1;
    searchAccepted_.clear();
    searchBar_->hide();
}

void DBGridEh::searchFor(const QString& text) {
    if (text.isEmpty()) {
        searchAccepted_.clear();
        searchBar_->setText(text);
        return;
    }
    const int column = searchColumn_;
    const int row = findRow(
        rowCount(), [this, column](int r) { return cellText(r, column); }, qMax(currentRow(), 0),
        text);
    if (row < 0) {
        // The text stays what it was, so the user sees the longest text that is found.
        dialogs().beep();
        return;
    }
    searchAccepted_ = text;
    searchBar_->setText(text);
    setCurrentCell(row, column);
}

bool DBGridEh::handleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (event->key() == Qt::Key_F && modifiers == Qt::ControlModifier) {
        if (isSearching()) {
            endSearch();
            openFindDialog();
        } else {
            startSearch();
        }
        return true;
    }
    if (!isSearching())
        return false;

    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        endSearch();
        return true;
    case Qt::Key_Backspace:
        searchFor(searchAccepted_.chopped(qMin<qsizetype>(1, searchAccepted_.size())));
        return true;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
        return false;
    default:
        break;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    if (printable && !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        searchFor(searchAccepted_ + typed);
        return true;
    }
    // Any other key ends the search and does its usual work.
    endSearch();
    return false;
}

void DBGridEh::openFindDialog() {
    if (!model())
        return;
    const QList<int> columns = visibleColumns();
    if (columns.isEmpty())
        return;
    if (!findDialog_) {
        findDialog_ = new FindDialog(this);
        connect(findDialog_, &FindDialog::findNextRequested, this,
                [this] { guarded(this, [&] { findNext(); }); });
    }
    QStringList titles;
    for (const int column : columns)
        titles.append(model()->headerData(column, Qt::Horizontal).toString());
    findColumns_ = columns;
    findDialog_->setColumns(titles, qMax(0, int(columns.indexOf(currentColumn()))));
    findDialog_->exec();
}

void DBGridEh::findNext() {
    const int choice = findDialog_->column();
    if (!model() || choice < 0 || choice >= findColumns_.size())
        return;
    const int column = findColumns_[choice];
    const QString text = findDialog_->text();
    const SearchOptions options = findDialog_->options();
    const int step = options.direction == SearchDirection::Forward ? 1 : -1;
    const int row = findRow(
        rowCount(), [this, column](int r) { return cellText(r, column); }, currentRow() + step,
        text, options);
    if (row < 0)
        dialogs().information(QStringLiteral("No se encontró \"%1\".").arg(text));
    else
        setCurrentCell(row, column);
}

} // namespace tirelon
