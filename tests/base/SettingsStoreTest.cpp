#include "base/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
const QString kKey = QStringLiteral("\\SOFTWARE\\Morvane\\Tallyra\\Options\\EnvSetting");
constexpr SettingsRoot kRoot = SettingsRoot::LocalMachine;
} // namespace

TEST(SettingsStore, MissingOrEmptyValuesGiveTheDefault)
{
    TestEnvironment env(TestEnvironment::Empty);
    EXPECT_EQ(RegReadString("ImePrefer", "dflt", kRoot, kKey), "dflt");
    EXPECT_EQ(RegReadInteger("InputWndStyle", 7, kRoot, kKey), 7);
    RegWriteString("ImePrefer", "", kRoot, kKey);
    EXPECT_EQ(RegReadString("ImePrefer", "dflt", kRoot, kKey), "dflt");
    RegWriteString("Other", "x", kRoot, kKey);
    EXPECT_EQ(RegReadString("ImePrefer", "dflt", kRoot, "\\SOFTWARE\\Nobody"), "dflt");
}

TEST(SettingsStore, ValuesKeepTheirTypes)
{
    TestEnvironment env(TestEnvironment::Empty);
    RegWriteString("Text", "中文 text", kRoot, kKey);
    RegWriteInteger("Number", -42, kRoot, kKey);
    RegWriteBool("Flag", true, kRoot, kKey);
    RegWriteBool("Off", false, kRoot, kKey);
    RegWriteString("Tricky", "dword:5", kRoot, kKey);
    EXPECT_EQ(RegReadString("Text", "", kRoot, kKey), "中文 text");
    EXPECT_EQ(RegReadInteger("Number", 0, kRoot, kKey), -42);
    EXPECT_EQ(RegReadInteger("Flag", 0, kRoot, kKey), 1);
    EXPECT_EQ(RegReadInteger("Off", 9, kRoot, kKey), 0);
    EXPECT_EQ(RegReadString("Tricky", "", kRoot, kKey), "dword:5");
    // a text does not read as an integer, an integer does not read as a text
    EXPECT_EQ(RegReadInteger("Text", 3, kRoot, kKey), 3);
    EXPECT_EQ(RegReadInteger("Tricky", 3, kRoot, kKey), 3);
    EXPECT_THROW(RegReadString("Number", "", kRoot, kKey), SettingsError);
    // the two roots are separate stores
    EXPECT_EQ(RegReadString("Text", "none", SettingsRoot::CurrentUser, kKey), "none");
}

TEST(SettingsStore, WritingWhereNothingCanBeWrittenFails)
{
    TestEnvironment env(TestEnvironment::Empty);
    // the settings folder is a plain file: no store can be made there
    const QString blocked = env.path("blocked");
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("TALLYRA_SETTINGS_DIR", blocked.toUtf8());
    EXPECT_THROW(RegWriteInteger("x", 1, kRoot, kKey), SettingsError);
    EXPECT_EQ(RegReadInteger("x", 5, kRoot, kKey), 5);
}
