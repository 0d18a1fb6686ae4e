#include "platform/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace vandrel {

CAboutDlg::CAboutDlg(const QIcon& icon, const AppVersion& version, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("关于 Vandrel"));
    setWindowIcon(icon);

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(48, 48));
    iconLabel->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(versionText(version), this);
    name->setObjectName(QStringLiteral("versionLabel"));
    auto* line = new QLabel(tr("游戏键盘配置程序：按键、宏、灯光与性能设置"), this);
    line->setObjectName(QStringLiteral("descriptionLabel"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(line);
    texts->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::versionText(const AppVersion& version) {
    return tr("Vandrel %1.%2 版").arg(version.major).arg(version.minor);
}

}  // namespace vandrel
