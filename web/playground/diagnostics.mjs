// The compiler's messages as the playground shows them: clang's and the
// linker's standard error read into a list, and a message's column (which
// clang counts in bytes of UTF-8) turned into a place in the editor's text
// (which counts UTF-16 units). Shared by the compiler worker, which reads the
// messages, and the page, which places them.

// clang: "program.c:5:18: error: use of undeclared identifier 'y'".
const PLACED = /^(.+?):(\d+):(\d+): (fatal error|error|warning|note|remark): (.*)$/;
// A message of no place: "wasm-ld: error: undefined symbol: frob",
// "clang: error: linker command failed with exit code 1".
const UNPLACED = /^(?:([^:\s][^:]*): )?(fatal error|error|warning|note): (.*)$/;
// The object file the compiler made of the program, for the linker, under a
// name of its own choosing: "/tmp/program-62bf3f.o: undefined symbol: ...".
const TEMPORARY_OBJECT = /^\/tmp\/[^:\s]*\.o: /;

// Each message of `text` as {file, line, column, severity, message, notes}:
// line and column from 1 (null for a message of no place), severity one of
// 'error', 'warning', 'note'; a note goes with the message before it, as
// clang means it. The source excerpts, the caret lines and the count at the
// end are left out: the editor shows the place itself.
export function parseDiagnostics(text) {
  const list = [];
  for (const line of text.split(/\r?\n/)) {
    let diagnostic;
    const placed = PLACED.exec(line);
    if (placed) {
      diagnostic = {file: placed[1], line: +placed[2], column: +placed[3], severity: severity(placed[4]),
                    message: placed[5]};
    } else {
      const unplaced = UNPLACED.exec(line);
      if (!unplaced) continue;
      diagnostic = {file: unplaced[1] || null, line: null, column: null, severity: severity(unplaced[2]),
                    message: unplaced[3].replace(TEMPORARY_OBJECT, '')};
    }
    const previous = list[list.length - 1];
    if (diagnostic.severity === 'note' && previous) {
      previous.notes.push(diagnostic);
    } else {
      diagnostic.notes = [];
      list.push(diagnostic);
    }
  }
  // clang's closing word on a failed link adds nothing to the linker's own.
  const linkFailed = list.findIndex((d) => d.line === null && /^linker command failed/.test(d.message));
  if (linkFailed >= 0 && list.some((d, i) => i !== linkFailed && d.severity === 'error')) list.splice(linkFailed, 1);
  return list;
}

function severity(word) {
  if (word === 'fatal error') return 'error';
  if (word === 'remark') return 'note';
  return word;
}

// The offset in `lineText` of the byte column `byteColumn` (from 1) of its
// UTF-8 form: clang's column past a non-ASCII character is further on than
// the editor's. A column past the end gives the end.
export function textColumn(lineText, byteColumn) {
  let bytes = 0;
  let offset = 0;
  while (offset < lineText.length && bytes < byteColumn - 1) {
    const codePoint = lineText.codePointAt(offset);
    bytes += codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
    offset += codePoint >= 0x10000 ? 2 : 1;
  }
  return offset;
}
