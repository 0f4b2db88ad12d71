#!/usr/bin/env bash
# emberhold.scr as Windows runs it, under Wine: full screen (/s), the test window (/t),
# the preview in a host's window (/p), the configuration dialog (/c, with OK and with
# Cancel, the registry read back with `reg query`) and --render-frames. A small Windows
# program, wine_host.exe, plays the host, the settings page and the user; this script
# takes the screenshots and checks them.
#
#   wine_saver_test.sh CASE SCR HOST OUTDIR
# CASE: saver | testwin | preview | dialog-ok | dialog-cancel | render-frames |
# saver-closed (/s at gamma 150 % ended by WM_CLOSE: the screen's gamma ramp) |
# saver-endsession (/s while the session ends). In every /s case the host checks the
# audio library's temporary file; the saver case runs the library's WAV-file output
# (EMBERHOLD_AUDIO_WAV), the other two its waveOut output on ALSA's null device, and the
# saver case also measures the mix: the music's level against the
# opening piece's own (decoded by sox, the file named in the host build's resource list
# EMBERHOLD_HOST_RESOURCES) at the gains the settings give. Screenshots go to OUTDIR. Each case has its own Wine prefix (OUTDIR/../prefixes/CASE), so the
# registry starts empty the first time and no other case's windows are in the way.
# Skipped (77) without Wine, Xvfb, ImageMagick or sox.
set -u
case_name="$1"
scr="$2"
host="$3"
out="$4"

wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine="$candidate"; break; fi
done
[ -n "$wine" ] && command -v xvfb-run >/dev/null && command -v import >/dev/null &&
  command -v convert >/dev/null && command -v sox >/dev/null || exit 77

# Each case on a display of its own: Wine's windows of other cases never cover it.
if [ -z "${EMBERHOLD_WINE_TEST_DISPLAY:-}" ]; then
  export EMBERHOLD_WINE_TEST_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

mkdir -p "$out"
work="$(mktemp -d)"
export WINEPREFIX="$(cd "$out/.." && pwd)/prefixes/$case_name"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
key='HKCU\Software\Kestrelle\Emberhold 3D Screensaver'
if [ "$case_name" = dialog-ok ] || [ "$case_name" = dialog-cancel ]; then
  "$wine" reg delete "$key" /f >/dev/null 2>&1
fi

# The saver's mix goes to a WAV file (Wine maps Z: to the root of this machine), so the
# audio library loads and plays whether or not Wine has a sound device here. The cases
# that end the saver by WM_CLOSE and by the session's end play through the library's real
# output instead, waveOut, on a sound device that ALSA's null plugin gives Wine (a
# machine without a sound card has none): the library loads only if waveOut opens.
if [ "$case_name" = saver-closed ] || [ "$case_name" = saver-endsession ]; then
  mkdir -p "$work/home"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$work/home/.asoundrc"
  export HOME="$work/home"
  unset EMBERHOLD_AUDIO_WAV
else
  export EMBERHOLD_AUDIO_WAV="Z:$work/mix.wav"
fi
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"

fail=0
note() { echo "$*"; }
failed() { echo "FAILED: $*"; fail=1; }

# Mean and spread of the grey levels of a picture, as "mean sd".
levels() { convert "$1" -colorspace Gray -format '%[fx:mean] %[fx:standard_deviation]' info: 2>/dev/null; }

