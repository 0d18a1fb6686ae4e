#include "app/ui/CtlCommandHandler.h"

#include <QApplication>
#include <QTimer>

#include "app/ui/CTarvinDlg.h"
#include "config/ConfigJson.h"
#include "config/Settings.h"
#include "platform/Handoff.h"
#include "profile/ProfileFile.h"

namespace vandrel {

namespace {
// While a save or a read of the window's own runs, a command waits for it.
constexpr int kIdlePollMs = 100;
constexpr int kIdleAttempts = 300;
}  // namespace

CtlCommandHandler::CtlCommandHandler(CTarvinDlg& window, QString profileFolder, bool simulated, QObject* parent)
    : QObject(parent), m_window(window), m_profileFolder(std::move(profileFolder)), m_simulated(simulated) {}

void CtlCommandHandler::handle(const QByteArray& request, const SingleInstance::CommandReply& reply) {
    runWhenIdle(request, reply, kIdleAttempts);
}

void CtlCommandHandler::runWhenIdle(const QByteArray& request, const SingleInstance::CommandReply& reply,
                                    int attemptsLeft) {
    if (!m_window.busy()) {
        run(request, reply);
        return;
    }
    if (attemptsLeft <= 0) {
        reply(handoff::encodeAnswer(handoff::kExitFailed, "the program is still busy with the keyboard; try again"));
        return;
    }
    QTimer::singleShot(kIdlePollMs, this,
                       [this, request, reply, attemptsLeft] { runWhenIdle(request, reply, attemptsLeft - 1); });
}

void CtlCommandHandler::run(const QByteArray& request, const SingleInstance::CommandReply& reply) {
    std::vector<std::string> words = handoff::decodeRequest(request);
    auto answer = [&reply](int code, const std::string& message) { reply(handoff::encodeAnswer(code, message)); };
    // A command for the demo keyboard never reaches a real one, nor the other way round.
    const bool forDemo = !words.empty() && words[0] == handoff::kDemoWord;
    if (forDemo) words.erase(words.begin());
    if (forDemo != m_simulated) {
        answer(handoff::kExitFailed, m_simulated ? "the running program is the demo; close it to use the keyboard"
                                             : "the running program uses the keyboard; close it to use --demo");
        return;
    }
    const std::string command = words.empty() ? std::string() : words[0];
    const std::vector<std::string> args(words.empty() ? words.end() : words.begin() + 1, words.end());

    if (command == handoff::kConfigurationWord) {
        answerConfiguration(reply);
        return;
    }
    if (command != "set" && command != "apply") {
        answer(handoff::kExitUsage, "the program carries out only set and apply, and tells its configuration");
        return;
    }
    if (!m_window.bothChannelsOpen()) {
        answer(handoff::kExitNoKeyboard, "the program has no keyboard connected");
        return;
    }
    // A dialog of the window's works on the configuration until it closes.
    if (QApplication::activeModalWidget()) {
        answer(handoff::kExitFailed, "the program has a dialog open; close it first");
        return;
    }
    if (m_window.hasUnsavedChanges()) {
        answer(handoff::kExitFailed, "the program's window has unsaved changes; save or cancel them there first");
        return;
    }

    std::function<void(AppState&)> change;
    if (command == "set") {
        const config::SettingsParse parsed = config::parseSettings(args);
        if (!parsed.ok) {
            answer(handoff::kExitUsage, parsed.error);
            return;
        }
        // Checked on a copy first: the window's configuration changes only
        // when every value fits.
        DeviceImage trial = m_window.state().image;
        std::string error;
        if (!config::applySettings(parsed.changes, trial, error)) {
            answer(handoff::kExitFailed, error);
            return;
        }
        change = [trial](AppState& state) { state.image = trial; };
    } else {
        const bool yes = args.size() == 2 && args[1] == handoff::kYesWord;
        if (args.size() != 1 && !yes) {
            answer(handoff::kExitUsage, "usage: vandrelctl apply PROFILE [--yes]");
            return;
        }
        const ProfileTarget target =
            profileTarget(args[0], std::filesystem::path(m_profileFolder.toStdU16String()));
        if (!target.ok()) {
            answer(handoff::exitCodeOf(target.problem), target.error);
            return;
        }
        const std::filesystem::path& file = target.file;
        auto image = std::make_shared<DeviceImage>(m_window.state().image);
        auto records = std::make_shared<KeyRecordTable>(m_window.state().keys);
        std::string error;
        if (!loadProfileFile(file, *image, *records, error)) {
            answer(handoff::kExitBadFile, error);
            return;
        }
        // The same checks as without the program: nothing the keyboard
        // cannot take, and every key disabled only when confirmed.
        if (const int rc = handoff::exitCodeOf(checkConfiguration(*image, yes, SettingName, error))) {
            answer(rc, file.string() + ": " + error);
            return;
        }
        change = [image, records](AppState& state) {
            state.image = *image;
            state.keys = *records;
        };
    }
    m_window.saveExternalChange(change, [reply](const WriteResult& result) {
        if (result.ok()) {
            reply(handoff::encodeAnswer(handoff::kExitDone, ""));
            return;
        }
        reply(handoff::encodeAnswer(handoff::exitCodeOf(result.outcome),
                                std::string("the keyboard did not take the change (") +
                                    transferOutcomeName(result.outcome) + ")"));
    });
}

void CtlCommandHandler::answerConfiguration(const SingleInstance::CommandReply& reply) {
    if (!m_window.configurationKnown()) {
        reply(handoff::encodeAnswer(handoff::kExitNoKeyboard, "the program has no keyboard connected, or has not read it"));
        return;
    }
    // What the keyboard holds: the shadow copy and its key records, not the
    // window's unsaved edits.
    const AppState& state = m_window.state();
    auto config = std::make_unique<config::Configuration>();
    config->image = state.shadow;
    config->records = state.shadowKeys;
    config->macros = state.macros;
    config->firmware = state.firmware;
    reply(handoff::encodeAnswer(handoff::kExitDone, "", config::configurationToJson(*config)));
}

}  // namespace vandrel
