// The page around quellor's module: the canvas, the level chooser, levels opened from
// files, and window.quellor, the record of passes and of the messages each pass was given
// (in quellor-replay's script form), which lets a test replay exactly what the page ran.
// window.quellorPage is what the page's other scripts use of it: touch.js (the on-screen
// controls and the layout) and levels.js (sources, links, downloads, kept levels).
'use strict';
(function () {
  // A level file of the viewer's limits is a few tens of KiB; anything this large is
  // refused before it is read.
  const MaxLevelBytes = 4 * 1024 * 1024;
  const MaxRecordedMessages = 100000;
  const MaxRecordedDigests = 1000000;
  const FirstLevel = '3rooms';

  const params = new URLSearchParams(window.location.search);
  const canvas = document.getElementById('canvas');
  const context = canvas.getContext('2d', {alpha: false});
  const statusLine = document.getElementById('status');
  const chooser = document.getElementById('level');
  const opener = document.getElementById('open');

  const record = (window.quellor = {
    ready: false,
    passes: 0,
    script: [],        // {pass, line}: the messages delivered, in order
    digests: [],       // digests[p - 1]: pass p's frame digest, as quellor-replay --digests writes it
    scriptTruncated: false,
    level: '',         // the module's path of the level shown
    versions: [],      // {pass, name, bytes}: its versions, each from a pass after levelPass
    levelPass: 0,      // passes run before it was loaded
    levelWidth: 0,     // the canvas's size then
    levelHeight: 0,
    message: '',       // the last thing the page said
    reports: [],       // what the file reader reported
    stopped: false,
    bench: [],
    replayable: true,  // false once a timedemo ran passes of its own
    link: '',          // a link that shows the level shown (levels.js)
    buildLines: [],    // the last build's error and warning lines, as quellor-level build prints them
  });

  function say(text, refused) {
    record.message = text;
    statusLine.textContent = text;
    statusLine.classList.toggle('refused', !!refused);
  }

  function baseName(path) {
    return path.replace(/^.*\//, '').replace(/\.b2$/, '');
  }

  // Set by levels.js: what to do with sources, kept levels and links.
  let levels = null;
  // Set by playback.js: recordings played and the session saved as one.
  let player = null;

  let image = null;
  const hooks = {
    // One frame's RGBA bytes, in the module's memory, onto the canvas. The image is a view
    // of that memory, made again only when the frame or the memory moved.
    show(pixels, width, height) {
      const buffer = Module.HEAPU8.buffer;
      if (!image || image.width !== width || image.height !== height || image.pointer !== pixels ||
          image.buffer !== buffer) {
        const view = new Uint8ClampedArray(buffer, pixels, width * height * 4);
        image = {data: new ImageData(view, width, height), width, height, pointer: pixels, buffer};
      }
      context.putImageData(image.data, 0, 0);
    },
    canvasSize(width, height) {
      canvas.width = width;
      canvas.height = height;
    },
    delivered(pass, line) {
      if (record.script.length < MaxRecordedMessages) {
        record.script.push({pass, line});
      } else {
        record.scriptTruncated = true;
      }
    },
    passDone(pass, digest) {
      record.passes = pass;
      if (record.digests.length < MaxRecordedDigests) record.digests.push(digest);
    },
    stopped(pass) {
      record.stopped = true;
      record.passes = pass;
      chooser.disabled = true;
      opener.disabled = true;
      say('quellor stopped (Q). Reload the page to start it again.');
    },
    // kept: a new version of the level shown, under the camera as it was; the passes
    // since the first version then replay on the new one.
    level(path, ok, message, pass, kept) {
      if (ok) {
        record.level = path;
        if (!kept) {
          record.levelPass = pass;
          record.levelWidth = canvas.width;
          record.levelHeight = canvas.height;
        }
        say('Level ' + baseName(path).replace(/\.json$/, ''));
      } else {
        say(message, true);
      }
    },
    built(ok, lines, bytes, size) {
      if (levels) levels.built(ok, lines, ok ? Module.HEAPU8.slice(bytes, bytes + size) : null);
    },
    playback(pass, total, paused, speed, message) {
      if (player) player.update(pass, total, paused, speed, message);
    },
    explain(help, depth, stepping, plan, step, steps, caption, counters, story) {
      record.explain = {help, depth, stepping, plan, step, steps, caption, counters, story};
      if (window.quellorExplain) window.quellorExplain.update(record.explain);
    },
    bench(width, height, passes, passMs, expandMs, presentMs) {
      record.bench.push({width, height, passes, passMs, expandMs, presentMs});
      record.replayable = false;  // the timed passes are not in the record
    },
  };

  function levelNames() {
    return FS.readdir('/levels').filter((name) => name.endsWith('.b2')).map(baseName).sort();
  }

  // Bytes in the module's memory for the length of one call, released after it; null
  // when there was no memory for the copy (said on the page).
  function withBytes(name, bytes, call) {
    const at = Module._malloc(Math.max(bytes.length, 1));
    if (!at) {
      say(`${name}: refused: there is no memory for it in the viewer`, true);
      return null;
    }
    try {
      Module.HEAPU8.set(bytes, at);
      return call(at, bytes.length);
    } finally {
      Module._free(at);
    }
  }

  // A level file's bytes, named for the loader's messages, through the viewer's own loader.
  // keepCamera: as a new version of the level shown. False when refused (the loader's
  // message is shown) or when there was no memory for the copy.
  function openLevelBytes(name, bytes, keepCamera) {
    const ok = withBytes(name, bytes, (at, size) => Module.ccall('quellor_show_level', 'number',
        ['string', 'number', 'number', 'number'], [name, at, size, keepCamera ? 1 : 0]) === 1) === true;
    if (ok) keepVersion(name, bytes, keepCamera);
    return ok;
  }

  // The level versions of the session since its level was opened, for a saved recording:
  // a new version is shown from the pass after the one that ran last.
  function keepVersion(name, bytes, kept) {
    const version = {pass: kept ? record.passes + 1 - record.levelPass : 0, name, bytes: new Uint8Array(bytes)};
    record.versions = kept ? record.versions.concat([version]) : [version];
  }

  // Whether bytes are a level source (JSON) rather than a level file, by the viewer's rule.
  function looksLikeSource(bytes) {
    return withBytes('', bytes, (at, size) => Module._quellor_looks_like_source(at, size) === 1) === true;
  }

  // A level the module holds (the chooser's), read from its file system.
  function openLevel(path) {
    const bytes = FS.readFile(path);
    const ok = openLevelBytes(path, bytes, false);
    if (ok && levels) levels.showingShipped(baseName(path), bytes);
    return ok;
  }

  // A file from the file input or a drop, handed to the viewer's own loader as it was read.
  // A refused file leaves the level shown as it was.
  function openFile(file) {
    if (!file || record.stopped) return;
    if (player && player.isRecording(file.name)) {
      player.open(file);
      return;
    }
    if (file.size > MaxLevelBytes) {
      say(`${file.name}: refused: ${(file.size / 1048576).toFixed(1)} MiB is more than a level ` +
          `file can hold (4 MiB at most)`, true);
      return;
    }
    file.arrayBuffer().then((bytes) => {
      // The name the page has always shown for an opened file.
      const name = safeName(file.name);
      const data = new Uint8Array(bytes);
      if (levels && looksLikeSource(data)) {
        levels.openSource(name, data, {from: 'file'});
      } else if (openLevelBytes('/opened/' + name, data, false)) {
        chooser.value = '';
        if (levels) levels.opened(name, data);
      }
    }, () => {
      say(`${file.name}: refused: it cannot be read (a folder is not a level file)`, true);
    });
  }

  function safeName(name) {
    let safe = String(name).replace(/[^A-Za-z0-9._-]/g, '_').slice(0, 64);
    if (safe === '' || safe.startsWith('.')) safe = '_' + safe;
    return safe;
  }

  async function start() {
    const names = levelNames();
    for (const name of names) chooser.add(new Option(name, name));
    chooser.add(new Option('(opened file)', ''));
    // A link's level is read before the viewer starts, so that it is the first one shown.
    const linked = levels ? await levels.linkAtStart() : null;
    let wanted = params.get('level') || FirstLevel;
    const unknown = !names.includes(wanted) ? wanted : null;
    if (unknown !== null) wanted = FirstLevel;
    chooser.value = wanted;
    chooser.addEventListener('change', () => {
      if (!chooser.value) return;
      if (levels && levels.choose(chooser.value)) {
        chooser.blur();
        return;
      }
      openLevel('/levels/' + chooser.value + '.b2');
      params.set('level', chooser.value);
      window.history.replaceState(null, '', '?' + params.toString());
      chooser.blur();  // the arrows are the viewer's again
    });
    opener.addEventListener('change', () => {
      openFile(opener.files[0]);
      opener.value = '';
    });
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => {
      event.preventDefault();
      const item = event.dataTransfer.items && event.dataTransfer.items[0];
      const entry = item && item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
      if (entry && entry.isDirectory) {
        say(`${entry.name}: refused: a folder is not a level file`, true);
        return;
      }
      openFile(event.dataTransfer.files[0]);
    });

    const args = ['/levels/' + wanted + '.b2'];
    if (params.has('step')) args.push('--step');
    Module.callMain(args);
    keepVersion(args[0], FS.readFile(args[0]), false);
    if (unknown !== null) say(`No level named "${unknown}" here; showing ${FirstLevel}`, true);
    if (levels) {
      levels.showingShipped(wanted, FS.readFile(args[0]));
      if (linked) levels.showLinked(linked);
      await levels.listKept();
    }
    record.ready = true;
    if (window.quellorPage.whenRunning) window.quellorPage.whenRunning();

    // ?bench=N: N passes and N presents at 320x240 and at 1920x1080, timed.
    const benchPasses = parseInt(params.get('bench') || '0', 10);
    if (benchPasses > 0) {
      window.setTimeout(() => {
        Module._quellor_bench(benchPasses, 320, 240);
        Module._quellor_bench(benchPasses, 1920, 1080);
        say(record.bench.map((b) => `${b.width}x${b.height}: pass ${(b.passMs * 1000).toFixed(1)} us, ` +
            `present ${(b.presentMs * 1000).toFixed(1)} us (expansion ${(b.expandMs * 1000).toFixed(1)})`)
            .join('; '));
      }, 500);
    }
  }

  window.quellorPage = {
    record, canvas, chooser, say, openLevelBytes, safeName, FirstLevel,
    uses(parts) { levels = parts; },
    usesPlayer(parts) { player = parts; },
  };

  window.Module = {
    noInitialRun: true,
    canvas,
    quellorPage: hooks,
    print: (text) => console.log(text),
    // The file reader's reports: shown on the page, not as browser errors.
    printErr: (text) => {
      record.reports.push(text);
      say(text, true);
    },
    onRuntimeInitialized: () => {
      start().catch((error) => say(`The page could not start: ${error.message}`, true));
    },
  };
})();
