#!/usr/bin/env node
// Prepares a linked program for every browser: binaryen's Asyncify pass
// (the runtime's asyncify.mjs), so that it suspends in its waits where the
// browser cannot suspend it itself. The build and draxo-webcc run it on the
// program a page loads.
//
//   node draxo-asyncify.mjs --runtime DIR [--binaryen FILE] IN.wasm OUT.wasm
//
// --runtime names the web runtime's folder (its asyncify.mjs), --binaryen
// binaryen's module (by default the one this file finds).
import fs from 'node:fs';
import path from 'node:path';
import {parseArgs} from 'node:util';
import {pathToFileURL} from 'node:url';

const {values, positionals} = parseArgs({
  options: {runtime: {type: 'string'}, binaryen: {type: 'string'}},
  allowPositionals: true,
});
if (!values.runtime || positionals.length !== 2) {
  console.error('usage: draxo-asyncify.mjs --runtime DIR [--binaryen FILE] IN.wasm OUT.wasm');
  process.exit(2);
}
const [input, output] = positionals;

// binaryen's npm package beside this file, or, in an installed package
// (share/draxo/web/toolchain/), the copy the playground site serves.
function defaultBinaryen() {
  try {
    return import.meta.resolve('binaryen');
  } catch {
    return new URL('../playground/toolchain/binaryen/index.js', import.meta.url).href;
  }
}
const binaryenUrl = values.binaryen ? pathToFileURL(path.resolve(values.binaryen)).href : defaultBinaryen();
const {default: binaryen} = await import(binaryenUrl);
const {asyncifyProgram} = await import(pathToFileURL(path.resolve(values.runtime, 'asyncify.mjs')).href);
try {
  const bytes = await asyncifyProgram(binaryen, fs.readFileSync(input));
  // Written beside and renamed, so that a page never loads half a program.
  const scratch = `${output}.${process.pid}.part`;
  fs.writeFileSync(scratch, bytes);
  fs.renameSync(scratch, output);
} catch (error) {
  console.error(`draxo-asyncify: ${input}: ${error.message || error}`);
  process.exit(1);
}
