#pragma once
// The keyboard layouts installed with the XKB data (its rules file lists
// each layout and its variants with a description), for a choice of layout.

#include <QString>
#include <vector>

#include "layout/KeyboardLayout.h"

namespace vandrel {

// The layouts and variants of an XKB rules file ("evdev.xml"), sorted by
// description; a short list of common layouts when the file cannot be read.
std::vector<LayoutName> installedLayouts(const QString& rulesFile = QStringLiteral("/usr/share/X11/xkb/rules/evdev.xml"));

}  // namespace vandrel
