#include "gridfixture.h"

#include "recordingdialogs.h"
#include "widgets/dbgrideh.h"
#include "widgets/finddialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <ostream>

#include <functional>

namespace tirelon {
namespace {

using test::columnTexts;

constexpr auto Asc = Qt::AscendingOrder;
constexpr auto Desc = Qt::DescendingOrder;

const QList<QStringList> kArticles{
    {"B2", "Silla"}, {"A1", "Mesa"}, {"C3", "Armario"}, {"A1", "Lámpara"}, {"B1", "Mesa"}};

const QList<QStringList> kSearchRows{
    {"A1", "Mesa"}, {"B1", "Silla"}, {"C1", "Mesita"}, {"B2", "Sofá"}, {"D1", "Marco"}};

class GridTest : public ::testing::Test {
protected:
    void build(const QList<QStringList>& rows, bool show = true) {
        model = test::makeArticleModel(rows);
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new DBGridEh(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setModel(model.get());
        test::sortOnRequest(*grid, *model);
        sorts = std::make_unique<QSignalSpy>(grid, &DBGridEh::sortRequested);
        window->resize(420, 300);
        if (show) {
            window->show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
    }

    QTableView* view() const { return grid->view(); }
    QHeaderView* titles() const { return grid->view()->horizontalHeader(); }

    void clickTitle(int column, Qt::KeyboardModifiers modifiers = {}) {
        const int x = titles()->sectionViewportPosition(column) + titles()->sectionSize(column) / 2;
        QTest::mouseClick(titles()->viewport(), Qt::LeftButton, modifiers,
                          QPoint(x, titles()->height() / 2));
    }

    SortKeys lastKeys() const { return sorts->last().at(0).value<SortKeys>(); }

    int columnSum() const {
        int sum = 0;
        for (int column = 0; column < model->columnCount(); ++column)
            if (!view()->isColumnHidden(column))
                sum += view()->columnWidth(column);
        return sum;
    }

    // Runs `inDialog` once the find dialog is up, then closes it with "Cerrar".
    void withFindDialog(const std::function<void(FindDialog&)>& inDialog, bool* seen) {
        QTimer::singleShot(0, grid, [this, inDialog, seen] {
            auto* dialog = grid->findChild<FindDialog*>();
            if (!dialog)
                return;
            *seen = dialog->isVisible() && dialog->isModal();
            inDialog(*dialog);
            for (auto* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("Cerrar"))
                    button->click();
            dialog->reject(); // in case "Cerrar" went missing, so the test never blocks
        });
    }

    static void clickButton(FindDialog& dialog, const QString& text) {
        for (auto* button : dialog.findChildren<QPushButton*>())
            if (button->text() == text)
                button->click();
    }

    test::ScopedRecordingDialogs recorded;
    std::unique_ptr<QStandardItemModel> model;
    std::unique_ptr<QWidget> window;
    DBGridEh* grid = nullptr;
    QLineEdit* other = nullptr;
    std::unique_ptr<QSignalSpy> sorts;
};

TEST_F(GridTest, TitleClicksSortAtOnceAscendingDescendingAscending) {
    build(kArticles);

    grid->setCurrentRow(3);
    clickTitle(0);
    ASSERT_EQ(sorts->count(), 1);
    EXPECT_EQ(lastKeys(), (SortKeys{{0, Asc}}));
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"A1", "A1", "B1", "B2", "C3"}));
    // Equal codes keep the order of the query.
    EXPECT_EQ(columnTexts(*model, 1).mid(0, 2), (QStringList{"Mesa", "Lámpara"}));
    EXPECT_EQ(grid->currentRow(), 0);

    grid->setCurrentRow(2);
    clickTitle(0);
    ASSERT_EQ(sorts->count(), 2);
    EXPECT_EQ(lastKeys(), (SortKeys{{0, Desc}}));
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"C3", "B2", "B1", "A1", "A1"}));
    EXPECT_EQ(grid->currentRow(), 0);

    clickTitle(0);
    ASSERT_EQ(sorts->count(), 3);
    EXPECT_EQ(lastKeys(), (SortKeys{{0, Asc}}));
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"A1", "A1", "B1", "B2", "C3"}));
}

