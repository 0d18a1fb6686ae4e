#include "app/ui/access/ValueText.h"

#include <algorithm>

namespace vandrel {

QString ValueText::text(int startOffset, int endOffset) const {
    const QString all = m_value();
    // -1 as the end stands for the end of the text.
    const int end = endOffset < 0 ? static_cast<int>(all.size()) : std::min(endOffset, static_cast<int>(all.size()));
    const int start = std::clamp(startOffset, 0, end);
    return all.mid(start, end - start);
}

QString ValueText::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}

}  // namespace vandrel
