// What the browser tests share: a plain static web server over a folder
// (python3 -m http.server, as a teacher would publish a page), headless
// Chromium driven by puppeteer-core, and ways to wait for what a page shows
// by polling, never by sleeping for a fixed time.
import {spawn} from 'node:child_process';
import {mkdtempSync, readdirSync, rmSync, readFileSync, statSync} from 'node:fs';
import {createServer} from 'node:net';
import {inflateSync} from 'node:zlib';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {after, before} from 'node:test';
import puppeteer from 'puppeteer-core';

export const chromiumPath = process.env.DRAXO_CHROMIUM || '/usr/bin/chromium';

// A free TCP port on the loopback interface.
function freePort() {
  return new Promise((resolve, reject) => {
    const probe = createServer();
    probe.once('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// Polls `probe` until it gives something truthy, which it returns; fails
// with `what` after `timeoutMs`.
export async function poll(what, probe, timeoutMs = 20000, everyMs = 50) {
  const deadline = Date.now() + timeoutMs;
  let last;
  for (;;) {
    try {
      last = await probe();
      if (last) return last;
    } catch (e) {
      last = e;
    }
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what} (last: ${last})`);
    await new Promise((r) => setTimeout(r, everyMs));
  }
}

// Serves `root` on a free loopback port until stop().
export async function serve(root) {
  const port = await freePort();
  const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', root], {
    stdio: ['ignore', 'ignore', 'pipe'],
  });
  let errors = '';
  server.stderr.on('data', (d) => { errors += d; });
  const url = `http://127.0.0.1:${port}/`;
  await poll('the web server', async () => {
    if (server.exitCode !== null) throw new Error(`the web server ended: ${errors}`);
    const response = await fetch(url).catch(() => null);
    return response !== null;
  }, 15000);
  return {url, stop: () => server.kill()};
}

// Headless Chromium with a profile of its own, which stop() removes.
export async function launch(options = {}) {
  const profile = mkdtempSync(path.join(tmpdir(), 'draxo-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage', `--user-data-dir=${profile}`],
    defaultViewport: options.viewport || {width: 800, height: 1000, deviceScaleFactor: 1},
    protocolTimeout: 60000,
  });
  return {
    browser,
    profile,
    stop: async () => {
      await browser.close().catch(() => {});
      rmSync(profile, {recursive: true, force: true});
    },
  };
}

// Opens a page and collects what the program printed (the browser's console)
// and any error of the page.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  const log = [];
  page.on('console', (m) => log.push(m.text()));
  page.on('pageerror', (e) => log.push(`page error: ${e.message}`));
  page.log = log;
  await page.goto(url, {waitUntil: 'load'});
  return page;
}

// The canvas of the window titled `title` (its index among the page's
// windows of that title) and its place on the page, once it is shown.
export async function windowCanvas(page, title) {
  return poll(`the window "${title}"`, () => page.evaluate((t) => {
    for (const frame of document.querySelectorAll('.draxo-window')) {
      if (frame.dataset.title !== t || frame.hidden) continue;
      const c = frame.querySelector('canvas');
      const box = c.getBoundingClientRect();
      return {left: box.left, top: box.top, width: box.width, height: box.height,
              pixelsWide: c.width, pixelsHigh: c.height};
    }
    return null;
  }, title));
}

// The canvas's pixels as [r, g, b] at (column, row).
export function pixelOf(frame, column, row) {
  const at = (row * frame.width + column) * 4;
  return [frame.data[at], frame.data[at + 1], frame.data[at + 2]];
}

// The whole canvas of the window titled `title`: {width, height, data (RGBA)}.
export async function canvasPixels(page, title) {
  const result = await page.evaluate((t) => {
    for (const frame of document.querySelectorAll('.draxo-window')) {
      if (frame.dataset.title !== t) continue;
      const c = frame.querySelector('canvas');
      const image = c.getContext('2d').getImageData(0, 0, c.width, c.height);
      let text = '';
      const bytes = image.data;
      for (let i = 0; i < bytes.length; i += 32768) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 32768));
      return {width: c.width, height: c.height, data: btoa(text)};
    }
    return null;
  }, title);
  if (!result) throw new Error(`no window "${title}"`);
  return {width: result.width, height: result.height, data: Buffer.from(result.data, 'base64')};
}

// Polls until the pixel at (column, row) of the window's canvas has `rgb`.
export async function waitForPixel(page, title, column, row, rgb, what, timeoutMs = 20000) {
  return poll(what || `pixel (${column}, ${row}) to be ${rgb}`, async () => {
    const got = await page.evaluate((t, x, y) => {
      for (const frame of document.querySelectorAll('.draxo-window')) {
        if (frame.dataset.title !== t) continue;
        return Array.from(frame.querySelector('canvas').getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3));
      }
      return null;
    }, title, column, row);
    return got && got[0] === rgb[0] && got[1] === rgb[1] && got[2] === rgb[2];
  }, timeoutMs);
}

