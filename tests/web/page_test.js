// Drives quellor's web page in Debian's headless Chromium and compares the canvas, pixel
// for pixel, with quellor-replay's frame of the same level, size and messages. The page
// records which messages each pass was given (window.quellor), so the replay runs exactly
// what the page ran, however the browser timed its animation frames.
//
// Usage: node page_test.js BUILD_DIR WEB_DIR            the test (exit 0 when all pass)
//        node page_test.js BUILD_DIR WEB_DIR --bench N  pass and present times, no test
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {spawnSync} = require('child_process');
const puppeteer = require('puppeteer-core');
const touchChecks = require('./touch_checks.js');
const levelChecks = require('./level_checks.js');
const playbackChecks = require('./playback_checks.js');
const explainChecks = require('./explain_checks.js');
const {servePage} = require('../../tools/page-server.js');

const [buildDir, webDir, option, optionValue] = process.argv.slice(2);
const replay = path.join(buildDir, 'quellor-replay');
const desktopRecord = path.join(buildDir, 'desktop_key_record');
const chromium = process.env.QUELLOR_CHROMIUM || '/usr/bin/chromium';
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quellor-web-'));

let failures = 0;
function check(ok, what, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${!ok && detail ? ': ' + detail : ''}`);
  if (!ok) failures += 1;
}

// --- quellor-replay's frames ------------------------------------------------------------

function runReplay(args) {
  const result = spawnSync(replay, args, {encoding: 'utf8'});
  if (result.status !== 0) throw new Error(`quellor-replay ${args.join(' ')}: ${result.stderr}`);
  return result;
}

// The viewer's palette as quellor-replay's indexed PNGs carry it (chunk PLTE).
function replayPalette() {
  const out = path.join(work, 'palette');
  runReplay(['--level', path.join(webDir, 'levels', '3rooms.b2'), '--format', 'png', '--out', out]);
  const png = fs.readFileSync(path.join(out, 'frame-000001.png'));
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at);
    if (png.toString('latin1', at + 4, at + 8) === 'PLTE') return png.subarray(at + 8, at + 8 + length);
    at += 12 + length;
  }
  throw new Error('no palette in quellor-replay\'s PNG');
}

let replays = 0;
function replayFrame(level, width, height, lines, passes) {
  const out = path.join(work, `replay-${++replays}`);
  const script = path.join(work, `script-${replays}.txt`);
  fs.writeFileSync(script, lines.join('\n') + '\n');
  runReplay(['--level', level, '--size', `${width}x${height}`, '--script', script, '--passes', String(passes),
             '--shots', String(passes), '--format', 'pgm', '--out', out]);
  const pgm = fs.readFileSync(path.join(out, `frame-${String(passes).padStart(6, '0')}.pgm`));
  const header = pgm.toString('latin1', 0, 64).match(/^P5\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error('quellor-replay wrote no PGM');
  return {width: +header[1], height: +header[2], pixels: pgm.subarray(header[0].length)};
}

// --- What the desktop records for the same keys -------------------------------------------

// SDL's names of the keys the test types (puppeteer's names).
const sdlKeyNames = {
  ArrowUp: 'Up', ArrowLeft: 'Left', ArrowRight: 'Right', Space: 'Space', Shift: 'Left Shift', Enter: 'Return',
  KeyA: 'A', KeyZ: 'Z', KeyX: 'X', Digit7: '7',
};
const typed = [];  // every key event the first page was sent, as desktop_key_record takes them

async function keyDown(page, key) {
  typed.push(`down:${sdlKeyNames[key]}`);
  await page.keyboard.down(key);
}
async function keyUp(page, key) {
  typed.push(`up:${sdlKeyNames[key]}`);
  await page.keyboard.up(key);
}
async function keyPress(page, key) {
  await keyDown(page, key);
  await keyUp(page, key);
}

// The events of the desktop's recording of those keys, in order.
function desktopLines(events) {
  const out = path.join(work, 'desktop.txt');
  const result = spawnSync(desktopRecord, [out, ...events], {encoding: 'utf8'});
  if (result.status !== 0) throw new Error(`desktop_key_record: ${result.stderr}`);
  return fs.readFileSync(out, 'utf8').split('\n').filter((l) => l && !l.startsWith('#'))
      .map((l) => l.replace(/^\d+ /, ''));
}

// --- The page -----------------------------------------------------------------------------

async function snapshot(page) {
  // One evaluation: no animation frame runs between the record and the pixels it describes.
  return page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let binary = '';
    for (let i = 0; i < rgba.length; i += 32768) binary += String.fromCharCode(...rgba.subarray(i, i + 32768));
    const q = window.quellor;
    return {passes: q.passes, script: q.script.slice(), level: q.level, levelPass: q.levelPass,
            levelWidth: q.levelWidth, levelHeight: q.levelHeight, width: canvas.width,
            height: canvas.height, rgba: btoa(binary), message: q.message};
  });
}

// The canvas against quellor-replay's frame after the same passes and messages, through
// the palette. levelFile: the file the page's current level was read from.
function framesMatch(what, shot, levelFile, palette) {
  const passes = shot.passes - shot.levelPass;
  const lines = shot.script.filter((m) => m.pass > shot.levelPass && m.pass <= shot.passes)
                    .map((m) => `${m.pass - shot.levelPass} ${m.line}`);
  const frame = replayFrame(levelFile, shot.levelWidth, shot.levelHeight, lines, passes);
  const rgba = Buffer.from(shot.rgba, 'base64');
  let wrong = 0, first = '';
  // The canvas shows the frame's top-left part (the frame is up to 3 columns wider).
  if (frame.width < shot.width || frame.height < shot.height) {
    check(false, what, `frame ${frame.width}x${frame.height} smaller than canvas ${shot.width}x${shot.height}`);
    return;
  }
  for (let y = 0; y < shot.height; ++y) {
    for (let x = 0; x < shot.width; ++x) {
      const index = frame.pixels[y * frame.width + x];
      const at = (y * shot.width + x) * 4;
      const same = rgba[at] === palette[index * 3] && rgba[at + 1] === palette[index * 3 + 1] &&
                   rgba[at + 2] === palette[index * 3 + 2] && rgba[at + 3] === 255;
      if (!same && wrong++ === 0) first = `(${x}, ${y}) is ${rgba.subarray(at, at + 4).join(',')}, index ${index}`;
    }
  }
  check(passes >= 1 && wrong === 0, `${what} (${shot.width}x${shot.height}, pass ${shot.passes}, ` +
        `${lines.length} messages)`, `${wrong} pixels differ, first ${first}`);
}

async function passes(page) {
  return page.evaluate(() => window.quellor.passes);
}
async function waitPasses(page, count) {
  const target = (await passes(page)) + count;
  await page.waitForFunction((n) => window.quellor.passes >= n, {timeout: 30000}, target);
}

async function openPage(browser, query, errors, viewport) {
  const page = await browser.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => errors.push(`page: ${error}`));
  page.on('requestfailed', (request) => errors.push(`request: ${request.url()}`));
  await page.setViewport(viewport || {width: 400, height: 300});
  await page.goto(`${baseUrl}/index.html${query}`);
  await page.waitForFunction(() => window.quellor && window.quellor.ready, {timeout: 30000});
  // In step mode the page runs passes only when asked.
  if (query.includes('step')) {
    await page.evaluate(() => Module._quellor_step(2));
  } else {
    await waitPasses(page, 2);
  }
  return page;
}

// The loader's refusal as the native viewer words it, without the file's name.
function nativeRefusal(file) {
  const result = spawnSync(replay, ['--level', file, '--out', path.join(work, 'refusal')], {encoding: 'utf8'});
  const prefix = `quellor-replay: ${file}: `;
  const line = result.stderr.split('\n').find((l) => l.startsWith(prefix));
  return line ? line.slice(prefix.length) : `(no refusal from quellor-replay: ${result.stderr})`;
}

async function uploadAndWait(page, file, until) {
  const input = await page.$('#open');
  await input.uploadFile(file);
  await page.waitForFunction(until, {timeout: 30000});
}

let baseUrl = '';

async function testPage(browser, palette) {
  const errors = [];
  const levels = path.join(webDir, 'levels');

  // Start: the shipped level at the window's size.
  const page = await openPage(browser, '', errors);
  let shot = await snapshot(page);
  // The canvas is the window below the bar, which never lies over it.
  const box = await page.evaluate(() => {
    const canvas = document.getElementById('canvas').getBoundingClientRect();
    return {bar: document.getElementById('bar').getBoundingClientRect().bottom,
            canvas: {top: canvas.top, bottom: canvas.bottom, height: canvas.height}};
  });
  check(shot.level === '/levels/3rooms.b2' && shot.width === 400 && shot.height === Math.round(box.canvas.height) &&
        box.canvas.top >= box.bar && Math.abs(box.canvas.bottom - 300) < 0.5,
        'starts on 3rooms at the size of the window below the bar',
        `${shot.level} ${shot.width}x${shot.height} ${JSON.stringify(box)}`);
  framesMatch('first frames equal quellor-replay\'s', shot, path.join(levels, '3rooms.b2'), palette);

  // Walk, turn (held: repeats), ignored keys, from above, back, stop.
  await keyDown(page, 'ArrowUp');
  await waitPasses(page, 2);
  await keyUp(page, 'ArrowUp');
  await waitPasses(page, 20);
  await keyDown(page, 'ArrowLeft');
  for (let i = 0; i < 6; ++i) {
    await waitPasses(page, 1);
    await keyDown(page, 'ArrowLeft');  // a repeat
  }
  await keyUp(page, 'ArrowLeft');
  await keyPress(page, 'KeyA');
  await keyPress(page, 'Shift');
  await keyPress(page, 'Digit7');
  await keyPress(page, 'Enter');
  await waitPasses(page, 5);
  framesMatch('walking and turning', await snapshot(page), path.join(levels, '3rooms.b2'), palette);
  await keyPress(page, 'KeyZ');
  await waitPasses(page, 3);
  framesMatch('from above (Z)', await snapshot(page), path.join(levels, '3rooms.b2'), palette);
  await keyPress(page, 'KeyX');
  await keyPress(page, 'ArrowRight');
  await keyPress(page, 'Space');
  await waitPasses(page, 3);
  shot = await snapshot(page);
  framesMatch('walking view again (X), turned, stopped (Space)', shot, path.join(levels, '3rooms.b2'), palette);
  const lines = shot.script.map((m) => m.line);
  const expected = ['key up', 'release up', 'key left', 'release left', 'key a', 'release a', 'key other',
                    'release other', 'key 7', 'key z', 'key x', 'key right', 'key space'];
  check(expected.every((l) => lines.includes(l)) && lines.filter((l) => l === 'key left').length === 7,
        'keys, repeats and releases delivered as the desktop delivers them', lines.join(', '));
  // Line for line what the desktop's recorder writes for the same keys: unmapped keys and
  // releases included.
  const keyLines = lines.filter((l) => /^(key|release) /.test(l));
  const desktop = desktopLines(typed);
  check(keyLines.length === typed.length && keyLines.join('|') === desktop.join('|'),
        `the page records ${typed.length} key events as the desktop records them`,
        `page: ${keyLines.join(', ')} | desktop: ${desktop.join(', ')}`);

  // The frame follows the page's size, rounded as the desktop rounds it.
  await page.setViewport({width: 523, height: 317});
  await page.waitForFunction(() => document.getElementById('canvas').width === 523, {timeout: 30000});
  await waitPasses(page, 2);
  shot = await snapshot(page);
  check(shot.script.some((m) => m.line === `size 523 ${shot.height}`), 'a resize is a size message');
  framesMatch('after a resize', shot, path.join(levels, '3rooms.b2'), palette);
  // Too small to draw: the frame keeps its size, the page goes on.
  await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    canvas.style.width = canvas.style.height = '8px';
  });
  await page.waitForFunction(() => document.getElementById('canvas').width === 8, {timeout: 30000});
  await waitPasses(page, 2);
  framesMatch('a canvas below the smallest frame', await snapshot(page), path.join(levels, '3rooms.b2'), palette);
  // No size at all (a hidden canvas): no size message, the passes go on.
  const before = (await snapshot(page)).script.length;
  await page.evaluate(() => {
    document.getElementById('canvas').style.display = 'none';
    window.dispatchEvent(new Event('resize'));
  });
  await waitPasses(page, 3);
  check((await snapshot(page)).script.length === before, 'a canvas of no size sends no size message');
  await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    canvas.style.display = canvas.style.width = canvas.style.height = '';
  });
  await page.setViewport({width: 400, height: 300});
  await page.waitForFunction(() => document.getElementById('canvas').width === 400, {timeout: 30000});
  await waitPasses(page, 2);
  framesMatch('shown again', await snapshot(page), path.join(levels, '3rooms.b2'), palette);

  // Q stops the loop after one more frame, and the page says so.
  await page.keyboard.press('KeyQ');
  await page.waitForFunction(() => window.quellor.stopped, {timeout: 30000});
  const stoppedAt = await passes(page);
  await new Promise((resolve) => setTimeout(resolve, 300));
  shot = await snapshot(page);
  check(shot.passes === stoppedAt && /stopped/.test(shot.message), 'Q stops the loop and the page says so',
        `${stoppedAt} then ${shot.passes}: ${shot.message}`);
  await page.close();

  // A level named in the URL, then levels opened from files.
  const second = await openPage(browser, '?level=eight_rooms', errors);
  shot = await snapshot(second);
  check(shot.level === '/levels/eight_rooms.b2', '?level=eight_rooms starts on that level', shot.level);
  framesMatch('eight_rooms from the URL', shot, path.join(levels, 'eight_rooms.b2'), palette);

  const mine = path.join(work, 'mine.b2');
  fs.copyFileSync(path.join(levels, 'two_rooms.b2'), mine);
  await second.keyboard.press('ArrowLeft');  // the opened level starts afresh whatever came before
  await uploadAndWait(second, mine, () => window.quellor.level === '/opened/mine.b2');
  await waitPasses(second, 2);
  framesMatch('a level opened with "Open a level..."', await snapshot(second), mine, palette);
  check(await second.evaluate(() => !FS.analyzePath('/opened').exists),
        'an opened file is handed to the loader as bytes, not stored in the module\'s files', '/opened exists');

  const bad = path.join(work, 'bad.b2');
  fs.writeFileSync(bad, fs.readFileSync(mine).subarray(0, 30));
  await uploadAndWait(second, bad, () => /bad\.b2/.test(window.quellor.message));
  await waitPasses(second, 2);
  shot = await snapshot(second);
  check(shot.message === `/opened/bad.b2: ${nativeRefusal(bad)}`, 'a malformed file shows the loader\'s message',
        `${shot.message} | ${nativeRefusal(bad)}`);
  framesMatch('the old level stays after a refused file', shot, mine, palette);

  // An empty file dropped on the page: the loader refuses it too.
  const empty = path.join(work, 'empty.b2');
  fs.writeFileSync(empty, '');
  await second.evaluate(() => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([], 'empty.b2'));
    window.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, cancelable: true}));
  });
  await second.waitForFunction(() => /empty\.b2/.test(window.quellor.message), {timeout: 30000});
  shot = await snapshot(second);
  check(shot.message === `/opened/empty.b2: ${nativeRefusal(empty)}`, 'a dropped empty file shows the loader\'s message',
        shot.message);

  // Too large to be a level: refused before it is read.
  const huge = path.join(work, 'huge.b2');
  fs.writeFileSync(huge, Buffer.alloc(5 * 1024 * 1024));
  await uploadAndWait(second, huge, () => /huge\.b2/.test(window.quellor.message));
  await waitPasses(second, 2);
  shot = await snapshot(second);
  check(/MiB/.test(shot.message) && shot.level === '/opened/mine.b2', 'a huge file is refused, the level stays',
        shot.message);
  framesMatch('still the opened level', shot, mine, palette);

  // A chosen level from the list.
  await second.select('#level', 'big_polygons');
  await second.waitForFunction(() => window.quellor.level === '/levels/big_polygons.b2', {timeout: 30000});
  await waitPasses(second, 2);
  framesMatch('big_polygons from the level chooser', await snapshot(second), path.join(levels, 'big_polygons.b2'),
              palette);
  await second.close();

  const third = await openPage(browser, '?level=../../etc/passwd', errors);
  shot = await snapshot(third);
  check(shot.level === '/levels/3rooms.b2' && /No level named/.test(shot.message),
        'an unknown level in the URL is said and the shipped one shown', shot.message);
  await third.close();

  const helpers = {check, snapshot, framesMatch, waitPasses, passes, openPage, replayFrame, runReplay, nativeRefusal,
                   uploadAndWait, keyDown, keyUp, palette, work, levels, buildDir, baseUrl, errors};
  await touchChecks(browser, helpers);
  await levelChecks(browser, helpers);
  await playbackChecks(browser, helpers);
  await explainChecks(browser, helpers);

  check(errors.length === 0, 'no errors in the browser', errors.join(' | '));
}

async function bench(browser, count) {
  const errors = [];
  const page = await openPage(browser, '?step', errors);
  // Run 0 warms up: the browser compiles the module's hot code again, optimised, as it runs.
  for (let run = 0; run < 6; ++run) {
    const figures = await page.evaluate((n) => {
      window.quellor.bench = [];
      Module._quellor_bench(n, 320, 240);
      Module._quellor_bench(n, 1920, 1080);
      return window.quellor.bench;
    }, count);
    for (const b of run === 0 ? [] : figures) {
      console.log(`run ${run}: ${b.width}x${b.height} ${b.passes} passes: pass ${(b.passMs * 1000).toFixed(1)} us, ` +
                  `present ${(b.presentMs * 1000).toFixed(1)} us, of which expansion ` +
                  `${(b.expandMs * 1000).toFixed(1)} us`);
    }
  }
  await page.close();
}

async function main() {
  const server = await servePage(path.resolve(webDir));
  baseUrl = `http://127.0.0.1:${server.address().port}`;
  // This machine reaches nothing beyond its package mirrors: no background traffic.
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: path.join(work, 'profile'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  try {
    if (option === '--bench') {
      await bench(browser, parseInt(optionValue || '200', 10));
    } else {
      await testPage(browser, replayPalette());
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, {recursive: true, force: true});
  }
  if (failures > 0) {
    console.log(`${failures} check(s) failed`);
    process.exit(1);
  }
}

main().catch((error) => {
  console.error(error);
  fs.rmSync(work, {recursive: true, force: true});
  process.exit(1);
});
