// Fixtures for the sound tests: the built audio library's bytes and a fake resource
// table holding it and test tones.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/os/resources.h"
#include "tests/platform/audio/audio_test_util.h"

namespace eh::testing {

inline std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The library as built (EH_AUDIO_LIBRARY_FILE is set by the build).
inline const std::vector<std::uint8_t>& audioLibraryImage() {
    static const std::vector<std::uint8_t> image = readFile(EH_AUDIO_LIBRARY_FILE);
    return image;
}

// A private folder for the binding's temporary file, so tests can list it.
class TempFolder {
  public:
    TempFolder() {
        std::string tmpl = tempPath("eh_sound_tmp") + "XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        path_ = mkdtemp(buf.data());
    }
    ~TempFolder() {
        for (const std::string& f : files()) std::remove((path_ + "/" + f).c_str());
        rmdir(path_.c_str());
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        if (DIR* d = opendir(path_.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    out.push_back(e->d_name);
            closedir(d);
        }
        return out;
    }

  private:
    std::string path_;
};

// Owns the bytes behind a fake resource table.
class FakeResources {
  public:
    void add(const char* type, int id, std::vector<std::uint8_t> bytes) {
        blobs_.push_back(std::move(bytes));
        types_.push_back(type);
        ids_.push_back(id);
    }
    std::vector<eh::os::ResourceEntry> table() const {
        std::vector<eh::os::ResourceEntry> t;
        for (std::size_t i = 0; i < blobs_.size(); ++i)
            t.push_back(
                {types_[i], ids_[i], blobs_[i].data(), blobs_[i].data() + blobs_[i].size()});
        return t;
    }

  private:
    std::vector<std::vector<std::uint8_t>> blobs_;
    std::vector<const char*> types_;
    std::vector<int> ids_;
};

}  // namespace eh::testing
