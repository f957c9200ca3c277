#!/usr/bin/env node
// The compiler the package is built with for the browser (clang and the LLVM
// tools compiled to WebAssembly, web/toolchain's npm packages), run by node on
// real files, so that CMake and scripts use it as any compiler:
//
//   node draxo-clang.mjs clang|clang++|ar|ranlib|wasm-ld|nm ARGS...
//
// The tools run in a file tree of their own whose root is also their working
// directory. The files a command needs (its inputs, the folders it searches
// for headers and libraries, its response files, an archive it adds to) are
// put in that tree at their absolute paths; after the run every file the run
// made or changed is written back to the host, and the tool's output and
// exit status are passed on. Two folders of the tree are the toolchain's own
// (/usr: its headers and libraries; /tmp: its intermediate files, cleared
// after a run): host files under those are put under HOST_ROOT instead, and
// the paths the tool writes (messages, dependency files, file names in the
// objects) are turned back.
//
// Node compiles the toolchain's 75 MB of WebAssembly anew in every process,
// and a short run never gets past the first, slow code: a compile takes ten
// seconds where it takes two in a process that has run a few. So a command
// hands its run to a server of the same user and toolchain (started by the
// first command, ending after IDLE_MS without one), whose worker threads
// share the compiled code, and runs it itself when there is none to be had.
// DRAXO_CLANG_SERVER=0 runs every command in its own process.
import crypto from 'node:crypto';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { Worker, isMainThread, parentPort } from 'node:worker_threads';

const HOST_ROOT = '.draxo-host';
const TOOLCHAIN_DIRS = new Set(['usr', 'tmp']);
const TOOLS = ['clang', 'clang++', 'ar', 'ranlib', 'wasm-ld', 'nm'];
const IDLE_MS = 120000;

// Files a header folder holds that a compile may read; the rest (objects,
// archives, programs) is never included and is left out of the tree.
const SOURCE_FILE = /(^[^.]*|\.(h|hh|hpp|hxx|inc|inl|def|ipp|tcc|c|cc|cpp|cxx|modulemap))$/;
// Folders no compile looks into: each would only fill the tree.
const SKIPPED_DIRS = new Set(['node_modules', '.git', 'CMakeFiles', 'Testing']);
const LARGEST_SOURCE = 8 << 20;

// Options followed by a path, and their roles (Job.roles); the same options
// joined to their paths; options followed by something else.
const PATH_OPTIONS = {
  '-o': 'output',
  '-MF': 'output',
  '-MJ': 'output',
  '--serialize-diagnostics': 'output',
  '-I': 'headers',
  '-isystem': 'headers',
  '-iquote': 'headers',
  '-idirafter': 'headers',
  '-include': 'input',
  '-imacros': 'input',
  '--sysroot': 'root',
  '-isysroot': 'root',
  '-L': 'libraries',
};
const JOINED_PATH_OPTIONS = ['--sysroot=', '-isystem', '-isysroot', '-iquote', '-idirafter', '-include', '-imacros',
  '-MF', '-I', '-L'];
const VALUE_OPTIONS = new Set(['-x', '-target', '-MT', '-MQ', '-Xclang', '-mllvm', '-arch', '-D', '-U', '-z', '-e',
  '-u', '-m', '-Xassembler', '-Xpreprocessor', '--param']);

// --- Host files -----------------------------------------------------------------

function isFile(p) {
  try {
    return fs.statSync(p).isFile();
  } catch {
    return false;
  }
}

function isDir(p) {
  try {
    return fs.statSync(p).isDirectory();
  } catch {
    return false;
  }
}

// The tree's paths in a tool's text turned back into host paths.
function hostText(text) {
  return text.replaceAll(`/${HOST_ROOT}/`, '/');
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}

