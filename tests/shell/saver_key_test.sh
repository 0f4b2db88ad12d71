#!/usr/bin/env bash
# The full-screen saver as a person ends it: `emberhold /s` under Xvfb, a key press a few
# seconds in ends it with exit code 0 (under the sanitizers: with nothing leaked) and no
# copy of its audio library stays in the temporary folder. Skipped (77) without xvfb-run
# or xdotool.
set -u
exe="$1"
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || exit 77

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/tmp"

cat > "$work/inner.sh" <<INNER
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" TMPDIR="$work/tmp"
export EMBERHOLD_NO_MESSAGE_BOXES=1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/mix.raw"
"$exe" /s 2> "$work/stderr.txt" &
pid=\$!
# Until the window is up (the loading screen comes first), then a moment of the scene.
for i in \$(seq 1 100); do xdotool search --name . >/dev/null 2>&1 && break; sleep 0.2; done
sleep 4
ls "$work/tmp" > "$work/tmp-while-running.txt"
# A person presses a key, and again if the saver is still loading (keys count once the
# scene runs).
for i in \$(seq 1 30); do
  kill -0 \$pid 2>/dev/null || break
  xdotool mousemove 320 240 key space
  sleep 1
done
if kill -0 \$pid 2>/dev/null; then echo still-running > "$work/exit-code.txt"; kill -KILL \$pid; exit; fi
wait \$pid
echo \$? > "$work/exit-code.txt"
INNER
timeout 150 xvfb-run -a -s "-screen 0 640x480x24" bash "$work/inner.sh" >/dev/null 2>&1

fail=0
[ "$(cat "$work/exit-code.txt" 2>/dev/null)" = "0" ] || {
  echo "exit code: $(cat "$work/exit-code.txt" 2>/dev/null)"; tail -n 40 "$work/stderr.txt"; fail=1; }
grep -q '^bas' "$work/tmp-while-running.txt" || { echo "no audio library file while running"; fail=1; }
[ -z "$(ls "$work/tmp")" ] || { echo "left in the temporary folder: $(ls "$work/tmp")"; fail=1; }
[ $fail -eq 0 ] && echo "saver ended by a key: ok"
exit $fail
