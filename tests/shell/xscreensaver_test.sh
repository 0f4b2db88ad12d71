#!/usr/bin/env bash
# The saver under XScreenSaver itself: Debian's daemon under Xvfb, with the hack named in
# ~/.xscreensaver by the line the README gives ("Emberhold 3D"  emberhold -root).
#
#   xscreensaver_test.sh EXE blank    SHOT   blanks after 5 s idle; synthetic input ends it
#   xscreensaver_test.sh EXE activate SHOT   xscreensaver-command -activate / -deactivate
#   xscreensaver_test.sh EXE settings SHOT   the preview pane of xscreensaver-settings; the
#                                            configuration dialog still opens beside it;
#                                            closing the settings ends the hack
#
# Each time the screenshot SHOT (PNG) must show the scene where XScreenSaver expects it:
# over the whole screen, or inside the pane with the root window untouched. The hack must
# start once (a hack that exits at once is restarted by the daemon over and over), end
# when XScreenSaver ends it, and leave no copy of its audio library in the temporary
# folder. XScreenSaver refuses to run as root: as root the test runs everything as the
# ordinary user nobody. Skipped (77) when a program it needs is missing.
set -u
exe="$1"
mode="$2"
shot="$3"
for tool in xscreensaver xscreensaver-command xvfb-run xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
if [ "$mode" = settings ]; then
  command -v xscreensaver-settings >/dev/null || { echo "skipped: no xscreensaver-settings"; exit 77; }
fi

# Under /tmp: the ordinary user must reach it, whatever TMPDIR the caller has.
work="$(mktemp -d /tmp/emberhold-xscreensaver-XXXXXX)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$work/home" "$work/bin" "$work/libexec" "$work/tmp" "$work/xtmp" "$work/run" \
  "$work/config/kestrelle" "$work/out"
# A copy the ordinary user can reach, wherever the build tree lies.
cp "$exe" "$work/libexec/emberhold"
# Found by PATH as XScreenSaver finds every hack; notes its pid, arguments and window,
# then becomes the program itself.
cat > "$work/bin/emberhold" <<WRAP
#!/bin/sh
echo "\$\$ \${XSCREENSAVER_WINDOW:-unset} \$*" >> "$work/out/hack.log"
exec "$work/libexec/emberhold" "\$@"
WRAP
chmod 755 "$work/bin/emberhold"
printf '[Software\\Kestrelle\\Emberhold 3D Screensaver]\nShowTime=2\n' \
  > "$work/config/kestrelle/emberhold-3d-screensaver.conf"

idle="0:30:00"
[ "$mode" = blank ] && idle="0:00:05"
{
  printf 'timeout:\t%s\ncycle:\t0:00:00\nlock:\tFalse\nfade:\tFalse\nunfade:\tFalse\n' "$idle"
  printf 'splash:\tFalse\ndpmsEnabled:\tFalse\nmode:\tone\nselected:\t0\n'
  printf 'programs:\t\t\t\t\t\t\t\t\\\n'
  printf '"Emberhold 3D"  emberhold -root   \\n\\\n\n'
} > "$work/home/.xscreensaver"

cat > "$work/inner.sh" <<'INNER'
#!/usr/bin/env bash
# Runs as the ordinary user inside Xvfb; writes what it saw into $work/out.
set -u
out="$work/out"
# The hacks' temporary folder is checked for leftovers; the tools here use another.
hacktmp="$work/tmp"
export HOME="$work/home" PATH="$work/bin:$PATH" TMPDIR="$work/xtmp"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export EMBERHOLD_NO_MESSAGE_BOXES=1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/mix.raw"
export NO_AT_BRIDGE=1

