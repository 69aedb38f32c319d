// The page on phones, tablets and a desktop alike: on-screen controls that deliver the
// keys' own messages (a key-down, repeats while held, a release), the bar that folds to
// one line, full screen, the help panel, and the toggle for keys that act while held.
'use strict';
(function () {
  const page = window.quellorPage;
  const body = document.body;
  const canvas = page.canvas;
  const pad = document.getElementById('pad');
  const more = document.getElementById('more');
  const fold = document.getElementById('fold');
  const help = document.getElementById('page-help');
  const helpButton = document.getElementById('help-button');
  const fullscreen = document.getElementById('fullscreen');
  const held = document.getElementById('held');
  const touchToggle = document.getElementById('touch');

  // The key table's codes of the keys the controls stand for (viewer/messages.h).
  const KeyCodes = {space: 0x20, left: 0x25, up: 0x26, right: 0x27, down: 0x28, x: 0x58, z: 0x5A};
  // A held control repeats as a held key does: after a pause, then steadily.
  const RepeatDelayMs = 500;
  const RepeatEveryMs = 33;
  // Narrower than this (CSS pixels), or a touch screen: the bar starts folded.
  const NarrowScreen = 700;

  function running() {
    return window.Module && Module.calledRun && page.record.ready && !page.record.stopped;
  }

  function sendKey(name, down) {
    if (running()) Module._quellor_key(KeyCodes[name], down ? 1 : 0);
  }

  // --- The on-screen controls -------------------------------------------------------------

  const pressed = new Map();  // button -> its repeat timer
  function press(button) {
    if (pressed.has(button)) return;
    sendKey(button.dataset.key, true);
    button.classList.add('held');
    const timer = {id: 0};
    timer.id = window.setTimeout(function repeat() {
      sendKey(button.dataset.key, true);
      timer.id = window.setTimeout(repeat, RepeatEveryMs);
    }, RepeatDelayMs);
    pressed.set(button, timer);
  }
  function release(button) {
    const timer = pressed.get(button);
    if (!timer) return;
    window.clearTimeout(timer.id);
    pressed.delete(button);
    button.classList.remove('held');
    sendKey(button.dataset.key, false);
  }

  for (const button of pad.querySelectorAll('button[data-key]')) {
    // Pointer events serve touch, pen and mouse alike; each finger holds its own control.
    button.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      if (button.setPointerCapture) {
        try {
          button.setPointerCapture(event.pointerId);
        } catch (e) {
          // A pointer that is already gone: the release follows anyway.
        }
      }
      press(button);
    });
    for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
      button.addEventListener(type, () => release(button));
    }
    button.addEventListener('contextmenu', (event) => event.preventDefault());
  }
  // A page that loses sight (another tab, the phone locked) lets every control go.
  window.addEventListener('blur', () => pressed.forEach((timer, button) => release(button)));
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) pressed.forEach((timer, button) => release(button));
  });

  const touchScreen = (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) ||
      navigator.maxTouchPoints > 0;
  function showPad(on) {
    pad.hidden = !on;
    body.classList.toggle('pad', on);
    touchToggle.checked = on;
    if (!on) pressed.forEach((timer, button) => release(button));
  }
  touchToggle.addEventListener('change', () => showPad(touchToggle.checked));
  showPad(touchScreen);

  // --- The bar, folded to one line or whole -------------------------------------------------

  function setFolded(folded) {
    more.hidden = folded;
    fold.setAttribute('aria-expanded', String(!folded));
  }
  fold.addEventListener('click', () => setFolded(!more.hidden));
  setFolded(touchScreen || window.innerWidth < NarrowScreen);

  // The canvas's size follows the layout (the bar folding, the controls, the editor), not
  // only the window's: the module looks at it on every resize event.
  if (window.ResizeObserver) {
    new ResizeObserver(() => window.dispatchEvent(new Event('resize'))).observe(canvas);
  }

  // --- Help and full screen ----------------------------------------------------------------

  function showHelp(on) {
    help.hidden = !on;
    helpButton.setAttribute('aria-expanded', String(on));
  }
  helpButton.addEventListener('click', () => showHelp(help.hidden));
  document.getElementById('help-close').addEventListener('click', () => showHelp(false));

  if (!document.fullscreenEnabled) fullscreen.hidden = true;
  fullscreen.addEventListener('click', () => {
    const done = document.fullscreenElement ? document.exitFullscreen()
                                            : document.documentElement.requestFullscreen({navigationUI: 'hide'});
    Promise.resolve(done).catch((error) => page.say(`Full screen was refused: ${error.message}`, true));
  });

  // --- Keys that act while held --------------------------------------------------------------

  function holdKeys(on) {
    held.checked = on;
    if (running()) Module._quellor_hold_keys(on ? 1 : 0);
    page.record.heldControls = on;
  }
  held.addEventListener('change', () => {
    holdKeys(held.checked);
    canvas.focus();  // the arrows are the viewer's again
  });
  page.record.heldControls = false;
  // ?controls=held starts with them; the module takes it once it runs.
  page.whenRunning = () => holdKeys(new URLSearchParams(window.location.search).get('controls') === 'held' ||
                                    held.checked);
})();
