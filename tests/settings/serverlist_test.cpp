#include "settings/serverlist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tirelon::loadServerList;
using tirelon::parseServerList;

namespace {

struct LineCase {
    const char* name;
    QByteArray bytes;
    QStringList entries;
};

class ServerListLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ServerListLines, GivesTheEntries) {
    EXPECT_EQ(parseServerList(GetParam().bytes), GetParam().entries);
}

QByteArray bytes(const char* text, qsizetype size) {
    return QByteArray(text, size);
}
#define BYTES(literal) bytes(literal, sizeof(literal) - 1)

const QString k255(255, u'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerListLines,
    ::testing::Values(
        LineCase{"CrLf", "A\r\nB\r\n", {"A", "B"}}, LineCase{"Lf", "A\nB\n", {"A", "B"}},
        LineCase{"CrAloneLosesNothing", "A\rB\rC\r", {"A", "B", "C"}},
        LineCase{"CrAloneOneCharacterLines", "A\rBC\rD\r", {"A", "BC", "D"}},
        LineCase{"LfCrIsTwoLineEnds", "A\n\rB\n", {"A", "", "B"}},
        LineCase{"CrCrIsTwoLineEnds", "A\r\rB", {"A", "", "B"}},
        LineCase{"EmptyLineBetween", "A\r\n\r\nB\r\n", {"A", "", "B"}},
        LineCase{"LeadingLineEnd", "\r\nA\r\n", {"", "A"}}, LineCase{"OnlyALineEnd", "\r\n", {""}},
        LineCase{"Empty", "", {}}, LineCase{"LastLineWithoutLineEnd", "A\r\nB", {"A", "B"}},
        LineCase{"SingleLineWithoutLineEnd", "c:\\tirelon", {"c:\\tirelon"}},
        LineCase{"LastByteIsCr", "A\r", {"A"}},
        LineCase{"BlanksKept", "  A \t\r\n B\n", {"  A \t", " B"}},
        LineCase{"DuplicatesAndEmptiesKept", "A\n\nA\n", {"A", "", "A"}},
        LineCase{"BytesAbove127AreWindows1252", "\x80\xf1\xe9\x9c\n", {QString::fromUtf8("€ñéœ")}},
        LineCase{"NulEndsTheEntry", BYTES("A\0B\r\n\0\r\nC\0"), {"A", "", "C"}},
        LineCase{"Exactly255Kept", (k255 + "\n").toLatin1(), {k255}},
        LineCase{
            "LongLineCutTo255", "A\r\n" + QByteArray(10'000, 'x') + "\r\nB\r\n", {"A", k255, "B"}},
        LineCase{"LongLastLineCutTo255", QByteArray(10'000, 'x'), {k255}},
        LineCase{"NulBeyond255", (k255 + "y").toLatin1() + BYTES("\0z\rB"), {k255, "B"}}),
    [](const auto& info) { return std::string(info.param.name); });

class ServerListFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void write(const QByteArray& bytes) {
        QFile file(dir.filePath("SERVIDORES.cfg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
};

TEST_F(ServerListFile, ReadsTheFileInTheDirectory) {
    write("/srv/tirelon\r\nlocalhost:/srv/tirelon\r\ndbhost/3051:/srv/tirelon");
    EXPECT_EQ(loadServerList(dir.path()),
              QStringList({"/srv/tirelon", "localhost:/srv/tirelon", "dbhost/3051:/srv/tirelon"}));
}

TEST_F(ServerListFile, JoinsTheNameByPlainConcatenation) {
    write("A\r\n");
    EXPECT_EQ(loadServerList(dir.path() + "/"), QStringList{"A"}) << "a doubled separator";
    EXPECT_TRUE(loadServerList(dir.path() + "/x").isEmpty());
}

TEST_F(ServerListFile, MissingEmptyOrUnopenableFilesGiveNoEntries) {
    EXPECT_TRUE(loadServerList(dir.path()).isEmpty()) << "missing";
    EXPECT_TRUE(loadServerList(dir.filePath("nowhere")).isEmpty()) << "missing folder";
    write("");
    EXPECT_TRUE(loadServerList(dir.path()).isEmpty()) << "empty";

    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkdir("SERVIDORES.cfg"));
    EXPECT_TRUE(loadServerList(other.path()).isEmpty()) << "a folder of that name";
}

} // namespace
