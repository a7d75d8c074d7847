// A scratch folder per test with the sources the manifests of the tests name.
#pragma once

#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testfolder {

// Every section, a component with a file of its own, both images, a licence, sources named twice.
const char kFullManifest[] = R"([package]
title = "Field Kit"
version = "3.0"
company = "Northwind Straße"
group0_min = 0
licence = "a.txt"
readme = "notes.txt"
background_image = { source = "art/back.bmp", placement = 1 }
logo = { source = "art/logo.bmp" }

[[application]]
source = "a.txt"
menu_shortcut = true
startup_shortcut = "user"

[[application]]
source = "extras/notes.txt"
folder = "docs"

[[system]]
source = "b.txt"
name = "kit.dll"
kind = "library"
register = true
replace = "always"

[[conduit]]
source = "b.txt"
name = "kit.cnd"
kind = "conduit"
conduit = { text1 = "Kit", number2 = 7 }

[[mounted_device]]
source = "a.txt"
name = "kit.cod"

[[palm]]
name = "kit.prc"
first = 1
folder = "Apps"

[[component]]
name = "Extras"
manifest = "extras/package.toml"
selected = false
description = "Sample data\nfor the field"
)";

// A table row's description as the name of its test case.
inline std::string CaseName(const char* description) {
    std::string name;
    for (const char* c = description; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

inline std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mkpackage-test-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
    }
    ~Folder() { std::filesystem::remove_all(root_); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string Path(const std::string& name) const { return (std::filesystem::path(root_) / name).string(); }

    // Writes a file (and its folders); returns its path.
    std::string Write(const std::string& name, const std::string& content) const {
        std::filesystem::path path = Path(name);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    void Sources() const {
        Write("a.txt", "alpha");
        Write("b.txt", "beta");
        Write("lib.dll", "library");
        Write("setup.exe", "setup");
        Write("art/back.bmp", "BM back");
        Write("art/logo.bmp", "BM logo");
        Write("extras/notes.txt", "notes");
        Write("extras/package.toml",
              "[package]\ntitle = \"Extras\"\n[[application]]\nsource = \"../extras/more.txt\"\n");
        Write("extras/more.txt", "more");
    }

private:
    std::string root_;
};

}  // namespace testfolder
