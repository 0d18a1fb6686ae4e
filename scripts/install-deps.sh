#!/usr/bin/env bash
# Installs the Debian 12 packages Vandrel needs. Only what is missing is
# installed; needs root or sudo for that.
#   ./scripts/install-deps.sh --run   what building and running the program need
#   ./scripts/install-deps.sh         that, and what the tests, benchmarks,
#                                     fuzz targets and checkers need
set -euo pipefail

# Building and running the program.
RUN_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev            # windows, drawing, PNG, tray, dialogs
  qt6-wayland                       # Qt's Wayland platform (GNOME's default session)
  libwayland-dev wayland-protocols  # the compositor's shortcut inhibition and
  qt6-base-private-dev              #   window activation (Qt's native interface)
  qt6-l10n-tools                    # lrelease: the English translation built into the program
  qt6-translations-l10n             # Qt's own dialogs in Chinese
  libhidapi-dev                     # HID access (hidraw backend)
  libudev-dev                       # device arrival and removal
  libxkbcommon-dev xkb-data         # keyboard layouts: key legends and typed text in the user's layout
  libxkbcommon-x11-dev              # the X server's active layout, followed live
  libxcb1-dev                       # the focused window on X11 (profiles per application)
  libre2-dev                        # window-title patterns of the switching rules, matched in
                                    #   linear time whatever the pattern and the title
  libwayland-bin                    # wayland-scanner: the layout a Wayland compositor sends, the
                                    # focused window on wlroots compositors
  fonts-liberation2 fonts-wqy-microhei
  xdg-utils
)

# The tests, benchmarks, fuzz targets and the package's checkers.
TEST_PACKAGES=(
  clang libclang-rt-14-dev          # libFuzzer targets
  libgtest-dev libgmock-dev
  desktop-file-utils appstream      # validators of the desktop entry and metainfo
  xvfb xauth                        # headless windows for checks and screenshots
  x11-xkb-utils                     # setxkbmap: the layout test switches an Xvfb's layout
  libxtst-dev                       # the recording benchmark types through XTest
  libbenchmark-dev                  # Google Benchmark: the profile-switch benchmark
  dbus-daemon                       # a private session bus for the D-Bus tests
  at-spi2-core python3-pyatspi      # the screen reader's walk through the dialogs (reader-walk.py)
  weston                            #   and the same walk on Wayland
  python3-dbusmock                  # the login manager and screen savers the session-lighting test drives
  nodejs                            # runs the KWin script and Shell extension in their tests
)

case "${1:-}" in
  --run) PACKAGES=("${RUN_PACKAGES[@]}") ;;
  "" | --all) PACKAGES=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 [--run|--all]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
