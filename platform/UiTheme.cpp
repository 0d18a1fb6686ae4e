#include "platform/UiTheme.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

#include "theme/SkinTheme.h"

namespace vandrel {

bool installTranslations(QApplication& app, UiLanguage language) {
    // A Chinese desktop keeps its own variant (zh_TW) for Qt's dialogs.
    const QLocale system = QLocale::system();
    const QLocale locale = language == UiLanguage::English
                               ? QLocale(QLocale::English, QLocale::UnitedStates)
                               : (system.language() == QLocale::Chinese ? system : QLocale(QLocale::Chinese, QLocale::China));
    QLocale::setDefault(locale);

    auto* qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt);
    else
        delete qt;

    // The program's texts are Chinese in the source; only English needs one.
    if (language == UiLanguage::Chinese) return true;
    auto* own = new QTranslator(&app);
    if (!own->load(QStringLiteral(":/i18n/vandrel_en.qm"))) {
        delete own;
        return false;
    }
    app.installTranslator(own);
    return true;
}

QPalette skinPalette() {
    using namespace theme;
    QPalette p;
    const QColor disabledText(0x5C, 0x61, 0x6A);
    p.setColor(QPalette::Window, kPanel);
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, kField);
    p.setColor(QPalette::AlternateBase, kColumn);
    p.setColor(QPalette::ToolTipBase, kTitleBar);
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::PlaceholderText, kTextFaint);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, kHeaderBottom);
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::BrightText, kAccentHover);
    p.setColor(QPalette::Light, kHeaderTop);
    p.setColor(QPalette::Midlight, kBorder);
    p.setColor(QPalette::Mid, kEdge);
    p.setColor(QPalette::Dark, kBgBottom);
    p.setColor(QPalette::Shadow, kTitleBar);
    p.setColor(QPalette::Highlight, kAccent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, kAccentHover);
    p.setColor(QPalette::LinkVisited, kAccent);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, kBorder);
    return p;
}

void applySkinTheme(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    app.setPalette(skinPalette());
}

}  // namespace vandrel
