// The browser's check against an assignment (package/window_system/web/
// runtime/check.mjs), under node alone: PNG files read back as the
// package's reader reads them, pictures compared and runs judged as
// draxo-run compares and judges them. With DRAXO_RUN and RUN_CLIENT (the
// Linux build's draxo-run and its test client, tests/e2e/run_client.c) the
// pictures, difference image and run file are the real ones those write.
import {after, before, describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync, spawnSync} from 'node:child_process';
import {mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {deflateSync} from 'node:zlib';

import {BOX_COLOUR, MARK_COLOUR, PngError, STATUS, checkVerdict, comparePictures, decodePng, readRunFile}
  from '../../package/window_system/web/runtime/check.mjs';

const {DRAXO_RUN, RUN_CLIENT} = process.env;
const realRuns = DRAXO_RUN && RUN_CLIENT ? {} : {skip: 'DRAXO_RUN and RUN_CLIENT are not given'};

// --- Pictures and PNG files made here ---------------------------------------------------

function picture(width, height, colourAt) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) data.set([...colourAt(x, y), 255], (y * width + x) * 4);
  return {width, height, data};
}

function pixel(p, x, y) {
  return [...p.data.subarray((y * p.width + x) * 4, (y * p.width + x) * 4 + 4)];
}

function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; ++k) crc = crc & 1 ? 0xedb88320 ^ (crc >>> 1) : crc >>> 1;
  }
  return (crc ^ 0xffffffff) >>> 0;
}

function chunk(name, body) {
  const out = Buffer.alloc(12 + body.length);
  out.writeUInt32BE(body.length, 0);
  out.write(name, 4, 'latin1');
  Buffer.from(body).copy(out, 8);
  out.writeUInt32BE(crc32(out.subarray(4, 8 + body.length)), 8 + body.length);
  return out;
}

// A PNG file of the given kind whose rows (each an array of bytes, filter
// 0 added here) are already laid out for it; `extra` chunks before IEND.
function png({width, height, depth = 8, color = 2, interlaced = 0, rows, palette, extra = []}) {
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([depth, color, 0, 0, interlaced], 8);
  const raw = Buffer.concat(rows.map((row) => Buffer.from([0, ...row])));
  return new Uint8Array(Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk('IHDR', header),
    ...(palette ? [chunk('PLTE', palette)] : []), chunk('IDAT', deflateSync(raw)), ...extra, chunk('IEND', []),
  ]));
}

async function refused(bytes) {
  try {
    await decodePng(bytes);
  } catch (error) {
    assert.ok(error instanceof PngError, String(error));
    return error.message;
  }
  assert.fail('the file was read');
}

