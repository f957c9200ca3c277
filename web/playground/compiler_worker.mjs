// The playground's compiler, a module Worker so that the page never waits on
// it: clang and wasm-ld compiled to WebAssembly (the site's toolchain/clang/),
// the package's headers and library (sysroot/, seen by the compiler as
// /draxo/), the flags every program of the new runtime is built with
// (runtime/program_flags.json), and binaryen's Asyncify pass
// (runtime/asyncify.mjs over toolchain/binaryen/), which lets the program's
// waits suspend and resume. Paths are relative to this file, so the site
// works from any folder of any static web server.
//
// Messages from the page:
//   {type: 'load', keeping}                      fetch everything (the first time);
//       keeping: the page's service worker keeps the site's files
//   {type: 'compile', id, name, source}          compile, link and Asyncify a program
// Messages to the page:
//   {type: 'progress', doneLength, totalLength}  the compiler's first download
//   {type: 'loaded'} / {type: 'load-failed', message}
//   {type: 'compiled', id, ok, file, diagnostics, output, wasm?}
//       file: the source's name in the messages; wasm: a Uint8Array (transferred)
//   {type: 'failed', id, message}                the toolchain itself failed
import {parseDiagnostics} from './diagnostics.mjs';

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
    const [clang, sysroot, flags, binaryen, {asyncifyProgram}] = await Promise.all([
      clangLoaded,
      loadSysroot(),
      // Its paths name the sysroot "{sysroot}": here /draxo.
      fetchOk('runtime/program_flags.json').then((r) => r.json()).then(({compile, link}) => {
        const mounted = (list) => list.map((flag) => flag.replaceAll('{sysroot}', '/draxo'));
        return {compile: mounted(compile), link: mounted(link)};
      }),
      import('./toolchain/binaryen/index.js').then((m) => m.default),
      import('./runtime/asyncify.mjs'),
    ]);
    return {clang, sysroot, flags, binaryen, asyncifyProgram};
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
  const {clang, sysroot, flags, binaryen, asyncifyProgram} = await load(keeping);
  const file = sourceName(name);
  let output = '';
  const decoder = new TextDecoder();
  const collect = (bytes) => { output += bytes ? decoder.decode(bytes, {stream: true}) : decoder.decode(); };
  const args = ['clang', ...flags.compile, '-Wall', '-fno-color-diagnostics', file, ...flags.link, '-o', 'program.wasm'];
  let tree;
  try {
    tree = await clang.runClang(args, {[file]: source, draxo: sysroot}, {stdout: collect, stderr: collect});
  } catch (e) {
    if (!(e instanceof clang.Exit)) throw e;
    postMessage({type: 'compiled', id, ok: false, file, diagnostics: parseDiagnostics(output), output});
    return;
  }
  const wasm = await asyncifyProgram(binaryen, tree['program.wasm']);
  postMessage({type: 'compiled', id, ok: true, file, diagnostics: parseDiagnostics(output), output, wasm}, [wasm.buffer]);
}

// One request at a time, in order: a compile waits for the one before.
let queue = Promise.resolve();

let keeping = false;

onmessage = ({data}) => {
  if (data.type === 'load') {
    keeping = Boolean(data.keeping);
    queue = queue.then(() => load(keeping).then(() => postMessage({type: 'loaded'}),
                                          (e) => postMessage({type: 'load-failed', message: e.message})));
  } else if (data.type === 'compile') {
    queue = queue.then(() => compile(data).catch((e) => postMessage({type: 'failed', id: data.id, message: e.message})));
  }
};
