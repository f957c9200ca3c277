// Checking a program against an assignment in the browser, by draxo-run's
// rules, so that a program the page passes is one draxo-run passes on the
// desktop: the picture compared as runner/compare.cpp compares it, the run
// judged as runner/outcome.cpp judges it, in its words. Also the readers
// the check needs: the assignment's reference picture (a PNG file) and the
// run file the package keeps in an unattended run (package/surface/run_file.h).
// A plain module without dependencies: it runs in a page, a worker and node.
//
// Pictures here are {width, height, data}: data holds width x height RGBA
// pixels, four bytes each, row by row, as a canvas's ImageData does.

// --- Reading PNG files ---------------------------------------------------------------

// The limits of the package's own reader (package/png/png_codec.h).
export const LARGEST_SIDE = 16384;
export const MOST_PIXELS = 2 ** 24;

const SIGNATURE = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];

const CRC_TABLE = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) crc = CRC_TABLE[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

// A PNG file the reader refuses; the message says why, reason first.
export class PngError extends Error {}

function channelsOf(color) {
  return {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color];
}

function validDepth(color, depth) {
  if (color === 0) return [1, 2, 4, 8, 16].includes(depth);
  if (color === 3) return [1, 2, 4, 8].includes(depth);
  return [2, 4, 6].includes(color) && (depth === 8 || depth === 16);
}

// The seven passes of interlacing: first column and row, and steps.
const ADAM7 = [[0, 0, 8, 8], [4, 0, 8, 8], [0, 4, 4, 8], [2, 0, 4, 4], [0, 2, 2, 4], [1, 0, 2, 2], [0, 1, 1, 2]];
const WHOLE_PICTURE = [[0, 0, 1, 1]];

function passExtent(size, start, step) {
  return size > start ? Math.floor((size - start + step - 1) / step) : 0;
}

function paeth(left, up, upperLeft) {
  const p = left + up - upperLeft;
  const pa = Math.abs(p - left), pb = Math.abs(p - up), pc = Math.abs(p - upperLeft);
  return pa <= pb && pa <= pc ? left : pb <= pc ? up : upperLeft;
}

// Inflates the zlib stream into exactly `expected` bytes, with the
// platform's inflater; a stream that holds more is refused as it comes.
async function inflate(stream, expected) {
  const out = new Uint8Array(expected);
  let at = 0;
  const reader = new Blob([stream]).stream().pipeThrough(new DecompressionStream('deflate')).getReader();
  try {
    for (;;) {
      const {done, value} = await reader.read();
      if (done) break;
      if (value.length > expected - at) throw new PngError('its picture data is longer than its size says');
      out.set(value, at);
      at += value.length;
    }
  } catch (error) {
    reader.cancel().catch(() => {});
    if (error instanceof PngError) throw error;
    throw new PngError('its picture data is damaged');
  }
  if (at !== expected) throw new PngError('its picture data is shorter than its size says');
  return out;
}

// Reads a PNG file's bytes (a Uint8Array) into an RGBA picture, as the
// package's reader does: every colour type and bit depth, interlaced or not;
// alpha is left out (each pixel comes back opaque with its colour), 16-bit
// samples are rounded to the nearest 8-bit value. Rejects with a PngError
// for anything that is not a whole, undamaged PNG file within the limits.
export async function decodePng(bytes) {
  if (bytes.length < 8 || SIGNATURE.some((b, i) => bytes[i] !== b)) throw new PngError('it is not a PNG file');
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let header = null, palette = null, ended = false;
  const idat = [];
  for (let at = 8; !ended;) {
    if (bytes.length - at < 12) throw new PngError('it ends before its last chunk');
    const length = view.getUint32(at);
    if (length > bytes.length - at - 12) throw new PngError('it ends in the middle of a chunk');
    const typeAndBody = bytes.subarray(at + 4, at + 8 + length);
    if (view.getUint32(at + 8 + length) !== crc32(typeAndBody))
      throw new PngError('a chunk is damaged (its checksum does not match)');
    const name = String.fromCharCode(...typeAndBody.subarray(0, 4));
    const body = typeAndBody.subarray(4);
    if (!header && name !== 'IHDR') throw new PngError('it does not start with its header');
    if (name === 'IHDR') {
      if (header) throw new PngError('it has two headers');
      header = readHeader(body);
    } else if (name === 'PLTE') {
      if (length % 3 !== 0 || length / 3 > 256) throw new PngError('its palette is damaged');
      palette = body.slice();
    } else if (name === 'IDAT') {
      idat.push(body);
    } else if (name === 'IEND') {
      ended = true;
    } else if (!(typeAndBody[0] & 0x20)) {
      throw new PngError(`it holds a chunk that must be understood and is not (${name})`);
    }
    at += 12 + length;
  }
  if (header.color === 3 && !palette) throw new PngError('its colours name a palette it does not have');

  const passes = header.interlaced ? ADAM7 : WHOLE_PICTURE;
  const bitsPerPixel = channelsOf(header.color) * header.depth;
  const rowBytes = (width) => Math.ceil((width * bitsPerPixel) / 8);
  let expected = 0;
  for (const [x0, y0, dx, dy] of passes) {
    const width = passExtent(header.width, x0, dx);
    if (width !== 0) expected += passExtent(header.height, y0, dy) * (1 + rowBytes(width));
  }
  const stream = new Uint8Array(idat.reduce((sum, part) => sum + part.length, 0));
  idat.reduce((at, part) => (stream.set(part, at), at + part.length), 0);
  const rows = await inflate(stream, expected);

  const data = new Uint8ClampedArray(header.width * header.height * 4);
  const picture = {width: header.width, height: header.height, data};
  const step = Math.max(1, bitsPerPixel >> 3);
  let at = 0;
  for (const [x0, y0, dx, dy] of passes) {
    const width = passExtent(header.width, x0, dx), height = passExtent(header.height, y0, dy);
    if (width === 0 || height === 0) continue;
    const size = rowBytes(width);
    let previous = null;
    for (let y = 0; y < height; ++y) {
      const filter = rows[at];
      const row = rows.slice(at + 1, at + 1 + size);
      at += 1 + size;
      unfilter(filter, row, previous, step);
      for (let x = 0; x < width; ++x)
        placePixel(header, row, x, palette, picture, ((y0 + y * dy) * header.width + x0 + x * dx) * 4);
      previous = row;
    }
  }
  return picture;
}

function readHeader(body) {
  if (body.length !== 13) throw new PngError('its header is damaged');
  const view = new DataView(body.buffer, body.byteOffset, body.byteLength);
  const header = {width: view.getUint32(0), height: view.getUint32(4), depth: body[8], color: body[9],
    interlaced: body[12] === 1};
  if (!validDepth(header.color, header.depth) || body[10] !== 0 || body[11] !== 0 || body[12] > 1)
    throw new PngError('its header names a kind of picture that PNG does not have');
  if (header.width === 0 || header.height === 0) throw new PngError('it is a picture without pixels');
  if (header.width > LARGEST_SIDE || header.height > LARGEST_SIDE || header.width * header.height > MOST_PIXELS)
    throw new PngError(`it is larger than ${LARGEST_SIDE} pixels a side or ${MOST_PIXELS} pixels in all`);
  return header;
}

function unfilter(type, row, above, step) {
  for (let i = 0; i < row.length; ++i) {
    const left = i >= step ? row[i - step] : 0, up = above ? above[i] : 0;
    const upperLeft = i >= step && above ? above[i - step] : 0;
    switch (type) {
    case 0: break;
    case 1: row[i] += left; break;
    case 2: row[i] += up; break;
    case 3: row[i] += (left + up) >> 1; break;
    case 4: row[i] += paeth(left, up, upperLeft); break;
    default: throw new PngError('its picture data is damaged (a row filter of no known kind)');
    }
  }
}

// The 8-bit value of sample `index` of an unfiltered row.
function sample(header, row, index) {
  const depth = header.depth;
  if (depth === 16) return Math.floor((((row[index * 2] << 8) | row[index * 2 + 1]) * 255 + 32767) / 65535);
  if (depth === 8) return row[index];
  const bit = index * depth;
  const value = (row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1 << depth) - 1);
  return header.color === 3 ? value : Math.floor((value * 255) / ((1 << depth) - 1));
}

