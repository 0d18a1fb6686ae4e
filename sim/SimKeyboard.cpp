#include "sim/SimKeyboard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/VirtualClock.h"

namespace vandrel {

namespace {

// Interface 0: the boot keyboard.
const std::vector<uint8_t> kBootKeyboardDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x06, 0x75, 0x08,
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x19, 0x00, 0x2A, 0xFF, 0x00, 0x81, 0x00, 0xC0,
};

// Interface 1: keyboard (id 1), consumer keys (id 2), system keys (id 3) and
// the vendor collection (id 4) whose 3-byte reports carry acknowledgements and
// launch-key codes.
const std::vector<uint8_t> kListenInterfaceDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x19, 0x00, 0x2A, 0xFF, 0x00, 0x81, 0x00, 0xC0,
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A,
    0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0,
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x03, 0x09, 0x02, 0x81, 0x02, 0xC0,
};

// The same interface without its vendor collection.
const std::vector<uint8_t> kListenInterfaceWithoutVendor(kListenInterfaceDescriptor.begin(),
                                                         kListenInterfaceDescriptor.end() - 23);

// Interface 3: unnumbered 8-byte feature reports and 64-byte data reports.
const std::vector<uint8_t> kCommandInterfaceDescriptor = {
    0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08,
    0x09, 0x01, 0xB1, 0x02, 0x95, 0x40, 0x09, 0x02, 0x81, 0x02, 0x95, 0x40, 0x09, 0x03, 0x91, 0x02, 0xC0,
};

constexpr uint8_t kVendorReportId = 4;
constexpr uint8_t kKeyboardReportId = 1;

// The pause the keyboard needs after a command frame before the next request.
int64_t gapAfterFrameMs(uint8_t c) {
    switch (c) {
        case cmd::GetFirmwareVersion:
        case cmd::GetReportRate:
        case cmd::GetResponseTime:
        case cmd::GetLighting:
        case cmd::SetReportRate:
        case cmd::SetResponseTime:
        case cmd::SetLighting:
        case cmd::WriteKeyMask: return 10;
        case cmd::GetGameMode:
        case cmd::ReadCustomLighting:
        case cmd::WriteCustomLighting: return 5;
        case cmd::GetColor:
        case cmd::WriteMacro: return 1;
        case cmd::SetGameMode:
        case cmd::SetColor: return 20;
        case cmd::FactoryReset: return 300;
        case cmd::WriteKeyMap: return 50;
        default: return 0;
    }
}

// ... after the answer to a get-feature request.
int64_t gapAfterAnswerMs(uint8_t c) {
    switch (c) {
        case cmd::GetFirmwareVersion:
        case cmd::GetReportRate:
        case cmd::GetResponseTime: return 10;
        case cmd::GetColor: return 1;
        case cmd::ReadCustomLighting: return 5;
        default: return 0;
    }
}

}  // namespace

SimKeyboard::SimKeyboard(Clock& clock, SimOptions options)
    : m_clock(clock), m_virtual(dynamic_cast<VirtualClock*>(&clock)), m_options(std::move(options)) {
    const std::string& sn = m_options.serial;
    if (m_options.style == SimPathStyle::Linux) {
        const std::string base = "sim:" + sn + ":hidraw";
        m_nodes.push_back({base + "0", 0, 0x01, 0x06, Role::Other, &kBootKeyboardDescriptor});
        const uint16_t usages[4][2] = {{0x01, 0x06}, {0x0C, 0x01}, {0x01, 0x80}, {0xFF00, 0x01}};
        const std::vector<uint8_t>* listen =
            m_options.listenCollection ? &kListenInterfaceDescriptor : &kListenInterfaceWithoutVendor;
        for (int i = 0; i < (m_options.listenCollection ? 4 : 3); ++i)
            m_nodes.push_back({base + "1", 1, usages[i][0], usages[i][1], Role::Listen, listen});
        m_nodes.push_back({base + "2", 3, 0xFF01, 0x01, Role::Command, &kCommandInterfaceDescriptor});
    } else {
        auto path = [&](const std::string& iface, int instance) {
            return "\\\\?\\hid#vid_04d9&pid_a124&" + iface + "#7&sim" + sn + "&0&000" + std::to_string(instance) +
                   "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
        };
        m_nodes.push_back({path("mi_00", 0), 0, 0x01, 0x06, Role::Other, &kBootKeyboardDescriptor});
        m_nodes.push_back({path("mi_01&col01", 0), 1, 0x01, 0x06, Role::ListenOther, &kListenInterfaceDescriptor});
        m_nodes.push_back({path("mi_01&col02", 1), 1, 0x0C, 0x01, Role::Other, &kListenInterfaceDescriptor});
        m_nodes.push_back({path("mi_01&col03", 2), 1, 0x01, 0x80, Role::Other, &kListenInterfaceDescriptor});
        if (m_options.listenCollection)
            m_nodes.push_back({path("mi_01&col04", 3), 1, 0xFF00, 0x01, Role::Listen, &kListenInterfaceDescriptor});
        m_nodes.push_back({path("mi_03", 0), 3, 0xFF01, 0x01, Role::Command, &kCommandInterfaceDescriptor});
    }
    if (!m_virtual) m_worker = std::thread(&SimKeyboard::workerLoop, this);
}