describe('decodePng reads every kind of PNG file as the package does', () => {
  test('8-bit colour, with and without alpha, which is left out', async () => {
    const rgb = await decodePng(png({width: 2, height: 1, rows: [[255, 0, 0, 1, 2, 3]]}));
    assert.deepEqual({width: rgb.width, height: rgb.height}, {width: 2, height: 1});
    assert.deepEqual([...rgb.data], [255, 0, 0, 255, 1, 2, 3, 255]);
    const rgba = await decodePng(png({width: 1, height: 1, color: 6, rows: [[10, 20, 30, 0]]}));
    assert.deepEqual([...rgba.data], [10, 20, 30, 255]);
  });

  test('grey of each depth, scaled to 8 bits, and grey with alpha', async () => {
    const oneBit = await decodePng(png({width: 9, height: 1, depth: 1, color: 0, rows: [[0b10100000, 0b10000000]]}));
    assert.deepEqual([0, 1, 2, 8].map((x) => pixel(oneBit, x, 0)[0]), [255, 0, 255, 255]);
    const twoBit = await decodePng(png({width: 4, height: 1, depth: 2, color: 0, rows: [[0b00011011]]}));
    assert.deepEqual([0, 1, 2, 3].map((x) => pixel(twoBit, x, 0)), [[0, 0, 0, 255], [85, 85, 85, 255],
      [170, 170, 170, 255], [255, 255, 255, 255]]);
    const greyAlpha = await decodePng(png({width: 1, height: 1, color: 4, rows: [[77, 0]]}));
    assert.deepEqual([...greyAlpha.data], [77, 77, 77, 255]);
  });

  test('16-bit samples rounded to the nearest 8-bit value', async () => {
    // 0x00FF is 0.99 of a step: 1, where cutting the low byte off gives 0.
    const wide = await decodePng(png({width: 1, height: 1, depth: 16, color: 2, rows: [[0x00, 0xff, 0x80, 0x80, 0xff, 0xff]]}));
    assert.deepEqual([...wide.data], [1, 128, 255, 255]);
  });

  test('palettes, of one bit a pixel up to eight, and an index past the palette refused', async () => {
    const palette = [255, 0, 0, 0, 255, 0];
    const small = await decodePng(png({width: 3, height: 1, depth: 1, color: 3, palette, rows: [[0b01000000]]}));
    assert.deepEqual([0, 1, 2].map((x) => pixel(small, x, 0)), [[255, 0, 0, 255], [0, 255, 0, 255], [255, 0, 0, 255]]);
    assert.match(await refused(png({width: 1, height: 1, color: 3, palette, rows: [[2]]})), /palette does not have/);
    assert.match(await refused(png({width: 1, height: 1, color: 3, rows: [[0]]})), /palette it does not have/);
  });

  test('interlaced pictures, each pass in its place', async () => {
    // 3 x 3 grey, Adam7: pass 1 (0,0); pass 4 (2,0); pass 5 (0,2),(2,2);
    // pass 6 (1,0),(1,2); pass 7 the rows 1 across.
    const rows = [[1], [4], [5, 7], [6], [8], [2, 3, 9]];
    const p = await decodePng(png({width: 3, height: 3, color: 0, interlaced: 1, rows}));
    const grey = [];
    for (let y = 0; y < 3; ++y) for (let x = 0; x < 3; ++x) grey.push(pixel(p, x, y)[0]);
    assert.deepEqual(grey, [1, 6, 4, 2, 3, 9, 5, 8, 7]);
  });

  test('what is not a whole, undamaged PNG file is refused, saying why', async () => {
    const good = png({width: 1, height: 1, rows: [[1, 2, 3]]});
    assert.equal(await refused(new Uint8Array([1, 2, 3])), 'it is not a PNG file');
    const damaged = good.slice();
    damaged[20] ^= 1;  // in the header
    assert.equal(await refused(damaged), 'a chunk is damaged (its checksum does not match)');
    assert.equal(await refused(good.subarray(0, good.length - 16)), 'it ends in the middle of a chunk');
    assert.equal(await refused(png({width: 1, height: 1, rows: [[1, 2]]})), 'its picture data is shorter than its size says');
    assert.equal(await refused(png({width: 1, height: 1, rows: [[1, 2, 3, 4]]})), 'its picture data is longer than its size says');
    assert.match(await refused(png({width: 1, height: 1, rows: [[1, 2, 3]], extra: [chunk('ABCD', [])]})), /\(ABCD\)/);
    // A chunk that may be passed over is.
    assert.deepEqual([...(await decodePng(png({width: 1, height: 1, rows: [[1, 2, 3]], extra: [chunk('abCD', [9])]}))).data],
      [1, 2, 3, 255]);
    assert.equal(await refused(png({width: 16385, height: 1, depth: 1, color: 0, rows: [[]]})),
      'it is larger than 16384 pixels a side or 16777216 pixels in all');
    const broken = Buffer.from(good);
    const idat = broken.indexOf('IDAT');
    broken[idat + 6] ^= 0xff;  // in the compressed data: the chunk's checksum made right again
    broken.writeUInt32BE(crc32(broken.subarray(idat, idat + 4 + broken.readUInt32BE(idat - 4))),
      idat + 4 + broken.readUInt32BE(idat - 4));
    assert.match(await refused(new Uint8Array(broken)), /its picture data is/);
  });
});

