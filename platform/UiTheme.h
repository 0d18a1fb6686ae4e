#pragma once
// The program's language and look on the desktop.
//
// Language: chosen as UiLanguage.h says. Qt's own dialogs (colour picker,
// file choosers, message boxes) follow the same choice through Qt's
// translations.
//
// Look: the Fusion style with a palette of the skin's colours, so that the
// stock dialogs are dark like the skinned windows instead of the desktop's
// light default.

#include <QPalette>
#include <QString>

#include "platform/UiLanguage.h"

class QApplication;

namespace vandrel {

// Installs the program's and Qt's translators for `language` and makes it the
// default locale; false when the program's English texts could not be loaded.
bool installTranslations(QApplication& app, UiLanguage language);

QPalette skinPalette();
// Fusion and skinPalette().
void applySkinTheme(QApplication& app);

}  // namespace vandrel
