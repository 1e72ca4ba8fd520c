#include "base/Paths.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {
struct LocationCase {
    const char* name;
    bool dataBesideProgram; // bin/2012NB_zul.mdb
    bool shareFolder;       // share/tallyra
    const char* folder;     // relative to the prefix
    bool installed;
};

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}
} // namespace

TEST(Paths, TheDeliveredFilesAreBesideTheProgramOrInShareTallyra)
{
    const std::vector<LocationCase> cases = {
        {"build tree", true, false, "bin", false},
        {"installed", false, true, "share/tallyra", true},
        {"a build tree inside a prefix keeps its own files", true, true, "bin", false},
        {"nothing found: beside the program, to say it is missing", false, false, "bin", false},
    };
    for (const LocationCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestEnvironment env(TestEnvironment::Empty);
        const QDir prefix(env.path("prefix"));
        QDir().mkpath(prefix.filePath("bin"));
        if (c.dataBesideProgram)
            touch(prefix.filePath("bin/2012NB_zul.mdb"));
        if (c.shareFolder)
            QDir().mkpath(prefix.filePath("share/tallyra"));
        const ProgramLocation found = LocateProgramFolder(prefix.filePath("bin"));
        EXPECT_EQ(found.folder, prefix.filePath(c.folder));
        EXPECT_EQ(found.installed, c.installed);
    }
}

TEST(Paths, TallyraHomeHoldsTheDeliveredAndTheWorkingFiles)
{
    TestEnvironment env;
    EXPECT_EQ(ProgramFolder(), env.programFolder());
    EXPECT_FALSE(RunsInstalled());
    EXPECT_EQ(WorkingFolder(), env.programFolder());
    EXPECT_EQ(WorkingDatabaseFile(), env.systemDataFile());
}

TEST(Paths, TheUserDataFolderIsTheWindowProgramsAppDataLocation)
{
    TestEnvironment env(TestEnvironment::Empty);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataFolder(), QDir::homePath() + "/.local/share/Tallyra");

    const QString name = QCoreApplication::applicationName();
    const QString organisation = QCoreApplication::organizationName();
    QCoreApplication::setApplicationName("Tallyra");
    QCoreApplication::setOrganizationName(QString());
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(name);
    QCoreApplication::setOrganizationName(organisation);
    EXPECT_EQ(UserDataFolder(), appData);
}
