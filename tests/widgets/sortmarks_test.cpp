#include "widgets/sortmarks.h"

#include <gtest/gtest.h>

#include <ostream>

#include <vector>

namespace tirelon {
namespace {

struct Click {
    int column;
    bool ctrl;
};

struct MarksCase {
    const char* name;
    std::vector<Click> clicks;
    SortKeys expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MarksCase& c, std::ostream* os) {
    *os << c.name;
}

class SortMarksCycles : public ::testing::TestWithParam<MarksCase> {};

TEST_P(SortMarksCycles, ClicksGiveTheExpectedKey) {
    SortMarks marks;
    for (const Click& click : GetParam().clicks)
        marks.click(click.column, click.ctrl);
    EXPECT_EQ(marks.keys(), GetParam().expected);
}

constexpr auto Asc = Qt::AscendingOrder;
constexpr auto Desc = Qt::DescendingOrder;

INSTANTIATE_TEST_SUITE_P(
    Table, SortMarksCycles,
    ::testing::Values(
        MarksCase{"OnePlainClickAscends", {{0, false}}, {{0, Asc}}},
        MarksCase{"SecondPlainClickDescends", {{0, false}, {0, false}}, {{0, Desc}}},
        MarksCase{"ThirdPlainClickAscendsAgain", {{0, false}, {0, false}, {0, false}}, {{0, Asc}}},
        MarksCase{"PlainClickClearsOtherColumns", {{0, true}, {1, true}, {2, false}}, {{2, Asc}}},
        // A plain click on a column already marked descending among others moves it on.
        MarksCase{"PlainClickOnMarkedColumnMovesItsMark",
                  {{0, true}, {1, true}, {1, true}, {1, false}},
                  {{1, Asc}}},
        MarksCase{"CtrlCycleEndsWithoutMark", {{3, true}, {3, true}, {3, true}}, {}},
        MarksCase{"CtrlKeepsMarkingOrder",
                  {{2, true}, {0, true}, {1, true}},
                  {{2, Asc}, {0, Asc}, {1, Asc}}},
        MarksCase{
            "CtrlChangesOrderInPlace", {{2, true}, {0, true}, {2, true}}, {{2, Desc}, {0, Asc}}},
        MarksCase{"ClearedAndMarkedAgainGoesLast",
                  {{2, true}, {0, true}, {2, true}, {2, true}, {2, true}},
                  {{0, Asc}, {2, Asc}}},
        MarksCase{"CtrlAfterPlainClickAddsSecondKey",
                  {{1, false}, {1, false}, {0, true}},
                  {{1, Desc}, {0, Asc}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SortMarks, MarkAndPositionReportEachColumn) {
    SortMarks marks;
    marks.click(4, true);
    marks.click(1, true);
    marks.click(1, true);
    EXPECT_EQ(marks.mark(4), Qt::AscendingOrder);
    EXPECT_EQ(marks.mark(1), Qt::DescendingOrder);
    EXPECT_EQ(marks.mark(0), std::nullopt);
    EXPECT_EQ(marks.position(4), 1);
    EXPECT_EQ(marks.position(1), 2);
    EXPECT_EQ(marks.position(0), 0);
}

TEST(SortMarks, DroppingColumnsKeepsTheRemainingOrder) {
    SortMarks marks;
    marks.click(3, true);
    marks.click(0, true);
    marks.click(5, true);
    marks.dropColumnsFrom(3);
    EXPECT_EQ(marks.keys(), (SortKeys{{0, Qt::AscendingOrder}}));
}

} // namespace
} // namespace tirelon
