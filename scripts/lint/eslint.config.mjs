// The rules eslint checks the project's JavaScript by (scripts/lint.sh runs
// it from the top of the tree): its recommended rules, with the names each
// kind of file finds around it.
import js from '@eslint/js';
import globals from 'globals';

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
    // (document, the program's run draxoRun with its folder).
    files: ['**/*.mjs'],
    languageOptions: {
      sourceType: 'module',
      globals: {...globals.node, ...globals.browser, draxoRun: 'readonly'},
    },
  },
];
