#!/usr/bin/env bash
# Makes a package with CPack, unpacks it and runs the program from there on a
# private virtual display: the log starts, all four models load, the window
# shows the scene, and Escape ends the program with exit code 0.
#   native  the tar.gz, through its launcher from another folder; then copied
#           to an /opt-like folder made read-only and started by an ordinary
#           user (nobody) with a home folder of its own.
#   deb     the Debian package: its files, its Depends and desktop entry, then
#           unpacked into an empty root, made read-only and started as nobody
#           with the desktop entry's command.
#   wine    the zip, under Wine in its own folder, as Explorer starts it; the
#           exe's resources and the read-me's CR LF.
# Installed read-only, the launcher runs the program in the user's folders:
# log.txt in the data one, settings.ini copied to the config one and the
# user's to change; a start that fails then ends non-zero with the log's
# failure line on stderr. Each read-me (the Debian package: its Depends) must
# name every library package (Linux) or DLL (Windows) that the program links.
#
# package_test.sh native|deb|wine CPACK CPACK_CONFIG WORK_ROOT   (WALKTHROUGH_VERSION: the project's)
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

[ $# -eq 4 ] || { echo "usage: $(basename "$0") native|deb|wine CPACK CPACK_CONFIG WORK_ROOT" >&2; exit 2; }
kind=$1 cpack=$2 config=$3
E2E_WORK_ROOT=$4
: "${WALKTHROUGH_VERSION:?WALKTHROUGH_VERSION must be the project version}"
case "$kind" in
  native) e2e_require_tools ldd dpkg readelf setpriv; generator=TGZ ;;
  deb) e2e_require_tools ldd dpkg dpkg-deb readelf setpriv; generator=DEB ;;
  wine) e2e_require_tools wine wineserver x86_64-w64-mingw32-objdump strings; generator=ZIP ;;
  *) echo "$(basename "$0"): native, deb or wine, not $kind" >&2; exit 2 ;;
esac
program_kind=native
[ "$kind" = wine ] && program_kind=wine
E2E_START_TIMEOUT=$(e2e_start_timeout "$program_kind")
e2e_setup_run program.out 20

# What an ordinary user may reach: a folder outside the build tree.
user_root=$(mktemp -d "${TMPDIR:-/tmp}/walkthrough-package.XXXXXX") || exit 1
chmod 755 "$user_root"
home=$user_root/home
mkdir "$home" && chown 65534:65534 "$home"
trap 'status=$?; if [ "$status" -eq 0 ]; then rm -rf "$user_root"; else e2e_log "kept $user_root"; fi
  (exit "$status"); e2e_finish_run' EXIT

"$cpack" -G "$generator" --config "$config" -B "$E2E_DIR/cpack" >"$E2E_DIR/cpack.out" 2>&1 ||
  { cat "$E2E_DIR/cpack.out" >&2; e2e_fail "cpack failed"; exit 1; }
shopt -s nullglob
packages=("$E2E_DIR"/cpack/walkthrough-*.tar.gz "$E2E_DIR"/cpack/walkthrough-*.zip "$E2E_DIR"/cpack/walkthrough_*.deb)
shopt -u nullglob
[ "${#packages[@]}" -eq 1 ] || { e2e_fail "not one package: ${packages[*]}"; exit 1; }
package=${packages[0]}
e2e_log "made $(basename "$package"), $(du -k "$package" | cut -f1) KiB"

# The Debian package that holds a library, as ldd found it (dpkg knows some
# files by their /usr-less path, others by their link target's).
library_package() {
  local path candidate
  for path in "$1" "$(realpath "$1")"; do
    for candidate in "$path" "${path#/usr}" "/usr$path"; do
      dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1 | grep . && return 0
    done
  done
  return 1
}

# True when FILE names WORD (a package or DLL) as a word of its own.
names() { # FILE WORD
  tr -s ' ,;|()\t\r' '\n' <"$1" | sed 's/\.$//' | grep -qixF -- "$2"
}

