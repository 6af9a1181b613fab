# Tindral's entry points. Each target does its own set-up and can be run again.
#   make run    build, then start the program (or render the default picture)
#   make test   build, then run every test suite of every configuration
#   make build  native, win32 and win64 builds into build/<config>/bin
#   make deps   install the Debian packages the build and the tests need
#   make fuzz   run the bitmap-reader fuzzers (FUZZ_SECONDS, default 600)
#   make bench  the generator benchmark
SHELL := /bin/bash
CONFIGS := native win32 win64
FUZZ_SECONDS ?= 600

.PHONY: all deps build test run fuzz bench clean $(CONFIGS:%=build-%)

all: build

deps:
	@tools/install-deps

build: deps $(CONFIGS:%=build-%)

build-native:
	@cmake -S . -B build/native -G Ninja --log-level=WARNING
	@cmake --build build/native

build-win32:
	@cmake -S . -B build/win32 -G Ninja --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake
	@cmake --build build/win32

build-win64:
	@cmake -S . -B build/win64 -G Ninja --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
	@cmake --build build/win64

test: build
	@tools/run-tests

# Only what it runs: the program itself, and the renderer for a machine
# without a display.
run: deps
	@cmake -S . -B build/native -G Ninja --log-level=WARNING
	@cmake --build build/native --target tindral-render
	@cmake -S . -B build/win64 -G Ninja --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
	@cmake --build build/win64 --target Tindral
	@tools/run-program

fuzz: deps
	@tools/fuzz $(FUZZ_SECONDS)

bench: build-native
	@build/native/bin/tindral-bench

clean:
	rm -rf build
