# The two commands a newcomer needs: `make run` and `make test`. A plain
# `make` only builds the Linux program and the Windows exe.
SHELL := /bin/bash
.DEFAULT_GOAL := build

NATIVE_PACKAGES := g++ cmake ninja-build
BUILD_PACKAGES := $(NATIVE_PACKAGES) g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
TEST_PACKAGES := $(BUILD_PACKAGES) libgtest-dev libgmock-dev wine64 python3 procps clang \
                 libclang-rt-14-dev zip unzip
RELEASE_PACKAGES := g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake ninja-build zip \
                    unzip
# The version that `make release` stamps into the exe: make release VERSION=1.2.0
VERSION ?= 1.0.0
# How long `make fuzz` runs each fuzz target; `make test` only replays their
# inputs.
FUZZ_SECONDS ?= 300
# Warnings are errors in every preset (CMakePresets.json): the compilers come
# from Debian 12's packages, so a newcomer's build and CI's warn alike.

.PHONY: build run test native sanitize windows deps-native deps-build deps-test test-native \
        test-sanitize test-exe test-wine test-fuzz fuzz bench release clean expected-texts \
        native-program check-exe run-wine run-fuzz check-zip

build: deps-build
	cmake --preset native -DQUORVEN_TESTS=OFF >/dev/null
	cmake --build --preset native --target quorven
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target quorven

run: deps-native
	cmake --preset native -DQUORVEN_TESTS=OFF >/dev/null
	cmake --build --preset native --target quorven
	./build/native/quorven

# Every test runs once, under the sanitizers. The Windows programs and the
# texts that the Wine scenarios expect are built first; then the scenarios,
# which mostly wait out the program's own pauses, run beside the sanitizer
# build and its tests, the fuzz replay and the plain Linux build.
test: deps-test
	@$(MAKE) --no-print-directory -j2 windows expected-texts
	@$(MAKE) --no-print-directory -j5 --output-sync=target check-exe run-wine test-sanitize \
	    run-fuzz native-program check-zip

deps-native:
	@scripts/ensure-packages $(NATIVE_PACKAGES)

deps-build:
	@scripts/ensure-packages $(BUILD_PACKAGES)

deps-test:
	@scripts/ensure-packages $(TEST_PACKAGES)

native:
	cmake --preset native -DQUORVEN_TESTS=ON >/dev/null
	cmake --build --preset native

# The program alone, optimised as `make run` builds it, so that its warnings
# are seen too.
native-program:
	cmake --preset native -DQUORVEN_TESTS=OFF >/dev/null
	cmake --build --preset native --target quorven

sanitize:
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize

windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows

test-native: native
	ctest --preset native

test-sanitize: sanitize
	ctest --preset sanitize --parallel 2

# What the Wine scenarios compare against, from the product itself.
expected-texts:
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize --target quorven_expected_texts

test-exe: windows
	@$(MAKE) --no-print-directory check-exe

check-exe:
	tests/windows/check-exe build/windows/quorven.exe
	@# The check itself must refuse a DLL that is looked for beside the exe.
	@if tests/windows/check-exe build/windows/tools/imports_tbs.exe | grep -q 'tbs.dll, which is no KnownDLL'; \
	then echo "exe check refuses tbs.dll: ok"; else echo "FAIL exe check accepts tbs.dll"; exit 1; fi

# The release's zip, made as `make release` makes it, of the exe already
# built: alike whoever makes it, where and when.
check-zip:
	tests/windows/check-release-zip build/windows/quorven.exe README.md

test-wine: windows expected-texts
	@$(MAKE) --no-print-directory run-wine

run-wine:
	python3 tests/wine/run_scenarios.py

test-fuzz: deps-test
	@$(MAKE) --no-print-directory run-fuzz

run-fuzz:
	fuzz/run-fuzzers --replay

fuzz: deps-test
	fuzz/run-fuzzers $(FUZZ_SECONDS)

# Figures for docs/performance.md; not a test, and it takes a few minutes.
bench: deps-test
	bench/run-bench

# The same sources give the same exe, zip and SHA256SUMS: see scripts/make-zip,
# and tests/windows/check-release-zip, which makes the zip twice as two
# builders would and compares the two.
release:
	@scripts/ensure-packages $(RELEASE_PACKAGES)
	cmake --preset release -DQUORVEN_VERSION=$(VERSION) >/dev/null
	cmake --build --preset release
	tests/windows/check-exe build/release/quorven.exe $(VERSION)
	rm -rf dist && mkdir -p dist
	cp build/release/quorven.exe dist/quorven.exe
	tests/windows/check-release-zip build/release/quorven.exe README.md
	scripts/make-zip dist/quorven-$(VERSION)-windows-x64.zip build/release/quorven.exe README.md
	cd dist && sha256sum quorven.exe quorven-$(VERSION)-windows-x64.zip > SHA256SUMS
	@cat dist/SHA256SUMS

clean:
	rm -rf build dist
