#pragma once
// The profile dialog: a frameless window the size of its skin "Config.png",
// laid over the main window's top-left corner, with the profile list, a New
// and a Delete button and a right-click menu on the list. It is composed off
// screen and shown with one copy; clicks, menu choices, the list's selection
// and renames go to the dialog's model, which does the work.

#include <QImage>
#include <QRect>
#include <filesystem>
#include <functional>

#include "app/draw/ProfileDialogRenderer.h"
#include "theme/SkinCache.h"
#include "app/model/ProfileDialogModel.h"
#include "app/ui/DrawnDialog.h"

namespace vandrel {

class CTransparentListBox;

class CConfigureDlg : public DrawnDialog {
    Q_OBJECT
public:
    // `pngFolder` is the program's skin folder; the dialog's skins are in its
    // "Config" folder. Profiles are saved from and loaded into `image` and
    // `records`.
    CConfigureDlg(const QString& pngFolder, std::filesystem::path profileFolder, DeviceImage& image,
                  KeyRecordTable& records, QWidget* parent = nullptr);

    ProfileDialogModel& model() { return m_model; }
    // The main window's screen rectangle, stored just before the dialog runs.
    void setMainWindowRect(const QRect& rect) { m_mainRect = rect; }
    // The right-click menu: the chosen command, or None. Replaceable by tests.
    std::function<ProfileCommand(const QPoint& globalPos)> chooseMenuCommand;
    // Opens the rules window (the menu's last entry); empty: no such entry.
    std::function<void()> openRules;

    // Opening: size from the skin, placement, the list filled from the folder.
    void prepare();
    int exec() override;

    QImage composeFrame();
    CTransparentListBox* list() const { return m_list; }
    // Opened from the keyboard: the focus mark shows from the start.
    void showFocusMark(bool shown) { m_focusShownAtOpening = shown; }

    // The drawn elements for the screen reader and the keyboard focus.
    UiElements uiElements() const override;
    ElementFocus elementFocus() const override { return m_model.focus(); }
    void focusElement(int id) override;
    void activateElement(int id) override;
    QWidget* elementControl(int id) const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool navigate(NavKey key) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runCommand(ProfileCommand command);
    void rightButtonUp(const QPoint& local, const QPoint& global);
    void afterCommand();

    ProfileDialogModel m_model;
    CTransparentListBox* m_list = nullptr;
    unsigned m_listedGeneration = 0;
    SkinCache m_skins;
    ProfileDialogRenderer m_renderer;
    QImage m_frame;
    QRect m_mainRect;
    bool m_focusShownAtOpening = false;
};

}  // namespace vandrel
