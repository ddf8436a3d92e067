# Thin wrapper around CMake: `make run` plays the show, `make test` runs the suites.
BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ARGS    ?=
BENCH_BUILD ?= build-release
BENCH_ARGS  ?=

.PHONY: all deps configure build run test bench install clean fuzz sanitize package fresh-check \
  web web-serve web-test

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/vuxa $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Benchmarks in an optimised build of their own; writes bench/results.md.
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVUXA_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target vuxa vuxa_bench vuxa_show_bench vuxa_raster_bench
	bench/results.sh $(BENCH_BUILD) $(BENCH_ARGS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX),)

clean:
	rm -rf $(BUILD)

# The Debian package $(BUILD)/vuxa_<version>_amd64.deb (CPack), then lintian,
# which fails the target on an error and lists its warnings.
package: build
	rm -f $(BUILD)/vuxa_*.deb
	cd $(BUILD) && cpack
	lintian $(BUILD)/vuxa_*_amd64.deb

# The README's first steps and the package on a bare Debian 12 root (debootstrap).
fresh-check:
	scripts/fresh-check

# Hard inputs: the libFuzzer targets of fuzz/ (clang, ASan + UBSan), each for
# FUZZ_SECONDS, two at a time; FUZZ_TARGETS picks some (pcx scene bmp module options).
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz $(FUZZ_TARGETS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_BUILD ?= build-sanitize
# SDL's offscreen video driver would load Mesa's EGL, whose allocations leak
# when SDL unloads it again (unnamed, so no suppression can match them); no
# test needs OpenGL, so EGL is pointed at a library that does not exist.
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
  SDL_VIDEO_EGL_DRIVER=none
sanitize: deps
	@[ -f $(SANITIZE_BUILD)/CMakeCache.txt ] || \
	  cmake -S . -B $(SANITIZE_BUILD) -DVUXA_SANITIZE=ON -DVUXA_BENCH=OFF $(CMAKE_FLAGS)
	$(SANITIZE_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The show in a web browser: a static site in $(WEB)/site (index.html, vuxa.js,
# vuxa.wasm, vuxa.data). scripts/web-deps installs Emscripten and Chromium and
# builds FreeType and libopenmpt from Debian's source packages once, into
# $(WEB)/cache; the data and the font file come from the desktop build.
WEB      ?= build-web
WEB_PORT ?= 8013
export NODE_PATH = /usr/share/nodejs
web: configure
	WEB=$(WEB) scripts/web-deps
	cmake --build $(BUILD) -j $(JOBS) --target data fontfile vuxa
	@[ -f $(WEB)/cmake/CMakeCache.txt ] || emcmake cmake -S . -B $(WEB)/cmake \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/node \
	  -DVUXA_WEB_PREFIX=$(CURDIR)/$(WEB)/cache/prefix -DVUXA_WEB_SITE=$(CURDIR)/$(WEB)/site \
	  -DVUXA_WEB_DATA=$(CURDIR)/$(BUILD)/data -DVUXA_WEB_FONT=$$($(BUILD)/fontfile Tahoma 700)
	cmake -S . -B $(WEB)/cmake -DVUXA_WEB_DATA=$(CURDIR)/$(BUILD)/data \
	  -DVUXA_WEB_FONT=$$($(BUILD)/fontfile Tahoma 700)
	cmake --build $(WEB)/cmake -j $(JOBS) --target vuxa
	@ls -l $(WEB)/site

# Serves the site on this machine only, with Python's web server.
web-serve:
	@echo "vuxa: http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops the server)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB)/site

# The site in headless Chromium against the desktop program's capture.
web-test: web
	WEB=$(WEB) BUILD=$(BUILD) node tests/web/web_test.cjs
