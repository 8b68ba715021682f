#pragma once

#include <string>

namespace foldcraft::test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it when
// the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    // Writes a file (creating its parent directories) and returns its full path.
    std::string WriteFile(const std::string& relative, const std::string& contents) const;

private:
    std::string m_path;
};

// The whole contents of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace foldcraft::test
