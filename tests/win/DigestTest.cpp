// The digest the Uninstall entry keeps, and the ones a package's seals hold, are SHA-256 as
// anyone can check it: the standard's own examples, hex in lower case, of bytes and of files
// (the last longer than one piece the file is read in).
#include <gtest/gtest.h>

#include <string>

#include "support/TestEnv.h"
#include "win/Digest.h"

namespace {

TEST(Sha256, GivesTheStandardDigestsOfBytesAndFiles) {
    const struct {
        std::string bytes;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    const std::string file = testenv::FreshFolder() + "\\bytes";
    const win::Sha256Digests digests;
    for (const auto& c : cases) {
        std::string digest;
        ASSERT_TRUE(win::Sha256Hex(c.bytes, &digest));
        EXPECT_EQ(c.digest, digest) << c.bytes.size();
        ASSERT_TRUE(testenv::WriteFile(file, c.bytes));
        uint64_t size = 1;
        digest.clear();
        ASSERT_TRUE(digests.OfFile(file, &size, &digest));
        EXPECT_EQ(c.digest, digest) << c.bytes.size();
        EXPECT_EQ(c.bytes.size(), size);
    }
    uint64_t size = 0;
    std::string digest;
    EXPECT_FALSE(digests.OfFile(file + ".missing", &size, &digest));
}

}  // namespace
