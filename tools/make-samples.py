#!/usr/bin/env python3
"""Writes the sample meshes of samples/: small OBJ files with texture coordinates,
their MTL file, a checker texture and the cube once more as glTF 2.0 (cube.gltf with its
buffer cube.bin). Standard library only; run from anywhere.

The layouts are laid out with v = 0 at the top row of the texture, the way the UV
editor shows it, and written in the OBJ convention (v = 0 at the bottom row)."""
import json
import math
import struct
import zlib
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "samples"


def fmt(x):
    return f"{x:.6g}"


def write_obj(name, header, vertices, uvs, faces, material=None):
    lines = [f"# {header}", "# written by tools/make-samples.py"]
    if material:
        lines.append("mtllib samples.mtl")
    lines += [f"v {fmt(x)} {fmt(y)} {fmt(z)}" for x, y, z in vertices]
    lines += [f"vt {fmt(u)} {fmt(1 - v)}" for u, v in uvs]
    if material:
        lines.append(f"usemtl {material}")
    for face in faces:
        lines.append("f " + " ".join(f"{v + 1}/{t + 1}" for v, t in face))
    (OUT / name).write_text("\n".join(lines) + "\n")


def write_gltf(name, vertices, uvs, faces, image):
    """The polygons as triangle fans; one glTF vertex per distinct (position, UV) corner.
    glTF counts v from the top row, as the layouts here do. The node turns the mesh a
    little so that three sides face the default camera."""
    corners, keys, indices = [], {}, []
    for face in faces:
        ids = [keys.setdefault(c, len(keys)) for c in face]
        for k in range(1, len(ids) - 1):
            indices += [ids[0], ids[k], ids[k + 1]]
    corners = sorted(keys, key=keys.get)
    positions = [c for v, _ in corners for c in vertices[v]]
    texcoords = [c for _, t in corners for c in uvs[t]]
    data = struct.pack(f"<{len(positions)}f", *positions) + struct.pack(f"<{len(texcoords)}f", *texcoords)
    data += struct.pack(f"<{len(indices)}H", *indices)
    data += b"\0" * (-len(data) % 4)
    count = len(corners)
    bin_name = name.replace(".gltf", ".bin")
    (OUT / bin_name).write_bytes(data)
    gltf = {
        "asset": {"version": "2.0", "generator": "tools/make-samples.py"},
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "cube", "mesh": 0, "rotation": [0.2164, 0.3304, -0.0898, 0.9143]}],
        "meshes": [{"name": "cube", "primitives": [
            {"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "material": 0}]}],
        "materials": [{"name": "checker", "pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
        "textures": [{"source": 0}],
        "images": [{"name": "checker", "uri": image}],
        "accessors": [
            {"bufferView": 0, "componentType": 5126, "count": count, "type": "VEC3",
             "min": [min(positions[i::3]) for i in range(3)], "max": [max(positions[i::3]) for i in range(3)]},
            {"bufferView": 1, "componentType": 5126, "count": count, "type": "VEC2"},
            {"bufferView": 2, "componentType": 5123, "count": len(indices), "type": "SCALAR"}],
        "bufferViews": [
            {"buffer": 0, "byteOffset": 0, "byteLength": 12 * count},
            {"buffer": 0, "byteOffset": 12 * count, "byteLength": 8 * count},
            {"buffer": 0, "byteOffset": 20 * count, "byteLength": 2 * len(indices)}],
        "buffers": [{"uri": bin_name, "byteLength": len(data)}],
    }
    (OUT / name).write_text(json.dumps(gltf, indent=1) + "\n")


def cube():
    """A unit cube as quads, unfolded as a cross over the texture."""
    p = [(x, y, z) for x in (-0.5, 0.5) for y in (-0.5, 0.5) for z in (-0.5, 0.5)]
    index = {v: i for i, v in enumerate(p)}
    s = 0.5

    def corner(x, y, z):
        return index[(x * s, y * s, z * s)]

    # Each side: four corners counter-clockwise seen from outside, and the cell of
    # the cross (column, row) on a 4 x 3 grid.
    sides = [
        ([(-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, 1)], (1, 1)),      # +z front
        ([(1, -1, 1), (1, -1, -1), (1, 1, -1), (1, 1, 1)], (2, 1)),      # +x right
        ([(1, -1, -1), (-1, -1, -1), (-1, 1, -1), (1, 1, -1)], (3, 1)),  # -z back
        ([(-1, -1, -1), (-1, -1, 1), (-1, 1, 1), (-1, 1, -1)], (0, 1)),  # -x left
        ([(-1, 1, 1), (1, 1, 1), (1, 1, -1), (-1, 1, -1)], (1, 0)),      # +y top
        ([(-1, -1, -1), (1, -1, -1), (1, -1, 1), (-1, -1, 1)], (1, 2)),  # -y bottom
    ]
    uvs, faces = [], []
    for corners, (col, row) in sides:
        u0, v0, du, dv = col / 4, row / 3, 1 / 4, 1 / 3
        cell = [(u0, v0 + dv), (u0 + du, v0 + dv), (u0 + du, v0), (u0, v0)]
        base = len(uvs)
        uvs += cell
        faces.append([(corner(*c), base + k) for k, c in enumerate(corners)])
    write_obj("cube.obj", "cube, 6 quads (12 triangles), UVs unfolded as a cross",
              p, uvs, faces, "checker")
    write_gltf("cube.gltf", p, uvs, faces, "checker.png")


def plane(n=4):
    """An n x n grid of quads in the x-z plane, UVs covering the unit square."""
    vertices, uvs, faces = [], [], []
    for j in range(n + 1):
        for i in range(n + 1):
            vertices.append((i / n - 0.5, 0.0, j / n - 0.5))
            uvs.append((i / n, j / n))
    for j in range(n):
        for i in range(n):
            a = j * (n + 1) + i
            quad = [a, a + n + 1, a + n + 2, a + 1]
            faces.append([(k, k) for k in quad])
    write_obj("plane.obj", f"plane, {n} x {n} quads", vertices, uvs, faces, "checker")


def cylinder(sides=12):
    """An open cylinder along y with a seam: the UVs wrap once around."""
    vertices, uvs, faces = [], [], []
    for k in range(sides):
        a = 2 * math.pi * k / sides
        for y in (-0.5, 0.5):
            vertices.append((0.5 * math.cos(a), y, 0.5 * math.sin(a)))
    for k in range(sides + 1):
        for v in (1.0, 0.0):
            uvs.append((k / sides, v))
    for k in range(sides):
        b0, t0 = 2 * k, 2 * k + 1
        b1, t1 = 2 * ((k + 1) % sides), 2 * ((k + 1) % sides) + 1
        faces.append([(b0, 2 * k), (t0, 2 * k + 1), (t1, 2 * k + 3), (b1, 2 * k + 2)])
    write_obj("cylinder.obj", f"open cylinder, {sides} sides, one seam", vertices, uvs, faces, "checker")


def png(path, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                     chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def checker():
    """256 x 256: 8 x 8 cells, warm at the top left, cool at the bottom right, so that
    orientation shows."""
    def pixel(x, y):
        cx, cy = x // 32, y // 32
        light = (cx + cy) % 2 == 0
        r = 90 + 20 * cx if light else 40
        g = 200 - 10 * cy if light else 40 + 5 * cy
        b = 60 + 22 * cy if light else 60
        if x % 32 == 0 or y % 32 == 0:
            r, g, b = 20, 20, 20
        return (min(r, 255), min(g, 255), min(b, 255))
    png(OUT / "checker.png", 256, 256, pixel)


def main():
    OUT.mkdir(exist_ok=True)
    (OUT / "samples.mtl").write_text(
        "# written by tools/make-samples.py\nnewmtl checker\nKd 0.8 0.8 0.8\nmap_Kd checker.png\n")
    cube()
    plane()
    cylinder()
    checker()


if __name__ == "__main__":
    main()
