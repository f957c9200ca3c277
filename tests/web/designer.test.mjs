// The card designer's page in headless Chromium: its buttons and the card
// by the mouse, a session recorded with Ctrl+R, the page reloaded and the
// session played back with Ctrl+P, the card and its picture saved as
// downloads, a card file opened from the user's disk (beside a kept one of
// the same name), a card named outside the page's folder, Ctrl+Q.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {withBrowser, openPage, windowCanvas, clickPixel, poll, canvasPixels, pixelOf} from './web_lib.mjs';

const browser = withBrowser(process.env.DRAXO_WEB_PAGES);

// The drawing window's origin: the middle of its 601 x 540 canvas.
const column = (x) => 300 + x;
const row = (y) => 270 - y;

async function openDesigner(query = '') {
  const page = await openPage(browser.chrome.browser, browser.server.url + 'card-designer/index.html' + query);
  page.canvas = await windowCanvas(page, 'DRAXO Graphics');
  // The designer has drawn its card.
  await colourAt(page, 0, 0, (c) => c !== 'ffffff', 'the card');
  return page;
}

function hex(rgb) {
  return rgb.map((v) => v.toString(16).padStart(2, '0')).join('');
}

// Polls until the pixel at logical (x, y) passes `test` (or equals a hex colour).
async function colourAt(page, x, y, expected, what) {
  const passes = typeof expected === 'function' ? expected : (c) => c === expected;
  let last;
  await poll(what || `(${x}, ${y}) to be ${expected}`, async () => {
    const frame = await canvasPixels(page, 'DRAXO Graphics');
    last = hex(pixelOf(frame, column(x), row(y)));
    return passes(last);
  }, 15000).catch((e) => { throw new Error(`${e.message}; (${x}, ${y}) is ${last}`); });
  return last;
}

// Whether the status line under the card holds a note in red (a refusal).
async function redOnStatusLine(page) {
  const frame = await canvasPixels(page, 'DRAXO Graphics');
  let red = 0;
  for (let y = row(-160); y < row(-215); ++y)
    for (let x = column(-140); x < column(260); ++x) {
      const [r, g, b] = pixelOf(frame, x, y);
      if (r > 200 && g < 80 && b < 80) ++red;
    }
  return red > 20;
}

const click = (page, x, y) => clickPixel(page, page.canvas, column(x), row(y));
const button = (page, i) => click(page, -250, 233 - 35 * i);
const ctrl = async (page, key) => {
  await page.keyboard.down('Control');
  await page.keyboard.press(key);
  await page.keyboard.up('Control');
};

// A card with a blue car and a cyan background: no random parts.
async function makeCard(page) {
  await click(page, 0, 0);                                   // a heart...
  for (let i = 0; i < 3; ++i) await button(page, 2);         // ...made a car
  for (let i = 0; i < 4; ++i) await button(page, 1);         // blue
  await button(page, 0);
  await button(page, 0);                                     // a cyan card
  await colourAt(page, 200, -140, '00ffff', 'the cyan card');
}

