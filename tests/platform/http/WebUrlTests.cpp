#include "platform/http/WebUrl.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

TEST(WebUrl, OnlyAbsoluteWebAddressesWithAHost)
{
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        { "https://example.com/image.png", true },
        { "http://127.0.0.1:8080/api", true },
        { "HTTPS://Example.com", true },
        { "https://example.com/a?key=b", true },
        { "file:///etc/passwd", false },
        { "data:image/png;base64,AAAA", false },
        { "ftp://example.com/x", false },
        { "https://", false },
        { "example.com/image.png", false },
        { "/api/token", false },
        { "", false },
        { "https://exa mple.com/", false },
        { "https://example.com/\r\nHost: evil", false },
        { "not a url at all", false },
    };
    for (const auto& entry : cases)
        EXPECT_EQ(isWebURL(entry.text), entry.accepted) << entry.text;
}

} // namespace
} // namespace tl
