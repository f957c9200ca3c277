// The page side of a program's windows: each package window a frame with a
// title bar, an optional menu bar and a canvas as its client area, its input,
// and the note that says the program ended; its menus (page_menus.mjs) and
// dialogs (page_dialogs.mjs) are made here too. The program (in its
// worker) calls for these by messages; the page's input goes back to it as
// native events (program_worker.mjs keeps their queue). Its DOM and classes
// (.draxo-window, .draxo-menubar, .draxo-dialog, .draxo-ended ...) are what
// the pages' styles and tests rely on.
//
// Input reaches the worker in the order the user gave it: a key asks the
// program's menu bar rules first (the answer comes when the program has the
// worker's thread free), and what comes after it waits in `outbox` until
// the answer is back.
//
// A request the program makes of the page (draxo_web_page_call) is carried
// out only where the page allows it: the contract suite's driver's actions
// (page_test_actions.mjs) on a page started with `testActions`.

import {makeDialogs} from './page_dialogs.mjs';
import {makeMenus} from './page_menus.mjs';
import {makeTestActions} from './page_test_actions.mjs';

const EVENT_INPUT = 1, EVENT_CLOSE = 3, EVENT_FOCUS = 5;
const WM_KEYDOWN = 0x100, WM_KEYUP = 0x101, WM_SYSKEYDOWN = 0x104, WM_SYSKEYUP = 0x105, WM_MOUSEMOVE = 0x200;

const STYLE = [
  '.draxo-desktop { display: inline-flex; flex-direction: column; gap: 8px; font: 13px "Liberation Sans", Arial, sans-serif; }',
  '.draxo-window { display: inline-block; border: 1px solid #6b7b8c; background: #f0f0f0; box-shadow: 0 1px 4px rgba(0,0,0,.25); position: relative; }',
  '.draxo-window[hidden], .draxo-dialog[hidden] { display: none; }',
  '.draxo-title { display: flex; align-items: center; height: 24px; padding: 0 4px 0 8px; background: #1f5fa8; color: #fff; user-select: none; }',
  '.draxo-window:not(.draxo-active) .draxo-title { background: #8a9bb0; }',
  '.draxo-title span { flex: 1; white-space: nowrap; overflow: hidden; }',
  '.draxo-close { border: 0; background: transparent; color: inherit; font-size: 16px; width: 24px; height: 20px; cursor: pointer; }',
  '.draxo-close:hover { background: #c42b1c; }',
  '.draxo-menubar { display: flex; height: 20px; background: #f0f0f0; border-bottom: 1px solid #d0d0d0; user-select: none; position: relative; }',
  '.draxo-menubar > div { padding: 2px 8px; cursor: default; }',
  '.draxo-menubar > div.draxo-hot { background: #cce4f7; }',
  '.draxo-window canvas { display: block; outline: none; image-rendering: pixelated; }',
  '.draxo-smooth .draxo-window canvas { image-rendering: auto; }',
  '.draxo-popup { position: absolute; z-index: 10; background: #f9f9f9; border: 1px solid #999; box-shadow: 2px 2px 4px rgba(0,0,0,.3); padding: 2px 0; min-width: 180px; }',
  '.draxo-popup > div { display: flex; padding: 3px 12px 3px 4px; white-space: pre; cursor: default; }',
  '.draxo-popup > div.draxo-hot { background: #cce4f7; }',
  '.draxo-popup > div.draxo-grayed { color: #888; }',
  '.draxo-popup > hr { border: 0; border-top: 1px solid #ccc; margin: 3px 2px; }',
  '.draxo-check { width: 20px; text-align: center; }',
  '.draxo-label { flex: 1; }',
  '.draxo-shortcut { padding-left: 24px; }',
  '.draxo-backdrop { position: fixed; inset: 0; z-index: 20; }',
  '.draxo-dialog { position: absolute; z-index: 21; background: #f0f0f0; border: 1px solid #6b7b8c; box-shadow: 0 2px 8px rgba(0,0,0,.35); }',
  '.draxo-dialog .draxo-client { position: relative; overflow: hidden; }',
  '.draxo-dialog .draxo-client > * { position: absolute; box-sizing: border-box; margin: 0; font: inherit; }',
  '.draxo-dialog input, .draxo-dialog textarea { border: 0; padding: 1px 2px; background: #fff; resize: none; }',
  '.draxo-dialog .draxo-border { border: 1px solid #7a7a7a; }',
  '.draxo-dialog button.draxo-default { border: 2px solid #1f5fa8; }',
  '.draxo-dialog .draxo-static { white-space: pre-wrap; overflow: hidden; }',
  '.draxo-closed { opacity: .6; pointer-events: none; }',
  '.draxo-ended { position: fixed; top: 8px; right: 8px; z-index: 30; max-width: 40%; padding: 6px 8px; background: #fff4ce; border: 1px solid #c8a600; box-shadow: 0 2px 6px rgba(0,0,0,.25); }',
  '.draxo-ended button { margin-left: 8px; font: inherit; }',
].join('\n');

