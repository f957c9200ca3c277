// The playground page: the editor, the toolbar (Run, Stop, Examples, Open,
// Download, Share), the compiler's messages, the status line, and the
// program's windows beside the editor. The compiler runs in its own worker
// (compiler_worker.mjs); the program in the web backend's runtime
// (runtime/runtime.mjs), which makes its windows in the page.
import {AssignmentError, RUN_FILE, assignmentFolder, checkEnvironment, loadAssignment} from './assignment.mjs';
import {createEditor} from './editor.js';
import {keepSiteOffline} from './offline.mjs';
import {codeOfFragment, decodeProgram, encodeProgram, shareAddress, ShareLinkError} from './share_link.mjs';

// What a first visit finds in the editor.
const STARTER = `/* Your program: a circle where you click. Ctrl+Q or the window's close box ends it. */
#include <stdio.h>

#include "draxo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    DRAXO_start(instance, previous_instance, command_line, show_command);
    DRAXO_text(NAVY_BLUE, -200, 200, 16, "Click anywhere");
    for (;;) {
        int x, y;
        char key;
        switch (DRAXO_next_event(&x, &y, &key)) {
        case DRAXO_MOUSE:
            DRAXO_circle(RED, x, y, 10);
            printf("click at %d, %d\\n", x, y);
            break;
        case DRAXO_QUIT: DRAXO_stop(); return 0;
        }
    }
}
`;

// A file opened from the disk larger than this is no program to edit here.
const MAX_OPENED_BYTES = 1 << 20;
// The program's output kept on the page, the oldest dropped beyond it.
const MAX_OUTPUT_CHARS = 200000;

const element = (id) => document.getElementById(id);
const ui = {
  run: element('run'), stop: element('stop'), examples: element('examples'), examplesMenu: element('examples-menu'),
  open: element('open'), openFile: element('open-file'), download: element('download'), share: element('share'),
  shareBox: element('share-box'), shareLink: element('share-link'), shareNote: element('share-note'),
  shareClose: element('share-close'), earlierNote: element('earlier-note'), earlierBack: element('earlier-back'),
  earlierForget: element('earlier-forget'), status: element('status'), loading: element('loading'),
  progress: element('progress'), loadingAmount: element('loading-amount'), cursor: element('cursor'),
  messages: element('messages'), noMessages: element('no-messages'), compilerOutputBox: element('compiler-output-box'),
  compilerOutput: element('compiler-output'), program: element('program'), output: element('output'),
  check: element('check'), assignmentTitle: element('assignment-title'), checkResult: element('check-result'),
  checkRun: element('check-run'),
};

// The page's own place in the browser's storage: each playground (its path
// on the site, the same whether or not the address names index.html) keeps
// its own program and its own folder of the program's files.
const page = location.pathname.replace(/\/index\.html$/, '/');
// Opened on an assignment (?assignment=FOLDER/), the student's program for
// it is kept apart from the playground's own and from other assignments'.
const assignmentAt = assignmentFolder(location.search, location.href);
const place = assignmentAt ? `${page}?assignment=${assignmentAt}` : page;
const textKey = `draxo-playground:${place}`;
const nameKey = `draxo-playground-name:${place}`;
// The program a share link replaced (the student's own, kept until brought
// back or let go), and the program last opened from a link, which is no
// program of the student's while it stays as it came.
const earlierKey = `draxo-playground-earlier:${place}`;
const earlierNameKey = `draxo-playground-earlier-name:${place}`;
const linkedKey = `draxo-playground-linked:${place}`;
const programStorage = `draxo-playground ${page}`;
const fontsUrl = new URL(document.documentElement.dataset.fonts || '../fonts/', document.baseURI).href;

function setStatus(text, state = '') {
  ui.status.textContent = text;
  ui.status.parentElement.dataset.state = state;
}

// localStorage may be refused (a private window, storage full): the page
// works on without keeping the program, and says so once.
let keepingFailed = false;
function keep(key, value) {
  try {
    localStorage.setItem(key, value);
  } catch {
    if (!keepingFailed) setStatus('This browser does not let the page keep your program: download it to keep it.', 'error');
    keepingFailed = true;
  }
}
function forget(...keys) {
  try {
    for (const key of keys) localStorage.removeItem(key);
  } catch {}
}
function kept(key) {
  try {
    return localStorage.getItem(key);
  } catch {
    return null;
  }
}

