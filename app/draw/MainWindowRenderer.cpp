#include "app/draw/MainWindowRenderer.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/draw/DiyKeyColours.h"
#include "app/draw/FocusMark.h"
#include "app/draw/KeyLegend.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"

namespace vandrel {

namespace {

constexpr QSize kDefaultWindowSize(1000, 640);
const QColor kListRowColour(59, 59, 59);
const QColor kListHoverColour(80, 0, 0);
const QColor kDisabledSwatch(192, 192, 192);
// The key under the pointer: a white veil and a light grey rim.
const QColor kKeyHoverTint(255, 255, 255, 46);
const QColor kKeyHoverRim(0xD6, 0xD8, 0xDD);

QString u8(const char* s) { return QString::fromUtf8(s); }

// The panel's list entries come from the Qt-free tables, marked there.
QString panelText(const char* s) { return QCoreApplication::translate("PanelTables", s); }
// Every label of the panel starts at the column the section contents use,
// clear of the accent bars; a bar's label sits in the middle of its 20-pixel
// height, and the right half of a split bar starts as far past the split.
constexpr int kPanelTextX = 28;
constexpr int kSplitX = 19 + 124;
constexpr int kSplitTextX = kSplitX + kPanelTextX - 19;
// Where a bar's label must end: clear of the chevron at its right end.
constexpr int kBarTextRight = 19 + 243 - 26;
// The right edge the panel's texts stay clear of (its border is at 261).
constexpr int kPanelTextRight = 259;

// "stem-normal.png", "stem-over.png", "stem-down.png".
ButtonLook buttonSkin(const char* stem) {
    const QLatin1String s(stem);
    return {QStringLiteral("%1-normal.png").arg(s), QStringLiteral("%1-over.png").arg(s),
            QStringLiteral("%1-down.png").arg(s)};
}
// "name.png" becomes "name-over.png" (or "-down").
QString variant(const QString& name, const char* suffix) {
    return name.left(name.size() - 4) + QLatin1Char('-') + QLatin1String(suffix) + QStringLiteral(".png");
}

// The bottom buttons' size; their captions are centred on it.
constexpr QSize kBottomButtonSize(58, 31);

}  // namespace

QSize MainWindowRenderer::windowSize() {
    const QSize size = m_skins.logicalSize(QStringLiteral("main.png"));
    return size.isValid() ? size : kDefaultWindowSize;
}

void MainWindowRenderer::drawImage(QPainter& p, const QString& name, int x, int y) {
    // A missing or unreadable skin draws nothing; the composition goes on.
    if (const QImage* img = m_skins.image(name)) p.drawImage(x, y, *img);
}

void MainWindowRenderer::drawText(QPainter& p, const QString& text, int x, int y, int height) {
    drawSkinText(p, text, x, y, height);
}

void MainWindowRenderer::drawFrame(QPainter& p, int x, int y, int width, int height) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(x, y, width, height);
    p.restore();
}

