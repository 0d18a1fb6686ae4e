// The English translation: complete, faithful to the placeholders and
// accelerators of its Chinese sources, and built into the program.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <set>

#include "platform/UiTheme.h"

using namespace vandrel;

namespace {

struct Message {
    QString context, source, translation, type;
};

std::vector<Message> readTs(const QString& path) {
    std::vector<Message> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return out;
    QXmlStreamReader xml(&file);
    QString context;
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            m = Message{context, {}, {}, {}};
        } else if (xml.name() == QLatin1String("source")) {
            m.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            m.type = xml.attributes().value(QLatin1String("type")).toString();
            m.translation = xml.readElementText();
            out.push_back(m);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

std::multiset<QString> placeholders(const QString& text) {
    std::multiset<QString> found;
    static const QRegularExpression re(QStringLiteral("%L?\\d+"));
    for (auto it = re.globalMatch(text); it.hasNext();) found.insert(it.next().captured());
    return found;
}

TEST(Translation, EverySourceTextHasAFinishedEnglishTranslation) {
    const std::vector<Message> messages = readTs(QStringLiteral(VANDREL_TS_FILE));
    ASSERT_GT(messages.size(), 40u);
    for (const Message& m : messages) {
        const std::string where = (m.context + QStringLiteral(": ") + m.source).toStdString();
        EXPECT_TRUE(m.type.isEmpty()) << where << " is " << m.type.toStdString();
        EXPECT_FALSE(m.translation.trimmed().isEmpty()) << where;
        // A lost or extra %1 would show a raw placeholder or drop a value.
        EXPECT_EQ(placeholders(m.source), placeholders(m.translation)) << where;
        // A menu item keeps its keyboard accelerator.
        EXPECT_EQ(m.source.count(QLatin1Char('&')), m.translation.count(QLatin1Char('&'))) << where;
    }
}

TEST(Translation, EnglishIsBuiltIntoTheProgramAndQtDialogsFollow) {
    static int argc = 1;
    static char name[] = "app_translation_tests";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    EXPECT_EQ(QCoreApplication::translate("vandrel::MainWindowRenderer", "保存"), QStringLiteral("保存"));
    ASSERT_TRUE(installTranslations(app, UiLanguage::English));
    EXPECT_EQ(QCoreApplication::translate("vandrel::MainWindowRenderer", "保存"), QStringLiteral("Save"));
    EXPECT_EQ(QCoreApplication::translate("PanelTables", "呼吸"), QStringLiteral("Breathing"));
    EXPECT_EQ(QLocale().language(), QLocale::English);
}

}  // namespace
