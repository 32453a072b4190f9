# The kit's two commands:
#   make demo   index, copy and search the sample articles in examples/
#   make test   build everything and run every test (also under ASan + UBSan,
#               and the threaded runs under TSan)
# Both install missing Debian packages first.

JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: all deps deps-base build demo test test-main test-asan test-tsan test-fuzz fuzz-build \
        fuzz-long test-windows windows bench clean package test-package check-layers

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

test: deps check-layers test-main test-asan test-tsan test-fuzz test-windows test-package

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

# The index run's second threads under ThreadSanitizer: the indexer's and the
# copier's tests (label "tsan"), then a real index run and copy run over the
# sample articles, and the copy run again over its copies (its look-ahead);
# any report fails (halt_on_error). gcc's TSan cannot place its shadow memory
# where the kernel randomises mmap addresses with more bits than it knows
# ("FATAL: ThreadSanitizer: unexpected memory mapping"), so the programs run
# with address randomisation off (setarch -R) where the system allows that.
TSAN_RUN = TSAN_OPTIONS=halt_on_error=1 $(shell setarch -R true 2>/dev/null && echo setarch -R)
TSAN_OUT = build-tsan/examples
test-tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKPX_SANITIZE_THREAD=ON -DKPX_BUILD_GUI=OFF
	cmake --build build-tsan -j $(JOBS) --target preproc_indexer_test preproc_copier_test tarvik
	cd build-tsan && $(TSAN_RUN) ctest --output-on-failure --no-tests=error -j $(JOBS) -L tsan
	rm -rf $(TSAN_OUT) && mkdir -p $(TSAN_OUT)
	$(TSAN_RUN) build-tsan/preproc/cli/tarvik index --html --listing examples/listing.txt \
	  --articles examples/articles --index $(TSAN_OUT)/index --log $(TSAN_OUT)/index.log
	$(TSAN_RUN) build-tsan/preproc/cli/tarvik copy --html --listing examples/listing.txt \
	  --articles examples/articles --copy $(TSAN_OUT)/copies --log $(TSAN_OUT)/copy.log
	$(TSAN_RUN) build-tsan/preproc/cli/tarvik copy --html --listing examples/listing.txt \
	  --articles examples/articles --copy $(TSAN_OUT)/copies --log $(TSAN_OUT)/copy.log

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
	rm -rf build build-asan build-tsan build-fuzz build-bench build-win32 build-win64 build-package-test examples/index examples/copies
