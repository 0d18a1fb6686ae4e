#pragma once
// The device link as the user interface uses it: the two channels, the
// listener thread, the flags it shares with the writer, and the transfers.
//
// Threads: every method may be called from any one thread at a time, except
// that a transfer (initialRead on a worker thread, say) may run while another
// thread calls openChannels/closeChannels; the command lock orders them. The
// images passed in belong to the caller and must not be touched by another
// thread during the call.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "device/Clock.h"
#include "device/CommandPort.h"
#include "device/DeviceImage.h"
#include "device/DeviceLock.h"
#include "device/Discovery.h"
#include "device/InputDispatcher.h"
#include "device/Listener.h"
#include "device/ReadBack.h"
#include "device/TransferResult.h"
#include "device/Transfers.h"
#include "device/Transport.h"

namespace vandrel {

struct SessionOptions {
    ChannelRule rule = platformChannelRule();
    // Absolute bound on each acknowledgement wait of a write. A keyboard answers
    // within a few milliseconds; after this long it is taken as not answering.
    int ackDeadlineMs = 1000;
    // Bound on each data block read of a read transfer.
    int blockReadTimeoutMs = 1000;
};

struct OpenResult {
    bool commandOpened = false;  // the command channel was opened by this call
    bool listenOpened = false;   // the listen channel was opened by this call
    // Another process holds the keyboard's lock (it talks to the keyboard):
    // nothing was opened. `lockPath` names the locked file.
    bool deviceBusy = false;
    std::string lockPath;
};

// The lock that stands for the keyboard `choice` found: the transport's lock
// file for its command channel (for its listen channel when it has none).
// Whoever talks to that keyboard holds it; a diagnosis may probe it with
// DeviceLock::heldElsewhere.
DeviceLockFile deviceLockFileFor(const Transport& transport, const ChannelChoice& choice);

class DeviceSession {
public:
    DeviceSession(Transport& transport, Clock& clock, SessionOptions options = {});
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Finds the keyboard and opens whichever channel is closed, starting the
    // listener with the listen channel. A channel already open is left alone,
    // unless a transfer or the listener has seen the keyboard gone: then both
    // are closed first and opened afresh. The keyboard's lock is taken first
    // and held while a channel is open; when another process holds it,
    // nothing is opened (deviceBusy).
    OpenResult openChannels();
    // Sets stopListening, joins the listener, closes both channels, and gives
    // the keyboard's lock back.
    void closeChannels();
    bool commandOpen();  // never waits for a transfer on another thread
    bool listenOpen();
    bool listenerRunning() const { return m_listener.running(); }

    // The start-up read: SetGameMode(1), firmware version, lighting, palette,
    // game mode, report rate, response time, key map, key mask (and winLock),
    // the 32 macro slots, the 5 custom maps. The caller copies the image into
    // its ShadowImage afterwards.
    TransferOutcome initialRead(DeviceImage& image, FirmwareVersion& firmware);
    // The same without the firmware version (after a factory reset).
    TransferOutcome readAll(DeviceImage& image);
    // After the keyboard came back: readAll, the custom maps once more, and the
    // firmware version.
    TransferOutcome reconnectRead(DeviceImage& image, FirmwareVersion& firmware);
    // Sends what differs from `shadow` and waits for the keyboard to acknowledge
    // each step. `shadow` becomes a copy of `image` only when every step
    // completed. `image` gets the Windows-key lock applied to its key mask.
    // When a step fails the write stops there; unless the keyboard is gone it
    // still gets the closing lighting frame, which ends the dark phase.
    // Without a running listener nothing is sent (NotConnected).
    WriteResult writeAll(DeviceImage& image, ShadowImage& shadow, const WriteProgress& progress = {});
    // writeAll, then the sections it sent are read back and compared. When
    // they differ (Mismatch) or the check cannot finish (the keyboard gone,
    // step ReadBack), `shadow` keeps what it held before: the change stays
    // unsaved. `check` receives the read-back's findings. Progress counts the
    // write's steps and the read-back's requests together.
    WriteResult writeAllVerified(DeviceImage& image, ShadowImage& shadow, ReadBackResult& check,
                                 const WriteProgress& progress = {});
    // Reads back `sections` of `sent` and compares (the check alone).
    ReadBackResult readBack(const DeviceImage& sent, const ChangeFlags& sections, const WriteProgress& progress = {});
    // After a full read, which switches game mode on: SetGameMode(0), for a
    // user whose last saved choice was off. `image` then holds game mode off;
    // when the frame fails it keeps what the read found.
    TransferOutcome restoreGameModeOff(DeviceImage& image);
    // The factory-reset sequence; the caller then runs readAll.
    TransferOutcome factoryReset();
    TransferOutcome getLighting(DeviceImage& image);
    // Reads only the single-frame settings marked in `which` (lighting,
    // palette, game mode, report rate, response time, key mask with winLock),
    // for a change of a few settings that must not wait for the whole read.
    TransferOutcome readSettings(DeviceImage& image, const ChangeFlags& which);
    TransferOutcome getFirmwareVersion(FirmwareVersion& firmware);

    // Receives the input codes of launch keys, on a thread of the session's own,
    // in arrival order. It may block without holding up acknowledgements.
    void setInputCallback(std::function<void(uint8_t code)> fn);

    // For tests and diagnostics.
    int listenerThreadsStarted() const { return m_listener.threadsStarted(); }
    const SessionOptions& options() const { return m_options; }

private:
    // Notes a gone keyboard so that the next openChannels reopens the channel.
    TransferOutcome finish(TransferOutcome outcome);

    Transport& m_transport;
    Clock& m_clock;
    SessionOptions m_options;
    CommandPort m_port;
    std::mutex m_listenMutex;  // guards m_listenChannel
    ChannelId m_listenChannel = kNoChannel;
    bool m_commandGone = false;  // guarded by the command lock
    std::atomic<bool> m_commandOpen{false};
    InputDispatcher m_dispatcher;
    Listener m_listener;
    DeviceLock m_deviceLock;  // guarded by m_listenMutex
};

}  // namespace vandrel