SimKeyboard::~SimKeyboard() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_workerCv.notify_all();
    if (m_worker.joinable()) m_worker.join();
    // Settle reports a virtual clock is still waiting on.
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& [id, h] : m_handles) {
        dropInputLocked(*h);
        if (h->unsettled && m_virtual) m_virtual->endWork();
    }
}

std::vector<uint8_t> SimKeyboard::ackReport() { return {kVendorReportId, 4, 0, 0}; }
std::vector<uint8_t> SimKeyboard::inputReport(uint8_t code) { return {kVendorReportId, 1, code, 0}; }

// ---- enumeration and handles

std::vector<HidRecord> SimKeyboard::enumerate() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<HidRecord> out;
    if (!m_plugged) return out;
    for (const Node& n : m_nodes) {
        HidRecord r;
        r.path = n.path;
        r.vendorId = kKeyboardVendorId;
        r.productId = kKeyboardProductId;
        r.interfaceNumber = n.interfaceNumber;
        r.usagePage = n.usagePage;
        r.usage = n.usage;
        r.reportDescriptor = *n.descriptor;
        r.usbDevice = "sim-" + m_options.serial;
        out.push_back(std::move(r));
    }
    return out;
}

ChannelId SimKeyboard::open(const std::string& path) {
    if (path.find("sim") == std::string::npos) {
        std::fprintf(stderr, "SimKeyboard: refusing to open \"%s\": tests never touch a real device\n", path.c_str());
        std::abort();
    }
    std::function<void()> onFirstOpen;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_handles.empty()) onFirstOpen = m_onFirstOpen;
    }
    // Outside the keyboard's lock: it may set the keyboard's configuration.
    if (onFirstOpen) onFirstOpen();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_plugged) return kNoChannel;
    auto node = std::find_if(m_nodes.begin(), m_nodes.end(), [&](const Node& n) { return n.path == path; });
    if (node == m_nodes.end()) return kNoChannel;
    auto h = std::make_shared<Handle>();
    h->role = node->role;
    h->epoch = m_epoch;
    const ChannelId id = m_next++;
    m_handles[id] = h;
    return id;
}

void SimKeyboard::close(ChannelId ch) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(ch);
    if (it == m_handles.end()) return;
    dropInputLocked(*it->second);
    if (it->second->unsettled && m_virtual) m_virtual->endWork();
    m_handles.erase(it);
    m_inputCv.notify_all();
}

SimKeyboard::HandlePtr SimKeyboard::findLocked(ChannelId ch) const {
    auto it = m_handles.find(ch);
    return it == m_handles.end() ? nullptr : it->second;
}

int SimKeyboard::openHandles() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_handles.size());
}

// ---- requests on the command channel

size_t SimKeyboard::recordLocked(SimEvent::Kind kind, const uint8_t* bytes, size_t n) {
    const int64_t now = m_clock.nowUs();
    m_events.push_back({kind, now, std::vector<uint8_t>(bytes, bytes + n)});
    const size_t index = m_events.size() - 1;
    if (now < m_earliestUs) {
        char what[96];
        std::snprintf(what, sizeof(what), "request %.3f ms before the keyboard is ready",
                      static_cast<double>(m_earliestUs - now) / 1000.0);
        m_violations.push_back({index, now, m_earliestUs, what});
    }
    return index;
}

