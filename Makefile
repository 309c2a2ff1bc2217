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
# One Xvfb serves every test program of a run: by default it resets whenever its last
# client leaves and drops a program that is just connecting, so it must not reset.
XVFB := xvfb-run -a -s "-screen 0 1920x1080x24 -noreset"

.PHONY: run test deps deps-run deps-bench deps-fuzz build tools bench bench-check bench-build fuzz fuzz-build \
	soak

# Debian packages by set (scripts/install-deps, through sudo when not root): `make run`
# installs the run set, a whole build (`make build`, `make test`) adds the test set, and
# `make fuzz` and `make bench` add theirs.
deps-run:
	@scripts/install-deps run

deps:
	@scripts/install-deps run test

deps-bench:
	@scripts/install-deps run test bench

deps-fuzz:
	@scripts/install-deps run fuzz

CONFIGURE := cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

$(BUILD)/build.ninja: | deps-run
	$(CONFIGURE)

# Configured again, so that the tests and benchmarks join a build that `make run` made
# before their packages were there.
build: deps
	$(CONFIGURE) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ALSOFT_DRIVERS=null $(XVFB) ctest --output-on-failure -j $(JOBS)

# Only the program (tests and benchmarks wait for `make test`); flags through ARGS.
ARGS ?=
run: deps-run $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target notengine
	cd sample && ../$(BUILD)/bin/notengine --windowed $(ARGS)

# The asset tools (build/bin/mkfont), which `make run` does not build.
tools: deps-run $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target ne_tools

# Every benchmark program once in full, then the table of ours against the peers
# (bench/table.py). Installs only the bench set of scripts/install-deps: a peer that
# is missing (LOVE 11, Debian's love) is a row saying so. A benchmark that fails
# fails the target.
bench: bench-build
	@ALSOFT_DRIVERS=null $(XVFB) python3 bench/table.py --build $(BUILD) --all

# The in-process rows against bench/baseline.json, failing on a row worse by
# more than 10%; UPDATE=1 rewrites the baseline after an intended change.
UPDATE ?= 0
bench-check: bench-build
	@ALSOFT_DRIVERS=null $(XVFB) python3 bench/table.py --build $(BUILD) --check $(if $(filter 1,$(UPDATE)),--update)

bench-build: deps-bench
	$(CONFIGURE) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Fuzz targets (clang, libFuzzer) in their own build folder; each runs for
# FUZZ_SECONDS on a copy of its seed corpus, so that new inputs stay out of the tree.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

fuzz-build: deps-fuzz
	@[ -f $(FUZZ_BUILD)/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja \
		-DNE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: fuzz-build
	FUZZ_JOBS=$(JOBS) scripts/run-fuzz $(FUZZ_BUILD)/bin $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The sample driven by seeded random input under the sanitizer build.
SOAK_TURNS ?= 20000
SOAK_SEED ?= 1

soak:
	$(MAKE) build SANITIZE=1 JOBS=$(JOBS)
	ALSOFT_DRIVERS=null LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp $(XVFB) \
		python3 scripts/soak.py build-asan/bin/notengine sample \
		--turns $(SOAK_TURNS) --seed $(SOAK_SEED)
