#!/usr/bin/env bash
# The saver hosted the way XScreenSaver runs it: `emberhold -root` under Xvfb draws the
# scene into the root window, ends in order on SIGTERM (exit code 0) and leaves no copy
# of its audio library in the temporary folder. Skipped (77) without xvfb-run or import.
set -u
exe="$1"
command -v xvfb-run >/dev/null && command -v import >/dev/null && command -v convert >/dev/null || exit 77

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/kestrelle" "$work/tmp"
printf '[Software\\Kestrelle\\Emberhold 3D Screensaver]\nShowTime=1\n' \
  > "$work/config/kestrelle/emberhold-3d-screensaver.conf"

cat > "$work/inner.sh" <<INNER
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" TMPDIR="$work/tmp"
export EMBERHOLD_NO_MESSAGE_BOXES=1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/mix.raw"
"$exe" -root &
pid=\$!
# Until the scene shows (the loading screen comes first; a busy machine takes longer):
# the root window bright and not one flat colour, and the sound started.
for i in \$(seq 1 40); do
  sleep 1
  import -window root "$work/root.png" 2>/dev/null || continue
  ls "$work/tmp" | grep -q '^bas' || continue
  convert "$work/root.png" -colorspace Gray -format '%[fx:mean] %[fx:standard_deviation]' info: 2>/dev/null |
    awk '{ exit !(\$1 > 0.15 && \$2 > 0.03) }' && break
done
sleep 2
ls "$work/tmp" > "$work/tmp-while-running.txt"
import -window root "$work/root.png"
kill -TERM \$pid
wait \$pid
echo \$? > "$work/exit-code.txt"
INNER
timeout 120 xvfb-run -a -s "-screen 0 640x480x24" bash "$work/inner.sh" >/dev/null 2>&1

fail=0
[ "$(cat "$work/exit-code.txt" 2>/dev/null)" = "0" ] || { echo "exit code: $(cat "$work/exit-code.txt" 2>/dev/null)"; fail=1; }
grep -q '^bas' "$work/tmp-while-running.txt" || { echo "no audio library file while running"; fail=1; }
[ -z "$(ls "$work/tmp")" ] || { echo "left in the temporary folder: $(ls "$work/tmp")"; fail=1; }
# The scene fills the root window: its mean brightness is well above black and it is not
# one flat colour.
mean="$(convert "$work/root.png" -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)"
sd="$(convert "$work/root.png" -colorspace Gray -format '%[fx:standard_deviation]' info: 2>/dev/null)"
awk -v m="$mean" -v s="$sd" 'BEGIN { exit !(m > 0.15 && s > 0.03) }' || { echo "root window looks empty: mean $mean sd $sd"; fail=1; }
[ $fail -eq 0 ] && echo "hosted run: ok (mean $mean, sd $sd)"
exit $fail
