# One place for set-up, builds, tests, benchmarks and the demo.
#   make deps   install every system and npm package the project needs (idempotent, root)
#   make build  native build with sanitizers (build/native) and the Windows build (build/win32)
#   make test   deps + build + native tests + Windows tests under Wine + end-to-end GUI tests
#               under Xvfb + bounded fuzz runs; ends with "N passed, N failed"
#   make bench  benchmarks (Release build in build/bench; print figures; not part of make test)
#   make demo   the main job: a sample installer run on a sample host installation

JOBS ?= 2
NATIVE := build/native
WIN32DIR := build/win32

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

# The native mkinstaller takes the installer program from its own folder by default.
build: native win32
	cp $(WIN32DIR)/installer.exe $(NATIVE)/installer.exe

test: deps build
	JOBS=$(JOBS) bash scripts/test-all.sh

# The parts of make test one at a time (after make build).
test-native:
	cd $(NATIVE) && ctest -L '^native$$' -j $(JOBS) --output-on-failure

test-win32:
	cd $(WIN32DIR) && ctest -L '^win32$$' -j $(JOBS) --output-on-failure

test-e2e:
	cd $(NATIVE) && ctest -L '^e2e$$' -j $(JOBS) --output-on-failure

fuzz:
	bash scripts/fuzz.sh

bench: deps
	bash scripts/bench.sh

demo: deps build
	bash scripts/demo.sh

clean:
	rm -rf build demo-out
