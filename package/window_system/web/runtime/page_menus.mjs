// The menus of a program's windows on the page: menu bars and their popups,
// opened by the mouse or by the keyboard as the program's menu bar rules
// answer (draxo_web_menu_bar_key, asked by page_desktop.mjs); a choice is a
// native event for the program.

const EVENT_MENU_COMMAND = 4;
const MF_GRAYED = 0x1, MF_DISABLED = 0x2, MF_CHECKED = 0x8, MF_POPUP = 0x10, MF_SEPARATOR = 0x800;

// A menu text's parts: the label with its mnemonic underlined, the
// mnemonic letter, and the shortcut label after the tab.
export function menuText(text) {
  const tab = text.indexOf('\t');
  const label = tab < 0 ? text : text.slice(0, tab), shortcut = tab < 0 ? '' : text.slice(tab + 1);
  const span = document.createElement('span');
  span.className = 'draxo-label';
  let mnemonic = '';
  for (let i = 0; i < label.length; ++i) {
    let c = label.charAt(i);
    if (c == '&' && i + 1 < label.length) {
      c = label.charAt(++i);
      if (c != '&' && !mnemonic) {
        mnemonic = c.toUpperCase();
        const u = document.createElement('u');
        u.textContent = c;
        span.appendChild(u);
        continue;
      }
    }
    span.appendChild(document.createTextNode(c));
  }
  return {label: span, mnemonic, shortcut};
}

