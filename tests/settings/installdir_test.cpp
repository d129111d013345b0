#include "settings/installdir.h"

#include "platform/error.h"
#include "platform/registry_fixture.h"
#include "recordingdialogs.h"

#include <gtest/gtest.h>

using tirelon::installationDirectory;
using tirelon::test::regFile;
using tirelon::test::ScopedRecordingDialogs;
using tirelon::test::TemporaryRegistry;
using tirelon::test::tirelonKey;

namespace {

const QString kMissingKey = QString::fromUtf8(
    "No se encontró la Clave HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024\\Directorio");

struct ValueCase {
    const char* name;
    QByteArray file;
    QString directory;
};

class InstallationDirectoryValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(InstallationDirectoryValue, IsReadWithoutAMessage) {
    ScopedRecordingDialogs dialogs;
    TemporaryRegistry registry;
    registry.write(GetParam().file);
    EXPECT_EQ(installationDirectory(), GetParam().directory);
    EXPECT_TRUE(dialogs->boxes.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallationDirectoryValue,
    ::testing::Values(
        // Used as stored: the trailing separator stays.
        ValueCase{"RegSz", tirelonKey(R"("Directorio"="C:\\Tirelon\\")"), R"(C:\Tirelon\)"},
        ValueCase{"ExpandSzUnexpanded",
                  tirelonKey("\"Directorio\"=hex(2):25,00,58,00,25,00,2f,00,65,00,00,00"), "%X%/e"},
        ValueCase{"ValueMissing", tirelonKey(R"("Otro"="/srv")"), ""},
        ValueCase{"ValueEmpty", tirelonKey(R"("Directorio"="")"), ""},
        ValueCase{"KeyInAnotherCase",
                  regFile("[HKEY_LOCAL_MACHINE\\SOFTWARE\\DRAVIK\\TIRELONERP2024]\n"
                          "\"directorio\"=\"/srv/erp\"\n"),
                  "/srv/erp"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InstallationDirectory, ValueOfAnotherTypeThrowsTheTypeError) {
    ScopedRecordingDialogs dialogs;
    TemporaryRegistry registry;
    registry.write(tirelonKey("\"Directorio\"=dword:00000001"));
    try {
        installationDirectory();
        FAIL() << "no error";
    } catch (const tirelon::Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid data type for 'Directorio'"));
    }
    EXPECT_TRUE(dialogs->boxes.isEmpty());
}

TEST(InstallationDirectory, MissingKeyShowsTheMessageOnEveryCall) {
    const QList<QPair<const char*, QByteArray>> files = {
        {"missing file", {}},
        {"missing section",
         regFile("[HKEY_LOCAL_MACHINE\\Software\\Dravik]\n\"Directorio\"=\"x\"\n")},
        {"no header",
         "[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\n\"Directorio\"=\"x\"\n"},
    };
    for (const auto& [name, file] : files) {
        ScopedRecordingDialogs dialogs;
        TemporaryRegistry registry;
        if (!file.isNull())
            registry.write(file);
        for (int call = 0; call < 3; ++call)
            EXPECT_EQ(installationDirectory(), QString()) << name;
        ASSERT_EQ(dialogs->boxes.size(), 3) << name;
        for (const auto& box : dialogs->boxes) {
            EXPECT_EQ(box.kind, "information") << name;
            EXPECT_EQ(box.text, kMissingKey) << name;
        }
    }
}

TEST(InstallationDirectory, SeesTheFileChangeBetweenCalls) {
    ScopedRecordingDialogs dialogs;
    TemporaryRegistry registry;
    registry.write(tirelonKey(R"("Directorio"="/srv/one")"));
    EXPECT_EQ(installationDirectory(), "/srv/one");

    // Same size, same file, rewritten at once.
    registry.write(tirelonKey(R"("Directorio"="/srv/two")"));
    EXPECT_EQ(installationDirectory(), "/srv/two");

    registry.remove();
    EXPECT_EQ(installationDirectory(), QString());
    EXPECT_EQ(installationDirectory(), QString());
    EXPECT_EQ(dialogs->boxes.size(), 2);

    registry.write(tirelonKey(R"("Directorio"="/srv/three")"));
    EXPECT_EQ(installationDirectory(), "/srv/three");
    EXPECT_EQ(dialogs->boxes.size(), 2);
}

} // namespace