void MainWindowRenderer::compose(QImage& frame, const RenderInput& in) {
    const QSize size = windowSize();
    const QSize before = frame.size();
    const qreal ratioBefore = frame.devicePixelRatio();
    prepareFrame(frame, size, m_skins.devicePixelRatio());
    // An area is composed again only over a frame that holds the rest.
    const bool onlyArea = in.clip.isValid() && frame.size() == before && frame.devicePixelRatio() == ratioBefore &&
                      !in.clip.contains(QRect(QPoint(0, 0), size));

    QPainter p(&frame);
    if (onlyArea) {
        p.setClipRect(in.clip);
        p.fillRect(in.clip, Qt::black);
    } else {
        frame.fill(Qt::black);
    }
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawImage(p, QStringLiteral("main.png"), 0, 0);
    const MainWindowModel& model = *in.model;
    drawButton(p, model, kHitHelp, buttonSkin("button-help"), 936, 5);
    drawButton(p, model, kHitMinimise, buttonSkin("button-min"), 957, 5);
    drawButton(p, model, kHitClose, buttonSkin("button-close"), 978, 5);
    drawImage(p, QStringLiteral("logo.png"), 19, 35);
    drawImage(p, QStringLiteral("kb_BK.png"), kKeyboardOriginX, kKeyboardOriginY);
    drawLayoutLegends(p, in);

    drawKeyOverlay(p, in);
    drawDiyMarks(p, in);
    drawDiyStrip(p, in);

    // The factory reset shares its skin with cancel; the reset skin over it
    // marks it as the button that discards every setting.
    drawButton(p, model, kHitFactoryReset, buttonSkin("button-cancel"), 800, 605);
    drawButton(p, model, kHitFactoryReset, buttonSkin("button-reset"), 800, 605);
    drawButton(p, model, kHitCancel, buttonSkin("button-cancel"), 862, 605);
    drawButton(p, model, kHitSave, buttonSkin("button-save"), 924, 605);
    if (in.pendingText.isEmpty()) {
        drawImage(p, QStringLiteral("text.png"), 96, 610);
    } else {
        // Unsaved changes take the hint's place, marked in the accent colour,
        // cut short before the bottom buttons (or the progress text).
        const int width = in.busy ? 450 : 690;
        p.fillRect(96, 608, width, 24, QColor(0x12, 0x14, 0x17));
        p.fillRect(96, 613, 3, 14, QColor(196, 22, 28));
        const QString text = QFontMetrics(skinFont(15)).elidedText(in.pendingText, Qt::ElideRight, width - 12);
        drawSkinText(p, text, 104, 612, 15, QColor(0xE8, 0xC8, 0x60));
    }
    const QString config = QStringLiteral("Config.png");
    drawButton(p, model, kHitProfiles, {config, variant(config, "over"), variant(config, "down")}, 17, 603);
    const int configDown = model.pressed(kHitProfiles) ? 1 : 0;
    drawSkinTextIn(p, tr("配置"), QRect(45, 606 + configDown, 44, 26), 16, m_textScale, Qt::AlignLeft);
    drawCaption(p, model, kHitFactoryReset, tr("恢复"), 800, 605);
    drawCaption(p, model, kHitCancel, tr("取消"), 862, 605);
    drawCaption(p, model, kHitSave, tr("保存"), 924, 605);

    drawPanel(p, in);
    drawHelp(p, in);
    drawStatus(p, in, size);
    drawFocusMark(p, in.focusRect);
}

void MainWindowRenderer::drawButton(QPainter& p, const MainWindowModel& model, int code, const ButtonLook& look, int x,
                                    int y) {
    // The normal image always, the state's image over it: a skin without
    // the state images still shows every button.
    drawImage(p, look.normal, x, y);
    if (model.pressed(code)) {
        drawImage(p, look.over, x, y);
        drawImage(p, look.down, x, y);
    } else if (model.hovered(code)) {
        drawImage(p, look.over, x, y);
    }
}

void MainWindowRenderer::drawCaption(QPainter& p, const MainWindowModel& model, int code, const QString& text,
                                     int buttonX, int buttonY) {
    // Centred on the button; a pressed button's caption sinks with its face.
    const QRect face(buttonX + 2, buttonY + (model.pressed(code) ? 1 : 0), kBottomButtonSize.width() - 4,
                     kBottomButtonSize.height());
    drawSkinTextIn(p, text, face, 16, m_textScale);
}

void MainWindowRenderer::drawBarLabel(QPainter& p, const QString& text, int x, int y, int right) {
    drawSkinTextIn(p, text, QRect(x, y, right - x, 20), 15, m_textScale, Qt::AlignLeft | Qt::AlignVCenter);
}

const QString* MainWindowRenderer::layoutLegend(const RenderInput& in, int slot) const {
    if (!in.legends || slot < 0 || slot >= kPhysicalSlots) return nullptr;
    const QString& legend = (*in.legends)[static_cast<size_t>(slot)];
    return legend.isEmpty() ? nullptr : &legend;
}

