#pragma once
// The key-map dialog's skins (png/Custom/) and the tree's plus and minus boxes.

#include <QList>

#include "skins/SkinSet.h"

namespace vandrel {

QList<SkinImage> drawKeyMapSkins(qreal scale);

}  // namespace vandrel