TEST_F(GridTest, CtrlClicksWaitForTheCtrlRelease) {
    build(kArticles);

    clickTitle(1, Qt::ControlModifier);
    clickTitle(0, Qt::ControlModifier);
    EXPECT_EQ(sorts->count(), 0);
    EXPECT_TRUE(grid->isSortPending());
    EXPECT_EQ(grid->sortMarks().keys(), (SortKeys{{1, Asc}, {0, Asc}}));

    QTest::keyRelease(view(), Qt::Key_Control);
    ASSERT_EQ(sorts->count(), 1);
    EXPECT_EQ(lastKeys(), (SortKeys{{1, Asc}, {0, Asc}}));
    EXPECT_EQ(columnTexts(*model, 1), (QStringList{"Armario", "Lámpara", "Mesa", "Mesa", "Silla"}));
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"C3", "A1", "A1", "B1", "B2"}));
    EXPECT_EQ(grid->currentRow(), 0);

    // Releasing Ctrl with nothing pending sorts nothing.
    QTest::keyRelease(view(), Qt::Key_Control);
    EXPECT_EQ(sorts->count(), 1);

    // The first key turns descending and keeps its place before the second.
    clickTitle(1, Qt::ControlModifier);
    QTest::keyRelease(view(), Qt::Key_Control);
    ASSERT_EQ(sorts->count(), 2);
    EXPECT_EQ(lastKeys(), (SortKeys{{1, Desc}, {0, Asc}}));
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"B2", "A1", "B1", "A1", "C3"}));
}

TEST_F(GridTest, LosingTheFocusAppliesThePendingSort) {
    build(kArticles);
    grid->setFocus();
    ASSERT_TRUE(view()->hasFocus());

    clickTitle(0, Qt::ControlModifier);
    EXPECT_EQ(sorts->count(), 0);

    other->setFocus();
    ASSERT_EQ(sorts->count(), 1);
    EXPECT_EQ(lastKeys(), (SortKeys{{0, Asc}}));
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"A1", "A1", "B1", "B2", "C3"}));
}

TEST_F(GridTest, ClickingATitleTakesTheFocusSoTheCtrlReleaseReachesTheGrid) {
    build(kArticles);
    other->setFocus();

    clickTitle(0, Qt::ControlModifier);
    EXPECT_TRUE(view()->hasFocus());
}

TEST_F(GridTest, ClearingEveryMarkReturnsToTheQueryOrder) {
    build(kArticles);
    clickTitle(0);
    ASSERT_EQ(columnTexts(*model, 0), (QStringList{"A1", "A1", "B1", "B2", "C3"}));

    clickTitle(0, Qt::ControlModifier); // descending
    clickTitle(0, Qt::ControlModifier); // no mark
    QTest::keyRelease(view(), Qt::Key_Control);
    ASSERT_EQ(sorts->count(), 2);
    EXPECT_TRUE(lastKeys().isEmpty());
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"B2", "A1", "C3", "A1", "B1"}));
    EXPECT_EQ(grid->currentRow(), 0);
}

TEST_F(GridTest, IncrementalSearchMovesFromTheCurrentRowWithWrapAround) {
    build(kSearchRows);
    grid->setCurrentRow(2);

    QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(grid->isSearching());

    QTest::keyClicks(view(), "b"); // B2 is the next code beginning with b
    EXPECT_EQ(grid->currentRow(), 3);
    QTest::keyClicks(view(), "1"); // b1: past the end and round to B1
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->searchText(), "b1");

    QTest::keyClicks(view(), "x"); // nothing begins with b1x
    EXPECT_EQ(recorded->beeps, 1);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->searchText(), "b1");

    QTest::keyClick(view(), Qt::Key_Backspace);
    EXPECT_EQ(grid->searchText(), "b");
    EXPECT_EQ(grid->currentRow(), 1);

    QTest::keyClick(view(), Qt::Key_Escape);
    EXPECT_FALSE(grid->isSearching());
    EXPECT_EQ(grid->currentRow(), 1);
}