// A response file's arguments: separated by white space, quoted with ' or ",
// a backslash taking the next character as it is.
function responseFileArguments(file) {
  const text = fs.readFileSync(file, 'utf8');
  const args = [];
  let current = null;
  let quote = null;
  for (let i = 0; i < text.length; ++i) {
    const c = text[i];
    if (c === '\\' && i + 1 < text.length && quote !== "'") {
      current = (current ?? '') + text[++i];
    } else if (quote) {
      if (c === quote) quote = null;
      else current += c;
    } else if (c === '"' || c === "'") {
      quote = c;
      current = current ?? '';
    } else if (/\s/.test(c)) {
      if (current !== null) args.push(current);
      current = null;
    } else {
      current = (current ?? '') + c;
    }
  }
  if (current !== null) args.push(current);
  return args;
}

// A dependency file with host paths, the toolchain's own headers left out
// (they are not the host's and never change).
function hostDependencies(text) {
  const rules = text.replace(/\\\r?\n/g, ' ').split(/\r?\n/).filter((line) => line.trim() !== '');
  return rules
    .map((rule) => {
      const colon = rule.search(/:(\s|$)/);
      if (colon < 0) return hostText(rule);
      const files = rule.slice(colon + 1).match(/(\\.|[^\s\\])+/g) ?? [];
      const kept = files.filter((f) => !f.startsWith('/usr/') && !f.startsWith('/tmp/')).map(hostText);
      return [hostText(rule.slice(0, colon + 1)), ...kept].join(' \\\n  ');
    })
    .join('\n')
    .concat('\n');
}

// --- The toolchain ----------------------------------------------------------------

// Where the toolchain's module is: its npm package beside this file, or, in
// an installed package (share/draxo/web/toolchain/), the copy the playground
// site serves (share/draxo/web/playground/toolchain/clang/). The site's
// resources hold only what a C program reads; the package's whole ones,
// which C++ needs, are installed beside this file and taken instead (null:
// the module's own).
function toolchainPlace() {
  try {
    return { url: import.meta.resolve('@yowasp/clang'), resources: null };
  } catch {
    const installed = new URL('../playground/toolchain/clang/bundle.js', import.meta.url);
    const resources = new URL('llvm-resources.tar', import.meta.url);
    if (fs.existsSync(fileURLToPath(installed)) && fs.existsSync(fileURLToPath(resources))) {
      return { url: installed.href, resources: resources.href };
    }
    throw new Error('the compiler (@yowasp/clang) is missing: run npm ci in web/toolchain, or install the package');
  }
}

// The toolchain's module, changed: its file tree takes a folder's ".." for
// a step up, as a system's does (it stayed in the folder, and
// `#include "../x.h"` found nothing); installed, it takes its resources from
// where toolchainPlace says. Loaded from its text, which names its files by
// its own place.
let toolchain = null;
async function loadToolchain() {
  if (toolchain) return toolchain;
  const { url, resources } = toolchainPlace();
  let text = fs.readFileSync(fileURLToPath(url), 'utf8');
  const changes = [
    ['    let entry = this;\n', '    let entry = this;\n    const parents = [];\n'],
    ['      const files = entry.files;\n', '      const files = entry.files;\n      const before = entry;\n'],
    ['      else if (segment === "..")\n        ;\n', '      else if (segment === "..")\n        entry = parents.pop() ?? entry;\n'],
    ['      path = path.substring(separatorAt + 1);\n    } while (separatorAt !== -1);',
      '      if (entry !== before && segment !== "..") parents.push(before);\n' +
      '      path = path.substring(separatorAt + 1);\n    } while (separatorAt !== -1);'],
  ];
  if (resources) {
    changes.push(['new URL("./llvm-resources.tar", import.meta.url)', `new URL(${JSON.stringify(resources)})`]);
  }
  for (const [from, to] of changes) {
    if (text.split(from).length !== 2) throw new Error(`the toolchain's module is not the one expected (${url})`);
    text = text.replace(from, to);
  }
  text = text.replaceAll('import.meta.url', JSON.stringify(url));
  const module = await import(`data:text/javascript;base64,${Buffer.from(text).toString('base64')}`);
  await module.runLLVM(null, {}, { fetchProgress: () => {} }); // its resources loaded, without its progress
  toolchain = module;
  return toolchain;
}

// --- One command --------------------------------------------------------------

