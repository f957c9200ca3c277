// A STAND-IN of the web backend's runtime.mjs, for the playground's tests of
// what the page hands the runtime (the real one runs the program, and
// cannot be made to end it with a status the test picks):
// startProgram's interface without running anything. It shows a
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
                  bytes: options.wasm.length, exports: null, fontBytes: null, stopped: false,
                  end: (status) => finish({status})};
  window.standInRuns = [...(window.standInRuns || []), record];
  const worker = new Worker(new URL('./program_worker.mjs', import.meta.url), {type: 'module'});
  worker.onmessage = ({data}) => {
    if (data.error) {
      finish({status: null, reason: `not a program: ${data.error}`});
      return;
    }
    record.fontBytes = data.fontBytes;
    record.exports = data.exports;
    options.onOutput('stand-in runtime: the program compiled\n', 'stdout');
  };
  worker.onerror = (e) => finish({status: null, reason: `the stand-in's worker failed: ${e.message}`});
  worker.postMessage({wasm: options.wasm, fontsUrl: options.fontsUrl});
  return {
    stop() {
      worker.terminate();
      record.stopped = true;
      finish({status: null, reason: 'stopped'});
    },
    done,
  };
}
