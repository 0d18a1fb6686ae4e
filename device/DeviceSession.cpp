#include "device/DeviceSession.h"

#include "device/Commands.h"
#include "device/Transfers.h"

namespace vandrel {

namespace {

// The acknowledgement as the listener reports it: ackFlag, woken on arrival.
class ListenerAcks final : public AckWaiter {
public:
    ListenerAcks(Listener& listener, Clock& clock, int deadlineMs)
        : m_listener(listener), m_clock(clock), m_deadlineMs(deadlineMs) {}
    void clear() override { m_listener.ackFlag.store(false); }
    AckResult wait() override {
        // One absolute deadline; other input reports wake the wait but do not
        // extend it.
        const int64_t deadline = m_clock.nowUs() + int64_t{m_deadlineMs} * 1000;
        m_clock.waitUntil(deadline, [this] { return m_listener.ackFlag.load() || !m_listener.running(); });
        if (m_listener.ackFlag.load()) return AckResult::Acked;
        if (m_listener.channelLost()) return AckResult::Gone;
        return AckResult::TimedOut;
    }

private:
    Listener& m_listener;
    Clock& m_clock;
    int m_deadlineMs;
};

}  // namespace

DeviceLockFile deviceLockFileFor(const Transport& transport, const ChannelChoice& choice) {
    if (choice.commandPath) return transport.lockFile(*choice.commandPath);
    if (choice.listenPath) return transport.lockFile(*choice.listenPath);
    return {};
}

DeviceSession::DeviceSession(Transport& transport, Clock& clock, SessionOptions options)
    : m_transport(transport), m_clock(clock), m_options(options), m_port(transport, clock), m_listener(transport, clock) {
    m_port.blockTimeoutMs = m_options.blockReadTimeoutMs;
    m_listener.setInputSink([this](uint8_t code) { m_dispatcher.post(code); });
}

DeviceSession::~DeviceSession() { closeChannels(); }

OpenResult DeviceSession::openChannels() {
    OpenResult result;
    // Once either channel saw the keyboard gone, both handles are dead: close
    // them (and let the listener end) so that they can be opened again.
    bool gone = m_listener.deviceGone();
    {
        std::lock_guard<std::mutex> lock(m_port.mutex());
        gone = gone || m_commandGone;
    }
    if (gone) closeChannels();

    std::lock_guard<std::mutex> listenLock(m_listenMutex);
    bool commandClosed;
    {
        std::lock_guard<std::mutex> lock(m_port.mutex());
        commandClosed = m_port.channel() == kNoChannel;
    }
    if (!commandClosed && m_listenChannel != kNoChannel) return result;

    const ChannelChoice choice = chooseChannels(m_transport.enumerate(), m_options.rule);
    // One process at a time talks to the keyboard. A lock file that cannot
    // be opened at all (no such node any more) locks nothing: the open below
    // fails the same way.
    if (!m_deviceLock.held()) {
        const DeviceLockFile lockFile = deviceLockFileFor(m_transport, choice);
        if (!lockFile.path.empty() && m_deviceLock.acquire(lockFile) == DeviceLock::Result::Busy) {
            result.deviceBusy = true;
            result.lockPath = lockFile.path;
            return result;
        }
    }
    if (commandClosed && choice.commandPath) {
        const ChannelId ch = m_transport.open(*choice.commandPath);
        if (ch != kNoChannel) {
            std::lock_guard<std::mutex> lock(m_port.mutex());
            m_port.set(ch);
            m_commandOpen.store(true);
            result.commandOpened = true;
        }
    }
    if (m_listenChannel == kNoChannel && choice.listenPath) {
        const ChannelId ch = m_transport.open(*choice.listenPath);
        if (ch != kNoChannel) {
            m_listenChannel = ch;
            result.listenOpened = true;
            m_listener.start(ch, choice.listenFraming);
        }
    }
    // Nothing open, nothing to hold on to (the keyboard is not there).
    if (m_listenChannel == kNoChannel && !m_commandOpen.load()) m_deviceLock.release();
    return result;
}

void DeviceSession::closeChannels() {
    std::lock_guard<std::mutex> listenLock(m_listenMutex);
    m_listener.stop();
    if (m_listenChannel != kNoChannel) {
        m_transport.close(m_listenChannel);
        m_listenChannel = kNoChannel;
    }
    // Waits for a command sequence on another thread to finish first.
    std::lock_guard<std::mutex> lock(m_port.mutex());
    if (m_port.channel() != kNoChannel) {
        m_transport.close(m_port.channel());
        m_port.set(kNoChannel);
    }
    m_commandOpen.store(false);
    m_commandGone = false;
    m_deviceLock.release();
}

bool DeviceSession::commandOpen() { return m_commandOpen.load(); }

bool DeviceSession::listenOpen() {
    std::lock_guard<std::mutex> lock(m_listenMutex);
    return m_listenChannel != kNoChannel;
}

TransferOutcome DeviceSession::finish(TransferOutcome outcome) {
    if (outcome == TransferOutcome::DeviceGone) {
        std::lock_guard<std::mutex> lock(m_port.mutex());
        m_commandGone = true;
    }
    return outcome;
}

TransferOutcome DeviceSession::initialRead(DeviceImage& image, FirmwareVersion& firmware) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    return finish(runRead(m_port, image, true, &firmware));
}