class Job {
  constructor(cwd) {
    this.cwd = cwd;
    this.tree = {};
    this.given = new Map(); // tree path -> the bytes put there
    this.mountedDirs = new Set();
    this.outputs = new Set(); // tree paths of the files the command names as its outputs
  }

  absolute(p) {
    return path.resolve(this.cwd, p);
  }

  // The tree's absolute path of a host path.
  treePath(hostPath) {
    const abs = this.absolute(hostPath);
    const first = abs.split('/')[1];
    return TOOLCHAIN_DIRS.has(first) || first === HOST_ROOT ? `/${HOST_ROOT}${abs}` : abs;
  }

  // The host path of a file of the tree (its names from the root); null for
  // the toolchain's own files. A file made at the root (an output named
  // without a folder, a.out) goes to the working directory.
  hostPath(names) {
    if (names.length === 1) return path.join(this.cwd, names[0]);
    if (names[0] === HOST_ROOT) return `/${names.slice(1).join('/')}`;
    if (TOOLCHAIN_DIRS.has(names[0])) return null;
    return `/${names.join('/')}`;
  }

  put(hostFile) {
    const where = this.treePath(hostFile);
    if (this.given.has(where)) return;
    const names = where.split('/').filter(Boolean);
    let dir = this.tree;
    for (const name of names.slice(0, -1)) {
      if (typeof dir[name] !== 'object' || dir[name] instanceof Uint8Array) dir[name] = {};
      dir = dir[name];
    }
    const data = new Uint8Array(fs.readFileSync(hostFile));
    dir[names[names.length - 1]] = data;
    this.given.set(where, data);
  }

  // Puts a folder's files in the tree: those `wanted` says, in its subfolders
  // too when `deep` (but for the skipped ones and other build trees).
  putDir(dir, { deep, wanted }) {
    const key = `${dir}\0${deep}`;
    if (this.mountedDirs.has(key) || !isDir(dir)) return;
    this.mountedDirs.add(key);
    const walk = (folder, top) => {
      let entries;
      try {
        entries = fs.readdirSync(folder);
      } catch {
        return;
      }
      if (!top && entries.includes('CMakeCache.txt')) return;
      for (const name of entries) {
        const full = path.join(folder, name);
        let stat;
        try {
          stat = fs.statSync(full);
        } catch {
          continue;
        }
        if (stat.isDirectory()) {
          if (deep && !SKIPPED_DIRS.has(name)) walk(full, false);
        } else if (stat.isFile() && wanted(name, stat.size)) {
          this.put(full);
        }
      }
    };
    walk(dir, true);
  }

  // What a path argument needs in the tree, by its role.
  need(p, role) {
    const sourceFile = (name, size) => SOURCE_FILE.test(name) && size <= LARGEST_SOURCE;
    const anyFile = () => true;
    switch (role) {
    case 'input': // the file; for a source, the folders its quoted includes are looked for in
      if (!isFile(p)) return;
      this.put(p);
      if (/\.(c|cc|cpp|cxx|C|m|mm|i|ii|h|hpp|S|s)$/.test(p)) {
        this.putDir(path.dirname(p), { deep: true, wanted: sourceFile });
      }
      return;
    case 'headers':
      return this.putDir(p, { deep: true, wanted: sourceFile });
    case 'libraries':
      return this.putDir(p, { deep: false, wanted: anyFile });
    case 'root':
      return this.putDir(p, { deep: true, wanted: anyFile });
    case 'output': // written back even when the run left it as it was, so that it is newer than its inputs
      this.outputs.add(this.treePath(p));
      return;
    case 'archive': // an output that may be added to
      this.outputs.add(this.treePath(p));
      if (isFile(p)) this.put(p);
      return;
    }
  }

  // A path argument as the tree has it, its needs put in the tree.
  pathArgument(p, role) {
    const abs = this.absolute(p);
    this.need(abs, role);
    return this.treePath(abs);
  }

  // A linker's argument or the value of a --name=value option: a path when
  // it names a file.
  maybePath(value) {
    return value !== '' && isFile(this.absolute(value)) ? this.pathArgument(value, 'input') : value;
  }

