#include "login/commandline.h"
#include "login/datetext.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tirelon {
namespace {

struct SplitCase {
    const char* name;
    QString commandLine;
    QStringList expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitCommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheParametersInOrder) {
    EXPECT_EQ(splitCommandLine(GetParam().commandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLine,
    ::testing::Values(SplitCase{"Blanks", "prog  a b   c", {"prog", "a", "b", "c"}},
                      SplitCase{"ControlCharacters",
                                QString("prog\ta\nb\x01"
                                        "c\x1f"
                                        "d"),
                                {"prog", "a", "b", "c", "d"}},
                      SplitCase{"QuotedBlanksStay",
                                R"(prog "c:\mi empresa" user)",
                                {"prog", R"(c:\mi empresa)", "user"}},
                      SplitCase{"QuotesInsideAWord", R"(prog ab"c d"e)", {"prog", "abc de"}},
                      SplitCase{"EmptyQuotesTakeNoPosition", R"(prog a "" b)", {"prog", "a", "b"}},
                      SplitCase{"UnclosedQuoteRunsToTheEnd", R"(prog "a b)", {"prog", "a b"}},
                      SplitCase{"LeadingAndTrailingBlanks", "  prog a  ", {"prog", "a"}},
                      SplitCase{"Nothing", "", {}},
                      SplitCase{"NonAsciiKept", "prog Compañía", {"prog", "Compañía"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnattendedParameters, EmptyArgumentsShiftTheRestDown) {
    const QStringList given{"prog", "srv", "", "user", "", "pw"};
    EXPECT_EQ(unattendedParameters(given), (QStringList{"prog", "srv", "user", "pw"}));
}

TEST(Parameter, PastTheLastOneIsEmpty) {
    EXPECT_TRUE(parameter(500).isEmpty());
}

// 2026 as the reference year: two-digit years reach from 1976 to 2075.
const QDate kToday{2026, 6, 15};

struct DateCase {
    const char* name;
    QString format;
    QString text;
    QDate expected; // invalid: the text must be refused
};

void PrintTo(const DateCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadShortDate : public ::testing::TestWithParam<DateCase> {};

TEST_P(ReadShortDate, ReadsOrRefuses) {
    const DateCase& c = GetParam();
    if (c.expected.isValid()) {
        EXPECT_EQ(readShortDate(c.text, c.format, kToday), c.expected);
    } else {
        try {
            readShortDate(c.text, c.format, kToday);
            FAIL() << "accepted " << c.text.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "'" + c.text + "' is not a valid date");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadShortDate,
    ::testing::Values(DateCase{"DayMonthYear", "dd/MM/yyyy", "05/03/2024", {2024, 3, 5}},
                      DateCase{"SingleDigits", "dd/MM/yyyy", "5/3/2024", {2024, 3, 5}},
                      DateCase{"DashAndDot", "dd/MM/yyyy", "5-3.2024", {2024, 3, 5}},
                      DateCase{"MonthFirst", "M/d/yy", "3/5/2024", {2024, 3, 5}},
                      DateCase{"YearFirst", "yyyy-MM-dd", "2024-03-05", {2024, 3, 5}},
                      DateCase{"TwoDigitYearAhead", "dd/MM/yyyy", "01/01/75", {2075, 1, 1}},
                      DateCase{"TwoDigitYearBack", "dd/MM/yyyy", "01/01/76", {1976, 1, 1}},
                      DateCase{"TwoDigitYearNow", "dd/MM/yyyy", "01/01/26", {2026, 1, 1}},
                      DateCase{"LeapDay", "dd/MM/yyyy", "29/02/2024", {2024, 2, 29}},
                      DateCase{"NoLeapDay", "dd/MM/yyyy", "29/02/2023", {}},
                      DateCase{"DayOutOfRange", "dd/MM/yyyy", "32/01/2024", {}},
                      DateCase{"MonthOutOfRange", "dd/MM/yyyy", "01/13/2024", {}},
                      DateCase{"WrongOrderForLocale", "M/d/yy", "25/12/2024", {}},
                      DateCase{"ThreeDigitYear", "dd/MM/yyyy", "01/01/202", {}},
                      DateCase{"ThreeDigitDay", "dd/MM/yyyy", "001/01/2024", {}},
                      DateCase{"TwoParts", "dd/MM/yyyy", "01/2024", {}},
                      DateCase{"Blanks", "dd/MM/yyyy", " 01/01/2024", {}},
                      DateCase{"OtherSeparator", "dd/MM/yyyy", "01 01 2024", {}},
                      DateCase{"Words", "dd/MM/yyyy", "mañana", {}},
                      DateCase{"Empty", "dd/MM/yyyy", "", {}},
                      DateCase{"YearZero", "dd/MM/yyyy", "01/01/0000", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShortDateDisplayFormat, ShowsFourDigitYears) {
    const QString format = shortDateDisplayFormat();
    EXPECT_TRUE(format.contains("yyyy")) << format.toStdString();
    EXPECT_TRUE(QDate(1899, 12, 30).toString(format).contains("1899"));
}

} // namespace
} // namespace tirelon
