// Keeps the whole site, so that the show plays again without a network. Each build has a
// cache of its own, named by its files' content: a new build's worker fills its own, and the
// page hands over to it only when nothing of the old one is still loading.
"use strict";

const cacheName = "@TUVORAN_CACHE_NAME@";
// [path, integrity] of every file; "./" is the folder's own address for index.html.
const files = @TUVORAN_SITE_FILES@;

// Each file is taken from the browser's own cache where the page has just loaded it, so that
// a first visit does not fetch the site twice, and from the network where that copy is not
// the build's: the integrity check tells. A file that cannot be had fails the install, which
// is tried again on the next visit; a host in the middle of an update cannot mix two builds.
async function keep(cache, [path, integrity]) {
  for (const mode of ["force-cache", "reload"]) {
    try {
      const response = await fetch(new Request(path, { integrity, cache: mode }));
      if (response.ok) {
        await cache.put(path, response);
        return;
      }
    } catch (error) {
      // not this build's file, or no network: try the next way
    }
  }
  throw new Error(`${path} could not be kept`);
}

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => Promise.all(files.map((file) => keep(cache, file)))));
});

self.addEventListener("activate", (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith("tuvoran-") && name !== cacheName) {
        await caches.delete(name);
      }
    }
    await self.clients.claim();
  })());
});

// The page asks for this once it has seen the new build installed.
self.addEventListener("message", (event) => {
  if (event.data === "take over") {
    self.skipWaiting();
  }
});

// The site's own files come from the cache, whatever their query (?t=, ?loop); anything
// else goes to the network as it would without the worker.
self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== location.origin) {
    return;
  }
  event.respondWith((async () => {
    const cache = await caches.open(cacheName);
    const kept = await cache.match(request, { ignoreSearch: true, ignoreVary: true });
    return kept || fetch(request);
  })());
});