function placePixel(header, row, x, palette, picture, to) {
  const first = x * channelsOf(header.color);
  const data = picture.data;
  if (header.color === 3) {
    const index = sample(header, row, first);
    if (index * 3 >= palette.length) throw new PngError('a pixel names a colour its palette does not have');
    data.set(palette.subarray(index * 3, index * 3 + 3), to);
  } else if (header.color === 0 || header.color === 4) {
    data.fill(sample(header, row, first), to, to + 3);
  } else {
    for (let c = 0; c < 3; ++c) data[to + c] = sample(header, row, first + c);
  }
  data[to + 3] = 255;
}

// --- Reading the run file ------------------------------------------------------------

const RUN_FILE_MAGIC = 'DRAXORUN';
const RUN_FILE_VERSION = 1;
export const RUN_FILE_STATUS_SIZE = 64;
const SCRIPT_STATES = ['playing', 'played', 'stopped'];
const ENDINGS = ['running', 'stopped', 'quit ignored'];

// Reads the run file a program keeps when DRAXO_RUN_FILE names it (a
// Uint8Array; the program's memory is little-endian, as the file is): how
// far its script got, how the package saw it end, and the picture it last
// showed ({width, height, data}, or null when nothing was shown or the file
// was cut short). Null for a file that is not one, or that holds no status:
// then the program never opened the package.
export function readRunFile(bytes) {
  if (!bytes || bytes.length < RUN_FILE_STATUS_SIZE) return null;
  if (String.fromCharCode(...bytes.subarray(0, 8)) !== RUN_FILE_MAGIC) return null;
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const word = (index) => view.getUint32(8 + index * 4, true);
  if (word(0) !== RUN_FILE_VERSION || word(1) !== 1) return null;
  const run = {
    eventsPlayed: word(2),
    eventsTotal: word(3),
    script: SCRIPT_STATES[word(4)] ?? 'playing',
    stoppedLine: word(5),
    ending: ENDINGS[word(6)] ?? 'running',
    quitDelivered: word(11) === 1,
    picture: null,
  };
  const width = word(7), height = word(8);
  if (width > 0 && height > 0 && width * height <= MOST_PIXELS &&
      bytes.length - RUN_FILE_STATUS_SIZE >= width * height * 4) {
    // Each pixel 0xffRRGGBB, little-endian: B, G, R, 0xff.
    const data = new Uint8ClampedArray(width * height * 4);
    for (let i = 0, from = RUN_FILE_STATUS_SIZE; i < data.length; i += 4, from += 4) {
      data[i] = bytes[from + 2];
      data[i + 1] = bytes[from + 1];
      data[i + 2] = bytes[from];
      data[i + 3] = 255;
    }
    run.picture = {width, height, data};
  }
  return run;
}