describe('the designer', () => {
  test('buttons and clicks change the card as on the desktop; Ctrl+Q ends it, and Run again starts it afresh', async () => {
    const page = await openDesigner();
    assert.equal(await colourAt(page, 0, 0, 'ffff00'), 'ffff00', 'the card at start');
    assert.equal(await page.evaluate(() => Array.from(document.querySelectorAll('.draxo-window'))
      .filter((f) => !f.hidden).map((f) => f.dataset.title).join()), 'DRAXO Graphics', 'only the drawing window shows');
    await button(page, 0);
    await button(page, 0);
    await colourAt(page, 200, -140, '00ffff', 'the card after two Background Color presses');
    await click(page, 0, 0);
    await colourAt(page, 0, 0, '000000', 'the first click adds a black heart');
    await colourAt(page, 0, -15, '000000', 'its point below the anchor');
    await click(page, 100, 50);
    await colourAt(page, 0, 0, '00ffff', 'the heart left its old place');
    await colourAt(page, 100, 50, '000000', 'and stands at the new click');
    await button(page, 1);
    await colourAt(page, 100, 50, 'ffffff', 'Object Color turns it white');
    const ended = () => poll('the note that the designer ended', () => page.evaluate(() =>
      document.querySelector('.draxo-ended .draxo-why')?.textContent === 'The program has ended.'));
    await ctrl(page, 'KeyQ');
    await ended();
    assert.equal(await page.title(), 'DRAXO Card Designer (ended)');
    // In the same page: the title is the designer's again, and a second end
    // says so once.
    await page.click('.draxo-ended button');
    page.canvas = await windowCanvas(page, 'DRAXO Graphics');
    await colourAt(page, 0, 0, 'ffff00', 'the card at the new start');
    assert.equal(await page.title(), 'DRAXO Card Designer');
    await ctrl(page, 'KeyQ');
    await ended();
    assert.equal(await page.title(), 'DRAXO Card Designer (ended)');
    await page.close();
  });

  test('a session recorded with Ctrl+R is handed over, survives a reload and plays back with Ctrl+P to the same card', async () => {
    const downloads = mkdtempSync(path.join(tmpdir(), 'draxo-downloads-'));
    const page = await openDesigner();
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
    await ctrl(page, 'KeyR');
    await makeCard(page);
    await ctrl(page, 'KeyR');
    const recorded = await canvasPixels(page, 'DRAXO Graphics');
    const script = await poll('the script file', () => page.evaluate(async () => {
      const bytes = await draxoRun.files.read('DRAXO.SCR');
      return bytes && new TextDecoder().decode(bytes);
    }));
    assert.match(script, /^DRAXO_MOUSE\(0, 0\);$/m);
    assert.equal((script.match(/^DRAXO_MOUSE\(-250, 233\);$/gm) || []).length, 2, script);
    // The recording's end hands the script over, a session to hand in.
    await poll('the script downloaded whole', () => {
      try { return readFileSync(path.join(downloads, 'DRAXO.SCR'), 'utf8') === script; } catch (e) { return false; }
    });
    rmSync(downloads, {recursive: true, force: true});
    await page.evaluate(async () => await draxoRun.files.sync());

    await page.reload({waitUntil: 'load'});
    page.canvas = await windowCanvas(page, 'DRAXO Graphics');
    await colourAt(page, 0, 0, 'ffff00', 'a fresh card after the reload');
    await ctrl(page, 'KeyP');
    await colourAt(page, 200, -140, '00ffff', 'the played-back card');
    await poll('the played card to equal the recorded one', async () => {
      const played = await canvasPixels(page, 'DRAXO Graphics');
      let differing = 0;
      for (let i = 0; i < played.data.length; i += 4)
        if (played.data.readUInt32BE(i) !== recorded.data.readUInt32BE(i)) ++differing;
      return differing === 0;
    });
    await page.close();
  });

  test('Save Card and Save Picture hand the files over; a card file from the disk opens in the page', async () => {
    const downloads = mkdtempSync(path.join(tmpdir(), 'draxo-downloads-'));
    try {
      let page = await openDesigner();
      const cdp = await page.createCDPSession();
      await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
      await makeCard(page);
      const made = await canvasPixels(page, 'DRAXO Graphics');
      await button(page, 6);  // Save Card
      await button(page, 7);  // Save Picture
      // The browser may show a download's name before all of it is written:
      // a picture is whole when its last chunk is there, a card when it
      // ends its last line.
      const whole = (name, ending) => {
        if (!readdirSync(downloads).includes(name)) return false;
        const bytes = readFileSync(path.join(downloads, name));
        return bytes.length > 0 && bytes.subarray(bytes.length - ending.length).equals(ending);
      };
      const pngEnd = Buffer.from([0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82]);  // IEND and its CRC
      await poll('both downloads', () => whole('card.draxo', Buffer.from('\n')) && whole('card.png', pngEnd));
      const picture = readFileSync(path.join(downloads, 'card.png'));
      assert.equal(picture.subarray(1, 4).toString('latin1'), 'PNG');
      // The card's area, (-140, 200) to (220, -150), both corners included.
      assert.equal(picture.readUInt32BE(16), 361, 'the picture\'s width');
      assert.equal(picture.readUInt32BE(20), 351, 'the picture\'s height');
      const card = readFileSync(path.join(downloads, 'card.draxo'));
      await page.close();

      // In a page of its own (a new profile would do as well): the card
      // file chosen from the disk.
      const context = await browser.chrome.browser.createBrowserContext();
      page = await context.newPage();
      page.log = [];
      await page.goto(browser.server.url + 'card-designer/index.html', {waitUntil: 'load'});
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      await colourAt(page, 0, 0, 'ffff00', 'a fresh card');
      const input = await page.$('#card-file');
      const [navigation] = await Promise.all([
        page.waitForNavigation({waitUntil: 'load'}),
        input.uploadFile(path.join(downloads, 'card.draxo')),
      ]);
      assert.ok(navigation === null || navigation.ok());
      assert.match(page.url(), /\?arg=card\.draxo$/);
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      await colourAt(page, 200, -140, '00ffff', 'the opened card');
      assert.deepEqual(await page.evaluate(async () => Array.from(await draxoRun.files.read('card.draxo'))),
        Array.from(card), 'the file as it came from the disk');
      const opened = await canvasPixels(page, 'DRAXO Graphics');
      let differing = 0;
      for (let i = 0; i < opened.data.length; i += 4) {
        // The status line under the card says what happened: left out.
        if (Math.floor(i / 4 / 601) > row(-160)) continue;
        if (opened.data.readUInt32BE(i) !== made.data.readUInt32BE(i)) ++differing;
      }
      assert.equal(differing, 0, 'pixels that differ between the saved card and the opened one');
      await context.close();
    } finally {
      rmSync(downloads, {recursive: true, force: true});
    }
  });

  test('a reload reopens the card last saved; New card starts an empty one, saved beside it', async () => {
    const context = await browser.chrome.browser.createBrowserContext();
    try {
      let page = await context.newPage();
      page.log = [];
      await page.goto(browser.server.url + 'card-designer/index.html', {waitUntil: 'load'});
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      await colourAt(page, 0, 0, 'ffff00', 'a fresh card');
      await makeCard(page);
      await button(page, 6);  // Save Card
      await poll('the saved card', () => page.evaluate(async () => (await draxoRun.files.list()).includes('card.draxo')));
      await page.evaluate(async () => await draxoRun.files.sync());
      await page.reload({waitUntil: 'load'});
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      await colourAt(page, 200, -140, '00ffff', 'the card reopened after the reload');
      assert.equal(await page.evaluate(() => document.getElementById('card-name').textContent), 'card.draxo');

      await Promise.all([page.waitForNavigation({waitUntil: 'load'}), page.click('#new-card')]);
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      await colourAt(page, 200, -140, 'ffff00', 'a new, empty card');
      await button(page, 0);  // a new background: this card is changed
      await button(page, 6);  // Save Card: beside the other
      await poll('the new card saved beside the first', () =>
        page.evaluate(async () => (await draxoRun.files.list()).includes('card-2.draxo')));
      await page.evaluate(async () => await draxoRun.files.sync());
      await page.goto(browser.server.url + 'card-designer/', {waitUntil: 'load'});
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      assert.equal(await page.evaluate(() => document.getElementById('card-name').textContent), 'card-2.draxo');
    } finally {
      await context.close();
    }
  });

  test('a card named outside the page\'s folder is not saved, and the status line says so in red', async () => {
    for (const where of ['../away.draxo', '/tmp/away.draxo']) {
      const page = await openDesigner('?arg=' + encodeURIComponent(where));
      assert.equal(await redOnStatusLine(page), false, `${where}: a red note before the save`);
      await button(page, 6);  // Save Card
      await poll(`${where}: the refusal in red on the status line`, () => redOnStatusLine(page));
      assert.ok(page.log.some((l) => /^DRAXO: .* is not written: the browser keeps only/.test(l)), page.log.join('\n'));
      await page.close();
    }
  });

  test('a card file from the disk beside a kept one of the same name goes under a free name, and the page says so', async () => {
    const scratch = mkdtempSync(path.join(tmpdir(), 'draxo-cards-'));
    const context = await browser.chrome.browser.createBrowserContext();
    // Two different cards, both named party.draxo on the user's disk: each
    // one the designer reads, so that the page's naming alone is at stake.
    const first = path.join(scratch, 'a', 'party.draxo'), second = path.join(scratch, 'b', 'party.draxo');
    const firstCard = 'DRAXO card 1\nbackground 16\nobjects 0\n';
    const secondCard = 'DRAXO card 1\nbackground 5\nobjects 1\nshape 0 0 0 0\n';
    mkdirSync(path.dirname(first));
    mkdirSync(path.dirname(second));
    writeFileSync(first, firstCard);
    writeFileSync(second, secondCard);
    try {
      const page = await context.newPage();
      await page.goto(browser.server.url + 'card-designer/index.html', {waitUntil: 'load'});
      const upload = async (file) => {
        await windowCanvas(page, 'DRAXO Graphics');
        await Promise.all([page.waitForNavigation({waitUntil: 'load'}), (await page.$('#card-file')).uploadFile(file)]);
        await windowCanvas(page, 'DRAXO Graphics');
        return {url: page.url(), said: await page.evaluate(() => document.getElementById('card-name').textContent)};
      };
      const read = (name) => page.evaluate(async (n) => new TextDecoder().decode(await draxoRun.files.read(n)), name);
      assert.deepEqual(await upload(first), {url: browser.server.url + 'card-designer/index.html?arg=party.draxo',
                                             said: 'party.draxo'});
      const beside = await upload(second);
      assert.match(beside.url, /\?arg=party-2\.draxo$/);
      assert.equal(beside.said, 'party.draxo opened as party-2.draxo: the page keeps another party.draxo, which stays as it was');
      assert.equal(await read('party.draxo'), firstCard);
      assert.equal(await read('party-2.draxo'), secondCard);
      // The same file again is the card already kept: no third copy.
      assert.deepEqual(await upload(first), {url: browser.server.url + 'card-designer/index.html?arg=party.draxo',
                                             said: 'party.draxo'});
      assert.deepEqual((await page.evaluate(async () => await draxoRun.files.list())).filter((n) => n.startsWith('party')).sort(),
        ['party-2.draxo', 'party.draxo']);
      // The note is told once: a reload shows the card's name alone.
      await page.goto(browser.server.url + 'card-designer/index.html?arg=party-2.draxo', {waitUntil: 'load'});
      assert.equal(await page.evaluate(() => document.getElementById('card-name').textContent), 'party-2.draxo');
    } finally {
      await context.close();
      rmSync(scratch, {recursive: true, force: true});
    }
  });

  test('a card file that cannot be read is reported on the status line, and the designer goes on', async () => {
    const scratch = mkdtempSync(path.join(tmpdir(), 'draxo-cards-'));
    const context = await browser.chrome.browser.createBrowserContext();
    try {
      const bad = path.join(scratch, 'bad.draxo');
      writeFileSync(bad, 'this is no card\n\u0000\u00ff');
      const page = await context.newPage();
      page.log = [];
      page.on('pageerror', (e) => page.log.push(`page error: ${e.message}`));
      await page.goto(browser.server.url + 'card-designer/index.html', {waitUntil: 'load'});
      await windowCanvas(page, 'DRAXO Graphics');
      await Promise.all([page.waitForNavigation({waitUntil: 'load'}), (await page.$('#card-file')).uploadFile(bad)]);
      // The designer reads the card before it opens its window: a refusal
      // that stops it leaves only the note that says why.
      const stopped = () => page.evaluate(() => document.querySelector('.draxo-ended .draxo-why')?.textContent || '');
      await poll('the designer\'s window, or the note that it stopped', async () => (await stopped()) !== '' ||
        page.evaluate(() => Array.from(document.querySelectorAll('.draxo-window')).some((f) => !f.hidden)));
      assert.equal(await stopped(), '', 'the designer went on');
      page.canvas = await windowCanvas(page, 'DRAXO Graphics');
      await colourAt(page, 0, 0, 'ffff00', 'the empty card');
      await poll('the reason in red on the status line', () => redOnStatusLine(page));
      // Still running: a click adds a heart.
      await click(page, 0, 0);
      await colourAt(page, 0, 0, '000000', 'a heart after the refusal');
      assert.deepEqual(page.log, []);
      assert.equal(await page.evaluate(() => !!document.querySelector('.draxo-ended')), false);
    } finally {
      await context.close();
      rmSync(scratch, {recursive: true, force: true});
    }
  });
});
