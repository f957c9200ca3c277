// The share of a core a page of the web build takes while its program waits
// with the animation running: the card designer redrawing its empty card ten
// times a second, or another page. Headless Chromium, the page served by a
// plain static web server; the processor time of each of Chromium's processes
// is read before and after a quiet spell.
//   node bench/idle_web.mjs BUILD_WEB_DIR/web [PAGE] [SECONDS]
// PAGE defaults to card-designer/index.html, SECONDS to 30; the measuring
// starts DRAXO_IDLE_WARMUP seconds (15) after the page opened. PAGE
// "playground/" is the playground with its first example run (its Run
// button pressed); PAGE "blank" a page doing nothing but a 100 ms timer, for
// comparison. Run from the source tree after scripts/setup.sh
// (puppeteer-core in tests/web).
import path from 'node:path';
import {serve, launch, openPage, windowCanvas} from '../tests/web/web_lib.mjs';

const [pages, pagePath = 'card-designer/index.html', seconds = '30'] = process.argv.slice(2);
if (!pages) {
  console.error('usage: node bench/idle_web.mjs BUILD_WEB_DIR/web [PAGE] [SECONDS]');
  process.exit(2);
}

const server = await serve(path.resolve(pages));
const chrome = await launch();
try {
  if (pagePath === 'blank') {
    const page = await chrome.browser.newPage();
    await page.setContent('<script>setInterval(() => {}, 100);</script>');
  } else {
    const page = await openPage(chrome.browser, server.url + pagePath);
    if (pagePath.startsWith('playground/')) await page.click('#run');
    await windowCanvas(page, 'DRAXO Graphics');
  }
  // Past the start, and past the compiling of the program's hot parts,
  // which the browser does in the background while the page runs.
  await new Promise((r) => setTimeout(r, Number(process.env.DRAXO_IDLE_WARMUP || 15) * 1000));
  const cdp = await chrome.browser.target().createCDPSession();
  const cpu = async () => {
    const {processInfo} = await cdp.send('SystemInfo.getProcessInfo');
    const byType = {};
    for (const p of processInfo) byType[p.type] = (byType[p.type] || 0) + p.cpuTime;
    return byType;
  };
  const before = await cpu();
  const start = Date.now();
  await new Promise((r) => setTimeout(r, Number(seconds) * 1000));
  const after = await cpu();
  const elapsed = (Date.now() - start) / 1000;
  let total = 0;
  for (const type of Object.keys(after)) {
    const share = (after[type] - (before[type] || 0)) / elapsed * 100;
    total += share;
    console.log(`${type.padEnd(10)} ${share.toFixed(2)} % of a core`);
  }
  console.log(`${'all'.padEnd(10)} ${total.toFixed(2)} % of a core over ${elapsed.toFixed(1)} s`);
} finally {
  await chrome.stop();
  server.stop();
}
