#pragma once
// The main window on `session` with `data` as its program and data folder,
// started as the program starts it and read from the keyboard, its warnings
// dropped: for tests of what reaches the window from elsewhere.

#include <filesystem>
#include <memory>

#include "app/ui/CTarvinDlg.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel::test {

inline std::unique_ptr<CTarvinDlg> startQuietWindow(AppState& state, DeviceSession& session,
                                                    const std::filesystem::path& data) {
    WindowPaths paths;
    paths.programFolder = QString::fromStdString(data.string());
    paths.dataFolder = data;
    auto window = std::make_unique<CTarvinDlg>(state, session, paths);
    window->hooks().warn = [](QWidget*, const QString&, const QString&) {};
    window->initialise();
    waitWhileBusy(window->service());
    return window;
}

}  // namespace vandrel::test
