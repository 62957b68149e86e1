#!/usr/bin/env python3
"""Quality of the UV layouts of OBJ meshes: islands, flipped and zero-area faces,
overlap, efficiency, angle and area distortion and stretch. Standard library only.

    tools/uv-metrics.py MESH.obj ...         one line of figures per mesh
    tools/uv-metrics.py --sphere OUT.obj     writes a 32 x 16 UV sphere
    tools/uv-metrics.py --grid OUT.obj       writes the bumpy grid of 2 x 255 x 255 triangles
    tools/uv-metrics.py --table              Auto Unwrap in loomhost (build/bin, under tools/wine-run)
                                             of the spider and Wuson test models, the sphere and the
                                             grid, and their figures in one table

Figures (UVs as the file has them, v up; polygons taken as fans):
  islands     faces joined through edges with the same two vertices and the same UVs
  flipped     faces whose UV winding is opposite to their 3D winding (negative UV area)
  zero        faces with a 3D area but (almost) no UV area
  overlap     UV area covered by two faces at once, in % of the layout's UV area
  outside     corners outside the unit square
  efficiency  UV area of all faces / area of the unit square
  angle       mean |UV angle - 3D angle| of the corners, degrees, weighted by 3D area
  area        mean |ln(UV area share / 3D area share)|, weighted by 3D area (0: even)
  stretch     L2 texture stretch, scaled so that 1 is an isometry up to one scale
"""
import math
import os
import subprocess
import sys
import tempfile
from collections import defaultdict


def read_obj(path):
    positions, uvs, faces = [], [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.split()
            if not parts:
                continue
            if parts[0] == "v":
                positions.append(tuple(float(x) for x in parts[1:4]))
            elif parts[0] == "vt":
                u = float(parts[1])
                v = float(parts[2]) if len(parts) > 2 else 0.0
                uvs.append((u, v))
            elif parts[0] == "f":
                corners = []
                for token in parts[1:]:
                    if token.startswith("#"):
                        break
                    fields = token.split("/")
                    vi = int(fields[0])
                    ti = int(fields[1]) if len(fields) > 1 and fields[1] else 0
                    vi = vi - 1 if vi > 0 else len(positions) + vi
                    ti = ti - 1 if ti > 0 else (len(uvs) + ti if ti < 0 else -1)
                    corners.append((vi, ti))
                for k in range(1, len(corners) - 1):
                    faces.append((corners[0], corners[k], corners[k + 1]))
    return positions, uvs, faces


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def norm(a):
    return math.sqrt(dot(a, a))


def area2(p, q, r):
    return ((q[0] - p[0]) * (r[1] - p[1]) - (r[0] - p[0]) * (q[1] - p[1])) / 2


def angle(a, b):
    return math.atan2(norm(cross(a, b)) if len(a) == 3 else abs(a[0] * b[1] - a[1] * b[0]), dot(a, b))


def clip(polygon, a, b):
    """The part of a convex polygon left of the line a -> b."""
    out = []
    for i, p in enumerate(polygon):
        q = polygon[(i + 1) % len(polygon)]
        sp, sq = area2(a, b, p), area2(a, b, q)
        if sp >= 0:
            out.append(p)
        if (sp >= 0) != (sq >= 0):
            t = sp / (sp - sq)
            out.append((p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1])))
    return out


def separated(s, t):
    """An edge of either triangle separates them (touching counts as apart)."""
    for tri in (s, t):
        for i in range(3):
            a, b = tri[i], tri[(i + 1) % 3]
            n = (b[1] - a[1], a[0] - b[0])
            ps = [n[0] * p[0] + n[1] * p[1] for p in s]
            pt = [n[0] * p[0] + n[1] * p[1] for p in t]
            tolerance = 1e-9 * (abs(n[0]) + abs(n[1]))
            if max(ps) <= min(pt) + tolerance or max(pt) <= min(ps) + tolerance:
                return True
    return False


def overlap_area(triangles):
    """UV area that two triangles cover at once, found through a grid of cells."""
    if not triangles:
        return 0.0
    lo_u = min(p[0] for t in triangles for p in t)
    lo_v = min(p[1] for t in triangles for p in t)
    hi_u = max(p[0] for t in triangles for p in t)
    hi_v = max(p[1] for t in triangles for p in t)
    cells = max(1, int(math.sqrt(len(triangles))))
    size = max(hi_u - lo_u, hi_v - lo_v, 1e-12) / cells
    grid = defaultdict(list)
    boxes = []
    for i, t in enumerate(triangles):
        box = (min(p[0] for p in t), min(p[1] for p in t), max(p[0] for p in t), max(p[1] for p in t))
        boxes.append(box)
        for cu in range(int((box[0] - lo_u) / size), int((box[2] - lo_u) / size) + 1):
            for cv in range(int((box[1] - lo_v) / size), int((box[3] - lo_v) / size) + 1):
                grid[(cu, cv)].append(i)
    total, seen = 0.0, set()
    for members in grid.values():
        for x in range(len(members)):
            i = members[x]
            for j in members[x + 1:]:
                bi, bj = boxes[i], boxes[j]
                if bi[2] <= bj[0] or bj[2] <= bi[0] or bi[3] <= bj[1] or bj[3] <= bi[1]:
                    continue
                if (i, j) in seen:
                    continue
                seen.add((i, j))
                s, t = triangles[i], triangles[j]
                if separated(s, t):
                    continue
                if area2(*t) < 0:
                    t = (t[0], t[2], t[1])
                polygon = list(s)
                for k in range(3):
                    polygon = clip(polygon, t[k], t[(k + 1) % 3])
                    if not polygon:
                        break
                total += abs(sum(area2((0, 0), polygon[k], polygon[(k + 1) % len(polygon)])
                                 for k in range(len(polygon)))) if len(polygon) > 2 else 0.0
    return total


