// The explainer's views in the page: the bar's F1 to F4 buttons, the texts (help and the
// pass's counters, the step's caption, a pixel's story), step mode's slider and the F4
// plan (web/plan.js's plan with the live camera and this pass's traversal). The module
// draws the frame content; this file only shows what it reports (Module.quellorPage.explain).
'use strict';
(function () {
  const page = window.quellorPage;
  const canvas = page.canvas;
  const panel = document.getElementById('explain');
  const stepper = document.getElementById('stepper');
  const slider = document.getElementById('step-slider');
  const caption = document.getElementById('step-caption');
  const text = document.getElementById('explain-text');
  const plan = document.getElementById('explain-plan');
  const buttons = document.querySelectorAll('#explain-keys button[data-key]');
  const DepthColours = ['#00f', '#0f0', '#f0f', '#ff0', '#0ff', '#f80', '#80f', '#888'];
  const Help = 'Arrows turn and walk, Space stops, Z overview, X back, Q quits\n' +
      'F1 this help and the pass\'s counters   F2 depth view   F3 step mode   F4 plan\n' +
      'Step mode: Right/PageDown next step, Left/PageUp previous, Home first, End last, F3/Escape leave\n' +
      'Click: where the pixel came from';
  let state = {help: false, depth: false, stepping: false, plan: false, step: 0, steps: 0, caption: '', story: ''};

  const running = () => page.record.ready && !page.record.stopped;
  for (const button of buttons) {
    button.addEventListener('click', () => {
      if (!running()) return;
      Module.ccall('quellor_explain_key', null, ['string'], [button.dataset.key.toUpperCase()]);
      canvas.focus();  // the keys are the viewer's again
    });
  }
  slider.addEventListener('input', () => {
    if (running()) Module._quellor_explain_step(parseInt(slider.value, 10));
  });
  // A click: the pixel's story (and the mouse message the frame pass is given for it).
  canvas.addEventListener('click', (event) => {
    if (!running()) return;
    const box = canvas.getBoundingClientRect();
    const x = Math.floor((event.clientX - box.left) * canvas.width / Math.max(1, box.width));
    const y = Math.floor((event.clientY - box.top) * canvas.height / Math.max(1, box.height));
    Module._quellor_explain_click(x, y);
  });

  // The camera and the traversal over the plan: rooms' portals as wedges in their depth's
  // colour, the current step's thicker, the camera's eye and view wedge in red.
  function drawOver(g, at, scale) {
    const r = JSON.parse(Module.UTF8ToString(Module._quellor_explain_plan()));
    const reach = 4 / Math.max(scale, 1e-6) * 60;
    const drawn = {portals: 0, camera: r.eye, step: r.step};
    r.steps.forEach((s, i) => {
      if (s.kind !== 2 || s.culled) return;
      const current = r.step === i + 1;
      if (state.stepping && r.step && i + 1 > r.step) return;
      const e = at(r.eye), a = at(s.left), b = at(s.right);
      g.fillStyle = DepthColours[s.depth % DepthColours.length] + '4';
      g.strokeStyle = DepthColours[s.depth % DepthColours.length];
      g.lineWidth = current ? 3 : 1;
      g.beginPath();
      g.moveTo(e[0], e[1]);
      g.lineTo(a[0], a[1]);
      g.lineTo(b[0], b[1]);
      g.closePath();
      g.fill();
      g.stroke();
      drawn.portals += 1;
    });
    // Each side plane's edge runs across its normal, on the side the camera looks.
    const e = at(r.eye);
    g.strokeStyle = 'rgb(217, 26, 26)';
    g.lineWidth = 2;
    for (const n of r.sides) {
      let d = [-n[1], n[0]];
      if (d[0] * r.forward[0] + d[1] * r.forward[1] < 0) d = [-d[0], -d[1]];
      const length = Math.hypot(d[0], d[1]) || 1;
      const p = at([r.eye[0] + d[0] / length * reach, r.eye[1] + d[1] / length * reach]);
      g.beginPath();
      g.moveTo(e[0], e[1]);
      g.lineTo(p[0], p[1]);
      g.stroke();
    }
    g.fillStyle = 'rgb(217, 26, 26)';
    g.beginPath();
    g.arc(e[0], e[1], 4, 0, 2 * Math.PI);
    g.fill();
    page.record.explainPlan = drawn;
  }

  function update(next) {
    state = next;
    for (const button of buttons) {
      const on = {f1: next.help, f2: next.depth, f3: next.stepping, f4: next.plan}[button.dataset.key];
      button.classList.toggle('on', on);
      button.setAttribute('aria-pressed', String(on));
    }
    stepper.hidden = !next.stepping;
    if (next.stepping) {
      slider.max = String(next.steps);
      slider.value = String(next.step);
      caption.textContent = next.caption;
    }
    const lines = [];
    if (next.help) lines.push(Help, next.counters);
    if (next.story) lines.push(next.story);
    text.textContent = lines.join('\n');
    plan.hidden = !next.plan;
    panel.hidden = !(next.help || next.stepping || next.plan || next.story);
    if (next.plan && window.quellorPlan && window.quellorLevels) {
      window.quellorPlan.draw(plan, window.quellorLevels.shown, drawOver);
    }
  }

  window.quellorExplain = {update};
})();
