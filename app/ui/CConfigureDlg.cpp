#include "app/ui/CConfigureDlg.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include "app/draw/ModelText.h"
#include "app/draw/SkinText.h"
#include "app/ui/DialogsOver.h"
#include "app/ui/MenuChoice.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "controls/CTransparentListBox.h"
#include "theme/SkinFile.h"

namespace vandrel {

namespace {

// A file dialog for profiles: starts in the profile folder with the selected
// profile chosen (to load it, or to save over it under its own name), and
// shows "*.bin".
std::optional<std::filesystem::path> chooseProfileFile(QWidget* parent, QFileDialog::AcceptMode mode,
                                                       const std::filesystem::path& profileFolder,
                                                       const std::u16string& selectedProfile) {
    const QString start = QString::fromStdU16String(profileFolder.u16string());
    QFileDialog dialog(parent, QString(), QDir(start).exists() ? start : QDir::homePath(),
                       QStringLiteral("bin Files(*.bin)"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    if (!selectedProfile.empty())
        dialog.selectFile(QString::fromStdU16String(selectedProfile) + QStringLiteral(".bin"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().first().toStdU16String());
}

}  // namespace

CConfigureDlg::CConfigureDlg(const QString& pngFolder, std::filesystem::path profileFolder, DeviceImage& image,
                             KeyRecordTable& records, QWidget* parent)
    // Enter never closes the dialog unless it presses a button; Esc does, as
    // the close button.
    : DrawnDialog(parent, SpareKeys::EnterKept),
      m_model(std::move(profileFolder), image, records),
      m_skins(pngFolder + QLatin1Char('/') + kProfileSkinFolder),
      m_renderer(m_skins) {
    // Called what it draws as its title.
    setWindowTitle(QCoreApplication::translate("vandrel::ProfileDialogRenderer", "配置"));
    m_model.setCopyPrefix(modelText("vandrel::ProfileStore", kCopyProfilePrefix).toStdU16String());
    m_model.setTextLookup(modelLookup());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);

    ProfileDialogPorts& ports = m_model.ports();
    ports.message = [this](const std::u16string& caption, const std::u16string& text) {
        askOver(this, QMessageBox::Information, modelText("vandrel::ProfileDialogModel", caption),
                modelText("vandrel::ProfileDialogModel", text), QMessageBox::Ok);
    };
    ports.confirm = [this](const std::u16string& caption, const std::u16string& text) {
        return askOver(this, QMessageBox::Question, modelText("vandrel::ProfileDialogModel", caption),
                       modelText("vandrel::ProfileDialogModel", text), QMessageBox::Ok | QMessageBox::Cancel,
                       QMessageBox::Ok) == QMessageBox::Ok;
    };
    ports.chooseExportFile = [this] {
        return chooseProfileFile(this, QFileDialog::AcceptSave, m_model.store().folder(), m_model.selectedProfileName());
    };
    ports.chooseImportFile = [this] {
        return chooseProfileFile(this, QFileDialog::AcceptOpen, m_model.store().folder(), m_model.selectedProfileName());
    };

    // The list keeps its rows in the store's order, so a row means the same
    // profile to both.
    m_list = new CTransparentListBox(this, true, true, [](const std::u16string& a, const std::u16string& b) {
        return ProfileNameLess(a, b) ? -1 : ProfileNameLess(b, a) ? 1 : 0;
    });
    m_list->setGeometry(kProfileListArea.left, kProfileListArea.top, kProfileListWidth, kProfileListHeight);
    m_list->setListStyle(QStringLiteral("Arial"), 15, Qt::white, QColor(0, 255, 255), true);
    m_list->setMode(kListOwnerBackground);
    m_list->setOwnerBackground([this](const QRect& r) { return copyFramePart(composeFrame(), r); });
    connect(m_list, &CTransparentListBox::selectionChanged, this, [this](int row) { m_model.setSelectedRow(row); });
    m_list->setAccessibleName(QString::fromStdString(m_model.elements(modelLookup()).front().name));
    m_list->setAccessibleDescription(QString::fromStdString(m_model.elements(modelLookup()).front().description));
    m_list->installEventFilter(this);
    connect(m_list, &CTransparentListBox::contextMenuRequested, this,
            [this](const QPoint& global) { rightButtonUp(mapFromGlobal(global), global); });

    chooseMenuCommand = [this](const QPoint& globalPos) {
        QMenu menu(this);
        menu.setStyleSheet(QStringLiteral(
            "QMenu { background: #23262C; color: white; border: 1px solid #31353D; padding: 2px; }"
            "QMenu::item { padding: 4px 28px 4px 18px; }"
            "QMenu::item:selected { background: #C4161C; }"));
        for (const ProfileMenuItem& item : kProfileMenu)
            menu.addAction(modelText("vandrel::ProfileDialogModel", item.text))->setData(static_cast<int>(item.command));
        QAction* rules = nullptr;
        if (openRules) {
            menu.addSeparator();
            rules = menu.addAction(tr("自动切换规则…"));
        }
        const QAction* chosen = chooseFromMenu(menu, globalPos);
        if (chosen && chosen == rules) {
            openRules();
            return ProfileCommand::None;
        }
        return chosen ? static_cast<ProfileCommand>(chosen->data().toInt()) : ProfileCommand::None;
    };
}

void CConfigureDlg::prepare() {
    setFixedSize(m_renderer.windowSize());
    if (m_mainRect.isValid()) move(m_mainRect.left() - 1, m_mainRect.top() - 1);
    m_model.open();
    afterCommand();
    // The focus starts on the list.
    m_model.setFocus(kProfileElementList, m_focusShownAtOpening);
    followFocus();
}

int CConfigureDlg::exec() {
    prepare();
    return QDialog::exec();
}

void CConfigureDlg::afterCommand() {
    // After every command the list shows the folder as it now is.
    if (m_listedGeneration != m_model.listGeneration()) {
        m_listedGeneration = m_model.listGeneration();
        m_list->clearRows();
        for (const ProfileEntry& e : m_model.rows()) m_list->addRow(QString::fromStdU16String(e.name));
    }
    m_list->setSelected(m_model.selectedRow());
    update();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

bool CConfigureDlg::event(QEvent* event) {
    if (event->type() == kListEditEndEvent) {
        // A row got a new text: the row it had before the edit names the file.
        const ListMessage& m = static_cast<ListMessageEvent*>(event)->message;
        m_model.renameRow(static_cast<int>(m.wParam), m_list->rowText(static_cast<int>(m.lParam)).toStdU16String());
        afterCommand();
        return true;
    }
    return QDialog::event(event);
}

QImage CConfigureDlg::composeFrame() {
    DialogRect r;
    const QRect mark = m_model.focusMark(r) && isActiveWindow() ? QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom))
                                                                 : QRect();
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    m_renderer.compose(m_frame, mark);
    return m_frame;
}

UiElements CConfigureDlg::uiElements() const { return m_model.elements(modelLookup()); }

void CConfigureDlg::focusElement(int id) {
    m_model.setFocus(id, true);
    followFocus();
    update();
}

void CConfigureDlg::activateElement(int id) {
    m_model.setFocus(id, m_model.focus().visible);
    followFocus();
    runCommand(m_model.activate(id));
}

QWidget* CConfigureDlg::elementControl(int id) const { return id == kProfileElementList ? m_list : nullptr; }

void CConfigureDlg::runCommand(ProfileCommand command) {
    if (command == ProfileCommand::Close) {
        accept();
        return;
    }
    afterCommand();
}

bool CConfigureDlg::navigate(NavKey key) {
    // Space and Enter press the focused button; Tab moves the focus, to the
    // list's own control too.
    const ProfileDialogModel::NavResult r = m_model.navigate(key, uiElements());
    if (!r.handled) return false;
    if (r.focusMoved) {
        followFocus();
        update();
        return true;
    }
    runCommand(r.command);
    return true;
}

bool CConfigureDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::FocusIn) {
        m_model.setFocus(kProfileElementList, focusMarkAfter(*static_cast<QFocusEvent*>(event), m_model.focus().visible));
        update();
    }
    return QDialog::eventFilter(watched, event);
}

void CConfigureDlg::paintEvent(QPaintEvent*) {
    composeFrame();
    QPainter p(this);
    p.drawImage(0, 0, m_frame);
}

void CConfigureDlg::mouseReleaseEvent(QMouseEvent* event) {
    // The right button matters only over the list, which reports it itself.
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    m_model.setFocus(m_model.focus().id, false);
    if (m_model.leftButtonUp(pos.x(), pos.y()) == ProfileCommand::Close) {
        accept();
        return;
    }
    afterCommand();
}

void CConfigureDlg::rightButtonUp(const QPoint& local, const QPoint& global) {
    if (!ProfileDialogModel::menuAt(local.x(), local.y()) || !chooseMenuCommand) return;
    m_model.run(chooseMenuCommand(global));
    afterCommand();
}

}  // namespace vandrel
