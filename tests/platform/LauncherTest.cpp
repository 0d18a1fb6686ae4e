#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "keymap/KeyRecord.h"
#include "keymap/LaunchAssignment.h"
#include "platform/DesktopLauncher.h"
#include "platform/Launcher.h"
#include "platform/LaunchChoosers.h"
#include "platform/LauncherShell.h"
#include "platform/UpdateOffer.h"
#include "util/Utf16.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

// Records what would have been started.
class FakeLauncher : public Launcher {
public:
    bool startProgram(const QString& program, const QString& workingFolder) override {
        calls.push_back(QStringLiteral("program ") + program + QStringLiteral(" in ") + workingFolder);
        return true;
    }
    bool openPath(const QString& path) override {
        calls.push_back(QStringLiteral("open ") + path);
        return true;
    }
    bool openWebPage(const QUrl& url) override {
        calls.push_back(QStringLiteral("web ") + url.toString());
        return true;
    }
    std::vector<QString> calls;
};

class LaunchTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path();
        write("song.mp3", "ID3", false);
        write("notes.txt", "plain text", true);  // execute bit, as on a FAT stick
        write("run.sh", "#!/bin/sh\nexit 0\n", true);
        write("noexec.sh", "#!/bin/sh\nexit 0\n", false);
        QFile::copy(QStringLiteral("/bin/true"), path("tool"));
        QFile::setPermissions(path("tool"), QFile::ReadOwner | QFile::ExeOwner);
        ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("Music")));
    }
    QString path(const char* name) const { return QDir(root).filePath(QString::fromLatin1(name)); }
    void write(const char* name, const QByteArray& content, bool executable) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        auto perms = QFile::ReadOwner | QFile::WriteOwner;
        if (executable) perms |= QFile::ExeOwner;
        f.setPermissions(perms);
    }
    QTemporaryDir tmp;
    QString root;
};

TEST_F(LaunchTree, DecidesByWhatThePathIs) {
    using K = LaunchPlan::Kind;
    struct Case {
        QString folder;
        QString file;
        K kind;
        QString target;
    };
    const QString missing = QDir(root).filePath(QStringLiteral("gone"));
    const std::vector<Case> cases = {
        {root, QStringLiteral("song.mp3"), K::Document, path("song.mp3")},
        {root, QStringLiteral("notes.txt"), K::Document, path("notes.txt")},
        {root, QStringLiteral("noexec.sh"), K::Document, path("noexec.sh")},
        {root, QStringLiteral("run.sh"), K::Program, path("run.sh")},
        {root, QStringLiteral("tool"), K::Program, path("tool")},
        {root, QStringLiteral("Music"), K::Folder, path("Music")},
        {root, QString(), K::Folder, root},                     // path ended with a separator
        {root, QStringLiteral("deleted.mp3"), K::Nothing, {}},  // file gone
        {missing, QStringLiteral("song.mp3"), K::Nothing, {}},  // folder gone
        {missing, QString(), K::Nothing, {}},
        {QString(), QStringLiteral("song.mp3"), K::Nothing, {}},
        {QStringLiteral("relative"), QStringLiteral("song.mp3"), K::Nothing, {}},
    };
    for (const Case& c : cases) {
        const LaunchPlan plan = planLaunch(c.folder, c.file);
        EXPECT_EQ(plan.kind, c.kind) << c.folder.toStdString() << " | " << c.file.toStdString();
        EXPECT_EQ(plan.target, c.target) << c.file.toStdString();
        if (c.kind != K::Nothing) {
            EXPECT_EQ(plan.workingFolder, c.folder);
        }
    }
}

TEST_F(LaunchTree, StartsProgramsInTheirFolderAndOpensTheRest) {
    FakeLauncher launcher;
    EXPECT_TRUE(launchFile(launcher, root, QStringLiteral("run.sh")));
    EXPECT_TRUE(launchFile(launcher, root, QStringLiteral("song.mp3")));
    EXPECT_TRUE(launchFile(launcher, root, QString()));
    EXPECT_FALSE(launchFile(launcher, root + QStringLiteral("/gone"), QStringLiteral("song.mp3")));
    EXPECT_FALSE(launchFile(launcher, root, QStringLiteral("gone.exe")));
    const std::vector<QString> expected = {QStringLiteral("program ") + path("run.sh") + QStringLiteral(" in ") + root,
                                           QStringLiteral("open ") + path("song.mp3"), QStringLiteral("open ") + root};
    EXPECT_EQ(launcher.calls, expected);
}

