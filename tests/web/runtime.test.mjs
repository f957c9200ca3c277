// The web runtime (package/window_system/web/runtime/) in headless Chromium:
// a program compiled here for wasm32-wasip1 and asyncified
// (runtime/runtime_probe.c, calling the web backend's imports itself) runs
// in its worker and shows its window on a page that loads runtime.mjs. Its
// picture on the canvas, input through the suspended wait, the menu bar's
// rules asked of the program, a dialog's text, Stop of a busy program, the
// reasons a program stopped, and its folder kept across a reload.
import {describe, test, before, after} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, symlinkSync, writeFileSync, mkdirSync,
  statSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {runClang} from '@yowasp/clang';
import binaryen from 'binaryen';
import {asyncifyProgram} from '../../package/window_system/web/runtime/asyncify.mjs';
import {serve, launch, openPage, windowCanvas, canvasPixels, pixelOf, clickPixel, waitForLog, poll,
  readPng} from './web_lib.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const runtimeDir = path.join(here, '../../package/window_system/web/runtime');
const examplesDir = path.join(here, '../../examples');
const context = {};

// The package built for wasm32-wasip1 (a folder with include/draxo.h and
// lib/libdraxo.a) and the flags a program is built with, for the examples;
// the Linux build's examples, for their frames.
const sysroot = process.env.DRAXO_WASI_SYSROOT;
const flagsFile = process.env.DRAXO_PROGRAM_FLAGS || path.join(runtimeDir, 'program_flags.json');
const linuxExamples = process.env.DRAXO_HOST_EXAMPLES;
const fontsDir = [process.env.DRAXO_WEB_PAGES && path.join(process.env.DRAXO_WEB_PAGES, 'fonts'),
  '/usr/share/fonts/truetype/liberation2', '/usr/share/fonts/truetype/liberation'].find((d) => d && existsSync(d));

// The probe, compiled and asyncified, in a folder served with the test page,
// the runtime and a font file.
async function buildSite() {
  const site = mkdtempSync(path.join(tmpdir(), 'draxo-runtime-'));
  const tree = {src: {'probe.c': readFileSync(path.join(here, 'runtime/runtime_probe.c'))}};
  const built = await runClang(['clang', '--target=wasm32-wasip1', '-O2', '-Wall', '-Wno-infinite-recursion',
    '-Wl,-z,stack-size=1048576', '-o', 'probe.wasm', 'src/probe.c'], tree);
  writeFileSync(path.join(site, 'probe.wasm'), await asyncifyProgram(binaryen, built['probe.wasm']));
  writeFileSync(path.join(site, 'index.html'), readFileSync(path.join(here, 'runtime/index.html')));
  symlinkSync(runtimeDir, path.join(site, 'runtime'));
  mkdirSync(path.join(site, 'fonts'));
  writeFileSync(path.join(site, 'fonts/LiberationSans-Regular.ttf'), 'not really a font, 33 bytes long');
  if (fontsDir) symlinkSync(fontsDir, path.join(site, 'real-fonts'));
  return site;
}

// A folder's files as a tree of the compiler's ({name: bytes or folder}).
function treeOf(folder) {
  const tree = {};
  for (const name of readdirSync(folder)) {
    const file = path.join(folder, name);
    tree[name] = statSync(file).isDirectory() ? treeOf(file) : readFileSync(file);
  }
  return tree;
}

