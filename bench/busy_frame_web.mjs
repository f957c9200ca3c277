// The busy frame's time per frame drawn by the same client program
// (bench/busy_frame_program.cpp) in the browser's runtime, suspended by the
// browser itself and asyncified, in headless Chromium, beside the native
// program's when it is given. The program is built here as the playground
// builds one (program_flags.json, the package's sysroot for wasm32-wasip1),
// by clang++ from the toolchain.
//   node bench/busy_frame_web.mjs SYSROOT [NATIVE_PROGRAM]
// SYSROOT: <build-web>/web/draxo-sysroot; NATIVE_PROGRAM: the Linux build's
// bench/busy_frame_program, run under Qt's offscreen platform. The toolchain
// is web/toolchain/ (DRAXO_PLAYGROUND_TOOLCHAIN another npm folder with
// @yowasp/clang and binaryen). Run from the source tree after
// scripts/setup.sh (puppeteer-core in tests/web).
import {execFileSync} from 'node:child_process';
import {existsSync, mkdtempSync, readFileSync, rmSync, statSync, symlinkSync, writeFileSync}
  from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {buildClient, launch, openPage, poll, serve} from '../tests/web/web_lib.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const [sysroot, native] = process.argv.slice(2);
if (!sysroot) {
  console.error('usage: node bench/busy_frame_web.mjs SYSROOT [NATIVE_PROGRAM]');
  process.exit(2);
}
const toolchain = process.env.DRAXO_PLAYGROUND_TOOLCHAIN || path.join(root, 'web/toolchain');
const {runClang} = await import(pathToFileURL(path.join(toolchain, 'node_modules/@yowasp/clang/gen/bundle.js')));
const {default: binaryen} = await import(pathToFileURL(path.join(toolchain, 'node_modules/binaryen/index.js')));
const runtimeDir = path.join(root, 'package/window_system/web/runtime');
const {asyncifyProgram} = await import(pathToFileURL(path.join(runtimeDir, 'asyncify.mjs')));
const fonts = ['/usr/share/fonts/truetype/liberation2', '/usr/share/fonts/truetype/liberation'].find(existsSync);

const program = await buildClient(runClang, {
  driver: 'clang++', flagsFile: path.join(runtimeDir, 'program_flags.json'), sysroot, sources: {
    'bench/busy_frame_program.cpp': readFileSync(path.join(root, 'bench/busy_frame_program.cpp')),
    'bench/busy_frame.h': readFileSync(path.join(root, 'bench/busy_frame.h'))}});

const site = mkdtempSync(path.join(tmpdir(), 'draxo-busy-frame-'));
writeFileSync(path.join(site, 'busy.plain.wasm'), program);
writeFileSync(path.join(site, 'busy.wasm'), await asyncifyProgram(binaryen, program));
writeFileSync(path.join(site, 'index.html'), readFileSync(path.join(root, 'tests/web/runtime/index.html')));
symlinkSync(runtimeDir, path.join(site, 'runtime'));
if (fonts) symlinkSync(fonts, path.join(site, 'fonts'));

const server = await serve(site);
const chrome = await launch();
try {
  if (native) {
    const out = execFileSync(native, [], {encoding: 'utf8', env: {...process.env, QT_QPA_PLATFORM: 'offscreen'}});
    console.log(`native: ${out.trim()}`);
  }
  for (const [way, file] of [['suspended by the browser', 'busy.plain.wasm'], ['asyncified', 'busy.wasm']]) {
    const page = await openPage(chrome.browser, server.url + 'index.html');
    await poll('the runtime', () => page.evaluate(() => !!window.startProgram));
    const result = await page.evaluate(async (wasm) => {
      let text = '';
      const run = window.startProgram({wasm, programName: 'busy_frame', fontsUrl: 'fonts/', storage: 'busy ' + Math.random(),
                                       onOutput: (t) => { text += t; }});
      const end = await run.done;
      return {text, status: end.status, reason: end.reason};
    }, file);
    console.log(`${way} (${statSync(path.join(site, file)).size} bytes): ${result.text.trim()}` +
                (result.status === 0 ? '' : ` (status ${result.status}: ${result.reason})`));
    await page.close();
  }
} finally {
  await chrome.stop();
  server.stop();
  rmSync(site, {recursive: true, force: true});
}
