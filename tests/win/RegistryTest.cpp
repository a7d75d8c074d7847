// Registry reads keep to their byte limit, also for text stored without its terminator.
#include <gtest/gtest.h>

#include "support/TestEnv.h"
#include "win/Registry.h"

namespace {

class ScratchKey {
public:
    ScratchKey() : path_("Software\\" + testenv::UniqueName("RegistryTest")) {
        HKEY created = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                            nullptr) == ERROR_SUCCESS)
            key_.reset(created);
    }
    ~ScratchKey() {
        key_.reset();
        testenv::DeleteRegistryTree(HKEY_CURRENT_USER, path_);
    }
    HKEY get() const { return key_.get(); }

    // Stores the first `count` bytes of `bytes` as the value's data. The system adds a
    // terminator the caller forgot when the byte behind the data is zero, so a text meant to
    // stay unterminated needs a byte of its own behind it.
    bool SetRaw(const char* name, DWORD type, const std::string& bytes, size_t count) const {
        return RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(count)) == ERROR_SUCCESS;
    }

private:
    std::string path_;
    win::UniqueKey key_;
};

TEST(RegistryReadString, TextAndItsTerminatorMustFitTheLimit) {
    ScratchKey key;
    ASSERT_TRUE(key.get());
    ASSERT_TRUE(key.SetRaw("Terminated", REG_SZ, std::string("abcd", 5), 5));
    ASSERT_TRUE(key.SetRaw("Bare", REG_SZ, "abcdX", 4));

    std::string out = "untouched";
    EXPECT_FALSE(win::ReadString(key.get(), "Terminated", 4, &out));
    // Data that fills the limit without a terminator would give a text one character too long.
    EXPECT_FALSE(win::ReadString(key.get(), "Bare", 4, &out));
    EXPECT_EQ("untouched", out);

    ASSERT_TRUE(win::ReadString(key.get(), "Terminated", 5, &out));
    EXPECT_EQ("abcd", out);
    ASSERT_TRUE(win::ReadString(key.get(), "Bare", 5, &out));
    EXPECT_EQ("abcd", out);
}

}  // namespace
