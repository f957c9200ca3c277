// The program's own thread: a module Worker that instantiates the program
// (compiled for wasm32-wasip1, asyncified or not: asyncify.mjs) with the system
// interface (wasi.mjs) and the web backend's imports (module "draxo", as
// web_backend.h declares them), and runs it. A busy program keeps this
// thread only: the page stays responsive, and its Stop ends the worker.
//
// What changes the page (windows, pixels, menus, dialogs) is posted to the
// page side (runtime.mjs), which makes the DOM. What the page hears (input,
// menu choices, dialog buttons, focus) comes back as native events into the
// queue kept here, which the program takes when it polls. A blocking poll
// suspends the program and the worker's event loop runs until the next event
// is queued; then the program goes on. An asyncified program suspends by
// Asyncify's unwind and is wound up again; one that is not, by the browser's
// promise integration (WebAssembly.Suspending), which keeps its stack. Timers
// run here, as the page's did: an expiry is an event in the queue.
//
// The menu bar's keyboard rules are the program's (draxo_web_menu_bar_key,
// which reads and changes nothing of the program's): the page asks, and the
// answer is given whenever the worker has the thread, that is while the
// program is suspended.
import {STACK_POINTER_EXPORT, canSuspendWithoutAsyncify} from './asyncify.mjs';
import {filesOf, isFileName, openKeptFolder, programFolderPath} from './kept_files.mjs';
import {ProgramExit, WASI_MODULE, fileBytes, folderAt, makeFile, makeFolder, makeWasi, pathOf,
  wasiImportsFor} from './wasi.mjs';

const EVENT_INPUT = 1, EVENT_TIMER = 2, WM_MOUSEMOVE = 0x200;
const FONTS_DIR = '/draxo-fonts/';
const FONT_FILES = ['LiberationSans-Regular.ttf', 'LiberationSans-Bold.ttf', 'LiberationMono-Regular.ttf'];
// The Asyncify data area: the frames of a suspended program.
const ASYNCIFY_DATA_BYTES = 1 << 20;
const ASYNCIFY_UNWINDING = 1, ASYNCIFY_REWINDING = 2;
// Memory below the program's first data: nothing of the program's is there.
const NULL_AREA_BYTES = 1024;

// The program's stop by a fault the runtime found (a write through a null
// pointer), thrown through the program's frames.
class ProgramFault extends Error {}

