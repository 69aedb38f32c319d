// Levels in the page beyond the shipped ones: sources (.json) built by the level tool's
// own builder compiled into the module, the source editor that rebuilds as it is typed in,
// links that carry a level in their fragment, downloads, and levels kept in this browser
// (IndexedDB) until forgotten. Links and files are input from strangers: whatever is
// refused leaves the level shown as it was and keeps nothing.
'use strict';
(function () {
  const page = window.quellorPage;
  const record = page.record;
  const chooser = page.chooser;
  const MiB = 1024 * 1024;
  // The level tool's and the loader's bound on what it reads.
  const MaxLevelBytes = 4 * MiB;
  // base64 of a level at that bound, compressed as badly as can be, with room to spare.
  const MaxLinkChars = 6 * MiB;
  const EditPauseMs = 250;
  const KeptPrefix = 'kept:';

  const editor = document.getElementById('editor');
  const editButton = document.getElementById('edit');
  const editorName = document.getElementById('editor-name');
  const editorState = document.getElementById('editor-state');
  const sourceText = document.getElementById('source-text');
  const gutter = document.getElementById('gutter');
  const buildLines = document.getElementById('build-lines');
  const shareButton = document.getElementById('share');
  const linkBox = document.getElementById('link');
  const downloadLevel = document.getElementById('download-level');
  const downloadSource = document.getElementById('download-source');
  const forgetButton = document.getElementById('forget');

  const utf8 = new TextEncoder();
  const fromUtf8 = new TextDecoder('utf-8');

  // The level shown: kind 'shipped' (by name), 'level' (bytes only) or 'source' (text, and
  // the bytes built from it).
  let shown = null;

  // --- Building sources ---------------------------------------------------------------------

  let lastBuild = null;
  function stem(name) {
    return name.replace(/\.(json|b2)$/i, '');
  }

  // The source's bytes built as quellor-level build SOURCE STEM.b2 builds them:
  // {ok, lines, bytes}.
  function build(sourceName, data) {
    lastBuild = {ok: false, lines: [`${sourceName}: refused: there is no memory for it in the viewer`], bytes: null};
    const at = Module._malloc(Math.max(data.length, 1));
    if (!at) return lastBuild;
    try {
      Module.HEAPU8.set(data, at);
      Module.ccall('quellor_build_source', 'number', ['string', 'string', 'number', 'number'],
                   [sourceName, stem(sourceName) + '.b2', at, data.length]);
    } finally {
      Module._free(at);
    }
    return lastBuild;
  }

  function showLines(lines) {
    record.buildLines = lines.slice();
    buildLines.textContent = lines.join('\n');
  }

  // Builds a source and shows its level; false when refused (its lines are shown, and the
  // level shown stays). keepCamera: a new version of the level shown (an edit).
  function showSource(name, data, options) {
    const result = build(name, data);
    showLines(result.lines);
    if (!result.ok) {
      const more = result.lines.length > 1 ? ` (and ${result.lines.length - 1} more lines)` : '';
      page.say(`${result.lines[0] || name + ': refused'}${more}`, true);
      return false;
    }
    if (!page.openLevelBytes('/built/' + stem(name) + '.b2', result.bytes, options.keepCamera)) return false;
    const text = options.text !== undefined ? options.text : fromUtf8.decode(data);
    showing({kind: 'source', name, text, bytes: result.bytes});
    const warnings = result.lines.length;
    if (warnings > 0) page.say(`Level ${stem(name)}, with ${warnings} warning${warnings === 1 ? '' : 's'}`, false);
    return true;
  }

  // --- The level shown: downloads and its link -----------------------------------------------

  let linkRound = 0;
  function showing(entry) {
    shown = entry;
    downloadLevel.download = stem(entry.name) + '.b2';
    downloadSource.hidden = entry.kind !== 'source';
    downloadSource.download = stem(entry.name) + '.json';
    linkBox.hidden = true;
    const round = ++linkRound;
    record.link = '';
    linkFor(entry).then((link) => {
      if (round === linkRound) record.link = link;
    }, (error) => page.say(`No link can be made for this level: ${error.message}`, true));
    drawPlan();
  }

  function saveAs(anchor, bytes, type) {
    if (anchor.href.startsWith('blob:')) URL.revokeObjectURL(anchor.href);
    anchor.href = URL.createObjectURL(new Blob([bytes], {type}));
  }
  downloadLevel.addEventListener('click', () => {
    if (shown) saveAs(downloadLevel, shown.bytes, 'application/octet-stream');
  });
  downloadSource.addEventListener('click', () => {
    if (shown && shown.kind === 'source') saveAs(downloadSource, utf8.encode(shown.text), 'application/json');
  });

  // --- Links ------------------------------------------------------------------------------------

  function toBase64Url(bytes) {
    let binary = '';
    for (let i = 0; i < bytes.length; i += 32768) binary += String.fromCharCode(...bytes.subarray(i, i + 32768));
    return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  function fromBase64Url(text) {
    const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  async function deflate(bytes) {
    const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  }

  // The compressed bytes go to the inflater a little at a time, each piece only once the
  // output of the last was read: one piece can swell a thousandfold, and a piece given all
  // at once would be inflated whole (a gigabyte) before the first output came back.
  const InflatePiece = 1024;

  // Inflates at most limit bytes; stops (and says so) as soon as there are more.
  async function inflate(bytes, limit) {
    const stream = new DecompressionStream('deflate-raw');
    const writer = stream.writable.getWriter();
    const reader = stream.readable.getReader();
    writer.closed.catch(() => {});
    reader.closed.catch(() => {});
    (async () => {
      for (let at = 0; at < bytes.length; at += InflatePiece) {
        await writer.ready;
        writer.write(bytes.subarray(at, at + InflatePiece)).catch(() => {});
      }
      await writer.close();
    })().catch(() => {});  // a stream that failed or was cancelled: the reader says why
    const parts = [];
    let total = 0;
    for (;;) {
      let part;
      try {
        part = await reader.read();
      } catch (error) {
        throw new Error('it is not a compressed level (it does not inflate)');
      }
      if (part.done) break;
      total += part.value.length;
      if (total > limit) {
        reader.cancel().catch(() => {});
        throw new Error(`it holds more than ${limit / MiB} MiB, more than a level can be`);
      }
      parts.push(part.value);
    }
    const out = new Uint8Array(total);
    let at = 0;
    for (const piece of parts) {
      out.set(piece, at);
      at += piece.length;
    }
    return out;
  }

  function pageAddress() {
    return window.location.origin + window.location.pathname;
  }

  // The link that shows entry: a shipped level by its name, any other by its source (or
  // its bytes) in the fragment, compressed.
  async function linkFor(entry) {
    if (entry.kind === 'shipped') return `${pageAddress()}?level=${encodeURIComponent(entry.name)}`;
    const kind = entry.kind === 'source' ? 'source' : 'level';
    const data = kind === 'source' ? utf8.encode(entry.text) : entry.bytes;
    const packed = toBase64Url(await deflate(data));
    return `${pageAddress()}#name=${encodeURIComponent(entry.name)}&${kind}=${packed}`;
  }

  // A link's fragment read into {kind, name, bytes}; null when it carries no level.
  // Throws with what is wrong.
  async function readLink(fragment) {
    if (fragment.length > MaxLinkChars) {
      throw new Error(`it is ${(fragment.length / MiB).toFixed(1)} MiB long, more than a link to a level can be`);
    }
    const fields = new URLSearchParams(fragment.replace(/^#/, ''));
    const kind = fields.has('source') ? 'source' : fields.has('level') ? 'level' : null;
    if (!kind) return null;
    const data = fields.get(kind);
    if (!/^[A-Za-z0-9_-]*$/.test(data) || data.length % 4 === 1) throw new Error('its level is not base64url');
    const bytes = await inflate(fromBase64Url(data), MaxLevelBytes);
    const fallback = kind === 'source' ? 'linked.json' : 'linked.b2';
    let name = page.safeName(fields.get('name') || fallback);
    if (kind === 'source' && !/\.json$/i.test(name)) name += '.json';
    return {kind, name, bytes};
  }

  // {kind, name, bytes}, {refused: why}, or null for a fragment without a level.
  async function linkedLevel(fragment) {
    try {
      return await readLink(fragment);
    } catch (error) {
      return {refused: `This link's level is refused: ${error.message}`};
    }
  }

  // A linked level, shown and kept; false when refused.
  function showLinked(linked) {
    if (linked.refused) {
      page.say(linked.refused, true);
      return false;
    }
    const ok = linked.kind === 'source' ? showSource(linked.name, linked.bytes, {keepCamera: false})
                                        : showLevel(linked.name, linked.bytes, '/linked/');
    if (ok) {
      chooser.value = '';
      keep(shown);
    }
    return ok;
  }

  // The link the page was opened with, read before the viewer starts.
  function linkAtStart() {
    return window.location.hash.length > 1 ? linkedLevel(window.location.hash) : Promise.resolve(null);
  }
  // Another link pasted into the same tab.
  window.addEventListener('hashchange', () => openLink(window.location.hash));
  async function openLink(fragment) {
    const linked = await linkedLevel(fragment);
    return linked ? showLinked(linked) : false;
  }

  shareButton.addEventListener('click', async () => {
    if (!shown) return;
    let link;
    try {
      link = await linkFor(shown);
    } catch (error) {
      page.say(`No link can be made for this level: ${error.message}`, true);
      return;
    }
    linkBox.value = link;
    linkBox.hidden = false;
    linkBox.select();
    try {
      await navigator.clipboard.writeText(link);
      page.say('The link to this level is copied', false);
    } catch (error) {
      page.say('The link to this level is beside the menu: copy it from there', false);
    }
  });

  // --- Levels as bytes ---------------------------------------------------------------------------

  function showLevel(name, bytes, folder) {
    if (!page.openLevelBytes(folder + name, bytes, false)) return false;
    showing({kind: 'level', name, bytes});
    return true;
  }

  // --- Kept levels (IndexedDB) -----------------------------------------------------------------

  let database = null;
  function storageRefused(what, error) {
    record.storage = `${what}: ${error && error.message ? error.message : error}`;
    const full = error && (error.name === 'QuotaExceededError' || /quota/i.test(String(error.message)));
    page.say(`${what}: ${full ? "the browser's storage is full" : "the browser's storage refuses it"}` +
             ' (the level is shown, not kept)', true);
  }
  function openDatabase() {
    if (database) return database;
    database = new Promise((resolve, reject) => {
      const request = window.indexedDB.open('quellor', 1);
      request.onupgradeneeded = () => request.result.createObjectStore('levels', {keyPath: 'name'});
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
      request.onblocked = () => reject(new Error('another tab holds an older store'));
    });
    return database;
  }
  // One request in a transaction of its own, to its end.
  async function storeRequest(mode, make) {
    const db = await openDatabase();
    return new Promise((resolve, reject) => {
      const transaction = db.transaction('levels', mode);
      const request = make(transaction.objectStore('levels'));
      transaction.oncomplete = () => resolve(request.result);
      transaction.onerror = () => reject(transaction.error || request.error);
      transaction.onabort = () => reject(transaction.error || new Error('aborted'));
    });
  }

  function keptOption(name) {
    for (const option of chooser.options) {
      if (option.value === KeptPrefix + name) return option;
    }
    return null;
  }
  function keptGroup() {
    let group = chooser.querySelector('optgroup');
    if (!group) {
      group = document.createElement('optgroup');
      group.label = 'Kept in this browser';
      chooser.appendChild(group);
    }
    return group;
  }
  function listOption(name) {
    if (keptOption(name)) return;
    keptGroup().appendChild(new Option(name, KeptPrefix + name));
  }

  const keepTimers = new Map();
  // Keeps the entry (an edit only once the typing pauses); the page says when it cannot.
  function keep(entry, later) {
    if (!entry || entry.kind === 'shipped') return Promise.resolve(false);
    window.clearTimeout(keepTimers.get(entry.name));
    const item = entry.kind === 'source' ? {name: entry.name, kind: 'source', text: entry.text}
                                         : {name: entry.name, kind: 'level', bytes: entry.bytes};
    item.saved = Date.now();
    return new Promise((resolve) => {
      keepTimers.set(entry.name, window.setTimeout(() => {
        keepTimers.delete(entry.name);
        storeRequest('readwrite', (store) => store.put(item)).then(() => {
          listOption(item.name);
          if (shown && shown.name === item.name) chooser.value = KeptPrefix + item.name;
          updateForget();
          resolve(true);
        }, (error) => {
          storageRefused(`${item.name} cannot be kept`, error);
          resolve(false);
        });
      }, later ? EditPauseMs * 4 : 0));
    });
  }

  async function listKept() {
    try {
      const items = await storeRequest('readonly', (store) => store.getAll());
      items.sort((a, b) => a.name.localeCompare(b.name));
      for (const item of items) listOption(item.name);
    } catch (error) {
      storageRefused('Kept levels cannot be read', error);
    }
  }

  async function openKept(name) {
    let item;
    try {
      item = await storeRequest('readonly', (store) => store.get(name));
    } catch (error) {
      storageRefused(`${name} cannot be read`, error);
      return;
    }
    if (!item) {
      page.say(`${name} is no longer kept here`, true);
      return;
    }
    if (item.kind === 'source') {
      showSource(item.name, utf8.encode(item.text), {keepCamera: false, text: item.text});
    } else {
      showLevel(item.name, new Uint8Array(item.bytes), '/kept/');
    }
    chooser.value = KeptPrefix + name;
    updateForget();
  }

  function updateForget() {
    forgetButton.hidden = !chooser.value.startsWith(KeptPrefix);
  }
  chooser.addEventListener('change', updateForget);
  forgetButton.addEventListener('click', async () => {
    const name = chooser.value.slice(KeptPrefix.length);
    try {
      await storeRequest('readwrite', (store) => store.delete(name));
    } catch (error) {
      storageRefused(`${name} cannot be forgotten`, error);
      return;
    }
    const option = keptOption(name);
    if (option) option.remove();
    chooser.value = '';
    updateForget();
    page.say(`${name} is forgotten in this browser (still shown until another level is)`, false);
  });

  // --- The editor ------------------------------------------------------------------------------

  let numbered = 0;
  function numberLines() {
    const count = sourceText.value.split('\n').length;
    if (numbered !== count) {
      let text = '';
      for (let i = 1; i <= count; ++i) text += i + '\n';
      gutter.textContent = text;
      numbered = count;
    }
    gutter.scrollTop = sourceText.scrollTop;
  }
  sourceText.addEventListener('scroll', () => {
    gutter.scrollTop = sourceText.scrollTop;
  });
  // Typing is the editor's (and the link box's), not the viewer's: keys aimed at them stop
  // on their way down, before the module's listener on the window sees them.
  for (const type of ['keydown', 'keyup', 'keypress']) {
    window.addEventListener(type, (event) => {
      if (event.target === sourceText || event.target === linkBox) event.stopImmediatePropagation();
    }, true);
  }

  let editTimer = 0;
  let editingName = '';
  function rebuild() {
    editTimer = 0;
    const text = sourceText.value;
    const ok = showSource(editingName, utf8.encode(text), {keepCamera: true, text});
    editorState.textContent = ok ? (record.buildLines.length ? 'built, with warnings' : 'built') : 'refused';
    editorState.classList.toggle('refused', !ok);
    record.edits = (record.edits || 0) + 1;
    if (ok) {
      chooser.value = '';
      keep(shown, true);
    }
  }
  sourceText.addEventListener('input', () => {
    numberLines();
    window.clearTimeout(editTimer);
    editorState.textContent = 'editing...';
    editTimer = window.setTimeout(rebuild, EditPauseMs);
  });

  function sourceOf(entry) {
    if (entry.kind === 'source') return {name: entry.name, text: entry.text};
    if (entry.kind === 'shipped') {
      const path = `/levels/${entry.name}.json`;
      if (FS.analyzePath(path).exists) return {name: entry.name + '.json', text: FS.readFile(path, {encoding: 'utf8'})};
    }
    // A level file carries no source: a new one to start from.
    return {name: 'new-level.json', text: Module.UTF8ToString(Module._quellor_starter_source())};
  }

  function openEditor(on) {
    editor.hidden = !on;
    editButton.setAttribute('aria-expanded', String(on));
    if (!on || !shown) return;
    const source = sourceOf(shown);
    editingName = source.name;
    editorName.textContent = source.name;
    editorState.textContent = shown.kind === 'level' ? 'a level file has no source: a new level to start from' : '';
    sourceText.value = source.text;
    numberLines();
    drawPlan();
  }
  editButton.addEventListener('click', () => openEditor(editor.hidden));
  document.getElementById('editor-close').addEventListener('click', () => openEditor(false));

  // --- The plan beside the editor ----------------------------------------------------------------

  const planCanvas = document.getElementById('plan');
  function drawPlan() {
    if (editor.hidden || !window.quellorPlan || !record.ready) return;
    window.quellorPlan.draw(planCanvas, shown);
  }
  if (window.ResizeObserver) new ResizeObserver(drawPlan).observe(planCanvas);

  // --- What quellor-page.js asks of this file -------------------------------------------------

  page.uses({
    built(ok, lines, bytes) {
      lastBuild = {ok, lines: lines === '' ? [] : lines.split('\n'), bytes};
    },
    showingShipped(name, bytes) {
      showing({kind: 'shipped', name, bytes});
      updateForget();
    },
    opened(name, bytes) {
      showing({kind: 'level', name, bytes});
      keep(shown);
    },
    // A source opened or dropped: built, and when refused shown in the editor with its lines.
    openSource(name, data) {
      if (showSource(name, data, {keepCamera: false})) {
        chooser.value = '';
        keep(shown);
        if (!editor.hidden) openEditor(true);
        return;
      }
      const text = fromUtf8.decode(data);
      editor.hidden = false;
      editButton.setAttribute('aria-expanded', 'true');
      editingName = name;
      editorName.textContent = name;
      editorState.textContent = 'refused';
      editorState.classList.add('refused');
      sourceText.value = text;
      numberLines();
    },
    choose(value) {
      if (!value.startsWith(KeptPrefix)) return false;
      openKept(value.slice(KeptPrefix.length));
      return true;
    },
    linkAtStart,
    showLinked,
    listKept,
  });

  // For tests and scripts: a fragment opened as if it were the page's own.
  window.quellorLevels = {openLink, readLink, get shown() { return shown; }};
})();
