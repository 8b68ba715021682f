#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/TempDir.h"

namespace foldcraft::test {

// The pinned "now" of the project file fixtures (2023-11-14 22:13:20 UTC).
constexpr std::int64_t kFixtureTime = 1'700'000'000;

// The bytes of tests/model/fixtures/<name>.
inline std::string Fixture(const std::string& name) {
    return ReadFile(std::string(FOLDCRAFT_TESTS_DIR) + "/model/fixtures/" + name);
}

// Little-endian bytes put together by hand, for files the writer never makes.
class Bytes {
public:
    Bytes& U8(std::uint8_t v) {
        m_s += static_cast<char>(v);
        return *this;
    }
    Bytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Raw(std::string_view s) {
        m_s += s;
        return *this;
    }
    // A text with the shortest length prefix.
    Bytes& Text(std::string_view s) {
        if (s.size() < 255) {
            U8(static_cast<std::uint8_t>(s.size()));
        } else if (s.size() < 0xFFFE) {
            U8(0xFF).U16(static_cast<std::uint16_t>(s.size()));
        } else {
            U8(0xFF).U16(0xFFFF).U32(static_cast<std::uint32_t>(s.size()));
        }
        return Raw(s);
    }
    // Rows 1-10 of an item body with the fixture times.
    Bytes& Item(std::string_view name, std::string_view link) {
        return U32(1)
            .Text(name)
            .Text(link)
            .Text("")
            .U32(0)
            .U32(kFixtureTime)
            .U32(kFixtureTime)
            .U32(kFixtureTime + 31'536'000)
            .U32(0)
            .U32(1);
    }
    // Rows 15-30 of a folder body (after the three lists).
    Bytes& FolderTail(std::string_view name, std::string_view link) {
        Text(name).Text(link).Text("").U32(0).U32(0).U32(0).U32(0).Text("");
        return U32(0)
            .U32(kFixtureTime)
            .U32(kFixtureTime)
            .U32(kFixtureTime + 31'536'000)
            .U32(0)
            .U32(0)
            .U32(0)
            .Text("");
    }
    // Rows 3-30 of the document with the New values.
    Bytes& DocumentTail() {
        U32(0).U32(kFixtureTime);
        for (std::uint32_t v : {1u, 1u, 1u, 0u, 0u, 0u, 1u, 1u, 48u, 48u, 0u}) U32(v);
        Text("").Text("Arial, Helvetica, sans-serif");
        for (std::uint32_t c :
             {0xFFFFFFu, 0u, 0x00FF00u, 0x339933u, 0xFFFFFFu, 0xFF0000u, 0xFF00FFu}) {
            U32(c);
        }
        Text("My Comments")
            .Text("Customize footer text here...")
            .Text("Customize header text here...");
        return Text("My Title").U32(0).Text("");
    }
    const std::string& Str() const { return m_s; }
    size_t Size() const { return m_s.size(); }

private:
    std::string m_s;
};

}  // namespace foldcraft::test
