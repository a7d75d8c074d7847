// Descriptor registration against the real current-user registry of the test prefix. The
// loader's key is made by each test that needs it and removed again afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "loader/Loader.h"
#include "support/InstallRun.h"
#include "support/TestEnv.h"
#include "win/Registry.h"

namespace {

const char kVendorKey[] = "Software\\Research In Motion";
const char kLoaderKey[] = "Software\\Research In Motion\\BlackBerry\\Loader";
const char kPackagesKey[] = "Software\\Research In Motion\\BlackBerry\\Loader\\Packages";

bool KeyExists(const char* path) {
    win::UniqueKey key;
    return win::OpenKey(HKEY_CURRENT_USER, path, KEY_READ, &key);
}

bool CreateKey(const char* path) {
    win::UniqueKey key;
    return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
           ERROR_SUCCESS;
}

// The data of a Packages value and its type, or false when it is missing.
bool PackageValue(const std::string& name, std::string* data, DWORD* type = nullptr) {
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_CURRENT_USER, kPackagesKey, KEY_READ, &key)) return false;
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    DWORD valueType = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &valueType, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return false;
    *data = buffer;
    if (type) *type = valueType;
    return size == data->size() + 1;  // stored with its terminator
}

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ownsVendorKey_ = !KeyExists(kVendorKey);
        ASSERT_TRUE(ownsVendorKey_) << "the prefix already has a loader key; refusing to touch it";
        const std::string folder = testenv::FreshFolder();
        run_.reset(new InstallRun(folder, folder + "\\install.log"));
    }
    // The plan of `project` into `installFolder`, as the installation registers it.
    void Register(const Project& project, const std::string& installFolder) {
        SectionPlaces places;
        places.systemFolder = "C:\\Windows\\system32";
        InstallPlan plan;
        ASSERT_TRUE(MakePlan(project, installFolder, places, &plan));
        RegisterAlxFiles(run_->journal, plan);
    }
    void TearDown() override {
        if (ownsVendorKey_) testenv::DeleteRegistryTree(HKEY_CURRENT_USER, kVendorKey);
    }
    void MakePackagesKey() { ASSERT_TRUE(CreateKey(kPackagesKey)); }

    bool ownsVendorKey_ = false;
    std::unique_ptr<InstallRun> run_;
};

