#include "platform/registry.h"

#include "platform/error.h"
#include "platform/registry_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

using namespace tirelon;
using tirelon::test::regFile;
using tirelon::test::TemporaryRegistry;
using tirelon::test::tirelonKey;

namespace {

const QString kKeyPath = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024");
const QString kSubKey = QStringLiteral("Software\\Dravik\\TirelonERP2024");

// What reading "Directorio" from a file gives: no key, a text, or the type error.
struct Outcome {
    enum Kind { NoKey, Text, InvalidType } kind;
    QString text;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
    static const char* names[] = {"NoKey", "Text", "InvalidType"};
    *os << names[o.kind] << " \"" << o.text.toStdString() << '"';
}

Outcome readDirectorio(const QByteArray& file) {
    const auto document = regfile::Document::parse(file);
    if (!document)
        return {Outcome::NoKey, {}};
    const regfile::Key* key = document->findKey(kKeyPath);
    if (!key)
        return {Outcome::NoKey, {}};
    try {
        return {Outcome::Text,
                regfile::stringValue(key->value(u"Directorio"), QStringLiteral("Directorio"))};
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid data type for 'Directorio'"));
        return {Outcome::InvalidType, {}};
    }
}

Outcome text(const char* utf8) {
    return {Outcome::Text, QString::fromUtf8(utf8)};
}
const Outcome kNoKey{Outcome::NoKey, {}};
const Outcome kInvalidType{Outcome::InvalidType, {}};

struct FormatCase {
    const char* name;
    QByteArray file;
    Outcome expected;
};

class RegFileFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RegFileFormat, ReadsDirectorio) {
    EXPECT_EQ(readDirectorio(GetParam().file), GetParam().expected);
}

