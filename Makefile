# Kalimo: the two set-up commands are `make run` and `make test`.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 30

.PHONY: run test build deps bench fuzz demo-tree clean test-sanitize package

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The program runs on a copy of demo/ in the build tree, so running it never changes the repository.
demo-tree: build
	@bash scripts/sync-demo $(BUILD)

run: demo-tree
	$(BUILD)/kalimo --installation $(BUILD)/demo

test: demo-tree
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

# A Debian package of the program with the demo installation as its default installation:
# build/kalimo_<version>_<arch>.deb, installed with `apt install ./build/kalimo_*.deb`.
package: build
	cd $(BUILD) && cpack -G DEB

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALIMO_BENCH=ON -DKALIMO_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)
	@bash scripts/sync-demo $(BUILD)-bench
	mkdir -p $(BUILD)
	QT_QPA_PLATFORM=offscreen $(BUILD)-bench/bench/kalimo_bench --benchmark_out=$(BUILD)/bench.json --benchmark_out_format=json
	@if [ -x scripts/bench-extra ]; then scripts/bench-extra $(BUILD)-bench $(BUILD)/bench.json; fi

# Every test under AddressSanitizer and UndefinedBehaviorSanitizer in a build of its own; any report
# fails its test. Leaks inside system libraries are suppressed by tests/sanitizers/lsan.supp.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALIMO_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	@bash scripts/sync-demo $(BUILD)-sanitize
	cd $(BUILD)-sanitize && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
	  ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:check_initialization_order=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 1800

fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALIMO_FUZZ=ON -DKALIMO_TESTS=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(basename $(notdir $(wildcard fuzz/fuzz_*.cpp)))
	@bash scripts/run-fuzzers $(BUILD)-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz
