// The playground site (web/playground/): its share links and the reading of
// the compiler's messages on their own, then the site as build.mjs makes it,
// served by a plain static server and driven in headless Chromium: the
// compiler's messages placed in the program, the compiled program handed to
// the runtime and stopped, share links that round-trip and never run, a
// reload that keeps the program, the examples, and broken links that change
// nothing.
//
// The toolchain comes from DRAXO_PLAYGROUND_TOOLCHAIN (an npm folder with
// @yowasp/clang and binaryen in its node_modules; web/toolchain/ by default),
// the package built for wasm32-wasip1 from DRAXO_WASI_SYSROOT. The tests of
// the page's hand-over to the runtime build a site of their own whose
// runtime.mjs is a STAND-IN (playground_stand_in/): it records what the page
// gave it and ends a run with the status a test chooses, which the real
// runtime cannot show. The playground the build made
// (DRAXO_PLAYGROUND_WEB: <build>/web, with playground/ and fonts/) runs
// programs with the package and the real runtime: a picture equal to the
// Linux build's (DRAXO_HOST_SHAPES_AND_TEXT), Stop of a busy loop, the input
// dialog and UTF-8 output.
import assert from 'node:assert/strict';
import {execFileSync, spawnSync} from 'node:child_process';
import {cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {createServer, connect} from 'node:net';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {fileURLToPath} from 'node:url';
import {gzipSync} from 'node:zlib';

import {parseDiagnostics, textColumn} from '../../web/playground/diagnostics.mjs';
import {resourcesForC} from '../../web/playground/resources_for_c.mjs';
import {MAX_PROGRAM_BYTES, ShareLinkError, codeOfFragment, decodeProgram, encodeProgram, shareAddress}
  from '../../web/playground/share_link.mjs';
import {canvasPixels, launch, playgroundHelpers, poll, readPng, serve} from './web_lib.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const toolchain = path.resolve(process.env.DRAXO_PLAYGROUND_TOOLCHAIN || path.join(root, 'web/toolchain'));
const sysroot = process.env.DRAXO_WASI_SYSROOT;

describe('share links', () => {
  test('a program round-trips through a link, non-ASCII text, tabs and all', async () => {
    const program = '/* Grüße, 你好 */\n#include "draxo.h"\n\tint x = 1; // ✓\n';
    const code = await encodeProgram(program);
    assert.match(code, /^[A-Za-z0-9_-]+$/);
    const address = shareAddress('http://host/site/playground/?x=1#old', code);
    assert.equal(address, `http://host/site/playground/?x=1#code=${code}`);
    assert.equal(codeOfFragment(new URL(address).hash), code);
    assert.equal(await decodeProgram(code), program);
    assert.equal(await decodeProgram(await encodeProgram('')), '');
  });

  test('a fragment with no code is no link', () => {
    assert.equal(codeOfFragment(''), null);
    assert.equal(codeOfFragment('#section'), null);
    assert.equal(codeOfFragment('#code='), '');
  });

  test('a broken link is refused with its reason', async () => {
    const good = await encodeProgram('int main(void) { return 0; }\n'.repeat(20));
    const notUtf8 = await (async () => {
      const packed = new Blob([new Uint8Array([0x66, 0xff, 0xfe])]).stream().pipeThrough(new CompressionStream('deflate-raw'));
      return Buffer.from(await new Response(packed).arrayBuffer()).toString('base64url');
    })();
    const bomb = await (async () => {
      const packed = new Blob([new Uint8Array(MAX_PROGRAM_BYTES + 1)]).stream().pipeThrough(new CompressionStream('deflate-raw'));
      return Buffer.from(await new Response(packed).arrayBuffer()).toString('base64url');
    })();
    for (const [code, reason] of [
      ['a+b/c', /not base64url/], ['abcde', /not base64url/], ['', /does not unpack/],
      [good.slice(0, (good.length >> 3) * 4), /does not unpack/], ['AAAAAAAA', /does not unpack/],
      [notUtf8, /not UTF-8/], [bomb, /larger than 1 MB/],
    ]) {
      await assert.rejects(decodeProgram(code), (e) => e instanceof ShareLinkError && reason.test(e.message), code);
    }
  });
});

describe("the compiler's messages", () => {
  test('placed messages with their notes, unplaced ones, and no excerpts or counts', () => {
    const output = [
      "prog.c:2:7: warning: unused variable 'unused' [-Wunused-variable]",
      '    2 |   int unused;',
      '      |       ^~~~~~',
      "prog.c:5:28: error: use of undeclared identifier 'y'",
      "/draxo/include/draxo.h:40:5: note: 'x' declared here",
      'prog.c:9:1: fatal error: expected \'}\'',
      'wasm-ld: error: /tmp/prog-62bf3f.o: undefined symbol: DRAXO_frob',
      'clang: error: linker command failed with exit code 1 (use -v to see invocation)',
      '1 warning and 3 errors generated.',
    ].join('\n');
    assert.deepEqual(parseDiagnostics(output), [
      {file: 'prog.c', line: 2, column: 7, severity: 'warning', message: "unused variable 'unused' [-Wunused-variable]",
       notes: []},
      {file: 'prog.c', line: 5, column: 28, severity: 'error', message: "use of undeclared identifier 'y'",
       notes: [{file: '/draxo/include/draxo.h', line: 40, column: 5, severity: 'note', message: "'x' declared here"}]},
      {file: 'prog.c', line: 9, column: 1, severity: 'error', message: "expected '}'", notes: []},
      {file: 'wasm-ld', line: null, column: null, severity: 'error', message: 'undefined symbol: DRAXO_frob', notes: []},
    ]);
    // Alone, clang's word on a failed link is the only one there is.
    assert.equal(parseDiagnostics('clang: error: linker command failed with exit code 1').length, 1);
  });

  test("clang's byte columns become the editor's columns past non-ASCII text", () => {
    assert.equal(textColumn('int x;', 5), 4);
    assert.equal(textColumn('"é" + y', 8), 6); // é is two bytes
    assert.equal(textColumn('"你" + y', 9), 6); // 你 is three
    assert.equal(textColumn('"😀" y', 8), 5); // 😀 is four bytes, two UTF-16 units
    assert.equal(textColumn('ab', 40), 2);
  });
});

describe("the compiler's resources cut to C's", () => {
  test('an entry goes with its long name or pax record, and what is kept is as it was', () => {
    const scratch = mkdtempSync(path.join(tmpdir(), 'draxo-resources-'));
    try {
      const long = `${'n'.repeat(120)}.h`;
      const files = {[`include/c++/v1/${long}`]: 'c++\n', [`include/wasm32-wasip1/sys/${long}`]: 'libc\n',
                     'include/stdint.h': 'stdint\n', 'include/xmmintrin.h': 'x86\n', [`share/libc++/v1/${long}`]: 'module\n'};
      for (const [file, text] of Object.entries(files)) {
        mkdirSync(path.dirname(path.join(scratch, 'in', file)), {recursive: true});
        writeFileSync(path.join(scratch, 'in', file), text);
      }
      for (const format of ['gnu', 'pax']) {
        const whole = path.join(scratch, `${format}.tar`);
        const cut = path.join(scratch, `${format}-cut.tar`);
        execFileSync('tar', [`--format=${format}`, '-cf', whole, '-C', path.join(scratch, 'in'), 'include', 'share']);
        writeFileSync(cut, resourcesForC(readFileSync(whole)).tar);
        const listed = execFileSync('tar', ['tf', cut], {encoding: 'utf8'}).split('\n').filter(Boolean).sort();
        assert.deepEqual(listed, ['include/', 'include/stdint.h', 'include/wasm32-wasip1/', 'include/wasm32-wasip1/sys/',
                                  `include/wasm32-wasip1/sys/${long}`, 'share/'], format);
        const out = path.join(scratch, `${format}-out`);
        mkdirSync(out);
        execFileSync('tar', ['xf', cut, '-C', out]);
        for (const file of ['include/stdint.h', `include/wasm32-wasip1/sys/${long}`]) {
          assert.equal(readFileSync(path.join(out, file), 'utf8'), files[file], `${format}: ${file}`);
        }
      }
    } finally {
      rmSync(scratch, {recursive: true, force: true});
    }
  });
});

// The site, built once for the browser tests.
const site = {};

function buildSite(out, extra = []) {
  return spawnSync(process.execPath, [path.join(root, 'web/playground/build.mjs'), '--out', out, '--toolchain', toolchain,
    '--sysroot', sysroot, '--runtime', site.runtime,
    '--examples', path.join(root, 'examples'), '--fonts', '../fonts/', ...extra], {encoding: 'utf8'});
}

// The static server over `root` behind a relay on a port of its own (an
// origin of its own, so a browser has kept nothing of it) that counts the
// bytes the server sends: what the browser fetched from the network. With
// `bytesPerSecond` the relay is a slow network.
async function countedServer(root, {bytesPerSecond = 0} = {}) {
  const server = await serve(root);
  const port = Number(new URL(server.url).port);
  const sockets = new Set();
  const counted = {bytes: 0};
  const relay = createServer((client) => {
    const upstream = connect(port, '127.0.0.1');
    for (const socket of [client, upstream]) {
      sockets.add(socket);
      socket.on('close', () => sockets.delete(socket));
      socket.on('error', () => { client.destroy(); upstream.destroy(); });
    }
    upstream.on('data', (data) => {
      counted.bytes += data.length;
      client.write(data);
      if (bytesPerSecond) {
        upstream.pause();
        setTimeout(() => upstream.resume(), (1000 * data.length) / bytesPerSecond);
      }
    });
    upstream.on('end', () => client.end());
    client.pipe(upstream);
  });
  await new Promise((resolve) => relay.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${relay.address().port}/`,
    counted,
    stop() {
      relay.close();
      for (const socket of sockets) socket.destroy();
      server.stop();
    },
  };
}

describe('the playground in the browser', {timeout: 600000}, () => {
  before(async () => {
    assert.ok(existsSync(path.join(toolchain, 'node_modules/@yowasp/clang')),
              `no toolchain in ${toolchain}: set DRAXO_PLAYGROUND_TOOLCHAIN to an npm folder with @yowasp/clang and binaryen`);
    assert.ok(sysroot && existsSync(path.join(sysroot, 'lib/libdraxo.a')),
              'no package built for wasm32-wasip1: set DRAXO_WASI_SYSROOT to its sysroot');
    site.temporary = mkdtempSync(path.join(tmpdir(), 'draxo-playground-'));
    // The runtime's folder with the stand-in's page side and worker.
    site.runtime = path.join(site.temporary, 'runtime');
    cpSync(path.join(root, 'package/window_system/web/runtime'), site.runtime, {recursive: true});
    cpSync(path.join(root, 'tests/web/playground_stand_in'), site.runtime, {recursive: true});
    site.folder = path.join(site.temporary, 'web/playground');
    const built = buildSite(site.folder);
    assert.equal(built.status, 0, built.stderr);
    // The site's fonts folder, beside the playground: a font the stand-in
    // runtime's worker fetches.
    mkdirSync(path.join(site.temporary, 'web/fonts'));
    writeFileSync(path.join(site.temporary, 'web/fonts/stand_in.ttf'), 'a font\n');
    site.server = await serve(path.join(site.temporary, 'web'));
    site.url = `${site.server.url}playground/`;
    site.chrome = await launch();
  });
  after(async () => {
    await site.chrome?.stop();
    site.server?.stop();
    if (site.temporary) rmSync(site.temporary, {recursive: true, force: true});
  });

  // Opens the playground, with nothing kept from another test unless `keep`.
  async function openPlayground(suffix = '', {keep = false} = {}) {
    const page = await site.chrome.browser.newPage();
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(e.message));
    if (!keep) {
      await page.goto(`${site.url}manifest.json`);
      await page.evaluate(() => localStorage.clear());
    }
    await page.goto(site.url + suffix, {waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    return page;
  }
  const {editorText, typeProgram, status, waitForStatus} = playgroundHelpers({statusTimeoutMs: 120000});

  test('the build lists every file it made and keeps the examples in order', () => {
    const manifest = JSON.parse(readFileSync(path.join(site.folder, 'manifest.json'), 'utf8'));
    for (const file of ['index.html', 'editor.js', 'playground.mjs', 'compiler_worker.mjs', 'toolchain/clang/bundle.js',
                        'toolchain/clang/llvm.core.wasm', 'toolchain/clang/llvm-resources.tar', 'toolchain/binaryen/index.js',
                        'runtime/runtime.mjs', 'runtime/program_flags.json', 'sysroot/include/draxo.h',
                        'sysroot/lib/libdraxo.a', 'examples/index.json', 'examples/star_catcher.c']) {
      assert.ok(manifest.files.includes(file), file);
      assert.ok(existsSync(path.join(site.folder, file)), file);
    }
    const examples = JSON.parse(readFileSync(path.join(site.folder, 'examples/index.json'), 'utf8'));
    assert.deepEqual(examples.find((e) => e.name === 'star_catcher'), {name: 'star_catcher', title: 'Star catcher',
                                                                        file: 'star_catcher.c'});
    assert.match(readFileSync(path.join(site.folder, 'index.html'), 'utf8'), /data-fonts="\.\.\/fonts\/"/);
  });

  test('a build without a folder it needs fails and says which', () => {
    const built = buildSite(path.join(site.temporary, 'other'), ['--sysroot', path.join(site.temporary, 'none')]);
    assert.notEqual(built.status, 0);
    assert.match(built.stderr, /--sysroot .*none is not a folder/);
  });

  test('a compile error is shown at its line, marked in the gutter, and a click goes there', async () => {
    const page = await openPlayground();
    await typeProgram(page, '#include <stdio.h>\n\nstatic int f(void) {\n    int unused;\n    return 1;\n}\n' +
                            'int main(void) {\n    printf("é%d", f() + missing);\n}\n');
    await page.click('#run');
    await waitForStatus(page, /did not compile: 1 error, 1 warning/);
    const messages = await page.$$eval('#messages button', (list) => list.map((b) => b.textContent));
    assert.deepEqual(messages, ["Line 4, column 9: warning: unused variable 'unused' [-Wunused-variable]",
                                "Line 8, column 26: error: use of undeclared identifier 'missing'"]);
    await poll('the gutter marks', () => page.$('.cm-lint-marker-error'));
    assert.ok(await page.$('.cm-lint-marker-warning'));
    await (await page.$$('#messages button'))[1].click();
    // Byte column 26 lies past the two bytes of é: the editor's column 25.
    assert.equal(await page.$eval('#cursor', (e) => e.textContent), 'Line 8, column 25');
    assert.ok(await page.evaluate(() => document.activeElement.classList.contains('cm-content')));
    assert.equal(await page.$eval('#stop', (b) => b.disabled), true);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  // The site's compiler has what C reads of its resources only: the
  // freestanding headers and the C library's must all be there.
  test("a program that includes every header of C's freestanding and hosted library compiles", async () => {
    const page = await openPlayground();
    const headers = ['float', 'iso646', 'limits', 'stdalign', 'stdarg', 'stdatomic', 'stdbool', 'stdckdint', 'stddef',
                     'stdint', 'stdnoreturn', 'inttypes', 'tgmath', 'wasm_simd128', 'assert', 'complex', 'ctype', 'errno',
                     'fenv', 'locale', 'math', 'stdio', 'stdlib', 'string', 'time', 'uchar', 'wchar', 'wctype'];
    await typeProgram(page, `${headers.map((h) => `#include <${h}.h>\n`).join('')}
static_assert(CHAR_BIT == 8 && INT32_MAX == 2147483647 && FLT_RADIX == 2, "");
int main(void) {
  atomic_int counter = 0;
  int product;
  bool overflow = ckd_mul(&product, INT_MAX, 2);
  printf("%" PRId32 " %d %zu\\n", (int32_t)atomic_load(&counter), overflow and true, offsetof(struct {char c; int i;}, i));
  return 0;
}
`);
    await page.click('#run');
    await waitForStatus(page, /^Running$/);
    assert.deepEqual(await page.$$eval('#messages button', (list) => list.map((b) => b.textContent)), []);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  // A new page that records every value the download's progress bar shows.
  async function pageWatchingProgress() {
    const page = await site.chrome.browser.newPage();
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(e.message));
    await page.evaluateOnNewDocument(() => {
      window.progressSeen = [];
      window.progressTimes = [];
      addEventListener('DOMContentLoaded', () => {
        const bar = document.getElementById('progress');
        new MutationObserver(() => {
          if (bar.closest('[hidden]')) return;
          window.progressSeen.push(bar.value);
          window.progressTimes.push(performance.now());
        }).observe(document.body, {attributes: true, subtree: true, attributeFilter: ['hidden', 'value']});
      });
    });
    return page;
  }

  async function compileAndRun(page, runs) {
    await typeProgram(page, 'int WinMain(void* a, void* b, char* c, int d) { return 0; }\n');
    await page.click('#run');
    await waitForStatus(page, /^Running$/);
    return poll('the runtime to have the program', () => page.evaluate((n) => window.standInRuns?.length === n &&
      window.standInRuns[n - 1].exports && window.standInRuns[n - 1], runs));
  }

  // The first visit over a slow network (its figures printed), a second
  // one, and one with the server gone. Replaces the test of the first
  // download's progress.
  test("the site is kept: the first download shows its progress, a second visit fetches next to nothing and shows none, and with the server gone the page compiles and runs", async (t) => {
    const server = await countedServer(path.join(site.temporary, 'web'), {bytesPerSecond: 40e6});
    const url = `${server.url}playground/`;
    try {
      const first = await pageWatchingProgress();
      await first.goto(url, {waitUntil: 'load'});
      await poll('the download to end', () => first.evaluate(() => window.progressSeen.includes(1) &&
        document.getElementById('loading').hidden), 120000);
      const seen = await first.evaluate(() => window.progressSeen);
      assert.ok(seen.every((v, i) => i === 0 || v >= seen[i - 1]), `${seen}`);
      // The bar moves as the bytes arrive through the service worker, not
      // all at once when a file is whole and kept.
      const times = await first.evaluate(() => window.progressTimes);
      const longestStill = Math.max(...times.slice(1).map((time, i) => time - times[i]));
      assert.ok(longestStill < (times.at(-1) - times[0]) / 4,
                `the bar stood still for ${longestStill} ms of ${times.at(-1) - times[0]}`);
      assert.match(await first.$eval('#loading-amount', (e) => e.textContent), /^100% of \d+ MB$/);
      assert.ok(await first.evaluate(() => navigator.serviceWorker.controller !== null));
      await compileAndRun(first, 1);
      // Binaryen too, fetched after the compiler was ready, for a visit in a
      // browser that needs it.
      const kept = await poll('the runtime, the font and binaryen kept', async () => {
        const urls = await first.evaluate(async () => {
          const all = [];
          for (const name of await caches.keys()) all.push(...(await (await caches.open(name)).keys()).map((r) => r.url));
          return all;
        });
        return urls.includes(`${server.url}fonts/stand_in.ttf`) && urls.includes(`${url}runtime/program_worker.mjs`) &&
          urls.includes(`${url}toolchain/binaryen/index.js`) && urls;
      });
      for (const file of ['', 'editor.js', 'compiler_worker.mjs', 'toolchain/clang/llvm.core.wasm',
                          'toolchain/binaryen/index.js', 'sysroot/lib/libdraxo.a', 'runtime/program_flags.json']) {
        assert.ok(kept.includes(url + file), file);
      }
      const firstBytes = server.counted.bytes;
      const gzipBytes = kept.reduce((sum, address) => {
        const file = path.join(site.temporary, 'web', new URL(address).pathname.replace(/\/$/, '/index.html'));
        return sum + gzipSync(readFileSync(file)).length;
      }, 0);
      // Without the browser's HTTP cache, what the second visit and the
      // visit offline do not fetch can only come from the service worker.
      const session = await first.createCDPSession();
      await session.send('Network.clearBrowserCache');
      await first.close();

      server.counted.bytes = 0;
      const second = await pageWatchingProgress();
      await second.goto(url, {waitUntil: 'load'});
      await poll('the editor', () => second.$('.cm-content'));
      const run = await compileAndRun(second, 1);
      assert.equal(run.fontBytes, 7);
      const secondBytes = server.counted.bytes;
      assert.ok(secondBytes < 1e6, `a second visit fetched ${secondBytes} bytes`);
      assert.deepEqual(await second.evaluate(() => window.progressSeen), []);
      t.diagnostic(`first visit: ${firstBytes} bytes fetched (${gzipBytes} gzipped); second visit: ${secondBytes}`);

      // No server at all: the page, the editor, the compiler, the sysroot,
      // the runtime's worker and its font all come from the keeping.
      server.stop();
      await assert.rejects(fetch(url));
      await (await second.createCDPSession()).send('Network.clearBrowserCache');
      await second.reload({waitUntil: 'load'});
      await poll('the editor', () => second.$('.cm-content'));
      const offline = await compileAndRun(second, 1);
      assert.equal(offline.fontBytes, 7);
      assert.deepEqual(await second.evaluate(() => window.progressSeen), []);
      // The playground under its other address, with a query, is the same page.
      await second.goto(`${url}index.html?from=elsewhere`, {waitUntil: 'load'});
      await poll('the editor', () => second.$('.cm-content'));
      // As a browser that cannot suspend a program itself: asyncified, with
      // the kept binaryen.
      await second.goto(`${url}?asyncify=1`, {waitUntil: 'load'});
      await poll('the editor', () => second.$('.cm-content'));
      assert.ok((await compileAndRun(second, 1)).exports.includes('asyncify_start_unwind'));
      // An example not opened before is there too: the site was kept whole.
      await poll('the examples', () => second.$('#examples-menu button'));
      await second.click('#examples');
      await (await second.$$('#examples-menu button'))[5].click();
      await waitForStatus(second, /Opened the example star_catcher.c/, 10000);
      assert.deepEqual([...first.errors, ...second.errors], []);
      await second.close();
    } finally {
      server.stop();
    }
  });

  test('without service workers the playground compiles and runs all the same, keeping nothing', async () => {
    const server = await countedServer(path.join(site.temporary, 'web'));
    try {
      const page = await pageWatchingProgress();
      await page.evaluateOnNewDocument(() => {
        Object.defineProperty(Navigator.prototype, 'serviceWorker', {get: () => undefined});
      });
      await page.goto(`${server.url}playground/`, {waitUntil: 'load'});
      await poll('the editor', () => page.$('.cm-content'));
      await compileAndRun(page, 1);
      assert.ok((await page.evaluate(() => window.progressSeen)).includes(1));
      assert.deepEqual(await page.evaluate(() => caches.keys()), []);
      assert.deepEqual(page.errors, []);
      await page.close();
    } finally {
      server.stop();
    }
  });

  // The versions build.mjs writes into the service worker of the site in `folder`.
  function keptVersions(folder) {
    const worker = readFileSync(path.join(folder, 'service_worker.js'), 'utf8');
    return {toolchain: /^const TOOLCHAIN = "(.+)";$/m.exec(worker)[1], site: /^const SITE = "([0-9a-f]+)";$/m.exec(worker)[1]};
  }

  test("a rebuild that changes the site but not the toolchain keeps the compiler's files in the browser", async (t) => {
    const folder = path.join(site.temporary, 'rebuilt/playground');
    let built = buildSite(folder);
    assert.equal(built.status, 0, built.stderr);
    const before = keptVersions(folder);
    // The site's version is its files' digest, wherever it is built.
    assert.deepEqual(before, keptVersions(site.folder));
    assert.match(before.toolchain, /^clang \S+, its resources for C [0-9a-f]{8}, binaryen \S+$/);

    const server = await countedServer(path.join(site.temporary, 'rebuilt'));
    const url = `${server.url}playground/`;
    try {
      const page = await pageWatchingProgress();
      await page.goto(url, {waitUntil: 'load'});
      await poll('the download to end', () => page.evaluate(() => window.progressSeen.includes(1) &&
        document.getElementById('loading').hidden), 120000);
      // Binaryen, fetched in the background once the compiler is loaded,
      // kept too: or the reload below, its compiler loaded from the keeping
      // in moments, fetches it again while the first copy is still coming.
      await poll('binaryen kept', () => page.evaluate(async (address) =>
        (await caches.match(address)) !== undefined, `${url}toolchain/binaryen/index.js`), 60000);

      built = buildSite(folder, ['--fonts', '../other-fonts/']);
      assert.equal(built.status, 0, built.stderr);
      const after = keptVersions(folder);
      assert.equal(after.toolchain, before.toolchain);
      assert.notEqual(after.site, before.site);

      server.counted.bytes = 0;
      await page.reload({waitUntil: 'load'});
      await poll("the new build's keeping, the toolchain's left as it was", async () => {
        const names = await page.evaluate(() => caches.keys());
        return names.sort().join('|') === [`draxo-playground-site ${after.site}`,
                                           `draxo-playground-toolchain ${before.toolchain}`].join('|');
      });
      await compileAndRun(page, 1);
      assert.deepEqual(await page.evaluate(() => window.progressSeen), []);
      t.diagnostic(`the visit after the rebuild fetched ${server.counted.bytes} bytes`);
      assert.ok(server.counted.bytes < 10e6, `${server.counted.bytes} bytes`);
      assert.deepEqual(page.errors, []);
      await page.close();
    } finally {
      server.stop();
    }
  });

  test('a program that compiles goes to the runtime, Asyncified where asked, and Stop and its end show on the status line', async () => {
    // In a browser that suspends a program itself, the program is not
    // asyncified: binaryen's 15 MB need not even be loaded.
    const plain = await openPlayground();
    await typeProgram(plain, 'int WinMain(void* a, void* b, char* c, int d) { return 0; }\n');
    await plain.click('#run');
    const exports = await poll('the runtime to have the program', () => plain.evaluate(() => window.standInRuns?.[0]?.exports));
    assert.ok(exports.includes('_start') && !exports.includes('asyncify_start_unwind'), `${exports}`);
    await plain.close();

    const page = await openPlayground('?asyncify=1');
    await typeProgram(page, '#include <stdio.h>\nint WinMain(void* a, void* b, char* c, int d) {\n' +
                            '    printf("hi\\n");\n    return 0;\n}\n');
    await page.click('#run');
    await waitForStatus(page, /^Running$/);
    const run = await poll('the runtime to have the program', () => page.evaluate(() => window.standInRuns?.[0]?.exports &&
      window.standInRuns[0]));
    for (const name of ['memory', '_start', 'draxo_web_menu_bar_key', 'asyncify_start_unwind', 'asyncify_stop_rewind']) {
      assert.ok(run.exports.includes(name), name);
    }
    assert.equal(run.programName, 'program');
    assert.equal(run.storage, 'draxo-playground /playground/');
    assert.equal(run.fontsUrl, `${site.server.url}fonts/`);
    await poll('the output', () => page.$eval('#output', (e) => e.textContent.includes('the program compiled')));
    assert.ok(await page.$('#program .draxo-window[data-title="program"]'));
    await page.click('#stop');
    await waitForStatus(page, /^Stopped$/, 10000);
    assert.equal(await page.evaluate(() => window.standInRuns[0].stopped), true);
    assert.equal(await page.$eval('#stop', (b) => b.disabled), true);

    await page.click('#run');
    await poll('the second run', () => page.evaluate(() => window.standInRuns.length === 2));
    await page.evaluate(() => window.standInRuns[1].end(3));
    await waitForStatus(page, /^Ended with status 3$/, 10000);
    assert.equal(await page.$$eval('#program .draxo-window', (l) => l.length), 1);

    // Stopped while compiling, the program never starts: the next Run's
    // program is the only one the runtime gets.
    await page.click('#run');
    await page.click('#stop');
    await waitForStatus(page, /^Stopped before the program ran$/, 10000);
    await page.click('#run');
    await waitForStatus(page, /^Running$/);
    await poll('the runtime to have the program', () => page.evaluate(() => window.standInRuns[2]?.exports));
    assert.equal(await page.evaluate(() => window.standInRuns.length), 3);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('a share link round-trips and opens without running, in a new tab or the same one', async () => {
    const program = '/* shared */\nint WinMain(void* a, void* b, char* c, int d) { return 7; }\n';
    const sharer = await openPlayground();
    await typeProgram(sharer, program);
    await sharer.click('#share');
    const link = await poll('the share link', () => sharer.$eval('#share-link', (e) => e.value));
    assert.ok(link.startsWith(`${site.url}#code=`), link);
    await typeProgram(sharer, 'int mine;\n');
    await poll('the program kept', () => sharer.evaluate(() => Object.values(localStorage).includes('int mine;\n')));

    for (const page of [await openPlayground(link.slice(site.url.length), {keep: true}), sharer]) {
      if (page === sharer) await page.goto(link, {waitUntil: 'load'}); // the address changes only its fragment
      await waitForStatus(page, /Opened the program from the link. Press Run/, 10000);
      assert.equal(await editorText(page), program);
      assert.equal(await page.evaluate(() => location.hash), '');
      assert.equal(await page.evaluate(() => window.standInRuns), undefined);
      assert.equal(await page.$eval('#stop', (b) => b.disabled), true);
      // Undo brings back the program the editor had before, and only it.
      await page.click('.cm-content');
      await page.keyboard.down('Control');
      await page.keyboard.press('z');
      await page.keyboard.up('Control');
      await poll('the program from before', async () => (await editorText(page)) === 'int mine;\n');
      assert.deepEqual(page.errors, []);
      await page.close();
    }
  });

  test("a share link never loses the student's own program: it is kept apart, past a reload and a second link, and brought back", async () => {
    const theirs = await encodeProgram('int theirs;\n');
    const another = await encodeProgram('int another;\n');
    const note = (page) => page.$eval('#earlier-note', (e) => (e.hidden ? null : e.textContent.replace(/\s+/g, ' ').trim()));
    const page = await openPlayground();
    await typeProgram(page, 'int mine;\n');
    await poll('the program kept', () => page.evaluate(() => Object.values(localStorage).includes('int mine;\n')));
    assert.equal(await note(page), null);

    await page.goto(`${site.url}#code=${theirs}`, {waitUntil: 'load'});
    await poll("the link's program", async () => (await editorText(page)) === 'int theirs;\n');
    assert.equal(await note(page), 'Your earlier program is kept: Bring it back Forget it');
    // A second link replaces the first link's program, which is not the
    // student's: the student's stays kept, in the same tab or a new one.
    const other = await openPlayground(`#code=${another}`, {keep: true});
    await poll("the second link's program", async () => (await editorText(other)) === 'int another;\n');
    await other.close();
    await page.reload({waitUntil: 'load'});
    await poll('the note', async () => (await note(page))?.startsWith('Your earlier program is kept'));
    assert.equal(await editorText(page), 'int another;\n');

    await page.click('#earlier-back');
    await poll('the earlier program', async () => (await editorText(page)) === 'int mine;\n');
    await waitForStatus(page, /^Brought back your earlier program/, 10000);
    assert.equal(await note(page), null);
    await page.reload({waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    assert.equal(await editorText(page), 'int mine;\n');
    assert.equal(await note(page), null);

    // Changed since it came, a link's program is the student's too: bringing
    // back the earlier one keeps it in turn; Forget it lets it go.
    await page.goto(`${site.url}#code=${theirs}`, {waitUntil: 'load'});
    await poll("the link's program", async () => (await editorText(page)) === 'int theirs;\n');
    await typeProgram(page, 'int theirs_changed;\n');
    await page.click('#earlier-back');
    await poll('the earlier program', async () => (await editorText(page)) === 'int mine;\n');
    assert.match(await note(page), /^Your earlier program is kept/);
    await page.click('#earlier-back');
    await poll('the changed program', async () => (await editorText(page)) === 'int theirs_changed;\n');
    await page.click('#earlier-forget');
    assert.equal(await note(page), null);
    assert.equal(await page.evaluate(() => Object.keys(localStorage).some((k) => k.startsWith('draxo-playground-earlier:'))),
                 false);

    // Nothing of the student's to keep: the link's own program already in
    // the editor, or the starter.
    const same = await encodeProgram('int theirs_changed;\n');
    for (const [suffix, keep] of [[`#code=${same}`, true], [`#code=${theirs}`, false]]) {
      const fresh = await openPlayground(suffix, {keep});
      await waitForStatus(fresh, /Opened the program from the link/, 10000);
      assert.equal(await note(fresh), null);
      assert.deepEqual(fresh.errors, []);
      await fresh.close();
    }
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('a reload keeps the program, typed just before it', async () => {
    const page = await openPlayground();
    await typeProgram(page, 'int kept = 1;\n');
    await page.keyboard.type('int typed;');
    await page.reload({waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    assert.equal(await editorText(page), 'int kept = 1;\nint typed;');
    // The same playground, named by its index.html.
    await page.goto(`${site.url}index.html`, {waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    assert.equal(await editorText(page), 'int kept = 1;\nint typed;');
    await page.close();
  });

  test('Examples loads an example, by mouse and by keyboard', async () => {
    const page = await openPlayground();
    await poll('the examples menu', () => page.$('#examples-menu button'));
    await page.click('#examples');
    const titles = await page.$$eval('#examples-menu button', (list) => list.map((b) => b.textContent));
    assert.deepEqual(titles, ['Bouncing ball', 'Clock', 'Guessing game', 'Scribble', 'Sketch pad', 'Star catcher']);
    await (await page.$$('#examples-menu button'))[5].click();
    await waitForStatus(page, /Opened the example star_catcher.c/, 10000);
    assert.equal(await editorText(page), readFileSync(path.join(root, 'examples/star_catcher.c'), 'utf8'));
    assert.equal(await page.$eval('#examples-menu', (e) => e.hidden), true);

    await page.focus('#examples');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    await waitForStatus(page, /Opened the example clock.c/, 10000);
    assert.equal(await editorText(page), readFileSync(path.join(root, 'examples/clock.c'), 'utf8'));
    await page.close();
  });

  test('Open takes a .c file from the disk, Download saves it under its name, and a file not UTF-8 is refused', async () => {
    const page = await openPlayground();
    const folder = path.join(site.temporary, 'disk');
    mkdirSync(folder, {recursive: true});
    const program = '/* Grüße */\nint WinMain(void* a, void* b, char* c, int d) { return 0; }\n';
    writeFileSync(path.join(folder, 'my_sketch.c'), program);
    writeFileSync(path.join(folder, 'latin1.c'), Buffer.from([0x2f, 0x2a, 0xe9, 0x2a, 0x2f, 0x0a]));
    const open = async (name) => {
      const [chooser] = await Promise.all([page.waitForFileChooser({timeout: 10000}), page.click('#open')]);
      await chooser.accept([path.join(folder, name)]);
    };
    await open('my_sketch.c');
    await waitForStatus(page, /^Opened my_sketch.c/, 10000);
    assert.equal(await editorText(page), program);

    const downloads = path.join(site.temporary, 'downloads');
    mkdirSync(downloads, {recursive: true});
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
    await page.click('#download');
    await poll('the download', () => existsSync(path.join(downloads, 'my_sketch.c')) &&
      readFileSync(path.join(downloads, 'my_sketch.c'), 'utf8') === program, 20000);

    await open('latin1.c');
    await waitForStatus(page, /^latin1.c is not UTF-8 text: not opened/, 10000);
    assert.equal(await editorText(page), program);
    await page.close();
  });

  test('a malformed share link says so and leaves the editor as it was, in a new tab or the same one', async () => {
    const page = await openPlayground();
    await typeProgram(page, 'int mine = 2;\n');
    await poll('the program kept', () => page.evaluate(() => Object.values(localStorage).includes('int mine = 2;\n')));
    const good = await encodeProgram('int theirs;\n');
    for (const [fragment, reason] of [['#code=%%%', /not base64url/], [`#code=${good.slice(0, 4)}`, /does not unpack/]]) {
      const fresh = await openPlayground(fragment, {keep: true});
      await page.goto(site.url + fragment, {waitUntil: 'load'});
      for (const tab of [fresh, page]) {
        await waitForStatus(tab, /The link's program could not be opened/, 10000);
        assert.match(await status(tab), reason);
        assert.equal(await editorText(tab), 'int mine = 2;\n');
        assert.deepEqual(tab.errors, []);
      }
      await fresh.close();
    }
    await page.close();
  });
});

// The playground as the build made it, with the package and the runtime.
const builtWeb = process.env.DRAXO_PLAYGROUND_WEB;
const linuxShapesAndText = process.env.DRAXO_HOST_SHAPES_AND_TEXT;
describe('programs run in the playground the build made', {timeout: 600000,
  skip: !builtWeb && 'no playground built (DRAXO_PLAYGROUND_WEB)'}, () => {
  const built = {};
  before(async () => {
    built.server = await serve(builtWeb);
    built.chrome = await launch();
  });
  after(async () => {
    await built.chrome?.stop();
    built.server?.stop();
  });

  async function open() {
    const page = await built.chrome.browser.newPage();
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(e.message));
    await page.goto(`${built.server.url}playground/`, {waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    return page;
  }
  async function run(page, program) {
    await page.click('.cm-content');
    await page.keyboard.down('Control');
    await page.keyboard.press('a');
    await page.keyboard.up('Control');
    await page.keyboard.sendCharacter(program);
    await page.click('#run');
    await poll('the program to run', () => page.$eval('#status', (e) => e.textContent === 'Running'), 120000);
  }
  const output = (page) => page.$eval('#output', (e) => e.textContent);
  const {editorText} = playgroundHelpers({statusTimeoutMs: 120000});

  test("a program's shapes and text: its canvas is the Linux build's frame of it, but for the text's own pixels",
    {skip: !linuxShapesAndText && 'no Linux build of the program (DRAXO_HOST_SHAPES_AND_TEXT)'}, async () => {
      const page = await open();
      await run(page, readFileSync(path.join(root, 'tests/web/playground/shapes_and_text.c'), 'utf8'));
      const red = (frame) => {
        let n = 0;
        for (let i = 0; i < frame.data.length; i += 4) if (frame.data[i] > 200 && frame.data[i + 1] < 80) ++n;
        return n;
      };
      const frame = await poll('the circle drawn', async () => {
        const pixels = await canvasPixels(page, 'DRAXO Graphics');
        return red(pixels) > 5000 && pixels;
      }, 30000);
      const scratch = mkdtempSync(path.join(tmpdir(), 'draxo-linux-frame-'));
      try {
        writeFileSync(path.join(scratch, 'empty.scr'), '');
        execFileSync(linuxShapesAndText, [], {timeout: 60000, cwd: scratch,
          env: {...process.env, QT_QPA_PLATFORM: 'offscreen', DRAXO_SCRIPT: 'empty.scr', DRAXO_PICTURE: 'linux.png'}});
        const linux = readPng(readFileSync(path.join(scratch, 'linux.png')));
        assert.equal(linux.width, frame.width);
        // The Linux client area is lower by the menu bar's height; the
        // package's origin is at the middle of each. Text is drawn by Qt on
        // Linux and by the package's own rasteriser in the browser: only the
        // rows of the text (y 180, 20 high) may differ.
        const shift = (frame.height >> 1) - (linux.height >> 1);
        const textRows = (y) => y >= (linux.height >> 1) - 220 && y <= (linux.height >> 1) - 140;
        // The Linux picture's one-pixel black edge does not fall at the same
        // place of the browser's taller canvas: the pixels inside it are
        // compared.
        const differing = new Set();
        let textInk = 0;
        for (let y = 1; y < linux.height - 1; ++y)
          for (let x = 1; x < linux.width - 1; ++x) {
            const i = (y * linux.width + x) * 3, j = ((y + shift) * frame.width + x) * 4;
            if (linux.rgb[i] !== frame.data[j] || linux.rgb[i + 1] !== frame.data[j + 1] ||
                linux.rgb[i + 2] !== frame.data[j + 2]) {
              differing.add(y);
            }
            if (textRows(y) && frame.data[j] + frame.data[j + 1] + frame.data[j + 2] < 200) ++textInk;
          }
        assert.deepEqual([...differing].filter((y) => !textRows(y)), [], 'rows outside the text differ');
        assert.ok(textInk > 100, `the text drew ${textInk} dark pixels`);
      } finally {
        rmSync(scratch, {recursive: true, force: true});
      }
      assert.deepEqual(page.errors, []);
      await page.close();
    });

  test('Stop ends a busy loop within a second; the page answers all along and the program is kept', async () => {
    const page = await open();
    const program = '#include <stdio.h>\n#include "draxo.h"\n\nint WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {\n' +
      '    (void)i; (void)p; (void)c; (void)s;\n    printf("busy\\n");\n    fflush(stdout);\n    for (;;);\n}\n';
    await run(page, program);
    await poll('the busy loop', async () => (await output(page)).includes('busy'), 30000);
    const asked = Date.now();
    assert.equal(await page.evaluate(() => 6 * 7), 42);
    assert.ok(Date.now() - asked < 1000, `the page took ${Date.now() - asked} ms to answer`);
    const stopped = Date.now();
    await page.click('#stop');
    await poll('the program stopped', () => page.$eval('#status', (e) => e.textContent === 'Stopped'), 1000, 20);
    assert.ok(Date.now() - stopped < 1000, `Stop took ${Date.now() - stopped} ms`);
    assert.equal(await editorText(page), program);
    assert.equal(await page.$eval('#run', (b) => b.disabled), false);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test("a program asks with the input dialog and prints the answer's UTF-8 text", async () => {
    const page = await open();
    await run(page, '#include <stdio.h>\n#include "draxo.h"\n\n' +
      'int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {\n    char name[80];\n' +
      '    DRAXO_start(i, p, c, s);\n    DRAXO_set_input_encoding(DRAXO_UTF8);\n    DRAXO_gets("Your name?", name);\n' +
      '    printf("Grüße, %s! 你好\\n", name);\n    DRAXO_stop();\n    return 0;\n}\n');
    await poll('the dialog', () => page.evaluate(() => {
      const backdrop = document.querySelector('.draxo-backdrop');
      return backdrop && !backdrop.hidden;
    }), 30000);
    await page.keyboard.type('Zoë');
    await page.keyboard.press('Enter');
    await poll('the greeting', async () => (await output(page)).includes('Grüße, Zoë! 你好\n') ||
      console.log(await output(page), await page.$eval('#status', (e) => e.textContent)), 30000);
    await poll('the end', () => page.$eval('#status', (e) => e.textContent === 'Ended with status 0'), 30000);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});
