# Tindral's entry points. Each target does its own set-up and can be run again.
#   make run    build, then start the program (or render the default picture)
#   make test   build, then run every test suite of every configuration
#   make build  native, win32 and win64 builds into build/<config>/bin
#   make deps   install the Debian packages the build and the tests need
#   make fuzz   run the fuzzers (FUZZ_SECONDS, default 600)
#   make bench  the generator benchmark
#   make screenshot  the README's picture of the program at work
#   make gallery     the README's gallery of pictures, rendered again
#   make release     the Windows builds, then dist/: a zip of each and an installer
SHELL := /bin/bash
CONFIGS := native win32 win64
FUZZ_SECONDS ?= 600

.PHONY: all deps build test run fuzz bench screenshot gallery release clean $(CONFIGS:%=build-%)

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

# The GUI tests' showcase on a private display of a desktop's size, which
# the program's window fills; its colours fit one PNG palette.
SCREENSHOT := docs/screenshot.png
screenshot: deps
	@cmake -S . -B build/win64 -G Ninja --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
	@cmake --build build/win64 --target tindral_gui_tests
	@TINDRAL_SCREEN=1440x900 tests/gui/run-gui-test 24 build/gui-wine-prefix build/win64/bin/tindral_gui_tests.exe \
	  showcase screen=$(CURDIR)/build/win64/screen.bmp
	@mkdir -p $(dir $(SCREENSHOT))
	@convert build/win64/screen.bmp -alpha off -colors 256 -define png:exclude-chunks=date,time -strip \
	  PNG8:$(SCREENSHOT)
	@echo "screenshot: $(SCREENSHOT)"

# The README's gallery, rendered by the native tindral-render.
gallery: deps
	@cmake -S . -B build/native -G Ninja --log-level=WARNING
	@cmake --build build/native --target tindral-render
	@tools/make-gallery

# Only the program and the renderer of each Windows build, then the packing.
release: deps
	@cmake -S . -B build/win32 -G Ninja --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake
	@cmake --build build/win32 --target Tindral tindral-render
	@cmake -S . -B build/win64 -G Ninja --log-level=WARNING -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
	@cmake --build build/win64 --target Tindral tindral-render
	@tools/make-release dist

clean:
	rm -rf build dist
