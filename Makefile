# Candy Cane Arena: the two everyday commands and a few helpers.
#   make run     install what is missing, build in Release, start the game
#   make test    install what is missing, build with warnings as errors, run every test
#   make tsan    the audio and system tests under ThreadSanitizer
#   make asan    every test under AddressSanitizer, LeakSanitizer and UBSan
#   make bench   build and run the benchmarks
#   make assets  remake every file in assets/ from assets/src/
#   make soak    the autopilot for an hour of game time on each of seeds 1-10, headless
#   make watch   the autopilot playing in the real window
#   make deb     build-release/candycane-arena_<version>_<arch>.deb, checked with lintian and
#                hardening-check
#   make deb-test      the .deb installed and started on a fresh Debian 12 and a fresh Debian 13
#   make dist    the .deb and build-windows/candycane-arena-windows-x86_64.zip
#   make windows       cross-build build-windows/candycane-arena.exe for 64-bit Windows
#   make windows-test  the Windows build's tests, run under Wine
#   make web-deps      the libraries of the web build, built with Emscripten into the cache
#   make web       build-web/: the game as a web page (index.html, .js, .wasm), with Emscripten
#   make web-test  the unit tests under node, then the page end to end in headless Chromium
#   make web-bench the main thread's work per frame in headless Chromium, for both renderers
#   make web-profile  a CPU profile of the main thread through the crowded field, by function
#   make web-load  navigation to the first menu frame on a phone's network and a good one
#   make web-tasks the page's start-up tasks on the main thread, with their busiest functions
#   make web-lighthouse  Lighthouse's scores and core metrics for the page, mobile and desktop
#   make web-serve serves build-web/ on http://127.0.0.1:8080/ as a static host does

JOBS ?= $(shell nproc)
CTEST_ARGS ?=
# Tests that need a display get a virtual one when none is set.
WITH_DISPLAY = $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")

.PHONY: run test build-release build-test tsan asan bench assets clean build-runner soak watch fuzz \
	windows windows-test windows-configure deb deb-test dist web-deps web web-configure web-test web-bench \
	web-serve web-profile web-load web-tasks web-lighthouse

run: build-release
	./build-release/game/candycane-arena

build-release:
	tools/install-deps.sh run
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCCA_TESTS=OFF
	cmake --build build-release -j $(JOBS) --target candycane-arena

build-test:
	tools/install-deps.sh test
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCCA_WERROR=ON
	cmake --build build -j $(JOBS)

test: build-test
	cd build && $(WITH_DISPLAY) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

tsan:
	tools/install-deps.sh test
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCCA_WERROR=ON -DCCA_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS) --target test_audio test_audio_output test_system
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R '^(Audio|Mixer|Sample|Sound|Clock)' $(CTEST_ARGS)

# A sanitizer report of any kind fails the test it came from. The leaks of system libraries
# we cannot fix are listed, with reasons, in tools/lsan.supp.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

asan:
	tools/install-deps.sh test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCCA_WERROR=ON -DCCA_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && $(WITH_DISPLAY) env $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

bench:
	tools/install-deps.sh bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DCCA_TESTS=OFF -DCCA_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	# bench_gl_floor draws until it is killed: bench_startup runs it.
	cd build-bench && $(WITH_DISPLAY) sh -c 'for b in bench/bench_*; do [ "$$b" = bench/bench_gl_floor ] && continue; [ -x "$$b" ] && "$$b"; done; ../bench/memory_owners.sh'

assets:
	tools/make-assets.sh

# Every libFuzzer target for FUZZ_SECONDS seconds (default 30), built with clang in
# build-fuzz; fails on any crash, leak, time-out or memory blow-up.
fuzz:
	tools/install-deps.sh fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) tools/run-fuzzers.sh

# The simulation runner, built beside the game in the Release tree.
build-runner:
	tools/install-deps.sh run
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCCA_TESTS=OFF
	cmake --build build-release -j $(JOBS) --target candycane-sim

soak: build-runner
	./build-release/sim/candycane-sim --seeds 1-10 --minutes 60 --soak --table

watch: build-runner
	./build-release/sim/candycane-sim --watch

# The libraries other targets build from Debian's source packages are kept outside the work
# tree, one folder a target, so every clone on the machine (and CI) builds them only once.
DEPS_CACHE ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/candycane-arena

# The Windows build: the libraries cross-built once into the cache, then the game, the tests
# and the benchmarks against them.
WINDOWS_PREFIX = $(DEPS_CACHE)/windows/prefix

# The web build's libraries, built with Debian's Emscripten into the cache.
WEB_PREFIX = $(DEPS_CACHE)/web/prefix

web-deps:
	tools/install-deps.sh web
	JOBS=$(JOBS) packaging/web/build-deps.sh $(DEPS_CACHE)/web

windows-configure:
	tools/install-deps.sh windows
	packaging/windows/build-deps.sh $(DEPS_CACHE)/windows
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=packaging/windows/mingw-toolchain.cmake \
	      -DCCA_WINDOWS_PREFIX=$(WINDOWS_PREFIX) -DCMAKE_BUILD_TYPE=Release -DCCA_WERROR=ON \
	      -DCCA_BENCH=ON

