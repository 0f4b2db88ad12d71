#!/usr/bin/env bash
# The same frames on two renderers: the Linux program (our Direct3D 8 layer over OpenGL)
# and emberhold.scr under Wine (Wine's Direct3D 8), recorded with the same seed, size and
# time step at moments that take different paths through the renderer, compared by
# framecmp against the thresholds below.
#
#   renderers_test.sh LINUX_EMBERHOLD SCR FRAMECMP OUTDIR [SIZE]
#
# SIZE defaults to 320x240. OUTDIR gets linux/ and windows/ (the frames, named
# MOMENT.png), diff/ (amplified difference pictures) and table.txt (framecmp's figures).
# The Wine prefix is OUTDIR/prefix, kept between runs: making it is the slow part.
# Exit: 0 every moment within its thresholds, 1 one beyond, 77 (skipped) without Wine or
# Xvfb.
set -u
linux_exe="$1"
scr="$2"
framecmp="$3"
out="$4"
size="${5:-320x240}"
seed=5

wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then wine="$candidate"; break; fi
done
[ -n "$wine" ] && command -v xvfb-run >/dev/null || exit 77
for program in "$linux_exe" "$scr" "$framecmp"; do
  # The host build is made before this one; one without framecmp is older than this test.
  [ -x "$program" ] || { echo "missing $program: build it first"; exit 2; }
done

# One virtual display for the whole comparison: the Windows program needs a window for
# its device even when it records, and one Wine session serves every moment.
if [ -z "${EMBERHOLD_RENDERERS_DISPLAY:-}" ]; then
  export EMBERHOLD_RENDERERS_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

mkdir -p "$out"
out="$(cd "$out" && pwd)"
rm -rf "$out/linux" "$out/windows" "$out/diff" "$out/runs" "$out/config" "$out/table.kv"
mkdir -p "$out/linux" "$out/windows" "$out/diff" "$out/runs" "$out/config"
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Both programs start from their default settings: an empty settings folder on Linux, a
# registry key that was never written in the prefix.
export XDG_CONFIG_HOME="$out/config" EMBERHOLD_NO_MESSAGE_BOXES=1
mkdir -p "$WINEPREFIX"
"$wine" reg delete 'HKCU\Software\Kestrelle' /f >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1' EXIT

# MOMENT START_MS FRAMES EVERY KEEP MIN_PSNR MAX_FAR [OPTIONS...]
# Seed 5 at 30 fps; KEEP is the recorded file that stands for the moment. Both renderers
# rasterise on Mesa and agree to 49 dB or better at every moment (800x600 and 320x240):
# what is left is one level of texture-filter rounding, the JPEG decoders (66 dB and
# better on their own) and single pixels on the edges of alpha-tested leaves, where the
# alpha is within half a level of the reference (tools/framecmp/README.md). 44 dB is a
# mean squared error three times today's worst; a renderer that is off by two levels
# everywhere (42 dB), or that loses or adds a small object (0.05 % of the pixels, 38 at
# 320x240), fails. Moments that agree much better keep a floor of their own.
moments=(
  "loading        4000   1  1  loading.png     60 0.0005 --loading-screen"
  "opening-horse  4000   1  1  frame_0000.png  44 0.0005 --loading-screen"
  "crossfade      12600  1  1  frame_0000.png  44 0.0005"
  "crows          90000  1  1  frame_0000.png  44 0.0005"
  "vision         138000 1  1  frame_0000.png  55 0.0005"
  "beam           196000 1  1  frame_0000.png  55 0.0005"
  "sword          212000 1  1  frame_0000.png  44 0.0005"
  "corona         259000 1  1  frame_0000.png  50 0.0005"
  "overlay-fps    60000  31 30 frame_0030.png  44 0.0005 --show-fps --clock 24"
)

fail=0
for line in "${moments[@]}"; do
  read -r name start frames every keep min_psnr max_far options <<<"$line"
  # Moments recorded with the same options share one run of each program.
  run="$start-$frames-$every${options// /}"
  lin="$out/runs/linux-$run"
  win="$out/runs/windows-$run"
  common=(--frames "$frames" --every "$every" --size "$size" --fps 30 --seed "$seed"
          --start-ms "$start")
  if [ ! -d "$lin" ]; then
    mkdir -p "$lin" "$win"
    # shellcheck disable=SC2086 # the options are words
    if ! "$linux_exe" --render-frames "$lin" "${common[@]}" $options >"$lin.log" 2>&1; then
      echo "$name: the Linux program failed"; cat "$lin.log"; fail=1; continue
    fi
    # shellcheck disable=SC2086
    if ! "$wine" "$scr" --render-frames "Z:$win" "${common[@]}" $options >"$win.log" 2>&1; then
      echo "$name: the Windows program failed under Wine"; cat "$win.log"; fail=1; continue
    fi
  fi
  for side in linux windows; do
    src="$out/runs/$side-$run/$keep"
    if [ ! -f "$src" ]; then
      echo "$name: $side wrote no $keep"; fail=1; continue 2
    fi
    cp "$src" "$out/$side/$name.png"
  done
  "$framecmp" --kv --min-psnr "$min_psnr" --max-far "$max_far" --diff "$out/diff/$name.png" \
    "$out/linux/$name.png" "$out/windows/$name.png" >>"$out/table.kv" || fail=1
done

# The table, once more in columns for people.
"$framecmp" --dir "$out/linux" "$out/windows" >"$out/table.txt" 2>&1
cat "$out/table.txt"
grep -h "status=FAIL" "$out/table.kv" 2>/dev/null
rm -f "$out/table.kv"
[ $fail -eq 0 ] && echo "renderers at $size: every moment within its thresholds"
exit $fail
