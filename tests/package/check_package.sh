#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree into a scratch
# folder, unpacks it into a scratch root and checks what it holds and
# declares.
#
#   check_package.sh <build folder> <cpack> <version>
#
# Exits 77 (skipped) where no package can be built here.
set -euo pipefail

build="$1" cpack="$2" version="$3"
skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; failed=1; }
failed=0

[ -f "$build/CPackConfig.cmake" ] || skip "packaging is not configured in $build (cmake/Install.cmake)"
for tool in dpkg-deb dpkg-shlibdeps "$cpack"; do
  command -v "$tool" > /dev/null || skip "$tool is missing (dpkg-dev)"
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

if ! timeout 180 "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" \
    > "$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  echo "FAILED: cpack" >&2
  exit 1
fi
debs=("$scratch"/out/kestro_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAILED: no single kestro_*.deb" >&2; exit 1; }
deb="${debs[0]}"
echo "built $(basename "$deb")"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {
  local actual
  actual="$(field "$1")"
  [ "$actual" = "$2" ] || fail "$1 is '$actual', expected '$2'"
}
expect_field Package kestro
expect_field Version "$version-1"
expect_field Architecture "$(dpkg --print-architecture)"
expect_field Section electronics
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
description="$(field Description)"
grep -q 'RVX82A energy analyzer' <<< "${description%%$'\n'*}" || fail "Description: $description"
grep -q 'rvx82a-sim' <<< "$description" || fail "the long description does not mention rvx82a-sim"
depends="$(field Depends)"
depended="$(tr ',' '\n' <<< "$depends" | sed 's/^ *//; s/[ (].*//')"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libmodbus5; do
  grep -qxF "$lib" <<< "$depended" || fail "Depends lacks $lib: $depends"
done

# The files, and nothing else: no test programs, no settings file.
root="$scratch/root"
dpkg -x "$deb" "$root"
expected=(
  usr/bin/kestro
  usr/bin/rvx82a-sim
  usr/share/applications/kestro.desktop
  usr/share/icons/hicolor/scalable/apps/kestro.svg
  usr/share/doc/kestro/README.md
)
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "$f is missing"
done
for f in usr/bin/kestro usr/bin/rvx82a-sim; do
  [ -x "$root/$f" ] || fail "$f is not executable"
  if ldd "$root/$f" | grep -q 'not found'; then
    fail "$f needs libraries that are not there: $(ldd "$root/$f" | grep 'not found' | tr -s ' \t\n' ' ')"
  fi
done
while IFS= read -r f; do
  case "$f" in
    usr/bin/kestro | usr/bin/rvx82a-sim | usr/share/applications/kestro.desktop) ;;
    usr/share/icons/hicolor/scalable/apps/kestro.svg | usr/share/doc/kestro/*) ;;
    *) fail "unexpected file $f" ;;
  esac
done < <(cd "$root" && find . -type f -printf '%P\n')

desktop="$root/usr/share/applications/kestro.desktop"
if [ -f "$desktop" ]; then
  grep -qx 'Exec=kestro' "$desktop" || fail "the desktop entry does not run kestro"
  grep -qx 'Icon=kestro' "$desktop" || fail "the desktop entry does not name the icon kestro"
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
  fi
fi
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/kestro.svg" 2> /dev/null ||
  fail "the icon is no SVG picture"

# The unpacked programs run: the simulator explains itself, and Kestro
# starts and waits in its port selection dialog until it is stopped.
if ! "$root/usr/bin/rvx82a-sim" --help 2>&1 | grep -q '^Usage: rvx82a-sim'; then
  fail "rvx82a-sim --help"
fi
home="$scratch/home"
mkdir -p "$home"
status=0
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
  timeout 3 "$root/usr/bin/kestro" > "$scratch/kestro.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$scratch/kestro.log" >&2; fail "kestro ended with $status instead of waiting"; }

[ "$failed" -eq 0 ] && echo "package checked"
exit "$failed"
