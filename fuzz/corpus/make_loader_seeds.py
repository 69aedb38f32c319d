#!/usr/bin/env python3
"""Writes the hand-made level files of the loader corpus: small files, most of them broken
in one way each. Run from anywhere; writes into fuzz/corpus/loader/. The message each file
must produce is kept in fuzz/corpus/loader-messages.tsv."""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "loader")


class Level:
    def __init__(self):
        self.data = bytearray()

    def i32(self, *values):
        for v in values:
            self.data += struct.pack("<i", v)
        return self

    def f32(self, *values):
        for v in values:
            self.data += struct.pack("<f", v)
        return self

    def raw(self, b):
        self.data += b
        return self

    def vertex(self, x, y, z):  # file order: z, x, y
        return self.f32(z, x, y)

    def wall(self, *indices):
        return self.i32(len(indices), *indices)

    def portal(self, target, *indices):
        return self.i32(target).wall(*indices)


CUBE_FACES = [(2, 0, 4, 6), (5, 1, 3, 7), (4, 0, 1, 5), (3, 2, 6, 7), (1, 0, 2, 3), (6, 4, 5, 7)]


def cube_vertices(l, offset_x=0.0):
    for b in range(8):
        l.vertex(offset_x + (b & 1), (b >> 1) & 1, (b >> 2) & 1)
    return l


def cube_room(l, base=0, portal_face=None, target=0):
    faces = [f for i, f in enumerate(CUBE_FACES) if i != portal_face]
    l.i32(len(faces), 0 if portal_face is None else 1)
    for f in faces:
        l.wall(*[i + base for i in f])
    if portal_face is not None:
        l.portal(target, *[i + base for i in CUBE_FACES[portal_face]])
    return l


def cube_level(header_word=0):
    return cube_room(cube_vertices(Level().i32(8, header_word, 1)))


