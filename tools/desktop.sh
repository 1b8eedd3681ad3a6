#!/bin/bash
# Opens the desktop container (qarnview.exe) of the 64-bit build under the Windows
# runtime, with QARNEDIT.OCX and QARNREF.DLL registered in a prefix of its own under the
# build folder. With a display, the application opens there and this waits for it to
# close; without one it runs under a virtual display, and screenshots of the whole
# screen are written and their paths printed.
#
#   tools/desktop.sh [DRAWING.geojson]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/windows-x64"
bin="$build/bin"
drawing=${1:-$root/examples/site_plan.geojson}

wine_cmd=$(command -v wine || true)
[ -z "$wine_cmd" ] && [ -x /usr/lib/wine/wine64 ] && wine_cmd=/usr/lib/wine/wine64
if [ -z "$wine_cmd" ]; then
  echo "The Windows runtime (wine) is not installed." >&2
  exit 1
fi
for f in qarnview.exe QARNEDIT.OCX QARNREF.DLL; do
  [ -f "$bin/$f" ] || { echo "missing $bin/$f: build the windows-x64 preset first" >&2; exit 1; }
done

export WINEPREFIX="$build/desktop-prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { echo "Z:${1//\//\\}"; }

run_desktop() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the prefix $WINEPREFIX"
    timeout 180 "$wine_cmd" wineboot -i >/dev/null 2>&1
  fi
  # Registered each time, so the prefix always names the modules just built.
  for module in QARNEDIT.OCX QARNREF.DLL; do
    timeout 120 "$wine_cmd" regsvr32 /s "$(winpath "$bin/$module")"
  done
  local args=()
  [ -f "$drawing" ] && args=("$(winpath "$(cd "$(dirname "$drawing")" && pwd)/$(basename "$drawing")")")
  if [ -n "${QARN_DESKTOP_SHOTS:-}" ]; then
    "$wine_cmd" "$bin/qarnview.exe" "${args[@]}" >"$build/desktop.log" 2>&1 &
    local app=$!
    local shot
    for shot in 1 2; do
      sleep 12
      import -window root "$QARN_DESKTOP_SHOTS/qarnview-$shot.png"
      echo "screenshot: $QARN_DESKTOP_SHOTS/qarnview-$shot.png"
    done
    kill "$app" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
  else
    "$wine_cmd" "$bin/qarnview.exe" "${args[@]}"
  fi
}

if [ -n "${DISPLAY:-}" ]; then
  run_desktop
elif [ -n "${QARN_DESKTOP_INNER:-}" ]; then
  run_desktop
else
  shots="$build/desktop-screenshots"
  mkdir -p "$shots"
  echo "No display: running under a virtual one; screenshots go to $shots"
  QARN_DESKTOP_INNER=1 QARN_DESKTOP_SHOTS="$shots" \
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$drawing"
fi
