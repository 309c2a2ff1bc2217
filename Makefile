# The two commands of the README: `make run` and `make test`.
SANITIZE ?= 0
ifeq ($(SANITIZE),1)
BUILD ?= build-asan
CMAKE_FLAGS := -DNE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD ?= build
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif
JOBS ?= $(shell nproc)
XVFB := xvfb-run -a -s "-screen 0 1920x1080x24"

.PHONY: run test deps build bench

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ALSOFT_DRIVERS=null $(XVFB) ctest --output-on-failure -j $(JOBS)

# Only the program (tests and benchmarks wait for `make test`); flags through ARGS.
ARGS ?=
run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target notengine
	cd sample && ../$(BUILD)/bin/notengine --windowed $(ARGS)

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] && $(XVFB) "$$b"; done; true
