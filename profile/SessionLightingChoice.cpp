#include "profile/SessionLightingChoice.h"

#include <algorithm>
#include <cstring>

#include "util/AtomicFile.h"

namespace vandrel {

namespace {

constexpr int kMaxIdleMinutes = 24 * 60;
// The file begins with this tag, so that another file under the name is not
// taken for lighting.
constexpr char kReturnTag[4] = {'V', 'L', 'R', '1'};

// A whole number in [low, high], digits only.
std::optional<int> wholeNumber(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int n = std::stoi(text);
    if (n < low || n > high) return std::nullopt;
    return n;
}

std::optional<uint8_t> lower(std::optional<uint8_t> a, uint8_t b) { return a ? std::min(*a, b) : b; }

}  // namespace

const char* lockLightingName(LockLighting l) {
    switch (l) {
    case LockLighting::Off: return "off";
    case LockLighting::Dim: return "dim";
    case LockLighting::Keep: break;
    }
    return "keep";
}

const char* sleepLightingName(SleepLighting s) { return s == SleepLighting::Off ? "off" : "keep"; }

std::optional<LockLighting> lockLightingNamed(const std::string& word) {
    if (word == "off") return LockLighting::Off;
    if (word == "dim") return LockLighting::Dim;
    if (word == "keep") return LockLighting::Keep;
    return std::nullopt;
}

std::optional<SleepLighting> sleepLightingNamed(const std::string& word) {
    if (word == "off") return SleepLighting::Off;
    if (word == "keep") return SleepLighting::Keep;
    return std::nullopt;
}

std::string idleText(int minutes) { return minutes > 0 ? std::to_string(minutes) : "never"; }

std::optional<int> idleNamed(const std::string& word) {
    if (word == "never") return 0;
    return wholeNumber(word, 1, kMaxIdleMinutes);
}

bool applySessionAssignments(const std::vector<std::string>& assignments, SessionLightingChoice& choice,
                             std::string& error) {
    SessionLightingChoice next = choice;
    for (const std::string& a : assignments) {
        const size_t eq = a.find('=');
        const std::string key = a.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : a.substr(eq + 1);
        bool good = eq != std::string::npos;
        std::string expected;
        if (key == "lock") {
            const auto l = lockLightingNamed(value);
            if (l) next.lock = *l;
            good = good && l;
            expected = "off, dim or keep";
        } else if (key == "sleep") {
            const auto s = sleepLightingNamed(value);
            if (s) next.sleep = *s;
            good = good && s;
            expected = "off or keep";
        } else if (key == "idle") {
            const auto m = idleNamed(value);
            if (m) next.idleMinutes = *m;
            good = good && m;
            expected = "minutes (1.." + std::to_string(kMaxIdleMinutes) + ") or never";
        } else if (key == "dim") {
            const auto d = wholeNumber(value, 0, SessionLightingChoice::kMaxDim);
            if (d) next.dim = *d;
            good = good && d;
            expected = "a brightness 0.." + std::to_string(SessionLightingChoice::kMaxDim);
        } else {
            error = "unknown session setting '" + key + "' (lock, idle, sleep, dim)";
            return false;
        }
        if (!good) {
            error = "'" + a + "': " + key + " takes " + expected;
            return false;
        }
    }
    choice = next;
    return true;
}

std::optional<uint8_t> awayBrightness(const SessionLightingChoice& c, const SessionState& state) {
    const auto dim = static_cast<uint8_t>(std::clamp(c.dim, 0, SessionLightingChoice::kMaxDim));
    std::optional<uint8_t> cap;
    if (state.asleep && c.sleep == SleepLighting::Off) cap = lower(cap, 0);
    if (state.locked && c.lock == LockLighting::Off) cap = lower(cap, 0);
    if (state.locked && c.lock == LockLighting::Dim) cap = lower(cap, dim);
    if (state.idle && c.idleMinutes > 0) cap = lower(cap, c.lock == LockLighting::Off ? 0 : dim);
    return cap;
}

LightingBytes lightingOf(const DeviceImage& image) {
    LightingBytes l;
    l.effect = image.ledEffect;
    l.speed = image.ledSpeed;
    l.brightness = image.ledBrightness;
    l.colour = image.ledColor;
    l.direction = image.ledDirection;
    return l;
}

void putLighting(DeviceImage& image, const LightingBytes& l) {
    image.ledEffect = l.effect;
    image.ledSpeed = l.speed;
    image.ledBrightness = l.brightness;
    image.ledColor = l.colour;
    image.ledDirection = l.direction;
}

LightingBytes cappedLighting(LightingBytes lighting, std::optional<uint8_t> cap) {
    if (cap) lighting.brightness = std::min(lighting.brightness, *cap);
    return lighting;
}

bool saveLightingReturn(const std::filesystem::path& file, const LightingBytes& l, std::error_code* why) {
    const uint8_t bytes[5] = {l.effect, l.speed, l.brightness, l.colour, l.direction};
    return writeFileAtomic(file, {{kReturnTag, sizeof kReturnTag}, {bytes, sizeof bytes}}, why) == FileResult::Ok;
}

std::optional<LightingBytes> loadLightingReturn(const std::filesystem::path& file) {
    std::vector<uint8_t> bytes;
    // One byte more than the file holds tells a long file from a good one.
    if (readFilePrefix(file, sizeof kReturnTag + 6, bytes) != FileResult::Ok) return std::nullopt;
    if (bytes.size() != sizeof kReturnTag + 5 || std::memcmp(bytes.data(), kReturnTag, sizeof kReturnTag) != 0)
        return std::nullopt;
    const uint8_t* b = bytes.data() + sizeof kReturnTag;
    LightingBytes l;
    l.effect = b[0];
    l.speed = b[1];
    // A brightness the keyboard cannot take is no lighting of ours.
    if (b[2] > 50) return std::nullopt;
    l.brightness = b[2];
    l.colour = b[3];
    l.direction = b[4];
    return l;
}

}  // namespace vandrel
