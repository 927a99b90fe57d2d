# Thin wrapper over CMake. SANITIZE=1 builds into its own folder with
# AddressSanitizer and UndefinedBehaviorSanitizer.
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
ifeq ($(SANITIZE),1)
BUILD ?= build/sanitize
CMAKE_FLAGS += -DQARVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD ?= build
CMAKE_FLAGS += -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif

.PHONY: all configure test bench demo install uninstall clean

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

# The programs a system gets; the install rules themselves are CMake's
# (cmake/Install.cmake), so `cmake --install` does the same.
INSTALLED_PROGRAMS = qarvex pktdump
RELEASE = build/release

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target qarvex pktdump
	examples/demo/run-demo.sh $(BUILD)

# An optimised build of the installed programs only, stripped on the way in.
install:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(RELEASE) -j $(JOBS) --target $(INSTALLED_PROGRAMS)
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE)

# Removes what the last install put down; the program folder stays while it
# still holds the sysop's OkFile.Txt or the log.
uninstall:
	@test -f $(RELEASE)/install_manifest.txt || { echo "No install to undo: $(RELEASE)/install_manifest.txt is missing"; exit 1; }
	sed 's|^|$(DESTDIR)|' $(RELEASE)/install_manifest.txt | xargs -d '\n' rm -f
	sed -n 's|^\(.*\)/[^/]*$$|$(DESTDIR)\1|p' $(RELEASE)/install_manifest.txt | grep -E '/lib/qarvex$$|/binkd.service.d$$' | \
	  sort -u | xargs -r -d '\n' rmdir --ignore-fail-on-non-empty

clean:
	rm -rf build
