#include "app/ui/WindowSliders.h"

#include <QCoreApplication>
#include <QWidget>

#include "config/Settings.h"
#include "controls/CBitSlider.h"

namespace vandrel {

namespace {
int indexOf(int controlId) { return controlId == kSpeedSliderId ? 0 : controlId == kBrightnessSliderId ? 1 : 2; }

void place(CBitSlider* s, const QString& skins, int id, int x, int y, int maximum) {
    s->setControlId(id);
    s->setThumbTop(0);
    s->setGeometry(x, y, 30, 10);
    s->setUpSkin(skins);
    s->setRange(0, maximum);
    s->setSingleStep(1);
    s->setPageStep(1);
}
}  // namespace

WindowSliders::WindowSliders(QWidget* window, QString skinFolder)
    : m_skinFolder(std::move(skinFolder)),
      m_speed(new CBitSlider(window)),
      m_brightness(new CBitSlider(window)),
      m_report(new CBitSlider(window)) {
    for (CBitSlider* s : {m_speed, m_brightness, m_report}) s->hide();
    m_report->valueText = [](int v) {
        return QCoreApplication::translate("vandrel::CTarvinDlg", "%1 Hz").arg(config::reportRateHz(static_cast<uint8_t>(v)));
    };
    m_report->valueNumber = [](int v) { return config::reportRateHz(static_cast<uint8_t>(v)); };
}

void WindowSliders::setUp(const std::function<void()>& afterBrightness) {
    place(m_speed, m_skinFolder, kSpeedSliderId, kSliderX, kSpeedSliderY, 9);
    place(m_brightness, m_skinFolder, kBrightnessSliderId, kSliderX, kBrightnessSliderY, 50);
    m_brightness->setValue(1);
    if (afterBrightness) afterBrightness();
    place(m_report, m_skinFolder, kReportSliderId, kSliderX, kReportSliderInitialY, 3);
    m_report->setValue(1);
}

CBitSlider* WindowSliders::slider(int controlId) const {
    if (controlId == kSpeedSliderId) return m_speed;
    if (controlId == kBrightnessSliderId) return m_brightness;
    return m_report;
}

int WindowSliders::idOf(const QWidget* widget) const {
    for (int id : {kSpeedSliderId, kBrightnessSliderId, kReportSliderId})
        if (slider(id) == widget) return id;
    return -1;
}

uint8_t& WindowSliders::byteOf(int controlId, DeviceImage& image) {
    if (controlId == kSpeedSliderId) return image.ledSpeed;
    if (controlId == kBrightnessSliderId) return image.ledBrightness;
    return image.reportRate;
}

void WindowSliders::setFromImage(const DeviceImage& image) {
    m_brightness->setValue(image.ledBrightness);
    m_speed->setValue(image.ledSpeed);
    m_report->setValue(image.reportRate);
}

void WindowSliders::applyPlan(const SliderPlan& plan) {
    if (plan.reportMoved) {
        m_report->setGeometry(kSliderX, plan.reportTop, 30, 10);
        m_report->setUpSkin(m_skinFolder);
    }
    m_speed->setVisible(plan.speedShown);
    m_brightness->setVisible(plan.brightnessShown);
    m_report->setVisible(plan.reportShown);
}

void WindowSliders::setEnabled(bool on) {
    for (CBitSlider* s : {m_speed, m_brightness, m_report}) s->setEnabled(on);
}

SliderView WindowSliders::view(int controlId, bool drawn, DeviceImage* image) const {
    SliderView v;
    v.drawn = drawn;
    if (!drawn) return v;
    const CBitSlider* s = slider(controlId);
    v.position = s->value();
    if (image) {
        uint8_t& byte = byteOf(controlId, *image);
        byte = sliderValue(byte, v.position, s->maximum());
    }
    v.rect = s->geometry();
    v.thumbX = s->thumbX();
    v.thumbY = s->thumbY();
    return v;
}

bool WindowSliders::moved(int controlId, DeviceImage& image) {
    const CBitSlider* s = slider(controlId);
    int& last = m_lastMoved[static_cast<size_t>(indexOf(controlId))];
    if (s->value() == last) return false;
    uint8_t& byte = byteOf(controlId, image);
    byte = sliderValue(byte, s->value(), s->maximum());
    last = s->value();
    return true;
}

}  // namespace vandrel
