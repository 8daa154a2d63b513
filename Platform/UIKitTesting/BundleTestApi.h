#pragma once

// What tests reach of bundles beyond their public face.
class BundleTestApi {
public:
    // Forgets every path the host set (the main bundle's and the frameworks').
    static void reset();
};
