// The web backend in headless Chromium, through a client that prints every
// event its wait returns (web_probe.c): the drawing window and the console,
// clicks mapped to the canvas pixel, keys and shortcuts, the Run menu by
// mouse and keyboard, the input dialog, saving a picture and where a save
// may go, quitting, what the page says when the program stops, and
// arguments it cannot be given.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {mkdtempSync, readFileSync, rmSync, readdirSync, symlinkSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {withBrowser, openPage, windowCanvas, clickPixel, waitForLog, poll, canvasPixels, pixelOf, serve} from './web_lib.mjs';

const browser = withBrowser(process.env.DRAXO_WEB_PAGES);

// The probe's page, once the program has started.
async function openProbe(options = {}) {
  const page = await openPage(browser.chrome.browser, browser.server.url + 'web_probe/index.html' + (options.query || ''));
  await waitForLog(page, /^ready$/);
  return page;
}

// The events the program printed from `from` on, as [kind, x, y, key].
function eventsOf(page, from = 0) {
  return page.log.slice(from).filter((l) => l.startsWith('event ')).map((l) => l.split(' ').slice(1).map(Number));
}

async function waitForEvent(page, from, matches, what) {
  return poll(what, () => eventsOf(page, from).find(matches));
}

const isKey = (c) => (e) => e[0] === 2 && e[3] === c.charCodeAt(0);

// The Run menu's rows as the page shows them while it is open.
async function menuRows(page) {
  return page.evaluate(() => {
    const popup = document.querySelector('.draxo-popup');
    if (!popup || !popup.isConnected) return null;
    return Array.from(popup.children).map((row) => ({
      separator: row.tagName === 'HR',
      text: row.querySelector('.draxo-label')?.textContent || '',
      shortcut: row.querySelector('.draxo-shortcut')?.textContent || '',
      checked: row.querySelector('.draxo-check')?.textContent === '\u2713',
      grayed: row.classList.contains('draxo-grayed'),
      hot: row.classList.contains('draxo-hot'),
    }));
  });
}

async function menuOpen(page) {
  return page.evaluate(() => !!document.querySelector('.draxo-popup')?.isConnected);
}

describe('the windows', () => {
  test('the canvas is shown in sharp squares at whole device pixel ratios and smoothed at others', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    const rendering = () => page.evaluate(() => getComputedStyle(document.querySelector('.draxo-window canvas')).imageRendering);
    // A page zoomed changes its width too, which the page hears of.
    for (const [ratio, expected, width] of [[1, 'pixelated', 800], [1.5, 'auto', 801], [2, 'pixelated', 802],
                                            [1.25, 'auto', 803]]) {
      await page.setViewport({width, height: 1000, deviceScaleFactor: ratio});
      await poll(`the canvas ${expected} at ${ratio}`, async () => (await rendering()) === expected);
    }
    await page.close();
  });

  test('the drawing window is a 601 x 540 canvas titled "DRAXO Graphics", the hidden console is not shown', async () => {
    const page = await openProbe();
    const canvas = await windowCanvas(page, 'DRAXO Graphics');
    assert.equal(canvas.pixelsWide, 601);
    assert.equal(canvas.pixelsHigh, 540);
    assert.equal(canvas.width, 601);
    const consoleShown = await page.evaluate(() =>
      Array.from(document.querySelectorAll('.draxo-window')).some((f) => f.dataset.title === 'DRAXO Text' && !f.hidden));
    assert.equal(consoleShown, false);
    // The cleared window is white, and what is drawn reaches the canvas.
    let frame;
    await poll('the cleared window', async () => {
      frame = await canvasPixels(page, 'DRAXO Graphics');
      return pixelOf(frame, 300, 270).join() === '255,255,255';
    });
    await page.keyboard.type('d');
    await poll('the blue rectangle', async () => {
      frame = await canvasPixels(page, 'DRAXO Graphics');
      return pixelOf(frame, 300, 270).join() === '0,0,255';
    });
    // Corners (-20, 20) and (20, -20), both included: columns 280..320, rows 250..290.
    assert.deepEqual(pixelOf(frame, 280, 250), [0, 0, 255]);
    assert.deepEqual(pixelOf(frame, 320, 290), [0, 0, 255]);
    assert.deepEqual(pixelOf(frame, 321, 291), [255, 255, 255]);
    assert.deepEqual(pixelOf(frame, 279, 249), [255, 255, 255]);
    await page.close();
  });

  test('the console is a panel the program shows and hides, with its lines drawn', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    await page.keyboard.type('c');
    await waitForLog(page, /^console 0$/);
    const panel = await windowCanvas(page, 'DRAXO Text');
    assert.ok(panel.pixelsWide > 0 && panel.pixelsHigh > 0);
    const darkPixels = async () => {
      const f = await canvasPixels(page, 'DRAXO Text');
      let dark = 0;
      for (let i = 0; i < f.data.length; i += 4) if (f.data[i] + f.data[i + 1] + f.data[i + 2] < 200) ++dark;
      return dark;
    };
    const before = await darkPixels();
    await page.keyboard.type('p');
    await poll('the console line to be drawn', async () => (await darkPixels()) > before + 20);
    await page.keyboard.type('c');
    await waitForLog(page, /^console 1$/);
    await poll('the console to be hidden', () => page.evaluate(() =>
      Array.from(document.querySelectorAll('.draxo-window')).every((f) => f.dataset.title !== 'DRAXO Text' || f.hidden)));
    await page.close();
  });
});