  expandResponseFiles(args) {
    return args.flatMap((arg) =>
      arg.startsWith('@') && isFile(this.absolute(arg.slice(1)))
        ? this.expandResponseFiles(responseFileArguments(this.absolute(arg.slice(1))))
        : [arg],
    );
  }

  compilerArguments(args) {
    const out = [];
    for (let i = 0; i < args.length; ++i) {
      const arg = args[i];
      if (arg in PATH_OPTIONS && i + 1 < args.length) {
        out.push(arg, this.pathArgument(args[++i], PATH_OPTIONS[arg]));
      } else if (arg === '-Xlinker' && i + 1 < args.length) {
        out.push(arg, this.maybePath(args[++i]));
      } else if (VALUE_OPTIONS.has(arg) && i + 1 < args.length) {
        out.push(arg, args[++i]);
      } else if (arg.startsWith('-Wl,')) {
        const pieces = arg.slice(4).split(',').map((piece) => {
          const eq = piece.indexOf('=');
          return eq > 0 ? piece.slice(0, eq + 1) + this.maybePath(piece.slice(eq + 1)) : this.maybePath(piece);
        });
        out.push(`-Wl,${pieces.join(',')}`);
      } else if (arg.startsWith('-')) {
        const joined = JOINED_PATH_OPTIONS.find((option) => arg.startsWith(option) && arg.length > option.length);
        const eq = arg.indexOf('=');
        if (joined) {
          const role = PATH_OPTIONS[joined.replace(/=$/, '')];
          out.push(joined + this.pathArgument(arg.slice(joined.length), role));
        } else if (eq > 0) {
          out.push(arg.slice(0, eq + 1) + this.maybePath(arg.slice(eq + 1)));
        } else {
          out.push(arg);
        }
      } else {
        out.push(this.pathArgument(arg, 'input'));
      }
    }
    return out;
  }

  // ar: the operation first, then the archive (read too, when it is there:
  // members may be added to it) and its members.
  archiverArguments(args) {
    const out = [];
    let operation = null;
    let archive = null;
    for (const arg of args) {
      if (arg.startsWith('--') || (operation !== null && arg.startsWith('-'))) {
        out.push(arg);
      } else if (operation === null) {
        operation = arg;
        out.push(arg);
      } else if (archive === null) {
        archive = arg;
        out.push(this.pathArgument(arg, 'archive'));
      } else {
        out.push(this.pathArgument(arg, 'input'));
      }
    }
    return out;
  }

  // Writes every file of `after` that is new or changed (or, after a run
  // that succeeded, an output) back to the host: a fresh file beside it,
  // renamed over it, so that no half-written output is left if the run is
  // stopped.
  writeBack(after, dependencyFiles, succeeded) {
    const walk = (dir, names) => {
      for (const [name, entry] of Object.entries(dir)) {
        const here = [...names, name];
        if (!(entry instanceof Uint8Array)) {
          walk(entry, here);
          continue;
        }
        const where = `/${here.join('/')}`;
        const before = this.given.get(where);
        if (before && !(succeeded && this.outputs.has(where)) && sameBytes(before, entry)) continue;
        const target = this.hostPath(here);
        if (target === null) continue;
        let data = entry;
        if (dependencyFiles.has(where)) {
          data = new TextEncoder().encode(hostDependencies(new TextDecoder().decode(entry)));
        }
        fs.mkdirSync(path.dirname(target), { recursive: true });
        const fresh = `${target}.draxo-${process.pid}-${crypto.randomBytes(4).toString('hex')}`;
        fs.writeFileSync(fresh, data);
        fs.renameSync(fresh, target);
      }
    };
    walk(after, []);
  }

