#pragma once
// The profile dialog's skins, in png/Config/.

#include <QList>

#include "skins/SkinSet.h"

namespace vandrel {

// Adds the dialog's images to `set`; its close button is the main window's.
void addProfileSkins(QList<SkinImage>& set, qreal scale);

}  // namespace vandrel
