// The compiler's resources (clang's llvm-resources.tar: the /usr it compiles
// in) cut to what a C program for wasm32-wasip1 reads, for the site: the
// playground compiles C only, and a first visit fetches the whole file.
//
// Left out, by the paths below (an entry that is a folder goes with all it
// holds):
//  - libc++'s headers and its modules: C++ only. The libraries under lib/
//    all stay: the package's library, linked into every program, needs
//    libc++ and libc++abi;
//  - clang's headers for other processors' instructions (x86, Arm, PowerPC,
//    RISC-V, LoongArch, MIPS, Hexagon, SystemZ, VE, the GPUs): each refuses
//    a target it is not for, or declares instructions wasm32 has not;
//  - its headers for other languages and for offloading to a GPU (OpenCL,
//    CUDA, HIP, SPIR-V, OpenMP, HLSL) and for other systems' compilers
//    (Microsoft's vadefs.h and yvals_core.h, z/OS);
//  - the interfaces of runtimes the playground has not (the sanitizers,
//    XRay, libFuzzer, profiling, the ORC JIT).
// Everything else stays: the C library (include/wasm32-wasip1/), the
// freestanding headers (stddef.h, stdint.h, stdarg.h, limits.h, float.h,
// stdatomic.h, tgmath.h, ... and their __stddef_*, __stdarg_*, __float_*
// parts), wasm_simd128.h and any __wasm* header, unwind.h, ptrauth.h,
// builtins.h (empty, for code written for other compilers) and the module
// map.
export const LEFT_OUT = [
  /^include\/c\+\+(\/|$)/, /^share\/libc\+\+(\/|$)/,
  /^include\/[^/]*intrin[^/]*\.h$/, // x86's *intrin.h; PowerPC's, LoongArch's, SystemZ's, VE's, the GPUs', Microsoft's
  /^include\/(mm_malloc|mm3dnow|cpuid|cet)\.h$/,
  /^include\/(altivec|amo)\.h$/, /^include\/ppc_wrappers(\/|$)/,
  /^include\/arm(_[^/]*|intr|64intr)\.h$/, /^include\/(riscv|sifive|andes)_[^/]*\.h$/, /^include\/(lasx|lsx)[^/]*\.h$/,
  /^include\/msa\.h$/, /^include\/(hexagon|hvx_)[^/]*\.h$/, /^include\/velintrin[^/]*\.h$/,
  /^include\/opencl[^/]*\.h$/, /^include\/__clang_(cuda|hip|spirv)[^/]*\.h$/, /^include\/hlsl(\.h$|\/|$)/,
  /^include\/(cuda|openmp|llvm_libc|llvm_offload|zos)_wrappers(\/|$)/,
  /^include\/(vadefs|yvals_core)\.h$/,
  /^include\/(sanitizer|xray|fuzzer|profile|orc)(\/|$)/,
];

const BLOCK = 512;
// The size GNU tar rounds an archive up to.
const RECORD = 20 * BLOCK;

function text(bytes) {
  const end = bytes.indexOf(0);
  return Buffer.from(end < 0 ? bytes : bytes.subarray(0, end)).toString('utf8');
}

// A header's size field: octal digits, or a big-endian number after a byte
// with its high bit set (GNU's form for sizes beyond octal's 8 GB).
function entrySize(header) {
  const field = header.subarray(124, 136);
  if (field[0] & 0x80) return field.subarray(1).reduce((n, byte) => n * 256 + byte, field[0] & 0x7f);
  return parseInt(text(field).trim() || '0', 8);
}

// The path= of a pax record block ("LENGTH path=VALUE\n" records); null
// when it has none.
function paxPath(data) {
  let at = 0;
  let found = null;
  while (at < data.length) {
    const space = data.indexOf(0x20, at);
    const length = parseInt(Buffer.from(data.subarray(at, space)).toString('ascii'), 10);
    if (space < 0 || !(length > 0)) break;
    const record = Buffer.from(data.subarray(space + 1, at + length - 1)).toString('utf8');
    if (record.startsWith('path=')) found = record.slice(5);
    at += length;
  }
  return found;
}

// The archive's entries in order: each with its path and its bytes (the
// GNU long-name and pax records before it, its header and its data). A pax
// global header is an entry of its own, with no path.
export function tarEntries(tar) {
  const entries = [];
  let start = 0;
  let longName = null;
  let paxName = null;
  for (let at = 0; at + BLOCK <= tar.length;) {
    const header = tar.subarray(at, at + BLOCK);
    if (header.every((byte) => byte === 0)) break;
    const type = String.fromCharCode(header[156]);
    const size = entrySize(header);
    const dataAt = at + BLOCK;
    const next = dataAt + Math.ceil(size / BLOCK) * BLOCK;
    if (next > tar.length) throw new Error(`the archive ends inside the entry at byte ${at}`);
    const data = tar.subarray(dataAt, dataAt + size);
    at = next;
    if (type === 'L') {
      longName = text(data);
    } else if (type === 'x') {
      paxName = paxPath(data) ?? paxName;
    } else if (type === 'g') {
      entries.push({path: null, bytes: tar.subarray(start, at)});
      start = at;
    } else if (type !== 'K') { // (K: a long link target, for the entry that follows)
      const field = text(header.subarray(0, 100));
      const prefix = text(header.subarray(257, 263)) === 'ustar' ? text(header.subarray(345, 500)) : '';
      const name = paxName ?? longName ?? (prefix ? `${prefix}/${field}` : field);
      entries.push({path: name.replace(/^(\.\/)+/, '').replace(/\/+$/, ''), bytes: tar.subarray(start, at)});
      start = at;
      longName = paxName = null;
    }
  }
  return entries;
}

// The archive with the entries LEFT_OUT names dropped and the others as
// they were, ended as tar ends one; and how many were dropped. A kept entry
// inside a folder that was dropped is refused: the compiler's bundle makes
// its file tree from the archive's entries in order, and a file would have
// no folder to go in.
export function resourcesForC(tar) {
  const kept = [];
  const droppedFolders = [];
  let dropped = 0;
  for (const entry of tarEntries(tar)) {
    if (entry.path !== null && LEFT_OUT.some((pattern) => pattern.test(entry.path))) {
      droppedFolders.push(`${entry.path}/`);
      ++dropped;
      continue;
    }
    const orphan = entry.path !== null && droppedFolders.find((folder) => entry.path.startsWith(folder));
    if (orphan) throw new Error(`${entry.path} is kept but its folder ${orphan} is left out`);
    kept.push(entry.bytes);
  }
  const length = kept.reduce((sum, bytes) => sum + bytes.length, 0);
  const whole = Math.ceil((length + 2 * BLOCK) / RECORD) * RECORD;
  const out = new Uint8Array(whole); // the two zero blocks that end it, and the padding, are zero
  let at = 0;
  for (const bytes of kept) {
    out.set(bytes, at);
    at += bytes.length;
  }
  return {tar: out, dropped};
}
