# SPDX-License-Identifier: GPL-3.0-or-later
# Everything starts here on a fresh Debian machine:
#   make run    install what is missing, build, start the program
#   make test   the same, then every test
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

# The time of the last commit: the dates inside the programs, the package, the zips and the
# installer, so that two builds of one commit give the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif

# Package lists: what running the program needs, and what the tests need on top.
RUN_PACKAGES  = scripts/packages/core.txt scripts/packages/ui.txt
TEST_PACKAGES = $(RUN_PACKAGES) scripts/packages/print.txt scripts/packages/fuzz.txt

.PHONY: all deps deps-test build run test test-unit test-asan fuzz fuzz-ci test-windows test-matrix bench format clean
.PHONY: windows-gui test-windows-gui

all: build

deps:
	@scripts/install-deps.sh $(RUN_PACKAGES)

deps-test:
	@scripts/install-deps.sh $(TEST_PACKAGES)

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test-unit: deps-test build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The engine and settings tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSAROLL_SANITIZE=ON \
	  -DTESSAROLL_BUILD_UI=OFF -DTESSAROLL_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz: deps-test
	scripts/fuzz.sh

fuzz-ci: deps-test
	FUZZ_SECONDS=30 scripts/fuzz.sh

test: check-spdx test-unit test-asan fuzz-ci

test-windows:
	scripts/test-windows.sh

.PHONY: package test-package
# The Debian package tessaroll_<version>_<arch>.deb, made in the build folder from the same build.
package: build
	@scripts/install-deps.sh scripts/packages/package.txt
	cmake --build $(BUILD) --target package

# Checks the package (lintian, installed and used by a new user, removed) and the Windows zip
# that test-windows makes; as root.
test-package:
	BUILD=$(BUILD) scripts/test-package.sh

# tessaroll-cli built with clang and GCC, each power-function path, for ARM, 32-bit x86 and
# big-endian s390x, each checked against every vector (scripts/test_matrix.py).
test-matrix:
	JOBS=$(JOBS) python3 scripts/test_matrix.py

# The window program for Windows against Qt for Windows (scripts/build-qt-windows.sh), and its
# portable zip; then the window tests and a keyboard-driven run under Wine.
windows-gui:
	scripts/windows-gui.sh

test-windows-gui: windows-gui
	scripts/test-windows-gui.sh

.PHONY: windows-installer
# The Windows installer (NSIS) from the same build and files as the portable zip:
# build-windows/tessaroll-<version>-windows-x64-setup.exe. make test-package checks it under Wine.
windows-installer: windows-gui
	scripts/windows-installer.sh

bench: build
	@for b in $(BUILD)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

.PHONY: check-spdx add-spdx
# Every tracked source, script and CMake file names its licence in its first lines
# (scripts/spdx.py); add-spdx gives the line to those that lack it.
check-spdx:
	python3 scripts/spdx.py check

add-spdx:
	python3 scripts/spdx.py add

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
