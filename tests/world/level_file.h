#pragma once
// Small level files for tests, field by field in the level format: parsed where they lie,
// as the loader parses a file's bytes, or written for what needs a file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "world/level_loader.h"

class LevelBytes {
 public:
  LevelBytes& i32(int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(uint8_t(u >> shift));
    return *this;
  }
  LevelBytes& f32(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, 4);
    return i32(bits);
  }
  // A vertex record in file order: world z, world x, world y, in level units.
  LevelBytes& vertex(float x, float y, float z) { return f32(z).f32(x).f32(y); }
  LevelBytes& wall(std::initializer_list<int32_t> indices) {
    i32(int32_t(indices.size()));
    for (int32_t i : indices) i32(i);
    return *this;
  }
  LevelBytes& portal(int32_t target, std::initializer_list<int32_t> indices) {
    i32(target);
    return wall(indices);
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

  // The first keep bytes parsed into world, name standing for the file in messages.
  LevelLoadResult parse(World& world, const std::string& name, size_t keep = SIZE_MAX,
                        LevelFileRecord* record = nullptr) const {
    return parseLevel(world, name.c_str(), bytes_.data(), std::min(keep, bytes_.size()), record);
  }

  std::string write(const std::string& name, size_t keep = SIZE_MAX) const {
    const std::string path = ::testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes_.data(), 1, std::min(keep, bytes_.size()), f);
    std::fclose(f);
    return path;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// A closed cube room 0..1 (level units) on every axis, corners numbered b = x + 2y + 4z,
// with its six faces wound so their normals point inwards; one face may be a portal.
inline LevelBytes& cubeVertices(LevelBytes& l, float offsetX = 0) {
  for (int b = 0; b < 8; ++b) l.vertex(offsetX + float(b & 1), float((b >> 1) & 1), float((b >> 2) & 1));
  return l;
}

// The cube's faces with inward normals; indices are added to base.
inline LevelBytes& cubeFaces(LevelBytes& l, int32_t base = 0, int portalFace = -1, int32_t target = 0) {
  static const int32_t faces[6][4] = {{2, 0, 4, 6}, {5, 1, 3, 7}, {4, 0, 1, 5},
                                      {3, 2, 6, 7}, {1, 0, 2, 3}, {6, 4, 5, 7}};
  l.i32(portalFace >= 0 ? 5 : 6).i32(portalFace >= 0 ? 1 : 0);
  for (int f = 0; f < 6; ++f) {
    if (f == portalFace) continue;
    l.wall({faces[f][0] + base, faces[f][1] + base, faces[f][2] + base, faces[f][3] + base});
  }
  if (portalFace >= 0) {
    const int32_t* q = faces[portalFace];
    l.portal(target, {q[0] + base, q[1] + base, q[2] + base, q[3] + base});
  }
  return l;
}

// Two cube rooms side by side along x (0..1 and 1..2 level units), joined through their
// shared face: room 0's +x face opens into room 1, room 1's -x face back.
inline LevelBytes twoCubeRooms() {
  LevelBytes l;
  l.i32(16).i32(0).i32(2);
  cubeVertices(l);
  cubeVertices(l, 1);
  cubeFaces(l, 0, 1, 1);
  cubeFaces(l, 8, 0, 0);
  return l;
}