// --- The editor, and keeping its text as the user types ---

let programName = kept(nameKey) || 'program';
let saveTimer = null;

function saveNow() {
  clearTimeout(saveTimer);
  saveTimer = null;
  keep(textKey, editor.text());
  keep(nameKey, programName);
}

const editor = createEditor({
  parent: element('editor'),
  text: kept(textKey) ?? STARTER,
  label: 'Program text (C)',
  onChange: () => {
    clearTimeout(saveTimer);
    saveTimer = setTimeout(saveNow, 300);
  },
  onRun: () => run(),
});
editor.view.dom.addEventListener('keyup', showCursor);
editor.view.dom.addEventListener('mouseup', showCursor);
editor.view.dom.addEventListener('focusin', showCursor);
function showCursor() {
  const {line, column} = editor.cursor();
  ui.cursor.textContent = `Line ${line}, column ${column}`;
}
// What was typed within the last moments is kept as the page goes (a reload,
// another address, the tab closed) or is hidden (a phone switching apps,
// which may end the page without a word).
addEventListener('pagehide', () => { if (saveTimer !== null) saveNow(); });
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden' && saveTimer !== null) saveNow();
});

// Puts `text` in the editor as one change Undo takes back, under `name`.
function loadProgram(text, name) {
  editor.replace(text);
  programName = name;
  saveNow();
  showCursor();
}

// --- The compiler worker ---

const waiting = new Map(); // compile id -> resolve
let compilerReady = false;

function startCompiler(keeping) {
  const worker = new Worker(new URL('./compiler_worker.mjs', import.meta.url), {type: 'module'});
  worker.onmessage = ({data}) => {
    if (data.type === 'progress') {
      ui.loading.hidden = false;
      ui.progress.value = data.doneLength / data.totalLength;
      ui.loadingAmount.textContent = `${Math.floor((100 * data.doneLength) / data.totalLength)}% of ` +
                                     `${Math.round(data.totalLength / 1e6)} MB`;
    } else if (data.type === 'loaded') {
      compilerReady = true;
      ui.loading.hidden = true;
    } else if (data.type === 'load-failed') {
      ui.loading.hidden = true;
      if (!current) setStatus(`The compiler could not be loaded (${data.message}). Run tries again.`, 'error');
    } else if (data.type === 'compiled' || data.type === 'failed') {
      waiting.get(data.id)?.(data);
      waiting.delete(data.id);
    }
  };
  worker.onerror = (event) => {
    event.preventDefault();
    setStatus(`The compiler could not be started (${event.message || 'its script did not load'}).`, 'error');
    for (const resolve of waiting.values()) resolve({type: 'failed', message: 'the compiler stopped'});
    waiting.clear();
  };
  // The compiler downloads once the page is up, so that the first Run need
  // not wait for all of it; `keeping` tells it that its files may be kept
  // in the browser already, when there is no download to show. The query
  // asyncify=1 has every program asyncified, as a browser that cannot
  // suspend a program itself needs it, in any browser.
  const asyncify = new URLSearchParams(location.search).get('asyncify') === '1';
  worker.postMessage({type: 'load', keeping, asyncify});
  return worker;
}

// The compiler starts once the site's files are kept as they are fetched:
// its worker's own fetches go through the service worker only if it
// controls the page when the worker starts.
const compiler = keepSiteOffline().then(startCompiler);

let compileCount = 0;
function compile(source) {
  const id = ++compileCount;
  return new Promise((resolve) => {
    waiting.set(id, resolve);
    compiler.then((worker) => worker.postMessage({type: 'compile', id, name: programName, source}));
  });
}

// --- The compiler's messages ---

function plural(count, word) {
  return `${count} ${word}${count === 1 ? '' : 's'}`;
}

