#include "app/draw/KeyLegend.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <array>

#include "app/draw/SkinText.h"
#include "app/model/KeyGeometry.h"

namespace vandrel {

namespace {

// Keys whose legend differs from the name the key tables carry.
struct PrintedLegend {
    int slot;
    const char* legend;
};
constexpr PrintedLegend kPrinted[] = {
    {13, "Prt\nSc"},   {14, "Scr\nLk"},  {15, "Pause"},     {36, "Pg\nUp"},    {37, "Num\nLock"},
    {57, "Pg\nDn"},    {62, "Caps"},     {74, "Enter"},     {90, "\u2191"},    {103, "\u2190"},
    {104, "\u2193"},   {105, "\u2192"},
};

// The space a legend may take: the key less half a pixel on either side.
constexpr int kRoomLess = 1;
// A legend too wide at the smallest size has its letters drawn closer, down
// to this much (pixels per letter); the table above is chosen so that none
// needs more.
constexpr double kTightestSpacing = -1.0;

bool isArrow(const QString& legend) {
    return legend.size() == 1 && legend.front().unicode() >= 0x2190 && legend.front().unicode() <= 0x2193;
}

// An arrow key's legend as a shape: the font's arrows are too small to read
// at this size.
void drawArrow(QPainter& p, const QRect& key, QChar arrow, const QColor& colour, QPointF offset) {
    const QPointF c = QPointF(key.left() + key.width() / 2.0, key.top() + (key.height() - 2) / 2.0) + offset;
    const int turns = arrow.unicode() - 0x2190;  // left, up, right, down
    p.save();
    p.translate(c);
    p.rotate(90.0 * turns);
    // Pointing left: a head and a shaft, 10 pixels long.
    QPainterPath path;
    path.moveTo(-5, 0);
    path.lineTo(-0.5, -4);
    path.lineTo(-0.5, -1.2);
    path.lineTo(5, -1.2);
    path.lineTo(5, 1.2);
    path.lineTo(-0.5, 1.2);
    path.lineTo(-0.5, 4);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawPath(path);
    p.restore();
}

}  // namespace

QString keyLegend(int slot) {
    if (slot < 0 || slot >= kPhysicalSlots || isMediaSlot(slot)) return {};
    for (const PrintedLegend& p : kPrinted)
        if (p.slot == slot) return QString::fromUtf8(p.legend);
    return QString::fromUtf8(KeyGeometry[slot].label);
}

namespace {

// Where a key's legend lines go, relative to the key's top-left corner.
struct LegendLayout {
    QFont font;
    QStringList lines;
    QList<QPoint> baselines;  // left end of each line's baseline
};

LegendLayout layoutLegend(int slot, const QString& legend) {
    const KeyRect& k = KeyGeometry[slot].rect;
    const QSize key(k.right - k.left, k.bottom - k.top);
    LegendLayout out;
    out.lines = legend.split(QLatin1Char('\n'));
    const QStringList& lines = out.lines;
    const int room = key.width() - kRoomLess;

    // The largest size up to 12 (13 for a single sign) at which every line
    // fits; at the smallest size the letters may stand closer instead.
    const bool single = lines.size() == 1 && lines.front().size() == 1;
    auto widest = [&lines](const QFont& f) {
        const QFontMetrics fm(f);
        int w = 0;
        for (const QString& line : lines) w = std::max(w, fm.boundingRect(line).width());
        return w;
    };
    int cell = lines.size() == 1 ? (single ? 13 : 12) : kMinLegendCell;
    while (cell > kMinLegendCell && widest(skinFont(cell)) > room) --cell;
    out.font = skinFont(cell);
    for (double spacing = -0.25; widest(out.font) > room && spacing >= kTightestSpacing; spacing -= 0.25)
        out.font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);

    const QFontMetrics fm(out.font);
    // Lines are centred on the cap's face, which sits a little above the
    // key's middle (its lower rim is deeper).
    const int lineStep = fm.capHeight() + 4;
    const int block = fm.capHeight() + lineStep * (int(lines.size()) - 1);
    int baseline = (key.height() - 2) / 2 - block / 2 + fm.capHeight();
    for (const QString& line : lines) {
        const QRect ink = fm.boundingRect(line);
        out.baselines.append(QPoint((key.width() - ink.width() + 1) / 2 - ink.left(), baseline));
        baseline += lineStep;
    }
    return out;
}

}  // namespace

void drawKeyLegend(QPainter& p, int slot, QPoint origin, const QColor& colour, const std::optional<QColor>& shadow) {
    drawKeyLegend(p, slot, keyLegend(slot), origin, colour, shadow);
}

void drawKeyLegend(QPainter& p, int slot, const QString& legend, QPoint origin, const QColor& colour,
                   const std::optional<QColor>& shadow) {
    if (legend.isEmpty() || slot < 0 || slot >= kPhysicalSlots) return;
    const KeyRect& k = KeyGeometry[slot].rect;
    const QRect key(k.left + origin.x(), k.top + origin.y(), k.right - k.left, k.bottom - k.top);
    if (isArrow(legend)) {
        if (shadow) drawArrow(p, key, legend.front(), *shadow, QPointF(1, 1));
        drawArrow(p, key, legend.front(), colour, QPointF(0, 0));
        return;
    }
    // Measuring is the costly part and never changes: once per key, legend
    // and thread.
    static thread_local std::array<QHash<QString, LegendLayout>, kPhysicalSlots> layouts;
    QHash<QString, LegendLayout>& known = layouts[static_cast<size_t>(slot)];
    auto layout = known.find(legend);
    if (layout == known.end()) layout = known.insert(legend, layoutLegend(slot, legend));

    p.save();
    p.setFont(layout->font);
    for (int i = 0; i < layout->lines.size(); ++i) {
        const QPoint at = key.topLeft() + layout->baselines[i];
        if (shadow) {
            p.setPen(*shadow);
            p.drawText(at + QPoint(1, 1), layout->lines[i]);
        }
        p.setPen(colour);
        p.drawText(at, layout->lines[i]);
    }
    p.restore();
}

}  // namespace vandrel
