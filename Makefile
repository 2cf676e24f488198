# One place for set-up, builds, tests, benchmarks and the demo.
#   make deps   install every system and npm package the project needs (idempotent, root)
#   make build  native build with sanitizers (build/native) and the Windows builds: build/win32
#               (the shipped 32-bit programs) and, where this machine cannot run 32-bit programs
#               under Wine, their 64-bit test twin (build/win64); see scripts/wine-width.sh
#   make test   deps + build + native tests + checks of the shipped installer + Windows tests
#               under Wine + end-to-end GUI tests under Xvfb + bounded fuzz runs; ends with
#               "N passed, N failed"
#   make bench  benchmarks (Release build in build/bench; print figures; not part of make test)
#   make demo   the main job: a sample installer run on a sample host installation

JOBS ?= 2
NATIVE := build/native
WIN32DIR := build/win32

.PHONY: deps build native windows test test-native test-win32 test-e2e fuzz bench demo clean

deps:
	bash scripts/deps.sh

native:
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWITH_SANITIZERS=ON >/dev/null
	cmake --build $(NATIVE) -j $(JOBS)

windows:
	JOBS=$(JOBS) bash scripts/build-windows.sh

# The native mkinstaller takes the shipped installer program from its own folder by default.
build: native windows
	cp $(WIN32DIR)/installer.exe $(NATIVE)/installer.exe

test: deps build
	JOBS=$(JOBS) bash scripts/test-all.sh

# The parts of make test one at a time (after make build).
test-native:
	JOBS=$(JOBS) bash scripts/test-all.sh native shipped

test-win32:
	JOBS=$(JOBS) bash scripts/test-all.sh win32

test-e2e:
	JOBS=$(JOBS) bash scripts/test-all.sh e2e

fuzz:
	bash scripts/fuzz.sh

bench: deps
	bash scripts/bench.sh

demo: deps build
	bash scripts/demo.sh

clean:
	rm -rf build demo-out
