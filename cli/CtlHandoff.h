#pragma once
// Handing a command to the running program over its single-instance socket:
// one request line after connecting, one answer line back. The request is
// the command's words (UTF-8, separated by tabs); the answer is the exit
// code, a tab and the message for the user.

#include <QByteArray>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CtlOptions.h"

namespace vandrel {
class SingleInstance;
}

namespace vandrel::ctl {

// handToRunningProgram's result when no program answered.
constexpr int kHandoffNobody = -1;
// The first word of a request for the demo keyboard.
constexpr const char* kDemoWord = "--demo";
// How long a second vandrelctl waits for the first one to finish.
constexpr int kLockWaitMs = 30000;
// How long the program may take to carry a command out (a read and a write).
constexpr int kAnswerWaitMs = 60000;

// Asks the running program to carry out a command that changes the keyboard;
// refuses the others with a message. Returns the exit code, or kHandoffNobody
// when no program listens (another vandrelctl holds the lock).
int handToRunningProgram(SingleInstance& instance, const Options& options, std::ostream& out, std::ostream& err);

// The request for a command: its name and arguments. False when an argument
// cannot travel (it holds a tab or a line break).
bool encodeRequest(const std::vector<std::string>& words, QByteArray& line);
std::vector<std::string> decodeRequest(const QByteArray& line);
QByteArray encodeAnswer(int code, const std::string& message);
// False when the line is not an answer.
bool decodeAnswer(const QByteArray& line, int& code, std::string& message);

}  // namespace vandrel::ctl
