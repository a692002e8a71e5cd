# The two commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# The icons drawn at build time, the Debian package and the checks of it and of the desktop files.
DESKTOP_PACKAGES := librsvg2-bin dpkg-dev lintian appstream desktop-file-utils shared-mime-info xdg-utils \
	libfile-mimeinfo-perl
# Debian packages the build, the tests and the real-window runs need (strace: the test that reads the order of
# the real syncs).
PACKAGES := cmake make g++ qt6-base-dev libgl-dev libssl-dev xvfb xauth fonts-dejavu-core clang libclang-rt-14-dev strace \
	$(DESKTOP_PACKAGES)
# Debian packages the benchmarks compare with.
BENCH_PACKAGES := ccrypt

.PHONY: run test build configure deps bench-deps bench fuzz clean package

run: build
	$(BUILD_DIR)/bin/zq4

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

# The Debian package, build/zq4_<version>_<architecture>.deb.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

configure: deps
	@test -f $(BUILD_DIR)/CMakeCache.txt || cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Installs the Debian packages of $(1) that are missing; without root it lists them and, when $(2) is
# "required", fails.
define install_missing
@missing=""; for p in $(1); do \
    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
done; \
if [ -n "$$missing" ]; then \
    if [ "$$(id -u)" = 0 ]; then \
        echo "Installing:$$missing"; \
        DEBIAN_FRONTEND=noninteractive apt-get update -q && \
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
    else \
        echo "Missing packages. Run as root:"; \
        echo "  apt-get install -y$$missing"; \
        test "$(2)" != required; \
    fi; \
fi
endef

deps:
	$(call install_missing,$(PACKAGES),required)

# The in-place reference of bench_batch; without it that case is skipped with a message.
bench-deps:
	$(call install_missing,$(BENCH_PACKAGES),optional)

bench: build bench-deps
	@ls $(BUILD_DIR)/bin/bench_* >/dev/null 2>&1 && for b in $(BUILD_DIR)/bin/bench_*; do echo "== $$b"; $$b; done

fuzz: deps
	bash fuzz/run.sh

clean:
	rm -rf $(BUILD_DIR)
