#!/usr/bin/env node
// Assembles the playground site into one folder any static web server can
// serve:
//   node build.mjs --out DIR --toolchain DIR --sysroot DIR --runtime DIR
//                  --examples DIR [--fonts URL]
// --toolchain  the npm folder whose node_modules hold @yowasp/clang and
//              binaryen (web/toolchain/)
// --sysroot    the package for the new runtime: include/draxo.h, lib/libdraxo.a
// --runtime    the web backend's runtime modules (program_flags.json among them)
// --examples   a folder of example programs (*.c)
// --fonts      the URL of the fonts folder, from the site's page (../fonts/)
//
// DIR receives: index.html, playground.css, playground.mjs and its modules,
// editor.js (the editor bundled by esbuild), compiler_worker.mjs,
// toolchain/clang/ (clang's bundle.js and the files it fetches beside
// itself, its resources cut to what a C program reads: resources_for_c.mjs),
// toolchain/binaryen/index.js, runtime/, sysroot/, examples/ (with
// index.json), manifest.json, the list of every file the build put there
// (what the compiler worker reads the sysroot's files from), and
// service_worker.js, which keeps the site in the browser under two versions
// the build writes into it: the toolchain's packages' versions and a digest
// of every other file. Files already there and no older than their source
// are not copied again; files of the build's own folders that are no longer
// part of the site are removed.
import {createHash} from 'node:crypto';
import {build} from 'esbuild';
import {copyFileSync, constants, mkdirSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync} from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {parseArgs} from 'node:util';

import {licensesText} from './licenses.mjs';
import {resourcesForC} from './resources_for_c.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));

// The site's own sources, copied as they are.
const PAGE_FILES = ['playground.css', 'playground.mjs', 'compiler_worker.mjs', 'diagnostics.mjs', 'share_link.mjs',
                    'offline.mjs', 'assignment.mjs'];
// The service worker, written with the versions it keeps the site under.
const SERVICE_WORKER = 'service_worker.js';
// What clang's bundle fetches relative to itself: its modules, copied, and
// its resources, cut to C's (the bundle is written with their new size).
const CLANG_MODULES = ['llvm.core.wasm', 'llvm.core2.wasm', 'llvm.core3.wasm', 'llvm.core4.wasm'];
const CLANG_RESOURCES = 'llvm-resources.tar';
// The folders of the site the build alone fills.
const OWN_FOLDERS = ['toolchain', 'runtime', 'sysroot', 'examples'];

function fail(message) {
  console.error(`build.mjs: ${message}`);
  process.exit(1);
}

const {values: options} = parseArgs({
  options: {
    out: {type: 'string'}, toolchain: {type: 'string'}, sysroot: {type: 'string'}, runtime: {type: 'string'},
    examples: {type: 'string'}, fonts: {type: 'string', default: '../fonts/'},
  },
});
for (const name of ['out', 'toolchain', 'sysroot', 'runtime', 'examples']) {
  if (!options[name]) fail(`--${name} is missing`);
}
const out = path.resolve(options.out);
const written = new Set();

// Copies `from` to `to` (relative to the site) unless it is there already,
// as large and no older.
function copy(from, to) {
  let source;
  try {
    source = statSync(from);
  } catch {
    fail(`${from} is missing`);
  }
  const target = path.join(out, to);
  mkdirSync(path.dirname(target), {recursive: true});
  let current = null;
  try {
    current = statSync(target);
  } catch {}
  if (!current || current.size !== source.size || current.mtimeMs < source.mtimeMs) {
    copyFileSync(from, target, constants.COPYFILE_FICLONE);
  }
  written.add(to);
}

function write(to, text) {
  const target = path.join(out, to);
  mkdirSync(path.dirname(target), {recursive: true});
  writeFileSync(target, text);
  written.add(to);
}

// Writes `bytes` to `to` unless it holds them already (a large file the
// site's server and an install need not take for new).
function writeChanged(to, bytes) {
  const target = path.join(out, to);
  let current = null;
  try {
    current = readFileSync(target);
  } catch {}
  if (current?.equals(bytes)) written.add(to);
  else write(to, bytes);
}

// Every file under `folder`, relative to it, in order.
function filesUnder(folder, prefix = '') {
  const entries = readdirSync(path.join(folder, prefix), {withFileTypes: true});
  return entries.sort((a, b) => a.name.localeCompare(b.name)).flatMap((entry) => {
    const relative = path.posix.join(prefix, entry.name);
    return entry.isDirectory() ? filesUnder(folder, relative) : [relative];
  });
}

// The files of a folder given on the command line.
function sourceFiles(option) {
  try {
    return filesUnder(options[option]);
  } catch {
    return fail(`--${option} ${options[option]} is not a folder`);
  }
}

