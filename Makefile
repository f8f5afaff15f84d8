# `make demo` and `make test` do all the set-up on a fresh Debian machine (as root):
# missing packages are installed, the builds configured and built, then run.
#   make test   the plain build with every test tier, then the ASan+UBSan build with the
#               unit, net and fuzz corpus replay tiers (the process, segment and install
#               tiers run the programs as a user would: once, in the plain build)
#   make demo   the simulated modem on loopback and an exchange with it
#   make fuzz   the fuzz targets for FUZZ_SECONDS each (clang, libFuzzer, ASan+UBSan)
#   make install [PREFIX=/usr/local] [DESTDIR=...]   the programs, data, manual pages and
#               completion of the plain build
#   make package  the plain build as a Debian package, build/sperrow_<version>_<arch>.deb
#   make chaos  the client against the simulated modem under 100,000 seeded fault schedules,
#               with the table of outcomes (CHAOS_REPLAY=N replays schedule N alone)
BUILD       ?= build
ASAN_BUILD  ?= build-asan
FUZZ_BUILD  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 20
PREFIX      ?= /usr/local
# `make chaos`: CHAOS_SCHEDULES schedules from number CHAOS_FIRST, or CHAOS_REPLAY=N alone.
CHAOS_SCHEDULES ?= 100000
CHAOS_FIRST ?= 0
PEERS       := $(abspath $(BUILD))/peers
CMAKE_ARGS  := -G Ninja -DSPERROW_PEERS_DIR=$(PEERS)

# The test environment for the sanitizer runs: leaks fail the test, reports name the line.
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all setup build build-asan test test-plain test-asan demo bench fuzz chaos format clean \
        install package
# One build at a time: the machine's cores go to the compiler jobs of that build.
.NOTPARALLEL:

all: build

setup:
	@sh scripts/setup.sh $(PEERS)

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=Debug -DSPERROW_SANITIZE=ON

# clang for libFuzzer; -O1 keeps the fuzzers quick without losing the asserts of Debug.
# Warnings are not errors here: the other two builds hold that line, with the project's
# main compiler.
$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 -DSPERROW_FUZZ=ON -DSPERROW_SANITIZE=ON \
	  -DSPERROW_WERROR=OFF -DSPERROW_FUZZ_SECONDS=$(FUZZ_SECONDS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: setup $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target sperrow_fuzzers
	cd $(FUZZ_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS) -L fuzz

test: test-plain test-asan

# Both reuse the plain build; the package is also built, unpacked and checked by its tests.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	cd $(BUILD) && cpack
chaos: build
	$(BUILD)/src/testing/sperrow-chaos $(if $(CHAOS_REPLAY),--replay $(CHAOS_REPLAY),\
	  --schedules $(CHAOS_SCHEDULES) --first $(CHAOS_FIRST))

demo: build
	@sh scripts/demo.sh $(BUILD)

bench: build
	@sh bench/run.sh $(BUILD)

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
