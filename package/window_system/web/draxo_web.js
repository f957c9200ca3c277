// The web backend's JavaScript part: the page side of the package's windows,
// menus, timers, dialogs and files. Linked into every program with
// --js-library.
//
// The program runs on the page's one thread and is suspended (ASYNCIFY)
// while it waits. Input, timers, menu choices and dialog buttons therefore
// never call into the program: they append native events to DRAXO.events
// and wake the program if it sleeps, and the program takes the events when
// it polls (web_app.cpp).
//
// Files: the program's current directory is kept in the browser's storage
// (IndexedDB), one directory for each page, read before the program starts
// and written back whenever a file there changes. A file saved by replacing
// (written under a fresh name and renamed over its own, as pictures and card
// files are), and a recorded script once it is closed, are also handed to
// the user as downloads.

var LibraryDraxoWeb = {
  $DRAXO__deps: ['$FS', '$IDBFS', '$PATH', '$PATH_FS', '$Asyncify'],
  $DRAXO__postset: 'DRAXO.preparePage();',
  $DRAXO: {
    EVENT_INPUT: 1, EVENT_TIMER: 2, EVENT_CLOSE: 3, EVENT_MENU_COMMAND: 4, EVENT_FOCUS: 5, EVENT_DIALOG_COMMAND: 6,
    WM_KEYDOWN: 0x100, WM_KEYUP: 0x101, WM_SYSKEYDOWN: 0x104, WM_SYSKEYUP: 0x105, WM_MOUSEMOVE: 0x200,
    MF_GRAYED: 0x1, MF_DISABLED: 0x2, MF_CHECKED: 0x8, MF_POPUP: 0x10, MF_SEPARATOR: 0x800,
    fontsDir: '/draxo-fonts/',
    fontFiles: ['LiberationSans-Regular.ttf', 'LiberationSans-Bold.ttf', 'LiberationMono-Regular.ttf'],

    events: [],
    waker: null,          // wakes the suspended program
    windows: {},          // by handle
    menus: {},
    dialogs: {},
    dialogStack: [],      // open dialogs, innermost last
    timers: {},
    held: {},             // virtual key -> held, for Shift, Ctrl and Alt
    focused: 0,           // the window whose canvas has the keyboard
    openMenu: null,       // {bar, index, popup, highlight, owner}: the bar that has the keyboard,
                          // its title `index` highlighted, its menu `popup` open or null
    altAlone: false,      // Alt is down and no other key came since it went down
    desktop: null,
    storageDir: '',
    storageDb: '',        // the name of the kept folder's database
    guarding: false,      // the program's writes outside its folder are refused
    pageWriting: false,   // the page writes a file of its own
    syncing: false,
    syncAgain: false,
    ended: false,
    closedFrames: [],     // windows destroyed since a window was last made

    // --- The queue ----------------------------------------------------------
    // An event: its kind, the record's handle, four numbers, and for input
    // the modifier keys held with it (the layer's HELD_*).
    push: function(kind, handle, a, b, c, d, modifiers) {
      if (DRAXO.ended) return;
      var event = [kind, handle | 0, a | 0, b | 0, c | 0, d | 0, modifiers | 0];
      // A move replaces an unread move of the same window at the queue's
      // end, as the layer's core does: a fast mouse cannot flood the queue.
      var last = DRAXO.events[DRAXO.events.length - 1];
      if (kind == DRAXO.EVENT_INPUT && a == DRAXO.WM_MOUSEMOVE && last && last[0] == kind && last[1] == event[1] &&
          last[2] == DRAXO.WM_MOUSEMOVE)
        DRAXO.events[DRAXO.events.length - 1] = event;
      else
        DRAXO.events.push(event);
      DRAXO.wake();
    },
    // The modifier keys of a key or mouse event (the layer's HELD_SHIFT,
    // HELD_CONTROL, HELD_ALT).
    modifiersOf: function(e) { return (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0); },
    wake: function() {
      var wake = DRAXO.waker;
      DRAXO.waker = null;
      if (wake) wake();
    },

    // --- Before the program starts: the page, the fonts and the files --------
    preparePage: function() {
      if (typeof document == 'undefined') return;
      var refused = DRAXO.refusedArguments(Module['arguments'] || []);
      if (refused) {
        // Never removed: the program does not start.
        addRunDependency('draxo-arguments');
        DRAXO.end('The program was not started: ' + refused, 'not started');
        return;
      }
      addOnPreRun(DRAXO.loadFonts);
      addOnPreRun(DRAXO.mountStorage);
      addOnPreRun(DRAXO.keepNullArea);
      addOnInit(function() { DRAXO.guarding = true; });
      var onExit = Module['onExit'];
      Module['onExit'] = function(status) {
        DRAXO.end('The program has ended.');
        if (onExit) onExit(status);
      };
      var onAbort = Module['onAbort'];
      Module['onAbort'] = function(what) {
        DRAXO.end('The program stopped: ' + DRAXO.stopReason(what));
        if (onAbort) onAbort(what);
      };
      // A crash of the program before its first wait leaves the runtime as
      // an error of the page's, or a promise's when the program was started
      // by the last file it waited for; after that wait, as the end of the
      // suspended program (watchForTheEnd).
      var onCrash = function(error) {
        if (DRAXO.crashed(error)) DRAXO.end('The program stopped: ' + DRAXO.stopReason(error));
      };
      window.addEventListener('error', function(e) { onCrash(e.error); });
      window.addEventListener('unhandledrejection', function(e) { onCrash(e.reason); });
      Module['draxoFiles'] = {
        dir: function() { return DRAXO.storageDir; },
        read: function(name) { return FS.readFile(DRAXO.storageDir + '/' + name); },
        write: function(name, bytes) { FS.writeFile(DRAXO.storageDir + '/' + name, bytes); },
        list: function() { return FS.readdir(DRAXO.storageDir).filter(function(n) { return n != '.' && n != '..'; }); },
        sync: function() { return new Promise(function(done) { DRAXO.syncNow(done); }); }
      };
    },
    // Why the program cannot be given these arguments, or ''. A C argument
    // ends at its first NUL byte: one that holds a NUL (%00 in the page's
    // address) would reach the program cut short.
    refusedArguments: function(args) {
      for (var i = 0; i < args.length; ++i) {
        if (String(args[i]).indexOf('\0') >= 0)
          return 'its argument ' + (i + 1) + ' holds a NUL character (%00), which no argument of a C program can hold.';
      }
      return '';
    },
    // Whether an error is the program's crash: a trap of the WebAssembly
    // machine (a memory access out of bounds, unreachable code), or the
    // browser's stack limit reached within the program.
    crashed: function(error) {
      if (typeof WebAssembly != 'undefined' && error instanceof WebAssembly.RuntimeError) return true;
      return error instanceof RangeError && /wasm/.test(String(error.stack));
    },
    // Why the program stopped, in words, from what the runtime gives: the
    // text of an abort (empty for abort() itself) or the error that ended it.
    stopReason: function(what) {
      if (what instanceof Error) return DRAXO.crashed(what) ? 'it crashed (' + what.message + ').' : String(what);
      what = String(what === undefined ? '' : what);
      if (!what) return 'it called abort().';
      var assertion = /^Assertion failed: ([\s\S]*), at: ([\s\S]*),(\d+),([^,]*)$/.exec(what);
      if (assertion)
        return 'an assertion failed: ' + assertion[1] + ' (' + assertion[2] + ', line ' + assertion[3] +
               (assertion[4] ? ', in ' + assertion[4] : '') + ').';
      if (/^OOM$|^Cannot enlarge memory/.test(what)) return 'it ran out of memory.';
      return what;
    },
    pageUrl: function(file) {
      var base = Module['draxoBase'] || '';
      return base + file;
    },
    loadFonts: function() {
      try { FS.mkdir(DRAXO.fontsDir); } catch (e) {}
      DRAXO.fontFiles.forEach(function(file) {
        var id = 'draxo-font-' + file;
        addRunDependency(id);
        DRAXO.fetchFont(file).finally(function() { removeRunDependency(id); });
      });
    },
    // Puts the page's fonts/`file` into the font folder; a promise that is
    // settled either way.
    fetchFont: function(file) {
      if (typeof fetch == 'undefined') return Promise.resolve();
      return fetch(DRAXO.pageUrl((Module['draxoFonts'] || 'fonts/') + file)).then(function(response) {
        if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
        return response.arrayBuffer();
      }).then(function(bytes) {
        DRAXO.asPage(function() { FS.writeFile(DRAXO.fontsDir + file, new Uint8Array(bytes)); });
      }).catch(function(e) {
        console.warn('DRAXO: the font ' + file + ' was not loaded (' + e.message + ')');
      });
    },
    // The program's folder, kept in a database of the browser's own for
    // this page: two pages of a site whose programs share a name
    // (alice/main.c, bob/main.c) keep their files apart. A page that finds
    // its database empty the first time takes over the files kept, before
    // pages had one each, for every program of its name.
    mountStorage: function() {
      var name = String(Module['draxoProgram'] || 'program').replace(/[^A-Za-z0-9_.-]/g, '_');
      DRAXO.storageDir = '/home/web_user/' + name;
      var pageDb = DRAXO.storageDir + ' ' + location.pathname.replace(/[^/]*$/, '');
      DRAXO.storageDb = pageDb;
      DRAXO.useStorageDb();
      FS.mkdirTree(DRAXO.storageDir);
      FS.mount(IDBFS, {}, DRAXO.storageDir);
      FS.chdir(DRAXO.storageDir);
      addRunDependency('draxo-storage');
      DRAXO.populate(function(empty) {
        var marker = 'draxo-storage-taken-over:' + pageDb, first = false;
        try {
          first = !localStorage.getItem(marker);
          localStorage.setItem(marker, '1');
        } catch (e) {}
        if (!empty || !first) return DRAXO.storageReady();
        DRAXO.storageDb = DRAXO.storageDir;
        DRAXO.populate(function(stillEmpty) {
          DRAXO.storageDb = pageDb;
          if (!stillEmpty) DRAXO.syncNow();
          DRAXO.storageReady();
        });
      });
      DRAXO.watchFiles();
      window.addEventListener('pagehide', function() { DRAXO.syncNow(); });
    },
    // IDBFS names a folder's database by the folder: the kept folder's is
    // DRAXO.storageDb instead.
    useStorageDb: function() {
      var getDB = IDBFS.getDB;
      IDBFS.getDB = function(name, callback) {
        return getDB(name == DRAXO.storageDir ? DRAXO.storageDb : name, callback);
      };
    },
    // Reads the kept files into the program's folder (the writes it makes
    // are no changes to keep); `done(empty)`, empty when none were there.
    populate: function(done) {
      DRAXO.syncing = true;
      FS.syncfs(true, function(error) {
        if (error) console.warn('DRAXO: the files kept by the browser could not be read (' + error + ')');
        DRAXO.syncing = false;
        DRAXO.syncAgain = false;
        done(FS.readdir(DRAXO.storageDir).length <= 2);
      });
    },
    storageReady: function() {
      FS.chdir(DRAXO.storageDir);
      removeRunDependency('draxo-storage');
    },
    // Where a path leads: absolute, its "." and ".." taken away as the
    // page's file system takes them (by the letters, before any link), and
    // then through every symbolic link on the way, the last one too when
    // `followLast`. A part that is not there yet is kept as it is spelt.
    resolvedPath: function(path, followLast) {
      var absolute = PATH_FS.resolve(FS.cwd(), String(path));
      var rest = [];
      for (var at = absolute; ; at = PATH.dirname(at)) {
        try {
          var found = FS.lookupPath(at, {follow: followLast || rest.length > 0});
          return PATH.join2(FS.getPath(found.node), rest.join('/'));
        } catch (e) {
          if (at == '/') return absolute;
          rest.unshift(PATH.basename(at));
        }
      }
    },
    // Whether a resolved path lies within the program's folder, which the
    // browser keeps.
    inStorage: function(resolved) {
      var dir = DRAXO.storageDir + '/';
      return !!DRAXO.storageDir && resolved.slice(0, dir.length) == dir;
    },
    // The browser keeps the program's folder and nothing else: a file
    // written anywhere else would be gone at the next visit although the
    // program was told it was saved. So outside that folder the page's file
    // system is read only for the program (EROFS: "Read-only file system"),
    // devices (its standard streams, /dev/null) apart; the page's own files,
    // its fonts, are written as `DRAXO.asPage` does.
    guardWrite: function(path, followLast) {
      if (!DRAXO.guarding || DRAXO.pageWriting || typeof path != 'string') return;
      var resolved = DRAXO.resolvedPath(path, followLast);
      if (DRAXO.inStorage(resolved)) return;
      try {
        if (FS.isChrdev(FS.lookupPath(resolved, {follow: true}).node.mode)) return;
      } catch (e) {}
      console.warn('DRAXO: ' + path + ' is not written: the browser keeps only the files in the program\'s folder ' +
                   DRAXO.storageDir + ', and the rest of the page\'s file system is read only');
      throw new FS.ErrnoError({{{ cDefine('EROFS') }}});
    },
    asPage: function(write) {
      DRAXO.pageWriting = true;
      try {
        return write();
      } finally {
        DRAXO.pageWriting = false;
      }
    },
    // Every change of a file in the program's folder is written back to the
    // browser's storage; a file renamed over another there, as a save
    // does, is also downloaded. Changes elsewhere are refused (guardWrite).
    watchFiles: function() {
      var O_ACCMODE = {{{ cDefine('O_ACCMODE') }}}, O_CREAT = {{{ cDefine('O_CREAT') }}};
      var O_TRUNC = {{{ cDefine('O_TRUNC') }}}, O_NOFOLLOW = {{{ cDefine('O_NOFOLLOW') }}};
      var open = FS.open, write = FS.write, close = FS.close, rename = FS.rename, unlink = FS.unlink;
      var mknod = FS.mknod, symlink = FS.symlink, rmdir = FS.rmdir, truncate = FS.truncate;
      FS.open = function(path, flags) {
        var bits = typeof flags == 'string' ? FS.modeStringToFlags(flags) : flags;
        if ((bits & O_ACCMODE) || (bits & (O_CREAT | O_TRUNC))) DRAXO.guardWrite(path, !(bits & O_NOFOLLOW));
        return open.apply(FS, arguments);
      };
      FS.mknod = function(path) {
        DRAXO.guardWrite(path, false);
        return mknod.apply(FS, arguments);
      };
      FS.symlink = function(target, path) {
        DRAXO.guardWrite(path, false);
        return symlink.apply(FS, arguments);
      };
      FS.rmdir = function(path) {
        DRAXO.guardWrite(path, false);
        return rmdir.apply(FS, arguments);
      };
      FS.truncate = function(path) {
        DRAXO.guardWrite(path, true);
        return truncate.apply(FS, arguments);
      };
      // A stream's path is the one its file is found at, links and ".."
      // already resolved.
      FS.write = function(stream) {
        var written = write.apply(FS, arguments);
        if (stream && stream.path && DRAXO.inStorage(stream.path)) DRAXO.scheduleSync();
        return written;
      };
      // A recorded script, closed at the end of its recording, is handed
      // over as the pictures are: a session to hand in.
      FS.close = function(stream) {
        var path = stream && stream.path;
        var written = stream && (stream.flags & O_ACCMODE);
        var result = close.apply(FS, arguments);
        if (path && DRAXO.inStorage(path)) {
          DRAXO.scheduleSync();
          if (written && PATH.basename(path) == 'DRAXO.SCR') DRAXO.download(path);
        }
        return result;
      };
      FS.rename = function(from, to) {
        DRAXO.guardWrite(from, false);
        DRAXO.guardWrite(to, false);
        var target = DRAXO.resolvedPath(to, false);
        var result = rename.apply(FS, arguments);
        if (DRAXO.inStorage(target)) {
          DRAXO.scheduleSync();
          DRAXO.download(target);
          // The page may keep track of what was saved (the designer's page:
          // its last card), by the name within the folder.
          if (Module['draxoSaved']) Module['draxoSaved'](target.slice(DRAXO.storageDir.length + 1));
        }
        return result;
      };
      FS.unlink = function(path) {
        DRAXO.guardWrite(path, false);
        var target = DRAXO.resolvedPath(path, false);
        var result = unlink.apply(FS, arguments);
        if (DRAXO.inStorage(target)) DRAXO.scheduleSync();
        return result;
      };
    },
    scheduleSync: function() {
      if (DRAXO.syncPending) return;
      DRAXO.syncPending = true;
      setTimeout(function() {
        DRAXO.syncPending = false;
        DRAXO.syncNow();
      }, 0);
    },
    syncNow: function(done) {
      if (!DRAXO.storageDir) { if (done) done(); return; }
      if (DRAXO.syncing) {
        DRAXO.syncAgain = true;
        if (done) (DRAXO.syncWaiters = DRAXO.syncWaiters || []).push(done);
        return;
      }
      DRAXO.syncing = true;
      FS.syncfs(false, function(error) {
        DRAXO.syncing = false;
        if (error) console.warn('DRAXO: the files could not be kept by the browser (' + error + ')');
        var waiters = DRAXO.syncWaiters || [];
        DRAXO.syncWaiters = [];
        if (DRAXO.syncAgain) {
          DRAXO.syncAgain = false;
          DRAXO.syncNow(function() { waiters.forEach(function(w) { w(); }); if (done) done(); });
          return;
        }
        waiters.forEach(function(w) { w(); });
        if (done) done();
      });
    },
    download: function(path) {
      var bytes;
      try { bytes = FS.readFile(path); } catch (e) { return; }
      var name = path.split('/').pop();
      var type = /\.png$/i.test(name) ? 'image/png' : 'application/octet-stream';
      var url = URL.createObjectURL(new Blob([bytes], {type: type}));
      var link = document.createElement('a');
      link.href = url;
      link.download = name;
      link.style.display = 'none';
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(function() { URL.revokeObjectURL(url); }, 60000);
    },

    // A program that has been suspended returns from main into no caller:
    // once it has, it ends here as it would have ended without suspending
    // (stdio flushed, the runtime's exit).
    watchForTheEnd: function() {
      if (!Asyncify.currData || Asyncify.asyncPromiseHandlers) return;
      Asyncify.asyncPromiseHandlers = {
        resolve: function(status) {
          try {
            exit(status | 0);
          } catch (e) {
            if (!(e instanceof ExitStatus)) throw e;
          }
        },
        reject: function(error) {
          if (error instanceof ExitStatus) return;
          DRAXO.end('The program stopped: ' + DRAXO.stopReason(error));
          throw error;
        }
      };
    },

    // Memory below the program's first data (1024 bytes) holds nothing of
    // the program's; a write there went through a null pointer, or to a
    // field of a struct through one, which WebAssembly lets through where a
    // desktop stops the program. The area is kept as it was before main and
    // looked at whenever the program waits or yields: the program stops
    // there, saying so.
    nullArea: null,
    keepNullArea: function() {
      DRAXO.nullArea = HEAP32.slice(0, 256);
    },
    checkNullArea: function() {
      var kept = DRAXO.nullArea;
      if (!kept) return;
      for (var i = 0; i < kept.length; ++i) {
        if (HEAP32[i] === kept[i]) continue;
        DRAXO.nullArea = null;
        abort('it wrote through a null pointer (near address ' + 4 * i + ').');
      }
    },

    // --- The page -------------------------------------------------------------
    open: function() {
      if (typeof document == 'undefined') return false;
      if (DRAXO.desktop) return true;
      DRAXO.addStyle();
      var host = document.getElementById('draxo') || document.body;
      DRAXO.desktop = document.createElement('div');
      DRAXO.desktop.className = 'draxo-desktop';
      host.appendChild(DRAXO.desktop);
      // A screen of a whole number of device pixels to the page's pixel
      // shows the canvases' pixels as sharp squares; at 1.25 or 1.5 squares
      // of unequal sizes would make strokes uneven, so they are smoothed.
      var fitRendering = function() {
        var ratio = window.devicePixelRatio || 1;
        DRAXO.desktop.classList.toggle('draxo-smooth', Math.abs(ratio - Math.round(ratio)) > 0.01);
      };
      var watchRatio = function() {
        fitRendering();
        if (!window.matchMedia) return;
        var ratio = window.devicePixelRatio || 1;
        window.matchMedia('(resolution: ' + ratio + 'dppx)').addEventListener('change', watchRatio, {once: true});
      };
      watchRatio();
      window.addEventListener('resize', fitRendering);
      var track = function(e) {
        DRAXO.held[0x10] = e.shiftKey; DRAXO.held[0x11] = e.ctrlKey; DRAXO.held[0x12] = e.altKey;
      };
      ['keydown', 'keyup', 'mousedown', 'mouseup'].forEach(function(type) {
        document.addEventListener(type, track, true);
      });
      // A click anywhere but on the bar or its open menu gives the keyboard
      // back; a click that closes an open menu goes no further.
      document.addEventListener('mousedown', function(e) {
        DRAXO.altAlone = false;
        var open = DRAXO.openMenu;
        if (open && !e.target.closest('.draxo-menubar, .draxo-popup')) {
          DRAXO.closeMenu(true);
          if (open.popup && e.target.closest('canvas')) { e.preventDefault(); e.stopPropagation(); }
        }
      }, true);
      document.addEventListener('keydown', DRAXO.onDocumentKey, true);
      document.addEventListener('keyup', DRAXO.onDocumentKey, true);
      return true;
    },
    addStyle: function() {
      var style = document.createElement('style');
      style.textContent = [
        '.draxo-desktop { display: inline-flex; flex-direction: column; gap: 8px; font: 13px "Liberation Sans", Arial, sans-serif; }',
        '.draxo-window { display: inline-block; border: 1px solid #6b7b8c; background: #f0f0f0; box-shadow: 0 1px 4px rgba(0,0,0,.25); position: relative; }',
        '.draxo-window[hidden], .draxo-dialog[hidden] { display: none; }',
        '.draxo-title { display: flex; align-items: center; height: 24px; padding: 0 4px 0 8px; background: #1f5fa8; color: #fff; user-select: none; }',
        '.draxo-window:not(.draxo-active) .draxo-title { background: #8a9bb0; }',
        '.draxo-title span { flex: 1; white-space: nowrap; overflow: hidden; }',
        '.draxo-close { border: 0; background: transparent; color: inherit; font-size: 16px; width: 24px; height: 20px; cursor: pointer; }',
        '.draxo-close:hover { background: #c42b1c; }',
        '.draxo-menubar { display: flex; height: 20px; background: #f0f0f0; border-bottom: 1px solid #d0d0d0; user-select: none; position: relative; }',
        '.draxo-menubar > div { padding: 2px 8px; cursor: default; }',
        '.draxo-menubar > div.draxo-hot { background: #cce4f7; }',
        '.draxo-window canvas { display: block; outline: none; image-rendering: pixelated; }',
        '.draxo-smooth .draxo-window canvas { image-rendering: auto; }',
        '.draxo-popup { position: absolute; z-index: 10; background: #f9f9f9; border: 1px solid #999; box-shadow: 2px 2px 4px rgba(0,0,0,.3); padding: 2px 0; min-width: 180px; }',
        '.draxo-popup > div { display: flex; padding: 3px 12px 3px 4px; white-space: pre; cursor: default; }',
        '.draxo-popup > div.draxo-hot { background: #cce4f7; }',
        '.draxo-popup > div.draxo-grayed { color: #888; }',
        '.draxo-popup > hr { border: 0; border-top: 1px solid #ccc; margin: 3px 2px; }',
        '.draxo-check { width: 20px; text-align: center; }',
        '.draxo-label { flex: 1; }',
        '.draxo-shortcut { padding-left: 24px; }',
        '.draxo-backdrop { position: fixed; inset: 0; z-index: 20; }',
        '.draxo-dialog { position: absolute; z-index: 21; background: #f0f0f0; border: 1px solid #6b7b8c; box-shadow: 0 2px 8px rgba(0,0,0,.35); }',
        '.draxo-dialog .draxo-client { position: relative; overflow: hidden; }',
        '.draxo-dialog .draxo-client > * { position: absolute; box-sizing: border-box; margin: 0; font: inherit; }',
        '.draxo-dialog input, .draxo-dialog textarea { border: 0; padding: 1px 2px; background: #fff; resize: none; }',
        '.draxo-dialog .draxo-border { border: 1px solid #7a7a7a; }',
        '.draxo-dialog button.draxo-default { border: 2px solid #1f5fa8; }',
        '.draxo-dialog .draxo-static { white-space: pre-wrap; overflow: hidden; }',
        '.draxo-closed { opacity: .6; pointer-events: none; }',
        '.draxo-ended { position: fixed; top: 8px; right: 8px; z-index: 30; max-width: 40%; padding: 6px 8px; background: #fff4ce; border: 1px solid #c8a600; box-shadow: 0 2px 6px rgba(0,0,0,.25); }',
        '.draxo-ended button { margin-left: 8px; font: inherit; }'
      ].join('\n');
      document.head.appendChild(style);
    },
    // Shows `why` in a note over the page, beside a button that starts the
    // program again (a reload does too), and greys the program's last
    // windows, left where they were; the page's title says `state` (ended,
    // not started).
    end: function(why, state) {
      if (DRAXO.ended || typeof document == 'undefined') return;
      DRAXO.ended = true;
      DRAXO.closeMenu(false);
      Object.keys(DRAXO.timers).forEach(function(key) { clearInterval(DRAXO.timers[key]); });
      DRAXO.timers = {};
      DRAXO.syncNow();
      if (!DRAXO.desktop) DRAXO.open();
      DRAXO.closedFrames.forEach(function(f) { f.hidden = !f.dataset.wasShown; });
      Object.keys(DRAXO.windows).forEach(function(key) { DRAXO.windows[key].frame.classList.add('draxo-closed'); });
      var note = document.createElement('div');
      note.className = 'draxo-ended';
      var text = document.createElement('span');
      text.className = 'draxo-why';
      text.textContent = why;
      var again = document.createElement('button');
      again.textContent = 'Run again';
      again.title = 'Reloads the page: the program starts afresh';
      again.addEventListener('click', function() { location.reload(); });
      note.append(text, again);
      DRAXO.desktop.insertBefore(note, DRAXO.desktop.firstChild);
      document.title = document.title + ' (' + (state || 'ended') + ')';
    },

    // --- Windows ---------------------------------------------------------------
    // A title bar, with a close box that calls `close` when one is given.
    titleBar: function(title, close) {
      var bar = document.createElement('div');
      bar.className = 'draxo-title';
      var caption = document.createElement('span');
      caption.textContent = title;
      bar.appendChild(caption);
      if (close) {
        var box = document.createElement('button');
        box.className = 'draxo-close';
        box.title = 'Close';
        box.textContent = '\u00d7';
        box.tabIndex = -1;
        box.addEventListener('click', close);
        bar.appendChild(box);
      }
      return bar;
    },
    createWindow: function(handle, title, width, height, closable) {
      DRAXO.closedFrames.forEach(function(f) { f.remove(); });
      DRAXO.closedFrames = [];
      var frame = document.createElement('div');
      frame.className = 'draxo-window';
      frame.hidden = true;
      frame.dataset.title = title;
      frame.appendChild(DRAXO.titleBar(title, closable && function() { DRAXO.push(DRAXO.EVENT_CLOSE, handle); }));
      var canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      canvas.style.width = width + 'px';
      canvas.style.height = height + 'px';
      canvas.tabIndex = 0;
      frame.appendChild(canvas);
      DRAXO.desktop.appendChild(frame);
      var w = {handle: handle, frame: frame, canvas: canvas, context: canvas.getContext('2d'), menu: 0, menubar: null};
      DRAXO.windows[handle] = w;
      DRAXO.listen(w);
      if (!document.title) document.title = title;
    },
    listen: function(w) {
      var canvas = w.canvas, handle = w.handle;
      canvas.addEventListener('mousedown', function(e) {
        canvas.focus();
        DRAXO.mouse(w, e, true);
      });
      canvas.addEventListener('mouseup', function(e) { DRAXO.mouse(w, e, false); });
      // A drag keeps the pointer's events for the canvas until its last
      // button is up, also when the pointer leaves it.
      canvas.addEventListener('pointerdown', function(e) { canvas.setPointerCapture(e.pointerId); });
      canvas.addEventListener('mousemove', function(e) { DRAXO.mouseMove(w, e); });
      canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      canvas.addEventListener('keydown', function(e) { DRAXO.key(w, e, true); });
      canvas.addEventListener('keyup', function(e) { DRAXO.key(w, e, false); });
      canvas.addEventListener('focus', function() {
        var from = DRAXO.focused;
        DRAXO.focused = handle;
        DRAXO.markActive(handle);
        if (from != handle) DRAXO.push(DRAXO.EVENT_FOCUS, handle, from);
      });
      canvas.addEventListener('blur', function(e) {
        if (e.relatedTarget && e.relatedTarget.tagName == 'CANVAS' && e.relatedTarget.closest('.draxo-window')) return;
        if (DRAXO.focused != handle) return;
        DRAXO.focused = 0;
        DRAXO.push(DRAXO.EVENT_FOCUS, 0, handle);
      });
    },
    markActive: function(handle) {
      Object.keys(DRAXO.windows).forEach(function(key) {
        var w = DRAXO.windows[key];
        w.frame.classList.toggle('draxo-active', w.handle == handle);
      });
    },
    // The canvas pixel under the pointer, also when the page is zoomed or
    // the screen has several device pixels to one of the page's.
    pixelAt: function(canvas, e) {
      var box = canvas.getBoundingClientRect();
      var x = Math.floor((e.clientX - box.left) * canvas.width / box.width);
      var y = Math.floor((e.clientY - box.top) * canvas.height / box.height);
      return [Math.max(0, Math.min(canvas.width - 1, x)), Math.max(0, Math.min(canvas.height - 1, y))];
    },
    mouse: function(w, e, down) {
      var ids = down ? [0x201, 0x207, 0x204] : [0x202, 0x208, 0x205];
      if (e.button > 2 || DRAXO.dialogStack.length) return;
      e.preventDefault();
      DRAXO.push(DRAXO.EVENT_INPUT, w.handle, ids[e.button], DRAXO.mouseKeys(e), DRAXO.packedPixel(w, e), -1,
                 DRAXO.modifiersOf(e));
    },
    // Moves matter only while a button is held.
    mouseMove: function(w, e) {
      if (!(e.buttons & 7) || DRAXO.dialogStack.length) return;
      DRAXO.push(DRAXO.EVENT_INPUT, w.handle, DRAXO.WM_MOUSEMOVE, DRAXO.mouseKeys(e), DRAXO.packedPixel(w, e), -1,
                 DRAXO.modifiersOf(e));
    },
    // The buttons and keys held, as a mouse message's wparam (MK_*).
    mouseKeys: function(e) {
      return (e.buttons & 1 ? 0x1 : 0) | (e.buttons & 2 ? 0x2 : 0) | (e.buttons & 4 ? 0x10 : 0) |
             (e.shiftKey ? 0x4 : 0) | (e.ctrlKey ? 0x8 : 0);
    },
    packedPixel: function(w, e) {
      var at = DRAXO.pixelAt(w.canvas, e);
      return (at[0] & 0xFFFF) | ((at[1] & 0xFFFF) << 16);
    },
    virtualKey: function(e) {
      if (e.key && e.key.length == 1 && /[a-z]/i.test(e.key)) return e.key.toUpperCase().charCodeAt(0);
      var code = e.code || '';
      var m;
      if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
      if ((m = /^(?:Digit|Numpad)([0-9])$/.exec(code))) return 0x30 + +m[1];
      if ((m = /^F([0-9]+)$/.exec(code)) && +m[1] >= 1 && +m[1] <= 24) return 0x70 + +m[1] - 1;
      var named = {
        Backspace: 0x08, Tab: 0x09, Enter: 0x0D, NumpadEnter: 0x0D, ShiftLeft: 0x10, ShiftRight: 0x10,
        ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Pause: 0x13, CapsLock: 0x14,
        Escape: 0x1B, Space: 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, ArrowLeft: 0x25,
        ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Insert: 0x2D, Delete: 0x2E, Semicolon: 0xBA,
        Equal: 0xBB, Comma: 0xBC, Minus: 0xBD, Period: 0xBE, Slash: 0xBF, Backquote: 0xC0, BracketLeft: 0xDB,
        Backslash: 0xDC, BracketRight: 0xDD, Quote: 0xDE
      };
      if (code in named) return named[code];
      var byKey = {Shift: 0x10, Control: 0x11, Alt: 0x12, Enter: 0x0D, Escape: 0x1B, Backspace: 0x08, Tab: 0x09};
      if (e.key in byKey) return byKey[e.key];
      if (e.key && e.key.length == 1 && e.key.charCodeAt(0) > 0x7F && e.key.charCodeAt(0) <= 0xFF)
        return e.key.charCodeAt(0);
      return 0;
    },
    // The character a key press types, as a code point, -1 for none; the
    // control character of Ctrl and a letter. The program makes it the
    // package's character (Latin-1, '?' beyond it).
    typedCharacter: function(e) {
      var special = {Enter: 13, Backspace: 8, Tab: 9, Escape: 27};
      if (e.key in special) return special[e.key];
      var chars = Array.from(e.key || '');
      if (chars.length != 1) return -1;
      var code = chars[0].codePointAt(0);
      if (e.ctrlKey && !e.altKey && /[a-z]/i.test(chars[0])) return code & 0x1F;
      return code;
    },
    key: function(w, e, down) {
      if (DRAXO.dialogStack.length) return;
      if (DRAXO.openMenu) return;  // the menu bar's own (onDocumentKey)
      if (DRAXO.ended) return e.preventDefault();  // the program asks nothing any more
      var vk = DRAXO.virtualKey(e);
      // The menu bar's rules: Alt pressed and released alone selects the
      // bar, Alt and a title's mnemonic opens its menu (F10 selects the bar
      // through the package, which sees it as a system key).
      var bar = DRAXO.menus[w.menu];
      var answer = DRAXO.askMenuBar(bar, e, down);
      e.preventDefault();
      if (answer.toWindow) {
        var system = e.altKey || vk == 0x79;
        var id = down ? (system ? DRAXO.WM_SYSKEYDOWN : DRAXO.WM_KEYDOWN) : (system ? DRAXO.WM_SYSKEYUP : DRAXO.WM_KEYUP);
        var lparam = 1 | (e.altKey ? 1 << 29 : 0) | (!down || e.repeat ? 1 << 30 : 0) | (!down ? 1 << 31 : 0);
        DRAXO.push(DRAXO.EVENT_INPUT, w.handle, id, vk, lparam, down ? DRAXO.typedCharacter(e) : -1,
                   DRAXO.modifiersOf(e));
      }
      DRAXO.obeyMenuBar(bar, answer);
    },
    onDocumentKey: function(e) {
      if (DRAXO.openMenu) {
        DRAXO.menuKey(e);
        return;
      }
      if (DRAXO.dialogStack.length) DRAXO.dialogKey(e);
    },
    putPixels: function(handle, rgba, stride, width, height, x, y, w, h) {
      var win = DRAXO.windows[handle];
      if (!win) return;
      var data = new Uint8ClampedArray(HEAPU8.buffer, rgba, stride * height * 4);
      win.context.putImageData(new ImageData(data, stride, height), 0, 0, x, y, w, h);
    },

    // --- Menus -------------------------------------------------------------------
    // A menu text's parts: the label with its mnemonic underlined, the
    // mnemonic letter, and the shortcut label after the tab.
    menuText: function(text) {
      var tab = text.indexOf('\t');
      var label = tab < 0 ? text : text.slice(0, tab), shortcut = tab < 0 ? '' : text.slice(tab + 1);
      var span = document.createElement('span');
      span.className = 'draxo-label';
      var mnemonic = '';
      for (var i = 0; i < label.length; ++i) {
        var c = label.charAt(i);
        if (c == '&' && i + 1 < label.length) {
          c = label.charAt(++i);
          if (c != '&' && !mnemonic) {
            mnemonic = c.toUpperCase();
            var u = document.createElement('u');
            u.textContent = c;
            span.appendChild(u);
            continue;
          }
        }
        span.appendChild(document.createTextNode(c));
      }
      return {label: span, mnemonic: mnemonic, shortcut: shortcut};
    },
    renderMenu: function(menu) {
      var element = menu.element;
      element.textContent = '';
      menu.items.forEach(function(item, position) {
        var row;
        if (item.flags & DRAXO.MF_SEPARATOR) {
          row = document.createElement('hr');
        } else {
          var parts = DRAXO.menuText(item.text);
          item.mnemonic = parts.mnemonic;
          row = document.createElement('div');
          if (!menu.isBar) {
            var check = document.createElement('span');
            check.className = 'draxo-check';
            check.textContent = (item.flags & DRAXO.MF_CHECKED) ? '\u2713' : '';
            row.appendChild(check);
          }
          row.appendChild(parts.label);
          if (parts.shortcut) {
            var shortcut = document.createElement('span');
            shortcut.className = 'draxo-shortcut';
            shortcut.textContent = parts.shortcut;
            row.appendChild(shortcut);
          }
          row.classList.toggle('draxo-grayed', !!(item.flags & (DRAXO.MF_GRAYED | DRAXO.MF_DISABLED)));
          row.dataset.position = position;
          DRAXO.menuRowEvents(menu, row, position);
        }
        element.appendChild(row);
      });
    },
    menuRowEvents: function(menu, row, position) {
      if (menu.isBar) {
        row.addEventListener('mousedown', function(e) {
          e.preventDefault();
          var open = DRAXO.openMenu;
          if (open && open.popup && open.bar == menu && open.index == position) DRAXO.closeMenu(true);
          else DRAXO.openBarItem(menu, position, -1);
        });
        row.addEventListener('mouseenter', function() {
          var open = DRAXO.openMenu;
          if (open && open.popup && open.bar == menu && open.index != position) DRAXO.openBarItem(menu, position, -1);
        });
        return;
      }
      row.addEventListener('mouseenter', function() {
        if (DRAXO.openMenu && DRAXO.openMenu.popup == menu) DRAXO.highlight(position);
      });
      row.addEventListener('mousedown', function(e) { e.preventDefault(); });
      row.addEventListener('mouseup', function(e) {
        e.preventDefault();
        DRAXO.choose(menu, position);
      });
    },
    barOwner: function(bar) {
      for (var key in DRAXO.windows) if (DRAXO.windows[key].menu == bar.handle) return DRAXO.windows[key];
      return null;
    },
    openBarItem: function(bar, index, highlight) {
      DRAXO.closeMenu(false);
      var item = bar.items[index];
      if (!item || !(item.flags & DRAXO.MF_POPUP) || (item.flags & (DRAXO.MF_GRAYED | DRAXO.MF_DISABLED))) return;
      var popup = DRAXO.menus[item.popup];
      var owner = DRAXO.barOwner(bar);
      if (!popup || !owner) return;
      var title = bar.element.children[index];
      title.classList.add('draxo-hot');
      popup.element.style.left = title.offsetLeft + 'px';
      popup.element.style.top = (owner.menubar.offsetTop + owner.menubar.offsetHeight) + 'px';
      owner.frame.appendChild(popup.element);
      DRAXO.openMenu = {bar: bar, index: index, popup: popup, highlight: -1, owner: owner};
      if (highlight >= 0) DRAXO.highlight(DRAXO.nextItem(popup, -1, 1));
    },
    // The bar takes the keyboard with its title `index` highlighted and no
    // menu open.
    selectBar: function(bar, index) {
      DRAXO.closeMenu(false);
      var owner = bar && DRAXO.barOwner(bar);
      var title = owner && bar.element.children[index];
      if (!title) return;
      title.classList.add('draxo-hot');
      DRAXO.openMenu = {bar: bar, index: index, popup: null, highlight: -1, owner: owner};
    },
    // The bar gives the keyboard back, its menu closed.
    closeMenu: function(refocus) {
      var open = DRAXO.openMenu;
      if (!open) return;
      DRAXO.openMenu = null;
      DRAXO.altAlone = false;
      var title = open.bar.element.children[open.index];
      if (title) title.classList.remove('draxo-hot');
      if (open.popup) {
        open.popup.element.remove();
        Array.from(open.popup.element.children).forEach(function(row) { row.classList.remove('draxo-hot'); });
      }
      if (refocus && open.owner) open.owner.canvas.focus();
    },
    highlight: function(position) {
      var open = DRAXO.openMenu;
      if (!open || !open.popup) return;
      open.highlight = position;
      Array.from(open.popup.element.children).forEach(function(row, i) { row.classList.toggle('draxo-hot', i == position); });
    },
    // The next item that is not a separator, going by `step` from `from`, round the menu.
    nextItem: function(menu, from, step) {
      var count = menu.items.length;
      for (var n = 1; n <= count; ++n) {
        var i = ((from + step * n) % count + count) % count;
        if (!(menu.items[i].flags & DRAXO.MF_SEPARATOR)) return i;
      }
      return -1;
    },
    choose: function(menu, position) {
      var item = menu.items[position];
      if (!item || (item.flags & (DRAXO.MF_GRAYED | DRAXO.MF_DISABLED | DRAXO.MF_SEPARATOR | DRAXO.MF_POPUP))) return;
      DRAXO.closeMenu(true);
      DRAXO.push(DRAXO.EVENT_MENU_COMMAND, menu.handle, item.id);
    },
    // The menu bar's keyboard rules are the program's (ws_menu_keys.h),
    // asked through a function that reads and changes nothing of its state,
    // so that the page may ask it while the program waits: who holds the
    // keyboard (the window, the bar, its open menu) and Alt alone are the
    // page's to keep. The answer's action, in its lowest three bits: 0
    // nothing, 1 select the bar, 2 open a title's menu, 3 give the keyboard
    // back, 4 the open menu's own key; the key also reaches the window
    // (bit 3), Alt is alone (bit 6), the title (from bit 8).
    askMenuBar: function(bar, e, down) {
      var open = DRAXO.openMenu;
      var held = !open ? 0 : open.popup ? 2 : 1;
      var keys = {Alt: 0, F10: 1, Escape: 2, ArrowDown: 3, ArrowUp: 4, Enter: 5};
      var key = e.key in keys ? keys[e.key] : 6;
      var flags = (down ? 1 : 0) | (e.repeat ? 2 : 0) | (e.altKey ? 4 : 0) | (e.ctrlKey ? 8 : 0) |
                  (e.shiftKey || e.metaKey ? 16 : 0);
      var answer = Module['_draxo_web_menu_bar_key'](held, open ? open.index : 0, DRAXO.altAlone ? 1 : 0, key, flags,
                                                     DRAXO.mnemonicTitle(bar, e.key), bar ? bar.items.length : 0);
      DRAXO.altAlone = !!(answer & 0x40);
      return {action: answer & 7, toWindow: !!(answer & 8), title: answer >> 8};
    },
    obeyMenuBar: function(bar, answer) {
      switch (answer.action) {
      case 1: DRAXO.selectBar(bar, answer.title); break;
      case 2: DRAXO.openBarItem(bar, answer.title, 0); break;
      case 3: DRAXO.closeMenu(true); break;
      }
    },
    // The title of the bar whose mnemonic the key types, -1 for none.
    mnemonicTitle: function(bar, key) {
      if (!bar || !key || key.length != 1) return -1;
      for (var i = 0; i < bar.items.length; ++i)
        if (bar.items[i].mnemonic == key.toUpperCase()) return i;
      return -1;
    },
    // While the bar has the keyboard no key reaches the window: the rules
    // say what a key does to the bar, and the open menu's own keys move
    // through its items: the arrows move, Enter chooses, a mnemonic letter
    // chooses its item.
    menuKey: function(e) {
      var open = DRAXO.openMenu;
      e.preventDefault();
      e.stopPropagation();
      if (DRAXO.ended) return;
      var answer = DRAXO.askMenuBar(open.bar, e, e.type == 'keydown');
      if (answer.action != 4) return DRAXO.obeyMenuBar(open.bar, answer);
      var popup = open.popup;
      switch (e.key) {
      case 'ArrowDown': DRAXO.highlight(DRAXO.nextItem(popup, open.highlight, 1)); return;
      case 'ArrowUp': DRAXO.highlight(DRAXO.nextItem(popup, open.highlight < 0 ? 0 : open.highlight, -1)); return;
      case 'ArrowLeft':
      case 'ArrowRight': {
        var bar = open.bar, step = e.key == 'ArrowRight' ? 1 : -1;
        var next = ((open.index + step) % bar.items.length + bar.items.length) % bar.items.length;
        DRAXO.openBarItem(bar, next, 0);
        return;
      }
      case 'Enter': if (open.highlight >= 0) DRAXO.choose(popup, open.highlight); return;
      default:
        if (e.key && e.key.length == 1) {
          for (var i = 0; i < popup.items.length; ++i)
            if (popup.items[i].mnemonic == e.key.toUpperCase()) return DRAXO.choose(popup, i);
        }
      }
    },

    // --- Dialogs -----------------------------------------------------------------
    // The dialog font of `pointSize` points, and its base units: its average
    // character width and its character height, from which the program
    // converts dialog units.
    dialogFont: function(pointSize) {
      var px = Math.max(1, Math.round(pointSize * 96 / 72));
      return {css: px + 'px "Liberation Sans", Arial, sans-serif', px: px};
    },
    baseUnits: function(pointSize) {
      var font = DRAXO.dialogFont(pointSize);
      var context = document.createElement('canvas').getContext('2d');
      context.font = font.css;
      var letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz';
      return {x: Math.round(context.measureText(letters).width / 52), y: Math.round(font.px * 1.15)};
    },
    // Laid out in pixels.
    createDialog: function(handle, owner, title, x, y, cx, cy, pointSize, closable) {
      var backdrop = document.createElement('div');
      backdrop.className = 'draxo-backdrop';
      backdrop.hidden = true;
      backdrop.addEventListener('mousedown', function(e) { e.preventDefault(); });
      var panel = document.createElement('div');
      panel.className = 'draxo-dialog';
      panel.tabIndex = -1;
      panel.style.font = DRAXO.dialogFont(pointSize).css;
      panel.appendChild(DRAXO.titleBar(title, closable && function() {
        DRAXO.push(DRAXO.EVENT_DIALOG_COMMAND, handle, 2);
      }));
      var client = document.createElement('div');
      client.className = 'draxo-client';
      client.style.width = cx + 'px';
      client.style.height = cy + 'px';
      panel.appendChild(client);
      backdrop.appendChild(panel);
      document.body.appendChild(backdrop);
      DRAXO.dialogs[handle] = {handle: handle, owner: owner, backdrop: backdrop, panel: panel, client: client,
                               at: [x, y], controls: [], defaultButton: null};
    },
    addDialogControl: function(handle, kind, id, style, x, y, cx, cy, text) {
      var d = DRAXO.dialogs[handle];
      if (!d) return;
      style = style >>> 0;
      var element;
      if (kind == 0x80) {
        element = document.createElement('button');
        element.appendChild(DRAXO.menuText(text).label);
        if ((style & 0xF) == 1) {
          element.classList.add('draxo-default');
          if (!d.defaultButton) d.defaultButton = element;
        }
        element.addEventListener('click', function() { DRAXO.push(DRAXO.EVENT_DIALOG_COMMAND, handle, id); });
      } else if (kind == 0x81) {
        element = document.createElement((style & 0x4) ? 'textarea' : 'input');
        if (element.tagName == 'INPUT') element.type = 'text';
        element.value = text;
        element.readOnly = !!(style & 0x800);
        element.spellcheck = false;
        element.dataset.wantReturn = (style & 0x1000) ? '1' : '';
        if (style & 0x00800000) element.classList.add('draxo-border');
      } else {
        element = document.createElement('div');
        element.className = 'draxo-static';
        element.textContent = text;
        var align = style & 0x1F;
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
      d.controls.push({id: id, element: element, text: text});
    },
    showDialog: function(handle) {
      var d = DRAXO.dialogs[handle];
      if (!d) return;
      DRAXO.closeMenu(false);
      d.backdrop.hidden = false;
      // Placed from the owner's client area, kept inside the page.
      var owner = DRAXO.windows[d.owner];
      var left = d.at[0], top = d.at[1];
      if (owner) {
        var box = owner.canvas.getBoundingClientRect();
        left += box.left;
        top += box.top;
      }
      var width = d.panel.offsetWidth, height = d.panel.offsetHeight;
      left = Math.max(0, Math.min(left, window.innerWidth - width));
      top = Math.max(0, Math.min(top, window.innerHeight - height));
      d.panel.style.left = left + 'px';
      d.panel.style.top = top + 'px';
      if (DRAXO.dialogStack.indexOf(handle) < 0) DRAXO.dialogStack.push(handle);
      d.panel.focus();
    },
    tabStops: function(d) {
      return d.controls.map(function(c) { return c.element; }).filter(function(el) {
        return el.tabIndex >= 0 && !el.hidden && !el.disabled;
      });
    },
    focusFirstTabStop: function(handle) {
      var d = DRAXO.dialogs[handle];
      var stops = d ? DRAXO.tabStops(d) : [];
      if (stops.length) stops[0].focus();
    },
    // Keys of the innermost dialog: Enter presses the focused button or the
    // default one (IDOK without one), Escape is IDCANCEL, Tab moves round
    // its tab stops; nothing reaches the windows beneath it.
    dialogKey: function(e) {
      var d = DRAXO.dialogs[DRAXO.dialogStack[DRAXO.dialogStack.length - 1]];
      if (!d) return;
      if (!d.panel.contains(e.target)) {
        e.preventDefault();
        e.stopPropagation();
        d.panel.focus();
      }
      if (e.type != 'keydown') return;
      var target = e.target;
      if (e.key == 'Escape') {
        e.preventDefault();
        DRAXO.push(DRAXO.EVENT_DIALOG_COMMAND, d.handle, 2);
      } else if (e.key == 'Enter') {
        if (target.tagName == 'TEXTAREA' && (target.dataset.wantReturn || e.ctrlKey)) {
          // A text area starts a new line for Enter alone; for Ctrl+Enter too,
          // as on the desktop.
          if (e.ctrlKey) {
            e.preventDefault();
            target.setRangeText('\n', target.selectionStart, target.selectionEnd, 'end');
          }
          return;
        }
        e.preventDefault();
        if (target.tagName == 'BUTTON' && d.panel.contains(target)) target.click();
        else if (d.defaultButton && !d.defaultButton.disabled) d.defaultButton.click();
        else if (!d.defaultButton) DRAXO.push(DRAXO.EVENT_DIALOG_COMMAND, d.handle, 1);
      } else if (e.key == 'Tab') {
        e.preventDefault();
        var stops = DRAXO.tabStops(d);
        if (!stops.length) return;
        var at = stops.indexOf(document.activeElement);
        var next = at < 0 ? 0 : (at + (e.shiftKey ? -1 : 1) + stops.length) % stops.length;
        stops[next].focus();
      }
    },
    dialogText: function(handle, id) {
      var d = DRAXO.dialogs[handle];
      if (!d) return null;
      for (var i = 0; i < d.controls.length; ++i) {
        var c = d.controls[i];
        if (c.id != id) continue;
        var el = c.element;
        if (el.tagName == 'TEXTAREA') return el.value.replace(/\r?\n/g, '\r\n');
        if (el.tagName == 'INPUT') return el.value;
        return c.text;
      }
      return null;
    },
    destroyDialog: function(handle) {
      var d = DRAXO.dialogs[handle];
      if (!d) return;
      delete DRAXO.dialogs[handle];
      var at = DRAXO.dialogStack.indexOf(handle);
      if (at >= 0) DRAXO.dialogStack.splice(at, 1);
      d.backdrop.remove();
      var owner = DRAXO.windows[d.owner];
      if (owner && !owner.frame.hidden && !DRAXO.dialogStack.length) owner.canvas.focus();
    }
  },

  draxo_web_open_page__deps: ['$DRAXO'],
  draxo_web_open_page: function() { return DRAXO.open() ? 1 : 0; },

  draxo_web_create_window__deps: ['$DRAXO'],
  draxo_web_create_window: function(handle, title, width, height, closable) {
    DRAXO.createWindow(handle, UTF8ToString(title), width, height, closable);
  },
  draxo_web_destroy_window__deps: ['$DRAXO'],
  draxo_web_destroy_window: function(handle) {
    var w = DRAXO.windows[handle];
    if (!w) return;
    if (DRAXO.openMenu && DRAXO.openMenu.owner == w) DRAXO.closeMenu(false);
    delete DRAXO.windows[handle];
    // Kept out of sight: if the program ends now, its last windows come
    // back, greyed, under the note that it ended.
    w.frame.dataset.wasShown = w.frame.hidden ? '' : '1';
    w.frame.hidden = true;
    w.frame.classList.add('draxo-closed');
    w.frame.classList.remove('draxo-active');
    DRAXO.closedFrames.push(w.frame);
    if (DRAXO.focused == handle) DRAXO.focused = 0;
  },
  draxo_web_show_window__deps: ['$DRAXO'],
  draxo_web_show_window: function(handle, visible, activate) {
    var w = DRAXO.windows[handle];
    if (!w) return;
    w.frame.hidden = !visible;
    if (!visible && DRAXO.openMenu && DRAXO.openMenu.owner == w) DRAXO.closeMenu(false);
    if (visible && activate && !DRAXO.dialogStack.length) w.canvas.focus();
  },
  draxo_web_put_pixels__deps: ['$DRAXO'],
  draxo_web_put_pixels: function(handle, rgba, stride, width, height, x, y, w, h) {
    DRAXO.putPixels(handle, rgba, stride, width, height, x, y, w, h);
  },

  draxo_web_create_menu__deps: ['$DRAXO'],
  draxo_web_create_menu: function(handle, isBar) {
    var element = document.createElement('div');
    element.className = isBar ? 'draxo-menubar' : 'draxo-popup';
    DRAXO.menus[handle] = {handle: handle, isBar: !!isBar, items: [], element: element};
  },
  draxo_web_append_menu_item__deps: ['$DRAXO'],
  draxo_web_append_menu_item: function(handle, position, flags, id, text, popup) {
    var menu = DRAXO.menus[handle];
    if (!menu) return;
    menu.items[position] = {flags: flags >>> 0, id: id >>> 0, text: UTF8ToString(text), popup: popup};
    DRAXO.renderMenu(menu);
  },
  draxo_web_change_menu_item__deps: ['$DRAXO'],
  draxo_web_change_menu_item: function(handle, position, flags) {
    var menu = DRAXO.menus[handle];
    if (!menu || !menu.items[position]) return;
    menu.items[position].flags = flags >>> 0;
    var highlight = DRAXO.openMenu && DRAXO.openMenu.popup == menu ? DRAXO.openMenu.highlight : -1;
    DRAXO.renderMenu(menu);
    if (highlight >= 0) DRAXO.highlight(highlight);
  },
  draxo_web_attach_menu__deps: ['$DRAXO'],
  draxo_web_attach_menu: function(handle, menuHandle) {
    var w = DRAXO.windows[handle];
    if (!w) return;
    if (w.menubar) w.menubar.remove();
    var bar = DRAXO.menus[menuHandle];
    w.menu = bar ? menuHandle : 0;
    w.menubar = bar ? bar.element : null;
    if (bar) w.frame.insertBefore(bar.element, w.canvas);
  },
  draxo_web_select_menu_bar__deps: ['$DRAXO'],
  draxo_web_select_menu_bar: function(handle) {
    var w = DRAXO.windows[handle];
    var bar = w && DRAXO.menus[w.menu];
    if (bar && bar.items.length && !DRAXO.dialogStack.length) DRAXO.selectBar(bar, 0);
  },

  draxo_web_start_timer__deps: ['$DRAXO'],
  draxo_web_start_timer: function(handle, id, period) {
    var key = handle + ':' + id;
    if (DRAXO.timers[key]) clearInterval(DRAXO.timers[key]);
    DRAXO.timers[key] = setInterval(function() {
      // An expiry already waiting in the queue stands for this one too.
      for (var i = 0; i < DRAXO.events.length; ++i) {
        var e = DRAXO.events[i];
        if (e[0] == DRAXO.EVENT_TIMER && e[1] == handle && e[2] == id) return;
      }
      DRAXO.push(DRAXO.EVENT_TIMER, handle, id);
    }, Math.max(1, period));
  },
  draxo_web_stop_timer__deps: ['$DRAXO'],
  draxo_web_stop_timer: function(handle, id) {
    var key = handle + ':' + id;
    if (DRAXO.timers[key]) clearInterval(DRAXO.timers[key]);
    delete DRAXO.timers[key];
    DRAXO.events = DRAXO.events.filter(function(e) { return !(e[0] == DRAXO.EVENT_TIMER && e[1] == handle && e[2] == id); });
  },

  draxo_web_take_event__deps: ['$DRAXO'],
  draxo_web_take_event: function(out) {
    var e = DRAXO.events.shift();
    if (!e) return 0;
    for (var i = 0; i < 7; ++i) HEAP32[(out >> 2) + i] = e[i];
    return 1;
  },
  draxo_web_wait_for_event__deps: ['$DRAXO'],
  draxo_web_wait_for_event: function() {
    DRAXO.checkNullArea();
    var result = Asyncify.handleSleep(function(wakeUp) {
      if (DRAXO.events.length) wakeUp();
      else DRAXO.waker = wakeUp;
    });
    DRAXO.watchForTheEnd();
    return result;
  },
  draxo_web_yield__deps: ['$DRAXO'],
  draxo_web_yield: function() {
    DRAXO.checkNullArea();
    var result = Asyncify.handleSleep(function(wakeUp) { setTimeout(wakeUp, 0); });
    DRAXO.watchForTheEnd();
    return result;
  },
  draxo_web_fetch_font__deps: ['$DRAXO'],
  draxo_web_fetch_font: function(file) {
    var name = UTF8ToString(file);
    var result = Asyncify.handleSleep(function(wakeUp) {
      DRAXO.fetchFont(name).then(function() { wakeUp(); });
    });
    DRAXO.watchForTheEnd();
    return result;
  },
  draxo_web_key_held__deps: ['$DRAXO'],
  draxo_web_key_held: function(vk) { return DRAXO.held[vk] ? 1 : 0; },

  draxo_web_dialog_base_units__deps: ['$DRAXO'],
  draxo_web_dialog_base_units: function(pointSize, units) {
    var base = DRAXO.baseUnits(pointSize);
    HEAP32[units >> 2] = base.x;
    HEAP32[(units >> 2) + 1] = base.y;
  },
  draxo_web_create_dialog__deps: ['$DRAXO'],
  draxo_web_create_dialog: function(handle, owner, title, x, y, cx, cy, pointSize, closable) {
    DRAXO.createDialog(handle, owner, UTF8ToString(title), x, y, cx, cy, pointSize, closable);
  },
  draxo_web_add_dialog_control__deps: ['$DRAXO'],
  draxo_web_add_dialog_control: function(handle, kind, id, style, x, y, cx, cy, text) {
    DRAXO.addDialogControl(handle, kind, id >>> 0, style, x, y, cx, cy, UTF8ToString(text));
  },
  draxo_web_show_dialog__deps: ['$DRAXO'],
  draxo_web_show_dialog: function(handle) { DRAXO.showDialog(handle); },
  draxo_web_focus_first_tab_stop__deps: ['$DRAXO'],
  draxo_web_focus_first_tab_stop: function(handle) { DRAXO.focusFirstTabStop(handle); },
  draxo_web_dialog_item_text__deps: ['$DRAXO'],
  draxo_web_dialog_item_text: function(handle, id, buffer, size) {
    var text = DRAXO.dialogText(handle, id >>> 0);
    if (text === null) return -1;
    // UTF-8; the encoder writes U+FFFD for a lone surrogate.
    var bytes = new TextEncoder().encode(text);
    if (!buffer) return bytes.length;
    var count = Math.max(0, Math.min(bytes.length, size - 1));
    // Never a character cut in two: back over its continuation bytes.
    while (count > 0 && count < bytes.length && (bytes[count] & 0xC0) == 0x80) --count;
    HEAPU8.set(bytes.subarray(0, count), buffer);
    if (size > 0) HEAPU8[buffer + count] = 0;
    return count;
  },
  draxo_web_destroy_dialog__deps: ['$DRAXO'],
  draxo_web_destroy_dialog: function(handle) { DRAXO.destroyDialog(handle); }
};

mergeInto(LibraryManager.library, LibraryDraxoWeb);
