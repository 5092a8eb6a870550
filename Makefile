# Front door: every command installs what is missing, configures and builds first.
#   make run [ARGS="800 600 32"]   build and start the show
#   make test                      the whole suite, headless
#   make test-sanitize             the suite again under AddressSanitizer and UBSan
#   make bench                     benchmarks, release build
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

.PHONY: all deps build run test test-sanitize bench fuzz video data expectations format tidy clean web
.PHONY: windows
.PHONY: install uninstall package

all: build

deps:
	@tools/install-deps.sh run

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/tuvoran $(ARGS)

test: web web-test-deps windows
	@tools/install-deps.sh test
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake -S . -B $(BUILD) -DTUVORAN_WEB_TESTS=ON -DTUVORAN_WINDOWS_BUILD=$(CURDIR)/$(BUILD_WINDOWS) > /dev/null
	cmake --build $(BUILD) -j $(JOBS)
	tools/run-headless.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	@tools/install-deps.sh test
	@test -f $(BUILD_ASAN)/CMakeCache.txt || cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTUVORAN_SANITIZE=ON
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	tools/run-headless.sh ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

bench:
	@tools/install-deps.sh test
	@test -f $(BUILD_RELEASE)/CMakeCache.txt || cmake -S . -B $(BUILD_RELEASE) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_RELEASE) -j $(JOBS)
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

bench-web: web web-test-deps
	node bench/web/bench.mjs build-web

fuzz:
	@tools/install-deps.sh test
	@test -f $(BUILD_FUZZ)/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUVORAN_FUZZ=ON -DTUVORAN_TESTS=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target picture_fuzzer display_mode_fuzzer tuvoran-fuzz-corpus
	tools/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

video:
	@tools/install-deps.sh video
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-capture
	./$(BUILD)/tuvoran-capture --out tuvoran.mp4

# Debian's emscripten runs its tools with a node that does not look in Debian's module folder.
web:
	@tools/install-deps.sh web
	@test -f $(BUILD_WASM)/CMakeCache.txt || NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(BUILD_WASM) \
		-DCMAKE_BUILD_TYPE=Release -DTUVORAN_SITE_DIR=$(CURDIR)/build-web
	NODE_PATH=/usr/share/nodejs cmake --build $(BUILD_WASM) -j $(JOBS)

# Cross-built with Debian's mingw-w64; the zip is packed from the install rules, as the release's.
windows:
	@tools/install-deps.sh windows
	@test -f $(BUILD_WINDOWS)/CMakeCache.txt || cmake -S . -B $(BUILD_WINDOWS) \
		--toolchain platform/win32/toolchain.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_WINDOWS) -j $(JOBS)
	rm -f $(BUILD_WINDOWS)/tuvoran-*-windows-x64.zip
	tools/release.sh windows-zip $(BUILD_WINDOWS) $(BUILD_WINDOWS)
	@ls $(BUILD_WINDOWS)/tuvoran-*-windows-x64.zip

# Configures again so that a build folder made before LAME was installed finds it.
data:
	@tools/install-deps.sh data
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake -S . -B $(BUILD) > /dev/null
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-datagen
	./$(BUILD)/tools/tuvoran-datagen data $(BUILD)/data-contact-sheet.png

# After an intended change of the show: its expected frames again, and a sheet of old and new
# to review before committing them.
expectations:
	@tools/install-deps.sh test
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target tuvoran-capture tuvoran-expectations
	./$(BUILD)/tests/expected_frames/tuvoran-expectations ./$(BUILD)/tuvoran-capture \
		tests/expected_frames/expected-frames.png $(BUILD)/expectations $(BUILD)/expectations-review.png

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DBUILD_DIR=$(BUILD) -P tools/uninstall.cmake

# Packs what build/ has built, as the release does; the package's file list stays apart from
# make install's. One package at a time: its name has the commit in it.
package: build
	@tools/install-deps.sh package
	rm -f $(BUILD_PACKAGE)/tuvoran_*.deb
	tools/release.sh deb $(BUILD) $(BUILD_PACKAGE)
	lintian $(BUILD_PACKAGE)/tuvoran_*.deb

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

tidy: $(BUILD)/CMakeCache.txt
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

# The release: builds of its own in build-dist/, every artefact in dist/ (tools/release.sh).
.PHONY: release
release:
	@tools/install-deps.sh release
	tools/release.sh dist build-dist dist