TEST_F(LaunchTree, LaunchKeyReachesTheLauncher) {
    // A key record of type 5 (program) for home code 0x70, stored in slot 40.
    auto table = std::make_unique<KeyRecordTable>();
    KeyRecordTable& records = *table;
    records[40].type = 5;
    records[40].homeVk = 0x70;
    writeUtf16Field(records[40].path, kKeyRecordPathUnits, path("run.sh").toStdU16String());
    records[41] = records[40];
    writeUtf16Field(records[41].path, kKeyRecordPathUnits, path("song.mp3").toStdU16String());

    FakeLauncher launcher;
    LauncherShell shell(launcher);
    EXPECT_TRUE(RunLaunchAssignment(0x70, records, shell));
    EXPECT_TRUE(shell.lastStarted());
    ASSERT_EQ(launcher.calls.size(), 1u);  // the lower slot only
    EXPECT_EQ(launcher.calls[0], QStringLiteral("program ") + path("run.sh") + QStringLiteral(" in ") + root);

    // The file was deleted since it was assigned: nothing is started.
    QFile::remove(path("run.sh"));
    EXPECT_TRUE(RunLaunchAssignment(0x70, records, shell));
    EXPECT_FALSE(shell.lastStarted());
    EXPECT_EQ(launcher.calls.size(), 1u);
}

TEST_F(LaunchTree, DesktopLauncherStartsDetachedInTheWorkingFolder) {
    test::app();
    write("where.sh", "#!/bin/sh\npwd > where.out\n", true);
    DesktopLauncher launcher;
    ASSERT_TRUE(launcher.startProgram(path("where.sh"), root));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(path("where.out")).size() > 0; }, 5000));
    QFile out(path("where.out"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(QDir(QString::fromLocal8Bit(out.readAll().trimmed())).canonicalPath(), QDir(root).canonicalPath());
}

TEST(DesktopLauncher, RefusesWhatItCannotOrMustNotOpen) {
    test::app();
    DesktopLauncher launcher;
    EXPECT_FALSE(launcher.startProgram(QStringLiteral("/nonexistent/Vandrel_Update"), QStringLiteral("/nonexistent")));
    EXPECT_FALSE(launcher.openPath(QStringLiteral("/nonexistent/song.mp3")));
    EXPECT_FALSE(launcher.openWebPage(QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_FALSE(launcher.openWebPage(QUrl(QStringLiteral("javascript:alert(1)"))));
    EXPECT_FALSE(launcher.openWebPage(QUrl()));
}

TEST(Updater, StartedFromTheProgramFolder) {
    FakeLauncher launcher;
    EXPECT_TRUE(startUpdater(launcher, QStringLiteral("/opt/vandrel")));
    ASSERT_EQ(launcher.calls.size(), 1u);
#ifdef Q_OS_WIN
    EXPECT_EQ(launcher.calls[0], QStringLiteral("program /opt/vandrel/Vandrel_Update.exe in /opt/vandrel"));
#else
    EXPECT_EQ(launcher.calls[0], QStringLiteral("program /opt/vandrel/Vandrel_Update in /opt/vandrel"));
#endif
}

TEST(Updater, OfferedOnlyForOlderFirmwareAndStartedOnlyOnOk) {
    const AppVersion app{1, 2, {0, 0}};
    struct Case {
        uint8_t fwMajor, fwMinor;
        bool answer;
        bool asked;
        bool started;
    };
    for (const Case& c : {Case{1, 1, true, true, true}, Case{1, 1, false, true, false}, Case{1, 2, true, false, false},
                          Case{1, 3, true, false, false}, Case{2, 0, true, false, false}}) {
        FakeLauncher launcher;
        bool asked = false;
        FirmwareVersion fw;
        fw.major = c.fwMajor;
        fw.minor = c.fwMinor;
        const bool started = offerFirmwareUpdate(nullptr, app, fw, launcher, QStringLiteral("/opt/vandrel"),
                                                 [&](QWidget*) {
                                                     asked = true;
                                                     return c.answer;
                                                 });
        EXPECT_EQ(asked, c.asked) << int(c.fwMajor) << "." << int(c.fwMinor);
        EXPECT_EQ(started, c.started) << int(c.fwMajor) << "." << int(c.fwMinor);
        EXPECT_EQ(launcher.calls.size(), c.started ? 1u : 0u);
    }
}

}  // namespace

namespace {

// The desktop's own file dialog on the program row, as the user works it:
// the name of a program without a suffix, typed and confirmed, is the
// program chosen (on Windows a typed name still gets its ".exe").
TEST_F(LaunchTree, ProgramChooserTakesAProgramWithoutSuffix) {
    test::app();
#ifndef Q_OS_WIN
    for (int row = 0; row < 3; ++row) {
        const FileChooserRequest r = launchFileRequest(row, root);
        EXPECT_TRUE(r.defaultSuffix.isEmpty()) << row;
        EXPECT_EQ(r.namePattern, QStringLiteral("*.") + QStringList({"mp3", "exe", "txt"})[row]) << row;
    }
    const LaunchChooserServices desktop = desktopLaunchChoosers();
    LaunchChooserServices s = desktop;
    QStringList messages;
    s.message = [&](QWidget*, const QString& m) { messages << m; };
    // Answers the file dialog once it shows, and any message box it raises.
    QTimer answer;
    bool typed = false;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                messages << box->text();
                box->done(QMessageBox::Ok);
            } else if (auto* files = qobject_cast<QFileDialog*>(w)) {
                // The name is typed once the folder has been listed, as a
                // user would: the listing puts the row's pattern back in
                // the name field when it ends after the typing.
                auto* listing = files->findChild<QFileSystemModel*>();
                auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                const bool listed =
                    listing && listing->rowCount(listing->index(files->directory().absolutePath())) > 0;
                if (!typed) {
                    if (!listed || !name) continue;
                    typed = true;
                    files->selectNameFilter(QStringLiteral("All Files(*)"));
                    name->setText(QStringLiteral("tool"));
                    QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
                } else {
                    files->reject();  // the name was refused
                }
            }
        }
    });
    answer.start(20);
    const std::optional<QString> chosen = chooseLaunchPath(1, path("song.mp3"), nullptr, s);
    answer.stop();
    EXPECT_EQ(chosen, std::optional<QString>(path("tool")));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
