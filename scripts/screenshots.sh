#!/usr/bin/env bash
# Draws every screenshot the README shows, from the demo on its simulated
# keyboard in its factory state, headless (Qt's offscreen platform).
#   ./scripts/screenshots.sh [BUILD]          writes docs/screenshot*.png
#   ./scripts/screenshots.sh --check [BUILD]  draws them into a temporary folder
#                                             and fails when one differs from the
#                                             committed picture beyond a small
#                                             tolerance (BUILD/tests/screenshots/
#                                             image-compare)
# BUILD is the build folder (default: build). The demo runs from a copy of its
# folder, with a settings, data and runtime folder of its own, so that neither
# a running program nor the demo's saved keyboard is touched.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
build=$(cd "${1:-build}" && pwd)
demo="$build/demo"
compare="$build/tests/screenshots/image-compare"
if [ ! -x "$demo/Vandrel" ]; then
  echo "screenshots: $demo/Vandrel is not built" >&2
  exit 2
fi
if [ $check -eq 1 ] && [ ! -x "$compare" ]; then
  echo "screenshots: $compare is not built (the test build has it)" >&2
  exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/program" "$scratch/config" "$scratch/data" "$scratch/runtime" "$scratch/out"
chmod 700 "$scratch/runtime"
cp -r "$demo/Vandrel" "$demo/VER.bin" "$demo/png" "$scratch/program/"
[ -d "$demo/desktop" ] && cp -r "$demo/desktop" "$scratch/program/"

# The panel open at lighting (with the effect list), game mode and report rate.
clicks="100,115;100,165;100,195;100,395;100,490"
# The painting tools on the first custom map: the lighting section open at
# DIY 1; palette colour 1 as a gradient to blue over the whole map, colour 3
# on WASD and the arrows, colour 6 on Esc and Enter; the map copied to map 3.
diy="100,115;100,165;100,403;63,233;622,493;113,233;447,493;447,493;447,493;542,493;447,493;542,493"
diy="$diy;188,233;361,242;683,321;839,519;553,540"
# file, language, scale, clicks (default: the panel)
shots=(
  "screenshot.png zh 1"
  "screenshot-en.png en 1"
  "screenshot-150.png zh 1.5"
  "screenshot-200.png zh 2"
  "screenshot-diy.png en 1 $diy"
  "screenshot-diy-200.png en 2 $diy"
)

out=docs
[ $check -eq 1 ] && out="$scratch/out"
failed=0
for shot in "${shots[@]}"; do
  read -r file lang scale shotclicks <<<"$shot"
  env -u DISPLAY -u WAYLAND_DISPLAY \
    XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/runtime" \
    VANDREL_LANG="$lang" QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORM=offscreen \
    VANDREL_DEMO_SCREENSHOT="$out/$file" VANDREL_DEMO_CLICKS="${shotclicks:-$clicks}" \
    timeout 60 "$scratch/program/Vandrel" --factory-demo
  if [ ! -s "$out/$file" ]; then
    echo "screenshots: the demo drew no $file" >&2
    failed=1
    continue
  fi
  if [ $check -eq 1 ]; then
    if ! "$compare" "docs/$file" "$out/$file"; then
      echo "screenshots: docs/$file is stale; run ./scripts/screenshots.sh $build and commit the pictures" >&2
      failed=1
    fi
  else
    echo "wrote docs/$file"
  fi
done
exit $failed
