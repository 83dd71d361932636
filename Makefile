# Entry points: `make demo` and `make check` (see README.md).
JOBS ?= $(shell nproc)
# Build trees; each can be overridden, e.g. `make NATIVE=build/mine test-native`.
NATIVE ?= build/native
SANITIZE ?= build/sanitize
WIN32 ?= build/win32
WIN64 ?= build/win64
DIST_BUILD ?= build/dist
FUZZ_SECONDS ?= 20
# The native test run writes the references that Windows-side tests compare with.
REFERENCE = $(abspath $(NATIVE))/tests/virn/virn_reference.txt

.PHONY: all demo check bootstrap native sanitize win32 win64 test-native \
        test-sanitize test-windows test-windows-win32 test-windows-win64 test-windows-none \
        test-win32 test-win64 fuzz-smoke bench screenshots dist format clean

all: native win32

bootstrap:
	@scripts/bootstrap

$(NATIVE)/CMakeCache.txt:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release -DVIRN_BENCH=ON

$(SANITIZE)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug \
	  -DVIRN_SANITIZE=ON -DVIRN_FUZZ=ON

$(WIN32)/CMakeCache.txt:
	cmake -S . -B $(WIN32) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DVIRN_NATIVE_REFERENCE=$(REFERENCE)

$(WIN64)/CMakeCache.txt:
	cmake -S . -B $(WIN64) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake -DVIRN_NATIVE_REFERENCE=$(REFERENCE)

native: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)

sanitize: $(SANITIZE)/CMakeCache.txt
	cmake --build $(SANITIZE) -j $(JOBS)

win32: $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)

win64: $(WIN64)/CMakeCache.txt
	cmake --build $(WIN64) -j $(JOBS)

# The main job: extract the bundled example module to WAV files, then list it.
demo: bootstrap native
	$(NATIVE)/examples/make-examples $(NATIVE)/examples
	$(NATIVE)/cli/virn-grab extract -o out/demo $(NATIVE)/examples/demo.it
	$(NATIVE)/cli/virn-grab list $(NATIVE)/examples/demo.it

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

test-sanitize: sanitize
	cd $(SANITIZE) && ctest --output-on-failure -j $(JOBS)

# Windows-side tests. The deliverables are 32-bit and always built and checked (PE32 export
# and import tables, natively). Their tests run under 32-bit Wine where this kernel runs
# 32-bit programs; elsewhere the same code and tests are built for x86_64 and run under
# 64-bit Wine. scripts/wine-kind decides; WINDOWS_TESTS=win64 (or `make test-win64`) takes
# the 64-bit road anyway. No Wine at all fails the run, loudly: bootstrap installs it.
# The native tests come first: they write the references the Windows tests compare with.
test-windows:
	@$(MAKE) --no-print-directory test-windows-$$(scripts/wine-kind)

test-win32: test-windows

test-win64:
	@WINDOWS_TESTS=win64 $(MAKE) --no-print-directory test-windows

test-windows-win32: win32 test-native
	@scripts/banner "Windows tests: 32-bit build under 32-bit Wine"
	@cd $(WIN32) && ctest --output-on-failure -j $(JOBS); status=$$?; \
	  $(CURDIR)/scripts/banner "Windows tests: 32-bit build under 32-bit Wine:" \
	    "$$([ $$status = 0 ] && echo passed || echo FAILED)"; exit $$status

test-windows-win64: win32 win64 test-native
	@scripts/banner "Windows tests: 64-bit build under 64-bit Wine ($$(scripts/wine-kind --reason))"
	cd $(WIN32) && ctest --output-on-failure -L pe-interface
	@cd $(WIN64) && ctest --output-on-failure -j $(JOBS); status=$$?; \
	  $(CURDIR)/scripts/banner \
	    "Windows tests: 64-bit build under 64-bit Wine ($$($(CURDIR)/scripts/wine-kind --reason)):" \
	    "$$([ $$status = 0 ] && echo passed || echo FAILED)"; exit $$status

test-windows-none: win32
	cd $(WIN32) && ctest --output-on-failure -L pe-interface
	@scripts/banner "Windows tests: NOT RUN: $$(scripts/wine-kind --reason)." \
	  "Only the PE interface checks of $(WIN32) ran. scripts/bootstrap installs Wine."
	@exit 1

# Pictures of the programs' windows for the README (under Wine on a virtual display).
screenshots: win32
	grabber/tools/screenshots $(WIN32) docs/screenshots
	setup/tools/screenshots $(WIN32) docs/screenshots
	plugin/tools/screenshots $(WIN32) docs/screenshots

# The Windows package: dist/ with the deliverables, the stand-in, the host and virn-grab.exe,
# a README.txt and one zip of it all, the same bytes from the same commit.
dist: bootstrap
	setup/make-dist $(DIST_BUILD) dist

fuzz-smoke: sanitize
	scripts/fuzz-smoke $(SANITIZE) $(FUZZ_SECONDS)

# Speed figures (scripts/run-benchmarks): the Google Benchmark programs natively, then under
# Wine the plug-in's rendering, pexlin.dll against zlib and VIRN.dll's IT decompression; on
# the road the Windows tests take (scripts/wine-kind): the 32-bit build where this kernel
# runs 32-bit programs, the 64-bit build of the same code otherwise. Without Wine only the
# native figures come, and the run fails, loudly.
bench: native
	@kind=$$(scripts/wine-kind); \
	if [ $$kind = none ]; then \
	  scripts/run-benchmarks $(NATIVE); \
	  scripts/banner "Windows benchmarks: NOT RUN: $$(scripts/wine-kind --reason)."; exit 1; \
	fi; \
	tree=$$([ $$kind = win64 ] && echo $(WIN64) || echo $(WIN32)); \
	$(MAKE) --no-print-directory $$kind && scripts/run-benchmarks $(NATIVE) $$tree

check: bootstrap
	$(MAKE) test-native
	$(MAKE) test-sanitize
	$(MAKE) test-windows
	$(MAKE) fuzz-smoke

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build out dist