# Runs wine_host with a pause file; when the host is ready, takes the root window's
# screenshot as $1 and lets the host go on.
run_host_with_screenshot() {
  local shot="$1"; shift
  "$wine" "$host" "$@" Z:"$work/pause" > "$work/host.txt" 2>&1 &
  local pid=$!
  for _ in $(seq 1 900); do
    [ -e "$work/pause.ready" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
  done
  if [ -e "$work/pause.ready" ]; then
    import -window root "$shot" 2>/dev/null || failed "no screenshot"
  fi
  touch "$work/pause"
  wait $pid
  local code=$?
  cat "$work/host.txt"
  [ $code -eq 0 ] || failed "wine_host $1: exit code $code"
}

case "$case_name" in
  saver)
    run_host_with_screenshot "$out/windows-saver.png" saver "$scr"
    read -r mean sd < <(levels "$out/windows-saver.png")
    # The scene fills the screen: well above black, not one flat colour.
    awk -v m="${mean:-0}" -v s="${sd:-0}" 'BEGIN { exit !(m > 0.12 && s > 0.03) }' ||
      failed "the screen does not show the scene: mean ${mean:-?} sd ${sd:-?}"
    # The mix is the opening piece from its first frame (before it, the output plays exact
    # silence), at the stream volume the sound system starts with (50) times the output
    # volume of the default MusicVolume setting: both linear gains. Compared over 8 s with
    # the piece as sox decodes it (libvorbis, not the program's stb_vorbis); the horse's
    # quiet cues may add a little.
    music_volume=$(sed -n 's/^MusicVolume *= *\([0-9]*\).*/\1/p' "$source_dir/assets/def_settings.txt")
    opening="$(sed -n 's/^SOUND|474|//p' "${EMBERHOLD_HOST_RESOURCES:-}" 2>/dev/null)"
    # The first frame that is not silence, and the file's length, in seconds (16-bit
    # stereo at 44.1 kHz after the 44-byte header the library writes).
    bytes=$(stat -c %s "$work/mix.wav" 2>/dev/null || echo 0)
    start=$(od -An -v -t d2 -j 44 -w4 "$work/mix.wav" 2>/dev/null |
      awk -v b="$bytes" '$1 != 0 || $2 != 0 { printf "%.4f %.3f\n", (NR - 1) / 44100, (b - 44) / 4 / 44100; found = 1; exit }
                         END { if (!found) print "none" }')
    read -r onset length <<< "$start"
    rms() { sox "$1" -n trim "$2" 8 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
    if [ -z "$onset" ] || [ "$onset" = none ]; then
      failed "the mix is silent (or missing)"
    elif [ ! -f "$opening" ]; then
      failed "no opening piece to compare with"
    else
      mixed=$(rms "$work/mix.wav" "$onset")
      piece=$(rms "$opening" 0)
      echo "mix: $length s written, the music from $onset s; RMS over 8 s $mixed," \
           "the piece's own $piece, ratio $(awk -v a="$mixed" -v b="$piece" 'BEGIN { printf "%.3f", a / b }')," \
           "expected $(awk -v v="$music_volume" 'BEGIN { printf "%.3f", v / 100 * 0.5 }')"
      awk -v a="$mixed" -v b="$piece" -v v="$music_volume" -v l="$length" -v o="$onset" '
        BEGIN { want = v / 100 * 0.5; r = a / b; exit !(l >= o + 8 && r > want * 0.9 && r < want * 1.15) }' ||
        failed "the music's level is not the piece's at the set volumes"
    fi
    ;;
  testwin)
    run_host_with_screenshot "$out/windows-test-window.png" testwin "$scr"
    # The window's client area, at (50, 50) on a screen without a window manager.
    convert "$out/windows-test-window.png" -crop 600x400+50+50 +repage "$work/client.png"
    read -r mean sd < <(levels "$work/client.png")
    awk -v m="${mean:-0}" -v s="${sd:-0}" 'BEGIN { exit !(m > 0.12 && s > 0.03) }' ||
      failed "the test window does not show the scene: mean ${mean:-?} sd ${sd:-?}"
    ;;
  preview)
    "$wine" "$host" preview "$scr" 2>&1 || failed "wine_host preview"
    ;;
  saver-closed)
    "$wine" "$host" closed "$scr" 2>&1 || failed "wine_host closed"
    ;;
  saver-endsession)
    "$wine" "$host" endsession "$scr" 2>&1 || failed "wine_host endsession"
    ;;
  dialog-ok | dialog-cancel)
    action="${case_name#dialog-}"
    run_host_with_screenshot "$out/windows-config-dialog.png" dialog "$scr" "$action"
    "$wine" reg query "$key" > "$work/reg.txt" 2>/dev/null
    tr -d '\r' < "$work/reg.txt" > "$work/values.txt"
    values=$(grep -c REG_DWORD "$work/values.txt")
    if [ "$action" = ok ]; then
      # OK writes every setting; the click turned ShowFPS on, stored as 2.
      [ "$values" -ge 13 ] || failed "OK wrote $values values"
      grep -Eq '^\s*ShowFPS\s+REG_DWORD\s+0x2$' "$work/values.txt" || failed "ShowFPS is not 2"
      grep -Eq '^\s*GmCntrl\s+REG_DWORD\s+0x64$' "$work/values.txt" || failed "GmCntrl is not 100"
    else
      [ "$values" -eq 0 ] || failed "Cancel wrote $values values"
    fi
    cat "$work/values.txt"
    ;;
  render-frames)
    "$wine" "$scr" --render-frames Z:"$work/frames" --frames 60 --every 30 --size 320x240 \
      --seed 5 > "$work/run.txt" 2>&1 || failed "exit code $?"
    count=$(ls "$work/frames" 2>/dev/null | grep -c '^frame_.*\.png$')
    [ "$count" -eq 2 ] || failed "$count frames written, not 2"
    for f in "$work"/frames/frame_*.png; do
      [ -e "$f" ] || continue
      size=$(identify -format '%wx%h' "$f")
      [ "$size" = 320x240 ] || failed "$(basename "$f") is $size"
      read -r mean sd < <(levels "$f")
      awk -v m="${mean:-0}" -v s="${sd:-0}" 'BEGIN { exit !(m > 0.05 && s > 0.03) }' ||
        failed "$(basename "$f") looks empty: mean ${mean:-?} sd ${sd:-?}"
      cp "$f" "$out/windows-render-$(basename "$f")"
    done
    ;;
  *)
    echo "unknown case $case_name"; exit 2 ;;
esac
[ $fail -eq 0 ] && echo "$case_name under Wine: ok"
exit $fail
