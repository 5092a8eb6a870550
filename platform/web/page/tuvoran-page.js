// The page around the show: it loads the program and the pictures, offers the start (the
// click or key that browsers want before they play sound) while the music goes on loading
// behind it, and keeps document.body.dataset.state.
"use strict";

(() => {
  const dataFiles = [@TUVORAN_DATA_LIST@];
  const musicPattern = /\.mp3$/i;
  // The sound library's error codes for a music file that cannot be opened.
  const fileNotFound = 9;
  const unknownFormat = 10;
  const unreadable = 11;
  const largestSide = 16384; // as the capture allows

  const body = document.body;
  const canvas = document.getElementById("canvas");
  const progress = document.getElementById("progress");
  const prompt = document.getElementById("prompt");
  const musicLine = document.getElementById("music");
  const message = document.getElementById("message");
  const again = document.getElementById("again");
  const timeline = document.getElementById("timeline");
  const played = document.getElementById("played");

  const parameters = new URLSearchParams(location.search);
  const still = parseStill(parameters);
  // ?t=MS: the first show starts at that moment of the music, a link to it.
  let firstStartMs = Math.max(0, Number.parseInt(parameters.get("t"), 10) || 0);
  // ?loop: at the music's end the show starts again from its start, until the page is closed.
  const loop = parameters.has("loop");
  // ?latency=MS: the sound reaches the listener MS later than the browser knows (Bluetooth
  // headphones, a TV's speakers), so the picture waits as long; the program reads it.
  // A '+' in an address reads as a space; here it is the sign it was typed as.
  const latencyText = parameters.has("latency") ? parameters.get("latency").replace(/^ /, "+") : null;
  // Touch screens are tapped, not clicked.
  if (matchMedia("(hover: none) and (pointer: coarse)").matches) {
    prompt.textContent = "Tap to start";
  }

  function parseStill(query) {
    if (!query.has("at")) {
      return null;
    }
    const at = Number.parseInt(query.get("at"), 10);
    const size = /^(\d+)x(\d+)$/.exec(query.get("size") || "1024x768");
    const side = (text, fallback) => (size ? Math.min(largestSide, Math.max(1, Number(text))) : fallback);
    return {
      ms: Number.isFinite(at) && at > 0 ? at : 0,
      width: side(size && size[1], 1024),
      height: side(size && size[2], 768),
    };
  }
  // A still keeps its own shape on the page.
  const showAspect = still ? still.width / still.height : 4 / 3;

  function setState(state) {
    body.dataset.state = state;
    progress.hidden = state !== "loading";
    prompt.hidden = state !== "ready";
    again.hidden = state !== "ended";
    if (state !== "running") {
      timeline.hidden = true;
      musicLine.hidden = true;
    }
  }

  function showMessage(text) {
    message.textContent = text;
    message.hidden = false;
    console.error(text);
  }

  // The canvas fills the window at the show's shape; its drawing buffer is that size in
  // device pixels, which becomes the display mode of the next show. A show that asks for
  // full screen is sized for the screen, so that it starts at once, sharp when full screen
  // comes and only scaled down when it does not.
  function fitCanvas() {
    const width = Math.min(innerWidth, innerHeight * showAspect);
    const height = width / showAspect;
    document.documentElement.style.setProperty("--canvas-width", `${width}px`);
    document.documentElement.style.setProperty("--canvas-height", `${height}px`);
    return { width, height };
  }

  function drawingBufferSize(fullscreen) {
    const shown = fitCanvas();
    let { width, height } = shown;
    if (fullscreen && screen.width > 0 && screen.height > 0) {
      width = Math.max(width, Math.min(screen.width, screen.height * showAspect));
      height = width / showAspect;
    }
    const ratio = devicePixelRatio || 1;
    return { width: Math.max(1, Math.round(width * ratio)), height: Math.max(1, Math.round(height * ratio)) };
  }
  // Until a show opens its display mode, the drawing buffer follows the window.
  addEventListener("resize", () => {
    const size = drawingBufferSize(still === null && document.fullscreenEnabled);
    if (still === null && ["loading", "ready"].includes(body.dataset.state)) {
      canvas.width = size.width;
      canvas.height = size.height;
    }
  });
  fitCanvas();

  // The program's WebGL context is this one, with these attributes, in a drawing buffer
  // already at the size the show will most likely ask for.
  function makeContext() {
    const expected = drawingBufferSize(still === null && document.fullscreenEnabled);
    canvas.width = still ? still.width : expected.width;
    canvas.height = still ? still.height : expected.height;
    let context = null;
    try {
      context = canvas.getContext("webgl", {
        alpha: false,
        depth: true,
        stencil: false,
        antialias: false,
        preserveDrawingBuffer: still !== null, // the still stays readable after it is shown
      });
    } catch (error) {
      return null;
    }
    return context;
  }

  // The program turns every extension on as it starts; the first turn is the slow one, taken
  // here one extension a turn, so that the page stays answerable meanwhile.
  function turnExtensionsOn(context) {
    const names = context.getSupportedExtensions() || [];
    const next = () => {
      if (names.length > 0) {
        context.getExtension(names.shift());
        setTimeout(next, 0);
      }
    };
    setTimeout(next, 0);
  }

  let supported = true;
  function refuse(missing) {
    supported = false;
    setState("unsupported");
    showMessage(`This show needs a browser with WebGL and Web Audio; this one has no ${missing.join(" and no ")}.`);
  }

  window.tuvoranAudioState = () => "none";
  window.tuvoranFrames = () => 0;
  const AudioContextClass = window.AudioContext || window.webkitAudioContext;
  const lacking = [window.WebGLRenderingContext ? null : "WebGL", AudioContextClass ? null : "Web Audio"];
  if (lacking.some(Boolean)) {
    refuse(lacking.filter(Boolean));
    return;
  }

  // Opening the audio context takes the page's thread a while: it is opened by warmUp, below,
  // or by the start; the music is decoded once it is.
  let audioContext = null;
  let audioOpened = null;
  const audioWanted = new Promise((resolve) => {
    audioOpened = resolve;
  });
  const audio = () => {
    if (!audioContext) {
      audioContext = new AudioContextClass();
      audioOpened();
    }
    return audioContext;
  };
  let source = null;
  let startTime = 0; // the audio context's time when the source started
  let startMs = 0; // the music's time there
  let wakeLock = null;

  // The context's time being heard at the page's time `at`. Its output timestamp pairs the
  // two clocks where the sound leaves the device; between its updates, time goes on as the
  // page's clock does, but never past what the context has made. A browser without one has
  // rendered the context's time less the output's latency and its own; where it reports
  // neither, a typical device buffer is taken.
  const typicalLatency = 0.02;
  function heardContextTime(at) {
    const context = audio();
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0) {
      return Math.min(context.currentTime, stamp.contextTime + (at - stamp.performanceTime) / 1000);
    }
    const reported = (context.outputLatency || 0) + (context.baseLatency || 0);
    return context.currentTime - (reported > 0 ? reported : typicalLatency);
  }

  // The landing's picture is what a person sees first: the rest waits until it is on screen
  // (or has failed), so that it has the bandwidth and the page's thread to itself. The paint
  // is known where the browser reports it as the largest; elsewhere (and where it fills the
  // whole window, which browsers take for a background and do not report), two frames after
  // the picture is in. A hidden page paints nothing and a still has no landing: neither
  // waits, nor does anything for longer than a moment.
  const landingShown = new Promise((resolve) => {
    const picture = document.getElementById("still");
    const box = picture.getBoundingClientRect();
    const paints = window.PerformanceObserver && PerformanceObserver.supportedEntryTypes &&
      PerformanceObserver.supportedEntryTypes.includes("largest-contentful-paint") &&
      (box.width < innerWidth || box.height < innerHeight);
    if (still || document.hidden) {
      resolve();
      return;
    }
    setTimeout(resolve, 1500);
    picture.addEventListener("error", resolve);
    if (paints) {
      new PerformanceObserver((list, observer) => {
        if (list.getEntries().some((entry) => entry.element === picture)) {
          observer.disconnect();
          resolve();
        }
      }).observe({ type: "largest-contentful-paint", buffered: true });
    } else if (picture.complete) {
      requestAnimationFrame(() => requestAnimationFrame(resolve));
    } else {
      picture.addEventListener("load", () => requestAnimationFrame(() => requestAnimationFrame(resolve)));
    }
  });

  // Loading: the program and the pictures, side by side, for the prompt; the music, most of
  // the bytes, only once the prompt is up, so that it takes none of their bandwidth. It is
  // decoded as soon as it is in and the audio device is open.
  const musicFiles = dataFiles.filter((name) => musicPattern.test(name));
  let showBytes = 0;
  let showSize = 0;
  function showProgress() {
    const share = showSize > 0 ? ` ${Math.floor((100 * showBytes) / showSize)} %` : "";
    progress.textContent = `Loading the show…${share}`;
  }
  showProgress();

  let musicBytes = 0;
  let musicSize = 0;
  let musicArrived = false;
  function showMusicProgress() {
    const share = musicSize > 0 ? ` ${Math.floor((100 * musicBytes) / musicSize)} %` : "";
    musicLine.textContent = `Loading the music…${share}`;
  }

  async function fetchResponse(path) {
    try {
      const response = await fetch(path);
      return response.ok ? { response } : { error: response.status === 404 ? fileNotFound : unreadable };
    } catch (error) {
      return { error: unreadable };
    }
  }

  // The pictures, in emscripten's file package (the build packs them in pictures.data, one
  // request instead of one a picture); none when it cannot be had, which the program then
  // reports as the first picture it cannot load.
  async function fetchPictures() {
    await landingShown;
    const { response, error } = await fetchResponse("pictures.data");
    if (error) {
      return null;
    }
    try {
      return await readCounting(response, (bytes, size) => {
        showBytes = bytes;
        showSize = size;
        showProgress();
      });
    } catch (failure) {
      return null;
    }
  }

  // Settled once the script has run, or failed to load.
  function runScript(src) {
    return new Promise((resolve) => {
      const script = document.createElement("script");
      script.src = src;
      script.onload = resolve;
      script.onerror = resolve;
      document.body.appendChild(script);
    });
  }

  // A file's bytes as they come, told to progress(bytes so far, bytes in all).
  async function readCounting(response, progress) {
    const size = Number(response.headers.get("Content-Length")) || 0;
    if (!response.body) {
      return response.arrayBuffer();
    }
    const reader = response.body.getReader();
    const chunks = [];
    let bytes = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) {
        break;
      }
      chunks.push(value);
      bytes += value.byteLength;
      progress(bytes, size);
    }
    const whole = new Uint8Array(bytes);
    let at = 0;
    for (const chunk of chunks) {
      whole.set(chunk, at);
      at += chunk.byteLength;
    }
    return whole.buffer;
  }

  let promptShown = null;
  const promptUp = new Promise((resolve) => {
    promptShown = resolve;
  });
  // Settled once the music's bytes are in, or failed to come.
  let musicFetched = null;
  const musicIn = new Promise((resolve) => {
    musicFetched = resolve;
  });
  if (musicFiles.length === 0) {
    musicFetched();
  }
  async function fetchMusic(name) {
    await promptUp;
    const { response, error } = await fetchResponse(`data/${name}`);
    if (error) {
      musicFetched();
      return { name, error };
    }
    let bytes;
    try {
      bytes = await readCounting(response, (count, size) => {
        musicBytes = count;
        musicSize = size;
        showMusicProgress();
      });
    } catch (failure) {
      musicFetched();
      return { name, error: unreadable };
    }
    musicArrived = true;
    musicFetched();
    showMusicProgress();
    await audioWanted;
    try {
      return { name, music: await audio().decodeAudioData(bytes) };
    } catch (failure) {
      return { name, error: unknownFormat };
    }
  }

  const picturesLoaded = fetchPictures();
  // The program starts once its pictures are in data/, where the package's own loader
  // (pictures.js), given the bytes the page fetched, puts them.
  function placePictures() {
    Module.addRunDependency("tuvoran-pictures");
    picturesLoaded.then(async (pack) => {
      if (pack) {
        Module.getPreloadedPackage = () => pack;
        await runScript("pictures.js");
      }
      Module.removeRunDependency("tuvoran-pictures");
    });
  }
  const dataWritten = new Promise((resolve) => {
    window.Module = {
      canvas,
      doNotCaptureKeyboard: true,
      preRun: [placePictures],
      onRuntimeInitialized: resolve,
      printErr: (text) => console.warn(text),
      onAbort: (what) => fail(`The show stopped: ${what}`),
    };
  });

  const loads = new Map(musicFiles.map((name) => [`data/${name}`, fetchMusic(name)]));
  const musicBuffers = [null];

  // What the show is told, in the order it came: keys (repeats are not new presses), seeks on
  // the progress line, and the close of a show whose context the browser took away.
  const events = [];
  const running = () => body.dataset.state === "running";
  // The browser keeps its own shortcuts (Ctrl or Cmd with a key, the function keys).
  const browserKey = (event) => event.ctrlKey || event.metaKey || /^F\d+$/.test(event.key);
  function onKey(event) {
    if (!running() || event.repeat || browserKey(event)) {
      return;
    }
    // Tab goes on to the progress line, as on any page; the show has no use for it.
    if (event.key === "Tab") {
      showTimeline();
      return;
    }
    events.push({ kind: event.type, value: event.keyCode });
    event.preventDefault();
  }
  addEventListener("keydown", onKey);
  addEventListener("keyup", onKey);

  // In full screen the browser keeps Escape to itself: leaving full screen is the user's Escape.
  document.addEventListener("fullscreenchange", () => {
    if (!document.fullscreenElement && running()) {
      events.push({ kind: "keydown", value: 27 }, { kind: "keyup", value: 27 });
    }
  });

  // The show's clock stands while the page is hidden (another tab, a phone's screen off), and
  // the music with it: the show takes up where it was when the page is shown again.
  let hiddenMs = 0;
  let hiddenSince = document.hidden ? performance.now() : null;
  let suspendedForHidden = false;
  function clockMs() {
    const now = performance.now();
    return now - hiddenMs - (hiddenSince === null ? 0 : now - hiddenSince);
  }

  // The progress line: shown while the mouse moves over a running show, as in a video
  // player; a click or a drag on it moves the show there.
  let positionMs = 0;
  let musicPaused = false;
  let durationMs = 0;
  let timelineTimer = null;
  const clockText = (ms) => {
    const seconds = Math.floor(ms / 1000);
    return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, "0")}`;
  };
  // The line is a slider for screen readers too; its value changes once a second.
  let positionText = "";
  function drawPosition() {
    played.style.width = `${durationMs > 0 ? Math.min(100, (100 * positionMs) / durationMs) : 0}%`;
    const text = `${clockText(positionMs)} of ${clockText(durationMs)}`;
    if (text !== positionText) {
      positionText = text;
      timeline.setAttribute("aria-valuemax", String(Math.floor(durationMs / 1000)));
      timeline.setAttribute("aria-valuenow", String(Math.floor(positionMs / 1000)));
      timeline.setAttribute("aria-valuetext", musicPaused ? `${text}, paused` : text);
    }
  }
  function showTimeline() {
    if (!running() || still) {
      return;
    }
    timeline.hidden = false;
    clearTimeout(timelineTimer);
    timelineTimer = setTimeout(hideTimeline, 2500);
  }
  // It stays while the mouse is on it or it has the keyboard's focus.
  function hideTimeline() {
    if (!timeline.matches(":hover, :focus-visible")) {
      timeline.hidden = true;
    }
  }
  timeline.addEventListener("blur", () => {
    timelineTimer = setTimeout(hideTimeline, 2500);
  });
  function seekTo(clientX) {
    const box = timeline.getBoundingClientRect();
    const fraction = Math.min(1, Math.max(0, (clientX - box.left) / box.width));
    positionMs = Math.min(Math.round(fraction * durationMs), Math.max(0, durationMs - 1));
    drawPosition();
    // Seeks not yet taken give way to the latest.
    const waiting = events.at(-1);
    if (waiting && waiting.kind === "seek") {
      waiting.value = positionMs;
    } else {
      events.push({ kind: "seek", value: positionMs });
    }
  }
  addEventListener("mousemove", showTimeline);
  timeline.addEventListener("pointerdown", (event) => {
    timeline.setPointerCapture(event.pointerId);
    seekTo(event.clientX);
    event.stopPropagation();
  });
  timeline.addEventListener("pointermove", (event) => {
    if (timeline.hasPointerCapture(event.pointerId)) {
      seekTo(event.clientX);
    }
  });
  timeline.addEventListener("click", (event) => event.stopPropagation());

  // True when full screen was asked for; the show starts without waiting for it.
  function enterFullscreen() {
    const root = document.documentElement;
    if (!document.fullscreenEnabled || !root.requestFullscreen || document.fullscreenElement) {
      return Boolean(document.fullscreenElement);
    }
    root.requestFullscreen({ navigationUI: "hide" }).then(() => {
      if (navigator.keyboard && navigator.keyboard.lock) {
        navigator.keyboard.lock(["Escape"]).catch(() => {});
      }
    }, () => {});
    return true;
  }

  let startRequested = null;
  function waitForGesture() {
    return new Promise((resolve) => {
      startRequested = resolve;
    });
  }

  // On iPhones the ring/silent switch mutes a page's sound unless the page says that it plays
  // media, as a video player does.
  function askForPlayback() {
    if (navigator.audioSession) {
      try {
        navigator.audioSession.type = "playback";
      } catch (error) {
        // an older session that cannot be told
      }
    }
  }

  // The sound's start is the browser's to grant: true once the context runs, false if it
  // has not within a while.
  const soundStartWaitMs = 4000;
  function whenSoundRuns(context) {
    const deadline = performance.now() + soundStartWaitMs;
    return new Promise((resolve) => {
      const check = () => {
        if (context.state === "running" || performance.now() >= deadline) {
          resolve(context.state === "running");
        } else {
          setTimeout(check, 20);
        }
      };
      check();
    });
  }

  // The show's clock starts with its sound: until the audio context runs, the page says
  // "starting" and the show waits. A sound that does not start is offered again, with a word.
  function begin() {
    if (!startRequested) {
      return;
    }
    warmUp();
    if (!ensureContext(false)) {
      return;
    }
    const resolve = startRequested;
    startRequested = null;
    const offeredIn = body.dataset.state;
    askForPlayback();
    const sound = audio();
    sound.resume().catch(() => {});
    setState("starting");
    message.hidden = true;
    canvas.focus();
    const size = drawingBufferSize(enterFullscreen());
    whenSoundRuns(sound).then((runs) => {
      if (!runs) {
        startRequested = resolve;
        setState(offeredIn);
        showMessage("The browser has not started the sound. Click or press a key to try again.");
        return;
      }
      Module.page.frames = 0;
      setState("running");
      // The link's moment for the first show; "Watch again" from the start.
      const startMs = firstStartMs;
      firstStartMs = 0;
      resolve({ ...size, stillMs: -1, startMs, paused: false, loop });
    });
  }
  prompt.addEventListener("click", begin);
  document.getElementById("landing").addEventListener("click", () => body.dataset.state === "ready" && begin());
  canvas.addEventListener("click", () => body.dataset.state === "ready" && begin());
  body.addEventListener("click", (event) => event.target === body && body.dataset.state === "ready" && begin());
  // Any key starts it, but Tab and Shift still move the focus.
  addEventListener("keydown", (event) => {
    if (body.dataset.state === "ready" && !event.repeat && !browserKey(event) &&
        !["Tab", "Shift", "Alt"].includes(event.key)) {
      event.preventDefault();
      begin();
    }
  });
  again.addEventListener("click", (event) => {
    event.stopPropagation();
    begin();
  });

  let firstStart = true;
  async function waitForStart() {
    if (!supported) {
      return new Promise(() => {});
    }
    if (firstStart) {
      firstStart = false;
      await dataWritten;
      if (!supported) {
        return new Promise(() => {});
      }
      if (still) {
        promptShown(); // the music, which a still runs on, has no prompt to wait for
        Module.page.frames = 0;
        setState("running");
        return { width: still.width, height: still.height, stillMs: still.ms, startMs: 0, paused: false, loop: false };
      }
      const gesture = waitForGesture();
      setState("ready");
      performance.mark("tuvoran-prompt");
      if (document.activeElement === body || document.activeElement === null) {
        prompt.focus({ preventScroll: true });
      }
      // The pictures decode while the prompt waits, once it has been drawn: one a turn, so
      // that a click is never kept waiting long.
      // Once the prompt and the landing have been on screen for a frame.
      requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(() => {
        dataReady();
        promptShown();
      }, 0)));
      return gesture;
    }
    if (body.dataset.state === "ready" || body.dataset.state === "ended") {
      return waitForGesture();
    }
    if (body.dataset.state === "restoring") {
      await contextBack;
      const start = lostAt;
      lostAt = null;
      contextBack = contextComesBack();
      Module.page.frames = 0;
      setState("running");
      return { width: canvas.width, height: canvas.height, stillMs: -1, loop, ...start };
    }
    return new Promise(() => {}); // a failed or finished still starts nothing more
  }

  // The browser may take the WebGL context away (a driver reset, too many pages with
  // WebGL): the show stops where it is, and when the context comes back it starts again
  // there, paused if it was.
  let lostAt = null;
  let contextRestored = false;
  let contextCameBack = null;
  const contextComesBack = () => new Promise((resolve) => {
    contextCameBack = resolve;
  });
  let contextBack = contextComesBack();
  canvas.addEventListener("webglcontextlost", (event) => {
    event.preventDefault(); // so that it can come back
    if (running() && !still) {
      lostAt = { startMs: positionMs, paused: musicPaused };
      events.length = 0;
      events.push({ kind: "close" });
    }
  });
  canvas.addEventListener("webglcontextrestored", () => {
    contextRestored = true;
    contextCameBack();
  });

  document.addEventListener("visibilitychange", () => {
    if (document.hidden) {
      hiddenSince = performance.now();
      if (audioContext && audioContext.state === "running") {
        suspendedForHidden = true;
        audioContext.suspend().catch(() => {});
      }
    } else if (hiddenSince !== null) {
      hiddenMs += performance.now() - hiddenSince;
      hiddenSince = null;
      if (suspendedForHidden) {
        suspendedForHidden = false;
        audioContext.resume().catch(() => {});
      }
    }
  });

  function fail(text) {
    showMessage(text);
    if (body.dataset.state !== "unsupported") {
      setState("failed");
    }
    canvas.style.cursor = "";
  }

  function showEnded() {
    stopMusic();
    events.length = 0;
    canvas.style.cursor = "";
    if (lostAt) {
      setState("restoring"); // the context comes back, and the show with it
      return;
    }
    if (document.fullscreenElement && document.exitFullscreen) {
      document.exitFullscreen().catch(() => {});
    }
    setState("ended");
    startRequested = startRequested || null;
  }

  function stopMusic() {
    if (source) {
      source.onended = null;
      try {
        source.stop();
      } catch (error) {
        // never started
      }
      source.disconnect();
      source = null;
    }
  }

  Module.page = {
    frames: 0,
    virtualMusicMs: 0,
    waitForStart,
    showEnded,
    stillDrawn: () => setState("done"),
    fail,
    takeEvent: () => (events.length > 0 ? events.shift() : null),
    clockMs,
    showPosition(ms, paused) {
      positionMs = ms;
      musicPaused = paused !== 0;
      drawPosition();
    },
    takeContextRestored() {
      const restored = contextRestored;
      contextRestored = false;
      return restored;
    },
    keepAwake(awake) {
      if (awake && !wakeLock && navigator.wakeLock) {
        navigator.wakeLock.request("screen").then((lock) => { wakeLock = lock; }, () => {});
      } else if (!awake && wakeLock) {
        wakeLock.release().catch(() => {});
        wakeLock = null;
      }
    },
    audioAvailable: () => audio().state !== "closed",
    // A show started before the music is in says how far it has come while it waits.
    async openMusic(path) {
      const load = loads.get(path);
      if (!load) {
        return { error: fileNotFound };
      }
      if (!musicArrived && running()) {
        showMusicProgress();
        musicLine.hidden = false;
      }
      const file = await load;
      musicLine.hidden = true;
      if (!file.music) {
        return { error: file.error || unknownFormat };
      }
      musicBuffers.push(file.music);
      durationMs = file.music.duration * 1000;
      return { buffer: musicBuffers.length - 1, durationMs };
    },
    // From fromMs of the music on.
    playMusic(buffer, fromMs) {
      stopMusic();
      this.virtualMusicMs = fromMs;
      startMs = fromMs;
      if (still) {
        return; // a still's music is its clock's, not heard
      }
      source = audio().createBufferSource();
      source.buffer = musicBuffers[buffer];
      source.connect(audio().destination);
      startTime = audio().currentTime;
      source.start(startTime, fromMs / 1000);
    },
    stopMusic,
    // The music's time heard aheadMs from now; where the source starts until it is heard.
    heardMs(aheadMs) {
      if (still) {
        return this.virtualMusicMs;
      }
      const heard = heardContextTime(performance.now()) + aheadMs / 1000;
      return startMs + Math.max(0, heard - startTime) * 1000;
    },
    // What the context has made and is not yet heard.
    latencyMs() {
      if (still || !audioContext) {
        return 0;
      }
      return Math.max(0, audioContext.currentTime - heardContextTime(performance.now())) * 1000;
    },
    latencyText,
  };

  window.tuvoranAudioState = () => (audioContext ? audioContext.state : "none");
  window.tuvoranAudioTime = () => (audioContext ? audioContext.currentTime : 0);
  window.tuvoranHeardMs = () => (source ? Module.page.heardMs(0) : 0);
  window.tuvoranFrames = () => Module.page.frames;
  window.tuvoranPosition = () => ({ ms: positionMs, paused: musicPaused, durationMs });

  // The program and its module are fetched side by side; the module compiles as it comes.
  landingShown.then(() => {
    const module = document.createElement("link");
    module.rel = "preload";
    module.as = "fetch";
    module.href = "tuvoran.wasm";
    module.crossOrigin = "anonymous";
    document.head.appendChild(module);
    const program = document.createElement("script");
    program.src = "tuvoran.js";
    program.onerror = () => fail("The show's program could not be loaded.");
    document.body.appendChild(program);
  });

  // Opening the WebGL context and the audio device and decoding the pictures each hold the
  // page's thread a while (the context for most of a second in a software renderer): they
  // wait for the first sign of a person, a pointer that moves, a touch or a key, so that the
  // page answers at once as it opens, and are done by the time the click or tap lands. What
  // is not done by then, the start does.
  let glContext; // undefined until made; null when the browser gives none
  function ensureContext(turnOn) {
    if (glContext === undefined) {
      glContext = makeContext();
      if (!glContext) {
        refuse(["WebGL"]);
        if (audioContext) {
          audioContext.close().catch(() => {});
        }
      } else if (turnOn) {
        turnExtensionsOn(glContext);
      }
    }
    return glContext !== null;
  }
  let warmed = false;
  let dataReady = null;
  const dataInPlace = new Promise((resolve) => {
    dataReady = resolve;
  });
  function warmUp() {
    if (warmed || !supported) {
      return;
    }
    warmed = true;
    audio();
    if (!ensureContext(true)) {
      return;
    }
    dataInPlace.then(() => {
      const decodeNext = () => {
        if (Module._DecodeNextDataPictureAhead()) {
          setTimeout(decodeNext, 0);
        }
      };
      setTimeout(decodeNext, 0);
    });
  }
  for (const type of ["pointermove", "pointerdown", "touchstart", "keydown", "wheel"]) {
    addEventListener(type, warmUp, { capture: true, passive: true });
  }
  if (still) {
    warmUp(); // a still has no person to wait for
  }

  keepForOffline();

  // A worker keeps the site for visits without a network (sw.js). A new build's worker is
  // let in as soon as it has stored all of its files, and the page loads again from it,
  // unless a show is playing: then it waits for the show's end. Stills are left alone.
  function keepForOffline() {
    if (still || !navigator.serviceWorker || !window.isSecureContext) {
      return;
    }
    const container = navigator.serviceWorker;
    let takingOver = false;
    container.addEventListener("controllerchange", () => {
      if (takingOver) {
        location.reload();
      }
    });
    const offer = (worker) => {
      const handOver = () => {
        if (["starting", "running", "restoring"].includes(body.dataset.state)) {
          setTimeout(handOver, 1000);
          return;
        }
        takingOver = true;
        worker.postMessage("take over");
      };
      const whenInstalled = () => {
        if (worker.state === "installed" && container.controller) {
          handOver();
        }
      };
      worker.addEventListener("statechange", whenInstalled);
      whenInstalled();
    };
    // After the page's own loads, so that the worker's copies take none of their bandwidth.
    Promise.all([picturesLoaded, musicIn]).then(() => container.register("sw.js")).then((registration) => {
      const pending = registration.installing || registration.waiting;
      if (pending) {
        offer(pending);
      }
      registration.addEventListener("updatefound", () => offer(registration.installing));
    }).catch((error) => console.warn(`The site cannot be kept for offline: ${error.message}`));
  }
})();