describe('input', () => {
  for (const setting of [
    {name: 'at the page\'s own scale', viewport: {width: 800, height: 1000, deviceScaleFactor: 1}, zoom: 1},
    {name: 'on a screen of two device pixels to one', viewport: {width: 800, height: 1000, deviceScaleFactor: 2}, zoom: 1},
    {name: 'on a page zoomed to 150%', viewport: {width: 1200, height: 1400, deviceScaleFactor: 1}, zoom: 1.5},
  ]) {
    test(`a click is the canvas pixel it hits, ${setting.name}`, async () => {
      const page = await openProbe();
      await page.setViewport(setting.viewport);
      if (setting.zoom !== 1) await page.evaluate((z) => { document.body.style.zoom = String(z); }, setting.zoom);
      const canvas = await windowCanvas(page, 'DRAXO Graphics');
      for (const [column, row] of [[0, 0], [300, 270], [600, 539], [17, 403], [451, 12]]) {
        const from = page.log.length;
        await clickPixel(page, canvas, column, row);
        const e = await waitForEvent(page, from, (ev) => ev[0] === 1, `the click at (${column}, ${row})`);
        assert.deepEqual(e.slice(1, 3), [column - 300, 270 - row], `the click at column ${column}, row ${row}`);
      }
      await page.close();
    });
  }

  test('typed characters are key events; Ctrl with a letter is a Run menu shortcut and types nothing', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    let from = page.log.length;
    await page.keyboard.type('x');
    await waitForEvent(page, from, isKey('x'), 'the key x');
    // A key that types a character of Latin-1 beyond ASCII, and one beyond
    // Latin-1, as a keyboard with those keys would send them.
    const cdp = await page.createCDPSession();
    for (const [key, code] of [['\u00e9', 'Digit2'], ['\u20ac', 'KeyE']]) {
      await cdp.send('Input.dispatchKeyEvent', {type: 'keyDown', key, code, text: key, unmodifiedText: key});
      await cdp.send('Input.dispatchKeyEvent', {type: 'keyUp', key, code});
    }
    await waitForEvent(page, from, (e) => e[0] === 2 && e[3] === 0xe9, 'the key \u00e9 as Latin-1');
    await waitForEvent(page, from, (e) => e[0] === 2 && e[3] === 0x3f, 'the key \u20ac as a question mark');
    // Ctrl+A: animation runs, periodic events come; Ctrl+H halts it.
    from = page.log.length;
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyA');
    await page.keyboard.up('Control');
    await waitForEvent(page, from, (e) => e[0] === 3, 'periodic events after Ctrl+A');
    assert.equal(eventsOf(page, from).filter((e) => e[0] === 2).length, 0, 'Ctrl+A typed no character');
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyH');
    await page.keyboard.up('Control');
    await page.keyboard.type('y');
    from = page.log.length;
    await page.keyboard.type('z');
    await waitForEvent(page, from, isKey('z'), 'the key z');
    assert.equal(eventsOf(page, from).filter((e) => e[0] === 3).length, 0, 'no periodic event after Ctrl+H');
    await page.close();
  });
});

