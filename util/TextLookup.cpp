#include "util/TextLookup.h"

#include <vector>

namespace vandrel {

namespace {
void replaceCount(std::string& text, int n) {
    const std::string value = std::to_string(n);
    for (size_t at = text.find("%n"); at != std::string::npos; at = text.find("%n", at + value.size()))
        text.replace(at, 2, value);
}
}  // namespace

std::string lookUpText(const TextLookup& lookup, const char* context, const char* source, int n) {
    if (lookup) return lookup(context, source, n);
    std::string text = source;
    if (n >= 0) replaceCount(text, n);
    return text;
}

std::string fillPlaceholders(const std::string& pattern, std::initializer_list<std::string> args) {
    const std::vector<std::string> values(args);
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const size_t index = static_cast<size_t>(next - '1');
        if (c == '%' && next >= '1' && next <= '9' && index < values.size()) {
            out += values[index];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace vandrel
