# Developer commands. Build folders:
#   build/player  g++, -O2, no tests: orvanel-play alone, for make play, install and deb
#   build/native  g++, RelWithDebInfo: orvanel-play, tools, benchmarks, tests
#   build/asan    the same under AddressSanitizer + UndefinedBehaviorSanitizer
#   build/tsan    the test programs under ThreadSanitizer
#   build/win32   mingw-w64 i686, static: Orvanel.exe and the core tests (run under Wine)
#   build/win64   the same for x86-64: only where 32-bit programs cannot run, so that the
#                 Windows tests still run (under wine64); it ships nothing
#   build/fuzz    clang, libFuzzer + ASan + UBSan: the fuzz targets (fuzz/) and nothing else
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c
JOBS ?= 2
BUILD := build
DEMO_SONG := samples/demo.mid
# Options of the play target, e.g. PLAY_OPTIONS=--device=log.
PLAY_OPTIONS ?=
# Where make install puts orvanel-play and its man page, below an optional DESTDIR.
PREFIX ?= /usr/local
DESTDIR ?=

# Where ccache is installed every build compiles through it, with paths taken relative to
# the tree, so a second clone or worktree on the machine reuses what the first compiled.
ifneq ($(shell command -v ccache 2> /dev/null),)
LAUNCHER := -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
endif

# Compile time is most of a test run: line tables only (-g1) natively, and no
# optimisation under ASan + UBSan, where -O1 would double it.
CONFIG_native := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
CONFIG_asan := -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O0" -DORVANEL_SANITIZE=address
CONFIG_tsan := -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DORVANEL_SANITIZE=thread
CONFIG_win32 := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
CONFIG_win64 := -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
CONFIG_fuzz := -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORVANEL_FUZZ=ON -DORVANEL_TESTS=OFF \
	-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g"
# make play's folder: the player alone, optimised, without debug information, hardened,
# its shared standard headers precompiled (a fresh make play is mostly this build).
CONFIG_player := -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DORVANEL_TESTS=OFF \
	-DORVANEL_PRECOMPILED_STD=ON -DORVANEL_HARDEN=ON
# The ThreadSanitizer build makes only what its tests need; the player folder the player:
# the core, the platform library and orvanel-play.
TARGETS_tsan := --target all_tests
TARGETS_player := --target orvanel-play
# Where this machine cannot start 32-bit programs the i686 tests cannot run (win64 runs
# them): the i686 build then makes only what ships, Orvanel.exe.
TARGETS_win32 = $(shell bash tools/wine-run.sh --check > /dev/null 2>&1 || echo --target Orvanel)

.PHONY: all setup-play setup-test setup-bench build play install uninstall deb test tsan fuzz \
	fuzz-long bench record-logs clean

all: build

setup-play:
	sh tools/setup.sh play

setup-test:
	sh tools/setup.sh test

setup-bench:
	sh tools/setup.sh bench

# configure-NAME / build-NAME / check-NAME for NAME in native asan tsan win32 fuzz
# (configure-player and build-player too).
# Configured once, and again when this file (and so maybe the options) changed.
.PRECIOUS: $(BUILD)/%/CMakeCache.txt
$(BUILD)/%/CMakeCache.txt: Makefile
	cmake -S . -B $(BUILD)/$* $(CONFIG_$*) $(LAUNCHER)
	@touch $@

configure-%: $(BUILD)/%/CMakeCache.txt
	@:

build-%: configure-%
	cmake --build $(BUILD)/$* -j$(JOBS) $(TARGETS_$*)

check-%: build-%
	bash tools/test-all.sh --no-build $*

build: build-native

play: setup-play
	$(MAKE) --no-print-directory build-player
	@if [ ! -f $(DEMO_SONG) ]; then \
	    cmake --build $(BUILD)/player -j$(JOBS) --target make_demo_song > /dev/null || \
	        { echo "no $(DEMO_SONG) and no tools/make_demo_song to make it" >&2; exit 1; }; \
	    echo "making $(DEMO_SONG)"; \
	    $(BUILD)/player/make_demo_song $(DEMO_SONG); \
	fi
	@# The default output: an ALSA synth port, else the embedded synth on the audio output.
	@# orvanel-play exits with 3 when there is neither; then the demo is rendered to a file.
	@status=0; ./$(BUILD)/player/orvanel-play $(PLAY_OPTIONS) $(DEMO_SONG) || status=$$?; \
	if [ $$status -eq 3 ]; then \
	    ./$(BUILD)/player/orvanel-play --device=wav:demo.wav $(DEMO_SONG) && \
	    echo "no audio output here: the demo song was rendered to $$(pwd)/demo.wav"; \
	else exit $$status; fi