void MainWindowRenderer::drawLayoutLegends(QPainter& p, const RenderInput& in) {
    if (!in.legends) return;
    // Without the blank caps a key keeps its printed legend rather than two.
    const QImage* blank = m_skins.image(kBlankKeyboardImage);
    if (!blank) return;
    const QPoint origin(kKeyboardOriginX, kKeyboardOriginY);
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        const QString* legend = layoutLegend(in, slot);
        if (!legend) continue;
        const KeyRect& r = KeyGeometry[slot].rect;
        drawSkinPart(p, QPointF(r.left, r.top) + origin, *blank, QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top));
        drawKeyLegend(p, slot, *legend, origin, kLegendInk);
    }
}

void MainWindowRenderer::highlightKey(QPainter& p, const QImage& lit, int slot, const RenderInput& in) {
    const KeyRect& r = KeyGeometry[slot].rect;
    const QRectF source(r.left, r.top, r.right - r.left, r.bottom - r.top);
    const QPointF at(r.left + kKeyboardOriginX, r.top + kKeyboardOriginY);
    const QPoint origin(kKeyboardOriginX, kKeyboardOriginY);
    const QString* legend = layoutLegend(in, slot);
    const QImage* blank = legend ? m_skins.image(kBlankLitKeyboardImage) : nullptr;
    if (legend && blank && m_skins.image(kBlankKeyboardImage)) {
        drawSkinPart(p, at, *blank, source);
        drawKeyLegend(p, slot, *legend, origin, kLitLegendInk);
        return;
    }
    drawSkinPart(p, at, lit, source);
}

