// One writer per keyboard: whoever talks to a keyboard holds its lock, and a
// second session on the same keyboard opens nothing until the first lets go,
// whatever the environment of the two.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "device/DeviceLock.h"
#include "profile/OwnDataFiles.h"
#include "sim/SimStateFile.h"
#include "tests/app/TempFolder.h"
#include "tests/device/SimFixture.h"

namespace vandrel::test {
namespace {

TEST(DeviceLock, OneHolderAtATimeTillItLetsGoOrEnds) {
    TempFolder folder;
    const DeviceLockFile file{(folder.path() / "DemoKeyboard.lock").string(), true};
    DeviceLock first, second;
    ASSERT_EQ(first.acquire(file), DeviceLock::Result::Acquired);
    EXPECT_TRUE(first.held());
    EXPECT_EQ(second.acquire(file), DeviceLock::Result::Busy);
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(DeviceLock::heldElsewhere(file));
    first.release();
    EXPECT_FALSE(DeviceLock::heldElsewhere(file));
    ASSERT_EQ(second.acquire(file), DeviceLock::Result::Acquired);
    second.release();

    // A holder that is killed gives the lock back with its end.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DeviceLock held;
        const char answer = held.acquire(file) == DeviceLock::Result::Acquired ? '1' : '0';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, '1');
    EXPECT_EQ(first.acquire(file), DeviceLock::Result::Busy);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(first.acquire(file), DeviceLock::Result::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(DeviceLock, ADeviceNodeIsNeverMadeAndAProbeMakesNothing) {
    TempFolder folder;
    // A keyboard's node that is gone is not made as a file.
    const DeviceLockFile node{(folder.path() / "hidraw7").string(), false};
    DeviceLock lock;
    std::error_code why;
    EXPECT_EQ(lock.acquire(node, &why), DeviceLock::Result::Failed);
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(std::filesystem::exists(node.path));
    EXPECT_FALSE(DeviceLock::heldElsewhere({(folder.path() / "x.lock").string(), true}));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.lock"));
    // A link in the lock file's place is not followed to make a file elsewhere.
    std::filesystem::create_symlink(folder.path() / "elsewhere", folder.path() / "y.lock");
    EXPECT_EQ(lock.acquire({(folder.path() / "y.lock").string(), true}), DeviceLock::Result::Failed);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "elsewhere"));
    // A FIFO in its place does not stall the caller.
    ASSERT_EQ(::mkfifo((folder.path() / "z.lock").c_str(), 0600), 0);
    EXPECT_NE(lock.acquire({(folder.path() / "z.lock").string(), true}), DeviceLock::Result::Busy);
}

// Two sessions on one simulated keyboard (the program and a vandrelctl): the
// lock beside the keyboard's state file decides, and replacing the state
// file at every write does not free it.
TEST(DeviceLock, ASecondSessionOpensNothingWhileTheFirstTalksToTheKeyboard) {
    TempFolder folder;
    const SimStateFile state(folder.path() / "DemoKeyboard.bin");
    EXPECT_EQ(state.lockPath(), folder.path() / "DemoKeyboard.lock");
    SimSession program, tool;
    int restored = 0;
    state.attach(program.keyboard);
    program.keyboard.setLockFile(state.lockPath().string(), [&] {
        ++restored;
        state.restore(program.keyboard, std::cerr);
    });
    tool.keyboard.setLockFile(state.lockPath().string(), [&] { state.restore(tool.keyboard, std::cerr); });

    program.connect();
    EXPECT_EQ(restored, 1);
    DeviceImage image = program.image;
    image.ledBrightness = 7;
    ASSERT_TRUE(program.session.writeAll(image, program.shadow).ok());
    ASSERT_TRUE(state.read().has_value());

    const OpenResult refused = tool.session.openChannels();
    EXPECT_TRUE(refused.deviceBusy);
    EXPECT_EQ(refused.lockPath, state.lockPath().string());
    EXPECT_FALSE(tool.session.commandOpen());
    EXPECT_FALSE(tool.session.listenOpen());
    EXPECT_EQ(tool.keyboard.openHandles(), 0);
    EXPECT_TRUE(DeviceLock::heldElsewhere(deviceLockFileFor(tool.keyboard, chooseChannels(tool.keyboard.enumerate(),
                                                                                          SessionOptions().rule))));

    // Once the program lets go, the tool takes the keyboard with what the
    // program last wrote to it.
    program.session.closeChannels();
    const OpenResult taken = tool.session.openChannels();
    EXPECT_FALSE(taken.deviceBusy);
    EXPECT_TRUE(tool.session.commandOpen());
    EXPECT_EQ(tool.keyboard.config().ledBrightness, 7);
    EXPECT_TRUE(program.session.openChannels().deviceBusy);

    // No export or profile save replaces the lock file: a new file in its
    // place would let a second writer in.
    EXPECT_TRUE(OwnDataFiles({folder.path()}, {}).contains(state.lockPath()));
}

}  // namespace
}  // namespace vandrel::test
