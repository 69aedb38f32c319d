// The level's plan beside the source editor, drawn on a canvas from the level tool's own
// measure of it (web/plan_export.cpp): the elements of quellor-level plan, to scale, fitted
// to the panel: grid, scale bar, rooms tinted and labelled, walls, openings (side openings
// as heavy lines, openings in floors and ceilings hatched), doors, the start with its view,
// the overview camera and its picture, a legend. window.quellor.plan keeps what was drawn.
'use strict';
(function () {
  const Ink = '#1a1a1a';
  const Wall = 'rgb(38, 38, 38)';
  const Opening = 'rgb(26, 166, 51)';
  const Hole = 'rgb(38, 89, 204)';
  const Door = 'rgb(217, 128, 13)';
  const Overview = 'rgb(140, 51, 179)';
  const Start = 'rgb(217, 26, 26)';
  const HeaderHeight = 34;
  const LegendHeight = 76;
  const Margin = 10;

  function exported(shown) {
    const bytes = shown.bytes;
    // A shipped level's source is in the module beside it: its rooms' names and doors.
    const shipped = `/levels/${shown.name}.json`;
    const source = shown.kind === 'source' ? new TextEncoder().encode(shown.text)
        : shown.kind === 'shipped' && FS.analyzePath(shipped).exists ? FS.readFile(shipped) : new Uint8Array(0);
    const at = Module._malloc(Math.max(bytes.length, 1));
    const sourceAt = Module._malloc(Math.max(source.length, 1));
    try {
      if (!at || !sourceAt) return {error: 'there is no memory for the plan'};
      Module.HEAPU8.set(bytes, at);
      Module.HEAPU8.set(source, sourceAt);
      return JSON.parse(Module.ccall('quellor_plan', 'string', ['string', 'number', 'number', 'number', 'number'],
                                     [shown.name, at, bytes.length, sourceAt, source.length]));
    } finally {
      if (at) Module._free(at);
      if (sourceAt) Module._free(sourceAt);
    }
  }

  function colour(rgb, alpha) {
    return `rgba(${Math.round(rgb[0] * 255)}, ${Math.round(rgb[1] * 255)}, ${Math.round(rgb[2] * 255)}, ${alpha})`;
  }

  function draw(canvas, shown, over) {
    const record = window.quellor;
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    canvas.width = width;
    canvas.height = height;
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    const w = width / ratio, h = height / ratio;
    g.fillStyle = '#fff';
    g.fillRect(0, 0, w, h);
    const plan = shown ? exported(shown) : {error: 'no level'};
    const drawn = {title: plan.title || '', labels: [], rooms: 0, walls: 0, openings: 0, holes: 0, doors: 0,
                   error: plan.error || ''};
    record.plan = drawn;
    // Labels in the drawing never cover one another: each keeps its place when it is free,
    // else takes the nearest free one a line or two above or below, else is left out.
    const taken = [];
    const free = (box) => taken.every((t) => box.right <= t.left || box.left >= t.right || box.bottom <= t.top ||
                                               box.top >= t.bottom);
    const text = (s, x, y, size, bold, fill, boxed, placed) => {
      g.font = `${bold ? 'bold ' : ''}${size}px "DejaVu Sans", sans-serif`;
      const measured = g.measureText(s).width;
      if (placed) {
        const x0 = boxed ? x - measured / 2 - 2 : x;
        let dy = null;
        for (const shift of [0, size + 4, -(size + 4), 2 * (size + 4), -2 * (size + 4)]) {
          const box = {left: x0, right: x0 + measured + 4, top: y + shift - size - 1, bottom: y + shift + 4};
          if (free(box)) {
            taken.push(box);
            dy = shift;
            break;
          }
        }
        if (dy === null) return;
        y += dy;
      }
      if (boxed) {
        g.fillStyle = 'rgba(255, 255, 255, 0.8)';
        g.fillRect(x - measured / 2 - 2, y - size - 1, measured + 4, size + 5);
        x -= measured / 2;
      }
      g.fillStyle = fill || Ink;
      g.fillText(s, x, y);
      drawn.labels.push(s);
    };
    if (plan.error) {
      text(plan.error, Margin, 20, 11, false, Start);
      return;
    }

    // World (x, z) to the panel, z up, the whole level in view.
    const b = plan.bounds;
    const plotW = w - 2 * Margin, plotH = h - HeaderHeight - LegendHeight;
    const scale = Math.max(1e-6, Math.min(plotW / (b.maxX - b.minX), plotH / (b.maxZ - b.minZ)));
    const left = Margin + (plotW - (b.maxX - b.minX) * scale) / 2, top = HeaderHeight;
    const px = (p) => left + (p[0] - b.minX) * scale;
    const py = (p) => top + (b.maxZ - p[1]) * scale;
    const path = (points) => {
      g.beginPath();
      points.forEach((p, i) => (i === 0 ? g.moveTo(px(p), py(p)) : g.lineTo(px(p), py(p))));
      g.closePath();
    };
    const segment = (a, c) => {
      g.beginPath();
      g.moveTo(px(a), py(a));
      g.lineTo(px(c), py(c));
    };

    text(`Plan of ${plan.title}`, Margin, 16, 13, true);
    text(`${plan.rooms.length} rooms; from above, x to the right, z up; world units`, Margin, 29, 10);
    g.save();
    g.beginPath();
    g.rect(left, top, (b.maxX - b.minX) * scale, (b.maxZ - b.minZ) * scale);
    g.clip();

    // The grid: the plan's steps, a heavier line every fifth.
    let step = 100;
    for (const s of [1, 2, 5, 10, 20, 50]) {
      if (s * scale >= 14) {
        step = s;
        break;
      }
    }
    g.lineWidth = 0.5;
    for (let i = Math.ceil(b.minX / step); i * step <= b.maxX; ++i) {
      g.strokeStyle = i % 5 === 0 ? '#b3b3b3' : '#e0e0e0';
      segment([i * step, b.minZ], [i * step, b.maxZ]);
      g.stroke();
    }
    for (let i = Math.ceil(b.minZ / step); i * step <= b.maxZ; ++i) {
      g.strokeStyle = i % 5 === 0 ? '#b3b3b3' : '#e0e0e0';
      segment([b.minX, i * step], [b.maxX, i * step]);
      g.stroke();
    }

    for (const room of plan.rooms) {
      path(room.footprint);
      g.fillStyle = colour(room.tint, room.stack > 0 ? 0.45 : 1);
      g.fill();
      drawn.rooms += 1;
    }
    for (const hole of plan.holes) {
      g.save();
      path(hole.points);
      g.clip();
      g.strokeStyle = Hole;
      g.lineWidth = 1.5;
      g.stroke();
      g.lineWidth = 1;
      const xs = hole.points.map(px), ys = hole.points.map(py);
      const x0 = Math.min(...xs), x1 = Math.max(...xs), y0 = Math.min(...ys), y1 = Math.max(...ys);
      g.beginPath();
      for (let d = x0 - (y1 - y0); d < x1; d += 7) {
        g.moveTo(d, y1);
        g.lineTo(d + (y1 - y0), y0);
      }
      g.stroke();
      g.restore();
      drawn.holes += 1;
    }
    // Walls first, then the openings over them.
    for (const portal of [false, true]) {
      for (const side of plan.sides.filter((s) => s.portal === portal)) {
        segment(side.a, side.b);
        g.setLineDash(!portal && side.stack > 0 ? (side.stack % 2 ? [8, 4] : [2, 3]) : []);
        g.strokeStyle = portal ? Opening : Wall;
        g.lineWidth = portal ? 5 : 2;
        g.lineCap = portal ? 'butt' : 'round';
        g.stroke();
        if (portal) drawn.openings += 1;
        else drawn.walls += 1;
      }
    }
    g.setLineDash([]);
    const half = 4 / scale;
    for (const [x0, z0, x1, z1] of plan.doors) {
      const flatX = x1 - x0 < 1e-9 ? half : 0, flatZ = z1 - z0 < 1e-9 ? half : 0;
      path([[x0 - flatX, z0 - flatZ], [x1 + flatX, z0 - flatZ], [x1 + flatX, z1 + flatZ], [x0 - flatX, z1 + flatZ]]);
      g.strokeStyle = Door;
      g.lineWidth = 1.5;
      g.stroke();
      drawn.doors += 1;
    }
    // The overview camera, and what it shows at the eye's height and the lowest floor.
    const camera = plan.overview.camera;
    g.strokeStyle = Overview;
    g.lineWidth = 1.5;
    g.beginPath();
    g.moveTo(px(camera) - 6, py(camera));
    g.lineTo(px(camera) + 6, py(camera));
    g.moveTo(px(camera), py(camera) - 6);
    g.lineTo(px(camera), py(camera) + 6);
    g.stroke();
    g.setLineDash([10, 4, 2, 4]);
    for (const f of plan.overview.footprints) {
      path([[f.x0, f.z0], [f.x1, f.z0], [f.x1, f.z1], [f.x0, f.z1]]);
      g.stroke();
    }
    g.setLineDash([]);
    // The start: its view, the arrow along it, the eye.
    const s = plan.start;
    path([s.at, s.right, s.left]);
    g.fillStyle = 'rgba(255, 217, 26, 0.35)';
    g.fill();
    g.strokeStyle = 'rgba(204, 128, 0, 0.9)';
    g.lineWidth = 1;
    g.stroke();
    g.strokeStyle = g.fillStyle = Start;
    g.lineWidth = 2;
    segment(s.at, s.tip);
    g.stroke();
    g.beginPath();
    g.moveTo(px(s.tip), py(s.tip) - 7);
    g.lineTo(px(s.tip) - 5, py(s.tip) + 3);
    g.lineTo(px(s.tip) + 5, py(s.tip) + 3);
    g.closePath();
    g.fill();
    g.beginPath();
    g.arc(px(s.at), py(s.at), 5, 0, 2 * Math.PI);
    g.fill();

    // Labels: rooms, the start, the overview camera, the openings' heights.
    for (const room of plan.rooms) {
      const n = room.footprint.length;
      const c = room.footprint.reduce((sum, p) => [sum[0] + p[0] / n, sum[1] + p[1] / n], [0, 0]);
      const y = py(c) - 8 + room.stack * 30;
      text(room.label, px(c), y, 12, true, Ink, true, true);
    }
    text(s.name, px(s.at) + 8, py(s.at) + 14, 10, true, Start, false, true);
    text(plan.overview.name, px(camera) + 5, py(camera) + 13, 9, false, Overview, false, true);
    for (const room of plan.rooms) {
      const n = room.footprint.length;
      const c = room.footprint.reduce((sum, p) => [sum[0] + p[0] / n, sum[1] + p[1] / n], [0, 0]);
      text(room.heights, px(c), py(c) + 5 + room.stack * 30, 9, false, Ink, true, true);
    }
    for (const hole of plan.holes) {
      const n = hole.points.length;
      const c = hole.points.reduce((sum, p) => [sum[0] + p[0] / n, sum[1] + p[1] / n], [0, 0]);
      text(hole.label, px(c), py(c) + 26, 9, false, Ink, true, true);
    }
    for (const side of plan.sides.filter((x) => x.label)) {
      text(side.label, (px(side.a) + px(side.b)) / 2, (py(side.a) + py(side.b)) / 2 - 7, 9, false, Ink, true, true);
    }
    // What another view draws on the plan (explain.js: the camera and the pass's traversal).
    if (over) over(g, (p) => [px(p), py(p)], scale);
    g.restore();

    // The scale bar and the legend under the plan.
    let units = 1;
    for (const u of [1, 2, 5, 10, 20, 50, 100]) {
      if (u * scale <= Math.min(160, plotW / 2)) units = u;
    }
    const barY = top + (b.maxZ - b.minZ) * scale + 16;
    g.fillStyle = Ink;
    g.fillRect(left, barY - 4, units * scale, 5);
    text(`${units} unit${units === 1 ? '' : 's'} (grid: ${step})`, left + units * scale + 8, barY + 1, 10);
    const legend = [
      ['wall', Wall, 2], ['opening between rooms', Opening, 5], ['opening in a floor or ceiling', Hole, 1],
      ['door (from the source)', Door, 1.5], [`${s.name}, looking along ${s.axis}`, Start, 2],
      ['overview camera\'s picture (Z key)', Overview, 1.5],
    ];
    legend.forEach(([label, stroke, lineWidth], i) => {
      const x = Margin + (i % 2) * Math.max(150, w / 2), y = barY + 20 + 16 * (i >> 1);
      g.strokeStyle = stroke;
      g.lineWidth = lineWidth;
      g.setLineDash(stroke === Overview ? [10, 4, 2, 4] : []);
      g.beginPath();
      g.moveTo(x, y - 3);
      g.lineTo(x + 22, y - 3);
      g.stroke();
      g.setLineDash([]);
      text(label, x + 28, y, 10);
    });
  }

  window.quellorPlan = {draw};
})();
