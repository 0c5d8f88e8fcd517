# The two everyday commands: `make demo` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build build-asan demo docs bench test test-normal test-asan test-fuzz fuzz clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DOC_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build build-asan -j $(JOBS)

demo: build
	./scripts/demo.sh

docs: build
	./build/tools/render-docs docs

bench: build
	./build/bin/bench_checkengine
	./build/bin/bench_panel
	./build/bin/bench_server
	./build/bin/bench_zones

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# The readers' fuzz target is built with clang and run a while on a scratch
# copy of its corpus, so that the fuzz build stays buildable; a finding fails.
FUZZ_SECONDS ?= 30
test-fuzz: fuzz
	rm -rf build-fuzz/run-corpus && cp -r fuzz/corpus build-fuzz/run-corpus
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp QT_QPA_PLATFORM=offscreen \
	    ./build-fuzz/bin/fuzz_readers -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	    -timeout=10 -artifact_prefix=build-fuzz/ build-fuzz/run-corpus

test: test-normal test-asan test-fuzz

fuzz:
	@./scripts/install-deps.sh fuzz
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOC_FUZZ=ON \
	    -DOC_BUILD_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf build build-asan build-fuzz
