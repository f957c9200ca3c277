// A client program built for wasm32-wasip1 as the playground builds one: the
// flags of program_flags.json, the sysroot the build made, the compiler run
// by node. Its imports are the web backend's (module "draxo") and the system
// interface's, its exports what the runtime calls, and its WinMain is
// reached through the companion's main in the package's library.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import test from 'node:test';
import { WASI } from 'node:wasi';

const source = process.env.DRAXO_SOURCE_DIR;
const sysroot = process.env.DRAXO_WASI_SYSROOT;
const driver = path.join(source, 'web/toolchain/draxo-clang.mjs');
const flags = JSON.parse(fs.readFileSync(path.join(source, 'package/window_system/web/runtime/program_flags.json')));
const withSysroot = (list) => list.map((flag) => flag.replaceAll('{sysroot}', sysroot));

function build(program) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'draxo-wasi-client-'));
  const object = path.join(dir, 'program.o');
  const wasm = path.join(dir, 'program.wasm');
  execFileSync(process.execPath, [driver, 'clang', ...withSysroot(flags.compile), '-Wall', '-Werror', '-c', program,
    '-o', object], { stdio: 'inherit' });
  execFileSync(process.execPath, [driver, 'clang', object, ...withSysroot(flags.link), '-o', wasm], { stdio: 'inherit' });
  return { dir, wasm: fs.readFileSync(wasm) };
}

test('an example links with the sysroot, imports only the backend and the system, and starts', async () => {
  const { dir, wasm } = build(path.join(source, 'examples/bouncing_ball.c'));
  const module = await WebAssembly.compile(wasm);

  const declared = new Set(
    [...fs.readFileSync(path.join(source, 'package/window_system/web/web_backend.h'), 'utf8')
      .matchAll(/DRAXO_WEB_IMPORT\((\w+)\)/g)].map((m) => m[1]));
  for (const { module: from, name } of WebAssembly.Module.imports(module)) {
    if (from === 'draxo') assert.ok(declared.has(name), `draxo.${name} is no function of the web backend's`);
    else assert.equal(from, 'wasi_snapshot_preview1', `${from}.${name}`);
  }
  const exports = WebAssembly.Module.exports(module).map((e) => e.name);
  for (const name of ['memory', '_start', 'draxo_web_menu_bar_key', '__stack_pointer']) assert.ok(exports.includes(name), name);

  // Without a page the program says so and ends with status 1: main called
  // WinMain, which opened the package.
  const stderrFile = path.join(dir, 'stderr');
  const stderr = fs.openSync(stderrFile, 'w');
  const wasi = new WASI({ version: 'preview1', args: ['bouncing_ball'], env: {}, stderr, returnOnExit: true });
  const draxo = {};
  for (const { module: from, name } of WebAssembly.Module.imports(module)) if (from === 'draxo') draxo[name] = () => 0;
  const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: wasi.wasiImport, draxo });
  assert.equal(wasi.start(instance), 1);
  fs.closeSync(stderr);
  assert.match(fs.readFileSync(stderrFile, 'utf8'), /there is no web page to show the windows in/);
  fs.rmSync(dir, { recursive: true, force: true });
});