def two_cubes():
    """Two unit cubes side by side along x, joined by one opening (face 1 of the first,
    face 0 of the second)."""
    l = Level().i32(12, 0, 2)
    for b in range(12):
        l.vertex(b % 3, (b // 3) & 1, b // 6)
    # corner (x, y, z) of the 3 x 2 x 2 grid has index x + 3y + 6z
    def idx(c, base):
        x, y, z = c & 1, (c >> 1) & 1, c >> 2
        return (x + base) + 3 * y + 6 * z
    for base, portal_face, target in ((0, 1, 1), (1, 0, 0)):
        faces = [f for i, f in enumerate(CUBE_FACES) if i != portal_face]
        l.i32(5, 1)
        for f in faces:
            l.wall(*[idx(c, base) for c in f])
        l.portal(target, *[idx(c, base) for c in CUBE_FACES[portal_face]])
    return l


def files():
    f = {}
    f["empty.b2"] = Level()
    f["header_short.b2"] = Level().i32(8, 0)
    f["header_torn_word.b2"] = Level().i32(8, 0).raw(b"\x01\x00")
    f["no_rooms.b2"] = Level().i32(0, 0, 0)
    f["room_count_nine.b2"] = cube_vertices(Level().i32(8, 0, 9))
    f["room_count_negative.b2"] = cube_vertices(Level().i32(8, 0, -1))
    f["room_count_huge.b2"] = Level().i32(8, 0, 0x7FFFFFFF)
    f["vertex_count_negative.b2"] = Level().i32(-5, 0, 1)
    f["vertex_count_huge.b2"] = cube_vertices(Level().i32(0x7FFFFFFF, 0, 1))
    # The table's cap is 65,536: one more is refused before any record is read, the cap
    # itself is read (and here ends early).
    f["vertex_count_over_cap.b2"] = cube_vertices(Level().i32(65537, 0, 1))
    f["vertex_count_at_cap_short.b2"] = cube_vertices(Level().i32(65536, 0, 1))
    f["vertex_table_short.b2"] = Level().i32(3, 0, 1).vertex(0, 0, 0).vertex(1, 0, 0).f32(1.0)
    l = cube_vertices(Level().i32(9, 0, 1)).vertex(float("inf"), 0, 0)
    f["vertex_infinite.b2"] = cube_room(l)
    l = cube_vertices(Level().i32(9, 0, 1)).vertex(0, float("nan"), 0)
    f["vertex_nan.b2"] = cube_room(l)
    # Finite in the file, but not after the factor 10.
    l = cube_vertices(Level().i32(9, 0, 1)).vertex(0, 0, 3.0e38)
    f["vertex_overflows_when_scaled.b2"] = cube_room(l)
    f["room_counts_short.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(6)
    f["walls_negative.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(-1, 0)
    f["portals_negative.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(6, -2)
    f["polygons_twenty_one.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(15, 6)
    f["polygon_counts_overflow.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(0x7FFFFFFF, 0x7FFFFFFF)
    f["polygon_two_vertices.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).wall(0, 1)
    f["polygon_seventeen_vertices.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).wall(*([0, 1, 2, 3] * 4 + [0]))
    f["polygon_vertex_count_negative.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).i32(-3)
    f["polygon_vertex_count_missing.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0)
    f["vertex_index_past_table.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).wall(0, 1, 8)
    f["vertex_index_negative.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).wall(0, -1, 2)
    f["vertex_indices_short.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).i32(4, 2, 0)
    l = cube_vertices(Level().i32(8, 0, 1)).i32(5, 1)
    for face in CUBE_FACES[:5]:
        l.wall(*face)
    f["portal_target_past_rooms.b2"] = l.portal(1, *CUBE_FACES[5])
    l = cube_vertices(Level().i32(8, 0, 1)).i32(5, 1)
    for face in CUBE_FACES[:5]:
        l.wall(*face)
    f["portal_target_negative.b2"] = l.portal(-1, *CUBE_FACES[5])
    l = cube_vertices(Level().i32(8, 0, 1)).i32(5, 1)
    for face in CUBE_FACES[:5]:
        l.wall(*face)
    f["portal_target_missing.b2"] = l
    # A portal into its own room breaks the level's rules but not the loader's limits.
    l = cube_vertices(Level().i32(8, 0, 1)).i32(5, 1)
    for face in CUBE_FACES[:5]:
        l.wall(*face)
    f["portal_into_own_room.b2"] = l.portal(0, *CUBE_FACES[5])
    f["wall_collinear.b2"] = Level().i32(4, 0, 1).vertex(0, 0, 0).vertex(1, 0, 0).vertex(2, 0, 0) \
        .vertex(0, 1, 0).i32(1, 0).wall(0, 1, 2, 3)
    f["wall_coincident.b2"] = cube_vertices(Level().i32(8, 0, 1)).i32(1, 0).wall(3, 3, 3)
    f["portal_collinear.b2"] = cube_vertices(Level().i32(8, 0, 2)).i32(0, 1).portal(1, 0, 1, 1) \
        .i32(0, 0)
    # Corners so close that their cross product vanishes in float.
    f["wall_too_small_for_a_plane.b2"] = Level().i32(3, 0, 1).vertex(0, 0, 0).vertex(1e-30, 0, 0) \
        .vertex(0, 1e-30, 0).i32(1, 0).wall(0, 1, 2)
    # Corners so far apart that their differences overflow.
    f["wall_too_large_for_a_plane.b2"] = Level().i32(3, 0, 1).vertex(3e37, 0, 0).vertex(-3e37, 0, 0) \
        .vertex(0, 3e37, 0).i32(1, 0).wall(0, 1, 2)
    l = two_cubes()
    f["two_rooms.b2"] = l
    f["two_rooms_second_room_short.b2"] = Level().raw(bytes(two_cubes().data[:-8]))
    l = two_cubes()
    data = bytearray(l.data)
    # The last index of the second room's portal points past the vertex table.
    data[-4:] = struct.pack("<i", 12)
    f["two_rooms_second_portal_bad_index.b2"] = Level().raw(bytes(data))
    f["cube.b2"] = cube_level()
    f["cube_header_word_junk.b2"] = cube_level(header_word=-123456789)
    f["cube_trailing_bytes.b2"] = cube_level().raw(b"trailing bytes are never read")
    f["room_without_polygons.b2"] = Level().i32(0, 0, 1).i32(0, 0)
    # Sixteen corners, the most a polygon may have, on a circle.
    l = Level().i32(16, 0, 1)
    for k in range(16):
        a = 2 * math.pi * k / 16
        l.vertex(math.cos(a), math.sin(a), 0)
    f["wall_sixteen_vertices.b2"] = l.i32(1, 0).wall(*range(16))
    # Plane from the first three corners only: the fourth may lie anywhere.
    f["wall_later_corners_collinear.b2"] = Level().i32(4, 0, 1).vertex(0, 0, 0).vertex(1, 0, 0) \
        .vertex(2, 0, 0).vertex(0, 1, 0).i32(1, 0).wall(3, 0, 1, 2)
    return f


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, level in sorted(files().items()):
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(bytes(level.data))


if __name__ == "__main__":
    main()
