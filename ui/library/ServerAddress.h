#pragma once

#include <functional>
#include <string>

namespace tl {
struct GenerationServices;
}

namespace tl::ui {

// The product server's address as the settings window shows it ("Current server:"), read anew at
// each call so a change in Settings applies to the next request. Without settings (tools and
// tests that set none) it is the environment's or the release address.
std::function<std::string()> serverAddress(const GenerationServices& generation);

} // namespace tl::ui
