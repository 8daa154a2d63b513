#include "Foundation/UserDefaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "Foundation/AnyJSON.h"

namespace {

using json = nlohmann::json;

std::string describeErrno(int error) { return std::strerror(error); }

// Moves a corrupt file aside under the first free "<file>.corrupt-<n>".
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file) {
    for (int n = 1; n < 10000; ++n) {
        std::filesystem::path aside = file;
        aside += ".corrupt-" + std::to_string(n);
        std::error_code error;
        if (std::filesystem::exists(aside, error) || error) continue;
        // link + unlink never replaces a file that appeared meanwhile, unlike rename.
        if (::link(file.c_str(), aside.c_str()) == 0) {
            ::unlink(file.c_str());
            return aside;
        }
        if (errno == EEXIST) continue;
        std::filesystem::rename(file, aside, error);
        if (!error) return aside;
        return std::nullopt;
    }
    return std::nullopt;
}

// Temporaries are "<file>.tmp-" and the six letters or digits mkstemp chose.
constexpr std::string_view temporaryInfix = ".tmp-";

bool isOurTemporary(const std::string& name, const std::string& fileName) {
    const std::size_t prefix = fileName.size() + temporaryInfix.size();
    if (name.size() != prefix + 6 || name.compare(0, fileName.size(), fileName) != 0 ||
        name.compare(fileName.size(), temporaryInfix.size(), temporaryInfix) != 0)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Removes what writers that died before their rename left next to the file. A writer holds a
// lock on its temporary until the rename, so one still at work (in this process or another) keeps
// its own.
void removeStaleTemporaries(const std::filesystem::path& file) {
    const auto directory = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const std::string fileName = file.filename().string();
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    if (error) return;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (!isOurTemporary(name, fileName) || !entry.is_regular_file(error) || entry.is_symlink(error)) continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(entry.path().c_str());
        ::close(fd);
    }
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

UserDefaults& UserDefaults::standard() {
    static UserDefaults defaults;
    return defaults;
}

UserDefaults::UserDefaults(const std::filesystem::path& file) { usePersistentFile(file); }

bool UserDefaults::usePersistentFile(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    file_.reset();
    if (!loadLocked(file)) return false;
    file_ = file;
    if (dirty_) writeLocked();
    return true;
}

std::optional<std::filesystem::path> UserDefaults::persistentFile() const {
    std::lock_guard lock(mutex_);
    return file_;
}

bool UserDefaults::loadLocked(const std::filesystem::path& file) {
    removeStaleTemporaries(file);
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    if (error) {
        std::cerr << "UserDefaults: cannot use " << file << ": " << error.message() << "; keeping values in memory\n";
        return false;
    }
    if (!exists) {
        dirty_ = !values_.empty();
        return true;
    }
    if (!std::filesystem::is_regular_file(file, error)) {
        std::cerr << "UserDefaults: cannot use " << file << ": not a file; keeping values in memory\n";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (!in.good() && !in.eof()) {
        std::cerr << "UserDefaults: cannot read " << file << "; keeping values in memory\n";
        return false;
    }
    AnyDictionary loaded;
    try {
        const json document = json::parse(buffer.str());
        if (!document.is_object()) throw AnyJSON::Malformed("not a dictionary");
        loaded = AnyJSON::decodeDictionary(document);
    } catch (const std::exception& failure) {
        // A file we cannot read as ours may still hold the user's data: keep it for a person to
        // look at rather than replacing it with an empty one.
        const auto aside = moveAside(file);
        if (!aside) {
            std::cerr << "UserDefaults: " << file << " is corrupt (" << failure.what()
                      << ") and could not be moved aside; keeping values in memory\n";
            return false;
        }
        std::cerr << "UserDefaults: " << file << " is corrupt (" << failure.what() << "); kept as " << *aside
                  << "\n";
        dirty_ = !values_.empty();
        return true;
    }
    for (auto& [key, value] : values_) loaded[key] = std::move(value);
    dirty_ = !values_.empty();
    values_ = std::move(loaded);
    return true;
}

bool UserDefaults::writeLocked() {
    if (!file_) return true;
    const std::filesystem::path& file = *file_;
    std::string bytes;
    try {
        bytes = AnyJSON::encodeDictionary(values_).dump(1) + "\n";
    } catch (const std::exception& failure) {
        std::cerr << "UserDefaults: cannot encode values for " << file << ": " << failure.what() << "\n";
        return false;
    }
    const auto directory = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::string temporary = file.filename().string();
    temporary += temporaryInfix;
    temporary += "XXXXXX";
    temporary = (directory / temporary).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        std::cerr << "UserDefaults: cannot write " << file << ": " << describeErrno(errno) << "\n";
        return false;
    }
    // Held until the rename: a load elsewhere then knows this temporary is not stale. Released
    // by the system when the writer dies, whatever the moment.
    const bool written = ::flock(fd, LOCK_EX) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (!written) {
        ::unlink(temporary.c_str());
        ::close(fd);
        std::cerr << "UserDefaults: cannot write " << file << ": " << describeErrno(writeError) << "\n";
        return false;
    }
    if (stopBeforeRename_) {  // the temporary stays, as after a crash
        ::close(fd);
        return false;
    }
    const bool renamed = ::rename(temporary.c_str(), file.c_str()) == 0;
    const int renameError = errno;
    if (!renamed) ::unlink(temporary.c_str());
    ::close(fd);
    if (!renamed) {
        std::cerr << "UserDefaults: cannot replace " << file << ": " << describeErrno(renameError) << "\n";
        return false;
    }
    // The rename itself must reach the disk too.
    const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return true;
}

void UserDefaults::changedLocked() {
    dirty_ = true;
    if (file_ && writeLocked()) dirty_ = false;
}

void UserDefaults::set(Any value, const std::string& key) {
    if (value.isNull()) return remove(key);
    std::lock_guard lock(mutex_);
    values_[key] = std::move(value);
    changedLocked();
}

void UserDefaults::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) == 0) return;
    changedLocked();
}

std::optional<std::string> UserDefaults::string(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second.string();
}

std::optional<Any> UserDefaults::object(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

AnyDictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    return values_;
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    if (!file_) return true;
    if (dirty_ && writeLocked()) dirty_ = false;
    return !dirty_;
}
