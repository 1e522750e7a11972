BUILD_DIR ?= build
SAMPLE ?= samples/Seaside.vorrind
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)

.PHONY: deps build run test test-sanitized install uninstall clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/shell/Tidelumine $(SAMPLE)

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, in its own folder.
test-sanitized:
	JOBS=$(JOBS) bash scripts/test-sanitized.sh

# Installs what `make build` (or `make test`) built; it installs no packages and configures nothing.
install:
	@test -f $(BUILD_DIR)/cmake_install.cmake || { echo "Nothing built in $(BUILD_DIR): run make build first (as a user who may use sudo)"; exit 1; }
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Removes exactly the files the last `make install` listed in CMake's install manifest (give the
# same DESTDIR: the manifest lists the paths without it).
uninstall:
	@test -f $(BUILD_DIR)/install_manifest.txt || { echo "No $(BUILD_DIR)/install_manifest.txt: nothing was installed from this build"; exit 1; }
	sed 's|^|$(DESTDIR)|' $(BUILD_DIR)/install_manifest.txt | xargs -d '\n' rm -f --

clean:
	rm -rf $(BUILD_DIR)
