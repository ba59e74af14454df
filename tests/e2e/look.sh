#!/usr/bin/env bash
# The main window as it is drawn, compared with a reference picture: a layout or painting fault
# shows. With --update the reference is made anew (after an intended change of the look).
source "$(dirname "$0")/lib.sh"
screenshot=${2:?usage: look.sh ZVONMAT SCREENSHOT [--update]}
reference="$(dirname "$0")/reference/main-window.png"

start_dialler
sleep 0.5
"${E2E_AS_USER[@]}" "$screenshot" grab "$WIN" "$E2E_TMP/main-window.png" || fail "no screenshot"
if [ "${3:-}" = --update ]; then
  mkdir -p "$(dirname "$reference")"
  cp "$E2E_TMP/main-window.png" "$reference"
  exit 0
fi
"$screenshot" compare "$reference" "$E2E_TMP/main-window.png" 150 ||
  fail "the main window looks different from $reference"
