#pragma once
// Where the program finds its files. The skins (png/) and VER.bin always come
// from the program folder, the folder of the executable whatever its name. The
// data files (keymap.bin, MacroDefine.bin and the "Configure" profile folder)
// live there too when the user can write to it, as in a build tree or an
// unpacked folder; for an installed program they go to the user's data folder
// instead, so that its settings are kept.

#include <QString>
#include <functional>

namespace vandrel {

struct AppPaths {
    QString programFolder;  // skins, VER.bin, the firmware updater
    QString dataFolder;     // keymap.bin, MacroDefine.bin
    QString profileFolder;  // dataFolder + "/Configure"
};

constexpr const char* kProfileFolderName = "Configure";

// Whether files can be created in a folder (tries to create one).
bool folderWritable(const QString& folder);

// Picks the folders for a program folder. When the program folder is not
// writable the data folder is `userDataFolder`, created with its "Configure"
// folder; should that fail too, the program folder is used and the data files
// are simply not saved.
AppPaths resolveAppPaths(const QString& programFolder, const QString& userDataFolder,
                         const std::function<bool(const QString&)>& writable = folderWritable);

// The folders for the running program: its executable's folder, and
// QStandardPaths::AppDataLocation as the user's data folder. Needs the
// application object.
AppPaths currentAppPaths();

}  // namespace vandrel
