// The web runtime (package/window_system/web/runtime/) in headless Chromium:
// a program compiled here for wasm32-wasip1 (runtime/runtime_probe.c,
// calling the web backend's imports itself), asyncified and not (suspended
// by the browser itself), runs in its worker and shows its window on a page that loads runtime.mjs. Its
// picture on the canvas, input through the suspended wait, the menu bar's
// rules asked of the program, a dialog's text, Stop of a busy program, the
// reasons a program stopped, and its folder kept across a reload.
import {describe, test, before, after} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, symlinkSync, writeFileSync, mkdirSync}
  from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {asyncifyProgram} from '../../package/window_system/web/runtime/asyncify.mjs';
import {serve, launch, openPage, windowCanvas, canvasPixels, pixelOf, clickPixel, waitForLog, poll,
  readPng, buildClient} from './web_lib.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const runtimeDir = path.join(here, '../../package/window_system/web/runtime');
const examplesDir = path.join(here, '../../examples');
const context = {};

// The compiler and binaryen: the build's own toolchain (web/toolchain/, or
// the npm folder DRAXO_TOOLCHAIN names), as the playground's.
const toolchain = path.resolve(process.env.DRAXO_TOOLCHAIN || path.join(here, '../../web/toolchain'));
const modules = path.join(toolchain, 'node_modules');
const {runClang} = await import(pathToFileURL(path.join(modules, '@yowasp/clang/gen/bundle.js')));
const {default: binaryen} = await import(pathToFileURL(path.join(modules, 'binaryen/index.js')));

// The package built for wasm32-wasip1 (a folder with include/draxo.h and
// lib/libdraxo.a) and the flags a program is built with, for the examples;
// the Linux build's examples, for their frames.
const sysroot = process.env.DRAXO_WASI_SYSROOT;
const flagsFile = process.env.DRAXO_PROGRAM_FLAGS || path.join(runtimeDir, 'program_flags.json');
const linuxExamples = process.env.DRAXO_HOST_EXAMPLES;
const fontsDir = [process.env.DRAXO_WEB_PAGES && path.join(process.env.DRAXO_WEB_PAGES, 'fonts'),
  '/usr/share/fonts/truetype/liberation2', '/usr/share/fonts/truetype/liberation'].find((d) => d && existsSync(d));

// The two ways a program suspends: its file in the site (the probe's, the
// examples' with this ending).
const WAYS = {asyncified: '.wasm', 'suspended by the browser': '.plain.wasm'};

// The probe, compiled, asyncified and not, in a folder served with the test
// page, the runtime and a font file; and a page whose program's worker has
// no promise integration, as a browser without it.
async function buildSite() {
  const site = mkdtempSync(path.join(tmpdir(), 'draxo-runtime-'));
  const tree = {src: {'probe.c': readFileSync(path.join(here, 'runtime/runtime_probe.c'))}};
  const built = await runClang(['clang', '--target=wasm32-wasip1', '-O2', '-Wall', '-Wno-infinite-recursion',
    '-Wl,-z,stack-size=1048576', '-Wl,--export=__stack_pointer', '-o', 'probe.wasm', 'src/probe.c'], tree);
  writeFileSync(path.join(site, 'probe.wasm'), await asyncifyProgram(binaryen, built['probe.wasm']));
  writeFileSync(path.join(site, 'probe.plain.wasm'), built['probe.wasm']);
  writeFileSync(path.join(site, 'index.html'), readFileSync(path.join(here, 'runtime/index.html')));
  symlinkSync(runtimeDir, path.join(site, 'runtime'));
  mkdirSync(path.join(site, 'older'));
  writeFileSync(path.join(site, 'older/index.html'), readFileSync(path.join(here, 'runtime/index.html')));
  mkdirSync(path.join(site, 'older/runtime'));
  for (const file of readdirSync(runtimeDir)) {
    let text = readFileSync(path.join(runtimeDir, file));
    if (file === 'program_worker.mjs') text = 'delete WebAssembly.Suspending;\n' + text;
    writeFileSync(path.join(site, 'older/runtime', file), text);
  }
  mkdirSync(path.join(site, 'fonts'));
  writeFileSync(path.join(site, 'fonts/LiberationSans-Regular.ttf'), 'not really a font, 33 bytes long');
  if (fontsDir) symlinkSync(fontsDir, path.join(site, 'real-fonts'));
  // The pages of the web build, to compare with.
  if (process.env.DRAXO_WEB_PAGES) symlinkSync(process.env.DRAXO_WEB_PAGES, path.join(site, 'pages'));
  return site;
}