TransferOutcome DeviceSession::readAll(DeviceImage& image) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    return finish(runRead(m_port, image, false, nullptr));
}

TransferOutcome DeviceSession::reconnectRead(DeviceImage& image, FirmwareVersion& firmware) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    TransferOutcome o = runRead(m_port, image, false, nullptr);
    if (o == TransferOutcome::DeviceGone) return finish(o);
    IoStatus worst = IoStatus::Ok;
    for (int m = 0; m < static_cast<int>(kDiyMapCount) && worst != IoStatus::Gone; ++m)
        worst = worseOf(worst, commands::readCustomLighting(m_port, image, m));
    if (worst != IoStatus::Gone) worst = worseOf(worst, commands::getFirmwareVersion(m_port, firmware));
    const TransferOutcome tail = outcomeOf(worst);
    return finish(tail != TransferOutcome::Completed ? tail : o);
}

WriteResult DeviceSession::writeAll(DeviceImage& image, ShadowImage& shadow, const WriteProgress& progress) {
    // Without the listener no acknowledgement can arrive: send nothing.
    if (!commandOpen() || !m_listener.running()) {
        WriteResult r;
        r.outcome = m_listener.deviceGone() ? TransferOutcome::DeviceGone : TransferOutcome::NotConnected;
        return r;
    }
    ListenerAcks acks(m_listener, m_clock, m_options.ackDeadlineMs);
    WriteResult r = runWriteAll(m_port, acks, image, shadow, progress);
    finish(r.outcome);
    return r;
}

WriteResult DeviceSession::writeAllVerified(DeviceImage& image, ShadowImage& shadow, ReadBackResult& check,
                                            const WriteProgress& progress) {
    check = ReadBackResult{};
    DeviceImage locked = image;
    applyWinLock(locked);
    const ChangeFlags sections = compareImages(locked, shadow);
    const int writeSteps = sections.stepCount();
    const int total = writeSteps + readBackRequestCount(sections);
    const ShadowImage before = shadow;
    WriteResult r = writeAll(image, shadow, [&](int done, int) {
        if (progress) progress(done, total);
    });
    if (!r.ok() || r.stepsTotal == 0) return r;
    check = readBack(image, sections, [&](int done, int) {
        if (progress) progress(writeSteps + done, total);
    });
    if (check.matches()) return r;
    shadow = before;
    r.outcome = check.outcome == TransferOutcome::Completed ? TransferOutcome::Mismatch : check.outcome;
    r.step = WriteStep::ReadBack;
    return r;
}

ReadBackResult DeviceSession::readBack(const DeviceImage& sent, const ChangeFlags& sections,
                                       const WriteProgress& progress) {
    if (!commandOpen()) {
        ReadBackResult r;
        r.outcome = TransferOutcome::NotConnected;
        return r;
    }
    ReadBackResult r = runReadBack(m_port, sent, sections, progress);
    finish(r.outcome);
    return r;
}

TransferOutcome DeviceSession::restoreGameModeOff(DeviceImage& image) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    DeviceImage off = image;
    off.gameMode = 0;
    const TransferOutcome o = finish(outcomeOf(commands::setGameMode(m_port, off)));
    if (o == TransferOutcome::Completed) image = off;
    return o;
}

TransferOutcome DeviceSession::factoryReset() {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    return finish(outcomeOf(commands::factoryReset(m_port)));
}

TransferOutcome DeviceSession::getLighting(DeviceImage& image) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    return finish(outcomeOf(commands::getLighting(m_port, image)));
}

TransferOutcome DeviceSession::readSettings(DeviceImage& image, const ChangeFlags& which) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    IoStatus worst = IoStatus::Ok;
    auto step = [&worst](bool wanted, const std::function<IoStatus()>& command) {
        if (wanted && worst != IoStatus::Gone) worst = worseOf(worst, command());
    };
    step(which.lighting, [&] { return commands::getLighting(m_port, image); });
    for (int i = 0; i < static_cast<int>(kPaletteEntries); ++i)
        step(which.palette, [&] { return commands::getColor(m_port, image, i); });
    step(which.gameMode, [&] { return commands::getGameMode(m_port, image); });
    step(which.reportRate, [&] { return commands::getReportRate(m_port, image); });
    step(which.responseTime, [&] { return commands::getResponseTime(m_port, image); });
    step(which.keyMask, [&] { return commands::readKeyMask(m_port, image); });
    return finish(outcomeOf(worst));
}

TransferOutcome DeviceSession::getFirmwareVersion(FirmwareVersion& firmware) {
    if (!commandOpen()) return TransferOutcome::NotConnected;
    return finish(outcomeOf(commands::getFirmwareVersion(m_port, firmware)));
}

void DeviceSession::setInputCallback(std::function<void(uint8_t code)> fn) { m_dispatcher.setCallback(std::move(fn)); }

}  // namespace vandrel
