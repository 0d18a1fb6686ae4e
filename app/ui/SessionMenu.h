#pragma once
// The notification-area menu's submenu "When the session is locked / idle /
// asleep": the lighting choice the program keeps with its settings, which
// `vandrelctl session` edits too. A pick is written to the settings file; the
// running program follows the file.

#include <QMenu>

#include "app/model/SessionMenuModel.h"
#include "platform/RuleSettings.h"

namespace vandrel {

class SessionMenu : public QMenu {
    Q_OBJECT
public:
    // `settings`: where the choice is kept; `unavailable`: what the desktop
    // does not offer (shown as a note), empty when everything is there.
    SessionMenu(RuleSettings settings, QStringList unavailable, QWidget* parent = nullptr);

    // A group's heading in the program's language.
    static QString headingText(SessionMenuRow::Group group);

private:
    // Builds the rows from the choice the settings hold now.
    void rebuild();

    RuleSettings m_settings;
    QStringList m_unavailable;
};

}  // namespace vandrel