describe('game input', () => {
  // The browser's codes of the keys (KeyboardEvent.code) and the package's.
  const keys = [
    ['ArrowLeft', 37], ['ArrowUp', 38], ['ArrowRight', 39], ['ArrowDown', 40], ['Home', 36], ['End', 35],
    ['PageUp', 33], ['PageDown', 34], ['Insert', 45], ['F1', 112], ['F12', 123], ['ShiftLeft', 16],
    ['ShiftRight', 16], ['ControlRight', 17],
  ];

  test('the browser\'s keys give the package\'s codes: presses and releases, letters typed that tell their key', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    await page.keyboard.type('i');
    await waitForLog(page, /^input 1$/);
    for (const [code, expected] of keys) {
      const from = page.log.length;
      await page.keyboard.down(code);
      await page.keyboard.up(code);
      const release = await waitForEvent(page, from, (e) => e[0] === 6, `the release of ${code}`);
      assert.deepEqual(eventsOf(page, from).map((e) => [e[0], e[4]]), [[5, expected], [6, expected]], code);
      assert.equal(release[4], expected);
    }
    let from = page.log.length;
    await page.keyboard.down('KeyW');
    await page.keyboard.up('KeyW');
    await waitForEvent(page, from, (e) => e[0] === 6, 'the release of W');
    assert.deepEqual(eventsOf(page, from).map((e) => [e[0], e[3], e[4]]), [[2, 119, 87], [6, 0, 87]]);
    // Shift held: its own press, then the arrow's with DRAXO_SHIFT.
    from = page.log.length;
    await page.keyboard.down('Shift');
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.up('Shift');
    await waitForEvent(page, from, (e) => e[0] === 6 && e[4] === 16, 'the release of Shift');
    assert.deepEqual(eventsOf(page, from).map((e) => [e[0], e[4], e[7]]),
      [[5, 16, 1], [5, 37, 1], [6, 37, 1], [6, 16, 0]]);
    await page.close();
  });

  test('a right-button drag gives its press, its moves with the button held and its release, also outside the canvas', async () => {
    const page = await openProbe();
    const canvas = await windowCanvas(page, 'DRAXO Graphics');
    await page.keyboard.type('i');
    await waitForLog(page, /^input 1$/);
    const from = page.log.length;
    const at = (column, row) => [canvas.left + column + 0.5, canvas.top + row + 0.5];
    await page.mouse.move(...at(300, 270));
    await page.mouse.down({button: 'right'});
    await page.mouse.move(...at(310, 250));
    await page.mouse.move(...at(700, 250));  // beyond the canvas: its right edge
    await page.mouse.up({button: 'right'});
    await waitForEvent(page, from, (e) => e[0] === 8, 'the release');
    const events = eventsOf(page, from).map((e) => [e[0], e[1], e[2], e[5], e[6]]);
    assert.deepEqual(events[0], [1, 0, 0, 2, 2], 'the press of the right button');
    assert.deepEqual(events.at(-1), [8, 300, 20, 2, 0], 'the release at the edge');
    const moves = events.slice(1, -1);
    assert.ok(moves.length >= 1 && moves.every((e) => e[0] === 7 && e[4] === 2), JSON.stringify(events));
    assert.deepEqual(moves.at(-1).slice(1, 3), [300, 20], 'the last move, at the edge');
    await page.close();
  });
});

