# One place for set-up, builds, tests, benchmarks and the demo.
#   make deps   install every system package the project needs (idempotent, root)
#   make build  native build (tools + tests, with sanitizers) and the Windows build
#   make test   deps + builds + native tests + Windows tests under Wine + end-to-end GUI tests
#               + bounded fuzz runs
#   make bench  benchmarks (print figures; not part of make test)
#   make demo   the main job: a sample installer run on a sample host installation

JOBS ?= 2
NATIVE := build/native
WIN32DIR := build/win32
BENCHDIR := build/bench
FUZZDIR := build/fuzz

.PHONY: deps build native win32 test test-native test-win32 test-e2e fuzz bench demo clean

deps:
	bash scripts/deps.sh

native:
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWITH_SANITIZERS=ON >/dev/null
	cmake --build $(NATIVE) -j $(JOBS)

win32:
	cmake -S . -B $(WIN32DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	cmake --build $(WIN32DIR) -j $(JOBS)

build: native win32

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS) -L native

test-win32: win32
	bash scripts/test-win32.sh

test-e2e: build
	bash scripts/test-e2e.sh

fuzz:
	bash scripts/fuzz.sh

test: deps build
	bash scripts/test-all.sh

bench: deps
	bash scripts/bench.sh

demo: deps build
	bash scripts/demo.sh

clean:
	rm -rf build
