# The two everyday commands: `make demo` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build build-asan demo docs bench test test-normal test-asan test-fuzz fuzz \
	fuzz-long clean

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
	mkdir -p docs/walkthrough
	OC_WALKTHROUGH_DIR=docs/walkthrough QT_QPA_PLATFORM=offscreen ./build/bin/tst_walkthrough

# bench_instances runs server programs on a throwaway PostgreSQL cluster of its own.
bench: build
	./build/bin/bench_checkengine
	./build/bin/bench_panel
	./build/bin/bench_server
	./build/bin/bench_zones
	./build/bin/bench_feeds
	./scripts/with-postgres ./build/bin/bench_instances

# Each test run gets a throwaway PostgreSQL cluster of its own (scripts/with-postgres).
test-normal: build
	cd build && ../scripts/with-postgres ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build-asan && ../scripts/with-postgres ctest --output-on-failure -j $(JOBS)

# The fuzz targets (one a folder of fuzz/corpus/) are built with clang and each
# run a while, two at a time, on a scratch copy of its corpus, so that the fuzz
# build stays buildable; a finding fails.
FUZZ_SECONDS ?= 10
test-fuzz: fuzz
	./scripts/fuzz-run --each $(FUZZ_SECONDS) --jobs 2

# Every fuzz target one after another, FUZZ_LONG_MINUTES in all, each stopping
# at 10 million executions; the table of figures lands in build-fuzz/fuzz-long.md.
FUZZ_LONG_MINUTES ?= 60
fuzz-long: fuzz
	./scripts/fuzz-run --total $$(( $(FUZZ_LONG_MINUTES) * 60 )) --runs 10000000 \
	    --summary build-fuzz/fuzz-long.md

test: test-normal test-asan test-fuzz

fuzz:
	@./scripts/install-deps.sh fuzz
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOC_FUZZ=ON \
	    -DOC_BUILD_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf build build-asan build-fuzz
