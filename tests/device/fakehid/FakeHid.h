#pragma once
// A stand-in for the hidapi library, linked into a test in place of libhidapi:
// every hid_* call the real transport makes reaches the simulated keyboard,
// behaving the way hidapi's hidraw backend does. The device nodes are files
// named <devFolder>/hidrawN (created by the test), so that the transport's
// checks on the node and the sysfs tree can run on a fixture in a temp folder.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vandrel {
class SimKeyboard;
}

namespace vandrel::test::fakehid {

struct Options {
    // A data block read returns 65 bytes with the report id 0 in front (as on
    // Windows) instead of the 64 data bytes (hidraw with unnumbered reports).
    bool blocksWithReportId = false;
    // When >= 0, every failing call leaves this errno instead of the one that
    // matches the failure (ENODEV for an unplugged keyboard, EIO otherwise).
    int failureErrno = -1;
};

// What the transport handed to one call.
struct Call {
    std::string function;
    size_t length;
    uint8_t firstByte;  // the report id byte of the buffer passed in
};

// Routes hid_* to `keyboard` until detach(); node names map "sim:...:hidrawN"
// to devFolder/hidrawN.
void attach(SimKeyboard& keyboard, const std::filesystem::path& devFolder, Options options = {});
void detach();
Options& options();
std::vector<Call> calls();
void clearCalls();
int openDevices();  // handles opened and not yet closed
int initialised();  // hid_init calls minus hid_exit calls

}  // namespace vandrel::test::fakehid
