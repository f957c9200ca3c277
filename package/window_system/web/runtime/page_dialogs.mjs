// The modal dialogs of a program on the page: a panel over a backdrop, its
// buttons, edit fields and static texts laid out in pixels, its keys (Enter,
// Escape, Tab) kept from the windows beneath. The program reads an edit
// field's text at once, in its worker: the page tells the worker every
// change.
import {menuText} from './page_menus.mjs';

const EVENT_DIALOG_COMMAND = 6;

// The dialog font of `pointSize` points.
function dialogFont(pointSize) {
  const px = Math.max(1, Math.round(pointSize * 96 / 72));
  return {css: px + 'px "Liberation Sans", Arial, sans-serif', px};
}

// The dialogs of the desktop `D` (page_desktop.mjs): `push` queues a native
// event for the program, `send` a message to its worker; `closeMenu` and
// `titleBar` are the desktop's.
export function makeDialogs(D, {push, send, closeMenu, titleBar}) {
  // Laid out in pixels.
  function createDialog(handle, owner, title, x, y, cx, cy, pointSize, closable) {
    const backdrop = document.createElement('div');
    backdrop.className = 'draxo-backdrop';
    backdrop.hidden = true;
    backdrop.addEventListener('mousedown', (e) => e.preventDefault());
    const panel = document.createElement('div');
    panel.className = 'draxo-dialog';
    panel.tabIndex = -1;
    panel.style.font = dialogFont(pointSize).css;
    panel.appendChild(titleBar(title, closable && (() => push(EVENT_DIALOG_COMMAND, handle, 2))));
    const client = document.createElement('div');
    client.className = 'draxo-client';
    client.style.width = cx + 'px';
    client.style.height = cy + 'px';
    panel.appendChild(client);
    backdrop.appendChild(panel);
    document.body.appendChild(backdrop);
    D.dialogs.set(handle, {handle, owner, backdrop, panel, client, at: [x, y], controls: [], defaultButton: null});
  }
  // The program reads an edit field's text at once, in the worker: the
  // page tells it every change.
  function mirror(handle, id, element) {
    const text = element.tagName == 'TEXTAREA' ? element.value.replace(/\r?\n/g, '\r\n') : element.value;
    send({type: 'dialogText', handle, id, text});
  }
  function addDialogControl(handle, kind, id, style, x, y, cx, cy, text) {
    const d = D.dialogs.get(handle);
    if (!d) return;
    let element;
    if (kind == 0x80) {
      element = document.createElement('button');
      element.appendChild(menuText(text).label);
      if ((style & 0xF) == 1) {
        element.classList.add('draxo-default');
        if (!d.defaultButton) d.defaultButton = element;
      }
      element.addEventListener('click', () => push(EVENT_DIALOG_COMMAND, handle, id));
    } else if (kind == 0x81) {
      element = document.createElement((style & 0x4) ? 'textarea' : 'input');
      if (element.tagName == 'INPUT') element.type = 'text';
      element.value = text;
      element.readOnly = !!(style & 0x800);
      element.spellcheck = false;
      element.dataset.wantReturn = (style & 0x1000) ? '1' : '';
      if (style & 0x00800000) element.classList.add('draxo-border');
      element.addEventListener('input', () => mirror(handle, id, element));
      // The field's own value: a line field keeps no line breaks, a text
      // area's are CR LF.
      mirror(handle, id, element);
    } else {
      element = document.createElement('div');
      element.className = 'draxo-static';
      element.textContent = text;
      const align = style & 0x1F;
      element.style.textAlign = align == 1 ? 'center' : align == 2 ? 'right' : 'left';
      if (align == 0xC) element.style.whiteSpace = 'pre';
    }
    element.style.left = x + 'px';
    element.style.top = y + 'px';
    element.style.width = cx + 'px';
    element.style.height = cy + 'px';
    element.hidden = !(style & 0x10000000);
    if (style & 0x08000000) element.disabled = true;
    element.tabIndex = (style & 0x10000) ? 0 : -1;
    d.client.appendChild(element);
    d.controls.push({id, element, text});
  }
  function showDialog(handle) {
    const d = D.dialogs.get(handle);
    if (!d) return;
    closeMenu(false);
    d.backdrop.hidden = false;
    // Placed from the owner's client area, kept inside the page.
    const owner = D.windows.get(d.owner);
    let left = d.at[0], top = d.at[1];
    if (owner) {
      const box = owner.canvas.getBoundingClientRect();
      left += box.left;
      top += box.top;
    }
    const width = d.panel.offsetWidth, height = d.panel.offsetHeight;
    left = Math.max(0, Math.min(left, window.innerWidth - width));
    top = Math.max(0, Math.min(top, window.innerHeight - height));
    d.panel.style.left = left + 'px';
    d.panel.style.top = top + 'px';
    if (D.dialogStack.indexOf(handle) < 0) D.dialogStack.push(handle);
    d.panel.focus();
  }
  const tabStops = (d) => d.controls.map((c) => c.element).filter((el) => el.tabIndex >= 0 && !el.hidden && !el.disabled);
  function focusFirstTabStop(handle) {
    const d = D.dialogs.get(handle);
    const stops = d ? tabStops(d) : [];
    if (stops.length) stops[0].focus();
  }
  // Keys of the innermost dialog: Enter presses the focused button or the
  // default one (IDOK without one), Escape is IDCANCEL, Tab moves round
  // its tab stops; nothing reaches the windows beneath it.
  function dialogKey(e) {
    const d = D.dialogs.get(D.dialogStack[D.dialogStack.length - 1]);
    if (!d) return;
    if (!d.panel.contains(e.target)) {
      e.preventDefault();
      e.stopPropagation();
      d.panel.focus();
    }
    if (e.type != 'keydown') return;
    const target = e.target;
    if (e.key == 'Escape') {
      e.preventDefault();
      push(EVENT_DIALOG_COMMAND, d.handle, 2);
    } else if (e.key == 'Enter') {
      if (target.tagName == 'TEXTAREA' && (target.dataset.wantReturn || e.ctrlKey)) {
        // A text area starts a new line for Enter alone; for Ctrl+Enter too,
        // as on the desktop.
        if (e.ctrlKey) {
          e.preventDefault();
          target.setRangeText('\n', target.selectionStart, target.selectionEnd, 'end');
          const control = d.controls.find((c) => c.element == target);
          if (control) mirror(d.handle, control.id, target);
        }
        return;
      }
      e.preventDefault();
      if (target.tagName == 'BUTTON' && d.panel.contains(target)) target.click();
      else if (d.defaultButton && !d.defaultButton.disabled) d.defaultButton.click();
      else if (!d.defaultButton) push(EVENT_DIALOG_COMMAND, d.handle, 1);
    } else if (e.key == 'Tab') {
      e.preventDefault();
      const stops = tabStops(d);
      if (!stops.length) return;
      const at = stops.indexOf(document.activeElement);
      const next = at < 0 ? 0 : (at + (e.shiftKey ? -1 : 1) + stops.length) % stops.length;
      stops[next].focus();
    }
  }
  function destroyDialog(handle) {
    const d = D.dialogs.get(handle);
    if (!d) return;
    D.dialogs.delete(handle);
    const at = D.dialogStack.indexOf(handle);
    if (at >= 0) D.dialogStack.splice(at, 1);
    d.backdrop.remove();
    const owner = D.windows.get(d.owner);
    if (owner && !owner.frame.hidden && !D.dialogStack.length) owner.canvas.focus();
  }

  return {
    dialogKey,
    calls: {createDialog, addDialogControl, showDialog, focusFirstTabStop, destroyDialog},
  };
}
