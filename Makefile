# Porvane: the front door. CMake does the building; see README.md.
#   make run     build the installer and run it under Wine
#   make test    build everything and run every test (native, Win32 under Wine, end to end, fuzz smoke)
#   make dist    build only what dist/Porvane.exe needs; sign it when SIGN_CERT and SIGN_KEY are given;
#                and the packers dist/porvane-pack and dist/porvane-pack.exe
#   make reproduce   two clean builds in two fresh folders must give the same bytes
#   make bench | fuzz | screenshots | clean

BUILD      ?= build
NATIVE     := $(BUILD)/native
WIN32      := $(BUILD)/win32
WINE_ROOT  := $(abspath $(BUILD))/wine
HARNESS    := WINE_ROOT=$(WINE_ROOT) scripts/wine-harness.sh
JOBS       ?= 2
# Wine harnesses (a prefix, a display and a wineserver each) that run the Win32 and end-to-end
# tests side by side: those tests mostly wait, so more harnesses than cores still pay.
HARNESSES  ?= 4
FUZZ_SECONDS ?= 300

# make dist PRODUCT=path/to/other.product: that product's installer, written by the packer
# dist/porvane-pack into the product-free installer it carries (no compiler involved), then signed
# like Vantrel's when asked.
PRODUCT_INSTALLER = $(BUILD)/products/$(basename $(notdir $(PRODUCT))).exe

# Signing (optional): a PEM certificate (chain) and its key; a timestamp server's address.
SIGN_CERT  ?=
SIGN_KEY   ?=
SIGN_TIMESTAMP_URL ?=

# The targets the installer needs: the packer (native) and the installer, which the packer writes
# into the product-free installer with the product programs and the uninstaller it makes.
DIST_NATIVE_TARGETS := porvane-pack
DIST_WIN32_TARGETS  := Porvane

CONFIGURE_NATIVE = cmake -S . -B $(NATIVE) -G Ninja -DPORVANE_WIN32_BUILD_DIR=$(abspath $(BUILD))/win32 >/dev/null
CONFIGURE_WIN32  = cmake -S . -B $(WIN32) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DPORVANE_PACKER=$(abspath $(NATIVE))/tools/porvane-pack -DPORVANE_WINE_ROOT=$(WINE_ROOT) \
    >/dev/null
# Copies the installer to dist/, signs it when asked, prints its size and hash.
MAKE_DIST = SIGN_CERT='$(SIGN_CERT)' SIGN_KEY='$(SIGN_KEY)' SIGN_TIMESTAMP_URL='$(SIGN_TIMESTAMP_URL)' \
    scripts/make-dist.sh $(WIN32)/wizard/Porvane.exe dist/Porvane.exe

.PHONY: all setup native win32 installer packers dist run test bench fuzz screenshots reproduce clean

all: dist

setup:
	@scripts/setup-host.sh

# Everything: tools, tests, fuzzers, benchmarks.
native: setup
	@$(CONFIGURE_NATIVE)
	@cmake --build $(NATIVE) -j $(JOBS)

win32: native
	@$(CONFIGURE_WIN32)
	@cmake --build $(WIN32) -j $(JOBS)

# Only the installer and what goes into it.
installer: setup
	@$(CONFIGURE_NATIVE)
	@cmake --build $(NATIVE) -j $(JOBS) --target $(DIST_NATIVE_TARGETS)
	@$(CONFIGURE_WIN32)
	@cmake --build $(WIN32) -j $(JOBS) --target $(DIST_WIN32_TARGETS)

# The packers a publisher takes away: for Linux and for Windows, each carrying the product-free
# installer and uninstaller, so that `porvane-pack build` needs nothing else.
packers: installer
	@cmake --build $(WIN32) -j $(JOBS) --target porvane_pack_windows
	@cmake --build $(NATIVE) -j $(JOBS) --target porvane-pack-dist
	@mkdir -p dist
	@cp $(NATIVE)/tools/porvane-pack-carrying dist/porvane-pack
	@cp $(WIN32)/porvane-pack.exe dist/porvane-pack.exe
	@echo "dist/porvane-pack, dist/porvane-pack.exe: the packers, carrying the product-free programs"

ifeq ($(PRODUCT),)
dist: packers
	@$(MAKE_DIST)
else
dist: packers
	@mkdir -p $(dir $(PRODUCT_INSTALLER))
	@dist/porvane-pack build $(PRODUCT) -o $(PRODUCT_INSTALLER)
	@SIGN_CERT='$(SIGN_CERT)' SIGN_KEY='$(SIGN_KEY)' SIGN_TIMESTAMP_URL='$(SIGN_TIMESTAMP_URL)' \
	    scripts/make-dist.sh $(PRODUCT_INSTALLER) dist/Porvane.exe
endif

# The installer and the driver of the unattended run, not the tests.
run: installer
	@cmake --build $(WIN32) -j $(JOBS) --target porvane_unattended
	@$(MAKE_DIST)
	@WINE_ROOT=$(WINE_ROOT) scripts/run-installer.sh dist/Porvane.exe

test: win32
	@$(MAKE_DIST)
	@WINE_ROOT=$(WINE_ROOT) NATIVE=$(NATIVE) WIN32=$(WIN32) JOBS=$(JOBS) HARNESSES=$(HARNESSES) scripts/run-tests.sh

bench: win32
	@$(MAKE_DIST)
	@WINE_ROOT=$(WINE_ROOT) NATIVE=$(NATIVE) WIN32=$(WIN32) scripts/run-bench.sh

fuzz: native
	@NATIVE=$(NATIVE) scripts/run-fuzz.sh $(FUZZ_SECONDS)

screenshots: win32
	@$(MAKE_DIST)
	@WINE_ROOT=$(WINE_ROOT) WIN32=$(WIN32) scripts/make-screenshots.sh docs/screenshots

reproduce: setup
	@scripts/reproduce.sh $(BUILD)/reproduce

clean:
	@-$(HARNESS) down 2>/dev/null
	rm -rf $(BUILD) dist
