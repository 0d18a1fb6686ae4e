#pragma once
// The texts the Qt-free code composes (a list of changed sections, a file
// message with its path) in the language the window shows. The pieces are
// marked with VANDREL_TR_NOOP / VANDREL_TR_N_NOOP (TrNoop.h); the window hands
// in a lookup that translates them, and without one the marked source texts
// are used as they stand.

#include <functional>
#include <initializer_list>
#include <string>

namespace vandrel {

// Translates `source` in `context` (UTF-8 in and out). With n >= 0 the text
// has a plural form, and its "%n" becomes n.
using TextLookup = std::function<std::string(const char* context, const char* source, int n)>;

// `source` through `lookup`, or the source itself (with %n filled) without one.
std::string lookUpText(const TextLookup& lookup, const char* context, const char* source, int n = -1);

// Replaces %1..%9 in `pattern` by the arguments in one pass, so that an
// argument that itself holds "%2" (a file name) is never substituted again.
// A placeholder without an argument stays as it is.
std::string fillPlaceholders(const std::string& pattern, std::initializer_list<std::string> args);

}  // namespace vandrel
