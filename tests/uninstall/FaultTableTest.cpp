// One fault per row in what a run cannot do without: the run, in this process, must fail, record
// the step, subject and code of the call that failed, trace that one line, and leave another
// product's files, count and entry as they were; without the fault, an uninstall then ends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/RunResult.h"
#include "base/Trace.h"
#include "engine/InstallDriver.h"
#include "engine/UninstallEntry.h"
#include "state/Messages.h"
#include "support/InstallRun.h"
#include "support/Product.h"
#include "support/Snapshot.h"
#include "uninstall/Uninstaller.h"
#include "win/Files.h"

namespace {

std::vector<std::string> g_failed;  // the trace's lines as Fail writes them
void Capture(const char* line) {
    if (!std::strstr(line, "::") && std::strstr(line, " failed")) g_failed.push_back(line);
}

enum Fault { kSharedDenied, kSharedReadOnly, kListDenied, kEntryDenied, kDigestDiffers, kLink, kCutTaken, kEntryHeld };

// A fault in place, taken away however the row ends.
class Planted {
public:
    Planted(Fault fault, const product::Product& p) {
        const std::string entry = std::string(kUninstallListKey) + "\\" + p.displayName, docs = p.install + "\\docs";
        win::UniqueKey key;
        switch (fault) {
        case kSharedDenied: ok = Deny(sharedkey::kPath); break;
        case kListDenied: ok = Deny(kUninstallListKey); break;
        case kEntryDenied: ok = Deny(entry); break;
        case kSharedReadOnly:
            win::SetKeyAccessHook([](HKEY, const std::string& path, REGSAM access) -> REGSAM {
                return path == sharedkey::kPath ? KEY_READ : access;
            });
            break;
        case kDigestDiffers:
            ok = win::OpenKey(HKEY_LOCAL_MACHINE, entry, KEY_SET_VALUE, &key) &&
                 win::WriteString(key.get(), kLogDigestValue, std::string(64, '0'));
            break;
        case kLink: ok = MoveFileA(docs.c_str(), (docs + "-").c_str()) && testenv::LinkFolder(docs, docs + "-"); break;
        case kCutTaken: ok = CreateDirectoryA((folder_ = p.installLog + ".cut").c_str(), nullptr); break;
        case kEntryHeld:  // a key with a subkey cannot be deleted
            ok = !RegCreateKeyExA(HKEY_LOCAL_MACHINE, (subkey_ = entry + "\\held").c_str(), 0, nullptr, 0, KEY_READ,
                                  nullptr, key.put(), nullptr);
        }
    }
    ~Planted() {
        win::SetKeyAccessHook(nullptr);
        if (!folder_.empty()) RemoveDirectoryA(folder_.c_str());
        if (!subkey_.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, subkey_.c_str());
        if (denied_) RegSetKeySecurity(denied_.get(), DACL_SECURITY_INFORMATION, saved_.data());
    }
    bool ok = true;

private:
    // An empty access list grants nothing: the key is there, and opening it is refused.
    bool Deny(const std::string& path) {
        win::UniqueKey key;
        DWORD size = 0;
        ACL none;
        SECURITY_DESCRIPTOR empty;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | WRITE_DAC, key.put()) ||
            RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER)
            return false;
        saved_.resize(size);
        if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data(), &size) ||
            !InitializeAcl(&none, sizeof(none), ACL_REVISION) ||
            !InitializeSecurityDescriptor(&empty, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&empty, TRUE, &none, FALSE) ||
            RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &empty))
            return false;
        denied_ = std::move(key);
        return true;
    }
    win::UniqueKey denied_;  // its access list emptied; saved_ goes back
    std::vector<char> saved_;
    std::string folder_, subkey_;
};

using FaultTable = product::ProductTest;