// The menus of the desktop `D` (page_desktop.mjs); `push` queues a native
// event for the program.
export function makeMenus(D, push) {
  function renderMenu(menu) {
    const element = menu.element;
    element.textContent = '';
    menu.items.forEach((item, position) => {
      let row;
      if (item.flags & MF_SEPARATOR) {
        row = document.createElement('hr');
      } else {
        const parts = menuText(item.text);
        item.mnemonic = parts.mnemonic;
        row = document.createElement('div');
        if (!menu.isBar) {
          const check = document.createElement('span');
          check.className = 'draxo-check';
          check.textContent = (item.flags & MF_CHECKED) ? '\u2713' : '';
          row.appendChild(check);
        }
        row.appendChild(parts.label);
        if (parts.shortcut) {
          const shortcut = document.createElement('span');
          shortcut.className = 'draxo-shortcut';
          shortcut.textContent = parts.shortcut;
          row.appendChild(shortcut);
        }
        row.classList.toggle('draxo-grayed', !!(item.flags & (MF_GRAYED | MF_DISABLED)));
        row.dataset.position = position;
        menuRowEvents(menu, row, position);
      }
      element.appendChild(row);
    });
  }
  function menuRowEvents(menu, row, position) {
    if (menu.isBar) {
      row.addEventListener('mousedown', (e) => {
        e.preventDefault();
        const open = D.openMenu;
        if (open && open.popup && open.bar == menu && open.index == position) closeMenu(true);
        else openBarItem(menu, position, -1);
      });
      row.addEventListener('mouseenter', () => {
        const open = D.openMenu;
        if (open && open.popup && open.bar == menu && open.index != position) openBarItem(menu, position, -1);
      });
      return;
    }
    row.addEventListener('mouseenter', () => {
      if (D.openMenu && D.openMenu.popup == menu) highlight(position);
    });
    row.addEventListener('mousedown', (e) => e.preventDefault());
    row.addEventListener('mouseup', (e) => {
      e.preventDefault();
      choose(menu, position);
    });
  }
  function barOwner(bar) {
    for (const w of D.windows.values()) if (w.menu == bar.handle) return w;
    return null;
  }
  function openBarItem(bar, index, highlightFirst) {
    closeMenu(false);
    const item = bar.items[index];
    if (!item || !(item.flags & MF_POPUP) || (item.flags & (MF_GRAYED | MF_DISABLED))) return;
    const popup = D.menus.get(item.popup);
    const owner = barOwner(bar);
    if (!popup || !owner) return;
    const title = bar.element.children[index];
    title.classList.add('draxo-hot');
    popup.element.style.left = title.offsetLeft + 'px';
    popup.element.style.top = (owner.menubar.offsetTop + owner.menubar.offsetHeight) + 'px';
    owner.frame.appendChild(popup.element);
    D.openMenu = {bar, index, popup, highlight: -1, owner};
    if (highlightFirst >= 0) highlight(nextItem(popup, -1, 1));
  }
  // The bar takes the keyboard with its title `index` highlighted and no
  // menu open.
  function selectBar(bar, index) {
    closeMenu(false);
    const owner = bar && barOwner(bar);
    const title = owner && bar.element.children[index];
    if (!title) return;
    title.classList.add('draxo-hot');
    D.openMenu = {bar, index, popup: null, highlight: -1, owner};
  }
  // The bar gives the keyboard back, its menu closed.
  function closeMenu(refocus) {
    const open = D.openMenu;
    if (!open) return;
    D.openMenu = null;
    D.altAlone = false;
    const title = open.bar.element.children[open.index];
    if (title) title.classList.remove('draxo-hot');
    if (open.popup) {
      open.popup.element.remove();
      Array.from(open.popup.element.children).forEach((row) => row.classList.remove('draxo-hot'));
    }
    if (refocus && open.owner) open.owner.canvas.focus();
  }
  function highlight(position) {
    const open = D.openMenu;
    if (!open || !open.popup) return;
    open.highlight = position;
    Array.from(open.popup.element.children).forEach((row, i) => row.classList.toggle('draxo-hot', i == position));
  }
  // The next item that is not a separator, going by `step` from `from`, round the menu.
  function nextItem(menu, from, step) {
    const count = menu.items.length;
    for (let n = 1; n <= count; ++n) {
      const i = ((from + step * n) % count + count) % count;
      if (!(menu.items[i].flags & MF_SEPARATOR)) return i;
    }
    return -1;
  }
  function choose(menu, position) {
    const item = menu.items[position];
    if (!item || (item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP))) return;
    closeMenu(true);
    push(EVENT_MENU_COMMAND, menu.handle, item.id);
  }
  // The arguments of the program's menu bar rules (draxo_web_menu_bar_key)
  // for a key: who holds the keyboard (the window, the bar, its open menu),
  // the title highlighted and Alt alone are the page's to keep.
  function askArguments(bar, e) {
    const open = D.openMenu;
    const heldBy = !open ? 0 : open.popup ? 2 : 1;
    const keys = {Alt: 0, F10: 1, Escape: 2, ArrowDown: 3, ArrowUp: 4, Enter: 5};
    const keyCode = e.key in keys ? keys[e.key] : 6;
    const flags = (e.type == 'keydown' ? 1 : 0) | (e.repeat ? 2 : 0) | (e.altKey ? 4 : 0) | (e.ctrlKey ? 8 : 0) |
                  (e.shiftKey || e.metaKey ? 16 : 0);
    return [heldBy, open ? open.index : 0, D.altAlone ? 1 : 0, keyCode, flags, mnemonicTitle(bar, e.key),
      bar ? bar.items.length : 0];
  }
  function obeyMenuBar(bar, answer) {
    switch (answer.action) {
    case 1: selectBar(bar, answer.title); break;
    case 2: openBarItem(bar, answer.title, 0); break;
    case 3: closeMenu(true); break;
    }
  }
  // The title of the bar whose mnemonic the key types, -1 for none.
  function mnemonicTitle(bar, k) {
    if (!bar || !k || k.length != 1) return -1;
    for (let i = 0; i < bar.items.length; ++i) if (bar.items[i].mnemonic == k.toUpperCase()) return i;
    return -1;
  }
  // Does what the rules answered for key `k`; the open menu's own keys move
  // through its items: the arrows move, Enter chooses, a mnemonic letter
  // chooses its item.
  function obeyKey(k, bar, answer) {
    if (answer.action != 4) return obeyMenuBar(bar, answer);
    const open = D.openMenu, popup = open && open.popup;
    if (!popup) return;
    switch (k.key) {
    case 'ArrowDown': highlight(nextItem(popup, open.highlight, 1)); return;
    case 'ArrowUp': highlight(nextItem(popup, open.highlight < 0 ? 0 : open.highlight, -1)); return;
    case 'ArrowLeft':
    case 'ArrowRight': {
      const step = k.key == 'ArrowRight' ? 1 : -1, titles = open.bar.items.length;
      openBarItem(open.bar, ((open.index + step) % titles + titles) % titles, 0);
      return;
    }
    case 'Enter': if (open.highlight >= 0) choose(popup, open.highlight); return;
    default:
      if (k.key && k.key.length == 1) {
        for (let i = 0; i < popup.items.length; ++i)
          if (popup.items[i].mnemonic == k.key.toUpperCase()) return choose(popup, i);
      }
    }
  }

  return {
    closeMenu,
    askArguments,
    obeyKey,
    calls: {
      createMenu(handle, isBar) {
        const element = document.createElement('div');
        element.className = isBar ? 'draxo-menubar' : 'draxo-popup';
        D.menus.set(handle, {handle, isBar: !!isBar, items: [], element});
      },
      appendMenuItem(handle, position, flags, id, text, popup) {
        const menu = D.menus.get(handle);
        if (!menu) return;
        menu.items[position] = {flags, id, text, popup};
        renderMenu(menu);
      },
      changeMenuItem(handle, position, flags) {
        const menu = D.menus.get(handle);
        if (!menu || !menu.items[position]) return;
        menu.items[position].flags = flags;
        const hot = D.openMenu && D.openMenu.popup == menu ? D.openMenu.highlight : -1;
        renderMenu(menu);
        if (hot >= 0) highlight(hot);
      },
      attachMenu(handle, menuHandle) {
        const w = D.windows.get(handle);
        if (!w) return;
        if (w.menubar) w.menubar.remove();
        const bar = D.menus.get(menuHandle);
        w.menu = bar ? menuHandle : 0;
        w.menubar = bar ? bar.element : null;
        if (bar) w.frame.insertBefore(bar.element, w.canvas);
      },
      selectMenuBar(handle) {
        const w = D.windows.get(handle);
        const bar = w && D.menus.get(w.menu);
        if (bar && bar.items.length && !D.dialogStack.length) selectBar(bar, 0);
      },
    },
  };
}
