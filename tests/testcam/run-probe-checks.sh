#!/bin/bash
# Runs the test camera through the kiosk's graph under Wine in every mode.
#   run-probe-checks.sh BUILD_DIR [CYCLES]
# BUILD_DIR holds TestCam.dll and testcam_probe.exe. The caller provides
# WINEPREFIX and DISPLAY (the renderer needs an X display). The video input
# instances of the prefix are replaced, and removed again at the end.
set -uo pipefail

build_dir=$(readlink -f "${1:?usage: run-probe-checks.sh BUILD_DIR [CYCLES]}")
cycles=${2:-20}
here=$(dirname "$(readlink -f "$0")")
register="$here/register-instances.sh"
probe="$build_dir/testcam_probe.exe"
failures=0

check() {
    local name=$1
    shift
    if timeout 300 wine "$probe" "$@" >"$build_dir/probe.log" 2>&1; then
        echo "ok   $name"
    else
        echo "FAIL $name"
        sed 's/^/     /' "$build_dir/probe.log"
        failures=$((failures + 1))
    fi
}

check_list() {
    local name=$1 expected=$2 actual
    actual=$(timeout 60 wine "$probe" list 2>/dev/null | tr -d '\r')
    if [[ $actual == "$expected" ]]; then
        echo "ok   $name"
    else
        printf 'FAIL %s\n     expected:\n%s\n     got:\n%s\n' "$name" "$expected" "$actual"
        failures=$((failures + 1))
    fi
}

# keys sort 0..6; the names sort the other way round for the first two
"$register" "$build_dir/TestCam.dll" \
    "0:Zulu Camera:640:480:preview" \
    "1:Alpha Camera:320:240:captureonly" \
    "2::162:120:" \
    "3:Broken Camera:::failbind" \
    "4:Quiet Camera:::silent" \
    "5:Odd Camera:162:121:preview" \
    "6:Misconfigured Camera:::bogus" || exit 1

check_list "enumeration follows the instance keys, unnamed listed" "$(printf '%s\n' \
    '0: Zulu Camera' '1: Alpha Camera' '2: <no name>' '3: Broken Camera' \
    '4: Quiet Camera' '5: Odd Camera' '6: Misconfigured Camera')"
check "preview pin, 640x480, $cycles cycles" run 0 --size 640x480 --cycles "$cycles"
check "capture pin only (tee inserted), 320x240" run 1 --size 320x240 --cycles 2
check "no friendly name, odd width 162" run 2 --size 162x120 --cycles 2
check "failbind does not bind" run 3 --expect-bind-fail --cycles 2
check "silent runs without frames" run 4 --expect-silent
check "odd width and height 162x121" run 5 --size 162x121
check "unknown mode does not bind" run 6 --expect-bind-fail

"$register" --reset || exit 1
check_list "reset leaves the category empty" "no video input devices (hr=0x00000001)"

rm -f "$build_dir/probe.log"
echo "$failures failure(s)"
[[ $failures -eq 0 ]]
