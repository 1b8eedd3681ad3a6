#!/bin/bash
# Runs the Windows test programs and the cscript checks under the Windows runtime.
#
#   tests/windows/run_runtime_tests.sh [BUILD_DIR]     (default: build/windows-x64)
#
# Uses BUILD_DIR/bin (the 64-bit build), a fresh 64-bit prefix in BUILD_DIR/wineprefix,
# and one virtual display for the whole run. Ends with "N passed, M failed"; exits
# non-zero when anything failed. Exits 0 with "SKIPPED: ..." when the runtime is not
# installed.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/windows-x64}" 2>/dev/null && pwd || echo "${1:-$root/build/windows-x64}")
bin="$build/bin"

wine_cmd=$(command -v wine || true)
[ -z "$wine_cmd" ] && [ -x /usr/lib/wine/wine64 ] && wine_cmd=/usr/lib/wine/wine64
if [ -z "$wine_cmd" ] || ! command -v xvfb-run >/dev/null; then
  echo "SKIPPED: the Windows runtime is not installed (needs wine and xvfb-run)"
  exit 0
fi

# Everything below shares one display, so the runtime's desktop process is started once.
if [ -z "${QARN_RUNTIME_DISPLAY_READY:-}" ]; then
  QARN_RUNTIME_DISPLAY_READY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

passed=0
failed=0
skipped=0
failures=()
pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); failures+=("$1"); echo "FAIL $1"; }
skip() { skipped=$((skipped + 1)); echo "SKIP $1"; }
finish() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
  [ "$skipped" -gt 0 ] && echo "($skipped skipped)"
  for f in "${failures[@]}"; do echo "  failed: $f"; done
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

if [ ! -d "$bin" ]; then
  echo "no Windows build at $bin: configure and build the windows-x64 preset first"
  fail "windows-x64 build present"
  finish
fi

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
logs="$build/runtime-logs"
rm -rf "$WINEPREFIX" "$logs" "$build/e2e-records" "$build/refview-screenshot.bmp" "$build/refview-screenshot.png"
mkdir -p "$logs"
winpath() { echo "Z:${1//\//\\}"; }
# A program under the runtime, with a time limit; output kept in the log folder.
run_wine() {
  local log="$1"; shift
  timeout 180 "$wine_cmd" "$@" >"$log" 2>&1
}

start=$(date +%s)
if ! timeout 120 "$wine_cmd" wineboot -i >"$logs/wineboot.log" 2>&1; then
  fail "fresh prefix ($WINEPREFIX), see $logs/wineboot.log"
  finish
fi
echo "prefix ready in $(( $(date +%s) - start )) s: $WINEPREFIX"

# Modules the programs and scripts create by ProgID.
declare -A registered=()
for module in QARNEDIT.OCX QARNREF.DLL; do
  if [ ! -f "$bin/$module" ]; then
    echo "NOTE $module not built yet: not registered"
    continue
  fi
  if run_wine "$logs/regsvr32-$module.log" regsvr32 /s "$(winpath "$bin/$module")"; then
    registered[$module]=1
    pass "regsvr32 $module"
  else
    fail "regsvr32 $module (see $logs/regsvr32-$module.log)"
  fi
done

# Pictures the programs read back from the screen (the control's caption on a form)
# are kept here as BMP, and as PNG where ImageMagick's convert is installed.
captures="$build/captures"
rm -rf "$captures"
mkdir -p "$captures"
export QARN_CAPTURE_DIR
QARN_CAPTURE_DIR=$(winpath "$captures")

