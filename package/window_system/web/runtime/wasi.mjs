// The system interface a program compiled for wasm32-wasip1 calls: only what
// the C and C++ libraries of such a program use, over a file system held in
// memory. The program's folder is the one place it may write (the page keeps
// those files, kept_files.mjs); the rest of the file system (its fonts, the
// folders above its own) is read only for it, as a page's has always been:
// a file written there would be gone at the next visit although the program
// was told it was saved.
//
// Anything else the program imports from the interface answers "not
// supported" (ENOSYS) rather than failing the program's start.

export const WASI_MODULE = 'wasi_snapshot_preview1';

// The interface's error numbers this layer gives.
export const E = {
  SUCCESS: 0, BADF: 8, EXIST: 20, INVAL: 28, ISDIR: 31, NOENT: 44, NOSYS: 52, NOTDIR: 54, NOTEMPTY: 55,
  NOTSUP: 58, PERM: 63, ROFS: 69, SPIPE: 70, NOTCAPABLE: 76,
};

const FILETYPE = {CHARACTER_DEVICE: 2, DIRECTORY: 3, REGULAR_FILE: 4};
const OFLAGS = {CREAT: 1, DIRECTORY: 2, EXCL: 4, TRUNC: 8};
const FDFLAGS_APPEND = 1;
const RIGHT_FD_WRITE = 1n << 6n;
const ALL_RIGHTS = 0xFFFFFFFFFFFFFFFFn;
// A terminal's rights: all but seeking and telling, by which the C library
// knows a terminal (isatty) and writes stdout a line at a time, so that a
// line printed reaches the page when it ends, not when a buffer fills.
const TERMINAL_RIGHTS = ALL_RIGHTS & ~((1n << 2n) | (1n << 5n));
const CLOCK_REALTIME = 0;

// The program's end by proc_exit, thrown through the program's frames.
export class ProgramExit extends Error {
  constructor(status) {
    super(`the program exited with status ${status}`);
    this.status = status;
  }
}

// --- The file system ---------------------------------------------------------
// A node: a folder (`children`, a Map by name) or a file (`data`, `size`
// bytes of it in use), or a device that swallows what is written (/dev/null).

let nextIno = 1;

export function makeFolder(parent) {
  const folder = {kind: 'dir', children: new Map(), parent: null, mtime: Date.now(), ino: nextIno++};
  folder.parent = parent || folder;
  return folder;
}

export function makeFile(parent, bytes) {
  const data = bytes ? new Uint8Array(bytes) : new Uint8Array(0);
  return {kind: 'file', data, size: data.length, parent, mtime: Date.now(), ino: nextIno++};
}

// The file's bytes in use.
export function fileBytes(node) { return node.data.subarray(0, node.size); }

// The node's absolute path.
export function pathOf(node) {
  const parts = [];
  for (let at = node; at.parent !== at; at = at.parent) {
    for (const [name, child] of at.parent.children) {
      if (child === at) { parts.unshift(name); break; }
    }
  }
  return '/' + parts.join('/');
}

// The folder at an absolute path, made with the folders on the way.
export function folderAt(root, path) {
  let at = root;
  for (const name of path.split('/').filter(Boolean)) {
    let next = at.children.get(name);
    if (!next) {
      next = makeFolder(at);
      at.children.set(name, next);
    }
    at = next;
  }
  return at;
}

function within(node, folder) {
  for (let at = node; ; at = at.parent) {
    if (at === folder) return true;
    if (at.parent === at) return false;
  }
}

// --- The layer -------------------------------------------------------------

