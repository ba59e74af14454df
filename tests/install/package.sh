#!/usr/bin/env bash
# The Debian package as a user gets it: scripts/package builds it from a clean copy of the tree;
# lintian finds no error or warning in it; `apt install ./zvonmat_*.deb` installs it; started from
# its desktop entry's command, as an ordinary user with a fresh home, the dialler works in
# ~/.local/share/zvonmat; xdg-open hands a journal to the journal viewer; `apt remove` leaves
# nothing of the package behind.
#
# Installing needs root or password-less sudo: without either the test is skipped (exit 77). It is
# skipped too where a zvonmat package is installed already, which it would replace and remove.
source_dir=${1:?usage: package.sh SOURCE_DIR}
skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || skip "installing a package needs root or password-less sudo"
  as_root=(sudo -n)
fi
if dpkg-query -W -f='${db:Status-Abbrev}' zvonmat 2>/dev/null | grep -q '^.[^n]'; then
  skip "a zvonmat package is installed on this machine; this test would replace and remove it"
fi

source "$(dirname "$0")/../e2e/lib.sh"

# The package, built as the user that runs the test.
debs="$E2E_TMP/debs"
"$source_dir/scripts/package" "$debs" >"$E2E_TMP/package.log" 2>&1 ||
  { tail -n 40 "$E2E_TMP/package.log" >&2; fail "scripts/package"; }
deb=$(find "$debs" -name 'zvonmat_*.deb')
[ "$(echo "$deb" | wc -l)" = 1 ] && [ -n "$deb" ] ||
  fail "scripts/package made no single zvonmat_*.deb: $deb"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' ||
  fail "the dependencies were not computed from the libraries: $(dpkg-deb -f "$deb" Depends)"

# Warnings the package keeps on purpose are overridden in debian/, with the reason beside each.
lintian --fail-on error,warning --info "$deb" || fail "lintian"

# apt reads a local package as an unprivileged user of its own when it can.
chmod 755 "$E2E_TMP" "$debs"
finish_package() {
  if dpkg-query -W -f='${db:Status-Abbrev}' zvonmat 2>/dev/null | grep -q '^.[^n]'; then
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q zvonmat >/dev/null 2>&1
  fi
  e2e_cleanup
}
trap finish_package EXIT
apt_quietly() {
  (cd "$debs" && "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt "$@" -y -q -o DPkg::Lock::Timeout=120) >"$E2E_TMP/apt.log" 2>&1 ||
    { cat "$E2E_TMP/apt.log" >&2; fail "apt $*"; }
}
apt_quietly install "./$(basename "$deb")"
installed=$(dpkg -L zvonmat)

# The programs and nothing else in the command path; each has its manual page.
programs=$(echo "$installed" | sed -n 's|^/usr/bin/||p' | sort | tr '\n' ' ')
[ "$programs" = "zvonmat zvonmat-journal zvonmat-modem zvonmat-modemsim " ] ||
  fail "programs installed: $programs"
for program in $programs; do
  echo "$installed" | grep -qx "/usr/share/man/man1/$program.1.gz" ||
    fail "no manual page for $program"
done
for file in /usr/libexec/zvonmat/zvonmat-launcher /usr/share/applications/zvonmat.desktop \
  /usr/share/applications/zvonmat-journal.desktop /usr/share/applications/zvonmat-modem.desktop \
  /usr/share/man/ru/man1/zvonmat-modem.1.gz /usr/share/mime/packages/zvonmat-journal.xml \
  /usr/share/metainfo/org.example.zvonmat.metainfo.xml /usr/share/zvonmat/zvonmat.hlp; do
  echo "$installed" | grep -qx "$file" || fail "not installed: $file"
done

# Started as the desktop starts it: the entry's command, run by an ordinary user whose home is new.
start_xvfb
home="$E2E_TMP/home"
mkdir -p "$home" "$E2E_TMP/xdg"
give_to_user
as_user=("${E2E_AS_USER[@]}" env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_DATA_DIRS
  -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION HOME="$home" XDG_CONFIG_DIRS="$E2E_TMP/xdg")
command=$(sed -n 's/^Exec=//p' /usr/share/applications/zvonmat.desktop)
(cd / && exec "${as_user[@]}" $command) &
DIALLER_PID=$!
E2E_PIDS+=("$DIALLER_PID")
WIN=$(wait_for_window "$DIALLER_PID")
check_runs_as_user "$DIALLER_PID"
read -r WIN_X WIN_Y < <(window_position "$WIN")
click_at 124 316  # Выход
wait_for_exit "$DIALLER_PID"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
data="$home/.local/share/zvonmat"
[ -f "$data/zvonmat.lst" ] || fail "no quick-dial list in $data: $(ls -A "$data" 2>&1)"
left=$(find "$home" -maxdepth 1 -name 'zvonmat*')
[ -z "$left" ] || fail "data files in the home directory: $left"

# «Журнал» calls xdg-open on the journal; the viewer is its handler.
# One call, in Windows-1251: "08.12.2026 Номер: 123 Абонент: Иван Время 11:30:00 Длит.: 01:05".
printf '08.12.2026 %b: 123 %b: %b %b 11:30:00 %b: 01:05\r\n' '\315\356\354\345\360' \
  '\300\341\356\355\345\355\362' '\310\342\340\355' '\302\360\345\354\377' '\304\353\350\362.' \
  >"$data/zvonmat.jur"
give_to_user
"${as_user[@]}" xdg-open "$data/zvonmat.jur" >"$E2E_TMP/xdg-open.log" 2>&1 &
xdg_open_pid=$!
E2E_PIDS+=("$xdg_open_pid")
viewer=""
for _ in $(seq 200); do
  viewer=$(xdotool search --onlyvisible --name 'zvonmat\.jur' 2>/dev/null | head -n 1 || true)
  [ -n "$viewer" ] && break
  sleep 0.1
done
[ -n "$viewer" ] || fail "no journal viewer window; xdg-open said: $(cat "$E2E_TMP/xdg-open.log")"
title=$(xdotool getwindowname "$viewer")
[[ $title == *Журнал* ]] || fail "the viewer's title is $title"
viewer_pid=$(xdotool getwindowpid "$viewer")
E2E_PIDS+=("$viewer_pid")
check_runs_as_user "$viewer_pid"
[ "$(readlink "/proc/$viewer_pid/exe")" = /usr/bin/zvonmat-journal ] ||
  fail "the journal opened in $(readlink "/proc/$viewer_pid/exe")"
# Closed before the package goes; xdg-open, which waits for its handler, ends with it.
kill "$viewer_pid"
wait_for_exit "$xdg_open_pid"

# Removed, the package leaves none of its files, and no directory that no other package holds.
apt_quietly remove zvonmat
dpkg-query -W -f='${db:Status-Abbrev}' zvonmat 2>/dev/null | grep -q '^.[^n]' &&
  fail "still known to dpkg: $(dpkg-query -W -f='${db:Status-Abbrev}' zvonmat)"
while IFS= read -r path; do
  if [ "$path" = /. ]; then
    continue
  elif [ -d "$path" ] && [ ! -L "$path" ]; then
    dpkg -S "$path" >/dev/null 2>&1 || fail "directory left behind: $path"
  elif [ -e "$path" ] || [ -L "$path" ]; then
    fail "file left behind: $path"
  fi
done <<<"$installed"
# The file type and its handler went with it.
[ ! -e /usr/share/mime/text/x-zvonmat-journal.xml ] || fail "the journal's file type is still known"
! grep -qs zvonmat /usr/share/applications/mimeinfo.cache || fail "the viewer is still a handler"
exit 0
