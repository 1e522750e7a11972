#pragma once

namespace tl {

// Combines lambdas into one visitor for std::visit.
template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

}  // namespace tl
