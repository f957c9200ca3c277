// The rules eslint checks the project's JavaScript by (scripts/lint.sh runs
// it from the top of the tree): its recommended rules, with the names each
// kind of file finds around it.
import js from '@eslint/js';
import globals from 'globals';

// Emscripten fills in {{{ ... }}} (a C constant, say) when it links the
// library; each is read as a number of the same width, so that every
// message keeps its line and column.
const emscriptenLibrary = {
  preprocess: (text) => [text.replace(/\{\{\{.*?\}\}\}/g, (macro) => '0'.padEnd(macro.length))],
  postprocess: (messages) => messages.flat(),
};

// What Emscripten's runtime gives the library's functions (the library's
// own $DRAXO among them, as DRAXO).
const emscriptenRuntime = Object.fromEntries(
  ['DRAXO', 'FS', 'IDBFS', 'PATH', 'PATH_FS', 'Asyncify', 'Module', 'UTF8ToString', 'HEAPU8', 'HEAP32',
    'addRunDependency', 'removeRunDependency', 'addOnPreRun', 'addOnInit', 'ExitStatus', 'exit', 'abort', 'mergeInto',
    'LibraryManager'].map((name) => [name, 'readonly']));

export default [
  js.configs.recommended,
  {
    rules: {
      // A catch of a failure that is expected need not look at the error.
      'no-unused-vars': ['error', {caughtErrors: 'none'}],
      // An empty catch is such a failure taken as it comes (a folder made before).
      'no-empty': ['error', {allowEmptyCatch: true}],
    },
  },
  {
    // The web backend's JavaScript part: an Emscripten library, a plain
    // script run in the page.
    files: ['package/window_system/web/draxo_web.js'],
    processor: emscriptenLibrary,
    languageOptions: {
      sourceType: 'script',
      globals: {...globals.browser, ...emscriptenRuntime},
    },
  },
  {
    // The web runtime: ES modules of the page and of the program's Worker
    // (program_worker.mjs), which node's tests import too.
    files: ['package/window_system/web/runtime/*.mjs'],
    languageOptions: {
      sourceType: 'module',
      globals: {...globals.browser, ...globals.worker},
    },
  },
  {
    // The playground's service worker: a plain script, in a service
    // worker's global scope.
    files: ['web/playground/service_worker.js'],
    languageOptions: {sourceType: 'script', globals: globals.serviceworker},
  },
  {
    // Node programs: the browser tests, the benchmark, the screenshots. The
    // functions they hand to a page run there, among the page's names
    // (document, the program's run draxoRun; on a page built with
    // Emscripten, its Module and its file system).
    files: ['**/*.mjs'],
    languageOptions: {
      sourceType: 'module',
      globals: {...globals.node, ...globals.browser, draxoRun: 'readonly', Module: 'readonly', FS: 'readonly'},
    },
  },
];
