#!/usr/bin/env bash
# Collects the program's texts (Chinese, in tr() and the marked tables) into
# translations/vandrel_en.ts for the English translation; run it after adding
# or changing a text, then translate the new entries (Qt Linguist or an editor).
# With a file name it updates that copy instead (the tests check that nothing
# would change).
set -euo pipefail
cd "$(dirname "$0")/.."
TS=${1:-translations/vandrel_en.ts}
LUPDATE=${LUPDATE:-$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}
dirs=()
for d in app controls platform skins keys keymap macro profile update cli config; do
  [ -d "$d" ] && dirs+=("$d")
done
"$LUPDATE" -silent -locations none -no-obsolete -source-language zh_CN -target-language en \
  -tr-function-alias QT_TRANSLATE_NOOP+=VANDREL_TR_NOOP,QT_TRANSLATE_NOOP+=VANDREL_TR_NOOP16,QT_TRANSLATE_N_NOOP+=VANDREL_TR_N_NOOP -I . \
  "${dirs[@]}" -ts "$TS"
