// The web runtime's page side: starts a program (compiled for wasm32-wasip1
// and asyncified, asyncify.mjs) in a Worker of its own (program_worker.mjs)
// and shows its windows, menus and dialogs on the page (page_desktop.mjs).
//
//   const run = startProgram({wasm, container, programName, args, storage, fontsUrl, env, files, onOutput});
//   run.stop();                  // ends the program at once
//   const {status, reason, files} = await run.done;
//
// `watch: {name, head}` follows a file of the program's folder: its first
// `head` bytes go to `onWatched(name, bytes)` whenever they change, even
// while the program computes without waiting. `onStarted()` is called when
// the program itself starts, once it is loaded.
//
// `testActions: true` lets the program ask the page for the contract suite's
// driver's actions (page_test_actions.mjs): the suite's page only; any other
// page refuses them.
//
// `onDownload(name, bytes)`, when given, takes the files the program hands
// the user (a picture it saved) in place of the browser's downloads: a
// check run hands nothing to anyone.
//
// `run.files` reaches the program's folder from the page, as promises:
// list() its names, read(name) a file's bytes (null when there is none),
// write(name, bytes) puts a file in it and keeps it, sync() keeps the folder
// as it is now. After the program's end they answer from its last files.
//
// `status` is the program's exit status (null when it did not exit);
// `reason` why it stopped otherwise, in words ("it called abort().", "you
// stopped it."), null when it exited; `files` its folder's files at its end
// ({name: Uint8Array}; none when it was stopped).
import {keptFilesOf, programFolderPath} from './kept_files.mjs';
import {makeDesktop} from './page_desktop.mjs';

// The desktop of the run last started in each container: a new run there
// takes its place.
const runs = new WeakMap();

// Why the program cannot be given these arguments, or ''. A C argument
// ends at its first NUL byte: one that holds a NUL (%00 in the page's
// address) would reach the program cut short.
function refusedArguments(args) {
  for (let i = 0; i < args.length; ++i) {
    if (String(args[i]).indexOf('\0') >= 0)
      return `its argument ${i + 1} holds a NUL character (%00), which no argument of a C program can hold.`;
  }
  return '';
}

// The database every page of a program's name shared before each page had
// its own, the first time a page opens its own (null after): a page that
// finds its folder empty then takes over the files kept there.
function storageBefore(storage, programName) {
  const marker = 'draxo-storage-taken-over:' + storage;
  try {
    if (localStorage.getItem(marker)) return null;
    localStorage.setItem(marker, '1');
  } catch (e) {
    return null;
  }
  return programFolderPath(programName);
}

// What the program prints, on the browser's console a line at a time, when
// the page takes it no other way.
function consoleOutput() {
  const partial = {stdout: '', stderr: ''};
  const print = (line, stream) => (stream == 'stdout' ? console.log : console.error)(line);
  const output = (text, stream) => {
    const lines = (partial[stream] + text).split('\n');
    partial[stream] = lines.pop();
    for (const line of lines) print(line, stream);
  };
  output.flush = () => {
    for (const stream of ['stdout', 'stderr']) if (partial[stream]) print(partial[stream], stream);
    partial.stdout = partial.stderr = '';
  };
  return output;
}

