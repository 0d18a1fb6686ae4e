#pragma once
// The main window's three sliders (lighting speed, brightness, report rate):
// skinned controls over the drawn window, each editing one byte of the
// configuration. The window's drawing plan says which show and where the
// report-rate slider sits.

#include <QString>
#include <array>
#include <functional>

#include "app/model/MainWindowModel.h"
#include "app/draw/MainWindowRenderer.h"
#include "device/DeviceImage.h"

class QWidget;

namespace vandrel {

class CBitSlider;

class WindowSliders {
public:
    WindowSliders(QWidget* window, QString skinFolder);

    // Ranges, places and skins; `afterBrightness` runs between the
    // brightness and the report-rate slider, as start-up expects.
    void setUp(const std::function<void()>& afterBrightness);

    // The slider with a control id (the report rate's for an unknown id).
    CBitSlider* slider(int controlId) const;
    // The control id of a slider, or -1 when `widget` is none of them.
    int idOf(const QWidget* widget) const;
    static bool isSliderId(int id) { return id == kSpeedSliderId || id == kBrightnessSliderId || id == kReportSliderId; }

    // The sliders show the configuration's values.
    void setFromImage(const DeviceImage& image);
    void applyPlan(const SliderPlan& plan);
    void setEnabled(bool on);

    // What the renderer draws of a slider. When `image` is given, the
    // slider's position is read into its byte.
    SliderView view(int controlId, bool drawn, DeviceImage* image) const;
    // A slider moved: its byte follows. False when it has not moved since
    // it was last read this way.
    bool moved(int controlId, DeviceImage& image);

private:
    static uint8_t& byteOf(int controlId, DeviceImage& image);

    QString m_skinFolder;
    CBitSlider* m_speed;
    CBitSlider* m_brightness;
    CBitSlider* m_report;
    std::array<int, 3> m_lastMoved{};
};

}  // namespace vandrel
