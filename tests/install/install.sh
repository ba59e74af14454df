#!/usr/bin/env bash
# `cmake --install` into a scratch prefix puts the programs, the launcher, the desktop entries with
# their icon, the manual pages, the help file, the software centre's description and the journal's
# file type there, and the desktop metadata validates; the dialler starts from its desktop entry's
# command in the user's data directory, which the launcher creates; the uninstall target leaves the
# prefix empty. The prefix holds a blank, which the entry's command must quote.
build=${1:?usage: install.sh BUILD_DIR SOURCE_DIR}
source_dir=${2:?usage: install.sh BUILD_DIR SOURCE_DIR}
source "$(dirname "$0")/../e2e/lib.sh"

prefix="$E2E_TMP/scratch prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "install"
for file in bin/zvonmat bin/zvonmat-journal bin/zvonmat-modem bin/zvonmat-modemsim \
  libexec/zvonmat/zvonmat-launcher share/applications/zvonmat.desktop \
  share/applications/zvonmat-journal.desktop share/applications/zvonmat-modem.desktop \
  share/icons/hicolor/48x48/apps/zvonmat.png share/zvonmat/zvonmat.hlp \
  share/mime/packages/zvonmat-journal.xml share/metainfo/org.example.zvonmat.metainfo.xml \
  share/man/man1/zvonmat.1 share/man/man1/zvonmat-journal.1 share/man/man1/zvonmat-modemsim.1 \
  share/man/ru/man1/zvonmat.1 share/man/ru/man1/zvonmat-journal.1 \
  share/man/man1/zvonmat-modem.1 share/man/ru/man1/zvonmat-modem.1; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$prefix/share/applications/zvonmat.desktop" \
  "$prefix/share/applications/zvonmat-journal.desktop" \
  "$prefix/share/applications/zvonmat-modem.desktop" || fail "desktop entries"
# Offline: the screenshot's address is not fetched.
appstreamcli validate --no-net --strict "$prefix/share/metainfo/org.example.zvonmat.metainfo.xml" ||
  fail "software centre description"
if command -v update-mime-database >/dev/null; then
  grep -q 'x-zvonmat-journal' "$prefix/share/mime/globs2" || fail "journal type not registered"
fi
if command -v update-desktop-database >/dev/null; then
  grep -q 'text/x-zvonmat-journal=zvonmat-journal.desktop' \
    "$prefix/share/applications/mimeinfo.cache" ||
    fail "the viewer is not the journal's handler"
fi

# The program, the description and the package name one version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.example.zvonmat.metainfo.xml" ||
  fail "the description has no release $version"
head -n 1 "$source_dir/debian/changelog" | grep -q "^zvonmat ($version)" ||
  fail "debian/changelog does not start at version $version"

# The desktop entry's command as the desktop runs it: the quotes and escapes of the Exec key
# undone, by an ordinary user, in whatever directory; once with the default data directory and
# once with XDG_DATA_HOME set. Each time the quick-dial list written at exit lands in the data
# directory, which only the user may enter.
start_xvfb
exec_key=$(sed -n 's/^Exec=//p' "$prefix/share/applications/zvonmat.desktop")
eval "command=(${exec_key//\\\\/\\})"
home="$E2E_TMP/home"
mkdir -p "$home" "$E2E_TMP/xdg"
for data_home in "" "$E2E_TMP/data"; do
  give_to_user
  (cd / && exec "${E2E_AS_USER[@]}" env -u XDG_DATA_HOME HOME="$home" \
    ${data_home:+XDG_DATA_HOME="$data_home"} XDG_CONFIG_DIRS="$E2E_TMP/xdg" "${command[@]}") &
  DIALLER_PID=$!
  E2E_PIDS+=("$DIALLER_PID")
  WIN=$(wait_for_window "$DIALLER_PID")
  read -r WIN_X WIN_Y < <(window_position "$WIN")
  # The pointer still rests where the last run's exit button was, and a synchronous move to where
  # it already is waits in vain for it to move.
  xdotool mousemove 0 0
  click_at 124 316
  wait_for_exit "$DIALLER_PID"
  [ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
  data="${data_home:-$home/.local/share}/zvonmat"
  [ -f "$data/zvonmat.lst" ] || fail "no quick-dial list in $data"
  [ "$(stat -c %a "$data")" = 700 ] || fail "$data has mode $(stat -c %a "$data")"
done
[ -z "$(find "$home" -maxdepth 1 -name 'zvonmat*')" ] || fail "data files in the home directory"

cmake --build "$build" --target uninstall >/dev/null || fail "uninstall"
left=$(cd "$prefix" && find . -mindepth 1)
[ -z "$left" ] || fail "left behind: $left"