function messageItem(diagnostic, ownFile) {
  const item = document.createElement('li');
  const placed = diagnostic.line !== null && diagnostic.file === ownFile;
  const where = diagnostic.line === null
    ? (diagnostic.file ? `${diagnostic.file}: ` : '')
    : placed ? `Line ${diagnostic.line}, column ${diagnostic.column}: `
      : `${diagnostic.file}, line ${diagnostic.line}, column ${diagnostic.column}: `;
  const control = document.createElement(placed ? 'button' : 'div');
  control.className = `${diagnostic.severity}${placed ? '' : ' unplaced'}`;
  control.textContent = `${where}${diagnostic.severity}: ${diagnostic.message}`;
  if (placed) {
    control.type = 'button';
    control.title = 'Show this place in the program';
    control.addEventListener('click', () => { editor.moveTo(diagnostic.line, diagnostic.column); showCursor(); });
  }
  item.append(control);
  return item;
}

function clearMessages() {
  ui.messages.replaceChildren();
  ui.noMessages.hidden = false;
  ui.noMessages.textContent = 'None yet: Run compiles the program with all warnings on.';
  ui.compilerOutputBox.hidden = true;
  editor.mark([]);
}

function showMessages({diagnostics, output, file}) {
  ui.messages.replaceChildren();
  for (const diagnostic of diagnostics) {
    ui.messages.append(messageItem(diagnostic, file));
    for (const note of diagnostic.notes) ui.messages.append(messageItem(note, file));
  }
  ui.noMessages.hidden = diagnostics.length > 0;
  ui.noMessages.textContent = 'No messages: the program compiled cleanly.';
  ui.compilerOutput.textContent = output;
  ui.compilerOutputBox.hidden = output.trim() === '';
  const own = diagnostics.flatMap((d) => [d, ...d.notes]).filter((d) => d.line !== null && d.file === file);
  editor.mark(own);
}

// --- Running and stopping ---

let runtime = null;
function loadRuntime() {
  runtime ??= import('./runtime/runtime.mjs');
  runtime.catch(() => { runtime = null; });
  return runtime;
}

// The run under way: {stage: 'compiling'|'running', program?, stopped?}.
let current = null;

function setRunning(running) {
  ui.stop.disabled = !running;
}

function appendOutput(text) {
  const atEnd = ui.output.scrollTop + ui.output.clientHeight >= ui.output.scrollHeight - 4;
  let whole = ui.output.textContent + text;
  if (whole.length > MAX_OUTPUT_CHARS) whole = whole.slice(whole.length - MAX_OUTPUT_CHARS);
  ui.output.textContent = whole;
  if (atEnd) ui.output.scrollTop = ui.output.scrollHeight;
}

// Compiles the editor's program for `attempt` (the run or check now under
// way) and loads the runtime; the compiled result and startProgram, or null
// when there is nothing to start (the status line says why).
async function compileForStart(attempt) {
  const result = await compile(editor.text());
  if (current !== attempt) return null; // stopped, or another Run since
  if (result.type === 'failed') {
    current = null;
    setRunning(false);
    setStatus(`The compiler failed: ${result.message}`, 'error');
    return null;
  }
  showMessages(result);
  const errors = result.diagnostics.filter((d) => d.severity === 'error').length;
  const warnings = result.diagnostics.filter((d) => d.severity === 'warning').length;
  if (!result.ok) {
    current = null;
    setRunning(false);
    const counted = [errors && plural(errors, 'error'), warnings && plural(warnings, 'warning')].filter(Boolean);
    setStatus(`The program did not compile${counted.length ? `: ${counted.join(', ')}` : ''}. ` +
              'Click a message to go to its place.', 'error');
    return null;
  }
  let startProgram;
  try {
    ({startProgram} = await loadRuntime());
  } catch (e) {
    current = null;
    setRunning(false);
    setStatus(`The program's runtime could not be loaded (${e.message}).`, 'error');
    return null;
  }
  if (current !== attempt) return null;
  return {result, startProgram, warnings};
}

// Ends the run or check under way, if any, as a new one starts.
function replaceCurrent(attempt) {
  if (current?.program) {
    current.stopped = true;
    current.program.stop();
  }
  current = attempt;
  setRunning(true);
  saveNow();
  setStatus(compilerReady ? 'Compiling…' : 'Compiling… (once the compiler has downloaded)');
}

