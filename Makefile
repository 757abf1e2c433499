# Entry points: `make demo` runs the demo, `make test` builds and runs every test.
# Both install the Debian packages they need first.

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
CMAKE_GEN := -G Ninja

.PHONY: all deps build demo test test-main test-asan test-tsan fuzz bench package clean

all: build

deps:
	@./scripts/ensure-packages.sh

build: deps
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$(JOBS)

demo: build
	@./scripts/demo.sh

test: test-main test-asan test-tsan fuzz

# Every test normally takes seconds: a per-test bound turns a hang into a quick failure instead of
# using up the whole CI run. A test that needs longer sets its own TIMEOUT property.
TEST_TIMEOUT ?= 60
SANITIZED_TEST_TIMEOUT ?= 180

# The package test runs lintian on the package.
test-main: build
	@./scripts/ensure-packages.sh lintian
	ctest --test-dir build --output-on-failure -j$(JOBS) --timeout $(TEST_TIMEOUT)

# The library (and the server that links it) under AddressSanitizer + UBSan, with the client's
# tear-down while its uploads run; then the library and the server under ThreadSanitizer.
test-asan: deps
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTESS_SANITIZER=address \
	    -DTESS_BUILD_CLIENT=ON -DTESS_BUILD_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	ctest --test-dir build-asan --output-on-failure -j$(JOBS) --timeout $(SANITIZED_TEST_TIMEOUT)

test-tsan: deps
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTESS_SANITIZER=thread \
	    -DTESS_BUILD_CLIENT=OFF -DTESS_BUILD_BENCH=OFF
	cmake --build build-tsan -j$(JOBS)
	ctest --test-dir build-tsan --output-on-failure -j$(JOBS) --timeout $(SANITIZED_TEST_TIMEOUT)

# Each libFuzzer target for a short, fixed time.
fuzz: deps
	cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESS_FUZZ=ON \
	    -DTESS_BUILD_CLIENT=OFF -DTESS_BUILD_SERVER=OFF -DTESS_BUILD_BENCH=OFF -DBUILD_TESTING=OFF
	cmake --build build-fuzz -j$(JOBS) --target fuzzers
	./scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	./scripts/bench.sh

# The client's Debian package, build/tessan_<version>_<arch>.deb.
package: build
	cd build && cpack -G DEB

clean:
	rm -rf build build-asan build-tsan build-fuzz
