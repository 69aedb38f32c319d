#include "tools/level/level_source.h"

#include <cmath>
#include <initializer_list>
#include <set>

#include "tools/level/json_document.h"
#include "tools/level/level_inputs.h"

namespace {

using nlohmann::json;

// Checks single values (their kinds, keys and ranges) and words each fault with the line
// of the value at fault, naming the room it belongs to when there is one.
class FieldChecker {
 public:
  FieldChecker(const JsonDocument& document, const LevelSource& source, std::vector<std::string>& errors)
      : doc_(document), source_(source), errors_(errors) {}

  int lineOf(const std::string& pointer) const { return doc_.lineOf(pointer); }
  bool clean() const { return errors_.empty(); }

  bool fail(const std::string& pointer, const std::string& text, int room = -1) {
    std::string where = room >= 0 ? describeRoom(source_, room) + ": " : std::string();
    errors_.push_back(sourceMessage(source_, doc_.lineOf(pointer), where + text));
    return false;
  }

  bool onlyKeys(const json& object, const std::string& pointer, std::initializer_list<const char*> keys,
                int room = -1) {
    bool ok = true;
    for (auto it = object.begin(); it != object.end(); ++it) {
      bool known = false;
      for (const char* k : keys) known = known || it.key() == k;
      if (!known) ok = fail(jsonPointer(pointer, it.key()), "unknown key \"" + it.key() + "\"", room);
    }
    return ok;
  }

  bool number(const json& value, const std::string& pointer, const char* what, double& out, int room) {
    if (!value.is_number()) return fail(pointer, std::string(what) + " must be a number", room);
    out = value.get<double>();
    if (!std::isfinite(out) || std::fabs(out) > MaxSourceCoordinate) {
      return fail(pointer, std::string(what) + " must lie within -1000..1000", room);
    }
    return true;
  }

  bool numbers(const json& value, const std::string& pointer, const char* what, double* out, size_t count, int room) {
    if (!value.is_array() || value.size() != count) {
      return fail(pointer, std::string(what) + " must be a list of " + std::to_string(count) + " numbers", room);
    }
    bool ok = true;
    for (size_t i = 0; i < count; ++i) ok = number(value[i], jsonPointer(pointer, i), what, out[i], room) && ok;
    return ok;
  }

 private:
  const JsonDocument& doc_;
  const LevelSource& source_;
  std::vector<std::string>& errors_;
};

// Walks the document into rooms (outlines, floors, ceilings) and doors.
class SourceReader {
 public:
  SourceReader(const JsonDocument& document, LevelSource& source, std::vector<std::string>& errors)
      : doc_(document), source_(source), fields_(document, source, errors) {}

  bool read() {
    const json& root = doc_.root;
    if (!root.is_object()) return fields_.fail("", "the level must be a JSON object with a \"rooms\" list");
    if (!fields_.onlyKeys(root, "", {"rooms", "doors", "description"})) return false;
    if (!root.contains("rooms") || !root["rooms"].is_array()) {
      return fields_.fail("", "the level needs a \"rooms\" list");
    }
    const json& rooms = root["rooms"];
    for (size_t r = 0; r < rooms.size(); ++r) readRoom(rooms[r], jsonPointer("/rooms", r), int(r));
    if (!fields_.clean()) return false;
    if (root.contains("doors")) {
      if (!root["doors"].is_array()) return fields_.fail("/doors", "\"doors\" must be a list");
      const json& doors = root["doors"];
      for (size_t d = 0; d < doors.size(); ++d) readDoor(doors[d], jsonPointer("/doors", d));
    }
    return fields_.clean();
  }

