// The card designer's page in headless Chromium: places the same pictures
// and message as scripts/screenshot.sh, saves the card, and saves a
// screenshot of the page's window (the status line telling of the card
// saved).
//   node scripts/web_screenshot.mjs BUILD_WEB_DIR/web [OUTPUT.png]
// (default docs/designer-web.png). Build the pages first:
//   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/wasi-toolchain.cmake && cmake --build build-web
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {serve, launch, openPage, windowCanvas, clickPixel} from '../tests/web/web_lib.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const [pages, output = path.join(here, '..', 'docs', 'designer-web.png')] = process.argv.slice(2);
if (!pages) {
  console.error('usage: node scripts/web_screenshot.mjs BUILD_WEB_DIR/web [OUTPUT.png]');
  process.exit(2);
}

const server = await serve(path.resolve(pages));
const chrome = await launch({viewport: {width: 640, height: 700, deviceScaleFactor: 1}});
try {
  const page = await openPage(chrome.browser, server.url + 'card-designer/index.html');
  const canvas = await windowCanvas(page, 'DRAXO Graphics');
  const settle = () => new Promise((r) => setTimeout(r, 150));
  const card = async (x, y) => { await clickPixel(page, canvas, 300 + x, 270 - y); await settle(); };
  const button = async (i, times = 1) => { for (let n = 0; n < times; ++n) await card(-250, 233 - 35 * i); };
  await card(-90, 140);                          // a heart, selected
  await button(1, 2);                            // its colour: white, then red
  await button(4); await card(40, 150);          // "Add Shape": a second shape, selected
  await button(2); await button(1, 4);           // a starburst, in blue
  await card(-110, 20);                          // a third shape
  await button(2, 2); await button(1, 2);        // a jet, in red
  await card(60, -60);                           // a fourth shape
  await button(2, 3); await button(1, 19);       // a forest green car
  await button(3); await card(-120, -120);       // a message...
  await button(2, 6);                            // "Make Love not War!"
  await button(1, 8);                            // in purple
  await button(0, 11);                           // a chalk card
  await button(6);                               // Save Card
  await new Promise((r) => setTimeout(r, 500));
  const frame = await page.$('.draxo-desktop');
  await frame.screenshot({path: output});
  console.log(`saved ${output}`);
} finally {
  await chrome.stop();
  server.stop();
}
