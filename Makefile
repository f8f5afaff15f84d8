# `make demo` and `make test` do all the set-up on a fresh Debian machine (as root).
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: all setup build build-asan test test-plain test-asan demo bench fuzz format clean

all: build

setup:
	@sh scripts/setup.sh $(BUILD)/peers

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSPERROW_SANITIZE=ON

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

test: test-plain test-asan

demo: build
	@sh scripts/demo.sh $(BUILD)

bench: build
	@sh bench/run.sh $(BUILD)

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
