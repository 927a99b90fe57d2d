# Thin wrapper over CMake. SANITIZE=1 builds into its own folder with
# AddressSanitizer and UndefinedBehaviorSanitizer.
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
# ARCH=i386 builds the 32-bit programs into build-i386/ and runs them through
# qemu-i386.
ifeq ($(ARCH),i386)
BUILD ?= build-i386$(if $(filter 1,$(SANITIZE)),/sanitize)
CMAKE_FLAGS += -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/i386.cmake
endif
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

demo: all
	examples/demo/run-demo.sh $(BUILD)

# qarvex keeps OkFile.Txt, its log and its debug files beside its executable,
# so it gets a folder of its own; the command in bin/ is a link to it.
install: all
	install -d $(DESTDIR)$(PREFIX)/lib/qarvex $(DESTDIR)$(PREFIX)/bin
	install -m 755 $(BUILD)/qarvex $(DESTDIR)$(PREFIX)/lib/qarvex/qarvex
	ln -sf ../lib/qarvex/qarvex $(DESTDIR)$(PREFIX)/bin/qarvex
	install -m 755 $(BUILD)/pktdump $(DESTDIR)$(PREFIX)/bin/pktdump
	install -m 755 $(BUILD)/imagehost $(DESTDIR)$(PREFIX)/bin/imagehost

clean:
	rm -rf build build-i386
