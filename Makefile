# Front door: every command installs the Debian packages it uses, then configures and builds
# through a preset of CMakePresets.json, each with a build folder of its own.
HELP := \
  "make run [ARGS=\"800 600 32\"]   build and start the show" \
  "make dev [AT=MS] [PAUSE=1]     the show in a window, started again at its moment on each save" \
  "make check                     the quick tests, while working on the code" \
  "make test                      the whole suite, headless, before handing in" \
  "make test-sanitize             the suite again under AddressSanitizer and UBSan" \
  "make bench                     benchmarks, release build" \
  "make bench-sync [SYNC_QUICK=1] [SYNC_MINUTES=60]   picture minus sound, seen and heard" \
  "make bench-web                 the web site's size, start and frame times in headless Chromium" \
  "make web-serve                 build the web site and serve it on http://127.0.0.1:8000/" \
  "make fuzz [FUZZ_SECONDS=90]    the libFuzzer targets, clang with the sanitizers" \
  "make video                     render the whole show to tuvoran.mp4 (tuvoran-capture)" \
  "make web                       the show as a static web site in build-web/ (emscripten)" \
  "make windows                   tuvoran.exe and its zip in build-windows/ (mingw-w64)" \
  "make data                      regenerate the pictures and music in data/ (tools/datagen)" \
  "make expectations              write the show's expected frames again, with a review sheet" \
  "make install [PREFIX=/usr/local] [DESTDIR=...]   install; make uninstall removes it again" \
  "make package                   a Debian package in build-package/, checked by lintian" \
  "make format / make tidy        clang-format / clang-tidy over the sources" \
  "make release                   every artefact of this commit in dist/, reproducibly, with SHA256SUMS" \
  "make clean                     remove every build folder" \
  "" \
  "Each builds in the folder of its preset (CMakePresets.json): run build/, dev build-dev/," \
  "check and test build-check/, sanitize build-asan/, fuzz build-fuzz/, bench build-release/," \
  "windows build-windows/, web build-wasm/ (its pictures drawn by build/'s programs), release" \
  "build-dist/. Without make: cmake --workflow --preset NAME, or cmake --preset NAME," \
  "cmake --build --preset NAME and ctest --preset NAME (check, test, sanitize)."

JOBS ?= $(shell nproc)
ARGS ?=
FUZZ_SECONDS ?= 90
PREFIX ?= /usr/local

# The build folders, as CMakePresets.json names them.
BUILD := build
BUILD_DEV := build-dev
BUILD_CHECK := build-check
BUILD_FUZZ := build-fuzz
BUILD_RELEASE := build-release
BUILD_WINDOWS := build-windows
BUILD_PACKAGE := build-package

.PHONY: all help deps build run dev check test test-sanitize bench bench-sync bench-web fuzz video data \
	expectations format tidy clean web web-serve web-test-deps windows install uninstall package \
	release

all: build

help:
	@printf '%s\n' $(HELP)

# Every command configures its build folder first, with its preset's settings and no others.
# CMake does next to nothing when nothing changed, and so goes on correctly after a configure
# that failed or was interrupted, or that ran before packages were added.
CONFIGURE = cmake --log-level=NOTICE --preset
BUILD_WITH = cmake --build -j $(JOBS) --preset
INSTALL = @tools/install-deps.sh

deps:
	$(INSTALL) run

build: deps
	$(CONFIGURE) run
	$(BUILD_WITH) run

run: deps
	$(CONFIGURE) run
	$(BUILD_WITH) run --target tuvoran
	./$(BUILD)/tuvoran $(ARGS)

# The loop while working: every test but those labelled slow (five seconds or more by nature),
# or needing a browser, Wine, root, a package or make dev (the check test preset). make test
# runs them all. The program's tests run one at a time, so a third job lets the others use the
# cores meanwhile.
check:
	$(INSTALL) check
	$(CONFIGURE) check
	$(BUILD_WITH) check
	tools/run-headless.sh ctest --preset check -j $$(($(JOBS) + 1))

# The whole suite in the same build folder, with the Windows and browser builds it tests.
test: web web-test-deps windows
	$(INSTALL) test
	$(CONFIGURE) check
	$(BUILD_WITH) check
	tools/run-headless.sh ctest --preset test -j $(JOBS)

test-sanitize:
	$(INSTALL) check
	$(CONFIGURE) sanitize
	$(BUILD_WITH) sanitize
	tools/run-headless.sh ctest --preset sanitize -j $(JOBS)

# Picture minus sound, measured from outside on private sound servers (bench/sync/bench-sync.sh);
# SYNC_QUICK=1 for a short run, SYNC_MINUTES=60 for an hour's drift with --loop.
bench-sync:
	$(INSTALL) check sync
	$(CONFIGURE) bench
	$(BUILD_WITH) bench --target tuvoran tuvoran-sync-record tuvoran-sync-analyse
	bench/sync/bench-sync.sh $(BUILD_RELEASE)

bench:
	$(INSTALL) check
	$(CONFIGURE) bench
	$(BUILD_WITH) bench
	tools/run-headless.sh $(BUILD_RELEASE)/bench/tuvoran-bench

web-serve: web
	node tools/web/serve.mjs --port 8000 build-web

