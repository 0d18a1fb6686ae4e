#pragma once
// The About box: the program's name and version and one line on what it is.

#include <QDialog>

#include "update/AppVersion.h"

class QIcon;

namespace vandrel {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const QIcon& icon, const AppVersion& version, QWidget* parent = nullptr);

    // "Vandrel 1.1 版"
    static QString versionText(const AppVersion& version);
};

}  // namespace vandrel