// An example built with the package for wasm32-wasip1, as a user's program is
// (program_flags.json), asyncified and not, into the site.
async function buildExample(name) {
  const program = await buildClient(runClang, {flagsFile, sysroot, extra: ['-Wall'],
    sources: {[`src/${name}.c`]: readFileSync(path.join(examplesDir, `${name}.c`))}});
  writeFileSync(path.join(context.site, `${name}.wasm`), await asyncifyProgram(binaryen, program));
  writeFileSync(path.join(context.site, `${name}.plain.wasm`), program);
}

before(async () => {
  context.site = await buildSite();
  context.server = await serve(context.site);
  context.chrome = await launch();
});
after(async () => {
  await context.chrome?.stop();
  context.server?.stop();
  if (context.site) rmSync(context.site, {recursive: true, force: true});
});

// Starts the probe on a page (a new one unless given); resolves once it
// printed `ready`. Its end is window.result, its files as text.
async function startProbe(options = {}, page = null, ready = 'ready') {
  page = page || await openPage(context.chrome.browser, context.server.url + 'index.html');
  await poll('the runtime', () => page.evaluate(() => !!window.startProgram));
  const from = page.log.length;
  await page.evaluate(async (o) => {
    window.result = null;
    // The program's bytes, as a page that compiled it hands them over.
    if (o.bytes) o.wasm = new Uint8Array(await (await fetch(o.wasm)).arrayBuffer());
    const files = Object.fromEntries(Object.entries(o.files || {}).map(([k, v]) => [k, new TextEncoder().encode(v)]));
    // What the page hands over as downloads, and what the program saved.
    window.downloads = [];
    window.saved = [];
    HTMLAnchorElement.prototype.click = function() { window.downloads.push(this.download); };
    window.run = window.startProgram({wasm: 'probe.wasm', programName: 'probe', args: ['first'], fontsUrl: 'fonts/',
      onSaved: (name) => window.saved.push(name), ...o, files});
    window.run.done.then((r) => {
      const text = (bytes) => new TextDecoder().decode(bytes);
      window.result = {...r, files: r.files && Object.fromEntries(Object.entries(r.files).map(([k, v]) => [k, text(v)]))};
    });
  }, {storage: 'probe ' + Math.random(), ...options});
  if (ready) await poll('the probe to be ready', () => page.log.slice(from).includes(ready));
  page.from = from;
  return page;
}

const lines = (page) => page.log.slice(page.from);
const ended = (page) => poll('the program to end', () => page.evaluate(() => window.result));
const note = (page) => page.evaluate(() => document.querySelector('.draxo-ended .draxo-why')?.textContent);

async function pressOnCanvas(page, key) {
  await page.focus('.draxo-window canvas');
  await page.keyboard.press(key);
}

