# Thin wrapper over CMake. SANITIZE=1 builds into its own folder with
# AddressSanitizer and UndefinedBehaviorSanitizer; SANITIZE=thread builds into
# build/tsan with ThreadSanitizer.
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
# The user the mailer runs as (Debian's binkd: ftn); it writes the log and state folders.
MAILER_USER ?= ftn
# ARCH=i386 builds the 32-bit programs into build-i386/ and runs them through
# qemu-i386.
ifeq ($(ARCH),i386)
BUILD ?= build-i386$(if $(filter 1,$(SANITIZE)),/sanitize)
CMAKE_FLAGS += -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/i386.cmake
endif
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

.PHONY: all configure test bench demo fuzz install uninstall deb clean

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

# The install rules, and the list of what gets installed, are CMake's
# (cmake/Install.cmake), so `cmake --install` does the same.
RELEASE = build/release

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target qarvex pktdump
	examples/demo/run-demo.sh $(BUILD)

# libFuzzer harnesses, built by clang in a folder of their own; each runs for
# FUZZ_SECONDS (FUZZ_TARGETS picks some by name, e.g. FUZZ_TARGETS="srif dates").
FUZZ_SECONDS ?= 60
fuzz:
	@test -f build/fuzz/CMakeCache.txt || cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQARVEX_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run build/fuzz $(FUZZ_TARGETS)

# An optimised build of the installed programs only, stripped on the way in.
install:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) \
	  -DQARVEX_INSTALL_LAYOUT=ON -DQARVEX_MAILER_USER=$(MAILER_USER)
	cmake --build $(RELEASE) -j $(JOBS) --target installed-programs
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE)

# Removes what the last install put down, as `apt remove` does: the
# permission list, the log and the debug files stay with their folders.
uninstall:
	@test -f $(RELEASE)/install_manifest.txt || { echo "No install to undo: $(RELEASE)/install_manifest.txt is missing"; exit 1; }
	sed 's|^|$(DESTDIR)|' $(RELEASE)/install_manifest.txt | xargs -d '\n' rm -f
	sed -n 's|^\(.*\)/[^/]*$$|$(DESTDIR)\1|p' $(RELEASE)/install_manifest.txt | \
	  grep -E '/lib/qarvex$$|/binkd.service.d$$|/doc/qarvex/examples$$|/doc/qarvex$$' | sort -ru | xargs -r -d '\n' rmdir --ignore-fail-on-non-empty

# The Debian package, built from a copy of the tree so that its by-products
# stay under build/deb; lintian must find no error and no warning in it. DEB_OPTIONS=nocheck
# skips the package's own test run (and the build of the tests).
deb:
	rm -rf build/deb && mkdir -p build/deb/qarvex
	git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t build/deb/qarvex
	cd build/deb/qarvex && DEB_BUILD_OPTIONS="parallel=$(JOBS) $(DEB_OPTIONS)" dpkg-buildpackage -us -uc -b
	lintian --fail-on error,warning build/deb/*.changes

clean:
	rm -rf build build-i386
