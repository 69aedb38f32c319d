#include "geometry/viewport.h"

void updateViewport(Viewport& v) {
  const double halfWidth = v.width / 2.0;
  const double halfHeight = v.height / 2.0;
  v.projectionScale = halfWidth < halfHeight ? halfWidth : halfHeight;
  v.centreX = v.width / 2.0 - 0.5;
  v.centreY = v.height / 2.0 + 0.5;
}