// An example's title in the menu: its file's name in words ("Star catcher").
function exampleTitle(stem) {
  const words = stem.replace(/[_-]+/g, ' ').trim();
  return words.charAt(0).toUpperCase() + words.slice(1);
}

mkdirSync(out, {recursive: true});

const page = readFileSync(path.join(here, 'index.html'), 'utf8');
const fontsAttribute = options.fonts.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');
write('index.html', page.replace('@DRAXO_PLAYGROUND_FONTS@', fontsAttribute));
for (const file of PAGE_FILES) copy(path.join(here, file), file);

await build({
  entryPoints: [path.join(here, 'editor.mjs')],
  bundle: true,
  format: 'esm',
  minify: true,
  target: 'es2020',
  outfile: path.join(out, 'editor.js'),
  logLevel: 'warning',
});
written.add('editor.js');

const modules = path.join(path.resolve(options.toolchain), 'node_modules');
const clang = path.join(modules, '@yowasp/clang/gen');
for (const file of CLANG_MODULES) copy(path.join(clang, file), `toolchain/clang/${file}`);
let resources;
try {
  resources = resourcesForC(readFileSync(path.join(clang, CLANG_RESOURCES))).tar;
} catch (error) {
  fail(`${path.join(clang, CLANG_RESOURCES)}: ${error.message}`);
}
writeChanged(`toolchain/clang/${CLANG_RESOURCES}`, Buffer.from(resources));
// The bundle's download progress counts to the sum of the files it fetches.
const bundle = readFileSync(path.join(clang, 'bundle.js'), 'utf8');
const totalSize = /^var totalSize = \d+;$/m;
if (bundle.split(totalSize).length !== 2) fail(`${path.join(clang, 'bundle.js')} is not the bundle expected`);
const fetched = CLANG_MODULES.reduce((sum, file) => sum + statSync(path.join(clang, file)).size, resources.length);
writeChanged('toolchain/clang/bundle.js', Buffer.from(bundle.replace(totalSize, `var totalSize = ${fetched};`)));
copy(path.join(modules, 'binaryen/index.js'), 'toolchain/binaryen/index.js');

for (const file of sourceFiles('runtime')) copy(path.join(options.runtime, file), `runtime/${file}`);
if (!written.has('runtime/program_flags.json')) fail(`${options.runtime} has no program_flags.json`);
for (const file of sourceFiles('sysroot')) copy(path.join(options.sysroot, file), `sysroot/${file}`);
if (!written.has('sysroot/include/draxo.h')) fail(`${options.sysroot} has no include/draxo.h`);

const examples = sourceFiles('examples').filter((f) => !f.includes('/') && f.endsWith('.c'));
for (const file of examples) copy(path.join(options.examples, file), `examples/${file}`);
write('examples/index.json', `${JSON.stringify(examples.map((file) => {
  const name = file.slice(0, -2);
  return {name, title: exampleTitle(name), file};
}), null, 2)}\n`);

// Files left in the build's own folders by an earlier build go.
for (const folder of OWN_FOLDERS) {
  let old = [];
  try {
    old = filesUnder(path.join(out, folder));
  } catch {}
  for (const file of old) {
    if (!written.has(`${folder}/${file}`)) rmSync(path.join(out, folder, file));
  }
}

write('licenses.txt', licensesText(path.join(here, 'node_modules'), modules));

write('manifest.json', `${JSON.stringify({files: [...written, SERVICE_WORKER].sort()}, null, 2)}\n`);

// The service worker's versions. The toolchain's: its packages' own
// versions and a digest of the resources cut from clang's, so that a
// rebuild with the same packages and the same cut leaves the browser's copy
// of its 80 MB and more alone. The site's: a digest of the contents of every
// other file (a few MB, read in moments) and of the worker's own text, so
// that any change to what the site serves is fetched afresh.
const packageVersion = (name) => JSON.parse(readFileSync(path.join(modules, name, 'package.json'), 'utf8')).version;
const resourcesDigest = createHash('sha256').update(resources).digest('hex').slice(0, 8);
const toolchainVersion = `clang ${packageVersion('@yowasp/clang')}, its resources for C ${resourcesDigest}, ` +
                         `binaryen ${packageVersion('binaryen')}`;
const worker = readFileSync(path.join(here, SERVICE_WORKER), 'utf8');
const digest = createHash('sha256').update(worker);
for (const file of [...written].filter((f) => !f.startsWith('toolchain/')).sort()) {
  digest.update(`\0${file}\0`).update(readFileSync(path.join(out, file)));
}
write(SERVICE_WORKER, worker.replace("'@TOOLCHAIN@'", JSON.stringify(toolchainVersion))
  .replace("'@SITE@'", JSON.stringify(digest.digest('hex').slice(0, 16))));
