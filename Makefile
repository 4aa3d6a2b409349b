# Cairnkeep: make demo | make check | make bench | make fuzz | make soak | make dist
MAKEFLAGS += --no-print-directory
.PHONY: all deps build build-windows build-native check demo bench fuzz soak dist clean

all: build

deps:
	@tools/install-deps.sh

build: build-windows build-native

# The product, built on every machine.
build-windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

build-native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native

# The Windows build that Wine runs here: the product where this machine runs
# 32-bit programs, else the 64-bit build of the same sources (CK_WINE_ARCH=win64
# asks for it anywhere). tools/winearch.sh chooses and says so; the recipe
# that follows has CK_WINE_ARCH and its preset.
WINE_PRESET = CK_WINE_ARCH=$$(tools/winearch.sh) && export CK_WINE_ARCH && \
	preset=windows && if [ $$CK_WINE_ARCH = win64 ]; then preset=windows64; fi && \
	cmake --preset $$preset >/dev/null

check: build
	ctest --preset native
	@$(WINE_PRESET) && cmake --build --preset $$preset && ctest --preset $$preset

demo: build-windows
	@$(WINE_PRESET) && cmake --build --preset $$preset --target Cairnkeep && tools/demo.sh

# The benchmark builds without sanitizers, optimised; the size is the
# 32-bit product's.
bench: deps
	@cmake -S . -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DCK_BUILD_TESTS=OFF >/dev/null
	@cmake --build build/bench-native --target backup_bench -j2 >/dev/null
	@cmake --preset windows >/dev/null && cmake --build --preset windows --target Cairnkeep >/dev/null
	@$(WINE_PRESET) && cmake --build --preset $$preset --target win32_pass Cairnkeep ckdriver cksoak >/dev/null && \
	CK_BENCH_NATIVE=build/bench-native bench/run.sh

# Every fuzz target under libFuzzer for FUZZ_SECONDS (600) each.
fuzz: deps
	@tools/fuzz.sh

# Half an hour of passes a minute apart beside a simulated game
# (SOAK_MINUTES=30).
soak: deps
	@$(WINE_PRESET) && cmake --build --preset $$preset --target Cairnkeep ckdriver cksoak >/dev/null && \
	CK_EXE=build/$$preset/Cairnkeep.exe CK_DRIVER=build/$$preset/tools/ckdriver.exe \
	CK_SOAK=build/$$preset/tools/cksoak.exe python3 tools/soak.py --minutes $${SOAK_MINUTES:-30}

# The release: the 32-bit product, as the Win32 tests run it on the 32-bit
# path, with the players' README, the licence and checksums.
dist: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target Cairnkeep >/dev/null
	@tools/dist.sh

clean:
	rm -rf build dist
