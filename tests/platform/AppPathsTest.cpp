#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/AppPaths.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        program = tmp.filePath(QStringLiteral("program"));
        user = tmp.filePath(QStringLiteral("user/data/Vandrel"));
        ASSERT_TRUE(QDir().mkpath(program));
    }
    QTemporaryDir tmp;
    QString program;
    QString user;
};

TEST_F(Folders, WritableProgramFolderKeepsTheData) {
    const AppPaths p = resolveAppPaths(program, user);
    EXPECT_EQ(p.programFolder, program);
    EXPECT_EQ(p.dataFolder, program);
    EXPECT_EQ(p.profileFolder, program + QStringLiteral("/Configure"));
    EXPECT_FALSE(QFileInfo::exists(user));  // nothing created elsewhere
    // The write probe leaves nothing behind.
    EXPECT_TRUE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(Folders, ReadOnlyProgramFolderUsesTheUserFolder) {
    const AppPaths p = resolveAppPaths(program, user, [](const QString&) { return false; });
    EXPECT_EQ(p.programFolder, program);
    EXPECT_EQ(p.dataFolder, user);
    EXPECT_EQ(p.profileFolder, user + QStringLiteral("/Configure"));
    EXPECT_TRUE(QFileInfo(p.profileFolder).isDir());
}

TEST_F(Folders, InstalledProgramKeepsItsDataWithTheUserEvenWhenRootCouldWriteThere) {
    const AppPaths p = resolveAppPaths(QStringLiteral("/usr/lib/vandrel"), user, [](const QString&) { return true; });
    EXPECT_EQ(p.programFolder, QStringLiteral("/usr/lib/vandrel"));
    EXPECT_EQ(p.dataFolder, user);
}

TEST_F(Folders, UnusableUserFolderFallsBackToTheProgramFolder) {
    // A file stands where the user folder would be created.
    QFile blocker(tmp.filePath(QStringLiteral("user")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const AppPaths p = resolveAppPaths(program, user, [](const QString&) { return false; });
    EXPECT_EQ(p.dataFolder, program);
    const AppPaths q = resolveAppPaths(program, QString(), [](const QString&) { return false; });
    EXPECT_EQ(q.dataFolder, program);
}

TEST_F(Folders, WriteProbe) {
    EXPECT_TRUE(folderWritable(program));
    EXPECT_FALSE(folderWritable(tmp.filePath(QStringLiteral("missing"))));
    QFile file(tmp.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(folderWritable(file.fileName()));
}

TEST(CurrentFolders, ProgramFolderIsTheExecutablesFolder) {
    test::app();
    const AppPaths p = currentAppPaths();
    EXPECT_EQ(p.programFolder, QDir::cleanPath(QCoreApplication::applicationDirPath()));
    EXPECT_FALSE(p.dataFolder.isEmpty());
}

}  // namespace