def metrics(path):
    positions, uvs, faces = read_obj(path)
    triangles, records = [], []
    for face in faces:
        if any(t < 0 or t >= len(uvs) or v < 0 or v >= len(positions) for v, t in face):
            continue
        p = [positions[v] for v, _ in face]
        q = [uvs[t] for _, t in face]
        a3 = norm(cross(sub(p[1], p[0]), sub(p[2], p[0]))) / 2
        records.append((face, p, q, a3, area2(*q)))
        triangles.append(tuple(q))
    # Islands: union-find over faces sharing two vertices with equal UVs at both ends.
    parent = list(range(len(records)))

    def root(x):
        while parent[x] != x:
            parent[x] = parent[parent[x]]
            x = parent[x]
        return x

    edges = {}
    for i, (face, _, q, _, _) in enumerate(records):
        for k in range(3):
            (va, _), (vb, _) = face[k], face[(k + 1) % 3]
            ends = {va: q[k], vb: q[(k + 1) % 3]}
            key = (min(va, vb), max(va, vb))
            if key in edges:
                j, other = edges[key]
                if all(abs(ends[v][0] - other[v][0]) <= 1e-6 and abs(ends[v][1] - other[v][1]) <= 1e-6
                       for v in ends):
                    parent[root(i)] = root(j)
            else:
                edges[key] = (i, ends)
    islands = len({root(i) for i in range(len(records))})
    total3 = sum(r[3] for r in records) or 1.0
    totaluv = sum(abs(r[4]) for r in records) or 1.0
    flipped = sum(1 for r in records if r[3] > 0 and r[4] < -1e-15)
    zero = sum(1 for r in records if r[3] > 0 and abs(r[4]) <= 1e-15)
    outside = sum(1 for r in records for uv in r[2] if not (-1e-6 <= uv[0] <= 1 + 1e-6 and -1e-6 <= uv[1] <= 1 + 1e-6))
    angle_sum = area_sum = stretch_sum = 0.0
    for _, p, q, a3, auv in records:
        if a3 <= 0:
            continue
        error = 0.0
        for k in range(3):
            a = angle(sub(p[(k + 1) % 3], p[k]), sub(p[(k + 2) % 3], p[k]))
            b = angle(sub(q[(k + 1) % 3], q[k]), sub(q[(k + 2) % 3], q[k]))
            error += abs(a - b)
        angle_sum += a3 * math.degrees(error / 3)
        share = abs(auv) / totaluv / (a3 / total3)
        area_sum += a3 * (abs(math.log(share)) if share > 0 else 50.0)
        if abs(auv) > 0:
            # Sander's stretch: derivatives of the surface point along u and v.
            (s1, t1), (s2, t2), (s3, t3) = q
            ss = sub(p[1], p[0]), sub(p[2], p[0])
            d = 2 * auv
            su = tuple((ss[0][i] * (t3 - t1) - ss[1][i] * (t2 - t1)) / d for i in range(3))
            sv = tuple((ss[1][i] * (s2 - s1) - ss[0][i] * (s3 - s1)) / d for i in range(3))
            stretch_sum += a3 * (dot(su, su) + dot(sv, sv)) / 2
    overlap = overlap_area(triangles)
    return {
        "faces": len(records), "islands": islands, "flipped": flipped, "zero": zero,
        "overlap%": 100 * overlap / totaluv, "outside": outside, "efficiency": sum(abs(r[4]) for r in records),
        "angle": angle_sum / total3, "area": area_sum / total3,
        "stretch": math.sqrt(stretch_sum / total3) * math.sqrt(totaluv / total3),
    }


def write_obj(path, positions, uvs, faces):
    with open(path, "w") as f:
        f.write("".join(f"v {x:.7g} {y:.7g} {z:.7g}\n" for x, y, z in positions))
        f.write("".join(f"vt {u:.7g} {v:.7g}\n" for u, v in uvs))
        f.write("".join("f " + " ".join(f"{v + 1}/{t + 1}" for v, t in face) + "\n" for face in faces))