describe('the Run menu', () => {
  test('opened with the mouse it shows its sixteen items; choosing Logging takes its check mark away', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    const run = await page.$('.draxo-menubar > div');
    assert.equal(await run.evaluate((e) => e.textContent), 'Run');
    await run.click();
    const rows = await poll('the open menu', () => menuRows(page));
    assert.equal(rows.length, 16);
    assert.deepEqual(rows.filter((r) => !r.separator).map((r) => r.text).slice(0, 8),
      ['Animate', 'Halt animation', 'Advance one frame', 'Logging', 'Record Script', 'Playback Script',
       'Play One Script', 'Quit']);
    assert.deepEqual(rows.map((r) => r.shortcut).filter((s) => s),
      ['Ctrl+A', 'Ctrl+H', 'Ctrl+F', 'Ctrl+L', 'Ctrl+R', 'Ctrl+P', 'Ctrl+O', 'Ctrl+Q']);
    assert.deepEqual(rows.filter((r) => r.checked).map((r) => r.text), []);  // the probe switched logging off
    assert.deepEqual(rows.map((r) => r.grayed), [...Array(12).fill(false), true, true, true, true]);
    assert.match(rows[12].text, /^DRAXO v2\.2 July 1997$/);
    // Logging on: the check mark comes, and goes with the next choice.
    const logging = (await page.$$('.draxo-popup > *'))[4];
    await logging.click();
    await poll('the menu to close', async () => !(await menuOpen(page)));
    await run.click();
    assert.equal((await poll('the open menu', () => menuRows(page)))[4].checked, true);
    // A grayed item cannot be chosen: the menu stays open.
    await (await page.$$('.draxo-popup > *'))[12].click();
    assert.equal(await menuOpen(page), true);
    // A click on the canvas closes the menu and reaches no program.
    const canvas = await windowCanvas(page, 'DRAXO Graphics');
    const from = page.log.length;
    await clickPixel(page, canvas, 300, 400);
    await poll('the menu to close', async () => !(await menuOpen(page)));
    await page.keyboard.type('k');
    await waitForEvent(page, from, isKey('k'), 'the key k');
    assert.equal(eventsOf(page, from).filter((e) => e[0] === 1).length, 0, 'the closing click reached the program');
    await page.close();
  });

  // The bar's state as a person sees it: its title highlighted or resting,
  // its menu open or closed.
  async function barState(page) {
    return page.evaluate(() => {
      const title = document.querySelector('.draxo-menubar > div');
      const popup = document.querySelector('.draxo-popup');
      return `${title.classList.contains('draxo-hot') ? 'highlighted' : 'resting'} ` +
             `${popup?.isConnected ? 'open' : 'closed'}`;
    });
  }
  async function expectBar(page, state, what) {
    try {
      await poll(`${what}: the bar ${state}`, async () => (await barState(page)) === state, 10000);
    } catch (e) {
      assert.equal(await barState(page), state, what);
    }
  }
  // The open menu's highlighted item, once its text matches `pattern`: the
  // page moves the highlight when the program's menu rules have answered
  // for the key.
  const hotText = async (page) => (await menuRows(page))?.find((r) => r.hot)?.text;
  async function expectHot(page, pattern, what) {
    try {
      await poll(`${what}: the item ${pattern} highlighted`, async () => pattern.test((await hotText(page)) || ''), 10000);
    } catch (e) {
      assert.match((await hotText(page)) || '', pattern, what);
    }
  }
  async function withAlt(page, key) {
    await page.keyboard.down('Alt');
    await page.keyboard.press(key);
    await page.keyboard.up('Alt');
  }
  // Types `letter` (none the probe acts on), waits until the window gets it
  // and checks that it got no key `unwanted` (typed while the bar held the
  // keyboard) before it.
  async function expectKey(page, from, letter, unwanted) {
    await page.keyboard.type(letter);
    await waitForEvent(page, from, isKey(letter), `the key ${letter}`);
    if (unwanted) assert.equal(eventsOf(page, from).filter(isKey(unwanted)).length, 0, `the window got ${unwanted}`);
  }

  test('F10 and Alt alone select the bar, Alt+R opens the menu, Escape closes the menu and then leaves the bar', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    let from = page.log.length;
    await expectKey(page, from, 'a');
    await expectBar(page, 'resting closed', 'at the start');

    // F10 selects the bar without opening the menu; no key reaches the
    // window, Ctrl+Q included, until Escape gives the keyboard back.
    await page.keyboard.press('F10');
    await expectBar(page, 'highlighted closed', 'after F10');
    await page.keyboard.type('b');
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyQ');
    await page.keyboard.up('Control');
    await expectBar(page, 'highlighted closed', 'after a letter and Ctrl+Q on the selected bar');
    await page.keyboard.press('Escape');
    await expectBar(page, 'resting closed', 'after Escape');
    await expectKey(page, from, 'k', 'b');
    assert.ok(!page.log.includes('quit'), 'Ctrl+Q reached the program while the bar held the keyboard');

    // Alt+R opens the menu, its first item highlighted; the first Escape
    // closes it and leaves the bar selected; the second gives the keyboard back.
    from = page.log.length;
    await withAlt(page, 'KeyR');
    await expectBar(page, 'highlighted open', 'after Alt+R');
    assert.equal((await menuRows(page)).findIndex((r) => r.hot), 0, 'Animate is highlighted');
    await page.keyboard.press('Escape');
    await expectBar(page, 'highlighted closed', 'after Alt+R and one Escape');
    await page.keyboard.type('l');
    await page.keyboard.press('Escape');
    await expectBar(page, 'resting closed', 'after a second Escape');
    await expectKey(page, from, 'e', 'l');

    // Down opens the selected title's menu; F10 leaves the bar, menu and all.
    from = page.log.length;
    await page.keyboard.press('F10');
    await expectBar(page, 'highlighted closed', 'after F10');
    await page.keyboard.press('ArrowDown');
    await expectBar(page, 'highlighted open', 'after F10 and Down');
    await page.keyboard.press('F10');
    await expectBar(page, 'resting closed', 'after F10 again');
    await expectKey(page, from, 'f');

    // Alt pressed and released alone selects the bar as F10 does, and
    // leaves it again, with the menu open or not; R on the selected bar
    // opens the menu.
    from = page.log.length;
    await page.keyboard.press('Alt');
    await expectBar(page, 'highlighted closed', 'after Alt alone');
    await page.keyboard.type('j');
    await page.keyboard.press('Escape');
    await expectBar(page, 'resting closed', 'after Escape');
    await expectKey(page, from, 'h', 'j');
    await page.keyboard.press('Alt');
    await expectBar(page, 'highlighted closed', 'after Alt alone');
    await page.keyboard.press('Alt');
    await expectBar(page, 'resting closed', 'after Alt alone again');
    await page.keyboard.press('F10');
    await expectBar(page, 'highlighted closed', 'after F10');
    await page.keyboard.type('r');
    await expectBar(page, 'highlighted open', 'after R on the selected bar');
    await page.keyboard.press('Alt');
    await expectBar(page, 'resting closed', 'after Alt alone with the menu open');
    from = page.log.length;
    await expectKey(page, from, 'i');
    assert.equal(eventsOf(page, from).filter((e) => e[0] === 2).length, 1, 'the menu\'s keys reached the program');

    // Ctrl+Q, with the keyboard the window's again, quits.
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyQ');
    await page.keyboard.up('Control');
    await waitForLog(page, /^quit$/);
    await page.close();
  });

  test('in the open menu the arrows move, Enter chooses, and choosing gives the keyboard back', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    await page.keyboard.press('F10');
    await expectBar(page, 'highlighted closed', 'after F10');
    await page.keyboard.press('Enter');
    let rows = await poll('the menu opened by Enter', () => menuRows(page));
    assert.equal(rows.findIndex((r) => r.hot), 0, 'Animate is highlighted');
    // Down three times: Halt, Advance one frame, then past the separator to Logging.
    for (let i = 0; i < 3; ++i) await page.keyboard.press('ArrowDown');
    await expectHot(page, /^Logging$/, 'after Down three times');
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('ArrowDown');
    let from = page.log.length;
    await page.keyboard.press('Enter');
    await expectBar(page, 'resting closed', 'after choosing Logging');
    await expectKey(page, from, 'm');
    await page.click('.draxo-menubar > div');
    rows = await poll('the open menu', () => menuRows(page));
    assert.equal(rows[4].checked, true, 'Enter chose Logging');
    // Up from the top goes round to the last item that is not a separator.
    await page.keyboard.press('Escape');
    await page.keyboard.press('ArrowUp');
    await expectBar(page, 'highlighted open', 'after Escape and Up');
    await page.keyboard.press('ArrowUp');
    await expectHot(page, /^UPDATES: /, 'after Up from the top');
    from = page.log.length;
    await page.keyboard.press('Escape');
    await page.keyboard.press('Escape');
    await expectBar(page, 'resting closed', 'after two Escapes');
    await expectKey(page, from, 'n');
    assert.equal(eventsOf(page, from).filter((e) => e[0] === 2).length, 1, 'the menu\'s keys reached the program');
    await page.close();
  });

  test('Quit ends the program, and the page says so', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    await page.click('.draxo-menubar > div');
    await poll('the open menu', () => menuRows(page));
    await (await page.$$('.draxo-popup > *'))[10].click();
    await waitForLog(page, /^quit$/);
    await poll('the note that the program ended', () => page.evaluate(() =>
      document.querySelector('.draxo-ended .draxo-why')?.textContent === 'The program has ended.'));
    await page.close();
  });
});

