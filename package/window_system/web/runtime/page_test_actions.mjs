// The actions of the backend contract suite's driver (tests/contract/
// web_driver.cpp) on the page, which its program asks for through
// draxo_web_page_call: carried out only on a page started with
// `testActions` (runtime.mjs), the suite's own; any other page refuses them.
// Each acts as the user does, by DOM events on the window's canvas, its menu
// rows, its close box and the dialog's field, so that the page's own
// handling of them is what the suite tests; pixels are read from the canvas.

// The actions over the desktop `D` (page_desktop.mjs), by the windows'
// handles: a function that carries out a request (a parsed JSON object, its
// `action` named) and gives its answer, a number or text; it throws when it
// cannot.
export function makeTestActions(D) {
  const windowOf = (handle) => {
    const w = D.windows.get(handle);
    if (!w) throw new Error(`the page has no window ${handle}`);
    return w;
  };
  // The label of a menu row, as the page shows it.
  const label = (row) => {
    const l = row.querySelector('.draxo-label');
    return l ? l.textContent : '';
  };
  const actions = {
    // A left-button press and release at the canvas pixel (x, y).
    click({window, x, y}) {
      const canvas = windowOf(window).canvas, box = canvas.getBoundingClientRect();
      const at = {
        clientX: box.left + (x + 0.5) * box.width / canvas.width,
        clientY: box.top + (y + 0.5) * box.height / canvas.height,
        button: 0, buttons: 1, bubbles: true,
      };
      canvas.dispatchEvent(new MouseEvent('mousedown', at));
      canvas.dispatchEvent(new MouseEvent('mouseup', {...at, buttons: 0}));
      return 0;
    },
    // A key typing the character `codePoint`, pressed and released.
    type({window, codePoint}) {
      const canvas = windowOf(window).canvas, key = String.fromCodePoint(codePoint);
      canvas.dispatchEvent(new KeyboardEvent('keydown', {key, bubbles: true}));
      canvas.dispatchEvent(new KeyboardEvent('keyup', {key, bubbles: true}));
      return 0;
    },
    // The bar's `title` pressed, which opens its menu, and its row `item`
    // released. Answers whether the item's row was there.
    choose({window, title, item}) {
      const w = windowOf(window);
      for (const row of w.menubar ? w.menubar.children : [])
        if (label(row) == title) row.dispatchEvent(new MouseEvent('mousedown', {bubbles: true}));
      const popup = w.frame.querySelector('.draxo-popup');
      const row = popup && Array.from(popup.children).find((r) => label(r) == item);
      if (row) row.dispatchEvent(new MouseEvent('mouseup', {bubbles: true}));
      return row ? 1 : 0;
    },
    close({window}) {
      const box = windowOf(window).frame.querySelector('.draxo-close');
      if (!box) throw new Error(`the window ${window} has no close box`);
      box.click();
      return 0;
    },
    // Answered at once; the page's own timer looks for the dialog titled
    // `title` while the program opens it and waits in its loop, then types
    // `text` into its focused field and presses Enter.
    answerDialog({title, text}) {
      const watch = setInterval(() => {
        const field = document.activeElement;
        const panel = field && field.closest && field.closest('.draxo-dialog');
        if (!panel || panel.querySelector('.draxo-title span').textContent != title) return;
        clearInterval(watch);
        field.value += text;
        field.dispatchEvent(new Event('input', {bubbles: true}));
        field.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter', code: 'Enter', bubbles: true}));
      }, 20);
      D.listeners.push(() => clearInterval(watch));
      return 0;
    },
    // 0x00RRGGBB of the canvas pixel (x, y), -1 outside the canvas.
    pixel({window, x, y}) {
      const canvas = windowOf(window).canvas;
      if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return -1;
      const d = canvas.getContext('2d').getImageData(x, y, 1, 1).data;
      return (d[0] << 16) | (d[1] << 8) | d[2];
    },
  };
  return (request) => {
    const name = request && request.action;
    if (!Object.hasOwn(actions, name)) throw new Error(`${name}: the page has no such action`);
    return actions[name](request);
  };
}
