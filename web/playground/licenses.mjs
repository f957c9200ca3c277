// The notices of what the playground site ships, gathered into one file of
// the site (licenses.txt) by build.mjs: the editor's packages bundled into
// editor.js, the compiler and its system root, binaryen. Each package's own
// licence file is copied as it stands; the compiler's package carries none,
// so its licence (Apache 2.0 with the LLVM exceptions) is written out from
// the system's copy of the Apache licence and the exceptions' text below.
import {existsSync, readdirSync, readFileSync} from 'node:fs';
import path from 'node:path';

const LLVM_EXCEPTIONS = `---- LLVM Exceptions to the Apache 2.0 License ----

As an exception, if, as a result of your compiling your source code, portions
of this Software are embedded into an Object form of such source code, you
may redistribute such embedded portions in such Object form without complying
with the conditions of Sections 4(a), 4(b) and 4(d) of the License.

In addition, if you combine or link compiled forms of this Software with
software that is licensed under the GPLv2 ("Combined Software") and if a
court of competent jurisdiction determines that the patent provision (Section
3), the indemnity provision (Section 9) or other Section of the License
conflicts with the conditions of the GPLv2, you may retroactively and
prospectively choose to deem waived or otherwise exclude such Section(s) of
the License, but only in their entirety and only with respect to the Combined
Software.
`;

// Where the Apache licence's text is found on the machine that builds.
const APACHE_TEXT = '/usr/share/common-licenses/Apache-2.0';

// The packages under `modules` that are bundled: every one but the bundler.
function bundledPackages(modules) {
  const names = [];
  for (const entry of readdirSync(modules)) {
    if (entry.startsWith('.') || entry === 'esbuild' || entry === '@esbuild') continue;
    if (entry.startsWith('@')) {
      for (const inner of readdirSync(path.join(modules, entry))) names.push(`${entry}/${inner}`);
    } else {
      names.push(entry);
    }
  }
  return names.sort();
}

function licenceOf(folder) {
  const file = readdirSync(folder).find((f) => /^(licen[cs]e|copying)(\.(md|txt))?$/i.test(f));
  return file ? readFileSync(path.join(folder, file), 'utf8').trim() : null;
}

function packageFacts(folder) {
  const facts = JSON.parse(readFileSync(path.join(folder, 'package.json'), 'utf8'));
  return `${facts.name} ${facts.version} (${facts.license})`;
}

// The whole text of licenses.txt.
export function licensesText(editorModules, toolchainModules) {
  const parts = [
    'The DRAXO playground ships the following software of others, under these licences.\n',
  ];
  for (const name of bundledPackages(editorModules)) {
    const folder = path.join(editorModules, name);
    parts.push(`==== ${packageFacts(folder)}: bundled in editor.js ====\n\n${licenceOf(folder) || ''}\n`);
  }
  const binaryen = path.join(toolchainModules, 'binaryen');
  parts.push(`==== ${packageFacts(binaryen)}: toolchain/binaryen/ ====\n\n${licenceOf(binaryen) || ''}\n`);
  const clang = path.join(toolchainModules, '@yowasp/clang');
  parts.push(`==== ${packageFacts(clang)}: toolchain/clang/ ====

clang, wasm-ld, libc++, libc++abi and compiler-rt (the LLVM project) and
wasi-libc, compiled to WebAssembly: the Apache License 2.0 with LLVM
Exceptions. wasi-libc's parts from musl are also under the MIT licence. The
packaging of them for JavaScript: the ISC licence.

${existsSync(APACHE_TEXT) ? readFileSync(APACHE_TEXT, 'utf8').trim() : 'Apache License 2.0: https://www.apache.org/licenses/LICENSE-2.0'}

${LLVM_EXCEPTIONS}`);
  return parts.join('\n');
}
