# Thin wrapper over CMake. SANITIZE=1 builds into its own folder with
# AddressSanitizer and UndefinedBehaviorSanitizer.
JOBS ?= $(shell nproc)
ifeq ($(SANITIZE),1)
BUILD ?= build/sanitize
CMAKE_FLAGS += -DQARVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD ?= build
CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif

.PHONY: all configure test bench demo install clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

configure:
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQARVEX_BENCH=ON
	cmake --build build/bench -j $(JOBS) --target benchmarks
	build/bench/benchmarks

clean:
	rm -rf build