# The packages (Linux) or DLLs (Windows) that BINARY links, each named in FILE.
check_names_what_it_links() { # BINARY FILE
  local binary=$1 file=$2 library path owner
  local -a needed
  if [ "$kind" = wine ]; then
    mapfile -t needed < <(x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name:/ { print $3 }')
    for library in "${needed[@]}"; do
      names "$file" "$library" || { e2e_fail "$(basename "$file") does not name $library"; return 1; }
    done
  else
    mapfile -t needed < <(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    for library in "${needed[@]}"; do
      path=$(ldd "$binary" | awk -v name="$library" '$1 == name && $3 ~ /^\// { print $3 }')
      [ -n "$path" ] || { e2e_fail "$library is not found on this machine"; return 1; }
      owner=$(library_package "$path") || { e2e_fail "no Debian package holds $path"; return 1; }
      names "$file" "$owner" || { e2e_fail "$(basename "$file") does not name $owner (for $library)"; return 1; }
    done
  fi
  [ "${#needed[@]}" -gt 0 ] || { e2e_fail "no libraries read from $binary"; return 1; }
  e2e_log "$(basename "$file") names what the program links: ${needed[*]}"
}

# Runs LAUNCHER as nobody from the run folder, with its environment's XDG
# folders unset and the variables given (NAME=VALUE).
start_as_user() { # LAUNCHER [NAME=VALUE...]
  local launcher=$1
  shift
  (cd "$E2E_DIR" && exec setpriv --reuid=65534 --regid=65534 --clear-groups \
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME --default-signal=INT,QUIT HOME="$home" "$@" "$launcher") \
    >"$E2E_DIR/program.out" 2>&1 &
  E2E_PROGRAM_PID=$! E2E_PROGRAM_KIND=native E2E_EXIT_CODE=""
  e2e_log "started $launcher as nobody (pid $E2E_PROGRAM_PID)"
}

# A started program's whole run, LOG its log: the scene shows, Escape ends it.
run_to_escape() { # LOG
  local log=$1
  e2e_wait_for_log_line "$log" "Log created." "$E2E_START_TIMEOUT" || return 1
  e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || return 1
  e2e_wait_for 60 sh -c "[ \$(grep -c 'Successfully loaded Models' '$log') -eq 4 ]" ||
    { e2e_fail "the four models did not load"; tr -d '\r' <"$log" >&2; return 1; }
  e2e_wait_for_drawn_screen 60 || { e2e_fail "the program drew nothing"; return 1; }
  e2e_focus_window
  # Held long enough for a frame to see it: the program reads keys once per frame.
  e2e_hold_key Escape 200
  e2e_wait_for_exit 60 || return 1
  [ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; return 1; }
  if grep -q "FAILED\|Couldn't" "$log"; then e2e_fail "the log reports a failure"; tr -d '\r' <"$log" >&2; return 1; fi
  grep -qF "Terminating... bye!" "$log" || { e2e_fail "Escape did not log its farewell"; return 1; }
}

# The installed tree TREE made read-only, its LAUNCHER started by nobody:
# log.txt lands in DATA, the installed settings.ini is copied to CONFIG, and
# the user's change to it is read (a mode no screen offers: the start fails,
# the launcher says why) and kept.
run_installed() { # TREE LAUNCHER DATA CONFIG [NAME=VALUE...]
  local tree=$1 launcher=$2 data=$3 config=$4 failure
  shift 4
  chmod -R a-w "$tree"
  start_as_user "$launcher" "$@"
  run_to_escape "$data/log.txt" || return 1
  cmp -s "$(dirname "$(find "$tree" -name Models -type d | head -n 1)")/settings.ini" "$config/settings.ini" ||
    { e2e_fail "$config/settings.ini is not the installed one"; return 1; }
  setpriv --reuid=65534 --regid=65534 --clear-groups sh -c "printf '1 1 1\n' >'$config/settings.ini'" ||
    { e2e_fail "the user cannot change $config/settings.ini"; return 1; }
  start_as_user "$launcher" "$@"
  e2e_wait_for_exit "$E2E_START_TIMEOUT" || return 1
  [ "$E2E_EXIT_CODE" -ne 0 ] || { e2e_fail "a failed start ended with exit code 0"; return 1; }
  failure=$(grep -a -m 1 'FAILED: ' "$data/log.txt" | tr -d '\r' | sed 's/^\[[0-9:]*\] //')
  [ -n "$failure" ] || { e2e_fail "1 1 1 in $config/settings.ini did not fail the start"; return 1; }
  grep -qF -- "$failure" "$E2E_DIR/program.out" ||
    { e2e_fail "the launcher did not show \"$failure\""; cat "$E2E_DIR/program.out" >&2; return 1; }
  [ "$(cat "$config/settings.ini")" = "1 1 1" ] || { e2e_fail "the user's settings.ini was overwritten"; return 1; }
  [ -z "$(find "$tree" -name log.txt)" ] || { e2e_fail "a log.txt was written into the installation"; return 1; }
  e2e_log "read-only start: log.txt in $data, settings.ini in $config; a failed start says: $failure"
}

mkdir "$E2E_DIR/unpacked"
case "$kind" in
  native | wine)
    (cd "$E2E_DIR/unpacked" && cmake -E tar xf "$package") || { e2e_fail "$package does not unpack"; exit 1; }
    folder=$E2E_DIR/unpacked/$(basename "$package" | sed -E 's/\.(tar\.gz|zip)$//')
    if [ "$kind" = native ]; then program=$folder/walkthrough binary=$folder/bin/walkthrough; else
      program=$folder/walkthrough.exe binary=$program; fi
    for file in "$program" "$binary" "$folder/settings.ini" "$folder/README.txt" \
      "$folder"/Models/{Crate/Crate.x,Level/Level.x,Sniper/Sniper.x,Skybox/Skybox.x}; do
      [ -f "$file" ] || { e2e_fail "the package lacks ${file#"$folder"/}"; exit 1; }
    done
    check_names_what_it_links "$binary" "$folder/README.txt" || exit 1
    ;;
  deb)
    [ "$(dpkg-deb -f "$package" Version)" = "$WALKTHROUGH_VERSION" ] ||
      { e2e_fail "version $(dpkg-deb -f "$package" Version), not $WALKTHROUGH_VERSION"; exit 1; }
    dpkg-deb -f "$package" Depends >"$E2E_DIR/depends"
    for needed in libgl1 libegl1 libegl-mesa0 libgl1-mesa-dri fonts-liberation; do
      names "$E2E_DIR/depends" "$needed" || { e2e_fail "Depends lacks $needed: $(cat "$E2E_DIR/depends")"; exit 1; }
    done
    root=$user_root/root
    dpkg-deb -x "$package" "$root" || { e2e_fail "$package does not unpack"; exit 1; }
    binary=$root/usr/lib/walkthrough/walkthrough
    check_names_what_it_links "$binary" "$E2E_DIR/depends" || exit 1
    # Everything under the package's own folders; the program, launcher, data and icons where desktops look.
    stray=$(dpkg-deb -c "$package" | awk '{ print substr($6, 2) }' |
      grep -vE '^/(usr/?|usr/(games|lib|share|share/doc|share/icons)/?|usr/lib/walkthrough(/.*)?|usr/share/walkthrough(/.*)?)$' |
      grep -vE '^/usr/(games/walkthrough|share/applications/?|share/applications/walkthrough\.desktop|share/doc/walkthrough(/.*)?|share/icons/hicolor(/[0-9]+x[0-9]+(/apps(/walkthrough\.png)?)?)?/?)$')
    [ -z "$stray" ] || { e2e_fail "files outside the package's places: $stray"; exit 1; }
    for file in usr/games/walkthrough usr/lib/walkthrough/walkthrough usr/share/walkthrough/settings.ini \
      usr/share/walkthrough/Models/{Crate/Crate.x,Level/Level.x,Sniper/Sniper.x,Skybox/Skybox.x}; do
      [ -f "$root/$file" ] || { e2e_fail "the package lacks /$file"; exit 1; }
    done
    entry=$root/usr/share/applications/walkthrough.desktop
    if [ "$(head -n 1 "$entry")" != "[Desktop Entry]" ] || ! grep -qx 'Type=Application' "$entry" ||
      ! grep -qx 'Name=..*' "$entry"; then
      e2e_fail "walkthrough.desktop is not an application entry"
      exit 1
    fi
    command=$(sed -n 's/^Exec=//p' "$entry")
    if [[ "$command" != /* ]] || [ ! -x "$root$command" ]; then
      e2e_fail "the desktop entry's Exec=$command is not in the package"
      exit 1
    fi
    icon=$(sed -n 's/^Icon=//p' "$entry")
    for size in 16 32 48 64 128 256; do
      file=$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
      [ "$(identify -format '%wx%h' "$file" 2>/dev/null)" = "${size}x$size" ] ||
        { e2e_fail "no ${size}x$size PNG for Icon=$icon"; exit 1; }
    done
    e2e_log "the package's files, Depends and desktop entry (Exec=$command, Icon=$icon) are in place"
    ;;
esac
if [ "$kind" = wine ]; then
  grep -qv $'\r$' "$folder/README.txt" && { e2e_fail "README.txt has lines without CR LF"; exit 1; }
  # The resources: icon, group icon, version and manifest.
  for type in 03 0e 10 18; do
    x86_64-w64-mingw32-objdump -p "$binary" | grep -qE "^[0-9a-f]{3}   Entry: ID: 0x0000$type," ||
      { e2e_fail "walkthrough.exe has no resource of type 0x$type"; exit 1; }
  done
  strings -el "$binary" | grep -A 1 -x FileVersion | grep -qx "$WALKTHROUGH_VERSION" ||
    { e2e_fail "walkthrough.exe's FileVersion is not $WALKTHROUGH_VERSION"; exit 1; }
  manifest=$(strings "$binary" | sed -n '/<assembly/,/<\/assembly>/p')
  for text in 'level="asInvoker"' '>true</dpiAware>' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qF -- "$text" <<<"$manifest" || { e2e_fail "the manifest lacks $text"; exit 1; }
  done
  e2e_log "walkthrough.exe has its icon, version $WALKTHROUGH_VERSION and manifest; README.txt is CR LF"
fi

e2e_start_display || exit 1
case "$kind" in
  native)
    mkdir "$user_root/opt"
    cp -a "$folder" "$user_root/opt/" || exit 1
    opt=$user_root/opt/$(basename "$folder")
    # From elsewhere: the launcher finds its own folder, writable, and runs the program there.
    mkdir -p "$E2E_DIR/elsewhere"
    e2e_start_program native "$program" "$E2E_DIR/elsewhere" || exit 1
    run_to_escape "$folder/log.txt" || exit 1
    run_installed "$opt" "$opt/walkthrough" "$home/.local/share/walkthrough" "$home/.config/walkthrough" || exit 1
    ;;
  deb)
    run_installed "$root" "$root$command" "$home/data/walkthrough" "$home/settings/walkthrough" \
      XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/settings" || exit 1
    ;;
  wine)
    e2e_start_program wine "$program" "$folder" || exit 1
    run_to_escape "$folder/log.txt" || exit 1
    ;;
esac
e2e_log "PASS"
