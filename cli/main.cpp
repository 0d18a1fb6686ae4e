// vandrelctl: the keyboard's configuration from a terminal or a script.
//
// While the Vandrel program runs it alone talks to the keyboard: a command
// that changes the keyboard is handed to it over its single-instance socket
// (it applies, shows and saves the change and answers), show, save and
// export take the configuration it holds, and the others are refused.
// Otherwise this process takes the program's instance lock for as
// long as it talks to the keyboard, so that a program started meanwhile
// waits, and two writers never interleave. Whatever the environment, the
// keyboard's own lock (DeviceLock) is held while talking to it: a program
// this process cannot reach (another runtime folder) keeps it from writing.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <iostream>
#include <memory>

#include "cli/CtlDoctor.h"
#include "cli/CtlHandoff.h"
#include "cli/CtlOptions.h"
#include "cli/CtlRules.h"
#include "cli/CtlSession.h"
#include "cli/CtlRunner.h"
#include "platform/RuleSettings.h"
#include "cli/CtlWatch.h"
#include "cli/Terminal.h"
#include "device/Clock.h"
#include "platform/AppPaths.h"
#include "platform/SingleInstance.h"
#include "profile/OwnDataFiles.h"
#include "sim/SimKeyboard.h"
#include "sim/SimStateFile.h"
#include "update/AppVersion.h"

#ifdef VANDREL_HAVE_HIDAPI
#include "device/HidapiTransport.h"
#endif

using namespace vandrel;

namespace {

std::filesystem::path toPath(const QString& s) { return std::filesystem::path(s.toStdU16String()); }

bool askOnTerminal() {
    std::cerr << "Restore the keyboard's factory settings? Every key assignment, macro slot and lighting "
                 "setting on the keyboard is replaced. [y/N] "
              << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const ctl::ParseResult parsed = ctl::parseCommandLine(args);
    if (!parsed.ok()) {
        std::cerr << "vandrelctl: " << parsed.error << "\nTry 'vandrelctl --help'.\n";
        return ctl::kExitUsage;
    }
    const ctl::Options& options = parsed.options;
    if (options.command == ctl::Command::Help || options.command == ctl::Command::Version) {
        std::cout << (options.command == ctl::Command::Help ? ctl::helpText() : ctl::versionText());
        return ctl::kExitDone;
    }

    // The application object gives the folders the program itself uses.
    // Pictures of the custom maps are read and drawn with QtGui, off screen:
    // the tool needs no display for them.
    const bool pictures = options.command == ctl::Command::Diy && !options.args.empty() &&
                          (options.args[0] == "import" || options.args[0] == "export");
    if (pictures) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (pictures)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vandrel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vandrel"));

    const AppPaths paths = currentAppPaths();
    std::filesystem::path dataFolder = toPath(paths.dataFolder);
    std::filesystem::path profileFolder = toPath(paths.profileFolder);
    if (options.demo) {
        // The demo keyboard and its files are kept apart from the real ones.
        // In a build tree the demo window sits in ../demo and keeps its
        // simulated keyboard in its own folder: share that one, so that the
        // window and the tool show the same keyboard.
        const QString demoWindowFolder = QDir(paths.programFolder).filePath(QStringLiteral("../demo"));
        if (QFileInfo(QDir(demoWindowFolder).filePath(QStringLiteral("Vandrel"))).isExecutable() &&
            folderWritable(demoWindowFolder)) {
            dataFolder = toPath(QDir::cleanPath(demoWindowFolder));
        } else {
            dataFolder /= "demo";
        }
        profileFolder = dataFolder / kProfileFolderName;
        std::error_code ec;
        std::filesystem::create_directories(profileFolder, ec);
    }

    // Watching the program's events and editing the switching rules or the
    // session's lights touch no keyboard: they work beside a running program.
    if (options.command == ctl::Command::Watch)
        return ctl::runWatch(QDBusConnection::sessionBus(), std::cout, std::cerr);
    // The check of this machine reads and tries locks; it writes nothing.
    if (options.command == ctl::Command::Doctor)
        return ctl::printDoctorReport(
            ctl::runDoctorChecks(ctl::DoctorSetup::forCurrentUser(toPath(paths.programFolder), dataFolder, options.demo)),
            std::cout);
    if (options.command == ctl::Command::Rule) {
        RuleSettings settings;
        return ctl::runRuleCommand(options, settings, profileFolder, std::cout, std::cerr);
    }
    if (options.command == ctl::Command::Session) {
        RuleSettings settings;
        // What this desktop reports, asked as the running program and doctor ask it.
        const SessionEventSource::Offers offers = SessionEventSource::probe(
            QDBusConnection::systemBus(), QDBusConnection::sessionBus(), qEnvironmentVariable("XDG_SESSION_ID"));
        return ctl::runSessionCommand(options, settings, std::cout, std::cerr, &offers);
    }

    auto instance = std::make_unique<SingleInstance>();
    ctl::Access access;
    const int arranged = ctl::arrangeAccess(*instance, options, access, std::cout, std::cerr);
    if (arranged != ctl::kHandoffNobody) return arranged;
    const bool fromProgram = access.fromProgram;

    RealClock clock;
    std::unique_ptr<Transport> transport;
    std::unique_ptr<SimStateFile> demoState;
    if (options.demo) {
        auto keyboard = std::make_unique<SimKeyboard>(clock);
        const AppVersion version = loadAppVersion(toPath(paths.programFolder) / kVersionFileName);
        keyboard->setFirmwareVersion(version.major, version.minor);
        // The demo keyboard remembers what was written to it, as a real one.
        // Its memory is read once this process holds its lock, so that what
        // a program wrote just before is not lost.
        demoState = std::make_unique<SimStateFile>(dataFolder / kDemoStateFileName);
        keyboard->setLockFile(demoState->lockPath().string(), [state = demoState.get(), sim = keyboard.get()] {
            state->restore(*sim, std::cerr);
        });
        demoState->attach(*keyboard);
        transport = std::move(keyboard);
    } else {
#ifdef VANDREL_HAVE_HIDAPI
        transport = std::make_unique<HidapiTransport>();
#else
        std::cerr << "vandrelctl: built without hidapi; only --demo works.\n";
        return ctl::kExitNoKeyboard;
#endif
    }

    ctl::Environment env(*transport, clock, dataFolder, profileFolder, std::cout, std::cerr);
    env.progress = ctl::stderrIsTerminal();
    // Names the program shows translated (the function names) read as the program shows them.
    env.texts = ctl::installOutputTranslations(currentUiLanguage());
    env.ownFiles = OwnDataFiles({toPath(paths.dataFolder), dataFolder}, toPath(paths.programFolder));
    env.exclusive = access.exclusive;
    if (ctl::stdinIsTerminal()) env.confirmReset = askOnTerminal;
    if (fromProgram)
        env.configurationSource = [&instance, &options](config::Configuration& c) {
            return ctl::configurationFromProgram(*instance, options.demo, c, std::cerr);
        };
    const int code = ctl::runCommand(options, env);
    // Every file is written and the keyboard has answered: end at once rather
    // than wait for the listener's read to time out. The system closes the
    // keyboard's handles; the lock is given back first.
    instance.reset();
    ctl::exitNow(code);
}
