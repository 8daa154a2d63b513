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

namespace {

using json = nlohmann::json;

// The file format keeps every Any kind distinct: JSON's own kinds carry text, integers (no
// fraction), finite doubles (always written with a fraction or exponent), booleans, null, arrays
// and dictionaries; the rest are one-key objects tagged "$date", "$data", "$double" (non-finite)
// and "$text" (text that is not UTF-8). Dictionary keys starting with '$' gain one more '$', and
// keys that are not UTF-8 become "$~" + base64, so no user key is ever read as a tag.
struct CorruptFile : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr char base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Encode(const std::uint8_t* bytes, std::size_t size) {
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        std::uint32_t chunk = std::uint32_t(bytes[i]) << 16;
        if (i + 1 < size) chunk |= std::uint32_t(bytes[i + 1]) << 8;
        if (i + 2 < size) chunk |= bytes[i + 2];
        out += base64Alphabet[(chunk >> 18) & 63];
        out += base64Alphabet[(chunk >> 12) & 63];
        out += i + 1 < size ? base64Alphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < size ? base64Alphabet[chunk & 63] : '=';
    }
    return out;
}

std::string base64Encode(const std::string& text) {
    return base64Encode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

Data base64Decode(const std::string& text) {
    if (text.size() % 4 != 0) throw CorruptFile("bad base64 length");
    Data out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t chunk = 0;
        int padding = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            std::uint32_t sextet = 0;
            if (c == '=' && i + 4 == text.size() && j >= 2) {
                ++padding;
            } else {
                if (padding > 0) throw CorruptFile("bad base64 padding");
                const char* found = c == '\0' ? nullptr : std::strchr(base64Alphabet, c);
                if (found == nullptr) throw CorruptFile("bad base64 character");
                sextet = static_cast<std::uint32_t>(found - base64Alphabet);
            }
            chunk = (chunk << 6) | sextet;
        }
        out.push_back(static_cast<std::uint8_t>(chunk >> 16));
        if (padding < 2) out.push_back(static_cast<std::uint8_t>(chunk >> 8));
        if (padding < 1) out.push_back(static_cast<std::uint8_t>(chunk));
    }
    return out;
}

bool isValidUTF8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length;
        std::uint32_t point;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, point = c & 0x07;
        } else {
            return false;
        }
        if (i + length > n) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            point = (point << 6) | (s[i + k] & 0x3F);
        }
        static constexpr std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < minimum[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::string encodeKey(const std::string& key) {
    if (!isValidUTF8(key)) return "$~" + base64Encode(key);
    if (!key.empty() && key[0] == '$') return "$" + key;
    return key;
}

std::string decodeKey(const std::string& stored) {
    if (stored.rfind("$~", 0) == 0) {
        const Data bytes = base64Decode(stored.substr(2));
        return std::string(bytes.begin(), bytes.end());
    }
    if (stored.rfind("$", 0) == 0) {
        if (stored.size() < 2 || stored[1] != '$') throw CorruptFile("unknown tag used as key: " + stored);
        return stored.substr(1);
    }
    return stored;
}

json encodeDouble(double number) {
    if (std::isnan(number)) return json{{"$double", "nan"}};
    if (std::isinf(number)) return json{{"$double", number > 0 ? "inf" : "-inf"}};
    return json(number);
}

double decodeDouble(const json& value) {
    if (value.is_number_float()) return value.get<double>();
    if (value.is_object() && value.size() == 1 && value.contains("$double") && value["$double"].is_string()) {
        const auto text = value["$double"].get<std::string>();
        if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
        if (text == "inf") return std::numeric_limits<double>::infinity();
        if (text == "-inf") return -std::numeric_limits<double>::infinity();
    }
    throw CorruptFile("bad floating-point value");
}

json encode(const Any& value);

json encodeDictionary(const AnyDictionary& dictionary) {
    json object = json::object();
    for (const auto& [key, value] : dictionary) object[encodeKey(key)] = encode(value);
    return object;
}

json encode(const Any& value) {
    struct Visitor {
        json operator()(std::monostate) const { return nullptr; }
        json operator()(const std::string& text) const {
            if (isValidUTF8(text)) return text;
            return json{{"$text", base64Encode(text)}};
        }
        json operator()(std::int64_t number) const { return number; }
        json operator()(double number) const { return encodeDouble(number); }
        json operator()(bool flag) const { return flag; }
        json operator()(const Date& date) const { return json{{"$date", encodeDouble(date.timeIntervalSince1970())}}; }
        json operator()(const Data& data) const { return json{{"$data", base64Encode(data.data(), data.size())}}; }
        json operator()(const AnyArray& array) const {
            json out = json::array();
            for (const auto& element : array) out.push_back(encode(element));
            return out;
        }
        json operator()(const AnyDictionary& dictionary) const { return encodeDictionary(dictionary); }
    };
    return std::visit(Visitor{}, value.storage());
}

Any decode(const json& value, int depth);

AnyDictionary decodeDictionary(const json& object, int depth) {
    AnyDictionary dictionary;
    for (const auto& [key, element] : object.items()) dictionary[decodeKey(key)] = decode(element, depth + 1);
    return dictionary;
}

Any decode(const json& value, int depth) {
    if (depth > 512) throw CorruptFile("nesting too deep");
    switch (value.type()) {
    case json::value_t::null: return Any();
    case json::value_t::string: return Any(value.get<std::string>());
    case json::value_t::boolean: return Any(value.get<bool>());
    case json::value_t::number_integer: return Any(static_cast<long long>(value.get<std::int64_t>()));
    case json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw CorruptFile("integer out of range");
        return Any(static_cast<long long>(number));
    }
    case json::value_t::number_float: return Any(value.get<double>());
    case json::value_t::array: {
        AnyArray array;
        array.reserve(value.size());
        for (const auto& element : value) array.push_back(decode(element, depth + 1));
        return Any(std::move(array));
    }
    case json::value_t::object: {
        if (value.size() == 1) {
            const auto first = value.begin();
            const std::string& tag = first.key();
            const json& payload = first.value();
            if (tag == "$date") return Any(Date(decodeDouble(payload)));
            if (tag == "$double") return Any(decodeDouble(value));
            if (tag == "$data" && payload.is_string()) return Any(base64Decode(payload.get<std::string>()));
            if (tag == "$text" && payload.is_string()) {
                const Data bytes = base64Decode(payload.get<std::string>());
                return Any(std::string(bytes.begin(), bytes.end()));
            }
        }
        return Any(decodeDictionary(value, depth));
    }
    default: throw CorruptFile("unexpected JSON value");
    }
}

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

void UserDefaults::resetStandardForTesting() {
    auto& defaults = standard();
    std::lock_guard lock(defaults.mutex_);
    defaults.values_.clear();
    defaults.file_.reset();
    defaults.dirty_ = false;
    defaults.fault_ = WriteFaultForTesting::None;
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
        if (!document.is_object()) throw CorruptFile("not a dictionary");
        loaded = decodeDictionary(document, 0);
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
        bytes = encodeDictionary(values_).dump(1) + "\n";
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
    if (fault_ == WriteFaultForTesting::BeforeRename) {  // the temporary stays, as after a crash
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

void UserDefaults::setWriteFaultForTesting(WriteFaultForTesting fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}
