#!/bin/sh
# usage: review_test.sh MEDIAGEN_PREVIEW ARCHIVE OUTDIR
# Exit 77 (skipped) where the build has no GL stack and says so, as the GL tests do.
set -eu
if [ "${EMBERHOLD_SKIP_GL_TESTS:-}" = 1 ]; then exit 77; fi
rm -rf "$3"
"$1" --review "$2" "$3"
cells=$(ls "$3"/cells/*.png | wc -l)
# Horse: 16 angles + 7 clips x 4; crows: 16 edge-on + 6 clips x 4.
[ "$cells" -eq 84 ] || { echo "expected 84 close-ups, got $cells"; exit 1; }
# A moment of 0 ms or no distance means the scan never saw the creature in view and the
# close-ups fell back to made-up distances.
awk '
  $1 == "horse" { horse = 1; if (!($2 > 0 && $3 > 1 && $3 < 400)) bad = bad " horse:" $0 }
  $1 == "flock" { flock = 1; if (!($2 > 0 && $3 > 0.5 && $3 < 400)) bad = bad " flock:" $0 }
  END { if (!horse || !flock || bad != "") { print "bad moments:" bad; exit 1 } }
' "$3/moments.txt"