async function run() {
  const attempt = {stage: 'compiling'};
  replaceCurrent(attempt);
  const compiled = await compileForStart(attempt);
  if (!compiled) return;
  const {result, startProgram, warnings} = compiled;
  ui.program.replaceChildren();
  ui.output.textContent = '';
  attempt.stage = 'running';
  attempt.program = startProgram({
    wasm: result.wasm,
    container: ui.program,
    programName,
    storage: programStorage,
    fontsUrl,
    onOutput: (text) => appendOutput(text),
  });
  setStatus(warnings ? `Running (compiled with ${plural(warnings, 'warning')})` : 'Running');
  let end;
  try {
    end = await attempt.program.done;
  } catch (e) {
    end = {status: null, reason: e.message};
  }
  if (current === attempt) {
    current = null;
    setRunning(false);
  }
  if (current && current !== attempt) return; // a new Run has the status line now
  if (attempt.stopped) {
    setStatus('Stopped');
  } else if (typeof end.status === 'number') {
    setStatus(`Ended with status ${end.status}`, end.status === 0 ? '' : 'error');
  } else {
    setStatus(`The program stopped: ${end.reason || 'no reason given'}`, 'error');
  }
}

function stop() {
  if (!current) return;
  if (current.program) {
    current.stopped = true;
    current.program.stop();
  } else {
    current = null;
    setRunning(false);
    setStatus('Stopped before the program ran');
  }
}

// --- The assignment and its check ---

let checking = null;
function loadChecking() {
  checking ??= import('./runtime/check.mjs');
  checking.catch(() => { checking = null; });
  return checking;
}

// The assignment the page is opened on, once loaded (loadAssignment's).
let assignment = null;
// The check run's own kept folder, emptied before each check, so that it
// starts as draxo-run's runs do: with none of the student's files.
const checkStorage = `draxo-playground-check ${place}`;

function forgetCheckFolder() {
  return new Promise((resolve) => {
    try {
      const request = indexedDB.deleteDatabase(checkStorage);
      request.onsuccess = request.onerror = request.onblocked = () => resolve();
    } catch {
      resolve();
    }
  });
}

async function openAssignment() {
  if (!assignmentAt) return;
  ui.assignmentTitle.parentElement.hidden = false;
  ui.assignmentTitle.textContent = 'Loading the assignment…';
  try {
    const {decodePng} = await loadChecking();
    assignment = await loadAssignment(assignmentAt, {decodePng});
  } catch (e) {
    const why = e instanceof AssignmentError ? e.message : `it could not be loaded (${e.message})`;
    ui.assignmentTitle.textContent = 'No assignment';
    setStatus(`The assignment ${assignmentAt} cannot be used: ${why}. The editor keeps its program.`, 'error');
    return;
  }
  ui.assignmentTitle.textContent = assignment.title;
  document.title = `${assignment.title}: DRAXO playground`;
  ui.check.hidden = false;
  // The starter, for a student with no program of their own for it yet.
  if (kept(textKey) === null && assignment.starterText !== null && editor.text() === STARTER)
    loadProgram(assignment.starterText, 'program');
  setStatus('Ready: Run runs the program, Check checks it against the assignment.');
}

// A picture ({width, height, data}) as a canvas, with its label.
function pictureFigure(picture, label) {
  const figure = document.createElement('figure');
  const canvas = document.createElement('canvas');
  canvas.width = picture.width;
  canvas.height = picture.height;
  if (picture.width > 0 && picture.height > 0)
    canvas.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(picture.data), picture.width), 0, 0);
  const caption = document.createElement('figcaption');
  caption.textContent = label;
  figure.append(canvas, caption);
  return figure;
}