// --- Comparing pictures --------------------------------------------------------------

// The colour differing pixels are marked in, as in draxo-run's difference
// image, and the frame drawn around them all.
export const MARK_COLOUR = [255, 0, 0];
export const BOX_COLOUR = [0, 102, 255];

// Compares the picture a program showed with the assignment's, as draxo-run
// does: pixel by pixel over the larger of their widths and heights, a pixel
// differing when its colour (alpha left out) differs or when it lies outside
// one of them; the pictures are the same when no pixel differs. `marked` is
// draxo-run's difference image (the actual picture faded to a quarter of its
// strength, every differing pixel red) with a frame, one pixel outside the
// box of the differing pixels where the picture has room, in BOX_COLOUR.
// `box` is {x, y, width, height} of the differing pixels, null when none.
export function comparePictures(expected, actual) {
  const width = Math.max(expected.width, actual.width), height = Math.max(expected.height, actual.height);
  const marked = {width, height, data: new Uint8ClampedArray(width * height * 4)};
  const out = marked.data;
  let differing = 0, left = width, top = height, right = -1, bottom = -1;
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const to = (y * width + x) * 4;
      const mine = x < actual.width && y < actual.height ? (y * actual.width + x) * 4 : -1;
      const theirs = x < expected.width && y < expected.height ? (y * expected.width + x) * 4 : -1;
      if (mine >= 0 && theirs >= 0 && actual.data[mine] === expected.data[theirs] &&
          actual.data[mine + 1] === expected.data[theirs + 1] && actual.data[mine + 2] === expected.data[theirs + 2]) {
        // Each channel three quarters of the way to white.
        for (let c = 0; c < 3; ++c) out[to + c] = 255 - ((255 - actual.data[mine + c]) >> 2);
      } else {
        ++differing;
        out.set(MARK_COLOUR, to);
        left = Math.min(left, x);
        right = Math.max(right, x);
        top = Math.min(top, y);
        bottom = Math.max(bottom, y);
      }
      out[to + 3] = 255;
    }
  }
  const box = differing ? {x: left, y: top, width: right - left + 1, height: bottom - top + 1} : null;
  if (box) drawFrame(marked, left - 1, top - 1, right + 1, bottom + 1);
  return {same: differing === 0, differing, box, marked};
}

// A frame on the rectangle's edges (inclusive), the parts in the picture.
function drawFrame(picture, left, top, right, bottom) {
  const put = (x, y) => {
    if (x >= 0 && y >= 0 && x < picture.width && y < picture.height)
      picture.data.set(BOX_COLOUR, (y * picture.width + x) * 4);
  };
  for (let x = left; x <= right; ++x) {
    put(x, top);
    put(x, bottom);
  }
  for (let y = top; y <= bottom; ++y) {
    put(left, y);
    put(right, y);
  }
}

// --- The verdict ---------------------------------------------------------------------

