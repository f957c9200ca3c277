#!/usr/bin/env node
// Runs a program built for wasm32-wasip1 under node's WASI, as a command
// line program: its arguments, the environment, standard streams, the working
// directory and the root as folders it may use (the tests of the null
// backend write and read files there). Its exit status is the program's.
//
//   node run-wasi.mjs PROGRAM.wasm ARGS...
import fs from 'node:fs';
import path from 'node:path';
import { WASI } from 'node:wasi';

const [program, ...args] = process.argv.slice(2);
if (!program) {
  process.stderr.write('usage: run-wasi.mjs PROGRAM.wasm ARGS...\n');
  process.exit(2);
}
const wasi = new WASI({
  version: 'preview1',
  args: [path.basename(program), ...args],
  env: process.env,
  preopens: { '.': process.cwd(), '/': '/' },
  returnOnExit: true,
});
const module = await WebAssembly.compile(fs.readFileSync(program));
const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: wasi.wasiImport });
process.exitCode = wasi.start(instance);