TEST_F(GridTest, IncrementalSearchLooksInTheCurrentColumn) {
    build(kSearchRows);
    view()->setCurrentIndex(model->index(0, 1));

    QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(view(), "MAR");
    EXPECT_EQ(grid->currentRow(), 4);
    EXPECT_EQ(grid->currentColumn(), 1);

    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_FALSE(grid->isSearching());
}

TEST_F(GridTest, AnotherKeyEndsTheSearchAndDoesItsUsualWork) {
    build(kSearchRows);
    grid->setCurrentRow(0);
    QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(view(), "c");
    ASSERT_EQ(grid->currentRow(), 2);

    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_FALSE(grid->isSearching());
    EXPECT_EQ(grid->currentRow(), 3);
}

TEST_F(GridTest, CtrlFTwiceEndsTheSearchAndOpensTheFindDialog) {
    build(kSearchRows);
    grid->setCurrentRow(0);
    QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(grid->isSearching());

    bool seen = false;
    int rowWhileOpen = -1;
    withFindDialog(
        [&](FindDialog& dialog) {
            EXPECT_FALSE(grid->isSearching());
            dialog.findChild<QLineEdit*>("text")->setText("sof");
            dialog.findChild<QComboBox*>("column")->setCurrentIndex(1);
            clickButton(dialog, "Buscar");
            rowWhileOpen = grid->currentRow();
        },
        &seen);
    QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);

    EXPECT_TRUE(seen);
    EXPECT_EQ(rowWhileOpen, 3);
    EXPECT_EQ(grid->currentRow(), 3);
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_FALSE(grid->isSearching());
    EXPECT_TRUE(recorded->boxes.isEmpty());
}

