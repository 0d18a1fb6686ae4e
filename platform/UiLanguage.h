#pragma once
// The program's language: the texts are written in Chinese and translated to
// English. A desktop whose locale is Chinese (zh, zh_CN, zh_TW...) gets the
// Chinese, any other the English; VANDREL_LANG=zh or en overrides the locale.
// The window and vandrelctl follow the same rule.

#include <QString>

namespace vandrel {

enum class UiLanguage { Chinese, English };

// `override` is VANDREL_LANG, `localeName` the desktop locale's name ("zh_CN").
UiLanguage chooseUiLanguage(const QString& override, const QString& localeName);
// The choice for this process: VANDREL_LANG and the system locale.
UiLanguage currentUiLanguage();

}  // namespace vandrel
