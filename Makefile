# The two commands a newcomer needs: `make run` and `make test`.
SHELL := /bin/bash
.DEFAULT_GOAL := run

NATIVE_PACKAGES := g++ cmake ninja-build
TEST_PACKAGES := $(NATIVE_PACKAGES) libgtest-dev libgmock-dev g++-mingw-w64-x86-64-posix \
                 binutils-mingw-w64-x86-64 wine64 python3 procps
# CI builds treat warnings as errors.
WERROR := $(if $(CI),ON,OFF)

.PHONY: run test native sanitize windows deps-native deps-test test-native test-sanitize \
        test-wine clean

run: deps-native
	cmake --preset native -DQUORVEN_TESTS=OFF >/dev/null
	cmake --build --preset native --target quorven
	./build/native/quorven

test: deps-test test-native test-sanitize windows test-wine

deps-native:
	@scripts/ensure-packages $(NATIVE_PACKAGES)

deps-test:
	@scripts/ensure-packages $(TEST_PACKAGES)

native:
	cmake --preset native -DQUORVEN_TESTS=ON -DQUORVEN_WERROR=$(WERROR) >/dev/null
	cmake --build --preset native

sanitize:
	cmake --preset sanitize -DQUORVEN_WERROR=$(WERROR) >/dev/null
	cmake --build --preset sanitize

windows:
	cmake --preset windows -DQUORVEN_WERROR=$(WERROR) >/dev/null
	cmake --build --preset windows

test-native: native
	ctest --preset native

test-sanitize: sanitize
	ctest --preset sanitize

test-wine: windows
	python3 tests/wine/run_scenarios.py

clean:
	rm -rf build dist
