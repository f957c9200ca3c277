// The examples as pages in headless Chromium: each starts and draws; the
// sketch pad joins clicks with lines, the clock moves, the guessing game
// (given its number in the page's address, as on a command line) asks with
// the input dialog and answers in colour, the star catcher's basket follows
// an arrow key held, and scribble draws with the left button dragged and
// rubs out with the right.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {withBrowser, openPage, windowCanvas, clickPixel, poll, canvasPixels} from './web_lib.mjs';

const browser = withBrowser(process.env.DRAXO_WEB_PAGES);

// Pixels of the drawing window's canvas, within a box of canvas pixels,
// that pass `test` ([r, g, b] => boolean).
async function count(page, test, box = {left: 0, top: 0, right: 601, bottom: 540}) {
  const frame = await canvasPixels(page, 'DRAXO Graphics');
  let n = 0;
  for (let y = box.top; y < box.bottom; ++y)
    for (let x = box.left; x < box.right; ++x) {
      const at = (y * frame.width + x) * 4;
      if (test([frame.data[at], frame.data[at + 1], frame.data[at + 2]])) ++n;
    }
  return n;
}
const notWhite = ([r, g, b]) => r + g + b < 600;

async function open(name, query = '') {
  const page = await openPage(browser.chrome.browser, browser.server.url + `${name}/index.html${query}`);
  page.canvas = await windowCanvas(page, 'DRAXO Graphics');
  return page;
}

function noErrors(page) {
  assert.deepEqual(page.log.filter((l) => /page error|Aborted|exception/i.test(l)), []);
}

describe('the examples', () => {
  test('the bouncing ball moves', async () => {
    const page = await open('bouncing_ball');
    await poll('something drawn', async () => (await count(page, notWhite)) > 100);
    const first = await canvasPixels(page, 'DRAXO Graphics');
    await poll('the ball to move', async () => !(await canvasPixels(page, 'DRAXO Graphics')).data.equals(first.data));
    noErrors(page);
    await page.close();
  });

  test('the sketch pad joins two clicks with a line', async () => {
    const page = await open('sketch_pad');
    await poll('the status bar', async () => (await count(page, notWhite)) > 50);
    const box = {left: 100, top: 200, right: 500, bottom: 400};
    assert.equal(await count(page, notWhite, box), 0, 'the page is empty where the line will go');
    await clickPixel(page, page.canvas, 150, 300);
    await clickPixel(page, page.canvas, 450, 300);
    await poll('the line', async () => (await count(page, notWhite, box)) >= 290);
    noErrors(page);
    await page.close();
  });

  test('the clock moves on', async () => {
    const page = await open('clock');
    await poll('the clock face', async () => (await count(page, notWhite)) > 500);
    const first = await canvasPixels(page, 'DRAXO Graphics');
    await poll('the second hand to move', async () =>
      !(await canvasPixels(page, 'DRAXO Graphics')).data.equals(first.data), 5000);
    noErrors(page);
    await page.close();
  });

  test('the guessing game asks with the dialog and answers too high in red', async () => {
    const page = await open('guessing_game', '?arg=42');
    await poll('the dialog', () => page.evaluate(() => {
      const b = document.querySelector('.draxo-backdrop');
      return b && !b.hidden;
    }));
    const red = ([r, g, b]) => r > 200 && g < 80 && b < 80;
    const before = await count(page, red);
    await page.keyboard.type('90');
    await page.keyboard.press('Enter');
    await poll('the red answer', async () => (await count(page, red)) > before + 30);
    noErrors(page);
    await page.close();
  });

  test('the star catcher\'s basket follows an arrow key held', async () => {
    const page = await open('star_catcher');
    await clickPixel(page, page.canvas, 300, 300);  // the canvas takes the keyboard
    await page.keyboard.press('Space');
    // The basket's orange in its rows (y = -237), between two columns.
    const orange = ([r, g, b]) => r > 240 && g > 80 && g < 120 && b < 30;
    const basketIn = async (left, right) => (await count(page, orange, {left, top: 500, right, bottom: 515})) > 50;
    await poll('a game with the basket in the middle', () => basketIn(260, 341));
    await page.keyboard.down('ArrowLeft');
    await poll('the basket at the left wall', () => basketIn(0, 80));
    await page.keyboard.up('ArrowLeft');
    await page.keyboard.down('ArrowRight');
    await poll('the basket at the right wall', () => basketIn(521, 601));
    await page.keyboard.up('ArrowRight');
    noErrors(page);
    await page.close();
  });

  test('scribble draws while the left button is dragged and rubs out with the right', async () => {
    const page = await open('scribble');
    const at = (x, y) => [page.canvas.left + x + 300.5, page.canvas.top + 270.5 - y];
    const drag = async (button, [x1, y1], [x2, y2]) => {
      await page.mouse.move(...at(x1, y1));
      await page.mouse.down({button});
      for (let i = 1; i <= 10; ++i) await page.mouse.move(...at(x1 + ((x2 - x1) * i) / 10, y1 + ((y2 - y1) * i) / 10));
      await page.mouse.up({button});
    };
    const ink = () => count(page, ([r, g, b]) => r + g + b < 150, {left: 80, top: 150, right: 320, bottom: 190});
    await drag('left', [-200, 100], [0, 100]);
    await poll('a stroke', async () => (await ink()) > 150);
    const drawn = await ink();
    await drag('right', [-150, 100], [-50, 100]);
    await poll('part of it rubbed out', async () => (await ink()) < drawn - 50);
    noErrors(page);
    await page.close();
  });
});