// Hands a file the program saved to the user as a download.
function download(name, bytes) {
  const type = /\.png$/i.test(name) ? 'image/png' : 'application/octet-stream';
  const url = URL.createObjectURL(new Blob([bytes], {type}));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  link.style.display = 'none';
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

export function startProgram(options) {
  const container = options.container || document.getElementById('draxo') || document.body;
  const programName = String(options.programName || 'program');
  const args = (options.args || []).map(String);
  const output = options.onOutput || consoleOutput();
  const previous = runs.get(container);
  if (previous) previous.dispose();

  // The kept folder's database: the page's own, named by the program's
  // folder and the page's, so that two pages never share their files.
  const storage = options.storage || `${programFolderPath(programName)} ${location.pathname.replace(/[^/]*$/, '')}`;
  let worker = null, settle;
  const done = new Promise((resolve) => { settle = resolve; });
  const desktop = makeDesktop({
    host: container,
    post: (message) => { if (worker) worker.postMessage(message); },
    // A page of its own, as a program's built page is: its title names the
    // program and says when it ended.
    ownsTitle: !options.container,
    runAgain: options.onRunAgain || (() => startProgram(options)),
    testActions: !!options.testActions,
  });
  let ended = false;
  // Questions about the folder waiting for the worker's answer, by number;
  // once the program has ended, the page reads and writes the kept folder
  // itself.
  const asked = new Map();
  let asks = 0, keptFiles = null;
  const askKept = async (op, name, bytes) => {
    keptFiles = keptFiles || keptFilesOf(storage, programName);
    return (await keptFiles)[op](name, bytes);
  };
  const ask = (op, name, bytes) => {
    if (ended || !worker) return askKept(op, name, bytes);
    const id = ++asks;
    return new Promise((resolve, reject) => {
      asked.set(id, {op, name, bytes, resolve, reject});
      worker.postMessage({type: 'files', id, op, name, bytes});
    });
  };
  const finish = (result, why, state) => {
    if (ended) return;
    ended = true;
    if (worker) worker.terminate();
    for (const {op, name, bytes, resolve, reject} of asked.values()) askKept(op, name, bytes).then(resolve, reject);
    asked.clear();
    if (output.flush) output.flush();
    desktop.end(why, state);
    settle(result);
  };
  const run = {
    stop() { finish({status: null, reason: 'you stopped it.'}, 'The program stopped: you stopped it.'); },
    done,
    files: {
      list: () => ask('list'),
      read: (name) => ask('read', String(name)),
      write: (name, bytes) => ask('write', String(name), bytes),
      sync: () => ask('sync'),
    },
    dispose() {
      run.stop();
      desktop.dispose();
    },
  };
  runs.set(container, run);

  const refused = refusedArguments(args);
  if (refused) {
    finish({status: null, reason: refused}, 'The program was not started: ' + refused, 'not started');
    return run;
  }

  const base = document.baseURI;
  worker = new Worker(new URL('./program_worker.mjs', import.meta.url), {type: 'module'});
  worker.onmessage = (e) => {
    const m = e.data;
    switch (m.type) {
    case 'output': output(m.text, m.stream); break;
    case 'download': (options.onDownload || download)(m.name, m.bytes); break;
    case 'saved': if (options.onSaved) options.onSaved(m.name); break;
    case 'started': if (options.onStarted && !ended) options.onStarted(); break;
    case 'watched': if (options.onWatched && !ended) options.onWatched(m.name, m.bytes); break;
    case 'files': {
      const question = asked.get(m.id);
      if (!question) break;
      asked.delete(m.id);
      if (m.error) question.reject(new Error(m.error));
      else question.resolve(m.value);
      break;
    }
    case 'end':
      finish({status: m.status, reason: m.reason, files: m.files},
        m.reason ? 'The program stopped: ' + m.reason : 'The program has ended.');
      break;
    default: if (!ended) desktop.receive(m);
    }
  };
  worker.onerror = (e) => {
    const why = `the page's runtime failed (${e.message || 'its worker could not be loaded'}).`;
    finish({status: null, reason: why}, 'The program stopped: ' + why);
  };
  const wasm = typeof options.wasm == 'string' ? new URL(options.wasm, base).href : options.wasm;
  worker.postMessage({
    type: 'start', wasm, programName, args, env: options.env || {}, files: options.files || {}, storage,
    watch: options.watch || null,
    storageBefore: options.storage ? null : storageBefore(storage, programName),
    fontsUrl: new URL(options.fontsUrl || 'fonts/', base).href,
  });
  return run;
}