// An example built with the package for wasm32-wasip1, as a user's program is
// (program_flags.json), asyncified, into the site.
async function buildExample(name) {
  const flags = JSON.parse(readFileSync(flagsFile, 'utf8'));
  const withSysroot = (list) => list.map((f) => f.replaceAll('{sysroot}', '/draxo'));
  const tree = {draxo: treeOf(sysroot), src: {[`${name}.c`]: readFileSync(path.join(examplesDir, `${name}.c`))}};
  const built = await runClang(['clang', ...withSysroot(flags.compile), '-Wall', `src/${name}.c`,
    ...withSysroot(flags.link), '-o', `${name}.wasm`], tree);
  writeFileSync(path.join(context.site, `${name}.wasm`), await asyncifyProgram(binaryen, built[`${name}.wasm`]));
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
    if (o.wasm === 'bytes') o.wasm = new Uint8Array(await (await fetch('probe.wasm')).arrayBuffer());
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

describe('a program in its worker', () => {
  test('its window is a titled frame with its menu bar, and its canvas holds the picture it put', async () => {
    const page = await startProbe();
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
    const page = await startProbe();
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
});

describe('ending', () => {
  test('Stop ends a busy program within a second, the page responsive meanwhile', async () => {
    const page = await startProbe();
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
      await startProbe({}, page);
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
    const page = await startProbe({wasm: 'bytes', files: {'given.txt': 'from the page'}});
    await pressOnCanvas(page, 'KeyX');
    const result = await ended(page);
    assert.deepEqual([result.status, result.reason, result.files], [7, null, {'given.txt': 'from the page'}]);
    assert.equal(await note(page), 'The program has ended.');
    await page.close();
  });
});

describe('files', () => {
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
    let page = await startProbe({storage});
    await pressOnCanvas(page, 'KeyW');
    await waitForLog(page, /^wrote 1$/);
    await poll('kept.txt in the database', () => keptInDatabase(page, storage));
    await page.reload();
    page.log.length = 0;
    page = await startProbe({storage}, page);
    assert.ok(lines(page).includes('kept 1'), lines(page).join('\n'));
    await pressOnCanvas(page, 'KeyW');
    await waitForLog(page, /^wrote 2$/);
    await page.close();
  });

  test('a file saved by replacing and a recorded script are handed over; nothing is written outside the folder',
    async () => {
      const page = await startProbe();
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

describe('the package\'s examples', {skip: !sysroot && 'no package built for wasm32-wasip1 (DRAXO_WASI_SYSROOT)'}, () => {
  before(async () => {
    await buildExample('bouncing_ball');
    await buildExample('sketch_pad');
  });

  // The example's page; with `firstWait`, its run ends at its first wait as
  // an unattended run without a script does, its first frame left on the
  // canvas.
  async function startExample(name, firstWait) {
    const env = firstWait ? {DRAXO_SCRIPT: `/home/web_user/${name}/empty.scr`} : {};
    const files = firstWait ? {'empty.scr': ''} : {};
    return startProbe({wasm: `${name}.wasm`, programName: name, args: [], fontsUrl: 'real-fonts/', env, files}, null,
      null);
  }

  test('the bouncing ball\'s first frame is the Linux build\'s', {skip: !linuxExamples && 'no Linux build (DRAXO_HOST_EXAMPLES)'},
    async () => {
      const scratch = mkdtempSync(path.join(tmpdir(), 'draxo-linux-frame-'));
      writeFileSync(path.join(scratch, 'empty.scr'), '');
      execFileSync(path.join(linuxExamples, 'bouncing_ball'), [], {timeout: 60000, cwd: scratch,
        env: {...process.env, QT_QPA_PLATFORM: 'offscreen', DRAXO_SCRIPT: 'empty.scr', DRAXO_PICTURE: 'linux.png'}});
      const linux = readPng(readFileSync(path.join(scratch, 'linux.png')));
      rmSync(scratch, {recursive: true, force: true});
      const page = await startExample('bouncing_ball', true);
      const result = await ended(page);
      assert.deepEqual([result.status, result.reason], [0, null]);
      const web = await canvasPixels(page, 'DRAXO Graphics');
      assert.deepEqual([web.width, web.height], [linux.width, linux.height]);
      let differing = 0;
      for (let i = 0, j = 0; i < linux.rgb.length; i += 3, j += 4)
        if (linux.rgb[i] !== web.data[j] || linux.rgb[i + 1] !== web.data[j + 1] || linux.rgb[i + 2] !== web.data[j + 2])
          ++differing;
      assert.equal(differing, 0, 'pixels that differ between the Linux frame and the canvas');
      await page.close();
    });
});
