#pragma once

#include "generation/ClientSideImageGenerator.h"

#include <vector>

namespace tl {

// The ten lighting phases of a generated day, from night to sunset.
std::vector<PhaseDescriptor> lightingPhaseTable();

} // namespace tl
