// Keeps the whole site, so that the show plays again without a network. Each build has a
// cache of its own, named by its files' content: a new build's worker fills its own, and the
// page hands over to it only when nothing of the old one is still loading.
"use strict";

const cacheName = "@TUVORAN_CACHE_NAME@";
// [path, integrity] of every file; "./" is the folder's own address for index.html.
const files = @TUVORAN_SITE_FILES@;

self.addEventListener("install", (event) => {
  // The integrity checks refuse a file of another build, which a host in the middle of an
  // update may still hand out: the install fails and is tried again on the next visit.
  const requests = files.map(([path, integrity]) => new Request(path, { integrity, cache: "no-cache" }));
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(requests)));
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
