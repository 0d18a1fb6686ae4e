#pragma once
// The texts of the Qt-free models (tables, messages) in the chosen language:
// the models keep them in Chinese, marked with VANDREL_TR_NOOP16 in
// `context`, and the windows translate them where they show them.

#include <QCoreApplication>
#include <QString>
#include <string>

namespace vandrel {

inline QString modelText(const char* context, const std::u16string& text) {
    return QCoreApplication::translate(context, QString::fromStdU16String(text).toUtf8().constData());
}

}  // namespace vandrel
