// The program's folder kept in the page's own IndexedDB database, read before
// the program starts and written back whenever a file there changed. The
// records are laid out as the package's earlier pages kept theirs (store
// FILE_DATA, by absolute path, {timestamp, mode, contents}), so that a page
// rebuilt on this runtime finds the files its users kept.
import {fileBytes, folderAt, makeFile, makeFolder, pathOf} from './wasi.mjs';

const VERSION = 21;
const STORE = 'FILE_DATA';
const MODE_FOLDER = 0o40777, MODE_FILE = 0o100666;

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

function openDatabase(name) {
  const r = indexedDB.open(name, VERSION);
  r.onupgradeneeded = () => {
    const db = r.result;
    const store = db.objectStoreNames.contains(STORE) ? r.transaction.objectStore(STORE) : db.createObjectStore(STORE);
    if (!store.indexNames.contains('timestamp')) store.createIndex('timestamp', 'timestamp', {unique: false});
  };
  return request(r);
}

// Every file and folder of `folder` by absolute path, the folder itself too.
function entriesOf(folder) {
  const entries = new Map();
  const visit = (node, path) => {
    entries.set(path, node);
    if (node.kind === 'dir') for (const [name, child] of node.children) visit(child, path + '/' + name);
  };
  visit(folder, pathOf(folder));
  return entries;
}

// The kept folder of database `name` for the program's folder `folder`.
// `before`, when given, names the database every page of the program's name
// once shared: a folder found empty takes over the files kept there.
export async function openKeptFolder(name, folder, before) {
  let db = null;
  try {
    db = typeof indexedDB == 'undefined' ? null : await openDatabase(name);
  } catch (e) {
    console.warn(`DRAXO: the files kept by the browser could not be read (${e})`);
  }
  // path -> the node kept there last and its time then: a file saved by
  // replacing is another node, whatever its time says.
  const kept = new Map();
  const stamp = (node) => `${node.ino}:${node.mtime}`;
  const prefix = pathOf(folder);

  // Reads the files kept in `database` into the folder; `remember`: they
  // are kept there already (not when taken over from another database).
  async function load(database, remember) {
    if (!database) return;
    const store = database.transaction([STORE], 'readonly').objectStore(STORE);
    const [keys, values] = await Promise.all([request(store.getAllKeys()), request(store.getAll())]);
    const root = folder;
    keys.forEach((key, i) => {
      const path = String(key), entry = values[i];
      if (path !== prefix && !path.startsWith(prefix + '/')) return;
      const relative = path.slice(prefix.length);
      const time = entry.timestamp instanceof Date ? entry.timestamp.getTime() : Number(entry.timestamp) || 0;
      let node = null;
      if ((entry.mode & 0o170000) === 0o040000) {
        node = folderAt(root, relative);
        node.mtime = time;
      } else if (entry.contents) {
        const slash = relative.lastIndexOf('/');
        const parent = folderAt(root, relative.slice(0, slash));
        node = makeFile(parent, entry.contents);
        node.mtime = time;
        parent.children.set(relative.slice(slash + 1), node);
      }
      if (remember && node) kept.set(path, stamp(node));
    });
  }
  async function takeOver() {
    if (!db || !before || before === name || folder.children.size) return;
    const old = await openDatabase(before);
    try {
      await load(old, false);
    } finally {
      old.close();
    }
    if (folder.children.size) await sync();
  }

  let writing = null, again = false;
  // Writes what changed since the last write; a promise settled when the
  // folder as it is now is kept.
  function sync() {
    if (!db) return Promise.resolve();
    if (writing) {
      again = true;
      return writing.then(() => sync());
    }
    const entries = entriesOf(folder);
    const transaction = db.transaction([STORE], 'readwrite');
    const store = transaction.objectStore(STORE);
    for (const [path, node] of entries) {
      if (kept.get(path) === stamp(node)) continue;
      const timestamp = new Date(node.mtime);
      store.put(node.kind === 'dir' ? {timestamp, mode: MODE_FOLDER}
        : {timestamp, mode: MODE_FILE, contents: fileBytes(node).slice()}, path);
      kept.set(path, stamp(node));
    }
    for (const path of [...kept.keys()]) {
      if (entries.has(path)) continue;
      store.delete(path);
      kept.delete(path);
    }
    writing = new Promise((resolve) => {
      transaction.oncomplete = () => resolve();
      transaction.onerror = transaction.onabort = () => {
        console.warn(`DRAXO: the files could not be kept by the browser (${transaction.error})`);
        kept.clear();
        resolve();
      };
    }).then(() => {
      writing = null;
      if (again) {
        again = false;
        return sync();
      }
    });
    return writing;
  }

  await load(db, true).catch((e) => console.warn(`DRAXO: the files kept by the browser could not be read (${e})`));
  await takeOver().catch((e) => console.warn(`DRAXO: the files kept by the browser could not be read (${e})`));
  return {sync};
}

// The folder's files by their names within it: {name: Uint8Array}.
export function filesOf(folder) {
  const files = {};
  const prefix = pathOf(folder) + '/';
  for (const [path, node] of entriesOf(folder))
    if (node.kind === 'file') files[path.slice(prefix.length)] = fileBytes(node).slice();
  return files;
}


// Whether `name` names a file of the folder itself: not empty, no '/', not
// '.' or '..'.
export function isFileName(name) {
  return !!name && !name.includes('/') && name !== '.' && name !== '..';
}

// The program's folder in its file system: /home/web_user/<its name>, the
// name in letters, digits and _ . - only.
export function programFolderPath(programName) {
  return '/home/web_user/' + String(programName || 'program').replace(/[^A-Za-z0-9_.-]/g, '_');
}

// The kept folder of a program that is not running, for the page: list()
// its names, read(name) a file's bytes or null, write(name, bytes) a file
// put in it and kept, sync().
export async function keptFilesOf(storage, programName) {
  const home = folderAt(makeFolder(), programFolderPath(programName));
  const kept = await openKeptFolder(storage, home);
  return {
    list: () => [...home.children.keys()],
    read: (name) => {
      const node = home.children.get(name);
      return node && node.kind === 'file' ? fileBytes(node).slice() : null;
    },
    write: async (name, bytes) => {
      if (!isFileName(name)) throw new Error(`${name}: not a file name`);
      home.children.set(name, makeFile(home, bytes));
      await kept.sync();
    },
    sync: () => kept.sync(),
  };
}
