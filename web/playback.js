// Recordings in the page: one opened or dropped plays with the window's controls (buttons,
// keys and a slider for the position), every pass exactly as quellor-replay draws it; and
// the page's session saved as a recording that the desktop and quellor-replay play.
'use strict';
(function () {
  const MaxRecordingBytes = 4 * 1024 * 1024;  // as the desktop reads one
  const page = window.quellorPage;
  const record = page.record;
  const bar = document.getElementById('player');
  const slider = document.getElementById('position');
  const text = document.getElementById('position-text');
  const pauseButton = document.getElementById('play-pause');
  const opener = document.getElementById('play-file');
  const saver = document.getElementById('save-recording');

  // PlaybackCommand's values (viewer/playback_control.h).
  const commands = {
    pause: 0, forward: 1, back: 2, 'page-forward': 3, 'page-back': 4, first: 5, last: 6, faster: 7, slower: 8,
    'take-over': 9, quit: 10,
  };
  const keys = {
    ' ': 'pause', ArrowRight: 'forward', ArrowLeft: 'back', PageDown: 'page-forward', PageUp: 'page-back',
    Home: 'first', End: 'last', '+': 'faster', '=': 'faster', '-': 'slower', t: 'take-over', T: 'take-over',
  };
  const state = (window.quellorPlayback = {playing: false, pass: 0, total: 0, paused: false, speed: 0});
  state.command = (name) => command(name);

  function command(name) {
    Module._quellor_playback_command(commands[name]);
  }

  function play(name, bytes) {
    const decoded = new TextDecoder().decode(bytes);
    const total = Module.ccall('quellor_play', 'number', ['string', 'string', 'number'],
        [name, decoded, new TextEncoder().encode(decoded).length]);
    if (total > 0) {
      record.replayable = false;  // the page's own record is not what is shown now
      page.say(`Playing ${name}: ${total} passes`);
    }
    return total;
  }

  document.addEventListener('keydown', (event) => {
    if (!state.playing || event.ctrlKey || event.altKey || event.metaKey) return;
    const name = keys[event.key];
    if (!name) return;
    event.preventDefault();
    event.stopPropagation();
    command(name);
  }, true);
  for (const button of bar.querySelectorAll('button[data-command]')) {
    button.addEventListener('click', () => command(button.dataset.command));
  }
  slider.addEventListener('input', () => Module._quellor_playback_seek(Number(slider.value)));
  opener.addEventListener('change', () => {
    if (opener.files[0]) open(opener.files[0]);
    opener.value = '';
  });

  function open(file) {
    if (file.size > MaxRecordingBytes) {
      page.say(`${file.name}: refused: more than 4 MiB is not a recording`, true);
      return;
    }
    file.arrayBuffer().then((bytes) => play(page.safeName(file.name), new Uint8Array(bytes)),
        () => page.say(`${file.name}: refused: it cannot be read`, true));
  }

  function base64Lines(bytes) {
    let binary = '';
    for (let i = 0; i < bytes.length; i += 32768) binary += String.fromCharCode(...bytes.subarray(i, i + 32768));
    return (btoa(binary).match(/.{1,76}/g) || []).join('\n');
  }

  // The session since its level was opened, as quellor --record writes one.
  function recordingText() {
    const lines = ['# quellor recording: play it back with quellor-replay --script FILE',
      `# level: ${record.level.replace(/^.*\//, '')}`, `# first client size: ${record.levelWidth}x${record.levelHeight}`,
      '# quellor page'];
    for (const v of record.versions) {
      lines.push(`${v.pass} level ${v.bytes.length} ${v.name.replace(/^.*\//, '')}`);
      if (v.bytes.length) lines.push(base64Lines(v.bytes));
    }
    for (const m of record.script) {
      if (m.pass > record.levelPass) lines.push(`${m.pass - record.levelPass} ${m.line}`);
    }
    return lines.join('\n') + '\n';
  }
  // The digests of the session's passes since its level was opened, as quellor-replay
  // --digests writes them for the saved recording.
  function digestsText() {
    const lines = ['# quellor-replay digests: PASS XXH3-64 of the frame (width, height, rows top first)'];
    for (let p = record.levelPass + 1; p <= record.digests.length; ++p) {
      lines.push(`${p - record.levelPass} ${record.digests[p - 1]}`);
    }
    return lines.join('\n') + '\n';
  }
  const digestSaver = document.getElementById('save-digests');
  digestSaver.addEventListener('click', () => {
    if (digestSaver.href && digestSaver.href.startsWith('blob:')) URL.revokeObjectURL(digestSaver.href);
    digestSaver.href = URL.createObjectURL(new Blob([digestsText()], {type: 'text/plain'}));
  });
  saver.addEventListener('click', () => {
    if (saver.href && saver.href.startsWith('blob:')) URL.revokeObjectURL(saver.href);
    saver.href = URL.createObjectURL(new Blob([recordingText()], {type: 'text/plain'}));
  });

  state.recordingText = () => recordingText();
  state.digestsText = () => digestsText();
  state.play = (name, text) => play(name, new TextEncoder().encode(text));
  page.usesPlayer({
    isRecording: (name) => /\.(txt|rec)$/i.test(name),
    open,
    play,
    recordingText,
    update(pass, total, paused, speed, message) {
      if (message) page.say(message, true);
      Object.assign(state, {playing: total > 0, pass, total, paused, speed});
      bar.hidden = total === 0;
      if (total === 0) return;
      slider.max = String(total);
      slider.value = String(pass);
      pauseButton.textContent = paused ? '\u25B6' : '||';
      const rate = speed >= 0 ? `${1 << speed}x` : `1/${1 << -speed}x`;
      text.textContent = `${pass} / ${total} ${rate}`;
    },
  });
})();
