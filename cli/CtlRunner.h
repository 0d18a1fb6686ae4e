#pragma once
// Runs one vandrelctl command against a transport (the keyboard through
// hidapi, or the simulated keyboard) and the data folder, printing to the
// given streams. Returns the exit code.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>

#include "cli/CtlOptions.h"
#include "platform/UiLanguage.h"
#include "util/TextLookup.h"
#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "device/Transport.h"
#include "keymap/KeyRecord.h"
#include "profile/ConfigurationCheck.h"
#include "profile/OwnDataFiles.h"
#include "profile/ProfileFile.h"

namespace vandrel::config {
struct Configuration;
}

namespace vandrel::ctl {


struct Environment {
    Environment(Transport& t, Clock& c, std::filesystem::path data, std::filesystem::path profiles, std::ostream& o,
                std::ostream& e)
        : transport(t),
          clock(c),
          dataFolder(std::move(data)),
          profileFolder(std::move(profiles)),
          out(o),
          err(e),
          ownFiles({dataFolder}, {}) {}
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    Transport& transport;
    Clock& clock;
    std::filesystem::path dataFolder;     // keymap.bin, MacroDefine.bin
    std::filesystem::path profileFolder;  // the profiles
    std::ostream& out;
    std::ostream& err;
    // Progress of a write on `err` (a terminal).
    bool progress = false;
    // Asks before a factory reset; empty when there is nobody to ask.
    std::function<bool()> confirmReset;
    SessionOptions session;
    // Where show, save and export take the configuration from instead of the
    // keyboard (the running program); returns an exit code.
    std::function<int(config::Configuration&)> configurationSource;
    // The files no command writes over (keymap.bin and the like); the data
    // folder's by default.
    OwnDataFiles ownFiles;
    // The texts of the output that have a translation (the function names),
    // in the program's language; empty for the Chinese source texts.
    TextLookup texts;
    // This process alone writes the data files (it holds the instance lock),
    // so the temporary files of a killed earlier run may go, once it holds
    // the keyboard's lock too.
    bool exclusive = true;
    // When the command started, and whether those files went already.
    std::filesystem::file_time_type startedAt = std::filesystem::file_time_type::clock::now();
    bool staleRemoved = false;

    ~Environment();
    // The keyboard session, opened on first use and closed with the
    // environment. Closing waits for the listener's read to time out, which
    // a process that ends anyway may skip by ending without destroying it.
    DeviceSession& deviceSession();

private:
    std::unique_ptr<DeviceSession> m_session;
};

int runCommand(const Options& options, Environment& env);

// The output's translated texts for `language`, as the program shows them:
// for English, the program's English texts (installed into the application);
// for Chinese, none.
TextLookup installOutputTranslations(UiLanguage language);

using handoff::exitCodeOf;

}  // namespace vandrel::ctl
