// Puts the settings store below a root of the running test, so that tests
// never touch the user's own settings: a scratch folder natively, a key
// below HKEY_CURRENT_USER\Software\Tenvelo tests in the Win32 build.
#pragma once

#include "sys/settings_store.h"
#include "sys/settings_backend.h"
#include "tests/support/test_files.h"

#include <string>

class SettingsTestRoot {
  public:
    SettingsTestRoot() {
#ifdef _WIN32
        const std::string& path = scratch_.path();
        root_ = "Software\\Tenvelo tests\\" + path.substr(path.find_last_of("\\/") + 1);
        SetSettingsRoot(root_.c_str());
        SettingsBackendDeleteTestRoot(); // a leftover of a crashed run
#else
        root_ = scratch_.path();
        SetSettingsRoot(root_.c_str());
#endif
    }
    ~SettingsTestRoot() {
        SettingsBackendDeleteTestRoot();
        SetSettingsRoot(nullptr);
    }
    SettingsTestRoot(const SettingsTestRoot&) = delete;
    SettingsTestRoot& operator=(const SettingsTestRoot&) = delete;

    const std::string& root() const {
        return root_;
    }

  private:
    testsupport::ScratchDir scratch_;
    std::string root_;
};
