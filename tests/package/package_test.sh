#!/usr/bin/env bash
# Makes a package with CPack, unpacks it into an empty folder and runs the
# program from there on a private virtual display: the log starts in that
# folder, all four models load, the window shows the scene, and Escape ends
# the program with exit code 0. The Linux package is started through its
# launcher from another folder; the Windows one under Wine in its own folder,
# as Explorer starts it. Each read-me must name every library package (Linux)
# or DLL (Windows) that the program links.
#
# package_test.sh native|wine CPACK CPACK_CONFIG WORK_ROOT
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

[ $# -eq 4 ] || { echo "usage: $(basename "$0") native|wine CPACK CPACK_CONFIG WORK_ROOT" >&2; exit 2; }
kind=$1 cpack=$2 config=$3
E2E_WORK_ROOT=$4
case "$kind" in
  native) e2e_require_tools ldd dpkg readelf ;;
  wine) e2e_require_tools wine wineserver x86_64-w64-mingw32-objdump ;;
  *) echo "$(basename "$0"): native or wine, not $kind" >&2; exit 2 ;;
esac
E2E_START_TIMEOUT=$(e2e_start_timeout "$kind")
e2e_setup_run program.out 20

"$cpack" --config "$config" -B "$E2E_DIR/cpack" >"$E2E_DIR/cpack.out" 2>&1 ||
  { cat "$E2E_DIR/cpack.out" >&2; e2e_fail "cpack failed"; exit 1; }
shopt -s nullglob
packages=("$E2E_DIR"/cpack/walkthrough-*.tar.gz "$E2E_DIR"/cpack/walkthrough-*.zip)
shopt -u nullglob
[ "${#packages[@]}" -eq 1 ] || { e2e_fail "not one package: ${packages[*]}"; exit 1; }
package=${packages[0]}
e2e_log "made $(basename "$package"), $(du -k "$package" | cut -f1) KiB"

mkdir "$E2E_DIR/unpacked"
(cd "$E2E_DIR/unpacked" && cmake -E tar xf "$package") || { e2e_fail "$package does not unpack"; exit 1; }
folder=$E2E_DIR/unpacked/$(basename "$package" | sed -E 's/\.(tar\.gz|zip)$//')
if [ "$kind" = native ]; then program=$folder/walkthrough binary=$folder/bin/walkthrough; else
  program=$folder/walkthrough.exe binary=$program; fi
for file in "$program" "$binary" "$folder/settings.ini" "$folder/README.txt" "$folder"/Models/{Crate/Crate.x,Level/Level.x,Sniper/Sniper.x,Skybox/Skybox.x}; do
  [ -f "$file" ] || { e2e_fail "the package lacks ${file#"$folder"/}"; exit 1; }
done

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

# True when the read-me names WORD (a package or DLL) as a word of its own.
read_me_names() {
  tr -s ' ,;()\t' '\n' <"$folder/README.txt" | sed 's/\.$//' | grep -qixF -- "$1"
}

# What the program needs from the machine, each named in the read-me.
if [ "$kind" = native ]; then
  mapfile -t needed < <(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  for library in "${needed[@]}"; do
    path=$(ldd "$binary" | awk -v name="$library" '$1 == name && $3 ~ /^\// { print $3 }')
    [ -n "$path" ] || { e2e_fail "$library is not found on this machine"; exit 1; }
    owner=$(library_package "$path") || { e2e_fail "no Debian package holds $path"; exit 1; }
    read_me_names "$owner" || { e2e_fail "README.txt does not name $owner (for $library)"; exit 1; }
  done
else
  mapfile -t needed < <(x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name:/ { print $3 }')
  for library in "${needed[@]}"; do
    read_me_names "$library" || { e2e_fail "README.txt does not name $library"; exit 1; }
  done
fi
[ "${#needed[@]}" -gt 0 ] || { e2e_fail "no libraries read from $binary"; exit 1; }
e2e_log "the read-me names what the program links: ${needed[*]}"

e2e_start_display || exit 1
# The Linux launcher is started from elsewhere; it must find its own folder.
if [ "$kind" = native ]; then workdir=$E2E_DIR/elsewhere; else workdir=$folder; fi
mkdir -p "$workdir"
log=$folder/log.txt
e2e_start_program "$kind" "$program" "$workdir" || exit 1
e2e_wait_for_log_line "$log" "Log created." "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for 60 sh -c "[ \$(grep -c 'Successfully loaded Models' '$log') -eq 4 ]" ||
  { e2e_fail "the four models did not load"; tr -d '\r' <"$log" >&2; exit 1; }
e2e_wait_for_drawn_screen 60 || { e2e_fail "the program drew nothing"; exit 1; }
e2e_focus_window
# Held long enough for a frame to see it: the program reads keys once per frame.
e2e_hold_key Escape 200
e2e_wait_for_exit 60 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
if grep -q "FAILED\|Couldn't" "$log"; then e2e_fail "the log reports a failure"; tr -d '\r' <"$log" >&2; exit 1; fi
grep -qF "Terminating... bye!" "$log" || { e2e_fail "Escape did not log its farewell"; exit 1; }
e2e_log "PASS"
