// The installed package builds programs for the web: cmake --install, then
// draxo-webcc builds a client in the desktop style (WinMain), one in C++
// with its own main, an example and a client written from the reference
// alone, each into a folder that a plain static web server serves; each
// runs in headless Chromium. A pkg-config build with the installed compiler
// links too. draxo-webcc's arguments are checked against a stand-in
// compiler that writes down what it is given.
import {after, before, describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {chmodSync, cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {serve, launch, openPage, windowCanvas, clickPixel, waitForLog, poll, canvasPixels, pixelOf} from './web_lib.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.resolve(here, '..', '..');
const build = process.env.DRAXO_WEB_BUILD;
let scratch, prefix, site, server, chrome;

function webcc(...args) {
  execFileSync(path.join(prefix, 'bin', 'draxo-webcc'), args, {cwd: scratch, stdio: ['ignore', 'pipe', 'pipe'],
                                                              timeout: 240000});
}

before(async () => {
  scratch = mkdtempSync(path.join(tmpdir(), 'draxo-webcc-'));
  prefix = path.join(scratch, 'prefix');
  site = path.join(scratch, 'site');
  execFileSync('cmake', ['--install', build, '--prefix', prefix], {stdio: 'ignore'});
  webcc(path.join(source, 'tests/install/client/client_winmain.c'), '-o', path.join(site, 'c_client'));
  webcc(path.join(source, 'tests/install/client/client_main.cpp'), '-o', path.join(site, 'cpp_client'));
  // The clock takes its fonts from a folder the site's pages share.
  cpSync(path.join(prefix, 'share/draxo/web/fonts'), path.join(site, 'fonts'), {recursive: true});
  webcc(path.join(source, 'examples/clock.c'), '-lm', '-O1', '--fonts', '../fonts', '-o', path.join(site, 'clock'));
  webcc(path.join(here, 'reference_client.c'), '-o', path.join(site, 'reference'));
  server = await serve(site);
  chrome = await launch();
});
after(async () => {
  await chrome?.stop();
  server?.stop();
  if (scratch) rmSync(scratch, {recursive: true, force: true});
});

describe('the installed package', () => {
  test('installs the header, the library, the runtime, the wrapper and its compiler, the designer\'s page', () => {
    for (const file of ['include/draxo.h', 'lib/libdraxo.a', 'lib/libdraxo_main.a', 'lib/pkgconfig/draxo.pc',
                        'bin/draxo-webcc', 'share/draxo/web/runtime/runtime.mjs', 'share/draxo/web/page.html',
                        'share/draxo/web/toolchain/bin/draxo-wasi-clang',
                        'share/draxo/web/playground/toolchain/clang/bundle.js',
                        'share/draxo/web/fonts/LiberationSans-Regular.ttf',
                        'share/draxo/web/card-designer/index.html',
                        'share/draxo/web/card-designer/card-designer.wasm'])
      assert.ok(existsSync(path.join(prefix, file)), file);
    // The designer's page takes the fonts beside it, share/draxo/web/fonts;
    // so does the clock, built with --fonts.
    for (const file of ['share/draxo/web/card-designer/fonts', 'site/clock/fonts'])
      assert.ok(!existsSync(path.join(file.startsWith('site/') ? scratch : prefix, file)), file);
    // draxo-run starts processes, which no page can: it is the desktop's.
    for (const file of ['bin/draxo-run.js', 'bin/draxo-run.wasm', 'share/man/man1/draxo-run.1.gz'])
      assert.ok(!existsSync(path.join(prefix, file)), file);
    for (const file of ['c_client/index.html', 'c_client/client_winmain.wasm', 'c_client/runtime/runtime.mjs',
                        'c_client/fonts/LiberationSans-Bold.ttf'])
      assert.ok(existsSync(path.join(site, file)), file);
  });

  test('a client in the desktop style gets its command line from the page\'s address', async () => {
    const page = await openPage(chrome.browser, server.url + 'c_client/index.html?arg=hello&arg=world');
    assert.equal(await waitForLog(page, /^c client: /), 'c client: hello world');
    await poll('the end of the program', () => page.evaluate(() => !!document.querySelector('.draxo-ended')));
    await page.close();
  });

  test('a C++ client with its own main', async () => {
    const page = await openPage(chrome.browser, server.url + 'cpp_client/index.html');
    assert.equal(await waitForLog(page, /^cpp client: /), 'cpp client: 11');
    await page.close();
  });

  test('an example: the clock draws its face, in the fonts its site\'s pages share', async () => {
    const page = await openPage(chrome.browser, server.url + 'clock/index.html');
    await windowCanvas(page, 'DRAXO Graphics');
    // The page's folder has no fonts (checked above): the program's worker
    // read them from the shared folder, or it would have said so.
    assert.deepEqual(page.log.filter((l) => /DRAXO: the font/.test(l)), []);
    await poll('the clock face', async () => {
      const frame = await canvasPixels(page, 'DRAXO Graphics');
      let drawn = 0;
      for (let i = 0; i < frame.data.length; i += 4) if (frame.data[i] + frame.data[i + 1] + frame.data[i + 2] < 600) ++drawn;
      return drawn > 500;
    });
    await page.close();
  });

  test('a client written from the reference alone draws, takes clicks and stops at a key', async () => {
    const page = await openPage(chrome.browser, server.url + 'reference/index.html');
    const canvas = await windowCanvas(page, 'DRAXO Graphics');
    await poll('the red circle', async () => pixelOf(await canvasPixels(page, 'DRAXO Graphics'), 300, 270).join() === '255,0,0');
    assert.deepEqual(pixelOf(await canvasPixels(page, 'DRAXO Graphics'), 125, 95), [0, 0, 255]);
    await clickPixel(page, canvas, 310, 250);
    assert.equal(await waitForLog(page, /^clicked at /), 'clicked at 10, 20');
    await page.keyboard.type('x');
    await waitForLog(page, /^stopped$/);
    await page.close();
  });

  test('pkg-config gives what a program for the web is built with', () => {
    const env = {...process.env, PKG_CONFIG_PATH: path.join(prefix, 'lib', 'pkgconfig')};
    const flags = execFileSync('pkg-config', ['--cflags', '--libs', 'draxo'], {env}).toString().trim().split(/\s+/);
    const compiler = path.join(prefix, 'share/draxo/web/toolchain/bin/draxo-wasi-clang++');
    execFileSync(compiler, ['--target=wasm32-wasip1', path.join(source, 'tests/install/client/client_main.cpp'),
                            ...flags, '-o', path.join(scratch, 'pc_client.wasm')], {env, stdio: 'ignore', timeout: 240000});
    assert.ok(readFileSync(path.join(scratch, 'pc_client.wasm')).subarray(0, 4).equals(Buffer.from('\0asm')));
  });
});

describe('draxo-webcc\'s arguments', () => {
  // A compiler that writes down its arguments, one JSON line a call, and
  // makes the file it is asked for (an empty WebAssembly module).
  function standIn() {
    const dir = path.join(scratch, 'stand-in');
    mkdirSync(dir, {recursive: true});
    const log = path.join(dir, 'calls');
    const script = `#!${process.execPath}
const fs = require('node:fs');
const args = process.argv.slice(2);
fs.appendFileSync(process.env.STAND_IN_LOG, JSON.stringify(args) + '\\n');
fs.writeFileSync(args[args.indexOf('-o') + 1], Buffer.from([0, 97, 115, 109, 1, 0, 0, 0]));
`;
    for (const name of ['cc', 'c++']) {
      writeFileSync(path.join(dir, name), script);
      chmodSync(path.join(dir, name), 0o755);
    }
    return {env: {...process.env, DRAXO_WEBCC_CC: path.join(dir, 'cc'), DRAXO_WEBCC_CXX: path.join(dir, 'c++'),
                  STAND_IN_LOG: log},
            calls: () => readFileSync(log, 'utf8').trim().split('\n').map((l) => JSON.parse(l)),
            reset: () => rmSync(log, {force: true})};
  }
  function run(compiler, ...args) {
    compiler.reset();
    return execFileSync(path.join(prefix, 'bin', 'draxo-webcc'), args,
                        {cwd: scratch, env: compiler.env, stdio: ['ignore', 'pipe', 'pipe'], timeout: 60000});
  }
  const compiled = (calls) => calls.filter((c) => c.includes('-c')).map((c) => c[c.indexOf('-c') + 1]);
  const linked = (calls) => calls.find((c) => !c.includes('-c'));

  test('an option\'s value is no file, and after -- every argument is a file, one starting with - too', () => {
    const compiler = standIn();
    run(compiler, 'main.c', '-DLABEL=name.c', '-D', 'OTHER=b.cpp', '-I', 'headers.c', '-std=c11', '-Wl,-z,nodelete',
        '-o', 'out1', '--', '-x.c', '-more.o');
    let calls = compiler.calls();
    assert.deepEqual(compiled(calls), ['main.c', './-x.c']);
    for (const call of calls.filter((c) => c.includes('-c'))) {
      for (const flag of ['-DLABEL=name.c', '-std=c11']) assert.ok(call.includes(flag), `${flag} in ${call}`);
      assert.deepEqual(call.slice(call.indexOf('-D'), call.indexOf('-D') + 4), ['-D', 'OTHER=b.cpp', '-I', 'headers.c']);
      assert.ok(!call.includes('-Wl,-z,nodelete'), call.join(' '));
    }
    const link = linked(calls);
    assert.ok(link.includes('./-more.o') && link.includes('-Wl,-z,nodelete') && !link.includes('-std=c11'), link.join(' '));
    assert.match(link.at(-1), /\/main\.wasm$/);
    assert.ok(existsSync(path.join(scratch, 'out1', 'main.wasm')));

    // The program's name comes from a file whose name starts with -.
    run(compiler, '-o', 'out2', '--', '-x.c');
    calls = compiler.calls();
    assert.deepEqual(compiled(calls), ['./-x.c']);
    assert.match(linked(calls).at(-1), /\/-x\.wasm$/);
    assert.ok(existsSync(path.join(scratch, 'out2', '-x.wasm')));
    assert.match(readFileSync(path.join(scratch, 'out2', 'index.html'), 'utf8'), /wasm: '-x\.wasm'/);
  });

  test('a file that is neither a source nor an object is refused, and so is a missing option value', () => {
    const compiler = standIn();
    for (const [args, message] of [
      [['main.c', 'notes.txt', '-o', 'out3'], /draxo-webcc: notes\.txt: not a C or C\+\+ source/],
      [['main.c', '-o', 'out3', '-I'], /usage: draxo-webcc/],
    ]) {
      assert.throws(() => run(compiler, ...args), (e) => e.status === 2 && message.test(e.stderr.toString()), args.join(' '));
      assert.ok(!existsSync(compiler.env.STAND_IN_LOG), `${args.join(' ')}: the compiler ran`);
    }
  });

  test('asked for help, it says how it is used and succeeds, compiling nothing', () => {
    const compiler = standIn();
    for (const flag of ['--help', '-h']) {
      const text = run(compiler, 'main.c', flag).toString();
      assert.match(text, /^usage: draxo-webcc SOURCE\.\.\./);
      assert.match(text, /-o DIR/);
      assert.ok(!existsSync(compiler.env.STAND_IN_LOG), `${flag}: the compiler ran`);
    }
  });
});