// Runs the program `start` describes ({wasm, programName, args, env, files,
// storage, fontsUrl}); `post(message, transfer)` sends to the page. Returns
// the handler of the page's messages.
export function runProgram(start, post) {
  const events = [];
  const timers = new Map();
  const held = {};
  const dialogs = new Map();  // handle -> Map(id -> text)
  const menuAsks = [];
  let waker = null;
  let exports = null, memory = null;
  let ended = false;

  const root = makeFolder();
  const home = folderAt(root, programFolderPath(start.programName));
  const name = pathOf(home).slice(pathOf(home).lastIndexOf('/') + 1);
  const fonts = folderAt(root, FONTS_DIR);
  folderAt(root, '/tmp');
  const devices = folderAt(root, '/dev');
  devices.children.set('null', {kind: 'device', parent: devices, mtime: 0, ino: 0});
  let kept = {sync: () => Promise.resolve()};

  // --- The queue ------------------------------------------------------------
  function push(event) {
    if (ended) return;
    // A move replaces an unread move of the same window at the queue's end,
    // as the layer's core does: a fast mouse cannot flood the queue.
    const last = events[events.length - 1];
    if (event[0] === EVENT_INPUT && event[2] === WM_MOUSEMOVE && last && last[0] === EVENT_INPUT &&
        last[1] === event[1] && last[2] === WM_MOUSEMOVE)
      events[events.length - 1] = event;
    else
      events.push(event);
    const wake = waker;
    waker = null;
    if (wake) wake();
  }

  // --- Memory ---------------------------------------------------------------
  const u8 = () => new Uint8Array(memory.buffer);
  const i32 = () => new Int32Array(memory.buffer);
  const decoder = new TextDecoder(), encoder = new TextEncoder();
  // `text` into the program's `buffer` of `size` bytes as UTF-8 (the encoder
  // writes U+FFFD for a lone surrogate), NUL ended, never a character cut in
  // two; returns the bytes put before the NUL.
  function putText(text, buffer, size) {
    const bytes = encoder.encode(text);
    let count = Math.max(0, Math.min(bytes.length, size - 1));
    while (count > 0 && count < bytes.length && (bytes[count] & 0xC0) === 0x80) --count;
    if (size <= 0) return 0;
    u8().set(bytes.subarray(0, count), buffer);
    u8()[buffer + count] = 0;
    return count;
  }
  function cString(ptr) {
    const b = u8();
    let end = ptr;
    while (b[end]) ++end;
    return decoder.decode(b.subarray(ptr, end));
  }
  let nullArea = null;
  function checkNullArea() {
    if (!nullArea) return;
    const now = u8();
    for (let i = 0; i < NULL_AREA_BYTES; ++i) {
      if (now[i] === nullArea[i]) continue;
      nullArea = null;
      throw new ProgramFault(`it wrote through a null pointer (near address ${i & ~3}).`);
    }
  }

  // --- Suspending ---------------------------------------------------------------
  let dataArea = 0, pending = null, settled = 0;
  // Whether the program suspends by the browser's promise integration
  // rather than by Asyncify: set once the program is compiled.
  let withoutAsyncify = false;
  // An import that may suspend: `begin(...args)` gives a promise to wait for,
  // or nothing to go on at once. Asyncified, called again when the program is
  // wound up, it returns to the program. Its result, for those that have
  // one: the number the promise settles with, else 0.
  const resultOf = (value) => (typeof value == 'number' ? value : 0);
  function suspending(begin) {
    const asyncified = (...args) => {
      if (exports.asyncify_get_state() === ASYNCIFY_REWINDING) {
        exports.asyncify_stop_rewind();
        return settled;
      }
      const promise = begin(...args);
      if (!promise) return 0;
      const words = i32();
      words[dataArea >> 2] = dataArea + 8;
      words[(dataArea >> 2) + 1] = dataArea + ASYNCIFY_DATA_BYTES;
      exports.asyncify_start_unwind(dataArea);
      pending = promise;
      return 0;
    };
    asyncified.begin = begin;
    return asyncified;
  }
  // The import as the program is given it: without Asyncify, one that the
  // browser suspends the program in while its promise is pending.
  function importOf(implementation) {
    if (!withoutAsyncify || !implementation.begin) return implementation;
    const begin = implementation.begin;
    return new WebAssembly.Suspending((...args) => {
      const promise = begin(...args);
      return promise ? promise.then(resultOf) : 0;
    });
  }

  // Runs the program until it ends. Asyncified: each time it unwinds, waits
  // for what it waits for and winds it up again. Otherwise the browser
  // suspends it in its waits, and its entry's promise settles at its end.
  async function drive() {
    if (withoutAsyncify) {
      await WebAssembly.promising(exports._start)();
      return;
    }
    exports._start();
    while (exports.asyncify_get_state() === ASYNCIFY_UNWINDING) {
      exports.asyncify_stop_unwind();
      answerMenuAsks();
      settled = resultOf(await pending);
      pending = null;
      exports.asyncify_start_rewind(dataArea);
      exports._start();
    }
  }

  // --- The page's side --------------------------------------------------------
  const call = (name, ...args) => post({type: 'call', name, args});
  const timerKey = (handle, id) => handle + ':' + id;

  const draxo = {
    draxo_web_open_page: () => 1,
    draxo_web_create_window: (w, title, width, height, closable) =>
      call('createWindow', w, cString(title), width, height, closable),
    draxo_web_destroy_window: (w) => call('destroyWindow', w),
    draxo_web_show_window: (w, visible, activate) => call('showWindow', w, visible, activate),
    draxo_web_put_pixels: (w, rgba, stride, canvasWidth, canvasHeight, x, y, width, height) => {
      if (width <= 0 || height <= 0) return;
      const data = new Uint8ClampedArray(width * height * 4);
      const source = u8();
      for (let row = 0; row < height; ++row) {
        const from = rgba + ((y + row) * stride + x) * 4;
        data.set(source.subarray(from, from + width * 4), row * width * 4);
      }
      post({type: 'pixels', handle: w, x, y, width, height, data}, [data.buffer]);
    },
    draxo_web_create_menu: (m, isBar) => call('createMenu', m, isBar),
    draxo_web_append_menu_item: (m, position, flags, id, text, popup) =>
      call('appendMenuItem', m, position, flags >>> 0, id >>> 0, cString(text), popup),
    draxo_web_change_menu_item: (m, position, flags) => call('changeMenuItem', m, position, flags >>> 0),
    draxo_web_attach_menu: (w, m) => call('attachMenu', w, m),
    draxo_web_select_menu_bar: (w) => call('selectMenuBar', w),
    draxo_web_start_timer: (w, id, period) => {
      const key = timerKey(w, id);
      clearInterval(timers.get(key));
      timers.set(key, setInterval(() => {
        // An expiry already waiting in the queue stands for this one too.
        if (events.some((e) => e[0] === EVENT_TIMER && e[1] === w && e[2] === id)) return;
        push([EVENT_TIMER, w, id, 0, 0, 0, 0]);
      }, Math.max(1, period)));
    },
    draxo_web_stop_timer: (w, id) => {
      const key = timerKey(w, id);
      clearInterval(timers.get(key));
      timers.delete(key);
      for (let i = events.length - 1; i >= 0; --i)
        if (events[i][0] === EVENT_TIMER && events[i][1] === w && events[i][2] === id) events.splice(i, 1);
    },
    draxo_web_take_event: (out) => {
      const e = events.shift();
      if (!e) return 0;
      i32().set(e, out >> 2);
      return 1;
    },
    draxo_web_wait_for_event: suspending(() => {
      checkNullArea();
      if (events.length) return null;
      return new Promise((resolve) => { waker = resolve; });
    }),
    draxo_web_yield: suspending(() => {
      checkNullArea();
      return new Promise((resolve) => setTimeout(resolve, 0));
    }),
    draxo_web_fetch_font: suspending((file) => fetchFont(cString(file))),
    draxo_web_page_call: suspending((request, length, answer, capacity) =>
      askPage(decoder.decode(u8().slice(request, request + length)), answer, capacity)),
    draxo_web_key_held: (vk) => (held[vk] ? 1 : 0),
    draxo_web_dialog_base_units: (pointSize, units) => {
      const base = baseUnits(pointSize);
      i32()[units >> 2] = base.x;
      i32()[(units >> 2) + 1] = base.y;
    },
    draxo_web_create_dialog: (d, owner, title, x, y, cx, cy, pointSize, closable) => {
      dialogs.set(d, new Map());
      call('createDialog', d, owner, cString(title), x, y, cx, cy, pointSize, closable);
    },
    draxo_web_add_dialog_control: (d, kind, id, style, x, y, cx, cy, text) => {
      const value = cString(text);
      if (dialogs.has(d)) dialogs.get(d).set(id >>> 0, value);
      call('addDialogControl', d, kind, id >>> 0, style >>> 0, x, y, cx, cy, value);
    },
    draxo_web_show_dialog: (d) => call('showDialog', d),
    draxo_web_focus_first_tab_stop: (d) => call('focusFirstTabStop', d),
    // The control's text as the page last sent it.
    draxo_web_dialog_item_text: (d, id, buffer, size) => {
      const controls = dialogs.get(d);
      if (!controls || !controls.has(id >>> 0)) return -1;
      const text = controls.get(id >>> 0);
      return buffer ? putText(text, buffer, size) : encoder.encode(text).length;
    },
    draxo_web_destroy_dialog: (d) => {
      dialogs.delete(d);
      call('destroyDialog', d);
    },
  };

  // The base units of the dialog font of `pointSize` points, measured as
  // the page measures its dialogs' font.
  let measure = null;
  function baseUnits(pointSize) {
    const px = Math.max(1, Math.round(pointSize * 96 / 72));
    const fallback = {x: Math.round(px * 0.55), y: Math.round(px * 1.15)};
    if (typeof OffscreenCanvas == 'undefined') return fallback;
    measure = measure || new OffscreenCanvas(1, 1).getContext('2d');
    measure.font = px + 'px "Liberation Sans", Arial, sans-serif';
    const letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz';
    return {x: Math.round(measure.measureText(letters).width / 52), y: Math.round(px * 1.15)};
  }

  // Puts the site's fonts/`file` into the font folder; a promise that is
  // settled either way.
  async function fetchFont(file) {
    try {
      const response = await fetch(new URL(file, start.fontsUrl));
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      fonts.children.set(file, makeFile(fonts, new Uint8Array(await response.arrayBuffer())));
    } catch (e) {
      console.warn(`DRAXO: the font ${file} was not loaded (${e.message})`);
    }
  }

  // --- The page's calls ---------------------------------------------------------
  // A request of the program's to the page (web_backend.h's
  // draxo_web_page_call), answered when the page has done it: the answer's
  // text goes into the program's `answer` (`capacity` bytes, NUL ended,
  // whole characters), and the promise settles with its whole length, or
  // with -1 when the page refused the request (its reason is the text).
  const pageCalls = new Map();
  let pageCallCount = 0;
  function askPage(request, answer, capacity) {
    const id = ++pageCallCount;
    post({type: 'pageCall', id, request});
    return new Promise((resolve) => pageCalls.set(id, (message) => {
      const refused = message.error !== undefined;
      const text = String(refused ? message.error : message.answer);
      putText(text, answer, capacity);
      resolve(refused ? -1 : encoder.encode(text).length);
    }));
  }

  // --- Files ------------------------------------------------------------------
  // The file the page follows (start.watch: {name, head}): the first `head`
  // bytes of it go to the page whenever they change, at once, even while
  // the program computes without waiting (the playground's check follows
  // the run file so).
  const watched = {name: start.watch && String(start.watch.name), node: null, last: null};
  watched.path = watched.name ? pathOf(home) + '/' + watched.name : null;
  watched.head = start.watch ? Math.max(1, Number(start.watch.head) || 64) : 0;
  function watch(node) {
    watched.node = node;
    const head = fileBytes(node).subarray(0, watched.head);
    if (watched.last && head.length === watched.last.length && head.every((b, i) => b === watched.last[i])) return;
    watched.last = head.slice();
    post({type: 'watched', name: watched.name, bytes: watched.last.slice()});
  }
  let syncDue = false;
  function scheduleSync() {
    if (syncDue) return;
    syncDue = true;
    // Runs when the program next gives the thread back.
    setTimeout(() => {
      syncDue = false;
      kept.sync();
    }, 0);
  }
  // A file the program saved by replacing (written under a fresh name and
  // renamed over its own, as pictures and card files are), and a recorded
  // script once it is closed, are handed to the user as downloads.
  function download(node) {
    const where = pathOf(node);
    const name = where.slice(where.lastIndexOf('/') + 1);
    post({type: 'download', name, bytes: fileBytes(node).slice()});
    return where.slice(pathOf(home).length + 1);
  }

  const stderrTail = [];
  const wasi = makeWasi({
    args: [start.programName || 'program', ...(start.args || [])],
    env: {PWD: pathOf(home), HOME: '/home/web_user', ...(start.env || {})},
    root,
    home,
    onOutput: (text, stream) => {
      if (stream === 'stderr') {
        stderrTail.push(text);
        if (stderrTail.length > 50) stderrTail.shift();
      }
      post({type: 'output', text, stream});
    },
    onChange: (node) => {
      scheduleSync();
      if (node === watched.node || (watched.name && node.kind === 'file' && pathOf(node) === watched.path)) watch(node);
    },
    onReplaced: (node) => post({type: 'saved', name: download(node)}),
    onClosedWriting: (node) => { if (pathOf(node).endsWith('/DRAXO.SCR')) download(node); },
  });
  wasi.imports.poll_oneoff = suspending((subscriptions, results, count, eventsPtr) =>
    sleepFor(subscriptions, results, count, eventsPtr));

  // A sleep (poll_oneoff with clock subscriptions only, as sleep and
  // nanosleep make): the program is suspended for the shortest of them.
  function sleepFor(subscriptions, results, count, eventsPtr) {
    const view = new DataView(memory.buffer);
    let shortest = Infinity;
    for (let i = 0; i < count; ++i) {
      const at = subscriptions + 48 * i;
      if (view.getUint8(at + 8) !== 0) continue;
      let ns = Number(view.getBigUint64(at + 24, true));
      if (view.getUint16(at + 40, true) & 1) ns -= Date.now() * 1e6;
      if (ns < shortest) {
        shortest = ns;
        new Uint8Array(memory.buffer, results, 32).fill(0);
        view.setBigUint64(results, view.getBigUint64(at, true), true);
        view.setUint8(results + 10, 0);
      }
    }
    view.setUint32(eventsPtr, shortest === Infinity ? 0 : 1, true);
    if (shortest === Infinity) return null;
    return new Promise((resolve) => setTimeout(resolve, Math.max(0, shortest / 1e6)));
  }

  // --- The menu bar's keyboard rules ------------------------------------------
  function answerMenuAsks() {
    while (exports && menuAsks.length) {
      const ask = menuAsks.shift();
      const answer = ended ? 0 : exports.draxo_web_menu_bar_key(...ask.args);
      if (answer & 8 && ask.event) push(ask.event);
      post({type: 'menuKeyAnswer', seq: ask.seq, answer});
    }
  }

  // --- Ending -----------------------------------------------------------------
  // Why the program stopped, in words, from the error that ended it.
  function stopReason(error) {
    if (error instanceof ProgramFault) return error.message;
    const stderr = stderrTail.join('');
    if (error instanceof WebAssembly.RuntimeError) {
      const message = error.message;
      if (/unreachable/.test(message) && /\babort\b/.test(String(error.stack))) {
        const assertion = /Assertion failed: ([\s\S]*) \(([^:\n]*): ([^:\n]*): (\d+)\)\s*$/.exec(stderr);
        if (assertion)
          return `an assertion failed: ${assertion[1]} (${assertion[2]}, line ${assertion[4]}, in ${assertion[3]}).`;
        if (/bad_alloc/.test(stderr)) return 'it ran out of memory.';
        return 'it called abort().';
      }
      // Asyncify's pass exports the stack pointer under its own name; the
      // program's link may export it under the C library's.
      const stackPointer = exports && (exports[STACK_POINTER_EXPORT] || exports.__stack_pointer);
      if (/out of bounds/.test(message) && stackPointer && stackPointer.value < 0)
        return 'it crashed (Maximum call stack size exceeded).';
      return `it crashed (${message}).`;
    }
    if (error instanceof RangeError) {
      if (/Maximum call stack/.test(error.message)) return `it crashed (${error.message}).`;
      if (/memory/i.test(error.message)) return 'it ran out of memory.';
    }
    return String(error && error.message || error);
  }

  async function end(status, reason) {
    if (ended) return;
    ended = true;
    for (const t of timers.values()) clearInterval(t);
    timers.clear();
    wasi.flush();
    await kept.sync().catch(() => {});
    post({type: 'end', status, reason, files: filesOf(home)});
  }

  // --- Starting -----------------------------------------------------------------
  async function begin() {
    const wasm = typeof start.wasm == 'string' ? await (await fetch(start.wasm)).arrayBuffer() : start.wasm;
    const module = await WebAssembly.compile(wasm);
    const exported = (n) => WebAssembly.Module.exports(module).some((e) => e.name === n);
    const missing = ['_start', 'memory'].filter((n) => !exported(n));
    if (missing.length) throw new Error(`the program lacks ${missing.join(', ')}: it is no WASI program`);
    withoutAsyncify = !exported('asyncify_start_unwind');
    if (withoutAsyncify && !canSuspendWithoutAsyncify())
      throw new Error('this browser cannot run a program that was not prepared for it (built without Asyncify, ' +
                      'for browsers that suspend a program themselves)');
    kept = await openKeptFolder(start.storage || 'draxo ' + name, home, start.storageBefore);
    for (const [file, bytes] of Object.entries(start.files || {})) {
      const slash = file.lastIndexOf('/');
      const folder = folderAt(home, file.slice(0, slash + 1));
      folder.children.set(file.slice(slash + 1), makeFile(folder, bytes));
    }
    folderRead();
    await Promise.all(FONT_FILES.map(fetchFont));
    const imports = {[WASI_MODULE]: wasiImportsFor(module, wasi.imports), draxo: {}};
    for (const entry of WebAssembly.Module.imports(module)) {
      if (entry.module !== 'draxo') continue;
      imports.draxo[entry.name] = draxo[entry.name] || (() => {
        throw new Error(`the program calls draxo.${entry.name}, which this page does not have`);
      });
    }
    for (const table of Object.values(imports))
      for (const [name, implementation] of Object.entries(table)) table[name] = importOf(implementation);
    const instance = await WebAssembly.instantiate(module, imports);
    exports = instance.exports;
    memory = exports.memory;
    wasi.setMemory(memory);
    // The data area lies beyond the program's memory: the C library's
    // allocator takes only memory it grew itself.
    if (!withoutAsyncify) dataArea = memory.grow(ASYNCIFY_DATA_BYTES >> 16) * 65536;
    nullArea = u8().slice(0, NULL_AREA_BYTES);
    answerMenuAsks();
    post({type: 'started'});
    await drive();
    await end(0, null);
  }

  // The page's questions about the program's folder (runtime.mjs's
  // run.files): its names, a file's bytes, a file put in it, the folder
  // kept. Answered once the kept folder is read, between the program's turns.
  let folderRead;
  const folderReady = new Promise((resolve) => { folderRead = resolve; });
  async function answerFiles(message) {
    await folderReady;
    const node = message.name === undefined ? null : home.children.get(String(message.name));
    let value = null;
    switch (message.op) {
    case 'list': value = [...home.children.keys()]; break;
    case 'read': value = node && node.kind === 'file' ? fileBytes(node).slice() : null; break;
    case 'write': {
      const file = String(message.name);
      if (!isFileName(file)) throw new Error(`${file}: not a file name`);
      home.children.set(file, makeFile(home, message.bytes));
      await kept.sync();
      break;
    }
    case 'sync': await kept.sync(); break;
    default: throw new Error(`no such question about the files: ${message.op}`);
    }
    return value;
  }

  begin().catch((error) => {
    if (error instanceof ProgramExit) return end(error.status, null);
    if (!exports) return end(null, `it could not be started: ${error && error.message || error}`);
    // The trap with the program's frames, for its developer, on the console.
    if (!(error instanceof ProgramFault)) console.error(error);
    return end(null, stopReason(error));
  });

  return (message) => {
    switch (message.type) {
    case 'event':
      if (message.held) Object.assign(held, message.held);
      push(message.event);
      break;
    case 'held': Object.assign(held, message.held); break;
    case 'dialogText': {
      const controls = dialogs.get(message.handle);
      if (controls && controls.has(message.id)) controls.set(message.id, message.text);
      break;
    }
    case 'pageAnswer': {
      const answered = pageCalls.get(message.id);
      pageCalls.delete(message.id);
      if (answered) answered(message);
      break;
    }
    case 'files':
      answerFiles(message).then((value) => post({type: 'files', id: message.id, value}),
        (error) => post({type: 'files', id: message.id, error: String(error && error.message || error)}));
      break;
    case 'menuKey':
      // The program is suspended, or not yet started, whenever a message is
      // read: it runs only within the worker's turns.
      menuAsks.push(message);
      answerMenuAsks();
      break;
    }
  };
}

// As a module Worker: the first message starts the program, the others are
// the page's.
if (typeof WorkerGlobalScope != 'undefined' && self instanceof WorkerGlobalScope) {
  let handle = null;
  self.onmessage = (e) => {
    if (!handle && e.data.type === 'start') handle = runProgram(e.data, (m, transfer) => self.postMessage(m, transfer));
    else if (handle) handle(e.data);
  };
}