function showVerdict(verdict, comparison) {
  const summary = document.createElement('p');
  summary.className = 'verdict';
  summary.textContent = verdict.lines[0];
  const details = document.createElement('ul');
  for (const line of verdict.lines.slice(1)) {
    const item = document.createElement('li');
    item.textContent = line;
    details.append(item);
  }
  ui.checkResult.replaceChildren(summary, details);
  ui.checkResult.dataset.verdict = verdict.passed ? 'passed' : 'failed';
  ui.checkResult.dataset.status = String(verdict.status);
  if (comparison && !comparison.same) {
    const pictures = document.createElement('div');
    pictures.className = 'check-pictures';
    pictures.append(
      pictureFigure(comparison.marked, `Your program's picture: the ${comparison.differing} differing pixels in red`),
      pictureFigure(assignment.referencePicture, "The assignment's picture"));
    ui.checkResult.append(pictures);
  }
}

// Compiles the program and runs it as draxo-run runs it for the assignment:
// no one at the keyboard, the assignment's script, arguments and time limit;
// then says whether it passed, and if not why, the difference marked.
async function check() {
  if (!assignment) return;
  const attempt = {stage: 'compiling'};
  replaceCurrent(attempt);
  ui.checkResult.replaceChildren();
  delete ui.checkResult.dataset.verdict;
  const compiled = await compileForStart(attempt);
  if (!compiled) return;
  let rules;
  try {
    rules = await loadChecking();
  } catch (e) {
    current = null;
    setRunning(false);
    setStatus(`The check could not be loaded (${e.message}).`, 'error');
    return;
  }
  await forgetCheckFolder();
  if (current !== attempt) return;
  attempt.stage = 'running';
  setStatus('Checking…');
  const home = `/home/web_user/${programName.replace(/[^A-Za-z0-9_.-]/g, '_')}`;
  const started = performance.now();
  // The package draws nothing in a run without a screen; its area stays
  // hidden all the same, so that a check never covers the student's windows.
  const {RUN_FILE_STATUS_SIZE, STOPPED_BY, checkVerdict, comparePictures, readRunFile} = rules;
  // The time limit counts from the program's start, as draxo-run's does, not
  // its loading; the grace time from the script's quit, which the run file's
  // status says as soon as the package writes it (followed live: a program
  // computing on after the quit is ended for ignoring it, as draxo-run ends
  // it, not for taking too long). A program that waits on after the quit is
  // ended by the package itself when the grace time is over; the page ends
  // one that never waits a moment later.
  const GRACE_MARGIN_MS = 1000;
  let stoppedBy = null, timer = null, graceTimer = null, lastFacts = null;
  const stopFor = (why) => {
    if (stoppedBy) return;
    stoppedBy = why;
    attempt.program.stop();
  };
  attempt.program = compiled.startProgram({
    wasm: compiled.result.wasm,
    container: ui.checkRun,
    programName,
    args: assignment.arguments,
    storage: checkStorage,
    fontsUrl,
    env: checkEnvironment(assignment, home),
    files: {[assignment.script]: assignment.scriptBytes},
    watch: {name: RUN_FILE, head: RUN_FILE_STATUS_SIZE},
    onOutput: () => {},
    onDownload: () => {},
    onStarted: () => {
      if (assignment.timeoutSeconds > 0)
        timer = setTimeout(() => stopFor(STOPPED_BY.timeout), assignment.timeoutSeconds * 1000);
    },
    onWatched: (name, bytes) => {
      lastFacts = readRunFile(bytes) || lastFacts;
      if (lastFacts?.quitDelivered && !graceTimer)
        graceTimer = setTimeout(() => stopFor(STOPPED_BY.grace), assignment.graceSeconds * 1000 + GRACE_MARGIN_MS);
    },
  });
  let end;
  try {
    end = await attempt.program.done;
  } catch (e) {
    end = {status: null, reason: e.message};
  }
  clearTimeout(timer);
  clearTimeout(graceTimer);
  const seconds = (performance.now() - started) / 1000;
  if (current === attempt) {
    current = null;
    setRunning(false);
  }
  if (current && current !== attempt) return; // a new Run or Check has the page now
  const exited = typeof end.status === 'number';
  const reason = exited ? null : stoppedBy || (attempt.stopped ? STOPPED_BY.user : end.reason);
  // A run the page ended leaves no files: its facts are the run file's
  // status as last followed, without the picture.
  const run = end.files ? readRunFile(end.files[RUN_FILE]) : lastFacts;
  const shown = run?.picture ?? {width: 0, height: 0, data: new Uint8ClampedArray(0)};
  const comparison = end.files ? comparePictures(assignment.referencePicture, shown) : null;
  const verdict = checkVerdict({
    status: exited ? end.status : null, reason, run, expectedStatus: assignment.expectedStatus,
    same: comparison ? comparison.same : null, differing: comparison ? comparison.differing : 0,
    timeoutSeconds: assignment.timeoutSeconds, graceSeconds: assignment.graceSeconds,
  });
  // How far the script of a run the page ended got is known only from the
  // run file's status followed.
  if (!end.files && !lastFacts) verdict.lines.splice(2);
  showVerdict(verdict, comparison);
  ui.checkResult.dataset.seconds = seconds.toFixed(2);
  setStatus(verdict.passed ? 'Checked: passed.' : 'Checked: not passed.', verdict.passed ? '' : 'error');
}

