#include "explain/step_text.h"

#include <cstdio>

namespace {

// Appends to a bounded buffer; the text is cut at the end of the buffer.
class Writer {
 public:
  Writer(char* out, size_t size) : out_(out), size_(size) {
    if (size_ > 0) out_[0] = 0;
  }
  template <typename... Args>
  void add(const char* format, Args... args) {
    if (used_ + 1 >= size_) return;
    const int n = std::snprintf(out_ + used_, size_ - used_, format, args...);
    if (n > 0) used_ = used_ + size_t(n) < size_ ? used_ + size_t(n) : size_ - 1;
  }
  void add(const char* text) { add("%s", text); }

 private:
  char* out_;
  size_t size_;
  size_t used_ = 0;
};

const char* kindName(StepKind kind) {
  switch (kind) {
    case StepKind::Room:
      return "room";
    case StepKind::Wall:
      return "wall";
    case StepKind::Portal:
      return "portal";
  }
  return "?";
}

void addPlanes(Writer& w, const StepRecord& s, const char* separator) {
  const int32_t kept = s.cutCount < MaxCutsKept ? s.cutCount : MaxCutsKept;
  for (int32_t i = 0; i < kept; ++i) w.add("%s%d", i ? separator : "", int(s.cutBy[i]));
  if (s.cutCount > kept) w.add("%s...", separator);
}

}  // namespace

void stepCaption(const PassRecord& record, int32_t k, char* out, size_t size) {
  Writer w(out, size);
  if (k <= 0 || k > record.stepCount) {
    w.add("step 0 of %d: nothing drawn yet", int(record.stepCount));
    return;
  }
  const StepRecord& s = record.steps[k];
  w.add("step %d of %d: ", int(k), int(record.stepCount));
  if (s.kind == StepKind::Room) {
    w.add("room %d entered at depth %d, seen through a frustum of %d planes", int(s.room), int(s.depth),
          int(s.frustumPlanes));
    return;
  }
  w.add("room %d at depth %d, polygon %d, ", int(s.room), int(s.depth), int(s.polygon));
  if (s.kind == StepKind::Portal) {
    w.add("portal to room %d: ", int(s.targetRoom));
  } else {
    w.add("wall: ");
  }
  if (s.result != ClipVisible) {
    w.add("culled by plane ");
    addPlanes(w, s, ", ");
    return;
  }
  if (s.cutCount == 0) {
    w.add("inside the frustum, %d vertices", int(s.vertices));
  } else {
    w.add("clipped by plane%s ", s.cutCount > 1 ? "s" : "");
    addPlanes(w, s, ", ");
    w.add(" to %d vertices", int(s.vertices));
  }
  if (s.kind == StepKind::Portal) {
    w.add("; its frustum has %d planes%s", int(s.frustumPlanes), s.frustumPlanes < 3 ? " and leads nowhere" : "");
  } else {
    w.add("; %d rows, %d spans, %lld pixels", int(s.rows), int(s.spans), (long long)s.pixels);
  }
}

const char* stepTableHeader() {
  return "step\tkind\troom\tdepth\tpolygon\ttarget\tresult\tplanes\tvertices\trows\tspans\tpixels\tfrustum\n";
}

void stepTableLine(const PassRecord& record, int32_t k, char* out, size_t size) {
  Writer w(out, size);
  if (k <= 0 || k > record.stepCount) return;
  const StepRecord& s = record.steps[k];
  const char* result = s.kind == StepKind::Room ? "entered" : s.result == ClipVisible ? "visible" : "culled";
  w.add("%d\t%s\t%d\t%d\t%d\t%d\t%s\t", int(k), kindName(s.kind), int(s.room), int(s.depth), int(s.polygon),
        int(s.targetRoom), result);
  if (s.cutCount == 0) {
    w.add("-");
  } else {
    addPlanes(w, s, ",");
  }
  w.add("\t%d\t%d\t%d\t%lld\t%d\n", int(s.vertices), int(s.rows), int(s.spans), (long long)s.pixels,
        int(s.frustumPlanes));
}

void pixelStoryText(const PassRecord& record, const PixelStory& story, const uint8_t rgb[3], char* out, size_t size) {
  Writer w(out, size);
  if (!story.inFrame) {
    w.add("(%d, %d) is outside the frame", int(story.x), int(story.y));
    return;
  }
  if (!story.painted) {
    w.add("pixel (%d, %d): no wall covers it; index 0, colour #%02x%02x%02x", int(story.x), int(story.y),
          unsigned(rgb[0]), unsigned(rgb[1]), unsigned(rgb[2]));
    return;
  }
  w.add("pixel (%d, %d): room %d, polygon %d, depth %d, painted at step %d; ", int(story.x), int(story.y),
        int(story.room), int(story.polygon), int(story.depth), int(story.step));
  w.add("seen from room %d", int(record.startRoom));
  for (int32_t i = 0; i < story.chainLength; ++i) {
    const StepRecord& p = record.steps[story.chain[i]];
    w.add(" -> portal %d -> room %d", int(p.polygon), int(p.targetRoom));
  }
  w.add("; row %d span %d..%d; index %d, colour #%02x%02x%02x", int(story.y), int(story.spanLeft),
        int(story.spanRight - 1), int(story.colour), unsigned(rgb[0]), unsigned(rgb[1]), unsigned(rgb[2]));
}

void passCountersText(const TraversalCounts& c, char* out, size_t size) {
  Writer w(out, size);
  w.add(
      "rooms entered %d, polygons tested %d, culled %d, clipped %d, walls drawn %d, spans %d, pixels %lld, "
      "budget %d of %d%s, deepest depth %d",
      int(c.roomVisits), int(c.polygonsTested), int(c.polygonsCulled), int(c.polygonsClipped), int(c.wallsDrawn),
      int(c.spansFilled), (long long)c.pixelsFilled, int(c.work), int(MaxTraversalWork),
      c.budgetExhausted ? " (spent)" : "", int(c.deepestLevel > 0 ? c.deepestLevel - 1 : 0));
}