# The browser tests' npm packages, again only when the lock file changes.
WEB_TEST_MODULES := tests/web/node_modules/.package-lock.json
web-test-deps: $(WEB_TEST_MODULES)
$(WEB_TEST_MODULES): tests/web/package.json tests/web/package-lock.json
	$(INSTALL) browser
	cd tests/web && npm ci --no-audit --no-fund
	@touch $@

# Lighthouse for the benchmark, from its own lock file.
WEB_BENCH_MODULES := bench/web/node_modules/.package-lock.json
$(WEB_BENCH_MODULES): bench/web/package.json bench/web/package-lock.json
	$(INSTALL) browser
	cd bench/web && npm ci --no-audit --no-fund
	@touch $@

bench-web: web web-test-deps $(WEB_BENCH_MODULES)
	node bench/web/bench.mjs build-web
	node bench/web/lighthouse.mjs --runs 3 build-web

fuzz:
	$(INSTALL) fuzz
	$(CONFIGURE) fuzz
	$(BUILD_WITH) fuzz
	tools/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

video:
	$(INSTALL) video
	$(CONFIGURE) run
	$(BUILD_WITH) run --target tuvoran-capture
	./$(BUILD)/tuvoran-capture --out tuvoran.mp4

# The site's still and icons are drawn by the native capture and icon programs of the run
# preset's build/, built first.
web:
	$(INSTALL) run web
	$(CONFIGURE) run
	$(BUILD_WITH) run --target tuvoran-capture tuvoran-icons tuvoran-web-pictures
	$(CONFIGURE) web
	$(BUILD_WITH) web

# Cross-built with Debian's mingw-w64; the zip is packed from the install rules, as the release's.
windows:
	$(INSTALL) windows
	$(CONFIGURE) windows
	$(BUILD_WITH) windows
	rm -f $(BUILD_WINDOWS)/tuvoran-*-windows-x64.zip
	tools/release.sh windows-zip $(BUILD_WINDOWS) $(BUILD_WINDOWS)
	@ls $(BUILD_WINDOWS)/tuvoran-*-windows-x64.zip

data:
	$(INSTALL) data
	$(CONFIGURE) run
	$(BUILD_WITH) run --target tuvoran-datagen
	./$(BUILD)/tools/tuvoran-datagen data $(BUILD)/data-contact-sheet.png

# After an intended change of the show: its expected frames again, and a sheet of old and new
# to review before committing them.
expectations:
	$(INSTALL) check
	$(CONFIGURE) check
	$(BUILD_WITH) check --target tuvoran-capture tuvoran-expectations
	./$(BUILD_CHECK)/tests/expected_frames/tuvoran-expectations ./$(BUILD_CHECK)/tuvoran-capture \
		tests/expected_frames/expected-frames.png $(BUILD_CHECK)/expectations \
		$(BUILD_CHECK)/expectations-review.png

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DBUILD_DIR=$(BUILD) -P tools/uninstall.cmake

# Packs what build/ has built, as the release does; the package's file list stays apart from
# make install's. One package at a time: its name has the commit in it.
package:
	$(INSTALL) package
	$(CONFIGURE) run
	$(BUILD_WITH) run
	rm -f $(BUILD_PACKAGE)/tuvoran_*.deb
	tools/release.sh deb $(BUILD) $(BUILD_PACKAGE)
	lintian $(BUILD_PACKAGE)/tuvoran_*.deb

format:
	$(INSTALL) lint
	clang-format -i $$(git ls-files '*.cpp' '*.h')

tidy:
	$(INSTALL) check lint
	$(CONFIGURE) check
	run-clang-tidy -quiet -p $(BUILD_CHECK) $$(git ls-files '*.cpp')

# A minimal Debian root that a killed package test left mounted is taken down first, and the
# release check's view of its second tree.
clean:
	@for build in $(BUILD) $(BUILD_CHECK); do \
		if grep -qs " $(CURDIR)/$$build/minimal-root/" /proc/self/mountinfo; then \
			tools/minimal-root.sh down $$build/minimal-root; fi; \
		if mountpoint -q "$$build/release-check/somewhere else/shuffled"; then \
			fusermount -u "$$build/release-check/somewhere else/shuffled"; fi; \
	done
	tools/owned-folder.sh remove $(BUILD) $(BUILD_DEV) $(BUILD_CHECK) build-asan $(BUILD_RELEASE) $(BUILD_FUZZ) \
		$(BUILD_PACKAGE) build-wasm build-web $(BUILD_WINDOWS) build-dist

# The makers' live loop: tools/dev-loop.sh, and docs/making.md. Only the program
# is built, in build-dev/, linked with lld, which relinks it in a third of the time; LINKER=
# names another (bfd, gold, mold) for a comparison.
AT ?= 0
PAUSE ?=
LINKER ?=
dev:
	$(INSTALL) dev
	$(CONFIGURE) dev $(if $(LINKER),-DTUVORAN_LINKER=$(LINKER))
	CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS) tools/dev-loop.sh $(BUILD_DEV) $(AT) "$(PAUSE)" $(ARGS)

# The release: builds of its own in build-dist/, every artefact in dist/ (tools/release.sh).
release:
	$(INSTALL) release
	tools/release.sh dist build-dist dist