# bin/orvanel-play, its synth and ALSA modules, its man page, share/doc/orvanel-play/ and the Bash and zsh completions
# below $(DESTDIR)$(PREFIX) (cmake/player_package.cmake); uninstall takes each away.
INSTALLED_FILES := bin/orvanel-play share/man/man1/orvanel-play.1 share/man/man1/orvanel-play.1.gz \
	share/doc/orvanel-play/copyright share/doc/orvanel-play/changelog.gz \
	share/bash-completion/completions/orvanel-play share/zsh/vendor-completions/_orvanel-play \
	share/zsh/site-functions/_orvanel-play libexec/orvanel-play/orvanel-synth.so \
	libexec/orvanel-play/orvanel-alsa.so
install: build-player
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)/player --prefix "$(PREFIX)"

uninstall:
	rm -f $(foreach f,$(INSTALLED_FILES),"$(DESTDIR)$(PREFIX)/$(f)")
	rmdir "$(DESTDIR)$(PREFIX)/share/doc/orvanel-play" "$(DESTDIR)$(PREFIX)/libexec/orvanel-play" 2> /dev/null || true

# build/orvanel-play_VERSION_ARCH.deb, with its dependencies on the shared libraries declared.
deb: build-player
	cd $(BUILD)/player && cpack -G DEB -B "$(CURDIR)/$(BUILD)"
	@ls $(BUILD)/orvanel-play_*.deb

# Every build and every test; the last line printed is the summary.
# On a machine whose kernel cannot start 32-bit programs the 32-bit Windows tests skip, and
# a 64-bit build of the same sources runs them under wine64 instead.
WINDOWS_TEST_BUILDS = win32 $$(bash tools/wine-run.sh --check 2> /dev/null || echo win64)

test: setup-test
	bash tools/test-all.sh native asan tsan $(WINDOWS_TEST_BUILDS) fuzz

tsan:
	bash tools/test-all.sh tsan

# Each fuzz target for a fixed, short number of inputs over its seeds (as make test does).
fuzz:
	bash tools/test-all.sh fuzz

# The long run: millions of inputs each (FUZZ_RUNS=N to change), with a figures table.
fuzz-long: build-fuzz
	bash tools/fuzz-long.sh $(BUILD)/fuzz

bench: setup-bench
	$(MAKE) --no-print-directory build-native
	@programs=$$(cat $(BUILD)/native/bench-programs.txt); \
	if [ -z "$$programs" ]; then echo "no benchmarks (bench/*.cpp)"; exit 0; fi; \
	for p in $$programs; do echo "== $$p"; ./$(BUILD)/native/$$p || exit 1; done

# After a deliberate change of what orvanel-play sends: records the log outputs that the
# LogGuard test compares with (tests/recorded/log_outputs.txt).
record-logs: build-native
	./$(BUILD)/native/log_guard record --source . --play ./$(BUILD)/native/orvanel-play

clean:
	rm -rf $(BUILD)

# --- Orvanel.exe under Wine ---------------------------------------------------------------
.PHONY: run dist screenshot

# The player on the current DISPLAY, playing the demo song (Japanese locale, the build's
# Wine prefix). A path with spaces reaches it in quotes, which it takes off.
run: setup-test
	$(MAKE) --no-print-directory build-win32
	@test -n "$$DISPLAY" || { echo "run: no DISPLAY to show the window on (make screenshot needs none)" >&2; exit 1; }
	cd $(BUILD)/win32 && bash $(CURDIR)/tools/wine-run.sh --prefix $(CURDIR)/$(BUILD)/win32/wineprefix \
	    Orvanel.exe "Z:$$(printf '%s' '$(CURDIR)/$(DEMO_SONG)' | tr / '\\')"

# build/orvanel.zip: what ships, side by side as the player expects it.
DIST_FILES := Orvanel.exe kivo/default.bmp readme.txt
dist: setup-test
	$(MAKE) --no-print-directory build-win32
	@for f in $(DIST_FILES); do \
	    test -f $(BUILD)/win32/$$f && continue; \
	    case $$f in \
	    readme.txt) echo "dist: $(BUILD)/win32/readme.txt is missing: the build makes it with tools/make_readme.sh" >&2 ;; \
	    kivo/*) echo "dist: $(BUILD)/win32/$$f is missing: the build copies it from kivo/" >&2 ;; \
	    *) echo "dist: $(BUILD)/win32/$$f is missing" >&2 ;; \
	    esac; exit 1; \
	done
	rm -f $(BUILD)/orvanel.zip
	cd $(BUILD)/win32 && zip -X -q ../orvanel.zip $(DIST_FILES)
	unzip -l $(BUILD)/orvanel.zip

# build/screenshot.png: the player with the demo song, build/screenshot-list.png: its
# play list during an autoplay, build/screenshot-settings.png: its settings dialog, each
# on an X server of its own.
screenshot: setup-test
	$(MAKE) --no-print-directory build-win32
	bash tools/screenshot.sh --build $(BUILD)/win32 $(BUILD)/screenshot.png
	bash tools/screenshot.sh --build $(BUILD)/win32 --list $(BUILD)/screenshot-list.png