 private:
  bool readSurface(const json& value, const std::string& pointer, const char* what, LevelSurface& surface, int room) {
    surface.line = fields_.lineOf(pointer);
    if (value.is_number()) return fields_.number(value, pointer, what, surface.height, room);
    if (!value.is_object()) {
      return fields_.fail(pointer, std::string(what) + " must be a height or {\"height\", \"at\", \"slope\"}", room);
    }
    if (!fields_.onlyKeys(value, pointer, {"height", "at", "slope"}, room)) return false;
    if (!value.contains("height")) return fields_.fail(pointer, std::string(what) + " needs a \"height\"", room);
    bool ok = fields_.number(value["height"], jsonPointer(pointer, "height"), what, surface.height, room);
    if (value.contains("at")) {
      double at[2];
      ok = fields_.numbers(value["at"], jsonPointer(pointer, "at"), "\"at\" ([x, z])", at, 2, room) && ok;
      surface.atX = at[0];
      surface.atZ = at[1];
    }
    if (value.contains("slope")) {
      double slope[2];
      ok = fields_.numbers(value["slope"], jsonPointer(pointer, "slope"), "\"slope\" ([rise per x, rise per z])", slope,
                           2, room) &&
           ok;
      surface.slopeX = slope[0];
      surface.slopeZ = slope[1];
    }
    return ok;
  }

  void readRoom(const json& value, const std::string& pointer, int index) {
    LevelSourceRoom room;
    room.line = fields_.lineOf(pointer);
    room.name = "room " + std::to_string(index);
    source_.rooms.push_back(room);
    LevelSourceRoom& r = source_.rooms.back();
    if (!value.is_object()) {
      fields_.fail(pointer, "a room must be an object with \"outline\", \"floor\" and \"ceiling\"", index);
      return;
    }
    if (value.contains("name")) {
      if (!value["name"].is_string() || value["name"].get<std::string>().empty()) {
        fields_.fail(jsonPointer(pointer, "name"), "\"name\" must be a text", index);
      } else {
        r.name = value["name"].get<std::string>();
        for (int other = 0; other < index; ++other) {
          if (source_.rooms[size_t(other)].name == r.name) {
            fields_.fail(jsonPointer(pointer, "name"), "the name is already used by room " + std::to_string(other),
                         index);
          }
        }
      }
    }
    if (!fields_.onlyKeys(value, pointer, {"name", "outline", "floor", "ceiling"}, index)) return;
    for (const char* key : {"outline", "floor", "ceiling"}) {
      if (!value.contains(key)) fields_.fail(pointer, std::string("needs \"") + key + "\"", index);
    }
    if (value.contains("floor"))
      readSurface(value["floor"], jsonPointer(pointer, "floor"), "\"floor\"", r.floor, index);
    if (value.contains("ceiling")) {
      readSurface(value["ceiling"], jsonPointer(pointer, "ceiling"), "\"ceiling\"", r.ceiling, index);
    }
    if (!value.contains("outline")) return;
    const std::string outlinePointer = jsonPointer(pointer, "outline");
    const json& outline = value["outline"];
    if (!outline.is_array()) {
      fields_.fail(outlinePointer, "\"outline\" must be a list of [x, z] corners", index);
      return;
    }
    for (size_t k = 0; k < outline.size(); ++k) {
      const std::string cornerPointer = jsonPointer(outlinePointer, k);
      double xz[2] = {0, 0};
      fields_.numbers(outline[k], cornerPointer, "a corner ([x, z])", xz, 2, index);
      r.outline.push_back({xz[0], xz[1], fields_.lineOf(cornerPointer)});
    }
  }

  bool roomReference(const json& value, const std::string& pointer, int& room) {
    if (value.is_string()) {
      for (size_t r = 0; r < source_.rooms.size(); ++r) {
        if (source_.rooms[r].name == value.get<std::string>()) {
          room = int(r);
          return true;
        }
      }
      return fields_.fail(pointer, "no room is named \"" + value.get<std::string>() + "\"");
    }
    if (value.is_number_integer()) {
      const auto r = value.get<long long>();
      if (r >= 0 && r < (long long)source_.rooms.size()) {
        room = int(r);
        return true;
      }
      return fields_.fail(pointer, "there is no room " + std::to_string(r));
    }
    return fields_.fail(pointer, "a room is named by its \"name\" or its index");
  }