void MainWindowRenderer::drawKeyHover(QPainter& p, int slot) {
    const KeyRect& r = KeyGeometry[slot].rect;
    const QRectF key(r.left + kKeyboardOriginX, r.top + kKeyboardOriginY, r.right - r.left, r.bottom - r.top);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kKeyHoverTint);
    if (isMediaSlot(slot)) {
        p.drawEllipse(key.center(), 9.2, 9.2);
        p.setPen(QPen(kKeyHoverRim, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(key.center(), 10, 10);
    } else {
        p.drawRoundedRect(key.adjusted(1, 1, -1, -1), 2.5, 2.5);
        p.setPen(QPen(kKeyHoverRim, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(key.adjusted(0.6, 0.6, -0.6, -0.6), 3, 3);
    }
    p.restore();
}

void MainWindowRenderer::drawKeyOverlay(QPainter& p, const RenderInput& in) {
    const MainWindowModel& model = *in.model;
    const DeviceImage& image = *in.image;
    const uint8_t hovered = model.hoveredKey();

    if (!model.panel().diyPaintMode) {
        if (const QImage* lit = m_skins.image(QStringLiteral("kb_hl.png"))) {
            for (int slot = 0; slot < kPhysicalSlots; ++slot) {
                // The left Windows key is locked, never reassigned: it is never lit.
                if (slot == kLeftWinSlot) continue;
                if ((*in.reassigned)[slot]) highlightKey(p, *lit, slot, in);
            }
        }
        // The key under the pointer brightens with a light rim, never in the
        // red that marks a reassigned key, and over it when it is one.
        if (hovered < kPhysicalSlots) drawKeyHover(p, hovered);
        return;
    }
    if (!isDiyEffect(image.ledEffect)) return;

    const int map = diyMapIndex(image.ledEffect);
    if (map >= 0) drawDiyKeyColours(p, image, map, QPoint(kKeyboardOriginX, kKeyboardOriginY), in.legends);
    if (hovered < kPhysicalSlots) {
        const KeyRect& r = KeyGeometry[hovered].rect;
        drawFrame(p, r.left + kKeyboardOriginX - 2, r.top + kKeyboardOriginY - 2, r.right - r.left + 3,
                  r.bottom - r.top + 3);
    }
}

void MainWindowRenderer::drawSlider(QPainter& p, const SliderView& s) {
    if (!s.drawn) return;
    // At position 0 the thumb sits 2 pixels further right, clear of the track's end.
    const int thumbX = s.thumbX + (s.position == 0 ? 2 : 0);
    const QRect& r = s.rect;
    if (const QImage* filled = m_skins.image(kFilledTrackImage))
        drawSkinPart(p, QPointF(r.left(), r.top()), *filled, QRectF(0, 0, thumbX, r.height()));
    if (const QImage* empty = m_skins.image(kEmptyTrackImage))
        drawSkinPart(p, QPointF(r.left() + thumbX, r.top()), *empty, QRectF(thumbX, 0, r.width() - thumbX, r.height()));
    if (const QImage* thumb = m_skins.image(kThumbImage))
        drawSkinPart(p, QPointF(r.left() + thumbX, r.top() + s.thumbY + 1), *thumb, QRectF(0, 0, 15, 14));
}

void MainWindowRenderer::drawLightingSection(QPainter& p, const RenderInput& in) {
    const MainWindowModel& model = *in.model;
    const DeviceImage& image = *in.image;
    const uint8_t effect = image.ledEffect;
    const bool listOpen = model.anyListOpen();

    drawImage(p, QStringLiteral("LEDEffect_open.png"), 19, 130);
    drawText(p, tr("效果"), 28, 137, 15);
    drawImage(p, QStringLiteral("Light_Item.png"), 28, 158);

    // Speed row: effects without motion (steady, custom maps) have none.
    if (!(effect == 1 || effect >= 50)) {
        drawImage(p, QStringLiteral("freq.png"), 19, 245);
        drawSlider(p, in.speed);
        if (!listOpen) {
            drawText(p, tr("频率"), 28, 290, 13);
            drawText(p, tr("慢"), 28, 317, 13);
            drawText(p, tr("快"), 230, 317, 13);
        }
    }

    // The labels go over the slider: its track reaches into their first rows.
    if (!listOpen) drawSlider(p, in.brightness);
    drawText(p, tr("亮度"), 28, 247, 13);
    drawText(p, tr("暗"), 28, 274, 13);
    drawText(p, tr("亮"), 230, 274, 13);

    if (effect <= 50) {
        if (effect != 1) drawImage(p, QStringLiteral("8.png"), 203, 223);
        const bool grey = effect == 3 || effect == 8;
        for (int k = 0; k < static_cast<int>(kPaletteEntries); ++k) {
            const uint8_t* rgb = image.ledPalette[k];
            p.fillRect(28 + 25 * k, 223, 20, 20, grey ? kDisabledSwatch : QColor(rgb[0], rgb[1], rgb[2]));
        }
        drawFrame(p, 1 + 25 * image.ledColor, 221, 23, 23);
    }

    if (effect == 3 || effect == 13) {
        drawText(p, tr("方向"), 29, 177, 15);
        drawImage(p, QStringLiteral("Direction-T-Disable.png"), 29, 197);
        drawImage(p, QStringLiteral("Direction-B-Disable.png"), 79, 197);
        drawImage(p, QStringLiteral("Direction-R-Disable.png"), 129, 197);
        drawImage(p, QStringLiteral("Direction-L-Disable.png"), 179, 197);
        switch (image.ledDirection) {
        case 1: drawImage(p, QStringLiteral("Direction-L-Enable.png"), 179, 197); break;
        case 2: drawImage(p, QStringLiteral("Direction-R-Enable.png"), 129, 197); break;
        case 3: drawImage(p, QStringLiteral("Direction-T-Enable.png"), 29, 197); break;
        case 4: drawImage(p, QStringLiteral("Direction-B-Enable.png"), 79, 197); break;
        default: break;
        }
    }

    if (isDiyEffect(effect)) {
        const bool paint = model.panel().diyPaintMode;
        drawImage(p, paint ? QStringLiteral("Disable.png") : QStringLiteral("Enable.png"), 28, 199);
        drawImage(p, paint ? QStringLiteral("Enable.png") : QStringLiteral("Disable.png"), 130, 199);
        drawText(p, QStringLiteral("Keymap"), 45, 197, 15);
        drawText(p, QStringLiteral("DIY"), 147, 197, 15);
    }

    if (const char* name = effectName(effect)) drawText(p, panelText(name), 28, 158, 14);
    drawDiyPanel(p, in);
}

namespace {

QString diyText(const char* s) { return QCoreApplication::translate("vandrel::DiyPaintModel", s); }
QColor rgbColour(Rgb c) { return QColor(c.r, c.g, c.b); }
QRect windowRect(const HitRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)); }

const QColor kToolFace(0x2A, 0x2D, 0x33);
const QColor kToolPressed(80, 0, 0);
const QColor kSelectionRim(0xFF, 0xD4, 0x3B);

// A swatch of the painting tools: the colour in a thin grey rim.
void drawSwatch(QPainter& p, const HitRect& r, const QColor& colour) {
    const QRect rect = windowRect(r);
    p.fillRect(rect, colour);
    p.save();
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect.adjusted(0, 0, -1, -1));
    p.restore();
}

}  // namespace

