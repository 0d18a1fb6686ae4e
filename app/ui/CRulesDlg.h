#pragma once
// The rules window: which profile the keyboard gets while a window has the
// focus. Opened from the profile dialog's menu and the tray menu. Every
// change is stored at once in the program's settings, where vandrelctl rule
// edits the same rules: the window follows the file, and makes each edit to
// the list the file holds. The status box shows the desktop, the profile
// the keyboard carries, why a switch waits and how often switching wrote.
// No button is the default one, so Enter never removes a rule; Remove asks.

#include <QDialog>
#include <functional>
#include <memory>

#include "app/model/RulesDialogModel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace vandrel {

class ProfileSwitchController;

class CRulesDlg : public QDialog {
    Q_OBJECT
public:
    CRulesDlg(ProfileSwitchController& switching, QWidget* parent = nullptr);

    RulesDialogModel& model() { return *m_model; }
    // The form's fields, for tests.
    QLineEdit* classField() const { return m_class; }
    QLineEdit* titleField() const { return m_title; }
    QLineEdit* exeField() const { return m_exe; }
    QComboBox* profileBox() const { return m_profile; }
    QComboBox* defaultBox() const { return m_default; }
    QTableWidget* table() const { return m_table; }
    QLabel* statusLabel() const { return m_status; }
    QLabel* messageLabel() const { return m_message; }

    // The form's Add, and the list's Remove, Up and Down.
    void addFromForm();
    void removeSelected();
    void moveSelected(int by);

    // Asks before a rule is removed (tests answer it).
    std::function<bool(QWidget* parent, const QString& question)> confirmRemove;

    // Takes over the rules the settings file holds now; true when they
    // differed from the list shown.
    bool followFile();

private:
    bool store();
    void showRules();
    void showStatus();

    ProfileSwitchController& m_switching;
    std::unique_ptr<RulesDialogModel> m_model;
    QLabel* m_status = nullptr;
    QCheckBox* m_enabled = nullptr;
    QCheckBox* m_notify = nullptr;
    QTableWidget* m_table = nullptr;
    QLineEdit* m_class = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_exe = nullptr;
    QComboBox* m_profile = nullptr;
    QComboBox* m_default = nullptr;
    QLabel* m_message = nullptr;
    bool m_showingRules = false;  // the default's box is being set from the list
};

}  // namespace vandrel
