# make run: install dependencies, build, start the daemon.
# make test: install dependencies, build, run every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test sanitize fuzz fuzz-build bench package clean

all: build

deps:
	@bash scripts/deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/vnd

test: build
	cd $(BUILD) && ctest --output-on-failure

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B build-sanitize -G Ninja -DTN_SANITIZE=ON -DTN_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS seconds (60 by default).
fuzz: fuzz-build
	bash scripts/fuzz.sh build-fuzz $${FUZZ_SECONDS:-60}

bench: build
	bash scripts/bench.sh $(BUILD)

# A Debian package of the library, headers, vnd and the tools (in build/).
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build build-sanitize build-fuzz
