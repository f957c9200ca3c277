// TEMPORARY STAND-IN, for the playground's tests alone, until the web
// backend's runtime (package/window_system/web/runtime/asyncify.mjs) is in
// the tree: the same interface, binaryen's Asyncify pass over the program.
export const ASYNC_IMPORTS = ['draxo.draxo_web_wait_for_event', 'draxo.draxo_web_yield', 'draxo.draxo_web_fetch_font'];

export function canSuspendWithoutAsyncify() {
  return typeof WebAssembly.Suspending === 'function' && typeof WebAssembly.promising === 'function';
}

export async function asyncifyProgram(binaryen, wasmBytes) {
  const module = binaryen.readBinary(wasmBytes);
  try {
    binaryen.setPassArgument('asyncify-imports', ASYNC_IMPORTS.join(','));
    module.runPasses(['asyncify']);
    return module.emitBinary();
  } finally {
    module.dispose();
  }
}
