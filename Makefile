# Porvane: the front door. CMake does the building; see README.md.
#   make run     build everything and run the installer under Wine
#   make test    build everything and run every test (native, Win32 under Wine, end to end, fuzz smoke)
#   make dist    build dist/Porvane.exe
#   make bench | fuzz | screenshots | clean

BUILD      ?= build
NATIVE     := $(BUILD)/native
WIN32      := $(BUILD)/win32
WINE_ROOT  := $(abspath $(BUILD))/wine
HARNESS    := WINE_ROOT=$(WINE_ROOT) scripts/wine-harness.sh
JOBS       ?= 2
FUZZ_SECONDS ?= 300

# make dist PRODUCT=path/to/other.product: that product's installer, built by the same rules in a
# win32 tree of its own (build/products/<description's name>, without the tests), so that the
# default build/win32 keeps Vantrel's.
ifneq ($(PRODUCT),)
WIN32         := $(BUILD)/products/$(basename $(notdir $(PRODUCT)))
WIN32_PRODUCT := -DPORVANE_PRODUCT=$(abspath $(PRODUCT)) -DPORVANE_TESTS=OFF
endif

.PHONY: all setup native win32 dist run test bench fuzz screenshots clean

all: dist

setup:
	@scripts/setup-host.sh

native: setup
	@cmake -S . -B $(NATIVE) -G Ninja -DPORVANE_WIN32_BUILD_DIR=$(abspath $(BUILD))/win32 >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

win32: native
	@cmake -S . -B $(WIN32) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	    -DPORVANE_PACKER=$(abspath $(NATIVE))/tools/porvane-pack \
	    -DPORVANE_WINE_ROOT=$(WINE_ROOT) $(WIN32_PRODUCT) >/dev/null
	@cmake --build $(WIN32) -j $(JOBS)

dist: win32
	@mkdir -p dist
	@cp $(WIN32)/wizard/Porvane.exe dist/Porvane.exe
	@echo "dist/Porvane.exe: $$(stat -c %s dist/Porvane.exe) bytes"

run: dist
	@WINE_ROOT=$(WINE_ROOT) scripts/run-installer.sh dist/Porvane.exe

test: dist
	@WINE_ROOT=$(WINE_ROOT) NATIVE=$(NATIVE) WIN32=$(WIN32) scripts/run-tests.sh

bench: dist
	@WINE_ROOT=$(WINE_ROOT) NATIVE=$(NATIVE) WIN32=$(WIN32) scripts/run-bench.sh

fuzz: native
	@NATIVE=$(NATIVE) scripts/run-fuzz.sh $(FUZZ_SECONDS)

screenshots: dist
	@WINE_ROOT=$(WINE_ROOT) WIN32=$(WIN32) scripts/make-screenshots.sh docs/screenshots

clean:
	@-$(HARNESS) down 2>/dev/null
	rm -rf $(BUILD) dist
