#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "Foundation/Any.h"

// Key-value settings of any Any kind. In memory unless a file is given; then every change is
// written to it at once as JSON, crash-safe: a temporary next to the file, flushed to disk, then
// renamed over it, so a crash at any moment leaves the previous file or the new one, whole.
// Loading removes the temporaries that crashed writers left ("<file>.tmp-XXXXXX", unlocked).
// A file that cannot be read as ours is reported once on standard error, moved aside to
// "<file>.corrupt-<n>" and never overwritten. Thread-safe.
class UserDefaults {
public:
    // The process-wide defaults, in memory until the host calls usePersistentFile().
    static UserDefaults& standard();

    UserDefaults() = default;
    // Defaults persisted in the given file (loaded now if it exists).
    explicit UserDefaults(const std::filesystem::path& file);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // Loads the file's values and persists every later change there. Values set earlier in memory
    // are newer than the file's and win; they are written at once. False when the file exists but
    // cannot be used (reported; the defaults then stay in memory only).
    bool usePersistentFile(const std::filesystem::path& file);
    std::optional<std::filesystem::path> persistentFile() const;

    // Setting null removes the key.
    void set(Any value, const std::string& key);
    void remove(const std::string& key);
    // Text only: a value of another kind answers nothing.
    std::optional<std::string> string(const std::string& key) const;
    std::optional<Any> object(const std::string& key) const;
    AnyDictionary dictionaryRepresentation() const;
    // Writes what a failed write left unsaved. True when the file (if any) holds every value.
    bool synchronize();

private:
    friend class UserDefaultsTestApi;

    bool loadLocked(const std::filesystem::path& file);
    bool writeLocked();
    void changedLocked();

    mutable std::mutex mutex_;
    AnyDictionary values_;
    std::optional<std::filesystem::path> file_;
    bool dirty_ = false;
    bool stopBeforeRename_ = false;  // a test's simulated crash between the write and the rename
};
