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

# Starts the window when it is built, else the command line front end.
run: build
	@if [ -x $(BUILD)/bin/geolynx ]; then exec $(BUILD)/bin/geolynx; \
	elif [ -x $(BUILD)/bin/geolynx-cli ]; then exec $(BUILD)/bin/geolynx-cli --help; \
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
