#include "generated_level.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "world/world.h"

namespace {

constexpr int GridCells = 3;  // per axis

using Point = std::array<double, 3>;  // x, y, z in level units

class LevelWriter {
 public:
  int vertex(const Point& p) {
    auto found = index_.find(p);
    if (found != index_.end()) return found->second;
    const int i = int(points_.size());
    points_.push_back(p);
    index_[p] = i;
    return i;
  }

  // A polygon of the room around inside, wound so that its normal (from its first three
  // corners, as the loader computes it) faces inside.
  void polygon(int room, int target, std::vector<Point> corners, const Point& inside) {
    const Point& a = corners[0];
    const Point& b = corners[1];
    const Point& c = corners[2];
    const double e[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    const double f[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    const double m[3] = {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
    const double towards = m[0] * (inside[0] - a[0]) + m[1] * (inside[1] - a[1]) + m[2] * (inside[2] - a[2]);
    if (towards < 0) std::reverse(corners.begin(), corners.end());
    Polygon p{target, {}};
    for (const Point& corner : corners) p.indices.push_back(vertex(corner));
    rooms_.resize(size_t(room) + 1);
    (target < 0 ? rooms_[size_t(room)].walls : rooms_[size_t(room)].portals).push_back(p);
  }

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out;
    auto word = [&out](uint32_t v) {
      for (int s = 0; s < 32; s += 8) out.push_back(uint8_t(v >> s));
    };
    auto real = [&word](double v) {
      const float f = float(v);
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      word(bits);
    };
    word(uint32_t(points_.size()));
    word(0);
    word(uint32_t(rooms_.size()));
    for (const Point& p : points_) {
      real(p[2]);
      real(p[0]);
      real(p[1]);
    }
    for (const Room& room : rooms_) {
      word(uint32_t(room.walls.size()));
      word(uint32_t(room.portals.size()));
      for (const Polygon& w : room.walls) {
        word(uint32_t(w.indices.size()));
        for (int i : w.indices) word(uint32_t(i));
      }
      for (const Polygon& p : room.portals) {
        word(uint32_t(p.target));
        word(uint32_t(p.indices.size()));
        for (int i : p.indices) word(uint32_t(i));
      }
    }
    return out;
  }

 private:
  struct Polygon {
    int target;
    std::vector<int> indices;
  };
  struct Room {
    std::vector<Polygon> walls, portals;
  };
  std::vector<Point> points_;
  std::map<Point, int> index_;
  std::vector<Room> rooms_;
};

struct Cell {
  int c[3];
};

// The rectangle of a face: lo..hi on the two axes other than axis, at height `at` on axis.
std::vector<Point> rectangle(int axis, double at, const double lo[2], const double hi[2]) {
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  std::vector<Point> corners(4);
  const double us[4] = {lo[0], hi[0], hi[0], lo[0]};
  const double vs[4] = {lo[1], lo[1], hi[1], hi[1]};
  for (int k = 0; k < 4; ++k) {
    corners[size_t(k)][size_t(axis)] = at;
    corners[size_t(k)][size_t(u)] = us[k];
    corners[size_t(k)][size_t(v)] = vs[k];
  }
  return corners;
}

}  // namespace

std::vector<uint8_t> generateLevel(ByteChoices& choices) {
  // Cell edges per axis, in steps of 1/8 level unit so that every corner is exact.
  double edges[3][GridCells + 1];
  for (int axis = 0; axis < 3; ++axis) {
    edges[axis][0] = -double(choices.between(0, 16)) / 8;
    for (int k = 1; k <= GridCells; ++k) edges[axis][k] = edges[axis][k - 1] + double(choices.between(2, 40)) / 8;
  }

  // A path through the grid that never enters a cell twice.
  const int wanted = choices.between(1, MaxRooms);
  std::vector<Cell> path{
      {{int(choices.below(GridCells)), int(choices.below(GridCells)), int(choices.below(GridCells))}}};
  auto used = [&path](const Cell& c) {
    for (const Cell& p : path)
      if (p.c[0] == c.c[0] && p.c[1] == c.c[1] && p.c[2] == c.c[2]) return true;
    return false;
  };
  while (int(path.size()) < wanted) {
    std::vector<Cell> next;
    for (int axis = 0; axis < 3; ++axis) {
      for (int step = -1; step <= 1; step += 2) {
        Cell c = path.back();
        c.c[axis] += step;
        if (c.c[axis] >= 0 && c.c[axis] < GridCells && !used(c)) next.push_back(c);
      }
    }
    if (next.empty()) break;
    path.push_back(next[choices.below(uint32_t(next.size()))]);
  }

  // The opening between room i and room i + 1, on the face they share: its lower and upper
  // fraction of the face on each of the face's two axes.
  struct Opening {
    double lo[2], hi[2];
  };
  std::vector<Opening> openings;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    Opening o;
    for (int k = 0; k < 2; ++k) {
      const int cut = int(choices.below(4));  // 0: the whole face
      o.lo[k] = cut == 0 ? 0.0 : double(choices.between(0, 3)) / 8;
      o.hi[k] = cut == 0 ? 1.0 : 1.0 - double(choices.between(0, 3)) / 8;
    }
    openings.push_back(o);
  }

  LevelWriter writer;
  for (size_t r = 0; r < path.size(); ++r) {
    double lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
      lo[axis] = edges[axis][path[r].c[axis]];
      hi[axis] = edges[axis][path[r].c[axis] + 1];
    }
    const Point inside{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    for (int axis = 0; axis < 3; ++axis) {
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      const double faceLo[2] = {lo[u], lo[v]};
      const double faceHi[2] = {hi[u], hi[v]};
      for (int side = 0; side < 2; ++side) {
        const double at = side ? hi[axis] : lo[axis];
        // The neighbour on the path through this face, if any.
        int neighbour = -1;
        size_t opening = 0;
        for (size_t n : {r - 1, r + 1}) {
          if (n >= path.size()) continue;
          const int d = path[n].c[axis] - path[r].c[axis];
          if (path[n].c[u] == path[r].c[u] && path[n].c[v] == path[r].c[v] && d == (side ? 1 : -1)) {
            neighbour = int(n);
            opening = n < r ? n : r;
          }
        }
        if (neighbour < 0) {
          writer.polygon(int(r), -1, rectangle(axis, at, faceLo, faceHi), inside);
          continue;
        }
        const Opening& o = openings[opening];
        double holeLo[2], holeHi[2];
        for (int k = 0; k < 2; ++k) {
          const double size = faceHi[k] - faceLo[k];
          holeLo[k] = faceLo[k] + o.lo[k] * size;
          holeHi[k] = faceLo[k] + o.hi[k] * size;
        }
        writer.polygon(int(r), neighbour, rectangle(axis, at, holeLo, holeHi), inside);
        // The rest of the face as up to four walls: below and above the hole across the
        // whole face, then left and right of it.
        const double strips[4][4] = {{faceLo[0], faceLo[1], faceHi[0], holeLo[1]},
                                     {faceLo[0], holeHi[1], faceHi[0], faceHi[1]},
                                     {faceLo[0], holeLo[1], holeLo[0], holeHi[1]},
                                     {holeHi[0], holeLo[1], faceHi[0], holeHi[1]}};
        for (const auto& s : strips) {
          if (s[2] - s[0] <= 0 || s[3] - s[1] <= 0) continue;
          const double sLo[2] = {s[0], s[1]}, sHi[2] = {s[2], s[3]};
          writer.polygon(int(r), -1, rectangle(axis, at, sLo, sHi), inside);
        }
      }
    }
  }
  return writer.bytes();
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}
