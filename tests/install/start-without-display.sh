#!/usr/bin/env bash
# The window program without any display says so and fails; the helpers answer --help and --version
# on stdout without one.
set -u
app=$1 thumbnailer=$2 previewer=$3
failed=0
fail() { echo "FAIL: $*"; failed=1; }

message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "Tidelumine without a display exited $status, not 1"
[[ "$message" == *"no display found"*"xvfb-run"*"QT_QPA_PLATFORM=offscreen"* ]] || fail "Tidelumine said: $message"

for program in "$thumbnailer" "$previewer"; do
  name=$(basename "$program")
  for option in --help --version; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$option" 2>/dev/null)
    status=$?
    [ "$status" -eq 0 ] || fail "$name $option exited $status"
    case $option in
      --help) [[ "$out" == "usage: $name"* ]] || fail "$name --help printed: $out" ;;
      --version) [[ "$out" =~ ^$name\ [0-9]+\.[0-9]+ ]] || fail "$name --version printed: $out" ;;
    esac
  done
done
exit $failed
