#pragma once
// The application object: one running program per user, the folders, the
// configuration state, the keyboard session, and the main window with the
// splash, the notification-area icon and the device monitor around it. The
// program ends when the window's close button or the icon's exit is used.

#include <QApplication>
#include <functional>

namespace vandrel {

class Clock;
class CTarvinDlg;
class Transport;

class CTarvinApp : public QApplication {
    Q_OBJECT
public:
    struct Options {
        // Watch for the keyboard's arrival and removal.
        bool watchDevices = true;
        // Called once the window exists, before start-up runs.
        std::function<void(CTarvinDlg&)> windowCreated;
        // The keyboard is the simulated one: vandrelctl --demo talks to this
        // program, and vandrelctl without it does not.
        bool simulatedKeyboard = false;
    };

    CTarvinApp(int& argc, char** argv);

    // Reads the command line before the application object exists, so that
    // --help and --version need no display: prints the help or the version
    // (exit status 0) or why the command line is refused (2) and returns
    // that status; returns -1 when the program should start.
    static int handleCommandLine(int argc, char** argv, bool demo);

    // Runs the program on `transport`; returns the exit code.
    int runMainDialog(Transport& transport, Clock& clock, const Options& options);

    // The window's message when the simulated keyboard's saved state was
    // damaged: it starts in its factory state, and the damaged file was moved
    // to `keptAs` (empty: it could not be moved).
    static QString damagedSimulatedStateText(const QString& keptAs);
};

}  // namespace vandrel
