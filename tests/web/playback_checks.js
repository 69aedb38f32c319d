// A long session in the page (thousands of passes: keys, resizes, a new version of the
// level) saved as a recording: quellor-replay plays the file, and the page plays it back
// (opened through its file input) to the same frames at random passes reached with the
// slider and at the passes its buttons reach.
'use strict';
const fs = require('fs');
const path = require('path');

module.exports = async function playbackChecks(browser, h) {
  const page = await h.openPage(browser, '?step', h.errors);
  let seed = 27;
  const random = (n) => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed % n;
  };
  const keys = [0x26, 0x28, 0x25, 0x27, 0x20, 0x5A, 0x58, 0x41];
  const eightRooms = [...fs.readFileSync(path.join(h.levels, 'eight_rooms.b2'))];
  for (let i = 0; i < 100; ++i) {
    const key = keys[random(keys.length)];
    const passes = 1 + random(60);
    await page.evaluate((code, n) => {
      Module._quellor_key(code, 1);
      Module._quellor_key(code, 0);
      Module._quellor_step(n);
    }, key, passes);
    if (i % 20 === 9) {
      await page.setViewport({width: 240 + random(300), height: 180 + random(200)});
      await new Promise((resolve) => setTimeout(resolve, 100));  // the resize event
      await page.evaluate(() => Module._quellor_step(2));
    }
    if (i === 50) {
      await page.evaluate((bytes) => window.quellorPage.openLevelBytes('/opened/eight_rooms.b2',
          new Uint8Array(bytes), true), eightRooms);
    }
  }
  const text = await page.evaluate(() => window.quellorPlayback.recordingText());
  const file = path.join(h.work, 'session.txt');
  fs.writeFileSync(file, text);
  const last = Math.max(...text.split('\n').filter((l) => /^\d+ (?!level)/.test(l)).map((l) => parseInt(l, 10)));
  const sizes = new Set(text.split('\n').filter((l) => / size /.test(l)));
  h.check(last > 2000 && sizes.size >= 3 && / level \d+ eight_rooms\.b2/.test(text),
          'the page saves a long session as a recording', `${last} passes, ${sizes.size} sizes`);

  // Every pass's digest, the page's against quellor-replay's of the saved recording.
  const digests = path.join(h.work, 'session-digests.txt');
  h.runReplay(['--script', file, '--digests', digests, '--shots', 'none', '--out', path.join(h.work, 'digests-run')]);
  const native = fs.readFileSync(digests, 'utf8').split('\n').filter((l) => l !== '');
  const paged = (await page.evaluate(() => window.quellorPlayback.digestsText())).split('\n').slice(0, native.length);
  const differ = native.findIndex((line, i) => line !== paged[i]);
  h.check(native.length === last + 1 && differ === -1,
          `the page's digests of ${last} passes equal quellor-replay's of the saved recording`,
          `${native.length} lines, first difference at line ${differ + 1}: ${native[differ]} vs ${paged[differ]}`);

  const targets = [1, last, last - 1, last - 100, last - 101];
  for (let i = 0; i < 8; ++i) targets.push(1 + random(last));
  const out = path.join(h.work, 'session-frames');
  h.runReplay(['--script', file, '--shots', [...new Set(targets)].sort((a, b) => a - b).join(','),
               '--format', 'pgm', '--out', out]);

  const input = await page.$('#play-file');
  await input.uploadFile(file);
  await page.waitForFunction(() => window.quellorPlayback.total > 0, {timeout: 30000});
  const total = await page.evaluate(() => window.quellorPlayback.total);
  h.check(total === last, 'the page plays the recording opened', `${total} passes, not ${last}`);
  await page.evaluate(() => {
    window.quellorPlayback.command('pause');
    Module._quellor_step(1);
  });

  const shows = async (what, pass, act) => {
    await page.evaluate(act);
    await page.evaluate(() => Module._quellor_step(1));
    const shot = await h.snapshot(page);
    const shown = await page.evaluate(() => window.quellorPlayback.pass);
    const pgm = fs.readFileSync(path.join(out, `frame-${String(pass).padStart(6, '0')}.pgm`));
    const header = pgm.toString('latin1', 0, 64).match(/^P5\s+(\d+)\s+(\d+)\s+255\s/);
    const width = +header[1], height = +header[2], pixels = pgm.subarray(header[0].length);
    const rgba = Buffer.from(shot.rgba, 'base64');
    let wrong = shot.width > width || shot.height !== height ? -1 : 0;
    for (let y = 0; wrong >= 0 && y < shot.height; ++y) {
      for (let x = 0; x < shot.width; ++x) {
        const index = pixels[y * width + x], at = (y * shot.width + x) * 4;
        if (rgba[at] !== h.palette[index * 3] || rgba[at + 1] !== h.palette[index * 3 + 1] ||
            rgba[at + 2] !== h.palette[index * 3 + 2]) {
          ++wrong;
        }
      }
    }
    h.check(shown === pass && wrong === 0, `${what}: pass ${pass} as quellor-replay draws it (${width}x${height})`,
            `pass ${shown}, ${wrong} pixels differ (-1: sizes ${shot.width}x${shot.height})`);
  };
  const click = (name) => `document.querySelector('#player button[data-command="${name}"]').click()`;
  for (const pass of targets.slice(5)) {
    await shows('the slider', pass, `{const s = document.getElementById('position'); s.value = '${pass}';
      s.dispatchEvent(new Event('input'));}`);
  }
  await shows('End', last, click('last'));
  await shows('Page Up', last - 100, click('page-back'));
  await shows('Left', last - 101, click('back'));
  await shows('Home', 1, click('first'));
  await shows('End again', last, click('last'));
  await shows('Left from the end', last - 1, click('back'));
  await page.evaluate(click('take-over'));
  await page.evaluate(() => Module._quellor_step(2));
  const after = await page.evaluate(() => ({playing: window.quellorPlayback.playing,
                                            hidden: document.getElementById('player').hidden}));
  h.check(!after.playing && after.hidden, 'take over leaves the playback', JSON.stringify(after));
  await page.close();
};
