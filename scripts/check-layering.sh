#!/usr/bin/env bash
# Checks the rooms' include lines (docs/ARCHITECTURE.md): a room includes
# only rooms below it. Prints each offending line and exits 1 if any.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
# forbid FOLDER PATTERN WHY [EXCLUDE]: no file under FOLDER (but those
# matching EXCLUDE) has an include line matching PATTERN.
forbid() {
  local folder=$1 pattern=$2 why=$3 exclude=${4:-} hits
  [ -d "$folder" ] || return 0
  hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($pattern)" "$folder" \
           --include='*.h' --include='*.cpp' ${exclude:+--exclude="$exclude"} || true)
  if [ -n "$hits" ]; then
    echo "$why:"
    echo "$hits"
    status=1
  fi
}
core='util device keys keymap macro profile layout update config'
for room in $core; do
  # The JSON format alone reads and writes with Qt Core's JSON classes.
  forbid "$room" 'Q[A-Za-z]+|QtCore|QtGui|QtWidgets' "$room/ is plain C++ without Qt" 'ConfigJson.*'
  forbid "$room" 'QtGui|QtWidgets|QWidget|QImage|QPainter' "$room/ draws nothing"
  forbid "$room" 'app/|cli/|platform/|controls/|theme/|sim/' "$room/ is a core room: it calls no room above it"
done
forbid app 'cli/' "app/ is not built on the command-line tool"
forbid app/model 'Q[A-Za-z]+|app/ui/|app/draw/|app/service/|app/frontends/' "app/model is Qt-free and below the service"
forbid app/service 'QWidget|QApplication|QDialog|QMessageBox|app/ui/|app/frontends/' "the service has no widgets and no front end"
forbid app/frontends 'QWidget|QApplication|QDialog|QMessageBox|app/ui/' "a front end does not reach into the window"
forbid platform 'app/|cli/' "platform/ is below the application"
exit $status
