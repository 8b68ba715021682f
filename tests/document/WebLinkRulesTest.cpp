#include <gtest/gtest.h>

#include <string>

#include "document/WebLinkRules.h"

namespace WebLinkRules = foldcraft::WebLinkRules;

// The name derived from a link, and the message for a link and name (empty: accepted).
TEST(WebLinkRules, DerivedNameAndMessage) {
    const struct {
        const char *link, *derived, *name, *message;
    } rows[] = {
        {"http://www.example.org/news", "example.org/news", "a", ""},
        {"https://www.example.org", "example.org", "", "Please enter a name for the link."},
        {"ftp://www.example.org", "www.example.org", "a", ""},
        {"mailto:someone", "someone", "a", ""},
        {"http://www.", "", "a", ""},
        {"HTTP://example.org", "", "a", ""},
        {"://", "", "a", ""},
        {"www.example.org", "", "a", "Link is improperly formatted."},
        {"a@example.org", "", "a", "Link is improperly formatted."},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(WebLinkRules::DerivedName(r.link), r.derived) << r.link;
        EXPECT_EQ(WebLinkRules::CheckLink(r.link, r.name), r.message) << r.link;
    }
}