describe('the input dialog', () => {
  async function openDialog(page) {
    await page.keyboard.type('g');
    return poll('the dialog', () => page.evaluate(() => {
      const backdrop = document.querySelector('.draxo-backdrop');
      if (!backdrop || backdrop.hidden) return null;
      return {title: backdrop.querySelector('.draxo-title span').textContent,
              focused: document.activeElement?.tagName,
              buttons: Array.from(backdrop.querySelectorAll('button:not(.draxo-close)')).map((b) => b.textContent),
              prompt: Array.from(backdrop.querySelectorAll('.draxo-static')).map((s) => s.textContent).join('|')};
    }));
  }

  test('Enter ends it with the text, cut to the buffer; the window beneath takes no input meanwhile', async () => {
    const page = await openProbe();
    const canvas = await windowCanvas(page, 'DRAXO Graphics');
    const dialog = await openDialog(page);
    assert.ok(['INPUT', 'TEXTAREA'].includes(dialog.focused), dialog.focused);
    assert.ok(dialog.prompt.includes('Type a word:'), dialog.prompt);
    const from = page.log.length;
    await clickPixel(page, canvas, 10, 10);  // on the backdrop: nobody's
    await page.keyboard.type('abcdefghij');
    await page.keyboard.press('Enter');
    const line = await waitForLog(page, /^gets /);
    assert.equal(line, 'gets 1 [abcdefg]');
    assert.equal(eventsOf(page, from).length, 0, 'input reached the window beneath the dialog');
    assert.equal(await page.evaluate(() => document.querySelector('.draxo-backdrop')), null);
    await page.close();
  });

  test('Ctrl+Enter starts a new line in it, as on the desktop; Enter alone ends it', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    await openDialog(page);
    await page.keyboard.type('ab');
    await page.keyboard.down('Control');
    await page.keyboard.press('Enter');
    await page.keyboard.up('Control');
    await page.keyboard.type('c');
    await page.keyboard.press('Enter');
    assert.equal(await waitForLog(page, /^gets /), 'gets 1 [ab\\x0d\\x0ac]');
    await page.close();
  });

  test('Okay ends it too; text beyond Latin-1 reads as question marks', async () => {
    const page = await openProbe();
    await windowCanvas(page, 'DRAXO Graphics');
    const dialog = await openDialog(page);
    assert.ok(dialog.buttons.some((b) => /Okay/.test(b)), dialog.buttons.join());
    await page.keyboard.type('\u00e9\u20ac!');
    const okay = await page.evaluateHandle(() => Array.from(document.querySelectorAll('.draxo-backdrop button'))
      .find((b) => /Okay/.test(b.textContent)));
    await okay.click();
    assert.equal(await waitForLog(page, /^gets /), 'gets 1 [\\xe9?!]');
    await page.close();
  });
});

