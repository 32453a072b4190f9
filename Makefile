# The kit's two commands:
#   make demo   index, copy and search the sample articles in examples/
#   make test   build everything and run every test (also under ASan + UBSan)
# Both install missing Debian packages first.

JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: all deps deps-base build demo test test-main test-asan test-fuzz fuzz-build fuzz-long \
        test-windows windows bench clean package test-package check-layers

all: build

deps:
	./scripts/install-deps.sh all

deps-base:
	./scripts/install-deps.sh base

build: deps-base
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./scripts/demo.sh $(BUILD)

test: deps check-layers test-main test-asan test-fuzz test-windows test-package

# No include climbs a layer (README, "Layout").
check-layers:
	./scripts/check-layers.sh

test-main:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The sanitizer build runs the same tests without the desktop form.
test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKPX_SANITIZE=ON -DKPX_BUILD_GUI=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# Fuzz targets, built with clang, run briefly as a regression check.
test-fuzz: fuzz-build
	cd build-fuzz && ctest --output-on-failure -L fuzz

fuzz-build:
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug \
	  -DKPX_FUZZ=ON -DKPX_BUILD_GUI=OFF -DKPX_BUILD_TESTS=ON
	cmake --build build-fuzz -j $(JOBS) --target kpx_fuzz_targets

# Every fuzz target for 10^6 executions (README, "Fuzzing"); takes minutes.
fuzz-long: deps fuzz-build
	cd build-fuzz && ctest --output-on-failure -L soak

# Windows builds of both deliverables (mingw-w64 cross compilers): build-win32
# (the shipped 32-bit KPXSearch.x32, tarvik.exe, kpxsearch.exe, kpxdump.exe and
# the unit tests) and build-win64 (tarvik.exe, KPXSearch.x32, kpxsearch.exe).
# test-windows runs them under Wine (32-bit Wine for build-win32) against $(BUILD).
windows: deps
	JOBS=$(JOBS) ./scripts/windows-build.sh

test-windows:
	JOBS=$(JOBS) ./scripts/windows-test.sh $(BUILD)

# The Debian package ($(BUILD)/harbour-search-kit_VERSION_ARCH.deb), the
# Windows zip (build-win32/harbour-search-kit-VERSION-win32.zip) and the Windows
# installer (build-win32/harbour-search-kit-VERSION-win32-setup.exe), with CPack.
package: deps
	JOBS=$(JOBS) ./scripts/package.sh $(BUILD) build-win32

# make package on a fresh clone, lintian, the unpacked .deb, the zip and the
# installer under Wine.
test-package:
	JOBS=$(JOBS) ./scripts/package-test.sh

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKPX_BUILD_BENCH=ON -DKPX_BUILD_TESTS=OFF -DKPX_BUILD_GUI=OFF
	cmake --build build-bench -j $(JOBS)
	./bench/run.sh build-bench

clean:
	rm -rf build build-asan build-fuzz build-bench build-win32 build-win64 build-package-test examples/index examples/copies