void SimKeyboard::afterRequestLocked(int64_t gapMs) {
    m_earliestUs = m_clock.nowUs() + gapMs * 1000;
    if (m_unplugAfter > 0 && --m_unplugAfter == 0) {
        m_unplugAfter = -1;
        unplugLocked();
    }
}

void SimKeyboard::acknowledgeLocked() {
    if (!m_acking) return;
    ++m_acks;
    const std::vector<uint8_t> report = ackReport();
    const int64_t at = m_clock.nowUs() + m_options.ackLatencyUs;
    if (m_virtual) {
        const int epoch = m_epoch;  // an acknowledgement does not survive an unplug
        m_virtual->schedule(at, [this, report, epoch] {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (epoch == m_epoch) deliverLocked(report, Role::Listen);
        });
    } else {
        m_timed.emplace(at, report);
        m_workerCv.notify_all();
    }
}

void SimKeyboard::fillGarbageLocked(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        m_rng ^= m_rng << 13;
        m_rng ^= m_rng >> 17;
        m_rng ^= m_rng << 5;
        p[i] = static_cast<uint8_t>(m_rng);
    }
}

bool SimKeyboard::failsLocked(SimEvent::Kind kind) {
    int& countdown = m_failIn[static_cast<int>(kind)];
    if (countdown < 0) return false;
    return countdown-- == 0;
}

IoStatus SimKeyboard::sendFeature(ChannelId ch, const CommandFrame& frame) {
    std::lock_guard<std::mutex> lock(m_mutex);
    HandlePtr h = findLocked(ch);
    if (!h) return IoStatus::Error;
    if (!liveLocked(*h)) return IoStatus::Gone;
    if (h->role != Role::Command) return IoStatus::Error;  // the other interfaces have no such report
    if (failsLocked(SimEvent::Kind::SetFeature)) return IoStatus::Error;
    const size_t index = recordLocked(SimEvent::Kind::SetFeature, frame.bytes.data(), frame.bytes.size());
    if (!frame.checksumValid()) {
        // The keyboard ignores a frame whose checksum does not match.
        m_violations.push_back({index, m_events[index].atUs, 0, "wrong checksum"});
        afterRequestLocked(0);
        return IoStatus::Ok;
    }
    SimFirmware::Reaction r = m_fw.onFeature(frame);
    for (const DataBlock& b : r.blocksToHost) {
        if (m_dropIn >= 0 && m_dropIn-- == 0) continue;
        h->blocks.push_back(b);
        if (m_garbage) fillGarbageLocked(h->blocks.back().data(), DataBlock::kDataBytes);
    }
    if (r.acknowledge) {
        acknowledgeLocked();
        if (m_writeObserver) m_writeObserver(m_fw.config);
    }
    afterRequestLocked(gapAfterFrameMs(frame.command()));
    return IoStatus::Ok;
}

IoStatus SimKeyboard::getFeature(ChannelId ch, CommandFrame& answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    HandlePtr h = findLocked(ch);
    if (!h) return IoStatus::Error;
    if (!liveLocked(*h)) return IoStatus::Gone;
    if (h->role != Role::Command) return IoStatus::Error;
    if (failsLocked(SimEvent::Kind::GetFeature)) return IoStatus::Error;
    answer = m_fw.answer();
    if (m_garbage) fillGarbageLocked(answer.bytes.data() + 1, CommandFrame::kSize - 1);
    answer.bytes[0] = 0;
    recordLocked(SimEvent::Kind::GetFeature, answer.bytes.data(), answer.bytes.size());
    afterRequestLocked(gapAfterAnswerMs(m_fw.lastCommand()));
    return IoStatus::Ok;
}

