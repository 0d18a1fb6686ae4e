#pragma once
// Composes the whole main window off screen from the skin images: the window
// buttons, the keyboard picture with its highlighted or coloured keys, the
// bottom buttons, the lighting and performance panel with its sliders, and the
// help popup. The window shows the result with one copy.

#include <QCoreApplication>
#include <QImage>
#include <QRect>
#include <QString>
#include <array>

#include "theme/SkinCache.h"
#include "app/model/MainWindowModel.h"
#include "keymap/KeyRecord.h"

class QPainter;

namespace vandrel {

// A slider as the composition paints it.
struct SliderView {
    bool drawn = false;
    QRect rect;       // the slider's window rectangle in main-window coordinates
    int thumbX = 0;   // thumb offset reported by the slider
    int thumbY = 0;
    int position = 0;
};

struct RenderInput {
    const MainWindowModel* model = nullptr;
    const DeviceImage* image = nullptr;
    const ReassignedFlags* reassigned = nullptr;
    SliderView speed, brightness, report;
    QString webAddress;
    QString versionText = QStringLiteral("Ver: 1.1");
    bool noKeyboard = false;  // no keyboard and nowhere to hide: say so
    bool busy = false;        // a transfer runs: show its progress
    int progressDone = 0;
    int progressTotal = 0;
    QString busyText;
    // What Save would write ("未保存：…"); empty when nothing differs from the
    // keyboard, and the bottom line shows its usual hint.
    QString pendingText;
    // Each key's legend in the desktop's keyboard layout where it differs
    // from the printed one ("\n" between two lines); empty entries, or none,
    // keep the picture's legends.
    const std::array<QString, kPhysicalSlots>* legends = nullptr;
    // The element that has the keyboard's focus, marked; empty: no mark.
    QRect focusRect;
    // Only this area of the frame is composed again (the rest is kept from
    // the last composition of a frame of the same size); empty: all of it.
    QRect clip;
};

// A button's skin in its three states: normal, under the pointer, pressed.
struct ButtonLook {
    QString normal, over, down;
};

// Skin file names of the slider bitmaps.
inline const QString kEmptyTrackImage = QStringLiteral("bmp139.png");
inline const QString kFilledTrackImage = QStringLiteral("bmp140.png");
inline const QString kThumbImage = QStringLiteral("Thumb.png");
// The keyboard picture and its lit twin with blank caps, on which a key's
// legend in the desktop's layout is written.
inline const QString kBlankKeyboardImage = QStringLiteral("kb_BK_caps.png");
inline const QString kBlankLitKeyboardImage = QStringLiteral("kb_hl_caps.png");

class MainWindowRenderer {
    // tr(): the texts of the window's fixed skin areas, in the chosen language.
    Q_DECLARE_TR_FUNCTIONS(vandrel::MainWindowRenderer)

public:
    explicit MainWindowRenderer(SkinCache& skins) : m_skins(skins) {}
    // The desktop font's size against the usual one (desktopTextScale): the
    // captions and the section labels grow with it where they have room.
    void setTextScale(qreal scale) { m_textScale = scale; }

    // The window's size: that of "main.png", or 1000 x 640 without it.
    QSize windowSize();
    // Draws everything into `frame` (resized to the window when needed).
    void compose(QImage& frame, const RenderInput& in);

    // Drawing primitives, in window coordinates.
    void drawImage(QPainter& p, const QString& name, int x, int y);
    static void drawText(QPainter& p, const QString& text, int x, int y, int height);
    // One-pixel white outline from (x, y) to (x + width, y + height).
    static void drawFrame(QPainter& p, int x, int y, int width, int height);

private:
    void drawButton(QPainter& p, const MainWindowModel& model, int code, const ButtonLook& look, int x, int y);
    void drawCaption(QPainter& p, const MainWindowModel& model, int code, const QString& text, int buttonX, int buttonY);
    void drawBarLabel(QPainter& p, const QString& text, int x, int y, int right);
    void drawHeader(QPainter& p, const MainWindowModel& model, int code, const QString& image, int y);
    void drawKeyOverlay(QPainter& p, const RenderInput& in);
    void drawLayoutLegends(QPainter& p, const RenderInput& in);
    // The legend a key shows instead of its printed one; null for none.
    const QString* layoutLegend(const RenderInput& in, int slot) const;
    void highlightKey(QPainter& p, const QImage& lit, int slot, const RenderInput& in);
    void drawKeyHover(QPainter& p, int slot);
    // The painting tools: the brush and its colours in the lighting section,
    // the selection on the keys, the buttons and the maps under the picture.
    void drawDiyPanel(QPainter& p, const RenderInput& in);
    void drawDiyMarks(QPainter& p, const RenderInput& in);
    void drawDiyStrip(QPainter& p, const RenderInput& in);
    void drawPanel(QPainter& p, const RenderInput& in);
    void drawLightingSection(QPainter& p, const RenderInput& in);
    void drawSlider(QPainter& p, const SliderView& s);
    void drawLists(QPainter& p, const RenderInput& in);
    void drawHelp(QPainter& p, const RenderInput& in);
    void drawStatus(QPainter& p, const RenderInput& in, const QSize& size);

    SkinCache& m_skins;
    qreal m_textScale = 1;
};

}  // namespace vandrel