describe('comparePictures: the same as draxo-run, the differences marked', () => {
  const white = () => [255, 255, 255];

  test('equal pictures are the same, alpha left out, and marked faded', () => {
    const a = picture(4, 3, (x) => [x * 60, 0, 0]);
    const b = picture(4, 3, (x) => [x * 60, 0, 0]);
    b.data[3] = 0;  // alpha of the first pixel
    const c = comparePictures(a, b);
    assert.deepEqual({same: c.same, differing: c.differing, box: c.box}, {same: true, differing: 0, box: null});
    // Each channel three quarters of the way to white: 0 gives 192, 60 gives 207.
    assert.deepEqual(pixel(c.marked, 0, 0), [192, 192, 192, 255]);
    assert.deepEqual(pixel(c.marked, 1, 0), [207, 192, 192, 255]);
  });

  test('differing pixels are red, framed one pixel outside their box', () => {
    const expected = picture(10, 8, white);
    const actual = picture(10, 8, (x, y) => (x >= 3 && x <= 5 && y >= 2 && y <= 4 && (x + y) % 2 ? [0, 0, 0] : [255, 255, 255]));
    const c = comparePictures(expected, actual);
    assert.equal(c.same, false);
    assert.equal(c.differing, 5);  // (3,2) (5,2) (4,3) (3,4) (5,4): the odd sums only
    assert.deepEqual(c.box, {x: 3, y: 2, width: 3, height: 3});
    for (let y = 0; y < 8; ++y) {
      for (let x = 0; x < 10; ++x) {
        const onFrame = (x === 2 || x === 6) && y >= 1 && y <= 5 || (y === 1 || y === 5) && x >= 2 && x <= 6;
        const differs = x >= 3 && x <= 5 && y >= 2 && y <= 4 && (x + y) % 2 === 1;
        const want = differs ? [...MARK_COLOUR, 255] : onFrame ? [...BOX_COLOUR, 255] : [255, 255, 255, 255];
        assert.deepEqual(pixel(c.marked, x, y), want, `at ${x}, ${y}`);
      }
    }
  });

  test('pictures of other sizes are never the same: what lies outside one differs', () => {
    const c = comparePictures(picture(601, 521, white), picture(600, 521, white));
    assert.equal(c.same, false);
    assert.equal(c.differing, 521);
    assert.deepEqual({width: c.marked.width, height: c.marked.height}, {width: 601, height: 521});
    assert.deepEqual(c.box, {x: 600, y: 0, width: 1, height: 521});
    // The frame's left side, the rest of it outside the picture.
    assert.deepEqual(pixel(c.marked, 599, 100), [...BOX_COLOUR, 255]);
    assert.deepEqual(pixel(c.marked, 600, 100), [...MARK_COLOUR, 255]);
    // Nothing shown at all: every pixel of the reference differs.
    assert.equal(comparePictures(picture(3, 2, white), {width: 0, height: 0, data: new Uint8ClampedArray()}).differing, 6);
  });
});

describe('readRunFile: the run file the package keeps', () => {
  function runFile({words = {}, width = 0, height = 0, pixels = []} = {}) {
    const bytes = Buffer.alloc(64 + pixels.length * 4);
    bytes.write('DRAXORUN', 0, 'latin1');
    const fields = {version: 1, opened: 1, eventsPlayed: 0, eventsTotal: 0, script: 0, stoppedLine: 0, ending: 0,
      width, height, shownVersion: 1, savedVersion: 0, quitDelivered: 0, ...words};
    Object.values(fields).forEach((value, i) => bytes.writeUInt32LE(value, 8 + i * 4));
    pixels.forEach((value, i) => bytes.writeUInt32LE(value, 64 + i * 4));
    return new Uint8Array(bytes);
  }

  test('its status and its picture, 0xffRRGGBB each, as RGBA', () => {
    const run = readRunFile(runFile({words: {eventsPlayed: 3, eventsTotal: 14, script: 2, stoppedLine: 7, ending: 2,
      quitDelivered: 1}, width: 2, height: 1, pixels: [0xffff0000, 0xff0000ff]}));
    assert.deepEqual({...run, picture: undefined}, {eventsPlayed: 3, eventsTotal: 14, script: 'stopped', stoppedLine: 7,
      ending: 'quit ignored', quitDelivered: true, picture: undefined});
    assert.deepEqual([...run.picture.data], [255, 0, 0, 255, 0, 0, 255, 255]);
  });

  test('no file, another file or a package never opened has no facts; a picture cut short is none', () => {
    assert.equal(readRunFile(null), null);
    assert.equal(readRunFile(new Uint8Array(10)), null);
    assert.equal(readRunFile(runFile({words: {version: 2}})), null);
    assert.equal(readRunFile(runFile({words: {opened: 0}})), null);
    const cut = runFile({width: 2, height: 1, pixels: [0xffff0000, 0xff0000ff]}).subarray(0, 68);
    assert.equal(readRunFile(cut).picture, null);
  });
});