TEST_F(LoaderTest, ResultCodesOfReadAndWrite) {
    std::string out = "stale";
    EXPECT_EQ(kLoaderKeyMissing, ReadLoaderPackage("net.rim.i386.memopad", &out, 128));
    EXPECT_EQ("", out);
    EXPECT_EQ(kLoaderKeyMissing, WriteLoaderPackage(run_->journal, "x", "y"));

    ASSERT_TRUE(CreateKey(kLoaderKey));
    EXPECT_EQ(kLoaderPackagesMissing, ReadLoaderPackage("net.rim.i386.memopad", &out, 128));
    EXPECT_EQ(kLoaderPackagesMissing, WriteLoaderPackage(run_->journal, "x", "y"));
    EXPECT_FALSE(KeyExists(kPackagesKey));  // opened, never created

    MakePackagesKey();
    out = "stale";
    EXPECT_EQ(kLoaderValueFailed, ReadLoaderPackage("net.rim.i386.memopad", &out, 128));
    EXPECT_EQ("", out);

    ASSERT_EQ(kLoaderOk, WriteLoaderPackage(run_->journal, "net.rim.i386.memopad", "C:\\Loader\\memopad.alx"));
    std::string stored;
    DWORD type = 0;
    ASSERT_TRUE(PackageValue("net.rim.i386.memopad", &stored, &type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(kLoaderOk, ReadLoaderPackage("net.rim.i386.memopad", &out, 128));
    EXPECT_EQ("C:\\Loader\\memopad.alx", out);
}

TEST_F(LoaderTest, ReadFailsWhenTheDataExceedsTheBuffer) {
    MakePackagesKey();
    ASSERT_EQ(kLoaderOk, WriteLoaderPackage(run_->journal, "sized", std::string(9, 'a')));  // ten bytes stored
    std::string out = "stale";
    EXPECT_EQ(kLoaderValueFailed, ReadLoaderPackage("sized", &out, 9));
    EXPECT_EQ("", out);
    EXPECT_EQ(kLoaderOk, ReadLoaderPackage("sized", &out, 10));
    EXPECT_EQ(std::string(9, 'a'), out);

    // The type is not looked at, and data without a terminator stays within the buffer.
    win::UniqueKey key;
    ASSERT_TRUE(win::OpenKey(HKEY_CURRENT_USER, kPackagesKey, KEY_ALL_ACCESS, &key));
    const char raw[4] = {'w', 'x', 'y', 'z'};
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key.get(), "binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>(raw), sizeof(raw)));
    EXPECT_EQ(kLoaderOk, ReadLoaderPackage("binary", &out, 4));
    EXPECT_EQ("wxyz", out);
}

// A project whose Application section has the folders "" and "lib".
Project& MainProject(const std::string& title) {
    static Project project;
    project.Reset();
    project.title = title;
    project.folders[kSectionApplication] = {"", "lib\\"};
    return project;
}

void AddFile(Project& project, FileSection section, const std::string& path, int folder) {
    FileEntry entry;
    entry.path = path;
    entry.folder = folder;
    project.files[section].push_back(entry);
}

TEST_F(LoaderTest, FirstDescriptorUnderTheTitleLaterOnesUnderTheirPath) {
    MakePackagesKey();
    const std::string title = testenv::UniqueName("Notes");
    Project& project = MainProject(title);
    AddFile(project, kSectionApplication, "readme.txt", 0);
    AddFile(project, kSectionApplication, "app.alx", 0);
    AddFile(project, kSectionApplication, "lib.ALX", 1);
    AddFile(project, kSectionApplication, "sub\\extra.Alx", 1);
    for (FileSection other : {kSectionSystem, kSectionConduit, kSectionMountedDevice}) {
        project.folders[other] = {"C:\\x"};
        AddFile(project, other, "other.alx", 0);
    }
    std::string installFolder = "C:\\Program Files\\Acme\\Notes\\";

    Register(project, installFolder);
    std::string data;
    ASSERT_TRUE(PackageValue(title, &data));
    EXPECT_EQ("C:\\Program Files\\Acme\\Notes\\app.alx", data);
    ASSERT_TRUE(PackageValue("lib.ALX", &data));
    EXPECT_EQ("C:\\Program Files\\Acme\\Notes\\lib\\lib.ALX", data);
    ASSERT_TRUE(PackageValue("sub\\extra.Alx", &data));
    EXPECT_EQ("C:\\Program Files\\Acme\\Notes\\lib\\sub\\extra.Alx", data);
    EXPECT_FALSE(PackageValue("readme.txt", &data));
    EXPECT_FALSE(PackageValue("other.alx", &data));

    // A reinstallation into another folder replaces the values.
    installFolder = "D:\\Notes";
    Register(project, installFolder);
    ASSERT_TRUE(PackageValue(title, &data));
    EXPECT_EQ("D:\\Notes\\app.alx", data);
    ASSERT_TRUE(PackageValue("lib.ALX", &data));
    EXPECT_EQ("D:\\Notes\\lib\\lib.ALX", data);
}

TEST_F(LoaderTest, AlxAnywhereInThePathCounts) {
    MakePackagesKey();
    const std::string title = testenv::UniqueName("Notes");
    Project& project = MainProject(title);
    AddFile(project, kSectionApplication, "notes.alx.txt", 0);
    AddFile(project, kSectionApplication, "readme.txt", 0);
    std::string installFolder = "C:\\Apps\\plain";
    Register(project, installFolder);
    std::string data;
    ASSERT_TRUE(PackageValue(title, &data));
    EXPECT_EQ("C:\\Apps\\plain\\notes.alx.txt", data);
    EXPECT_FALSE(PackageValue("readme.txt", &data));

    // A folder named like a descriptor makes every file in it match.
    installFolder = "C:\\Apps\\Kit.aLx";
    Register(project, installFolder);
    ASSERT_TRUE(PackageValue("readme.txt", &data));
    EXPECT_EQ("C:\\Apps\\Kit.aLx\\readme.txt", data);
}

TEST_F(LoaderTest, SelectedComponentsRegisterUnderTheirOwnTitle) {
    MakePackagesKey();
    const std::string title = testenv::UniqueName("Main");
    Project& project = MainProject(title);
    AddFile(project, kSectionApplication, "main.alx", 0);
    const std::string titles[] = {title + "_A", title + "_B", title + "_C"};
    for (int i = 0; i < 3; ++i) {
        project.components.emplace_back();
        Project& sub = *project.components.back().sub;
        sub.title = titles[i];
        sub.defTargetDir = "D:\\Own\\" + titles[i];  // where one that does not use the main folder goes
        sub.folders[kSectionApplication] = {"comp"};
        AddFile(sub, kSectionApplication, "first" + std::to_string(i) + ".alx", 0);
        AddFile(sub, kSectionApplication, "second" + std::to_string(i) + ".alx", 0);
    }
    project.components[1].selected = 0;
    project.components[0].useMainFolder = 0;  // installs into a folder of its own
    // A nested component of a selected one is reached through its own Multicomp.
    Project& nestedParent = *project.components[2].sub;
    nestedParent.multicomp = 1;
    nestedParent.components.emplace_back();
    nestedParent.components.back().sub->title = title + "_C1";
    nestedParent.components.back().sub->folders[kSectionApplication] = {""};
    AddFile(*nestedParent.components.back().sub, kSectionApplication, "nested.alx", 0);
    std::string installFolder = "C:\\Main";

    project.multicomp = 0;
    Register(project, installFolder);
    std::string data;
    ASSERT_TRUE(PackageValue(title, &data));
    EXPECT_FALSE(PackageValue(titles[0], &data));

    project.multicomp = 1;
    Register(project, installFolder);
    ASSERT_TRUE(PackageValue(titles[0], &data));
    EXPECT_EQ("D:\\Own\\" + titles[0] + "\\comp\\first0.alx", data);
    ASSERT_TRUE(PackageValue("second0.alx", &data));  // each project counts its own files
    EXPECT_FALSE(PackageValue(titles[1], &data));
    EXPECT_FALSE(PackageValue("second1.alx", &data));
    ASSERT_TRUE(PackageValue(titles[2], &data));
    ASSERT_TRUE(PackageValue(title + "_C1", &data));
    EXPECT_EQ("C:\\Main\\nested.alx", data);
}

TEST_F(LoaderTest, WithoutTheLoaderKeyNothingIsWritten) {
    Project& project = MainProject(testenv::UniqueName("Notes"));
    AddFile(project, kSectionApplication, "app.alx", 0);
    std::string installFolder = "C:\\Notes";
    Register(project, installFolder);
    EXPECT_FALSE(KeyExists(kLoaderKey));

    ASSERT_TRUE(CreateKey(kLoaderKey));
    Register(project, installFolder);
    EXPECT_FALSE(KeyExists(kPackagesKey));
}

}  // namespace
