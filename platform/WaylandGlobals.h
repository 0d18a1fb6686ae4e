#pragma once
// Whether the Wayland compositor of this session (WAYLAND_DISPLAY) offers a
// global of one of the given interface names, asked on a connection of its
// own: for the doctor and for what the settings say works here, without Qt's
// platform.

#include <initializer_list>

namespace vandrel {

bool waylandOffersAnyOf(std::initializer_list<const char*> interfaces);

}  // namespace vandrel
