#pragma once
// The viewer's basic geometric records. Components are stored as 32-bit floats;
// arithmetic on them is done in double and rounded where a component is stored.

struct Vec3 {
  float x, y, z;
};

// Three row vectors, row 0 first. As a view orientation the rows are the view's
// right, up and forward axes in world coordinates.
struct Matrix3 {
  Vec3 rows[3];
};

// Unit normal and distance: the signed distance of p is normal . p + d.
// Normals point inwards (into a room, into a view pyramid).
struct Plane {
  Vec3 normal;
  float d;
};