  void readDoor(const json& value, const std::string& pointer) {
    LevelSourceDoor door;
    door.line = fields_.lineOf(pointer);
    if (!value.is_object()) {
      fields_.fail(pointer, "a door must be an object with \"between\" and \"min\"/\"max\" or \"closed\"");
      return;
    }
    if (!fields_.onlyKeys(value, pointer, {"between", "min", "max", "closed"})) return;
    const std::string between = jsonPointer(pointer, "between");
    if (!value.contains("between") || !value["between"].is_array() || value["between"].size() != 2) {
      fields_.fail(value.contains("between") ? between : pointer, "a door needs \"between\": [room, room]");
      return;
    }
    bool ok = roomReference(value["between"][0], jsonPointer(between, 0), door.rooms[0]);
    ok = roomReference(value["between"][1], jsonPointer(between, 1), door.rooms[1]) && ok;
    if (ok && door.rooms[0] == door.rooms[1]) ok = fields_.fail(between, "a door joins two different rooms");
    if (value.contains("closed")) {
      if (!value["closed"].is_boolean())
        ok = fields_.fail(jsonPointer(pointer, "closed"), "\"closed\" must be true or false");
      else
        door.closed = value["closed"].get<bool>();
    }
    const bool hasBox = value.contains("min") || value.contains("max");
    if (door.closed && hasBox) ok = fields_.fail(pointer, "a closed door has no \"min\" or \"max\"");
    if (!door.closed) {
      if (!value.contains("min") || !value.contains("max")) {
        ok =
            fields_.fail(pointer, "a door needs \"min\" and \"max\" corners [x, y, z] of its box, or \"closed\": true");
      } else {
        double lo[3], hi[3];
        ok = fields_.numbers(value["min"], jsonPointer(pointer, "min"), "\"min\" ([x, y, z])", lo, 3, -1) && ok;
        ok = fields_.numbers(value["max"], jsonPointer(pointer, "max"), "\"max\" ([x, y, z])", hi, 3, -1) && ok;
        door.min = {lo[0], lo[1], lo[2]};
        door.max = {hi[0], hi[1], hi[2]};
        if (ok && (lo[0] > hi[0] || lo[1] > hi[1] || lo[2] > hi[2])) {
          ok = fields_.fail(pointer, "the door's \"min\" lies above its \"max\" on some axis");
        }
      }
    }
    if (ok) source_.doors.push_back(door);
  }

  const JsonDocument& doc_;
  LevelSource& source_;
  FieldChecker fields_;
};

}  // namespace

std::string describeRoom(const LevelSource& source, int room) {
  if (room < 0 || room >= int(source.rooms.size())) return "room " + std::to_string(room);
  return "room '" + source.rooms[size_t(room)].name + "' (room " + std::to_string(room) + ")";
}

std::string sourceMessage(const LevelSource& source, int line, const std::string& text) {
  return source.fileName + ":" + std::to_string(line) + ": " + text;
}

bool readLevelSource(const std::string& text, const std::string& fileName, LevelSource& source,
                     std::vector<std::string>& errors) {
  source = LevelSource{};
  source.fileName = fileName;
  // Text handed over in memory keeps the bound a file of it would have.
  if (text.size() > MaxLevelSourceBytes) {
    errors.push_back(inputTooLarge(fileName, text.size(), MaxLevelSourceBytes, "a level source"));
    return false;
  }
  JsonDocument document;
  std::string error;
  int errorLine = 1;
  if (!parseJsonDocument(text, document, errorLine, error)) {
    errors.push_back(sourceMessage(source, errorLine, error));
    return false;
  }
  const size_t before = errors.size();
  SourceReader reader(document, source, errors);
  return reader.read() && errors.size() == before;
}
