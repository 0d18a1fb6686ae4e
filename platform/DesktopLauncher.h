#pragma once
// The launcher that really starts things: programs through QProcess, detached,
// and documents, folders and web pages through the desktop's default
// applications (xdg-open on Linux).

#include "platform/Launcher.h"

namespace vandrel {

class DesktopLauncher : public Launcher {
public:
    bool startProgram(const QString& program, const QString& workingFolder) override;
    bool openPath(const QString& path) override;
    // Only http and https pages are opened.
    bool openWebPage(const QUrl& url) override;
};

}  // namespace vandrel
