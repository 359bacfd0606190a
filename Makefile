# Thin wrapper over CMake: every real build rule lives in CMakeLists.txt.
#   make run     install missing packages, build (Release), start the typing tutor with $(ARGS):
#                the desktop tutor when a display is there (DISPLAY or WAYLAND_DISPLAY),
#                the terminal tutor tavro otherwise; make run-terminal and make run-desktop choose
#   make test    install missing packages, build, run every test
#   make test-sanitize   the same tests in an AddressSanitizer + UBSan build
#   make bench   build and run the benchmarks; JSON results in bench-results/
#   make fuzz    build the libFuzzer targets with clang into build/fuzz
#   make demo-update   build the installer and show one whole update on real files
#   make package   build the Debian packages (tavro, libtavro-dev) into build/package and check them

BUILD_DIR    ?= build/release
SANITIZE_DIR ?= build/sanitize
BENCH_DIR    ?= build/bench
FUZZ_DIR     ?= build/fuzz
PACKAGE_DIR  ?= build/package
JOBS         ?= $(shell nproc)
ARGS         ?=

.PHONY: all deps build run run-terminal run-desktop test test-sanitize bench fuzz demo-update package clean

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps $(BUILD_DIR)/build.ninja
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then $(MAKE) --no-print-directory run-desktop; \
	 else $(MAKE) --no-print-directory run-terminal; fi

run-terminal: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tavro
	$(BUILD_DIR)/TavroTerminal/tavro $(ARGS)

run-desktop: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tavro-desktop
	$(BUILD_DIR)/TavroDesktop/tavro-desktop $(ARGS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCHMARKS=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@mkdir -p bench-results
	@for program in $$(cat $(BENCH_DIR)/benchmark-programs.txt); do \
	  name=$$(basename $$program); \
	  echo "== $$name"; \
	  $(BENCH_DIR)/$$program --benchmark_out=bench-results/$$name.json --benchmark_out_format=json || exit 1; \
	done

fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTAVRO_WERROR=OFF -DTAVRO_SANITIZE=ON -DTAVRO_BUILD_TESTS=ON -DTAVRO_BUILD_FUZZERS=ON \
	  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target tavro_fuzzers

demo-update: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target TavroUpdateInstaller TavroUpdateInstallerStandInLauncher tavro-make-signing-identity
	scripts/demo-update $(BUILD_DIR)

# A tree of its own: the packaged installer must look for its tools in
# /usr/libexec/tavro, which a development tree does not compile in.
package: deps
	cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRO_BUILD_TESTS=OFF \
	  -DTAVRO_INSTALLED_LAYOUT=ON -DCMAKE_INSTALL_PREFIX=/usr
	rm -f $(PACKAGE_DIR)/*.deb
	cmake --build $(PACKAGE_DIR) -j $(JOBS) --target package
	tests/Packaging/check-package $(PACKAGE_DIR)

clean:
	rm -rf build bench-results
