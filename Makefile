# The README's commands. CMake and CTest do the work; this file only strings them together.
JOBS ?= $(shell nproc)

.PHONY: all deps dev asan test run clean

all: dev

deps:
	@bash scripts/install-deps.sh

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)

# Builds both presets from nothing and runs every test under each.
test: dev asan
	ctest --preset dev -j $(JOBS)
	ctest --preset asan -j $(JOBS)

run: dev
	./build/bin/hostsim

clean:
	rm -rf build build-asan
