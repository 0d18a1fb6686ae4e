#include "platform/Handoff.h"

#include <QByteArrayList>

namespace vandrel::handoff {

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

QByteArray encodeAnswer(int code, const std::string& message, const std::string& output) {
    QByteArray text = QByteArray::fromStdString(message);
    text.replace('\n', ' ').replace('\t', ' ');
    QByteArray line = QByteArray::number(code) + '\t' + text;
    if (!output.empty()) line += '\t' + QByteArray::fromStdString(output).toBase64();
    return line;
}

bool decodeAnswer(const QByteArray& line, int& code, std::string& message, std::string& output) {
    const int tab = line.indexOf('\t');
    if (tab <= 0) return false;
    bool ok = false;
    code = line.left(tab).toInt(&ok);
    const int outputTab = line.indexOf('\t', tab + 1);
    message = line.mid(tab + 1, outputTab < 0 ? -1 : outputTab - tab - 1).trimmed().toStdString();
    output.clear();
    if (outputTab >= 0) {
        const auto decoded =
            QByteArray::fromBase64Encoding(line.mid(outputTab + 1), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return false;
        output = decoded.decoded.toStdString();
    }
    return ok && code >= 0 && code <= 255;
}

int exitCodeOf(TransferOutcome outcome) {
    switch (outcome) {
    case TransferOutcome::Completed: return kExitDone;
    case TransferOutcome::NoAcknowledgement: return kExitNoAck;
    case TransferOutcome::DeviceGone:
    case TransferOutcome::NotConnected: return kExitNoKeyboard;
    default: return kExitFailed;
    }
}

int exitCodeOf(ProfileTargetProblem problem) {
    switch (problem) {
    case ProfileTargetProblem::None: return kExitDone;
    case ProfileTargetProblem::NotAName: return kExitUsage;
    case ProfileTargetProblem::TooLong: return kExitFailed;
    }
    return kExitFailed;
}

int exitCodeOf(ConfigurationVerdict verdict) {
    switch (verdict) {
    case ConfigurationVerdict::Writable: return kExitDone;
    case ConfigurationVerdict::Unwritable: return kExitBadFile;
    case ConfigurationVerdict::EveryKeyDisabled: return kExitFailed;
    }
    return kExitFailed;
}

}  // namespace vandrel::handoff
