"""Reads lintoro-cli's DXF crease patterns back with ezdxf, a reader of its own.

A bent sheet is folded twice (two curved creases) and written as FOLD and DXF;
the DXF's polylines must be the FOLD file's edges, layer by layer, on both
sides, within 1e-6 mm, and its dashes must keep off the paper's edge.
Usage: dxf_readback.py LINTORO_CLI SCRATCH_DIR. Exits 77 (skipped) without ezdxf.
"""
import json
import math
import os
import subprocess
import sys

try:
    import ezdxf
except ImportError:
    print("ezdxf (Debian's python3-ezdxf) is not installed")
    sys.exit(77)

CLI, SCRATCH = sys.argv[1], sys.argv[2]
os.makedirs(SCRATCH, exist_ok=True)
TOL = 1e-6
FOLD_STEPS = ["--select", "0.5,0.3,0.1", "--drag-by=-0.2,0,0.15:3", "--fix",
              "--select=-0.5,-0.3,0.1", "--drag-by=0.2,0,0.15:3", "--fix"]


def run(*args):
    subprocess.run([CLI, *args], check=True, stdout=subprocess.DEVNULL)


def path(name):
    return os.path.join(SCRATCH, name)


run("sheet", "--width", "200", "--height", "150", "--cells", "30", "--bend", "cylinder",
    "--angle", "150", "-o", path("bent.obj"))
run("fold", path("bent.obj"), "-o", path("bent-out.obj"), *FOLD_STEPS,
    "--crease-pattern", path("bent.fold"), "--crease-pattern", path("plain.dxf"))
run("fold", path("bent.obj"), "-o", path("bent-out.obj"), *FOLD_STEPS, "--side", "both",
    "--bends", "--crease-pattern", path("both.dxf"))
run("fold", path("bent.obj"), "-o", path("bent-out.obj"), *FOLD_STEPS, "--side", "split",
    "--dash", "3,1.5,2", "--crease-pattern", path("dashed.dxf"))

fold = json.load(open(path("bent.fold")))
coords = fold["vertices_coords"]
lo_u = min(c[0] for c in coords)
lo_v = min(c[1] for c in coords)
width = max(c[0] for c in coords) - lo_u
height = max(c[1] for c in coords) - lo_v
KIND_LAYER = {"B": "CUT", "M": "MOUNTAIN", "V": "VALLEY"}
SWAPPED = {"B": "CUT", "M": "VALLEY", "V": "MOUNTAIN"}
COLOURS = {"CUT": 7, "MOUNTAIN": 1, "VALLEY": 5, "BEND": 8}
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def key(a, b):
    pa = (round(a[0], 5), round(a[1], 5))
    pb = (round(b[0], 5), round(b[1], 5))
    return min(pa, pb), max(pa, pb)


def expected_segments(back):
    """The FOLD file's edges by layer, in the DXF's frame (y up from the bottom edge)."""
    out = {}
    for (a, b), kind in zip(fold["edges_vertices"], fold["edges_assignment"]):
        if kind not in KIND_LAYER:
            continue
        layer = (SWAPPED if back else KIND_LAYER)[kind]
        ends = []
        for v in (a, b):
            x = coords[v][0] - lo_u
            ends.append((width - x if back else x, coords[v][1] - lo_v))
        out.setdefault(("BACK_" if back else "") + layer, []).append(ends)
    return out


def entity_points(e):
    if e.dxftype() == "LINE":
        return [tuple(e.dxf.start)[:2], tuple(e.dxf.end)[:2]], False
    points = [tuple(v.dxf.location)[:2] for v in e.vertices]
    return points, e.is_closed


def read(name):
    doc = ezdxf.readfile(path(name))
    check(doc.dxfversion == "AC1009", f"{name}: version {doc.dxfversion}")
    by_layer = {}
    for e in doc.modelspace():
        check(e.dxftype() in ("LINE", "POLYLINE"), f"{name}: a {e.dxftype()}")
        check(e.dxf.color == 256, f"{name}: an entity not coloured by its layer")
        layer = e.dxf.layer
        check(layer in doc.layers, f"{name}: entity on undeclared layer {layer}")
        by_layer.setdefault(layer, []).append(entity_points(e))
    for layer in doc.layers:
        base = layer.dxf.name.replace("BACK_", "")
        if base in COLOURS:
            check(layer.color == COLOURS[base], f"{name}: {layer.dxf.name} colour {layer.color}")
    ext = (doc.header["$EXTMIN"], doc.header["$EXTMAX"])
    check(abs(ext[0][0]) < TOL and abs(ext[0][1]) < TOL and abs(ext[1][0] - width) < TOL and
          abs(ext[1][1] - height) < TOL, f"{name}: extent {ext}")
    return doc, by_layer


def length(points, closed):
    pts = points + points[:1] if closed else points
    return sum(math.dist(p, q) for p, q in zip(pts, pts[1:]))


def same_polylines(name, by_layer, expected):
    for layer, segments in expected.items():
        got = []
        total = 0.0
        for points, closed in by_layer.get(layer, []):
            pts = points + points[:1] if closed else points
            got += [key(p, q) for p, q in zip(pts, pts[1:])]
            total += length(points, closed)
        want = sorted(key(a, b) for a, b in segments)
        check(sorted(got) == want, f"{name}: {layer} has {len(got)} segments, FOLD {len(want)}")
        want_length = sum(math.dist(a, b) for a, b in segments)
        check(abs(total - want_length) < TOL, f"{name}: {layer} length {total} vs {want_length}")
    xs = [p[0] for polylines in by_layer.values() for pts, _ in polylines for p in pts]
    ys = [p[1] for polylines in by_layer.values() for pts, _ in polylines for p in pts]
    check(abs(min(xs)) < TOL and abs(max(xs) - width) < TOL and abs(min(ys)) < TOL and
          abs(max(ys) - height) < TOL, f"{name}: drawing spans {min(xs)}..{max(xs)}, "
          f"{min(ys)}..{max(ys)}")


doc, plain = read("plain.dxf")
check(set(plain) <= {"CUT", "MOUNTAIN", "VALLEY"}, f"plain.dxf layers {set(plain)}")
check(len(plain.get("VALLEY", [])) >= 2, "plain.dxf: fewer than two valley polylines")
same_polylines("plain.dxf", plain, expected_segments(False))

doc, both = read("both.dxf")
check({layer.dxf.name for layer in doc.layers} >= {"CUT", "MOUNTAIN", "VALLEY", "BEND",
      "BACK_CUT", "BACK_MOUNTAIN", "BACK_VALLEY", "BACK_BEND"}, "both.dxf: a layer missing")
check(len(both.get("BEND", [])) > 0, "both.dxf: no bends drawn")
expected = expected_segments(False)
expected.update(expected_segments(True))
same_polylines("both.dxf", both, expected)

doc, dashed = read("dashed.dxf")
# Split: the valleys on the front; the back shows the mountains, here none.
check("VALLEY" in dashed and "BACK_VALLEY" not in dashed and "MOUNTAIN" not in dashed,
      f"dashed.dxf layers {set(dashed)}")
for points, closed in dashed["VALLEY"]:
    check(length(points, closed) <= 3 + TOL, "dashed.dxf: a dash longer than 3 mm")
    for x, y in points:
        check(2 - TOL <= x <= width - 2 + TOL and 2 - TOL <= y <= height - 2 + TOL,
              f"dashed.dxf: a dash at {x}, {y} within 2 mm of the edge")

for f in failures[:20]:
    print(f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