// A whole page coordinate inside the span [from, from + size): the browser
// hands mouse positions over in whole CSS pixels.
function inside(from, size) {
  const whole = Math.ceil(from + 1e-6);
  return whole < from + size ? whole : from + size / 2;
}

// Clicks the canvas pixel (column, row) of a window.
export async function clickPixel(page, canvas, column, row) {
  const scaleX = canvas.width / canvas.pixelsWide, scaleY = canvas.height / canvas.pixelsHigh;
  await page.mouse.click(inside(canvas.left + column * scaleX, scaleX), inside(canvas.top + row * scaleY, scaleY));
}

// Lines the program printed that match `pattern`, once there is one.
export async function waitForLog(page, pattern, timeoutMs = 20000) {
  return poll(`the program to print ${pattern}`, () => page.log.find((l) => pattern.test(l)), timeoutMs);
}

// A binary PPM file's size and RGB bytes, from a file or its bytes.
export function readPpm(file) {
  const bytes = Buffer.isBuffer(file) ? file : readFileSync(file);
  const header = bytes.subarray(0, 64).toString('latin1').match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error(`${file} is no binary PPM file`);
  return {width: +header[1], height: +header[2], rgb: bytes.subarray(header[0].length)};
}

// A PNG file's size and RGB bytes, from its bytes: 8-bit RGB or RGBA, not
// interlaced, as the package writes its pictures.
export function readPng(bytes) {
  if (bytes.readUInt32BE(0) !== 0x89504e47) throw new Error('no PNG file');
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = 8; at < bytes.length;) {
    const length = bytes.readUInt32BE(at), type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = {2: 3, 6: 4}[body[9]];
      if (body[8] !== 8 || !channels || body[12]) throw new Error('a PNG file of a kind not read here');
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data)), stride = width * channels;
  const rows = Buffer.alloc(stride * height), rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0, b = y ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y ? rows[(y - 1) * stride + x - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      rows[y * stride + x] = (line[x] + predicted) & 255;
    }
    for (let x = 0; x < width; ++x) rows.copy(rgb, (y * width + x) * 3, y * stride + x * channels, y * stride + x * channels + 3);
  }
  return {width, height, rgb};
}

// For a test file: serves `root` and starts Chromium before its tests, and
// stops both after them. The returned object holds `server` and `chrome`.
export function withBrowser(root, options = {}) {
  const context = {};
  before(async () => {
    context.server = await serve(root);
    context.chrome = await launch(options);
  });
  after(async () => {
    await context.chrome?.stop();
    context.server?.stop();
  });
  return context;
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

// Builds a client program for wasm32-wasip1 as a user's is built: the
// compiler `driver` (clang or clang++) of `runClang`, the flags of
// `flagsFile` (program_flags.json) with the package's `sysroot` seen as
// /draxo, `extra` flags, and `sources` ({path: bytes}, the first compiled).
// Returns the program's bytes, not asyncified.
export async function buildClient(runClang, {driver = 'clang', flagsFile, sysroot, sources, extra = []}) {
  const flags = JSON.parse(readFileSync(flagsFile, 'utf8'));
  const placed = (list) => list.map((f) => f.replaceAll('{sysroot}', '/draxo'));
  const tree = {draxo: treeOf(path.resolve(sysroot))};
  for (const [file, bytes] of Object.entries(sources)) {
    const parts = file.split('/');
    let folder = tree;
    for (const part of parts.slice(0, -1)) folder = folder[part] ??= {};
    folder[parts[parts.length - 1]] = bytes;
  }
  const built = await runClang([driver, ...placed(flags.compile), ...extra, Object.keys(sources)[0],
    ...placed(flags.link), '-o', 'client.wasm'], tree);
  return built['client.wasm'];
}

// What the playground's tests do with its page: read the editor's text, type
// a program in place of it as a user would, read the status line and wait
// for it to say `pattern` (by default for `statusTimeoutMs`).
export function playgroundHelpers({statusTimeoutMs}) {
  const editorText = (page) => page.evaluate(async () => {
    const {EditorView} = await import('./editor.js');
    return EditorView.findFromDOM(document.querySelector('.cm-editor')).state.doc.toString();
  });
  async function typeProgram(page, text) {
    await page.click('.cm-content');
    await page.keyboard.down('Control');
    await page.keyboard.press('a');
    await page.keyboard.up('Control');
    await page.keyboard.sendCharacter(text);
  }
  const status = (page) => page.$eval('#status', (e) => e.textContent);
  const waitForStatus = (page, pattern, timeoutMs = statusTimeoutMs) =>
    poll(`the status line to say ${pattern}`, async () => pattern.test(await status(page)), timeoutMs);
  return {editorText, typeProgram, status, waitForStatus};
}
