// The page on a phone (390 x 844 CSS pixels, device scale 3, touch) and on a desktop:
// tapping and holding the on-screen controls must change the canvas exactly as the keys'
// messages do (the canvas equals quellor-replay's frame of the page's record), the bar
// must fold away and never lie over the picture, in portrait and landscape; and keys that
// act while held must turn on through other keys and stop walking on release.
'use strict';
const fs = require('fs');
const path = require('path');

const Phone = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
const ControlKeys = ['up', 'down', 'left', 'right', 'space', 'z', 'x'];

function pause(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

async function centre(page, key) {
  const box = await (await page.$(`#pad [data-key="${key}"]`)).boundingBox();
  return {x: box.x + box.width / 2, y: box.y + box.height / 2};
}
async function tap(page, key) {
  const at = await centre(page, key);
  await page.touchscreen.tap(at.x, at.y);
}
// A finger on the control for ms, then lifted.
async function hold(page, key, ms) {
  const at = await centre(page, key);
  await page.touchscreen.touchStart(at.x, at.y);
  await pause(ms);
  await page.touchscreen.touchEnd();
}

// Where the bar ends and the picture begins, in CSS pixels.
function layout(page) {
  return page.evaluate(() => {
    const rect = (id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return {top: r.top, bottom: r.bottom, left: r.left, right: r.right, width: r.width, height: r.height};
    };
    return {bar: rect('bar'), canvas: rect('canvas'), pad: rect('walk-controls'), folded: document.getElementById('more').hidden,
            padShown: !document.getElementById('pad').hidden, width: window.innerWidth, height: window.innerHeight};
  });
}

function linesOf(shot, from) {
  return shot.script.filter((m) => m.pass > from).map((m) => m.line);
}

module.exports = async function touchChecks(browser, h) {
  const {check, snapshot, framesMatch, waitPasses, palette, levels, errors} = h;
  const level = path.join(levels, '3rooms.b2');

  // --- A phone, upright -------------------------------------------------------------------
  const phone = await h.openPage(browser, '', errors, Phone);
  let box = await layout(phone);
  check(box.folded && box.padShown && box.bar.bottom <= box.canvas.top && box.canvas.bottom <= box.pad.top + 0.5 &&
        box.canvas.right <= box.width + 0.5,
        'phone: the bar is folded to one line, the controls below the picture, nothing over it', JSON.stringify(box));
  const keys = await phone.$$eval('#pad [data-key]', (buttons) => buttons.map((b) => b.dataset.key));
  check(ControlKeys.every((k) => keys.includes(k)), 'phone: a control for every key, each with its data-key',
        keys.join(','));
  let shot = await snapshot(phone);
  check(shot.width === Math.round(box.canvas.width * 3) && shot.height === Math.round(box.canvas.height * 3),
        'phone: the frame is the canvas at the device\'s pixels', `${shot.width}x${shot.height}`);
  framesMatch('phone: the first frames', shot, level, palette);

  // Walk, hold a turn (its repeats), from above, back, stop: each as its key.
  const start = shot.passes;
  await tap(phone, 'up');
  await waitPasses(phone, 10);
  await hold(phone, 'left', 800);
  await waitPasses(phone, 3);
  await tap(phone, 'z');
  await waitPasses(phone, 3);
  framesMatch('phone: walked, turned while held, from above', await snapshot(phone), level, palette);
  await tap(phone, 'x');
  await tap(phone, 'right');
  await tap(phone, 'down');
  await waitPasses(phone, 5);
  await tap(phone, 'space');
  await waitPasses(phone, 3);
  shot = await snapshot(phone);
  framesMatch('phone: walking view, turned right, back, stopped', shot, level, palette);
  const lines = linesOf(shot, start);
  const lefts = lines.filter((l) => l === 'key left').length;
  check(['key up', 'release up', 'key left', 'release left', 'key z', 'key x', 'key right', 'key down', 'key space']
            .every((l) => lines.includes(l)) && lefts >= 3,
        `phone: the controls deliver the keys' messages, a held one repeating (${lefts} key-downs of left)`,
        lines.join(', '));

  // Unfolded, the bar still takes its own room; folded again, the picture grows back.
  await phone.tap('#fold');
  await waitPasses(phone, 3);
  box = await layout(phone);
  check(!box.folded && box.bar.bottom <= box.canvas.top, 'phone: the unfolded bar pushes the picture down, never over it',
        JSON.stringify(box));
  framesMatch('phone: the frame follows the unfolded bar', await snapshot(phone), level, palette);
  await phone.screenshot({path: path.join(h.work, 'phone-menu.png')});
  await phone.tap('#fold');
  await waitPasses(phone, 3);

  // Keys that act while held, from the on-screen controls: Up walks only while held.
  await phone.tap('#fold');
  await phone.tap('#held');
  await phone.tap('#fold');
  await waitPasses(phone, 3);
  const before = await snapshot(phone);
  const at = await centre(phone, 'up');
  await phone.touchscreen.touchStart(at.x, at.y);
  await waitPasses(phone, 8);
  await phone.touchscreen.touchEnd();
  await waitPasses(phone, 6);
  shot = await snapshot(phone);
  const held = linesOf(shot, before.passes);
  check(held.includes('key space') && held.filter((l) => l === 'key up').length >= 8,
        'phone, keys held: Up walks each pass while held, a Space at its release', held.join(', '));
  framesMatch('phone, keys held: the frames are those of the messages delivered', shot, level, palette);
  await phone.screenshot({path: path.join(h.work, 'phone.png')});

  // On its side: the controls either side of the picture.
  await phone.setViewport(Object.assign({}, Phone, {width: 844, height: 390}));
  await waitPasses(phone, 4);
  box = await layout(phone);
  check(box.bar.bottom <= box.canvas.top && box.canvas.left > 0 && box.canvas.right < box.width,
        'phone on its side: the controls beside the picture', JSON.stringify(box));
  framesMatch('phone on its side: the frame', await snapshot(phone), level, palette);
  await phone.screenshot({path: path.join(h.work, 'phone-landscape.png')});
  // Help and full screen are there to be found.
  await phone.tap('#help-button');
  check(await phone.$eval('#page-help', (e) => !e.hidden && /turn/.test(e.textContent)),
        'phone: the help panel tells the keys and the controls');
  await phone.tap('#help-close');
  await phone.close();

  // --- A desktop: the same controls with a mouse, and keys held ----------------------------
  const desk = await h.openPage(browser, '?controls=held', errors, {width: 1024, height: 700});
  box = await layout(desk);
  check(!box.folded && !box.padShown && box.bar.bottom <= box.canvas.top,
        'desktop: the whole bar above the picture, no on-screen controls unless asked for', JSON.stringify(box));
  await desk.screenshot({path: path.join(h.work, 'desktop.png')});
  const first = (await snapshot(desk)).passes;
  await h.keyDown(desk, 'ArrowLeft');
  await waitPasses(desk, 6);
  await h.keyDown(desk, 'ArrowUp');
  await waitPasses(desk, 6);
  await h.keyUp(desk, 'ArrowUp');
  await waitPasses(desk, 6);
  shot = await snapshot(desk);
  await h.keyUp(desk, 'ArrowLeft');
  // Every pass from Left's first key-down on has one of Left, whatever else came.
  const turning = new Set(shot.script.filter((m) => m.pass > first && m.line === 'key left').map((m) => m.pass));
  const from = Math.min(...turning);
  const passesSince = shot.passes - from + 1;
  check(turning.size === passesSince && passesSince >= 18 && linesOf(shot, first).includes('key space'),
        `desktop, keys held: Left turns in every pass (${turning.size} of ${passesSince}) through Up, ` +
        'and Up\'s release stops walking', linesOf(shot, first).join(', '));
  await waitPasses(desk, 4);
  framesMatch('desktop, keys held: the frames are those of the messages delivered', await snapshot(desk), level,
              palette);
  // A window that loses the keyboard while Up is held: its release never comes, and the
  // walking stops all the same.
  await h.keyDown(desk, 'ArrowUp');
  await waitPasses(desk, 4);
  const blurred = await desk.evaluate(() => {
    window.dispatchEvent(new Event('blur'));
    return window.quellor.passes;
  });
  await waitPasses(desk, 6);
  shot = await snapshot(desk);
  const afterBlur = shot.script.filter((m) => m.pass > blurred).map((m) => m.line);
  check(afterBlur.includes('key space') && !afterBlur.slice(afterBlur.indexOf('key space')).includes('key up'),
        'desktop, keys held: losing the keyboard lets Up go (a Space, no more walking)', afterBlur.join(', '));
  framesMatch('desktop, keys held: stopped when the window lost the keyboard', shot, level, palette);
  await h.keyUp(desk, 'ArrowUp');
  // The mouse on the on-screen controls, as on a desktop with them asked for.
  await desk.click('#touch');
  await waitPasses(desk, 3);
  const upAt = await centre(desk, 'right');
  await desk.mouse.move(upAt.x, upAt.y);
  await desk.mouse.down();
  await waitPasses(desk, 5);
  await desk.mouse.up();
  await waitPasses(desk, 4);
  shot = await snapshot(desk);
  check(linesOf(shot, 0).includes('release right'), 'desktop: a mouse on a control is its key');
  framesMatch('desktop: the on-screen controls with a mouse', shot, level, palette);
  await desk.close();

  for (const name of ['phone.png', 'phone-landscape.png', 'phone-menu.png', 'desktop.png']) {
    const kept = process.env.QUELLOR_WEB_SHOTS;
    if (kept) fs.copyFileSync(path.join(h.work, name), path.join(kept, name));
  }
};
