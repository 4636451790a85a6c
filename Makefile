# The two commands of a fresh machine: `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: run test build build-asan bootstrap fuzz bench clean

bootstrap:
	@tools/bootstrap.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGEOLYNX_SANITIZE=ON $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: bootstrap $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Starts the window when it is built and a display is there. Without a
# display it says how to start one and shows one conversion through the
# command line front end instead; that is no failure of the build.
TASTE = convert --from datum:4326 --to grid:32631 4.5 52.5
run: build
	@if [ -x $(BUILD)/bin/geolynx ] && [ -n "$$DISPLAY$$WAYLAND_DISPLAY$$QT_QPA_PLATFORM" ]; then \
	  exec $(BUILD)/bin/geolynx; \
	elif [ -x $(BUILD)/bin/geolynx-cli ]; then \
	  if [ -x $(BUILD)/bin/geolynx ]; then \
	    echo "No display found. Start the window under a virtual one with: xvfb-run -a $(BUILD)/bin/geolynx"; \
	  fi; \
	  echo "Meanwhile, a taste of the program: 4.5 E 52.5 N on WGS 84 in UTM zone 31N (easting northing height):"; \
	  echo "  $(BUILD)/bin/geolynx-cli $(TASTE)"; \
	  $(BUILD)/bin/geolynx-cli $(TASTE) || exit 1; \
	  echo "More: $(BUILD)/bin/geolynx-cli --help"; \
	else echo "no front end has been built yet"; exit 1; fi

test:
	@tools/run-tests.sh $(BUILD) $(ASAN_BUILD) $(JOBS)

fuzz: bootstrap
	@tools/run-fuzz.sh

bench: build
	@tools/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz

# The Debian package, $(BUILD)/geolynx_<version>_<architecture>.deb, made by CPack.
.PHONY: package
package: build
	cmake --build $(BUILD) --target package
