// A STAND-IN, for the playground's tests of the hand-over alone, of the web backend's
// program worker: started as the runtime starts its own, it compiles the
// program and fetches a font from the site's fonts folder, as the program's
// text would, so that the tests see a dedicated worker of the runtime fetch
// the program's files (through the playground's service worker, offline).
onmessage = async ({data: {wasm, fontsUrl}}) => {
  let fontBytes = null;
  try {
    const response = await fetch(new URL('stand_in.ttf', fontsUrl));
    if (response.ok) fontBytes = (await response.arrayBuffer()).byteLength;
  } catch {}
  try {
    const module = await WebAssembly.compile(wasm);
    postMessage({exports: WebAssembly.Module.exports(module).map((e) => e.name), fontBytes});
  } catch (e) {
    postMessage({error: e.message});
  }
};
