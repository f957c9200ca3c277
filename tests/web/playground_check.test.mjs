// The playground's Check against a teacher's assignment: an assignment made
// by the Linux build's draxo-run (--make-assignment) from a solution and a
// script, published beside the playground on the same site, and the
// playground opened on it in headless Chromium: the title and the starter,
// the student's program kept for that assignment alone, a right program
// that passes (so its picture is the one draxo-run kept on Linux, pixel for
// pixel), a wrong one with its difference marked, one that never ends
// reported as draxo-run reports it, one that lingers after the script's
// quit, and folders that are no assignment.
//
//   DRAXO_RUN                  the Linux build's draxo-run (build/runner/draxo-run)
//   DRAXO_ASSIGNMENT_SOLUTION  the solution built for Linux
//                              (build/tests/assignment_solution, from assignment_solution.c)
//   DRAXO_PLAYGROUND_SYSROOT   the package built for the new runtime: include/draxo.h,
//                              lib/libdraxo.a (build-web/web/draxo-sysroot)
//   DRAXO_PLAYGROUND_TOOLCHAIN the npm folder with @yowasp/clang and binaryen (web/toolchain)
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import {cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {fileURLToPath} from 'node:url';

import {launch, playgroundHelpers, poll, serve} from './web_lib.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const fromRoot = (value, fallback) => path.resolve(root, value || fallback);
const toolchain = fromRoot(process.env.DRAXO_PLAYGROUND_TOOLCHAIN, 'web/toolchain');
const sysroot = fromRoot(process.env.DRAXO_PLAYGROUND_SYSROOT, 'build-web/web/draxo-sysroot');
const draxoRun = fromRoot(process.env.DRAXO_RUN, 'build/runner/draxo-run');
const solution = fromRoot(process.env.DRAXO_ASSIGNMENT_SOLUTION, 'build/tests/assignment_solution');

const SOLUTION_SOURCE = readFileSync(path.join(root, 'tests/web/assignment_solution.c'), 'utf8');
const STARTER = '/* Draw a disc at every click. */\n#include "draxo.h"\n';
const SCRIPT = 'DRAXO_KBD(114);\nDRAXO_MOUSE(-100, 50);\nDRAXO_KBD(98);\nDRAXO_MOUSE(60, -40);\nDRAXO_MOUSE(0, 0);\n';
const TIMEOUT_SECONDS = 4;

const site = {};

describe('the playground checks a program against an assignment', {timeout: 900000}, () => {
  before(async () => {
    for (const [what, file] of [['the toolchain', path.join(toolchain, 'node_modules/@yowasp/clang')],
                                ['the sysroot (DRAXO_PLAYGROUND_SYSROOT)', path.join(sysroot, 'lib/libdraxo.a')],
                                ['draxo-run (DRAXO_RUN)', draxoRun],
                                ['the solution (DRAXO_ASSIGNMENT_SOLUTION)', solution]])
      assert.ok(existsSync(file), `no ${what}: ${file}`);
    site.temporary = mkdtempSync(path.join(tmpdir(), 'draxo-playground-check-'));
    const web = path.join(site.temporary, 'web');
    const built = spawnSync(process.execPath, [path.join(root, 'web/playground/build.mjs'),
      '--out', path.join(web, 'playground'), '--toolchain', toolchain, '--sysroot', sysroot,
      '--runtime', path.join(root, 'package/window_system/web/runtime'), '--examples', path.join(root, 'examples'),
      '--fonts', '../fonts/'], {encoding: 'utf8'});
    assert.equal(built.status, 0, built.stderr);

    // The teacher's one command, in a folder of their own.
    const teacher = path.join(site.temporary, 'teacher');
    mkdirSync(teacher);
    writeFileSync(path.join(teacher, 'discs.scr'), SCRIPT);
    writeFileSync(path.join(teacher, 'starter.c'), STARTER);
    const assignments = path.join(web, 'assignments');
    mkdirSync(assignments);
    const made = spawnSync(draxoRun, ['--make-assignment', path.join(assignments, 'discs'), '--script', 'discs.scr',
      '--starter', 'starter.c', '--title', 'Discs where you click', '--timeout', String(TIMEOUT_SECONDS), '--grace', '1', '--',
      solution, '14'], {cwd: teacher, encoding: 'utf8', env: {...process.env, QT_QPA_PLATFORM: 'offscreen'}});
    assert.equal(made.status, 0, made.stderr);
    site.assignment = JSON.parse(readFileSync(path.join(assignments, 'discs/assignment.json'), 'utf8'));
    assert.deepEqual(site.assignment.arguments, ['14']);

    // Folders that are no assignment: one whose assignment.json is no JSON.
    cpSync(path.join(assignments, 'discs'), path.join(assignments, 'broken'), {recursive: true});
    writeFileSync(path.join(assignments, 'broken/assignment.json'), '{"format": "draxo-assignment", "version": 1,');

    site.server = await serve(web);
    site.url = `${site.server.url}playground/`;
    site.chrome = await launch();
  });
  after(async () => {
    await site.chrome?.stop();
    site.server?.stop();
    if (site.temporary) rmSync(site.temporary, {recursive: true, force: true});
  });

  async function openPlayground(suffix = '', {clear = false} = {}) {
    const page = await site.chrome.browser.newPage();
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(e.message));
    if (clear) {
      await page.goto(`${site.url}manifest.json`);
      await page.evaluate(() => localStorage.clear());
    }
    await page.goto(site.url + suffix, {waitUntil: 'load'});
    await poll('the editor', () => page.$('.cm-content'));
    return page;
  }
  const onDiscs = '?assignment=../assignments/discs/';
  const {editorText, typeProgram, status, waitForStatus} = playgroundHelpers({statusTimeoutMs: 60000});
  // Checks the editor's program and gives what the page says of it.
  async function checked(page) {
    await poll('the Check button', () => page.$eval('#check', (b) => !b.hidden));
    const clicked = Date.now();
    await page.click('#check');
    await poll('the check to end', async () => {
      const said = await status(page);
      if (/did not compile|compiler failed|could not be loaded/.test(said)) throw new Error(said);
      return page.$eval('#check-result', (e) => e.dataset.verdict);
    }, 300000, 100);
    const wholeSeconds = (Date.now() - clicked) / 1000;
    return page.$eval('#check-result', (e, whole) => ({
      wholeSeconds: whole,
      verdict: e.dataset.verdict, status: Number(e.dataset.status), seconds: Number(e.dataset.seconds),
      lines: [...e.querySelectorAll('.verdict, li')].map((l) => l.textContent),
      captions: [...e.querySelectorAll('figcaption')].map((c) => c.textContent),
      pictures: [...e.querySelectorAll('canvas')].map((c) => {
        const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        let red = 0;
        for (let i = 0; i < data.length; i += 4) if (data[i] === 255 && data[i + 1] === 0 && data[i + 2] === 0) ++red;
        return {width: c.width, height: c.height, red};
      }),
    }), wholeSeconds);
  }

  test('the solution passes: its picture is draxo-run\'s on Linux, and the program is kept for the assignment',
       async () => {
    const page = await openPlayground(onDiscs, {clear: true});
    await poll('the title', () => page.$eval('#assignment-title', (e) => e.textContent === 'Discs where you click'));
    await poll('the starter in the editor', async () => (await editorText(page)) === STARTER);
    await typeProgram(page, SOLUTION_SOURCE);
    await page.evaluate(() => {
      const area = document.getElementById('check-run');
      new MutationObserver(() => {
        if (area.querySelector('.draxo-window:not([hidden])')) window.windowShownInCheck = true;
      }).observe(area, {subtree: true, childList: true, attributes: true});
    });
    const result = await checked(page);
    // Checked again, with the compiler loaded: the same verdict.
    const second = await checked(page);
    assert.deepEqual(second.lines, result.lines);
    console.log(`# a first Check took ${result.wholeSeconds} s (the compiler's first load), a second ` +
                `${second.wholeSeconds} s; their runs ${result.seconds} s and ${second.seconds} s`);
    assert.deepEqual(result.lines, [
      'Passed.', 'the program ended with status 0', 'the script was played to its end: 5 of its 5 events',
      '0 pixels differ from the assignment\'s picture']);
    assert.equal(result.verdict, 'passed');
    assert.equal(result.status, 0);
    assert.deepEqual(result.pictures, []);
    assert.match(await status(page), /Checked: passed/);
    // Without a screen the package shows no window (the check's area, hidden
    // besides, holds them unshown), and the program's pane is left alone.
    assert.equal(await page.$eval('#check-run', (e) => e.hidden && e.querySelectorAll('.draxo-window').length > 0), true);
    assert.equal(await page.evaluate(() => window.windowShownInCheck), undefined);
    assert.match(await page.$eval('#program', (e) => e.textContent), /Run shows them here/);
    assert.deepEqual(page.errors, []);
    await page.close();

    // The program is the student's for this assignment: there again after a
    // reload, while the playground without it has its own.
    const again = await openPlayground(onDiscs);
    await poll('the kept program', async () => (await editorText(again)) === SOLUTION_SOURCE);
    await again.close();
    const plain = await openPlayground('');
    assert.notEqual(await editorText(plain), SOLUTION_SOURCE);
    assert.equal(await plain.$eval('#check', (b) => b.hidden), true);
    assert.equal(await plain.$eval('.assignment', (e) => e.hidden), true);
    await plain.close();
  });

  test('a wrong program fails with its difference marked beside the assignment\'s picture', async () => {
    const page = await openPlayground(onDiscs, {clear: true});
    await typeProgram(page, SOLUTION_SOURCE.replace('DRAXO_circle(color, x, y, radius)', 'DRAXO_circle(color, x, y, radius + 3)'));
    const result = await checked(page);
    assert.equal(result.verdict, 'failed');
    assert.equal(result.status, 120);
    assert.equal(result.lines[0], 'Not passed: the picture differs from the assignment\'s.');
    assert.equal(result.lines[1], 'the program ended with status 0');
    const differing = Number(/^(\d+) pixels differ from the assignment's picture$/.exec(result.lines[3])?.[1]);
    assert.ok(differing > 0, result.lines[3]);
    assert.equal(result.captions[0], `Your program's picture: the ${differing} differing pixels in red`);
    assert.equal(result.captions[1], 'The assignment\'s picture');
    const [marked, reference] = result.pictures;
    assert.equal(marked.red, differing);
    assert.deepEqual([marked.width, marked.height], [reference.width, reference.height]);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('a program that never ends is ended at the assignment\'s timeout, in draxo-run\'s words', async () => {
    const page = await openPlayground(onDiscs, {clear: true});
    await typeProgram(page, SOLUTION_SOURCE.replace('for (;;) {', 'for (;;) {\n        if (radius > 0) continue;'));
    const result = await checked(page);
    // How far the script got comes from the run file's status, followed as
    // the program runs: the loop never waits, so nothing was played.
    assert.deepEqual(result.lines, ['Not passed: the program did not end in time.',
                                    `the program was still running after ${TIMEOUT_SECONDS} s and was ended`,
                                    'the script was not played to its end: 0 of its 5 events were played']);
    assert.equal(result.status, 124);
    assert.ok(result.seconds >= TIMEOUT_SECONDS && result.seconds < TIMEOUT_SECONDS + 5, String(result.seconds));
    assert.equal(await page.$eval('#stop', (b) => b.disabled), true);
    await page.close();
  });

  test('a program that waits on after the script\'s quit is ended after the assignment\'s grace time', async () => {
    const page = await openPlayground(onDiscs, {clear: true});
    await typeProgram(page, SOLUTION_SOURCE.replace('case DRAXO_QUIT: DRAXO_stop(); return 0;', 'case DRAXO_QUIT: break;'));
    const result = await checked(page);
    assert.deepEqual(result.lines.slice(0, 3), [
      'Not passed: the program did not end when the script asked it to quit.',
      `the program did not end within ${site.assignment.graceSeconds} s of its quit at the end of the script: ` +
        'it was still waiting for events, and was ended',
      'the script was played to its end: 5 of its 5 events']);
    assert.equal(result.status, 122);
    await page.close();
  });

  test('a program that computes on after the script\'s quit is ended for ignoring it, within the grace time', async () => {
    const page = await openPlayground(onDiscs, {clear: true});
    await typeProgram(page, SOLUTION_SOURCE.replace('case DRAXO_QUIT: DRAXO_stop(); return 0;',
                                                    'case DRAXO_QUIT: for (volatile int spin = 0;; ++spin) {}'));
    const result = await checked(page);
    assert.deepEqual(result.lines.slice(0, 3), [
      'Not passed: the program did not end when the script asked it to quit.',
      `the program did not end within ${site.assignment.graceSeconds} s of its quit at the end of the script, ` +
        'and was ended',
      'the script was played to its end: 5 of its 5 events']);
    assert.equal(result.status, 122);
    assert.ok(result.seconds < TIMEOUT_SECONDS, `${result.seconds} s: ended at the timeout, not the grace time`);
    await page.close();
  });

  test('a folder that is no assignment is said so, and the editor keeps its program', async () => {
    for (const [suffix, why] of [['?assignment=../assignments/broken/', /its assignment\.json is not JSON/],
                                 ['?assignment=../assignments/none', /it has no assignment\.json \(404/]]) {
      const page = await openPlayground(suffix, {clear: true});
      await page.evaluate((key, text) => localStorage.setItem(key, text),
                          `draxo-playground:${new URL(site.url).pathname}?assignment=${new URL(suffix.slice(12), site.url).href.replace(/\/?$/, '/')}`,
                          'int kept;\n');
      await page.reload({waitUntil: 'load'});
      await waitForStatus(page, why);
      assert.match(await status(page), /cannot be used: .*The editor keeps its program\./);
      assert.equal(await editorText(page), 'int kept;\n');
      assert.equal(await page.$eval('#check', (b) => b.hidden), true);
      assert.equal(await page.$eval('#assignment-title', (e) => e.textContent), 'No assignment');
      await page.close();
    }
  });
});
