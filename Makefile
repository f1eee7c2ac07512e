# The set-up commands of the README.
#   make run      install what is missing, build (Release), start the program
#   make test     install what is missing, build with sanitizers, run every test
#   make install  build (Release) and install into PREFIX (default ~/.local) as a desktop program
#   make package  build (Release) the Debian packages ijken and ijken-office into build/

JOBS ?= 2
BUILD_RELEASE := build
BUILD_TEST := build-test
BUILD_FUZZ := build-fuzz

PREFIX ?= $(HOME)/.local

.PHONY: run test build build-test deps clean install fuzz build-fuzz package

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_RELEASE) -DCMAKE_BUILD_TYPE=Release -DIJKEN_BUILD_TESTS=OFF -DIJKEN_BUILD_BENCH=OFF >/dev/null
	cmake --build $(BUILD_RELEASE) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found. Start the program under a virtual display with:"; \
	  echo "  xvfb-run -a -s \"-screen 0 1024x768x24\" ./$(BUILD_RELEASE)/ijken"; \
	  echo "or without any display: ./$(BUILD_RELEASE)/ijken -platform offscreen"; \
	  exit 1; \
	fi
	./$(BUILD_RELEASE)/ijken

build-test: deps
	cmake -S . -B $(BUILD_TEST) -DCMAKE_BUILD_TYPE=Debug -DIJKEN_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_TEST) -j$(JOBS)

test: build-test
	cd $(BUILD_TEST) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

install: build
	cmake --install $(BUILD_RELEASE) --prefix $(PREFIX)

# The libFuzzer targets (clang, ASan + UBSan), each run in turn for FUZZ_TIME seconds (default 60)
# or FUZZ_RUNS executions; FUZZ_TARGETS picks some ("make fuzz FUZZ_TARGETS=reading FUZZ_TIME=3600").
build-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIJKEN_FUZZ=ON \
	  -DIJKEN_BUILD_TESTS=OFF -DIJKEN_BUILD_BENCH=OFF >/dev/null
	cmake --build $(BUILD_FUZZ) -j$(JOBS)

fuzz: build-fuzz
	scripts/run-fuzz $(BUILD_FUZZ) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD_RELEASE) $(BUILD_TEST) $(BUILD_FUZZ)

# The two Debian packages, ijken_VERSION_amd64.deb and ijken-office_VERSION_amd64.deb, into build/.
package: build
	cd $(BUILD_RELEASE) && cpack -G DEB
