#include "model/RecentProject.h"

namespace {

std::size_t combine(std::size_t seed, std::size_t hash)
{
    return seed ^ (hash + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
}

} // namespace

std::size_t std::hash<tl::RecentProject>::operator()(const tl::RecentProject& project) const noexcept
{
    std::size_t seed = std::hash<std::string> {}(project.path);
    seed = combine(seed, std::hash<std::string> {}(project.displayName));
    return combine(seed, std::hash<double> {}(project.lastOpened.secondsSinceReferenceDate()));
}
