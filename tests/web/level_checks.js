// Level sources built in the page, the editor, links, downloads and kept levels, against
// the native tools: a source's error and warning lines are quellor-level build's, word
// for word; built and linked levels show the frames quellor-replay draws from the bytes
// quellor-level builds; an edit is live within a second with the camera kept; hostile
// links and files are refused, the level stays, nothing is kept, and the tab answers.
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const {spawnSync} = require('child_process');

const MiB = 1024 * 1024;

function base64url(bytes) {
  return Buffer.from(bytes).toString('base64').replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// quellor-level build SOURCE OUT in folder, as a person runs it there: its lines and bytes.
function nativeBuild(buildDir, folder, source, out) {
  const result = spawnSync(path.join(buildDir, 'quellor-level'), ['build', source, out], {cwd: folder, encoding: 'utf8'});
  const lines = result.stderr.split('\n').filter((l) => l !== '');
  const file = path.join(folder, out);
  return {ok: result.status === 0, lines, file, bytes: result.status === 0 ? fs.readFileSync(file) : null};
}

function kept(page) {
  return page.evaluate(() => new Promise((resolve) => {
    const request = indexedDB.open('quellor', 1);
    request.onupgradeneeded = () => request.result.createObjectStore('levels', {keyPath: 'name'});
    request.onerror = () => resolve(['(no store)']);
    request.onsuccess = () => {
      const all = request.result.transaction('levels').objectStore('levels').getAllKeys();
      all.onsuccess = () => {
        request.result.close();
        resolve(all.result.map(String));
      };
      all.onerror = () => resolve(['(unreadable)']);
    };
  }));
}

// The text kept under name, or null.
function keptText(page, name) {
  return page.evaluate((key) => new Promise((resolve) => {
    const request = indexedDB.open('quellor', 1);
    request.onerror = () => resolve(null);
    request.onsuccess = () => {
      const got = request.result.transaction('levels').objectStore('levels').get(key);
      got.onsuccess = () => {
        request.result.close();
        resolve(got.result ? got.result.text || null : null);
      };
      got.onerror = () => resolve(null);
    };
  }), name);
}

function keptOptions(page) {
  return page.$$eval('#level option', (options) => options.map((o) => o.value).filter((v) => v.startsWith('kept:')));
}

module.exports = async function levelChecks(browser, h) {
  const {check, snapshot, framesMatch, waitPasses, palette, work, buildDir, errors} = h;
  const sources = path.join(work, 'sources');
  fs.mkdirSync(sources, {recursive: true});
  const shipped = path.join(h.levels, '3rooms.b2');

  const page = await h.openPage(browser, '', errors, {width: 900, height: 600});

  // A source with faults: the CLI's lines, the level stays.
  const bad = path.join(sources, 'bad.json');
  fs.writeFileSync(bad, '{\n  "rooms": [\n    {"name": "start", "outline": [[0, -4], [10, -4]], "floor": -4, ' +
                   '"ceiling": 4},\n    {"name": "den", "outline": [[2, 6], [8, 6], [9, 12], [1, 12]], ' +
                   '"floor": "low", "ceiling": 3}\n  ]\n}\n');
  let native = nativeBuild(buildDir, sources, 'bad.json', 'bad.b2');
  await h.uploadAndWait(page, bad, () => window.quellor.buildLines.length > 0);
  await waitPasses(page, 2);  // the editor opened beside the picture: the frame follows
  let shot = await snapshot(page);
  let lines = await page.evaluate(() => window.quellor.buildLines);
  check(!native.ok && lines.join('\n') === native.lines.join('\n') && shot.level === '/levels/3rooms.b2',
        `a source with faults shows quellor-level build's ${native.lines.length} line(s), the level stays`,
        `page: ${lines.join(' | ')} cli: ${native.lines.join(' | ')}`);
  check(await page.$eval('#build-lines', (e, want) => e.textContent === want && e.offsetHeight > 0,
                         native.lines.join('\n')),
        'the lines are on the page, under the source in the editor');
  framesMatch('the level shown stays after a refused source', shot, shipped, palette);

  // A source with a warning, then a good one: built as the CLI builds them.
  const mine = path.join(sources, 'mine.json');
  const mineText = fs.readFileSync(path.join(__dirname, '..', '..', 'levels', 'two_rooms.json'), 'utf8');
  const warned = path.join(sources, 'far.json');
  fs.writeFileSync(warned, '{"rooms": [\n  {"name": "far", "outline": [[20, 20], [30, 20], [30, 30], [20, 30]], ' +
                   '"floor": -4, "ceiling": 4}\n]}\n');
  native = nativeBuild(buildDir, sources, 'far.json', 'far.b2');
  await h.uploadAndWait(page, warned, () => window.quellor.level === '/built/far.b2');
  lines = await page.evaluate(() => window.quellor.buildLines);
  check(native.ok && native.lines.length > 0 && lines.join('\n') === native.lines.join('\n'),
        `a source with ${native.lines.length} warning(s): quellor-level build's lines`, lines.join(' | '));
  fs.writeFileSync(mine, mineText);
  native = nativeBuild(buildDir, sources, 'mine.json', 'mine.b2');
  await h.uploadAndWait(page, mine, () => window.quellor.level === '/built/mine.b2' &&
                                           window.quellor.buildLines.length === 0);
  await waitPasses(page, 2);
  framesMatch('a source opened is built in the page: the frames of quellor-level\'s bytes', await snapshot(page),
              native.file, palette);
  const link = await page.evaluate(() => window.quellor.link);
  check(/#name=mine\.json&source=[A-Za-z0-9_-]+$/.test(link), 'the link of a built source carries the source', link);

  // Downloads: the .b2 and the .json, the very bytes.
  const downloaded = await page.evaluate(async () => {
    const stop = (event) => event.preventDefault();  // no file is saved by the test's browser
    window.addEventListener('click', stop);
    const fetched = [];
    for (const id of ['download-level', 'download-source']) {
      const anchor = document.getElementById(id);
      anchor.click();
      fetched.push({name: anchor.download, bytes: Array.from(new Uint8Array(await (await fetch(anchor.href)).arrayBuffer()))});
    }
    window.removeEventListener('click', stop);
    return fetched;
  });
  check(downloaded[0].name === 'mine.b2' && Buffer.from(downloaded[0].bytes).equals(native.bytes) &&
        downloaded[1].name === 'mine.json' && Buffer.from(downloaded[1].bytes).toString('utf8') === mineText,
        'the downloads are the built level and its source', downloaded.map((d) => `${d.name} ${d.bytes.length}`).join(', '));

  // The editor: walk a little, then edit; the new level shows within a second, the camera kept.
  await h.keyDown(page, 'ArrowUp');
  await h.keyUp(page, 'ArrowUp');
  await waitPasses(page, 12);
  await h.keyDown(page, 'Space');
  await h.keyUp(page, 'Space');
  // Open since the refused source; it follows the level shown.
  check(await page.$eval('#editor', (e) => !e.hidden) &&
        await page.$eval('#editor-name', (e) => e.textContent === 'mine.json'),
        'the editor, opened on the refused source, shows the source opened since');
  await page.waitForFunction(() => document.getElementById('source-text').value.includes('den'), {timeout: 30000});
  const edited = mineText.replace('[[2, 6], [8, 6], [9, 12], [1, 12]]', '[[2, 6], [8, 6], [12, 14], [-2, 14]]');
  const editStart = Date.now();
  const editPass = await page.evaluate((text) => {
    const area = document.getElementById('source-text');
    area.focus();
    area.value = text;
    area.dispatchEvent(new Event('input'));
    return window.quellor.passes;
  }, edited);
  await page.waitForFunction(() => window.quellor.edits > 0 && document.getElementById('editor-state').textContent === 'built',
                             {timeout: 30000});
  await waitPasses(page, 1);
  const liveMs = Date.now() - editStart;
  shot = await snapshot(page);
  fs.writeFileSync(path.join(sources, 'edited.json'), edited);
  const editedBuild = nativeBuild(buildDir, sources, 'edited.json', 'edited.b2');
  check(liveMs < 1000, `an edit is live in ${liveMs} ms (within a second)`);
  check(shot.levelPass < editPass, 'the edit kept the camera: the passes since the source opened replay on the edit',
        `level pass ${shot.levelPass}, edit at ${editPass}`);
  framesMatch('the edited level under the camera as it was (quellor-replay of the whole run on the edit)', shot,
              editedBuild.file, palette);
  // The plan beside the editor follows the edit: the rooms with their names, the opening
  // between them (from both sides), the door, the start.
  const plan = await page.evaluate(() => window.quellor.plan);
  check(plan.rooms === 2 && plan.labels.includes('0 start') && plan.labels.includes('1 den') &&
        plan.labels.includes('start (5, 0, 0)') && plan.openings === 2 && plan.doors === 1 && plan.walls > 8 &&
        plan.title === 'mine.json',
        'the plan beside the editor: the edited level\'s rooms, names, opening, door and start', JSON.stringify(plan));
  // Typing in the editor is the editor's: no key reached the viewer.
  const typedBefore = shot.script.length;
  await page.focus('#source-text');
  await page.keyboard.press('ArrowUp');
  await page.keyboard.press('ArrowLeft');
  await waitPasses(page, 2);
  const afterTyping = (await snapshot(page)).script.slice(typedBefore).map((m) => m.line);
  check(afterTyping.length === 0, 'keys typed in the editor do not reach the viewer', afterTyping.join(', '));
  // An edit that breaks the source: its lines, the edited level stays.
  await page.evaluate(() => {
    const area = document.getElementById('source-text');
    area.value = area.value.replace('"rooms"', '"roms"');
    area.dispatchEvent(new Event('input'));
  });
  await page.waitForFunction(() => document.getElementById('editor-state').textContent === 'refused', {timeout: 30000});
  shot = await snapshot(page);
  check(shot.level === '/built/mine.b2' && /"roms"/.test(shot.message), 'a broken edit is refused with its line, the level stays',
        shot.message);
  const editedLink = await page.evaluate(() => window.quellor.link);

  // Kept: the edited source (once the typing paused) and the opened ones, after a reload.
  for (let i = 0; i < 100 && (await keptText(page, 'mine.json')) !== edited; ++i) await waitPasses(page, 5);
  check((await keptText(page, 'mine.json')) === edited, 'the last edit that built is kept');
  const opened = path.join(work, 'opened.b2');
  fs.copyFileSync(path.join(h.levels, 'eight_rooms.b2'), opened);
  await h.uploadAndWait(page, opened, () => window.quellor.level === '/opened/opened.b2');
  await page.waitForFunction(() => document.querySelector('#level option[value="kept:opened.b2"]'), {timeout: 30000});
  const levelLink = await page.evaluate(() => window.quellor.link);
  await page.reload();
  await page.waitForFunction(() => window.quellor && window.quellor.ready, {timeout: 30000});
  const options = await keptOptions(page);
  check(options.includes('kept:mine.json') && options.includes('kept:opened.b2'),
        'kept levels are listed in the chooser after a reload', options.join(', '));
  await page.select('#level', 'kept:mine.json');
  await page.waitForFunction(() => window.quellor.level === '/built/mine.b2', {timeout: 30000});
  await waitPasses(page, 3);
  framesMatch('a kept source after a reload: its last edit that built', await snapshot(page), editedBuild.file, palette);
  await page.select('#level', 'kept:opened.b2');
  await page.waitForFunction(() => window.quellor.level === '/kept/opened.b2', {timeout: 30000});
  await waitPasses(page, 3);
  framesMatch('a kept level file after a reload', await snapshot(page), opened, palette);
  await page.click('#forget');
  await page.waitForFunction(() => !document.querySelector('#level option[value="kept:opened.b2"]'), {timeout: 30000});
  check(!(await kept(page)).includes('opened.b2'), 'a forgotten level is no longer kept');

  // Hostile sources: nesting 100,000 deep; a source the level's check refuses (rooms that
  // overlap). Refused with the CLI's lines; the level stays; nothing kept.
  const keptBefore = (await kept(page)).sort().join(',');
  const hostile = [
    ['deep.json', '{"rooms":' + '['.repeat(100000) + ']'.repeat(100000) + '}'],
    ['overlap.json', '{"rooms": [\n  {"name": "a", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, ' +
     '"ceiling": 4},\n  {"name": "b", "outline": [[5, 0], [15, 0], [15, 10], [5, 10]], "floor": -4, "ceiling": 4}\n]}\n'],
  ];
  for (const [name, text] of hostile) {
    fs.writeFileSync(path.join(sources, name), text);
    native = nativeBuild(buildDir, sources, name, name.replace('.json', '.b2'));
    await page.evaluate(() => { window.quellor.buildLines = []; });
    const started = Date.now();
    await h.uploadAndWait(page, path.join(sources, name), () => window.quellor.buildLines.length > 0);
    shot = await snapshot(page);
    lines = await page.evaluate(() => window.quellor.buildLines);
    check(!native.ok && lines.join('\n') === native.lines.join('\n') && shot.level === '/kept/opened.b2',
          `${name}: refused with quellor-level build's line in ${Date.now() - started} ms, the level stays`,
          `${lines.join(' | ')} cli: ${native.lines.join(' | ')}`);
  }
  check((await kept(page)).sort().join(',') === keptBefore, 'refused sources are not kept');

  // --- A fresh browser profile: links show their levels; hostile links are refused -------------
  const fresh = await browser.createBrowserContext();
  const stranger = await h.openPage(fresh, '', errors, {width: 640, height: 480});
  const goTo = async (url) => {
    await stranger.goto('about:blank');
    await stranger.goto(url);
    await stranger.waitForFunction(() => window.quellor && window.quellor.ready, {timeout: 60000});
    await waitPasses(stranger, 3);
    return snapshot(stranger);
  };
  shot = await goTo(editedLink);
  check(shot.level === '/built/mine.b2' && shot.levelPass === 0, 'a source\'s link in a fresh profile shows it at the start',
        shot.level);
  framesMatch('the linked source: the frames of quellor-level\'s build of the edit', shot, editedBuild.file, palette);
  shot = await goTo(levelLink);
  check(shot.level === '/linked/opened.b2', 'a level file\'s link shows its bytes', shot.level);
  framesMatch('the linked level file: quellor-replay\'s frames of those bytes', shot, opened, palette);
  check((await kept(stranger)).sort().join(',') === 'mine.json,opened.b2',
        'linked levels are kept in the profile that opened them', (await kept(stranger)).join(','));

  const address = `${h.baseUrl}/index.html`;
  const bomb = base64url(zlib.deflateRawSync(Buffer.alloc(1024 * MiB), {level: 9}));
  const hostileLinks = [
    ['one that inflates to 1 GiB', `${address}#name=bomb.json&source=${bomb}`, /more than 4 MiB/],
    ['one that does not inflate', `${address}#name=junk.b2&level=${base64url(Buffer.from('not deflated at all'))}`,
     /does not inflate/],
    ['one that is not base64url', `${address}#name=x.b2&level=%%%`, /base64url/],
    ['a level source given as a level file', `${address}#name=src.b2&level=${base64url(zlib.deflateRawSync(
        Buffer.from('{"rooms": []}')))}`, /level source/],
  ];
  for (const [what, url, said] of hostileLinks) {
    const started = Date.now();
    shot = await goTo(url);
    check(shot.level === '/levels/3rooms.b2' && said.test(shot.message),
          `a link ${what} is refused (${Date.now() - started} ms), the shipped level shown`, shot.message);
  }
  // Ten megabytes of fragment, handed to the page as a pasted link would be.
  const started = Date.now();
  const refused = await stranger.evaluate((size) => window.quellorLevels.openLink('#name=big.b2&level=' + 'A'.repeat(size)),
                                          10 * 1000 * 1000);
  await waitPasses(stranger, 2);
  shot = await snapshot(stranger);
  check(refused === false && /MiB long/.test(shot.message) && shot.level === '/levels/3rooms.b2',
        `a 10 MB fragment is refused in ${Date.now() - started} ms, the tab runs on`, shot.message);
  // The gigabyte again, pasted into a running tab: refused at 4 MiB, long before the rest
  // is inflated, and the viewer's passes go on.
  const bombed = await stranger.evaluate(async (fragment) => {
    const started = performance.now();
    const ok = await window.quellorLevels.openLink(fragment);
    return {ok, ms: performance.now() - started};
  }, `#name=bomb.json&source=${bomb}`);
  await waitPasses(stranger, 3);
  shot = await snapshot(stranger);
  check(bombed.ok === false && bombed.ms < 2000 && /more than 4 MiB/.test(shot.message),
        `a link that inflates to 1 GiB, pasted into the tab, is refused in ${bombed.ms.toFixed(0)} ms; the passes go on`,
        shot.message);
  check((await kept(stranger)).sort().join(',') === 'mine.json,opened.b2', 'refused links keep nothing',
        (await kept(stranger)).join(','));
  await stranger.close();
  await fresh.close();

  // --- Storage refused, and full: the page says so and runs on ------------------------------------
  for (const [what, patch, said] of [
    ['refused', () => { IDBFactory.prototype.open = () => { throw new DOMException('no storage here', 'SecurityError'); }; },
     /refuses/],
    ['full', () => {
      IDBObjectStore.prototype.put = () => { throw new DOMException('the disk is full', 'QuotaExceededError'); };
    }, /is full/],
  ]) {
    const context = await browser.createBrowserContext();
    const tab = await context.newPage();
    tab.on('pageerror', (error) => errors.push(`page: ${error}`));
    tab.on('console', (message) => {
      if (message.type() === 'error') errors.push(`console: ${message.text()}`);
    });
    await tab.evaluateOnNewDocument(patch);
    await tab.setViewport({width: 400, height: 300});
    await tab.goto(address);
    await tab.waitForFunction(() => window.quellor && window.quellor.ready, {timeout: 30000});
    await h.uploadAndWait(tab, opened, () => window.quellor.level === '/opened/opened.b2');
    await tab.waitForFunction(() => /storage/.test(window.quellor.message), {timeout: 30000});
    await waitPasses(tab, 3);
    shot = await snapshot(tab);
    check(said.test(shot.message), `storage ${what}: the page says so`, shot.message);
    framesMatch(`storage ${what}: the level is shown all the same`, shot, opened, palette);
    await context.close();
  }
  await page.close();
};