IoStatus SimKeyboard::writeBlock(ChannelId ch, const DataBlock& block) {
    std::lock_guard<std::mutex> lock(m_mutex);
    HandlePtr h = findLocked(ch);
    if (!h) return IoStatus::Error;
    if (!liveLocked(*h)) return IoStatus::Gone;
    if (h->role != Role::Command) return IoStatus::Error;
    if (failsLocked(SimEvent::Kind::WriteBlock)) return IoStatus::Error;
    const size_t index = recordLocked(SimEvent::Kind::WriteBlock, block.bytes.data(), block.bytes.size());
    if (m_fw.blocksExpected() == 0) {
        m_violations.push_back({index, m_events[index].atUs, 0, "data block without a write command"});
        afterRequestLocked(0);
        return IoStatus::Ok;
    }
    const SimFirmware::Reaction r = m_fw.onBlock(block);
    int64_t gap = 0;
    const uint8_t c = m_fw.lastCommand();
    if (c == cmd::WriteCustomLighting) gap = 5;
    if (r.acknowledge) {
        if (c == cmd::WriteKeyMap) gap = 60;  // the keyboard stores the key map
        acknowledgeLocked();
        if (m_writeObserver) m_writeObserver(m_fw.config);
    }
    afterRequestLocked(gap);
    return IoStatus::Ok;
}

IoStatus SimKeyboard::readBlock(ChannelId ch, DataBlock& block, int timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        HandlePtr h = findLocked(ch);
        if (!h) return IoStatus::Error;
        if (!liveLocked(*h)) return IoStatus::Gone;
        if (failsLocked(SimEvent::Kind::ReadBlock)) return IoStatus::Error;
        if (!h->blocks.empty()) {
            block = h->blocks.front();
            h->blocks.erase(h->blocks.begin());
            block.bytes[0] = 0;
            recordLocked(SimEvent::Kind::ReadBlock, block.bytes.data(), block.bytes.size());
            afterRequestLocked(m_fw.lastCommand() == cmd::ReadCustomLighting ? 5 : 0);
            return IoStatus::Ok;
        }
        recordLocked(SimEvent::Kind::ReadBlock, nullptr, 0);
    }
    // Nothing was sent: the read times out (the lock is released, a virtual
    // clock fires events meanwhile).
    m_clock.sleepMs(timeoutMs);
    std::lock_guard<std::mutex> lock(m_mutex);
    HandlePtr h = findLocked(ch);
    if (!h || !liveLocked(*h)) return IoStatus::Gone;
    return IoStatus::Timeout;
}

void SimKeyboard::discardInput(ChannelId ch) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (HandlePtr h = findLocked(ch)) h->blocks.clear();
}

// ---- the listen channel

void SimKeyboard::deliverLocked(const std::vector<uint8_t>& report, Role role) {
    if (!m_plugged) return;
    for (auto& [id, h] : m_handles) {
        if (h->role != role || !liveLocked(*h)) continue;
        h->input.push_back(report);
        if (m_virtual) m_virtual->beginWork();
    }
    m_inputCv.notify_all();
}

void SimKeyboard::dropInputLocked(Handle& h) {
    if (m_virtual)
        for (size_t i = 0; i < h.input.size(); ++i) m_virtual->endWork();
    h.input.clear();
}

void SimKeyboard::announceGoneLocked(Handle& h) {
    if (h.goneAnnounced) return;
    h.goneAnnounced = true;
    if (m_virtual) m_virtual->beginWakeWork();
}

// On a virtual clock a report handed to the reader stays work until the reader
// comes back for the next one. When the device is gone, the reader's last turn
// (it sees Gone, stops, and wakes the writer) is work until that wake().
IoStatus SimKeyboard::readInput(ChannelId ch, uint8_t* buf, size_t capacity, size_t& got, int timeoutMs) {
    got = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    HandlePtr h = findLocked(ch);
    if (!h) return IoStatus::Error;
    if (h->unsettled) {
        h->unsettled = false;
        if (!liveLocked(*h)) announceGoneLocked(*h);  // before the report's work ends
        if (m_virtual) m_virtual->endWork();
    }
    if (!liveLocked(*h)) {
        announceGoneLocked(*h);
        return IoStatus::Gone;
    }
    ++m_readers;
    ++h->readers;
    m_maxReaders = std::max(m_maxReaders, m_readers);
    m_inputCv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [&] { return !h->input.empty() || !liveLocked(*h) || m_quit; });
    --m_readers;
    --h->readers;
    if (!liveLocked(*h)) {
        dropInputLocked(*h);
        announceGoneLocked(*h);
        return IoStatus::Gone;
    }
    if (h->input.empty()) return IoStatus::Timeout;
    const std::vector<uint8_t> report = std::move(h->input.front());
    h->input.erase(h->input.begin());
    got = std::min(capacity, report.size());
    std::memcpy(buf, report.data(), got);
    h->unsettled = true;
    return IoStatus::Ok;
}