const QString kSection = QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, RegFileFormat,
    ::testing::Values(
        FormatCase{"RegSzWithEscapes",
                   tirelonKey(QStringLiteral(R"("Directorio"="C:\\Tirelon \"ERP\"\\")")),
                   text(R"(C:\Tirelon "ERP"\)")},
        FormatCase{"LoneBackslashStandsForItself",
                   tirelonKey(QStringLiteral(R"("Directorio"="C:\Tirelon")")),
                   text(R"(C:\Tirelon)")},
        FormatCase{"EmptyRegSz", tirelonKey(QStringLiteral(R"("Directorio"="")")), text("")},
        // "%ProgramFiles%\T" in UTF-16LE with its NUL, continued over two lines.
        FormatCase{"ExpandSzUnexpanded",
                   tirelonKey(QStringLiteral(
                       "\"Directorio\"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,\\\n"
                       "  46,00,69,00,6c,00,65,00,73,00,25,00,5c,00,54,00,00,00")),
                   text(R"(%ProgramFiles%\T)")},
        FormatCase{"ExpandSzEndsAtFirstNul",
                   tirelonKey(QStringLiteral("\"Directorio\"=hex(2):41,00,00,00,42,00,00,00")),
                   text("A")},
        FormatCase{"ExpandSzWithoutData", tirelonKey(QStringLiteral("\"Directorio\"=hex(2):")),
                   text("")},
        FormatCase{"HexOneIsRegSz",
                   tirelonKey(QStringLiteral("\"Directorio\"=hex(1):43,00,3a,00,00,00")),
                   text("C:")},
        FormatCase{"Regedit4ExpandSzIsSingleBytes",
                   QByteArray("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Dravik\\"
                              "TirelonERP2024]\r\n\"Directorio\"=hex(2):43,3a,5c,f3,00\r\n"),
                   text("C:\\ó")},
        FormatCase{"Dword", tirelonKey(QStringLiteral("\"Directorio\"=dword:00000001")),
                   kInvalidType},
        FormatCase{"Binary", tirelonKey(QStringLiteral("\"Directorio\"=hex:43,3a")), kInvalidType},
        FormatCase{"MultiSz", tirelonKey(QStringLiteral("\"Directorio\"=hex(7):43,00,00,00,00,00")),
                   kInvalidType},
        FormatCase{"Qword",
                   tirelonKey(QStringLiteral("\"Directorio\"=hex(b):01,00,00,00,00,00,00,00")),
                   kInvalidType},
        // A value of another type without data counts as empty, not as the wrong type.
        FormatCase{"BinaryWithoutData", tirelonKey(QStringLiteral("\"Directorio\"=hex:")),
                   text("")},
        FormatCase{"SectionWithoutTheValue",
                   tirelonKey(QStringLiteral("\"Otro\"=\"x\"\n@=\"default\"")), text("")},
        FormatCase{
            "KeyPathInAnotherCase",
            regFile(QStringLiteral(
                "[hkey_local_machine\\SOFTWARE\\dravik\\tirelonerp2024]\n\"Directorio\"=\"x\"\n")),
            text("x")},
        FormatCase{"ValueNameInAnotherCase", tirelonKey(QStringLiteral("\"DIRECTORIO\"=\"x\"")),
                   text("x")},
        FormatCase{"MissingSection",
                   regFile(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Dravik]\n"
                                          "\"Directorio\"=\"x\"\n")),
                   kNoKey},
        FormatCase{
            "ValueOfASubkeyStaysThere",
            regFile(kSection + QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Dravik\\"
                                              "TirelonERP2024\\Sub]\n\"Directorio\"=\"x\"\n")),
            text("")},
        FormatCase{"MissingHeader", (kSection + QStringLiteral("\"Directorio\"=\"x\"\n")).toUtf8(),
                   kNoKey},
        FormatCase{"Regedit4Header",
                   ("REGEDIT4\n" + kSection + QStringLiteral("\"Directorio\"=\"x\"\n")).toUtf8(),
                   text("x")},
        FormatCase{"LaterValueWins",
                   tirelonKey(QStringLiteral("\"Directorio\"=\"a\"\n\"Directorio\"=\"b\"")),
                   text("b")},
        FormatCase{"SectionsOfOneKeyMerge",
                   regFile(kSection +
                           QStringLiteral("\"Directorio\"=\"a\"\n"
                                          "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
                                          "\"Directorio\"=\"b\"\n") +
                           kSection + QStringLiteral("\"Otro\"=\"c\"\n")),
                   text("a")},
        FormatCase{"DeletedValue",
                   tirelonKey(QStringLiteral("\"Directorio\"=\"a\"\n\"Directorio\"=-")), text("")},
        FormatCase{"DeletedParentKey",
                   regFile(kSection + QStringLiteral("\"Directorio\"=\"a\"\n"
                                                     "[-HKEY_LOCAL_MACHINE\\Software\\Dravik]\n")),
                   kNoKey},
        FormatCase{"BlanksAndComments",
                   regFile(QStringLiteral("; exported\n  ") + kSection +
                           QStringLiteral("  \"Directorio\" = \"x\"  ; the folder\n")),
                   text("x")},
        // Lines that cannot be read are skipped and the rest of the file still counts.
        FormatCase{"MalformedLinesSkipped",
                   tirelonKey(QStringLiteral("\"Directorio\n garbage\n\"Directorio\"=\"x\" y\n"
                                             "\"Otro\"=hex:zz\n\"Directorio\"=\"ok\"")),
                   text("ok")},
        FormatCase{"MalformedHexIsNoValue",
                   tirelonKey(QStringLiteral("\"Directorio\"=hex(2):41,00,4g,00")), text("")},
        FormatCase{"MalformedDwordIsNoValue",
                   tirelonKey(QStringLiteral("\"Directorio\"=dword:123456789")), text("")},
        FormatCase{"UnclosedSectionAttributesNothing",
                   regFile(kSection + QStringLiteral("\"Directorio\"=\"a\"\n"
                                                     "[HKEY_LOCAL_MACHINE\\Software\\X\n"
                                                     "\"Directorio\"=\"b\"\n")),
                   text("a")}),
    [](const auto& info) { return std::string(info.param.name); });

