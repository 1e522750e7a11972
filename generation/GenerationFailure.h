#pragma once

#include "generation/ImageGenerationError.h"
#include "generation/ServerErrors.h"
#include "platform/Result.h"
#include "platform/http/HttpError.h"

#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace tl {

// A reply body that is not the record it should be.
struct ResponseDecodingError {
    std::string description() const { return "The server's reply could not be read."; }
    friend bool operator==(const ResponseDecodingError&, const ResponseDecodingError&) = default;
};

// Every way a generation call can end without its image. Transport errors pass through as
// they are; a cancelled transfer is the one cancellation outcome.
using GenerationFailure
    = std::variant<ImageGenerationError, TokenError, ProxyError, PromptError, HttpError, ResponseDecodingError>;

// A Result that also takes any one kind of failure directly.
template <class T> class [[nodiscard]] GenerationResult : public Result<T, GenerationFailure> {
public:
    using Result<T, GenerationFailure>::Result;

    template <class E>
    requires(!std::is_same_v<std::decay_t<E>,
                 GenerationFailure> && std::is_constructible_v<GenerationFailure, E> && !std::is_convertible_v<E, T>)
        GenerationResult(E&& error)
        : Result<T, GenerationFailure>(GenerationFailure(std::forward<E>(error)))
    {
    }
};

// The text a caller shows for the failure.
std::string describe(const GenerationFailure& failure);
// The same for a call to the product's server at `serverURL`: a connection that could not be
// made names the address it tried on a second line, so a stale custom server or a wrong port
// can be told apart.
std::string describe(const GenerationFailure& failure, std::string_view serverURL);
bool isCancellation(const GenerationFailure& failure);

inline GenerationFailure cancelledFailure()
{
    return HttpError { HttpError::Kind::cancelled };
}

} // namespace tl
