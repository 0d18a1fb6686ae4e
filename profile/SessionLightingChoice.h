#pragma once
// What the keyboard's lights do while the desktop session is away: locked,
// asleep or idle. The choice is kept with the program's settings and edited
// by `vandrelctl session`; the running program applies it. Nothing is
// written to the keyboard unless the user asked for it: every default keeps
// the lights as they are.
//
// While the session is away the keyboard shows its saved lighting with the
// brightness capped (0: dark). The lighting to return to is kept in a small
// file of the data folder until it is back on the keyboard, so that a
// program killed while the lights are down puts them back at its next start.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "device/DeviceImage.h"

namespace vandrel {

enum class LockLighting { Keep, Dim, Off };
enum class SleepLighting { Keep, Off };

struct SessionLightingChoice {
    static constexpr int kMaxDim = 50;
    LockLighting lock = LockLighting::Keep;
    int dim = 10;          // the brightness while dimmed, 0..kMaxDim
    int idleMinutes = 0;   // 0: never
    SleepLighting sleep = SleepLighting::Keep;
    bool operator==(const SessionLightingChoice& o) const {
        return lock == o.lock && dim == o.dim && idleMinutes == o.idleMinutes && sleep == o.sleep;
    }
};

// The words the choice is written and shown with ("off", "dim", "keep").
const char* lockLightingName(LockLighting l);
const char* sleepLightingName(SleepLighting s);
std::optional<LockLighting> lockLightingNamed(const std::string& word);
std::optional<SleepLighting> sleepLightingNamed(const std::string& word);
// "never" or the minutes.
std::string idleText(int minutes);
std::optional<int> idleNamed(const std::string& word);

// Applies "lock=dim", "idle=10", "sleep=off", "dim=5" to `choice`. Every
// assignment is checked before any is applied; false with `error` set when
// one is wrong (then `choice` is unchanged).
bool applySessionAssignments(const std::vector<std::string>& assignments, SessionLightingChoice& choice,
                             std::string& error);

// What the session is doing now.
struct SessionState {
    bool locked = false;
    bool asleep = false;
    bool idle = false;
};

// The brightness the keyboard may show in `state` (nullopt: the lights are
// left as saved). Asleep with sleep=off and locked with lock=off are dark;
// locked with lock=dim is capped at the dim level. Idle goes as locked does,
// and is dimmed when the lock keeps the lights. The lowest cap wins.
std::optional<uint8_t> awayBrightness(const SessionLightingChoice& choice, const SessionState& state);

// The bytes that make the keyboard's lighting (one write section).
struct LightingBytes {
    uint8_t effect = 0;
    uint8_t speed = 0;
    uint8_t brightness = 0;
    uint8_t colour = 0;
    uint8_t direction = 0;
    bool operator==(const LightingBytes& o) const {
        return effect == o.effect && speed == o.speed && brightness == o.brightness && colour == o.colour &&
               direction == o.direction;
    }
    bool operator!=(const LightingBytes& o) const { return !(*this == o); }
};
LightingBytes lightingOf(const DeviceImage& image);
void putLighting(DeviceImage& image, const LightingBytes& lighting);
// `lighting` with its brightness capped at `cap`.
LightingBytes cappedLighting(LightingBytes lighting, std::optional<uint8_t> cap);

// The file of the data folder that keeps the lighting to return to.
inline constexpr const char* kLightingReturnFileName = "LightingReturn.bin";

// Replaces the file atomically with `lighting` (a tag and the five bytes).
bool saveLightingReturn(const std::filesystem::path& file, const LightingBytes& lighting,
                        std::error_code* why = nullptr);
// The lighting the file keeps; nothing for a missing, short, long or foreign
// file.
std::optional<LightingBytes> loadLightingReturn(const std::filesystem::path& file);

}  // namespace vandrel
