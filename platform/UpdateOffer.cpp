#include "platform/UpdateOffer.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

#include "platform/Launcher.h"

namespace vandrel {

bool startUpdater(Launcher& launcher, const QString& programFolder) {
    const QString updater = QDir(programFolder).filePath(QString::fromLatin1(kUpdaterFileName));
    return launcher.startProgram(updater, programFolder);
}

bool askToUpdate(QWidget* parent) {
    return QMessageBox::question(parent, QCoreApplication::translate("vandrel::UpdateOffer", "固件更新"),
                                 QCoreApplication::translate("vandrel::UpdateOffer", "检测到键盘版本与Driver的版本不匹配，是否进行更新？"),
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

bool offerFirmwareUpdate(QWidget* parent, const AppVersion& app, const FirmwareVersion& fw, Launcher& launcher,
                         const QString& programFolder, const UpdateQuestion& ask) {
    if (!firmwareOlder(app, fw)) return false;
    if (!ask || !ask(parent)) return false;
    return startUpdater(launcher, programFolder);
}

}  // namespace vandrel
