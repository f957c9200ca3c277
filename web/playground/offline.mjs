// The page's side of keeping the site in the browser (service_worker.js):
// registers the worker, relative to the page so that the site works from
// any folder, and waits, for a short time at most, until it controls the
// page, so that the compiler's first download (which starts after this)
// goes through it and is kept. A browser without service workers, a page
// opened from a file or over plain http from another host, or a worker that
// is slow to start: the playground works on, only not offline.
const WAIT_FOR_CONTROL_MS = 4000;

// Resolves to whether the worker controls the page.
export async function keepSiteOffline() {
  const container = navigator.serviceWorker;
  if (!container) return false;
  let registration;
  try {
    registration = await container.register('service_worker.js');
  } catch {
    return false;
  }
  if (container.controller) {
    // A later visit. If a new build has been published, its worker takes
    // over before the compiler starts, so that the compiler, the sysroot
    // and the runtime come from one build. Offline the check fails at once.
    try {
      await registration.update();
    } catch {}
    if (!registration.installing && !registration.waiting) return true;
  }
  return new Promise((resolve) => {
    const timer = setTimeout(() => resolve(Boolean(container.controller)), WAIT_FOR_CONTROL_MS);
    container.addEventListener('controllerchange', () => {
      clearTimeout(timer);
      resolve(true);
    }, {once: true});
  });
}