// One content in each encoding and line end that regedit or an editor may write.
QByteArray utf16le(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

TEST(RegFileEncoding, ReadsEveryEncodingAndLineEnd) {
    const QString lf = QString::fromUtf8("Windows Registry Editor Version 5.00\n\n") + kSection +
                       QString::fromUtf8("\"Directorio\"=\"C:\\\\Tirelón\"\n");
    QString crlf = lf;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    const QList<QPair<const char*, QByteArray>> files = {
        {"utf-8 LF", lf.toUtf8()},
        {"utf-8 CRLF", crlf.toUtf8()},
        {"utf-8 with BOM", QByteArray("\xEF\xBB\xBF") + crlf.toUtf8()},
        {"utf-16le with BOM", utf16le(crlf)},
        {"windows-1252", crlf.toLatin1()},
    };
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(readDirectorio(bytes), text("C:\\Tirelón")) << name;
}

TEST(RegFileFormat, MalformedFilesParseWithoutCrashing) {
    constexpr char nuls[] = "Windows Registry Editor Version 5.00\n[\0]\n\"\0\"=\"\0\"\n";
    const QByteArray withNuls(nuls, sizeof nuls - 1);
    const QList<QByteArray> files = {
        {},
        QByteArray("\xFF\xFE"),
        QByteArray("\xFF\xFE\x52", 3),
        QByteArray("\xEF\xBB\xBF"),
        QByteArray("Windows Registry Editor Version 5.00"),
        tirelonKey(QStringLiteral("[")),
        tirelonKey(QStringLiteral("[]\n\"Directorio\"=\"x\"")),
        tirelonKey(QStringLiteral("\"Directorio\"=hex(2):41,00,\\")),
        tirelonKey(QStringLiteral("\"Directorio\"=hex(")),
        tirelonKey(QStringLiteral("\"Directorio\"=hex(2")),
        tirelonKey(QStringLiteral("\"Directorio\"=hex(ffffffffff):00")),
        tirelonKey(QStringLiteral("\"Directorio\"=\"")),
        tirelonKey(QStringLiteral("\"Directorio\"=\"\\")),
        tirelonKey(QStringLiteral("\"Directorio\"=")),
        tirelonKey(QStringLiteral("\"Directorio\"")),
        tirelonKey(QStringLiteral("=\"x\"")),
        withNuls,
    };
    for (const QByteArray& file : files)
        EXPECT_NE(readDirectorio(file).kind, Outcome::InvalidType) << file.toStdString();
    // A NUL inside a value ends its text.
    constexpr char nulInValue[] = "\"Directorio\"=\"A\0B\"";
    EXPECT_EQ(readDirectorio(tirelonKey(QString::fromUtf8(nulInValue, sizeof nulInValue - 1))),
              text("A"));
}

// The file backend, through the environment variable.

TEST(RegistryFileBackend, OpensTheKeyAndReadsItsValues) {
    TemporaryRegistry registry;
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/srv/erp\"\n\"Tipo\"=dword:1")));
    const auto key = RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString(QStringLiteral("directorio")), QStringLiteral("/srv/erp"));
    EXPECT_EQ(key->readString(QStringLiteral("Falta")), QString());
    try {
        key->readString(QStringLiteral("Tipo"));
        FAIL() << "no error for a dword";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid data type for 'Tipo'"));
    }
    EXPECT_FALSE(
        RegistryKey::openReadOnly(RegistryRoot::LocalMachine, QStringLiteral("Software\\Dravik")));
}

TEST(RegistryFileBackend, FilesThatCannotBeReadAreMissingKeys) {
    TemporaryRegistry registry;
    EXPECT_FALSE(RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey)) << "missing";

    ASSERT_TRUE(QDir().mkpath(registry.path()));
    EXPECT_FALSE(RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey)) << "a folder";
    ASSERT_TRUE(QDir().rmdir(registry.path()));

    registry.write(QByteArrayLiteral("Windows Registry Editor 5.00\n") + kSection.toUtf8());
    EXPECT_FALSE(RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey)) << "no header";
}