void MainWindowRenderer::drawDiyPanel(QPainter& p, const RenderInput& in) {
    const MainWindowModel& model = *in.model;
    if (!model.diyMapShown(*in.image)) return;
    const DiyPaintModel& diy = model.diy();
    // The brush first, framed as the chosen colour; the palette beside it.
    drawSwatch(p, diyToolRect(kDiyBrushId), rgbColour(diy.brush()));
    const HitRect b = diyToolRect(kDiyBrushId);
    drawFrame(p, b.left - 2, b.top - 2, b.right - b.left + 4, b.bottom - b.top + 4);
    for (int k = 0; k < kDiyPaletteCount; ++k) {
        const uint8_t* rgb = in.image->ledPalette[k];
        drawSwatch(p, diyToolRect(kDiyPaletteBase + k), QColor(rgb[0], rgb[1], rgb[2]));
    }
    // The colours used last, in the row the speed slider has for other effects.
    for (int k = 0; k < kDiyRecentCount; ++k) {
        const HitRect r = diyToolRect(kDiyRecentBase + k);
        if (k < static_cast<int>(diy.recent().size())) drawSwatch(p, r, rgbColour(diy.recent()[static_cast<size_t>(k)]));
        else drawSwatch(p, r, QColor(0x18, 0x1A, 0x1E));
    }
}

void MainWindowRenderer::drawDiyMarks(QPainter& p, const RenderInput& in) {
    const MainWindowModel& model = *in.model;
    if (!model.diyMapShown(*in.image)) return;
    const DiyPaintModel& diy = model.diy();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSelectionRim, 2, Qt::DotLine));
    for (int slot : diy.selection()) {
        const KeyRect& r = KeyGeometry[static_cast<size_t>(slot)].rect;
        p.drawRect(QRect(QPoint(r.left + kKeyboardOriginX + 1, r.top + kKeyboardOriginY + 1),
                         QPoint(r.right + kKeyboardOriginX - 1, r.bottom + kKeyboardOriginY - 1)));
    }
    HitRect band;
    if (diy.band(band)) {
        p.setPen(QPen(kSelectionRim, 1, Qt::DashLine));
        p.setBrush(QColor(255, 212, 59, 40));
        p.drawRect(windowRect(band));
    }
    p.restore();
}

void MainWindowRenderer::drawDiyStrip(QPainter& p, const RenderInput& in) {
    const MainWindowModel& model = *in.model;
    const DeviceImage& image = *in.image;
    if (!model.diyMapShown(image)) return;
    const DiyPaintModel& diy = model.diy();
    const int shown = diyMapOf(image);
    for (const DiyTool& t : diyTools()) {
        const QRect rect = windowRect(t.rect);
        if (t.id == kDiySecondId) {
            drawSwatch(p, t.rect, rgbColour(diy.second()));
            continue;
        }
        if (t.id >= kDiyMapBase) {
            const int map = t.id - kDiyMapBase;
            const QRect thumb = windowRect(diyThumbnailRect(map));
            drawSkinTextIn(p, diyText("DIY 灯效 %1").arg(map + 1), QRect(rect.left(), rect.top(), rect.width(), 12), 11,
                           m_textScale, Qt::AlignLeft | Qt::AlignVCenter);
            p.fillRect(thumb, QColor(0x14, 0x15, 0x18));
            // Each key as a small block in its colour, the keyboard's shape.
            const qreal sx = qreal(thumb.width()) / kDiyPictureWidth;
            const qreal sy = qreal(thumb.height()) / (kDiyPictureTop + kDiyPictureHeight);
            for (int slot : diyPaintableSlots()) {
                const KeyRect& r = KeyGeometry[static_cast<size_t>(slot)].rect;
                const Rgb c = diyKeyColour(image, map, slot);
                p.fillRect(QRectF(thumb.left() + r.left * sx, thumb.top() + r.top * sy, (r.right - r.left) * sx - 0.5,
                                  (r.bottom - r.top) * sy - 0.5),
                           c.black() ? QColor(0x3A, 0x3D, 0x44) : rgbColour(c));
            }
            if (map == shown) drawFrame(p, thumb.left() - 1, thumb.top() - 1, thumb.width() + 1, thumb.height() + 1);
            continue;
        }
        const bool pending = (t.id == kDiyCopyId && diy.pendingMapOperation() == DiyPaintModel::MapOperation::Copy) ||
                             (t.id == kDiySwapId && diy.pendingMapOperation() == DiyPaintModel::MapOperation::Swap);
        p.fillRect(rect, pending || diy.pressedTool() == t.id ? kToolPressed : kToolFace);
        const QString label = t.id == kDiyZoneId ? diyText("区域：%1").arg(diyText(diyZoneLabel(diy.zone())))
                                                 : diyText(t.label);
        drawSkinTextIn(p, label, rect, 12, m_textScale);
    }
}

