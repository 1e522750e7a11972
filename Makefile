BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps build run test clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/app/Tidelumine

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