// `options`: args (argv, its program name first), env ({name: value}), root
// (the file system's root folder), home (the program's folder, its current
// folder), onOutput(text, 'stdout'|'stderr'), onChange(node) (a file or
// folder of the program's folder changed), onReplaced(node) (a file renamed over another in
// the program's folder: a save), onClosedWriting(node) (a file written there
// was closed).
export function makeWasi(options) {
  const {root, home} = options;
  let memory = null;
  const view = () => new DataView(memory.buffer);
  const bytes = () => new Uint8Array(memory.buffer);
  const encoder = new TextEncoder();
  const decoders = {1: new TextDecoder(), 2: new TextDecoder()};

  // The open descriptors: 0-2 the standard streams, 3 the root and 4 the
  // program's folder, preopened; the libraries resolve every path from
  // those.
  const fds = new Map();
  fds.set(0, {stream: 'stdin'});
  fds.set(1, {stream: 'stdout'});
  fds.set(2, {stream: 'stderr'});
  fds.set(3, {node: root, preopen: '/'});
  let nextFd = 4;

  const argBytes = options.args.map((a) => encoder.encode(a + '\0'));
  const envBytes = Object.entries(options.env || {}).map(([k, v]) => encoder.encode(`${k}=${v}\0`));

  const text = (ptr, len) => new TextDecoder().decode(bytes().subarray(ptr, ptr + len));
  const writable = (node) => within(node, home) && node !== home.parent;

  function putList(list, pointers, buffer) {
    const v = view();
    let at = buffer;
    list.forEach((item, i) => {
      v.setUint32(pointers + 4 * i, at, true);
      bytes().set(item, at);
      at += item.length;
    });
    return E.SUCCESS;
  }
  function putSizes(list, countPtr, sizePtr) {
    view().setUint32(countPtr, list.length, true);
    view().setUint32(sizePtr, list.reduce((n, b) => n + b.length, 0), true);
    return E.SUCCESS;
  }

  // The node a path leads to from the folder of `fd`: {node} or {parent,
  // name} when only its last part is missing, or {error}. A ".." takes
  // back the name before it by its letters, whether or not that name
  // exists, as the pages have always read a path (the file system has no
  // links for it to pass through): "sub/../../x" from the program's folder
  // is the x beside that folder, a write there refused for leaving it.
  function lookup(fd, path) {
    const entry = fds.get(fd);
    if (!entry || !entry.node || entry.node.kind !== 'dir') return {error: E.BADF};
    let at = path.startsWith('/') ? root : entry.node;
    const parts = [];
    for (const part of path.split('/')) {
      if (!part || part === '.') continue;
      if (part === '..' && parts.length && parts[parts.length - 1] !== '..') parts.pop();
      else parts.push(part);
    }
    for (let i = 0; i < parts.length; ++i) {
      const name = parts[i];
      if (at.kind !== 'dir') return {error: E.NOTDIR};
      if (name === '..') { at = at.parent; continue; }
      const next = at.children.get(name);
      if (!next) return i === parts.length - 1 ? {parent: at, name} : {error: E.NOENT};
      at = next;
    }
    return {node: at, parent: at.parent, name: parts[parts.length - 1]};
  }

  function filestat(node, ptr) {
    const v = view();
    for (let i = 0; i < 64; i += 8) v.setBigUint64(ptr + i, 0n, true);
    v.setBigUint64(ptr + 8, BigInt(node.ino || 0), true);
    v.setUint8(ptr + 16, node.kind === 'dir' ? FILETYPE.DIRECTORY : node.kind === 'file' ? FILETYPE.REGULAR_FILE
      : FILETYPE.CHARACTER_DEVICE);
    v.setBigUint64(ptr + 24, 1n, true);
    v.setBigUint64(ptr + 32, BigInt(node.kind === 'file' ? node.size : 0), true);
    const ns = BigInt(Math.round(node.mtime || 0)) * 1000000n;
    v.setBigUint64(ptr + 40, ns, true);
    v.setBigUint64(ptr + 48, ns, true);
    v.setBigUint64(ptr + 56, ns, true);
    return E.SUCCESS;
  }

  // A change's time, later than the last one's even within a millisecond:
  // the kept folder writes what changed since it last wrote.
  function changed(node) {
    node.mtime = Math.max(Date.now(), node.mtime + 1);
    if (within(node, home)) options.onChange(node);
  }

  function outputOf(fd, chunk) {
    const name = fd === 1 ? 'stdout' : 'stderr';
    options.onOutput(decoders[fd].decode(chunk, {stream: true}), name);
  }

  // Gathers the program's buffers of an iovec list.
  function gather(iovs, count) {
    const v = view();
    const parts = [];
    for (let i = 0; i < count; ++i) {
      const ptr = v.getUint32(iovs + 8 * i, true), len = v.getUint32(iovs + 8 * i + 4, true);
      parts.push(bytes().slice(ptr, ptr + len));
    }
    return parts;
  }

  function writeAt(file, at, chunk) {
    const end = at + chunk.length;
    if (end > file.data.length) {
      const grown = new Uint8Array(Math.max(end, file.data.length * 2, 256));
      grown.set(file.data.subarray(0, file.size));
      file.data = grown;
    }
    file.data.set(chunk, at);
    file.size = Math.max(file.size, end);
  }

  const wasi = {
    args_sizes_get: (count, size) => putSizes(argBytes, count, size),
    args_get: (pointers, buffer) => putList(argBytes, pointers, buffer),
    environ_sizes_get: (count, size) => putSizes(envBytes, count, size),
    environ_get: (pointers, buffer) => putList(envBytes, pointers, buffer),
    clock_res_get: (id, ptr) => {
      view().setBigUint64(ptr, 1000n, true);
      return E.SUCCESS;
    },
    clock_time_get: (id, precision, ptr) => {
      const ns = id === CLOCK_REALTIME ? BigInt(Date.now()) * 1000000n
        : BigInt(Math.round((performance.timeOrigin + performance.now()) * 1e6));
      view().setBigUint64(ptr, ns, true);
      return E.SUCCESS;
    },
    random_get: (ptr, len) => {
      for (let at = 0; at < len; at += 65536)
        crypto.getRandomValues(bytes().subarray(ptr + at, ptr + Math.min(len, at + 65536)));
      return E.SUCCESS;
    },
    sched_yield: () => E.SUCCESS,
    proc_exit: (status) => { throw new ProgramExit(status); },
    proc_raise: () => E.NOSYS,

    fd_prestat_get: (fd, ptr) => {
      const entry = fds.get(fd);
      if (!entry || !entry.preopen) return E.BADF;
      view().setUint8(ptr, 0);
      view().setUint32(ptr + 4, encoder.encode(entry.preopen).length, true);
      return E.SUCCESS;
    },
    fd_prestat_dir_name: (fd, ptr, len) => {
      const entry = fds.get(fd);
      if (!entry || !entry.preopen) return E.BADF;
      bytes().set(encoder.encode(entry.preopen).subarray(0, len), ptr);
      return E.SUCCESS;
    },
    fd_fdstat_get: (fd, ptr) => {
      const entry = fds.get(fd);
      if (!entry) return E.BADF;
      const v = view();
      const type = entry.stream ? FILETYPE.CHARACTER_DEVICE : entry.node.kind === 'dir' ? FILETYPE.DIRECTORY
        : entry.node.kind === 'file' ? FILETYPE.REGULAR_FILE : FILETYPE.CHARACTER_DEVICE;
      v.setUint8(ptr, type);
      v.setUint16(ptr + 2, entry.append ? FDFLAGS_APPEND : 0, true);
      v.setBigUint64(ptr + 8, entry.stream ? TERMINAL_RIGHTS : ALL_RIGHTS, true);
      v.setBigUint64(ptr + 16, ALL_RIGHTS, true);
      return E.SUCCESS;
    },
    fd_fdstat_set_flags: (fd, flags) => {
      const entry = fds.get(fd);
      if (!entry) return E.BADF;
      entry.append = !!(flags & FDFLAGS_APPEND);
      return E.SUCCESS;
    },
    fd_filestat_get: (fd, ptr) => {
      const entry = fds.get(fd);
      if (!entry) return E.BADF;
      return filestat(entry.node || {kind: 'device'}, ptr);
    },
    fd_filestat_set_size: (fd, size) => {
      const entry = fds.get(fd);
      if (!entry || !entry.node || entry.node.kind !== 'file') return E.BADF;
      if (!entry.writing) return E.BADF;
      const n = Number(size), file = entry.node;
      if (n > file.size) writeAt(file, n, new Uint8Array(0));
      file.data.fill(0, n, file.size);
      file.size = n;
      changed(file);
      return E.SUCCESS;
    },
    fd_filestat_set_times: () => E.SUCCESS,
    fd_advise: () => E.SUCCESS,
    fd_sync: () => E.SUCCESS,
    fd_datasync: () => E.SUCCESS,
    fd_close: (fd) => {
      const entry = fds.get(fd);
      if (!entry || fd < 3 || entry.preopen) return entry ? E.SUCCESS : E.BADF;
      fds.delete(fd);
      if (entry.wrote && within(entry.node, home)) options.onClosedWriting(entry.node);
      return E.SUCCESS;
    },
    fd_seek: (fd, offset, whence, ptr) => {
      const entry = fds.get(fd);
      if (!entry) return E.BADF;
      if (!entry.node || entry.node.kind !== 'file') return E.SPIPE;
      const base = whence === 0 ? 0 : whence === 1 ? entry.position : entry.node.size;
      const at = base + Number(offset);
      if (at < 0) return E.INVAL;
      entry.position = at;
      view().setBigUint64(ptr, BigInt(at), true);
      return E.SUCCESS;
    },
    fd_tell: (fd, ptr) => {
      const entry = fds.get(fd);
      if (!entry || !entry.node || entry.node.kind !== 'file') return E.BADF;
      view().setBigUint64(ptr, BigInt(entry.position), true);
      return E.SUCCESS;
    },
    fd_write: (fd, iovs, count, writtenPtr) => {
      const entry = fds.get(fd);
      if (!entry) return E.BADF;
      const parts = gather(iovs, count);
      const total = parts.reduce((n, p) => n + p.length, 0);
      if (entry.stream === 'stdout' || entry.stream === 'stderr') {
        for (const p of parts) outputOf(fd, p);
      } else if (entry.stream || !entry.writing) {
        return E.BADF;
      } else if (entry.node.kind === 'file') {
        const file = entry.node;
        if (entry.append) entry.position = file.size;
        for (const p of parts) {
          writeAt(file, entry.position, p);
          entry.position += p.length;
        }
        entry.wrote = true;
        changed(file);
      } else if (entry.node.kind === 'dir') {
        return E.ISDIR;
      }
      view().setUint32(writtenPtr, total, true);
      return E.SUCCESS;
    },
    fd_pwrite: (fd, iovs, count, offset, writtenPtr) => {
      const entry = fds.get(fd);
      if (!entry || !entry.node || entry.node.kind !== 'file' || !entry.writing) return E.BADF;
      let at = Number(offset), total = 0;
      for (const p of gather(iovs, count)) {
        writeAt(entry.node, at, p);
        at += p.length;
        total += p.length;
      }
      entry.wrote = true;
      changed(entry.node);
      view().setUint32(writtenPtr, total, true);
      return E.SUCCESS;
    },
    // The page has no keyboard for the standard input: it is at its end.
    fd_read: (fd, iovs, count, readPtr) => {
      const entry = fds.get(fd);
      if (!entry) return E.BADF;
      let total = 0;
      if (entry.node && entry.node.kind === 'file') {
        const v = view();
        for (let i = 0; i < count; ++i) {
          const ptr = v.getUint32(iovs + 8 * i, true), len = v.getUint32(iovs + 8 * i + 4, true);
          const chunk = entry.node.data.subarray(entry.position, Math.min(entry.node.size, entry.position + len));
          bytes().set(chunk, ptr);
          entry.position += chunk.length;
          total += chunk.length;
          if (chunk.length < len) break;
        }
      } else if (entry.node && entry.node.kind === 'dir') {
        return E.ISDIR;
      }
      view().setUint32(readPtr, total, true);
      return E.SUCCESS;
    },
    fd_pread: (fd, iovs, count, offset, readPtr) => {
      const entry = fds.get(fd);
      if (!entry || !entry.node || entry.node.kind !== 'file') return E.BADF;
      const v = view();
      let at = Number(offset), total = 0;
      for (let i = 0; i < count; ++i) {
        const ptr = v.getUint32(iovs + 8 * i, true), len = v.getUint32(iovs + 8 * i + 4, true);
        const chunk = entry.node.data.subarray(at, Math.min(entry.node.size, at + len));
        bytes().set(chunk, ptr);
        at += chunk.length;
        total += chunk.length;
        if (chunk.length < len) break;
      }
      view().setUint32(readPtr, total, true);
      return E.SUCCESS;
    },
    fd_readdir: (fd, buffer, length, cookie, usedPtr) => {
      const entry = fds.get(fd);
      if (!entry || !entry.node || entry.node.kind !== 'dir') return E.BADF;
      const dir = entry.node;
      const names = [['.', dir], ['..', dir.parent], ...dir.children];
      let used = 0;
      const v = view();
      for (let i = Number(cookie); i < names.length && used < length; ++i) {
        const [name, node] = names[i];
        const encoded = encoder.encode(name);
        const record = new Uint8Array(24 + encoded.length);
        const rv = new DataView(record.buffer);
        rv.setBigUint64(0, BigInt(i + 1), true);
        rv.setBigUint64(8, BigInt(node.ino || 0), true);
        rv.setUint32(16, encoded.length, true);
        rv.setUint8(20, node.kind === 'dir' ? FILETYPE.DIRECTORY : node.kind === 'file' ? FILETYPE.REGULAR_FILE
          : FILETYPE.CHARACTER_DEVICE);
        record.set(encoded, 24);
        const fits = Math.min(record.length, length - used);
        bytes().set(record.subarray(0, fits), buffer + used);
        used += fits;
      }
      v.setUint32(usedPtr, used, true);
      return E.SUCCESS;
    },
    fd_renumber: (from, to) => {
      const entry = fds.get(from);
      if (!entry || !fds.has(to)) return E.BADF;
      fds.set(to, entry);
      fds.delete(from);
      return E.SUCCESS;
    },

    path_open: (fd, dirflags, pathPtr, pathLen, oflags, rightsBase, rightsInheriting, fdflags, fdPtr) => {
      const found = lookup(fd, text(pathPtr, pathLen));
      if (found.error) return found.error;
      const writing = (rightsBase & RIGHT_FD_WRITE) !== 0n || (oflags & (OFLAGS.CREAT | OFLAGS.TRUNC)) !== 0;
      let node = found.node;
      if (node && (oflags & OFLAGS.CREAT) && (oflags & OFLAGS.EXCL)) return E.EXIST;
      if (!node) {
        if (!(oflags & OFLAGS.CREAT)) return E.NOENT;
        if (!writable(found.parent)) return refused(found.parent, found.name);
        node = makeFile(found.parent);
        found.parent.children.set(found.name, node);
        changed(found.parent);
      } else if (writing && node.kind !== 'device') {
        if (node.kind === 'dir') return E.ISDIR;
        if (!writable(node)) return refused(node.parent, found.name);
      }
      if ((oflags & OFLAGS.DIRECTORY) && node.kind !== 'dir') return E.NOTDIR;
      if ((oflags & OFLAGS.TRUNC) && node.kind === 'file' && node.size) {
        node.size = 0;
        changed(node);
      }
      const newFd = nextFd++;
      fds.set(newFd, {node, position: 0, writing, append: !!(fdflags & FDFLAGS_APPEND)});
      view().setUint32(fdPtr, newFd, true);
      return E.SUCCESS;
    },
    path_filestat_get: (fd, flags, pathPtr, pathLen, ptr) => {
      const found = lookup(fd, text(pathPtr, pathLen));
      if (found.error) return found.error;
      if (!found.node) return E.NOENT;
      return filestat(found.node, ptr);
    },
    path_filestat_set_times: () => E.SUCCESS,
    path_create_directory: (fd, pathPtr, pathLen) => {
      const found = lookup(fd, text(pathPtr, pathLen));
      if (found.error) return found.error;
      if (found.node) return E.EXIST;
      if (!writable(found.parent)) return refused(found.parent, found.name);
      found.parent.children.set(found.name, makeFolder(found.parent));
      changed(found.parent);
      return E.SUCCESS;
    },
    path_remove_directory: (fd, pathPtr, pathLen) => {
      const found = lookup(fd, text(pathPtr, pathLen));
      if (found.error) return found.error;
      if (!found.node) return E.NOENT;
      if (found.node.kind !== 'dir') return E.NOTDIR;
      if (found.node.children.size) return E.NOTEMPTY;
      if (!writable(found.node) || found.node === home) return refused(found.parent, found.name);
      found.parent.children.delete(found.name);
      changed(found.parent);
      return E.SUCCESS;
    },
    path_unlink_file: (fd, pathPtr, pathLen) => {
      const found = lookup(fd, text(pathPtr, pathLen));
      if (found.error) return found.error;
      if (!found.node) return E.NOENT;
      if (found.node.kind === 'dir') return E.ISDIR;
      if (!writable(found.node)) return refused(found.parent, found.name);
      found.parent.children.delete(found.name);
      changed(found.parent);
      return E.SUCCESS;
    },
    path_rename: (fd, fromPtr, fromLen, toFd, toPtr, toLen) => {
      const from = lookup(fd, text(fromPtr, fromLen)), to = lookup(toFd, text(toPtr, toLen));
      if (from.error) return from.error;
      if (to.error) return to.error;
      if (!from.node) return E.NOENT;
      if (!writable(from.node) || from.node === home) return refused(from.parent, from.name);
      if (!writable(to.node || to.parent)) return refused(to.parent, to.name);
      if (to.node === from.node) return E.SUCCESS;
      if (to.node && to.node.kind === 'dir') {
        if (from.node.kind !== 'dir') return E.ISDIR;
        if (to.node.children.size) return E.NOTEMPTY;
      }
      if (from.node.kind === 'dir' && within(to.parent, from.node)) return E.INVAL;
      from.parent.children.delete(from.name);
      to.parent.children.set(to.name, from.node);
      from.node.parent = to.parent;
      changed(from.parent);
      changed(to.parent);
      if (from.node.kind === 'file') options.onReplaced(from.node);
      return E.SUCCESS;
    },
    path_readlink: () => E.INVAL,
    path_symlink: () => E.NOTSUP,
    path_link: () => E.NOTSUP,
    poll_oneoff: () => E.NOTSUP,
  };

  // The program's write outside its folder: refused, with the reason on
  // the console, as the page has always said it.
  function refused(folder, name) {
    const path = pathOf(folder).replace(/\/$/, '') + '/' + (name || '');
    console.warn(`DRAXO: ${path} is not written: the browser keeps only the files in the program's folder ` +
                 `${pathOf(home)}, and the rest of the page's file system is read only`);
    return E.ROFS;
  }

  return {
    imports: wasi,
    setMemory(m) { memory = m; },
    // The descriptor of the program's folder, for its start there.
    flush() {
      for (const fd of [1, 2]) {
        const rest = decoders[fd].decode();
        if (rest) options.onOutput(rest, fd === 1 ? 'stdout' : 'stderr');
      }
    },
  };
}

// The import object of the interface for a compiled module: every function
// it imports from the interface, those this layer lacks answering ENOSYS.
export function wasiImportsFor(module, implemented) {
  const imports = {};
  for (const entry of WebAssembly.Module.imports(module)) {
    if (entry.module !== WASI_MODULE || entry.kind !== 'function') continue;
    imports[entry.name] = implemented[entry.name] || (() => E.NOSYS);
  }
  return imports;
}