describe('checkVerdict: draxo-run\'s status and words for every way a run ends', () => {
  const played = {eventsPlayed: 14, eventsTotal: 14, script: 'played', stoppedLine: 0, ending: 'stopped'};

  test('a run like the solution\'s passes; another status does not', () => {
    const v = checkVerdict({status: 0, run: played, expectedStatus: 0, same: true, differing: 0});
    assert.deepEqual(v, {passed: true, status: 0, lines: ['Passed.', 'the program ended with status 0',
      'the script was played to its end: 14 of its 14 events', '0 pixels differ from the assignment\'s picture']});
    const other = checkVerdict({status: 3, run: played, expectedStatus: 0, same: true});
    assert.equal(other.passed, false);
    assert.equal(other.status, 3);
    assert.equal(other.lines[0], 'Not passed: the program ended with status 3, the solution with 0.');
    // Nothing compared is nothing passed.
    assert.equal(checkVerdict({status: 0, run: played, expectedStatus: 0}).passed, false);
  });

  test('each way of ending badly has its status, in draxo-run\'s order', () => {
    const cases = [
      [{status: 0, run: played, same: false, differing: 5}, STATUS.picturesDiffer, 'the program ended with status 0'],
      [{status: 0, run: {...played, script: 'playing', eventsPlayed: 2}, same: false}, STATUS.scriptNotPlayed,
        'the program ended with status 0', 'the script was not played to its end: 2 of its 14 events were played'],
      [{status: 0, run: null}, STATUS.scriptNotPlayed, 'the program ended with status 0',
        'the program never opened the package: the script was not played'],
      [{status: 122, run: {...played, ending: 'quit ignored'}, graceSeconds: 1}, STATUS.quitIgnored,
        'the program did not end within 1 s of its quit at the end of the script: it was still waiting for events, and was ended'],
      [{reason: 'grace', run: played, graceSeconds: 3}, STATUS.quitIgnored,
        'the program did not end within 3 s of its quit at the end of the script, and was ended'],
      [{reason: 'timeout', run: {...played, script: 'playing'}, timeoutSeconds: 20}, STATUS.timedOut,
        'the program was still running after 20 s and was ended'],
      [{reason: 'memory access out of bounds', run: played}, STATUS.crashed,
        'the program crashed: memory access out of bounds'],
      [{reason: 'stopped', run: played}, STATUS.cannotRun, 'the check was stopped, and the program was ended'],
    ];
    for (const [facts, status, ...lines] of cases) {
      const v = checkVerdict({expectedStatus: 0, ...facts});
      assert.equal(v.passed, false, JSON.stringify(facts));
      assert.equal(v.status, status, JSON.stringify(facts));
      assert.deepEqual(v.lines.slice(1, 1 + lines.length), lines);
    }
    assert.equal(checkVerdict({status: 0, run: {...played, script: 'stopped', stoppedLine: 17, eventsPlayed: 4}}).lines[2],
      'the script stops at line 17, which is of no known kind: 4 of its 14 events were played');
  });
});