function addStyle() {
  if (document.getElementById('draxo-runtime-style')) return;
  const style = document.createElement('style');
  style.id = 'draxo-runtime-style';
  style.textContent = STYLE;
  document.head.appendChild(style);
}

// The modifier keys of a key or mouse event (the layer's HELD_SHIFT,
// HELD_CONTROL, HELD_ALT).
const modifiersOf = (e) => (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);

// What a key event says, kept beyond its handler: its answer from the
// program's rules comes later.
const keyOf = (e) => ({type: e.type, key: e.key, code: e.code, repeat: e.repeat, altKey: e.altKey, ctrlKey: e.ctrlKey,
  shiftKey: e.shiftKey, metaKey: e.metaKey});

function virtualKey(e) {
  if (e.key && e.key.length == 1 && /[a-z]/i.test(e.key)) return e.key.toUpperCase().charCodeAt(0);
  const code = e.code || '';
  let m;
  if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
  if ((m = /^(?:Digit|Numpad)([0-9])$/.exec(code))) return 0x30 + +m[1];
  if ((m = /^F([0-9]+)$/.exec(code)) && +m[1] >= 1 && +m[1] <= 24) return 0x70 + +m[1] - 1;
  const named = {
    Backspace: 0x08, Tab: 0x09, Enter: 0x0D, NumpadEnter: 0x0D, ShiftLeft: 0x10, ShiftRight: 0x10,
    ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Pause: 0x13, CapsLock: 0x14,
    Escape: 0x1B, Space: 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, ArrowLeft: 0x25,
    ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Insert: 0x2D, Delete: 0x2E, Semicolon: 0xBA,
    Equal: 0xBB, Comma: 0xBC, Minus: 0xBD, Period: 0xBE, Slash: 0xBF, Backquote: 0xC0, BracketLeft: 0xDB,
    Backslash: 0xDC, BracketRight: 0xDD, Quote: 0xDE,
  };
  if (code in named) return named[code];
  const byKey = {Shift: 0x10, Control: 0x11, Alt: 0x12, Enter: 0x0D, Escape: 0x1B, Backspace: 0x08, Tab: 0x09};
  if (e.key in byKey) return byKey[e.key];
  if (e.key && e.key.length == 1 && e.key.charCodeAt(0) > 0x7F && e.key.charCodeAt(0) <= 0xFF)
    return e.key.charCodeAt(0);
  return 0;
}

// The character a key press types, as a code point, -1 for none; the
// control character of Ctrl and a letter. The program makes it the
// package's character (Latin-1, '?' beyond it).
function typedCharacter(e) {
  const special = {Enter: 13, Backspace: 8, Tab: 9, Escape: 27};
  if (e.key in special) return special[e.key];
  const chars = Array.from(e.key || '');
  if (chars.length != 1) return -1;
  const code = chars[0].codePointAt(0);
  if (e.ctrlKey && !e.altKey && /[a-z]/i.test(chars[0])) return code & 0x1F;
  return code;
}

