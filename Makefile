# Front door: every command installs what is missing, configures and builds first.
#   make run [ARGS="800 600 32"]   build and start the show
#   make dev [AT=MS] [PAUSE=1]     the show in a window, started again at its moment on each save
#   make check                     the quick tests, while working on the code
#   make test                      the whole suite, headless, before handing in
#   make test-sanitize             the suite again under AddressSanitizer and UBSan
#   make bench                     benchmarks, release build
#   make bench-sync [SYNC_QUICK=1] [SYNC_MINUTES=60]   picture minus sound, heard and seen
#   make bench-web                 the web site's size, start and frame times in headless Chromium
#   make web-serve                 build the web site and serve it on http://127.0.0.1:8000/
#   make fuzz [FUZZ_SECONDS=90]    the libFuzzer targets, clang with the sanitizers
#   make video                     render the whole show to tuvoran.mp4 (tuvoran-capture)
#   make web                       the show as a static web site in build-web/ (emscripten)
#   make windows                   tuvoran.exe and its zip in build-windows/ (mingw-w64)
#   make data                      regenerate the pictures and music in data/ (tools/datagen)
#   make expectations              write the show's expected frames again, with a review sheet
#   make install [PREFIX=/usr/local] [DESTDIR=...]   install; make uninstall removes it again
#   make package                   a Debian package in build-package/, checked by lintian
#   make format / make tidy        clang-format / clang-tidy over the sources
#   make release                   every artefact of this commit in dist/, reproducibly, with SHA256SUMS

JOBS ?= $(shell nproc)
ARGS ?=

BUILD := build
BUILD_ASAN := build-asan
BUILD_RELEASE := build-release
BUILD_FUZZ := build-fuzz
BUILD_WASM := build-wasm
BUILD_WINDOWS := build-windows
FUZZ_SECONDS ?= 90
BUILD_PACKAGE := build-package
PREFIX ?= /usr/local

.PHONY: all deps build run check test test-sanitize bench fuzz video data expectations format tidy clean web
.PHONY: windows
.PHONY: install uninstall package

all: build

# Every command configures its build folder first. CMake does next to nothing when nothing
# changed, and so goes on correctly after a configure that failed or was interrupted, or that
# ran before packages were added.
CONFIGURE = cmake --log-level=NOTICE -S . -B
CONFIGURE_PLAIN = $(CONFIGURE) $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

deps:
	@tools/install-deps.sh run

build: deps
	$(CONFIGURE_PLAIN)
	cmake --build $(BUILD) -j $(JOBS)

run: deps
	$(CONFIGURE_PLAIN)
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran
	./$(BUILD)/tuvoran $(ARGS)

# The loop while working: the tests that need no browser, Wine, package, root or network,
# less those that take long by nature, each five seconds or more: the whole show, a loop or a
# show's music played in real time, the captures run again from many moments, the benchmarks'
# quick run, the data made anew and the live loop's builds. make test runs them all. The
# program's tests run one at a time, so a third job lets the others use the cores meanwhile.
CHECK_LABELS_LEFT_OUT := web|windows|release|package|newcomer
CHECK_REAL_TIME := Program\.TheWholeShowPlaysToTheEndOfItsMusic|ProgramLoop\.|ProgramFocus\.TheShowGoesOnWhileAway
CHECK_MANY_MOMENTS := ProgramControls\.AtAndPause|CaptureProgram\.FromAMoment
CHECK_BUILDS := bench\.quick|Regeneration\.|ProgramDevLoop\.
check:
	@tools/install-deps.sh test
	$(CONFIGURE_PLAIN) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS)
	tools/run-headless.sh ctest --test-dir $(BUILD) --output-on-failure -j $$(($(JOBS) + 1)) \
		-LE '$(CHECK_LABELS_LEFT_OUT)' -E '$(CHECK_REAL_TIME)|$(CHECK_MANY_MOMENTS)|$(CHECK_BUILDS)'

test: web web-test-deps windows
	@tools/install-deps.sh test
	$(CONFIGURE_PLAIN) -DBUILD_TESTING=ON -DTUVORAN_WEB_TESTS=ON \
		-DTUVORAN_WINDOWS_BUILD=$(CURDIR)/$(BUILD_WINDOWS)
	cmake --build $(BUILD) -j $(JOBS)
	tools/run-headless.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	@tools/install-deps.sh test
	$(CONFIGURE) $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTUVORAN_SANITIZE=ON -DBUILD_TESTING=ON
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	tools/run-headless.sh ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# Picture minus sound, measured from outside on private sound servers (bench/sync/bench-sync.sh);
# SYNC_QUICK=1 for a short run, SYNC_MINUTES=60 for an hour's drift with --loop.
.PHONY: bench-sync
bench-sync:
	@tools/install-deps.sh run test sync
	$(CONFIGURE) $(BUILD_RELEASE) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
	cmake --build $(BUILD_RELEASE) -j $(JOBS) --target tuvoran tuvoran-sync-record tuvoran-sync-analyse
	bench/sync/bench-sync.sh $(BUILD_RELEASE)

bench:
	@tools/install-deps.sh test
	$(CONFIGURE) $(BUILD_RELEASE) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
	cmake --build $(BUILD_RELEASE) -j $(JOBS) --target tuvoran-bench
	tools/run-headless.sh $(BUILD_RELEASE)/bench/tuvoran-bench

.PHONY: web-serve web-test-deps bench-web
web-serve: web
	node tools/web/serve.mjs --port 8000 build-web

