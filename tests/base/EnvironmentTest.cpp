#include "base/Environment.h"
#include "base/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {
constexpr SettingsRoot kRoot = SettingsRoot::LocalMachine;

QByteArray storeBytes()
{
    QFile f(SettingsFilePath(kRoot));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

TEST(LoadEnvironmentSettings, FirstRunWritesItsValuesOnce)
{
    TestEnvironment env(TestEnvironment::Empty);
    Environment().preferredInputMethod = "stale";
    LoadEnvironmentSettings("Tallyra");
    EXPECT_EQ(Environment().preferredInputMethod, "");
    EXPECT_FALSE(Environment().inputWindowStyle);
    EXPECT_EQ(RegReadString("ServicePack", "", kRoot, ProductKey()), "None");
    EXPECT_EQ(RegReadString("FilePath", "", kRoot, ProductKey()), QDir::toNativeSeparators(env.programFolder() + "/"));
    EXPECT_EQ(RegReadInteger("AppTyp", 0, kRoot, ProductKey()), 1);
    EXPECT_EQ(RegReadInteger("InputWndStyle", 9, kRoot, EnvSettingKey()), 0);
    EXPECT_NE(RegReadString("Version", "000", kRoot, ProductKey()), "000");

    // The choice made afterwards lasts: the next start reads it.
    RegWriteString("ImePrefer", "pinyin", kRoot, EnvSettingKey());
    LoadEnvironmentSettings("Tallyra");
    EXPECT_EQ(Environment().preferredInputMethod, "pinyin");
}

TEST(LoadEnvironmentSettings, PresentVersionReadsAndWritesNothing)
{
    TestEnvironment env(TestEnvironment::Empty);
    RegWriteString("Version", "1.0", kRoot, ProductKey());
    RegWriteString("ImePrefer", "wubi", kRoot, EnvSettingKey());
    RegWriteInteger("InputWndStyle", 3, kRoot, EnvSettingKey());
    const QByteArray before = storeBytes();
    LoadEnvironmentSettings("Tallyra");
    EXPECT_EQ(Environment().preferredInputMethod, "wubi");
    EXPECT_TRUE(Environment().inputWindowStyle);
    EXPECT_EQ(storeBytes(), before);
}

TEST(LoadEnvironmentSettings, EmptyVersionCountsAsFirstRun)
{
    TestEnvironment env(TestEnvironment::Empty);
    RegWriteString("Version", "", kRoot, ProductKey());
    RegWriteString("ImePrefer", "wubi", kRoot, EnvSettingKey());
    LoadEnvironmentSettings("Tallyra");
    EXPECT_EQ(Environment().preferredInputMethod, "");
    EXPECT_EQ(RegReadString("ImePrefer", "", kRoot, EnvSettingKey()), "");
    EXPECT_EQ(RegReadString("ServicePack", "", kRoot, ProductKey()), "None");
}
