#pragma once
// The Linux input (evdev) code of each key the key-name table knows, and
// back. X11 and Wayland report a key as its evdev code + 8, so this is how a
// physical key pressed on the desktop becomes a virtual-key code, and how a
// keyboard layout (which is written per evdev code) is asked what a
// virtual-key code's key types.

#include <cstdint>

namespace vandrel {

// The virtual-key code of the key with this evdev code; 0 for a key the
// key-name table cannot name.
uint8_t vkFromEvdev(uint16_t evdev);
// The evdev code of the physical key behind a virtual-key code; 0 for none.
// The media-player key has two evdev codes; this gives the first.
uint16_t evdevFromVk(uint8_t vk);

}  // namespace vandrel
