#include "model/RecentProjectCoding.h"

#include "model/JsonReader.h"
#include "model/JsonWriter.h"

#include <nlohmann/json.hpp>

namespace tl {

CodingResult<std::string> encodeRecentProjects(const std::vector<RecentProject>& projects)
{
    nlohmann::json list = nlohmann::json::array();
    for (const auto& project : projects) {
        nlohmann::json entry = nlohmann::json::object();
        entry["path"] = project.path;
        entry["displayName"] = project.displayName;
        entry["lastOpened"] = project.lastOpened.secondsSinceReferenceDate();
        list.push_back(std::move(entry));
    }
    return writeJson(list, JsonLayout::compact);
}

CodingResult<std::vector<RecentProject>> decodeRecentProjects(std::string_view text)
{
    const auto parsed = parseJson(text);
    if (!parsed) return parsed.error();

    std::optional<CodingError> fault;
    std::vector<RecentProject> projects;
    for (auto& record : readObjects(parsed.value(), "", fault)) {
        projects.push_back({
            .path = record.required<std::string>("path"),
            .displayName = record.required<std::string>("displayName"),
            .lastOpened = Date::sinceReferenceDate(record.required<double>("lastOpened")),
        });
    }
    if (fault) return *fault;
    return projects;
}

} // namespace tl