# The browser tests' npm packages, again only when the lock file changes.
WEB_TEST_MODULES := tests/web/node_modules/.package-lock.json
web-test-deps: $(WEB_TEST_MODULES)
$(WEB_TEST_MODULES): tests/web/package.json tests/web/package-lock.json
	@tools/install-deps.sh test
	cd tests/web && npm ci --no-audit --no-fund
	@touch $@

# Lighthouse for the benchmark, from its own lock file.
WEB_BENCH_MODULES := bench/web/node_modules/.package-lock.json
$(WEB_BENCH_MODULES): bench/web/package.json bench/web/package-lock.json
	@tools/install-deps.sh test
	cd bench/web && npm ci --no-audit --no-fund
	@touch $@

bench-web: web web-test-deps $(WEB_BENCH_MODULES)
	node bench/web/bench.mjs build-web
	node bench/web/lighthouse.mjs --runs 3 build-web

fuzz:
	@tools/install-deps.sh test
	CC=clang CXX=clang++ $(CONFIGURE) $(BUILD_FUZZ) \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUVORAN_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target picture_fuzzer display_mode_fuzzer tuvoran-fuzz-corpus
	tools/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

video:
	@tools/install-deps.sh video
	$(CONFIGURE_PLAIN)
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-capture
	./$(BUILD)/tuvoran-capture --out tuvoran.mp4

# Debian's emscripten runs its tools with a node that does not look in Debian's module folder.
# The site's still and icons are drawn by the native capture and icon programs, built first.
web:
	@tools/install-deps.sh run web
	$(CONFIGURE_PLAIN)
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-capture tuvoran-icons tuvoran-web-pictures
	NODE_PATH=/usr/share/nodejs emcmake $(CONFIGURE) $(BUILD_WASM) -DCMAKE_BUILD_TYPE=Release \
		-DTUVORAN_SITE_DIR=$(CURDIR)/build-web -DTUVORAN_NATIVE_BUILD=$(CURDIR)/$(BUILD)
	NODE_PATH=/usr/share/nodejs cmake --build $(BUILD_WASM) -j $(JOBS)

# Cross-built with Debian's mingw-w64; the zip is packed from the install rules, as the release's.
windows:
	@tools/install-deps.sh windows
	$(CONFIGURE) $(BUILD_WINDOWS) --toolchain platform/win32/toolchain.cmake \
		-DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_WINDOWS) -j $(JOBS)
	rm -f $(BUILD_WINDOWS)/tuvoran-*-windows-x64.zip
	tools/release.sh windows-zip $(BUILD_WINDOWS) $(BUILD_WINDOWS)
	@ls $(BUILD_WINDOWS)/tuvoran-*-windows-x64.zip

data:
	@tools/install-deps.sh data
	$(CONFIGURE_PLAIN)
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-datagen
	./$(BUILD)/tools/tuvoran-datagen data $(BUILD)/data-contact-sheet.png

# After an intended change of the show: its expected frames again, and a sheet of old and new
# to review before committing them.
expectations:
	@tools/install-deps.sh test
	$(CONFIGURE_PLAIN) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-capture tuvoran-expectations
	./$(BUILD)/tests/expected_frames/tuvoran-expectations ./$(BUILD)/tuvoran-capture \
		tests/expected_frames/expected-frames.png $(BUILD)/expectations $(BUILD)/expectations-review.png

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DBUILD_DIR=$(BUILD) -P tools/uninstall.cmake

# Packs what build/ has built, as the release does; the package's file list stays apart from
# make install's. One package at a time: its name has the commit in it.
package:
	@tools/install-deps.sh package
	$(CONFIGURE_PLAIN)
	cmake --build $(BUILD) -j $(JOBS)
	rm -f $(BUILD_PACKAGE)/tuvoran_*.deb
	tools/release.sh deb $(BUILD) $(BUILD_PACKAGE)
	lintian $(BUILD_PACKAGE)/tuvoran_*.deb

format:
	@tools/install-deps.sh lint
	clang-format -i $$(git ls-files '*.cpp' '*.h')

tidy:
	@tools/install-deps.sh lint
	$(CONFIGURE_PLAIN)
	run-clang-tidy -quiet -p $(BUILD) $$(git ls-files '*.cpp')

# A minimal Debian root that a killed package test left mounted is taken down first, and the
# release check's view of its second tree.
clean:
	@if grep -qs " $(CURDIR)/$(BUILD)/minimal-root/" /proc/self/mountinfo; then \
		tools/minimal-root.sh down $(BUILD)/minimal-root; fi
	@if mountpoint -q "$(BUILD)/release-check/somewhere else/shuffled"; then \
		fusermount -u "$(BUILD)/release-check/somewhere else/shuffled"; fi
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_RELEASE) $(BUILD_FUZZ) $(BUILD_PACKAGE) $(BUILD_WASM) build-web \
		$(BUILD_WINDOWS)

# The makers' live loop: tools/dev-loop.sh, and "Change it live" in the README. Only the program
# is built; the build links with lld, which relinks it in a third of the time.
AT ?= 0
PAUSE ?=
.PHONY: dev
dev:
	@tools/install-deps.sh run dev
	$(CONFIGURE_PLAIN) $$(grep -qs '^TUVORAN_LINKER:STRING=.' $(BUILD)/CMakeCache.txt || \
		echo -DTUVORAN_LINKER=lld)
	tools/dev-loop.sh $(BUILD) $(AT) "$(PAUSE)" $(ARGS)

# The release: builds of its own in build-dist/, every artefact in dist/ (tools/release.sh).
.PHONY: release
release:
	@tools/install-deps.sh release
	tools/release.sh dist build-dist dist
