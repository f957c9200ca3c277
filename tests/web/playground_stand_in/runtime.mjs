// TEMPORARY STAND-IN, for the playground's tests alone, until the web
// backend's runtime (package/window_system/web/runtime/runtime.mjs) is in
// the tree: startProgram's interface without running anything. It shows a
// window of the program's name, prints a line, and records what it was given
// in window.standInRuns, whose end(status) ends the run as the program's
// exit would.
export function startProgram(options) {
  const frame = document.createElement('div');
  frame.className = 'draxo-window';
  frame.dataset.title = options.programName;
  frame.textContent = `stand-in for ${options.programName}`;
  options.container.append(frame);
  let finish;
  const done = new Promise((resolve) => { finish = resolve; });
  const record = {programName: options.programName, storage: options.storage, fontsUrl: options.fontsUrl,
                  bytes: options.wasm.length, exports: null, stopped: false, end: (status) => finish({status})};
  window.standInRuns = [...(window.standInRuns || []), record];
  WebAssembly.compile(options.wasm).then((module) => {
    record.exports = WebAssembly.Module.exports(module).map((e) => e.name);
    options.onOutput('stand-in runtime: the program compiled\n', 'stdout');
  }, (e) => finish({status: null, reason: `not a program: ${e.message}`}));
  return {
    stop() {
      record.stopped = true;
      finish({status: null, reason: 'stopped'});
    },
    done,
  };
}
