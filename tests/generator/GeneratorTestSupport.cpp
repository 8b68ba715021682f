#include "GeneratorTestSupport.h"

#include <cstdlib>
#include <ctime>

#include "support/TempDir.h"

namespace foldcraft::test {

std::string Crlf(std::string_view lf) {
    std::string out;
    out.reserve(lf.size() + lf.size() / 16);
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

std::unique_ptr<CFoldcraftDoc> NewProject() {
    ScopedClockPin pin(kCreated);
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    return doc;
}

CBuildTreeFolder& AddFolder(CBuildTreeFolder& parent, const std::string& name,
                            const std::string& comment) {
    ScopedClockPin pin(kCreated);
    return *parent.AddFolder(std::make_unique<CBuildTreeFolder>(name, "(folder)", comment));
}

CBuildTreeDoc& AddDoc(CBuildTreeFolder& parent, const std::string& name, const std::string& link,
                      const std::string& comment, std::int32_t size, Time fileTime) {
    ScopedClockPin pin(kCreated);
    CBuildTreeDoc& doc = *parent.AddDoc(std::make_unique<CBuildTreeDoc>(name, link, comment));
    doc.m_nFileSize = size;
    doc.m_timeFile = fileTime;
    return doc;
}

CHotspotArea& AddArea(CBuildTreeFolder& folder, std::int32_t shape, const std::string& link,
                      std::initializer_list<std::int32_t> coords) {
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = shape;
    area->m_strLink = link;
    area->m_arrCoords.assign(coords.begin(), coords.end());
    return *folder.AddHotspot(std::move(area));
}

std::string Fixture(const std::string& name) {
    return ReadFile(std::string(FOLDCRAFT_TESTS_DIR) + "/generator/fixtures/" + name);
}

}  // namespace foldcraft::test
