// The same client drawing every shape kind on Linux (DRAXO_HOST_SHAPE_FRAME,
// under Qt's offscreen platform) and in the browser must leave frame
// buffers identical byte for byte: shapes are drawn by the layer's own
// rasteriser on every backend. The page's frame is written to a file of the
// page's, which its command line names.
import {after, before, test} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {serve, launch, openPage, poll, readPpm} from './web_lib.mjs';

const pages = process.env.DRAXO_WEB_PAGES;
const linuxProgram = process.env.DRAXO_HOST_SHAPE_FRAME;
let server, chrome, scratch;

before(async () => {
  scratch = mkdtempSync(path.join(tmpdir(), 'draxo-frames-'));
  server = await serve(pages);
  chrome = await launch();
});
after(async () => {
  await chrome?.stop();
  server?.stop();
  rmSync(scratch, {recursive: true, force: true});
});

test('shapes leave the same frame buffer in the browser as on Linux', {skip: !linuxProgram}, async () => {
  const linuxFile = path.join(scratch, 'linux.ppm');
  execFileSync(linuxProgram, [linuxFile], {env: {...process.env, QT_QPA_PLATFORM: 'offscreen'}, timeout: 60000});
  const linux = readPpm(linuxFile);

  const page = await openPage(chrome.browser, server.url + 'shape_frame/index.html?arg=frame.ppm');
  await poll('the program to end', () => page.evaluate(() => !!document.querySelector('.draxo-ended')));
  const bytes = Buffer.from(await page.evaluate(async () => Array.from(await draxoRun.files.read('frame.ppm'))));
  const web = readPpm(bytes);
  assert.equal(web.width, linux.width);
  assert.equal(web.height, linux.height);
  let differing = 0;
  for (let i = 0; i < linux.rgb.length; i += 3)
    if (linux.rgb[i] !== web.rgb[i] || linux.rgb[i + 1] !== web.rgb[i + 1] || linux.rgb[i + 2] !== web.rgb[i + 2]) ++differing;
  assert.equal(differing, 0, 'pixels that differ between the Linux and the browser frame buffers');
  const colours = new Set();
  for (let i = 0; i < linux.rgb.length; i += 3) colours.add(linux.rgb.readUIntBE(i, 3));
  assert.ok(colours.size >= 20, `only ${colours.size} colours were drawn`);

  await page.close();
});
