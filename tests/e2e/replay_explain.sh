#!/usr/bin/env bash
# quellor-replay --explain and --view depth against the plain frames: the steps' pixels add
# up to the frame's covered pixels, the last step's picture is the plain frame plus only
# the highlight, the depth view covers the same pixels in one colour a depth, the same
# inputs give the same bytes, and nothing is left under a temporary name.
# Usage: replay_explain.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
replay=$build/quellor-replay
level=$build/3rooms.b2
[ -x "$replay" ] && [ -f "$level" ] || { echo "SKIP: needs quellor-replay and 3rooms.b2"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat > "$work/walk.txt" <<'S'
1 key up
4 key left
6 key space
S
for view in plain depth; do
  "$replay" --level "$level" --script "$work/walk.txt" --passes 8 --shots all --format pgm --explain 8 \
    --view "$view" --out "$work/$view" || fail "--explain 8 --view $view"
done
"$replay" --level "$level" --script "$work/walk.txt" --passes 8 --shots all --format pgm --explain 8 \
  --view depth --out "$work/again" || fail "second run"
diff -r "$work/depth" "$work/again" > /dev/null || fail "the same inputs gave other bytes"
for f in steps.tsv plan.svg step-0001.pgm; do [ -s "$work/plain/$f" ] || fail "no $f"; done
head -1 "$work/plain/steps.tsv" | grep -q $'^step\tkind\troom\tdepth\tpolygon\ttarget\tresult\tplanes\tvertices\trows\tspans\tpixels' \
  || fail "steps.tsv header"
grep -q '<svg' "$work/plain/plan.svg" || fail "plan.svg is not SVG"
if ls -A "$work/plain" | grep -q -v -E '^(steps\.tsv|plan\.svg|trace\.tsv|step-[0-9]{4}\.pgm|frame-[0-9]{6}\.pgm)$'; then
  fail "left behind: $(ls -A "$work/plain")"
fi

python3 - "$work" <<'PY' || fail "pictures"
import os, sys
work = sys.argv[1]
def pgm(path):
    data = open(path, 'rb').read()
    parts = data.split(b'\n', 3)
    w, h = map(int, parts[1].split())
    return w, h, parts[3][:w * h]
HIGHLIGHT = {255, 249}
def check(view):
    d = os.path.join(work, view)
    rows = [l.rstrip('\n').split('\t') for l in open(os.path.join(d, 'steps.tsv'))][1:]
    steps = len(rows)
    assert steps > 0 and steps <= 1024, steps
    assert [int(r[0]) for r in rows] == list(range(1, steps + 1)), 'steps numbered 1..n'
    w, h, frame = pgm(os.path.join(d, 'frame-000008.pgm'))
    covered = sum(1 for p in frame if p)
    painted = sum(int(r[11]) for r in rows)
    assert painted == covered, f'{view}: steps paint {painted}, the frame covers {covered}'
    for k in range(1, steps + 1):
        assert os.path.exists(os.path.join(d, 'step-%04d.pgm' % k)), k
    _, _, last = pgm(os.path.join(d, 'step-%04d.pgm' % steps))
    changed = [i for i in range(w * h) if last[i] != frame[i]]
    assert changed, 'the highlight shows'
    assert all(last[i] in HIGHLIGHT for i in changed), f'{view}: the last step changes more than the highlight'
    return frame
plain = check('plain')
depth = check('depth')
assert [p != 0 for p in plain] == [p != 0 for p in depth], 'the depth view covers the plain pixels'
_, _, start = pgm(os.path.join(work, 'depth', 'frame-000001.pgm'))
colours = {p for p in start if p}
assert len(colours) == 3, f'3 depths at the start view, colours {sorted(colours)}'
# Every frame of the run is a depth-view frame.
for n in range(1, 9):
    _, _, f = pgm(os.path.join(work, 'depth', 'frame-%06d.pgm' % n))
    _, _, p = pgm(os.path.join(work, 'plain', 'frame-%06d.pgm' % n))
    assert [a != 0 for a in f] == [b != 0 for b in p], n
    assert f != p, n
PY

# Refused before anything runs.
err=$("$replay" --level "$level" --passes 3 --explain 4 --out "$work/never" 2>&1) && fail "--explain 4 of 3 passes"
[ "$err" = "quellor-replay: --explain: pass 4 is not one of the run's passes (1 to 3)" ] || fail "message: $err"
[ ! -e "$work/never" ] || fail "a refused run made its folder"
"$replay" --level "$level" --view sideways --out "$work/never" 2> /dev/null && fail "--view sideways"
echo "replay explain: ok"
