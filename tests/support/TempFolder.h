#pragma once

#include <string>
#include <string_view>

namespace nakilon::testsupport {

// A fresh program folder for one test, removed with everything in it when the
// object goes. `path()` ends in a separator, like the program folder.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    // The folder followed by a relative name; "\" separates subfolders.
    std::string file(std::string_view relativeName) const;

    void write(std::string_view relativeName, std::string_view bytes) const;
    std::string read(std::string_view relativeName) const;
    bool exists(std::string_view relativeName) const;

private:
    std::string m_path;
};

} // namespace nakilon::testsupport
