#pragma once

#include "model/CodingResult.h"
#include "model/RecentProject.h"

#include <string>
#include <string_view>
#include <vector>

namespace tl {

// The recent-projects list as compact JSON; "lastOpened" is the number of seconds since
// 2001-01-01 00:00:00 UTC, so it reads back exactly.
CodingResult<std::string> encodeRecentProjects(const std::vector<RecentProject>& projects);
CodingResult<std::vector<RecentProject>> decodeRecentProjects(std::string_view text);

} // namespace tl
