#!/usr/bin/env bash
# The bundle as the LV2 command-line tools see it, with LV2_PATH naming only
# the build's bundle folder: lv2_validate finds no error, lv2ls lists the
# plug-in, lv2info shows its ports, scale points and presets, and lv2apply
# renders a WAV file through it.
#   check-lv2-tools.sh LV2_PATH RENDERER SCRATCH_DIR
set -euo pipefail
export LV2_PATH=$1
renderer=$2
scratch=$3
uri=https://corvanta.audio/lv2/corvanta
bundle=$LV2_PATH/corvanta.lv2

fail() {
  echo "check-lv2-tools: $*" >&2
  exit 1
}

validation=$(lv2_validate "$bundle"/*.ttl 2>&1) || fail "lv2_validate failed: $validation"
[[ $validation == *"Found 0 errors"* ]] || fail "lv2_validate: $validation"
! grep -qi '^error\|warning' <<<"$validation" || fail "lv2_validate: $validation"

[ "$(lv2ls)" = "$uri" ] || fail "lv2ls lists '$(lv2ls)'"

info=$(lv2info "$uri")
# Port 1 is Type, an enumeration of the nine algorithms; pre_delay starts at 0.
for expected in "Name:              ORV Corvanta" "Symbol:      type" "Symbol:      pre_delay" \
  "lv2core#enumeration" "lv2core#toggled" "Symbol:      out_right"; do
  [[ $info == *"$expected"* ]] || fail "lv2info lacks '$expected'"
done
scale_points=$(sed -n '/Port 1:/,/Port 2:/p' <<<"$info" | grep -cE '^\s+[0-9.]+ = "' || true)
[ "$scale_points" = 9 ] || fail "Type has $scale_points scale points"
for name in Ambience Room Chamber Club Hall Arena Cathedral Spring Plate; do
  grep -qE "= \"$name\"" <<<"$info" || fail "no scale point \"$name\""
done
presets=$(sed -n '/Presets:/,/Port 0:/p' <<<"$info" | sed '1d;$d' | grep -cE '^\s+[A-Za-z]' || true)
[ "$presets" = 52 ] || fail "lv2info lists $presets presets"
grep -qE '^\s+Lush Strings$' <<<"$info" || fail "no preset \"Lush Strings\""
! grep -qE '^\s+Current$' <<<"$info" || fail "the edit buffer is listed as a preset"

# A dry demo signal in, the wet reverb out: same size, other samples.
mkdir -p "$scratch"
"$renderer" --demo --set Mix=Dry --tail 0 -q -o "$scratch/in.wav"
rm -f "$scratch/out.wav"
lv2apply -i "$scratch/in.wav" -o "$scratch/out.wav" -c mix 1.0 -c type 0.9 "$uri" || fail "lv2apply failed"
[ -s "$scratch/out.wav" ] || fail "lv2apply wrote nothing"
[ "$(stat -c %s "$scratch/out.wav")" = "$(stat -c %s "$scratch/in.wav")" ] || fail "the output's size differs"
! cmp -s "$scratch/in.wav" "$scratch/out.wav" || fail "lv2apply's output is its input"
echo "check-lv2-tools: validated, listed, described and applied"
