# The README's commands. CMake and CTest do the work; this file only strings them together.
JOBS ?= $(shell nproc)

.PHONY: all deps deps-run deps-deb dev asan test run serve program bench clean librecad
.PHONY: librecad-headers librecad-screenshot deb format-check

# make test, make deb and CI (CI=true) build every part and run every test, or stop with the
# reason; other goals leave out what cannot be built here, saying how to get it.
REQUIRE_ALL := $(if $(filter true,$(CI))$(filter test deb,$(MAKECMDGOALS)),ON,OFF)

all: dev

deps:
	@bash scripts/install-deps.sh test

deps-run:
	@bash scripts/install-deps.sh run

deps-deb:
	@bash scripts/install-deps.sh deb

dev: deps librecad-headers
	cmake --preset dev -DVECTRIN_REQUIRE_ALL=$(REQUIRE_ALL)
	cmake --build --preset dev -j $(JOBS)

asan: deps librecad-headers
	cmake --preset asan -DVECTRIN_REQUIRE_ALL=$(REQUIRE_ALL)
	cmake --build --preset asan -j $(JOBS)

# The sources as .clang-format lays them out (scripts/checkFormat.sh --fix formats them).
format-check: deps
	bash scripts/checkFormat.sh

# Checks the sources' layout, builds both presets and runs every test under each (the dev
# preset's include the package check: both packages built, checked and installed into a
# throw-away root), installs the dev build into a temporary prefix and runs it from there, then the fuzz targets' smoke pass.
test: format-check dev asan
	ctest --preset dev -j $(JOBS)
	bash scripts/checkInstall.sh build
	ctest --preset asan -j $(JOBS)
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz -j $(JOBS)

# Only what a session at the terminal needs: its packages, and the target `program`: hostsim,
# vectrin.so in each language (with msgc for the catalogue), the demo drawing and the manual page.
# A fresh build folder is configured without the tests and the LibreCAD plug-in (the dev preset
# puts them back for `make dev`); one configured already is used as it is, and a build with
# nothing to do prints nothing.
run: program
	@./build/bin/hostsim

# The same and the serve part, then the session in a browser page (hostsim prints the URL).
serve: PROGRAM_TARGETS = program hostsimServePart
serve: program
	@./build/bin/hostsim --serve

# What a build with nothing to do prints (the first line where the tests are configured, as they
# glob for their transcripts) is left out; whatever else it prints, and its status, are kept.
PROGRAM_TARGETS = program
NOTHING_BUILT = -e '[0/2] Re-checking globbed directories...' -e 'ninja: no work to do.'
program: deps-run
	@[ -f build/build.ninja ] || cmake --preset dev -DVECTRIN_TESTS=OFF -DVECTRIN_LIBRECAD=OFF
	@bash -o pipefail -c "cmake --build --preset dev -j $(JOBS) --target $(PROGRAM_TARGETS) \
		| { grep -v -x -F $(NOTHING_BUILT) || true; }"

# LibreCAD's plug-in interface headers for the installed librecad, fetched from Debian's source
# package into a cache outside the repository (scripts/fetchLibrecadHeaders.sh says where). When
# they cannot be fetched, make test and CI stop with the reason; make dev goes on without the
# plug-in and says so.
librecad-headers: deps
	@bash scripts/fetchLibrecadHeaders.sh >/dev/null || { \
		[ $(REQUIRE_ALL) = OFF ] || { echo "LibreCAD's plug-in headers could not be fetched"; exit 1; }; \
		echo "LibreCAD's plug-in headers could not be fetched: the build leaves the plug-in out"; }

# vectrin in LibreCAD: installs LibreCAD and Qt's headers when missing, builds the plug-in and
# the modules, and installs them where LibreCAD looks for plug-ins (the modules in a folder
# vectrin beside the plug-in). Then: librecad drawing.dxf, and vcal at its command line.
LIBRECAD_PLUGIN_DIR ?= $(HOME)/.librecad/plugins
librecad:
	@bash scripts/install-deps.sh librecad
	@bash scripts/fetchLibrecadHeaders.sh >/dev/null
	cmake --preset dev -DVECTRIN_LIBRECAD=ON
	cmake --build --preset dev -j $(JOBS) --target vectrinLibrecad vectrin vectrinGerman
	mkdir -p "$(LIBRECAD_PLUGIN_DIR)/vectrin"
	install -m 644 build/bin/libvectrin_librecad.so "$(LIBRECAD_PLUGIN_DIR)/"
	install -m 644 build/bin/vectrin.so build/bin/vectrin.de.so "$(LIBRECAD_PLUGIN_DIR)/vectrin/"
	@echo "installed into $(LIBRECAD_PLUGIN_DIR): start librecad, then type vcal at its command line"

# The README's picture of vectrin in LibreCAD (docs/librecad.png), taken under Xvfb on a drawing
# of Debian's librecad-data.
librecad-screenshot:
	@bash scripts/install-deps.sh shots
	@bash scripts/fetchLibrecadHeaders.sh >/dev/null
	cmake --preset dev -DVECTRIN_LIBRECAD=ON
	cmake --build --preset dev -j $(JOBS) --target vectrinLibrecad vectrin
	/usr/bin/python3 scripts/librecadScreenshot.py build/bin/libvectrin_librecad.so \
		build/bin/vectrin.so /usr/share/librecad/library/misc/t-part.dxf build/librecadScreenshot \
		docs/librecad.png

# The speed suite in a release build of its own; prints its tables. Not part of test.
bench: deps
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	./build-bench/bin/vectrinBench
	./build-bench/bin/hostStartBench build-bench/bin/hostsim
	./build-bench/bin/pileBench

# The README's picture of the served page (docs/servedPage.png), taken by the page's browser
# test; the tests write theirs under build/.
.PHONY: screenshot page-timing
screenshot: dev
	/usr/bin/python3 tests/hostsim/serve/browserPage.py build/bin/hostsim build/bin/vectrin.so \
		tests/transcripts docs/servedPage.png
	rm -f docs/servedPageRad.png  # the test's second picture: the README shows one

# The served page on a drawing of 100,000 objects in headless Chromium: load and pan times.
page-timing: dev
	/usr/bin/python3 bench/pageTiming.py build/bin/hostsim build/bin/vectrin.so build/pageTiming

# libFuzzer targets (clang++): `make fuzz FUZZ_SECONDS=600` runs each for that long, one at a time.
FUZZ_SECONDS ?= 60
.PHONY: fuzz-build fuzz soak

fuzz-build: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)

fuzz: fuzz-build
	bash fuzz/runFuzzers.sh build-fuzz/bin $(FUZZ_SECONDS)

# The long runs: a million evaluations with memory sampled, ten thousand under valgrind, and a
# thousand loads and unloads of the module.
soak: dev
	python3 tests/transcripts/longSoak.py build/bin/hostsim build/bin/vectrin.so build/soak

# The Debian packages vectrin and vectrin-librecad, from a release build of their own
# (build-package/, CPack's DEB generator), copied here in place of any made before; then
# apt-get install ./vectrin_*.deb ./vectrin-librecad_*.deb installs them.
deb: deps-deb
	@bash scripts/fetchLibrecadHeaders.sh >/dev/null
	cmake --preset package
	cmake --build --preset package -j $(JOBS)
	rm -f build-package/*.deb
	cpack --preset package
	rm -f vectrin_*.deb vectrin-librecad_*.deb
	cp build-package/*.deb .
	@echo "made $$(echo *.deb): apt-get install ./vectrin_*.deb ./vectrin-librecad_*.deb installs them"

clean:
	rm -rf build build-asan build-fuzz build-bench build-package