  // Runs the command; its exit status, standard output and error.
  async run(tool, givenArgs) {
    const stdout = [];
    const stderr = [];
    // (A compile that fails before it starts shows what the driver planned,
    // after the driver's banner, which is left out.)
    const collect = (chunks) => (bytes) => {
      if (bytes === null) return;
      const text = new TextDecoder().decode(bytes);
      const banner = /^clang version [^\n]*\nTarget:[^\n]*\nThread model:[^\n]*\nInstalledDir:[^\n]*\nBuild config:[^\n]*\n/;
      if (text.includes(HOST_ROOT) || banner.test(text)) {
        chunks.push(new TextEncoder().encode(hostText(text.replace(banner, ''))));
      } else {
        chunks.push(new Uint8Array(bytes));
      }
    };
    const args = this.expandResponseFiles(givenArgs);
    // A dependency file beside the object, named as clang names it, and
    // naming the object as the command line does, unless told otherwise.
    const output = args.indexOf('-o') >= 0 ? args[args.indexOf('-o') + 1] : null;
    if (output !== null && args.some((arg) => arg === '-MD' || arg === '-MMD')) {
      if (!args.some((arg) => arg.startsWith('-MF'))) args.push('-MF', output.replace(/(\.[^./]*)?$/, '.d'));
      if (!args.some((arg) => arg.startsWith('-MT') || arg.startsWith('-MQ'))) args.push('-MT', output);
    }
    const compiler = tool === 'clang' || tool === 'clang++';
    let toolArgs;
    if (compiler || tool === 'wasm-ld') toolArgs = this.compilerArguments(args);
    else if (tool === 'ar') toolArgs = this.archiverArguments(args);
    else toolArgs = args.map((arg) => (arg.startsWith('-') ? arg : this.pathArgument(arg, 'archive')));
    // Host files under the toolchain's folders named in what the compiler
    // writes into objects (__FILE__, debugging information) as the host has them.
    if (compiler && Object.hasOwn(this.tree, HOST_ROOT)) toolArgs.unshift(`-ffile-prefix-map=/${HOST_ROOT}/=/`);
    const dependencyFiles = new Set();
    if (compiler) {
      toolArgs.forEach((arg, i) => {
        if (arg === '-MF') dependencyFiles.add(toolArgs[i + 1]);
        else if (arg.startsWith('-MF')) dependencyFiles.add(arg.slice(3));
      });
    }

    let after;
    let status = 0;
    const { runClang, runLLVM } = await loadToolchain();
    try {
      after = await (compiler ? runClang : runLLVM)([tool, ...toolArgs], this.tree, {
        stdout: collect(stdout),
        stderr: collect(stderr),
        decodeASCII: false,
      });
    } catch (e) {
      if (typeof e?.code !== 'number' || !e.files) throw e;
      status = e.code;
      after = e.files;
    }
    this.writeBack(after ?? {}, dependencyFiles, status === 0);
    return { status, stdout, stderr };
  }
}

// Runs a command of the command line: its result, or the reason it could not
// run as status 70.
async function runCommand({ tool, args, cwd }) {
  if (!TOOLS.includes(tool)) {
    const usage = `usage: draxo-clang.mjs ${TOOLS.join('|')} ARGS...\n`;
    return { status: 2, stdout: [], stderr: [new TextEncoder().encode(usage)] };
  }
  try {
    return await new Job(cwd).run(tool, args);
  } catch (error) {
    const why = `draxo-clang: ${error?.stack ?? error}\n`;
    return { status: 70, stdout: [], stderr: [new TextEncoder().encode(why)] };
  }
}

// --- The server -----------------------------------------------------------------

// One server a user and toolchain: the socket's name from the folder the
// toolchain is installed in and this file's version.
function socketPath() {
  const self = fileURLToPath(import.meta.url);
  const which = crypto.createHash('sha256').update(`${self}\0${fs.statSync(self).mtimeMs}`).digest('hex').slice(0, 12);
  return path.join(os.tmpdir(), `draxo-clang-${process.getuid?.() ?? 0}-${which}.sock`);
}

