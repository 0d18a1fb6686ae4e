#include "cli/CtlHandoff.h"

#include <QDir>
#include <QFileInfo>
#include <ostream>

#include "cli/CtlRunner.h"
#include "platform/Handoff.h"
#include "platform/SingleInstance.h"

namespace vandrel::ctl {

namespace {

constexpr const char* kNotAcceptingText =
    "vandrelctl: the running Vandrel program takes no connection (it may be hung, or out of file descriptors); "
    "try again later.\n";

// One request to the running program and its answer. Returns the exit code
// the answer carries, kHandoffNobody when nobody listens, or the code of a
// failed exchange after saying why on `err`.
int exchange(const SingleInstance& instance, std::vector<std::string> words, bool demo, int waitMs,
             std::string& message, std::string& output, std::ostream& err) {
    if (demo) words.insert(words.begin(), kDemoWord);
    QByteArray request;
    if (!encodeRequest(words, request)) {
        err << "vandrelctl: an argument holds a tab or a line break.\n";
        return kExitUsage;
    }
    SingleInstance::NoAnswer why = SingleInstance::NoAnswer::NotListening;
    const std::optional<QByteArray> answer = instance.sendCommand(request, waitMs, &why);
    if (!answer) {
        switch (why) {
        case SingleInstance::NoAnswer::NotListening: return kHandoffNobody;
        case SingleInstance::NoAnswer::NotAccepting: err << kNotAcceptingText; return kExitNoAnswer;
        case SingleInstance::NoAnswer::TimedOut:
            err << "vandrelctl: the running Vandrel program did not answer within " << (waitMs + 999) / 1000
                << " s; it may be hung.\n";
            return kExitNoAnswer;
        case SingleInstance::NoAnswer::Dropped:
            err << "vandrelctl: the running Vandrel program closed the connection without answering "
                   "(it may have ended); try again.\n";
            return kExitFailed;
        }
    }
    int code = kExitFailed;
    if (!decodeAnswer(*answer, code, message, output)) {
        err << "vandrelctl: the running program gave no usable answer.\n";
        return kExitFailed;
    }
    // Only the documented exit statuses pass; anything else is a failure.
    return code >= kExitDone && code <= kExitNoAnswer ? code : kExitFailed;
}

}  // namespace

int configurationFromProgram(const SingleInstance& instance, bool demo, config::Configuration& config, std::ostream& err,
                             int waitMs) {
    std::string message, output;
    const int code = exchange(instance, {kConfigurationWord}, demo, waitMs, message, output, err);
    if (code == kHandoffNobody) {
        err << "vandrelctl: the Vandrel program ended before it answered; try again.\n";
        return kExitFailed;
    }
    if (code != kExitDone) {
        if (!message.empty()) err << "vandrelctl: " << message << "\n";
        return code;
    }
    std::string error;
    if (!config::configurationFromJson(output, config, error)) {
        err << "vandrelctl: the running program's configuration could not be read: " << error << "\n";
        return kExitFailed;
    }
    return kExitDone;
}

int handToRunningProgram(SingleInstance& instance, const Options& options, std::ostream& out, std::ostream& err) {
    const bool handed = options.command == Command::Set || options.command == Command::Apply ||
                        (options.command == Command::Diy && !readsFromRunningProgram(options));
    if (!handed) {
        if (!instance.serverListening()) return kHandoffNobody;
        err << "vandrelctl: the Vandrel program is running and talks to the keyboard; 'vandrelctl "
            << commandName(options.command)
            << "' does not work beside it. Close the program (its tray icon's exit), or use 'set', 'apply', "
               "'show', 'save', 'export' and 'diy', which the program answers.\n";
        return kExitFailed;
    }
    std::vector<std::string> words{commandName(options.command)};
    for (const std::string& a : options.args) words.push_back(a);
    // A profile given as a file path travels as an absolute path: the
    // program runs in another working folder. A bare name is looked up in
    // the program's own profile folder.
    if (options.command == Command::Apply) {
        if (namesAFile(words[1]))
            words[1] = QFileInfo(QString::fromStdString(words[1])).absoluteFilePath().toStdString();
        // The confirmation that a profile may disable every key travels along.
        if (options.yes) words.push_back(kYesWord);
    }
    // A picture to import travels as an absolute path, for the same reason.
    if (options.command == Command::Diy && words.size() == 4 && words[1] == "import")
        words[3] = QFileInfo(QString::fromStdString(words[3])).absoluteFilePath().toStdString();
    std::string message, output;
    const int code = exchange(instance, words, options.demo, kAnswerWaitMs, message, output, err);
    if (code == kHandoffNobody) return code;
    if (!message.empty()) (code == kExitDone ? out : err) << (code == kExitDone ? "" : "vandrelctl: ") << message << "\n";
    return code;
}

namespace {

// diy's action word.
bool diyAction(const Options& o, const char* action) {
    return o.command == Command::Diy && !o.args.empty() && o.args[0] == action;
}

}  // namespace

bool readsFromRunningProgram(const Options& o) {
    const Command c = o.command;
    return c == Command::Show || c == Command::Export || c == Command::Save || diyAction(o, "show") ||
           diyAction(o, "export");
}

bool writesAnything(const Options& o) {
    const Command c = o.command;
    return c != Command::List && c != Command::Show && c != Command::Help && c != Command::Version &&
           c != Command::None && !diyAction(o, "show");
}

int arrangeAccess(SingleInstance& instance, const Options& options, Access& access, std::ostream& out,
                  std::ostream& err, int lockWaitMs) {
    access = Access{};
    if (!instance.hasPrivateFolder()) {
        // Nothing can tell whether the program runs: reading is harmless,
        // writing could interleave with it.
        if (!writesAnything(options)) return kHandoffNobody;
        err << "vandrelctl: " << instance.privateFolderProblem().toStdString()
            << ".\nWithout it nothing can tell whether the Vandrel program is running, so 'vandrelctl "
            << commandName(options.command)
            << "' was not run. Set XDG_RUNTIME_DIR to a folder of your own with mode 0700, or make the home "
               "folder writable.\n";
        return kExitFailed;
    }
    if (instance.tryLockOnly()) {
        access.exclusive = true;
        return kHandoffNobody;
    }
    const SingleInstance::Presence presence = instance.serverPresence();
    if (presence == SingleInstance::Presence::NotAccepting) {
        err << kNotAcceptingText;
        return kExitNoAnswer;
    }
    if (readsFromRunningProgram(options) && presence == SingleInstance::Presence::Listening) {
        access.fromProgram = true;
        return kHandoffNobody;
    }
    const int handed = handToRunningProgram(instance, options, out, err);
    if (handed != kHandoffNobody) return handed;
    // Another vandrelctl holds the lock: wait for it to finish.
    if (instance.tryLockOnly(lockWaitMs)) {
        access.exclusive = true;
        return kHandoffNobody;
    }
    if (instance.serverPresence() == SingleInstance::Presence::NotAccepting) {
        err << kNotAcceptingText;
        return kExitNoAnswer;
    }
    err << "vandrelctl: the keyboard is still busy (another vandrelctl, or the program starting).\n";
    return kExitFailed;
}

}  // namespace vandrel::ctl
