// The playground's editor: CodeMirror 6 with C highlighting, line numbers,
// undo, search, the usual keys and Tab that indents, and the compiler's
// messages marked in a gutter. build.mjs bundles this file with its packages
// into the site's editor.js; the page (playground.mjs) uses only what it
// exports.
import {indentWithTab, isolateHistory} from '@codemirror/commands';
import {cpp} from '@codemirror/lang-cpp';
import {indentUnit} from '@codemirror/language';
import {lintGutter, setDiagnostics} from '@codemirror/lint';
import {EditorState, Prec} from '@codemirror/state';
import {EditorView, keymap} from '@codemirror/view';
import {basicSetup} from 'codemirror';

import {textColumn} from './diagnostics.mjs';

// For whoever reads an editor of the page from outside (the browser tests):
// EditorView.findFromDOM(document.querySelector('.cm-editor')).
export {EditorView};

// The place of clang's (line, byte column) in `doc`, clamped to the text.
function placeOf(doc, line, column) {
  const row = doc.line(Math.min(Math.max(line, 1), doc.lines));
  return row.from + textColumn(row.text, column || 1);
}

// The span a message marks: the word (an identifier, a number) it points at,
// or the one character there.
function spanAt(doc, at) {
  const row = doc.lineAt(at);
  let to = at;
  while (to < row.to && /\w/.test(doc.sliceString(to, to + 1))) ++to;
  return {from: at, to: Math.min(Math.max(to, at + 1), row.to)};
}

// An editor in `parent` holding `text`. onChange(view) after each change of
// the text; onRun() for Ctrl+Enter (Cmd+Enter).
export function createEditor({parent, text, onChange, onRun, label}) {
  const view = new EditorView({
    parent,
    state: EditorState.create({
      doc: text,
      extensions: [
        basicSetup,
        cpp(),
        indentUnit.of('    '),
        EditorState.tabSize.of(4),
        // A long line wraps rather than hiding its end in a half-width pane.
        EditorView.lineWrapping,
        keymap.of([indentWithTab]),
        Prec.highest(keymap.of([{key: 'Mod-Enter', run: () => { onRun(); return true; }}])),
        lintGutter(),
        EditorView.contentAttributes.of({'aria-label': label}),
        EditorView.updateListener.of((update) => { if (update.docChanged) onChange(); }),
      ],
    }),
  });
  return {
    view,
    text: () => view.state.doc.toString(),
    // Replaces the whole text as one change Undo takes back alone, never
    // merged with the typing just before it.
    replace(newText) {
      view.dispatch({changes: {from: 0, to: view.state.doc.length, insert: newText}, selection: {anchor: 0},
                     scrollIntoView: true, annotations: isolateHistory.of('full')});
    },
    // Puts the cursor at clang's (line, column) and the keyboard in the editor.
    moveTo(line, column) {
      const at = placeOf(view.state.doc, line, column);
      view.dispatch({selection: {anchor: at}, scrollIntoView: true});
      view.focus();
    },
    // Marks the messages that have a place in the program's own file.
    mark(diagnostics) {
      const doc = view.state.doc;
      const marks = diagnostics.map((d) => ({
        ...spanAt(doc, placeOf(doc, d.line, d.column)),
        severity: d.severity === 'note' ? 'info' : d.severity,
        message: d.message,
      }));
      view.dispatch(setDiagnostics(view.state, marks));
    },
    // The cursor's line and column (from 1, in characters).
    cursor() {
      const head = view.state.selection.main.head;
      const row = view.state.doc.lineAt(head);
      return {line: row.number, column: head - row.from + 1};
    },
    focus: () => view.focus(),
  };
}
