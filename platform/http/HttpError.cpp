#include "platform/http/HttpError.h"

namespace tl {

std::string HttpError::description() const
{
    switch (kind) {
    case Kind::cancelled:
        return "The request was cancelled.";
    case Kind::invalidURL:
        return "The address is not a valid web address.";
    case Kind::invalidHeader:
        return "A request header contains a line break or a null character.";
    case Kind::cannotConnect:
        return "Could not connect to the server.";
    case Kind::timedOut:
        return "The request timed out.";
    case Kind::tooLarge:
        return "The server's reply is too large.";
    case Kind::tooManyRedirects:
        return "The server redirected too many times.";
    case Kind::secureConnectionFailed:
        return "A secure connection to the server could not be made.";
    case Kind::connectionLost:
        return "The network connection was lost.";
    }
    return "The request failed.";
}

} // namespace tl
