// A defaults file as another run (or another program, or a damaged disk) left it.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Foundation/UserDefaults.h"
#include "FuzzSupport.h"
#include "FuzzTargets.h"

namespace {

// One scratch folder per process, emptied after every input and removed at exit.
class ScratchFolder {
public:
    ScratchFolder() {
        // Every write is flushed to the disk; in memory that costs nothing, on a disk most of the run.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string name = (base / "velmaro-fuzz-defaults-XXXXXX").string();
        fuzzsupport::check(::mkdtemp(name.data()) != nullptr, "cannot make a scratch folder");
        path_ = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& scratchFolder() {
    static const ScratchFolder folder;
    return folder.path();
}

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void readEverything(const UserDefaults& defaults) {
    for (const auto& [key, value] : defaults.dictionaryRepresentation()) {
        (void)defaults.string(key);
        (void)defaults.object(key);
    }
}

}  // namespace

int fuzzUserDefaultsFile(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = scratchFolder() / "defaults.json";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    {
        fuzzsupport::QuietStandardError quiet;  // a corrupt file is reported there
        UserDefaults first(file);
        fuzzsupport::check(first.persistentFile().has_value(), "a defaults file was refused");
        readEverything(first);
        // A change writes every value; reading that back and writing again gives the same file.
        first.set(Any("value"), "fuzz.marker");
        const std::string written = contents(file);
        UserDefaults second(file);
        fuzzsupport::check(second.dictionaryRepresentation().size() == first.dictionaryRepresentation().size(),
                           "values were lost between writing and reading");
        second.set(Any("value"), "fuzz.marker");
        fuzzsupport::check(contents(file) == written, "writing what was read changes the file");
    }
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(scratchFolder(), ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    return 0;
}