TEST(RegistryFileBackend, UnreadableFileIsAMissingKey) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    TemporaryRegistry registry;
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"x\"")));
    ASSERT_TRUE(QFile::setPermissions(registry.path(), QFileDevice::WriteOwner));
    EXPECT_FALSE(RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey));
}

QString directorio() {
    const auto key = RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey);
    return key ? key->readString(QStringLiteral("Directorio")) : QStringLiteral("<no key>");
}

// With the settle margin set below zero even a file written a moment ago is kept, so
// these show what the stat() comparison alone notices.
class RegistryFileCache : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = regfile::setSettleMarginForTesting(-std::chrono::hours(1));
    }
    void TearDown() override { regfile::setSettleMarginForTesting(previous_); }
    std::chrono::nanoseconds previous_{};
};

TEST_F(RegistryFileCache, ParsesAnUnchangedFileOnce) {
    TemporaryRegistry registry;
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/a\"")));
    const auto before = regfile::parseCountForTesting();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(directorio(), QStringLiteral("/a"));
    EXPECT_EQ(regfile::parseCountForTesting() - before, 1u);
}

TEST_F(RegistryFileCache, NoticesEveryKindOfChange) {
    TemporaryRegistry registry;
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/a\"")));
    registry.setModified(1'000'000'000, 0);
    EXPECT_EQ(directorio(), QStringLiteral("/a"));

    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/bb\"")));
    EXPECT_EQ(directorio(), QStringLiteral("/bb")) << "another size";

    registry.replace(tirelonKey(QStringLiteral("\"Directorio\"=\"/cc\"")));
    EXPECT_EQ(directorio(), QStringLiteral("/cc")) << "renamed over, same size";

    registry.setModified(1'000'000'000, 0);
    EXPECT_EQ(directorio(), QStringLiteral("/cc"));
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/dd\"")));
    registry.setModified(1'000'000'000, 1);
    EXPECT_EQ(directorio(), QStringLiteral("/dd")) << "one nanosecond later, same size";

    registry.remove();
    EXPECT_EQ(directorio(), QStringLiteral("<no key>")) << "removed";

    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/dd\"")));
    EXPECT_EQ(directorio(), QStringLiteral("/dd")) << "written again";

    registry.write(regFile(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Dravik\\X]\n")));
    EXPECT_EQ(directorio(), QStringLiteral("<no key>")) << "section gone";
}

TEST_F(RegistryFileCache, FollowsTheEnvironmentVariable) {
    TemporaryRegistry first;
    first.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/first\"")));
    EXPECT_EQ(directorio(), QStringLiteral("/first"));
    {
        TemporaryRegistry second;
        second.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/second\"")));
        EXPECT_EQ(directorio(), QStringLiteral("/second"));
    }
    EXPECT_EQ(directorio(), QStringLiteral("/first"));
}

// With the real margin, a rewrite that keeps size and times is still seen.
TEST(RegistryFileBackend, SeesASameSizeRewriteRightAway) {
    TemporaryRegistry registry;
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/a\"")));
    EXPECT_EQ(directorio(), QStringLiteral("/a"));
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/b\"")));
    EXPECT_EQ(directorio(), QStringLiteral("/b"));
}

TEST(RegistryFileBackend, AnOpenKeyKeepsWhatItRead) {
    TemporaryRegistry registry;
    registry.write(tirelonKey(QStringLiteral("\"Directorio\"=\"/a\"")));
    const auto key = RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey);
    ASSERT_TRUE(key);
    registry.remove();
    EXPECT_FALSE(RegistryKey::openReadOnly(RegistryRoot::LocalMachine, kSubKey));
    EXPECT_EQ(key->readString(QStringLiteral("Directorio")), QStringLiteral("/a"));
}

} // namespace