// Answers each connection's command (one line of JSON) with its result (one
// line of JSON), on a pool of worker threads; ends after IDLE_MS without one.
function serve(socket) {
  const size = Math.max(1, os.availableParallelism?.() ?? os.cpus().length);
  const idle = [];
  const waiting = [];
  let workers = 0;
  let busy = 0;
  let idleTimer = null;
  const restartIdleTimer = () => {
    clearTimeout(idleTimer);
    if (busy === 0) idleTimer = setTimeout(() => process.exit(0), IDLE_MS);
  };
  const startWorker = () => {
    const worker = new Worker(fileURLToPath(import.meta.url));
    ++workers;
    worker.on('error', () => {});
    worker.on('exit', () => {
      --workers;
      const at = idle.indexOf(worker);
      if (at >= 0) idle.splice(at, 1);
      worker.job?.reject(new Error('the compiler stopped unexpectedly'));
    });
    worker.on('message', (result) => {
      const { job } = worker;
      worker.job = null;
      job.resolve(result);
      release(worker);
    });
    return worker;
  };
  const release = (worker) => {
    const next = waiting.shift();
    if (next) assign(worker, next);
    else idle.push(worker);
  };
  const assign = (worker, job) => {
    worker.job = job;
    worker.postMessage(job.command);
  };
  const runOnWorker = (command) =>
    new Promise((resolve, reject) => {
      const job = { command, resolve, reject };
      if (idle.length > 0) assign(idle.pop(), job);
      else if (workers < size) assign(startWorker(), job);
      else waiting.push(job);
    });

  const server = net.createServer((connection) => {
    ++busy;
    clearTimeout(idleTimer);
    let request = '';
    connection.on('error', () => {});
    connection.on('data', async (data) => {
      request += data;
      if (!request.endsWith('\n')) return;
      let result;
      try {
        result = await runOnWorker(JSON.parse(request));
      } catch (error) {
        result = { status: 70, stdout: [], stderr: [new TextEncoder().encode(`draxo-clang: ${error.message}\n`)] };
      }
      const encoded = (chunks) => chunks.map((c) => Buffer.from(c).toString('base64'));
      connection.end(`${JSON.stringify({ status: result.status, stdout: encoded(result.stdout), stderr: encoded(result.stderr) })}\n`);
      --busy;
      restartIdleTimer();
    });
  });
  // A socket left by a server that ended is taken over; a live one's is left
  // to it.
  server.on('error', (error) => {
    if (error.code !== 'EADDRINUSE') process.exit(1);
    const probe = net.connect(socket);
    probe.on('connect', () => process.exit(0));
    probe.on('error', () => {
      fs.rmSync(socket, { force: true });
      server.listen(socket);
    });
  });
  server.listen(socket, restartIdleTimer);
}

// The command's result from the server; null when there is none to be had.
function askServer(socket, command) {
  return new Promise((resolve) => {
    const connection = net.connect(socket);
    let answer = '';
    connection.on('error', () => resolve(null));
    connection.on('connect', () => connection.write(`${JSON.stringify(command)}\n`));
    connection.on('data', (data) => (answer += data));
    connection.on('end', () => {
      try {
        const result = JSON.parse(answer);
        const decoded = (chunks) => chunks.map((c) => Buffer.from(c, 'base64'));
        resolve({ status: result.status, stdout: decoded(result.stdout), stderr: decoded(result.stderr) });
      } catch {
        resolve(null);
      }
    });
  });
}

async function runThroughServer(command) {
  const socket = socketPath();
  let result = await askServer(socket, command);
  if (result) return result;
  const server = spawn(process.execPath, [fileURLToPath(import.meta.url), '--serve', socket], {
    detached: true,
    stdio: 'ignore',
  });
  server.unref();
  for (let waited = 0; waited < 30000 && !result; waited += 100) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    if (fs.existsSync(socket)) result = await askServer(socket, command);
  }
  return result ?? runCommand(command);
}

// --- Entry ------------------------------------------------------------------------

if (!isMainThread) {
  parentPort.on('message', async (command) => parentPort.postMessage(await runCommand(command)));
} else if (process.argv[2] === '--serve') {
  serve(process.argv[3]);
} else {
  const [tool, ...args] = process.argv.slice(2);
  const command = { tool, args, cwd: process.cwd() };
  const result =
    process.env.DRAXO_CLANG_SERVER === '0' || !TOOLS.includes(tool) ? await runCommand(command) : await runThroughServer(command);
  for (const chunk of result.stdout) process.stdout.write(chunk);
  for (const chunk of result.stderr) process.stderr.write(chunk);
  process.exitCode = result.status;
}
