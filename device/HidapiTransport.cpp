#include "device/HidapiTransport.h"

#include <hidapi.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#ifdef __linux__
#include <unistd.h>
#endif

#include "util/AtomicFile.h"

namespace vandrel {

namespace {

#ifdef __linux__
// "/dev/hidraw3" -> "/sys/class/hidraw/hidraw3/device"
std::filesystem::path sysfsDevice(const std::string& sysfsHidraw, const std::string& devPath) {
    return std::filesystem::path(sysfsHidraw) / std::filesystem::path(devPath).filename() / "device";
}

std::vector<uint8_t> readReportDescriptor(const std::filesystem::path& device) {
    std::vector<uint8_t> bytes;
    // The kernel caps report descriptors at 4096 bytes.
    if (readFilePrefix(device / "report_descriptor", 4096, bytes) != FileResult::Ok) bytes.clear();
    return bytes;
}

// The USB device an interface belongs to: in
// ".../usb1/1-2/1-2:1.3/0003:04D9:A124.0005" the interface is "1-2:1.3" and
// the device "1-2".
std::string usbDeviceOf(const std::filesystem::path& device) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(device, ec);
    if (ec) return {};
    const std::string iface = real.parent_path().filename().string();
    const size_t colon = iface.find(':');
    if (colon == std::string::npos || colon == 0) return {};
    return iface.substr(0, colon);
}
#endif

}  // namespace

HidapiTransport::HidapiTransport(std::string sysfsHidraw) : m_sysfsHidraw(std::move(sysfsHidraw)) { hid_init(); }

HidapiTransport::~HidapiTransport() {
    for (auto& [id, h] : m_handles) hid_close(h.dev);
    hid_exit();
}

std::vector<HidRecord> HidapiTransport::enumerate() {
    std::vector<HidRecord> out;
    hid_device_info* list = hid_enumerate(kKeyboardVendorId, kKeyboardProductId);
    for (hid_device_info* d = list; d; d = d->next) {
        HidRecord r;
        r.path = d->path ? d->path : "";
        r.vendorId = d->vendor_id;
        r.productId = d->product_id;
        r.interfaceNumber = d->interface_number;
        r.usagePage = d->usage_page;
        r.usage = d->usage;
#ifdef __linux__
        const std::filesystem::path device = sysfsDevice(m_sysfsHidraw, r.path);
        r.reportDescriptor = readReportDescriptor(device);
        r.usbDevice = usbDeviceOf(device);
        r.canOpen = ::access(r.path.c_str(), R_OK | W_OK) == 0;
#endif
        out.push_back(std::move(r));
    }
    hid_free_enumeration(list);
    return out;
}

ChannelId HidapiTransport::open(const std::string& path) {
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev) return kNoChannel;
    std::lock_guard<std::mutex> lock(m_mutex);
    const ChannelId id = m_next++;
    m_handles[id] = Handle{dev, path};
    return id;
}

void HidapiTransport::close(ChannelId ch) {
    hid_device* dev = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_handles.find(ch);
        if (it == m_handles.end()) return;
        dev = it->second.dev;
        m_handles.erase(it);
    }
    hid_close(dev);
}

HidapiTransport::Handle* HidapiTransport::find(ChannelId ch) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(ch);
    return it == m_handles.end() ? nullptr : &it->second;
}

IoStatus HidapiTransport::failure(const Handle& h, int savedErrno) const {
    if (savedErrno == ENODEV || savedErrno == ENOENT) return IoStatus::Gone;
#ifdef ESHUTDOWN
    if (savedErrno == ESHUTDOWN) return IoStatus::Gone;
#endif
#ifdef __linux__
    // hidapi does not always keep errno; a vanished node means the keyboard left.
    std::error_code ec;
    if (!std::filesystem::exists(h.path, ec)) return IoStatus::Gone;
#else
    (void)h;
#endif
    return IoStatus::Error;
}

IoStatus HidapiTransport::sendFeature(ChannelId ch, const CommandFrame& frame) {
    Handle* h = find(ch);
    if (!h) return IoStatus::Gone;
    errno = 0;
    const int n = hid_send_feature_report(h->dev, frame.bytes.data(), frame.bytes.size());
    return n < 0 ? failure(*h, errno) : IoStatus::Ok;
}

IoStatus HidapiTransport::getFeature(ChannelId ch, CommandFrame& answer) {
    Handle* h = find(ch);
    if (!h) return IoStatus::Gone;
    answer.bytes.fill(0);  // report id 0; the answer lands in bytes 1..8
    errno = 0;
    const int n = hid_get_feature_report(h->dev, answer.bytes.data(), answer.bytes.size());
    return n < 0 ? failure(*h, errno) : IoStatus::Ok;
}

IoStatus HidapiTransport::writeBlock(ChannelId ch, const DataBlock& block) {
    Handle* h = find(ch);
    if (!h) return IoStatus::Gone;
    errno = 0;
    const int n = hid_write(h->dev, block.bytes.data(), block.bytes.size());
    return n < 0 ? failure(*h, errno) : IoStatus::Ok;
}

IoStatus HidapiTransport::readBlock(ChannelId ch, DataBlock& block, int timeoutMs) {
    Handle* h = find(ch);
    if (!h) return IoStatus::Gone;
    uint8_t buf[DataBlock::kSize] = {};
    errno = 0;
    const int n = hid_read_timeout(h->dev, buf, sizeof(buf), timeoutMs);
    if (n < 0) return failure(*h, errno);
    if (n == 0) return IoStatus::Timeout;
    block.bytes.fill(0);
    // hidapi hands an unnumbered report over without its id (64 bytes); take a
    // 65-byte read as one with the id 0 still in front.
    if (n == static_cast<int>(DataBlock::kSize))
        std::memcpy(block.data(), buf + 1, DataBlock::kDataBytes);
    else
        std::memcpy(block.data(), buf, static_cast<size_t>(n));
    return IoStatus::Ok;
}

void HidapiTransport::discardInput(ChannelId ch) {
    Handle* h = find(ch);
    if (!h) return;
    uint8_t buf[DataBlock::kSize];
    // hidapi keeps at most 64 reports per handle.
    for (int i = 0; i < 128 && hid_read_timeout(h->dev, buf, sizeof(buf), 0) > 0; ++i) {
    }
}

IoStatus HidapiTransport::readInput(ChannelId ch, uint8_t* buf, size_t capacity, size_t& got, int timeoutMs) {
    got = 0;
    Handle* h = find(ch);
    if (!h) return IoStatus::Gone;
    errno = 0;
    const int n = hid_read_timeout(h->dev, buf, capacity, timeoutMs);
    if (n < 0) return failure(*h, errno);
    if (n == 0) return IoStatus::Timeout;
    got = static_cast<size_t>(n);
    return IoStatus::Ok;
}

DeviceLockFile HidapiTransport::lockFile(const std::string& channelPath) const {
#ifdef __linux__
    return {channelPath, false};
#else
    (void)channelPath;
    return {};
#endif
}

}  // namespace vandrel
