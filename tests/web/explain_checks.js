// The explainer's views in the page against quellor-replay's: F2's canvas against
// --view depth's frame (and the plain frame's covered pixels), step mode's pictures at the
// last step, stepped back and scrubbed with the slider against --explain's step-NNNN
// pictures, a click's story against the depth view's colour and steps.tsv, F1's and F4's
// panels, and the page's record untouched by step mode.
'use strict';
const fs = require('fs');
const path = require('path');

module.exports = async function explainChecks(browser, h) {
  const {check, palette} = h;
  const page = await h.openPage(browser, '?step', h.errors);
  const level = path.join(h.levels, '3rooms.b2');
  const run = (n) => page.evaluate((count) => Module._quellor_step(count), n);
  const press = async (key) => {
    await page.keyboard.press(key);
    await run(1);
  };
  let runs = 0;
  // quellor-replay over the page's passes so far: its folder, with extra options.
  const replayOf = (shot, extra, folder) => {
    const out = folder || path.join(h.work, `explain-${++runs}`);
    ++runs;
    const script = path.join(h.work, `explain-script-${runs}.txt`);
    const lines = shot.script.filter((m) => m.pass > shot.levelPass && m.pass <= shot.passes)
                      .map((m) => `${m.pass - shot.levelPass} ${m.line}`);
    fs.writeFileSync(script, lines.join('\n') + '\n');
    h.runReplay(['--level', level, '--size', `${shot.levelWidth}x${shot.levelHeight}`, '--script', script,
                 '--passes', String(shot.passes - shot.levelPass), '--format', 'pgm', '--out', out, ...extra]);
    return out;
  };
  const readPgm = (file) => {
    const pgm = fs.readFileSync(file);
    const header = pgm.toString('latin1', 0, 64).match(/^P5\s+(\d+)\s+(\d+)\s+255\s/);
    return {width: +header[1], height: +header[2], pixels: pgm.subarray(header[0].length)};
  };
  // Pixels of the canvas that differ from the frame's indices through the palette.
  const differing = (shot, frame) => {
    const rgba = Buffer.from(shot.rgba, 'base64');
    let wrong = 0;
    for (let y = 0; y < shot.height; ++y) {
      for (let x = 0; x < shot.width; ++x) {
        const index = frame.pixels[y * frame.width + x], at = (y * shot.width + x) * 4;
        if (rgba[at] !== palette[index * 3] || rgba[at + 1] !== palette[index * 3 + 1] ||
            rgba[at + 2] !== palette[index * 3 + 2]) {
          wrong += 1;
        }
      }
    }
    return wrong;
  };
  const lastFrame = (out, shot) => readPgm(path.join(out, `frame-${String(shot.passes - shot.levelPass)
      .padStart(6, '0')}.pgm`));
  const explain = () => page.evaluate(() => window.quellor.explain);

  // F2: the depth view, the plain frame's covered pixels in other colours.
  await run(3);
  await press('F2');
  let shot = await h.snapshot(page);
  const depthOut = replayOf(shot, ['--shots', 'all', '--view', 'depth']);
  const depthFrame = lastFrame(depthOut, shot);
  check(differing(shot, depthFrame) === 0, 'F2: the canvas is quellor-replay --view depth\'s frame',
        `${differing(shot, depthFrame)} pixels differ`);
  const plain = lastFrame(replayOf(shot, ['--shots', 'all']), shot);
  let coveredDiffer = 0, recoloured = 0;
  for (let i = 0; i < plain.pixels.length; ++i) {
    if ((plain.pixels[i] === 0) !== (depthFrame.pixels[i] === 0)) coveredDiffer += 1;
    if (plain.pixels[i] !== depthFrame.pixels[i]) recoloured += 1;
  }
  check(coveredDiffer === 0 && recoloured > 0, 'F2: the same pixels covered as the plain frame, other colours',
        `${coveredDiffer} covered pixels differ, ${recoloured} recoloured`);

  // A click: the story's depth is the depth the view colours there, its polygon the step's.
  const depthColours = [254, 253, 251, 250, 252, 208, 147, 236];
  let at = -1;
  for (let i = 0; i < depthFrame.pixels.length && at < 0; ++i) {
    const x = i % depthFrame.width, y = Math.floor(i / depthFrame.width);
    if (x >= 4 && y >= 4 && x < shot.width - 4 && y < shot.height - 4 && depthFrame.pixels[i] === depthColours[1]) {
      at = i;
    }
  }
  const clickX = at % depthFrame.width, clickY = Math.floor(at / depthFrame.width);
  const box = await page.evaluate(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    return {left: r.left, top: r.top, scale: r.width / document.getElementById('canvas').width};
  });
  await page.mouse.click(box.left + (clickX + 0.2) * box.scale, box.top + (clickY + 0.2) * box.scale);
  let state = await explain();
  const story = /pixel \((\d+), (\d+)\): room (\d+), polygon (\d+), depth (\d+), painted at step (\d+)/
                    .exec(state ? state.story : '');
  const explainOut = path.join(h.work, 'explain-click');
  replayOf(shot, ['--explain', String(shot.passes - shot.levelPass)], explainOut);
  const steps = fs.readFileSync(path.join(explainOut, 'steps.tsv'), 'utf8').trim().split('\n').slice(1)
                    .map((l) => l.split('\t'));
  const painter = story ? steps[+story[6] - 1] : null;
  check(at >= 0 && story && +story[1] === clickX && +story[2] === clickY && story[5] === '1' && painter &&
        painter[4] === story[4] && painter[3] === '1' && painter[1] === 'wall',
        'a click tells the polygon and depth the depth view colours there',
        `(${clickX}, ${clickY}): ${state && state.story}`);
  await press('F2');
  const clicked = await h.snapshot(page);
  check(clicked.script.some((m) => m.pass === clicked.passes && m.line === 'mouse'),
        'the click reaches the frame pass as a mouse message');

  // F3: step mode after the pass its key came in; End is the whole pass with the highlight.
  await press('F3');
  shot = await h.snapshot(page);
  state = await explain();
  const stepOut = path.join(h.work, 'explain-steps');
  replayOf(shot, ['--explain', String(shot.passes - shot.levelPass)], stepOut);
  const stepFile = (k) => readPgm(path.join(stepOut, `step-${String(k).padStart(4, '0')}.pgm`));
  const count = fs.readdirSync(stepOut).filter((f) => /^step-\d+\.pgm$/.test(f)).length;
  await page.keyboard.press('End');
  let shown = await h.snapshot(page);
  check(state.stepping && state.steps === count && differing(shown, stepFile(count)) === 0,
        `F3 + End: the last step's picture of quellor-replay --explain (${count} steps)`,
        `${state.steps} steps, ${differing(shown, stepFile(count))} pixels differ`);
  const back = Math.max(1, Math.floor(count / 3));
  for (let i = 0; i < count - back; ++i) await page.keyboard.press('ArrowLeft');
  shown = await h.snapshot(page);
  state = await explain();
  check(state.step === back && differing(shown, stepFile(back)) === 0 && /^step \d+ of \d+/.test(state.caption),
        `stepping back to step ${back} shows its picture and caption`, `${state.step}: ${state.caption}`);
  const scrub = Math.max(1, Math.floor(count * 2 / 3));
  await page.evaluate((k) => {
    const slider = document.getElementById('step-slider');
    slider.value = String(k);
    slider.dispatchEvent(new Event('input'));
  }, scrub);
  shown = await h.snapshot(page);
  const caption = await page.evaluate(() => document.getElementById('step-caption').textContent);
  check(differing(shown, stepFile(scrub)) === 0 && caption.startsWith(`step ${scrub} of ${count}`),
        `the slider scrubs to step ${scrub}`, caption);
  // Held: passes and keys reach neither the frame pass nor the record.
  await page.keyboard.press('ArrowUp');
  await page.keyboard.press('KeyA');
  await run(5);
  const held = await h.snapshot(page);
  check(held.passes === shot.passes && held.script.length === shot.script.length,
        'step mode holds the passes and keeps keys from the record', `${held.passes} passes`);

  // F1 and F4 show their panels, in step mode too.
  await page.keyboard.press('F1');
  await page.keyboard.press('F4');
  const panels = await page.evaluate(() => ({
    text: document.getElementById('explain-text').textContent,
    plan: !document.getElementById('explain-plan').hidden,
    drawn: window.quellor.explainPlan, title: window.quellor.plan && window.quellor.plan.title,
  }));
  check(/F3 step mode/.test(panels.text) && /rooms entered \d+, polygons tested \d+/.test(panels.text),
        'F1 shows the help and the pass\'s counters', panels.text);
  check(panels.plan && panels.drawn && panels.drawn.portals > 0 && panels.drawn.camera.length === 2,
        'F4 shows the plan with the camera and the pass\'s portals', JSON.stringify(panels));
  fs.mkdirSync(path.join(h.buildDir, 'explain-shots'), {recursive: true});
  await page.screenshot({path: path.join(h.buildDir, 'explain-shots', 'page-step-mode.png')});

  // Escape leaves; the passes go on from the same pass and replay as they were recorded.
  await page.keyboard.press('Escape');
  await page.evaluate(() => {
    document.querySelector('#explain-keys button[data-key="f1"]').click();
    document.querySelector('#explain-keys button[data-key="f4"]').click();
  });
  await run(3);
  state = await explain();
  check(!state.stepping && !state.help && !state.plan, 'Escape leaves step mode; the F1 and F4 buttons toggle');
  h.framesMatch('after the views, frames equal quellor-replay\'s', await h.snapshot(page), level, palette);
  await page.close();
};