// draxo-run's exit statuses, which the check gives the same meanings.
export const STATUS = {picturesDiffer: 120, scriptNotPlayed: 121, quitIgnored: 122, crashed: 123, timedOut: 124,
  cannotRun: 125};

// Why a program that did not end by itself stopped, as the page gives it.
export const STOPPED_BY = {timeout: 'timeout', grace: 'grace', user: 'stopped'};

function seconds(value) {
  return `${value} s`;
}

// What the page says of a check, decided as draxo-run decides its status:
//   status          the program's exit status when it ended by itself; null
//                   when it did not
//   reason          otherwise why it stopped: 'timeout' (the page ended it at
//                   the assignment's timeout), 'grace' (still running
//                   `graceSeconds` after the script's quit), 'stopped' (the
//                   student stopped the check), or any other text: it
//                   crashed, and that says how (a trap's message)
//   run             readRunFile's facts; null when there are none (it never
//                   opened the package)
//   expectedStatus  the assignment's
//   same            comparePictures' verdict, `differing` its count (a
//                   program that showed nothing is compared as an empty
//                   picture: every pixel differs); without one (null) the
//                   check does not pass
//   timeoutSeconds, graceSeconds, reference   the assignment's, for the words
// Returns {passed, status, lines}: `status` is the one draxo-run would exit
// with; `lines` begin with whether the check passed, or the first reason it
// did not, then say what draxo-run would say, the program called "the
// program". A program that passes draxo-run's run must also end with the
// status the assignment's solution ended with.
export function checkVerdict({status = null, reason = null, run = null, expectedStatus = 0, same = null,
  differing = 0, timeoutSeconds = 60, graceSeconds = 3, reference = 'the assignment\'s picture'}) {
  const program = 'the program';
  const exited = status !== null && status !== undefined;
  const quitIgnored = (exited && run?.ending === 'quit ignored') || (!exited && reason === STOPPED_BY.grace);
  const playedToItsEnd = run?.script === 'played';
  const grace = seconds(graceSeconds);

  // What draxo-run says: how the program ended, how far the script got.
  let howItEnded;
  if (!exited && reason === STOPPED_BY.user) howItEnded = `the check was stopped, and ${program} was ended`;
  else if (!exited && reason === STOPPED_BY.timeout)
    howItEnded = `${program} was still running after ${seconds(timeoutSeconds)} and was ended`;
  else if (!exited && reason === STOPPED_BY.grace)
    howItEnded = `${program} did not end within ${grace} of its quit at the end of the script, and was ended`;
  else if (!exited) howItEnded = `${program} crashed: ${reason}`;
  else if (quitIgnored)
    howItEnded = `${program} did not end within ${grace} of its quit at the end of the script: ` +
      'it was still waiting for events, and was ended';
  else howItEnded = `${program} ended with status ${status}`;

  const played = run ? `${run.eventsPlayed} of its ${run.eventsTotal} events` : '';
  let howFar;
  if (!run) howFar = 'the program never opened the package: the script was not played';
  else if (playedToItsEnd) howFar = `the script was played to its end: ${played}`;
  else if (run.script === 'stopped' && run.stoppedLine > 0)
    howFar = `the script stops at line ${run.stoppedLine}, which is of no known kind: ${played} were played`;
  else if (run.script === 'stopped') howFar = `the script could not be read to its end: ${played} were played`;
  else howFar = `the script was not played to its end: ${played} were played`;

  // The first of these that applies, in draxo-run's order.
  const [verdict, summary] = (() => {
    if (!exited && reason === STOPPED_BY.user) return [STATUS.cannotRun, 'Stopped before the check was done.'];
    if (!exited && reason === STOPPED_BY.timeout)
      return [STATUS.timedOut, 'Not passed: the program did not end in time.'];
    if (!exited && !quitIgnored) return [STATUS.crashed, 'Not passed: the program crashed.'];
    if (quitIgnored)
      return [STATUS.quitIgnored, 'Not passed: the program did not end when the script asked it to quit.'];
    if (!playedToItsEnd) return [STATUS.scriptNotPlayed, 'Not passed: the script was not played to its end.'];
    if (same !== true) return [STATUS.picturesDiffer, 'Not passed: the picture differs from the assignment\'s.'];
    if (status !== expectedStatus)
      return [status, `Not passed: the program ended with status ${status}, the solution with ${expectedStatus}.`];
    return [status, 'Passed.'];
  })();
  const lines = [summary, howItEnded, howFar];
  if (same !== null && same !== undefined) lines.push(`${differing} pixels differ from ${reference}`);
  return {passed: summary === 'Passed.', status: verdict, lines};
}
