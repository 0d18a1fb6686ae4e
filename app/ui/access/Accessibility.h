#pragma once
// Makes the program's own windows and controls known to screen readers: the
// skinned windows with their drawn elements, the transparent list boxes with
// their rows, the skinned sliders with their values. Installed once at start;
// the interfaces themselves are made only when a reader asks for them.

namespace vandrel {

void installAccessibility();

}  // namespace vandrel