def sphere(path, segments=32, rings=16):
    """Poles and rings; shared positions on the seam, its own UV column there."""
    positions = [(0.0, 0.0, 1.0)]
    for i in range(1, rings):
        theta = math.pi * i / rings
        positions += [(math.sin(theta) * math.cos(2 * math.pi * j / segments),
                       math.sin(theta) * math.sin(2 * math.pi * j / segments), math.cos(theta))
                      for j in range(segments)]
    positions.append((0.0, 0.0, -1.0))
    uvs = [(j / segments, 1 - i / rings) for i in range(1, rings) for j in range(segments + 1)]
    uvs += [((j + 0.5) / segments, 1.0) for j in range(segments)] + [((j + 0.5) / segments, 0.0) for j in range(segments)]
    top, bottom = len(uvs) - 2 * segments, len(uvs) - segments
    ring = lambda i, j: 1 + (i - 1) * segments + j % segments
    tex = lambda i, j: (i - 1) * (segments + 1) + j
    faces = []
    for j in range(segments):
        faces.append(((0, top + j), (ring(1, j), tex(1, j)), (ring(1, j + 1), tex(1, j + 1))))
        faces.append(((len(positions) - 1, bottom + j), (ring(rings - 1, j + 1), tex(rings - 1, j + 1)),
                      (ring(rings - 1, j), tex(rings - 1, j))))
        for i in range(1, rings - 1):
            a, b, c, d = (ring(i, j), tex(i, j)), (ring(i + 1, j), tex(i + 1, j)), \
                (ring(i + 1, j + 1), tex(i + 1, j + 1)), (ring(i, j + 1), tex(i, j + 1))
            faces += [(a, b, c), (a, c, d)]
    write_obj(path, positions, uvs, faces)


def grid(path, n=255):
    """The bumpy grid of the operations' benchmark, UVs on the grid points."""
    positions, uvs = [], []
    for j in range(n + 1):
        for i in range(n + 1):
            x, y = 2 * i / n - 1, 2 * j / n - 1
            positions.append((x, y, 0.25 * math.sin(3 * x) * math.cos(3 * y)))
            uvs.append((i / n, j / n))
    faces = []
    for j in range(n):
        for i in range(n):
            v = j * (n + 1) + i
            a, b, c, d = (v, v), (v + 1, v + 1), (v + n + 2, v + n + 2), (v + n + 1, v + n + 1)
            faces += [(a, b, c), (a, c, d)]
    write_obj(path, positions, uvs, faces)


NAMES = ["faces", "islands", "flipped", "zero", "overlap%", "outside", "efficiency", "angle", "area", "stretch"]


def print_table(rows):
    """rows: (label, path) pairs; one line of figures each."""
    print(f"{'mesh':32}" + "".join(f"{n:>11}" for n in NAMES), flush=True)
    for label, path in rows:
        m = metrics(path)
        print(f"{label[-32:]:32}" + "".join(f"{m[n]:11.4g}" if isinstance(m[n], float) else f"{m[n]:11d}"
                                            for n in NAMES), flush=True)


def auto_unwrap_table():
    """The quality table of Auto Unwrap on the four meshes the packing is judged by."""
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = os.environ.get("TEXLOOM_BUILD_DIR", os.path.join(here, "build"))
    loomhost = os.path.join(build, "bin", "loomhost.exe")
    if not os.path.exists(loomhost):
        print(f"uv-metrics: {loomhost} missing: tools/build --target loomhost", file=sys.stderr)
        return 1
    models = "/usr/share/assimp/models/OBJ"
    with tempfile.TemporaryDirectory(prefix="uv-metrics-") as folder:
        meshes = [("spider", os.path.join(models, "spider.obj")), ("Wuson", os.path.join(models, "WusonOBJ.obj")),
                  ("sphere", os.path.join(folder, "sphere.obj")), ("grid", os.path.join(folder, "grid.obj"))]
        sphere(meshes[2][1])
        grid(meshes[3][1])
        rows = []
        for label, path in meshes:
            if not os.path.exists(path):
                print(f"uv-metrics: {path} missing (Debian's assimp-testmodels); {label} left out", file=sys.stderr)
                continue
            out = os.path.join(folder, label + "-unwrapped.obj")
            subprocess.run([os.path.join(here, "tools", "wine-run"), loomhost, "--batch", "--open", "Z:" + path,
                            "--invoke", "UV Editor", "--uv-command", "Select/Select All",
                            "--uv-command", "Tools/Auto Unwrap", "--save", "Z:" + out], check=True)
            rows.append((label, out))
        print_table(rows)
    return 0


def main(args):
    if len(args) == 2 and args[0] in ("--sphere", "--grid"):
        (sphere if args[0] == "--sphere" else grid)(args[1])
        return 0
    if args == ["--table"]:
        return auto_unwrap_table()
    if not args or args[0].startswith("-"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    print_table([(path, path) for path in args])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