# GoogleTest programs.
shopt -s nullglob
programs=("$bin"/*_test.exe)
[ -f "$bin/gdi_conformance.exe" ] && programs+=("$bin/gdi_conformance.exe")
if [ ${#programs[@]} -eq 0 ]; then
  fail "Windows test programs present in $bin"
fi
for exe in "${programs[@]}"; do
  name=$(basename "$exe" .exe)
  run_wine "$logs/$name.log" "$exe"
  status=$?
  # A program that wrote nothing at all never reached its first test: the runtime failed
  # to start it (seen once right after a fresh prefix). It gets one more start, said aloud.
  if [ $status -ne 0 ] && [ ! -s "$logs/$name.log" ]; then
    echo "NOTE $name exited with $status before writing anything; started once more"
    run_wine "$logs/$name.log" "$exe"
    status=$?
  fi
  if [ $status -eq 0 ]; then
    pass "$name ($(grep -o '\[  PASSED  \] [0-9]* test' "$logs/$name.log" | grep -o '[0-9]*') tests)"
  else
    fail "$name (see $logs/$name.log)"
    tr -d '\r' <"$logs/$name.log" | grep -E "^\[  FAILED  \] [A-Za-z][A-Za-z0-9_.]*\$" | sort -u | sed 's/^/    /' | head -20
  fi
done

if command -v convert >/dev/null; then
  for bmp in "$captures"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; done
fi
pictures=("$captures"/*.bmp)
[ ${#pictures[@]} -gt 0 ] && echo "NOTE ${#pictures[@]} pictures read back from the screen: $captures"

# The view control's test leaves what the screen showed of it; as PNG for viewers.
if [ -f "$build/refview-screenshot.bmp" ]; then
  if command -v convert >/dev/null && convert "$build/refview-screenshot.bmp" "$build/refview-screenshot.png"; then
    echo "NOTE view control screenshot: $build/refview-screenshot.png"
  else
    echo "NOTE view control screenshot (BMP, no converter): $build/refview-screenshot.bmp"
  fi
fi

# The end-to-end scenarios' records against those the Linux script host made of the
# same steps (build/linux, written by tests/python/test_e2e_scenarios.py), and their
# screenshots as PNG.
e2e="$build/e2e-records"
if [ -d "$e2e" ]; then
  if command -v convert >/dev/null; then
    for bmp in "$e2e"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; done
    echo "NOTE end-to-end screenshots: $e2e/*.png"
  fi
  linux_records="${QARN_E2E_LINUX_RECORDS:-$root/build/linux/e2e-records}"
  /usr/bin/python3 "$here/compare_e2e_records.py" "$e2e" "$linux_records" >"$logs/e2e-records.log" 2>&1
  status=$?
  sed 's/^/    /' "$logs/e2e-records.log"
  if grep -q '^SKIPPED' "$logs/e2e-records.log"; then
    skip "e2e records against Linux ($(head -n 1 "$logs/e2e-records.log"))"
  elif [ $status -eq 0 ]; then
    pass "$(tail -n 1 "$logs/e2e-records.log")"
  else
    fail "$(tail -n 1 "$logs/e2e-records.log") (see $logs/e2e-records.log)"
  fi
fi

# The same drawing cases drawn by the Linux layer and by the runtime, pixel by pixel.
# Fails on any difference not in gdi/known_differences.txt and on a listed case drawn
# the same, so the list keeps only differences that still exist.
gdi_details="$build/gdi-dump-differences.txt"
if [ ! -f "$bin/gdi_dump.exe" ]; then
  fail "GDI dump comparison (gdi_dump.exe not built)"
else
  host="$build/host-tools"
  if cmake -S "$here/host" -B "$host" >"$logs/host-tools.log" 2>&1 &&
     cmake --build "$host" -j2 --target gdi_dump >>"$logs/host-tools.log" 2>&1; then
    rm -rf "$build/gdi-dump-linux" "$build/gdi-dump-runtime"
    "$host/gdi_dump" "$build/gdi-dump-linux" >/dev/null
    run_wine "$logs/gdi_dump.log" "$bin/gdi_dump.exe" "$(winpath "$build/gdi-dump-runtime")"
    /usr/bin/python3 "$here/compare_gdi_dumps.py" "$build/gdi-dump-linux" "$build/gdi-dump-runtime" \
      >"$gdi_details" 2>&1
    status=$?
    if [ $status -eq 0 ]; then
      pass "$(tail -n 1 "$gdi_details") (details: $gdi_details)"
    else
      fail "$(tail -n 1 "$gdi_details") (see $gdi_details)"
      grep -E '^(DIFF|MISSING|STALE) ' "$gdi_details" | head -20 | sed 's/^/    /'
    fi
  else
    fail "GDI dump comparison: the Linux drawing tools did not build (see $logs/host-tools.log)"
  fi
fi

# The reference host's own contract script under cscript, run as it stands: it prints
# one line per failed check and a closing "host contract: N checks, M failed", and exits
# with M.
contract="$here/host/host_contract.vbs"
if [ -f "$contract" ]; then
  if [ -z "${registered[QARNREF.DLL]:-}" ] || [ -z "${registered[QARNEDIT.OCX]:-}" ]; then
    skip "host contract (needs QARNREF.DLL and QARNEDIT.OCX)"
  else
    (cd "$(dirname "$contract")" && run_wine "$logs/host-contract.log" cscript //nologo "$(winpath "$contract")")
    status=$?
    if [ $status -eq 0 ] && grep -q ', 0 failed' "$logs/host-contract.log"; then
      pass "host contract ($(grep -o '[0-9]* checks' "$logs/host-contract.log" | head -1))"
    else
      fail "host contract (exit $status, see $logs/host-contract.log)"
      head -10 "$logs/host-contract.log" | sed 's/^/    /'
    fi
  fi
fi

# The desktop container's render mode: a drawing painted in the view and written as a
# picture; a file it cannot open gives a message and a non-zero exit.
if [ -f "$bin/qarnview.exe" ] && [ -n "${registered[QARNEDIT.OCX]:-}" ] && [ -n "${registered[QARNREF.DLL]:-}" ]; then
  mkdir -p "$build/scenarios"
  picture="$build/scenarios/render_sample.bmp"
  rm -f "$picture"
  run_wine "$logs/qarnview-render.log" "$bin/qarnview.exe" --render \
    "$(winpath "$here/data/render_sample.geojson")" "$(winpath "$picture")"
  status=$?
  # The polyline's pen is blue (0x00FF0000 as an OLE colour), the polygon's green.
  if [ $status -eq 0 ] && [ -f "$picture" ] &&
     /usr/bin/python3 "$here/check_render_bmp.py" "$picture" 640 480 0000ff:300 008000:400 \
       >>"$logs/qarnview-render.log" 2>&1; then
    pass "qarnview --render writes the drawing's picture"
  else
    fail "qarnview --render (exit $status, see $logs/qarnview-render.log)"
  fi
  bad="$build/scenarios/not_a_drawing.geojson"
  printf '{"type": "FeatureCollection", "features": [' >"$bad"
  run_wine "$logs/qarnview-render-bad.log" "$bin/qarnview.exe" --render \
    "$(winpath "$bad")" "$(winpath "$build/scenarios/not_a_drawing.bmp")"
  status=$?
  if [ $status -ne 0 ] && grep -q "qarnview: " "$logs/qarnview-render-bad.log" &&
     [ ! -f "$build/scenarios/not_a_drawing.bmp" ]; then
    pass "qarnview --render refuses a broken drawing (exit $status)"
  else
    fail "qarnview --render of a broken drawing (exit $status, see $logs/qarnview-render-bad.log)"
  fi
else
  skip "qarnview --render (needs qarnview.exe, QARNEDIT.OCX and QARNREF.DLL)"
fi

# The module from outside, through its exports: class factories, registration keys,
# unload counts (it registers and unregisters, so it runs after everything else).
if [ -f "$bin/qarnedit_module_smoke.exe" ] && [ -n "${registered[QARNEDIT.OCX]:-}" ]; then
  run_wine "$logs/module-smoke.log" "$bin/qarnedit_module_smoke.exe" "$(winpath "$bin/QARNEDIT.OCX")" --register
  status=$?
  if [ $status -eq 0 ] && grep -q ' 0 failed' "$logs/module-smoke.log"; then
    pass "module smoke ($(tail -n 1 "$logs/module-smoke.log" | tr -d '\r'))"
  else
    fail "module smoke (exit $status, see $logs/module-smoke.log)"
    grep -E '^FAILED' "$logs/module-smoke.log" | head -10 | sed 's/^/    /'
  fi
fi

echo "runtime tests took $(( $(date +%s) - start )) s"
finish
