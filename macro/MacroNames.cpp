#include "macro/MacroNames.h"

#include <algorithm>

namespace vandrel {

static char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

int compareMacroNames(const std::u16string& a, const std::u16string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = foldAscii(a[i]);
        const char16_t y = foldAscii(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

size_t sortedRowFor(const std::vector<std::u16string>& rows, const std::u16string& name) {
    size_t row = 0;
    while (row < rows.size() && compareMacroNames(rows[row], name) <= 0) ++row;
    return row;
}

std::u16string generatedMacroName(int i) {
    const char16_t* prefix = i < 10 ? u"Macro_00" : (i <= 98 ? u"Macro_0" : u"Macro_");
    std::u16string digits;
    int v = i < 0 ? 0 : i;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + v % 10));
        v /= 10;
    } while (v > 0);
    return prefix + digits;
}

std::u16string newMacroName(const std::vector<std::u16string>& rows) {
    for (int i = 1;; ++i) {
        std::u16string name = generatedMacroName(i);
        if (std::find(rows.begin(), rows.end(), name) == rows.end()) return name;
    }
}

}  // namespace vandrel
