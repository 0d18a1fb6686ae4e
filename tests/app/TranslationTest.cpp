// The English translation: complete, faithful to the placeholders and
// accelerators of its Chinese sources, and built into the program.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <set>

#include "app/draw/ModelText.h"
#include "app/model/AppCommands.h"
#include "app/model/PendingChanges.h"
#include "app/draw/SkinText.h"
#include "platform/UiTheme.h"
#include "tests/platform/TestApp.h"

using namespace vandrel;

namespace {

struct Message {
    QString context, source, type;
    QStringList translations;  // one, or one per plural form of a text with a count
};

std::vector<Message> readTs(const QString& path) {
    std::vector<Message> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return out;
    QXmlStreamReader xml(&file);
    QString context;
    Message m;
    bool numerus = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            m = Message{context, {}, {}, {}};
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (xml.name() == QLatin1String("source")) {
            m.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            m.type = xml.attributes().value(QLatin1String("type")).toString();
            if (!numerus) {
                m.translations << xml.readElementText();
                out.push_back(m);
                continue;
            }
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("numerusform")) m.translations << xml.readElementText();
                else xml.skipCurrentElement();
            }
            out.push_back(m);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

std::multiset<QString> placeholders(const QString& text) {
    std::multiset<QString> found;
    static const QRegularExpression re(QStringLiteral("%L?(\\d+|n)"));
    for (auto it = re.globalMatch(text); it.hasNext();) found.insert(it.next().captured());
    return found;
}

TEST(Translation, EverySourceTextHasAFinishedEnglishTranslation) {
    const std::vector<Message> messages = readTs(QStringLiteral(VANDREL_TS_FILE));
    ASSERT_GT(messages.size(), 40u);
    for (const Message& m : messages) {
        const std::string where = (m.context + QStringLiteral(": ") + m.source).toStdString();
        EXPECT_TRUE(m.type.isEmpty()) << where << " is " << m.type.toStdString();
        ASSERT_FALSE(m.translations.isEmpty()) << where;
        for (const QString& translation : m.translations) {
            EXPECT_FALSE(translation.trimmed().isEmpty()) << where;
            // A lost or extra %1 (or %n) would show a raw placeholder or drop a value.
            EXPECT_EQ(placeholders(m.source), placeholders(translation)) << where;
            // A menu item keeps its keyboard accelerator.
            EXPECT_EQ(m.source.count(QLatin1Char('&')), translation.count(QLatin1Char('&'))) << where;
        }
    }
}

TEST(Translation, EnglishIsBuiltIntoTheProgramAndQtDialogsFollow) {
    static int argc = 1;
    static char name[] = "app_translation_tests";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    EXPECT_EQ(QCoreApplication::translate("vandrel::MainWindowRenderer", "保存"), QStringLiteral("保存"));
    // The texts the models compose from pieces: Chinese as it always read
    // until English is installed, then English with its plural forms.
    ChangeSummary changes;
    changes.palette = true;
    changes.keys = 1;
    changes.macros = 3;
    const FileNotice notice{FileNotice::Kind::NotSaved, "/data/a%1.bin", std::make_error_code(std::errc::no_space_on_device)};
    EXPECT_EQ(describeChanges(changes, modelLookup()), "调色板、按键 1 个、宏 3 个");
    EXPECT_EQ(fileNoticeText(notice, modelLookup()), "无法保存 /data/a%1.bin（磁盘空间不足），文件保持原样！");
    ASSERT_TRUE(installTranslations(app, UiLanguage::English));
    EXPECT_EQ(describeChanges(changes, modelLookup()), "palette, 1 key, 3 macros");
    EXPECT_EQ(fileNoticeText(notice, modelLookup()), "Could not save /data/a%1.bin (the disk is full). The file is unchanged!");
    EXPECT_EQ(QCoreApplication::translate("vandrel::MainWindowRenderer", "保存"), QStringLiteral("Save"));
    EXPECT_EQ(QCoreApplication::translate("PanelTables", "呼吸"), QStringLiteral("Breathing"));
    EXPECT_EQ(QLocale().language(), QLocale::English);
}

// The factory reset of the main window and the key-map dialog's return to
// the key's default read differently, so that nobody takes one for the other.
TEST(Translation, TheTwoResetButtonsAreNamedApart) {
    test::app();
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/i18n/vandrel_en.qm")));
    const QString factory = english.translate("vandrel::MainWindowRenderer", "恢复");
    const QString keyDefault = english.translate("vandrel::KeyMapDialogModel", "初始值");
    EXPECT_FALSE(factory.isEmpty());
    EXPECT_FALSE(keyDefault.isEmpty());
    EXPECT_NE(factory.toLower(), keyDefault.toLower());
}

// Texts drawn at fixed places of the skinned windows, and the room each has
// before it runs into a button's edge, a check box or the picture's border.
TEST(Translation, SkinTextsFitTheirPlacesInBothLanguages) {
    test::app();
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/i18n/vandrel_en.qm")));
    const struct {
        const char* context;
        const char* source;
        int cellHeight, room;
    } places[] = {
        {"vandrel::MacroRecordDlgRenderer", "新建", 15, 77 - 35},
        {"vandrel::MacroRecordDlgRenderer", "删除", 15, 137 - 95},
        {"vandrel::MacroRecordDlgRenderer", "确定", 15, 337 - 300},
        {"vandrel::MacroRecordDlgRenderer", "取消", 15, 397 - 352},
        {"vandrel::MacroRecordDlgRenderer", "开始录制", 15, 379 - 310},
        {"vandrel::MacroRecordDlgRenderer", "停止录制", 15, 379 - 310},
        {"vandrel::MacroRecordDlgRenderer", "记录按键动作", 15, 368 - 290},
        {"vandrel::MacroRecordDlgRenderer", "选择宏", 15, 133 - 39},
        {"vandrel::MacroRecordDlgRenderer", "按键系列", 15, 263 - 151},
        {"vandrel::HistoryDialogRenderer", "恢复", 16, 58 - 4},
        {"vandrel::HistoryDialogRenderer", "关闭", 16, 58 - 4},
        {"vandrel::KeyMapDialogModel", "初始值", 14, 197 - 156},
        {"vandrel::KeyMapDialogModel", "取消", 14, 251 - 218},
        {"vandrel::KeyMapDialogModel", "保存", 14, 305 - 272},
        {"vandrel::KeyMapDialogModel", "启动程序", 12, 85 - 30},
        {"vandrel::MainWindowRenderer", "配置", 16, 89 - 45},
        {"vandrel::MainWindowRenderer", "恢复", 16, 58 - 4},
        {"vandrel::SkinSet", "正在连接键盘…", 14, 520 - 388},
    };
    for (const auto& place : places) {
        const QString translation = english.translate(place.context, place.source);
        ASSERT_FALSE(translation.isEmpty()) << place.context << ": " << place.source;
        const QFontMetrics metrics(skinFont(place.cellHeight));
        for (const QString& text : {QString::fromUtf8(place.source), translation})
            EXPECT_LE(metrics.horizontalAdvance(text), place.room) << place.context << ": " << text.toStdString();
    }
}

}  // namespace