// A title bar, with a close box that calls `close` when one is given.
function titleBar(title, close) {
  const bar = document.createElement('div');
  bar.className = 'draxo-title';
  const caption = document.createElement('span');
  caption.textContent = title;
  bar.appendChild(caption);
  if (close) {
    const box = document.createElement('button');
    box.className = 'draxo-close';
    box.title = 'Close';
    box.textContent = '\u00d7';
    box.tabIndex = -1;
    box.addEventListener('click', close);
    bar.appendChild(box);
  }
  return bar;
}

// The desktop of one run in `host`. `post(message)` sends to the worker;
// `ownsTitle`: the page's title names the program and its end; `runAgain()`:
// the end note's button; `testActions`: the program may ask for the contract
// suite's driver's actions.
export function makeDesktop({host, post, ownsTitle, runAgain, testActions}) {
  const D = {
    windows: new Map(), menus: new Map(), dialogs: new Map(),
    dialogStack: [],      // open dialogs, innermost last
    held: {},             // virtual key -> held, for Shift, Ctrl and Alt
    focused: 0,           // the window whose canvas has the keyboard
    openMenu: null,       // {bar, index, popup, highlight, owner}: the bar that has the keyboard,
                          // its title `index` highlighted, its menu `popup` open or null
    altAlone: false,      // Alt is down and no other key came since it went down
    ended: false,
    pageTitle: null,      // the page's title before the end put its state in it
    closedFrames: [],     // windows destroyed since a window was last made
    outbox: [],           // input waiting for the answer to a key's ask
    asking: 0,            // the ask whose answer is awaited, 0: none
    asks: 0,
    listeners: [],
  };
  addStyle();
  const desktop = document.createElement('div');
  desktop.className = 'draxo-desktop';
  host.appendChild(desktop);
  D.desktop = desktop;

  const menus = makeMenus(D, push);
  const {closeMenu, askArguments, obeyKey} = menus;
  const dialogs = makeDialogs(D, {push, send, closeMenu, titleBar});
  const {dialogKey} = dialogs;
  const carryOut = testActions ? makeTestActions(D) : null;

  const listen = (target, type, handler, options) => {
    target.addEventListener(type, handler, options);
    D.listeners.push(() => target.removeEventListener(type, handler, options));
  };

  // --- Input to the program -----------------------------------------------------
  function push(kind, handle, a = 0, b = 0, c = 0, d = 0, modifiers = 0) {
    if (D.ended) return;
    send({type: 'event', event: [kind, handle | 0, a | 0, b | 0, c | 0, d | 0, modifiers | 0]});
  }
  function send(message) {
    D.outbox.push(message);
    flush();
  }
  function flush() {
    while (!D.asking && D.outbox.length) {
      const message = D.outbox.shift();
      if (message.type == 'later') {
        message.run();
        continue;
      }
      if (message.type != 'ask') {
        post(message);
        continue;
      }
      // Who holds the keyboard is as the answers so far left it.
      const bar = D.openMenu ? D.openMenu.bar : message.window ? D.menus.get(message.window.menu) : null;
      D.asking = ++D.asks;
      D.waitingAsk = {key: message.key, bar};
      const event = message.event || (D.openMenu ? undefined : message.windowEvent);
      post({type: 'menuKey', seq: D.asking, args: askArguments(bar, message.key), event});
    }
  }

  // --- The page ---------------------------------------------------------------
  // A screen of a whole number of device pixels to the page's pixel shows
  // the canvases' pixels as sharp squares; at 1.25 or 1.5 squares of unequal
  // sizes would make strokes uneven, so they are smoothed.
  const fitRendering = () => {
    const ratio = window.devicePixelRatio || 1;
    desktop.classList.toggle('draxo-smooth', Math.abs(ratio - Math.round(ratio)) > 0.01);
  };
  const watchRatio = () => {
    fitRendering();
    if (!window.matchMedia || D.ended === 'disposed') return;
    const ratio = window.devicePixelRatio || 1;
    window.matchMedia('(resolution: ' + ratio + 'dppx)').addEventListener('change', watchRatio, {once: true});
  };
  watchRatio();
  listen(window, 'resize', fitRendering);
  const track = (e) => {
    const held = {0x10: e.shiftKey, 0x11: e.ctrlKey, 0x12: e.altKey};
    if (held[0x10] === D.held[0x10] && held[0x11] === D.held[0x11] && held[0x12] === D.held[0x12]) return;
    Object.assign(D.held, held);
    send({type: 'held', held});
  };
  for (const type of ['keydown', 'keyup', 'mousedown', 'mouseup']) listen(document, type, track, true);
  // A click anywhere but on the bar or its open menu gives the keyboard
  // back; a click that closes an open menu goes no further. Returns whether
  // the click goes on.
  const clickOnPage = (e) => {
    D.altAlone = false;
    const open = D.openMenu;
    if (open && !e.target.closest('.draxo-menubar, .draxo-popup')) {
      closeMenu(true);
      if (open.popup && e.target.closest('canvas')) return false;
    }
    return true;
  };
  listen(document, 'mousedown', (e) => {
    // Keys typed before the click may still wait for the menu bar's
    // answer, which can open or close a menu: a click on a canvas takes its
    // turn after them, as in a native queue, not before.
    const w = [...D.windows.values()].find((v) => v.canvas === e.target);
    if (w && (D.asking || D.outbox.some((m) => m.type == 'ask'))) {
      e.stopPropagation();
      w.canvas.focus();
      // The event's fields stay readable after its handlers.
      send({type: 'later', run: () => { if (clickOnPage(e)) mouse(w, e, true); }});
      e.preventDefault();
      return;
    }
    if (!clickOnPage(e)) { e.preventDefault(); e.stopPropagation(); }
  }, true);
  const onDocumentKey = (e) => {
    if (D.openMenu) return menuKey(e);
    if (D.dialogStack.length) dialogKey(e);
  };
  listen(document, 'keydown', onDocumentKey, true);
  listen(document, 'keyup', onDocumentKey, true);

  // --- Windows ------------------------------------------------------------------
  function createWindow(handle, title, width, height, closable) {
    D.closedFrames.forEach((f) => f.remove());
    D.closedFrames = [];
    const frame = document.createElement('div');
    frame.className = 'draxo-window';
    frame.hidden = true;
    frame.dataset.title = title;
    frame.appendChild(titleBar(title, closable && (() => push(EVENT_CLOSE, handle))));
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    canvas.tabIndex = 0;
    frame.appendChild(canvas);
    desktop.appendChild(frame);
    const w = {handle, frame, canvas, context: canvas.getContext('2d'), menu: 0, menubar: null};
    D.windows.set(handle, w);
    listenToCanvas(w);
    if (ownsTitle && !document.title) document.title = title;
  }
  function listenToCanvas(w) {
    const canvas = w.canvas, handle = w.handle;
    canvas.addEventListener('mousedown', (e) => {
      canvas.focus();
      mouse(w, e, true);
    });
    canvas.addEventListener('mouseup', (e) => mouse(w, e, false));
    // A drag keeps the pointer's events for the canvas until its last
    // button is up, also when the pointer leaves it.
    canvas.addEventListener('pointerdown', (e) => canvas.setPointerCapture(e.pointerId));
    canvas.addEventListener('mousemove', (e) => mouseMove(w, e));
    canvas.addEventListener('contextmenu', (e) => e.preventDefault());
    canvas.addEventListener('keydown', (e) => key(w, e, true));
    canvas.addEventListener('keyup', (e) => key(w, e, false));
    canvas.addEventListener('focus', () => {
      const from = D.focused;
      D.focused = handle;
      markActive(handle);
      if (from != handle) push(EVENT_FOCUS, handle, from);
    });
    canvas.addEventListener('blur', (e) => {
      if (e.relatedTarget && e.relatedTarget.tagName == 'CANVAS' && e.relatedTarget.closest('.draxo-window')) return;
      if (D.focused != handle) return;
      D.focused = 0;
      push(EVENT_FOCUS, 0, handle);
    });
  }
  function markActive(handle) {
    for (const w of D.windows.values()) w.frame.classList.toggle('draxo-active', w.handle == handle);
  }
  // The canvas pixel under the pointer, also when the page is zoomed or
  // the screen has several device pixels to one of the page's.
  function packedPixel(w, e) {
    const canvas = w.canvas, box = canvas.getBoundingClientRect();
    const x = Math.floor((e.clientX - box.left) * canvas.width / box.width);
    const y = Math.floor((e.clientY - box.top) * canvas.height / box.height);
    const at = [Math.max(0, Math.min(canvas.width - 1, x)), Math.max(0, Math.min(canvas.height - 1, y))];
    return (at[0] & 0xFFFF) | ((at[1] & 0xFFFF) << 16);
  }
  // The buttons and keys held, as a mouse message's wparam (MK_*).
  const mouseKeys = (e) => (e.buttons & 1 ? 0x1 : 0) | (e.buttons & 2 ? 0x2 : 0) | (e.buttons & 4 ? 0x10 : 0) |
    (e.shiftKey ? 0x4 : 0) | (e.ctrlKey ? 0x8 : 0);
  function mouse(w, e, down) {
    const ids = down ? [0x201, 0x207, 0x204] : [0x202, 0x208, 0x205];
    if (e.button > 2 || D.dialogStack.length) return;
    e.preventDefault();
    push(EVENT_INPUT, w.handle, ids[e.button], mouseKeys(e), packedPixel(w, e), -1, modifiersOf(e));
  }
  // Moves matter only while a button is held.
  function mouseMove(w, e) {
    if (!(e.buttons & 7) || D.dialogStack.length) return;
    push(EVENT_INPUT, w.handle, WM_MOUSEMOVE, mouseKeys(e), packedPixel(w, e), -1, modifiersOf(e));
  }
  function key(w, e, down) {
    if (D.dialogStack.length) return;
    if (D.openMenu) return;  // the menu bar's own (menuKey)
    e.preventDefault();
    if (D.ended) return;  // the program asks nothing any more
    // The menu bar's rules: Alt pressed and released alone selects the
    // bar, Alt and a title's mnemonic opens its menu (F10 selects the bar
    // through the package, which sees it as a system key). The key goes to
    // the window if the rules say so, with the answer.
    const k = keyOf(e);
    send({type: 'ask', key: k, window: w, event: keyEvent(w, k, down)});
  }
  // The window's input message for key `k`, should the rules give it the key.
  function keyEvent(w, k, down) {
    const vk = virtualKey(k);
    const system = k.altKey || vk == 0x79;
    const id = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    const lparam = 1 | (k.altKey ? 1 << 29 : 0) | (!down || k.repeat ? 1 << 30 : 0) | (!down ? 1 << 31 : 0);
    return [EVENT_INPUT, w.handle, id, vk, lparam, down ? typedCharacter(k) : -1, modifiersOf(k)];
  }
  function putPixels(m) {
    const w = D.windows.get(m.handle);
    if (w) w.context.putImageData(new ImageData(m.data, m.width, m.height), m.x, m.y);
  }

  // The answer's action, in its lowest three bits: 0 nothing, 1 select the
  // bar, 2 open a title's menu, 3 give the keyboard back, 4 the open menu's
  // own key; the key also reaches the window (bit 3), Alt is alone (bit 6),
  // the title (from bit 8).
  function menuKeyAnswer(seq, answer) {
    if (seq != D.asking) return;
    const ask = D.waitingAsk;
    D.asking = 0;
    D.waitingAsk = null;
    if (!D.ended) {
      D.altAlone = !!(answer & 0x40);
      obeyKey(ask.key, ask.bar, {action: answer & 7, toWindow: !!(answer & 8), title: answer >> 8});
    }
    flush();
  }

  // While the bar has the keyboard no key reaches the window: the rules say
  // what a key does to the bar (menuKey asks them). Keys typed at once may
  // find the bar given back by an earlier one's answer: asked then, the key
  // is the window's again, with its message ready.
  function menuKey(e) {
    e.preventDefault();
    e.stopPropagation();
    if (D.ended) return;
    const k = keyOf(e), w = D.openMenu.owner;
    send({type: 'ask', key: k, window: w, windowEvent: w && keyEvent(w, k, e.type == 'keydown')});
  }

  // The program's request, carried out if the page allows it. The answer
  // goes out after the input the action gave, in the outbox's order: the
  // program finds that input queued once it has the answer.
  function pageCall(id, request) {
    let message;
    try {
      if (!carryOut) throw new Error('this page carries out no requests of its program\'s');
      message = {type: 'pageAnswer', id, answer: carryOut(JSON.parse(request))};
    } catch (e) {
      message = {type: 'pageAnswer', id, error: String(e && e.message || e)};
    }
    send(message);
  }

  // --- What the program calls for ------------------------------------------------
  const calls = {
    createWindow,
    destroyWindow(handle) {
      const w = D.windows.get(handle);
      if (!w) return;
      if (D.openMenu && D.openMenu.owner == w) closeMenu(false);
      D.windows.delete(handle);
      // Kept out of sight: if the program ends now, its last windows come
      // back, greyed, under the note that it ended.
      w.frame.dataset.wasShown = w.frame.hidden ? '' : '1';
      w.frame.hidden = true;
      w.frame.classList.add('draxo-closed');
      w.frame.classList.remove('draxo-active');
      D.closedFrames.push(w.frame);
      if (D.focused == handle) D.focused = 0;
    },
    showWindow(handle, visible, activate) {
      const w = D.windows.get(handle);
      if (!w) return;
      w.frame.hidden = !visible;
      if (!visible && D.openMenu && D.openMenu.owner == w) closeMenu(false);
      if (visible && activate && !D.dialogStack.length) w.canvas.focus();
    },
    ...menus.calls,
    ...dialogs.calls,
  };

  return {
    desktop,
    // A message of the worker's that concerns the page.
    receive(m) {
      if (m.type == 'call') calls[m.name](...m.args);
      else if (m.type == 'pixels') putPixels(m);
      else if (m.type == 'menuKeyAnswer') menuKeyAnswer(m.seq, m.answer);
      else if (m.type == 'pageCall') pageCall(m.id, m.request);
    },
    // Shows `why` in a note over the page, beside a button that starts the
    // program again, and greys the program's last windows, left where they
    // were; the page's title says `state` (ended, not started) until a new
    // run takes this one's place.
    end(why, state) {
      if (D.ended) return;
      D.ended = true;
      closeMenu(false);
      D.closedFrames.forEach((f) => { f.hidden = !f.dataset.wasShown; });
      for (const w of D.windows.values()) w.frame.classList.add('draxo-closed');
      for (const d of D.dialogs.values()) d.backdrop.remove();
      D.dialogStack = [];
      const note = document.createElement('div');
      note.className = 'draxo-ended';
      const text = document.createElement('span');
      text.className = 'draxo-why';
      text.textContent = why;
      const again = document.createElement('button');
      again.textContent = 'Run again';
      again.title = 'Starts the program afresh';
      again.addEventListener('click', runAgain);
      note.append(text, again);
      desktop.insertBefore(note, desktop.firstChild);
      if (ownsTitle) {
        D.pageTitle = document.title;
        document.title = document.title + ' (' + (state || 'ended') + ')';
      }
    },
    // Takes the desktop off the page, its listeners too, and gives the page
    // its title back.
    dispose() {
      D.ended = 'disposed';
      if (D.pageTitle !== null) document.title = D.pageTitle;
      D.listeners.forEach((remove) => remove());
      for (const d of D.dialogs.values()) d.backdrop.remove();
      desktop.remove();
    },
  };
}
