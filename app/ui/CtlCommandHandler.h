#pragma once
// The running program's side of vandrelctl: a command that reaches it over
// the single-instance socket is checked, applied to the configuration through
// the window (which shows it), saved to the keyboard, and answered with the
// exit code and a message. The window's own transfers and these commands run
// one after the other, never interleaved.

#include <QObject>
#include <QString>

#include "platform/SingleInstance.h"

namespace vandrel {

class CTarvinDlg;

class CtlCommandHandler : public QObject {
    Q_OBJECT
public:
    // `simulated`: the program runs on the simulated keyboard (the demo).
    CtlCommandHandler(CTarvinDlg& window, QString profileFolder, bool simulated = false, QObject* parent = nullptr);

    // Carries out one request; `reply` gets the answer line.
    void handle(const QByteArray& request, const SingleInstance::CommandReply& reply);

private:
    void runWhenIdle(const QByteArray& request, const SingleInstance::CommandReply& reply, int attemptsLeft);
    void run(const QByteArray& request, const SingleInstance::CommandReply& reply);
    // The configuration the program holds, as JSON.
    void answerConfiguration(const SingleInstance::CommandReply& reply);

    CTarvinDlg& m_window;
    QString m_profileFolder;
    bool m_simulated;
};

}  // namespace vandrel
