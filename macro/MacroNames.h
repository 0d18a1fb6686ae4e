#pragma once
// Macro names: the order of the macro list and the names New generates.

#include <string>
#include <vector>

namespace vandrel {

// The order of the macro list, used both for the records and for the list the
// dialog shows. Names compare code unit by code unit with the ASCII letters A-Z
// folded to lower case, so "macro_2" sorts between "Macro_1" and "Macro_3" as in
// a list that ignores case; names that differ only in case then compare exactly,
// so the order is total and the same on every platform.
int compareMacroNames(const std::u16string& a, const std::u16string& b);

// Row at which a name goes into a list sorted by compareMacroNames: after every
// row that does not compare greater.
size_t sortedRowFor(const std::vector<std::u16string>& rows, const std::u16string& name);

// "Macro_00%d" below 10, "Macro_0%d" from 10 to 98, "Macro_%d" from 99 on.
std::u16string generatedMacroName(int i);

// The first generated name that equals no row exactly.
std::u16string newMacroName(const std::vector<std::u16string>& rows);

}  // namespace vandrel
