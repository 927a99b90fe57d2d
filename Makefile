# Thin wrapper over CMake. SANITIZE=1 builds into its own folder with
# AddressSanitizer and UndefinedBehaviorSanitizer; SANITIZE=thread builds into
# build/tsan with ThreadSanitizer.
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
ifeq ($(SANITIZE),1)
BUILD ?= build/sanitize
CMAKE_FLAGS += -DQARVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else ifeq ($(SANITIZE),thread)
# Only the code that starts threads is worth the build: the thread, lock and
# timer tests and the thread example.
BUILD ?= build/tsan
CMAKE_FLAGS += -DQARVEX_SANITIZE_THREAD=ON -DCMAKE_BUILD_TYPE=Debug
BUILD_TARGETS = --target unit_tests threads_example
TEST_SELECTION = -R '^(ThreadTest|LocksTest|TimerTest)[.]|^example_threads$$'
else
BUILD ?= build
CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif

.PHONY: all configure test bench demo install clean

all: configure
	cmake --build $(BUILD) -j $(JOBS) $(BUILD_TARGETS)

configure:
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(TEST_SELECTION)

bench:
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQARVEX_BENCH=ON
	cmake --build build/bench -j $(JOBS) --target benchmarks
	build/bench/benchmarks

demo: all
	examples/demo/run-demo.sh $(BUILD)

# qarvex keeps OkFile.Txt, its log and its debug files beside its executable,
# so it gets a folder of its own; the command in bin/ is a link to it.
install: all
	install -d $(DESTDIR)$(PREFIX)/lib/qarvex $(DESTDIR)$(PREFIX)/bin
	install -m 755 $(BUILD)/qarvex $(DESTDIR)$(PREFIX)/lib/qarvex/qarvex
	ln -sf ../lib/qarvex/qarvex $(DESTDIR)$(PREFIX)/bin/qarvex
	install -m 755 $(BUILD)/pktdump $(DESTDIR)$(PREFIX)/bin/pktdump

clean:
	rm -rf build
