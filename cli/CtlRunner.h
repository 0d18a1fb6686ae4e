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

namespace vandrel::ctl {

struct Configuration;

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
    std::function<int(Configuration&)> configurationSource;
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

// What a PROFILE argument names. A bare name is the profile of that name:
// <profileFolder>/<name>.bin. A name with a folder in it, or ending in ".bin",
// is a file path as typed.
struct ProfileTarget {
    std::filesystem::path file;    // empty when the argument names nothing
    bool inProfileFolder = false;  // a bare name
    int exitCode = kExitDone;      // why it names nothing: 2 not a name, 1 too long for a file name
    std::string error;
    bool ok() const { return !file.empty(); }
};
ProfileTarget profileTarget(const std::string& argument, const std::filesystem::path& profileFolder);
// Whether a PROFILE argument is a file path rather than a profile name.
bool namesAFile(const std::string& argument);

// Loads a profile file: keymap.bin's size, or the image block alone (the
// key records then stay as they were). False with a message otherwise.
bool loadProfileFile(const std::filesystem::path& file, DeviceImage& image, KeyRecordTable& records,
                     std::string& error);

// Whether a configuration taken from a file may be written, as the exit
// code: kExitBadFile for a blank image or a setting the keyboard cannot take
// (`fieldName` names it as the file does), kExitFailed for one that disables
// every key unless `everyKeyConfirmed`. `error` says why, without the file.
int checkConfiguration(const DeviceImage& image, bool everyKeyConfirmed,
                       const std::function<std::string(Setting)>& fieldName, std::string& error);

// The exit code of a transfer that did not complete.
int exitCodeOf(TransferOutcome outcome);

}  // namespace vandrel::ctl