for (const [way, ending] of Object.entries(WAYS)) {
  const probe = `probe${ending}`;

  describe(`a program in its worker, ${way}`, () => {
    test('its window is a titled frame with its menu bar, and its canvas holds the picture it put', async () => {
      const page = await startProbe({wasm: probe});
      const canvas = await windowCanvas(page, 'Probe');
      assert.deepEqual([canvas.pixelsWide, canvas.pixelsHigh], [64, 48]);
      const frame = await canvasPixels(page, 'Probe');
      for (let y = 0; y < 48; ++y)
        for (let x = 0; x < 64; ++x)
          assert.deepEqual(pixelOf(frame, x, y), [(x * 4) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255], `pixel (${x}, ${y})`);
      assert.equal(await page.evaluate(() => document.querySelector('.draxo-menubar').textContent), 'Run');
      // Its command line, its folder, its fonts, and the base units as the
      // page measures its dialogs' font.
      assert.ok(lines(page).includes('started probe first in /home/web_user/probe'), lines(page).join('\n'));
      assert.ok(lines(page).includes('font 32'));
      assert.ok(lines(page).includes('font folder writable 0'));
      const pageUnits = await page.evaluate(() => {
        const context = document.createElement('canvas').getContext('2d');
        context.font = '11px "Liberation Sans", Arial, sans-serif';
        return Math.round(context.measureText('ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz').width / 52);
      });
      assert.ok(lines(page).includes(`units ${pageUnits} 13`), lines(page).join('\n'));
      await page.close();
    });

    test('the wait suspends until input comes: clicks, keys with the keys held, the menu and a dialog', async () => {
      const page = await startProbe({wasm: probe});
      const canvas = await windowCanvas(page, 'Probe');
      await clickPixel(page, canvas, 10, 20);
      await waitForLog(page, new RegExp(`^event 1 1 513 1 ${10 | (20 << 16)} -1 0 held 0$`));
      await page.keyboard.down('Shift');
      await page.keyboard.press('KeyQ');
      await page.keyboard.up('Shift');
      await waitForLog(page, /^event 1 1 256 81 1 81 1 held 1$/);
      // A sleep suspends the program too, for as long as it asked.
      await pressOnCanvas(page, 'KeyZ');
      const slept = Number((await waitForLog(page, /^slept \d+$/)).split(' ')[1]);
      assert.ok(slept >= 199 && slept < 2000, `slept ${slept} ms`);
      // F10 selects the bar, as the program's rules answer the page.
      await pressOnCanvas(page, 'F10');
      await poll('the bar selected', () => page.evaluate(() => !!document.querySelector('.draxo-menubar > .draxo-hot')));
      assert.ok(!lines(page).some((l) => / 256 121 /.test(l)), 'F10 reached the window');
      await page.keyboard.press('Escape');
      // The menu by the mouse.
      await page.evaluate(() => document.querySelector('.draxo-menubar > div').dispatchEvent(
        new MouseEvent('mousedown', {bubbles: true})));
      await page.evaluate(() => document.querySelector('.draxo-popup > div').dispatchEvent(
        new MouseEvent('mouseup', {bubbles: true})));
      await waitForLog(page, /^event 4 \d+ 42 /);
      // A dialog: the program reads its field's text as typed.
      await pressOnCanvas(page, 'KeyD');
      await poll('the dialog', () => page.evaluate(() => document.activeElement?.tagName === 'INPUT'));
      await page.keyboard.press('End');
      await page.keyboard.type(' and more');
      await page.keyboard.press('Enter');
      await waitForLog(page, /^dialog 1 14 \[start and more\]$/);
      await page.close();
    });

    test('a request to the page is carried out only on a page that allows it, and answered', async () => {
      const plain = await startProbe({wasm: probe});
      await pressOnCanvas(plain, 'KeyP');
      await waitForLog(plain, /^page call -1 \[this page carries out no requests of its program's\]$/);
      await plain.close();
      // The pixel (5, 7) of the probe's picture, 0x00RRGGBB as text.
      const allowing = await startProbe({wasm: probe, testActions: true});
      await pressOnCanvas(allowing, 'KeyP');
      await waitForLog(allowing, new RegExp(`^page call 7 \\[${(20 << 16) | (35 << 8) | 6}\\]$`));
      await allowing.close();
    });
  });

  describe(`ending, ${way}`, () => {
    test('Stop ends a busy program within a second, the page responsive meanwhile', async () => {
      const page = await startProbe({wasm: probe});
      await pressOnCanvas(page, 'KeyB');
      await waitForLog(page, /^busy$/);
      const roundTrip = Date.now();
      await page.evaluate(() => document.title);
      assert.ok(Date.now() - roundTrip < 500, 'the page answered late');
      const stopped = await page.evaluate(async () => {
        const at = performance.now();
        window.run.stop();
        await window.run.done;
        return performance.now() - at;
      });
      assert.ok(stopped < 1000, `stopped after ${stopped} ms`);
      const result = await ended(page);
      assert.deepEqual([result.status, result.reason], [null, 'you stopped it.']);
      assert.equal(await note(page), 'The program stopped: you stopped it.');
      await page.close();
    });

    test('a trap, an abort, an assertion, a stack overflow and a write through a null pointer say why', async () => {
      const page = await openPage(context.chrome.browser, context.server.url + 'index.html');
      for (const [key, reason] of [
        ['KeyT', /^it crashed \(memory access out of bounds\)\.$/],
        ['KeyA', /^it called abort\(\)\.$/],
        ['KeyF', /^an assertion failed: sink == 12345 \(src\/probe\.c, line \d+, in on_key\)\.$/],
        ['KeyS', /^it crashed \(Maximum call stack size exceeded\)\.$/],
        ['KeyN', /^it wrote through a null pointer \(near address 0\)\.$/],
      ]) {
        await startProbe({wasm: probe}, page);
        await pressOnCanvas(page, key);
        const result = await ended(page);
        assert.equal(result.status, null, key);
        assert.match(result.reason, reason, key);
        assert.equal(await note(page), 'The program stopped: ' + result.reason);
        // The windows stay, greyed, under the note; a new run takes their place.
        assert.ok(await page.evaluate(() => document.querySelector('.draxo-window').classList.contains('draxo-closed')));
      }
      assert.equal(await page.evaluate(() => document.querySelectorAll('.draxo-desktop').length), 1);
      await page.close();
    });

    test('an exit gives its status and the folder\'s files', async () => {
      const page = await startProbe({wasm: probe, bytes: true, files: {'given.txt': 'from the page'}});
      await pressOnCanvas(page, 'KeyX');
      const result = await ended(page);
      assert.deepEqual([result.status, result.reason, result.files], [7, null, {'given.txt': 'from the page'}]);
      assert.equal(await note(page), 'The program has ended.');
      // Run again starts it afresh in the same place.
      const from = page.log.length;
      await page.click('.draxo-ended button');
      await poll('the program started again', () => page.log.slice(from).includes('ready'));
      assert.equal(await page.evaluate(() => document.querySelectorAll('.draxo-desktop, .draxo-ended').length), 1);
      await page.close();
    });
  });

  describe(`files, ${way}`, () => {
    // Whether the page's database holds the program's kept.txt.
    const keptInDatabase = (page, storage) => page.evaluate((name) => new Promise((resolve) => {
      const open = indexedDB.open(name);
      open.onsuccess = () => {
        const db = open.result;
        if (!db.objectStoreNames.contains('FILE_DATA')) return resolve(false);
        const get = db.transaction(['FILE_DATA']).objectStore('FILE_DATA').get('/home/web_user/probe/kept.txt');
        get.onsuccess = () => resolve(!!get.result);
      };
    }), storage);

    test('the program\'s folder is kept in the page\'s database, across a reload', async () => {
      const storage = 'kept ' + Math.random();
      let page = await startProbe({wasm: probe, storage});
      await pressOnCanvas(page, 'KeyW');
      await waitForLog(page, /^wrote 1$/);
      await poll('kept.txt in the database', () => keptInDatabase(page, storage));
      await page.reload();
      page.log.length = 0;
      page = await startProbe({wasm: probe, storage}, page);
      assert.ok(lines(page).includes('kept 1'), lines(page).join('\n'));
      await pressOnCanvas(page, 'KeyW');
      await waitForLog(page, /^wrote 2$/);
      await page.close();
    });

    test('a file saved by replacing and a recorded script are handed over; nothing is written outside the folder',
      async () => {
        const page = await startProbe({wasm: probe});
        await pressOnCanvas(page, 'KeyR');
        await waitForLog(page, /^saved 0$/);
        await pressOnCanvas(page, 'KeyC');
        await waitForLog(page, /^recorded$/);
        await poll('the downloads', () => page.evaluate(() => window.downloads.length === 2));
        assert.deepEqual(await page.evaluate(() => [window.downloads, window.saved]), [['pic.png', 'DRAXO.SCR'], ['pic.png']]);
        await pressOnCanvas(page, 'KeyO');
        await waitForLog(page, /^outside 0 -1 0$/);
        assert.ok(page.log.some((l) => /escaped\.txt is not written: the browser keeps only the files in the program's folder/.test(l)));
        await pressOnCanvas(page, 'KeyX');
        assert.deepEqual(Object.keys((await ended(page)).files).sort(), ['DRAXO.SCR', 'pic.png']);
        await page.close();
      });
  });
}

test('a file replaced within the same millisecond is kept as the new file, not left as the old one', async () => {
  const page = await openPage(context.chrome.browser, context.server.url + 'index.html');
  const kept = await page.evaluate(async () => {
    const {makeFolder, folderAt, makeFile, fileBytes} = await import('./runtime/wasi.mjs');
    const {openKeptFolder} = await import('./runtime/kept_files.mjs');
    const storage = 'same time ' + Math.random();
    const home = folderAt(makeFolder(), '/home/web_user/probe');
    const folder = await openKeptFolder(storage, home);
    const old = makeFile(home, new TextEncoder().encode('old card'));
    home.children.set('card.draxo', old);
    await folder.sync();
    // A save: a fresh file renamed over the old one, its time the same.
    const fresh = makeFile(home, new TextEncoder().encode('new card'));
    fresh.mtime = old.mtime;
    home.children.set('card.draxo', fresh);
    await folder.sync();
    const again = folderAt(makeFolder(), '/home/web_user/probe');
    await openKeptFolder(storage, again);
    return new TextDecoder().decode(fileBytes(again.children.get('card.draxo')));
  });
  assert.equal(kept, 'new card');
  await page.close();
});

describe('a program not asyncified, in a browser that cannot suspend it itself', () => {
  test('does not start, and says why', async () => {
    const page = await openPage(context.chrome.browser, context.server.url + 'older/index.html');
    await startProbe({wasm: '../probe.plain.wasm', fontsUrl: '../fonts/'}, page, null);
    const result = await ended(page);
    assert.equal(result.status, null);
    assert.match(result.reason, /^it could not be started: this browser cannot run a program that was not prepared for it/);
    await page.close();
    // The asyncified program runs there.
    const older = await openPage(context.chrome.browser, context.server.url + 'older/index.html');
    await startProbe({wasm: '../probe.wasm', fontsUrl: '../fonts/'}, older);
    await older.close();
  });
});

// Built once, for both ways.
let examplesBuilt = null;

for (const [way, ending] of Object.entries(WAYS)) {
  describe(`the package's examples, ${way}`, {skip: !sysroot && 'no package built for wasm32-wasip1 (DRAXO_WASI_SYSROOT)'}, () => {
    before(() => examplesBuilt ??= (async () => {
      for (const name of ['sketch_pad', 'bouncing_ball', 'guessing_game']) await buildExample(name);
    })());

    async function startExample(name, args = []) {
      const page = await startProbe({wasm: `${name}${ending}`, programName: name, args, fontsUrl: 'real-fonts/'}, null, null);
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      return page;
    }
    // Pixels of the drawing window that pass `test` ([r, g, b] => boolean).
    async function count(page, test) {
      const frame = await canvasPixels(page, 'DRAXO Graphics');
      let n = 0;
      for (let i = 0; i < frame.data.length; i += 4) if (test([frame.data[i], frame.data[i + 1], frame.data[i + 2]])) ++n;
      return n;
    }
    const notWhite = ([r, g, b]) => r + g + b < 600;
    const sketchDrawn = async (page) => (await count(page, notWhite)) > 2000;

    test('the sketch pad\'s first frame is the build\'s page\'s, and the Linux build\'s but for its text', async () => {
      const page = await startExample('sketch_pad');
      await poll('the status bar and the frame', () => sketchDrawn(page));
      const frame = await canvasPixels(page, 'DRAXO Graphics');
      const builtPage = process.env.DRAXO_WEB_PAGES && path.join(process.env.DRAXO_WEB_PAGES, 'sketch_pad');
      if (builtPage && existsSync(builtPage)) {
        const other = await openPage(context.chrome.browser, context.server.url.replace(/\/$/, '') + '/pages/sketch_pad/index.html');
        await poll('the build\'s page\'s frame', async () => (await count(other, notWhite)) > 2000);
        assert.ok((await canvasPixels(other, 'DRAXO Graphics')).data.equals(frame.data), 'the build\'s page\'s frame differs');
        await other.close();
      }
      if (linuxExamples) {
        // The Linux client area is lower by the menu bar's height; the package's
        // origin is at the middle of each.
        const scratch = mkdtempSync(path.join(tmpdir(), 'draxo-linux-frame-'));
        writeFileSync(path.join(scratch, 'empty.scr'), '');
        execFileSync(path.join(linuxExamples, 'sketch_pad'), [], {timeout: 60000, cwd: scratch,
          env: {...process.env, QT_QPA_PLATFORM: 'offscreen', DRAXO_SCRIPT: 'empty.scr', DRAXO_PICTURE: 'linux.png'}});
        const linux = readPng(readFileSync(path.join(scratch, 'linux.png')));
        rmSync(scratch, {recursive: true, force: true});
        assert.equal(linux.width, frame.width);
        const shift = (frame.height >> 1) - (linux.height >> 1);
        // Text is drawn by Qt on Linux and by the package's own rasteriser in
        // the browser: only the status bar's text rows may differ.
        const differingRows = new Set();
        for (let y = 0; y < linux.height; ++y)
          for (let x = 0; x < linux.width; ++x) {
            const i = (y * linux.width + x) * 3, j = ((y + shift) * frame.width + x) * 4;
            if (linux.rgb[i] !== frame.data[j] || linux.rgb[i + 1] !== frame.data[j + 1] ||
                linux.rgb[i + 2] !== frame.data[j + 2]) differingRows.add(y);
          }
        assert.ok([...differingRows].every((y) => y >= 4 && y < 24), `rows that differ: ${[...differingRows]}`);
      }
      await page.close();
    });

    test('the sketch pad: the Run menu by the keyboard and the mouse, a line drawn, a recorded script handed over',
      async () => {
        const page = await startExample('sketch_pad');
        await poll('the status bar and the frame', () => sketchDrawn(page));
        // Alt and the title's mnemonic open the menu, by the package's rules.
        await page.focus('.draxo-window canvas');
        await page.keyboard.down('Alt');
        await page.keyboard.press('KeyR');
        await page.keyboard.up('Alt');
        await poll('the Run menu', () => page.evaluate(() => !!document.querySelector('.draxo-popup')?.isConnected));
        await page.keyboard.press('Escape');
        await page.keyboard.press('Escape');
        await poll('the menu closed', () => page.evaluate(() => !document.querySelector('.draxo-popup')?.isConnected));
        // Record Script by its mnemonic in the menu just opened, typed at once:
        // each key is asked in turn.
        await page.keyboard.down('Alt');
        await page.keyboard.press('KeyR');
        await page.keyboard.up('Alt');
        await page.keyboard.press('KeyR');
        // And by the mouse, which stops it: its item is checked while it records.
        const chooseRecord = () => page.evaluate(() => {
          document.querySelector('.draxo-menubar > div').dispatchEvent(new MouseEvent('mousedown', {bubbles: true}));
          const row = Array.from(document.querySelectorAll('.draxo-popup > div')).find((r) => /Record Script/.test(r.textContent));
          const checked = row.querySelector('.draxo-check').textContent === '\u2713';
          row.dispatchEvent(new MouseEvent('mouseup', {bubbles: true}));
          return checked;
        });
        const before = await count(page, notWhite);
        await clickPixel(page, page.canvas, 150, 300);
        await clickPixel(page, page.canvas, 450, 300);
        await poll('the line', async () => (await count(page, notWhite)) >= before + 290);
        assert.equal(await chooseRecord(), true, 'Record Script is not checked');
        await poll('the script handed over', () => page.evaluate(() => window.downloads.includes('DRAXO.SCR')));
        await page.close();
      });

    test('the bouncing ball moves, takes a click, and ends with Ctrl+Q', async () => {
      const page = await startExample('bouncing_ball');
      await poll('something drawn', async () => (await count(page, notWhite)) > 100);
      const first = await canvasPixels(page, 'DRAXO Graphics');
      await poll('the ball to move', async () => !(await canvasPixels(page, 'DRAXO Graphics')).data.equals(first.data));
      await clickPixel(page, page.canvas, 100, 100);
      await waitForLog(page, /^click -200 170$/);
      await page.keyboard.down('Control');
      await page.keyboard.press('KeyQ');
      await page.keyboard.up('Control');
      assert.deepEqual(await ended(page).then((r) => [r.status, r.reason]), [0, null]);
      await page.close();
    });

    test('the guessing game asks with the dialog and answers too high in red', async () => {
      const page = await startExample('guessing_game', ['42']);
      await poll('the dialog', () => page.evaluate(() => {
        const b = document.querySelector('.draxo-backdrop');
        return b && !b.hidden;
      }));
      const red = ([r, g, b]) => r > 200 && g < 80 && b < 80;
      const before = await count(page, red);
      await page.keyboard.type('90');
      await page.keyboard.press('Enter');
      await poll('the red answer', async () => (await count(page, red)) > before + 30);
      await page.close();
    });
  });
}
