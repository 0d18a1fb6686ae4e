#pragma once
// The game-mode choice the user last saved, remembered on the host. Every full
// read of the keyboard starts by switching game mode on, so without this a
// keyboard saved with game mode off would come back on at the next start.
//
// The keyboard reports no serial number, and the path of its USB port changes
// with the socket it is plugged into, so one keyboard cannot be told from
// another: the choice is remembered once per data folder, in the small text
// file "GameMode.txt" ("off" or "on").

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace vandrel {

class GameModeMemory {
public:
    static constexpr const char* kFileName = "GameMode.txt";

    explicit GameModeMemory(std::filesystem::path dataFolder) : m_file(std::move(dataFolder) / kFileName) {}

    // Whether the last save left game mode off. No file, or one that says
    // anything else, means on: what a full read leaves.
    bool savedOff() const;
    // Remembers the game mode a completed save or factory reset left on the
    // keyboard (`gameMode` as in the configuration: 0 off). The file is written
    // only when the choice changes. False, with the reason in `why`, when it
    // could not be written.
    bool remember(uint8_t gameMode, std::error_code* why = nullptr) const;

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
};

}  // namespace vandrel