#endif
}

TEST(LaunchChoosers, FiltersStartFolderAndRefusals) {
    test::app();
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.txt");
    QFile(text).open(QIODevice::WriteOnly);
    std::vector<FileChooserRequest> asked;
    QString answer;
    std::optional<QString> folderAnswer;
    QStringList messages;
    LaunchChooserServices s;
    s.openFile = [&](QWidget*, const FileChooserRequest& r) {
        asked.push_back(r);
        return answer;
    };
    s.browseFolder = [&](QWidget*, const QString& title, const QString&) {
        EXPECT_EQ(title, "modification path");
        return folderAnswer;
    };
    s.message = [&](QWidget*, const QString& m) { messages << m; };

    answer = text;
    EXPECT_EQ(chooseLaunchPath(2, {}, nullptr, s), std::optional<QString>(text));
    EXPECT_EQ(asked.back().filter, "txt Files(*.txt)");
    EXPECT_EQ(asked.back().folder, QDir::homePath());
    chooseLaunchPath(0, text, nullptr, s);  // starts where the current choice lies
    EXPECT_EQ(asked.back().filter, "mp3 Files(*.mp3)");
    EXPECT_EQ(asked.back().folder, dir.path());

    // The program row: any executable, but not a document.
    EXPECT_EQ(chooseLaunchPath(1, {}, nullptr, s), std::nullopt);
    EXPECT_EQ(messages.size(), 1);
    answer = "/bin/sh";
    EXPECT_EQ(chooseLaunchPath(1, {}, nullptr, s), std::optional<QString>("/bin/sh"));
    EXPECT_TRUE(asked.back().filter.startsWith("exe Files(*.exe)"));

    // The folder row: cancelling says nothing, a choice that is no folder says so.
    EXPECT_EQ(chooseLaunchPath(3, {}, nullptr, s), std::nullopt);
    folderAnswer = QString();
    EXPECT_EQ(chooseLaunchPath(3, {}, nullptr, s), std::nullopt);
    EXPECT_EQ(messages.back(), "请选择文件夹\n");
    folderAnswer = dir.path();
    EXPECT_EQ(chooseLaunchPath(3, {}, nullptr, s), std::optional<QString>(dir.path()));
}

}  // namespace
