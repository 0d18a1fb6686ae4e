#pragma once
// The texts of the Qt-free models (tables, messages) in the chosen language:
// the models keep them in Chinese, marked with VANDREL_TR_NOOP16 in
// `context`, and the windows translate them where they show them.

#include <QCoreApplication>
#include <QString>
#include <string>

#include "util/TextLookup.h"

namespace vandrel {

inline QString modelText(const char* context, const std::u16string& text) {
    return QCoreApplication::translate(context, QString::fromStdU16String(text).toUtf8().constData());
}

// The lookup the composed model texts (lists of changes, file messages) take.
inline TextLookup modelLookup() {
    return [](const char* context, const char* source, int n) {
        return QCoreApplication::translate(context, source, nullptr, n).toStdString();
    };
}

}  // namespace vandrel
