#pragma once
// The protocol between vandrelctl and the running program over the
// program's single-instance socket: one request line after connecting, one
// answer line back. The request is the command's words (UTF-8, separated by
// tabs); the answer is the exit code, a tab, the message for the user and,
// when the command prints something, a tab and that output in base64.
// The exit codes are vandrelctl's documented exit statuses, which the
// program's answers and its D-Bus errors follow too.

#include <QByteArray>
#include <string>
#include <vector>

#include "device/TransferResult.h"
#include "profile/ConfigurationCheck.h"
#include "profile/ProfileFile.h"

namespace vandrel::handoff {

// The documented exit codes.
enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,      // refused or failed otherwise (a file could not be written, ...)
    kExitUsage = 2,       // the command line is wrong
    kExitNoKeyboard = 3,  // no keyboard found, or it went away
    kExitNoAccess = 4,    // the keyboard is there but its hidraw nodes cannot be opened
    kExitNoAck = 5,       // the keyboard did not acknowledge a write
    kExitBadFile = 6,     // a profile or JSON file is missing, unreadable or malformed
    kExitNoAnswer = 7,    // the running program did not answer in time, or takes no connection
};

// The first word of a request for the demo keyboard.
constexpr const char* kDemoWord = "--demo";
// The request for the configuration the program holds; it answers with the
// configuration's JSON.
constexpr const char* kConfigurationWord = "configuration";
// The last word of an apply that was given --yes.
constexpr const char* kYesWord = "--yes";

// The request for a command: its name and arguments. False when an argument
// cannot travel (it holds a tab or a line break).
bool encodeRequest(const std::vector<std::string>& words, QByteArray& line);
std::vector<std::string> decodeRequest(const QByteArray& line);
QByteArray encodeAnswer(int code, const std::string& message, const std::string& output = {});
// False when the line is not an answer.
bool decodeAnswer(const QByteArray& line, int& code, std::string& message, std::string& output);

// The exit code of a transfer that did not complete.
int exitCodeOf(TransferOutcome outcome);
// The exit code of a PROFILE argument that names nothing: kExitUsage for a
// text that cannot be a profile name, kExitFailed for one too long for a file.
int exitCodeOf(ProfileTargetProblem problem);
// The exit code of a configuration from a file: kExitBadFile for one the
// keyboard cannot take, kExitFailed for one that disables every key.
int exitCodeOf(ConfigurationVerdict verdict);

}  // namespace vandrel::handoff
