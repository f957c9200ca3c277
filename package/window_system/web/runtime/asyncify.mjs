// Makes a linked program able to suspend in its waits: binaryen's Asyncify
// pass rewrites every function that may reach one of the suspending imports
// so that the runtime (program_worker.mjs) can unwind the program's frames
// into a data area, give the thread back while it waits, and wind them up
// again when the wait is over. Runs after linking, in node at build time and
// in the browser after the playground's compile; the caller hands over the
// binaryen module (`import binaryen from 'binaryen'`) so that both use it.

// The imports that suspend the program: its wait for an event, its yield to
// the page, its wait for a font file, its wait for the page's answer to a
// request, and its sleep.
export const ASYNC_IMPORTS = [
  'draxo.draxo_web_wait_for_event',
  'draxo.draxo_web_yield',
  'draxo.draxo_web_fetch_font',
  'draxo.draxo_web_page_call',
  'wasi_snapshot_preview1.poll_oneoff',
];

// Whether this browser can suspend a program that was not asyncified: with
// its own promise integration (an import wrapped as WebAssembly.Suspending
// suspends the program's whole stack until its promise settles, and
// WebAssembly.promising makes the program's entry give a promise). Where it
// can, a program needs no Asyncify pass: it is built faster, smaller, and
// runs faster. Asked in the page, the compiler's worker and the program's.
export function canSuspendWithoutAsyncify() {
  return typeof WebAssembly.Suspending === 'function' && typeof WebAssembly.promising === 'function';
}

// The program's stack pointer, exported under this name, tells a stack
// overflow from another access out of bounds when the program traps.
export const STACK_POINTER_EXPORT = 'draxo_stack_pointer';

// `wasmBytes`, linked, asyncified: a new Uint8Array.
export async function asyncifyProgram(binaryen, wasmBytes) {
  if (binaryen.ready) await binaryen.ready;
  const module = binaryen.readBinary(wasmBytes instanceof Uint8Array ? wasmBytes : new Uint8Array(wasmBytes));
  const optimize = binaryen.getOptimizeLevel(), shrink = binaryen.getShrinkLevel();
  const debugInfo = binaryen.getDebugInfo();
  try {
    // The functions' names stay: a trap's stack names the function that
    // trapped (abort, say), which the runtime reports.
    binaryen.setDebugInfo(true);
    binaryen.setOptimizeLevel(2);
    binaryen.setShrinkLevel(0);
    binaryen.setPassArgument('asyncify-imports', ASYNC_IMPORTS.join(','));
    module.runPasses(['asyncify']);
    if (module.getGlobal && hasGlobal(binaryen, module, '__stack_pointer') && !hasExport(module, STACK_POINTER_EXPORT))
      module.addGlobalExport('__stack_pointer', STACK_POINTER_EXPORT);
    if (!module.validate()) throw new Error('the program is not valid WebAssembly after Asyncify');
    return module.emitBinary();
  } finally {
    binaryen.setPassArgument('asyncify-imports', null);
    binaryen.setOptimizeLevel(optimize);
    binaryen.setShrinkLevel(shrink);
    binaryen.setDebugInfo(debugInfo);
    module.dispose();
  }
}

function hasGlobal(binaryen, module, name) {
  for (let i = 0; i < module.getNumGlobals(); ++i)
    if (binaryen.getGlobalInfo(module.getGlobalByIndex(i)).name === name) return true;
  return false;
}

function hasExport(module, name) {
  return !!module.getExport(name);
}
