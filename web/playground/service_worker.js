// The playground's service worker: keeps the site's files in the browser so
// that a second visit fetches almost nothing and the playground works with
// the network off. build.mjs writes the two versions below:
//   TOOLCHAIN  the compiler's and binaryen's package versions and a digest
//              of the compiler's resources as the build cut them: their
//              files (toolchain/, over 80 MB) are kept under it and asked of
//              the network again only when a build brings another toolchain;
//   SITE       a digest of every other file of the site: the page, its
//              modules, the runtime, the sysroot, the examples; the fonts
//              the program fetches (outside the site's folder) are kept
//              under it too.
// A file is answered from the keeping when it is there, else fetched and
// kept (the site's files are kept as the worker installs). When a new build is published the browser installs its worker,
// which drops the keepings of other versions, so a changed file is fetched
// again and an unchanged toolchain is not. The page itself, manifest.json
// and an assignment's assignment.json are asked of the network first, so
// that a change to them is seen at once, and of the keeping offline.
// The dedicated workers (the compiler's, the program's) are clients of this
// worker too: their fetches come here like the page's.
const TOOLCHAIN = '@TOOLCHAIN@';
const SITE = '@SITE@';
const PREFIX = 'draxo-playground';
const TOOLCHAIN_CACHE = `${PREFIX}-toolchain ${TOOLCHAIN}`;
const SITE_CACHE = `${PREFIX}-site ${SITE}`;
const scope = new URL(self.registration.scope);

// Installing keeps every file of the site but the toolchain (a few MB, most
// of it in the browser's HTTP cache already from the page's own loading),
// so that the page and everything it fetched before this worker controlled
// it, and the examples not opened yet, are there offline after the first
// visit; the toolchain is kept as the compiler's worker fetches it. A file
// that cannot be fetched now is only kept later, when it is used.
self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(SITE_CACHE);
    const site = (file) => new Request(new URL(file, scope), {cache: 'no-cache'});
    const {files} = await (await fetch(site('manifest.json'))).json();
    const kept = ['', ...files.filter((file) => !file.startsWith('toolchain/') && file !== 'service_worker.js')];
    await Promise.all(kept.map((file) => cache.add(site(file)).catch(() => {})));
  })().catch(() => {}).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith(`${PREFIX}-`) && name !== TOOLCHAIN_CACHE && name !== SITE_CACHE) await caches.delete(name);
    }
    // The page that registered this worker waits for it before the
    // compiler's first download, so that the download is kept.
    await self.clients.claim();
  })());
});

// The keeping a request belongs to; null: not the site's (another host, a
// POST, a part of a file), left to the network.
function cacheFor(request) {
  if (request.method !== 'GET' || request.headers.has('range')) return null;
  const url = new URL(request.url);
  if (url.origin !== scope.origin) return null;
  return url.pathname.startsWith(`${scope.pathname}toolchain/`) ? TOOLCHAIN_CACHE : SITE_CACHE;
}

// Fetched afresh whenever the network answers: pages, the manifest, and
// what the page asks for afresh (an assignment's files, which its teacher
// may publish again under the same names).
function isNetworkFirst(request) {
  const {pathname} = new URL(request.url);
  return request.mode === 'navigate' || pathname === `${scope.pathname}manifest.json` ||
    pathname.endsWith('/assignment.json') || request.cache === 'no-cache';
}

// Keeps a whole, plain answer: not an error page, not a redirect, not a part.
async function keep(cacheName, key, response) {
  if (response.status !== 200 || response.type !== 'basic') return;
  const cache = await caches.open(cacheName);
  await cache.put(key, response);
}

// Offline, a page is the page kept at its address whatever its query (an
// assignment's, say); the playground's page, the folder's address or its
// index.html, is either that was kept.
async function keptPage(request, cacheName) {
  const {pathname} = new URL(request.url);
  const playground = [scope.href, `${scope.href}index.html`];
  const addresses = playground.includes(new URL(pathname, scope).href) ? playground : [request.url];
  for (const address of addresses) {
    const kept = await caches.match(address, {cacheName, ignoreSearch: true});
    if (kept) return kept;
  }
  return null;
}

async function answer(event, cacheName) {
  const {request} = event;
  const key = new Request(request.url); // the query stays, the request's headers go
  if (!isNetworkFirst(request)) {
    const kept = await caches.match(key, {cacheName});
    if (kept) return kept;
  }
  let response;
  try {
    response = await fetch(request);
  } catch (error) {
    const kept = request.mode === 'navigate' ? await keptPage(request, cacheName)
      : isNetworkFirst(request) ? await caches.match(key, {cacheName}) : null;
    if (kept) return kept;
    throw error;
  }
  // The answer goes to the page as it arrives while a copy is kept, so the
  // compiler's first download shows its progress; the worker stays alive
  // until the copy is whole. A copy that fails (the page gone, the storage
  // full) is only not kept.
  event.waitUntil(keep(cacheName, key, response.clone()).catch(() => {}));
  return response;
}

self.addEventListener('fetch', (event) => {
  const cacheName = cacheFor(event.request);
  if (cacheName) event.respondWith(answer(event, cacheName));
});