TEST_F(FaultTable, EachFaultFailsTheRunWithItsCauseAndSparesTheOtherProduct) {
    enum Driven { kInstall, kUpgrade, kUninstall };
    // The subject's %s: the shared-library list, %k: the list of installed programs; the product's %e: entry,
    // %i: install folder, %f: shared file. `taken`: of the shared count by the failed run, the product's own share.
    const struct {
        Fault fault;
        Driven run;
        const char* step;
        const char* subject;
        unsigned long error;
        long taken;
        bool again;  // the uninstall then runs again without the fault
    } rows[] = {
        {kSharedDenied, kInstall, "SharedCount", "%s", ERROR_ACCESS_DENIED, 0, false},
        {kSharedDenied, kUninstall, "SharedCount", "%s", ERROR_ACCESS_DENIED, 0, true},
        {kSharedReadOnly, kUninstall, "SharedCount", "%f", ERROR_ACCESS_DENIED, 0, true},
        {kListDenied, kUninstall, "InstallLogDigest", "%k", ERROR_ACCESS_DENIED, 0, true},
        {kEntryDenied, kUpgrade, "InstallLogDigest", "%k\\%e", ERROR_ACCESS_DENIED, 0, false},
        {kDigestDiffers, kUpgrade, "SettleInstallLog", "%i\\install.log", 0, 0, false},
        {kLink, kUninstall, "Uninstall", "%i\\docs", 0, 0, false},
        {kCutTaken, kUninstall, "CutInstallLog", "%i\\install.log.cut", ERROR_FILE_EXISTS, 0, true},
        {kEntryHeld, kUninstall, "Uninstall", "%e", ERROR_ACCESS_DENIED, 1, true},
    };
    const std::string company = testenv::UniqueName("F"), shared = testenv::UniqueName("s") + ".dll";
    product::Product keep = Make(company, "Keep", shared);
    product::UseMachineFolders(&keep, &cleanup_);
    ASSERT_TRUE(product::Install(keep, {}));
    snapshot::Places kept;
    kept.folders = {keep.install, keep.menu};
    kept.files = {keep.systemFile, keep.startupLink};
    kept.keys = {{HKEY_LOCAL_MACHINE, std::string(kUninstallListKey) + "\\" + keep.displayName}};
    kept.values = {{HKEY_CURRENT_USER, installed::kSelfRegKey, shared}};
    SetQuietMessages(true);
    SetTraceSink(Capture);
    const std::string library = " -l" + testenv::BinFolder() + "ResENU.DLL";
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        product::Product victim = Make(company, "V" + std::to_string(&row - rows), shared);
        product::UseMachineFolders(&victim, &cleanup_);
        ASSERT_TRUE(row.run == kInstall || product::Install(victim, {}));
        const std::string log = testenv::ReadFile(victim.installLog);
        const snapshot::Machine before = snapshot::Take(kept);
        const long count = sharedkey::Count(keep.systemFile);
        Outcome() = RunOutcome();
        g_failed.clear();
        int exitCode = 0;
        {
            Planted planted(row.fault, victim);
            ASSERT_TRUE(planted.ok);
            if (row.run == kUninstall) {
                EXPECT_TRUE(ServiceUninstallRequest("-u" + victim.installLog + library, "", &exitCode));
                EXPECT_NE("", installed::UninstallValue(victim.displayName, "DisplayName"));
            } else {  // the driver's run, as the progress page starts it
                const testenv::Package package = product::LayRun(victim, {});
                DriverRun driver;
                ASSERT_TRUE(PrepareDriverRun(package, victim.install, &driver));
                exitCode = DoInstall(driver.request, nullptr, &driver.result) ? kExitSuccess : kExitInstallFailed;
                EXPECT_EQ(log, testenv::ReadFile(victim.installLog));
            }
        }
        EXPECT_EQ(kExitInstallFailed, exitCode);
        std::string subject = row.subject;
        const std::pair<std::string, std::string> marks[] = {
            {"%s", "HKLM\\" + std::string(sharedkey::kPath)}, {"%k", "HKLM\\" + std::string(kUninstallListKey)},
            {"%e", victim.displayName}, {"%i", victim.install}, {"%f", victim.systemFile}};
        for (const auto& [mark, value] : marks)
            if (const size_t at = subject.find(mark); at != std::string::npos) subject.replace(at, 2, value);
        const RunFailure& failure = Outcome().failure;
        EXPECT_EQ((std::vector<std::string>{row.step, subject, std::to_string(row.error)}),
                  (std::vector<std::string>{failure.step, failure.subject, std::to_string(failure.error)}));
        const std::string code = row.error ? ": error " + std::to_string(row.error) + ", " + failure.errorText : "";
        const std::string line = row.step + (": " + failure.action) + " " + subject + " failed" + code + ".\n";
        EXPECT_EQ(std::vector<std::string>{line}, g_failed);
        EXPECT_EQ(std::vector<std::string>{}, snapshot::Differences(before, snapshot::Take(kept)));
        EXPECT_EQ(count - row.taken, sharedkey::Count(keep.systemFile));
        if (!row.again) continue;
        EXPECT_TRUE(ServiceUninstallRequest("-u" + victim.installLog + library, "", &exitCode));
        EXPECT_EQ(kExitSuccess, exitCode);
        EXPECT_EQ(count - 1, sharedkey::Count(keep.systemFile));
        EXPECT_EQ("", installed::UninstallValue(victim.displayName, "DisplayName"));
    }
    SetTraceSink(nullptr);
}

}  // namespace
