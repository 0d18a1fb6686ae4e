#include "app/ui/MenuChoice.h"

#include <QMenu>
#include <QPointer>

namespace vandrel {

QAction* chooseFromMenu(QMenu& menu, const QPoint& globalPos) {
    QPointer<QAction> chosen;
    QList<QMenu*> menus = menu.findChildren<QMenu*>();
    menus.prepend(&menu);
    for (QMenu* m : menus)
        QObject::connect(m, &QMenu::triggered, &menu, [&menu, &chosen](QAction* action) {
            chosen = action;
            menu.close();
        });
    QAction* picked = menu.exec(globalPos);
    return picked ? picked : chosen.data();
}

}  // namespace vandrel
