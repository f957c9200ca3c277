// The time from Run to the first frame in the playground, of the bouncing
// ball and of a program of some three hundred lines (snake_300.c),
// with the program suspended by the browser itself and asyncified
// (?asyncify=1), in headless Chromium, once the compiler is loaded: the
// site is built here (web/playground/build.mjs) with the real runtime, the
// package's sysroot for wasm32-wasip1 and the Liberation fonts, served by a
// plain static web server. Each way: a first Run of a program that ends at
// once (the compiler loaded, and warm), then RUNS Runs of each program, each
// timed from the click to "Running" (compiled) and to the first frame
// drawn on the program's canvas, then stopped.
//   node bench/playground_run.mjs SYSROOT [RUNS]
// SYSROOT: <build-web>/web/draxo-sysroot; RUNS defaults to 3. The toolchain
// is web/toolchain/ (DRAXO_PLAYGROUND_TOOLCHAIN another npm folder with
// @yowasp/clang and binaryen). Run from the source tree after
// scripts/setup.sh (puppeteer-core in tests/web, esbuild in web/playground).
import {spawnSync} from 'node:child_process';
import {existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {launch, poll, serve} from '../tests/web/web_lib.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const [sysroot, runs = '3'] = process.argv.slice(2);
if (!sysroot) {
  console.error('usage: node bench/playground_run.mjs SYSROOT [RUNS]');
  process.exit(2);
}
const toolchain = process.env.DRAXO_PLAYGROUND_TOOLCHAIN || path.join(root, 'web/toolchain');
const fonts = ['/usr/share/fonts/truetype/liberation2', '/usr/share/fonts/truetype/liberation'].find(existsSync);

const temporary = mkdtempSync(path.join(tmpdir(), 'draxo-playground-bench-'));
const built = spawnSync(process.execPath, [path.join(root, 'web/playground/build.mjs'), '--out',
  path.join(temporary, 'web/playground'), '--toolchain', toolchain, '--sysroot', path.resolve(sysroot), '--runtime',
  path.join(root, 'package/window_system/web/runtime'), '--examples', path.join(root, 'examples'), '--fonts',
  '../fonts/'], {encoding: 'utf8'});
if (built.status !== 0) {
  console.error(built.stderr);
  process.exit(1);
}
if (fonts) symlinkSync(fonts, path.join(temporary, 'web/fonts'));
else mkdirSync(path.join(temporary, 'web/fonts'));
const programs = {
  'the bouncing ball': readFileSync(path.join(root, 'examples/bouncing_ball.c'), 'utf8'),
  'a 300-line program': readFileSync(path.join(root, 'bench/snake_300.c'), 'utf8'),
};

const server = await serve(path.join(temporary, 'web'));
const chrome = await launch();

// The editor's text replaced by `text`.
const setProgram = (page, text) => page.evaluate(async (t) => {
  const {EditorView} = await import('./editor.js');
  const view = EditorView.findFromDOM(document.querySelector('.cm-editor'));
  view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: t}});
}, text);
const status = (page) => page.$eval('#status', (e) => e.textContent);

// Clicks Run; resolves to the milliseconds to "Running" and to the first
// frame: a canvas of the new run with something drawn.
const timedRun = (page) => page.evaluate(() => new Promise((resolve, reject) => {
  const old = document.querySelector('#program .draxo-window canvas');
  const start = performance.now();
  let running = null;
  document.getElementById('run').click();
  const look = () => {
    const elapsed = performance.now() - start;
    if (running === null && /^Running/.test(document.getElementById('status').textContent)) running = elapsed;
    const canvas = document.querySelector('#program .draxo-window canvas');
    if (canvas && canvas !== old && canvas.width > 0) {
      const {data} = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
      let drawn = 0;
      for (let i = 0; i < data.length; i += 4) if (data[i] + data[i + 1] + data[i + 2] < 600) ++drawn;
      if (drawn > 100) return resolve({running, frame: elapsed});
    }
    if (elapsed > 120000) return reject(new Error(`no frame after 120 s: ${document.getElementById('status').textContent}`));
    requestAnimationFrame(look);
  };
  look();
}));

const median = (list) => [...list].sort((a, b) => a - b)[list.length >> 1];

try {
  for (const [way, query] of [['suspended by the browser', ''], ['asyncified', '?asyncify=1']]) {
    const page = await chrome.browser.newPage();
    await page.goto(`${server.url}playground/${query}`, {waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    await setProgram(page, 'int main(void) { return 0; }\n');
    await page.click('#run');
    await poll('the compiler loaded and a first program run', async () => /^Ended with status 0$/.test(await status(page)),
      300000);
    for (const [name, text] of Object.entries(programs)) {
      await setProgram(page, text);
      const times = [];
      for (let i = 0; i < Number(runs); ++i) {
        times.push(await timedRun(page));
        await page.click('#stop');
        await poll('the program stopped', async () => /^Stopped$/.test(await status(page)), 10000);
      }
      console.log(`${way}, ${name}: Run to Running ${times.map((t) => Math.round(t.running)).join(', ')} ms ` +
                  `(median ${Math.round(median(times.map((t) => t.running)))}); Run to the first frame ` +
                  `${times.map((t) => Math.round(t.frame)).join(', ')} ms ` +
                  `(median ${Math.round(median(times.map((t) => t.frame)))})`);
    }
    await page.close();
  }
} finally {
  await chrome.stop();
  server.stop();
  rmSync(temporary, {recursive: true, force: true});
}
