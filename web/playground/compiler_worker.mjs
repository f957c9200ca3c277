// The playground's compiler, a module Worker so that the page never waits on
// it: clang and wasm-ld compiled to WebAssembly (the site's toolchain/clang/),
// the package's headers and library (sysroot/, seen by the compiler as
// /draxo/), the flags every program of the new runtime is built with
// (runtime/program_flags.json), and, in a browser that cannot suspend a
// program itself, binaryen's Asyncify pass (runtime/asyncify.mjs over
// toolchain/binaryen/), which lets the program's waits suspend and resume.
// Where the browser can, binaryen (15 MB) is not waited for: it is only
// fetched in the background, to be kept with the site for a browser that
// needs it. Paths are relative to this file, so the site works from any
// folder of any static web server.
//
// Messages from the page:
//   {type: 'load', keeping, asyncify}            fetch everything (the first time);
//       keeping: the page's service worker keeps the site's files;
//       asyncify: Asyncify every program even where the browser needs it not
//   {type: 'compile', id, name, source}          compile, link (and Asyncify) a program
// Messages to the page:
//   {type: 'progress', doneLength, totalLength}  the compiler's first download
//   {type: 'loaded'} / {type: 'load-failed', message}
//   {type: 'compiled', id, ok, file, diagnostics, output, wasm?}
//       file: the source's name in the messages; wasm: a Uint8Array (transferred)
//   {type: 'failed', id, message}                the toolchain itself failed
import {parseDiagnostics} from './diagnostics.mjs';
import {asyncifyProgram, canSuspendWithoutAsyncify} from './runtime/asyncify.mjs';

const site = (path) => new URL(path, import.meta.url);

async function fetchOk(path) {
  const response = await fetch(site(path));
  if (!response.ok) throw new Error(`${path}: ${response.status} ${response.statusText}`);
  return response;
}

// The package's headers and library as a tree for the compiler: the files
// the build listed under sysroot/ in the site's manifest.
async function loadSysroot() {
  const manifest = await (await fetchOk('manifest.json')).json();
  const tree = {};
  await Promise.all(manifest.files.filter((f) => f.startsWith('sysroot/')).map(async (file) => {
    const bytes = new Uint8Array(await (await fetchOk(file)).arrayBuffer());
    const parts = file.split('/').slice(1);
    let folder = tree;
    for (const part of parts.slice(0, -1)) folder = folder[part] ??= {};
    folder[parts[parts.length - 1]] = bytes;
  }));
  return tree;
}

// Progress reports at most every 1% of the download, not every chunk.
function progressReporter() {
  let lastPercent = -1;
  return ({doneLength, totalLength}) => {
    const percent = Math.floor((100 * doneLength) / totalLength);
    if (percent === lastPercent && doneLength < totalLength) return;
    lastPercent = percent;
    postMessage({type: 'progress', doneLength, totalLength});
  };
}

// Whether the compiler's large files are kept in the browser already
// (service_worker.js), when loading them is no download to show.
async function toolchainKept() {
  try {
    const kept = await Promise.all(['llvm.core.wasm', 'llvm-resources.tar'].map((file) =>
      caches.match(site(`toolchain/clang/${file}`).href)));
    return kept.every(Boolean);
  } catch {
    return false; // no Cache Storage here (a page from a file)
  }
}

const BINARYEN = 'toolchain/binaryen/index.js';
let binaryenLoading = null;
function loadBinaryen() {
  binaryenLoading ??= import(`./${BINARYEN}`).then((m) => m.default);
  binaryenLoading.catch(() => { binaryenLoading = null; });
  return binaryenLoading;
}

// Binaryen fetched whole, not run, so that the service worker keeps it for
// a visit, offline perhaps, in a browser that needs it. A failure is only
// not kept.
function keepBinaryen() {
  fetch(site(BINARYEN)).then((response) => response.arrayBuffer()).catch(() => {});
}

let loading = null;

// Everything a compile needs, fetched once; a failed load is tried afresh
// at the next request.
function load(keeping) {
  loading ??= (async () => {
    const clangLoaded = import('./toolchain/clang/bundle.js').then(async (clang) => {
      // runClang's own first step fetches without reporting progress:
      // fetching ahead, with no command, does report it (or, with the files
      // kept, says nothing).
      const kept = keeping && await toolchainKept();
      await clang.runLLVM(null, {}, {fetchProgress: kept ? () => {} : progressReporter()});
      return clang;
    });
    const [clang, sysroot, flags] = await Promise.all([
      clangLoaded,
      loadSysroot(),
      fetchOk('runtime/program_flags.json').then((r) => r.json()),
      asyncify ? loadBinaryen() : null,
    ]);
    if (!asyncify && keeping) keepBinaryen();
    return {clang, sysroot, flags};
  })();
  loading.catch(() => { loading = null; });
  return loading;
}

// The program's source file: its name made safe for the compiler's tree.
function sourceName(name) {
  const safe = String(name || '').replace(/[^A-Za-z0-9_-]/g, '_').slice(0, 64);
  return `${safe || 'program'}.c`;
}

async function compile({id, name, source}) {
  const {clang, sysroot, flags} = await load(keeping);
  const file = sourceName(name);
  let output = '';
  const decoder = new TextDecoder();
  const collect = (bytes) => { output += bytes ? decoder.decode(bytes, {stream: true}) : decoder.decode(); };
  // The flags name the sysroot's folder {sysroot}: here it is /draxo.
  const placed = (list) => list.map((flag) => flag.replaceAll('{sysroot}', '/draxo'));
  const args = ['clang', ...placed(flags.compile), '-Wall', '-fno-color-diagnostics', file, ...placed(flags.link),
                '-o', 'program.wasm'];
  let tree;
  try {
    tree = await clang.runClang(args, {[file]: source, draxo: sysroot}, {stdout: collect, stderr: collect});
  } catch (e) {
    if (!(e instanceof clang.Exit)) throw e;
    postMessage({type: 'compiled', id, ok: false, file, diagnostics: parseDiagnostics(output), output});
    return;
  }
  const wasm = asyncify ? await asyncifyProgram(await loadBinaryen(), tree['program.wasm']) : tree['program.wasm'];
  postMessage({type: 'compiled', id, ok: true, file, diagnostics: parseDiagnostics(output), output, wasm}, [wasm.buffer]);
}

// One request at a time, in order: a compile waits for the one before.
let queue = Promise.resolve();

let keeping = false;
// Whether programs are asyncified: where the browser cannot suspend them
// itself, or the page asks (to try that way in any browser).
let asyncify = !canSuspendWithoutAsyncify();

onmessage = ({data}) => {
  if (data.type === 'load') {
    keeping = Boolean(data.keeping);
    if (data.asyncify) asyncify = true;
    queue = queue.then(() => load(keeping).then(() => postMessage({type: 'loaded'}),
                                          (e) => postMessage({type: 'load-failed', message: e.message})));
  } else if (data.type === 'compile') {
    queue = queue.then(() => compile(data).catch((e) => postMessage({type: 'failed', id: data.id, message: e.message})));
  }
};
