#pragma once
// Starting the external firmware updater: on the user's request from the help
// window, and as an offer after the keyboard was read when its firmware is
// older than the program.

#include <QString>
#include <functional>

#include "update/AppVersion.h"

class QWidget;

namespace vandrel {

class Launcher;

// Starts the updater in the program folder; false when it is missing or could
// not be started. Never waits for it.
bool startUpdater(Launcher& launcher, const QString& programFolder);

// Asks whether to update; true for OK.
using UpdateQuestion = std::function<bool(QWidget* parent)>;
// The message box "检测到键盘版本与Driver的版本不匹配，是否进行更新？" titled
// "固件更新", with OK and Cancel.
bool askToUpdate(QWidget* parent);

// When the keyboard's firmware is older than the program, asks and, on OK,
// starts the updater. Returns true when the updater was started.
bool offerFirmwareUpdate(QWidget* parent, const AppVersion& app, const FirmwareVersion& fw, Launcher& launcher,
                         const QString& programFolder, const UpdateQuestion& ask = askToUpdate);

}  // namespace vandrel
