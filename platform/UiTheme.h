#pragma once
// The program's language and look on the desktop.
//
// Language: the texts are written in Chinese and translated to English. A
// desktop whose locale is Chinese (zh, zh_CN, zh_TW...) gets the Chinese,
// any other the English; VANDREL_LANG=zh or en overrides the locale. Qt's own
// dialogs (colour picker, file choosers, message boxes) follow the same
// choice through Qt's translations.
//
// Look: the Fusion style with a palette of the skin's colours, so that the
// stock dialogs are dark like the skinned windows instead of the desktop's
// light default.

#include <QPalette>
#include <QString>

class QApplication;

namespace vandrel {

enum class UiLanguage { Chinese, English };

// `override` is VANDREL_LANG, `localeName` the desktop locale's name ("zh_CN").
UiLanguage chooseUiLanguage(const QString& override, const QString& localeName);
// The choice for this process: VANDREL_LANG and the system locale.
UiLanguage currentUiLanguage();

// Installs the program's and Qt's translators for `language` and makes it the
// default locale; false when the program's English texts could not be loaded.
bool installTranslations(QApplication& app, UiLanguage language);

QPalette skinPalette();
// Fusion and skinPalette().
void applySkinTheme(QApplication& app);

}  // namespace vandrel
