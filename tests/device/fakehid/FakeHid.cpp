#include "tests/device/fakehid/FakeHid.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "device/Discovery.h"
#include "sim/SimKeyboard.h"

// The handle hidapi hands out: which simulated channel, and whether it is the
// command interface (whose reads are data blocks) or an input interface.
struct hid_device_ {
    vandrel::ChannelId channel;
    bool command;
};

namespace vandrel::test::fakehid {
namespace {

// hidapi's interface is a set of free functions over process-wide state, so
// the stand-in keeps its state here too.
struct State {
    std::mutex mutex;
    SimKeyboard* keyboard = nullptr;
    std::filesystem::path devFolder;
    Options options;
    std::vector<Call> calls;
    int open = 0;
    int initialised = 0;
};

State& state() {
    static State s;
    return s;
}

SimKeyboard& keyboard() {
    if (!state().keyboard) {
        std::fprintf(stderr, "fake hidapi: called without a simulated keyboard attached\n");
        std::abort();
    }
    return *state().keyboard;
}

void record(const char* function, size_t length, const unsigned char* data) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.push_back({function, length, data && length ? data[0] : uint8_t{0}});
}

// "sim:0:hidraw2" -> "<devFolder>/hidraw2"
std::string nodeOf(const std::string& simPath) {
    return (state().devFolder / simPath.substr(simPath.rfind(':') + 1)).string();
}

// The simulated record behind a node path, or nullptr.
bool findRecord(const std::string& node, HidRecord& out) {
    for (HidRecord& r : keyboard().enumerate()) {
        if (nodeOf(r.path) == node) {
            out = std::move(r);
            return true;
        }
    }
    return false;
}

int fail(IoStatus s) {
    const int wanted = state().options.failureErrno;
    errno = wanted >= 0 ? wanted : (s == IoStatus::Gone ? ENODEV : EIO);
    return -1;
}

}  // namespace

void attach(SimKeyboard& kb, const std::filesystem::path& devFolder, Options options) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().keyboard = &kb;
    state().devFolder = devFolder;
    state().options = options;
    state().calls.clear();
}

void detach() {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().keyboard = nullptr;
}

Options& options() { return state().options; }

std::vector<Call> calls() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls;
}

void clearCalls() {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.clear();
}

int openDevices() { return state().open; }
int initialised() { return state().initialised; }

}  // namespace vandrel::test::fakehid

using namespace vandrel;
namespace fake = vandrel::test::fakehid;

int HID_API_EXPORT HID_API_CALL hid_init(void) {
    ++fake::state().initialised;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void) {
    --fake::state().initialised;
    return 0;
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const HidRecord& r : fake::keyboard().enumerate()) {
        if ((vendor_id && vendor_id != r.vendorId) || (product_id && product_id != r.productId)) continue;
        auto* d = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        d->path = strdup(fake::nodeOf(r.path).c_str());
        d->vendor_id = r.vendorId;
        d->product_id = r.productId;
        d->usage_page = r.usagePage;
        d->usage = r.usage;
        d->interface_number = r.interfaceNumber;
        d->bus_type = HID_API_BUS_USB;
        *tail = d;
        tail = &d->next;
    }
    return head;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info* devs) {
    while (devs) {
        hid_device_info* next = devs->next;
        std::free(devs->path);
        std::free(devs);
        devs = next;
    }
}

hid_device* HID_API_EXPORT HID_API_CALL hid_open_path(const char* path) {
    HidRecord r;
    if (!path || !fake::findRecord(path, r)) {
        errno = ENOENT;
        return nullptr;
    }
    const ChannelId ch = fake::keyboard().open(r.path);
    if (ch == kNoChannel) {
        errno = ENODEV;
        return nullptr;
    }
    ++fake::state().open;
    return new hid_device_{ch, r.interfaceNumber == kCommandInterface};
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device* dev) {
    if (!dev) return;
    fake::keyboard().close(dev->channel);
    --fake::state().open;
    delete dev;
}

// Feature reports: byte 0 names the report; the keyboard numbers none, so only
// report 0 exists, and its 8 data bytes follow the id.
int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device* dev, const unsigned char* data, size_t length) {
    fake::record("hid_send_feature_report", length, data);
    if (length != CommandFrame::kSize || data[0] != 0) return fake::fail(IoStatus::Error);
    CommandFrame f;
    std::memcpy(f.bytes.data(), data, length);
    const IoStatus s = fake::keyboard().sendFeature(dev->channel, f);
    return s == IoStatus::Ok ? static_cast<int>(length) : fake::fail(s);
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length) {
    fake::record("hid_get_feature_report", length, data);
    if (length < CommandFrame::kSize || data[0] != 0) return fake::fail(IoStatus::Error);
    CommandFrame answer;
    const IoStatus s = fake::keyboard().getFeature(dev->channel, answer);
    if (s != IoStatus::Ok) return fake::fail(s);
    std::memcpy(data, answer.bytes.data(), CommandFrame::kSize);
    return static_cast<int>(CommandFrame::kSize);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    fake::record("hid_write", length, data);
    if (length != DataBlock::kSize || data[0] != 0) return fake::fail(IoStatus::Error);
    DataBlock b;
    std::memcpy(b.bytes.data(), data, length);
    const IoStatus s = fake::keyboard().writeBlock(dev->channel, b);
    return s == IoStatus::Ok ? static_cast<int>(length) : fake::fail(s);
}

// hidraw hands an unnumbered report over without its id: a data block arrives
// as its 64 data bytes, a numbered input report with its id in front.
int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    fake::record("hid_read_timeout", length, nullptr);
    if (dev->command) {
        DataBlock b;
        const IoStatus s = fake::keyboard().readBlock(dev->channel, b, milliseconds);
        if (s == IoStatus::Timeout) return 0;
        if (s != IoStatus::Ok) return fake::fail(s);
        const bool withId = fake::options().blocksWithReportId;
        const uint8_t* from = withId ? b.bytes.data() : b.data();
        const size_t n = std::min(length, withId ? DataBlock::kSize : DataBlock::kDataBytes);
        std::memcpy(data, from, n);
        return static_cast<int>(n);
    }
    size_t got = 0;
    const IoStatus s = fake::keyboard().readInput(dev->channel, data, length, got, milliseconds);
    if (s == IoStatus::Timeout) return 0;
    if (s != IoStatus::Ok) return fake::fail(s);
    return static_cast<int>(got);
}
