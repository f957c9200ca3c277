// Text in every language in the browser, through the probe client
// (web_probe.c): UTF-8 drawn as the same characters as Latin-1, Greek and
// Cyrillic from the Liberation fonts, Chinese from the fallback font the page
// fetches only when it needs it (boxes without it), and the input dialog's
// text as UTF-8 once the program asks for it, cut only between characters.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {withBrowser, windowCanvas, waitForLog, poll, canvasPixels} from './web_lib.mjs';

const browser = withBrowser(process.env.DRAXO_WEB_PAGES);
const fallbackFont = 'fonts/wqy-microhei.ttc';

async function openProbe(options = {}) {
  const page = await browser.chrome.browser.newPage();
  const log = [];
  page.on('console', (m) => log.push(m.text()));
  page.on('pageerror', (e) => log.push(`page error: ${e.message}`));
  page.log = log;
  // The fallback font's requests, and with `withoutFallback` a web host
  // that does not have it. Only they are held (the program's worker fetches
  // it): a page's every request held would hold the worker's too.
  page.fallbackRequests = 0;
  const cdp = await page.createCDPSession();
  cdp.on('Fetch.requestPaused', ({requestId}) => {
    ++page.fallbackRequests;
    cdp.send(...(options.withoutFallback
      ? ['Fetch.fulfillRequest', {requestId, responseCode: 404, body: btoa('not here')}]
      : ['Fetch.continueRequest', {requestId}])).catch(() => {});
  });
  await cdp.send('Fetch.enable', {patterns: [{urlPattern: '*/' + fallbackFont}]});
  await page.goto(browser.server.url + 'web_probe/index.html', {waitUntil: 'load'});
  await waitForLog(page, /^ready$/);
  await windowCanvas(page, 'DRAXO Graphics');
  return page;
}

// The probe's text lines (key t), each as its band of canvas rows: RGBA bytes.
async function drawLines(page) {
  const from = page.log.length;
  await page.keyboard.type('t');
  await poll('the text to be drawn', () => page.log.slice(from).includes('text drawn'));
  // What was drawn reaches the canvas by the next display frame: poll until
  // the last line has ink.
  let frame;
  await poll('the text on the canvas', async () => {
    frame = await canvasPixels(page, 'DRAXO Graphics');
    return inkOf(band(frame, 5)) > 0;
  });
  return Array.from({length: 6}, (_, i) => band(frame, i));
}

// Line `line`'s band, inside the window's border (its first row and column
// and its last column).
function band(frame, line) {
  const rows = [];
  for (let row = Math.max(1, 40 * line); row < 40 * line + 40; ++row)
    rows.push(frame.data.subarray((row * frame.width + 1) * 4, (row * frame.width + frame.width - 1) * 4));
  return Buffer.concat(rows.slice(rows.length - 39));
}

// Pixels that are not white.
function inkOf(bytes) {
  let ink = 0;
  for (let i = 0; i < bytes.length; i += 4) if (bytes[i] + bytes[i + 1] + bytes[i + 2] < 3 * 255) ++ink;
  return ink;
}

describe('text in every language', () => {
  test('UTF-8 and Latin-1 give the same pixels; Greek, Cyrillic and Chinese are glyphs, not boxes', async () => {
    const page = await openProbe();
    assert.equal(page.fallbackRequests, 0, 'the fallback font was fetched before any text needed it');
    const [utf8, latin1, greek, greekBoxes, chinese, chineseBoxes] = await drawLines(page);
    assert.ok(inkOf(utf8) > 100, 'Grüße in UTF-8 has ink');
    assert.ok(utf8.equals(latin1), 'Grüße in UTF-8 and in Latin-1 differ');
    assert.ok(inkOf(greek) > 100, 'Ωμέγα Мир has ink');
    assert.ok(!greek.equals(greekBoxes), 'Ωμέγα Мир is drawn as boxes');
    assert.ok(inkOf(chinese) > 100, '你好 has ink');
    assert.ok(!chinese.equals(chineseBoxes), '你好 is drawn as boxes');
    assert.equal(page.fallbackRequests, 1, 'the fallback font was fetched once');
    assert.deepEqual(page.log.filter((l) => /DRAXO: the font/.test(l)), []);
    await page.close();
  });

  test('without the fallback font, characters Liberation lacks are boxes, and the console says why', async () => {
    const page = await openProbe({withoutFallback: true});
    const [utf8, latin1, greek, greekBoxes, chinese, chineseBoxes] = await drawLines(page);
    assert.ok(utf8.equals(latin1));
    assert.ok(!greek.equals(greekBoxes), 'Greek and Cyrillic need no fallback');
    assert.ok(inkOf(chineseBoxes) > 20, 'the boxes have ink');
    assert.ok(chinese.equals(chineseBoxes), '你好 without its font is not two boxes');
    await poll('the message about the font', () =>
      page.log.find((l) => /wqy-microhei\.ttc could not be read; characters the Liberation fonts lack are drawn as boxes/.test(l)));
    await page.close();
  });
});

describe('the input dialog in UTF-8', () => {
  // Types `text` into the dialog of the probe (an 8-byte buffer) and gives
  // what the program got, its bytes beyond ASCII as \xNN.
  async function typeIntoDialog(page, text) {
    const from = page.log.length;
    await page.keyboard.type('g');
    await poll('the dialog', () => page.evaluate(() => {
      const backdrop = document.querySelector('.draxo-backdrop');
      return backdrop && !backdrop.hidden && ['INPUT', 'TEXTAREA'].includes(document.activeElement?.tagName);
    }));
    await page.keyboard.type(text);
    await page.keyboard.press('Enter');
    return poll(`the text typed as ${text}`, () => page.log.slice(from).find((l) => l.startsWith('gets ')));
  }

  test('Latin-1 until the program asks for UTF-8; then whole characters up to the buffer\'s limit', async () => {
    const page = await openProbe();
    assert.equal(await typeIntoDialog(page, 'Gr\u00fc\u00dfe'), 'gets 1 [Gr\\xfc\\xdfe]');
    await page.keyboard.type('u');
    await waitForLog(page, /^encoding 0$/);
    assert.equal(await typeIntoDialog(page, 'Gr\u00fc\u00dfe'), 'gets 1 [Gr\\xc3\\xbc\\xc3\\x9fe]');
    // Ωμέγα is 10 bytes: 7 bytes and the NUL fit, which Ωμέ fills with 6; γ would split.
    assert.equal(await typeIntoDialog(page, '\u03a9\u03bc\u03ad\u03b3\u03b1'), 'gets 1 [\\xce\\xa9\\xce\\xbc\\xce\\xad]');
    assert.equal(await typeIntoDialog(page, '\u4f60\u597d!'), 'gets 1 [\\xe4\\xbd\\xa0\\xe5\\xa5\\xbd!]');
    await page.close();
  });
});
