#!/usr/bin/env bash
# `cmake --install` into a scratch prefix puts the programs, the desktop entry with its icon, the
# help file and the journal's file type there; the dialler starts from its desktop entry's
# command; the uninstall target leaves the prefix empty.
build=${1:?usage: install.sh BUILD_DIR}
source "$(dirname "$0")/../e2e/lib.sh"

prefix="$E2E_TMP/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "install"
for file in bin/zvonmat bin/zvonmat-modemsim share/applications/zvonmat.desktop \
  share/icons/hicolor/48x48/apps/zvonmat.png share/zvonmat/zvonmat.hlp \
  share/mime/packages/zvonmat-journal.xml; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/zvonmat.desktop" || fail "desktop entry"
fi
if command -v update-mime-database >/dev/null; then
  grep -q 'x-zvonmat-journal' "$prefix/share/mime/globs2" || fail "journal type not registered"
fi

# The desktop entry's command, run as a launcher would (the prefix's programs on the PATH).
start_xvfb
command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/zvonmat.desktop")
mkdir -p "$E2E_TMP/home" "$E2E_TMP/xdg"
(cd "$E2E_TMP/home" && exec env PATH="$prefix/bin:$PATH" XDG_CONFIG_DIRS="$E2E_TMP/xdg" $command) &
DIALLER_PID=$!
E2E_PIDS+=("$DIALLER_PID")
WIN=$(wait_for_window "$DIALLER_PID")
read -r WIN_X WIN_Y < <(window_position "$WIN")
click_at 124 316
[ "$(wait_for_exit "$DIALLER_PID")" = 0 ] || fail "exit status"

cmake --build "$build" --target uninstall >/dev/null || fail "uninstall"
left=$(cd "$prefix" && find . -mindepth 1)
[ -z "$left" ] || fail "left behind: $left"
