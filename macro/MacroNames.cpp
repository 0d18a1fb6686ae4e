#include "macro/MacroNames.h"

#include <algorithm>

#include "util/Utf16.h"

namespace vandrel {

int compareMacroNames(const std::u16string& a, const std::u16string& b) { return compareFoldedNames(a, b); }

size_t sortedRowFor(const std::vector<std::u16string>& rows, const std::u16string& name) {
    size_t row = 0;
    while (row < rows.size() && compareMacroNames(rows[row], name) <= 0) ++row;
    return row;
}

std::u16string generatedMacroName(int i) {
    const char16_t* prefix = i < 10 ? u"Macro_00" : (i <= 98 ? u"Macro_0" : u"Macro_");
    return prefix + decimalUtf16(i < 0 ? 0u : static_cast<unsigned>(i));
}

std::u16string newMacroName(const std::vector<std::u16string>& rows) {
    for (int i = 1;; ++i) {
        std::u16string name = generatedMacroName(i);
        if (std::find(rows.begin(), rows.end(), name) == rows.end()) return name;
    }
}

}  // namespace vandrel
