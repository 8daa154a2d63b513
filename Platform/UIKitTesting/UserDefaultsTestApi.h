#pragma once

class UserDefaults;

// What tests reach of the user defaults beyond their public face.
class UserDefaultsTestApi {
public:
    // Makes the standard defaults empty and in-memory again, so tests do not see each other.
    static void resetStandard();
    // Makes these defaults' writes stop before the rename (the temporary stays), as a crash would.
    static void stopWritesBeforeRename(UserDefaults& defaults, bool stop);
};