void MainWindowRenderer::drawPanel(QPainter& p, const RenderInput& in) {
    const MainWindowModel& model = *in.model;
    const DeviceImage& image = *in.image;
    const PanelState& panel = model.panel();
    const PanelLayout l = model.layout();

    drawHeader(p, model, kHitLightingHeader, QStringLiteral("itemBK.png"), 110);
    drawBarLabel(p, tr("灯光"), kPanelTextX, 110, kBarTextRight);
    if (!panel.lightingCollapsed) drawLightingSection(p, in);

    drawImage(p, QStringLiteral("MacroManagementBK.png"), 19, l.macroY);
    const QString macro = QStringLiteral("MacroButton3.png");
    drawButton(p, model, kHitMacroManager, {macro, variant(macro, "over"), variant(macro, "down")}, 19, l.macroY + 10);
    const int macroDown = model.pressed(kHitMacroManager) ? 1 : 0;
    drawBarLabel(p, tr("宏管理器"), kPanelTextX, l.macroY + 10 + macroDown, kBarTextRight);

    const int yg = l.gameModeY;
    if (panel.gameModeCollapsed) {
        drawHeader(p, model, kHitGameModeHeader, QStringLiteral("gamemode_Close.png"), yg);
        drawBarLabel(p, tr("游戏模式"), kPanelTextX, yg, kSplitX - 4);
        drawBarLabel(p, tr("Win Lock模式"), kSplitTextX, yg, kBarTextRight);
    } else {
        const QString on = QStringLiteral("Enable.png"), off = QStringLiteral("Disable.png");
        drawHeader(p, model, kHitGameModeHeader, QStringLiteral("gamemode_open.png"), yg);
        drawBarLabel(p, tr("游戏模式"), kPanelTextX, yg, kSplitX - 4);
        drawImage(p, image.gameMode == 1 ? on : off, 34, yg + 33);
        drawImage(p, image.gameMode == 1 ? off : on, 88, yg + 33);
        drawText(p, tr("开启"), 51, yg + 31, 15);
        drawText(p, tr("关闭"), 105, yg + 31, 15);
        drawBarLabel(p, tr("Win Lock模式"), kSplitTextX, yg, kBarTextRight);
        drawImage(p, image.winLock == 1 ? on : off, 164, yg + 33);
        drawImage(p, image.winLock == 1 ? off : on, 218, yg + 33);
        drawText(p, tr("开启"), 181, yg + 31, 15);
        // The right half is narrower than the left: its last label moves in
        // as far as it must to stay inside the panel.
        const QString offLabel = tr("关闭");
        drawText(p, offLabel, qMin(235, kPanelTextRight - QFontMetrics(skinFont(15)).horizontalAdvance(offLabel)), yg + 31, 15);
    }

    const int yr = l.responseY;
    if (panel.responseCollapsed) {
        drawHeader(p, model, kHitResponseHeader, QStringLiteral("responsetime_close.png"), yr);
        drawBarLabel(p, tr("按键响应时间"), kPanelTextX, yr, kBarTextRight);
    } else {
        drawHeader(p, model, kHitResponseHeader, QStringLiteral("responsetime_open.png"), yr);
        drawBarLabel(p, tr("按键响应时间"), kPanelTextX, yr, kBarTextRight);
        drawImage(p, QStringLiteral("Light_Item.png"), 28, yr + 28);
        drawText(p, QStringLiteral("%1 ms").arg(image.responseTime * 2), 100, yr + 28, 15);
    }

    const int yp = l.reportY;
    const QString report =
        panel.reportCollapsed ? QStringLiteral("reportrate_Close.png") : QStringLiteral("reportrate_Open.png");
    drawHeader(p, model, kHitReportHeader, report, yp);
    drawBarLabel(p, tr("USB报告率"), kPanelTextX, yp, kBarTextRight);
    if (!panel.reportCollapsed) drawSlider(p, in.report);

    drawLists(p, in);
}