// --- Examples, Open, Download ---

function closeExamples({focusButton = false} = {}) {
  ui.examplesMenu.hidden = true;
  ui.examples.setAttribute('aria-expanded', 'false');
  if (focusButton) ui.examples.focus();
}

function openExamples() {
  ui.examplesMenu.hidden = false;
  ui.examples.setAttribute('aria-expanded', 'true');
  ui.examplesMenu.querySelector('button')?.focus();
}

async function loadExamples() {
  try {
    const response = await fetch('examples/index.json');
    if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
    for (const example of await response.json()) {
      const item = document.createElement('li');
      item.setAttribute('role', 'none');
      const choice = document.createElement('button');
      choice.type = 'button';
      choice.setAttribute('role', 'menuitem');
      choice.textContent = example.title;
      choice.addEventListener('click', () => { closeExamples(); openExample(example); });
      item.append(choice);
      ui.examplesMenu.append(item);
    }
  } catch (e) {
    ui.examples.disabled = true;
    ui.examples.title = `The examples could not be loaded (${e.message})`;
  }
}

async function openExample(example) {
  try {
    const response = await fetch(`examples/${encodeURIComponent(example.file)}`);
    if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
    loadProgram(await response.text(), example.name);
    setStatus(`Opened the example ${example.file}. Undo (Ctrl+Z) brings back what you had.`);
    editor.focus();
  } catch (e) {
    setStatus(`The example ${example.file} could not be loaded (${e.message}).`, 'error');
  }
}

ui.examples.addEventListener('click', () => (ui.examplesMenu.hidden ? openExamples() : closeExamples()));
ui.examplesMenu.addEventListener('keydown', (event) => {
  const choices = [...ui.examplesMenu.querySelectorAll('button')];
  const at = choices.indexOf(document.activeElement);
  if (event.key === 'Escape') {
    closeExamples({focusButton: true});
  } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
    const step = event.key === 'ArrowDown' ? 1 : -1;
    choices[(at + step + choices.length) % choices.length]?.focus();
  } else if (event.key === 'Home' || event.key === 'End') {
    choices[event.key === 'Home' ? 0 : choices.length - 1]?.focus();
  } else {
    return;
  }
  event.preventDefault();
});
ui.examples.addEventListener('keydown', (event) => {
  if (event.key === 'ArrowDown') {
    event.preventDefault();
    openExamples();
  }
});
document.addEventListener('click', (event) => {
  if (!ui.examplesMenu.hidden && !event.target.closest('.menu')) closeExamples();
});
document.addEventListener('focusin', (event) => {
  if (!ui.examplesMenu.hidden && !event.target.closest('.menu')) closeExamples();
});

ui.open.addEventListener('click', () => ui.openFile.click());
ui.openFile.addEventListener('change', async () => {
  const file = ui.openFile.files[0];
  ui.openFile.value = '';
  if (!file) return;
  if (file.size > MAX_OPENED_BYTES) {
    setStatus(`${file.name} is larger than 1 MB: not opened.`, 'error');
    return;
  }
  let text;
  try {
    text = new TextDecoder('utf-8', {fatal: true}).decode(await file.arrayBuffer());
  } catch {
    setStatus(`${file.name} is not UTF-8 text: not opened.`, 'error');
    return;
  }
  loadProgram(text, file.name.replace(/\.[^.]*$/, '') || 'program');
  setStatus(`Opened ${file.name}. Undo (Ctrl+Z) brings back what you had.`);
  editor.focus();
});

