#pragma once
// Starting programs and opening files, folders and web pages for the user: the
// launch keys, the help window's web page and the firmware updater. Every call
// returns at once; what was started runs on its own.

#include <QString>
#include <QUrl>

namespace vandrel {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts an executable with `workingFolder` as its current folder.
    virtual bool startProgram(const QString& program, const QString& workingFolder) = 0;
    // Opens a document or a folder with the desktop's default application.
    virtual bool openPath(const QString& path) = 0;
    // Opens a web page in the user's browser.
    virtual bool openWebPage(const QUrl& url) = 0;
};

// How a launch key's file is opened.
struct LaunchPlan {
    enum class Kind { Nothing, Program, Document, Folder };
    Kind kind = Kind::Nothing;
    QString target;         // the program, document or folder
    QString workingFolder;  // the folder the file was found in
};

// Decides how the file `file` in the folder `folder` is opened (a launch key's
// stored path, split at its last separator). Without a file name the folder
// itself is opened. Nothing is started when the folder is not an absolute path
// to an existing folder, or the file is gone. A program is a regular
// executable file (on Linux an executable with an ELF or "#!" header, so that
// a document that merely carries the execute bit, as on a FAT stick, still
// opens in its application); anything else opens with the desktop's default
// application.
LaunchPlan planLaunch(const QString& folder, const QString& file);

// Starts what planLaunch() decided; false when nothing was started.
bool launchFile(Launcher& launcher, const QString& folder, const QString& file);

// The vendor's web site, shown from the help window.
QUrl vendorWebSite();

}  // namespace vandrel