windows: windows-configure
	cmake --build build-windows -j $(JOBS) --target candycane-arena
	@ls -l build-windows/candycane-arena.exe

windows-test: windows-configure
	cmake --build build-windows -j $(JOBS)
	$(WITH_DISPLAY) packaging/windows/wine-tests.sh build-windows --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The Debian package, made by CPack from the Release tree (cmake/Packaging.cmake); lintian
# must find no error in it, and hardening-check must find the packaged game hardened
# (cmake/Hardening.cmake). Its control-flow check is left out: Debian 12's C start files
# (Scrt1.o, crti.o, crtn.o) carry no CET marking, so no program linked with them has it.
# make deb-test installs the package on a fresh Debian 12 and 13 (packaging/debian/test-install.sh).
deb:
	tools/install-deps.sh package
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCCA_TESTS=OFF
	cmake --build build-release -j $(JOBS)
	cd build-release && cpack -G DEB && lintian --display-info --fail-on error candycane-arena_*.deb
	cd build-release && rm -rf deb-contents && dpkg-deb -x candycane-arena_*.deb deb-contents && \
	  hardening-check --nocfprotection deb-contents/usr/games/candycane-arena

deb-test: deb
	packaging/debian/test-install.sh build-release/candycane-arena_*.deb bookworm
	packaging/debian/test-install.sh build-release/candycane-arena_*.deb trixie

dist: windows deb
	packaging/windows/make-zip.sh build-windows $(DEPS_CACHE)/windows

# The web build: CMake's tree is build-wasm/; the page and its two files land in build-web/,
# which holds nothing else.
EMCMAKE = env NODE_PATH=/usr/share/nodejs emcmake
WEB_PORT ?= 8080

web-configure: web-deps
	$(EMCMAKE) cmake -S . -B build-wasm -DCMAKE_BUILD_TYPE=Release -DCCA_WERROR=ON \
	      -DCCA_WEB_PREFIX=$(WEB_PREFIX) -DCCA_WEB_PAGE_DIR=$(CURDIR)/build-web -DCCA_BENCH=ON

web: web-configure
	env NODE_PATH=/usr/share/nodejs cmake --build build-wasm -j $(JOBS) --target candycane-arena
	@ls -l build-web

web-test: web-configure
	env NODE_PATH=/usr/share/nodejs cmake --build build-wasm -j $(JOBS)
	cd build-wasm && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)
	tests/web/run.sh build-web

# The main thread's work per frame in headless Chromium, batching renderer against the
# emulated OpenGL 1.1 one (bench/web_frames.cpp).
web-bench: web-configure
	env NODE_PATH=/usr/share/nodejs cmake --build build-wasm -j $(JOBS) \
	    --target bench_web_frames bench_web_frames_legacy
	tests/web/run.sh --install-only
	node bench/web_frames.mjs build-wasm/bench-page

# The main thread's CPU profile through the crowded field, from a build that keeps the wasm's
# function names (bench/web_profile.mjs); the profile lands in build-wasm/crowd.cpuprofile.
web-profile: web-configure
	env NODE_PATH=/usr/share/nodejs cmake --build build-wasm -j $(JOBS) --target bench_web_frames_profile
	tests/web/run.sh --install-only
	node bench/web_profile.mjs build-wasm/bench-page build-wasm/crowd.cpuprofile

# Navigation to the first title-menu frame with a cold cache, gzip-compressed, on Lighthouse's
# mobile network and CPU and on a good connection, three runs each (bench/web_load.mjs).
web-load: web
	tests/web/run.sh --install-only
	node bench/web_load.mjs build-web

# The page's start-up task by task, from a trace of headless Chromium, on the page built with
# its functions' names (bench/web_tasks.mjs); WEB_TASKS_FLAGS=--lighthouse takes the trace of
# Lighthouse's own mobile run instead.
web-tasks: web-configure
	env NODE_PATH=/usr/share/nodejs cmake --build build-wasm -j $(JOBS) --target candycane-arena-names
	tests/web/run.sh --install-only
	$(if $(findstring --lighthouse,$(WEB_TASKS_FLAGS)),$(LIGHTHOUSE_INSTALL))
	node bench/web_tasks.mjs $(WEB_TASKS_FLAGS) build-wasm/page-names

# Lighthouse, pinned in bench/lighthouse/package-lock.json, three runs of each preset against
# the page as web-serve serves it.
LIGHTHOUSE_INSTALL = cd bench/lighthouse && if ! cmp -s package-lock.json \
    node_modules/.installed-from-lock.json; then npm ci --no-audit --no-fund && \
    cp package-lock.json node_modules/.installed-from-lock.json; fi
web-lighthouse: web
	$(LIGHTHOUSE_INSTALL)
	node bench/lighthouse/run.mjs build-web

# The page as a static host serves it: the precompressed copies, the types, the cache rules.
web-serve: web
	node packaging/web/serve.mjs build-web $(WEB_PORT)

clean:
	rm -rf build build-release build-tsan build-asan build-bench build-fuzz build-windows \
	       build-wasm build-web build-debian
