# Entry points: `make demo` and `make check` (see README.md).
JOBS ?= $(shell nproc)
NATIVE := build/native
SANITIZE := build/sanitize
WIN32 := build/win32
FUZZ_SECONDS ?= 20

.PHONY: all demo check bootstrap native sanitize win32 test-native test-sanitize test-win32 \
        fuzz-smoke bench format clean

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
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake

native: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)

sanitize: $(SANITIZE)/CMakeCache.txt
	cmake --build $(SANITIZE) -j $(JOBS)

win32: $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)

# The main job: extract the bundled example module to WAV files, then list it.
demo: bootstrap native
	$(NATIVE)/examples/make-examples $(NATIVE)/examples
	$(NATIVE)/cli/virn-grab extract -o out/demo $(NATIVE)/examples/demo.it
	$(NATIVE)/cli/virn-grab list $(NATIVE)/examples/demo.it

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

test-sanitize: sanitize
	cd $(SANITIZE) && ctest --output-on-failure -j $(JOBS)

test-win32: win32
	cd $(WIN32) && ctest --output-on-failure

fuzz-smoke: sanitize
	scripts/fuzz-smoke $(SANITIZE) $(FUZZ_SECONDS)

bench: native
	scripts/run-benchmarks $(NATIVE)

check: bootstrap
	$(MAKE) test-native
	$(MAKE) test-sanitize
	$(MAKE) test-win32
	$(MAKE) fuzz-smoke

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build out