void MainWindowRenderer::drawHeader(QPainter& p, const MainWindowModel& model, int code, const QString& image, int y) {
    // The section's image, and under the pointer its bar lit ("-over": the
    // bar alone, drawn over the image's top).
    drawImage(p, image, 19, y);
    if (model.hovered(code)) drawImage(p, variant(image, "over"), 19, y);
}

void MainWindowRenderer::drawLists(QPainter& p, const RenderInput& in) {
    const PanelState& panel = in.model->panel();
    if (panel.effectListOpen) {
        for (int i = 0; i < kEffectRows; ++i) {
            const int y = kEffectListTop + kListRowHeight * i;
            p.fillRect(28, y, 220, kListRowHeight, panel.effectHoverRow == i ? kListHoverColour : kListRowColour);
            drawText(p, panelText(LedEffectTable[i].name), 28, y, 18);
        }
    }
    if (panel.responseListOpen) {
        const int top = in.model->layout().responseListTop;
        for (int i = 0; i < kResponseRows; ++i) {
            const int y = top + kListRowHeight * i;
            p.fillRect(27, y, 220, kListRowHeight, panel.responseHoverRow == i ? kListHoverColour : kListRowColour);
            drawText(p, u8(ResponseTimeNames[i]), 97, y, 18);
        }
    }
}

void MainWindowRenderer::drawHelp(QPainter& p, const RenderInput& in) {
    if (!in.model->helpOpen()) return;
    drawImage(p, QStringLiteral("HelpWindow.png"), 830, 22);
    drawText(p, in.webAddress, 850, 25, 15);
    drawText(p, tr("驱动更新"), 850, 50, 15);
    drawText(p, in.versionText, 850, 75, 15);
}

void MainWindowRenderer::drawStatus(QPainter& p, const RenderInput& in, const QSize& size) {
    if (in.noKeyboard) {
        const QRect band(kKeyboardOriginX, 440, size.width() - kKeyboardOriginX - 20, 40);
        p.fillRect(band, QColor(40, 8, 10));
        p.fillRect(QRect(band.left(), band.top(), 3, band.height()), QColor(196, 22, 28));
        drawText(p, tr("系统没有检测到游戏键盘！请连接键盘。"), band.left() + 16, band.top() + 3, 18);
        // Where the keyboard is there but cannot be reached, the check says why.
        drawSkinText(p, tr("运行 vandrelctl doctor 查看原因。"), band.left() + 16, band.top() + 22, 14,
                     QColor(192, 192, 192));
    }
    if (in.busy) {
        // A thin bar along the bottom edge, filled as the transfer goes on.
        const int barHeight = 4;
        const QRect track(0, size.height() - barHeight, size.width(), barHeight);
        p.fillRect(track, QColor(30, 32, 38));
        if (in.progressTotal > 0) {
            const int w = static_cast<int>(static_cast<qint64>(size.width()) * in.progressDone / in.progressTotal);
            p.fillRect(QRect(0, track.top(), w, barHeight), QColor(196, 22, 28));
        }
        if (!in.busyText.isEmpty()) drawText(p, in.busyText, 560, 612, 16);
    }
}

}  // namespace vandrel