ui.download.addEventListener('click', () => {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([editor.text()], {type: 'text/x-csrc'}));
  link.download = `${programName}.c`;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
});

// --- Share links ---

ui.share.addEventListener('click', async () => {
  const address = shareAddress(location.href, await encodeProgram(editor.text()));
  ui.shareBox.hidden = false;
  ui.shareLink.value = address;
  ui.shareLink.focus();
  ui.shareLink.select();
  ui.shareNote.textContent = '';
  try {
    await navigator.clipboard.writeText(address);
    ui.shareNote.textContent = 'Copied.';
  } catch {
    ui.shareNote.textContent = 'Copy it with Ctrl+C.';
  }
});
function closeShareBox() {
  ui.shareBox.hidden = true;
  ui.share.focus();
}
ui.shareClose.addEventListener('click', closeShareBox);
ui.shareBox.addEventListener('keydown', (event) => {
  if (event.key === 'Escape') closeShareBox();
});

// --- The program a share link replaced ---

// Whether `text` is the student's own: not the starter, not a program as it
// came from a link, not empty.
function ownProgram(text) {
  return text.trim() !== '' && text !== STARTER && text !== kept(linkedKey);
}

function showEarlierNote() {
  const earlier = kept(earlierKey);
  ui.earlierNote.hidden = earlier === null || earlier === editor.text();
}

// Puts the earlier program back in the editor; the program it replaces
// takes its place in the keeping if the student has changed it since it
// came from the link.
ui.earlierBack.addEventListener('click', () => {
  const earlier = kept(earlierKey);
  if (earlier !== null) {
    const replaced = editor.text();
    const replacedName = programName;
    loadProgram(earlier, kept(earlierNameKey) || 'program');
    if (ownProgram(replaced) && replaced !== earlier) {
      keep(earlierKey, replaced);
      keep(earlierNameKey, replacedName);
    } else {
      forget(earlierKey, earlierNameKey);
    }
    setStatus('Brought back your earlier program. Undo (Ctrl+Z) brings back the one it replaced.');
  }
  showEarlierNote();
  editor.focus();
});
ui.earlierForget.addEventListener('click', () => {
  forget(earlierKey, earlierNameKey);
  showEarlierNote();
  ui.run.focus();
});

// A link's program goes into the editor (never run before the user presses
// Run); the fragment then leaves the address, so that a reload keeps what
// the user has typed since. The student's own program it replaces is kept
// apart, beyond this tab's Undo, with a note to bring it back. A link that
// cannot be read changes nothing.
async function openSharedProgram() {
  const code = codeOfFragment(location.hash);
  if (code === null) return;
  try {
    const shared = await decodeProgram(code);
    const replaced = editor.text();
    if (replaced !== shared && ownProgram(replaced)) {
      keep(earlierKey, replaced);
      keep(earlierNameKey, programName);
    }
    loadProgram(shared, 'program');
    keep(linkedKey, shared);
    showEarlierNote();
    history.replaceState(null, '', location.pathname + location.search);
    setStatus('Opened the program from the link. Press Run to run it; Undo (Ctrl+Z) brings back what you had.');
  } catch (e) {
    const why = e instanceof ShareLinkError ? e.message : 'it could not be read';
    setStatus(`The link's program could not be opened: ${why}. The editor keeps the program it had.`, 'error');
  }
}

addEventListener('hashchange', openSharedProgram);
ui.run.addEventListener('click', () => run());
ui.check.addEventListener('click', () => check());
ui.stop.addEventListener('click', stop);

setStatus('Ready: Run compiles and runs the program.');
clearMessages();
showCursor();
showEarlierNote();
loadExamples();
loadRuntime().catch(() => {});
await openAssignment();
await openSharedProgram();