void SimKeyboard::pressLaunchKey(uint8_t code) {
    std::lock_guard<std::mutex> lock(m_mutex);
    deliverLocked(inputReport(code), Role::Listen);
}

void SimKeyboard::sendListenReport(const std::vector<uint8_t>& report) {
    std::lock_guard<std::mutex> lock(m_mutex);
    deliverLocked(report, Role::Listen);
}

void SimKeyboard::sendForeignReport() {
    // A key-press report of the keyboard collection, which shares the listen
    // interface's node on Linux.
    const std::vector<uint8_t> report = {kKeyboardReportId, 0, 0, 0x04, 0, 0, 0, 0, 0};
    std::lock_guard<std::mutex> lock(m_mutex);
    deliverLocked(report, m_options.style == SimPathStyle::Linux ? Role::Listen : Role::ListenOther);
}

void SimKeyboard::workerLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
        if (m_timed.empty()) {
            m_workerCv.wait(lock);
            continue;
        }
        const auto due = std::chrono::steady_clock::time_point(std::chrono::microseconds(m_timed.begin()->first));
        if (std::chrono::steady_clock::now() < due) {
            m_workerCv.wait_until(lock, due);
            continue;
        }
        const std::vector<uint8_t> report = m_timed.begin()->second;
        m_timed.erase(m_timed.begin());
        deliverLocked(report, Role::Listen);
    }
}

// ---- state and behaviour

DeviceImage SimKeyboard::config() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fw.config;
}

void SimKeyboard::setConfig(const DeviceImage& config) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fw.config = config;
}

void SimKeyboard::setFirmwareVersion(uint8_t major, uint8_t minor) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fw.version.major = major;
    m_fw.version.minor = minor;
}

void SimKeyboard::restoreFactory() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fw.restoreFactory();
}

void SimKeyboard::setWriteObserver(WriteObserver observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writeObserver = std::move(observer);
}

void SimKeyboard::setLockFile(std::string path, std::function<void()> onFirstOpen) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lockFile = std::move(path);
    m_onFirstOpen = std::move(onFirstOpen);
}

DeviceLockFile SimKeyboard::lockFile(const std::string&) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_lockFile.empty()) return {};
    return {m_lockFile, true};
}

void SimKeyboard::setAcknowledging(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_acking = on;
}

void SimKeyboard::setAckLatencyUs(int64_t us) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_options.ackLatencyUs = us;
}

void SimKeyboard::setGarbageAnswers(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_garbage = on;
}

void SimKeyboard::setStoreFault(int byteOffset) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fw.storeFault = byteOffset;
}

void SimKeyboard::unplugLocked() {
    m_plugged = false;
    ++m_epoch;
    m_timed.clear();
    for (auto& [id, h] : m_handles) {
        dropInputLocked(*h);  // queued reports are lost
        h->blocks.clear();
        // A waiting reader learns at once that the device is gone: count its
        // last turn as work now, before the unplugging thread moves time on.
        // A reader busy with a report is counted when it comes back.
        if (h->readers > 0) announceGoneLocked(*h);
    }
    m_inputCv.notify_all();
}

void SimKeyboard::unplug() {
    std::lock_guard<std::mutex> lock(m_mutex);
    unplugLocked();
}

void SimKeyboard::plug() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_plugged = true;
    m_earliestUs = 0;
}

bool SimKeyboard::plugged() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_plugged;
}

void SimKeyboard::unplugAfterRequests(int n) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugAfter = n;
}

void SimKeyboard::failRequest(SimEvent::Kind kind, int skip) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failIn[static_cast<int>(kind)] = skip;
}

void SimKeyboard::dropBlockToHost(int skip) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropIn = skip;
}

std::vector<SimEvent> SimKeyboard::events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<SimViolation> SimKeyboard::violations() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_violations;
}

void SimKeyboard::clearRecord() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
    m_violations.clear();
    m_acks = 0;
}

int SimKeyboard::acknowledgementsSent() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_acks;
}

int SimKeyboard::maxConcurrentListenReaders() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_maxReaders;
}

}  // namespace vandrel