describe('files', () => {
  test('a saved picture is kept by the browser across a reload and handed over as a download', async () => {
    const downloads = mkdtempSync(path.join(tmpdir(), 'draxo-downloads-'));
    try {
      const page = await openProbe();
      const cdp = await page.createCDPSession();
      await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
      await windowCanvas(page, 'DRAXO Graphics');
      await page.keyboard.type('ds');
      assert.equal(await waitForLog(page, /^saved /), 'saved 1');
      const file = path.join(downloads, 'probe.png');
      await poll('the download', () => readdirSync(downloads).includes('probe.png'));
      const png = await poll('the whole file', () => {
        const bytes = readFileSync(file);
        return bytes.length > 33 ? bytes : null;
      });
      assert.equal(png.subarray(1, 4).toString('latin1'), 'PNG');
      // (-50, 50) to (50, -50), both corners included.
      assert.equal(png.readUInt32BE(16), 101, 'width');
      assert.equal(png.readUInt32BE(20), 101, 'height');
      await page.evaluate(() => draxoRun.files.sync());
      await page.reload({waitUntil: 'load'});
      await poll('the program to start again', () => page.log.filter((l) => l === 'ready').length >= 2);
      const kept = await page.evaluate(() => draxoRun.files.list());
      assert.ok(kept.includes('probe.png'), kept.join());
      // The kept files were read and written without a fault.
      assert.deepEqual(page.log.filter((l) => /DRAXO: the files/.test(l)), []);
      await page.close();
    } finally {
      rmSync(downloads, {recursive: true, force: true});
    }
  });

  test('two pages of a site whose programs share a name keep their files apart; files kept for the name before are taken over', async () => {
    // A site of its own (an origin with nothing kept yet): the probe's page
    // under three folders, beside the runtime and fonts its pages share.
    const site = mkdtempSync(path.join(tmpdir(), 'draxo-site-'));
    for (const who of ['alice', 'bob', 'carol']) symlinkSync(path.join(process.env.DRAXO_WEB_PAGES, 'web_probe'), path.join(site, who));
    for (const shared of ['runtime', 'fonts']) symlinkSync(path.join(process.env.DRAXO_WEB_PAGES, shared), path.join(site, shared));
    const server = await serve(site);
    const open = async (who) => {
      const page = await openPage(browser.chrome.browser, server.url + who + '/index.html');
      await waitForLog(page, /^ready$/);
      return page;
    };
    const kept = (page) => page.evaluate(() => draxoRun.files.list());
    try {
      const alice = await open('alice');
      await windowCanvas(alice, 'DRAXO Graphics');
      await alice.keyboard.type('ds');
      assert.equal(await waitForLog(alice, /^saved /), 'saved 1');
      await alice.evaluate(() => draxoRun.files.sync());
      await alice.close();
      const bob = await open('bob');
      assert.deepEqual(await kept(bob), [], 'bob sees alice\'s picture');
      // A file kept, as before pages had a folder each, for every page of
      // the program's name: the first page to find its own folder empty
      // takes it over.
      await bob.evaluate(() => new Promise((done, fail) => {
        const request = indexedDB.open('/home/web_user/web_probe', 21);
        request.onupgradeneeded = () => request.result.createObjectStore('FILE_DATA').createIndex('timestamp', 'timestamp');
        request.onerror = () => fail(request.error);
        request.onsuccess = () => {
          const store = request.result.transaction('FILE_DATA', 'readwrite').objectStore('FILE_DATA');
          const put = store.put({timestamp: new Date(), mode: 0o100644, contents: new Uint8Array([104, 105])},
                                '/home/web_user/web_probe/old.txt');
          put.onsuccess = () => { request.result.close(); done(); };
          put.onerror = () => fail(put.error);
        };
      }));
      await bob.close();
      const carol = await open('carol');
      assert.deepEqual(await kept(carol), ['old.txt']);
      await carol.close();
      const again = await open('alice');
      assert.deepEqual(await kept(again), ['probe.png'], 'alice\'s folder after a reload');
      await again.close();
    } finally {
      server.stop();
      rmSync(site, {recursive: true, force: true});
    }
  });

  test('a save that would leave the page\'s folder is refused, whatever its letters; one that stays in it is kept', async () => {
    const downloads = mkdtempSync(path.join(tmpdir(), 'draxo-downloads-'));
    // The probe saves its picture under the path its first argument gives.
    const save = async (picture) => {
      const page = await openProbe({query: '?arg=' + encodeURIComponent(picture)});
      const cdp = await page.createCDPSession();
      await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
      await windowCanvas(page, 'DRAXO Graphics');
      await page.keyboard.type('ds');
      const saved = await waitForLog(page, /^saved /);
      const why = page.log.find((l) => l.startsWith('DRAXO: '));
      const files = await page.evaluate(() => draxoRun.files.list());
      await page.close();
      return {saved, why, files};
    };
    try {
      for (const outside of ['../outside.png', '/tmp/outside.png', '/home/web_user/outside.png',
                             'sub/../../outside.png']) {
        const result = await save(outside);
        assert.equal(result.saved, 'saved 0', outside);
        assert.match(result.why || '', /is not written: the browser keeps only the files in the program's folder/, outside);
      }
      // ".." that ends within the folder is the folder's: kept and downloaded.
      const within = await save('sub/../../web_probe/within.png');
      assert.equal(within.saved, 'saved 1');
      assert.ok(within.files.includes('within.png'), within.files.join());
      await poll('the download', () => readdirSync(downloads).includes('within.png'));
      assert.deepEqual(readdirSync(downloads).filter((f) => /outside/.test(f)), []);
    } finally {
      rmSync(downloads, {recursive: true, force: true});
    }
  });
});

describe('the end of the program', () => {
  test('the note of its end lies over the page, leaving the windows where they were, and Run again starts it afresh', async () => {
    const page = await openProbe();
    const before = await windowCanvas(page, 'DRAXO Graphics');
    await page.keyboard.type('A');
    await poll('the note', () => page.evaluate(() => !!document.querySelector('.draxo-ended button')));
    const after = await page.evaluate(() => {
      const box = document.querySelector('.draxo-window canvas').getBoundingClientRect();
      return {left: box.left, top: box.top};
    });
    assert.deepEqual(after, {left: before.left, top: before.top});
    const from = page.log.length;
    await page.click('.draxo-ended button');
    await poll('the program started again', () => page.log.slice(from).includes('ready'));
    assert.equal(await page.evaluate(() => document.querySelector('.draxo-ended')), null, 'the note is gone');
    await page.close();
  });

  const note = (page) => poll('the note that the program stopped', () => page.evaluate(() =>
    document.querySelector('.draxo-ended .draxo-why')?.textContent));

  test('the page says why the program stopped: abort(), a failed assertion, a crash, a stack overflow or a write through a null pointer, before or after its first wait', async () => {
    for (const [key, reason] of [
      ['A', /^The program stopped: it called abort\(\)\.$/],
      ['F', /^The program stopped: an assertion failed: key == 'G' \(.*web_probe\.c, line \d+, in main\)\.$/],
      ['T', /^The program stopped: it crashed \(unreachable\)\.$/],
      ['R', /^The program stopped: it crashed \(Maximum call stack size exceeded\)\.$/],
      ['N', /^The program stopped: it wrote through a null pointer \(near address 0\)\.$/],
    ]) {
      const page = await openProbe();
      await windowCanvas(page, 'DRAXO Graphics');
      await page.keyboard.type(key);
      assert.match(await note(page), reason, `after ${key}`);
      assert.match(await page.title(), /\(ended\)$/);
      await page.close();
    }
    const page = await openPage(browser.chrome.browser, browser.server.url + 'web_probe/index.html?arg=--trap');
    assert.match(await note(page), /^The program stopped: it crashed \(unreachable\)\.$/, 'a crash at the start');
    await page.close();
  });

  test('an argument holding a NUL byte is refused on the page and the program is not started; others reach it whole', async () => {
    let page = await openPage(browser.chrome.browser, browser.server.url + 'web_probe/index.html?arg=ok&arg=a%00b');
    assert.equal(await note(page),
      'The program was not started: its argument 2 holds a NUL character (%00), which no argument of a C program can hold.');
    assert.match(await page.title(), /\(not started\)$/);
    // Nothing starts later either.
    await new Promise((r) => setTimeout(r, 1000));
    assert.deepEqual(page.log.filter((l) => /^(argument|ready)/.test(l)), []);
    await page.close();
    page = await openProbe({query: '?arg=a%20b&arg=%C3%A9%01'});
    assert.deepEqual(page.log.filter((l) => l.startsWith('argument')), ['argument 1 [a b]', 'argument 2 [\\xc3\\xa9\\x01]']);
    await page.close();
  });
});
