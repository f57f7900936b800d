# make run    set up, build and start the window
# make test   set up, build and run every test, then the same tests in a sanitizer build
# make bench  set up, build and run the benchmarks
# make package  build the Debian package build/vanto-remote-manager_VERSION_ARCH.deb
# make fuzz-run  build the fuzz targets with clang and run each for 30 s
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
GEN := -G Ninja

.PHONY: all setup build run test test-unit test-asan package package-test bench fuzz fuzz-run \
	screenshots format clean install

all: build

setup:
	@./scripts/setup-deps.sh

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/vanto-remote-manager

test-unit: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DVANTO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
		UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS) -LE slow

# The package: built with CPack in the build folder (dependencies by dpkg-shlibdeps).
package: build
	cd $(BUILD) && cpack -G DEB

# Builds the package and checks its files, control fields, packaged binary and validators.
package-test: build
	./scripts/package-test.sh $(BUILD)

test: test-unit test-asan package-test

bench: setup
	./scripts/setup-deps.sh --bench
	cmake -S . -B $(BENCH_BUILD) $(GEN) -DCMAKE_BUILD_TYPE=Release -DVANTO_BUILD_BENCH=ON -DVANTO_BUILD_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	./scripts/run-benchmarks.sh $(BENCH_BUILD)

fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVANTO_BUILD_FUZZ=ON -DVANTO_BUILD_APP=OFF -DVANTO_BUILD_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS (30) each.
fuzz-run: fuzz
	./scripts/run-fuzzers.sh build-fuzz

screenshots: build
	./scripts/screenshots.sh $(BUILD)

install: build
	cmake --install $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) build-fuzz
