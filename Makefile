BUILD_DIR ?= build
SAMPLE ?= samples/Seaside.vorrind
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)

.PHONY: deps build run test test-sanitized install clean

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

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD_DIR)
