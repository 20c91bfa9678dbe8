# Thin wrapper around CMake so that the usual commands work from the top.
BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# Fuzzing: seconds per target, and the clang build the targets need.
FUZZ_TIME ?= 60
FUZZ_BUILD ?= build-fuzz
FUZZ_CXX ?= clang++
# Demo: the instance shown (see examples/run-demo.sh); the files go to BUILD/demo.
DEMO_INSTANCE ?=
# Benchmark: sizes of the generated inputs in MB (each made once, removed after).
BENCH_SIZES ?= 10 100 1000

.PHONY: all build test demo install clean fuzz fuzz-build bench

all: build

build:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@sh examples/run-demo.sh $(BUILD)/kestrove $(BUILD)/demo $(DEMO_INSTANCE)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)

fuzz-build:
	cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Each reader's target for FUZZ_TIME seconds, one after the other.
fuzz: fuzz-build
	python3 fuzz/run_fuzz.py $(FUZZ_BUILD) --time $(FUZZ_TIME)

# Whole-process timing and peak memory of dd, cp, a pass-through and a remap run.
bench: build
	python3 bench/run_bench.py $(BUILD)/kestrove $(BUILD)/bench --sizes "$(BENCH_SIZES)"