note() { echo "$*" >> "$out/notes.txt"; }
hack_pid() { head -n1 "$out/hack.log" 2>/dev/null | cut -d' ' -f1; }
alive() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat"; }
# Mean and spread of the grey levels of a region WxH+X+Y of the screenshot $1.
stats() { convert "$1" -crop "$2" +repage -colorspace Gray -format '%[fx:mean] %[fx:standard_deviation]' info:; }
# A region holds the scene: well above black and not one flat colour.
scene() { stats "$1" "$2" | awk '{ exit !($1 > 0.15 && $2 > 0.03) }'; }
# How much region $3 differs between screenshots $1 and $2 (normalised RMSE).
change() { convert "$1" "$2" -crop "$3" +repage -compose difference -composite -colorspace Gray -format '%[fx:mean]' info:; }
# Waits up to $1 seconds for the scene in region $2, keeping the last screenshot in $3.
# The loading screen is a still picture over the same colours; the scene moves (the camera
# flies and the clock ticks), so two screenshots a second apart must differ.
wait_scene() {
  local i
  import -window root "$3.before.png" 2>/dev/null
  for i in $(seq 1 "$1"); do
    sleep 1
    import -window root "$3" 2>/dev/null || continue
    if scene "$3.before.png" "$2" && scene "$3" "$2" &&
       [ "$(change "$3.before.png" "$3" "$2" | awk '{ print ($1 > 0.002) }')" = 1 ]; then
      rm -f "$3.before.png"
      # One more second of flight for the picture that is kept.
      sleep 1
      import -window root "$3" 2>/dev/null && scene "$3" "$2"
      return
    fi
    cp "$3" "$3.before.png"
  done
  return 1
}

TMPDIR="$hacktmp" xscreensaver -no-splash -verbose > "$out/xscreensaver.log" 2>&1 &
daemon=$!
for i in $(seq 1 50); do xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.2; done

screen="$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+0+0" }')"
case "$MODE" in
  blank|activate)
    [ "$MODE" = activate ] && xscreensaver-command -activate >> "$out/notes.txt" 2>&1
    # Idle time runs from the daemon's start: the hack comes after about 5 s.
    for i in $(seq 1 60); do [ -n "$(hack_pid)" ] && break; sleep 0.5; done
    pid="$(hack_pid)"
    [ -n "$pid" ] || { note "FAIL: no hack started"; }
    if wait_scene 40 "$screen" "$out/shot.png"; then note "scene over the screen"; else note "FAIL: no scene over the screen: $(stats "$out/shot.png" "$screen")"; fi
    # Full screen: every quarter holds part of the scene.
    w="${screen%%x*}"; h="${screen#*x}"; h="${h%%+*}"; qw=$((w / 2)); qh=$((h / 2))
    for q in "${qw}x${qh}+0+0" "${qw}x${qh}+${qw}+0" "${qw}x${qh}+0+${qh}" "${qw}x${qh}+${qw}+${qh}"; do
      stats "$out/shot.png" "$q" | awk '{ exit !($1 > 0.05 && $2 > 0.01) }' || note "FAIL: quarter $q is empty"
    done
    ls "$hacktmp" > "$out/tmp-while-running.txt"
    if [ "$MODE" = blank ]; then
      # A person comes back: the pointer moves and a key is pressed.
      xdotool mousemove 400 300 sleep 0.3 mousemove 20 20 sleep 0.3 key shift
    else
      xscreensaver-command -deactivate >> "$out/notes.txt" 2>&1
    fi
    ;;
  settings)
    TMPDIR="$hacktmp" xscreensaver-settings > "$out/settings.log" 2>&1 &
    settings=$!
    for i in $(seq 1 60); do [ -n "$(hack_pid)" ] && break; sleep 0.5; done
    pid="$(hack_pid)"
    pane="$(head -n1 "$out/hack.log" | cut -d' ' -f2)"
    [ -n "$pid" ] || note "FAIL: no preview started"
    geometry="$(xwininfo -id "$pane" 2>/dev/null | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }')"
    note "pane $pane at $geometry"
    if wait_scene 40 "$geometry" "$out/shot.png"; then note "scene in the pane"; else note "FAIL: no scene in the pane: $(stats "$out/shot.png" "$geometry")"; fi
    # The root window shows below and right of the settings window; nothing may have
    # been drawn on it.
    top="$pane"
    while :; do
      parent="$(xwininfo -id "$top" -tree | awk '/Parent window id:/ { print $4 }')"
      xwininfo -id "$parent" | grep -q '(the root window)' && break
      top="$parent"
    done
    tw="$(xwininfo -id "$top" | awk '/Width:/ { print $2 }')"
    th="$(xwininfo -id "$top" | awk '/Height:/ { print $2 }')"
    sw="${screen%%x*}"; sh="${screen#*x}"; sh="${sh%%+*}"
    for region in "$((sw - tw))x${sh}+${tw}+0" "${sw}x$((sh - th))+0+${th}"; do
      stats "$out/shot.png" "$region" | awk '{ exit !($2 < 0.002) }' \
        && note "root window untouched in $region" \
        || note "FAIL: root window drawn on in $region: $(stats "$out/shot.png" "$region")"
    done
    ls "$hacktmp" > "$out/tmp-while-running.txt"
    # The configuration dialog opens while the preview runs; it pictures itself and closes.
    TMPDIR="$hacktmp" EMBERHOLD_DIALOG_SNAPSHOT="$out/dialog.png" timeout 60 "$work/libexec/emberhold" -c >> "$out/dialog.log" 2>&1
    note "dialog exit $?"
    [ -s "$out/dialog.png" ] && note "dialog opened" || note "FAIL: the dialog did not open beside the preview"
    # The user closes the settings; its preview goes with it.
    kill -TERM "$settings"
    ;;
esac

for i in $(seq 1 100); do alive "${pid:-0}" || break; sleep 0.2; done
alive "${pid:-0}" && note "FAIL: the hack did not end"
# Counted now: on a busy machine the short idle timeout may blank again before the daemon
# is told to exit, and that second start is the daemon's business, not a restart.
wc -l < "$out/hack.log" > "$out/starts.txt" 2>/dev/null
xscreensaver-command -exit >/dev/null 2>&1
for i in $(seq 1 25); do kill -0 "$daemon" 2>/dev/null || break; sleep 0.2; done
kill "$daemon" 2>/dev/null
wait
sleep 0.5
ls "$hacktmp" > "$out/tmp-after.txt"
INNER
chmod 755 "$work/inner.sh"

size="800x600x24"
[ "$mode" = settings ] && size="1280x800x24"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$work"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
# xvfb-run keeps its authority file under TMPDIR: not the folder checked for leftovers.
timeout 90 "${as_user[@]}" env work="$work" MODE="$mode" TMPDIR="$work/xtmp" \
  xvfb-run -a -s "-screen 0 $size" "$work/inner.sh" > "$work/out/run.log" 2>&1

fail=0
cat "$work/out/notes.txt" 2>/dev/null
grep -q FAIL "$work/out/notes.txt" 2>/dev/null && fail=1
[ -f "$work/out/shot.png" ] && cp "$work/out/shot.png" "$shot"
[ "$mode" = settings ] && [ -f "$work/out/dialog.png" ] && cp "$work/out/dialog.png" "${shot%.png}-dialog.png"
starts="$(cat "$work/out/starts.txt" 2>/dev/null || wc -l < "$work/out/hack.log" 2>/dev/null || echo 0)"
echo "hack started $starts time(s): $(cat "$work/out/hack.log" 2>/dev/null)"
[ "$starts" -eq 1 ] || { echo "FAIL: the hack should start exactly once"; fail=1; }
grep -q '^bas' "$work/out/tmp-while-running.txt" 2>/dev/null || { echo "FAIL: no audio library file while running"; fail=1; }
[ -s "$work/out/tmp-after.txt" ] && { echo "FAIL: left in the temporary folder: $(cat "$work/out/tmp-after.txt")"; fail=1; }
if grep -E 'unknown option|emberhold\) (exited abnormally|crashed|terminated with signal)' "$work/out/xscreensaver.log"; then
  echo "FAIL: XScreenSaver saw the hack fail"; fail=1
fi
if [ $fail -ne 0 ]; then
  echo "--- xscreensaver log (tail)"; tail -n 30 "$work/out/xscreensaver.log" 2>/dev/null
  echo "--- run log (tail)"; tail -n 20 "$work/out/run.log"
fi
[ $fail -eq 0 ] && echo "xscreensaver $mode: ok"
exit $fail
