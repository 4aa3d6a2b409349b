# Cairnkeep: make demo | make check | make bench
.PHONY: all deps build build-windows build-native check demo bench clean

all: build

deps:
	@tools/install-deps.sh

build: build-windows build-native

build-windows: deps
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

build-native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native

check: build
	ctest --preset native
	ctest --preset windows

demo: build-windows
	@tools/demo.sh

# The benchmark builds without sanitizers, optimised.
bench: deps
	@cmake -S . -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DCK_BUILD_TESTS=OFF >/dev/null
	@cmake --build build/bench-native --target backup_bench -j2 >/dev/null
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target win32_pass >/dev/null
	@CK_BENCH_NATIVE=build/bench-native bench/run.sh

clean:
	rm -rf build
