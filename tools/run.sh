#!/usr/bin/env bash
# Builds Velmo.exe and runs the kiosk under Wine: on your display when there
# is one, otherwise on a private 1920x1080 Xvfb display, writing screenshots
# to build/screenshots/ so you can look at it. Ctrl+C ends it.
#   tools/run.sh            build and run
#   tools/run.sh --tap      (no display) also tap the launcher, to see the page
#   tools/run.sh --docs     (no display) the operator's guide's screenshots of
#                           the launcher, the page, the history, the front desk's
#                           window and a printed page, into docs/images/
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
cmake --preset windows >/dev/null
# tap.exe is the visitor's finger for --tap and --docs
cmake --build --preset windows -j "$(nproc)" --target Velmo VelmoDesk tap

. tools/xvfb-session.sh
exe="$PWD/build/windows/Velmo/Velmo.exe"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  exec wine "$exe"
fi

trap stop_session EXIT
start_xvfb 1920x1080
start_wine_prefix "$PWD/build/wineprefix-run"
shots="$PWD/build/screenshots"
mkdir -p "$shots"
# a Wine desktop manages windows and focus as Windows does; a bare Xvfb has no
# window manager, and Wine then waits up to 2 s whenever it hides a window
desktop=(explorer /desktop=velmo,1920x1080)
wine "${desktop[@]}" "$exe" &
kiosk=$!
sleep 8
if ! kill -0 "$kiosk" 2>/dev/null; then
  echo "run.sh: Velmo.exe ended during start-up" >&2
  exit 1
fi
import -window root "$shots/launcher.png"
echo "Launcher: $shots/launcher.png"
tap() {
  # the desktop's launcher loses the exit code: tap.exe says "tap: done"
  if ! wine "${desktop[@]}" "$PWD/build/windows/e2e/tap.exe" "$@" 2>&1 | grep -q "tap: done"; then
    echo "run.sh: tap $* failed" >&2
    exit 1
  fi
}
if [ "${1:-}" = "--tap" ] || [ "${1:-}" = "--docs" ]; then
  # tap the launcher the way a visitor would; tap.exe waits until the page is up
  tap
  sleep 1 # the camera preview and the pad's first frame
  import -window root "$shots/page.png"
  echo "Sign-in page: $shots/page.png"
fi
if [ "${1:-}" = "--docs" ]; then
  # Save, then History (the left column's bottom and top buttons), to show a record
  tap 124 758
  sleep 2
  tap 124 408
  sleep 4
  import -window root "$shots/history.png"
  # the front desk over a share of two kiosk folders, holding the record just saved
  wineserver -k # the kiosk and its desktop; the desk gets a fresh one
  record=$(ls -t build/windows/Velmo/SignIn/*.bmp | head -n 1)
  share="$WINEPREFIX/dosdevices/unc/velmo-docs/share/velmo"
  rm -rf "$share"
  mkdir -p "$share/Entrance-A" "$share/Entrance-B"
  day=$(date +%Y年%m月%d日)
  for t in 08时02分11秒:A 08时15分40秒:B 09时03分05秒:A 09时41分27秒:B 10时12分09秒:A 10时30分52秒:B; do
    cp "$record" "$share/Entrance-${t##*:}/$day${t%%:*}.bmp"
  done
  desk="$PWD/build/docs-desk"
  rm -rf "$desk"
  mkdir -p "$desk"
  cp build/windows/Velmo/VelmoDesk.exe "$desk/"
  printf '[Share]\r\nFolder=\\\\velmo-docs\\share\\velmo\r\n' >"$desk/Config.ini"
  wine "${desktop[@]}" "$desk/VelmoDesk.exe" &
  sleep 6
  # the window alone, without the desktop around it
  import -window root "$shots/desk-screen.png"
  convert "$shots/desk-screen.png" -fuzz 2% -trim +repage "$shots/desk.png"
  wine "$desk/VelmoDesk.exe" /export "$(date +%F)" "$(winepath -w "$shots")"
  cp "$shots/sign-ins-$(date +%F)-1.png" "$shots/desk-page.png"
  mkdir -p docs/images
  for shot in launcher page history; do
    convert "$shots/$shot.png" -resize 50% "docs/images/$shot.png"
  done
  convert "$shots/desk.png" -resize 75% "docs/images/desk.png"
  convert "$shots/desk-page.png" -resize 50% "docs/images/desk-page.png"
  echo "The guide's screenshots: docs/images/"
  exit 0
fi
echo "Velmo is running on display $DISPLAY; Ctrl+C ends it."
wait "$kiosk"
