#include "platform/XkbLayoutList.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>

namespace vandrel {

namespace {

std::vector<LayoutName> commonLayouts() {
    return {{"us", "", "English (US)"}, {"gb", "", "English (UK)"}, {"de", "", "German"},
            {"fr", "", "French"},       {"es", "", "Spanish"},      {"it", "", "Italian"},
            {"ru", "", "Russian"},      {"cn", "", "Chinese"}};
}

// Reads one <configItem>: its name and description.
void readConfigItem(QXmlStreamReader& xml, QString& name, QString& description) {
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("name"))
            name = xml.readElementText();
        else if (xml.name() == QLatin1String("description"))
            description = xml.readElementText();
        else
            xml.skipCurrentElement();
    }
}

void readLayout(QXmlStreamReader& xml, std::vector<LayoutName>& out) {
    QString layout, description;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("configItem")) {
            readConfigItem(xml, layout, description);
            if (!layout.isEmpty()) out.push_back({layout.toStdString(), {}, description.toStdString()});
        } else if (xml.name() == QLatin1String("variantList")) {
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("variant")) {
                    xml.skipCurrentElement();
                    continue;
                }
                QString variant, variantDescription;
                while (xml.readNextStartElement()) {
                    if (xml.name() == QLatin1String("configItem"))
                        readConfigItem(xml, variant, variantDescription);
                    else
                        xml.skipCurrentElement();
                }
                if (!layout.isEmpty() && !variant.isEmpty())
                    out.push_back({layout.toStdString(), variant.toStdString(), variantDescription.toStdString()});
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

}  // namespace

std::vector<LayoutName> installedLayouts(const QString& rulesFile) {
    QFile file(rulesFile);
    if (!file.open(QIODevice::ReadOnly)) return commonLayouts();
    QXmlStreamReader xml(&file);
    std::vector<LayoutName> out;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("layoutList")) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("layout"))
                    readLayout(xml, out);
                else
                    xml.skipCurrentElement();
            }
        }
    }
    if (xml.hasError() || out.empty()) return commonLayouts();
    std::stable_sort(out.begin(), out.end(),
                     [](const LayoutName& a, const LayoutName& b) { return a.description < b.description; });
    return out;
}

}  // namespace vandrel
