#pragma once
// Fixed-size UTF-16LE text fields as stored in the binary files. A field is read
// up to its first zero unit or its end, whichever comes first, so a field
// without a terminating zero never reads past itself.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vandrel {

// Reads at most `units` UTF-16LE code units from `field` (2 * units bytes).
inline std::u16string readUtf16Field(const uint8_t* field, size_t units) {
    std::u16string out;
    for (size_t i = 0; i < units; ++i) {
        char16_t c = static_cast<char16_t>(field[2 * i] | (field[2 * i + 1] << 8));
        if (c == 0) break;
        out.push_back(c);
    }
    return out;
}

// Writes `text` into a field of `units` code units, always leaving room for and
// writing a terminating zero; the remainder of the field is zero-filled.
// Returns false (and writes a truncated text) when the text does not fit.
inline bool writeUtf16Field(uint8_t* field, size_t units, const std::u16string& text) {
    if (units == 0) return text.empty();
    const bool fits = text.size() < units;
    const size_t n = fits ? text.size() : units - 1;
    for (size_t i = 0; i < units; ++i) {
        char16_t c = i < n ? text[i] : u'\0';
        field[2 * i] = static_cast<uint8_t>(c & 0xFF);
        field[2 * i + 1] = static_cast<uint8_t>(c >> 8);
    }
    return fits;
}

// The decimal digits of `v`, as UTF-16.
std::u16string decimalUtf16(unsigned long long v);

// The order of names in the macro and profile lists: letters compared without
// case (A..Z as a..z), then the shorter name first, then by code unit.
// Negative, zero or positive as for std::u16string::compare.
int compareFoldedNames(const std::u16string& a, const std::u16string& b);

// UTF-8 <-> UTF-16 for paths and texts that cross into std::filesystem or the UI.
std::u16string utf8ToUtf16(const std::string& s);
std::string utf16ToUtf8(const std::u16string& s);
// UTF-16 <-> code points, for texts handled character by character; a lone
// surrogate becomes U+FFFD.
std::u32string utf16ToUtf32(const std::u16string& s);
std::u16string utf32ToUtf16(const std::u32string& s);

}  // namespace vandrel
