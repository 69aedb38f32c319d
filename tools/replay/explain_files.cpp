#include "tools/replay/explain_files.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "explain/step_text.h"
#include "io/output_file.h"
#include "tools/replay/traversal_plan.h"
#include "viewer/frame_image.h"
#include "viewer/screenshot.h"

namespace {

std::string inFolder(const std::string& folder, const char* name) {
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace

bool writeExplainFiles(Viewer& viewer, Explainer& explainer, const ExplainOptions& options, const std::string& title,
                       const std::string& folder, bool pgm, std::string& error) {
  if (!viewer.frameExists) {
    error = "--explain: the pass has no frame to explain";
    return false;
  }
  const PassScene scene{viewer.world, viewer.camera, viewer.viewport, viewer.initialFrustum};
  explainer.recordPass(viewer.renderer, scene, options);
  const PassRecord& record = explainer.record();

  std::string table = stepTableHeader();
  char line[MaxExplainText];
  for (int32_t k = 1; k <= record.stepCount; ++k) {
    stepTableLine(record, k, line, sizeof line);
    table += line;
  }
  if (!writeFileAtomically(inFolder(folder, "steps.tsv"), table.data(), table.size(), error)) return false;

  FrameImage image;
  std::vector<uint8_t> encoded;
  for (int32_t k = 1; k <= record.stepCount; ++k) {
    explainer.drawStep(viewer.renderer, scene, options, k);
    captureFrame(presentedFrame(viewer), image);
    char name[32];
    std::snprintf(name, sizeof name, "step-%04d.%s", int(k), pgm ? "pgm" : "png");
    if (pgm) {
      encodePgm(image, encoded);
    } else if (!encodePng(image, encoded)) {
      error = inFolder(folder, name) + ": cannot be written: the PNG encoder failed";
      return false;
    }
    if (!writeFileAtomically(inFolder(folder, name), encoded, error)) return false;
  }

  std::string svg;
  if (!drawTraversalPlan(viewer.world, title, viewer.camera, viewer.viewport, record, 0, svg, error)) return false;
  if (!writeFileAtomically(inFolder(folder, "plan.svg"), svg.data(), svg.size(), error)) return false;

  explainer.recordPass(viewer.renderer, scene, options);
  return true;
}