struct FindCase {
    const char* name;
    int start;
    QString text;
    int match; // index in the "Coincidir:" list: anywhere, beginning, whole field
    bool caseSensitive;
    bool backward;
    int expected; // -1: not found, the current row stays
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindDialogSearch : public GridTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindDialogSearch, FindsTheNextMatchInTheChosenColumn) {
    const FindCase& c = GetParam();
    build(kSearchRows);
    grid->setCurrentRow(c.start);

    bool seen = false;
    withFindDialog(
        [&](FindDialog& dialog) {
            dialog.findChild<QLineEdit*>("text")->setText(c.text);
            dialog.findChild<QComboBox*>("column")->setCurrentIndex(1);
            dialog.findChild<QComboBox*>("match")->setCurrentIndex(c.match);
            dialog.findChild<QCheckBox*>("caseSensitive")->setChecked(c.caseSensitive);
            dialog.findChild<QRadioButton*>(c.backward ? "backward" : "forward")->setChecked(true);
            clickButton(dialog, "Buscar");
        },
        &seen);
    grid->openFindDialog();

    ASSERT_TRUE(seen);
    EXPECT_EQ(grid->currentRow(), c.expected < 0 ? c.start : c.expected);
    if (c.expected < 0) {
        ASSERT_EQ(recorded->boxes.size(), 1);
        EXPECT_EQ(recorded->boxes[0].text, QStringLiteral("No se encontró \"%1\".").arg(c.text));
    } else {
        EXPECT_TRUE(recorded->boxes.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindDialogSearch,
    ::testing::Values(FindCase{"ForwardSkipsTheCurrentRow", 0, "mes", 1, false, false, 2},
                      FindCase{"BackwardFromTheCurrentRow", 1, "mes", 1, false, true, 0},
                      FindCase{"AnywhereInTheText", 0, "ill", 0, false, false, 1},
                      FindCase{"WholeFieldWrapsBackToTheOnlyMatch", 0, "mesa", 2, false, false, 0},
                      FindCase{"CaseSensitiveNotFound", 0, "mesa", 1, true, false, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, NoWayToOpenAnEditor) {
    build(kArticles);
    const QModelIndex cell = model->index(1, 0);
    view()->setCurrentIndex(cell);
    view()->setFocus();
    const auto editors = [&] { return view()->viewport()->findChildren<QWidget*>().size(); };

    QTest::keyClicks(view(), "x");
    QTest::keyClick(view(), Qt::Key_F2);
    QTest::keyClick(view(), Qt::Key_Return);
    const QRect rect = view()->visualRect(cell);
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, rect.center());
    view()->edit(cell);
    QTest::keyClick(view(), Qt::Key_Delete);
    QTest::keyClick(view(), Qt::Key_Insert);

    // An open editor would be a child of the viewport and hold the focus.
    EXPECT_EQ(editors(), 0);
    EXPECT_EQ(QApplication::focusWidget(), view());
    EXPECT_EQ(model->rowCount(), kArticles.size());
    EXPECT_EQ(columnTexts(*model, 0), (QStringList{"B2", "A1", "C3", "A1", "B1"}));
}

TEST_F(GridTest, ColumnsShareTheWidthInProportion) {
    build(kArticles, false);
    view()->setColumnWidth(0, 100);
    view()->setColumnWidth(1, 300);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    const int width = view()->viewport()->width();
    EXPECT_EQ(columnSum(), width);
    EXPECT_NEAR(view()->columnWidth(0), width / 4.0, 1.0);

    window->resize(700, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(view()->viewport()->width(), columnSum());
    EXPECT_NEAR(view()->columnWidth(0), view()->viewport()->width() / 4.0, 1.0);

    view()->setColumnHidden(1, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(view()->columnWidth(0), view()->viewport()->width());
}

TEST_F(GridTest, DraggingABorderKeepsTheNewWidthAndTheOthersMakeRoom) {
    build(kArticles);
    const int before = view()->columnWidth(0);
    const QPoint border(titles()->sectionViewportPosition(0) + before - 1, titles()->height() / 2);

    QTest::mousePress(titles()->viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(titles()->viewport(), border + QPoint(20, 0));
    QTest::mouseMove(titles()->viewport(), border + QPoint(40, 0));
    QTest::mouseRelease(titles()->viewport(), Qt::LeftButton, {}, border + QPoint(40, 0));
    QCoreApplication::processEvents();

    EXPECT_EQ(view()->columnWidth(0), before + 40);
    EXPECT_EQ(columnSum(), view()->viewport()->width());
    EXPECT_EQ(sorts->count(), 0);
}

TEST_F(GridTest, TabMovesFromCellToCell) {
    build(kArticles);
    view()->setCurrentIndex(model->index(0, 0));

    QTest::keyClick(view(), Qt::Key_Tab);
    EXPECT_EQ(view()->currentIndex(), model->index(0, 1));
    QTest::keyClick(view(), Qt::Key_Tab);
    EXPECT_EQ(view()->currentIndex(), model->index(1, 0));
}

TEST_F(GridTest, CurrentRowIsReportedAndTheIndicatorMovesIt) {
    build(kArticles);
    QSignalSpy changes(grid, &DBGridEh::currentRowChanged);

    grid->setCurrentRow(2);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.last().at(0).toInt(), 2);

    grid->setCurrentRow(kArticles.size()); // outside the rows: ignored
    EXPECT_EQ(grid->currentRow(), 2);

    QHeaderView* indicator = view()->verticalHeader();
    QTest::mouseClick(indicator->viewport(), Qt::LeftButton, {},
                      QPoint(indicator->width() / 2, indicator->sectionViewportPosition(4) +
                                                         indicator->sectionSize(4) / 2));
    EXPECT_EQ(grid->currentRow(), 4);
    EXPECT_EQ(changes.last().at(0).toInt(), 4);

    model->removeRows(0, 2); // the current row moves up with its data
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(changes.last().at(0).toInt(), 2);
}

TEST_F(GridTest, ReplacingTheModelClearsTheMarks) {
    build(kArticles);
    clickTitle(1);
    ASSERT_FALSE(grid->sortMarks().isEmpty());

    auto replacement = test::makeArticleModel(kSearchRows);
    grid->setModel(replacement.get());
    EXPECT_TRUE(grid->sortMarks().isEmpty());
    grid->setModel(model.get());
}

} // namespace
} // namespace tirelon
