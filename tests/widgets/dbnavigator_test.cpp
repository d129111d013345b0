#include "gridfixture.h"

#include "widgets/dbgrideh.h"
#include "widgets/dbnavigator.h"

#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace tirelon {
namespace {

class NavigatorTest : public ::testing::Test {
protected:
    void build(int rows) {
        QList<QStringList> data;
        for (int i = 0; i < rows; ++i)
            data.append({QString("C%1").arg(i), QString("Artículo %1").arg(i)});
        model = test::makeArticleModel(data);
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new DBGridEh(window.get());
        navigator = new DBNavigator(window.get());
        layout->addWidget(grid);
        layout->addWidget(navigator);
        grid->setModel(model.get());
        navigator->setGrid(grid);
        window->resize(300, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // Enabled state of first, prior, next, last.
    std::vector<bool> enabled() const {
        std::vector<bool> states;
        for (const auto which :
             {DBNavigator::First, DBNavigator::Prior, DBNavigator::Next, DBNavigator::Last})
            states.push_back(navigator->button(which)->isEnabled());
        return states;
    }

    void click(DBNavigator::Button which) {
        QTest::mouseClick(navigator->button(which), Qt::LeftButton);
    }

    std::unique_ptr<QStandardItemModel> model;
    std::unique_ptr<QWidget> window;
    DBGridEh* grid = nullptr;
    DBNavigator* navigator = nullptr;
};

TEST_F(NavigatorTest, ButtonsMoveTheCurrentRowAndStopAtTheEnds) {
    build(3);
    grid->setCurrentRow(0);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true}));

    click(DBNavigator::Next);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));

    click(DBNavigator::Last);
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false}));

    click(DBNavigator::Prior);
    EXPECT_EQ(grid->currentRow(), 1);

    click(DBNavigator::First);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true}));
}

TEST_F(NavigatorTest, FollowsRowsComingAndGoing) {
    build(0);
    EXPECT_EQ(enabled(), (std::vector<bool>(4, false)));

    model->appendRow({new QStandardItem("N1"), new QStandardItem("Nuevo")});
    model->appendRow({new QStandardItem("N2"), new QStandardItem("Nuevo")});
    grid->setCurrentRow(1);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false}));

    model->removeRows(0, 2);
    EXPECT_EQ(enabled(), (std::vector<bool>(4, false)));
}

TEST_F(NavigatorTest, IsAFlatBarEighteenPixelsHighWithSpanishTips) {
    build(1);
    EXPECT_EQ(navigator->height(), 18);
    QStringList tips;
    for (const auto which :
         {DBNavigator::First, DBNavigator::Prior, DBNavigator::Next, DBNavigator::Last}) {
        tips.append(navigator->button(which)->toolTip());
        EXPECT_TRUE(navigator->button(which)->autoRaise());
    }
    EXPECT_EQ(tips, (QStringList{"Primero", "Anterior", "Siguiente", "Último"}));
}

TEST_F(NavigatorTest, WithoutAGridEveryButtonIsDisabled) {
    build(3);
    grid->setCurrentRow(1);
    navigator->setGrid(nullptr);
    EXPECT_EQ(enabled(), (std::vector<bool>(4, false)));
    grid->setCurrentRow(0); // no longer followed
    EXPECT_EQ(enabled(), (std::vector<bool>(4, false)));
}

} // namespace
} // namespace tirelon
