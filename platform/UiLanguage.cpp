#include "platform/UiLanguage.h"

#include <QLocale>

namespace vandrel {

UiLanguage chooseUiLanguage(const QString& override, const QString& localeName) {
    const QString forced = override.trimmed().toLower();
    if (forced == QLatin1String("zh")) return UiLanguage::Chinese;
    if (forced == QLatin1String("en")) return UiLanguage::English;
    return localeName.startsWith(QLatin1String("zh"), Qt::CaseInsensitive) ? UiLanguage::Chinese
                                                                          : UiLanguage::English;
}

UiLanguage currentUiLanguage() {
    return chooseUiLanguage(qEnvironmentVariable("VANDREL_LANG"), QLocale::system().name());
}

}  // namespace vandrel
