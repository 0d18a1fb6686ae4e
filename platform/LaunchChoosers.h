#pragma once
// The file and folder choosers of the key-map dialog's launch rows: a music
// file, a program, a text file, a folder. The dialogs themselves sit behind
// function objects so that tests can answer them.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace vandrel {

struct FileChooserRequest {
    QString filter;         // e.g. "mp3 Files(*.mp3)"; further filters after ";;"
    QString namePattern;    // what the name field starts with, e.g. "*.mp3"
    QString defaultSuffix;  // added to a typed name without one (no dot); empty: nothing added
    QString folder;         // where the dialog starts
};

struct LaunchChooserServices {
    // A file-open dialog for an existing file: the chosen path, or empty when cancelled.
    std::function<QString(QWidget* parent, const FileChooserRequest& request)> openFile;
    // A folder browser: nothing when cancelled, else the chosen folder's path
    // (empty when the choice is no folder on disk).
    std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& folder)> browseFolder;
    // A message box.
    std::function<void(QWidget* parent, const QString& text)> message;
};

// The desktop's own dialogs.
LaunchChooserServices desktopLaunchChoosers();

// The filter, name pattern and suffix of launch row 0..2. Only Windows adds
// the row's suffix to a typed name: elsewhere programs have none.
FileChooserRequest launchFileRequest(int row, const QString& folder);
// Where a chooser starts: the folder of the path already chosen if it still
// exists, else the user's home.
QString launchStartFolder(const QString& current);

// Runs the chooser of launch row 0..3 and returns the full path chosen, or
// nothing. The program row takes a ".exe" file or any executable file.
std::optional<QString> chooseLaunchPath(int row, const QString& current, QWidget* parent,
                                        const LaunchChooserServices& services);

}  // namespace vandrel
