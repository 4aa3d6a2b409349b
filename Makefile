# Cairnkeep: make demo | make check | make bench
.PHONY: all deps build build-windows build-native check demo screenshot clean

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

screenshot: build-windows
	@tools/screenshot.sh docs/cairnkeep.png

clean:
	rm -rf build
