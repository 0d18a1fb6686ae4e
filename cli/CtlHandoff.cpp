#include "cli/CtlHandoff.h"

#include <QDir>
#include <QFileInfo>
#include <ostream>

#include "platform/SingleInstance.h"

namespace vandrel::ctl {

bool encodeRequest(const std::vector<std::string>& words, QByteArray& line) {
    line.clear();
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i].find_first_of("\t\r\n") != std::string::npos) return false;
        if (i) line += '\t';
        line += QByteArray::fromStdString(words[i]);
    }
    return true;
}

std::vector<std::string> decodeRequest(const QByteArray& line) {
    std::vector<std::string> words;
    for (const QByteArray& w : line.split('\t')) words.push_back(w.toStdString());
    return words;
}

QByteArray encodeAnswer(int code, const std::string& message) {
    QByteArray text = QByteArray::fromStdString(message);
    text.replace('\n', ' ');
    return QByteArray::number(code) + '\t' + text;
}

bool decodeAnswer(const QByteArray& line, int& code, std::string& message) {
    const int tab = line.indexOf('\t');
    if (tab <= 0) return false;
    bool ok = false;
    code = line.left(tab).toInt(&ok);
    message = line.mid(tab + 1).trimmed().toStdString();
    return ok && code >= 0 && code <= 255;
}

int handToRunningProgram(SingleInstance& instance, const Options& options, std::ostream& out, std::ostream& err) {
    if (options.command != Command::Set && options.command != Command::Apply) {
        if (!instance.serverListening()) return kHandoffNobody;
        err << "vandrelctl: the Vandrel program is running and talks to the keyboard; 'vandrelctl "
            << commandName(options.command)
            << "' does not work beside it. Close the program (its tray icon's exit), or use 'set' and "
               "'apply', which the program carries out.\n";
        return kExitFailed;
    }
    std::vector<std::string> words{commandName(options.command)};
    for (const std::string& a : options.args) words.push_back(a);
    // A profile given as a path travels as an absolute one: the program runs
    // in another working folder. A bare name is looked up in the program's
    // own profile folder.
    if (options.command == Command::Apply && words[1].find('/') != std::string::npos)
        words[1] = QFileInfo(QString::fromStdString(words[1])).absoluteFilePath().toStdString();
    if (options.demo) words.insert(words.begin(), kDemoWord);
    QByteArray request;
    if (!encodeRequest(words, request)) {
        err << "vandrelctl: an argument holds a tab or a line break.\n";
        return kExitUsage;
    }
    const std::optional<QByteArray> answer = instance.sendCommand(request, kAnswerWaitMs);
    if (!answer) return kHandoffNobody;
    int code = kExitFailed;
    std::string message;
    if (!decodeAnswer(*answer, code, message)) {
        err << "vandrelctl: the running program gave no usable answer.\n";
        return kExitFailed;
    }
    if (!message.empty()) (code == kExitDone ? out : err) << (code == kExitDone ? "" : "vandrelctl: ") << message << "\n";
    return code;
}

}  // namespace vandrel::ctl