describe('against what draxo-run and the package write', realRuns, () => {
  let folder;
  const script = 'DRAXO_KBD(114);\nDRAXO_MOUSE(-100, 50);\nDRAXO_PERIODIC(10);\nDRAXO_KBD(98);\nDRAXO_MOUSE(120, -60);\n';

  // draxo-run's status and standard error, a run bounded from outside too.
  function draxoRun(...args) {
    const run = spawnSync(DRAXO_RUN, args, {cwd: folder, encoding: 'utf8', timeout: 60000,
      env: {...process.env, ASAN_OPTIONS: 'handle_segv=0'}});
    return {status: run.status, said: run.stderr};
  }

  before(() => {
    folder = mkdtempSync(join(tmpdir(), 'draxo-check-'));
    writeFileSync(join(folder, 'discs.scr'), script);
    writeFileSync(join(folder, 'moved.scr'), script.replace('MOUSE(120, -60)', 'MOUSE(100, -60)'));
  });
  after(() => rmSync(folder, {recursive: true, force: true}));

  test('an assignment\'s reference reads as the picture it is', async () => {
    assert.equal(draxoRun('--make-assignment', 'bounce', '--script', 'discs.scr', '--', RUN_CLIENT).status, 0);
    const json = JSON.parse(readFileSync(join(folder, 'bounce', 'assignment.json'), 'utf8'));
    assert.deepEqual(json, {format: 'draxo-assignment', version: 1, title: 'bounce', script: 'script.scr',
      reference: 'reference.png', starter: null, arguments: [], expectedStatus: 0, timeoutSeconds: 60, graceSeconds: 3, seed: 1});
    const reference = await decodePng(readFileSync(join(folder, 'bounce', json.reference)));
    assert.deepEqual([reference.width, reference.height], [601, 521]);
    // The origin at (300, 260): a red disc at (-100, 50), a blue one at
    // (120, -60), ten ticks' bar at the bottom left, white elsewhere.
    assert.deepEqual(pixel(reference, 200, 210), [255, 0, 0, 255]);
    assert.deepEqual(pixel(reference, 420, 320), [0, 0, 255, 255]);
    assert.deepEqual(pixel(reference, 45, 470), [0, 0x33, 0x99, 255]);
    assert.deepEqual(pixel(reference, 300, 100), [255, 255, 255, 255]);
  });

  test('a picture that differs: the same count as draxo-run, marked as in its difference image', async () => {
    const run = draxoRun('--script', 'moved.scr', '--picture', 'moved.png', '--expect', 'bounce/reference.png', '--',
      RUN_CLIENT);
    assert.equal(run.status, STATUS.picturesDiffer);
    const counted = Number(/draxo-run: (\d+) pixels differ/.exec(run.said)[1]);
    const reference = await decodePng(readFileSync(join(folder, 'bounce', 'reference.png')));
    const moved = await decodePng(readFileSync(join(folder, 'moved.png')));
    const c = comparePictures(reference, moved);
    assert.equal(c.same, false);
    assert.equal(c.differing, counted);
    const theirs = await decodePng(readFileSync(join(folder, 'moved-diff.png')));
    let framed = 0;
    for (let i = 0; i < theirs.data.length; i += 4) {
      const mine = [...c.marked.data.subarray(i, i + 4)];
      if (mine.join() === [...BOX_COLOUR, 255].join()) ++framed;
      else assert.deepEqual(mine, [...theirs.data.subarray(i, i + 4)], `pixel ${i / 4}`);
    }
    assert.equal(framed, 2 * (c.box.width + 2) + 2 * c.box.height);
  });

  test('the run file the package keeps says what draxo-run says, and holds its picture', async () => {
    const runFile = join(folder, 'run.draxo');
    const env = {...process.env, DRAXO_HEADLESS: '1', DRAXO_SCRIPT: join(folder, 'discs.scr'), DRAXO_RUN_FILE: runFile,
      DRAXO_SEED: '1'};
    for (const name of ['DISPLAY', 'WAYLAND_DISPLAY', 'DRAXO_PICTURE', 'DRAXO_CONSOLE', 'DRAXO_RUN_REPORT']) delete env[name];
    execFileSync(RUN_CLIENT, [], {env, timeout: 60000, stdio: 'ignore'});
    const run = readRunFile(new Uint8Array(readFileSync(runFile)));
    assert.deepEqual({...run, picture: undefined}, {eventsPlayed: 14, eventsTotal: 14, script: 'played', stoppedLine: 0,
      ending: 'stopped', quitDelivered: true, picture: undefined});
    const reference = await decodePng(readFileSync(join(folder, 'bounce', 'reference.png')));
    const c = comparePictures(reference, run.picture);
    assert.equal(c.same, true);
    const v = checkVerdict({status: 0, run, expectedStatus: 0, same: c.same, differing: c.differing});
    assert.equal(v.passed, true, v.lines.join('\n'));
  });
});
