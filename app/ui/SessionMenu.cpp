#include "app/ui/SessionMenu.h"

#include <QActionGroup>
#include <QCoreApplication>


namespace vandrel {

namespace {
QString text(const char* source, int n = -1) { return QCoreApplication::translate("SessionMenu", source, nullptr, n); }
}  // namespace

SessionMenu::SessionMenu(RuleSettings settings, QStringList unavailable, QWidget* parent)
    : QMenu(parent), m_settings(std::move(settings)), m_unavailable(std::move(unavailable)) {
    setTitle(QCoreApplication::translate("SessionMenu", "会话锁定、空闲或睡眠时(&S)"));
    // The file may have been changed by vandrelctl since the menu was last open.
    connect(this, &QMenu::aboutToShow, this, &SessionMenu::rebuild);
    rebuild();
}

QString SessionMenu::headingText(SessionMenuRow::Group group) { return text(sessionMenuHeading(group)); }

void SessionMenu::rebuild() {
    clear();
    const SessionLightingChoice choice = m_settings.sessionLighting();
    std::optional<SessionMenuRow::Group> group;
    QActionGroup* exclusive = nullptr;
    for (const SessionMenuRow& row : sessionMenuRows(choice)) {
        if (!group || *group != row.group) {
            group = row.group;
            addSection(text(sessionMenuHeading(row.group)));
            exclusive = new QActionGroup(this);
        }
        QAction* a = addAction(row.group == SessionMenuRow::Group::Idle && row.value > 0 ? text(row.text, row.value)
                                                                                          : text(row.text));
        a->setCheckable(true);
        a->setChecked(row.checked);
        exclusive->addAction(a);
        connect(a, &QAction::triggered, this, [this, row] {
            m_settings.setSessionLighting(sessionChoiceAfter(m_settings.sessionLighting(), row));
        });
    }
    if (!m_unavailable.isEmpty()) {
        addSeparator();
        QAction* note = addAction(QCoreApplication::translate("SessionMenu", "此桌面不提供：%1").arg(m_unavailable.join(QStringLiteral(", "))));
        note->setEnabled(false);
    }
}

}  // namespace vandrel
