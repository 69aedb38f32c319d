#!/usr/bin/env bash
# A long run of the release build's frame pass on random input:
#   tools/soak.sh [PASSES] [LEVEL] [SEED]     (defaults: 1000000, build/3rooms.b2, 1)
# quellor-replay plays a random script (walking, turning, overview on and off, other keys,
# key-ups, mouse moves, now and then a resize or a minimise) for PASSES passes. The run
# must end with exit status 0, nothing on standard error, a trace line for every pass with
# finite values, and the camera inside the room the trace names once the last few quiet
# passes have let the room tracking settle. Prints passes per second. Not part of the test
# command: it takes minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
passes=${1:-1000000}
level=${2:-build/3rooms.b2}
seed=${3:-1}
replay=build/quellor-replay
[ -x "$replay" ] || { echo "soak: $replay is missing (run the release build)"; exit 1; }
[ -f "$level" ] || { echo "soak: $level is missing"; exit 1; }
[ "$passes" -ge 20 ] || { echo "soak: at least 20 passes"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quellor-soak.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$passes" "$seed" > "$work/script.txt" <<'PY'
import random, sys
passes, seed = int(sys.argv[1]), int(sys.argv[2])
r = random.Random(seed)
out = []
# Stretches of one action, as a person plays: walk, turn (a held arrow keeps turning until
# the next message), stop, switch the overview; between them stray key-ups, mouse moves
# and other keys, which stop a turn; now and then a resize or a minimise.
actions = ["up", "down", "left", "right", "space", "z", "x"]
weights = [30, 12, 20, 20, 10, 4, 4]
p = 1
last = passes - 10  # the last passes are quiet, so the room tracking can settle
while p <= last:
    out.append(f"{p} key {r.choices(actions, weights)[0]}")
    p += r.randint(1, 200)
    while p <= last and r.random() < 0.5:
        x = r.random()
        if x < 0.4:
            out.append(f"{p} mouse")
        elif x < 0.7:
            out.append(f"{p} release {r.choice(actions)}")
        elif x < 0.9:
            out.append(f"{p} key {r.choice('abcm7')}")
        elif x < 0.97:
            w, h = r.choice(((r.randint(0, 1600), r.randint(0, 1200)), (r.randint(0, 12), r.randint(0, 12))))
            out.append(f"{p} size {w} {h}")
        else:
            out.append(f"{p} minimize")
        p += r.randint(1, 50)
out.append(f"{passes - 9} key space")
sys.stdout.write("\n".join(out) + "\n")
PY

echo "soak: $passes passes on $level, $(wc -l < "$work/script.txt") scripted events"
start=$(date +%s.%N)
set +e
"$replay" --level "$level" --script "$work/script.txt" --passes "$passes" --shots none \
  --out "$work/out" 2> "$work/stderr.txt"
status=$?
set -e
end=$(date +%s.%N)
fail() { echo "soak: FAIL: $*"; exit 1; }
[ "$status" -eq 0 ] || fail "exit status $status: $(head -5 "$work/stderr.txt")"
[ ! -s "$work/stderr.txt" ] || fail "standard error: $(head -5 "$work/stderr.txt")"

python3 - "$level" "$work/out/trace.tsv" "$passes" <<'PY' || exit 1
import math, struct, sys
level, trace, passes = sys.argv[1], sys.argv[2], int(sys.argv[3])

def f32(v):
    return struct.unpack("<f", struct.pack("<f", v))[0]

data = open(level, "rb").read()
at = 0
def word():
    global at
    v = struct.unpack_from("<i", data, at)[0]
    at += 4
    return v
def real():
    global at
    v = struct.unpack_from("<f", data, at)[0]
    at += 4
    return v
vertex_count, _, room_count = word(), word(), word()
table = []
for _ in range(vertex_count):
    z, x, y = real(), real(), real()
    table.append((f32(x * 10), f32(y * 10), f32(z * 10)))
rooms = []
for _ in range(room_count):
    walls, portals = word(), word()
    planes = []
    for p in range(walls + portals):
        if p >= walls:
            word()
        corners = [table[word()] for _ in range(word())]
        q0, q1, q2 = corners[:3]
        e = [a - b for a, b in zip(q0, q1)]
        f = [a - b for a, b in zip(q2, q1)]
        m = (e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0])
        length = math.sqrt(sum(c * c for c in m))
        n = [c / length for c in m]
        planes.append((n, -sum(a * b for a, b in zip(n, q0))))
    rooms.append(planes)

lines = 0
last = None
visits = {}
with open(trace) as t:
    header = t.readline()
    for line in t:
        lines += 1
        last = line
        room_of_pass = line[line.index("\t") + 1:line.index("\t", line.index("\t") + 1)]
        visits[room_of_pass] = visits.get(room_of_pass, 0) + 1
        # room, position and orientation must stay finite numbers
        fields = line.split("\t")
        if "nan" in line or "inf" in line:
            sys.exit(f"soak: FAIL: pass {fields[0]} has a value that is not finite: {line.strip()}")
if lines != passes:
    sys.exit(f"soak: FAIL: {lines} trace lines for {passes} passes")
fields = last.split("\t")
room = int(fields[1])
eye = [float(v) for v in fields[2:5]]
worst = min(sum(a * b for a, b in zip(n, eye)) + d for n, d in rooms[room]) if rooms[room] else 0.0
if worst < -0.001:
    sys.exit(f"soak: FAIL: the camera at {eye} ends {-worst:.6g} outside room {room}")
print(f"soak: the last pass has the camera in room {room} at ({eye[0]:.6g}, {eye[1]:.6g}, {eye[2]:.6g})")
print("soak: passes per room: " + ", ".join(f"room {r}: {n}" for r, n in sorted(visits.items())))
PY
python3 -c "import sys; p, s = int(sys.argv[1]), float(sys.argv[2]) - float(sys.argv[3]); print(f'soak: {p} passes in {s:.1f} s: {p / s:.0f} passes per second')" \
  "$passes" "$end" "$start"
