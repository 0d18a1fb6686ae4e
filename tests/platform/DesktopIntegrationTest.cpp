#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/Autostart.h"
#include "platform/UiTheme.h"

using namespace vandrel;

namespace {

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(UiLanguage, ChineseLocalesGetChineseOthersEnglishAndTheVariableOverrides) {
    struct Case {
        const char* override;
        const char* locale;
        UiLanguage expected;
    } cases[] = {
        {"", "zh_CN", UiLanguage::Chinese},
        {"", "zh_TW", UiLanguage::Chinese},
        {"", "zh", UiLanguage::Chinese},
        {"", "en_US", UiLanguage::English},
        {"", "de_DE", UiLanguage::English},
        {"", "C", UiLanguage::English},
        {"", "", UiLanguage::English},
        {"en", "zh_CN", UiLanguage::English},
        {"zh", "en_GB", UiLanguage::Chinese},
        {" ZH ", "C", UiLanguage::Chinese},
        // An unknown value is no override.
        {"fr", "zh_CN", UiLanguage::Chinese},
        {"fr", "en_US", UiLanguage::English},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseUiLanguage(QString::fromUtf8(c.override), QString::fromUtf8(c.locale)), c.expected)
            << "VANDREL_LANG=" << c.override << " locale " << c.locale;
}

TEST(Autostart, WritesAnEntryThatStartsTheProgramHiddenAndRemovesIt) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const Autostart autostart(config.path(), QStringLiteral("/usr/lib/vandrel/Vandrel"));
    EXPECT_EQ(autostart.entryPath(), config.filePath(QStringLiteral("autostart/vandrel.desktop")));
    EXPECT_FALSE(autostart.enabled());
    // Turning off what is not there succeeds.
    EXPECT_TRUE(autostart.setEnabled(false));

    // The autostart folder does not exist yet: it is created.
    ASSERT_TRUE(autostart.setEnabled(true));
    EXPECT_TRUE(autostart.enabled());
    const QString entry = readAll(autostart.entryPath());
    EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=/usr/lib/vandrel/Vandrel --hidden\n")));

    // Writing again replaces the entry rather than failing or appending.
    ASSERT_TRUE(autostart.setEnabled(true));
    EXPECT_EQ(readAll(autostart.entryPath()), entry);

    ASSERT_TRUE(autostart.setEnabled(false));
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
    EXPECT_FALSE(autostart.enabled());
}

TEST(Autostart, AnEntrySwitchedOffByTheDesktopCountsAsOff) {
    QTemporaryDir config;
    const Autostart autostart(config.path(), QStringLiteral("/opt/v/Vandrel"));
    ASSERT_TRUE(autostart.setEnabled(true));
    QFile f(autostart.entryPath());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("Hidden=true\n");
    f.close();
    EXPECT_FALSE(autostart.enabled());
}

// Something else at the entry's place (a FIFO) neither stalls the start,
// which asks whether the entry is there, nor is replaced or removed.
TEST(Autostart, AFifoAtTheEntrysPlaceIsLeftAlone) {
    QTemporaryDir config;
    const Autostart autostart(config.path(), QStringLiteral("/opt/v/Vandrel"));
    ASSERT_TRUE(QDir().mkpath(config.filePath(QStringLiteral("autostart"))));
    const QByteArray fifo = QFile::encodeName(autostart.entryPath());
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_FALSE(autostart.enabled());
    EXPECT_FALSE(autostart.setEnabled(true));
    EXPECT_FALSE(autostart.setEnabled(false));
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(Autostart, ExecLineQuotesPathsSoTheyStayOneArgument) {
    struct Case {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/usr/lib/vandrel/Vandrel", "/usr/lib/vandrel/Vandrel --hidden"},
        {"/home/a b/Vandrel", "\"/home/a b/Vandrel\" --hidden"},
        // Inside quotes ", `, $ and \ take a backslash; the value then
        // doubles every backslash.
        {"/x/$HOME/V", "\"/x/\\\\$HOME/V\" --hidden"},
        {"/x/a\"b/V", "\"/x/a\\\\\"b/V\" --hidden"},
        {"/x/100%/V", "/x/100%%/V --hidden"},
        // A line break never starts a new key of the entry.
        {"/x/a\nExec=evil/V", "\"/x/a\\nExec=evil/V\" --hidden"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Autostart::execLine(QString::fromUtf8(c.program)), QString::fromUtf8(c.exec)) << c.program;
}

}  // namespace
