#include "widgets/search.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

namespace tirelon {
namespace {

const QStringList kRows{"Mesa", "silla", "Sillón", "armario", "SILLA", "lámpara"};

int find(int start, const QString& text, SearchOptions options = {}) {
    return findRow(
        int(kRows.size()), [](int row) { return kRows.at(row); }, start, text, options);
}

SearchOptions with(MatchMode match, Qt::CaseSensitivity cs, SearchDirection direction, bool wrap) {
    return {match, cs, direction, wrap};
}

struct FindCase {
    const char* name;
    int start;
    QString text;
    SearchOptions options;
    int expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindRowCases : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindRowCases, FindsTheExpectedRow) {
    const FindCase& c = GetParam();
    EXPECT_EQ(find(c.start, c.text, c.options), c.expected);
}

constexpr auto Begin = MatchMode::Beginning;
constexpr auto Any = MatchMode::Anywhere;
constexpr auto Whole = MatchMode::WholeText;
constexpr auto Fwd = SearchDirection::Forward;
constexpr auto Back = SearchDirection::Backward;
constexpr auto NoCase = Qt::CaseInsensitive;
constexpr auto Case = Qt::CaseSensitive;

INSTANTIATE_TEST_SUITE_P(
    Table, FindRowCases,
    ::testing::Values(
        FindCase{"StartRowItselfMatches", 1, "sil", {}, 1},
        FindCase{"FromCurrentForward", 3, "sil", {}, 4},
        FindCase{"WrapsAroundPastTheEnd", 5, "mes", {}, 0},
        FindCase{"NoWrapStopsAtTheEnd", 5, "mes", with(Begin, NoCase, Fwd, false), -1},
        FindCase{"BackwardFromCurrent", 3, "sil", with(Begin, NoCase, Back, true), 2},
        FindCase{"BackwardWrapsToTheLastRow", 0, "lám", with(Begin, NoCase, Back, true), 5},
        FindCase{"BackwardNoWrapStopsAtTheFirstRow", 0, "lám", with(Begin, NoCase, Back, false),
                 -1},
        FindCase{"CaseSensitiveSkipsOtherCase", 0, "SIL", with(Begin, Case, Fwd, true), 4},
        FindCase{"IgnoringCaseCoversAccents", 0, "SILLÓN", with(Whole, NoCase, Fwd, true), 2},
        FindCase{"BeginningDoesNotMatchInside", 0, "mar", {}, -1},
        FindCase{"AnywhereMatchesInside", 0, "mar", with(Any, NoCase, Fwd, true), 3},
        FindCase{"WholeTextNeedsTheWholeCell", 0, "sill", with(Whole, NoCase, Fwd, true), -1},
        FindCase{"NotFound", 2, "zzz", {}, -1}, FindCase{"EmptyTextFindsNothing", 0, "", {}, -1},
        FindCase{"StartPastTheEndWrapsToTheFirstRow", 6, "mesa", {}, 0},
        FindCase{"StartBeforeTheFirstRowGoingBackWrapsToTheLast", -1, "l",
                 with(Begin, NoCase, Back, true), 5},
        FindCase{"StartPastTheEndWithoutWrapFindsNothing", 6, "mesa",
                 with(Begin, NoCase, Fwd, false), -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindRow, NoRowsFindsNothing) {
    EXPECT_EQ(findRow(
                  0, [](int) { return QString("x"); }, 0, "x"),
              -1);
}

TEST(FindRow, ReadsEachRowAtMostOnce) {
    QList<int> read;
    const int row = findRow(
        4,
        [&](int r) {
            read.append(r);
            return QString("b");
        },
        2, "a");
    EXPECT_EQ(row, -1);
    EXPECT_EQ(read, (QList<int>{2, 3, 0, 1}));
}

} // namespace
} // namespace tirelon
