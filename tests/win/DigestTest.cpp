// The digest the Uninstall entry keeps is SHA-256 as anyone can check it: the standard's own
// examples, hex in lower case.
#include <gtest/gtest.h>

#include <string>

#include "win/Digest.h"

namespace {

TEST(Sha256Hex, GivesTheStandardDigests) {
    const struct {
        std::string bytes;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        std::string digest;
        ASSERT_TRUE(win::Sha256Hex(c.bytes, &digest));
        EXPECT_EQ(c.digest, digest) << c.bytes.size();
    }
}

}  // namespace
