#pragma once

// A small project for the FTP publish tests: documents in nested source
// directories, a web and a mail link, an inactive document, an inactive folder, a
// sub-folder, a hotspot folder with its picture and a background image.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "model/FoldcraftDoc.h"
#include "publish/LocalPublishRun.h"
#include "publish/LocalSiteTarget.h"
#include "publish/PublishTestTree.h"
#include "support/RecordingLogSink.h"
#include "support/TempDir.h"

namespace foldcraft::test {

struct FtpTestProject {
    explicit FtpTestProject(const TempDir& dir) {
        NewProject(doc);
        doc.m_strTitle = "FTP test site";
        src = dir / "src";
        report = dir.WriteFile("src/Docs/Work/report.doc", std::string("REPORT\0\r\n\xff", 10));
        notes = dir.WriteFile("src/Docs/notes.txt", "notes\r\n");
        picture = dir.WriteFile("src/Pictures/map.gif", "GIF89a-map");
        inactive = dir.WriteFile("src/Old/inactive.doc", "OLD");
        hidden = dir.WriteFile("src/Hidden/in-inactive-folder.doc", "HIDDEN");
        deep = dir.WriteFile("src/Docs/Work/Deep/deep.bin", std::string(70000, '\x5a'));
        background = dir.WriteFile("src/Pictures/paper.jpg", "JPEG-background");
        doc.m_strBackgroundImage = background;

        AddDocument(*doc.m_pRoot, "Report", report);
        AddDocument(*doc.m_pRoot, "Web", "http://example.com/");
        AddDocument(*doc.m_pRoot, "Mail", "mailto:someone@example.com");
        AddDocument(*doc.m_pRoot, "Inactive", inactive, false);
        CBuildTreeFolder* sub = AddSubFolder(*doc.m_pRoot, "Sub");
        AddDocument(*sub, "Notes", notes);
        AddDocument(*sub, "Deep", deep);
        CBuildTreeFolder* off = AddSubFolder(*doc.m_pRoot, "Off", false);
        AddDocument(*off, "Hidden", hidden);
        CBuildTreeFolder* hot = AddSubFolder(*doc.m_pRoot, "Map");
        hot->m_bHotspotFolder = 1;
        hot->m_strHotspotImage = picture;
    }

    CFoldcraftDoc doc;
    std::string src, report, notes, picture, inactive, hidden, deep, background;
};

// Every regular file below root, by path relative to root, with its bytes.
inline std::map<std::string, std::string> ReadTree(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file()) {
            files[std::filesystem::relative(it->path(), root).string()] = ReadFile(it->path());
        }
    }
    return files;
}

// What a local publish of project into dir holds, Foldcraft's own ".foldcraft-"
// files aside (empty when it did not succeed).
inline std::map<std::string, std::string> LocalPublishFiles(FtpTestProject& project,
                                                            const std::string& program,
                                                            const std::string& dir) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    RecordingLogSink sink;
    LocalSiteTarget target(dir);
    LocalPublishRun local(project.doc, sink, program);
    if (local.RunLocalPublish(target) != LocalPublishRun::Result::kSuccess) return {};
    std::map<std::string, std::string> files = ReadTree(dir);
    std::erase_if(files, [](const auto& file) {
        return std::filesystem::path(file.first).filename().string().rfind(".foldcraft-", 0) == 0;
    });
    return files;
}

// The server's tree below serverDir equals a local publish of project (made in
// scratch), the manifest aside.
inline void ExpectSameAsLocalPublish(FtpTestProject& project, const std::string& program,
                                     const std::string& scratch, const std::string& serverDir) {
    const auto expected = LocalPublishFiles(project, program, scratch);
    auto actual = ReadTree(serverDir);
    EXPECT_EQ(actual.erase(".foldcraft-manifest"), 1u);
    ASSERT_GT(expected.size(), 10u);
    EXPECT_TRUE(actual == expected);
}

}  // namespace foldcraft::test
