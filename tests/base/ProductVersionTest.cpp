#include "base/ProductVersion.h"

#include <gtest/gtest.h>

namespace {
struct RestoreSource {
    ~RestoreSource() { SetVersionSource(nullptr); }
};

VersionResource resource(std::optional<QString> file, std::optional<QString> product = std::nullopt)
{
    VersionResource r;
    r.fileVersion = file;
    r.productVersion = product;
    return r;
}
} // namespace

TEST(ReadProductVersion, BuildNumberIsThePartAfterTheLastDot)
{
    RestoreSource restore;
    struct Case {
        VersionResource source;
        int build;
        const char* text;
    } cases[] = {
        {resource(QString("1.3.3.751"), QString("1.3")), 751, "1.3"},
        {resource(QString("751")), 751, "old"},
        {resource(std::nullopt, QString("2.0")), 0, "2.0"},
    };
    for (const Case& c : cases) {
        SetVersionSource([&] { return c.source; });
        TProductVersion v;
        v.versionText = "old";
        ASSERT_TRUE(ReadProductVersion(v));
        EXPECT_EQ(v.buildNumber, c.build);
        EXPECT_EQ(v.versionText, c.text);
    }
}

TEST(ReadProductVersion, NoResourceGivesMinusOne)
{
    RestoreSource restore;
    SetVersionSource([] {
        VersionResource r;
        r.present = false;
        return r;
    });
    TProductVersion v;
    v.versionText = "kept";
    ASSERT_TRUE(ReadProductVersion(v));
    EXPECT_EQ(v.buildNumber, -1);
    EXPECT_EQ(v.versionText, "kept");
}

TEST(ReadProductVersion, ATailThatIsNotANumberIsAnError)
{
    RestoreSource restore;
    SetVersionSource([] { return resource(QString("1.0.0.beta")); });
    TProductVersion v;
    QString error;
    EXPECT_FALSE(ReadProductVersion(v, &error));
    EXPECT_TRUE(error.contains("beta"));
}

TEST(ReadProductVersion, CompiledInVersionHasABuildNumber)
{
    TProductVersion v;
    ASSERT_TRUE(ReadProductVersion(v));
    EXPECT_GE(v.buildNumber, 0);
    EXPECT_TRUE(v.versionText.startsWith("1.0"));
}
